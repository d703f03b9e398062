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
    for (int i = 0; i < 4; ++i) work_.push_back(std::make_unique<TMarkNavigator>(this));
    separators_ = DefaultSeparators();
    altFont_ = font_;
    font_.OnChange = [this](TFont*) { FontChanged(); };
    altFont_.OnChange = [this](TFont*) { FontChanged(); };
    ResetStore();
    Remeasure();
}

TMarkMemo::~TMarkMemo() {
    alive_.reset();  // posted slices find the memo gone
    SetHighlighter(nullptr);
    work_.clear();
    for (TMarkNavigator* nav : navigators_) {
        nav->Reset();
        nav->memo_ = nullptr;
    }
    navigators_.clear();
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

void TMarkMemo::AddObserver(TMarkMemoObserver* observer) {
    if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void TMarkMemo::RemoveObserver(TMarkMemoObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

// ---- what the view and the observers learn ----

void TMarkMemo::ReportChange(int32_t pos, int32_t length, int32_t linesAdded) {
    if (linesAdded != 0) {
        const TParagraphRec& par = pars_[pars_.IndexOfOffset(pos)];
        const int32_t line = par.FirstLine() + par.LineOf(pos - par.StartOffset());
        if (view_.LinesAdded(line, linesAdded, lineHeight_)) ViewScrollRangesChanged();
    }
    ViewInvalidateRange(pos, length, linesAdded);
    for (TMarkMemoObserver* observer : std::vector<TMarkMemoObserver*>(observers_))
        observer->DocumentChanged(pos, length, linesAdded);
}

void TMarkMemo::ReportParagraphs(int first, int last, int32_t linesAdded) {
    const int n = pars_.Count();
    first = std::clamp(first, 0, n - 1);
    const int32_t pos = pars_[first].StartOffset();
    if (last < 0 || last >= n) {
        ReportChange(pos, -1, linesAdded);
        return;
    }
    last = std::max(first, last);
    const TParagraphRec& end = pars_[last];
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

void TMarkMemo::ResetStore() {
    pars_.Clear();
    TParagraphRec par;
    par.StartState = FreshStartState();
    par.Formatted = 0;
    pars_.Add(std::move(par));
    changedFirst_ = changedLast_ = -1;
    linesBeforeChange_ = -1;
    firstDirty_ = 0;
    scannedUpTo_ = 0;
    upperCacheIndex_ = -1;
    view_.SelStart = view_.SelLength = 0;
    view_.BlockMode = false;
    view_.ExtraSpaces = 0;
    ResetAllNavigators();
}

void TMarkMemo::ResetAllNavigators() {
    for (TMarkNavigator* nav : navigators_) {
        nav->Reset();
        nav->pos_ = std::clamp(nav->pos_, 0, CharCount() + 1);
    }
}

void TMarkMemo::ResetNavigatorCaches(int32_t pos, int parIndex) {
    for (TMarkNavigator* nav : navigators_)
        if (nav->pos_ > pos && nav->parNb_ <= parIndex) {
            nav->dynNb_ = MaxInt;
            nav->lineNb_ = MaxInt;
        }
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
    return pars_.Get(index).Text;
}

std::string TMarkMemo::TextRange(int32_t start, int32_t stop) const {
    start = std::clamp(start, 0, CharCount());
    stop = std::clamp(stop, 0, CharCount());
    if (stop <= start) return {};
    int p = pars_.IndexOfOffset(start);
    return pars_.CopyText(p, start - pars_[p].StartOffset(), stop - start);
}

int32_t TMarkMemo::ParagraphStart(int index) const {
    return pars_.Get(index).StartOffset();
}

std::string TMarkMemo::LineText(int line) {
    EnsureLine(line);
    TMarkNavigator& nav = Work(0);
    nav.SetAbsLine(line);
    const TParagraphRec& par = nav.GetPar();
    const TLineRec& rec = par.Line(nav.GetLineNb());
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

void TMarkMemo::EndUpdate() {
    if (updateLock_ == 0) return;
    if (--updateLock_ == 0) UpdateDisplay();
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
    view_.HScroll = 0;
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
    view_.HScroll = 0;
    RelayoutAll();
    ViewScrollCaretIntoView();
}

void TMarkMemo::SetJustified(bool value) {
    if (value == justified_) return;
    justified_ = value;
    view_.HScroll = 0;
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
    if (value == staticFormat_) return;
    TMemoryStream saved;
    SaveToStream(saved);  // compacts under the old reading
    staticFormat_ = value;
    saved.SetPosition(0);
    LoadFromStream(saved);
}

void TMarkMemo::SetOptions(TMarkMemoOptions value) {
    bool discardAdded =
        (value & pmoDiscardTrailingSpaces) && !(options_ & pmoDiscardTrailingSpaces);
    options_ = value;
    if (discardAdded) ReloadAsPlainText();
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
        if (separators_[size_t(c)]) out += char(c);
    return out;
}

void TMarkMemo::SetSeparators(std::string_view value) {
    separators_.reset();
    for (unsigned char c : value) separators_.set(c);
    startStop_.MarkStale();
}

void TMarkMemo::SetUndoMaxSpace(int value) {
    undoMaxSpace_ = std::max(0, value);
    TrimUndo();
}

void TMarkMemo::SetUndoMaxLevel(int value) {
    if (value > 134217727) throw EListError("Undo set too high");
    undoMaxLevel_ = std::max(0, value);
    // keep at most max(position, level) records, then drop the oldest beyond the level
    size_t keep = size_t(std::max(undoPos_, undoMaxLevel_));
    while (undo_.size() > keep) {
        undoSize_ -= undo_.back().Size();
        undo_.pop_back();
    }
    while (undoPos_ > undoMaxLevel_) {
        undoSize_ -= undo_.front().Size();
        undo_.pop_front();
        --undoPos_;
    }
}

void TMarkMemo::SetUpperCaseType(TpmUpperCase value) {
    upperCase_ = value;
    keywords_.SetUpperCaseType(value);
    startStop_.SetUpperCaseType(value);
    upperCacheIndex_ = -1;
}

void TMarkMemo::SetUpdateMode(TUpdateMode value) {
    if (value == updateMode_) return;
    updateMode_ = value;
    if (!WindowExists() || updateLock_ > 0) return;
    if (value == umImmediate) {
        FormatPending(pars_.Count() - 1, -1);
        if (progress_ != 100) {
            progress_ = 100;
            if (OnProgress) OnProgress(this);
        }
    } else if (value == umBackground) {
        StartBackground();
    }
}

void TMarkMemo::SetApplyKeyWords(bool value) {
    applyKeyWords_ = value;
}

void TMarkMemo::SetApplyStartStopKeys(bool value) {
    applyStartStop_ = value;
}

void TMarkMemo::SetHighlighter(TMarkHighlighter* highlighter) {
    if (highlighter == highlighter_) return;
    if (highlighter_) {
        auto& list = highlighter_->memos_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    highlighter_ = highlighter;
    if (highlighter_) highlighter_->memos_.push_back(this);
}
