// The start-up step: the bank, the workgroup and the start-up URLs.
#include "StartUp.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include "BankCommands.h"
#include "BankFixture.h"
#include "LaunchSupport.h"
#include "OtherUser.h"
#include "TempDir.h"
#include "platform/FileUtils.h"

namespace {

class StartUpTest : public BankFixture {
protected:
    StartUpTest() { launcher.Install(); }
    RecordingLauncher launcher;
};

TEST_F(StartUpTest, StartUpOpensTheBankAndItsURLs) {
    TempDir dir(true);  // another user reaches its files
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
    // A bank that cannot be read says why (to an unprivileged user: root reads any file).
    ::chmod(bank.c_str(), 0);
    const std::string unreadable =
        "Error loading " + bank + "\rCannot open file \"" + bank + "\". " + std::strerror(EACCES);
    EXPECT_TRUE(AsUnprivilegedUser([&] {
        return !OpenBank(bank) && messages.LastText() == unreadable;
    })) << unreadable;
    ::chmod(bank.c_str(), 0600);

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

}  // namespace
