// Events: the dispatchers, the coalesced change notifications and their timers.
#include "VirtualTrees.h"

#include "platform/Codec.h"
#include "platform/Streams.h"

// --- Node events -----------------------------------------------------------------------------

void TBaseVirtualTree::DoInitNode(PVirtualNode parent, PVirtualNode node,
                                  TVirtualNodeInitStates& initStates) {
    if (OnInitNode) OnInitNode(this, parent, node, initStates);
}

void TBaseVirtualTree::DoInitChildren(PVirtualNode node, uint32_t& childCount) {
    if (OnInitChildren) OnInitChildren(this, node, childCount);
}

void TBaseVirtualTree::ForgetNode(PVirtualNode node) {
    if (focusedNode_ == node) focusedNode_ = nullptr;
    if (rangeAnchor_ == node) rangeAnchor_ = nullptr;
    if (hotNode_ == node) hotNode_ = nullptr;
    if (dropTargetNode_ == node) dropTargetNode_ = nullptr;
    if (checkNode_ == node) checkNode_ = nullptr;
    if (lastSearchNode_ == node) lastSearchNode_ = nullptr;
    if (lastHintNode_ == node) lastHintNode_ = nullptr;
    ForgetDraggedNode(node);
    // A pending notification reports what is left: nil for a change, the parent for a
    // structure change (nil at top level).
    if (lastChangedNode_ == node) lastChangedNode_ = nullptr;
    if (lastStructureChangeNode_ == node)
        lastStructureChangeNode_ = node->Parent == Root() ? nullptr : node->Parent;
}

void TBaseVirtualTree::DoFreeNode(PVirtualNode node) {
    ForgetNode(node);
    struct FreeAtEnd {
        TBaseVirtualTree* tree;
        PVirtualNode node;
        ~FreeAtEnd() {
            // The handler may have started a validation; the worker must not see freed memory.
            tree->InterruptValidation();
            tree->FreeNodeMemory(node);
        }
    } freeAtEnd{this, node};
    if (OnFreeNode && HasState(node, vsInitialized | vsInitialUserData)) OnFreeNode(this, node);
}

void TBaseVirtualTree::DoReset(PVirtualNode node) {
    if (OnResetNode) OnResetNode(this, node);
}

int TBaseVirtualTree::GetNodeDataSize() {
    int size = 0;
    if (OnGetNodeDataSize) OnGetNodeDataSize(this, size);
    return size;
}

// --- Coalesced change notifications ----------------------------------------------------------

void TBaseVirtualTree::RecordChange(PVirtualNode node, TChangeReason reason, bool structural) {
    if (structural) {
        // Only a change delay starts the timers; a pending one restarts from now.
        if (states_.Contains(tsStructureChangePending)) {
            if (changeDelay_ > 0) KillTimer(StructureChangeTimer);
        } else
            states_.Include(tsStructureChangePending);
        lastStructureChangeNode_ = node;
        if (lastStructureChangeReason_ == crIgnore)
            lastStructureChangeReason_ = reason;
        else if (reason != crIgnore)
            lastStructureChangeReason_ = crAccumulated;
    } else {
        if (states_.Contains(tsChangePending)) {
            if (changeDelay_ > 0) KillTimer(ChangeTimer);
        } else
            states_.Include(tsChangePending);
        lastChangedNode_ = node;
    }
}

void TBaseVirtualTree::Change(PVirtualNode node) {
    RecordChange(node, crIgnore, false);
    if (updateCount_ != 0) return;
    if (changeDelay_ > 0 && !states_.Contains(tsSynchMode))
        SetTimer(ChangeTimer, changeDelay_);
    else
        DoChange(node);
}

void TBaseVirtualTree::StructureChange(PVirtualNode node, TChangeReason reason) {
    RecordChange(node, reason, true);
    if (updateCount_ != 0) return;
    if (changeDelay_ > 0 && !states_.Contains(tsSynchMode))
        SetTimer(StructureChangeTimer, changeDelay_);
    else
        DoStructureChange(node, reason);
}

void TBaseVirtualTree::DoChange(PVirtualNode node) {
    KillTimer(ChangeTimer);
    if (OnChange) OnChange(this, node);
    states_.Exclude(tsChangePending);
    lastChangedNode_ = nullptr;
}

