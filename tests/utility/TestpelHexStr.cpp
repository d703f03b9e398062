// Tests of the hexadecimal text of byte strings, including text that is not hexadecimal.
#include "pelHexStr.h"

#include <gtest/gtest.h>

#include "UtilityTestHelpers.h"

TEST(HexStr, EncodeAndDecode) {
    EXPECT_EQ(StrToHexStr("abc"), "616263");
    EXPECT_EQ(StrToHexStr(std::string("\x00\xFF", 2)), "00FF");
    EXPECT_EQ(HexStrToStr("616263"), "abc");
    EXPECT_EQ(HexStrToStr("6162636"), "abc");
    EXPECT_EQ(HexStrToStr("6a6B"), "jk");
    EXPECT_EQ(HexStrToStr("7"), "");

    std::string all;
    for (int b = 0; b < 256; ++b) all += char(b);
    EXPECT_EQ(HexStrToStr(StrToHexStr(all)), all);
}

TEST(HexStr, BadPairsRaiseTheConversionError) {
    auto error = [](std::string_view text) {
        return MessageOf<EConvertError>([&] { HexStrToStr(text); });
    };
    EXPECT_EQ(error("6G"), "'$6G' is not a valid integer value");
    EXPECT_EQ(error("61 2"), "'$ 2' is not a valid integer value");
    EXPECT_EQ(error("-1"), "'$-1' is not a valid integer value");
    EXPECT_EQ(error(std::string("6\0", 2)),
              std::string("'$6") + '\0' + "' is not a valid integer value");
    EXPECT_EQ(error("61Z"), "(no error)");  // the odd last digit is never looked at
}
