#include "BulkMaintenance.h"

#include <algorithm>
#include <cstdio>

#include "BankModel.h"
#include "Settings.h"
#include "platform/SysUtils.h"

int RemoveEntries(TBankState& bank, std::vector<int> indices) {
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    auto next = std::lower_bound(indices.begin(), indices.end(), 0);
    int kept = 0;
    int removed = 0;
    for (int i = 0; i <= bank.EntryHigh; ++i) {
        if (next != indices.end() && *next == i) {
            bank.MarkModified(bank.Entry(i).Name);
            ++next;
            ++removed;
            continue;
        }
        if (kept != i) bank.Entry(kept) = std::move(bank.Entry(i));
        ++kept;
    }
    if (removed > 0) {
        bank.TruncateEntries(kept - 1);
        // Indices held elsewhere may name other entries now.
        bank.FocusedEntry = -1;
        bank.FindIndex = -1;
    }
    return removed;
}

void ChangeCategories(TBankState& bank, const std::vector<int>& indices,
                      const std::array<std::string, 3>& texts, const std::array<bool, 3>& keep,
                      TDateTime now) {
    std::array<std::string, 3> values;
    for (size_t l = 0; l < 3; ++l) values[l] = Trim(texts[l]).substr(0, MaxCategoryLength);
    for (int index : indices) {
        if (index < 0 || index > bank.EntryHigh) continue;
        TEntry& e = bank.Entry(index);
        std::string* levels[3] = {&e.Category1, &e.Category2, &e.Category3};
        for (size_t l = 0; l < 3; ++l)
            if (!keep[l]) *levels[l] = values[l];
        e.ChangeDate = now;
        bank.MarkModified(e.Name);
    }
}

std::string AccessCountText(int count) {
    if (count == 0) return {};
    char text[16];
    std::snprintf(text, sizeof text, "%8d", count);
    return text;
}

std::vector<TFavoriteRow> FavoriteRows(const TBankState& bank) {
    std::vector<TFavoriteRow> rows;
    for (int i = 0; i <= bank.EntryHigh; ++i) {
        const TEntry& e = bank.Entry(i);
        if (e.IsWorkgroup() && !bank.IsAdministrator) continue;
        rows.push_back({i, e.IsFavorite(), AccessCountText(e.AccessCount), e.Name, e.Category1,
                        e.Category2, e.Category3});
    }
    std::stable_sort(rows.begin(), rows.end(), [&](const TFavoriteRow& a, const TFavoriteRow& b) {
        const int ca = bank.Entry(a.EntryIndex).AccessCount;
        const int cb = bank.Entry(b.EntryIndex).AccessCount;
        if (ca != cb) return ca > cb;
        return CompareText(a.Name, b.Name) < 0;
    });
    return rows;
}

int ApplyFavoriteRows(TBankState& bank, const std::vector<TFavoriteRow>& rows, TDateTime now) {
    int changed = 0;
    for (const TFavoriteRow& row : rows) {
        if (row.EntryIndex < 0 || row.EntryIndex > bank.EntryHigh) continue;
        TEntry& e = bank.Entry(row.EntryIndex);
        if (row.Checked == e.IsFavorite()) continue;
        e.Favorite = row.Checked ? std::string(1, WorkgroupMarker) : std::string();
        e.ChangeDate = now;
        bank.MarkModified(e.Name);
        ++changed;
    }
    return changed;
}

void ClearAccessCounts(TBankState& bank, TDateTime now) {
    for (int i = 0; i <= bank.EntryHigh; ++i) {
        TEntry& e = bank.Entry(i);
        e.AccessCount = 0;
        e.ChangeDate = now;
        bank.MarkModified(e.Name);
    }
}

std::string MajorDomain(std::string_view url) {
    const size_t slashes = url.find("//");
    if (slashes == std::string_view::npos) return std::string(url);
    const size_t end = url.find('/', slashes + 2);
    return std::string(url.substr(0, end));
}

std::vector<TDuplicateGroup> DuplicateGroups(const TBankState& bank, bool majorDomain) {
    struct TKeyed {
        std::string Key;
        int Index;
    };
    std::vector<TKeyed> lines;
    for (int i = 0; i <= bank.EntryHigh; ++i) {
        const TEntry& e = bank.Entry(i);
        if (e.IsWorkgroup() && !bank.IsAdministrator) continue;
        // "None", the URL of an entry without one, groups like any other.
        std::string url = Trim(e.URL);
        if (url.empty()) continue;
        // The key is cut before sorting, so that one host stays together.
        lines.push_back({majorDomain ? MajorDomain(url) : std::move(url), i});
    }
    std::stable_sort(lines.begin(), lines.end(), [](const TKeyed& a, const TKeyed& b) {
        const int c = CompareText(a.Key, b.Key);
        return c != 0 ? c < 0 : a.Index < b.Index;
    });
    std::vector<TDuplicateGroup> groups;
    for (size_t i = 0; i < lines.size();) {
        size_t j = i + 1;
        while (j < lines.size() && CompareText(lines[j].Key, lines[i].Key) == 0) ++j;
        if (j - i > 1) {
            TDuplicateGroup g{lines[i].Key, {}};
            for (size_t k = i; k < j; ++k) g.Indices.push_back(lines[k].Index);
            groups.push_back(std::move(g));
        }
        i = j;
    }
    return groups;
}

std::vector<std::string> CleanUpPhrasesFromLines(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        std::string phrase = Trim(line);
        std::erase_if(phrase, [](char c) { return c == '\r' || c == '\n'; });
        if (!phrase.empty()) out.push_back(std::move(phrase));
    }
    return out;
}

bool AddStartupNames(std::vector<std::string>& list, const std::vector<std::string>& picked) {
    for (const std::string& name : picked) {
        if (std::find(list.begin(), list.end(), name) != list.end()) continue;
        if (list.size() >= size_t(MaxStartupURLs)) return true;
        list.push_back(name);
    }
    return false;
}
