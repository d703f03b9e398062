// The selection store and the focus: the sorted selection array, adding, removing, focusing.
#include "VirtualTrees.h"

#include <algorithm>

namespace {
constexpr uintptr_t kRemovedMark = 1;  // nodes are aligned, so the low bit is free
uintptr_t Key(PVirtualNode node) { return reinterpret_cast<uintptr_t>(node); }
}  // namespace

bool TBaseVirtualTree::FindNodeInSelection(PVirtualNode node, int& index, int lowBound,
                                           int highBound) const {
    int lo = lowBound < 0 ? 0 : lowBound;
    int hi = highBound < 0 ? int(selection_.size()) - 1 : highBound;
    const uintptr_t key = Key(node);
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        uintptr_t entry = selection_[size_t(mid)] & ~kRemovedMark;
        if (entry == key) {
            index = mid;
            return true;
        }
        if (entry < key)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    index = lo;
    return false;
}

int TBaseVirtualTree::PackArray() {
    if (selection_.empty()) return -1;
    selection_.erase(std::remove_if(selection_.begin(), selection_.end(),
                                    [](uintptr_t e) { return (e & kRemovedMark) != 0; }),
                     selection_.end());
    return int(selection_.size());
}

bool TBaseVirtualTree::InternalAddToSelection(std::vector<PVirtualNode> nodes, bool forceInsert) {
    const TVTSelectionOptions options = TreeOptions().SelectionOptions();
    if (!forceInsert && !nodes.empty()) {
        if (options.Contains(toLevelSelectConstraint) && selectionLevel_ < 0)
            selectionLevel_ = int(GetNodeLevel(nodes.front()));
        if (options.Contains(toSiblingSelectConstraint) && !rangeAnchor_) rangeAnchor_ = nodes.front();
    }
    std::vector<PVirtualNode> added;
    for (PVirtualNode node : nodes) {
        if (!node || node == Root()) continue;
        if (!forceInsert) {
            if (HasState(node, vsSelected | vsDisabled)) continue;
            if (options.Contains(toLevelSelectConstraint) && int(GetNodeLevel(node)) != selectionLevel_)
                continue;
            if (options.Contains(toSiblingSelectConstraint) && rangeAnchor_ &&
                node->Parent != rangeAnchor_->Parent)
                continue;
        } else if (HasState(node, vsSelected)) {
            continue;
        }
        IncludeStates(node, vsSelected);
        added.push_back(node);
    }
    if (added.empty()) return false;
    // Marked entries go first so the array is exact before the new ones are merged in.
    if (std::any_of(selection_.begin(), selection_.end(), [](uintptr_t e) { return e & kRemovedMark; }))
        PackArray();
    std::vector<uintptr_t> keys;
    keys.reserve(added.size());
    for (PVirtualNode node : added) keys.push_back(Key(node));
    std::sort(keys.begin(), keys.end());
    size_t middle = selection_.size();
    selection_.insert(selection_.end(), keys.begin(), keys.end());
    std::inplace_merge(selection_.begin(), selection_.begin() + long(middle), selection_.end());
    selectionCount_ += uint32_t(added.size());
    return true;
}

void TBaseVirtualTree::AddToSelection(PVirtualNode node) {
    VT_ASSERT(node, "Node must not be nil!");
    if (InternalAddToSelection({node}, false)) Change(node);
}

void TBaseVirtualTree::AddToSelection(const std::vector<PVirtualNode>& nodes, bool forceInsert) {
    if (InternalAddToSelection(nodes, forceInsert)) Change(nodes.size() == 1 ? nodes.front() : nullptr);
}

void TBaseVirtualTree::RemoveFromSelection(PVirtualNode node) {
    VT_ASSERT(node, "Node must not be nil!");
    if (!HasState(node, vsSelected)) return;
    ExcludeStates(node, vsSelected);
    int index = 0;
    if (FindNodeInSelection(node, index)) {
        selection_.erase(selection_.begin() + index);
        if (selectionCount_ > 0) --selectionCount_;
    }
    if (selectionCount_ == 0) ResetRangeAnchor();
    Change(node);
}

void TBaseVirtualTree::InternalRemoveFromSelection(PVirtualNode node) {
    int index = 0;
    if (!FindNodeInSelection(node, index)) return;
    ExcludeStates(node, vsSelected);
    selection_[size_t(index)] |= kRemovedMark;
}

