// Clipboard format numbers, names and MIME types.

#include <platform/ClipboardFormats.h>

#include <gtest/gtest.h>

TEST(ClipboardFormats, StandardNamesAndRegisteredNumbers) {
    EXPECT_EQ(StandardClipboardFormatName(1), "Plain text");
    EXPECT_EQ(StandardClipboardFormatName(13), "Unicode text");
    EXPECT_EQ(StandardClipboardFormatName(16), "Locale descriptor");
    EXPECT_EQ(StandardClipboardFormatName(0), "");
    EXPECT_EQ(StandardClipboardFormatName(17), "");
    EXPECT_EQ(RegisterClipboardFormatName("unicode TEXT"), 13);

    const TClipFormat first = RegisterClipboardFormatName("Test format one");
    EXPECT_GE(first, FirstRegisteredClipFormat);
    EXPECT_EQ(RegisterClipboardFormatName("TEST FORMAT ONE"), first);
    const TClipFormat second = RegisterClipboardFormatName("Test format two");
    EXPECT_NE(second, first);
    EXPECT_EQ(ClipboardFormatName(first), "Test format one");
    EXPECT_EQ(ClipboardFormatName(2), "Windows bitmap");
    EXPECT_EQ(ClipboardFormatName(0xFFFF), "");
    EXPECT_EQ(RegisterClipboardFormatName(""), 0);
}

TEST(ClipboardFormats, MimeTypes) {
    using Types = std::vector<std::string>;
    EXPECT_EQ(ClipboardFormatMimeTypes(1), Types{"text/plain"});
    EXPECT_EQ(ClipboardFormatMimeTypes(13), Types{"text/plain"});
    EXPECT_EQ(ClipboardFormatMimeTypes(2), Types{});
    EXPECT_EQ(ClipboardFormatMimeTypes(RegisterClipboardFormatName("Virtual Tree Data")),
              Types{"application/x-lorvane-tree-data"});
    EXPECT_EQ(ClipboardFormatMimeTypes(RegisterClipboardFormatName("Virtual Tree Reference")),
              Types{"application/x-lorvane-tree-reference"});
    EXPECT_EQ(ClipboardFormatMimeTypes(RegisterClipboardFormatName("HTML Format")),
              Types{"text/html"});
    EXPECT_EQ(ClipboardFormatMimeTypes(RegisterClipboardFormatName("Rich Text Format")),
              (Types{"text/rtf", "application/rtf"}));
    EXPECT_EQ(
        ClipboardFormatMimeTypes(RegisterClipboardFormatName("Rich Text Format Without Objects")),
        Types{"application/x-lorvane-rtf-no-objects"});
    EXPECT_EQ(ClipboardFormatMimeTypes(RegisterClipboardFormatName("CSV")), Types{"text/csv"});
    EXPECT_EQ(ClipboardFormatMimeTypes(RegisterClipboardFormatName("Test format one")), Types{});

    EXPECT_EQ(ClipboardFormatOfMimeType("text/plain"), StandardFormatUnicodeText);
    EXPECT_EQ(ClipboardFormatOfMimeType("application/rtf"),
              RegisterClipboardFormatName("Rich Text Format"));
    EXPECT_EQ(ClipboardFormatOfMimeType("text/csv"), RegisterClipboardFormatName("csv"));
    EXPECT_EQ(ClipboardFormatOfMimeType("image/png"), 0);
}
