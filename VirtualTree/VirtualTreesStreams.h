// The tree's stream format: node records with chunks, and a read-only stream over a byte array
// for clipboard and drag payloads. The writer and the reader are members of TBaseVirtualTree
// (VirtualTreesStreams.cpp).
//
// Layout (little-endian): a 12-byte magic (six UTF-16 units U+2045 'V' 'T' version ' ' U+2046),
// a u32 node count (version 2 only), then the node records. A record is an anchor chunk (type
// 1) holding the node's chunks; a chunk is u32 type, u32 size of the body, body.
#pragma once

#include "platform/Streams.h"

#include <cstdint>
#include <vector>

enum : int {
    VTNodeChunk = 1,      // a node's anchor: its chunks
    VTBaseChunk = 2,      // counts, height, states, check marks, then the child records
    VTCaptionChunk = 3,   // the string tree's caption
    VTUserDataChunk = 4,  // what OnSaveNode wrote
};

inline constexpr int VTTreeStreamVersion = 2;
inline constexpr int VTMagicSize = 12;
inline constexpr int VTChunkHeaderSize = 8;
// The states a stream stores and the ones a reader keeps.
inline constexpr uint16_t VTStoredStatesMask = 0xFDE9;
inline constexpr uint16_t VTPersistentStatesMask = 0x01E9;
// Records nest no deeper than this in a stream the reader accepts.
inline constexpr int VTMaxStreamDepth = 1000;

// Writes a chunk header with a size to be patched by VTAdjustChunkSize; returns its position.
int64_t VTWriteChunkHeader(TStream& stream, int chunkType);
// Sets the size of the chunk that starts at chunkStart to the bytes written after its header.
void VTAdjustChunkSize(TStream& stream, int64_t chunkStart);

// A read-only stream over bytes it does not own (the caller keeps them alive). Writing or
// resizing raises EStreamError "Can't write to a read-only resource stream".
class TOLEMemoryStream : public TStream {
public:
    TOLEMemoryStream(const void* data, int64_t size)
        : data_(static_cast<const uint8_t*>(data)), size_(size < 0 ? 0 : size) {}
    explicit TOLEMemoryStream(const std::vector<uint8_t>& bytes)
        : TOLEMemoryStream(bytes.data(), int64_t(bytes.size())) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin) override;
    int64_t GetSize() override { return size_; }
    void SetSize(int64_t newSize) override;

private:
    const uint8_t* data_;
    int64_t size_;
    int64_t pos_ = 0;
};
