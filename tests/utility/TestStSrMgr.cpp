// Tests of the "STR0" reader: lookups, table checks, conversion and the library's own tables.
#include "StSrMgr.h"

#include <vector>

#include <gtest/gtest.h>

#include "StConst.h"
#include "UtilityTestHelpers.h"

namespace {

void Set32(std::vector<uint8_t>& blob, size_t at, int32_t v) {
    if (blob.size() < at + 4) blob.resize(at + 4);
    for (int k = 0; k < 4; ++k) blob[at + size_t(k)] = uint8_t(uint32_t(v) >> (8 * k));
}

// A well-formed table laid out by hand: "STR0", count, id/offset/length records, UTF-16LE.
std::vector<uint8_t> MakeTable(const std::vector<std::pair<int32_t, std::u16string>>& texts) {
    std::vector<uint8_t> out{'S', 'T', 'R', '0'};
    Set32(out, 4, int32_t(texts.size()));
    size_t offset = 8 + 12 * texts.size();
    for (size_t k = 0; k < texts.size(); ++k) {
        Set32(out, 8 + 12 * k, texts[k].first);
        Set32(out, 12 + 12 * k, int32_t(offset));
        Set32(out, 16 + 12 * k, int32_t(texts[k].second.size()));
        offset += 2 * texts[k].second.size();
    }
    for (const auto& text : texts)
        for (char16_t u : text.second) out.insert(out.end(), {uint8_t(u & 0xFF), uint8_t(u >> 8)});
    return out;
}

// Registers a blob for the length of one test.
class RegisteredBlob {
public:
    RegisteredBlob(std::string name, std::vector<uint8_t> bytes)
        : name_(std::move(name)), bytes_(std::move(bytes)) {
        RegisterResource(name_, bytes_.data(), bytes_.size());
    }
    ~RegisteredBlob() { UnregisterResource(name_); }

private:
    std::string name_;
    std::vector<uint8_t> bytes_;
};

std::string OpenError(std::string_view name, const TStStringResource* errorTexts = nullptr) {
    return MessageOf<EStringResourceError>([&] { TStStringResource reader(name, errorTexts); });
}

}  // namespace

TEST(TStStringResource, LooksUpStoredIdsOnly) {
    RegisteredBlob blob("TEST_TABLE", MakeTable({{-7, u"neg"}, {3, u"three"}, {10, u""}}));
    TStStringResource reader("TEST_TABLE");
    EXPECT_EQ(reader.GetString(3), "three");
    EXPECT_EQ(reader.GetString(-7), "neg");
    for (int32_t id : {10, 4, -8, 11, INT32_MIN, INT32_MAX})
        EXPECT_EQ(reader.GetString(id), "") << id;

    std::vector<std::pair<int32_t, std::u16string>> many;
    for (int32_t id = -50; id < 250; id += 3)
        many.push_back({id, std::u16string(u"t").append(size_t(id + 51) % 7, u'x')});
    RegisteredBlob large("TEST_LARGE", MakeTable(many));
    TStStringResource manyReader("TEST_LARGE");
    for (const auto& [id, text] : many) {
        EXPECT_EQ(manyReader.GetString(id).size(), text.size()) << id;
        EXPECT_EQ(manyReader.GetString(id + 1), "") << id + 1;
    }
}

TEST(TStStringResource, EmptyTableMissingIdsAndClosedReader) {
    RegisteredBlob blob("TEST_EMPTY", MakeTable({}));
    TStStringResource reader("TEST_EMPTY");
    EXPECT_EQ(reader.GetString(0), "");
    reader.ReportError = true;
    EXPECT_EQ(MessageOf([&] { reader.GetString(42); }), "String not found: 42");
    EXPECT_EQ(MessageOf([] { TStStringResource("").GetString(1); }), "Cannot lock resource");
}

