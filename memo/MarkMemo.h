// The highlighting text memo: a control that shows a document (MarkMemoDocument.h) with its own
// layout, view state, painting and input. Memos can share one document.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "MarkMemoDocument.h"
#include "MarkMemoKeys.h"
#include "MarkMemoStore.h"
#include "MarkMemoStrings.h"
#include "MarkMemoSurface.h"
#include "MarkMemoTypes.h"
#include "MarkMemoView.h"
#include "platform/Classes.h"
#include "platform/Controls.h"
#include "platform/Cursors.h"
#include "platform/Graphics.h"
#include "platform/Menus.h"
#include "platform/Picture.h"
#include "platform/Streams.h"
#include "platform/TextMetrics.h"

// One character of a display line as layout, hit-testing and painting see it.
struct TCharCell {
    int32_t Offset = 0;
    unsigned char Char = 0;
    int X = 0;          // client pixels, alignment, justification and scrolling applied
    int Width = 0;      // format codes 0; a tab to its stop; a stretched blank with its share
    uint8_t Style = 0;  // the effective style
    const TAttributeRec* Attr = nullptr;
};

// Lines that a layout pass changed within one paragraph, and the change in its line count.
struct TFormatResult {
    int FirstLine = 0;
    int LastLine = -1;
    int LineDelta = 0;
};

// What a hook sees of an event before the memo handles it.
enum class TMarkMemoEventKind {
    MouseDown,
    MouseUp,
    MouseMove,
    DblClick,
    Wheel,
    KeyDown,
    KeyUp,
    KeyPress,
    Enter,
    Exit,
    Timer,
    Scroll,
    Paint
};
struct TMarkMemoEvent {
    TMarkMemoEventKind Kind = TMarkMemoEventKind::Paint;
    TMouseButton Button = mbLeft;  // MouseDown, MouseUp
    TShiftState Shift = 0;         // mouse, wheel and key events
    TPoint Pos;                    // mouse and wheel events, client coordinates
    uint16_t Key = 0;              // KeyDown, KeyUp: the virtual key
    char Char = 0;                 // KeyPress
    int Value = 0;                 // Wheel: the delta; Timer: the id; Scroll: the code
};

// An object that takes part in a memo's work from outside: it sees every event before the memo
// handles it, the text of each context click and every move of the caret. The memo does not own
// its hooks; a hook that goes away removes itself first (RemoveHook).
class TMarkMemoHook {
public:
    virtual ~TMarkMemoHook() = default;
    virtual void BeforeEvent(TMarkMemo& /*memo*/, const TMarkMemoEvent& /*event*/) {}
    // A click on a range with a context number (the left or right button), and its text.
    virtual void ContextClicked(TMarkMemo& /*memo*/, TMouseButton /*button*/, int16_t /*context*/,
                                const std::string& /*text*/) {}
    virtual void SelectionMoved(TMarkMemo& /*memo*/) {}
};

// The memo control: a custom control that lays out, paints and edits the text of its document
// (its own, or one it shares with other memos), observing it. Until its window exists (or with no
// host) it works headless: one display line per paragraph.
class TMarkMemo : public TCustomControl, private TMarkMemoObserver {
public:
    explicit TMarkMemo(TComponent* owner = nullptr);
    ~TMarkMemo() override;

