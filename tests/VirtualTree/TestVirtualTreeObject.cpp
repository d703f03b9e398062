// The tree object: the update lock and its release, Clear, options and defaults, notifications.
#include "TreeTestSupport.h"

#include "VirtualTreesDrawing.h"

#include "platform/Menus.h"

using Lines = std::vector<std::string>;

TEST(VirtualTreeObject, NestedLocksReportAndRepaintOnce) {
    TestTree tree;
    tree.SetClientSize(200, 100);
    tree.Show();
    Pump();
    EventLog log(tree);
    log.RecordOnly({"Updating"});
    tree.BeginUpdate();
    EXPECT_EQ(tree.UpdateCount(), 1);
    tree.BeginUpdate();
    EXPECT_EQ(tree.UpdateCount(), 2);
    tree.paints = 0;
    for (int i = 0; i < 20; ++i) tree.AddChild(nullptr);
    Pump();
    tree.EndUpdate();
    EXPECT_EQ(tree.UpdateCount(), 1);
    Pump();
    EXPECT_EQ(tree.paints, 0) << "nothing paints inside the lock";
    tree.EndUpdate();
    EXPECT_EQ(tree.UpdateCount(), 0);
    EXPECT_EQ(log.Take(), (Lines{"Updating(0)", "Updating(3)", "Updating(3)", "Updating(4)"}));
    Pump(20);
    EXPECT_GE(tree.paints, 1);
    tree.EndUpdate();
    EXPECT_EQ(tree.UpdateCount(), 0);
    EXPECT_EQ(log.Take(), Lines{"Updating(4)"});
    tree.Hide();
}

TEST(VirtualTreeObject, OneStructureNotificationPerLockBeforeTheChange) {
    TestTree tree;
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});
    EventLog log(tree);
    log.RecordOnly({"StructureChange", "Change"});
    PVirtualNode first = tree.AddChild(nullptr);
    log.Take();
    tree.BeginUpdate();
    for (int i = 0; i < 1000; ++i) tree.AddChild(nullptr);
    tree.SetSelected(first, true);
    EXPECT_TRUE(log.lines.empty());
    tree.EndUpdate();
    EXPECT_EQ(log.Take(), (Lines{"StructureChange(nil,1)", "Change(#0@0)"}));
}

TEST(VirtualTreeObject, ClearLeavesAnEmptyUnscrolledTree) {
    TestTree tree;
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});
    tree.SetRootNodeCount(20);
    std::vector<PVirtualNode> nodes = AllNodes(tree);
    for (int i = 2; i <= 5; ++i) tree.ValidateNode(nodes[size_t(i)], false);
    tree.SetFocusedNode(nodes[2]);
    tree.SetSelected(nodes[3], true);
    tree.SetSelected(nodes[4], true);
    tree.SetSelected(nodes[5], true);
    tree.ValidateNode(nodes[6], false);
    tree.SetOffsetY(-100);
    ASSERT_EQ(tree.OffsetY(), -100);
    int initialised = 0;
    for (PVirtualNode n : nodes) initialised += (n->States & vsInitialized) ? 1 : 0;
    ASSERT_EQ(initialised, 5);
    EventLog log(tree);
    tree.Clear();
    EXPECT_EQ(tree.RootNodeCount(), 0u);
    EXPECT_EQ(tree.VisibleCount(), 0u);
    EXPECT_EQ(tree.OffsetX(), 0);
    EXPECT_EQ(tree.OffsetY(), 0);
    EXPECT_EQ(tree.FocusedNode(), nullptr);
    EXPECT_EQ(tree.SelectionCount(), 0u);
    EXPECT_EQ(log.Count("FreeNode"), 5);
    EXPECT_EQ(log.Count("FocusChanging"), 0);
    EXPECT_EQ(log.Count("Updating(0)"), 1);
    EXPECT_EQ(log.Count("Updating(4)"), 1);
    EXPECT_EQ(log.Count("StructureChange(nil"), 1) << "the root is reported as nil";
    EXPECT_EQ(CheckStructure(tree), "");
}

