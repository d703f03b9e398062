// The node store: creation, deletion, counters, lazy initialisation, data areas, navigation.
#include "TreeTestSupport.h"

#include <cstring>
#include <random>

TEST(VirtualTreeNodes, FreshChildHasTheDocumentedShape) {
    TestTree tree;
    EventLog log(tree);
    PVirtualNode n = tree.AddChild(nullptr);
    EXPECT_EQ(n->Index, 0u);
    EXPECT_EQ(n->States, 0x0080);
    EXPECT_EQ(n->ChildCount, 0u);
    EXPECT_EQ(n->TotalCount, 1u);
    EXPECT_EQ(n->NodeHeight, 18);
    EXPECT_EQ(n->TotalHeight, 18u);
    EXPECT_EQ(n->Align, 50);
    EXPECT_EQ(n->CheckType, 0);
    EXPECT_EQ(n->CheckState, 0);
    EXPECT_EQ(tree.GetNodeLevel(n), 0u);
    EXPECT_EQ(tree.RootNodeCount(), 1u);
    EXPECT_EQ(tree.VisibleCount(), 1u);
    EXPECT_EQ(tree.RootNode()->TotalCount, 2u);
    EXPECT_EQ(log.Count("InitNode"), 0);
    EXPECT_EQ(tree.GetFirst(), n);
    EXPECT_EQ(log.Count("InitNode"), 1);
    EXPECT_EQ(TBaseVirtualTree::TreeFromNode(n), &tree);
    EXPECT_EQ(TBaseVirtualTree::TreeFromNode(tree.RootNode()), &tree);
    EXPECT_THROW(TBaseVirtualTree::TreeFromNode(nullptr), EVTAssertion);
}

// The most valuable check of the store: a long random edit script keeps every counter exact.
TEST(VirtualTreeNodes, RandomEditsKeepEveryInvariant) {
    TestTree tree;
    tree.SetNodeDataSize(8);
    std::mt19937 random(20240611);
    auto pick = [&](std::vector<PVirtualNode>& nodes) {
        return nodes.empty()
                   ? nullptr
                   : nodes[std::uniform_int_distribution<size_t>(0, nodes.size() - 1)(random)];
    };
    for (int step = 0; step < 2500; ++step) {
        std::vector<PVirtualNode> nodes = AllNodes(tree);
        PVirtualNode node = pick(nodes);
        int op = std::uniform_int_distribution<int>(0, 99)(random);
        bool locked = op % 7 == 0;
        if (locked) tree.BeginUpdate();
        if (op < 30 || !node) {
            tree.AddChild(op % 3 == 0 ? nullptr : node);
        } else if (op < 40) {
            tree.SetChildCount(node, uint32_t(std::uniform_int_distribution<int>(0, 6)(random)));
        } else if (op < 52) {
            tree.DeleteNode(node);
        } else if (op < 57) {
            tree.DeleteChildren(node, op % 2 == 0);
        } else if (op < 80) {
            tree.SetExpanded(node, !tree.Expanded(node));
        } else if (op < 85) {
            tree.ResetNode(node);
        } else if (op < 92) {
            // Move: unlink and relink somewhere outside its own subtree.
            PVirtualNode target = pick(nodes);
            if (target && target != node && !tree.HasAsParent(target, node)) {
                tree.InternalDisconnectNode(node, false);
                auto mode = TVTNodeAttachMode(1 + op % 4);
                tree.InternalConnectNode(node, target, &tree, mode);
            }
        } else if (op < 96) {
            tree.SetRootNodeCount(uint32_t(std::uniform_int_distribution<int>(0, 40)(random)));
        } else {
            tree.FullExpand(op % 2 ? node : nullptr);
        }
        if (locked) tree.EndUpdate();
        std::string error = CheckStructure(tree);
        ASSERT_EQ(error, "") << "after step " << step << ", operation " << op;
    }
}

