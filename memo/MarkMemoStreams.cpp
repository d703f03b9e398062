// The memo's text streams: plain text in and out, and the little-endian binary image.
#include "MarkMemo.h"

#include "platform/EventLoop.h"

#include <cstring>

namespace {

constexpr int64_t kReadPiece = 65500;

// Drops every pair of equal format codes that only other codes separate: such a pair
// changes nothing.
std::string CompactedCodes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (!IsFormatCode((unsigned char)text[i])) {
            out += text[i++];
            continue;
        }
        size_t end = i;
        while (end < text.size() && IsFormatCode((unsigned char)text[end])) ++end;
        for (size_t k = i; k < end; ++k) {
            unsigned char c = (unsigned char)text[k];
            bool first = true;
            int count = 0;
            for (size_t m = i; m < end; ++m) {
                if ((unsigned char)text[m] != c) continue;
                if (m < k) first = false;
                ++count;
            }
            if (first && count % 2 == 1) out += char(c);
        }
        i = end;
    }
    return out;
}

// ---- little-endian image ----

void PutInt(std::string& out, int32_t v) {
    auto u = uint32_t(v);
    for (int i = 0; i < 4; ++i) out += char((u >> (8 * i)) & 0xFF);
}
void PutShort(std::string& out, uint16_t v) {
    out += char(v & 0xFF);
    out += char(v >> 8);
}

