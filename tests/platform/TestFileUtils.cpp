// File names, line splitting and the safe whole-file write.
#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

#include "TempDir.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"

TEST(SplitLines, EveryBreakFormCountsOnce) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitLines(""), V{});
    EXPECT_EQ(SplitLines("a"), V{"a"});
    EXPECT_EQ(SplitLines("a\r\n"), V{"a"});
    EXPECT_EQ(SplitLines("a\r\n\r\nb"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\n\rb"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\rb\nc"), (V{"a", "b", "c"}));
    EXPECT_EQ(SplitLines(std::string("x\x1Ay\0z", 5)), V{std::string("x\x1Ay\0z", 5)});
}

TEST(Paths, PiecesOfNames) {
    EXPECT_EQ(ExtractFilePath("/home/u/my.banks/Bank"), "/home/u/my.banks/");
    EXPECT_EQ(ExtractFileName("/home/u/x.htm"), "x.htm");
    EXPECT_EQ(ExtractFileExt("/home/u/my.banks/Bank"), "");
    EXPECT_EQ(ChangeFileExt("/a.b/c", ".bak"), "/a.b/c.bak");
    EXPECT_EQ(ChangeFileExt("c.bnk", ".bak"), "c.bak");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/x"), "/x/");
}

TEST(WriteFileAtomic, ReplacesWholeKeepsModeAndCreatesNewWithGivenMode) {
    TempDir dir;
    std::string name = dir.File("bank.bnk");
    WriteFileAtomic(name, "first", 0600);
    struct stat st{};
    ASSERT_EQ(stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    chmod(name.c_str(), 0640);
    WriteFileAtomic(name, "second\r\n", 0600);
    EXPECT_EQ(ReadFileBytes(name), "second\r\n");
    ASSERT_EQ(stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(ReadTextLines(name), std::vector<std::string>{"second"});
}

TEST(WriteFileAtomic, AFolderThatIsAFileFailsCleanly) {
    TempDir dir;
    std::string blocker = dir.File("plain");
    WriteFileAtomic(blocker, "old");
    EXPECT_THROW(WriteFileAtomic(blocker + "/inner.txt", "new"), EFCreateError);
    EXPECT_EQ(ReadFileBytes(blocker), "old");
}

TEST(WriteFileAtomic, FailureLeavesTheOldFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
    TempDir dir;
    std::string name = dir.File("keep.txt");
    WriteFileAtomic(name, "old");
    chmod(dir.Path().c_str(), 0500);
    EXPECT_THROW(WriteFileAtomic(name, "new"), EFCreateError);
    chmod(dir.Path().c_str(), 0700);
    EXPECT_EQ(ReadFileBytes(name), "old");
}

TEST(Folders, UserFoldersFollowXdg) {
    EXPECT_EQ(UserDataFolder().back(), '/');
    EXPECT_TRUE(DirectoryExists(UserDataFolder()));
    EXPECT_NE(ProgramFolder().find('/'), std::string::npos);
    EXPECT_FALSE(RenameFile("/nonexistent/a", "/nonexistent/b"));
}

TEST(FileNames, ANameWithNulIsRefusedEverywhere) {
    TempDir dir;
    std::string name = dir.File("bank.bnk");
    WriteFileAtomic(name, "kept");
    std::string cut = name + std::string("\0.bak", 5);  // the system calls would see `name`
    EXPECT_FALSE(IsUsableFileName(cut));
    EXPECT_TRUE(IsUsableFileName(name));
    EXPECT_FALSE(FileExists(cut));
    EXPECT_FALSE(DeleteFile(cut));
    EXPECT_FALSE(RenameFile(cut, dir.File("other")));
    EXPECT_FALSE(RenameFile(name, dir.File("other") + std::string("\0", 1)));
    EXPECT_EQ(FileAge(cut), -1);
    EXPECT_THROW(ReadFileBytes(cut), EFOpenError);
    EXPECT_THROW(WriteFileAtomic(cut, "lost"), EFCreateError);
    EXPECT_FALSE(ForceDirectories(dir.File("sub") + std::string("\0x", 2)));
    EXPECT_EQ(ReadFileBytes(name), "kept");
    EXPECT_FALSE(DirectoryExists(dir.File("sub")));
}

TEST(WriteFileAtomic, ALinkIsFollowedAndStaysALink) {
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "real");
    std::string target = dir.File("real/bank.bnk");
    WriteFileAtomic(target, "old");
    std::string link = dir.File("bank.bnk");
    std::filesystem::create_symlink("real/bank.bnk", link);
    WriteFileAtomic(link, "new");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(target), "new");
    EXPECT_EQ(ReadFileBytes(link), "new");
}
