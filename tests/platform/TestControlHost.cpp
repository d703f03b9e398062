// The control host: client area, scroll-bar model, window lifetime, timers, messages, input.
#include <gtest/gtest.h>

#include "QtTestApplication.h"
#include "QtTestForm.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QWidget>

#include "ScriptedMessages.h"
#include "platform/Controls.h"
#include "platform/EventLoop.h"
#include "platform/Exceptions.h"
#include "platform/Menus.h"
#include "platform/qt/Application.h"
#include "platform/qt/ControlHost.h"

#include <functional>
#include <string>
#include <vector>

namespace {

// Records what reaches the control's handlers.
class Probe : public TCustomControl {
public:
    Probe() : TCustomControl(nullptr) {}
    std::vector<std::string> log;
    int creates = 0, paints = 0, resizes = 0;
    bool wantTab = false;
    uint16_t useKey = 0;
    bool takeSideways = false;

    using TCustomControl::ScrollMessage;

protected:
    void CreateWnd() override { ++creates; }
    void Paint(TCanvas& canvas, const TRect& r) override {
        ++paints;
        TCustomControl::Paint(canvas, r);
    }
    void Resize() override { ++resizes; }
    void ScrollMessage(TScrollBarKind kind, TScrollCode code, int pos) override {
        log.push_back("Scroll(" + std::to_string(int(kind)) + "," + std::to_string(int(code)) +
                      "," + std::to_string(pos) + ")");
    }
    void TimerEvent(int id) override { log.push_back("Timer(" + std::to_string(id) + ")"); }
    void PostedMessage(unsigned msg, intptr_t w, intptr_t l) override {
        log.push_back("Posted(" + std::to_string(msg) + "," + std::to_string(w) + "," +
                      std::to_string(l) + ")");
    }
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
        log.push_back("Down(" + std::to_string(int(b)) + "," +
                      std::to_string(s & ssDouble ? 1 : 0) + "," + std::to_string(x) + "," +
                      std::to_string(y) + ")");
    }
    void MouseUp(TMouseButton b, TShiftState, int x, int y) override {
        log.push_back("Up(" + std::to_string(int(b)) + "," + std::to_string(x) + "," +
                      std::to_string(y) + ")");
    }
    void Click() override { log.push_back("Click"); }
    void DblClick() override { log.push_back("DblClick"); }
    void KeyDown(uint16_t& key, TShiftState shift) override {
        log.push_back("KeyDown(" + std::to_string(key) + "," + std::to_string(shift) + ")");
        if (key == useKey) key = 0;
    }
    void KeyUp(uint16_t& key, TShiftState) override {
        log.push_back("KeyUp(" + std::to_string(key) + ")");
    }
    void KeyPress(char& key) override { log.push_back(std::string("KeyPress(") + key + ")"); }
    bool WantKey(uint16_t key, TShiftState) override { return key == VK_TAB && wantTab; }
    bool DoMouseWheel(TShiftState, int delta, TPoint) override {
        log.push_back("Wheel(" + std::to_string(delta) + ")");
        return true;
    }
    bool DoMouseHorizontalWheel(TShiftState, int delta, TPoint) override {
        log.push_back("Sideways(" + std::to_string(delta) + ")");
        return takeSideways;
    }
};

class ControlHostTest : public ::testing::Test {
protected:
    void SetUp() override { NeedApplication(); }
};

QWidget* Viewport(TCustomControl& c) {
    for (QWidget* w : HostWidget(c)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!qobject_cast<QScrollBar*>(w)) return w;
    return nullptr;
}

QScrollBar* Bar(TCustomControl& c, Qt::Orientation o) {
    for (QScrollBar* b : HostWidget(c)->findChildren<QScrollBar*>())
        if (b->orientation() == o) return b;
    return nullptr;
}

}  // namespace

