// TCanvas and TBitmap over QPainter and QImage.
#include "platform/Canvas.h"

#include "QtCanvas.h"
#include "TextRuns.h"
#include "platform/Codec.h"
#include "platform/qt/QtColors.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainterPath>
#include <QPolygon>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

QString AnsiToQString(std::string_view text) {
    std::u16string wide = AnsiToUtf16(text);
    return QString::fromUtf16(wide.data(), qsizetype(wide.size()));
}

QString TextToQString(std::string_view text, bool utf8) {
    if (utf8) return QString::fromUtf8(text.data(), qsizetype(text.size()));
    return AnsiToQString(text);
}

std::string QStringToAnsi(const QString& text) {
    return Utf16ToAnsi(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())));
}

QFont ToQFont(const TFont& font) {
    QFont f(QString::fromStdString(AnsiToUtf8(font.Name())));
    f.setPixelSize(FontPixelSize(font));
    TFontStyles s = font.Style();
    f.setBold(s & fsBold);
    f.setItalic(s & fsItalic);
    f.setUnderline(s & fsUnderline);
    f.setStrikeOut(s & fsStrikeOut);
    if (font.Pitch() == TFontPitch::fpFixed) f.setFixedPitch(true);
    f.setKerning(false);
    // Whole-pixel advances: text drawn a run at a time lands where it was measured a
    // character at a time.
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

const QFont& TCanvas::Impl::CachedFont(const TFont& font) {
    FontCache& c = fontCache;
    const int pixelSize = FontPixelSize(font);
    if (!c.font || c.name != font.Name() || c.pixelSize != pixelSize || c.style != font.Style() ||
        c.pitch != font.Pitch()) {
        c.name = font.Name();
        c.pixelSize = pixelSize;
        c.style = font.Style();
        c.pitch = font.Pitch();
        c.font = ToQFont(font);
        c.metrics.emplace(*c.font);
    }
    return *c.font;
}

const QFontMetrics& TCanvas::Impl::CachedMetrics(const TFont& font) {
    CachedFont(font);
    return *fontCache.metrics;
}

QPainter& TCanvas::Impl::P() {
    if (!painter) {
        // An empty bitmap still takes drawing calls; they land on a scratch pixel.
        QImage* target = image && !image->isNull() ? image : nullptr;
        if (!target) {
            if (scratch.isNull()) scratch = QImage(1, 1, QImage::Format_RGB32);
            target = &scratch;
        }
        owned = std::make_unique<QPainter>(target);
        painter = owned.get();
        auto apply = [this](const State& state) {
            painter->resetTransform();
            painter->translate(state.origin.X, state.origin.Y);
            if (state.clipped)
                painter->setClipRegion(state.clip);
            else
                painter->setClipping(false);
        };
        for (const State& level : saved) {
            apply(level);
            painter->save();
        }
        State current = resume;
        current.origin = origin;
        apply(current);
    }
    return *painter;
}

TCanvas::Impl::State TCanvas::Impl::Current() const {
    State state;
    state.origin = origin;
    if (painter && painter->hasClipping()) {
        state.clipped = true;
        state.clip = painter->clipRegion();
    }
    return state;
}

void TCanvas::Impl::Flush() {
    if (owned) {
        resume = Current();
        owned->end();
        owned.reset();
        painter = nullptr;
    }
}

void TCanvas::Impl::Reset() {
    Flush();
    saved.clear();
    resume = State();
    resume.origin = origin;
}

std::unique_ptr<TCanvas> MakePainterCanvas(QPainter& painter) {
    auto impl = std::make_unique<TCanvas::Impl>();
    impl->painter = &painter;
    return std::make_unique<TCanvas>(std::move(impl));
}

Qt::PenStyle ToQtPenStyle(TPenStyle style) {
    switch (style) {
        case TPenStyle::psDash:
            return Qt::DashLine;
        case TPenStyle::psDot:
            return Qt::DotLine;
        case TPenStyle::psDashDot:
            return Qt::DashDotLine;
        case TPenStyle::psDashDotDot:
            return Qt::DashDotDotLine;
        case TPenStyle::psClear:
            return Qt::NoPen;
        default:
            return Qt::SolidLine;
    }
}

Qt::BrushStyle ToQtBrushStyle(TBrushStyle style) {
    switch (style) {
        case TBrushStyle::bsClear:
            return Qt::NoBrush;
        case TBrushStyle::bsHorizontal:
            return Qt::HorPattern;
        case TBrushStyle::bsVertical:
            return Qt::VerPattern;
        case TBrushStyle::bsFDiagonal:
            return Qt::FDiagPattern;
        case TBrushStyle::bsBDiagonal:
            return Qt::BDiagPattern;
        case TBrushStyle::bsCross:
            return Qt::CrossPattern;
        case TBrushStyle::bsDiagCross:
            return Qt::DiagCrossPattern;
        default:
            return Qt::SolidPattern;
    }
}

namespace {

QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

QPen ToQPen(const TPen& pen) {
    if (pen.Style() == TPenStyle::psClear) return QPen(Qt::NoPen);
    QPen p(ToQColor(pen.Mode() == TPenMode::pmCopy ? pen.Color() : clWhite));
    p.setWidth(pen.Width() > 1 ? pen.Width() : 0);  // width 0: cosmetic one-pixel lines
    p.setStyle(ToQtPenStyle(pen.Style()));
    p.setCapStyle(Qt::FlatCap);
    p.setJoinStyle(Qt::MiterJoin);
    return p;
}

QBrush ToQBrush(const TBrush& brush) {
    if (brush.Style() == TBrushStyle::bsClear) return QBrush(Qt::NoBrush);
    return QBrush(ToQColor(brush.Color()), ToQtBrushStyle(brush.Style()));
}

// Applies the pen's mode for the duration of one drawing call.
class PenMode {
public:
    PenMode(QPainter& p, const TPen& pen) : p_(p), old_(p.compositionMode()) {
        if (pen.Mode() == TPenMode::pmXor)
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        else if (pen.Mode() == TPenMode::pmNot)
            p.setCompositionMode(QPainter::RasterOp_NotDestination);
    }
    ~PenMode() { p_.setCompositionMode(old_); }

private:
    QPainter& p_;
    QPainter::CompositionMode old_;
};

}  // namespace

TCanvas::TCanvas(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TCanvas::~TCanvas() {
    // A borrowed painter goes back to its owner as it came.
    if (impl_->painter && !impl_->owned)
        for (size_t i = 0; i < impl_->saved.size(); ++i) impl_->painter->restore();
    impl_->Flush();
}

void TCanvas::LineTo(int x, int y) {
    QPainter& p = impl_->P();
    if (pen_.Style() != TPenStyle::psClear) {
        PenMode mode(p, pen_);
        p.setPen(ToQPen(pen_));
        // A flat-capped cosmetic line leaves its end point undrawn, as the Windows line does.
        if (x != penPos_.X || y != penPos_.Y) p.drawLine(penPos_.X, penPos_.Y, x, y);
    }
    penPos_ = {x, y};
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
    if (points.size() < 2) return;
    QPainter& p = impl_->P();
    QPolygon poly;
    for (const TPoint& pt : points) poly << QPoint(pt.X, pt.Y);
    PenMode mode(p, pen_);
    p.setPen(ToQPen(pen_));
    p.setBrush(ToQBrush(brush_));
    p.drawPolygon(poly);
}

void TCanvas::Rectangle(const TRect& r) {
    if (r.IsEmpty()) return;
    QPainter& p = impl_->P();
    if (brush_.Style() != TBrushStyle::bsClear) p.fillRect(ToQRect(r), ToQBrush(brush_));
    if (pen_.Style() != TPenStyle::psClear) {
        PenMode mode(p, pen_);
        p.setPen(ToQPen(pen_));
        p.setBrush(Qt::NoBrush);
        int w = pen_.Width() > 1 ? pen_.Width() : 1;
        // A wide pen stays inside the rectangle, its centre line half a width in.
        QRectF outline(r.Left + (w - 1) / 2.0, r.Top + (w - 1) / 2.0, r.Width() - w,
                       r.Height() - w);
        if (w == 1)
            p.drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
        else
            p.drawRect(outline.translated(0.5, 0.5));
    }
}

void TCanvas::RoundRect(const TRect& r, int cornerWidth, int cornerHeight) {
    if (r.IsEmpty()) return;
    QPainter& p = impl_->P();
    PenMode mode(p, pen_);
    p.setPen(ToQPen(pen_));
    p.setBrush(ToQBrush(brush_));
    p.drawRoundedRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1), cornerWidth / 2.0,
                      cornerHeight / 2.0);
}

