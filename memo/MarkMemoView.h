// The memo's view state (selection, scrolling, caret, colours, layout size) and the window that
// hosts a memo.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>

#include "platform/Graphics.h"
#include "platform/TextMetrics.h"

// What a window offers the memo: whether it exists, a measurer for the screen's fonts and a way
// to run work later. Without a host (or before its window exists) the memo works headless: one
// display line per paragraph, nothing measured.
class TMarkMemoHost {
public:
    virtual ~TMarkMemoHost() = default;
    virtual bool WindowExists() const = 0;
    virtual TTextMeasurer* Measurer() = 0;
    // Runs `work` once from the event loop, after the current event (never nested).
    virtual void Post(std::function<void()> work) = 0;
};

// One view of the memo's text: what is selected, where it is scrolled, how the caret and the
// selection look, and the size the text is laid out for. Plain state and its arithmetic; the
// memo keeps it consistent with the text.
struct TMarkMemoView {
    // ---- selection: the caret is SelStart, the anchor SelStart + SelLength ----
    int32_t SelStart = 0;
    int32_t SelLength = 0;
    // A column block: every paragraph from the selection's first to its last, between two
    // tab-expanded columns.
    bool BlockMode = false;
    int BlockColumn1 = 0;
    int BlockColumn2 = 0;
    // Blanks the caret stands beyond the end of its line (typing puts them first).
    int ExtraSpaces = 0;

    int32_t SelFirst() const { return SelStart + std::min(0, SelLength); }
    int32_t SelLast() const { return SelStart + std::max(0, SelLength); }

    // ---- scrolling, in pixels; TopLine is the absolute display line at the top ----
    int TopLine = 0;
    int VScroll = 0;
    int HScroll = 0;

    void SetVScroll(int pixels, int lineHeight) {
        VScroll = std::max(0, pixels);
        TopLine = VScroll / std::max(1, lineHeight);
    }
    // Visible line (counted from TopLine) to the y of its top, and back.
    int LineToY(int line, int lineHeight) const {
        int lh = std::max(1, lineHeight);
        return line * lh - VScroll % lh;
    }
    int YToLine(int y, int lineHeight) const {
        if (lineHeight < 1) return 0;
        return (VScroll % lineHeight + y) / lineHeight;
    }
    // Display lines were added (negative: removed) by a change that starts at absolute line
    // `at`: a change above the top keeps the same text in view. True when the top moved.
    bool LinesAdded(int at, int count, int lineHeight) {
        if (count == 0 || TopLine <= at) return false;
        TopLine = std::max(0, TopLine + count);
        VScroll = std::max(0, VScroll + count * lineHeight);
        return true;
    }
    // Lines of `lineHeight` that the layout height shows (a partial last one included).
    int VisibleLines(int lineHeight) const { return ClientHeight / std::max(1, lineHeight) + 1; }

    // ---- caret ----
    int CaretWidth = 1;  // 0: LineHeight div 14 + 1
    bool Overwrite = false;

    // ---- colours ----
    TColor Color = clWindow;
    TColor HighlightColor = clRed;
    TColor HighlightBackgnd = clWindow;
    TColor SelBackColor = clHighlight;
    TColor SelTextColor = clHighlightText;
    bool HideSelection = true;

    // ---- the size the text is laid out for: the window's client area ----
    int ClientWidth = 0;
    int ClientHeight = 0;

    // Forgets the selection and the scrolling (a new text).
    void Reset() {
        SelStart = SelLength = 0;
        BlockMode = false;
        ExtraSpaces = 0;
        TopLine = VScroll = HScroll = 0;
    }
};
