// The text store's containers and the navigator's position arithmetic.
#include "MarkMemoStore.h"

#include <algorithm>
#include <new>

#include "MarkMemo.h"

namespace {

[[noreturn]] void RaiseListIndex() { throw ERangeError("List index out of bounds"); }

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
    if (par_) par_->SetLineCount(n);
}

int TLinesList::Add(const TLineRec& rec) {
    if (!par_) RaiseListIndex();
    par_->MoreLines.push_back(rec);
    return par_->LineCount() - 1;
}

TParagraphRec& TParagraphsList::Get(int i) const {
    if (i < 0 || i >= Count()) RaiseListIndex();
    return *items_[size_t(i)];
}

void TParagraphsList::SetCount(int n) {
    if (n < 0) n = 0;
    size_t old = items_.size();
    items_.resize(size_t(n));
    for (size_t i = old; i < items_.size(); ++i) items_[i] = std::make_unique<TParagraphRec>();
}

int TParagraphsList::Add(TParagraphRec rec) {
    items_.push_back(std::make_unique<TParagraphRec>(std::move(rec)));
    return Count() - 1;
}

void TParagraphsList::Replace(int index, int count,
                              std::vector<std::unique_ptr<TParagraphRec>>& with) {
    auto first = items_.begin() + index;
    size_t common = std::min(size_t(count), with.size());
    for (size_t i = 0; i < common; ++i) first[ptrdiff_t(i)] = std::move(with[i]);
    if (with.size() > size_t(count)) {
        items_.insert(first + ptrdiff_t(common), std::make_move_iterator(with.begin() + ptrdiff_t(common)),
                      std::make_move_iterator(with.end()));
    } else if (with.size() < size_t(count)) {
        items_.erase(first + ptrdiff_t(common), first + count);
    }
    with.clear();
}

int TParagraphsList::IndexOfOffset(int32_t pos) const {
    auto it = std::upper_bound(items_.begin(), items_.end(), pos,
                               [](int32_t p, const auto& par) { return p < par->StartOffset; });
    if (it == items_.begin()) return 0;
    return int(it - items_.begin()) - 1;
}

int TParagraphsList::IndexOfLine(int32_t line) const {
    auto it = std::upper_bound(items_.begin(), items_.end(), line,
                               [](int32_t l, const auto& par) { return l < par->FirstLine; });
    if (it == items_.begin()) return 0;
    return int(it - items_.begin()) - 1;
}

std::string TParagraphsList::CopyText(int index, int32_t offset, int32_t n) const {
    std::string out;
    int p = index;
    int32_t off = offset;
    while (n > 0 && p < Count()) {
        const TParagraphRec& par = *items_[size_t(p)];
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
        int32_t start = par_->StartOffset;
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
    offset_ = std::min(pos_ - par_->StartOffset, par_->Length() + 1);
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

int32_t TMarkNavigator::GetAbsLine() { return GetLineNb() + GetPar().FirstLine; }

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
    lineNb_ = std::min(line - par_->FirstLine, par_->LineCount() - 1);
    offset_ = par_->Line(lineNb_).StartOffset;
    pos_ = par_->StartOffset + offset_;
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
    SetPos(par_->StartOffset + target);
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
            int32_t at = par.StartOffset + par.Attrs[size_t(d)].Offset;
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
            int32_t at = par.StartOffset + par.Attrs[size_t(d)].Offset;
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
