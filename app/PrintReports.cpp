// The printed reports of chosen entries.
#include "PrintReports.h"

#include <utility>

#include "BankModel.h"
#include "RPBase.h"
#include "RPMemo.h"
#include "StStrS.h"

namespace {

// Padded on the right to `width` with `fill`; longer text is kept whole.
std::string Padded(std::string text, size_t width, char fill = ' ') {
    if (text.size() < width) text.append(width - text.size(), fill);
    return text;
}

// A date field as the report shows it: blank for the no-date value and earlier.
std::string FieldDate(TDateTime value) {
    return value <= NoDate ? std::string() : FormatDateTime("mmm dd, yy", value);
}

// A new page when fewer than two lines are left.
void PageCheck(TBaseReport& report) {
    if (report.LinesLeft() < 2) report.NewPage();
}

const char* const Labels[pfFieldCount] = {
    "Name:",        "Description:", "Rating:",     "Change Date:", "Access Count:",
    "Last Access:", "Category 1:",  "Category 2:", "Category 3:",  "URL:",
    "EMail:",       "User ID:",     "Password:",   "Notes:",       "Conf. Notes:"};

}  // namespace

std::string PrintableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c < 1 || c > 4) out += c;
    return out;
}

std::string HeaderDate(TDateTime today) {
    return FormatDateTime("mmm dd, yyyy", today);
}

std::vector<std::string> ReportHeaderLines(TReportKind kind, TDateTime today, int page) {
    const std::string number = "Page: " + std::to_string(page);
    if (kind == rkUserIdPassword)
        return {Padded("Lorvane User ID / Password Information", 50) +
                    Padded(HeaderDate(today), 34) + number,
                Padded("Name", 51) + Padded("User ID", 26) + Padded("Password", 16),
                std::string(50, '=') + " " + std::string(25, '=') + " " + std::string(15, '=')};
    return {Padded("Lorvane Information", 40) + Padded(HeaderDate(today), 44) + number,
            std::string(ReportRuleWidth, '=')};
}

std::string UserIdPasswordLine(const TEntry& entry) {
    if (entry.UserID.empty() && entry.Password.empty()) return {};
    return Padded(PrintableText(entry.Name).substr(0, 50), 50, '.') + " " +
           Padded(PrintableText(entry.UserID), 25) + " " +
           Padded(PrintableText(entry.Password), 15);
}

std::string FieldLabel(TPrintField field) {
    const std::string label = Labels[field];
    return field == pfNotes || field == pfConfNotes ? label : Padded(label, LabelWidth);
}

std::string FieldValue(const TEntry& entry, TPrintField field) {
    switch (field) {
        case pfName:
            return Padded(PrintableText(entry.Name), 51);
        case pfDescription:
            return Padded(PrintableText(entry.Description), 51);
        case pfRating:
            return Padded(PrintableText(entry.Rating), 8);
        case pfChangeDate:
            return FieldDate(entry.ChangeDate);
        case pfAccessCount:
            return GroupThousandsShortStr(entry.AccessCount);
        case pfLastAccess:
            return FieldDate(entry.LastAccess);
        case pfCategory1:
            return PrintableText(entry.Category1);
        case pfCategory2:
            return PrintableText(entry.Category2);
        case pfCategory3:
            return PrintableText(entry.Category3);
        case pfURL:
            return PrintableText(entry.URL);
        case pfEMail:
            return PrintableText(entry.EMail);
        case pfUserID:
            return Padded(PrintableText(entry.UserID), 17);
        case pfPassword:
            return PrintableText(entry.Password);
        case pfNotes:
            return PrintableText(entry.Notes);
        case pfConfNotes:
            return PrintableText(entry.ConfNotes);
        case pfFieldCount:
            break;
    }
    return {};
}

std::vector<std::string> ValuePieces(std::string_view value) {
    std::vector<std::string> pieces;
    for (size_t at = 0; at < value.size(); at += ValuePieceWidth)
        pieces.emplace_back(value.substr(at, ValuePieceWidth));
    if (pieces.empty()) pieces.emplace_back();
    return pieces;
}

