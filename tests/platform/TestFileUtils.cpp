// File names, line splitting and the safe whole-file write.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "OtherUser.h"
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
    struct stat st {};
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

// In a folder its writer may not write in, the write fails and the old file stays, though the
// file itself could be written over.
TEST(WriteFileAtomic, FailureLeavesTheOldFile) {
    TempDir dir(true);
    const std::string name = dir.File("keep.txt");
    WriteFileAtomic(name, "old");
    chmod(name.c_str(), 0666);
    chmod(dir.Path().c_str(), 0555);
    const bool refused = AsUnprivilegedUser([&] {
        try {
            WriteFileAtomic(name, "new");
        } catch (const EFCreateError&) {
            return true;
        }
        return false;
    });
    chmod(dir.Path().c_str(), 0700);
    EXPECT_TRUE(refused);
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

// ---------------------------------------------------------------------------------------------
// The safe writer's options, leftovers and failures

namespace {

namespace fs = std::filesystem;

// The names in a folder that a save leaves behind: its temporary files.
std::vector<std::string> SavingFiles(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().find(".saving") != std::string::npos)
            names.push_back(e.path().filename().string());
    return names;
}

unsigned ModeOf(const std::string& name) {
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 ? unsigned(st.st_mode & 0777) : 0u;
}

TSafeWriteOptions WithBackup(const std::string& backup) {
    TSafeWriteOptions options;
    options.BackupName = backup;
    return options;
}

struct SeamScope {
    explicit SeamScope(std::function<int(TSafeWriteStep)> seam) {
        SafeWriteFaultSeam() = std::move(seam);
    }
    ~SeamScope() { SafeWriteFaultSeam() = nullptr; }
};

constexpr TSafeWriteStep AllSteps[] = {TSafeWriteStep::Create,     TSafeWriteStep::Lock,
                                       TSafeWriteStep::Write,      TSafeWriteStep::Sync,
                                       TSafeWriteStep::Backup,     TSafeWriteStep::Replace,
                                       TSafeWriteStep::KeepBackup, TSafeWriteStep::SyncFolder};

}  // namespace

TEST(SafeWriter, TheBackupIsASecondNameForTheOldFile) {
    TempDir dir;
    const std::string file = dir.File("bank.bnk"), backup = dir.File("bank.bak");
    WriteFileAtomic(file, "one", WithBackup(backup));
    EXPECT_FALSE(fs::exists(backup));  // nothing to keep yet
    ::chmod(file.c_str(), 0640);
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    WriteFileAtomic(file, "two", WithBackup(backup));
    struct stat kept {};
    ASSERT_EQ(::stat(backup.c_str(), &kept), 0);
    EXPECT_EQ(kept.st_ino, before.st_ino);  // the old file itself, never copied or moved away
    EXPECT_EQ(ReadFileBytes(backup), "one");
    EXPECT_EQ(ReadFileBytes(file), "two");
    EXPECT_EQ(ModeOf(file), 0640u);
    WriteFileAtomic(file, "three", WithBackup(file));  // a file that is its own backup keeps none
    EXPECT_EQ(ReadFileBytes(backup), "one");
    EXPECT_TRUE(SavingFiles(dir.Path()).empty());
}

TEST(SafeWriter, WhereLinksCannotBeMadeTheBackupIsACopy) {
    TempDir dir;
    const std::string file = dir.File("bank.bnk"), backup = dir.File("bank.bak");
    WriteFileAtomic(file, "one", 0640);
    SeamScope seam([](TSafeWriteStep step) { return step == TSafeWriteStep::Backup ? EPERM : 0; });
    WriteFileAtomic(file, "two", WithBackup(backup));
    EXPECT_EQ(ReadFileBytes(backup), "one");
    EXPECT_EQ(ModeOf(backup), 0640u);
    EXPECT_EQ(ReadFileBytes(file), "two");
    EXPECT_TRUE(SavingFiles(dir.Path()).empty());
}

TEST(SafeWriter, LinksAreFollowedForTheFileAndTheBackup) {
    TempDir dir;
    fs::create_directory(dir.Path() / "synced");
    const std::string real = dir.File("synced/bank.bnk"), realBackup = dir.File("synced/bank.bak");
    WriteFileAtomic(real, "old");
    WriteFileAtomic(realBackup, "older");
    const std::string link = dir.File("bank.bnk"), backupLink = dir.File("bank.bak");
    fs::create_symlink("synced/bank.bnk", link);
    fs::create_symlink("synced/bank.bak", backupLink);
    WriteFileAtomic(link, "new", WithBackup(backupLink));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_symlink(backupLink));
    EXPECT_EQ(ReadFileBytes(real), "new");
    EXPECT_EQ(ReadFileBytes(realBackup), "old");
    EXPECT_TRUE(SavingFiles(dir.Path()).empty());
    EXPECT_TRUE(SavingFiles(dir.Path() / "synced").empty());
    // A link to a file that does not exist yet creates that file.
    fs::create_symlink("synced/later.txt", dir.File("later.txt"));
    WriteFileAtomic(dir.File("later.txt"), "made");
    EXPECT_EQ(ReadFileBytes(dir.File("synced/later.txt")), "made");
    // A loop of links is refused rather than replaced by a file.
    fs::create_symlink("loop2", dir.File("loop1"));
    fs::create_symlink("loop1", dir.File("loop2"));
    EXPECT_THROW(WriteFileAtomic(dir.File("loop1"), "x"), EFCreateError);
    EXPECT_TRUE(fs::is_symlink(dir.File("loop1")));
}

