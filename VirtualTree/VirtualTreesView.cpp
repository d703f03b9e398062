// Visible geometry: node positions, expansion, scroll offsets and the scroll bars.
#include "VirtualTrees.h"

#include "VirtualTreesWorker.h"

#include <algorithm>

// --- Positions ---------------------------------------------------------------------------------

PVirtualNode TBaseVirtualTree::GetNodeAt(int x, int y) {
    int top = 0;
    return GetNodeAt(x, y, true, top);
}

PVirtualNode TBaseVirtualTree::GetNodeAt(int, int y, bool relative, int& nodeTop) {
    if (relative) {
        if (y < 0) y = 0;
        y -= geometry_.OffsetY();
    }
    int top = 0;
    PVirtualNode result = geometry_.NodeAt(y, top);
    if (result) nodeTop = relative ? top + geometry_.OffsetY() : top;
    return result;
}

TVTCellLayout TBaseVirtualTree::LayoutCell(PVirtualNode node, TColumnIndex column,
                                           const TRect& cell, bool unclipped) {
    TVTHeader& header = Header();
    const bool useColumns = header.UseColumns();
    if (!useColumns) column = NoColumn;
    const bool isMain = !useColumns || column == header.MainColumn();
    const TCustomVirtualTreeOptions& options = TreeOptions();
    TVTCellLayoutInput in;
    in.Cell = cell;
    in.Margin = margin_;
    if (isMain) {
        const uint32_t levels =
            GetNodeLevel(node) + (options.PaintOptions().Contains(toShowRoot) ? 1 : 0);
        in.Indent = int(levels * indent_);
        if (options.MiscOptions().Contains(toCheckSupport) && node->CheckType != ctNone)
            in.CheckWidth = CheckImageSize();
    }
    bool ghosted = false;
    if (TCustomImageList* state = StateImages())
        if (GetImageIndex(node, ikState, column, ghosted) > -1) in.StateImageWidth = state->Width();
    if (TCustomImageList* images = Images())
        if (GetImageIndex(node, ikNormal, column, ghosted) > -1) in.ImageWidth = images->Width();
    in.TextWidth = DoGetNodeWidth(node, column);
    in.Alignment = column > NoColumn ? header.ColumnAlignment(column) : alignment_;
    in.RightToLeft =
        column > NoColumn ? header.ColumnIsRightToLeft(column) : BiDiMode() != bdLeftToRight;
    in.Unclipped = unclipped;
    return ComputeCellLayout(in);
}

int TBaseVirtualTree::GetImageIndex(PVirtualNode node, TVTImageKind kind, TColumnIndex column,
                                    bool& ghosted) {
    ghosted = false;
    return DoGetImageIndex(node, kind, column, ghosted, -1);
}

int TBaseVirtualTree::CheckImageSize() const {
    return checkImages_ ? checkImages_->Width() : 16;
}

TRect TBaseVirtualTree::GetDisplayRect(PVirtualNode node, TColumnIndex column, bool textOnly,
                                       bool unclipped) {
    VT_ASSERT(node, "Node must not be nil.");
    VT_ASSERT(node != Root(), "Node must not be the hidden root node.");
    if (!HasState(node, vsInitialized)) InitNode(node);
    TVTHeader& header = Header();
    if (!header.UseColumns()) column = NoColumn;
    // A hidden node or one under a collapsed ancestor has no rectangle.
    for (PVirtualNode run = node; run != Root(); run = run->Parent)
        if (!HasState(run, vsVisible) || !HasState(run->Parent, vsExpanded)) return {};
    int top = geometry_.NodeTop(node);
    TRect r{0, top, std::max(ClientWidth(), geometry_.RangeX()), top + node->NodeHeight};
    // Column bounds are content coordinates, like the row's: both scroll with the view.
    int left = 0, right = 0;
    if (column > NoColumn && header.GetColumnBounds(column, left, right)) {
        r.Left = left;
        r.Right = right - 1;
    }
    r.Offset(geometry_.OffsetX(), geometry_.OffsetY());
    if (!textOnly) return r;
    return LayoutCell(node, column, r, unclipped).Text;
}

