// The memo as a control: painting by pixel, scrolling limits and the wheel, keys, the mouse,
// the clipboard and the built-in menu. Every byte is 10 pixels wide and a line 17 pixels high.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>

#include "MemoTestSupport.h"
#include "platform/Canvas.h"
#include "platform/Clipboard.h"
#include "platform/Cursors.h"
#include "platform/EventLoop.h"

namespace {

class Memo : public TMarkMemo {
public:
    using TMarkMemo::DblClick;
    using TMarkMemo::DoEnter;
    using TMarkMemo::DoExit;
    using TMarkMemo::KeyDown;
    using TMarkMemo::KeyPress;
    using TMarkMemo::KeyUp;
    using TMarkMemo::MouseDown;
    using TMarkMemo::MouseMove;
    using TMarkMemo::MouseUp;
    using TMarkMemo::ScrollMessage;
    using TMarkMemo::TimerEvent;
    using TMarkMemo::WantKey;
    void Paint(TCanvas& canvas, const TRect& area) override {
        ++paints;
        TMarkMemo::Paint(canvas, area);
    }
    int paints = 0;
};

struct Shown {
    TestWindow window;
    Memo memo;
    explicit Shown(int width = 200, int height = 170) : window(width, height) {
        memo.SetUpdateMode(umImmediate);
        window.Attach(memo);
        memo.SetColor(clWhite);
        memo.Font().SetColor(clBlack);
    }
    void Key(uint16_t key, TShiftState shift = 0) {
        uint16_t k = key;
        memo.KeyDown(k, shift);
    }
    void Type(const std::string& text) {
        for (char c : text) {
            char k = c;
            memo.KeyPress(k);
        }
    }
    // The client area as painted (no caret: it blinks).
    TBitmap Paint() {
        TBitmap bitmap(memo.View().ClientWidth, memo.View().ClientHeight);
        memo.PaintLines(bitmap.Canvas(), {0, 0, bitmap.Width(), bitmap.Height()});
        return bitmap;
    }
    int LineHeight() const { return memo.LineHeightPx(); }
};

std::string Lines(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += "line " + std::to_string(i) + "\r\n";
    return text;
}

}  // namespace

// ---- painting ----

namespace {
// A picture whose every pixel differs from the others, so a tile's phase shows in each one.
TBitmap Pattern(int width, int height) {
    TBitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.Canvas().SetPixel(x, y, RGBColor(10 + 30 * x, 20 + 40 * y, 99));
    return picture;
}
}  // namespace

TEST(MarkMemoControl, TheBackgroundPictureIsTiledWithTheText) {
    Shown s;
    s.memo.EndOfTextMark().SetStyle(TPenStyle::psClear);
    s.memo.SetWordWrap(false);
    std::string empty;
    for (int i = 0; i < 12; ++i) empty += "\r\n";  // 13 lines without a glyph
    s.memo.SetTextBuf(empty);
    const TBitmap picture = Pattern(7, 5);
    int changes = 0;
    s.memo.BackgroundBmp().OnChange = [&](TPicture*) { ++changes; };
    s.memo.BackgroundBmp().Assign(picture);
    EXPECT_EQ(changes, 1);
    // Each client pixel shows the picture at the text's own coordinates: the view's scroll
    // offsets added, below the last line as well.
    auto expectTiled = [&](int hScroll, int vScroll) {
        const TBitmap image = s.Paint();
        for (int y = 0; y < image.Height(); ++y)
            for (int x = 0; x < image.Width(); ++x)
                ASSERT_EQ(image.Pixel(x, y), picture.Pixel((x + hScroll) % 7, (y + vScroll) % 5))
                    << x << "," << y << " scrolled " << hScroll << "," << vScroll;
    };
    expectTiled(0, 0);
    s.memo.SetHScroll(13);
    s.memo.SetVScroll(60);  // 13 lines of 17: the text ends at 161, above the client's bottom
    ASSERT_EQ(s.memo.VScroll(), 60);
    expectTiled(13, 60);

    // A paragraph's own colour covers the picture on its lines.
    const int lh = s.LineHeight();
    s.memo.SetParagraphColors(5, -1, clAqua);
    const TBitmap coloured = s.Paint();
    const int y5 = 5 * lh - 60;
    EXPECT_EQ(coloured.Pixel(3, y5), clAqua);
    EXPECT_EQ(coloured.Pixel(190, y5 + lh - 1), clAqua);
    EXPECT_EQ(coloured.Pixel(3, y5 - 1), picture.Pixel(16 % 7, (y5 - 1 + 60) % 5));
    s.memo.SetParagraphColors(5, -1, -1);

    s.memo.BackgroundBmp().Clear();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(s.Paint().Pixel(100, 100), clWhite) << "no picture: the memo's colour";
}

