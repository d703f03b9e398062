// The bank file's layout, shared by its reader and writer: line prefixes and tags, record
// numbers, dates as the file holds them, and the application's key for the one-pass scrambling.
#pragma once

#include <string>
#include <string_view>

#include "BankFile.h"
#include "pelHexStr.h"
#include "platform/DateTime.h"

namespace bankfile {

constexpr std::string_view CRLF = "\r\n";
constexpr std::string_view HeaderPrefix = "#----F#";
constexpr std::string_view HeaderVersion = "2.0";
constexpr std::string_view PasswordPrefix = "#----P#";
constexpr std::string_view MarkerPrefix = "#00000#";
constexpr std::string_view LocalMarker = "NormalBankFile";
constexpr std::string_view WorkgroupMarkerText = "WorkgroupBankF";
// Columns 1-7 of a record line: "#", five digits, "#".
constexpr size_t PrefixLength = 7;
// The value starts after the two-letter tag and "=", in column 11.
constexpr size_t ValueColumn = 10;

enum class Tag { None, Na, Ux, Fx, No, C1, C2, C3, De, Ra, Id, Pw, Em, Cn, Da, La, Ac };

// The tag of a record line (columns 8-10, "Na=" ...); None for any other.
Tag TagOf(std::string_view line);

// "#", the number as five digits, "#"; past 99999 the numbers wrap round.
std::string RecordPrefix(int number);
// Whether the writer writes the date under the rule.
bool WriteDate(TDateTime date, TRecordOptions::TDateRule rule);
// A date value as read: unconvertible text, 0 and values outside the years 1-9999 are no date.
TDateTime ReadDate(std::string_view text);
// FloatToStr's text of the value, made in `buf` where it can be; `other` holds it otherwise.
std::string_view FloatText(double value, char (&buf)[64], std::string& other);

// The application's key text prepared for the one-pass scrambling.
const TScrambleKey& BankKey();

}  // namespace bankfile
