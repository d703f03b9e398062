// The entry-selection lists' rows and sort chains.
#include "EntryList.h"

#include <algorithm>
#include <numeric>

#include "BankModel.h"
#include "platform/SysUtils.h"

const std::string& TEntryListRow::Text(int column) const {
    static const std::string empty;
    return column >= 0 && size_t(column) < Texts.size() ? Texts[size_t(column)] : empty;
}

const std::vector<std::string>& EntryListCaptions() {
    static const std::vector<std::string> captions = {"Name", "Fav", "Category 1", "Category 2",
                                                      "Category 3"};
    return captions;
}

std::string_view FavoriteMark(const TEntry& entry) {
    return entry.Favorite.str() == std::string_view("\xBB", 1) ? FavoriteMarkText
                                                               : NoFavoriteMarkText;
}

TEntryListRow EntryListRow(const TEntry& entry, int index) {
    TEntryListRow row;
    row.EntryIndex = index;
    row.Texts = {entry.Name, std::string(FavoriteMark(entry)), entry.Category1, entry.Category2,
                 entry.Category3};
    return row;
}

std::vector<TEntryListRow> EntryListRows(const TBankState& bank) {
    std::vector<TEntryListRow> rows;
    rows.reserve(size_t(bank.Count()));
    for (int i = 0; i <= bank.EntryHigh; ++i) {
        const TEntry& entry = bank.Entries[size_t(i)];
        if (entry.IsWorkgroup() && !bank.IsAdministrator) continue;
        rows.push_back(EntryListRow(entry, i));
    }
    return rows;
}

TSortChain EntrySortChain(int column) {
    switch (column) {
        case elcName:
            return {elcName};
        case elcFav:
            return {elcFav, elcName};
        case elcCategory1:
            return {elcCategory1, elcCategory2, elcCategory3, elcName};
        case elcCategory2:
            return {elcCategory2, elcCategory3, elcCategory1, elcName};
        case elcCategory3:
            return {elcCategory3, elcCategory1, elcCategory2, elcName};
        default:
            return column > 0 ? TSortChain{column, elcName} : TSortChain{elcName};
    }
}

TSortChain CategorySortChain(int columns, int column) {
    TSortChain chain;
    if (columns <= 0) return chain;
    if (column < 0 || column >= columns) column = 0;
    for (int k = 0; k < columns; ++k) chain.push_back((column + k) % columns);
    return chain;
}

int CompareListRows(const TEntryListRow& a, const TEntryListRow& b, const TSortChain& chain) {
    for (int column : chain)
        if (int c = CompareText(a.Text(column), b.Text(column))) return c;
    return 0;
}

std::vector<size_t> SortedRowOrder(const std::vector<TEntryListRow>& rows,
                                   const std::vector<size_t>& current, const TSortChain& chain) {
    std::vector<size_t> order = current;
    if (order.size() != rows.size()) {
        order.resize(rows.size());
        std::iota(order.begin(), order.end(), size_t(0));
    }
    if (chain.empty()) return order;
    // The chain's first column decides most comparisons: its texts are compared through their
    // upper-case copies made once, byte by byte as CompareText compares them.
    std::vector<std::string> keys(rows.size());
    for (size_t r = 0; r < rows.size(); ++r) keys[r] = UpperCase(rows[r].Text(chain.front()));
    const TSortChain rest(chain.begin() + 1, chain.end());
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (const int c = keys[a].compare(keys[b])) return c < 0;
        return CompareListRows(rows[a], rows[b], rest) < 0;
    });
    return order;
}

std::vector<int> AscendingEntryIndices(const std::vector<const TEntryListRow*>& rows) {
    std::vector<int> indices;
    indices.reserve(rows.size());
    for (const TEntryListRow* row : rows)
        if (row && row->EntryIndex >= 0) indices.push_back(row->EntryIndex);
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
}

std::vector<int> FitColumnWidths(const std::vector<int>& wanted, int available) {
    available = std::max(available, 0);
    std::vector<int> widths(wanted.size());
    for (size_t i = 0; i < wanted.size(); ++i) widths[i] = std::clamp(wanted[i], 0, available);
    long long total = 0;
    for (int w : widths) total += w;
    if (total <= available) return widths;
    // The narrow columns keep their width; the rest share what is left, the same cut for all.
    std::vector<size_t> order(widths.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return widths[a] < widths[b]; });
    int left = available;
    for (size_t k = 0; k < order.size(); ++k) {
        const int sharing = int(order.size() - k);
        if (widths[order[k]] * (long long)sharing <= left) {
            left -= widths[order[k]];
            continue;
        }
        const int cut = left / sharing;
        int extra = left - cut * sharing;  // the pixels the division leaves go one by one
        for (size_t j = k; j < order.size(); ++j) {
            widths[order[j]] = cut + (extra > 0 ? 1 : 0);
            if (extra > 0) --extra;
        }
        break;
    }
    return widths;
}
