#include "RPMemo.h"
#include "ReportFixture.h"

namespace {

struct MemoJob {
    TPrintReport r;
    TMemoBuf memo;
    std::vector<std::string> lines;

    MemoJob(const std::string& text, double start, double end) {
        memo.SetText(text);
        memo.PrintStart = start;
        memo.PrintEnd = end;
        memo.SetBaseReport(&r);
    }
    template <class F>
    void Run(F body) {
        r.OnPrint = [&](TBaseReport&) { body(); };
        r.Execute();
    }
    std::vector<std::string> AllLines() {
        std::vector<std::string> out;
        Run([&] {
            while (!memo.Empty()) {
                bool eol;
                out.push_back(StripRPTF(memo.GetLine(eol)));
            }
        });
        return out;
    }
};

using Lines = std::vector<std::string>;

}  // namespace

using Memo = ReportTest;

TEST_F(Memo, WrapsBetweenStartAndEnd) {
    // One inch is 600 pixels plus one: twelve 50-pixel bytes fit.
    EXPECT_EQ(MemoJob("aaaa bbbb cccc dddd", 1, 2).AllLines(), (Lines{"aaaa bbbb", "cccc dddd"}));
    EXPECT_EQ(MemoJob("abcdefghijklmnopqrstuvwxyz", 1, 2).AllLines(),
              (Lines{"abcdefghijkl", "mnopqrstuvwx", "yz"}));
    EXPECT_EQ(MemoJob("aaaaaaaaaaaa bb", 1, 2).AllLines(), (Lines{"aaaaaaaaaaaa", "bb"}));
    // A width below one character still takes a character per line.
    EXPECT_EQ(MemoJob("abc", 1, 1.01).AllLines(), (Lines{"a", "b", "c"}));
}

TEST_F(Memo, ParagraphEndsOnceForEachLineBreakKind) {
    EXPECT_EQ(MemoJob("a\r\nb\rc\nd", 1, 2).AllLines(), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(MemoJob("a\r\n\r\nb", 1, 2).AllLines(), (Lines{"a", "", "b"}));
    EXPECT_EQ(MemoJob("  indented\r\n", 1, 2).AllLines(), (Lines{"  indented"}));
}

TEST_F(Memo, LeadingBlanksNeverPushALinePastTheEnd) {
    // Twelve bytes fit: blanks that leave no room for a character go, as at a wrap.
    EXPECT_EQ(MemoJob(std::string(12, ' ') + "abc de", 1, 2).AllLines(), (Lines{"abc de"}));
    EXPECT_EQ(
        MemoJob(std::string(30, ' ') + "word\r\n" + std::string(14, ' ') + "x", 1, 2).AllLines(),
        (Lines{"word", "x"}));
    // Blanks that leave room keep their place; the word breaks beside them.
    EXPECT_EQ(MemoJob(std::string(10, ' ') + "abcd", 1, 2).AllLines(),
              (Lines{std::string(10, ' ') + "ab", "cd"}));
    MemoJob printed(std::string(13, ' ') + "first", 1, 2);
    printed.Run([&] { printed.memo.PrintLines(0, false); });
    auto t = dev->Calls("Text");
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].find("Text 600,84 base [first]"), 0u) << t[0];
}

TEST_F(Memo, CountLinesLeavesThePositionAlone) {
    MemoJob j("one two three four five six seven eight nine ten", 1, 2);
    j.Run([&] {
        int n = j.memo.CountLines();
        EXPECT_EQ(n, 5);
        EXPECT_EQ(j.memo.CountLines(), n);
        EXPECT_EQ(j.memo.Pos(), 0u);
        j.memo.PrintLines(2, false);
        EXPECT_EQ(j.memo.CountLines(), 3);
    });
    MemoJob empty("", 1, 2);
    empty.Run([&] { EXPECT_EQ(empty.memo.CountLines(), 0); });
}

TEST_F(Memo, PrintLinesMovesTheCursorOneLineEach) {
    MemoJob j("aaaa bbbb cccc dddd eeee", 1, 2);
    int before = 0, after = 0;
    double height = 0;
    j.Run([&] {
        before = j.r.LineNum();
        height = j.memo.PrintLines(0, false);
        after = j.r.LineNum();
    });
    EXPECT_EQ(after - before, 3);  // two between the lines and one after the last
    EXPECT_DOUBLE_EQ(height, 3.0 / 6);
    auto t = dev->Calls("Text");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_NE(t[0].find("Text 600,84 base [aaaa bbbb]"), std::string::npos) << t[0];
    EXPECT_NE(t[1].find("Text 600,184 base [cccc dddd]"), std::string::npos) << t[1];

    MemoJob e("", 1, 2);
    e.Run([&] {
        before = e.r.LineNum();
        EXPECT_EQ(e.memo.PrintLines(0, false), 0);
        after = e.r.LineNum();
    });
    EXPECT_EQ(after - before, 1);
}

