// The program as a process: a second copy ends before it creates any window.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <filesystem>
#include <string>

namespace {

// A copy without any display: it can only end through the single-copy guard (0) or the
// display check (2), never by showing a window.
int RunHeadlessCopy(QString& errors) {
    QProcess copy;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    copy.setProcessEnvironment(env);
    copy.start(LORVANE_PROGRAM, {});
    if (!copy.waitForFinished(60000)) {
        copy.kill();
        copy.waitForFinished();
        return -1;
    }
    errors = QString::fromUtf8(copy.readAllStandardError());
    return copy.exitCode();
}

// The process has a file of that name open (Linux: its descriptors under /proc).
bool HoldsLockFile(qint64 pid, const std::string& name) {
    std::error_code error;
    std::filesystem::path fds = "/proc/" + std::to_string(pid) + "/fd";
    for (const auto& fd : std::filesystem::directory_iterator(fds, error)) {
        std::filesystem::path target = std::filesystem::read_symlink(fd.path(), error);
        if (!error && target.filename() == name) return true;
    }
    return false;
}

TEST(Program, SecondCopyEndsBeforeAnyWindow) {
    QString errors;
    // Alone, a copy without a display stops at the display check.
    EXPECT_EQ(RunHeadlessCopy(errors), 2);

    QProcess first;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    first.setProcessEnvironment(env);
    first.start(LORVANE_PROGRAM, {});
    ASSERT_TRUE(first.waitForStarted());
    // A copy ending at the display check holds the guard for a moment too: wait until the
    // first copy holds it, so no second copy races it to the lock.
    bool held = false;
    for (int attempt = 0; attempt < 600 && !held && first.state() == QProcess::Running; ++attempt) {
        held = HoldsLockFile(first.processId(), "lorvane.lock");
        if (!held) QThread::msleep(100);
    }
    ASSERT_TRUE(held) << "the first copy ended or never took the guard: "
                      << first.readAllStandardError().toStdString();
    // Once the first copy holds the guard, the second ends at once with nothing to say.
    int result = 2;
    for (int attempt = 0; attempt < 300 && result == 2; ++attempt) {
        result = RunHeadlessCopy(errors);
        if (result == 2) QThread::msleep(100);
    }
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished();
}

}  // namespace
