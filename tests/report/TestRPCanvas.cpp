#include <algorithm>

#include "ReportFixture.h"
#include "platform/Streams.h"
#include "platform/SysUtils.h"

namespace {

void RunJob(TPrintReport& r, const std::function<void(TCanvasReport&)>& body) {
    r.OnPrint = [&](TBaseReport& b) { body(static_cast<TCanvasReport&>(b)); };
    r.Execute();
}

}  // namespace

using Canvas = ReportTest;

TEST_F(Canvas, AlignmentsPlaceTextAndCursor) {
    TPrintReport r;
    RunJob(r, [](TCanvasReport& b) {
        b.PrintLeft("abc", 1.0);
        EXPECT_DOUBLE_EQ(b.XPos(), 1.25);
        b.PrintRight("abc", 2.0);
        EXPECT_DOUBLE_EQ(b.XPos(), 2.0);
        b.PrintCenter("abcd", 2.0);
        EXPECT_NEAR(b.XPos(), 2.0 + 100.0 / 600, 1e-12);
        b.PrintLeft("", 3.0);
        EXPECT_DOUBLE_EQ(b.XPos(), 3.0);
    });
    auto t = dev->Calls("Text");
    ASSERT_EQ(t.size(), 3u);  // empty text draws nothing
    EXPECT_EQ(t[0].substr(0, 9), "Text 600,");
    EXPECT_EQ(t[1].substr(0, 10), "Text 1050,");  // ends exactly at 2 inches
    EXPECT_EQ(t[2].substr(0, 10), "Text 1100,");
}

TEST_F(Canvas, TheCursorMovesOnByTheTextsWidthAtTheHorizontalScale) {
    TPrintReport r;
    RunJob(r, [](TCanvasReport& b) {
        b.SetScaleX(200);
        b.PrintLeft("abc", 1.0);
        EXPECT_DOUBLE_EQ(b.XPos(), 1.125);
        b.PrintLeft("d", b.XPos());
    });
    auto t = dev->Calls("Text");
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].substr(0, 10), "Text 1200,");
    EXPECT_EQ(t[1].substr(0, 10), "Text 1350,");  // where the first one ends
}

TEST_F(Canvas, BrushCopyAndCopyRectStretchAPartOfABitmap) {
    TBitmap picture(4, 2);
    picture.Canvas().Brush().SetColor(clWhite);
    picture.Canvas().FillRect({0, 0, 4, 2});
    picture.Canvas().SetPixel(2, 0, clRed);
    TPrintReport r;
    TColor copied = clNone, brushed = clNone, kept = clNone;
    RunJob(r, [&](TCanvasReport& b) {
        auto& canvas = static_cast<TRecordingCanvas&>(b.Canvas());
        b.CopyRect(1, 1, 2, 1.5, picture, {1, 0, 3, 2});
        copied = canvas.LastStretched.Pixel(1, 0);
        b.Canvas().Brush().SetColor(clBlue);
        b.BrushCopy(1, 1, 2, 1.5, picture, {1, 0, 3, 2}, clRed);
        brushed = canvas.LastStretched.Pixel(1, 0);
        kept = canvas.LastStretched.Pixel(0, 0);
    });
    EXPECT_EQ(dev->Calls("StretchDraw"),
              (std::vector<std::string>{"StretchDraw 600,600-1200,900 2x2",
                                        "StretchDraw 600,600-1200,900 2x2"}));
    EXPECT_EQ(copied, clRed);
    EXPECT_EQ(brushed, clBlue);
    EXPECT_EQ(kept, clWhite);
}

