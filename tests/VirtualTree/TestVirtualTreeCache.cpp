// The position cache and its worker: threshold, equal answers, safety while the worker runs.
#include "TreeTestSupport.h"

#include <random>

namespace {

// The answers counted from scratch: each shown row's node and top, row after row.
struct Row {
    PVirtualNode node;
    int top;
};
std::vector<Row> ShownRows(TestTree& tree) {
    std::vector<Row> rows;
    int top = 0;
    for (PVirtualNode run = tree.GetFirstVisibleNoInit(); run;
         run = tree.GetNextVisibleNoInit(run)) {
        rows.push_back({run, top});
        top += run->NodeHeight;
    }
    return rows;
}

// With the cache in use every y finds the row counted from scratch, and every shown node has
// its counted rectangle; the walk without the cache agrees on a sample of rows at their edges.
void ExpectCacheChangesNoAnswer(TestTree& tree) {
    ASSERT_TRUE(tree.WaitForCacheValidation());
    ASSERT_TRUE(tree.HasTreeState(tsUseCache));
    const std::vector<Row> rows = ShownRows(tree);
    ASSERT_EQ(rows.size(), tree.VisibleCount());
    const int range = tree.RangeY();
    size_t row = 0;
    for (int y = 0; y <= range + 10; ++y) {
        while (row + 1 < rows.size() && rows[row + 1].top <= y) ++row;
        int top = -1;
        PVirtualNode node = tree.GetNodeAt(0, y, false, top);
        if (y >= range) {
            ASSERT_EQ(node, nullptr) << "y " << y;
            continue;
        }
        ASSERT_EQ(node, rows[row].node) << "y " << y;
        ASSERT_EQ(top, rows[row].top) << "y " << y;
    }
    for (const Row& r : rows)
        ASSERT_EQ(tree.GetDisplayRect(r.node, NoColumn, false).Top, r.top + tree.OffsetY());

    tree.InvalidateCache();
    ASSERT_FALSE(tree.HasTreeState(tsUseCache));
    for (size_t i = 0; i < rows.size(); i += 97) {
        const Row& r = rows[i];
        int top = -1;
        ASSERT_EQ(tree.GetNodeAt(0, r.top, false, top), r.node);
        ASSERT_EQ(top, r.top);
        ASSERT_EQ(tree.GetNodeAt(0, r.top + r.node->NodeHeight - 1, false, top), r.node);
        ASSERT_EQ(tree.GetDisplayRect(r.node, NoColumn, false).Top, r.top + tree.OffsetY());
    }
    tree.ValidateCache();
}

}  // namespace

TEST(VirtualTreeCache, ThresholdIsTwoThousandShownNodes) {
    TestTree tree;
    tree.SetRootNodeCount(2000);
    ASSERT_TRUE(tree.WaitForCacheValidation());
    EXPECT_FALSE(tree.HasTreeState(tsUseCache));
    EXPECT_TRUE(tree.PositionCache().empty());
    tree.AddChild(nullptr);
    ASSERT_TRUE(tree.WaitForCacheValidation());
    EXPECT_TRUE(tree.HasTreeState(tsUseCache));
    auto cache = tree.PositionCache();
    ASSERT_EQ(cache.size(), 2u);
    EXPECT_EQ(cache[0].Node, tree.GetFirstNoInit());
    EXPECT_EQ(cache[0].AbsoluteTop, 0u);
    EXPECT_EQ(cache[1].Node, tree.GetLastNoInit());
    EXPECT_EQ(cache[1].Node->Index, 2000u);
    EXPECT_EQ(cache[1].AbsoluteTop, 36000u);
    tree.DeleteNode(tree.GetLastNoInit());
    ASSERT_TRUE(tree.WaitForCacheValidation());
    EXPECT_FALSE(tree.HasTreeState(tsUseCache));
}

