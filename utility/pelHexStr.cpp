// Hexadecimal text of bytes and byte strings, decoded through a digit table.
#include "pelHexStr.h"

#include <algorithm>
#include <array>

#include <platform/SysUtils.h>

using hexstr::DigitPairs;
using hexstr::DigitValues;

std::string ByteToHex(uint8_t b) {
    return {DigitPairs[b][0], DigitPairs[b][1]};
}

std::string StrToHexStr(std::string_view s) {
    std::string result;
    result.reserve(2 * s.size());
    for (const char c : s) {
        result.append(DigitPairs[static_cast<unsigned char>(c)].data(), 2);
    }
    return result;
}

std::string HexStrToStr(std::string_view s) {
    std::string result;
    result.reserve(s.size() / 2);
    for (size_t k = 0; k + 1 < s.size(); k += 2) {
        const int high = DigitValues[static_cast<unsigned char>(s[k])];
        const int low = DigitValues[static_cast<unsigned char>(s[k + 1])];
        if (high < 0 || low < 0) RaiseInvalidInteger(std::string{'$', s[k], s[k + 1]});
        result += static_cast<char>(high << 4 | low);
    }
    return result;
}

// ---- One pass ----

TScrambleKey::TScrambleKey(std::string_view key)
    : length_(key.empty() ? 1 : key.size()), run_(length_ + 16, 0) {
    // Byte i of a text takes the key's bytes from the last one back, round and round; sixteen
    // more let any place load sixteen at once. An empty key is one zero byte: no change.
    if (key.empty()) return;
    for (size_t i = 0; i < run_.size(); ++i)
        run_[i] = static_cast<unsigned char>(key[length_ - 1 - i % length_]);
}
