// Drag and drop: starting a drag from the mouse, the form library's in-process drag, the drop
// target's enter, over, leave and drop with the drop modes, the expand timer, edge scrolling
// with its hold-off, and deleting moved nodes after a desktop drag.
#include "VirtualTreesDragDrop.h"

#include "platform/EventLoop.h"
#include "platform/ThemeServices.h"

#include <algorithm>
#include <cstdlib>

TVTDragParts* TBaseVirtualTree::NewDragParts(TBaseVirtualTree* tree) {
    auto* parts = new TVTDragParts(tree);
    RegisterFormDragTarget(*tree, *parts);
    return parts;
}

void TBaseVirtualTree::FreeDragParts(TVTDragParts* parts) {
    if (!parts) return;
    UnregisterFormDragTarget(*parts->tree);
    if (parts->registered) SetDesktopDropTarget(*parts->tree, nullptr);
    delete parts;
}

// --- Starting a drag -------------------------------------------------------------------------

bool TBaseVirtualTree::Dragging() const {
    return states_.Contains(tsOLEDragging) || FormDragSource() == this;
}

void TBaseVirtualTree::BeginDrag(bool immediate, int threshold) {
    if (states_.Contains(tsOLEDragging) || states_.Contains(tsOLEDragPending) ||
        states_.Contains(tsFormsDragging) || states_.Contains(tsFormsDragPending) ||
        FormDragActive() || IsEditing())
        return;
    dragThreshold_ = threshold < 0 ? StartDragDistance() : threshold;
    if (dragType_ == dtOLE) {
        if (immediate)
            DoDragging(lastClick_);
        else
            SetTreeState(tsOLEDragPending);
    } else {
        if (immediate)
            StartFormsDrag();
        else
            SetTreeState(tsFormsDragPending);
    }
}

bool TBaseVirtualTree::DragPendingMove(int x, int y) {
    const bool ole = states_.Contains(tsOLEDragPending);
    if (!ole && !states_.Contains(tsFormsDragPending)) return false;
    if (std::abs(x - lastClick_.X) <= dragThreshold_ &&
        std::abs(y - lastClick_.Y) <= dragThreshold_)
        return false;
    // The selection goes with the drag: a pending reduction to the pressed node is dropped.
    states_.Exclude(tsClearPending);
    states_.Exclude(tsEditPending);
    if (ole) {
        states_.Exclude(tsOLEDragPending);
        DoDragging(lastClick_);
    } else {
        StartFormsDrag();
    }
    return true;
}

void TBaseVirtualTree::DoStartDrag() {
    if (OnStartDrag) OnStartDrag(this);
}

void TBaseVirtualTree::DoEndDrag() {
    if (OnEndDrag) OnEndDrag(this);
}

void TBaseVirtualTree::StartFormsDrag() {
    states_.Exclude(tsFormsDragPending);
    DoStartDrag();
    SetTreeState(tsFormsDragging);
    if (!BeginFormDrag(*this, this,
                       [this](const TFormDragResult& result) { EndFormsDrag(result.Dropped); }))
        states_.Exclude(tsFormsDragging);
}

void TBaseVirtualTree::EndFormsDrag(bool) {
    states_.Exclude(tsFormsDragging);
    DoEndDrag();
    // The release went to the drag: the tree sees it now, where the mouse is.
    if (states_.Contains(tsLeftButtonDown)) {
        const TPoint p = MousePosition();
        MouseUp(mbLeft, KeyboardState() & (ssShift | ssCtrl | ssAlt), p.X, p.Y);
    }
}

