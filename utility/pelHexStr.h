// Hexadecimal text of bytes and whole byte strings.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Two upper-case digits, high digit first.
std::string ByteToHex(uint8_t b);
// Two digits per byte, in order.
std::string StrToHexStr(std::string_view s);
// The inverse: each pair of digits (either case) becomes a byte; an odd last digit is ignored.
// A pair that is not hexadecimal raises EConvertError "'$xy' is not a valid integer value".
std::string HexStrToStr(std::string_view s);

// ---- Keyed scrambling and hexadecimal text in one pass, for long texts and many values. The
// results are those of the reference routines: StrToHexStr(ScrambleLongStr(s, key)) and
// ScrambleLongStr(HexStrToStr(hex), key) (StStrL.h). Inline, since record writers call them
// for every short value.

namespace hexstr {

// Both digits of every byte.
inline constexpr auto DigitPairs = [] {
    constexpr char Digits[] = "0123456789ABCDEF";
    std::array<std::array<char, 2>, 256> table{};
    for (size_t b = 0; b < 256; ++b) table[b] = {Digits[b >> 4], Digits[b & 15]};
    return table;
}();

// The value of every byte as a hexadecimal digit, or -1.
inline constexpr auto DigitValues = [] {
    std::array<int8_t, 256> table{};
    table.fill(-1);
    for (int k = 0; k < 10; ++k) table[size_t('0' + k)] = int8_t(k);
    for (int k = 0; k < 6; ++k) {
        table[size_t('A' + k)] = int8_t(10 + k);
        table[size_t('a' + k)] = int8_t(10 + k);
    }
    return table;
}();

// One byte scrambled: combined with its key byte, except that a byte equal to its key byte
// stays as it is (so no byte becomes zero).
inline unsigned char Scrambled(unsigned char c, unsigned char keyByte) {
    return c != keyByte ? static_cast<unsigned char>(c ^ keyByte) : c;
}

}  // namespace hexstr

// A scrambling key prepared for the one-pass routines: the key byte for a text's byte i.
class TScrambleKey {
public:
    explicit TScrambleKey(std::string_view key);  // an empty key scrambles nothing
    size_t Length() const { return length_; }
    // The key bytes from `phase` (below Length()) on, at least 16 of them.
    const unsigned char* Run(size_t phase) const { return run_.data() + phase; }

private:
    size_t length_;
    std::vector<unsigned char> run_;
};

// The same as ScrambleToHex one byte at a time: the path for machines without vector
// instructions and for the bytes after the last whole block.
inline char* ScrambleToHexBytewise(char* to, std::string_view value, const TScrambleKey& key,
                                   size_t& phase) {
    const auto* from = reinterpret_cast<const unsigned char*>(value.data());
    const unsigned char* run = key.Run(0);
    const size_t length = key.Length();
    for (size_t i = 0; i < value.size(); ++i) {
        std::memcpy(to + 2 * i, hexstr::DigitPairs[hexstr::Scrambled(from[i], run[phase])].data(),
                    2);
        if (++phase == length) phase = 0;
    }
    return to + 2 * value.size();
}

// Writes the hexadecimal text of the scrambled value at `to` (2 digits a byte) and returns its
// end. `phase` is the place in the key (0 for a whole value); it moves on, so a text can be
// written in pieces.
inline char* ScrambleToHex(char* to, std::string_view value, const TScrambleKey& key,
                           size_t& phase) {
    size_t i = 0;
#if defined(__SSE2__)
    const auto* from = reinterpret_cast<const unsigned char*>(value.data());
    const size_t n = value.size();
    if (n >= 16) {
        // Sixteen bytes a step: combined with their key bytes, split into digits, made text
        // and interleaved high digit first.
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
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 2 * i + 16),
                             _mm_unpackhi_epi8(high, low));
            phase += 16;
            while (phase >= key.Length()) phase -= key.Length();
        }
    }
#endif
    return ScrambleToHexBytewise(to + 2 * i, value.substr(i), key, phase);
}

// The hexadecimal text decoded and unscrambled, at most `limit` bytes kept (the rest is still
// checked); false on a character that is no hexadecimal digit. An odd last digit is ignored.
inline bool HexToUnscrambled(std::string_view hex, const TScrambleKey& key, size_t limit,
                             std::string& out) {
    const size_t n = hex.size() / 2;
    out.resize(std::min(n, limit));
    const auto* in = reinterpret_cast<const unsigned char*>(hex.data());
    const unsigned char* run = key.Run(0);
    const size_t length = key.Length();
    size_t phase = 0;
    for (size_t i = 0; i < n; ++i) {
        const int high = hexstr::DigitValues[in[2 * i]], low = hexstr::DigitValues[in[2 * i + 1]];
        if ((high | low) < 0) return false;
        if (i < limit)
            out[i] =
                char(hexstr::Scrambled(static_cast<unsigned char>(high << 4 | low), run[phase]));
        if (++phase == length) phase = 0;
    }
    return true;
}
