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
std::string Utf8ToAnsi(std::string_view text);  // malformed sequences become '?'

// Appends the UTF-8 bytes of one code point (the caller passes a Unicode scalar value).
void AppendUtf8CodePoint(std::string& out, char32_t c);

// True when the text is valid UTF-8 (ASCII included).
bool IsValidUtf8(std::string_view text);

// ---- URLs and text of undeclared encoding, as they arrive from other programs ----

// A URL given in UTF-8, as Windows-1252 text that opens the same address: a character the
// code page has becomes its byte, every other character becomes the percent escapes of its
// UTF-8 bytes ("日本" becomes "%E6%97%A5%E6%9C%AC"). A malformed sequence becomes '?', as in
// Utf8ToAnsi. Names and other texts keep Utf8ToAnsi's '?' rule.
std::string Utf8UrlToAnsi(std::string_view utf8);

// UTF-16 code units as UTF-8; a surrogate without its partner becomes '?'.
std::string Utf16ToUtf8(std::u16string_view text);
// UTF-8 as UTF-16 code units (surrogate pairs beyond the basic plane); a malformed sequence
// becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// n, or the start of the UTF-8 character byte n lies in (at most the text's size).
size_t Utf8CharStart(std::string_view text, size_t n);

// Text bytes whose encoding nothing declares, as UTF-8: UTF-16 (either byte order) or UTF-8
// when they start with that byte-order mark (the mark dropped; an odd last byte of UTF-16 is
// not read), UTF-8 when they are valid UTF-8 beyond ASCII, else Windows-1252.
std::string UndeclaredTextToUtf8(std::string_view bytes);
