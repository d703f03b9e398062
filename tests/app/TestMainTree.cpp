// The main tree: the shape RebuildTree gives the tree core, cell contents, column persistence.
#include <gtest/gtest.h>

#include <tuple>

#include "BankFixture.h"
#include "MainTree.h"
#include "StSort.h"
#include "TempDir.h"
#include "VirtualTrees.h"
#include "platform/Registry.h"
#include "platform/SysUtils.h"

namespace {

struct Row {
    std::string Text;
    int Kind;
    int Index;
    int Level;
    bool Workgroup;
    friend bool operator==(const Row&, const Row&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Row& r) {
        return os << "{" << r.Text << "," << r.Kind << "," << r.Index << ",L" << r.Level << ","
                  << r.Workgroup << "}";
    }
};

class MainTreeTest : public BankFixture {
protected:
    MainTreeTest() {
        Seams().SetCaption = [this](const std::string& c) { captions.push_back(c); };
        Seams().EnableSaveAs = [this](bool on) { saveAsEnabled = on; };
        bank.BankCaption = "Lorvane     [x.bnk]";
        bank.Seams = &Seams();  // the fixture's
    }
    void Add(const TEntry& e) { bank.AppendEntry(e); }

    static TEntry Fav(const std::string& name, const std::string& c1 = "") {
        TEntry e = Named(name, c1);
        e.Favorite = std::string(1, WorkgroupMarker);
        return e;
    }

    // The nodes in pre-order with their column-0 text.
    std::vector<Row> Rows() {
        std::vector<Row> rows;
        for (PVirtualNode n = tree.GetFirst(); n; n = tree.GetNext(n)) {
            const TTreeNodeData& d = *tree.GetNodeData<TTreeNodeData>(n);
            std::string text = TreeDefaultText;
            MainTreeGetText(bank, settings, d, 0, text);
            rows.push_back({text, d.Kind, d.EntryIndex, int(tree.GetNodeLevel(n)), d.Workgroup});
        }
        return rows;
    }

