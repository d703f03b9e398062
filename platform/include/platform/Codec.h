// Windows-1252 text, the system's 8-bit text, converted to and from UTF-16 and UTF-8 at the edges.
#pragma once

#include <string>
#include <string_view>

// The Unicode code point of one Windows-1252 byte. The five bytes the code page leaves
// unassigned map to the C1 control of the same value, so every byte round-trips.
char16_t AnsiCharToUnicode(unsigned char c);

// The Windows-1252 byte of a code point, or '?' when the code page has none.
unsigned char UnicodeToAnsiChar(char32_t c);

std::u16string AnsiToUtf16(std::string_view text);
std::string Utf16ToAnsi(std::u16string_view text);  // surrogate pairs become one '?'

std::string AnsiToUtf8(std::string_view text);
std::string Utf8ToAnsi(std::string_view text);       // malformed sequences become '?'

// True when the text is valid UTF-8 (ASCII included).
bool IsValidUtf8(std::string_view text);
