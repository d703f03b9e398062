// The headless canvas: pixels where the calls put them, through origin and clip, and text
// measured as the screen text measurer measures it.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "TempDir.h"
#include "platform/Canvas.h"
#include "platform/ImageList.h"
#include "platform/TextFit.h"
#include "platform/TextMetrics.h"
#include "platform/headless/Headless.h"

TEST(HeadlessCanvas, FillsLinesAndFramesLandOnTheRightPixels) {
    TBitmap b(20, 10);
    EXPECT_EQ(b.Pixel(0, 0), clWhite) << "a new bitmap is white";
    TCanvas& c = b.Canvas();
    c.Brush().SetColor(clRed);
    c.FillRect({2, 2, 5, 4});
    EXPECT_EQ(b.Pixel(2, 2), clRed);
    EXPECT_EQ(b.Pixel(4, 3), clRed);
    EXPECT_EQ(b.Pixel(5, 3), clWhite) << "right edge exclusive";
    EXPECT_EQ(b.Pixel(4, 4), clWhite) << "bottom edge exclusive";
    c.Pen().SetColor(clBlue);
    c.MoveTo(0, 8);
    c.LineTo(10, 8);
    EXPECT_EQ(b.Pixel(0, 8), clBlue);
    EXPECT_EQ(b.Pixel(9, 8), clBlue);
    EXPECT_EQ(b.Pixel(10, 8), clWhite) << "the end point stays undrawn";
    c.Brush().SetColor(clGreen);
    c.FrameRect({12, 0, 16, 4});
    EXPECT_EQ(b.Pixel(12, 0), clGreen);
    EXPECT_EQ(b.Pixel(15, 3), clGreen);
    EXPECT_EQ(b.Pixel(13, 1), clWhite) << "a frame leaves the inside alone";
    c.Brush().SetColor(clWindow);
    c.FillRect({18, 0, 20, 1});
    EXPECT_EQ(b.Pixel(18, 0), ColorToRGB(clWindow)) << "system colours resolve";
}

TEST(HeadlessCanvas, OriginClipAndSavedStatesNest) {
    TBitmap b(20, 20);
    TCanvas& c = b.Canvas();
    c.SetOrigin(5, 5);
    c.SaveState();
    c.IntersectClipRect({0, 0, 4, 4});
    EXPECT_EQ(c.ClipRect(), (TRect{0, 0, 4, 4}));
    c.Brush().SetColor(clBlack);
    c.FillRect({-5, -5, 20, 20});
    EXPECT_EQ(b.Pixel(5, 5), clBlack);
    EXPECT_EQ(b.Pixel(8, 8), clBlack);
    EXPECT_EQ(b.Pixel(9, 9), clWhite) << "clipped";
    EXPECT_EQ(b.Pixel(4, 4), clWhite) << "clipped";
    c.IntersectClipRect({2, 2, 10, 10});
    EXPECT_EQ(c.ClipRect(), (TRect{2, 2, 4, 4})) << "clips narrow";
    c.RestoreState();
    EXPECT_EQ(c.ClipRect(), (TRect{-5, -5, 15, 15})) << "the whole surface again";
    c.SetOrigin(0, 0);
    c.SetPixel(19, 19, clRed);
    EXPECT_EQ(c.Pixel(19, 19), clRed);
    EXPECT_EQ(c.Pixel(20, 19), clNone) << "outside the surface";
}

TEST(HeadlessCanvas, FocusRectanglesAndInversionUndoThemselves) {
    TBitmap b(12, 12);
    TCanvas& c = b.Canvas();
    c.Brush().SetColor(clYellow);
    c.FillRect({0, 0, 12, 12});
    c.DrawFocusRect({1, 1, 11, 11});
    int changed = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) changed += b.Pixel(x, y) != clYellow;
    EXPECT_GT(changed, 10);
    EXPECT_EQ(b.Pixel(5, 5), clYellow) << "only the border";
    c.DrawFocusRect({1, 1, 11, 11});
    c.InvertRect({0, 0, 6, 6});
    c.InvertRect({0, 0, 6, 6});
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) ASSERT_EQ(b.Pixel(x, y), clYellow) << x << "," << y;
}

