// Geometry: rows at their edges, rectangles, offsets and scroll bars, expansion and scrolling.
#include "TreeTestSupport.h"

using Lines = std::vector<std::string>;

namespace {

// Five rows of 18, 18, 18, 30 and 30 pixels (tops 0, 18, 36, 54, 84) in a 60-pixel view.
class GeometryTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 3; ++i) n.push_back(tree.AddChild(nullptr));
        tree.SetDefaultNodeHeight(30);
        for (int i = 0; i < 2; ++i) n.push_back(tree.AddChild(nullptr));
        tree.SetClientSize(300, 60);
        ASSERT_EQ(tree.ClientHeight(), 60);
        ASSERT_EQ(tree.RangeY(), 114);
    }
    TestTree tree;
    std::vector<PVirtualNode> n;
};

}  // namespace

TEST_F(GeometryTest, NodeAtRowEdges) {
    struct Case {
        int y;
        int node;
        int top;
    } cases[] = {{0, 0, 0},   {17, 0, 0},  {18, 1, 18}, {53, 2, 36},
                 {54, 3, 54}, {83, 3, 54}, {84, 4, 84}, {113, 4, 84}};
    for (const Case& c : cases) {
        int top = -7;
        EXPECT_EQ(tree.GetNodeAt(0, c.y, false, top), n[size_t(c.node)]) << "y " << c.y;
        EXPECT_EQ(top, c.top) << "y " << c.y;
    }
    int top = -7;
    EXPECT_EQ(tree.GetNodeAt(0, 114, false, top), nullptr);
    EXPECT_EQ(top, -7);
    tree.SetOffsetY(-20);
    EXPECT_EQ(tree.GetNodeAt(0, 0, true, top), n[1]);
    EXPECT_EQ(top, -2);
    EXPECT_EQ(tree.TopNode(), n[1]);
    EXPECT_EQ(tree.GetNodeAt(0, -50, true, top), n[1]);
}

TEST_F(GeometryTest, DisplayRectangles) {
    const int right = std::max(tree.ClientWidth(), tree.RangeX());
    EXPECT_EQ(tree.GetDisplayRect(n[3], NoColumn, false), (TRect{0, 54, right, 84}));
    tree.SetOffsetY(-20);
    EXPECT_EQ(tree.GetDisplayRect(n[3], NoColumn, false), (TRect{0, 34, right, 64}));
    tree.SetOffsetY(0);
    PVirtualNode hidden = tree.AddChild(n[0]);
    EXPECT_EQ(tree.GetDisplayRect(hidden, NoColumn, false), (TRect{}));
    tree.SetExpanded(n[0], true);
    tree.SetOffsetY(0);
    tree.nodeWidth = 50;
    TRect text = tree.GetDisplayRect(hidden, NoColumn, true);
    EXPECT_EQ(text.Left, 18 + 4 + 18);
    EXPECT_EQ(text.Right, 90);
    EXPECT_EQ(text.Top, 18);
    EXPECT_THROW(tree.GetDisplayRect(nullptr, NoColumn, false), EVTAssertion);
    EXPECT_THROW(tree.GetDisplayRect(tree.RootNode(), NoColumn, false), EVTAssertion);
}

TEST_F(GeometryTest, OffsetsAreClampedAndReportedOnce) {
    EventLog log(tree);
    log.RecordOnly({"Scroll"});
    tree.SetOffsetY(100);
    EXPECT_EQ(tree.OffsetY(), 0);
    EXPECT_TRUE(log.lines.empty()) << "nothing changed, nothing reported";
    tree.SetOffsetY(-1000000);
    EXPECT_EQ(tree.OffsetY(), 60 - 114);
    EXPECT_EQ(log.Take(), Lines{"Scroll(0,-54)"});
    tree.SetOffsetX(-50);
    EXPECT_EQ(tree.OffsetX(), 0) << "the content is narrower than the view";
    tree.SetClientSize(300, 200);
    EXPECT_EQ(tree.OffsetY(), 0) << "a view taller than the content cannot be scrolled";
}

