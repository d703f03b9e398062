// Month lengths and leap years of the calendar library.
#include "EsUtil.h"

#include <platform/SysUtils.h>

#include "EsSrMgr.h"

bool EsIsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int EsMonthLength(int year, int month) {
    switch (month) {
        case 1:
        case 3:
        case 5:
        case 7:
        case 8:
        case 10:
        case 12:
            return 31;
        case 4:
        case 6:
        case 9:
        case 11:
            return 30;
        case 2:
            return EsIsLeapYear(year) ? 29 : 28;
        default:
            return 0;
    }
}

int EsDaysInMonth(int year, int month) {
    if (year < 100)
        throw EEsError(EsMessageResource().GetString(esInvalidYear) + " \"" + IntToStr(year) +
                       "\"");
    return EsMonthLength(year, month);
}

TEsRGB EsSplitColor(TColor color) {
    return {GetRValue(color), GetGValue(color), GetBValue(color)};
}
