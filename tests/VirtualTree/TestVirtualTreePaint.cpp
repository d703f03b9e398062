// Painting: the event order of rows and cells, and pixels sampled from trees painted onto an
// image (explicit colours, no stored pictures).
#include "TreeTestSupport.h"

#include "VirtualTreesPaint.h"

#include "platform/Canvas.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace {

constexpr TColor kGround = 0xF0F0F0;
constexpr TColor kSelection = 0x0000FF;  // red
constexpr TColor kGrid = 0xFF0000;       // blue
constexpr TColor kLines = 0x008000;      // green
constexpr TColor kYellow = 0x00FFFF;

// A tree that records its paint events and draws each node's "text" as a dark bar.
class PaintedTree : public TestTree {
public:
    PaintedTree() {
        nodeWidth = 30;
        SetColor(kGround);
        Colors().SetColor(TVTColors::UnfocusedSelectionColor, kSelection);
        Colors().SetColor(TVTColors::UnfocusedSelectionBorderColor, kSelection);
        Colors().SetColor(TVTColors::FocusedSelectionColor, kSelection);
        Colors().SetColor(TVTColors::FocusedSelectionBorderColor, kSelection);
        Colors().SetColor(TVTColors::GridLineColor, kGrid);
        Colors().SetColor(TVTColors::TreeLineColor, kLines);
        OnBeforePaint = [this](TBaseVirtualTree*, TCanvas&) { events.push_back("BeforePaint"); };
        OnAfterPaint = [this](TBaseVirtualTree*, TCanvas&) { events.push_back("AfterPaint"); };
        OnPaintBackground = [this](TBaseVirtualTree*, TCanvas&, const TRect&, bool&) {
            events.push_back("PaintBackground");
        };
        OnBeforeItemPaint = [this](TBaseVirtualTree*, TCanvas&, PVirtualNode n, const TRect&,
                                   bool& customDraw) {
            events.push_back("BeforeItemPaint " + Name(n));
            customDraw = n == customNode;
        };
        OnBeforeItemErase = [this](TBaseVirtualTree*, TCanvas&, PVirtualNode n, const TRect&,
                                   TColor&, TItemEraseAction&) {
            events.push_back("BeforeItemErase " + Name(n));
        };
        OnAfterItemErase = [this](TBaseVirtualTree*, TCanvas&, PVirtualNode n, const TRect&) {
            events.push_back("AfterItemErase " + Name(n));
        };
        OnBeforeCellPaint = [this](TBaseVirtualTree*, TCanvas& canvas, PVirtualNode n,
                                   TColumnIndex column, TRect cell) {
            events.push_back("BeforeCellPaint " + Name(n) + " " + std::to_string(column));
            if (n == yellowNode) {
                canvas.Brush().SetColor(kYellow);
                canvas.FillRect(cell);
            }
        };
        OnAfterCellPaint = [this](TBaseVirtualTree*, TCanvas&, PVirtualNode n, TColumnIndex column,
                                  TRect) {
            events.push_back("AfterCellPaint " + Name(n) + " " + std::to_string(column));
        };
        OnAfterItemPaint = [this](TBaseVirtualTree*, TCanvas&, PVirtualNode n, const TRect&) {
            events.push_back("AfterItemPaint " + Name(n));
        };
    }
    std::string Name(PVirtualNode n) const { return std::to_string(n->Index); }

    // Paints the whole client area of width x height onto a fresh image.
    TBitmap Render(int width, int height, TVTInternalPaintOptions options = NormalPaintOptions) {
        TBitmap bitmap(width, height);
        bitmap.Canvas().Brush().SetColor(clBlack);
        bitmap.Canvas().FillRect({0, 0, width, height});
        PaintTree(bitmap.Canvas(), {0, 0, width, height}, {0, 0}, options);
        return bitmap;
    }

    std::vector<std::string> events;
    PVirtualNode customNode = nullptr;
    PVirtualNode yellowNode = nullptr;

protected:
    void DoPaintNode(TCanvas& canvas, PVirtualNode, TColumnIndex, const TRect& r) override {
        canvas.Brush().SetColor(clBlack);
        canvas.FillRect({r.Left, r.Top + 6, r.Left + nodeWidth, r.Top + 10});
    }
};

// Whether this build's canvas keeps pixels (a recording canvas does not).
bool CanvasKeepsPixels() {
    TBitmap probe(4, 4);
    probe.Canvas().Brush().SetColor(kYellow);
    probe.Canvas().FillRect({0, 0, 4, 4});
    return probe.Pixel(1, 1) == kYellow;
}

