// Drawing support: blending vectors of every mode with clipping, colour conversion, edges,
// dotted lines that join across pieces, the built-in image lists, and a painted header.
#include "HeaderTestSupport.h"
#include "VirtualTreesDrawing.h"

#include "platform/Controls.h"
#include "platform/ThemeServices.h"
#include "platform/headless/Headless.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

// A small 32-bit image in memory.
struct Pixels {
    std::vector<uint32_t> data;
    TPixelBuffer buffer;
    Pixels(int width, int height, uint32_t fill) : data(size_t(width * height), fill) {
        buffer.Bits = reinterpret_cast<uint8_t*>(data.data());
        buffer.Width = width;
        buffer.Height = height;
        buffer.BytesPerLine = width * 4;
    }
    uint32_t& At(int x, int y) { return data[size_t(y * buffer.Width + x)]; }
};

bool Differ(const TBitmap& a, const TBitmap& b) {
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y)) return true;
    return false;
}

uint32_t Gray(uint32_t v) {
    return v | v << 8 | v << 16 | v << 24;
}
uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

uint32_t BlendOne(TBlendMode mode, uint32_t s, uint32_t d, int alpha, int bias = 0) {
    Pixels source(1, 1, s), target(1, 1, d);
    AlphaBlend(&source.buffer, target.buffer, {0, 0, 1, 1}, {0, 0}, mode, alpha, bias);
    return target.At(0, 0);
}

}  // namespace

TEST(VirtualTreeDrawing, ConstantAlphaAndBiasFollowTheLaneArithmetic) {
    EXPECT_EQ(BlendOne(bmConstantAlpha, Gray(255), Gray(0), 255), Gray(254));
    EXPECT_EQ(BlendOne(bmConstantAlpha, Gray(200), Gray(100), 128), Gray(150));
    EXPECT_EQ(BlendOne(bmConstantAlpha, Gray(0), Gray(255), 64), Gray(191));
    EXPECT_EQ(BlendOne(bmConstantAlpha, Gray(77), Gray(99), 0), Gray(99));
    EXPECT_EQ(BlendOne(bmConstantAlpha, Gray(250), Gray(250), 0, 10), Gray(255));
    EXPECT_EQ(BlendOne(bmConstantAlpha, Gray(10), Gray(10), 0, -20), Gray(0));
}

TEST(VirtualTreeDrawing, PerPixelAndMasterAlpha) {
    EXPECT_EQ(BlendOne(bmPerPixelAlpha, Argb(128, 200, 200, 200), Argb(0, 100, 100, 100), 7),
              Argb(64, 150, 150, 150));
    EXPECT_EQ(BlendOne(bmMasterAlpha, Argb(255, 255, 255, 255), Argb(0, 0, 0, 0), 128),
              Argb(126, 126, 126, 126));
}

TEST(VirtualTreeDrawing, ColourModeNeedsOnlyTheDestination) {
    Pixels target(2, 1, Argb(255, 0, 0, 0));
    AlphaBlend(nullptr, target.buffer, {0, 0, 1, 1}, {1, 0}, bmConstantAlphaAndColor, 128,
               0x000000FF);
    EXPECT_EQ(target.At(1, 0), Argb(127, 127, 0, 0));
    EXPECT_EQ(target.At(0, 0), Argb(255, 0, 0, 0));
    // The other modes draw nothing without a usable source.
    AlphaBlend(nullptr, target.buffer, {0, 0, 2, 1}, {0, 0}, bmConstantAlpha, 128, 0);
    Pixels odd(1, 1, Gray(255));
    odd.buffer.BitsPerPixel = 24;
    AlphaBlend(&odd.buffer, target.buffer, {0, 0, 1, 1}, {0, 0}, bmConstantAlpha, 255, 0);
    EXPECT_EQ(target.At(0, 0), Argb(255, 0, 0, 0));
}

