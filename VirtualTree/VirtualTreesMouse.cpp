// Mouse: hit testing on the shared row layout, press, release and double click, the check
// press by mouse, hot tracking, the rubber band by mouse and the wheel.
#include "VirtualTrees.h"
#include "VirtualTreesPanning.h"

#include "platform/ThemeServices.h"

#include <algorithm>
#include <cstdlib>

// --- Hit test --------------------------------------------------------------------------------

void TBaseVirtualTree::GetHitTestInfoAt(int x, int y, bool relative, THitInfo& hit) {
    hit = THitInfo{};
    if (relative) {
        x -= geometry_.OffsetX();
        y -= geometry_.OffsetY();
    }
    if (x < 0) hit.HitPositions |= hiToLeft;
    if (x > std::max(ClientWidth(), geometry_.RangeX())) hit.HitPositions |= hiToRight;
    if (y < 0) hit.HitPositions |= hiAbove;
    if (y > std::max(ClientHeight(), geometry_.RangeY())) hit.HitPositions |= hiBelow;
    if (hit.HitPositions != 0) return;

    int nodeTop = 0;
    PVirtualNode node = geometry_.NodeAt(y, nodeTop);
    if (!node) {
        hit.HitPositions = hiNowhere;
        return;
    }
    if (!HasState(node, vsInitialized)) InitNode(node);
    hit.HitNode = node;
    TVTHeader& header = Header();
    int left = 0, right = std::max(ClientWidth(), geometry_.RangeX());
    TColumnIndex column = NoColumn;
    if (header.UseColumns()) {
        column = header.Columns().GetColumnAndBounds({x, 0}, left, right, false);
        if (column > NoColumn && TreeOptions().AutoOptions().Contains(toAutoSpanColumns)) {
            TVirtualTreeColumns& columns = header.Columns();
            // An empty cell belongs to the text that runs over it from the left.
            while (ColumnIsEmpty(node, column)) {
                const TColumnIndex previous = columns.GetPreviousVisibleColumn(column);
                if (previous <= NoColumn || columns.Items(previous).BiDiMode() != bdLeftToRight)
                    break;
                column = previous;
                int l = 0, r = 0;
                if (header.GetColumnBounds(column, l, r)) left = l;
            }
            for (TColumnIndex next = columns.GetNextVisibleColumn(column);
                 next > NoColumn && columns.Items(next).BiDiMode() == bdLeftToRight &&
                 ColumnIsEmpty(node, next);
                 next = columns.GetNextVisibleColumn(next)) {
                int l = 0, r = 0;
                if (header.GetColumnBounds(next, l, r)) right = r;
            }
        }
    }
    hit.HitColumn = column;
    if (column == InvalidColumn) {
        hit.HitPositions = hiNowhere;
        return;
    }
    hit.HitPositions = hiOnItem;
    const TRect cell{left, nodeTop, right, nodeTop + int(node->NodeHeight)};
    const TVTCellLayout layout = LayoutCell(node, column, cell);
    const bool isMain = column == NoColumn || column == header.MainColumn();
    const bool rtl =
        column > NoColumn ? header.ColumnIsRightToLeft(column) : BiDiMode() != bdLeftToRight;
    const TVTPaintOptions paint = TreeOptions().PaintOptions();
    // The indentation is measured from the cell's reading start.
    const int offset = rtl ? cell.Right - 1 - x : x - cell.Left;
    int indent = 0;
    if (isMain) {
        int levels = int(GetNodeLevel(node)) + (paint.Contains(toShowRoot) ? 1 : 0);
        indent = levels * int(indent_);
    }
    if (offset < indent) {
        if (paint.Contains(toShowButtons) && HasState(node, vsHasChildren) &&
            offset >= indent - int(indent_))
            hit.HitPositions |= hiOnItemButton;
        else
            hit.HitPositions |= hiOnItemIndent;
        return;
    }
    if (!isMain && TreeOptions().MiscOptions().Contains(toReportMode)) return;
    // An image takes its width and the 2 pixels after it (before it, right to left).
    auto within = [&](int imageX, int width) {
        return rtl ? x >= imageX - 2 : x < imageX + width + 2;
    };
    if (layout.CheckX >= 0 && within(layout.CheckX, CheckImageSize())) {
        hit.HitPositions = hiOnItem | hiOnItemCheckbox;
        return;
    }
    if (layout.StateImageX >= 0 && StateImages() &&
        within(layout.StateImageX, StateImages()->Width())) {
        hit.HitPositions |= hiOnStateIcon;
        return;
    }
    if (layout.ImageX >= 0 && Images() && within(layout.ImageX, Images()->Width())) {
        hit.HitPositions |= hiOnNormalIcon;
        return;
    }
    if (x < layout.Text.Left)
        hit.HitPositions |= rtl ? hiOnItemRight : hiOnItemLeft;
    else if (x >= layout.Text.Right)
        hit.HitPositions |= rtl ? hiOnItemLeft : hiOnItemRight;
    else
        hit.HitPositions |= hiOnItemLabel;
}

