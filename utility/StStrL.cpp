// Routines over strings of any length; the short forms cap these.
#include "StStrL.h"

#include <cstring>

#include "pelHexStr.h"

std::string ScrambleLongStr(std::string_view s, std::string_view key) {
    std::string result(s);
    if (key.empty() || s.empty()) return result;
    size_t k = key.size();
    for (size_t i = 0; i < result.size(); ++i) {
        if (k == 0) k = key.size();
        result[i] = static_cast<char>(hexstr::Scrambled(static_cast<unsigned char>(result[i]),
                                                        static_cast<unsigned char>(key[k - 1])));
        --k;
    }
    return result;
}

std::string IntegerLongStr(int32_t l) {
    return std::to_string(l);
}

std::string LeftPadCharLongStr(std::string_view s, char ch, int32_t len) {
    if (len <= 0 || s.size() >= size_t(len)) return std::string(s);
    std::string result(size_t(len) - s.size(), ch);
    result += s;
    return result;
}

std::string LeftPadLongStr(std::string_view s, int32_t len) {
    return LeftPadCharLongStr(s, ' ', len);
}

std::string GroupThousandsCharLongStr(int32_t l, char sep) {
    // 64 bits, so that the absolute value of the smallest 32-bit number exists.
    const int64_t value = l;
    const std::string digits = std::to_string(value < 0 ? -value : value);
    std::string result;
    result.reserve(digits.size() + digits.size() / 3 + 1);
    if (value < 0) result += '-';
    for (size_t k = 0; k < digits.size(); ++k) {
        if (k > 0 && (digits.size() - k) % 3 == 0) result += sep;
        result += digits[k];
    }
    return result;
}

std::string GroupThousandsLongStr(int32_t l) {
    return GroupThousandsCharLongStr(l, ',');
}

bool CharPosLongStr(std::string_view s, char c, int32_t& pos) {
    const void* found = s.empty() ? nullptr : std::memchr(s.data(), c, s.size());
    pos = found ? int32_t(static_cast<const char*>(found) - s.data()) + 1 : 0;
    return found != nullptr;
}