TEST(VirtualTreeDrawing, BlendingIsClippedToBothImages) {
    Pixels source(4, 4, Gray(200));
    source.At(3, 3) = Gray(100);
    Pixels target(4, 4, Gray(0));
    // Half the rectangle lies outside the source, and the target pushes it past the edge.
    AlphaBlend(&source.buffer, target.buffer, {2, 2, 8, 8}, {1, 1}, bmConstantAlpha, 255, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            uint32_t expect = Gray(0);
            if (x >= 1 && x <= 2 && y >= 1 && y <= 2)
                expect = (x == 2 && y == 2) ? Gray(99) : Gray(199);
            EXPECT_EQ(target.At(x, y), expect) << x << "," << y;
        }
    // A target left of and above the destination takes the overlapping part only.
    Pixels small(2, 2, Gray(0));
    AlphaBlend(&source.buffer, small.buffer, {0, 0, 4, 4}, {-2, -2}, bmConstantAlpha, 255, 0);
    EXPECT_EQ(small.At(1, 1), Gray(99));
    EXPECT_EQ(small.At(0, 0), Gray(199));
    // Empty rectangles and empty overlaps change nothing.
    Pixels untouched(2, 2, Gray(5));
    AlphaBlend(&source.buffer, untouched.buffer, {1, 1, 1, 3}, {0, 0}, bmConstantAlpha, 255, 0);
    AlphaBlend(&source.buffer, untouched.buffer, {0, 0, 4, 4}, {5, 5}, bmConstantAlpha, 255, 0);
    AlphaBlend(&source.buffer, untouched.buffer, {6, 6, 9, 9}, {0, 0}, bmConstantAlpha, 255, 0);
    for (uint32_t v : untouched.data) EXPECT_EQ(v, Gray(5));
}

TEST(VirtualTreeDrawing, BlendsBitmapsThroughTheirPixels) {
    TBitmap source(3, 3), target(3, 3);
    source.Canvas().Brush().SetColor(clRed);
    source.Canvas().FillRect({0, 0, 3, 3});
    target.Canvas().Brush().SetColor(clBlue);
    target.Canvas().FillRect({0, 0, 3, 3});
    {
        TBitmapPixels s(source), d(target);
        AlphaBlend(&s.Pixels(), d.Pixels(), {0, 0, 3, 3}, {1, 1}, bmConstantAlpha, 128, 0);
    }
    EXPECT_EQ(target.Pixel(0, 0), clBlue);
    EXPECT_EQ(target.Pixel(2, 2), RGBColor(127, 0, 127));
}

TEST(VirtualTreeDrawing, ColourConversions) {
    EXPECT_EQ(GetRGBColor(clNone), 0xFFFFFFFFu);
    EXPECT_EQ(GetRGBColor(clDefault), 0xFF000000u);
    const uint32_t yellow = GetRGBColor(0x0000FFFF);
    EXPECT_EQ(GetRValue(TColor(yellow)), 255);
    EXPECT_EQ(GetGValue(TColor(yellow)), 255);
    EXPECT_EQ(GetBValue(TColor(yellow)), 0);
    EXPECT_EQ(GetRGBColor(0x000000FF), uint32_t(RGBColor(255, 0, 0)));
    EXPECT_EQ(GetRGBColor(clBtnFace), uint32_t(ColorToRGB(clBtnFace)));
    EXPECT_FALSE(IsSystemColor(TColor(GetRGBColor(clWindow))));
    EXPECT_EQ(ColorToPixel(0x00332211u), 0x00112233u);
}

