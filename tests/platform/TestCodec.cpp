// Windows-1252 text at the edges.
#include <gtest/gtest.h>

#include "platform/Codec.h"

TEST(Codec, EveryByteRoundTripsThroughUtf16AndUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += char(b);
    EXPECT_EQ(Utf16ToAnsi(AnsiToUtf16(all)), all);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
    EXPECT_TRUE(IsValidUtf8(AnsiToUtf8(all)));
}

TEST(Codec, MapsTheHighRangeAndReplacesWhatItCannotHold) {
    EXPECT_EQ(AnsiCharToUnicode(0x80), u'\u20AC');
    EXPECT_EQ(AnsiCharToUnicode(0xBB), u'\u00BB');
    EXPECT_EQ(AnsiToUtf8("\xBB"), "\xC2\xBB");
    EXPECT_EQ(Utf16ToAnsi(u"\u00BBA"), "\xBB" "A");
    EXPECT_EQ(Utf16ToAnsi(u"\u4E2D"), "?");
    EXPECT_EQ(Utf16ToAnsi(u"\U0001F600"), "?");  // one character, one '?'
    EXPECT_EQ(Utf8ToAnsi("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xE9 \x80");
    EXPECT_EQ(Utf8ToAnsi("\xFF\xC3"), "??");
    EXPECT_FALSE(IsValidUtf8("\xC3("));
}
