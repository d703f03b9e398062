#include "RPMemo.h"

#include <algorithm>
#include <cmath>

#include "platform/Streams.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool EndsWord(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

void TMemoBuf::Clear() {
    buf_.clear();
    items_.clear();
    pos_ = 0;
    paraStart_ = true;
}

void TMemoBuf::SetText(const std::string& text) {
    if (text.empty()) {
        Clear();
        return;
    }
    SetData(text.data(), text.size());
}

void TMemoBuf::SetData(const char* data, size_t length) {
    Clear();
    std::string converted;
    if (RTFInput) {
        converted = RTFToRPTF(std::string(data, length));
        data = converted.data();
        length = converted.size();
    }
    if (!StripCommands || std::find(data, data + length, RPTFPrefix) == data + length) {
        buf_.assign(data, length);
        return;
    }
    for (size_t i = 0; i < length;) {
        if (data[i] != RPTFPrefix) {
            buf_ += data[i++];
            continue;
        }
        size_t end = i;
        while (end < length && data[end] != RPTFSuffix) ++end;
        std::string block(data + i, end < length ? end + 1 - i : length - i);
        if (block.back() != RPTFSuffix) block += RPTFSuffix;  // the text ended inside the block
        i = end < length ? end + 1 : length;
        if (!items_.empty() && items_.back().Pos == buf_.size()) {
            std::string& old = items_.back().Commands;
            old.pop_back();
            block[0] = RPTFSeparator;
            old += block;
        } else {
            items_.push_back({buf_.size(), block});
        }
    }
}

void TMemoBuf::SetData(TStream& stream) {
    int64_t size = stream.Size() - stream.Position();
    std::string data(size_t(std::max<int64_t>(size, 0)), '\0');
    int64_t got = data.empty() ? 0 : stream.Read(data.data(), int64_t(data.size()));
    data.resize(size_t(std::max<int64_t>(got, 0)));
    SetData(data.data(), data.size());
}

TBaseReport& TMemoBuf::Report() {
    if (!report_) RaiseError(Trans(SMemoNoReport));
    return *report_;
}

TRPTFItem TMemoBuf::FormatAt(size_t pos) const {
    TRPTFItem item;
    for (const TItem& i : items_) {
        if (i.Pos > pos) break;
        ApplyRPTFToItem(item, i.Commands);
    }
    return item;
}

std::string TMemoBuf::Slice(size_t from, size_t to, size_t blocksFrom) const {
    std::string out;
    auto it = std::lower_bound(items_.begin(), items_.end(), blocksFrom,
                               [](const TItem& i, size_t p) { return i.Pos < p; });
    for (size_t p = from; p < to; ++p) {
        while (it != items_.end() && it->Pos <= p) {
            if (it->Pos >= blocksFrom) out += it->Commands;
            ++it;
        }
        out += buf_[p];
    }
    return out;
}

int TMemoBuf::Measure(const std::string& line) {
    if (line.empty()) return 0;
    return RPTFTextWidth(Report(), line);
}