TEST(MarkMemoControl, TextIsDrawnOverTheBackgroundPicture) {
    Shown s(260, 120);
    TBitmap picture(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            picture.Canvas().SetPixel(
                x, y, (x < 8) == (y < 8) ? RGBColor(255, 244, 214) : RGBColor(214, 232, 255));
    s.memo.BackgroundBmp().Assign(picture);
    s.memo.SetTextBuf("A memo over a tiled picture\r\nwith \x02bold\x02 text and a\r\nhighlight");
    s.memo.ApplyDynStyle(0, 6, 0, false, 0, 0, 0x0000FFFF, 0);  // black on yellow
    const TBitmap image = s.Paint();
    if (const char* dir = std::getenv("LORVANE_PNG_DIR"))
        image.SaveToFile(std::string(dir) + "/memo-background.png");
    EXPECT_EQ(image.Pixel(12, 1), clYellow) << "a range's own back colour is opaque";
    EXPECT_EQ(image.Pixel(250, 1), picture.Pixel(250 % 16, 1)) << "beside the text";
    int glyphs = 0;  // the text's black pixels lie on the picture
    for (int x = 70; x < 250; ++x) glyphs += image.Pixel(x, 8) == clBlack;
    EXPECT_GT(glyphs, 0);
}

TEST(MarkMemoControl, CursorsShowTheMarginRangesAndDrags) {
    Shown s;
    s.memo.SetTextBuf("see here now\r\nnext");
    s.memo.ApplyDynStyle(4, 8, 0, false, 0, int16_t(crHandPoint), 0, 0);
    const int lh = s.LineHeight();
    s.memo.MouseMove(0, 8 + 15, 2);
    EXPECT_EQ(s.memo.Cursor(), crIBeam);
    s.memo.MouseMove(0, 3, 2);
    EXPECT_EQ(s.memo.Cursor(), crRightArrow) << "the line-selection margin";
    EXPECT_EQ(CursorPicture(s.memo.Cursor())->Name(), "PMRIGHTARROW");
    s.memo.MouseMove(0, 8 + 55, 2);
    EXPECT_EQ(s.memo.Cursor(), crHandPoint) << "a range with a cursor of its own";
    s.memo.MouseMove(0, 7, lh + 2);
    EXPECT_EQ(s.memo.Cursor(), crRightArrow) << "the margin of every line";
    s.memo.MouseMove(0, 8, lh + 2);
    EXPECT_EQ(s.memo.Cursor(), crIBeam) << "the text starts at LeftMargin";
    s.memo.SetOptions(s.memo.Options() | pmoNoLineSelection);
    s.memo.MouseMove(0, 3, 2);
    EXPECT_EQ(s.memo.Cursor(), crIBeam) << "no margin arrow without line selection";
    s.memo.SetOptions(s.memo.Options() & ~TMarkMemoOptions(pmoNoLineSelection));

    // Dragging text: the drag cursor, "DRAGCOPY" with Ctrl, no drop outside the window.
    s.memo.SetSelStart(0);
    s.memo.SetSelLength(3);
    s.memo.MouseDown(mbLeft, 0, 8 + 15, 2);
    EXPECT_EQ(s.memo.Cursor(), crDrag);
    s.memo.MouseMove(ssLeft | ssCtrl, 8 + 100, 2);
    EXPECT_EQ(s.memo.Cursor(), crDragCopy);
    s.memo.MouseMove(ssLeft, 8 + 100, 2);
    EXPECT_EQ(s.memo.Cursor(), crDrag);
    s.memo.MouseMove(ssLeft, 8 + 100, -30);
    EXPECT_EQ(s.memo.Cursor(), crNoDrop);
    s.memo.MouseMove(ssLeft, 8 + 100, 2);
    s.Key(VK_CONTROL, ssCtrl);
    EXPECT_EQ(s.memo.Cursor(), crDragCopy);
    uint16_t key = VK_CONTROL;
    s.memo.KeyUp(key, 0);
    EXPECT_EQ(s.memo.Cursor(), crDrag);
    s.memo.MouseUp(mbLeft, 0, 8 + 100, 2);
    EXPECT_EQ(s.memo.Cursor(), crIBeam);
    EXPECT_EQ(SavedText(s.memo), " here nseeow\r\nnext");
}

TEST(MarkMemoControl, PaintsBackgroundAttributeColoursAndTheEndOfTextMark) {
    Shown s;
    s.memo.SetTextBuf("abc def\r\nxyz");
    s.memo.ApplyDynStyle(0, 3, msBold, false, 0, 0, 0x0000FFFF, 0);  // black on yellow
    const int lh = s.LineHeight();
    TBitmap image = s.Paint();
    EXPECT_EQ(image.Pixel(12, 1), clYellow);  // the name's cells, above the glyphs
    EXPECT_EQ(image.Pixel(52, 1), clWhite);   // the text after it keeps the memo's colour
    EXPECT_EQ(image.Pixel(150, 2 * lh + 5), clWhite);
    EXPECT_EQ(image.Pixel(100, 2 * lh), clRed);  // the end-of-text mark under the last line
    for (int x = 0; x < 200; x += 7)
        for (int y = lh; y < 2 * lh; ++y) ASSERT_NE(image.Pixel(x, y), clRed) << "no wavy line";

    s.memo.EndOfTextMark().SetStyle(TPenStyle::psClear);
    EXPECT_EQ(s.Paint().Pixel(100, 2 * lh), clWhite);
}

TEST(MarkMemoControl, AttributeColoursYieldToTheParagraphsOwn) {
    Shown s;
    s.memo.SetTextBuf("abc");
    s.memo.ApplyDynStyle(0, 3, 0, false, 0, 0, 0, 0);  // both 0: no colour change
    EXPECT_EQ(s.Paint().Pixel(12, 1), clWhite);
    s.memo.ApplyDynStyle(0, 3, 0, false, 0, 0, clLime, -1);  // -1 keeps the text colour
    EXPECT_EQ(s.Paint().Pixel(12, 1), clLime);
    s.memo.SetParagraphColors(0, -1, clAqua);  // the paragraph's own colour wins
    EXPECT_EQ(s.Paint().Pixel(12, 1), clAqua);
}

TEST(MarkMemoControl, AKeywordWithOnlyATextColourKeepsTheBackground) {
    Shown s;
    s.memo.Keywords().AddKeyWord("abc", 1, 0, 1, 0, 0, clBlue);
    s.memo.SetTextBuf("abc");
    ASSERT_FALSE(s.memo.Paragraph(0).Attrs.empty());
    EXPECT_EQ(s.Paint().Pixel(12, 1), clWhite);
}

TEST(MarkMemoControl, SelectionShowsWithFocusOrWithoutHideSelection) {
    Shown s;
    s.memo.SetTextBuf("abc def");
    s.memo.SetOptions(s.memo.Options() | pmoWindowsSelColors);
    s.memo.SetSelBackColor(clBlue);
    s.memo.SetSelStart(4);
    s.memo.SetSelLength(3);  // "def": x 48 to 78
    EXPECT_EQ(s.Paint().Pixel(50, 1), clWhite) << "hidden without focus";
    s.memo.DoEnter();
    EXPECT_EQ(s.Paint().Pixel(50, 1), clBlue);
    EXPECT_EQ(s.Paint().Pixel(40, 1), clWhite);
    s.memo.DoExit();
    EXPECT_EQ(s.Paint().Pixel(50, 1), clWhite);
    s.memo.SetHideSelection(false);
    EXPECT_EQ(s.Paint().Pixel(50, 1), clBlue);
    // The selected text takes the selection's text colour.
    s.memo.SetSelTextColor(clRed);
    const TBitmap selected = s.Paint();
    int red = 0;
    for (int x = 48; x < 78; ++x)
        for (int y = 0; y < selected.Height(); ++y) red += selected.Pixel(x, y) == clRed;
    EXPECT_GT(red, 0);

    // without the selection colours the range is inverted
    s.memo.SetOptions(s.memo.Options() & ~pmoWindowsSelColors);
    EXPECT_EQ(s.Paint().Pixel(50, 1), clBlack);
    EXPECT_EQ(s.Paint().Pixel(40, 1), clWhite);
}

TEST(MarkMemoControl, HighlightedTextTakesTheHighlightColours) {
    Shown s;
    s.memo.SetTextBuf(
        "\x03"
        "ab\x03"
        "cd");
    s.memo.SetHighlightBackgnd(clGreen);
    TBitmap image = s.Paint();
    EXPECT_EQ(image.Pixel(9, 1), clGreen);  // code bytes are 0 wide: "ab" starts at 8
    EXPECT_EQ(image.Pixel(30, 1), clWhite);
}

TEST(MarkMemoControl, JustifiedAndAlignedLinesStartWhereLayoutSays) {
    Shown s(120);
    s.memo.SetTextBuf("aaaa bbbb cccc");
    s.memo.SetAlignment(taRightJustify);
    const TParagraphLines& par = s.memo.ParagraphLines(0);
    EXPECT_EQ(s.memo.LineStartX(par, 1), 120 - 8 - 40);
    s.memo.SetAlignment(taLeftJustify);
    s.memo.SetJustified(true);
    // the first line is spread to the right margin: its last cell ends at 112
    int end = 0;
    s.memo.WalkLine(0, 0, [&](const TCharCell& cell) {
        if (cell.Char != ' ') end = cell.X + cell.Width;
        return true;
    });
    EXPECT_EQ(end, 112);
}

// ---- scrolling ----

TEST(MarkMemoControl, PageKeysStopAtTheLastPage) {
    Shown s;  // 170 pixels: 10 lines, 11 counted as visible
    s.memo.SetTextBuf(Lines(99));
    ASSERT_EQ(s.memo.LineCount(), 100);
    ASSERT_EQ(s.memo.VisibleLines(), 11);
    for (int i = 0; i < 20; ++i) s.memo.ScrollMessage(sbVertical, SB_PAGEDOWN, 0);
    EXPECT_EQ(s.memo.TopLine(), 91);
    s.memo.ScrollMessage(sbVertical, SB_PAGEUP, 0);
    EXPECT_EQ(s.memo.TopLine(), 82);
    s.memo.ScrollMessage(sbVertical, SB_LINEDOWN, 0);
    EXPECT_EQ(s.memo.TopLine(), 83);
    for (int i = 0; i < 20; ++i) s.memo.ScrollMessage(sbVertical, SB_LINEDOWN, 0);
    EXPECT_EQ(s.memo.TopLine(), 91);
    s.memo.ScrollMessage(sbVertical, SB_TOP, 0);
    EXPECT_EQ(s.memo.TopLine(), 0);
    s.memo.ScrollMessage(sbVertical, SB_LINEUP, 0);
    EXPECT_EQ(s.memo.TopLine(), 0);
}

TEST(MarkMemoControl, WheelDeltasAccumulate) {
    Shown s;
    s.memo.SetTextBuf(Lines(99));
    s.memo.WheelScroll(-120);  // one notch, three lines
    EXPECT_EQ(s.memo.TopLine(), 3);
    s.memo.WheelScroll(-40);
    s.memo.WheelScroll(-40);
    EXPECT_EQ(s.memo.TopLine(), 5);
    s.memo.WheelScroll(-40);
    EXPECT_EQ(s.memo.TopLine(), 6);
    s.memo.WheelScroll(240);
    EXPECT_EQ(s.memo.TopLine(), 0);
}

TEST(MarkMemoControl, TheCaretIsBroughtIntoView) {
    Shown s;
    s.memo.SetTextBuf(Lines(99));
    s.memo.SetSelStart(s.memo.ParagraphStart(50));
    s.memo.ScrollCaretIntoView();
    EXPECT_EQ(s.memo.TopLine(), 41);  // the caret's line is the last fully visible one
    s.memo.SetSelStart(s.memo.ParagraphStart(20));
    s.memo.ScrollCaretIntoView();
    EXPECT_EQ(s.memo.TopLine(), 20);

    // without word wrap the view follows the caret sideways in steps of five tab units
    Shown wide(100);
    wide.memo.SetWordWrap(false);
    wide.memo.SetTextBuf(std::string(40, 'x'));
    wide.memo.SetSelStart(30);  // x = 8 + 300
    wide.memo.ScrollCaretIntoView();
    EXPECT_EQ(wide.memo.HScroll(), 250);
    EXPECT_LT(wide.memo.CaretRect().Left, 100);
    wide.memo.SetSelStart(0);
    wide.memo.ScrollCaretIntoView();
    EXPECT_EQ(wide.memo.HScroll(), 0);
}

// ---- keys ----

TEST(MarkMemoControl, HotKeysAndReadOnly) {
    Shown s;
    s.memo.SetTextBuf("ab");
    s.memo.SetSelStart(1);
    s.Key('P', ssCtrl);
    EXPECT_EQ(SavedText(s.memo), "a\r\n\x10\r\nb");
    s.Key('Z', ssCtrl);
    EXPECT_EQ(SavedText(s.memo), "ab");
    s.Key('Z', ssCtrl | ssShift);
    EXPECT_EQ(SavedText(s.memo), "a\r\n\x10\r\nb");

    s.memo.SetTextBuf("word");
    s.memo.SelectAll();
    s.Key('B', ssCtrl);
    EXPECT_EQ(SavedText(s.memo), "\x02word\x02");
    EXPECT_EQ(s.memo.SelText(), "word");

    s.memo.ReadOnly = true;
    s.Type("xyz");
    s.Key('B', ssCtrl);
    s.Key(VK_DELETE);
    EXPECT_EQ(SavedText(s.memo), "\x02word\x02");
    SetClipboardText("");
    s.Key('C', ssCtrl);  // copying still works
    EXPECT_EQ(ClipboardText(), "word");
}

TEST(MarkMemoControl, TypingOverwriteAndUndoGroups) {
    Shown s;
    s.memo.SetTextBuf("abcd");
    s.memo.SetSelStart(1);
    s.Type("xyz");
    EXPECT_EQ(SavedText(s.memo), "axyzbcd");
    EXPECT_EQ(s.memo.UndoCount(), 1);  // one record for the typing
    s.Key(VK_INSERT);
    EXPECT_TRUE(s.memo.Overwrite());
    s.Type("Q");
    EXPECT_EQ(SavedText(s.memo), "axyzQcd");
    EXPECT_EQ(s.memo.SelStart(), 5) << s.memo.SelLength() << " lock " << s.memo.UpdateLock();
    s.Type("Q");
    EXPECT_EQ(SavedText(s.memo), "axyzQQd");
    s.Type("RS");  // past the end the text grows
    EXPECT_EQ(SavedText(s.memo), "axyzQQRS");
    s.Key(VK_INSERT);
    EXPECT_FALSE(s.memo.Overwrite());
    while (s.memo.CanUndo()) s.Key('Z', ssCtrl);
    EXPECT_EQ(SavedText(s.memo), "abcd");
}

TEST(MarkMemoControl, BreaksAutoIndentAndBackspace) {
    Shown s;
    s.memo.SetOptions(s.memo.Options() | pmoAutoIndent);
    s.memo.SetTextBuf("  abc");
    s.memo.SetSelStart(5);
    s.Type("\r");
    EXPECT_EQ(SavedText(s.memo), "  abc\r\n  ");
    EXPECT_EQ(s.memo.SelStart(), 9);
    s.Type("d");
    s.Key(VK_HOME);
    s.Key(VK_BACK, ssCtrl);  // at a paragraph start: the break goes
    EXPECT_EQ(SavedText(s.memo), "  abc  d");
    s.Key(VK_END);
    s.Key(VK_BACK);
    EXPECT_EQ(SavedText(s.memo), "  abc  ");
    s.Key(VK_HOME);
    s.Key(VK_DELETE);
    EXPECT_EQ(SavedText(s.memo), " abc  ");
}

TEST(MarkMemoControl, BackspaceAfterAClosingCodeDeletesTheCharacterBeforeIt) {
    Shown s;
    s.memo.SetTextBuf(
        "a\x02"
        "bold\x02"
        " tail");
    s.memo.SetSelStart(5);  // before "d"
    s.Key(VK_RIGHT);        // over "d" and the code
    ASSERT_EQ(s.memo.SelStart(), 7);
    s.Key(VK_BACK);
    EXPECT_EQ(SavedText(s.memo),
              "a\x02"
              "bol\x02"
              " tail");
    EXPECT_EQ(s.memo.SelStart(), 6);  // still after the code
    s.memo.SetTextBuf(
        "ab\x02"
        "c");
    s.memo.SetSelStart(3);
    s.Key(VK_BACK);
    EXPECT_EQ(SavedText(s.memo),
              "a\x02"
              "c");
    s.Key(VK_BACK);
    EXPECT_EQ(SavedText(s.memo),
              "\x02"
              "c");
    s.Key(VK_BACK);  // only codes before the caret at the text's start: nothing to delete
    EXPECT_EQ(SavedText(s.memo),
              "\x02"
              "c");
}

TEST(MarkMemoControl, TabsAndBackIndent) {
    Shown s;
    s.memo.SetTextBuf("x");
    EXPECT_TRUE(s.memo.WantKey(VK_TAB, 0));
    s.Key(VK_TAB);
    EXPECT_EQ(SavedText(s.memo), "\tx");
    s.memo.WantTabs = false;  // the form moves the focus instead
    EXPECT_FALSE(s.memo.WantKey(VK_TAB, 0));
    s.Key(VK_TAB);
    EXPECT_EQ(SavedText(s.memo), "\tx");
    s.Key('T', ssCtrl);  // the hot key still inserts one
    EXPECT_EQ(SavedText(s.memo), "\t\tx");

    s.memo.SetOptions(s.memo.Options() | pmoBackIndent);
    s.memo.SetTextBuf("a\r\n  b\r\n      c");
    s.memo.SetSelStart(s.memo.ParagraphStart(2) + 6);  // before "c", column 6
    s.Key(VK_BACK);                                    // back to the indentation of "  b"
    EXPECT_EQ(SavedText(s.memo), "a\r\n  b\r\n  c");
    s.Key(VK_BACK);  // then to that of "a"
    EXPECT_EQ(SavedText(s.memo), "a\r\n  b\r\nc");
}

TEST(MarkMemoControl, ColumnBlocksByAltDragAndShiftAltArrows) {
    Shown s(300);
    s.memo.SetWordWrap(false);
    s.memo.SetTextBuf("abcdef\r\nghijkl\r\nmnopqr");
    const int lh = s.LineHeight();
    s.memo.MouseDown(mbLeft, ssAlt, 8 + 10, 2);        // column 1
    s.memo.MouseMove(ssLeft | ssAlt, 8 + 40, lh + 2);  // column 4, next paragraph
    s.memo.MouseUp(mbLeft, ssAlt, 8 + 40, lh + 2);
    ASSERT_TRUE(s.memo.BlockSelected());
    EXPECT_EQ(s.memo.BlockText(), "bcd\r\nhij\r\n");

    s.memo.SetSelStart(s.memo.ParagraphStart(1) + 2);
    s.Key(VK_RIGHT, ssShift | ssAlt);
    s.Key(VK_DOWN, ssShift | ssAlt);
    ASSERT_TRUE(s.memo.BlockSelected());
    EXPECT_EQ(s.memo.BlockText(), "i\r\no\r\n");
    const std::string before = SavedText(s.memo);
    s.Key('B', ssCtrl);  // a format toggle has no one range to surround in a block
    EXPECT_EQ(SavedText(s.memo), before);
    EXPECT_LE(s.memo.SelLast(), s.memo.CharCount());
    s.Key(VK_RIGHT);  // moving leaves block mode
    EXPECT_FALSE(s.memo.BlockSelected());
}

TEST(MarkMemoControl, TheCaretBlinksOnlyWithFocus) {
    Shown s;
    s.memo.SetTextBuf("abc");
    EXPECT_FALSE(s.memo.CaretShown());
    s.memo.HandleNeeded();
    s.memo.DoEnter();
    EXPECT_TRUE(s.memo.CaretShown());
    s.memo.TimerEvent(1);
    EXPECT_FALSE(s.memo.CaretShown());
    s.memo.TimerEvent(1);
    EXPECT_TRUE(s.memo.CaretShown());
    s.memo.SetSelStart(3);  // a move shows it at once
    s.memo.TimerEvent(1);
    s.memo.SetSelStart(1);
    EXPECT_TRUE(s.memo.CaretShown());
    s.memo.DoExit();
    EXPECT_FALSE(s.memo.CaretShown());
    s.memo.SetOverwrite(true);
    s.memo.SetSelStart(1);
    EXPECT_EQ(s.memo.CaretRect().Width(), 10);  // as wide as the character under it
    s.memo.SetOverwrite(false);
    EXPECT_EQ(s.memo.CaretRect().Width(), 1);
}

// A memo in a window of its own with scroll bars, hosted by a 200 x 170 test window.
struct WithScrollBars {
    Memo memo;
    TestWindow window{200, 170};
    WithScrollBars() {
        memo.SetUpdateMode(umImmediate);
        memo.SetBounds(0, 0, 240, 200);
        memo.HandleNeeded();
        window.Attach(memo);
    }
};

TEST(MarkMemoControl, ScrollBarRangesFollowTheText) {
    WithScrollBars w;
    Memo& memo = w.memo;
    std::string text;
    for (int i = 0; i < 99; ++i) text += "line\r\n";
    memo.SetTextBuf(text);
    memo.SetClientSize(200, 170);
    const int lh = memo.LineHeightPx();
    TScrollInfo v = memo.GetScrollInfo(sbVertical);
    EXPECT_EQ(memo.VerticalUnit(), 1);
    EXPECT_EQ(v.Max, 100 * lh);
    EXPECT_EQ(int(v.Page), 170 - lh);
    memo.ScrollMessage(sbVertical, SB_THUMBTRACK, 5 * lh + 4);
    EXPECT_EQ(memo.VScroll(), 5 * lh + 4);
    EXPECT_EQ(memo.GetScrollInfo(sbVertical).Pos, 5 * lh + 4);
    memo.SetOptions(memo.Options() | pmoNoFineScroll);
    memo.ScrollMessage(sbVertical, SB_THUMBTRACK, 5 * lh + 4);
    EXPECT_EQ(memo.VScroll(), 5 * lh);
    int scrolled = 0;
    memo.OnVScroll = [&](TObject*) { ++scrolled; };
    memo.ScrollMessage(sbVertical, SB_LINEDOWN, 0);
    memo.ScrollMessage(sbVertical, SB_THUMBTRACK, 6 * lh);  // no change: no event
    EXPECT_EQ(scrolled, 1);
}

TEST(MarkMemoControl, ANewMemoIsSmallAndReadsItsLineHeight) {
    TMarkMemo fresh;
    EXPECT_EQ(fresh.Width(), 100);
    EXPECT_EQ(fresh.Height(), 60);
    EXPECT_EQ(fresh.RightMargin(), 8);
    EXPECT_EQ(fresh.TabStops(), 8);
    EXPECT_EQ(fresh.UpdateMode(), umBackground);
    EXPECT_EQ(fresh.SpecUnderline().Color(), clRed);
    Shown s;
    // The text sits inside its line, and the widest line is the one measured widest.
    EXPECT_GT(s.memo.TextOffset(), 0);
    EXPECT_LT(s.memo.TextOffset(), s.memo.LineHeight());
    s.memo.SetWordWrap(false);
    s.memo.SetTextBuf("a\r\nwide line\r\nb");
    EXPECT_EQ(s.memo.WidestLine(), 1);
    EXPECT_EQ(s.memo.LineHeight(), s.memo.LineHeightPx());
    EXPECT_GT(s.memo.LineHeight(), 0);
    s.memo.SetLineHeight(25);
    EXPECT_EQ(s.memo.LineHeight(), 25);
    s.memo.SetLineHeight(0);
    EXPECT_EQ(s.memo.LineHeight(), s.memo.LineHeightPx());
}

TEST(MarkMemoControl, LookChangesThatScrollBackToTheLeftTellIt) {
    WithScrollBars w;
    Memo& memo = w.memo;
    memo.SetWordWrap(false);
    memo.SetTextBuf(std::string(100, 'x'));
    int told = 0;
    memo.OnHScroll = [&](TObject*) { ++told; };
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"Justified", [&] { memo.SetJustified(!memo.Justified()); }},
        {"Alignment", [&] { memo.SetAlignment(taCenter); }},
        {"WordWrap", [&] { memo.SetWordWrap(true); }},
    };
    for (const auto& [name, change] : changes) {
        memo.SetAlignment(taLeftJustify);
        memo.SetWordWrap(false);
        memo.ScrollMessage(sbHorizontal, SB_THUMBTRACK, 50);
        ASSERT_EQ(memo.HScroll(), 50) << name;
        told = 0;
        change();
        EXPECT_EQ(memo.HScroll(), 0) << name;
        EXPECT_EQ(told, 1) << name;
        EXPECT_EQ(memo.GetScrollInfo(sbHorizontal).Pos, 0) << name;
    }
}

