// The two printed reports of chosen entries: a list of user ids and passwords, and a custom
// report of chosen fields with wrapped notes. The lines are built by plain functions; the
// printer drives them against a report, a page header on every page and the body once.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DateTime.h"

struct TEntry;
struct TBankState;
class TBaseReport;

// The operation-password number the Print command asks for.
inline constexpr int PrintPasswordOperation = 2;

enum TReportKind : int { rkUserIdPassword = 0, rkCustom = 1 };

// The fields of the custom report, in the order they print.
enum TPrintField : int {
    pfName,
    pfDescription,
    pfRating,
    pfChangeDate,
    pfAccessCount,
    pfLastAccess,
    pfCategory1,
    pfCategory2,
    pfCategory3,
    pfURL,
    pfEMail,
    pfUserID,
    pfPassword,
    pfNotes,
    pfConfNotes,
    pfFieldCount
};
using TPrintFields = std::array<bool, pfFieldCount>;

// Characters per line of the reports' rules, value pieces and label column.
inline constexpr size_t ReportRuleWidth = 92;
inline constexpr size_t ValuePieceWidth = 78;
inline constexpr size_t LabelWidth = 14;

// The text with bytes 1 to 4 taken out, so that stored text never reads as formatting codes.
std::string PrintableText(std::string_view text);
// "mmm dd, yyyy" of the header.
std::string HeaderDate(TDateTime today);
// The bold lines at the top of every page.
std::vector<std::string> ReportHeaderLines(TReportKind kind, TDateTime today, int page);
// The user id and password line of an entry; empty when it has neither.
std::string UserIdPasswordLine(const TEntry& entry);
// The label of a field as printed: padded to LabelWidth, the two notes not padded.
std::string FieldLabel(TPrintField field);
// The value of a field as printed, before it is wrapped.
std::string FieldValue(const TEntry& entry, TPrintField field);
// A value as printed beside its label (all but the notes): the first ValuePieceWidth
// characters, then pieces of that width under them, so that nothing runs off the paper.
std::vector<std::string> ValuePieces(std::string_view value);

// What one print run prints.
struct TPrintRequest {
    TReportKind Kind = rkUserIdPassword;
    TPrintFields Fields{};
    // The entries, in the order the rows were shown.
    std::vector<int> Entries;
    TDateTime Today = 0;
};

// Prints a request on a report: sets its margins and line height, numbers the pages from 1,
// and runs the job. The report's own errors (no printer, a failing device) propagate.
class TEntryReport {
public:
    TEntryReport(const TBankState& bank, TPrintRequest request);

    void Print(TBaseReport& report);
    // The handlers Print installs, public for tests.
    void PrintHeader(TBaseReport& report);
    void PrintBody(TBaseReport& report);

private:
    void PrintUserIds(TBaseReport& report);
    void PrintCustom(TBaseReport& report);
    void PrintEntry(TBaseReport& report, const TEntry& entry);
    void PrintValue(TBaseReport& report, const std::string& value);
    void PrintNotes(TBaseReport& report, const std::string& notes);

    const TBankState& bank_;
    TPrintRequest request_;
    int page_ = 0;
};
