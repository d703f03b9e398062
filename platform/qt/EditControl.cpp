// The in-place editor over Qt: a QLineEdit child of the parent control's host widget, placed
// over the client area. Keys pass the editor's handlers first; the focus leaving it is told
// with whether the parent control took it.
#include "platform/EditControl.h"

#include "QtCanvas.h"
#include "platform/qt/Application.h"
#include "platform/qt/ControlHost.h"
#include "platform/qt/EditControl.h"
#include "platform/qt/QtColors.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

struct EditControlAccess {
    static void KeyDown(TEditControl& e, uint16_t& k, TShiftState s) {
        CallGuarded([&] { e.KeyDown(k, s); });
    }
    static void KeyPress(TEditControl& e, char& k) {
        CallGuarded([&] { e.KeyPress(k); });
    }
    static bool WantKey(TEditControl& e, uint16_t k, TShiftState s) {
        bool want = false;
        CallGuarded([&] { want = e.WantKey(k, s); });
        return want;
    }
    static void Change(TEditControl& e) {
        CallGuarded([&] { e.Change(); });
    }
    static void FocusLost(TEditControl& e, bool toParent) {
        CallGuarded([&] { e.FocusLost(toParent); });
    }
};
using EA = EditControlAccess;

namespace {

// The keys an editor's handlers may see or give back; others pass through untouched.
const std::pair<int, uint16_t> kKeys[] = {
    {Qt::Key_Return, VK_RETURN}, {Qt::Key_Enter, VK_RETURN},  {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Tab, VK_TAB},       {Qt::Key_Backtab, VK_TAB},   {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Right, VK_RIGHT},   {Qt::Key_Up, VK_UP},         {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Home, VK_HOME},     {Qt::Key_End, VK_END},       {Qt::Key_PageUp, VK_PRIOR},
    {Qt::Key_PageDown, VK_NEXT}, {Qt::Key_Delete, VK_DELETE}, {Qt::Key_Backspace, VK_BACK},
    {Qt::Key_F2, VK_F2},
};

uint16_t VirtualKey(int qtKey) {
    for (const auto& [q, vk] : kKeys)
        if (q == qtKey) return vk;
    return 0;
}
int QtKey(uint16_t vk) {
    for (const auto& [q, v] : kKeys)
        if (v == vk) return q;
    return 0;
}

}  // namespace

class EditLine : public QLineEdit {
public:
    EditLine(TEditControl* edit, QWidget* parent) : QLineEdit(parent), edit_(edit) {
        hide();
        setAttribute(Qt::WA_MacShowFocusRect, false);
        connect(this, &QLineEdit::textChanged, this, [this] {
            if (edit_) EA::Change(*edit_);
        });
    }
    TEditControl* edit_;  // nullptr once the editor is gone

protected:
    bool event(QEvent* e) override {
        if (edit_ && e->type() == QEvent::KeyPress) {
            auto* ke = static_cast<QKeyEvent*>(e);
            if (ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) {
                if (!EA::WantKey(*edit_, VK_TAB, ShiftStateOf(ke->modifiers())))
                    return QLineEdit::event(e);
                keyPressEvent(ke);
                return true;
            }
        }
        return QLineEdit::event(e);
    }

    void keyPressEvent(QKeyEvent* e) override {
        if (!edit_) return QLineEdit::keyPressEvent(e);
        QPointer<EditLine> alive(this);
        const uint16_t before = VirtualKey(e->key());
        if (before != 0) {
            uint16_t key = before;
            EA::KeyDown(*edit_, key, ShiftStateOf(e->modifiers()));
            if (!alive) return;
            if (key == 0) {
                e->accept();
                return;
            }
            if (key != before) {
                if (int q = QtKey(key)) {
                    QKeyEvent replaced(QEvent::KeyPress, q, e->modifiers());
                    QLineEdit::keyPressEvent(&replaced);
                }
                e->accept();
                return;
            }
        }
        const QString text = e->text();
        if (text.size() == 1 && edit_) {
            const char16_t u = text.at(0).unicode();
            std::string ansi = FromQString(text);
            char c = ansi.empty() ? '?' : ansi[0];
            if (u < 32 || ansi != "?" || u == u'?') {
                EA::KeyPress(*edit_, c);
                if (!alive) return;
                if (c == 0) {
                    e->accept();
                    return;
                }
            }
        }
        // Enter and Escape the editor left alone go on to the form.
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
            e->ignore();
            return;
        }
        QLineEdit::keyPressEvent(e);
    }

    void focusOutEvent(QFocusEvent* e) override {
        QLineEdit::focusOutEvent(e);
        // A menu over the editor or another window becoming active keeps the edit: the focus
        // comes back to it.
        if (!edit_ || e->reason() == Qt::PopupFocusReason ||
            e->reason() == Qt::ActiveWindowFocusReason)
            return;
        QWidget* next = QApplication::focusWidget();
        QWidget* host = parentWidget();
        const bool toParent = next && (next == host || host->isAncestorOf(next));
        EA::FocusLost(*edit_, toParent);
    }
};

