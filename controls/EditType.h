// The typed edit box: value types with masks, key filter, exit check and an embedded button.
#pragma once

#include <QKeySequence>
#include <QLineEdit>
#include <QPixmap>
#include <string>

#include "EditTypeRules.h"
#include "platform/Classes.h"
#include "platform/Graphics.h"

class QToolButton;

// Also a TObject, so that it is the Sender of its events.
class TEditTyped : public QLineEdit, public TObject {
    Q_OBJECT
public:
    explicit TEditTyped(QWidget* parent = nullptr);
    ~TEditTyped() override;

    // ---- The value ----
    TTypeForEdit TypeValue() const { return type_; }
    void SetTypeValue(TTypeForEdit type);  // applies the type's mask or case
    // Bounds accept only texts that convert to a value; a bad text raises and keeps the
    // old bound; an empty one is ignored.
    const std::string& MinValue() const { return min_; }
    void SetMinValue(const std::string& text);
    const std::string& MaxValue() const { return max_; }
    void SetMaxValue(const std::string& text);
    // Converts the current text; raises EConvertError.
    TTypedValue Value() const;
    void ConvertValue(const std::string& text, TTypedValue& value) const;
    // The check made when the field is left, and by a dialog before it uses the value:
    // conversion (EnabledTypedLimit), then the inclusive range (EnabledLimit). Raises.
    void CheckValue() const;
    bool EnabledLimit = false;
    bool EnabledTypedLimit = true;
    bool AutoSelect = true;

    // The text in Windows-1252; unfilled places of a mask read as spaces.
    std::string Text() const;
    void SetText(const std::string& text);
    const std::string& EditMask() const { return mask_; }
    void SetEditMask(const std::string& mask);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase charCase);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    bool Flat() const { return flat_; }
    void SetFlat(bool flat);

    // ---- The embedded button ----
    TSMButtonStyle ButtonStyle() const { return style_; }
    void SetButtonStyle(TSMButtonStyle style);
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int width);
    const QPixmap& Glyph() const { return glyph_; }
    void SetGlyph(const QPixmap& glyph);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int count);
    std::string ButtonHint() const;
    void SetButtonHint(const std::string& hint);
    QKeySequence ButtonKey;
    bool ButtonFlat() const;
    void SetButtonFlat(bool flat);
    QToolButton* Button() const { return button_; }
    // A click of the button (or its key) when the button has a width.
    void ClickButton();

    TNotifyEvent OnButtonClick;
    TNotifyEvent OnChange;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void RunExitCheck();
    void UpdateButton();
    void UpdateLayout();
    void UpdateMinimumHeight();
    void UpdateFlatColour();
    int FrameWidth() const;

    TTypeForEdit type_ = teString;
    std::string min_, max_, mask_;
    TEditCharCase charCase_ = TEditCharCase::ecNormal;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool flat_ = false;
    bool hot_ = false;
    TSMButtonStyle style_ = TSMButtonStyle::bsNone;
    int buttonWidth_ = 0;
    QPixmap glyph_;
    int numGlyphs_ = 1;
    QToolButton* button_ = nullptr;
};
