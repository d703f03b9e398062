#include "ReportFixture.h"

namespace {

// Runs `body` inside a job with the print dialog's margins.
void RunJob(TPrintReport& r, const std::function<void(TBaseReport&)>& body) {
    r.SetMarginTop(0.5);
    r.SetMarginLeft(0.3);
    r.SetMarginRight(0.3);
    r.SetMarginBottom(0.5);
    r.OnPrint = body;
    r.Execute();
}

}  // namespace

using Text = ReportTest;

TEST_F(Text, LineHeightsByMethod) {
    TPrintReport r;
    std::vector<double> h;
    RunJob(r, [&](TBaseReport& b) {
        h.push_back(b.LineHeight());
        b.SetLinesPerInch(8);
        h.push_back(b.LineHeight());
        b.SetLineHeightMethod(lhmFont);
        h.push_back(b.LineHeight());
        b.SetFont("Courier New", 12);
        h.push_back(b.LineHeight());
        b.SetLineHeightMethod(lhmUser);
        b.SetLineHeight(0.3);
        b.SetLineHeight(0);
        b.SetFontSize(20);
        h.push_back(b.LineHeight());
    });
    ASSERT_EQ(h.size(), 5u);
    EXPECT_DOUBLE_EQ(h[0], 1.0 / 6);
    EXPECT_DOUBLE_EQ(h[1], 0.125);
    EXPECT_DOUBLE_EQ(h[2], 1.0 / 6);
    EXPECT_DOUBLE_EQ(h[3], 0.2);
    EXPECT_DOUBLE_EQ(h[4], 0.3);
}

TEST_F(Text, LinesLeftCountsTheCurrentLineAndSixtyFitALetterPageAtEveryResolution) {
    for (int dpi : {600, 300, 1200, 96}) {
        dev->SetDpi(dpi);
        TPrintReport r;
        std::vector<int> left;
        RunJob(r, [&](TBaseReport& b) {
            b.SetLineHeightMethod(lhmFont);
            b.SetFont("Courier New", 10);
            b.Home();
            left.push_back(b.LinesLeft());
            for (int i = 0; i < 58; ++i) b.NewLine();
            left.push_back(b.LinesLeft());
            b.NewLine();  // the last line ends exactly at the section bottom
            left.push_back(b.LinesLeft());
            b.NewLine();
            left.push_back(b.LinesLeft());
        });
        EXPECT_EQ(left, (std::vector<int>{60, 2, 1, 0})) << dpi;
    }
}

TEST_F(Text, DeviceCoordinatesAndBaselinePlacement) {
    TPrintReport r;
    RunJob(r, [&](TBaseReport& b) {
        EXPECT_EQ(b.XD(1.0), 600);
        EXPECT_EQ(b.YD(0.5), 300);
        b.Print("Hi");
        EXPECT_NEAR(b.XPos(), 0.3 + 100.0 / 600, 1e-12);
        b.SetTextVPos(1);
        b.PrintLeft("T", 1.0);
        b.SetTextVPos(2);
        b.PrintLeft("B", 1.0);
        b.SetTextVPos(0);
        b.SetScaleX(50);
        EXPECT_EQ(b.XD(1.0), 300);
    });
    // 10 points at 600 dpi: 83 pixels, 66 above the baseline and 17 below. Line 1 ends a sixth
    // of an inch under the top margin; its baseline is 17 pixels higher, drawn one pixel below.
    auto texts = dev->Calls("Text");
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "Text 180,384 base [Hi] Arial -83");
    EXPECT_EQ(texts[1], "Text 600,317 top [T] Arial -83");
    EXPECT_EQ(texts[2], "Text 600,401 bottom [B] Arial -83");
}

TEST_F(Text, SetFontGivesPixelHeightsAndResetsTheFont) {
    TPrintReport r;
    RunJob(r, [&](TBaseReport& b) {
        b.SetBold(true);
        b.SetFontColor(clRed);
        b.SetFont("Courier New", 12);
        b.Print("a");
        b.SetFont("Courier New", 7.5);
        b.Print("b");
        b.SetFont("Courier New", 0);  // ignored
        b.SetFont("Courier New", -3);
        b.SetScaleY(50);
        b.SetFont("Courier New", 10);
        b.Print("c");
        b.SetScaleY(100);
        b.SetFontHeight(1.0 / 600);
        b.Print("d");
        b.SetFontRotation(-90);
        EXPECT_EQ(b.BaseFont().Rotation, 270);
        b.SetFontRotation(450);
        EXPECT_EQ(b.BaseFont().Rotation, 90);
        b.SetSubscript(true);
        b.SetSuperscript(true);
        EXPECT_FALSE(b.BaseFont().Subscript);
    });
    auto texts = dev->Calls("Text");
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_NE(texts[0].find("[a] Courier New -100"), std::string::npos) << texts[0];
    EXPECT_EQ(texts[0].find("c255"), std::string::npos);
    EXPECT_NE(texts[1].find("[b] Courier New -63"), std::string::npos) << texts[1];
    EXPECT_NE(texts[2].find("[c] Courier New -42"), std::string::npos) << texts[2];
    EXPECT_NE(texts[3].find("[d] Courier New -1"), std::string::npos) << texts[3];
}

