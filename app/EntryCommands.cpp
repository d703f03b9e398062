// Single entries: the editor's save rules and the main window's entry commands.
#include "EntryCommands.h"

#include <cmath>

#include "AppSeams.h"
#include "BankModel.h"
#include "BulkMaintenance.h"
#include "DdeClient.h"
#include "EntryList.h"
#include "ExportSeams.h"
#include "ExportWriters.h"
#include "Security.h"
#include "Settings.h"
#include "platform/Clipboard.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"

namespace {

const std::string Marker(1, WorkgroupMarker);

// The marker goes in front of a category that has text and does not carry it yet.
void MarkCategory(std::string& category) {
    if (category > " " && !HasWorkgroupMarker(category)) category.insert(0, Marker);
}

std::string Cut(const std::string& text, size_t length) {
    return text.substr(0, length);
}

// Marks the bank the entry belongs to as modified and shows the change.
void EntryChanged(TBankState& bank, const std::string& name) {
    bank.MarkModified(name);
    RebuildTreeSeam(bank);
    SelectEntryNode(bank, name);
}

int RunEntryFormSeam(const TBankState& bank, int mode) {
    const TAppSeams& seams = bank.SeamsOrHeadless();
    return seams.RunEntryForm ? seams.RunEntryForm(mode) : int(mrCancel);
}

// A configured workgroup user is validated before an entry is added or guarded.
void ValidateConfiguredUser(const TBankState& bank, const TSettings& settings) {
    if (WorkgroupConfigured(settings)) ValidateUserSeam(bank.SeamsOrHeadless());
}

}  // namespace

std::string EntryDateText(double date) {
    if (std::fabs(date - NoDate) < 1e-9) return {};
    return FormatDateTime("mmm dd, yy", date);
}

TEntryFormTexts EntryFormTexts(const TBankState& bank) {
    const TEntry& e = bank.EditEntry;
    TEntryFormTexts t;
    t.URL = e.URL;
    t.Name = e.Name;
    t.Category1 = e.Category1;
    t.Category2 = e.Category2;
    t.Category3 = e.Category3;
    t.Favorite = e.IsFavorite();
    t.EMail = e.EMail;
    t.Rating = e.Rating.str();
    t.Description = e.Description;
    t.ChangeDate = EntryDateText(e.ChangeDate);
    t.LastAccess = EntryDateText(e.LastAccess);
    t.AccessCount = IntToStr(e.AccessCount);
    t.UserID = e.UserID.str();
    t.Password = t.Password2 = e.Password.str();
    t.Notes = e.Notes;
    t.ConfNotes = e.ConfNotes;
    return t;
}

const std::vector<TEntryFormField>& EntryFormFields() {
    using T = TEntryFormTexts;
    static const std::vector<TEntryFormField> fields = {
        {&T::URL, false},       {&T::Name, false},        {&T::Category1, false},
        {&T::Category2, false}, {&T::Category3, false},   {&T::EMail, false},
        {&T::Rating, false},    {&T::Description, false}, {&T::UserID, false},
        {&T::Password, false},  {&T::Password2, false},   {&T::Notes, true},
        {&T::ConfNotes, true},
    };
    return fields;
}

bool IsHugeFieldValue(std::string_view value, bool multiLine) {
    if (value.size() <= HugeFieldBytes) return false;
    if (!multiLine) return true;
    size_t lineStart = 0;
    for (size_t i = 0; i <= value.size(); ++i) {
        if (i < value.size() && value[i] != '\r' && value[i] != '\n') continue;
        if (i - lineStart > HugeFieldBytes) return true;
        lineStart = i + 1;
    }
    return false;
}

TEntryFormTexts ShownEntryFormTexts(const TEntryFormTexts& stored) {
    TEntryFormTexts shown = stored;
    for (const TEntryFormField& field : EntryFormFields())
        if (IsHugeFieldValue(stored.*field.Text, field.MultiLine))
            shown.*field.Text = ShortenedText(stored.*field.Text, HugeFieldShownBytes);
    return shown;
}

void KeepHugeValues(TEntryFormTexts& edited, const TEntryFormTexts& shown,
                    const TEntryFormTexts& stored) {
    for (const TEntryFormField& field : EntryFormFields())
        if (IsHugeFieldValue(stored.*field.Text, field.MultiLine) &&
            edited.*field.Text == shown.*field.Text)
            edited.*field.Text = stored.*field.Text;
}

std::string WithoutLineBreaks(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\r' && c != '\n') out += c;
    return out;
}

