// The calendar library's utilities: its exception, month lengths, leap years, colour bytes.
#pragma once

#include <platform/Exceptions.h>
#include <platform/Graphics.h>

LORVANE_EXCEPTION(EEsError, Exception);

// Gregorian: divisible by 4, and not by 100 unless by 400 (2000 and 4000 are leap years).
bool EsIsLeapYear(int year);
// The days of a month: 31, 30, 28 or 29 for February, 0 for a month outside 1..12. A year
// below 100 raises EEsError `Invalid year "<year>"`.
int EsDaysInMonth(int year, int month);
// The same without the year check, for painting, which must never raise.
int EsMonthLength(int year, int month);

struct TEsRGB {
    int Red = 0;
    int Green = 0;
    int Blue = 0;
};
// The red, green and blue bytes of a colour given as $BBGGRR.
TEsRGB EsSplitColor(TColor color);

inline int EsMinInt(int a, int b) {
    return a < b ? a : b;
}
inline int EsMaxInt(int a, int b) {
    return a > b ? a : b;
}
