// The memo's document: its lifecycle, what it reports, loading, and the splice behind every
// edit with the attribute ranges.
#include "MarkMemoDocument.h"

#include <algorithm>

TMarkMemoDocument::TMarkMemoDocument() {
    for (int i = 0; i < 4; ++i) work_.push_back(std::make_unique<TMarkNavigator>(*this));
    separators_ = DefaultSeparators();
    ResetStore();
}

TMarkMemoDocument::~TMarkMemoDocument() {
    work_.clear();
    for (TMarkNavigator* nav : navigators_) {
        nav->Reset();
        nav->doc_ = nullptr;
        nav->memo_ = nullptr;
    }
    navigators_.clear();
}

// ---- observers ----

void TMarkMemoDocument::AddObserver(TMarkMemoObserver* observer) {
    if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void TMarkMemoDocument::RemoveObserver(TMarkMemoObserver* observer) {
    std::erase(observers_, observer);
}

void TMarkMemoDocument::Report(const TDocumentChange& change) {
    for (TMarkMemoObserver* observer : std::vector<TMarkMemoObserver*>(observers_))
        observer->DocumentChanged(change);
}

void TMarkMemoDocument::ReportParagraphs(int first, int last) {
    const TParagraphRec& from = pars_[first];
    const TParagraphRec& to = pars_[last];
    const int32_t pos = from.StartOffset();
    ReportLook(pos, to.StartOffset() + to.Length() - pos);
}

void TMarkMemoDocument::EndUpdate() {
    if (updateLock_ == 0) return;
    if (--updateLock_ > 0) return;
    for (TMarkMemoObserver* observer : std::vector<TMarkMemoObserver*>(observers_))
        observer->EditsEnded();
}

// ---- the store ----

void TMarkMemoDocument::ResetStore() {
    const int32_t old = pars_.Count();
    pars_.Clear();
    TParagraphRec par;
    par.StartState = FreshStartState();
    pars_.Add(std::move(par));
    ClearUndo();
    scannedUpTo_ = 0;
    upperCacheIndex_ = -1;
    ResetAllNavigators();
    if (old > 0) Report({0, -1, -1, 1 - old, true});
}

void TMarkMemoDocument::ResetAllNavigators() {
    for (TMarkNavigator* nav : navigators_) {
        nav->Reset();
        nav->pos_ = std::clamp(nav->pos_, 0, CharCount() + 1);
    }
}

void TMarkMemoDocument::ResetNavigatorCaches(int32_t pos, int parIndex) {
    for (TMarkNavigator* nav : navigators_)
        if (nav->pos_ > pos && nav->parNb_ <= parIndex) {
            nav->dynNb_ = MaxInt;
            nav->lineNb_ = MaxInt;
        }
}

std::string TMarkMemoDocument::TextRange(int32_t start, int32_t stop) const {
    start = std::clamp(start, 0, CharCount());
    stop = std::clamp(stop, 0, CharCount());
    if (stop <= start) return {};
    int p = pars_.IndexOfOffset(start);
    return pars_.CopyText(p, start - pars_[p].StartOffset(), stop - start);
}

int32_t TMarkMemoDocument::NormalizedPos(int32_t pos, bool roundUp) const {
    pos = std::clamp(pos, 0, CharCount());
    const TParagraphRec& par = pars_[pars_.IndexOfOffset(pos)];
    if (pos - par.StartOffset() == par.Length() + 1) pos += roundUp ? 1 : -1;  // the LF position
    return std::clamp(pos, 0, CharCount());
}

void TMarkMemoDocument::CheckOffsets(const std::string& version) const {
    int32_t offset = 0;
    for (int i = 0; i < pars_.Count(); ++i) {
        const TParagraphRec& par = pars_[i];
        if (par.StartOffset() != offset) throw EMarkMemoError("Error 2 in " + version);
        offset += par.Length() + 2;
    }
    if (CharCount() + 2 != offset) throw EMarkMemoError("Error 5 in " + version);
}

// ---- properties ----

void TMarkMemoDocument::SetSeparators(std::string_view value) {
    separators_.reset();
    for (unsigned char c : value) separators_.set(c);
    startStop_.MarkStale();
}

void TMarkMemoDocument::SetUpperCaseType(TpmUpperCase value) {
    upperCase_ = value;
    keywords_.SetUpperCaseType(value);
    startStop_.SetUpperCaseType(value);
    upperCacheIndex_ = -1;
}

// ---- loading ----

void TMarkMemoDocument::LoadText(std::string_view text, char nullReplacement,
                                 const std::function<void()>& progress) {
    std::string replaced;
    if (nullReplacement != '\0' && text.find('\0') != std::string_view::npos) {
        replaced.assign(text);
        for (char& c : replaced)
            if (c == '\0') c = nullReplacement;
        text = replaced;
    }
    ClearUndo();

    TParagraphsList fresh;
    TStartState state = FreshStartState();
    uint8_t style = 0;
    int64_t total = 0;
    size_t i = 0, begin = 0;
    auto emit = [&](size_t end) {
        std::string_view piece = text.substr(begin, end - begin);
        while (true) {
            std::string_view part = piece.substr(0, size_t(MaxParagraphLength));
            piece.remove_prefix(part.size());
            if (DiscardTrailingSpaces) part = TrimTrailingBlanks(part);
            TParagraphRec par;
            par.Text.assign(part);
            par.StartState = state;
            par.StartStyle = style;
            if (staticFormat_) style = AdvanceStaticStyle(style, part);
            par.StartStopScanned = par.KeywordsParsed = 0;
            total += int64_t(part.size()) + 2;
            if (total - 2 > MaxInt) {
                ResetStore();
                throw EMarkMemoError("Text too long");
            }
            fresh.Add(std::move(par));
            if (piece.empty()) break;
        }
        if ((fresh.Count() & 4095) == 0 && progress) progress();
    };
    while (i < text.size()) {
        char c = text[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        emit(i);
        // a break is CR LF, LF CR, or a lone CR or LF: pairs never chain
        char other = c == '\r' ? '\n' : '\r';
        i += (i + 1 < text.size() && text[i + 1] == other) ? 2 : 1;
        begin = i;
    }
    emit(text.size());
    Adopt(std::move(fresh), false);
}

void TMarkMemoDocument::Adopt(TParagraphsList paragraphs, bool parsed) {
    const int old = pars_.Count();
    pars_ = std::move(paragraphs);
    ClearUndo();
    scannedUpTo_ = parsed ? pars_.Count() - 1 : -1;
    upperCacheIndex_ = -1;
    for (TMarkNavigator* nav : navigators_) {
        nav->Reset();
        nav->pos_ = 0;
    }
    Report({0, -1, -1, pars_.Count() - old, true});
}

// ---- the splice ----

namespace {

// The paragraphs' texts in a replacement: every CR ends one, an LF right after it belongs to the
// break, a lone LF stays.
std::vector<std::string_view> ParagraphPieces(std::string_view text) {
    std::vector<std::string_view> pieces;
    size_t begin = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') continue;
        pieces.push_back(text.substr(begin, i - begin));
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        begin = i + 1;
    }
    pieces.push_back(text.substr(begin));
    return pieces;
}

}  // namespace

// Navigators after a replaced range keep their place in the text, those inside it go to its
// start.
void TMarkMemoDocument::MoveNavigators(int32_t start, int32_t stop, int32_t delta) {
    for (TMarkNavigator* nav : navigators_) {
        if (nav->pos_ >= stop)
            nav->pos_ += delta;
        else if (nav->pos_ > start)
            nav->pos_ = start;
        nav->pos_ = std::clamp(nav->pos_, 0, CharCount() + 1);
        nav->Reset();
    }
}

TMarkMemoDocument::TSplice TMarkMemoDocument::Splice(int32_t start, int32_t stop,
                                                     std::string_view text) {
    std::vector<std::string_view> pieces = ParagraphPieces(text);
    const int k = int(pieces.size()) - 1;

    const int p1 = pars_.IndexOfOffset(start), p2 = pars_.IndexOfOffset(stop);
    TParagraphRec& first = pars_[p1];
    TParagraphRec& last = pars_[p2];
    const int32_t o1 = std::min(start - first.StartOffset(), first.Length());
    const int32_t o2 = std::min(stop - last.StartOffset(), last.Length());

    if (DiscardTrailingSpaces) {
        for (int i = 0; i < k; ++i) pieces[size_t(i)] = TrimTrailingBlanks(pieces[size_t(i)]);
        if (o2 == last.Length()) pieces[size_t(k)] = TrimTrailingBlanks(pieces[size_t(k)]);
    }
    int64_t inserted = 2 * int64_t(k);
    for (auto piece : pieces) inserted += int64_t(piece.size());
    int64_t firstLength = o1 + int64_t(pieces[0].size()) + (k == 0 ? last.Length() - o2 : 0);
    int64_t lastLength = int64_t(pieces[size_t(k)].size()) + last.Length() - o2;
    if (firstLength > MaxParagraphLength || lastLength > MaxParagraphLength ||
        int64_t(CharCount()) + inserted - (stop - start) > MaxInt)
        throw EMarkMemoError("Text too long");

    // The state typing carries on from the left, and the state the text after the range had.
    int leftIndex = first.AttrsBefore(o1);
    const TAttributeRec left = leftIndex ? first.Attrs[size_t(leftIndex - 1)] : first.StartAttr();
    const bool leftIsStart = leftIndex == 0;
    int stopIndex = last.AttrsUpTo(o2);
    const TAttributeRec atStop = stopIndex ? last.Attrs[size_t(stopIndex - 1)] : last.StartAttr();
    std::vector<TAttributeRec> tail(last.Attrs.begin() + stopIndex, last.Attrs.end());
    std::string right = last.Text.substr(size_t(o2));
    const TStartState firstState = first.StartState;

    auto carry = [&](TParagraphRec& par, int32_t at, const TAttributeRec& inForce) {
        if (!atStop.SameState(inForce)) {
            TAttributeRec r = atStop;
            r.Offset = at;
            par.Attrs.push_back(r);
        }
        for (TAttributeRec r : tail) {
            r.Offset = r.Offset - o2 + at;
            par.Attrs.push_back(r);
        }
    };

    std::vector<std::unique_ptr<TParagraphRec>> added;
    if (k > 0) {
        TStartState shared = leftIsStart              ? firstState
                             : left.IsKeywordRecord() ? FreshStartState()
                                                      : NewStartState(left);
        uint8_t style = 0;
        if (staticFormat_) {
            style = AdvanceStaticStyle(first.StartStyle,
                                       std::string_view(first.Text).substr(0, size_t(o1)));
            style = AdvanceStaticStyle(style, pieces[0]);
        }
        for (int i = 1; i <= k; ++i) {
            auto par = std::make_unique<TParagraphRec>();
            par->Text.reserve(pieces[size_t(i)].size() + (i == k ? right.size() : 0) + 1);
            par->Text.assign(pieces[size_t(i)]);
            par->StartState = shared;
            par->StartStyle = style;
            if (staticFormat_) style = AdvanceStaticStyle(style, pieces[size_t(i)]);
            if (i == k) {
                auto at = int32_t(par->Text.size());
                par->Text += right;
                carry(*par, at, *shared);
            }
            added.push_back(std::move(par));
        }
    }

    // The first paragraph is rebuilt in place.
    first.Attrs.erase(first.Attrs.begin() + leftIndex, first.Attrs.end());
    first.Text.resize(size_t(o1));
    first.Text.append(pieces[0]);
    if (k == 0) {
        auto at = int32_t(first.Text.size());
        first.Text += right;
        carry(first, at, left);
    }
    first.Text.reserve(first.Text.size() + first.Text.size() / 64);

    pars_.Replace(p1 + 1, p2 - p1, added);
    pars_[p1].Resized();

    MoveNavigators(start, stop, int32_t(inserted) - (stop - start));
    scannedUpTo_ = std::min(scannedUpTo_, p1 - 1);
    upperCacheIndex_ = -1;
    Report({start, int32_t(inserted), stop - start, k - (p2 - p1), true});
    return {p1, p1 + k, start, stop, start + int32_t(inserted)};
}

void TMarkMemoDocument::PropagateStaticStyle(int fromPar) {
    if (!staticFormat_) return;
    const TParagraphRec& from = pars_[fromPar];
    uint8_t style = AdvanceStaticStyle(from.StartStyle, from.Text);
    int first = -1, last = -1;
    for (int q = fromPar + 1; q < pars_.Count(); ++q) {
        TParagraphRec& par = pars_[q];
        if (par.StartStyle == style) break;
        par.StartStyle = style;
        style = AdvanceStaticStyle(style, par.Text);
        if (first < 0) first = q;
        last = q;
    }
    if (first >= 0) ReportParagraphs(first, last);
}

int32_t TMarkMemoDocument::Replace(
    int32_t start, int32_t stop, std::string text, bool balanceCodes,
    const std::function<void(int32_t start, int32_t newStop)>& done) {
    ++updateLock_;
    TSplice sp;
    try {
        if (DiscardTrailingSpaces && !text.empty() &&
            text.find_first_not_of(" \t") == std::string::npos) {
            // blanks typed at a paragraph's end take the blanks before them along
            const TParagraphRec& par = pars_[pars_.IndexOfOffset(stop)];
            if (stop - par.StartOffset() == par.Length())
                while (start > par.StartOffset() &&
                       (par.Text[size_t(start - par.StartOffset() - 1)] == ' ' ||
                        par.Text[size_t(start - par.StartOffset() - 1)] == '\t'))
                    --start;
            if (start == stop) {
                --updateLock_;
                return -1;
            }
        }
        std::string replaced = TextRange(start, stop);
        if (staticFormat_ && !Replaying() && balanceCodes) {
            // keep the look of the text after the range when its codes lose a partner
            uint8_t changed = AdvanceStaticStyle(0, replaced);
            for (unsigned char code : {fcUnderline, fcItalic, fcBold, fcHighlight, fcAltFont})
                if (changed & FormatCodeBit(code)) text += char(code);
        }
        const TParagraphRec& startPar = pars_[pars_.IndexOfOffset(start)];
        const bool keywordsDone = startPar.KeywordsParsed;
        const bool keysDone = startPar.StartStopScanned;
        sp = Splice(start, stop, text);
        RecordUndo(start, stop, sp.newStop - start, std::move(replaced));
        for (int p = sp.firstPar; p <= sp.lastPar; ++p) {
            pars_[p].KeywordsParsed = keywordsDone;
            pars_[p].StartStopScanned = keysDone;
        }
        if (updateLock_ == 1) {
            TMarkNavigator& a = Work(2);
            TMarkNavigator& b = Work(3);
            a.SetPos(pars_[sp.firstPar].StartOffset());
            b.SetPos(pars_[sp.lastPar].StartOffset());
            if (keysDone) ReparseRange(a, b);
            if (keywordsDone) ReparseParagraphs(a, b);
        } else {
            for (int p = sp.firstPar; p <= sp.lastPar; ++p) {
                TParagraphRec& par = pars_[p];
                par.StartStopScanned = par.KeywordsParsed = 0;
            }
        }
        PropagateStaticStyle(sp.lastPar);
        if (done) done(start, sp.newStop);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    return sp.newStop;
}

// ---- attribute ranges ----

void TMarkMemoDocument::InsertDynAttr(TMarkNavigator& startNav, TMarkNavigator& stopNav,
                                      bool /*repaint*/, bool dynamic, TAttributeRec rec) {
    TMarkNavigator* a = &startNav;
    TMarkNavigator* b = &stopNav;
    if (a->Pos() > b->Pos()) std::swap(a, b);
    const int p1 = a->GetParNb();
    const int32_t o1 = std::min(a->GetOffset(), pars_[p1].Length());
    const int p2 = b->GetParNb();
    const int32_t o2 = std::min(b->GetOffset(), pars_[p2].Length());
    const int32_t startAbs = pars_[p1].StartOffset() + o1;
    const int32_t stopAbs = pars_[p2].StartOffset() + o2;

    TParagraphRec& firstPar = pars_[p1];
    const int d = firstPar.AttrsBefore(o1);
    TAttributeRec saved = d ? firstPar.Attrs[size_t(d - 1)] : firstPar.StartAttr();
    int32_t savedAbs = firstPar.StartOffset() + (d ? saved.Offset : 0);
    if (dynamic) {
        rec.Style |= msDynamic;
    } else {
        rec.Style = 0;
        rec.Level = -1;
    }
    rec.Offset = o1;
    const bool insertIt = dynamic || saved.Dynamic();
    if (insertIt) firstPar.Attrs.insert(firstPar.Attrs.begin() + d, rec);
    TStartState carried;
    bool savedAtStart = false;
    for (int p = p1; p <= p2; ++p) {
        TParagraphRec& par = pars_[p];
        const int32_t bound = p == p2 ? o2 : par.Length();
        if (p > p1) {
            saved = par.StartAttr();
            savedAbs = par.StartOffset();
            if (!carried) carried = NewStartState(rec);
            par.StartState = carried;
        }
        size_t from = p == p1 ? size_t(insertIt ? d + 1 : d) : 0;
        size_t to = from;
        while (to < par.Attrs.size() && par.Attrs[to].Offset <= bound) {
            saved = par.Attrs[to];
            savedAbs = par.StartOffset() + saved.Offset;
            savedAtStart = p == p1 && saved.Offset == o1;
            ++to;
        }
        par.Attrs.erase(par.Attrs.begin() + ptrdiff_t(from), par.Attrs.begin() + ptrdiff_t(to));
    }
    saved.KeyRemain = uint8_t(std::max(0, int(saved.KeyRemain) - (stopAbs - savedAbs)));
    saved.Pushed = pushesRecords_ && savedAtStart;
    if (stopAbs < CharCount() && (dynamic || saved.Dynamic())) {
        TParagraphRec& par = pars_[p2];
        saved.Offset = o2;
        par.Attrs.insert(par.Attrs.begin() + par.AttrsUpTo(o2), saved);
    }
    for (TMarkNavigator* nav : navigators_)
        if (nav->pos_ >= startAbs) {
            nav->dynNb_ = MaxInt;
            nav->lineNb_ = MaxInt;
        }
    ReportLook(startAbs, pars_[p2].StartOffset() + pars_[p2].Length() - startAbs);
}

void TMarkMemoDocument::SetParagraphColors(int index, int32_t textColor, int32_t backColor) {
    TParagraphRec& par = pars_.Get(index);
    if (par.TextColor == textColor && par.BackColor == backColor) return;
    par.TextColor = textColor;
    par.BackColor = backColor;
    ReportParagraphs(index, index);
}

void TMarkMemoDocument::ApplyDynStyle(int32_t startPos, int32_t stopPos, uint8_t style, bool flag,
                                      int16_t context, int16_t cursor, int32_t backColor,
                                      int32_t textColor) {
    auto clampPos = [&](int32_t pos) {
        pos = std::clamp(pos, 0, CharCount());
        const TParagraphRec& par = pars_[pars_.IndexOfOffset(pos)];
        return std::min(pos, par.StartOffset() + par.Length());  // CR/LF: the paragraph end
    };
    startPos = clampPos(startPos);
    stopPos = clampPos(stopPos);
    if (startPos > stopPos) std::swap(startPos, stopPos);
    if (startPos == stopPos) return;
    TAttributeRec rec;
    rec.Style = uint8_t(style | (flag ? msParser : 0));
    rec.Level = -1;
    rec.Context = context;
    rec.Cursor = cursor;
    rec.BackColor = backColor;
    rec.TextColor = textColor;
    TMarkNavigator& a = Work(0);
    TMarkNavigator& b = Work(1);
    a.SetPos(startPos);
    b.SetPos(stopPos);
    BeginUpdate();
    try {
        InsertDynAttr(a, b, true, true, rec);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}
