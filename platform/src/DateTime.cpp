// Date-times as days since 30 December 1899, their parts and their pictures.
#include "platform/DateTime.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <ctime>

#include "platform/Exceptions.h"

namespace {
const char* const kShortMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonths[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};
const char* const kShortDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

// The ordinal (1 January of year 1 = 1) of 30 December 1899.
constexpr int64_t kDelta = 693594;

int64_t DaysBeforeYear(int64_t y) {
    --y;
    return y * 365 + y / 4 - y / 100 + y / 400;
}

// Day numbers whose year fits an int. Beyond them (and for NaN) the casts to integers would be
// undefined, and a damaged file can hold such a value.
bool InDayRange(TDateTime value) {
    return std::fabs(value) < 7.0e11;
}

std::string Pad(int value, int width) {
    std::string s = std::to_string(value);
    while (int(s.size()) < width) s.insert(s.begin(), '0');
    return s;
}
}  // namespace

LocaleInfo& FormatSettings() {
    static LocaleInfo info;
    return info;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return days[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return false;
    int64_t days = DaysBeforeYear(year);
    for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
    days += day;
    result = double(days - kDelta);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime r;
    if (!TryEncodeDate(year, month, day, r)) throw EConvertError("Invalid argument to date encode");
    return r;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    if (!InDayRange(value)) {
        year = month = day = 0;
        return;
    }
    int64_t t = int64_t(std::floor(value + 1e-9)) + kDelta - 1;  // days since 1 Jan 0001
    if (t < 0) {
        year = month = day = 0;
        return;
    }
    // 400-year cycles of 146097 days.
    int64_t y = 1;
    int64_t n400 = t / 146097;
    t %= 146097;
    int64_t n100 = t / 36524;
    if (n100 == 4) n100 = 3;
    t -= n100 * 36524;
    int64_t n4 = t / 1461;
    t %= 1461;
    int64_t n1 = t / 365;
    if (n1 == 4) n1 = 3;
    t -= n1 * 365;
    y += n400 * 400 + n100 * 100 + n4 * 4 + n1;
    year = int(y);
    month = 1;
    while (t >= DaysInMonth(year, month)) {
        t -= DaysInMonth(year, month);
        ++month;
    }
    day = int(t) + 1;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        msec < 0 || msec > 999)
        return false;
    result = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + msec) / 86400000.0;
    return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    TDateTime r;
    if (!TryEncodeTime(hour, minute, second, msec, r))
        throw EConvertError("Invalid argument to time encode");
    return r;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
    double frac = std::fabs(value - std::trunc(value));
    auto ms = int64_t(std::llround(frac * 86400000.0));
    if (ms >= 86400000) ms = 86399999;
    hour = int(ms / 3600000);
    minute = int(ms / 60000 % 60);
    second = int(ms / 1000 % 60);
    msec = int(ms % 1000);
}

int DayOfWeek(TDateTime value) {
    if (!InDayRange(value)) return 0;
    auto days = int64_t(std::floor(value));
    // 30 December 1899 was a Saturday (7).
    int64_t r = ((days % 7) + 7 + 6) % 7;
    return int(r) + 1;
}

TDateTime Now() {
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    auto ms =
        int(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
            1000);
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, ms);
}

TDateTime Date() {
    return std::floor(Now());
}

const char* ShortMonthName(int month) {
    return (month >= 1 && month <= 12) ? kShortMonths[month - 1] : "";
}
const char* LongMonthName(int month) {
    return (month >= 1 && month <= 12) ? kLongMonths[month - 1] : "";
}
const char* ShortDayName(int day) {
    return (day >= 1 && day <= 7) ? kShortDays[day - 1] : "";
}
const char* LongDayName(int day) {
    return (day >= 1 && day <= 7) ? kLongDays[day - 1] : "";
}

namespace {

struct TDateTimeParts {
    int year, month, day, hour, minute, second, msec, dayOfWeek;
};

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view lower) {
    if (at + lower.size() > text.size()) return false;
    for (size_t k = 0; k < lower.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(text[at + k])) != lower[k]) return false;
    return true;
}

