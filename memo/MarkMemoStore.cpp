// The text store's paragraphs, a view's line lists, and the navigator's position arithmetic.
#include "MarkMemoStore.h"

#include <algorithm>
#include <new>

#include "MarkMemo.h"

void RaiseListIndex() {
    throw ERangeError("List index out of bounds");
}

// ---- paragraphs ----

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

int32_t TParagraphRec::StartOffset() const {
    return Place.Block ? int32_t(Place.Block->List->StartOf(*this)) : 0;
}

void TParagraphRec::Resized() {
    if (Place.Block) Place.Block->List->Resized(*this);
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

// ---- display lines ----

void TParagraphLines::SetSingleLine(int32_t length, uint8_t startStyle) {
    MoreLines.clear();
    Line0 = TLineRec{};
    Line0.EndOffset = length;
    Line0.StartStyle = startStyle;
}

int TParagraphLines::LineOf(int32_t offset) const {
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

int32_t TParagraphLines::FirstLine() const {
    return Place.Block ? int32_t(Place.Block->List->StartOf(*this)) : 0;
}

void TParagraphLines::Resized() {
    if (Place.Block) Place.Block->List->Resized(*this);
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

// ---- navigator ----

TMarkNavigator::TMarkNavigator(TMarkMemo* memo)
    : memo_(memo), doc_(memo ? &memo->Document() : nullptr) {
    if (doc_) doc_->navigators_.push_back(this);
}

TMarkNavigator::TMarkNavigator(TMarkMemoDocument& document) : doc_(&document) {
    doc_->navigators_.push_back(this);
}

TMarkNavigator::~TMarkNavigator() {
    if (OnFree) OnFree(this);
    if (doc_) std::erase(doc_->navigators_, this);
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

const TParagraphLines* TMarkNavigator::Lines() {
    return memo_ ? &memo_->ParagraphLines(GetParNb()) : nullptr;
}

void TMarkNavigator::SetPos(int32_t p) {
    if (!doc_) return;
    int32_t limit = doc_->CharCount() + 1;
    p = std::clamp(p, 0, limit);
    if (par_) {
        int32_t start = par_->StartOffset();
        bool inside = p >= start && p <= start + par_->Length() + 1;
        if (inside && p >= pos_) {
            offset_ = p - start;
            if (dynNb_ != MaxInt)
                while (dynNb_ < par_->AttrCount() && par_->Attrs[size_t(dynNb_)].Offset < offset_)
                    ++dynNb_;
            if (lineNb_ != MaxInt) {
                const TParagraphLines* lines = Lines();
                if (!lines)
                    lineNb_ = 0;
                else
                    while (lineNb_ < lines->LineCount() - 1 &&
                           lines->Line(lineNb_).EndOffset <= offset_)
                        ++lineNb_;
            }
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
    const auto& pars = doc_->pars_;
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
    GetPar();
    const TParagraphLines* lines = Lines();
    if (!lines) return lineNb_ = 0;
    if (lineNb_ == MaxInt || lineNb_ >= lines->LineCount()) lineNb_ = lines->LineOf(offset_);
    return lineNb_;
}

int32_t TMarkNavigator::GetAbsLine() {
    const int line = GetLineNb();
    const TParagraphLines* lines = Lines();
    return line + (lines ? lines->FirstLine() : parNb_);
}

void TMarkNavigator::SetAbsLine(int32_t line) {
    if (!doc_) return;
    const auto& pars = doc_->pars_;
    if (!memo_) {  // one line per paragraph
        parNb_ = std::clamp(line, 0, pars.Count() - 1);
        par_ = &pars[parNb_];
        lineNb_ = 0;
        offset_ = 0;
        pos_ = par_->StartOffset();
        dynNb_ = MaxInt;
        return;
    }
    const TLayoutLines& layout = memo_->layout_;
    int32_t total = int32_t(layout.TotalLines());
    if (total <= 0) {
        SetPos(0);
        return;
    }
    line = std::clamp(line, 0, total - 1);
    parNb_ = layout.IndexOfLine(line);
    par_ = &pars[parNb_];
    const TParagraphLines& lines = layout[parNb_];
    lineNb_ = std::min(line - lines.FirstLine(), lines.LineCount() - 1);
    offset_ = lines.Line(lineNb_).StartOffset;
    pos_ = par_->StartOffset() + offset_;
    dynNb_ = MaxInt;
}

int32_t TMarkNavigator::GetColumn() {
    int l = GetLineNb();
    const TParagraphLines* lines = Lines();
    return offset_ - (lines ? lines->Line(l).StartOffset : 0);
}

void TMarkNavigator::SetColumn(int32_t column) {
    int l = GetLineNb();
    const TParagraphLines* lines = Lines();
    int32_t from = 0, to = par_->Length();
    if (lines) {
        from = lines->Line(l).StartOffset;
        to = lines->Line(l).EndOffset;
    }
    SetPos(par_->StartOffset() + from + std::clamp(column, 0, to - from));
}

int TMarkNavigator::GetDynNb() {
    TParagraphRec& par = GetPar();
    if (dynNb_ == MaxInt) dynNb_ = par.AttrsBefore(offset_);
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
    const auto& pars = doc_->pars_;
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
    const auto& pars = doc_->pars_;
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
    if (!doc_ || !doc_->StaticFormat()) return 0;
    TParagraphRec& par = GetPar();
    const TParagraphLines* lines = Lines();
    int32_t from = 0;
    uint8_t style = par.StartStyle;
    if (lines) {
        const TLineRec& line = lines->Line(GetLineNb());
        from = std::min(line.StartOffset, par.Length());
        style = line.StartStyle;
    }
    int32_t to = std::clamp(offset_, from, par.Length());
    return AdvanceStaticStyle(style,
                              std::string_view(par.Text).substr(size_t(from), size_t(to - from)));
}

std::string TMarkNavigator::CopyText(int32_t n) {
    if (!doc_) return {};
    int p = GetParNb();
    return doc_->pars_.CopyText(p, offset_, n);
}
