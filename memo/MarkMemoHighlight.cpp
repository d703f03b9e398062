// The document's highlighting: keyword matching and start/stop-key scanning over paragraphs.
#include "MarkMemoDocument.h"

#include <algorithm>

namespace {

constexpr char kMask = 5;  // stands where no keyword may match
constexpr uint16_t kStartStopKey = 32768;

bool SameKeyState(const TAttributeRec& a, const TAttributeRec& b) {
    if ((a.Style & 0xC0) != (b.Style & 0xC0) || a.Level != b.Level) return false;
    return std::equal(std::begin(a.KeyStack), std::end(a.KeyStack), std::begin(b.KeyStack));
}

// Where `key` (`keyLength` characters) first stands in `src` at or after `from` and before
// `before`, with a separator of `text` before and after it where asked and `allowed` agreeing;
// -1 when nowhere.
template <class Allowed>
int32_t FindKey(const std::string& src, const std::string& text, const TSeparatorSet& separators,
                const std::string& key, int32_t keyLength, bool sepBefore, bool sepAfter,
                size_t from, int32_t before, Allowed&& allowed) {
    const auto length = int32_t(text.size());
    auto isSep = [&](int32_t at) { return separators[(unsigned char)text[size_t(at)]]; };
    for (size_t at = from; (at = src.find(key, at)) != std::string::npos && int32_t(at) < before;
         ++at) {
        const auto s = int32_t(at);
        if ((!sepBefore || s == 0 || isSep(s - 1)) &&
            (!sepAfter || s + keyLength == length || isSep(s + keyLength)) && allowed(s))
            return s;
    }
    return -1;
}

}  // namespace

bool TMarkMemoDocument::KeyAllowedAt(const TAttributeRec& rec) const {
    if (!rec.Dynamic()) return true;
    if (rec.IsStartStopRecord()) return false;
    if (rec.ParserMade()) return keywords_.KeywordsInRanges;
    return rec.Context == 0;
}

const std::string& TMarkMemoDocument::UpperCopy(int index) {
    if (upperCacheIndex_ != index) {
        upperCache_ = pars_[index].Text;
        UpperCaseInPlace(upperCache_, upperCase_);
        upperCacheIndex_ = index;
    }
    return upperCache_;
}

// ---- keywords ----

void TMarkMemoDocument::RemoveKeywordRecords(TParagraphRec& par) {
    auto& attrs = par.Attrs;
    for (int i = int(attrs.size()) - 1; i >= 0; --i) {
        if (i >= int(attrs.size()) || !attrs[size_t(i)].IsKeywordRecord()) continue;
        const TAttributeRec gone = attrs[size_t(i)];
        const TAttributeRec before = i > 0 ? attrs[size_t(i - 1)] : par.StartAttr();
        attrs.erase(attrs.begin() + i);
        if (size_t(i) >= attrs.size()) continue;
        TAttributeRec& next = attrs[size_t(i)];
        TAttributeRec probe = next;
        probe.KeyRemain = before.KeyRemain;
        if (probe.SameState(before)) {
            attrs.erase(attrs.begin() + i);  // the match's restore record
        } else if (!next.ParserMade() &&
                   (next.Pushed || next.Offset == gone.Offset + gone.KeyRemain)) {
            next.Offset = gone.Offset;  // a record the match had pushed to its end
            next.Pushed = false;
        }
    }
}

void TMarkMemoDocument::ReparseParagraphs(TMarkNavigator& first, TMarkNavigator& last) {
    int a = first.GetParNb(), b = last.GetParNb();
    if (a > b) std::swap(a, b);
    for (int p = a; p <= b; ++p) MatchKeywords(p);
}

