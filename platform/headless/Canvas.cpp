// TCanvas and TBitmap over plain pixels: a small deterministic rasteriser without a toolkit.
// Bitmaps read PNG and BMP and write PNG.
// Lines are one pixel wide (or square-tipped when wider), patterns and dots follow the pixel
// grid, round corners are drawn square, text is drawn as one box per character.
#include "platform/Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "HeadlessCanvas.h"
#include "ImageCodec.h"
#include "TextRuns.h"
#include "platform/FileUtils.h"
#include "platform/headless/Headless.h"

namespace headless {

namespace {
uint64_t textBytesMeasured = 0;
uint64_t textBytesDrawn = 0;
}  // namespace

FontModel ModelOf(const TFont& font, TFontStyles style) {
    int pixels = FontPixelSize(font);
    FontModel m;
    m.pixels = pixels;
    m.advance = (pixels + 1) / 2 + ((style & fsBold) ? 1 : 0);
    m.metric.InternalLeading = (pixels + 2) / 5;
    m.metric.Descent = (pixels + 3) / 4;
    m.metric.Ascent = pixels + m.metric.InternalLeading - m.metric.Descent;
    m.metric.Height = m.metric.Ascent + m.metric.Descent;
    m.metric.ExternalLeading = 0;
    m.metric.AveCharWidth = m.advance;
    m.metric.MaxCharWidth = m.advance;
    m.metric.FixedPitch = true;
    return m;
}

std::unique_ptr<TCanvas> MakeCanvas(TBitmap::Impl& target) {
    auto impl = std::make_unique<TCanvas::Impl>();
    impl->target = &target;
    return std::make_unique<TCanvas>(std::move(impl));
}

}  // namespace headless

namespace {

using headless::FontModel;
using headless::ModelOf;

TColor Resolve(TColor color) {
    return ColorToRGB(color == clDefault ? clWindow : color);
}

// Whether the n-th pixel of a line in `style` is drawn.
bool PenDot(TPenStyle style, int n) {
    switch (style) {
        case TPenStyle::psDot:
            return n % 2 == 0;
        case TPenStyle::psDash:
            return n % 8 < 6;
        case TPenStyle::psDashDot:
            return n % 12 < 6 || n % 12 == 8;
        case TPenStyle::psDashDotDot:
            return n % 14 < 6 || n % 14 == 8 || n % 14 == 10;
        default:
            return true;
    }
}

// Whether the brush pattern covers a device pixel.
bool BrushCovers(TBrushStyle style, int x, int y) {
    switch (style) {
        case TBrushStyle::bsHorizontal:
            return y % 8 == 0;
        case TBrushStyle::bsVertical:
            return x % 8 == 0;
        case TBrushStyle::bsFDiagonal:
            return (x - y) % 8 == 0;
        case TBrushStyle::bsBDiagonal:
            return (x + y) % 8 == 0;
        case TBrushStyle::bsCross:
            return x % 8 == 0 || y % 8 == 0;
        case TBrushStyle::bsDiagCross:
            return (x - y) % 8 == 0 || (x + y) % 8 == 0;
        case TBrushStyle::bsClear:
            return false;
        default:
            return true;
    }
}

class Raster {
public:
    explicit Raster(TCanvas::Impl& c) : c_(c) {}

    // Plots a logical pixel through the origin and the clip.
    void Plot(int x, int y, TColor color, TPenMode mode = TPenMode::pmCopy) {
        if (!c_.target) return;
        x += c_.origin.X;
        y += c_.origin.Y;
        if (!c_.target->Valid(x, y)) return;
        if (c_.clipped && !c_.clip.Contains({x, y})) return;
        headless::TPixelRef p = c_.target->At(x, y);
        switch (mode) {
            case TPenMode::pmXor:
                p = (TColor(p) ^ color) & 0xFFFFFF;
                break;
            case TPenMode::pmNot:
                p = ~TColor(p) & 0xFFFFFF;
                break;
            default:
                p = color & 0xFFFFFF;
                break;
        }
    }

