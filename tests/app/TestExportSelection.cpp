// The export dialogs' selection rules, the writers' run and the Export commands' checks.
#include "ExportSelection.h"

#include "ExportCommands.h"
#include "ImportReaders.h"
#include "TestExportSupport.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"

namespace {

class ExportSelection : public OwnBankExportFixture {
protected:
    static TCategoryPath P(const std::string& c1, const std::string& c2 = "",
                           const std::string& c3 = "") {
        return {c1, c2, c3};
    }
    static Strings Texts(const std::vector<TCategoryPath>& rows, int depth) {
        Strings out;
        for (const TCategoryPath& p : rows) {
            std::string t = p.C1;
            if (depth > 1) t += "|" + p.C2;
            if (depth > 2) t += "|" + p.C3;
            out.push_back(t);
        }
        return out;
    }
    // The bank of the category examples.
    void AddCategoryBank() {
        Add(Named("e0", "Work", "Mail"));
        Add(Named("e1", "Work", "News"));
        Add(Named("e2", "work", "News", "x"));
        Add(Named("e3"));
        Add(Named("e4", "Tools"));
        BuildCategoryKeys(bank);
    }
};

TEST_F(ExportSelection, CategoryRowsOfEachDepth) {
    AddCategoryBank();
    EXPECT_EQ(Texts(CategoryRows(bank.CategoryKeys, 1), 1), (Strings{"Tools", "Work"}));
    EXPECT_EQ(Texts(CategoryRows(bank.CategoryKeys, 2), 2),
              (Strings{"Tools|", "Work|Mail", "Work|News"}));
    EXPECT_EQ(Texts(CategoryRows(bank.CategoryKeys, 3), 3),
              (Strings{"Tools||", "Work|Mail|", "Work|News|", "work|News|x"}));
}

TEST_F(ExportSelection, RowsAreTriplesNotJoinedTexts) {
    Add(Named("ab", "ab", "c"));
    Add(Named("a", "a", "bc"));
    Add(Named("tilde1", "a~b", "c"));
    Add(Named("tilde2", "a", "b~c"));
    BuildCategoryKeys(bank);
    const std::vector<TCategoryPath> rows = CategoryRows(bank.CategoryKeys, 2);
    EXPECT_EQ(Texts(rows, 2), (Strings{"a|bc", "a|b~c", "ab|c", "a~b|c"}));
    // Each row matches its own entries only.
    EXPECT_EQ(EntriesInCategories(bank, {P("ab", "c")}, 2), (std::vector<int>{0}));
    EXPECT_EQ(EntriesInCategories(bank, {P("a", "bc")}, 2), (std::vector<int>{1}));
    EXPECT_EQ(EntriesInCategories(bank, {P("a~b", "c")}, 2), (std::vector<int>{2}));
}

TEST_F(ExportSelection, MatchingIgnoresCaseBlanksAndRowOrder) {
    AddCategoryBank();
    Add(Named("e5", " Work\t", "mail "));  // as an import may leave it
    // Rows given in any order: entries come in ascending index.
    EXPECT_EQ(EntriesInCategories(bank, {P("Tools"), P("WORK")}, 1),
              (std::vector<int>{0, 1, 2, 4, 5}));
    EXPECT_EQ(EntriesInCategories(bank, {P("work", "mail")}, 2), (std::vector<int>{0, 5}));
    EXPECT_EQ(EntriesInCategories(bank, {P("Work", "News", "")}, 3), (std::vector<int>{1}));
    EXPECT_TRUE(EntriesInCategories(bank, {}, 1).empty());
    // A long category lists and matches like any other.
    const std::string longText(80, 'L');
    Add(Named("long", longText, longText + "2"));
    BuildCategoryKeys(bank);
    const auto rows = CategoryRows(bank.CategoryKeys, 2);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front().C1, longText);
    EXPECT_EQ(EntriesInCategories(bank, {rows.front()}, 2), (std::vector<int>{6}));
}

TEST_F(ExportSelection, WorkgroupCategoriesForAdministratorsOnly) {
    Add(Named("local", "Work"));
    Add(Named(Mark + "team", Mark + "Work"));
    BuildCategoryKeys(bank);
    EXPECT_EQ(Texts(CategoryRows(bank.CategoryKeys, 1), 1), (Strings{"Work"}));
    bank.IsAdministrator = true;
    BuildCategoryKeys(bank);
    EXPECT_EQ(Texts(CategoryRows(bank.CategoryKeys, 1), 1), (Strings{"Work", Mark + "Work"}));
}

TEST_F(ExportSelection, ClipboardExportInAscendingIndex) {
    AddCategoryBank();
    ASSERT_TRUE(RunExport(run, efClipboard, {4, 1, 0, 1}));
    EXPECT_LT(clipboard.find("e0\r\n"), clipboard.find("e1\r\n"));
    EXPECT_LT(clipboard.find("e1\r\n"), clipboard.find("e4\r\n"));
    EXPECT_EQ(messages.Texts(), Strings{"Export Complete (3 Entries)"});
}

TEST_F(ExportSelection, CancelledFileDialogs) {
    AddCategoryBank();
    for (int form : {efFile, efBankV1, efBookmark, efBankV2})
        EXPECT_FALSE(RunExport(run, form, {0}));
    // The HTML export asks at its end; cancelling it ends the export all the same.
    EXPECT_TRUE(RunExport(run, efHTML, {0}));
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_EQ(requests.size(), 5u);
}

TEST_F(ExportSelection, FailedFileRaisesAndLeavesNoExportOpen) {
    AddCategoryBank();
    saveAs = dir.File("out.dat");
    ASSERT_TRUE(RunExport(run, efFile, {0, 4}));
    EXPECT_EQ(SplitLines(ReadAll(saveAs)).size(), 3u);
    // A file that cannot be created raises; nothing stays open.
    saveAs = dir.File("missing/out.dat");
    EXPECT_THROW(RunExport(run, efFile, {0}), std::exception);
    EXPECT_FALSE(exporter.ExportFile);
}

TEST_F(ExportSelection, CommandChecksPasswordThenBank) {
    std::vector<int> asked;
    TOperationPasswordCheck check;
    check = [&](int op) {
        asked.push_back(op);
        return false;
    };
    EXPECT_FALSE(PrepareExport(bank, check, false));  // Cancel: nothing shown
    EXPECT_EQ(asked, std::vector<int>{4});
    EXPECT_TRUE(messages.Shown.empty());
    check = [&](int op) {
        asked.push_back(op);
        return true;
    };
    EXPECT_FALSE(PrepareExport(bank, check, true));
    EXPECT_EQ(messages.Texts(), Strings{"No Bank Is Open!\rThis operation cannot be completed."});
    AddCategoryBank();
    bank.CategoryKeys.clear();
    EXPECT_TRUE(PrepareExport(bank, check, true));
    EXPECT_FALSE(bank.CategoryKeys.empty());
    EndCategoryExport(bank);
    EXPECT_TRUE(bank.CategoryKeys.empty());
}

}  // namespace
