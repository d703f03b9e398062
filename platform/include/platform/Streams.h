// The stream family: an abstract byte stream with 64-bit positions, files and memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum TSeekOrigin : int { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TStream {
public:
    virtual ~TStream() = default;

    // Reads or writes at most `count` bytes at the position and returns how many moved.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Moves the position and returns the new one; -1, with the position kept, when the origin
    // is none of the three or the stream cannot seek there.
    virtual int64_t Seek(int64_t offset, int origin) = 0;
    virtual int64_t GetSize();
    virtual void SetSize(int64_t newSize) = 0;

    int64_t Position() { return Seek(0, soFromCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, soFromBeginning); }
    int64_t Size() { return GetSize(); }

    // Whole transfers: EReadError "Stream read error" / EWriteError "Stream write error".
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies `count` bytes from `source` (0 = all of it from its start); returns the count.
    int64_t CopyFrom(TStream& source, int64_t count);
};

// Seeks clamp to 0 below and saturate above; a write that cannot grow the memory moves nothing.
class TMemoryStream : public TStream {
public:
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin) override;
    int64_t GetSize() override { return int64_t(data_.size()); }
    void SetSize(int64_t newSize) override;

    void Clear();
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream);
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);
    const uint8_t* Memory() const { return data_.data(); }
    uint8_t* Memory() { return data_.data(); }
    const std::vector<uint8_t>& Bytes() const { return data_; }

private:
    std::vector<uint8_t> data_;
    int64_t pos_ = 0;
};

// Open modes of TFileStream.
enum : unsigned {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareDenyWrite = 0x0020,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFF00,
};

// A file opened by its Windows-1252 name. Failures raise EFOpenError
// "Cannot open file \"%s\". %s" or EFCreateError "Cannot create file \"%s\". %s".
class TFileStream : public TStream {
public:
    TFileStream(const std::string& fileName, unsigned mode, unsigned permissions = 0666);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin) override;
    int64_t GetSize() override;
    void SetSize(int64_t newSize) override;

    // Forces the written bytes to the disk; EWriteError when that fails.
    void Sync();
    const std::string& FileName() const { return fileName_; }
    int Handle() const { return fd_; }

private:
    std::string fileName_;
    int fd_ = -1;
};
