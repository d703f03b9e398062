// The export writers: exact bytes of every format, the recipe steps and their failures.
#include "ExportWriters.h"

#include <cmath>
#include <filesystem>

#include "BankFile.h"
#include "TestExportSupport.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"

using Strings = std::vector<std::string>;

namespace {

const std::string M(1, '\xBB');

class ExportWriters : public OwnBankExportFixture {};

TEST_F(ExportWriters, DatFileHasHeaderAndAllQuotedRecord) {
    Add(Example());
    saveAs = dir.File("out.dat");
    ASSERT_TRUE(BeginDatExport(run));
    WriteDatRecord(run, 0);
    FinishExport(run);
    EXPECT_EQ(ReadAll(saveAs),
              "\"Name\",\"Rating\",\"ChangeDate\",\"AccessCnt\",\"LastAccess\",\"Description\","
              "\"Category1\",\"Category2\",\"Category3\",\"URL\",\"EMail\",\"UserID\",\"PassWd\","
              "\"Notes\",\"ConfNotes\"\r\n"
              "\"Ex\",\"5\",\"Apr 19, 01\",\"3\",\"Jan 01, 00\",\"D\",\"Work\",\"\",\"\","
              "\"http://a.b/\",\"e@x\",\"me\",\"abc\",\"a~~b\",\"line1~~line2\"\r\n");
    EXPECT_EQ(messages.Texts(), Strings{"Export Complete (1 Entries)"});
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].FileName, "Lorvane.dat");
    EXPECT_EQ(requests[0].DefaultExt, "dat");
    // No bank file opened or saved yet: the data folder, never the program's.
    EXPECT_EQ(requests[0].InitialDir, UserDataFolder());
    bank.BankFolder = dir.File("banks/");
    ASSERT_TRUE(BeginDatExport(run));
    FinishExport(run);
    EXPECT_EQ(requests[1].InitialDir, bank.BankFolder);
}

TEST_F(ExportWriters, DatValuesAreQuotedWithInnerQuotesDoubled) {
    TEntry e = Named("say \"hi\", ok");
    e.Notes = "one\rtwo\nthree";
    e.Description = "\",\"";
    std::string line = DatRecordLine(e);
    EXPECT_EQ(line.substr(0, 17), "\"say \"\"hi\"\", ok\",");
    EXPECT_NE(line.find(",\"\"\",\"\"\","), std::string::npos);
    EXPECT_NE(line.find("\"one~~two~~three\""), std::string::npos);
}

TEST_F(ExportWriters, DatDatesUseEnglishNamesAndNeverLeaveTheCentury) {
    EXPECT_EQ(DatDateText(37000.5), "Apr 19, 01");
    EXPECT_EQ(DatDateText(EncodeDate(2049, 12, 31)), "Dec 31, 49");
    // Not after the no-date value, or no date at all: the no-date value.
    EXPECT_EQ(DatDateText(NoDate), "Jan 01, 00");
    EXPECT_EQ(DatDateText(0), "Jan 01, 00");
    EXPECT_EQ(DatDateText(EncodeDate(1998, 12, 31)), "Jan 01, 00");
    EXPECT_EQ(DatDateText(std::nan("")), "Jan 01, 00");
    EXPECT_EQ(DatDateText(1e300), "Jan 01, 00");
    EXPECT_EQ(NotesToLine("a\r\nb\rc\nd\r\n\r\n"), "a~~b~~c~~d~~~~");
}