namespace {
constexpr int kUnbounded = 1 << 28;  // a cell wider than any content
}

int TBaseVirtualTree::GetMaxRightExtend() {
    int top = 0;
    PVirtualNode run = GetNodeAt(0, 0, true, top);
    // The text's right end holds the left margin already; an empty view has both margins.
    if (!run) return 2 * margin_;
    int result = 0;
    while (run) {
        if (!HasState(run, vsInitialized)) InitNode(run);
        result = std::max(
            result,
            LayoutCell(run, NoColumn, {0, 0, kUnbounded, run->NodeHeight}, true).Text.Right);
        top += run->NodeHeight;
        if (top >= ClientHeight()) break;
        run = GetNextVisible(run);
    }
    return result + margin_;
}

int TBaseVirtualTree::GetMaxColumnWidth(TColumnIndex column) {
    const bool rtl = column > NoColumn && Header().UseColumns()
                         ? Header().ColumnIsRightToLeft(column)
                         : BiDiMode() != bdLeftToRight;
    int result = 0;
    for (PVirtualNode run = GetFirstVisible(); run; run = GetNextVisible(run)) {
        const TRect text = LayoutCell(run, column, {0, 0, kUnbounded, run->NodeHeight}, true).Text;
        result = std::max(result, (rtl ? kUnbounded - text.Left : text.Right) + margin_);
    }
    return result;
}

// --- Expansion ---------------------------------------------------------------------------------

void TBaseVirtualTree::SetExpanded(PVirtualNode node, bool value) {
    if (!node || node == Root()) return;
    if (HasState(node, vsExpanded) != value) ToggleNode(node);
}

void TBaseVirtualTree::ToggleNode(PVirtualNode node) {
    VT_ASSERT(node, "Node must not be nil.");
    if (node == Root() || HasState(node, vsDeleting)) return;
    PVirtualNode lastTop = updateCount_ == 0 ? TopNode() : nullptr;
    const int lastOffsetY = OffsetY();
    bool changed = false;
    std::unique_ptr<TToggleAnimation> animation;
    if (HasState(node, vsExpanded)) {
        if (DoCollapsing(node)) {
            animation = PrepareToggleAnimation(node);
            BeginMutation();
            store_.SetExpandedState(node, false);
            changed = true;
            DoCollapsed(node);
        }
    } else if (DoExpanding(node)) {
        if (!HasState(node, vsInitialized)) InitNode(node);
        // Initialisation may have expanded the node already (ivsExpanded).
        if (!HasState(node, vsExpanded)) {
            if (HasState(node, vsHasChildren) && node->ChildCount == 0) InitChildren(node);
            if (node->ChildCount != 0) animation = PrepareToggleAnimation(node);
            BeginMutation();
            store_.SetExpandedState(node, true);
            DoExpanded(node);
        }
        changed = true;
    }
    if (!changed) return;
    InvalidateCache();
    if (updateCount_ != 0) return;
    if (node->ChildCount == 0) {
        InvalidateNode(node);
        return;
    }
    ValidateCache();
    UpdateScrollBars(true);
    if (HasState(node, vsExpanded) && TreeOptions().AutoOptions().Contains(toAutoScrollOnExpand) &&
        FullyVisible(node)) {
        if (int(node->TotalHeight) > ClientHeight())
            SetTopNode(node);
        else if (node->LastChild)
            ScrollIntoView(node->LastChild, false, false);
    }
    // The area below the node opens or shuts in the view as it was.
    StartToggleAnimation(std::move(animation), node, lastOffsetY);
    if (TopNode() == lastTop && OffsetY() == lastOffsetY)
        InvalidateToBottom(node);
    else
        Invalidate();
}