TEST(VirtualTreeNodes, InitialUserDataIsCheckedBeforeAnyNodeIsMade) {
    TestTree tree;
    int value = 0;
    for (int size : {-1, 0, 3, 4, 7}) {
        TestTree t;
        t.SetNodeDataSize(size);
        t.AddChild(nullptr);
        try {
            t.AddChild(nullptr, &value);
            FAIL() << "size " << size << " took a pointer";
        } catch (const EVirtualTreeError& e) {
            EXPECT_EQ(e.HelpContext, 2008);
            EXPECT_EQ(e.Message,
                      "Cannot set initial user data because there is not enough user "
                      "data space allocated.");
        }
        EXPECT_EQ(t.RootNodeCount(), 1u) << "size " << size;
        EXPECT_EQ(CheckStructure(t), "");
    }
    tree.SetNodeDataSize(16);
    EventLog log(tree);
    PVirtualNode n = tree.AddChild(nullptr, &value);
    EXPECT_EQ(*tree.GetNodeData<void*>(n), &value);
    EXPECT_EQ(n->States & vsInitialUserData, vsInitialUserData);
    auto* bytes = static_cast<unsigned char*>(tree.GetNodeData(n));
    for (size_t i = sizeof(void*); i < 16; ++i) EXPECT_EQ(bytes[i], 0) << i;
    tree.DeleteNode(n);
    EXPECT_EQ(log.Count("FreeNode"), 1);
}

TEST(VirtualTreeNodes, NodeDataSizeHandshakeAndRebuild) {
    TestTree tree;
    int asked = 0;
    tree.OnGetNodeDataSize = [&](TBaseVirtualTree*, int& size) {
        ++asked;
        size = 24;
    };
    EXPECT_EQ(tree.NodeDataSize(), -1);
    tree.AddChild(nullptr);
    tree.AddChild(nullptr);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(tree.NodeDataSize(), 24);
    EXPECT_EQ(tree.GetNodeData(nullptr), nullptr);
    EXPECT_EQ(tree.GetNodeData(tree.RootNode()), nullptr);
    // Data is aligned for any type and zero-filled.
    auto address = reinterpret_cast<uintptr_t>(tree.GetNodeData(tree.GetFirstNoInit()));
    EXPECT_EQ(address % alignof(std::max_align_t), 0u);

    TestTree empty;
    empty.SetNodeDataSize(0);
    PVirtualNode n = empty.AddChild(nullptr);
    try {
        empty.GetNodeData(n);
        FAIL();
    } catch (const EVTAssertion& e) {
        EXPECT_STREQ(e.what(), "NodeDataSize not initialized.");
    }
    TestTree fresh;
    fresh.SetNodeDataSize(7);
    fresh.SetNodeDataSize(-5);
    EXPECT_EQ(fresh.NodeDataSize(), -1);

    TestTree ten;
    ten.SetNodeDataSize(4);
    ten.SetRootNodeCount(10);
    for (PVirtualNode run = ten.GetFirst(); run; run = ten.GetNext(run))
        *ten.GetNodeData<int>(run) = 7;
    EventLog log(ten);
    ten.SetNodeDataSize(12);
    EXPECT_EQ(log.Count("FreeNode"), 10);
    EXPECT_EQ(ten.RootNodeCount(), 10u);
    for (PVirtualNode run = ten.GetFirstNoInit(); run; run = ten.GetNextNoInit(run)) {
        EXPECT_EQ(run->States, 0x0080);
        auto* bytes = static_cast<unsigned char*>(ten.GetNodeData(run));
        for (int i = 0; i < 12; ++i) EXPECT_EQ(bytes[i], 0);
    }
    struct Big {
        char data[32];
    };
    EXPECT_THROW(ten.GetNodeData<Big>(ten.GetFirstNoInit()), EVTAssertion);
}

TEST(VirtualTreeNodes, InternalAreasStayApartFromUserData) {
    TestTree tree;
    uint32_t offset = tree.AllocateInternalDataArea(4);
    EXPECT_EQ(offset % alignof(std::max_align_t), 0u);
    EXPECT_GE(offset, sizeof(TVirtualNode));
    tree.SetNodeDataSize(16);
    PVirtualNode n = tree.AddChild(nullptr);
    auto* slot = reinterpret_cast<int32_t*>(reinterpret_cast<char*>(n) + offset);
    std::memset(tree.GetNodeData(n), 0xFF, 16);
    EXPECT_EQ(*slot, 0);
    *slot = 1234;
    auto* bytes = static_cast<unsigned char*>(tree.GetNodeData(n));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(bytes[i], 0xFF);
    uint32_t before = tree.InternalDataSize();
    try {
        tree.AllocateInternalDataArea(4);
        FAIL();
    } catch (const EVTAssertion& e) {
        EXPECT_STREQ(e.what(), "Internal data allocation must be done before any node is created.");
    }
    EXPECT_EQ(tree.InternalDataSize(), before);
}

