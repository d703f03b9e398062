// The string tree: texts through events, the width cache, shortening, static text, column
// spanning, the text drawer and the editor geometry; and the header and drawing support as
// the tree uses them.
#include "TreeTestSupport.h"

#include "VirtualStringTree.h"
#include "VirtualTreesClipboard.h"
#include "VirtualTreesDrawing.h"

#include "platform/Canvas.h"
#include "platform/headless/Headless.h"

#include <map>

namespace {

class StringTree : public TVirtualStringTree {
public:
    StringTree() { SetColor(clWhite); }
    using TCustomVirtualStringTree::ColumnIsEmpty;
    using TCustomVirtualStringTree::DoGetNodeWidth;
    using TCustomVirtualStringTree::MouseMove;
    using TCustomVirtualStringTree::PreviewMouse;

    void SetClientSize(int width, int height) {
        HandleNeeded();
        const int frame = 2 * BorderWidth();
        const int bar = ScrollBarVisible(sbVertical) ? ScrollBarExtent() : 0;
        const int hbar = ScrollBarVisible(sbHorizontal) ? ScrollBarExtent() : 0;
        SetBounds(0, 0, width + frame + bar, height + frame + HeaderStripHeight() + hbar);
    }
    int MeasureInFont(const std::string& text) {
        TBitmap probe(1, 1);
        probe.Canvas().Font().Assign(Font());
        return probe.Canvas().TextWidth(text);
    }

    TBitmap Render(int width, int height) {
        TBitmap bitmap(width, height);
        PaintTree(bitmap.Canvas(), {0, 0, width, height}, {0, 0}, NormalPaintOptions);
        return bitmap;
    }
    void AddColumns(std::initializer_list<int> widths) {
        for (int width : widths) Header().Columns().Add()->SetWidth(width);
        Header().SetMainColumn(0);
    }
    // The text the last shortening drew.
    std::string shortened;

protected:
    std::string DoShortenString(TCanvas& canvas, PVirtualNode node, TColumnIndex column,
                                const std::string& s, int width, bool rightToLeft,
                                int ellipsisWidth) override {
        shortened = TVirtualStringTree::DoShortenString(canvas, node, column, s, width, rightToLeft,
                                                        ellipsisWidth);
        return shortened;
    }
};

}  // namespace

TEST(VirtualStringTree, TextsStartFromTheDefaultAndComeFromTheEvent) {
    StringTree tree;
    PVirtualNode node = tree.AddChild(nullptr);
    EXPECT_EQ(tree.Text(node, NoColumn), "Node");
    EXPECT_THROW(tree.Text(nullptr, NoColumn), std::exception);
    tree.SetDefaultText("Item");
    EXPECT_EQ(tree.Text(node, 3), "Item");
    tree.OnGetText = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex column, TVSTTextType type,
                        std::string& text) {
        if (type == ttNormal && column == 1) text = "one";
    };
    EXPECT_EQ(tree.Text(node, 1), "one");
    EXPECT_EQ(tree.Text(node, 0), "Item") << "a handler that leaves the text keeps the default";
    EXPECT_TRUE(HasState(node, vsInitialized));
    EXPECT_EQ(tree.StringOptions(), DefaultStringOptions);
    tree.SetStringOptions({toShowStaticText});
    EXPECT_TRUE(tree.TreeOptions().StringOptions().Contains(toShowStaticText));
    StringTree other;
    other.TreeOptions().SetStringOptions({toSaveCaptions});
    other.TreeOptions().SetMiscOptions({toCheckSupport});
    tree.SetTreeOptions(other.TreeOptions());
    EXPECT_EQ(tree.StringOptions(), TVTStringOptions{toSaveCaptions});
    EXPECT_EQ(tree.TreeOptions().MiscOptions(), TVTMiscOptions{toCheckSupport});
}

