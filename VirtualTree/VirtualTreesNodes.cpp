// Node store: allocation, creation and deletion, linking, lazy initialisation and the counters.
#include "VirtualTrees.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr size_t kAlign = alignof(std::max_align_t);
constexpr size_t AlignUp(size_t n) { return (n + kAlign - 1) / kAlign * kAlign; }
constexpr size_t kHeadSize = AlignUp(sizeof(TVirtualNode));

static_assert(std::is_trivially_copyable_v<TVirtualNode> && std::is_standard_layout_v<TVirtualNode>,
              "nodes live in raw zero-filled memory");

// The root's block starts with the owning tree, one alignment unit before the root's head.
TBaseVirtualTree*& OwnerSlot(PVirtualNode root) {
    return *reinterpret_cast<TBaseVirtualTree**>(reinterpret_cast<char*>(root) - kAlign);
}

}  // namespace

void ShowError(const std::string& message, int helpContext) {
    throw EVirtualTreeError(message, helpContext);
}

void RaiseAssertion(const char* message, const char* file, int line) {
    throw EVTAssertion(message, file, line);
}

// --- Allocation ------------------------------------------------------------------------------

void TBaseVirtualTree::AllocateRoot() {
    size_t size = kAlign + kHeadSize + internalDataSize_;
    char* block = static_cast<char*>(std::calloc(1, size));
    if (!block) throw std::bad_alloc();
    new (block) TBaseVirtualTree*(this);
    root_ = new (block + kAlign) TVirtualNode{};
    root_->TotalCount = 1;
    root_->NodeHeight = uint16_t(defaultNodeHeight_);
    root_->TotalHeight = defaultNodeHeight_;
    root_->States = vsInitialized | vsExpanded | vsHasChildren | vsVisible;
    root_->Align = 50;
    root_->PrevSibling = root_;
    root_->NextSibling = root_;
}

void TBaseVirtualTree::FreeRoot() {
    if (!root_) return;
    std::free(reinterpret_cast<char*>(root_) - kAlign);
    root_ = nullptr;
}

TBaseVirtualTree* TBaseVirtualTree::TreeFromNode(PVirtualNode node) {
    VT_ASSERT(node, "Node must not be nil.");
    while (node->Parent) node = node->Parent;
    return OwnerSlot(node);
}

uint32_t TBaseVirtualTree::AllocateInternalDataArea(uint32_t size) {
    VT_ASSERT(root_->FirstChild == nullptr,
              "Internal data allocation must be done before any node is created.");
    InterruptValidation();
    uint32_t offset = uint32_t(kHeadSize + internalDataSize_);
    uint32_t grown = internalDataSize_ + uint32_t(AlignUp(size));
    size_t newSize = kAlign + kHeadSize + grown;
    char* block = static_cast<char*>(std::calloc(1, newSize));
    if (!block) throw std::bad_alloc();
    std::memcpy(block, reinterpret_cast<char*>(root_) - kAlign, kAlign + kHeadSize + internalDataSize_);
    FreeRoot();
    root_ = reinterpret_cast<PVirtualNode>(block + kAlign);
    root_->PrevSibling = root_;
    root_->NextSibling = root_;
    internalDataSize_ = grown;
    return offset;
}

int TBaseVirtualTree::ResolveNodeDataSize() {
    if (nodeDataSize_ == -1) {
        int size = GetNodeDataSize();
        nodeDataSize_ = size < -1 ? -1 : size;
    }
    return nodeDataSize_;
}

PVirtualNode TBaseVirtualTree::MakeNewNode() {
    int dataSize = ResolveNodeDataSize();
    size_t size = kHeadSize + internalDataSize_ + (dataSize > 0 ? AlignUp(size_t(dataSize)) : 0);
    void* block = std::calloc(1, size);
    if (!block) throw std::bad_alloc();
    auto* node = new (block) TVirtualNode{};
    node->TotalCount = 1;
    node->NodeHeight = uint16_t(defaultNodeHeight_);
    node->TotalHeight = defaultNodeHeight_;
    node->States = vsVisible;
    node->Align = 50;
    return node;
}