void TBaseVirtualTree::DoStructureChange(PVirtualNode node, TChangeReason reason) {
    KillTimer(StructureChangeTimer);
    if (OnStructureChange) OnStructureChange(this, node, reason);
    states_.Exclude(tsStructureChangePending);
    lastStructureChangeNode_ = nullptr;
    lastStructureChangeReason_ = crIgnore;
}

void TBaseVirtualTree::TimerEvent(int id) {
    switch (id) {
        case ChangeTimer:
            if (states_.Contains(tsChangePending))
                DoChange(lastChangedNode_);
            else
                KillTimer(ChangeTimer);
            break;
        case StructureChangeTimer:
            if (states_.Contains(tsStructureChangePending))
                DoStructureChange(lastStructureChangeNode_, lastStructureChangeReason_);
            else
                KillTimer(StructureChangeTimer);
            break;
        case HeaderTimer:
            Header().HeaderTimer();
            break;
        case SearchTimer:
            SearchTimerFired();
            break;
        case ExpandTimer:
            ExpandTimerFired();
            break;
        case ScrollTimer:
            if (DragScrollTick()) break;
            AutoScrollStep();
            break;
        case EditTimer:
            DoEdit();
            break;
        case HintTimer:
            ShowPendingHint();
            break;
        case AnimationTimer:
            ToggleAnimationStep();
            break;
        case TVTHeader::ResizeTimerId:
            Header().Columns().AnimatedResizeStep();
            break;
        default:
            // The other timers belong to mouse, keyboard and editing handling; stop strays.
            KillTimer(id);
            break;
    }
}

void TBaseVirtualTree::DoUpdating(TVTUpdateState state) {
    if (OnUpdating) OnUpdating(this, state);
}

// --- Expansion, checks, focus ----------------------------------------------------------------

bool TBaseVirtualTree::DoExpanding(PVirtualNode node) {
    bool allowed = true;
    if (OnExpanding) OnExpanding(this, node, allowed);
    return allowed;
}

bool TBaseVirtualTree::DoCollapsing(PVirtualNode node) {
    bool allowed = true;
    if (OnCollapsing) OnCollapsing(this, node, allowed);
    return allowed;
}

void TBaseVirtualTree::DoExpanded(PVirtualNode node) {
    if (OnExpanded) OnExpanded(this, node);
}

void TBaseVirtualTree::DoCollapsed(PVirtualNode node) {
    if (OnCollapsed) OnCollapsed(this, node);
}

bool TBaseVirtualTree::DoChecking(PVirtualNode node, TCheckState& newState) {
    bool allowed = true;
    if (OnChecking) OnChecking(this, node, newState, allowed);
    return allowed;
}

void TBaseVirtualTree::DoChecked(PVirtualNode node) {
    if (OnChecked) OnChecked(this, node);
}

bool TBaseVirtualTree::DoFocusChanging(PVirtualNode oldNode, PVirtualNode newNode,
                                       TColumnIndex oldColumn, TColumnIndex newColumn) {
    bool allowed = true;
    if (OnFocusChanging) OnFocusChanging(this, oldNode, newNode, oldColumn, newColumn, allowed);
    return allowed;
}

void TBaseVirtualTree::DoFocusChange(PVirtualNode node, TColumnIndex column) {
    if (OnFocusChanged) OnFocusChanged(this, node, column);
}

void TBaseVirtualTree::DoHotChange(PVirtualNode oldNode, PVirtualNode newNode) {
    if (OnHotChange) OnHotChange(this, oldNode, newNode);
}

int TBaseVirtualTree::DoGetImageIndex(PVirtualNode node, TVTImageKind kind, TColumnIndex column,
                                      bool& ghosted, int imageIndex) {
    if (OnGetImageIndex) OnGetImageIndex(this, node, kind, column, ghosted, imageIndex);
    return imageIndex;
}

// --- Painting ----------------------------------------------------------------------------------

void TBaseVirtualTree::DoBeforePaint(TCanvas& canvas) {
    if (OnBeforePaint) OnBeforePaint(this, canvas);
}

void TBaseVirtualTree::DoAfterPaint(TCanvas& canvas) {
    if (OnAfterPaint) OnAfterPaint(this, canvas);
}

