// Hexadecimal text of bytes and whole byte strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Two upper-case digits, high digit first.
std::string ByteToHex(uint8_t b);
// Two digits per byte, in order.
std::string StrToHexStr(std::string_view s);
// The inverse: each pair of digits (either case) becomes a byte; an odd last digit is ignored.
// A pair that is not hexadecimal raises EConvertError "'$xy' is not a valid integer value".
std::string HexStrToStr(std::string_view s);

// ---- Keyed scrambling and hexadecimal text in one pass, for long texts. The results are
// those of the reference routines: StrToHexStr(ScrambleLongStr(s, key)) and
// ScrambleLongStr(HexStrToStr(hex), key) (StStrL.h).

// A scrambling key prepared for the one-pass routines: the key byte for a text's byte i.
class TScrambleKey {
public:
    explicit TScrambleKey(std::string_view key);  // an empty key scrambles nothing
    size_t Length() const { return length_; }
    // The key bytes from `phase` on, at least 16 of them.
    const unsigned char* Run(size_t phase) const { return run_.data() + phase; }

private:
    size_t length_;
    std::vector<unsigned char> run_;
};

// Writes the hexadecimal text of the scrambled value at `to` (2 digits a byte) and returns its
// end. `phase` is the place in the key (0 for a whole value); it moves on, so a text can be
// written in pieces.
char* ScrambleToHex(char* to, std::string_view value, const TScrambleKey& key, size_t& phase);
// The same one byte at a time, the path for machines without vector instructions and for the
// bytes after the last whole block.
char* ScrambleToHexBytewise(char* to, std::string_view value, const TScrambleKey& key,
                            size_t& phase);
// The hexadecimal text decoded and unscrambled, at most `limit` bytes kept (the rest is still
// checked); false on a character that is no hexadecimal digit. An odd last digit is ignored.
bool HexToUnscrambled(std::string_view hex, const TScrambleKey& key, size_t limit,
                      std::string& out);