TEST(MarkMemoControl, TheCaretComesBackWhenTheMemoStopsOnlyDisplaying) {
    Shown s;
    s.memo.SetTextBuf("abc");
    s.memo.HandleNeeded();
    s.memo.DoEnter();
    s.memo.SetDisplayOnly(true);
    EXPECT_FALSE(s.memo.CaretShown());
    s.memo.SetDisplayOnly(false);
    EXPECT_TRUE(s.memo.CaretShown());
}

TEST(MarkMemoControl, SelectionLookOptionsRepaintASelection) {
    Shown s;
    s.memo.SetTextBuf("abc");
    s.memo.Show();
    s.memo.SetSelLength(2);
    for (TMarkMemoOption option : {pmoWindowsSelColors, pmoFullLineSelect}) {
        s.memo.Update();
        const int before = s.memo.paints;
        s.memo.SetOptions(s.memo.Options() ^ option);
        s.memo.Update();
        EXPECT_GT(s.memo.paints, before) << option;
    }
}

TEST(MarkMemoControl, ArrowsPassOverCodesAndKeepTheDesiredColumn) {
    Shown s;
    s.memo.SetTextBuf(
        "a\x02"
        "b\x02"
        "c\r\nxy\r\nlonger line");
    s.memo.SetSelStart(0);
    s.Key(VK_RIGHT);
    EXPECT_EQ(s.memo.SelStart(), 2);  // over the code
    s.memo.PassOverCodes = false;
    s.Key(VK_RIGHT);
    EXPECT_EQ(s.memo.SelStart(), 3);
    s.Key(VK_END);
    EXPECT_EQ(s.memo.SelStart(), 5);
    s.Key(VK_DOWN);  // "xy" is shorter: its end
    EXPECT_EQ(s.memo.SelStart(), 9);
    s.Key(VK_DOWN);  // back to the column it came from (3 visible characters in)
    EXPECT_EQ(s.memo.SelStart(), 11 + 3);
    s.Key(VK_RIGHT, ssCtrl);
    EXPECT_EQ(s.memo.SelStart(), 11 + 7);
    s.Key(VK_LEFT, ssCtrl | ssShift);
    EXPECT_EQ(s.memo.SelStart(), 11);
    EXPECT_EQ(s.memo.SelLength(), 7);
    s.Key(VK_HOME, ssCtrl);
    EXPECT_EQ(s.memo.SelStart(), 0);
    EXPECT_EQ(s.memo.SelLength(), 0);
}