struct TEditControl::Impl {
    QPointer<EditLine> line;
    QPointer<QWidget> host;
    TRect bounds;
    TRect margins;
};

TEditControl::TEditControl(TCustomControl& parent)
    : parent_(parent), impl_(std::make_unique<Impl>()) {
    parent.HandleNeeded();
    impl_->host = HostWidget(parent);
    impl_->line = new EditLine(this, impl_->host);
}

TEditControl::~TEditControl() {
    if (impl_->line) {
        impl_->line->edit_ = nullptr;
        delete impl_->line.data();
    }
}

bool TEditControl::Perform(const TEditMessage& message) {
    if (!impl_->line) return false;
    Qt::KeyboardModifiers mods;
    if (message.Shift & ssShift) mods |= Qt::ShiftModifier;
    if (message.Shift & ssCtrl) mods |= Qt::ControlModifier;
    if (message.Shift & ssAlt) mods |= Qt::AltModifier;
    const int key = message.Kind == TEditMessage::KeyDown ? QtKey(message.Key) : 0;
    if (message.Kind == TEditMessage::KeyDown && key == 0) return false;
    const QString text = message.Kind == TEditMessage::Character
                             ? ToQString(std::string(1, message.Char))
                             : QString();
    QKeyEvent event(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(impl_->line.data(), &event);
    return event.isAccepted();
}

QLineEdit* EditWidget(TEditControl& edit) {
    return edit.Internal().line;
}

std::string TEditControl::Text() const {
    return impl_->line ? FromQString(impl_->line->text()) : std::string();
}
void TEditControl::SetText(const std::string& text) {
    if (!impl_->line) return;
    impl_->line->setText(ToQString(text));
    impl_->line->setModified(false);
}
std::string TEditControl::TextUtf8() const {
    return impl_->line ? impl_->line->text().toStdString() : std::string();
}
void TEditControl::SetTextUtf8(const std::string& text) {
    if (!impl_->line) return;
    impl_->line->setText(QString::fromStdString(text));
    impl_->line->setModified(false);
}
bool TEditControl::Modified() const {
    return impl_->line && impl_->line->isModified();
}
void TEditControl::SelectAll() {
    if (impl_->line) impl_->line->selectAll();
}
int TEditControl::SelStart() const {
    if (!impl_->line) return 0;
    return impl_->line->hasSelectedText() ? impl_->line->selectionStart()
                                          : impl_->line->cursorPosition();
}
int TEditControl::SelLength() const {
    return impl_->line ? impl_->line->selectionLength() : 0;
}
void TEditControl::SetSelStart(int position) {
    if (impl_->line) {
        impl_->line->deselect();
        impl_->line->setCursorPosition(position);
    }
}

void TEditControl::SetFont(const TFont& font) {
    font_.Assign(font);
    if (impl_->line) {
        impl_->line->setFont(ToQFont(font));
        QPalette palette = impl_->line->palette();
        palette.setColor(QPalette::Text, ToQColor(font.Color(), &palette));
        impl_->line->setPalette(palette);
    }
}
TRect TEditControl::BoundsRect() const {
    return impl_->bounds;
}
void TEditControl::SetBoundsRect(const TRect& r) {
    impl_->bounds = r;
    if (!impl_->line) return;
    const TRect origin = parent_.ClientOrigin();
    impl_->line->setGeometry(r.Left + origin.Left, r.Top + origin.Top, std::max(0, r.Width()),
                             std::max(0, r.Height()));
}
void TEditControl::SetTextMargins(int left, int top, int right, int bottom) {
    impl_->margins = {left, top, right, bottom};
    // Qt's own margins are already inside the frame; negative room is none.
    if (impl_->line)
        impl_->line->setTextMargins(std::max(0, left), std::max(0, top), std::max(0, right),
                                    std::max(0, bottom));
}
TRect TEditControl::TextMargins() const {
    return impl_->margins;
}
void TEditControl::SetFrame(bool frame) {
    if (impl_->line) impl_->line->setFrame(frame);
}
bool TEditControl::Frame() const {
    return impl_->line && impl_->line->hasFrame();
}
void TEditControl::SetRedraw(bool on) {
    if (impl_->line) impl_->line->setUpdatesEnabled(on);
}

bool TEditControl::Visible() const {
    return impl_->line && impl_->line->isVisible();
}
void TEditControl::Show() {
    if (!impl_->line) return;
    impl_->line->show();
    impl_->line->raise();
}
void TEditControl::Hide() {
    if (impl_->line) impl_->line->hide();
}
void TEditControl::SetFocus() {
    if (impl_->line) impl_->line->setFocus(Qt::OtherFocusReason);
}
bool TEditControl::Focused() const {
    return impl_->line && impl_->line->hasFocus();
}

void TEditControl::KeyDown(uint16_t&, TShiftState) {}
void TEditControl::KeyPress(char&) {}
bool TEditControl::WantKey(uint16_t, TShiftState) {
    return false;
}
void TEditControl::FocusLost(bool) {}
