#include <clocale>
#include <random>

#include "RPRPTF.h"
#include "ReportFixture.h"

namespace {

bool SameItem(const TRPTFItem& a, const TRPTFItem& b) {
    return a.FontName == b.FontName && a.Size == b.Size && a.Bold == b.Bold &&
           a.Italic == b.Italic && a.Underline == b.Underline && a.Strikeout == b.Strikeout &&
           a.Subscript == b.Subscript && a.Superscript == b.Superscript && a.Color == b.Color &&
           a.Justify == b.Justify && a.FirstIndent == b.FirstIndent &&
           a.LeftIndent == b.LeftIndent && a.RightIndent == b.RightIndent;
}

}  // namespace

using Rptf = ReportTest;

TEST(RPTFText, CommandsAndSegments) {
    std::string t =
        "\x01N"
        "Ar\x03ial\x02Z14\x04";
    size_t pos = 0;
    char letter;
    std::string value;
    ParseRPTFCommand(t, pos, letter, value);
    EXPECT_EQ(letter, 'N');
    EXPECT_EQ(value, "Arial");
    EXPECT_EQ(pos, 8u);
    ParseRPTFCommand(t, pos, letter, value);
    EXPECT_EQ(letter, 'Z');
    EXPECT_EQ(value, "14");
    ParseRPTFCommand(t, pos, letter, value);
    EXPECT_EQ(letter, ' ');

    std::string s =
        "ab\x01"
        "B1\x04"
        "cd\x01I1\x02U1\x04\x01Z9\x04"
        "ef";
    pos = 0;
    std::string visible, commands;
    std::vector<std::pair<std::string, std::string>> segs;
    while (NextRPTFSegment(s, pos, visible, commands)) segs.emplace_back(commands, visible);
    ASSERT_EQ(segs.size(), 3u);
    EXPECT_EQ(segs[0], std::make_pair(std::string(), std::string("ab")));
    EXPECT_EQ(segs[1], std::make_pair(std::string("\x01"
                                                  "B1\x04"),
                                      std::string("cd")));
    EXPECT_EQ(segs[2],
              std::make_pair(std::string("\x01I1\x02U1\x04\x01Z9\x04"), std::string("ef")));
    EXPECT_EQ(VisibleLength("\x01"
                            "B1\x02Z14\x02"
                            "C255\x04Hello"),
              5);
    EXPECT_EQ(StripRPTF(s), "abcdef");
}

TEST(RPTFText, UnterminatedBlocksEndAtTheText) {
    for (std::string s : {"ab\x01"
                          "B1",
                          "\x01", "x\x01N", "\x01\x02\x02", "a\x01Z"}) {
        size_t pos = 0;
        std::string visible, commands;
        while (NextRPTFSegment(s, pos, visible, commands)) {
        }
        EXPECT_EQ(pos, s.size());
        TRPTFItem item;
        try {
            ApplyRPTFToItem(item, s);
        } catch (const EConvertError&) {
            // "Z" without a number
        }
        EXPECT_LE(VisibleLength(s), 2);
    }
}

TEST(RPTFText, ItemApplierAndBuilderBytes) {
    TRPTFItem item;
    ApplyRPTFToItem(item,
                    "\x01"
                    "B1\x02JR\x02L0.5\x02N"
                    "Courier New\x02HF\x02Z9.5\x04");
    EXPECT_TRUE(item.Bold);
    EXPECT_EQ(item.Justify, pjRight);
    EXPECT_EQ(item.LeftIndent, 0.5);
    EXPECT_EQ(item.FontName, "Courier New");
    EXPECT_EQ(item.Pitch, 2);
    EXPECT_EQ(item.Size, 9.5);
    ApplyRPTFToItem(item, "\x01r\x04");
    EXPECT_FALSE(item.Bold);
    EXPECT_EQ(item.FontName, "Courier New");
    EXPECT_EQ(item.Justify, pjRight);

    TRPTFItem a, b;
    std::string text;
    BuildRPTF(text, a, b);
    EXPECT_EQ(text, "");
    b.Bold = true;
    b.Size = 14;
    b.Color = 255;
    b.Justify = pjRight;
    b.LeftIndent = 0.5;
    b.FontName = std::string(50, 'x');
    BuildRPTF(text, a, b);
    EXPECT_EQ(text, "\x01L0.5\x02N" + std::string(40, 'x') +
                        "\x02Z14\x02"
                        "B1\x02"
                        "C255\x02JR");
    EXPECT_EQ(ResetRPTF(TRPTFItem()), "\x01R\x04");
}