class TImageReader {
public:
    explicit TImageReader(std::string_view data) : data_(data) {}
    size_t Remaining() const { return data_.size() - pos_; }
    void Need(size_t n) const {
        if (Remaining() < n) Fail();
    }
    int32_t Int() {
        Need(4);
        uint32_t u = 0;
        for (int i = 0; i < 4; ++i)
            u |= uint32_t((unsigned char)data_[pos_ + size_t(i)]) << (8 * i);
        pos_ += 4;
        return int32_t(u);
    }
    uint16_t Short() {
        Need(2);
        auto v = uint16_t((unsigned char)data_[pos_] | ((unsigned char)data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    uint8_t Byte() {
        Need(1);
        return (uint8_t)data_[pos_++];
    }
    std::string_view Bytes(size_t n) {
        Need(n);
        auto v = data_.substr(pos_, n);
        pos_ += n;
        return v;
    }
    [[noreturn]] static void Fail() { throw EMarkMemoError("Invalid memo image"); }

private:
    std::string_view data_;
    size_t pos_ = 0;
};

constexpr size_t kLineBytes = 36;
constexpr size_t kAttrBytes = 56;
constexpr size_t kParBytes = 20;
// Line widths in an image stay far enough below MaxInt that the pixel arithmetic of
// alignment and justification (client width less margins less width) cannot overflow.
constexpr int32_t kMaxLineWidth = MaxInt / 2;

void PutLine(std::string& out, const TLineRec& l) {
    PutInt(out, l.StartOffset);
    PutInt(out, l.EndOffset);
    PutInt(out, l.Width);
    PutInt(out, l.FullWidth);
    PutInt(out, l.Reserved);
    PutInt(out, l.SpaceCount);
    PutInt(out, l.JustifyFrom);
    PutInt(out, l.StartStyle);
    PutInt(out, l.StartAttr);
}

TLineRec ReadLine(TImageReader& in) {
    TLineRec l;
    l.StartOffset = in.Int();
    l.EndOffset = in.Int();
    l.Width = in.Int();
    l.FullWidth = in.Int();
    l.Reserved = in.Int();
    l.SpaceCount = in.Int();
    l.JustifyFrom = in.Int();
    l.StartStyle = uint8_t(in.Int() & 0xFF);
    l.StartAttr = in.Int();
    return l;
}

void PutAttr(std::string& out, const TAttributeRec& a) {
    PutInt(out, a.Offset);
    out += char(a.Style);
    out += char(a.Level);
    PutShort(out, 0);
    PutInt(out, a.BackColor);
    PutInt(out, a.TextColor);
    PutShort(out, uint16_t(a.Context));
    PutShort(out, uint16_t(a.Cursor));
    for (uint16_t k : a.KeyStack) PutShort(out, k);
    out += char(a.KeyRemain);
    out += char(a.KeyLength);
    PutShort(out, 0);
}

TAttributeRec ReadAttr(TImageReader& in) {
    TAttributeRec a;
    a.Offset = in.Int();
    a.Style = in.Byte();
    a.Level = int8_t(in.Byte());
    in.Short();
    a.BackColor = in.Int();
    a.TextColor = in.Int();
    a.Context = int16_t(in.Short());
    a.Cursor = int16_t(in.Short());
    for (uint16_t& k : a.KeyStack) k = in.Short();
    a.KeyRemain = in.Byte();
    a.KeyLength = in.Byte();
    in.Short();
    return a;
}

std::string ReadRest(TStream& stream) {
    std::string data;
    int64_t size = stream.Size() - stream.Position();
    if (size > 0) data.reserve(size_t(size));
    char buffer[kReadPiece];
    for (;;) {
        int64_t got = stream.Read(buffer, kReadPiece);
        if (got <= 0) break;
        data.append(buffer, size_t(got));
    }
    return data;
}

}  // namespace

void TMarkMemo::FireProgress(bool force) {
    const int64_t now = TickCount();
    if (force || now - lastProgressMs_ > 300) {
        lastProgressMs_ = now;
        if (OnProgress) OnProgress(this);
    }
}

// ---- plain text ----

void TMarkMemo::LoadFromStream(TStream& stream) {
    std::string data = ReadRest(stream);
    LoadText(data);
}

void TMarkMemo::LoadText(std::string_view text) {
    lastProgressMs_ = TickCount();
    loading_ = true;
    try {
        doc_->LoadText(text, NullReplacement, [this] { FireProgress(false); });
    } catch (...) {
        loading_ = false;
        AfterLoad();
        throw;
    }
    loading_ = false;
    AfterLoad();
    if (OnParse) OnParse(this, 0, CharCount());
    FireProgress(true);
}

void TMarkMemo::AfterLoad() {
    view_.Reset();
    changePending_ = true;
    if (WindowExists()) {
        MarkForLayout();
        ViewScrollRangesChanged();
        ViewCaretChanged();
        ReportChange(0, -1, 0);
    }
    if (UpdateLock() == 0) UpdateDisplay();
}

void TMarkMemo::SaveToStream(TStream& stream) {
    static const char* const breaks[] = {"\r\n", "\n\r", "\r", "\n"};
    std::string_view lineBreak = breaks[LineBreak];
    bool compact = StaticFormat() && CompactCodes;
    bool discard = options_ & pmoDiscardTrailingSpaces;
    lastProgressMs_ = TickCount();
    const TParagraphsList& pars = ParagraphList();
    std::string out;
    for (int i = 0; i < pars.Count(); ++i) {
        std::string_view text = pars[i].Text;
        std::string compacted;
        if (compact) {
            compacted = CompactedCodes(text);
            text = compacted;
        }
        if (discard) text = TrimTrailingBlanks(text);
        out.append(text);
        if (i + 1 < pars.Count()) out.append(lineBreak);
        if (out.size() >= size_t(kReadPiece)) {
            stream.WriteBuffer(out.data(), int64_t(out.size()));
            out.clear();
            FireProgress(false);
        }
    }
    if (!out.empty()) stream.WriteBuffer(out.data(), int64_t(out.size()));
    FireProgress(true);
}

// ---- binary image ----

void TMarkMemo::SaveBinary(TStream& stream) {
    std::string out;
    PutInt(out, CharCount());
    PutInt(out, LineCount());
    PutInt(out, widestWidth_);
    const TParagraphsList& pars = ParagraphList();
    PutInt(out, pars.Count());
    for (int i = 0; i < pars.Count(); ++i) {
        const TParagraphRec& par = pars[i];
        const TParagraphLines& lines = layout_[i];
        PutInt(out, par.Length());
        PutInt(out, lines.FirstLine());
        PutInt(out, par.StartOffset());
        PutInt(out, par.AttrCount());
        PutInt(out, lines.LineCount());
        for (int l = 0; l < lines.LineCount(); ++l) PutLine(out, lines.Line(l));
        for (const TAttributeRec& a : par.Attrs) PutAttr(out, a);
        out.append(par.Text);
    }
    stream.WriteBuffer(out.data(), int64_t(out.size()));
}

void TMarkMemo::LoadBinary(TStream& stream, bool relayout) {
    std::string data = ReadRest(stream);
    TImageReader in(data);
    TParagraphsList fresh;
    std::vector<TParagraphLines> freshLines;
    int32_t charCount = 0, lineCount = 0, widest = 0;
    try {
        charCount = in.Int();
        lineCount = in.Int();
        widest = in.Int();
        if (widest < 0) TImageReader::Fail();
        int32_t count = in.Int();
        if (count < 1 || size_t(count) > in.Remaining() / kParBytes) TImageReader::Fail();
        int64_t offset = 0, line = 0;
        TStartState state = FreshStartState();
        for (int32_t p = 0; p < count; ++p) {
            TParagraphRec par;
            TParagraphLines parLines;
            int32_t length = in.Int();
            const int32_t firstLine = in.Int();
            const int32_t startOffset = in.Int();
            int32_t attrCount = in.Int();
            int32_t lines = in.Int();
            if (length < 0 || length > MaxParagraphLength || attrCount < 0 || lines < 1 ||
                firstLine != line || startOffset != offset)
                TImageReader::Fail();
            in.Need(size_t(lines) * kLineBytes + size_t(attrCount) * kAttrBytes + size_t(length));
            parLines.SetLineCount(lines);
            for (int l = 0; l < lines; ++l) {
                TLineRec rec = ReadLine(in);
                int32_t expectedStart = l == 0 ? 0 : parLines.Line(l - 1).EndOffset;
                if (rec.StartOffset != expectedStart || rec.EndOffset < rec.StartOffset ||
                    rec.EndOffset > length || rec.StartAttr < 0 || rec.StartAttr > attrCount ||
                    rec.Width < 0 || rec.FullWidth < rec.Width || rec.FullWidth > kMaxLineWidth ||
                    rec.SpaceCount < 0 || rec.SpaceCount > rec.EndOffset - rec.StartOffset ||
                    rec.JustifyFrom < rec.StartOffset || rec.JustifyFrom > rec.EndOffset)
                    TImageReader::Fail();
                parLines.Line(l) = rec;
            }
            if (parLines.LastLine().EndOffset != length) TImageReader::Fail();
            par.Attrs.reserve(size_t(attrCount));
            for (int a = 0; a < attrCount; ++a) {
                TAttributeRec rec = ReadAttr(in);
                int32_t floor = a == 0 ? 0 : par.Attrs.back().Offset;
                if (rec.Offset < floor || rec.Offset > length || rec.Level < -1 ||
                    rec.Level > MaxNestingLevel)
                    TImageReader::Fail();
                par.Attrs.push_back(rec);
            }
            par.Text.assign(in.Bytes(size_t(length)));
            par.StartState = state;
            if (!par.Attrs.empty()) state = NewStartState(par.Attrs.back());
            par.KeywordsParsed = par.StartStopScanned = 1;
            par.StartStyle = parLines.Line0.StartStyle;
            offset += int64_t(length) + 2;
            line += lines;
            if (offset - 2 > MaxInt) throw EMarkMemoError("Text too long");
            fresh.Add(std::move(par));
            freshLines.push_back(std::move(parLines));
        }
        if (offset - 2 != charCount || line != lineCount || in.Remaining() != 0)
            TImageReader::Fail();
    } catch (...) {
        doc_->ResetStore();
        changePending_ = true;
        if (UpdateLock() == 0) UpdateDisplay();
        throw;
    }
    const bool measureAgain = relayout && WindowExists();
    loading_ = true;
    doc_->Adopt(std::move(fresh), true);
    loading_ = false;
    for (int i = 0; i < layout_.Count(); ++i) {
        TParagraphLines& lines = layout_[i];
        lines.Line0 = freshLines[size_t(i)].Line0;
        lines.MoreLines = std::move(freshLines[size_t(i)].MoreLines);
        lines.Formatted = measureAgain ? 0 : 1;
        lines.DirtyLine = measureAgain ? 0 : MaxInt;
        lines.Resized();
    }
    widestWidth_ = widest;
    changedFirst_ = changedLast_ = -1;
    linesBeforeChange_ = -1;
    firstDirty_ = measureAgain ? 0 : MaxInt;
    view_.Reset();
    changePending_ = true;
    if (measureAgain) MarkForLayout();
    ViewScrollRangesChanged();
    ViewCaretChanged();
    ReportChange(0, -1, 0);
    if (UpdateLock() == 0) UpdateDisplay();
}
