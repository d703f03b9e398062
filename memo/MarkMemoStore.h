// The memo's text store: paragraph records, their line lists, and the navigator over offsets.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MarkMemoTypes.h"

template <class T>
class TSummedList;
template <class T>
struct TSummedBlock;

// Where an item sits in its list and the size it counts there. A copy of an item sits nowhere,
// and assigning an item keeps the target's place.
template <class T>
struct TSummedPlace {
    TSummedBlock<T>* Block = nullptr;
    int32_t Slot = 0;  // index within the block
    int64_t Size = 0;  // as last counted
    TSummedPlace() = default;
    TSummedPlace(const TSummedPlace&) {}
    TSummedPlace& operator=(const TSummedPlace&) { return *this; }
};

// A run of consecutive items with their sizes. The sizes before each slot, counted from the
// block's start, are kept up to date lazily (slots up to Valid are right).
template <class T>
struct TSummedBlock {
    TSummedList<T>* List = nullptr;
    int Index = 0;  // in the list's blocks
    std::vector<std::unique_ptr<T>> Items;
    std::vector<int64_t> Before;
    int32_t Valid = 0;
    int64_t Sum = 0;
    // The block's start as last looked up, and the list's stamp it was looked up at.
    mutable uint64_t Stamp = 0;
    mutable int64_t StartSum = 0, StartCount = 0;

    void Renumber(int32_t from) {
        for (size_t i = size_t(from); i < Items.size(); ++i) {
            Items[i]->Place.Block = this;
            Items[i]->Place.Slot = int32_t(i);
        }
        Before.resize(Items.size() + 1);
        Before[0] = 0;
        Valid = std::min(Valid, from);
    }
    void MakeValid(int32_t upTo) {
        for (; Valid < upTo; ++Valid)
            Before[size_t(Valid) + 1] = Before[size_t(Valid)] + Items[size_t(Valid)]->Place.Size;
    }
};

// Items held in blocks of a few hundred, with two running sums over the blocks (items, and
// the size each item counts: a paragraph's characters, its display lines) in binary indexed
// trees. Finding an item by index or by running size, and an item's size changing, cost the
// logarithm of the block count plus at most one block's length; inserting or removing items
// touches one block (and renumbers the blocks when one splits or empties). Items live in their
// own heap blocks, so their addresses never change while the list grows or shrinks around them.
// T has a `TSummedPlace<T> Place` and `int64_t SummedSize() const`.
template <class T>
class TSummedList {
public:
    TSummedList() = default;
    TSummedList(TSummedList&& other) noexcept { *this = std::move(other); }
    TSummedList& operator=(TSummedList&& other) noexcept;
    ~TSummedList() = default;

    int Count() const { return count_; }
    // Raises ERangeError "List index out of bounds" unless 0 <= i < Count.
    T& Get(int i) const;
    T& operator[](int i) const { return Locate(i); }
    void SetCount(int n);
    int Add(T rec);
    void Put(int i, const T& rec);
    void GetCopy(int i, T& rec) const { rec = Get(i); }
    // Replaces `count` items from `index` on with `with`.
    void Replace(int index, int count, std::vector<std::unique_ptr<T>>& with);
    void Clear();
    // The sizes of all items.
    int64_t Total() const { return total_; }
    // The index of an item of this list.
    int IndexOf(const T& item) const;
    // Counts an item's new size.
    void Resized(T& item);
    // The sizes of the items before `item`.
    int64_t StartOf(const T& item) const;
    // The item whose sizes cover running size `at` (clamped): at and after its start, before
    // the next one's.
    int IndexOfSum(int64_t at) const;

private:
    static constexpr int kBlockSize = 512;  // a block splits at twice this
    T& Locate(int i) const;
    int BlockOfIndex(int i) const;
    void BlockStart(const TSummedBlock<T>& block) const;
    void Rebuild() const;
    void Add2(int block, int64_t count, int64_t size);
    void StructureChanged();
    void Insert(int index, std::vector<std::unique_ptr<T>>& items);
    void Erase(int index, int count);
    void Adopt(TSummedBlock<T>& block, int32_t slot, std::unique_ptr<T> item);
    // Binary-lifting search: the block holding running total `target` of the counts or sizes.
    int FindBlock(bool sizes, int64_t target) const;