TEST(VirtualStringTree, MainColumnWidthsAreCachedPerNode) {
    StringTree tree;
    tree.AddColumns({100, 100});
    PVirtualNode node = tree.AddChild(nullptr);
    std::map<TColumnIndex, int> asked;
    tree.OnGetText = [&asked](TBaseVirtualTree*, PVirtualNode, TColumnIndex column, TVSTTextType,
                              std::string& text) {
        ++asked[column];
        text = "abc";
    };
    const int width = tree.DoGetNodeWidth(node, 0);
    EXPECT_EQ(width, 2 * tree.TextMargin() + tree.MeasureInFont("abc"));
    EXPECT_EQ(tree.DoGetNodeWidth(node, 0), width);
    EXPECT_EQ(asked[0], 1) << "the second measure comes from the cache";
    EXPECT_EQ(tree.CachedWidth(node), uint32_t(width));
    tree.DoGetNodeWidth(node, 1);
    tree.DoGetNodeWidth(node, 1);
    EXPECT_EQ(asked[1], 2) << "other columns are measured each time";
    tree.SetTextMargin(10);
    EXPECT_EQ(tree.DoGetNodeWidth(node, 1), 20 + tree.MeasureInFont("abc"));

    tree.InvalidateNode(node);
    EXPECT_EQ(tree.CachedWidth(node), 0u);
    tree.DoGetNodeWidth(node, 0);
    tree.ReinitNode(node, false);
    EXPECT_EQ(tree.CachedWidth(node), 0u);
    tree.DoGetNodeWidth(node, 0);
    tree.Font().SetSize(20);
    EXPECT_EQ(tree.CachedWidth(node), 0u) << "a new font forgets every width";
    EXPECT_GT(tree.EllipsisWidth(), 0);

    // Adding nodes cancels no edit: the caches of the others stay.
    tree.DoGetNodeWidth(node, 0);
    for (int i = 0; i < 10; ++i) tree.AddChild(nullptr);
    EXPECT_NE(tree.CachedWidth(node), 0u);
}

TEST(VirtualStringTree, TheShortenerKeepsTheLongestPrefixThatLeavesRoomForTheEllipsis) {
    auto measure = [](std::string_view s) { return int(s.size()) * 10; };
    EXPECT_EQ(ShortenWithEllipsis("abcdef", 55, 15, measure), "abc...");
    EXPECT_EQ(ShortenWithEllipsis("abcdef", 56, 15, measure), "abcd...");
    EXPECT_EQ(ShortenWithEllipsis("abcdef", 16, 15, measure), "...");
    EXPECT_EQ(ShortenWithEllipsis("abcdef", 15, 15, measure), "") << "no room beside the ellipsis";
    EXPECT_EQ(ShortenWithEllipsis("abcdef", 0, 15, measure), "");
    EXPECT_EQ(ShortenWithEllipsis("", 100, 15, measure), "");
    size_t measured = 0;
    auto counting = [&measured](std::string_view s) {
        measured += s.size();
        return int(s.size()) * 10;
    };
    EXPECT_EQ(ShortenWithEllipsis(std::string(10 << 20, 'a'), 55, 15, counting), "aaa...");
    EXPECT_LT(measured, 100u) << "a long text is measured only around what fits";
}

