// The combo box's completion rule.
#include "QComboRules.h"

#include <gtest/gtest.h>

#include "platform/KeyCodes.h"

namespace {

const std::vector<std::string> kItems = {"Abc", "Abd", "xyz"};

TEST(QuickComplete, FirstItemBeginningWithTheTextIgnoringCase) {
    TQuickCompletion c = QuickComplete(kItems, "a", 'A');
    EXPECT_EQ(c.Index, 0);
    EXPECT_EQ(c.Text, "Abc");
    EXPECT_EQ(c.SelStart, 1);
    EXPECT_EQ(c.SelLength, 2);
    c = QuickComplete(kItems, "ABD", 'D');
    EXPECT_EQ(c.Index, 1);
    EXPECT_EQ(c.SelLength, 0);
    EXPECT_EQ(QuickComplete(kItems, "q", 'Q').Index, -1);
    EXPECT_EQ(QuickComplete(kItems, "Abcd", 'D').Index, -1);
}

TEST(QuickComplete, NotAfterDeletingNorOnAnEmptyText) {
    EXPECT_EQ(QuickComplete(kItems, "a", VK_BACK).Index, -1);
    EXPECT_EQ(QuickComplete(kItems, "a", VK_DELETE).Index, -1);
    EXPECT_EQ(QuickComplete(kItems, "", 'X').Index, -1);
    EXPECT_EQ(QuickComplete({}, "a", 'A').Index, -1);
    // Bytes above 0x7F compare unchanged.
    EXPECT_EQ(QuickComplete({"\xC9t\xE9"}, "\xC9t", 'T').Index, 0);
    EXPECT_EQ(QuickComplete({"\xC9t\xE9"}, "\xE9t", 'T').Index, -1);
}

}  // namespace