TEST(TStStringResource, ConvertsToWindows1252) {
    RegisteredBlob blob("TEST_CODEC", MakeTable({{1, u"\u00BBA"}, {2, u"\u4E2D"}, {3, u"\u20AC"}}));
    TStStringResource reader("TEST_CODEC");
    EXPECT_EQ(reader.GetString(1),
              "\xBB"
              "A");
    EXPECT_EQ(reader.GetString(2), "?");
    EXPECT_EQ(reader.GetString(3), "\x80");
}

TEST(TStStringResource, RejectsMissingAndMalformedTables) {
    EXPECT_EQ(OpenError("NOPE"), "String resource not found: NOPE");

    const std::vector<uint8_t> good = MakeTable({{1, u"one"}, {2, u"two"}});
    // Each case: the field at a byte offset set to a value.
    const std::pair<size_t, int32_t> corruptions[] = {
        {0, 0x31525453},  // "STR1"
        {4, -1},
        {4, 3},
        {4, INT32_MAX},              // count
        {12, int32_t(good.size())},  // first text starts at the end
        {28, 4},                     // "two" said to be four units long
        {12, -2},
        {16, -1},
        {16, INT32_MAX},
    };
    for (const auto& [at, value] : corruptions) {
        std::vector<uint8_t> broken = good;
        Set32(broken, at, value);
        RegisteredBlob blob("TEST_BROKEN", broken);
        EXPECT_EQ(OpenError("TEST_BROKEN"), "Invalid string resource") << at << " " << value;
    }
    for (std::vector<uint8_t> shortBlob :
         {std::vector<uint8_t>{'S', 'T', 'R'}, std::vector<uint8_t>{'S', 'T', 'R', '0', 0, 0, 0}}) {
        RegisteredBlob blob("TEST_BROKEN", shortBlob);
        EXPECT_EQ(OpenError("TEST_BROKEN"), "Invalid string resource");
    }
    // A text may end exactly at the end of the blob.
    RegisteredBlob exact("TEST_EXACT", good);
    EXPECT_EQ(TStStringResource("TEST_EXACT").GetString(2), "two");
}

TEST(TStStringResource, ErrorTextsFromTheErrorTableOrBuiltIn) {
    RegisteredBlob errors("TEST_ERRORS", MakeTable({{3, u"Keine Tabelle: %s"}}));
    const TStStringResource errorReader("TEST_ERRORS");
    EXPECT_EQ(OpenError("NOPE", &errorReader), "Keine Tabelle: NOPE");
    // A text the error table lacks, or a closed error reader, falls back to the built-in one.
    RegisteredBlob broken("TEST_BROKEN", {'S', 'T', 'R', '1', 0, 0, 0, 0});
    EXPECT_EQ(OpenError("TEST_BROKEN", &errorReader), "Invalid string resource");
    const TStStringResource closed("");
    EXPECT_EQ(OpenError("NOPE", &closed), "String resource not found: NOPE");
}

TEST(LibraryTables, TextsAreKeptAsStored) {
    const TStStringResource& errors = ErrorTextResource();
    EXPECT_EQ(errors.Count(), 5);
    EXPECT_EQ(errors.GetString(4), "Unable to open string resource: %s");

    EXPECT_EQ(LibraryText(StMsgFalse), "FALSE");
    EXPECT_EQ(LibraryText(StMsgTrue), "TRUE");
    EXPECT_EQ(LibraryText(StMsgBadSize), "Bad size parameter");
    EXPECT_EQ(LibraryText(StMsgVersionKeyNotFound),
              "The specified key cannnot be found in version info");
    EXPECT_EQ(LibraryText(StMsgCreateKeyFailed), "Failed to create key\\nError Code: %d");
    EXPECT_EQ(LibraryText(3), "");
    EXPECT_EQ(LibraryTextResource().Count(), 32);
    for (int32_t id : {0,  1,  2,  4,  5,  6,  7,  8,   10,  11,  12,  13,  14,  15,  16,  17,
                       29, 32, 38, 40, 51, 53, 73, 100, 101, 110, 134, 263, 270, 271, 272, 273})
        EXPECT_FALSE(LibraryText(id).empty()) << id;
}
