// The memo's window side: its own host, painting, the caret, scrolling, focus, the clipboard
// and the built-in popup menu.
#include <algorithm>
#include <climits>

#include "MarkMemo.h"
#include "platform/Clipboard.h"

namespace {

enum : int { kBlinkTimer = 1, kAutoScrollTimer = 2 };
enum : unsigned { kRunPosted = 0x0400 + 1 };
// The caret toggles every half of the desktop's usual 530 ms flash cycle.
constexpr unsigned kBlinkMs = 265;
constexpr int kNoColor = INT32_MIN;

bool KeepsColor(int32_t color) {
    return color == 0 || color == -1;
}

int Clamp16(int v) {
    return std::clamp(v, -32768, 32767);
}

}  // namespace

// ---- the window as the memo's own host ----

TTextMeasurer* TMarkMemo::TOwnHost::Measurer() {
    if (!measurer_) measurer_ = CreateScreenTextMeasurer();
    return measurer_.get();
}

void TMarkMemo::TOwnHost::Post(std::function<void()> work) {
    memo_.posted_.push_back(std::move(work));
    memo_.PostMessage(kRunPosted);
}

void TMarkMemo::PostedMessage(unsigned msg, intptr_t, intptr_t) {
    if (msg != kRunPosted || posted_.empty()) return;
    auto work = std::move(posted_.front());
    posted_.pop_front();
    work();
}

void TMarkMemo::CreateWnd() {
    view_.ClientWidth = ClientWidth();
    view_.ClientHeight = ClientHeight();
    view_.ExtraSpaces = 0;
    if (host_ == &ownHost_) WindowCreated();
    SetScrollBars(scrollBars_);
    UpdateScrollRanges();
}

void TMarkMemo::Resize() {
    TCustomControl::Resize();
    SetClientSize(ClientWidth(), ClientHeight());
    UpdateScrollRanges();
}

void TMarkMemo::SetScrollBars(TScrollStyle value) {
    scrollBars_ = value;
    if (!HandleAllocated()) return;
    if (value == ssNone || value == ssHorizontal) ShowScrollBar(sbVertical, false);
    if (value == ssNone || value == ssVertical) ShowScrollBar(sbHorizontal, false);
    UpdateScrollRanges();
}

// ---- what the view learns ----

void TMarkMemo::ViewInvalidate() {
    if (HandleAllocated()) Invalidate();
}

// Repaints the lines of a change, and everything below when lines came or went.
void TMarkMemo::ViewInvalidateRange(int32_t pos, int32_t length, int32_t linesAdded) {
    if (!HandleAllocated()) return;
    const int lh = std::max(1, lineHeight_);
    auto lineOf = [&](int32_t at) {
        const int index = Pars().IndexOfOffset(at);
        const TParagraphRec& par = Pars()[index];
        const TParagraphLines& lines = layout_[index];
        return lines.FirstLine() +
               lines.LineOf(std::clamp(at - par.StartOffset(), 0, par.Length()));
    };
    const int top = std::max(0, LineToY(lineOf(std::clamp(pos, 0, CharCount())) - view_.TopLine));
    int bottom = view_.ClientHeight;
    if (length >= 0 && linesAdded == 0)
        bottom = std::min(
            bottom, LineToY(lineOf(std::clamp(pos + length, 0, CharCount())) - view_.TopLine) + lh);
    if (top < bottom) InvalidateRect({0, top, view_.ClientWidth, bottom});
}

void TMarkMemo::ViewScrollRangesChanged() {
    UpdateScrollRanges();
}

void TMarkMemo::ViewScrollCaretIntoView() {
    ScrollCaretIntoView();
}

void TMarkMemo::ViewMetricsChanged() {
    ViewInvalidate();
    UpdateScrollRanges();
}

void TMarkMemo::ViewCaretChanged() {
    if (UpdateLock() > 0) return;
    if (HandleAllocated()) {
        Invalidate();
        if (focused_) RestartBlink();
    }
    if (view_.SelStart != lastCaret_) {
        lastCaret_ = view_.SelStart;
        for (size_t i = 0; i < hooks_.size(); ++i)
            if (hooks_[i]) hooks_[i]->SelectionMoved(*this);
        if (OnSelMove) OnSelMove(this);
    }
    // the last style is kept whether or not anyone listens, so a handler assigned later
    // hears only of real changes
    const uint8_t style = CurrentStyle();
    if (style != lastStyle_) {
        lastStyle_ = style;
        if (OnStyleChange) OnStyleChange(this);
    }
}

