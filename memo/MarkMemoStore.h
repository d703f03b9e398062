// The memo's text store: paragraph records, their line lists, and the navigator over offsets.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MarkMemoTypes.h"

class TParagraphsList;
struct TParagraphBlock;

// Where a paragraph sits in its list and the size it counts there. A copy of a paragraph sits
// nowhere, and assigning a paragraph keeps the target's place.
struct TParagraphPlace {
    TParagraphBlock* Block = nullptr;
    int32_t Slot = 0;   // index within the block
    int32_t Chars = 0;  // Length + 2, as last counted
    int32_t Lines = 0;  // LineCount, as last counted
    TParagraphPlace() = default;
    TParagraphPlace(const TParagraphPlace&) {}
    TParagraphPlace& operator=(const TParagraphPlace&) { return *this; }
};

// One paragraph: its bytes, its display lines (line 0 held inline), its attribute records
// ordered by offset, and the state in force at its start. A paragraph covers the offsets
// StartOffset .. StartOffset + Length + 1: its bytes, then its CR and its LF position.
// The start offset and the first display line are not stored: its list derives them from
// the sizes of the paragraphs before it, which it learns through Resized.
struct TParagraphRec {
    std::string Text;
    int32_t TextColor = -1;
    int32_t BackColor = -1;
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
    // The first character's offset in the text and the first display line's number (0 for a
    // paragraph in no list).
    int32_t StartOffset() const;
    int32_t FirstLine() const;
    // To be called once the text's length or the line count changed: the offsets and line
    // numbers of the paragraphs after it follow.
    void Resized();
    TParagraphPlace Place;
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

// A run of consecutive paragraphs with their sizes. Offsets and lines before each paragraph,
// counted from the block's start, are kept up to date lazily (slots up to Valid are right).
struct TParagraphBlock {
    TParagraphsList* List = nullptr;
    int Index = 0;  // in the list's blocks
    std::vector<std::unique_ptr<TParagraphRec>> Items;
    std::vector<int64_t> CharsBefore;
    std::vector<int32_t> LinesBefore;
    int32_t Valid = 0;
    int64_t Chars = 0;
    int64_t Lines = 0;
    // The block's start as last looked up, and the list's stamp it was looked up at.
    mutable uint64_t Stamp = 0;
    mutable int64_t StartChars = 0, StartLines = 0, StartCount = 0;
    void Renumber(int32_t from);
    void MakeValid(int32_t upTo);
};

// The paragraphs, held in blocks of a few hundred, with three running sums over the blocks
// (paragraphs, characters, display lines) in binary indexed trees. Finding a paragraph by
// index, offset or line, and a paragraph's size changing, cost the logarithm of the block
// count plus at most one block's length; inserting or removing paragraphs touches one block
// (and renumbers the blocks when one splits or empties). Records live in their own heap
// blocks, so their addresses never change while the list grows or shrinks around them.
class TParagraphsList {
public:
    TParagraphsList() = default;
    TParagraphsList(TParagraphsList&& other) noexcept { *this = std::move(other); }
    TParagraphsList& operator=(TParagraphsList&& other) noexcept;
    ~TParagraphsList();

    int Count() const { return count_; }
    // Raises ERangeError "List index out of bounds" unless 0 <= i < Count.
    TParagraphRec& Get(int i) const;
    TParagraphRec& operator[](int i) const { return Locate(i); }
    void SetCount(int n);
    int Add(TParagraphRec rec);
    void Put(int i, const TParagraphRec& rec);
    void GetCopy(int i, TParagraphRec& rec) const { rec = Get(i); }
    // Replaces `count` records from `index` on with `with`.
    void Replace(int index, int count, std::vector<std::unique_ptr<TParagraphRec>>& with);
    void Clear();
    // The characters (each paragraph's Length + 2) and display lines of all paragraphs.
    int64_t TotalChars() const { return totalChars_; }
    int64_t TotalLines() const { return totalLines_; }
    // The index of a paragraph of this list.
    int IndexOf(const TParagraphRec& par) const;
    // Counts a paragraph's new size (see TParagraphRec::Resized).
    void Resized(TParagraphRec& par);
    int64_t StartChars(const TParagraphRec& par) const;
    int64_t StartLines(const TParagraphRec& par) const;
    // N characters from offset `offset` of paragraph `index`, breaks as CR LF (a lone LF when
    // starting at an LF position).
    std::string CopyText(int index, int32_t offset, int32_t n) const;
    // The paragraph holding character offset `pos` (clamped to the text): binary search on
    // the start offsets.
    int IndexOfOffset(int32_t pos) const;
    // The paragraph holding absolute display line `line` (clamped).
    int IndexOfLine(int32_t line) const;

private:
    static constexpr int kBlockSize = 512;  // a block splits at twice this
    TParagraphRec& Locate(int i) const;
    int BlockOfIndex(int i) const;
    void BlockStart(const TParagraphBlock& block) const;
    void Rebuild() const;
    void Add3(int block, int64_t count, int64_t chars, int64_t lines);
    void StructureChanged();
    void Insert(int index, std::vector<std::unique_ptr<TParagraphRec>>& items);
    void Erase(int index, int count);
    void Adopt(TParagraphBlock& block, int32_t slot, std::unique_ptr<TParagraphRec> par);
    // Binary-lifting search: the block holding running total `target` of sum `which`
    // (0 paragraphs, 1 characters, 2 lines).
    int FindBlock(int which, int64_t target) const;

    std::vector<std::unique_ptr<TParagraphBlock>> blocks_;
    int count_ = 0;
    int64_t totalChars_ = 0, totalLines_ = 0;
    // The trees (1-based), rebuilt from the blocks when their order changed.
    mutable std::vector<int64_t> treeCount_, treeChars_, treeLines_;
    mutable bool treesStale_ = false;
    mutable uint64_t stamp_ = 1;
    // The block the last lookup by index found, and its first index.
    mutable int cacheBlock_ = -1;
    mutable int cacheFirst_ = 0;
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