bool SaveEntryFormTexts(TBankState& bank, TEntryFormTexts& t) {
    const bool workgroupName = HasWorkgroupMarker(t.Name);
    // Only an administrator can make a workgroup entry: another user could neither change
    // nor save it.
    if (workgroupName && !bank.IsAdministrator) {
        ShowAdminOnly();
        return false;
    }
    if (workgroupName) {
        MarkCategory(t.Category1);
        MarkCategory(t.Category2);
        MarkCategory(t.Category3);
    }
    const std::string trimmed = Trim(t.Name);
    if (trimmed.empty()) {
        MessageDlg("Name must be completed!\rPlease try again", TMsgDlgType::mtError, mbOK);
        return false;
    }
    // Only Modify keeps its entry's own name; every other way of adding checks it. A name is as
    // long as its first 50 characters (a dropped title may be longer): both sides are cut.
    const int modified = bank.ModifiedEntry;
    if (modified < 0 || modified > bank.EntryHigh || trimmed != Trim(bank.Entry(modified).Name)) {
        const std::string wanted = Cut(trimmed, EntryLimits::Name);
        for (int i = 0; i <= bank.EntryHigh; ++i) {
            if (i != modified && Cut(Trim(bank.Entry(i).Name), EntryLimits::Name) == wanted) {
                MessageDlg("This name already exists!\rPlease try again", TMsgDlgType::mtError,
                           mbOK);
                return false;
            }
        }
    }
    if (t.Password != t.Password2) {
        MessageDlg("The PassWord entries are not the same.\rPlease try again.",
                   TMsgDlgType::mtError, mbOK);
        return false;
    }
    int32_t count = 0;
    try {
        count = StrToInt(t.AccessCount);
    } catch (const Exception& e) {
        MessageDlg(e.Message, TMsgDlgType::mtError, mbOK);
        return false;
    }

    TEntry& e = bank.EditEntry;
    e.Favorite = t.Favorite ? Marker : std::string();
    e.Name = t.Name;
    e.Category1 = t.Category1;
    e.Category2 = t.Category2;
    e.Category3 = t.Category3;
    e.URL = WithoutLineBreaks(t.URL);
    if (e.URL.empty()) e.URL = "None";
    e.Notes = t.Notes;
    e.Description = t.Description;
    e.Rating = Cut(t.Rating, EntryLimits::Rating);
    e.UserID = Cut(t.UserID, EntryLimits::UserID);
    e.Password = Cut(t.Password, EntryLimits::Password);
    e.EMail = t.EMail;
    e.ChangeDate = Now();
    e.ConfNotes = t.ConfNotes;
    e.AccessCount = count;
    return true;
}

// ---- Commands ----

int FocusedEntryIndex(const TBankState& bank) {
    return bank.FocusedEntry >= 0 && bank.FocusedEntry <= bank.EntryHigh ? bank.FocusedEntry : -1;
}

bool WorkgroupGuard(TBankState& bank, const TSettings& settings, int index) {
    if (!bank.Entry(index).IsWorkgroup() || bank.IsAdministrator) return true;
    ValidateConfiguredUser(bank, settings);
    if (bank.IsAdministrator) return true;
    ShowAdminOnly();
    return false;
}

bool AddEntryCommand(TBankState& bank, const TSettings& settings) {
    if (!RequireBank(bank)) return false;
    ValidateConfiguredUser(bank, settings);
    ClearEntry(bank.EditEntry);
    return AddEntry(bank, 0);
}

bool ModifyEntryCommand(TBankState& bank, const TSettings& settings) {
    const int index = FocusedEntryIndex(bank);
    if (index < 0 || !WorkgroupGuard(bank, settings, index)) return false;
    bank.EditEntry.AssignFields(bank.Entry(index));
    // The editor keeps the entry's own name while it shows it.
    struct TModifying {
        TModifying(TBankState& bank, int index) : bank_(bank) { bank_.ModifiedEntry = index; }
        ~TModifying() { bank_.ModifiedEntry = -1; }
        TBankState& bank_;
    };
    int result = mrCancel;
    {
        const TModifying modifying(bank, index);
        result = RunEntryFormSeam(bank, 0);
    }
    if (result != mrOk) return false;
    bank.Entry(index).AssignFields(bank.EditEntry);
    EntryChanged(bank, bank.EditEntry.Name);
    return true;
}

bool CopyEntryCommand(TBankState& bank, const TSettings& settings) {
    const int index = FocusedEntryIndex(bank);
    if (index < 0 || !WorkgroupGuard(bank, settings, index)) return false;
    bank.EditEntry.AssignFields(bank.Entry(index));
    bank.EditEntry.Name.clear();
    bank.EditEntry.Favorite = std::string();
    return AddEntry(bank, 1);
}