#define REQUIRE_PIXELS() \
    if (!CanvasKeepsPixels()) GTEST_SKIP() << "this canvas keeps no pixels"

}  // namespace

TEST(VirtualTreePaint, AnEmptyTreePaintsItsBackgroundOnly) {
    PaintedTree tree;
    TBitmap image = tree.Render(100, 60);
    EXPECT_EQ(tree.events,
              std::vector<std::string>({"BeforePaint", "PaintBackground", "AfterPaint"}));
    REQUIRE_PIXELS();
    EXPECT_EQ(image.Pixel(50, 30), kGround);
}

TEST(VirtualTreePaint, EventOrderPerRowAndCustomDraw) {
    PaintedTree tree;
    tree.TreeOptions().SetPaintOptions({});
    PVirtualNode a = tree.AddChild(nullptr);
    PVirtualNode b = tree.AddChild(nullptr);
    (void)a;
    tree.customNode = b;
    tree.Render(100, 50);
    EXPECT_EQ(tree.events, std::vector<std::string>({
                               "BeforePaint",
                               "BeforeItemPaint 0",
                               "BeforeItemErase 0",
                               "AfterItemErase 0",
                               "BeforeCellPaint 0 -1",
                               "AfterCellPaint 0 -1",
                               "AfterItemPaint 0",
                               "BeforeItemPaint 1",
                               "AfterItemPaint 1",  // custom drawn: nothing built in, still this
                               "PaintBackground",
                               "AfterPaint",
                           }));
}

TEST(VirtualTreePaint, SelectionIsNarrowedToTheTextAndHiddenWhenAsked) {
    REQUIRE_PIXELS();
    PaintedTree tree;
    tree.TreeOptions().SetPaintOptions({});
    PVirtualNode a = tree.AddChild(nullptr);
    tree.SetSelected(a, true);
    const TRect text = tree.GetDisplayRect(a, NoColumn, true);
    ASSERT_EQ(text.Left, 4);  // the margin
    ASSERT_EQ(text.Width(), 30);
    TBitmap image = tree.Render(120, 40);
    EXPECT_EQ(image.Pixel(text.Left + 1, 2), kSelection);
    EXPECT_EQ(image.Pixel(text.Right + 5, 2), kGround);  // beyond the text: not selected
    tree.TreeOptions().SetPaintOptions({toHideSelection});
    image = tree.Render(120, 40);
    EXPECT_EQ(image.Pixel(text.Left + 1, 2), kGround);
    // A full-row selection covers the row.
    tree.TreeOptions().SetPaintOptions({});
    tree.TreeOptions().SetSelectionOptions({toFullRowSelect});
    image = tree.Render(120, 40);
    EXPECT_EQ(image.Pixel(100, 2), kSelection);
}

TEST(VirtualTreePaint, ACellFilledByItsHandlerKeepsItsGridLines) {
    REQUIRE_PIXELS();
    PaintedTree tree;
    tree.SetLineStyle(lsSolid);
    tree.TreeOptions().SetPaintOptions({toShowHorzGridLines});
    tree.yellowNode = tree.AddChild(nullptr);
    tree.AddChild(nullptr);
    TBitmap image = tree.Render(100, 50);
    EXPECT_EQ(image.Pixel(60, 5), kYellow);
    EXPECT_EQ(image.Pixel(60, 17), kGrid);  // the row's last line
    EXPECT_EQ(image.Pixel(60, 20), kGround);
    EXPECT_EQ(image.Pixel(60, 35), kGrid);
}

TEST(VirtualTreePaint, ColumnGridLinesKeepTheirPatternBelowTheLastRow) {
    REQUIRE_PIXELS();
    PaintedTree tree;
    for (int width : {40, 40}) tree.Header().Columns().Add()->SetWidth(width);
    tree.TreeOptions().SetPaintOptions({toShowVertGridLines});
    tree.AddChild(nullptr);
    tree.AddChild(nullptr);  // rows end at 36
    TBitmap image = tree.Render(100, 60);
    const int x = 39;  // the first column's last pixel
    for (int y = 28; y < 56; ++y) {
        const bool dot = image.Pixel(x, y) == kGrid;
        EXPECT_EQ(dot, image.Pixel(x, y + 2) == kGrid) << y;
        EXPECT_NE(dot, image.Pixel(x, y + 1) == kGrid) << y;
    }
}