TEST(ScrollBarModel, FollowsTheWindowsArithmetic) {
    TScrollBarModel m;
    TScrollInfo info;
    info.Mask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.Max = 114;
    info.Page = 61;
    info.Pos = 500;
    m.Set(info);
    EXPECT_EQ(m.MaxPos(), 54) << "range 0..Range with page client+1 ends at Range - client";
    EXPECT_EQ(m.Get().Pos, 54);
    EXPECT_TRUE(m.Visible());
    EXPECT_TRUE(m.Enabled());
    info.Page = 200;
    info.Pos = 10;
    m.Set(info);
    EXPECT_EQ(m.Get().Page, 115u) << "the page never exceeds the range";
    EXPECT_EQ(m.Get().Pos, 0);
    EXPECT_FALSE(m.Visible());
    info.Mask |= SIF_DISABLENOSCROLL;
    m.Set(info);
    EXPECT_TRUE(m.Visible());
    EXPECT_FALSE(m.Enabled());
    info = {};
    info.Mask = SIF_POS;
    info.Pos = -5;
    m.Set(info);
    EXPECT_EQ(m.Get().Pos, 0);
    TScrollInfo broken;
    broken.Mask = SIF_RANGE;
    broken.Min = 10;
    broken.Max = 2;
    m.Set(broken);
    EXPECT_EQ(m.Get().Max, 10) << "an inverted range collapses";
}

TEST_F(ControlHostTest, ClientAreaExcludesFrameHeaderAndBars) {
    Probe p;
    p.SetBounds(0, 0, 200, 100);
    EXPECT_EQ(p.ClientWidth(), 200);
    EXPECT_EQ(p.ClientHeight(), 100);
    p.SetBorderStyle(bsSingle);
    EXPECT_EQ(p.BorderWidth(), 2);
    EXPECT_EQ(p.ClientRect(), (TRect{0, 0, 196, 96}));
    p.SetCtl3D(false);
    EXPECT_EQ(p.ClientWidth(), 198);
    p.SetCtl3D(true);
    p.SetHeaderStripHeight(17);
    EXPECT_EQ(p.ClientHeight(), 96 - 17);
    EXPECT_EQ(p.HeaderStripRect(), (TRect{0, -17, 196, 0}));
    TScrollInfo info;
    info.Mask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.Max = 500;
    info.Page = 80;
    p.SetScrollInfo(sbVertical, info, false);
    const int ext = p.ScrollBarExtent();
    EXPECT_GT(ext, 0);
    EXPECT_EQ(p.ClientWidth(), 196 - ext);
    p.SetScrollInfo(sbHorizontal, info, false);
    EXPECT_EQ(p.ClientHeight(), 96 - 17 - ext);
    EXPECT_EQ(p.ClientOrigin().Left, 2);
    EXPECT_EQ(p.ClientOrigin().Top, 2 + 17);
    p.SetBiDiMode(bdRightToLeft);
    EXPECT_EQ(p.ClientOrigin().Left, 2 + ext) << "the vertical bar moves to the left";
    p.ShowScrollBar(sbVertical, false);
    EXPECT_EQ(p.ClientWidth(), 196);
}

TEST_F(ControlHostTest, TheWindowExistsFromTheFirstShow) {
    Probe p;
    EXPECT_FALSE(p.HandleAllocated());
    EXPECT_TRUE(p.Visible()) << "not hidden on purpose";
    p.SetBounds(0, 0, 120, 80);
    EXPECT_EQ(p.resizes, 0) << "no window, no resize notice";
    p.Show();
    EXPECT_TRUE(p.HandleAllocated());
    EXPECT_EQ(p.creates, 1);
    p.SetBounds(0, 0, 150, 90);
    EXPECT_EQ(p.resizes, 1);
    p.Hide();
    p.Show();
    EXPECT_EQ(p.creates, 1);
    Probe q;
    q.HandleNeeded();
    EXPECT_TRUE(q.HandleAllocated());
    EXPECT_EQ(q.creates, 1);
    EXPECT_EQ(ControlOfWidget(HostWidget(q)), &q);
    EXPECT_EQ(ControlOfWidget(nullptr), nullptr);
}

TEST_F(ControlHostTest, TimersByIdAndPostedMessages) {
    Probe p;
    p.SetTimer(5, 10);
    p.SetTimer(5, 10);
    EXPECT_TRUE(p.TimerActive(5));
    ASSERT_TRUE(PumpUntil([&] { return !p.log.empty(); }));
    EXPECT_EQ(p.log.front(), "Timer(5)");
    p.KillTimer(5);
    EXPECT_FALSE(p.TimerActive(5));
    p.log.clear();
    Pump(40);
    EXPECT_TRUE(p.log.empty()) << "a killed timer stays quiet";
    p.PostMessage(0x801F, 3, 4);
    EXPECT_TRUE(p.log.empty()) << "posted, not sent";
    Pump(10);
    EXPECT_EQ(p.log, std::vector<std::string>{"Posted(32799,3,4)"});
    {
        Probe gone;
        gone.PostMessage(1);
        gone.SetTimer(1, 1);
    }
    Pump(10);  // what the gone control left behind is dropped with it
}

