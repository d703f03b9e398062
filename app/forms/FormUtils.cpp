// Dialog placement and file filters.
#include "FormUtils.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QWidget>

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
    dialog->move(area.left() + area.width() / 2 - own.width() / 2,
                 area.top() + area.height() / 2 - own.height() / 2);
}

QWidget* MainWindowWidget() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(w)) return w;
    return nullptr;
}