bool DeleteEntryCommand(TBankState& bank, const TSettings& settings) {
    const int index = FocusedEntryIndex(bank);
    if (index < 0 || !WorkgroupGuard(bank, settings, index)) return false;
    const std::string name = bank.Entry(index).Name;
    if (settings.ConfirmDeletes && MessageDlg("Do you want to delete\r" + name + "?",
                                              TMsgDlgType::mtConfirmation, mbYesNo) != mrYes)
        return false;
    RemoveEntries(bank, {index});
    RebuildTreeSeam(bank);
    if (index <= bank.EntryHigh) SelectEntryNode(bank, bank.Entry(index).Name);
    return true;
}

bool ParseBrowserReply(const std::string& reply, std::string& url, std::string& name) {
    url.clear();
    name.clear();
    if (reply.empty()) return false;
    std::string rest = reply.substr(1);
    const size_t separator = rest.find("\",\"");
    if (separator == std::string::npos) {
        url = rest.substr(0, rest.find('"'));
        return true;
    }
    url = rest.substr(0, separator);
    rest.erase(0, separator + 3);
    name = rest.substr(0, rest.find('"'));
    return true;
}

bool AddEntryCurrentURLCommand(TBankState& bank, const TSettings& settings) {
    if (!RequireBank(bank)) return false;
    ValidateConfiguredUser(bank, settings);
    ClearEntry(bank.EditEntry);
    std::string reply;
    TDdeClientConv conversation;
    for (const char* service : {"IExplore", "Netscape", "Mosaic", "Netscp6", "Mozilla"}) {
        if (!conversation.SetLink(service, "WWW_GetWindowInfo")) continue;
        if (auto data = conversation.RequestData("0xFFFFFFFF,sURL,sTitle")) reply = *data;
        conversation.CloseLink();
        break;
    }
    TEntry& e = bank.EditEntry;
    if (ParseBrowserReply(reply, e.URL, e.Name)) {
        CleanUpURLName(bank, settings);
    } else {
        MessageDlg(
            "No URL information is available\r        or\r"
            "A browser other than Internet Explorer\ror Netscape Navigator is in use.",
            TMsgDlgType::mtInformation, mbOK);
    }
    return AddEntry(bank, 1);
}

bool DropURLCommand(TBankState& bank, const TSettings& settings, const std::string& title,
                    const std::string& url) {
    ClearEntry(bank.EditEntry);
    TEntry& e = bank.EditEntry;
    e.Name = title;
    CleanUpURLName(bank, settings);
    e.URL = url;
    if (!RequireBank(bank)) return false;
    return AddEntry(bank, 1);
}

void CleanUpURLName(TBankState& bank, const TSettings& settings) {
    std::string& name = bank.EditEntry.Name;
    for (const std::string& phrase : settings.CleanUpPhrases) {
        if (name.size() < phrase.size() || !SameText(name.substr(0, phrase.size()), phrase))
            continue;
        if (MessageDlg(
                "Do you want to eliminate\r\"" + phrase + "\"\rfrom the URL name\r\"" + name + "\"",
                TMsgDlgType::mtConfirmation, mbYesNo) == mrYes)
            name = Trim(name.substr(phrase.size()));
    }
}

// ---- Clipboard ----

void CopyURLToClipboard(const TBankState& bank) {
    const int index = FocusedEntryIndex(bank);
    if (index >= 0) SetClipboardText(bank.Entry(index).URL);
}

void CopyEntryToClipboard(const TBankState& bank) {
    const int index = FocusedEntryIndex(bank);
    if (index < 0) return;
    TExportState copy;
    const TExportSeams noSeams;  // the clipboard text is set here
    const TExportRun run{bank, copy, noSeams};
    BeginClipboardExport(run);
    EntryAsText(run, index);
    SetClipboardText(JoinLinesCRLF(copy.ClipboardLines));
}

void CopyUserIDToClipboard(const TBankState& bank) {
    const int index = FocusedEntryIndex(bank);
    if (index >= 0) SetClipboardText(bank.Entry(index).UserID.str());
}

void CopyUserIDPasswordToClipboard(const TBankState& bank) {
    const int index = FocusedEntryIndex(bank);
    if (index < 0) return;
    for (;;) {
        std::string typed;
        if (!AskPasswordSeam(bank.SeamsOrHeadless(), typed)) return;
        if (SameText(Trim(typed), Trim(bank.FilePassword))) break;
        MessageDlg("Password failed!\rPlease try again", TMsgDlgType::mtError, mbOK);
    }
    SetClipboardText(bank.Entry(index).Password.str());
}
