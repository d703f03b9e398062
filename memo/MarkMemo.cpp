// The memo's lifecycle, properties and text access.
#include "MarkMemo.h"

#include <algorithm>

TMarkMemo::TMarkMemo(TComponent* owner) : TCustomControl(owner), paragraphs_(*this), lines_(*this) {
    endOfTextMark_.SetColor(clRed);
    specUnderline_.SetColor(clRed);
    endOfTextMark_.OnChange = [this](TPen*) { ViewInvalidate(); };
    specUnderline_.OnChange = [this](TPen*) { ViewInvalidate(); };
    backgroundBmp_.OnChange = [this](TPicture*) { ViewInvalidate(); };
    TCustomControl::SetColor(view_.Color);
    SetCursor(crIBeam);
    SetBorderStyle(bsSingle);
    SetTabStop(true);
    SetOpaque(true);
    alive_ = std::make_shared<TMarkMemo*>(this);
    AttachDocument(std::make_shared<TMarkMemoDocument>());
    altFont_ = font_;
    font_.OnChange = [this](TFont*) { FontChanged(); };
    altFont_.OnChange = [this](TFont*) { FontChanged(); };
    Remeasure();
    SetBounds(Left(), Top(), 100, 60);
}

TMarkMemo::~TMarkMemo() {
    alive_.reset();  // posted slices find the memo gone
    SetHighlighter(nullptr);
    LeaveDocument();
}

// ---- the document ----

void TMarkMemo::AttachDocument(std::shared_ptr<TMarkMemoDocument> document) {
    doc_ = std::move(document);
    doc_->AddObserver(this);
    if (highlighter_) InstallHighlighterHooks();
    for (int i = 0; i < 4; ++i) work_.push_back(std::make_unique<TMarkNavigator>(this));
    RebuildLayout();
    changedFirst_ = changedLast_ = -1;
    linesBeforeChange_ = -1;
    view_.Reset();
}

void TMarkMemo::LeaveDocument() {
    doc_->RemoveObserver(this);
    if (highlighter_) {
        doc_->BeforeKeywords = nullptr;
        doc_->StopSearch = nullptr;
    }
    work_.clear();
    // navigators made for this memo stay with the document, one line per paragraph
    for (TMarkNavigator* nav : doc_->Navigators())
        if (nav->memo_ == this) {
            nav->memo_ = nullptr;
            nav->lineNb_ = MaxInt;
        }
}

void TMarkMemo::ShowDocumentOf(TMarkMemo& other) {
    if (other.doc_ == doc_) return;
    std::shared_ptr<TMarkMemoDocument> shared = other.doc_;
    LeaveDocument();
    AttachDocument(std::move(shared));
    MarkForLayout();
    ViewScrollRangesChanged();
    ViewCaretChanged();
    ReportChange(0, -1, 0);
    if (UpdateLock() == 0) UpdateDisplay();
}

void TMarkMemo::RebuildLayout() {
    layout_.Clear();
    const TParagraphsList& pars = doc_->ParagraphList();
    for (int i = 0; i < pars.Count(); ++i) {
        const TParagraphRec& par = pars[i];
        TParagraphLines lines;
        lines.SetSingleLine(par.Length(), par.StartStyle);
        layout_.Add(std::move(lines));
    }
    firstDirty_ = 0;
}