TEST(MarkMemoControl, StyleChangesAreHeardEvenByALateHandler) {
    Shown s;
    s.memo.SetTextBuf(
        "abc\x02"
        "de\x02"
        "fg");
    s.memo.SetSelStart(1);  // placed before anyone listens
    int fired = 0;
    s.memo.OnStyleChange = [&](TObject*) { ++fired; };
    uint8_t last = s.memo.CurrentStyle();
    int changes = 0;
    for (int i = 0; i < 8; ++i) {
        s.Key(VK_RIGHT);
        const uint8_t style = s.memo.CurrentStyle();
        changes += style != last;
        last = style;
    }
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(fired, changes);
}

TEST(MarkMemoControl, DisplayOnlyKeysOnlyScroll) {
    Shown s;
    s.memo.SetTextBuf(Lines(99));
    s.memo.SetDisplayOnly(true);
    s.Key(VK_DOWN);
    s.Key(VK_NEXT);
    EXPECT_EQ(s.memo.TopLine(), 11);
    EXPECT_EQ(s.memo.SelStart(), 0);
    s.Type("x");
    EXPECT_EQ(s.memo.CharCount(), int32_t(Lines(99).size()) - 2 + 2);
    s.Key(VK_NEXT, ssCtrl);
    EXPECT_EQ(s.memo.TopLine(), 91);
}

