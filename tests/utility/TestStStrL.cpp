// Tests of the long-string routines: padding, grouping and character search without caps.
#include "StStrL.h"

#include <gtest/gtest.h>

TEST(LongStrings, Padding) {
    EXPECT_EQ(LeftPadCharLongStr("7", '0', 5), "00007");
    EXPECT_EQ(LeftPadCharLongStr("7", '0', -3), "7");
    EXPECT_EQ(LeftPadCharLongStr("123456", '0', 5), "123456");
    EXPECT_EQ(LeftPadCharLongStr("x", '-', 400).size(), 400u);
    EXPECT_EQ(LeftPadLongStr("ab", 4), "  ab");
}

TEST(LongStrings, Grouping) {
    const std::pair<int32_t, const char*> cases[] = {
        {-1234, "-1,234"},
        {999, "999"},
        {1000, "1,000"},
        {1234567, "1,234,567"},
        {0, "0"},
        {-999, "-999"},
        {100000, "100,000"},
        {INT32_MAX, "2,147,483,647"},
        {INT32_MIN, "-2,147,483,648"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(GroupThousandsLongStr(value), text) << value;
    EXPECT_EQ(GroupThousandsCharLongStr(1234567, '.'), "1.234.567");
}

TEST(LongStrings, CharacterPosition) {
    int32_t pos = -1;
    EXPECT_TRUE(CharPosLongStr(std::string(1000, 'a') + "b", 'b', pos));
    EXPECT_EQ(pos, 1001);
    EXPECT_TRUE(CharPosLongStr(std::string("a\0b", 3), '\0', pos));
    EXPECT_EQ(pos, 2);
    EXPECT_FALSE(CharPosLongStr("abc", 'd', pos));
    EXPECT_EQ(pos, 0);
}
