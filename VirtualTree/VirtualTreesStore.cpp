// The node store: node memory in slabs, linking and unlinking, counters, relations and the
// navigation that initialises nothing.
#include "VirtualTreesStore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define VT_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define VT_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define VT_POISON(p, n) ((void)(p), (void)(n))
#define VT_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

static_assert(std::is_trivially_copyable_v<TVirtualNode> && std::is_standard_layout_v<TVirtualNode>,
              "nodes live in raw zero-filled memory");

static_assert(TVirtualNodeStore::HeadSize % TVirtualNodeStore::Alignment == 0);

// --- Node pool -------------------------------------------------------------------------------

namespace {

struct Pool;

// One slab: a header, then equal blocks. Freed blocks form a list through their first word.
struct Slab {
    Pool* pool;
    char* begin;  // first block
    char* bump;   // first never-used block
    char* end;
    void* freeList;
    size_t live;
    bool partial;  // listed in the pool's slabs with room
    size_t bytes;  // the whole mapping, header included
};

struct Pool {
    size_t size;
    Slab* current = nullptr;
    std::vector<Slab*> withRoom;  // slabs other than current with freed blocks
    size_t slabs = 0;
};

constexpr size_t kMinSlabBytes = 16 * 1024;
constexpr size_t kMaxSlabBytes = 2 * 1024 * 1024;

struct Pools {
    std::vector<Pool*> bySize;
    size_t mapped = 0;
    std::vector<Slab*> byAddress;  // sorted by address, for finding a block's slab

    Pool& For(size_t size) {
        for (Pool* p : bySize)
            if (p->size == size) return *p;
        bySize.push_back(new Pool{size, nullptr, {}, 0});
        return *bySize.back();
    }
    // The slab a block was found in last: nodes are mostly freed in runs from one slab.
    Slab* lastFound = nullptr;

    Slab* SlabOf(void* block) {
        if (lastFound && block >= static_cast<void*>(lastFound->begin) &&
            block < static_cast<void*>(lastFound->end))
            return lastFound;
        auto it = std::upper_bound(byAddress.begin(), byAddress.end(), block,
                                   [](void* b, Slab* s) { return b < static_cast<void*>(s); });
        if (it == byAddress.begin()) return nullptr;
        lastFound = *(it - 1);
        return lastFound;
    }
};

Pools& ThePools() {
    static Pools* pools = new Pools;  // lives as long as any node may
    return *pools;
}

// Maps `bytes` of zero-filled memory, filled in at once: one call costs less than a fault per
// page. No huge-page hint: on a fragmented machine the kernel then compacts memory on the
// first touch, which made large fills take two to five times as long in most runs.
char* MapSlab(size_t bytes) {
    void* mapping = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (mapping == MAP_FAILED) throw std::bad_alloc();
    return static_cast<char*>(mapping);
}

Slab* NewSlab(Pool& pool) {
    // Slabs grow with the pool, so a small tree takes little and a large one few slabs.
    const size_t bytes = std::min(kMaxSlabBytes, kMinSlabBytes << std::min<size_t>(pool.slabs, 7));
    const size_t header = TVirtualNodeStore::AlignUp(sizeof(Slab));
    const size_t count = (bytes - header) / pool.size;
    if (count == 0) throw std::bad_alloc();
    char* memory = MapSlab(bytes);
    auto* slab = new (memory) Slab{&pool,           memory + header,
                                   memory + header, memory + header + count * pool.size,
                                   nullptr,         0,
                                   false,           bytes};
    VT_POISON(slab->begin, bytes - header);
    Pools& pools = ThePools();
    pools.mapped += bytes;
    pools.byAddress.insert(std::upper_bound(pools.byAddress.begin(), pools.byAddress.end(), slab),
                           slab);
    ++pool.slabs;
    return slab;
}

void FreeSlab(Slab* slab) {
    Pool& pool = *slab->pool;
    Pools& pools = ThePools();
    pools.byAddress.erase(std::lower_bound(pools.byAddress.begin(), pools.byAddress.end(), slab));
    if (pools.lastFound == slab) pools.lastFound = nullptr;
    if (slab->partial)
        pool.withRoom.erase(std::find(pool.withRoom.begin(), pool.withRoom.end(), slab));
    if (pool.current == slab) pool.current = nullptr;
    --pool.slabs;
    pools.mapped -= slab->bytes;
    VT_UNPOISON(slab, slab->bytes);
    munmap(slab, slab->bytes);
}

}  // namespace

void* TNodePool::Find(size_t size) {
    return &ThePools().For(size);
}