TEST(VirtualStringTree, AHugeTextCostsWhatItsCellShowsOfIt) {
    // A 30 MB name in a 150-pixel column: its row shows the start of the name and the ellipsis,
    // one glyph box per character, after measuring and drawing a few thousand bytes at most.
    const std::string huge = "ab cd " + std::string(30 << 20, 'e');
    StringTree tree;
    tree.SetClientSize(300, 40);
    tree.AddColumns({150, 100});
    PVirtualNode node = tree.AddChild(nullptr);
    tree.OnGetText = [&huge](TBaseVirtualTree*, PVirtualNode, TColumnIndex column, TVSTTextType,
                             std::string& text) { text = column == 0 ? huge : std::string(); };
    const uint64_t measured = HeadlessTextBytesMeasured(), drawn = HeadlessTextBytesDrawn();
    const TBitmap row = tree.Render(300, int(node->NodeHeight));
    EXPECT_LT(HeadlessTextBytesMeasured() - measured, 50000u);
    EXPECT_LT(HeadlessTextBytesDrawn() - drawn, 1000u);

    const std::string& shown = tree.shortened;
    ASSERT_GT(shown.size(), 9u);
    EXPECT_EQ(shown.substr(0, 6), "ab cd ");
    EXPECT_EQ(shown.find_first_not_of('e', 6), shown.size() - 3);
    EXPECT_EQ(shown.substr(shown.size() - 3), "...");
    // Inked columns from the text's left edge to the cell's end: one box per character shown,
    // each a glyph wide (overlapping glyphs would merge into a bar), the last inside the cell.
    const TColor ink = ColorToRGB(tree.Font().Color());
    const int advance = tree.MeasureInFont("e");
    std::vector<std::pair<int, int>> boxes;
    for (int x = tree.GetDisplayRect(node, 0, true).Left; x < 150; ++x) {
        bool inked = false;
        for (int y = 0; y < row.Height(); ++y) inked = inked || row.Pixel(x, y) == ink;
        if (inked && (boxes.empty() || boxes.back().second != x))
            boxes.push_back({x, x + 1});
        else if (inked)
            boxes.back().second = x + 1;
    }
    ASSERT_EQ(boxes.size(), shown.size() - 2) << "every character but the two spaces";
    for (const auto& [left, right] : boxes) EXPECT_EQ(right - left, advance - 2);
    EXPECT_LE(boxes.back().second, 150 - tree.TextMargin());

    // The cached width stops at the limit, and with it auto-fit and the scroll width.
    EXPECT_EQ(int(tree.CachedWidth(node)), 2 * tree.TextMargin() + TextWidthLimit);
    tree.Header().Columns().Clear();
    tree.UpdateHorizontalScrollBar(false);
    EXPECT_GT(tree.RangeX(), TextWidthLimit);
    EXPECT_LT(tree.RangeX(), TextWidthLimit + 100);
}

TEST(VirtualStringTree, OnlyRealColumnsShortenAndStaticTextNeedsItsOption) {
    StringTree tree;
    tree.SetClientSize(60, 40);
    PVirtualNode node = tree.AddChild(nullptr);
    int shortened = 0, statics = 0;
    tree.OnGetText = [&statics](TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType type,
                                std::string& text) {
        if (type == ttStatic) {
            ++statics;
            text = "static";
        } else {
            text = "a rather long text for a narrow tree";
        }
    };
    tree.OnShortenString = [&shortened](TBaseVirtualTree*, TCanvas&, PVirtualNode, TColumnIndex,
                                        const std::string&, int, bool, std::string& result,
                                        bool& done) {
        ++shortened;
        result = "x";
        done = true;
    };
    tree.Render(60, 40);
    EXPECT_EQ(shortened, 0) << "a tree without columns never shortens";
    EXPECT_EQ(statics, 0);
    tree.SetStringOptions({toShowStaticText});
    tree.Render(60, 40);
    EXPECT_EQ(statics, 1);
    tree.SetAlignment(taCenter);
    tree.Render(60, 40);
    EXPECT_EQ(statics, 1) << "centred trees show no static text";

    tree.AddColumns({40});
    tree.Render(60, 40);
    EXPECT_EQ(shortened, 1);
    (void)node;
}

TEST(VirtualStringTree, AColumnTextIsMeasuredAgainInTheFontItIsPaintedIn) {
    StringTree tree;
    tree.AddColumns({50, 50});
    PVirtualNode node = tree.AddChild(nullptr);
    tree.OnGetText = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType,
                        std::string& text) { text = "measured"; };
    bool large = false;
    tree.OnPaintText = [&large](TBaseVirtualTree*, TCanvas& canvas, PVirtualNode, TColumnIndex,
                                TVSTTextType) {
        if (large) canvas.Font().SetHeight(-40);
    };
    const int normal = tree.DoGetNodeWidth(node, 1);
    EXPECT_EQ(tree.DoGetNodeWidth(node, 1), normal);
    large = true;
    EXPECT_GT(tree.DoGetNodeWidth(node, 1), normal) << "the same text in another font";
    large = false;
    EXPECT_EQ(tree.DoGetNodeWidth(node, 1), normal);
}

