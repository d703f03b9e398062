// The memo's editing: selection, the splice behind every edit, attribute ranges, format toggles.
#include "MarkMemo.h"

#include <algorithm>

// ---- selection ----

void TMarkMemo::SetSelStart(int32_t pos) {
    view_.SelStart = std::clamp(pos, 0, CharCount());
    view_.SelLength = 0;
    view_.ExtraSpaces = 0;
    view_.BlockMode = false;
    groupBreak_ = true;
    ViewCaretChanged();
}

void TMarkMemo::SetSelLength(int32_t length) {
    view_.BlockMode = false;
    int32_t target = std::clamp(view_.SelStart + length, 0, CharCount());
    int32_t old = view_.SelLength;
    view_.SelLength = target - view_.SelStart;
    groupBreak_ = true;
    if (old != view_.SelLength) ViewInvalidate();
}

void TMarkMemo::SelectRange(int32_t first, int32_t last) {
    view_.SelStart = std::clamp(first, 0, CharCount());
    view_.SelLength = std::clamp(last, 0, CharCount()) - view_.SelStart;
    view_.BlockMode = false;
}

void TMarkMemo::SelectAll() {
    view_.BlockMode = false;
    view_.SelStart = CharCount();
    view_.SelLength = -CharCount();
    groupBreak_ = true;
    ViewInvalidate();
}

int32_t TMarkMemo::NormalizedPos(int32_t pos, bool roundUp) const {
    pos = std::clamp(pos, 0, CharCount());
    const TParagraphRec& par = pars_[pars_.IndexOfOffset(pos)];
    if (pos - par.StartOffset() == par.Length() + 1) pos += roundUp ? 1 : -1;  // the LF position
    return std::clamp(pos, 0, CharCount());
}

void TMarkMemo::SetSelText(const std::string& text) {
    if (HasOption(pmoPutExtraSpaces) && !view_.BlockMode && view_.ExtraSpaces > 0)
        SetSelTextBuf(std::string(size_t(view_.ExtraSpaces), ' ') + text);
    else
        SetSelTextBuf(text);
}

// ---- bookkeeping ----

void TMarkMemo::MarkChanged(int first, int last) {
    if (linesBeforeChange_ < 0) linesBeforeChange_ = LineCount();
    if (changedFirst_ < 0) {
        changedFirst_ = first;
        changedLast_ = last;
    } else {
        changedFirst_ = std::min(changedFirst_, first);
        changedLast_ = std::max(changedLast_, last);
    }
}

void TMarkMemo::ShiftChangedRange(int after, int delta) {
    if (changedFirst_ < 0) return;
    if (changedFirst_ > after) changedFirst_ = std::max(after + 1, changedFirst_ + delta);
    if (changedLast_ > after) changedLast_ = std::max(after + 1, changedLast_ + delta);
}

// Edits mark their paragraphs changed as well: the display update lays them out again, so
// they do not count as pending background work.
void TMarkMemo::InvalidatePar(int index, int line) {
    TParagraphRec& par = pars_[index];
    if (par.Formatted) par.DirtyLine = MaxInt;
    par.Formatted = 0;
    par.DirtyLine = std::min(par.DirtyLine, std::max(0, line));
}

// ---- the splice ----

