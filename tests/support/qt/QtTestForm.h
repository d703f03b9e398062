// A form for Qt tests of controls: the control's widget beside a line edit of the form's own,
// the form shown and active; and keys sent to a widget.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

#include "QtTestApplication.h"
#include "platform/Controls.h"
#include "platform/qt/ControlHost.h"

inline void Key(QWidget* w, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
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