    std::vector<std::unique_ptr<TSummedBlock<T>>> blocks_;
    int count_ = 0;
    int64_t total_ = 0;
    // The trees (1-based), rebuilt from the blocks when their order changed.
    mutable std::vector<int64_t> treeCount_, treeSize_;
    mutable bool treesStale_ = false;
    mutable uint64_t stamp_ = 1;
    // The block the last lookup by index found, and its first index.
    mutable int cacheBlock_ = -1;
    mutable int cacheFirst_ = 0;
};

// One paragraph: its bytes, its attribute records ordered by offset, the state in force at its
// start and the static style (format codes) in force there. A paragraph covers the offsets
// StartOffset .. StartOffset + Length + 1: its bytes, then its CR and its LF position. The
// start offset is not stored: its list derives it from the sizes of the paragraphs before it,
// which it learns through Resized. How a view breaks it into display lines is the view's own
// (TParagraphLines).
struct TParagraphRec {
    std::string Text;
    int32_t TextColor = -1;
    int32_t BackColor = -1;
    TStartState StartState;
    uint8_t StartStyle = 0;
    std::vector<TAttributeRec> Attrs;
    uint8_t StartStopScanned = 1;
    uint8_t KeywordsParsed = 1;
    TSummedPlace<TParagraphRec> Place;

    int32_t Length() const { return int32_t(Text.size()); }
    int64_t SummedSize() const { return int64_t(Length()) + 2; }
    // The first character's offset in the text (0 for a paragraph in no list).
    int32_t StartOffset() const;
    // To be called once the text's length changed: the offsets of the paragraphs after it
    // follow.
    void Resized();
    int32_t AttrCount() const { return int32_t(Attrs.size()); }
    const TAttributeRec& StartAttr() const { return *StartState; }
    // How many records begin before `offset`, and at or before it.
    int AttrsBefore(int32_t offset) const;
    int AttrsUpTo(int32_t offset) const;
    // The state in force at the character at `offset` (records beginning there included).
    const TAttributeRec& StateAt(int32_t offset) const {
        int n = AttrsUpTo(offset);
        return n ? Attrs[size_t(n - 1)] : StartAttr();
    }
};

// The paragraphs of a text, with their character offsets from block sums.
class TParagraphsList : public TSummedList<TParagraphRec> {
public:
    // The characters (each paragraph's Length + 2) of all paragraphs.
    int64_t TotalChars() const { return Total(); }
    // N characters from offset `offset` of paragraph `index`, breaks as CR LF (a lone LF when
    // starting at an LF position).
    std::string CopyText(int index, int32_t offset, int32_t n) const;
    // The paragraph holding character offset `pos` (clamped to the text).
    int IndexOfOffset(int32_t pos) const { return IndexOfSum(pos); }
};

// One paragraph as a view lays it out: its display lines (line 0 held inline) and whether they
// are current. The entries of a view's layout stand in the order of the document's paragraphs.
struct TParagraphLines {
    TLineRec Line0;
    std::vector<TLineRec> MoreLines;
    uint8_t Formatted = 0;
    // While not formatted: the first line whose layout may have changed.
    int32_t DirtyLine = 0;
    TSummedPlace<TParagraphLines> Place;

    int32_t LineCount() const { return 1 + int32_t(MoreLines.size()); }
    int64_t SummedSize() const { return LineCount(); }
    // The first display line's number (0 for an entry in no list).
    int32_t FirstLine() const;
    // To be called once the line count changed: the line numbers after it follow.
    void Resized();
    TLineRec& Line(int i) { return i == 0 ? Line0 : MoreLines[size_t(i - 1)]; }
    const TLineRec& Line(int i) const { return i == 0 ? Line0 : MoreLines[size_t(i - 1)]; }
    const TLineRec& LastLine() const { return Line(LineCount() - 1); }
    void SetLineCount(int n) { MoreLines.resize(size_t(n > 1 ? n - 1 : 0)); }
    // One line covering a paragraph of `length` bytes, starting in `startStyle`.
    void SetSingleLine(int32_t length, uint8_t startStyle);
    // The line holding `offset`: the first whose end lies beyond it, the last at most.
    int LineOf(int32_t offset) const;
};

