// The Paragraphs and Lines views: string-list access to the memo through its edit primitive.
#include "MarkMemoStrings.h"

#include "MarkMemo.h"

#include <algorithm>

// ---- shared ----

void TMarkMemoStrings::Clear() {
    memo_.Clear();
}

void TMarkMemoStrings::BeginUpdate() {
    memo_.BeginUpdate();
}

void TMarkMemoStrings::EndUpdate() {
    memo_.EndUpdate();
}

std::string TMarkMemoStrings::Text() const {
    return memo_.TextRange(0, memo_.CharCount());
}

void TMarkMemoStrings::SetText(std::string_view text) {
    memo_.SetTextBuf(text);
}

void TMarkMemoStrings::LoadFromStream(TStream& stream) {
    memo_.LoadFromStream(stream);
}

void TMarkMemoStrings::SaveToStream(TStream& stream) const {
    memo_.SaveToStream(stream);
}

void TMarkMemoStrings::Assign(const TStrings& source) {
    if (&source == this) return;
    std::string text;
    for (int i = 0; i < source.Count(); ++i) {
        text += source.Get(i);
        text += "\r\n";
    }
    memo_.SetTextBuf(text);
}

int TMarkMemoStrings::AddParagraph(const std::string& s) {
    TMarkMemo& m = memo_;
    const TParagraphRec& last = m.Pars()[m.Pars().Count() - 1];
    m.SelectRange(m.CharCount(), m.CharCount());
    m.SetSelTextBuf(last.Length() == 0 ? s + "\r\n" : "\r\n" + s);
    const TParagraphRec& now = m.Pars()[m.Pars().Count() - 1];
    return m.Pars().Count() - (now.Length() == 0 ? 2 : 1);
}

void TMarkMemoStrings::PutParagraph(int index, const std::string& s) {
    TMarkMemo& m = memo_;
    if (index < 0) throw ERangeError("List index out of bounds");
    m.BeginUpdate();
    try {
        while (index >= m.Pars().Count()) {
            m.SelectRange(m.CharCount(), m.CharCount());
            m.SetSelTextBuf("\r\n");
        }
        const int32_t caret = m.view_.SelStart;
        const int32_t selLength = m.view_.SelLength;
        const int caretPar = m.Pars().IndexOfOffset(caret);
        const TParagraphRec& par = m.Pars()[index];
        const int32_t start = par.StartOffset();
        const int32_t oldLength = par.Length();
        m.SelectRange(start, start + oldLength);
        m.SetSelTextBuf(s);
        const int32_t delta = m.Pars()[index].Length() - oldLength;
        // the caret stays on its character; inside the replaced paragraph it goes to its start
        if (caretPar == index) {
            m.view_.SelStart = start;
            m.view_.SelLength = 0;
        } else {
            m.view_.SelStart = caretPar > index ? caret + delta : caret;
            m.view_.SelLength = selLength;
        }
    } catch (...) {
        m.EndUpdate();
        throw;
    }
    m.EndUpdate();
}

// ---- paragraphs ----

int TMarkParaStrings::Count() const {
    const TParagraphsList& pars = memo_.ParagraphList();
    return pars.Count() - (pars[pars.Count() - 1].Length() == 0 ? 1 : 0);
}

std::string TMarkParaStrings::Get(int index) const {
    return memo_.ParagraphText(index);
}

void TMarkParaStrings::Insert(int index, const std::string& s) {
    if (index >= Count()) {
        AddParagraph(s);
        return;
    }
    if (index < 0) throw ERangeError("List index out of bounds");
    int32_t at = memo_.ParagraphStart(index);
    memo_.SelectRange(at, at);
    memo_.SetSelTextBuf(s + "\r\n");
}

void TMarkParaStrings::Delete(int index) {
    const TParagraphRec& par = memo_.Paragraph(index);
    int32_t start = par.StartOffset();
    bool lastOne = index == memo_.ParagraphCount() - 1;
    int32_t stop = start + par.Length() + (lastOne ? 0 : 2);
    if (stop == start) return;
    memo_.SelectRange(start, stop);
    memo_.SetSelTextBuf({});
}

// ---- display lines ----

int TMarkLinesStrings::Count() const {
    TMarkMemo& m = memo_;
    if (m.changedFirst_ >= 0) m.firstDirty_ = std::min(m.firstDirty_, m.changedFirst_);
    m.FormatPending(m.layout_.Count() - 1, -1);
    const TLineRec& line = m.layout_[m.layout_.Count() - 1].LastLine();
    return m.LineCount() - (line.EndOffset == line.StartOffset ? 1 : 0);
}

std::string TMarkLinesStrings::Get(int index) const {
    if (index < 0 || index >= memo_.LineCount()) memo_.EnsureLine(index);
    if (index < 0 || index >= memo_.LineCount()) throw ERangeError("List index out of bounds");
    return memo_.LineText(index);
}

void TMarkLinesStrings::Put(int index, const std::string& s) {
    TMarkMemo& m = memo_;
    m.EnsureLine(index);
    if (index < 0 || index >= m.LineCount()) return;
    TMarkNavigator& nav = m.Work(0);
    nav.SetAbsLine(index);
    const TParagraphRec& par = nav.GetPar();
    const TLineRec& line = m.layout_[nav.GetParNb()].Line(nav.GetLineNb());
    m.SelectRange(par.StartOffset() + line.StartOffset, par.StartOffset() + line.EndOffset);
    m.SetSelTextBuf(s);
}

int TMarkLinesStrings::Add(const std::string& s) {
    AddParagraph(s);
    TMarkMemo& m = memo_;
    m.SelectRange(m.CharCount(), m.CharCount());
    // inside an update lock the view stays where it is, so a filled panel opens at its top
    if (m.WindowExists() && m.UpdateLock() == 0) m.ViewScrollCaretIntoView();
    return Count() - 1;
}

void TMarkLinesStrings::Insert(int index, const std::string& s) {
    if (index >= Count()) {
        Add(s);
        return;
    }
    if (index < 0) throw ERangeError("List index out of bounds");
    TMarkMemo& m = memo_;
    TMarkNavigator& nav = m.Work(0);
    nav.SetAbsLine(index);
    m.SelectRange(nav.Pos(), nav.Pos());
    m.SetSelTextBuf(s + "\r\n");
}

void TMarkLinesStrings::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    TMarkMemo& m = memo_;
    TMarkNavigator& nav = m.Work(0);
    nav.SetAbsLine(index);
    const TParagraphRec& par = nav.GetPar();
    const TParagraphLines& lines = m.layout_[nav.GetParNb()];
    int l = nav.GetLineNb();
    const TLineRec& line = lines.Line(l);
    int32_t start = par.StartOffset() + line.StartOffset;
    int32_t stop = par.StartOffset() + line.EndOffset;
    bool endsParagraph = l == lines.LineCount() - 1;
    if (endsParagraph && nav.GetParNb() < m.ParagraphCount() - 1) stop += 2;
    if (stop == start) return;
    m.SelectRange(start, stop);
    m.SetSelTextBuf({});
}
