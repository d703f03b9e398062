// The memo's keyboard and mouse: caret movement and selection, typing, hot keys, word, line
// and column selection, text drag, context clicks and auto-scroll.
#include <algorithm>
#include <climits>
#include <utility>

#include "MarkMemo.h"

namespace {

enum : int { kAutoScrollTimer = 2 };
enum { kNone = 0, kUp = 1, kDown = 2, kLeft = 3, kRight = 4 };

bool IsBlank(unsigned char c) {
    return c == ' ' || c == fcTab;
}

}  // namespace

// ---- positions ----

int32_t TMarkMemo::PosAt(int x, int y, int* extraSpaces) {
    const int lh = std::max(1, lineHeight_);
    const int64_t pixel = int64_t(view_.VScroll) + y;
    int abs = int(pixel >= 0 ? pixel / lh : -((-pixel + lh - 1) / lh));
    EnsureLine(std::max(0, abs));
    abs = std::clamp(abs, 0, LineCount() - 1);
    int index = layout_.IndexOfLine(abs);
    EnsureFormatted(index);
    index = layout_.IndexOfLine(abs);
    const TParagraphRec& par = Pars()[index];
    const TParagraphLines& lines = layout_[index];
    const int line = std::clamp(abs - lines.FirstLine(), 0, lines.LineCount() - 1);
    const TLineRec& ln = lines.Line(line);
    int32_t offset = XToOffset(index, line, x);
    if (line < lines.LineCount() - 1 && offset >= ln.EndOffset && ln.EndOffset > ln.StartOffset)
        offset = ln.EndOffset - 1;  // on this line, not at the next one's start
    if (extraSpaces) {
        const int endX = OffsetToX(index, line, ln.EndOffset);
        *extraSpaces = offset == ln.EndOffset && x > endX ? (x - endX) / std::max(1, tabUnit_) : 0;
    }
    return par.StartOffset() + offset;
}

bool TMarkMemo::IsWordChar(unsigned char c) const {
    if (HasOption(pmoLargeWordSelect)) return !IsBlank(c);
    return !SeparatorSet()[c];
}

int32_t TMarkMemo::WordStart(int32_t pos) {
    const TParagraphRec& par = Pars()[Pars().IndexOfOffset(pos)];
    int32_t o = std::min(pos - par.StartOffset(), par.Length());
    while (o > 0 && IsWordChar((unsigned char)par.Text[size_t(o - 1)])) --o;
    return par.StartOffset() + o;
}

int32_t TMarkMemo::WordEnd(int32_t pos) {
    const TParagraphRec& par = Pars()[Pars().IndexOfOffset(pos)];
    int32_t o = std::min(pos - par.StartOffset(), par.Length());
    while (o < par.Length() && IsWordChar((unsigned char)par.Text[size_t(o)])) ++o;
    return par.StartOffset() + o;
}

// ---- caret movement ----

void TMarkMemo::MoveCaret(int32_t pos, bool extend) {
    pos = NormalizedPos(pos, false);
    if (extend) {
        const int32_t anchor = view_.SelStart + view_.SelLength;
        view_.SelStart = pos;
        view_.SelLength = anchor - pos;
    } else {
        view_.SelStart = pos;
        view_.SelLength = 0;
    }
    view_.BlockMode = false;
    view_.ExtraSpaces = 0;
    BreakUndoGroup();
    FinishMove();
}

void TMarkMemo::FinishMove() {
    ScrollCaretIntoView();
    ViewInvalidate();
    ViewCaretChanged();
}

void TMarkMemo::MoveCaretToLine(int absLine, int x, bool extend) {
    EnsureLine(std::max(0, absLine));
    absLine = std::clamp(absLine, 0, LineCount() - 1);
    const int y = LineToY(absLine - view_.TopLine);
    int extra = 0;
    const int32_t pos = PosAt(x, y, &extra);
    MoveCaret(pos, extend);
    if (HasOption(pmoKeepColumnPos) || view_.BlockMode) view_.ExtraSpaces = extra;
}

void TMarkMemo::SelectLines(int fromLine, int toLine) {
    if (fromLine > toLine) std::swap(fromLine, toLine);
    EnsureLine(toLine + 1);
    auto lineStart = [&](int abs) -> int32_t {
        if (abs >= LineCount()) return CharCount();
        const int p = layout_.IndexOfLine(abs);
        const TParagraphLines& lines = layout_[p];
        return Pars()[p].StartOffset() + lines.Line(abs - lines.FirstLine()).StartOffset;
    };
    const int32_t from = lineStart(fromLine), to = lineStart(toLine + 1);
    view_.SelStart = to;
    view_.SelLength = from - to;
    view_.BlockMode = false;
    BreakUndoGroup();
    FinishMove();
}