    void Fill(const TRect& r, const TBrush& brush) {
        if (r.IsEmpty() || brush.Style() == TBrushStyle::bsClear) return;
        TColor color = Resolve(brush.Color());
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                if (BrushCovers(brush.Style(), x + c_.origin.X, y + c_.origin.Y)) Plot(x, y, color);
    }

    void FillSolid(const TRect& r, TColor color) {
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) Plot(x, y, color);
    }

    // A line from (x0, y0) to (x1, y1), the end point left out as the Windows line leaves it.
    void Line(int x0, int y0, int x1, int y1, const TPen& pen) {
        if (pen.Style() == TPenStyle::psClear) return;
        TColor color = pen.Mode() == TPenMode::pmCopy ? Resolve(pen.Color()) : 0xFFFFFF;
        int w = pen.Width();
        int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
        int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
        int err = dx + dy, n = 0;
        while (!(x0 == x1 && y0 == y1)) {
            if (PenDot(pen.Style(), n++)) {
                if (w <= 1)
                    Plot(x0, y0, color, pen.Mode());
                else
                    for (int yy = 0; yy < w; ++yy)
                        for (int xx = 0; xx < w; ++xx)
                            Plot(x0 - w / 2 + xx, y0 - w / 2 + yy, color, pen.Mode());
            }
            int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y0 += sy;
            }
        }
    }

    // The outline of r's last row and column included, as a closed path.
    void Outline(const TRect& r, const TPen& pen) {
        int l = r.Left, t = r.Top, rr = r.Right - 1, b = r.Bottom - 1;
        if (rr <= l || b <= t) {
            Line(l, t, rr + 1, b + 1, pen);
            return;
        }
        Line(l, t, rr, t, pen);
        Line(rr, t, rr, b, pen);
        Line(rr, b, l, b, pen);
        Line(l, b, l, t, pen);
    }

private:
    TCanvas::Impl& c_;
};

}  // namespace

TCanvas::TCanvas(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TCanvas::~TCanvas() = default;

void TCanvas::LineTo(int x, int y) {
    Raster(*impl_).Line(penPos_.X, penPos_.Y, x, y, pen_);
    penPos_ = {x, y};
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
    if (points.size() < 2) return;
    Raster raster(*impl_);
    if (brush_.Style() != TBrushStyle::bsClear) {
        // Even-odd fill at the pixel centres.
        int top = points[0].Y, bottom = points[0].Y;
        for (const TPoint& p : points) top = std::min(top, p.Y), bottom = std::max(bottom, p.Y);
        TColor color = Resolve(brush_.Color());
        for (int y = top; y <= bottom; ++y) {
            double cy = y + 0.5;
            std::vector<double> xs;
            for (size_t i = 0; i < points.size(); ++i) {
                TPoint a = points[i], b = points[(i + 1) % points.size()];
                if ((a.Y <= cy) == (b.Y <= cy)) continue;
                xs.push_back(a.X + (cy - a.Y) * (b.X - a.X) / double(b.Y - a.Y));
            }
            std::sort(xs.begin(), xs.end());
            for (size_t i = 0; i + 1 < xs.size(); i += 2)
                for (int x = int(std::ceil(xs[i] - 0.5)); x + 0.5 < xs[i + 1]; ++x)
                    if (BrushCovers(brush_.Style(), x + impl_->origin.X, y + impl_->origin.Y))
                        raster.Plot(x, y, color);
        }
    }
    for (size_t i = 0; i < points.size(); ++i) {
        TPoint a = points[i], b = points[(i + 1) % points.size()];
        raster.Line(a.X, a.Y, b.X, b.Y, pen_);
    }
}

void TCanvas::Rectangle(const TRect& r) {
    if (r.IsEmpty()) return;
    Raster raster(*impl_);
    raster.Fill(r, brush_);
    if (pen_.Style() == TPenStyle::psClear) return;
    // A wide pen stays inside the rectangle.
    TRect ring = r;
    for (int i = 0; i < std::max(1, pen_.Width()) && !ring.IsEmpty(); ++i) {
        TPen thin;
        thin.Assign(pen_);
        thin.SetWidth(1);
        raster.Outline(ring, thin);
        ring.Inflate(-1, -1);
    }
}

void TCanvas::RoundRect(const TRect& r, int, int) {
    Rectangle(r);
}

void TCanvas::Ellipse(const TRect& r) {
    if (r.IsEmpty()) return;
    Raster raster(*impl_);
    double cx = (r.Left + r.Right) / 2.0, cy = (r.Top + r.Bottom) / 2.0;
    double rx = r.Width() / 2.0, ry = r.Height() / 2.0;
    auto inside = [&](int x, int y) {
        double nx = (x + 0.5 - cx) / rx, ny = (y + 0.5 - cy) / ry;
        return nx * nx + ny * ny <= 1.0;
    };
    bool outline = pen_.Style() != TPenStyle::psClear;
    TColor penColor = Resolve(pen_.Color());
    TColor brushColor = Resolve(brush_.Color());
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) {
            if (!inside(x, y)) continue;
            bool edge =
                !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
            if (edge && outline)
                raster.Plot(x, y, penColor, pen_.Mode());
            else if (BrushCovers(brush_.Style(), x + impl_->origin.X, y + impl_->origin.Y))
                raster.Plot(x, y, brushColor);
        }
}