TEST(VirtualTreePaint, ColumnColoursGoOnBelowTheLastRow) {
    REQUIRE_PIXELS();
    PaintedTree tree;
    for (int width : {40, 40}) tree.Header().Columns().Add()->SetWidth(width);
    tree.Header().Columns().Items(1).SetColor(kYellow);
    tree.AddChild(nullptr);  // the row ends at 18
    TBitmap image = tree.Render(100, 60);
    EXPECT_EQ(image.Pixel(60, 40), kYellow);
    EXPECT_EQ(image.Pixel(20, 40), kGround);
    EXPECT_EQ(image.Pixel(90, 40), kGround) << "right of the columns";
}

TEST(VirtualTreePaint, ARightToLeftMainColumnDrawsItsLinesAndButtonsFromTheRight) {
    REQUIRE_PIXELS();
    PaintedTree tree;
    tree.Header().Columns().Add()->SetWidth(100);
    tree.Header().Columns().Items(0).SetBiDiMode(bdRightToLeft);
    tree.TreeOptions().SetPaintOptions({toShowRoot, toShowTreeLines, toShowButtons});
    PVirtualNode parent = tree.AddChild(nullptr);
    tree.AddChild(parent);
    tree.AddChild(nullptr);
    TBitmap image = tree.Render(100, 60);
    auto inked = [&image](int left, int right, int top, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) n += image.Pixel(x, y) != kGround;
        return n;
    };
    EXPECT_GT(inked(100 - 18, 100, 0, 18), 0) << "the root level's box holds the button";
    EXPECT_GT(inked(100 - 9, 100 - 8, 18, 18 + 8), 0) << "the line runs down to the next node";
    EXPECT_EQ(inked(0, 18, 11, 18), 0) << "nothing at the left edge";
    if (const char* dir = std::getenv("LORVANE_PNG_DIR"))
        image.SaveToFile(std::string(dir) + "/tree-right-to-left-lines.png");
}

TEST(VirtualTreePaint, DottedTreeLinesJoinAcrossRows) {
    REQUIRE_PIXELS();
    PaintedTree tree;
    tree.TreeOptions().SetPaintOptions({toShowRoot, toShowTreeLines});
    for (int i = 0; i < 3; ++i) tree.AddChild(nullptr);
    TBitmap image = tree.Render(100, 60);
    const int x = 18 / 2;  // the middle of the root level's box
    // Every other pixel down the whole middle row's height and across the row boundaries.
    for (int y = 10; y < 43; ++y) {
        const bool dot = image.Pixel(x, y) == kLines;
        EXPECT_EQ(dot, image.Pixel(x, y + 2) == kLines) << y;
        EXPECT_NE(dot, image.Pixel(x, y + 1) == kLines) << y;
    }
    // The horizontal part at the row's middle (Align 50 of 18 rows; buttons off).
    int dots = 0;
    for (int px = x; px < 18; ++px) dots += image.Pixel(px, 9) == kLines;
    EXPECT_GE(dots, 4);
}

TEST(VirtualTreePaint, BandLinesRunTheWholeRowAndCloseOnItsLastPixelRow) {
    REQUIRE_PIXELS();
    PaintedTree tree;
    tree.TreeOptions().SetPaintOptions({toShowRoot, toShowTreeLines});
    tree.SetLineMode(lmBands);
    tree.SetLineStyle(lsSolid);
    // The top level's band goes on through the parent and its child and closes on the last row.
    PVirtualNode parent = tree.AddChild(nullptr);
    tree.AddChild(parent);
    tree.AddChild(nullptr);
    tree.SetExpanded(parent, true);
    TBitmap image = tree.Render(100, 60);
    // The band's edge runs down all three rows without a gap between them.
    for (int y = 0; y < 54; ++y) EXPECT_EQ(image.Pixel(0, y), kGrid) << y;
    // The last row closes its band on its own bottom pixel row, not the one above.
    EXPECT_EQ(image.Pixel(10, 53), kGrid);
    EXPECT_NE(image.Pixel(10, 52), kGrid);
    EXPECT_NE(image.Pixel(0, 54), kGrid) << "nothing below the rows";
}