void TBaseVirtualTree::DoBeforeItemErase(TCanvas& canvas, PVirtualNode node, const TRect& itemRect,
                                         TColor& color, TItemEraseAction& eraseAction) {
    if (OnBeforeItemErase) OnBeforeItemErase(this, canvas, node, itemRect, color, eraseAction);
}

void TBaseVirtualTree::DoAfterItemErase(TCanvas& canvas, PVirtualNode node, const TRect& itemRect) {
    if (OnAfterItemErase) OnAfterItemErase(this, canvas, node, itemRect);
}

bool TBaseVirtualTree::DoBeforeItemPaint(TCanvas& canvas, PVirtualNode node,
                                         const TRect& itemRect) {
    bool customDraw = false;
    if (OnBeforeItemPaint) OnBeforeItemPaint(this, canvas, node, itemRect, customDraw);
    return customDraw;
}

void TBaseVirtualTree::DoAfterItemPaint(TCanvas& canvas, PVirtualNode node, const TRect& itemRect) {
    if (OnAfterItemPaint) OnAfterItemPaint(this, canvas, node, itemRect);
}

void TBaseVirtualTree::DoBeforeCellPaint(TCanvas& canvas, PVirtualNode node, TColumnIndex column,
                                         TRect cellRect) {
    if (OnBeforeCellPaint) OnBeforeCellPaint(this, canvas, node, column, cellRect);
}

void TBaseVirtualTree::DoAfterCellPaint(TCanvas& canvas, PVirtualNode node, TColumnIndex column,
                                        TRect cellRect) {
    if (OnAfterCellPaint) OnAfterCellPaint(this, canvas, node, column, cellRect);
}

bool TBaseVirtualTree::DoPaintBackground(TCanvas& canvas, const TRect& r) {
    bool handled = false;
    if (OnPaintBackground) OnPaintBackground(this, canvas, r, handled);
    return handled;
}

void TBaseVirtualTree::DoPaintNode(TCanvas&, PVirtualNode, TColumnIndex, const TRect&) {}

// --- Header and columns ----------------------------------------------------------------------

void TBaseVirtualTree::DoHeaderClick(TColumnIndex column, TMouseButton button, TShiftState shift,
                                     int x, int y) {
    if (OnHeaderClick) OnHeaderClick(&Header(), column, button, shift, x, y);
}

void TBaseVirtualTree::DoHeaderDblClick(TColumnIndex column, TMouseButton button, TShiftState shift,
                                        int x, int y) {
    if (OnHeaderDblClick) OnHeaderDblClick(&Header(), column, button, shift, x, y);
}

void TBaseVirtualTree::DoHeaderMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnHeaderMouseDown) OnHeaderMouseDown(&Header(), button, shift, x, y);
}

void TBaseVirtualTree::DoHeaderMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnHeaderMouseUp) OnHeaderMouseUp(&Header(), button, shift, x, y);
}

void TBaseVirtualTree::DoHeaderMouseMove(TShiftState shift, int x, int y) {
    if (OnHeaderMouseMove) OnHeaderMouseMove(&Header(), shift, x, y);
}

bool TBaseVirtualTree::DoHeaderDragging(TColumnIndex column) {
    bool allowed = true;
    if (OnHeaderDragging) OnHeaderDragging(&Header(), column, allowed);
    return allowed;
}

bool TBaseVirtualTree::DoHeaderDraw(TCanvas& canvas, TColumnIndex column, const TRect& r,
                                    bool hover, bool pressed, TVTDropMarkMode dropMark) {
    if (!OnHeaderDraw || !Header().IsValidColumn(column)) return false;
    OnHeaderDraw(&Header(), canvas, Header().Columns().Items(column), r, hover, pressed, dropMark);
    return true;
}

void TBaseVirtualTree::DoHeaderDragged(TColumnIndex column, int oldPosition) {
    if (OnHeaderDragged) OnHeaderDragged(&Header(), column, oldPosition);
}

void TBaseVirtualTree::DoColumnClick(TColumnIndex column, TShiftState shift) {
    if (OnColumnClick) OnColumnClick(this, column, shift);
}

