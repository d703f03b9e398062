// Tests of the seconds split and of time pictures under different locale settings.
#include "StDateSt.h"

#include <array>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include <platform/DateTime.h>

#include "StDate.h"

namespace {

// Restores the process's locale facts after a test changes them.
class TimePicture : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = FormatSettings();
        Use(":", "AM", "PM");
    }
    static void Use(std::string separator, std::string am, std::string pm) {
        FormatSettings().TimeSeparator = std::move(separator);
        FormatSettings().TimeAMString = std::move(am);
        FormatSettings().TimePMString = std::move(pm);
    }
    void TearDown() override { FormatSettings() = saved_; }

private:
    LocaleInfo saved_;
};

}  // namespace

TEST(SecondsToHMS, Splits) {
    const std::pair<uint32_t, std::array<int, 3>> cases[] = {
        {3725, {1, 2, 5}},
        {86399, {23, 59, 59}},
        {NoTime, {0, 0, 0}},
        {360000, {100, 0, 0}},
    };
    for (const auto& [seconds, hms] : cases) {
        std::array<int, 3> got{-1, -1, -1};
        SecondsToHMS(seconds, got[0], got[1], got[2]);
        EXPECT_EQ(got, hms) << seconds;
    }
    EXPECT_LT(SecondsSinceMidnight(), 86400u);
}

TEST_F(TimePicture, Table) {
    struct Case {
        const char* Picture;
        uint32_t Seconds;
        bool Pack;
        const char* Result;
    };
    const Case cases[] = {
        {"mm:ss", 754, false, "12:34"},
        {"mm:ss", 5, false, "00:05"},
        {"mm:ss", 3725, false, "02:05"},  // no hour field, so the hour is not shown
        {"hh:mm:ss", 3725, false, "01:02:05"},
        {"HH:mm", 300, false, " 0:05"},
        {"HH:mm", 300, true, "0:05"},
        {"hh:mm", NoTime, false, "  :  "},
        {"hh:mm", NoTime, true, "  :  "},
        {"h:mm t", 47100, false, "1:05 P"},
        {"h:mm tt", 47100, false, "1:05 PM"},
        {"hh:mm tttt", 43200, false, "12:00 PM  "},
        {"h:mm", 47100, false, "3:05"},  // a value wider than its run keeps its last digits
        {"MMMm:ss", 60, true, "1:00"},
        {"hh.mm (m)", 3660, false, "01.   (1)"},  // only the rightmost run takes the value
        {"elapsed mm:ss", 65, false, "elap ed 01:05"},
        {"hh:mm tt", NoTime, false, "  :   AM"},
        {"", 5, false, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatTimePicture(c.Picture, c.Seconds, c.Pack), c.Result)
            << '"' << c.Picture << "\" " << c.Seconds;
}

TEST_F(TimePicture, LocaleSettings) {
    Use(".", "AM", "PM");
    EXPECT_EQ(FormatTimePicture("mm:ss", 754, false), "12.34");
    Use(" h ", "AM", "PM");
    EXPECT_EQ(FormatTimePicture("hh:mm", 3660, false), "01 h 01");

    Use(":", "vorm.longer", "nachm.longer");  // cut to seven characters
    EXPECT_EQ(FormatTimePicture("h:mm tttttttttt", 47100, false), "1:05 nachm.l   ");

    // Without both texts the clock keeps 24 hours and the "t" becomes a blank.
    Use(":", "", "");
    EXPECT_EQ(FormatTimePicture("hh:mm t", 47100, false), "13:05  ");
    EXPECT_EQ(FormatTimePicture("hh:mm t", 47100, true), "13:05 ");
    Use(":", "", "PM");
    EXPECT_EQ(FormatTimePicture("hh:mm t", 47100, false), "13:05 P");
    EXPECT_EQ(FormatTimePicture("hh:mm t", NoTime, false), "  :    ");
}
