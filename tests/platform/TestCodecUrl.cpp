// URLs and text of undeclared encoding arriving from other programs.
#include <gtest/gtest.h>

#include "platform/Codec.h"

TEST(CodecUrl, CharactersOutsideTheCodePageBecomeUtf8Escapes) {
    // CJK, an emoji (four UTF-8 bytes) and a character from the code page side by side.
    EXPECT_EQ(Utf8UrlToAnsi("https://example.jp/\xE6\x97\xA5\xE6\x9C\xAC"),
              "https://example.jp/%E6%97%A5%E6%9C%AC");
    EXPECT_EQ(Utf8UrlToAnsi("https://x/\xF0\x9F\x98\x80?q=M\xC3\xBCnchen \xE2\x82\xAC"),
              "https://x/%F0%9F%98%80?q=M\xFCnchen \x80");
    // A C1 control the code page does not hold, and a literal question mark.
    EXPECT_EQ(Utf8UrlToAnsi("a\xC2\x85?"), "a%C2%85?");
    // Escapes already there stay as they are; malformed bytes keep the '?' rule.
    EXPECT_EQ(Utf8UrlToAnsi("/caf%C3%A9"), "/caf%C3%A9");
    EXPECT_EQ(Utf8UrlToAnsi("/\xFF\xE6\x97"), "/???");
    EXPECT_EQ(Utf8UrlToAnsi(""), "");
}

TEST(CodecUrl, EveryCodePageCharacterComesBackAsItsByte) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += char(b);
    EXPECT_EQ(Utf8UrlToAnsi(AnsiToUtf8(all)), all);
}

TEST(CodecUrl, Utf16ToUtf8KeepsPairsAndReplacesLoneSurrogates) {
    EXPECT_EQ(Utf16ToUtf8(u"a\u00E9\u65E5\U0001F600"), "a\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80");
    const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0};
    EXPECT_EQ(Utf16ToUtf8(lone), "a?b?");
}

TEST(CodecUrl, UndeclaredTextFollowsItsMarkOrItsBytes) {
    EXPECT_EQ(UndeclaredTextToUtf8(std::string("\xFF\xFE"
                                               "a\0\xE5\x65x",
                                               7)),
              "a\xE6\x97\xA5");
    EXPECT_EQ(UndeclaredTextToUtf8(std::string("\xFE\xFF\0a\x65\xE5", 6)), "a\xE6\x97\xA5");
    EXPECT_EQ(UndeclaredTextToUtf8("\xEF\xBB\xBF"
                                   "caf\xC3\xA9"),
              "caf\xC3\xA9");
    EXPECT_EQ(UndeclaredTextToUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(UndeclaredTextToUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(UndeclaredTextToUtf8("plain"), "plain");
}
