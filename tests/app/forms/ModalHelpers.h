// Answering the modal dialogs a window test opens; waiting for the window manager; the size a
// resizer gives a form.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "ElastFrm.h"

// Waits until a shown window is on the screen and, on a display with a window manager, framed
// by it: only then do its frame geometry and its place hold. The manager places a window before
// it maps it, so a window that is exposed has been placed.
inline void WaitPlacedAndFramed(QWidget& window) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // Without a window manager nothing frames it: the wait ends with no frame.
    if (QGuiApplication::platformName() == "xcb")
        static_cast<void>(
            QTest::qWaitFor([&] { return window.frameGeometry() != window.geometry(); }, 5000));
}

// Runs `action` on the next modal dialog once it is shown.
inline void WhenModal(std::function<void(QWidget*)> action) {
    QTimer::singleShot(0, [action] {
        if (QWidget* modal = QApplication::activeModalWidget()) action(modal);
    });
}

// The size a resizer opens its form at on the form's screen: the design size in the proportion of
// the screen to the design screen, or the form's minimum size where that is larger.
inline QSize SizeForTheScreen(const QWidget& form, const TElasticForm& elastic) {
    const QSize screen = form.screen()->availableGeometry().size();
    return QSize(RoundHalfEven(elastic.DesignFormWidth * double(screen.width()) /
                               elastic.DesignScreenWidth),
                 RoundHalfEven(elastic.DesignFormHeight * double(screen.height()) /
                               elastic.DesignScreenHeight))
        .expandedTo(form.minimumSize());
}
