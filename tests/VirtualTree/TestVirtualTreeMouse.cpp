// Mouse: the hit-position table on the row layout, clicks with and without modifiers, the
// expand button, double clicks, the check press, hot tracking and the wheel.
#include "TreeTestSupport.h"

#include "platform/headless/Headless.h"

namespace {

class MouseTree : public TestTree {
public:
    MouseTree() { nodeWidth = 30; }
    using TBaseVirtualTree::DoMouseHorizontalWheel;
    using TBaseVirtualTree::DoMouseWheel;
    using TBaseVirtualTree::MouseDown;
    using TBaseVirtualTree::MouseLeave;
    using TBaseVirtualTree::MouseMove;
    using TBaseVirtualTree::MouseUp;
    void CallContextPopup(TPoint p, bool& handled) { DoContextPopup(p, handled); }

    void ClickAt(int x, int y, TShiftState shift = 0, TMouseButton button = mbLeft) {
        MouseDown(button, shift, x, y);
        MouseUp(button, shift, x, y);
    }
    void DoubleClick(int x, int y) {
        ClickAt(x, y);
        MouseDown(mbLeft, ssDouble, x, y);
        MouseUp(mbLeft, 0, x, y);
    }
    uint32_t At(int x, int y, PVirtualNode* node = nullptr) {
        THitInfo hit;
        GetHitTestInfoAt(x, y, true, hit);
        if (node) *node = hit.HitNode;
        return hit.HitPositions;
    }
    std::vector<PVirtualNode> SelectedNodes() const { return GetSortedSelection(true); }
};

int Middle(MouseTree& tree, PVirtualNode node) {
    const TRect r = tree.GetDisplayRect(node, NoColumn, false);
    return (r.Top + r.Bottom) / 2;
}

}  // namespace

TEST(TreeMouse, HitPositionsFollowTheRowLayout) {
    MouseTree tree;
    tree.SetClientSize(200, 200);
    PVirtualNode a = tree.AddChild(nullptr);
    PVirtualNode a1 = tree.AddChild(a);
    tree.SetExpanded(a, true);
    const TRect label = tree.GetDisplayRect(a, NoColumn, true);
    const int y = Middle(tree, a);
    PVirtualNode hitNode = nullptr;
    EXPECT_EQ(tree.At(label.Left, y, &hitNode), hiOnItem | hiOnItemLabel);
    EXPECT_EQ(hitNode, a);
    EXPECT_EQ(tree.At(label.Right - 1, y), hiOnItem | hiOnItemLabel) << "last painted pixel";
    EXPECT_EQ(tree.At(label.Right, y), hiOnItem | hiOnItemRight);
    EXPECT_EQ(tree.At(label.Left - 1, y), hiOnItem | hiOnItemLeft);
    EXPECT_EQ(tree.At(int(tree.Indent()) / 2, y), hiOnItem | hiOnItemButton);
    EXPECT_EQ(tree.At(int(tree.Indent()) + 2, Middle(tree, a1)), hiOnItem | hiOnItemIndent)
        << "no children: no button";
    EXPECT_EQ(tree.At(10, -5), uint32_t(hiAbove));
    EXPECT_EQ(tree.At(-5, 10), uint32_t(hiToLeft));
    tree.At(10, 150, &hitNode);
    EXPECT_EQ(tree.At(10, 150), uint32_t(hiNowhere));
    EXPECT_EQ(hitNode, nullptr);
    EXPECT_EQ(tree.At(10, 500), uint32_t(hiBelow));
}

