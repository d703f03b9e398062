// The typed edit's rules: masks, key filter, conversions and ranges.
#include "EditTypeRules.h"

#include <gtest/gtest.h>

#include "platform/Exceptions.h"

namespace {

// ---- Masks ------------------------------------------------------------------------------

TEST(EditMasks, EachTypeSetsItsMask) {
    EXPECT_EQ(EditMaskFor(tePhoneExt), "!\\(999\\) 999\\-9999 \\x9999;1;_");
    EXPECT_EQ(EditMaskFor(teDate), "!99/99/9999;1;_");
    EXPECT_EQ(EditMaskFor(teTime), "!90:99:99;1;_");
    EXPECT_EQ(EditMaskFor(teZIPCode), "!99999\\-9999;1;_");
    for (TTypeForEdit t : {teString, teStringUpper, teStringLower, teNumber, teInteger})
        EXPECT_EQ(EditMaskFor(t), "");
    EXPECT_EQ(CharCaseFor(teStringUpper), TEditCharCase::ecUpperCase);
    EXPECT_EQ(CharCaseFor(teStringLower), TEditCharCase::ecLowerCase);
    EXPECT_EQ(CharCaseFor(teNumber), TEditCharCase::ecNormal);
}

TEST(EditMasks, TranslatedToQtSyntax) {
    EXPECT_EQ(QtInputMask(EditMaskFor(tePhoneExt)), "\\(000\\) 000\\-0000 \\x0000;_");
    EXPECT_EQ(QtInputMask(EditMaskFor(teTime)), "09:00:00;_");
    EXPECT_EQ(QtInputMask("LlAaCc09#;0;*"), "AaNnXx90#;*");
    EXPECT_EQ(QtInputMask(">L<>l_D"), ">A!a \\D;_");
    EXPECT_EQ(QtInputMask(""), "");
    TEditMaskParts p = SplitEditMask("99\\;9;0;#");
    EXPECT_EQ(p.Picture, "99\\;9");
    EXPECT_EQ(p.KeepLiterals, '0');
    EXPECT_EQ(p.Blank, '#');
}

TEST(EditMasks, LiteralsAreStrippedByPlace) {
    EXPECT_EQ(StripMaskLiterals(EditMaskFor(teDate), "12/31/2020"), "12312020");
    EXPECT_EQ(StripMaskLiterals(EditMaskFor(teDate), "  /  /    "), "        ");
    EXPECT_EQ(StripMaskLiterals(EditMaskFor(tePhone), "(555) 123-4567"), "5551234567");
    EXPECT_EQ(StripMaskLiterals("", "a/b"), "a/b");
    EXPECT_EQ(BlanksToSpaces(EditMaskFor(teDate), "1_/__/____"), "1 /  /    ");
}

// ---- Conversions ------------------------------------------------------------------------

std::string ConvertError(TTypeForEdit type, const std::string& text) {
    try {
        ConvertTypedValue(type, EditMaskFor(type), text);
    } catch (const EConvertError& e) {
        return e.Message;
    }
    return "<converted>";
}

TEST(EditConvert, MessagesNameTheType) {
    EXPECT_EQ(ConvertError(teNumber, "abc"), "\"abc\" is not a valid number");
    EXPECT_EQ(ConvertError(teInteger, "1.5"), "\"1.5\" is not a valid integer number");
    EXPECT_EQ(ConvertError(teDate, "99/99/9999"), "\"99/99/9999\" is not a valid date");
    EXPECT_EQ(ConvertError(teTime, "25:61:00"), "\"25:61:00\" is not a valid time");
    EXPECT_EQ(ConvertError(teDateTime, "02/30/2020 10:00:00"),
              "\"02/30/2020 10:00:00\" is not a valid date/time");
    EXPECT_EQ(ConvertError(teShortDate, "12/  /20"), "\"12/  /20\" is not a valid date");
    EXPECT_EQ(ConvertError(teString, "anything at all"), "<converted>");
}

TEST(EditConvert, Values) {
    EXPECT_DOUBLE_EQ(ConvertTypedValue(teNumber, "", "1.5").Number, 1.5);
    EXPECT_DOUBLE_EQ(ConvertTypedValue(teNumber, "", "-2e3").Number, -2000);
    EXPECT_EQ(ConvertTypedValue(teInteger, "", "42").AsInteger(), 42);
    EXPECT_DOUBLE_EQ(ConvertTypedValue(teDate, EditMaskFor(teDate), "12/31/2020").Number,
                     EncodeDate(2020, 12, 31));
    EXPECT_NEAR(ConvertTypedValue(teTime, EditMaskFor(teTime), "12:30:00").Number,
                0.5 + 30.0 / 1440, 1e-9);
    EXPECT_NEAR(ConvertTypedValue(teDateTime, "", "01/02/2003 06:00:00").Number,
                EncodeDate(2003, 1, 2) + 0.25, 1e-9);
    EXPECT_EQ(ConvertTypedValue(teString, "", "x").Text, "x");
    // Only literals and blanks: the empty value, not an error.
    EXPECT_TRUE(ConvertTypedValue(teDate, EditMaskFor(teDate), "  /  /    ").IsEmpty());
    EXPECT_TRUE(ConvertTypedValue(teNumber, "", "").IsEmpty());
}

TEST(EditConvert, DatesFollowTheLocaleOrder) {
    LocaleInfo saved = FormatSettings();
    FormatSettings().ShortDateFormat = "dd.mm.yyyy";
    FormatSettings().DateSeparator = ".";
    TDateTime d = 0;
    EXPECT_TRUE(TryTextToDate("31.12.2020", d));
    EXPECT_DOUBLE_EQ(d, EncodeDate(2020, 12, 31));
    EXPECT_TRUE(TryTextToDate("31/12/2020", d));  // the mask's "/" is read too
    FormatSettings().ShortDateFormat = "yyyy-mm-dd";
    EXPECT_TRUE(TryTextToDate("2020/12/31", d));
    EXPECT_DOUBLE_EQ(d, EncodeDate(2020, 12, 31));
    FormatSettings() = saved;

    int y = 0, m = 0, dd = 0;
    DecodeDate(Date(), y, m, dd);
    EXPECT_TRUE(TryTextToDate("1/2/" + std::to_string((y + 10) % 100), d));
    int yy = 0;
    DecodeDate(d, yy, m, dd);
    EXPECT_EQ(yy, y + 10);  // two-digit years near now
    EXPECT_TRUE(TryTextToTime("3 PM", d));
    EXPECT_DOUBLE_EQ(d, 15.0 / 24);
    EXPECT_TRUE(TryTextToTime("12:00 am", d));
    EXPECT_DOUBLE_EQ(d, 0.0);
    EXPECT_FALSE(TryTextToTime("3", d));
    EXPECT_FALSE(TryTextToDate("1/2/2020x", d));
    EXPECT_FALSE(TryTextToDate("99999999999/1/1", d));
}

std::string RangeError(const std::string& text, const std::string& lo = "1",
                       const std::string& hi = "10000") {
    try {
        CheckTypedRange(teNumber, "", text, lo, hi);
    } catch (const ERangeError& e) {
        return e.Message;
    }
    return "<in range>";
}

TEST(EditRange, BoundsAreInclusive) {
    EXPECT_EQ(RangeError("0"), "Value 0 out of range 1..10000");
    EXPECT_EQ(RangeError("10001"), "Value 10001 out of range 1..10000");
    EXPECT_EQ(RangeError("1"), "<in range>");
    EXPECT_EQ(RangeError("10000"), "<in range>");
    EXPECT_EQ(RangeError(""), "Value  out of range 1..10000");
    EXPECT_EQ(RangeError("5", "", ""), "<in range>");
    EXPECT_EQ(RangeError("-5", "", "3"), "<in range>");
    EXPECT_THROW(RangeError("x"), EConvertError);
}

// ---- Keys -------------------------------------------------------------------------------

std::string Type(TTypeForEdit type, const std::string& keys, char separator) {
    std::string text;
    for (char k : keys)
        if (char c = FilterTypedKey(type, k, text, separator)) text += c;
    return text;
}

TEST(EditKeys, NumberFilter) {
    EXPECT_EQ(Type(teNumber, "1,5,", '.'), "1.5");
    EXPECT_EQ(Type(teNumber, "1.5.", ','), "1,5");
    EXPECT_EQ(Type(teNumber, "+-Ee1x", '.'), "+-Ee1");
    EXPECT_EQ(FilterTypedKey(teNumber, 8, "1.5", '.'), 8);
}

TEST(EditKeys, IntegerDateAndTimeFilters) {
    for (TTypeForEdit t : {teInteger, teDate, teShortDate, teTime, teShortTime, teDateTime,
                           teShortDateTime, teDateShortTime, teShortDateShortTime})
        EXPECT_EQ(Type(t, "1.2,+-a", '.'), "12+-");
    EXPECT_EQ(Type(teString, "1.2,+-a", '.'), "1.2,+-a");
    EXPECT_EQ(Type(tePhone, "x(1)", '.'), "x(1)");
}

TEST(EditLayout, MinimumHeightAndButtonPlace) {
    EXPECT_EQ(EditMinHeight(13), 13 + 3 + 4 + 1);
    EXPECT_EQ(EditButtonRect(100, 22, 21, 2), (TRect{77, 2, 98, 20}));
    EXPECT_EQ(ButtonWidthFor(TSMButtonStyle::bsNone, 16), 0);
    EXPECT_EQ(ButtonWidthFor(TSMButtonStyle::bsDropDown, 16), 16);
    EXPECT_EQ(ButtonWidthFor(TSMButtonStyle::bsCalendar, 16), 17);
    EXPECT_EQ(ButtonWidthFor(TSMButtonStyle::bsEllipsis, 16), 21);
}

}  // namespace
