// The text exports: plain text, CSV, HTML with the clipboard envelope, rich text.

#include "TreeTestSupport.h"
#include "VirtualTreesColumns.h"
#include "VirtualTreesExport.h"
#include "VirtualTreesHeader.h"

#include <map>

namespace {

// A tree A (child A1), B whose cell texts come from a map.
struct ExportTree {
    TestTree tree;
    PVirtualNode A, A1, B;
    std::map<std::pair<PVirtualNode, TColumnIndex>, std::u16string> texts;
    TExportCellText cellText = [this](PVirtualNode node, TColumnIndex column) {
        auto it = texts.find({node, column});
        return it == texts.end() ? std::u16string() : it->second;
    };

    ExportTree() {
        tree.SetClientSize(300, 200);
        A = tree.AddChild(nullptr);
        A1 = tree.AddChild(A);
        B = tree.AddChild(nullptr);
        Set(NoColumn, u"A", u"A1", u"B");
    }
    void Set(TColumnIndex column, std::u16string a, std::u16string a1, std::u16string b) {
        texts[{A, column}] = std::move(a);
        texts[{A1, column}] = std::move(a1);
        texts[{B, column}] = std::move(b);
    }
    // Two columns "Name" (main) and "Url".
    void AddColumns() {
        for (const char* caption : {"Name", "Url"}) {
            TVirtualTreeColumn& column = *tree.Header().Columns().Add();
            column.SetText(caption);
            column.SetWidth(100);
        }
        Set(0, u"A", u"A1", u"B");
        Set(1, u"a", u"a1", u"b");
    }
};

}  // namespace

TEST(VirtualTreeExport, PlainTextIndentsByLevelWithoutColumns) {
    ExportTree t;
    EXPECT_EQ(ContentToUnicode(t.tree, tstAll, u'\t', t.cellText), u"A\r\n\tA1\r\nB\r\n");
    EXPECT_EQ(ContentToText(t.tree, tstAll, u'\t', t.cellText), "A\r\n\tA1\r\nB\r\n");
    // The deepest level counts among the exported nodes only.
    t.tree.SetSelected(t.A1, true);
    EXPECT_EQ(ContentToText(t.tree, tstSelected, u'\t', t.cellText), "\tA1\r\n");
    t.tree.SetSelected(t.A1, false);
    EXPECT_EQ(ContentToText(t.tree, tstSelected, u'\t', t.cellText), "");
}

TEST(VirtualTreeExport, PlainTextWithColumnsPadsTheMainColumnAndFollowsDisplayOrder) {
    ExportTree t;
    t.AddColumns();
    EXPECT_EQ(ContentToText(t.tree, tstAll, u'\t', t.cellText),
              "Name\t\tUrl\r\n"
              "A\t\ta\r\n"
              "\tA1\ta1\r\n"
              "B\t\tb\r\n");
    // Moved to the front, the second column comes first; the level fill stays with the main one.
    t.tree.Header().Columns()[1].SetPosition(0);
    EXPECT_EQ(ContentToText(t.tree, tstAll, u';', t.cellText),
              "Url;Name\r\n"
              "a;A;\r\n"
              "a1;;A1\r\n"
              "b;B;\r\n");
    // A hidden column is left out.
    TVirtualTreeColumn& url = t.tree.Header().Columns()[1];
    TVTColumnOptions options = url.Options();
    options.Exclude(coVisible);
    url.SetOptions(options);
    EXPECT_EQ(ContentToText(t.tree, tstAll, u'\t', t.cellText), "Name\r\nA\t\r\n\tA1\r\nB\t\r\n");
}

