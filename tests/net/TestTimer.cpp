// The platform's timer and descriptor notifier, including being freed inside their callbacks.
#include "platform/SocketNotifier.h"
#include "platform/Timer.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "NetTestSupport.h"
#include "ScriptedMessages.h"
#include "platform/Exceptions.h"

namespace {

TEST(TTimer, DefaultsAndWhenItRuns) {
    TTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_FALSE(timer.Active());  // no handler yet
    timer.SetOnTimer([](TObject*) {});
    EXPECT_TRUE(timer.Active());
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Active());
    timer.SetEnabled(true);
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Active());
    timer.SetOnTimer(nullptr);
    timer.SetInterval(10);
    EXPECT_FALSE(timer.Active());
}

TEST(TTimer, TicksUntilDisabled) {
    TTimer timer;
    int ticks = 0;
    timer.SetInterval(5);
    timer.SetOnTimer([&](TObject* sender) {
        EXPECT_EQ(sender, &timer);
        if (++ticks == 3) timer.SetEnabled(false);
    });
    EXPECT_TRUE(ProcessEventsUntil([&] { return !timer.Active(); }));
    ProcessEventsFor(30);
    EXPECT_EQ(ticks, 3);
}

TEST(TTimer, AnEscapingExceptionIsShownAndTheTimerGoesOn) {
    ScriptedMessages messages;
    TTimer timer;
    int ticks = 0;
    timer.SetInterval(5);
    timer.SetOnTimer([&](TObject*) {
        ++ticks;
        if (ticks == 1) throw Exception("tick failed");
        if (ticks == 2) Abort();  // the silent one shows nothing
    });
    EXPECT_TRUE(ProcessEventsUntil([&] { return ticks >= 3; }));
    timer.SetEnabled(false);
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.LastText(), "tick failed");
    EXPECT_EQ(messages.Shown[0].Type, TMsgDlgType::mtError);
}

TEST(TTimer, MayBeFreedInsideItsOwnTick) {
    auto* timer = new TTimer;
    bool freed = false;
    timer->SetInterval(1);
    timer->SetOnTimer([&](TObject*) {
        delete timer;
        freed = true;
    });
    EXPECT_TRUE(ProcessEventsUntil([&] { return freed; }));
    ProcessEventsFor(20);
}

TEST(TTimer, AnOwnerFreesItsTimers) {
    auto* owner = new TComponent;
    auto* timer = new TTimer(owner);
    EXPECT_EQ(owner->ComponentCount(), 1);
    EXPECT_EQ(owner->Component(0), timer);
    delete owner;  // the sanitizer would report a leak or a double free
}

class Pipe : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::pipe(fds_), 0); }
    void TearDown() override {
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    void Write() { ASSERT_EQ(::write(fds_[1], "x", 1), 1); }
    int fds_[2] = {-1, -1};
};

TEST_F(Pipe, ANotifierReportsReadinessWhileEnabled) {
    int calls = 0;
    TSocketNotifier notifier(fds_[0], TSocketNotifierType::sntRead, [&](int fd) {
        EXPECT_EQ(fd, fds_[0]);
        ++calls;
        notifier.SetEnabled(false);
    });
    EXPECT_EQ(notifier.Descriptor(), fds_[0]);
    EXPECT_EQ(notifier.Type(), TSocketNotifierType::sntRead);
    EXPECT_TRUE(notifier.Enabled());
    ProcessEventsFor(20);
    EXPECT_EQ(calls, 0);
    Write();
    EXPECT_TRUE(ProcessEventsUntil([&] { return calls == 1; }));
    EXPECT_FALSE(notifier.Enabled());
    ProcessEventsFor(20);
    EXPECT_EQ(calls, 1);
}

TEST_F(Pipe, ANotifierMayBeFreedInsideItsCallbackAndExceptionsStayInside) {
    ScriptedMessages messages;
    TSocketNotifier* notifier = nullptr;
    notifier = new TSocketNotifier(fds_[0], TSocketNotifierType::sntRead, [&](int) {
        delete notifier;
        notifier = nullptr;
        throw Exception("notified");
    });
    Write();
    EXPECT_TRUE(ProcessEventsUntil([&] { return notifier == nullptr; }));
    EXPECT_EQ(messages.LastText(), "notified");
}

}  // namespace
