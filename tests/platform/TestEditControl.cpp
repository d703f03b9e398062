// The Qt in-place editor and hint window: the line edit over a control's client area, its
// keys, typing and focus; the hint window shown without activation inside the work area.
#include <gtest/gtest.h>

#include "QtTestApplication.h"
#include "QtTestForm.h"
#include "QtTestHints.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include "platform/EditControl.h"
#include "platform/EventLoop.h"
#include "platform/HintWindow.h"
#include "platform/qt/Application.h"
#include "platform/qt/ControlHost.h"
#include "platform/qt/EditControl.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

class LoggedEdit : public TEditControl {
public:
    using TEditControl::TEditControl;
    std::vector<std::string> log;

protected:
    void KeyDown(uint16_t& key, TShiftState) override {
        log.push_back("KeyDown(" + std::to_string(key) + ")");
        if (key == VK_UP) key = VK_LEFT;
        if (key == VK_RETURN) key = 0;
    }
    void KeyPress(char& key) override {
        log.push_back(std::string("KeyPress(") + key + ")");
        if (key == '\t') key = 0;
    }
    bool WantKey(uint16_t key, TShiftState) override { return key == VK_TAB; }
    void Change() override { log.push_back("Change"); }
    void FocusLost(bool toParent) override {
        log.push_back(toParent ? "Lost(parent)" : "Lost(elsewhere)");
    }
};

QWidget* Window(TCustomControl& control) {
    QWidget* host = HostWidget(control);
    host->resize(300, 160);
    host->show();
    host->activateWindow();
    QApplication::setActiveWindow(host);
    Pump(20);
    return host;
}

class EditControlTest : public ::testing::Test {
protected:
    void SetUp() override { NeedApplication(); }
};

}  // namespace

TEST_F(EditControlTest, TheLineEditSitsOverTheClientAreaAndPassesKeysFirst) {
    TCustomControl parent;
    parent.SetBorderStyle(bsSingle);
    QWidget* host = Window(parent);
    LoggedEdit edit(parent);
    QLineEdit* line = EditWidget(edit);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->parentWidget(), host);
    EXPECT_FALSE(edit.Visible()) << "created hidden";
    edit.SetBoundsRect({10, 5, 110, 25});
    const TRect origin = parent.ClientOrigin();
    EXPECT_EQ(line->geometry(), QRect(10 + origin.Left, 5 + origin.Top, 100, 20));
    edit.SetText("abcdef");
    EXPECT_EQ(edit.log, std::vector<std::string>{"Change"});
    EXPECT_FALSE(edit.Modified());
    edit.Show();
    edit.SetFocus();
    Pump();
    EXPECT_TRUE(edit.Visible());
    EXPECT_TRUE(edit.Focused());
    EXPECT_FALSE(parent.Focused());
    edit.SelectAll();
    EXPECT_EQ(edit.SelLength(), 6);

    edit.SetSelStart(3);
    edit.log.clear();
    Key(line, Qt::Key_Up);
    EXPECT_EQ(edit.SelStart(), 2) << "Up handled as the Left it became";
    Key(line, Qt::Key_Return);
    EXPECT_EQ(edit.log, (std::vector<std::string>{"KeyDown(38)", "KeyDown(13)"}));
    Key(line, Qt::Key_X, "x");
    EXPECT_EQ(edit.Text(), "abxcdef");
    EXPECT_TRUE(edit.Modified());
    EXPECT_EQ(edit.log.back(), "Change");
    Key(line, Qt::Key_Tab, "\t");
    EXPECT_EQ(edit.Text(), "abxcdef") << "the Tab character was swallowed";
    EXPECT_TRUE(edit.Focused()) << "Tab stays in the editor when it wants it";
    edit.SetTextMargins(2, -1, 2, 0);
    EXPECT_EQ(line->textMargins(), QMargins(2, 0, 2, 0)) << "no negative room in Qt";
    EXPECT_EQ(edit.TextMargins(), (TRect{2, -1, 2, 0}));
}

TEST_F(EditControlTest, FocusLeavingTellsWhetherTheParentTookIt) {
    TCustomControl parent;
    parent.SetTabStop(true);
    Form form(parent);
    QLineEdit& other = form.other;
    LoggedEdit edit(parent);
    edit.SetBoundsRect({0, 0, 80, 20});
    edit.Show();
    edit.SetFocus();
    Pump();
    ASSERT_TRUE(edit.Focused());
    edit.log.clear();
    parent.SetFocus();
    Pump();
    EXPECT_EQ(edit.log, std::vector<std::string>{"Lost(parent)"});
    edit.SetFocus();
    Pump();
    edit.log.clear();
    other.setFocus();
    Pump();
    EXPECT_EQ(edit.log, std::vector<std::string>{"Lost(elsewhere)"});
}

TEST_F(EditControlTest, TheHintWindowShowsWithoutActivationInsideTheWorkArea) {
    TCustomControl parent;
    QWidget* host = Window(parent);
    parent.SetFocus();
    Pump();
    QWidget* active = QApplication::activeWindow();
    THintWindowData data;
    data.Text = "A hint\r\nof two lines";
    data.Bounds = {20, 30, 120, 64};
    data.Owner = &parent;
    ActivateHintWindow(data);
    Pump();
    ASSERT_TRUE(HintWindowShowing());
    EXPECT_EQ(ShownHint().Text, data.Text);
    QWidget* hint = HintWidget();
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(hint->geometry(), QRect(20, 30, 100, 34));
    EXPECT_EQ(QApplication::activeWindow(), active) << "the hint takes no activation";
    EXPECT_TRUE(host->hasFocus());
    if (const char* dir = std::getenv("LORVANE_PNG_DIR"))
        hint->grab().save(QString::fromUtf8(dir) + "/hint.png");

    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    data.Bounds = {area.right() - 10, area.bottom() - 5, area.right() + 90, area.bottom() + 25};
    ActivateHintWindow(data);
    EXPECT_TRUE(area.contains(hint->geometry())) << "kept inside the work area";

    HideHintWindow(&data);  // someone else's: stays
    EXPECT_TRUE(HintWindowShowing());
    HideHintWindow(&parent);
    EXPECT_FALSE(HintWindowShowing());
    EXPECT_EQ(ShownHint().Text, "");
}