TEST(VirtualTreeExport, CsvQuotesOnlyFieldsThatNeedIt) {
    ExportTree t;
    t.AddColumns();
    t.tree.Header().Columns()[0].SetText("Na,me");
    t.Set(1, u"say \"hi\"", u"two\r\nlines", u"plain text");
    t.Set(0, u"x,y", u"lone\rcr", u"lf\n");
    EXPECT_EQ(ContentToCSV(t.tree, tstAll, u',', t.cellText),
              "\"Na,me\",,Url\r\n"
              "\"x,y\",,\"say \"\"hi\"\"\"\r\n"
              ",\"lone\rcr\",\"two\r\nlines\"\r\n"
              "\"lf\n\",,plain text\r\n");
    // With ";" as the separator a comma needs no quotes.
    EXPECT_EQ(ContentToCSV(t.tree, tstAll, u';', t.cellText).substr(0, 12), "Na,me;;Url\r\n");
    EXPECT_EQ(ListSeparatorFor(','), u';');
    EXPECT_EQ(ListSeparatorFor('.'), u',');
}

TEST(VirtualTreeExport, Utf8OutputCombinesPairsAndDropsUnpairedSurrogates) {
    EXPECT_EQ(ExportUtf8(u"\u00e9\u20ac\U0001F600"), "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    const std::u16string unpaired{u'a', char16_t(0xD800), u'b', char16_t(0xDC00),
                                  u'c', char16_t(0xDBFF)};
    EXPECT_EQ(ExportUtf8(unpaired), "abc");
    EXPECT_EQ(HTMLText(unpaired), "abc");

    ExportTree t;
    t.Set(NoColumn, u"\u00e9", unpaired, u"\U0001F600");
    EXPECT_EQ(ContentToCSV(t.tree, tstAll, u',', t.cellText),
              "\xC3\xA9\r\n,abc\r\n\xF0\x9F\x98\x80\r\n");
    // Windows-1252 text keeps what the code page has.
    EXPECT_EQ(ContentToText(t.tree, tstAll, u'\t', t.cellText).substr(0, 3), "\xE9\r\n");
}

TEST(VirtualTreeExport, ColumnCaptionsAreUnicode) {
    ExportTree t;
    t.AddColumns();
    t.tree.Header().Columns()[1].SetText("\xD0\x96");  // "Ж" in UTF-8
    EXPECT_EQ(ContentToUnicode(t.tree, tstAll, u'\t', t.cellText).substr(0, 9),
              u"Name\t\t\u0416\r\n");
    EXPECT_NE(ContentToRTF(t.tree, tstAll, t.cellText).find("\\u1046\\'3f\\cell\\row"),
              std::string::npos);
    EXPECT_NE(ContentToHTML(t.tree, tstAll, t.cellText).find("px\">\xD0\x96</th>"),
              std::string::npos);
}

TEST(VirtualTreeExport, HtmlEnvelopeByteForByte) {
    EXPECT_EQ(HTMLClipboardEnvelope("<b>x</b>"),
              "Version:1.0\r\n"
              "StartHTML:00000097\r\n"
              "EndHTML:00000309\r\n"
              "StartFragment:00000269\r\n"
              "EndFragment:00000277\r\n"
              "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">"
              "<html><head><META http-equiv=Content-Type content=\"text/html; charset=utf-8\">"
              "</head><body><!--StartFragment--><b>x</b><!--EndFragment--></body></html>");
    const std::string empty = HTMLClipboardEnvelope("");
    EXPECT_NE(empty.find("StartFragment:00000269\r\nEndFragment:00000269\r\n"), empty.npos);
    EXPECT_EQ(empty.size(), 269u + 32u);
    EXPECT_EQ(empty.substr(269), "<!--EndFragment--></body></html>");
}

