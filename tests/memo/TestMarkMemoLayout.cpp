// Layout with a measurer where every byte is 10 pixels wide: breaking, tabs, alignment,
// justification, hit-testing, and incremental re-layout matching a fresh one.
#include <gtest/gtest.h>

#include <random>

#include "MemoTestSupport.h"

namespace {

struct Laid {
    TestWindow window;
    TMarkMemo memo;
    explicit Laid(int width = 120) : window(width) {
        memo.SetUpdateMode(umImmediate);
        window.Attach(memo);
    }
    const TLineRec& Line(int par, int line) { return memo.ParagraphLines(par).Line(line); }
};

}  // namespace

TEST(MarkMemoLayout, BreaksAtABlank) {
    Laid l;
    l.memo.SetTextBuf("aaaa bbbb cccc");
    ASSERT_EQ(l.memo.ParagraphLines(0).LineCount(), 2);
    const TLineRec& first = l.Line(0, 0);
    EXPECT_EQ(first.StartOffset, 0);
    EXPECT_EQ(first.EndOffset, 10);
    EXPECT_EQ(first.Width, 90);
    EXPECT_EQ(first.FullWidth, 100);
    EXPECT_EQ(first.SpaceCount, 1);
    const TLineRec& second = l.Line(0, 1);
    EXPECT_EQ(second.StartOffset, 10);
    EXPECT_EQ(second.EndOffset, 14);
    EXPECT_EQ(second.Width, 40);
    EXPECT_EQ(second.SpaceCount, 0);
    EXPECT_EQ(l.memo.Lines().Get(0), "aaaa bbbb ");
    EXPECT_EQ(l.memo.Lines().Get(1), "cccc");
    EXPECT_EQ(l.memo.Lines().Count(), 2);
    EXPECT_EQ(l.memo.Paragraphs().Count(), 1);
    EXPECT_EQ(l.memo.WidestWidth(), 90);
}

TEST(MarkMemoLayout, LongWordsBreakBetweenCharacters) {
    Laid l;
    l.memo.SetTextBuf(std::string(30, 'w'));
    ASSERT_EQ(l.memo.ParagraphLines(0).LineCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(l.Line(0, i).StartOffset, 10 * i);
        EXPECT_EQ(l.Line(0, i).EndOffset, 10 * i + 10);
    }
    l.window.SetWidth(17);  // room for less than one character
    l.memo.ClientResized();
    const TParagraphLines& par = l.memo.ParagraphLines(0);
    ASSERT_EQ(par.LineCount(), 30);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(par.Line(i).EndOffset - par.Line(i).StartOffset, 1);
    EXPECT_EQ(StoreProblem(l.memo), "");
}

// A value of megabytes without a blank, added as the information panel adds its lines: each
// piece of the word is measured once (measuring the rest of the word again for every line took
// minutes here).
TEST(MarkMemoLayout, AHugeParagraphWithoutBlanksIsMeasuredOnce) {
    Laid l;
    const int32_t n = 4 << 20;
    l.memo.Lines().BeginUpdate();
    l.memo.Lines().Add(std::string(size_t(n), 'w'));
    l.memo.Lines().EndUpdate();
    const TParagraphLines& par = l.memo.ParagraphLines(0);
    ASSERT_EQ(par.LineCount(), n / 10 + (n % 10 != 0));
    EXPECT_EQ(par.Line(1).StartOffset, 10);
    EXPECT_EQ(par.Line(par.LineCount() - 1).EndOffset, n);
    EXPECT_EQ(par.Line(par.LineCount() - 1).Width, n % 10 ? 10 * (n % 10) : 100);
    EXPECT_EQ(StoreProblem(l.memo), "");
}

TEST(MarkMemoLayout, LeadingBlanksThenALongWord) {
    Laid l;
    l.memo.SetTextBuf("   " + std::string(20, 'w'));
    const TParagraphLines& par = l.memo.ParagraphLines(0);
    EXPECT_EQ(par.Line(0).EndOffset, 10);  // the blanks and the seven letters that fit
    EXPECT_EQ(StoreProblem(l.memo), "");
    l.window.SetWidth(25);
    l.memo.ClientResized();
    EXPECT_EQ(l.memo.ParagraphLines(0).Line(0).EndOffset, 3);  // only the blanks: the word moves on
    for (int i = 1; i < l.memo.ParagraphLines(0).LineCount(); ++i)
        EXPECT_GT(l.memo.ParagraphLines(0).Line(i).EndOffset,
                  l.memo.ParagraphLines(0).Line(i).StartOffset);
}

TEST(MarkMemoLayout, TabsAdvanceToTheNextStop) {
    Laid l;
    l.memo.SetWordWrap(false);
    l.memo.SetTextBuf("\tb\r\na\tb\r\naaaaaaaa\tb");
    EXPECT_EQ(l.memo.OffsetToX(0, 0, 1), 8 + 80);
    EXPECT_EQ(l.memo.OffsetToX(1, 0, 2), 8 + 80);
    EXPECT_EQ(l.memo.OffsetToX(2, 0, 9), 8 + 160);
    EXPECT_EQ(l.Line(2, 0).Width, 170);
    EXPECT_EQ(l.Line(1, 0).JustifyFrom, 2);
}