// ---- scrolling ----

int TMarkMemo::VerticalUnit() const {
    return int(int64_t(LineCount()) * std::max(1, lineHeight_) / 32760 + 1);
}

int TMarkMemo::HorizontalUnit() const {
    int widest = widestWidth_ == MaxInt ? 0 : widestWidth_;
    return (widest + leftMargin_ + rightMargin_) / 32760 + 1;
}

void TMarkMemo::UpdateScrollRanges() {
    if (!HandleAllocated() || inScrollUpdate_) return;
    inScrollUpdate_ = true;
    const int lh = std::max(1, lineHeight_);
    const int64_t total = int64_t(LineCount()) * lh;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) {
        const int unit = VerticalUnit();
        TScrollInfo si;
        si.Mask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.Max = std::max(int(total / unit), view_.ClientHeight - lh - 1);
        if (!HasOption(pmoAutoScrollBars) && total < view_.ClientHeight) ++si.Max;
        si.Page = unsigned(std::max(0, (view_.ClientHeight - lh) / unit));
        si.Pos = view_.VScroll / unit;
        SetScrollInfo(sbVertical, si, true);
    }
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) {
        const int unit = HorizontalUnit();
        const int margins = leftMargin_ + rightMargin_;
        const int widest = widestWidth_ == MaxInt ? 0 : widestWidth_;
        TScrollInfo si;
        si.Mask = SIF_RANGE | SIF_PAGE | SIF_POS;
        const int page = std::max(0, (view_.ClientWidth - margins) / unit);
        si.Page = unsigned(page);
        si.Max = std::max(0, (widest + margins - view_.ClientWidth) / unit) + page - 1;
        if (wordWrap_) si.Max = page - 1;
        if (!HasOption(pmoAutoScrollBars)) ++si.Max;
        if (alignment_ != taLeftJustify) si.Max = page;
        si.Pos = view_.HScroll / unit;
        SetScrollInfo(sbHorizontal, si, true);
        if (si.Max < page && view_.HScroll != 0) {
            inScrollUpdate_ = false;
            ScrollTo(view_.VScroll, 0);
            return;
        }
    }
    inScrollUpdate_ = false;
}

void TMarkMemo::ScrollTo(int vPixels, int hPixels) {
    vPixels = std::max(0, vPixels);
    hPixels = std::max(0, hPixels);
    const bool vChanged = vPixels != view_.VScroll, hChanged = hPixels != view_.HScroll;
    if (!vChanged && !hChanged) return;
    view_.SetVScroll(vPixels, lineHeight_);
    view_.HScroll = hPixels;
    ViewInvalidate();
    UpdateScrollRanges();
    if (vChanged && OnVScroll) OnVScroll(this);
    if (hChanged && OnHScroll) OnHScroll(this);
}

void TMarkMemo::ScrollToLine(int line) {
    ScrollTo(std::max(0, line) * std::max(1, lineHeight_), view_.HScroll);
}

void TMarkMemo::ScrollMessage(TScrollBarKind kind, TScrollCode code, int pos) {
    CallHooks(TMarkMemoEventKind::Scroll, 0, {}, int(code));
    if (UpdateLock() > 0) return;
    const int lh = std::max(1, lineHeight_);
    if (kind == sbVertical) {
        const int top = view_.TopLine, visible = VisibleLines(), count = LineCount();
        const int last = std::max(0, count - visible + 2);
        int v = view_.VScroll;
        switch (code) {
            case SB_LINEUP:
                v = view_.VScroll % lh ? top * lh : std::max(0, top - 1) * lh;
                break;
            case SB_LINEDOWN:
                if (top >= count - visible + 2) return;
                v = (top + 1) * lh;
                break;
            case SB_PAGEUP:
                EnsureLine(top);
                v = std::max(top - visible + 2, 0) * lh;
                break;
            case SB_PAGEDOWN:
                v = std::min(top + visible - 1, last) * lh;
                break;
            case SB_THUMBTRACK:
            case SB_THUMBPOSITION:
                v = pos * VerticalUnit();
                if (HasOption(pmoNoFineScroll)) v = (v + lh / 2) / lh * lh;
                break;
            case SB_TOP:
                v = 0;
                break;
            case SB_BOTTOM:
                v = last * lh;
                break;
            default:
                return;
        }
        EnsureLine(v / lh + visible);
        ScrollTo(v, view_.HScroll);
    } else {
        const int client = view_.ClientWidth, step = std::max(1, client / 20);
        const int widest = widestWidth_ == MaxInt ? 0 : widestWidth_;
        const int most = std::max(0, widest + leftMargin_ + rightMargin_ - client);
        int h = view_.HScroll;
        switch (code) {
            case SB_LINELEFT:
                h -= step;
                break;
            case SB_LINERIGHT:
                h = std::min(most, h + step);
                break;
            case SB_PAGELEFT:
                h -= client - step;
                break;
            case SB_PAGERIGHT:
                h = std::min(most, h + client - step);
                break;
            case SB_THUMBTRACK:
            case SB_THUMBPOSITION:
                h = pos * HorizontalUnit();
                break;
            case SB_LEFT:
                h = 0;
                break;
            case SB_RIGHT:
                h = most;
                break;
            default:
                return;
        }
        ScrollTo(view_.VScroll, std::max(0, h));
    }
}

