// Hexadecimal text of bytes and byte strings, decoded through a digit table.
#include "pelHexStr.h"

#include <array>

#include <platform/SysUtils.h>

namespace {

constexpr char Digits[] = "0123456789ABCDEF";

// The value of every byte as a hexadecimal digit, or -1.
constexpr std::array<int8_t, 256> DigitValues = [] {
    std::array<int8_t, 256> table{};
    table.fill(-1);
    for (int k = 0; k < 10; ++k) table[size_t('0' + k)] = int8_t(k);
    for (int k = 0; k < 6; ++k) {
        table[size_t('A' + k)] = int8_t(10 + k);
        table[size_t('a' + k)] = int8_t(10 + k);
    }
    return table;
}();

}  // namespace

std::string ByteToHex(uint8_t b) {
    return {Digits[b >> 4], Digits[b & 0x0F]};
}

std::string StrToHexStr(std::string_view s) {
    std::string result;
    result.reserve(2 * s.size());
    for (const char c : s) {
        const auto b = static_cast<unsigned char>(c);
        result += Digits[b >> 4];
        result += Digits[b & 0x0F];
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
