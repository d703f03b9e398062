// The headless event queue: timers, descriptor readiness, posts from other threads, and the
// small pieces (image lists, popup menus) that the display-facing libraries use.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ScriptedMessages.h"
#include "platform/Controls.h"
#include "platform/EventLoop.h"
#include "platform/Exceptions.h"
#include "platform/FolderPicker.h"
#include "platform/ImageList.h"
#include "platform/Menus.h"
#include "platform/SocketNotifier.h"
#include "platform/Timer.h"
#include "platform/headless/Headless.h"

namespace {

template <class F>
bool PumpUntil(F done) {
    return ProcessMessagesUntil(
        5000, [](void* f) { return (*static_cast<F*>(f))(); }, &done);
}

}  // namespace

TEST(HeadlessLoop, TimersTickStopAndMayBeFreedFromTheirOwnTick) {
    ScriptedMessages messages;
    auto timer = std::make_unique<TTimer>();
    int ticks = 0;
    timer->SetInterval(1);
    EXPECT_FALSE(timer->Active()) << "no handler, no ticks";
    timer->SetOnTimer([&](TObject*) {
        if (++ticks == 3) throw Exception("tick failed");
    });
    EXPECT_TRUE(timer->Active());
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"tick failed"});
    timer->SetEnabled(false);
    EXPECT_FALSE(timer->Active());
    int stopped = ticks;
    ProcessMessagesUntil(5, nullptr, nullptr);
    EXPECT_EQ(ticks, stopped);
    timer->SetOnTimer([&](TObject*) { timer.reset(); });
    timer->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return timer == nullptr; }));
}

// The clock moves only when asked: timers fire at their instants in due order, and what a
// handler posts runs before the clock moves on.
TEST(HeadlessLoop, AdvanceTimeFiresTimersInDueOrderWithTheirPostsBetween) {
    class Target : public TCustomControl {
    public:
        std::vector<std::string>* log = nullptr;
        using TCustomControl::PostMessage;

    protected:
        void PostedMessage(unsigned msg, intptr_t, intptr_t) override {
            log->push_back("post " + std::to_string(msg));
        }
    } target;
    std::vector<std::string> log;
    target.log = &log;
    const int64_t start = TickCount();
    TTimer every10, once25;
    every10.SetInterval(10);
    every10.SetOnTimer([&](TObject*) {
        const int64_t at = TickCount() - start;
        log.push_back("10s " + std::to_string(at));
        target.PostMessage(unsigned(at));
    });
    once25.SetInterval(25);
    once25.SetOnTimer([&](TObject*) {
        log.push_back("25 " + std::to_string(TickCount() - start));
        once25.SetEnabled(false);
    });
    ProcessMessages();
    EXPECT_TRUE(log.empty()) << "no time passed";
    AdvanceTime(35);
    EXPECT_EQ(log, (std::vector<std::string>{"10s 10", "post 10", "10s 20", "post 20", "25 25",
                                             "10s 30", "post 30"}));
    EXPECT_EQ(TickCount() - start, 35);
    log.clear();
    AdvanceTime(5);
    EXPECT_EQ(log, (std::vector<std::string>{"10s 40", "post 40"})) << "the period goes on";
}

// A wait that ends at its time limit still runs what fell due at the limit.
TEST(HeadlessLoop, AWaitRunsWhatFallsDueAtItsEnd) {
    TTimer timer;
    int ticks = 0;
    timer.SetInterval(30);
    timer.SetOnTimer([&](TObject*) { ++ticks; });
    EXPECT_FALSE(ProcessMessagesUntil(30, nullptr, nullptr));
    EXPECT_EQ(ticks, 1);
}

