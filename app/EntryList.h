// The entry-selection lists of the dialogs: their rows, the favourite mark, the sort chains of
// a column click and the stable sort over them. The list widget (forms/EntryListView) shows
// what this computes.
#pragma once

#include "platform/SysUtils.h"

#include <string>
#include <string_view>
#include <vector>

struct TEntry;
struct TBankState;

// One row: the entry it stands for (-1 for rows that are no entry, such as category rows) and
// its column texts.
struct TEntryListRow {
    int EntryIndex = -1;
    std::vector<std::string> Texts;

    // The text of a column; empty when the row has fewer columns.
    const std::string& Text(int column) const;
};

// The columns of an entry list, in this order.
enum TEntryListColumn : int {
    elcName = 0,
    elcFav = 1,
    elcCategory1 = 2,
    elcCategory2 = 3,
    elcCategory3 = 4,
    elcEntryColumns = 5,
};
// "Name", "Fav", "Category 1", "Category 2", "Category 3".
const std::vector<std::string>& EntryListCaptions();

// The Fav column's text: "*" for a favourite, else one no-break space (byte 0xA0).
inline constexpr std::string_view FavoriteMarkText = "*";
inline constexpr std::string_view NoFavoriteMarkText = "\xA0";
std::string_view FavoriteMark(const TEntry& entry);

// The row of one entry: name, mark, the three categories as stored.
TEntryListRow EntryListRow(const TEntry& entry, int index);
// One row per entry in bank order; workgroup entries (name starting with the marker) only when
// the user is an administrator.
std::vector<TEntryListRow> EntryListRows(const TBankState& bank);

// The columns compared, in order, when a column is clicked.
using TSortChain = std::vector<int>;
// Entry lists: Name; Fav, Name; Category 1, 2, 3, Name; Category 2, 3, 1, Name;
// Category 3, 1, 2, Name. Columns beyond these sort by themselves, then Name.
TSortChain EntrySortChain(int column);
// Category lists of `columns` columns: the clicked column, then the following ones, wrapping
// round (two columns: 1, 2 and 2, 1; three: 1, 2, 3 / 2, 3, 1 / 3, 1, 2).
TSortChain CategorySortChain(int columns, int column);

// Compares two rows along a chain, ascending, ignoring ASCII case (CompareText).
int CompareListRows(const TEntryListRow& a, const TEntryListRow& b, const TSortChain& chain);
// The order of the rows along a chain: a stable sort of their positions (ties keep the
// order they had).
std::vector<size_t> SortedRowOrder(const std::vector<TEntryListRow>& rows,
                                   const std::vector<size_t>& current, const TSortChain& chain);

// The entry indices of rows, in ascending order without repeats; rows that stand for no entry
// are left out.
std::vector<int> AscendingEntryIndices(const std::vector<const TEntryListRow*>& rows);

// A list cell shows this much of its text (ShortenedText), so that filling and sizing a list
// stays cheap; the rows keep their whole texts for sorting.
inline constexpr size_t ListCellTextBytes = 1024;

// The widths of a list's columns in a list `available` pixels wide, from the width each wants
// (its widest text or its caption): all as wanted when they fit; otherwise the widest give way
// first, all of them cut to one width, so that together they fill the list and every column
// stays in view. No column is ever wider than the list.
std::vector<int> FitColumnWidths(const std::vector<int>& wanted, int available);