TEST(TreeMouse, ClicksFocusAndSelect) {
    MouseTree tree;
    tree.SetClientSize(200, 200);
    TVTSelectionOptions selection = tree.TreeOptions().SelectionOptions();
    selection.Include(toMultiSelect);
    tree.TreeOptions().SetSelectionOptions(selection);
    std::vector<PVirtualNode> rows;
    for (int i = 0; i < 4; ++i) rows.push_back(tree.AddChild(nullptr));
    const int x = tree.GetDisplayRect(rows[0], NoColumn, true).Left + 2;
    tree.ClickAt(x, Middle(tree, rows[1]));
    EXPECT_EQ(tree.FocusedNode(), rows[1]);
    EXPECT_EQ(tree.SelectedNodes(), std::vector<PVirtualNode>{rows[1]});
    tree.ClickAt(x, Middle(tree, rows[3]), ssCtrl);
    EXPECT_EQ(tree.SelectedNodes(), (std::vector<PVirtualNode>{rows[1], rows[3]}));
    tree.ClickAt(x, Middle(tree, rows[3]), ssCtrl);
    EXPECT_EQ(tree.SelectedNodes(), std::vector<PVirtualNode>{rows[1]}) << "Ctrl toggles";
    tree.ClickAt(x, Middle(tree, rows[1]));  // the range anchor
    tree.ClickAt(x, Middle(tree, rows[3]), ssShift);
    EXPECT_EQ(tree.SelectedNodes(), (std::vector<PVirtualNode>{rows[1], rows[2], rows[3]}));
    tree.ClickAt(x, Middle(tree, rows[0]));
    EXPECT_EQ(tree.SelectedNodes(), std::vector<PVirtualNode>{rows[0]});
    tree.ClickAt(x, 180);  // empty space: the selection goes
    EXPECT_TRUE(tree.SelectedNodes().empty());
    EXPECT_EQ(CheckStructure(tree), "");
}

TEST(TreeMouse, ButtonsAndDoubleClicksToggle) {
    MouseTree tree;
    tree.SetClientSize(200, 200);
    PVirtualNode a = tree.AddChild(nullptr);
    tree.AddChild(a);
    PVirtualNode b = tree.AddChild(nullptr);
    tree.SetFocusedNode(b);
    tree.ClickAt(int(tree.Indent()) / 2, Middle(tree, a));
    EXPECT_TRUE(tree.Expanded(a));
    EXPECT_EQ(tree.FocusedNode(), b) << "the button leaves focus and selection alone";
    int dblClicks = 0;
    tree.OnDblClick = [&dblClicks](TObject*) { ++dblClicks; };
    const int x = tree.GetDisplayRect(a, NoColumn, true).Left + 2;
    tree.DoubleClick(x, Middle(tree, a));
    EXPECT_FALSE(tree.Expanded(a)) << "toToggleOnDblClick";
    EXPECT_EQ(tree.FocusedNode(), a);
}

TEST(TreeMouse, ACheckPressCompletesOverItsNodeOnly) {
    MouseTree tree;
    tree.SetClientSize(200, 200);
    TVTMiscOptions misc = tree.TreeOptions().MiscOptions();
    misc.Include(toCheckSupport);
    tree.TreeOptions().SetMiscOptions(misc);
    PVirtualNode a = tree.AddChild(nullptr);
    PVirtualNode b = tree.AddChild(nullptr);
    tree.SetCheckType(a, ctCheckBox);
    TVTCellLayout layout = tree.LayoutCell(a, NoColumn, {0, 0, 200, int(a->NodeHeight)});
    ASSERT_GE(layout.CheckX, 0);
    const int x = layout.CheckX + 3;
    EXPECT_EQ(tree.At(x, Middle(tree, a)), hiOnItem | hiOnItemCheckbox);
    tree.ClickAt(x, Middle(tree, a));
    EXPECT_EQ(tree.CheckState(a), csCheckedNormal);
    tree.MouseDown(mbLeft, 0, x, Middle(tree, a));
    EXPECT_EQ(tree.CheckState(a), csCheckedNormal) << "pressed only in look";
    tree.MouseUp(mbLeft, 0, x, Middle(tree, b));
    EXPECT_EQ(tree.CheckState(a), csCheckedNormal) << "released elsewhere: no change";
    EXPECT_FALSE(tree.HasTreeState(tsCheckPressPending));
}

