// The screen measurer: Qt font metrics with kerning off and one advance table per font.
#include "platform/TextMetrics.h"

#include "QtCanvas.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QString>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace {

QString DisplayString(std::string_view run) {
    QString s;
    s.reserve(qsizetype(run.size()));
    for (unsigned char c : run) s.append(QChar(DisplayCharOf(c)));
    return s;
}

// The canvas's own font for `font`, so that what is measured here is what gets drawn: the
// same name decoding and the same reading of a positive (cell) or negative (character) height.
QFont MakeQFont(const TFont& font, TFontStyles style) {
    QFont f = ToQFont(font);
    f.setBold(style & fsBold);
    f.setItalic(style & fsItalic);
    f.setUnderline(style & fsUnderline);
    f.setStrikeOut(style & fsStrikeOut);
    if (font.Pitch() == TFontPitch::fpFixed) f.setStyleHint(QFont::TypeWriter);
    return f;
}

class TScreenFont : public TMeasuredFont {
public:
    explicit TScreenFont(const QFont& font) : font_(font), metrics_(font) {
        for (int c = 0; c < 256; ++c)
            advances_[size_t(c)] = int(
                std::lround(metrics_.horizontalAdvance(QChar(DisplayCharOf((unsigned char)c)))));
        metric_.Ascent = int(std::lround(metrics_.ascent()));
        metric_.Descent = int(std::lround(metrics_.descent()));
        metric_.Height = metric_.Ascent + metric_.Descent;
        QFontInfo info(font_);
        metric_.InternalLeading = std::max(0, metric_.Height - info.pixelSize());
        metric_.MaxCharWidth = int(std::ceil(metrics_.maxWidth()));
        metric_.FixedPitch = info.fixedPitch();
    }
    int RunExtent(std::string_view run) const override {
        return int(std::lround(metrics_.horizontalAdvance(DisplayString(run))));
    }

private:
    QFont font_;
    QFontMetricsF metrics_;
};

class TScreenMeasurer : public TTextMeasurer {
public:
    std::shared_ptr<const TMeasuredFont> Font(const TFont& font, TFontStyles style) override {
        Key key{font.Name(), font.Height(), int(font.Pitch()), int(style & 0x0F)};
        auto it = cache_.find(key);
        if (it != cache_.end()) return it->second;
        auto measured = std::make_shared<TScreenFont>(MakeQFont(font, style));
        cache_.emplace(key, measured);
        return measured;
    }

private:
    using Key = std::tuple<std::string, int, int, int>;
    std::map<Key, std::shared_ptr<const TMeasuredFont>> cache_;
};

}  // namespace

std::unique_ptr<TTextMeasurer> CreateScreenTextMeasurer() {
    return std::make_unique<TScreenMeasurer>();
}
