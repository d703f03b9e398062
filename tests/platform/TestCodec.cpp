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
    EXPECT_EQ(Utf16ToAnsi(u"\u00BBA"),
              "\xBB"
              "A");
    EXPECT_EQ(Utf16ToAnsi(u"\u4E2D"), "?");
    EXPECT_EQ(Utf16ToAnsi(u"\U0001F600"), "?");  // one character, one '?'
    EXPECT_EQ(Utf8ToAnsi("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xE9 \x80");
    EXPECT_EQ(Utf8ToAnsi("\xFF\xC3"), "??");
    EXPECT_FALSE(IsValidUtf8("\xC3("));
}

// The code page's 0x80-0x9F block, character by character: a swap of two entries fails here.
// The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their C1
// control code point, so they still round-trip.
TEST(Codec, TheWholeHighBlockFollowsTheCodePage) {
    struct Entry {
        unsigned char byte;
        char16_t unicode;
    };
    static const Entry codePage[] = {
        {0x80, 0x20AC},  // EURO SIGN
        {0x81, 0x0081},  // undefined
        {0x82, 0x201A},  // SINGLE LOW-9 QUOTATION MARK
        {0x83, 0x0192},  // LATIN SMALL LETTER F WITH HOOK
        {0x84, 0x201E},  // DOUBLE LOW-9 QUOTATION MARK
        {0x85, 0x2026},  // HORIZONTAL ELLIPSIS
        {0x86, 0x2020},  // DAGGER
        {0x87, 0x2021},  // DOUBLE DAGGER
        {0x88, 0x02C6},  // MODIFIER LETTER CIRCUMFLEX ACCENT
        {0x89, 0x2030},  // PER MILLE SIGN
        {0x8A, 0x0160},  // LATIN CAPITAL LETTER S WITH CARON
        {0x8B, 0x2039},  // SINGLE LEFT-POINTING ANGLE QUOTATION MARK
        {0x8C, 0x0152},  // LATIN CAPITAL LIGATURE OE
        {0x8D, 0x008D},  // undefined
        {0x8E, 0x017D},  // LATIN CAPITAL LETTER Z WITH CARON
        {0x8F, 0x008F},  // undefined
        {0x90, 0x0090},  // undefined
        {0x91, 0x2018},  // LEFT SINGLE QUOTATION MARK
        {0x92, 0x2019},  // RIGHT SINGLE QUOTATION MARK
        {0x93, 0x201C},  // LEFT DOUBLE QUOTATION MARK
        {0x94, 0x201D},  // RIGHT DOUBLE QUOTATION MARK
        {0x95, 0x2022},  // BULLET
        {0x96, 0x2013},  // EN DASH
        {0x97, 0x2014},  // EM DASH
        {0x98, 0x02DC},  // SMALL TILDE
        {0x99, 0x2122},  // TRADE MARK SIGN
        {0x9A, 0x0161},  // LATIN SMALL LETTER S WITH CARON
        {0x9B, 0x203A},  // SINGLE RIGHT-POINTING ANGLE QUOTATION MARK
        {0x9C, 0x0153},  // LATIN SMALL LIGATURE OE
        {0x9D, 0x009D},  // undefined
        {0x9E, 0x017E},  // LATIN SMALL LETTER Z WITH CARON
        {0x9F, 0x0178},  // LATIN CAPITAL LETTER Y WITH DIAERESIS
    };
    ASSERT_EQ(std::size(codePage), 32u);
    for (const Entry& e : codePage) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << int(e.byte));
        EXPECT_EQ(int(AnsiCharToUnicode(e.byte)), int(e.unicode));
        EXPECT_EQ(int(UnicodeToAnsiChar(e.unicode)), int(e.byte));
        EXPECT_EQ(AnsiToUtf16(std::string(1, char(e.byte))), std::u16string(1, e.unicode));
    }
    // The rest of the upper half is Latin-1.
    for (int b = 0xA0; b <= 0xFF; ++b) {
        EXPECT_EQ(int(AnsiCharToUnicode((unsigned char)b)), b);
        EXPECT_EQ(int(UnicodeToAnsiChar(char32_t(b))), b);
    }
}

TEST(Codec, AppendsEachCodePointInOneToFourBytes) {
    std::string out = "x";
    for (char32_t c :
         {U'\u007F', U'\u0080', U'\u07FF', U'\u0800', U'\uFFFF', U'\U00010000', U'\U0010FFFF'})
        AppendUtf8CodePoint(out, c);
    EXPECT_EQ(out,
              "x\x7F"
              "\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
}