TEST(VirtualTreeExport, HtmlColourStyleAndEscaping) {
    EXPECT_EQ(ColorToHTML(TColor(0x00332211)), "#112233");
    EXPECT_EQ(ColorToHTML(clWindow), "#FFFFFF");
    TFont font;
    font.SetName("Arial");
    font.SetSize(10);
    font.SetStyle(fsBold | fsItalic | fsUnderline);
    font.SetColor(TColor(0x0000FF));
    EXPECT_EQ(StyleToHTML("default", font),
              ".default{font: underline italic bold 10pt Arial;color:#FF0000;}");
    font.SetStyle(0);
    EXPECT_EQ(StyleToHTML("", font), " style=\"{font: 10pt Arial;color:#FF0000;}\"");
    EXPECT_EQ(HTMLText(u"a<b>&\"c\" 'd'"), "a&lt;b&gt;&amp;&quot;c&quot; 'd'");

    ExportTree t;
    t.AddColumns();
    t.tree.Header().Columns()[1].SetText("<Url>");
    t.Set(1, u"<script>x&y</script>", u"\"q\"", u"\u00e9");
    const std::string html = ContentToHTML(t.tree, tstAll, t.cellText, "Cap\"tion<");
    EXPECT_EQ(html.find("<script>"), html.npos);
    EXPECT_NE(html.find(">&lt;script&gt;x&amp;y&lt;/script&gt;</td>"), html.npos);
    EXPECT_NE(html.find(">&quot;q&quot;</td>"), html.npos);
    EXPECT_NE(html.find(">\xC3\xA9</td>"), html.npos);
    EXPECT_NE(html.find(">&lt;Url&gt;</th>"), html.npos);
    EXPECT_NE(html.find(" caption=\"Cap&quot;tion&lt;\""), html.npos);
    EXPECT_EQ(html.rfind("</table>"), html.size() - 8);
}

TEST(VirtualTreeExport, HtmlStructure) {
    ExportTree t;
    t.AddColumns();
    TVirtualTreeColumn& url = t.tree.Header().Columns()[1];
    url.SetAlignment(taRightJustify);
    const std::string html = ContentToHTML(t.tree, tstAll, t.cellText);
    EXPECT_EQ(html.rfind("<style type=\"text/css\">\r\n.default{font: 8pt MS Sans Serif;", 0), 0u);
    EXPECT_NE(html.find(".noborder{border-style:none;padding-left:4px;padding-right:4px;}\r\n"),
              html.npos);
    EXPECT_NE(html.find(".normalborder {border-top:none; border-left:none; border-right:none;"
                        "border-bottom:none;padding-left:4px;padding-right:4px;}</style>\r\n"),
              html.npos);
    EXPECT_NE(html.find(" border=\"1\" frame=box cellspacing=\"0\" cellpadding=4>\r\n"
                        "<tr class=\"header\" style=\""),
              html.npos);
    // The main column spans the level columns; the child's row starts with one filler cell.
    EXPECT_NE(html.find(" align=left colspan=\"2\" bgcolor=#F0F0F0 width=\"100px\">Name</th>"),
              html.npos);
    EXPECT_NE(html.find(" align=right bgcolor=#F0F0F0 width=\"100px\">Url</th></tr>"), html.npos);
    EXPECT_NE(html.find(" <tr class=\"default\"><td class=\"noborder\" width=\"18\" "
                        "height=\"18\">&nbsp;</td> <td class=\"normalborder\"  height=\"18px\" "
                        "align=left>A1</td> <td class=\"normalborder\"  height=\"18px\" "
                        "align=right>a1</td> </tr>"),
              html.npos);
    EXPECT_NE(html.find(" <tr class=\"default\"> <td class=\"normalborder\"  height=\"18px\" "
                        "align=left colspan=\"2\">B</td>"),
              html.npos);
}

TEST(VirtualTreeExport, RtfExactWithoutColumns) {
    ExportTree t;
    EXPECT_EQ(ContentToRTF(t.tree, tstAll, t.cellText),
              "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1043{\\fonttbl{\\f0 MS Sans Serif;}}"
              "{\\colortbl;\\red0\\green0\\blue0;}"
              "\\uc1\\trowd\\trgaph70\\cellx4500"
              "\\pard\\intbl\\f0\\cf1\\fs16 \\u65\\'3f\\cell\\row"
              "\\pard\\intbl\\tab  \\u65\\'3f\\u49\\'3f\\cell\\row"
              "\\pard\\intbl \\u66\\'3f\\cell\\row"
              "\\pard\\par}");
    // Twips follow the resolution.
    EXPECT_NE(ContentToRTF(t.tree, tstAll, t.cellText, 120).find("\\cellx3600\\pard"),
              std::string::npos);
}