TEST(TreeMouse, HotTrackingAndTheWheel) {
    MouseTree tree;
    tree.SetDefaultNodeHeight(20);
    tree.SetClientSize(200, 100);
    std::vector<PVirtualNode> rows;
    for (int i = 0; i < 20; ++i) rows.push_back(tree.AddChild(nullptr));
    std::vector<std::pair<PVirtualNode, PVirtualNode>> changes;
    tree.OnHotChange = [&changes](TBaseVirtualTree*, PVirtualNode from, PVirtualNode to) {
        changes.push_back({from, to});
    };
    const int x = tree.GetDisplayRect(rows[0], NoColumn, true).Left + 2;
    tree.MouseMove(0, x, 30);
    tree.MouseMove(0, x + 1, 31);
    tree.MouseMove(0, 190, 30);  // right of the label: no hot node
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].second, rows[1]);
    EXPECT_EQ(changes[1].second, nullptr);

    EXPECT_TRUE(tree.DoMouseWheel(0, -60, {x, 10}));
    EXPECT_EQ(tree.OffsetY(), 0) << "half a step scrolls nothing";
    tree.DoMouseWheel(0, -60, {x, 10});
    EXPECT_EQ(tree.OffsetY(), -20);
    tree.DoMouseWheel(0, 60, {x, 10});
    tree.DoMouseWheel(0, -240, {x, 10});
    EXPECT_EQ(tree.OffsetY(), -60) << "a turn the other way starts afresh";
    tree.DoMouseWheel(ssCtrl, -120, {x, 10});
    EXPECT_EQ(tree.OffsetY(), -160);
}

TEST(TreeMouse, TheSidewaysWheelScrollsSideways) {
    MouseTree tree;
    tree.nodeWidth = 600;
    tree.SetDefaultNodeHeight(20);
    tree.SetClientSize(200, 100);
    for (int i = 0; i < 20; ++i) tree.AddChild(nullptr);
    const int indent = int(tree.Indent());
    EXPECT_TRUE(tree.DoMouseHorizontalWheel(0, -120, {10, 10}));
    EXPECT_EQ(tree.OffsetX(), -indent);
    EXPECT_EQ(tree.OffsetY(), 0) << "the rows that do not fit stay";
    tree.DoMouseHorizontalWheel(0, -60, {10, 10});
    tree.DoMouseHorizontalWheel(0, -60, {10, 10});
    EXPECT_EQ(tree.OffsetX(), -2 * indent);
    tree.DoMouseHorizontalWheel(0, 240, {10, 10});
    EXPECT_EQ(tree.OffsetX(), 0);
}