TEST(HeadlessCanvas, TextIsMeasuredAsTheScreenMeasurerMeasuresIt) {
    TBitmap b(100, 30);
    TCanvas& c = b.Canvas();
    c.Font().SetHeight(-12);
    auto measurer = CreateScreenTextMeasurer();
    auto font = measurer->Font(c.Font(), 0);
    EXPECT_EQ(c.TextWidth("Lorvane"), font->TextWidth("Lorvane"));
    EXPECT_EQ(c.TextHeight("x"), font->Metric().Height);
    EXPECT_EQ(c.TextMetrics().Ascent, font->Metric().Ascent);
    EXPECT_GT(measurer->Font(c.Font(), fsBold)->TextWidth("ab"), font->TextWidth("ab"));
    c.Brush().SetColor(clWhite);
    c.Font().SetColor(clBlack);
    c.TextOut(0, 0, "W W");
    auto inked = [&](int x0, int x1) {
        for (int y = 0; y < 30; ++y)
            for (int x = x0; x < x1; ++x)
                if (b.Pixel(x, y) == clBlack) return true;
        return false;
    };
    int advance = font->Advance('W');
    EXPECT_TRUE(inked(0, advance));
    EXPECT_FALSE(inked(advance, 2 * advance)) << "a space leaves no ink";
    EXPECT_TRUE(inked(2 * advance, 3 * advance));
    EXPECT_FALSE(inked(3 * advance, 100));
}

TEST(HeadlessCanvas, DrawsBitmapsAndSavesThemAsPng) {
    TBitmap source(2, 2);
    source.Canvas().SetPixel(1, 1, clRed);
    TBitmap b(10, 10);
    b.Canvas().Draw(3, 3, source);
    EXPECT_EQ(b.Pixel(4, 4), clRed);
    EXPECT_EQ(b.Pixel(3, 3), clWhite);
    b.Canvas().StretchDraw({0, 6, 4, 10}, source);
    EXPECT_EQ(b.Pixel(3, 9), clRed);
    EXPECT_EQ(b.Pixel(2, 8), clRed) << "each source pixel covers two";
    EXPECT_EQ(b.Pixel(1, 7), clWhite);
    TBitmap copy = b;
    EXPECT_EQ(copy.Pixel(4, 4), clRed);
    copy.SetSize(5, 5);
    EXPECT_EQ(copy.Pixel(4, 4), clRed) << "resizing keeps what fits";
    EXPECT_FALSE(copy.LoadFromData("not an image", 12));

    TempDir dir;
    std::string file = (dir.Path() / "b.png").string();
    ASSERT_TRUE(b.SaveToFile(file));
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(bytes.substr(bytes.size() - 8, 4), "IEND");
}

TEST(HeadlessCanvas, TextAlignmentPlacesTheRunAroundItsReferencePoint) {
    // The arithmetic both backends share: 40 pixels wide, ascent 12, descent 3.
    EXPECT_EQ(PlaceText(TA_LEFT | TA_TOP, 100, 50, 40, 12, 3).Left, 100);
    EXPECT_EQ(PlaceText(TA_LEFT | TA_TOP, 100, 50, 40, 12, 3).Baseline, 62);
    EXPECT_EQ(PlaceText(TA_RIGHT | TA_BASELINE, 100, 50, 40, 12, 3).Left, 60);
    EXPECT_EQ(PlaceText(TA_RIGHT | TA_BASELINE, 100, 50, 40, 12, 3).Baseline, 50);
    EXPECT_EQ(PlaceText(TA_CENTER | TA_BOTTOM, 100, 50, 40, 12, 3).Left, 80);
    EXPECT_EQ(PlaceText(TA_CENTER | TA_BOTTOM, 100, 50, 40, 12, 3).Baseline, 47);

    TBitmap b(60, 20);
    TCanvas& c = b.Canvas();
    c.Font().SetHeight(-10);
    c.Font().SetColor(clBlack);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.SetTextAlign(TA_RIGHT | TA_TOP);
    c.TextOut(60, 0, "ab");
    int rightmost = -1;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x)
            if (b.Pixel(x, y) == clBlack) rightmost = std::max(rightmost, x);
    EXPECT_GE(rightmost, 60 - c.TextWidth("b"));
    EXPECT_LT(rightmost, 60) << "right-aligned text ends at its reference point";
    EXPECT_EQ(b.Pixel(0, 5), clWhite) << "a clear brush leaves the background";
}

