// The canvas over an image: fills, frames, lines, text, clipping, bitmaps, image lists, colours.
#include <gtest/gtest.h>

#include "QtTestApplication.h"

#include <QCoreApplication>

#include <fstream>

#include "platform/Canvas.h"
#include "platform/ImageList.h"
#include "platform/qt/Application.h"
#include "platform/qt/QtColors.h"

namespace {

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override {
        NeedApplication();
        bitmap.SetSize(40, 30);
    }
    TCanvas& C() { return bitmap.Canvas(); }
    TBitmap bitmap;
};

}  // namespace

TEST_F(CanvasTest, FillAndFrameCoverExactlyTheirRectangle) {
    EXPECT_EQ(bitmap.Pixel(0, 0), clWhite);
    C().Brush().SetColor(clRed);
    C().FillRect({2, 3, 6, 8});
    EXPECT_EQ(bitmap.Pixel(2, 3), clRed);
    EXPECT_EQ(bitmap.Pixel(5, 7), clRed);
    EXPECT_EQ(bitmap.Pixel(6, 7), clWhite) << "right edge is exclusive";
    EXPECT_EQ(bitmap.Pixel(5, 8), clWhite) << "bottom edge is exclusive";
    C().Brush().SetColor(clBlue);
    C().FrameRect({10, 10, 15, 14});
    EXPECT_EQ(bitmap.Pixel(10, 10), clBlue);
    EXPECT_EQ(bitmap.Pixel(14, 13), clBlue);
    EXPECT_EQ(bitmap.Pixel(12, 12), clWhite);
    C().Brush().SetStyle(TBrushStyle::bsClear);
    C().FillRect({0, 0, 40, 30});
    EXPECT_EQ(bitmap.Pixel(0, 0), clWhite) << "a clear brush fills nothing";
}

TEST_F(CanvasTest, RectangleOutlinesInsideAndLinesLeaveTheirEndPoint) {
    C().Pen().SetColor(clBlack);
    C().Brush().SetColor(clLime);
    C().Rectangle(0, 0, 10, 10);
    EXPECT_EQ(bitmap.Pixel(0, 0), clBlack);
    EXPECT_EQ(bitmap.Pixel(9, 9), clBlack);
    EXPECT_EQ(bitmap.Pixel(5, 5), clLime);
    EXPECT_EQ(bitmap.Pixel(10, 10), clWhite);
    C().Pen().SetColor(clRed);
    C().MoveTo(12, 20);
    C().LineTo(20, 20);
    EXPECT_EQ(bitmap.Pixel(12, 20), clRed);
    EXPECT_EQ(bitmap.Pixel(19, 20), clRed);
    EXPECT_EQ(bitmap.Pixel(20, 20), clWhite);
    EXPECT_EQ(C().PenPos(), (TPoint{20, 20}));
    C().Polyline({{30, 0}, {30, 5}, {35, 5}});
    EXPECT_EQ(bitmap.Pixel(30, 2), clRed);
    EXPECT_EQ(bitmap.Pixel(33, 5), clRed);
    C().Pen().SetStyle(TPenStyle::psClear);
    C().MoveTo(0, 25);
    C().LineTo(10, 25);
    EXPECT_EQ(bitmap.Pixel(3, 25), clWhite);
}

TEST_F(CanvasTest, ClippingAndSavedStates) {
    C().Brush().SetColor(clRed);
    C().SaveState();
    C().SetClipRect({5, 5, 10, 10});
    C().FillRect({0, 0, 40, 30});
    EXPECT_EQ(bitmap.Pixel(5, 5), clRed);
    EXPECT_EQ(bitmap.Pixel(4, 5), clWhite);
    C().IntersectClipRect({7, 0, 40, 30});
    C().Brush().SetColor(clBlue);
    C().FillRect({0, 0, 40, 30});
    EXPECT_EQ(bitmap.Pixel(7, 7), clBlue);
    EXPECT_EQ(bitmap.Pixel(6, 7), clRed);
    C().RestoreState();
    C().Brush().SetColor(clGreen);
    C().FillRect({0, 0, 1, 1});
    EXPECT_EQ(bitmap.Pixel(0, 0), clGreen);
}

TEST_F(CanvasTest, FocusRectangleRemovesItselfWhenDrawnTwice) {
    C().Brush().SetColor(clNavy);
    C().FillRect({0, 0, 40, 30});
    C().DrawFocusRect({2, 2, 20, 12});
    int changed = 0;
    for (int x = 2; x < 20; ++x) changed += bitmap.Pixel(x, 2) != clNavy;
    EXPECT_GE(changed, 8);
    EXPECT_LE(changed, 10) << "dotted: every other pixel";
    C().DrawFocusRect({2, 2, 20, 12});
    for (int x = 0; x < 40; ++x)
        for (int y = 0; y < 30; ++y) ASSERT_EQ(bitmap.Pixel(x, y), clNavy);
}

