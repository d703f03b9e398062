// Operation passwords, the workgroup user file, the user's validation and the workgroup bank.
#include <gtest/gtest.h>

#include <cerrno>

#include "BankCommands.h"
#include "BankFile.h"
#include "BankFixture.h"
#include "ResStrings.h"
#include "Security.h"
#include "StStrS.h"
#include "TempDir.h"
#include "WorkgroupUserFiles.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"

namespace {

class SecurityTest : public BankFixture {
protected:
    SecurityTest() {
        Seams().AskPassword = [this](std::string& typed) {
            ++prompts;
            if (typed_.empty()) return false;
            typed = typed_.front();
            typed_.erase(typed_.begin());
            return true;
        };
        Seams().SetStatusText = [this](const std::string& t) { statusTexts.push_back(t); };
    }
    void Type(Strings answers) { typed_ = std::move(answers); }

    Strings typed_;
    int prompts = 0;
    Strings statusTexts;
};

// ---- CheckPassword ----

TEST_F(SecurityTest, OperationsPassWithoutProtection) {
    for (int op = 0; op <= 4; ++op) EXPECT_TRUE(CheckPassword(op));
    EXPECT_EQ(prompts, 0);
    // A larger operation always asks.
    Settings().BankPassword = "Secret";
    Type({"secret"});
    EXPECT_TRUE(CheckPassword(7));
    EXPECT_EQ(prompts, 1);
}

TEST_F(SecurityTest, PasswordAskedOnceOrEachTime) {
    TSettings& s = Settings();
    s.BankPassword = "Secret";
    s.PWordPWord = s.PWordCNote = s.PWordPrnt = s.PWordCfg = s.PWordExp = true;
    Type({"  SECRET  "});  // blanks around it and another case are accepted
    EXPECT_TRUE(CheckPassword(poShowPassword));
    EXPECT_TRUE(PasswordGiven());
    for (int op = 0; op <= 4; ++op) EXPECT_TRUE(CheckPassword(op));
    EXPECT_EQ(prompts, 1);

    s.PWEachExp = true;
    Type({"wrong", "secret"});
    EXPECT_TRUE(CheckPassword(poExport));
    EXPECT_EQ(messages.Texts(), Strings{"Password failed!\rPlease try again"});
    EXPECT_EQ(prompts, 3);
    // Cancel refuses.
    EXPECT_FALSE(CheckPassword(poExport));
    EXPECT_FALSE(CheckPassword(9));
}

TEST_F(SecurityTest, NoMasterPassword) {
    Settings().BankPassword = "Secret";
    Settings().PWordCfg = true;
    Type({"TORVIND", "torvind"});
    EXPECT_FALSE(CheckPassword(poConfiguration));
    EXPECT_EQ(messages.Texts().size(), 2u);
    EXPECT_FALSE(PasswordGiven());
    // Only ASCII letters fold.
    Settings().BankPassword = "caf\xE9";
    Type({"CAF\xC9", "CAF\xE9"});
    EXPECT_TRUE(CheckPassword(poConfiguration));
    EXPECT_EQ(messages.Texts().size(), 3u);
}

// ---- The user file and validation ----

class WorkgroupTest : public SecurityTest {
protected:
    WorkgroupTest() {
        Settings().WorkGroupUser = dir.File("users.dat");
        WriteWorkgroupUserFile(Settings().WorkGroupUser, "bank.bnk",
                               {{"Alice", true}, {"bob", false}});
    }
    // A workgroup bank with entries W1.. on disk.
    void WriteWorkgroupBank(const Strings& names, const std::string& password = "") {
        Strings lines = {"#----F#2.0"};
        if (!password.empty()) lines.push_back("#----P#" + EncodePasswordValue(password));
        lines.push_back("#00000#" + ScrambledBankMarker(true));
        int n = 0;
        for (const auto& name : names) {
            ++n;
            const std::string num =
                std::string(5 - std::to_string(n).size(), '0') + std::to_string(n);
            lines.push_back("#" + num + "#Na=" + name);
            lines.push_back("#" + num + "#Ux=http://" + name);
        }
        WriteAll(dir.File("bank.bnk"), CRLF(lines));
    }
    void Validate(const std::string& user) {
        ResetUserValidationState();
        Settings().UserName = user;
        ValidateUser();
    }
    TempDir dir;
};

TEST_F(WorkgroupTest, UserFileRecords) {
    EXPECT_EQ(ReadAll(Settings().WorkGroupUser).size(), 81u);
    const std::string bytes = ReadAll(Settings().WorkGroupUser);
    EXPECT_EQ(bytes.substr(0, 9), std::string("\x08") + "bank.bnk");
    EXPECT_EQ(bytes[27 + 26], '\x01');
    EXPECT_EQ(bytes.substr(28, 5), ScrambleShortStr("Alice", ResKeyText));
    // A length above 25 reads as 25; a trailing short record is ignored.
    std::string odd = WorkgroupUserRecord(std::string(30, 'x'), false);
    odd[0] = char(200);
    WriteAll(dir.File("odd.dat"), odd + std::string(10, 'y'));
    const auto records = ReadWorkgroupUserFile(dir.File("odd.dat"));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Text, std::string(25, 'x'));
    EXPECT_THROW(ReadWorkgroupUserFile(dir.File("none.dat")), Exception);
}