TEST_F(Memo, FormattingBlocksComeBackInFrontOfTheirWords) {
    MemoJob j(
        "\x01"
        "B1\x04"
        "bold text \x01"
        "B0\x04"
        "plain again and more",
        1, 3);
    EXPECT_EQ(j.memo.Text(), "bold text plain again and more");
    std::vector<std::string> raw;
    j.Run([&] {
        while (!j.memo.Empty()) {
            bool eol;
            raw.push_back(j.memo.GetLine(eol));
        }
    });
    ASSERT_EQ(raw.size(), 2u);
    EXPECT_EQ(raw[0],
              "\x01R\x02"
              "B1\x04"
              "bold text \x01"
              "B0\x04"
              "plain again");
    EXPECT_EQ(raw[1],
              "\x01R\x04"
              "and more");
    // Blocks at one position merge into one.
    TMemoBuf m;
    m.SetText(
        "a\x01"
        "B1\x04\x01I1\x04"
        "b\x01Z9");
    EXPECT_EQ(m.Text(), "ab");
}

TEST_F(Memo, FormattedLinesPrintInTheirFonts) {
    MemoJob j(
        "\x01"
        "B1\x04"
        "bold \x01"
        "B0\x04"
        "plain",
        1, 3);
    j.Run([&] { j.memo.PrintLines(0, false); });
    auto t = dev->Calls("Text");
    ASSERT_EQ(t.size(), 2u);
    EXPECT_NE(t[0].find("[bold ] Arial -100 B"), std::string::npos) << t[0];
    EXPECT_NE(t[1].find("[plain] Arial -100"), std::string::npos) << t[1];
    EXPECT_EQ(t[1].find(" B"), std::string::npos);
}

TEST_F(Memo, MisuseIsReported) {
    TMemoBuf m;
    m.SetText("x");
    EXPECT_EQ(ErrorText([&] { m.CountLines(); }), "TMemoBuf.BaseReport not assigned.");
    MemoJob j("x", 2, 2);
    std::string err;
    j.Run([&] { err = ErrorText([&] { j.memo.PrintLines(0, false); }); });
    EXPECT_EQ(err, "TMemoBuf.PrintEnd must be greater than TMemoBuf.PrintStart");
}

TEST_F(Memo, HugeWordsBreakWithoutLimits) {
    std::string word(70000, 'w');
    word[69999] = 'z';
    MemoJob j(word + " end", 1, 2);
    std::string joined;
    int count = 0;
    j.Run([&] {
        count = j.memo.CountLines();
        while (!j.memo.Empty()) {
            bool eol;
            std::string line = j.memo.GetLine(eol);
            ASSERT_LE(line.size(), 12u);
            joined += line + "|";
        }
    });
    EXPECT_EQ(count, 5834);  // 5833 full lines, then "wwwz end"
    EXPECT_EQ(joined.substr(joined.size() - 10), "|wwwz end|");
}

TEST_F(Memo, RTFInputIsConvertedWhenSet) {
    TMemoBuf m;
    m.RTFInput = true;
    m.SetText("{\\rtf1 \\b a\\b0  b\\par c}");
    EXPECT_EQ(m.Text(), "a b\r\nc");
    m.RTFInput = false;
    m.StripCommands = false;
    m.SetText(
        "\x01"
        "B1\x04x");
    EXPECT_EQ(m.Text(),
              "\x01"
              "B1\x04x");
}

TEST_F(Memo, CodeBytesInRTFTextStayOutOfTheLines) {
    MemoJob j("", 1, 3);
    j.memo.RTFInput = true;
    j.memo.SetText("{\\rtf1 Price \\'01Cx\\'04 list\\par\x01Z\x02\x03\x04 end}");
    EXPECT_EQ(j.AllLines(), (Lines{"Price Cx list", "Z end"}));
}

TEST_F(Memo, AHeightBudgetStopsBeforeTheLineThatDoesNotFit) {
    MemoJob j("aaaa bbbb cccc dddd eeee", 1, 2);
    j.memo.PrintHeight = 0.4;  // two lines of a sixth of an inch
    j.memo.NoNewLine = true;
    double height = 0;
    int lines = 0;
    j.Run([&] {
        int before = j.r.LineNum();
        height = j.memo.PrintLines(0, false);
        lines = j.r.LineNum() - before;
        EXPECT_EQ(j.memo.CountLines(), 1);  // the undone line is still there
    });
    EXPECT_DOUBLE_EQ(height, 2.0 / 6);
    EXPECT_EQ(lines, 1);  // one NewLine between the two, none after
    EXPECT_EQ(dev->Calls("Text").size(), 2u);
}

TEST_F(Memo, FontSizedLinesTakeTheirLargestFont) {
    MemoJob j(
        "small \x01Z24\x04"
        "big",
        1, 3);
    double height = 0;
    j.Run([&] {
        j.r.SetLineHeightMethod(lhmFont);
        height = j.memo.PrintLines(0, false);
        EXPECT_DOUBLE_EQ(j.r.LineHeight(), 24.0 / 60);
    });
    EXPECT_DOUBLE_EQ(height, 24.0 / 60);
}
