// The information panel's text, and the moves of entries and folders dropped onto the tree's
// folders. Free of any display: the main window shows the text and hands the drops in.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "BankModel.h"

// The field labels the panel highlights (case-sensitive, also inside words).
inline constexpr std::array<const char*, 14> InfoPanelLabels = {"Rating:",
                                                                "Description:",
                                                                "Category_1:",
                                                                "Category_2:",
                                                                "Category_3:",
                                                                "URL:",
                                                                "EMail:",
                                                                "User ID PassWord:",
                                                                "User ID:",
                                                                "Change Date:",
                                                                "Confidential Notes:",
                                                                "Last Access:",
                                                                "Access Count:",
                                                                "Notes:"};
// How each label is highlighted: case-sensitive, not whole word; the highlight style; context 1.
inline constexpr uint8_t InfoLabelOptions = 1;
inline constexpr uint8_t InfoLabelStyle = 16;
inline constexpr int16_t InfoLabelContext = 1;
// The name's dynamic style: bold, drawn black on yellow.
inline constexpr uint8_t InfoNameStyle = 1;
inline constexpr int32_t InfoNameBackColor = 0x0000FFFF;
inline constexpr int32_t InfoNameTextColor = 0;

// The panel's lines for one entry; NameLine is the line shown in bold (the trimmed name).
struct TEntryInfoText {
    std::vector<std::string> Lines;
    int NameLine = 1;
};
TEntryInfoText BuildEntryInfo(const TEntry& entry);
// What Show User ID Password and Show Confidential Notes add below the entry's text (nothing
// for empty confidential notes).
std::vector<std::string> PasswordInfoLines(const TEntry& entry);
std::vector<std::string> ConfNotesInfoLines(const TEntry& entry);

// ---- Drops within the tree ----------------------------------------------------------------

enum class TTreeDropResult {
    Nothing,  // no source or target, or a drop onto the dragged node or into its subtree
    Moved,    // the entries changed; rebuild the tree and focus SelectName
    Failed,   // this drop is not allowed; nothing changed
};

// Applies a drop of the node `source` onto the node `target` (their node records; nullptr for
// none) to the bank's entries. Folders move their whole run of entries, matched as the tree
// groups them (`interleave`: a leading marker is ignored). On Moved, `selectName` is the name
// the dragged item's first entry had, and each changed entry has marked its bank modified.
TTreeDropResult applyTreeDrop(TBankState& bank, const TTreeNodeData* source,
                              const TTreeNodeData* target, bool interleave,
                              std::string& selectName);

// The message of a drop that is not allowed.
inline constexpr const char* TreeDropFailedText = "Drag and Drop action could not be completed.";

// A drop in the tree as the window completes it: a move enables Save, rebuilds the tree and
// focuses the moved item's first entry; a refused drop says so. True when entries moved.
bool TreeDrop(const TTreeNodeData* source, const TTreeNodeData* target);