void TMarkMemo::DocumentChanged(const TDocumentChange& change) {
    if (change.Pos == 0 && change.Length < 0) {  // the whole text
        RebuildLayout();
        changedFirst_ = changedLast_ = -1;
        linesBeforeChange_ = -1;
        if (!change.Text) {  // the look of all of it: the view stays where it is
            view_.SelStart = std::clamp(view_.SelStart, 0, CharCount());
            view_.SelLength =
                std::clamp(view_.SelStart + view_.SelLength, 0, CharCount()) - view_.SelStart;
        }
        if (loading_) return;  // the loading memo sets its view up itself
        if (change.Text) {     // a new text, loaded through another memo: start at its top
            view_.Reset();
            changePending_ = true;
        }
        MarkForLayout();
        ViewScrollRangesChanged();
        if (change.Text) ViewCaretChanged();
        ReportChange(0, -1, 0);
        return;
    }
    if (change.Text) {
        // this view's selection stays on its characters
        const int32_t stop = change.Pos + change.Removed;
        const int32_t delta = change.Length - change.Removed;
        auto follow = [&](int32_t at) {
            if (at >= stop) return at + delta;
            return at > change.Pos ? change.Pos : at;
        };
        const int32_t anchor = follow(view_.SelStart + view_.SelLength);
        view_.SelStart = std::clamp(follow(view_.SelStart), 0, CharCount());
        view_.SelLength = std::clamp(anchor, 0, CharCount()) - view_.SelStart;
        changePending_ = true;
    }
    FollowChange(change);
}

void TMarkMemo::FollowChange(const TDocumentChange& change) {
    const TParagraphsList& pars = doc_->ParagraphList();
    const int n = pars.Count();
    const int first = pars.IndexOfOffset(change.Pos);
    const int last =
        change.Length < 0 ? n - 1 : std::max(first, pars.IndexOfOffset(change.Pos + change.Length));
    if (linesBeforeChange_ < 0) linesBeforeChange_ = LineCount();
    // the entries of the paragraphs that went and came
    if (change.LinesAdded != 0) {
        std::vector<std::unique_ptr<TParagraphLines>> fresh;
        for (int q = first + 1; q <= last; ++q) {
            auto lines = std::make_unique<TParagraphLines>();
            lines->SetSingleLine(pars[q].Length(), pars[q].StartStyle);
            fresh.push_back(std::move(lines));
        }
        layout_.Replace(first + 1, last - change.LinesAdded - first, fresh);
    }
    // the first paragraph keeps its lines before the change
    const TParagraphRec& par = pars[first];
    TParagraphLines& lines = layout_[first];
    const int editLine = lines.LineOf(std::clamp(change.Pos - par.StartOffset(), 0, par.Length()));
    if (lines.LastLine().EndOffset != par.Length()) {
        const TLineRec rec = lines.Line(editLine);
        lines.SetLineCount(editLine + 1);
        TLineRec& line = lines.Line(editLine);
        line = TLineRec{};
        line.StartOffset = rec.StartOffset;
        line.EndOffset = par.Length();
        line.StartStyle = rec.StartStyle;
        line.StartAttr = rec.StartAttr;
        lines.Resized();
    }
    RestyleLines(first);
    InvalidatePar(first, editLine);
    for (int q = first + 1; q <= last; ++q) {
        TParagraphLines& more = layout_[q];
        if (more.LastLine().EndOffset != pars[q].Length()) {
            more.SetSingleLine(pars[q].Length(), pars[q].StartStyle);
            more.Resized();
        }
        RestyleLines(q);
        InvalidatePar(q, 0);
    }
    ShiftChangedRange(last - change.LinesAdded, change.LinesAdded);
    MarkChanged(first, last);
    if (firstDirty_ != MaxInt && firstDirty_ > first)
        firstDirty_ = std::max(first, firstDirty_ + std::min(0, change.LinesAdded));
}

void TMarkMemo::RestyleLines(int index) {
    const TParagraphRec& par = doc_->Paragraph(index);
    TParagraphLines& lines = layout_[index];
    if (lines.Line0.StartStyle == par.StartStyle) return;
    uint8_t style = par.StartStyle;
    for (int l = 0; l < lines.LineCount(); ++l) {
        TLineRec& line = lines.Line(l);
        line.StartStyle = style;
        if (!StaticFormat()) continue;
        const int32_t from = std::min(line.StartOffset, par.Length());
        const int32_t to = std::clamp(line.EndOffset, from, par.Length());
        style = AdvanceStaticStyle(
            style, std::string_view(par.Text).substr(size_t(from), size_t(to - from)));
    }
}

void TMarkMemo::SetHost(TMarkMemoHost* host) {
    host_ = host ? host : &ownHost_;
    WindowCreated();
}