TEST(VirtualTreePaint, LineImagesAndVerticalAlignment) {
    PaintedTree tree;
    TVTRowPainter painter(tree);
    tree.TreeOptions().SetPaintOptions({toShowRoot, toShowTreeLines});
    PVirtualNode only = tree.AddChild(nullptr);
    EXPECT_EQ(painter.LineImage(only), std::vector<TVTLineType>({ltRight}));
    PVirtualNode second = tree.AddChild(nullptr);
    PVirtualNode child = tree.AddChild(only);
    tree.AddChild(only);
    EXPECT_EQ(painter.LineImage(only), std::vector<TVTLineType>({ltBottomRight}));
    EXPECT_EQ(painter.LineImage(second), std::vector<TVTLineType>({ltTopRight}));
    EXPECT_EQ(painter.LineImage(child), std::vector<TVTLineType>({ltTopDown, ltTopDownRight}));
    tree.TreeOptions().SetPaintOptions({toShowTreeLines});  // no root level
    EXPECT_EQ(painter.LineImage(child), std::vector<TVTLineType>({ltTopDownRight}));

    // As bands: the own level closes where nothing is shown below; an ancestor's level closes
    // when it has no later sibling and every deeper band closes.
    PVirtualNode last = tree.GetLastChildNoInit(only);
    EXPECT_EQ(TVTRowPainter::BandImage(child, painter.LineImage(child)),
              std::vector<TVTLineType>({ltLeftBottom}));
    tree.TreeOptions().SetPaintOptions({toShowRoot, toShowTreeLines});
    EXPECT_EQ(TVTRowPainter::BandImage(child, painter.LineImage(child)),
              std::vector<TVTLineType>({ltLeft, ltLeftBottom}));
    EXPECT_EQ(TVTRowPainter::BandImage(last, {ltNone, ltTopRight}),
              std::vector<TVTLineType>({ltLeftBottom, ltLeftBottom}));
    tree.TreeOptions().SetPaintOptions({});

    EXPECT_EQ(painter.NodeVAlignment(only), 9);  // 50 % of 18
    tree.TreeOptions().SetPaintOptions({toShowButtons});
    EXPECT_EQ(painter.NodeVAlignment(only), MulDiv(18 - 9, 50, 100) + 4);
    tree.SetNodeAlignment(naFromTop);
    only->Align = 5;
    EXPECT_EQ(painter.NodeVAlignment(only), 5);
    tree.SetNodeAlignment(naFromBottom);
    EXPECT_EQ(painter.NodeVAlignment(only), 13);
}

TEST(VirtualTreePaint, CheckBoxSitsWhereTheLayoutPutsIt) {
    PaintedTree tree;
    tree.TreeOptions().SetPaintOptions({});
    tree.TreeOptions().SetMiscOptions({toCheckSupport});
    PVirtualNode a = tree.AddChild(nullptr);
    tree.SetCheckType(a, ctCheckBox);
    const TVTCellLayout layout = tree.LayoutCell(a, NoColumn, {0, 0, 200, 18});
    EXPECT_EQ(layout.CheckX, 4);
    EXPECT_EQ(tree.GetDisplayRect(a, NoColumn, true).Left, 4 + 16 + 2);
    // The auto-fit width is the same arithmetic: margin, box, text, margin.
    EXPECT_EQ(tree.GetMaxColumnWidth(NoColumn), 4 + 18 + 30 + 4);
    REQUIRE_PIXELS();
    TBitmap image = tree.Render(100, 30);
    int ink = 0;
    for (int x = layout.CheckX; x < layout.CheckX + 16; ++x) ink += image.Pixel(x, 9) != kGround;
    EXPECT_GE(ink, 2);  // the box's two sides at least
    for (int x = 0; x < layout.CheckX; ++x) EXPECT_EQ(image.Pixel(x, 9), kGround) << x;
}

TEST(VirtualTreeLayout, CellLayoutByAlignmentAndReadingOrder) {
    TVTCellLayoutInput in;
    in.Cell = {10, 0, 210, 18};
    in.Indent = 36;
    in.CheckWidth = 16;
    in.ImageWidth = 16;
    in.TextWidth = 50;
    TVTCellLayout out = ComputeCellLayout(in);
    EXPECT_EQ(out.CheckX, 10 + 36 + 4);
    EXPECT_EQ(out.StateImageX, -1);
    EXPECT_EQ(out.ImageX, 50 + 18);
    EXPECT_EQ(out.Content.Left, 68 + 18);
    EXPECT_EQ(out.Text.Left, 86);
    EXPECT_EQ(out.Text.Right, 136);
    in.Alignment = taRightJustify;
    EXPECT_EQ(ComputeCellLayout(in).Text.Left, 210 - 50);
    in.Alignment = taCenter;
    EXPECT_EQ(ComputeCellLayout(in).Text.Left, (86 + 210 - 50) / 2);
    in.Alignment = taLeftJustify;
    in.RightToLeft = true;
    out = ComputeCellLayout(in);
    EXPECT_EQ(out.CheckX, 210 - 36 - 4 - 16);
    EXPECT_EQ(out.Content.Right, out.ImageX - 2);
    // Too wide: clipped to the room, unless unclipped.
    in.RightToLeft = false;
    in.TextWidth = 500;
    EXPECT_EQ(ComputeCellLayout(in).Text.Right, 210);
    in.Unclipped = true;
    EXPECT_EQ(ComputeCellLayout(in).Text.Right, 86 + 500);
}

