// Answering the modal dialogs a window test opens.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

// Runs `action` on the next modal dialog once it is shown.
inline void WhenModal(std::function<void(QWidget*)> action) {
    QTimer::singleShot(0, [action] {
        if (QWidget* modal = QApplication::activeModalWidget()) action(modal);
    });
}
