// What the dialogs that act on chosen entries do once the user has chosen: delete by selection
// (also from the duplicates list), change categories by selection, and the duplicates list's
// cell texts. The dialogs (forms/BulkForms, forms/DupForm) hand over entry indices.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "BulkMaintenance.h"
#include "platform/DateTime.h"

// The text of the error for an empty selection.
inline constexpr const char* NoEntriesSelectedText = "No Entries Selected!\rPlease try again.";

struct TSettings;

// The commands work on the bank handed in (the dialogs hand in the program's).
//
// Deletes the entries of the indices from the bank: with none, says so and deletes nothing;
// asks first when the settings say deletes are to be confirmed. True when the entries were
// deleted.
bool DeleteEntriesConfirmed(TBankState& bank, const TSettings& settings,
                            const std::vector<int>& indices);
// Gives the entries of the indices the texts of the categories not kept (ChangeCategories);
// with none, says so and changes nothing. True when they were changed.
bool ChangeCategoriesOfSelection(TBankState& bank, const std::vector<int>& indices,
                                 const std::array<std::string, 3>& texts,
                                 const std::array<bool, 3>& keep, TDateTime now);

// The duplicates list's columns, in order.
enum TDuplicateColumn : int { dcURL = 0, dcName, dcCategory1, dcCategory2, dcCategory3 };
// A cell of the duplicates list: a group row shows its key in the first column; an entry row
// (entryIndex >= 0) its URL, name and categories. Empty for a stale group or entry. The text
// stays where it is while the bank and the groups do.
const std::string& DuplicateCellText(const TBankState& bank,
                                     const std::vector<TDuplicateGroup>& groups, int group,
                                     int entryIndex, int column);
