#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "BankModel.h"
#include "PrintReports.h"
#include "RPrinter.h"
#include "RecordingDevice.h"

namespace {

using Strings = std::vector<std::string>;

// One text drawn on the recording printer.
struct TPrinted {
    int Page;
    int Y;
    std::string Text;
    std::string Font;
};

class PrintReports : public ::testing::Test {
protected:
    void SetUp() override {
        ResetBank();
        auto d = std::make_unique<TRecordingDevice>();
        dev = d.get();
        SetGlobalDevice(std::move(d));
        today = EncodeDate(2023, 5, 4);
    }
    void TearDown() override {
        SetGlobalDevice(nullptr);
        ResetBank();
    }

    int Add(TEntry e) {
        TBankState& bank = Bank();
        bank.Entries.push_back(std::move(e));
        bank.EntryHigh = int(bank.Entries.size()) - 1;
        return bank.EntryHigh;
    }
    static TEntry WithIds(const std::string& name, const std::string& id, const std::string& pw) {
        TEntry e;
        e.Name = name;
        e.UserID = id;
        e.Password = pw;
        return e;
    }

    // Prints and returns every text drawn, page by page.
    std::vector<TPrinted> Run(TReportKind kind, const std::vector<int>& entries,
                              TPrintFields fields = {}) {
        TPrintRequest request;
        request.Kind = kind;
        request.Entries = entries;
        request.Fields = fields;
        request.Today = today;
        TEntryReport printer(Bank(), request);
        TPrintReport report;
        printer.Print(report);
        return Printed();
    }
    // Every text the device drew, page by page; sets `pages`.
    std::vector<TPrinted> Printed() {
        std::vector<TPrinted> out;
        int page = 0;
        for (const std::string& call : dev->Log) {
            if (call == "NewPage" || call == "NewPageOutput 1") ++page;
            if (call.rfind("Text ", 0) != 0) continue;
            const size_t open = call.find(" [");
            const size_t close = call.rfind("] ");
            const size_t comma = call.find(',');
            out.push_back({page, std::stoi(call.substr(comma + 1)),
                           call.substr(open + 2, close - open - 2), call.substr(close + 2)});
        }
        pages = page;
        return out;
    }
    static Strings Texts(const std::vector<TPrinted>& printed, int page = 0) {
        Strings out;
        for (const TPrinted& p : printed)
            if (page == 0 || p.Page == page) out.push_back(p.Text);
        return out;
    }
    static std::string Blanks(size_t n) { return std::string(n, ' '); }

    TRecordingDevice* dev = nullptr;
    TDateTime today = 0;
    int pages = 0;
};

TPrintFields AllFields() {
    TPrintFields f;
    f.fill(true);
    return f;
}

}  // namespace

TEST_F(PrintReports, UserIdReportHeaderAndLines) {
    const int bank = Add(WithIds("Bank", "joe", "pw"));
    const int longName = Add(WithIds(std::string(60, 'n'), "", "x"));
    const int none = Add(WithIds("Nothing", "", ""));
    const auto printed = Run(rkUserIdPassword, {bank, none, longName});
    const Strings expected = {
        "Lorvane User ID / Password Information" + Blanks(12) + "May 04, 2023" + Blanks(22) +
            "Page: 1",
        "Name" + Blanks(47) + "User ID" + Blanks(19) + "Password" + Blanks(8),
        std::string(50, '=') + " " + std::string(25, '=') + " " + std::string(15, '='),
        "Bank" + std::string(46, '.') + " joe" + Blanks(22) + " pw" + Blanks(13),
        std::string(50, 'n') + " " + Blanks(25) + " x" + Blanks(14),
    };
    EXPECT_EQ(Texts(printed), expected);
    EXPECT_EQ(expected[0].size(), 91u);
    EXPECT_EQ(expected[1].size(), 93u);
    EXPECT_EQ(expected[3].size(), 92u);
    // The header is bold in the fixed-pitch font, the lines are not bold.
    for (int n = 0; n < 3; ++n) EXPECT_EQ(printed[size_t(n)].Font, "Courier New -83 B");
    EXPECT_EQ(printed[3].Font, "Courier New -83");
    // One line each, 1/6 inch apart at 600 dpi.
    EXPECT_EQ(printed[4].Y - printed[3].Y, 100);
}

TEST_F(PrintReports, UserIdReportWithNothingToPrintHasOnlyTheHeader) {
    const int a = Add(WithIds("A", "", ""));
    const int b = Add(WithIds("B", "", ""));
    EXPECT_EQ(Texts(Run(rkUserIdPassword, {a, b})).size(), 3u);
    EXPECT_EQ(pages, 1);
}