void TBaseVirtualTree::DoColumnDblClick(TColumnIndex column, TShiftState shift) {
    if (OnColumnDblClick) OnColumnDblClick(this, column, shift);
}

void TBaseVirtualTree::DoColumnResize(TColumnIndex column) {
    if (loading_ || !HandleAllocated()) return;
    UpdateHorizontalScrollBar(false);
    int left = 0, right = 0;
    if (TreeOptions().AutoOptions().Contains(toAutoSpanColumns) ||
        !Header().GetColumnBounds(column, left, right))
        Invalidate();
    else
        InvalidateRect({left + geometry_.OffsetX(), 0, ClientWidth(), ClientHeight()});
    Header().Invalidate();
    if (Header().HasStates()) Update();
    if (OnColumnResize) OnColumnResize(&Header(), column);
    UpdateEditBounds();
}

void TBaseVirtualTree::DoGetHeaderCursor(TCursor& cursor) {
    if (OnGetHeaderCursor) OnGetHeaderCursor(&Header(), cursor);
}

void TBaseVirtualTree::DoGetLineStyle(TVTLinePattern& bits) {
    if (OnGetLineStyle) OnGetLineStyle(this, bits);
}

void TBaseVirtualTree::DoGetCursor(TCursor& cursor) {
    if (OnGetCursor) OnGetCursor(this, cursor);
}

// --- Menus, help, keys, search, sorting, scrolling --------------------------------------------

TPopupMenu* TBaseVirtualTree::DoGetPopupMenu(PVirtualNode node, TColumnIndex column,
                                             TPoint position) {
    TPopupMenu* menu = nullptr;
    if (!OnGetPopupMenu) return nullptr;
    bool askParent = true;
    if (!node) {
        OnGetPopupMenu(this, nullptr, NoColumn, position, askParent, menu);
        return menu;
    }
    // Each ancestor in turn may offer its menu; the hidden root is never asked.
    for (PVirtualNode run = node; run && run != Root(); run = run->Parent) {
        OnGetPopupMenu(this, run, column, position, askParent, menu);
        if (menu || !askParent) break;
    }
    return menu;
}

void TBaseVirtualTree::SetPopupMenu(TPopupMenu* menu) {
    popupMenu_ = menu;
    if (menu) menu->FreeNotification(this);
}

void TBaseVirtualTree::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation != opRemove || component == this) return;
    if (component == popupMenu_) popupMenu_ = nullptr;
    if (component == Header().PopupMenu()) Header().SetPopupMenu(nullptr);
}

void TBaseVirtualTree::DoPopupMenu(PVirtualNode node, TColumnIndex column, TPoint position) {
    TPopupMenu* menu = DoGetPopupMenu(node, column, position);
    if (!menu) return;
    KillTimer(EditTimer);
    menu->PopupComponent = this;
    TPoint screen = ClientToScreen(position);
    menu->Popup(screen.X, screen.Y);
}

void TBaseVirtualTree::DoGetHelpContext(PVirtualNode node, TColumnIndex column, int& helpContext) {
    if (OnGetHelpContext) OnGetHelpContext(this, node, column, helpContext);
}

bool TBaseVirtualTree::DoKeyAction(uint16_t& charCode, TShiftState& shift) {
    bool doDefault = true;
    if (OnKeyAction) OnKeyAction(this, charCode, shift, doDefault);
    return doDefault;
}

int TBaseVirtualTree::DoIncrementalSearch(PVirtualNode node, const std::u16string& text) {
    int result = 0;
    if (OnIncrementalSearch) OnIncrementalSearch(this, node, text, result);
    return result;
}

int TBaseVirtualTree::DoCompare(PVirtualNode node1, PVirtualNode node2, TColumnIndex column) {
    int result = 0;
    if (OnCompareNodes) OnCompareNodes(this, node1, node2, column, result);
    return result;
}

void TBaseVirtualTree::DoScroll(int deltaX, int deltaY) {
    // A hint would stand over content that moved away.
    CancelHint();
    if (OnScroll) OnScroll(this, deltaX, deltaY);
}

// --- Editing -----------------------------------------------------------------------------------

bool TBaseVirtualTree::DoCanEdit(PVirtualNode node, TColumnIndex column, bool allowed) {
    if (OnEditing) OnEditing(this, node, column, allowed);
    return allowed;
}

