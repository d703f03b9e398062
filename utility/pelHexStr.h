// Hexadecimal text of bytes and whole byte strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Two upper-case digits, high digit first.
std::string ByteToHex(uint8_t b);
// Two digits per byte, in order.
std::string StrToHexStr(std::string_view s);
// The inverse: each pair of digits (either case) becomes a byte; an odd last digit is ignored.
// A pair that is not hexadecimal raises EConvertError "'$xy' is not a valid integer value".
std::string HexStrToStr(std::string_view s);
