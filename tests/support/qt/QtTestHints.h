// The hint window in Qt tests: the tool-tip window shown now, and a fixture that leaves no hint
// and no compositing override behind.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "QtTestApplication.h"
#include "platform/HintWindow.h"

inline QWidget* HintWidget() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && (w->windowFlags() & Qt::ToolTip) == Qt::ToolTip) return w;
    return nullptr;
}

class HintWindowTest : public ::testing::Test {
protected:
    void SetUp() override { NeedApplication(); }
    void TearDown() override {
        HideHintWindow();
        SetDesktopCompositingOverride(-1);
    }
};