bool TBaseVirtualTree::CanEdit(PVirtualNode node, TColumnIndex column) {
    bool allowed = TreeOptions().MiscOptions().Contains(toEditable) && Enabled();
    return DoCanEdit(node, column, allowed);
}

PVTEditLink TBaseVirtualTree::DoCreateEditor(PVirtualNode node, TColumnIndex column) {
    PVTEditLink link;
    if (OnCreateEditor) {
        OnCreateEditor(this, node, column, link);
        if (!link) ShowError("Edit link must not be nil.", 2000);
    }
    return link;
}

bool TBaseVirtualTree::DoCancelEdit() {
    KillTimer(EditTimer);
    states_.Exclude(tsEditPending);
    bool cancelled = false;
    if (states_.Contains(tsEditing) && editLink_ && editLink_->CancelEdit()) {
        states_.Exclude(tsEditing);
        cancelled = true;
        if (OnEditCancelled) OnEditCancelled(this, editColumn_);
        if (!destroying_) {
            // The focus stays where it went when that ended the edit.
            if (!editFocusLeft_ && CanFocus()) SetFocus();
            PostMessage(WM_RELEASEEDITLINK);
        }
    }
    return cancelled;
}

bool TBaseVirtualTree::DoEndEdit() {
    bool ended = false;
    if (states_.Contains(tsEditing) && editLink_ && editLink_->EndEdit()) {
        states_.Exclude(tsEditing);
        ended = true;
        if (!editFocusLeft_ && CanFocus()) SetFocus();
        PostMessage(WM_RELEASEEDITLINK);
        if (OnEdited) OnEdited(this, focusedNode_, editColumn_);
    }
    states_.Exclude(tsEditPending);
    return ended;
}

bool TBaseVirtualTree::CancelEditNode() {
    if (states_.Contains(tsEditing) || states_.Contains(tsEditPending)) return DoCancelEdit();
    return false;
}

bool TBaseVirtualTree::EndEditNode() {
    if (states_.Contains(tsEditing)) return DoEndEdit();
    return false;
}

// --- Dragging, copying, streams, texts -------------------------------------------------------

bool TBaseVirtualTree::DoBeforeDrag(PVirtualNode node, TColumnIndex column) {
    bool allowed = false;
    if (OnDragAllowed) OnDragAllowed(this, node, column, allowed);
    return allowed;
}

bool TBaseVirtualTree::DoNodeCopying(PVirtualNode node, PVirtualNode newParent) {
    bool allowed = true;
    if (OnNodeCopying) OnNodeCopying(this, node, newParent, allowed);
    return allowed;
}

bool TBaseVirtualTree::DoNodeMoving(PVirtualNode node, PVirtualNode newParent) {
    bool allowed = true;
    if (OnNodeMoving) OnNodeMoving(this, node, newParent, allowed);
    return allowed;
}

void TBaseVirtualTree::DoNodeCopied(PVirtualNode node) {
    if (OnNodeCopied) OnNodeCopied(this, node);
}

void TBaseVirtualTree::DoNodeMoved(PVirtualNode node) {
    if (OnNodeMoved) OnNodeMoved(this, node);
}

void TBaseVirtualTree::DoLoadUserData(PVirtualNode node, TStream& stream) {
    if (OnLoadNode) OnLoadNode(this, node == Root() ? nullptr : node, stream);
}

void TBaseVirtualTree::DoSaveUserData(PVirtualNode node, TStream& stream) {
    if (OnSaveNode) OnSaveNode(this, node == Root() ? nullptr : node, stream);
}

int TBaseVirtualTree::DoGetNodeWidth(PVirtualNode, TColumnIndex) {
    return 0;
}
bool TBaseVirtualTree::ColumnIsEmpty(PVirtualNode, TColumnIndex) {
    return false;
}
// Node hints are UTF-8, as the hint window draws them.
std::string TBaseVirtualTree::DoGetNodeHint(PVirtualNode, TColumnIndex) {
    return AnsiToUtf8(hint_);
}
std::string TBaseVirtualTree::DoGetNodeTooltip(PVirtualNode, TColumnIndex) {
    return AnsiToUtf8(hint_);
}