    // ---- the window side ----
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    // The line drawn under the text's end (psClear: none) and the wavy underline's pen.
    TPen& EndOfTextMark() { return endOfTextMark_; }
    TPen& SpecUnderline() { return specUnderline_; }
    // A picture tiled under the text where a paragraph has no colour of its own; it scrolls with
    // the text. Assigning it repaints.
    TPicture& BackgroundBmp() { return backgroundBmp_; }
    // An own popup menu replaces the built-in one (Undo, Redo, Cut, Copy, Paste, Select all).
    TPopupMenu* PopupMenu = nullptr;
    TPopupMenu& BuiltInMenu();
    // Enables the built-in menu's items as the memo's state allows.
    void UpdateMenuItems();
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    // Paints the display lines that `area` (client coordinates) touches, and below the text
    // the background and the end-of-text mark, onto any canvas: the screen's or a printer's.
    void PaintLines(TCanvas& canvas, const TRect& area);
    // Prints: lays the text out with the printer's fonts (the fonts' heights scaled from their
    // pixels per inch to the printer's) for the width of `page` (printer pixels) and paints
    // that layout's display lines firstLine to lastLine (clamped) from the page's top, with the
    // printer's line height. The screen's layout, scrolling and selection stay as they were.
    // An empty range paints nothing and only tells the layout's size.
    struct TPrintedLines {
        int LineCount = 0;
        int LineHeight = 0;
    };
    TPrintedLines PaintLines(TPrintCanvas& canvas, int pixelsPerInch, const TRect& page,
                             int firstLine, int lastLine);
    // Scrolls to pixel offsets (vertical, horizontal).
    void ScrollTo(int vPixels, int hPixels);
    void ScrollCaretIntoView();
    // Sets the scroll bars' ranges, pages and positions from the text's size.
    void UpdateScrollRanges();
    // The caret's rectangle in client coordinates (its width as drawn).
    TRect CaretRect();
    bool CaretShown() const { return caretOn_; }
    // The scroll-bar arithmetic: units and the ranges set.
    int VerticalUnit() const;
    int HorizontalUnit() const;
    // One wheel notch is 120; deltas accumulate.
    void WheelScroll(int delta);
    // Auto-scroll speed for a mouse `distance` pixels outside the window: 1 (slow) to 7.
    static int AutoScrollLevel(int distance);
    static unsigned AutoScrollDelay(int level);
    int AutoScrollDirection() const { return autoScroll_; }
    // The format the column block travels in beside the plain text.
    static constexpr const char* BlockFormat = "application/x-lorvane-memo-column-block";

    // ---- the window and the view ----
    // The window that hosts the memo; its client size arrives through SetClientSize.
    void SetHost(TMarkMemoHost* host);
    TMarkMemoHost* Host() const { return host_; }
    bool WindowExists() const { return host_ && host_->WindowExists(); }
    // The size of the window's client area, which the text is laid out for.
    void SetClientSize(int width, int height);
    const TMarkMemoView& View() const { return view_; }
    // Hooks see events first, in the order they were added. A hook removed while hooks are
    // being called is not called again; its place is given up at the next event.
    void AddHook(TMarkMemoHook* hook);
    void RemoveHook(TMarkMemoHook* hook);
    int HookCount() const;
    // Those told of every change of the document's text or its look (see TMarkMemoObserver).
    void AddObserver(TMarkMemoObserver* observer) { doc_->AddObserver(observer); }
    void RemoveObserver(TMarkMemoObserver* observer) { doc_->RemoveObserver(observer); }

    // ---- the document ----
    TMarkMemoDocument& Document() const { return *doc_; }
    // Shows the document of `other` from now on, with this memo's own layout and view; the
    // document lives while a memo shows it.
    void ShowDocumentOf(TMarkMemo& other);
    int32_t CharCount() const { return doc_->CharCount(); }
    int ParagraphCount() const { return doc_->ParagraphCount(); }
    const TParagraphRec& Paragraph(int index) const { return doc_->Paragraph(index); }
    const TParagraphsList& ParagraphList() const { return doc_->ParagraphList(); }
    const std::vector<TMarkNavigator*>& Navigators() const { return doc_->Navigators(); }
    // Drops the cached line and attribute indices of navigators after `pos` whose paragraph
    // is at most `parIndex`.
    void ResetNavigatorCaches(int32_t pos, int parIndex) {
        doc_->ResetNavigatorCaches(pos, parIndex);
    }

    // ---- the layout: the display lines of each paragraph at the width laid out for ----
    int32_t LineCount() const { return int32_t(layout_.TotalLines()); }
    TParagraphLines& ParagraphLines(int index) const { return layout_.Get(index); }
    const TLayoutLines& Layout() const { return layout_; }

    // ---- text ----
    void Clear();
    void SetTextBuf(std::string_view text);
    std::string LineText(int line);
    std::string ParagraphText(int index) const;
    std::string TextRange(int32_t start, int32_t stop) const;
    int32_t ParagraphStart(int index) const;

