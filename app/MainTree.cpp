// The main tree: cells by node kind and column, column persistence and the rebuild from the bank.
#include "MainTree.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <unordered_map>

#include "AppSeams.h"
#include "ProgramState.h"
#include "ResStrings.h"
#include "StSort.h"
#include "StStrL.h"
#include "VirtualTrees.h"
#include "platform/Codec.h"
#include "platform/DateTime.h"
#include "platform/SysUtils.h"

#include <vector>

std::string FormatTreeDate(TDateTime value) {
    if (!(value > NoDate)) return std::string();
    return FormatDateTime(ResDatePicture, value);
}

std::string FormatAccessCount(int32_t count) {
    if (count == 0) return std::string();
    return LeftPadLongStr(GroupThousandsLongStr(count), 10);
}

namespace {

// The entry a node's data names, when that slot holds one.
const TEntry* EntryOf(const TBankState& bank, const TTreeNodeData& data) {
    if (data.EntryIndex < 0 || data.EntryIndex > bank.EntryHigh) return nullptr;
    return &bank.Entries[size_t(data.EntryIndex)];
}

std::string FolderText(const std::string& value, bool workgroup) {
    return workgroup && !value.empty() ? value.substr(1) : value;
}

}  // namespace

void MainTreeGetText(const TBankState& bank, const TSettings& settings, const TTreeNodeData& data,
                     int column, std::string& text) {
    const TEntry* entry = EntryOf(bank, data);
    if (column <= 0) {
        switch (data.Kind) {
            case nkCategory1:
                if (entry) text = FolderText(entry->Category1, data.Workgroup);
                break;
            case nkCategory2:
                if (entry) text = FolderText(entry->Category2, data.Workgroup);
                break;
            case nkCategory3:
                if (entry) text = FolderText(entry->Category3, data.Workgroup);
                break;
            case nkEntry:
                if (entry) text = entry->Name;
                break;
            case nkFavorites:
                text = FavoritesCaption;
                break;
            case nkNoCategories:
                text = NoCategoriesCaption;
                break;
            default:
                break;
        }
        return;
    }
    if (data.Kind != nkEntry) {
        text.clear();
        return;
    }
    if (column >= ColumnCount || !entry) return;
    switch (settings.ColumnTable[size_t(column)].Field) {
        case 1:
            text = entry->Description;
            break;
        case 2:
            text = entry->Rating;
            break;
        case 3:
            text = entry->UserID;
            break;
        case 4:
            text = entry->EMail;
            break;
        case 5:
            text = FormatTreeDate(entry->LastAccess);
            break;
        case 6:
            text = FormatAccessCount(entry->AccessCount);
            break;
        case 7:
            text = FormatTreeDate(entry->ChangeDate);
            break;
        case 8:
            text = entry->URL;
            break;
        default:
            break;  // field 0 (or damage) keeps the tree's text
    }
}

void MainTreeCellText(const TBankState& bank, const TSettings& settings, const TTreeNodeData& data,
                      int column, std::string& text) {
    std::string value = Utf8ToAnsi(text);
    MainTreeGetText(bank, settings, data, column, value);
    text = AnsiToUtf8(value);
}

int MainTreeImageIndex(const TTreeNodeData& data, int column) {
    if (column > 0) return -1;
    switch (data.Kind) {
        case nkCategory1:
        case nkFavorites:
        case nkNoCategories:
            return 0;
        case nkCategory2:
            return 1;
        case nkCategory3:
            return 2;
        default:
            return -1;
    }
}

bool IsWorkgroupNode(const TBankState& bank, const TTreeNodeData& data) {
    if (data.Workgroup) return true;
    const TEntry* entry = EntryOf(bank, data);
    return entry && entry->IsWorkgroup();
}