TEST(VirtualTreePaint, RubberBandSelectsTheRowsItsTextAreasMeet) {
    PaintedTree tree;
    tree.TreeOptions().SetPaintOptions({});  // no root level: text at x 4..34
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});
    std::vector<PVirtualNode> n;
    for (int i = 0; i < 5; ++i) n.push_back(tree.AddChild(nullptr));
    // Rows 1 and 2, over the text (x 4..34).
    tree.HandleDrawSelection({10, 20, 10, 20}, {10, 20, 20, 40}, false);
    EXPECT_EQ(tree.GetSortedSelection(false), std::vector<PVirtualNode>({n[1], n[2]}));
    // Shrunk to row 1: row 2 leaves the band.
    tree.HandleDrawSelection({10, 20, 20, 40}, {10, 20, 20, 30}, false);
    EXPECT_EQ(tree.GetSortedSelection(false), std::vector<PVirtualNode>({n[1]}));
    // Right of the text nothing is hit.
    tree.HandleDrawSelection({60, 0, 60, 0}, {60, 0, 90, 90}, false);
    EXPECT_EQ(tree.SelectionCount(), 1u);
}

TEST(VirtualTreePaint, SelectedOnlyRowsAndTheRubberBandOverRowsAndBelow) {
    REQUIRE_PIXELS();
    PaintedTree tree;
    tree.TreeOptions().SetPaintOptions({});
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});
    PVirtualNode a = tree.AddChild(nullptr);
    PVirtualNode b = tree.AddChild(nullptr);
    (void)a;
    tree.SetSelected(b, true);
    TBitmap image = tree.Render(100, 60, {poDrawSelection, poSelectedOnly});
    EXPECT_EQ(image.Pixel(60, 5), clBlack);  // row 0 is not painted at all
    EXPECT_EQ(image.Pixel(60, 25), kGround);

    // A band from (50, 10) to (80, 50): its left edge crosses row 0, row 1 and the empty part.
    tree.SetTreeState(tsDrawSelecting);
    tree.HandleDrawSelection({50, 10, 50, 10}, {50, 10, 80, 50}, false);
    EXPECT_EQ(tree.SelectionRectangle(), TRect({50, 10, 80, 50}));
    image = tree.Render(100, 60);
    for (auto [from, to] : {std::pair{11, 17}, {19, 35}, {37, 49}}) {
        int marked = 0;
        for (int y = from; y < to; ++y) marked += image.Pixel(50, y) != kGround;
        EXPECT_GT(marked, 0) << from;
    }
    tree.SetTreeState(tsDrawSelecting, false);
}

TEST(VirtualTreePaint, ARubberBandDrawnUpAndLeftShowsInBothLooks) {
    REQUIRE_PIXELS();
    struct BandTree : PaintedTree {
        using TBaseVirtualTree::MouseDown;
        using TBaseVirtualTree::MouseMove;
        using TBaseVirtualTree::MouseUp;
    } tree;
    tree.SetClientSize(100, 60);
    tree.TreeOptions().SetPaintOptions({});
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});
    for (int i = 0; i < 5; ++i) tree.AddChild(nullptr);
    tree.MouseDown(mbLeft, 0, 80, 50);  // right of the text: a band starts
    tree.MouseMove(ssLeft, 50, 10);
    ASSERT_TRUE(tree.HasTreeState(tsDrawSelecting));
    for (TVTDrawSelectionMode mode : {smDottedRectangle, smBlendedRectangle}) {
        tree.SetDrawSelectionMode(mode);
        ASSERT_EQ(tree.DrawSelectionMode(), mode);
        TBitmap image = tree.Render(100, 60);
        int marked = 0;
        for (int y = 11; y < 49; ++y) marked += image.Pixel(79, y) != kGround;
        EXPECT_GT(marked, 0) << "the band's right edge, look " << mode;
    }
    tree.MouseUp(mbLeft, 0, 50, 10);
}

TEST(VirtualTreePaint, AWindowAboveTheContentStartsWithTheFirstRowLower) {
    REQUIRE_PIXELS();
    PaintedTree tree;
    tree.TreeOptions().SetPaintOptions({});
    tree.SetSelected(tree.AddChild(nullptr), true);
    TBitmap image(100, 60);
    tree.PaintTree(image.Canvas(), {0, -10, 100, 50}, {0, 0}, NormalPaintOptions);
    EXPECT_EQ(image.Pixel(6, 5), kGround);      // above the content: background
    EXPECT_EQ(image.Pixel(6, 12), kSelection);  // the first row, 10 pixels down
}