TEST(MarkMemoLayout, AlignmentWithoutWordWrap) {
    Laid l;
    l.memo.SetWordWrap(false);
    l.memo.SetTextBuf(std::string(50, 'w'));
    EXPECT_EQ(l.memo.ParagraphLines(0).LineCount(), 1);
    l.memo.SetAlignment(taRightJustify);
    ASSERT_EQ(l.memo.ParagraphLines(0).LineCount(), 5);
    EXPECT_EQ(l.Line(0, 4).EndOffset, 50);
    EXPECT_EQ(l.memo.OffsetToX(0, 0, 0), 120 - 8 - 100);
    l.memo.SetAlignment(taCenter);
    l.memo.SetTextBuf("ab");
    EXPECT_EQ(l.memo.OffsetToX(0, 0, 0), 8 + (104 - 20) / 2);
}

TEST(MarkMemoLayout, JustificationSpreadsTheFreeSpaceExactly) {
    Laid l(116);
    l.memo.SetJustified(true);
    l.memo.SetTextBuf("a b c d e ffff");
    ASSERT_EQ(l.memo.ParagraphLines(0).LineCount(), 2);
    ASSERT_EQ(l.Line(0, 0).SpaceCount, 4);
    ASSERT_EQ(l.Line(0, 0).Width, 90);
    int shift[] = {2, 5, 7, 10};
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(l.memo.OffsetToX(0, 0, 2 * (k + 1)), 8 + 20 * (k + 1) + shift[k]) << k;
    EXPECT_EQ(l.memo.OffsetToX(0, 1, 11), 8 + 10);  // the last line is not spread
    // the spread gives away every pixel, the odd one included
    TMarkMemo::TJustifier spread(1, 2);
    EXPECT_EQ(spread.Next() + spread.Next(), 1);
    TMarkMemo::TJustifier wide(7, 3);
    EXPECT_EQ(wide.Next() + wide.Next() + wide.Next(), 7);
    EXPECT_EQ(wide.Next(), 0);
}

TEST(MarkMemoLayout, HitTestingRoundsToTheNearestBoundary) {
    Laid l;
    l.memo.SetTextBuf("abcdef");
    EXPECT_EQ(l.memo.XToOffset(0, 0, 8 + 14), 1);
    EXPECT_EQ(l.memo.XToOffset(0, 0, 8 + 16), 2);
    EXPECT_EQ(l.memo.XToOffset(0, 0, 0), 0);
    EXPECT_EQ(l.memo.XToOffset(0, 0, 500), 6);
    EXPECT_EQ(l.memo.OffsetToX(0, 0, 3), 38);
    l.memo.SetHScroll(5);
    EXPECT_EQ(l.memo.OffsetToX(0, 0, 3), 33);
}

TEST(MarkMemoLayout, LinesToPixelsAndBack) {
    Laid l;
    l.memo.SetLineHeight(16);
    l.memo.SetVScroll(20);
    EXPECT_EQ(l.memo.TopLine(), 1);
    EXPECT_EQ(l.memo.LineToY(0), -4);
    EXPECT_EQ(l.memo.YToLine(0), 0);
    EXPECT_EQ(l.memo.YToLine(12), 1);
    EXPECT_EQ(l.memo.VisibleLines(), 160 / 16 + 1);
}

TEST(MarkMemoLayout, MetricsFollowTheMeasurer) {
    Laid l;
    EXPECT_EQ(l.memo.LineHeightPx(), 17);
    EXPECT_EQ(l.memo.TabUnit(), 10);
    EXPECT_EQ(l.memo.ChunkChars(), 1638);
    TMarkMemo headless;
    EXPECT_EQ(headless.LineHeightPx(), 12);  // the font's absolute height + 1
}

TEST(MarkMemoLayout, SettersLayEverythingOutAgain) {
    Laid l;
    l.memo.SetTextBuf("aaaa bbbb cccc");
    EXPECT_EQ(l.memo.LineCount(), 2);
    l.memo.SetRightMargin(48);
    EXPECT_EQ(l.memo.LineCount(), 3);
    l.memo.SetRightMargin(8);
    l.memo.SetLeftMargin(-32);
    EXPECT_EQ(l.memo.LineCount(), 1);
    l.memo.SetLeftMargin(8);
    l.memo.SetWordWrap(false);
    EXPECT_EQ(l.memo.LineCount(), 1);
    l.memo.SetWordWrap(true);
    l.memo.SetTextBuf("a\tb c");
    l.memo.SetTabStops(2);
    EXPECT_EQ(l.memo.OffsetToX(0, 0, 2), 8 + 20);
    l.memo.AltFont().SetHeight(-20);
    l.memo.FontChanged();
    EXPECT_EQ(l.memo.LineCount(), 1);
    EXPECT_EQ(StoreProblem(l.memo), "");
}

