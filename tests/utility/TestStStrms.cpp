// Tests of the buffered stream against an in-memory stream that counts and can misbehave.
#include "StStrms.h"

#include <numeric>
#include <vector>

#include <gtest/gtest.h>

#include "UtilityTestHelpers.h"

namespace {

struct Call {
    int64_t Offset;
    int64_t Count;
    bool operator==(const Call&) const = default;
};
using Calls = std::vector<Call>;

// A patterned memory stream that records reads and writes and injects the faults under test.
class CountingStream : public TMemoryStream {
public:
    explicit CountingStream(size_t size = 0) {
        for (size_t k = 0; k < size; ++k) {
            const auto b = uint8_t(k * 7 + k / 256);
            TMemoryStream::Write(&b, 1);
        }
        TMemoryStream::Seek(0, soFromBeginning);
    }
    int64_t Read(void* buffer, int64_t count) override {
        const int64_t at = Position();
        if (readLimit >= 0) count = std::min(count, std::max<int64_t>(0, readLimit - at));
        const int64_t n = TMemoryStream::Read(buffer, count);
        reads.push_back({at, n});
        return n;
    }
    int64_t Write(const void* buffer, int64_t count) override {
        writes.push_back({Position(), count});
        return TMemoryStream::Write(buffer, shortWrites ? count / 2 : count);
    }
    int64_t Seek(int64_t offset, int origin) override {
        ++seeks;
        const int64_t pos = TMemoryStream::Seek(offset, origin);
        return seekMisses && origin == soFromBeginning ? pos + 1 : pos;
    }
    uint8_t At(size_t k) const { return Bytes().at(k); }

    Calls reads, writes;
    int seeks = 0;
    int64_t readLimit = -1;  // reads deliver nothing past this offset, whatever the size
    bool shortWrites = false;
    bool seekMisses = false;
};

}  // namespace

TEST(TStBufferedStream, RecordReads) {
    CountingStream under(100);
    TStBufferedStream stream(&under);
    uint8_t record[27];
    std::vector<int64_t> counts;
    for (int k = 0; k < 5; ++k) counts.push_back(stream.Read(record, 27));
    EXPECT_EQ(counts, (std::vector<int64_t>{27, 27, 27, 19, 0}));
    EXPECT_EQ(record[18], under.At(99));
    EXPECT_EQ(under.reads, (Calls{{0, 100}}));
    EXPECT_EQ(stream.Read(record, -5), 0);
}

TEST(TStBufferedStream, ReadsBlocksOnlyWhenNeeded) {
    CountingStream under(10000);
    TStBufferedStream stream(&under);
    EXPECT_EQ(stream.Seek(4090, soFromBeginning), 4090);
    uint8_t bytes[20];
    EXPECT_EQ(stream.Read(bytes, 20), 20);
    for (size_t k = 0; k < 20; ++k) EXPECT_EQ(bytes[k], under.At(4090 + k)) << k;
    EXPECT_EQ(under.reads, (Calls{{0, 4096}, {4096, 4096}}));

    under.reads.clear();
    const int seeks = under.seeks;
    EXPECT_EQ(stream.Seek(9000, soFromBeginning), 9000);  // lazy: nothing happens yet
    EXPECT_EQ(under.seeks, seeks);
    EXPECT_EQ(stream.Read(bytes, 1), 1);
    EXPECT_EQ(bytes[0], under.At(9000));
    EXPECT_EQ(under.reads, (Calls{{8192, 1808}}));
}

TEST(TStBufferedStream, ReadEndingOnABlockBoundaryGoesOnWithTheNextBlock) {
    CountingStream under(10000);
    TStBufferedStream stream(&under);
    std::vector<uint8_t> bytes(4096);
    EXPECT_EQ(stream.Read(bytes.data(), 4096), 4096);
    EXPECT_EQ(stream.Read(bytes.data(), 10), 10);
    for (size_t k = 0; k < 10; ++k) EXPECT_EQ(bytes[k], under.At(4096 + k)) << k;
    EXPECT_EQ(stream.Position(), 4106);

    // The same after a write that filled its block up to the boundary.
    stream.Seek(8000, soFromBeginning);
    const std::vector<uint8_t> patch(192, 0xEE);
    EXPECT_EQ(stream.Write(patch.data(), 192), 192);
    EXPECT_EQ(stream.Read(bytes.data(), 5), 5);
    EXPECT_EQ(bytes[0], under.At(8192));
    EXPECT_EQ(stream.Position(), 8197);
}

TEST(TStBufferedStream, SeekClamping) {
    CountingStream under(1000);
    TStBufferedStream stream(&under);
    EXPECT_EQ(stream.Seek(-10, soFromBeginning), 0);
    EXPECT_EQ(stream.Seek(100, soFromEnd), 1000);
    EXPECT_EQ(stream.Seek(-1, soFromEnd), 999);
    EXPECT_EQ(stream.Seek(0, soFromCurrent), 999);
    EXPECT_EQ(stream.Seek(INT64_MAX, soFromCurrent), 1000);
    EXPECT_EQ(stream.Seek(INT64_MIN, soFromEnd), 0);
    EXPECT_EQ(LibraryErrorOf([&] { stream.Seek(0, 3); }),
              "263 Bad origin parameter for call to Seek");
}

