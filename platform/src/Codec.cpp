// Windows-1252 <-> UTF-16 / UTF-8 conversion through one 32-entry table for 0x80..0x9F.
#include "platform/Codec.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace {

// 0x80..0x9F; the unassigned bytes keep their C1 control code point.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Decodes one UTF-8 sequence at `i`; returns false (and skips one byte) when malformed.
bool DecodeUtf8(std::string_view s, size_t& i, char32_t& c) {
    auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        c = b0;
        ++i;
        return true;
    }
    int extra;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        c = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        c = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        c = b0 & 0x07;
        min = 0x10000;
    } else {
        ++i;
        return false;
    }
    if (i + size_t(extra) >= s.size()) {
        ++i;
        return false;
    }
    for (int k = 1; k <= extra; ++k) {
        auto b = static_cast<unsigned char>(s[i + size_t(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return false;
    }
    i += size_t(extra) + 1;
    return true;
}

const std::unordered_map<char32_t, unsigned char>& ReverseHigh() {
    static const auto* map = [] {
        auto* m = new std::unordered_map<char32_t, unsigned char>;
        for (size_t k = 0; k < kHigh.size(); ++k)
            (*m)[kHigh[k]] = static_cast<unsigned char>(0x80 + k);
        return m;
    }();
    return *map;
}

}  // namespace

void AppendUtf8CodePoint(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

char16_t AnsiCharToUnicode(unsigned char c) {
    if (c >= 0x80 && c <= 0x9F) return kHigh[c - 0x80];
    return c;
}

unsigned char UnicodeToAnsiChar(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
    auto& rev = ReverseHigh();
    auto it = rev.find(c);
    return it == rev.end() ? '?' : it->second;
}

std::u16string AnsiToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char ch : text) out += AnsiCharToUnicode(static_cast<unsigned char>(ch));
    return out;
}

std::string Utf16ToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            ++i;  // one character outside the code page
            out += '?';
            continue;
        }
        out += char(UnicodeToAnsiChar(c));
    }
    return out;
}

std::string AnsiToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char ch : text)
        AppendUtf8CodePoint(out, AnsiCharToUnicode(static_cast<unsigned char>(ch)));
    return out;
}

std::string Utf8ToAnsi(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char32_t c;
        out += DecodeUtf8(text, i, c) ? char(UnicodeToAnsiChar(c)) : '?';
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        char32_t c;
        if (!DecodeUtf8(text, i, c)) return false;
    }
    return true;
}

std::string Utf8UrlToAnsi(std::string_view utf8) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const size_t start = i;
        char32_t c;
        if (!DecodeUtf8(utf8, i, c)) {
            out += '?';
            continue;
        }
        const unsigned char b = UnicodeToAnsiChar(c);
        if (b != '?' || c == U'?') {
            out += char(b);
            continue;
        }
        for (size_t k = start; k < i; ++k) {
            const auto byte = static_cast<unsigned char>(utf8[k]);
            out += '%';
            out += Hex[byte >> 4];
            out += Hex[byte & 0x0F];
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            AppendUtf8CodePoint(out,
                                0x10000 + ((c - 0xD800) << 10) + (char32_t(text[++i]) - 0xDC00));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out += '?';
        } else {
            AppendUtf8CodePoint(out, c);
        }
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t c = 0;
        if (!DecodeUtf8(text, i, c)) c = 0xFFFD;
        if (c >= 0x10000) {
            out += char16_t(0xD800 + ((c - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

size_t Utf8CharStart(std::string_view text, size_t n) {
    n = std::min(n, text.size());
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return n;
}

std::string UndeclaredTextToUtf8(std::string_view b) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(b[k]); };
    const bool littleEndian = b.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE;
    const bool bigEndian = b.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF;
    if (littleEndian || bigEndian) {
        std::u16string units;
        units.reserve(b.size() / 2);
        for (size_t k = 2; k + 1 < b.size(); k += 2)
            units += char16_t(bigEndian ? byte(k) << 8 | byte(k + 1) : byte(k + 1) << 8 | byte(k));
        return Utf16ToUtf8(units);
    }
    if (b.substr(0, 3) == "\xEF\xBB\xBF") return std::string(b.substr(3));
    const bool ascii = std::all_of(b.begin(), b.end(),
                                   [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
    return ascii || IsValidUtf8(b) ? std::string(b) : AnsiToUtf8(b);
}