void TMarkMemoDocument::MatchKeywords(int index) {
    TParagraphRec& par = pars_[index];
    if (BeforeKeywords) BeforeKeywords(keywords_.Count());
    const std::vector<TAttributeRec> before = par.Attrs;
    RemoveKeywordRecords(par);
    par.KeywordsParsed = 1;
    if (ApplyKeyWords && keywords_.Count() > 0 && !par.Text.empty()) {
        const int32_t length = par.Length();
        std::string raw = par.Text;
        std::string upper;
        if (keywords_.AnyCaseInsensitive()) upper = UpperCopy(index);
        // characters under records that forbid keywords are masked out
        for (size_t r = 0; r <= par.Attrs.size(); ++r) {
            const TAttributeRec& rec = r == 0 ? par.StartAttr() : par.Attrs[r - 1];
            int32_t from = r == 0 ? 0 : rec.Offset;
            int32_t to = r < par.Attrs.size() ? par.Attrs[r].Offset : length;
            if (KeyAllowedAt(rec) || to <= from) continue;
            std::fill(raw.begin() + from, raw.begin() + to, kMask);
            if (!upper.empty()) std::fill(upper.begin() + from, upper.begin() + to, kMask);
        }
        struct Match {
            int keyword;
            int32_t offset, length;
        };
        std::vector<Match> matches;
        for (int k = 0; k < keywords_.Count(); ++k) {
            TKeywordRec kw = keywords_.Record(k);
            const std::string& key = keywords_.MatchCopy(k);
            if (kw.Context == 0 || key.empty()) continue;
            const bool exact = kw.Options & koCaseSensitive;
            std::string& text = exact ? raw : upper;
            size_t pos = 0;
            while ((pos = text.find(key, pos)) != std::string::npos) {
                size_t end = pos + key.size();
                if (kw.Options & koWholeWord) {
                    // the paragraph's own neighbouring bytes decide
                    bool sepBefore = pos == 0 || separators_[(unsigned char)par.Text[pos - 1]];
                    bool sepAfter =
                        end == size_t(length) || separators_[(unsigned char)par.Text[end]];
                    if (!sepBefore || !sepAfter) {
                        ++pos;
                        continue;
                    }
                }
                matches.push_back({k, int32_t(pos), int32_t(key.size())});
                std::fill(raw.begin() + ptrdiff_t(pos), raw.begin() + ptrdiff_t(end), kMask);
                if (!upper.empty())
                    std::fill(upper.begin() + ptrdiff_t(pos), upper.begin() + ptrdiff_t(end),
                              kMask);
                pos = end;
            }
        }
        for (const Match& m : matches) ApplyKeywordMatch(index, m.keyword, m.offset, m.length);
    }
    // lines from the first record that changed on need another layout
    size_t same = 0;
    while (same < before.size() && same < par.Attrs.size() && before[same] == par.Attrs[same])
        ++same;
    if (same < before.size() || same < par.Attrs.size()) {
        int32_t offset = MaxInt;
        if (same < before.size()) offset = before[same].Offset;
        if (same < par.Attrs.size()) offset = std::min(offset, par.Attrs[same].Offset);
        offset = std::min(offset, par.Length());
        ReportLook(par.StartOffset() + offset, par.Length() - offset);
    }
}

void TMarkMemoDocument::ApplyKeywordMatch(int index, int keyword, int32_t offset, int32_t length) {
    TParagraphRec& par = pars_[index];
    const TAttributeRec& inForce = par.StateAt(offset);
    if (inForce.Level >= MaxNestingLevel) return;
    TKeywordRec kw = keywords_.Record(keyword);
    TAttributeRec rec = inForce;
    rec.Style = uint8_t(kw.Style | msParser | msDynamic);
    rec.Level = int8_t(inForce.Level + 1);
    if (!rec.SetKey(rec.Level + 1, uint16_t(keyword))) return;
    rec.Context = kw.Context;
    rec.Cursor = kw.Cursor;
    rec.BackColor = kw.BackColor;
    rec.TextColor = kw.TextColor;
    rec.KeyRemain = rec.KeyLength = uint8_t(std::min(length, 255));
    TMarkNavigator& a = Work(0);
    TMarkNavigator& b = Work(1);
    a.SetPos(par.StartOffset() + offset);
    a.Reset();
    b.SetPos(par.StartOffset() + offset + length);
    b.Reset();
    pushesRecords_ = true;
    InsertDynAttr(a, b, true, true, rec);
    pushesRecords_ = false;
}