TEST(VirtualTreeNodes, ChildCountShrinksFromTheEndAndGrowsUninitialised) {
    TestTree tree;
    PVirtualNode p = tree.AddChild(nullptr);
    tree.SetChildCount(p, 5);
    for (PVirtualNode run = tree.GetFirst(); run; run = tree.GetNext(run)) {
    }
    EventLog log(tree);
    log.RecordOnly({"FreeNode"});
    tree.SetChildCount(p, 2);
    EXPECT_EQ(log.Take(),
              (std::vector<std::string>{"FreeNode(#4@1)", "FreeNode(#3@1)", "FreeNode(#2@1)"}));
    EXPECT_EQ(p->FirstChild->Index, 0u);
    EXPECT_EQ(p->LastChild->Index, 1u);
    tree.SetChildCount(p, 4);
    EXPECT_EQ(p->LastChild->Index, 3u);
    EXPECT_EQ(p->LastChild->PrevSibling->Index, 2u);
    EXPECT_FALSE(p->LastChild->States & vsInitialized);
    tree.SetExpanded(p, true);
    tree.SetChildCount(p, 0);
    EXPECT_EQ(p->ChildCount, 0u);
    EXPECT_TRUE(p->States & vsHasChildren);
    EXPECT_FALSE(p->States & vsExpanded);
    EXPECT_EQ(CheckStructure(tree), "");
}

TEST(VirtualTreeNodes, VisibleCountFollowsExpansion) {
    TestTree tree;
    PVirtualNode p = tree.AddChild(nullptr);
    tree.AddChild(p);
    EXPECT_EQ(tree.VisibleCount(), 1u) << "a collapsed parent shows no new child";
    tree.SetExpanded(p, true);
    EXPECT_EQ(tree.VisibleCount(), 2u);
    PVirtualNode c = tree.AddChild(p);
    EXPECT_EQ(tree.VisibleCount(), 3u);
    tree.AddChild(c);
    tree.AddChild(c);
    tree.SetExpanded(c, true);
    EXPECT_EQ(tree.VisibleCount(), 5u);
    PVirtualNode q = tree.AddChild(nullptr);
    tree.SetChildCount(q, 3);
    EXPECT_EQ(tree.VisibleCount(), 6u);
    tree.DeleteChildren(q);
    EXPECT_EQ(tree.VisibleCount(), 6u) << "collapsed: nothing shown goes";
    tree.DeleteChildren(p);
    EXPECT_EQ(tree.VisibleCount(), 2u) << "the children of expanded children go too";
    EXPECT_EQ(CheckStructure(tree), "");
}

TEST(VirtualTreeNodes, LazyInitialisationAsksOnlyWhenReached) {
    TestTree tree;
    EventLog log(tree);
    log.RecordOnly({"Init"});
    tree.OnInitNode = [&](TBaseVirtualTree* t, PVirtualNode parent, PVirtualNode node,
                          TVirtualNodeInitStates& states) {
        log.lines.push_back("InitNode(" + log.NodeName(parent) + "," + log.NodeName(node) + ")");
        if (t->GetNodeLevel(node) == 0) states.Include(ivsHasChildren);
    };
    tree.OnInitChildren = [&](TBaseVirtualTree*, PVirtualNode, uint32_t& count) {
        log.lines.push_back("InitChildren");
        count = 3;
    };
    tree.SetRootNodeCount(2);
    EXPECT_EQ(log.Count("InitNode"), 0);
    PVirtualNode n0 = tree.GetFirst();
    EXPECT_EQ(log.Take(), std::vector<std::string>{"InitNode(nil,#0@0)"});
    tree.GetFirstChild(n0);
    EXPECT_EQ(log.Count("InitChildren"), 1);
    EXPECT_EQ(tree.ChildCount(n0), 3u);
    log.Take();
    tree.GetFirstChildNoInit(n0->NextSibling);
    tree.GetNextNoInit(n0->LastChild);
    tree.GetLastNoInit();
    tree.GetPreviousNoInit(n0->NextSibling);
    EXPECT_TRUE(log.lines.empty());

    TestTree flags;
    int expandedEvents = 0;
    flags.OnInitNode = [](TBaseVirtualTree* t, PVirtualNode, PVirtualNode node,
                          TVirtualNodeInitStates& s) {
        if (t->GetNodeLevel(node) > 0) return;
        if (node->Index == 0) s = {ivsExpanded, ivsHasChildren};
        if (node->Index == 1) s = {ivsDisabled};
    };
    flags.OnInitChildren = [](TBaseVirtualTree*, PVirtualNode, uint32_t& count) { count = 2; };
    flags.OnExpanding = [&](TBaseVirtualTree*, PVirtualNode, bool&) { expandedEvents += 10; };
    flags.OnExpanded = [&](TBaseVirtualTree*, PVirtualNode) { expandedEvents += 1; };
    flags.SetRootNodeCount(2);
    PVirtualNode first = flags.GetFirst();
    EXPECT_EQ(expandedEvents, 11);
    EXPECT_TRUE(first->States & vsExpanded);
    EXPECT_EQ(first->ChildCount, 2u);
    EXPECT_TRUE(flags.GetNextSibling(first) != nullptr);
    PVirtualNode second = flags.GetNext(first->LastChild);
    EXPECT_TRUE(second->States & vsDisabled);
    EXPECT_EQ(CheckStructure(flags), "");

    // Reset: back to uninitialised, children gone.
    EventLog resetLog(flags);
    flags.ResetNode(first);
    EXPECT_EQ(resetLog.Count("ResetNode"), 1);
    EXPECT_EQ(first->ChildCount, 0u);
    EXPECT_FALSE(first->States & (vsInitialized | vsExpanded | vsHasChildren));
    EXPECT_EQ(CheckStructure(flags), "");
}

