// The hint window's shadow, its animations and the choice of them; and a tree's node hint of
// two lines with its shadow over Qt, as a person sees it.
#include <gtest/gtest.h>

#include "QtTestApplication.h"
#include "QtTestHints.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QRegion>
#include <QWidget>

#include "platform/EventLoop.h"
#include "platform/HintWindow.h"
#include "platform/Pixels.h"
#include "platform/qt/Application.h"
#include "platform/qt/ControlHost.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// A pixel buffer of its own.
struct Pixels {
    Pixels(int width, int height, uint32_t fill) : values(size_t(width * height), fill) {
        buffer.Bits = reinterpret_cast<uint8_t*>(values.data());
        buffer.Width = width;
        buffer.Height = height;
        buffer.BytesPerLine = width * 4;
    }
    uint32_t At(int x, int y) const { return values[size_t(y * buffer.Width + x)]; }
    std::vector<uint32_t> values;
    TPixelBuffer buffer;
};

}  // namespace

TEST(HintShadow, FiveStripsDarkenTheBottomAndRightOnceEach) {
    // White under the window: each strip keeps (256 - alpha) / 256 of it.
    Pixels white(20, 12, 0xFFFFFFFFu);
    const TRect body{2, 1, 12, 7};
    PaintHintShadow(white.buffer, body);
    const uint32_t darkened[] = {0xFFCDCDCDu, 0xFFDCDCDCu, 0xFFEBEBEBu, 0xFFF5F5F5u, 0xFFFAFAFAu};
    for (int k = 0; k < HintShadowSize; ++k) {
        EXPECT_EQ(white.At(body.Right + k, body.Top + k + 1), darkened[k]) << "strip " << k;
        EXPECT_EQ(white.At(body.Right + k, body.Bottom + k), darkened[k]) << "corner " << k;
        EXPECT_EQ(white.At(body.Left + k + 1, body.Bottom + k), darkened[k]) << "strip " << k;
        EXPECT_EQ(white.At(body.Right + k, body.Top + k), 0xFFFFFFFFu) << "starts one lower";
        EXPECT_EQ(white.At(body.Left + k, body.Bottom + k), 0xFFFFFFFFu) << "starts one later";
    }
    // Every shadow pixel is blended once: one strip is as high as the body plus the corner
    // and as wide as the body less one.
    int shaded = 0;
    for (uint32_t v : white.values) {
        if (v == 0xFFFFFFFFu) continue;
        EXPECT_NE(std::find(std::begin(darkened), std::end(darkened), v), std::end(darkened));
        ++shaded;
    }
    EXPECT_EQ(shaded, HintShadowSize * (body.Height() + body.Width() - 1));
    for (int y = body.Top; y < body.Bottom; ++y)
        for (int x = body.Left; x < body.Right; ++x)
            ASSERT_EQ(white.At(x, y), 0xFFFFFFFFu) << "the body stays as it is";

    // A translucent window's transparent pixels become black at the strip's alpha.
    Pixels clear(20, 12, 0);
    PaintHintShadow(clear.buffer, body);
    EXPECT_EQ(clear.At(12, 4), 0x32000000u);
    EXPECT_EQ(clear.At(16, 10), 0x05000000u);
    EXPECT_EQ(clear.At(8, 9), 0x14000000u);

    // Strips beyond the buffer are cut off; an empty body casts none.
    Pixels small(14, 9, 0xFFFFFFFFu);
    PaintHintShadow(small.buffer, {0, 0, 12, 7});
    EXPECT_EQ(small.At(13, 8), darkened[1]);
    Pixels untouched(10, 10, 0xFFFFFFFFu);
    PaintHintShadow(untouched.buffer, {3, 3, 3, 8});
    EXPECT_EQ(std::count(untouched.values.begin(), untouched.values.end(), 0xFFFFFFFFu), 100);
}

TEST(HintAnimationChoice, FromTheDesktopSettingsAndTheCompositor) {
    EXPECT_EQ(DesktopHintAnimationFrom(false, false), THintAnimation::None);
    EXPECT_EQ(DesktopHintAnimationFrom(false, true), THintAnimation::None)
        << "fading counts only where tooltips animate";
    EXPECT_EQ(DesktopHintAnimationFrom(true, true), THintAnimation::Fade);
    EXPECT_EQ(DesktopHintAnimationFrom(true, false), THintAnimation::Slide);

    EXPECT_EQ(EffectiveHintAnimation(THintAnimation::Fade, true), THintAnimation::Fade);
    EXPECT_EQ(EffectiveHintAnimation(THintAnimation::Fade, false), THintAnimation::None)
        << "without a compositor the hint shows at once";
    EXPECT_EQ(EffectiveHintAnimation(THintAnimation::Slide, false), THintAnimation::Slide);
    EXPECT_EQ(EffectiveHintAnimation(THintAnimation::None, true), THintAnimation::None);

    EXPECT_EQ(HintSlideRows(40, 1), 4);
    EXPECT_EQ(HintSlideRows(40, 5), 20);
    EXPECT_EQ(HintSlideRows(40, HintAnimationSteps), 40);
    EXPECT_EQ(HintSlideRows(40, 0), 0);
    EXPECT_EQ(HintSlideRows(7, 3), 2);
}