// --- Buttons ---------------------------------------------------------------------------------

namespace {
bool Handles(TMouseButton button, TVTSelectionOptions options) {
    return button == mbLeft || (button == mbRight && options.Contains(toRightClickSelect)) ||
           (button == mbMiddle && options.Contains(toMiddleClickSelect));
}
}  // namespace

void TBaseVirtualTree::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    const TVirtualTreeState flag = button == mbLeft    ? tsLeftButtonDown
                                   : button == mbRight ? tsRightButtonDown
                                                       : tsMiddleButtonDown;
    SetTreeState(flag);
    CancelHint();
    // Any press ends wheel panning and does nothing else.
    if (Panning()) {
        StopWheelPanning();
        return;
    }
    if (button == mbMiddle && !(shift & ssDouble) &&
        TreeOptions().MiscOptions().Contains(toWheelPanning) &&
        (geometry_.RangeX() > ClientWidth() || geometry_.RangeY() > ClientHeight())) {
        TCustomControl::MouseDown(button, shift, x, y);
        StartWheelPanning({x, y});
        return;
    }
    TCustomControl::MouseDown(button, shift, x, y);
    if (!Handles(button, TreeOptions().SelectionOptions())) return;
    THitInfo hit;
    GetHitTestInfoAt(x, y, true, hit);
    if (shift & ssDouble)
        HandleDoubleClick(hit, shift);
    else
        HandleMouseDown(button, shift, x, y, hit);
}

void TBaseVirtualTree::BeginCheckPress(PVirtualNode node) {
    if (states_.Contains(tsCheckPressPending) || HasState(node, vsDisabled)) return;
    TCheckState next = DetermineNextCheckState(CheckType(node), CheckState(node));
    if (!DoChecking(node, next)) return;
    checkNode_ = node;
    pendingCheckState_ = next;
    SetTreeState(tsCheckPressPending);
    RepaintNode(node);
}

