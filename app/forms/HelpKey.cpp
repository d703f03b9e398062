// F1 in the dialogs, through one application-wide filter.
#include "HelpKey.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>

#include "HelpManual.h"
#include "platform/Help.h"
#include "platform/qt/Application.h"

namespace {

class THelpKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool press = event->type() == QEvent::KeyPress;
        if (!press && event->type() != QEvent::ShortcutOverride) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
        // The main window's F1 is its own command; only dialogs are served here.
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || !qobject_cast<const QDialog*>(widget->window())) return false;
        const int context = WidgetHelpContext(widget);
        if (context == 0) return false;
        // A key in a dialog is the dialog's, even while the window system still counts the
        // main window as the active one: no window's F1 shortcut takes it first.
        if (!press) {
            event->accept();
            return true;
        }
        CallGuarded([&] { ShowHelpContext(context); });
        return true;
    }
};

}  // namespace

int WidgetHelpContext(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget())
        if (const int context = w->property("HelpContext").toInt()) return context;
    return widget ? WindowHelpContext(widget->window()->metaObject()->className()) : 0;
}

void InstallHelpKey(QObject* owner) {
    qApp->installEventFilter(new THelpKeyFilter(owner));
}
