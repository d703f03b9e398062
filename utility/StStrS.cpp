// Routines over short strings (at most 255 bytes) and the file-path routines.
#include "StStrS.h"

#include <algorithm>

#include "StBase.h"
#include "StStrL.h"
#include "pelHexStr.h"

namespace {

// A short-string argument: longer text is cut, as assigning it to one would.
std::string_view Short(std::string_view s) {
    return s.substr(0, MaxShortStr);
}

uint32_t ShortLen(uint32_t len) {
    return std::min<uint32_t>(len, MaxShortStr);
}

bool IsPathDelimiter(char c) {
    return c == ':' || c == '\\' || c == '/';
}

// 0-based index of the last delimiter, or npos.
size_t LastDelimiter(std::string_view path) {
    for (size_t k = path.size(); k > 0; --k)
        if (IsPathDelimiter(path[k - 1])) return k - 1;
    return std::string_view::npos;
}

}  // namespace

std::string ScrambleShortStr(std::string_view s, std::string_view key) {
    return ScrambleLongStr(Short(s), Short(key));
}

std::string HexByte(uint8_t b) {
    return ByteToHex(b);
}

std::string HexWord(uint16_t w) {
    return ByteToHex(uint8_t(w >> 8)) + ByteToHex(uint8_t(w & 0xFF));
}

std::string HexLong(uint32_t l) {
    return HexWord(uint16_t(l >> 16)) + HexWord(uint16_t(l & 0xFFFF));
}

std::string IntegerShortStr(int32_t l) {
    return IntegerLongStr(l);
}

bool StrToLong(std::string_view s, int32_t& value) {
    int32_t parsed = 0;
    int32_t errorPos = 0;
    ParseLongText(s, parsed, errorPos);
    if (errorPos == 0) {
        value = parsed;
        return true;
    }
    value = errorPos > 0 ? errorPos : int32_t(s.size()) + 1;
    return false;
}

std::string PadCharShortStr(std::string_view s, char ch, uint32_t len) {
    std::string result(Short(s));
    len = ShortLen(len);
    if (result.size() < len) result.append(len - result.size(), ch);
    return result;
}

std::string PadShortStr(std::string_view s, uint32_t len) {
    return PadCharShortStr(s, ' ', len);
}

std::string LeftPadCharShortStr(std::string_view s, char ch, uint32_t len) {
    s = Short(s);
    len = ShortLen(len);
    if (s.size() >= len) return std::string(s);
    std::string result(len - s.size(), ch);
    result += s;
    return result;
}

std::string GroupThousandsCharShortStr(int32_t l, char sep) {
    return GroupThousandsCharLongStr(l, sep);  // never near the cap
}

std::string GroupThousandsShortStr(int32_t l) {
    return GroupThousandsLongStr(l);
}

bool CharInShortStr(std::string_view s, char c) {
    return Short(s).find(c) != std::string_view::npos;
}

bool CharPosShortStr(std::string_view s, char c, int32_t& pos) {
    return CharPosLongStr(Short(s), c, pos);
}

std::string CharInsertShortStr(std::string_view s, char c, int32_t pos) {
    std::string result(Short(s));
    const size_t at = pos < 1 ? 0 : std::min(size_t(pos) - 1, result.size());
    result.insert(at, 1, c);
    if (result.size() > MaxShortStr) result.pop_back();
    return result;
}

std::string CharDeleteShortStr(std::string_view s, int32_t pos) {
    std::string result(Short(s));
    if (pos >= 1 && size_t(pos) <= result.size()) result.erase(size_t(pos) - 1, 1);
    return result;
}

bool PathHasExtension(std::string_view name, int32_t& dotPos) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        dotPos = 0;
        return false;
    }
    dotPos = int32_t(dot) + 1;
    // ":" after the dot does not count: a drive letter never follows a file name.
    return name.find_first_of("\\/", dot + 1) == std::string_view::npos;
}

std::string PathExtension(std::string_view name) {
    int32_t dotPos = 0;
    if (!PathHasExtension(name, dotPos)) return {};
    return std::string(name.substr(size_t(dotPos)));
}

std::string PathForceExtension(std::string_view name, std::string_view ext) {
    if (name.empty()) return {};
    int32_t dotPos = 0;
    std::string result;
    if (PathHasExtension(name, dotPos))
        result = name.substr(0, size_t(dotPos));
    else
        result = std::string(name) + '.';
    result += ext;
    return result;
}

std::string PathFileName(std::string_view path) {
    const size_t delim = LastDelimiter(path);
    return std::string(delim == std::string_view::npos ? path : path.substr(delim + 1));
}

std::string PathBaseName(std::string_view path) {
    const std::string fileName = PathFileName(path);
    const size_t dot = fileName.rfind('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

std::string PathDirectory(std::string_view path) {
    const size_t delim = LastDelimiter(path);
    if (delim == std::string_view::npos) return {};
    if (delim == 0) return std::string(path.substr(0, 1));
    // "C:" and "C:\" name a drive's folder, so their delimiter stays.
    const bool keepDelimiter = path[delim] == ':' || path[delim - 1] == ':';
    return std::string(path.substr(0, keepDelimiter ? delim + 1 : delim));
}
