// The single-instance guard: in one process and between real processes.
#include "JustOne.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TempDir.h"

extern char** environ;

namespace {

TEST(InstanceLock, SecondOpenIsRefusedUntilReleased) {
    TempDir dir;
    const std::string path = dir.File("app.lock");
    TInstanceLockFile first, second;
    EXPECT_EQ(first.Acquire(path), TInstanceLock::ilAcquired);
    EXPECT_EQ(second.Acquire(path), TInstanceLock::ilHeldElsewhere);
    EXPECT_FALSE(second.Held());
    first.Release();
    EXPECT_EQ(second.Acquire(path), TInstanceLock::ilAcquired);
    EXPECT_EQ(first.Acquire(dir.File("missing/app.lock")), TInstanceLock::ilUnavailable);
}

TEST(InstanceLock, SymlinkIsNotFollowed) {
    TempDir dir;
    ASSERT_EQ(::symlink(dir.File("target").c_str(), dir.File("link.lock").c_str()), 0);
    TInstanceLockFile lock;
    EXPECT_EQ(lock.Acquire(dir.File("link.lock")), TInstanceLock::ilUnavailable);
}

TEST(XJustOne, SecondGuardFiresAlreadyExistAndTerminates) {
    TempDir dir;
    TXJustOne first, second;
    first.LockFolder = second.LockFolder = dir.Path().string();
    first.LockName = second.LockName = "Lorvane";
    EXPECT_EQ(first.LockPath(), dir.File("Lorvane.lock"));
    first.Loaded();
    EXPECT_TRUE(first.Owned());
    EXPECT_FALSE(first.Terminated());
    int fired = 0;
    second.AlreadyExist = [&](TObject* sender) {
        EXPECT_EQ(sender, &second);
        ++fired;
    };
    second.Loaded();
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(second.Terminated());
    EXPECT_FALSE(second.Owned());

    TXJustOne polite;
    polite.LockFolder = dir.Path().string();
    polite.LockName = "Lorvane";
    polite.Terminate = false;
    polite.Loaded();
    EXPECT_FALSE(polite.Terminated());
}

TEST(XJustOne, GuardThatCannotBeCreatedLetsTheProgramRun) {
    TXJustOne guard;
    guard.LockFolder = "/nonexistent/lorvane-folder";
    guard.Loaded();
    EXPECT_FALSE(guard.Terminated());
    EXPECT_FALSE(guard.Owned());
}

TEST(XJustOne, DefaultsToTheRuntimeFolderAndProgramName) {
    TXJustOne guard;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) GTEST_SKIP() << "no runtime folder outside the isolated run";
    EXPECT_EQ(guard.LockPath(), std::string(runtime) + "/test_controls.lock");
    EXPECT_EQ(ProgramFileName(), "test_controls");
}

// ---- Two processes ----------------------------------------------------------------------

struct Child {
    pid_t pid = -1;
    int input = -1;   // our end of its standard input
    int output = -1;  // our end of its standard output
};

Child Spawn(const std::string& folder, const char* mode) {
    int in[2], out[2];
    EXPECT_EQ(::pipe(in), 0);
    EXPECT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string helper = JUSTONE_HELPER;
    char* argv[] = {helper.data(), const_cast<char*>(folder.c_str()), const_cast<char*>("Lorvane"),
                    const_cast<char*>(mode), nullptr};
    Child c;
    EXPECT_EQ(posix_spawn(&c.pid, helper.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    c.input = in[1];
    c.output = out[0];
    return c;
}

int Wait(Child& c) {
    int status = 0;
    ::waitpid(c.pid, &status, 0);
    ::close(c.input);
    ::close(c.output);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Waits until a holding child reports that it holds the guard.
bool Holding(Child& c) {
    char buf[8] = {};
    return ::read(c.output, buf, 5) == 5 && std::string(buf, 4) == "held";
}

TEST(XJustOneProcesses, SecondCopyEndsWhileTheFirstRuns) {
    TempDir dir;
    Child first = Spawn(dir.Path().string(), "hold");
    ASSERT_TRUE(Holding(first));
    Child second = Spawn(dir.Path().string(), "try");
    EXPECT_EQ(Wait(second), 3);
    ::close(first.input);
    first.input = -1;
    EXPECT_EQ(Wait(first), 0);
    Child third = Spawn(dir.Path().string(), "try");
    EXPECT_EQ(Wait(third), 0);
}

TEST(XJustOneProcesses, LockOfADeadProcessDoesNotBlock) {
    TempDir dir;
    Child crashed = Spawn(dir.Path().string(), "hold");
    ASSERT_TRUE(Holding(crashed));
    ::kill(crashed.pid, SIGKILL);
    EXPECT_EQ(Wait(crashed), 128 + SIGKILL);
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "Lorvane.lock"));  // the file stays behind
    Child next = Spawn(dir.Path().string(), "try");
    EXPECT_EQ(Wait(next), 0);
    // And this process sees the same lock as the helpers do.
    Child holder = Spawn(dir.Path().string(), "hold");
    ASSERT_TRUE(Holding(holder));
    TXJustOne mine;
    mine.LockFolder = dir.Path().string();
    mine.LockName = "Lorvane";
    mine.Loaded();
    EXPECT_TRUE(mine.Terminated());
    ::close(holder.input);
    holder.input = -1;
    EXPECT_EQ(Wait(holder), 0);
}

}  // namespace
