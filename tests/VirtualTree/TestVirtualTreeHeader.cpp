// The header: clamped properties, the splitter zone, tracking, column drags and the drop rule,
// clicks by every button, the header timer, the pure button layout and the header's geometry in
// a real tree.
#include "HeaderTestSupport.h"
#include "TreeTestSupport.h"

#include "platform/ThemeServices.h"

#include <algorithm>
#include <cstdlib>

using Events = std::vector<std::string>;

TEST(VirtualTreeHeader, MainAndSortColumnsAreClamped) {
    HeaderFixture f;
    EXPECT_EQ(f.header.MainColumn(), NoColumn);
    for (int i = 0; i < 3; ++i) f.header.Columns().Add();
    EXPECT_EQ(f.header.MainColumn(), 0);
    f.header.SetMainColumn(5);
    EXPECT_EQ(f.header.MainColumn(), 2);
    f.header.SetMainColumn(-3);
    EXPECT_EQ(f.header.MainColumn(), 0);
    f.header.SetSortColumn(7);
    EXPECT_EQ(f.header.SortColumn(), 2);
    f.header.SetSortColumn(-1);
    EXPECT_EQ(f.header.SortColumn(), NoColumn);
    f.header.SetSortColumn(-9);
    EXPECT_EQ(f.header.SortColumn(), InvalidColumn);
    EXPECT_EQ(f.owner.Count("MainColumnChanged"), 2);
    f.header.SetSortDirection(sdDescending);
    f.header.SetSortDirection(sdDescending);
    EXPECT_EQ(f.header.SortDirection(), sdDescending);
    EXPECT_EQ(f.owner.Count("SortChanged"), 4) << "once per change of column or direction";
    EXPECT_EQ(f.header.Options(), (TVTHeaderOptions{hoColumnResize, hoDrag, hoVisible}));
}

TEST(VirtualTreeHeader, SplitterZoneAroundTheRightEdgeStartsTracking) {
    for (int x : {98, 104}) {
        HeaderFixture f({100, 150, 200});
        f.Press(x);
        EXPECT_TRUE(f.header.States().Contains(hsTrackPending)) << x;
        EXPECT_EQ(f.header.TrackIndex(), 0) << x;
        EXPECT_TRUE(f.owner.capture);
    }
    {
        HeaderFixture f({100, 150, 200});
        f.Press(97);
        EXPECT_TRUE(f.header.States().Contains(hsDragPending));
        EXPECT_EQ(f.header.Columns().DownIndex(), 0);
        EXPECT_TRUE(f.owner.timers.count(TVTHeader::HeaderTimerId));
    }
    {
        HeaderFixture f({100, 150, 200});
        f.Press(105);
        EXPECT_EQ(f.header.Columns().DownIndex(), 1);
    }
    {
        HeaderFixture f({100, 150, 200});
        f.Column(0).SetOptions(f.Column(0).Options() - coResizable);
        f.Press(100);
        EXPECT_FALSE(f.header.States().Contains(hsTrackPending));
        EXPECT_TRUE(f.header.States().Contains(hsDragPending));
    }
}

TEST(VirtualTreeHeader, TrackingFollowsThePointerWithinTheLimits) {
    HeaderFixture f({100, 150, 200});
    f.Press(99);
    f.Move(130);
    EXPECT_TRUE(f.header.States().Contains(hsTracking));
    f.Move(160);
    EXPECT_EQ(f.Column(0).Width(), 160);
    EXPECT_EQ(f.Column(1).Left(), 160);
    f.Move(5);
    EXPECT_EQ(f.Column(0).Width(), 10);
    f.Release(5);
    EXPECT_FALSE(f.owner.capture);
    EXPECT_TRUE(f.header.States().Empty());
    EXPECT_EQ(f.owner.Take(), (Events{"MouseDown(left)", "ColumnResize(0)", "ColumnResize(0)",
                                      "ColumnResize(0)", "MouseUp(left)"}));

    HeaderFixture g({100, 150, 200});
    g.header.SetOptions(g.header.Options() - hoColumnResize);
    g.Press(99);
    g.Move(101);
    g.Release(101);
    EXPECT_EQ(g.Column(0).Width(), 100);
    EXPECT_EQ(g.owner.Count("ColumnResize"), 0);
}