// ---- start/stop keys ----

void TMarkMemoDocument::NormalizeRecords(TParagraphRec& par) {
    auto& attrs = par.Attrs;
    for (size_t i = 0; i < attrs.size();) {
        const TAttributeRec& before = i > 0 ? attrs[i - 1] : par.StartAttr();
        if (attrs[i].SameState(before))
            attrs.erase(attrs.begin() + ptrdiff_t(i));
        else
            ++i;
    }
}

// One paragraph's start/stop scan: its text, the cased copy entries match in, and the range
// open at the scan position.
struct TMarkMemoDocument::TStartStopScan {
    int index = 0;
    TParagraphRec* par = nullptr;
    const std::string* upper = nullptr;
    int32_t pos = 0;
    int entry = -1;         // the entry whose range is open, -1: none
    int32_t openedAt = -1;  // the start key's offset, -1 when the range began earlier
    TAttributeRec underlying;
};

void TMarkMemoDocument::ScanStartStop(int index) {
    TParagraphRec& par = pars_[index];
    par.StartStopScanned = 1;
    // Keywords are matched after the ranges, as on a fresh load: their records go first (a
    // match at the very end of the text has no record after it, and its state would spread
    // into what follows), and come back when the paragraph is matched again.
    const size_t attrCount = par.Attrs.size();
    RemoveKeywordRecords(par);
    if (par.Attrs.size() != attrCount && par.KeywordsParsed) {
        par.KeywordsParsed = 0;
        ReportParagraphs(index, index);
    }
    // the records an earlier scan made go first
    bool hadRanges = false;
    for (size_t i = par.Attrs.size(); i-- > 0;)
        if (par.Attrs[i].IsStartStopRecord()) {
            par.Attrs.erase(par.Attrs.begin() + ptrdiff_t(i));
            hadRanges = true;
        }
    const bool active = ApplyStartStopKeys && startStop_.Count() > 0;
    if (hadRanges || active || par.StartAttr().IsStartStopRecord()) NormalizeRecords(par);
    if (!active) return;
    startStop_.RefreshWholeWord(separators_);
    TStartStopScan scan;
    scan.index = index;
    scan.par = &par;
    const TAttributeRec& startState = par.StartAttr();
    if (StopSearch && startState.ParserMade() && !startState.IsStartStopRecord()) {
        // a range of the highlighter's own making: it may close it
        TMarkNavigator& from = Work(0);
        TMarkNavigator& search = Work(1);
        from.SetPos(par.StartOffset());
        search.SetPos(par.StartOffset());
        StopSearch(from, search, startStop_.Count());
    }
    if (startState.IsStartStopRecord()) {  // a range goes on from the paragraph before
        scan.entry = startState.OwnKey() - kStartStopKey;
        if (scan.entry >= startStop_.Count()) scan.entry = -1;
        scan.underlying = *FreshStartState();
        scan.underlying.Level = int8_t(std::max(-1, startState.Level - 1));
        for (int l = startState.Level + 1; l < 16; ++l) scan.underlying.KeyStack[l] = 0;
    }
    while (scan.entry >= 0 ? CloseRange(scan) : OpenRange(scan)) {
    }
    NormalizeRecords(par);  // an old end of a range the scan closed elsewhere goes
}

const std::string& TMarkMemoDocument::ScanSource(TStartStopScan& scan, const StartStopInfo& e) {
    if (e.Options & koCaseSensitive) return scan.par->Text;
    if (!scan.upper) scan.upper = &UpperCopy(scan.index);
    return *scan.upper;
}

