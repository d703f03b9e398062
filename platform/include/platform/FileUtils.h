// File names and text files: the system's Windows-1252 names meet the UTF-8 file system here.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// A Windows-1252 file name as the file system's UTF-8 name, and back.
std::string ToNativePath(std::string_view fileName);
std::string FromNativePath(std::string_view nativeName);

// False for a name holding a NUL byte: the system calls would cut it short and so act on
// another file. Every call here and TFileStream refuse such names (false, -1 or an exception).
bool IsUsableFileName(std::string_view fileName);

bool FileExists(const std::string& fileName);
bool DirectoryExists(const std::string& dirName);
bool DeleteFile(const std::string& fileName);
bool RenameFile(const std::string& oldName, const std::string& newName);
bool ForceDirectories(const std::string& dirName);
// The last modification time as a date-time, or -1 when the file cannot be read.
double FileAge(const std::string& fileName);

// Path pieces with "/" (and "\" from Windows-style names) as delimiters.
std::string ExtractFilePath(std::string_view fileName);  // with its trailing delimiter
std::string ExtractFileName(std::string_view fileName);
std::string ExtractFileExt(std::string_view fileName);  // with its dot
std::string ChangeFileExt(std::string_view fileName, std::string_view ext);
std::string IncludeTrailingPathDelimiter(std::string_view dir);

// The folder of the program file, with a trailing "/".
std::string ProgramFolder();
// The user's data folder ($XDG_DATA_HOME/Lorvane/), created on demand, with a trailing "/".
std::string UserDataFolder();
// The user's configuration folder ($XDG_CONFIG_HOME/Lorvane/), not created, trailing "/".
std::string UserConfigFolder();
// The user's cache folder ($XDG_CACHE_HOME/Lorvane/), created on demand, with a trailing "/".
std::string UserCacheFolder();

// Splits bytes into lines at CR LF, CR or LF; a last line without a break still counts,
// an empty text gives no lines. Bytes 0x1A and NUL are ordinary bytes.
std::vector<std::string> SplitLines(std::string_view bytes);

// The keys of a desktop entry's "[Desktop Entry]" group with their values: the first of each
// key, blanks around both trimmed, the string escapes ("\s", "\n", "\t", "\r", "\\") read and
// nothing after a NUL kept. Comments and other groups are skipped; a localised key
// ("Name[de]") is a key of its own. The bytes are taken in whatever encoding they come.
std::map<std::string, std::string> DesktopEntryGroup(std::string_view text);

// Reads a whole file; EFOpenError when it cannot be opened.
std::string ReadFileBytes(const std::string& fileName);
std::vector<std::string> ReadTextLines(const std::string& fileName);

// How a file is written safely. The new content goes to a temporary file beside the target
// (".<name>.saving", created 0600 and locked while in use), is synced, and then replaces the
// target by one rename over it, so a file always exists under the name and holds either the
// old or the new content. A temporary file that an interrupted save left behind is taken over
// and so removed by the next save. A symbolic link (target or backup) is followed: the file it
// names is replaced and the link stays. A device or pipe is written to in place.
struct TSafeWriteOptions {
    // The mode of a new file (less the process's umask); an existing file keeps its own mode.
    unsigned Mode = 0644;
    // The file always gets exactly Mode, new or not.
    bool ForceMode = false;
    // Where the previous file is kept; empty for none. The backup is a hard link to the
    // previous file (a copy where links cannot be made), made before the replace and put in
    // place after it, so a failure at any step keeps both the old file and the old backup.
    std::string BackupName;
    // The new content is synced before the replace, and the folders after the rename, so the
    // new file survives a crash. Off for files that are cheap to make again and many (the
    // pages of one export): the replace is still whole, but a crash may lose it.
    bool Sync = true;
    bool SyncFolder = true;
    // The names are the file system's UTF-8 names rather than Windows-1252 ones.
    bool NativeNames = false;
    // Called with the temporary file's name once the new content is complete and synced,
    // before the target is replaced; an exception from it fails the write.
    std::function<void(const std::string& tempFileName)> BeforeReplace;
};

// A safe write in steps, for content produced piece by piece. Creating it raises
// EFCreateError; Write and Commit raise EWriteError. Destroyed without a Commit (or after a
// failed one), it removes its temporary file and leaves the target and backup untouched.
class TSafeFileWriter {
public:
    TSafeFileWriter(const std::string& fileName, TSafeWriteOptions options = {});
    ~TSafeFileWriter();
    TSafeFileWriter(const TSafeFileWriter&) = delete;
    TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

    void Write(std::string_view bytes);
    // Syncs, keeps the backup and replaces the target. A backup that cannot be put in place
    // after the replace does not fail the write (the previous backup stays). A folder that
    // cannot be synced after the replace does: the new content is in place but a crash may
    // still lose it.
    void Commit();
    // The temporary file, as the names were given (native or Windows-1252).
    const std::string& TempFileName() const { return tempName_; }

private:
    [[noreturn]] void Fail(int err);
    TSafeWriteOptions options_;
    std::string fileName_;  // as given, for messages
    std::string target_;    // native, links resolved
    std::string temp_;      // native
    std::string tempName_;  // as given
    int fd_ = -1;
    bool inPlace_ = false;  // a device or pipe, written to directly
    size_t written_ = 0;    // bytes written so far
    size_t started_ = 0;    // of which on their way to the disk
    bool done_ = false;
};

// The temporary file a safe write of `fileName` uses (".<name>.saving" beside it).
std::string SafeWriteTempName(const std::string& fileName, bool nativeNames = false);

// Writes a whole file safely as TSafeFileWriter does.
void WriteFileAtomic(const std::string& fileName, std::string_view bytes,
                     const TSafeWriteOptions& options);
void WriteFileAtomic(const std::string& fileName, std::string_view bytes,
                     unsigned newFileMode = 0644);
// Syncs the folder of a file (its native name) as a safe write does after its rename, so the
// file put there survives a crash: 0, or the error number.
int SyncFolderOf(const std::string& nativeFileName);
// The system's text for an error number, in Windows-1252.
std::string SystemText(int err);
// Writes every byte to `fd` at its offset, again after an interruption; false with `err` set.
bool WriteAllBytes(int fd, std::string_view bytes, int& err);

// The steps of a safe write, for tests that fail or stop a write at each of them. LockWait comes
// each time the temporary file is found locked by another save, before waiting for it.
enum class TSafeWriteStep {
    Create,
    Lock,
    Write,
    Sync,
    Backup,
    Replace,
    KeepBackup,
    SyncFolder,
    LockWait
};
// When set, called before each step; a non-zero result is taken as that step's error number
// (at Lock, as the lock's: EWOULDBLOCK waits; at Backup, as the hard link's: EPERM there makes
// a copy instead).
std::function<int(TSafeWriteStep step)>& SafeWriteFaultSeam();

// Each line followed by CR LF.
std::string JoinLinesCRLF(const std::vector<std::string>& lines);