void TCanvas::Ellipse(const TRect& r) {
    if (r.IsEmpty()) return;
    QPainter& p = impl_->P();
    PenMode mode(p, pen_);
    p.setPen(ToQPen(pen_));
    p.setBrush(ToQBrush(brush_));
    p.drawEllipse(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
}

void TCanvas::FillRect(const TRect& r) {
    if (r.IsEmpty() || brush_.Style() == TBrushStyle::bsClear) return;
    impl_->P().fillRect(ToQRect(r), ToQBrush(brush_));
}

void TCanvas::FrameRect(const TRect& r) {
    if (r.IsEmpty()) return;
    QPainter& p = impl_->P();
    QColor c = ToQColor(brush_.Color());
    p.fillRect(QRect(r.Left, r.Top, r.Width(), 1), c);
    p.fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), c);
    p.fillRect(QRect(r.Left, r.Top, 1, r.Height()), c);
    p.fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), c);
}

void TCanvas::DrawFocusRect(const TRect& r) {
    if (r.IsEmpty()) return;
    QPainter& p = impl_->P();
    QPainter::CompositionMode old = p.compositionMode();
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    // Every other pixel of the border, checkerboard-aligned to the surface.
    QBrush dots(Qt::white, Qt::Dense4Pattern);
    p.setBrushOrigin(0, 0);
    p.fillRect(QRect(r.Left, r.Top, r.Width(), 1), dots);
    if (r.Height() > 1) p.fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), dots);
    if (r.Height() > 2) {
        p.fillRect(QRect(r.Left, r.Top + 1, 1, r.Height() - 2), dots);
        if (r.Width() > 1) p.fillRect(QRect(r.Right - 1, r.Top + 1, 1, r.Height() - 2), dots);
    }
    p.setCompositionMode(old);
}