TEST(VirtualStringTree, TextRunsOverTheEmptyCellsBesideItInItsReadingDirection) {
    StringTree tree;
    tree.SetClientSize(300, 40);
    tree.AddColumns({50, 50, 50, 50});
    PVirtualNode node = tree.AddChild(nullptr);
    tree.OnGetText = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex column, TVSTTextType,
                        std::string& text) { text = column == 0 || column == 3 ? "full" : ""; };
    std::vector<std::pair<TColumnIndex, TRect>> cells;
    tree.OnBeforeCellPaint = [&cells](TBaseVirtualTree*, TCanvas&, PVirtualNode, TColumnIndex c,
                                      TRect r) {
        cells.push_back({c, r});
    };
    tree.Render(300, 40);
    EXPECT_EQ(cells.size(), 4u) << "without spanning every cell paints";
    EXPECT_TRUE(tree.ColumnIsEmpty(node, 1));
    EXPECT_FALSE(tree.ColumnIsEmpty(node, 3));

    TVTAutoOptions autoOptions = tree.TreeOptions().AutoOptions();
    autoOptions.Include(toAutoSpanColumns);
    tree.TreeOptions().SetAutoOptions(autoOptions);
    cells.clear();
    tree.Render(300, 40);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0].first, 0);
    EXPECT_EQ(cells[0].second.Left, 0);
    EXPECT_GE(cells[0].second.Right, 149) << "column 0 takes in columns 1 and 2";
    EXPECT_EQ(cells[1].first, 3);

    // Right to left, a text runs leftwards over the empty cells before it.
    for (int c = 0; c < 4; ++c) tree.Header().Columns()[c].SetBiDiMode(bdRightToLeft);
    cells.clear();
    tree.Render(300, 40);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0].first, 0);
    EXPECT_EQ(cells[0].second.Right, 50) << "nothing lies before column 0";
    EXPECT_EQ(cells[1].first, 3);
    EXPECT_EQ(cells[1].second.Left, 50) << "column 3 takes in columns 1 and 2";
}

TEST(VirtualStringTree, ANodeDroppedOnShowsTheHighlightTextOnItsFill) {
    StringTree tree;
    tree.SetClientSize(100, 40);
    PVirtualNode node = tree.AddChild(nullptr);
    tree.Font().SetColor(0x123456);
    tree.OnDragOver = [](TBaseVirtualTree*, TObject*, TShiftState, TDragState, TPoint, TDropMode,
                         int&, bool& accept) { accept = true; };
    const TRect label = tree.GetDisplayRect(node, NoColumn, true);
    int effect = DROPEFFECT_COPY;
    ASSERT_TRUE(
        tree.DragEnter(nullptr, 0, {label.Left + 2, (label.Top + label.Bottom) / 2}, effect));
    ASSERT_EQ(tree.DropTargetNode(), node);
    ASSERT_EQ(tree.LastDropMode(), dmOnNode);
    TColor color = clNone;
    tree.OnPaintText = [&color](TBaseVirtualTree*, TCanvas& canvas, PVirtualNode, TColumnIndex,
                                TVSTTextType) { color = canvas.Font().Color(); };
    tree.Render(100, 40);
    EXPECT_EQ(color, clHighlightText) << "the node is not selected";
}

TEST(VirtualStringTree, OnlyTheNormalTextOfTheHotNodeLooksHot) {
    StringTree tree;
    tree.SetClientSize(200, 40);
    PVirtualNode node = tree.AddChild(nullptr);
    TVTPaintOptions paint = tree.TreeOptions().PaintOptions();
    paint.Include(toHotTrack);
    tree.TreeOptions().SetPaintOptions(paint);
    TVTSelectionOptions selection = tree.TreeOptions().SelectionOptions();
    selection.Include(toFullRowSelect);
    tree.TreeOptions().SetSelectionOptions(selection);
    tree.SetStringOptions(tree.StringOptions() + toShowStaticText);
    tree.OnGetText = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType type,
                        std::string& text) { text = type == ttNormal ? "name" : "static"; };
    const TRect label = tree.GetDisplayRect(node, NoColumn, true);
    tree.MouseMove(0, label.Left + 2, (label.Top + label.Bottom) / 2);
    ASSERT_EQ(tree.HotNode(), node);
    std::map<TVSTTextType, TFontStyles> styles;
    tree.OnPaintText = [&styles](TBaseVirtualTree*, TCanvas& canvas, PVirtualNode, TColumnIndex,
                                 TVSTTextType type) { styles[type] = canvas.Font().Style(); };
    tree.Render(200, 40);
    EXPECT_TRUE(styles[ttNormal] & fsUnderline);
    EXPECT_FALSE(styles[ttStatic] & fsUnderline);
}