TEST(VirtualTreeExport, RtfColumnsFontsAndEscapes) {
    ExportTree t;
    t.AddColumns();
    t.tree.Header().Columns()[1].SetAlignment(taCenter);
    t.tree.Header().Font().SetName("Head{er}\\");
    t.tree.Header().Font().SetStyle(fsBold);
    t.tree.Header().Font().SetColor(TColor(0x0000FF));
    t.Set(1, u"\u20ac\\{}", std::u16string{char16_t(0x8000), char16_t(0xFFFF)}, u"");
    const std::string rtf = ContentToRTF(t.tree, tstAll, t.cellText);
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1043{\\fonttbl"
                        "{\\f0 Head\\{er\\}\\\\;}{\\f1 MS Sans Serif;}}"
                        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue0;}"
                        "\\uc1\\trowd\\trgaph70\\cellx1500\\cellx3000"
                        "\\pard\\intbl\\b\\f0\\cf1\\fs16 \\u78\\'3f\\u97\\'3f\\u109\\'3f\\u101\\'3f"
                        "\\b0\\cell\\pard\\intbl\\qc\\b \\u85\\'3f\\u114\\'3f\\u108\\'3f\\b0\\cell"
                        "\\row\\pard\\intbl\\f1\\cf2 \\u65\\'3f\\cell",
                        0),
              0u);
    EXPECT_NE(rtf.find("\\pard\\intbl\\qc \\u8364\\'3f\\u92\\'3f\\u123\\'3f\\u125\\'3f\\cell"),
              rtf.npos);
    EXPECT_NE(rtf.find("\\u-32768\\'3f\\u-1\\'3f\\cell"), rtf.npos);
    // An empty text writes nothing between the row's control words.
    EXPECT_NE(rtf.find("\\pard\\intbl\\qc\\cell\\row\\pard\\par}"), rtf.npos);
}

TEST(VirtualTreeExport, LongCellsAndGeometricGrowth) {
    ExportTree t;
    const std::u16string longText(10000, u'x');
    t.Set(NoColumn, longText, u"\"" + longText + u"\"", u"");
    const std::string text = ContentToText(t.tree, tstAll, u'\t', t.cellText);
    EXPECT_EQ(text.size(), 10000u + 2 + 1 + 10002 + 2 + 2);
    EXPECT_EQ(ContentToCSV(t.tree, tstAll, u',', t.cellText).size(),
              10000u + 2 + 1 + 10006 + 2 + 2);
    const std::string html = ContentToHTML(t.tree, tstAll, t.cellText);
    EXPECT_NE(html.find(">" + std::string(10000, 'x') + "</td>"), html.npos);
    const std::string rtf = ContentToRTF(t.tree, tstAll, t.cellText);
    size_t units = 0;
    for (size_t at = rtf.find("\\u120\\'3f"); at != rtf.npos; at = rtf.find("\\u120\\'3f", at + 1))
        ++units;
    EXPECT_EQ(units, 20000u);

    TBufferedString builder;
    builder.Add(std::string(10000, 'y'));
    EXPECT_EQ(builder.Length(), 10000u);
    EXPECT_EQ(builder.Capacity(), 16384u);
    builder.AddNewLine();
    for (int i = 0; i < 1000; ++i) builder.Add('z');
    EXPECT_EQ(builder.Capacity(), 16384u);
    EXPECT_EQ(builder.AsString(), std::string(10000, 'y') + "\r\n" + std::string(1000, 'z'));
}
