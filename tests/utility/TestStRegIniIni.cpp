// The settings store over INI files: private-profile reading rules, listings and errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "StBase.h"
#include "StRegIni.h"
#include "TempDir.h"

namespace {

class StRegIniIniTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string file = dir.File("Mixed/Case.INI");

    void SetUp() override { std::filesystem::create_directories(dir.Path() / "Mixed"); }
    void Write(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
    std::string Text() const {
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    int ErrorOf(const std::function<void()>& body) {
        try {
            body();
        } catch (const EStRegIniError& e) {
            return e.ErrorCode;
        }
        return -1;
    }
};

TEST_F(StRegIniIniTest, ReadsFollowThePrivateProfileRules) {
    Write(
        "; a comment\r\n[Main]\r\n  Name  =  \"  quoted  \"  \r\nsingle='x'\r\n"
        "half=\"x\r\nOne=1.5\r\nZero=0\r\nMaybe=maybe\r\nYes=TRUE\r\nNo=false\r\n"
        "Hex=$1F\r\nBad=12x\r\nEmpty=\r\n[main]\r\nName=second section ignored\r\n");
    TStRegIni ini(file, true);
    ini.SetCurrentSubKey("MAIN");
    EXPECT_EQ(ini.ReadString("name", "d"), "  quoted  ");
    EXPECT_EQ(ini.ReadString("single", "d"), "x");
    EXPECT_EQ(ini.ReadString("half", "d"), "\"x");
    EXPECT_EQ(ini.ReadString("Empty", "d"), "d");
    EXPECT_EQ(ini.ReadString("missing", "d"), "d");
    EXPECT_TRUE(ini.ReadBool("One", false));
    EXPECT_FALSE(ini.ReadBool("Zero", true));
    EXPECT_TRUE(ini.ReadBool("Maybe", true));
    EXPECT_FALSE(ini.ReadBool("Maybe", false));
    EXPECT_TRUE(ini.ReadBool("Yes", false));
    EXPECT_FALSE(ini.ReadBool("No", true));
    EXPECT_TRUE(ini.ReadBool("missing", true));
    EXPECT_EQ(ini.ReadInteger("Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("Bad", 7), 7);
    EXPECT_EQ(ini.ReadInteger("missing", 7), 7);
}

TEST_F(StRegIniIniTest, ValuesAreCutAtTheBuffer) {
    Write("[S]\r\nLong=" + std::string(2000, 'v') + "\r\n");
    TStRegIni ini(file, true);
    ini.SetCurrentSubKey("S");
    EXPECT_EQ(ini.ReadString("Long", "").size(), 1023u);
}

TEST_F(StRegIniIniTest, WritesKeepThePathAndUpdateInPlace) {
    TStRegIni ini(file, true);
    EXPECT_TRUE(ini.IsIniFile());
    EXPECT_EQ(ini.IniFileName(), file);  // a path is never upper-cased
    ini.SetCurrentSubKey("First");
    ini.WriteString("a", "1");
    ini.WriteBool("b", true);
    ini.WriteInteger("c", -5);
    ini.SetCurrentSubKey("Second");
    ini.WriteString("x", "y");
    ini.SetCurrentSubKey("FIRST");
    ini.WriteString("A", "2");
    ini.WriteBool("d", false);
    EXPECT_EQ(Text(), "[First]\r\nA=2\r\nb=TRUE\r\nc=-5\r\nd=FALSE\r\n\r\n[Second]\r\nx=y\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "MIXED"));
}

TEST_F(StRegIniIniTest, ListingsAndExistence) {
    Write("[One]\r\na=1\r\nb=2\r\n[Two]\r\n[Three]\r\nc=3\r\n");
    TStRegIni ini(file, true);
    TStringList list;
    ini.GetSubKeys(list);
    EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"One", "Two", "Three"}));
    ini.SetCurrentSubKey("one");
    ini.GetSubKeys(list);
    EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"a", "b"}));
    ini.GetValues(list);
    EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"a=1", "b=2"}));
    EXPECT_EQ(ValueKindOf(list, 0), TStValueKind::Text);
    EXPECT_TRUE(ini.KeyExists("two"));
    EXPECT_FALSE(ini.KeyExists("Four"));
}

TEST_F(StRegIniIniTest, DeletionAndErrors) {
    Write("[One]\r\na=1\r\nb=2\r\n[Two]\r\nc=3\r\n");
    TStRegIni ini(file, true);
    ini.SetCurrentSubKey("One");
    EXPECT_EQ(ErrorOf([&] { ini.WriteString("", "x"); }), 40);
    EXPECT_EQ(ErrorOf([&] { ini.DeleteKey("One", false); }), 14);
    ini.DeleteValue("A");
    ini.DeleteValue("never there");
    EXPECT_EQ(ini.ReadString("a", "gone"), "gone");
    ini.DeleteKey("One", true);
    ini.DeleteKey("Nothing", false);
    EXPECT_EQ(Text(), "[Two]\r\nc=3\r\n");

    std::filesystem::remove(file);
    std::filesystem::create_directory(file);  // the file's place is taken
    TStRegIni blocked(file, true);
    blocked.SetCurrentSubKey("S");
    EXPECT_EQ(blocked.ReadString("a", "d"), "d");
    EXPECT_EQ(ErrorOf([&] { blocked.WriteString("a", "x"); }), 7);
    try {
        blocked.WriteString("", "x");
    } catch (const EStRegIniError& e) {
        EXPECT_EQ(e.Message, "No Value Name specified");
    }
}

TEST_F(StRegIniIniTest, MissingFileReadsDefaults) {
    TStRegIni ini(dir.File("absent.ini"), true);
    ini.SetCurrentSubKey("S");
    EXPECT_EQ(ini.ReadInteger("a", 3), 3);
    EXPECT_FALSE(ini.KeyExists("S"));
    TStringList list;
    ini.GetSubKeys(list);
    EXPECT_TRUE(list.Empty());
}

}  // namespace
