// The runtime-equivalent text and number helpers.
#include <gtest/gtest.h>

#include <clocale>

#include "platform/Exceptions.h"
#include "platform/SysUtils.h"

TEST(CompareText, FoldsAsciiOnlyAndComparesBytesUnsigned) {
    EXPECT_EQ(CompareText("abc", "ABC"), 0);
    EXPECT_LT(CompareText("abc", "abd"), 0);
    EXPECT_LT(CompareText("ab", "abc"), 0);
    EXPECT_GT(CompareText("\xBB"
                          "a",
                          "Z"),
              0);                               // the marker sorts above the letters
    EXPECT_NE(CompareText("\xE9", "\xC9"), 0);  // only ASCII letters fold
    EXPECT_TRUE(SameText("Hello", "hELLO"));
    EXPECT_FALSE(SameText("Hello", "Hell"));
    EXPECT_LT(CompareStr("B", "a"), 0);
    EXPECT_GT(CompareStr("\x80", "z"), 0);
}

TEST(Trim, RemovesControlCharactersAndBlanks) {
    EXPECT_EQ(Trim("\t  a b \r\n"), "a b");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a \x01"), "  a");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // a no-break space is a character
}

struct ValCase {
    const char* text;
    int32_t value;
    int error;
};

TEST(ValInt, FollowsTheRuntimeConversion) {
    const ValCase cases[] = {
        {"12", 12, 0},
        {"  -5", -5, 0},
        {"+7", 7, 0},
        {"$ff", 255, 0},
        {"$FFFFFFFF", -1, 0},
        {"-$10", -16, 0},
        {"$100000000", 0, 10},
        {"$0000000010", 16, 0},
        {"2147483647", 2147483647, 0},
        {"-2147483648", int32_t(-2147483648LL), 0},
        {"2147483648", 0, 10},
        {"12x", 0, 3},
        {"", 0, 1},
        {"-", 0, 2},
        {"$", 0, 2},
        {"1 2", 0, 2},
        {"$6G", 0, 3},
    };
    for (const auto& c : cases) {
        int32_t v = 99;
        int err = ValInt(c.text, v);
        EXPECT_EQ(err, c.error) << c.text;
        if (c.error == 0) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

TEST(StrToInt, RaisesTheRuntimeMessage) {
    try {
        StrToInt("$6G");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, "'$6G' is not a valid integer value");
    }
    EXPECT_EQ(StrToIntDef("x", 42), 42);
}

TEST(FloatText, WritesPointAndReadsPointOrComma) {
    EXPECT_EQ(FloatToStr(36526.0), "36526");
    EXPECT_EQ(FloatToStr(0.5), "0.5");
    EXPECT_EQ(FloatToStr(45000.123456789), "45000.123456789");
    EXPECT_EQ(FloatToStr(1e20), "1E20");
    EXPECT_EQ(FloatToStr(-1.5e-7), "-1.5E-7");
    double v = 0;
    EXPECT_TRUE(TryStrToFloat("45000,25", v));
    EXPECT_DOUBLE_EQ(v, 45000.25);
    EXPECT_TRUE(TryStrToFloat(" 1.5E3 ", v));
    EXPECT_DOUBLE_EQ(v, 1500);
    EXPECT_FALSE(TryStrToFloat("1.2.3", v));
    EXPECT_FALSE(TryStrToFloat("abc", v));
    EXPECT_FALSE(TryStrToFloat("", v));
    EXPECT_THROW(StrToFloat("x"), EConvertError);
}

TEST(FloatText, IgnoresTheProcessLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no comma locale installed";
    EXPECT_EQ(FloatToStr(1234.5), "1234.5");
    double v = 0;
    EXPECT_TRUE(TryStrToFloat("1234.5", v));
    EXPECT_DOUBLE_EQ(v, 1234.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(FormatMsg, FillsPlaceholdersInOrder) {
    EXPECT_EQ(FormatMsg("Failed\\nError Code: %d", {5}), "Failed\\nError Code: 5");
    EXPECT_EQ(FormatMsg("%s has %d (%u%%)", {"bank", -3, 7u}), "bank has -3 (7%)");
    EXPECT_EQ(FormatMsg("missing %s", {}), "missing %s");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
}

TEST(IntToHex, NegativeValuesAndWidePadding) {
    EXPECT_EQ(IntToHex(0, 0), "0");
    EXPECT_EQ(IntToHex(-1, 0), "FFFFFFFF");  // the 32-bit value's two's complement
    EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(INT32_MIN, 8), "80000000");
    EXPECT_EQ(IntToHex(int64_t(INT32_MIN) - 1, 0), "FFFFFFFF7FFFFFFF");
    EXPECT_EQ(IntToHex(0xFFFFFFFFLL, 8), "FFFFFFFF");
    EXPECT_EQ(IntToHex(0xABC, 40), std::string(37, '0') + "ABC");  // no cut at a buffer size
    EXPECT_EQ(FormatMsg("%x", {-2}), "FFFFFFFE");
}

TEST(HtmlEscape, ReferencesTheFourMarkupCharactersOnly) {
    EXPECT_EQ(HtmlEscape("a<b>&\"c\" 'd' \xE9"), "a&lt;b&gt;&amp;&quot;c&quot; 'd' \xE9");
    EXPECT_EQ(HtmlEscape(""), "");
}
