// The memo's layout: breaking paragraphs into display lines, pixel positions, pending work.
#include "MarkMemo.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <tuple>

namespace {

// Walks a paragraph's records and static style forward, choosing the font of each run.
class TStyleWalker {
public:
    TStyleWalker(const TParagraphRec& par, int32_t from, uint8_t staticStyle, bool staticFormat)
        : par_(par), st_(staticStyle), codes_(staticFormat) {
        Seek(size_t(par.AttrsUpTo(from)));
    }
    // Applies the records that begin at `offset` or before; true when the state changed.
    bool Sync(int32_t offset) {
        if (offset < next_) return false;
        size_t ai = ai_;
        while (ai < par_.Attrs.size() && par_.Attrs[ai].Offset <= offset) ++ai;
        Seek(ai);
        return true;
    }
    // Applies a format code; true when `c` is one.
    bool Code(unsigned char c) {
        if (!codes_) return false;
        uint8_t bit = FormatCodeBit(c);
        st_ ^= bit;
        return bit != 0;
    }
    void Seek(size_t ai) {
        ai_ = ai;
        cur_ = ai ? &par_.Attrs[ai - 1] : &par_.StartAttr();
        next_ = ai < par_.Attrs.size() ? par_.Attrs[ai].Offset : MaxInt;
    }
    void Restore(size_t ai, uint8_t st) {
        st_ = st;
        Seek(ai);
    }
    uint8_t Effective(uint8_t fontStyle) const { return EffectiveStyle(*cur_, st_, fontStyle); }
    uint8_t Static() const { return st_; }
    size_t AttrIndex() const { return ai_; }
    const TAttributeRec& Attr() const { return *cur_; }

private:
    const TParagraphRec& par_;
    uint8_t st_;
    bool codes_;
    size_t ai_ = 0;
    const TAttributeRec* cur_ = nullptr;
    int32_t next_ = MaxInt;
};

// A line opened at `at` with the style and record in force there.
TLineRec OpenedLine(int32_t at, const TStyleWalker& walk) {
    TLineRec line;
    line.StartOffset = at;
    line.StartStyle = walk.Static();
    line.StartAttr = int32_t(walk.AttrIndex());
    return line;
}

// `line` closed at `end`: its widths without and with the blanks it broke at, its stretchable
// blanks and where justification starts.
TLineRec ClosedLine(TLineRec line, int32_t end, int width, int fullWidth, int spaceCount,
                    int32_t justify) {
    line.EndOffset = end;
    line.Width = width;
    line.FullWidth = fullWidth;
    line.SpaceCount = spaceCount;
    line.JustifyFrom = justify;
    return line;
}

// Where a run of blanks and format codes ends, with the x, the stretchable blanks and the
// justification start it leaves; `refont` follows style changes (sf then reads the font).
struct TBlankRun {
    int32_t end;
    int x, spaces;
    int32_t justifyFrom;
};
template <class Refont>
TBlankRun SkipBlanks(TStyleWalker& walk, Refont&& refont, const int& spaceWidth,
                     std::string_view text, int32_t i, TBlankRun run, int tabWidth) {
    const auto length = int32_t(text.size());
    for (; i < length; ++i) {
        if (walk.Sync(i)) refont();
        auto c = (unsigned char)text[size_t(i)];
        if (c == ' ') {
            run.x += spaceWidth;
            ++run.spaces;
        } else if (c == fcTab) {
            run.x = (run.x / tabWidth + 1) * tabWidth;
            run.spaces = 0;
            run.justifyFrom = i + 1;
        } else if (walk.Code(c)) {
            refont();
        } else {
            break;
        }
    }
    run.end = i;
    return run;
}

// A word from `from` to the next blank, measured with the fonts its styles select, less the
// overhang once. Measuring stops once the word cannot fit after x: a word longer than the line
// is broken by the caller, and the rest is measured for the lines after it, so a paragraph
// without blanks costs time in proportion to its length. `cut`: more of the word follows.
struct TWord {
    int32_t end;
    int width;
    bool cut;
};
template <class Refont>
TWord MeasureWord(TStyleWalker& walk, Refont&& refont, const int* const& adv, const int& overhang,
                  std::string_view text, int32_t from, int x, int avail) {
    const auto length = int32_t(text.size());
    TWord word{from, 0, false};
    bool over = false;
    for (; word.end < length; ++word.end) {
        auto c = (unsigned char)text[size_t(word.end)];
        if (c == ' ' || c == fcTab) break;
        if (walk.Sync(word.end)) refont();
        if (walk.Code(c)) {
            refont();
            continue;
        }
        if (over) {
            word.cut = true;
            break;
        }
        word.width += adv[c];
        over = int64_t(x) + word.width - overhang > avail;
    }
    word.width -= overhang;
    return word;
}

// How much of a word wider than the line fits from x: the offset after the last character
// that still fits (one character at least when `alone`, nothing else being on the line), the
// x there and how many characters fitted.
struct TWordFit {
    int32_t end;
    int x, fitted;
};
template <class Refont>
TWordFit FitWord(TStyleWalker& walk, Refont&& refont, const int* const& adv, std::string_view text,
                 int32_t from, int32_t to, int x, int avail, bool alone) {
    TWordFit fit{from, x, 0};
    for (; fit.end < to; ++fit.end) {
        auto c = (unsigned char)text[size_t(fit.end)];
        if (walk.Sync(fit.end)) refont();
        if (walk.Code(c)) {
            refont();
            continue;
        }
        if (fit.x + adv[c] > avail && !(alone && fit.fitted == 0)) break;
        fit.x += adv[c];
        ++fit.fitted;
    }
    return fit;
}

}  // namespace

