// The typed edit's rules: masks, key filter, conversions and the range check.
#include "EditTypeRules.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/SysUtils.h"

std::string EditMaskFor(TTypeForEdit type) {
    switch (type) {
        case teDateTime:
            return "!99/99/9999 99:99:99;1;_";
        case teShortDateTime:
            return "!99/99/99 99:99:99;1;_";
        case teDateShortTime:
            return "!99/99/9999 99:99;1;_";
        case teShortDateShortTime:
            return "!99/99/99 99:99;1;_";
        case teDate:
            return "!99/99/9999;1;_";
        case teShortDate:
            return "!99/99/99;1;_";
        case teTime:
            return "!90:99:99;1;_";
        case teShortTime:
            return "!99:99;1;_";
        case tePhone:
            return "!\\(999\\) 999\\-9999;1;_";
        case tePhoneExt:
            return "!\\(999\\) 999\\-9999 \\x9999;1;_";
        case teSocial:
            return "!999\\-99\\-9999;1;_";
        case teZIPCode:
            return "!99999\\-9999;1;_";
        default:
            return "";
    }
}

TEditCharCase CharCaseFor(TTypeForEdit type) {
    if (type == teStringUpper) return TEditCharCase::ecUpperCase;
    if (type == teStringLower) return TEditCharCase::ecLowerCase;
    return TEditCharCase::ecNormal;
}

int ButtonWidthFor(TSMButtonStyle style, int scrollBarWidth) {
    switch (style) {
        case TSMButtonStyle::bsNone:
            return 0;
        case TSMButtonStyle::bsDropDown:
            return scrollBarWidth;
        case TSMButtonStyle::bsCalculator:
        case TSMButtonStyle::bsCalendar:
            return 17;
        default:
            return 21;
    }
}

// ---- Masks ------------------------------------------------------------------------------

namespace {

struct Slot {
    bool input;
    char c;  // the class character of an input place, or the literal
};

bool IsInputClass(char c) {
    return std::strchr("LlAaCc09#", c) != nullptr && c != '\0';
}

// The places of a picture: directives ("!", ">", "<") take none, "\" makes the next
// character a literal, "_" is a literal blank.
std::vector<Slot> Slots(std::string_view picture) {
    std::vector<Slot> slots;
    for (size_t i = 0; i < picture.size(); ++i) {
        char c = picture[i];
        if (c == '!' || c == '>' || c == '<') continue;
        if (c == '\\' && i + 1 < picture.size()) {
            slots.push_back({false, picture[++i]});
        } else if (IsInputClass(c)) {
            slots.push_back({true, c});
        } else {
            slots.push_back({false, c == '_' ? ' ' : c});
        }
    }
    return slots;
}

}  // namespace

TEditMaskParts SplitEditMask(std::string_view mask) {
    std::vector<size_t> semis;
    for (size_t i = 0; i < mask.size(); ++i) {
        if (mask[i] == '\\') {
            ++i;
            continue;
        }
        if (mask[i] == ';') semis.push_back(i);
    }
    TEditMaskParts p;
    if (semis.empty()) {
        p.Picture = std::string(mask);
        return p;
    }
    size_t keepAt = semis.size() >= 2 ? semis[semis.size() - 2] : semis.back();
    p.Picture = std::string(mask.substr(0, keepAt));
    if (keepAt + 1 < mask.size() && mask[keepAt + 1] != ';') p.KeepLiterals = mask[keepAt + 1];
    if (semis.size() >= 2 && semis.back() + 1 < mask.size()) p.Blank = mask[semis.back() + 1];
    return p;
}

std::string QtInputMask(std::string_view mask) {
    if (mask.empty()) return {};
    const TEditMaskParts parts = SplitEditMask(mask);
    const std::string& pic = parts.Picture;
    std::string out;
    for (size_t i = 0; i < pic.size(); ++i) {
        char c = pic[i];
        if (c == '!') continue;
        if (c == '<' && i + 1 < pic.size() && pic[i + 1] == '>') {
            out += '!';
            ++i;
            continue;
        }
        if (c == '>' || c == '<') {
            out += c;
            continue;
        }
        if (IsInputClass(c)) {
            static const char from[] = "LlAaCc09#", to[] = "AaNnXx90#";
            out += to[std::strchr(from, c) - from];
            continue;
        }
        if (c == '\\' && i + 1 < pic.size()) {  // escapes stay escapes
            out += c;
            out += pic[++i];
            continue;
        }
        char literal = c == '_' ? ' ' : c;
        if (std::strchr("AaNnXx90DdHhBb#><![]{}\\;", literal) && literal != '\0') out += '\\';
        out += literal;
    }
    out += ';';
    out += parts.Blank;
    return out;
}