void TCanvas::FillRect(const TRect& r) {
    Raster(*impl_).Fill(r, brush_);
}

void TCanvas::FrameRect(const TRect& r) {
    if (r.IsEmpty()) return;
    Raster raster(*impl_);
    TColor c = Resolve(brush_.Color());
    raster.FillSolid({r.Left, r.Top, r.Right, r.Top + 1}, c);
    raster.FillSolid({r.Left, r.Bottom - 1, r.Right, r.Bottom}, c);
    raster.FillSolid({r.Left, r.Top, r.Left + 1, r.Bottom}, c);
    raster.FillSolid({r.Right - 1, r.Top, r.Right, r.Bottom}, c);
}

void TCanvas::DrawFocusRect(const TRect& r) {
    if (r.IsEmpty()) return;
    Raster raster(*impl_);
    // Every other pixel of the border, checkerboard-aligned to the surface, inverted.
    auto dot = [&](int x, int y) {
        if ((x + impl_->origin.X + y + impl_->origin.Y) % 2 == 0)
            raster.Plot(x, y, 0xFFFFFF, TPenMode::pmXor);
    };
    for (int x = r.Left; x < r.Right; ++x) {
        dot(x, r.Top);
        if (r.Height() > 1) dot(x, r.Bottom - 1);
    }
    for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
        dot(r.Left, y);
        if (r.Width() > 1) dot(r.Right - 1, y);
    }
}

void TCanvas::InvertRect(const TRect& r) {
    Raster raster(*impl_);
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) raster.Plot(x, y, 0xFFFFFF, TPenMode::pmXor);
}

