// Font size conversions and the Windows rounding of MulDiv.
#include "platform/Graphics.h"

#include <cstdlib>

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    long long p = static_cast<long long>(a) * b;
    long long q = p / c, r = p % c;
    // Round half away from zero.
    if (std::llabs(r) * 2 >= std::llabs(static_cast<long long>(c)))
        q += ((p < 0) != (c < 0)) ? -1 : 1;
    return int(q);
}

int TFont::Size() const {
    return -MulDiv(height_, 72, pixelsPerInch_);
}

void TFont::SetSize(int points) {
    SetHeight(-MulDiv(points, pixelsPerInch_, 72));
}

void TFont::Assign(const TFont& other) {
    bool changed = !SameAs(other);
    name_ = other.name_;
    height_ = other.height_;
    style_ = other.style_;
    color_ = other.color_;
    pitch_ = other.pitch_;
    charset_ = other.charset_;
    pixelsPerInch_ = other.pixelsPerInch_;
    if (changed) Changed();
}

bool TFont::SameAs(const TFont& other) const {
    return name_ == other.name_ && height_ == other.height_ && style_ == other.style_ &&
           color_ == other.color_ && pitch_ == other.pitch_ && charset_ == other.charset_;
}

int FontPixelSize(const TFont& font) {
    int h = font.Height();
    int pixels = h < 0 ? -h : (h * 4 + 2) / 5;
    return pixels < 1 ? 1 : pixels;
}