TEST_F(PrintReports, UserIdReportPutsFiftySixEntriesOnALetterPage) {
    std::vector<int> rows;
    for (int n = 0; n < 100; ++n) rows.push_back(Add(WithIds("E" + std::to_string(n), "u", "")));
    const auto printed = Run(rkUserIdPassword, rows);
    EXPECT_EQ(pages, 2);
    EXPECT_EQ(Texts(printed, 1).size(), 3u + 56u);
    EXPECT_EQ(Texts(printed, 2).size(), 3u + 44u);
    EXPECT_EQ(Texts(printed, 2)[0].substr(84), "Page: 2");
    EXPECT_EQ(Texts(printed, 2)[3].substr(0, 3), "E56");
}

TEST_F(PrintReports, CustomReportPrintsTheCheckedFieldsInOrder) {
    TEntry e;
    e.Name = "Site";
    e.Description = "About it";
    e.Rating = "5";
    e.ChangeDate = EncodeDate(2021, 3, 9);
    e.AccessCount = 1234567;
    e.LastAccess = NoDate;
    e.Category1 = "One";
    e.Category2 = "Two";
    e.Category3 = "Three";
    e.URL = "http://x";
    e.EMail = "a@b";
    e.UserID = "me";
    e.Password = "secret";
    e.Notes = "Short note";
    const int i = Add(e);
    const auto printed = Run(rkCustom, {i}, AllFields());
    const Strings texts = Texts(printed);
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[0],
              "Lorvane Information" + Blanks(21) + "May 04, 2023" + Blanks(32) + "Page: 1");
    EXPECT_EQ(texts[1], std::string(92, '='));
    const Strings body(texts.begin() + 2, texts.end());
    const Strings expected = {
        "Name:         ", "Site" + Blanks(47),
        "Description:  ", "About it" + Blanks(43),
        "Rating:       ", "5" + Blanks(7),
        "Change Date:  ", "Mar 09, 21",
        "Access Count: ", "1,234,567",
        "Last Access:  ",  // the no-date value draws nothing
        "Category 1:   ", "One",
        "Category 2:   ", "Two",
        "Category 3:   ", "Three",
        "URL:          ", "http://x",
        "EMail:        ", "a@b",
        "User ID:      ", "me" + Blanks(15),
        "Password:     ", "secret",
        "Notes:",         "Short note",
        "Conf. Notes:",   std::string(92, '-'),
    };
    EXPECT_EQ(body, expected);
    // Labels italic, values bold, the rule plain.
    EXPECT_EQ(printed[2].Font, "Courier New -83 I");
    EXPECT_EQ(printed[3].Font, "Courier New -83 B");
    EXPECT_EQ(printed.back().Font, "Courier New -83");
    // The note starts beside its label, 1.17 inch right of the left margin.
    int labelY = -1, noteY = -2;
    for (const TPrinted& p : printed) {
        if (p.Text == "Notes:") labelY = p.Y;
        if (p.Text == "Short note") noteY = p.Y;
    }
    EXPECT_EQ(labelY, noteY);
}

TEST_F(PrintReports, CustomReportLeavesOutUncheckedFieldsAndControlBytes) {
    TEntry e;
    e.Name =
        "A\x01"
        "b\x04"
        "c";
    e.EMail = "m\x02@x";
    const int i = Add(e);
    TPrintFields fields{};
    fields[pfName] = fields[pfEMail] = true;
    const Strings texts = Texts(Run(rkCustom, {i}, fields));
    const Strings expected = {"Name:         ", "Abc" + Blanks(48), "EMail:        ", "m@x",
                              std::string(92, '-')};
    EXPECT_EQ(Strings(texts.begin() + 2, texts.end()), expected);
}

TEST_F(PrintReports, LongValuesWrapUnderTheValueColumn) {
    TEntry e;
    e.URL = std::string(78, 'a') + std::string(78, 'b') + std::string(44, 'c');
    const int wrapped = Add(e);
    e.URL = std::string(77, 'u');
    const int single = Add(e);
    TPrintFields fields{};
    fields[pfURL] = true;
    const Strings texts = Texts(Run(rkCustom, {wrapped, single}, fields));
    const Strings expected = {"URL:          ",
                              std::string(78, 'a'),
                              Blanks(14) + std::string(78, 'b'),
                              Blanks(14) + std::string(44, 'c'),
                              std::string(92, '-'),
                              "URL:          ",
                              std::string(77, 'u'),
                              std::string(92, '-')};
    EXPECT_EQ(Strings(texts.begin() + 2, texts.end()), expected);
    EXPECT_EQ(ValuePieces(std::string(78, 'x')).size(), 1u);
    EXPECT_EQ(ValuePieces(std::string(79, 'x')).size(), 2u);
}

