// The bank file: exact bytes of both kinds, round trips, the lenient reader and the safe save.
#include "BankFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <random>

#include "BankFixture.h"
#include "OtherUser.h"
#include "Settings.h"
#include "TempDir.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/SysUtils.h"

namespace {

const std::string LocalMarkerLine =
    "#00000#\x2A\x1B\x3E\x4D\x4D\x07\x30\x0E\x19\x18\x35\x08\x6C\x22";
const std::string WorkgroupMarkerLine =
    std::string("#00000#\x33\x1B\x3E\x4B\x4B\x19\x1D\x1A\x07\x31\x12\x0F\x07\x01");
const std::string Ending = "\rDo you want to continue?\r(If you say No, any updates will be lost!)";

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEntry Example() {
    TEntry e = BankFixture::Named("Example", "News");
    e.URL = "http://example.com";
    e.Favorite = Mark;
    e.Notes = "line1\r\nline2";
    e.Description = "Desc";
    e.Rating = "5";
    e.UserID = "joe";
    e.Password = "abc";
    e.EMail = "j@x.org";
    e.ConfNotes = "x";
    e.ChangeDate = 37000.5;
    e.LastAccess = 37001.25;
    e.AccessCount = 3;
    return e;
}

// Every field filled, with long values, line breaks and every byte above 0x7F.
TEntry Rich(const std::string& name) {
    std::string high;
    for (int c = 0x80; c <= 0xFF; ++c) high += char(c);
    TEntry e = BankFixture::Named(name + high.substr(0, 8), "C1 \xC4", "C2", std::string(60, 'c'));
    e.Description = std::string(300, 'd') + high;
    e.Rating =
        "\xBB\xE9"
        "9";
    e.UserID = "user\xFC";
    e.Password = "P\xE4ssw0rd!#=~~ 15";
    e.EMail = "m\xE9@example.org";
    e.ConfNotes = "secret 1\r\nsecret 2\r\n\r\n" + high;
    e.ChangeDate = 40123.123456789;
    e.LastAccess = 40124.987654321;
    e.AccessCount = 123456;
    e.URL += high.substr(100);
    e.Favorite = Mark;
    e.Notes = "a\r\nb";
    return e;
}

class BankFileTest : public BankFixture {
protected:
    BankFileTest() {
        Settings().ConfirmSaves = false;
        Seams().AskPassword = [this](std::string& typed) {
            ++passwordPrompts;
            busyAtPrompts.push_back(busyDepth);
            if (typedPasswords.empty()) return false;
            typed = typedPasswords.front();
            typedPasswords.erase(typedPasswords.begin());
            return true;
        };
        Seams().SetStatusText = [this](const std::string& t) { statusTexts.push_back(t); };
        Seams().SetBusy = [this](bool busy) { busyDepth += busy ? 1 : -1; };
    }

    std::string File(const std::string& name = "x.bnk") const { return dir.File(name); }

    static bool Save(const std::string& file, TSaveScope scope = {}) {
        Bank().SaveScope = scope;
        return SaveBankFile(file);
    }
    int Load(const std::string& file, bool import = false, bool workgroup = false,
             bool allow = false) {
        int count = -1;
        const bool loaded = LoadBankFile(file, import, workgroup, allow, count);
        EXPECT_EQ(loaded, count > 0);
        return count;
    }
    int LoadBytes(const std::string& bytes, bool import = false) {
        WriteAll(File("in.bnk"), bytes);
        return Load(File("in.bnk"), import);
    }
    std::string BadLine(int number) const {
        return "Record No " + std::to_string(number) + " in\r" + File("in.bnk") +
               "\ris bad and will be bypassed.";
    }
    static std::string MoreBadLines(int count, const std::string& numbers) {
        return std::to_string(count) + " more records were bad and were bypassed:\r" + numbers;
    }

