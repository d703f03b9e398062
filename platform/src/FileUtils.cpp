// File names, folders and whole-file reads and writes.
#include "platform/FileUtils.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Codec.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/SysUtils.h"

namespace fs = std::filesystem;

std::string ToNativePath(std::string_view fileName) { return AnsiToUtf8(fileName); }
std::string FromNativePath(std::string_view nativeName) { return Utf8ToAnsi(nativeName); }

bool IsUsableFileName(std::string_view fileName) {
    return fileName.find('\0') == std::string_view::npos;
}

bool FileExists(const std::string& fileName) {
    struct stat st{};
    return !fileName.empty() && IsUsableFileName(fileName) &&
           ::stat(ToNativePath(fileName).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& dirName) {
    struct stat st{};
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
    struct stat st{};
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

std::string UserConfigFolder() { return XdgFolder("XDG_CONFIG_HOME", ".config"); }

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

std::string ReadFileBytes(const std::string& fileName) {
    std::string native = ToNativePath(fileName);
    const bool usable = IsUsableFileName(fileName);
    if (!usable) errno = EINVAL;
    int fd = usable ? ::open(native.c_str(), O_RDONLY | O_CLOEXEC) : -1;
    if (fd < 0)
        throw EFOpenError(FormatMsg("Cannot open file \"%s\". %s", {fileName, Utf8ToAnsi(std::strerror(errno))}));
    std::string out;
    char buf[65536];
    while (true) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int err = errno;
            ::close(fd);
            throw EReadError(FormatMsg("Cannot read file \"%s\". %s", {fileName, Utf8ToAnsi(std::strerror(err))}));
        }
        if (n == 0) break;
        out.append(buf, size_t(n));
    }
    ::close(fd);
    return out;
}

std::vector<std::string> ReadTextLines(const std::string& fileName) { return SplitLines(ReadFileBytes(fileName)); }

void WriteFileAtomic(const std::string& fileName, std::string_view bytes, unsigned newFileMode) {
    if (!IsUsableFileName(fileName))
        throw EFCreateError(FormatMsg("Cannot create file \"%s\". %s",
                                      {fileName, Utf8ToAnsi(std::strerror(EINVAL))}));
    fs::path target(ToNativePath(fileName));
    // A link is followed, so the file it names gets the new content and the link stays a link.
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }
    std::string native = target.string();
    std::string dir = target.has_parent_path() ? target.parent_path().string() : std::string(".");
    std::string tmpl = dir + "/." + target.filename().string() + ".XXXXXX";
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        throw EFCreateError(FormatMsg("Cannot create file \"%s\". %s", {fileName, Utf8ToAnsi(std::strerror(errno))}));
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        throw EWriteError(FormatMsg("Cannot write file \"%s\". %s", {fileName, Utf8ToAnsi(std::strerror(err))}));
    };
    struct stat st{};
    mode_t mode = ::stat(native.c_str(), &st) == 0 ? (st.st_mode & 07777) : mode_t(newFileMode);
    if (::fchmod(fd, mode) != 0) fail(errno);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail(n < 0 ? errno : EIO);
        done += size_t(n);
    }
    if (::fsync(fd) != 0) fail(errno);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        throw EWriteError(FormatMsg("Cannot write file \"%s\". %s", {fileName, Utf8ToAnsi(std::strerror(err))}));
    }
    if (::rename(tmpl.c_str(), native.c_str()) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        throw EWriteError(FormatMsg("Cannot write file \"%s\". %s", {fileName, Utf8ToAnsi(std::strerror(err))}));
    }
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