void TMarkMemo::WheelScroll(int delta) {
    wheelAcc_ += delta * MouseWheelFactor;
    while (wheelAcc_ <= -120) {
        ScrollMessage(sbVertical, SB_LINEDOWN, 0);
        wheelAcc_ += 120;
    }
    while (wheelAcc_ >= 120) {
        ScrollMessage(sbVertical, SB_LINEUP, 0);
        wheelAcc_ -= 120;
    }
}

bool TMarkMemo::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    CallHooks(TMarkMemoEventKind::Wheel, shift, mousePos, wheelDelta);
    if (TCustomControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
    WheelScroll(wheelDelta);
    return true;
}

// ---- the caret ----

void TMarkMemo::CaretAbsLine(int* index, int* line, int* absLine) {
    int p = Pars().IndexOfOffset(view_.SelStart);
    EnsureFormatted(p);
    p = Pars().IndexOfOffset(view_.SelStart);
    const TParagraphRec& par = Pars()[p];
    const TParagraphLines& lines = layout_[p];
    const int l = lines.LineOf(std::min(view_.SelStart - par.StartOffset(), par.Length()));
    *index = p;
    *line = l;
    *absLine = lines.FirstLine() + l;
}

TRect TMarkMemo::CaretRect() {
    int index, line, abs;
    CaretAbsLine(&index, &line, &abs);
    const TParagraphRec& par = Pars()[index];
    const int32_t offset = std::min(view_.SelStart - par.StartOffset(), par.Length());
    const int lh = std::max(1, lineHeight_);
    int x = OffsetToX(index, line, offset) + view_.ExtraSpaces * tabUnit_;
    if (wordWrap_) x = std::min(x, view_.ClientWidth - 1);
    const int y = LineToY(abs - view_.TopLine);
    int width = view_.CaretWidth == 0 ? lh / 14 + 1 : view_.CaretWidth;
    if (view_.Overwrite && HasOption(pmoWideOverwriteCaret) && view_.SelLength == 0 &&
        offset < par.Length()) {
        WalkLine(index, line, [&](const TCharCell& cell) {
            if (cell.Offset < offset) return true;
            if (cell.Width > 0) width = cell.Width;
            return false;
        });
    }
    return {x, y, x + width, y + lh};
}

void TMarkMemo::RestartBlink() {
    if (!HandleAllocated() || !focused_ || DisplayOnly()) return;
    caretOn_ = true;
    SetTimer(kBlinkTimer, kBlinkMs);
}

void TMarkMemo::DrawCaret(TCanvas& canvas) {
    if (!focused_ || !caretOn_ || DisplayOnly() || UpdateLock() > 0) return;
    TRect r = CaretRect();
    if (dragging_ && dropPos_ >= 0) {  // while text is dragged the caret shows the drop place
        const int32_t caret = view_.SelStart, length = view_.SelLength;
        const int extra = view_.ExtraSpaces;
        view_.SelStart = dropPos_;
        view_.SelLength = 0;
        view_.ExtraSpaces = 0;
        r = CaretRect();
        view_.SelStart = caret;
        view_.SelLength = length;
        view_.ExtraSpaces = extra;
    }
    if (r.Right <= 0 || r.Left >= view_.ClientWidth) return;
    canvas.InvertRect(r);
}

