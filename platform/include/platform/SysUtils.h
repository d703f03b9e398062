// The runtime's text and number helpers that the system's code leans on, over Windows-1252 bytes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

// Comparisons fold ASCII letters only and compare bytes unsigned (0xBB sorts above the letters).
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
int CompareStr(std::string_view a, std::string_view b);  // case-sensitive, unsigned bytes

char UpCase(char c);
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);

// Trimming removes every character up to and including the blank (0x00..0x20).
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

std::string IntToStr(int64_t value);
// Upper case, at least `digits` digits. A negative value within 32 bits gives its 32-bit two's
// complement ("FFFFFFFF" for -1); one below that, its 64-bit two's complement.
std::string IntToHex(int64_t value, int digits);

// The runtime's integer conversion: leading blanks, an optional sign, "$" for hexadecimal
// (at most eight significant digits, read as signed 32-bit), decimal within 32 bits.
// Returns 0 on success, else the 1-based position of the first bad character
// (Length + 1 when the text ends before a digit).
int ValInt(std::string_view text, int32_t& value);

// "'%s' is not a valid integer value" as EConvertError.
[[noreturn]] void RaiseInvalidInteger(std::string_view text);
int32_t StrToInt(std::string_view text);
int32_t StrToIntDef(std::string_view text, int32_t fallback);
bool TryStrToInt(std::string_view text, int32_t& value);

// Floating-point text: general format with 15 significant digits, always written with ".",
// read with "." or ",". StrToFloat raises "'%s' is not a valid floating point value".
std::string FloatToStr(double value);
bool TryStrToFloat(std::string_view text, double& value);
double StrToFloat(std::string_view text);

// An argument of FormatMsg: a number or a text.
class FmtArg {
public:
    FmtArg(int v) : value_(int64_t(v)) {}
    FmtArg(long v) : value_(int64_t(v)) {}
    FmtArg(long long v) : value_(int64_t(v)) {}
    FmtArg(unsigned v) : value_(int64_t(v)) {}
    FmtArg(unsigned long v) : value_(int64_t(v)) {}
    FmtArg(const char* v) : value_(std::string(v)) {}
    FmtArg(std::string_view v) : value_(std::string(v)) {}
    FmtArg(const std::string& v) : value_(v) {}
    const std::variant<int64_t, std::string>& value() const { return value_; }

private:
    std::variant<int64_t, std::string> value_;
};

// The runtime's format routine for the placeholders the messages use: %d, %u, %s, %x and %%.
// A placeholder without a matching argument is left as it stands.
std::string FormatMsg(std::string_view format, std::initializer_list<FmtArg> args);

// Replaces every occurrence of `from` with `to`.
std::string StringReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Text for an HTML page or attribute value: "&", "<", ">" and '"' become references. Other
// bytes stay, so the text keeps its encoding (UTF-8 or Windows-1252).
std::string HtmlEscape(std::string_view text);
// The reference that stands for `c` in HTML text ("&amp;", "&lt;", "&gt;", "&quot;"), or
// nullptr for a character that stands for itself. Writers that escape as they go use it.
const char* HtmlReference(char32_t c);

// The first `limit` bytes of `text` followed by "...", or the whole text when it is no longer:
// what a list cell or a hint shows of a value that may be megabytes long.
std::string ShortenedText(std::string_view text, size_t limit);
