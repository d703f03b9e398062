// The runtime's text and number helpers over Windows-1252 bytes.
#include "platform/SysUtils.h"

#include <locale.h>
#include <stdlib.h>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Exceptions.h"

namespace {
inline unsigned char Up(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? c - 32 : c;
}
inline unsigned char Low(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}
}  // namespace

int CompareText(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = Up(static_cast<unsigned char>(a[i]));
        int cb = Up(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca - cb;
    }
    return int(a.size()) - int(b.size()) < 0 ? -1 : (a.size() == b.size() ? 0 : 1);
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareText(a, b) == 0;
}

int CompareStr(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    int r = n ? std::memcmp(a.data(), b.data(), n) : 0;
    if (r != 0) return r < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : (a.size() == b.size() ? 0 : 1);
}

char UpCase(char c) {
    return char(Up(static_cast<unsigned char>(c)));
}

std::string UpperCase(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = char(Up(static_cast<unsigned char>(c)));
    return out;
}

std::string LowerCase(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = char(Low(static_cast<unsigned char>(c)));
    return out;
}

std::string TrimLeft(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
    return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && static_cast<unsigned char>(s[n - 1]) <= ' ') --n;
    return std::string(s.substr(0, n));
}

std::string Trim(std::string_view s) {
    size_t i = 0, n = s.size();
    while (i < n && static_cast<unsigned char>(s[i]) <= ' ') ++i;
    while (n > i && static_cast<unsigned char>(s[n - 1]) <= ' ') --n;
    return std::string(s.substr(i, n - i));
}

std::string IntToStr(int64_t value) {
    return std::to_string(value);
}

std::string IntToHex(int64_t value, int digits) {
    // A negative value that fits 32 bits shows its 32-bit two's complement (-1 is "FFFFFFFF"),
    // as the system's callers hand over 32-bit values; below that, the 64-bit one.
    uint64_t bits = value < 0 && value >= INT32_MIN ? uint64_t(uint32_t(int32_t(value)))
                                                    : static_cast<uint64_t>(value);
    std::string out;
    do {
        out.insert(out.begin(), "0123456789ABCDEF"[bits & 0xF]);
        bits >>= 4;
    } while (bits != 0);
    if (digits > int(out.size())) out.insert(0, size_t(digits) - out.size(), '0');
    return out;
}

int ValInt(std::string_view s, int32_t& value) {
    value = 0;
    size_t i = 0, n = s.size();
    while (i < n && s[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    }
    if (i < n && s[i] == '$') {
        ++i;
        if (i >= n) return int(n) + 1;
        uint64_t acc = 0;
        int significant = 0;
        for (; i < n; ++i) {
            char c = s[i];
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                return int(i) + 1;
            if (significant > 0 || d != 0) ++significant;
            if (significant > 8) return int(i) + 1;
            acc = (acc << 4) | uint64_t(d);
        }
        auto bits = static_cast<uint32_t>(acc);
        int32_t v = static_cast<int32_t>(bits);
        value = negative ? static_cast<int32_t>(0u - bits) : v;
        return 0;
    }
    if (i >= n) return int(n) + 1;
    int64_t acc = 0;
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    for (; i < n; ++i) {
        char c = s[i];
        if (c < '0' || c > '9') return int(i) + 1;
        acc = acc * 10 + (c - '0');
        if (acc > limit) return int(i) + 1;
    }
    value = static_cast<int32_t>(negative ? -acc : acc);
    return 0;
}

void RaiseInvalidInteger(std::string_view text) {
    throw EConvertError(FormatMsg("'%s' is not a valid integer value", {text}));
}

int32_t StrToInt(std::string_view text) {
    int32_t v;
    if (ValInt(text, v) != 0) RaiseInvalidInteger(text);
    return v;
}

int32_t StrToIntDef(std::string_view text, int32_t fallback) {
    int32_t v;
    return ValInt(text, v) == 0 ? v : fallback;
}

bool TryStrToInt(std::string_view text, int32_t& value) {
    return ValInt(text, value) == 0;
}

std::string FloatToStr(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    // to_chars never consults the locale: files always get ".".
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    std::string out(buf, res.ptr);
    // The runtime writes exponents in capitals, without "+" and without leading zeros: 1E20, 1E-5.
    size_t e = out.find('e');
    if (e != std::string::npos) {
        std::string mant = out.substr(0, e), ex = out.substr(e + 1);
        std::string sign;
        if (!ex.empty() && (ex[0] == '+' || ex[0] == '-')) {
            if (ex[0] == '-') sign = "-";
            ex.erase(0, 1);
        }
        while (ex.size() > 1 && ex[0] == '0') ex.erase(0, 1);
        out = mant + "E" + sign + ex;
    }
    return out;
}

bool TryStrToFloat(std::string_view text, double& value) {
    std::string t = Trim(text);
    if (t.empty()) return false;
    for (auto& c : t)
        if (c == ',') c = '.';
    // Only the runtime's forms: sign, digits, one point, an exponent. No hex, no "inf".
    size_t i = 0;
    if (t[i] == '+' || t[i] == '-') ++i;
    bool digits = false;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
        ++i;
        digits = true;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            ++i;
            digits = true;
        }
    }
    if (!digits) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        if (i >= t.size() || t[i] < '0' || t[i] > '9') return false;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    }
    if (i != t.size()) return false;
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    double v = strtod_l(t.c_str(), nullptr, cLocale);
    if (!std::isfinite(v)) return false;
    value = v;
    return true;
}

double StrToFloat(std::string_view text) {
    double v;
    if (!TryStrToFloat(text, v))
        throw EConvertError(FormatMsg("'%s' is not a valid floating point value", {text}));
    return v;
}

std::string FormatMsg(std::string_view format, std::initializer_list<FmtArg> args) {
    std::string out;
    out.reserve(format.size() + 16);
    auto next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        char k = format[i + 1];
        if (k == '%') {
            out += '%';
            ++i;
            continue;
        }
        if (k != 'd' && k != 'u' && k != 's' && k != 'x' && k != 'X') {
            out += c;
            continue;
        }
        if (next == args.end()) {
            out += c;
            continue;
        }
        const auto& v = next->value();
        ++next;
        ++i;
        if (const auto* num = std::get_if<int64_t>(&v)) {
            if (k == 'x' || k == 'X')
                out += IntToHex(*num, 0);
            else
                out += std::to_string(*num);
        } else {
            out += std::get<std::string>(v);
        }
    }
    return out;
}

std::string StringReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    size_t pos = 0;
    while (true) {
        size_t hit = text.find(from, pos);
        if (hit == std::string_view::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

const char* HtmlReference(char32_t c) {
    switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '"':
            return "&quot;";
        default:
            return nullptr;
    }
}

std::string ShortenedText(std::string_view text, size_t limit) {
    if (text.size() <= limit) return std::string(text);
    return std::string(text.substr(0, limit)) + "...";
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        if (const char* reference = HtmlReference(static_cast<unsigned char>(c)))
            out += reference;
        else
            out += c;
    }
    return out;
}
