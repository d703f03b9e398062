// The headless control host: geometry as the Qt host lays it out, painting from the event
// queue, timers and posted messages, focus, and handler exceptions stopping at the boundary.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "ScriptedMessages.h"
#include "platform/Controls.h"
#include "platform/EventLoop.h"
#include "platform/headless/Headless.h"

namespace {

void Pump(int ms = 0) {
    if (ms <= 0)
        ProcessMessages(false);
    else
        AdvanceTime(ms);
}

// Runs the queue until `done` or a generous limit; the limit only stops a broken run.
template <class F>
bool PumpUntil(F done) {
    return ProcessMessagesUntil(
        5000, [](void* f) { return (*static_cast<F*>(f))(); }, &done);
}

class Probe : public TCustomControl {
public:
    std::vector<TRect> paints;
    std::vector<int> ticks;
    std::vector<std::string> log;
    int resizes = 0;
    int created = 0;
    std::function<void(int)> onTimer;

    using TCustomControl::PostMessage;

protected:
    void CreateWnd() override { ++created; }
    void Paint(TCanvas& canvas, const TRect& r) override {
        paints.push_back(r);
        canvas.Brush().SetColor(clRed);
        canvas.FillRect(r);
        canvas.Brush().SetColor(clBlue);
        canvas.FillRect({0, 0, 4, 4});
    }
    void PaintHeaderStrip(TCanvas& canvas, const TRect& strip) override {
        canvas.Brush().SetColor(clLime);
        canvas.FillRect(strip);
    }
    void Resize() override { ++resizes; }
    void TimerEvent(int id) override {
        ticks.push_back(id);
        // From a copy: the handler may destroy the control and with it onTimer.
        if (auto handler = onTimer) handler(id);
    }
    void PostedMessage(unsigned msg, intptr_t w, intptr_t) override {
        log.push_back(std::to_string(msg) + ":" + std::to_string(w));
        if (msg == 99) throw std::runtime_error("posted handler failed");
    }
    void DoEnter() override { log.push_back("enter"); }
    void DoExit() override { log.push_back("exit"); }
};

}  // namespace

TEST(HeadlessControlHost, LaysOutFrameStripAndBarsAsTheSharedArithmetic) {
    Probe c;
    c.SetBounds(10, 20, 200, 150);
    EXPECT_EQ(c.ClientWidth(), 200);
    EXPECT_EQ(c.ClientHeight(), 150);
    c.SetBorderStyle(bsSingle);
    c.SetHeaderStripHeight(18);
    TScrollInfo info;
    info.Mask = SIF_RANGE | SIF_PAGE;
    info.Max = 999;
    info.Page = 100;
    c.SetScrollInfo(sbVertical, info, true);
    EXPECT_TRUE(c.ScrollBarVisible(sbVertical));
    TControlLayout parts = LayoutControl(200, 150, 2, 18, true, false, c.ScrollBarExtent(), false);
    EXPECT_EQ(c.ClientOrigin(), parts.Client);
    EXPECT_EQ(c.ClientWidth(), 200 - 4 - c.ScrollBarExtent());
    EXPECT_EQ(c.ClientHeight(), 150 - 4 - 18);
    EXPECT_EQ(c.HeaderStripRect(), (TRect{0, -18, 196, 0}));
    EXPECT_EQ(c.ClientToScreen({0, 0}), (TPoint{10 + 2, 20 + 2 + 18}));
    EXPECT_EQ(c.ScreenToClient(c.ClientToScreen({5, 7})), (TPoint{5, 7}));
    c.SetBiDiMode(bdRightToLeft);
    EXPECT_EQ(c.ClientOrigin().Left, 2 + c.ScrollBarExtent()) << "the bar moves to the left";
    EXPECT_EQ(c.resizes, 0) << "no Resize before the window exists";
    c.HandleNeeded();
    EXPECT_EQ(c.created, 1);
    c.ShowScrollBar(sbVertical, false);
    EXPECT_EQ(c.resizes, 1);
    EXPECT_EQ(c.ClientWidth(), 196);
}

TEST(HeadlessControlHost, PaintsFromTheQueueOnlyWhenShownAndDrawing) {
    Probe c;
    c.SetBounds(0, 0, 50, 40);
    c.Invalidate();
    Pump();
    EXPECT_TRUE(c.paints.empty()) << "a window never shown does not paint";
    EXPECT_TRUE(c.Visible()) << "yet it counts as visible until hidden";
    c.Show();
    EXPECT_EQ(c.created, 1);
    EXPECT_TRUE(c.paints.empty()) << "painting waits for the queue";
    Pump();
    ASSERT_EQ(c.paints.size(), 1u);
    EXPECT_EQ(c.paints[0], (TRect{0, 0, 50, 40}));
    c.paints.clear();
    c.InvalidateRect({5, 5, 10, 10});
    c.InvalidateRect({20, 5, 30, 8});
    c.InvalidateRect({100, 100, 120, 120});  // outside: ignored
    Pump();
    ASSERT_EQ(c.paints.size(), 1u) << "invalidations add up to one paint";
    EXPECT_EQ(c.paints[0], (TRect{5, 5, 30, 10}));
    c.paints.clear();
    c.SetRedraw(false);
    c.Invalidate();
    Pump();
    c.Update();
    EXPECT_TRUE(c.paints.empty()) << "nothing paints while redrawing is off";
    c.SetRedraw(true);
    Pump();
    EXPECT_EQ(c.paints.size(), 1u) << "turning redrawing on repaints";
    c.paints.clear();
    c.Invalidate();
    c.Update();
    EXPECT_EQ(c.paints.size(), 1u) << "Update paints at once";
    Pump();
    EXPECT_EQ(c.paints.size(), 1u) << "and leaves nothing for the queue";
    c.Hide();
    EXPECT_FALSE(c.Visible());
    c.Invalidate();
    Pump();
    EXPECT_EQ(c.paints.size(), 1u);
}

