// The bank in memory: entry order, category paths and choice lists, name lookup and guards.
#include "BankModel.h"

#include <algorithm>

#include "AppSeams.h"
#include "Settings.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"

namespace {

// Paths compare as the fixed-column lines they once were: each value padded to this width.
constexpr size_t CategoryColumnWidth = 50;

unsigned char FoldAscii(char c) {
    auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 32) : u;
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

int CompareName(std::string_view a, std::string_view b, bool interleave) {
    return interleave ? CompareIgnoringMarker(a, b) : Sign(CompareText(a, b));
}

}  // namespace

void TEntry::AssignFields(const TEntry& from) {
    Name = from.Name;
    Description = from.Description;
    Rating = from.Rating;
    UserID = from.UserID;
    Password = from.Password;
    EMail = from.EMail;
    ConfNotes = from.ConfNotes;
    ChangeDate = from.ChangeDate;
    LastAccess = from.LastAccess;
    AccessCount = from.AccessCount;
    URL = from.URL;
    Favorite = from.Favorite;
    Category1 = from.Category1;
    Category2 = from.Category2;
    Category3 = from.Category3;
    Notes = from.Notes;
}

int ComparePaddedCategory(std::string_view a, std::string_view b) {
    const size_t la = std::max(a.size(), CategoryColumnWidth);
    const size_t lb = std::max(b.size(), CategoryColumnWidth);
    const size_t n = std::min(la, lb);
    for (size_t i = 0; i < n; ++i) {
        const unsigned char ca = i < a.size() ? FoldAscii(a[i]) : ' ';
        const unsigned char cb = i < b.size() ? FoldAscii(b[i]) : ' ';
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return la < lb ? -1 : (la > lb ? 1 : 0);
}

int CompareCategoryPaths(const TCategoryPath& a, const TCategoryPath& b) {
    if (int r = ComparePaddedCategory(a.C1, b.C1)) return r;
    if (int r = ComparePaddedCategory(a.C2, b.C2)) return r;
    return ComparePaddedCategory(a.C3, b.C3);
}

// ---------------------------------------------------------------------------------------------
// The bank state

int TBankState::AppendEntry(const TEntry& entry) {
    Entries.resize(size_t(EntryHigh + 1));
    Entries.push_back(entry);
    return ++EntryHigh;
}

void TBankState::TruncateEntries(int newHigh) {
    if (newHigh < -1) newHigh = -1;
    if (newHigh < EntryHigh) {
        EntryHigh = newHigh;
        Entries.resize(size_t(EntryHigh + 1));
    }
}

void TBankState::MarkModified(std::string_view name) {
    if (HasWorkgroupMarker(name))
        WorkgroupModified = true;
    else
        BankModified = true;
    EnableSaveSeam(true);
}

TBankState& Bank() {
    static TBankState bank;
    return bank;
}

void ResetBank() {
    Bank() = TBankState();
}

// ---------------------------------------------------------------------------------------------
// Order

int CompareIgnoringMarker(std::string_view a, std::string_view b) {
    return Sign(CompareText(StripWorkgroupMarker(a), StripWorkgroupMarker(b)));
}

int CompareEntries(const TEntry& a, const TEntry& b, bool Interleave) {
    if (a.Favorite.empty() && b.Favorite.empty()) {
        if (int r = CompareName(a.Category1, b.Category1, Interleave)) return r;
        if (int r = CompareName(a.Category2, b.Category2, Interleave)) return r;
        if (int r = CompareName(a.Category3, b.Category3, Interleave)) return r;
        return CompareName(a.Name, b.Name, Interleave);
    }
    if (a.Favorite == b.Favorite) return CompareName(a.Name, b.Name, Interleave);
    // The greater Favorite byte string comes first, so favourites lead.
    return CompareStr(a.Favorite, b.Favorite) <= 0 ? 1 : -1;
}

int CompareEntries(const TEntry& a, const TEntry& b) {
    return CompareEntries(a, b, Settings().Interleave);
}

// ---------------------------------------------------------------------------------------------
// Entries

void ClearEntry(TEntry& entry) {
    entry = TEntry();
}

void ClearEntry() {
    ClearEntry(Bank().EditEntry);
}

bool NameExists(std::string_view name) {
    const TBankState& bank = Bank();
    for (int i = 0; i <= bank.EntryHigh; ++i)
        if (bank.Entries[size_t(i)].Name == name) return true;
    return false;
}

TNameIndex::TNameIndex(const TBankState& bank) {
    names_.reserve(size_t(bank.EntryHigh + 1));
    for (int i = 0; i <= bank.EntryHigh; ++i) names_.insert(bank.Entries[size_t(i)].Name);
}

std::string TNameIndex::UniqueName(std::string name, size_t at, bool& renamed) {
    while (!Insert(name)) {
        renamed = true;
        name.insert(at, 1, '_');
    }
    return name;
}

int SelectEntryNode(std::string_view name) {
    TBankState& bank = Bank();
    int found = -1;
    for (int i = 0; i <= bank.EntryHigh && found < 0; ++i)
        if (bank.Entries[size_t(i)].Name == name) found = i;
    for (int i = 0; i <= bank.EntryHigh && found < 0; ++i)
        if (SameText(bank.Entries[size_t(i)].Name, name)) found = i;
    if (found < 0) return -1;
    bank.FocusedEntry = found;
    if (Seams().FocusEntryNode) Seams().FocusEntryNode(found);
    return found;
}

bool AddEntry(int Mode) {
    if (!Seams().RunEntryForm || Seams().RunEntryForm(Mode) != mrOk) return false;
    TBankState& bank = Bank();
    TEntry entry;
    entry.AssignFields(bank.EditEntry);
    const std::string name = entry.Name;
    bank.AppendEntry(entry);
    bank.MarkModified(name);
    RebuildTreeSeam();
    SelectEntryNode(name);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Category paths

TCategoryPath CategoryPathOf(const TEntry& entry, bool stripMarkers) {
    auto value = [stripMarkers](std::string_view v) {
        return Trim(stripMarkers ? StripWorkgroupMarker(v) : v);
    };
    return {value(entry.Category1), value(entry.Category2), value(entry.Category3)};
}

void AddCategoryPath(const TEntry& entry) {
    if (entry.Category1.empty()) return;
    TBankState& bank = Bank();
    const bool strip = !bank.IsAdministrator && HasWorkgroupMarker(entry.Category1);
    bank.CategoryPaths.insert(CategoryPathOf(entry, strip));
}

void BuildCategoryKeys() {
    TBankState& bank = Bank();
    bank.CategoryKeys.clear();
    for (int i = 0; i <= bank.EntryHigh; ++i) {
        const TEntry& entry = bank.Entries[size_t(i)];
        if (!bank.IsAdministrator && HasWorkgroupMarker(entry.Category1)) continue;
        bank.CategoryKeys.insert(CategoryPathOf(entry, false));
    }
}

std::vector<std::string> FillCategory1Choices() {
    std::vector<std::string> items;
    std::string last;
    for (const TCategoryPath& path : Bank().CategoryPaths) {
        if (!SameText(path.C1, last)) {
            items.push_back(path.C1);
            last = path.C1;
        }
    }
    return items;
}

std::vector<std::string> FillCategory2Choices(std::string_view Category1) {
    std::vector<std::string> items;
    if (Category1.empty()) return items;
    std::string last;
    for (const TCategoryPath& path : Bank().CategoryPaths) {
        if (SameText(path.C1, Category1) && !path.C2.empty() && path.C2 != last) {
            items.push_back(path.C2);
            last = path.C2;
        }
    }
    return items;
}

std::vector<std::string> FillCategory3Choices(std::string_view Category1,
                                              std::string_view Category2) {
    std::vector<std::string> items;
    if (Category2.empty()) return items;
    std::string last;
    for (const TCategoryPath& path : Bank().CategoryPaths) {
        if (SameText(path.C1, Category1) && SameText(path.C2, Category2) && !path.C3.empty() &&
            path.C3 != last) {
            items.push_back(path.C3);
            last = path.C3;
        }
    }
    return items;
}

// ---------------------------------------------------------------------------------------------
// Guards

bool CheckBankOpen() {
    if (Bank().EntryHigh != -1) return true;
    MessageDlg("No Bank Is Open!\rThis operation cannot be completed.", TMsgDlgType::mtError, mbOK);
    return false;
}

bool RequireBank() {
    if (Bank().EntryHigh != -1 || Bank().NewBank) return true;
    if (MessageDlg("A Bank must be open for this operation!\rDo you want to create a new Bank?",
                   TMsgDlgType::mtConfirmation, mbYesNo) != mrYes)
        return false;
    if (Seams().NewBank) Seams().NewBank();
    return true;
}

void ShowAdminOnly() {
    MessageDlg("This operation can only be done by a Lorvane Administrator", TMsgDlgType::mtError,
               mbOK);
}
