// The tree's node store: node memory, the structure (links, counts, aggregated heights) and
// navigation that initialises nothing. It knows no events, no window and no painting; the tree
// control drives it and fires the events around its calls.
#pragma once

#include "VirtualTreesTypes.h"

#include <cstddef>
#include <cstdint>

class TBaseVirtualTree;

// Fixed-size node blocks carved from large mapped slabs. Every node size has one pool for the whole
// process, so a node may move from one tree to another and still be freed; a slab goes back to
// the system when its last node is freed. Used from the interface thread only (the position
// cache's worker reads nodes but never makes or frees them).
class TNodePool {
public:
    // A zero-filled block of `size` bytes (a multiple of the node alignment).
    static void* Allocate(size_t size);
    // The pool of one block size, and a block from it: the same as Allocate(size), faster.
    static void* Find(size_t size);
    static void* Allocate(void* pool);
    // Up to `count` adjacent zero-filled blocks (count becomes how many, at least one).
    static void* AllocateRun(void* pool, size_t& count);
    // Gives back a block that Allocate made.
    static void Free(void* block);
    // The memory the pools hold from the system now (slabs mapped outside the heap).
    static size_t MappedBytes();
};

class TVirtualNodeStore {
public:
    // Node memory is aligned to this; the node head takes HeadSize bytes of it.
    static constexpr size_t Alignment = alignof(std::max_align_t);
    static constexpr size_t AlignUp(size_t n) {
        return (n + Alignment - 1) / Alignment * Alignment;
    }
    static constexpr size_t HeadSize = (sizeof(TVirtualNode) + alignof(std::max_align_t) - 1) /
                                       alignof(std::max_align_t) * alignof(std::max_align_t);

    TVirtualNodeStore(TBaseVirtualTree* owner, uint32_t rootHeight);
    ~TVirtualNodeStore();
    TVirtualNodeStore(const TVirtualNodeStore&) = delete;
    TVirtualNodeStore& operator=(const TVirtualNodeStore&) = delete;

    PVirtualNode Root() const { return root_; }
    // The tree that holds a node (walks up to the hidden root).
    static TBaseVirtualTree* TreeFromNode(PVirtualNode node);

    // --- Memory ---
    int NodeDataSize() const { return nodeDataSize_; }
    // Only while no node exists (the tree clears first).
    void SetNodeDataSize(int value) { nodeDataSize_ = value < -1 ? -1 : value; }
    uint32_t InternalDataSize() const { return internalDataSize_; }
    // Reserves size bytes in every node; returns the area's offset from the node's start.
    uint32_t AllocateInternalDataArea(uint32_t size);
    // A detached, zero-filled node of this store's size with the given row height.
    PVirtualNode MakeNewNode(uint16_t height);
    // Frees a detached node (any store's) without events.
    static void FreeNodeMemory(PVirtualNode node);
    void* NodeData(PVirtualNode node) const {
        if (!node || node == root_) return nullptr;
        VT_ASSERT(nodeDataSize_ >= 1, "NodeDataSize not initialized.");
        return reinterpret_cast<char*>(node) + HeadSize + internalDataSize_;
    }

    // --- Counters ---
    // Number of shown nodes (visible, under expanded and visible ancestors).
    uint32_t VisibleCount() const { return visibleCount_; }
    void AdjustVisibleCount(int64_t delta) {
        visibleCount_ = uint32_t(int64_t(visibleCount_) + delta);
    }
    void ResetVisibleCount() { visibleCount_ = 0; }
    // Adds to (relative) or sets the TotalCount of node and its ancestors.
    void AdjustTotalCount(PVirtualNode node, int64_t value, bool relative);
    // Adds to (relative) or sets the TotalHeight of node and of the ancestors that show it.
    void AdjustTotalHeight(PVirtualNode node, int64_t value, bool relative);

    // --- Structure ---
    // Appends `count` new nodes to parent; the nodes made before a failure stay, counted.
    void AppendChildren(PVirtualNode parent, uint32_t count, uint16_t height);
    void AppendChild(PVirtualNode parent, uint16_t height);
    // Links a detached node relative to destination and counts it in.
    void Link(PVirtualNode node, PVirtualNode destination, TVTNodeAttachMode mode);
    // Unlinks a node from its parent and counts it out; the node keeps its children.
    void Unlink(PVirtualNode node, bool reindex);
    // Marks a node expanded or collapsed and updates heights and the shown count.
    void SetExpandedState(PVirtualNode node, bool expanded);

    // --- Relations ---
    bool FullyVisible(PVirtualNode node) const;
    bool VisiblePath(PVirtualNode node) const;
    uint32_t CountVisibleChildren(PVirtualNode node) const;
    uint32_t GetNodeLevel(PVirtualNode node) const;
    bool HasAsParent(PVirtualNode node, PVirtualNode potentialParent) const;
    PVirtualNode GetVisibleParent(PVirtualNode node) const;
    int LevelDelta(PVirtualNode node1, PVirtualNode node2) const;
    int CompareNodePositions(PVirtualNode node1, PVirtualNode node2) const;

    // --- Navigation without initialisation ---
    PVirtualNode GetFirst() const { return root_->FirstChild; }
    PVirtualNode GetFirstVisible() const;
    PVirtualNode GetNext(PVirtualNode node) const;
    PVirtualNode GetNextVisible(PVirtualNode node) const;
    PVirtualNode GetLast(PVirtualNode node) const;
    PVirtualNode GetLastChild(PVirtualNode node) const;
    PVirtualNode GetLastVisibleChild(PVirtualNode node) const;
    PVirtualNode GetLastVisible(PVirtualNode node) const;
    PVirtualNode GetPrevious(PVirtualNode node) const;
    PVirtualNode GetPreviousVisible(PVirtualNode node) const;
    static PVirtualNode GetNextVisibleSibling(PVirtualNode node);
    static PVirtualNode GetPreviousVisibleSibling(PVirtualNode node);

private:
    void AllocateRoot(uint32_t rootHeight);
    // A new node of this store's size with its links to the given parent and previous sibling.
    PVirtualNode NewNode(uint16_t height, PVirtualNode parent, uint32_t index, PVirtualNode prev);
    // Up to `count` adjacent blocks of this store's node size (count becomes how many).
    void* NewBlocks(size_t& count);
    static PVirtualNode Construct(void* block, uint16_t height, PVirtualNode parent, uint32_t index,
                                  PVirtualNode prev);
    size_t NodeSize() const;

    TBaseVirtualTree* owner_;
    PVirtualNode root_ = nullptr;
    int nodeDataSize_ = -1;
    uint32_t internalDataSize_ = 0;
    uint32_t visibleCount_ = 0;
    void* pool_ = nullptr;  // the pool of poolSize_ blocks
    size_t poolSize_ = 0;
};