std::string TMemoBuf::GetLine(bool& endOfParagraph) {
    TBaseReport& r = Report();
    endOfParagraph = false;
    r.PushFont();
    std::string line;
    try {
        int width = r.XD(PrintEnd) - r.XD(PrintStart) + 1;
        size_t scan = pos_;
        while (scan < buf_.size() && IsBlank(buf_[scan])) ++scan;
        leftIndent_ = rightIndent_ = 0;
        if (!items_.empty()) {
            TRPTFItem format = FormatAt(scan);
            line = ResetRPTF(format);
            leftIndent_ = paraStart_ ? format.FirstIndent + format.LeftIndent : format.LeftIndent;
            rightIndent_ = format.RightIndent;
            int inch = int(std::lround(r.XDPI()));
            width =
                std::max(width - int(std::lround((leftIndent_ + rightIndent_) * r.XDPI())), inch);
        }
        bool haveWord = false;
        size_t lastEnd = pos_;  // blocks from here on are not in the line yet
        if (items_.empty() || !line.empty()) lastEnd = scan + 1;
        while (true) {
            size_t sepStart = pos_;
            size_t p = pos_;
            while (p < buf_.size() && IsBlank(buf_[p])) ++p;
            if (p >= buf_.size()) {
                pos_ = p;
                endOfParagraph = true;
                break;
            }
            if (buf_[p] == '\r' || buf_[p] == '\n') {
                if (buf_[p] == '\r' && p + 1 < buf_.size() && buf_[p + 1] == '\n') ++p;
                pos_ = p + 1;
                endOfParagraph = true;
                break;
            }
            // A line holds at most width + 1 visible bytes, so a longer word is only read
            // that far: it cannot fit and is broken within that stretch.
            size_t limit = p + size_t(std::max(width, 1)) + 2;
            size_t wordEnd = p;
            while (wordEnd < buf_.size() && wordEnd < limit && !EndsWord(buf_[wordEnd])) ++wordEnd;
            bool tooLong = wordEnd == limit && wordEnd < buf_.size() && !EndsWord(buf_[wordEnd]);
            // A wrapped line starts at its first word; a paragraph keeps its leading blanks.
            size_t from = haveWord || paraStart_ ? sepStart : p;
            // Leading blanks that leave no room for a character go, as blanks at a wrap do.
            if (!haveWord && from < p && Measure(line + Slice(from, p + 1, p + 1)) > width)
                from = p;
            std::string candidate = line + Slice(from, wordEnd, haveWord ? lastEnd : p + 1);
            if (!tooLong && Measure(candidate) <= width) {
                line = candidate;
                pos_ = wordEnd;
                lastEnd = wordEnd;
                haveWord = true;
                continue;
            }
            if (haveWord) break;  // the word waits for the next line
            // Not even the first word fits: it is broken, at least one character (with the
            // blocks in front of it) per line. The longest prefix that fits is searched for,
            // doubling then halving, so a long word costs a few measurements per line.
            std::string base = line + Slice(from, p, p + 1);
            auto prefix = [&](size_t n) { return base + Slice(p, p + n, p + 1); };
            size_t n = wordEnd - p, lo = 1, step = 2;
            while (step <= n && Measure(prefix(step)) <= width) {
                lo = step;
                step *= 2;
            }
            size_t hi = step <= n ? step - 1 : n;
            while (lo < hi) {
                size_t mid = (lo + hi + 1) / 2;
                if (Measure(prefix(mid)) <= width)
                    lo = mid;
                else
                    hi = mid - 1;
            }
            size_t q = p + lo;
            std::string grown = prefix(lo);
            line = grown;
            pos_ = q;
            break;
        }
        if (StripRPTF(line) == " ") line = items_.empty() ? "" : line.substr(0, line.size() - 1);
    } catch (...) {
        r.PopFont();
        throw;
    }
    r.PopFont();
    paraStart_ = endOfParagraph;
    return line;
}

int TMemoBuf::CountLines() {
    Report();
    TState saved{pos_, paraStart_};
    int count = 0;
    try {
        while (pos_ < buf_.size()) {
            bool eol;
            GetLine(eol);
            ++count;
        }
    } catch (...) {
        pos_ = saved.pos;
        paraStart_ = saved.paraStart;
        throw;
    }
    pos_ = saved.pos;
    paraStart_ = saved.paraStart;
    return count;
}

double TMemoBuf::PrintLines(int lines, bool printTabs) {
    TBaseReport& r = Report();
    if (PrintEnd <= PrintStart) RaiseError(Trans(SMemoPrintEnd));
    if (lines < 0) return 0;
    double total = 0;
    double budget = PrintHeight;
    int printed = 0;
    while (!(lines > 0 && printed >= lines) && !(lines == 0 && pos_ >= buf_.size())) {
        TState before{pos_, paraStart_};
        bool eol;
        std::string line = GetLine(eol);
        // The line's height: the report's, or with formatting and font-sized lines the
        // height its largest font gives. A line that overruns the budget is undone before
        // anything moves.
        bool fontSized = !items_.empty() && r.LineHeightMethod() == lhmFont;
        double fontHeight = fontSized ? RPTFMaxFontHeight(r, line) : 0;
        double h =
            fontSized ? fontHeight / r.UnitsFactor() * 72 / 60 * r.UnitsFactor() : r.LineHeight();
        if (PrintHeight > 0) {
            if (budget < h - 1e-9) {
                pos_ = before.pos;
                paraStart_ = before.paraStart;
                break;
            }
            budget -= h;
        }
        if (printed > 0) r.NewLine();
        if (fontSized) r.SetFontHeight(fontHeight);
        if (printTabs) r.Print(std::string(std::min<size_t>(60, r.Tabs().size()), '\t'));
        uint8_t j = Justify;
        if (!items_.empty()) {
            j = RPTFJustify(line, Justify);
            Justify = j == pjBlock ? uint8_t(pjLeft) : j;
        }
        if (j == pjBlock && eol) j = pjLeft;
        double uf = r.UnitsFactor();
        double x = r.ColumnLeft() - r.SectionLeft() + PrintStart + leftIndent_ * uf;
        double width = PrintEnd - PrintStart - (leftIndent_ + rightIndent_) * uf;
        r.PrintJustify(line, x, j, width, 0);
        total += h;
        ++printed;
    }
    if (!NoNewLine) r.NewLine();
    return total;
}
