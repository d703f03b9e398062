#include "RPRPTF.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>
#include <vector>

#include "platform/SysUtils.h"

namespace {

// The shortest text that reads back as the same double, always with ".".
std::string NumberText(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

bool IsOn(const std::string& value) {
    return value == "1";
}

// Calls `f(letter, value)` for every command of every block in `commands`.
template <class F>
void ForEachCommand(const std::string& commands, F f) {
    size_t pos = 0;
    while (pos < commands.size()) {
        char letter;
        std::string value;
        ParseRPTFCommand(commands, pos, letter, value);
        if (letter == ' ' && pos >= commands.size()) break;
        if (letter != ' ') f(letter, value);
        if (pos < commands.size() && commands[pos] == RPTFSuffix) ++pos;
    }
}

// Pixels of visible text with tabs advancing to the next multiple of the default spacing,
// counted from `origin` pixels.
int PlainWidth(TBaseReport& report, const std::string& text, int& position) {
    int tab = std::max(
        1, int(std::lround(report.DefaultTabSpacing() / report.UnitsFactor() * report.XDPI())));
    size_t start = 0;
    while (start <= text.size()) {
        size_t t = text.find('\t', start);
        std::string piece =
            text.substr(start, t == std::string::npos ? std::string::npos : t - start);
        if (!piece.empty()) position += report.TextWidthPixels(piece);
        if (t == std::string::npos) break;
        position = (position / tab + 1) * tab;
        start = t + 1;
    }
    return position;
}

}  // namespace

void ParseRPTFCommand(const std::string& text, size_t& pos, char& letter, std::string& value) {
    value.clear();
    letter = ' ';
    while (pos < text.size() && text[pos] != RPTFPrefix && text[pos] != RPTFSeparator) ++pos;
    if (pos >= text.size()) return;
    ++pos;
    if (pos >= text.size()) return;
    if (text[pos] == RPTFSeparator || text[pos] == RPTFSuffix) return;
    letter = text[pos++];
    while (pos < text.size() && text[pos] != RPTFSeparator && text[pos] != RPTFSuffix) {
        if (text[pos] != RPTFIgnore) value += text[pos];
        ++pos;
    }
}

bool NextRPTFSegment(const std::string& text, size_t& pos, std::string& visible,
                     std::string& commands) {
    visible.clear();
    commands.clear();
    if (pos >= text.size()) return false;
    while (pos < text.size()) {
        if (text[pos] == RPTFPrefix) {
            if (!visible.empty()) break;
            size_t end = text.find(RPTFSuffix, pos);
            end = end == std::string::npos ? text.size() : end + 1;
            commands.append(text, pos, end - pos);
            pos = end;
        } else {
            visible += text[pos++];
        }
    }
    return true;
}

void ApplyRPTFToReport(TBaseReport& report, const std::string& commands) {
    TReportFont f = report.BaseFont();
    ForEachCommand(commands, [&](char letter, const std::string& v) {
        switch (letter) {
            case 'B':
                f.Bold = IsOn(v);
                break;
            case 'I':
                f.Italic = IsOn(v);
                break;
            case 'U':
                f.Underline = IsOn(v);
                break;
            case 'K':
                f.Strikeout = IsOn(v);
                break;
            case 'S':
                f.Subscript = IsOn(v);
                if (f.Subscript) f.Superscript = false;
                break;
            case 'P':
                f.Superscript = IsOn(v);
                if (f.Superscript) f.Subscript = false;
                break;
            case 'C':
                f.Color = StrToInt(v);
                break;
            case 'N':
                f.Name = v.substr(0, 60);
                break;
            case 'Z': {
                double size = StrToFloat(v);
                if (size > 0) {
                    f.Size = size;
                    f.Height = size / 72;
                }
                break;
            }
            case 'H':
                if (!v.empty())
                    f.Pitch = v[0] == 'F'   ? TFontPitch::fpFixed
                              : v[0] == 'V' ? TFontPitch::fpVariable
                                            : TFontPitch::fpDefault;
                break;
            case 'R':
            case 'r': {
                TReportFont d;
                if (letter == 'R') {
                    d.Size = 12;
                    d.Height = 12.0 / 72;
                } else {
                    d.Name = f.Name;
                    d.Size = f.Size;
                    d.Height = f.Height;
                }
                f = d;
                break;
            }
            default:
                break;
        }
    });
    report.ApplyFont(f);
}

bool ApplyRPTFSegment(TBaseReport& report, const std::string& text, size_t& pos,
                      std::string& visible) {
    std::string commands;
    if (!NextRPTFSegment(text, pos, visible, commands)) return false;
    if (!commands.empty()) ApplyRPTFToReport(report, commands);
    return true;
}

void ApplyRPTFToItem(TRPTFItem& item, const std::string& commands) {
    ForEachCommand(commands, [&](char letter, const std::string& v) {
        switch (letter) {
            case 'B':
                item.Bold = IsOn(v);
                break;
            case 'I':
                item.Italic = IsOn(v);
                break;
            case 'U':
                item.Underline = IsOn(v);
                break;
            case 'K':
                item.Strikeout = IsOn(v);
                break;
            case 'S':
                item.Subscript = IsOn(v);
                break;
            case 'P':
                item.Superscript = IsOn(v);
                break;
            case 'C':
                item.Color = StrToInt(v);
                break;
            case 'N':
                item.FontName = v.substr(0, 40);
                break;
            case 'Z': {
                double size = StrToFloat(v);
                if (size > 0) item.Size = size;
                break;
            }
            case 'H':
                if (!v.empty()) item.Pitch = v[0] == 'F' ? 2 : v[0] == 'V' ? 1 : 0;
                break;
            case 'J':
                if (!v.empty())
                    item.Justify = v[0] == 'C'   ? pjCenter
                                   : v[0] == 'R' ? pjRight
                                   : v[0] == 'B' ? pjBlock
                                                 : pjLeft;
                break;
            case 'F':
                item.FirstIndent = StrToFloat(v);
                break;
            case 'L':
                item.LeftIndent = StrToFloat(v);
                break;
            case 'G':
                item.RightIndent = StrToFloat(v);
                break;
            case 'R':
                item = TRPTFItem();
                break;
            case 'r': {
                TRPTFItem d;
                item.Bold = d.Bold;
                item.Italic = d.Italic;
                item.Underline = d.Underline;
                item.Strikeout = d.Strikeout;
                item.Subscript = d.Subscript;
                item.Superscript = d.Superscript;
                item.Pitch = d.Pitch;
                item.Color = d.Color;
                break;
            }
            default:
                break;
        }
    });
}

void BuildRPTF(std::string& text, const TRPTFItem& o, const TRPTFItem& n) {
    auto add = [&](char letter, const std::string& value) {
        text += text.empty() ? RPTFPrefix : RPTFSeparator;
        text += letter;
        text += value;
    };
    auto flag = [&](char letter, bool a, bool b) {
        if (a != b) add(letter, b ? "1" : "0");
    };
    if (o.FirstIndent != n.FirstIndent) add('F', NumberText(n.FirstIndent));
    if (o.LeftIndent != n.LeftIndent) add('L', NumberText(n.LeftIndent));
    if (o.RightIndent != n.RightIndent) add('G', NumberText(n.RightIndent));
    if (o.FontName != n.FontName) add('N', n.FontName.substr(0, 40));
    if (o.Size != n.Size) add('Z', NumberText(n.Size));
    flag('B', o.Bold, n.Bold);
    flag('I', o.Italic, n.Italic);
    flag('U', o.Underline, n.Underline);
    flag('K', o.Strikeout, n.Strikeout);
    flag('S', o.Subscript, n.Subscript);
    flag('P', o.Superscript, n.Superscript);
    if (o.Color != n.Color) add('C', IntToStr(n.Color));
    if (o.Justify != n.Justify) {
        static const char letters[] = {'C', 'L', 'R', 'B'};
        add('J', std::string(1, n.Justify < 4 ? letters[n.Justify] : 'L'));
    }
}

std::string ResetRPTF(const TRPTFItem& item) {
    std::string text = "\x01R";
    BuildRPTF(text, TRPTFItem(), item);
    return text + RPTFSuffix;
}

int VisibleLength(const char* data, size_t length) {
    int n = 0;
    bool inBlock = false;
    for (size_t i = 0; i < length; ++i) {
        if (data[i] == RPTFPrefix)
            inBlock = true;
        else if (data[i] == RPTFSuffix)
            inBlock = false;
        else if (!inBlock)
            ++n;
    }
    return n;
}

int VisibleLength(const std::string& text) {
    return VisibleLength(text.data(), text.size());
}

std::string StripRPTF(const std::string& text) {
    std::string out;
    size_t pos = 0;
    std::string visible, commands;
    while (NextRPTFSegment(text, pos, visible, commands)) out += visible;
    return out;
}

int RPTFTextWidth(TBaseReport& report, const std::string& text) {
    report.PushFont();
    int position = 0;
    size_t pos = 0;
    std::string visible;
    try {
        while (ApplyRPTFSegment(report, text, pos, visible)) PlainWidth(report, visible, position);
    } catch (...) {
        report.PopFont();
        throw;
    }
    report.PopFont();
    return position < 1 ? 1 : position;
}

double RPTFMaxFontHeight(TBaseReport& report, const std::string& text) {
    report.PushFont();
    double most = report.BaseFont().Height;
    size_t pos = 0;
    std::string visible;
    try {
        while (ApplyRPTFSegment(report, text, pos, visible))
            most = std::max(most, report.BaseFont().Height);
    } catch (...) {
        report.PopFont();
        throw;
    }
    report.PopFont();
    return most * report.UnitsFactor();
}

uint8_t RPTFJustify(const std::string& text, uint8_t fallback) {
    uint8_t result = fallback;
    bool decided = false;
    size_t pos = 0;
    std::string visible, commands;
    while (!decided && NextRPTFSegment(text, pos, visible, commands)) {
        ForEachCommand(commands, [&](char letter, const std::string& v) {
            if (decided) return;
            if (letter == 'R') result = pjLeft;
            if (letter == 'J' && !v.empty()) {
                result = v[0] == 'C'   ? pjCenter
                         : v[0] == 'R' ? pjRight
                         : v[0] == 'B' ? pjBlock
                                       : pjLeft;
                decided = true;
            }
        });
    }
    return result;
}

// ---- RTF ----

namespace {

class RTFReader {
public:
    explicit RTFReader(const std::string& rtf) : in_(rtf) {}

