// The File menu's bank commands: New, Open, Save Bank, Save As, the save scope and the
// questions asked before a changed bank is dropped.
#pragma once

#include <string>

#include "BankModel.h"

// The bank file filter of the open and save dialogs.
inline constexpr const char* BankFilter = "Bank (*.bnk)|*.bnk|All Files (*.*)|*.*";

// Path of the workgroup bank (derived from the workgroup user file, or where it was saved).
std::string& WorkgroupBankFile();
// Back to a fresh program's state (tests).
void ResetBankCommands();

// The caption of an open bank file: "Lorvane     [<file>]".
std::string BankFileCaption(const std::string& fileName);

// Opens a bank file in place of the open bank: the file is read aside and replaces the open
// bank only when it was read through. Returns false when the file is missing or its load was
// abandoned; then the open bank is as it was.
bool OpenBank(const std::string& FileName);
// The URL of the first entry whose name equals Name exactly; empty when none.
std::string URLOfEntry(const std::string& Name);

// Sets the bank's save scope; false when the administrator cancelled. Without a workgroup in
// use every entry is saved as a local bank; a user who is no administrator saves the local
// entries as a local bank.
bool ChooseSaveScope();
// The scope of the administrator's choices (0-based items of "What to Save?" and "How To
// Save?").
TSaveScope SaveScopeOfChoice(int what, int how);

// The commands. Each returns true when it did what it was asked (a bank written, a bank
// opened or made); false when it was cancelled or nothing was written.
bool NewBankCommand();
bool OpenBankCommand();
bool SaveBankCommand();
bool SaveAsCommand();

// Asks whether to save each changed bank (the workgroup bank of administrators only) and
// saves when told. False when a save was asked for and did not happen.
bool AskSaveIfModified();