// Through the control host: the scroll offset reaches the rows, and repainting a node paints.
TEST(VirtualTreePaint, TheWindowShowsTheScrolledRowsAndRepaintsANode) {
    PaintedTree tree;
    tree.TreeOptions().SetPaintOptions({});
    std::vector<PVirtualNode> n;
    for (int i = 0; i < 20; ++i) n.push_back(tree.AddChild(nullptr));
    tree.ScrollBarOptions().SetScrollBars(ssNone);  // the frame alone around the rows
    tree.SetClientSize(200, 90);
    tree.Show();
    Pump();
    tree.SetSelected(n[3], true);  // content row 54..72
    tree.SetOffsetY(-36);          // shown at 18..36
    ASSERT_EQ(tree.OffsetY(), -36);
    Pump();
    tree.paints = 0;
    tree.BeginUpdate();
    tree.InvalidateNode(n[5]);
    Pump();
    EXPECT_EQ(tree.paints, 0);
    tree.EndUpdate();
    Pump();
    tree.paints = 0;
    tree.RepaintNode(n[4]);
    EXPECT_GE(tree.paints, 1);
    REQUIRE_PIXELS();
    TBitmap window;
    tree.PaintTo(window);
    const int frame = tree.BorderWidth();
    EXPECT_EQ(window.Pixel(frame + 6, frame + 20), kSelection);
    EXPECT_EQ(window.Pixel(frame + 6, frame + 40), kGround);
}

TEST(VirtualTreePaint, CustomLineStyleDrawsThePatternOnGetLineStyleGives) {
    REQUIRE_PIXELS();
    PaintedTree tree;
    tree.TreeOptions().SetPaintOptions({toShowRoot, toShowTreeLines});
    tree.AddChild(nullptr);
    tree.AddChild(nullptr);
    int asked = 0;
    tree.OnGetLineStyle = [&asked](TBaseVirtualTree*, TVTLinePattern& bits) {
        ++asked;
        EXPECT_EQ(bits[0], 0xAA) << "it starts as the dotted pattern";
        bits.fill(0xF0);  // four pixels on, four off, on every row
    };
    tree.SetLineStyle(lsCustomStyle);
    EXPECT_EQ(asked, 1);
    TBitmap image = tree.Render(100, 40);
    const int x = 18 / 2;  // the root level's vertical line: x & 7 == 1, drawn on every row
    for (int y = 9; y <= 27; ++y) EXPECT_EQ(image.Pixel(x, y), kLines) << y;  // to the last middle
    // The horizontal part of the first row from the middle to the box's edge.
    for (int px = x + 1; px < 18; ++px) EXPECT_EQ(image.Pixel(px, 9) == kLines, (px & 7) < 4) << px;
    tree.SetLineStyle(lsDotted);
    EXPECT_EQ(asked, 1) << "only the custom style asks";
    image = tree.Render(100, 40);
    EXPECT_NE(image.Pixel(x, 10) == kLines, image.Pixel(x, 11) == kLines);
}

TEST(VirtualTreePaint, TheBackgroundPictureIsTiledUnderTheRowsAndStaysWhileTheyScroll) {
    REQUIRE_PIXELS();
    // A 3 x 3 picture whose top-left pixel alone is yellow.
    TBitmap picture(3, 3);
    picture.Canvas().Brush().SetColor(kGrid);
    picture.Canvas().FillRect({0, 0, 3, 3});
    picture.Canvas().Brush().SetColor(kYellow);
    picture.Canvas().FillRect({0, 0, 1, 1});
    PaintedTree tree;
    tree.TreeOptions().SetPaintOptions({});
    tree.AddChild(nullptr);
    tree.Background().Assign(picture);
    EXPECT_EQ(tree.Render(100, 60).Pixel(48, 36), kGround) << "only with toShowBackground";
    tree.TreeOptions().SetPaintOptions({toShowBackground});
    tree.SetBackgroundOffsetX(1);
    tree.SetBackgroundOffsetY(2);
    auto yellowAt = [](int x, int y) { return (x - 1) % 3 == 0 && (y - 2) % 3 == 0; };
    TBitmap image = tree.Render(100, 60);
    for (TPoint p : {TPoint{49, 8}, TPoint{50, 8}, TPoint{49, 38}, TPoint{49, 39}})
        EXPECT_EQ(image.Pixel(p.X, p.Y), yellowAt(p.X, p.Y) ? kYellow : kGrid)
            << p.X << "," << p.Y << (p.Y < 18 ? " in the row" : " below the rows");
    EXPECT_EQ(image.Pixel(tree.GetDisplayRect(tree.GetFirst(), NoColumn, true).Left + 2, 8),
              clBlack)
        << "the content over it";

    for (int i = 0; i < 20; ++i) tree.AddChild(nullptr);
    tree.ScrollBarOptions().SetScrollBars(ssNone);
    tree.SetClientSize(200, 90);
    tree.Show();
    Pump();
    tree.SetOffsetY(-20);
    Pump();
    TBitmap window;
    tree.PaintTo(window);
    const int frame = tree.BorderWidth();
    for (int x = 100; x < 103; ++x)
        for (int y = 30; y < 33; ++y)
            EXPECT_EQ(window.Pixel(frame + x, frame + y), yellowAt(x, y) ? kYellow : kGrid)
                << x << "," << y;
}

