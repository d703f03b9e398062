// The moves of dropped tree items.
#include "TreeDrop.h"

#include <functional>
#include <vector>

#include "AppSeams.h"
#include "Settings.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"

namespace {

const std::string FavoriteMark = "\xBB";

// Two category values in the same folder of the tree.
bool SameFolder(const std::string& a, const std::string& b, bool interleave) {
    const std::string ta = Trim(a), tb = Trim(b);
    return interleave ? CompareIgnoringMarker(ta, tb) == 0 : CompareText(ta, tb) == 0;
}

// The same folders on levels 1..level.
bool SamePath(const TEntry& a, const TEntry& b, int level, bool interleave) {
    return SameFolder(a.Category1, b.Category1, interleave) &&
           (level < 2 || SameFolder(a.Category2, b.Category2, interleave)) &&
           (level < 3 || SameFolder(a.Category3, b.Category3, interleave));
}

bool Has(const std::string& value) {
    return !Trim(value).empty();
}

// The target lies on the dragged node itself or below it.
bool InOwnSubtree(const TTreeNodeData& s, const TTreeNodeData& t, const TEntry& es,
                  const TEntry& et, bool interleave) {
    const bool targetFavorite = t.Kind == nkFavorites || (t.Kind == nkEntry && et.IsFavorite());
    switch (s.Kind) {
        case nkEntry:
            return t.Kind == nkEntry && t.EntryIndex == s.EntryIndex;
        case nkFavorites:
            return targetFavorite;
        case nkNoCategories:
            return t.Kind == nkNoCategories ||
                   (!targetFavorite && t.Kind != nkCategory1 && !Has(et.Category1));
        case nkCategory1:
        case nkCategory2:
        case nkCategory3:
            return !targetFavorite && t.Kind >= s.Kind && t.Kind <= nkEntry &&
                   SamePath(es, et, s.Kind, interleave);
        default:
            return false;
    }
}

}  // namespace

TTreeDropResult applyTreeDrop(TBankState& bank, const TTreeNodeData* source,
                              const TTreeNodeData* target, bool interleave,
                              std::string& selectName) {
    auto live = [&](const TTreeNodeData* d) {
        return d && d->EntryIndex >= 0 && d->EntryIndex <= bank.EntryHigh;
    };
    if (!live(source) || !live(target)) return TTreeDropResult::Nothing;
    const int first = source->EntryIndex;
    // Copies: the moves below change the entries these were taken from.
    const TEntry es = bank.Entry(first);
    const TEntry et = bank.Entry(target->EntryIndex);
    if (InOwnSubtree(*source, *target, es, et, interleave)) return TTreeDropResult::Nothing;
    // A group holds no entry of its own to move.
    if (source->Kind == nkFavorites || source->Kind == nkNoCategories)
        return TTreeDropResult::Failed;

    auto done = [&] {
        selectName = es.Name;
        return TTreeDropResult::Moved;
    };
    if (target->Kind == nkFavorites || (target->Kind == nkEntry && et.IsFavorite())) {
        TEntry& e = bank.Entry(first);
        e.Favorite = FavoriteMark;
        bank.MarkModified(e.Name);
        return done();
    }

    const int sk = source->Kind, tk = target->Kind;
    if (sk == nkEntry) {
        if (tk != nkCategory1 && tk != nkCategory2 && tk != nkCategory3)
            return TTreeDropResult::Failed;
        TEntry& e = bank.Entry(first);
        e.Category1 = et.Category1;
        e.Category2 = tk >= nkCategory2 ? et.Category2 : std::string();
        e.Category3 = tk == nkCategory3 ? et.Category3 : std::string();
        e.Favorite = std::string();
        bank.MarkModified(e.Name);
        return done();
    }

    // A folder: its run of entries from its first one on.
    std::vector<int> run;
    for (int i = first; i <= bank.EntryHigh; ++i) {
        const TEntry& e = bank.Entry(i);
        if (!e.IsFavorite() && SamePath(e, es, sk, interleave)) run.push_back(i);
    }
    auto any = [&](auto test) {
        for (int i : run)
            if (test(bank.Entry(i))) return true;
        return false;
    };
    std::function<void(TEntry&)> move;
    if (sk == nkCategory3 && tk == nkCategory1) {
        move = [&](TEntry& e) {
            e.Category2 = e.Category3;
            e.Category1 = et.Category1;
            e.Category3 = std::string();
        };
    } else if (sk == nkCategory3 && tk == nkCategory2) {
        move = [&](TEntry& e) {
            e.Category1 = et.Category1;
            e.Category2 = et.Category2;
        };
    } else if (sk == nkCategory2 && tk == nkCategory1) {
        move = [&](TEntry& e) { e.Category1 = et.Category1; };
    } else if (sk == nkCategory2 && tk == nkCategory2) {
        if (any([](const TEntry& e) { return Has(e.Category3); })) return TTreeDropResult::Failed;
        move = [&](TEntry& e) {
            e.Category3 = e.Category2;
            e.Category2 = et.Category2;
            e.Category1 = et.Category1;
        };
    } else if (sk == nkCategory1 && tk == nkCategory1) {
        if (any([](const TEntry& e) { return Has(e.Category3); })) return TTreeDropResult::Failed;
        move = [&](TEntry& e) {
            e.Category3 = e.Category2;
            e.Category2 = e.Category1;
            e.Category1 = et.Category1;
        };
    } else if (sk == nkCategory1 && tk == nkCategory2) {
        if (any([](const TEntry& e) { return Has(e.Category2) || Has(e.Category3); }))
            return TTreeDropResult::Failed;
        move = [&](TEntry& e) {
            e.Category3 = e.Category1;
            e.Category2 = et.Category2;
            e.Category1 = et.Category1;
        };
    } else {
        return TTreeDropResult::Failed;
    }
    for (int i : run) {
        TEntry& e = bank.Entry(i);
        move(e);
        e.Favorite = std::string();
        bank.MarkModified(e.Name);
    }
    return done();
}

bool TreeDrop(TBankState& bank, const TSettings& settings, const TTreeNodeData* source,
              const TTreeNodeData* target) {
    std::string name;
    switch (applyTreeDrop(bank, source, target, settings.Interleave, name)) {
        case TTreeDropResult::Moved:
            RebuildTreeSeam(bank);
            SelectEntryNode(bank, name);
            return true;
        case TTreeDropResult::Failed:
            MessageDlg(TreeDropFailedText, TMsgDlgType::mtError, mbOK);
            return false;
        case TTreeDropResult::Nothing:
            break;
    }
    return false;
}