TEST_F(WorkgroupTest, ValidatesAdministratorsUsersAndRefusesOthers) {
    Validate("ALICE");
    EXPECT_TRUE(UserValid());
    EXPECT_TRUE(Bank().IsAdministrator);
    EXPECT_EQ(WorkgroupBankFile(), dir.File("bank.bnk"));
    EXPECT_EQ(statusTexts, (Strings{"\tValidating User Status", ""}));
    EXPECT_TRUE(messages.Shown.empty());

    Validate("Bob");
    EXPECT_TRUE(UserValid());
    EXPECT_FALSE(Bank().IsAdministrator);

    Validate("carol");
    EXPECT_FALSE(UserValid());
    EXPECT_EQ(messages.Texts(), Strings{"User Name not validated\rUnable to verify User Status"});
}

TEST_F(WorkgroupTest, RecordZeroOnlyMissingSettingsAndMissingFile) {
    WriteWorkgroupUserFile(Settings().WorkGroupUser, "bank.bnk", {});
    Validate("Alice");
    EXPECT_EQ(messages.LastText(), "User Name not validated\rUnable to verify User Status");

    messages.Shown.clear();
    Settings().WorkGroupUser.clear();
    Validate("");
    EXPECT_EQ(messages.Texts(), Strings{"User Name configuration missing.\r"
                                        "Workgroup User File configuration missing.\r"
                                        "Unable to verify User Status"});

    messages.Shown.clear();
    Settings().WorkGroupUser = dir.File("none.dat");
    Validate("Alice");
    EXPECT_EQ(messages.Texts(), Strings{"Could not access User File\r" + dir.File("none.dat") +
                                        "\rUnable to verify User Status"});
    EXPECT_FALSE(UserValid());
}

TEST_F(WorkgroupTest, OncePerRunUntilReset) {
    Validate("carol");
    EXPECT_EQ(messages.Shown.size(), 1u);
    Settings().UserName = "Alice";
    ValidateUser();  // not again
    EXPECT_FALSE(UserValid());
    EXPECT_EQ(messages.Shown.size(), 1u);
    ResetUserValidationState();
    ValidateUser();
    EXPECT_TRUE(UserValid());
}