TEST(TStBufferedStream, WritesWholeBlocksBack) {
    CountingStream grown;
    std::vector<uint8_t> written(5000);
    std::iota(written.begin(), written.end(), uint8_t(3));
    {
        TStBufferedStream stream(&grown);
        for (uint8_t b : written) ASSERT_EQ(stream.Write(&b, 1), 1);
        EXPECT_EQ(stream.Size(), 5000);
    }
    EXPECT_EQ(grown.Bytes(), written);
    EXPECT_EQ(grown.writes, (Calls{{0, 4096}, {4096, 904}}));

    CountingStream patched(10000);
    std::vector<uint8_t> expected = patched.Bytes();
    std::fill(expected.begin() + 4000, expected.begin() + 4200, 0xEE);
    {
        TStBufferedStream stream(&patched);
        stream.Seek(4000, soFromBeginning);
        const std::vector<uint8_t> patch(200, 0xEE);
        EXPECT_EQ(stream.Write(patch.data(), 200), 200);
    }
    EXPECT_EQ(patched.writes, (Calls{{0, 4096}, {4096, 4096}}));
    EXPECT_EQ(patched.Bytes(), expected);
}

TEST(TStBufferedStream, ReadsBackWhatItWrote) {
    CountingStream under(6000);
    TStBufferedStream stream(&under);
    std::vector<uint8_t> data(9000);
    std::iota(data.begin(), data.end(), uint8_t(1));
    stream.Seek(3000, soFromBeginning);
    EXPECT_EQ(stream.Write(data.data(), 9000), 9000);
    EXPECT_EQ(stream.Size(), 12000);
    stream.Seek(2990, soFromBeginning);
    std::vector<uint8_t> back(9100);
    EXPECT_EQ(stream.Read(back.data(), 9100), 9010);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin() + 10));
    stream.Flush();
    EXPECT_EQ(under.Size(), 12000);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), under.Bytes().begin() + 3000));
}

TEST(TStBufferedStream, ErrorPaths) {
    EXPECT_EQ(LibraryErrorOf([] { TStBufferedStream stream(nullptr); }).substr(0, 4), "270 ");

    uint8_t b = 1;
    CountingStream shortWriter(100);
    TStBufferedStream writer(&shortWriter);
    writer.Write(&b, 1);
    shortWriter.shortWrites = true;
    EXPECT_EQ(LibraryErrorOf([&] { writer.Flush(); }).substr(0, 4), "273 ");
    EXPECT_TRUE(writer.Dirty());

    CountingStream missingReader(10000);
    TStBufferedStream reader(&missingReader);
    missingReader.seekMisses = true;
    EXPECT_EQ(LibraryErrorOf([&] { reader.Read(&b, 1); }).substr(0, 4), "271 ");

    CountingStream missingWriter(10000);
    {
        TStBufferedStream stream(&missingWriter);
        stream.Write(&b, 1);
        missingWriter.seekMisses = true;
        EXPECT_EQ(LibraryErrorOf([&] { stream.Seek(5000, soFromBeginning); }).substr(0, 4), "272 ");
        EXPECT_EQ(stream.Position(), 1);  // the failed seek left the position alone
    }                                     // the destructor swallows the same failure
    EXPECT_EQ(missingWriter.At(0), 0);
}

TEST(TStBufferedStream, UnderlyingShorterThanItsSizeEndsTheReadShort) {
    CountingStream under(10000);
    under.readLimit = 5000;  // e.g. a file on a share truncated after its size was taken
    TStBufferedStream stream(&under);
    std::vector<uint8_t> bytes(9000);
    EXPECT_EQ(stream.Read(bytes.data(), 9000), 5000);
    EXPECT_EQ(bytes[4999], under.At(4999));
    EXPECT_EQ(stream.Position(), 5000);
    EXPECT_EQ(stream.Read(bytes.data(), 100), 0);
    stream.Seek(8200, soFromBeginning);
    EXPECT_EQ(stream.Read(bytes.data(), 10), 0);
    EXPECT_EQ(stream.Position(), 8200);
}

TEST(TStBufferedStream, Resizing) {
    CountingStream under(100);
    TStBufferedStream stream(&under);
    stream.Seek(80, soFromBeginning);
    stream.SetSize(50);
    EXPECT_EQ(stream.Position(), 50);
    EXPECT_EQ(stream.Size(), 50);
    EXPECT_EQ(under.Size(), 50);

    uint8_t b = 0xAB;  // unwritten bytes reach the underlying stream before it is resized
    stream.Seek(10, soFromBeginning);
    stream.Write(&b, 1);
    stream.SetSize(200);
    EXPECT_EQ(under.At(10), 0xAB);
    EXPECT_EQ(stream.Position(), 11);
}
