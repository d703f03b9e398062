// The typed edit box over QLineEdit: mask, key filter, exit check, embedded button, flat look.
#include "EditType.h"

#include <qdrawutil.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include "platform/Codec.h"
#include "platform/qt/Application.h"
#include "platform/qt/Cursors.h"

namespace {

QPixmap Canvas(int width, int height) {
    QPixmap pix(width, height);
    pix.fill(Qt::transparent);
    return pix;
}

// A framed box with a filled band and three rows of dots under it.
QPixmap BoxGlyph(const QColor& ink, int width, int height, QRect band, int columns, int top) {
    QPixmap pix = Canvas(width, height);
    QPainter p(&pix);
    p.setPen(ink);
    p.drawRect(0, 0, width - 1, height - 1);
    p.fillRect(band, ink);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < columns; ++c) p.fillRect(2 + c * 3, top + r * 3, 1, 1, ink);
    return pix;
}

// Glyphs of our own for the styles that had bitmaps; the rest come from the style.
QPixmap DrawnGlyph(TSMButtonStyle style, const QWidget* w) {
    const QColor ink = w->palette().color(QPalette::ButtonText);
    QPixmap pix;
    switch (style) {
        case TSMButtonStyle::bsEllipsis: {
            pix = Canvas(10, 2);
            QPainter p(&pix);
            for (int i = 0; i < 3; ++i) p.fillRect(i * 4, 0, 2, 2, ink);
            break;
        }
        case TSMButtonStyle::bsCalculator:
            pix = BoxGlyph(ink, 11, 13, QRect(2, 2, 7, 2), 3, 5);  // display above the keys
            break;
        case TSMButtonStyle::bsCalendar:
            pix = BoxGlyph(ink, 13, 12, QRect(0, 0, 13, 3), 4, 4);  // title above the days
            break;
        case TSMButtonStyle::bsFind:
        case TSMButtonStyle::bsSearch: {
            pix = Canvas(13, 13);
            QPainter p(&pix);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(ink, 1.5));
            if (style == TSMButtonStyle::bsFind) {
                p.drawEllipse(QRectF(1, 1, 7, 7));
                p.drawLine(QPointF(7.5, 7.5), QPointF(12, 12));
            } else {  // binoculars
                p.drawEllipse(QRectF(0.5, 5, 5, 5));
                p.drawEllipse(QRectF(7.5, 5, 5, 5));
                p.drawLine(QPointF(3, 5), QPointF(3, 1));
                p.drawLine(QPointF(10, 5), QPointF(10, 1));
            }
            break;
        }
        case TSMButtonStyle::bsSum: {
            pix = Canvas(10, 12);
            QPainter p(&pix);
            p.setPen(ink);
            p.drawPolyline(
                QPolygon({QPoint(9, 1), QPoint(1, 1), QPoint(5, 6), QPoint(1, 11), QPoint(9, 11)}));
            break;
        }
        case TSMButtonStyle::bsFile:
            return w->style()->standardPixmap(QStyle::SP_FileIcon, nullptr, w);
        case TSMButtonStyle::bsDirectory:
            return w->style()->standardPixmap(QStyle::SP_DirIcon, nullptr, w);
        case TSMButtonStyle::bsOk:
            return w->style()->standardPixmap(QStyle::SP_DialogOkButton, nullptr, w);
        case TSMButtonStyle::bsCancel:
            return w->style()->standardPixmap(QStyle::SP_DialogCancelButton, nullptr, w);
        default:
            break;
    }
    return pix;
}

// The dialog's Cancel: leaving the field for it must not be stopped by the check.
bool IsRejectButton(const QWidget* w) {
    auto* button = qobject_cast<const QAbstractButton*>(w);
    if (!button) return false;
    if (auto* box = qobject_cast<QDialogButtonBox*>(button->parentWidget()))
        if (box->buttonRole(const_cast<QAbstractButton*>(button)) == QDialogButtonBox::RejectRole)
            return true;
    return button->property("Cancel").toBool() || button->property("ModalResult").toInt() == 2;
}

}  // namespace

TEditTyped::TEditTyped(QWidget* parent) : QLineEdit(parent) {
    button_ = new QToolButton(this);
    button_->setFocusPolicy(Qt::NoFocus);
    button_->setCursor(ToQCursor(crArrow));
    button_->hide();
    connect(button_, &QToolButton::clicked, this,
            [this] { CallGuarded([this] { ClickButton(); }); });
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (OnChange) CallGuarded([this] { OnChange(this); });
    });
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (charCase_ == TEditCharCase::ecNormal) return;
        QString t = text;
        for (QChar& c : t) c = charCase_ == TEditCharCase::ecUpperCase ? c.toUpper() : c.toLower();
        if (t == text) return;
        int pos = cursorPosition();
        setText(t);
        setCursorPosition(pos);
    });
    UpdateMinimumHeight();
    UpdateLayout();
}

