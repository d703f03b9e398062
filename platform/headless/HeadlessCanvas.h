// Private to platform_headless: the pixels behind bitmaps and canvases, and the one font model
// that the canvas and the text measurer share.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Canvas.h"

namespace headless {
// Pixels are kept as 32-bit values 0xAARRGGBB (blue, green, red, alpha in memory), the layout
// that BitmapPixels hands out; a pixel of alpha 0 reads as clNone (transparent).
inline uint32_t ToArgb(TColor c) {
    if (c == clNone) return 0;
    return 0xFF000000u | uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 |
           uint32_t(GetBValue(c));
}
inline TColor FromArgb(uint32_t v) {
    if ((v >> 24) == 0) return clNone;
    return RGBColor(int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF));
}
// One pixel, read and written as a colour.
class TPixelRef {
public:
    explicit TPixelRef(uint32_t& v) : v_(v) {}
    operator TColor() const { return FromArgb(v_); }
    TPixelRef& operator=(TColor c) {
        v_ = ToArgb(c);
        return *this;
    }
    TPixelRef& operator=(const TPixelRef& other) { return *this = TColor(other); }

private:
    uint32_t& v_;
};
}  // namespace headless

struct TBitmap::Impl {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB values, row by row

    bool Valid(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    headless::TPixelRef At(int x, int y) {
        return headless::TPixelRef(pixels[size_t(y) * size_t(width) + size_t(x)]);
    }
    TColor At(int x, int y) const {
        return headless::FromArgb(pixels[size_t(y) * size_t(width) + size_t(x)]);
    }
    // Colours in, row by row.
    void Assign(const std::vector<TColor>& colours) {
        pixels.resize(colours.size());
        for (size_t i = 0; i < colours.size(); ++i) pixels[i] = headless::ToArgb(colours[i]);
    }
    std::vector<TColor> Colours() const {
        std::vector<TColor> out(pixels.size());
        for (size_t i = 0; i < pixels.size(); ++i) out[i] = headless::FromArgb(pixels[i]);
        return out;
    }
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
