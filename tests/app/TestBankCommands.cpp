// New, Open, Save Bank, Save As and the save questions, scripted through the seams.
#include <gtest/gtest.h>

#include <filesystem>

#include "BankCommands.h"
#include "BankFile.h"
#include "BankFixture.h"
#include "ExportSeams.h"
#include "ImportReaders.h"
#include "MainTree.h"
#include "TempDir.h"
#include "VirtualTrees.h"
#include "platform/FileUtils.h"

namespace {

class BankCommandsTest : public BankFixture {
protected:
    BankCommandsTest() {
        Settings().ConfirmSaves = false;
        Seams().RebuildTree = [this](TBankState& bank) {
            ++rebuilds;
            RebuildTree(bank, Settings(), tree);
        };
        Seams().SetCaption = [this](const std::string& c) { caption = c; };
        Seams().ClearTree = [this] { ++clears; };
        Seams().AskAdminSaveScope = [this](TSaveScope& scope) {
            ++adminAsked;
            scope = SaveScopeOfChoice(adminWhat, adminHow);
            return adminOk;
        };
        ExportSeams().ChooseSaveFile = [this](const TFileRequest& r, std::string& chosen) {
            requests.push_back(r);
            chosen = saveName;
            return !saveName.empty();
        };
        ExportSeams().ChooseOpenFile = [this](const TFileRequest& r, std::string& chosen) {
            requests.push_back(r);
            chosen = openName;
            return !openName.empty();
        };
    }
    std::string File(const std::string& name) const { return dir.File(name); }
    // A local bank file with the named entries.
    void WriteBank(const std::string& path, const Strings& names) {
        Strings lines{"#----F#2.0"};
        int n = 0;
        for (const auto& name : names) {
            char prefix[16];
            std::snprintf(prefix, sizeof prefix, "#%05d#", ++n);
            lines.push_back(prefix + std::string("Na=") + name);
            lines.push_back(prefix + std::string("Ux=http://") + name);
        }
        WriteAll(path, CRLF(lines));
    }
    void Administrator() {
        Settings().UserName = "boss";
        Bank().IsAdministrator = true;
    }

    TempDir dir;
    TBaseVirtualTree tree;
    std::string caption;
    int clears = 0;
    int adminAsked = 0;
    int adminWhat = 0, adminHow = 0;
    bool adminOk = true;
    std::vector<TFileRequest> requests;
    std::string saveName, openName;
};

TEST_F(BankCommandsTest, OpenBankSetsCaptionAndResetsState) {
    Strings names;
    for (int i = 0; i < 12; ++i) names.push_back("e" + std::to_string(i));
    WriteBank(File("x.bnk"), names);
    Bank().BankModified = Bank().WorkgroupModified = true;
    Bank().WorkgroupFileTime = 5;
    Bank().FindIndex = 3;
    Bank().NewBank = true;
    ASSERT_TRUE(OpenBank(File("x.bnk")));
    EXPECT_EQ(caption, "Lorvane     [" + File("x.bnk") + "]    12 Entries");
    EXPECT_EQ(Bank().BankFileName, File("x.bnk"));
    EXPECT_EQ(clears, 1);
    EXPECT_FALSE(Bank().BankModified || Bank().WorkgroupModified || Bank().NewBank);
    EXPECT_EQ(Bank().WorkgroupFileTime, 0);
    EXPECT_EQ(Bank().FindIndex, -1);
    EXPECT_EQ(Bank().FocusedEntry, -1);
    EXPECT_EQ(tree.TotalCount(), 13u);  // the "No Catgories" group and its entries

    // A file that is gone changes nothing.
    EXPECT_FALSE(OpenBank(File("gone.bnk")));
    EXPECT_EQ(Bank().EntryHigh, 11);
    EXPECT_EQ(clears, 1);

    // A file without records is an open, empty bank.
    WriteAll(File("empty.bnk"), CRLF({"#----F#2.0"}));
    ASSERT_TRUE(OpenBank(File("empty.bnk")));
    EXPECT_EQ(Bank().EntryHigh, -1);
    EXPECT_TRUE(RequireBank(Bank()));
    EXPECT_EQ(caption, "Lorvane     [" + File("empty.bnk") + "]    0 Entries");
    EXPECT_EQ(tree.TotalCount(), 0u);

    EXPECT_EQ(URLOfEntry("e3"), "");
    ASSERT_TRUE(OpenBank(File("x.bnk")));
    EXPECT_EQ(URLOfEntry("e3"), "http://e3");
    EXPECT_EQ(URLOfEntry("E3"), "");
}

TEST_F(BankCommandsTest, OpenAsksTheSaveQuestionsFirst) {
    WriteBank(File("a.bnk"), {"a"});
    WriteBank(File("b.bnk"), {"b"});
    ASSERT_TRUE(OpenBank(File("a.bnk")));
    Bank().BankModified = true;
    openName = File("b.bnk");
    // Yes, then the save fails to happen (the dialog is cancelled): Open is abandoned.
    messages.Answer(mrYes);
    Administrator();
    adminOk = false;
    EXPECT_FALSE(OpenBankCommand());
    EXPECT_EQ(messages.Texts(),
              Strings{File("a.bnk") + "\rhas been modified!\rDo you want to save?"});
    EXPECT_EQ(Names(), Strings{"a"});
    EXPECT_TRUE(requests.empty());

    // No: the other bank opens; the dialog proposes the data folder and the default name.
    messages.Answer(mrNo);
    EXPECT_TRUE(OpenBankCommand());
    EXPECT_EQ(Names(), Strings{"b"});
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].FileName, "Lorvane.bnk");
    EXPECT_EQ(requests[0].DefaultExt, "bnk");
    EXPECT_EQ(requests[0].Filter, "Bank (*.bnk)|*.bnk|All Files (*.*)|*.*");
}

