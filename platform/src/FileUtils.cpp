// File names, folders and whole-file reads and writes.
#include "platform/FileUtils.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/Codec.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/SysUtils.h"

namespace fs = std::filesystem;

std::string ToNativePath(std::string_view fileName) {
    return AnsiToUtf8(fileName);
}
std::string FromNativePath(std::string_view nativeName) {
    return Utf8ToAnsi(nativeName);
}

bool IsUsableFileName(std::string_view fileName) {
    return fileName.find('\0') == std::string_view::npos;
}

bool FileExists(const std::string& fileName) {
    struct stat st {};
    return !fileName.empty() && IsUsableFileName(fileName) &&
           ::stat(ToNativePath(fileName).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& dirName) {
    struct stat st {};
    return !dirName.empty() && IsUsableFileName(dirName) &&
           ::stat(ToNativePath(dirName).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DeleteFile(const std::string& fileName) {
    return IsUsableFileName(fileName) && ::unlink(ToNativePath(fileName).c_str()) == 0;
}

bool RenameFile(const std::string& oldName, const std::string& newName) {
    // Like the Windows call: never replaces an existing file.
    if (!IsUsableFileName(oldName) || !IsUsableFileName(newName)) return false;
    if (FileExists(newName) || DirectoryExists(newName)) return false;
    return ::rename(ToNativePath(oldName).c_str(), ToNativePath(newName).c_str()) == 0;
}

bool ForceDirectories(const std::string& dirName) {
    if (!IsUsableFileName(dirName)) return false;
    std::error_code ec;
    fs::create_directories(fs::path(ToNativePath(dirName)), ec);
    return DirectoryExists(dirName);
}

double FileAge(const std::string& fileName) {
    struct stat st {};
    if (!IsUsableFileName(fileName) || ::stat(ToNativePath(fileName).c_str(), &st) != 0) return -1;
    std::tm local{};
    time_t t = st.st_mtime;
    localtime_r(&t, &local);
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           EncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), 0);
}

namespace {
size_t LastDelimiter(std::string_view name) {
    size_t p = name.find_last_of("/\\");
    return p;
}
}  // namespace

std::string ExtractFilePath(std::string_view fileName) {
    size_t p = LastDelimiter(fileName);
    return p == std::string_view::npos ? std::string() : std::string(fileName.substr(0, p + 1));
}

std::string ExtractFileName(std::string_view fileName) {
    size_t p = LastDelimiter(fileName);
    return std::string(p == std::string_view::npos ? fileName : fileName.substr(p + 1));
}

std::string ExtractFileExt(std::string_view fileName) {
    std::string name = ExtractFileName(fileName);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ChangeFileExt(std::string_view fileName, std::string_view ext) {
    std::string name(fileName);
    size_t delim = LastDelimiter(name);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && (delim == std::string::npos || dot > delim)) name.erase(dot);
    return name + std::string(ext);
}

std::string IncludeTrailingPathDelimiter(std::string_view dir) {
    std::string d(dir);
    if (d.empty() || (d.back() != '/' && d.back() != '\\')) d += '/';
    return d;
}

std::string ProgramFolder() {
    static const std::string folder = [] {
        std::error_code ec;
        fs::path exe = fs::read_symlink("/proc/self/exe", ec);
        if (ec) return std::string("./");
        return IncludeTrailingPathDelimiter(FromNativePath(exe.parent_path().string()));
    }();
    return folder;
}

namespace {
std::string XdgFolder(const char* variable, const char* fallbackUnderHome) {
    const char* v = std::getenv(variable);
    std::string base;
    if (v && *v == '/') {
        base = v;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/" + fallbackUnderHome;
    }
    return IncludeTrailingPathDelimiter(FromNativePath(base)) + "Lorvane/";
}
}  // namespace

std::string UserDataFolder() {
    std::string d = XdgFolder("XDG_DATA_HOME", ".local/share");
    ForceDirectories(d);
    return d;
}

std::string UserConfigFolder() {
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}

std::string UserCacheFolder() {
    std::string d = XdgFolder("XDG_CACHE_HOME", ".cache");
    ForceDirectories(d);
    return d;
}

std::vector<std::string> SplitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    size_t start = 0, i = 0, n = bytes.size();
    while (i < n) {
        char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(bytes.substr(start, i - start));
            if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n) lines.emplace_back(bytes.substr(start));
    return lines;
}

