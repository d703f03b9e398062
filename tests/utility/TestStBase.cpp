// Tests of the library's exceptions raised by id, the component base and ParseLongText.
#include "StBase.h"

#include <gtest/gtest.h>

#include "UtilityTestHelpers.h"

TEST(EStException, RaisedAndCreatedById) {
    EXPECT_EQ(LibraryErrorOf<EStBufStreamError>([] { RaiseLibraryError<EStBufStreamError>(271); }),
              "271 Buffered/text stream: Could not seek to the correct position in the "
              "underlying stream (for read request)");
    EXPECT_THROW(RaiseLibraryError<EStBufStreamError>(271), EStException);
    EXPECT_THROW(RaiseLibraryError<EStShellError>(110), Exception);

    EXPECT_EQ(EStException::CreateFromIdFmt(StMsgRegWriteFailed, {5}).Message,
              "Failed to write value to Registry\\nError Code: 5");
    EXPECT_EQ(LibraryErrorOf<EStRegIniError>(
                  [] { RaiseLibraryErrorFmt<EStRegIniError>(StMsgKeyHasSubkeys, {3}); }),
              "14 Can not delete key which has subkeys (3)");
    const auto plain = EStException::CreateFromId<EStVersionInfoError>(StMsgNoVersionInfo);
    EXPECT_EQ(plain.ErrorCode, 100);
    EXPECT_STREQ(plain.what(), "File does not contain version info");
}

TEST(TStComponent, VersionIsFixed) {
    TStComponent owner;
    auto* child = new TStComponent(&owner);
    child->SetVersion("9.99");
    EXPECT_EQ(child->Version(), "3.03");
}

TEST(ParseLongText, Table) {
    struct Case {
        const char* Text;
        int32_t Value;
        int32_t ErrorPos;
    };
    const Case cases[] = {
        {"", 0, -1},
        {"    ", 0, -1},
        {"H", 0, 1},
        {"  h", 0, 3},
        {"  -5", -5, 0},
        {"1A2Bh", 6699, 0},
        {"1a2bH", 6699, 0},
        {"  1Fh  ", 31, 0},
        {"0x10", 16, 0},
        {"0X1f", 31, 0},
        {"  0x1F", 31, 0},
        {"$ff", 255, 0},
        {"12   ", 12, 0},
        {"+7", 7, 0},
        {"12x", 0, 3},
        {"1G2h", 0, 2},
        {"-2147483648", INT32_MIN, 0},
        {"$FFFFFFFF", -1, 0},
        {"FFFFFFFFh", -1, 0},
        {"0x80000000", INT32_MIN, 0},
        {"0x", 0, 3},
        {"-", 0, 2},
        {"1 2", 0, 2},
        {"\t5", 0, 1},
        {"2147483648", 0, 10},
        {"$100000000", 0, 10},
    };
    for (const Case& c : cases) {
        int32_t value = 12345;
        int32_t errorPos = 12345;
        ParseLongText(c.Text, value, errorPos);
        EXPECT_EQ(value, c.Value) << '"' << c.Text << '"';
        EXPECT_EQ(errorPos, c.ErrorPos) << '"' << c.Text << '"';
    }
}