TEST(RPTFText, ResetBringsAnyFormatToTheItem) {
    std::mt19937 rng(20);
    const char* names[] = {"Arial", "Courier New", "Times New Roman", "x"};
    auto randomItem = [&] {
        TRPTFItem i;
        i.FontName = names[rng() % 4];
        i.Size = 4 + int(rng() % 60) / 2.0;
        i.Bold = rng() % 2;
        i.Italic = rng() % 2;
        i.Underline = rng() % 2;
        i.Strikeout = rng() % 2;
        i.Subscript = rng() % 2;
        i.Superscript = rng() % 2;
        i.Color = int32_t(rng() % 0x1000000);
        i.Justify = uint8_t(rng() % 4);
        i.FirstIndent = int(rng() % 40) / 10.0 - 1;
        i.LeftIndent = int(rng() % 40) / 8.0;
        i.RightIndent = int(rng() % 30) / 10.0;
        return i;
    };
    for (int n = 0; n < 500; ++n) {
        TRPTFItem target = randomItem(), start = randomItem();
        ApplyRPTFToItem(start, ResetRPTF(target));
        ASSERT_TRUE(SameItem(start, target)) << n;
    }
}

TEST(RPTFText, NumbersUseAPointInEveryLocale) {
    const char* old = std::setlocale(LC_ALL, nullptr);
    std::string saved = old ? old : "C";
    bool comma = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    TRPTFItem a, b;
    b.Size = 10.5;
    b.FirstIndent = 0.25;
    std::string text;
    BuildRPTF(text, a, b);
    TRPTFItem c;
    ApplyRPTFToItem(c, text + "\x04");
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(text,
              "\x01"
              "F0.25\x02Z10.5");
    EXPECT_EQ(c.Size, 10.5);
    EXPECT_EQ(c.FirstIndent, 0.25);
    if (!comma) GTEST_LOG_(INFO) << "no comma-decimal locale here; ran in the C locale";
}

TEST(RPTFText, JustifyFromCommands) {
    EXPECT_EQ(RPTFJustify("abc", pjRight), pjRight);
    EXPECT_EQ(RPTFJustify("\x01R\x04x", pjRight), pjLeft);
    EXPECT_EQ(RPTFJustify("\x01R\x02JC\x04x\x01JR\x04", pjLeft), pjCenter);
    EXPECT_EQ(RPTFJustify("\x01JB\x04", pjLeft), pjBlock);
}

TEST_F(Rptf, ReportApplierWidthAndHeight) {
    TPrintReport r;
    r.OnPrint = [](TBaseReport& b) {
        ApplyRPTFToReport(b,
                          "\x01"
                          "B1\x02Z14\x02"
                          "C255\x02NCourier New\x04");
        EXPECT_TRUE(b.BaseFont().Bold);
        EXPECT_EQ(b.BaseFont().Size, 14);
        EXPECT_EQ(b.BaseFont().Color, 255);
        EXPECT_EQ(b.BaseFont().Name, "Courier New");
        ApplyRPTFToReport(b, "\x01r\x04");
        EXPECT_FALSE(b.BaseFont().Bold);
        EXPECT_EQ(b.BaseFont().Size, 14);
        ApplyRPTFToReport(b, "\x01R\x04");
        EXPECT_EQ(b.BaseFont().Name, "Arial");
        EXPECT_EQ(b.BaseFont().Size, 12);
        ApplyRPTFToReport(b, "\x01Z0\x04");  // no size of 0
        EXPECT_EQ(b.BaseFont().Size, 12);
        // Widths: each segment in its font; a tab to the next half inch from the start.
        EXPECT_EQ(RPTFTextWidth(b,
                                "ab\x01"
                                "B1\x04"
                                "c"),
                  150);
        EXPECT_EQ(RPTFTextWidth(b, "a\tb"), 350);
        EXPECT_EQ(RPTFTextWidth(b, ""), 1);
        EXPECT_FALSE(b.BaseFont().Bold);  // measuring leaves the font as it was
        EXPECT_DOUBLE_EQ(RPTFMaxFontHeight(b,
                                           "a\x01Z36\x04"
                                           "b\x01Z9\x04"),
                         0.5);
        EXPECT_EQ(b.BaseFont().Size, 12);
        EXPECT_THROW(ApplyRPTFToReport(b, "\x01Zbig\x04"), EConvertError);
        b.PrintLeft(
            "ab\x01"
            "B1",
            1);  // an unterminated block prints its visible text
    };
    r.Execute();
    EXPECT_EQ(dev->Calls("Text").size(), 1u);
}

// A size from an outside document may be far beyond any page: it is measured as it is.
TEST_F(Rptf, AnRtfSizeBeyondAnyPageIsMeasured) {
    TPrintReport r;
    r.OnPrint = [](TBaseReport& b) {
        ApplyRPTFToReport(b, RTFToRPTF("{\\rtf1 \\fs2444444444 x}"));
        EXPECT_GT(b.BaseFont().Size, 1e8);
        b.PrintLeft("x", 1);
        EXPECT_GT(b.BaseFont().Descent, 0);
        EXPECT_GT(b.BaseFont().Ascent, 3 * b.BaseFont().Descent);
        // The device gets the largest font it can draw, not a size that wrapped round.
        EXPECT_EQ(b.Device().Canvas().Font().Height(), -32767);
        ApplyRPTFToReport(b, RTFToRPTF("{\\rtf1 \\fs999999999 x}"));
        b.PrintLeft("x", 2);
        EXPECT_EQ(b.Device().Canvas().Font().Height(), -32767);
    };
    r.Execute();
    EXPECT_EQ(dev->Calls("Text").size(), 2u);
}

