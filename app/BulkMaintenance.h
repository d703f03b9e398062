// The bulk maintenance of the bank: removing, re-categorising and marking many entries at once,
// the favourites list by access count and the duplicate URL groups. Every changed or removed
// entry marks its own bank modified (the workgroup's when its name carries the marker).
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DateTime.h"

struct TBankState;

// Removes the entries at the given indices (any order, repeats and indices outside the bank
// ignored) in one pass; the others keep their order. Returns the number removed. The focused
// entry and Find Next's place are forgotten when any went.
int RemoveEntries(TBankState& bank, std::vector<int> indices);

// Category texts are trimmed and cut to this many characters.
inline constexpr size_t MaxCategoryLength = 50;
// Gives the entries each level whose `keep` is false the level's text (an empty text clears
// it) and sets their ChangeDate.
void ChangeCategories(TBankState& bank, const std::vector<int>& indices,
                      const std::array<std::string, 3>& texts, const std::array<bool, 3>& keep,
                      TDateTime now);

// One row of the favourites list.
struct TFavoriteRow {
    int EntryIndex = -1;
    bool Checked = false;
    std::string CountText;  // right-aligned in 8 places, empty for 0
    std::string Name, Category1, Category2, Category3;
};
// The access count as the list shows it.
std::string AccessCountText(int count);
// One row per shown entry (workgroup entries for administrators only), the most used first,
// equal counts by name (ignoring ASCII case).
std::vector<TFavoriteRow> FavoriteRows(const TBankState& bank);
// Sets or clears the Favorite mark of each row's entry where the tick differs from it, with
// its ChangeDate. Returns the number of entries changed.
int ApplyFavoriteRows(TBankState& bank, const std::vector<TFavoriteRow>& rows, TDateTime now);

// Every entry's access count back to 0, with its ChangeDate.
void ClearAccessCounts(TBankState& bank, TDateTime now);

// The scheme and host of a URL: up to the first "/" after "//"; whole when it has none.
std::string MajorDomain(std::string_view url);
// A group of entries with the same URL key (ignoring ASCII case), indices ascending.
struct TDuplicateGroup {
    std::string Key;
    std::vector<int> Indices;
};
// The groups of two or more entries whose trimmed URLs (or their major domains) are equal.
// Entries with an empty URL are left out (the entries marked "None" form a group of their
// own), and workgroup entries unless the user is an administrator. Groups come in key order.
std::vector<TDuplicateGroup> DuplicateGroups(const TBankState& bank, bool majorDomain);

// The clean-up phrases of the lines of the phrase memo: trimmed, line breaks removed, empty
// ones dropped.
std::vector<std::string> CleanUpPhrasesFromLines(const std::vector<std::string>& lines);

// Adds the picked names that are not yet listed, in order, while the list holds fewer than the
// start-up maximum. True when a picked name could not be added for want of room.
bool AddStartupNames(std::vector<std::string>& list, const std::vector<std::string>& picked);