void TCanvas::DrawRun(int x, int y, unsigned options, const TRect* r, std::string_view text,
                      bool utf8) {
    FontModel m = ModelOf(font_, font_.Style());
    // Only the part of the run that can show is drawn, as over Qt.
    TRect visible;
    if (text.size() > ShortRunBytes) {
        visible = ClipRect();
        if (r && (options & ETO_CLIPPED)) IntersectRect(visible, visible, *r);
    }
    const TShownRun run = ShownRun(*this, text, textAlign_, x, visible.Left, visible.Right, utf8);
    headless::textBytesDrawn += run.Count;
    const TTextPlacement at = PlaceText(textAlign_, x, y, 0, m.metric.Ascent, m.metric.Descent);
    const int baseline = at.Baseline;
    int top = baseline - m.metric.Ascent;
    bool solid = brush_.Style() != TBrushStyle::bsClear;
    // The clip of ETO_CLIPPED lasts for this call only.
    const bool wasClipped = impl_->clipped;
    const TRect oldClip = impl_->clip;
    if (r && (options & ETO_CLIPPED)) IntersectClipRect(*r);
    Raster raster(*impl_);
    TColor back = Resolve(brush_.Color());
    if (r && (options & ETO_OPAQUE) && solid)
        raster.FillSolid(*r, back);
    else if (solid && !r)
        raster.FillSolid({run.RunLeft, top, run.RunRight, top + m.metric.Height}, back);
    TColor ink = Resolve(font_.Color());
    int glyphTop = top + m.metric.InternalLeading + m.pixels / 4;
    // One box per character: per byte, or per UTF-8 character (its lead byte and what follows).
    int cell = 0;
    for (size_t i = 0; i < run.Count; ++i) {
        const std::string_view rest = text.substr(run.First + i);
        if (utf8 && InsideUtf8Char(rest, 0)) continue;
        const bool blank = rest[0] == ' ' || (utf8 ? rest.substr(0, 2) == "\xC2\xA0"
                                                   : (unsigned char)rest[0] == 0xA0);
        int gl = run.Left + cell++ * m.advance;
        if (!blank) raster.FillSolid({gl + 1, glyphTop, gl + m.advance - 1, baseline}, ink);
        if (font_.Style() & fsUnderline)
            raster.FillSolid({gl, baseline + 1, gl + m.advance, baseline + 2}, ink);
    }
    impl_->clipped = wasClipped;
    impl_->clip = oldClip;
    if (textAlign_ & 1) {  // TA_UPDATECP
        const int width = RunExtent(text, utf8).cx;
        penPos_.X = PlaceText(textAlign_, x, y, width, 0, 0).Left + width;
    }
}

TSize TCanvas::RunExtent(std::string_view text, bool utf8) const {
    FontModel m = ModelOf(font_, font_.Style());
    headless::textBytesMeasured += text.size();
    int64_t cells = int64_t(text.size());
    if (utf8)
        for (size_t i = 0; i < text.size(); ++i) cells -= InsideUtf8Char(text, i);
    const int64_t width = int64_t(m.advance) * cells;
    return {int(std::min<int64_t>(width, INT32_MAX)), m.metric.Height};
}

TTextMetric TCanvas::TextMetrics() const {
    return ModelOf(font_, font_.Style()).metric;
}

TColor TCanvas::Pixel(int x, int y) const {
    if (!impl_->target) return clNone;
    int ox = x + impl_->origin.X, oy = y + impl_->origin.Y;
    if (!impl_->target->Valid(ox, oy)) return clNone;
    return impl_->target->At(ox, oy);
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    Raster(*impl_).Plot(x, y, Resolve(color));
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
    if (bitmap.Empty()) return;
    CopyRect({x, y, x + bitmap.Width(), y + bitmap.Height()}, bitmap,
             {0, 0, bitmap.Width(), bitmap.Height()});
}

void TCanvas::StretchDraw(const TRect& dest, const TBitmap& bitmap) {
    if (bitmap.Empty() || dest.IsEmpty()) return;
    CopyRect(dest, bitmap, {0, 0, bitmap.Width(), bitmap.Height()});
}

void TCanvas::CopyRect(const TRect& dest, const TBitmap& source, const TRect& sourceRect) {
    if (source.Empty() || dest.IsEmpty() || sourceRect.IsEmpty()) return;
    const TBitmap::Impl& from = source.Internal();
    // A copy of the pixels first: the source may be the canvas's own bitmap.
    std::vector<TColor> copy = from.Colours();
    Raster raster(*impl_);
    for (int y = dest.Top; y < dest.Bottom; ++y) {
        int sy = sourceRect.Top + (y - dest.Top) * sourceRect.Height() / dest.Height();
        for (int x = dest.Left; x < dest.Right; ++x) {
            int sx = sourceRect.Left + (x - dest.Left) * sourceRect.Width() / dest.Width();
            if (from.Valid(sx, sy))
                raster.Plot(x, y, copy[size_t(sy) * size_t(from.width) + size_t(sx)]);
        }
    }
}

void TCanvas::SetClipRect(const TRect& r) {
    impl_->clip = r;
    impl_->clip.Offset(impl_->origin.X, impl_->origin.Y);
    impl_->clipped = true;
}

