// Hexadecimal text of bytes and byte strings, decoded through a digit table.
#include "pelHexStr.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Both digits of every byte.
constexpr auto DigitPairs = [] {
    std::array<std::array<char, 2>, 256> table{};
    for (size_t b = 0; b < 256; ++b) table[b] = {Digits[b >> 4], Digits[b & 15]};
    return table;
}();

// The scrambling of one byte: combined with its key byte, except that a byte equal to its key
// byte stays as it is (so no byte becomes zero).
inline unsigned char Scrambled(unsigned char c, unsigned char keyByte) {
    return c != keyByte ? static_cast<unsigned char>(c ^ keyByte) : c;
}

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

// ---- One pass ----

TScrambleKey::TScrambleKey(std::string_view key) : length_(key.empty() ? 1 : key.size()) {
    // Byte i of a text takes the key's bytes from the last one back, round and round; sixteen
    // more let any place load sixteen at once. An empty key is one zero byte: no change.
    run_.resize(length_ + 16);
    for (size_t i = 0; i < run_.size(); ++i)
        run_[i] = key.empty() ? 0 : static_cast<unsigned char>(key[length_ - 1 - i % length_]);
}

char* ScrambleToHexBytewise(char* to, std::string_view value, const TScrambleKey& key,
                            size_t& phase) {
    const auto* from = reinterpret_cast<const unsigned char*>(value.data());
    const unsigned char* run = key.Run(0);
    for (size_t i = 0; i < value.size(); ++i) {
        std::memcpy(to + 2 * i, DigitPairs[Scrambled(from[i], run[phase])].data(), 2);
        if (++phase == key.Length()) phase = 0;
    }
    return to + 2 * value.size();
}

char* ScrambleToHex(char* to, std::string_view value, const TScrambleKey& key, size_t& phase) {
    const auto* from = reinterpret_cast<const unsigned char*>(value.data());
    const size_t n = value.size();
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes a step: combined with their key bytes, split into digits, made text and
    // interleaved high digit first.
    const __m128i low4 = _mm_set1_epi8(0x0F), nine = _mm_set1_epi8(9);
    const __m128i zeroDigit = _mm_set1_epi8('0'), letterGap = _mm_set1_epi8('A' - '0' - 10);
    auto text = [&](__m128i digits) {
        const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(digits, nine), letterGap);
        return _mm_add_epi8(_mm_add_epi8(digits, zeroDigit), letters);
    };
    for (; i + 16 <= n; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        const __m128i keys = _mm_loadu_si128(reinterpret_cast<const __m128i*>(key.Run(phase)));
        __m128i x = _mm_xor_si128(bytes, keys);
        x = _mm_or_si128(x, _mm_and_si128(_mm_cmpeq_epi8(x, _mm_setzero_si128()), keys));
        const __m128i high = text(_mm_and_si128(_mm_srli_epi16(x, 4), low4));
        const __m128i low = text(_mm_and_si128(x, low4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 2 * i), _mm_unpacklo_epi8(high, low));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 2 * i + 16), _mm_unpackhi_epi8(high, low));
        phase += 16;
        while (phase >= key.Length()) phase -= key.Length();
    }
#endif
    return ScrambleToHexBytewise(to + 2 * i, value.substr(i), key, phase);
}

bool HexToUnscrambled(std::string_view hex, const TScrambleKey& key, size_t limit,
                      std::string& out) {
    const size_t n = hex.size() / 2;
    out.resize(std::min(n, limit));
    const auto* in = reinterpret_cast<const unsigned char*>(hex.data());
    const unsigned char* run = key.Run(0);
    size_t phase = 0;
    for (size_t i = 0; i < n; ++i) {
        const int high = DigitValues[in[2 * i]], low = DigitValues[in[2 * i + 1]];
        if ((high | low) < 0) return false;
        if (i < limit)
            out[i] = char(Scrambled(static_cast<unsigned char>(high << 4 | low), run[phase]));
        if (++phase == key.Length()) phase = 0;
    }
    return true;
}
