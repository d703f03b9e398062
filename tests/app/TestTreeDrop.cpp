// The moves of items dropped onto the tree's folders.
#include <gtest/gtest.h>

#include "BankFixture.h"
#include "TreeDrop.h"

namespace {

class TreeDropTest : public BankFixture {
protected:
    TreeDropTest() {
        bank.Seams = &seams;
        TEntry fav = Named("Fav", "Old");
        fav.Favorite = "\xBB";
        for (const TEntry& e :
             {fav, Named("A1", "Home"), Named("A2", "Home", "Docs"),
              Named("A3", "Home", "Docs", "Deep"), Named("B1", "Work", "Mail"),
              Named("B2", "Work", "Mail"), Named("B3", "work ", "MAIL"), Named("C1", "Zoo")})
            bank.AppendEntry(e);
    }
    static TTreeNodeData Node(int kind, int index) { return {index, kind, false}; }
    TTreeDropResult Drop(TTreeNodeData s, TTreeNodeData t, bool interleave = false) {
        selected.clear();
        return applyTreeDrop(bank, &s, &t, interleave, selected);
    }
    Strings Path(int i) const {
        const TEntry& e = bank.Entry(i);
        return {e.Category1, e.Category2, e.Category3};
    }
    std::string selected;
    TBankState bank;
    TSettings settings;
    TAppSeams seams = Seams();  // scripted as the fixture's
};

TEST_F(TreeDropTest, EntryOntoFoldersAndFavorites) {
    EXPECT_EQ(Drop(Node(nkEntry, 4), Node(nkCategory1, 1)), TTreeDropResult::Moved);
    EXPECT_EQ(Path(4), (Strings{"Home", "", ""}));
    EXPECT_EQ(selected, "B1");
    EXPECT_TRUE(bank.BankModified);
    EXPECT_EQ(Drop(Node(nkEntry, 1), Node(nkCategory3, 3)), TTreeDropResult::Moved);
    EXPECT_EQ(Path(1), (Strings{"Home", "Docs", "Deep"}));
    EXPECT_EQ(Drop(Node(nkEntry, 7), Node(nkCategory2, 2)), TTreeDropResult::Moved);
    EXPECT_EQ(Path(7), (Strings{"Home", "Docs", ""}));

    // Onto the Favorites group or one of its entries: a favourite, categories kept.
    EXPECT_EQ(Drop(Node(nkEntry, 5), Node(nkFavorites, 0)), TTreeDropResult::Moved);
    EXPECT_TRUE(bank.Entry(5).IsFavorite());
    EXPECT_EQ(Path(5), (Strings{"Work", "Mail", ""}));
    EXPECT_EQ(Drop(Node(nkEntry, 6), Node(nkEntry, 0)), TTreeDropResult::Moved);
    EXPECT_TRUE(bank.Entry(6).IsFavorite());
    // A favourite dropped onto a folder leaves the Favorites group.
    EXPECT_EQ(Drop(Node(nkEntry, 0), Node(nkCategory1, 3)), TTreeDropResult::Moved);
    EXPECT_FALSE(bank.Entry(0).IsFavorite());
    EXPECT_EQ(Path(0), (Strings{"Home", "", ""}));
}

TEST_F(TreeDropTest, RefusedDropsChangeNothing) {
    const std::vector<TEntry> before = bank.Entries;
    // No Catgories never makes a favourite, though the bank's first entry is one.
    EXPECT_EQ(Drop(Node(nkEntry, 4), Node(nkNoCategories, 0)), TTreeDropResult::Failed);
    EXPECT_EQ(Drop(Node(nkEntry, 4), Node(nkEntry, 5)), TTreeDropResult::Failed);
    // A first level whose entries use three levels cannot go one level down.
    EXPECT_EQ(Drop(Node(nkCategory1, 1), Node(nkCategory1, 7)), TTreeDropResult::Failed);
    EXPECT_EQ(Drop(Node(nkCategory1, 4), Node(nkCategory2, 2)), TTreeDropResult::Failed);
    EXPECT_EQ(Drop(Node(nkCategory2, 2), Node(nkCategory2, 4)), TTreeDropResult::Failed);
    EXPECT_EQ(Drop(Node(nkCategory3, 3), Node(nkCategory3, 3)), TTreeDropResult::Nothing);
    EXPECT_EQ(Drop(Node(nkCategory1, 1), Node(nkCategory3, 3)), TTreeDropResult::Nothing);
    EXPECT_EQ(Drop(Node(nkNoCategories, 0), Node(nkCategory1, 1)), TTreeDropResult::Failed);
    EXPECT_EQ(Drop(Node(nkFavorites, 0), Node(nkCategory1, 1)), TTreeDropResult::Failed);
    // Onto itself or into its own subtree, or without nodes: nothing at all.
    EXPECT_EQ(Drop(Node(nkEntry, 2), Node(nkEntry, 2)), TTreeDropResult::Nothing);
    EXPECT_EQ(Drop(Node(nkCategory1, 1), Node(nkCategory2, 2)), TTreeDropResult::Nothing);
    EXPECT_EQ(Drop(Node(nkCategory1, 1), Node(nkEntry, 3)), TTreeDropResult::Nothing);
    EXPECT_EQ(Drop(Node(nkCategory2, 4), Node(nkEntry, 6)), TTreeDropResult::Nothing);
    EXPECT_EQ(Drop(Node(nkFavorites, 0), Node(nkEntry, 0)), TTreeDropResult::Nothing);
    EXPECT_EQ(Drop(Node(nkEntry, 2), Node(nkCategory1, 99)), TTreeDropResult::Nothing);
    EXPECT_EQ(applyTreeDrop(bank, nullptr, nullptr, false, selected), TTreeDropResult::Nothing);
    EXPECT_EQ(bank.Entries, before);
    EXPECT_FALSE(bank.BankModified);
}

TEST_F(TreeDropTest, FoldersMoveTheirWholeRun) {
    // Work/Mail holds B1, B2 and B3 (whose values differ only in case and blanks).
    EXPECT_EQ(Drop(Node(nkCategory2, 4), Node(nkCategory2, 2)), TTreeDropResult::Moved);
    EXPECT_EQ(selected, "B1");
    for (int i : {4, 5}) EXPECT_EQ(Path(i), (Strings{"Home", "Docs", "Mail"}));
    EXPECT_EQ(Path(6), (Strings{"Home", "Docs", "MAIL"}));
    // A third level onto a first one rises a level; onto a second one it keeps its name.
    EXPECT_EQ(Drop(Node(nkCategory3, 3), Node(nkCategory1, 7)), TTreeDropResult::Moved);
    EXPECT_EQ(Path(3), (Strings{"Zoo", "Deep", ""}));
    EXPECT_EQ(Drop(Node(nkCategory3, 4), Node(nkCategory2, 3)), TTreeDropResult::Moved);
    EXPECT_EQ(Path(4), (Strings{"Zoo", "Deep", "Mail"}));
    EXPECT_EQ(Path(5), (Strings{"Zoo", "Deep", "Mail"}));
    EXPECT_EQ(Path(6), (Strings{"Zoo", "Deep", "MAIL"}));
}

TEST_F(TreeDropTest, FirstAndSecondLevelFolders) {
    EXPECT_EQ(Drop(Node(nkCategory1, 4), Node(nkCategory1, 7)), TTreeDropResult::Moved);
    for (int i : {4, 5}) EXPECT_EQ(Path(i), (Strings{"Zoo", "Work", "Mail"}));
    EXPECT_EQ(Path(6), (Strings{"Zoo", "work ", "MAIL"}));
    EXPECT_EQ(Drop(Node(nkCategory1, 4), Node(nkCategory2, 2)), TTreeDropResult::Failed);
    EXPECT_EQ(Drop(Node(nkCategory2, 4), Node(nkCategory1, 1)), TTreeDropResult::Moved);
    EXPECT_EQ(Path(6), (Strings{"Home", "work ", "MAIL"}));
}

TEST_F(TreeDropTest, FirstLevelOntoSecondLevelAndWorkgroupFlags) {
    bank.Entry(7).Name = Mark + "C1";
    EXPECT_EQ(Drop(Node(nkCategory1, 7), Node(nkCategory2, 4)), TTreeDropResult::Moved);
    EXPECT_EQ(Path(7), (Strings{"Work", "Mail", "Zoo"}));
    EXPECT_TRUE(bank.WorkgroupModified);
    EXPECT_FALSE(bank.BankModified);
    EXPECT_EQ(selected, Mark + "C1");
}

TEST_F(TreeDropTest, InterleavedFoldersIgnoreTheMarker) {
    bank.Entry(5).Category1 = Mark + "Work";
    bank.Entry(5).Name = Mark + "B2";
    EXPECT_EQ(Drop(Node(nkCategory2, 4), Node(nkCategory1, 7), false), TTreeDropResult::Moved);
    EXPECT_EQ(Path(5), (Strings{Mark + "Work", "Mail", ""}));  // its own folder
    EXPECT_FALSE(bank.WorkgroupModified);
    EXPECT_EQ(Drop(Node(nkCategory2, 5), Node(nkCategory1, 7), true), TTreeDropResult::Moved);
    EXPECT_EQ(Path(5), (Strings{"Zoo", "Mail", ""}));
    EXPECT_TRUE(bank.WorkgroupModified);
}

TEST_F(TreeDropTest, TheWindowsCompletionOfADrop) {
    const TTreeNodeData entry = Node(nkEntry, 4), home = Node(nkCategory1, 1),
                        other = Node(nkEntry, 5);
    EXPECT_TRUE(TreeDrop(bank, settings, &entry, &home));
    EXPECT_EQ(saveEnabled, std::vector<bool>{true});
    EXPECT_EQ(rebuilds, 1);
    EXPECT_EQ(focused, std::vector<int>{4});  // SelectEntryNode found "B1"
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_FALSE(TreeDrop(bank, settings, &entry, &other));
    EXPECT_EQ(messages.Texts(), Strings{"Drag and Drop action could not be completed."});
    EXPECT_EQ(messages.Shown.back().Type, TMsgDlgType::mtError);
    EXPECT_FALSE(TreeDrop(bank, settings, &entry, &entry));
    EXPECT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(rebuilds, 1);
}

}  // namespace