namespace {

// The first client row, scanning down at x, where the selection's red shows (-1: nowhere).
int RedTop(TBaseVirtualTree& tree, int x) {
    TBitmap window;
    tree.PaintTo(window);
    const int frame = tree.BorderWidth();
    for (int y = 0; y < tree.ClientHeight(); ++y)
        if (window.Pixel(frame + x, frame + y) == kSelection) return y;
    return -1;
}

// A collapsed parent with two children, then four rows (five rows fill the 90 pixel high
// window); the first row after the parent is selected, so its red bar shows where it is.
struct ToggleTree {
    explicit ToggleTree(TScrollStyle bars) {
        tree.TreeOptions().SetPaintOptions({});
        tree.ScrollBarOptions().SetScrollBars(bars);
        tree.SetClientSize(200, 90);
        parent = tree.AddChild(nullptr);
        tree.AddChild(parent);
        tree.AddChild(parent);
        PVirtualNode next = tree.AddChild(nullptr);
        for (int i = 0; i < 3; ++i) tree.AddChild(nullptr);
        tree.SetSelected(next, true);
        tree.Show();
        Pump();
        tree.SetAnimationDuration(300);
    }
    // Toggles the parent: the red bar slides from `from` to `to` while the nodes change at
    // once. atStart looks at the window as the animation starts.
    void ExpectSlide(int from, int to, const std::function<void()>& atStart = {}) {
        const bool expanding = !tree.Expanded(parent);
        tree.ToggleNode(parent);
        EXPECT_EQ(tree.Expanded(parent), expanding) << "the nodes change at once";
        EXPECT_TRUE(tree.HasTreeState(tsInAnimation));
        EXPECT_EQ(RedTop(tree, 6), from) << "the picture starts where it was";
        if (atStart) atStart();
        Pump(100);
        const int top = RedTop(tree, 6);
        EXPECT_GT(top, std::min(from, to));
        EXPECT_LT(top, std::max(from, to));
        while (tree.HasTreeState(tsInAnimation)) Pump(20);
        EXPECT_EQ(RedTop(tree, 6), to);
    }
    PaintedTree tree;
    PVirtualNode parent = nullptr;
};

}  // namespace

TEST(VirtualTreePaint, AnAnimatedToggleOpensAndShutsTheAreaBelowTheRow) {
    REQUIRE_PIXELS();
    ToggleTree t(ssNone);
    PaintedTree& tree = t.tree;
    ASSERT_TRUE(tree.TreeOptions().AnimationOptions().Contains(toAnimatedToggle));
    EXPECT_EQ(RedTop(tree, 6), 18);
    t.ExpectSlide(18, 54);  // below the two children
    t.ExpectSlide(54, 18);

    // A scroll ends a running animation; without a duration the toggle shows at once.
    tree.ToggleNode(t.parent);
    tree.SetOffsetY(-18);
    EXPECT_FALSE(tree.HasTreeState(tsInAnimation));
    EXPECT_EQ(RedTop(tree, 6), 36);
    tree.SetOffsetY(0);
    tree.SetAnimationDuration(0);
    tree.ToggleNode(t.parent);
    EXPECT_FALSE(tree.HasTreeState(tsInAnimation));
    EXPECT_EQ(RedTop(tree, 6), 18);
}

