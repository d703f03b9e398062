// The clipboard store: breaks converted at the edge, private formats beside the text, and the
// desktop's clipboard carrying Windows-1252 text and the private bytes.
#include <gtest/gtest.h>

#include "platform/Clipboard.h"
#include "platform/Controls.h"

TEST(Clipboard, BreaksAreLineFeedsOutsideAndCarriageReturnLineFeedsInside) {
    auto store = CreateMemoryClipboard();
    SetClipboardStore(store.get());
    EXPECT_FALSE(ClipboardHasText());
    SetClipboardText("a\r\nb\rc\nd");
    EXPECT_EQ(store->Text(), "a\nb\nc\nd");
    EXPECT_EQ(ClipboardText(), "a\r\nb\r\nc\r\nd");
    store->Set("x\r\ny\n\nz\r", {}, {});
    EXPECT_EQ(ClipboardText(), "x\r\ny\r\n\r\nz\r\n");
    SetClipboardStore(nullptr);
}

TEST(Clipboard, APrivateFormatTravelsBesideTheTextUntilTheNextCopy) {
    auto store = CreateMemoryClipboard();
    SetClipboardStore(store.get());
    SetClipboardTextAndData("a\r\nb\r\n", "application/x-test", std::string("a\r\nb\r\n\0", 7));
    EXPECT_TRUE(ClipboardHasFormat("application/x-test"));
    EXPECT_EQ(ClipboardData("application/x-test").size(), 7u);
    EXPECT_FALSE(ClipboardHasFormat("application/x-other"));
    SetClipboardText("plain");
    EXPECT_FALSE(ClipboardHasFormat("application/x-test"));
    EXPECT_EQ(ClipboardData("application/x-test"), "");
    SetClipboardStore(nullptr);
}

TEST(Clipboard, TheDesktopClipboardKeepsWindows1252TextAndPrivateBytes) {
    EnsureGuiApplication();
    auto desktop = CreateSystemClipboard();
    SetClipboardStore(desktop.get());
    SetClipboardTextAndData("\xBB caf\xE9\r\n\x80", "application/x-test", "block\r\n");
    EXPECT_TRUE(ClipboardHasText());
    EXPECT_EQ(ClipboardText(), "\xBB caf\xE9\r\n\x80");
    EXPECT_EQ(ClipboardData("application/x-test"), "block\r\n");
    SetClipboardStore(nullptr);
}