TEST(VirtualTreeDrawing, EdgesDrawRingsAndAdjustTheRectangle) {
    TBitmap bitmap(20, 20);
    TRect r{2, 2, 18, 18};
    DrawEdge(bitmap.Canvas(), r, EDGE_RAISED, BF_RECT | BF_ADJUST | BF_MIDDLE, clYellow);
    EXPECT_EQ(r, (TRect{4, 4, 16, 16}));
    EXPECT_EQ(bitmap.Pixel(2, 5), ColorToRGB(cl3DLight));
    EXPECT_EQ(bitmap.Pixel(17, 5), ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(bitmap.Pixel(3, 5), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(bitmap.Pixel(16, 5), ColorToRGB(clBtnShadow));
    EXPECT_EQ(bitmap.Pixel(10, 10), clYellow);
    EXPECT_EQ(bitmap.Pixel(1, 1), clWhite);
    // Sides left out stay untouched and do not move.
    TRect open{0, 0, 20, 20};
    DrawEdge(bitmap.Canvas(), open, BDR_SUNKENOUTER, BF_LEFT | BF_TOP | BF_ADJUST);
    EXPECT_EQ(open, (TRect{1, 1, 20, 20}));
    EXPECT_EQ(bitmap.Pixel(0, 10), ColorToRGB(clBtnShadow));
}

TEST(VirtualTreeDrawing, DottedLinesJoinAcrossSeparatelyPaintedPieces) {
    // A vertical line painted in two rows of 5 pixels each, the second row's canvas starting at
    // window y = 5 (an odd offset): the dots keep alternating across the boundary.
    TBitmap bitmap(3, 10);
    TCanvas& canvas = bitmap.Canvas();
    FillDottedRect(canvas, {1, 0, 2, 5}, clBlack, clWhite, {0, 0});
    canvas.SetOrigin(0, 5);
    FillDottedRect(canvas, {1, 0, 2, 5}, clBlack, clWhite, {0, 5});
    canvas.SetOrigin(0, 0);
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(bitmap.Pixel(1, y), ((1 + y) % 2 == 0) ? clBlack : clWhite) << y;
}

TEST(VirtualTreeDrawing, BuiltInListsHoldTheExpectedImages) {
    InitializeTreeLibrary();
    const int generation = BuiltInImagesGeneration();
    InitializeTreeLibrary();
    EXPECT_EQ(BuiltInImagesGeneration(), generation);
    for (int kind = biCheckLight; kind <= biXP; ++kind) {
        TCustomImageList& list = BuiltInImageList(TBuiltInImages(kind));
        EXPECT_EQ(list.Count(), 25) << kind;
        EXPECT_EQ(list.Width(), 16);
        TBitmap empty, unchecked, checked, mixed, hot, radio, button;
        list.GetBitmap(0, empty, clFuchsia);
        list.GetBitmap(9, unchecked, clFuchsia);
        list.GetBitmap(13, checked, clFuchsia);
        list.GetBitmap(17, mixed, clFuchsia);
        list.GetBitmap(10, hot, clFuchsia);
        list.GetBitmap(5, radio, clFuchsia);
        list.GetBitmap(21, button, clFuchsia);
        EXPECT_EQ(empty.Pixel(8, 8), clFuchsia);  // index 0 is unused
        EXPECT_EQ(empty.Pixel(0, 0), clFuchsia);
        EXPECT_EQ(unchecked.Pixel(0, 0), clFuchsia);  // corners see through
        EXPECT_TRUE(Differ(unchecked, checked)) << kind;
        EXPECT_TRUE(Differ(checked, mixed)) << kind;
        EXPECT_TRUE(Differ(hot, unchecked)) << kind;
        EXPECT_NE(radio.Pixel(7, 7), clFuchsia);
        EXPECT_NE(button.Pixel(8, 8), clFuchsia);
    }
    EXPECT_GE(BuiltInImageList(biUtilities).Count(), 9);
    if (const char* dir = std::getenv("LORVANE_PNG_DIR")) {
        TBitmap sheet(25 * 16 * 3, 7 * 16 * 3);
        for (int kind = 0; kind < BuiltInImagesCount; ++kind) {
            TCustomImageList& list = BuiltInImageList(TBuiltInImages(kind));
            for (int i = 0; i < list.Count(); ++i) {
                TBitmap one;
                list.GetBitmap(i, one, RGBColor(230, 230, 230));
                sheet.Canvas().StretchDraw({i * 48, kind * 48, i * 48 + 48, kind * 48 + 48}, one);
            }
        }
        sheet.SaveToFile(std::string(dir) + "/builtin-images.png");
    }
    EXPECT_EQ(CheckImagesFor(ckLightCheck), &BuiltInImageList(biCheckLight));
    EXPECT_EQ(CheckImagesFor(ckXP), &BuiltInImageList(biXP));
    EXPECT_EQ(CheckImagesFor(ckCustom), nullptr);
}

TEST(VirtualTreeDrawing, RebuildKeepsTheListsAndTheXPLook) {
    TCustomImageList* light = CheckImagesFor(ckLightCheck);
    TBitmap before;
    BuiltInImageList(biXP).GetBitmap(13, before);
    const int generation = BuiltInImagesGeneration();
    RebuildBuiltInImages();
    EXPECT_EQ(BuiltInImagesGeneration(), generation + 1);
    EXPECT_EQ(CheckImagesFor(ckLightCheck), light);
    EXPECT_EQ(light->Count(), 25);
    TBitmap after;
    BuiltInImageList(biXP).GetBitmap(13, after);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(before.Pixel(x, y), after.Pixel(x, y));
}

TEST(VirtualTreeDrawing, ImagesKeepTheScreensPixelsAndDrawInLogicalPixels) {
    // A list at twice the pixels: a 32-pixel image, red on its left half, drawn 16 wide.
    TCustomImageList list(nullptr, 16, 16);
    list.SetDevicePixelRatio(2);
    EXPECT_EQ(list.PixelWidth(), 32);
    TBitmap strip(64, 32);
    strip.Canvas().Brush().SetColor(clBlue);
    strip.Canvas().FillRect({0, 0, 64, 32});
    strip.Canvas().Brush().SetColor(clRed);
    strip.Canvas().FillRect({0, 0, 16, 32});
    EXPECT_EQ(list.Add(strip), 0);
    EXPECT_EQ(list.Count(), 2);
    TBitmap target(20, 20);
    list.Draw(target.Canvas(), 0, 0, 0);
    EXPECT_EQ(target.Pixel(7, 8), clRed);
    EXPECT_EQ(target.Pixel(8, 8), clBlue);
    EXPECT_EQ(target.Pixel(16, 8), clWhite) << "16 logical pixels wide";

    // The built-in lists follow the screen's scale, the XP look too.
    TBitmap before;
    BuiltInImageList(biCheckLight).GetBitmap(13, before);
    SetHeadlessScreenPixelRatio(2);
    RebuildBuiltInImages();
    for (int kind = 0; kind < BuiltInImagesCount; ++kind) {
        TCustomImageList& builtIn = BuiltInImageList(TBuiltInImages(kind));
        EXPECT_EQ(builtIn.DevicePixelRatio(), 2) << kind;
        EXPECT_EQ(builtIn.Width(), 16);
        EXPECT_EQ(builtIn.PixelWidth(), 32);
    }
    TBitmap sharp;
    BuiltInImageList(biCheckLight).GetBitmap(13, sharp);
    EXPECT_EQ(sharp.Width(), 16);
    EXPECT_EQ(sharp.Pixel(0, 0), before.Pixel(0, 0)) << "the same box, drawn finer";
    EXPECT_EQ(sharp.Pixel(1, 8), before.Pixel(1, 8));
    SetHeadlessScreenPixelRatio(1);
    RebuildBuiltInImages();
    EXPECT_EQ(BuiltInImageList(biXP).DevicePixelRatio(), 1);
}

TEST(VirtualTreeDrawing, BuiltInImagesTakeTheScreensOwnPixelsAtAFractionalScale) {
    // At 1.5 a 16-pixel image is 24 device pixels: never 32 scaled down, which is soft.
    SetHeadlessScreenPixelRatio(1.5);
    RebuildBuiltInImages();
    for (int kind = 0; kind < BuiltInImagesCount; ++kind) {
        TCustomImageList& builtIn = BuiltInImageList(TBuiltInImages(kind));
        EXPECT_EQ(builtIn.DevicePixelRatio(), 1.5) << kind;
        EXPECT_EQ(builtIn.PixelWidth(), 24) << kind;
    }
    EXPECT_EQ(BuiltInImageList(biCheckLight).Count(), 25);
    TBitmap box;
    BuiltInImageList(biFlat).GetBitmap(9, box);  // unchecked, normal
    EXPECT_EQ(box.Pixel(8, 8), ColorToRGB(clWindow)) << "the face";
    EXPECT_EQ(box.Pixel(0, 8), clWhite) << "the margin around the box";
    SetHeadlessScreenPixelRatio(1);
    RebuildBuiltInImages();
    EXPECT_EQ(DevicePixels(16, 1.25), 20);
    EXPECT_EQ(DevicePixels(16, 0.5), 16) << "never fewer than the logical pixels";
}

TEST(VirtualTreeDrawing, XPButtonsUseTheirFixedColours) {
    TBitmap bitmap(60, 20);
    DrawXPButton(bitmap.Canvas(), {0, 0, 60, 20}, true, true, false);
    EXPECT_EQ(bitmap.Pixel(30, 10), 0xD8DFDE);
    DrawXPButton(bitmap.Canvas(), {0, 0, 60, 20}, true, false, false);
    EXPECT_EQ(bitmap.Pixel(30, 5), 0xDBEAEB);
    EXPECT_EQ(bitmap.Pixel(58, 10), 0xB2C5C7);
    EXPECT_EQ(bitmap.Pixel(30, 19), 0xB8C7CB);
    DrawXPButton(bitmap.Canvas(), {0, 0, 60, 20}, true, false, true);
    EXPECT_EQ(bitmap.Pixel(30, 5), 0xF3F8FA);
    EXPECT_NE(bitmap.Pixel(30, 18), 0xF3F8FA);  // the hot band along the bottom
}

TEST(VirtualTreeDrawing, HeaderPaintsButtonsGlyphsAndBackground) {
    EnsureGuiApplication();  // text needs the fonts of the GUI application
    HeaderFixture f({100, 150, 120});
    f.Column(0).SetText("Name");
    f.Column(1).SetText("Address of the bookmark that is far too long");
    f.Column(2).SetText("Right");
    f.Column(2).SetAlignment(taRightJustify);
    f.header.SetSortColumn(0);
    f.header.SetOptions(f.header.Options() + hoShowSortGlyphs);
    f.header.SetBackground(RGBColor(200, 210, 220));
    f.header.Font().SetName("DejaVu Sans");
    f.header.Font().SetHeight(-11);
    TBitmap bitmap(420, 17);
    f.header.PaintHeader(bitmap.Canvas(), {0, 0, 420, 17}, 0);
    // Right of the last button: the background.
    EXPECT_EQ(bitmap.Pixel(400, 8), RGBColor(200, 210, 220));
    // Each thick button has a light left edge and a dark right edge.
    EXPECT_EQ(bitmap.Pixel(100, 8), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(bitmap.Pixel(99, 8), ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(bitmap.Pixel(50, 8), RGBColor(200, 210, 220));  // button face away from text
    // Something is drawn where the caption of column 0 starts.
    bool ink = false;
    for (int x = 6; x < 30 && !ink; ++x)
        for (int y = 3; y < 14; ++y)
            if (bitmap.Pixel(x, y) != RGBColor(200, 210, 220)) ink = true;
    EXPECT_TRUE(ink);
    if (const char* dir = std::getenv("LORVANE_PNG_DIR")) {
        f.Press(160);  // pressed look of column 1
        f.header.SetStyle(hsXPStyle);
        TBitmap all(420, 17 * 5);
        for (int style = 0; style < 4; ++style) {
            f.header.SetStyle(TVTHeaderStyle(style));
            f.header.PaintHeader(all.Canvas(), {0, 17 * style, 420, 17 * style + 17}, 0);
        }
        SetThemesDisabled(false);
        f.owner.themes = true;
        f.header.PaintHeader(all.Canvas(), {0, 17 * 4, 420, 17 * 5}, 0);
        all.SaveToFile(std::string(dir) + "/header.png");
        TBitmap large(420 * 3, 17 * 5 * 3);
        large.Canvas().StretchDraw({0, 0, 420 * 3, 17 * 5 * 3}, all);
        large.SaveToFile(std::string(dir) + "/header-x3.png");
    }
}

TEST(VirtualTreeDrawing, ImagesDrawBlendedGreyedAndWithOverlay) {
    TCustomImageList list(nullptr, 4, 4);
    TBitmap strip(8, 4);
    strip.Canvas().Brush().SetColor(clRed);
    strip.Canvas().FillRect({0, 0, 4, 4});
    strip.Canvas().Brush().SetColor(clFuchsia);
    strip.Canvas().FillRect({4, 0, 6, 4});
    strip.Canvas().Brush().SetColor(clLime);
    strip.Canvas().FillRect({6, 0, 8, 4});  // the overlay covers the right half
    strip.Canvas().SetPixel(0, 0, clFuchsia);
    list.Add(strip, clFuchsia);
    ASSERT_EQ(list.Count(), 2);

    TBitmap target(16, 4);
    DrawImage(target.Canvas(), list, 0, 0, 0, isNormal);
    DrawImage(target.Canvas(), list, 0, 4, 0, isBlend50, clBlue);
    DrawImage(target.Canvas(), list, 0, 8, 0, isGrayed);
    DrawImage(target.Canvas(), list, 0, 12, 0, isNormal, clHighlight, 1);
    EXPECT_EQ(target.Pixel(1, 1), clRed);
    EXPECT_EQ(target.Pixel(0, 0), clWhite);  // see-through pixel
    EXPECT_EQ(target.Pixel(5, 1), RGBColor(127, 0, 127));
    EXPECT_EQ(target.Pixel(4, 0), clWhite);
    const TColor grey = target.Pixel(9, 1);
    EXPECT_EQ(GetRValue(grey), GetGValue(grey));
    EXPECT_EQ(GetGValue(grey), GetBValue(grey));
    EXPECT_EQ(target.Pixel(13, 1), clRed);
    EXPECT_EQ(target.Pixel(15, 1), clLime);
}