void TMarkMemo::SetClientSize(int width, int height) {
    const bool widthChanged = width != view_.ClientWidth;
    view_.ClientWidth = width;
    view_.ClientHeight = height;
    if (widthChanged && WindowExists()) ClientResized();
}

// ---- what the view learns ----

void TMarkMemo::ReportChange(int32_t pos, int32_t length, int32_t linesAdded) {
    if (linesAdded != 0) {
        const TParagraphsList& pars = doc_->ParagraphList();
        const int index = pars.IndexOfOffset(pos);
        const TParagraphLines& lines = layout_[index];
        const int32_t line = lines.FirstLine() + lines.LineOf(pos - pars[index].StartOffset());
        if (view_.LinesAdded(line, linesAdded, lineHeight_)) ViewScrollRangesChanged();
    }
    ViewInvalidateRange(pos, length, linesAdded);
}

void TMarkMemo::ReportParagraphs(int first, int last, int32_t linesAdded) {
    const TParagraphsList& pars = doc_->ParagraphList();
    const int n = pars.Count();
    first = std::clamp(first, 0, n - 1);
    const int32_t pos = pars[first].StartOffset();
    if (last < 0 || last >= n) {
        ReportChange(pos, -1, linesAdded);
        return;
    }
    last = std::max(first, last);
    const TParagraphRec& end = pars[last];
    ReportChange(pos, end.StartOffset() + end.Length() - pos, linesAdded);
}

void TMarkMemo::SetViewColor(TColor& field, TColor value) {
    if (field == value) return;
    field = value;
    ViewInvalidate();
}

void TMarkMemo::SetOverwrite(bool value) {
    if (value == view_.Overwrite) return;
    view_.Overwrite = value;
    ViewCaretChanged();
}

void TMarkMemo::SetCaretWidth(int value) {
    value = std::max(0, value);
    if (value == view_.CaretWidth) return;
    view_.CaretWidth = value;
    ViewCaretChanged();
}

void TMarkMemo::SetHideSelection(bool value) {
    if (value == view_.HideSelection) return;
    view_.HideSelection = value;
    ViewInvalidate();
}

void TMarkMemo::WindowCreated() {
    Remeasure();
    if (WindowExists()) MarkForLayout();
}

void TMarkMemo::ClientResized() {
    if (wordWrap_ || alignment_ != taLeftJustify) RelayoutAll();
}

void TMarkMemo::Change() {
    if (OnChange) OnChange(this);
}

// ---- text ----

void TMarkMemo::Clear() {
    if (CharCount() == 0) return;
    SetTextBuf({});
}

void TMarkMemo::SetTextBuf(std::string_view text) {
    if (CharCount() == 0 && text.empty()) return;
    LoadText(text);
}

std::string TMarkMemo::ParagraphText(int index) const {
    return doc_->Paragraph(index).Text;
}

std::string TMarkMemo::TextRange(int32_t start, int32_t stop) const {
    return doc_->TextRange(start, stop);
}

int32_t TMarkMemo::ParagraphStart(int index) const {
    return doc_->Paragraph(index).StartOffset();
}

std::string TMarkMemo::LineText(int line) {
    EnsureLine(line);
    TMarkNavigator& nav = Work(0);
    nav.SetAbsLine(line);
    const TParagraphRec& par = nav.GetPar();
    const TLineRec& rec = layout_[nav.GetParNb()].Line(nav.GetLineNb());
    return par.Text.substr(size_t(rec.StartOffset), size_t(rec.EndOffset - rec.StartOffset));
}

void TMarkMemo::SelectParagraph(int index) {
    SetSelStart(ParagraphStart(index));
}

void TMarkMemo::SelectLine(int line) {
    EnsureLine(line);
    TMarkNavigator& nav = Work(0);
    nav.SetAbsLine(line);
    SetSelStart(nav.Pos());
}

// ---- properties ----

void TMarkMemo::RelayoutAll() {
    MarkForLayout();
    ViewScrollRangesChanged();
}

