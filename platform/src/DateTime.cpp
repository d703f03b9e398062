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

std::string FormatDateTime(std::string_view picture, TDateTime value) {
    int y, mo, d, h, mi, s, ms;
    DecodeDate(value, y, mo, d);
    DecodeTime(value, h, mi, s, ms);
    const LocaleInfo& loc = FormatSettings();
    std::string out;
    bool afterHour = false;
    bool twelveHour = false;
    // A 12-hour clock applies when the picture holds an am/pm marker anywhere.
    {
        std::string lower;
        for (char c : picture) lower += char(std::tolower(static_cast<unsigned char>(c)));
        twelveHour = lower.find("am/pm") != std::string::npos ||
                     lower.find("a/p") != std::string::npos ||
                     lower.find("ampm") != std::string::npos;
    }
    size_t i = 0;
    auto count = [&](char ch) {
        size_t n = 0;
        while (i + n < picture.size() &&
               std::tolower(static_cast<unsigned char>(picture[i + n])) == ch)
            ++n;
        return n;
    };
    auto startsWithCI = [&](std::string_view what) {
        if (i + what.size() > picture.size()) return false;
        for (size_t k = 0; k < what.size(); ++k)
            if (std::tolower(static_cast<unsigned char>(picture[i + k])) != what[k]) return false;
        return true;
    };
    while (i < picture.size()) {
        char c = picture[i];
        char lc = char(std::tolower(static_cast<unsigned char>(c)));
        if (c == '"' || c == '\'') {
            size_t end = picture.find(c, i + 1);
            if (end == std::string_view::npos) end = picture.size();
            out.append(picture.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        if (lc == 'a' && startsWithCI("am/pm")) {
            bool upper = picture[i] == 'A';
            std::string t = h < 12 ? "am" : "pm";
            if (upper) t = h < 12 ? "AM" : "PM";
            out += t;
            i += 5;
            continue;
        }
        if (lc == 'a' && startsWithCI("a/p")) {
            bool upper = picture[i] == 'A';
            out += h < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
            i += 3;
            continue;
        }
        if (lc == 'a' && startsWithCI("ampm")) {
            out += h < 12 ? loc.TimeAMString : loc.TimePMString;
            i += 4;
            continue;
        }
        size_t n;
        switch (lc) {
            case 'd':
                n = count('d');
                if (n == 1)
                    out += std::to_string(d);
                else if (n == 2)
                    out += Pad(d, 2);
                else if (n == 3)
                    out += ShortDayName(DayOfWeek(value));
                else
                    out += LongDayName(DayOfWeek(value));
                i += n;
                afterHour = false;
                continue;
            case 'm':
                n = count('m');
                if (afterHour && n <= 2) {
                    out += n == 1 ? std::to_string(mi) : Pad(mi, 2);
                } else if (n == 1)
                    out += std::to_string(mo);
                else if (n == 2)
                    out += Pad(mo, 2);
                else if (n == 3)
                    out += ShortMonthName(mo);
                else
                    out += LongMonthName(mo);
                i += n;
                afterHour = false;
                continue;
            case 'y':
                n = count('y');
                out += n <= 2 ? Pad(y % 100, 2) : Pad(y, 4);
                i += n;
                afterHour = false;
                continue;
            case 'h': {
                n = count('h');
                int hh = h;
                if (twelveHour) {
                    hh = h % 12;
                    if (hh == 0) hh = 12;
                }
                out += n == 1 ? std::to_string(hh) : Pad(hh, 2);
                i += n;
                afterHour = true;
                continue;
            }
            case 'n':
                n = count('n');
                out += n == 1 ? std::to_string(mi) : Pad(mi, 2);
                i += n;
                afterHour = false;
                continue;
            case 's':
                n = count('s');
                out += n == 1 ? std::to_string(s) : Pad(s, 2);
                i += n;
                afterHour = false;
                continue;
            case 'z':
                n = count('z');
                out += n >= 3 ? Pad(ms, 3) : std::to_string(ms);
                i += n;
                continue;
            case '/':
                out += loc.DateSeparator;
                ++i;
                continue;
            case ':':
                out += loc.TimeSeparator;
                ++i;
                continue;
            default:
                out += c;
                ++i;
                continue;
        }
    }
    return out;
}
