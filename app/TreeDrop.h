// The moves of entries and folders dropped onto the tree's folders. Free of any display: the
// main window hands the drops in.
#pragma once

#include <string>

#include "BankModel.h"

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

struct TSettings;

// A drop in the tree as the window completes it, on the bank and settings (Interleave) it hands
// in: a move enables Save, rebuilds the tree and focuses the moved item's first entry (through
// the bank's seams); a refused drop says so. True when entries moved.
bool TreeDrop(TBankState& bank, const TSettings& settings, const TTreeNodeData* source,
              const TTreeNodeData* target);
