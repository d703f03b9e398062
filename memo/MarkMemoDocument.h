// The memo's document: the text store, undo, attribute records, highlighting and keywords. It
// knows no view: those who show it observe it and lay it out themselves.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "MarkMemoKeys.h"
#include "MarkMemoStore.h"
#include "MarkMemoTypes.h"

// One undo step: [StartPos, StopPos) holds the text that replaced `Text`.
struct TUndoRec {
    int32_t StartPos = 0;
    int32_t StopPos = 0;
    bool Linked = false;  // undone and redone together with the record before it
    std::string Text;
    // What the record counts against UndoMaxSpace: its text, and 13 bytes for the two
    // positions (4 each), the text's length (4) and the link flag (1).
    static constexpr int64_t Overhead = 13;
    int64_t Size() const { return int64_t(Text.size()) + Overhead; }
};

// A change of a document: from character Pos, Length characters as the text is now (-1: to
// the end of the text; the whole text when Pos is 0 as well) replaced Removed characters, and
// LinesAdded paragraphs came (negative: went). A change of look (attribute records, the style
// format codes give) keeps the text: Text is false and Removed equals Length. The paragraphs
// before the one holding Pos are untouched.
struct TDocumentChange {
    int32_t Pos = 0;
    int32_t Length = 0;
    int32_t Removed = 0;
    int32_t LinesAdded = 0;
    bool Text = true;
};

// What a document tells those who show it: every change at once (inside an edit too), and the
// end of the outermost edit (the update lock back at 0).
class TMarkMemoObserver {
public:
    virtual ~TMarkMemoObserver() = default;
    virtual void DocumentChanged(const TDocumentChange& change) = 0;
    virtual void EditsEnded() {}
};

class TMarkMemoDocument {
public:
    TMarkMemoDocument();
    ~TMarkMemoDocument();
    TMarkMemoDocument(const TMarkMemoDocument&) = delete;
    TMarkMemoDocument& operator=(const TMarkMemoDocument&) = delete;

    // ---- the store ----
    int32_t CharCount() const { return int32_t(pars_.TotalChars() - 2); }
    int ParagraphCount() const { return pars_.Count(); }
    const TParagraphRec& Paragraph(int index) const { return pars_.Get(index); }
    const TParagraphsList& ParagraphList() const { return pars_; }
    std::string TextRange(int32_t start, int32_t stop) const;
    // `pos` clamped to the text, moved off an LF position (forward when `roundUp`).
    int32_t NormalizedPos(int32_t pos, bool roundUp) const;
    const std::vector<TMarkNavigator*>& Navigators() const { return navigators_; }
    // Drops the cached line and attribute indices of navigators after `pos` whose paragraph
    // is at most `parIndex`.
    void ResetNavigatorCaches(int32_t pos, int parIndex);
    void ResetAllNavigators();
    // Raises EMarkMemoError "Error 2 in " or "Error 5 in " followed by `version` when the
    // paragraph offsets do not add up.
    void CheckOffsets(const std::string& version) const;

    void AddObserver(TMarkMemoObserver* observer);
    void RemoveObserver(TMarkMemoObserver* observer);

    // Edits inside a lock are told to the observers as they happen; EditsEnded comes when the
    // last lock goes.
    void BeginUpdate() { ++updateLock_; }
    void EndUpdate();
    int UpdateLock() const { return updateLock_; }

    // ---- loading ----
    // Replaces the text (breaks: CR LF, LF CR, CR or LF); zero bytes become `nullReplacement`
    // unless it is 0. `progress` is called now and then while the text is split.
    void LoadText(std::string_view text, char nullReplacement,
                  const std::function<void()>& progress = {});
    // Takes paragraphs over whole and empties undo; `parsed`: their start/stop keys are
    // scanned already.
    void Adopt(TParagraphsList paragraphs, bool parsed);
    // One empty paragraph, no undo.
    void ResetStore();

    // ---- editing ----
    // Replaces [start, stop) with `text` and records it for undo. With StaticFormat, codes that
    // lose their partner are balanced after the new text unless `balanceCodes` is false.
    // Returns where the new text ends, or -1 when nothing changed; `done` learns it first,
    // before the edit ends and the observers follow.
    int32_t Replace(int32_t start, int32_t stop, std::string text, bool balanceCodes = true,
                    const std::function<void(int32_t start, int32_t newStop)>& done = {});
    void InsertDynAttr(TMarkNavigator& start, TMarkNavigator& stop, bool repaint, bool dynamic,
                       TAttributeRec rec);
    // A colour for the whole of paragraph `index`'s text and background (-1: none).
    void SetParagraphColors(int index, int32_t textColor, int32_t backColor);
    // Puts a dynamic record over [startPos, stopPos) (clamped to paragraph text).
    void ApplyDynStyle(int32_t startPos, int32_t stopPos, uint8_t style, bool flag, int16_t context,
                       int16_t cursor, int32_t backColor, int32_t textColor);