// A view's display lines, paragraph by paragraph, with line numbers from block sums.
class TLayoutLines : public TSummedList<TParagraphLines> {
public:
    int64_t TotalLines() const { return Total(); }
    // The paragraph holding absolute display line `line` (clamped).
    int IndexOfLine(int32_t line) const { return IndexOfSum(line); }
};

// The lines of one paragraph as a list; raises ERangeError "List index out of bounds".
class TLinesList {
public:
    explicit TLinesList(TParagraphLines* par = nullptr) : par_(par) {}
    void Bind(TParagraphLines* par) { par_ = par; }
    TParagraphLines* Paragraph() const { return par_; }

    int Count() const { return par_ ? par_->LineCount() : 0; }
    TLineRec& Get(int i) const;
    void SetCount(int n);  // std::bad_alloc above 59652323 lines
    int Add(const TLineRec& rec);
    void Put(int i, const TLineRec& rec) { Get(i) = rec; }
    void GetCopy(int i, TLineRec& rec) const { rec = Get(i); }

private:
    TParagraphLines* par_;
};

[[noreturn]] void RaiseListIndex();

class TMarkMemo;
class TMarkMemoDocument;

// A position in a document's text with cached paragraph, line and attribute coordinates.
// Registers with its document; a document that dies first leaves its navigators detached.
// Display lines are those of the memo it was made for; a navigator made for a document alone
// counts one line per paragraph.
class TMarkNavigator {
public:
    // Without a memo the navigator is detached: it stays at 0.
    explicit TMarkNavigator(TMarkMemo* memo);
    explicit TMarkNavigator(TMarkMemoDocument& document);
    ~TMarkNavigator();
    TMarkNavigator(const TMarkNavigator&) = delete;
    TMarkNavigator& operator=(const TMarkNavigator&) = delete;

    std::function<void(TMarkNavigator*)> OnFree;

    TMarkMemo* Memo() const { return memo_; }
    TMarkMemoDocument* Document() const { return doc_; }
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
    friend class TMarkMemoDocument;
    void Resolve();
    // The display lines of the position's paragraph (nullptr: one line per paragraph).
    const TParagraphLines* Lines();
    TMarkMemo* memo_ = nullptr;
    TMarkMemoDocument* doc_ = nullptr;
    int32_t pos_ = 0;
    TParagraphRec* par_ = nullptr;
    int parNb_ = -1;
    int32_t offset_ = 0;
    int dynNb_ = MaxInt;
    int lineNb_ = MaxInt;
};

// ---- the summed list ----

template <class T>
TSummedList<T>& TSummedList<T>::operator=(TSummedList&& other) noexcept {
    if (this == &other) return *this;
    blocks_ = std::move(other.blocks_);
    count_ = other.count_;
    total_ = other.total_;
    stamp_ = std::max(stamp_, other.stamp_) + 1;
    for (auto& block : blocks_) {
        block->List = this;
        block->Stamp = 0;
    }
    treesStale_ = true;
    cacheBlock_ = -1;
    other.blocks_.clear();
    other.Clear();
    return *this;
}

template <class T>
void TSummedList<T>::Clear() {
    blocks_.clear();
    count_ = 0;
    total_ = 0;
    StructureChanged();
}

template <class T>
void TSummedList<T>::StructureChanged() {
    treesStale_ = true;
    cacheBlock_ = -1;
    ++stamp_;
}

template <class T>
void TSummedList<T>::Rebuild() const {
    const size_t n = blocks_.size();
    treeCount_.assign(n + 1, 0);
    treeSize_.assign(n + 1, 0);
    for (size_t i = 0; i < n; ++i) {
        TSummedBlock<T>& block = *blocks_[i];
        block.Index = int(i);
        treeCount_[i + 1] += int64_t(block.Items.size());
        treeSize_[i + 1] += block.Sum;
        size_t up = (i + 1) + ((i + 1) & -(i + 1));
        if (up <= n) {
            treeCount_[up] += treeCount_[i + 1];
            treeSize_[up] += treeSize_[i + 1];
        }
    }
    treesStale_ = false;
    ++stamp_;
}

template <class T>
void TSummedList<T>::Add2(int block, int64_t count, int64_t size) {
    ++stamp_;
    if (treesStale_) return;  // the rebuild counts it
    const size_t n = blocks_.size();
    for (size_t i = size_t(block) + 1; i <= n; i += i & -i) {
        treeCount_[i] += count;
        treeSize_[i] += size;
    }
}

