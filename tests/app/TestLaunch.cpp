// Launching URLs and mail, the browser choice, start-up and the conversation stand-in.
#include <gtest/gtest.h>

#include <unistd.h>

#include "BankCommands.h"
#include "BankFixture.h"
#include "DdeClient.h"
#include "Launch.h"
#include "SessionsHome.h"
#include "TempDir.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"

namespace {

// Records what would be started; fails on request.
struct RecordingLauncher {
    std::vector<std::pair<std::string, std::string>> started;
    std::vector<std::string> opened;
    bool fail = false;
    void Install() {
        Seams().StartProgram = [this](const std::string& program, const std::string& arg) {
            if (fail) throw Exception("cannot start");
            started.emplace_back(program, arg);
        };
        Seams().OpenDocument = [this](const std::string& target) {
            if (fail) throw Exception("cannot open");
            opened.push_back(target);
        };
    }
};

class LaunchTest : public BankFixture {
protected:
    LaunchTest() { launcher.Install(); }
    RecordingLauncher launcher;
};

TEST(LaunchAddresses, WebAddressesAndDesktopUrls) {
    for (const char* url :
         {"http://x", "HTTPS://x", "www.x.org", "WwW.x", "page.htm", "/tmp/Page.HTML"})
        EXPECT_TRUE(IsWebAddress(url)) << url;
    for (const char* url : {"", "ftp://x", "/tmp/notes.txt", "mailto:a@b", "htm", "ww.x"})
        EXPECT_FALSE(IsWebAddress(url)) << url;

    EXPECT_EQ(DesktopUrl("www.x.org/a"), "http://www.x.org/a");
    EXPECT_EQ(DesktopUrl("MailTo:Ann Lee <ann@x.org>"), "mailto:Ann%20Lee%20%3Cann@x.org%3E");
    EXPECT_EQ(DesktopUrl("MailTo:j\xE9@x.org"), "mailto:j%C3%A9@x.org");
    EXPECT_EQ(DesktopUrl("https://x/?a=1"), "https://x/?a=1");
    EXPECT_EQ(DesktopUrl("/tmp/a b.txt"), "file:///tmp/a%20b.txt");
    const std::string drive = DesktopUrl("C:notes");  // no one-letter scheme: a relative path
    EXPECT_EQ(drive.substr(0, 8), "file:///");
    EXPECT_EQ(drive.substr(drive.size() - 10), "/C%3Anotes");

    EXPECT_EQ(BrowserArgument("http://x"), "http://x");
    EXPECT_EQ(BrowserArgument("www.x"), "www.x");
    EXPECT_EQ(BrowserArgument("/tmp/p.htm"), "/tmp/p.htm");
    const std::string relative = BrowserArgument("-new-window.htm");
    EXPECT_EQ(relative.front(), '/');
    EXPECT_EQ(relative.substr(relative.size() - 16), "/-new-window.htm");

    EXPECT_EQ(DesktopEntryProgram("[Desktop Entry]\nName=B\nExec=firefox-esr %u\n"), "firefox-esr");
    EXPECT_EQ(DesktopEntryProgram("[Desktop Entry]\r\nExec = \"/opt/my b/run\" --x %U\r\n"),
              "/opt/my b/run");
    EXPECT_EQ(DesktopEntryProgram("[Desktop Entry]\nExec=env A=1 B=2 web %u\n"), "web");
    EXPECT_EQ(DesktopEntryProgram("[Desktop Action new]\nExec=other\n[Desktop Entry]\nName=x\n"),
              "");
    EXPECT_EQ(DesktopEntryProgram(""), "");
}

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
    EXPECT_EQ(launcher.started[0],
              std::make_pair(std::string("/usr/bin/web"), std::string("http://web")));
    GoToURL(2);  // not a web address: on its own, and the workgroup bank is marked
    EXPECT_EQ(launcher.opened.back(), "/tmp/readme.txt");
    EXPECT_TRUE(Bank().WorkgroupModified);
    EXPECT_EQ(Bank().Entry(1).AccessCount, 2);

    GoToURL(3);  // no such entry
    GoToURL(-1);
    launcher.fail = true;
    GoToURL(1);
    EXPECT_EQ(messages.LastText(), "Could not open Default Browser");
    GoToURL(2);
    EXPECT_EQ(messages.LastText(), "Could not open URL\r/tmp/readme.txt");
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
    EXPECT_EQ(messages.LastText(), "Error starting EMail client");
    launcher.fail = false;

    Settings().AskForBrowser = false;
    LaunchBrowser("www.typed.org");
    EXPECT_EQ(launcher.started.back(),
              std::make_pair(std::string("/b/default"), std::string("www.typed.org")));
    Settings().Browser.clear();
    Seams().FindDefaultBrowser = [] { return std::string("found"); };
    LaunchBrowser("http://t");
    EXPECT_EQ(launcher.started.back().first, "found");
    Seams().FindDefaultBrowser = nullptr;
    LaunchBrowser("http://t");  // no browser known: the desktop opens it
    EXPECT_EQ(launcher.opened.back(), "http://t");
}