TEST_F(ExportWriters, CancelledDialogsWriteNothing) {
    Add(Example());
    EXPECT_FALSE(BeginDatExport(run));
    EXPECT_FALSE(BeginBankExport(run, true));
    EXPECT_FALSE(BeginBookmarkExport(run));
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(ExportWriters, FilesWithPasswordsAreCreatedPrivate) {
    Add(Example());
    saveAs = dir.File("out.dat");
    ASSERT_TRUE(BeginDatExport(run));
    FinishExport(run);
    EXPECT_EQ(std::filesystem::status(saveAs).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    saveAs = dir.File("out.htm");
    ASSERT_TRUE(BeginBookmarkExport(run));
    WriteBookmarkEntries(run);
    EXPECT_NE(std::filesystem::status(saveAs).permissions() & std::filesystem::perms::others_read,
              std::filesystem::perms::none);
}

TEST_F(ExportWriters, FileErrorsRaise) {
    Add(Example());
    saveAs = dir.File("missing/out.dat");
    EXPECT_THROW(BeginDatExport(run), EFCreateError);
    EXPECT_THROW(WriteDatRecord(run, 0), EInOutError);  // no Begin step opened a file
    if (std::filesystem::exists("/dev/full")) {
        saveAs = "/dev/full";
        ASSERT_TRUE(BeginDatExport(run));
        WriteDatRecord(run, 0);
        EXPECT_THROW(FinishExport(run), EInOutError);
    }
}

TEST_F(ExportWriters, BankVersion1HasOnlyTheOldTags) {
    Add(Example());
    Add(Named("Only"));
    bank.Entry(1).URL = "u";
    saveAs = dir.File("Export.Bnk");
    ASSERT_TRUE(BeginBankExport(run, false));
    WriteExportBankRecord(run, 0, false);
    WriteExportBankRecord(run, 1, false);
    FinishExport(run);
    EXPECT_EQ(ReadAll(saveAs),
              CRLF({"#00001#Na=Ex", "#00001#Ux=http://a.b/", "#00001#Fx=" + M, "#00001#No=a~~b",
                    "#00001#C1=Work", "#00002#Na=Only", "#00002#Ux=u"}));
    EXPECT_EQ(requests.at(0).FileName, "Export.Bnk");
}

TEST_F(ExportWriters, BankVersion2WritesEveryFieldInExportOrder) {
    for (int i = 0; i < 8; ++i) Add(Named("e" + std::to_string(i)));
    bank.Entry(2) = Example();
    bank.Entry(7) = Named("Last");
    bank.Entry(7).AccessCount = 0;
    bank.Entry(7).ChangeDate = 0;
    saveAs = dir.File("v2.bnk");
    ASSERT_TRUE(BeginBankExport(run, true));
    WriteExportBankRecord(run, 2, true);
    WriteExportBankRecord(run, 7, true);
    FinishExport(run);
    EXPECT_EQ(ReadAll(saveAs),
              CRLF({"#----F#2.0", "#00001#Na=Ex", "#00001#Ux=http://a.b/", "#00001#Fx=" + M,
                    "#00001#No=a~~b", "#00001#C1=Work", "#00001#De=D", "#00001#Ra=5",
                    "#00001#Id=me", "#00001#Pw=05162F", "#00001#Em=e@x",
                    "#00001#Cn=081D22451D6678031E1D1653", "#00001#Da=37000.5", "#00001#La=36526",
                    "#00001#Ac=3", "#00002#Na=Last", "#00002#Ux=http://Last", "#00002#La=36526"}));
    EXPECT_EQ(messages.LastText(), "Export Complete (2 Entries)");
}

TEST_F(ExportWriters, BankExportKeepsWorkgroupMarkers) {
    TEntry e = Named(M + "W", M + "Cat");
    EXPECT_EQ(
        ExportBankRecord(e, 1, false),
        CRLF({"#00001#Na=" + M + "W", "#00001#Ux=http://" + M + "W", "#00001#C1=" + M + "Cat"}));
}

TEST_F(ExportWriters, BankExportMovesTheOldFileToTheBackup) {
    Add(Example());
    saveAs = dir.File("Export.Bnk");
    WriteAll(saveAs, "old export\r\n");
    WriteAll(dir.File("Export.bak"), "older backup\r\n");
    ASSERT_TRUE(BeginBankExport(run, false));
    WriteExportBankRecord(run, 0, false);
    FinishExport(run);
    EXPECT_EQ(ReadAll(dir.File("Export.bak")), "old export\r\n");
    EXPECT_EQ(ReadAll(saveAs).substr(0, 14), "#00001#Na=Ex\r\n");
}

TEST_F(ExportWriters, BankVersion2ReadsBackFieldByField) {
    TEntry a = Example();
    TEntry b = Named("Second", "A", "B", "C");
    b.Password = "p";
    b.ChangeDate = 37000.3333333333;
    Add(a);
    Add(b);
    saveAs = dir.File("round.bnk");
    ASSERT_TRUE(BeginBankExport(run, true));
    WriteExportBankRecord(run, 0, true);
    WriteExportBankRecord(run, 1, true);
    FinishExport(run);
    int count = 0;  // read back into the program's bank
    ASSERT_TRUE(LoadBankFile(saveAs, false, false, false, count));
    ASSERT_EQ(count, 2);
    EXPECT_EQ(Bank().Entry(0), a);
    EXPECT_EQ(Bank().Entry(1), b);
}

TEST_F(ExportWriters, ClipboardBlockOfTheExample) {
    Add(Example());
    BeginClipboardExport(run);
    EntryAsText(run, 0);
    FinishClipboardExport(run);
    EXPECT_EQ(clipboard, CRLF({"Ex", "Rating: 5", "Change Date: Apr 19, 01", "Access Count: 3",
                               "Last Access: Jan 01, 00", "Description:D", "Category 1: Work",
                               "URL: http://a.b/", "EMail: e@x", "User ID: me", "Password: abc",
                               "Notes: a\r\nb", "Conf. Notes: line1\r\nline2", ""}));
    EXPECT_EQ(messages.Texts(), Strings{"Export Complete (1 Entries)"});
    EXPECT_TRUE(exporter.ClipboardLines.empty());
}

TEST_F(ExportWriters, ClipboardListsLowerCategoriesOnlyBelowUpperOnes) {
    TEntry e = Named("n", "", "B", "C");
    e.AccessCount = 1234567;
    Strings lines;
    AppendEntryText(lines, e);
    EXPECT_EQ(lines[3], "Access Count: 1,234,567");
    EXPECT_EQ(lines[6], "URL: http://n");
    AppendEntryText(lines, Named("m", "A", "", "C"));
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.rfind("Category", 0) == 0; }),
              1);
    lines.clear();
    AppendEntryText(lines, Named("k", "A", "B", "C"));
    EXPECT_EQ(Strings(lines.begin() + 6, lines.begin() + 9),
              (Strings{"Category 1: A", "Category 2: B", "Category 3: C"}));
}

