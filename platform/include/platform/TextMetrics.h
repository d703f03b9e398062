// Measuring Windows-1252 text for layouts that must not see the display toolkit.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/Graphics.h"

// One font in one style. Kerning is off, so the advance of a run is exactly the sum of its
// bytes' advances: layout, hit-testing and painting can add up the same table and agree to
// the pixel. Control bytes are measured as the visible cells they are drawn as.
class TMeasuredFont {
public:
    virtual ~TMeasuredFont() = default;

    const std::array<int, 256>& Advances() const { return advances_; }
    int Advance(unsigned char c) const { return advances_[c]; }
    int TextWidth(std::string_view run) const {
        int w = 0;
        for (unsigned char c : run) w += advances_[c];
        return w;
    }
    // The extent of a run as the toolkit lays it out on its own; equal to TextWidth for
    // the implementations here, kept for the overhang rule.
    virtual int RunExtent(std::string_view run) const { return TextWidth(run); }

    // With w1 the extent of one space and w2 of two: Overhang = 2*w1 - w2 and
    // SpaceWidth = w1 - Overhang.
    int Overhang() const { return 2 * RunExtent(" ") - RunExtent("  "); }
    int SpaceWidth() const { return RunExtent(" ") - Overhang(); }
    const TTextMetric& Metric() const { return metric_; }

protected:
    std::array<int, 256> advances_{};
    TTextMetric metric_{};
};

// Hands out measured fonts, cached per font description and style.
class TTextMeasurer {
public:
    virtual ~TTextMeasurer() = default;
    // The font `font` with its style replaced by `style` (font-style bits only).
    virtual std::shared_ptr<const TMeasuredFont> Font(const TFont& font, TFontStyles style) = 0;
};

// Every byte advances `advance` pixels (tab and format bytes included: the layout gives them
// their own meaning); metrics are `height` high with `descent` below the baseline.
std::unique_ptr<TTextMeasurer> CreateFixedTextMeasurer(int advance = 10, int height = 16,
                                                       int descent = 4);

// Measures with the screen's fonts; over Qt it needs the GUI application object to exist. The
// headless backend measures the box fonts its canvas draws.
std::unique_ptr<TTextMeasurer> CreateScreenTextMeasurer();

// The character a byte is drawn as: the Windows-1252 character, with the control bytes
// below 32 and 127 shown as their visible control pictures.
char16_t DisplayCharOf(unsigned char c);