// ---- mouse ----

TEST(MarkMemoControl, ClicksDragsWordsAndLines) {
    Shown s;
    s.memo.SetTextBuf("alpha beta\r\ngamma");
    const int lh = s.LineHeight();
    s.memo.MouseDown(mbLeft, 0, 8 + 22, 2);  // between 'p' and 'h'
    s.memo.MouseUp(mbLeft, 0, 8 + 22, 2);
    EXPECT_EQ(s.memo.SelStart(), 2);
    s.memo.MouseDown(mbLeft, ssShift, 8 + 30, lh + 2);  // shift: extends
    s.memo.MouseUp(mbLeft, ssShift, 8 + 30, lh + 2);
    EXPECT_EQ(s.memo.SelStart(), 15);
    EXPECT_EQ(s.memo.SelLength(), -13);

    s.memo.MouseDown(mbLeft, 0, 8 + 100, lh + 2);  // outside the selection: a plain click
    s.memo.MouseUp(mbLeft, 0, 8 + 100, lh + 2);
    EXPECT_EQ(s.memo.SelLength(), 0);
    s.memo.MouseDown(mbLeft, 0, 8 + 22, 2);
    s.memo.MouseMove(ssLeft, 8 + 62, 2);  // dragging selects
    s.memo.MouseUp(mbLeft, 0, 8 + 62, 2);
    EXPECT_EQ(s.memo.SelText(), "pha ");

    s.memo.MouseDown(mbLeft, 0, 8 + 72, 2);
    s.memo.MouseDown(mbLeft, ssDouble, 8 + 72, 2);
    s.memo.DblClick();
    s.memo.MouseUp(mbLeft, 0, 8 + 72, 2);
    EXPECT_EQ(s.memo.SelText(), "beta");

    s.memo.MouseDown(mbLeft, 0, 2, 2);  // the left margin selects the line with its break
    s.memo.MouseUp(mbLeft, 0, 2, 2);
    EXPECT_EQ(s.memo.SelText(), "alpha beta\r\n");
}

TEST(MarkMemoControl, AClickInsideTheSelectionPutsTheCaretThere) {
    Shown s;
    s.memo.SetTextBuf("alpha beta");
    s.memo.SetSelStart(0);
    s.memo.SetSelLength(5);
    s.memo.MouseDown(mbLeft, 0, 8 + 22, 2);  // between 'p' and 'h', without moving
    s.memo.MouseUp(mbLeft, 0, 8 + 22, 2);
    EXPECT_EQ(s.memo.SelLength(), 0);
    EXPECT_EQ(s.memo.SelStart(), 2);
    EXPECT_EQ(SavedText(s.memo), "alpha beta");
}