    TMarkParaStrings& Paragraphs() { return paragraphs_; }
    TMarkLinesStrings& Lines() { return lines_; }
    void BeginUpdate() { doc_->BeginUpdate(); }
    void EndUpdate() { doc_->EndUpdate(); }
    int UpdateLock() const { return doc_->UpdateLock(); }

    // ---- streams ----
    virtual void LoadFromStream(TStream& stream);
    virtual void SaveToStream(TStream& stream);
    virtual void LoadBinary(TStream& stream, bool relayout);
    virtual void SaveBinary(TStream& stream);

    // ---- selection and editing ----
    int32_t SelStart() const { return view_.SelStart; }
    void SetSelStart(int32_t pos);
    int32_t SelLength() const { return view_.SelLength; }
    void SetSelLength(int32_t length);
    int32_t SelFirst() const { return view_.SelFirst(); }
    int32_t SelLast() const { return view_.SelLast(); }
    std::string SelText() const { return TextRange(SelFirst(), SelLast()); }
    void SelectAll();
    // The one edit primitive: replaces the selection with `text`.
    virtual void SetSelTextBuf(std::string_view text);
    void SetSelText(const std::string& text);
    void ClearSelection() { SetSelTextBuf({}); }

    // Column blocks: every paragraph from the start's to the end's, between two columns.
    bool BlockSelected() const { return view_.BlockMode; }
    void SetBlockSelection(int32_t anchor, int32_t caret, int column1, int column2);
    std::string BlockText();  // each paragraph's column range followed by CR LF
    void PasteBlock(std::string_view text);
    int ExtraSpaces() const { return view_.ExtraSpaces; }

    bool CanUndo() const { return doc_->CanUndo(); }
    bool CanRedo() const { return doc_->CanRedo(); }
    void Undo();
    void Redo();
    // Stops typing from merging into the last undo record.
    void BreakUndoGroup() { doc_->BreakUndoGroup(); }
    // Marks the last undo record as going together with the one before it.
    void LinkLastUndo() { doc_->LinkLastUndo(); }
    int UndoCount() const { return doc_->UndoCount(); }
    int UndoPosition() const { return doc_->UndoPosition(); }
    int64_t UndoSize() const { return doc_->UndoSize(); }
    const TUndoRec& UndoRecord(int index) const { return doc_->UndoRecord(index); }

    virtual void InsertDynAttr(TMarkNavigator& start, TMarkNavigator& stop, bool repaint,
                               bool dynamic, TAttributeRec rec) {
        doc_->InsertDynAttr(start, stop, repaint, dynamic, rec);
    }
    void ApplyDynStyle(int32_t startPos, int32_t stopPos, uint8_t style, bool flag, int16_t context,
                       int16_t cursor, int32_t backColor, int32_t textColor);
    void SetParagraphColors(int index, int32_t textColor, int32_t backColor) {
        doc_->SetParagraphColors(index, textColor, backColor);
    }
    // Surrounds the selection with a format code pair (bold 2, italic 1, underline 21,
    // highlight 3, alternate font 4).
    void ToggleFormat(unsigned char code);
    void ToggleBold() { ToggleFormat(fcBold); }
    void ToggleItalic() { ToggleFormat(fcItalic); }
    void ToggleUnderline() { ToggleFormat(fcUnderline); }
    void ToggleHighlight() { ToggleFormat(fcHighlight); }
    void ToggleAltFont() { ToggleFormat(fcAltFont); }
    uint8_t CurrentStyle();
    // Raises EMarkMemoError on the first inconsistency of the store.
    void CheckLines() const;

    // ---- highlighting ----
    TKeywordList& Keywords() { return doc_->Keywords(); }
    TStartStopKeyList& StartStopKeys() { return doc_->StartStopKeys(); }
    TMarkHighlighter* Highlighter() const { return highlighter_; }
    void SetHighlighter(TMarkHighlighter* highlighter);
    virtual void ReparseParagraphs(TMarkNavigator& first, TMarkNavigator& last) {
        doc_->ReparseParagraphs(first, last);
    }
    virtual void ReparseRange(TMarkNavigator& first, TMarkNavigator& last) {
        doc_->ReparseRange(first, last);
    }
    void ReparseAll() { doc_->ReparseAll(); }
    int Progress() const { return progress_; }

