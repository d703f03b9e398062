// The block-buffered stream: whole 4096-byte blocks to and from the underlying stream.
#include "StStrms.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "StBase.h"
#include "StConst.h"

namespace {

// Offsets near the 64-bit limits are clamped afterwards anyway; they must not overflow first.
int64_t SaturatedAdd(int64_t a, int64_t b) {
    int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) return b < 0 ? INT64_MIN : INT64_MAX;
    return sum;
}

}  // namespace

TStBufferedStream::TStBufferedStream(TStream* stream) : buffer_(size_t(BufSize)) {
    if (!stream) RaiseLibraryError<EStBufStreamError>(StMsgNilStream);
    stream_ = stream;
    Reset();
}

TStBufferedStream::~TStBufferedStream() {
    if (dirty_ && stream_) {
        try {
            FlushBuffer();
        } catch (...) {
            // A destructor cannot report; callers who care call Flush() first.
        }
    }
}

void TStBufferedStream::CheckStream() const {
    if (!stream_) RaiseLibraryError<EStBufStreamError>(StMsgNilStream);
}

void TStBufferedStream::Reset() {
    size_ = stream_ ? stream_->Size() : 0;
    bufCount_ = 0;
    bufOffset_ = 0;
    bufPos_ = 0;
    dirty_ = false;
}

void TStBufferedStream::FillBuffer() {
    if (stream_->Seek(bufOffset_, soFromBeginning) != bufOffset_)
        RaiseLibraryError<EStBufStreamError>(StMsgReadSeekFailed);
    bufCount_ = std::max<int64_t>(0, stream_->Read(buffer_.data(), BufSize));
    // A short block must not carry bytes of the previous one into a later write-back.
    std::fill(buffer_.begin() + bufCount_, buffer_.end(), uint8_t(0));
}

void TStBufferedStream::FlushBuffer() {
    if (stream_->Seek(bufOffset_, soFromBeginning) != bufOffset_)
        RaiseLibraryError<EStBufStreamError>(StMsgWriteSeekFailed);
    if (stream_->Write(buffer_.data(), bufCount_) < bufCount_)
        RaiseLibraryError<EStBufStreamError>(StMsgWriteIncomplete);
    dirty_ = false;
}

void TStBufferedStream::Flush() {
    CheckStream();
    if (dirty_) FlushBuffer();
}

int64_t TStBufferedStream::Read(void* buffer, int64_t count) {
    CheckStream();
    const int64_t wanted = std::min(count, size_ - (bufOffset_ + bufPos_));
    if (wanted < 1) return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    if (bufCount_ == 0) FillBuffer();
    for (;;) {
        const int64_t chunk = std::min(wanted - done, bufCount_ - bufPos_);
        if (chunk > 0) {
            std::memcpy(out + done, buffer_.data() + bufPos_, size_t(chunk));
            bufPos_ += chunk;
            done += chunk;
        }
        // A block that ends before its full size ends the read: the underlying stream
        // delivered less than its size promised, and moving on would skip bytes.
        if (done >= wanted || bufPos_ < BufSize) break;
        if (dirty_) FlushBuffer();
        bufPos_ = 0;
        bufOffset_ += BufSize;
        FillBuffer();
    }
    return done;
}

int64_t TStBufferedStream::Write(const void* buffer, int64_t count) {
    CheckStream();
    if (count < 1) return count;
    const auto* in = static_cast<const uint8_t*>(buffer);
    int64_t done = 0;
    auto put = [&] {
        const int64_t chunk = std::min(count - done, BufSize - bufPos_);
        std::memcpy(buffer_.data() + bufPos_, in + done, size_t(chunk));
        dirty_ = true;
        bufPos_ += chunk;
        done += chunk;
        if (bufPos_ > bufCount_) {
            bufCount_ = bufPos_;
            size_ = std::max(size_, bufOffset_ + bufPos_);
        }
    };

    if (bufCount_ == 0) FillBuffer();
    put();
    while (done < count) {
        FlushBuffer();
        bufPos_ = 0;
        bufOffset_ += BufSize;
        if (bufOffset_ >= size_)
            bufCount_ = 0;  // past the end: nothing to load
        else
            FillBuffer();
        put();
    }
    return count;
}

int64_t TStBufferedStream::Seek(int64_t offset, int origin) {
    CheckStream();
    const int64_t current = bufOffset_ + bufPos_;
    if (origin == soFromCurrent && offset == 0) return current;
    int64_t target = 0;
    switch (origin) {
        case soFromBeginning:
            target = offset;
            break;
        case soFromCurrent:
            target = SaturatedAdd(current, offset);
            break;
        case soFromEnd:
            target = SaturatedAdd(size_, offset);
            break;
        default:
            RaiseLibraryError<EStBufStreamError>(StMsgBadOrigin);
    }
    target = std::clamp<int64_t>(target, 0, size_);
    const int64_t blockStart = target / BufSize * BufSize;
    if (blockStart != bufOffset_) {
        if (dirty_) FlushBuffer();
        bufOffset_ = blockStart;
        bufCount_ = 0;  // loaded by the next read or write
    }
    bufPos_ = target - bufOffset_;
    return target;
}

void TStBufferedStream::SetSize(int64_t newSize) {
    CheckStream();
    if (newSize == size_) return;
    if (dirty_) FlushBuffer();
    stream_->SetSize(newSize);
    const int64_t position = std::min(bufOffset_ + bufPos_, newSize);
    Reset();
    Seek(position, soFromBeginning);
}
