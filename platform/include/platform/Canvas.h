// The drawing surface of controls and off-screen bitmaps: pens, brushes, fonts and a canvas.
#pragma once

#include "platform/Graphics.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// How the pen combines with what is already drawn: copy, or invert through XOR.
enum class TPenMode { pmCopy, pmXor, pmNot };

class TPen : public TChangeNotifier<TPen> {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor color) { SetProperty(color_, color); }
    int Width() const { return width_; }
    void SetWidth(int width) { SetProperty(width_, width < 1 ? 1 : width); }
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style) { SetProperty(style_, style); }
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode mode) { SetProperty(mode_, mode); }
    void Assign(const TPen& other);

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = TPenStyle::psSolid;
    TPenMode mode_ = TPenMode::pmCopy;
};

enum class TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

class TBrush : public TChangeNotifier<TBrush> {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor color) { SetProperty(color_, color); }
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style) { SetProperty(style_, style); }
    void Assign(const TBrush& other);

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = TBrushStyle::bsSolid;
};

// Reference point of TextOut: combine one horizontal and one vertical value.
enum : unsigned {
    TA_LEFT = 0,
    TA_RIGHT = 2,
    TA_CENTER = 6,
    TA_TOP = 0,
    TA_BOTTOM = 8,
    TA_BASELINE = 24,
};

// ExtTextOut options.
enum : unsigned { ETO_OPAQUE = 2, ETO_CLIPPED = 4 };

class TBitmap;

// Where TextOut puts a run `width` pixels wide for the reference point (x, y) and the text
// alignment `align`: its left edge and its baseline.
struct TTextPlacement {
    int Left = 0;
    int Baseline = 0;
};
TTextPlacement PlaceText(unsigned align, int x, int y, int width, int ascent, int descent);

// A drawing surface. Text is Windows-1252; coordinates are pixels with exclusive right and
// bottom edges. The pen, brush and font are applied at each drawing call, so changing them
// between calls is cheap. Canvases come from a control's paint cycle or from a TBitmap.
class TCanvas {
public:
    struct Impl;
    explicit TCanvas(std::unique_ptr<Impl> impl);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TPen& Pen() { return pen_; }
    TBrush& Brush() { return brush_; }
    TFont& Font() { return font_; }

    TPoint PenPos() const { return penPos_; }
    void MoveTo(int x, int y) { penPos_ = {x, y}; }
    void LineTo(int x, int y);
    void Polyline(const std::vector<TPoint>& points);
    void Polygon(
        const std::vector<TPoint>& points);  // outlined with the pen, filled with the brush
    void Rectangle(const TRect& r);          // pen outline inside r, brush inside
    void Rectangle(int l, int t, int r, int b) { Rectangle(TRect{l, t, r, b}); }
    void RoundRect(const TRect& r, int cornerWidth, int cornerHeight);
    void Ellipse(const TRect& r);
    void FillRect(const TRect& r);       // with the brush, no outline
    void FrameRect(const TRect& r);      // a 1-pixel border in the brush colour
    void DrawFocusRect(const TRect& r);  // dotted, inverting: drawing twice removes it
    void InvertRect(const TRect& r);

    unsigned TextAlign() const { return textAlign_; }
    void SetTextAlign(unsigned align) { textAlign_ = align; }
    // Draws at (x, y) by TextAlign; a solid brush fills the text's cell first.
    void TextOut(int x, int y, std::string_view text);
    // Draws clipped to r; a solid brush fills r first.
    void TextRect(const TRect& r, int x, int y, std::string_view text);
    void ExtTextOut(int x, int y, unsigned options, const TRect* r, std::string_view text);
    int TextWidth(std::string_view text) const;
    int TextHeight(std::string_view text) const;
    TSize TextExtent(std::string_view text) const;
    TTextMetric TextMetrics() const;
    // The same for UTF-8 text (cells that hold Unicode); a malformed byte shows as one
    // replacement character.
    void TextOutUtf8(int x, int y, std::string_view text);
    void ExtTextOutUtf8(int x, int y, unsigned options, const TRect* r, std::string_view text);
    int TextWidthUtf8(std::string_view text) const;

    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);
    void Draw(int x, int y, const TBitmap& bitmap);
    void StretchDraw(const TRect& dest, const TBitmap& bitmap);
    void CopyRect(const TRect& dest, const TBitmap& source, const TRect& sourceRect);

    // Clipping and saved states. IntersectClipRect narrows; SaveState/RestoreState nest.
    void SetClipRect(const TRect& r);
    void IntersectClipRect(const TRect& r);
    void ResetClip();
    TRect ClipRect() const;
    void SaveState();
    void RestoreState();
    // Moves the origin; coordinates given afterwards are relative to it.
    void SetOrigin(int x, int y);
    TPoint Origin() const;

    Impl& Internal() { return *impl_; }

private:
    void DrawRun(int x, int y, unsigned options, const TRect* r, std::string_view text, bool utf8);
    TSize RunExtent(std::string_view text, bool utf8) const;

    std::unique_ptr<Impl> impl_;
    TPen pen_;
    TBrush brush_;
    TFont font_;
    TPoint penPos_;
    unsigned textAlign_ = TA_LEFT | TA_TOP;
};

// An off-screen 32-bit image with its own canvas; its pixels start white.
class TBitmap {
public:
    TBitmap();
    TBitmap(int width, int height);
    ~TBitmap();
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);

    int Width() const;
    int Height() const;
    void SetSize(int width, int height);
    bool Empty() const { return Width() == 0 || Height() == 0; }
    TCanvas& Canvas();
    TColor Pixel(int x, int y) const;
    // Reads PNG, BMP or other common image bytes; false (and the bitmap unchanged) when the
    // bytes are no image.
    bool LoadFromData(const void* data, size_t size);
    bool SaveToFile(const std::string& fileName) const;  // PNG by the extension

    struct Impl;
    Impl& Internal() const { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
    std::unique_ptr<TCanvas> canvas_;
};

// A system colour resolved through the desktop's palette; COLORREF values pass unchanged.
TColor ColorToRGB(TColor color);
