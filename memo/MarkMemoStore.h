// The memo's text store: paragraph records, their line lists, and the navigator over offsets.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MarkMemoTypes.h"

// One paragraph: its bytes, its display lines (line 0 held inline), its attribute records
// ordered by offset, and the state in force at its start. A paragraph covers the offsets
// StartOffset .. StartOffset + Length + 1: its bytes, then its CR and its LF position.
struct TParagraphRec {
    std::string Text;
    int32_t TextColor = -1;
    int32_t BackColor = -1;
    int32_t FirstLine = 0;
    int32_t StartOffset = 0;
    TStartState StartState;
    TLineRec Line0;
    std::vector<TLineRec> MoreLines;
    std::vector<TAttributeRec> Attrs;
    uint8_t Formatted = 0;
    uint8_t StartStopScanned = 1;
    uint8_t KeywordsParsed = 1;
    // While not formatted: the first line whose layout may have changed.
    int32_t DirtyLine = 0;

    int32_t Length() const { return int32_t(Text.size()); }
    int32_t LineCount() const { return 1 + int32_t(MoreLines.size()); }
    int32_t AttrCount() const { return int32_t(Attrs.size()); }
    TLineRec& Line(int i) { return i == 0 ? Line0 : MoreLines[size_t(i - 1)]; }
    const TLineRec& Line(int i) const { return i == 0 ? Line0 : MoreLines[size_t(i - 1)]; }
    const TLineRec& LastLine() const { return Line(LineCount() - 1); }
    void SetLineCount(int n) { MoreLines.resize(size_t(n > 1 ? n - 1 : 0)); }
    // One line covering the whole paragraph, starting in `startStyle`.
    void SetSingleLine(uint8_t startStyle);
    const TAttributeRec& StartAttr() const { return *StartState; }
    // The line holding `offset`: the first whose end lies beyond it, the last at most.
    int LineOf(int32_t offset) const;
    // How many records begin before `offset`, and at or before it.
    int AttrsBefore(int32_t offset) const;
    int AttrsUpTo(int32_t offset) const;
    // The state in force at the character at `offset` (records beginning there included).
    const TAttributeRec& StateAt(int32_t offset) const {
        int n = AttrsUpTo(offset);
        return n ? Attrs[size_t(n - 1)] : StartAttr();
    }
};

// The lines of one paragraph as a list; raises ERangeError "List index out of bounds".
class TLinesList {
public:
    explicit TLinesList(TParagraphRec* par = nullptr) : par_(par) {}
    void Bind(TParagraphRec* par) { par_ = par; }
    TParagraphRec* Paragraph() const { return par_; }

    int Count() const { return par_ ? par_->LineCount() : 0; }
    TLineRec& Get(int i) const;
    void SetCount(int n);  // std::bad_alloc above 59652323 lines
    int Add(const TLineRec& rec);
    void Put(int i, const TLineRec& rec) { Get(i) = rec; }
    void GetCopy(int i, TLineRec& rec) const { rec = Get(i); }

private:
    TParagraphRec* par_;
};

// The paragraphs. Records live in their own heap blocks, so their addresses never change
// while the list grows or shrinks around them.
class TParagraphsList {
public:
    int Count() const { return int(items_.size()); }
    // Raises ERangeError "List index out of bounds" unless 0 <= i < Count.
    TParagraphRec& Get(int i) const;
    TParagraphRec& operator[](int i) const { return *items_[size_t(i)]; }
    void SetCount(int n);
    int Add(TParagraphRec rec);
    void Put(int i, const TParagraphRec& rec) { Get(i) = rec; }
    void GetCopy(int i, TParagraphRec& rec) const { rec = Get(i); }
    // Replaces `count` records from `index` on with `with`.
    void Replace(int index, int count, std::vector<std::unique_ptr<TParagraphRec>>& with);
    void Clear() { items_.clear(); }
    // N characters from offset `offset` of paragraph `index`, breaks as CR LF (a lone LF when
    // starting at an LF position).
    std::string CopyText(int index, int32_t offset, int32_t n) const;
    // The paragraph holding character offset `pos` (clamped to the text): binary search on
    // the start offsets.
    int IndexOfOffset(int32_t pos) const;
    // The paragraph holding absolute display line `line` (clamped).
    int IndexOfLine(int32_t line) const;

private:
    std::vector<std::unique_ptr<TParagraphRec>> items_;
};

class TMarkMemo;

// A position in a memo's text with cached paragraph, line and attribute coordinates.
// Registers with its memo; a memo that dies first leaves its navigators detached.
class TMarkNavigator {
public:
    explicit TMarkNavigator(TMarkMemo* memo);
    ~TMarkNavigator();
    TMarkNavigator(const TMarkNavigator&) = delete;
    TMarkNavigator& operator=(const TMarkNavigator&) = delete;

    std::function<void(TMarkNavigator*)> OnFree;

    TMarkMemo* Memo() const { return memo_; }
    int32_t Pos() const { return pos_; }
    // Moves to P (clamped to 0..CharCount + 1), keeping the caches on forward moves.
    void SetPos(int32_t p);
    int GetParNb();
    TParagraphRec& GetPar();
    int32_t GetOffset();
    int GetLineNb();
    int32_t GetAbsLine();
    void SetAbsLine(int32_t line);
    int32_t GetColumn();
    void SetColumn(int32_t column);

    // Attribute records: DynNb is the first record at or after the offset.
    int GetDynNb();
    const TAttributeRec& CurrentDyn();
    void GetDynCopy(TAttributeRec& rec) { rec = CurrentDyn(); }
    void SkipDynAt();
    bool NextDyn(int32_t limit);
    bool PrevDyn(int32_t limit);
    void InsertDyn(const TAttributeRec& rec);
    void DeleteDyn();
    // The state carried on from the left of the position (typing, paragraph ends)...
    const TAttributeRec& AttrBefore() { return CurrentDyn(); }
    // ... and the state of the character at it (painting, matching, clicks).
    const TAttributeRec& AttrAt() {
        SkipDynAt();
        return CurrentDyn();
    }

    unsigned char Char();
    uint8_t StaticStyle();
    // N characters from the position, breaks as CR LF (a lone LF when starting at one).
    std::string CopyText(int32_t n);

    void Assign(const TMarkNavigator& other);
    void Reset();

private:
    friend class TMarkMemo;
    void Resolve();
    TMarkMemo* memo_;
    int32_t pos_ = 0;
    TParagraphRec* par_ = nullptr;
    int parNb_ = -1;
    int32_t offset_ = 0;
    int dynNb_ = MaxInt;
    int lineNb_ = MaxInt;
};
