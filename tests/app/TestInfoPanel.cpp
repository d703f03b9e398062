// The information panel's text, and how the panel's memo highlights it.
#include <gtest/gtest.h>

#include <algorithm>

#include "BankFixture.h"
#include "InfoPanel.h"
#include "MarkMemo.h"

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

// The panel's memo as the main window fills it, with the password and the confidential notes
// added after.
TEST(InfoPanelHighlight, EveryLabelAndTheNameStandOut) {
    TMarkMemo memo;
    FillInfoMemo(memo, FullEntry());
    AddInfoMemoLines(memo, PasswordInfoLines(FullEntry()));
    AddInfoMemoLines(memo, ConfNotesInfoLines(FullEntry()));
    const TEntryInfoText info = BuildEntryInfo(FullEntry());

    int labelled = 0;
    for (int p = 0; p < memo.ParagraphCount(); ++p) {
        const TParagraphRec& par = memo.Paragraph(p);
        std::vector<TAttributeRec> keywords;
        for (const TAttributeRec& a : par.Attrs)
            if (a.IsKeywordRecord()) keywords.push_back(a);
        // the first label in the list that starts the line, the longer before the one it holds
        const auto label = std::find_if(InfoPanelLabels.begin(), InfoPanelLabels.end(),
                                        [&](const char* l) { return par.Text.starts_with(l); });
        if (label == InfoPanelLabels.end()) {
            EXPECT_TRUE(keywords.empty()) << par.Text;
            continue;
        }
        ++labelled;
        ASSERT_EQ(keywords.size(), 1u) << par.Text;
        EXPECT_EQ(keywords[0].Offset, 0);
        EXPECT_EQ(keywords[0].KeyLength, std::string(*label).size()) << par.Text;
        EXPECT_EQ(keywords[0].KeyStack[1], label - InfoPanelLabels.begin()) << par.Text;
        EXPECT_EQ(keywords[0].Style & 0x3F, InfoLabelStyle);
        EXPECT_EQ(keywords[0].Context, InfoLabelContext);
    }
    EXPECT_EQ(labelled, 13);
    const TParagraphRec& name = memo.Paragraph(info.NameLine);
    ASSERT_EQ(name.Text, "Alpha Site");
    ASSERT_EQ(name.Attrs.size(), 2u);
    EXPECT_EQ(name.Attrs[0].Offset, 0);
    EXPECT_EQ(name.Attrs[0].Style & 0x3F, InfoNameStyle);
    EXPECT_EQ(name.Attrs[0].BackColor, InfoNameBackColor);
    EXPECT_EQ(name.Attrs[0].TextColor, InfoNameTextColor);
    EXPECT_EQ(name.Attrs[1].Offset, 10);
    EXPECT_FALSE(name.Attrs[1].Dynamic());  // the plain text after it

    // A name of blanks leaves its line empty, with nothing set apart.
    TEntry blank = FullEntry();
    blank.Name = "  ";
    TMarkMemo other;
    FillInfoMemo(other, blank);
    EXPECT_EQ(other.Paragraph(info.NameLine).Text, "");
    EXPECT_TRUE(other.Paragraph(info.NameLine).Attrs.empty());
}

}  // namespace