void TBaseVirtualTree::DoDragging(TPoint p) {
    TVTDragParts& parts = *dragParts_;
    if (IsEditing()) EndEditNode();
    if (hotNode_) {
        PVirtualNode old = hotNode_;
        hotNode_ = nullptr;
        DoHotChange(old, nullptr);
        InvalidateNode(old);
    }
    if (focusedNode_ && !Selected(focusedNode_)) AddToSelection(focusedNode_);
    Update();
    DoStartDrag();
    parts.dragged.clear();
    for (PVirtualNode node : GetSortedSelection(false)) parts.dragged.insert(node);
    SetTreeState(tsOLEDragging);
    TPoint hotSpot = p;
    parts.image.reset();
    if (std::unique_ptr<TBitmap> picture = PrepareDragImage(hotSpot)) {
        parts.image = std::make_unique<TVTDragImage>();
        const TPoint at = ClientToScreen({p.X - hotSpot.X, p.Y - hotSpot.Y});
        parts.image->PrepareDrag(*picture, at, hotSpot, Color(), true);
    }
    lastDropMode_ = dmOnNode;
    int allowed = 0;
    if (dragOperations_.Contains(doCopy)) allowed |= DROPEFFECT_COPY;
    if (dragOperations_.Contains(doMove)) allowed |= DROPEFFECT_MOVE;
    if (dragOperations_.Contains(doLink)) allowed |= DROPEFFECT_LINK;
    if (allowed == 0) allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    int result = DROPEFFECT_NONE;
    try {
        TDragPicture picture;
        if (parts.image) {
            picture.Width = parts.image->Width();
            picture.Height = parts.image->Height();
            picture.Pixels = parts.image->Pixels().data();
            picture.HotSpot = parts.image->HotSpot();
        }
        result = RunDesktopDrag(*this, DragManager().DataObject(), allowed,
                                parts.image ? &picture : nullptr);
    } catch (...) {
        parts.dragged.clear();
        parts.image.reset();
        states_.Exclude(tsOLEDragging);
        throw;
    }
    if (parts.image) parts.image->EndDrag();
    // A move deletes what is still here: nodes a drop handler moved or freed in the meantime
    // left the set and are not touched again.
    if ((result & ~DROPEFFECT_SCROLL) == DROPEFFECT_MOVE &&
        TreeOptions().AutoOptions().Contains(toAutoDeleteMovedNodes) && !parts.dragged.empty()) {
        BeginUpdate();
        try {
            while (!parts.dragged.empty()) {
                PVirtualNode node = *parts.dragged.begin();
                parts.dragged.erase(parts.dragged.begin());
                if (TreeFromNode(node) == this) DeleteNode(node);
            }
        } catch (...) {
            parts.dragged.clear();
            EndUpdate();
            states_.Exclude(tsOLEDragging);
            throw;
        }
        EndUpdate();
    }
    parts.dragged.clear();
    parts.image.reset();
    states_.Exclude(tsOLEDragging);
    // The desktop's drag took the release: the press is over.
    states_.Exclude(tsLeftButtonDown);
    states_.Exclude(tsClearPending);
    DoEndDrag();
}

void TBaseVirtualTree::ForgetDraggedNode(PVirtualNode node) {
    TVTDragParts* parts = dragParts_.get();
    if (parts && !parts->dragged.empty()) parts->dragged.erase(node);
}

// --- The drag image --------------------------------------------------------------------------

TVTDragImage* TBaseVirtualTree::DragImage() const {
    return dragParts_ ? dragParts_->image.get() : nullptr;
}

std::unique_ptr<TBitmap> TBaseVirtualTree::PrepareDragImage(TPoint& hotSpot) {
    if (!CanShowDragImage()) return nullptr;
    // DragWidth x DragHeight around the hot spot, cut where it reaches before the content.
    const TPoint c{hotSpot.X - OffsetX(), hotSpot.Y - OffsetY()};
    TRect window{c.X - dragWidth_ / 2, c.Y - dragHeight_ / 2, 0, 0};
    window.Right = window.Left + dragWidth_;
    window.Bottom = window.Top + dragHeight_;
    window.Left = std::max(0, window.Left);
    window.Top = std::max(0, window.Top);
    if (window.IsEmpty()) return nullptr;
    auto picture = std::make_unique<TBitmap>(window.Width(), window.Height());
    TCanvas& canvas = picture->Canvas();
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(Color());
    canvas.FillRect({0, 0, window.Width(), window.Height()});
    TVTInternalPaintOptions options{poDrawSelection, poSelectedOnly};
    if (dragImageKind_ == diMainColumnOnly) options.Include(poMainColumnOnly);
    PaintTree(canvas, window, {0, 0}, options);
    hotSpot = {c.X - window.Left, c.Y - window.Top};
    return picture;
}

// --- The form library's drag -----------------------------------------------------------------

void TVTDragParts::FormDragOver(TObject* dragSource, TPoint pos, TDragState state, bool& accept) {
    TBaseVirtualTree& t = *tree;
    if (state == dsDragEnter) {
        t.SetTreeState(tsFormsDragging);
        t.scrollHolding_ = false;
    }
    if (state == dsDragLeave) t.states_.Exclude(tsFormsDragging);
    int effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    accept = t.DragOver(dragSource, TCustomControl::KeyboardState() & (ssShift | ssCtrl), state,
                        pos, effect);
    if (state == dsDragLeave) {
        t.KillTimer(TBaseVirtualTree::ExpandTimer);
        t.ResetDropTarget();
    }
}