// ---- metrics ----

TMarkMemo::TJustifier::TJustifier(int free, int spaceCount) {
    if (spaceCount > 0 && free > 0) {
        each = free / spaceCount;
        rest = free % spaceCount;
        count = spaceCount;
        acc = rest / 2;
        left = spaceCount;
    }
}

int TMarkMemo::TJustifier::Next() {
    if (left <= 0) return 0;
    --left;
    acc += rest;
    int extra = each;
    if (acc >= count) {  // distributes the remainder exactly
        ++extra;
        acc -= count;
    }
    return extra;
}

const TMarkMemo::TStyleFont& TMarkMemo::FontFor(uint8_t effectiveStyle) {
    size_t index = (effectiveStyle & 0x0F) | ((effectiveStyle & msAltFont) ? 16 : 0);
    TStyleFont& sf = styleFonts_[index];
    if (!sf.font) {
        sf.font = measurer_->Font((effectiveStyle & msAltFont) ? altFont_ : font_,
                                  TFontStyles(effectiveStyle & 0x0F));
        sf.overhang = sf.font->Overhang();
        sf.spaceWidth = sf.font->SpaceWidth();
    }
    return sf;
}

void TMarkMemo::Remeasure() {
    measurer_ = WindowExists() ? host_->Measurer() : nullptr;
    MeasureFonts(fixedLineHeight_);
}

void TMarkMemo::MeasureFonts(int fixedHeight) {
    styleFonts_.fill({});
    if (CanMeasure()) {
        const TStyleFont& base = FontFor(font_.Style() & 0x0F);
        const TTextMetric& m = base.font->Metric();
        lineHeight_ = fixedHeight ? fixedHeight : m.Height > 0 ? m.Height + 1 : 10;
        int floor = m.Height - m.InternalLeading - m.Descent;
        textOffset_ = lineHeight_ - m.Descent - 1;
        if (textOffset_ < floor) textOffset_ = lineHeight_ - m.InternalLeading;
        if (textOffset_ < floor) textOffset_ = lineHeight_;
        tabUnit_ = std::max(1, base.spaceWidth);
        chunkChars_ = 16384 / std::max(1, m.MaxCharWidth);
    } else {
        lineHeight_ = fixedLineHeight_      ? fixedLineHeight_
                      : font_.Height() != 0 ? std::abs(font_.Height()) + 1
                                            : 10;
        textOffset_ = lineHeight_ - 1;
        tabUnit_ = 10;
        chunkChars_ = 1024;
    }
}

int TMarkMemo::VisibleLines() const {
    return view_.VisibleLines(lineHeight_);
}

