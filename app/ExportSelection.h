// What the export dialogs choose and how they drive the writers: the category rows of the
// by-category dialogs, the entries that match selected category rows, and the Begin / per
// entry / Finish run of one export form.
#pragma once

#include <string>
#include <vector>

#include "BankModel.h"
#include "ExportWriters.h"

// The export forms, in the order of the dialogs' "Export To" group.
enum TExportTarget : int {
    efClipboard = 0,
    efFile = 1,
    efBankV1 = 2,
    efBookmark = 3,
    efHTML = 4,
    efBankV2 = 5,
};

// The rows of a by-category dialog of `depth` columns (1, 2 or 3) from CategoryKeys, in the
// keys' order: each key cut to its first `depth` values (already trimmed), a row whose values
// are all empty left out, and a row equal to one before it (value by value, ASCII case
// ignored) left out. Values past `depth` are empty.
std::vector<TCategoryPath> CategoryRows(const TCategoryList& keys, int depth);

// An entry's categories as the dialogs compare them: each value trimmed of blanks and control
// characters, cut to `depth` values.
TCategoryPath EntryCategoryKey(const TEntry& entry, int depth);
// The indices (ascending) of every entry 0..EntryHigh whose first `depth` categories equal
// those of a selected row, value by value, ignoring ASCII case.
std::vector<int> EntriesInCategories(const TBankState& bank,
                                     const std::vector<TCategoryPath>& selected, int depth);

// Runs one export over the given entries of the run's bank in ascending index: the form's
// Begin step, one call per entry, then its Finish step. Returns false when the Begin step was
// cancelled (the dialog stays open); true when the export ran (also when the HTML export's file
// dialog was cancelled). An error raised by a writer leaves no export half open and is raised
// again.
bool RunExport(const TExportRun& run, int form, std::vector<int> indices);