    std::string Convert() {
        while (pos_ < in_.size()) {
            char c = in_[pos_];
            if (c == '{') {
                ++pos_;
                // Groups nested deeper than any document needs share their outer state, so
                // the memory held stays bounded whatever the input.
                if (stack_.size() < MaxDepth)
                    stack_.push_back(state_);
                else
                    ++flatDepth_;
            } else if (c == '}') {
                ++pos_;
                if (flatDepth_ > 0)
                    --flatDepth_;
                else
                    EndGroup();
            } else if (c == '\\') {
                ControlWord();
            } else if (c == '\r' || c == '\n') {
                ++pos_;
            } else {
                ++pos_;
                Text(c);
            }
        }
        return out_;
    }

private:
    enum class Dest { Text, FontTable, ColorTable, Skip };
    struct State {
        TRPTFItem item;
        Dest dest = Dest::Text;
        int fontNumber = -1;
    };

    void EndGroup() {
        if (state_.dest == Dest::FontTable && state_.fontNumber >= 0 && !Trim(fontName_).empty()) {
            fonts_[state_.fontNumber] = Trim(fontName_);
            fontName_.clear();
        }
        if (stack_.empty()) return;
        Dest inner = state_.dest;
        state_ = stack_.back();
        stack_.pop_back();
        if (inner == Dest::FontTable && state_.dest == Dest::FontTable) state_.fontNumber = -1;
    }