TEST_F(PrintReports, EveryLongValueWrapsAsTheUrlDoes) {
    // 78 characters fit after the label on A4 in the report's font; nothing may run past.
    TEntry e;
    e.Name = std::string(78, 'n') + "NN";
    e.Description = std::string(78, 'd') + std::string(78, 'D') + "x";
    e.Category1 = std::string(78, 'k');
    e.EMail = std::string(70, 'm') + "@example.c";
    const int i = Add(e);
    TPrintFields fields{};
    fields[pfName] = fields[pfDescription] = fields[pfCategory1] = fields[pfEMail] = true;
    const Strings texts = Texts(Run(rkCustom, {i}, fields));
    const Strings expected = {"Name:         ",
                              std::string(78, 'n'),
                              Blanks(14) + "NN",
                              "Description:  ",
                              std::string(78, 'd'),
                              Blanks(14) + std::string(78, 'D'),
                              Blanks(14) + "x",
                              "Category 1:   ",
                              std::string(78, 'k'),
                              "EMail:        ",
                              std::string(70, 'm') + "@example",
                              Blanks(14) + ".c",
                              std::string(92, '-')};
    EXPECT_EQ(Strings(texts.begin() + 2, texts.end()), expected);
}

TEST_F(PrintReports, EveryPageStartsWithItsNumberedHeader) {
    std::vector<int> rows;
    TPrintFields fields{};
    fields[pfName] = fields[pfDescription] = fields[pfEMail] = true;
    for (int n = 0; n < 30; ++n) {
        TEntry e;
        e.Name = "E" + std::to_string(n);
        rows.push_back(Add(e));
    }
    const auto printed = Run(rkCustom, rows, fields);
    ASSERT_EQ(pages, 3);
    for (int page = 1; page <= 3; ++page) {
        const Strings texts = Texts(printed, page);
        ASSERT_GE(texts.size(), 2u);
        EXPECT_EQ(texts[0].substr(84), "Page: " + std::to_string(page));
        EXPECT_EQ(texts[1], std::string(92, '='));
    }
}

TEST_F(PrintReports, LongNotesRunOverSeveralPagesInsideTheMargins) {
    TEntry e;
    e.Name = "Notes";
    std::string notes;
    for (int n = 0; n < 150; ++n) notes += "Line" + std::to_string(n) + "\r\n";
    e.Notes = notes;
    const int i = Add(e);
    TPrintFields fields{};
    fields[pfNotes] = true;
    const auto printed = Run(rkCustom, {i}, fields);
    // 150 note lines: 57 after the header of page 1, 58 on page 2, the rest on page 3.
    EXPECT_EQ(pages, 3);
    int noteLines = 0;
    for (const TPrinted& p : printed) {
        // Nothing below the bottom margin: 10.5 inch at 600 dpi.
        EXPECT_LE(p.Y, 6300) << p.Text;
        if (p.Text.rfind("Line", 0) == 0) {
            ++noteLines;
            EXPECT_EQ(p.Font, "Courier New -83 B") << p.Text;
        }
    }
    EXPECT_EQ(noteLines, 150);
    EXPECT_EQ(printed.back().Text, std::string(92, '-'));
}

TEST(PrintReportLines, HeaderDateAndFieldDates) {
    EXPECT_EQ(HeaderDate(EncodeDate(2023, 12, 25)), "Dec 25, 2023");
    TEntry e;
    e.ChangeDate = NoDate;
    e.LastAccess = EncodeDate(1999, 1, 2);
    EXPECT_EQ(FieldValue(e, pfChangeDate), "");
    EXPECT_EQ(FieldValue(e, pfLastAccess), "");
    e.LastAccess = EncodeDate(2004, 7, 1);
    EXPECT_EQ(FieldValue(e, pfLastAccess), "Jul 01, 04");
    EXPECT_EQ(PrintableText(std::string("a\x01\x02\x03\x04\x05z")), "a\x05z");
}

TEST_F(PrintReports, AFailedRunLeavesTheNextOneWhole) {
    std::vector<int> rows;
    for (int n = 0; n < 70; ++n) rows.push_back(Add(WithIds("E" + std::to_string(n), "u", "")));
    dev->FailOn = "NewPageOutput 1";
    TPrintRequest request;
    request.Entries = rows;
    request.Today = today;
    TEntryReport printer(Bank(), request);
    TPrintReport report;
    EXPECT_THROW(printer.Print(report), std::exception);
    EXPECT_FALSE(report.Printing());
    dev->FailOn.clear();
    dev->Log.clear();
    printer.Print(report);
    const auto printed = Printed();
    EXPECT_EQ(pages, 2);
    EXPECT_EQ(Texts(printed, 1)[0].substr(84), "Page: 1");
    EXPECT_EQ(Texts(printed, 2)[0].substr(84), "Page: 2");
    EXPECT_EQ(dev->Calls("EndDoc").size(), 1u);
}