    // ---- layout ----
    // Rebuilds paragraph `index`'s lines from line `fromLine` on.
    virtual TFormatResult FormatParagraph(int fromLine, int index);
    // Pixel x of `offset` within display line `line` of paragraph `index`, and back.
    virtual int OffsetToX(int index, int line, int32_t offset);
    virtual int32_t XToOffset(int index, int line, int x);
    // Visible line (counted from TopLine) to y, and back.
    virtual int LineToY(int line) const;
    // Visits the characters of a display line in order until `visit` returns false.
    void WalkLine(int index, int line, const std::function<bool(const TCharCell&)>& visit);
    virtual int YToLine(int y) const;
    void FormatRange(int first, int last, bool force);
    void MarkForLayout();
    void UpdateDisplay();
    // Lays out (and scans) paragraphs until absolute line `line` exists.
    void EnsureLine(int32_t line);
    void EnsureFormatted(int index);
    void FontChanged();
    // The window came into being or changed its width.
    void WindowCreated();
    void ClientResized();
    // One background slice: formats pending paragraphs for about 25 ms.
    void BackgroundSlice();

    int LineHeightPx() const { return lineHeight_; }
    int TextOffset() const { return textOffset_; }
    int VisibleLines() const;
    int TabUnit() const { return tabUnit_; }
    int ChunkChars() const { return chunkChars_; }
    int WidestWidth() const { return widestWidth_; }
    int WidestLine() const { return widestLine_; }
    int AvailableWidth() const;
    int TopLine() const { return view_.TopLine; }
    int VScroll() const { return view_.VScroll; }
    void SetVScroll(int pixels);
    int HScroll() const { return view_.HScroll; }
    void SetHScroll(int pixels) { view_.HScroll = std::max(0, pixels); }
    // The extra pixels of each stretchable blank in a justified line (the same spread for
    // layout, hit-testing and painting).
    struct TJustifier {
        int each = 0, rest = 0, count = 0, acc = 0, left = 0;
        TJustifier(int free, int spaceCount);
        int Next();
    };
    bool LineJustified(const TParagraphLines& par, int line) const;
    int LineStartX(const TParagraphLines& par, int line) const;