TEditTyped::~TEditTyped() = default;

// ---- The value --------------------------------------------------------------------------

void TEditTyped::SetTypeValue(TTypeForEdit type) {
    if (type == type_) return;
    type_ = type;
    SetEditMask("");
    std::string mask = EditMaskFor(type);
    if (!mask.empty()) SetEditMask(mask);
    if (type == teString || type == teStringUpper || type == teStringLower)
        SetCharCase(CharCaseFor(type));
}

void TEditTyped::SetMinValue(const std::string& text) {
    if (!ConvertTypedValue(type_, mask_, text).IsEmpty()) min_ = text;
}

void TEditTyped::SetMaxValue(const std::string& text) {
    if (!ConvertTypedValue(type_, mask_, text).IsEmpty()) max_ = text;
}

TTypedValue TEditTyped::Value() const {
    return ConvertTypedValue(type_, mask_, Text());
}

void TEditTyped::ConvertValue(const std::string& text, TTypedValue& value) const {
    value = ConvertTypedValue(type_, mask_, text);
}

void TEditTyped::CheckValue() const {
    const std::string text = Text();
    if (EnabledTypedLimit) ConvertTypedValue(type_, mask_, text);
    if (EnabledLimit) CheckTypedRange(type_, mask_, text, min_, max_);
}

std::string TEditTyped::Text() const {
    if (mask_.empty()) return FromQString(text());
    return BlanksToSpaces(mask_, FromQString(displayText()));
}

void TEditTyped::SetText(const std::string& text) {
    setText(ToQString(text));
}

void TEditTyped::SetEditMask(const std::string& mask) {
    mask_ = mask;
    setInputMask(ToQString(QtInputMask(mask)));
}

void TEditTyped::SetCharCase(TEditCharCase charCase) {
    charCase_ = charCase;
    if (charCase == TEditCharCase::ecUpperCase) setText(text().toUpper());
    if (charCase == TEditCharCase::ecLowerCase) setText(text().toLower());
}

void TEditTyped::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    setAlignment(alignment == TAlignment::taRightJustify ? Qt::AlignRight | Qt::AlignVCenter
                 : alignment == TAlignment::taCenter     ? Qt::AlignHCenter | Qt::AlignVCenter
                                                         : Qt::AlignLeft | Qt::AlignVCenter);
}

void TEditTyped::SetFlat(bool flat) {
    if (flat == flat_) return;
    flat_ = flat;
    setFrame(!flat);
    if (flat) resize(width(), fontMetrics().height() + 6);
    UpdateFlatColour();
    UpdateLayout();
    update();
}

// ---- The button -------------------------------------------------------------------------

void TEditTyped::SetButtonStyle(TSMButtonStyle style) {
    style_ = style;
    if (style == TSMButtonStyle::bsNone) glyph_ = QPixmap();
    if (style != TSMButtonStyle::bsCustom) numGlyphs_ = 1;
    buttonWidth_ = ButtonWidthFor(
        style, this->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this));
    UpdateButton();
}

void TEditTyped::SetButtonWidth(int width) {
    buttonWidth_ = std::max(0, width);
    UpdateButton();
}

void TEditTyped::SetGlyph(const QPixmap& glyph) {
    glyph_ = glyph;
    UpdateButton();
}

void TEditTyped::SetNumGlyphs(int count) {
    numGlyphs_ = std::max(1, count);
    UpdateButton();
}

std::string TEditTyped::ButtonHint() const {
    return FromQString(button_->toolTip());
}
void TEditTyped::SetButtonHint(const std::string& hint) {
    button_->setToolTip(ToQString(hint));
}
bool TEditTyped::ButtonFlat() const {
    return button_->autoRaise();
}
void TEditTyped::SetButtonFlat(bool flat) {
    button_->setAutoRaise(flat);
}

void TEditTyped::ClickButton() {
    if (buttonWidth_ >= 1 && OnButtonClick) OnButtonClick(this);
}

void TEditTyped::UpdateButton() {
    button_->setArrowType(style_ == TSMButtonStyle::bsDropDown ? Qt::DownArrow : Qt::NoArrow);
    QPixmap pix = style_ == TSMButtonStyle::bsCustom ? glyph_ : DrawnGlyph(style_, this);
    // A glyph strip holds NumGlyphs images side by side; the first is the normal one.
    if (!pix.isNull() && numGlyphs_ > 1)
        pix = pix.copy(0, 0, pix.width() / numGlyphs_, pix.height());
    button_->setIcon(pix.isNull() ? QIcon() : QIcon(pix));
    if (!pix.isNull()) button_->setIconSize(pix.size());
    button_->setVisible(buttonWidth_ > 0);
    UpdateLayout();
}