void TBaseVirtualTree::HandleMouseDown(TMouseButton button, TShiftState shift, int x, int y,
                                       const THitInfo& hit) {
    if (states_.Contains(tsEditPending)) {
        KillTimer(EditTimer);
        states_.Exclude(tsEditPending);
    }
    if (IsEditing() && !EndEditNode()) return;
    clickColumn_ = hit.HitColumn;
    const TCustomVirtualTreeOptions& options = TreeOptions();
    const TVTSelectionOptions selection = options.SelectionOptions();
    const bool fullRow = selection.Contains(toFullRowSelect);
    const bool grid = options.MiscOptions().Contains(toGridExtensions);
    const bool multi = selection.Contains(toMultiSelect);
    PVirtualNode node = hit.HitNode;
    const uint32_t at = hit.HitPositions;
    const bool labelHit = at & (hiOnItemLabel | hiOnNormalIcon);
    const bool cellHit =
        !labelHit && node && !(at & (hiOnItemButton | hiOnItemCheckbox)) && (fullRow || grid);
    TColumnIndex newColumn = focusedColumn_;
    if (labelHit || fullRow || grid)
        newColumn = selection.Contains(toExtendedFocus) ? hit.HitColumn : Header().MainColumn();
    if (newColumn == InvalidColumn) newColumn = focusedColumn_;
    const bool columnChanged = newColumn != focusedColumn_;
    const TShiftState keys = shift & (ssShift | ssCtrl);
    const bool dragAllowed =
        node && !cellHit && (dragMode_ == dmAutomatic || DoBeforeDrag(node, hit.HitColumn));

    if ((at & hiOnItemButton) && HasState(node, vsHasChildren)) {
        ToggleNode(node);
        return;
    }
    if (at & hiOnItemCheckbox) {
        BeginCheckPress(node);
        return;
    }
    if ((Root()->FirstChild && keys == 0) || selectionCount_ == 0)
        selectionLevel_ = node ? int(GetNodeLevel(node)) : -1;
    if (multi && keys == 0 && labelHit && Selected(node) && dragAllowed)
        SetTreeState(tsClearPending);

    const bool popupFor = button == mbRight && node &&
                          (popupMenu_ || DoGetPopupMenu(node, hit.HitColumn, {x, y}) != nullptr);
    const bool replace =
        (!labelHit && !cellHit && multi && keys == 0) ||
        ((labelHit || cellHit) && (!Selected(node) || (!dragAllowed && !popupFor)) &&
         (keys == 0 || !multi));
    if (replace && !states_.Contains(tsClearPending)) {
        if (node && Selected(node)) {
            const bool many = selectionCount_ > 1;
            InternalClearSelection();
            InternalAddToSelection({node}, true);
            Change(node);
            if (many) Invalidate();
        } else {
            ClearSelection();
        }
    }
    if (((labelHit && Selected(node)) || (grid && (at & hiOnItem))) && !columnChanged &&
        keys == 0 && node == focusedNode_)
        SetTreeState(tsEditPending);
    if (!Focused() && CanFocus()) SetFocus();

    if (!selection.Contains(toDisableDrawSelection) && multi && !labelHit) {
        SetTreeState(tsDrawSelectionPending);
        drawSelectionShift_ = keys;
        const TPoint p{x - geometry_.OffsetX(), y - geometry_.OffsetY()};
        selectionRect_ = {p.X, p.Y, p.X, p.Y};
        lastClick_ = {x, y};
        if (!cellHit) return;
    }
    lastClick_ = {x, y};
    if ((labelHit || cellHit) && node) {
        if (!DoFocusChanging(focusedNode_, node, focusedColumn_, newColumn)) return;
        const PVirtualNode before = focusedNode_;
        if (columnChanged) {
            if (focusedNode_) InvalidateNode(focusedNode_);
            focusedColumn_ = newColumn;
        }
        DoFocusNode(node, false);
        if (multi)
            HandleClickSelection(before, node, keys);
        else if (!Selected(node))
            AddToSelection(node);
        if (node != before || columnChanged) DoFocusChange(focusedNode_, focusedColumn_);
        if (columnChanged) ScrollIntoView(node, false, true);
        // A press on a label that may be dragged: the drag starts once the mouse moves away.
        if (button == mbLeft && dragAllowed) BeginDrag(false);
    }
}

void TBaseVirtualTree::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    const TVirtualTreeState flag = button == mbLeft    ? tsLeftButtonDown
                                   : button == mbRight ? tsRightButtonDown
                                                       : tsMiddleButtonDown;
    SetTreeState(flag, false);
    // A drag that did not start by now does not start.
    states_.Exclude(tsOLEDragPending);
    states_.Exclude(tsFormsDragPending);
    if (button == mbMiddle && Panning()) {
        // A click pans on until the next press; a drag ends with its release.
        if (states_.Contains(tsWheelPanningByClick))
            states_.Exclude(tsWheelPanning);
        else
            StopWheelPanning();
        return;
    }
    const TVTSelectionOptions selection = TreeOptions().SelectionOptions();
    THitInfo hit;
    GetHitTestInfoAt(x, y, true, hit);
    if (button == mbRight && states_.Contains(tsDrawSelecting) && popupMenu_) {
        states_.Exclude(tsDrawSelecting);
        states_.Exclude(tsDrawSelectionPending);
        Invalidate();
    }
    if (Handles(button, selection)) HandleMouseUp(shift, hit);
    TCustomControl::MouseUp(button, shift, x, y);
    // The tree's own context menu comes after the release.
    if (button == mbRight) {
        if (!popupMenu_) {
            DoPopupMenu(hit.HitNode, hit.HitColumn, {x, y});
        } else {
            popupMenu_->PopupComponent = this;
            const TPoint screen = ClientToScreen({x, y});
            popupMenu_->Popup(screen.X, screen.Y);
        }
    }
}