    TBankState bank;
    TSettings settings;
    TBaseVirtualTree tree;
    std::vector<std::string> captions;
    bool saveAsEnabled = false;
};

TEST_F(MainTreeTest, BuildsGroupsAndFoldersInPreOrder) {
    Add(Fav("Alpha", "Work"));
    Add(Named("beta"));
    Add(Named("Gamma", "Work", "Docs"));
    Add(Named("Delta", "work", "Docs", "Old"));
    Add(Named("Eps", "Home"));
    bank.FocusedEntry = 4;
    RebuildTree(bank, settings, tree);

    EXPECT_EQ(Names(bank), (Strings{"Alpha", "beta", "Eps", "Gamma", "Delta"}));
    EXPECT_EQ(Rows(), (std::vector<Row>{{"Favorites", 8, 0, 0, false},
                                        {"Alpha", 4, 0, 1, false},
                                        {"No Catgories", 9, 0, 0, false},
                                        {"beta", 4, 1, 1, false},
                                        {"Home", 1, 2, 0, false},
                                        {"Eps", 4, 2, 1, false},
                                        {"Work", 1, 3, 0, false},
                                        {"Docs", 2, 3, 1, false},
                                        {"Gamma", 4, 3, 2, false},
                                        {"Old", 3, 4, 2, false},
                                        {"Delta", 4, 4, 3, false}}));
    std::vector<int> treeIndex;
    for (int i = 0; i <= bank.EntryHigh; ++i) {
        treeIndex.push_back(bank.Entry(i).TreeIndex);
        EXPECT_EQ(tree.GetNodeData<TTreeNodeData>(bank.Entry(i).Node)->EntryIndex, i);
    }
    EXPECT_EQ(treeIndex, (std::vector<int>{1, 3, 5, 8, 10}));
    EXPECT_EQ(captions.back(), "Lorvane     [x.bnk]    5 Entries");
    EXPECT_TRUE(saveAsEnabled);
    EXPECT_EQ(bank.FocusedEntry, -1);
    EXPECT_EQ(bank.CategoryPaths.size(), 4u);  // Work, Work/Docs, Work/Docs/Old, Home
}

TEST_F(MainTreeTest, FavouritesOnlyAndFolderMends) {
    Add(Fav("b"));
    Add(Fav("a", "X"));
    RebuildTree(bank, settings, tree);
    EXPECT_EQ(Rows(),
              (std::vector<Row>{
                  {"Favorites", 8, 0, 0, false}, {"a", 4, 0, 1, false}, {"b", 4, 1, 1, false}}));

    // A third category without a second is ignored; the first entry of "No Catgories" with
    // a second category gets its folder like the later ones.
    bank = TBankState();
    bank.BankCaption = "c";
    Add(Named("e1", "A", "", "Z"));
    Add(Named("n1", "", "Sub"));
    Add(Named("n2", "", "Sub"));
    Add(Named("n0"));
    RebuildTree(bank, settings, tree);
    EXPECT_EQ(Rows(), (std::vector<Row>{{"No Catgories", 9, 0, 0, false},
                                        {"n0", 4, 0, 1, false},
                                        {"Sub", 2, 1, 1, false},
                                        {"n1", 4, 1, 2, false},
                                        {"n2", 4, 2, 2, false},
                                        {"A", 1, 3, 0, false},
                                        {"e1", 4, 3, 1, false}}));
    bank = TBankState();
    bank.BankCaption = "c";
    Add(Named("only", "", "Sub", "Deep"));
    RebuildTree(bank, settings, tree);
    EXPECT_EQ(Rows(), (std::vector<Row>{{"No Catgories", 9, 0, 0, false},
                                        {"Sub", 2, 0, 1, false},
                                        {"Deep", 3, 0, 2, false},
                                        {"only", 4, 0, 3, false}}));
}

TEST_F(MainTreeTest, InterleaveSharesFoldersAndColoursByMarker) {
    Add(Named("Bob", "Work"));
    Add(Named(Mark + "Ann", Mark + "Work"));
    settings.Interleave = true;
    RebuildTree(bank, settings, tree);
    EXPECT_EQ(Rows(), (std::vector<Row>{{"Work", 1, 0, 0, true},
                                        {Mark + "Ann", 4, 0, 1, false},
                                        {"Bob", 4, 1, 1, false}}));
    const TTreeNodeData folder{0, nkCategory1, true};
    TColor color = 0;
    ASSERT_TRUE(MainTreeCellColor(bank, settings, folder, 0, color));
    EXPECT_EQ(color, settings.WgC1Color);

    settings.Interleave = false;
    RebuildTree(bank, settings, tree);
    EXPECT_EQ(Rows(), (std::vector<Row>{{"Work", 1, 0, 0, false},
                                        {"Bob", 4, 0, 1, false},
                                        {Mark + "Work", 1, 1, 0, false},
                                        {Mark + "Ann", 4, 1, 1, false}}));
    ASSERT_TRUE(MainTreeCellColor(bank, settings, {1, nkCategory1, false}, 0, color));
    EXPECT_EQ(color, settings.WgC1Color);  // the entry's name is marked
    ASSERT_TRUE(MainTreeCellColor(bank, settings, {0, nkCategory1, false}, 0, color));
    EXPECT_EQ(color, settings.BkC1Color);
    EXPECT_EQ(MainTreeCellFont(bank, settings, {1, nkEntry, false}).Name, settings.WgFontName);
}

TEST_F(MainTreeTest, EmptyBankClearsTreeAndFocus) {
    Add(Named("one", "C"));
    RebuildTree(bank, settings, tree);
    ASSERT_EQ(tree.TotalCount(), 2u);
    bank.FocusedEntry = 0;
    bank.TruncateEntries(-1);
    RebuildTree(bank, settings, tree);
    EXPECT_EQ(tree.TotalCount(), 0u);
    EXPECT_TRUE(bank.CategoryPaths.empty());
    EXPECT_EQ(bank.FocusedEntry, -1);
    EXPECT_EQ(captions.back(), "Lorvane     [x.bnk]    0 Entries");
    EXPECT_EQ(FocusedEntryChecked(bank), -1);
    bank.FocusedEntry = 3;
    EXPECT_EQ(FocusedEntryChecked(bank), -1);
}

TEST(MainTreeCells, TextsByKindAndColumn) {
    ResetBank();
    ResetSeams();
    TEntry e;
    e.Name = "Site";
    e.Description = "Desc";
    e.Rating = "5";
    e.UserID = "me";
    e.EMail = "a@b";
    e.LastAccess = 37000.5;
    e.ChangeDate = NoDate;
    e.AccessCount = 3;
    e.URL = "http://x";
    e.Category1 = Mark + "Cat";
    Bank().AppendEntry(e);
    const TSettings& s = Settings();
    auto text = [&](TTreeNodeData d, int column) {
        std::string t = TreeDefaultText;
        MainTreeGetText(Bank(), s, d, column, t);
        return t;
    };
    const TTreeNodeData entry{0, nkEntry, false};
    EXPECT_EQ(text(entry, 0), "Site");
    EXPECT_EQ(text(entry, 1), "Desc");
    EXPECT_EQ(text(entry, 2), "5");
    EXPECT_EQ(text(entry, 3), "me");
    EXPECT_EQ(text(entry, 4), "a@b");
    EXPECT_EQ(text(entry, 5), "Apr 19, 01");
    EXPECT_EQ(text(entry, 6), "         3");
    EXPECT_EQ(text(entry, 7), "");
    EXPECT_EQ(text(entry, 8), "http://x");
    EXPECT_EQ(text({0, nkCategory1, true}, 0), "Cat");
    EXPECT_EQ(text({0, nkCategory1, false}, 0), Mark + "Cat");
    EXPECT_EQ(text({0, nkCategory1, false}, 3), "");
    EXPECT_EQ(text({0, nkFavorites, false}, 5), "");
    EXPECT_EQ(text({0, 77, false}, 0), "Node");
    Settings().ColumnTable[4].Field = 0;
    EXPECT_EQ(text(entry, 4), "Node");

    EXPECT_EQ(FormatTreeDate(NoDate), "");
    EXPECT_EQ(FormatTreeDate(0), "");
    EXPECT_EQ(FormatAccessCount(1234), "     1,234");
    EXPECT_EQ(FormatAccessCount(1234567890), "1,234,567,890");
    EXPECT_EQ(FormatAccessCount(0), "");

    for (auto [kind, image] : {std::pair{1, 0}, {8, 0}, {9, 0}, {2, 1}, {3, 2}, {4, -1}})
        EXPECT_EQ(MainTreeImageIndex({0, kind, false}, 0), image) << kind;
    EXPECT_EQ(MainTreeImageIndex({0, nkCategory1, false}, 1), -1);

    TColor c = 0;
    EXPECT_FALSE(MainTreeCellColor(Bank(), s, entry, 1, c));
    Bank().Entry(0).Name = "Plain";
    for (auto [kind, want] : {std::pair{1, s.BkC1Color},
                              {8, s.BkC1Color},
                              {9, s.BkC1Color},
                              {2, s.BkC2Color},
                              {3, s.BkC3Color},
                              {4, s.BkURLColor}}) {
        ASSERT_TRUE(MainTreeCellColor(Bank(), s, {0, kind, false}, 0, c));
        EXPECT_EQ(c, want) << kind;
    }
    // The focused text: the background's complement where it reads well (yellow on blue,
    // white on black); on a mid-tone selection (#308CC6, whose complement #CF7339 gives
    // 1.08:1) the highlight's text colour.
    EXPECT_EQ(FocusedTextColor(0x00FFFF, 0xFFFFFF), 0xFF0000);
    EXPECT_EQ(FocusedTextColor(int32_t(0x80FFFFFF), 0xFFFFFF), 0);
    EXPECT_EQ(FocusedTextColor(0xC68C30, 0xFFFFFF), 0xFFFFFF);
    ResetSeams();
    ResetBank();
}

class ColumnStoreTest : public ::testing::Test {
protected:
    ColumnStoreTest() { Settings() = TSettings(); }
    ~ColumnStoreTest() override { Settings() = TSettings(); }
    static std::array<int32_t, ColumnCount> Fields() {
        LoadSettings();
        std::array<int32_t, ColumnCount> f{};
        for (int n = 0; n < ColumnCount; ++n)
            f[size_t(n)] = Settings().ColumnTable[size_t(n)].Field;
        return f;
    }
    ScriptedMessages messages;
};

TEST_F(ColumnStoreTest, DragsKeepColumnZeroFirstAndSaveAtOnce) {
    EXPECT_FALSE(HeaderDragAllowed(0));
    EXPECT_TRUE(HeaderDragAllowed(3));
    std::array<int32_t, ColumnCount> order = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_TRUE(MoveColumnOrder(order, 3, 1));
    EXPECT_EQ(order, (std::array<int32_t, ColumnCount>{0, 3, 1, 2, 4, 5, 6, 7, 8}));
    EXPECT_TRUE(MoveColumnOrder(order, 1, 8));
    EXPECT_EQ(order, (std::array<int32_t, ColumnCount>{0, 1, 2, 4, 5, 6, 7, 8, 3}));
    EXPECT_TRUE(MoveColumnOrder(order, 4, 0));  // dropped before column 0: position 1
    EXPECT_EQ(order, (std::array<int32_t, ColumnCount>{0, 5, 1, 2, 4, 6, 7, 8, 3}));
    EXPECT_FALSE(MoveColumnOrder(order, 0, 3));
    EXPECT_FALSE(MoveColumnOrder(order, 2, 2));

    TSettings settings;
    ColumnDragged(settings, 3, 1);
    EXPECT_EQ(Fields(), (std::array<int32_t, ColumnCount>{0, 3, 1, 2, 4, 5, 6, 7, 8}));
}

TEST_F(ColumnStoreTest, ResizesSaveUnlessSuppressedOrUnchanged) {
    std::array<int32_t, ColumnCount> widths{};
    for (int n = 0; n < ColumnCount; ++n) widths[size_t(n)] = 10 + n;
    TSettings settings;
    TInfoPanelState panel;
    panel.SuppressColumnSave = true;
    panel.InfoShown = true;
    EXPECT_FALSE(ColumnsResized(settings, panel, widths));
    EXPECT_EQ(settings.ColumnTable[0].Width, 300);
    // A focus change closes the panel; the narrowed columns are due their widths once.
    int closed = 0;
    TAppSeams seams;
    seams.CloseInfoPanel = [&] { ++closed; };
    EXPECT_TRUE(FocusChangeRestoresColumns(panel, seams));
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(FocusChangeRestoresColumns(panel, seams));
    EXPECT_TRUE(ColumnsResized(settings, panel, widths));
    EXPECT_FALSE(ColumnsResized(settings, panel, widths));
    Settings() = TSettings();
    LoadSettings();
    EXPECT_EQ(Settings().ColumnTable[8].Width, 18);

    TSettings s;
    s.ColumnTable[0].Field = 4;
    s.ColumnTable[4].Field = 0;
    NormalizeColumnTable(s);
    EXPECT_EQ(s.ColumnTable[0].Field, 0);
    EXPECT_EQ(s.ColumnTable[4].Field, 4);
    EXPECT_EQ(s.ColumnTable[4].Width, 300);
}

TEST(MainTreeWindow, MinimumTrackSizeByScreenWidth) {
    using P = std::pair<int, int>;
    EXPECT_EQ(MinimumTrackSize(640), P(-90, -80));
    EXPECT_EQ(MinimumTrackSize(800), P(-70, -65));
    EXPECT_EQ(MinimumTrackSize(1024), P(-60, -50));
    for (int w : {1152, 1280, 1600}) EXPECT_EQ(MinimumTrackSize(w), P(-55, -50));
    EXPECT_EQ(MinimumTrackSize(1366), P(0, 0));
}

}  // namespace