TEST(VirtualTreeObject, SelectionOptionsSetterClearsWhereTheRulesChange) {
    TestTree tree;
    tree.SetRootNodeCount(3);
    PVirtualNode n = tree.GetFirst();
    tree.SetSelected(n, true);
    ASSERT_EQ(tree.SelectionCount(), 1u);
    EventLog log(tree);
    log.RecordOnly({"Change"});
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});
    EXPECT_EQ(tree.SelectionCount(), 0u);
    EXPECT_EQ(log.Take(), Lines{"Change(nil)"});
    tree.SetSelected(n, true);
    tree.TreeOptions().SetSelectionOptions({toMultiSelect, toLevelSelectConstraint});
    EXPECT_EQ(tree.SelectionCount(), 0u);
    tree.SetSelected(n, true);
    tree.TreeOptions().SetSelectionOptions(
        {toMultiSelect, toLevelSelectConstraint, toFullRowSelect});
    EXPECT_EQ(tree.SelectionCount(), 1u);
}

TEST(VirtualTreeObject, SelectionStoreStaysSortedAndExact) {
    TestTree tree;
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});
    tree.SetRootNodeCount(50);
    std::vector<PVirtualNode> nodes = AllNodes(tree);
    for (size_t i = 0; i < nodes.size(); i += 3) tree.SetSelected(nodes[i], true);
    EXPECT_EQ(tree.SelectionCount(), 17u);
    int index = -1;
    EXPECT_TRUE(tree.FindNodeInSelection(nodes[9], index));
    EXPECT_FALSE(tree.FindNodeInSelection(nodes[10], index));
    tree.BeginUpdate();
    tree.DeleteNode(nodes[0]);
    tree.DeleteNode(nodes[3]);
    tree.EndUpdate();
    EXPECT_EQ(tree.SelectionCount(), 15u);
    EXPECT_EQ(tree.GetSortedSelection(true).size(), 15u);
    EXPECT_EQ(tree.GetFirstSelected(), nodes[6]);
    tree.SetSelected(nodes[6], false);
    EXPECT_EQ(tree.SelectionCount(), 14u);
    nodes[7]->States |= vsDisabled;
    tree.SetSelected(nodes[7], true);
    EXPECT_FALSE(tree.Selected(nodes[7])) << "a disabled node is not selected";
}

TEST(VirtualTreeObject, AnimationDurationSwitchesTheAnimationOption) {
    TestTree tree;
    EXPECT_TRUE(tree.TreeOptions().AnimationOptions().Empty());
    EXPECT_EQ(tree.AnimationDuration(), 200u);
    tree.SetAnimationDuration(0);
    EXPECT_FALSE(tree.TreeOptions().AnimationOptions().Contains(toAnimatedToggle));
    tree.SetAnimationDuration(150);
    EXPECT_TRUE(tree.TreeOptions().AnimationOptions().Contains(toAnimatedToggle));
}

TEST(VirtualTreeObject, OnlyRegularScrollBarsAreAccepted) {
    TestTree tree;
    try {
        tree.ScrollBarOptions().SetScrollBarStyle(sbmFlat);
        FAIL();
    } catch (const EVTAssertion& e) {
        EXPECT_STREQ(e.what(),
                     "Flat scrollbars styles are disabled. Enable UseFlatScrollbars in "
                     "VirtualTrees forflat scrollbar support.");
    }
    EXPECT_EQ(tree.ScrollBarOptions().ScrollBarStyle(), sbmRegular);
}

TEST(VirtualTreeObject, LegacyOptionNamesMapOntoTheFiveSets) {
    TestTree tree;
    tree.ApplyLegacyOptions({"voShowRoot", "voNoSuchOption", "voMultiSelect"});
    const TCustomVirtualTreeOptions& o = tree.TreeOptions();
    EXPECT_EQ(o.PaintOptions(), TVTPaintOptions{toShowRoot});
    EXPECT_EQ(o.SelectionOptions(), TVTSelectionOptions{toMultiSelect});
    EXPECT_TRUE(o.AnimationOptions().Empty());
    EXPECT_TRUE(o.AutoOptions().Empty());
    EXPECT_TRUE(o.MiscOptions().Empty());
}

