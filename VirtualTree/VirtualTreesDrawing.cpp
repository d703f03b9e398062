// Drawing support: blending, colours, edges, dotted lines, captions and the built-in images.
#include "VirtualTreesDrawing.h"

#include "platform/Codec.h"

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>

// --- Blending ------------------------------------------------------------------------------------

namespace {

inline uint32_t Channel(uint32_t pixel, int shift) {
    return (pixel >> shift) & 0xFFu;
}

// One channel: ((S - D) * A + 256 * D) shr 8 in 16-bit lanes, then the bias, saturated.
inline uint32_t BlendChannel(uint32_t s, uint32_t d, uint32_t a, int bias) {
    const uint16_t mixed = uint16_t(uint16_t((s - d) * a) + uint16_t(256 * d));
    const int value = int(mixed >> 8) + bias;
    return uint32_t(std::clamp(value, 0, 255));
}

inline uint32_t BlendPixel(uint32_t s, uint32_t d, uint32_t a, int bias) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= BlendChannel(Channel(s, shift), Channel(d, shift), a, bias) << shift;
    return out;
}

inline uint32_t MixColor(uint32_t d, uint32_t c, uint32_t a) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= (((Channel(d, shift) * (256 - a) + Channel(c, shift) * a) >> 8) & 0xFFu) << shift;
    return out;
}

}  // namespace

void AlphaBlend(const TPixelBuffer* source, TPixelBuffer& destination, TRect r, TPoint target,
                TBlendMode mode, int constantAlpha, int bias) {
    if (r.IsEmpty() || !destination.Usable()) return;
    const bool colorMode = mode == bmConstantAlphaAndColor;
    if (!colorMode && !(source && source->Usable())) return;
    // Cut r to the source, moving the target along, then the target area to the destination.
    if (!colorMode) {
        TRect cut;
        if (!IntersectRect(cut, r, {0, 0, source->Width, source->Height})) return;
        target.X += cut.Left - r.Left;
        target.Y += cut.Top - r.Top;
        r = cut;
    }
    TRect area{target.X, target.Y, target.X + r.Width(), target.Y + r.Height()};
    TRect inside;
    if (!IntersectRect(inside, area, {0, 0, destination.Width, destination.Height})) return;
    r.Left += inside.Left - area.Left;
    r.Top += inside.Top - area.Top;
    const int width = inside.Width(), height = inside.Height();
    const uint32_t alpha = uint32_t(std::clamp(constantAlpha, 0, 255));
    const int lane = std::clamp(bias, -32768, 32767);

    for (int y = 0; y < height; ++y) {
        uint32_t* d = destination.Row(inside.Top + y) + inside.Left;
        if (colorMode) {
            const uint32_t color = ColorToPixel(uint32_t(bias));
            for (int x = 0; x < width; ++x) d[x] = MixColor(d[x], color, alpha);
            continue;
        }
        const uint32_t* s = source->Row(r.Top + y) + r.Left;
        switch (mode) {
            case bmConstantAlpha:
                for (int x = 0; x < width; ++x) d[x] = BlendPixel(s[x], d[x], alpha, lane);
                break;
            case bmPerPixelAlpha:
                for (int x = 0; x < width; ++x) d[x] = BlendPixel(s[x], d[x], s[x] >> 24, lane);
                break;
            case bmMasterAlpha:
                for (int x = 0; x < width; ++x)
                    d[x] = BlendPixel(s[x], d[x], ((s[x] >> 24) * alpha) >> 8, lane);
                break;
            default:
                break;
        }
    }
}

// --- Colours -------------------------------------------------------------------------------------

uint32_t GetRGBColor(TColor color) {
    if (color == clNone) return CLR_NONE;
    if (color == clDefault) return CLR_DEFAULT;
    return uint32_t(ColorToRGB(color)) & 0x00FFFFFFu;
}

// --- Edges and lines -----------------------------------------------------------------------------

