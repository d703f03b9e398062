// The tree's cursor on every move: its own Cursor, HotCursor over the hot node with hot
// tracking, what OnGetCursor makes of it, the header's splitter cursor and wheel panning's.
#include "TreeTestSupport.h"

#include "platform/Cursors.h"
#include "platform/headless/Headless.h"

#include <vector>

namespace {

class CursorTree : public TestTree {
public:
    CursorTree() {
        nodeWidth = 30;
        SetDefaultNodeHeight(20);
        SetClientSize(200, 100);
        for (int i = 0; i < 20; ++i) rows.push_back(AddChild(nullptr));
    }
    using TBaseVirtualTree::MouseDown;
    using TBaseVirtualTree::MouseMove;
    using TBaseVirtualTree::MouseUp;
    using TBaseVirtualTree::PreviewMouse;

    void HotTrack() {
        TVTPaintOptions paint = TreeOptions().PaintOptions();
        paint.Include(toHotTrack);
        TreeOptions().SetPaintOptions(paint);
    }
    // A point on the label of row i, and one right of every label.
    int LabelX() { return GetDisplayRect(rows[0], NoColumn, true).Left + 2; }
    void OverLabel(int row) { MouseMove(0, LabelX(), row * 20 + 10 + OffsetY()); }
    void OverNothing() { MouseMove(0, 190, 10); }
    bool HeaderMove(int x) {
        const TRect header = Header().HeaderRect();
        TMouseMessage m;
        m.Action = TMouseAction::Move;
        m.Pos = {x, (header.Top + header.Bottom) / 2};
        m.InHeaderStrip = true;
        return PreviewMouse(m);
    }

    std::vector<PVirtualNode> rows;
};

}  // namespace

TEST(TreeCursor, TheOwnCursorGivesWayToTheHotCursorOverTheHotNode) {
    CursorTree tree;
    tree.SetCursor(crHandPoint);
    EXPECT_EQ(tree.Cursor(), crHandPoint);
    EXPECT_EQ(tree.ShownCursor(), crHandPoint) << "shown at once";
    tree.SetHotCursor(crIBeam);
    tree.OverLabel(0);
    ASSERT_EQ(tree.HotNode(), tree.rows[0]);
    EXPECT_EQ(tree.ShownCursor(), crHandPoint) << "no hot cursor without toHotTrack";

    tree.HotTrack();
    tree.OverLabel(1);
    EXPECT_EQ(tree.ShownCursor(), crIBeam);
    EXPECT_EQ(tree.Cursor(), crHandPoint) << "the tree's own cursor stays what it was set to";
    tree.OverNothing();
    EXPECT_EQ(tree.HotNode(), nullptr);
    EXPECT_EQ(tree.ShownCursor(), crHandPoint) << "back off the hot node";

    // A new own cursor waits while the hot cursor shows.
    tree.OverLabel(2);
    tree.SetCursor(crCross);
    EXPECT_EQ(tree.ShownCursor(), crIBeam);
    tree.OverNothing();
    EXPECT_EQ(tree.ShownCursor(), crCross);

    // A new hot cursor shows at once over the hot node, without waiting for a move.
    tree.OverLabel(3);
    tree.SetHotCursor(crHandPoint);
    EXPECT_EQ(tree.ShownCursor(), crHandPoint);
}

TEST(TreeCursor, OnGetCursorHasTheLastWordOnEveryMove) {
    CursorTree tree;
    tree.HotTrack();
    tree.SetHotCursor(crIBeam);
    std::vector<TCursor> offered;
    tree.OnGetCursor = [&offered](TBaseVirtualTree* sender, TCursor& cursor) {
        offered.push_back(cursor);
        if (static_cast<CursorTree*>(sender)->HotNode() ==
            static_cast<CursorTree*>(sender)->rows[3])
            cursor = crHelp;
    };
    tree.OverLabel(1);
    tree.OverLabel(1);
    tree.OverLabel(3);
    tree.OverNothing();
    EXPECT_EQ(offered, (std::vector<TCursor>{crIBeam, crIBeam, crIBeam, crDefault}))
        << "asked on every move with the cursor the tree would show";
    EXPECT_EQ(tree.ShownCursor(), crDefault);
    tree.OverLabel(3);
    EXPECT_EQ(tree.ShownCursor(), crHelp);
    EXPECT_EQ(tree.Cursor(), crDefault);
}