void TMarkMemo::ScrollCaretIntoView() {
    if (!WindowExists() || UpdateLock() > 0) return;
    int index, line, abs;
    CaretAbsLine(&index, &line, &abs);
    const int lh = std::max(1, lineHeight_);
    int h = view_.HScroll;
    if (!wordWrap_ && (alignment_ == taLeftJustify || h > 0)) {
        const TParagraphRec& par = Pars()[index];
        const int32_t offset = std::min(view_.SelStart - par.StartOffset(), par.Length());
        const int x = OffsetToX(index, line, offset) + view_.ExtraSpaces * tabUnit_;
        const int step = std::max(1, 5 * tabUnit_);
        if (x >= view_.ClientWidth)
            h += ((x - view_.ClientWidth) / step + 1) * step;
        else if (x < 0)
            h = std::max(0, h - ((-x - 1) / step + 1) * step);
    }
    int v = view_.VScroll;
    const int y = LineToY(abs - view_.TopLine);
    if (y < 0)
        v += y;
    else if (y + lh > view_.ClientHeight && view_.ClientHeight >= lh)
        v += y + lh - view_.ClientHeight;
    ScrollTo(v, h);
}

// ---- focus and timers ----

void TMarkMemo::SetDisplayOnly(bool value) {
    if (value == displayOnly_) return;
    displayOnly_ = value;
    if (!focused_) return;
    if (value) {  // no caret while the memo only displays
        caretOn_ = false;
        KillTimer(kBlinkTimer);
        ViewInvalidate();
    } else {
        ViewCaretChanged();
    }
}

void TMarkMemo::DoEnter() {
    CallHooks(TMarkMemoEventKind::Enter);
    TCustomControl::DoEnter();
    focused_ = true;
    RestartBlink();
    ViewInvalidate();
}

void TMarkMemo::DoExit() {
    CallHooks(TMarkMemoEventKind::Exit);
    TCustomControl::DoExit();
    focused_ = false;
    caretOn_ = false;
    KillTimer(kBlinkTimer);
    ViewInvalidate();
}

void TMarkMemo::TimerEvent(int id) {
    CallHooks(TMarkMemoEventKind::Timer, 0, {}, id);
    if (id == kBlinkTimer) {
        caretOn_ = !caretOn_;
        if (HandleAllocated()) InvalidateRect(CaretRect());
    } else if (id == kAutoScrollTimer) {
        AutoScrollStep();
    }
}

// ---- painting ----

bool TMarkMemo::SelectionShown() const {
    return focused_ || !view_.HideSelection;
}

void TMarkMemo::Paint(TCanvas& canvas, const TRect& updateRect) {
    CallHooks(TMarkMemoEventKind::Paint);
    if (UpdateLock() > 0) {
        canvas.Brush().SetStyle(TBrushStyle::bsSolid);
        canvas.Brush().SetColor(view_.Color);
        canvas.FillRect(updateRect);
        return;
    }
    PaintLines(canvas, updateRect);
    DrawCaret(canvas);
}

void TMarkMemo::PaintLines(TCanvas& canvas, const TRect& area) {
    TCanvasSurface surface(canvas);
    PaintArea(surface, area);
}

void TMarkMemo::PaintArea(TMarkMemoSurface& surface, const TRect& area) {
    const int lh = std::max(1, lineHeight_);
    const int width = view_.ClientWidth;
    if (area.IsEmpty()) return;
    const int firstRow = view_.YToLine(std::max(0, area.Top), lh);
    const int lastRow = view_.YToLine(std::max(0, area.Bottom - 1), lh);
    if (CanMeasure()) EnsureLine(view_.TopLine + lastRow + 1);
    if (view_.TopLine < LineCount()) doc_->ScanUpTo(layout_.IndexOfLine(view_.TopLine));
    for (int row = firstRow; row <= lastRow; ++row) {
        const int abs = view_.TopLine + row;
        if (abs >= LineCount()) break;
        PaintLine(surface, abs, LineToY(row), width);
    }
    const int textBottom = int(std::clamp<int64_t>(int64_t(LineCount()) * lh - view_.VScroll,
                                                   INT32_MIN / 2, INT32_MAX / 2));
    if (textBottom < area.Bottom) {
        const int top = std::max(area.Top, textBottom);
        PaintBackground(surface, {area.Left, top, area.Right, area.Bottom},
                        int64_t(view_.VScroll) + top);
    }
    if (endOfTextMark_.Style() != TPenStyle::psClear) {
        const int y = textBottom + endOfTextMark_.Width() / 2;
        if (y >= area.Top - endOfTextMark_.Width() && y < area.Bottom + endOfTextMark_.Width())
            surface.Lines(endOfTextMark_, {{0, Clamp16(y)}, {Clamp16(width), Clamp16(y)}});
    }
}

