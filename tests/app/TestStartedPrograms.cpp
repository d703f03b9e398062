// Programs started detached, and the watch that tells of their failures.
#include "StartedPrograms.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "BankFixture.h"
#include "LaunchSupport.h"
#include "TempDir.h"
#include "platform/Timer.h"
#include "platform/headless/Headless.h"

namespace {

// The report is made on a thread whose stack is full of a pattern: a byte it did not set would
// show it.
TEST(StartedPrograms, AReportSendsNoByteItDidNotSet) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    constexpr size_t size = 1u << 20;
    void* stack = std::aligned_alloc(4096, size);
    std::memset(stack, 0xA5, size);
    pthread_attr_t attr;
    ::pthread_attr_init(&attr);
    ::pthread_attr_setstack(&attr, stack, size);
    pthread_t thread;
    const auto report = [](void* fd) -> void* {
        WriteStartReport(*static_cast<int*>(fd), 'X', 7);
        return nullptr;
    };
    ASSERT_EQ(::pthread_create(&thread, &attr, report, &fds[1]), 0);
    ::pthread_join(thread, nullptr);
    ::pthread_attr_destroy(&attr);
    std::free(stack);
    unsigned char got[64] = {};
    const ssize_t n = ::read(fds[0], got, sizeof got);
    ::close(fds[0]);
    ::close(fds[1]);
    ASSERT_EQ(n, 8);
    const unsigned char want[8] = {'X', 0, 0, 0, 7, 0, 0, 0};
    EXPECT_EQ(std::memcmp(got, want, 8), 0);
}

TEST(StartedPrograms, AProgramThatFailsAtOnceIsReported) {
    using namespace std::chrono_literals;
    TempDir dir;
    // What a start says: at once, or reported from the event loop.
    auto failure = [](const Strings& command, std::chrono::milliseconds watch = 2000ms) {
        const std::string program = command.empty() ? std::string() : command[0];
        TStartOutcome outcome;
        bool told = false;
        outcome.Error = StartDetachedCommand(command, watch, [&](const TStartOutcome& reported) {
            outcome = reported;
            told = true;
        });
        if (outcome.Error != 0) return "at once: " + StartFailureCause(program, outcome);
        EXPECT_TRUE(PumpUntil([&] { return told; }));
        const std::string cause = StartFailureCause(program, outcome);
        return cause.empty() ? std::string("started") : cause;
    };
    EXPECT_EQ(failure({"/bin/sh", "-c", "exit 0"}), "started");
    EXPECT_EQ(failure({"/bin/sh", "-c", "exit 3"}), "\"/bin/sh\" ended at once with exit code 3.");
    EXPECT_EQ(failure({"/bin/sh", "-c", "kill -9 $$"}), "\"/bin/sh\" ended at once on signal 9.");
    EXPECT_EQ(failure({dir.File("missing")}),
              "The program \"" + dir.File("missing") + "\" was not found.");
    EXPECT_EQ(failure({"no-such-program-here"}),
              "at once: The program \"no-such-program-here\" was not found.");
    EXPECT_EQ(failure({}), "at once: The program \"\" was not found.");
    const std::string plain = dir.File("plain");
    BankFixture::WriteAll(plain, "#!/bin/sh\n");
    ::chmod(plain.c_str(), 0644);
    EXPECT_EQ(failure({plain}), "Cannot start \"" + plain + "\": " + std::strerror(EACCES));
    // A program still running when the watch ends has started; it runs on by itself.
    const std::string hold = dir.File("hold");
    BankFixture::WriteAll(hold, "");
    EXPECT_EQ(failure({"/bin/sh", "-c", "while [ -e '" + hold + "' ]; do sleep 0.01; done; exit 5"},
                      50ms),
              "started");
    ::unlink(hold.c_str());
}

TEST(StartedPrograms, TheWatchTellsOfFailuresWithinItsTimeOnly) {
    using namespace std::chrono_literals;
    // A scripted program that ends with a wait status after so many milliseconds on the
    // headless clock; the start itself returned long before.
    auto cause = [](int status, unsigned afterMs) {
        std::string told = "nothing";
        int calls = 0;
        auto watch = std::make_shared<TStartWatch>(
            400ms, [](const TStartOutcome& o) { return StartFailureCause("prog", o); },
            [&](const std::string& why) {
                told = why;
                ++calls;
            });
        TTimer ends;
        ends.SetInterval(afterMs);
        ends.SetOnTimer([&](TObject*) {
            TStartOutcome outcome;
            outcome.Ended = true;
            outcome.Status = status;
            watch->Report(outcome);
            watch->Report(outcome);  // told once
            ends.SetEnabled(false);
        });
        AdvanceTime(1000);
        EXPECT_LE(calls, 1);
        return told;
    };
    EXPECT_EQ(cause(3 << 8, 120), "\"prog\" ended at once with exit code 3.");
    EXPECT_EQ(cause(SIGKILL, 400), "\"prog\" ended at once on signal 9.");
    EXPECT_EQ(cause(3 << 8, 401), "nothing");  // ended after the watch: it had started
    EXPECT_EQ(cause(0, 10), "nothing");
    // The opener's exit codes say why.
    TStartOutcome opener;
    opener.Ended = true;
    opener.Status = 2 << 8;
    EXPECT_EQ(OpenerFailureCause(opener), "The file does not exist.");
}

TEST(StartedPrograms, TheDesktopOpenerSaysWhyItFailed) {
    TempDir dir;
    const char* before = std::getenv("PATH");
    const std::string savedPath = before ? before : "";
    ::setenv("PATH", dir.Path().c_str(), 1);
    std::string cause;
    const TStartFailed failed = [&](const std::string& why) { cause = why; };
    EXPECT_FALSE(OpenWithDesktopOpener("http://x", failed));  // no opener: nothing done
    const std::string opener = dir.File("xdg-open");
    const std::string received = dir.File("received");
    BankFixture::WriteAll(opener, "#!/bin/sh\necho \"$1\" > '" + received + "'\nexit ${CODE:-0}\n");
    ::chmod(opener.c_str(), 0755);
    ::setenv("CODE", "3", 1);
    EXPECT_TRUE(OpenWithDesktopOpener("MailTo:a@x,b@y?subject=Hi there", failed));
    EXPECT_TRUE(PumpUntil([&] { return !cause.empty(); }));
    EXPECT_EQ(BankFixture::ReadAll(received), "mailto:a@x,b@y?subject=Hi%20there\n");
    EXPECT_EQ(cause, "No program to open it was found.");
    ::unsetenv("CODE");
    ::setenv("PATH", savedPath.c_str(), 1);
}

}  // namespace