TEST_F(ControlHostTest, PaintingFollowsInvalidationAndRedraw) {
    Probe p;
    p.SetBounds(0, 0, 100, 60);
    p.Show();
    Pump(20);
    p.paints = 0;
    p.SetRedraw(false);
    p.Invalidate();
    p.Update();
    Pump(20);
    EXPECT_EQ(p.paints, 0);
    p.SetRedraw(true);
    p.InvalidateRect({0, 0, 10, 10});
    p.Update();
    EXPECT_GE(p.paints, 1) << "Update paints at once";
    p.SetColor(clRed);
    p.SetBorderStyle(bsSingle);
    TBitmap shot;
    p.PaintTo(shot);
    EXPECT_EQ(shot.Width(), 100);
    EXPECT_EQ(shot.Pixel(50, 30), clRed);
    EXPECT_NE(shot.Pixel(0, 0), clRed) << "the frame is not client area";
    p.Hide();
}

TEST_F(ControlHostTest, ScrollBarsReportWindowsCodes) {
    Probe p;
    p.SetBounds(0, 0, 100, 100);
    TScrollInfo info;
    info.Mask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.Max = 300;
    info.Page = 97;
    p.SetScrollInfo(sbVertical, info, false);
    QScrollBar* bar = Bar(p, Qt::Vertical);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->maximum(), 300 - 97 + 1);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(p.log, (std::vector<std::string>{"Scroll(1,1,0)", "Scroll(1,2,0)", "Scroll(1,7,0)"}));
    EXPECT_EQ(bar->value(), 0) << "the bar shows the control's position, not its own guess";
}

TEST_F(ControlHostTest, KeysTheControlLeavesGoToTheForm) {
    Probe p;
    p.useKey = VK_DOWN;
    QWidget* host = HostWidget(p);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::ShiftModifier);
    QCoreApplication::sendEvent(host, &down);
    EXPECT_TRUE(down.isAccepted());
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QCoreApplication::sendEvent(host, &enter);
    EXPECT_FALSE(enter.isAccepted()) << "unused: the dialog's default button gets it";
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QCoreApplication::sendEvent(host, &letter);
    QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a", true);
    QCoreApplication::sendEvent(host, &repeat);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a");
    QCoreApplication::sendEvent(host, &release);
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, "\t");
    QCoreApplication::sendEvent(host, &tab);
    p.wantTab = true;
    QCoreApplication::sendEvent(host, &tab);
    EXPECT_EQ(p.log, (std::vector<std::string>{"KeyDown(40,1)", "KeyDown(13,0)", "KeyPress(\r)",
                                               "KeyDown(65,0)", "KeyPress(a)", "KeyUp(65)",
                                               "KeyDown(9,0)", "KeyPress(\t)"}));
    QKeyEvent shortcut(QEvent::ShortcutOverride, Qt::Key_Delete, Qt::NoModifier);
    shortcut.ignore();
    QCoreApplication::sendEvent(host, &shortcut);
    EXPECT_FALSE(shortcut.isAccepted()) << "menu shortcuts keep working";
}

TEST_F(ControlHostTest, MouseArrivesInClientCoordinates) {
    Probe p;
    p.SetBounds(0, 0, 100, 100);
    p.SetBorderStyle(bsSingle);
    p.SetHeaderStripHeight(10);
    QWidget* vp = Viewport(p);
    ASSERT_NE(vp, nullptr);
    QPointF at(5, 6);
    QMouseEvent press(QEvent::MouseButtonPress, at, vp->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, vp->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &release);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, vp->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &dbl);
    EXPECT_EQ(p.log, (std::vector<std::string>{"Down(0,0,5,6)", "Up(0,5,6)", "Click",
                                               "Down(0,1,5,6)", "DblClick"}));
}

