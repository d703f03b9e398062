// Printing the memo: its text laid out again with a printer's fonts for a page, painted a range
// of display lines at a time, while the screen's layout waits aside.
#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <utility>

#include "MarkMemo.h"

TFont FontAtResolution(const TFont& font, int pixelsPerInch) {
    TFont scaled(font);
    if (pixelsPerInch > 0 && pixelsPerInch != font.PixelsPerInch()) {
        scaled.SetHeight(int(std::lround(double(font.Height()) * pixelsPerInch /
                                         std::max(1, font.PixelsPerInch()))));
        scaled.SetPixelsPerInch(pixelsPerInch);
    }
    return scaled;
}

namespace {

// A font as the printer measures it: each byte's advance and the font's metrics.
class TPrinterFont : public TMeasuredFont {
public:
    explicit TPrinterFont(TPrintCanvas& canvas) {
        for (int c = 0; c < 256; ++c) {
            const char ch = char(c);
            advances_[size_t(c)] = std::max(0, canvas.TextWidth(std::string_view(&ch, 1)));
        }
        metric_ = canvas.TextMetrics();
    }
};

// Measures with a printer canvas's fonts at the printer's resolution.
class TPrinterMeasurer : public TTextMeasurer {
public:
    TPrinterMeasurer(TPrintCanvas& canvas, int pixelsPerInch)
        : canvas_(canvas), ppi_(pixelsPerInch) {}
    std::shared_ptr<const TMeasuredFont> Font(const TFont& font, TFontStyles style) override {
        auto key = std::make_tuple(font.Name(), font.Height(), font.PixelsPerInch(), style);
        auto found = fonts_.find(key);
        if (found != fonts_.end()) return found->second;
        const TFont saved(canvas_.Font());
        canvas_.Font().Assign(FontAtResolution(font, ppi_));
        canvas_.Font().SetStyle(style);
        auto measured = std::make_shared<TPrinterFont>(canvas_);
        canvas_.Font().Assign(saved);
        fonts_.emplace(key, measured);
        return measured;
    }

private:
    TPrintCanvas& canvas_;
    int ppi_;
    std::map<std::tuple<std::string, int, int, TFontStyles>, std::shared_ptr<const TMeasuredFont>>
        fonts_;
};

}  // namespace

// ---- the printer's page as a drawing surface ----

void TPrintSurface::Fill(const TRect& r, TColor color) {
    canvas_.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas_.Brush().SetColor(color);
    canvas_.FillRect(Moved(r));
}

void TPrintSurface::Tile(const TRect& r, const TBitmap& picture, int64_t originX, int64_t originY) {
    const int w = picture.Width(), h = picture.Height();
    if (r.IsEmpty() || w <= 0 || h <= 0) return;
    auto phase = [](int64_t from, int64_t origin, int size) {
        int64_t m = (from - origin) % size;
        return from - (m < 0 ? m + size : m);
    };
    for (int64_t y = phase(r.Top, originY, h); y < r.Bottom; y += h)
        for (int64_t x = phase(r.Left, originX, w); x < r.Right; x += w) {
            // the part of this copy inside r
            const int left = int(std::max<int64_t>(x, r.Left)),
                      top = int(std::max<int64_t>(y, r.Top));
            const int right = int(std::min<int64_t>(x + w, r.Right)),
                      bottom = int(std::min<int64_t>(y + h, r.Bottom));
            const TRect source{int(left - x), int(top - y), int(right - x), int(bottom - y)};
            TBitmap part(source.Width(), source.Height());
            part.Canvas().CopyRect({0, 0, source.Width(), source.Height()}, picture, source);
            canvas_.Draw(left + origin_.X, top + origin_.Y, 1, 1, part);
        }
}

void TPrintSurface::Text(int x, int baseline, const TFont& font, TFontStyles style, TColor color,
                         std::string_view run) {
    canvas_.SetTextAlign(TA_LEFT | TA_BASELINE);
    canvas_.SetBkOpaque(false);
    canvas_.Font().Assign(FontAtResolution(font, ppi_));
    canvas_.Font().SetStyle(style);
    canvas_.Font().SetColor(color);
    canvas_.TextOut(x + origin_.X, baseline + origin_.Y, run);
}

void TPrintSurface::Lines(const TPen& pen, const std::vector<TPoint>& points) {
    canvas_.Pen().Assign(pen);
    std::vector<TPoint> moved(points);
    for (TPoint& p : moved) p = {p.X + origin_.X, p.Y + origin_.Y};
    canvas_.Polyline(moved);
}

// ---- printing ----

TMarkMemo::TPrintedLines TMarkMemo::PaintLines(TPrintCanvas& canvas, int pixelsPerInch,
                                               const TRect& page, int firstLine, int lastLine) {
    // the document's records are made current in the screen's layout first, so that nothing
    // it reports while printing is lost to that layout
    for (int i = 0; i < ParagraphCount(); ++i) doc_->PrepareParagraph(i);

    // the screen's layout and everything measured for it wait aside
    TLayoutLines screenLayout = std::move(layout_);
    const auto screenFonts = styleFonts_;
    const TMarkMemoView screenView = view_;
    TTextMeasurer* const screenMeasurer = measurer_;
    const int screenLineHeight = lineHeight_, screenTextOffset = textOffset_,
              screenTabUnit = tabUnit_, screenChunk = chunkChars_, screenWidest = widestWidth_,
              screenWidestLine = widestLine_, screenDirty = firstDirty_;
    const bool screenFocused = focused_;
    auto forgetLines = [this] {
        for (TMarkNavigator* nav : doc_->Navigators())
            if (nav->memo_ == this) nav->lineNb_ = MaxInt;
    };
    auto restore = [&] {
        printing_ = false;
        layout_ = std::move(screenLayout);
        styleFonts_ = screenFonts;
        view_ = screenView;
        measurer_ = screenMeasurer;
        lineHeight_ = screenLineHeight;
        textOffset_ = screenTextOffset;
        tabUnit_ = screenTabUnit;
        chunkChars_ = screenChunk;
        widestWidth_ = screenWidest;
        widestLine_ = screenWidestLine;
        firstDirty_ = screenDirty;
        focused_ = screenFocused;
        forgetLines();
    };

    TPrinterMeasurer measurer(canvas, pixelsPerInch);
    TPrintedLines result;
    printing_ = true;
    try {
        measurer_ = &measurer;
        MeasureFonts(0);
        forgetLines();
        // a view of the page: nothing selected, nothing scrolled sideways
        view_.Reset();
        view_.ClientWidth = page.Width();
        view_.ClientHeight = page.Height();
        focused_ = false;
        RebuildLayout();
        for (int i = 0; i < layout_.Count(); ++i) FormatParagraph(0, i);
        firstDirty_ = MaxInt;
        result = {LineCount(), lineHeight_};
        firstLine = std::max(0, firstLine);
        lastLine = std::min(lastLine, LineCount() - 1);
        if (firstLine <= lastLine) {
            view_.SetVScroll(firstLine * lineHeight_, lineHeight_);
            TPrintSurface surface(canvas, pixelsPerInch, {page.Left, page.Top});
            const int bottom = std::min(page.Height(), (lastLine - firstLine + 1) * lineHeight_);
            PaintArea(surface, {0, 0, page.Width(), bottom});
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return result;
}