TEST(RTFConversion, SmallSamples) {
    // Font and colour tables, sizes, styles, paragraphs, tabs, quotes, dashes, skipped groups.
    std::string rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
        "{\\*\\generator x;}\\pard\\f1\\fs20 Hi \\b bold\\b0\\par"
        "\\qc\\li720\\fi-360 {\\pntext skip}\\cf2 blue\\tab x\\ldblquote "
        "q\\rdblquote\\endash\\'e9\\emdash"
        "\\bullet\\lquote\\rquote\\cf9 z\\vantrel\\par}";
    std::string out = RTFToRPTF(rtf);
    EXPECT_EQ(StripRPTF(out), "Hi bold\r\nblue\tx\x93q\x94\x96\xe9\x97\x95\x91\x92z\r\n");
    EXPECT_NE(out.find("\x01NCourier New\x02Z10\x04Hi "), std::string::npos);
    EXPECT_NE(out.find("\x01"
                       "B1\x04"
                       "bold\x01"
                       "B0\x04"),
              std::string::npos);
    EXPECT_NE(out.find("F-0.25\x02L0.5"), std::string::npos);
    EXPECT_NE(out.find("C16711680\x02JC\x04"
                       "blue"),
              std::string::npos);
    EXPECT_NE(out.find("\x01"
                       "C0\x04z"),
              std::string::npos);  // outside the table: 0
    EXPECT_EQ(out.find("skip"), std::string::npos);
    EXPECT_EQ(out.find("generator"), std::string::npos);
    EXPECT_EQ(RTFToRPTF("{\\rtf1 \\i a\\plain b}"),
              "\x01I1\x04"
              "a\x01I0\x04"
              "b");
    EXPECT_EQ(RTFToRPTF("{\\rtf1 \\sub a\\nosupersub\\strike b}"),
              "\x01S1\x04"
              "a\x01K1\x02S0\x04"
              "b");
    EXPECT_EQ(RTFToRPTF("{\\rtf1 \\ul a\\ulnone b\\super c}"),
              "\x01U1\x04"
              "a\x01U0\x04"
              "b\x01P1\x04"
              "c");
}

TEST(RTFConversion, TextNeverBecomesCodesAndEveryBlockCloses) {
    EXPECT_EQ(RTFToRPTF("{\\rtf1 Price \\'01Cx\\'04 list}"), "Price Cx list");
    EXPECT_EQ(RTFToRPTF("{\\rtf1 {\\fonttbl{\\f0 A\\'02B\x01;}}\\f0 x}"), "\x01NAB\x04x");
    // Random RTF-ish inputs: blocks open outside a block, close inside one, and carry only
    // the commands the converter writes; text outside them holds no code byte.
    const char* tokens[] = {
        "{",         "}",       "\\",         "\\b ",    "\\b0 ",    "\\i",       "\\ul ",
        "\\plain ",  "\\par ",  "\\tab ",     "\\'01",   "\\'02",    "\\'03",     "\\'04",
        "\\'0",      "\\'",     "\x01",       "\x02",    "\x03",     "\x04",      "\\f0 ",
        "\\f1 ",     "\\fs30 ", "\\cf1 ",     "\\qc ",   "\\li720 ", "\\fi-360 ", "\\*",
        "\\fonttbl", "\\f0 A;", "\\colortbl", "\\red9 ", ";",        "text ",     "\\'e9",
        "\\~",       "\\{",     "\\}",        "\\pard ", "\\super ", "\\emdash ", "\r\n"};
    std::mt19937 random(20261207);
    for (int round = 0; round < 3000; ++round) {
        std::string rtf = "{\\rtf1 ";
        const int count = int(random() % 40);
        for (int i = 0; i < count; ++i) rtf += tokens[random() % std::size(tokens)];
        const std::string out = RTFToRPTF(rtf);
        bool inBlock = false, atCommand = false;
        for (char c : out) {
            if (c == RPTFPrefix || c == RPTFSeparator) {
                ASSERT_EQ(inBlock, c == RPTFSeparator) << rtf;
                inBlock = atCommand = true;
            } else if (c == RPTFSuffix || c == RPTFIgnore) {
                ASSERT_TRUE(inBlock && c == RPTFSuffix) << rtf;
                inBlock = false;
            } else if (atCommand) {
                ASSERT_NE(std::string("FLGNZBIUKSPCJ").find(c), std::string::npos) << rtf;
                atCommand = false;
            }
        }
        ASSERT_FALSE(inBlock) << rtf;
    }
}