TEST_F(WorkgroupTest, WindowsPathInRecordZero) {
    std::filesystem::create_directories(dir.Path() / "Sub");
    WriteAll(dir.File("Sub/Bank.BNK"), "x");
    WriteWorkgroupUserFile(Settings().WorkGroupUser, "sub\\bank.bnk", {{"Alice", true}});
    EXPECT_EQ(ResolveWorkgroupBankPath(dir.Path().string() + "/", "Sub\\bank.bnk"),
              dir.File("Sub/Bank.BNK"));
    EXPECT_EQ(ResolveWorkgroupBankPath(dir.Path().string() + "/", "Sub\\other.bnk"),
              dir.File("Sub/other.bnk"));
}

// ---- Loading the workgroup bank ----

TEST_F(WorkgroupTest, MergeReplacesTheWorkgroupEntries) {
    Validate("Alice");
    for (int i = 0; i < 10; ++i) {
        Add(Named("L" + std::to_string(i)));
        if (i < 5) Add(Named(Mark + "Old" + std::to_string(i)));
    }
    WriteWorkgroupBank({"W1", "W2", "W1"});
    ASSERT_TRUE(LoadWorkgroupBankCommand());
    EXPECT_EQ(Bank().Count(), 13);
    Strings expected;
    for (int i = 0; i < 10; ++i) expected.push_back("L" + std::to_string(i));
    expected.insert(expected.end(), {Mark + "W1", Mark + "W2", Mark + "_W1"});
    EXPECT_EQ(Names(), expected);
    EXPECT_EQ(Bank().WorkgroupFileTime, FileStamp(dir.File("bank.bnk")));
    EXPECT_FALSE(Bank().BankModified);

    // Unchanged on disk: nothing happens.
    messages.Shown.clear();
    EXPECT_FALSE(LoadWorkgroupBankCommand());
    EXPECT_EQ(messages.Texts(), Strings{"You have the latest WorkGroup Bank already loaded."});
    EXPECT_EQ(Bank().Count(), 13);
    EXPECT_FALSE(WorkgroupFileChanged());
}

TEST_F(WorkgroupTest, RefusedLoads) {
    Validate("carol");
    messages.Shown.clear();
    EXPECT_FALSE(LoadWorkgroupBankCommand());
    EXPECT_EQ(messages.Texts(),
              Strings{"User Name not validated\rUnable to complete Workgroup Bank Load"});

    Validate("Bob");  // no bank file on disk
    messages.Shown.clear();
    EXPECT_FALSE(LoadWorkgroupBankCommand());
    EXPECT_EQ(messages.Texts(), Strings{"Could not access Workgroup Bank\r" + dir.File("bank.bnk") +
                                        "\rUnable to complete Workgroup Bank Load"});
    EXPECT_FALSE(WorkgroupFileChanged());  // no notice for a missing file
}

TEST_F(WorkgroupTest, DiscardQuestionAndCancelledPassword) {
    Validate("Alice");
    Add(Named("Local"));
    Add(Named(Mark + "Old"));
    Bank().WorkgroupModified = true;
    WriteWorkgroupBank({"W1"}, "pw");
    messages.Answer(mrNo);
    EXPECT_FALSE(LoadWorkgroupBankCommand());
    EXPECT_EQ(messages.Texts(), Strings{"Workgroup Bank has been modified!\r"
                                        "Do you want to discard the changes and reload it?"});
    EXPECT_EQ(Names(), (Strings{"Local", Mark + "Old"}));

    // Yes, then Cancel at the bank's password: the load is abandoned and the bank stays as it
    // was, with the tree rebuilt over it.
    messages.Answer(mrYes);
    Bank().FocusedEntry = 1;
    const int before = rebuilds;
    EXPECT_FALSE(LoadWorkgroupBankCommand());
    EXPECT_EQ(Names(), (Strings{"Local", Mark + "Old"}));
    EXPECT_TRUE(Bank().WorkgroupModified);
    EXPECT_EQ(Bank().FocusedEntry, -1);
    EXPECT_GT(rebuilds, before);
    EXPECT_EQ(Bank().WorkgroupFileTime, 0);
    EXPECT_TRUE(WorkgroupFileChanged());  // the file is there and was not loaded
}

}  // namespace