// Looks for the open range's stop key from the scan position (at the paragraph end for an
// entry that ends there) and closes the range after it with the state beneath; records inside
// the range go. False when the scan of the paragraph is over.
bool TMarkMemoDocument::CloseRange(TStartStopScan& scan) {
    TParagraphRec& par = *scan.par;
    const int32_t length = par.Length();
    const StartStopInfo& e = startStop_.Get(scan.entry);
    const std::string& src = ScanSource(scan, e);
    const int32_t from = scan.openedAt >= 0 ? scan.pos : 0;
    int32_t close = -1;
    const int32_t stopLength = e.StopLength;
    if (stopLength > 0 && from <= length) {
        const int32_t at =
            FindKey(src, par.Text, separators_, e.StopCopy, stopLength, e.SepBeforeStop,
                    e.SepAfterStop, size_t(from), MaxInt, [](int32_t) { return true; });
        if (at >= 0) close = at + stopLength;
    }
    if (close < 0 && e.EndAtParagraphEnd) close = length;
    // records inside the range go; the last of them is what lies beneath at its end
    const int32_t lowest = scan.openedAt;  // records after the opening one
    const int32_t highest = close < 0 ? MaxInt : close;
    for (size_t i = 0; i < par.Attrs.size();) {
        const TAttributeRec& r = par.Attrs[i];
        if (r.Offset > lowest && r.Offset <= highest &&
            !(scan.openedAt >= 0 && r.Offset == scan.openedAt)) {
            scan.underlying = r;
            par.Attrs.erase(par.Attrs.begin() + ptrdiff_t(i));
        } else {
            ++i;
        }
    }
    if (close < 0) return false;  // the range goes on into the next paragraph
    if (scan.openedAt >= 0) {
        for (TAttributeRec& r : par.Attrs)
            if (r.Offset == scan.openedAt && r.IsStartStopRecord())
                r.KeyLength = uint8_t(std::min(255, stopLength + (e.SepBeforeStop ? 1 : 0)));
    }
    const bool occupied = std::any_of(par.Attrs.begin(), par.Attrs.end(),
                                      [&](const TAttributeRec& r) { return r.Offset == close; });
    if (!occupied && (close < length || scan.index + 1 < pars_.Count())) {
        TAttributeRec closing = scan.underlying;
        closing.Offset = close;
        closing.KeyRemain = 0;
        par.Attrs.insert(par.Attrs.begin() + par.AttrsUpTo(close), closing);
    }
    scan.entry = -1;
    scan.pos = close;
    return close < length;
}

// Finds the earliest start key at or after the scan position (at one position the first
// entry in list order) and opens its range there. False when there is none.
bool TMarkMemoDocument::OpenRange(TStartStopScan& scan) {
    TParagraphRec& par = *scan.par;
    auto nestable = [&](int32_t at) { return par.StateAt(at).Level < MaxNestingLevel; };
    int32_t best = MaxInt;
    int bestEntry = -1;
    for (int k = 0; k < startStop_.Count(); ++k) {
        const StartStopInfo& e = startStop_.Get(k);
        if (e.StartLength == 0) continue;
        const int32_t at =
            FindKey(ScanSource(scan, e), par.Text, separators_, e.StartCopy, e.StartLength,
                    e.SepBeforeStart, e.SepAfterStart, size_t(scan.pos), best, nestable);
        if (at >= 0) {
            best = at;
            bestEntry = k;
        }
    }
    if (bestEntry < 0) return false;
    const StartStopInfo& e = startStop_.Get(bestEntry);
    scan.underlying = par.StateAt(best);
    TAttributeRec rec = scan.underlying;
    rec.Offset = best;
    rec.Style = uint8_t(e.Style | msParser | msDynamic);
    rec.Level = int8_t(scan.underlying.Level + 1);
    rec.SetKey(rec.Level + 1, uint16_t(kStartStopKey + bestEntry));
    rec.Context = e.Context;
    rec.Cursor = e.Cursor;
    rec.BackColor = e.BackColor;
    rec.TextColor = e.TextColor;
    rec.KeyRemain = uint8_t(std::min(255, e.StartLength + (e.SepAfterStart ? 1 : 0)));
    rec.KeyLength = uint8_t(std::min(255, e.StopLength));
    // it replaces a record at its offset, and records inside the key go
    for (size_t i = 0; i < par.Attrs.size();) {
        const TAttributeRec& r = par.Attrs[i];
        if (r.Offset >= best && r.Offset < best + e.StartLength) {
            if (r.Offset > best) scan.underlying = r;
            par.Attrs.erase(par.Attrs.begin() + ptrdiff_t(i));
        } else {
            ++i;
        }
    }
    par.Attrs.insert(par.Attrs.begin() + par.AttrsBefore(best), rec);
    scan.entry = bestEntry;
    scan.openedAt = best;
    // the stop key is looked for from the end of what the start key claims (its separator
    // after it included), so the two never overlap
    scan.pos = best + int32_t(rec.KeyRemain);
    return true;
}