TEST(VirtualTreeCache, CacheGivesTheSameAnswersAsTheWalk) {
    TestTree tree;
    std::mt19937 random(77);
    tree.BeginUpdate();
    for (int round = 0; round < 4; ++round) {
        tree.SetDefaultNodeHeight(uint32_t(14 + 5 * round));
        for (int i = 0; i < 1500; ++i) {
            PVirtualNode n = tree.AddChild(nullptr);
            if (random() % 10 == 0) {
                tree.SetChildCount(n, uint32_t(1 + random() % 6));
                if (random() % 2) tree.SetExpanded(n, true);
            }
        }
    }
    tree.EndUpdate();
    ASSERT_GT(tree.VisibleCount(), 6000u);
    ExpectCacheChangesNoAnswer(tree);
}

// The interface thread changes the tree while the worker validates: no race, no stale cache.
TEST(VirtualTreeCache, WorkerSafetyUnderMixedOperations) {
    TestTree tree;
    tree.SetClientSize(200, 300);
    tree.BeginUpdate();
    tree.SetRootNodeCount(4000);
    for (PVirtualNode run = tree.GetFirstNoInit(); run; run = run->NextSibling)
        if (run->Index % 5 == 0) {
            tree.SetChildCount(run, 6);
            tree.SetExpanded(run, true);
        }
    tree.EndUpdate();
    ASSERT_GT(tree.VisibleCount(), 8000u);
    std::mt19937 random(4242);
    for (int step = 0; step < 500; ++step) {
        std::vector<PVirtualNode> tops;
        for (PVirtualNode run = tree.GetFirstNoInit(); run && tops.size() < 200;
             run = run->NextSibling)
            tops.push_back(run);
        PVirtualNode node = tops[random() % tops.size()];
        switch (random() % 10) {
            case 0:
            case 1:
            case 2:
                if (node->ChildCount == 0)
                    tree.DeleteNode(node);
                else
                    tree.DeleteNode(node->LastChild);
                break;
            case 3:
            case 4:
            case 5:
                tree.AddChild(random() % 2 ? nullptr : node);
                break;
            case 6:
            case 7:
            case 8:
                tree.ToggleNode(node);
                break;
            default:
                if (random() % 2)
                    tree.FullExpand(node);
                else
                    tree.FullCollapse(node);
                break;
        }
        if (step % 50 == 0) {
            int top = 0;
            tree.GetNodeAt(0, int(random() % uint32_t(tree.RangeY())), false, top);
        }
    }
    ASSERT_EQ(CheckStructure(tree), "");
    ExpectCacheChangesNoAnswer(tree);
}

TEST(VirtualTreeCache, TheWorkerLivesAsLongAsTrees) {
    {
        TestTree tree;
        EXPECT_TRUE(TBaseVirtualTree::WorkerRunning());
    }
    EXPECT_FALSE(TBaseVirtualTree::WorkerRunning());
    TestTree again;
    EXPECT_TRUE(TBaseVirtualTree::WorkerRunning());
    again.SetRootNodeCount(5000);
    ASSERT_TRUE(again.WaitForCacheValidation());
    EXPECT_EQ(again.PositionCache().size(), 3u);
}

TEST(VirtualTreeCache, AMillionNodesBuildNavigateScrollAndDelete) {
    TestTree tree;
    tree.SetClientSize(300, 400);
    tree.SetNodeDataSize(12);
    tree.BeginUpdate();
    tree.SetRootNodeCount(1000000);
    tree.EndUpdate();
    EXPECT_EQ(tree.VisibleCount(), 1000000u);
    EXPECT_EQ(tree.RangeY(), 18000000);
    tree.ScrollMessage(sbVertical, SB_BOTTOM, 0);
    EXPECT_EQ(tree.OffsetY(), -(18000000 - 400));
    PVirtualNode last = tree.GetLastNoInit();
    EXPECT_TRUE(tree.ScrollIntoView(tree.GetFirstNoInit(), false));
    EXPECT_TRUE(tree.ScrollIntoView(last, false));
    EXPECT_EQ(tree.TopNode()->Index, 1000000u - 400u / 18u - 1u);
    ASSERT_TRUE(tree.WaitForCacheValidation());
    EXPECT_EQ(tree.GetDisplayRect(last, NoColumn, false).Bottom, 400);
    tree.SetExpanded(tree.GetFirstNoInit(), true);
    tree.DeleteNode(last);
    tree.DeleteNode(tree.GetFirstNoInit());
    EXPECT_EQ(tree.RootNodeCount(), 999998u);
    EXPECT_EQ(CheckStructure(tree), "");
    tree.Clear();
    EXPECT_EQ(tree.VisibleCount(), 0u);
}