void TBaseVirtualTree::FullExpand(PVirtualNode node) {
    if (Root()->ChildCount == 0) return;
    if (node == Root()) node = nullptr;
    PVirtualNode stop = nullptr;
    PVirtualNode run = node;
    if (node) {
        // The walk ends at the node that follows the subtree.
        for (PVirtualNode up = node; up && up != Root(); up = up->Parent)
            if (up->NextSibling) {
                stop = up->NextSibling;
                break;
            }
    } else {
        run = GetFirst();
    }
    SetTreeState(tsExpanding);
    BeginUpdate();
    try {
        for (; run && run != stop; run = GetNext(run))
            if (!HasState(run, vsExpanded)) ToggleNode(run);
    } catch (...) {
        EndUpdate();
        SetTreeState(tsExpanding, false);
        throw;
    }
    EndUpdate();
    SetTreeState(tsExpanding, false);
}

void TBaseVirtualTree::FullCollapse(PVirtualNode node) {
    if (Root()->ChildCount == 0) return;
    SetTreeState(tsCollapsing);
    BeginUpdate();
    try {
        PVirtualNode stop = node && node != Root() ? node : nullptr;
        for (PVirtualNode run = GetLastNoInit(stop); run && run != stop;
             run = GetPreviousNoInit(run))
            if (HasState(run, vsExpanded) && HasState(run, vsHasChildren)) ToggleNode(run);
        if (stop && HasState(stop, vsExpanded) && HasState(stop, vsHasChildren)) ToggleNode(stop);
    } catch (...) {
        EndUpdate();
        SetTreeState(tsCollapsing, false);
        throw;
    }
    EndUpdate();
    SetTreeState(tsCollapsing, false);
}

void TBaseVirtualTree::ExpandAncestors(PVirtualNode node) {
    std::vector<PVirtualNode> collapsed;
    for (PVirtualNode run = node->Parent; run && run != Root(); run = run->Parent)
        if (!HasState(run, vsExpanded)) collapsed.push_back(run);
    for (auto it = collapsed.rbegin(); it != collapsed.rend(); ++it) ToggleNode(*it);
}

// --- Offsets and scroll bars ---------------------------------------------------------------

void TBaseVirtualTree::SetOffsetX(int value) {
    DoSetOffsetXY({value, geometry_.OffsetY()}, DefaultScrollUpdateFlags);
}

void TBaseVirtualTree::SetOffsetY(int value) {
    DoSetOffsetXY({geometry_.OffsetX(), value}, DefaultScrollUpdateFlags);
}

void TBaseVirtualTree::SetOffsetXY(TPoint value) {
    DoSetOffsetXY(value, DefaultScrollUpdateFlags);
}

bool TBaseVirtualTree::DoSetOffsetXY(TPoint value, TScrollUpdateOptions options,
                                     const TRect* clipRect) {
    int x = value.X, y = value.Y;
    if (x < ClientWidth() - geometry_.RangeX()) x = ClientWidth() - geometry_.RangeX();
    if (x > 0) x = 0;
    if (y < ClientHeight() - RangeY()) y = ClientHeight() - RangeY();
    if (y > 0) y = 0;
    const int dx = x - geometry_.OffsetX(), dy = y - geometry_.OffsetY();
    if (dx == 0 && dy == 0) return false;
    StopToggleAnimation();
    geometry_.SetOffsets(x, y);
    if (updateCount_ == 0 && HandleAllocated()) {
        if (options.Contains(suoScrollClientArea)) {
            if (!TreeOptions().PaintOptions().Contains(toShowBackground))
                ScrollClientArea(dx, dy, clipRect);
            else
                Invalidate();
        }
        if (options.Contains(suoUpdateNCArea)) {
            const bool redraw = options.Contains(suoRepaintScrollbars);
            if (dx != 0) {
                if (options.Contains(suoRepaintHeader) && Header().Options().Contains(hoVisible))
                    InvalidateHeaderStrip();
                if (!states_.Contains(tsSizing)) UpdateHorizontalScrollBar(redraw);
            }
            if (dy != 0 && !states_.Contains(tsSizing) && !states_.Contains(tsThumbTracking)) {
                UpdateVerticalScrollBar(redraw);
                // Without columns the width depends on the rows in view.
                if (!Header().UseColumns() && !states_.Contains(tsDrawSelecting) &&
                    !states_.Contains(tsDrawSelectionPending))
                    UpdateHorizontalScrollBar(redraw);
            }
        }
        // An open editor moves with its cell.
        UpdateEditBounds();
    }
    DoScroll(dx, dy);
    return true;
}