std::string StripMaskLiterals(std::string_view mask, std::string_view text) {
    if (mask.empty()) return std::string(text);
    const TEditMaskParts parts = SplitEditMask(mask);
    const std::vector<Slot> slots = Slots(parts.Picture);
    std::string out;
    size_t ti = 0;
    for (const Slot& s : slots) {
        if (ti >= text.size()) break;
        if (s.input) out += text[ti] == parts.Blank ? ' ' : text[ti];
        ++ti;
    }
    if (ti < text.size()) out += text.substr(ti);
    return out;
}

std::string BlanksToSpaces(std::string_view mask, std::string_view display) {
    std::string out(display);
    if (mask.empty()) return out;
    const TEditMaskParts parts = SplitEditMask(mask);
    const std::vector<Slot> slots = Slots(parts.Picture);
    for (size_t i = 0; i < out.size() && i < slots.size(); ++i)
        if (slots[i].input && out[i] == parts.Blank) out[i] = ' ';
    return out;
}

// ---- Dates and times --------------------------------------------------------------------

namespace {

struct Scanner {
    std::string_view s;
    size_t i = 0;

    void Blanks() {
        while (i < s.size() && s[i] == ' ') ++i;
    }
    bool Number(int& value, int& digits) {
        Blanks();
        value = digits = 0;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && digits < 9) {
            value = value * 10 + (s[i] - '0');
            ++i;
            ++digits;
        }
        return digits > 0;
    }
    bool Separator(char a, char b) {
        Blanks();
        if (i < s.size() && (s[i] == a || s[i] == b)) {
            ++i;
            return true;
        }
        return false;
    }
    bool AtEnd() {
        Blanks();
        return i >= s.size();
    }
};

char FirstChar(const std::string& s, char fallback) {
    return s.empty() ? fallback : s[0];
}

// 'M' (month first), 'D' (day first) or 'Y' (year first), from the short date format.
char DateOrder() {
    for (char c : FormatSettings().ShortDateFormat) {
        char u = char(std::toupper(static_cast<unsigned char>(c)));
        if (u == 'M' || u == 'D' || u == 'Y') return u;
    }
    return 'M';
}

bool ScanDate(Scanner& sc, TDateTime& value) {
    const char sep = FirstChar(FormatSettings().DateSeparator, '/');
    int n[3] = {0, 0, 0}, digits[3] = {0, 0, 0}, count = 0;
    if (!sc.Number(n[0], digits[0])) return false;
    count = 1;
    if (!sc.Separator(sep, '/') || !sc.Number(n[1], digits[1])) return false;
    count = 2;
    size_t mark = sc.i;
    if (sc.Separator(sep, '/')) {
        if (!sc.Number(n[2], digits[2])) return false;
        count = 3;
    } else {
        sc.i = mark;
    }
    int y = 0, m = 0, d = 0, currentYear = 0, cm = 0, cd = 0;
    DecodeDate(Date(), currentYear, cm, cd);
    bool yearGiven = count == 3;
    int yearDigits = 0;
    switch (DateOrder()) {
        case 'D':
            d = n[0], m = n[1], y = n[2], yearDigits = digits[2];
            break;
        case 'Y':
            if (yearGiven)
                y = n[0], m = n[1], d = n[2], yearDigits = digits[0];
            else
                m = n[0], d = n[1];
            break;
        default:
            m = n[0], d = n[1], y = n[2], yearDigits = digits[2];
            break;
    }
    if (!yearGiven) {
        y = currentYear;
    } else if (yearDigits <= 2) {
        // Two-digit years fall in the fifty years either side of now.
        int base = currentYear - 50;
        y += base / 100 * 100;
        if (y < base) y += 100;
    }
    return TryEncodeDate(y, m, d, value);
}

bool MatchWord(Scanner& sc, const std::string& word) {
    sc.Blanks();
    if (word.empty() || sc.s.size() - sc.i < word.size()) return false;
    if (!SameText(sc.s.substr(sc.i, word.size()), word)) return false;
    sc.i += word.size();
    return true;
}

bool ScanTime(Scanner& sc, TDateTime& value) {
    const char sep = FirstChar(FormatSettings().TimeSeparator, ':');
    int h = 0, m = 0, s = 0, digits = 0;
    if (!sc.Number(h, digits)) return false;
    bool minutes = false;
    if (sc.Separator(sep, ':')) {
        if (!sc.Number(m, digits)) return false;
        minutes = true;
        if (sc.Separator(sep, ':') && !sc.Number(s, digits)) return false;
    }
    int half = 0;  // 1 am, 2 pm
    const LocaleInfo& li = FormatSettings();
    if (MatchWord(sc, li.TimeAMString) || MatchWord(sc, "AM"))
        half = 1;
    else if (MatchWord(sc, li.TimePMString) || MatchWord(sc, "PM"))
        half = 2;
    if (!minutes && !half) return false;
    if (half) {
        if (h < 1 || h > 12) return false;
        if (h == 12) h = 0;
        if (half == 2) h += 12;
    }
    return TryEncodeTime(h, m, s, 0, value);
}

}  // namespace