void TMarkMemoDocument::ReparseRange(TMarkNavigator& firstNav, TMarkNavigator& lastNav) {
    int first = firstNav.GetParNb(), last = lastNav.GetParNb();
    if (first > last) std::swap(first, last);
    for (int p = first; p < pars_.Count(); ++p) {
        ScanStartStop(p);
        if (p + 1 >= pars_.Count()) break;
        TParagraphRec& par = pars_[p];
        TParagraphRec& next = pars_[p + 1];
        const TAttributeRec& end = par.Attrs.empty() ? par.StartAttr() : par.Attrs.back();
        bool agree = SameKeyState(end, next.StartAttr());
        if (!end.SameState(next.StartAttr()))
            next.StartState = par.Attrs.empty() ? par.StartState : NewStartState(end);
        if (!agree) {
            // the look of the next paragraph changes: match and lay it out again
            next.KeywordsParsed = 0;
            ReportParagraphs(p + 1, p + 1);
        } else if (p >= last) {
            break;
        }
    }
    scannedUpTo_ = std::max(scannedUpTo_, first - 1);
    for (TMarkNavigator* nav : navigators_) {
        nav->dynNb_ = MaxInt;
        nav->lineNb_ = MaxInt;
    }
}

bool TMarkMemoDocument::ScanUpTo(int index) {
    index = std::min(index, pars_.Count() - 1);
    bool scanned = false;
    for (int p = std::max(0, scannedUpTo_ + 1); p <= index; ++p) {
        TParagraphRec& par = pars_[p];
        if (!par.StartStopScanned) {
            TMarkNavigator& a = Work(2);
            a.SetPos(par.StartOffset());
            a.Reset();
            ReparseRange(a, a);
            scanned = true;
        }
        scannedUpTo_ = p;
    }
    return scanned;
}

void TMarkMemoDocument::ReparseAll() {
    TStartState shared = pars_[0].StartState;
    for (int p = 0; p < pars_.Count(); ++p) {
        TParagraphRec& par = pars_[p];
        par.Attrs.clear();
        par.StartState = shared;
        par.StartStopScanned = par.KeywordsParsed = 0;
    }
    scannedUpTo_ = -1;
    upperCacheIndex_ = -1;
    ResetAllNavigators();
    Report({0, -1, -1, 0, false});
}

void TMarkMemoDocument::PrepareParagraph(int index) {
    TParagraphRec& par = pars_.Get(index);
    if (!par.StartStopScanned) ScanUpTo(index);
    if (!par.KeywordsParsed && (ApplyKeyWords || BeforeKeywords)) MatchKeywords(index);
    par.KeywordsParsed = 1;
    par.Attrs.shrink_to_fit();
}