TMarkMemo::TSplice TMarkMemo::Splice(int32_t start, int32_t stop, std::string_view text) {
    // Pieces: every CR ends one, an LF right after it belongs to the break, a lone LF stays.
    std::vector<std::string_view> pieces;
    size_t begin = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') continue;
        pieces.push_back(text.substr(begin, i - begin));
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        begin = i + 1;
    }
    pieces.push_back(text.substr(begin));
    const int k = int(pieces.size()) - 1;
    if (linesBeforeChange_ < 0) linesBeforeChange_ = LineCount();

    const int p1 = pars_.IndexOfOffset(start), p2 = pars_.IndexOfOffset(stop);
    TParagraphRec& first = pars_[p1];
    TParagraphRec& last = pars_[p2];
    const int32_t o1 = std::min(start - first.StartOffset(), first.Length());
    const int32_t o2 = std::min(stop - last.StartOffset(), last.Length());

    if (options_ & pmoDiscardTrailingSpaces) {
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

    const int editLine = first.LineOf(o1);
    const TLineRec editRec = first.Line(editLine);
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
            style = AdvanceStaticStyle(
                editRec.StartStyle,
                std::string_view(first.Text)
                    .substr(size_t(editRec.StartOffset), size_t(o1 - editRec.StartOffset)));
            style = AdvanceStaticStyle(style, pieces[0]);
        }
        for (int i = 1; i <= k; ++i) {
            auto par = std::make_unique<TParagraphRec>();
            par->Text.reserve(pieces[size_t(i)].size() + (i == k ? right.size() : 0) + 1);
            par->Text.assign(pieces[size_t(i)]);
            par->StartState = shared;
            par->SetSingleLine(style);
            if (staticFormat_) style = AdvanceStaticStyle(style, pieces[size_t(i)]);
            par->Formatted = 0;
            par->DirtyLine = 0;
            if (i == k) {
                auto at = int32_t(par->Text.size());
                par->Text += right;
                par->Line0.EndOffset = par->Length();
                carry(*par, at, *shared);
            }
            added.push_back(std::move(par));
        }
    }

    // The first paragraph is rebuilt in place; its lines before the edit stay.
    first.Attrs.erase(first.Attrs.begin() + leftIndex, first.Attrs.end());
    first.Text.resize(size_t(o1));
    first.Text.append(pieces[0]);
    if (k == 0) {
        auto at = int32_t(first.Text.size());
        first.Text += right;
        carry(first, at, left);
    }
    first.Text.reserve(first.Text.size() + first.Text.size() / 64);
    first.SetLineCount(editLine + 1);
    TLineRec& line = first.Line(editLine);
    line = TLineRec{};
    line.StartOffset = editRec.StartOffset;
    line.EndOffset = first.Length();
    line.StartStyle = editRec.StartStyle;
    line.StartAttr = editRec.StartAttr;
    InvalidatePar(p1, editLine);

    pars_.Replace(p1 + 1, p2 - p1, added);
    pars_[p1].Resized();

    const int32_t delta = int32_t(inserted) - (stop - start);
    for (TMarkNavigator* nav : navigators_) {
        if (nav->pos_ >= stop)
            nav->pos_ += delta;
        else if (nav->pos_ > start)
            nav->pos_ = start;
        nav->pos_ = std::clamp(nav->pos_, 0, CharCount() + 1);
        nav->Reset();
    }
    ShiftChangedRange(p2, k - (p2 - p1));
    MarkChanged(p1, p1 + k);
    changePending_ = true;
    if (firstDirty_ != MaxInt && firstDirty_ > p1)
        firstDirty_ = std::max(p1, firstDirty_ + std::min(0, k - (p2 - p1)));
    scannedUpTo_ = std::min(scannedUpTo_, p1 - 1);
    upperCacheIndex_ = -1;
    return {p1, p1 + k, start, stop, start + int32_t(inserted)};
}

void TMarkMemo::PropagateStaticStyle(int fromPar) {
    if (!staticFormat_) return;
    const TParagraphRec& from = pars_[fromPar];
    uint8_t style = AdvanceStaticStyle(from.Line0.StartStyle, from.Text);
    for (int q = fromPar + 1; q < pars_.Count(); ++q) {
        TParagraphRec& par = pars_[q];
        if (par.Line0.StartStyle == style) break;
        for (int l = 0; l < par.LineCount(); ++l) {
            TLineRec& line = par.Line(l);
            line.StartStyle = style;
            style = AdvanceStaticStyle(
                style, std::string_view(par.Text).substr(
                           size_t(line.StartOffset), size_t(line.EndOffset - line.StartOffset)));
        }
        InvalidatePar(q, 0);
        MarkChanged(q, q);
    }
}