// ---- editing keys ----

void TMarkMemo::DeleteBack(bool toParagraphStart) {
    if (view_.SelLength != 0 || view_.BlockMode) {
        ClearSelection();
        return;
    }
    if (view_.ExtraSpaces > 0) {
        --view_.ExtraSpaces;
        ViewCaretChanged();
        return;
    }
    const int32_t pos = view_.SelStart;
    if (pos == 0) return;
    const TParagraphRec& par = Pars()[Pars().IndexOfOffset(pos)];
    const int32_t parStart = par.StartOffset();
    auto codeBefore = [&](int32_t at) {
        return at > parStart && StaticFormat() &&
               IsFormatCode((unsigned char)par.Text[size_t(at - 1 - parStart)]);
    };
    // Codes right before the caret stay: the character in front of them goes, and the caret
    // keeps its place after them.
    int32_t to = pos;
    if (!toParagraphStart)
        while (codeBefore(to)) --to;
    int32_t from;
    if (to == parStart) {
        if (to == 0) return;
        from = to - 2;  // the break before the paragraph
    } else if (toParagraphStart) {
        from = parStart;
    } else if (to == pos && HasOption(pmoBackIndent) && BackIndentStart(pos, &from)) {
        // within the leading blanks: back to the indentation of an earlier, shallower line
    } else {
        from = to - 1;
        while (codeBefore(from)) --from;
    }
    const int32_t before = CharCount();
    SelectRange(from, to);
    ClearSelection();
    if (to < pos) {
        view_.SelStart = std::clamp(pos - (before - CharCount()), 0, CharCount());
        ViewCaretChanged();
    }
}

// With the caret inside the leading blanks of its paragraph: where the blanks before it must
// be cut back to, so that its column becomes the indentation of the nearest earlier paragraph
// that is indented less (0 when none is).
bool TMarkMemo::BackIndentStart(int32_t pos, int32_t* from) {
    const int p = Pars().IndexOfOffset(pos);
    const TParagraphRec& par = Pars()[p];
    const int32_t parStart = par.StartOffset(), offset = pos - parStart;
    auto indentOf = [&](const std::string& text, size_t upTo, bool* allBlank) {
        int column = 0;
        size_t i = 0;
        for (; i < upTo && IsBlank((unsigned char)text[i]); ++i)
            column = text[i] == '\t' ? (column / tabStops_ + 1) * tabStops_ : column + 1;
        if (allBlank) *allBlank = i == upTo;
        return column;
    };
    bool blanks = false;
    const int column = indentOf(par.Text, size_t(offset), &blanks);
    if (!blanks || offset == 0) return false;
    int target = 0;
    for (int q = p - 1; q >= 0; --q) {
        const std::string& text = Pars()[q].Text;
        if (text.find_first_not_of(" \t") == std::string::npos) continue;
        const int indent = indentOf(text, text.size(), nullptr);
        if (indent < column) {
            target = indent;
            break;
        }
    }
    int32_t o = offset;
    while (o > 0 && indentOf(par.Text, size_t(o - 1), nullptr) >= target &&
           indentOf(par.Text, size_t(o), nullptr) > target)
        --o;
    *from = parStart + o;
    return o < offset;
}

void TMarkMemo::DeleteForward() {
    if (view_.SelLength != 0 || view_.BlockMode) {
        ClearSelection();
        return;
    }
    const int32_t pos = view_.SelStart;
    if (pos >= CharCount()) return;
    const TParagraphRec& par = Pars()[Pars().IndexOfOffset(pos)];
    const int32_t to = pos - par.StartOffset() >= par.Length() ? pos + 2 : pos + 1;
    SelectRange(pos, to);
    ClearSelection();
}

