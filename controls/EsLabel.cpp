// The caption label: shade presets, colour schemes and the layered caption drawing.
#include "EsLabel.h"

#include "EsBase.h"

void TEsCustomSettings::Fire() {
    const unsigned changed = pending_;
    pending_ = 0;
    if (changed && OnChange) OnChange(changed);
}

void TEsCustomSettings::EndUpdate() {
    if (updating_ > 0 && --updating_ == 0) Fire();
}

void TEsCustomSettings::Assign(const TEsCustomSettings& other) {
    BeginUpdate();
    SetGraduateFromColor(other.graduateFromColor_);
    SetGraduateStyle(other.graduateStyle_);
    SetHighlightColor(other.highlightColor_);
    SetHighlightDepth(other.highlightDepth_);
    SetHighlightDirection(other.highlightDirection_);
    SetHighlightStyle(other.highlightStyle_);
    SetShadowColor(other.shadowColor_);
    SetShadowDepth(other.shadowDepth_);
    SetShadowDirection(other.shadowDirection_);
    SetShadowStyle(other.shadowStyle_);
    EndUpdate();
}

namespace {

constexpr std::array<TEsSchemeColors, 6> SchemeTable = {{
    {0xFFFFFF, 0x000000, 0x808080},  // custom: Windows until changed
    {0xFFFFFF, 0x808080, 0x000000},
    {0xFFFFFF, 0x000000, 0x808080},
    {0xFFFFFF, 0x000000, 0xC0C0C0},
    {0x00FFFF, 0x000000, 0x008080},
    {0xFFFF00, 0x800000, 0x808000},
}};

TPoint DirectionStep(TEsShadeDirection direction) {
    switch (direction) {
        case sdUp:
            return {0, -1};
        case sdUpRight:
            return {1, -1};
        case sdRight:
            return {1, 0};
        case sdDownRight:
            return {1, 1};
        case sdDown:
            return {0, 1};
        case sdDownLeft:
            return {-1, 1};
        case sdLeft:
            return {-1, 0};
        case sdUpLeft:
            return {-1, -1};
        case sdNone:
            break;
    }
    return {0, 0};
}

TColor Blend(TColor from, TColor to, int step, int steps) {
    auto mix = [&](int a, int b) { return a + (b - a) * step / (steps > 0 ? steps : 1); };
    return RGBColor(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
                    mix(GetBValue(from), GetBValue(to)));
}

}  // namespace

TEsCustomLabel::TEsCustomLabel(TComponent* owner) : TCustomControl(owner) {
    customRow_ = SchemeTable[csWindows];
    SetBounds(0, 0, 150, 35);
    Font().SetName("Times New Roman");
    Font().SetSize(20);
    settings_.OnChange = [this](unsigned changed) { SettingsChanged(changed); };
    SetColorScheme(csWindows);
    SetAppearance(apRaised);
}

void TEsCustomLabel::SetCaption(const std::string& value) {
    caption_ = value;
    Invalidate();
}

void TEsCustomLabel::SetTransparent(bool value) {
    transparent_ = value;
    Invalidate();
}

void TEsCustomLabel::SetWordWrap(bool value) {
    wordWrap_ = value;
    Invalidate();
}

TEsSchemeColors TEsCustomLabel::SchemeColors(TEsColorScheme scheme) const {
    return scheme == csCustom ? customRow_ : SchemeTable[size_t(scheme)];
}

void TEsCustomLabel::SetAppearance(TEsAppearance value) {
    appearance_ = value;
    if (value != apCustom) {
        const TEsSchemeColors colors = SchemeColors(scheme_);
        ++presetting_;
        settings_.BeginUpdate();
        settings_.SetHighlightColor(colors.Highlight);
        struct Preset {
            TEsShadeDirection HighlightDirection;
            int HighlightDepth;
            TEsShadeDirection ShadowDirection;
            int ShadowDepth;
        };
        Preset p{sdNone, 0, sdNone, 0};
        switch (value) {
            case apFlying:
                p = {sdDownRight, 1, sdDownRight, 5};
                settings_.SetHighlightColor(colors.Shadow);
                break;
            case apRaised:
                p = {sdUpLeft, 1, sdDownRight, 1};
                break;
            case apSunken:
                p = {sdDownRight, 1, sdUpLeft, 1};
                break;
            case apShadow:
                p = {sdNone, 0, sdDownRight, 2};
                break;
            default:
                break;
        }
        settings_.SetHighlightDirection(p.HighlightDirection);
        settings_.SetHighlightDepth(p.HighlightDepth);
        settings_.SetShadowDirection(p.ShadowDirection);
        settings_.SetShadowDepth(p.ShadowDepth);
        settings_.EndUpdate();
        --presetting_;
    }
    Invalidate();
}

