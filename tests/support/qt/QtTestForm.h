// A form for Qt tests of controls: the control's widget beside a line edit of the form's own,
// the form shown and active; and keys and wheel movements sent to a widget.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>
#include <QWidget>

#include "QtTestApplication.h"
#include "platform/Controls.h"
#include "platform/qt/ControlHost.h"

inline void Key(QWidget* w, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
}

// Sends a wheel movement (angle in eighths of a degree) at (5, 6); returns whether it was used.
inline bool SendWheel(QWidget* w, QPoint angle) {
    const QPointF at(5, 6);
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), angle, Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
    return e.isAccepted();
}

// A form holding the control and a line edit of its own, the form active.
struct Form {
    explicit Form(TCustomControl& control) : other(&window) {
        QWidget* host = HostWidget(control);
        host->setParent(&window);
        host->setGeometry(0, 0, 300, 160);
        other.setGeometry(0, 170, 100, 20);
        window.resize(300, 200);
        window.show();
        host->show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        Pump(20);
    }
    ~Form() {
        // The control deletes its own widget.
        for (QWidget* w : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (ControlOfWidget(w)) w->setParent(nullptr);
    }
    QWidget window;
    QLineEdit other;
};