void TBaseVirtualTree::HandleMouseUp(TShiftState shift, const THitInfo& hit) {
    if (states_.Contains(tsDrawSelecting)) {
        states_.Exclude(tsDrawSelecting);
        Invalidate();
    }
    if (states_.Contains(tsClearPending)) {
        const bool focusedWasSelected = focusedNode_ && Selected(focusedNode_);
        ClearSelection();
        if (focusedWasSelected) AddToSelection(focusedNode_);
    }
    states_.Exclude(tsClearPending);
    states_.Exclude(tsDrawSelectionPending);
    KillTimer(ScrollTimer);
    if (states_.Contains(tsCheckPressPending)) {
        PVirtualNode node = checkNode_;
        const TCheckState state = pendingCheckState_;
        EndCheckPress();
        if (node && hit.HitNode == node && (hit.HitPositions & hiOnItem)) DoCheckClick(node, state);
    }
    if (clickColumn_ > NoColumn && clickColumn_ == hit.HitColumn)
        DoColumnClick(clickColumn_, shift & (ssShift | ssCtrl | ssAlt));
    // A slow second click on the focused node's label starts an edit after EditDelay, when the
    // cell may be edited.
    if (states_.Contains(tsEditPending) && focusedNode_ && hit.HitNode == focusedNode_ &&
        (hit.HitPositions & hiOnItem) && CanEdit(focusedNode_, focusedColumn_)) {
        editColumn_ = focusedColumn_;
        SetTimer(EditTimer, editDelay_);
    } else {
        states_.Exclude(tsEditPending);
    }
}

void TBaseVirtualTree::HandleDoubleClick(const THitInfo& hit, TShiftState shift) {
    if (states_.Contains(tsEditPending)) {
        KillTimer(EditTimer);
        states_.Exclude(tsEditPending);
    }
    if (IsEditing() && !EndEditNode()) return;
    if (hit.HitColumn > NoColumn && hit.HitColumn == clickColumn_)
        DoColumnDblClick(hit.HitColumn, shift & (ssShift | ssCtrl | ssAlt));
    PVirtualNode node = hit.HitNode;
    if (!node) return;
    const uint32_t at = hit.HitPositions;
    if (at & hiOnItemCheckbox) {
        BeginCheckPress(node);
        return;
    }
    if (at & hiOnItemButton) {
        ToggleNode(node);
        return;
    }
    if (TreeOptions().MiscOptions().Contains(toToggleOnDblClick) &&
        ((at & (hiOnItemLabel | hiOnNormalIcon | hiOnStateIcon)) ||
         (TreeOptions().SelectionOptions().Contains(toFullRowSelect) && (at & hiOnItem))))
        ToggleNode(node);
}

void TBaseVirtualTree::DoContextPopup(TPoint mousePos, bool& handled) {
    if (states_.Contains(tsRightButtonDown)) {
        handled = true;
        return;
    }
    states_.Exclude(tsDrawSelecting);
    states_.Exclude(tsDrawSelectionPending);
    TCustomControl::DoContextPopup(mousePos, handled);
}

// --- Moves, hot node, wheel ------------------------------------------------------------------

void TBaseVirtualTree::UpdateHotNode(int x, int y) {
    PVirtualNode hot = nullptr;
    if (x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight()) {
        THitInfo hit;
        GetHitTestInfoAt(x, y, true, hit);
        if (hit.HitNode && ((hit.HitPositions & (hiOnItemLabel | hiOnItemCheckbox)) ||
                            TreeOptions().SelectionOptions().Contains(toFullRowSelect)))
            hot = hit.HitNode;
    }
    if (hot != hotNode_) {
        PVirtualNode old = hotNode_;
        hotNode_ = hot;
        DoHotChange(old, hot);
        if (old) InvalidateNode(old);
        if (hot) InvalidateNode(hot);
    }
    UpdateCursor();
}

// --- The cursor ------------------------------------------------------------------------------

void TBaseVirtualTree::SetCursor(TCursor value) {
    cursor_ = value;
    UpdateCursor();
}

void TBaseVirtualTree::UpdateCursor() {
    // Panning shows its own cursors, a captured mouse (a drag) keeps the one it has, and the
    // application's global cursor hides every other one; a header splitter claims the point
    // for the header.
    if (Panning() || MouseCapture() || GlobalCursorSet()) return;
    TCursor cursor = headerCursor_;
    if (cursor == crDefault) {
        cursor =
            TreeOptions().PaintOptions().Contains(toHotTrack) && hotNode_ ? hotCursor_ : cursor_;
        DoGetCursor(cursor);
    }
    if (cursor != ShownCursor()) TCustomControl::SetCursor(cursor);
}

void TBaseVirtualTree::SetHeaderCursor(TCursor cursor) {
    headerCursor_ = cursor;
    UpdateCursor();
}