TEST_F(Text, PenWidthsInPixelsAndInches) {
    TPrintReport r;
    std::vector<int> widths;
    RunJob(r, [&](TBaseReport& b) {
        for (int w : {5, 0, -50, -10001, -10600}) {
            b.SetPen(clBlack, TPenStyle::psSolid, TPenMode::pmCopy, w);
            widths.push_back(b.Canvas().Pen().Width());
        }
    });
    EXPECT_EQ(widths, (std::vector<int>{5, 1, 300, 1, 36}));
    dev->SetDpi(300);
    TPrintReport r300;
    RunJob(r300, [&](TBaseReport& b) { EXPECT_EQ(b.PenPixels(-50), 150); });
}

TEST_F(Text, TextWidthInReportUnits) {
    TPrintReport r;
    RunJob(r, [&](TBaseReport& b) {
        EXPECT_DOUBLE_EQ(b.TextWidth("abc"), 0.25);
        EXPECT_DOUBLE_EQ(b.TextWidth(""), 1.0 / 600);
        b.SetUnits(unPoint);
        EXPECT_DOUBLE_EQ(b.TextWidth("abc"), 18);
        b.SetUnits(unInch);
        b.SetScaleX(200);
        EXPECT_DOUBLE_EQ(b.TextWidth("abc"), 0.5);
        b.SetScaleX(100);
        EXPECT_DOUBLE_EQ(b.TextWidth("\x01"
                                     "B1\x04"
                                     "abc"),
                         0.25);
    });
}

TEST_F(Text, PrintSplitsAtTabs) {
    TPrintReport r;
    RunJob(r, [&](TBaseReport& b) {
        b.Print("ab\tcd");  // no stops: the next half inch from the section's left
        EXPECT_NEAR(b.XPos(), 0.8 + 100.0 / 600, 1e-12);
        b.Print("x\t");
        EXPECT_NEAR(b.XPos(), 1.3, 1e-12);
        b.NewLine();
        b.SetTab(1.0, pjRight, 1.0, 0.1, 0, 0);
        b.SetTab(2.5, pjCenter, 1.0, 0, 0, 0);
        b.SetTab(4.0, pjLeft, 1.0, 0.1, 0, 0);
        b.Print("\tR\tC\tL\tgone");
    });
    auto texts = dev->Calls("Text");
    ASSERT_EQ(texts.size(), 7u);
    EXPECT_EQ(texts[1].substr(0, 13), "Text 480,384 ");
    EXPECT_EQ(texts[3].substr(0, 14), "Text 1090,484 ");  // right: ends at 1.9 inches
    EXPECT_EQ(texts[4].substr(0, 14), "Text 1775,484 ");  // centred on 3 inches
    EXPECT_EQ(texts[5].substr(0, 14), "Text 2460,484 ");  // left after its margin
    // Past the last stop no tab is active: the text follows the cursor.
    EXPECT_NE(texts[6].find("[gone]"), std::string::npos);
}

TEST_F(Text, TabCellsShadeAndBox) {
    TPrintReport r;
    RunJob(r, [&](TBaseReport& b) {
        b.SetTab(1.0, pjLeft, 1.0, 0, 0xF, 50);
        b.Print("\tx");
    });
    auto rects = dev->Calls("Rectangle");
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_NE(rects[0].find("brush c8355711"), std::string::npos) << rects[0];  // black at 50 %
    // The four sides are collected and drawn at the page end, after the text.
    auto lines = dev->Calls("Line");
    EXPECT_EQ(lines.size(), 4u);
    EXPECT_LT(std::find(dev->Log.begin(), dev->Log.end(), dev->Calls("Text")[0]) - dev->Log.begin(),
              std::find(dev->Log.begin(), dev->Log.end(), lines[0]) - dev->Log.begin());
}