TEST_F(Canvas, BlockJustificationSpreadsTheGaps) {
    TPrintReport r;
    RunJob(r, [](TCanvasReport& b) {
        b.PrintBlock("a b c", 1.0, 2.0);
        EXPECT_NEAR(b.XPos(), 3.0, 1e-9);
        b.NewLine();
        b.PrintBlock("much too long for it", 1.0, 0.5);  // no room to spare: left-aligned
    });
    auto t = dev->Calls("Text");
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[0].substr(0, 9), "Text 600,");
    EXPECT_EQ(t[1].substr(0, 10), "Text 1175,");
    EXPECT_EQ(t[2].substr(0, 10), "Text 1750,");
    EXPECT_NE(t[3].find("Text 600,"), std::string::npos);
    EXPECT_NE(t[3].find("[much too long for it]"), std::string::npos);
}

TEST_F(Canvas, FormattedTextPrintsSegmentBySegment) {
    TPrintReport r;
    RunJob(r, [](TCanvasReport& b) {
        b.PrintLeft(
            "x\x01"
            "B1\x02Z14\x02"
            "C255\x04Hello",
            1.0);
        EXPECT_NEAR(b.XPos(), 1.0 + 300.0 / 600, 1e-12);
        b.PrintRight(
            "\x01"
            "B0\x04"
            "ab",
            4.0);
        EXPECT_DOUBLE_EQ(b.XPos(), 4.0);
        b.NoRPTF = true;
        b.PrintLeft(
            "\x01"
            "B1\x04",
            5.0);
    });
    auto t = dev->Calls("Text");
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[0].substr(0, 9), "Text 600,");
    EXPECT_NE(t[1].find("Text 650,"), std::string::npos);
    EXPECT_NE(t[1].find("[Hello] Arial -117 B c255"), std::string::npos) << t[1];
    EXPECT_NE(t[2].find("Text 2300,"), std::string::npos) << t[2];
    EXPECT_NE(t[2].find("[ab] Arial -117 c255"), std::string::npos) << t[2];
    EXPECT_NE(t[3].find("[\x01"
                        "B1\x04]"),
              std::string::npos);
}

TEST_F(Canvas, StraightLinesWaitForThePageEndAndMerge) {
    TPrintReport r;
    size_t linesBeforeEnd = 99;
    RunJob(r, [&](TCanvasReport& b) {
        b.MoveTo(1, 1);
        b.LineTo(2, 1);
        b.MoveTo(1.5, 1);
        b.LineTo(3, 1);  // overlaps the first: one line from 1 to 3
        b.MoveTo(0.5, 1);
        b.LineTo(1.2, 1);  // covers the low end
        b.MoveTo(1.1, 1);
        b.LineTo(2.9, 1);  // already drawn
        b.MoveTo(1, 2);
        b.LineTo(1, 3);  // vertical
        b.SetPen(clRed, TPenStyle::psSolid, TPenMode::pmCopy, 3);
        b.MoveTo(1, 1);
        b.LineTo(2, 1);  // another pen: its own line
        b.MoveTo(4, 4);
        b.LineTo(5, 5);  // slanted: drawn at once
        EXPECT_EQ(b.HorizontalLines().size(), 2u);
        b.PrintLeft("text", 1);
        linesBeforeEnd = dev->Calls("Line").size();
    });
    EXPECT_EQ(linesBeforeEnd, 1u);
    auto lines = dev->Calls("Line");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Line 2400,2400 3000,3000 pen 3 c255 s0");
    EXPECT_EQ(lines[1], "Line 300,600 1800,600 pen 1 c0 s0");
    EXPECT_EQ(lines[2], "Line 600,600 1200,600 pen 3 c255 s0");
    EXPECT_EQ(lines[3], "Line 600,1200 600,1800 pen 1 c0 s0");
    auto text = std::find(dev->Log.begin(), dev->Log.end(), dev->Calls("Text")[0]);
    EXPECT_LT(text, std::find(dev->Log.begin(), dev->Log.end(), lines[1]));
}