template <class T>
void TSummedList<T>::BlockStart(const TSummedBlock<T>& block) const {
    if (treesStale_) Rebuild();
    if (block.Stamp == stamp_) return;
    int64_t count = 0, size = 0;
    for (size_t i = size_t(block.Index); i > 0; i -= i & -i) {
        count += treeCount_[i];
        size += treeSize_[i];
    }
    block.StartCount = count;
    block.StartSum = size;
    block.Stamp = stamp_;
}

template <class T>
int TSummedList<T>::FindBlock(bool sizes, int64_t target) const {
    if (treesStale_) Rebuild();
    const std::vector<int64_t>& tree = sizes ? treeSize_ : treeCount_;
    const size_t n = blocks_.size();
    size_t step = 1;
    while (step * 2 <= n) step *= 2;
    size_t pos = 0;
    for (; step > 0; step /= 2)
        if (pos + step <= n && tree[pos + step] <= target) {
            pos += step;
            target -= tree[pos];
        }
    return int(std::min(pos, n - 1));
}

template <class T>
int TSummedList<T>::BlockOfIndex(int i) const {
    int k = FindBlock(false, i);
    BlockStart(*blocks_[size_t(k)]);
    return k;
}

template <class T>
T& TSummedList<T>::Locate(int i) const {
    if (cacheBlock_ >= 0) {
        const TSummedBlock<T>* block = blocks_[size_t(cacheBlock_)].get();
        int size = int(block->Items.size());
        if (i >= cacheFirst_ && i < cacheFirst_ + size)
            return *block->Items[size_t(i - cacheFirst_)];
        if (i == cacheFirst_ + size && size_t(cacheBlock_) + 1 < blocks_.size()) {
            cacheFirst_ += size;
            ++cacheBlock_;
            return *blocks_[size_t(cacheBlock_)]->Items[0];
        }
    }
    int k = BlockOfIndex(i);
    const TSummedBlock<T>& block = *blocks_[size_t(k)];
    cacheBlock_ = k;
    cacheFirst_ = int(block.StartCount);
    return *block.Items[size_t(i - cacheFirst_)];
}

template <class T>
T& TSummedList<T>::Get(int i) const {
    if (i < 0 || i >= Count()) RaiseListIndex();
    return Locate(i);
}

template <class T>
int TSummedList<T>::IndexOf(const T& item) const {
    BlockStart(*item.Place.Block);
    return int(item.Place.Block->StartCount) + item.Place.Slot;
}

template <class T>
int64_t TSummedList<T>::StartOf(const T& item) const {
    TSummedBlock<T>& block = *item.Place.Block;
    BlockStart(block);
    block.MakeValid(item.Place.Slot);
    return block.StartSum + block.Before[size_t(item.Place.Slot)];
}

template <class T>
void TSummedList<T>::Resized(T& item) {
    TSummedPlace<T>& place = item.Place;
    const int64_t size = item.SummedSize();
    const int64_t delta = size - place.Size;
    if (delta == 0) return;
    place.Size = size;
    TSummedBlock<T>& block = *place.Block;
    block.Sum += delta;
    block.Valid = std::min(block.Valid, place.Slot);
    total_ += delta;
    const bool current = block.Stamp == stamp_;
    Add2(block.Index, 0, delta);
    if (current && !treesStale_) block.Stamp = stamp_;  // only later blocks moved
}

template <class T>
void TSummedList<T>::Adopt(TSummedBlock<T>& block, int32_t slot, std::unique_ptr<T> item) {
    TSummedPlace<T>& place = item->Place;
    place.Block = &block;
    place.Size = item->SummedSize();
    block.Sum += place.Size;
    total_ += place.Size;
    ++count_;
    block.Items.insert(block.Items.begin() + slot, std::move(item));
}

template <class T>
void TSummedList<T>::SetCount(int n) {
    if (n < 0) n = 0;
    if (n < count_) Erase(n, count_ - n);
    while (count_ < n) Add(T{});
}