int TMarkMemo::AvailableWidth() const {
    if (!wordWrap_ && alignment_ == taLeftJustify) return MaxInt - rightMargin_;
    return std::max(1, view_.ClientWidth - leftMargin_ - rightMargin_);
}

void TMarkMemo::SetVScroll(int pixels) {
    view_.SetVScroll(pixels, lineHeight_);
}

int TMarkMemo::LineToY(int line) const {
    return view_.LineToY(line, lineHeight_);
}

int TMarkMemo::YToLine(int y) const {
    return view_.YToLine(y, lineHeight_);
}

// ---- breaking paragraphs ----

TFormatResult TMarkMemo::FormatParagraph(int fromLine, int index) {
    doc_->PrepareParagraph(index);
    const TParagraphRec& par = doc_->Paragraph(index);
    TParagraphLines& lines = layout_.Get(index);
    fromLine = std::min(fromLine, lines.Formatted ? MaxInt : lines.DirtyLine);
    TFormatResult result =
        CanMeasure() ? FormatMeasured(fromLine, par, lines) : FormatUnmeasured(par, lines);
    lines.Formatted = 1;
    lines.DirtyLine = MaxInt;
    lines.Resized();
    return result;
}

TFormatResult TMarkMemo::FormatUnmeasured(const TParagraphRec& par, TParagraphLines& lines) {
    int old = lines.LineCount();
    lines.SetSingleLine(par.Length(), par.StartStyle);
    return {0, 0, 1 - old};
}

TFormatResult TMarkMemo::FormatMeasured(int fromLine, const TParagraphRec& par,
                                        TParagraphLines& lines) {
    const int oldCount = lines.LineCount();
    int first = std::clamp(fromLine, 0, oldCount - 1);
    if (first > 0) --first;  // the first word of a line may now fit on the line before
    const std::string& text = par.Text;
    const int32_t length = par.Length();
    const int avail = AvailableWidth();
    const int tabWidth = std::max(1, tabStops_ * tabUnit_);
    const auto fontStyle = uint8_t(font_.Style() & 0x0F);

    TLineRec from = lines.Line(first);
    if (first == 0) from.StartStyle = par.StartStyle;
    TStyleWalker walk(par, from.StartOffset, from.StartStyle, StaticFormat());
    const TStyleFont* sf = &FontFor(walk.Effective(fontStyle));
    const int* adv = sf->font->Advances().data();
    int spaceWidth = sf->spaceWidth, overhang = sf->overhang;
    auto refont = [&] {
        sf = &FontFor(walk.Effective(fontStyle));
        adv = sf->font->Advances().data();
        spaceWidth = sf->spaceWidth;
        overhang = sf->overhang;
    };

    std::vector<TLineRec> out;
    TLineRec line;
    line = OpenedLine(from.StartOffset, walk);
    int x = 0, spaces = 0;
    int32_t justifyFrom = from.StartOffset;
    bool hasWord = false;
    int32_t i = from.StartOffset;
    // Closes the current line at `end` and opens the next one there.
    auto closeLine = [&](int32_t end, int width, int fullWidth, int spaceCount, int32_t justify) {
        out.push_back(ClosedLine(line, end, width, fullWidth, spaceCount, justify));
        walk.Sync(end);
        refont();
        line = OpenedLine(end, walk);
        x = spaces = 0;
        justifyFrom = end;
        hasWord = false;
        i = end;
    };
    // Closes the line before a word that starts the next one.
    auto breakBefore = [&](int32_t wordStart, int width, int fullWidth, int spaceCount,
                           int32_t justify, size_t ai, uint8_t st) {
        walk.Restore(ai, st);
        closeLine(wordStart, width, fullWidth, spaceCount, justify);
    };

    while (i < length) {
        const int xBefore = x, spacesBefore = spaces;
        const int32_t justifyBefore = justifyFrom;
        const TBlankRun blanks =
            SkipBlanks(walk, refont, spaceWidth, text, i, {i, x, spaces, justifyFrom}, tabWidth);
        std::tie(i, x, spaces, justifyFrom) =
            std::tuple(blanks.end, blanks.x, blanks.spaces, blanks.justifyFrom);
        if (i >= length) break;

        const int32_t wordStart = i;
        const int xWord = x;
        const uint8_t stWord = walk.Static();
        const size_t aiWord = walk.AttrIndex();
        const TWord word = MeasureWord(walk, refont, adv, overhang, text, i, x, avail);
        const int32_t j = word.end;
        const bool cut = word.cut;
        const int width = word.width;
        if (!cut && x + width <= avail) {
            x += width;
            i = j;
            hasWord = true;
            continue;
        }
        if (hasWord) {
            breakBefore(wordStart, xBefore, xWord, spacesBefore, justifyBefore, aiWord, stWord);
            continue;
        }
        // A word wider than the line: break it after the last character that still fits
        // (one character at least when nothing else is on the line).
        walk.Restore(aiWord, stWord);
        walk.Sync(wordStart);
        refont();
        const TWordFit fit =
            FitWord(walk, refont, adv, text, wordStart, j, x, avail, line.StartOffset == wordStart);
        if (fit.end >= j && !cut) {
            x = fit.x;
            i = j;
            hasWord = true;
            continue;
        }
        if (fit.fitted == 0) {  // only blanks before it: the word starts the next line
            breakBefore(wordStart, xBefore, xWord, spacesBefore, justifyBefore, aiWord, stWord);
            continue;
        }
        closeLine(fit.end, fit.x, fit.x, spaces, justifyFrom);
    }
    // the last line of a paragraph is never justified
    out.push_back(ClosedLine(line, length, x, x, 0, justifyFrom));
    return StoreLines(lines, first, oldCount, out);
}