void* TNodePool::Allocate(size_t size) {
    return Allocate(Find(size));
}

void* TNodePool::Allocate(void* handle) {
    Pool& pool = *static_cast<Pool*>(handle);
    const size_t size = pool.size;
    Slab* slab = pool.current;
    if (!slab || (!slab->freeList && slab->bump == slab->end)) {
        if (!pool.withRoom.empty()) {
            slab = pool.withRoom.back();
            pool.withRoom.pop_back();
            slab->partial = false;
        } else {
            slab = NewSlab(pool);
        }
        pool.current = slab;
    }
    void* block;
    ++slab->live;
    if (slab->freeList) {
        block = slab->freeList;
        VT_UNPOISON(block, size);
        slab->freeList = *static_cast<void**>(block);
        std::memset(block, 0, size);
    } else {
        // Never used since the slab was mapped: still zero.
        block = slab->bump;
        slab->bump += size;
        VT_UNPOISON(block, size);
    }
    return block;
}

void* TNodePool::AllocateRun(void* handle, size_t& count) {
    Pool& pool = *static_cast<Pool*>(handle);
    Slab* slab = pool.current;
    // Freed blocks are not adjacent: they go one at a time, as does the first of a new slab.
    if (count <= 1 || !slab || slab->freeList || slab->bump == slab->end) {
        count = 1;
        return Allocate(handle);
    }
    count = std::min(count, size_t(slab->end - slab->bump) / pool.size);
    char* run = slab->bump;
    slab->bump += count * pool.size;
    slab->live += count;
    VT_UNPOISON(run, count * pool.size);
    return run;  // never used since the slab was mapped: still zero
}

size_t TNodePool::MappedBytes() {
    return ThePools().mapped;
}

void TNodePool::Free(void* block) {
    if (!block) return;
    Slab* slab = ThePools().SlabOf(block);
    VT_ASSERT(slab && block >= slab->begin && block < slab->end, "Node was not made by a tree.");
    *static_cast<void**>(block) = slab->freeList;
    slab->freeList = block;
    VT_POISON(block, slab->pool->size);
    if (--slab->live == 0) {
        FreeSlab(slab);
        return;
    }
    if (slab != slab->pool->current && !slab->partial) {
        slab->partial = true;
        slab->pool->withRoom.push_back(slab);
    }
}

// --- The store -----------------------------------------------------------------------------

namespace {
// The root's block starts with the owning tree, one alignment unit before the root's head.
TBaseVirtualTree*& OwnerSlot(PVirtualNode root) {
    return *reinterpret_cast<TBaseVirtualTree**>(reinterpret_cast<char*>(root) -
                                                 TVirtualNodeStore::Alignment);
}
}  // namespace

TVirtualNodeStore::TVirtualNodeStore(TBaseVirtualTree* owner, uint32_t rootHeight) : owner_(owner) {
    AllocateRoot(rootHeight);
}

TVirtualNodeStore::~TVirtualNodeStore() {
    if (root_) std::free(reinterpret_cast<char*>(root_) - Alignment);
}

void TVirtualNodeStore::AllocateRoot(uint32_t rootHeight) {
    char* block = static_cast<char*>(std::calloc(1, Alignment + HeadSize + internalDataSize_));
    if (!block) throw std::bad_alloc();
    new (block) TBaseVirtualTree*(owner_);
    root_ = new (block + Alignment) TVirtualNode{};
    root_->TotalCount = 1;
    root_->NodeHeight = uint16_t(rootHeight);
    root_->TotalHeight = rootHeight;
    root_->States = vsInitialized | vsExpanded | vsHasChildren | vsVisible;
    root_->Align = 50;
    root_->PrevSibling = root_;
    root_->NextSibling = root_;
}

TBaseVirtualTree* TVirtualNodeStore::TreeFromNode(PVirtualNode node) {
    VT_ASSERT(node, "Node must not be nil.");
    while (node->Parent) node = node->Parent;
    return OwnerSlot(node);
}

uint32_t TVirtualNodeStore::AllocateInternalDataArea(uint32_t size) {
    VT_ASSERT(root_->FirstChild == nullptr,
              "Internal data allocation must be done before any node is created.");
    uint32_t offset = uint32_t(HeadSize + internalDataSize_);
    uint32_t grown = internalDataSize_ + uint32_t(AlignUp(size));
    char* block = static_cast<char*>(std::calloc(1, Alignment + HeadSize + grown));
    if (!block) throw std::bad_alloc();
    std::memcpy(block, reinterpret_cast<char*>(root_) - Alignment,
                Alignment + HeadSize + internalDataSize_);
    std::free(reinterpret_cast<char*>(root_) - Alignment);
    root_ = reinterpret_cast<PVirtualNode>(block + Alignment);
    root_->PrevSibling = root_;
    root_->NextSibling = root_;
    internalDataSize_ = grown;
    return offset;
}