template <class T>
int TSummedList<T>::Add(T rec) {
    if (blocks_.empty() || blocks_.back()->Items.size() >= size_t(kBlockSize)) {
        auto block = std::make_unique<TSummedBlock<T>>();
        block->List = this;
        block->Index = int(blocks_.size());
        blocks_.push_back(std::move(block));
        StructureChanged();
    }
    TSummedBlock<T>& block = *blocks_.back();
    const auto slot = int32_t(block.Items.size());
    Adopt(block, slot, std::make_unique<T>(std::move(rec)));
    block.Renumber(slot);
    const bool current = block.Stamp == stamp_;
    Add2(block.Index, 1, block.Items.back()->Place.Size);
    if (current && !treesStale_) block.Stamp = stamp_;
    return count_ - 1;
}

template <class T>
void TSummedList<T>::Put(int i, const T& rec) {
    T& item = Get(i);
    item = rec;
    Resized(item);
}

template <class T>
void TSummedList<T>::Insert(int index, std::vector<std::unique_ptr<T>>& items) {
    if (items.empty()) return;
    if (index >= count_) {
        for (auto& item : items) Add(std::move(*item));
        items.clear();
        return;
    }
    const int k = BlockOfIndex(index);
    TSummedBlock<T>& block = *blocks_[size_t(k)];
    const auto slot = int32_t(index - block.StartCount);
    const int64_t sum0 = block.Sum;
    for (size_t i = 0; i < items.size(); ++i) Adopt(block, slot + int32_t(i), std::move(items[i]));
    block.Renumber(slot);
    Add2(k, int64_t(items.size()), block.Sum - sum0);
    items.clear();
    cacheBlock_ = -1;
    if (block.Items.size() <= size_t(2 * kBlockSize)) return;
    // split the block into pieces of kBlockSize
    std::vector<std::unique_ptr<TSummedBlock<T>>> pieces;
    for (size_t from = kBlockSize; from < block.Items.size(); from += kBlockSize) {
        auto piece = std::make_unique<TSummedBlock<T>>();
        piece->List = this;
        size_t to = std::min(from + kBlockSize, block.Items.size());
        for (size_t j = from; j < to; ++j) {
            piece->Sum += block.Items[j]->Place.Size;
            piece->Items.push_back(std::move(block.Items[j]));
        }
        piece->Renumber(0);
        block.Sum -= piece->Sum;
        pieces.push_back(std::move(piece));
    }
    block.Items.resize(kBlockSize);
    block.Renumber(kBlockSize);
    blocks_.insert(blocks_.begin() + k + 1, std::make_move_iterator(pieces.begin()),
                   std::make_move_iterator(pieces.end()));
    StructureChanged();
}

template <class T>
void TSummedList<T>::Erase(int index, int count) {
    if (count <= 0) return;
    int k = BlockOfIndex(index);
    auto slot = int32_t(index - blocks_[size_t(k)]->StartCount);
    bool structural = false;
    while (count > 0 && size_t(k) < blocks_.size()) {
        TSummedBlock<T>& block = *blocks_[size_t(k)];
        const int take = std::min(count, int(block.Items.size()) - slot);
        int64_t size = 0;
        for (int j = 0; j < take; ++j) size += block.Items[size_t(slot + j)]->Place.Size;
        block.Items.erase(block.Items.begin() + slot, block.Items.begin() + slot + take);
        block.Sum -= size;
        total_ -= size;
        count_ -= take;
        count -= take;
        if (block.Items.empty()) {
            blocks_.erase(blocks_.begin() + k);
            structural = true;
        } else {
            block.Renumber(slot);
            if (!structural) Add2(k, -take, -size);
            ++k;
        }
        slot = 0;
    }
    cacheBlock_ = -1;
    if (structural) StructureChanged();
}

template <class T>
void TSummedList<T>::Replace(int index, int count, std::vector<std::unique_ptr<T>>& with) {
    Erase(index, count);
    Insert(index, with);
    with.clear();
}

template <class T>
int TSummedList<T>::IndexOfSum(int64_t at) const {
    if (count_ == 0 || at <= 0) return 0;
    if (at >= total_) return count_ - 1;
    const int k = FindBlock(true, at);
    TSummedBlock<T>& block = *blocks_[size_t(k)];
    BlockStart(block);
    const auto size = int32_t(block.Items.size());
    block.MakeValid(size - 1);
    auto first = block.Before.begin(), last = first + size;
    auto it = std::upper_bound(first, last, at - block.StartSum);
    return int(block.StartCount) + int(it - first) - 1;
}