void TCanvas::InvertRect(const TRect& r) {
    if (r.IsEmpty()) return;
    QPainter& p = impl_->P();
    QPainter::CompositionMode old = p.compositionMode();
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.fillRect(ToQRect(r), Qt::white);
    p.setCompositionMode(old);
}

void TCanvas::DrawRun(int x, int y, unsigned options, const TRect* r, std::string_view text,
                      bool utf8) {
    QPainter& p = impl_->P();
    const QFont& font = impl_->CachedFont(font_);
    const QFontMetrics& fm = impl_->CachedMetrics(font_);
    // Only the part of the run that can show goes to Qt: a run of millions of characters
    // takes seconds to lay out, and past 2^25 pixels its glyph positions wrap around.
    TRect visible;
    if (text.size() > ShortRunBytes) {
        visible = ClipRect();
        if (r && (options & ETO_CLIPPED)) IntersectRect(visible, visible, *r);
    }
    bool solid = brush_.Style() != TBrushStyle::bsClear;
    // A short left-aligned run with no background of its own is drawn whole from x: its width
    // is not needed, and measuring it would shape it a second time.
    TShownRun run;
    if (text.size() <= ShortRunBytes && (textAlign_ & 6) == TA_LEFT && !(solid && !r)) {
        run.Count = text.size();
        run.Left = x;
    } else {
        run = ShownRun(*this, text, textAlign_, x, visible.Left, visible.Right, utf8);
    }
    const TTextPlacement at = PlaceText(textAlign_, x, y, 0, fm.ascent(), fm.descent());
    const int baseline = at.Baseline;
    int top = baseline - fm.ascent();
    p.save();
    if (r && (options & ETO_CLIPPED)) p.setClipRect(ToQRect(*r), Qt::IntersectClip);
    if (r && (options & ETO_OPAQUE) && solid)
        p.fillRect(ToQRect(*r), ToQColor(brush_.Color()));
    else if (solid && !r)
        p.fillRect(QRect(run.RunLeft, top, run.RunRight - run.RunLeft, fm.height()),
                   ToQColor(brush_.Color()));
    p.setFont(font);
    p.setPen(ToQColor(font_.Color()));
    if (run.Count > 0)
        p.drawText(QPoint(run.Left, baseline),
                   TextToQString(text.substr(run.First, run.Count), utf8));
    p.restore();
    if (textAlign_ & 1) {  // TA_UPDATECP
        const int width = RunExtent(text, utf8).cx;
        penPos_.X = PlaceText(textAlign_, x, y, width, 0, 0).Left + width;
    }
}

TSize TCanvas::RunExtent(std::string_view text, bool utf8) const {
    const QFontMetrics& fm = impl_->CachedMetrics(font_);
    return {int(std::min<double>(RunAdvance(fm, text, utf8), INT32_MAX)), fm.height()};
}

TTextMetric TCanvas::TextMetrics() const {
    const QFont& font = impl_->CachedFont(font_);
    const QFontMetrics& fm = impl_->CachedMetrics(font_);
    TTextMetric tm;
    tm.Ascent = fm.ascent();
    tm.Descent = fm.descent();
    tm.Height = tm.Ascent + tm.Descent;
    tm.InternalLeading = std::max(0, tm.Height - font.pixelSize());
    tm.ExternalLeading = std::max(0, fm.leading());
    tm.AveCharWidth = fm.averageCharWidth();
    tm.MaxCharWidth = fm.maxWidth();
    tm.FixedPitch = QFontInfo(font).fixedPitch();
    return tm;
}

TColor TCanvas::Pixel(int x, int y) const {
    if (!impl_->image) return clNone;
    impl_->Flush();
    int ox = x + impl_->origin.X, oy = y + impl_->origin.Y;
    if (!impl_->image->valid(ox, oy)) return clNone;
    return FromQColor(impl_->image->pixelColor(ox, oy));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    impl_->P().fillRect(QRect(x, y, 1, 1), ToQColor(color));
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
    if (bitmap.Empty()) return;
    impl_->P().drawImage(QPoint(x, y), BitmapImage(bitmap));
}

