// The selection store and the focus: the sorted selection array, adding, removing, focusing.
#include "VirtualTrees.h"

#include <algorithm>

namespace {
constexpr uintptr_t kRemovedMark = 1;  // nodes are aligned, so the low bit is free
uintptr_t Key(PVirtualNode node) {
    return reinterpret_cast<uintptr_t>(node);
}
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
        if (options.Contains(toSiblingSelectConstraint) && !rangeAnchor_)
            rangeAnchor_ = nodes.front();
    }
    std::vector<PVirtualNode> added;
    for (PVirtualNode node : nodes) {
        if (!node || node == Root()) continue;
        if (!forceInsert) {
            if (HasState(node, vsSelected | vsDisabled)) continue;
            if (options.Contains(toLevelSelectConstraint) &&
                int(GetNodeLevel(node)) != selectionLevel_)
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
    if (std::any_of(selection_.begin(), selection_.end(),
                    [](uintptr_t e) { return e & kRemovedMark; }))
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
    if (InternalAddToSelection(nodes, forceInsert))
        Change(nodes.size() == 1 ? nodes.front() : nullptr);
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
    if (updateCount_ == 0 && HandleAllocated() && store_.VisibleCount() > 0) {
        // Only the rows of selected nodes in view change.
        int top = 0;
        uint32_t met = 0;
        for (PVirtualNode run = GetNodeAt(0, 0, true, top); run && top < ClientHeight();
             run = GetNextVisibleNoInit(run)) {
            if (HasState(run, vsSelected)) {
                InvalidateNode(run);
                if (++met == selectionCount_) break;
            }
            top += run->NodeHeight;
        }
    }
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
        // A disabled node cannot be selected: nothing is cleared, anchored or reported.
        if (HasState(node, vsDisabled)) return;
        if (selectionCount_ == 0)
            rangeAnchor_ = node;
        else if (!TreeOptions().SelectionOptions().Contains(toMultiSelect))
            ClearSelection();
        AddToSelection(node);
        // The focus column moves (without focus events) to a column that shows.
        TVTHeader& header = Header();
        auto shows = [&](TColumnIndex column) {
            int left = 0, right = 0;
            return header.IsValidColumn(column) && header.GetColumnBounds(column, left, right) &&
                   right > left;
        };
        if (header.UseColumns() && !shows(focusedColumn_) &&
            header.IsValidColumn(header.MainColumn())) {
            focusedColumn_ = header.MainColumn();
            if (!shows(focusedColumn_))
                for (TColumnIndex column = 0; column < header.ColumnCount(); ++column)
                    if (shows(column)) {
                        focusedColumn_ = column;
                        break;
                    }
        }
        if (!rangeAnchor_) rangeAnchor_ = node;
    } else {
        RemoveFromSelection(node);
        if (selectionCount_ == 0) ResetRangeAnchor();
    }
    InvalidateNode(node);
}

std::vector<PVirtualNode> TBaseVirtualTree::GetSortedSelection(bool trueSelection) const {
    std::vector<PVirtualNode> result;
    if (selectionCount_ < 1) return result;
    auto underSelected = [this](PVirtualNode node) {
        for (PVirtualNode p = node->Parent; p && p != Root(); p = p->Parent)
            if (HasState(p, vsSelected)) return true;
        return false;
    };
    if (uint64_t(selectionCount_) * 32 < TotalCount()) {
        // A small selection in a large tree: sort the array's live entries by position.
        result.reserve(selectionCount_);
        for (uintptr_t entry : selection_)
            if (!(entry & kRemovedMark)) result.push_back(reinterpret_cast<PVirtualNode>(entry));
        std::sort(result.begin(), result.end(), [this](PVirtualNode a, PVirtualNode b) {
            return store_.CompareNodePositions(a, b) < 0;
        });
        if (trueSelection)
            result.erase(std::remove_if(result.begin(), result.end(), underSelected), result.end());
        return result;
    }
    for (PVirtualNode run = GetFirstSelected(); run; run = GetNextSelected(run))
        if (!trueSelection || !underSelected(run)) result.push_back(run);
    return result;
}