void TBaseVirtualTree::MouseMove(TShiftState shift, int x, int y) {
    UpdateHint(x, y);
    if (Panning()) {
        // A drag with the middle button down pans until its release; once the button is up,
        // moving is how panning by a click is used and ends nothing.
        const int threshold = StartDragDistance();
        if (states_.Contains(tsWheelPanning) &&
            (std::abs(x - panStart_.X) > threshold || std::abs(y - panStart_.Y) > threshold))
            states_.Exclude(tsWheelPanningByClick);
        AdjustPanningCursor(x, y);
        TCustomControl::MouseMove(shift, x, y);
        return;
    }
    if (DragPendingMove(x, y)) return;
    if (states_.Contains(tsDrawSelectionPending) || states_.Contains(tsDrawSelecting)) {
        const TPoint p{x - geometry_.OffsetX(), y - geometry_.OffsetY()};
        const int threshold = StartDragDistance();
        if (states_.Contains(tsDrawSelectionPending) &&
            (std::abs(x - lastClick_.X) > threshold || std::abs(y - lastClick_.Y) > threshold)) {
            if (states_.Contains(tsClearPending) || !(drawSelectionShift_ & (ssShift | ssCtrl))) {
                states_.Exclude(tsClearPending);
                ClearSelection();
            }
            states_.Exclude(tsDrawSelectionPending);
            SetTreeState(tsDrawSelecting);
            focusedColumn_ = Header().MainColumn();
        }
        if (states_.Contains(tsDrawSelecting)) {
            DoAutoScroll(x, y);
            const TRect before = selectionRect_;
            TRect after = before;
            after.Right = std::clamp(p.X, 0, std::max(ClientWidth(), geometry_.RangeX()));
            after.Bottom = std::clamp(p.Y, 0, std::max(ClientHeight(), geometry_.RangeY()));
            if (after.Right != before.Right || after.Bottom != before.Bottom) {
                TRect oldRect = before, newRect = after;
                HandleDrawSelection(oldRect, newRect, (drawSelectionShift_ & ssCtrl) != 0);
                selectionRect_ = after;
                Invalidate();
            }
        } else {
            selectionRect_.Right = p.X;
            selectionRect_.Bottom = p.Y;
        }
        TCustomControl::MouseMove(shift, x, y);
        return;
    }
    UpdateHotNode(x, y);
    TCustomControl::MouseMove(shift, x, y);
}

void TBaseVirtualTree::MouseLeave() {
    CancelHint();
    if (!Panning()) StopAutoScroll();
    if (hotNode_) {
        PVirtualNode old = hotNode_;
        hotNode_ = nullptr;
        DoHotChange(old, nullptr);
        InvalidateNode(old);
    }
    TCustomControl::MouseLeave();
}

namespace {

// Adds a wheel movement to what is left of the last ones; returns the whole steps of 120 in it.
// Small deltas add up; a turn the other way starts afresh.
int WheelSteps(int& remainder, int wheelDelta) {
    if ((wheelDelta < 0) != (remainder < 0)) remainder = 0;
    remainder += wheelDelta;
    const int steps = remainder / 120;
    remainder -= steps * 120;
    return steps;
}

}  // namespace

void TBaseVirtualTree::WheelSideways(int steps, TShiftState shift) {
    const int indent = std::max(1, int(indent_));
    const int step = (shift & ssCtrl) ? ClientWidth() / indent * indent : indent;
    SetOffsetX(OffsetX() + steps * step);
}

bool TBaseVirtualTree::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    StopWheelPanning();
    if (TCustomControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
    const int steps = WheelSteps(wheelRemainder_, wheelDelta);
    if (steps != 0) {
        if (geometry_.RangeY() <= ClientHeight()) {
            WheelSideways(steps, shift);
        } else {
            const int height = std::max(1, int(DefaultNodeHeight()));
            const int step = (shift & ssCtrl) ? ClientHeight() / height * height : height;
            SetOffsetY(OffsetY() + steps * step);
        }
        UpdateHotNode(mousePos.X, mousePos.Y);
    }
    return true;
}

bool TBaseVirtualTree::DoMouseHorizontalWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    StopWheelPanning();
    const int steps = WheelSteps(sidewaysRemainder_, wheelDelta);
    if (steps != 0) {
        WheelSideways(steps, shift);
        UpdateHotNode(mousePos.X, mousePos.Y);
    }
    return true;
}

// --- Auto-scroll -----------------------------------------------------------------------------