    TempDir dir;
    Strings typedPasswords;
    int passwordPrompts = 0;
    std::vector<int> busyAtPrompts;  // the hourglass while the password dialog waits
    Strings statusTexts;
    int busyDepth = 0;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Writing

TEST_F(BankFileTest, BothKindsAreWrittenByteForByte) {
    Add(Example());
    ASSERT_TRUE(Save(File()));
    EXPECT_EQ(
        ReadAll(File()),
        CRLF({"#----F#2.0", LocalMarkerLine, "#00001#Na=Example", "#00001#Ux=http://example.com",
              "#00001#Fx=\xBB", "#00001#No=line1~~line2", "#00001#C1=News", "#00001#De=Desc",
              "#00001#Ra=5", "#00001#Id=joe", "#00001#Pw=05162F", "#00001#Em=j@x.org",
              "#00001#Cn=1C", "#00001#Da=37000.5", "#00001#La=37001.25", "#00001#Ac=3"}));
    Settings().PWordFile = true;
    Settings().BankPassword = "Secret";
    ASSERT_TRUE(Save(File()));
    EXPECT_EQ(ReadAll(File()),
              CRLF({"#----F#2.0", "#----P#37112F52491F", LocalMarkerLine,
                    "#00001#Na=210C2D4D5C0717", "#00001#Ux=0C74385016445D0A0F121E116C220E146F1F",
                    "#00001#Fx=DF", "#00001#No=081D22451D150C031E1D1653", "#00001#C1=2A113B53",
                    "#00001#De=20113F43", "#00001#Ra=51", "#00001#Id=0E1B29",
                    "#00001#Pw=54417D161E2D", "#00001#Em=0E34340E431915", "#00001#Cn=1C",
                    "#00001#Da=57437C101C4547", "#00001#La=57437C101D45405A", "#00001#Ac=57"}));
    EXPECT_EQ(passwordPrompts, 0);
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(BankFileTest, ALargeBankIsWrittenInPiecesByteForByte) {
    for (bool isProtected : {false, true}) {
        SCOPED_TRACE(isProtected);
        ResetBank();
        Settings().PWordFile = isProtected;
        Settings().BankPassword = "pw";
        for (int i = 0; i < 3000; ++i) Add(Rich("r" + std::to_string(i)));
        TRecordOptions options;
        options.Protected = isProtected;
        std::string expected = "#----F#2.0\r\n";
        if (isProtected) expected += "#----P#" + EncodePasswordValue("pw") + "\r\n";
        expected += LocalMarkerLine + "\r\n";
        for (int i = 0; i < 3000; ++i) WriteEntryRecord(expected, Bank().Entry(i), i + 1, options);
        ASSERT_GT(expected.size(), size_t(3) << 20);  // several pieces
        ASSERT_TRUE(Save(File()));
        EXPECT_TRUE(ReadAll(File()) == expected);
        typedPasswords = {"pw"};
        const std::vector<TEntry> saved(Bank().Entries.begin(), Bank().Entries.end());
        ResetBank();
        EXPECT_EQ(Load(File()), 3000);
        for (int i = 0; i < 3000; i += 299)
            EXPECT_EQ(Bank().Entry(i).Description, saved[size_t(i)].Description);
    }
}

TEST_F(BankFileTest, RecordWriterServesTheExportsToo) {
    TEntry e = Example();
    e.Name = Mark + "W\r";
    e.ChangeDate = 30000;
    e.LastAccess = NoDate;
    e.Notes = "1\n2\r3\r\n4";
    std::string out;
    TRecordOptions old;
    old.AllFields = old.StripMarker = false;
    WriteEntryRecord(out, e, 100012, old);  // numbers wrap past five digits
    EXPECT_EQ(out, CRLF({"#00012#Na=" + Mark + "W ", "#00012#Ux=http://example.com",
                         "#00012#Fx=" + Mark, "#00012#No=1~~2~~3~~4", "#00012#C1=News"}));
    out.clear();
    TRecordOptions all;
    all.DateRule = TRecordOptions::drPositive;
    WriteEntryRecord(out, e, 1, all);
    EXPECT_TRUE(Contains(out, "#00001#Da=30000\r\n#00001#La=36526\r\n"));
    out.clear();
    all.DateRule = TRecordOptions::drAfterNoDate;
    WriteEntryRecord(out, e, 1, all);
    EXPECT_FALSE(Contains(out, "Da="));
}

TEST_F(BankFileTest, EveryFieldSurvivesBothKinds) {
    for (bool isProtected : {false, true}) {
        SCOPED_TRACE(isProtected);
        ResetBank();
        Settings().PWordFile = isProtected;
        Settings().BankPassword = " Secret ";  // blanks around it cannot lock anybody out
        const std::vector<TEntry> want = {Rich("first"), Rich("second")};
        TEntry tildes = Named("third");
        tildes.Notes = "x~~y";
        Add(want[0]);
        Add(want[1]);
        Add(tildes);
        ASSERT_TRUE(Save(File()));
        ResetBank();
        typedPasswords = {"secret"};
        ASSERT_EQ(Load(File()), 3);
        for (int i = 0; i < 2; ++i) {
            TEntry got = Bank().Entry(i);
            EXPECT_NEAR(got.ChangeDate, want[size_t(i)].ChangeDate, 1e-9);
            EXPECT_NEAR(got.LastAccess, want[size_t(i)].LastAccess, 1e-9);
            got.ChangeDate = want[size_t(i)].ChangeDate;
            got.LastAccess = want[size_t(i)].LastAccess;
            EXPECT_EQ(got, want[size_t(i)]);
        }
        EXPECT_EQ(Bank().Entry(2).Notes, "x\r\ny");
        EXPECT_EQ(Bank().Entry(2).ChangeDate, NoDate);
        EXPECT_TRUE(messages.Shown.empty());
    }
}

TEST_F(BankFileTest, DatesAreWrittenWithAPointAndOnlyWhenKnown) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) std::setlocale(LC_NUMERIC, "de_DE");
    TEntry e = Named("d");
    e.ChangeDate = 37000.5;
    Add(e);
    e.ChangeDate = 35000.25;  // before 2000: kept as well
    Add(e);
    ASSERT_TRUE(Save(File()));
    std::setlocale(LC_NUMERIC, saved.c_str());
    const std::string bytes = ReadAll(File());
    EXPECT_TRUE(Contains(bytes, "#00001#Da=37000.5\r\n"));
    EXPECT_TRUE(Contains(bytes, "#00002#Da=35000.25\r\n"));
    EXPECT_FALSE(Contains(bytes, "La="));
}

// ---------------------------------------------------------------------------------------------
// Save scope and workgroup banks

class SaveScope : public BankFileTest {
protected:
    SaveScope() {
        Add(Named("L1", "Cat"));
        Add(Named(Mark + "W1", Mark + "Team", Mark + "Sub"));
        Add(Named("L2"));
        Bank().BankModified = Bank().WorkgroupModified = true;
    }
};

TEST_F(SaveScope, EachScopeWritesItsEntriesAndClearsOnlyItsOwnFlag) {
    ASSERT_TRUE(Save(File()));
    EXPECT_EQ(ReadAll(File()),
              CRLF({"#----F#2.0", LocalMarkerLine, "#00001#Na=L1", "#00001#Ux=http://L1",
                    "#00001#C1=Cat", "#00002#Na=L2", "#00002#Ux=http://L2"}));
    EXPECT_FALSE(Bank().BankModified);
    EXPECT_TRUE(Bank().WorkgroupModified);
    EXPECT_TRUE(saveEnabled.empty());

    Bank().BankModified = true;
    ASSERT_TRUE(Save(File("all.bnk"), {TSaveScope::swAll, true}));
    EXPECT_TRUE(Contains(ReadAll(File("all.bnk")), "#00003#Na=L2"));
    EXPECT_TRUE(Bank().BankModified);
    EXPECT_FALSE(Bank().WorkgroupModified);
    EXPECT_EQ(Bank().WorkgroupFileTime, FileStamp(File("all.bnk")));

    Settings().ConfirmSaves = true;
    ASSERT_TRUE(Save(File("all.bnk"), {TSaveScope::swAll, false}));
    EXPECT_TRUE(
        Contains(ReadAll(File("all.bnk")), "\r\n" + LocalMarkerLine + "\r\n#00001#Na=L1\r\n"));
    EXPECT_TRUE(Contains(ReadAll(File("all.bnk")),
                         "\r\n#00002#Na=W1\r\n#00002#Ux=http://\xBBW1\r\n#00002#C1=Team\r\n"));
    EXPECT_EQ(messages.Texts(), Strings{File("all.bnk") + "\rhas been saved as a\rLocal Bank"});
    EXPECT_EQ(saveEnabled, std::vector<bool>{false});
}

TEST_F(SaveScope, WorkgroupBankIsMarkedOnLoadAndRefusedToOrdinaryUsers) {
    Settings().ConfirmSaves = true;
    ASSERT_TRUE(Save(File(), {TSaveScope::swWorkgroup, true}));
    EXPECT_EQ(ReadAll(File()),
              CRLF({"#----F#2.0", WorkgroupMarkerLine, "#00001#Na=W1",
                    "#00001#Ux=http://" + Mark + "W1", "#00001#C1=Team", "#00001#C2=Sub"}));
    EXPECT_EQ(messages.LastText(), File() + "\rhas been saved as a\rWorkgroup Bank");
    EXPECT_EQ(Bank().WorkgroupFileTime, FileStamp(File()));
    ResetBank();
    int validations = 0;
    Seams().ValidateUser = [&] { ++validations; };
    EXPECT_EQ(Load(File()), 0);
    EXPECT_EQ(messages.LastText(),
              "Only a Lorvane Administrator can\ropen or import a Workgroup Bank");
    EXPECT_EQ(Bank().EntryHigh, -1);
    EXPECT_EQ(rebuilds, 0);
    EXPECT_EQ(validations, 1);

    Seams().ValidateUser = [] { Bank().IsAdministrator = true; };
    EXPECT_EQ(Load(File()), 1);
    EXPECT_EQ(Names(), Strings{Mark + "W1"});
    EXPECT_EQ(Bank().Entry(0).Category2, Mark + "Sub");
    EXPECT_EQ(Bank().Entry(0).Category3, "");
    EXPECT_EQ(busyDepth, 0);
}

TEST_F(BankFileTest, MergesAndImportsRenameDuplicates) {
    WriteAll(File("wg.bnk"), CRLF({"#----F#2.0", WorkgroupMarkerLine, "#00001#Na=A", "#00001#Ux=u",
                                   "#00002#Na=A", "#00002#Ux=v"}));
    EXPECT_EQ(Load(File("wg.bnk"), true, true, true), 2);
    EXPECT_EQ(Names(), (Strings{Mark + "A", Mark + "_A"}));
    EXPECT_TRUE(Bank().DuplicatesRenamed);
    ResetBank();
    Add(Named("A"));
    Add(Named("_A"));
    EXPECT_EQ(LoadBytes(CRLF({"#00001#Na=a", "#00001#Ux=u", "#00002#Na=A", "#00002#Ux=u"}), true),
              2);
    EXPECT_EQ(Names(), (Strings{"A", "_A", "a", "__A"}));
    EXPECT_TRUE(Bank().DuplicatesRenamed);
    Bank().DuplicatesRenamed = false;
    EXPECT_EQ(LoadBytes(CRLF({"#00001#Na=A", "#00001#Ux=u"})), 1);  // opening renames nothing
    EXPECT_EQ(Bank().Entry(4).Name, "A");
    EXPECT_FALSE(Bank().DuplicatesRenamed);
}

// ---------------------------------------------------------------------------------------------
// The lenient reader

TEST_F(BankFileTest, HeaderlessFilesBadLinesAndOddValuesAreRead) {
    EXPECT_EQ(LoadBytes(CRLF({"#00001#Na=N", "#00001#Ux=u", "", "#00001#Zz=ignored", "#00001#Da=0",
                              "#00001#La=abc", "#00001#Ra=  12345", "#00001#Ac=12x", "garbage",
                              "#00002#Na=M", "#00002#Em=e", "#00002#Da=37000,5",
                              "#00002#Cn=plain words", "#00002#Ac=7", "#00003#Na=O", "#00003#Ux=u",
                              "#00003#Da=1e300", "#00003#La=-700000"})),
              3);
    EXPECT_EQ(messages.Texts(), (Strings{BadLine(3), MoreBadLines(1, "9")}));
    EXPECT_EQ(messages.Shown.front().Type, TMsgDlgType::mtInformation);
    const TEntry &n = Bank().Entry(0), &m = Bank().Entry(1);
    EXPECT_EQ(n.ChangeDate, NoDate);
    EXPECT_EQ(n.LastAccess, NoDate);
    EXPECT_EQ(n.Rating.str(), "123");  // trimmed, then cut to three bytes
    EXPECT_EQ(n.AccessCount, 0);
    EXPECT_EQ(m.ChangeDate, 37000.5);
    EXPECT_EQ(m.ConfNotes, "plain words");  // not hexadecimal: as it stands
    EXPECT_EQ(m.AccessCount, 7);
    // Dates no calendar routine can take apart read as no date.
    EXPECT_EQ(Bank().Entry(2).ChangeDate, NoDate);
    EXPECT_EQ(Bank().Entry(2).LastAccess, NoDate);
    EXPECT_EQ(rebuilds, 1);
    EXPECT_EQ(Bank().BankFolder, dir.Path().string() + "/");
}

TEST_F(BankFileTest, RecordsGroupByTheirOwnNumbers) {
    // Gaps, wrapped numbers and bare CR or LF line ends; 0x1A is an ordinary byte and NUL a
    // blank.
    const std::string bytes = "#99999#Na=A\r#99999#Ux=u\r#00000#Na=B\r#00000#Ux=v\r#00000#De=x" +
                              std::string(1, '\0') + "\x1Ay\r#00007#Na=C\n#00007#Ux=w";
    EXPECT_EQ(LoadBytes(bytes), 3);
    EXPECT_EQ(Names(), (Strings{"A", "B", "C"}));
    EXPECT_EQ(Bank().Entry(1).Description, "x \x1Ay");
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(BankFileTest, DamagedLinesTouchNoOtherEntry) {
    Add(Named("Existing"));
    // A field line before the first record would land in the bank's last entry.
    EXPECT_EQ(LoadBytes(CRLF({"#----F#2.0", "#00000#junk-marker-x", "#00000#Na=Evil",
                              "#00001#Na=New", "#00001#Ux=u"}),
                        true),
              1);
    EXPECT_EQ(Names(), (Strings{"Existing", "New"}));
    EXPECT_EQ(messages.Texts(), Strings{BadLine(1)});

    messages.Shown.clear();
    typedPasswords = {"pw"};
    EXPECT_EQ(LoadBytes(CRLF({"#----F#2.0", "#----P#" + EncodePasswordValue("pw"),
                              "#00001#Na=" + EncodeProtectedValue("N"), "#00001#Ux=zz",
                              "#00001#Em=" + EncodeProtectedValue("e"),
                              "#00001#Pw=" + EncodeProtectedValue("not hex")})),
              1);
    EXPECT_EQ(Bank().Entry(2).EMail, "e");
    EXPECT_TRUE(Bank().Entry(2).Password.empty());
    EXPECT_EQ(messages.Texts(), (Strings{BadLine(2), MoreBadLines(1, "4")}));
}

TEST_F(BankFileTest, ARandomFileCostsAtMostTwoMessages) {
    std::mt19937 rng(7);
    std::string bytes(50000, '\0');
    for (char& c : bytes) c = char(std::uniform_int_distribution<int>(0, 255)(rng));
    WriteAll(File("in.bnk"), bytes);
    int count = -1;
    EXPECT_TRUE(LoadBankFile(File("in.bnk"), false, false, false, count));
    EXPECT_EQ(count, 0);
    ASSERT_EQ(messages.Shown.size(), 2u);
    EXPECT_EQ(messages.Shown[0].Text, BadLine(1));
    const std::string& summary = messages.Shown[1].Text;
    EXPECT_GT(std::stoi(summary), 300);
    EXPECT_NE(summary.find(" more records were bad and were bypassed:\r2, 3, "), std::string::npos);
    EXPECT_LT(summary.size(), 500u);
    EXPECT_EQ(summary.substr(summary.size() - 5), ", ...");
}

TEST_F(BankFileTest, UnreadableFilesAbandonTheLoad) {
    Add(Named("kept"));
    EXPECT_EQ(Load(File("missing.bnk")), 0);
    EXPECT_EQ(messages.Texts(),
              Strings{"Error loading " + File("missing.bnk") + "\rCannot open file \"" +
                      File("missing.bnk") + "\". No such file or directory"});
    EXPECT_EQ(LoadBytes("#----F#2.0\r\n#----P#XYZ\r\n#00001#Na=A\r\n"), 0);
    EXPECT_EQ(messages.LastText(),
              "Error loading " + File("in.bnk") + "\rIts password line is damaged.");
    EXPECT_EQ(Names(), Strings{"kept"});
    EXPECT_EQ(passwordPrompts, 0);
    EXPECT_EQ(busyDepth, 0);
}

TEST_F(BankFileTest, LoadingReportsProgressEveryFifteenRecords) {
    Strings lines;
    for (int i = 1; i <= 31; ++i) {
        const std::string n = std::to_string(i), p = "#" + std::string(5 - n.size(), '0') + n + "#";
        lines.push_back(p + "Na=n" + n);
        lines.push_back(p + "Ux=u");
    }
    EXPECT_EQ(LoadBytes(CRLF(lines)), 31);
    EXPECT_EQ(statusTexts, (Strings{"\tLoading # 15", "\tLoading # 30", "", ""}));
}

TEST_F(BankFileTest, IncompleteRecordsAskAndNoLeavesTheBankAsItWas) {
    EXPECT_EQ(LoadBytes(CRLF({"#00001#Ux=http://a", "#00002#Em=e@x", "#00003#De=d", "#00004#Na=N",
                              "#00005#Na=ok", "#00005#Em=m"})),
              5);
    EXPECT_EQ(messages.Texts(),
              (Strings{"Missing Name at Entry 1\rURL = http://a" + Ending,
                       "Missing Name at Entry 2\rEMail = e@x" + Ending,
                       "Missing Name at Entry 3\rMissing URL and/or EMail" + Ending,
                       "Name = N\rMissing URL and/or EMail at Entry 4" + Ending}));
    EXPECT_EQ(messages.Shown[0].Buttons, mbYesNo);

    // The last record is checked too, numbered after the bank's own entries.
    messages.Shown.clear();
    messages.Answer(mrNo);
    EXPECT_EQ(LoadBytes(CRLF({"#00001#Na=A", "#00001#Ux=u", "#00002#Na=Q"}), true), 0);
    EXPECT_EQ(messages.Texts(), Strings{"Name = Q\rMissing URL and/or EMail at Entry 7" + Ending});
    EXPECT_EQ(Bank().EntryHigh, 4);
    EXPECT_EQ(rebuilds, 1);
}

TEST_F(BankFileTest, PasswordIsAskedUntilRightOrCancelled) {
    Settings().PWordFile = true;
    Settings().BankPassword = "Secret";
    Add(Example());
    ASSERT_TRUE(Save(File()));
    ResetBank();
    typedPasswords = {"wrong", "  secret "};
    EXPECT_EQ(Load(File()), 1);
    EXPECT_EQ(passwordPrompts, 2);
    EXPECT_EQ(busyAtPrompts, (std::vector<int>{0, 0}));
    EXPECT_EQ(messages.Texts(), Strings{"Password failed!\rPlease try again"});
    EXPECT_EQ(messages.Shown[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(Bank().FilePassword, "Secret");
    EXPECT_EQ(Load(File()), 0);  // Cancel
    EXPECT_EQ(Bank().EntryHigh, 0);
    EXPECT_EQ(rebuilds, 1);
}

TEST_F(BankFileTest, OnlyABankOpenedWholeTakesOverItsPassword) {
    Settings().PWordFile = true;
    Settings().BankPassword = "theirs";
    Add(Named("n"));
    ASSERT_TRUE(Save(File()));
    ResetBank();
    Bank().FilePassword = "mine";
    EXPECT_EQ(Load(File()), 0);  // Cancel at the password
    EXPECT_EQ(Bank().FilePassword, "mine");
    messages.Answer(mrNo);  // an incomplete record, abandoned after the password
    WriteAll(File("half.bnk"), CRLF({"#----F#2.0", "#----P#" + EncodePasswordValue("half"),
                                     "#00001#Na=" + EncodeProtectedValue("N")}));
    typedPasswords = {"half"};
    EXPECT_EQ(Load(File("half.bnk")), 0);
    EXPECT_EQ(Bank().FilePassword, "mine");
    typedPasswords = {"theirs"};
    EXPECT_EQ(Load(File(), true, true, true), 1);  // a merge
    EXPECT_EQ(Bank().FilePassword, "mine");
    typedPasswords = {"theirs"};
    EXPECT_EQ(Load(File()), 1);
    EXPECT_EQ(Bank().FilePassword, "theirs");
}

TEST_F(BankFileTest, AnUnreadablePasswordIsSkippedLikeAnyUnreadableValue) {
    // Its own number, between two lines of one record, must not split that record.
    EXPECT_EQ(LoadBytes(CRLF({"#00001#Na=A", "#00002#Pw=zz", "#00001#Ux=u"})), 1);
    EXPECT_EQ(messages.Texts(), Strings{BadLine(2)});
    EXPECT_EQ(Bank().Entry(0).URL, "u");
    messages.Shown.clear();
    typedPasswords = {"pw"};
    EXPECT_EQ(LoadBytes(CRLF({"#----F#2.0", "#----P#" + EncodePasswordValue("pw"),
                              "#00001#Na=" + EncodeProtectedValue("B"),
                              "#00002#Pw=" + EncodeProtectedValue("not hex"),
                              "#00001#Ux=" + EncodeProtectedValue("v")})),
              1);
    EXPECT_EQ(messages.Texts(), Strings{BadLine(2)});
    EXPECT_EQ(Bank().Entry(1).Name, "B");
    EXPECT_EQ(Bank().Entry(1).URL, "v");
    EXPECT_TRUE(Bank().Entry(1).Password.empty());
}

TEST_F(BankFileTest, WhatIsShownAfterALoadIsWhatTheNextLoadShows) {
    const std::string nul(1, '\0');
    EXPECT_EQ(LoadBytes(CRLF({"#00001#Na=N" + nul + "x", "#00001#Ux=u", "#00001#Ra=a  b",
                              "#00001#Id=i" + nul, "#00001#Cn=" + EncodeProtectedValue("c")})),
              1);
    const TEntry shown = Bank().Entry(0);
    EXPECT_EQ(shown.Name, "N x");
    EXPECT_EQ(shown.Rating.str(), "a");
    EXPECT_EQ(shown.UserID.str(), "i ");
    EXPECT_EQ(shown.ConfNotes, "c");
    for (bool isProtected : {false, true}) {
        SCOPED_TRACE(isProtected);
        Settings().PWordFile = isProtected;
        Settings().BankPassword = "pw";
        typedPasswords = {"pw"};
        ASSERT_TRUE(Save(File()));
        ResetBank();
        EXPECT_EQ(Load(File()), 1);
        EXPECT_EQ(Bank().Entry(0), shown);
    }
}

TEST_F(BankFileTest, ValuesAndDatesReadAndWriteAsTheGeneralRoutinesDo) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255), length(0, 40);
    auto randomText = [&] {
        std::string text(size_t(length(rng)), ' ');
        for (char& c : text) c = char(byte(rng));
        return text;
    };
    // Scrambled values of every byte, odd lengths and bad digits, decoded in one pass.
    std::vector<std::string> hex;
    Strings lines = {"#----F#2.0", "#----P#" + EncodePasswordValue("pw")};
    for (int i = 0; i < 200; ++i) {
        std::string h = EncodeProtectedValue(randomText());
        if (i % 5 == 1) h += "A";  // an odd digit is ignored
        hex.push_back(h);
        const std::string number = std::to_string(10000 + i);
        lines.push_back("#" + number + "#Na=" + EncodeProtectedValue("n"));
        lines.push_back("#" + number + "#Ux=" + EncodeProtectedValue("u"));
        lines.push_back("#" + number + "#De=" + h);
    }
    lines.push_back("#99999#De=4G");
    typedPasswords = {"pw"};
    EXPECT_EQ(LoadBytes(CRLF(lines)), 200);
    EXPECT_EQ(messages.Texts(), Strings{BadLine(601)});
    for (int i = 0; i < 200; ++i) {
        std::string expected = DecodeProtectedValue(hex[size_t(i)]);
        std::replace(expected.begin(), expected.end(), '\0', ' ');
        EXPECT_EQ(Bank().Entry(i).Description, expected) << i;
    }

    // Dates: the writer's text is FloatToStr's, and what is read is what TryStrToFloat reads.
    ResetBank();
    const std::vector<double> dates = {1e-5,
                                       0.0001,
                                       0.5,
                                       1,
                                       36526.5,
                                       38000.25,
                                       40123.123456789,
                                       45000.999999999996,
                                       2958465.9999,
                                       0.30000000000000004,
                                       1.0 / 3,
                                       123456789012345.0,
                                       1e15,
                                       2e300};
    for (double d : dates) {
        TEntry e = Named("d");
        e.ChangeDate = d;
        e.LastAccess = d * 1.0000001;
        Add(e);
    }
    ASSERT_TRUE(Save(File()));
    const std::string saved = ReadAll(File());
    for (int i = 0; i < int(dates.size()); ++i) {
        const TEntry& e = Bank().Entry(i);
        EXPECT_TRUE(Contains(saved, "Da=" + FloatToStr(e.ChangeDate) + "\r\n")) << dates[size_t(i)];
        EXPECT_TRUE(Contains(saved, "La=" + FloatToStr(e.LastAccess) + "\r\n")) << dates[size_t(i)];
    }
    ResetBank();
    EXPECT_EQ(Load(File()), int(dates.size()));
    for (int i = 0; i < int(dates.size()); ++i) {
        double expected = 0;
        const bool readable = TryStrToFloat(FloatToStr(dates[size_t(i)]), expected);
        const bool date = readable && expected > -693593.0 && expected < 2958466.0;
        EXPECT_EQ(Bank().Entry(i).ChangeDate, date ? expected : NoDate) << dates[size_t(i)];
    }
    for (std::string text : {"5.", ".5", "38000,5", " 38000.5", "1e3", "+2", "..", "."}) {
        ResetBank();
        LoadBytes(CRLF({"#00001#Na=n", "#00001#Ux=u", "#00001#Da=" + text}));
        double expected = 0;
        const bool readable = TryStrToFloat(text, expected);
        EXPECT_EQ(Bank().Entry(0).ChangeDate, readable && expected != 0 ? expected : NoDate)
            << text;
    }
}

TEST_F(BankFileTest, DatesAreWrittenExactlyAsFloatToStrWritesThem) {
    std::mt19937_64 rng(11);
    std::vector<double> values = {1.0, 9.999999999999999, 99999.99999999999, 999999.9999999999,
                                  999999999999999.9, 999999999999999.0, 38000.000000000004,
                                  45000.99999999999, 2.5, 1.0000000000000002, 123456.5,
                                  // Halfway between two 15-digit texts: to the even one.
                                  12345678901234.25, 12345678901234.75, 1234567890123.125,
                                  1234567890123.375, 99999999999999.5, 99999999999998.5};
    // Every power of two's neighbourhood and full random mantissas across the range.
    for (int k = 0; k < 20000; ++k) {
        const double magnitude = std::ldexp(1.0, int(rng() % 50));
        double v = magnitude * (1.0 + double(rng() >> 11) * 0x1.0p-53);
        if (k % 4 == 0) v = 1.0 + double(rng() % 3000000) + double(rng() >> 11) * 0x1.0p-53;
        if (k % 8 == 1) v = std::nextafter(std::round(v * 4) / 4, k % 16 == 1 ? 0.0 : 1e300);
        values.push_back(v);
    }
    TRecordOptions options;
    options.DateRule = TRecordOptions::drPositive;
    for (double v : values) {
        TEntry e;
        e.ChangeDate = v;
        std::string out;
        WriteEntryRecord(out, e, 1, options);
        const size_t at = out.find("Da=");
        ASSERT_NE(at, std::string::npos);
        ASSERT_EQ(out.substr(at + 3, out.find('\r', at) - at - 3), FloatToStr(v))
            << std::hexfloat << v;
    }
}

// ---------------------------------------------------------------------------------------------
// Saving safely

TEST_F(BankFileTest, SavingRotatesTheBackupAndNeverLosesTheFile) {
    WriteAll(File("x.bnk"), "A");
    WriteAll(File("x.bak"), "B");
    Add(Named("n"));
    ASSERT_TRUE(Save(File("x.bnk")));
    EXPECT_EQ(ReadAll(File("x.bak")), "A");
    EXPECT_TRUE(Contains(ReadAll(File("x.bnk")), "#00001#Na=n"));
    ASSERT_TRUE(Save(File("x.bak")));  // the backup name itself
    EXPECT_TRUE(Contains(ReadAll(File("x.bak")), "#00001#Na=n"));
    EXPECT_EQ(BankBackupName("/a.b/bank"), "/a.b/bank.bak");
    EXPECT_EQ(BankBackupName("/a/bank.BNK"), "/a/bank.bak");
}

TEST_F(BankFileTest, CancelAtTheSavePasswordWritesNothing) {
    Settings().PWordFile = Settings().PWEachSave = true;
    WriteAll(File("x.bnk"), "A");
    WriteAll(File("x.bak"), "B");
    const int64_t stamp = FileStamp(File("x.bnk")), backupStamp = FileStamp(File("x.bak"));
    Add(Named("n"));
    EXPECT_FALSE(Save(File("x.bnk")));
    EXPECT_EQ(messages.Texts(), Strings{"File not Saved!"});
    EXPECT_EQ(ReadAll(File("x.bnk")) + ReadAll(File("x.bak")), "AB");
    EXPECT_EQ(FileStamp(File("x.bnk")), stamp);
    EXPECT_EQ(FileStamp(File("x.bak")), backupStamp);

    // A new password is asked twice; differing entries write nothing.
    messages.Shown.clear();
    typedPasswords = {"typed", "typo"};
    EXPECT_FALSE(Save(File("x.bnk")));
    EXPECT_EQ(
        messages.Texts(),
        (Strings{"The PassWord entries are not the same.\rPlease try again.", "File not Saved!"}));
    EXPECT_EQ(ReadAll(File("x.bnk")), "A");
    EXPECT_EQ(Settings().BankPassword, "");

    typedPasswords = {"  typed ", "typed"};
    ASSERT_TRUE(Save(File("x.bnk")));
    EXPECT_EQ(Settings().BankPassword, "typed");
    EXPECT_TRUE(
        Contains(ReadAll(File("x.bnk")), "#----P#" + EncodePasswordValue("typed") + "\r\n"));
    // The current password is asked once.
    typedPasswords = {"typed"};
    ASSERT_TRUE(Save(File("x.bnk")));
    EXPECT_TRUE(typedPasswords.empty());
}

TEST_F(BankFileTest, FailedSaveKeepsBankBackupAndFlags) {
    WriteAll(File("x.bnk"), "A");
    WriteAll(File("x.bak"), "B");
    Add(Named("n"));
    Bank().BankModified = true;
    std::string temp;
    BankSaveHook() = [&](const std::string& name) {
        temp = name;
        throw EWriteError("No space left on device");
    };
    EXPECT_FALSE(Save(File("x.bnk")));
    BankSaveHook() = nullptr;
    EXPECT_EQ(messages.Texts(),
              Strings{"Error saving " + File("x.bnk") + "\rNo space left on device"});
    EXPECT_EQ(ReadAll(File("x.bnk")) + ReadAll(File("x.bak")), "AB");
    EXPECT_FALSE(temp.empty() || FileExists(temp));
    EXPECT_FALSE(Save(File("no/such/x.bnk")));
    EXPECT_EQ(messages.LastText().substr(0, 13), "Error saving ");
    EXPECT_TRUE(Bank().BankModified);
    EXPECT_TRUE(saveEnabled.empty());
}

TEST_F(BankFileTest, NewBanksArePrivateAndExistingOnesKeepTheirMode) {
    Add(Named("n"));
    struct stat st {};
    ASSERT_TRUE(Save(File()));
    ASSERT_EQ(::stat(File().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ::chmod(File().c_str(), 0640);
    ASSERT_TRUE(Save(File()));
    ASSERT_EQ(::stat(File().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(FileStamp(File("none.bnk")), 0);
}

// Every member of the workgroup reads a workgroup bank: a new one gets the mode the umask gives,
// with the group's write access where the umask shares files with the group.
TEST_F(BankFileTest, NewWorkgroupBanksFollowTheUmask) {
    Add(Named("n"));
    struct Case {
        mode_t mask, mode;
        const char* group;
    };
    struct stat st {};
    for (const Case& c : {Case{027, 0640, "closed"}, Case{002, 0664, "sharing"}}) {
        SCOPED_TRACE(c.group);
        const std::string workgroup = File(std::string(c.group) + ".bnk");
        const std::string own = File(std::string(c.group) + "-own.bnk");
        const mode_t previous = ::umask(c.mask);
        const bool saved = Save(workgroup, {TSaveScope::swWorkgroup, true}) &&
                           Save(own, {TSaveScope::swAll, false});
        ::umask(previous);
        ASSERT_TRUE(saved);
        ASSERT_EQ(::stat(workgroup.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, c.mode);
        ASSERT_EQ(::stat(own.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
    // An existing bank keeps its mode.
    ::chmod(File("sharing.bnk").c_str(), 0600);
    ASSERT_TRUE(Save(File("sharing.bnk"), {TSaveScope::swWorkgroup, true}));
    ASSERT_EQ(::stat(File("sharing.bnk").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// Where the tests may change user, another user opens a new workgroup bank for reading.
TEST_F(BankFileTest, AnotherUserReadsANewWorkgroupBank) {
    if (!RunningAsRoot()) GTEST_SKIP() << "needs to change user";
    const TempDir folder(true);
    const std::string shared = folder.File("shared.bnk");
    Add(Named("n"));
    const mode_t previous = ::umask(022);
    const bool saved = Save(shared, {TSaveScope::swWorkgroup, true});
    ::umask(previous);
    ASSERT_TRUE(saved);
    EXPECT_TRUE(AsAnotherUser([&] { return ::open(shared.c_str(), O_RDONLY) >= 0; }));
}

TEST_F(BankFileTest, ABankKeptElsewhereThroughALinkStaysLinked) {
    std::filesystem::create_directory(dir.Path() / "synced");
    WriteAll(File("synced/x.bnk"), "A");
    std::filesystem::create_symlink("synced/x.bnk", File("x.bnk"));
    Add(Named("n"));
    ASSERT_TRUE(Save(File("x.bnk")));
    EXPECT_TRUE(std::filesystem::is_symlink(File("x.bnk")));
    EXPECT_TRUE(Contains(ReadAll(File("synced/x.bnk")), "#00001#Na=n"));
    EXPECT_EQ(ReadAll(File("x.bak")), "A");
}

TEST_F(BankFileTest, TheBackupIsMadeWithoutMovingTheBankAway) {
    WriteAll(File("x.bnk"), "A");
    WriteAll(File("x.bak"), "B");
    // A save interrupted before: its temporary file holds a whole bank with its passwords.
    WriteAll(File(".x.bnk.saving"), "half");
    Add(Named("n"));
    bool bankThere = false;
    BankSaveHook() = [&](const std::string&) { bankThere = ReadAll(File("x.bnk")) == "A"; };
    ASSERT_TRUE(Save(File("x.bnk")));
    BankSaveHook() = nullptr;
    EXPECT_TRUE(bankThere);
    EXPECT_EQ(ReadAll(File("x.bak")), "A");
    EXPECT_FALSE(FileExists(File(".x.bnk.saving")));
    EXPECT_FALSE(FileExists(File(".x.bak.saving")));
    // The last step that can fail is the one rename over the bank: both files stay.
    SafeWriteFaultSeam() = [](TSafeWriteStep step) {
        return step == TSafeWriteStep::Replace ? ENOSPC : 0;
    };
    Add(Named("m"));
    EXPECT_FALSE(Save(File("x.bnk")));
    SafeWriteFaultSeam() = nullptr;
    EXPECT_EQ(ReadAll(File("x.bak")), "A");
    EXPECT_TRUE(Contains(ReadAll(File("x.bnk")), "#00001#Na=n"));
    EXPECT_FALSE(Contains(ReadAll(File("x.bnk")), "Na=m"));
    // A folder that cannot be synced after the rename: the bank is there but not yet safe, so
    // the save failed, says so, and the bank stays modified.
    SafeWriteFaultSeam() = [](TSafeWriteStep step) {
        return step == TSafeWriteStep::SyncFolder ? EIO : 0;
    };
    Bank().BankModified = true;
    EXPECT_FALSE(Save(File("x.bnk")));
    SafeWriteFaultSeam() = nullptr;
    EXPECT_TRUE(Bank().BankModified);
    EXPECT_TRUE(Contains(messages.LastText(), "not yet safe on the disk")) << messages.LastText();
}

// ---------------------------------------------------------------------------------------------
// The reader and writer on their own: a bank of the test's, answers from a script

namespace {

class ScriptedBankUser : public TBankFileUser {
public:
    bool AskPassword(std::string& typed) override {
        if (passwords.empty()) return false;
        typed = passwords.front();
        passwords.erase(passwords.begin());
        return true;
    }
    bool AskYesNo(const std::string& question) override {
        told.push_back(question);
        return yes;
    }
    void ShowError(const std::string& text) override { told.push_back(text); }
    void ShowInformation(const std::string& text) override { told.push_back(text); }
    bool IsAdministrator() override { return administrator; }
    void ShowProgress(const std::string&) override {}
    void KeepResponsive() override { ++responsive; }

    Strings passwords;
    bool yes = true;
    bool administrator = false;
    Strings told;
    int responsive = 0;
};

}  // namespace

TEST_F(BankFileTest, TheReaderAsksAndTellsOnlyItsUser) {
    WriteAll(
        File("in.bnk"),
        CRLF({"#----F#2.0", "#----P#" + EncodePasswordValue(" pw  "), WorkgroupMarkerLine,
              "#00001#Na=" + EncodeProtectedValue("a"), "#00001#Ux=" + EncodeProtectedValue("t"),
              "#00002#Ux=" + EncodeProtectedValue("u"), "#00003#Na=" + EncodeProtectedValue("c"),
              "#00003#Ux=" + EncodeProtectedValue("v")}));
    TBankState bank;
    ScriptedBankUser user;
    int count = -1;
    user.passwords = {"wrong", "PW"};
    EXPECT_FALSE(ReadBankFile(bank, File("in.bnk"), {}, user, count));
    EXPECT_EQ(user.told,
              (Strings{"Password failed!\rPlease try again",
                       "Only a Lorvane Administrator can\ropen or import a Workgroup Bank"}));
    user.told.clear();
    user.administrator = true;
    user.passwords = {"pw"};
    user.yes = false;
    EXPECT_FALSE(ReadBankFile(bank, File("in.bnk"), {}, user, count));
    EXPECT_EQ(user.told, Strings{"Missing Name at Entry 2\rURL = u" + Ending});
    EXPECT_EQ(bank.EntryHigh, -1);
    user.passwords = {"pw"};
    user.yes = true;
    user.responsive = 0;
    ASSERT_TRUE(ReadBankFile(bank, File("in.bnk"), {}, user, count));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(bank.Entry(2).Name, Mark + "c");
    EXPECT_EQ(bank.FilePassword, "pw");  // as it is asked for
    EXPECT_EQ(user.responsive, 3);
    // The program's bank, its messages and its windows were never reached.
    EXPECT_EQ(Bank().EntryHigh, -1);
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_EQ(passwordPrompts, 0);
    EXPECT_EQ(rebuilds, 0);
}

TEST_F(BankFileTest, TheWriterAsksAndTellsOnlyItsUser) {
    TBankState bank;
    bank.AppendEntry(Example());
    bank.BankModified = true;
    bank.SaveScope.What = TSaveScope::swAll;
    TBankSaveSettings settings;
    settings.Protected = settings.AskPasswordEachSave = settings.ConfirmSaves = true;
    settings.Password = "old";
    ScriptedBankUser user;
    EXPECT_FALSE(WriteBankFile(bank, File("own.bnk"), settings, user));
    EXPECT_EQ(user.told, Strings{"File not Saved!"});
    EXPECT_FALSE(FileExists(File("own.bnk")));
    user.told.clear();
    user.passwords = {" new", "new "};
    ASSERT_TRUE(WriteBankFile(bank, File("own.bnk"), settings, user));
    EXPECT_EQ(settings.Password, "new");
    EXPECT_FALSE(bank.BankModified);
    EXPECT_EQ(user.told, Strings{File("own.bnk") + "\rhas been saved as a\rLocal Bank"});
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_EQ(passwordPrompts, 0);
    // The program's save of the same bank writes the same bytes.
    Bank() = bank;
    Settings().PWordFile = true;
    Settings().BankPassword = "new";
    ASSERT_TRUE(Save(File("program.bnk"), bank.SaveScope));
    EXPECT_EQ(ReadAll(File("own.bnk")), ReadAll(File("program.bnk")));
}