bool MainTreeCellColor(const TBankState& bank, const TSettings& settings, const TTreeNodeData& data,
                       int column, TColor& color) {
    if (column > 0) return false;
    const bool wg = IsWorkgroupNode(bank, data);
    switch (data.Kind) {
        case nkCategory1:
        case nkFavorites:
        case nkNoCategories:
            color = wg ? settings.WgC1Color : settings.BkC1Color;
            return true;
        case nkCategory2:
            color = wg ? settings.WgC2Color : settings.BkC2Color;
            return true;
        case nkCategory3:
            color = wg ? settings.WgC3Color : settings.BkC3Color;
            return true;
        case nkEntry:
            color = wg ? settings.WgURLColor : settings.BkURLColor;
            return true;
        default:
            return false;
    }
}

TCellFont MainTreeCellFont(const TBankState& bank, const TSettings& settings,
                           const TTreeNodeData& data) {
    if (IsWorkgroupNode(bank, data))
        return {settings.WgFontName, settings.WgFontSize, settings.WgFontStyle,
                settings.WgFontColor};
    return {settings.FontName, settings.FontSize, settings.FontStyle, settings.FontColor};
}

namespace {

// The relative luminance of an RGB colour (red in the low byte), 0 black .. 1 white.
double RelativeLuminance(TColor color) {
    auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color & 0xFF) + 0.7152 * linear((color >> 8) & 0xFF) +
           0.0722 * linear((color >> 16) & 0xFF);
}

}  // namespace