void TMarkMemo::InsertBreak() {
    const int32_t pos = view_.SelStart;
    const int p = Pars().IndexOfOffset(pos);
    if (view_.Overwrite && view_.SelLength == 0) {
        int index, line, abs;
        CaretAbsLine(&index, &line, &abs);
        if (abs + 1 < LineCount()) {
            const int q = layout_.IndexOfLine(abs + 1);
            const TParagraphLines& next = layout_[q];
            MoveCaret(Pars()[q].StartOffset() + next.Line(abs + 1 - next.FirstLine()).StartOffset,
                      false);
        } else {
            SetSelStart(CharCount());
            SetSelText("\r\n");
        }
        return;
    }
    std::string indent;
    if (HasOption(pmoAutoIndent) && view_.SelLength == 0) {
        const int column = pos - Pars()[p].StartOffset();
        for (int q = p; q >= 0; --q) {
            const std::string& text = Pars()[q].Text;
            if (text.empty()) continue;
            size_t n = 0;
            while (n < text.size() && IsBlank((unsigned char)text[n])) ++n;
            indent = text.substr(0, std::min(n, size_t(column)));
            break;
        }
    }
    const bool atEnd = pos - Pars()[p].StartOffset() == Pars()[p].Length();
    if (!indent.empty() && HasOption(pmoDiscardTrailingSpaces) && atEnd) {
        int spaces = 0;
        for (char c : indent)
            spaces = c == '\t' ? (spaces / tabStops_ + 1) * tabStops_ : spaces + 1;
        SetSelText("\r\n");
        view_.ExtraSpaces = spaces;
        ViewCaretChanged();
        return;
    }
    SetSelText("\r\n" + indent);
}

void TMarkMemo::TypeChar(char c) {
    if (view_.Overwrite && view_.SelLength == 0 && !view_.BlockMode) {
        const TParagraphRec& par = Pars()[Pars().IndexOfOffset(view_.SelStart)];
        if (view_.SelStart - par.StartOffset() < par.Length()) view_.SelLength = 1;
    }
    if (c == ' ' && view_.SelLength == 0 && HasOption(pmoDiscardTrailingSpaces) &&
        HasOption(pmoKeepColumnPos)) {
        const TParagraphRec& par = Pars()[Pars().IndexOfOffset(view_.SelStart)];
        if (view_.SelStart - par.StartOffset() == par.Length()) {
            ++view_.ExtraSpaces;
            ViewCaretChanged();
            return;
        }
    }
    SetSelText(std::string(1, c));
}

// ---- keyboard ----

bool TMarkMemo::WantKey(uint16_t key, TShiftState shift) {
    if (key == VK_TAB) return WantTabs && !DisplayOnly() && !(shift & ssCtrl);
    return key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN ||
           key == VK_RETURN || TCustomControl::WantKey(key, shift);
}

void TMarkMemo::KeyDown(uint16_t& key, TShiftState shift) {
    CallHooks(TMarkMemoEventKind::KeyDown, shift, {}, 0, mbLeft, key);
    if (UpdateLock() > 0) return;
    TCustomControl::KeyDown(key, shift);
    if (key == 0) return;
    const bool ctrl = shift & ssCtrl, alt = shift & ssAlt, extend = shift & ssShift;
    if (dragging_) {
        if (key == VK_CONTROL) {
            dragCopy_ = true;
            ShowOwnCursor(crDragCopy);
        }
        return;
    }
    if (DisplayOnly()) {
        if (ScrollKey(key, ctrl)) key = 0;
        return;
    }
    if (ctrl && !alt && HotKey(key, extend)) {
        key = 0;
        return;
    }
    // Shift+Alt with an arrow: a column block
    const bool arrow = key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
    const bool blockKey = arrow && extend && alt && HasOption(pmoBlockSelection) && !wordWrap_;
    int blockAnchorColumn = 0;
    int32_t blockAnchor = 0;
    if (blockKey) {
        if (view_.BlockMode) {
            blockAnchor = view_.SelStart + view_.SelLength;
            blockAnchorColumn = view_.BlockColumn1;
        } else {
            blockAnchor = view_.SelStart;
            blockAnchorColumn = ColumnOf(view_.SelStart) + view_.ExtraSpaces;
        }
    }
    const bool vertical = key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT;
    if (vertical && desiredX_ == INT_MIN) desiredX_ = CaretRect().Left;
    if (!NavigationKey(key, shift, blockKey)) return;
    if (!vertical) desiredX_ = INT_MIN;
    if (blockKey) {
        const int caretColumn = ColumnOf(view_.SelStart) + view_.ExtraSpaces;
        const int extra = view_.ExtraSpaces;
        SetBlockSelection(blockAnchor, view_.SelStart, blockAnchorColumn, caretColumn);
        view_.BlockColumn1 = blockAnchorColumn;
        view_.BlockColumn2 = caretColumn;
        view_.ExtraSpaces = extra;
        ViewInvalidate();
    }
    key = 0;
}

