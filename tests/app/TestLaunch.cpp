// Launching URLs and mail, the browser choice, and the conversation stand-in.
#include "Launch.h"

#include <gtest/gtest.h>

#include "BankFixture.h"
#include "BrowserChoice.h"
#include "DesktopEntry.h"
#include "LaunchSupport.h"
#include "StartedPrograms.h"

namespace {

class LaunchTest : public BankFixture {
protected:
    LaunchTest() { launcher.Install(); }
    RecordingLauncher launcher;
};

TEST_F(LaunchTest, GoToURLCountsThenOpens) {
    TEntry none = Named("none");
    none.URL = "None";
    Add(none);
    Add(Named("web"));
    TEntry file = Named(Mark + "file");
    file.URL = "/tmp/readme.txt";
    Add(file);

    GoToURL(0);
    EXPECT_EQ(Bank().Entry(0).AccessCount, 1);
    EXPECT_GT(Bank().Entry(0).LastAccess, NoDate);
    EXPECT_EQ(messages.LastText(), "Entry does not have a URL!");
    EXPECT_EQ(messages.Shown.back().Type, TMsgDlgType::mtError);
    EXPECT_FALSE(Bank().BankModified);
    EXPECT_TRUE(saveEnabled.empty());

    GoToURL(1);  // no browser configured: the desktop opens it
    EXPECT_EQ(launcher.opened, Strings{"http://web"});
    EXPECT_TRUE(Bank().BankModified);
    EXPECT_EQ(saveEnabled, std::vector<bool>{true});

    Settings().Browser = "/usr/bin/web";
    GoToURL(1);
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started[0], (Strings{"/usr/bin/web", "http://web"}));
    launcher.failLater("gone at once");  // the browser failed after its start returned
    EXPECT_EQ(messages.LastText(), "Could not open Default Browser\rgone at once");
    GoToURL(2);  // not a web address: on its own, and the workgroup bank is marked
    EXPECT_EQ(launcher.opened.back(), "/tmp/readme.txt");
    launcher.failLater("gone");
    EXPECT_EQ(messages.LastText(), "Could not open URL\r/tmp/readme.txt\rgone");
    EXPECT_TRUE(Bank().WorkgroupModified);
    EXPECT_EQ(Bank().Entry(1).AccessCount, 2);

    GoToURL(3);  // no such entry
    GoToURL(-1);
    launcher.fail = true;
    GoToURL(1);
    EXPECT_EQ(messages.LastText(), "Could not open Default Browser\rcannot start");
    GoToURL(2);
    EXPECT_EQ(messages.LastText(), "Could not open URL\r/tmp/readme.txt\rcannot open");
    Settings().Browser = "   ";  // no program at all
    launcher.fail = false;
    GoToURL(1);
    EXPECT_EQ(messages.LastText(),
              "Could not open Default Browser\rNo browser program is configured.");
}

TEST_F(LaunchTest, TheDefaultBrowserKeepsItsArgumentsOnceSaved) {
    // The browser page fills in the default browser's command; saved, it is the browser.
    const std::string entry =
        "[Desktop Entry]\nExec=/usr/bin/flatpak run --branch=stable org.chromium.Chromium %U\n";
    Seams().FindDefaultBrowser = [&] { return DesktopEntryCommand(entry, "/x.desktop"); };
    Settings().Browser = Settings().Browser1 = FindDefaultBrowser();
    Add(Named("web"));
    GoToURL(0);
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started[0], (Strings{"/usr/bin/flatpak", "run", "--branch=stable",
                                            "org.chromium.Chromium", "http://web"}));
    Settings().Browser.clear();
    LaunchBrowser("www.typed.org");
    EXPECT_EQ(launcher.started.back(), (Strings{"/usr/bin/flatpak", "run", "--branch=stable",
                                                "org.chromium.Chromium", "www.typed.org"}));
    // Started for real, a browser command that fails at once is reported with its cause, from
    // the event loop once the start has returned.
    Seams().StartProgram = [](const Strings& command, const TStartFailed& failed) {
        StartProgramWatched(command, failed);
    };
    Settings().Browser = "/bin/sh -c \"exit 2\" %u";
    const size_t shown = messages.Shown.size();
    GoToURL(0);
    EXPECT_TRUE(PumpUntil([&] { return messages.Shown.size() > shown; }));
    EXPECT_EQ(messages.LastText(),
              "Could not open Default Browser\r\"/bin/sh\" ended at once with exit code 2.");
}

TEST_F(LaunchTest, BrowserChoiceMailAndLaunchBrowser) {
    Settings().Browser = "/b/default";
    Settings().Browser1 = "/b/one";
    Settings().Browser2 = "/b/two";
    Settings().Browser3 = "/b/three";
    Settings().AskForBrowser = true;
    // A dialog closed without OK repeats the previous choice, at first the first browser.
    std::vector<int> answers = {-1, 2, -1};
    size_t asked = 0;
    Seams().ChooseBrowserDialog = [&](int& choice) {
        if (answers[asked] >= 0) choice = answers[asked];
        ++asked;
    };
    EXPECT_EQ(ChooseBrowser(), "/b/one");
    EXPECT_EQ(ChooseBrowser(), "/b/three");
    EXPECT_EQ(ChooseBrowser(), "/b/three");

    Add(Named("a"));
    Bank().Entry(0).EMail = "ann@x.org";
    SendMail(0);
    EXPECT_EQ(launcher.opened, Strings{"MailTo:ann@x.org"});
    launcher.fail = true;
    SendMail(0);
    EXPECT_EQ(messages.LastText(), "Error starting EMail client\rcannot open");
    launcher.fail = false;

    Settings().AskForBrowser = false;
    LaunchBrowser("www.typed.org");
    EXPECT_EQ(launcher.started.back(), (Strings{"/b/default", "www.typed.org"}));
    Settings().Browser.clear();
    Seams().FindDefaultBrowser = [] { return std::string("found"); };
    LaunchBrowser("http://t");
    EXPECT_EQ(launcher.started.back().front(), "found");
    Seams().FindDefaultBrowser = nullptr;
    LaunchBrowser("http://t");  // no browser known: the desktop opens it
    EXPECT_EQ(launcher.opened.back(), "http://t");
}

TEST(UserValidation, RunsOncePerRunUntilReset) {
    ResetSeams();
    int checks = 0;
    auto check = [&] { ++checks; };
    RunValidationOnce(check);
    RunValidationOnce(check);
    EXPECT_EQ(checks, 1);
    EXPECT_TRUE(UserValidated());
    ResetUserValidation();
    RunValidationOnce(check);
    EXPECT_EQ(checks, 2);
    ResetSeams();
}

}  // namespace