TEST_F(HintWindowTest, WithACompositorTheWindowCarriesItsShadow) {
    SetDesktopCompositingOverride(1);
    THintWindowData data;
    data.Text = "Shadowed";
    data.Bounds = {40, 50, 140, 70};
    ActivateHintWindow(data);
    Pump(10);
    QWidget* hint = HintWidget();
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_EQ(hint->geometry(), QRect(40, 50, 100 + HintShadowSize, 20 + HintShadowSize));
    const QImage shot = hint->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(shot.pixel(100, 10)), 50) << "the innermost strip";
    EXPECT_EQ(qAlpha(shot.pixel(104, 15)), 5) << "the outermost strip";
    EXPECT_EQ(qAlpha(shot.pixel(104, 2)), 0) << "nothing above the strip's start";
    EXPECT_EQ(qAlpha(shot.pixel(50, 10)), 255) << "the body is opaque";

    // Without one, the window is as large as the hint and opaque.
    HideHintWindow();
    SetDesktopCompositingOverride(0);
    ActivateHintWindow(data);
    hint = HintWidget();
    ASSERT_NE(hint, nullptr);
    EXPECT_FALSE(hint->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_EQ(hint->geometry(), QRect(40, 50, 100, 20));
}

TEST_F(HintWindowTest, SlidingUncoversTheWindowStepByStep) {
    SetDesktopCompositingOverride(0);
    THintWindowData data;
    data.Text = "Sliding";
    data.Bounds = {10, 10, 110, 50};
    data.Animation = THintAnimation::Slide;
    ActivateHintWindow(data);
    QWidget* hint = HintWidget();
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->mask().boundingRect().height(), 1) << "it starts closed";
    ASSERT_TRUE(PumpUntil([&] { return hint->mask().boundingRect().height() > 1; }));
    EXPECT_LT(hint->mask().boundingRect().height(), 40) << "one step uncovers part of it";
    EXPECT_TRUE(PumpUntil([&] { return hint->mask().isEmpty(); })) << "open at the end";

    // Another hint while one shows stops the slide and shows at once.
    HideHintWindow();
    ActivateHintWindow(data);
    Pump(HintAnimationStepMs * 2);
    data.Text = "Next";
    ActivateHintWindow(data);
    EXPECT_TRUE(hint->mask().isEmpty());
    Pump(HintAnimationStepMs * 4);
    EXPECT_TRUE(hint->mask().isEmpty()) << "no step of the old slide";

    // Hidden halfway, the slide takes no further step; the next hint shows whole.
    HideHintWindow();
    ActivateHintWindow(data);
    Pump(HintAnimationStepMs * 2);
    HideHintWindow();
    Pump(HintAnimationStepMs * 4);
    EXPECT_FALSE(hint->isVisible());
    data.Animation = THintAnimation::None;
    ActivateHintWindow(data);
    EXPECT_TRUE(hint->mask().isEmpty());
    EXPECT_DOUBLE_EQ(hint->windowOpacity(), 1.0);
}

TEST_F(HintWindowTest, FadingNeedsACompositor) {
    THintWindowData data;
    data.Text = "Fading";
    data.Bounds = {10, 10, 110, 30};
    data.Animation = THintAnimation::Fade;
    SetDesktopCompositingOverride(0);
    ActivateHintWindow(data);
    QWidget* hint = HintWidget();
    ASSERT_NE(hint, nullptr);
    EXPECT_DOUBLE_EQ(hint->windowOpacity(), 1.0) << "shown at once";
    HideHintWindow();

    SetDesktopCompositingOverride(1);
    ActivateHintWindow(data);
    hint = HintWidget();
    ASSERT_NE(hint, nullptr);
    EXPECT_LT(hint->windowOpacity(), 0.01);
    ASSERT_TRUE(PumpUntil([&] { return hint->windowOpacity() > 0.05; }));
    EXPECT_LT(hint->windowOpacity(), 1.0) << "one step fades it in part of the way";
    EXPECT_TRUE(PumpUntil([&] { return hint->windowOpacity() >= 1.0; }));
    EXPECT_DOUBLE_EQ(hint->windowOpacity(), 1.0);
}