void TBaseVirtualTree::SelectNodes(PVirtualNode startNode, PVirtualNode endNode, bool addOnly) {
    VT_ASSERT(endNode, "EndNode must not be nil!");
    if (!startNode) {
        startNode = GetFirst();
    } else if (!FullyVisible(startNode)) {
        startNode = GetPreviousVisible(startNode);
        if (!startNode) startNode = GetFirst();
    }
    if (!startNode) return;
    if (CompareNodePositions(startNode, endNode) > 0) std::swap(startNode, endNode);
    // The range is measured from the anchor the user set, which clearing would move.
    const PVirtualNode anchor = rangeAnchor_;
    const int level = selectionLevel_;
    bool cleared = false;
    if (!addOnly && selectionCount_ > 0) {
        if (updateCount_ == 0 && HandleAllocated()) Invalidate();
        InternalClearSelection();
        cleared = true;
    }
    rangeAnchor_ = anchor;
    selectionLevel_ = level;
    std::vector<PVirtualNode> gathered;
    for (PVirtualNode run = startNode; run; run = GetNextVisible(run)) {
        gathered.push_back(run);
        if (run == endNode) break;
    }
    if (InternalAddToSelection(std::move(gathered), false))
        Change(nullptr);
    else if (cleared)
        Change(nullptr);
    if (rangeAnchor_ && !HasState(rangeAnchor_, vsSelected) && selectionCount_ == 0)
        ResetRangeAnchor();
}

void TBaseVirtualTree::ToggleSelection(PVirtualNode startNode, PVirtualNode endNode) {
    VT_ASSERT(endNode, "EndNode must not be nil!");
    if (!startNode) startNode = GetFirst();
    if (!startNode) return;
    if (CompareNodePositions(startNode, endNode) > 0) std::swap(startNode, endNode);
    const PVirtualNode anchor = rangeAnchor_;
    std::vector<PVirtualNode> toAdd, toRemove;
    for (PVirtualNode run = startNode; run; run = GetNextVisible(run)) {
        bool flip = true;
        // The ends change only beyond the anchor.
        if (anchor && run == startNode && run != endNode)
            flip = CompareNodePositions(run, anchor) < 0;
        if (anchor && run == endNode && run != startNode)
            flip = CompareNodePositions(run, anchor) > 0;
        if (flip) (HasState(run, vsSelected) ? toRemove : toAdd).push_back(run);
        if (run == endNode) break;
    }
    for (PVirtualNode node : toRemove) RemoveFromSelection(node);
    AddToSelection(toAdd);
    rangeAnchor_ = anchor && (selectionCount_ > 0) ? anchor : rangeAnchor_;
    RepaintIfNoUpdate();
}

void TBaseVirtualTree::SelectAll(bool visibleOnly) {
    if (!TreeOptions().SelectionOptions().Contains(toMultiSelect)) return;
    std::vector<PVirtualNode> gathered;
    if (visibleOnly) {
        for (PVirtualNode run = GetFirstVisible(); run; run = GetNextVisible(run))
            if (!HasState(run, vsSelected)) gathered.push_back(run);
    } else {
        for (PVirtualNode run = GetFirst(); run; run = GetNext(run))
            if (!HasState(run, vsSelected)) gathered.push_back(run);
    }
    AddToSelection(gathered);
    RepaintIfNoUpdate();
}

