// The bank in memory: entry order, category paths and choice lists, name lookup and guards.
#include "BankModel.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <utility>

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
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const unsigned char ca = FoldAscii(a[i]);
        const unsigned char cb = FoldAscii(b[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    // Past the shorter value, its blanks meet the longer one's characters up to the column
    // width; beyond the width a longer value is the greater.
    const bool aLonger = a.size() > b.size();
    const std::string_view longer = aLonger ? a : b;
    const size_t end = std::min(longer.size(), std::max(common, CategoryColumnWidth));
    for (size_t i = common; i < end; ++i) {
        const unsigned char c = FoldAscii(longer[i]);
        if (c != ' ') return (c > ' ') == aLonger ? 1 : -1;
    }
    const size_t la = std::max(a.size(), CategoryColumnWidth);
    const size_t lb = std::max(b.size(), CategoryColumnWidth);
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
    EnableSaveSeam(SeamsOrHeadless(), true);
}

const TAppSeams& TBankState::SeamsOrHeadless() const {
    return Seams.get() ? *Seams.get() : HeadlessSeams();
}

TBankState& Bank() {
    struct TProgramBank : TBankState {
        TProgramBank() { Seams = &::Seams(); }
    };
    static TProgramBank bank;
    return bank;
}

void ResetBank() {
    Bank() = TBankState();  // keeps the program's seams
}

// ---------------------------------------------------------------------------------------------
// Order

int CompareIgnoringMarker(std::string_view a, std::string_view b) {
    return Sign(CompareText(StripWorkgroupMarker(a), StripWorkgroupMarker(b)));
}

// ---------------------------------------------------------------------------------------------
// Entries

void ClearEntry(TEntry& entry) {
    entry = TEntry();
}

TNameIndex::TNameIndex(const TBankState& bank) {
    Reserve(size_t(bank.EntryHigh + 1));
    for (int i = 0; i <= bank.EntryHigh; ++i) Insert(bank.Entries[size_t(i)].Name);
}

TNameIndex::TParts TNameIndex::Split(std::string_view name) const {
    TParts parts;
    parts.marked = HasWorkgroupMarker(name);
    size_t at = parts.marked ? 1 : 0;
    while (at < name.size() && name[at] == '_') ++at;
    parts.underscores = at - (parts.marked ? 1 : 0);
    parts.stem = name.substr(at);
    return parts;
}

uint32_t TNameIndex::HashOf(const TParts& parts) const {
    uint64_t hash = std::hash<std::string_view>()(parts.stem);
    if (parts.marked) hash ^= 0x9E3779B97F4A7C15u;
    return uint32_t(hash ^ (hash >> 32));
}

size_t TNameIndex::Find(const TParts& parts, uint32_t hash) const {
    const size_t mask = slots_.size() - 1;
    const uint32_t length = uint32_t(parts.stem.size()) | (parts.marked ? MarkedStem : 0);
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const TSlot& slot = slots_[at];
        if (slot.to == 0) return at;
        if (slot.hash == hash && slot.length == length) {
            if (std::memcmp(bytes_.data() + slot.offset, parts.stem.data(), parts.stem.size()) == 0)
                return at;
        }
    }
}

TNameIndex::TSlot& TNameIndex::StemSlot(const TParts& parts) {
    if (parts.stem.size() >= MarkedStem || bytes_.size() + parts.stem.size() > UINT32_MAX)
        throw std::length_error("Too many names");
    if ((count_ + 1) * 2 > slots_.size()) Grow((count_ + 1) * 2);
    const uint32_t hash = HashOf(parts);
    TSlot& slot = slots_[Find(parts, hash)];
    if (slot.to != 0) return slot;
    slot.hash = hash;
    slot.offset = uint32_t(bytes_.size());
    slot.length = uint32_t(parts.stem.size()) | (parts.marked ? MarkedStem : 0);
    bytes_.append(parts.stem);
    ++count_;
    return slot;
}

