// The fixture of the main-window tests: a fresh bank, seams, settings and information panel
// before and after each test, and a bank of given lines opened in a shown window.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <string>

#include "AppSeams.h"
#include "BankFixture.h"
#include "BankModel.h"
#include "MainForm.h"
#include "MainTree.h"
#include "MarkMemo.h"
#include "ScriptedMessages.h"
#include "Settings.h"
#include "TempDir.h"
#include "platform/qt/ControlHost.h"

// The information panel's memo while it is shown, else nullptr (closed memos are hidden until
// they are freed).
inline TMarkMemo* InfoMemoOf(TMainForm& form) {
    for (QWidget* host : form.findChildren<QWidget*>("InfoMemo"))
        if (!host->isHidden()) return dynamic_cast<TMarkMemo*>(ControlOfWidget(host));
    return nullptr;
}

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        ResetBank();
        Settings() = TSettings();
        ResetProgramState();
    }
    ~MainWindowTest() override {
        ResetBank();
        Settings() = TSettings();
        ResetProgramState();
    }
    // Opens a bank of the named entries in a shown window of 1024 x 768. On a display with a
    // window manager the window is placed before it is exposed: screen positions hold after.
    void Open(TMainForm& form, const Strings& lines) {
        const std::string bank = dir.File("x.bnk");
        Strings all = {"#----F#2.0"};
        all.insert(all.end(), lines.begin(), lines.end());
        BankFixture::WriteAll(bank, BankFixture::CRLF(all));
        form.show();
        form.resize(1024, 768);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        QApplication::processEvents();
        ASSERT_TRUE(OpenBank(bank));
    }
    ScriptedMessages messages;
    TempDir dir;
};