void TMarkMemo::PaintBackground(TMarkMemoSurface& surface, const TRect& r, int64_t textY) {
    if (r.IsEmpty()) return;
    if (backgroundBmp_.Empty())
        surface.Fill(r, view_.Color);
    else
        surface.Tile(r, backgroundBmp_.Bitmap(), -int64_t(view_.HScroll), int64_t(r.Top) - textY);
}

// What painting one display line works with: its place, its characters and its selection.
struct TMarkMemo::TLinePaint {
    int index = 0, line = 0, y = 0, lh = 1, clientWidth = 0;
    bool lastLineOfPar = false;
    std::vector<TCharCell> cells;
    size_t drawn = 0;  // the cells drawn: the blanks at which the line broke are not
    int selX1 = INT_MAX, selX2 = INT_MIN;
    TRect endMark{};
    bool windowsColors = false;
    bool Selected(const TCharCell& cell) const {
        return selX1 < selX2 && cell.X >= selX1 && cell.X + cell.Width <= selX2;
    }
};

void TMarkMemo::PaintLine(TMarkMemoSurface& surface, int absLine, int y, int clientWidth) {
    TLinePaint lp;
    lp.lh = std::max(1, lineHeight_);
    lp.y = y;
    lp.clientWidth = clientWidth;
    lp.index = layout_.IndexOfLine(absLine);
    EnsureFormatted(lp.index);
    lp.index = layout_.IndexOfLine(absLine);
    const TParagraphRec& par = Pars()[lp.index];
    const TParagraphLines& lines = layout_[lp.index];
    lp.line = std::clamp(absLine - lines.FirstLine(), 0, lines.LineCount() - 1);
    lp.lastLineOfPar = lp.line == lines.LineCount() - 1;
    if (par.BackColor >= 0)
        surface.Fill({0, y, clientWidth, y + lp.lh}, par.BackColor);
    else
        PaintBackground(surface, {0, y, clientWidth, y + lp.lh}, int64_t(absLine) * lp.lh);

    WalkLine(lp.index, lp.line, [&](const TCharCell& cell) {
        lp.cells.push_back(cell);
        return true;
    });
    lp.drawn = lp.cells.size();
    if (!lp.lastLineOfPar)
        while (lp.drawn > 0 && lp.cells[lp.drawn - 1].Char == ' ') --lp.drawn;

    FindLineSelection(lp);
    lp.windowsColors = HasOption(pmoWindowsSelColors);
    if (lp.windowsColors && lp.selX1 < lp.selX2)
        surface.Fill({Clamp16(lp.selX1), y, Clamp16(lp.selX2), y + lp.lh}, view_.SelBackColor);
    PaintRuns(surface, lp);
    if (!lp.windowsColors && lp.selX1 < lp.selX2)
        surface.Invert({Clamp16(lp.selX1), y, Clamp16(lp.selX2), y + lp.lh});
    if (!lp.endMark.IsEmpty()) {
        if (lp.windowsColors)
            surface.Fill(lp.endMark, view_.SelBackColor);
        else
            surface.Invert(lp.endMark);
    }
}