void TBaseVirtualTree::FreeNodeMemory(PVirtualNode node) {
    if (node && node != root_) std::free(node);
}

void* TBaseVirtualTree::GetNodeData(PVirtualNode node) const {
    if (!node || node == root_) return nullptr;
    VT_ASSERT(nodeDataSize_ >= 1, "NodeDataSize not initialized.");
    return reinterpret_cast<char*>(node) + kHeadSize + internalDataSize_;
}

void TBaseVirtualTree::SetNodeDataSize(int value) {
    if (value < -1) value = -1;
    if (value == nodeDataSize_) return;
    nodeDataSize_ = value;
    if (loading_) return;
    // Every node is made anew with the new size.
    uint32_t count = root_->ChildCount;
    Clear();
    SetRootNodeCount(count);
}

// --- Counters ----------------------------------------------------------------------------------

void TBaseVirtualTree::BeginMutation() {
    InterruptValidation();
    InvalidateCache();
}

void TBaseVirtualTree::AdjustTotalCount(PVirtualNode node, int64_t value, bool relative) {
    int64_t delta = relative ? value : value - int64_t(node->TotalCount);
    if (delta == 0) return;
    for (PVirtualNode run = node; run; run = run->Parent)
        run->TotalCount = uint32_t(int64_t(run->TotalCount) + delta);
}

void TBaseVirtualTree::AdjustTotalHeight(PVirtualNode node, int64_t value, bool relative) {
    int64_t delta = relative ? value : value - int64_t(node->TotalHeight);
    if (delta == 0) return;
    PVirtualNode run = node;
    for (;;) {
        run->TotalHeight = uint32_t(int64_t(run->TotalHeight) + delta);
        // The change reaches the parent only through a row that the parent shows.
        if (run == root_ || !HasState(run, vsVisible) || !HasState(run->Parent, vsExpanded)) break;
        run = run->Parent;
    }
}

bool TBaseVirtualTree::FullyVisible(PVirtualNode node) const {
    VT_ASSERT(node, "Invalid parameter.");
    return HasState(node, vsVisible) && (node == root_ || VisiblePath(node));
}

bool TBaseVirtualTree::VisiblePath(PVirtualNode node) const {
    VT_ASSERT(node && node != root_, "Invalid parameters.");
    for (PVirtualNode run = node->Parent; run != root_; run = run->Parent)
        if (!HasState(run, vsExpanded) || !HasState(run, vsVisible)) return false;
    return true;
}

uint32_t TBaseVirtualTree::CountVisibleChildren(PVirtualNode node) const {
    VT_ASSERT(HasState(node, vsVisible), "Node must be visible.");
    if (!HasState(node, vsExpanded)) return 0;
    uint32_t count = 0;
    for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
        if (HasState(child, vsVisible)) count += 1 + CountVisibleChildren(child);
    return count;
}

uint32_t TBaseVirtualTree::GetNodeLevel(PVirtualNode node) const {
    uint32_t level = 0;
    if (!node || node == root_) return 0;
    for (PVirtualNode run = node->Parent; run && run != root_; run = run->Parent) ++level;
    return level;
}

bool TBaseVirtualTree::HasAsParent(PVirtualNode node, PVirtualNode potentialParent) const {
    if (!node || !potentialParent || node == potentialParent) return false;
    for (PVirtualNode run = node->Parent; run && run != root_; run = run->Parent)
        if (run == potentialParent) return true;
    return false;
}

PVirtualNode TBaseVirtualTree::GetVisibleParent(PVirtualNode node) const {
    VT_ASSERT(node, "Node must not be nil.");
    PVirtualNode run = node == root_ ? root_ : node->Parent;
    while (run != root_ && !FullyVisible(run)) run = run->Parent;
    return run;
}

