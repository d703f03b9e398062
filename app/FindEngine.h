// Finding bank entries: one criterion per search kind, tested entry by entry in bank order,
// and Find Next repeating the last search after the last hit.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "BankModel.h"

enum TFindKind : int {
    fkNone = 0,
    fkName = 1,
    fkDescription = 2,
    fkRating = 3,
    fkUserID = 4,
    fkPassword = 5,
    fkEMail = 6,
    fkConfNotes = 7,
    fkChangeDate = 8,
    fkURL = 9,
    fkNotes = 10,
    fkCategory = 11,
    fkAccessCount = 12,
    fkLastAccess = 13,
};

// The comparison groups' items: "Equal to A", "Less than A", "More than A", "More than A and
// Less than B".
enum TFindCompare : int { fcEqual = 0, fcLess = 1, fcMore = 2, fcBetween = 3 };

// One search as the dialog's page describes it.
struct TFindCriteria {
    TFindKind Kind = fkNone;
    std::string Text;            // the text pages
    bool CaseSensitive = false;  // "Case Sensitive?" = "Yes"; the URL page has none
    std::string C1, C2, C3;      // the category page's selections ("" for none)
    TFindCompare Compare = fcEqual;
    TDateTime DateA = 0;  // the date pages; 0 until a calendar picked the date
    TDateTime DateB = 0;
    std::string CountA, CountB;  // the count page's boxes, whole numbers or empty
};

// The first entry after `from` (-1: from the first) up to EntryHigh that matches, or
// EntryHigh + 1 when none does. The count page raises EConvertError for a box that is not a
// whole number.
int FindEntryFrom(const TBankState& bank, const TFindCriteria& criteria, int from);

// The three pick lists of the category page, each ending with one empty item: the trimmed
// first levels in CategoryPaths order without repeats (ignoring case), and the non-empty
// trimmed second and third levels, each once ignoring case, sorted ignoring case.
struct TFindPickLists {
    std::vector<std::string> C1, C2, C3;
};
TFindPickLists BuildFindPickLists(const TCategoryList& paths);

// What a search run ended with.
enum class TFindOutcome { Refused, Found, NotFound };

// The module's find state: the last search, and the dates picked with the calendars.
struct TFindState {
    TFindCriteria Last;  // Last.Kind is fkNone until a search ran
    TDateTime FindDateA = 0;
    TDateTime FindDateB = 0;
};
// The program's find state (the find dialog and the Find Next command hand it in).
TFindState& FindState();

// The bank's password check (operation 0: passwords, 1: confidential notes); true lets the
// search go on.
using TFindPasswordCheck = std::function<bool(int operation)>;

// A search run works on the state handed in: the bank (its FindIndex, and its seams'
// FocusEntryNode, which shows the entry found) and the find state (the last search).
//
// Runs a search from `from`: asks the password check first for the password and
// confidential-note searches (a refusal ends it with nothing shown), remembers the search for
// Find Next, and ends with ShowFound.
TFindOutcome RunFind(TBankState& bank, TFindState& find, const TFindCriteria& criteria, int from,
                     const TFindPasswordCheck& checkPassword);
// Find Next: the last search again after `from`; nothing when no search ran yet.
TFindOutcome FindNextFrom(TBankState& bank, TFindState& find, int from,
                          const TFindPasswordCheck& checkPassword);
// Ends a search: a found entry becomes FindIndex and its node is focused and selected;
// otherwise FindIndex is -1 and " Find was not successful! " is shown.
TFindOutcome ShowFound(TBankState& bank, int index);

inline constexpr const char* FindNotSuccessful = " Find was not successful! ";