TEST(VirtualTreeCache, TreesQueuedTogetherAreAllServed) {
    TestTree first, second, third;
    for (TestTree* tree : {&first, &second, &third}) {
        tree->BeginUpdate();
        tree->SetRootNodeCount(4001);
    }
    for (TestTree* tree : {&first, &second, &third}) tree->EndUpdate();
    for (TestTree* tree : {&first, &second, &third}) {
        ASSERT_TRUE(tree->WaitForCacheValidation());
        EXPECT_EQ(tree->PositionCache().size(), 3u);
    }
}

// A handler that asks for the cache while a node is being taken out must not get a cache that
// still holds the node once it is out.
TEST(VirtualTreeCache, AFocusHandlerValidatingDuringDisconnectLeavesNoStaleCache) {
    TestTree tree;
    tree.SetRootNodeCount(4001);
    ASSERT_TRUE(tree.WaitForCacheValidation());
    PVirtualNode entry = tree.PositionCache().at(1).Node;
    ASSERT_EQ(entry->Index, 2000u);
    tree.SetFocusedNode(entry);
    tree.OnFocusChanged = [](TBaseVirtualTree* sender, PVirtualNode, TColumnIndex) {
        sender->ValidateCache();
        ASSERT_TRUE(sender->WaitForCacheValidation());
    };
    tree.InternalDisconnectNode(entry, false);
    tree.OnFocusChanged = nullptr;
    EXPECT_EQ(tree.FocusedNode(), nullptr);
    int top = -1;
    PVirtualNode found = tree.GetNodeAt(0, 2000 * 18, false, top);
    EXPECT_NE(found, entry);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Index, 2000u);
    EXPECT_EQ(top, 2000 * 18);
    tree.InternalConnectNode(entry, nullptr, &tree, amAddChildLast);
    EXPECT_EQ(CheckStructure(tree), "");
}

// Handlers that start a validation in the middle of a deletion or a sort: the worker must be
// off the tree before links change or memory is freed (the thread checker sees the rest).
TEST(VirtualTreeCache, HandlersStartingValidationMidOperationDoNotRaceTheWorker) {
    TestTree tree;
    tree.BeginUpdate();
    tree.SetRootNodeCount(6000);
    for (PVirtualNode run = tree.GetFirstNoInit(); run; run = run->NextSibling)
        if (run->Index % 3 == 0) {
            tree.SetChildCount(run, 4);
            tree.SetExpanded(run, true);
        }
    tree.EndUpdate();
    auto validate = [](TBaseVirtualTree* sender, PVirtualNode) { sender->ValidateCache(); };
    tree.OnFreeNode = validate;
    tree.OnFocusChanged = [&](TBaseVirtualTree* sender, PVirtualNode node, TColumnIndex) {
        validate(sender, node);
    };
    tree.OnCompareNodes = [&](TBaseVirtualTree* sender, PVirtualNode a, PVirtualNode b,
                              TColumnIndex, int& result) {
        sender->ValidateCache();
        result = a->Index < b->Index ? 1 : (a->Index > b->Index ? -1 : 0);
    };
    for (int step = 0; step < 30; ++step) {
        PVirtualNode parent = tree.GetFirstNoInit();
        while (parent && parent->ChildCount == 0) parent = parent->NextSibling;
        ASSERT_NE(parent, nullptr);
        // Initialised nodes report their freeing.
        tree.InitNode(parent);
        tree.InitNode(parent->FirstChild);
        tree.SetFocusedNode(parent->FirstChild);
        tree.DeleteNode(parent);
        tree.Sort(nullptr, NoColumn, sdAscending, false);
    }
    tree.OnFreeNode = nullptr;
    tree.OnFocusChanged = nullptr;
    tree.OnCompareNodes = nullptr;
    ASSERT_EQ(CheckStructure(tree), "");
    ExpectCacheChangesNoAnswer(tree);
}