size_t TVirtualNodeStore::NodeSize() const {
    return HeadSize + internalDataSize_ + (nodeDataSize_ > 0 ? AlignUp(size_t(nodeDataSize_)) : 0);
}

PVirtualNode TVirtualNodeStore::MakeNewNode(uint16_t height) {
    return NewNode(height, nullptr, 0, nullptr);
}

void* TVirtualNodeStore::NewBlocks(size_t& count) {
    const size_t size = NodeSize();
    if (size != poolSize_) {
        pool_ = TNodePool::Find(size);
        poolSize_ = size;
    }
    return TNodePool::AllocateRun(pool_, count);
}

PVirtualNode TVirtualNodeStore::NewNode(uint16_t height, PVirtualNode parent, uint32_t index,
                                        PVirtualNode prev) {
    size_t one = 1;
    return Construct(NewBlocks(one), height, parent, index, prev);
}

PVirtualNode TVirtualNodeStore::Construct(void* block, uint16_t height, PVirtualNode parent,
                                          uint32_t index, PVirtualNode prev) {
    // Every field written once, with its final value.
    return new (block) TVirtualNode{.Index = index,
                                    .ChildCount = 0,
                                    .NodeHeight = height,
                                    .States = vsVisible,
                                    .Align = 50,
                                    .CheckState = 0,
                                    .CheckType = 0,
                                    .Dummy = 0,
                                    .TotalCount = 1,
                                    .TotalHeight = height,
                                    .Parent = parent,
                                    .PrevSibling = prev,
                                    .NextSibling = nullptr,
                                    .FirstChild = nullptr,
                                    .LastChild = nullptr};
}

void TVirtualNodeStore::FreeNodeMemory(PVirtualNode node) {
    // A root (linked to itself) has its owner in front of it and is never handed to the pool.
    if (node && node->PrevSibling != node) TNodePool::Free(node);
}

// --- Counters --------------------------------------------------------------------------------

void TVirtualNodeStore::AdjustTotalCount(PVirtualNode node, int64_t value, bool relative) {
    int64_t delta = relative ? value : value - int64_t(node->TotalCount);
    if (delta == 0) return;
    for (PVirtualNode run = node; run; run = run->Parent)
        run->TotalCount = uint32_t(int64_t(run->TotalCount) + delta);
}