TEST(HeadlessCanvas, ALongRunDrawsWhatShowsOfItAndMeasuresLittle) {
    // A million bytes in a 60-pixel bitmap: each alignment draws the pixels its visible part
    // draws (a run too long to measure is centred on its middle byte).
    std::string run;
    while (run.size() < 1000000) run += "abc de";
    const size_t middle = run.size() / 2;
    struct {
        unsigned align;
        int x;
        std::string shown;
    } cases[] = {{TA_LEFT, 5, run.substr(0, 40)},
                 {TA_RIGHT, 55, run.substr(run.size() - 40)},
                 {TA_CENTER, 30, run.substr(middle - 20, 40)}};
    for (const auto& one : cases) {
        TBitmap drawn(60, 20), expected(60, 20);
        for (TBitmap* b : {&drawn, &expected}) {
            b->Canvas().Font().SetHeight(-10);
            b->Canvas().SetTextAlign(one.align | TA_TOP);
        }
        const uint64_t measuredBefore = HeadlessTextBytesMeasured();
        const uint64_t drawnBefore = HeadlessTextBytesDrawn();
        drawn.Canvas().TextOut(one.x, 2, run);
        EXPECT_LT(HeadlessTextBytesMeasured() - measuredBefore, 5000u) << one.align;
        EXPECT_LT(HeadlessTextBytesDrawn() - drawnBefore, 100u) << one.align;
        expected.Canvas().TextOut(one.x, 2, one.shown);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 60; ++x)
                ASSERT_EQ(drawn.Pixel(x, y), expected.Pixel(x, y))
                    << "align " << one.align << " at " << x << "," << y;
    }
    TBitmap b(10, 10);
    b.Canvas().Font().SetHeight(-1000);
    EXPECT_EQ(b.Canvas().TextWidth(std::string(5000000, 'a')), INT32_MAX)
        << "a width past 2^31 pixels stops at the largest one, never negative";
    b.Canvas().Font().SetHeight(-10);
    int width = 0;
    EXPECT_EQ(TextFit(b.Canvas(), run, 52, &width), 10u);
    EXPECT_EQ(width, 50);
    EXPECT_EQ(TextFit(b.Canvas(), run, 52, &width, true), 10u) << "from the end";
}

namespace {

std::string ReadTestImage(const std::string& name) {
    std::ifstream in(std::string(LORVANE_TEST_DATA) + "/platform/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// What tests/data/platform/make_images.py puts at (x, y).
TColor ImagePixel(int x, int y) {
    return RGBColor(40 * x + y, 50 * y, 255 - 30 * x);
}

}  // namespace

TEST(HeadlessBitmap, ReadsPngFiltersAndPalettesAndBmpRowOrders) {
    struct Case {
        const char* file;
        int width, height;
    };
    for (Case c : {Case{"filters.png", 5, 5}, Case{"palette4.png", 5, 2}, Case{"rgb24.bmp", 3, 2},
                   Case{"palette8.bmp", 3, 2}}) {
        SCOPED_TRACE(c.file);
        std::string bytes = ReadTestImage(c.file);
        ASSERT_FALSE(bytes.empty());
        TBitmap b;
        ASSERT_TRUE(b.LoadFromData(bytes.data(), bytes.size()));
        ASSERT_EQ(b.Width(), c.width);
        ASSERT_EQ(b.Height(), c.height);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                ASSERT_EQ(b.Pixel(x, y), ImagePixel(x, y)) << x << "," << y;
        // Damaged bytes are refused and leave the bitmap as it was.
        EXPECT_FALSE(b.LoadFromData(bytes.data(), bytes.size() / 2));
        EXPECT_EQ(b.Width(), c.width);
    }
}

TEST(HeadlessBitmap, WhatItSavesReadsBackAndImageListsKeepTransparency) {
    TBitmap b(7, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x) b.Canvas().SetPixel(x, y, ImagePixel(x, y));
    TempDir dir;
    std::string file = (dir.Path() / "saved.png").string();
    ASSERT_TRUE(b.SaveToFile(file));
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    TBitmap back;
    ASSERT_TRUE(back.LoadFromData(bytes.data(), bytes.size()));
    ASSERT_EQ(back.Width(), 7);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x) ASSERT_EQ(back.Pixel(x, y), ImagePixel(x, y));

    // palette4.png: its (0, 0) entry is transparent; the list cuts 1-pixel-wide images.
    std::string strip = ReadTestImage("palette4.png");
    TImageList list(nullptr, 1, 2);
    ASSERT_EQ(list.AddFromData(strip.data(), strip.size()), 0);
    EXPECT_EQ(list.Count(), 5);
    TBitmap target(1, 2);
    list.Draw(target.Canvas(), 0, 0, 0);
    EXPECT_EQ(target.Pixel(0, 0), clWhite) << "transparent pixels leave the target";
    EXPECT_EQ(target.Pixel(0, 1), ImagePixel(0, 1));
}

TEST(HeadlessImageList, ResizingDropsTheImagesAndFreeingTellsTheLinks) {
    auto list = std::make_unique<TImageList>(nullptr, 2, 2);
    int changes = 0, removes = 0;
    TChangeLink link;
    link.OnChange = [&](TChangeLink*) { ++changes; };
    link.OnRemove = [&](TChangeLink*) { ++removes; };
    link.SetSender(list.get());
    list->SetSize(3, 3);  // no images yet: the change is still told
    EXPECT_EQ(changes, 1);
    list->SetSize(3, 3);
    EXPECT_EQ(changes, 1) << "the same size changes nothing";
    list->Add(TBitmap(3, 3));
    changes = 0;
    list->SetSize(0, 4);
    EXPECT_EQ(list->Width(), 1);
    EXPECT_EQ(list->Height(), 4);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(changes, 1);
    list.reset();
    EXPECT_EQ(removes, 1);
    EXPECT_EQ(link.Sender(), nullptr);
}
