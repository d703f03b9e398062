// Node store: allocation, creation and deletion, linking, lazy initialisation and the counters.
#include "VirtualTrees.h"

#include "VirtualTreesWorker.h"

#include <cstdlib>
#include <cstring>
#include <new>

void ShowError(const std::string& message, int helpContext) {
    throw EVirtualTreeError(message, helpContext);
}

void RaiseAssertion(const char* message, const char* file, int line) {
    throw EVTAssertion(message, file, line);
}

// --- Allocation ------------------------------------------------------------------------------

TBaseVirtualTree* TBaseVirtualTree::TreeFromNode(PVirtualNode node) {
    return TVirtualNodeStore::TreeFromNode(node);
}

uint32_t TBaseVirtualTree::AllocateInternalDataArea(uint32_t size) {
    InterruptValidation();
    return store_.AllocateInternalDataArea(size);
}

int TBaseVirtualTree::ResolveNodeDataSize() {
    if (store_.NodeDataSize() == -1) store_.SetNodeDataSize(GetNodeDataSize());
    return store_.NodeDataSize();
}

PVirtualNode TBaseVirtualTree::MakeNewNode() {
    ResolveNodeDataSize();
    return store_.MakeNewNode(uint16_t(geometry_.DefaultNodeHeight()));
}

void TBaseVirtualTree::FreeNodeMemory(PVirtualNode node) {
    if (node != Root()) TVirtualNodeStore::FreeNodeMemory(node);
}

void TBaseVirtualTree::SetNodeDataSize(int value) {
    if (value < -1) value = -1;
    if (value == store_.NodeDataSize()) return;
    // Every node is made anew with the new size.
    uint32_t count = Root()->ChildCount;
    if (!Loading()) Clear();
    store_.SetNodeDataSize(value);
    if (Loading()) return;
    SetRootNodeCount(count);
}

// --- Counters ----------------------------------------------------------------------------------

void TBaseVirtualTree::BeginMutation() {
    // The animation's picture of the old rows is out of date.
    if (toggleAnimation_) StopToggleAnimation();
    // Most mutations come in runs: once the worker is off and the cache out of date, the
    // flags say so and nothing else needs doing.
    if (geometry_.CacheStates() & kCacheBusy) InterruptValidation();
    const uint32_t states = geometry_.CacheStates();
    if (!(states & kCacheValidationNeeded) || (states & kCacheUseCache)) InvalidateCache();
}

bool TBaseVirtualTree::FullyVisible(PVirtualNode node) const {
    return store_.FullyVisible(node);
}
bool TBaseVirtualTree::VisiblePath(PVirtualNode node) const {
    return store_.VisiblePath(node);
}
uint32_t TBaseVirtualTree::CountVisibleChildren(PVirtualNode node) const {
    return store_.CountVisibleChildren(node);
}
uint32_t TBaseVirtualTree::GetNodeLevel(PVirtualNode node) const {
    return store_.GetNodeLevel(node);
}
bool TBaseVirtualTree::HasAsParent(PVirtualNode node, PVirtualNode potentialParent) const {
    return store_.HasAsParent(node, potentialParent);
}
PVirtualNode TBaseVirtualTree::GetVisibleParent(PVirtualNode node) const {
    return store_.GetVisibleParent(node);
}
int TBaseVirtualTree::LevelDelta(PVirtualNode node1, PVirtualNode node2) const {
    return store_.LevelDelta(node1, node2);
}
int TBaseVirtualTree::CompareNodePositions(PVirtualNode node1, PVirtualNode node2) const {
    return store_.CompareNodePositions(node1, node2);
}

// --- Creating nodes ------------------------------------------------------------------------------

PVirtualNode TBaseVirtualTree::AddChild(PVirtualNode parent, void* userData) {
    if (states_.Contains(tsEditing) || states_.Contains(tsEditPending)) CancelEditNode();
    if (!parent) parent = Root();
    if (!HasState(parent, vsInitialized)) InitNode(parent);
    // A refused initial pointer must leave the tree as it was: check before anything is made.
    if (userData && ResolveNodeDataSize() < int(sizeof(void*)))
        ShowError(
            "Cannot set initial user data because there is not enough user data space "
            "allocated.",
            2008);
    // One more child, as SetChildCount would add it inside an update, without its detours.
    ResolveNodeDataSize();
    BeginMutation();
    store_.AppendChild(parent, uint16_t(geometry_.DefaultNodeHeight()));
    RecordChange(parent == Root() ? nullptr : parent, crChildAdded, true);
    PVirtualNode result = parent->LastChild;
    if (userData) {
        std::memcpy(GetNodeData(result), &userData, sizeof(void*));
        IncludeStates(result, vsInitialUserData);
    }
    if (updateCount_ == 0) {
        ValidateCache();
        if (states_.Contains(tsStructureChangePending))
            StructureChange(parent == Root() ? nullptr : parent, crChildAdded);
        if (TreeOptions().AutoOptions().Contains(toAutoSort) &&
            Header().SortColumn() > InvalidColumn)
            Sort(parent, Header().SortColumn(), Header().SortDirection(), true);
        InvalidateToBottom(parent);
        UpdateScrollBars(true);
    }
    return result;
}