TEST(VirtualTreeHeader, DropPositionRule) {
    EXPECT_EQ(HeaderDropPosition(0, 2, true), 1);
    EXPECT_EQ(HeaderDropPosition(0, 2, false), 2);
    EXPECT_EQ(HeaderDropPosition(3, 1, true), 1);
    EXPECT_EQ(HeaderDropPosition(3, 1, false), 2);
    EXPECT_EQ(HeaderDropPosition(2, 0, true), 0);
    EXPECT_EQ(HeaderDropPosition(1, 2, true), 1);
}

TEST(VirtualTreeHeader, DraggingAColumnMovesItAndReportsTheOldPosition) {
    const int far = StartDragDistance() + 60;
    {
        HeaderFixture f({100, 150, 200});
        f.Press(150);
        f.Move(150 + far);  // x = 210 + threshold, well inside column 1 or 2
        ASSERT_TRUE(f.header.States().Contains(hsDragging));
        EXPECT_EQ(f.header.Columns().DownIndex(), NoColumn);
        f.Move(400);  // right half of column 2
        EXPECT_EQ(f.header.Columns().DropTarget(), 2);
        EXPECT_FALSE(f.header.Columns().DropBefore());
        f.Release(400);
        EXPECT_EQ(f.header.Columns().PositionToIndex(), (std::vector<TColumnIndex>{0, 2, 1}));
        EXPECT_EQ(f.owner.Take(), (Events{"MouseDown(left)", "Dragging(1)", "CancelEdit",
                                          "Dragged(1,1)", "MouseUp(left)"}));
        EXPECT_EQ(f.header.Columns().DropTarget(), NoColumn);
    }
    {
        // Dropped on the left half of its right neighbour: the position stays, the event fires.
        HeaderFixture f({100, 150, 200});
        f.Press(120);
        f.Move(120 + far);
        f.Move(260);
        EXPECT_TRUE(f.header.Columns().DropBefore());
        f.Release(260);
        EXPECT_EQ(f.header.Columns().PositionToIndex(), (std::vector<TColumnIndex>{0, 1, 2}));
        EXPECT_EQ(f.owner.Count("Dragged(1,1)"), 1);
    }
    {
        // Released outside the window: nothing moves, nothing fires.
        HeaderFixture f({100, 150, 200});
        f.Press(150);
        f.Move(150 + far);
        f.Move(400);
        f.Release(400, 900);
        EXPECT_EQ(f.header.Columns().PositionToIndex(), (std::vector<TColumnIndex>{0, 1, 2}));
        EXPECT_EQ(f.owner.Count("Dragged"), 0);
    }
}

TEST(VirtualTreeHeader, DragStartsOnlyPastTheThresholdAndWhenAllowed) {
    const int threshold = StartDragDistance();
    {
        HeaderFixture f({100, 150, 200});
        f.owner.allowDrag = [](TColumnIndex column) { return column != 0; };
        f.Press(50);
        f.Move(100);
        f.Move(300);
        f.Release(300);
        EXPECT_FALSE(f.header.States().Contains(hsDragging));
        EXPECT_EQ(f.header.Columns().PositionToIndex(), (std::vector<TColumnIndex>{0, 1, 2}));
        EXPECT_EQ(f.owner.Count("Dragging(0)"), 1);  // asked once
        EXPECT_EQ(f.owner.Count("Dragged"), 0);
    }
    {
        HeaderFixture f({100, 150, 200});
        f.Press(150);
        f.Move(150 + threshold);
        EXPECT_TRUE(f.header.States().Contains(hsDragPending));
        f.Move(150, -8 + threshold);
        EXPECT_TRUE(f.header.States().Contains(hsDragPending));
        f.Move(150 + threshold + 1);
        EXPECT_TRUE(f.header.States().Contains(hsDragging));
    }
    {
        HeaderFixture f({100, 150, 200});
        f.header.SetOptions(f.header.Options() - hoDrag);
        f.Press(150);
        f.Move(400);
        EXPECT_FALSE(f.header.States().Contains(hsDragging));
        f.Release(400);
        EXPECT_EQ(f.owner.Count("Dragging"), 0);
    }
}