int TEditTyped::FrameWidth() const {
    return flat_ ? 3 : style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
}

void TEditTyped::UpdateLayout() {
    const int frame = FrameWidth();
    const TRect r = EditButtonRect(width(), height(), buttonWidth_, frame);
    button_->setGeometry(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
    // Text never runs under the button.
    const int pad = flat_ ? frame : 0;
    setTextMargins(pad, pad, pad + (buttonWidth_ > 0 ? buttonWidth_ + 2 : 0), pad);
}

void TEditTyped::UpdateMinimumHeight() {
    int h = std::min(QFontMetrics(QApplication::font()).height(), fontMetrics().height());
    setMinimumHeight(EditMinHeight(h));
}

void TEditTyped::UpdateFlatColour() {
    if (!flat_) return;
    const QPalette app = QApplication::palette(this);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, app.color(isEnabled() ? QPalette::Base : QPalette::Button));
    setPalette(pal);
}

// ---- Events -----------------------------------------------------------------------------

void TEditTyped::keyPressEvent(QKeyEvent* event) {
    if (!ButtonKey.isEmpty() && buttonWidth_ > 0 &&
        QKeySequence(event->keyCombination()) == ButtonKey) {
        ClickButton();
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !(event->modifiers() & (Qt::AltModifier | Qt::ControlModifier))) {
        // Accepted here, so the dialog's default button does not fire.
        focusNextChild();
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (EnabledTypedLimit && typed.size() == 1 && typed[0].unicode() >= 0x20 &&
        typed[0].unicode() != 0x7F &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const char key = char(UnicodeToAnsiChar(typed[0].unicode()));
        const char allowed = FilterTypedKey(type_, key, Text(), FormatSettings().DecimalSeparator);
        if (allowed == 0) {
            QApplication::beep();
            event->accept();
            return;
        }
        if (allowed != key) {
            QKeyEvent replaced(
                event->type(), event->key(), event->modifiers(),
                QString(QChar(AnsiCharToUnicode(static_cast<unsigned char>(allowed)))));
            QLineEdit::keyPressEvent(&replaced);
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TEditTyped::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // Posted, so that the click that brought the focus does not undo the selection.
    if (AutoSelect) QTimer::singleShot(0, this, [this] { selectAll(); });
    if (OnEnter) CallGuarded([this] { OnEnter(this); });
}

void TEditTyped::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (OnExit) CallGuarded([this] { OnExit(this); });
    // Only moves the user makes inside the window are checked: switching to another program,
    // opening a menu or the program moving the focus (which would let two fields bounce it
    // between them) are not.
    switch (event->reason()) {
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
        case Qt::MouseFocusReason:
        case Qt::ShortcutFocusReason:
            QTimer::singleShot(0, this, [this] { RunExitCheck(); });
            break;
        default:
            break;
    }
}

void TEditTyped::RunExitCheck() {
    QWidget* now = QApplication::focusWidget();
    if (now == this || !now || now->window() != window() || IsRejectButton(now)) return;
    try {
        CheckValue();
    } catch (const std::exception& e) {
        setFocus(Qt::OtherFocusReason);
        LorvaneApplication::ShowException(&e);
    }
}

void TEditTyped::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    UpdateLayout();
}

void TEditTyped::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (!flat_) return;
    QPainter p(this);
    const QColor face = palette().color(QPalette::Button), window = palette().color(QPalette::Base);
    auto frame = [&p](QRect r, const QColor& c) {
        p.setPen(c);
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    };
    QRect r = rect();
    if (hot_ || hasFocus()) {
        qDrawShadePanel(&p, r, palette(), true, 1);
        r.adjust(1, 1, -1, -1);
    } else {
        frame(r, face);
        r.adjust(1, 1, -1, -1);
    }
    frame(r, face);
    frame(r.adjusted(1, 1, -1, -1), window);
}

void TEditTyped::enterEvent(QEnterEvent* event) {
    QLineEdit::enterEvent(event);
    hot_ = true;
    if (flat_) update();
}

void TEditTyped::leaveEvent(QEvent* event) {
    QLineEdit::leaveEvent(event);
    hot_ = false;
    if (flat_) update();
}

void TEditTyped::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) UpdateFlatColour();
    if (event->type() == QEvent::FontChange) {
        UpdateMinimumHeight();
        UpdateLayout();
    }
}
