// Memory and file streams.
#include "platform/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "platform/Codec.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/SysUtils.h"

int64_t TStream::GetSize() {
    int64_t pos = Seek(0, soFromCurrent);
    int64_t size = Seek(0, soFromEnd);
    Seek(pos, soFromBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count > 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count > 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    int64_t total = count;
    char buf[65536];
    while (count > 0) {
        int64_t n = std::min<int64_t>(count, sizeof buf);
        source.ReadBuffer(buf, n);
        WriteBuffer(buf, n);
        count -= n;
    }
    return total;
}

// ---- TMemoryStream ----

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || pos_ >= int64_t(data_.size())) return 0;
    int64_t n = std::min<int64_t>(count, int64_t(data_.size()) - pos_);
    std::memcpy(buffer, data_.data() + pos_, size_t(n));
    pos_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    // A write that would end beyond what memory can hold moves nothing, and WriteBuffer
    // reports it, rather than overflowing the end position or escaping as a bad_alloc.
    if (count > std::numeric_limits<int64_t>::max() - pos_) return 0;
    if (pos_ + count > int64_t(data_.size())) {
        try {
            data_.resize(size_t(pos_ + count));
        } catch (const std::bad_alloc&) {
            return 0;
        } catch (const std::length_error&) {
            return 0;
        }
    }
    std::memcpy(data_.data() + pos_, buffer, size_t(count));
    pos_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, int origin) {
    int64_t base;
    switch (origin) {
        case soFromBeginning:
            base = 0;
            break;
        case soFromCurrent:
            base = pos_;
            break;
        case soFromEnd:
            base = int64_t(data_.size());
            break;
        default:
            return -1;  // as a file stream answers a seek it cannot do
    }
    // The base is never negative, so the sum can only overflow upwards: it saturates there.
    int64_t target;
    if (__builtin_add_overflow(base, offset, &target)) target = std::numeric_limits<int64_t>::max();
    pos_ = std::max<int64_t>(target, 0);
    return pos_;
}

void TMemoryStream::SetSize(int64_t newSize) {
    data_.resize(size_t(std::max<int64_t>(newSize, 0)));
    if (pos_ > newSize) pos_ = std::max<int64_t>(newSize, 0);
}

void TMemoryStream::Clear() {
    data_.clear();
    pos_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
    // Read aside first: a failed read keeps the old content, and loading from itself works.
    stream.SetPosition(0);
    int64_t n = stream.Size();
    if (n < 0) throw EReadError("Stream read error");
    std::vector<uint8_t> bytes(static_cast<size_t>(n));
    if (n > 0) stream.ReadBuffer(bytes.data(), n);
    data_.swap(bytes);
    pos_ = 0;
}

void TMemoryStream::SaveToStream(TStream& stream) {
    if (!data_.empty()) stream.WriteBuffer(data_.data(), int64_t(data_.size()));
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream f(fileName, fmOpenRead);
    LoadFromStream(f);
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
    // Replaced whole: a failed or interrupted save leaves the previous file.
    WriteFileAtomic(fileName,
                    std::string_view(reinterpret_cast<const char*>(data_.data()), data_.size()),
                    0666);
}

// ---- TFileStream ----

TFileStream::TFileStream(const std::string& fileName, unsigned mode, unsigned permissions)
    : fileName_(fileName) {
    std::string native = ToNativePath(fileName);
    // A name the system cannot take whole fails here instead of opening a shorter name.
    const bool usable = IsUsableFileName(fileName);
    if (!usable) errno = EINVAL;
    if ((mode & 0xFF00) == fmCreate) {
        fd_ = usable ? ::open(native.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, permissions)
                     : -1;
        if (fd_ < 0)
            throw EFCreateError(FormatMsg("Cannot create file \"%s\". %s",
                                          {fileName, Utf8ToAnsi(std::strerror(errno))}));
        return;
    }
    int flags = O_CLOEXEC;
    switch (mode & 3) {
        case fmOpenWrite:
            flags |= O_WRONLY;
            break;
        case fmOpenReadWrite:
            flags |= O_RDWR;
            break;
        default:
            flags |= O_RDONLY;
            break;
    }
    fd_ = usable ? ::open(native.c_str(), flags) : -1;
    if (fd_ >= 0) {
        struct stat st {};
        if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(fd_);
            fd_ = -1;
            errno = EISDIR;
        }
    }
    if (fd_ < 0)
        throw EFOpenError(
            FormatMsg("Cannot open file \"%s\". %s", {fileName, Utf8ToAnsi(std::strerror(errno))}));
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
    int64_t total = 0;
    auto* p = static_cast<char*>(buffer);
    while (count > 0) {
        ssize_t n = ::read(fd_, p + total, size_t(count));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += n;
        count -= n;
    }
    return total;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    int64_t total = 0;
    auto* p = static_cast<const char*>(buffer);
    while (count > 0) {
        ssize_t n = ::write(fd_, p + total, size_t(count));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += n;
        count -= n;
    }
    return total;
}

int64_t TFileStream::Seek(int64_t offset, int origin) {
    if (origin != soFromBeginning && origin != soFromCurrent && origin != soFromEnd) return -1;
    int whence = origin == soFromCurrent ? SEEK_CUR : origin == soFromEnd ? SEEK_END : SEEK_SET;
    off_t r = ::lseek(fd_, off_t(offset), whence);
    return r < 0 ? -1 : int64_t(r);
}

int64_t TFileStream::GetSize() {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return -1;
    return int64_t(st.st_size);
}

void TFileStream::SetSize(int64_t newSize) {
    int64_t pos = Position();
    if (::ftruncate(fd_, off_t(newSize)) != 0)
        throw EWriteError(FormatMsg("Stream write error: %s", {Utf8ToAnsi(std::strerror(errno))}));
    if (pos > newSize) Seek(newSize, soFromBeginning);
}

void TFileStream::Sync() {
    if (::fsync(fd_) != 0)
        throw EWriteError(FormatMsg("Cannot write file \"%s\". %s",
                                    {fileName_, Utf8ToAnsi(std::strerror(errno))}));
}