    // ---- properties ----
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool Justified() const { return justified_; }
    void SetJustified(bool value);
    int LeftMargin() const { return leftMargin_; }
    void SetLeftMargin(int value);
    int RightMargin() const { return rightMargin_; }
    void SetRightMargin(int value);
    int TabStops() const { return tabStops_; }
    void SetTabStops(int value);
    // The height of a display line: the fixed one, or the font's.
    int LineHeight() const { return fixedLineHeight_ > 0 ? fixedLineHeight_ : lineHeight_; }
    void SetLineHeight(int value);
    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }
    TFont& AltFont() { return altFont_; }
    bool StaticFormat() const { return doc_->StaticFormat(); }
    void SetStaticFormat(bool value);
    TMarkMemoOptions Options() const { return options_; }
    void SetOptions(TMarkMemoOptions value);
    bool HasOption(TMarkMemoOption o) const { return options_ & o; }
    std::string Separators() const;
    void SetSeparators(std::string_view value);
    const TSeparatorSet& SeparatorSet() const { return doc_->SeparatorSet(); }
    int UndoMaxSpace() const { return doc_->UndoMaxSpace(); }
    void SetUndoMaxSpace(int value) { doc_->SetUndoMaxSpace(value); }
    int UndoMaxLevel() const { return doc_->UndoMaxLevel(); }
    void SetUndoMaxLevel(int value) { doc_->SetUndoMaxLevel(value); }
    TpmUpperCase UpperCaseType() const { return doc_->UpperCaseType(); }
    void SetUpperCaseType(TpmUpperCase value) { doc_->SetUpperCaseType(value); }
    TUpdateMode UpdateMode() const { return updateMode_; }
    void SetUpdateMode(TUpdateMode value);
    bool ApplyKeyWords() const { return doc_->ApplyKeyWords; }
    void SetApplyKeyWords(bool value) { doc_->ApplyKeyWords = value; }
    bool ApplyStartStopKeys() const { return doc_->ApplyStartStopKeys; }
    void SetApplyStartStopKeys(bool value) { doc_->ApplyStartStopKeys = value; }
    std::string Version() const { return "Lorvane memo 1.0"; }

    // A memo that only displays scrolls by keys, shows no caret and reports clicks on ranges.
    bool DisplayOnly() const { return displayOnly_; }
    void SetDisplayOnly(bool value);
    // The view's look: caret, overwrite mode, colours.
    bool Overwrite() const { return view_.Overwrite; }
    void SetOverwrite(bool value);
    int CaretWidth() const { return view_.CaretWidth; }
    void SetCaretWidth(int value);
    bool HideSelection() const { return view_.HideSelection; }
    void SetHideSelection(bool value);
    TColor Color() const { return view_.Color; }
    void SetColor(TColor value) {
        TCustomControl::SetColor(value);
        SetViewColor(view_.Color, value);
    }
    TColor HighlightColor() const { return view_.HighlightColor; }
    void SetHighlightColor(TColor value) { SetViewColor(view_.HighlightColor, value); }
    TColor HighlightBackgnd() const { return view_.HighlightBackgnd; }
    void SetHighlightBackgnd(TColor value) { SetViewColor(view_.HighlightBackgnd, value); }
    TColor SelBackColor() const { return view_.SelBackColor; }
    void SetSelBackColor(TColor value) { SetViewColor(view_.SelBackColor, value); }
    TColor SelTextColor() const { return view_.SelTextColor; }
    void SetSelTextColor(TColor value) { SetViewColor(view_.SelTextColor, value); }
    bool Modified = false;

    // Plain values that the window reads as it paints and handles input.
    char NullReplacement = '\0';
    TMarkLineBreak LineBreak = pbCRLF;
    bool ReadOnly = false;
    bool PassOverCodes = true;
    bool EnableHotKeys = true;
    bool WantTabs = true;
    bool ShowEndParSelected = true;
    int MouseWheelFactor = 3;
    // Pairs of equal format codes with only codes between them are dropped on save.
    bool CompactCodes = true;

    // ---- events ----
    TNotifyEvent OnChange, OnStyleChange, OnSelMove, OnHScroll, OnVScroll, OnProgress;
    std::function<void(TObject*, int32_t, int32_t)> OnParse;
    std::function<void(TObject*, int16_t, int32_t, int32_t)> OnContext;
    // May replace the text an edit is about to insert.
    std::function<void(TObject*, std::string&)> OnBeforeChange;
    virtual void Change();