// While a descriptor is watched the clock keeps pace with real time: a time-out timer cannot
// overtake an answer that is on its way.
TEST(HeadlessLoop, WatchedDescriptorsKeepTheClockAtRealPace) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    bool answered = false, timedOut = false;
    TSocketNotifier notifier(fds[0], TSocketNotifierType::sntRead, [&](int fd) {
        char c;
        answered = read(fd, &c, 1) == 1;
    });
    TTimer timeOut;
    timeOut.SetInterval(2000);
    timeOut.SetOnTimer([&](TObject*) { timedOut = true; });
    // The answer goes out once the loop is waiting for it.
    std::atomic<bool> waiting{false};
    std::thread answer([&] {
        waiting.wait(false);
        (void)!write(fds[1], "x", 1);
    });
    EXPECT_TRUE(PumpUntil([&] {
        if (!waiting.exchange(true)) waiting.notify_one();
        return answered || timedOut;
    }));
    answer.join();
    EXPECT_TRUE(answered);
    EXPECT_FALSE(timedOut);
    close(fds[0]);
    close(fds[1]);
}

TEST(HeadlessLoop, NotifiersReportReadinessWhileEnabled) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    int calls = 0;
    auto notifier =
        std::make_unique<TSocketNotifier>(fds[0], TSocketNotifierType::sntRead, [&](int fd) {
            EXPECT_EQ(fd, fds[0]);
            ++calls;
        });
    ProcessMessages();
    EXPECT_EQ(calls, 0) << "nothing to read yet";
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    ASSERT_TRUE(PumpUntil([&] { return calls > 0; }));
    notifier->SetEnabled(false);
    EXPECT_FALSE(notifier->Enabled());
    int before = calls;
    ProcessMessagesUntil(5, nullptr, nullptr);
    EXPECT_EQ(calls, before) << "a disabled notifier stays silent";
    notifier->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return calls > before; })) << "readiness is level-triggered";
    notifier.reset();
    close(fds[0]);
    close(fds[1]);
    ProcessMessages();
}

TEST(HeadlessLoop, PostsFromAnotherThreadWakeTheWaitingLoop) {
    class Target : public TCustomControl {
    public:
        std::atomic<int> got{0};
        using TCustomControl::PostMessage;

    protected:
        void PostedMessage(unsigned msg, intptr_t, intptr_t) override { got = int(msg); }
    } target;
    std::thread poster([&] { target.PostMessage(42); });
    ASSERT_TRUE(PumpUntil([&] { return target.got == 42; }));
    poster.join();
}

TEST(HeadlessLoop, ImageListsCutBitmapsAndDrawThroughTransparency) {
    TImageList list(nullptr, 2, 2);
    int changes = 0;
    TChangeLink link;
    link.OnChange = [&](TChangeLink*) { ++changes; };
    link.SetSender(&list);
    TBitmap strip(4, 2);
    strip.Canvas().Brush().SetColor(clRed);
    strip.Canvas().FillRect({0, 0, 2, 2});
    strip.Canvas().SetPixel(3, 1, clBlue);
    EXPECT_EQ(list.Add(strip, clWhite), 0);
    EXPECT_EQ(list.Count(), 2) << "a strip is cut into images";
    EXPECT_EQ(changes, 1);
    TBitmap target(2, 2);
    target.Canvas().Brush().SetColor(clGreen);
    target.Canvas().FillRect({0, 0, 2, 2});
    list.Draw(target.Canvas(), 0, 0, 1);
    EXPECT_EQ(target.Pixel(1, 1), clBlue);
    EXPECT_EQ(target.Pixel(0, 0), clGreen) << "white was transparent";
    TBitmap out;
    ASSERT_TRUE(list.GetBitmap(0, out));
    EXPECT_EQ(out.Pixel(0, 0), clRed);
    EXPECT_EQ(list.AddFromData("xx", 2), -1);
}

TEST(HeadlessLoop, MenusPopUpWithoutADesktopAndFoldersAreNotPicked) {
    TPopupMenu menu;
    int popups = 0, clicks = 0;
    menu.OnPopup = [&](TObject*) { ++popups; };
    menu.Items().Add("Open", [&](TObject*) { ++clicks; });
    menu.Popup(10, 10);
    EXPECT_TRUE(menu.IsPoppedUp());
    EXPECT_EQ(popups, 1);
    menu.Items().Items(0)->Click();
    EXPECT_EQ(clicks, 1);
    menu.CloseMenu();
    EXPECT_FALSE(menu.IsPoppedUp());
    std::string folder = "x";
    EXPECT_FALSE(DesktopFolderPicker().Pick({}, folder));
    EXPECT_TRUE(folder.empty());
}