void TVirtualNodeStore::AdjustTotalHeight(PVirtualNode node, int64_t value, bool relative) {
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

// --- Structure -------------------------------------------------------------------------------

void TVirtualNodeStore::AppendChild(PVirtualNode node, uint16_t height) {
    PVirtualNode last = node->LastChild;
    PVirtualNode child = NewNode(height, node, last ? last->Index + 1 : 0, last);
    if (last)
        last->NextSibling = child;
    else {
        IncludeStates(node, vsHasChildren);
        node->FirstChild = child;
    }
    node->LastChild = child;
    if (HasState(node, vsExpanded)) {
        AdjustTotalHeight(node, height, true);
        if (FullyVisible(node)) ++visibleCount_;
    }
    for (PVirtualNode run = node; run; run = run->Parent) ++run->TotalCount;
    ++node->ChildCount;
}

void TVirtualNodeStore::AppendChildren(PVirtualNode node, uint32_t count, uint16_t height) {
    if (count == 1) {
        AppendChild(node, height);
        return;
    }
    uint32_t index = node->LastChild ? node->LastChild->Index + 1 : 0;
    if (!node->LastChild) IncludeStates(node, vsHasChildren);
    uint32_t added = 0;
    auto account = [&] {
        if (added == 0) return;
        if (HasState(node, vsExpanded)) {
            AdjustTotalHeight(node, int64_t(added) * height, true);
            if (FullyVisible(node)) visibleCount_ += added;
        }
        AdjustTotalCount(node, added, true);
        node->ChildCount += added;
    };
    try {
        while (added < count) {
            // Runs of adjacent blocks, each node built in place and linked to the one before.
            size_t run = count - added;
            char* block = static_cast<char*>(NewBlocks(run));
            const size_t size = poolSize_;
            for (size_t i = 0; i < run; ++i, block += size) {
                PVirtualNode child = Construct(block, height, node, index++, node->LastChild);
                if (node->LastChild) node->LastChild->NextSibling = child;
                node->LastChild = child;
                if (!node->FirstChild) node->FirstChild = child;
            }
            added += uint32_t(run);
        }
    } catch (...) {
        account();  // the nodes made so far stay, counted
        throw;
    }
    account();
}

void TVirtualNodeStore::Link(PVirtualNode node, PVirtualNode destination, TVTNodeAttachMode mode) {
    if (!destination) destination = root_;
    PVirtualNode parent = nullptr;
    switch (mode) {
        case amInsertBefore:
            VT_ASSERT(destination != root_, "Node must not be the hidden root node.");
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
            VT_ASSERT(destination != root_, "Node must not be the hidden root node.");
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
    AdjustTotalCount(parent, node->TotalCount, true);
    // A hidden node adds no rows: only shown rows count in the parent's height.
    if (HasState(parent, vsExpanded) && HasState(node, vsVisible))
        AdjustTotalHeight(parent, node->TotalHeight, true);
    if (FullyVisible(node)) visibleCount_ += CountVisibleChildren(node) + 1;
}

void TVirtualNodeStore::Unlink(PVirtualNode node, bool reindex) {
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

void TVirtualNodeStore::SetExpandedState(PVirtualNode node, bool expanded) {
    if (HasState(node, vsExpanded) == expanded) return;
    if (expanded) {
        int64_t heights = 0;
        for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
            if (HasState(child, vsVisible)) heights += child->TotalHeight;
        IncludeStates(node, vsExpanded);
        AdjustTotalHeight(node, heights, true);
        if (FullyVisible(node)) visibleCount_ += CountVisibleChildren(node);
    } else {
        AdjustTotalHeight(node, node->NodeHeight, false);
        if (FullyVisible(node)) visibleCount_ -= CountVisibleChildren(node);
        ExcludeStates(node, vsExpanded);
    }
}

// --- Relations -------------------------------------------------------------------------------

bool TVirtualNodeStore::FullyVisible(PVirtualNode node) const {
    VT_ASSERT(node, "Invalid parameter.");
    return HasState(node, vsVisible) && (node == root_ || VisiblePath(node));
}

bool TVirtualNodeStore::VisiblePath(PVirtualNode node) const {
    VT_ASSERT(node && node != root_, "Invalid parameters.");
    for (PVirtualNode run = node->Parent; run != root_; run = run->Parent)
        if (!HasState(run, vsExpanded) || !HasState(run, vsVisible)) return false;
    return true;
}

uint32_t TVirtualNodeStore::CountVisibleChildren(PVirtualNode node) const {
    VT_ASSERT(HasState(node, vsVisible), "Node must be visible.");
    if (!HasState(node, vsExpanded)) return 0;
    uint32_t count = 0;
    for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
        if (HasState(child, vsVisible)) count += 1 + CountVisibleChildren(child);
    return count;
}

uint32_t TVirtualNodeStore::GetNodeLevel(PVirtualNode node) const {
    uint32_t level = 0;
    if (!node || node == root_) return 0;
    for (PVirtualNode run = node->Parent; run && run != root_; run = run->Parent) ++level;
    return level;
}

bool TVirtualNodeStore::HasAsParent(PVirtualNode node, PVirtualNode potentialParent) const {
    if (!node || !potentialParent || node == potentialParent) return false;
    for (PVirtualNode run = node->Parent; run && run != root_; run = run->Parent)
        if (run == potentialParent) return true;
    return false;
}

PVirtualNode TVirtualNodeStore::GetVisibleParent(PVirtualNode node) const {
    VT_ASSERT(node, "Node must not be nil.");
    PVirtualNode run = node == root_ ? root_ : node->Parent;
    while (run != root_ && !FullyVisible(run)) run = run->Parent;
    return run;
}

int TVirtualNodeStore::LevelDelta(PVirtualNode node1, PVirtualNode node2) const {
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

int TVirtualNodeStore::CompareNodePositions(PVirtualNode node1, PVirtualNode node2) const {
    VT_ASSERT(node1 && node2, "Nodes must never be nil.");
    if (node1 == node2) return 0;
    if (HasAsParent(node1, node2)) return 1;
    if (HasAsParent(node2, node1)) return -1;
    uint32_t level1 = GetNodeLevel(node1), level2 = GetNodeLevel(node2);
    for (; level1 > level2; --level1) node1 = node1->Parent;
    for (; level2 > level1; --level2) node2 = node2->Parent;
    while (node1->Parent != node2->Parent) {
        node1 = node1->Parent;
        node2 = node2->Parent;
    }
    return int(node1->Index) - int(node2->Index);
}