TEST(VirtualTreeObject, DefaultsTheApplicationReliesOn) {
    TestTree tree;
    EXPECT_EQ(tree.Indent(), 18u);
    EXPECT_EQ(tree.Margin(), 4);
    EXPECT_EQ(tree.TextMargin(), 4);
    EXPECT_EQ(tree.ChangeDelay(), 0u);
    EXPECT_EQ(tree.ScrollBarOptions().ScrollBars(), ssBoth);
    EXPECT_EQ(tree.ScrollBarOptions().VerticalIncrement(), 20);
    EXPECT_EQ(tree.ScrollBarOptions().HorizontalIncrement(), 20);
    EXPECT_EQ(tree.IncrementalSearch(), isNone);
    EXPECT_EQ(tree.FocusedColumn(), NoColumn);
    EXPECT_EQ(tree.NodeDataSize(), -1);
    EXPECT_EQ(tree.DefaultNodeHeight(), 18u);
    EXPECT_EQ(tree.DragType(), dtOLE);
    EXPECT_EQ(tree.DragOperations(), (TDragOperations{doCopy, doMove}));
    EXPECT_EQ(tree.TreeOptions().PaintOptions(), DefaultPaintOptions);
    EXPECT_EQ(tree.TreeOptions().AutoOptions(), DefaultAutoOptions);
    EXPECT_EQ(tree.TreeOptions().MiscOptions(), DefaultMiscOptions);
    EXPECT_EQ(tree.Colors().Color(TVTColors::HotColor), clWindowText);
    EXPECT_EQ(tree.Colors().Color(TVTColors::GridLineColor), clBtnFace);
    TStringTreeOptions strings(nullptr);
    EXPECT_TRUE(strings.StringOptions().Contains(toSaveCaptions));
    EXPECT_TRUE(tree.TabStop());
    tree.SetDefaultNodeHeight(0);
    EXPECT_EQ(tree.DefaultNodeHeight(), 18u);
    EXPECT_EQ(tree.ClipboardFormats().Count(), 0);
}

TEST(VirtualTreeObject, AssignCopiesTheProperties) {
    TestTree source;
    source.SetIndent(30);
    source.SetDefaultNodeHeight(24);
    source.SetNodeDataSize(12);
    source.SetRootNodeCount(4);
    source.TreeOptions().SetMiscOptions({toCheckSupport});
    source.SetHintMode(hmTooltip);
    source.SetHintAnimation(hatSlide);
    source.SetDragMode(dmAutomatic);
    source.SetShowHint(true);
    TBitmap tile(4, 4);
    source.Background().Assign(tile);
    source.Header().Columns().Add()->SetWidth(70);
    source.Header().SetStyle(hsFlatButtons);
    source.Header().Font().SetName("Header Face");
    source.Header().Font().SetSize(13);
    source.Header().SetHeight(31);
    source.Header().SetOptions({hoColumnResize, hoHotTrack, hoShowSortGlyphs});
    TestTree target;
    target.Assign(source);
    EXPECT_EQ(target.HintMode(), hmTooltip);
    EXPECT_EQ(target.HintAnimation(), hatSlide);
    EXPECT_EQ(target.DragMode(), dmAutomatic);
    EXPECT_TRUE(target.ShowHint());
    EXPECT_FALSE(target.Background().Empty());
    ASSERT_EQ(target.Header().Columns().Count(), 1);
    EXPECT_EQ(target.Header().Columns().Items(0).Width(), 70);
    EXPECT_EQ(target.Header().Style(), hsFlatButtons);
    EXPECT_EQ(target.Header().Font().Name(), "Header Face");
    EXPECT_EQ(target.Header().Font().Size(), 13);
    EXPECT_EQ(target.Header().Height(), 31);
    EXPECT_EQ(target.Header().Options(),
              TVTHeaderOptions({hoColumnResize, hoHotTrack, hoShowSortGlyphs}));
    EXPECT_EQ(target.Indent(), 30u);
    EXPECT_EQ(target.DefaultNodeHeight(), 24u);
    EXPECT_EQ(target.NodeDataSize(), 12);
    EXPECT_EQ(target.RootNodeCount(), 4u);
    EXPECT_EQ(target.TreeOptions().MiscOptions(), TVTMiscOptions{toCheckSupport});
    EXPECT_EQ(CheckStructure(target), "");
}