int TBaseVirtualTree::LevelDelta(PVirtualNode node1, PVirtualNode node2) const {
    VT_ASSERT(node1 && node2, "Both nodes must be Assigned.");
    if (node1 == node2->Parent) return 1;
    int result = 0;
    PVirtualNode run = node1;
    while (run && run != root_ && run->Parent != node2->Parent) {
        run = run->Parent;
        --result;
    }
    return result;
}

// --- Creating nodes ------------------------------------------------------------------------------

PVirtualNode TBaseVirtualTree::AddChild(PVirtualNode parent, void* userData) {
    CancelEditNode();
    if (!parent) parent = root_;
    if (!HasState(parent, vsInitialized)) InitNode(parent);
    // A refused initial pointer must leave the tree as it was: check before anything is made.
    if (userData && ResolveNodeDataSize() < int(sizeof(void*)))
        ShowError("Cannot set initial user data because there is not enough user data space "
                  "allocated.",
                  2008);
    ++updateCount_;
    try {
        SetChildCount(parent, parent->ChildCount + 1);
    } catch (...) {
        --updateCount_;
        throw;
    }
    --updateCount_;
    PVirtualNode result = parent->LastChild;
    if (userData) {
        std::memcpy(GetNodeData(result), &userData, sizeof(void*));
        IncludeStates(result, vsInitialUserData);
    }
    if (updateCount_ == 0) {
        ValidateCache();
        if (states_.Contains(tsStructureChangePending))
            StructureChange(parent == root_ ? nullptr : parent, crChildAdded);
        if (TreeOptions().AutoOptions().Contains(toAutoSort) && Header().SortColumn() > InvalidColumn)
            Sort(parent, Header().SortColumn(), Header().SortDirection(), true);
        InvalidateToBottom(parent);
        UpdateScrollBars(true);
    }
    return result;
}

void TBaseVirtualTree::SetChildCount(PVirtualNode node, uint32_t newCount) {
    if (!node) node = root_;
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
        uint32_t index = node->LastChild ? node->LastChild->Index + 1 : 0;
        if (!node->LastChild) IncludeStates(node, vsHasChildren);
        uint32_t added = 0;
        int64_t heights = 0;
        auto account = [&] {
            if (added == 0) return;
            if (HasState(node, vsExpanded)) {
                AdjustTotalHeight(node, heights, true);
                if (FullyVisible(node)) visibleCount_ += added;
            }
            AdjustTotalCount(node, added, true);
            node->ChildCount += added;
        };
        try {
            while (node->ChildCount + added < newCount) {
                PVirtualNode child = MakeNewNode();
                child->Index = index++;
                child->Parent = node;
                child->PrevSibling = node->LastChild;
                if (node->LastChild) node->LastChild->NextSibling = child;
                node->LastChild = child;
                if (!node->FirstChild) node->FirstChild = child;
                heights += child->NodeHeight;
                ++added;
            }
        } catch (...) {
            account();  // the nodes made so far stay, counted
            throw;
        }
        account();
        InvalidateCache();
    }
    if (updateCount_ == 0) {
        ValidateCache();
        UpdateScrollBars(true);
        Invalidate();
    }
    StructureChange(node == root_ ? nullptr : node, crChildAdded);
}