TEST_F(BankCommandsTest, AFailedOpenKeepsTheOpenBank) {
    WriteBank(File("a.bnk"), {"a"});
    ASSERT_TRUE(OpenBank(File("a.bnk")));
    Bank().BankModified = true;
    const std::string shown = caption;
    // Cancel at the password, a refused workgroup bank, No at an incomplete record.
    const std::string marker = "#00000#" + ScrambledBankMarker(true);
    WriteAll(File("protected.bnk"), CRLF({"#----F#2.0", "#----P#" + EncodePasswordValue("pw")}));
    WriteAll(File("workgroup.bnk"), CRLF({"#----F#2.0", marker, "#00001#Na=w"}));
    WriteAll(File("incomplete.bnk"), CRLF({"#00001#Na=x", "#00002#Na=y", "#00002#Ux=u"}));
    for (const std::string name : {"protected.bnk", "workgroup.bnk", "incomplete.bnk"}) {
        if (name == "incomplete.bnk") messages.Answer(mrNo);
        EXPECT_FALSE(OpenBank(File(name))) << name;
        EXPECT_EQ(Names(), Strings{"a"}) << name;
        EXPECT_EQ(Bank().BankFileName, File("a.bnk"));
        EXPECT_TRUE(Bank().BankModified);
        EXPECT_EQ(caption, shown);
    }
    EXPECT_EQ(clears, 1);
}

TEST_F(BankCommandsTest, NewAsksAndLeavesAnOpenEmptyBank) {
    WriteBank(File("a.bnk"), {"a"});
    ASSERT_TRUE(OpenBank(File("a.bnk")));
    WorkgroupBankFile() = "/net/wg.bnk";
    EXPECT_TRUE(NewBankCommand());
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_EQ(caption, "Lorvane    [New]");
    EXPECT_EQ(Bank().EntryHigh, -1);
    EXPECT_TRUE(Bank().NewBank);
    EXPECT_TRUE(Bank().BankFileName.empty());
    EXPECT_EQ(WorkgroupBankFile(), "/net/wg.bnk");
    EXPECT_TRUE(RequireBank(Bank()));
    EXPECT_EQ(saveEnabled.back(), false);

    // A changed bank: Yes runs Save As; its dialog cancelled abandons New.
    Add(Named("x"));
    Bank().BankModified = true;
    messages.Answer(mrYes);
    EXPECT_FALSE(NewBankCommand());
    EXPECT_EQ(Names(), Strings{"x"});
    EXPECT_EQ(messages.LastText(), "Bank has been modified!\rDo you want to save?");

    // Save of a new bank remembers its name.
    saveName = File("new.bnk");
    messages.Answer(mrYes);
    EXPECT_TRUE(NewBankCommand());
    EXPECT_EQ(ReadAll(File("new.bnk")).substr(0, 10), "#----F#2.0");
    Add(Named("y"));
    Bank().BankModified = true;
    EXPECT_TRUE(SaveBankCommand());
    EXPECT_EQ(Bank().BankFileName, File("new.bnk"));
    EXPECT_EQ(caption, "Lorvane     [" + File("new.bnk") + "]    1 Entries");
    EXPECT_FALSE(Bank().BankModified);
}