    void Text(char c) {
        // Bytes 1 to 4 are the coded output's own: read as text, they would open, split or
        // close command blocks. They are no printable text, so they are dropped.
        if (c >= RPTFPrefix && c <= RPTFSuffix) return;
        switch (state_.dest) {
            case Dest::Skip:
                return;
            case Dest::FontTable:
                if (c == ';') {
                    if (state_.fontNumber >= 0) fonts_[state_.fontNumber] = Trim(fontName_);
                    fontName_.clear();
                } else {
                    fontName_ += c;
                }
                return;
            case Dest::ColorTable:
                if (c == ';') {
                    colors_.push_back(RGBColor(red_, green_, blue_));
                    red_ = green_ = blue_ = 0;
                }
                return;
            case Dest::Text:
                Emit(std::string(1, c));
                return;
        }
    }

    void Emit(const std::string& visible) {
        std::string block;
        BuildRPTF(block, emitted_, state_.item);
        if (!block.empty()) out_ += block + RPTFSuffix;
        emitted_ = state_.item;
        out_ += visible;
    }

    static int Hex(char c) {
        static const std::string digits = "0123456789ABCDEF";
        size_t i = digits.find(UpCase(c));
        return i == std::string::npos ? 0 : int(i);
    }

    void ControlWord() {
        ++pos_;
        if (pos_ >= in_.size()) return;
        char c = in_[pos_];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++pos_;
            if (c == '\'') {
                int v = 0;
                for (int i = 0; i < 2 && pos_ < in_.size(); ++i) v = v * 16 + Hex(in_[pos_++]);
                Text(char(v));
            } else if (c == '*') {
                state_.dest = Dest::Skip;
            } else if (c == '~') {
                Text('\xA0');
            } else if (c == '\\' || c == '{' || c == '}') {
                Text(c);
            }
            return;
        }
        std::string word;
        while (pos_ < in_.size() && std::isalpha(static_cast<unsigned char>(in_[pos_])))
            word += in_[pos_++];
        bool hasParam = false;
        int param = 0;
        bool negative = false;
        if (pos_ < in_.size() && in_[pos_] == '-') {
            negative = true;
            ++pos_;
        }
        while (pos_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[pos_]))) {
            hasParam = true;
            if (param < 100000000) param = param * 10 + (in_[pos_] - '0');
            ++pos_;
        }
        if (negative) param = -param;
        if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
        Word(word, hasParam, param);
    }

    void Word(const std::string& w, bool hasParam, int param) {
        TRPTFItem& it = state_.item;
        bool on = !hasParam || param != 0;
        if (w == "fonttbl")
            state_.dest = Dest::FontTable;
        else if (w == "colortbl")
            state_.dest = Dest::ColorTable;
        else if (w == "pntext" || w == "stylesheet" || w == "info" || w == "pict")
            state_.dest = Dest::Skip;
        else if (state_.dest == Dest::FontTable && w == "f")
            state_.fontNumber = param;
        else if (state_.dest == Dest::ColorTable) {
            if (w == "red")
                red_ = param;
            else if (w == "green")
                green_ = param;
            else if (w == "blue")
                blue_ = param;
        } else if (state_.dest != Dest::Text) {
            return;
        } else if (w == "b")
            it.Bold = on;
        else if (w == "i")
            it.Italic = on;
        else if (w == "ul")
            it.Underline = on;
        else if (w == "ulnone")
            it.Underline = false;
        else if (w == "strike")
            it.Strikeout = on;
        else if (w == "sub") {
            it.Subscript = true;
            it.Superscript = false;
        } else if (w == "super") {
            it.Superscript = true;
            it.Subscript = false;
        } else if (w == "nosupersub")
            it.Subscript = it.Superscript = false;
        else if (w == "plain") {
            TRPTFItem d;
            d.Justify = it.Justify;
            d.FirstIndent = it.FirstIndent;
            d.LeftIndent = it.LeftIndent;
            d.RightIndent = it.RightIndent;
            it = d;
        } else if (w == "f") {
            auto f = fonts_.find(param);
            it.FontName = f != fonts_.end() && !f->second.empty() ? f->second : "Arial";
        } else if (w == "fs") {
            if (param > 0) it.Size = param / 2.0;
        } else if (w == "cf") {
            it.Color = param >= 0 && size_t(param) < colors_.size() ? colors_[size_t(param)] : 0;
        } else if (w == "ql")
            it.Justify = pjLeft;
        else if (w == "qc")
            it.Justify = pjCenter;
        else if (w == "qr")
            it.Justify = pjRight;
        else if (w == "qj")
            it.Justify = pjBlock;
        else if (w == "pard") {
            it.Justify = pjLeft;
            it.FirstIndent = it.LeftIndent = it.RightIndent = 0;
        } else if (w == "fi")
            it.FirstIndent = param / 1440.0;
        else if (w == "li")
            it.LeftIndent = param / 1440.0;
        else if (w == "ri")
            it.RightIndent = param / 1440.0;
        else if (w == "par")
            Emit("\r\n");
        else if (w == "tab")
            Emit("\t");
        else if (w == "bullet")
            Emit("\x95");
        else if (w == "endash")
            Emit("\x96");
        else if (w == "emdash")
            Emit("\x97");
        else if (w == "lquote")
            Emit("\x91");
        else if (w == "rquote")
            Emit("\x92");
        else if (w == "ldblquote")
            Emit("\x93");
        else if (w == "rdblquote")
            Emit("\x94");
        // Everything else, "vantrel" included, changes nothing.
    }

    static constexpr size_t MaxDepth = 256;
    const std::string& in_;
    size_t pos_ = 0;
    size_t flatDepth_ = 0;  // groups opened beyond MaxDepth
    State state_;
    std::vector<State> stack_;
    std::map<int, std::string> fonts_;
    std::string fontName_;
    std::vector<TColor> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    TRPTFItem emitted_;
    std::string out_;
};

}  // namespace

std::string RTFToRPTF(const std::string& rtf) {
    return RTFReader(rtf).Convert();
}