void TBaseVirtualTree::SetChildCount(PVirtualNode node, uint32_t newCount) {
    if (!node) node = Root();
    if (newCount == 0) {
        DeleteChildren(node, false);
        return;
    }
    if (newCount == node->ChildCount) return;
    // The size handler runs before the worker is stopped, not while links are half made.
    ResolveNodeDataSize();
    BeginMutation();
    if (newCount < node->ChildCount) {
        while (node->ChildCount > newCount && node->LastChild) DeleteNode(node->LastChild);
    } else {
        store_.AppendChildren(node, newCount - node->ChildCount,
                              uint16_t(geometry_.DefaultNodeHeight()));
    }
    if (updateCount_ == 0) {
        ValidateCache();
        UpdateScrollBars(true);
        Invalidate();
    }
    StructureChange(node == Root() ? nullptr : node, crChildAdded);
}

void TBaseVirtualTree::SetRootNodeCount(uint32_t value) {
    if (loading_) {
        Root()->ChildCount = value;
        SetTreeState(tsNeedRootCountUpdate);
        return;
    }
    if (value == Root()->ChildCount) return;
    BeginUpdate();
    try {
        InterruptValidation();
        SetChildCount(Root(), value);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// --- Linking -------------------------------------------------------------------------------------

void TBaseVirtualTree::InternalConnectNode(PVirtualNode node, PVirtualNode destination,
                                           TBaseVirtualTree* target, TVTNodeAttachMode mode) {
    if (mode == amNoWhere || !node) return;
    if (!target) target = this;
    target->BeginMutation();
    target->store_.Link(node, destination, mode);
}

void TBaseVirtualTree::InternalDisconnectNode(PVirtualNode node, bool keepFocus, bool reindex) {
    VT_ASSERT(node && node != Root(), "Node must neither be nil nor the root node.");
    if (node == focusedNode_ && !keepFocus) {
        // The focus leaves a node that goes away: no one is asked, and the handlers see nil.
        DoFocusNode(nullptr, false);
        DoFocusChange(focusedNode_, focusedColumn_);
    }
    if (node == rangeAnchor_) ResetRangeAnchor();
    ForgetDraggedNode(node);  // moved or deleted: a running drag no longer owns it
    // After the handlers: one of them may have started a validation that still sees the node.
    BeginMutation();
    if (HasState(node, vsDeleting)) return;
    store_.Unlink(node, reindex);
}

// --- Deleting nodes ------------------------------------------------------------------------------

void TBaseVirtualTree::DeleteNode(PVirtualNode node) {
    if (!node || node == Root()) return;
    VT_ASSERT(!states_.Contains(tsIterating),
              "Deleting nodes during tree iteration leads to invalid pointers.");
    BeginMutation();
    PVirtualNode parent = node->Parent;
    if (!HasState(parent, vsClearing))
        StructureChange(parent == Root() ? nullptr : parent, crChildDeleted);
    if (HasState(node, vsSelected)) {
        if (updateCount_ == 0)
            RemoveFromSelection(node);
        else
            InternalRemoveFromSelection(node);
    }
    if (states_.Contains(tsHint)) CancelHint();
    DeleteChildren(node, false);
    InternalDisconnectNode(node, false);
    DoFreeNode(node);
    InvalidateCache();
    // Children deleted as a whole are accounted for once, by DeleteChildren.
    if (updateCount_ == 0 && !HasState(parent, vsClearing)) {
        ValidateCache();
        UpdateScrollBars(true);
        // The rows below the deleted one moved up, whether or not the offsets changed.
        Invalidate();
    }
}

void TBaseVirtualTree::DeleteChildren(PVirtualNode node, bool resetHasChildren) {
    if (!node) node = Root();
    if (node->ChildCount == 0 && !node->FirstChild) {
        if (resetHasChildren && node != Root()) ExcludeStates(node, vsHasChildren);
        return;
    }
    VT_ASSERT(!states_.Contains(tsIterating),
              "Deleting nodes during tree iteration leads to invalid pointers.");
    BeginMutation();
    bool parentShown = node == Root() || (FullyVisible(node) && HasState(node, vsExpanded));
    IncludeStates(node, vsClearing);
    PVirtualNode run = node->LastChild;
    while (run) {
        if (parentShown && HasState(run, vsVisible)) store_.AdjustVisibleCount(-1);
        IncludeStates(run, vsDeleting);
        PVirtualNode mark = run;
        run = run->PrevSibling;
        // Unlinked before it is freed: a handler walking from the parent meets live nodes only.
        if (run) run->NextSibling = nullptr;
        node->LastChild = run;
        if (!run) node->FirstChild = nullptr;
        mark->PrevSibling = nullptr;
        if (node->ChildCount > 0) --node->ChildCount;
        // A leaf that is neither selected, focused, the range anchor nor under a hint asks
        // nothing of DeleteNode but its free: the common case of clearing a large tree.
        if (!mark->FirstChild && mark->ChildCount == 0 && !HasState(mark, vsSelected) &&
            mark != focusedNode_ && mark != rangeAnchor_ && !states_.Contains(tsHint))
            DoFreeNode(mark);
        else
            DeleteNode(mark);
    }
    ExcludeStates(node, vsClearing);
    if (resetHasChildren && node != Root()) ExcludeStates(node, vsHasChildren);
    if (node != Root()) ExcludeStates(node, vsExpanded);
    node->ChildCount = 0;
    if (node == Root() || HasState(node, vsDeleting)) {
        node->TotalHeight = node->NodeHeight;
        node->TotalCount = 1;
    } else {
        store_.AdjustTotalHeight(node, node->NodeHeight, false);
        store_.AdjustTotalCount(node, 1, false);
    }
    node->FirstChild = nullptr;
    node->LastChild = nullptr;
    InvalidateCache();
    if (updateCount_ == 0) {
        ValidateCache();
        UpdateScrollBars(true);
        Invalidate();
    }
    // The hidden root is never handed out: its changes report nil.
    StructureChange(node == Root() ? nullptr : node, crChildDeleted);
}

// --- Lazy initialisation -------------------------------------------------------------------------

void TBaseVirtualTree::InitNode(PVirtualNode node) {
    if (!node || node == Root()) return;
    TVirtualNodeInitStates initStates;
    // Marked first, so a handler that navigates to its own node does not initialise it again.
    IncludeStates(node, vsInitialized);
    DoInitNode(node->Parent == Root() ? nullptr : node->Parent, node, initStates);
    if (initStates.Contains(ivsDisabled)) IncludeStates(node, vsDisabled);
    if (initStates.Contains(ivsHasChildren)) IncludeStates(node, vsHasChildren);
    if (initStates.Contains(ivsSelected)) InternalAddToSelection({node}, false);
    if (HasState(node, vsExpanded) != initStates.Contains(ivsExpanded)) {
        if (initStates.Contains(ivsExpanded))
            ToggleNode(node);
        else if (HasState(node, vsHasChildren))
            InitChildren(node);
    }
}

void TBaseVirtualTree::InitChildren(PVirtualNode node) {
    if (!node || node == Root() || !HasState(node, vsHasChildren)) return;
    uint32_t count = node->ChildCount;
    DoInitChildren(node, count);
    if (count == 0) {
        DeleteChildren(node, false);
        ExcludeStates(node, vsHasChildren);
    } else {
        SetChildCount(node, count);
    }
}

void TBaseVirtualTree::ValidateNode(PVirtualNode node, bool recursive) {
    if (!node) node = Root();
    if (node != Root() && !HasState(node, vsInitialized)) InitNode(node);
    if (!recursive) return;
    if (HasState(node, vsHasChildren) && node->ChildCount == 0) InitChildren(node);
    for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
        ValidateNode(child, true);
}

void TBaseVirtualTree::ValidateChildren(PVirtualNode node, bool recursive) {
    if (!node) node = Root();
    if (HasState(node, vsHasChildren) && node->ChildCount == 0) InitChildren(node);
    for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling) {
        if (!HasState(child, vsInitialized)) InitNode(child);
        if (recursive) ValidateChildren(child, true);
    }
}

void TBaseVirtualTree::ReinitNode(PVirtualNode node, bool recursive) {
    if (node && node != Root()) {
        ExcludeStates(node, vsChecking | vsCutOrCopy | vsDeleting);
        InitNode(node);
    }
    if (recursive) ReinitChildren(node, true);
}

void TBaseVirtualTree::ReinitChildren(PVirtualNode node, bool recursive) {
    if (!node) node = Root();
    InitChildren(node);
    for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
        ReinitNode(child, recursive);
}

void TBaseVirtualTree::ResetNode(PVirtualNode node) {
    CancelEditNode();
    if (!node || node == Root()) {
        Clear();
        return;
    }
    DoReset(node);
    DeleteChildren(node, false);
    // Collapsing changes the heights the ancestors count: account for it before the flag goes.
    if (HasState(node, vsExpanded)) {
        BeginMutation();
        store_.AdjustTotalHeight(node, node->NodeHeight, false);
    }
    ExcludeStates(
        node, vsInitialized | vsChecking | vsCutOrCopy | vsDeleting | vsExpanded | vsHasChildren);
    InvalidateNode(node);
}