TEST(VirtualTreeNodes, AHandlerNavigatingToItsOwnNodeDoesNotRecurse) {
    TestTree tree;
    int calls = 0;
    tree.OnInitNode = [&](TBaseVirtualTree* t, PVirtualNode, PVirtualNode node,
                          TVirtualNodeInitStates& s) {
        ++calls;
        s.Include(ivsHasChildren);
        t->GetFirstChild(node);
        t->GetDisplayRect(node, NoColumn, false);
    };
    tree.OnInitChildren = [](TBaseVirtualTree*, PVirtualNode node, uint32_t& count) {
        count = node->Parent->Parent ? 0 : 1;
    };
    tree.SetRootNodeCount(1);
    tree.GetFirst();
    EXPECT_LE(calls, 3);
}

TEST(VirtualTreeNodes, NavigationOnAFixedShape) {
    TestTree tree;
    Shape s = BuildShape(tree);
    auto walk = [&](PVirtualNode from, auto step) {
        std::vector<PVirtualNode> seen;
        for (PVirtualNode run = from; run; run = step(run)) seen.push_back(run);
        return seen;
    };
    using V = std::vector<PVirtualNode>;
    EXPECT_EQ(walk(tree.GetFirst(), [&](PVirtualNode n) { return tree.GetNext(n); }),
              (V{s.A, s.A1, s.A2, s.A2a, s.C, s.C1}));
    EXPECT_EQ(walk(s.C1, [&](PVirtualNode n) { return tree.GetPrevious(n); }),
              (V{s.C1, s.C, s.A2a, s.A2, s.A1, s.A}));
    EXPECT_EQ(walk(s.A, [&](PVirtualNode n) { return tree.GetNextVisible(n); }),
              (V{s.A, s.A1, s.A2, s.C, s.C1}));
    EXPECT_EQ(walk(s.C1, [&](PVirtualNode n) { return tree.GetPreviousVisible(n); }),
              (V{s.C1, s.C, s.A2, s.A1, s.A}));
    EXPECT_EQ(tree.GetLast(nullptr), s.C1);
    EXPECT_EQ(tree.GetLast(s.A1), nullptr);
    EXPECT_EQ(tree.GetLastVisible(nullptr), s.C1);
    EXPECT_EQ(tree.GetNodeLevel(s.A2a), 2u);
    EXPECT_TRUE(tree.HasAsParent(s.A2a, s.A));
    EXPECT_FALSE(tree.HasAsParent(s.A, s.A));
    EXPECT_EQ(tree.GetVisibleParent(s.A2a), s.A2);
    // From a node that is not shown: the next shown node after it, the last one before it.
    EXPECT_EQ(tree.GetNextVisible(s.A2a), s.C);
    EXPECT_EQ(tree.GetPreviousVisible(s.A2a), s.A2);
    EXPECT_EQ(tree.GetNextVisibleSibling(s.A1), s.A2);
    EXPECT_EQ(tree.GetPreviousVisibleSibling(s.C), s.A);
    EXPECT_EQ(tree.GetPreviousSibling(s.A2), s.A1);
    EXPECT_EQ(tree.GetPreviousSibling(s.A1), nullptr);
    EXPECT_LT(tree.CompareNodePositions(s.A2a, s.C1), 0);
    EXPECT_GT(tree.CompareNodePositions(s.C, s.A2a), 0);
    EXPECT_EQ(tree.CompareNodePositions(s.A2a, s.A), 1);
    EXPECT_EQ(tree.LevelDelta(s.A, s.A1), 1);
    EXPECT_EQ(tree.LevelDelta(s.A2a, s.C), -2);
    EXPECT_THROW(tree.GetNext(tree.RootNode()), EVTAssertion);
    EXPECT_THROW(tree.GetNextVisibleSibling(nullptr), EVTAssertion);
}

