// The caption label of the calendar library: a text drawn with highlight and shadow layers.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <platform/Controls.h>

class TEsBase;

enum TEsGraduateStyle { gsNone, gsHorizontal, gsVertical };
enum TEsShadeDirection {
    sdNone,
    sdUp,
    sdUpRight,
    sdRight,
    sdDownRight,
    sdDown,
    sdDownLeft,
    sdLeft,
    sdUpLeft
};
enum TEsShadeStyle { ssPlain, ssExtrude, ssGraduated };
enum TEsAppearance { apNone, apCustom, apFlying, apRaised, apSunken, apShadow };
enum TEsColorScheme { csCustom, csText, csWindows, csEmbossed, csGold, csSteel };

// What a settings change touched: colours, other values, or both.
enum : unsigned { esColorsChanged = 1, esOtherChanged = 2 };

class TEsCustomSettings {
public:
    TColor GraduateFromColor() const { return graduateFromColor_; }
    TEsGraduateStyle GraduateStyle() const { return graduateStyle_; }
    TColor HighlightColor() const { return highlightColor_; }
    int HighlightDepth() const { return highlightDepth_; }
    TEsShadeDirection HighlightDirection() const { return highlightDirection_; }
    TEsShadeStyle HighlightStyle() const { return highlightStyle_; }
    TColor ShadowColor() const { return shadowColor_; }
    int ShadowDepth() const { return shadowDepth_; }
    TEsShadeDirection ShadowDirection() const { return shadowDirection_; }
    TEsShadeStyle ShadowStyle() const { return shadowStyle_; }

    void SetGraduateFromColor(TColor v) { Set(graduateFromColor_, v, esColorsChanged); }
    void SetGraduateStyle(TEsGraduateStyle v) { Set(graduateStyle_, v, esOtherChanged); }
    void SetHighlightColor(TColor v) { Set(highlightColor_, v, esColorsChanged); }
    void SetHighlightDepth(int v) { Set(highlightDepth_, v, esOtherChanged); }
    void SetHighlightDirection(TEsShadeDirection v) { Set(highlightDirection_, v, esOtherChanged); }
    void SetHighlightStyle(TEsShadeStyle v) { Set(highlightStyle_, v, esOtherChanged); }
    void SetShadowColor(TColor v) { Set(shadowColor_, v, esColorsChanged); }
    void SetShadowDepth(int v) { Set(shadowDepth_, v, esOtherChanged); }
    void SetShadowDirection(TEsShadeDirection v) { Set(shadowDirection_, v, esOtherChanged); }
    void SetShadowStyle(TEsShadeStyle v) { Set(shadowStyle_, v, esOtherChanged); }

    // Copies all ten values, with one notification.
    void Assign(const TEsCustomSettings& other);
    // Changes between BeginUpdate and EndUpdate fire one notification at the end.
    void BeginUpdate() { ++updating_; }
    void EndUpdate();

    // What changed (esColorsChanged | esOtherChanged).
    std::function<void(unsigned changed)> OnChange;

private:
    template <class T>
    void Set(T& field, T value, unsigned what) {
        if (field == value) return;
        field = value;
        pending_ |= what;
        if (updating_ == 0) Fire();
    }
    void Fire();

    TColor graduateFromColor_ = 0x808080;
    TEsGraduateStyle graduateStyle_ = gsNone;
    TColor highlightColor_ = clWhite;
    int highlightDepth_ = 1;
    TEsShadeDirection highlightDirection_ = sdUpLeft;
    TEsShadeStyle highlightStyle_ = ssPlain;
    TColor shadowColor_ = clBlack;
    int shadowDepth_ = 1;
    TEsShadeDirection shadowDirection_ = sdDownRight;
    TEsShadeStyle shadowStyle_ = ssPlain;
    int updating_ = 0;
    unsigned pending_ = 0;
};

// The highlight, shadow and font colours of a label scheme.
struct TEsSchemeColors {
    TColor Highlight = 0;
    TColor Shadow = 0;
    TColor Font = 0;
};

class TEsCustomLabel : public TCustomControl {
public:
    explicit TEsCustomLabel(TComponent* owner = nullptr);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);

    TEsAppearance Appearance() const { return appearance_; }
    // Presets the shade settings (apCustom changes nothing).
    void SetAppearance(TEsAppearance value);
    TEsColorScheme ColorScheme() const { return scheme_; }
    // Sets the highlight, shadow and font colours from the scheme's row.
    void SetColorScheme(TEsColorScheme value);
    TEsCustomSettings& CustomSettings() { return settings_; }
    // A scheme's colours now (the custom row holds the last scheme's or the user's).
    TEsSchemeColors SchemeColors(TEsColorScheme scheme) const;

protected:
    void Paint(TCanvas& canvas, const TRect& updateRect) override;

private:
    void SettingsChanged(unsigned changed);

    std::string caption_;
    bool transparent_ = true;
    bool wordWrap_ = true;
    TEsAppearance appearance_ = apRaised;
    TEsColorScheme scheme_ = csWindows;
    TEsCustomSettings settings_;
    TEsSchemeColors customRow_;
    int presetting_ = 0;
};

// The caption label of a TEsBase control.
class TEsAttachedLabel : public TEsCustomLabel {
public:
    explicit TEsAttachedLabel(TEsBase* control);
    TEsBase* EsControl() const { return control_; }

private:
    TEsBase* control_;
};

// The lines of a caption wrapped to a width by words (explicit line breaks kept).
std::vector<std::string> EsWrapCaption(const std::string& text, int width,
                                       const std::function<int(std::string_view)>& measure);