void TBaseVirtualTree::InternalClearSelection() {
    if (updateCount_ > 0) PackArray();
    for (auto it = selection_.rbegin(); it != selection_.rend(); ++it)
        if (!(*it & kRemovedMark)) ExcludeStates(reinterpret_cast<PVirtualNode>(*it), vsSelected);
    selection_.clear();
    selection_.shrink_to_fit();
    selectionCount_ = 0;
    ResetRangeAnchor();
    states_.Exclude(tsClearPending);
}

void TBaseVirtualTree::ClearSelection() {
    if (selectionCount_ < 1 || destroying_) return;
    if (updateCount_ == 0 && HandleAllocated() && store_.VisibleCount() > 0) Invalidate();
    InternalClearSelection();
    Change(nullptr);
}

void TBaseVirtualTree::ResetRangeAnchor() {
    rangeAnchor_ = focusedNode_;
    selectionLevel_ = -1;
}

void TBaseVirtualTree::SetSelected(PVirtualNode node, bool value) {
    if (!node || node == Root() || HasState(node, vsSelected) == value) return;
    if (value) {
        if (selectionCount_ == 0)
            rangeAnchor_ = node;
        else if (!TreeOptions().SelectionOptions().Contains(toMultiSelect))
            ClearSelection();
        AddToSelection(node);
        TVTHeader& header = Header();
        if (header.UseColumns() && !header.IsValidColumn(focusedColumn_) &&
            header.IsValidColumn(header.MainColumn()))
            focusedColumn_ = header.MainColumn();
        if (!rangeAnchor_) rangeAnchor_ = node;
    } else {
        RemoveFromSelection(node);
        if (selectionCount_ == 0) ResetRangeAnchor();
    }
    InvalidateNode(node);
}

std::vector<PVirtualNode> TBaseVirtualTree::GetSortedSelection(bool trueSelection) const {
    std::vector<PVirtualNode> result;
    for (PVirtualNode run = GetFirstSelected(); run; run = GetNextSelected(run)) {
        if (trueSelection) {
            bool underSelected = false;
            for (PVirtualNode p = run->Parent; p && p != Root(); p = p->Parent)
                if (HasState(p, vsSelected)) underSelected = true;
            if (underSelected) continue;
        }
        result.push_back(run);
    }
    return result;
}

// --- Focus -------------------------------------------------------------------------------------

bool TBaseVirtualTree::DoFocusNode(PVirtualNode node, bool ask) {
    if (states_.Contains(tsEditing) && !EndEditNode()) return false;
    if (node == Root()) node = nullptr;
    if (node == focusedNode_) return true;
    if (ask && !DoFocusChanging(focusedNode_, node, focusedColumn_, focusedColumn_)) return false;
    PVirtualNode old = focusedNode_;
    if (old && node && TreeOptions().AutoOptions().Contains(toAutoExpand) && old->Parent == node->Parent &&
        HasState(old, vsExpanded))
        ToggleNode(old);
    else if (old)
        InvalidateNode(old);
    focusedNode_ = node;
    checkNode_ = nullptr;
    if (focusedNode_) {
        if (Header().UseColumns() && focusedColumn_ < 0) focusedColumn_ = 0;
        if (TreeOptions().AutoOptions().Contains(toAutoExpand) && !HasState(focusedNode_, vsExpanded))
            ToggleNode(focusedNode_);
        InvalidateNode(focusedNode_);
        if (updateCount_ == 0)
            ScrollIntoView(focusedNode_,
                           TreeOptions().SelectionOptions().Contains(toCenterScrollIntoView), false);
    }
    if (selectionCount_ == 0) ResetRangeAnchor();
    return true;
}

void TBaseVirtualTree::SetFocusedNode(PVirtualNode node) {
    if (node == Root()) node = nullptr;
    const bool different = node != focusedNode_;
    DoFocusNode(node, true);
    if (different && focusedNode_ == node) DoFocusChange(focusedNode_, focusedColumn_);
}

void TBaseVirtualTree::SetFocusedColumn(TColumnIndex value) {
    if (value == focusedColumn_) return;
    if (!DoFocusChanging(focusedNode_, focusedNode_, focusedColumn_, value)) return;
    CancelEditNode();
    focusedColumn_ = value;
    if (focusedNode_) {
        ScrollIntoView(focusedNode_, true, false);
        InvalidateNode(focusedNode_);
    }
    DoFocusChange(focusedNode_, focusedColumn_);
}