void TMarkMemo::SetSelTextBuf(std::string_view textIn) {
    std::string text(textIn);
    if (OnBeforeChange) OnBeforeChange(this, text);
    if (view_.SelLength == 0 && text.empty() && !view_.BlockMode) return;
    if (view_.BlockMode) {
        DeleteBlock();
        if (text.empty()) return;
    }
    ++updateLock_;
    try {
        view_.ExtraSpaces = 0;
        int32_t start, stop;
        if (view_.SelLength == 0) {
            start = stop = NormalizedPos(view_.SelStart, false);
        } else {
            start = NormalizedPos(SelFirst(), false);
            stop = std::max(start, NormalizedPos(SelLast(), true));
        }
        if ((options_ & pmoDiscardTrailingSpaces) && !text.empty() &&
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
                return;
            }
        }
        Modified = true;
        std::string replaced = TextRange(start, stop);
        if (staticFormat_ && !undoing_ && !redoing_ && !noReverseCodes_) {
            // keep the look of the text after the range when its codes lose a partner
            uint8_t changed = AdvanceStaticStyle(0, replaced);
            for (unsigned char code : {fcUnderline, fcItalic, fcBold, fcHighlight, fcAltFont})
                if (changed & FormatCodeBit(code)) text += char(code);
        }
        const TParagraphRec& startPar = pars_[pars_.IndexOfOffset(start)];
        const bool keywordsDone = startPar.KeywordsParsed;
        const bool keysDone = startPar.StartStopScanned;
        TSplice sp = Splice(start, stop, text);
        RecordUndo(start, stop, sp.newStop - start, std::move(replaced));
        for (int p = sp.firstPar; p <= sp.lastPar; ++p) {
            pars_[p].KeywordsParsed = keywordsDone;
            pars_[p].StartStopScanned = keysDone;
        }
        if (OnParse) OnParse(this, start, sp.newStop);
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
                par.Formatted = par.StartStopScanned = par.KeywordsParsed = 0;
            }
        }
        PropagateStaticStyle(sp.lastPar);
        view_.SelStart = sp.newStop;
        view_.SelLength = 0;
        view_.BlockMode = false;
    } catch (...) {
        --updateLock_;
        throw;
    }
    if (--updateLock_ == 0) {
        UpdateDisplay();
        ViewScrollCaretIntoView();
        ViewCaretChanged();  // the caret moved with the edit: OnSelMove, OnStyleChange, hooks
    }
}

// ---- attribute ranges ----

void TMarkMemo::InsertDynAttr(TMarkNavigator& startNav, TMarkNavigator& stopNav, bool repaint,
                              bool dynamic, TAttributeRec rec) {
    TMarkNavigator* a = &startNav;
    TMarkNavigator* b = &stopNav;
    if (a->Pos() > b->Pos()) std::swap(a, b);
    const int p1 = a->GetParNb();
    const int32_t o1 = std::min(a->GetOffset(), pars_[p1].Length());
    const int p2 = b->GetParNb();
    const int32_t o2 = std::min(b->GetOffset(), pars_[p2].Length());
    const int32_t startAbs = pars_[p1].StartOffset() + o1;
    const int32_t stopAbs = pars_[p2].StartOffset() + o2;
    if (repaint) MarkChanged(p1, p2);

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
        InvalidatePar(p, p == p1 ? par.LineOf(o1) : 0);
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
}

void TMarkMemo::ApplyDynStyle(int32_t startPos, int32_t stopPos, uint8_t style, bool flag,
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
    InsertDynAttr(a, b, true, true, rec);
    if (updateLock_ == 0) UpdateDisplay();
}

// ---- format toggles and styles ----

void TMarkMemo::ToggleFormat(unsigned char code) {
    // a column block has no one range to surround
    if (!staticFormat_ || !IsFormatCode(code) || view_.BlockMode) return;
    const int32_t first = SelFirst(), last = SelLast();
    const bool backwards = view_.SelLength < 0;
    std::string inner =
        TextRange(first, int32_t(std::min<int64_t>(last, int64_t(first) + 2147483545)));
    auto length = int32_t(inner.size());
    std::string text;
    text.reserve(inner.size() + 2);
    text += char(code);
    text += inner;
    text += char(code);
    noReverseCodes_ = true;
    try {
        SetSelTextBuf(text);
    } catch (...) {
        noReverseCodes_ = false;
        throw;
    }
    noReverseCodes_ = false;
    // what was inserted may be shorter than asked (trailing blanks discarded): the text
    // between the codes ends one before the caret the edit left
    length = std::clamp(view_.SelStart - first - 2, 0, length);
    if (length == 0) {
        view_.SelStart = first + 1;
        view_.SelLength = 0;
    } else if (backwards) {
        view_.SelStart = first + 1 + length;
        view_.SelLength = -length;
    } else {
        view_.SelStart = first + 1;
        view_.SelLength = length;
    }
    groupBreak_ = true;
    ViewCaretChanged();
}

uint8_t TMarkMemo::CurrentStyle() {
    TMarkNavigator& nav = Work(0);
    nav.SetPos(view_.SelStart);
    ScanUpTo(nav.GetParNb());
    nav.Reset();
    nav.SetPos(view_.SelStart);
    return EffectiveStyle(nav.AttrBefore(), nav.StaticStyle(), font_.Style());
}