TColor FocusedTextColor(TColor brush, TColor highlightText) {
    const TColor complement = ~brush & 0xFFFFFF;
    const double a = RelativeLuminance(brush), b = RelativeLuminance(complement);
    const double contrast = (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
    return contrast < 4.5 ? highlightText : complement;
}

// ---- Columns ------------------------------------------------------------------------------

TInfoPanelState& InfoPanel() {
    return ProgramState().InfoPanel;
}

bool MoveColumnOrder(std::array<int32_t, ColumnCount>& order, int oldPosition, int newPosition) {
    if (oldPosition < 1 || oldPosition >= ColumnCount) return false;
    newPosition = std::clamp(newPosition, 1, ColumnCount - 1);
    if (newPosition == oldPosition) return false;
    const int32_t moved = order[size_t(oldPosition)];
    if (oldPosition < newPosition)
        std::copy(order.begin() + oldPosition + 1, order.begin() + newPosition + 1,
                  order.begin() + oldPosition);
    else
        std::copy_backward(order.begin() + newPosition, order.begin() + oldPosition,
                           order.begin() + oldPosition + 1);
    order[size_t(newPosition)] = moved;
    return true;
}

void ColumnDragged(TSettings& settings, int oldPosition, int newPosition) {
    if (MoveColumnOrder(settings.ColumnOrder, oldPosition, newPosition)) SaveSettings(settings);
}

bool ColumnsResized(TSettings& settings, const TInfoPanelState& panel,
                    const std::array<int32_t, ColumnCount>& widths) {
    if (panel.SuppressColumnSave) return false;
    bool changed = false;
    for (int n = 0; n < ColumnCount; ++n) {
        TColumnRec& rec = settings.ColumnTable[size_t(n)];
        if (rec.Width != widths[size_t(n)]) {
            rec.Width = widths[size_t(n)];
            changed = true;
        }
    }
    if (changed) SaveSettings(settings);
    return changed;
}

bool FocusChangeRestoresColumns(TInfoPanelState& panel, const TAppSeams& seams) {
    if (panel.InfoShown && seams.CloseInfoPanel) seams.CloseInfoPanel();
    const bool restore = panel.SuppressColumnSave;
    panel.SuppressColumnSave = false;
    return restore;
}

void NormalizeColumnTable(TSettings& settings) {
    auto& table = settings.ColumnTable;
    if (table[0].Field == 0) return;
    for (size_t n = 1; n < table.size(); ++n) {
        if (table[n].Field == 0) {
            std::swap(table[0], table[n]);
            return;
        }
    }
}

std::pair<int, int> MinimumTrackSize(int screenWidth) {
    switch (screenWidth) {
        case 640:
            return {-90, -80};
        case 800:
            return {-70, -65};
        case 1024:
            return {-60, -50};
        case 1152:
        case 1280:
        case 1600:
            return {-55, -50};
        default:
            return {0, 0};
    }
}

// ---- Building -----------------------------------------------------------------------------

std::string EntriesCaption(const TBankState& bank) {
    return bank.BankCaption + "    " + IntToStr(bank.EntryHigh + 1) + " Entries";
}

int FocusedEntryChecked(const TBankState& bank) {
    return bank.FocusedEntry >= 0 && bank.FocusedEntry <= bank.EntryHigh ? bank.FocusedEntry : -1;
}

namespace {

// One pass over the sorted entries, creating groups, folders and entry nodes in pre-order.
class TTreeFiller {
public:
    TTreeFiller(TBaseVirtualTree& tree, TBankState& bank, bool interleave)
        : tree_(tree), bank_(bank), interleave_(interleave) {}

    void Add(int i) {
        TEntry& entry = bank_.Entries[size_t(i)];
        // Sorted entries repeat their paths: an identical one adds nothing.
        if (!previous_ || previous_->Category1 != entry.Category1 ||
            previous_->Category2 != entry.Category2 || previous_->Category3 != entry.Category3)
            AddCategoryPath(bank_, entry);
        previous_ = &entry;
        // A third level only lives inside a second one.
        const std::string& c3 = entry.Category2.empty() ? empty_ : entry.Category3;
        if (entry.IsFavorite()) {
            if (favoritesPending_) {
                f1_ = Node(nullptr, nkFavorites, 0, false);
                favoritesPending_ = false;
            }
            lastC1_.clear();
            lastC2_.clear();
            lastC3_.clear();
        } else if (Differs(entry.Category1, lastC1_)) {
            lastC1_ = entry.Category1;
            lastC2_ = entry.Category2;
            lastC3_ = c3;
            if (!lastC1_.empty()) {
                f1_ = Folder(nullptr, nkCategory1, i, lastC1_);
                if (!lastC2_.empty()) {
                    f2_ = Folder(f1_, nkCategory2, i, lastC2_);
                    if (!lastC3_.empty()) f3_ = Folder(f2_, nkCategory3, i, lastC3_);
                }
            }
        } else if (!lastC1_.empty() || !noCategoriesPending_) {
            Lower(entry, c3, i);
        } else {
            // The first entry without categories opens its group, then gets its lower folders
            // as every later one of the group does.
            f1_ = Node(nullptr, nkNoCategories, 0, false);
            noCategoriesPending_ = false;
            lastC1_.clear();
            lastC2_.clear();
            lastC3_.clear();
            Lower(entry, c3, i);
        }
        ++row_;
        entry.TreeIndex = row_;
        PVirtualNode parent = lastC2_.empty() ? f1_ : !lastC3_.empty() ? f3_ : f2_;
        entry.Node = Node(parent, nkEntry, i, false, false);
    }

private:
    bool Differs(const std::string& a, const std::string& b) const {
        return interleave_ ? CompareIgnoringMarker(a, b) != 0 : CompareText(a, b) != 0;
    }

    // Step c: new level-2 and level-3 folders below the current level-1 folder or group.
    void Lower(const TEntry& entry, const std::string& c3, int i) {
        if (Differs(entry.Category2, lastC2_)) {
            lastC2_ = entry.Category2;
            lastC3_ = c3;
            f2_ = Folder(f1_, nkCategory2, i, lastC2_);
            if (!lastC3_.empty()) f3_ = Folder(f2_, nkCategory3, i, lastC3_);
        } else if (Differs(c3, lastC3_)) {
            lastC3_ = c3;
            if (!lastC3_.empty() && !lastC2_.empty()) f3_ = Folder(f2_, nkCategory3, i, lastC3_);
        }
    }

    PVirtualNode Folder(PVirtualNode parent, TNodeKind kind, int i, const std::string& value) {
        return Node(parent, kind, i, interleave_ && HasWorkgroupMarker(value));
    }

    PVirtualNode Node(PVirtualNode parent, TNodeKind kind, int index, bool workgroup,
                      bool countRow = true) {
        if (countRow) ++row_;
        PVirtualNode node = tree_.AddChild(parent);
        TTreeNodeData* data = tree_.GetNodeData<TTreeNodeData>(node);
        data->EntryIndex = index;
        data->Kind = kind;
        data->Workgroup = workgroup;
        return node;
    }

    TBaseVirtualTree& tree_;
    TBankState& bank_;
    const bool interleave_;
    const std::string empty_;
    std::string lastC1_, lastC2_, lastC3_;
    PVirtualNode f1_ = nullptr, f2_ = nullptr, f3_ = nullptr;
    bool favoritesPending_ = true;
    bool noCategoriesPending_ = true;
    int row_ = -1;
    const TEntry* previous_ = nullptr;
};

// The bank's order (SortEntries) over keys made once. Values are folded as the order folds them
// (upper case, without the marker when the workgroup is interleaved), and the marks and
// categories are replaced by their ranks among the distinct folded values, so that comparing
// keys orders the entries as the bank's order does.
struct TSortKey {
    uint32_t Group = 0;  // favourites by mark, the greater mark first; the others last
    uint32_t C1 = 0, C2 = 0, C3 = 0;
    uint64_t NamePrefix = 0;  // the first 8 bytes of the folded name, big-endian
    const std::string* Name = nullptr;
    int32_t Index = 0;  // the entry's slot
};

std::string FoldKey(std::string_view value, bool interleave) {
    return UpperCase(interleave ? StripWorkgroupMarker(value) : value);
}

int CompareKeys(const TSortKey& a, const TSortKey& b) {
    if (a.Group != b.Group) return a.Group < b.Group ? -1 : 1;
    if (a.C1 != b.C1) return a.C1 < b.C1 ? -1 : 1;
    if (a.C2 != b.C2) return a.C2 < b.C2 ? -1 : 1;
    if (a.C3 != b.C3) return a.C3 < b.C3 ? -1 : 1;
    if (a.NamePrefix != b.NamePrefix) return a.NamePrefix < b.NamePrefix ? -1 : 1;
    return CompareStr(*a.Name, *b.Name);
}

// Bytes beyond the end count as 0, so prefixes order as the whole values do or tie.
uint64_t PrefixOf(const std::string& value) {
    uint64_t prefix = 0;
    for (size_t i = 0; i < 8; ++i)
        prefix = (prefix << 8) | (i < value.size() ? static_cast<unsigned char>(value[i]) : 0u);
    return prefix;
}

// Ranks of values in byte order (std::string compares bytes unsigned, as CompareStr does);
// equal values share a rank. `descending` ranks the greatest first.
template <class Get>
void RankValues(size_t count, Get get, bool descending,
                const std::function<void(size_t, uint32_t)>& set) {
    std::unordered_map<std::string, uint32_t> index;
    std::vector<const std::string*> distinct;
    std::vector<uint32_t> slot(count);
    for (size_t i = 0; i < count; ++i) {
        auto [it, added] = index.try_emplace(get(i), uint32_t(distinct.size()));
        if (added) distinct.push_back(&it->first);
        slot[i] = it->second;
    }
    std::vector<uint32_t> byValue(distinct.size());
    for (uint32_t d = 0; d < byValue.size(); ++d) byValue[d] = d;
    std::sort(byValue.begin(), byValue.end(), [&](uint32_t a, uint32_t b) {
        return descending ? *distinct[b] < *distinct[a] : *distinct[a] < *distinct[b];
    });
    std::vector<uint32_t> rank(distinct.size());
    for (uint32_t r = 0; r < byValue.size(); ++r) rank[byValue[r]] = r;
    for (size_t i = 0; i < count; ++i) set(i, rank[slot[i]]);
}

void ClearTree(TBaseVirtualTree& tree) {
    tree.BeginUpdate();
    try {
        tree.Clear();
    } catch (...) {
        tree.EndUpdate();
        throw;
    }
    tree.EndUpdate();
}

}  // namespace

// The sort runs with SortArray over the entries' keys and the entries move once at the end:
// the routine's swaps depend only on the comparisons' results, so the order is the one sorting
// the entries themselves by the bank's order gives, ties included.
void SortEntries(TBankState& bank, bool interleave) {
    const size_t count = size_t(bank.EntryHigh + 1);
    const std::vector<TEntry>& entries = bank.Entries;
    std::vector<TSortKey> keys(count);
    // Favourites first, by mark descending; an empty mark is the least, so the rest go last.
    RankValues(
        count, [&](size_t i) { return std::string(entries[i].Favorite); }, true,
        [&](size_t i, uint32_t r) { keys[i].Group = r; });
    // A bank repeats few category values many times: each distinct value is folded once.
    auto rankCategory = [&](std::string TEntry::*field, uint32_t TSortKey::*key) {
        std::unordered_map<std::string_view, uint32_t> distinct;
        std::vector<std::string> folded;
        std::vector<uint32_t> slot(count);
        for (size_t i = 0; i < count; ++i) {
            const std::string_view value =
                entries[i].IsFavorite() ? std::string_view() : std::string_view(entries[i].*field);
            auto [it, added] = distinct.try_emplace(value, uint32_t(folded.size()));
            if (added) folded.push_back(FoldKey(value, interleave));
            slot[i] = it->second;
        }
        std::vector<uint32_t> rank(folded.size());
        RankValues(
            folded.size(), [&](size_t d) -> const std::string& { return folded[d]; }, false,
            [&](size_t d, uint32_t r) { rank[d] = r; });
        for (size_t i = 0; i < count; ++i) keys[i].*key = rank[slot[i]];
    };
    rankCategory(&TEntry::Category1, &TSortKey::C1);
    rankCategory(&TEntry::Category2, &TSortKey::C2);
    rankCategory(&TEntry::Category3, &TSortKey::C3);
    std::vector<std::string> folded(count);
    for (size_t i = 0; i < count; ++i) {
        folded[i] = FoldKey(entries[i].Name, interleave);
        keys[i].NamePrefix = PrefixOf(folded[i]);
        keys[i].Name = &folded[i];
        keys[i].Index = int32_t(i);
    }

    // The keys themselves are sorted: only names that share their first 8 bytes are read
    // from outside the array.
    SortArray(keys.begin(), keys.end(), CompareKeys);
    std::vector<int32_t> order(count);
    for (size_t i = 0; i < count; ++i) order[i] = keys[i].Index;
    keys = std::vector<TSortKey>();
    // Slot i takes the entry from slot order[i]: each cycle of the permutation moves round
    // once through one spare entry.
    for (size_t start = 0; start < count; ++start) {
        if (order[start] < 0 || size_t(order[start]) == start) continue;
        TEntry spare = std::move(bank.Entries[start]);
        size_t slot = start;
        while (size_t(order[slot]) != start) {
            const size_t from = size_t(order[slot]);
            bank.Entries[slot] = std::move(bank.Entries[from]);
            order[slot] = -1;
            slot = from;
        }
        bank.Entries[slot] = std::move(spare);
        order[slot] = -1;
    }
}

void RebuildTree(TBankState& bank, const TSettings& settings, TBaseVirtualTree& tree) {
    const TAppSeams& seams = bank.SeamsOrHeadless();
    const bool interleave = settings.Interleave;
    bank.CategoryPaths.clear();
    ClearTree(tree);
    // The tree's Clear moves no focus, so nothing else would forget the old focused entry.
    bank.FocusedEntry = -1;
    for (TEntry& entry : bank.Entries) entry.Node = nullptr;
    if (bank.EntryHigh < 0) {
        if (!bank.BankCaption.empty()) SetCaptionSeam(seams, EntriesCaption(bank));
        return;
    }

    TBusyScope busy(seams);
    SortEntries(bank, interleave);
    ProcessEventsSeam(seams);

    tree.SetNodeDataSize(int(sizeof(TTreeNodeData)));
    tree.SetRootNodeCount(0);
    tree.BeginUpdate();
    try {
        TTreeFiller filler(tree, bank, interleave);
        for (int i = 0; i <= bank.EntryHigh; ++i) filler.Add(i);
    } catch (...) {
        tree.EndUpdate();
        throw;
    }
    tree.EndUpdate();
    SetCaptionSeam(seams, EntriesCaption(bank));
    EnableSaveAsSeam(seams, true);
}
