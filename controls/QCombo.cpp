// The auto-completing combo box over an editable QComboBox.
#include "QCombo.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "platform/KeyCodes.h"
#include "platform/SysUtils.h"
#include "platform/qt/Application.h"

namespace {

uint16_t VirtualKey(const QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Backspace:
            return VK_BACK;
        case Qt::Key_Delete:
            return VK_DELETE;
        case Qt::Key_Control:
            return VK_CONTROL;
        case Qt::Key_Shift:
            return VK_SHIFT;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        default:
            if ((e->key() >= Qt::Key_A && e->key() <= Qt::Key_Z) ||
                (e->key() >= Qt::Key_0 && e->key() <= Qt::Key_9))
                return uint16_t(e->key());
            return 0;
    }
}

}  // namespace

TQuickComboBox::TQuickComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // Our completion replaces Qt's, and Enter must not add the typed text to the list.
    setCompleter(nullptr);
    setInsertPolicy(QComboBox::NoInsert);
    // Only user edits: signals of programmatic changes would recurse into the completion.
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { Edited(); });
    connect(this, &QComboBox::activated, this, [this] {
        if (OnChange) CallGuarded([this] { OnChange(this); });
    });
}

std::string TQuickComboBox::Text() const {
    return FromQString(currentText());
}

void TQuickComboBox::SetText(const std::string& text) {
    setEditText(ToQString(text));
}

std::vector<std::string> TQuickComboBox::ItemTexts() const {
    std::vector<std::string> out;
    out.reserve(size_t(count()));
    for (int i = 0; i < count(); ++i) out.push_back(FromQString(itemText(i)));
    return out;
}

void TQuickComboBox::keyPressEvent(QKeyEvent* event) {
    lastKey_ = VirtualKey(event);
    // The list opens when Ctrl is let go with no other key between: an open list takes the
    // keyboard, and Ctrl+C, Ctrl+X and Ctrl+V must still reach the text.
    ctrlAlone_ = event->key() == Qt::Key_Control && !event->isAutoRepeat();
    QComboBox::keyPressEvent(event);
}

void TQuickComboBox::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Control && ctrlAlone_ && !event->isAutoRepeat()) {
        ctrlAlone_ = false;
        showPopup();
        event->accept();
        return;
    }
    QComboBox::keyReleaseEvent(event);
}

void TQuickComboBox::Edited() {
    // The program's handler sees the text as typed, before the completion.
    if (OnChange) CallGuarded([this] { OnChange(this); });
    const std::string typed = Text();
    const TQuickCompletion c = QuickComplete(ItemTexts(), typed, lastKey_);
    if (c.Index < 0) return;
    setCurrentIndex(c.Index);
    lineEdit()->setText(ToQString(c.Text));
    lineEdit()->setSelection(c.SelStart, c.SelLength);
}