TEST(TreeCursor, TheHeaderSplitterCursorGivesThePointBackToTheTree) {
    CursorTree tree;
    tree.Header().Columns().Add()->SetWidth(60);
    tree.Header().Columns().Add()->SetWidth(60);
    tree.Header().SetOptions({hoVisible, hoColumnResize});
    tree.SetClientSize(200, 100);
    ASSERT_FALSE(tree.Header().HeaderRect().IsEmpty());
    tree.SetCursor(crHandPoint);
    int asked = 0;
    tree.OnGetCursor = [&asked](TBaseVirtualTree*, TCursor&) { ++asked; };
    EXPECT_TRUE(tree.HeaderMove(60));
    EXPECT_EQ(tree.ShownCursor(), crHSplit) << "on the splitter after the first column";
    EXPECT_EQ(asked, 0) << "the header claims the point";
    EXPECT_TRUE(tree.HeaderMove(30));
    EXPECT_EQ(tree.ShownCursor(), crHandPoint) << "the tree's own cursor, not the default";
    EXPECT_TRUE(tree.HeaderMove(119));
    EXPECT_EQ(tree.ShownCursor(), crHSplit);
    // Straight from the splitter into the rows.
    TMouseMessage m;
    m.Pos = {119, 30};
    EXPECT_FALSE(tree.PreviewMouse(m));
    EXPECT_EQ(tree.ShownCursor(), crHandPoint);
    EXPECT_EQ(tree.Cursor(), crHandPoint);
}

TEST(TreeCursor, PanningDecidesWhileItLastsAndTheRuleReturnsAfter) {
    CursorTree tree;
    tree.HotTrack();
    tree.SetHotCursor(crIBeam);
    int asked = 0;
    tree.OnGetCursor = [&asked](TBaseVirtualTree*, TCursor&) { ++asked; };
    const int x = tree.LabelX();
    tree.MouseDown(mbMiddle, 0, x, 30);
    tree.MouseUp(mbMiddle, 0, x, 30);
    ASSERT_NE(tree.PanningWindow(), nullptr);
    EXPECT_EQ(tree.ShownCursor(), crPanNS);
    tree.MouseMove(0, x, 60);
    EXPECT_EQ(tree.ShownCursor(), crPanS);
    EXPECT_EQ(asked, 0) << "no say while panning";
    tree.MouseDown(mbLeft, 0, x, 60);  // any press ends panning
    tree.MouseUp(mbLeft, 0, x, 60);
    EXPECT_EQ(tree.PanningWindow(), nullptr);
    EXPECT_NE(tree.ShownCursor(), crPanS);
    tree.MouseMove(0, x, 61);
    EXPECT_EQ(tree.HotNode() != nullptr, true);
    EXPECT_EQ(tree.ShownCursor(), crIBeam);
    EXPECT_GT(asked, 0);
}

TEST(TreeCursor, ACapturedMouseOrAGlobalCursorLeavesTheShownCursorAlone) {
    CursorTree tree;
    tree.HotTrack();
    tree.SetHotCursor(crIBeam);
    int asked = 0;
    tree.OnGetCursor = [&asked](TBaseVirtualTree*, TCursor&) { ++asked; };
    SetHeadlessGlobalCursor(true);
    tree.OverLabel(1);
    EXPECT_EQ(tree.HotNode(), tree.rows[1]) << "hot tracking goes on";
    EXPECT_EQ(tree.ShownCursor(), crDefault);
    tree.SetCursor(crCross);
    EXPECT_EQ(tree.ShownCursor(), crDefault);
    EXPECT_EQ(asked, 0);
    SetHeadlessGlobalCursor(false);
    tree.OverLabel(1);
    EXPECT_EQ(tree.ShownCursor(), crIBeam);
    EXPECT_EQ(asked, 1);

    // A drag holds the mouse: whatever it shows stays.
    tree.Show();
    tree.SetMouseCapture(true);
    ASSERT_TRUE(tree.MouseCapture());
    tree.OverNothing();
    EXPECT_EQ(tree.ShownCursor(), crIBeam);
    EXPECT_EQ(asked, 1);
    tree.SetMouseCapture(false);
    tree.OverNothing();
    EXPECT_EQ(tree.ShownCursor(), crCross);
    EXPECT_EQ(asked, 2);
}

TEST(TreeCursor, OnGetHeaderCursorDecidesOverTheHeader) {
    CursorTree tree;
    tree.Header().Columns().Add()->SetWidth(60);
    tree.Header().SetOptions({hoVisible, hoColumnResize});
    tree.SetClientSize(200, 100);
    std::vector<TCursor> asked;
    tree.OnGetHeaderCursor = [&asked](TVTHeader*, TCursor& cursor) {
        asked.push_back(cursor);
        if (cursor == crDefault) cursor = crHandPoint;
    };
    EXPECT_TRUE(tree.HeaderMove(30));
    EXPECT_EQ(tree.ShownCursor(), crHandPoint) << "the handler's cursor over a button";
    EXPECT_TRUE(tree.HeaderMove(60));
    EXPECT_EQ(tree.ShownCursor(), crHSplit) << "the splitter's cursor, left as it was";
    EXPECT_EQ(asked, (std::vector<TCursor>{crDefault, crHSplit}));
    TMouseMessage m;
    m.Pos = {30, 30};
    EXPECT_FALSE(tree.PreviewMouse(m));
    EXPECT_EQ(tree.ShownCursor(), crDefault) << "the rows do not ask it";
    EXPECT_EQ(asked.size(), 2u);
}