void TBaseVirtualTree::DeleteSelectedNodes() {
    std::vector<PVirtualNode> nodes = GetSortedSelection(true);
    if (nodes.empty()) return;
    BeginUpdate();
    try {
        for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) DeleteNode(*it);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TBaseVirtualTree::HandleClickSelection(PVirtualNode, PVirtualNode newNode, TShiftState shift) {
    if (!newNode) return;
    const bool ctrl = shift & ssCtrl, withShift = shift & ssShift;
    if (ctrl && withShift) {
        SelectNodes(rangeAnchor_, newNode, true);
        RepaintIfNoUpdate();
    } else if (ctrl) {
        if (!TreeOptions().SelectionOptions().Contains(toSiblingSelectConstraint))
            rangeAnchor_ = newNode;
        if (HasState(newNode, vsSelected))
            RemoveFromSelection(newNode);
        else
            AddToSelection(newNode);
        InvalidateNode(newNode);
    } else if (withShift) {
        if (!rangeAnchor_) rangeAnchor_ = GetFirst();
        SelectNodes(rangeAnchor_, newNode, false);
        RepaintIfNoUpdate();
    } else {
        if (!HasState(newNode, vsSelected)) {
            AddToSelection(newNode);
            InvalidateNode(newNode);
        }
        rangeAnchor_ = newNode;
    }
}

// --- Check boxes -----------------------------------------------------------------------------

void TBaseVirtualTree::SetCheckType(PVirtualNode node, TCheckType value) {
    if (!node || node == Root() || node->CheckType == value) return;
    node->CheckType = value;
    node->CheckState = csUncheckedNormal;
    InvalidateNode(node);
}

void TBaseVirtualTree::SetCheckState(PVirtualNode node, TCheckState value) {
    if (!node || node == Root() || node->CheckState == value || HasState(node, vsDisabled)) return;
    TCheckState newState = value;
    if (DoChecking(node, newState)) DoCheckClick(node, newState);
}

void TBaseVirtualTree::DoCheckClick(PVirtualNode node, TCheckState newState) {
    if (ChangeCheckState(node, newState)) DoChecked(node);
}

namespace {
bool IsBox(const TVirtualNode* node) {
    return node->CheckType == ctTriStateCheckBox || node->CheckType == ctCheckBox;
}
}  // namespace

bool TBaseVirtualTree::ChangeCheckState(PVirtualNode node, TCheckState newState) {
    IncludeStates(node, vsChecking);
    bool result = true;
    try {
        const bool tracking = TreeOptions().AutoOptions().Contains(toAutoTristateTracking);
        if (node->CheckType == ctTriStateCheckBox && tracking) {
            if (newState == csUncheckedNormal || newState == csCheckedNormal)
                for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
                    if (IsBox(child)) SetCheckState(child, newState);
        } else if (node->CheckType == ctRadioButton && newState == csCheckedNormal) {
            for (PVirtualNode sibling = node->Parent->FirstChild; sibling;
                 sibling = sibling->NextSibling)
                if (sibling != node && sibling->CheckType == ctRadioButton)
                    sibling->CheckState = csUncheckedNormal;
            RepaintIfNoUpdate();
        }
        if (!HasState(node, vsInitialized)) InitNode(node);
        PVirtualNode parent = node->Parent;
        if (tracking && !HasState(parent, vsChecking | vsDisabled) && IsBox(node) &&
            parent != Root() && parent->CheckType == ctTriStateCheckBox)
            result = CheckParentCheckState(node, newState);
    } catch (...) {
        ExcludeStates(node, vsChecking);
        throw;
    }
    if (result) {
        node->CheckState = newState;
        InvalidateNode(node);
    }
    ExcludeStates(node, vsChecking);
    return result;
}

bool TBaseVirtualTree::CheckParentCheckState(PVirtualNode node, TCheckState newState) {
    PVirtualNode parent = node->Parent;
    int count = 0, checked = 0;
    bool mixed = false;
    for (PVirtualNode child = parent->FirstChild; child; child = child->NextSibling) {
        if (!IsBox(child)) continue;
        ++count;
        const TCheckState state = child == node ? newState : TCheckState(child->CheckState);
        if (state == csCheckedNormal || state == csCheckedPressed) ++checked;
        if (state == csMixedNormal) mixed = true;
    }
    TCheckState parentState = csCheckedNormal;
    if (checked == 0 && !mixed)
        parentState = csUncheckedNormal;
    else if (checked < count)
        parentState = csMixedNormal;
    if (!DoChecking(parent, parentState)) return false;
    parent->CheckState = parentState;
    if (!HasState(parent, vsInitialized)) InitNode(parent);
    InvalidateNode(parent);
    PVirtualNode grandparent = parent->Parent;
    if (!HasState(parent, vsChecking | vsDisabled) && parent != Root() && grandparent != Root() &&
        grandparent->CheckType == ctTriStateCheckBox)
        CheckParentCheckState(parent, parentState);
    return true;
}

TCheckState TBaseVirtualTree::DetermineNextCheckState(TCheckType checkType,
                                                      TCheckState checkState) {
    switch (checkType) {
        case ctTriStateCheckBox:
        case ctCheckBox:
            return checkState == csCheckedNormal ? csUncheckedNormal : csCheckedNormal;
        case ctRadioButton:
            return csCheckedNormal;
        case ctButton:
            return csUncheckedNormal;
        default:
            return csMixedNormal;
    }
}

int TBaseVirtualTree::GetCheckImage(PVirtualNode node) {
    if (!node || node->CheckType == ctNone) return -1;
    int state = node->CheckState <= csMixedPressed ? node->CheckState : 0;
    // A Space press shows the pressed look of the current state until the key comes up.
    if (node == checkNode_ && states_.Contains(tsCheckPressPending)) state |= 1;
    const bool enabled = !HasState(node, vsDisabled) && Enabled();
    const bool hot = enabled && node == checkNode_;
    const bool normal = state % 2 == 0;  // not pressed: the hot look exists
    if (node->CheckType == ctRadioButton && state <= csCheckedPressed) {
        if (!enabled) return state < csCheckedNormal ? 4 : 8;
        return 1 + 2 * state + (hot && normal ? 1 : 0);
    }
    if (node->CheckType == ctButton && state <= csCheckedPressed) {
        if (!enabled) return 24;
        return normal ? (hot ? 22 : 21) : 23;
    }
    if (!enabled) return 12 + 4 * (state / 2);
    return 9 + 2 * state + (hot && normal ? 1 : 0);
}

// --- Drop effect -----------------------------------------------------------------------------

int TBaseVirtualTree::DetermineDropEffect(TBaseVirtualTree* source, TShiftState shift,
                                          int allowedEffects) {
    int result = DROPEFFECT_NONE;
    if (source != this && (allowedEffects & DROPEFFECT_COPY))
        result = DROPEFFECT_COPY;
    else if (source == this && (allowedEffects & DROPEFFECT_MOVE))
        result = DROPEFFECT_MOVE;
    const TShiftState keys = shift & (ssShift | ssCtrl | ssAlt);
    auto ask = [&](int effect) { return (allowedEffects & effect) ? effect : result; };
    if (keys == ssCtrl) return ask(DROPEFFECT_COPY);
    if (keys == ssShift) return ask(DROPEFFECT_MOVE);
    if (keys == (ssCtrl | ssShift) || keys == ssAlt) return ask(DROPEFFECT_LINK);
    return result;
}

// --- Focus -------------------------------------------------------------------------------------

bool TBaseVirtualTree::DoFocusNode(PVirtualNode node, bool ask) {
    if (states_.Contains(tsEditing) && !EndEditNode()) return false;
    if (node == Root()) node = nullptr;
    if (node == focusedNode_) return true;
    if (ask && !DoFocusChanging(focusedNode_, node, focusedColumn_, focusedColumn_)) return false;
    PVirtualNode old = focusedNode_;
    if (old && node && TreeOptions().AutoOptions().Contains(toAutoExpand) &&
        old->Parent == node->Parent && HasState(old, vsExpanded))
        ToggleNode(old);
    else if (old)
        InvalidateNode(old);
    focusedNode_ = node;
    checkNode_ = nullptr;
    if (focusedNode_) {
        if (Header().UseColumns() && focusedColumn_ < 0) focusedColumn_ = 0;
        if (TreeOptions().AutoOptions().Contains(toAutoExpand) &&
            !HasState(focusedNode_, vsExpanded))
            ToggleNode(focusedNode_);
        InvalidateNode(focusedNode_);
        if (updateCount_ == 0)
            ScrollIntoView(focusedNode_,
                           TreeOptions().SelectionOptions().Contains(toCenterScrollIntoView),
                           false);
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