// ---- The printer ----

TEntryReport::TEntryReport(const TBankState& bank, TPrintRequest request)
    : bank_(bank), request_(std::move(request)) {}

void TEntryReport::Print(TBaseReport& report) {
    report.StatusFormat = "Printing page %p";
    report.SetUnitsFactor(1);
    report.SetOrientation(poPortrait);
    report.SetScaleX(100);
    report.SetScaleY(100);
    report.SetMarginTop(0.5);
    report.SetMarginLeft(0.3);
    report.SetMarginRight(0.3);
    report.SetMarginBottom(0.5);
    report.SetLineHeightMethod(lhmFont);
    report.OnPrintHeader = [this](TBaseReport& r) { PrintHeader(r); };
    report.OnPrint = [this](TBaseReport& r) { PrintBody(r); };
    page_ = 0;
    report.Execute();
}

void TEntryReport::PrintHeader(TBaseReport& report) {
    report.SetFont("Courier New", 10);
    report.Home();
    ++page_;
    report.SetBold(true);
    for (const std::string& line : ReportHeaderLines(request_.Kind, request_.Today, page_))
        report.PrintLn(line);
    report.SetBold(false);
}

void TEntryReport::PrintBody(TBaseReport& report) {
    if (request_.Kind == rkUserIdPassword)
        PrintUserIds(report);
    else
        PrintCustom(report);
}

void TEntryReport::PrintUserIds(TBaseReport& report) {
    for (int index : request_.Entries) {
        if (index < 0 || index >= int(bank_.Entries.size())) continue;
        if (std::string line = UserIdPasswordLine(bank_.Entries[size_t(index)]); !line.empty())
            report.PrintLn(line);
        PageCheck(report);
    }
}

void TEntryReport::PrintCustom(TBaseReport& report) {
    for (int index : request_.Entries)
        if (index >= 0 && index < int(bank_.Entries.size()))
            PrintEntry(report, bank_.Entries[size_t(index)]);
}

void TEntryReport::PrintEntry(TBaseReport& report, const TEntry& entry) {
    for (int f = 0; f < pfFieldCount; ++f) {
        if (!request_.Fields[size_t(f)]) continue;
        const auto field = TPrintField(f);
        PageCheck(report);
        report.SetItalic(true);
        report.Print(FieldLabel(field));
        report.SetItalic(false);
        if (field == pfNotes || field == pfConfNotes) {
            PrintNotes(report, FieldValue(entry, field));
            continue;
        }
        report.SetBold(true);
        PrintValue(report, FieldValue(entry, field));
        report.SetBold(false);
    }
    PageCheck(report);
    report.PrintLn(std::string(ReportRuleWidth, '-'));
}

void TEntryReport::PrintValue(TBaseReport& report, const std::string& value) {
    const std::vector<std::string> pieces = ValuePieces(value);
    report.Print(pieces.front());
    report.NewLine();
    for (size_t n = 1; n < pieces.size(); ++n) {
        if (report.LinesLeft() < 2) {
            report.NewPage();
            report.SetBold(true);
        }
        report.PrintLn(std::string(LabelWidth, ' ') + pieces[n]);
    }
}

void TEntryReport::PrintNotes(TBaseReport& report, const std::string& notes) {
    if (notes.empty()) {
        report.NewLine();
        return;
    }
    TMemoBuf memo;
    memo.SetBaseReport(&report);
    memo.SetText(notes);
    memo.PrintStart = report.GetMarginLeft() + 1.17;
    memo.PrintEnd = report.PageWidth() - report.GetMarginRight() - 0.2;
    report.SetBold(true);
    // As many pages as the note needs; a page that holds no line ends the split.
    while (memo.CountLines() > report.LinesLeft()) {
        const int lines = report.LinesLeft();
        if (lines > 0) report.PrintMemo(memo, lines, false);
        report.NewPage();
        report.SetBold(true);
        if (report.LinesLeft() <= 0) break;
    }
    report.PrintMemo(memo, 0, false);
    report.SetBold(false);
    PageCheck(report);
}