TEST(VirtualStringTree, UnicodeCellsMeasureAndShortenByCharacter) {
    StringTree tree;
    tree.SetClientSize(300, 40);
    // "Жук" (beetle): three characters in six bytes.
    tree.OnGetText = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType,
                        std::string& text) { text = "\xD0\x96\xD1\x83\xD0\xBA"; };
    PVirtualNode node = tree.AddChild(nullptr);
    EXPECT_EQ(tree.DoGetNodeWidth(node, NoColumn),
              2 * tree.TextMargin() + tree.MeasureInFont("abc"));
    TBitmap probe(1, 1);
    probe.Canvas().Font().Assign(tree.Font());
    const auto measure = [&probe](std::string_view part) {
        return probe.Canvas().TextWidthUtf8(part);
    };
    const int ellipsis = probe.Canvas().TextWidthUtf8("...");
    EXPECT_EQ(ShortenWithEllipsis(tree.Text(node, NoColumn),
                                  tree.MeasureInFont("ab") + ellipsis + 1, ellipsis, measure),
              "\xD0\x96\xD1\x83...")
        << "two whole characters";
}

TEST(VirtualStringTree, TextExportsReadTheCellsAsUnicode) {
    StringTree tree;
    tree.SetClientSize(300, 40);
    PVirtualNode node = tree.AddChild(nullptr);
    tree.AddToSelection(node);
    // U+0416 and U+AC00: the second is negative as a signed 16-bit number.
    tree.OnGetText = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType,
                        std::string& text) { text = "\xD0\x96\xEA\xB0\x80"; };
    std::string data;
    ASSERT_TRUE(tree.RenderOLEData(RTFClipFormat(), false, data));
    EXPECT_NE(data.find(" \\u1046\\'3f\\u-21504\\'3f\\cell"), std::string::npos) << data;
    ASSERT_TRUE(tree.RenderOLEData(HTMLClipFormat(), false, data));
    EXPECT_NE(data.find(">\xD0\x96\xEA\xB0\x80</td>"), std::string::npos) << data;
    ASSERT_TRUE(tree.RenderOLEData(StandardFormatUnicodeText, false, data));
    EXPECT_EQ(data, "\xD0\x96\xEA\xB0\x80\r\n");
}

TEST(VirtualStringTree, SelectedTextStartsInTheHighlightColour) {
    StringTree tree;
    tree.SetClientSize(100, 40);
    PVirtualNode a = tree.AddChild(nullptr);
    PVirtualNode b = tree.AddChild(nullptr);
    tree.SetFocusedNode(a);
    tree.AddToSelection(a);
    tree.Font().SetColor(0x123456);
    std::map<PVirtualNode, TColor> colors;
    tree.OnPaintText = [&colors](TBaseVirtualTree*, TCanvas& canvas, PVirtualNode node,
                                 TColumnIndex,
                                 TVSTTextType) { colors[node] = canvas.Font().Color(); };
    TVTPaintOptions paint = tree.TreeOptions().PaintOptions();
    paint.Include(toPopupMode);  // the focused look without keyboard focus
    tree.TreeOptions().SetPaintOptions(paint);
    tree.Render(100, 40);
    EXPECT_EQ(colors[a], clHighlightText);
    EXPECT_EQ(colors[b], TColor(0x123456));
}