void TVTDragParts::FormDragDrop(TObject* dragSource, TPoint pos) {
    TBaseVirtualTree& t = *tree;
    t.KillTimer(TBaseVirtualTree::ExpandTimer);
    over = false;
    if (scrollTimer) {
        scrollTimer = false;
        t.KillTimer(TBaseVirtualTree::ScrollTimer);
    }
    t.states_.Exclude(tsFormsDragging);
    int effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    const TShiftState shift = TCustomControl::KeyboardState() & (ssShift | ssCtrl);
    try {
        t.DoDragDrop(dragSource, nullptr, {}, shift, pos, effect, t.lastDropMode_);
    } catch (...) {
        t.ResetDropTarget();
        throw;
    }
    t.ResetDropTarget();
}

// --- The desktop's drags over the tree ------------------------------------------------------

void TBaseVirtualTree::UpdateDropRegistration() {
    TVTDragParts& parts = *dragParts_;
    const bool accept = TreeOptions().MiscOptions().Contains(toAcceptOLEDrop);
    if (accept == parts.registered) return;
    parts.registered = accept;
    SetDesktopDropTarget(*this, accept ? &parts : nullptr);
}

int TVTDragParts::DesktopDragEnter(const PDataObject& data, TShiftState keys, TPoint pos,
                                   int allowedEffects) {
    return tree->DragManager().DesktopDragEnter(data, keys, pos, allowedEffects);
}

int TVTDragParts::DesktopDragOver(TShiftState keys, TPoint pos, int allowedEffects) {
    return tree->DragManager().DesktopDragOver(keys, pos, allowedEffects);
}

void TVTDragParts::DesktopDragLeave() {
    tree->DragManager().DesktopDragLeave();
}

int TVTDragParts::DesktopDrop(const PDataObject& data, TShiftState keys, TPoint pos,
                              int allowedEffects) {
    return tree->DragManager().DesktopDrop(data, keys, pos, allowedEffects);
}

PVTDragManager TBaseVirtualTree::DoCreateDragManager() {
    PVTDragManager manager;
    if (OnCreateDragManager) OnCreateDragManager(this, manager);
    return manager;
}

IVTDragManager& TBaseVirtualTree::DragManager() {
    TVTDragParts& parts = *dragParts_;
    if (!parts.manager) {
        parts.manager = DoCreateDragManager();
        if (!parts.manager) parts.manager = std::make_shared<TVTDragManager>(*this);
    }
    return *parts.manager;
}

PDataObject TVTDragManager::DataObject() {
    return data_ ? data_ : tree_.CreateDataObject(false);
}

TBaseVirtualTree* TVTDragManager::DragSource() const {
    return data_ ? TBaseVirtualTree::SourceTreeOf(*data_) : nullptr;
}

int TVTDragManager::DesktopDragEnter(const PDataObject& dragData, TShiftState keys, TPoint pos,
                                     int allowedEffects) {
    data_ = dragData;
    isDropTarget_ = true;
    int effect = allowedEffects;
    tree_.DragEnter(DragSource(), keys, pos, effect);
    return effect;
}

int TVTDragManager::DesktopDragOver(TShiftState keys, TPoint pos, int allowedEffects) {
    int effect = allowedEffects;
    tree_.DragOver(DragSource(), keys, dsDragMove, pos, effect);
    return effect;
}

void TVTDragManager::DesktopDragLeave() {
    tree_.DragLeave();
    data_.reset();
    isDropTarget_ = false;
}

int TVTDragManager::DesktopDrop(const PDataObject& dragData, TShiftState keys, TPoint pos,
                                int allowedEffects) {
    PDataObject held = dragData ? dragData : data_;
    data_.reset();
    isDropTarget_ = false;
    int effect = allowedEffects;
    tree_.DragDrop(held ? TBaseVirtualTree::SourceTreeOf(*held) : nullptr, held.get(), keys, pos,
                   effect);
    return effect;
}

// --- The drop target -------------------------------------------------------------------------