void TEsCustomLabel::SetColorScheme(TEsColorScheme value) {
    scheme_ = value;
    const TEsSchemeColors colors = SchemeColors(value);
    if (value != csCustom) customRow_ = colors;
    ++presetting_;
    settings_.BeginUpdate();
    settings_.SetHighlightColor(colors.Highlight);
    settings_.SetShadowColor(colors.Shadow);
    settings_.EndUpdate();
    --presetting_;
    Font().SetColor(colors.Font);
    Invalidate();
}

void TEsCustomLabel::SettingsChanged(unsigned changed) {
    if (presetting_ == 0) {
        if (changed & esColorsChanged) {
            scheme_ = csCustom;
            customRow_.Highlight = settings_.HighlightColor();
            customRow_.Shadow = settings_.ShadowColor();
        }
        if (changed & esOtherChanged) appearance_ = apCustom;
    }
    Invalidate();
}

std::vector<std::string> EsWrapCaption(const std::string& text, int width,
                                       const std::function<int(std::string_view)>& measure) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string paragraph = text.substr(start, end - start);
        if (!paragraph.empty() && paragraph.back() == '\r') paragraph.pop_back();
        std::string line;
        size_t pos = 0;
        while (pos < paragraph.size()) {
            size_t next = paragraph.find(' ', pos);
            if (next == std::string::npos) next = paragraph.size();
            const std::string word = paragraph.substr(pos, next - pos);
            const std::string candidate = line.empty() ? word : line + " " + word;
            if (!line.empty() && measure(candidate) > width) {
                lines.push_back(line);
                line = word;
            } else {
                line = candidate;
            }
            pos = next + 1;
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

void TEsCustomLabel::Paint(TCanvas& canvas, const TRect& updateRect) {
    if (!transparent_) {
        canvas.Brush().SetColor(Color());
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        canvas.FillRect(updateRect);
    }
    canvas.Font().Assign(Font());
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    const int width = ClientWidth();
    const std::vector<std::string> lines =
        wordWrap_ ? EsWrapCaption(caption_, width,
                                  [&](std::string_view s) { return canvas.TextWidth(s); })
                  : std::vector<std::string>{caption_};
    const int lineHeight = canvas.TextHeight("Yy");
    auto drawText = [&](int dx, int dy, TColor color) {
        canvas.Font().SetColor(color);
        for (size_t k = 0; k < lines.size(); ++k)
            canvas.TextOut(dx, dy + int(k) * lineHeight, lines[k]);
    };
    auto drawLayer = [&](TEsShadeDirection direction, int depth, TEsShadeStyle style,
                         TColor color) {
        const TPoint step = DirectionStep(direction);
        if (depth <= 0 || (step.X == 0 && step.Y == 0)) return;
        const int from = style == ssPlain ? depth : 1;
        for (int k = from; k <= depth; ++k) {
            const TColor c = style == ssGraduated ? Blend(Font().Color(), color, k, depth) : color;
            drawText(step.X * k, step.Y * k, c);
        }
    };
    drawLayer(settings_.HighlightDirection(), settings_.HighlightDepth(),
              settings_.HighlightStyle(), settings_.HighlightColor());
    drawLayer(settings_.ShadowDirection(), settings_.ShadowDepth(), settings_.ShadowStyle(),
              settings_.ShadowColor());
    if (settings_.GraduateStyle() == gsNone) {
        drawText(0, 0, Font().Color());
        return;
    }
    // The face in 16 bands from the graduation colour toward the font colour.
    const int extent = settings_.GraduateStyle() == gsHorizontal ? width : ClientHeight();
    for (int band = 0; band < 16; ++band) {
        const int a = extent * band / 16;
        const int b = extent * (band + 1) / 16;
        canvas.SaveState();
        if (settings_.GraduateStyle() == gsHorizontal)
            canvas.IntersectClipRect(TRect{a, 0, b, ClientHeight()});
        else
            canvas.IntersectClipRect(TRect{0, a, width, b});
        drawText(0, 0, Blend(settings_.GraduateFromColor(), Font().Color(), band, 15));
        canvas.RestoreState();
    }
}

TEsAttachedLabel::TEsAttachedLabel(TEsBase* control) : control_(control) {
    SetColorScheme(csText);
    SetAppearance(apNone);
    if (control) Font().Assign(control->Font());
    SetTransparent(false);
}