TEST(TreeMouse, TheDesktopsContextRequestDuringARightPressIsSwallowed) {
    MouseTree tree;
    tree.SetClientSize(200, 100);
    int requests = 0;
    tree.OnContextPopup = [&requests](TObject*, TPoint, bool&) { ++requests; };
    tree.MouseDown(mbRight, 0, 10, 10);
    bool handled = false;
    tree.CallContextPopup({10, 10}, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(requests, 0);
    tree.MouseUp(mbRight, 0, 10, 10);
    handled = false;
    tree.CallContextPopup({10, 10}, handled);  // from the keyboard
    EXPECT_EQ(requests, 1);
}

TEST(TreeMouse, ARubberBandNearAnEdgeScrollsWithAutoScrollOnly) {
    MouseTree tree;
    tree.SetDefaultNodeHeight(20);
    tree.SetClientSize(200, 100);
    TVTSelectionOptions selection = tree.TreeOptions().SelectionOptions();
    selection.Include(toMultiSelect);
    tree.TreeOptions().SetSelectionOptions(selection);
    std::vector<PVirtualNode> rows;
    for (int i = 0; i < 20; ++i) rows.push_back(tree.AddChild(nullptr));
    tree.MouseDown(mbLeft, 0, 150, 5);  // right of the labels: a band starts
    tree.MouseMove(ssLeft, 30, 50);
    EXPECT_TRUE(tree.HasTreeState(tsDrawSelecting));
    EXPECT_EQ(tree.SelectionCount(), 3u);
    tree.MouseMove(ssLeft, 30, 130);  // below the window
    EXPECT_FALSE(tree.TimerActive(TBaseVirtualTree::ScrollTimer)) << "no toAutoScroll";
    TVTAutoOptions autoOptions = tree.TreeOptions().AutoOptions();
    autoOptions.Include(toAutoScroll);
    tree.TreeOptions().SetAutoOptions(autoOptions);
    tree.MouseMove(ssLeft, 30, 50);
    EXPECT_FALSE(tree.TimerActive(TBaseVirtualTree::ScrollTimer)) << "away from the edges";
    tree.MouseMove(ssLeft, 30, 85);  // inside the window, within a row's height of its bottom
    EXPECT_TRUE(tree.TimerActive(TBaseVirtualTree::ScrollTimer));
    SetHeadlessMousePosition(tree.ClientToScreen({30, 85}));
    tree.TimerEvent(TBaseVirtualTree::ScrollTimer);
    tree.TimerEvent(TBaseVirtualTree::ScrollTimer);
    EXPECT_EQ(tree.OffsetY(), -40);
    EXPECT_GT(tree.SelectionCount(), 5u) << "rows that came into the band are selected";
    tree.MouseMove(ssLeft, 30, 50);
    EXPECT_FALSE(tree.TimerActive(TBaseVirtualTree::ScrollTimer)) << "left the edge";
    tree.MouseUp(mbLeft, 0, 60, 50);
    EXPECT_FALSE(tree.HasTreeState(tsDrawSelecting));
    SetHeadlessMousePosition({-1, -1});
}

TEST(TreeMouse, TheRubberBandIsADottedFrameOrABlendedRectangle) {
    MouseTree tree;
    TVTPaintOptions paint = tree.TreeOptions().PaintOptions();
    paint.Exclude(toThemeAware);  // a tree using themes always blends
    tree.TreeOptions().SetPaintOptions(paint);
    tree.SetDefaultNodeHeight(20);
    tree.SetClientSize(200, 100);
    TVTSelectionOptions selection = tree.TreeOptions().SelectionOptions();
    selection.Include(toMultiSelect);
    tree.TreeOptions().SetSelectionOptions(selection);
    for (int i = 0; i < 2; ++i) tree.AddChild(nullptr);
    tree.MouseDown(mbLeft, 0, 150, 5);
    tree.MouseMove(ssLeft, 80, 80);
    ASSERT_TRUE(tree.HasTreeState(tsDrawSelecting));
    auto inside = [&] {
        TBitmap shot;
        tree.PaintTo(shot);
        const TRect client = tree.ClientOrigin();
        return shot.Pixel(client.Left + 115, client.Top + 60);  // below the rows, in the band
    };
    const TColor plain = ColorToRGB(tree.Color());
    EXPECT_EQ(inside(), plain) << "a dotted frame leaves the inside alone";
    tree.SetDrawSelectionMode(smBlendedRectangle);
    EXPECT_NE(inside(), plain) << "the blended rectangle tints it";
    tree.MouseUp(mbLeft, 0, 80, 80);
}

TEST(TreeMouse, WheelPanningByClickAndByDrag) {
    MouseTree tree;
    tree.SetDefaultNodeHeight(20);
    tree.SetClientSize(200, 100);
    for (int i = 0; i < 30; ++i) tree.AddChild(nullptr);
    // A click without moving: panning goes on after the release.
    tree.MouseDown(mbMiddle, 0, 50, 50);
    tree.MouseUp(mbMiddle, 0, 50, 50);
    EXPECT_TRUE(tree.TimerActive(TBaseVirtualTree::ScrollTimer));
    SetHeadlessMousePosition(tree.ClientToScreen({50, 54}));
    tree.TimerEvent(TBaseVirtualTree::ScrollTimer);
    EXPECT_EQ(tree.OffsetY(), 0) << "inside the dead zone";
    SetHeadlessMousePosition(tree.ClientToScreen({50, 80}));
    tree.TimerEvent(TBaseVirtualTree::ScrollTimer);
    EXPECT_EQ(tree.OffsetY(), -22);
    tree.MouseLeave();
    EXPECT_TRUE(tree.TimerActive(TBaseVirtualTree::ScrollTimer)) << "leaving keeps panning";
    const int beeps = TreeBeepCount();
    tree.MouseDown(mbLeft, 0, 50, 80);  // any press ends it, and selects nothing
    EXPECT_FALSE(tree.TimerActive(TBaseVirtualTree::ScrollTimer));
    EXPECT_EQ(tree.SelectionCount(), 0u);
    tree.MouseUp(mbLeft, 0, 50, 80);
    EXPECT_EQ(TreeBeepCount(), beeps);

    // A drag past the threshold ends with the release.
    tree.MouseDown(mbMiddle, 0, 50, 50);
    tree.MouseMove(ssMiddle, 50, 70);
    tree.MouseUp(mbMiddle, 0, 50, 70);
    EXPECT_FALSE(tree.TimerActive(TBaseVirtualTree::ScrollTimer));
    SetHeadlessMousePosition({-1, -1});
}