// The selected x range of the line, and the mark of a selected paragraph end.
void TMarkMemo::FindLineSelection(TLinePaint& lp) {
    const TParagraphLines& lines = layout_[lp.index];
    const TLineRec& ln = lines.Line(lp.line);
    const bool shown = SelectionShown();
    const int32_t start = Pars()[lp.index].StartOffset();
    const int32_t s1 = view_.SelFirst() - start, s2 = view_.SelLast() - start;
    const bool plainSel = shown && !view_.BlockMode && view_.SelLength != 0;
    if (plainSel)
        for (const TCharCell& cell : lp.cells)
            if (cell.Offset >= s1 && cell.Offset < s2) {
                lp.selX1 = std::min(lp.selX1, cell.X);
                lp.selX2 = std::max(lp.selX2, cell.X + cell.Width);
            }
    const int lineEndX =
        lp.cells.empty() ? LineStartX(lines, lp.line) : lp.cells.back().X + lp.cells.back().Width;
    if (plainSel && s1 <= ln.EndOffset && s2 > ln.EndOffset) {
        if (HasOption(pmoFullLineSelect)) {
            lp.selX1 = std::min(lp.selX1, lineEndX);
            lp.selX2 = lp.clientWidth;
        } else if (ShowEndParSelected && lp.lastLineOfPar && lp.index + 1 < Pars().Count()) {
            lp.endMark = {lineEndX, lp.y + lp.lh / 3, lineEndX + tabUnit_ / 2 + 1,
                          lp.y + 2 * lp.lh / 3};
        }
    }
    if (shown && view_.BlockMode) {
        const int p1 = Pars().IndexOfOffset(view_.SelFirst()),
                  p2 = Pars().IndexOfOffset(view_.SelLast());
        if (lp.index >= p1 && lp.index <= p2) {
            lp.selX1 = tabUnit_ * view_.BlockColumn1 - view_.HScroll + leftMargin_;
            lp.selX2 = tabUnit_ * view_.BlockColumn2 - view_.HScroll + leftMargin_;
        }
    }
}

// The text of the line in runs of one look, each drawn from its first cell's x over the
// colours its cells ask for, and the wavy underline under special ranges.
void TMarkMemo::PaintRuns(TMarkMemoSurface& surface, const TLinePaint& lp) {
    const TParagraphRec& par = Pars()[lp.index];
    const int baseline = lp.y + textOffset_;
    std::string run;
    int runX = 0, runEnd = 0;
    uint8_t runStyle = 0;
    TColor runText = 0;
    auto flush = [&] {
        if (run.empty()) return;
        surface.Text(Clamp16(runX), baseline, (runStyle & msAltFont) ? altFont_ : font_,
                     TFontStyles(runStyle & 0x0F), runText, run);
        run.clear();
    };
    std::vector<std::pair<int, int>> wavy;
    for (size_t i = 0; i < lp.drawn; ++i) {
        const TCharCell& cell = lp.cells[i];
        const bool code = StaticFormat() && IsFormatCode(cell.Char);
        TColor text = par.TextColor >= 0 ? par.TextColor : font_.Color();
        TColor back = kNoColor;
        if (cell.Style & msHighlight) {
            text = view_.HighlightColor;
            back = view_.HighlightBackgnd;
        }
        // a record's colour of 0 or -1 keeps what is there; the paragraph's own colour wins
        const TAttributeRec* attr = cell.Attr;
        if (attr && attr->Dynamic()) {
            if (!KeepsColor(attr->TextColor) && par.TextColor < 0) text = attr->TextColor;
            if (!KeepsColor(attr->BackColor) && par.BackColor < 0) back = attr->BackColor;
        }
        if (lp.windowsColors && lp.Selected(cell)) {
            text = view_.SelTextColor;
            back = kNoColor;
        }
        if (back != kNoColor && cell.Width > 0)
            surface.Fill({Clamp16(cell.X), lp.y, Clamp16(cell.X + cell.Width), lp.y + lp.lh}, back);
        if (attr && attr->Dynamic() && attr->SpecialUnderline && cell.Width > 0) {
            if (!wavy.empty() && wavy.back().second == cell.X)
                wavy.back().second = cell.X + cell.Width;
            else
                wavy.emplace_back(cell.X, cell.X + cell.Width);
        }
        if (code || cell.Char == fcTab || cell.Width == 0) {
            flush();
            continue;
        }
        if (!run.empty() && (cell.X != runEnd || cell.Style != runStyle || text != runText))
            flush();
        if (run.empty()) {
            runX = cell.X;
            runStyle = cell.Style;
            runText = text;
        }
        run += char(cell.Char);
        runEnd = cell.X + cell.Width;
        // a stretched blank ends its run so that the next one starts at its own x
        if (cell.Char == ' ') flush();
    }
    flush();
    if (wavy.empty() || specUnderline_.Style() == TPenStyle::psClear) return;
    for (auto [x1, x2] : wavy) {
        std::vector<TPoint> points;
        for (int x = x1, up = 0; x <= x2; x += 2, up ^= 1)
            points.push_back({Clamp16(x), Clamp16(baseline + 1 + (up ? 0 : 2))});
        if (points.size() > 1) surface.Lines(specUnderline_, points);
    }
}