TEST(VirtualTreeObject, PopupMenusAreForgottenWhenTheyGo) {
    TestTree tree;
    auto menu = std::make_unique<TPopupMenu>();
    auto headerMenu = std::make_unique<TPopupMenu>();
    tree.SetPopupMenu(menu.get());
    tree.Header().SetPopupMenu(headerMenu.get());
    menu.reset();
    headerMenu.reset();
    EXPECT_EQ(tree.PopupMenu(), nullptr);
    EXPECT_EQ(tree.Header().PopupMenu(), nullptr);
    auto kept = std::make_unique<TPopupMenu>();
    {
        TestTree gone;
        gone.SetPopupMenu(kept.get());
    }
    kept.reset();  // the tree that went is not told
}

TEST(VirtualTreeObject, RootCountWaitsForTheEndOfLoading) {
    TestTree tree;
    tree.BeginLoad();
    tree.SetRootNodeCount(5);
    EXPECT_EQ(tree.GetFirstNoInit(), nullptr);
    tree.Loaded();
    EXPECT_EQ(tree.RootNodeCount(), 5u);
    EXPECT_EQ(AllNodes(tree).size(), 5u);
    EXPECT_EQ(CheckStructure(tree), "");
}

TEST(VirtualTreeObject, TheAutoSizeColumnFollowsLoadingAndTheClientWidth) {
    TestTree tree;
    tree.SetClientSize(200, 100);
    tree.BeginLoad();
    tree.Header().SetAutoSizeIndex(1);
    tree.Header().SetOptions(tree.Header().Options() + hoAutoResize);
    tree.Header().Columns().Add()->SetWidth(50);
    tree.Header().Columns().Add()->SetWidth(50);
    tree.Loaded();
    EXPECT_EQ(tree.Header().Columns().Items(1).Width(), 150);
    tree.SetClientSize(300, 100);
    EXPECT_EQ(tree.Header().Columns().Items(1).Width(), 250);
}

TEST(VirtualTreeObject, ImageListsAreForgottenWhenTheyGo) {
    TestTree tree;
    auto images = std::make_unique<TCustomImageList>(nullptr, 16, 16);
    tree.SetImages(images.get());
    tree.SetCustomCheckImages(images.get());
    tree.SetCheckImageKind(ckCustom);
    EXPECT_EQ(tree.CheckImages(), images.get());
    images.reset();
    EXPECT_EQ(tree.Images(), nullptr);
    EXPECT_EQ(tree.CustomCheckImages(), nullptr);
    EXPECT_EQ(tree.CheckImageKind(), ckLightCheck);
    EXPECT_EQ(tree.CheckImages(), CheckImagesFor(ckLightCheck)) << "back to the built-in boxes";
}

TEST(VirtualTreeObject, LookPropertiesRepaintOncePerChange) {
    TestTree tree;
    tree.SetClientSize(200, 100);
    tree.Show();
    Pump();
    auto repaints = [&](auto change) {
        tree.paints = 0;
        change();
        Pump();
        return tree.paints;
    };
    EXPECT_EQ(repaints([&] { tree.SetButtonFillMode(fmShaded); }), 1);
    EXPECT_EQ(repaints([&] { tree.SetButtonFillMode(fmShaded); }), 0);
    EXPECT_EQ(repaints([&] { tree.SetLineMode(lmBands); }), 1);
    EXPECT_EQ(repaints([&] { tree.SetTextMargin(9); }), 1);
    EXPECT_EQ(tree.TextMargin(), 9);
    tree.paints = 0;
    tree.Repaint();
    EXPECT_EQ(tree.paints, 1) << "at once, without waiting for the loop";
    tree.Hide();
}