// A memo that only displays: the navigation keys scroll. False when the key is not one.
bool TMarkMemo::ScrollKey(uint16_t key, bool ctrl) {
    const int step = std::max(1, view_.ClientWidth / 20);
    switch (key) {
        case VK_PRIOR:
            ScrollMessage(sbVertical, SB_PAGEUP, 0);
            return true;
        case VK_NEXT:
            ScrollMessage(sbVertical, ctrl ? SB_BOTTOM : SB_PAGEDOWN, 0);
            return true;
        case VK_UP:
            ScrollMessage(sbVertical, SB_LINEUP, 0);
            return true;
        case VK_DOWN:
            ScrollMessage(sbVertical, SB_LINEDOWN, 0);
            return true;
        case VK_HOME:
            ScrollTo(ctrl ? 0 : view_.VScroll, 0);
            return true;
        case VK_END:
            ScrollMessage(sbHorizontal, SB_RIGHT, 0);
            return true;
        case VK_LEFT:
            ScrollTo(view_.VScroll, view_.HScroll - step);
            return true;
        case VK_RIGHT:
            ScrollMessage(sbHorizontal, SB_LINERIGHT, 0);
            return true;
        default:
            if (ctrl && key == 'C') {
                CopyToClipboard();
                return true;
            }
            return false;
    }
}

// Ctrl with a letter: the clipboard, the consistency check and, unless read-only or switched
// off, the format toggles, a tab, a paragraph of its own and undo. False when not one.
bool TMarkMemo::HotKey(uint16_t key, bool shift) {
    switch (key) {
        case 'C':
            CopyToClipboard();
            return true;
        case 'X':
            CutToClipboard();
            return true;
        case 'V':
            PasteFromClipboard();
            return true;
        case 'E':
            ViewInvalidate();
            CheckLines();
            return true;
        default:
            break;
    }
    if (ReadOnly || !EnableHotKeys) return false;
    switch (key) {
        case 'B':
            ToggleBold();
            break;
        case 'I':
            ToggleItalic();
            break;
        case 'U':
            ToggleUnderline();
            break;
        case 'H':
            ToggleHighlight();
            break;
        case 'F':
            ToggleAltFont();
            break;
        case 'T':
            SetSelText("\t");
            break;
        case 'P':
            SetSelText("\r\n\x10\r\n");
            break;
        case 'Z':
            if (shift)
                Redo();
            else
                Undo();
            break;
        default:
            return false;
    }
    ViewCaretChanged();
    return true;
}

// The tab-expanded column of `pos` in its paragraph (format codes count none).
int TMarkMemo::ColumnOf(int32_t pos) const {
    const TParagraphRec& par = Pars()[Pars().IndexOfOffset(pos)];
    const int32_t o = std::min(pos - par.StartOffset(), par.Length());
    int column = 0;
    for (int32_t i = 0; i < o; ++i) {
        auto c = (unsigned char)par.Text[size_t(i)];
        if (c == fcTab)
            column = (column / tabStops_ + 1) * tabStops_;
        else if (!(StaticFormat() && IsFormatCode(c)))
            ++column;
    }
    return column;
}

// The keys that move the caret or edit at it. False when the key is not handled.
bool TMarkMemo::NavigationKey(uint16_t key, TShiftState shift, bool blockKey) {
    const bool ctrl = shift & ssCtrl, alt = shift & ssAlt, extend = shift & ssShift;
    int index, line, abs;
    switch (key) {
        case VK_BACK:
            if (!ReadOnly) DeleteBack(ctrl);
            return true;
        case VK_TAB:
            if (alt || ctrl || ReadOnly || !WantTabs) return false;
            SetSelText("\t");
            return true;
        case VK_PRIOR:
        case VK_NEXT: {
            CaretAbsLine(&index, &line, &abs);
            const int page = std::max(1, VisibleLines() - 1);
            MoveCaretToLine(key == VK_PRIOR ? abs - page : abs + page, desiredX_, extend);
            return true;
        }
        case VK_UP:
        case VK_DOWN:
            CaretAbsLine(&index, &line, &abs);
            if ((key == VK_UP && abs == 0) || (key == VK_DOWN && abs + 1 >= LineCount()))
                return true;
            MoveCaretToLine(key == VK_UP ? abs - 1 : abs + 1, desiredX_, extend);
            return true;
        case VK_HOME:
        case VK_END:
            if (ctrl) {
                MoveCaret(key == VK_HOME ? 0 : CharCount(), extend);
            } else {
                CaretAbsLine(&index, &line, &abs);
                const TParagraphLines& p = layout_[index];
                const TLineRec& ln = p.Line(line);
                int32_t to = key == VK_HOME ? ln.StartOffset : ln.EndOffset;
                if (key == VK_END && line < p.LineCount() - 1 && to > ln.StartOffset) --to;
                MoveCaret(Pars()[index].StartOffset() + to, extend);
            }
            return true;
        case VK_LEFT:
            MoveLeft(ctrl, extend);
            return true;
        case VK_RIGHT:
            MoveRight(ctrl, extend, blockKey);
            return true;
        case VK_INSERT:
            if (!HasOption(pmoInsertKeyActive) || ctrl || extend) return false;
            SetOverwrite(!view_.Overwrite);
            return true;
        case VK_DELETE:
            if (!ReadOnly) DeleteForward();
            return true;
        default:
            return false;
    }
}

