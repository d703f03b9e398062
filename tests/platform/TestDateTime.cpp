// Date-times as day counts and their pictures.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/DateTime.h"
#include "platform/Exceptions.h"

TEST(DateTime, EncodesAndDecodesAroundTheEpoch) {
    EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDate(2000, 1, 1), NoDate);
    EXPECT_DOUBLE_EQ(EncodeDate(1900, 3, 1), 61.0);
    for (double d : {-693593.0, -1.0, 0.0, 59.0, 60.0, 36526.0, 45657.75, 2958465.0}) {
        int y, m, day;
        DecodeDate(d, y, m, day);
        EXPECT_DOUBLE_EQ(EncodeDate(y, m, day), std::floor(d)) << d;
    }
    int y, m, d;
    DecodeDate(36526.999, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20000101);
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 7)), 2);  // a Monday
}

TEST(DateTime, ValuesBeyondAnyCalendarDecodeToNothing) {
    // A damaged file can hold any number where a date belongs.
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e19, -1e300, 7.0e11}) {
        int y = -1, m = -1, d = -1;
        DecodeDate(bad, y, m, d);
        EXPECT_EQ(y * 10000 + m * 100 + d, 0) << bad;
        EXPECT_EQ(DayOfWeek(bad), 0) << bad;
        EXPECT_EQ(FormatDateTime("dddd mmm", bad), " ") << bad;
    }
}

TEST(DateTime, TimesRoundToMilliseconds) {
    int h, n, s, ms;
    DecodeTime(EncodeTime(13, 5, 59, 999), h, n, s, ms);
    EXPECT_EQ(h * 10000000 + n * 100000 + s * 1000 + ms, 130559999);
}

TEST(FormatDateTime, WritesEnglishPictures) {
    TDateTime t = EncodeDate(2024, 2, 9) + EncodeTime(14, 7, 3, 0);
    EXPECT_EQ(FormatDateTime("mmm dd, yy", t), "Feb 09, 24");
    EXPECT_EQ(FormatDateTime("mmm dd, yyyy", t), "Feb 09, 2024");
    EXPECT_EQ(FormatDateTime("hh:mm:ss", t), "14:07:03");
    EXPECT_EQ(FormatDateTime("h:nn am/pm", t), "2:07 pm");
    EXPECT_EQ(FormatDateTime("dddd d mmmm", t), "Friday 9 February");
    EXPECT_EQ(FormatDateTime("'at' yyyy/mm/dd", t), "at 2024/02/09");
    EXPECT_EQ(FormatDateTime("hh:n AM/PM z ddd", t), "02:7 PM 0 Fri");
    EXPECT_EQ(FormatDateTime("h a/p \"mm\" zzz", t), "2 p mm 000");
}