// Shows one bar for a content of `range` pixels seen through `client` pixels at `offset`, or
// hides it when the content fits (or the bar is not allowed); returns the bar's position.
int TBaseVirtualTree::ApplyScrollBar(TScrollBarKind kind, int range, int client, int offset,
                                     bool doRepaint) {
    const TScrollStyle bars = scrollBarOptions_->ScrollBars();
    const bool allowed = bars == ssBoth || bars == (kind == sbVertical ? ssVertical : ssHorizontal);
    TScrollInfo info;
    info.Mask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (!allowed) {
        ShowScrollBar(kind, false);
        return -offset;
    }
    if (client < range || scrollBarOptions_->AlwaysVisible()) {
        info.Max = range;
        info.Page = unsigned(std::max(0, client + 1));
        info.Pos = -offset;
        if (scrollBarOptions_->AlwaysVisible()) info.Mask |= SIF_DISABLENOSCROLL;
        ShowScrollBar(kind, true);
        SetScrollInfo(kind, info, doRepaint);
    } else {
        SetScrollInfo(kind, info, false);
        ShowScrollBar(kind, false);
    }
    return GetScrollInfo(kind).Pos;
}

void TBaseVirtualTree::UpdateHorizontalScrollBar(bool doRepaint) {
    if (!HandleAllocated()) return;
    geometry_.SetRangeX(Header().UseColumns() ? Header().TotalColumnWidth() : GetMaxRightExtend());
    SetOffsetX(-ApplyScrollBar(sbHorizontal, geometry_.RangeX(), ClientWidth(), geometry_.OffsetX(),
                               doRepaint));
}

void TBaseVirtualTree::UpdateVerticalScrollBar(bool doRepaint) {
    if (!HandleAllocated()) return;
    if (Root()->TotalHeight < geometry_.DefaultNodeHeight()) {
        BeginMutation();
        Root()->TotalHeight = geometry_.DefaultNodeHeight();
    }
    SetOffsetY(
        -ApplyScrollBar(sbVertical, RangeY(), ClientHeight(), geometry_.OffsetY(), doRepaint));
}

void TBaseVirtualTree::UpdateScrollBars(bool doRepaint) {
    if (!HandleAllocated()) return;
    UpdateHorizontalScrollBar(doRepaint);
    UpdateVerticalScrollBar(doRepaint);
}

void TBaseVirtualTree::ScrollMessage(TScrollBarKind kind, TScrollCode code, int pos) {
    const bool vertical = kind == sbVertical;
    const int current = vertical ? geometry_.OffsetY() : geometry_.OffsetX();
    auto set = [&](int value) {
        if (vertical)
            SetOffsetY(value);
        else
            SetOffsetX(value);
    };
    switch (code) {
        case SB_LINEUP:
            set(current + (vertical ? scrollBarOptions_->VerticalIncrement()
                                    : scrollBarOptions_->HorizontalIncrement()));
            break;
        case SB_LINEDOWN:
            set(current - (vertical ? scrollBarOptions_->VerticalIncrement()
                                    : scrollBarOptions_->HorizontalIncrement()));
            break;
        case SB_PAGEUP:
            set(current + (vertical ? ClientHeight() : ClientWidth()));
            break;
        case SB_PAGEDOWN:
            set(current - (vertical ? ClientHeight() : ClientWidth()));
            break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            states_.Include(tsThumbTracking);
            set(-pos);
            break;
        case SB_TOP:
            set(0);
            break;
        case SB_BOTTOM:
            set(vertical ? -int(Root()->TotalHeight) : -geometry_.RangeX());
            break;
        case SB_ENDSCROLL:
            states_.Exclude(tsThumbTracking);
            if (vertical) {
                UpdateScrollBars(true);
                Invalidate();
            } else {
                UpdateHorizontalScrollBar(false);
            }
            break;
    }
}

