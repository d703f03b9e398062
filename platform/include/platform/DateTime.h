// Date-times as days since 30 December 1899 with the time as the fraction, and their texts.
#pragma once

#include <string>
#include <string_view>

using TDateTime = double;

// Stored in a date field, 1 January 2000 means "no date" and shows blank.
inline constexpr TDateTime NoDate = 36526.0;

// The locale facts the date, time and number routines use. English month names are fixed:
// dates written into files never depend on the user's language.
struct LocaleInfo {
    std::string TimeSeparator = ":";
    std::string DateSeparator = "/";
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    char DecimalSeparator = '.';
    std::string ShortDateFormat = "mm/dd/yyyy";
};

// The process's locale facts; the program fills them from the desktop at start, tests set them.
LocaleInfo& FormatSettings();

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);  // EConvertError on a bad date
// 0, 0, 0 before 1 January of year 1, for NaN and for values whose year does not fit an int.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
int DayOfWeek(TDateTime value);  // 1 = Sunday .. 7 = Saturday; 0 where DecodeDate gives 0s

TDateTime Now();
TDateTime Date();

// English month and day names: "Jan".."Dec", "January".., "Sun".., "Sunday"..
const char* ShortMonthName(int month);
const char* LongMonthName(int month);
const char* ShortDayName(int day);
const char* LongDayName(int day);

// The runtime's date-time picture: d dd ddd dddd, m mm mmm mmmm, yy yyyy, h hh, n nn, s ss,
// z zzz, am/pm, a/p, ampm, "/" and ":" (the locale's separators), quoted literals.
// "m" right after an hour means minutes.
std::string FormatDateTime(std::string_view picture, TDateTime value);