TEST(VirtualTreeHeader, LeftClickOnThePressedColumnFiresHeaderClick) {
    HeaderFixture f({100, 150, 200});
    f.Press(120);
    f.Release(130);
    EXPECT_EQ(f.owner.Take(), (Events{"MouseDown(left)", "HeaderClick(1,left)", "MouseUp(left)"}));
    EXPECT_EQ(f.header.Columns().ClickIndex(), 1);
    f.Press(120);
    f.Release(300);  // released over another column: no click
    EXPECT_EQ(f.owner.Count("HeaderClick"), 0);
}

TEST(VirtualTreeHeader, DoubleClickAutoFitsOnTheSplitterElseClicksTheColumn) {
    HeaderFixture f({100, 150, 200});
    f.owner.maxColumnWidth = [](TColumnIndex) { return 146; };
    f.header.SetOptions(f.header.Options() + hoDblClickResize);
    f.DoubleClick(101);
    f.header.Columns().FinishAnimatedResize();  // the owner's timers do not tick
    EXPECT_EQ(f.Column(0).Width(), 146);
    f.owner.maxColumnWidth = [](TColumnIndex) { return 0; };
    f.DoubleClick(146);  // the splitter of column 0 again: back to MinWidth
    f.header.Columns().FinishAnimatedResize();
    EXPECT_EQ(f.Column(0).Width(), 10);
    f.owner.Take();
    f.DoubleClick(100);  // inside column 1, which now spans [10, 160)
    EXPECT_EQ(f.owner.Take(), (Events{"HeaderDblClick(1,left)"}));
}

TEST(VirtualTreeHeader, RightAndMiddleButtonsAreForcedClicks) {
    HeaderFixture f({100, 150, 200});
    f.Column(0).SetOptions(f.Column(0).Options() - coAllowClick);
    f.Press(120, -8, mbRight);
    f.Release(120, -8, mbRight);
    EXPECT_EQ(f.owner.Take(),
              (Events{"MouseDown(right)", "HeaderClick(1,right)", "MouseUp(right)"}));
    f.Press(50, -8, mbRight);
    f.Release(50, -8, mbRight);
    EXPECT_EQ(f.owner.Take(), (Events{"MouseDown(right)", "MouseUp(right)"}));
    TPopupMenu menu;
    f.header.SetPopupMenu(&menu);
    f.Release(300, -8, mbRight);
    EXPECT_EQ(f.owner.Take(), (Events{"HeaderClick(2,right)", "MouseUp(right)", "Popup"}));
    f.Press(300, -8, mbMiddle);
    f.Release(300, -8, mbMiddle);
    EXPECT_EQ(f.owner.Take(),
              (Events{"MouseDown(middle)", "HeaderClick(2,middle)", "MouseUp(middle)"}));
    // Presses below the header are the tree's.
    EXPECT_FALSE(f.Send(TMouseAction::Down, 50, 20));
    EXPECT_FALSE(f.Send(TMouseAction::Up, 50, 20, mbRight));
}

TEST(VirtualTreeHeader, HeaderTimerResetsTheMouseColumnsOnceThePointerLeaves) {
    HeaderFixture f({100, 150, 200});
    f.Press(50);
    f.header.HeaderTimer();
    EXPECT_EQ(f.header.Columns().DownIndex(), 0);  // still over the pressed column
    f.Move(50, 5);                                 // below the header, button held
    f.header.HeaderTimer();
    EXPECT_EQ(f.header.Columns().DownIndex(), NoColumn);
    EXPECT_EQ(f.header.Columns().HoverIndex(), NoColumn);
    EXPECT_EQ(f.header.Columns().ClickIndex(), NoColumn);
    EXPECT_FALSE(f.owner.timers.count(TVTHeader::HeaderTimerId));
    f.Release(50, 5);
    EXPECT_EQ(f.owner.Count("HeaderClick"), 0);
}