protected:
    void CreateWnd() override;
    void Paint(TCanvas& canvas, const TRect& updateRect) override;
    void Resize() override;
    void ScrollMessage(TScrollBarKind kind, TScrollCode code, int pos) override;
    void TimerEvent(int id) override;
    void PostedMessage(unsigned msg, intptr_t wParam, intptr_t lParam) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void DblClick() override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void KeyUp(uint16_t& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    bool WantKey(uint16_t key, TShiftState shift) override;
    void DoEnter() override;
    void DoExit() override;
    void DoContextPopup(TPoint mousePos, bool& handled) override;

private:
    // the window as the memo's own host
    class TOwnHost : public TMarkMemoHost {
    public:
        explicit TOwnHost(TMarkMemo& memo) : memo_(memo) {}
        bool WindowExists() const override { return memo_.HandleAllocated(); }
        TTextMeasurer* Measurer() override;
        void Post(std::function<void()> work) override;

    private:
        TMarkMemo& memo_;
        std::unique_ptr<TTextMeasurer> measurer_;
    };
    friend class TOwnHost;

    // painting
    struct TLinePaint;
    void PaintArea(TMarkMemoSurface& surface, const TRect& area);
    void PaintLine(TMarkMemoSurface& surface, int absLine, int y, int clientWidth);
    void FindLineSelection(TLinePaint& lp);
    void PaintRuns(TMarkMemoSurface& surface, const TLinePaint& lp);
    // Fills r with the memo's colour, or tiles the background picture: the text's pixel row
    // textY lies at r.Top, and the picture's left edge at the text's x 0 (HScroll applied).
    void PaintBackground(TMarkMemoSurface& surface, const TRect& r, int64_t textY);
    bool SelectionShown() const;
    void DrawCaret(TCanvas& canvas);

    // input
    // Whether client x lies in the left margin, where presses select whole lines.
    bool InLineMargin(int x) const { return x < leftMargin_ && !HasOption(pmoNoLineSelection); }
    bool ScrollKey(uint16_t key, bool ctrl);
    bool HotKey(uint16_t key, bool shift);
    bool NavigationKey(uint16_t key, TShiftState shift, bool blockKey);
    // The caret's paragraph, its start and the caret's offset in it.
    struct TCaretPlace {
        int32_t pos;
        const TParagraphRec& par;
        int32_t parStart, offset;
    };
    TCaretPlace CaretPlace() const;
    void MoveLeft(bool ctrl, bool extend);
    void MoveRight(bool ctrl, bool extend, bool blockKey);
    int ColumnOf(int32_t pos) const;
    void MoveCaret(int32_t pos, bool extend);
    void MoveCaretToLine(int absLine, int x, bool extend);
    int32_t PosAt(int x, int y, int* extraSpaces = nullptr);
    int32_t WordStart(int32_t pos);
    int32_t WordEnd(int32_t pos);
    bool IsWordChar(unsigned char c) const;
    void TypeChar(char c);
    void InsertBreak();
    void DeleteBack(bool toParagraphStart);
    void DeleteForward();
    bool BackIndentStart(int32_t pos, int32_t* from);
    void CaretAbsLine(int* index, int* line, int* absLine);
    void SelectLines(int fromLine, int toLine);
    void FinishMove();
    void StartAutoScroll(int direction, int level);
    void StopAutoScroll();
    void AutoScrollStep();
    void DropText(int32_t at, bool copy);
    void FireContext(int32_t pos, TMouseButton button);
    // Shows a cursor of the memo's own over the control's, which is saved the first time and
    // given back by RestoreOwnCursor.
    void ShowOwnCursor(TCursor cursor);
    void RestoreOwnCursor();
    // Tells the hooks of an event before the memo handles it.
    void CallHooks(TMarkMemoEventKind kind, TShiftState shift = 0, TPoint pos = {}, int value = 0,
                   TMouseButton button = mbLeft, uint16_t key = 0, char ch = 0);
    void ShowBuiltInMenu(TPoint clientPos);
    void RestartBlink();

    friend class TMarkNavigator;
    friend class TMarkMemoStrings;
    friend class TMarkParaStrings;
    friend class TMarkLinesStrings;

    // what the document reports (TMarkMemoObserver)
    void DocumentChanged(const TDocumentChange& change) override;
    void EditsEnded() override { UpdateDisplay(); }
    // The layout follows a change of the text or its look.
    void FollowChange(const TDocumentChange& change);
    // Every paragraph one line again, waiting for layout.
    void RebuildLayout();
    // Line start styles follow the paragraph's own when format codes before it changed.
    void RestyleLines(int index);
    // Leaves the current document (before showing another, or when going).
    void LeaveDocument();
    void AttachDocument(std::shared_ptr<TMarkMemoDocument> document);
    void InstallHighlighterHooks();

    // what the view learns
    void ReportChange(int32_t pos, int32_t length, int32_t linesAdded);
    void ReportParagraphs(int first, int last, int32_t linesAdded);
    void ViewCaretChanged();
    void ViewInvalidateRange(int32_t pos, int32_t length, int32_t linesAdded);
    void ViewInvalidate();
    void ViewScrollRangesChanged();
    void ViewScrollCaretIntoView();
    void ViewMetricsChanged();
    void SetViewColor(TColor& field, TColor value);

    // store
    const TParagraphsList& Pars() const { return doc_->ParagraphList(); }
    TMarkNavigator& Work(int i) { return *work_[size_t(i)]; }
    int32_t NormalizedPos(int32_t pos, bool roundUp) const {
        return doc_->NormalizedPos(pos, roundUp);
    }
    void SelectRange(int32_t first, int32_t last);

    // loading
    void LoadText(std::string_view text);
    void AfterLoad();
    void ReloadAsPlainText();
    void FireProgress(bool force);

    // editing
    void DeleteBlock();
    void MarkChanged(int first, int last);
    void InvalidatePar(int index, int line);
    void ShiftChangedRange(int after, int delta);

    // layout
    struct TStyleFont {
        std::shared_ptr<const TMeasuredFont> font;
        int spaceWidth = 0;
        int overhang = 0;
    };
    const TStyleFont& FontFor(uint8_t effectiveStyle);
    void Remeasure();
    // Line height, text offset, tab unit and chunk size from the measurer's fonts (a fixed
    // line height when not 0).
    void MeasureFonts(int fixedHeight);
    bool CanMeasure() const { return measurer_ && (printing_ || WindowExists()); }
    void FormatPending(int upTo, double budgetMs);
    void RecomputeWidest();
    void StartBackground();
    void RelayoutAll();
    TFormatResult FormatUnmeasured(const TParagraphRec& par, TParagraphLines& lines);
    TFormatResult FormatMeasured(int fromLine, const TParagraphRec& par, TParagraphLines& lines);
    TFormatResult StoreLines(TParagraphLines& lines, int first, int oldCount,
                             const std::vector<TLineRec>& out);

    TOwnHost ownHost_{*this};
    TMarkMemoHost* host_ = &ownHost_;
    TTextMeasurer* measurer_ = nullptr;
    TMarkMemoView view_;
    std::vector<TMarkMemoHook*> hooks_;  // nullptr: removed while the hooks were called

    std::shared_ptr<TMarkMemoDocument> doc_;
    TLayoutLines layout_;
    std::vector<std::unique_ptr<TMarkNavigator>> work_;
    bool loading_ = false;  // the memo itself loads the document: it sets its layout up after

    TMarkParaStrings paragraphs_;
    TMarkLinesStrings lines_;
    bool noReverseCodes_ = false;

    int changedFirst_ = -1, changedLast_ = -1;
    int32_t linesBeforeChange_ = -1;  // the line count when the pending changes began
    bool changePending_ = false;
    int firstDirty_ = MaxInt;  // no paragraph before this one waits for layout
    int progress_ = 100;
    bool backgroundPosted_ = false;
    std::shared_ptr<TMarkMemo*> alive_;
    int64_t lastProgressMs_ = 0;  // TickCount() of the last progress event

    TMarkHighlighter* highlighter_ = nullptr;

    TFont font_;
    TFont altFont_;
    std::array<TStyleFont, 64> styleFonts_{};
    int lineHeight_ = 10;
    int textOffset_ = 0;
    int tabUnit_ = 10;
    int chunkChars_ = 1024;
    int widestWidth_ = MaxInt;
    int widestLine_ = -1;

    TAlignment alignment_ = taLeftJustify;
    bool wordWrap_ = true;
    bool justified_ = false;
    int leftMargin_ = 8;
    int rightMargin_ = 8;
    int tabStops_ = 8;
    int fixedLineHeight_ = 0;
    TMarkMemoOptions options_ = pmoWrapCaret | pmoInsertKeyActive | pmoWideOverwriteCaret |
                                pmoAutoScrollBars | pmoBlockSelection;
    TUpdateMode updateMode_ = umBackground;
    bool displayOnly_ = false;
    bool printing_ = false;  // laid out for a printer's page (PaintLines onto a printer)

    // window side
    TScrollStyle scrollBars_ = ssVertical;
    TPen endOfTextMark_;
    TPen specUnderline_;
    TPicture backgroundBmp_;
    std::unique_ptr<TPopupMenu> builtInMenu_;
    std::deque<std::function<void()>> posted_;
    bool inScrollUpdate_ = false;
    bool caretOn_ = false;  // drawn in the current blink phase
    bool focused_ = false;
    int wheelAcc_ = 0;
    int desiredX_ = INT32_MIN;
    int32_t lastCaret_ = -1;
    uint8_t lastStyle_ = 0xFF;
    // mouse
    bool selecting_ = false;
    bool wordMode_ = false;
    bool dragging_ = false;
    bool dragCopy_ = false;
    int marginLine_ = -1;
    int32_t anchor_ = 0;
    int32_t downPos_ = -1;
    int32_t dropPos_ = -1;  // where dragged text would land
    TPoint lastMouse_;
    int autoScroll_ = 0;
    int autoLevel_ = 0;
    bool rangeCursor_ = false;  // a cursor of the memo's own shows; savedCursor_ is the control's
    TCursor savedCursor_ = crDefault;
};