TEST(MarkMemoControl, DraggedTextMovesWithOneUndoOrCopiesWithCtrl) {
    Shown s;
    s.memo.SetTextBuf("one two three");
    s.memo.SetSelStart(0);
    s.memo.SetSelLength(4);  // "one "
    s.memo.MouseDown(mbLeft, 0, 8 + 15, 2);
    s.memo.MouseMove(ssLeft, 8 + 80, 2);
    s.memo.MouseUp(mbLeft, 0, 8 + 80, 2);  // before "three"
    EXPECT_EQ(SavedText(s.memo), "two one three");
    EXPECT_EQ(s.memo.SelText(), "one ");
    s.Key('Z', ssCtrl);
    EXPECT_EQ(SavedText(s.memo), "one two three");

    s.memo.SetSelStart(4);
    s.memo.SetSelLength(4);  // "two "
    s.memo.MouseDown(mbLeft, ssCtrl, 8 + 45, 2);
    s.memo.MouseUp(mbLeft, ssCtrl, 8 + 130, 2);  // the end, Ctrl held: a copy
    EXPECT_EQ(SavedText(s.memo), "one two threetwo ");

    s.memo.SetSelStart(0);
    s.memo.SetSelLength(3);
    s.memo.MouseDown(mbLeft, 0, 8 + 5, 2);
    s.memo.MouseUp(mbLeft, 0, 8 + 25, 2);  // inside the selection: nothing changes
    EXPECT_EQ(SavedText(s.memo), "one two threetwo ");
}

TEST(MarkMemoControl, DropsAndTogglesSelectWhatDiscardedBlanksLeft) {
    Shown s;
    s.memo.SetOptions(s.memo.Options() | pmoDiscardTrailingSpaces);
    s.memo.SetTextBuf("ab          c");
    s.memo.SetSelStart(12);
    s.memo.SetSelLength(1);
    s.memo.ClearSelection();  // "ab" and ten blanks
    ASSERT_EQ(s.memo.CharCount(), 12);
    s.memo.SetSelStart(4);
    s.memo.SetSelLength(4);
    s.memo.MouseDown(mbLeft, 0, 8 + 55, 2);
    s.memo.MouseUp(mbLeft, 0, 8 + 150, 2);  // blanks dropped at the end go with those before
    EXPECT_EQ(SavedText(s.memo), "ab");
    EXPECT_LE(s.memo.SelLast(), s.memo.CharCount());
    EXPECT_EQ(StoreProblem(s.memo), "");
}

TEST(MarkMemoControl, ContextClicksReportTheirRange) {
    Shown s;
    s.memo.SetTextBuf("see here now");
    s.memo.ApplyDynStyle(4, 8, 0, false, 7, 0, 0, clBlue);
    std::vector<std::tuple<int, int32_t, int32_t>> seen;
    s.memo.OnContext = [&](TObject*, int16_t context, int32_t start, int32_t stop) {
        seen.emplace_back(context, start, stop);
    };
    s.memo.MouseDown(mbRight, 0, 8 + 55, 2);
    s.memo.MouseUp(mbRight, 0, 8 + 55, 2);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], std::make_tuple(7, 4, 8));
    s.memo.MouseDown(mbRight, 0, 8 + 55, 2);
    s.memo.MouseUp(mbRight, 0, 8 + 75, 2);  // released on another character
    s.memo.MouseDown(mbLeft, 0, 8 + 5, 2);
    s.memo.MouseUp(mbLeft, 0, 8 + 5, 2);  // no context there
    EXPECT_EQ(seen.size(), 1u);
}

TEST(MarkMemoControl, ADisplayOnlyMemoReportsLeftClicks) {
    Shown s;
    s.memo.SetTextBuf("see here now");
    s.memo.ApplyDynStyle(4, 8, 0, false, 7, 0, 0, clBlue);
    s.memo.SetDisplayOnly(true);
    int clicks = 0;
    s.memo.OnContext = [&](TObject*, int16_t, int32_t, int32_t) { ++clicks; };
    s.memo.MouseDown(mbLeft, 0, 8 + 55, 2);
    s.memo.MouseUp(mbLeft, 0, 8 + 55, 2);
    EXPECT_EQ(clicks, 1);
}

TEST(MarkMemoControl, ARangeOverParagraphsReportsOneStart) {
    Shown s;
    s.memo.SetTextBuf("one two\r\nthree\r\nfour five");
    s.memo.ApplyDynStyle(4, s.memo.ParagraphStart(2) + 4, 0, false, 7, 0, 0, clBlue);
    std::vector<std::pair<int32_t, int32_t>> seen;
    s.memo.OnContext = [&](TObject*, int16_t, int32_t start, int32_t stop) {
        seen.emplace_back(start, stop);
    };
    const int lh = s.LineHeight();
    for (int line = 0; line < 3; ++line) {
        const int x = 8 + (line == 0 ? 55 : 15);
        s.memo.MouseDown(mbRight, 0, x, line * lh + 2);
        s.memo.MouseUp(mbRight, 0, x, line * lh + 2);
    }
    const std::pair<int32_t, int32_t> range{4, s.memo.ParagraphStart(2) + 4};
    const std::vector<std::pair<int32_t, int32_t>> expected(3, range);
    EXPECT_EQ(seen, expected);
}

TEST(MarkMemoControl, MovesGiveTheCallersCursorBack) {
    Shown s;
    s.memo.SetTextBuf("see here now");
    s.memo.ApplyDynStyle(4, 8, 0, false, 0, int16_t(crHandPoint), 0, 0);
    s.memo.SetCursor(crCross);
    s.memo.MouseMove(0, 8 + 15, 2);
    EXPECT_EQ(s.memo.Cursor(), crCross);
    s.memo.MouseMove(0, 8 + 55, 2);
    EXPECT_EQ(s.memo.Cursor(), crHandPoint);
    s.memo.MouseMove(0, 3, 2);
    EXPECT_EQ(s.memo.Cursor(), crRightArrow);
    s.memo.MouseMove(0, 8 + 15, 2);
    EXPECT_EQ(s.memo.Cursor(), crCross);
}

TEST(MarkMemoControl, AutoScrollLevelsAndDelays) {
    EXPECT_EQ(TMarkMemo::AutoScrollLevel(0), 1);
    EXPECT_EQ(TMarkMemo::AutoScrollLevel(3), 1);
    EXPECT_EQ(TMarkMemo::AutoScrollLevel(10), 3);
    EXPECT_EQ(TMarkMemo::AutoScrollLevel(25), 7);
    EXPECT_EQ(TMarkMemo::AutoScrollLevel(1000), 7);
    EXPECT_EQ(TMarkMemo::AutoScrollDelay(1), 400u);
    EXPECT_EQ(TMarkMemo::AutoScrollDelay(3), 200u);
    EXPECT_EQ(TMarkMemo::AutoScrollDelay(7), 30u);

    Shown s;
    s.memo.SetTextBuf(Lines(99));
    s.memo.MouseDown(mbLeft, 0, 20, 5);
    s.memo.MouseMove(ssLeft, 20, 170 + 10);  // below the window: one line now, then on a timer
    EXPECT_EQ(s.memo.AutoScrollDirection(), 2);
    EXPECT_EQ(s.memo.TopLine(), 1);
    EXPECT_GT(s.memo.SelStart(), s.memo.ParagraphStart(10));
    s.memo.MouseUp(mbLeft, 0, 20, 100);
    EXPECT_EQ(s.memo.AutoScrollDirection(), 0);
}