void TMarkMemo::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    bool relayout = !wordWrap_ && ((value == taLeftJustify) != (alignment_ == taLeftJustify));
    alignment_ = value;
    ScrollTo(view_.VScroll, 0);
    if (relayout) {
        RelayoutAll();
    } else {
        ViewCaretChanged();
        ViewInvalidate();
    }
}

void TMarkMemo::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    RelayoutAll();
    ScrollTo(view_.VScroll, 0);
    ViewScrollCaretIntoView();
}

void TMarkMemo::SetJustified(bool value) {
    if (value == justified_) return;
    justified_ = value;
    ScrollTo(view_.VScroll, 0);
    ViewCaretChanged();
    ViewInvalidate();
}

void TMarkMemo::SetLeftMargin(int value) {
    if (value == leftMargin_) return;
    leftMargin_ = value;
    RelayoutAll();
}

void TMarkMemo::SetRightMargin(int value) {
    if (value == rightMargin_) return;
    rightMargin_ = value;
    RelayoutAll();
}

void TMarkMemo::SetTabStops(int value) {
    if (value < 1) value = 1;
    if (value == tabStops_) return;
    tabStops_ = value;
    RelayoutAll();
}

void TMarkMemo::SetLineHeight(int value) {
    fixedLineHeight_ = value >= 1 ? value : 0;
    FontChanged();
}

void TMarkMemo::SetStaticFormat(bool value) {
    if (value == StaticFormat()) return;
    TMemoryStream saved;
    SaveToStream(saved);  // compacts under the old reading
    doc_->SetStaticFormatFlag(value);
    saved.SetPosition(0);
    LoadFromStream(saved);
}

void TMarkMemo::SetOptions(TMarkMemoOptions value) {
    bool discardAdded =
        (value & pmoDiscardTrailingSpaces) && !(options_ & pmoDiscardTrailingSpaces);
    const bool selectionLook = (value ^ options_) & (pmoWindowsSelColors | pmoFullLineSelect);
    options_ = value;
    doc_->DiscardTrailingSpaces = value & pmoDiscardTrailingSpaces;
    if (discardAdded) ReloadAsPlainText();
    if (selectionLook && (view_.SelLength != 0 || view_.BlockMode)) ViewInvalidate();
}

void TMarkMemo::ReloadAsPlainText() {
    TMemoryStream saved;
    SaveToStream(saved);
    saved.SetPosition(0);
    LoadFromStream(saved);
}

std::string TMarkMemo::Separators() const {
    std::string out;
    for (int c = 0; c < 256; ++c)
        if (SeparatorSet()[size_t(c)]) out += char(c);
    return out;
}

void TMarkMemo::SetSeparators(std::string_view value) {
    doc_->SetSeparators(value);
}

void TMarkMemo::SetUpdateMode(TUpdateMode value) {
    if (value == updateMode_) return;
    updateMode_ = value;
    if (!WindowExists() || UpdateLock() > 0) return;
    if (value == umImmediate) {
        FormatPending(ParagraphCount() - 1, -1);
        if (progress_ != 100) {
            progress_ = 100;
            if (OnProgress) OnProgress(this);
        }
    } else if (value == umBackground) {
        StartBackground();
    }
}

void TMarkMemo::SetHighlighter(TMarkHighlighter* highlighter) {
    if (highlighter == highlighter_) return;
    if (highlighter_) std::erase(highlighter_->memos_, this);
    highlighter_ = highlighter;
    if (highlighter_) highlighter_->memos_.push_back(this);
    InstallHighlighterHooks();
}

void TMarkMemo::InstallHighlighterHooks() {
    if (!highlighter_) {
        doc_->BeforeKeywords = nullptr;
        doc_->StopSearch = nullptr;
        return;
    }
    doc_->BeforeKeywords = [this](int count) { highlighter_->BeforeKeywords(*this, count); };
    doc_->StopSearch = [this](TMarkNavigator& start, TMarkNavigator& search, int count) {
        return highlighter_->StopSearch(start, search, count);
    };
}
