// The information panel's text.
#include <gtest/gtest.h>

#include <algorithm>

#include "BankFixture.h"
#include "InfoPanel.h"

namespace {

TEntry FullEntry() {
    TEntry e;
    e.Name = "  Alpha Site ";
    e.Description = "the first";
    e.Rating = "5";
    e.AccessCount = 1234567;
    e.LastAccess = 45000.0;  // Mar 15, 2023
    e.ChangeDate = NoDate;
    e.Category1 = "Work";
    e.Category2 = "Docs";
    e.Category3 = "Old";
    e.URL = "http://alpha";
    e.EMail = "me@alpha";
    e.UserID = "me";
    e.Password = "secret";
    e.ConfNotes = "pin 1234";
    e.Notes = "line one\r\nline two";
    return e;
}

TEST(InfoPanelText, ShowsEveryFieldWithItsLabel) {
    const TEntryInfoText info = BuildEntryInfo(FullEntry());
    const Strings expected = {"",
                              "Alpha Site",
                              "",
                              "Description:the first",
                              "",
                              "Rating:5",
                              "Access Count:1,234,567",
                              "Last Access:Mar 15, 23",
                              "",
                              "Category_1:Work",
                              "Category_2:Docs",
                              "Category_3:Old",
                              "",
                              "URL:",
                              "http://alpha",
                              "",
                              "EMail:me@alpha",
                              "",
                              "User ID:me",
                              "",
                              "Notes:",
                              "line one\r\nline two",
                              ""};
    EXPECT_EQ(info.Lines, expected);
    EXPECT_EQ(info.NameLine, 1);
    EXPECT_EQ(PasswordInfoLines(FullEntry()), (Strings{"User ID PassWord:secret", ""}));
    EXPECT_EQ(ConfNotesInfoLines(FullEntry()), (Strings{"Confidential Notes:", "pin 1234", ""}));
    // Every label the text uses is one the panel highlights.
    for (const char* label : {"Description:", "Rating:", "Access Count:", "Last Access:",
                              "Category_1:", "URL:", "EMail:", "User ID:", "Notes:"})
        EXPECT_NE(std::find_if(InfoPanelLabels.begin(), InfoPanelLabels.end(),
                               [&](const char* l) { return std::string(l) == label; }),
                  InfoPanelLabels.end());
}

TEST(InfoPanelText, LeavesOutWhatTheEntryLacks) {
    TEntry e;
    e.Name = "Bare";
    e.ChangeDate = 45000.0;
    const TEntryInfoText info = BuildEntryInfo(e);
    const Strings expected = {"",
                              "Bare",
                              "",
                              "Description:",
                              "",
                              "Rating:",
                              "Access Count:0",
                              "Change Date:Mar 15, 23",
                              "",
                              "URL:",
                              "",
                              "",
                              "EMail:",
                              "",
                              "User ID:",
                              ""};
    EXPECT_EQ(info.Lines, expected);
    EXPECT_TRUE(ConfNotesInfoLines(e).empty());
    // A second level only shows below a first one; the blank line follows any category.
    e.Category2 = "Orphan";
    const TEntryInfoText orphan = BuildEntryInfo(e);
    EXPECT_EQ(
        std::count(orphan.Lines.begin(), orphan.Lines.end(), std::string("Category_2:Orphan")), 0);
    EXPECT_EQ(orphan.Lines.size(), expected.size() + 1);
}

}  // namespace
