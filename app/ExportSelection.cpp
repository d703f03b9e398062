// The export dialogs' selection rules and the writers' run.
#include "ExportSelection.h"

#include <algorithm>
#include <unordered_set>

#include "ExportWriters.h"
#include "platform/SysUtils.h"

namespace {

std::string* PathValue(TCategoryPath& path, int n) {
    return n == 0 ? &path.C1 : n == 1 ? &path.C2 : &path.C3;
}

TCategoryPath CutPath(TCategoryPath path, int depth) {
    for (int n = std::max(depth, 0); n < 3; ++n) PathValue(path, n)->clear();
    return path;
}

// A path as one hashable text: each value folded to lower case and prefixed with its length,
// so that no two different triples give the same text.
std::string FoldedKey(const TCategoryPath& path) {
    std::string key;
    for (const std::string* value : {&path.C1, &path.C2, &path.C3}) {
        key += std::to_string(value->size());
        key += ':';
        key += LowerCase(*value);
    }
    return key;
}

}  // namespace

std::vector<TCategoryPath> CategoryRows(const TCategoryList& keys, int depth) {
    std::vector<TCategoryPath> rows;
    std::unordered_set<std::string> seen;
    for (const TCategoryPath& key : keys) {
        TCategoryPath row = CutPath(key, depth);
        if (row.C1.empty() && row.C2.empty() && row.C3.empty()) continue;
        if (!seen.insert(FoldedKey(row)).second) continue;
        rows.push_back(std::move(row));
    }
    return rows;
}

TCategoryPath EntryCategoryKey(const TEntry& entry, int depth) {
    return CutPath(CategoryPathOf(entry, false), depth);
}

std::vector<int> EntriesInCategories(const TBankState& bank,
                                     const std::vector<TCategoryPath>& selected, int depth) {
    std::unordered_set<std::string> keys;
    keys.reserve(selected.size());
    for (const TCategoryPath& path : selected) keys.insert(FoldedKey(CutPath(path, depth)));
    std::vector<int> indices;
    if (keys.empty()) return indices;
    for (int i = 0; i <= bank.EntryHigh; ++i)
        if (keys.count(FoldedKey(EntryCategoryKey(bank.Entries[size_t(i)], depth))))
            indices.push_back(i);
    return indices;
}

bool RunExport(const TExportRun& run, int form, std::vector<int> indices) {
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    const TBankState& bank = run.Bank;
    indices.erase(std::remove_if(indices.begin(), indices.end(),
                                 [&](int i) { return i < 0 || i > bank.EntryHigh; }),
                  indices.end());
    try {
        switch (form) {
            case efClipboard:
                BeginClipboardExport(run);
                for (int i : indices) EntryAsText(run, i);
                FinishClipboardExport(run);
                return true;
            case efFile:
                if (!BeginDatExport(run)) return false;
                for (int i : indices) WriteDatRecord(run, i);
                FinishExport(run);
                return true;
            case efBankV1:
            case efBankV2: {
                const bool version2 = form == efBankV2;
                if (!BeginBankExport(run, version2)) return false;
                for (int i : indices) WriteExportBankRecord(run, i, version2);
                FinishExport(run);
                return true;
            }
            case efBookmark:
                if (!BeginBookmarkExport(run)) return false;
                for (int i : indices) CollectBookmarkEntry(run, i);
                WriteBookmarkEntries(run);
                return true;
            case efHTML:
                BeginHTMLExport(run);
                for (int i : indices) CollectHTMLEntry(run, i);
                ExportHTML(run);
                return true;
            default:
                return false;
        }
    } catch (...) {
        // The file being written is dropped unfinished: its safe writer keeps the old file.
        TExportState& st = run.State;
        st.ExportFile.reset();
        st.ClipboardLines.clear();
        st.HTMLCollection.clear();
        st.BookmarkCollection.clear();
        throw;
    }
}