TMarkMemo::TCaretPlace TMarkMemo::CaretPlace() const {
    const int32_t pos = view_.SelStart;
    const TParagraphRec& par = Pars()[Pars().IndexOfOffset(pos)];
    return {pos, par, par.StartOffset(), std::min(pos - par.StartOffset(), par.Length())};
}

// Left: a character back (over format codes with PassOverCodes), a word with Ctrl, or one
// extra space less.
void TMarkMemo::MoveLeft(bool ctrl, bool extend) {
    const auto [pos, par, parStart, offset] = CaretPlace();
    int32_t to = pos;
    if (ctrl) {
        int32_t o = offset;
        if (o == 0 && pos > 0) {
            to = pos - 2;
        } else {
            while (o > 0 && !IsWordChar((unsigned char)par.Text[size_t(o - 1)])) --o;
            while (o > 0 && IsWordChar((unsigned char)par.Text[size_t(o - 1)])) --o;
            to = parStart + o;
        }
    } else if (view_.ExtraSpaces > 0 && !view_.BlockMode) {
        --view_.ExtraSpaces;
        ViewCaretChanged();
        return;
    } else if (pos > 0) {
        to = offset == 0 ? pos - 2 : pos - 1;
        if (PassOverCodes && StaticFormat() && offset > 0)
            while (to > parStart &&
                   IsFormatCode((unsigned char)par.Text[size_t(to - 1 - parStart)]))
                --to;
    }
    MoveCaret(to, extend);
}

// Right: a character on (over format codes with PassOverCodes), a word with Ctrl, or at a
// line end an extra space (with pmoKeepColumnPos or in a column block).
void TMarkMemo::MoveRight(bool ctrl, bool extend, bool blockKey) {
    const auto [pos, par, parStart, offset] = CaretPlace();
    int32_t to = pos;
    if (ctrl) {
        int32_t o = offset;
        if (o >= par.Length()) {
            to = std::min(CharCount(), pos + 2);
        } else {
            while (o < par.Length() && IsWordChar((unsigned char)par.Text[size_t(o)])) ++o;
            while (o < par.Length() && !IsWordChar((unsigned char)par.Text[size_t(o)])) ++o;
            to = parStart + o;
        }
    } else if (offset >= par.Length()) {
        if (HasOption(pmoKeepColumnPos) || blockKey) {
            ++view_.ExtraSpaces;
            ViewCaretChanged();
            if (!blockKey) return;
        } else {
            to = std::min(CharCount(), pos + 2);
        }
    } else {
        to = pos + 1;
        if (PassOverCodes && StaticFormat())
            while (to - parStart < par.Length() &&
                   IsFormatCode((unsigned char)par.Text[size_t(to - parStart)]))
                ++to;
    }
    if (to != pos || !blockKey) {
        const int extra = view_.ExtraSpaces;
        MoveCaret(to, extend);
        if (blockKey) view_.ExtraSpaces = extra;
    }
}

void TMarkMemo::KeyUp(uint16_t& key, TShiftState shift) {
    CallHooks(TMarkMemoEventKind::KeyUp, shift, {}, 0, mbLeft, key);
    TCustomControl::KeyUp(key, shift);
    if (dragging_ && key == VK_CONTROL) {
        dragCopy_ = false;
        ShowOwnCursor(crDrag);
    }
}

void TMarkMemo::KeyPress(char& key) {
    CallHooks(TMarkMemoEventKind::KeyPress, 0, {}, 0, mbLeft, 0, key);
    if (UpdateLock() > 0 || dragging_ || DisplayOnly()) return;
    TCustomControl::KeyPress(key);
    if (key == 0) return;
    const auto c = (unsigned char)key;
    if (c == 3) {
        CopyToClipboard();
    } else if (ReadOnly) {
        return;
    } else if (c == 22) {
        PasteFromClipboard();
    } else if (c == 24) {
        CutToClipboard();
    } else if (c == 5) {
        ViewInvalidate();
        CheckLines();
    } else if (c == '\r' || c == '\n') {
        InsertBreak();
    } else if (c >= 32 && c != 127) {
        TypeChar(key);
    } else {
        return;
    }
    desiredX_ = INT_MIN;
    key = 0;
}

