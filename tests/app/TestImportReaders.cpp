// The .dat reader, dates, the bank import and the Import commands.
#include "ImportReaders.h"

#include <random>

#include "BankFile.h"
#include "TestExportSupport.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"

using Strings = std::vector<std::string>;

namespace {

const std::string M(1, '\xBB');
const std::string Complete1 = "Import complete (1 entries)";
const std::string DuplicatesText =
    "Duplicate names in import data have been modified.\rLook for names beginning with \"_\".";

class ImportReaders : public ExportFixture {
protected:
    std::string DatFile(const Strings& records) {
        std::string path = dir.File("in.dat");
        Strings lines = {DatHeaderLine()};
        lines.insert(lines.end(), records.begin(), records.end());
        WriteAll(path, CRLF(lines));
        return path;
    }
    // Exports the bank's entries to a .dat file and empties the bank.
    std::string ExportedDat() {
        saveAs = dir.File("export.dat");
        EXPECT_TRUE(BeginDatExport(run));
        for (int i = 0; i <= Bank().EntryHigh; ++i) WriteDatRecord(run, i);
        FinishExport(run);
        ResetBank();
        Bank().NewBank = true;
        messages.Shown.clear();
        return saveAs;
    }
};

TEST(ImportDates, ParseDateText) {
    EXPECT_EQ(ParseDateText("Jan 05, 01"), 36896.0);
    EXPECT_EQ(ParseDateText("Apr 19, 01"), 37000.0);
    EXPECT_EQ(ParseDateText("aPR 19, 01"), 37000.0);
    EXPECT_EQ(ParseDateText("Jan 01, 00"), NoDate);
    // Every two-digit year is of this century, as the writer wrote it.
    EXPECT_EQ(ParseDateText("Dec 31, 99"), EncodeDate(2099, 12, 31));
    EXPECT_EQ(ParseDateText("Dec 31, 49"), EncodeDate(2049, 12, 31));
    EXPECT_EQ(ParseDateText("Jun 01, 60"), EncodeDate(2060, 6, 1));
    for (const char* bad : {"Xyz 05, 01", "Feb 30, 01", "Jan xx, 01", "Jan 05, ", "", "Ja",
                            "Jan 05, -1", "May  0, 01"})
        EXPECT_THROW(ParseDateText(bad), EConvertError) << bad;
}

TEST(ImportDatLines, SplittingAndRepair) {
    TDatValues v =
        SplitDatLine("\"N\",,\"Jan 05, 01\",\"3\",\"Jan 01, 00\",\"D\",,,,\"http://x\",,,,,\"\"");
    EXPECT_EQ(v.Values[0], "N");
    EXPECT_EQ(v.Values[1], "");
    EXPECT_EQ(v.Values[2], "Jan 05, 01");
    EXPECT_EQ(v.Values[3], "3");
    EXPECT_EQ(v.Values[9], "http://x");
    for (int i : {6, 7, 8, 10, 11, 12, 13, 14}) EXPECT_EQ(v.Values[i], "") << i;
    // The writer's own lines keep adjacent commas inside their values.
    std::string own =
        "\"N\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"u\",\"\",\"\",\"\",\"a,,b\",\"c,,\"";
    v = SplitDatLine(own);
    EXPECT_EQ(v.Values[13], "a,,b");
    EXPECT_EQ(v.Values[14], "c,,");
    // A quote inside a value stays; a short line leaves the rest empty.
    v = SplitDatLine("\"say \"hi\"\",\"5");
    EXPECT_EQ(v.Values[0], "say \"hi\"");
    EXPECT_EQ(v.Values[1], "");
    v = SplitDatLine("");
    EXPECT_EQ(v.Values[0], "");
}

TEST(ImportDatLines, QuotedFieldsAndLinesWrittenBefore) {
    auto line = [](const std::string& first, const std::string& rest = "") {
        std::string l = first;
        for (int i = 1; i < 15; ++i) l += i == 9 ? ",\"u" + rest + "\"" : ",\"\"";
        return l;
    };
    // The writer's form: a doubled quote is one quote, '","' inside a value is text.
    TDatValues v = SplitDatLine(line("\"a\"\"b\"\",\"\"c\"\"\"", "\"\",\"\""));
    EXPECT_EQ(v.Values[0], "a\"b\",\"c\"");
    EXPECT_EQ(v.Values[9], "u\",\"");
    EXPECT_EQ(v.Values[14], "");
    // Written before quotes were doubled: a lone quote stays as it stands.
    v = SplitDatLine(line("\"say \"hi\", ok\""));
    EXPECT_EQ(v.Values[0], "say \"hi\", ok");
    EXPECT_EQ(v.Values[9], "u");
    v = SplitDatLine(line("\"\"quoted\" start\""));
    EXPECT_EQ(v.Values[0], "\"quoted\" start");
    // Sixteen values, or text after the last quote, are no writer's line.
    v = SplitDatLine(line("\"x\"") + ",\"\"");
    EXPECT_EQ(v.Values[14], "\",\"");
}

TEST_F(ImportReaders, DatRoundTripKeepsQuotesAndCommas) {
    const Strings awkward = {"\",\"",       "\"\"",  "\"",       "a\",b", ",\"x", "x\",",
                             "\"\",\"\"\"", "\"a\"", "a,\"\",b", "\",",   ",\""};
    std::vector<TEntry> entries;
    for (size_t i = 0; i < awkward.size(); ++i) {
        const std::string& a = awkward[i];
        TEntry e = Named("n" + std::to_string(i) + a);
        e.Description = a;
        e.Category1 = "c" + a;
        e.Category2 = a + "c";
        e.URL = "http://x/" + a;
        e.EMail = a;
        e.UserID = a;
        e.Password = a;
        e.Notes = a + "\r\n" + a;
        e.ConfNotes = a;
        entries.push_back(e);
        Add(e);
    }
    // Random values made of quotes, commas and letters.
    std::mt19937 rng(23);
    auto value = [&](size_t length) {
        static const char pool[] = "\",ab";
        std::string v;
        for (size_t k = std::uniform_int_distribution<size_t>(0, length)(rng); k > 0; --k)
            v += pool[std::uniform_int_distribution<size_t>(0, 3)(rng)];
        return v;
    };
    for (int i = 0; i < 300; ++i) {
        TEntry e = Named("r" + std::to_string(i) + value(12));
        e.Description = value(20);
        e.Category1 = "c" + value(8);
        e.URL = "u" + value(20);
        e.EMail = value(10);
        e.Notes = value(30);
        e.Rating = value(3);
        entries.push_back(e);
        Add(e);
    }
    std::string path = ExportedDat();
    ASSERT_EQ(ImportDatFile(Bank(), path), int(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        TEntry expected = entries[i];
        expected.ChangeDate = NoDate;
        expected.LastAccess = NoDate;
        EXPECT_EQ(Bank().Entry(int(i)), expected) << i << ": " << entries[i].Name;
    }
}

TEST_F(ImportReaders, DatRoundTripKeepsBlanksAroundNamesAndCategories) {
    const Strings names = {" ", " lead", "trail ", "\tboth "};
    for (const std::string& name : names) Add(Named(name, " c1 ", " c2", "c3 "));
    ASSERT_EQ(ImportDatFile(Bank(), ExportedDat()), int(names.size()));
    EXPECT_EQ(Names(), names);
    EXPECT_EQ(Bank().Entry(3).Category1, " c1 ");
    EXPECT_EQ(Bank().Entry(3).Category2, " c2");
    EXPECT_EQ(Bank().Entry(3).Category3, "c3 ");
}

TEST_F(ImportReaders, DatFilesWrittenBeforeQuotesWereDoubledReadAsBefore) {
    // Rating to Category3 empty, a URL ending in a quote, EMail to ConfNotes empty.
    std::string rest;
    for (int i = 1; i < 15; ++i) rest += i == 9 ? ",\"http://u/?a=\"b\"\"" : ",\"\"";
    std::string path = DatFile({"\"say \"hi\", ok\"" + rest, "\"\"lone\" start\"" + rest});
    EXPECT_EQ(ImportDatFile(Bank(), path), 2);
    EXPECT_EQ(Names(), (Strings{"say \"hi\", ok", "\"lone\" start"}));
    EXPECT_EQ(Bank().Entry(0).URL, "http://u/?a=\"b\"");
}

TEST_F(ImportReaders, DatNotesHoldingTheMarkerReadBackAsLineBreaks) {
    TEntry e = Named("n");
    e.Notes = "a~~b";
    Add(e);
    std::string path = ExportedDat();
    EXPECT_EQ(ImportDatFile(Bank(), path), 1);
    EXPECT_EQ(Bank().Entry(0).Notes, "a\r\nb");
}

TEST_F(ImportReaders, WrongHeaderImportsNothing) {
    Add(Named("kept"));
    std::string path = dir.File("bad.dat");
    WriteAll(path, "\"Name\",\"Rating\"\r\n\"N\",\"5\"\r\n");
    EXPECT_EQ(ImportDatFile(Bank(), path), -1);
    EXPECT_EQ(messages.Texts(), Strings{path + "\ris an invalid file format."});
    EXPECT_EQ(Bank().EntryHigh, 0);
    WriteAll(path, "");
    EXPECT_EQ(ImportDatFile(Bank(), path), -1);
    EXPECT_THROW(ImportDatFile(Bank(), dir.File("none.dat")), EFOpenError);
}

TEST_F(ImportReaders, DatRoundTripKeepsEveryFieldToTheDay) {
    TEntry n;
    n.Name = "N";
    n.Rating = "5";
    n.ChangeDate = 37000.5;
    n.AccessCount = 3;
    n.LastAccess = NoDate;
    n.Description = "D";
    n.Category1 = "A";
    n.Category2 = "B";
    n.URL = "http://x/";
    n.EMail = "e@x";
    n.UserID = "u";
    n.Password = "p";
    n.Notes = "a\r\nb";
    n.ConfNotes = "c";
    Add(n);
    TEntry old = Named("Old");
    old.ChangeDate = EncodeDate(1998, 12, 31);
    old.LastAccess = 0;
    Add(old);
    std::string path = ExportedDat();
    EXPECT_EQ(ImportDatFile(Bank(), path), 2);
    n.ChangeDate = 37000.0;
    EXPECT_EQ(Bank().Entry(0), n);
    // Dates before the no-date value leave as no date, so nothing comes back a century late.
    EXPECT_EQ(Bank().Entry(1).ChangeDate, NoDate);
    EXPECT_EQ(Bank().Entry(1).LastAccess, NoDate);
    EXPECT_EQ(messages.Texts(), Strings{"Import complete (2 entries)"});
    EXPECT_TRUE(Bank().BankModified);
    EXPECT_EQ(rebuilds, 1);
    EXPECT_EQ(saveEnabled, std::vector<bool>{true});
}

TEST_F(ImportReaders, DatLineBreaksInValuesCannotSplitARecord) {
    TEntry e = Named("two\nlines");
    e.Description = "first\r\nsecond";
    e.Category1 = "Cat\r";
    e.Notes = "n1\nn2";
    Add(e);
    Add(Named("After"));
    std::string path = ExportedDat();
    EXPECT_EQ(ImportDatFile(Bank(), path), 2);
    EXPECT_EQ(Names(), (Strings{"two lines", "After"}));
    EXPECT_EQ(Bank().Entry(0).Description, "first  second");
    EXPECT_EQ(Bank().Entry(0).Category1, "Cat ");
    EXPECT_EQ(Bank().Entry(0).Notes, "n1\r\nn2");
    EXPECT_EQ(messages.Texts(), Strings{"Import complete (2 entries)"});
}

TEST_F(ImportReaders, DatAdjacentCommasAndLimits) {
    std::string path =
        DatFile({"\"N\",,\"Jan 05, 01\",\"3\",\"Jan 01, 00\",\"D\",,,,\"http://x\",,,,,\"\"",
                 "\"Cut\",\"12345\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"u\",\"\","
                 "\"" +
                     std::string(30, 'i') + "\",\"" + std::string(20, 'p') + "\",\"x~~y\",\"\""});
    EXPECT_EQ(ImportDatFile(Bank(), path), 2);
    const TEntry& e = Bank().Entry(0);
    EXPECT_EQ(e.Rating, "");
    EXPECT_EQ(e.ChangeDate, 36896.0);
    EXPECT_EQ(e.AccessCount, 3);
    EXPECT_EQ(e.URL, "http://x");
    EXPECT_TRUE(e.Category1.empty() && e.EMail.empty() && e.UserID.empty() && e.Notes.empty());
    const TEntry& cut = Bank().Entry(1);
    EXPECT_EQ(cut.Rating, "123");
    EXPECT_EQ(cut.UserID.size(), 25u);
    EXPECT_EQ(cut.Password.size(), 15u);
    EXPECT_EQ(cut.Notes, "x\r\ny");
    // Missing dates and counts: no date, zero.
    EXPECT_EQ(cut.ChangeDate, NoDate);
    EXPECT_EQ(cut.AccessCount, 0);
}

TEST_F(ImportReaders, DatSkipsEmptyLinesNamesAndUrls) {
    std::string path = DatFile({"", "\"\",\"\",\"x\",\"x\",\"\",\"\",\"\",\"\",\"\",\"u\"",
                                "\"NoUrl\",\"\",\"bad\",\"bad\"", "\"   \",\"5\"",
                                "\"" + M + " Marked\",\"\",\"\",\"\",\"\",\"\",\"" + M +
                                    "Cat\",\"\",\"\",\"u\",\"\",\"\",\"\",\"\",\"\"",
                                ""});
    EXPECT_EQ(ImportDatFile(Bank(), path), 1);
    // Imported entries are local: the marker goes from names and categories.
    EXPECT_EQ(Bank().Entry(0).Name, " Marked");
    EXPECT_EQ(Bank().Entry(0).Category1, "Cat");
    EXPECT_EQ(messages.Texts(), Strings{Complete1});
}

TEST_F(ImportReaders, DatDuplicatesGetUnderscores) {
    Add(Named("N"));
    std::string path = ExportedDat();
    Add(Named("N"));
    for (int i = 0; i < 2; ++i) {
        messages.Shown.clear();
        EXPECT_EQ(ImportDatFile(Bank(), path), 1);
        EXPECT_EQ(messages.Texts(), (Strings{DuplicatesText, Complete1}));
    }
    EXPECT_EQ(Names(), (Strings{"N", "_N", "__N"}));
    // A later import without duplicates says nothing about them.
    ResetBank();
    messages.Shown.clear();
    EXPECT_EQ(ImportDatFile(Bank(), path), 1);
    EXPECT_EQ(messages.Texts(), Strings{Complete1});
}

// Copies get the first free number of "_" in front, counting the names that already have some,
// and a name at the length a Favorites name is cut to grows beyond it.
TEST_F(ImportReaders, DatCopiesOfANameAreNamedAsTheyAlwaysWere) {
    const std::string Long(255, 'L');
    Add(Named("Same"));
    Add(Named("__Same"));
    Strings records;
    for (const std::string& name :
         Strings{"Same", "Same", "Same", "_Same", "_Same", Long, Long, "_" + Long})
        records.push_back(DatRecordLine(Named(name)));
    EXPECT_EQ(ImportDatFile(Bank(), DatFile(records)), 8);
    EXPECT_EQ(Names(), (Strings{"Same", "__Same", "_Same", "___Same", "____Same", "_____Same",
                                "______Same", Long, "_" + Long, "__" + Long}));
    EXPECT_EQ(messages.Texts(), (Strings{DuplicatesText, "Import complete (8 entries)"}));
}

TEST_F(ImportReaders, DatConversionErrorKeepsWhatWasRead) {
    Add(Named("Before"));
    std::string path =
        DatFile({"\"A\",\"\",\"\",\"1\",\"\",\"\",\"\",\"\",\"\",\"u\",\"\",\"\",\"\",\"\",\"\"",
                 "\"B\",\"\",\"\",\"x\",\"\",\"\",\"\",\"\",\"\",\"u\",\"\",\"\",\"\",\"\",\"\"",
                 "\"C\",\"\",\"\",\"1\",\"\",\"\",\"\",\"\",\"\",\"u\",\"\",\"\",\"\",\"\",\"\""});
    EXPECT_EQ(ImportDatFile(Bank(), path), -1);
    EXPECT_EQ(Names(), (Strings{"Before", "A"}));
    EXPECT_TRUE(Bank().BankModified);
    EXPECT_EQ(rebuilds, 1);
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.LastText(), "'x' is not a valid integer value\rin line 3 of\r" + path);
    EXPECT_EQ(messages.Shown[0].Type, TMsgDlgType::mtError);

    // Failing at the first record changes nothing.
    ResetBank();
    Bank().NewBank = true;
    rebuilds = 0;
    WriteAll(path, CRLF({DatHeaderLine(),
                         "\"Z\",\"\",\"Feb 30, 01\",\"1\",\"\",\"\",\"\",\"\",\"\",\"u\",\"\""}));
    EXPECT_EQ(ImportDatFile(Bank(), path), -1);
    EXPECT_EQ(Bank().EntryHigh, -1);
    EXPECT_FALSE(Bank().BankModified);
    EXPECT_EQ(rebuilds, 0);
    EXPECT_EQ(messages.LastText(), "Invalid argument to date encode\rin line 2 of\r" + path);
}

// ---- Bank files ----

class ImportBank : public ImportReaders {
protected:
    std::string WriteBank(const std::vector<TEntry>& entries, bool version2 = true) {
        std::string out = version2 ? "#----F#2.0\r\n" : "";
        for (size_t i = 0; i < entries.size(); ++i)
            out += ExportBankRecord(entries[i], int(i + 1), version2);
        std::string path = dir.File("other.bnk");
        WriteAll(path, out);
        return path;
    }
};

TEST_F(ImportBank, AppendsLocalEntriesWithUniqueNames) {
    Add(Named("A"));
    Add(Named("_A"));
    Bank().FilePassword = "mine";
    std::string path = WriteBank({Named("A", "x"), Named(M + "A", M + "Cat"), Named(" Pad ")});
    EXPECT_EQ(ImportBankFile(path), 3);
    EXPECT_EQ(Names(), (Strings{"A", "_A", "__A", "___A", "Pad"}));
    EXPECT_EQ(Bank().Entry(3).Category1, "Cat");
    EXPECT_EQ(Bank().FilePassword, "mine");
    EXPECT_EQ(messages.Texts(), (Strings{DuplicatesText, "Import complete (3 entries)"}));
    EXPECT_TRUE(Bank().BankModified);
}

TEST_F(ImportBank, AbandonedLoadsLeaveTheBankAlone) {
    Add(Named("Mine"));
    // An incomplete first record, answered No.
    std::string path = dir.File("incomplete.bnk");
    WriteAll(path, CRLF({"#00001#Na=NoUrl", "#00002#Na=A", "#00002#Ux=u"}));
    messages.Answer(mrNo);
    EXPECT_EQ(ImportBankFile(path), -1);
    EXPECT_EQ(Names(), Strings{"Mine"});
    EXPECT_FALSE(Bank().BankModified);
    EXPECT_TRUE(std::none_of(messages.Shown.begin(), messages.Shown.end(), [](const auto& m) {
        return m.Text.rfind("Import complete", 0) == 0;
    }));
}

TEST_F(ImportBank, CancelledPasswordChangesNothing) {
    Add(Named("Mine"));
    Bank().FilePassword = "mine";
    std::string path = dir.File("locked.bnk");
    WriteAll(path, CRLF({"#----F#2.0", "#----P#" + EncodePasswordValue("theirs"),
                         "#00001#Na=" + EncodeProtectedValue("A"),
                         "#00001#Ux=" + EncodeProtectedValue("u")}));
    Seams().AskPassword = [](std::string&) { return false; };
    EXPECT_EQ(ImportBankFile(path), -1);
    EXPECT_EQ(Names(), Strings{"Mine"});
    EXPECT_EQ(Bank().FilePassword, "mine");
    EXPECT_FALSE(Bank().BankModified);
    EXPECT_TRUE(messages.Shown.empty());
    // The right password imports, and the open bank's password stays.
    Seams().AskPassword = [](std::string& typed) {
        typed = "THEIRS";
        return true;
    };
    EXPECT_EQ(ImportBankFile(path), 1);
    EXPECT_EQ(Bank().FilePassword, "mine");
}

TEST_F(ImportBank, CommandIgnoresMissingFilesAndNeedsABank) {
    saveAs = dir.File("missing.bnk");
    messages.Answer(mrNo);
    ImportLorvaneBank();  // no bank: the question, answered No
    EXPECT_EQ(
        messages.Texts(),
        Strings{"A Bank must be open for this operation!\rDo you want to create a new Bank?"});
    EXPECT_TRUE(requests.empty());
    messages.Shown.clear();
    Bank().NewBank = true;
    ImportLorvaneBank();
    EXPECT_TRUE(messages.Shown.empty());
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].FileName, "Lorvane.bnk");
    EXPECT_EQ(requests[0].Filter, "Lorvane (*.bnk)|*.bnk|All Files (*.*)|*.*");
    EXPECT_EQ(requests[0].InitialDir, UserDataFolder());  // the data folder
}