namespace {

void Line(TCanvas& canvas, int x1, int y1, int x2, int y2, TColor color) {
    // Exclusive end, as LineTo has it; drawn as a one-pixel rectangle to stay exact.
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(color);
    if (y1 == y2)
        canvas.FillRect({std::min(x1, x2), y1, std::max(x1, x2), y1 + 1});
    else
        canvas.FillRect({x1, std::min(y1, y2), x1 + 1, std::max(y1, y2)});
}

// One ring of an edge: top-left colour on the left and top, bottom-right colour on the right
// and bottom; the sides drawn move r inwards.
void Ring(TCanvas& canvas, TRect& r, unsigned flags, TColor topLeft, TColor bottomRight) {
    if (r.IsEmpty()) return;
    if (flags & BF_BOTTOM) {
        Line(canvas, r.Left, r.Bottom - 1, r.Right, r.Bottom - 1, bottomRight);
        --r.Bottom;
    }
    if (flags & BF_RIGHT) {
        Line(canvas, r.Right - 1, r.Top, r.Right - 1, r.Bottom, bottomRight);
        --r.Right;
    }
    if (flags & BF_TOP) {
        Line(canvas, r.Left, r.Top, r.Right, r.Top, topLeft);
        ++r.Top;
    }
    if (flags & BF_LEFT) {
        Line(canvas, r.Left, r.Top, r.Left, r.Bottom, topLeft);
        ++r.Left;
    }
}

}  // namespace

void DrawEdge(TCanvas& canvas, TRect& r, unsigned edge, unsigned flags, TColor face) {
    canvas.SaveState();
    TRect inner = r;
    const bool soft = flags & BF_SOFT;
    const unsigned outer = edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER);
    const unsigned innerEdge = edge & (BDR_RAISEDINNER | BDR_SUNKENINNER);
    if (flags & (BF_FLAT | BF_MONO)) {
        const TColor line = flags & BF_MONO ? clWindowFrame : clBtnShadow;
        if (outer) Ring(canvas, inner, flags, line, line);
        if (innerEdge) Ring(canvas, inner, flags, face, face);
    } else {
        if (outer & BDR_RAISEDOUTER)
            Ring(canvas, inner, flags, soft ? clBtnHighlight : cl3DLight, cl3DDkShadow);
        else if (outer & BDR_SUNKENOUTER)
            Ring(canvas, inner, flags, soft ? cl3DDkShadow : clBtnShadow, clBtnHighlight);
        if (innerEdge & BDR_RAISEDINNER)
            Ring(canvas, inner, flags, soft ? cl3DLight : clBtnHighlight, clBtnShadow);
        else if (innerEdge & BDR_SUNKENINNER)
            Ring(canvas, inner, flags, soft ? clBtnShadow : cl3DDkShadow, cl3DLight);
    }
    if ((flags & BF_MIDDLE) && !inner.IsEmpty()) {
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        canvas.Brush().SetColor(face);
        canvas.FillRect(inner);
    }
    canvas.RestoreState();
    if (flags & BF_ADJUST) r = inner;
}

void FillDottedRect(TCanvas& canvas, const TRect& r, TColor color, TColor background,
                    TPoint origin) {
    if (r.IsEmpty()) return;
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    if (background != clNone) {
        canvas.Brush().SetColor(background);
        canvas.FillRect(r);
    }
    canvas.Brush().SetColor(color);
    // A pixel is set where its window coordinates add up to an even number.
    if (r.Width() == 1 || r.Height() == 1) {
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                if (((x + origin.X + y + origin.Y) & 1) == 0) canvas.FillRect({x, y, x + 1, y + 1});
        return;
    }
    for (int y = r.Top; y < r.Bottom; ++y) {
        const int first = r.Left + ((r.Left + origin.X + y + origin.Y) & 1);
        for (int x = first; x < r.Right; x += 2) canvas.FillRect({x, y, x + 1, y + 1});
    }
}

