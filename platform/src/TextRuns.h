// Private to platform and its backends: which part of a run of text output really draws.
#pragma once

#include "platform/Canvas.h"

#include <cstddef>
#include <string_view>

// The part of a run that can show between the visible edges when text output places the run
// by the horizontal part of align at x: bytes [First, First + Count) drawn from Left, Width
// pixels wide. Left and Right are the run's own edges where they lie within reach of the
// visible edges, otherwise those edges (a run wider than the visible span covers all of it).
// A short run is drawn whole; a long one is measured only around the visible span. A centred
// run too long to measure is taken to have its middle byte at x.
struct TShownRun {
    size_t First = 0;
    size_t Count = 0;
    int Left = 0;
    int Width = 0;
    int RunLeft = 0;
    int RunRight = 0;
};
TShownRun ShownRun(const TCanvas& canvas, std::string_view text, unsigned align, int x,
                   int visibleLeft, int visibleRight);