namespace {

TEST(MainTreeOptions, ApplyTreeOptionsFollowsTheTreeActionSettings) {
    ResetSeams();
    TBaseVirtualTree tree;
    ApplyTreeOptions(tree);
    EXPECT_EQ(tree.TreeOptions().AutoOptions(),
              (TVTAutoOptions{toAutoDropExpand, toAutoScrollOnExpand, toAutoTristateTracking,
                              toAutoDeleteMovedNodes, toAutoExpand}));
    EXPECT_EQ(tree.AutoExpandDelay(), 1000u);
    EXPECT_EQ(tree.AutoScrollInterval(), 1u);
    Settings().AutoExpand = false;
    Settings().AutoScroll = true;
    Settings().AutoDropExp = false;
    Settings().AutoScrollOnExp = false;
    Settings().AutoExpDelay = 250;
    Settings().AutoScrollDelay = 300;
    Settings().AutoScrollInt = 7;
    ApplyTreeOptions(tree);
    EXPECT_EQ(tree.TreeOptions().AutoOptions(),
              (TVTAutoOptions{toAutoTristateTracking, toAutoDeleteMovedNodes, toAutoScroll}));
    EXPECT_EQ(tree.AutoExpandDelay(), 250u);
    EXPECT_EQ(tree.AutoScrollDelay(), 300u);
    EXPECT_EQ(tree.AutoScrollInterval(), 7u);
    ResetSeams();
}

}  // namespace

namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

// The bank's order written as a comparison of two entries, the reference for the rebuild's sort
// over keys.
int CompareEntries(const TEntry& a, const TEntry& b, bool interleave) {
    auto compare = [interleave](const std::string& x, const std::string& y) {
        return interleave ? CompareIgnoringMarker(x, y) : Sign(CompareText(x, y));
    };
    if (a.Favorite.empty() && b.Favorite.empty()) {
        if (int r = compare(a.Category1, b.Category1)) return r;
        if (int r = compare(a.Category2, b.Category2)) return r;
        if (int r = compare(a.Category3, b.Category3)) return r;
        return compare(a.Name, b.Name);
    }
    if (a.Favorite == b.Favorite) return compare(a.Name, b.Name);
    // The greater mark comes first, so favourites lead.
    return CompareStr(a.Favorite, b.Favorite) <= 0 ? 1 : -1;
}

TEST(MainTreeOrder, RebuildSortsAsTheBankComparatorDoes) {
    ResetSeams();
    TBankState bank;
    TSettings settings;
    const std::string parts[] = {"", "a", "A", "b", Mark + "a", Mark + "B", "a ", "\xE9"};
    uint32_t seed = 7;
    auto pick = [&] {
        seed = seed * 1103515245u + 12345u;
        return parts[(seed >> 16) % 8];
    };
    for (int i = 0; i < 400; ++i) {
        TEntry e;
        // Some names share a long start, so they are told apart beyond their first bytes.
        e.Name = (i % 3 ? std::string() : std::string("Common start ")) + pick() + pick();
        e.Category1 = pick();
        e.Category2 = pick();
        e.Category3 = pick();
        if (i % 7 == 0) e.Favorite = std::string(1, i % 14 ? WorkgroupMarker : '*');
        e.URL = std::to_string(i);  // tells equal-looking entries apart
        bank.AppendEntry(e);
    }
    for (bool interleave : {false, true}) {
        settings.Interleave = interleave;
        std::vector<TEntry> expected(bank.Entries.begin(), bank.Entries.begin() + 400);
        SortArray(expected.begin(), expected.end(), [&](const TEntry& a, const TEntry& b) {
            return CompareEntries(a, b, interleave);
        });
        TBaseVirtualTree tree;
        RebuildTree(bank, settings, tree);
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(bank.Entries[i].URL, expected[i].URL) << i;
            if (bank.Entries[i].URL != expected[i].URL) break;
        }
        // Each path once, as adding every entry's path gives.
        TCategoryList all;
        for (int i = 0; i <= bank.EntryHigh; ++i)
            if (!bank.Entry(i).Category1.empty())
                all.insert(
                    CategoryPathOf(bank.Entry(i), HasWorkgroupMarker(bank.Entry(i).Category1)));
        EXPECT_EQ(bank.CategoryPaths.size(), all.size());
    }
    ResetSeams();
}

}  // namespace
