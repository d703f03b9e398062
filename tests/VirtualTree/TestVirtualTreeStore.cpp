// The node store and the geometry on their own: slab memory, counters, and row tops computed
// without the position cache against a row-by-row count.
#include "TreeTestSupport.h"

#include "VirtualTreesGeometry.h"

#include <random>

TEST(VirtualTreeStore, PoolBlocksAreZeroFilledReusedAndFreedAcrossSlabs) {
    std::vector<void*> blocks;
    for (int i = 0; i < 5000; ++i) {
        auto* block = static_cast<unsigned char*>(TNodePool::Allocate(96));
        ASSERT_EQ(reinterpret_cast<uintptr_t>(block) % alignof(std::max_align_t), 0u);
        for (int b = 0; b < 96; ++b) ASSERT_EQ(block[b], 0) << i;
        std::fill(block, block + 96, 0xAB);
        blocks.push_back(block);
    }
    // Free every other block, then take as many again: each comes back zero-filled.
    for (size_t i = 0; i < blocks.size(); i += 2) TNodePool::Free(blocks[i]);
    for (size_t i = 0; i < blocks.size(); i += 2) {
        auto* block = static_cast<unsigned char*>(TNodePool::Allocate(96));
        for (int b = 0; b < 96; ++b) ASSERT_EQ(block[b], 0);
        blocks[i] = block;
    }
    for (void* block : blocks) TNodePool::Free(block);
}

TEST(VirtualTreeStore, StructureCountsWithoutATree) {
    TVirtualNodeStore store(nullptr, 18);
    store.SetNodeDataSize(4);
    PVirtualNode root = store.Root();
    store.AppendChildren(root, 3, 18);
    EXPECT_EQ(store.VisibleCount(), 3u);
    EXPECT_EQ(root->TotalCount, 4u);
    EXPECT_EQ(root->TotalHeight, 18u * 4);
    PVirtualNode a = store.GetFirst();
    store.AppendChildren(a, 2, 10);  // collapsed: counted, not shown
    EXPECT_EQ(root->TotalCount, 6u);
    EXPECT_EQ(store.VisibleCount(), 3u);
    store.SetExpandedState(a, true);
    EXPECT_EQ(store.VisibleCount(), 5u);
    EXPECT_EQ(root->TotalHeight, 18u * 4 + 20);
    // Move a's first child behind the last top-level node.
    PVirtualNode child = a->FirstChild;
    store.Unlink(child, true);
    store.Link(child, root->LastChild, amInsertAfter);
    EXPECT_EQ(child->Index, 3u);
    EXPECT_EQ(a->FirstChild->Index, 0u);
    EXPECT_EQ(store.VisibleCount(), 5u);
    EXPECT_EQ(store.GetLastVisible(nullptr), child);
    EXPECT_EQ(store.TreeFromNode(child), nullptr);  // no tree owns this store
    // Free everything bottom-up.
    for (PVirtualNode run = store.GetLast(nullptr); run;) {
        PVirtualNode previous = store.GetPrevious(run);
        store.Unlink(run, false);
        TVirtualNodeStore::FreeNodeMemory(run);
        run = previous;
    }
    EXPECT_EQ(root->TotalCount, 1u);
    EXPECT_EQ(store.VisibleCount(), 0u);
}

// Row tops without the cache skip whole subtrees; they must equal a count of the rows above.
TEST(VirtualTreeStore, UncachedNodeTopMatchesARowByRowCount) {
    TestTree tree;
    std::mt19937 random(7);
    std::vector<PVirtualNode> nodes;
    for (int i = 0; i < 600; ++i) {
        if (i % 100 == 0) tree.SetDefaultNodeHeight(10 + random() % 20);  // rows of mixed heights
        PVirtualNode parent =
            nodes.empty() || random() % 4 == 0 ? nullptr : nodes[random() % nodes.size()];
        nodes.push_back(tree.AddChild(parent));
    }
    for (PVirtualNode n : nodes)
        if (random() % 3 == 0) tree.SetExpanded(n, true);
    tree.InvalidateCache();
    ASSERT_FALSE(tree.HasTreeState(tsUseCache));
    int top = 0;
    int rows = 0;
    for (PVirtualNode run = tree.GetFirstVisibleNoInit(); run;
         run = tree.GetNextVisibleNoInit(run)) {
        ASSERT_EQ(tree.GetDisplayRect(run, NoColumn, false).Top - tree.OffsetY(), top)
            << "row " << rows;
        int nodeTop = -1;
        ASSERT_EQ(tree.GetNodeAt(0, top, false, nodeTop), run);
        ASSERT_EQ(nodeTop, top);
        top += run->NodeHeight;
        ++rows;
    }
    EXPECT_EQ(uint32_t(rows), tree.VisibleCount());
    EXPECT_EQ(top, tree.RangeY());
}
