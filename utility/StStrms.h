// A stream with a 4096-byte block buffer in front of another stream.
#pragma once

#include <cstdint>
#include <vector>

#include <platform/Streams.h>

// Many small reads and writes touch the underlying stream (not owned) in whole blocks only.
// Errors are EStBufStreamError: 263 bad seek origin, 270 no underlying stream, 271/272 the
// underlying seek missed for a read/write, 273 the underlying write was short.
class TStBufferedStream : public TStream {
public:
    explicit TStBufferedStream(TStream* stream);
    // Writes a dirty buffer back; a failure there is swallowed, so call Flush first when
    // the outcome matters.
    ~TStBufferedStream() override;
    TStBufferedStream(const TStBufferedStream&) = delete;
    TStBufferedStream& operator=(const TStBufferedStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin) override;
    int64_t GetSize() override { return size_; }
    void SetSize(int64_t newSize) override;

    // Writes the buffer to the underlying stream when it holds unwritten bytes.
    void Flush();

    static constexpr int64_t BufSize = 4096;
    TStream* Stream() const { return stream_; }
    bool Dirty() const { return dirty_; }

private:
    // Takes the size from the underlying stream and forgets the buffered block.
    void Reset();
    void CheckStream() const;
    void FillBuffer();
    void FlushBuffer();

    int64_t bufCount_ = 0;  // valid bytes in the buffer; 0 also means "not loaded"
    std::vector<uint8_t> buffer_;
    int64_t bufOffset_ = 0;  // stream position of buffer_[0], a multiple of BufSize
    int64_t bufPos_ = 0;
    bool dirty_ = false;
    int64_t size_ = 0;
    TStream* stream_ = nullptr;
};