bool TBaseVirtualTree::ScrollIntoView(PVirtualNode node, bool center, bool horizontally) {
    if (!node || node == Root()) return false;
    ExpandAncestors(node);
    const bool useColumns = Header().UseColumns();
    TRect r = GetDisplayRect(node, useColumns ? focusedColumn_ : NoColumn, false, true);
    const TPoint before = OffsetXY();
    const int clientHeight = ClientHeight();
    if (r.Top >= 0 && r.Bottom > clientHeight) {
        SetOffsetY(geometry_.OffsetY() + (center ? clientHeight / 2 : clientHeight) - r.Bottom);
        // A horizontal bar that appeared by this took rows from the view: scroll them back in.
        if (!useColumns && ClientHeight() < clientHeight)
            SetOffsetY(geometry_.OffsetY() - (clientHeight - ClientHeight()));
    } else if (r.Top < 0) {
        SetOffsetY(geometry_.OffsetY() - r.Top + (center ? clientHeight / 2 : 0));
    }
    if (horizontally) {
        if (r.Width() > ClientWidth() || r.Left < 0) {
            if (r.Left < 0) SetOffsetX(geometry_.OffsetX() - r.Left);
        } else if (r.Right > ClientWidth()) {
            SetOffsetX(geometry_.OffsetX() - (r.Right - ClientWidth()));
        }
    }
    return OffsetXY() != before;
}

PVirtualNode TBaseVirtualTree::TopNode() {
    int top = 0;
    return GetNodeAt(0, 0, true, top);
}

void TBaseVirtualTree::SetTopNode(PVirtualNode node) {
    if (!node || node == Root()) return;
    ExpandAncestors(node);
    TRect r = GetDisplayRect(node, Header().UseColumns() ? Header().MainColumn() : NoColumn, true);
    SetOffsetY(geometry_.OffsetY() - r.Top);
}

void TBaseVirtualTree::SetIndent(uint32_t value) {
    if (value == indent_) return;
    indent_ = value;
    if (!loading_ && updateCount_ == 0 && HandleAllocated()) {
        UpdateScrollBars(true);
        Invalidate();
    }
}

void TBaseVirtualTree::SetDefaultNodeHeight(uint32_t value) {
    if (value == 0) value = 18;
    if (value == geometry_.DefaultNodeHeight()) return;
    BeginMutation();
    int64_t delta = int64_t(value) - int64_t(geometry_.DefaultNodeHeight());
    Root()->TotalHeight = uint32_t(int64_t(Root()->TotalHeight) + delta);
    Root()->NodeHeight = uint16_t(int64_t(Root()->NodeHeight) + delta);
    geometry_.SetDefaultNodeHeight(value);
    InvalidateCache();
    if (updateCount_ == 0 && HandleAllocated() && !loading_) {
        ValidateCache();
        UpdateScrollBars(true);
        ScrollIntoView(focusedNode_, true);
        Invalidate();
    }
}

void TBaseVirtualTree::Resize() {
    StopToggleAnimation();
    TCustomControl::Resize();
    if (!HandleAllocated() || states_.Contains(tsSizing) || states_.Contains(tsWindowCreating) ||
        ClientHeight() <= 0)
        return;
    states_.Include(tsSizing);
    try {
        Header().RecalculateHeader();
        if (Header().Options().Contains(hoAutoResize))
            Header().Columns().AdjustAutoSize(InvalidColumn);
        UpdateScrollBars(true);
        if (!Header().UseColumns()) UpdateEditBounds();
    } catch (...) {
        states_.Exclude(tsSizing);
        throw;
    }
    states_.Exclude(tsSizing);
    if (TreeOptions().MiscOptions().Contains(toFullRepaintOnResize)) Invalidate();
}

