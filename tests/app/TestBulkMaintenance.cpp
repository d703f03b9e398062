// Removing, re-categorising and marking many entries, favourites rows and duplicate groups.
#include <gtest/gtest.h>

#include <random>

#include "BankFixture.h"
#include "BulkMaintenance.h"

namespace {

constexpr TDateTime When = 46000.5;

class BulkMaintenance : public BankFixture {};

TEST_F(BulkMaintenance, RemoveEntriesMatchesAReferenceOverRandomSets) {
    std::mt19937 random(19);
    for (int round = 0; round < 200; ++round) {
        ResetBank();
        const int count = int(random() % 12);
        Strings reference;
        for (int i = 0; i < count; ++i) {
            const std::string name = (random() % 3 == 0 ? Mark : "") + "E" + std::to_string(i);
            Add(Named(name));
            reference.push_back(name);
        }
        std::vector<int> indices;
        for (int k = int(random() % 8); k > 0; --k) indices.push_back(int(random() % 16) - 2);
        bool local = false, workgroup = false;
        Strings expected;
        for (int i = 0; i < count; ++i) {
            if (std::find(indices.begin(), indices.end(), i) == indices.end())
                expected.push_back(reference[size_t(i)]);
            else
                (HasWorkgroupMarker(reference[size_t(i)]) ? workgroup : local) = true;
        }
        EXPECT_EQ(RemoveEntries(Bank(), indices), count - int(expected.size()));
        EXPECT_EQ(Names(), expected);
        EXPECT_EQ(Bank().EntryHigh, int(expected.size()) - 1);
        EXPECT_EQ(Bank().BankModified, local);
        EXPECT_EQ(Bank().WorkgroupModified, workgroup);
    }
}

TEST_F(BulkMaintenance, RemovingEveryEntryLeavesAnEmptyBank) {
    for (const char* n : {"a", "b", "c"}) Add(Named(n));
    Bank().FocusedEntry = 1;
    Bank().FindIndex = 2;
    EXPECT_EQ(RemoveEntries(Bank(), {2, 0, 1}), 3);
    EXPECT_EQ(Bank().FocusedEntry, -1) << "no index held elsewhere outlives its entry";
    EXPECT_EQ(Bank().FindIndex, -1);
    EXPECT_EQ(Bank().EntryHigh, -1);
    EXPECT_TRUE(Names().empty());
}

TEST_F(BulkMaintenance, ChangeCategoriesKeepsTickedLevelsAndMarksByMarker) {
    Add(Named("one", "A", "B", "C"));
    Add(Named("ONE", "A", "B", "C"));
    Add(Named(Mark + "wg", "A", "B", "C"));
    ChangeCategories(Bank(), {0, 2}, {"x", "  Tools  ", "z"}, {true, false, true}, When);
    EXPECT_EQ(Bank().Entry(0).Category2, "Tools");
    EXPECT_EQ(Bank().Entry(0).Category1, "A");
    EXPECT_EQ(Bank().Entry(0).Category3, "C");
    EXPECT_EQ(Bank().Entry(0).ChangeDate, When);
    // The case variant that was not selected stays as it was.
    EXPECT_EQ(Bank().Entry(1).Category2, "B");
    EXPECT_EQ(Bank().Entry(1).ChangeDate, NoDate);
    EXPECT_TRUE(Bank().BankModified);
    EXPECT_TRUE(Bank().WorkgroupModified);
    // An empty unkept level clears it; long texts are cut.
    ChangeCategories(Bank(), {1}, {std::string(60, 'q'), "", ""}, {false, false, true}, When);
    EXPECT_EQ(Bank().Entry(1).Category1, std::string(50, 'q'));
    EXPECT_EQ(Bank().Entry(1).Category2, "");
    EXPECT_EQ(Bank().Entry(1).Category3, "C");
}

TEST_F(BulkMaintenance, FavoriteRowsByCountThenNameAndApplyingThem) {
    const std::pair<const char*, int> entries[] = {{"b", 5}, {"a", 5}, {"c", 12}, {"d", 0}};
    for (auto [name, count] : entries) {
        TEntry e = Named(name);
        e.AccessCount = count;
        Add(e);
    }
    Add(Named(Mark + "w"));
    Bank().Entry(1).Favorite = std::string(1, WorkgroupMarker);
    auto rows = FavoriteRows(Bank());
    ASSERT_EQ(rows.size(), 4u);  // no workgroup entry for a user
    EXPECT_EQ(rows[0].Name, "c");
    EXPECT_EQ(rows[0].CountText, "      12");
    EXPECT_EQ(rows[1].Name, "a");
    EXPECT_TRUE(rows[1].Checked);
    EXPECT_EQ(rows[2].Name, "b");
    EXPECT_EQ(rows[3].Name, "d");
    EXPECT_EQ(rows[3].CountText, "");
    Bank().IsAdministrator = true;
    EXPECT_EQ(FavoriteRows(Bank()).size(), 5u);

    rows[1].Checked = false;  // a
    rows[3].Checked = true;   // d
    EXPECT_EQ(ApplyFavoriteRows(Bank(), rows, When), 2);
    EXPECT_FALSE(Bank().Entry(1).IsFavorite());
    EXPECT_TRUE(Bank().Entry(3).IsFavorite());
    EXPECT_EQ(Bank().Entry(3).ChangeDate, When);
    EXPECT_EQ(Bank().Entry(0).ChangeDate, NoDate);
    EXPECT_FALSE(Bank().WorkgroupModified);
}

TEST_F(BulkMaintenance, ClearAccessCountsMarksEachBank) {
    TEntry e = Named(Mark + "w");
    e.AccessCount = 3;
    Add(e);
    ClearAccessCounts(Bank(), When);
    EXPECT_EQ(Bank().Entry(0).AccessCount, 0);
    EXPECT_EQ(Bank().Entry(0).ChangeDate, When);
    EXPECT_TRUE(Bank().WorkgroupModified);
    EXPECT_FALSE(Bank().BankModified);
}

TEST_F(BulkMaintenance, MajorDomain) {
    EXPECT_EQ(MajorDomain("http://www.x.com/a/b"), "http://www.x.com");
    EXPECT_EQ(MajorDomain("http://www.x.com"), "http://www.x.com");
    EXPECT_EQ(MajorDomain("www.x.com/a"), "www.x.com/a");
}

TEST_F(BulkMaintenance, DuplicateGroupsOnFullUrlAndMajorDomain) {
    const char* urls[] = {"http://X.com/a", "http://x.com/b",
                          "None",           "",
                          "http://x.com/A", "NONE",
                          "http://y.org",   "http://x.com:8080/a",
                          "http://x.com/c", "  http://y.org  "};
    for (size_t i = 0; i < std::size(urls); ++i) {
        TEntry e = Named("e" + std::to_string(i));
        e.URL = urls[i];
        Add(e);
    }
    auto full = DuplicateGroups(Bank(), false);
    ASSERT_EQ(full.size(), 3u);
    EXPECT_EQ(full[0].Indices, (std::vector<int>{0, 4}));
    EXPECT_EQ(full[1].Key, "http://y.org");
    EXPECT_EQ(full[1].Indices, (std::vector<int>{6, 9}));
    EXPECT_EQ(full[2].Indices, (std::vector<int>{2, 5}));  // the entries without a URL

    // A host with a port sorts between the pages of its host without splitting their group.
    auto major = DuplicateGroups(Bank(), true);
    ASSERT_EQ(major.size(), 3u);
    EXPECT_EQ(major[0].Indices, (std::vector<int>{0, 1, 4, 8}));
    EXPECT_EQ(major[1].Indices, (std::vector<int>{6, 9}));
}

TEST_F(BulkMaintenance, DuplicateGroupsShowWorkgroupEntriesToAdministratorsOnly) {
    for (const char* n : {"a", "b"}) {
        TEntry e = Named(Mark + n);
        e.URL = "http://same";
        Add(e);
    }
    EXPECT_TRUE(DuplicateGroups(Bank(), false).empty());
    Bank().IsAdministrator = true;
    EXPECT_EQ(DuplicateGroups(Bank(), false).size(), 1u);
}

TEST_F(BulkMaintenance, CleanUpPhrasesAndStartupNames) {
    EXPECT_EQ(CleanUpPhrasesFromLines({"  Home  ", "", "Wel\rcome\n", "   "}),
              (Strings{"Home", "Welcome"}));
    Strings list{"a"};
    Strings picked;
    for (int i = 0; i < 30; ++i) picked.push_back("n" + std::to_string(i));
    picked.insert(picked.begin(), "a");
    EXPECT_TRUE(AddStartupNames(list, picked));
    ASSERT_EQ(list.size(), 25u);
    EXPECT_EQ(list[1], "n0");
    EXPECT_EQ(list[24], "n23");
    // Exactly filling the list is no shortage; names already listed are skipped.
    Strings few(24, "");
    for (int i = 0; i < 24; ++i) few[size_t(i)] = "f" + std::to_string(i);
    EXPECT_FALSE(AddStartupNames(few, {"f3", "last"}));
    EXPECT_EQ(few.size(), 25u);
}

}  // namespace
