// Events: immediate, accumulated and delayed notifications, presets, popup asking, editors.
#include "TreeTestSupport.h"

using Lines = std::vector<std::string>;

TEST(VirtualTreeEvents, ImmediateNotificationsCarryTheCallsOwnReason) {
    TestTree tree;
    EventLog log(tree);
    log.RecordOnly({"StructureChange"});
    PVirtualNode p = tree.AddChild(nullptr);
    log.Name(p, "P");
    EXPECT_EQ(log.Take(), Lines{"StructureChange(nil,2)"});
    tree.AddChild(p);
    EXPECT_EQ(log.Take(), Lines{"StructureChange(P,2)"});
}

TEST(VirtualTreeEvents, ChangesInsideALockAccumulate) {
    TestTree tree;
    PVirtualNode a = tree.AddChild(nullptr);
    PVirtualNode b = tree.AddChild(nullptr);
    PVirtualNode x = tree.AddChild(b);
    EventLog log(tree);
    log.RecordOnly({"StructureChange"});
    log.Name(b, "B");
    tree.BeginUpdate();
    tree.AddChild(a);
    tree.DeleteNode(x);
    EXPECT_TRUE(log.lines.empty());
    tree.EndUpdate();
    EXPECT_EQ(log.Take(), Lines{"StructureChange(B,1)"});
}

TEST(VirtualTreeEvents, DelayedChangeFiresOnceAfterTheEventLoopRan) {
    TestTree tree;
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});
    tree.SetRootNodeCount(3);
    std::vector<PVirtualNode> n = AllNodes(tree);
    tree.SetChangeDelay(100);
    EventLog log(tree);
    log.RecordOnly({"Change"});
    log.Name(n[2], "N3");
    tree.SetSelected(n[0], true);
    tree.SetSelected(n[1], true);
    tree.SetSelected(n[2], true);
    EXPECT_TRUE(log.lines.empty()) << "nothing before the loop runs";
    for (int i = 0; i < 50 && log.lines.empty(); ++i) Pump(20);
    EXPECT_EQ(log.Take(), Lines{"Change(N3)"});
    Pump(150);
    EXPECT_TRUE(log.lines.empty()) << "the timer fired once";
}

TEST(VirtualTreeEvents, TheLastEndUpdateIgnoresTheDelay) {
    TestTree tree;
    tree.SetChangeDelay(50);
    tree.SetRootNodeCount(2);
    PVirtualNode n = tree.GetFirst();
    EventLog log(tree);
    log.RecordOnly({"Change", "StructureChange"});
    tree.AddChild(nullptr);
    tree.SetSelected(n, true);
    tree.BeginUpdate();
    tree.AddChild(nullptr);
    tree.EndUpdate();
    EXPECT_EQ(log.Take(), (Lines{"StructureChange(nil,1)", "Change(#0@0)"}));
    Pump(120);
    EXPECT_TRUE(log.lines.empty()) << "the stopped timers fire nothing";
}

TEST(VirtualTreeEvents, PendingNotificationsNeverCarryAFreedNode) {
    TestTree tree;
    tree.SetChangeDelay(50);
    PVirtualNode p = tree.AddChild(nullptr);
    tree.AddChild(p);
    tree.AddChild(p);
    tree.ValidateNode(p, true);
    PVirtualNode keep = tree.AddChild(nullptr);
    PVirtualNode q = tree.AddChild(keep);
    tree.AddChild(q);
    Pump(100);
    EventLog log(tree);
    log.RecordOnly({"Change", "StructureChange"});
    log.Name(keep, "Keep");
    tree.DeleteNode(p);
    for (int i = 0; i < 50 && log.lines.empty(); ++i) Pump(20);
    EXPECT_EQ(log.Take(), Lines{"StructureChange(nil,1)"});
    tree.DeleteNode(q);
    for (int i = 0; i < 50 && log.lines.empty(); ++i) Pump(20);
    EXPECT_EQ(log.Take(), Lines{"StructureChange(Keep,1)"});
    PVirtualNode n = tree.AddChild(nullptr);
    Pump(100);
    log.Take();
    tree.SetSelected(n, true);
    tree.DeleteNode(n);
    for (int i = 0; i < 50 && log.Count("Change") == 0; ++i) Pump(20);
    EXPECT_EQ(log.Count("Change(nil)"), 1);
    EXPECT_EQ(log.Count("Change"), 1);
}