TEST(HeadlessControlHost, PaintToDrawsFrameStripAndClientInPlace) {
    Probe c;
    c.SetBorderStyle(bsSingle);
    c.SetCtl3D(false);
    c.SetHeaderStripHeight(6);
    c.SetBounds(0, 0, 30, 20);
    TBitmap image;
    c.PaintTo(image);
    ASSERT_EQ(image.Width(), 30);
    ASSERT_EQ(image.Height(), 20);
    EXPECT_EQ(image.Pixel(0, 0), ColorToRGB(clWindowFrame));
    EXPECT_EQ(image.Pixel(5, 3), clLime) << "the strip below the frame";
    TRect client = c.ClientOrigin();
    EXPECT_EQ(client.Top, 7);
    EXPECT_EQ(image.Pixel(client.Left, client.Top), clBlue) << "client (0,0) at its origin";
    EXPECT_EQ(image.Pixel(client.Left + 5, client.Top + 5), clRed);
    EXPECT_EQ(image.Pixel(29, 19), ColorToRGB(clWindowFrame));
}

// The 3-D frame is a sunken edge: shadow and dark shadow on the top and left, highlight and
// light on the bottom and right, each line one pixel wide.
TEST(HeadlessControlHost, PaintToDrawsTheSunkenEdgeOfThe3DFrame) {
    Probe c;
    c.SetBorderStyle(bsSingle);
    c.SetBounds(0, 0, 30, 20);
    TBitmap image;
    c.PaintTo(image);
    ASSERT_EQ(image.Width(), 30);
    EXPECT_EQ(image.Pixel(10, 0), ColorToRGB(clBtnShadow));
    EXPECT_EQ(image.Pixel(0, 10), ColorToRGB(clBtnShadow));
    EXPECT_EQ(image.Pixel(10, 1), ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(image.Pixel(1, 10), ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(image.Pixel(10, 19), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(image.Pixel(29, 10), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(image.Pixel(10, 18), ColorToRGB(cl3DLight));
    EXPECT_EQ(image.Pixel(28, 10), ColorToRGB(cl3DLight));
    EXPECT_EQ(image.Pixel(29, 0), ColorToRGB(clBtnHighlight)) << "the light edge ends on top";
    EXPECT_EQ(image.Pixel(2, 2), clBlue) << "the client area starts inside the edge";
}

TEST(HeadlessControlHost, TimersAndPostedMessagesRunFromTheQueue) {
    ScriptedMessages messages;
    Probe c;
    c.SetTimer(7, 1);
    EXPECT_TRUE(c.TimerActive(7));
    ASSERT_TRUE(PumpUntil([&] { return c.ticks.size() >= 2; })) << "a timer repeats";
    c.KillTimer(7);
    EXPECT_FALSE(c.TimerActive(7));
    size_t ticks = c.ticks.size();
    Pump(5);
    EXPECT_EQ(c.ticks.size(), ticks);

    c.PostMessage(1, 10);
    c.PostMessage(99, 0);
    c.PostMessage(2, 20);
    EXPECT_TRUE(c.log.empty());
    Pump();
    EXPECT_EQ(c.log, (std::vector<std::string>{"1:10", "99:0", "2:20"}));
    ASSERT_EQ(messages.Shown.size(), 1u) << "the exception stopped at the boundary";
    EXPECT_EQ(messages.LastText(), "posted handler failed");
}

TEST(HeadlessControlHost, AControlMayDestroyItselfFromItsTimerAndDropsItsMessages) {
    auto c = std::make_unique<Probe>();
    Probe* raw = c.get();
    bool gone = false;
    raw->onTimer = [&](int) {
        c.reset();
        gone = true;
    };
    raw->SetTimer(1, 1);
    ASSERT_TRUE(PumpUntil([&] { return gone; }));
    auto other = std::make_unique<Probe>();
    other->PostMessage(5, 0);
    other->Show();
    other.reset();
    Pump();  // neither the message nor the paint of the dead control runs
}

TEST(HeadlessControlHost, FocusMovesBetweenShownEnabledControls) {
    Probe a, b;
    a.SetFocus();
    EXPECT_FALSE(a.Focused()) << "a hidden control takes no focus";
    a.Show();
    b.Show();
    a.SetFocus();
    EXPECT_TRUE(a.Focused());
    b.SetFocus();
    EXPECT_FALSE(a.Focused());
    EXPECT_TRUE(b.Focused());
    EXPECT_EQ(a.log, (std::vector<std::string>{"enter", "exit"}));
    b.SetEnabled(false);
    EXPECT_FALSE(b.Focused());
    EXPECT_EQ(b.log, (std::vector<std::string>{"enter", "exit"}));
}

TEST(HeadlessControlHost, MouseAndKeyboardComeFromTheTestsDesktop) {
    Probe c;
    c.SetBounds(100, 50, 40, 40);
    SetHeadlessMousePosition({110, 60});
    SetHeadlessKeyboardState(ssShift | ssCtrl);
    EXPECT_EQ(c.MousePosition(), (TPoint{10, 10}));
    EXPECT_EQ(TCustomControl::KeyboardState(), TShiftState(ssShift | ssCtrl));
    SetHeadlessMousePosition({-1, -1});
    SetHeadlessKeyboardState(0);
}
