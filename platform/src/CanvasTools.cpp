// What every canvas implementation shares: the drawing tools' state, where text goes and the
// drawing calls made of other drawing calls.
#include "platform/Canvas.h"
#include "platform/Codec.h"
#include "platform/Picture.h"

#include "TextRuns.h"
#include "platform/TextFit.h"

#include <algorithm>
#include <cstdint>

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

void TCanvas::ExtTextOut(int x, int y, unsigned options, const TRect* r, std::string_view text) {
    DrawRun(x, y, options, r, text, false);
}

TSize TCanvas::TextExtent(std::string_view text) const {
    return RunExtent(text, false);
}

void TCanvas::TextOutUtf8(int x, int y, std::string_view text) {
    DrawRun(x, y, 0, nullptr, text, true);
}

void TCanvas::ExtTextOutUtf8(int x, int y, unsigned options, const TRect* r,
                             std::string_view text) {
    DrawRun(x, y, options, r, text, true);
}

int TCanvas::TextWidthUtf8(std::string_view text) const {
    return RunExtent(text, true).cx;
}

int TCanvas::TextHeight(std::string_view) const {
    return TextExtent({}).cy;
}

namespace {
TRunMeasure MeasureOn(const TCanvas& canvas, bool utf8) {
    if (utf8) return [&canvas](std::string_view run) { return int64_t(canvas.TextWidthUtf8(run)); };
    return [&canvas](std::string_view run) { return int64_t(canvas.TextWidth(run)); };
}
}  // namespace

size_t TextFit(const TCanvas& canvas, std::string_view text, int maxWidth, int* width,
               bool fromEnd) {
    return TextFit(MeasureOn(canvas, false), text, maxWidth, width, fromEnd);
}

size_t TextFitUtf8(const TCanvas& canvas, std::string_view text, int maxWidth, int* width,
                   bool fromEnd) {
    return TextFit(MeasureOn(canvas, true), text, maxWidth, width, fromEnd, true);
}

TShownRun ShownRun(const TCanvas& canvas, std::string_view text, unsigned align, int x,
                   int visibleLeft, int visibleRight, bool utf8) {
    return ShownRun(MeasureOn(canvas, utf8), canvas.TextHeight({}), text, align, x, visibleLeft,
                    visibleRight, utf8);
}

size_t TextFit(const TRunMeasure& measure, std::string_view text, int maxWidth, int* width,
               bool fromEnd, bool utf8) {
    // A short text is tried whole; the pieces of a long one grow from a few bytes, so a narrow
    // space measures little of it.
    constexpr size_t wholeText = 256, firstPiece = 16, largestPiece = 1024;
    auto piece = [&](size_t offset, size_t count) {
        return fromEnd ? text.substr(text.size() - offset - count, count)
                       : text.substr(offset, count);
    };
    // The longest count up to the one given whose piece ends between characters.
    auto whole = [&](size_t offset, size_t count) {
        while (utf8 && count > 0 &&
               InsideUtf8Char(text, fromEnd ? text.size() - offset - count : offset + count))
            --count;
        return count;
    };
    size_t taken = 0;
    int64_t used = 0;
    size_t size = text.size() <= wholeText ? text.size() : firstPiece;
    while (maxWidth >= 0 && taken < text.size()) {
        const size_t count = whole(taken, std::min(size, text.size() - taken));
        if (count == 0) break;
        const int64_t w = measure(piece(taken, count));
        if (used + w <= maxWidth) {
            used += w;
            taken += count;
            size = std::min(2 * size, largestPiece);
            continue;
        }
        // This piece overflows: the longest part of it that still fits.
        size_t low = 0, high = count - 1;
        int64_t lowWidth = 0;
        while (low < high) {
            const size_t middle = whole(taken, (low + high + 1) / 2);
            if (middle <= low) {  // no character ends between low and the middle
                high = (low + high + 1) / 2 - 1;
                continue;
            }
            const int64_t part = measure(piece(taken, middle));
            if (used + part <= maxWidth) {
                low = middle;
                lowWidth = part;
            } else {
                high = middle - 1;
            }
        }
        taken += low;
        used += lowWidth;
        break;
    }
    if (width) *width = int(used);
    return taken;
}

TShownRun ShownRun(const TRunMeasure& measure, int lineHeight, std::string_view text,
                   unsigned align, int x, int visibleLeft, int visibleRight, bool utf8) {
    const unsigned horz = align & 6;
    TShownRun run;
    if (text.size() <= ShortRunBytes) {
        run.Count = text.size();
        run.Width = int(measure(text));
        run.Left = PlaceText(align, x, 0, run.Width, 0, 0).Left;
        run.RunLeft = run.Left;
        run.RunRight = run.Left + run.Width;
        return run;
    }
    // A glyph may reach past its advance; what lies a little outside is drawn too.
    const int slack = 2 * lineHeight;
    const int64_t from = int64_t(visibleLeft) - slack, to = int64_t(visibleRight) + slack;
    auto room = [](int64_t pixels) { return int(std::clamp<int64_t>(pixels, -1, INT32_MAX)); };
    // An anchor byte and where it stands: the bytes after it run rightwards, those before it
    // leftwards.
    size_t anchor = 0;
    int64_t anchorX = x;
    if (horz == TA_RIGHT) {
        anchor = text.size();
    } else if (horz == TA_CENTER) {
        int width = 0;
        const int limit = room(2 * (to - from));
        if (TextFit(measure, text, limit, &width, false, utf8) == text.size()) {
            anchorX = x - width / 2;
        } else {
            anchor = utf8 ? Utf8CharStart(text, text.size() / 2) : text.size() / 2;
        }
    }
    const std::string_view before = text.substr(0, anchor), after = text.substr(anchor);
    // After the anchor: skip what ends left of the span, take what reaches its right edge.
    int skipWidth = 0, takeWidth = 0;
    const size_t skip =
        anchorX < from ? TextFit(measure, after, room(from - anchorX), &skipWidth, false, utf8) : 0;
    const size_t take = TextFit(measure, after.substr(skip), room(to - anchorX - skipWidth),
                                &takeWidth, false, utf8);
    // Before the anchor, the same from the other side.
    int skipBackWidth = 0, takeBackWidth = 0;
    const size_t skipBack =
        anchorX > to ? TextFit(measure, before, room(anchorX - to), &skipBackWidth, true, utf8) : 0;
    const size_t takeBack =
        TextFit(measure, before.substr(0, before.size() - skipBack),
                room(anchorX - skipBackWidth - from), &takeBackWidth, true, utf8);
    run.First = anchor - skipBack - takeBack + skip;
    run.Count = anchor - skipBack + skip + take - run.First;
    run.Left = int(std::clamp<int64_t>(anchorX - skipBackWidth - takeBackWidth + skipWidth,
                                       INT32_MIN, INT32_MAX));
    run.Width = takeBackWidth + takeWidth;
    run.RunLeft = run.First == 0 ? run.Left : std::min(run.Left, visibleLeft);
    run.RunRight = run.First + run.Count == text.size()
                       ? run.Left + run.Width
                       : std::max(run.Left + run.Width, visibleRight);
    return run;
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
