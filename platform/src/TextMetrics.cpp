// The display glyph of control bytes and the fixed-advance measurer that layout tests use.
#include "platform/TextMetrics.h"

#include "platform/Codec.h"

char16_t DisplayCharOf(unsigned char c) {
    if (c < 0x20) return char16_t(0x2400 + c);  // the control pictures block
    if (c == 0x7F) return char16_t(0x2421);
    char16_t u = AnsiCharToUnicode(c);
    if (u >= 0x80 && u < 0xA0) return char16_t(0x25A1);  // unassigned: an empty box
    return u;
}

namespace {

class TFixedFont : public TMeasuredFont {
public:
    TFixedFont(int advance, int height, int descent) {
        advances_.fill(advance);
        metric_.Height = height;
        metric_.Descent = descent;
        metric_.Ascent = height - descent;
        metric_.InternalLeading = 0;
        metric_.MaxCharWidth = advance;
        metric_.FixedPitch = true;
    }
};

class TFixedMeasurer : public TTextMeasurer {
public:
    TFixedMeasurer(int advance, int height, int descent)
        : font_(std::make_shared<TFixedFont>(advance, height, descent)) {}
    std::shared_ptr<const TMeasuredFont> Font(const TFont&, TFontStyles) override { return font_; }

private:
    std::shared_ptr<const TMeasuredFont> font_;
};

}  // namespace

std::unique_ptr<TTextMeasurer> CreateFixedTextMeasurer(int advance, int height, int descent) {
    return std::make_unique<TFixedMeasurer>(advance, height, descent);
}