TEST_F(GeometryTest, ScrollBarAgreesWithTheOffset) {
    EXPECT_TRUE(tree.ScrollBarVisible(sbVertical));
    EXPECT_FALSE(tree.ScrollBarVisible(sbHorizontal));
    auto position = [&] { return tree.GetScrollInfo(sbVertical).Pos; };
    tree.ScrollMessage(sbVertical, SB_LINEDOWN, 0);
    EXPECT_EQ(tree.OffsetY(), -20);
    EXPECT_EQ(position(), 20);
    tree.ScrollMessage(sbVertical, SB_PAGEDOWN, 0);
    EXPECT_EQ(tree.OffsetY(), -54);
    EXPECT_EQ(position(), 54);
    tree.ScrollMessage(sbVertical, SB_TOP, 0);
    EXPECT_EQ(tree.OffsetY(), 0);
    tree.ScrollMessage(sbVertical, SB_BOTTOM, 0);
    EXPECT_EQ(tree.OffsetY(), -54);
    EXPECT_EQ(position(), 54);
    tree.ScrollMessage(sbVertical, SB_THUMBTRACK, 10);
    EXPECT_EQ(tree.OffsetY(), -10);
    EXPECT_TRUE(tree.HasTreeState(tsThumbTracking));
    tree.ScrollMessage(sbVertical, SB_ENDSCROLL, 0);
    EXPECT_FALSE(tree.HasTreeState(tsThumbTracking));
    EXPECT_EQ(position(), 10);
    tree.ScrollMessage(sbVertical, SB_LINEUP, 0);
    EXPECT_EQ(tree.OffsetY(), 0);
    tree.ScrollBarOptions().SetVerticalIncrement(7);
    tree.ScrollMessage(sbVertical, SB_LINEDOWN, 0);
    EXPECT_EQ(tree.OffsetY(), -7);
    tree.nodeWidth = 500;
    tree.UpdateScrollBars(false);
    tree.ScrollBarOptions().SetHorizontalIncrement(9);
    tree.ScrollMessage(sbHorizontal, SB_LINEDOWN, 0);
    EXPECT_EQ(tree.OffsetX(), -9);

    tree.SetClientSize(300, 200);
    EXPECT_FALSE(tree.ScrollBarVisible(sbVertical));
    tree.ScrollBarOptions().SetAlwaysVisible(true);
    EXPECT_TRUE(tree.ScrollBarVisible(sbVertical));
    EXPECT_FALSE(tree.ScrollBarEnabled(sbVertical));
    tree.ScrollBarOptions().SetScrollBars(ssNone);
    EXPECT_FALSE(tree.ScrollBarVisible(sbVertical));
}

TEST_F(GeometryTest, ScrollIntoViewMovesOnlyWhenNeeded) {
    EXPECT_TRUE(tree.ScrollIntoView(n[4], false));
    EXPECT_EQ(tree.OffsetY(), -54);
    EXPECT_TRUE(tree.ScrollIntoView(n[0], false));
    EXPECT_EQ(tree.OffsetY(), 0);
    EXPECT_FALSE(tree.ScrollIntoView(n[1], false));
    EXPECT_EQ(tree.OffsetY(), 0);
    PVirtualNode child = tree.AddChild(n[2]);
    EventLog log(tree);
    log.RecordOnly({"Expand"});
    log.Name(n[2], "n2");
    tree.ScrollIntoView(child, false);
    EXPECT_EQ(log.Take(), (Lines{"Expanding(n2)", "Expanded(n2)"}));
    TRect r = tree.GetDisplayRect(child, NoColumn, false);
    EXPECT_GE(r.Top, 0);
    EXPECT_LE(r.Bottom, 60);
}

TEST_F(GeometryTest, TopNodeScrollsTheNodeToTheTop) {
    tree.SetTopNode(n[2]);
    EXPECT_EQ(tree.OffsetY(), -36);
    EXPECT_EQ(tree.TopNode(), n[2]);
    tree.SetTopNode(n[4]);
    EXPECT_EQ(tree.OffsetY(), -54);
    EXPECT_EQ(tree.TopNode(), n[3]);
    PVirtualNode inner = tree.AddChild(n[0]);
    PVirtualNode deep = tree.AddChild(inner);
    tree.SetTopNode(deep);
    EXPECT_TRUE(tree.Expanded(n[0]));
    EXPECT_TRUE(tree.Expanded(inner));
    EXPECT_EQ(tree.TopNode(), deep);
}

TEST_F(GeometryTest, TogglingAdjustsCountsAndHeights) {
    PVirtualNode p = n[1];
    tree.SetChildCount(p, 3);
    EventLog log(tree);
    log.RecordOnly({"Expand", "Collapse"});
    uint32_t visible = tree.VisibleCount();
    int range = tree.RangeY();
    tree.SetExpanded(p, true);
    EXPECT_EQ(log.Take(), (Lines{"Expanding(#1@0)", "Expanded(#1@0)"}));
    EXPECT_EQ(tree.VisibleCount(), visible + 3);
    EXPECT_EQ(tree.RangeY(), range + 3 * 30);
    tree.OnCollapsing = [](TBaseVirtualTree*, PVirtualNode, bool& allowed) { allowed = false; };
    tree.SetExpanded(p, false);
    EXPECT_TRUE(tree.Expanded(p));
    EXPECT_EQ(tree.VisibleCount(), visible + 3);
    EXPECT_EQ(tree.RangeY(), range + 90);
    EXPECT_TRUE(log.lines.empty());
    tree.OnCollapsing = nullptr;
    tree.SetExpanded(p, false);
    EXPECT_EQ(tree.VisibleCount(), visible);
    EXPECT_EQ(tree.RangeY(), range);
    EXPECT_NO_THROW(tree.SetExpanded(nullptr, true));
    EXPECT_NO_THROW(tree.SetExpanded(tree.RootNode(), false));
    EXPECT_TRUE(tree.RootNode()->States & vsExpanded);
    EXPECT_THROW(tree.ToggleNode(nullptr), EVTAssertion);
    EXPECT_EQ(CheckStructure(tree), "");
}

