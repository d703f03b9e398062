// The program as a process: a second copy ends before it creates any window.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

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