std::map<std::string, std::string> DesktopEntryGroup(std::string_view text) {
    std::map<std::string, std::string> keys;
    bool inEntry = false;
    for (const std::string& line : SplitLines(text)) {
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#') continue;
        if (trimmed[0] == '[') {
            inEntry = trimmed == "[Desktop Entry]";
            continue;
        }
        const size_t eq = trimmed.find('=');
        if (!inEntry || eq == std::string::npos) continue;
        std::string raw = trimmed.substr(eq + 1);
        raw.resize(std::min(raw.size(), raw.find('\0')));
        raw = Trim(raw);
        std::string value;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '\\' || i + 1 == raw.size()) {
                value += raw[i];
                continue;
            }
            const char c = raw[++i];
            value += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
        }
        keys.try_emplace(Trim(trimmed.substr(0, eq)), std::move(value));
    }
    return keys;
}

std::string ReadFileBytes(const std::string& fileName) {
    std::string native = ToNativePath(fileName);
    const bool usable = IsUsableFileName(fileName);
    if (!usable) errno = EINVAL;
    int fd = usable ? ::open(native.c_str(), O_RDONLY | O_CLOEXEC) : -1;
    if (fd < 0)
        throw EFOpenError(
            FormatMsg("Cannot open file \"%s\". %s", {fileName, Utf8ToAnsi(std::strerror(errno))}));
    // One read into a buffer of the file's size; files that report no size (or grow) are
    // read on in steps.
    struct stat st {};
    const size_t expected = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? size_t(st.st_size) : 0;
    std::string out(expected + 1, '\0');
    size_t done = 0;
    while (true) {
        if (done == out.size()) out.resize(std::max<size_t>(65536, out.size() * 2));
        ssize_t n = ::read(fd, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int err = errno;
            ::close(fd);
            throw EReadError(FormatMsg("Cannot read file \"%s\". %s",
                                       {fileName, Utf8ToAnsi(std::strerror(err))}));
        }
        if (n == 0) break;
        done += size_t(n);
    }
    ::close(fd);
    out.resize(done);
    return out;
}

std::vector<std::string> ReadTextLines(const std::string& fileName) {
    return SplitLines(ReadFileBytes(fileName));
}

// ---------------------------------------------------------------------------------------------
// The safe writer

std::function<int(TSafeWriteStep)>& SafeWriteFaultSeam() {
    static std::function<int(TSafeWriteStep)> seam;
    return seam;
}

namespace {

int InjectedError(TSafeWriteStep step) {
    auto& seam = SafeWriteFaultSeam();
    return seam ? seam(step) : 0;
}

[[noreturn]] void RaiseCreateError(const std::string& fileName, int err) {
    throw EFCreateError(FormatMsg("Cannot create file \"%s\". %s", {fileName, SystemText(err)}));
}

// The process's file creation mask, read without changing it.
mode_t CurrentUmask() {
    std::string status;
    if (int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC); fd >= 0) {
        char buf[4096];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0) status.append(buf, size_t(n));
        ::close(fd);
    }
    const size_t at = status.find("Umask:");
    if (at == std::string::npos) return 022;
    return mode_t(std::strtoul(status.c_str() + at + 6, nullptr, 8) & 0777);
}

std::string FolderOf(const std::string& native) {
    const size_t slash = native.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : native.substr(0, slash);
}

// ".<name>.saving" beside `native`; a name too long for that is shortened and told apart by
// a hash of the whole.
std::string SavingName(const std::string& native) {
    const size_t slash = native.find_last_of('/');
    const std::string dir =
        slash == std::string::npos ? std::string() : native.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? native : native.substr(slash + 1);
    constexpr size_t MaxName = 255, Extra = 8;  // "." and ".saving"
    if (base.size() + Extra > MaxName) {
        char hash[17];
        std::snprintf(hash, sizeof hash, "%016zx", std::hash<std::string>{}(base));
        base = base.substr(0, 200) + "~" + hash;
    }
    return dir + "." + base + ".saving";
}

// The file a name stands for: symbolic links are followed, to a file that may not exist yet.
bool ResolveLinks(std::string& native, int& err) {
    constexpr int MaxLinks = 40;
    for (int i = 0; i < MaxLinks; ++i) {
        struct stat st {};
        if (::lstat(native.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::error_code ec;
        const fs::path link = fs::read_symlink(fs::path(native), ec);
        if (ec) {
            err = ec.value();
            return false;
        }
        native = (link.is_absolute() ? link : fs::path(native).parent_path() / link).string();
    }
    err = ELOOP;
    return false;
}

// 0 when the folder's entries are on the disk, else the error number. A file system that
// cannot sync folders at all (EINVAL, ENOTSUP) offers nothing more to wait for.
int SyncFolder(const std::string& dir) {
    if (const int err = InjectedError(TSafeWriteStep::SyncFolder)) return err;
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int err = 0;
    if (::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP && errno != EOPNOTSUPP) err = errno;
    ::close(fd);
    return err;
}

// Copies `from` to the new file `to` (which must not exist) with `mode`, synced.
bool CopyFileTo(const std::string& from, const std::string& to, mode_t mode, int& err) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        err = errno;
        return false;
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) {
        err = errno;
        ::close(in);
        return false;
    }
    bool ok = true;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            err = errno;
            ok = false;
            break;
        }
        if (n == 0) break;
        if (!WriteAllBytes(out, std::string_view(buf, size_t(n)), err)) {
            ok = false;
            break;
        }
    }
    if (ok && (::fchmod(out, mode) != 0 || ::fsync(out) != 0)) {
        err = errno;
        ok = false;
    }
    ::close(in);
    if (::close(out) != 0 && ok) {
        err = errno;
        ok = false;
    }
    if (!ok) ::unlink(to.c_str());
    return ok;
}