// The new lines replace the old ones from line `first` on; a line wider than the widest
// becomes the widest.
TFormatResult TMarkMemo::StoreLines(TParagraphLines& lines, int first, int oldCount,
                                    const std::vector<TLineRec>& out) {
    lines.SetLineCount(first + int(out.size()));
    int widest = widestWidth_ == MaxInt ? 0 : widestWidth_;
    for (size_t l = 0; l < out.size(); ++l) {
        lines.Line(first + int(l)) = out[l];
        if (out[l].Width > widest) {
            widest = out[l].Width;
            widestLine_ = lines.FirstLine() + (wordWrap_ ? first + int(l) : 0);
        }
    }
    if (widestWidth_ != MaxInt || widest > 0) widestWidth_ = widest;
    return {first, lines.LineCount() - 1, lines.LineCount() - oldCount};
}

// ---- positions within lines ----

bool TMarkMemo::LineJustified(const TParagraphLines& par, int line) const {
    if (!justified_ || line >= par.LineCount() - 1) return false;
    const TLineRec& ln = par.Line(line);
    return ln.SpaceCount > 0 && view_.ClientWidth - leftMargin_ - rightMargin_ - ln.Width > 0;
}

int TMarkMemo::LineStartX(const TParagraphLines& par, int line) const {
    const TLineRec& ln = par.Line(line);
    const int client = view_.ClientWidth;
    int x = leftMargin_;
    if (!LineJustified(par, line)) {
        if (alignment_ == taRightJustify)
            x = client - rightMargin_ - ln.Width;
        else if (alignment_ == taCenter)
            x = leftMargin_ + (client - leftMargin_ - rightMargin_ - ln.Width) / 2;
    }
    return x - view_.HScroll;
}

