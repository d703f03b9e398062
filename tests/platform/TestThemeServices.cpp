// The visual style behind the theme handles, the switch to the classic path, the drag distance,
// and direct pixel access to bitmaps.
#include <gtest/gtest.h>

#include "QtTestApplication.h"

#include <QApplication>
#include <QStyleHints>

#include "platform/Canvas.h"
#include "platform/Pixels.h"
#include "platform/ThemeServices.h"
#include "platform/qt/Application.h"

namespace {
int Changed(const TBitmap& bitmap, TColor background) {
    int n = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            if (bitmap.Pixel(x, y) != background) ++n;
    return n;
}
}  // namespace

TEST(ThemeServices, HandlesByClassNameAndTheClassicSwitch) {
    NeedApplication();
    ASSERT_TRUE(ThemesUsable());
    HTHEME header = OpenThemeData("header");
    EXPECT_NE(header, nullptr);
    EXPECT_NE(OpenThemeData("treeview"), nullptr);
    EXPECT_NE(OpenThemeData("button"), nullptr);
    EXPECT_EQ(OpenThemeData("window"), nullptr);
    EXPECT_EQ(OpenThemeData(nullptr), nullptr);
    CloseThemeData(header);
    SetThemesDisabled(true);
    EXPECT_FALSE(ThemesUsable());
    EXPECT_EQ(OpenThemeData("header"), nullptr);
    SetThemesDisabled(false);
    EXPECT_TRUE(ThemesUsable());
}

TEST(ThemeServices, DrawsEveryPartIntoTheCanvas) {
    NeedApplication();
    struct Case {
        const char* name;
        int part;
        int state;
    } cases[] = {{"header", HeaderItemPart, 1},  {"header", HeaderItemPart, 3},
                 {"treeview", TreeGlyphPart, 1}, {"treeview", TreeGlyphPart, 2},
                 {"button", CheckBoxPart, 5},    {"button", CheckBoxPart, 9},
                 {"button", RadioButtonPart, 5}, {"button", PushButtonPart, 1}};
    for (const Case& c : cases) {
        TBitmap bitmap(40, 20);
        DrawThemeBackground(OpenThemeData(c.name), bitmap.Canvas(), c.part, c.state,
                            {2, 2, 38, 18});
        EXPECT_GT(Changed(bitmap, clWhite), 0) << c.name << " " << c.part << " " << c.state;
        EXPECT_EQ(bitmap.Pixel(0, 0), clWhite);
    }
    TBitmap untouched(10, 10);
    DrawThemeBackground(nullptr, untouched.Canvas(), HeaderItemPart, 1, {0, 0, 10, 10});
    EXPECT_EQ(Changed(untouched, clWhite), 0);
    // A checked and an unchecked box differ.
    TBitmap on(20, 20), off(20, 20);
    DrawThemeBackground(OpenThemeData("button"), on.Canvas(), CheckBoxPart, 5, {2, 2, 18, 18});
    DrawThemeBackground(OpenThemeData("button"), off.Canvas(), CheckBoxPart, 1, {2, 2, 18, 18});
    bool differ = false;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) differ |= on.Pixel(x, y) != off.Pixel(x, y);
    EXPECT_TRUE(differ);
}

TEST(ThemeServices, DragDistanceComesFromTheStyleHints) {
    NeedApplication();
    EXPECT_EQ(StartDragDistance(), QGuiApplication::styleHints()->startDragDistance());
    EXPECT_GT(StartDragDistance(), 0);
}

TEST(Pixels, BitmapPixelsSeeAndChangeWhatTheCanvasDrew) {
    TBitmap bitmap(4, 3);
    bitmap.Canvas().Brush().SetColor(RGBColor(10, 20, 30));
    bitmap.Canvas().FillRect({1, 1, 2, 2});
    {
        TBitmapPixels access(bitmap);
        TPixelBuffer& pixels = access.Pixels();
        ASSERT_TRUE(pixels.Usable());
        EXPECT_EQ(pixels.Width, 4);
        EXPECT_EQ(pixels.Height, 3);
        EXPECT_EQ(pixels.Row(1)[1] & 0xFFFFFFu, 0x0A141Eu);  // blue, green, red from the low byte
        pixels.Row(2)[3] = 0xFF112233u;
    }
    EXPECT_EQ(bitmap.Pixel(3, 2), RGBColor(0x11, 0x22, 0x33));
    // Drawing goes on where it left off.
    bitmap.Canvas().FillRect({0, 0, 1, 1});
    EXPECT_EQ(bitmap.Pixel(0, 0), RGBColor(10, 20, 30));
    EXPECT_EQ(bitmap.Pixel(3, 2), RGBColor(0x11, 0x22, 0x33));
    TBitmap empty;
    TBitmapPixels none(empty);
    EXPECT_FALSE(none.Pixels().Usable());
}
