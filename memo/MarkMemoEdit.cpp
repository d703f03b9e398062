// The memo's editing: selection, the edit primitive over the document, format toggles, undo and
// column blocks.
#include "MarkMemo.h"

#include <algorithm>

// ---- selection ----

void TMarkMemo::SetSelStart(int32_t pos) {
    view_.SelStart = std::clamp(pos, 0, CharCount());
    view_.SelLength = 0;
    view_.ExtraSpaces = 0;
    view_.BlockMode = false;
    BreakUndoGroup();
    ViewCaretChanged();
}

void TMarkMemo::SetSelLength(int32_t length) {
    view_.BlockMode = false;
    int32_t target = std::clamp(view_.SelStart + length, 0, CharCount());
    int32_t old = view_.SelLength;
    view_.SelLength = target - view_.SelStart;
    BreakUndoGroup();
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
    BreakUndoGroup();
    ViewInvalidate();
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
    TParagraphLines& lines = layout_[index];
    if (lines.Formatted) lines.DirtyLine = MaxInt;
    lines.Formatted = 0;
    lines.DirtyLine = std::min(lines.DirtyLine, std::max(0, line));
}

void TMarkMemo::SetSelTextBuf(std::string_view textIn) {
    std::string text(textIn);
    if (OnBeforeChange) OnBeforeChange(this, text);
    if (view_.SelLength == 0 && text.empty() && !view_.BlockMode) return;
    if (view_.BlockMode) {
        DeleteBlock();
        if (text.empty()) return;
    }
    view_.ExtraSpaces = 0;
    int32_t start, stop;
    if (view_.SelLength == 0) {
        start = stop = NormalizedPos(view_.SelStart, false);
    } else {
        start = NormalizedPos(SelFirst(), false);
        stop = std::max(start, NormalizedPos(SelLast(), true));
    }
    // the caret goes where the edit leaves it before the display follows
    doc_->Replace(start, stop, std::move(text), !noReverseCodes_,
                  [&](int32_t from, int32_t newStop) {
                      Modified = true;
                      if (OnParse) OnParse(this, from, newStop);
                      view_.SelStart = newStop;
                      view_.SelLength = 0;
                      view_.BlockMode = false;
                  });
    if (UpdateLock() == 0) {
        ViewScrollCaretIntoView();
        ViewCaretChanged();  // the caret moved with the edit: OnSelMove, OnStyleChange, hooks
    }
}

void TMarkMemo::ApplyDynStyle(int32_t startPos, int32_t stopPos, uint8_t style, bool flag,
                              int16_t context, int16_t cursor, int32_t backColor,
                              int32_t textColor) {
    doc_->ApplyDynStyle(startPos, stopPos, style, flag, context, cursor, backColor, textColor);
}

// ---- undo ----

void TMarkMemo::Undo() {
    doc_->Undo([this](int32_t start, int32_t stop, const std::string& text) {
        SelectRange(start, stop);
        SetSelTextBuf(text);
    });
}

void TMarkMemo::Redo() {
    doc_->Redo([this](int32_t start, int32_t stop, const std::string& text) {
        SelectRange(start, stop);
        SetSelTextBuf(text);
    });
}

// ---- format toggles and styles ----

void TMarkMemo::ToggleFormat(unsigned char code) {
    // a column block has no one range to surround
    if (!StaticFormat() || !IsFormatCode(code) || view_.BlockMode) return;
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
    BreakUndoGroup();
    ViewCaretChanged();
}

uint8_t TMarkMemo::CurrentStyle() {
    TMarkNavigator& nav = Work(0);
    nav.SetPos(view_.SelStart);
    if (doc_->ScanUpTo(nav.GetParNb())) {  // records came: find the position again
        nav.Reset();
        nav.SetPos(view_.SelStart);
    }
    return EffectiveStyle(nav.AttrBefore(), nav.StaticStyle(), font_.Style());
}

void TMarkMemo::CheckLines() const {
    const TParagraphsList& pars = ParagraphList();
    if (layout_.Count() != pars.Count()) throw EMarkMemoError("Error 6 in " + Version());
    int32_t line = 0;
    for (int i = 0; i < pars.Count(); ++i) {
        const TParagraphLines& lines = layout_[i];
        if (lines.FirstLine() != line) throw EMarkMemoError("Error 1" + Version());
        int32_t end = 0;
        for (int l = 0; l < lines.LineCount(); ++l) {
            if (lines.Line(l).StartOffset != end) throw EMarkMemoError("Error 3 in " + Version());
            end = lines.Line(l).EndOffset;
        }
        if (end != pars[i].Length()) throw EMarkMemoError("Error 4 in " + Version());
        line += lines.LineCount();
    }
    doc_->CheckOffsets(Version());
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
    BreakUndoGroup();
}

std::string TMarkMemo::BlockText() {
    std::string out;
    if (!view_.BlockMode) return out;
    int first = Pars().IndexOfOffset(SelFirst()), last = Pars().IndexOfOffset(SelLast());
    for (int p = first; p <= last; ++p) {
        const std::string& text = Pars()[p].Text;
        int a = ColumnToIndex(text, view_.BlockColumn1, tabStops_, StaticFormat());
        int b = ColumnToIndex(text, view_.BlockColumn2, tabStops_, StaticFormat());
        out.append(text, size_t(a), size_t(b - a));
        out += "\r\n";
    }
    return out;
}

void TMarkMemo::DeleteBlock() {
    view_.BlockMode = false;
    int first = Pars().IndexOfOffset(SelFirst()), last = Pars().IndexOfOffset(SelLast());
    int32_t caret = -1;
    BeginUpdate();
    try {
        for (int p = first; p <= last; ++p) {
            const TParagraphRec& par = Pars()[p];
            int a = ColumnToIndex(par.Text, view_.BlockColumn1, tabStops_, StaticFormat());
            int b = ColumnToIndex(par.Text, view_.BlockColumn2, tabStops_, StaticFormat());
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
    const int startPar = Pars().IndexOfOffset(caret);
    const TParagraphRec& home = Pars()[startPar];
    int column = 0;
    for (int32_t i = 0; i < std::min(caret - home.StartOffset(), home.Length()); ++i) {
        auto c = (unsigned char)home.Text[size_t(i)];
        if (c == fcTab)
            column = (column / tabStops_ + 1) * tabStops_;
        else if (!(StaticFormat() && IsFormatCode(c)))
            ++column;
    }
    BeginUpdate();
    try {
        for (size_t i = 0; i < lines.size(); ++i) {
            int p = startPar + int(i);
            if (p >= Pars().Count()) {
                SelectRange(CharCount(), CharCount());
                SetSelTextBuf("\r\n");
            }
            const TParagraphRec& par = Pars()[p];
            int reached = 0;
            int index = ColumnToIndex(par.Text, column, tabStops_, StaticFormat(), &reached);
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
    BreakUndoGroup();
    EndUpdate();
}