bool TryTextToDate(std::string_view text, TDateTime& value) {
    Scanner sc{text};
    TDateTime v;
    if (!ScanDate(sc, v) || !sc.AtEnd()) return false;
    value = v;
    return true;
}

bool TryTextToTime(std::string_view text, TDateTime& value) {
    Scanner sc{text};
    TDateTime v;
    if (!ScanTime(sc, v) || !sc.AtEnd()) return false;
    value = v;
    return true;
}

bool TryTextToDateTime(std::string_view text, TDateTime& value) {
    Scanner sc{text};
    TDateTime d, t = 0;
    if (!ScanDate(sc, d)) return false;
    if (!sc.AtEnd() && !ScanTime(sc, t)) return false;
    if (!sc.AtEnd()) return false;
    value = d + (d < 0 ? -t : t);
    return true;
}

// ---- Values -----------------------------------------------------------------------------

int CompareTypedValues(const TTypedValue& a, const TTypedValue& b) {
    using K = TTypedValue::TKind;
    if (a.IsEmpty() || b.IsEmpty()) return int(!a.IsEmpty()) - int(!b.IsEmpty());
    if (a.Kind != K::vkString && b.Kind != K::vkString)
        return a.Number < b.Number ? -1 : a.Number > b.Number ? 1 : 0;
    return CompareStr(a.Text, b.Text);
}

TTypedValue ConvertTypedValue(TTypeForEdit type, std::string_view mask, const std::string& text) {
    using K = TTypedValue::TKind;
    TTypedValue v;
    if (text.empty() || Trim(StripMaskLiterals(mask, text)).empty()) return v;
    auto fail = [&](const char* what) -> TTypedValue {
        throw EConvertError(FormatMsg("\"%s\" %s %s", {text, "is not a", what}));
    };
    switch (type) {
        case teNumber:
            if (!TryStrToFloat(text, v.Number)) return fail("valid number");
            v.Kind = K::vkNumber;
            return v;
        case teInteger: {
            int32_t i = 0;
            if (!TryStrToInt(text, i)) return fail("valid integer number");
            v.Kind = K::vkInteger;
            v.Number = i;
            return v;
        }
        case teDateTime:
        case teShortDateTime:
        case teDateShortTime:
        case teShortDateShortTime:
            if (!TryTextToDateTime(text, v.Number)) return fail("valid date/time");
            v.Kind = K::vkDateTime;
            return v;
        case teDate:
        case teShortDate:
            if (!TryTextToDate(text, v.Number)) return fail("valid date");
            v.Kind = K::vkDateTime;
            return v;
        case teTime:
        case teShortTime:
            if (!TryTextToTime(text, v.Number)) return fail("valid time");
            v.Kind = K::vkDateTime;
            return v;
        default:
            v.Kind = K::vkString;
            v.Text = text;
            return v;
    }
}

void CheckTypedRange(TTypeForEdit type, std::string_view mask, const std::string& text,
                     const std::string& minValue, const std::string& maxValue) {
    const TTypedValue v = ConvertTypedValue(type, mask, text);
    const TTypedValue lo = ConvertTypedValue(type, mask, minValue);
    const TTypedValue hi = ConvertTypedValue(type, mask, maxValue);
    if (lo.IsEmpty() && hi.IsEmpty()) return;
    // An empty value has no place between the bounds: the program would fail on it later.
    bool outside = v.IsEmpty() || (!lo.IsEmpty() && CompareTypedValues(v, lo) < 0) ||
                   (!hi.IsEmpty() && CompareTypedValues(v, hi) > 0);
    if (outside)
        throw ERangeError(FormatMsg("Value %s out of range %s..%s", {text, minValue, maxValue}));
}

// ---- Keys and layout --------------------------------------------------------------------

char FilterTypedKey(TTypeForEdit type, char key, std::string_view text, char decimalSeparator) {
    if (key == 0 || key == 8) return key;
    const bool digit = key >= '0' && key <= '9', sign = key == '+' || key == '-';
    switch (type) {
        case teNumber:
            if (key == ',' || key == '.') key = decimalSeparator;
            if (digit || sign || key == 'E' || key == 'e') return key;
            if (key == decimalSeparator && text.find(decimalSeparator) == std::string_view::npos)
                return key;
            return 0;
        case teInteger:
        case teDateTime:
        case teShortDateTime:
        case teDateShortTime:
        case teShortDateShortTime:
        case teDate:
        case teShortDate:
        case teTime:
        case teShortTime:
            return digit || sign ? key : 0;
        default:
            return key;
    }
}

int EditMinHeight(int charHeight) {
    return charHeight + charHeight / 4 + 4 * 1 + 1;
}

TRect EditButtonRect(int width, int height, int buttonWidth, int frame) {
    return {width - frame - buttonWidth, frame, width - frame, height - frame};
}
