// Routines over short strings: results are cut to 255 bytes, except the path routines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The most bytes a short string holds.
inline constexpr size_t MaxShortStr = 255;

// Keyed scrambling: each byte is XORed with the key applied from its last byte backwards,
// wrapping round; a byte equal to its key byte is kept. Applying it twice gives the text back.
std::string ScrambleShortStr(std::string_view s, std::string_view key);

// Upper-case hexadecimal digits, most significant first.
std::string HexByte(uint8_t b);
std::string HexWord(uint16_t w);
std::string HexLong(uint32_t l);

std::string IntegerShortStr(int32_t l);

// Blanks around the text are ignored; "$1F", "0x1F" and "1Fh" are hexadecimal. On failure
// Value is the 1-based position where parsing stopped (Length + 1 when there is none).
bool StrToLong(std::string_view s, int32_t& value);

std::string PadCharShortStr(std::string_view s, char ch, uint32_t len);
std::string PadShortStr(std::string_view s, uint32_t len);
std::string LeftPadCharShortStr(std::string_view s, char ch, uint32_t len);

// Decimal text with `sep` between groups of three digits: 1234567 -> "1,234,567".
std::string GroupThousandsCharShortStr(int32_t l, char sep);
std::string GroupThousandsShortStr(int32_t l);

bool CharInShortStr(std::string_view s, char c);
// Pos is the 1-based position of the first C, or 0 when there is none.
bool CharPosShortStr(std::string_view s, char c, int32_t& pos);
// C inserted before position Pos (at the front when Pos < 1, at the end past the text).
std::string CharInsertShortStr(std::string_view s, char c, int32_t pos);
// S without the character at Pos; unchanged when Pos is outside S.
std::string CharDeleteShortStr(std::string_view s, int32_t pos);

// File paths: ":", "\" and "/" delimit. Results are not cut, since real paths may be longer.
// DotPos is the 1-based position of the last "." (0 when none); an extension is a "." with
// no delimiter after it.
bool PathHasExtension(std::string_view name, int32_t& dotPos);
std::string PathExtension(std::string_view name);
// Ext is given without its dot; an empty name stays empty.
std::string PathForceExtension(std::string_view name, std::string_view ext);
std::string PathFileName(std::string_view path);
std::string PathBaseName(std::string_view path);
// "" without a delimiter; "\" for "\FILE"; "C:" for "C:FILE"; "C:\" for "C:\FILE";
// "C:\A" for "C:\A\B.TXT"; "/" for "/x.htm".
std::string PathDirectory(std::string_view path);