// ---- drawing surfaces ----

void TCanvasSurface::Fill(const TRect& r, TColor color) {
    canvas_.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas_.Brush().SetColor(color);
    canvas_.FillRect(r);
}

void TCanvasSurface::Tile(const TRect& r, const TBitmap& picture, int64_t originX,
                          int64_t originY) {
    TilePicture(canvas_, r, picture, originX, originY);
}

void TCanvasSurface::Text(int x, int baseline, const TFont& font, TFontStyles style, TColor color,
                          std::string_view run) {
    canvas_.SetTextAlign(TA_LEFT | TA_BASELINE);
    canvas_.Font().Assign(font);
    canvas_.Font().SetStyle(style);
    canvas_.Font().SetColor(color);
    canvas_.Brush().SetStyle(TBrushStyle::bsClear);
    canvas_.TextOut(x, baseline, run);
}

void TCanvasSurface::Lines(const TPen& pen, const std::vector<TPoint>& points) {
    canvas_.Pen().SetColor(pen.Color());
    canvas_.Pen().SetWidth(pen.Width());
    canvas_.Pen().SetStyle(pen.Style());
    canvas_.Pen().SetMode(TPenMode::pmCopy);
    canvas_.Polyline(points);
}

// ---- clipboard ----

void TMarkMemo::CopyToClipboard() {
    if (view_.BlockMode) {
        std::string text = BlockText();
        SetClipboardTextAndData(text, BlockFormat, text);
    } else if (view_.SelLength != 0) {
        SetClipboardText(SelText());
    }
    BreakUndoGroup();
}

void TMarkMemo::CutToClipboard() {
    if (ReadOnly || DisplayOnly()) return;
    if (view_.SelLength == 0 && !view_.BlockMode) return;
    CopyToClipboard();
    ClearSelection();
}

void TMarkMemo::PasteFromClipboard() {
    if (ReadOnly || DisplayOnly() || !ClipboardHasText()) return;
    std::string text = ClipboardText();
    if (ClipboardHasFormat(BlockFormat))
        PasteBlock(text);
    else
        SetSelText(text);
    BreakUndoGroup();
    ScrollCaretIntoView();
    ViewCaretChanged();
}

// ---- the built-in popup menu ----

TPopupMenu& TMarkMemo::BuiltInMenu() {
    if (builtInMenu_) return *builtInMenu_;
    builtInMenu_ = std::make_unique<TPopupMenu>();
    TMenuItem& items = builtInMenu_->Items();
    items.Add("&Undo", [this](TObject*) { Undo(); });
    items.Add("&Redo", [this](TObject*) { Redo(); });
    items.Add("-");
    items.Add("Cu&t", [this](TObject*) { CutToClipboard(); });
    items.Add("&Copy", [this](TObject*) { CopyToClipboard(); });
    items.Add("&Paste", [this](TObject*) { PasteFromClipboard(); });
    items.Add("-");
    items.Add("&Select all", [this](TObject*) { SelectAll(); });
    builtInMenu_->OnPopup = [this](TObject*) { UpdateMenuItems(); };
    return *builtInMenu_;
}

void TMarkMemo::UpdateMenuItems() {
    TMenuItem& items = BuiltInMenu().Items();
    const bool selection = view_.SelLength != 0 || view_.BlockMode;
    const bool editable = !ReadOnly && !DisplayOnly();
    items.Items(0)->Enabled = CanUndo();
    items.Items(1)->Enabled = CanRedo();
    items.Items(3)->Enabled = selection && editable;
    items.Items(4)->Enabled = selection;
    items.Items(5)->Enabled = editable && ClipboardHasText();
    items.Items(7)->Enabled = true;
}

void TMarkMemo::ShowBuiltInMenu(TPoint clientPos) {
    const TPoint screen = ClientToScreen(clientPos);
    TPopupMenu& menu = PopupMenu ? *PopupMenu : BuiltInMenu();
    menu.PopupComponent = this;
    menu.Popup(screen.X, screen.Y);
}

void TMarkMemo::DoContextPopup(TPoint mousePos, bool& handled) {
    TCustomControl::DoContextPopup(mousePos, handled);
    if (handled) return;
    handled = true;
    ShowBuiltInMenu(mousePos);
}