// ---- mouse ----

void TMarkMemo::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    CallHooks(TMarkMemoEventKind::MouseDown, shift, {x, y}, 0, button);
    TCustomControl::MouseDown(button, shift, x, y);
    lastMouse_ = {x, y};
    downPos_ = PosAt(x, y);
    if (button != mbLeft) return;
    desiredX_ = INT_MIN;
    if (DisplayOnly()) return;
    if (CanFocus() && !Focused()) SetFocus();
    selecting_ = true;
    if (shift & ssDouble) return;  // the double click selects a word
    wordMode_ = false;
    const bool inside = view_.SelLength != 0 && !view_.BlockMode && downPos_ >= view_.SelFirst() &&
                        downPos_ < view_.SelLast();
    if (inside && !ReadOnly && !HasOption(pmoNoDragnDrop)) {
        dragging_ = true;
        dragCopy_ = shift & ssCtrl;
        ShowOwnCursor(dragCopy_ ? crDragCopy : crDrag);
        return;
    }
    if (InLineMargin(x)) {
        const int lh = std::max(1, lineHeight_);
        marginLine_ =
            std::clamp(int((int64_t(view_.VScroll) + std::max(0, y)) / lh), 0, LineCount() - 1);
        SelectLines(marginLine_, marginLine_);
        return;
    }
    int extra = 0;
    const int32_t pos = PosAt(x, y, &extra);
    if ((shift & ssAlt) && HasOption(pmoBlockSelection) && !wordWrap_) {
        const int column = std::max(0, (x + view_.HScroll - leftMargin_) / std::max(1, tabUnit_));
        anchor_ = pos;
        SetBlockSelection(pos, pos, column, column);
        view_.BlockColumn1 = view_.BlockColumn2 = column;
        ViewInvalidate();
        return;
    }
    anchor_ = (shift & ssShift) ? view_.SelStart + view_.SelLength : pos;
    MoveCaret(pos, shift & ssShift);
    if (HasOption(pmoKeepColumnPos)) view_.ExtraSpaces = extra;
}

void TMarkMemo::DblClick() {
    CallHooks(TMarkMemoEventKind::DblClick, 0, lastMouse_);
    TCustomControl::DblClick();
    if (DisplayOnly()) return;
    const int32_t pos = PosAt(lastMouse_.X, lastMouse_.Y);
    const int32_t first = WordStart(pos), last = WordEnd(pos);
    anchor_ = first;
    view_.SelStart = last;
    view_.SelLength = first - last;
    view_.BlockMode = false;
    wordMode_ = true;
    BreakUndoGroup();
    FinishMove();
}

void TMarkMemo::MouseMove(TShiftState shift, int x, int y) {
    CallHooks(TMarkMemoEventKind::MouseMove, shift, {x, y});
    TCustomControl::MouseMove(shift, x, y);
    lastMouse_ = {x, y};
    if (!selecting_ && marginLine_ < 0 && !dragging_) {
        // a dynamic range with its own cursor shows it; the margin shows the line arrow;
        // elsewhere the control's own cursor is back
        TCursor wanted = crDefault;
        const int32_t pos = PosAt(x, y);
        if (pos < CharCount()) {
            TMarkNavigator& nav = Work(0);
            nav.SetPos(pos);
            const TAttributeRec& attr = nav.AttrAt();
            if (attr.Dynamic() && attr.Cursor != 0) wanted = TCursor(attr.Cursor);
        }
        if (InLineMargin(x)) wanted = crRightArrow;
        if (wanted != crDefault)
            ShowOwnCursor(wanted);
        else
            RestoreOwnCursor();
        return;
    }
    if (dragging_) {
        // where the text would drop: nowhere outside the window, else a copy with Ctrl
        const bool outside = x < 0 || y < 0 || x >= view_.ClientWidth || y >= view_.ClientHeight;
        const TCursor wanted = outside                         ? crNoDrop
                               : dragCopy_ || (shift & ssCtrl) ? crDragCopy
                                                               : crDrag;
        ShowOwnCursor(wanted);
    }
    if (!selecting_ || !(shift & ssLeft)) return;
    // outside the window the view scrolls on a timer
    const int w = view_.ClientWidth, h = view_.ClientHeight;
    int direction = kNone, distance = 0;
    const int reach = dragging_ ? 24 : INT_MAX;
    if (y < -3 && -y <= reach && x >= -3 && x <= w + 3) {
        direction = kUp;
        distance = -y;
    } else if (y > h && y - h <= reach && x >= -3 && x <= w + 3) {
        direction = kDown;
        distance = y - h;
    } else if (x < 0 && -x <= reach) {
        direction = kLeft;
        distance = -x;
    } else if (x > w && x - w <= reach) {
        direction = kRight;
        distance = x - w;
    }
    if (direction == kNone)
        StopAutoScroll();
    else
        StartAutoScroll(direction, AutoScrollLevel(distance));
    AutoScrollStep();
}