TEST_F(BankCommandsTest, NewAsksAboutTheWorkgroupBankOnlyAnAdministrator) {
    Add(Named(Mark + "wg", Mark + "T"));
    Settings().UserName = "u";
    Bank().WorkgroupModified = true;
    EXPECT_TRUE(NewBankCommand());
    EXPECT_TRUE(messages.Shown.empty());

    Add(Named(Mark + "wg", Mark + "T"));
    Administrator();
    Bank().WorkgroupModified = true;
    messages.Answer(mrNo);
    EXPECT_TRUE(NewBankCommand());
    EXPECT_EQ(messages.Texts(), Strings{"WorkGroup Bank has been modified!\rDo you want to save?"});
}

TEST_F(BankCommandsTest, SaveScopeAndNothingToSave) {
    EXPECT_FALSE(SaveAsCommand());
    EXPECT_EQ(messages.LastText(), "Nothing to save!");
    Add(Named("a"));
    EXPECT_FALSE(SaveBankCommand());
    EXPECT_EQ(messages.LastText(), "Nothing to save!");

    // Without a workgroup: every entry as a local bank, no dialog.
    EXPECT_TRUE(ChooseSaveScope());
    EXPECT_EQ(Bank().SaveScope, (TSaveScope{TSaveScope::swAll, false}));
    EXPECT_EQ(adminAsked, 0);

    // A user who is not an administrator saves local entries as a local bank.
    Settings().UserName = "u";
    int validations = 0;
    Seams().ValidateUser = [&] { ++validations; };
    EXPECT_TRUE(ChooseSaveScope());
    EXPECT_EQ(validations, 1);
    EXPECT_EQ(Bank().SaveScope, (TSaveScope{TSaveScope::swLocal, false}));
    Bank().WorkgroupModified = true;
    EXPECT_FALSE(SaveBankCommand());  // a non-administrator's workgroup changes do not count
    EXPECT_EQ(messages.LastText(), "Nothing to save!");

    // An administrator's choices; Cancel gives false.
    Seams().ValidateUser = nullptr;
    Administrator();
    adminWhat = 2;
    adminHow = 1;
    EXPECT_TRUE(ChooseSaveScope());
    EXPECT_EQ(Bank().SaveScope, (TSaveScope{TSaveScope::swAll, true}));
    adminOk = false;
    EXPECT_FALSE(ChooseSaveScope());
}

TEST_F(BankCommandsTest, CombinedSavedAsLocalWritesEveryEntryUnmarked) {
    Add(Named("loc", "C"));
    TEntry wg = Named(Mark + "wg", Mark + "T");
    wg.URL = "http://wg";
    Add(wg);
    Administrator();
    adminWhat = 2;
    adminHow = 0;
    saveName = File("all.bnk");
    ASSERT_TRUE(SaveAsCommand());
    const std::string bytes = ReadAll(File("all.bnk"));
    EXPECT_NE(bytes.find("#00001#Na=loc"), std::string::npos);
    EXPECT_NE(bytes.find("#00002#Na=wg"), std::string::npos);
    EXPECT_NE(bytes.find("#00002#C1=T"), std::string::npos);
    EXPECT_EQ(bytes.find(Mark), std::string::npos);
    EXPECT_EQ(Bank().BankFileName, File("all.bnk"));
    EXPECT_EQ(caption, "Lorvane     [" + File("all.bnk") + "]    2 Entries");
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().FileName, "*.bnk");

    // Saved as a workgroup bank, the name goes to the workgroup path instead.
    adminHow = 1;
    saveName = File("wg.bnk");
    ASSERT_TRUE(SaveAsCommand());
    EXPECT_EQ(WorkgroupBankFile(), File("wg.bnk"));
    EXPECT_EQ(Bank().BankFileName, File("all.bnk"));
}