TEST(VirtualTreeHeader, ButtonLayoutPlacesCaptionImageAndGlyph) {
    THeaderLayoutInput in;
    in.Client = {10, 2, 110, 22};  // 100 x 20
    in.Caption = {40, 13};
    THeaderLayout out = ComputeHeaderLayout(in);
    EXPECT_EQ(out.Caption, (TRect{14, 5, 54, 18}));  // x = Margin, y = (20 - 13) div 2
    in.Alignment = taRightJustify;
    EXPECT_EQ(ComputeHeaderLayout(in).Caption.Right, 10 + 100 - 4);
    in.Alignment = taCenter;
    EXPECT_EQ(ComputeHeaderLayout(in).Caption.Left, 10 + 30);
    in.Alignment = taLeftJustify;
    in.Image = {16, 16};
    out = ComputeHeaderLayout(in);
    EXPECT_EQ(out.Image, (TPoint{14, 4}));
    EXPECT_EQ(out.Caption.Left, 14 + 16 + 4);
    in.Layout = blGlyphRight;
    out = ComputeHeaderLayout(in);
    EXPECT_EQ(out.Caption.Left, 14);
    EXPECT_EQ(out.Image.X, 14 + 40 + 4);
    in.Layout = blGlyphTop;
    in.Client = {0, 0, 100, 40};
    out = ComputeHeaderLayout(in);
    EXPECT_EQ(out.Image, (TPoint{42, (40 - 33) / 2}));
    EXPECT_EQ(out.Caption.Top, 3 + 16 + 4);
    in.Image = {};
    in.Layout = blGlyphLeft;
    in.Client = {0, 0, 100, 20};
    in.SortGlyph = {16, 16};
    out = ComputeHeaderLayout(in);
    EXPECT_EQ(out.SortGlyph, (TPoint{4 + 40 + 4, 2}));
    in.Caption = {90, 13};  // too wide: the glyph keeps inside the margin, the caption yields
    out = ComputeHeaderLayout(in);
    EXPECT_EQ(out.SortGlyph.X, 100 - 4 - 16);
    EXPECT_EQ(out.Caption.Right, 100 - 4 - 16 - 4);
    in.Pressed = true;
    THeaderLayout pressed = ComputeHeaderLayout(in);
    EXPECT_EQ(pressed.SortGlyph.X, out.SortGlyph.X + 1);
    EXPECT_EQ(pressed.Caption.Top, out.Caption.Top + 1);
    // Halving goes toward zero when the caption is taller than the button.
    in = {};
    in.Client = {0, 0, 50, 10};
    in.Caption = {10, 13};
    EXPECT_EQ(ComputeHeaderLayout(in).Caption.Top, -1);
}

TEST(VirtualTreeHeader, HeaderSitsInsideTheFrameAboveTheRows) {
    TestTree tree;
    tree.SetBorderStyle(bsSingle);
    tree.SetCtl3D(true);
    tree.SetBounds(0, 0, 200, 100);
    tree.Header().SetOptions(tree.Header().Options() + hoVisible);
    tree.HandleNeeded();
    TRect header = tree.Header().HeaderRect();
    const TRect client = tree.ClientOrigin();
    header.Offset(client.Left, client.Top);
    EXPECT_EQ(header, (TRect{2, 2, 198, 19}));
    EXPECT_EQ(client.Top, 19);
    tree.Header().SetHeight(30);
    EXPECT_EQ(tree.ClientOrigin().Top, 32);
    tree.Header().SetOptions(tree.Header().Options() - hoVisible);
    EXPECT_TRUE(tree.Header().HeaderRect().IsEmpty());
    EXPECT_EQ(tree.ClientOrigin().Top, 2);
}

