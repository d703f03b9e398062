// The keyword and start/stop-key lists with their lookups, and the highlighter's memo links.
#include "MarkMemoKeys.h"

#include <algorithm>

#include "MarkMemo.h"

namespace {

std::string MatchCopyOf(const std::string& key, uint8_t options, TpmUpperCase kind) {
    std::string copy = key;
    if (!(options & koCaseSensitive)) UpperCaseInPlace(copy, kind);
    return copy;
}

}  // namespace

// ---- keywords ----

const TKeywordList::Item& TKeywordList::At(int i) const {
    if (i < 0 || i >= Count()) RaiseListIndex();
    return items_[size_t(i)];
}

int TKeywordList::AddKeyWord(const std::string& keyword, uint8_t options, uint8_t style,
                             int16_t context, int16_t cursor, int32_t backColor,
                             int32_t textColor) {
    Item item;
    item.text = keyword;
    item.rec = {options, style, context, cursor, backColor, textColor, 0};
    items_.push_back(std::move(item));
    Rebuild();
    return Count() - 1;
}

void TKeywordList::SetRecord(int i, const TKeywordRec& rec) {
    At(i);
    items_[size_t(i)].rec = rec;
    Rebuild();
}

void TKeywordList::Delete(int i) {
    At(i);
    items_.erase(items_.begin() + i);
    Rebuild();
}

void TKeywordList::Clear() {
    items_.clear();
    Rebuild();
}

void TKeywordList::Assign(const TKeywordList& other) {
    if (&other == this) return;
    items_ = other.items_;
    KeywordsInRanges = other.KeywordsInRanges;
    Rebuild();
}

void TKeywordList::SetUpperCaseType(TpmUpperCase kind) {
    upperCase_ = kind;
    Rebuild();
}

void TKeywordList::Rebuild() {
    longest_ = 0;
    anyInsensitive_ = false;
    for (Item& item : items_) {
        item.rec.Length = int32_t(item.text.size());
        item.copy = MatchCopyOf(item.text, item.rec.Options, upperCase_);
        longest_ = std::max(longest_, int(item.text.size()));
        if (!(item.rec.Options & koCaseSensitive)) anyInsensitive_ = true;
    }
    if (OnChange) OnChange();
}

// ---- start/stop keys ----

const StartStopInfo& TStartStopKeyList::Get(int i) const {
    if (i < 0 || i >= Count()) RaiseListIndex();
    return items_[size_t(i)];
}

void TStartStopKeyList::Derive(StartStopInfo& e) const {
    e.StartCopy = MatchCopyOf(e.StartKey, e.Options, upperCase_);
    e.StopCopy = MatchCopyOf(e.StopKey, e.Options, upperCase_);
    e.StartLength = int(e.StartCopy.size());
    e.StopLength = int(e.StopCopy.size());
}

void TStartStopKeyList::Relink() {
    longestStart_ = longestStop_ = 0;
    for (size_t i = 0; i < items_.size(); ++i) {
        StartStopInfo& e = items_[i];
        e.SameStart = -1;
        for (size_t j = 0; j < i; ++j)
            if (items_[j].Options == e.Options && items_[j].StartCopy == e.StartCopy) {
                e.SameStart = int(j);
                break;
            }
        longestStart_ = std::max(longestStart_, e.StartLength);
        longestStop_ = std::max(longestStop_, e.StopLength);
        if (e.EndAtParagraphEnd) longestStop_ = std::max(longestStop_, 2);
    }
    wholeWordCurrent_ = false;
    if (OnChange) OnChange();
}

int TStartStopKeyList::AddStartStopKey(const std::string& startKey, const std::string& stopKey,
                                       uint8_t options, uint8_t style, int16_t context,
                                       int16_t cursor, int32_t backColor, int32_t textColor,
                                       bool endAtParagraphEnd) {
    StartStopInfo e;
    e.Options = options;
    e.Style = style;
    e.Context = context;
    e.Cursor = cursor;
    e.BackColor = backColor;
    e.TextColor = textColor;
    e.StartKey = startKey;
    e.StopKey = stopKey;
    e.EndAtParagraphEnd = endAtParagraphEnd;
    Derive(e);
    items_.push_back(std::move(e));
    Relink();
    return Count() - 1;
}

void TStartStopKeyList::Delete(int i) {
    Get(i);
    items_.erase(items_.begin() + i);
    Relink();
}

void TStartStopKeyList::Clear() {
    items_.clear();
    items_.shrink_to_fit();
    items_.reserve(2);
    Relink();
}

void TStartStopKeyList::Assign(const TStartStopKeyList& other) {
    if (&other == this) return;
    items_ = other.items_;
    upperCase_ = other.upperCase_;
    Relink();
}

void TStartStopKeyList::SetUpperCaseType(TpmUpperCase kind) {
    upperCase_ = kind;
    for (StartStopInfo& e : items_) Derive(e);
    Relink();
}

void TStartStopKeyList::RefreshWholeWord(const TSeparatorSet& separators) {
    if (wholeWordCurrent_ && separators == separators_) return;
    separators_ = separators;
    auto needs = [&](const std::string& key, bool first) {
        if (key.empty()) return false;
        return !separators[(unsigned char)(first ? key.front() : key.back())];
    };
    for (StartStopInfo& e : items_) {
        bool whole = e.Options & koWholeWord;
        e.SepBeforeStart = whole && needs(e.StartKey, true);
        e.SepAfterStart = whole && needs(e.StartKey, false);
        e.SepBeforeStop = whole && needs(e.StopKey, true);
        e.SepAfterStop = whole && needs(e.StopKey, false);
    }
    wholeWordCurrent_ = true;
}

// ---- highlighter ----

TMarkHighlighter::~TMarkHighlighter() {
    auto memos = memos_;
    for (TMarkMemo* memo : memos) memo->SetHighlighter(nullptr);
}
