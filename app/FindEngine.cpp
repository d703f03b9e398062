// The search of the find dialog, without the dialog.
#include "FindEngine.h"

#include <algorithm>
#include <cmath>

#include "AppSeams.h"
#include "ProgramState.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"

namespace {

bool ContainsText(std::string_view field, std::string_view text, bool caseSensitive) {
    if (text.empty()) return false;
    if (caseSensitive) return field.find(text) != std::string_view::npos;
    return UpperCase(field).find(UpperCase(text)) != std::string::npos;
}

const std::string* TextField(const TEntry& e, TFindKind kind, std::string& scratch) {
    switch (kind) {
        case fkName:
            return &e.Name;
        case fkDescription:
            return &e.Description;
        case fkRating:
            scratch = std::string(e.Rating);
            return &scratch;
        case fkUserID:
            scratch = std::string(e.UserID);
            return &scratch;
        case fkPassword:
            scratch = std::string(e.Password);
            return &scratch;
        case fkEMail:
            return &e.EMail;
        case fkConfNotes:
            return &e.ConfNotes;
        case fkURL:
            return &e.URL;
        case fkNotes:
            return &e.Notes;
        default:
            return nullptr;
    }
}

// The calendar day of a date-time (its midnight).
double DayOf(TDateTime value) {
    return std::floor(value);
}

bool DateMatches(TDateTime value, const TFindCriteria& c) {
    if (!(value > NoDate) || c.DateA == 0 || (c.Compare == fcBetween && c.DateB == 0)) return false;
    // A and B are the midnights of the days picked.
    const double a = DayOf(c.DateA);
    switch (c.Compare) {
        case fcEqual:  // within a day either side of A's midnight
            return a - 1 < value && value < a + 1;
        case fcLess:
            return value < a;
        case fcMore:
            return value > a;
        case fcBetween:
            return a < value && value < DayOf(c.DateB);
    }
    return false;
}

bool CountMatches(int32_t count, TFindCompare compare, int32_t a, int32_t b) {
    switch (compare) {
        case fcEqual:
            return count == a;
        case fcLess:
            return count < a;
        case fcMore:
            return count > a;
        case fcBetween:
            return a < count && count < b;
    }
    return false;
}

int32_t CountBox(const std::string& text) {
    return Trim(text).empty() ? 0 : StrToInt(text);
}

// The levels a selection compares, each equal (trimmed, ignoring case) to `prefix` + the
// selection: with a second level, the picked ones of all three; a first level without a second
// alone (a third is then ignored); with neither, the third, so that nothing picked finds an
// entry without a third level.
bool CategoriesMatch(const TEntry& e, const TFindCriteria& c, std::string_view prefix) {
    const std::string c1 = Trim(c.C1), c2 = Trim(c.C2), c3 = Trim(c.C3);
    auto same = [&](const std::string& level, const std::string& wanted) {
        return SameText(Trim(level), std::string(prefix) + wanted);
    };
    if (c2.empty()) return c1.empty() ? same(e.Category3, c3) : same(e.Category1, c1);
    return (c1.empty() || same(e.Category1, c1)) && same(e.Category2, c2) &&
           (c3.empty() || same(e.Category3, c3));
}

bool EntryMatches(const TEntry& e, const TFindCriteria& c, bool administrator) {
    std::string scratch;
    switch (c.Kind) {
        case fkChangeDate:
            return DateMatches(e.ChangeDate, c);
        case fkLastAccess:
            return DateMatches(e.LastAccess, c);
        case fkCategory:
            return CategoriesMatch(e, c, "") ||
                   (!administrator && CategoriesMatch(e, c, std::string(1, WorkgroupMarker)));
        case fkURL:
            return ContainsText(e.URL, c.Text, false);
        default:
            if (const std::string* field = TextField(e, c.Kind, scratch))
                return ContainsText(*field, c.Text, c.CaseSensitive);
            return false;
    }
}

}  // namespace

int FindEntryFrom(const TBankState& bank, const TFindCriteria& criteria, int from) {
    const int first = std::max(from + 1, 0);
    if (criteria.Kind == fkAccessCount) {
        const int32_t a = CountBox(criteria.CountA);
        const int32_t b = CountBox(criteria.CountB);
        for (int i = first; i <= bank.EntryHigh; ++i)
            if (CountMatches(bank.Entry(i).AccessCount, criteria.Compare, a, b)) return i;
        return bank.EntryHigh + 1;
    }
    for (int i = first; i <= bank.EntryHigh; ++i)
        if (EntryMatches(bank.Entry(i), criteria, bank.IsAdministrator)) return i;
    return bank.EntryHigh + 1;
}

TFindPickLists BuildFindPickLists(const TCategoryList& paths) {
    TFindPickLists lists;
    std::vector<std::string> c2;
    std::vector<std::string> c3;
    auto addOnce = [](std::vector<std::string>& list, const std::string& value) {
        if (value.empty()) return;
        for (const std::string& v : list)
            if (SameText(v, value)) return;
        list.push_back(value);
    };
    for (const TCategoryPath& path : paths) {
        const std::string v1 = Trim(path.C1);
        if (lists.C1.empty() || !SameText(lists.C1.back(), v1)) lists.C1.push_back(v1);
        addOnce(c2, Trim(path.C2));
        addOnce(c3, Trim(path.C3));
    }
    auto byText = [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; };
    std::stable_sort(c2.begin(), c2.end(), byText);
    std::stable_sort(c3.begin(), c3.end(), byText);
    lists.C2 = std::move(c2);
    lists.C3 = std::move(c3);
    for (auto* list : {&lists.C1, &lists.C2, &lists.C3}) list->emplace_back();
    return lists;
}

TFindState& FindState() {
    return ProgramState().Find;
}

TFindOutcome ShowFound(TBankState& bank, int index) {
    if (index >= 0 && index <= bank.EntryHigh) {
        bank.FindIndex = index;
        const TAppSeams& seams = bank.SeamsOrHeadless();
        if (seams.FocusEntryNode) seams.FocusEntryNode(index);
        return TFindOutcome::Found;
    }
    bank.FindIndex = -1;
    MessageDlg(FindNotSuccessful, TMsgDlgType::mtInformation, mbOK);
    return TFindOutcome::NotFound;
}

TFindOutcome RunFind(TBankState& bank, TFindState& find, const TFindCriteria& criteria, int from,
                     const TFindPasswordCheck& checkPassword) {
    if (criteria.Kind == fkPassword || criteria.Kind == fkConfNotes) {
        const int operation = criteria.Kind == fkPassword ? 0 : 1;
        if (checkPassword && !checkPassword(operation)) return TFindOutcome::Refused;
    }
    find.Last = criteria;
    return ShowFound(bank, FindEntryFrom(bank, criteria, from));
}

TFindOutcome FindNextFrom(TBankState& bank, TFindState& find, int from,
                          const TFindPasswordCheck& checkPassword) {
    const TFindCriteria last = find.Last;
    if (last.Kind == fkNone) return TFindOutcome::Refused;
    return RunFind(bank, find, last, from, checkPassword);
}