TEST(SafeWriter, ModesOfNewExistingForcedAndTemporaryFiles) {
    TempDir dir;
    const std::string file = dir.File("f");
    const mode_t mask = ::umask(022);
    TSafeWriteOptions options;
    options.Mode = 0666;
    WriteFileAtomic(file, "a", options);
    EXPECT_EQ(ModeOf(file), 0644u);  // less the umask
    ::chmod(file.c_str(), 0604);
    WriteFileAtomic(file, "b", options);
    EXPECT_EQ(ModeOf(file), 0604u);
    options.Mode = 0600;
    options.ForceMode = true;
    WriteFileAtomic(file, "c", options);
    EXPECT_EQ(ModeOf(file), 0600u);
    ::umask(mask);
    // While it is written, the temporary file is the owner's alone, whatever the target's mode.
    ::chmod(file.c_str(), 0666);
    unsigned tempMode = 0;
    {
        TSafeFileWriter writer(file);
        tempMode = ModeOf(dir.File(".f.saving"));
        EXPECT_EQ(FromNativePath(writer.TempFileName()), dir.File(".f.saving"));
        writer.Write("d");
        writer.Commit();
    }
    EXPECT_EQ(tempMode, 0600u);
    EXPECT_EQ(ModeOf(file), 0666u);
}

TEST(SafeWriter, LeftoversOfAnInterruptedSaveAreRemovedByTheNext) {
    TempDir dir;
    const std::string file = dir.File("bank.bnk"), backup = dir.File("bank.bak");
    WriteFileAtomic(file, "old", 0600);
    WriteFileAtomic(dir.File(".bank.bnk.saving"), "half a bank with its passwords");
    ::chmod(dir.File(".bank.bnk.saving").c_str(), 0644);
    WriteFileAtomic(dir.File("elsewhere"), "not ours");
    fs::create_symlink("elsewhere", dir.File(".bank.bak.saving"));
    WriteFileAtomic(file, "new", WithBackup(backup));
    EXPECT_EQ(ReadFileBytes(file), "new");
    EXPECT_EQ(ReadFileBytes(backup), "old");
    EXPECT_EQ(ReadFileBytes(dir.File("elsewhere")), "not ours");  // a link there is not followed
    EXPECT_TRUE(SavingFiles(dir.Path()).empty());
    EXPECT_EQ(ModeOf(file), 0600u);  // the leftover's mode went with it
}

TEST(SafeWriter, AnAbandonedWriteLeavesEverythingAsItWas) {
    TempDir dir;
    const std::string file = dir.File("x.dat");
    WriteFileAtomic(file, "old");
    {
        TSafeFileWriter writer(file, WithBackup(dir.File("x.bak")));
        writer.Write("partial");
    }
    EXPECT_EQ(ReadFileBytes(file), "old");
    EXPECT_FALSE(fs::exists(dir.File("x.bak")));
    EXPECT_TRUE(SavingFiles(dir.Path()).empty());
}

TEST(SafeWriter, AFailureAtAnyStepKeepsTheOldFileAndTheOldBackup) {
    for (TSafeWriteStep failing : AllSteps) {
        SCOPED_TRACE(int(failing));
        TempDir dir;
        const std::string file = dir.File("bank.bnk"), backup = dir.File("bank.bak");
        WriteFileAtomic(file, "old");
        WriteFileAtomic(backup, "older");
        std::vector<TSafeWriteStep> steps;
        bool threw = false;
        {
            SeamScope seam([&](TSafeWriteStep step) {
                steps.push_back(step);
                return step == failing ? EIO : 0;
            });
            try {
                WriteFileAtomic(file, "new", WithBackup(backup));
            } catch (const EStreamError& e) {
                threw = true;
                EXPECT_NE(e.Message.find(file), std::string::npos);
            }
        }
        EXPECT_TRUE(SavingFiles(dir.Path()).empty());
        if (failing == TSafeWriteStep::KeepBackup) {
            // After the replace the save has happened; only the backup may be the earlier one.
            EXPECT_FALSE(threw);
            EXPECT_EQ(ReadFileBytes(file), "new");
            EXPECT_EQ(ReadFileBytes(backup), "older");
        } else if (failing == TSafeWriteStep::SyncFolder) {
            // The new file is in place but may not survive a crash: the save failed.
            EXPECT_TRUE(threw);
            EXPECT_EQ(ReadFileBytes(file), "new");
            EXPECT_EQ(ReadFileBytes(backup), "old");
        } else {
            EXPECT_TRUE(threw);
            EXPECT_EQ(ReadFileBytes(file), "old");
            EXPECT_EQ(ReadFileBytes(backup), "older");
        }
    }
}