TEST(VirtualTreeEvents, PopupMenusAreAskedUpTheAncestors) {
    TestTree tree;
    PVirtualNode top = tree.AddChild(nullptr);
    PVirtualNode mid = tree.AddChild(top);
    PVirtualNode leaf = tree.AddChild(mid);
    TPopupMenu menu;
    std::vector<PVirtualNode> asked;
    PVirtualNode offering = nullptr;
    tree.OnGetPopupMenu = [&](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column, TPoint,
                              bool& askParent, TPopupMenu*& popup) {
        asked.push_back(node);
        EXPECT_TRUE(askParent);
        if (!node) {
            EXPECT_EQ(column, NoColumn);
        }
        if (node && node == offering) popup = &menu;
    };
    EXPECT_EQ(tree.DoGetPopupMenu(leaf, 0, {1, 1}), nullptr);
    EXPECT_EQ(asked, (std::vector<PVirtualNode>{leaf, mid, top}));
    asked.clear();
    offering = mid;
    EXPECT_EQ(tree.DoGetPopupMenu(leaf, 0, {1, 1}), &menu);
    EXPECT_EQ(asked.size(), 2u);
    asked.clear();
    tree.DoGetPopupMenu(nullptr, 3, {1, 1});
    EXPECT_EQ(asked, std::vector<PVirtualNode>{nullptr});
}

TEST(VirtualTreeEvents, AnEditorHandlerMustGiveALink) {
    TestTree tree;
    PVirtualNode n = tree.AddChild(nullptr);
    EXPECT_EQ(tree.DoCreateEditor(n, NoColumn), nullptr);
    tree.OnCreateEditor = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, PVTEditLink&) {};
    try {
        tree.DoCreateEditor(n, NoColumn);
        FAIL();
    } catch (const EVirtualTreeError& e) {
        EXPECT_EQ(e.Message, "Edit link must not be nil.");
        EXPECT_EQ(e.HelpContext, 2000);
    }
}

TEST(VirtualTreeEvents, FreeNodeFiresOnlyForTouchedNodes) {
    TestTree tree;
    tree.SetNodeDataSize(8);
    EventLog log(tree);
    tree.SetRootNodeCount(3);
    tree.DeleteChildren(nullptr);
    EXPECT_EQ(log.Count("FreeNode"), 0);
    tree.SetRootNodeCount(3);
    tree.GetNext(tree.GetFirstNoInit());
    tree.DeleteNode(tree.GetFirstNoInit()->NextSibling);
    EXPECT_EQ(log.Count("FreeNode"), 1);
    int value = 0;
    tree.DeleteNode(tree.AddChild(nullptr, &value));
    EXPECT_EQ(log.Count("FreeNode"), 2);
}

TEST(VirtualTreeEvents, UnassignedDispatchersGiveSafePresets) {
    TestTree tree;
    PVirtualNode a = tree.AddChild(nullptr);
    PVirtualNode b = tree.AddChild(nullptr);
    TCheckState state = csCheckedNormal;
    EXPECT_TRUE(tree.DoExpanding(a));
    EXPECT_TRUE(tree.DoCollapsing(a));
    EXPECT_TRUE(tree.DoFocusChanging(a, b, 0, 0));
    EXPECT_TRUE(tree.DoChecking(a, state));
    EXPECT_TRUE(tree.DoNodeCopying(a, b));
    EXPECT_TRUE(tree.DoNodeMoving(a, b));
    EXPECT_TRUE(tree.DoHeaderDragging(0));
    EXPECT_FALSE(tree.DoBeforeDrag(a, 0));
    EXPECT_EQ(tree.DoCompare(a, b, 0), 0);
    std::string rendered;
    EXPECT_EQ(uint32_t(tree.DoRenderOLEData(1, true, rendered)), 0x80004005u);
    EXPECT_EQ(tree.DoGetPopupMenu(a, 0, {0, 0}), nullptr);
    EXPECT_EQ(tree.DoGetNodeWidth(a, 0), 0);
    EXPECT_FALSE(tree.ColumnIsEmpty(a, 0));
    int size = 99;
    (void)size;
    TestTree plain;
    EXPECT_EQ(plain.GetNodeDataSize(), 0);
    bool ghosted = false;
    EXPECT_EQ(tree.DoGetImageIndex(a, ikNormal, 0, ghosted), -1);
}

TEST(VirtualTreeEvents, AnExceptionInAHandlerLeavesTheNotificationPending) {
    TestTree tree;
    tree.OnStructureChange = [](TBaseVirtualTree*, PVirtualNode, TChangeReason) {
        throw Exception("handler failed");
    };
    EXPECT_THROW(tree.AddChild(nullptr), Exception);
    EXPECT_TRUE(tree.HasTreeState(tsStructureChangePending));
    tree.HandleNeeded();
    tree.BeginUpdate();
    EXPECT_THROW(tree.EndUpdate(), Exception);
    EXPECT_TRUE(tree.RedrawEnabled()) << "a failing handler leaves redrawing on";
    tree.OnStructureChange = nullptr;
    tree.BeginUpdate();
    tree.EndUpdate();
    EXPECT_FALSE(tree.HasTreeState(tsStructureChangePending));
    EXPECT_EQ(CheckStructure(tree), "");
}
