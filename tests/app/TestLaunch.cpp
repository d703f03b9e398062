// Launching URLs and mail, the browser choice, start-up and the conversation stand-in.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "BankCommands.h"
#include "BankFixture.h"
#include "DdeClient.h"
#include "Launch.h"
#include "SessionsHome.h"
#include "TempDir.h"
#include "platform/EventLoop.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Timer.h"
#include "platform/headless/Headless.h"

namespace {

// Records what would be started and where a later failure would go; fails on request.
struct RecordingLauncher {
    std::vector<Strings> started;
    std::vector<std::string> opened;
    TStartFailed failLater;
    bool fail = false;
    void Install() {
        Seams().StartProgram = [this](const Strings& command, const TStartFailed& failed) {
            if (fail) throw Exception("cannot start");
            started.push_back(command);
            failLater = failed;
        };
        Seams().OpenDocument = [this](const std::string& target, const TStartFailed& failed) {
            if (fail) throw Exception("cannot open");
            opened.push_back(target);
            failLater = failed;
        };
    }
};

bool PumpUntil(const std::function<bool()>& done, int milliseconds = 5000) {
    return ProcessMessagesUntil(
        milliseconds, [](void* p) { return (*static_cast<const std::function<bool()>*>(p))(); },
        const_cast<std::function<bool()>*>(&done));
}

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

    // A mail link keeps its recipients and header fields; only what it cannot hold is escaped.
    EXPECT_EQ(DesktopUrl("MailTo:person12@example.org,second@example.net?subject=Hello World & "
                         "more&body=Line"),
              "mailto:person12@example.org,second@example.net?subject=Hello%20World%20&%20more&"
              "body=Line");
    EXPECT_EQ(DesktopUrl("mailto:a@x?body=100%25 #1 50%"), "mailto:a@x?body=100%25%20%231%2050%25");
}

TEST(LaunchAddresses, DesktopEntriesKeepTheirWholeCommandLine) {
    const std::string file = "/usr/share/applications/web.desktop";
    auto command = [&](const std::string& exec) {
        return DesktopEntryCommand(
            "[Desktop Action new]\nExec=other\n[Desktop Entry]\nName=Web 100%\nIcon=web\n" + exec,
            file);
    };
    EXPECT_EQ(command("Exec=/usr/bin/chromium --no-sandbox %U\n"),
              "/usr/bin/chromium --no-sandbox %U");
    const std::string flatpak =
        "/usr/bin/flatpak run --branch=stable --arch=x86_64 --command=chromium "
        "--file-forwarding org.chromium.Chromium @@u %U @@";
    EXPECT_EQ(command("Exec=" + flatpak + "\n"), flatpak);
    EXPECT_EQ(command("Exec = \"/opt/my b/run\" %i --class=%c %k %d --x %%u %u\n"),
              "\"/opt/my b/run\" --icon web \"--class=Web 100%%\" "
              "/usr/share/applications/web.desktop --x %%u %u");
    EXPECT_EQ(command("Exec=run\\sthis \"a \\\\\\\\ b\"\n"), "run this \"a \\\\ b\"");
    EXPECT_EQ(
        DesktopEntryCommand("[Desktop Action new]\nExec=other\n[Desktop Entry]\nName=x\n", file),
        "");

    // What a browser setting starts.
    const std::string url = "http://x/?a=1&b=2";
    EXPECT_EQ(BrowserCommand("/usr/bin/chromium --no-sandbox %U", url),
              (Strings{"/usr/bin/chromium", "--no-sandbox", url}));
    EXPECT_EQ(BrowserCommand(flatpak, url),
              (Strings{"/usr/bin/flatpak", "run", "--branch=stable", "--arch=x86_64",
                       "--command=chromium", "--file-forwarding", "org.chromium.Chromium", "@@u",
                       url, "@@"}));
    EXPECT_EQ(BrowserCommand("\"/opt/my b/run\" --x=%u %%u %d", url),
              (Strings{"/opt/my b/run", "--x=" + url, "%u"}));
    EXPECT_EQ(BrowserCommand("firefox-esr", url), (Strings{"firefox-esr", url}));
    EXPECT_EQ(BrowserCommand("web --private-window", "-x.htm").back().front(), '/');
    EXPECT_EQ(BrowserCommand("  ", url), Strings{});
    TempDir dir;
    const std::string spaced = dir.File("my browser");  // an existing file is one program
    BankFixture::WriteAll(spaced, "#!/bin/sh\n");
    EXPECT_EQ(BrowserCommand(spaced, url), (Strings{spaced, url}));
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

TEST(LaunchPrograms, AProgramThatFailsAtOnceIsReported) {
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

TEST(LaunchPrograms, TheWatchTellsOfFailuresWithinItsTimeOnly) {
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

TEST(LaunchPrograms, TheDesktopOpenerSaysWhyItFailed) {
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

    // A folder named as the bank is refused with a message; the usual fallback follows.
    messages.Shown.clear();
    Settings().Default = dir.Path().string();
    StartUp();
    EXPECT_EQ(messages.Texts(), Strings{"Error loading " + dir.Path().string() +
                                        "\rThis is a folder, not a bank file."});
    EXPECT_EQ(Bank().EntryHigh, -1);
    Settings().Default.clear();
    // A bank that cannot be read says why.
    if (::geteuid() != 0) {
        ::chmod(bank.c_str(), 0);
        EXPECT_FALSE(OpenBank(bank));
        EXPECT_EQ(messages.LastText(), "Error loading " + bank + "\rCannot open file \"" + bank +
                                           "\". " + std::strerror(EACCES));
        ::chmod(bank.c_str(), 0600);
    }

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