// ---- clipboard and menu ----

TEST(MarkMemoControl, ClipboardTextHasLineFeedsOutside) {
    Shown s;
    s.memo.SetTextBuf("a\r\nb");
    s.memo.SelectAll();
    s.memo.CopyToClipboard();
    EXPECT_EQ(ClipboardStore().Text(), "a\nb");
    EXPECT_EQ(ClipboardText(), "a\r\nb");
    ClipboardStore().Set("x\ny\rz", {}, {});
    s.memo.SetSelStart(0);
    s.memo.PasteFromClipboard();
    EXPECT_EQ(SavedText(s.memo), "x\r\ny\r\nza\r\nb");
    s.memo.SelectAll();
    s.memo.CutToClipboard();
    EXPECT_EQ(s.memo.CharCount(), 0);
    EXPECT_EQ(ClipboardStore().Text(), "x\ny\nza\nb");
}

TEST(MarkMemoControl, ColumnBlocksTravelInTheirOwnFormat) {
    Shown s;
    s.memo.SetWordWrap(false);
    s.memo.SetTextBuf("abcdef\r\nghijkl\r\nmnopqr");
    s.memo.SetBlockSelection(1, s.memo.ParagraphStart(1) + 3, 1, 3);
    s.memo.CopyToClipboard();
    EXPECT_TRUE(ClipboardHasFormat(TMarkMemo::BlockFormat));
    EXPECT_EQ(ClipboardText(), "bc\r\nhi\r\n");

    Shown other;
    other.memo.SetTextBuf("1234\r\n5678");
    other.memo.SetSelStart(2);
    other.memo.PasteFromClipboard();
    EXPECT_EQ(SavedText(other.memo), "12bc34\r\n56hi78");

    SetClipboardText("plain\r\n");
    EXPECT_FALSE(ClipboardHasFormat(TMarkMemo::BlockFormat));
}

TEST(MarkMemoControl, TheBuiltInMenuEnablesWhatApplies) {
    Shown s;
    s.memo.SetTextBuf("text");
    SetClipboardText("clip");
    s.memo.UpdateMenuItems();
    TMenuItem& items = s.memo.BuiltInMenu().Items();
    ASSERT_EQ(items.Count(), 8);
    EXPECT_EQ(items.Items(0)->Caption, "&Undo");
    EXPECT_EQ(items.Items(7)->Caption, "&Select all");
    EXPECT_FALSE(items.Items(0)->Enabled);
    EXPECT_FALSE(items.Items(3)->Enabled);  // nothing selected: no Cut
    EXPECT_FALSE(items.Items(4)->Enabled);
    EXPECT_TRUE(items.Items(5)->Enabled);
    items.Items(7)->Click();  // Select all
    s.memo.UpdateMenuItems();
    EXPECT_TRUE(items.Items(3)->Enabled);
    EXPECT_TRUE(items.Items(4)->Enabled);
    items.Items(5)->Click();  // Paste over it
    EXPECT_EQ(SavedText(s.memo), "clip");
    s.memo.UpdateMenuItems();
    EXPECT_TRUE(items.Items(0)->Enabled);
    s.memo.ReadOnly = true;
    s.memo.SelectAll();
    s.memo.UpdateMenuItems();
    EXPECT_FALSE(items.Items(3)->Enabled);
    EXPECT_TRUE(items.Items(4)->Enabled);
    EXPECT_FALSE(items.Items(5)->Enabled);
}

// A real window with the screen's fonts; saved as an image when LORVANE_MEMO_PNG names a file.
TEST(MarkMemoControl, PaintsInARealWindow) {
    TMarkMemo memo;
    memo.SetUpdateMode(umImmediate);
    memo.SetBounds(0, 0, 320, 160);
    memo.HandleNeeded();
    memo.SetColor(clWhite);
    memo.SetTextBuf(
        "Name: Example entry\r\nUser ID: someone\r\n\tTabbed text that runs on "
        "long enough to wrap at the right margin of the memo.\r\n\x02"
        "bold\x02 and "
        "\x01italic\x01 and \x03highlight\x03");
    memo.ApplyDynStyle(6, 19, msBold, false, 0, 0, 0x0000FFFF, 0);
    memo.SetSelStart(30);
    memo.SetSelLength(8);
    memo.SetHideSelection(false);
    EXPECT_GT(memo.LineCount(), 4);  // laid out with the screen's fonts: the long line wraps
    TBitmap image;
    memo.PaintTo(image);
    if (image.Empty()) GTEST_SKIP() << "a host without a display paints nothing";
    if (const char* file = std::getenv("LORVANE_MEMO_PNG")) image.SaveToFile(file);
}

// Random keys, typing, clicks, drags, wheel turns and scrolling keep the store consistent and
// the selection inside the text, with and without word wrap, block selection and options.
TEST(MarkMemoControl, RandomInputKeepsTheStoreConsistent) {
    std::mt19937 rng(2);
    for (int round = 0; round < 3; ++round) {
        Shown s(round == 1 ? 90 : 200, 120);
        if (round == 2) s.memo.SetWordWrap(false);
        s.memo.SetOptions(s.memo.Options() | (round == 1 ? pmoAutoIndent | pmoKeepColumnPos : 0) |
                          (round == 2 ? pmoBackIndent | pmoWindowsSelColors : 0));
        s.memo.SetTextBuf(Lines(30) + "\tx\x02y\x02 z");
        s.memo.DoEnter();
        static const uint16_t keys[] = {VK_LEFT,  VK_RIGHT, VK_UP,   VK_DOWN,   VK_HOME, VK_END,
                                        VK_PRIOR, VK_NEXT,  VK_BACK, VK_DELETE, VK_TAB,  VK_INSERT,
                                        'Z',      'B',      'P',     'X',       'V',     'C'};
        static const TShiftState shifts[] = {0, ssShift, ssCtrl, ssShift | ssCtrl, ssShift | ssAlt};
        for (int step = 0; step < 3000; ++step) {
            const int kind = int(rng() % 10);
            const int x = int(rng() % 260) - 30, y = int(rng() % 180) - 30;
            if (kind < 4) {
                const uint16_t key = keys[rng() % (sizeof keys / sizeof *keys)];
                TShiftState shift = shifts[rng() % 5];
                if (key >= 'A' && key <= 'Z')
                    shift = ssCtrl | (rng() % 4 == 0 ? TShiftState(ssShift) : 0u);
                s.Key(key, shift);
            } else if (kind < 6) {
                static const char typed[] = "ab \r\x02\x10";
                s.Type(std::string(1, typed[rng() % (sizeof typed - 1)]));
            } else if (kind < 8) {
                const TShiftState shift = shifts[rng() % 5];
                s.memo.MouseDown(mbLeft, shift, x, y);
                if (rng() % 3 == 0) {
                    s.memo.MouseDown(mbLeft, ssDouble, x, y);
                    s.memo.DblClick();
                }
                const int x2 = int(rng() % 260) - 30, y2 = int(rng() % 180) - 30;
                s.memo.MouseMove(ssLeft | shift, x2, y2);
                s.memo.MouseUp(mbLeft, shift, x2, y2);
            } else if (kind == 8) {
                s.memo.WheelScroll(int(rng() % 481) - 240);
            } else {
                s.memo.ScrollMessage(rng() % 2 ? sbVertical : sbHorizontal, TScrollCode(rng() % 8),
                                     int(rng() % 200));
            }
            ASSERT_EQ(StoreProblem(s.memo), "") << round << " step " << step;
            ASSERT_GE(s.memo.SelFirst(), 0);
            ASSERT_LE(s.memo.SelLast(), s.memo.CharCount()) << round << " step " << step;
            ASSERT_GE(s.memo.TopLine(), 0);
            if (step % 50 == 0) s.Paint();
        }
        EXPECT_NE(SavedText(s.memo), Lines(30) + "\tx\x02y\x02 z") << "the input edited";
        EXPECT_GT(s.memo.UndoCount(), 10);
    }
}