    // ---- undo ----
    // How an undo step replaces text: by default Replace; a memo passes its own edit so that
    // its selection and events follow.
    using TReplacer = std::function<void(int32_t start, int32_t stop, const std::string& text)>;
    bool CanUndo() const { return undoPos_ >= (undoing_ ? 2 : 1); }
    bool CanRedo() const { return int(undo_.size()) > undoPos_; }
    void Undo(const TReplacer& replace = {});
    void Redo(const TReplacer& replace = {});
    bool Replaying() const { return undoing_ || redoing_; }
    // Stops typing from merging into the last undo record.
    void BreakUndoGroup() { groupBreak_ = true; }
    // Marks the last undo record as going together with the one before it.
    void LinkLastUndo();
    void ClearUndo();
    int UndoCount() const { return int(undo_.size()); }
    int UndoPosition() const { return undoPos_; }
    int64_t UndoSize() const { return undoSize_; }
    const TUndoRec& UndoRecord(int index) const { return undo_.at(size_t(index)); }
    int UndoMaxSpace() const { return undoMaxSpace_; }
    void SetUndoMaxSpace(int value);
    int UndoMaxLevel() const { return undoMaxLevel_; }
    void SetUndoMaxLevel(int value);

    // ---- highlighting ----
    TKeywordList& Keywords() { return keywords_; }
    TStartStopKeyList& StartStopKeys() { return startStop_; }
    void ReparseParagraphs(TMarkNavigator& first, TMarkNavigator& last);
    void ReparseRange(TMarkNavigator& first, TMarkNavigator& last);
    void ReparseAll();
    // Scans the start/stop keys of every paragraph up to `index` not scanned yet; true when
    // there was one.
    bool ScanUpTo(int index);
    // Makes paragraph `index`'s records current before it is laid out: the start/stop keys of
    // it and of those before it, and its keywords.
    void PrepareParagraph(int index);
    // The hooks of an attached highlighter (none: nothing attached).
    std::function<void(int keywordCount)> BeforeKeywords;
    std::function<bool(TMarkNavigator&, TMarkNavigator&, int)> StopSearch;

    // ---- how the text is read ----
    bool StaticFormat() const { return staticFormat_; }
    // Only the flag: the memo reloads the text around it.
    void SetStaticFormatFlag(bool value) { staticFormat_ = value; }
    bool DiscardTrailingSpaces = false;
    const TSeparatorSet& SeparatorSet() const { return separators_; }
    void SetSeparators(std::string_view value);
    TpmUpperCase UpperCaseType() const { return upperCase_; }
    void SetUpperCaseType(TpmUpperCase value);
    bool ApplyKeyWords = true;
    bool ApplyStartStopKeys = true;

private:
    friend class TMarkNavigator;

    // what observers learn
    void Report(const TDocumentChange& change);
    void ReportLook(int32_t pos, int32_t length) { Report({pos, length, length, 0, false}); }
    void ReportParagraphs(int first, int last);

    TMarkNavigator& Work(int i) { return *work_[size_t(i)]; }

    struct TSplice {
        int firstPar = 0, lastPar = 0;
        int32_t start = 0, stop = 0, newStop = 0;
    };
    void MoveNavigators(int32_t start, int32_t stop, int32_t delta);
    TSplice Splice(int32_t start, int32_t stop, std::string_view text);
    void PropagateStaticStyle(int fromPar);
    void RecordUndo(int32_t start, int32_t stop, int32_t newLength, std::string replaced);
    void TrimUndo();
    void DoUndoStep(bool redo, const TReplacer& replace);

    void RemoveKeywordRecords(TParagraphRec& par);
    void NormalizeRecords(TParagraphRec& par);
    void MatchKeywords(int index);
    void ApplyKeywordMatch(int index, int keyword, int32_t offset, int32_t length);
    void ScanStartStop(int index);
    struct TStartStopScan;
    const std::string& ScanSource(TStartStopScan& scan, const StartStopInfo& e);
    bool CloseRange(TStartStopScan& scan);
    bool OpenRange(TStartStopScan& scan);
    bool KeyAllowedAt(const TAttributeRec& rec) const;
    const std::string& UpperCopy(int index);

    TParagraphsList pars_;
    std::vector<TMarkNavigator*> navigators_;
    std::vector<std::unique_ptr<TMarkNavigator>> work_;
    std::vector<TMarkMemoObserver*> observers_;
    int updateLock_ = 0;

    std::deque<TUndoRec> undo_;
    int undoPos_ = 0;
    int64_t undoSize_ = 0;
    bool undoing_ = false;
    bool redoing_ = false;
    bool groupBreak_ = false;
    bool pushesRecords_ = false;  // a keyword match is being put over the text
    int undoMaxSpace_ = 65536;
    int undoMaxLevel_ = 256;

    int scannedUpTo_ = -1;  // paragraphs up to this one have their start/stop keys scanned
    TKeywordList keywords_;
    TStartStopKeyList startStop_;
    std::string upperCache_;
    int upperCacheIndex_ = -1;

    bool staticFormat_ = true;
    TSeparatorSet separators_;
    TpmUpperCase upperCase_ = pmuAscii;
};
