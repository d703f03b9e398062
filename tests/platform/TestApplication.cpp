// The application object: the exception boundary and the Windows-1252 / QString edge.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <functional>

#include "ScriptedMessages.h"
#include "platform/Exceptions.h"
#include "platform/qt/Application.h"

namespace {

LorvaneApplication& App() {
    static int argc = 1;
    static char name[] = "test_platform";
    static char* argv[] = {name, nullptr};
    // One application object per process; other tests of this program may have made one.
    static auto* app = dynamic_cast<LorvaneApplication*>(QCoreApplication::instance())
                           ? dynamic_cast<LorvaneApplication*>(QCoreApplication::instance())
                           : new LorvaneApplication(argc, argv);
    return *app;
}

class Thrower : public QObject {
public:
    std::function<void()> action;
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            action();
            return true;
        }
        return QObject::event(e);
    }
};

}  // namespace

TEST(LorvaneApplication, ShowsAnExceptionFromAHandlerAndKeepsRunning) {
    if (QCoreApplication::instance() &&
        !dynamic_cast<LorvaneApplication*>(QCoreApplication::instance()))
        GTEST_SKIP() << "another application object is in charge";
    App();
    ScriptedMessages messages;
    Thrower t;
    t.action = [] { throw EConvertError("'x' is not a valid integer value"); };
    QEvent e(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&t, &e));
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(messages.Shown[0].Buttons, unsigned(mbOK));
    EXPECT_EQ(messages.LastText(), "'x' is not a valid integer value");

    t.action = [] { Abort(); };
    QCoreApplication::sendEvent(&t, &e);
    EXPECT_EQ(messages.Shown.size(), 1u);  // the silent abort shows nothing

    t.action = [] { throw 42; };
    QCoreApplication::sendEvent(&t, &e);
    EXPECT_EQ(messages.Shown.size(), 2u);
}

TEST(LorvaneApplication, QStringEdgeKeepsWindows1252) {
    EXPECT_EQ(ToQString("\xBB"
                        "News \x80"),
              QString::fromUtf8("\xC2\xBBNews \xE2\x82\xAC"));
    EXPECT_EQ(FromQString(QString::fromUtf8("\xC2\xBB\xE4\xB8\xAD")), "\xBB?");
}