TEST_F(LaunchTest, StartUpOpensTheBankAndItsURLs) {
    TempDir dir;
    const std::string bank = dir.File("start.bnk");
    WriteAll(bank, CRLF({"#----F#2.0", "#00001#Na=One", "#00001#Ux=http://one", "#00002#Na=Two",
                         "#00002#Ux=None", "#00003#Na=Three", "#00003#Ux=/tmp/three.txt"}));
    Settings().Default = bank;
    Settings().NoOfURLs = 4;
    Settings().StartupURLs[0] = "Three";
    Settings().StartupURLs[1] = "Two";      // "None": skipped
    Settings().StartupURLs[2] = "missing";  // no such entry: skipped
    Settings().StartupURLs[3] = "One";
    Settings().PromptOnStartup = true;
    messages.Answer(mrNo);
    StartUp();
    EXPECT_EQ(Bank().BankFileName, bank);
    EXPECT_EQ(messages.Texts(), Strings{"Do you want startup URLs loaded?"});
    EXPECT_TRUE(launcher.opened.empty());

    ResetBank();
    messages.Answer(mrYes);
    StartUp();
    EXPECT_EQ(launcher.opened, (Strings{"/tmp/three.txt", "http://one"}));
    for (int i = 0; i <= Bank().EntryHigh; ++i) EXPECT_EQ(Bank().Entry(i).AccessCount, 0);

    // No bank: no URLs, no question.
    ResetBank();
    messages.Shown.clear();
    launcher.opened.clear();
    Settings().Default = dir.File("gone.bnk");
    EXPECT_EQ(StartupBankFile(), "");
    StartUp();
    EXPECT_EQ(Bank().EntryHigh, -1);
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_TRUE(launcher.opened.empty());

    // A relative name lies in the data folder; the fallback name is found there too.
    WriteAll(UserDataFolder() + "mine.bnk", CRLF({"#----F#2.0"}));
    Settings().Default = "mine.bnk";
    EXPECT_EQ(StartupBankFile(), UserDataFolder() + "mine.bnk");
    Settings().Default = "nothing.bnk";
    WriteAll(UserDataFolder() + "Lorvane.bnk", CRLF({"#----F#2.0"}));
    EXPECT_EQ(StartupBankFile(), UserDataFolder() + "Lorvane.bnk");
    DeleteFile(UserDataFolder() + "mine.bnk");
    DeleteFile(UserDataFolder() + "Lorvane.bnk");

    // The workgroup is loaded when asked for.
    int loads = 0, validations = 0;
    Seams().LoadWorkgroupBank = [&] { ++loads; };
    Seams().ValidateUser = [&] { ++validations; };
    Settings().NoOfURLs = 0;
    Settings().WorkGroupUser = "/net/users.dat";
    StartUp();
    EXPECT_EQ(loads, 0);
    Settings().AutoLoad = true;
    StartUp();
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(validations, 1);
}

TEST(DdeClient, LinksToServersInThisProcessBeforeBrowsers) {
    SessionsHome noBrowsers;
    TDdeClientConv conv;
    EXPECT_FALSE(conv.SetLink("IExplore", "WWW_GetWindowInfo"));
    EXPECT_FALSE(conv.RequestData("0xFFFFFFFF,sURL,sTitle").has_value());
    RegisterDdeServer("Netscape", "WWW_GetWindowInfo", [](const std::string& item) {
        return std::optional<std::string>(
            item == "0xFFFFFFFF,sURL,sTitle" ? "\"http://x/\",\"Title\"," : "");
    });
    EXPECT_FALSE(conv.SetLink("IExplore", "WWW_GetWindowInfo"));
    ASSERT_TRUE(conv.SetLink("NETSCAPE", "www_getwindowinfo"));
    EXPECT_EQ(conv.RequestData("0xFFFFFFFF,sURL,sTitle"), "\"http://x/\",\"Title\",");
    UnregisterDdeServer("Netscape", "WWW_GetWindowInfo");
    EXPECT_FALSE(conv.RequestData("0xFFFFFFFF,sURL,sTitle").has_value());
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

namespace {

TEST(AboutTexts, VersionAndBuildFromTheRecord) {
    EXPECT_EQ(AboutVersionText((2u << 16) | 7u), "Version: 2.7");
    EXPECT_EQ(AboutBuildText((1u << 16) | 2u, (3u << 16) | 44u, false), "Build: 1.2.3.44");
    EXPECT_EQ(AboutBuildText((1u << 16) | 2u, (3u << 16) | 44u, true), "Build: 1.2.3");
}

}  // namespace