TDropMode TBaseVirtualTree::DropModeAt(const THitInfo& hit, TPoint pt, bool entering) {
    if (!hit.HitNode) return dmNowhere;
    // Entering goes by the row halves whatever toShowDropmark says.
    if (!(hit.HitPositions & hiOnItemLabel) &&
        (entering || TreeOptions().PaintOptions().Contains(toShowDropmark))) {
        const TRect r = GetDisplayRect(hit.HitNode, NoColumn, false);
        return pt.Y < (r.Top + r.Bottom) / 2 ? dmAbove : dmBelow;
    }
    return dmOnNode;
}

void TBaseVirtualTree::ResetDropTarget() {
    if (dropTargetNode_) InvalidateNode(dropTargetNode_);
    dropTargetNode_ = nullptr;
}

bool TBaseVirtualTree::DragEnter(TObject* source, TShiftState shift, TPoint pt, int& effect) {
    scrollHolding_ = false;
    const bool accepted = DragOver(source, shift, dsDragEnter, pt, effect);
    if (TVTDragImage* image = DragImage()) image->Show();
    return accepted;
}

bool TBaseVirtualTree::DragOver(TObject* source, TShiftState shift, TDragState state, TPoint pt,
                                int& effect) {
    TVTDragParts& parts = *dragParts_;
    const int allowed = effect & ~DROPEFFECT_SCROLL;
    parts.over = state != dsDragLeave;
    parts.source = source;
    parts.shift = shift;
    parts.point = pt;
    parts.allowed = allowed;

    // 1. Edge scrolling: one step now; a timer goes on while the cursor stays in the zone.
    bool scrolled = false;
    if (state != dsDragLeave) {
        const TVTScrollDirections directions = DetermineScrollDirections(pt.X, pt.Y);
        if (!directions.Empty()) scrolled = EdgeScrollStep(directions);
        if (scrollHolding_) {
            const int64_t left = int64_t(autoScrollDelay_) - (TickCount() - scrollHoldStart_);
            SetTimer(ScrollTimer,
                     unsigned(left > 0 ? left : std::max<int64_t>(1, autoScrollInterval_)));
            parts.scrollTimer = true;
        } else if (parts.scrollTimer) {
            parts.scrollTimer = false;
            KillTimer(ScrollTimer);
        }
    }

    // 2. The node and the drop mode at the point.
    THitInfo hit;
    GetHitTestInfoAt(pt.X, pt.Y, true, hit);
    const TDropMode mode = DropModeAt(hit, pt, state == dsDragEnter);

    // 3. A new target or mode: both rows repaint; a new target restarts the expand timer.
    if (hit.HitNode != dropTargetNode_ || mode != lastDropMode_) {
        if (dropTargetNode_) InvalidateNode(dropTargetNode_);
        if (hit.HitNode != dropTargetNode_) {
            KillTimer(ExpandTimer);
            dropTargetNode_ = hit.HitNode;
            if (focusedColumn_ == NoColumn) focusedColumn_ = Header().MainColumn();
            if (dropTargetNode_ && TreeOptions().AutoOptions().Contains(toAutoDropExpand) &&
                HasState(dropTargetNode_, vsHasChildren))
                SetTimer(ExpandTimer, std::max(1u, autoExpandDelay_));
        }
        lastDropMode_ = mode;
        if (dropTargetNode_) InvalidateNode(dropTargetNode_);
    }

    // 5. The handler decides.
    effect = DetermineDropEffect(dynamic_cast<TBaseVirtualTree*>(source), shift, allowed);
    const bool accepted = DoDragOver(source, shift, state, pt, mode, effect);
    if (!accepted) effect = DROPEFFECT_NONE;
    if (scrolled) effect |= DROPEFFECT_SCROLL;
    return accepted;
}

void TBaseVirtualTree::DragLeave() {
    TVTDragParts& parts = *dragParts_;
    KillTimer(ExpandTimer);
    if (parts.scrollTimer) {
        parts.scrollTimer = false;
        KillTimer(ScrollTimer);
    }
    parts.over = false;
    scrollHolding_ = false;
    if (TVTDragImage* image = DragImage()) image->Hide();
    ResetDropTarget();
    Update();
    int effect = DROPEFFECT_NONE;
    DoDragOver(parts.source, 0, dsDragLeave, parts.point, lastDropMode_, effect);
}