void TBaseVirtualTree::SetRootNodeCount(uint32_t value) {
    if (loading_) {
        root_->ChildCount = value;
        SetTreeState(tsNeedRootCountUpdate);
        return;
    }
    if (value == root_->ChildCount) return;
    BeginUpdate();
    try {
        InterruptValidation();
        SetChildCount(root_, value);
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
    if (!destination) destination = target->root_;
    target->BeginMutation();
    PVirtualNode parent = nullptr;
    switch (mode) {
    case amInsertBefore:
        VT_ASSERT(destination != target->root_, "Node must not be the hidden root node.");
        parent = destination->Parent;
        node->Index = destination->Index;
        node->PrevSibling = destination->PrevSibling;
        node->NextSibling = destination;
        destination->PrevSibling = node;
        if (node->PrevSibling)
            node->PrevSibling->NextSibling = node;
        else
            parent->FirstChild = node;
        break;
    case amInsertAfter:
        VT_ASSERT(destination != target->root_, "Node must not be the hidden root node.");
        parent = destination->Parent;
        node->Index = destination->Index + 1;
        node->PrevSibling = destination;
        node->NextSibling = destination->NextSibling;
        destination->NextSibling = node;
        if (node->NextSibling)
            node->NextSibling->PrevSibling = node;
        else
            parent->LastChild = node;
        break;
    case amAddChildFirst:
        parent = destination;
        node->Index = 0;
        node->PrevSibling = nullptr;
        node->NextSibling = parent->FirstChild;
        if (parent->FirstChild)
            parent->FirstChild->PrevSibling = node;
        else
            parent->LastChild = node;
        parent->FirstChild = node;
        break;
    default:  // amAddChildLast
        parent = destination;
        node->Index = parent->LastChild ? parent->LastChild->Index + 1 : 0;
        node->NextSibling = nullptr;
        node->PrevSibling = parent->LastChild;
        if (parent->LastChild)
            parent->LastChild->NextSibling = node;
        else
            parent->FirstChild = node;
        parent->LastChild = node;
        break;
    }
    node->Parent = parent;
    for (PVirtualNode run = node->NextSibling; run; run = run->NextSibling) ++run->Index;
    ++parent->ChildCount;
    IncludeStates(parent, vsHasChildren);
    target->AdjustTotalCount(parent, node->TotalCount, true);
    // A hidden node adds no rows: only shown rows count in the parent's height.
    if (HasState(parent, vsExpanded) && HasState(node, vsVisible))
        target->AdjustTotalHeight(parent, node->TotalHeight, true);
    if (target->FullyVisible(node)) target->visibleCount_ += target->CountVisibleChildren(node) + 1;
}

void TBaseVirtualTree::InternalDisconnectNode(PVirtualNode node, bool keepFocus, bool reindex) {
    VT_ASSERT(node && node != root_, "Node must neither be nil nor the root node.");
    if (node == focusedNode_ && !keepFocus) {
        // The focus leaves a node that goes away: no one is asked, and the handlers see nil.
        DoFocusNode(nullptr, false);
        DoFocusChange(focusedNode_, focusedColumn_);
    }
    if (node == rangeAnchor_) ResetRangeAnchor();
    // After the handlers: one of them may have started a validation that still sees the node.
    BeginMutation();
    if (HasState(node, vsDeleting)) return;
    ExcludeStates(node, vsChecking);
    PVirtualNode parent = node->Parent;
    --parent->ChildCount;
    if (parent->ChildCount == 0 && parent != root_) ExcludeStates(parent, vsHasChildren);
    AdjustTotalCount(parent, -int64_t(node->TotalCount), true);
    if (HasState(parent, vsExpanded) && HasState(node, vsVisible))
        AdjustTotalHeight(parent, -int64_t(node->TotalHeight), true);
    if (FullyVisible(node)) visibleCount_ -= CountVisibleChildren(node) + 1;
    if (node->PrevSibling)
        node->PrevSibling->NextSibling = node->NextSibling;
    else
        parent->FirstChild = node->NextSibling;
    if (node->NextSibling) {
        node->NextSibling->PrevSibling = node->PrevSibling;
        if (reindex)
            for (PVirtualNode run = node->NextSibling; run; run = run->NextSibling) --run->Index;
    } else {
        parent->LastChild = node->PrevSibling;
    }
    node->PrevSibling = nullptr;
    node->NextSibling = nullptr;
}

// --- Deleting nodes ------------------------------------------------------------------------------

void TBaseVirtualTree::DeleteNode(PVirtualNode node) {
    if (!node || node == root_) return;
    VT_ASSERT(!states_.Contains(tsIterating),
              "Deleting nodes during tree iteration leads to invalid pointers.");
    BeginMutation();
    PVirtualNode parent = node->Parent;
    if (!HasState(parent, vsClearing)) StructureChange(parent == root_ ? nullptr : parent, crChildDeleted);
    if (HasState(node, vsSelected)) {
        if (updateCount_ == 0)
            RemoveFromSelection(node);
        else
            InternalRemoveFromSelection(node);
    }
    if (states_.Contains(tsHint)) {
        lastHintNode_ = nullptr;
        SetTreeState(tsHint, false);
    }
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
    if (!node) node = root_;
    if (node->ChildCount == 0 && !node->FirstChild) {
        if (resetHasChildren && node != root_) ExcludeStates(node, vsHasChildren);
        return;
    }
    VT_ASSERT(!states_.Contains(tsIterating),
              "Deleting nodes during tree iteration leads to invalid pointers.");
    BeginMutation();
    bool parentShown = node == root_ || (FullyVisible(node) && HasState(node, vsExpanded));
    IncludeStates(node, vsClearing);
    PVirtualNode run = node->LastChild;
    while (run) {
        if (parentShown && HasState(run, vsVisible)) --visibleCount_;
        IncludeStates(run, vsDeleting);
        PVirtualNode mark = run;
        run = run->PrevSibling;
        if (run) run->NextSibling = nullptr;
        DeleteNode(mark);
    }
    ExcludeStates(node, vsClearing);
    if (resetHasChildren && node != root_) ExcludeStates(node, vsHasChildren);
    if (node != root_) ExcludeStates(node, vsExpanded);
    node->ChildCount = 0;
    if (node == root_ || HasState(node, vsDeleting)) {
        node->TotalHeight = node->NodeHeight;
        node->TotalCount = 1;
    } else {
        AdjustTotalHeight(node, node->NodeHeight, false);
        AdjustTotalCount(node, 1, false);
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
    StructureChange(node == root_ ? nullptr : node, crChildDeleted);
}

// --- Lazy initialisation -------------------------------------------------------------------------

void TBaseVirtualTree::InitNode(PVirtualNode node) {
    if (!node || node == root_) return;
    TVirtualNodeInitStates initStates;
    // Marked first, so a handler that navigates to its own node does not initialise it again.
    IncludeStates(node, vsInitialized);
    DoInitNode(node->Parent == root_ ? nullptr : node->Parent, node, initStates);
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
    if (!node || node == root_ || !HasState(node, vsHasChildren)) return;
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
    if (!node) node = root_;
    if (node != root_ && !HasState(node, vsInitialized)) InitNode(node);
    if (!recursive) return;
    if (HasState(node, vsHasChildren) && node->ChildCount == 0) InitChildren(node);
    for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
        ValidateNode(child, true);
}

void TBaseVirtualTree::ValidateChildren(PVirtualNode node, bool recursive) {
    if (!node) node = root_;
    if (HasState(node, vsHasChildren) && node->ChildCount == 0) InitChildren(node);
    for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling) {
        if (!HasState(child, vsInitialized)) InitNode(child);
        if (recursive) ValidateChildren(child, true);
    }
}

void TBaseVirtualTree::ReinitNode(PVirtualNode node, bool recursive) {
    if (node && node != root_) {
        ExcludeStates(node, vsChecking | vsCutOrCopy | vsDeleting);
        InitNode(node);
    }
    if (recursive) ReinitChildren(node, true);
}

void TBaseVirtualTree::ReinitChildren(PVirtualNode node, bool recursive) {
    if (!node) node = root_;
    InitChildren(node);
    for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
        ReinitNode(child, recursive);
}

void TBaseVirtualTree::ResetNode(PVirtualNode node) {
    CancelEditNode();
    if (!node || node == root_) {
        Clear();
        return;
    }
    DoReset(node);
    DeleteChildren(node, false);
    // Collapsing changes the heights the ancestors count: account for it before the flag goes.
    if (HasState(node, vsExpanded)) {
        BeginMutation();
        AdjustTotalHeight(node, node->NodeHeight, false);
    }
    ExcludeStates(node, vsInitialized | vsChecking | vsCutOrCopy | vsDeleting | vsExpanded |
                            vsHasChildren);
    InvalidateNode(node);
}