void DrawXPButton(TCanvas& canvas, const TRect& r, bool drawSplitter, bool down, bool hover) {
    constexpr TColor pressedFill = 0xD8DFDE, hotFill = 0xF3F8FA, normalFill = 0xDBEAEB;
    canvas.SaveState();
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    const TColor fill = down ? pressedFill : hover ? hotFill : normalFill;
    canvas.Brush().SetColor(fill);
    canvas.FillRect(r);
    if (down) {
        Line(canvas, r.Left, r.Top, r.Right, r.Top, 0x97A5A5);
        Line(canvas, r.Left, r.Top, r.Left, r.Bottom, 0x97A5A5);
        Line(canvas, r.Left + 1, r.Top + 1, r.Right, r.Top + 1, 0xB8C2C1);
        Line(canvas, r.Left + 1, r.Top + 1, r.Left + 1, r.Bottom, 0xB8C2C1);
        Line(canvas, r.Left, r.Bottom - 1, r.Right, r.Bottom - 1, 0xC9D1D0);
        Line(canvas, r.Right - 1, r.Top, r.Right - 1, r.Bottom, 0xC9D1D0);
    } else if (hover) {
        TCustomImageList& images = BuiltInImageList(biUtilities);
        const int y = r.Bottom - images.Height();
        const int size = images.Width();
        images.Draw(canvas, r.Left, y, uiXPHotLeft);
        if (r.Width() > 2 * size)
            for (int x = r.Left + size; x < r.Right - size; x += size)
                images.Draw(canvas, x, y, uiXPHotMiddle);
        images.Draw(canvas, r.Right - size, y, uiXPHotRight);
    } else {
        if (drawSplitter && r.Height() > 8) {
            Line(canvas, r.Right - 2, r.Top + 3, r.Right - 2, r.Bottom - 4, 0xB2C5C7);
            Line(canvas, r.Right - 1, r.Top + 3, r.Right - 1, r.Bottom - 4, clWhite);
        }
        // Three lines darkening from the fill towards the bottom shade.
        constexpr TColor shade = 0xB8C7CB;
        for (int i = 0; i < 3; ++i) {
            auto mix = [&](int shift) {
                const int from = (fill >> shift) & 0xFF, to = (shade >> shift) & 0xFF;
                return from + (to - from) * (i + 1) / 3;
            };
            Line(canvas, r.Left, r.Bottom - 3 + i, r.Right, r.Bottom - 3 + i,
                 RGBColor(mix(0), mix(8), mix(16)));
        }
    }
    canvas.RestoreState();
}

std::string ShortenString(TCanvas& canvas, const std::string& text, int width) {
    if (width <= 0) return {};
    if (canvas.TextWidthUtf8(text) <= width) return text;
    static const std::string ellipsis = "...";
    // The longest prefix that fits with the ellipsis; prefixes end between characters.
    auto prefix = [&text](size_t n) { return text.substr(0, Utf8CharStart(text, n)); };
    size_t low = 0, high = text.size();
    while (low < high) {
        const size_t mid = (low + high + 1) / 2;
        if (canvas.TextWidthUtf8(prefix(mid) + ellipsis) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    const std::string kept = prefix(low);
    if (kept.empty()) return canvas.TextWidthUtf8(ellipsis) <= width ? ellipsis : std::string();
    return kept + ellipsis;
}

// --- Images --------------------------------------------------------------------------------------

namespace {

// The image with its visible pixels mixed half and half with a colour, drawn through a scratch
// list so that its see-through pixels stay so.
void DrawBlended(TCanvas& canvas, const TCustomImageList& list, int index, int x, int y,
                 TColor color) {
    constexpr TColor key = clFuchsia;
    const int width = list.Width(), height = list.Height();
    TBitmap scratch(width, height);
    scratch.Canvas().Brush().SetStyle(TBrushStyle::bsSolid);
    scratch.Canvas().Brush().SetColor(key);
    scratch.Canvas().FillRect({0, 0, width, height});
    list.Draw(scratch.Canvas(), 0, 0, index);
    {
        const uint32_t with = ColorToPixel(uint32_t(ColorToRGB(color)));
        const uint32_t keyPixel = ColorToPixel(uint32_t(key));
        TBitmapPixels access(scratch);
        TPixelBuffer& pixels = access.Pixels();
        for (int row = 0; row < pixels.Height; ++row) {
            uint32_t* line = pixels.Row(row);
            for (int column = 0; column < pixels.Width; ++column) {
                const uint32_t p = line[column] & 0xFFFFFFu;
                if (p == keyPixel) continue;
                uint32_t mixed = 0xFF000000u;
                for (int shift = 0; shift < 24; shift += 8)
                    mixed |= (((p >> shift & 0xFFu) + (with >> shift & 0xFFu)) / 2) << shift;
                line[column] = mixed;
            }
        }
    }
    TCustomImageList one(nullptr, width, height);
    one.Add(scratch, key);
    one.Draw(canvas, x, y, 0);
}

}  // namespace

void DrawImage(TCanvas& canvas, const TCustomImageList& list, int index, int x, int y,
               TImageStyle style, TColor blendColor, int overlay) {
    if (index < 0 || index >= list.Count()) return;
    switch (style) {
        case isBlend50:
            DrawBlended(canvas, list, index, x, y, blendColor);
            break;
        case isGrayed:
            list.Draw(canvas, x, y, index, false);
            break;
        default:
            list.Draw(canvas, x, y, index, true);
            break;
    }
    if (overlay >= 0) list.Draw(canvas, x, y, overlay, style != isGrayed);
}
