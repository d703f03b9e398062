// Private to platform_qt: the canvas's Qt state and the helpers that build canvases over painters.
#pragma once

#include "platform/Canvas.h"
#include "platform/Codec.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QString>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TCanvas::Impl {
    // A borrowed painter (a control's paint cycle) or a lazily begun one on an image.
    QPainter* painter = nullptr;
    std::unique_ptr<QPainter> owned;
    QImage* image = nullptr;
    QImage scratch;
    TPoint origin;
    // The state of each SaveState still open, and the clip an ended painter had: an image
    // canvas's painter ends whenever its image is read, and the next one takes both up again.
    struct State {
        TPoint origin;
        bool clipped = false;
        QRegion clip;
    };
    std::vector<State> saved;
    State resume;

    // The Qt font and metrics of the last font drawn or measured with: rows of cells mostly
    // share one font, and building a QFont consults the font database every time.
    struct FontCache {
        std::string name;
        int pixelSize = 0;
        TFontStyles style = 0;
        TFontPitch pitch = TFontPitch::fpDefault;
        std::optional<QFont> font;
        std::optional<QFontMetrics> metrics;
    };
    FontCache fontCache;
    const QFont& CachedFont(const TFont& font);
    const QFontMetrics& CachedMetrics(const TFont& font);

    QPainter& P();
    State Current() const;
    // Ends the painter of an image canvas so the image can be read or drawn elsewhere.
    void Flush();
    // Ends the painter and forgets clip and saved states: the image behind it was replaced.
    void Reset();
};

// A canvas drawing through an active painter that outlives it.
std::unique_ptr<TCanvas> MakePainterCanvas(QPainter& painter);

QString AnsiToQString(std::string_view text);
// Windows-1252 or (utf8) UTF-8 text as a QString.
QString TextToQString(std::string_view text, bool utf8);
// A run's advance (QFontMetrics or QFontMetricsF); a long one in pieces, since Qt's advance of
// one run wraps around past 2^25 pixels and lays out millions of characters slowly. With utf8
// the text is UTF-8, cut into pieces between characters.
template <class Metrics>
double RunAdvance(const Metrics& fm, std::string_view text, bool utf8 = false) {
    constexpr size_t piece = 4096;
    double width = 0;
    size_t at = 0;
    do {
        size_t count = std::min(piece, text.size() - at);
        if (utf8) count = std::max(at, Utf8CharStart(text, at + count)) - at;
        if (count == 0) count = std::min(piece, text.size() - at);
        width += fm.horizontalAdvance(TextToQString(text.substr(at, count), utf8));
        at += count;
    } while (at < text.size());
    return width;
}
std::string QStringToAnsi(const QString& text);
QFont ToQFont(const TFont& font);
Qt::PenStyle ToQtPenStyle(TPenStyle style);
Qt::BrushStyle ToQtBrushStyle(TBrushStyle style);
// Flushes and returns the image behind a bitmap.
const QImage& BitmapImage(const TBitmap& bitmap);
QImage& MutableBitmapImage(TBitmap& bitmap);