TEST(VirtualTreeGeometry, FullExpandAndCollapse) {
    TestTree tree;
    EventLog log(tree);
    tree.FullExpand();
    EXPECT_TRUE(log.lines.empty()) << "an empty tree does nothing";
    tree.OnInitNode = [](TBaseVirtualTree* t, PVirtualNode, PVirtualNode node,
                         TVirtualNodeInitStates& s) {
        if (t->GetNodeLevel(node) < 2) s.Include(ivsHasChildren);
    };
    tree.OnInitChildren = [](TBaseVirtualTree*, PVirtualNode, uint32_t& count) { count = 2; };
    tree.SetRootNodeCount(2);
    log.Take();
    log.RecordOnly({"Updating", "Expanded"});
    tree.FullExpand();
    EXPECT_EQ(tree.VisibleCount(), 14u);
    EXPECT_EQ(log.Count("Updating(0)"), 1);
    EXPECT_EQ(log.Count("Updating(4)"), 1);
    EXPECT_EQ(log.Count("Expanded"), 14) << "leaves are toggled too";
    tree.FullCollapse();
    EXPECT_EQ(tree.VisibleCount(), 2u);
    for (PVirtualNode run = tree.GetFirstNoInit(); run; run = tree.GetNextNoInit(run))
        if (run->States & vsHasChildren) {
            EXPECT_FALSE(run->States & vsExpanded);
        }
    EXPECT_EQ(CheckStructure(tree), "");
    PVirtualNode first = tree.GetFirstNoInit();
    tree.FullExpand(first);
    EXPECT_EQ(tree.VisibleCount(), 2u + 6u);
    EXPECT_FALSE(first->NextSibling->States & vsExpanded);
    tree.FullCollapse(first);
    EXPECT_EQ(tree.VisibleCount(), 2u);
    EXPECT_EQ(CheckStructure(tree), "");
    // The hidden root stands for the whole tree, as nil does.
    tree.FullExpand(tree.RootNode());
    EXPECT_EQ(tree.VisibleCount(), 14u);
    tree.FullCollapse(tree.RootNode());
    EXPECT_EQ(tree.VisibleCount(), 2u);
}

TEST(VirtualTreeGeometry, AnEmptyViewExtendsByBothMargins) {
    TestTree tree;
    tree.SetClientSize(200, 100);
    EXPECT_EQ(tree.GetMaxRightExtend(), 2 * tree.Margin());
}

TEST(VirtualTreeGeometry, DefaultNodeHeightAppliesToNewNodesOnly) {
    TestTree tree;
    tree.SetRootNodeCount(2);
    tree.SetDefaultNodeHeight(24);
    EXPECT_EQ(tree.RangeY(), 36);
    PVirtualNode late = tree.AddChild(nullptr);
    EXPECT_EQ(late->NodeHeight, 24);
    EXPECT_EQ(tree.RangeY(), 60);
    EXPECT_EQ(CheckStructure(tree), "");
}

TEST(VirtualTreeGeometry, ColumnCellsScrollWithTheViewAndComeIntoIt) {
    TestTree tree;
    PVirtualNode node = tree.AddChild(nullptr);
    for (int i = 0; i < 3; ++i) tree.Header().Columns().Add()->SetWidth(150);
    tree.SetClientSize(200, 100);
    ASSERT_EQ(tree.ClientWidth(), 200);
    tree.SetOffsetX(-100);
    ASSERT_EQ(tree.OffsetX(), -100);
    EXPECT_EQ(tree.GetDisplayRect(node, 1, false), (TRect{50, 0, 199, 18}))
        << "150 .. 300 in the content";
    tree.SetOffsetX(0);

    // The focused column's cell is scrolled into view from either side.
    tree.SetFocusedNode(node);
    tree.SetFocusedColumn(2);
    EXPECT_TRUE(tree.ScrollIntoView(node, false, true));
    EXPECT_EQ(tree.OffsetX(), -249) << "the cell's last pixel at the right edge";
    tree.SetFocusedColumn(1);
    EXPECT_TRUE(tree.ScrollIntoView(node, false, true));
    EXPECT_EQ(tree.OffsetX(), -150) << "its left edge at the left edge";
    EXPECT_FALSE(tree.ScrollIntoView(node, false, true));
    tree.SetFocusedColumn(0);
    EXPECT_TRUE(tree.ScrollIntoView(node, false, true));
    EXPECT_EQ(tree.OffsetX(), 0);
}
