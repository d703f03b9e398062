// The main window's category tree: how it is built from the bank and what each cell shows.
// Everything here is free of any display; the window hands the tree's events to it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "BankModel.h"
#include "Settings.h"

class TBaseVirtualTree;

// The columns the tree can show, by field number: header caption and cell content.
inline constexpr std::array<const char*, ColumnCount> FieldCaptions = {
    "Category / Name", "Description", "Rate",     "User ID", "EMail",
    "Last Access",     "Acc Cnt",     "Chg Date", "URL"};

// The text a tree cell starts with before the window supplies its own.
inline constexpr const char* TreeDefaultText = "Node";

// A date as the tree shows it ("mmm dd, yy"); blank unless it lies after the no-date value.
std::string FormatTreeDate(TDateTime value);
// An access count grouped by thousands and right-aligned in 10 characters; blank for 0.
std::string FormatAccessCount(int32_t count);

// Text of a cell. `text` comes in as the tree's default and is changed where the node has
// a text of its own in that column.
void MainTreeGetText(const TBankState& bank, const TSettings& settings, const TTreeNodeData& data,
                     int column, std::string& text);
// The same for the tree, whose texts are UTF-8: the bank's Windows-1252 text converted.
void MainTreeCellText(const TBankState& bank, const TSettings& settings, const TTreeNodeData& data,
                      int column, std::string& text);
// The folder image of a cell: 0 for level-1 folders and both groups, 1 and 2 for levels 2
// and 3; -1 for entries and every column but the first.
int MainTreeImageIndex(const TTreeNodeData& data, int column);
// A node drawn in the workgroup's colours and font: its own flag, or the entry at its index
// has a marked name.
bool IsWorkgroupNode(const TBankState& bank, const TTreeNodeData& data);
// The background of a cell: only the first column has one (false elsewhere).
bool MainTreeCellColor(const TBankState& bank, const TSettings& settings, const TTreeNodeData& data,
                       int column, TColor& color);

// The font a cell is drawn with.
struct TCellFont {
    std::string Name;
    int32_t Size = 9;
    TFontStyles Style = 0;
    TColor Color = 0;
    friend bool operator==(const TCellFont&, const TCellFont&) = default;
};
// The local or the workgroup font by IsWorkgroupNode. The focused node's first column is
// drawn in the complement of its background instead (FocusedTextColor).
TCellFont MainTreeCellFont(const TBankState& bank, const TSettings& settings,
                           const TTreeNodeData& data);
// The text colour of the focused node's first column over `brush` (both RGB): the complement
// of the background, or `highlightText` where the complement would be hard to read (a
// contrast below 4.5:1, as mid-tone selection colours give).
TColor FocusedTextColor(TColor brush, TColor highlightText);

// ---- Columns ------------------------------------------------------------------------------

// What the information panel tells the tree (the panel itself is shown elsewhere).
struct TInfoPanelState {
    bool InfoShown = false;
    bool SuppressColumnSave = false;  // set while the panel narrows the tree's columns
};
// The program's panel state, for the main window.
TInfoPanelState& InfoPanel();

// Every column but the first may be dragged.
inline bool HeaderDragAllowed(int column) {
    return column != 0;
}
// A header drag from display position oldPosition to newPosition: the value at oldPosition
// moves there and those between shift toward the gap. Position 0 belongs to column 0, so a
// drop before it lands at position 1. True when the order changed.
bool MoveColumnOrder(std::array<int32_t, ColumnCount>& order, int oldPosition, int newPosition);
struct TAppSeams;

// The column handlers work on the settings, panel state and seams the window hands in.
//
// After a drag: the new order into the settings, saved at once when it changed.
void ColumnDragged(TSettings& settings, int oldPosition, int newPosition);
// After a column was resized: the widths of the nine columns into ColumnTable, saved unless
// the information panel holds them or nothing changed. True when saved.
bool ColumnsResized(TSettings& settings, const TInfoPanelState& panel,
                    const std::array<int32_t, ColumnCount>& widths);
// Before the tree's focus moves: the information panel closes (the seams' CloseInfoPanel), and
// the columns it narrowed are due their saved widths (true), which from now on are saved again
// when resized.
bool FocusChangeRestoresColumns(TInfoPanelState& panel, const TAppSeams& seams);
// Field numbers are clamped on loading; this also makes column 0 show field 0 by swapping
// the record that holds field 0 into column 0.
void NormalizeColumnTable(TSettings& settings);
// The resizer's minimum track width and height for a screen width (negative: percent of
// the screen; 0: no minimum).
std::pair<int, int> MinimumTrackSize(int screenWidth);

// ---- Building -----------------------------------------------------------------------------

// The caption after a rebuild: BankCaption + "    " + count + " Entries".
std::string EntriesCaption(const TBankState& bank);

// Sorts Entries[0..EntryHigh] into the bank's order: favourites first, the greater Favorite
// mark first, by name; the others by Category1, Category2, Category3, then name. Texts compare
// with ASCII case folded (CompareText) and, with `interleave`, one leading marker ignored
// (CompareIgnoringMarker).
void SortEntries(TBankState& bank, bool interleave);

// Sorts the bank (by the settings' Interleave), refills its CategoryPaths and gives the tree
// one node per group, folder and entry (node data TTreeNodeData; TEntry::TreeIndex and Node are
// set). With no entries the tree and CategoryPaths are emptied. FocusedEntry is -1 afterwards.
// The hourglass, the caption (when a bank is open) and Save As go out through the bank's seams.
void RebuildTree(TBankState& bank, const TSettings& settings, TBaseVirtualTree& tree);

// The focused entry when it names a live slot, else -1.
int FocusedEntryChecked(const TBankState& bank);
