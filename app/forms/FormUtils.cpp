// Dialog placement and file filters.
#include "FormUtils.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "platform/qt/Application.h"

void CenterOverForm(QWidget* dialog, const QWidget* owner) {
    if (!dialog) return;
    QRect area;
    if (owner) {
        area = owner->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    } else {
        return;
    }
    const QSize own = dialog->frameGeometry().size();
    QPoint at(area.left() + area.width() / 2 - own.width() / 2,
              area.top() + area.height() / 2 - own.height() / 2);
    // A dialog wider or taller than its owner stays on the owner's screen.
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect avail = screen->availableGeometry();
        at.setX(std::max(avail.left(), std::min(at.x(), avail.right() + 1 - own.width())));
        at.setY(std::max(avail.top(), std::min(at.y(), avail.bottom() + 1 - own.height())));
    }
    dialog->move(at);
}

QWidget* MainWindowWidget() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(w)) return w;
    return nullptr;
}
