// The first steps of the File menu's Export commands: the export password, an open bank and,
// for the by-category dialogs, the category keys.
#pragma once

#include <functional>

// The operation-password check the export commands ask first (operation 4, export): the
// window installs the security code's check. Empty: no password is asked.
std::function<bool(int operation)>& OperationPasswordCheck();
inline constexpr int ExportPasswordOperation = 4;

// The export password, then an open bank ("No Bank Is Open!..."); with `byCategory` the
// category keys are built. False when either refused: nothing more happens.
bool PrepareExport(bool byCategory);
// Empties the category keys after a by-category dialog.
void EndCategoryExport();