// Within DefaultNodeHeight of an edge the view scrolls after AutoScrollDelay, then on each tick.
void TBaseVirtualTree::DoAutoScroll(int x, int y) {
    if (!EdgeScrollDirections(x, y).Empty()) {
        if (!states_.Contains(tsScrollPending) && !states_.Contains(tsScrolling)) {
            SetTreeState(tsScrollPending);
            SetTimer(ScrollTimer, std::max(1u, autoScrollDelay_));
        }
    } else {
        StopAutoScroll();
    }
}

void TBaseVirtualTree::StopAutoScroll() {
    KillTimer(ScrollTimer);
    states_.Exclude(tsScrollPending);
    states_.Exclude(tsScrolling);
}

void TBaseVirtualTree::AutoScrollStep() {
    if (Panning()) {
        PanStep();
        return;
    }
    if (states_.Contains(tsScrollPending)) {
        states_.Exclude(tsScrollPending);
        SetTreeState(tsScrolling);
        SetTimer(ScrollTimer, std::max(1u, autoScrollInterval_));
    }
    const TPoint p = MousePosition();
    if (!states_.Contains(tsDrawSelecting) || !EdgeScrollStep(EdgeScrollDirections(p.X, p.Y))) {
        // Every edge in the way is reached, or the pointer left the edges: scrolling ends.
        StopAutoScroll();
        return;
    }
    const TPoint after = OffsetXY();
    // The band's moving corner stays under the mouse.
    const TRect old = selectionRect_;
    TRect band = old;
    band.Right = std::clamp(p.X - after.X, 0, std::max(ClientWidth(), geometry_.RangeX()));
    band.Bottom = std::clamp(p.Y - after.Y, 0, std::max(ClientHeight(), geometry_.RangeY()));
    HandleDrawSelection(old, band, (drawSelectionShift_ & ssCtrl) != 0);
    selectionRect_ = band;
    Invalidate();
}

// --- Wheel panning ---------------------------------------------------------------------------

bool TBaseVirtualTree::Panning() const {
    return states_.Contains(tsWheelPanning) || states_.Contains(tsWheelPanningByClick);
}

void TBaseVirtualTree::StartWheelPanning(TPoint p) {
    KillTimer(ScrollTimer);
    panStart_ = p;
    SetTreeState(tsScrolling);
    SetTreeState(tsWheelPanning);
    SetTreeState(tsWheelPanningByClick);
    // The picture that marks the start point, and the cursor that tells the drift's direction.
    const bool canScrollX = geometry_.RangeX() > ClientWidth();
    const bool canScrollY = geometry_.RangeY() > ClientHeight();
    panWindow_.reset(new TVTPanningWindow(*this, p, canScrollX, canScrollY));
    TCustomControl::SetCursor(PanningCursor(0, 0, canScrollX, canScrollY));
    SetMouseCapture(true);
    SetTimer(ScrollTimer, 20);
}

const TCustomControl* TBaseVirtualTree::PanningWindow() const {
    return panWindow_.get();
}

void TBaseVirtualTree::TPanningWindowDeleter::operator()(TVTPanningWindow* window) const {
    delete window;
}

void TBaseVirtualTree::AdjustPanningCursor(int x, int y) {
    const TCursor cursor =
        PanningCursor(x - panStart_.X, y - panStart_.Y, geometry_.RangeX() > ClientWidth(),
                      geometry_.RangeY() > ClientHeight());
    if (cursor != ShownCursor()) TCustomControl::SetCursor(cursor);
}

void TBaseVirtualTree::StopWheelPanning() {
    if (!Panning()) return;
    KillTimer(ScrollTimer);
    SetMouseCapture(false);
    states_.Exclude(tsWheelPanning);
    states_.Exclude(tsWheelPanningByClick);
    states_.Exclude(tsScrolling);
    panWindow_.reset();
    UpdateCursor();
}

void TBaseVirtualTree::PanStep() {
    // Beyond a dead zone of 8 pixels the view moves by the distance from the start point.
    const TPoint p = MousePosition();
    auto step = [](int distance) {
        if (distance > 8) return distance - 8;
        if (distance < -8) return distance + 8;
        return 0;
    };
    const int dx = geometry_.RangeX() > ClientWidth() ? step(p.X - panStart_.X) : 0;
    const int dy = geometry_.RangeY() > ClientHeight() ? step(p.Y - panStart_.Y) : 0;
    if (dx != 0 || dy != 0) SetOffsetXY({OffsetX() - dx, OffsetY() - dy});
}
