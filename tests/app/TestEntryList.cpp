// The entry-selection lists' rows, favourite marks and sort chains.
#include "EntryList.h"

#include <gtest/gtest.h>

#include "BankFixture.h"

namespace {

class EntryList : public BankFixture {
protected:
    static TEntryListRow Row(const std::string& name, const std::string& fav, const std::string& c1,
                             const std::string& c2, const std::string& c3) {
        return TEntryListRow{-1, {name, fav, c1, c2, c3}};
    }
    static Strings NamesInOrder(const std::vector<TEntryListRow>& rows,
                                const std::vector<size_t>& order) {
        Strings out;
        for (size_t r : order) out.push_back(rows[r].Texts[0]);
        return out;
    }
    static std::vector<size_t> Sorted(const std::vector<TEntryListRow>& rows, int column) {
        return SortedRowOrder(rows, {}, EntrySortChain(column));
    }
};

TEST_F(EntryList, RowsAndFavoriteMarksByUser) {
    TEntry alpha = Named("Alpha");
    alpha.Favorite = Mark;
    Add(alpha);
    Add(Named(Mark + "Team", Mark + "Work"));
    Add(Named("beta", "C1", "C2", "C3"));

    std::vector<TEntryListRow> rows = EntryListRows(Bank());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Texts, (Strings{"Alpha", "*", "", "", ""}));
    EXPECT_EQ(rows[0].EntryIndex, 0);
    EXPECT_EQ(rows[1].Texts, (Strings{"beta", "\xA0", "C1", "C2", "C3"}));
    EXPECT_EQ(rows[1].EntryIndex, 2);

    Bank().IsAdministrator = true;
    rows = EntryListRows(Bank());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].EntryIndex, 1);
    // The marker byte 0xBB sorts above ASCII letters.
    EXPECT_EQ(NamesInOrder(rows, Sorted(rows, elcName)), (Strings{"Alpha", "beta", Mark + "Team"}));
    EXPECT_EQ(EntryListCaptions(),
              (Strings{"Name", "Fav", "Category 1", "Category 2", "Category 3"}));
}

TEST_F(EntryList, ChainsOfEveryColumn) {
    EXPECT_EQ(EntrySortChain(elcName), (TSortChain{0}));
    EXPECT_EQ(EntrySortChain(elcFav), (TSortChain{1, 0}));
    EXPECT_EQ(EntrySortChain(elcCategory1), (TSortChain{2, 3, 4, 0}));
    EXPECT_EQ(EntrySortChain(elcCategory2), (TSortChain{3, 4, 2, 0}));
    EXPECT_EQ(EntrySortChain(elcCategory3), (TSortChain{4, 2, 3, 0}));
    EXPECT_EQ(EntrySortChain(6), (TSortChain{6, 0}));
    EXPECT_EQ(CategorySortChain(2, 0), (TSortChain{0, 1}));
    EXPECT_EQ(CategorySortChain(2, 1), (TSortChain{1, 0}));
    EXPECT_EQ(CategorySortChain(3, 1), (TSortChain{1, 2, 0}));
    EXPECT_EQ(CategorySortChain(3, 2), (TSortChain{2, 0, 1}));
    EXPECT_EQ(CategorySortChain(1, 0), (TSortChain{0}));
}

TEST_F(EntryList, TiesFallToTheNextColumnsOfTheChain) {
    const std::string nb = "\xA0";
    std::vector<TEntryListRow> rows = {
        Row("n1", nb, "b", "x", ""),
        Row("n2", "*", "a", "x", ""),
        Row("n3", nb, "a", "X", "a"),
        Row("n0", "*", "b", "y", ""),
    };
    // Category 2: x ties X ignoring case; C3 "" before "a"; then C1 "a" before "b".
    EXPECT_EQ(NamesInOrder(rows, Sorted(rows, elcCategory2)), (Strings{"n2", "n1", "n3", "n0"}));
    // Fav: "*" before the no-break space, then by name.
    EXPECT_EQ(NamesInOrder(rows, Sorted(rows, elcFav)), (Strings{"n0", "n2", "n1", "n3"}));
    // Category 1: a/x/"" (n2), a/X/a (n3), b/x (n1), b/y (n0).
    EXPECT_EQ(NamesInOrder(rows, Sorted(rows, elcCategory1)), (Strings{"n2", "n3", "n1", "n0"}));
    // Category 3: "" rows by C1, C2, name; then "a".
    EXPECT_EQ(NamesInOrder(rows, Sorted(rows, elcCategory3)), (Strings{"n2", "n1", "n0", "n3"}));
}

TEST_F(EntryList, EqualRowsKeepTheirOrder) {
    std::vector<TEntryListRow> rows = {Row("Same", "*", "", "", ""), Row("same", "*", "", "", ""),
                                       Row("SAME", "*", "", "", "")};
    for (size_t i = 0; i < rows.size(); ++i) rows[i].EntryIndex = int(i);
    // Stable from the current order, whatever it is.
    EXPECT_EQ(SortedRowOrder(rows, {2, 0, 1}, EntrySortChain(elcName)),
              (std::vector<size_t>{2, 0, 1}));
    EXPECT_EQ(SortedRowOrder(rows, {}, EntrySortChain(elcName)), (std::vector<size_t>{0, 1, 2}));
}

TEST_F(EntryList, SelectedEntriesComeInAscendingIndexOnce) {
    TEntryListRow a{7, {"a"}}, b{2, {"b"}}, c{-1, {"category"}}, d{5, {"d"}};
    EXPECT_EQ(AscendingEntryIndices({&a, &b, &c, &d, &b}), (std::vector<int>{2, 5, 7}));
    EXPECT_TRUE(AscendingEntryIndices({}).empty());
    EXPECT_EQ(a.Text(3), "");
}

TEST_F(EntryList, ColumnsFitTheirTextsAndTheWidestGiveWayFirst) {
    using W = std::vector<int>;
    // Room for all: each as wide as it wants.
    EXPECT_EQ(FitColumnWidths({120, 30, 90}, 445), (W{120, 30, 90}));
    // A 400-character name: it gives way, the others keep their width, the list is filled.
    EXPECT_EQ(FitColumnWidths({3000, 30, 90, 80, 70}, 445), (W{175, 30, 90, 80, 70}));
    // Two wide ones share what is left alike, the odd pixel to the first.
    EXPECT_EQ(FitColumnWidths({500, 30, 600}, 331), (W{151, 30, 150}));
    // Never wider than the list, even for one column; nothing for no room.
    EXPECT_EQ(FitColumnWidths({900}, 300), (W{300}));
    EXPECT_EQ(FitColumnWidths({10, 20}, -5), (W{0, 0}));
    EXPECT_TRUE(FitColumnWidths({}, 100).empty());
}

}  // namespace
