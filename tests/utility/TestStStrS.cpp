// Tests of the short-string routines: scrambling, hex words, numbers, padding, characters, paths.
#include "StStrS.h"

#include <random>

#include <gtest/gtest.h>

#include "StStrL.h"
#include "pelHexStr.h"

namespace {

const std::string Key = "Marrow Glasswork, Ltd";

}  // namespace

TEST(Scramble, KnownTextsGiveTheseBytesAndTheKeyStartsOverAfterItsEnd) {
    EXPECT_EQ(StrToHexStr(ScrambleShortStr("NormalBankFile", Key)), "2A1B3E4D4D07300E191835086C22");
    EXPECT_EQ(StrToHexStr(ScrambleShortStr("WorkgroupBankF", Key)), "331B3E4B4B191D1A0731120F0701");
    EXPECT_EQ(StrToHexStr(ScrambleLongStr("abc", Key)), "05162F");
    EXPECT_EQ(StrToHexStr(ScrambleLongStr("Secret", Key)), "37112F52491F");
    EXPECT_EQ(StrToHexStr(ScrambleShortStr("x", Key)), "1C");
    EXPECT_EQ(StrToHexStr(ScrambleLongStr("aaaaaa", Key)), "05152D414D0A");
    const std::string wrapped = ScrambleLongStr(std::string(22, 'a'), Key);
    EXPECT_EQ(wrapped[0], 0x05);
    EXPECT_EQ(wrapped[21], 0x05);
}

TEST(Scramble, UndoesItselfMakesNoZeroBytesAndTheShortFormStopsAt255) {
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> byte(1, 255);
    std::string text(300, ' ');
    for (char& c : text) c = char(byte(random));

    const std::string once = ScrambleLongStr(text, Key);
    EXPECT_EQ(once.find('\0'), std::string::npos);
    EXPECT_EQ(ScrambleLongStr(once, Key), text);

    const std::string reversedKey(Key.rbegin(), Key.rend());
    EXPECT_EQ(ScrambleLongStr(reversedKey, Key), reversedKey);
    EXPECT_NE(ScrambleLongStr(Key, Key), Key);
    EXPECT_EQ(ScrambleLongStr(text, ""), text);
    EXPECT_EQ(ScrambleShortStr("", Key), "");

    EXPECT_EQ(ScrambleShortStr(text.substr(0, 255), Key),
              ScrambleLongStr(text.substr(0, 255), Key));
    EXPECT_EQ(ScrambleShortStr(text, Key).size(), 255u);
}

TEST(Numbers, HexIntegerAndStrToLong) {
    EXPECT_EQ(HexByte(0x0A), "0A");
    EXPECT_EQ(HexWord(0xABCD), "ABCD");
    EXPECT_EQ(HexLong(0x00FF0000), "00FF0000");
    EXPECT_EQ(IntegerShortStr(INT32_MIN), "-2147483648");

    struct Case {
        const char* Text;
        bool Ok;
        int32_t Value;
    };
    const Case cases[] = {
        {"  12  ", true, 12}, {"$1F", true, 31}, {"1fh", true, 31}, {"0x1F", true, 31},
        {"-5", true, -5},     {"12x", false, 3}, {"", false, 1},    {"   ", false, 4},
        {"1G2h", false, 2},   {"h", false, 1},   {"$", false, 2},
    };
    for (const Case& c : cases) {
        int32_t value = -999;
        EXPECT_EQ(StrToLong(c.Text, value), c.Ok) << '"' << c.Text << '"';
        EXPECT_EQ(value, c.Value) << '"' << c.Text << '"';
    }
}

