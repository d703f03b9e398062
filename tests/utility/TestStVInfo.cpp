// Version information: the float rule, the program's own record and the file errors.
#include "StVInfo.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "StShBase.h"
#include "StVInfoRecord.h"
#include "TempDir.h"

namespace {

TEST(VersionFloat, RuleAndWholeNumbers) {
    EXPECT_DOUBLE_EQ(VersionFloat("4.72.3110.0"), 4.72);
    EXPECT_DOUBLE_EQ(VersionFloat("2.0.7.0"), 2.0);
    EXPECT_DOUBLE_EQ(VersionFloat("4.72"), 4.72);
    EXPECT_DOUBLE_EQ(VersionFloat("10.0.19041.1"), 10.0);
    EXPECT_DOUBLE_EQ(VersionFloat(""), 0);
    EXPECT_DOUBLE_EQ(VersionFloat("123456.1.2"), 0);  // second dot past position 6
    EXPECT_DOUBLE_EQ(VersionFloat("1.2."), 0);        // the last character is not scanned
    EXPECT_DOUBLE_EQ(VersionFloat("a.b.c"), 0);
    EXPECT_DOUBLE_EQ(VersionFloat("4,72"), 0);  // "." is the only separator
}

TEST(VersionFloat, IgnoresTheProcessLocale) {
    const char* locales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"};
    std::string old = std::setlocale(LC_ALL, nullptr);
    bool set = false;
    for (const char* l : locales) set = set || std::setlocale(LC_ALL, l) != nullptr;
    if (!set) GTEST_SKIP() << "no comma locale installed";
    EXPECT_DOUBLE_EQ(VersionFloat("4.72"), 4.72);
    EXPECT_DOUBLE_EQ(VersionFloat("4.72.3110.0"), 4.72);
    std::setlocale(LC_ALL, old.c_str());
}

TEST(StVersionInfo, OwnRecordFromTheProjectVersion) {
    TStVersionInfo info;
    EXPECT_FALSE(info.FileName().empty());  // the program's own file
    EXPECT_EQ(info.FileVersionMS(), uint32_t(LORVANE_VERSION_MAJOR << 16 | LORVANE_VERSION_MINOR));
    EXPECT_EQ(info.FileVersionLS(), uint32_t(LORVANE_VERSION_PATCH << 16 | LORVANE_VERSION_TWEAK));
    EXPECT_EQ(info.ProductVersionMS(), info.FileVersionMS());
    EXPECT_EQ(info.FileVersion(), LORVANE_VERSION_TEXT);
    EXPECT_EQ(info.LegalCopyright(), LORVANE_LEGAL_COPYRIGHT);
    EXPECT_EQ(info.LegalTrademarks(), LORVANE_LEGAL_TRADEMARKS);
    EXPECT_EQ(info.ProductName(), "Lorvane");
    std::string majorMinor =
        std::to_string(LORVANE_VERSION_MAJOR) + "." + std::to_string(LORVANE_VERSION_MINOR);
    EXPECT_DOUBLE_EQ(info.FileVersionFloat(), std::stod(majorMinor));
    EXPECT_DOUBLE_EQ(info.ProductVersionFloat(), std::stod(majorMinor));
    EXPECT_EQ(info.TranslationValue(), 0x04E40409u);
    EXPECT_EQ(info.LanguageCount(), 1u);
    EXPECT_EQ(info.GetVerInfoString("companyname"), LORVANE_COMPANY_NAME);
    try {
        info.GetVerInfoString("NoSuchName");
        ADD_FAILURE();
    } catch (const EStVersionInfoError& e) {
        EXPECT_EQ(e.ErrorCode, 134);
    }
    info.SetFileName("");
    EXPECT_EQ(info.ProductName(), "Lorvane");
}

TEST(StVersionInfo, OtherFilesRaise) {
    TempDir dir;
    TStVersionInfo info;
    try {
        info.SetFileName(dir.File("missing.exe"));
        ADD_FAILURE();
    } catch (const EStVersionInfoError& e) {
        EXPECT_EQ(e.ErrorCode, 73);
        EXPECT_EQ(e.Message, "Error opening file");
    }
    std::ofstream(dir.File("plain.txt")) << "no version here";
    info.SetFileName(dir.File("plain.txt"));  // naming an existing file is fine...
    try {
        info.CompanyName();  // ...reading from it is not
        ADD_FAILURE();
    } catch (const EStVersionInfoError& e) {
        EXPECT_EQ(e.ErrorCode, 100);
        EXPECT_EQ(e.Message, "File does not contain version info");
    }
    EXPECT_THROW(info.FileVersionMS(), EStVersionInfoError);
}

// The test runs a copy of this program, in which it replaces that copy's file and reads the
// record there.
TEST(StVersionInfo, ReplacedProgramKeepsItsRecord) {
    if (std::getenv("LORVANE_VINFO_CHILD")) {
        const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        std::filesystem::remove(self);
        std::ofstream(self) << "a newer build";
        TStVersionInfo info;
        EXPECT_EQ(info.FileName(), self);
        EXPECT_EQ(info.ProductName(), "Lorvane");
        info.SetFileName(self);
        EXPECT_EQ(info.CompanyName(), LORVANE_COMPANY_NAME);
        std::filesystem::remove(self);
        info.SetFileName(self);  // removed altogether
        EXPECT_EQ(info.FileVersion(), LORVANE_VERSION_TEXT);
        return;
    }
    TempDir dir;
    const std::string copy = dir.File("program");
    std::filesystem::copy_file("/proc/self/exe", copy);
    std::filesystem::permissions(copy, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    const std::string command = "LORVANE_VINFO_CHILD=1 '" + copy +
                                "' --gtest_filter=StVersionInfo.ReplacedProgramKeepsItsRecord >'" +
                                dir.File("log") + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << std::ifstream(dir.File("log")).rdbuf();
}

TEST(StShellComponent, ShellVersionGatesNothing) {
    TStShellComponent shell;
    EXPECT_DOUBLE_EQ(shell.ShellVersion(), 6.0);
    EXPECT_EQ(shell.Version(), "3.03");
}

}  // namespace