TEST(VirtualStringTree, TheTextDrawerBreaksLinesAndMeasures) {
    TBitmap bitmap(200, 200);
    TCanvas& canvas = bitmap.Canvas();
    const int line = canvas.TextMetrics().Height;
    TRect r{0, 0, 200, 200};
    DrawTextLines(canvas, "a\r\nbb\nccc\rd", r, DT_CALCRECT, true);
    EXPECT_EQ(r.Bottom, 4 * line) << "CR LF is one break";
    EXPECT_EQ(r.Right, canvas.TextWidth("ccc"));
    r = {0, 0, 200, 200};
    DrawTextLines(canvas, "one\xC3\xACtwo", r, DT_CALCRECT, true);
    EXPECT_EQ(r.Bottom, line) << "a letter ending in 0xEC is not a break";
    r = {0, 0, 200, 200};
    DrawTextLines(canvas, "one\ntwo", r, DT_CALCRECT | DT_SINGLELINE, false);
    EXPECT_EQ(r.Bottom, line);
    EXPECT_EQ(r.Right, 200);

    // Drawing: right alignment puts the ink against the right edge.
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect({0, 0, 200, 200});
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.Font().SetColor(clBlack);
    r = {0, 0, 100, 40};
    DrawTextLines(canvas, "MMM", r, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
    bool inkLeft = false, inkRight = false;
    for (int x = 0; x < 100; ++x)
        for (int y = 0; y < 40; ++y)
            if (canvas.Pixel(x, y) != clWhite) (x < 50 ? inkLeft : inkRight) = true;
    EXPECT_FALSE(inkLeft);
    EXPECT_TRUE(inkRight);
}

TEST(VirtualStringTree, EditorGeometryCentresOneLine) {
    StringTree tree;
    tree.SetClientSize(200, 100);
    tree.SetDefaultNodeHeight(40);
    PVirtualNode node = tree.AddChild(nullptr);
    tree.OnGetText = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType,
                        std::string& text) { text = "edit me"; };
    TFont font = tree.Font();
    TRect r;
    std::string text;
    tree.GetTextInfo(node, NoColumn, font, r, text);
    EXPECT_EQ(text, "edit me");
    EXPECT_LE(std::abs(r.Height() - tree.TextHeight()), 1);
    EXPECT_EQ((r.Top + r.Bottom) / 2, 20);
}

// --- The header and drawing support in the tree ----------------------------------------------

TEST(TreeWiring, CheckImagesFollowTheKindAndThePalette) {
    StringTree tree;
    EXPECT_EQ(tree.CheckImages(), CheckImagesFor(ckLightCheck));
    tree.SetCheckImageKind(ckDarkCheck);
    EXPECT_EQ(tree.CheckImages(), CheckImagesFor(ckDarkCheck));
    TCustomImageList custom(nullptr, 16, 16);
    tree.SetCustomCheckImages(&custom);
    tree.SetCheckImageKind(ckCustom);
    EXPECT_EQ(tree.CheckImages(), &custom);
    tree.SetCheckImageKind(ckFlat);
    EXPECT_EQ(tree.CheckImages(), CheckImagesFor(ckFlat));
}

TEST(TreeWiring, TheHeaderTakesItsMouseMessagesAndTimer) {
    StringTree tree;
    tree.AddColumns({60, 60});
    tree.Header().SetOptions({hoVisible, hoColumnResize, hoDrag});
    tree.SetClientSize(200, 100);
    int downs = 0;
    tree.OnHeaderMouseDown = [&downs](TVTHeader*, TMouseButton, TShiftState, int, int) { ++downs; };
    const TRect header = tree.Header().HeaderRect();
    ASSERT_FALSE(header.IsEmpty());
    TMouseMessage m;
    m.Action = TMouseAction::Down;
    m.Button = mbRight;
    m.Pos = {10, (header.Top + header.Bottom) / 2};
    m.InHeaderStrip = true;
    EXPECT_TRUE(tree.PreviewMouse(m));
    EXPECT_EQ(downs, 1);
    m.Pos = {10, 10};
    m.InHeaderStrip = false;
    EXPECT_FALSE(tree.PreviewMouse(m)) << "the rows are not the header's";
    tree.SetTimer(TBaseVirtualTree::HeaderTimer, 50);
    tree.TimerEvent(TBaseVirtualTree::HeaderTimer);
    EXPECT_FALSE(tree.TimerActive(TBaseVirtualTree::HeaderTimer));
}