TEST(MarkMemoLayout, EditsRenumberTheLinesBelow) {
    Laid l;
    l.memo.SetTextBuf("one\r\ntwo\r\nthree");
    TMarkNavigator nav(&l.memo);
    nav.SetPos(l.memo.ParagraphStart(2));
    EXPECT_EQ(nav.GetAbsLine(), 2);
    l.memo.SetSelStart(3);
    l.memo.SetSelText(" aaaa bbbb cccc dddd");  // paragraph 0 now takes three lines
    EXPECT_EQ(l.memo.ParagraphLines(0).LineCount(), 3);
    EXPECT_EQ(l.memo.ParagraphLines(1).FirstLine(), 3);
    EXPECT_EQ(l.memo.ParagraphLines(2).FirstLine(), 4);
    EXPECT_EQ(nav.GetAbsLine(), 4);
    EXPECT_EQ(StoreProblem(l.memo), "");
}

TEST(MarkMemoLayout, HeadlessMemoKeepsOneLinePerParagraph) {
    TMarkMemo memo;
    memo.SetTextBuf("aaaa bbbb cccc dddd eeee ffff\r\nx");
    EXPECT_EQ(memo.Lines().Count(), 2);
    EXPECT_EQ(memo.ParagraphLines(0).Line0.Width, 0);
    EXPECT_TRUE(memo.ParagraphLines(0).Formatted);
}

TEST(MarkMemoLayout, OnNeedFormatsWhatIsAskedFor) {
    TestWindow window;
    TMarkMemo memo;
    memo.SetUpdateMode(umOnNeed);
    window.Attach(memo);
    std::string text;
    for (int i = 0; i < 100; ++i) text += "aaaa bbbb cccc\r\n";
    memo.SetTextBuf(text);
    EXPECT_TRUE(window.posted.empty());
    EXPECT_FALSE(memo.ParagraphLines(0).Formatted);
    EXPECT_EQ(memo.Lines().Get(4), "aaaa bbbb ");  // lays out just enough
    EXPECT_EQ(memo.Lines().Get(5), "cccc");
    EXPECT_TRUE(memo.ParagraphLines(2).Formatted);
    EXPECT_FALSE(memo.ParagraphLines(50).Formatted);
    EXPECT_EQ(memo.Lines().Count(), 200);
    EXPECT_EQ(StoreProblem(memo), "");
}

TEST(MarkMemoLayout, IncrementalLayoutEqualsAFreshOne) {
    std::mt19937 rng(11);
    auto pick = [&](int n) { return int(rng() % uint32_t(n)); };
    Laid l;
    l.memo.SetTextBuf(
        "the quick brown fox jumps over the lazy dog\r\n"
        "\tpack my box with five dozen liquor jugs and more words here\r\n"
        "sphinx of black quartz judge my vow");
    const char* const bits[] = {"a",  "bb",           "ccc", " ",    "  ",
                                "\t", "wwwwwwwwwwww", "x y", "\x02", "\r\n"};
    for (int step = 0; step < 200; ++step) {
        int32_t size = l.memo.CharCount();
        int32_t at = pick(size + 1);
        if (pick(2)) {
            std::string t;
            for (int n = 1 + pick(3); n > 0; --n) t += bits[pick(step % 20 == 0 ? 10 : 9)];
            l.memo.SetSelStart(at);
            l.memo.SetSelText(t);
        } else {
            l.memo.SetSelStart(at);
            l.memo.SetSelLength(std::min(size - at, pick(8)));
            l.memo.ClearSelection();
        }
        ASSERT_EQ(StoreProblem(l.memo), "") << step;
        Laid fresh;
        std::string raw;
        for (int i = 0; i < l.memo.ParagraphCount(); ++i)
            raw += (i ? "\r\n" : "") + l.memo.Paragraph(i).Text;
        fresh.memo.SetTextBuf(raw);
        ASSERT_EQ(LineShapes(l.memo), LineShapes(fresh.memo)) << "step " << step;
        ASSERT_EQ(l.memo.LineCount(), fresh.memo.LineCount());
    }
}

TEST(MarkMemoLayout, CharacterCellsCarryStyleAndRecord) {
    Laid l;
    l.memo.SetTextBuf(
        "a\x02"
        "bc");
    l.memo.ApplyDynStyle(3, 4, msItalic, false, 5, 0, 0x0000FFFF, 0);
    std::vector<TCharCell> cells;
    l.memo.WalkLine(0, 0, [&](const TCharCell& cell) {
        cells.push_back(cell);
        return true;
    });
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_EQ(cells[1].Width, 0);  // the code has no width
    EXPECT_EQ(cells[2].Style, msBold);
    EXPECT_EQ(cells[2].X, 18);
    EXPECT_EQ(cells[3].Style, msDynamic | msItalic);
    EXPECT_EQ(cells[3].Attr->Context, 5);
}
