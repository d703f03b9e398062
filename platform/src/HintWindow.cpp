// What the hint window does the same over every backend: the choice of its animation, the
// slide's steps and the shadow's pixels.
#include "platform/HintWindow.h"

#include "platform/Pixels.h"

#include <algorithm>

THintAnimation DesktopHintAnimationFrom(bool animateTooltips, bool fadeTooltips) {
    if (!animateTooltips) return THintAnimation::None;
    return fadeTooltips ? THintAnimation::Fade : THintAnimation::Slide;
}

THintAnimation EffectiveHintAnimation(THintAnimation wanted, bool compositing) {
    if (wanted == THintAnimation::Fade && !compositing) return THintAnimation::None;
    return wanted;
}

int HintSlideRows(int height, int step, int steps) {
    if (steps <= 0 || step >= steps) return std::max(height, 0);
    if (step <= 0 || height <= 0) return 0;
    return height * step / steps;
}

namespace {

// Black at alpha over a premultiplied pixel: each channel keeps (256 - alpha) / 256 of itself
// and the alpha channel gains alpha, so a transparent pixel becomes black at that alpha and an
// opaque one stays opaque.
uint32_t Darken(uint32_t pixel, uint32_t alpha) {
    uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8)
        result |= ((((pixel >> shift) & 0xFFu) * (256 - alpha)) >> 8) << shift;
    const uint32_t a =
        std::min<uint32_t>(alpha + ((((pixel >> 24) & 0xFFu) * (256 - alpha)) >> 8), 255u);
    return result | (a << 24);
}

}  // namespace

void PaintHintShadow(TPixelBuffer& pixels, const TRect& body) {
    if (!pixels.Usable() || body.Right <= body.Left || body.Bottom <= body.Top) return;
    static constexpr uint32_t alphas[HintShadowSize] = {50, 35, 20, 10, 5};
    auto blend = [&pixels](int x, int y, uint32_t alpha) {
        if (x < 0 || y < 0 || x >= pixels.Width || y >= pixels.Height) return;
        uint32_t& pixel = pixels.Row(y)[x];
        pixel = Darken(pixel, alpha);
    };
    for (int k = 0; k < HintShadowSize; ++k) {
        const int column = body.Right + k;
        const int row = body.Bottom + k;
        for (int y = body.Top + k + 1; y <= row; ++y) blend(column, y, alphas[k]);
        for (int x = body.Left + k + 1; x < column; ++x) blend(x, row, alphas[k]);
    }
}