void TCanvas::IntersectClipRect(const TRect& r) {
    TRect device = r;
    device.Offset(impl_->origin.X, impl_->origin.Y);
    if (impl_->clipped) {
        TRect both;
        IntersectRect(both, impl_->clip, device);
        impl_->clip = both;
    } else {
        impl_->clip = device;
    }
    impl_->clipped = true;
}

void TCanvas::ResetClip() {
    impl_->clipped = false;
}

TRect TCanvas::ClipRect() const {
    TRect r;
    if (impl_->clipped)
        r = impl_->clip;
    else if (impl_->target)
        r = {0, 0, impl_->target->width, impl_->target->height};
    r.Offset(-impl_->origin.X, -impl_->origin.Y);
    return r;
}

void TCanvas::SaveState() {
    impl_->saved.push_back({impl_->origin, impl_->clipped, impl_->clip});
}

void TCanvas::RestoreState() {
    if (impl_->saved.empty()) return;
    const Impl::State& s = impl_->saved.back();
    impl_->origin = s.origin;
    impl_->clipped = s.clipped;
    impl_->clip = s.clip;
    impl_->saved.pop_back();
}

void TCanvas::SetOrigin(int x, int y) {
    impl_->origin = {x, y};
}
TPoint TCanvas::Origin() const {
    return impl_->origin;
}

// --- TBitmap ---------------------------------------------------------------------------------

TBitmap::TBitmap() : impl_(std::make_unique<Impl>()) {}
TBitmap::TBitmap(int width, int height) : TBitmap() {
    SetSize(width, height);
}
TBitmap::~TBitmap() {
    canvas_.reset();
}
TBitmap::TBitmap(const TBitmap& other) : TBitmap() {
    *impl_ = *other.impl_;
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
    if (this != &other) {
        *impl_ = *other.impl_;
        if (canvas_) canvas_ = headless::MakeCanvas(*impl_);
    }
    return *this;
}

int TBitmap::Width() const {
    return impl_->width;
}
int TBitmap::Height() const {
    return impl_->height;
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(0, width);
    height = std::max(0, height);
    if (width == 0 || height == 0) width = height = 0;
    if (width == impl_->width && height == impl_->height) return;
    Impl next;
    next.width = width;
    next.height = height;
    next.pixels.assign(size_t(width) * size_t(height), headless::ToArgb(clWhite));
    for (int y = 0; y < std::min(height, impl_->height); ++y)
        for (int x = 0; x < std::min(width, impl_->width); ++x) next.At(x, y) = impl_->At(x, y);
    *impl_ = std::move(next);
    if (canvas_) canvas_ = headless::MakeCanvas(*impl_);
}

TCanvas& TBitmap::Canvas() {
    if (!canvas_) canvas_ = headless::MakeCanvas(*impl_);
    return *canvas_;
}

TColor TBitmap::Pixel(int x, int y) const {
    return impl_->Valid(x, y) ? impl_->At(x, y) : clNone;
}

bool TBitmap::LoadFromData(const void* data, size_t size) {
    headless::DecodedImage image;
    if (!headless::DecodeImage(data, size, image)) return false;
    impl_->width = image.width;
    impl_->height = image.height;
    impl_->Assign(image.pixels);
    if (canvas_) canvas_ = headless::MakeCanvas(*impl_);
    return true;
}

// Writes a PNG whatever the extension.
bool TBitmap::SaveToFile(const std::string& fileName) const {
    if (Empty()) return false;
    std::string png = headless::EncodePng(impl_->width, impl_->height, impl_->Colours());
    FILE* f = std::fopen(ToNativePath(fileName).c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && ok;
}

TColor ColorToRGB(TColor color) {
    if (color == clNone) return clNone;
    if (color == clDefault) color = clWindow;
    if (!IsSystemColor(color)) return color;
    return ClassicSystemColor(int(uint32_t(color) & 0xFFFFFFu));
}

uint64_t HeadlessTextBytesMeasured() {
    return headless::textBytesMeasured;
}

uint64_t HeadlessTextBytesDrawn() {
    return headless::textBytesDrawn;
}