void TMarkMemo::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    CallHooks(TMarkMemoEventKind::MouseUp, shift, {x, y}, 0, button);
    TCustomControl::MouseUp(button, shift, x, y);
    const bool wasSelecting = selecting_;
    selecting_ = false;
    wordMode_ = false;
    marginLine_ = -1;
    StopAutoScroll();
    RestoreOwnCursor();
    const int32_t pos = PosAt(x, y);
    const int32_t downPos = std::exchange(downPos_, -1);
    if (dragging_) {
        dragging_ = false;
        dropPos_ = -1;
        DropText(pos, dragCopy_ || (shift & ssCtrl));
        return;
    }
    // a context click: released on the character it went down on (a memo that only displays
    // never selects, so its left clicks count too)
    const bool click = button == mbRight || wasSelecting || (DisplayOnly() && button == mbLeft);
    if (click && pos == downPos) FireContext(pos, button);
    if (!DisplayOnly()) ScrollCaretIntoView();
}

void TMarkMemo::ShowOwnCursor(TCursor cursor) {
    if (!rangeCursor_) {
        savedCursor_ = Cursor();
        rangeCursor_ = true;
    }
    if (cursor != Cursor()) SetCursor(cursor);
}

void TMarkMemo::RestoreOwnCursor() {
    if (!rangeCursor_) return;
    rangeCursor_ = false;
    if (savedCursor_ != Cursor()) SetCursor(savedCursor_);
}

void TMarkMemo::FireContext(int32_t pos, TMouseButton button) {
    if (pos >= CharCount()) return;
    TMarkNavigator& nav = Work(0);
    nav.SetPos(pos);
    const TAttributeRec& attr = nav.AttrAt();
    if (!attr.Dynamic() || attr.Context == 0 || (!OnContext && HookCount() == 0)) return;
    const int16_t context = attr.Context;
    const TParagraphRec& par = nav.GetPar();
    const int d = nav.GetDynNb();
    int32_t start = par.StartOffset() + (d > 0 ? par.Attrs[size_t(d - 1)].Offset : 0);
    int32_t stop = CharCount();
    if (nav.NextDyn(CharCount())) stop = nav.Pos();
    if (d == 0) {  // the range came from an earlier paragraph: it starts at its record there
        nav.SetPos(start);
        start = nav.PrevDyn(0) ? nav.Pos() : 0;
    }
    if (HookCount() > 0) {
        const std::string text = TextRange(start, stop);
        for (size_t i = 0; i < hooks_.size(); ++i)
            if (hooks_[i]) hooks_[i]->ContextClicked(*this, button, context, text);
    }
    if (OnContext) OnContext(this, context, start, stop);
}

// ---- hooks ----

void TMarkMemo::AddHook(TMarkMemoHook* hook) {
    if (hook && std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end())
        hooks_.push_back(hook);
}

void TMarkMemo::RemoveHook(TMarkMemoHook* hook) {
    std::replace(hooks_.begin(), hooks_.end(), hook, static_cast<TMarkMemoHook*>(nullptr));
}

int TMarkMemo::HookCount() const {
    return int(std::count_if(hooks_.begin(), hooks_.end(), [](auto* h) { return h != nullptr; }));
}

void TMarkMemo::CallHooks(TMarkMemoEventKind kind, TShiftState shift, TPoint pos, int value,
                          TMouseButton button, uint16_t key, char ch) {
    std::erase(hooks_, nullptr);
    if (hooks_.empty()) return;
    TMarkMemoEvent event;
    event.Kind = kind;
    event.Button = button;
    event.Shift = shift;
    event.Pos = pos;
    event.Key = key;
    event.Char = ch;
    event.Value = value;
    // by index: a hook may add or remove hooks
    for (size_t i = 0; i < hooks_.size(); ++i)
        if (hooks_[i]) hooks_[i]->BeforeEvent(*this, event);
}