TEST_F(Canvas, PagesOutsideTheSelectionSkipOnlyTheOutput) {
    TPrintReport r;
    r.Selection = "2";
    double x1 = 0, x2 = 0;
    RunJob(r, [&](TCanvasReport& b) {
        b.PrintLeft("one", 1);
        x1 = b.XPos();
        b.MoveTo(1, 1);
        b.LineTo(2, 1);
        b.Rectangle(1, 1, 2, 2);
        b.Print("\t");
        b.NewPage();
        b.PrintLeft("two", 1);
        x2 = b.XPos();
    });
    EXPECT_DOUBLE_EQ(x1, 1.25);
    EXPECT_DOUBLE_EQ(x2, 1.25);
    auto t = dev->Calls("Text");
    ASSERT_EQ(t.size(), 1u);
    EXPECT_NE(t[0].find("[two]"), std::string::npos);
    EXPECT_TRUE(dev->Calls("Line").empty());
    EXPECT_TRUE(dev->Calls("Rectangle").empty());
}

TEST_F(Canvas, ShapesSitOnTheirBoundsByPenAndFrameMode) {
    TPrintReport r;
    RunJob(r, [](TCanvasReport& b) {
        b.SetPen(clBlack, TPenStyle::psClear, TPenMode::pmCopy, 10);
        b.Rectangle(2, 2, 1, 1);
        b.SetPen(clBlack, TPenStyle::psSolid, TPenMode::pmCopy, 10);
        b.Rectangle(1, 1, 2, 2);
        b.SetFrameMode(1);
        b.Rectangle(1, 1, 2, 2);
        b.Ellipse(1, 1, 2, 2);
        b.FillRect(0, 0, 0.5, 0.5);
    });
    auto rects = dev->Calls("Rectangle");
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects[0].substr(0, 29), "Rectangle 600,600-1200,1200 p");
    EXPECT_EQ(rects[1].substr(0, 29), "Rectangle 595,595-1205,1205 p");
    EXPECT_EQ(rects[2].substr(0, 29), "Rectangle 600,600-1200,1200 p");
    EXPECT_EQ(dev->Calls("Ellipse"), std::vector<std::string>{"Ellipse 600,600-1200,1200"});
    EXPECT_EQ(dev->Calls("FillRect"), std::vector<std::string>{"FillRect 0,0-300,300"});
}

TEST_F(Canvas, PassThroughStreamSendsTheRestOrACountInChunks) {
    TMemoryStream data;
    const std::string bytes(5000, 'x');
    data.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    TPrintReport r;
    RunJob(r, [&](TCanvasReport& b) {
        data.SetPosition(100);
        b.PassThroughStream(data, 0);  // the rest: 4900 bytes
        data.SetPosition(0);
        b.PassThroughStream(data, 10);
        data.SetPosition(4990);
        b.PassThroughStream(data, 50);  // only 10 are left
        b.AbortPage();
        data.SetPosition(0);
        b.PassThroughStream(data, 0);  // a page not output sends nothing
    });
    EXPECT_EQ(dev->Calls("PassThrough"),
              (std::vector<std::string>{"PassThrough 4096", "PassThrough 804", "PassThrough 10",
                                        "PassThrough 10"}));
}

TEST_F(Canvas, ImagesAreDecodedByTheHandlerAndStretchedIntoTheirRectangle) {
    TPrintReport r;
    std::string seenType;
    RunJob(r, [&](TCanvasReport& b) {
        b.PrintImageRect(1, 1, 2, 2, {1, 2, 3}, "PNG");  // no decoder: left out
        b.OnDecodeImage = [&](TBaseReport&, const std::vector<uint8_t>& data,
                              const std::string& type) -> std::shared_ptr<TBitmap> {
            seenType = type + IntToStr(int(data.size()));
            return type == "PNG" ? std::make_shared<TBitmap>(2, 2) : nullptr;
        };
        b.PrintImageRect(1, 1, 2, 1.5, {1, 2, 3}, "PNG");
        b.PrintImageRect(1, 1, 2, 2, {}, "BMP");  // undecodable: left out
    });
    EXPECT_EQ(seenType, "BMP0");
    EXPECT_EQ(dev->Calls("StretchDraw"),
              (std::vector<std::string>{"StretchDraw 600,600-1200,900 2x2"}));
}
