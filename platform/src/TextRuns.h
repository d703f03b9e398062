// Private to platform and its backends: which part of a run of text output really draws.
#pragma once

#include "platform/Canvas.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

// The part of a run that can show between the visible edges when text output places the run
// by the horizontal part of align at x: bytes [First, First + Count) drawn from Left, Width
// pixels wide. Left and Right are the run's own edges where they lie within reach of the
// visible edges, otherwise those edges (a run wider than the visible span covers all of it).
// A short run is drawn whole (the visible edges are not looked at); a long one is measured
// only around the visible span. A centred run too long to measure is taken to have its middle
// byte at x.
// Runs this short are drawn whole: cheap, and far inside the toolkit's coordinate range.
inline constexpr size_t ShortRunBytes = 512;

struct TShownRun {
    size_t First = 0;
    size_t Count = 0;
    int Left = 0;
    int Width = 0;
    int RunLeft = 0;
    int RunRight = 0;
};
// With utf8 the text is UTF-8 and the run starts and ends between characters.
TShownRun ShownRun(const TCanvas& canvas, std::string_view text, unsigned align, int x,
                   int visibleLeft, int visibleRight, bool utf8 = false);

// The same for a canvas of another kind: `measure` gives a short run's width, lineHeight the
// height of its font's lines (how far glyphs may reach past their advance).
using TRunMeasure = std::function<int64_t(std::string_view)>;
TShownRun ShownRun(const TRunMeasure& measure, int lineHeight, std::string_view text,
                   unsigned align, int x, int visibleLeft, int visibleRight, bool utf8 = false);
// TextFit over a measure; with utf8 the bytes counted end between characters.
size_t TextFit(const TRunMeasure& measure, std::string_view text, int maxWidth,
               int* width = nullptr, bool fromEnd = false, bool utf8 = false);
// Whether byte i of UTF-8 text continues a character (and so no run may start there).
inline bool InsideUtf8Char(std::string_view text, size_t i) {
    return i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
}
