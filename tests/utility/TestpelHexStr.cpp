// Tests of the hexadecimal text of byte strings, including text that is not hexadecimal.
#include "pelHexStr.h"

#include <gtest/gtest.h>

#include <random>

#include "StStrL.h"

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

// The one-pass routines give the reference routines' bytes for every length, key and place.
TEST(HexStr, OnePassScramblingMatchesTheReference) {
    std::mt19937 rng(11);
    auto bytes = [&](size_t n) {
        std::string s(n, '\0');
        for (char& c : s) c = char(std::uniform_int_distribution<int>(0, 255)(rng));
        return s;
    };
    for (const std::string& key : {std::string(), std::string("k"), bytes(7), bytes(16),
                                   std::string("Marrow Glasswork, Ltd"), bytes(40), bytes(300)}) {
        const TScrambleKey prepared(key);
        for (size_t n : {size_t(0), size_t(1), size_t(15), size_t(16), size_t(17), size_t(100),
                         size_t(1000)}) {
            std::string value = bytes(n);
            // Bytes equal to their key byte, which stay as they are.
            for (size_t i = 0; i < n && !key.empty(); i += 3)
                value[i] = key[key.size() - 1 - i % key.size()];
            const std::string want = StrToHexStr(ScrambleLongStr(value, key));
            std::string fast(2 * n, '?'), bytewise(2 * n, '?');
            size_t phase = 0, bytewisePhase = 0;
            // In two pieces, as notes are written around their line breaks.
            char* end = ScrambleToHex(fast.data(), value.substr(0, n / 3), prepared, phase);
            end = ScrambleToHex(end, value.substr(n / 3), prepared, phase);
            EXPECT_EQ(end, fast.data() + 2 * n);
            ScrambleToHexBytewise(bytewise.data(), value, prepared, bytewisePhase);
            EXPECT_EQ(fast, want) << key.size() << " " << n;
            EXPECT_EQ(bytewise, want) << key.size() << " " << n;

            std::string back;
            ASSERT_TRUE(HexToUnscrambled(want, prepared, std::string::npos, back));
            const std::string unscrambled = ScrambleLongStr(HexStrToStr(want), key);
            EXPECT_EQ(back, unscrambled);
            ASSERT_TRUE(HexToUnscrambled(want + "7", prepared, 5, back));
            EXPECT_EQ(back, unscrambled.substr(0, 5));
        }
    }
    std::string out;
    EXPECT_FALSE(HexToUnscrambled("00G0", TScrambleKey("k"), 1, out));  // checked past the limit
}
