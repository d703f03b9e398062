// The commands of the dialogs that act on chosen entries.
#include <gtest/gtest.h>

#include "BankFixture.h"
#include "SelectionCommands.h"

namespace {

class SelectionCommands : public BankFixture {
protected:
    SelectionCommands() {
        for (const char* name : {"a", "b", "c"}) bank.AppendEntry(Named(name, "Old"));
    }
    TBankState bank;
    TSettings settings;
};

TEST_F(SelectionCommands, NothingChosenIsAnErrorAndDeletesAreConfirmed) {
    EXPECT_FALSE(DeleteEntriesConfirmed(bank, settings, {}));
    EXPECT_FALSE(
        ChangeCategoriesOfSelection(bank, {}, {"New", "", ""}, {false, true, true}, 40000));
    EXPECT_EQ(messages.Texts(), (Strings{NoEntriesSelectedText, NoEntriesSelectedText}));
    settings.ConfirmDeletes = true;
    messages.Answer(mrNo);
    EXPECT_FALSE(DeleteEntriesConfirmed(bank, settings, {1}));
    EXPECT_EQ(Names(bank), (Strings{"a", "b", "c"}));
    messages.Answer(mrYes);
    EXPECT_TRUE(DeleteEntriesConfirmed(bank, settings, {1}));
    EXPECT_EQ(Names(bank), (Strings{"a", "c"}));
    EXPECT_TRUE(
        ChangeCategoriesOfSelection(bank, {1}, {"New", "", ""}, {false, true, true}, 40000));
    EXPECT_EQ(bank.Entry(1).Category1, "New");
    EXPECT_EQ(bank.Entry(0).Category1, "Old");
}

TEST_F(SelectionCommands, DuplicateCells) {
    const std::vector<TDuplicateGroup> groups = {{"http://a", {0, 2}}};
    EXPECT_EQ(DuplicateCellText(bank, groups, 0, -1, dcURL), "http://a");
    EXPECT_EQ(DuplicateCellText(bank, groups, 0, -1, dcName), "");
    EXPECT_EQ(DuplicateCellText(bank, groups, 0, 2, dcName), "c");
    EXPECT_EQ(DuplicateCellText(bank, groups, 0, 2, dcCategory1), "Old");
    // Stale groups and entries show nothing.
    EXPECT_EQ(DuplicateCellText(bank, groups, 1, -1, dcURL), "");
    EXPECT_EQ(DuplicateCellText(bank, groups, 0, 3, dcURL), "");
}

}  // namespace