TEST(SafeWriter, ALockThatFailsFailsTheSave) {
    TempDir dir;
    const std::string file = dir.File("f");
    WriteFileAtomic(file, "old");
    {
        SeamScope seam(
            [](TSafeWriteStep step) { return step == TSafeWriteStep::Lock ? ENOLCK : 0; });
        try {
            WriteFileAtomic(file, "new");
            ADD_FAILURE() << "saved without the lock";
        } catch (const EFCreateError& e) {
            EXPECT_NE(e.Message.find(std::strerror(ENOLCK)), std::string::npos) << e.Message;
        }
    }
    EXPECT_EQ(ReadFileBytes(file), "old");
}

TEST(SafeWriter, TheFolderIsSyncedAfterTheRename) {
    TempDir dir;
    const std::string file = dir.File("f");
    WriteFileAtomic(file, "old");
    std::vector<TSafeWriteStep> steps;
    SeamScope seam([&](TSafeWriteStep step) {
        steps.push_back(step);
        return 0;
    });
    WriteFileAtomic(file, "new", WithBackup(dir.File("f.bak")));
    EXPECT_EQ(steps, std::vector<TSafeWriteStep>(std::begin(AllSteps), std::end(AllSteps)));
    steps.clear();
    TSafeWriteOptions unsynced;
    unsynced.SyncFolder = false;
    WriteFileAtomic(file, "newer", unsynced);
    EXPECT_EQ(steps.back(), TSafeWriteStep::Replace);
    steps.clear();
    TSafeWriteOptions cheap;  // nothing synced, still replaced whole
    cheap.Sync = false;
    WriteFileAtomic(file, "newest", cheap);
    EXPECT_EQ(steps.back(), TSafeWriteStep::Replace);
    EXPECT_EQ(ReadFileBytes(file), "newest");
}

TEST(SafeWriter, AKillAtAnyStepLeavesAWholeFileAndTheNextSaveCleansUp) {
    // Every step, and the hook before the replace, is where a process may die.
    for (int stop = 0; stop <= int(std::size(AllSteps)); ++stop) {
        SCOPED_TRACE(stop);
        TempDir dir;
        const std::string file = dir.File("bank.bnk"), backup = dir.File("bank.bak");
        WriteFileAtomic(file, "old");
        WriteFileAtomic(backup, "older");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            TSafeWriteOptions options = WithBackup(backup);
            if (stop == int(std::size(AllSteps)))
                options.BeforeReplace = [](const std::string&) { ::_exit(0); };
            else
                SafeWriteFaultSeam() = [stop](TSafeWriteStep step) {
                    if (step == AllSteps[stop]) ::_exit(0);
                    return 0;
                };
            try {
                WriteFileAtomic(file, "new", options);
            } catch (...) {
            }
            ::_exit(1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        const std::string now = ReadFileBytes(file), kept = ReadFileBytes(backup);
        EXPECT_TRUE(now == "old" || now == "new") << now;
        EXPECT_TRUE(kept == "older" || kept == "old") << kept;
        WriteFileAtomic(file, "next", WithBackup(backup));
        EXPECT_EQ(ReadFileBytes(file), "next");
        EXPECT_EQ(ReadFileBytes(backup), now);
        EXPECT_TRUE(SavingFiles(dir.Path()).empty());
    }
}

TEST(SafeWriter, DevicesAndPipesAreWrittenInPlace) {
    TempDir dir;
    const std::string pipe = dir.File("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadFileBytes(pipe); });
    WriteFileAtomic(pipe, "through");
    reader.join();
    EXPECT_EQ(received, "through");
    struct stat st {};
    ASSERT_EQ(::lstat(pipe.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_TRUE(SavingFiles(dir.Path()).empty());
}

TEST(SafeWriter, SavesOfOneFileFollowEachOther) {
    TempDir dir;
    const std::string file = dir.File("f");
    std::mutex mutex;
    std::condition_variable changed;
    bool waiting = false;
    SeamScope seam([&](TSafeWriteStep step) {
        if (step == TSafeWriteStep::LockWait) {
            std::lock_guard lock(mutex);
            waiting = true;
            changed.notify_all();
        }
        return 0;
    });
    std::atomic<bool> secondDone{false};
    std::thread second;
    {
        TSafeFileWriter first(file);
        first.Write("first");
        second = std::thread([&] {
            try {
                WriteFileAtomic(file, "second");
                secondDone = true;
            } catch (const Exception&) {
            }
        });
        std::unique_lock lock(mutex);
        EXPECT_TRUE(changed.wait_for(lock, std::chrono::seconds(30), [&] { return waiting; }))
            << "the second save waits for the first one's lock";
        EXPECT_FALSE(secondDone);
        lock.unlock();
        first.Commit();
    }
    second.join();
    EXPECT_TRUE(secondDone);
    EXPECT_EQ(ReadFileBytes(file), "second");
    EXPECT_TRUE(SavingFiles(dir.Path()).empty());
}