void TMarkMemo::CheckLines() const {
    int32_t offset = 0, line = 0;
    for (int i = 0; i < pars_.Count(); ++i) {
        const TParagraphRec& par = pars_[i];
        if (par.FirstLine() != line) throw EMarkMemoError("Error 1" + Version());
        if (par.StartOffset() != offset) throw EMarkMemoError("Error 2 in " + Version());
        int32_t end = 0;
        for (int l = 0; l < par.LineCount(); ++l) {
            if (par.Line(l).StartOffset != end) throw EMarkMemoError("Error 3 in " + Version());
            end = par.Line(l).EndOffset;
        }
        if (end != par.Length()) throw EMarkMemoError("Error 4 in " + Version());
        offset += par.Length() + 2;
        line += par.LineCount();
    }
    if (CharCount() + 2 != offset) throw EMarkMemoError("Error 5 in " + Version());
    if (line != LineCount()) throw EMarkMemoError("Error 6 in " + Version());
}

// ---- column blocks ----

void TMarkMemo::SetBlockSelection(int32_t anchor, int32_t caret, int column1, int column2) {
    anchor = std::clamp(anchor, 0, CharCount());
    view_.SelStart = std::clamp(caret, 0, CharCount());
    view_.SelLength = anchor - view_.SelStart;
    view_.BlockColumn1 = std::max(0, std::min(column1, column2));
    view_.BlockColumn2 = std::max(0, std::max(column1, column2));
    view_.BlockMode = true;
    groupBreak_ = true;
}

std::string TMarkMemo::BlockText() {
    std::string out;
    if (!view_.BlockMode) return out;
    int first = pars_.IndexOfOffset(SelFirst()), last = pars_.IndexOfOffset(SelLast());
    for (int p = first; p <= last; ++p) {
        const std::string& text = pars_[p].Text;
        int a = ColumnToIndex(text, view_.BlockColumn1, tabStops_, staticFormat_);
        int b = ColumnToIndex(text, view_.BlockColumn2, tabStops_, staticFormat_);
        out.append(text, size_t(a), size_t(b - a));
        out += "\r\n";
    }
    return out;
}

void TMarkMemo::DeleteBlock() {
    view_.BlockMode = false;
    int first = pars_.IndexOfOffset(SelFirst()), last = pars_.IndexOfOffset(SelLast());
    int32_t caret = -1;
    BeginUpdate();
    try {
        for (int p = first; p <= last; ++p) {
            const TParagraphRec& par = pars_[p];
            int a = ColumnToIndex(par.Text, view_.BlockColumn1, tabStops_, staticFormat_);
            int b = ColumnToIndex(par.Text, view_.BlockColumn2, tabStops_, staticFormat_);
            if (caret < 0) caret = par.StartOffset() + a;
            if (b <= a) continue;
            SelectRange(par.StartOffset() + a, par.StartOffset() + b);
            SetSelTextBuf({});
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    SelectRange(caret, caret);
    EndUpdate();
}

void TMarkMemo::PasteBlock(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t begin = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(begin, i - begin));
        char other = text[i] == '\r' ? '\n' : '\r';
        if (i + 1 < text.size() && text[i + 1] == other) ++i;
        begin = i + 1;
    }
    if (begin < text.size()) lines.push_back(text.substr(begin));  // no line after a final break
    if (view_.BlockMode) SetSelTextBuf({});
    const int32_t caret = SelFirst();
    const int startPar = pars_.IndexOfOffset(caret);
    const TParagraphRec& home = pars_[startPar];
    int column = 0;
    for (int32_t i = 0; i < std::min(caret - home.StartOffset(), home.Length()); ++i) {
        auto c = (unsigned char)home.Text[size_t(i)];
        if (c == fcTab)
            column = (column / tabStops_ + 1) * tabStops_;
        else if (!(staticFormat_ && IsFormatCode(c)))
            ++column;
    }
    BeginUpdate();
    try {
        for (size_t i = 0; i < lines.size(); ++i) {
            int p = startPar + int(i);
            if (p >= pars_.Count()) {
                SelectRange(CharCount(), CharCount());
                SetSelTextBuf("\r\n");
            }
            const TParagraphRec& par = pars_[p];
            int reached = 0;
            int index = ColumnToIndex(par.Text, column, tabStops_, staticFormat_, &reached);
            std::string insert;
            if (reached < column) {
                if (index < par.Length())
                    ++index;  // inside a tab: after it
                else
                    insert.assign(size_t(column - reached), ' ');
            }
            insert.append(lines[i]);
            SelectRange(par.StartOffset() + index, par.StartOffset() + index);
            SetSelTextBuf(insert);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    groupBreak_ = true;
    EndUpdate();
}