TEST_F(ControlHostTest, TheSidewaysWheelReachesOnlyTheSidewaysHandler) {
    Probe p;
    p.SetBounds(0, 0, 100, 100);
    QWidget* vp = Viewport(p);
    ASSERT_NE(vp, nullptr);
    EXPECT_TRUE(SendWheel(vp, {0, -120}));
    EXPECT_FALSE(SendWheel(vp, {120, 0})) << "not taken: it goes on to the window around";
    p.takeSideways = true;
    EXPECT_TRUE(SendWheel(vp, {-120, 0}));
    SendWheel(vp, {40, 120});  // a diagonal movement is the vertical one
    EXPECT_EQ(p.log, (std::vector<std::string>{"Wheel(-120)", "Sideways(120)", "Sideways(-120)",
                                               "Wheel(120)"}));
}

TEST_F(ControlHostTest, PopupMenuShowsItsItems) {
    TPopupMenu menu;
    int clicks = 0, popups = 0;
    menu.Items().Add("&Open", [&](TObject*) { ++clicks; });
    menu.Items().Add("-");
    TMenuItem* off = menu.Items().Add("Off", [&](TObject*) { ++clicks; });
    off->Enabled = false;
    menu.OnPopup = [&](TObject*) { ++popups; };
    menu.Popup(10, 10);
    EXPECT_EQ(popups, 1);
    EXPECT_TRUE(menu.IsPoppedUp());
    menu.Items().Items(0)->Click();
    off->Click();
    EXPECT_EQ(clicks, 1);
    menu.CloseMenu();
    EXPECT_FALSE(menu.IsPoppedUp());
}

// A command chosen with the mouse runs once the menu has closed and its handler has returned:
// the command lets events run, among them a second request for the menu, without the menu being
// freed under its own mouse handler.
TEST_F(ControlHostTest, PopupMenuCommandRunsAfterTheMenuHasClosed) {
    TPopupMenu menu;
    int clicks = 0;
    menu.Items().Add("Go", [&](TObject*) {
        ++clicks;
        ProcessMessages(false);
    });
    menu.Popup(10, 10);
    auto* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(shown, nullptr);
    QMetaObject::invokeMethod(
        shown, [&] { menu.Popup(20, 20); }, Qt::QueuedConnection);
    const QPoint at = shown->actionGeometry(shown->actions().at(0)).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, shown->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(shown, &event);
    }
    EXPECT_EQ(clicks, 0) << "not from inside the menu's handler";
    EXPECT_TRUE(PumpUntil([&] { return clicks > 0; }));
    EXPECT_EQ(clicks, 1);
}