TEST_F(CanvasTest, TextMetricsAgreeAndTextIsClipped) {
    C().Font().SetHeight(-12);
    TTextMetric tm = C().TextMetrics();
    EXPECT_GT(tm.Height, 0);
    EXPECT_EQ(tm.Height, tm.Ascent + tm.Descent);
    EXPECT_EQ(C().TextHeight("Xg"), tm.Height);
    EXPECT_GT(C().TextWidth("WWWW"), C().TextWidth("W"));
    EXPECT_EQ(C().TextWidth(""), 0);
    EXPECT_GT(C().TextWidth("\xE9t\xE9"), 0) << "Windows-1252 bytes measure as their letters";
    TBitmap big(200, 40);
    TCanvas& c = big.Canvas();
    c.Font().SetHeight(-20);
    c.Font().SetColor(clBlack);
    c.Brush().SetColor(clYellow);
    c.TextRect({10, 5, 30, 35}, 12, 8, "MMMMMMMMMMMM");
    EXPECT_EQ(big.Pixel(10, 5), clYellow) << "an opaque text rectangle is filled";
    for (int y = 0; y < 40; ++y)
        for (int x = 30; x < 200; ++x) ASSERT_EQ(big.Pixel(x, y), clWhite) << x << "," << y;
    int dark = 0;
    for (int y = 5; y < 35; ++y)
        for (int x = 10; x < 30; ++x) dark += big.Pixel(x, y) != clYellow;
    EXPECT_GT(dark, 0) << "some glyph pixels were drawn";
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.SetTextAlign(TA_BASELINE);
    c.TextOut(100, 20, "A");
    EXPECT_EQ(big.Pixel(100, 25), clWhite) << "below the baseline an A leaves nothing";
}

TEST_F(CanvasTest, ARunLongerThanQtCanPlaceDrawsAsItsStartDoes) {
    // 500,000 characters of a 100-pixel font run past 2^25 pixels, where Qt's glyph positions
    // wrap around and pile up over the start as a black bar.
    std::string run;
    while (run.size() < 500000) run += "WWW ";
    TBitmap drawn(300, 120), expected(300, 120);
    for (TBitmap* b : {&drawn, &expected}) {
        b->Canvas().Font().SetHeight(-100);
        b->Canvas().Font().SetColor(clBlack);
        b->Canvas().Brush().SetStyle(TBrushStyle::bsClear);
    }
    drawn.Canvas().TextOut(-50, 0, run);
    expected.Canvas().TextOut(-50, 0, run.substr(0, 12));
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 300; ++x)
            ASSERT_EQ(drawn.Pixel(x, y), expected.Pixel(x, y)) << x << "," << y;
    const int64_t piece = drawn.Canvas().TextWidth("WWW ");
    const int64_t width = drawn.Canvas().TextWidth(run);
    EXPECT_GT(width, int64_t(1) << 25) << "measured past Qt's limit, not wrapped round";
    EXPECT_NEAR(double(width), double(piece) * double(run.size() / 4), double(width) / 100);
}

TEST_F(CanvasTest, BitmapsCopyDrawAndReadImages) {
    C().Brush().SetColor(clRed);
    C().FillRect({0, 0, 5, 5});
    TBitmap copy = bitmap;
    EXPECT_EQ(copy.Pixel(1, 1), clRed);
    C().Brush().SetColor(clBlue);
    C().FillRect({0, 0, 5, 5});
    EXPECT_EQ(copy.Pixel(1, 1), clRed) << "a copy is independent";
    TBitmap target(20, 20);
    target.Canvas().Draw(10, 10, copy);
    EXPECT_EQ(target.Pixel(10, 10), clRed);
    EXPECT_EQ(target.Pixel(9, 9), clWhite);
    const unsigned char junk[] = {0x89, 'P', 'N', 'G', 0, 1, 2, 3};
    EXPECT_FALSE(target.LoadFromData(junk, sizeof junk));
    EXPECT_FALSE(target.LoadFromData(nullptr, 0));
    EXPECT_EQ(target.Width(), 20);
    TBitmap empty;
    EXPECT_TRUE(empty.Empty());
    empty.Canvas().FillRect({0, 0, 10, 10});
    EXPECT_EQ(empty.Pixel(0, 0), clNone);
}

TEST_F(CanvasTest, SystemColoursResolveThroughThePalette) {
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    TColor window = ColorToRGB(clWindow);
    EXPECT_FALSE(IsSystemColor(window));
    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(1, 2, 3));
    EXPECT_EQ(FromQColor(ToQColor(clHighlight, &palette)), RGBColor(1, 2, 3));
    EXPECT_EQ(ToQColor(clNone).alpha(), 0);
    EXPECT_EQ(ToQColor(RGBColor(10, 20, 30)), QColor(10, 20, 30));
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
    EXPECT_TRUE(SystemColorRole(clBtnShadow, group, role));
    EXPECT_EQ(role, QPalette::Dark);
    EXPECT_FALSE(SystemColorRole(clRed, group, role));
    EXPECT_FALSE(SystemColorRole(TColor(0x800000FF), group, role)) << "no such system colour";
}