TEST_F(Text, FontSlotsAndStacks) {
    TPrintReport r;
    RunJob(r, [&](TBaseReport& b) {
        EXPECT_FALSE(b.SaveFont(0));
        EXPECT_FALSE(b.SaveFont(11));
        b.SetFont("Courier New", 9);
        EXPECT_TRUE(b.SaveFont(3));
        b.SetFont("Arial", 14);
        EXPECT_TRUE(b.RestoreFont(3));
        EXPECT_EQ(b.BaseFont().Name, "Courier New");
        EXPECT_EQ(b.BaseFont().Size, 9);
        EXPECT_TRUE(b.RestoreFont(1));  // the default font
        EXPECT_EQ(b.BaseFont().Name, "Arial");
        b.PushFont();
        b.SetBold(true);
        EXPECT_TRUE(b.PopFont());
        EXPECT_FALSE(b.BaseFont().Bold);
        EXPECT_FALSE(b.PopFont());
        b.SetXPos(2);
        b.PushPos();
        b.SetXPos(3);
        EXPECT_TRUE(b.PopPos());
        EXPECT_EQ(b.XPos(), 2);
        EXPECT_FALSE(b.PopPos());
    });
}

TEST_F(Text, ColumnsAndEndOfSection) {
    TPrintReport r;
    int columns = 0, ends = 0;
    r.OnNewColumn = [&](TBaseReport&) { ++columns; };
    r.OnEndOfSection = [&](TBaseReport&) { ++ends; };
    RunJob(r, [&](TBaseReport& b) {
        b.SetLineHeightMethod(lhmFont);
        b.SetColumns(2, 0.2);
        for (int i = 0; i < 59; ++i) b.NewLine();
        EXPECT_EQ(b.CurrentColumn(), 1);
        b.NewLine();  // one line left: on to column 2
        EXPECT_EQ(b.CurrentColumn(), 2);
        EXPECT_EQ(b.LineNum(), 1);
        EXPECT_DOUBLE_EQ(b.XPos(), 0.3 + 3.85 + 0.2);
        EXPECT_EQ(ends, 1);  // the first column reached the section bottom too
        for (int i = 0; i < 59; ++i) b.NewLine();
        EXPECT_EQ(ends, 2);
    });
    EXPECT_EQ(columns, 1);
}

TEST_F(Text, FontSettersReachTheCanvasFont) {
    TPrintReport r;
    RunJob(r, [&](TBaseReport& b) {
        b.SetFontName("Courier New");
        b.SetUnderline(true);
        b.SetStrikeout(true);
        b.SetFontPitch(TFontPitch::fpFixed);
        b.SetFontCharset(238);
        b.Print("a");
        b.SelectFont();
        EXPECT_EQ(b.Canvas().Font().Pitch(), TFontPitch::fpFixed);
        EXPECT_EQ(b.Canvas().Font().Charset(), 238);
        b.SetUnderline(false);
        b.Print("b");
    });
    auto texts = dev->Calls("Text");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find("[a] Courier New -83 UK"), std::string::npos) << texts[0];
    EXPECT_NE(texts[1].find("[b] Courier New -83 K"), std::string::npos) << texts[1];
}

TEST_F(Text, CursorLineTopAndTabPrint) {
    TPrintReport r;
    RunJob(r, [&](TBaseReport& b) {
        b.SetLineTop(2.0);
        EXPECT_NEAR(b.LineBottom(), 2.0 + b.LineHeight(), 1e-12);
        b.SetYPos(3.0);
        b.SetTab(1.0, pjLeft, 0.5, 0, 0, 0);  // 300 pixels: six bytes of 50
        b.SetTab(2.0, pjLeft, 0.5, 0, 0, 0);
        b.TabPrint("abcdefgh");
        EXPECT_TRUE(dev->Calls("Rectangle").empty()) << "no shade anywhere";
        b.SetTabShade(150);
        EXPECT_EQ(b.TabShade(), 100);
        b.SetTabShade(-5);
        EXPECT_EQ(b.TabShade(), 0);
        b.SetTabShade(40);  // a stop without a shade of its own takes the report's
        b.TabPrint("x");
    });
    auto texts = dev->Calls("Text");
    ASSERT_EQ(texts.size(), 2u);
    // The baseline is drawn one pixel below its place, as for all text.
    EXPECT_EQ(texts[0].substr(0, 28), "Text 600,1801 base [abcdef] ") << texts[0];
    EXPECT_EQ(texts[1].substr(0, 24), "Text 1200,1801 base [x] ") << texts[1];
    EXPECT_EQ(dev->Calls("Rectangle").size(), 1u);
}