TEST_F(BankCommandsTest, SaveAsProposesTheBanksFolderNotTheImports) {
    std::filesystem::create_directories(dir.Path() / "in");
    WriteBank(File("a.bnk"), {"a"});
    WriteBank(File("in/i.bnk"), {"i"});
    ASSERT_TRUE(OpenBank(File("a.bnk")));
    openName = File("in/i.bnk");
    ImportLorvaneBank();
    ASSERT_EQ(Names(), (Strings{"a", "i"}));
    saveName = File("b.bnk");
    ASSERT_TRUE(SaveAsCommand());
    EXPECT_EQ(requests.back().InitialDir, dir.Path().string() + "/");
    EXPECT_EQ(requests.back().FileName, "*.bnk");
    // Without a bank file, the user's data folder.
    ASSERT_TRUE(NewBankCommand());
    Add(Named("n"));
    ASSERT_TRUE(SaveAsCommand());
    EXPECT_EQ(requests.back().InitialDir, UserDataFolder());
}

TEST_F(BankCommandsTest, LocalSaveKeepsMarkedNamesUnlessAWorkgroupIsInUse) {
    WriteBank(File("m.bnk"), {"a", Mark + "b"});
    ASSERT_TRUE(OpenBank(File("m.bnk")));
    // Without a workgroup the marked entry is the bank's own, and so is its change.
    Bank().MarkModified(Mark + "b");
    ASSERT_TRUE(SaveBankCommand());
    EXPECT_NE(ReadAll(File("m.bnk")).find("\r\n#00002#Na=b\r\n#00002#Ux=http://" + Mark + "b"),
              std::string::npos);
    EXPECT_FALSE(Bank().BankModified || Bank().WorkgroupModified);
    EXPECT_FALSE(saveEnabled.back());

    // With a workgroup in use, a user who is no administrator saves the local entries.
    Settings().UserName = "u";
    Bank().MarkModified("a");
    ASSERT_TRUE(SaveBankCommand());
    EXPECT_EQ(ReadAll(File("m.bnk")).find("Na=b"), std::string::npos);
}

TEST_F(BankCommandsTest, PlainSaveAsksBeforeMixingKindsOrOverwritingANewerFile) {
    WriteBank(File("a.bnk"), {"a"});
    ASSERT_TRUE(OpenBank(File("a.bnk")));
    Add(Named(Mark + "w"));
    Administrator();
    Bank().BankModified = true;
    adminWhat = 1;  // the workgroup entries into the local file
    adminHow = 0;
    const std::string before = ReadAll(File("a.bnk"));
    messages.Answer(mrNo);
    EXPECT_FALSE(SaveBankCommand());
    EXPECT_EQ(messages.LastText(), File("a.bnk") +
                                       "\rwill be overwritten with the Workgroup Bank entries.\r"
                                       "Are you sure you want to overwrite it?");
    EXPECT_EQ(ReadAll(File("a.bnk")), before);

    // The workgroup file changed on disk since it was loaded.
    WriteBank(File("wg.bnk"), {"old"});
    WorkgroupBankFile() = File("wg.bnk");
    Bank().WorkgroupFileTime = 1;
    Bank().WorkgroupModified = true;
    adminWhat = 1;
    adminHow = 1;
    messages.Answer(mrNo);
    EXPECT_FALSE(SaveBankCommand());
    EXPECT_EQ(messages.LastText(), File("wg.bnk") +
                                       "\rhas been updated since you loaded it!\rAre you sure "
                                       "you want to overwrite it?");
    messages.Answer(mrYes);
    EXPECT_TRUE(SaveBankCommand());
    EXPECT_EQ(Bank().WorkgroupFileTime, FileStamp(File("wg.bnk")));
    EXPECT_FALSE(Bank().WorkgroupModified);
}

TEST_F(BankCommandsTest, CloseQuestions) {
    Add(Named("a"));
    Bank().BankModified = true;
    Bank().WorkgroupModified = true;
    // No to the local question; the workgroup question is for administrators only.
    messages.Answer(mrNo);
    EXPECT_TRUE(AskSaveIfModified());
    EXPECT_EQ(messages.Texts(), Strings{"Bank has been modified!\rDo you want to save?"});

    Administrator();
    messages.Shown.clear();
    messages.Answer(mrNo);
    messages.Answer(mrYes);
    adminOk = false;  // the save is cancelled: the close is refused
    EXPECT_FALSE(AskSaveIfModified());
    EXPECT_EQ(messages.Texts(),
              (Strings{"Bank has been modified!\rDo you want to save?",
                       "Workgroup Bank has been modified!\rDo you want to save?"}));
}

}  // namespace
