// Private to platform_headless: the pixels behind bitmaps and canvases, and the one font model
// that the canvas and the text measurer share.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Canvas.h"

struct TBitmap::Impl {
    int width = 0;
    int height = 0;
    std::vector<TColor> pixels;  // COLORREF values, row by row

    bool Valid(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    TColor& At(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    TColor At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

struct TCanvas::Impl {
    TBitmap::Impl* target = nullptr;  // nullptr: drawing lands nowhere
    TPoint origin;
    bool clipped = false;
    TRect clip;  // in device coordinates
    struct State {
        TPoint origin;
        bool clipped;
        TRect clip;
    };
    std::vector<State> saved;
};

namespace headless {

// A canvas over a bitmap's pixels.
std::unique_ptr<TCanvas> MakeCanvas(TBitmap::Impl& target);

// Every font is a box font: each byte advances half the character height (one more in bold),
// glyphs are boxes. Deterministic, so layouts measured here agree with what is drawn.
struct FontModel {
    int pixels;  // character height
    TTextMetric metric;
    int advance;
};
FontModel ModelOf(const TFont& font, TFontStyles style);

}  // namespace headless