TEST_F(CanvasTest, ImageListCutsStripsAndTellsItsLinks) {
    TCustomImageList images(nullptr, 8, 8);
    TChangeLink link;
    int changes = 0, removals = 0;
    link.OnChange = [&](TChangeLink*) { ++changes; };
    link.OnRemove = [&](TChangeLink*) { ++removals; };
    link.SetSender(&images);
    TBitmap strip(24, 8);
    strip.Canvas().Brush().SetColor(clFuchsia);
    strip.Canvas().FillRect({0, 0, 24, 8});
    strip.Canvas().Brush().SetColor(clRed);
    strip.Canvas().FillRect({8, 0, 16, 8});
    EXPECT_EQ(images.Add(strip, clFuchsia), 0);
    EXPECT_EQ(images.Count(), 3);
    EXPECT_EQ(changes, 1);
    TBitmap out;
    images.GetBitmap(1, out, clWhite);
    EXPECT_EQ(out.Pixel(3, 3), clRed);
    images.GetBitmap(0, out, clWhite);
    EXPECT_EQ(out.Pixel(3, 3), clWhite) << "the transparent colour shows the background";
    TBitmap target(16, 16);
    images.Draw(target.Canvas(), 4, 4, 1, false);
    EXPECT_NE(target.Pixel(5, 5), clRed) << "disabled images are greyed";
    images.Draw(target.Canvas(), 0, 0, 7);
    images.BeginUpdate();
    images.Delete(0);
    images.Delete(0);
    EXPECT_EQ(changes, 1);
    images.EndUpdate();
    EXPECT_EQ(changes, 2) << "one notice for the batch";
    EXPECT_EQ(images.AddFromData("nope", 4), -1);
    {
        TCustomImageList temporary(nullptr, 8, 8);
        link.SetSender(&temporary);
        EXPECT_EQ(link.Sender(), &temporary);
    }
    EXPECT_EQ(removals, 1);
    EXPECT_EQ(link.Sender(), nullptr);
}

TEST_F(CanvasTest, ClipAndSavedStatesSurviveReadingTheImage) {
    // Reading pixels or drawing the bitmap elsewhere ends the painter behind the canvas.
    C().Brush().SetColor(clRed);
    C().SaveState();
    C().SetOrigin(2, 3);
    C().SetClipRect({5, 5, 10, 10});
    EXPECT_EQ(bitmap.Pixel(0, 0), clWhite);
    C().FillRect({0, 0, 40, 30});
    EXPECT_EQ(bitmap.Pixel(7, 8), clRed);
    EXPECT_EQ(bitmap.Pixel(11, 12), clRed);
    EXPECT_EQ(bitmap.Pixel(12, 12), clWhite) << "the clip holds after the image was read";
    TBitmap other(40, 30);
    other.Canvas().Draw(0, 0, bitmap);
    C().IntersectClipRect({7, 0, 40, 30});
    C().Brush().SetColor(clBlue);
    C().FillRect({0, 0, 40, 30});
    EXPECT_EQ(bitmap.Pixel(9, 8), clBlue);
    EXPECT_EQ(bitmap.Pixel(8, 8), clRed);
    EXPECT_EQ(bitmap.Pixel(20, 20), clWhite);
    C().RestoreState();
    EXPECT_EQ(C().Origin(), (TPoint{0, 0})) << "the origin comes back with the state";
    C().Brush().SetColor(clGreen);
    C().FillRect({0, 0, 1, 1});
    C().FillRect({30, 25, 31, 26});
    EXPECT_EQ(bitmap.Pixel(0, 0), clGreen);
    EXPECT_EQ(bitmap.Pixel(30, 25), clGreen);
    C().RestoreState();  // unbalanced: nothing to restore, nothing breaks
    C().SetClipRect({0, 0, 2, 2});
    bitmap.SetSize(50, 40);
    C().FillRect({0, 0, 50, 40});
    EXPECT_EQ(bitmap.Pixel(45, 35), clGreen) << "a new image starts without the old clip";
}

// The images that the headless backend's tests decode read the same here: they are ordinary
// PNG and BMP files, and both backends agree on them.
TEST_F(CanvasTest, TheSharedTestImagesReadAsTheirGeneratorWroteThem) {
    for (const char* file : {"filters.png", "palette4.png", "rgb24.bmp", "palette8.bmp"}) {
        SCOPED_TRACE(file);
        std::ifstream in(std::string(LORVANE_TEST_DATA) + "/platform/" + file, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        TBitmap b;
        ASSERT_TRUE(b.LoadFromData(bytes.data(), bytes.size()));
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x)
                ASSERT_EQ(b.Pixel(x, y), RGBColor(40 * x + y, 50 * y, 255 - 30 * x))
                    << x << "," << y;
    }
}