// --- Repainting nodes ----------------------------------------------------------------------

void TBaseVirtualTree::InvalidateNode(PVirtualNode node) {
    if (!node || node == Root() || updateCount_ != 0 || !HandleAllocated()) return;
    TRect r = GetDisplayRect(node, NoColumn, false);
    if (!r.IsEmpty()) InvalidateRect({0, r.Top, ClientWidth(), r.Bottom});
}

void TBaseVirtualTree::InvalidateToBottom(PVirtualNode node) {
    if (updateCount_ != 0 || !HandleAllocated()) return;
    if (!node || node == Root()) {
        Invalidate();
        return;
    }
    TRect r = GetDisplayRect(node, NoColumn, false);
    if (r.IsEmpty())
        Invalidate();
    else if (r.Top < ClientHeight())
        InvalidateRect({0, std::max(0, r.Top), ClientWidth(), ClientHeight()});
}

void TBaseVirtualTree::InvalidateChildren(PVirtualNode node, bool recursive) {
    if (!node) node = Root();
    for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling) {
        InvalidateNode(child);
        if (recursive) InvalidateChildren(child, true);
    }
}

// --- Sorting -----------------------------------------------------------------------------------

void TBaseVirtualTree::Sort(PVirtualNode node, TColumnIndex column, TSortDirection direction,
                            bool doInit) {
    if (states_.Contains(tsEditPending)) {
        KillTimer(EditTimer);
        states_.Exclude(tsEditPending);
    }
    if (states_.Contains(tsEditing) && !EndEditNode()) return;
    if (!node) node = Root();
    if (!HasState(node, vsHasChildren)) return;
    if (doInit && node != Root() && node->ChildCount == 0) InitChildren(node);
    if (node->ChildCount < 2) return;
    if (doInit)
        for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
            if (!HasState(child, vsInitialized)) InitNode(child);
    std::vector<PVirtualNode> nodes;
    nodes.reserve(node->ChildCount);
    for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
        nodes.push_back(child);
    // A stable top-down merge sort: equal nodes keep their order.
    std::vector<PVirtualNode> scratch(nodes.size());
    auto sort = [&](auto&& self, size_t from, size_t count) -> void {
        if (count < 2) return;
        size_t left = count / 2;
        self(self, from, left);
        self(self, from + left, count - left);
        size_t i = from, j = from + left, k = 0;
        while (i < from + left && j < from + count) {
            int c = DoCompare(nodes[i], nodes[j], column);
            bool takeLeft = direction == sdAscending ? c <= 0 : c >= 0;
            scratch[k++] = takeLeft ? nodes[i++] : nodes[j++];
        }
        while (i < from + left) scratch[k++] = nodes[i++];
        while (j < from + count) scratch[k++] = nodes[j++];
        std::copy(scratch.begin(), scratch.begin() + long(count), nodes.begin() + long(from));
    };
    sort(sort, 0, nodes.size());
    // Only now, after the compare handlers: one of them may have started a validation.
    BeginMutation();
    for (size_t i = 0; i < nodes.size(); ++i) {
        nodes[i]->Index = uint32_t(i);
        nodes[i]->PrevSibling = i ? nodes[i - 1] : nullptr;
        nodes[i]->NextSibling = i + 1 < nodes.size() ? nodes[i + 1] : nullptr;
    }
    node->FirstChild = nodes.front();
    node->LastChild = nodes.back();
    InvalidateCache();
    if (updateCount_ == 0) {
        ValidateCache();
        RepaintIfNoUpdate();
    }
}