namespace {

// A tree wired to its header the way the control does it: mouse messages go to the header
// first, the header strip is painted by the header, timer 3 is the header's.
class HeaderTree : public TestTree {
public:
    bool Mouse(TMouseAction action, int x, int y, TMouseButton button = mbLeft) {
        TMouseMessage m;
        m.Action = action;
        m.Button = button;
        m.Pos = {x, y};
        m.InHeaderStrip = y < 0;
        return PreviewMouse(m);
    }
    void TimerEvent(int id) override {
        if (id == HeaderTimer)
            Header().HeaderTimer();
        else
            TestTree::TimerEvent(id);
    }

protected:
    bool PreviewMouse(const TMouseMessage& m) override { return Header().HandleMessage(m); }
    void PaintHeaderStrip(TCanvas& canvas, const TRect& strip) override {
        Header().PaintStrip(canvas, strip);
    }
};

}  // namespace

TEST(VirtualTreeHeader, TreeResizesAndReordersThroughItsHeader) {
    HeaderTree tree;
    TVTHeader& header = tree.Header();
    header.SetOptions(header.Options() + hoVisible + hoDblClickResize);
    for (int width : {100, 150, 120}) header.Columns().Add()->SetWidth(width);
    header.Columns()[0].SetText("Name");
    header.Columns()[1].SetText("Address");
    header.Columns()[2].SetText("Visited");
    tree.SetClientSize(420, 80);
    std::vector<std::string> log;
    tree.OnColumnResize = [&](TVTHeader* sender, TColumnIndex column) {
        EXPECT_EQ(sender->Treeview(), &tree);
        log.push_back("resize " + std::to_string(column));
    };
    tree.OnHeaderDragging = [&](TVTHeader*, TColumnIndex column, bool& allowed) {
        allowed = column != 0;
    };
    tree.OnHeaderDragged = [&](TVTHeader*, TColumnIndex column, int oldPosition) {
        log.push_back("dragged " + std::to_string(column) + " from " + std::to_string(oldPosition));
    };

    EXPECT_TRUE(tree.Mouse(TMouseAction::Down, 100, -5));
    EXPECT_TRUE(tree.Mouse(TMouseAction::Move, 130, -5));
    EXPECT_TRUE(tree.Mouse(TMouseAction::Up, 130, -5));
    EXPECT_EQ(header.Columns()[0].Width(), 130);
    EXPECT_FALSE(tree.Mouse(TMouseAction::Down, 50, 20));  // the rows are the tree's

    tree.Mouse(TMouseAction::Down, 200, -5);
    EXPECT_TRUE(tree.TimerActive(TBaseVirtualTree::HeaderTimer));
    tree.Mouse(TMouseAction::Move, 380, -5);
    tree.Mouse(TMouseAction::Move, 390, -5);  // the right half of column 2
    tree.Mouse(TMouseAction::Up, 390, -5);
    EXPECT_EQ(header.Columns().PositionToIndex(), (std::vector<TColumnIndex>{0, 2, 1}));
    EXPECT_FALSE(tree.TimerActive(TBaseVirtualTree::HeaderTimer));
    EXPECT_EQ(log, (std::vector<std::string>{"resize 0", "dragged 1 from 1"}));

    tree.nodeWidth = 120;
    tree.AddChild(nullptr);
    tree.Mouse(TMouseAction::DoubleClick, 130, -5);
    while (header.Columns().AnimatingResize()) Pump(5);
    EXPECT_EQ(header.Columns()[0].Width(), 8 + 18 + 120);

    header.SetSortColumn(0);
    header.SetOptions(header.Options() + hoShowSortGlyphs);
    TBitmap shot;
    tree.PaintTo(shot);
    const TRect client = tree.ClientOrigin();
    auto dark = [&](int left, int right) {
        for (int y = client.Top - 14; y < client.Top - 3; ++y)
            for (int x = client.Left + left; x < client.Left + right; ++x) {
                const TColor c = shot.Pixel(x, y);
                if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 200) return true;
            }
        return false;
    };
    EXPECT_TRUE(dark(4, 40));     // the caption "Name"
    EXPECT_TRUE(dark(150, 190));  // "Visited", moved to the second place
    // The classic path draws the thick buttons' edges: the first button's left edge is light.
    SetThemesDisabled(true);
    TBitmap classic;
    tree.PaintTo(classic);
    SetThemesDisabled(false);
    EXPECT_EQ(classic.Pixel(client.Left, client.Top - 8), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(classic.Pixel(client.Left + 100, client.Top - 8), ColorToRGB(clBtnFace));
    if (const char* dir = std::getenv("LORVANE_PNG_DIR")) {
        shot.SaveToFile(std::string(dir) + "/tree-header.png");
        classic.SaveToFile(std::string(dir) + "/tree-header-classic.png");
    }
}