TEST_F(ImportBank, CommandsRunTheirReaders) {
    Bank().NewBank = true;
    Add(Named("One", "C"));
    std::string dat = ExportedDat();
    Bank().NewBank = true;
    saveAs = dat;
    ImportLorvaneExportFile();
    EXPECT_EQ(Names(), Strings{"One"});
    EXPECT_EQ(requests.back().FileName, "Lorvane.dat");
    saveAs = WriteBank({Named("Two")});
    ImportLorvaneBank();
    EXPECT_EQ(Names(), (Strings{"One", "Two"}));
    saveAs = dir.File("b.htm");
    WriteAll(saveAs, "<DL><p><DT><A HREF=\"http://3\">Three</A></DL><p>");
    ImportNetscapeBookmarks();
    EXPECT_EQ(Names(), (Strings{"One", "Two", "Three"}));
    EXPECT_EQ(requests.back().FileName, "Bookmark.HTM");
    saveAs.clear();
    ImportLorvaneExportFile();
    EXPECT_EQ(Bank().EntryHigh, 2);
}

// Records whether the busy cursor was on at each message.
class BusyAtMessages : public ScriptedMessages {
public:
    int Show(const MessageRequest& request) override {
        busyAtMessage.push_back(depth > 0);
        return ScriptedMessages::Show(request);
    }
    int depth = 0;
    std::vector<bool> busyAtMessage;
};

TEST_F(ImportBank, CommandsShowTheirMessagesWithTheNormalCursor) {
    BusyAtMessages shown;
    Seams().SetBusy = [&](bool busy) { shown.depth += busy ? 1 : -1; };
    Bank().NewBank = true;
    Add(Named("One"));
    saveAs = DatFile({DatRecordLine(Named("One"))});
    ImportLorvaneExportFile();  // the duplicate notice and the count
    saveAs = dir.File("bad.dat");
    WriteAll(saveAs, "not a header\r\n");
    ImportLorvaneExportFile();  // the error
    saveAs = dir.File("b.htm");
    WriteAll(saveAs, "<DL><p><DT><A HREF=\"http://3\">Three</A></DL><p>");
    ImportNetscapeBookmarks();
    ExportSeams().ChooseFolder = [&](const std::string&, const std::string&, std::string& chosen) {
        chosen = dir.File("");
        return true;
    };
    ImportInternetExplorerFavorites();
    EXPECT_EQ(shown.busyAtMessage, std::vector<bool>(5, false));
    EXPECT_EQ(shown.depth, 0);
    EXPECT_EQ(shown.Texts().front(), DuplicatesText);
}

}  // namespace