TEST(VirtualTreePaint, AToggleThatBringsOrRemovesAScrollBarIsAnimatedToo) {
    REQUIRE_PIXELS();
    ToggleTree t(ssVertical);
    PaintedTree& tree = t.tree;
    ASSERT_FALSE(tree.ScrollBarVisible(sbVertical));
    const int width = tree.ClientWidth();
    t.ExpectSlide(18, 54, [&] {
        EXPECT_TRUE(tree.ScrollBarVisible(sbVertical)) << "the children overflow the window";
    });
    t.ExpectSlide(54, 18, [&] {
        EXPECT_FALSE(tree.ScrollBarVisible(sbVertical));
        TBitmap window;
        tree.PaintTo(window);
        const int frame = tree.BorderWidth();
        EXPECT_EQ(window.Pixel(frame + width - 8, frame + 80), kGround)
            << "the strip the scroll bar left is painted too";
    });
}

TEST(VirtualTreePaint, ACollapseAboveTheWindowSlidesTheWindowsRowsUp) {
    REQUIRE_PIXELS();
    PaintedTree tree;
    tree.TreeOptions().SetPaintOptions({});
    tree.ScrollBarOptions().SetScrollBars(ssNone);
    tree.SetClientSize(200, 90);
    PVirtualNode parent = tree.AddChild(nullptr);
    std::vector<PVirtualNode> children;
    for (int i = 0; i < 10; ++i) children.push_back(tree.AddChild(parent));
    PVirtualNode last = nullptr;
    for (int i = 0; i < 10; ++i) last = tree.AddChild(nullptr);
    tree.SetExpanded(parent, true);
    tree.SetSelected(children[3], true);  // content 72, window 36 once scrolled by 36
    tree.Show();
    Pump();
    tree.SetOffsetY(-36);  // the parent's row lies above the window
    Pump();
    tree.SetAnimationDuration(300);
    const int x = tree.GetDisplayRect(children[3], NoColumn, true).Left + 2;
    ASSERT_EQ(RedTop(tree, x), 36);

    tree.ToggleNode(parent);
    EXPECT_FALSE(tree.Expanded(parent));
    EXPECT_EQ(tree.OffsetY(), -36);
    EXPECT_TRUE(tree.HasTreeState(tsInAnimation));
    EXPECT_EQ(RedTop(tree, x), 36) << "the picture starts where it was";
    Pump(60);
    const int top = RedTop(tree, x);
    EXPECT_LT(top, 36) << "the window's rows move up";
    EXPECT_GE(top, 0);
    while (tree.HasTreeState(tsInAnimation)) Pump(20);
    EXPECT_EQ(RedTop(tree, x), -1) << "the child is gone";

    // Scrolled to the end, the collapse pulls the view up too: the animation shows the view
    // as it was, the last step the new one.
    tree.SetAnimationDuration(0);
    tree.SetExpanded(parent, true);
    tree.SetOffsetY(-1000);
    tree.SetSelected(last, true);
    Pump();
    tree.SetAnimationDuration(300);
    const int lastX = tree.GetDisplayRect(last, NoColumn, true).Left + 2;
    ASSERT_EQ(RedTop(tree, lastX), 72);
    tree.ToggleNode(parent);
    EXPECT_EQ(tree.OffsetY(), 90 - 11 * 18);
    EXPECT_TRUE(tree.HasTreeState(tsInAnimation));
    EXPECT_EQ(RedTop(tree, lastX), 72);
    Pump(60);
    EXPECT_LT(RedTop(tree, lastX), 72);
    while (tree.HasTreeState(tsInAnimation)) Pump(20);
    EXPECT_EQ(RedTop(tree, lastX), 72);
}

TEST(VirtualTreePaint, ACollapseUncoversTheColumnColoursBelow) {
    REQUIRE_PIXELS();
    PaintedTree tree;
    tree.ScrollBarOptions().SetScrollBars(ssNone);
    tree.SetClientSize(200, 90);
    tree.Header().Columns().Add()->SetWidth(200);
    tree.Header().Columns().Items(0).SetColor(kYellow);
    PVirtualNode parent = tree.AddChild(nullptr);
    for (int i = 0; i < 10; ++i) tree.AddChild(parent);
    tree.SetExpanded(parent, true);
    tree.Show();
    Pump();
    tree.SetAnimationDuration(300);
    tree.ToggleNode(parent);
    Pump(100);
    ASSERT_TRUE(tree.HasTreeState(tsInAnimation));
    TBitmap window;
    tree.PaintTo(window);
    const int frame = tree.BorderWidth();
    EXPECT_EQ(window.Pixel(frame + 100, frame + 88), kYellow) << "the strip the rows leave";
    while (tree.HasTreeState(tsInAnimation)) Pump(20);
}
