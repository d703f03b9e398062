// The application object every window test of this program needs, created once.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/qt/Application.h"

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_appui";
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
