// The bank file (*.bnk): its record lines, the reader, the safe writer and the file stamp.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "BankModel.h"

// How one entry is written as record lines. The bank writer uses the defaults (with
// Protected from the settings); the bank export picks its own.
struct TRecordOptions {
    // All sixteen tags; false writes only Na, Ux, Fx, No, C1, C2, C3 (the old layout).
    bool AllFields = true;
    // Every value scrambled and written as hexadecimal text.
    bool Protected = false;
    // One leading marker removed from Name and the categories.
    bool StripMarker = true;
    enum TDateRule {
        drAfterNoDate,  // only dates after 1 January 2000
        drKnownDate,    // every date above 0 but the no-date value
        drPositive,     // every date above 0
    } DateRule = drKnownDate;
};

// The record lines of one entry, each ending in CR LF, appended to `out`.
void WriteEntryRecord(std::string& out, const TEntry& entry, int number,
                      const TRecordOptions& options);

// The bank password's encoding: hex of the short scrambling. Decoding raises EConvertError on
// text that is not hexadecimal.
std::string EncodePasswordValue(std::string_view password);
std::string DecodePasswordValue(std::string_view text);
// Notes on one line: CR LF, a lone CR and a lone LF all become "~~"; and back to CR LF.
std::string NotesToLine(std::string_view notes);
std::string LineToNotes(std::string_view line);
// Any other value on one line: CR and LF become blanks, so no value can split its record.
std::string ValueToLine(std::string_view value);
// The marker line's 14 scrambled bytes.
std::string ScrambledBankMarker(bool workgroup);

// What the bank reader and writer ask of the person at the program and tell them. The program
// answers with its dialogs; tests answer from a script.
class TBankFileUser {
public:
    virtual ~TBankFileUser() = default;
    // The password typed for a protected bank; false on Cancel.
    virtual bool AskPassword(std::string& typed) = 0;
    // A question answered Yes (true) or No.
    virtual bool AskYesNo(const std::string& question) = 0;
    virtual void ShowError(const std::string& text) = 0;
    virtual void ShowInformation(const std::string& text) = 0;
    // Whether the user is a workgroup administrator; asked when a workgroup bank is read.
    virtual bool IsAdministrator() = 0;
    // The progress of a long read (a status text; empty clears it).
    virtual void ShowProgress(const std::string& status) = 0;
    // Called once per record: lets the program keep its window alive.
    virtual void KeepResponsive() = 0;
};

// How a bank file is read: Import renames names that exist already ("_" in front); Workgroup
// marks names and categories; AllowWorkgroup lets a non-administrator read a workgroup bank.
struct TBankLoad {
    bool Import = false;
    bool Workgroup = false;
    bool AllowWorkgroup = false;
};

// Reads a bank file and appends its records to `bank` after EntryHigh. Count is the number of
// records read. False when the load was abandoned (unreadable file, Cancel at the password, a
// refused workgroup bank, No to an incomplete record): then Count is 0 and the bank is as it
// was. FilePassword takes a protected file's password (trimmed, as it is asked for) only when
// the file is opened (not imported) and read through.
bool ReadBankFile(TBankState& bank, const std::string& FileName, const TBankLoad& how,
                  TBankFileUser& user, int& Count);

// What a save takes from the settings.
struct TBankSaveSettings {
    bool Protected = false;            // written scrambled, with the password line
    bool AskPasswordEachSave = false;  // the password is typed at each save
    std::string Password;              // the bank password; a save that asked sets the typed one
    bool ConfirmSaves = false;         // a message tells that the file was saved
    bool WorkgroupInUse = false;       // marked entries belong to a workgroup bank
    // Called after the new bank is written to its temporary file and before it replaces the
    // bank; an exception from it fails the save.
    std::function<void(const std::string& tempFileName)> BeforeReplace;
};

// Writes the entries of `bank` that its save scope names to FileName, keeping the previous
// file as the backup, and clears the modified flags of what was saved. False when nothing was
// written (Cancel at the password, a failed write): then the file, its backup and the modified
// flags are as they were.
bool WriteBankFile(TBankState& bank, const std::string& FileName, TBankSaveSettings& settings,
                   TBankFileUser& user);

// The program's load and save of Bank() with Settings(), answered by its dialogs
// (BankCommands.cpp). LoadBankFile rebuilds the tree after a load; SaveBankFile disables the
// Save commands when nothing is left to save.
bool LoadBankFile(const std::string& FileName, bool Import, bool Workgroup, bool AllowWorkgroup,
                  int& Count);
bool SaveBankFile(const std::string& FileName);

// The backup of a bank file: the same name with the extension "bak".
std::string BankBackupName(const std::string& FileName);

// The file's modification time in nanoseconds; 0 when the file is not found.
int64_t FileStamp(const std::string& FileName);

// The program's BeforeReplace of its saves (tests inject write errors here).
std::function<void(const std::string& tempFileName)>& BankSaveHook();
