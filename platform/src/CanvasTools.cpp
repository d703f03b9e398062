// What every canvas implementation shares: the drawing tools' state, where text goes and the
// drawing calls made of other drawing calls.
#include "platform/Canvas.h"
#include "platform/Picture.h"

void TPen::Assign(const TPen& other) {
    color_ = other.color_;
    width_ = other.width_;
    style_ = other.style_;
    mode_ = other.mode_;
    Changed();
}

void TBrush::Assign(const TBrush& other) {
    color_ = other.color_;
    style_ = other.style_;
    Changed();
}

TTextPlacement PlaceText(unsigned align, int x, int y, int width, int ascent, int descent) {
    unsigned horz = align & 6, vert = align & 24;
    TTextPlacement p;
    p.Left = horz == TA_RIGHT ? x - width : horz == TA_CENTER ? x - width / 2 : x;
    p.Baseline = vert == TA_BASELINE ? y : vert == TA_BOTTOM ? y - descent : y + ascent;
    return p;
}

// Drawing calls made of other drawing calls.

void TCanvas::Polyline(const std::vector<TPoint>& points) {
    if (points.empty()) return;
    MoveTo(points[0].X, points[0].Y);
    for (size_t i = 1; i < points.size(); ++i) LineTo(points[i].X, points[i].Y);
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
    ExtTextOut(x, y, 0, nullptr, text);
}

void TCanvas::TextRect(const TRect& r, int x, int y, std::string_view text) {
    ExtTextOut(x, y, ETO_CLIPPED | ETO_OPAQUE, &r, text);
}

int TCanvas::TextWidth(std::string_view text) const {
    return TextExtent(text).cx;
}

int TCanvas::TextHeight(std::string_view text) const {
    return TextExtent(text).cy;
}

void TilePicture(TCanvas& canvas, const TRect& r, const TBitmap& picture, int64_t originX,
                 int64_t originY) {
    const int w = picture.Width(), h = picture.Height();
    if (r.IsEmpty() || w <= 0 || h <= 0) return;
    auto phase = [](int64_t at, int size) { return int((at % size + size) % size); };
    const int left = r.Left - phase(int64_t(r.Left) - originX, w);
    const int top = r.Top - phase(int64_t(r.Top) - originY, h);
    canvas.SaveState();
    canvas.IntersectClipRect(r);
    for (int y = top; y < r.Bottom; y += h)
        for (int x = left; x < r.Right; x += w) canvas.Draw(x, y, picture);
    canvas.RestoreState();
}