TEST(VirtualTreeNodes, NoInitWalksNeverAssertOnUninitialisedNodes) {
    TestTree tree;
    Shape s = BuildShape(tree);
    ASSERT_FALSE(s.A1->States & vsInitialized);
    ASSERT_FALSE(s.C1->States & vsInitialized);
    EXPECT_EQ(tree.GetPreviousVisibleNoInit(s.C1), s.C);
    EXPECT_EQ(tree.GetPreviousVisibleNoInit(s.C), s.A2) << "past the collapsed A2's child";
    EXPECT_FALSE(s.A2a->States & vsInitialized);
    EXPECT_NO_THROW(tree.FullCollapse(nullptr));
    EXPECT_FALSE(s.A->States & vsExpanded);
    EXPECT_FALSE(s.C->States & vsExpanded);
    EXPECT_EQ(tree.VisibleCount(), 2u);
}

TEST(VirtualTreeNodes, DeletionOrderAndFocus) {
    TestTree tree;
    EventLog log(tree);
    PVirtualNode p = tree.AddChild(nullptr);
    PVirtualNode c0 = tree.AddChild(p);
    PVirtualNode c1 = tree.AddChild(p);
    log.Name(p, "P");
    log.Name(c0, "C0");
    log.Name(c1, "C1");
    tree.ValidateNode(p, true);
    log.Take();
    tree.DeleteNode(p);
    EXPECT_EQ(log.Take(),
              (std::vector<std::string>{"StructureChange(nil,3)", "FreeNode(C1)", "FreeNode(C0)",
                                        "StructureChange(P,3)", "FreeNode(P)"}));
    PVirtualNode f = tree.AddChild(nullptr);
    tree.AddChild(nullptr);
    tree.SetFocusedNode(f);
    EXPECT_EQ(tree.FocusedNode(), f);
    log.Take();
    log.RecordOnly({"Focus"});
    tree.DeleteNode(f);
    EXPECT_EQ(log.Take(), std::vector<std::string>{"FocusChanged(nil)"});
    EXPECT_EQ(tree.FocusedNode(), nullptr);
    // A refusing handler cannot keep a node that is deleted.
    PVirtualNode g = tree.GetFirst();
    tree.SetFocusedNode(g);
    tree.OnFocusChanging = [](TBaseVirtualTree*, PVirtualNode, PVirtualNode, TColumnIndex,
                              TColumnIndex, bool& allowed) { allowed = false; };
    tree.DeleteNode(g);
    EXPECT_EQ(tree.FocusedNode(), nullptr);
    EXPECT_EQ(tree.RootNodeCount(), 0u);
}

TEST(VirtualTreeNodes, AFreeHandlerWalkingFromTheParentMeetsLiveNodesOnly) {
    TestTree tree;
    PVirtualNode p = tree.AddChild(nullptr);
    for (int i = 0; i < 4; ++i) tree.AddChild(p);
    tree.ValidateNode(p, true);
    std::vector<int> seen;
    tree.OnFreeNode = [p, &seen](TBaseVirtualTree*, PVirtualNode node) {
        if (node->Parent != p) return;
        int count = 0;
        for (PVirtualNode run = p->FirstChild; run; run = run->NextSibling) {
            EXPECT_NE(run, node) << "the node being freed is unlinked";
            ++count;
        }
        if (p->LastChild) {
            EXPECT_EQ(p->LastChild->NextSibling, nullptr);
        }
        seen.push_back(count);
    };
    tree.DeleteChildren(p);
    EXPECT_EQ(seen, (std::vector<int>{3, 2, 1, 0}));
    EXPECT_EQ(CheckStructure(tree), "");
}

TEST(VirtualTreeNodes, DeletingDuringIterationIsRefused) {
    TestTree tree;
    PVirtualNode n = tree.AddChild(nullptr);
    tree.SetTreeState(tsIterating);
    try {
        tree.DeleteNode(n);
        FAIL();
    } catch (const EVTAssertion& e) {
        EXPECT_STREQ(e.what(), "Deleting nodes during tree iteration leads to invalid pointers.");
    }
    tree.SetTreeState(tsIterating, false);
    EXPECT_EQ(tree.RootNodeCount(), 1u);
}