TEST(Padding, CapsAt255) {
    EXPECT_EQ(LeftPadCharShortStr("7", '0', 5), "00007");
    EXPECT_EQ(LeftPadCharShortStr("123456", '0', 5), "123456");
    EXPECT_EQ(LeftPadCharShortStr("7", '0', 1000).size(), 255u);
    EXPECT_EQ(PadCharShortStr("ab", '.', 5), "ab...");
    EXPECT_EQ(PadCharShortStr("ab", '.', 300), "ab" + std::string(253, '.'));
    EXPECT_EQ(PadShortStr(std::string(300, 'y'), 10), std::string(255, 'y'));
    EXPECT_EQ(GroupThousandsCharShortStr(1234567, ' '), "1 234 567");
    EXPECT_EQ(GroupThousandsShortStr(INT32_MIN), "-2,147,483,648");
}

TEST(Characters, FindInsertDelete) {
    int32_t pos = -1;
    EXPECT_TRUE(CharPosShortStr("abcb", 'b', pos));
    EXPECT_EQ(pos, 2);
    EXPECT_FALSE(CharPosShortStr("", 'a', pos));
    EXPECT_EQ(pos, 0);
    EXPECT_TRUE(CharInShortStr("ab\xBB", '\xBB'));

    EXPECT_EQ(CharInsertShortStr("abc", 'X', 2), "aXbc");
    EXPECT_EQ(CharInsertShortStr("abc", 'X', 9), "abcX");
    EXPECT_EQ(CharInsertShortStr("abc", 'X', -5), "Xabc");
    EXPECT_EQ(CharInsertShortStr(std::string(255, 'a'), 'X', 1), std::string("X").append(254, 'a'));
    EXPECT_EQ(CharDeleteShortStr("abc", 0), "abc");
    EXPECT_EQ(CharDeleteShortStr("abc", 4), "abc");
    EXPECT_EQ(CharDeleteShortStr("abc", 3), "ab");
}

TEST(Paths, WindowsForms) {
    EXPECT_EQ(PathDirectory("FILE.TXT"), "");
    EXPECT_EQ(PathDirectory("\\FILE.TXT"), "\\");
    EXPECT_EQ(PathDirectory("C:FILE.TXT"), "C:");
    EXPECT_EQ(PathDirectory("C:\\FILE.TXT"), "C:\\");
    EXPECT_EQ(PathDirectory("C:\\A\\B.TXT"), "C:\\A");

    int32_t dot = -1;
    EXPECT_FALSE(PathHasExtension("C:\\DIR.X\\FILE", dot));
    EXPECT_EQ(dot, 7);
    EXPECT_EQ(PathExtension("C:\\A\\B.TXT"), "TXT");
    EXPECT_EQ(PathExtension("NAME."), "");

    EXPECT_EQ(PathForceExtension("BANK", "bak"), "BANK.bak");
    EXPECT_EQ(PathForceExtension("BANK.BNK", "bak"), "BANK.bak");
    EXPECT_EQ(PathForceExtension("", "bak"), "");
    EXPECT_EQ(PathForceExtension("C:\\DIR.X\\FILE", "bak"), "C:\\DIR.X\\FILE.bak");

    EXPECT_EQ(PathFileName("C:\\A\\B.TXT"), "B.TXT");
    EXPECT_EQ(PathFileName("C:B.TXT"), "B.TXT");
    EXPECT_EQ(PathBaseName("C:\\A\\B.TXT"), "B");
    EXPECT_EQ(PathBaseName("C:\\A.B\\C"), "C");
    EXPECT_EQ(PathBaseName(".profile"), "");
}

TEST(Paths, LinuxForms) {
    EXPECT_EQ(PathForceExtension("/home/u/my.banks/Bank", "bak"), "/home/u/my.banks/Bank.bak");
    EXPECT_EQ(PathDirectory("/x.htm"), "/");
    EXPECT_EQ(PathDirectory("/home/u/x.htm"), "/home/u");
    EXPECT_EQ(PathFileName("/home/u/x.htm"), "x.htm");
    EXPECT_EQ(PathExtension("/home/u.d/x"), "");

    const std::string folder = std::string("/").append(300, 'd');  // longer than a short string
    EXPECT_EQ(PathForceExtension(folder + "/file.bnk", "bak"), folder + "/file.bak");
    EXPECT_EQ(PathDirectory(folder + "/file.bnk"), folder);
}