// Opens the temporary file `temp`, taking over one that an interrupted save left, and locks
// it; -1 with `err` set when it cannot. A file another save holds locked is waited for a
// while: saves of one file by several processes follow each other.
int OpenTemporary(const std::string& temp, int& err) {
    bool removed = false;
    for (int attempt = 0; attempt < 400; ++attempt) {
        const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            err = errno;
            // A link or someone else's file under our temporary name is not ours to write.
            if ((err == ELOOP || err == EACCES || err == EPERM) && !removed &&
                ::unlink(temp.c_str()) == 0) {
                removed = true;
                continue;
            }
            return -1;
        }
        int lockErr = InjectedError(TSafeWriteStep::Lock);
        if (lockErr == 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) lockErr = errno;
        if (lockErr == EWOULDBLOCK || lockErr == EINTR) {
            ::close(fd);
            err = InjectedError(TSafeWriteStep::LockWait);
            if (err != 0) return -1;
            err = EBUSY;
            ::usleep(10000);
            continue;
        }
        // Without the lock another save could write the same temporary file. Where locks fail
        // no save holds one, so the file is nobody's work.
        if (lockErr != 0) {
            ::unlink(temp.c_str());
            ::close(fd);
            err = lockErr;
            return -1;
        }
        // The name must still be this file: another save may have renamed or removed it
        // between our open and our lock.
        struct stat mine {
        }, named{};
        if (::fstat(fd, &mine) != 0 || ::lstat(temp.c_str(), &named) != 0 ||
            mine.st_dev != named.st_dev || mine.st_ino != named.st_ino) {
            ::close(fd);
            continue;
        }
        if (!S_ISREG(mine.st_mode) || mine.st_uid != ::geteuid()) {
            ::close(fd);
            if (removed || ::unlink(temp.c_str()) != 0) {
                err = EACCES;
                return -1;
            }
            removed = true;
            continue;
        }
        if (::ftruncate(fd, 0) != 0 || ::fchmod(fd, 0600) != 0) {
            err = errno;
            ::unlink(temp.c_str());
            ::close(fd);
            return -1;
        }
        return fd;
    }
    return -1;
}

}  // namespace

std::string SafeWriteTempName(const std::string& fileName, bool nativeNames) {
    const std::string temp = SavingName(nativeNames ? fileName : ToNativePath(fileName));
    return nativeNames ? temp : FromNativePath(temp);
}

TSafeFileWriter::TSafeFileWriter(const std::string& fileName, TSafeWriteOptions options)
    : options_(std::move(options)), fileName_(fileName) {
    if (!IsUsableFileName(fileName) || !IsUsableFileName(options_.BackupName))
        RaiseCreateError(fileName, EINVAL);
    target_ = options_.NativeNames ? fileName : ToNativePath(fileName);
    int err = 0;
    if (!ResolveLinks(target_, err)) RaiseCreateError(fileName, err);
    if ((err = InjectedError(TSafeWriteStep::Create)) != 0) RaiseCreateError(fileName, err);
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        // A device or pipe is written to in place: there is no file to replace, and a file
        // renamed over it would take the device's place.
        inPlace_ = true;
        fd_ = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) RaiseCreateError(fileName, errno);
        return;
    }
    temp_ = SavingName(target_);
    tempName_ = options_.NativeNames ? temp_ : FromNativePath(temp_);
    fd_ = OpenTemporary(temp_, err);
    if (fd_ < 0) RaiseCreateError(fileName, err);
}

TSafeFileWriter::~TSafeFileWriter() {
    if (fd_ < 0) return;
    // Removed while still locked, so no other save takes it over half-written.
    if (!done_ && !inPlace_) ::unlink(temp_.c_str());
    ::close(fd_);
}

void TSafeFileWriter::Fail(int err) {
    throw EWriteError(FormatMsg("Cannot write file \"%s\". %s", {fileName_, SystemText(err)}));
}