void TMarkMemo::DropText(int32_t at, bool copy) {
    const int32_t first = view_.SelFirst(), last = view_.SelLast();
    if (at >= first && at <= last) {
        // a drop inside the selection (a click without a drag too) only empties it there
        MoveCaret(at, false);
        return;
    }
    const std::string text = SelText();
    const auto length = int32_t(text.size());
    BreakUndoGroup();
    if (!copy) {
        // the removal may take a break whole or leave blanks: count what it took
        const int32_t before = CharCount();
        ClearSelection();
        if (at > first) at = std::max(first, at - (before - CharCount()));
    }
    SelectRange(at, at);
    at = view_.SelStart;
    SetSelTextBuf(text);
    if (!copy) LinkLastUndo();
    // the inserted text ends where the edit left the caret; blanks at a paragraph's end may
    // have been discarded, together with those before them
    const int32_t end = view_.SelStart;
    const int32_t begin = std::clamp(at, end - std::min(length, end), end);
    view_.SelStart = end;
    view_.SelLength = begin - end;
    BreakUndoGroup();
    FinishMove();
}

// ---- auto-scroll ----

int TMarkMemo::AutoScrollLevel(int distance) {
    return std::clamp(distance / 3, 1, 7);
}

unsigned TMarkMemo::AutoScrollDelay(int level) {
    static const unsigned delays[] = {400, 300, 200, 130, 78, 48, 30};
    return delays[std::clamp(level, 1, 7) - 1];
}

void TMarkMemo::StartAutoScroll(int direction, int level) {
    if (direction == autoScroll_ && level == autoLevel_) return;
    autoScroll_ = direction;
    autoLevel_ = level;
    SetTimer(kAutoScrollTimer, AutoScrollDelay(level));
}

void TMarkMemo::StopAutoScroll() {
    if (autoScroll_ == kNone) return;
    autoScroll_ = kNone;
    autoLevel_ = 0;
    KillTimer(kAutoScrollTimer);
}

// One step: scrolls in the auto-scroll direction (if any), then moves the selection's end to
// the last mouse position.
void TMarkMemo::AutoScrollStep() {
    switch (autoScroll_) {
        case kUp:
            ScrollMessage(sbVertical, SB_LINEUP, 0);
            break;
        case kDown:
            ScrollMessage(sbVertical, SB_LINEDOWN, 0);
            break;
        case kLeft:
            ScrollMessage(sbHorizontal, SB_LINELEFT, 0);
            break;
        case kRight:
            ScrollMessage(sbHorizontal, SB_LINERIGHT, 0);
            break;
        default:
            break;
    }
    if (!selecting_) return;
    const int x = std::clamp(lastMouse_.X, 0, std::max(0, view_.ClientWidth - 1));
    const int y = std::clamp(lastMouse_.Y, 0, std::max(0, view_.ClientHeight - 1));
    if (dragging_) {
        dropPos_ = PosAt(x, y);  // the drop position follows the mouse
        ViewInvalidate();
        return;
    }
    if (marginLine_ >= 0) {
        const int lh = std::max(1, lineHeight_);
        const int line = std::clamp(int((int64_t(view_.VScroll) + y) / lh), 0, LineCount() - 1);
        SelectLines(marginLine_, line);
        if (line < marginLine_) {  // upward: the caret at the top
            const int32_t a = view_.SelStart, b = view_.SelStart + view_.SelLength;
            view_.SelStart = std::min(a, b);
            view_.SelLength = std::max(a, b) - view_.SelStart;
        }
        return;
    }
    if (view_.BlockMode) {
        const int column = std::max(0, (x + view_.HScroll - leftMargin_) / std::max(1, tabUnit_));
        const int32_t pos = PosAt(x, y);
        const int first = view_.BlockColumn1;
        SetBlockSelection(anchor_, pos, first, column);
        view_.BlockColumn1 = first;
        view_.BlockColumn2 = column;
        ViewInvalidate();
        return;
    }
    int32_t pos = PosAt(x, y);
    if (wordMode_) {
        if (pos >= anchor_) {
            pos = WordEnd(pos);
        } else {
            pos = WordStart(pos);
            const int32_t anchorEnd = WordEnd(anchor_);
            view_.SelStart = pos;
            view_.SelLength = anchorEnd - pos;
            FinishMove();
            return;
        }
    }
    view_.SelStart = NormalizedPos(pos, false);
    view_.SelLength = anchor_ - view_.SelStart;
    view_.BlockMode = false;
    BreakUndoGroup();
    FinishMove();
}
