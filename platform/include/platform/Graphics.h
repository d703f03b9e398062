// Geometry, colours and fonts as plain values: what painters, layouts and printers share.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

// A rectangle with exclusive right and bottom edges, as the Windows world has it.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(TPoint p) const {
        return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom;
    }
    void Offset(int dx, int dy) {
        Left += dx;
        Right += dx;
        Top += dy;
        Bottom += dy;
    }
    void Inflate(int dx, int dy) {
        Left -= dx;
        Right += dx;
        Top -= dy;
        Bottom += dy;
    }
    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Rect(int left, int top, int right, int bottom) {
    return {left, top, right, bottom};
}
// The overlap of two rectangles; false (and an empty result) when they do not overlap.
inline bool IntersectRect(TRect& out, const TRect& a, const TRect& b) {
    out = {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
           std::min(a.Bottom, b.Bottom)};
    if (out.IsEmpty()) {
        out = {};
        return false;
    }
    return true;
}
inline TRect UnionRect(const TRect& a, const TRect& b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

// A colour: a COLORREF ($00BBGGRR) or, with the top byte 0x80 or 0xFF, a system colour
// (clWindow, clBtnFace, ...) that the display resolves from the desktop's palette.
using TColor = int32_t;

inline constexpr TColor RGBColor(int r, int g, int b) {
    return TColor((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline constexpr int GetRValue(TColor c) {
    return c & 0xFF;
}
inline constexpr int GetGValue(TColor c) {
    return (c >> 8) & 0xFF;
}
inline constexpr int GetBValue(TColor c) {
    return (c >> 16) & 0xFF;
}
inline constexpr bool IsSystemColor(TColor c) {
    return (uint32_t(c) & 0xFF000000u) != 0;
}

inline constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000,
                        clOlive = 0x008080, clNavy = 0x800000, clPurple = 0x800080,
                        clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0, clRed = 0x0000FF,
                        clLime = 0x00FF00, clYellow = 0x00FFFF, clBlue = 0xFF0000,
                        clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;
inline constexpr TColor clNone = 0x1FFFFFFF, clDefault = 0x20000000;

// System colours by their Windows index, tagged with 0x80 in the top byte.
inline constexpr TColor SystemColor(int index) {
    return TColor(0x80000000u | uint32_t(index));
}
inline constexpr TColor clScrollBar = SystemColor(0), clBackground = SystemColor(1),
                        clActiveCaption = SystemColor(2), clInactiveCaption = SystemColor(3),
                        clMenu = SystemColor(4), clWindow = SystemColor(5),
                        clWindowFrame = SystemColor(6), clMenuText = SystemColor(7),
                        clWindowText = SystemColor(8), clCaptionText = SystemColor(9),
                        clActiveBorder = SystemColor(10), clInactiveBorder = SystemColor(11),
                        clAppWorkSpace = SystemColor(12), clHighlight = SystemColor(13),
                        clHighlightText = SystemColor(14), clBtnFace = SystemColor(15),
                        clBtnShadow = SystemColor(16), clGrayText = SystemColor(17),
                        clBtnText = SystemColor(18), clInactiveCaptionText = SystemColor(19),
                        clBtnHighlight = SystemColor(20), cl3DDkShadow = SystemColor(21),
                        cl3DLight = SystemColor(22), clInfoText = SystemColor(23),
                        clInfoBk = SystemColor(24), clHotLight = SystemColor(26);

// The classic Windows value of system colour `index` (clBlack for an unknown index): what a
// display without a desktop palette shows.
TColor ClassicSystemColor(int index);

// Horizontal alignment of text in a cell, a line or an edit box.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;

// What the drawing tools (font, pen, brush, picture) share: OnChange hears of every change of
// the tool, and a property changes only to a new value, which it then tells.
template <class Tool>
class TChangeNotifier {
public:
    std::function<void(Tool*)> OnChange;

protected:
    void Changed() {
        if (OnChange) OnChange(static_cast<Tool*>(this));
    }
    template <class T>
    void SetProperty(T& property, const T& value) {
        if (value != property) {
            property = value;
            Changed();
        }
    }
};

enum class TFontPitch { fpDefault, fpVariable, fpFixed };

// A font description. Height is in pixels (negative: character height without internal
// leading, as Windows has it); Size is in points; setting one derives the other at
// PixelsPerInch. OnChange fires after every change.
class TFont : public TChangeNotifier<TFont> {
public:
    TFont() = default;
    TFont(const TFont& other) : TChangeNotifier<TFont>() { Assign(other); }
    TFont& operator=(const TFont& other) {
        Assign(other);
        return *this;
    }

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { SetProperty(name_, name); }
    int Size() const;
    void SetSize(int points);
    int Height() const { return height_; }
    void SetHeight(int height) { SetProperty(height_, height); }
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style) { SetProperty(style_, style); }
    TColor Color() const { return color_; }
    void SetColor(TColor color) { SetProperty(color_, color); }
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch pitch) { SetProperty(pitch_, pitch); }
    uint8_t Charset() const { return charset_; }
    void SetCharset(uint8_t charset) { SetProperty(charset_, charset); }
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int ppi) { pixelsPerInch_ = ppi > 0 ? ppi : 96; }

    void Assign(const TFont& other);
    bool SameAs(const TFont& other) const;

private:
    std::string name_ = "MS Sans Serif";
    int height_ = -11;  // 8 points at 96 pixels per inch
    TFontStyles style_ = 0;
    TColor color_ = clWindowText;
    TFontPitch pitch_ = TFontPitch::fpDefault;
    uint8_t charset_ = 1;  // DEFAULT_CHARSET
    int pixelsPerInch_ = 96;
};

// The character height in pixels that a font's Height stands for: a negative Height is the
// character height, a positive one the cell height with the internal leading, which fonts keep
// at roughly a fifth of the cell. At least 1.
int FontPixelSize(const TFont& font);

// The measures of a font in pixels, as the canvas and the text measurers report them.
struct TTextMetric {
    int Height = 0;  // ascent + descent
    int Ascent = 0;
    int Descent = 0;
    int InternalLeading = 0;  // room for accents inside Height
    int ExternalLeading = 0;  // recommended gap between lines
    int AveCharWidth = 0;
    int MaxCharWidth = 0;
    bool FixedPitch = false;
};

// MulDiv as Windows rounds it: a * b / c rounded half away from zero; -1 when c is 0.
int MulDiv(int a, int b, int c);
