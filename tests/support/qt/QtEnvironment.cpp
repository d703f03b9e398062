// The application object every window and widget test needs, created once per test program.
// Compiled into each Qt test program, which names itself with LORVANE_TEST_PROGRAM.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/qt/Application.h"

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = LORVANE_TEST_PROGRAM;
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
        SetApplicationTitle("Lorvane");
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

private:
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const g_qt =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
