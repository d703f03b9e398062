// Single entries: the editor's validation and copy-back, and the commands that add, change,
// copy, delete, capture, receive and copy one entry to the clipboard.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The editor's controls as texts (Windows-1252; line breaks CR LF in the multi-line ones).
struct TEntryFormTexts {
    std::string URL;
    std::string Name;
    std::string Category1, Category2, Category3;
    bool Favorite = false;
    std::string EMail;
    std::string Rating;
    std::string Description;
    std::string ChangeDate;  // shown only
    std::string LastAccess;  // shown only
    std::string AccessCount;
    std::string UserID;
    std::string Password;
    std::string Password2;  // the re-entered password
    std::string Notes;
    std::string ConfNotes;
};

// The limits of the editor's fields, for typing only: longer values set by the program stay.
namespace EntryLimits {
inline constexpr int URL = 250, Name = 50, Category = 50, EMail = 100, Rating = 3, Description = 50,
                     UserID = 25, Password = 15, Notes = 1000;
}
// A change the user makes to a field, however the text came (typed, pasted, dropped): allowed
// when the text stays within the limit or grows no longer than it was, so a longer value the
// program set may be shortened but never lengthened. Lengths as stored (a line break counts two).
inline bool FieldEditAllowed(size_t oldLength, size_t newLength, int limit) {
    return limit <= 0 || newLength <= std::max(size_t(limit), oldLength);
}

// Values too long for an editor control to hold without freezing (a name of millions of
// characters that an import or another program wrote): a single-line field longer than
// HugeFieldBytes, a multi-line one with a line that long. The editor shows such a value's start
// (HugeFieldShownBytes, then "...") read-only, and saves the stored value unchanged unless the
// user replaced the shown one.
inline constexpr size_t HugeFieldBytes = 64 * 1024;
inline constexpr size_t HugeFieldShownBytes = 4096;
struct TEntryFormField {
    std::string TEntryFormTexts::*Text;
    bool MultiLine;
};
// The editor's text fields that hold stored values.
const std::vector<TEntryFormField>& EntryFormFields();
bool IsHugeFieldValue(std::string_view value, bool multiLine);
// What the editor shows of each field: the value itself, or the start of a huge one.
TEntryFormTexts ShownEntryFormTexts(const TEntryFormTexts& stored);
// The texts to save: each field whose stored value is huge and whose control still shows what
// it was given (`shown`, as read back from the controls) takes the stored value back.
void KeepHugeValues(TEntryFormTexts& edited, const TEntryFormTexts& shown,
                    const TEntryFormTexts& stored);

// The date as the editor shows it ("mmm dd, yy"); empty for the no-date value.
std::string EntryDateText(double date);
struct TBankState;
struct TSettings;

// The editor's rules and the commands work on the bank and settings handed in (the windows hand
// in the program's), and reach the windows through the bank's seams. A workgroup user the
// settings configure is validated through the seams' ValidateUser.

// The editor's texts of the bank's EditEntry.
TEntryFormTexts EntryFormTexts(const TBankState& bank);
// Save: checks the texts and copies them into EditEntry; false (with the message shown, and
// EditEntry unchanged) when the editor must stay open. The marker is put in front of the
// categories of a workgroup name, in `texts` too. A name another entry has is refused; only
// the entry Modify opened the editor on (ModifiedEntry) may keep its own.
bool SaveEntryFormTexts(TBankState& bank, TEntryFormTexts& texts);
// The name without line breaks.
std::string WithoutLineBreaks(const std::string& text);

// The focused entry, or -1 when none (or a stale index).
int FocusedEntryIndex(const TBankState& bank);
// Modify, Copy and Delete of a workgroup entry need an administrator; false after
// "This operation can only be done by a Lorvane Administrator".
bool WorkgroupGuard(TBankState& bank, const TSettings& settings, int index);

// The commands; each returns true when it changed the bank.
bool AddEntryCommand(TBankState& bank, const TSettings& settings);
bool ModifyEntryCommand(TBankState& bank, const TSettings& settings);
bool CopyEntryCommand(TBankState& bank, const TSettings& settings);
bool DeleteEntryCommand(TBankState& bank, const TSettings& settings);
// The page a running browser shows, or an empty editor when none answers.
bool AddEntryCurrentURLCommand(TBankState& bank, const TSettings& settings);
// A link dropped on the main window.
bool DropURLCommand(TBankState& bank, const TSettings& settings, const std::string& title,
                    const std::string& url);

// A browser's reply "\"url\",\"title\"," as URL and name; false when it is empty.
bool ParseBrowserReply(const std::string& reply, std::string& url, std::string& name);
// Offers to cut each clean-up phrase off the start of EditEntry's name.
void CleanUpURLName(TBankState& bank, const TSettings& settings);

// The clipboard commands; nothing without a focused entry.
void CopyURLToClipboard(const TBankState& bank);
void CopyEntryToClipboard(const TBankState& bank);
void CopyUserIDToClipboard(const TBankState& bank);
// Asks for the password of the bank file until it is typed; Cancel copies nothing.
void CopyUserIDPasswordToClipboard(const TBankState& bank);