TEST(VirtualTreeHeader, HotTrackingAndTheSplitterCursorFollowThePointer) {
    HeaderFixture f({100, 150, 200});
    f.Move(50);
    EXPECT_EQ(f.header.Columns().HoverIndex(), 0);
    EXPECT_FALSE(f.owner.timers.count(TVTHeader::HeaderTimerId));  // no hot tracking
    EXPECT_EQ(f.owner.cursor, crDefault);
    f.Move(101);
    EXPECT_EQ(f.owner.cursor, crHSplit);
    f.header.SetOptions(f.header.Options() + hoHotTrack);
    f.Move(300);
    EXPECT_EQ(f.header.Columns().HoverIndex(), 2);
    EXPECT_EQ(f.owner.cursor, crDefault);
    EXPECT_TRUE(f.owner.timers.count(TVTHeader::HeaderTimerId));
    EXPECT_FALSE(f.Send(TMouseAction::Move, 300, 30));  // into the rows: the tree's again
    EXPECT_EQ(f.header.Columns().HoverIndex(), NoColumn);
    f.header.HeaderTimer();
    EXPECT_FALSE(f.owner.timers.count(TVTHeader::HeaderTimerId));
}

TEST(VirtualTreeHeader, AssignCopiesPropertiesAndColumns) {
    HeaderFixture source({100, 150});
    source.Column(0).SetText("Title");
    source.Column(1).SetPosition(0);
    source.header.SetHeight(24);
    source.header.SetStyle(hsFlatButtons);
    source.header.SetAutoSizeIndex(1);
    source.header.SetBackground(clYellow);
    source.header.SetOptions(source.header.Options() + hoDblClickResize);
    HeaderFixture target;
    target.header.Assign(source.header);
    EXPECT_EQ(target.header.Height(), 24);
    EXPECT_EQ(target.header.Style(), hsFlatButtons);
    EXPECT_EQ(target.header.AutoSizeIndex(), 1);
    EXPECT_EQ(target.header.Background(), clYellow);
    EXPECT_EQ(target.header.Options(), source.header.Options());
    ASSERT_EQ(target.header.ColumnCount(), 2);
    EXPECT_EQ(target.Column(0).Text(), "Title");
    EXPECT_EQ(target.header.Columns().PositionToIndex(), (std::vector<TColumnIndex>{1, 0}));
    EXPECT_EQ(target.owner.stripHeight, 24);
    const int before = target.owner.invalidations;
    target.header.Font().SetHeight(-13);
    EXPECT_GT(target.owner.invalidations, before);
}

TEST(VirtualTreeHeader, HeaderSpansTheVerticalScrollBarToo) {
    TestTree tree;
    tree.Header().SetOptions(tree.Header().Options() + hoVisible);
    tree.SetBounds(0, 0, 200, 100);
    tree.HandleNeeded();
    tree.SetRootNodeCount(50);
    ASSERT_TRUE(tree.ScrollBarVisible(sbVertical));
    const TRect header = tree.Header().HeaderRect();
    EXPECT_EQ(header.Width(), 200 - 2 * tree.BorderWidth());
    EXPECT_GT(header.Width(), tree.ClientWidth());
}