// In its own window the memo lays out in the background through posted slices.
TEST(MarkMemoControl, LaysOutInTheBackgroundThroughTheEventLoop) {
    if (!HasEventLoop()) GTEST_SKIP() << "no event loop runs the posted slices";
    TMarkMemo memo;
    memo.SetBounds(0, 0, 200, 100);
    memo.HandleNeeded();
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "words that wrap in a narrow memo window\r\n";
    int progressEvents = 0;
    memo.OnProgress = [&](TObject*) { ++progressEvents; };
    memo.SetTextBuf(text);
    EXPECT_LT(memo.Progress(), 100);
    auto done = [](void* m) { return static_cast<TMarkMemo*>(m)->Progress() == 100; };
    EXPECT_TRUE(ProcessMessagesUntil(20000, done, &memo));
    EXPECT_GT(memo.LineCount(), 3001);  // every paragraph wrapped
    EXPECT_EQ(StoreProblem(memo), "");
    EXPECT_GT(progressEvents, 0);
}

// ---- hooks ----

namespace {
// Notes what it sees; can take itself out while it is being called.
class RecordingHook : public TMarkMemoHook {
public:
    std::vector<std::string> seen;
    int32_t selStartSeen = -1;
    bool leaveOnKey = false;
    void BeforeEvent(TMarkMemo& memo, const TMarkMemoEvent& e) override {
        switch (e.Kind) {
            case TMarkMemoEventKind::MouseDown:
                seen.push_back("down " + std::to_string(e.Pos.X));
                selStartSeen = memo.SelStart();
                break;
            case TMarkMemoEventKind::KeyPress:
                seen.push_back(std::string("char ") + e.Char);
                break;
            case TMarkMemoEventKind::KeyDown:
                seen.push_back("key " + std::to_string(e.Key));
                if (leaveOnKey) memo.RemoveHook(this);
                break;
            default:
                break;
        }
    }
    void ContextClicked(TMarkMemo&, TMouseButton button, int16_t context,
                        const std::string& text) override {
        seen.push_back("context " + std::to_string(context) + " " + text +
                       (button == mbRight ? " right" : " left"));
    }
    void SelectionMoved(TMarkMemo& memo) override {
        seen.push_back("moved " + std::to_string(memo.SelStart()));
    }
};
}  // namespace

TEST(MarkMemoControl, HooksSeeEventsFirstAndHearOfContextClicksAndCaretMoves) {
    Shown s;
    s.memo.SetTextBuf("see here now");
    s.memo.ApplyDynStyle(4, 8, 0, false, 7, 0, 0, clBlue);
    RecordingHook hook, second;
    s.memo.AddHook(&hook);
    s.memo.AddHook(&hook);  // once is enough
    s.memo.AddHook(&second);
    EXPECT_EQ(s.memo.HookCount(), 2);

    s.memo.MouseDown(mbLeft, 0, 8 + 105, 2);
    EXPECT_EQ(hook.selStartSeen, 0) << "seen before the caret moved";
    s.memo.MouseUp(mbLeft, 0, 8 + 105, 2);
    s.memo.MouseDown(mbRight, 0, 8 + 55, 2);  // no OnContext: the hooks still hear of it
    s.memo.MouseUp(mbRight, 0, 8 + 55, 2);
    s.Type("x");
    EXPECT_EQ(hook.seen, (std::vector<std::string>{"down 113", "moved 11", "down 63",
                                                   "context 7 here right", "char x", "moved 12"}));
    EXPECT_EQ(second.seen, hook.seen);

    // A hook that leaves while hooks are called is not called again; the others go on.
    hook.leaveOnKey = true;
    hook.seen.clear();
    second.seen.clear();
    s.Key(VK_HOME);
    s.Key(VK_END);
    EXPECT_EQ(hook.seen, (std::vector<std::string>{"key 36"}));
    EXPECT_EQ(second.seen.front(), "key 36");
    EXPECT_EQ(second.seen.back(), "moved 13");
    EXPECT_EQ(s.memo.HookCount(), 1);
    s.memo.RemoveHook(&second);
    EXPECT_EQ(s.memo.HookCount(), 0);
}

// ---- printing ----

namespace {
// A printer page that records its text: every byte 20 pixels wide, metrics from the font's
// pixel height with 5 pixels below the baseline.
class PrintPage : public TNullPrintCanvas {
public:
    struct Text {
        int X, Y, Height;
        std::string Run;
        friend bool operator==(const Text&, const Text&) = default;
    };
    std::vector<Text> texts;
    void TextOut(int x, int y, std::string_view text) override {
        texts.push_back({x, y, Font().Height(), std::string(text)});
    }
    int TextWidth(std::string_view text) override { return 20 * int(text.size()); }
    TTextMetric TextMetrics() override {
        TTextMetric m;
        m.Height = std::abs(Font().Height()) + 5;
        m.Descent = 5;
        m.Ascent = m.Height - 5;
        m.MaxCharWidth = m.AveCharWidth = 20;
        return m;
    }
};
}  // namespace

TEST(MarkMemoControl, PrintsALineRangeWithThePrintersMetrics) {
    Shown s;
    s.memo.SetTextBuf("one two three\r\nfour");
    s.memo.SetSelStart(2);
    s.memo.SetSelLength(5);
    const auto screen = LineShapes(s.memo);
    const int screenLines = s.memo.LineCount();
    PrintPage page;
    // 600 pixels per inch: the 11-pixel font of 96 is 69 pixels high; nine bytes a line
    const TRect area{100, 200, 100 + 8 + 20 * 9 + 8, 2000};
    const auto printed = s.memo.PaintLines(page, 600, area, 1, 2);
    EXPECT_EQ(printed.LineCount, 3);
    EXPECT_EQ(printed.LineHeight, 69 + 5 + 1);
    const int baseline = 200 + 75 - 5 - 1;
    const std::vector<PrintPage::Text> expected = {{108, baseline, -69, "three"},
                                                   {108, baseline + 75, -69, "four"}};
    EXPECT_EQ(page.texts, expected);
    EXPECT_EQ(LineShapes(s.memo), screen) << "the screen's layout is kept";
    EXPECT_EQ(s.memo.LineCount(), screenLines);
    EXPECT_EQ(s.memo.SelStart(), 2);
    EXPECT_EQ(s.memo.SelLength(), 5);
}
