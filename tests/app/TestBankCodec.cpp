// The bank file's record layout: tags, record prefixes, dates as read and written.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "bankfile/BankCodec.h"
#include "platform/SysUtils.h"

namespace {

using namespace bankfile;

TEST(BankCodec, TagOfReadsColumnsEightToTen) {
    const std::pair<const char*, Tag> tags[] = {
        {"Na", Tag::Na}, {"Ux", Tag::Ux}, {"Fx", Tag::Fx}, {"No", Tag::No},
        {"C1", Tag::C1}, {"C2", Tag::C2}, {"C3", Tag::C3}, {"De", Tag::De},
        {"Ra", Tag::Ra}, {"Id", Tag::Id}, {"Pw", Tag::Pw}, {"Em", Tag::Em},
        {"Cn", Tag::Cn}, {"Da", Tag::Da}, {"La", Tag::La}, {"Ac", Tag::Ac}};
    for (const auto& [text, tag] : tags) EXPECT_EQ(TagOf("#00001#" + std::string(text) + "="), tag);
    for (const char* other : {"#00001#na=x", "#00001#Zz=x", "#00001#Na:x", "#00001#Na", ""})
        EXPECT_EQ(TagOf(other), Tag::None) << other;
}

TEST(BankCodec, RecordPrefixHasFiveDigitsAndWrapsRound) {
    EXPECT_EQ(RecordPrefix(1), "#00001#");
    EXPECT_EQ(RecordPrefix(99999), "#99999#");
    EXPECT_EQ(RecordPrefix(100000), "#00000#");
    EXPECT_EQ(RecordPrefix(100001), "#00001#");
}

TEST(BankCodec, ReadDateTakesTheYearsOneTo9999) {
    EXPECT_EQ(ReadDate("-693593"), -693593.0);    // 1 January of year 1
    EXPECT_EQ(ReadDate("-693594"), NoDate);       // the day before
    EXPECT_EQ(ReadDate("2958465.5"), 2958465.5);  // 31 December 9999, noon
    EXPECT_EQ(ReadDate("2958466"), NoDate);       // 1 January 10000
    EXPECT_EQ(ReadDate("37000.5"), 37000.5);
    EXPECT_EQ(ReadDate("37000,5"), 37000.5);
    for (const char* none : {"0", "", "abc", "1e300"}) EXPECT_EQ(ReadDate(none), NoDate) << none;
}

TEST(BankCodec, FloatTextIsFloatToStrsText) {
    char buf[64];
    std::string other;
    EXPECT_EQ(FloatText(37000.5, buf, other), "37000.5");
    for (const double value : {36526.0, 40123.123456789, 40000.0 + 1.0 / 3, 0.5, 1e-5, 1e15, 1e20,
                               -693593.25, 2958465.999988426})
        EXPECT_EQ(FloatText(value, buf, other), FloatToStr(value)) << value;
}

}  // namespace