bool TNameIndex::Has(const TSlot& slot, size_t n) const {
    return FirstFree(slot, n) != n;
}

size_t TNameIndex::FirstFree(const TSlot& slot, size_t n) const {
    if (slot.to != InRuns) return slot.from <= n && n < slot.to ? slot.to : n;
    const TRuns& runs = runs_[slot.from];
    auto after = std::upper_bound(runs.begin(), runs.end(), n,
                                  [](size_t v, const auto& run) { return v < run.first; });
    // Runs never touch: the end of the one holding n is free.
    if (after == runs.begin() || n >= std::prev(after)->second) return n;
    return std::prev(after)->second;
}

void TNameIndex::Take(TSlot& slot, size_t n) {
    // Room for the end of the run, which InRuns must never be.
    if (n >= InRuns - 1) throw std::length_error("Too many names");
    const auto taken = uint32_t(n);
    if (slot.to == 0) {
        slot.from = taken;
        slot.to = taken + 1;
        return;
    }
    if (slot.to != InRuns) {
        if (taken == slot.to) {
            ++slot.to;
            return;
        }
        if (taken + 1 == slot.from) {
            --slot.from;
            return;
        }
        runs_.push_back({{slot.from, slot.to}});
        slot.from = uint32_t(runs_.size() - 1);
        slot.to = InRuns;
    }
    TRuns& runs = runs_[slot.from];
    auto after = std::upper_bound(runs.begin(), runs.end(), taken,
                                  [](uint32_t v, const auto& run) { return v < run.first; });
    const bool joinsNext = after != runs.end() && after->first == taken + 1;
    if (after != runs.begin() && std::prev(after)->second == taken) {
        auto before = std::prev(after);
        before->second = joinsNext ? after->second : taken + 1;
        if (joinsNext) runs.erase(after);
    } else if (joinsNext) {
        after->first = taken;
    } else {
        runs.insert(after, {taken, taken + 1});
    }
}