void TCanvas::StretchDraw(const TRect& dest, const TBitmap& bitmap) {
    if (bitmap.Empty() || dest.IsEmpty()) return;
    impl_->P().drawImage(ToQRect(dest), BitmapImage(bitmap));
}

void TCanvas::CopyRect(const TRect& dest, const TBitmap& source, const TRect& sourceRect) {
    if (source.Empty() || dest.IsEmpty()) return;
    impl_->P().drawImage(ToQRect(dest), BitmapImage(source), ToQRect(sourceRect));
}

void TCanvas::SetClipRect(const TRect& r) {
    impl_->P().setClipRect(ToQRect(r), Qt::ReplaceClip);
}

void TCanvas::IntersectClipRect(const TRect& r) {
    QPainter& p = impl_->P();
    p.setClipRect(ToQRect(r), p.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
}

void TCanvas::ResetClip() {
    impl_->P().setClipping(false);
}

TRect TCanvas::ClipRect() const {
    QPainter& p = impl_->P();
    QRect r;
    if (p.hasClipping())
        r = p.clipBoundingRect().toAlignedRect();
    else if (p.device())
        r = QRect(-impl_->origin.X, -impl_->origin.Y, p.device()->width(), p.device()->height());
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void TCanvas::SaveState() {
    QPainter& p = impl_->P();
    impl_->saved.push_back(impl_->Current());
    p.save();
}

void TCanvas::RestoreState() {
    if (impl_->saved.empty()) return;
    impl_->P().restore();
    impl_->origin = impl_->saved.back().origin;
    impl_->saved.pop_back();
}

void TCanvas::SetOrigin(int x, int y) {
    QPainter& p = impl_->P();
    p.translate(x - impl_->origin.X, y - impl_->origin.Y);
    impl_->origin = {x, y};
}

TPoint TCanvas::Origin() const {
    return impl_->origin;
}

// --- TBitmap ---------------------------------------------------------------------------------

struct TBitmap::Impl {
    QImage image;
};

namespace {
QImage WhiteImage(int width, int height) {
    if (width <= 0 || height <= 0) return QImage();
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}
}  // namespace

TBitmap::TBitmap() : impl_(std::make_unique<Impl>()) {}

TBitmap::TBitmap(int width, int height) : TBitmap() {
    impl_->image = WhiteImage(width, height);
}

TBitmap::~TBitmap() {
    canvas_.reset();
}

TBitmap::TBitmap(const TBitmap& other) : TBitmap() {
    impl_->image = BitmapImage(other);
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
    if (this != &other) {
        const QImage& source = BitmapImage(other);
        if (canvas_) canvas_->Internal().Reset();
        impl_->image = source;
    }
    return *this;
}

int TBitmap::Width() const {
    return impl_->image.width();
}
int TBitmap::Height() const {
    return impl_->image.height();
}

void TBitmap::SetSize(int width, int height) {
    if (width == Width() && height == Height()) return;
    if (canvas_) canvas_->Internal().Reset();
    QImage next = WhiteImage(width, height);
    if (!next.isNull() && !impl_->image.isNull()) {
        QPainter p(&next);
        p.drawImage(0, 0, impl_->image);
    }
    impl_->image = next;
}

TCanvas& TBitmap::Canvas() {
    if (!canvas_) {
        auto impl = std::make_unique<TCanvas::Impl>();
        impl->image = &impl_->image;
        canvas_ = std::make_unique<TCanvas>(std::move(impl));
    }
    return *canvas_;
}

TColor TBitmap::Pixel(int x, int y) const {
    const QImage& image = BitmapImage(*this);
    if (!image.valid(x, y)) return clNone;
    return FromQColor(image.pixelColor(x, y));
}

bool TBitmap::LoadFromData(const void* data, size_t size) {
    QImage loaded;
    if (!data || size == 0 ||
        !loaded.loadFromData(static_cast<const uchar*>(data), qsizetype(size)))
        return false;
    if (canvas_) canvas_->Internal().Reset();
    impl_->image = loaded.convertToFormat(QImage::Format_RGB32);
    return true;
}

bool TBitmap::SaveToFile(const std::string& fileName) const {
    return BitmapImage(*this).save(QString::fromStdString(fileName));
}

const QImage& BitmapImage(const TBitmap& bitmap) {
    return MutableBitmapImage(const_cast<TBitmap&>(bitmap));
}

QImage& MutableBitmapImage(TBitmap& bitmap) {
    // Reading the image needs the canvas's painter ended; the next drawing call begins anew.
    if (!bitmap.Empty()) bitmap.Canvas().Internal().Flush();
    return bitmap.Internal().image;
}