void TSafeFileWriter::Write(std::string_view bytes) {
    if (fd_ < 0 || done_) Fail(EBADF);
    int err = InjectedError(TSafeWriteStep::Write);
    if (err != 0 || !WriteAllBytes(fd_, bytes, err)) Fail(err);
    written_ += bytes.size();
    // A large file starts on its way to the disk while the rest is still being made, so the
    // sync before the replace has less to wait for.
    constexpr size_t Step = size_t(1) << 20;
    if (!inPlace_ && options_.Sync && written_ - started_ >= Step) {
        ::sync_file_range(fd_, off_t(started_), off_t(written_ - started_), SYNC_FILE_RANGE_WRITE);
        started_ = written_;
    }
}

void TSafeFileWriter::Commit() {
    if (fd_ < 0 || done_) Fail(EBADF);
    if (inPlace_) {
        done_ = true;
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) Fail(errno);
        return;
    }
    struct stat st {};
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    mode_t mode = mode_t(options_.Mode & 07777);
    if (!options_.ForceMode) mode = exists ? (st.st_mode & 07777) : (mode & ~CurrentUmask());
    int err = InjectedError(TSafeWriteStep::Sync);
    if (err != 0) Fail(err);
    if (::fchmod(fd_, mode) != 0 || (options_.Sync && ::fsync(fd_) != 0)) Fail(errno);
    if (options_.BeforeReplace) options_.BeforeReplace(tempName_);

    // The backup: a second name for the previous file, made before the replace.
    std::string backup, backupTemp;
    if (!options_.BackupName.empty() && exists && S_ISREG(st.st_mode)) {
        backup = options_.NativeNames ? options_.BackupName : ToNativePath(options_.BackupName);
        if (!ResolveLinks(backup, err)) Fail(err);
        if (backup == target_) backup.clear();
    }
    if (!backup.empty()) {
        backupTemp = SavingName(backup);
        // Saves of this file wait for each other, so a file here was left by an interrupted one.
        ::unlink(backupTemp.c_str());
        // An error injected here stands for the link's own result.
        err = InjectedError(TSafeWriteStep::Backup);
        if (err != 0 || ::link(target_.c_str(), backupTemp.c_str()) != 0) {
            if (err == 0) err = errno;
            const bool noLinks =
                err == EPERM || err == EMLINK || err == EXDEV || err == ENOSYS || err == EOPNOTSUPP;
            if (!noLinks || !CopyFileTo(target_, backupTemp, st.st_mode & 07777, err)) Fail(err);
        }
    }
    auto dropBackupTemp = [&] {
        if (!backupTemp.empty()) ::unlink(backupTemp.c_str());
    };
    if ((err = InjectedError(TSafeWriteStep::Replace)) != 0) {
        dropBackupTemp();
        Fail(err);
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        err = errno;
        dropBackupTemp();
        Fail(err);
    }
    done_ = true;
    if (!backupTemp.empty()) {
        if (InjectedError(TSafeWriteStep::KeepBackup) != 0 ||
            ::rename(backupTemp.c_str(), backup.c_str()) != 0)
            dropBackupTemp();
    }
    // Closed only now: the lock keeps other saves off the temporary file until it is renamed.
    ::close(fd_);
    fd_ = -1;
    if (options_.Sync && options_.SyncFolder) {
        // The new file is in place, but until its folder is synced a crash may bring the old
        // one back: the save is not done, and the caller must not take it as done.
        const std::string dir = FolderOf(target_);
        err = SyncFolder(dir);
        if (err == 0 && !backup.empty() && FolderOf(backup) != dir)
            err = SyncFolder(FolderOf(backup));
        if (err != 0)
            throw EWriteError(FormatMsg(
                "Cannot write file \"%s\". %s\rThe new content is in place but not yet safe on "
                "the disk.",
                {fileName_, SystemText(err)}));
    }
}

void WriteFileAtomic(const std::string& fileName, std::string_view bytes,
                     const TSafeWriteOptions& options) {
    TSafeFileWriter writer(fileName, options);
    writer.Write(bytes);
    writer.Commit();
}

void WriteFileAtomic(const std::string& fileName, std::string_view bytes, unsigned newFileMode) {
    TSafeWriteOptions options;
    options.Mode = newFileMode;
    WriteFileAtomic(fileName, bytes, options);
}

std::string SystemText(int err) {
    return Utf8ToAnsi(std::strerror(err));
}

bool WriteAllBytes(int fd, std::string_view bytes, int& err) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            err = n < 0 ? errno : EIO;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

int SyncFolderOf(const std::string& nativeFileName) {
    return SyncFolder(FolderOf(nativeFileName));
}

std::string JoinLinesCRLF(const std::vector<std::string>& lines) {
    std::string out;
    size_t total = 0;
    for (const auto& l : lines) total += l.size() + 2;
    out.reserve(total);
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}
