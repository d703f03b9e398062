// The help manual: an anchor for every window, and where Help finds and opens it.
#include "HelpManual.h"

#include <gtest/gtest.h>

#include "BankFixture.h"
#include "DesktopEntry.h"
#include "TempDir.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"

namespace {

class HelpTest : public BankFixture {
protected:
    HelpTest() {
        Seams().OpenDocument = [this](const std::string& target, const TStartFailed&) {
            if (refuse) throw Exception("Cannot open \"" + target + "\".");
            opened.push_back(target);
        };
    }
    std::string Program() const { return dir.File("Lorvane Test \xE9/bin") + "/"; }
    void Install(const std::string& relative) const {
        // The program's names are Windows-1252; the files are named in UTF-8.
        std::filesystem::create_directories(ToNativePath(dir.File(relative)));
        WriteAll(ToNativePath(dir.File(relative + "/lorvane.html")), "<html></html>");
    }
    TempDir dir;
    ScriptedMessages messages;
    Strings opened;
    bool refuse = false;
};

}  // namespace

TEST(HelpManual, EveryWindowHasItsSection) {
    const std::string manual = BankFixture::ReadAll(LORVANE_HELP_MANUAL);
    ASSERT_FALSE(manual.empty());
    EXPECT_NE(manual.find("id=\"contents\""), std::string::npos);
    for (const THelpTopic& topic : HelpTopics()) {
        EXPECT_NE(topic.Context, 0) << topic.Window;
        const std::string anchor = HelpAnchor(topic.Context);
        EXPECT_NE(manual.find("id=\"" + anchor + "\""), std::string::npos) << topic.Window;
        EXPECT_NE(manual.find("href=\"#" + anchor + "\""), std::string::npos) << topic.Window;
    }
    EXPECT_EQ(HelpAnchor(170), "context-170");
    EXPECT_EQ(HelpAnchor(0), "contents");
    EXPECT_EQ(HelpAnchor(2008), "contents") << "a context no window has: the top";
    EXPECT_EQ(WindowHelpContext("TExpC12Form"), 170);
    EXPECT_EQ(WindowHelpContext("TAdminSaveForm"), 92);
    EXPECT_EQ(WindowHelpContext("QMessageBox"), 0);
}

TEST_F(HelpTest, HelpOpensTheInstalledManualAtTheWindowsAnchor) {
    ShowHelp(92, Program());
    EXPECT_EQ(messages.Texts(), Strings{"Help is not available."});

    Install("Lorvane Test \xE9/share/lorvane");
    ShowHelp(92, Program());
    const std::string installed =
        "file://" + dir.Path().string() + "/Lorvane%20Test%20%C3%A9/share/lorvane/lorvane.html";
    EXPECT_EQ(opened, Strings{installed + "#context-92"});
    // In the build tree the manual lies beside the program.
    Install("Lorvane Test \xE9/bin");
    ShowHelp(0, Program());
    EXPECT_EQ(opened.back(), "file://" + dir.Path().string() +
                                 "/Lorvane%20Test%20%C3%A9/bin/lorvane.html#contents");

    refuse = true;
    messages.Shown.clear();
    ShowHelp(10, Program());
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0].Type, TMsgDlgType::mtError);
}

TEST_F(HelpTest, TheBrowsersOwnCommandGetsTheAnchor) {
    // Without a known desktop the opener would drop "#context-92": a browser is started itself.
    Install("bin");
    const std::string manual = "file://" + dir.Path().string() + "/bin/lorvane.html";
    Strings started;
    Seams().StartProgram = [&](const Strings& command, const TStartFailed&) { started = command; };
    Seams().FindDefaultBrowser = [] {
        return DesktopEntryCommand("[Desktop Entry]\nExec=/usr/bin/web --new-tab %u\n",
                                   "/w.desktop");
    };
    ShowHelp(92, dir.File("bin") + "/");
    EXPECT_EQ(started, (Strings{"/usr/bin/web", "--new-tab", manual + "#context-92"}));
    Settings().Browser = "/opt/browser";  // the configured browser comes first
    ShowHelp(10, dir.File("bin") + "/");
    EXPECT_EQ(started, (Strings{"/opt/browser", manual + "#context-10"}));
    EXPECT_TRUE(opened.empty());
}