void TMarkMemo::WalkLine(int index, int line, const std::function<bool(const TCharCell&)>& visit) {
    EnsureFormatted(index);
    const TParagraphRec& par = doc_->Paragraph(index);
    const TParagraphLines& lines = layout_[index];
    line = std::clamp(line, 0, lines.LineCount() - 1);
    const TLineRec& ln = lines.Line(line);
    const int x0 = LineStartX(lines, line);
    const int client = view_.ClientWidth;
    TJustifier spread(
        LineJustified(lines, line) ? client - leftMargin_ - rightMargin_ - ln.Width : 0,
        ln.SpaceCount);
    const int tabWidth = std::max(1, tabStops_ * tabUnit_);
    const auto fontStyle = uint8_t(font_.Style() & 0x0F);
    const bool codes = StaticFormat();
    TStyleWalker walk(par, ln.StartOffset, ln.StartStyle, codes);
    const bool measured = CanMeasure();
    int xr = 0, extra = 0;
    for (int32_t i = ln.StartOffset; i < ln.EndOffset; ++i) {
        walk.Sync(i);
        auto c = (unsigned char)par.Text[size_t(i)];
        TCharCell cell;
        cell.Offset = i;
        cell.Char = c;
        cell.Style = walk.Effective(fontStyle);
        cell.Attr = &walk.Attr();
        const bool code = codes && IsFormatCode(c);
        int base = 0, stretch = 0;
        if (c == fcTab) {
            base = (xr / tabWidth + 1) * tabWidth - xr;
        } else if (!code && measured) {
            const TStyleFont& sf = FontFor(cell.Style);
            base = c == ' ' ? sf.spaceWidth : sf.font->Advance(c);
            if (c == ' ' && i >= ln.JustifyFrom) stretch = spread.Next();
        }
        cell.X = x0 + xr + extra;
        cell.Width = base + stretch;
        xr += base;
        extra += stretch;
        if (!visit(cell)) return;
        if (code) walk.Code(c);
    }
}

int TMarkMemo::OffsetToX(int index, int line, int32_t offset) {
    EnsureFormatted(index);
    const TParagraphLines& lines = layout_[index];
    line = std::clamp(line, 0, lines.LineCount() - 1);
    int x = LineStartX(lines, line);
    WalkLine(index, line, [&](const TCharCell& cell) {
        if (cell.Offset >= offset) return false;
        x = cell.X + cell.Width;
        return true;
    });
    return x;
}

int32_t TMarkMemo::XToOffset(int index, int line, int x) {
    EnsureFormatted(index);
    const TParagraphLines& lines = layout_[index];
    line = std::clamp(line, 0, lines.LineCount() - 1);
    int32_t result = lines.Line(line).EndOffset;
    WalkLine(index, line, [&](const TCharCell& cell) {
        if (cell.X + cell.Width / 2 > x) {
            result = cell.Offset;
            return false;
        }
        return true;
    });
    return result;
}

// ---- what waits for layout ----

void TMarkMemo::MarkForLayout() {
    for (int i = 0; i < layout_.Count(); ++i) {
        TParagraphLines& lines = layout_[i];
        lines.Formatted = 0;
        lines.DirtyLine = 0;
    }
    widestWidth_ = 0;
    widestLine_ = -1;
    firstDirty_ = 0;
    if (UpdateLock() > 0 || !WindowExists()) return;
    if (updateMode_ == umImmediate)
        FormatPending(layout_.Count() - 1, -1);
    else if (updateMode_ == umBackground)
        StartBackground();
}

void TMarkMemo::FormatPending(int upTo, double budgetMs) {
    const int n = layout_.Count();
    upTo = std::min(upTo, n - 1);
    int i = firstDirty_;
    if (i > upTo) return;
    firstDirty_ = MaxInt;
    const double started = budgetMs >= 0 ? MonotonicMs() : 0;
    int done = 0;
    for (; i <= upTo; ++i) {
        TParagraphLines& lines = layout_[i];
        if (!lines.Formatted) FormatParagraph(lines.DirtyLine, i);
        if (budgetMs >= 0 && (++done & 31) == 0 && MonotonicMs() - started > budgetMs) {
            ++i;
            break;
        }
    }
    if (i < n) firstDirty_ = std::min(firstDirty_, i);
}

void TMarkMemo::FormatRange(int first, int last, bool force) {
    const int n = layout_.Count();
    first = std::clamp(first, 0, n - 1);
    last = std::clamp(last, first, n - 1);
    const int32_t oldNext = last + 1 < n ? layout_[last + 1].FirstLine() : LineCount();
    for (int i = first; i <= last; ++i) {
        if (force) InvalidatePar(i, 0);
        if (!layout_[i].Formatted) FormatParagraph(layout_[i].DirtyLine, i);
    }
    const int32_t newNext = last + 1 < n ? layout_[last + 1].FirstLine() : LineCount();
    ReportParagraphs(first, last, newNext - oldNext);
    ViewScrollRangesChanged();
}

void TMarkMemo::EnsureFormatted(int index) {
    if (layout_.Get(index).Formatted) return;
    if (index > 0) doc_->ScanUpTo(index - 1);
    FormatParagraph(layout_[index].DirtyLine, index);
}