// A 12-hour clock applies when the picture holds an am/pm marker anywhere.
bool HasDayHalfMarker(std::string_view picture) {
    for (size_t i = 0; i < picture.size(); ++i)
        if (StartsWithNoCase(picture, i, "am/pm") || StartsWithNoCase(picture, i, "a/p") ||
            StartsWithNoCase(picture, i, "ampm"))
            return true;
    return false;
}

// How many letters `lower` (either case) run from `at`.
size_t RunLength(std::string_view picture, size_t at, char lower) {
    size_t n = 0;
    while (at + n < picture.size() &&
           std::tolower(static_cast<unsigned char>(picture[at + n])) == lower)
        ++n;
    return n;
}

// The am/pm marker at `at` ("am/pm", "a/p" in the picture's case, "ampm" from the locale):
// written to out; its length, 0 for none.
size_t AppendDayHalf(std::string& out, std::string_view picture, size_t at, int hour,
                     const LocaleInfo& loc) {
    const bool upper = picture[at] == 'A';
    const bool am = hour < 12;
    if (StartsWithNoCase(picture, at, "am/pm")) {
        out += am ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
        return 5;
    }
    if (StartsWithNoCase(picture, at, "a/p")) {
        out += am ? (upper ? "A" : "a") : (upper ? "P" : "p");
        return 3;
    }
    if (StartsWithNoCase(picture, at, "ampm")) {
        out += am ? loc.TimeAMString : loc.TimePMString;
        return 4;
    }
    return 0;
}

bool IsFieldLetter(char lower) {
    return std::string_view("dmyhnsz").find(lower) != std::string_view::npos;
}

// A run of n letters of one field: "m" right after an hour means minutes.
void AppendField(std::string& out, char field, size_t n, const TDateTimeParts& t, bool twelveHour,
                 bool afterHour) {
    auto number = [&](int value, int width) {
        out += n == 1 ? std::to_string(value) : Pad(value, width);
    };
    switch (field) {
        case 'd':
            if (n <= 2)
                number(t.day, 2);
            else
                out += n == 3 ? ShortDayName(t.dayOfWeek) : LongDayName(t.dayOfWeek);
            break;
        case 'm':
            if (afterHour && n <= 2)
                number(t.minute, 2);
            else if (n <= 2)
                number(t.month, 2);
            else
                out += n == 3 ? ShortMonthName(t.month) : LongMonthName(t.month);
            break;
        case 'y':
            out += n <= 2 ? Pad(t.year % 100, 2) : Pad(t.year, 4);
            break;
        case 'h': {
            int hour = t.hour;
            if (twelveHour) {
                hour %= 12;
                if (hour == 0) hour = 12;
            }
            number(hour, 2);
            break;
        }
        case 'n':
            number(t.minute, 2);
            break;
        case 's':
            number(t.second, 2);
            break;
        case 'z':
            out += n >= 3 ? Pad(t.msec, 3) : std::to_string(t.msec);
            break;
    }
}

}  // namespace

std::string FormatDateTime(std::string_view picture, TDateTime value) {
    TDateTimeParts t{};
    DecodeDate(value, t.year, t.month, t.day);
    DecodeTime(value, t.hour, t.minute, t.second, t.msec);
    t.dayOfWeek = DayOfWeek(value);
    const LocaleInfo& loc = FormatSettings();
    const bool twelveHour = HasDayHalfMarker(picture);
    std::string out;
    bool afterHour = false;
    size_t i = 0;
    while (i < picture.size()) {
        const char c = picture[i];
        const char lc = char(std::tolower(static_cast<unsigned char>(c)));
        if (c == '"' || c == '\'') {
            size_t end = picture.find(c, i + 1);
            if (end == std::string_view::npos) end = picture.size();
            out.append(picture.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        if (lc == 'a') {
            if (const size_t used = AppendDayHalf(out, picture, i, t.hour, loc)) {
                i += used;
                continue;
            }
        }
        if (IsFieldLetter(lc)) {
            const size_t n = RunLength(picture, i, lc);
            AppendField(out, lc, n, t, twelveHour, afterHour);
            if (lc != 'z') afterHour = lc == 'h';
            i += n;
            continue;
        }
        if (c == '/')
            out += loc.DateSeparator;
        else if (c == ':')
            out += loc.TimeSeparator;
        else
            out += c;
        ++i;
    }
    return out;
}