TEST(VirtualTreeHeader, AutoFitAndRestoreWalkTheResizableVisibleColumns) {
    HeaderFixture f({100, 150, 200, 60});
    f.owner.maxColumnWidth = [](TColumnIndex column) { return 70 + 10 * column; };
    f.Column(1).SetOptions(f.Column(1).Options() - coResizable);
    f.Column(3).SetOptions(f.Column(3).Options() - coVisible);
    f.header.AutoFitColumns();
    f.header.Columns().FinishAnimatedResize();
    EXPECT_EQ(f.Column(0).Width(), 70);
    EXPECT_EQ(f.Column(1).Width(), 150);
    EXPECT_EQ(f.Column(2).Width(), 90);
    EXPECT_EQ(f.Column(3).Width(), 60);
    f.header.RestoreColumns();
    f.header.Columns().FinishAnimatedResize();
    EXPECT_EQ(f.Column(0).Width(), 100);
    EXPECT_EQ(f.Column(2).Width(), 200);
    EXPECT_EQ(f.Column(0).GetRect(), (TRect{0, 0, 100, 17}));
}

TEST(VirtualTreeHeader, AnAnimatedResizeStepsTheWidthAndReportsOnceAtTheEnd) {
    HeaderTree tree;
    TVTHeader& header = tree.Header();
    header.SetOptions(header.Options() + hoVisible);
    for (int width : {100, 150}) header.Columns().Add()->SetWidth(width);
    tree.SetClientSize(420, 80);
    TVirtualTreeColumns& columns = header.Columns();
    std::vector<int> resized;
    tree.OnColumnResize = [&](TVTHeader* sender, TColumnIndex column) {
        resized.push_back(sender->Columns()[column].Width());
    };
    columns.AnimatedResize(0, 164);
    EXPECT_EQ(columns[0].Width(), 100) << "the steps come with the timer";
    std::vector<int> seen;
    while (columns.AnimatingResize()) {
        Pump(5);
        seen.push_back(columns[0].Width());
    }
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GT(std::count_if(seen.begin(), seen.end(), [](int w) { return w > 100 && w < 164; }), 0);
    EXPECT_EQ(resized, std::vector<int>{164}) << "reported once, with the final width";
    EXPECT_EQ(columns[0].LastWidth(), 100);
    EXPECT_EQ(columns[1].Left(), 164);
    EXPECT_FALSE(tree.TimerActive(TVTHeader::ResizeTimerId));

    // A new resize finishes the running one first; a width set meanwhile ends it there.
    columns.AnimatedResize(0, 100);
    Pump(12);
    columns.AnimatedResize(1, 50);
    EXPECT_EQ(columns[0].Width(), 100);
    EXPECT_EQ(resized.size(), 2u);
    columns[1].SetWidth(70);
    Pump(20);
    EXPECT_FALSE(columns.AnimatingResize());
    EXPECT_EQ(columns[1].Width(), 70);
    EXPECT_EQ(resized.size(), 3u);
}

TEST(VirtualTreeHeader, OwnerDrawnButtonsAreLeftToTheTreesHandler) {
    TestTree tree;
    tree.Header().Columns().Add()->SetWidth(60);
    tree.Header().Columns().Add()->SetWidth(60);
    tree.Header().Columns().Items(1).SetStyle(vsOwnerDraw);
    tree.Header().SetOptions(tree.Header().Options() + hoVisible + hoOwnerDraw);
    std::vector<TColumnIndex> drawn;
    tree.OnHeaderDraw = [&drawn](TVTHeader*, TCanvas&, TVirtualTreeColumn& column, const TRect& r,
                                 bool, bool, TVTDropMarkMode) {
        drawn.push_back(column.Index());
        EXPECT_EQ(r.Left, 60);
    };
    TBitmap bitmap(120, 17);
    tree.Header().PaintHeader(bitmap.Canvas(), {0, 0, 120, 17}, 0);
    EXPECT_EQ(drawn, std::vector<TColumnIndex>{1});
    // Without hoOwnerDraw the header draws the owner-drawn column itself.
    drawn.clear();
    tree.Header().SetOptions(tree.Header().Options() - hoOwnerDraw);
    tree.Header().PaintHeader(bitmap.Canvas(), {0, 0, 120, 17}, 0);
    EXPECT_TRUE(drawn.empty());
}