bool TBaseVirtualTree::DragDrop(TObject* source, TDataObject* dataObject, TShiftState shift,
                                TPoint pt, int& effect) {
    TVTDragParts& parts = *dragParts_;
    KillTimer(ExpandTimer);
    if (parts.scrollTimer) {
        parts.scrollTimer = false;
        KillTimer(ScrollTimer);
    }
    states_.Exclude(tsOLEDragPending);
    states_.Exclude(tsFormsDragPending);
    bool accepted = DragOver(source, shift, dsDragMove, pt, effect);
    parts.over = false;
    scrollHolding_ = false;
    effect &= ~DROPEFFECT_SCROLL;
    if (accepted && effect != DROPEFFECT_NONE) {
        try {
            DoDragDrop(source, dataObject, DragDataFormats(dataObject), shift, pt, effect,
                       lastDropMode_);
        } catch (...) {
            ResetDropTarget();
            throw;
        }
    } else {
        accepted = false;
        effect = DROPEFFECT_NONE;
    }
    ResetDropTarget();
    return accepted;
}

bool TBaseVirtualTree::DoDragOver(TObject* source, TShiftState shift, TDragState state, TPoint pt,
                                  TDropMode mode, int& effect) {
    bool accept = false;
    if (OnDragOver) OnDragOver(this, source, shift, state, pt, mode, effect, accept);
    return accept;
}

void TBaseVirtualTree::DoDragDrop(TObject* source, TDataObject* dataObject,
                                  const std::vector<TClipFormat>& formats, TShiftState shift,
                                  TPoint pt, int& effect, TDropMode mode) {
    if (OnDragDrop) OnDragDrop(this, source, dataObject, formats, shift, pt, effect, mode);
}

// --- Expand timer and edge scrolling ---------------------------------------------------------

void TBaseVirtualTree::ExpandTimerFired() {
    KillTimer(ExpandTimer);
    PVirtualNode node = dropTargetNode_;
    if (node && HasState(node, vsHasChildren) && !Expanded(node)) {
        TVTDragImage* image = DragImage();
        const bool shown = image && image->Visible();
        if (shown) image->Hide();
        ToggleNode(node);
        if (shown) image->Show();
    }
    Update();
}

TVTScrollDirections TBaseVirtualTree::EdgeScrollDirections(int x, int y) {
    TVTScrollDirections directions;
    if (!TreeOptions().AutoOptions().Contains(toAutoScroll) ||
        Header().States().Contains(hsTracking))
        return directions;
    const int margin = int(DefaultNodeHeight());
    if (x < margin && OffsetX() < 0) directions.Include(dirLeft);
    if (RangeX() + OffsetX() > ClientWidth() && x > ClientWidth() - margin)
        directions.Include(dirRight);
    if (y < margin && OffsetY() < 0) directions.Include(dirUp);
    if (RangeY() + OffsetY() > ClientHeight() && y > ClientHeight() - margin)
        directions.Include(dirDown);
    return directions;
}

TVTScrollDirections TBaseVirtualTree::DetermineScrollDirections(int x, int y) {
    const TVTScrollDirections directions = EdgeScrollDirections(x, y);
    // The hold-off starts when the cursor reaches an edge and restarts once it left them all.
    if (directions.Empty()) {
        scrollHolding_ = false;
        return {};
    }
    const int64_t now = TickCount();
    if (!scrollHolding_) {
        scrollHolding_ = true;
        scrollHoldStart_ = now;
    }
    if (now - scrollHoldStart_ < int64_t(autoScrollDelay_)) return {};
    return directions;
}

bool TBaseVirtualTree::EdgeScrollStep(TVTScrollDirections directions) {
    const int h = int(scrollBarOptions_->HorizontalIncrement());
    const int v = int(scrollBarOptions_->VerticalIncrement());
    int dx = 0, dy = 0;
    if (directions.Contains(dirLeft)) dx += h;
    if (directions.Contains(dirRight)) dx -= h;
    if (directions.Contains(dirUp)) dy += v;
    if (directions.Contains(dirDown)) dy -= v;
    const TPoint before = OffsetXY();
    SetOffsetXY({before.X + dx, before.Y + dy});
    const TPoint after = OffsetXY();
    return after.X != before.X || after.Y != before.Y;
}

bool TBaseVirtualTree::DragScrollTick() {
    TVTDragParts& parts = *dragParts_;
    if (!parts.scrollTimer) return false;
    if (!parts.over) {
        parts.scrollTimer = false;
        KillTimer(ScrollTimer);
        return true;
    }
    int effect = parts.allowed;
    DragOver(parts.source, parts.shift, dsDragMove, parts.point, effect);
    return true;
}

std::vector<TClipFormat> DragDataFormats(const TDataObject* data) {
    return data ? data->Formats() : std::vector<TClipFormat>{};
}
