// The first steps of the File menu's Export commands: the export password, an open bank and,
// for the by-category dialogs, the category keys.
#pragma once

#include <functional>

struct TBankState;

// The program's operation-password check that the export commands ask first (operation 4,
// export): the window installs the security code's check. Empty: no password is asked.
using TOperationPasswordCheck = std::function<bool(int operation)>;
TOperationPasswordCheck& OperationPasswordCheck();
inline constexpr int ExportPasswordOperation = 4;

// The export password (`check`; empty asks none), then an open bank ("No Bank Is Open!...");
// with `byCategory` the bank's category keys are built. False when either refused: nothing
// more happens.
bool PrepareExport(TBankState& bank, const TOperationPasswordCheck& check, bool byCategory);
// Empties the bank's category keys after a by-category dialog.
void EndCategoryExport(TBankState& bank);