void TMarkMemo::EnsureLine(int32_t line) {
    if (changedFirst_ >= 0) firstDirty_ = std::min(firstDirty_, changedFirst_);
    while (firstDirty_ < layout_.Count()) {
        int p = layout_.IndexOfLine(line);
        if (firstDirty_ > p) return;
        FormatPending(p, -1);
    }
}

void TMarkMemo::RecomputeWidest() {
    widestWidth_ = 0;
    widestLine_ = -1;
    for (int i = 0; i < layout_.Count(); ++i) {
        const TParagraphLines& par = layout_[i];
        for (int l = 0; l < par.LineCount(); ++l)
            if (par.Line(l).Width > widestWidth_) {
                widestWidth_ = par.Line(l).Width;
                widestLine_ = par.FirstLine() + (wordWrap_ ? l : 0);
            }
    }
}

void TMarkMemo::UpdateDisplay() {
    if (UpdateLock() > 0) return;
    const int n = layout_.Count();
    // laying paragraphs out may change the look of those after them (a range opened or closed
    // by an edit made in a lock is scanned only now): they are laid out in turn
    while (changedFirst_ >= 0) {
        int first = std::clamp(changedFirst_, 0, n - 1);
        int last = std::clamp(changedLast_, first, n - 1);
        changedFirst_ = changedLast_ = -1;
        const int32_t before = linesBeforeChange_ >= 0 ? linesBeforeChange_ : LineCount();
        linesBeforeChange_ = -1;
        bool widestTouched = false;
        for (int p = first; p <= last; ++p) {
            TParagraphLines& lines = layout_[p];
            if (widestLine_ >= lines.FirstLine() &&
                widestLine_ < lines.FirstLine() + lines.LineCount())
                widestTouched = true;
            if (!lines.Formatted) FormatParagraph(lines.DirtyLine, p);
        }
        const int delta = LineCount() - before;
        for (TMarkNavigator* nav : doc_->Navigators())
            if (nav->memo_ == this) nav->lineNb_ = MaxInt;
        if (!wordWrap_ && widestTouched && CanMeasure()) RecomputeWidest();
        ReportParagraphs(first, last, delta);
        ViewScrollRangesChanged();
    }
    if (WindowExists() && firstDirty_ < n) {
        if (updateMode_ == umImmediate)
            FormatPending(n - 1, -1);
        else if (updateMode_ == umBackground)
            StartBackground();
    }
    if (changePending_) {
        changePending_ = false;
        Change();
    }
}

void TMarkMemo::StartBackground() {
    const int n = layout_.Count();
    if (backgroundPosted_ || !WindowExists() || updateMode_ != umBackground || firstDirty_ >= n)
        return;
    backgroundPosted_ = true;
    progress_ = int(std::min<int64_t>(99, int64_t(firstDirty_) * 100 / n));
    std::weak_ptr<TMarkMemo*> weak = alive_;
    host_->Post([weak] {
        if (auto self = weak.lock()) (*self)->BackgroundSlice();
    });
}

void TMarkMemo::BackgroundSlice() {
    backgroundPosted_ = false;
    if (updateMode_ != umBackground || !WindowExists() || UpdateLock() > 0) return;
    const int n = layout_.Count();
    const int from = std::min(firstDirty_, n);
    if (from < n) {
        const int32_t before = LineCount();
        FormatPending(n - 1, 25);
        ReportParagraphs(from, -1, LineCount() - before);
        ViewScrollRangesChanged();
    }
    if (firstDirty_ < n) {
        progress_ = int(std::min<int64_t>(99, int64_t(firstDirty_) * 100 / n));
        FireProgress(false);
        StartBackground();
    } else if (progress_ != 100) {
        progress_ = 100;
        if (OnProgress) OnProgress(this);
    }
}

void TMarkMemo::FontChanged() {
    Remeasure();
    widestWidth_ = MaxInt;
    view_.TopLine = view_.VScroll = 0;
    MarkForLayout();
    ViewMetricsChanged();
    ViewCaretChanged();
    if (OnVScroll) OnVScroll(this);
}