namespace {

// A control that runs a test's action from inside one of its handlers.
class Reactor : public TCustomControl {
public:
    std::function<void()> onScroll, onTimer, onPosted, onMouseUp, onKeyDown, onPaint;

protected:
    void ScrollMessage(TScrollBarKind, TScrollCode, int) override { Run(onScroll); }
    void TimerEvent(int) override { Run(onTimer); }
    void PostedMessage(unsigned, intptr_t, intptr_t) override { Run(onPosted); }
    void MouseUp(TMouseButton, TShiftState, int, int) override { Run(onMouseUp); }
    void KeyDown(uint16_t&, TShiftState) override { Run(onKeyDown); }
    void Paint(TCanvas& canvas, const TRect& r) override {
        TCustomControl::Paint(canvas, r);
        Run(onPaint);
    }

private:
    static void Run(const std::function<void()>& action) {
        if (action) action();
    }
};

// A handler that deletes its control; nothing of the handler is touched after the delete.
std::function<void()> DeleteItself(Reactor*& c) {
    return [&c] {
        Reactor* self = c;
        c = nullptr;
        delete self;
    };
}

void DropDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

TEST_F(ControlHostTest, AControlMayBeDestroyedFromItsOwnHandlers) {
    // Scroll bar: the slider and its filter are still running when the handler returns.
    auto* c = new Reactor;
    c->SetBounds(0, 0, 100, 100);
    TScrollInfo info;
    info.Mask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.Max = 300;
    info.Page = 97;
    c->SetScrollInfo(sbVertical, info, false);
    QPointer<QScrollBar> bar = Bar(*c, Qt::Vertical);
    ASSERT_TRUE(bar);
    c->onScroll = DeleteItself(c);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(c, nullptr);
    DropDeferredDeletes();
    EXPECT_FALSE(bar) << "the widgets go once the dispatch is over";

    // Mouse release over the client area (click follows a release).
    c = new Reactor;
    c->SetBounds(0, 0, 100, 100);
    QWidget* vp = Viewport(*c);
    QPointF at(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, vp->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &press);
    c->onMouseUp = DeleteItself(c);
    QMouseEvent release(QEvent::MouseButtonRelease, at, vp->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &release);
    EXPECT_EQ(c, nullptr);
    DropDeferredDeletes();

    // Key, timer and posted message.
    c = new Reactor;
    c->onKeyDown = DeleteItself(c);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(HostWidget(*c), &key);
    EXPECT_EQ(c, nullptr);
    DropDeferredDeletes();

    c = new Reactor;
    c->onTimer = DeleteItself(c);
    c->SetTimer(2, 1);
    EXPECT_TRUE(PumpUntil([&] { return c == nullptr; }));

    int posted = 0;
    c = new Reactor;
    c->onPosted = [&posted, destroy = DeleteItself(c)] {
        ++posted;
        destroy();
    };
    c->PostMessage(0x801F);
    c->PostMessage(0x801F);
    Pump(10);
    EXPECT_EQ(posted, 1) << "the second message died with the control";
    EXPECT_EQ(c, nullptr);
}

TEST_F(ControlHostTest, ExceptionsFromHandlersStopAtTheHost) {
    ScriptedMessages messages;
    Reactor c;
    c.SetBounds(0, 0, 60, 40);
    c.Show();
    Pump(20);
    c.onKeyDown = [] { throw EConvertError("key failed"); };
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(HostWidget(c), &key);
    c.onPaint = [] { throw EInvalidOperation("paint failed"); };
    c.Invalidate();
    c.Update();
    c.onPaint = nullptr;
    c.onTimer = [&] {
        c.KillTimer(6);
        throw EAbort("silent");
    };
    c.SetTimer(6, 1);
    EXPECT_TRUE(PumpUntil([&] { return !c.TimerActive(6); }));
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"key failed", "paint failed"}));
    c.Invalidate();
    c.Update();  // the painter of the failed paint was not left behind
    c.Hide();
}

TEST_F(ControlHostTest, AShownControlWithScrollBarsGoesAwayCleanly) {
    TScrollInfo info;
    info.Mask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.Max = 300;
    info.Page = 50;

    // The control first: its widgets go with it while a bar is visible.
    auto* p = new Probe;
    p->SetBounds(0, 0, 100, 100);
    p->SetScrollInfo(sbVertical, info, false);
    p->SetScrollInfo(sbHorizontal, info, false);
    HostWidget(*p)->show();
    Pump(5);
    QPointer<QScrollBar> bar = Bar(*p, Qt::Vertical);
    ASSERT_TRUE(bar);
    ASSERT_TRUE(bar->isVisible());
    delete p;
    EXPECT_FALSE(bar);

    // The window first: the host goes as its child while the control still exists; nothing
    // of the bars' teardown reaches the control.
    auto* window = new QWidget;
    Probe q;
    HostWidget(q)->setParent(window);
    q.SetBounds(0, 0, 100, 100);
    q.SetScrollInfo(sbVertical, info, false);
    window->show();
    Pump(5);
    ASSERT_TRUE(Bar(q, Qt::Vertical)->isVisible());
    q.log.clear();
    delete window;
    EXPECT_TRUE(q.log.empty());
    q.SetBounds(0, 0, 50, 50);  // the control outlives its widgets
}

TEST_F(ControlHostTest, TheCursorCoversTheHeaderStripButNotTheScrollBars) {
    Probe p;
    p.SetBounds(0, 0, 200, 100);
    p.SetHeaderStripHeight(17);
    p.ShowScrollBar(sbVertical, true);
    p.SetCursor(crHSplit);
    // A column splitter's cursor shows over the strip, which lies outside the client area.
    EXPECT_EQ(HostWidget(p)->cursor().shape(), Qt::SplitHCursor);
    EXPECT_FALSE(Viewport(p)->testAttribute(Qt::WA_SetCursor)) << "the client area inherits";
    EXPECT_EQ(Bar(p, Qt::Vertical)->cursor().shape(), Qt::ArrowCursor);
    p.SetCursor(crDefault);
    EXPECT_EQ(HostWidget(p)->cursor().shape(), Qt::ArrowCursor);
}