void TNameIndex::Grow(size_t slots) {
    size_t size = 16;
    while (size < slots) size *= 2;
    if (size <= slots_.size()) return;
    std::vector<TSlot> old = std::exchange(slots_, std::vector<TSlot>(size));
    const size_t mask = size - 1;
    for (const TSlot& slot : old) {
        if (slot.to == 0) continue;
        size_t at = slot.hash & mask;
        while (slots_[at].to != 0) at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

void TNameIndex::Reserve(size_t count) {
    Grow(count * 2);  // at most half full
}

bool TNameIndex::Contains(std::string_view name) const {
    if (slots_.empty()) return false;
    const TParts parts = Split(name);
    const TSlot& slot = slots_[Find(parts, HashOf(parts))];
    return slot.to != 0 && Has(slot, parts.underscores);
}

bool TNameIndex::Insert(std::string_view name) {
    const TParts parts = Split(name);
    TSlot& slot = StemSlot(parts);
    if (Has(slot, parts.underscores)) return false;
    Take(slot, parts.underscores);
    return true;
}

std::string TNameIndex::UniqueName(std::string name, size_t at, bool& renamed) {
    if (Insert(name)) return name;
    renamed = true;
    const bool marked = at == 1 && HasWorkgroupMarker(name);
    if (at != 0 && !marked) {
        // A place no stem starts at: every candidate is tried.
        do name.insert(at, 1, '_');
        while (!Insert(name));
        return name;
    }
    // Every candidate is the stem after `at` and its "_", with more "_" in front of it.
    TParts parts;
    parts.marked = marked;
    while (at + parts.underscores < name.size() && name[at + parts.underscores] == '_')
        ++parts.underscores;
    parts.stem = std::string_view(name).substr(at + parts.underscores);
    TSlot& slot = StemSlot(parts);
    const size_t n = FirstFree(slot, parts.underscores + 1);
    Take(slot, n);
    name.insert(at, n - parts.underscores, '_');
    return name;
}

int SelectEntryNode(TBankState& bank, std::string_view name) {
    int found = -1;
    for (int i = 0; i <= bank.EntryHigh && found < 0; ++i)
        if (bank.Entries[size_t(i)].Name == name) found = i;
    for (int i = 0; i <= bank.EntryHigh && found < 0; ++i)
        if (SameText(bank.Entries[size_t(i)].Name, name)) found = i;
    if (found < 0) return -1;
    bank.FocusedEntry = found;
    const TAppSeams& seams = bank.SeamsOrHeadless();
    if (seams.FocusEntryNode) seams.FocusEntryNode(found);
    return found;
}

bool AddEntry(TBankState& bank, int Mode) {
    const TAppSeams& seams = bank.SeamsOrHeadless();
    if (!seams.RunEntryForm || seams.RunEntryForm(Mode) != mrOk) return false;
    TEntry entry;
    entry.AssignFields(bank.EditEntry);
    const std::string name = entry.Name;
    bank.AppendEntry(entry);
    bank.MarkModified(name);
    RebuildTreeSeam(bank);
    SelectEntryNode(bank, name);
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

void AddCategoryPath(TBankState& bank, const TEntry& entry) {
    if (entry.Category1.empty()) return;
    const bool strip = !bank.IsAdministrator && HasWorkgroupMarker(entry.Category1);
    // The tree adds paths in its sorted order, nearly always after the last one: that end is
    // tried first, and a path that goes elsewhere still finds its place.
    bank.CategoryPaths.insert(bank.CategoryPaths.end(), CategoryPathOf(entry, strip));
}

void BuildCategoryKeys(TBankState& bank) {
    bank.CategoryKeys.clear();
    for (int i = 0; i <= bank.EntryHigh; ++i) {
        const TEntry& entry = bank.Entries[size_t(i)];
        if (!bank.IsAdministrator && HasWorkgroupMarker(entry.Category1)) continue;
        bank.CategoryKeys.insert(CategoryPathOf(entry, false));
    }
}

std::vector<std::string> FillCategory1Choices(const TBankState& bank) {
    std::vector<std::string> items;
    std::string last;
    for (const TCategoryPath& path : bank.CategoryPaths) {
        if (!SameText(path.C1, last)) {
            items.push_back(path.C1);
            last = path.C1;
        }
    }
    return items;
}

std::vector<std::string> FillCategory2Choices(const TBankState& bank, std::string_view Category1) {
    std::vector<std::string> items;
    if (Category1.empty()) return items;
    std::string last;
    for (const TCategoryPath& path : bank.CategoryPaths) {
        if (SameText(path.C1, Category1) && !path.C2.empty() && path.C2 != last) {
            items.push_back(path.C2);
            last = path.C2;
        }
    }
    return items;
}

std::vector<std::string> FillCategory3Choices(const TBankState& bank, std::string_view Category1,
                                              std::string_view Category2) {
    std::vector<std::string> items;
    if (Category2.empty()) return items;
    std::string last;
    for (const TCategoryPath& path : bank.CategoryPaths) {
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

bool CheckBankOpen(const TBankState& bank) {
    if (bank.EntryHigh != -1) return true;
    MessageDlg("No Bank Is Open!\rThis operation cannot be completed.", TMsgDlgType::mtError, mbOK);
    return false;
}

bool RequireBank(const TBankState& bank) {
    if (bank.EntryHigh != -1 || bank.NewBank) return true;
    if (MessageDlg("A Bank must be open for this operation!\rDo you want to create a new Bank?",
                   TMsgDlgType::mtConfirmation, mbYesNo) != mrYes)
        return false;
    // The command goes on only when New happened (it is abandoned when a save it asked for
    // did not happen).
    const TAppSeams& seams = bank.SeamsOrHeadless();
    return seams.NewBank && seams.NewBank();
}

void ShowAdminOnly() {
    MessageDlg("This operation can only be done by a Lorvane Administrator", TMsgDlgType::mtError,
               mbOK);
}
