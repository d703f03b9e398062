// The text store's containers and the navigator's position arithmetic.
#include "MarkMemoStore.h"

#include <algorithm>
#include <new>

#include "MarkMemo.h"

namespace {

[[noreturn]] void RaiseListIndex() {
    throw ERangeError("List index out of bounds");
}

}  // namespace

void TParagraphRec::SetSingleLine(uint8_t startStyle) {
    MoreLines.clear();
    Line0 = TLineRec{};
    Line0.EndOffset = Length();
    Line0.StartStyle = startStyle;
}

int TParagraphRec::LineOf(int32_t offset) const {
    int lo = 0, hi = LineCount() - 1;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (Line(mid).EndOffset > offset)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

int TParagraphRec::AttrsBefore(int32_t offset) const {
    auto it = std::lower_bound(Attrs.begin(), Attrs.end(), offset,
                               [](const TAttributeRec& a, int32_t o) { return a.Offset < o; });
    return int(it - Attrs.begin());
}

int TParagraphRec::AttrsUpTo(int32_t offset) const {
    auto it = std::upper_bound(Attrs.begin(), Attrs.end(), offset,
                               [](int32_t o, const TAttributeRec& a) { return o < a.Offset; });
    return int(it - Attrs.begin());
}

TLineRec& TLinesList::Get(int i) const {
    if (!par_ || i < 0 || i >= par_->LineCount()) RaiseListIndex();
    return par_->Line(i);
}

void TLinesList::SetCount(int n) {
    if (n > 59652323) throw std::bad_alloc();
    if (!par_) return;
    par_->SetLineCount(n);
    par_->Resized();
}

int TLinesList::Add(const TLineRec& rec) {
    if (!par_) RaiseListIndex();
    par_->MoreLines.push_back(rec);
    par_->Resized();
    return par_->LineCount() - 1;
}

// ---- paragraph sizes and places ----

int32_t TParagraphRec::StartOffset() const {
    return Place.Block ? int32_t(Place.Block->List->StartChars(*this)) : 0;
}

int32_t TParagraphRec::FirstLine() const {
    return Place.Block ? int32_t(Place.Block->List->StartLines(*this)) : 0;
}

void TParagraphRec::Resized() {
    if (Place.Block) Place.Block->List->Resized(*this);
}

void TParagraphBlock::Renumber(int32_t from) {
    for (size_t i = size_t(from); i < Items.size(); ++i) {
        Items[i]->Place.Block = this;
        Items[i]->Place.Slot = int32_t(i);
    }
    CharsBefore.resize(Items.size() + 1);
    LinesBefore.resize(Items.size() + 1);
    CharsBefore[0] = 0;
    LinesBefore[0] = 0;
    Valid = std::min(Valid, from);
}

void TParagraphBlock::MakeValid(int32_t upTo) {
    for (; Valid < upTo; ++Valid) {
        const TParagraphPlace& place = Items[size_t(Valid)]->Place;
        CharsBefore[size_t(Valid) + 1] = CharsBefore[size_t(Valid)] + place.Chars;
        LinesBefore[size_t(Valid) + 1] = LinesBefore[size_t(Valid)] + place.Lines;
    }
}

// ---- the paragraph list ----

TParagraphsList& TParagraphsList::operator=(TParagraphsList&& other) noexcept {
    if (this == &other) return *this;
    blocks_ = std::move(other.blocks_);
    count_ = other.count_;
    totalChars_ = other.totalChars_;
    totalLines_ = other.totalLines_;
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

TParagraphsList::~TParagraphsList() = default;

void TParagraphsList::Clear() {
    blocks_.clear();
    count_ = 0;
    totalChars_ = totalLines_ = 0;
    StructureChanged();
}

void TParagraphsList::StructureChanged() {
    treesStale_ = true;
    cacheBlock_ = -1;
    ++stamp_;
}

void TParagraphsList::Rebuild() const {
    const size_t n = blocks_.size();
    treeCount_.assign(n + 1, 0);
    treeChars_.assign(n + 1, 0);
    treeLines_.assign(n + 1, 0);
    for (size_t i = 0; i < n; ++i) {
        TParagraphBlock& block = *blocks_[i];
        block.Index = int(i);
        treeCount_[i + 1] += int64_t(block.Items.size());
        treeChars_[i + 1] += block.Chars;
        treeLines_[i + 1] += block.Lines;
        size_t up = (i + 1) + ((i + 1) & -(i + 1));
        if (up <= n) {
            treeCount_[up] += treeCount_[i + 1];
            treeChars_[up] += treeChars_[i + 1];
            treeLines_[up] += treeLines_[i + 1];
        }
    }
    treesStale_ = false;
    ++stamp_;
}

void TParagraphsList::Add3(int block, int64_t count, int64_t chars, int64_t lines) {
    ++stamp_;
    if (treesStale_) return;  // the rebuild counts it
    const size_t n = blocks_.size();
    for (size_t i = size_t(block) + 1; i <= n; i += i & -i) {
        treeCount_[i] += count;
        treeChars_[i] += chars;
        treeLines_[i] += lines;
    }
}

void TParagraphsList::BlockStart(const TParagraphBlock& block) const {
    if (treesStale_) Rebuild();
    if (block.Stamp == stamp_) return;
    int64_t count = 0, chars = 0, lines = 0;
    for (size_t i = size_t(block.Index); i > 0; i -= i & -i) {
        count += treeCount_[i];
        chars += treeChars_[i];
        lines += treeLines_[i];
    }
    block.StartCount = count;
    block.StartChars = chars;
    block.StartLines = lines;
    block.Stamp = stamp_;
}

int TParagraphsList::FindBlock(int which, int64_t target) const {
    if (treesStale_) Rebuild();
    const std::vector<int64_t>& tree = which == 0   ? treeCount_
                                       : which == 1 ? treeChars_
                                                    : treeLines_;
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

int TParagraphsList::BlockOfIndex(int i) const {
    int k = FindBlock(0, i);
    BlockStart(*blocks_[size_t(k)]);
    return k;
}

TParagraphRec& TParagraphsList::Locate(int i) const {
    if (cacheBlock_ >= 0) {
        const TParagraphBlock* block = blocks_[size_t(cacheBlock_)].get();
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
    const TParagraphBlock& block = *blocks_[size_t(k)];
    cacheBlock_ = k;
    cacheFirst_ = int(block.StartCount);
    return *block.Items[size_t(i - cacheFirst_)];
}

TParagraphRec& TParagraphsList::Get(int i) const {
    if (i < 0 || i >= Count()) RaiseListIndex();
    return Locate(i);
}

int TParagraphsList::IndexOf(const TParagraphRec& par) const {
    BlockStart(*par.Place.Block);
    return int(par.Place.Block->StartCount) + par.Place.Slot;
}

int64_t TParagraphsList::StartChars(const TParagraphRec& par) const {
    TParagraphBlock& block = *par.Place.Block;
    BlockStart(block);
    block.MakeValid(par.Place.Slot);
    return block.StartChars + block.CharsBefore[size_t(par.Place.Slot)];
}

int64_t TParagraphsList::StartLines(const TParagraphRec& par) const {
    TParagraphBlock& block = *par.Place.Block;
    BlockStart(block);
    block.MakeValid(par.Place.Slot);
    return block.StartLines + block.LinesBefore[size_t(par.Place.Slot)];
}

void TParagraphsList::Resized(TParagraphRec& par) {
    TParagraphPlace& place = par.Place;
    const int32_t chars = par.Length() + 2, lines = par.LineCount();
    const int64_t dChars = chars - place.Chars, dLines = lines - place.Lines;
    if (dChars == 0 && dLines == 0) return;
    place.Chars = chars;
    place.Lines = lines;
    TParagraphBlock& block = *place.Block;
    block.Chars += dChars;
    block.Lines += dLines;
    block.Valid = std::min(block.Valid, place.Slot);
    totalChars_ += dChars;
    totalLines_ += dLines;
    const bool current = block.Stamp == stamp_;
    Add3(block.Index, 0, dChars, dLines);
    if (current && !treesStale_) block.Stamp = stamp_;  // only later blocks moved
}

void TParagraphsList::Adopt(TParagraphBlock& block, int32_t slot,
                            std::unique_ptr<TParagraphRec> par) {
    TParagraphPlace& place = par->Place;
    place.Block = &block;
    place.Chars = par->Length() + 2;
    place.Lines = par->LineCount();
    block.Chars += place.Chars;
    block.Lines += place.Lines;
    totalChars_ += place.Chars;
    totalLines_ += place.Lines;
    ++count_;
    block.Items.insert(block.Items.begin() + slot, std::move(par));
}

void TParagraphsList::SetCount(int n) {
    if (n < 0) n = 0;
    if (n < count_) Erase(n, count_ - n);
    while (count_ < n) Add(TParagraphRec{});
}

int TParagraphsList::Add(TParagraphRec rec) {
    if (blocks_.empty() || blocks_.back()->Items.size() >= size_t(kBlockSize)) {
        auto block = std::make_unique<TParagraphBlock>();
        block->List = this;
        block->Index = int(blocks_.size());
        blocks_.push_back(std::move(block));
        StructureChanged();
    }
    TParagraphBlock& block = *blocks_.back();
    const auto slot = int32_t(block.Items.size());
    Adopt(block, slot, std::make_unique<TParagraphRec>(std::move(rec)));
    block.Renumber(slot);
    const TParagraphPlace& place = block.Items.back()->Place;
    const bool current = block.Stamp == stamp_;
    Add3(block.Index, 1, place.Chars, place.Lines);
    if (current && !treesStale_) block.Stamp = stamp_;
    return count_ - 1;
}

void TParagraphsList::Put(int i, const TParagraphRec& rec) {
    TParagraphRec& par = Get(i);
    par = rec;
    par.Resized();
}

void TParagraphsList::Insert(int index, std::vector<std::unique_ptr<TParagraphRec>>& items) {
    if (items.empty()) return;
    if (index >= count_) {
        for (auto& item : items) Add(std::move(*item));
        items.clear();
        return;
    }
    const int k = BlockOfIndex(index);
    TParagraphBlock& block = *blocks_[size_t(k)];
    const auto slot = int32_t(index - block.StartCount);
    const int64_t chars0 = block.Chars, lines0 = block.Lines;
    for (size_t i = 0; i < items.size(); ++i) Adopt(block, slot + int32_t(i), std::move(items[i]));
    block.Renumber(slot);
    Add3(k, int64_t(items.size()), block.Chars - chars0, block.Lines - lines0);
    items.clear();
    cacheBlock_ = -1;
    if (block.Items.size() <= size_t(2 * kBlockSize)) return;
    // split the block into pieces of kBlockSize
    std::vector<std::unique_ptr<TParagraphBlock>> pieces;
    for (size_t from = kBlockSize; from < block.Items.size(); from += kBlockSize) {
        auto piece = std::make_unique<TParagraphBlock>();
        piece->List = this;
        size_t to = std::min(from + kBlockSize, block.Items.size());
        for (size_t j = from; j < to; ++j) {
            piece->Chars += block.Items[j]->Place.Chars;
            piece->Lines += block.Items[j]->Place.Lines;
            piece->Items.push_back(std::move(block.Items[j]));
        }
        piece->Renumber(0);
        block.Chars -= piece->Chars;
        block.Lines -= piece->Lines;
        pieces.push_back(std::move(piece));
    }
    block.Items.resize(kBlockSize);
    block.Renumber(kBlockSize);
    blocks_.insert(blocks_.begin() + k + 1, std::make_move_iterator(pieces.begin()),
                   std::make_move_iterator(pieces.end()));
    StructureChanged();
}

void TParagraphsList::Erase(int index, int count) {
    if (count <= 0) return;
    int k = BlockOfIndex(index);
    auto slot = int32_t(index - blocks_[size_t(k)]->StartCount);
    bool structural = false;
    while (count > 0 && size_t(k) < blocks_.size()) {
        TParagraphBlock& block = *blocks_[size_t(k)];
        const int take = std::min(count, int(block.Items.size()) - slot);
        int64_t chars = 0, lines = 0;
        for (int j = 0; j < take; ++j) {
            const TParagraphPlace& place = block.Items[size_t(slot + j)]->Place;
            chars += place.Chars;
            lines += place.Lines;
        }
        block.Items.erase(block.Items.begin() + slot, block.Items.begin() + slot + take);
        block.Chars -= chars;
        block.Lines -= lines;
        totalChars_ -= chars;
        totalLines_ -= lines;
        count_ -= take;
        count -= take;
        if (block.Items.empty()) {
            blocks_.erase(blocks_.begin() + k);
            structural = true;
        } else {
            block.Renumber(slot);
            if (!structural) Add3(k, -take, -chars, -lines);
            ++k;
        }
        slot = 0;
    }
    cacheBlock_ = -1;
    if (structural) StructureChanged();
}

void TParagraphsList::Replace(int index, int count,
                              std::vector<std::unique_ptr<TParagraphRec>>& with) {
    Erase(index, count);
    Insert(index, with);
    with.clear();
}

int TParagraphsList::IndexOfOffset(int32_t pos) const {
    if (count_ == 0 || pos <= 0) return 0;
    if (pos >= totalChars_) return count_ - 1;
    const int k = FindBlock(1, pos);
    TParagraphBlock& block = *blocks_[size_t(k)];
    BlockStart(block);
    const auto size = int32_t(block.Items.size());
    block.MakeValid(size - 1);
    auto first = block.CharsBefore.begin(), last = first + size;
    auto it = std::upper_bound(first, last, pos - block.StartChars);
    return int(block.StartCount) + int(it - first) - 1;
}

int TParagraphsList::IndexOfLine(int32_t line) const {
    if (count_ == 0 || line <= 0) return 0;
    if (line >= totalLines_) return count_ - 1;
    const int k = FindBlock(2, line);
    TParagraphBlock& block = *blocks_[size_t(k)];
    BlockStart(block);
    const auto size = int32_t(block.Items.size());
    block.MakeValid(size - 1);
    auto first = block.LinesBefore.begin(), last = first + size;
    auto it = std::upper_bound(first, last, line - block.StartLines);
    return int(block.StartCount) + int(it - first) - 1;
}

std::string TParagraphsList::CopyText(int index, int32_t offset, int32_t n) const {
    std::string out;
    int p = index;
    int32_t off = offset;
    while (n > 0 && p < Count()) {
        const TParagraphRec& par = (*this)[p];
        if (off < par.Length()) {
            int32_t take = std::min(n, par.Length() - off);
            out.append(par.Text, size_t(off), size_t(take));
            n -= take;
            off += take;
            continue;
        }
        if (p == Count() - 1) break;  // no break after the last paragraph
        if (off == par.Length()) {
            out += '\r';
            if (--n == 0) break;
        }
        out += '\n';
        --n;
        ++p;
        off = 0;
    }
    return out;
}

// ---- navigator ----

TMarkNavigator::TMarkNavigator(TMarkMemo* memo) : memo_(memo) {
    if (memo_) memo_->navigators_.push_back(this);
}

TMarkNavigator::~TMarkNavigator() {
    if (OnFree) OnFree(this);
    if (memo_) {
        auto& list = memo_->navigators_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

void TMarkNavigator::Reset() {
    par_ = nullptr;
    parNb_ = -1;
    dynNb_ = MaxInt;
    lineNb_ = MaxInt;
}

void TMarkNavigator::Assign(const TMarkNavigator& other) {
    pos_ = other.pos_;
    par_ = other.par_;
    parNb_ = other.parNb_;
    offset_ = other.offset_;
    dynNb_ = other.dynNb_;
    lineNb_ = other.lineNb_;
}

void TMarkNavigator::SetPos(int32_t p) {
    if (!memo_) return;
    int32_t limit = memo_->CharCount() + 1;
    p = std::clamp(p, 0, limit);
    if (par_) {
        int32_t start = par_->StartOffset();
        bool inside = p >= start && p <= start + par_->Length() + 1;
        if (inside && p >= pos_) {
            offset_ = p - start;
            if (dynNb_ != MaxInt)
                while (dynNb_ < par_->AttrCount() && par_->Attrs[size_t(dynNb_)].Offset < offset_)
                    ++dynNb_;
            if (lineNb_ != MaxInt)
                while (lineNb_ < par_->LineCount() - 1 && par_->Line(lineNb_).EndOffset <= offset_)
                    ++lineNb_;
        } else {
            dynNb_ = MaxInt;
            lineNb_ = MaxInt;
            if (inside)
                offset_ = p - start;
            else
                Reset();
        }
    }
    pos_ = p;
}

void TMarkNavigator::Resolve() {
    dynNb_ = MaxInt;
    lineNb_ = MaxInt;
    const auto& pars = memo_->pars_;
    parNb_ = pars.IndexOfOffset(pos_);
    par_ = &pars[parNb_];
    offset_ = std::min(pos_ - par_->StartOffset(), par_->Length() + 1);
}

int TMarkNavigator::GetParNb() {
    if (!par_) Resolve();
    return parNb_;
}

TParagraphRec& TMarkNavigator::GetPar() {
    if (!par_) Resolve();
    return *par_;
}

int32_t TMarkNavigator::GetOffset() {
    if (!par_) Resolve();
    return offset_;
}

int TMarkNavigator::GetLineNb() {
    TParagraphRec& par = GetPar();
    if (lineNb_ == MaxInt || lineNb_ >= par.LineCount()) lineNb_ = par.LineOf(offset_);
    return lineNb_;
}

int32_t TMarkNavigator::GetAbsLine() {
    return GetLineNb() + GetPar().FirstLine();
}

void TMarkNavigator::SetAbsLine(int32_t line) {
    if (!memo_) return;
    int32_t total = memo_->LineCount();
    if (total <= 0) {
        SetPos(0);
        return;
    }
    line = std::clamp(line, 0, total - 1);
    const auto& pars = memo_->pars_;
    parNb_ = pars.IndexOfLine(line);
    par_ = &pars[parNb_];
    lineNb_ = std::min(line - par_->FirstLine(), par_->LineCount() - 1);
    offset_ = par_->Line(lineNb_).StartOffset;
    pos_ = par_->StartOffset() + offset_;
    dynNb_ = MaxInt;
}

int32_t TMarkNavigator::GetColumn() {
    int l = GetLineNb();
    return offset_ - par_->Line(l).StartOffset;
}

void TMarkNavigator::SetColumn(int32_t column) {
    int l = GetLineNb();
    const TLineRec& line = par_->Line(l);
    int32_t length = line.EndOffset - line.StartOffset;
    int32_t target = line.StartOffset + std::clamp(column, 0, length);
    SetPos(par_->StartOffset() + target);
}

int TMarkNavigator::GetDynNb() {
    TParagraphRec& par = GetPar();
    if (dynNb_ == MaxInt) {
        int i = 0;
        while (i < par.AttrCount() && par.Attrs[size_t(i)].Offset < offset_) ++i;
        dynNb_ = i;
    }
    return dynNb_;
}

const TAttributeRec& TMarkNavigator::CurrentDyn() {
    int d = GetDynNb();
    return d == 0 ? par_->StartAttr() : par_->Attrs[size_t(d - 1)];
}

void TMarkNavigator::SkipDynAt() {
    int d = GetDynNb();
    while (d < par_->AttrCount() && par_->Attrs[size_t(d)].Offset == offset_) ++d;
    dynNb_ = d;
}

bool TMarkNavigator::NextDyn(int32_t limit) {
    SkipDynAt();
    int p = GetParNb();
    int d = dynNb_;
    const auto& pars = memo_->pars_;
    while (p < pars.Count()) {
        TParagraphRec& par = pars[p];
        if (d < par.AttrCount()) {
            int32_t at = par.StartOffset() + par.Attrs[size_t(d)].Offset;
            if (at > limit) return false;
            SetPos(at);
            return true;
        }
        ++p;
        d = 0;
    }
    return false;
}

bool TMarkNavigator::PrevDyn(int32_t limit) {
    int p = GetParNb();
    int d = -1;  // the last record before the offset
    while (d + 1 < par_->AttrCount() && par_->Attrs[size_t(d + 1)].Offset < offset_) ++d;
    const auto& pars = memo_->pars_;
    while (p >= 0) {
        TParagraphRec& par = pars[p];
        if (d >= 0 && d < par.AttrCount()) {
            int32_t at = par.StartOffset() + par.Attrs[size_t(d)].Offset;
            if (at < limit) return false;
            SetPos(at);
            return true;
        }
        if (--p >= 0) d = pars[p].AttrCount() - 1;
    }
    return false;
}

void TMarkNavigator::InsertDyn(const TAttributeRec& rec) {
    TParagraphRec& par = GetPar();
    int d = GetDynNb();
    TAttributeRec copy = rec;
    copy.Offset = std::min(offset_, par.Length());
    par.Attrs.insert(par.Attrs.begin() + d, copy);
    dynNb_ = d + 1;
}

void TMarkNavigator::DeleteDyn() {
    TParagraphRec& par = GetPar();
    int d = GetDynNb();
    if (d >= par.AttrCount() || par.Attrs[size_t(d)].Offset != offset_)
        throw EMarkMemoError("Internal MarkMemo error");
    par.Attrs.erase(par.Attrs.begin() + d);
    lineNb_ = MaxInt;
}

unsigned char TMarkNavigator::Char() {
    TParagraphRec& par = GetPar();
    if (offset_ < par.Length()) return (unsigned char)par.Text[size_t(offset_)];
    return offset_ == par.Length() ? 13 : 10;
}

uint8_t TMarkNavigator::StaticStyle() {
    if (!memo_ || !memo_->StaticFormat()) return 0;
    TParagraphRec& par = GetPar();
    const TLineRec& line = par.Line(GetLineNb());
    int32_t from = std::min(line.StartOffset, par.Length());
    int32_t to = std::clamp(offset_, from, par.Length());
    return AdvanceStaticStyle(line.StartStyle,
                              std::string_view(par.Text).substr(size_t(from), size_t(to - from)));
}

std::string TMarkNavigator::CopyText(int32_t n) {
    if (!memo_) return {};
    int p = GetParNb();
    return memo_->pars_.CopyText(p, offset_, n);
}