TEST_F(ExportWriters, ClipboardFailureShowsOnlyTheError) {
    Add(Example());
    ExportSeams().SetClipboardText = [](const std::string&) { throw Exception("busy"); };
    BeginClipboardExport(run);
    EntryAsText(run, 0);
    FinishClipboardExport(run);
    EXPECT_EQ(messages.Texts(), Strings{"Clipboard Error"});
    EXPECT_EQ(messages.Shown[0].Type, TMsgDlgType::mtError);
}

TEST_F(ExportWriters, LongUrlsAndNotesWrap) {
    auto wrap = [](std::string_view prefix, size_t width, const std::string& text) {
        Strings lines;
        AppendWrappedNotes(lines, prefix, width, text);
        return lines;
    };
    TEntry e = Named("n");
    e.URL = std::string(150, 'u');
    Strings lines;
    AppendEntryText(lines, e);
    EXPECT_EQ(
        Strings(lines.begin() + 6, lines.begin() + 9),
        (Strings{"URL: " + std::string(67, 'u'), std::string(72, 'u'), std::string(11, 'u')}));
    e.URL = std::string(67, 'u');
    lines.clear();
    AppendEntryText(lines, e);
    EXPECT_EQ(lines[7], "");  // the separator follows the single URL line

    EXPECT_EQ(
        wrap("Notes: ", 65, std::string(150, 'x')),
        (Strings{"Notes: " + std::string(65, 'x'), std::string(72, 'x'), std::string(13, 'x')}));
    EXPECT_EQ(wrap("Notes: ", 65, std::string(70, 'a') + "\r\nb"),
              (Strings{"Notes: " + std::string(70, 'a'), "b"}));
    EXPECT_EQ(wrap("Notes: ", 65, std::string(66, 'x')),
              (Strings{"Notes: " + std::string(65, 'x'), "x"}));
    EXPECT_EQ(wrap("Conf. Notes: ", 59, std::string(60, 'c')),
              (Strings{"Conf. Notes: " + std::string(59, 'c'), "c"}));
    // A break right after 71 characters is a break, never a line ending in CR.
    EXPECT_EQ(wrap("Notes: ", 65, std::string(65, 'x') + std::string(71, 'y') + "\r\nyyy"),
              (Strings{"Notes: " + std::string(65, 'x'), std::string(71, 'y'), "yyy"}));
    // Breaks at the start of the rest give empty lines.
    EXPECT_EQ(wrap("Notes: ", 3, "abcd\r\n\r\nz"), (Strings{"Notes: abcd", "", "z"}));
}

TEST_F(ExportWriters, HtmlEscapingLeavesOrdinaryTextAlone) {
    EXPECT_EQ(HrefText("http://x/?q=\"a\"&b=&lt;"), "http://x/?q=%22a%22&amp;b=&amp;lt;");
    EXPECT_EQ(HrefText("http://plain/"), "http://plain/");
}

}  // namespace
