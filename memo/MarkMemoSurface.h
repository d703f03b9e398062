// What the memo's painter draws on: the screen's canvas, or a printer's page, through the few
// drawing steps painting a display line takes.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Graphics.h"
#include "platform/Printer.h"

// `font` with its height scaled from its own pixels per inch to `pixelsPerInch`.
TFont FontAtResolution(const TFont& font, int pixelsPerInch);

class TMarkMemoSurface {
public:
    virtual ~TMarkMemoSurface() = default;
    virtual void Fill(const TRect& r, TColor color) = 0;
    // Covers r with copies of the picture, one with its top-left corner at the origin.
    virtual void Tile(const TRect& r, const TBitmap& picture, int64_t originX, int64_t originY) = 0;
    // A run of text from x with its baseline at y, on a clear background.
    virtual void Text(int x, int baseline, const TFont& font, TFontStyles style, TColor color,
                      std::string_view run) = 0;
    virtual void Invert(const TRect& r) = 0;
    virtual void Lines(const TPen& pen, const std::vector<TPoint>& points) = 0;
};

// The screen's canvas (or a bitmap's).
class TCanvasSurface : public TMarkMemoSurface {
public:
    explicit TCanvasSurface(TCanvas& canvas) : canvas_(canvas) {}
    void Fill(const TRect& r, TColor color) override;
    void Tile(const TRect& r, const TBitmap& picture, int64_t originX, int64_t originY) override;
    void Text(int x, int baseline, const TFont& font, TFontStyles style, TColor color,
              std::string_view run) override;
    void Invert(const TRect& r) override { canvas_.InvertRect(r); }
    void Lines(const TPen& pen, const std::vector<TPoint>& points) override;

private:
    TCanvas& canvas_;
};

// A printer's page: client coordinates are moved to the page rectangle's corner, and nothing
// is inverted (paper shows no selection).
class TPrintSurface : public TMarkMemoSurface {
public:
    TPrintSurface(TPrintCanvas& canvas, int pixelsPerInch, TPoint origin)
        : canvas_(canvas), ppi_(pixelsPerInch), origin_(origin) {}
    void Fill(const TRect& r, TColor color) override;
    void Tile(const TRect& r, const TBitmap& picture, int64_t originX, int64_t originY) override;
    void Text(int x, int baseline, const TFont& font, TFontStyles style, TColor color,
              std::string_view run) override;
    void Invert(const TRect&) override {}
    void Lines(const TPen& pen, const std::vector<TPoint>& points) override;

private:
    TRect Moved(const TRect& r) const {
        return {r.Left + origin_.X, r.Top + origin_.Y, r.Right + origin_.X, r.Bottom + origin_.Y};
    }
    TPrintCanvas& canvas_;
    int ppi_;
    TPoint origin_;
};
