// The bank in memory: capped fields, sort order, category paths, choice lists, names, guards.
#include "BankModel.h"

#include "BankFixture.h"
#include "EntryCommands.h"
#include "ExportSeams.h"
#include "FindEngine.h"
#include "ImportReaders.h"
#include "MainTree.h"
#include "TempDir.h"
#include "TreeDrop.h"
#include "VirtualTrees.h"

namespace {

TEntry Sortable(const std::string& favorite, const std::string& name, const std::string& c1) {
    TEntry e = BankFixture::Named(name, c1);
    e.Favorite = favorite;
    return e;
}

Strings SortedNames(bool interleave) {
    TBankState bank;
    for (const TEntry& e :
         {Sortable(Mark, "zeta", "A"), Sortable(Mark, "Alpha", "Z"), Sortable("", "b", "News"),
          Sortable("", "a", "News"), Sortable("", "x", ""), Sortable("", "y", Mark + "News"),
          Sortable("", "_c", "News")})
        bank.AppendEntry(e);
    SortEntries(bank, interleave);
    return BankFixture::Names(bank);
}

Strings PathTexts(const TBankState& bank) {
    Strings out;
    for (const auto& p : bank.CategoryPaths) out.push_back(p.C1 + "/" + p.C2 + "/" + p.C3);
    return out;
}

// The bank and seams handed to the functions; the seams script as the fixture's do.
class BankModelTest : public BankFixture {
protected:
    BankModelTest() { bank.Seams = &seams; }
    void Add(const TEntry& e) { bank.AppendEntry(e); }
    TBankState bank;
    TAppSeams seams = Seams();
};

// Every seam counts its calls and answers as an empty one would.
template <typename R, typename... A>
void Counting(std::function<R(A...)>& seam, int& calls) {
    seam = [&calls](A...) -> R {
        ++calls;
        return R();
    };
}

void CountEveryCall(TAppSeams& s, int& calls) {
    Counting(s.AskPassword, calls), Counting(s.SetBusy, calls);
    Counting(s.SetStatusText, calls), Counting(s.EnableSave, calls);
    Counting(s.RebuildTree, calls), Counting(s.RunEntryForm, calls);
    Counting(s.FocusEntryNode, calls), Counting(s.NewBank, calls);
    Counting(s.ValidateUser, calls), Counting(s.ProcessEvents, calls);
    Counting(s.SetCaption, calls), Counting(s.ClearTree, calls);
    Counting(s.EnableSaveAs, calls), Counting(s.AskAdminSaveScope, calls);
    Counting(s.ChooseBrowserDialog, calls), Counting(s.FindDefaultBrowser, calls);
    Counting(s.StartProgram, calls), Counting(s.OpenDocument, calls);
    Counting(s.LoadWorkgroupBank, calls), Counting(s.CloseInfoPanel, calls);
}

void CountEveryCall(TExportSeams& s, int& calls) {
    Counting(s.ChooseSaveFile, calls), Counting(s.ChooseOpenFile, calls);
    Counting(s.ChooseFolder, calls), Counting(s.SetClipboardText, calls);
    Counting(s.RepaintMain, calls);
}

}  // namespace

TEST_F(BankModelTest, CappedFieldsAndClearEntry) {
    TEntry& e = bank.EditEntry;
    e = Named("x", "a", "b", "c");
    e.Rating = "12345";
    e.UserID = std::string(40, 'u');
    e.Password = "0123456789abcdefXYZ";
    e.Favorite = Mark + "x";
    EXPECT_EQ(e.Rating.str(), "123");
    EXPECT_EQ(e.UserID.size(), 25u);
    EXPECT_EQ(e.Password.str(), "0123456789abcde");
    EXPECT_EQ(e.Favorite.str(), Mark);
    e.ChangeDate = e.LastAccess = 40000;
    e.AccessCount = e.TreeIndex = 9;
    e.Node = reinterpret_cast<PVirtualNode>(&e);
    ClearEntry(bank.EditEntry);
    EXPECT_TRUE(e.Name.empty() && e.Rating.empty() && e.Favorite.empty() && e.Category3.empty());
    EXPECT_EQ(e.ChangeDate, 36526.0);
    EXPECT_EQ(e.LastAccess, 36526.0);
    EXPECT_EQ(e.AccessCount, 0);
    EXPECT_EQ(e.TreeIndex, -1);
    EXPECT_EQ(e.Node, nullptr);
}

TEST(BankOrder, FavouritesFirstThenCategoriesWithUpperCasedUnsignedBytes) {
    EXPECT_EQ(SortedNames(false), (Strings{"Alpha", "zeta", "x", "a", "b", "_c", "y"}));
    EXPECT_EQ(SortedNames(true), (Strings{"Alpha", "zeta", "x", "a", "b", "y", "_c"}));
    EXPECT_EQ(CompareIgnoringMarker(Mark + "News", "news"), 0);
    EXPECT_GT(CompareIgnoringMarker(Mark + Mark + "a", "a"), 0);  // one marker only
    EXPECT_LT(CompareIgnoringMarker("z", "\xE9"), 0);             // not folded
}

TEST_F(BankModelTest, CategoryPathsAreTrimmedTriplesWithoutCaseDuplicates) {
    AddCategoryPath(bank, Named("1", "Work", "Projects", "Alpha"));
    AddCategoryPath(bank, Named("2", "WORK", "projects", "alpha"));
    AddCategoryPath(bank, Named("3", "\tNews\r", " Sub ", ""));
    AddCategoryPath(bank, Named("4", "", "Orphan", "Level"));
    EXPECT_EQ(PathTexts(bank), (Strings{"News/Sub/", "Work/Projects/Alpha"}));

    // Markers go for non-administrators, and only where a value has one.
    bank.CategoryPaths.clear();
    bank.IsAdministrator = true;
    AddCategoryPath(bank, Named("w", Mark + "Team", Mark + "Sub", ""));
    EXPECT_EQ(PathTexts(bank), Strings{Mark + "Team/" + Mark + "Sub/"});
    bank.CategoryPaths.clear();
    bank.IsAdministrator = false;
    AddCategoryPath(bank, Named("w", Mark + "Team", Mark + "Sub", ""));
    AddCategoryPath(bank, Named("v", Mark + "Team", "News", "Deep"));
    EXPECT_EQ(PathTexts(bank), (Strings{"Team/News/Deep", "Team/Sub/"}));
}

TEST(BankCategoryOrder, ValuesCompareAsIfPaddedToFiftyColumns) {
    EXPECT_LT(ComparePaddedCategory("A\x1F"
                                    "B",
                                    "A"),
              0);  // below the padding blank
    EXPECT_EQ(ComparePaddedCategory("news", "NEWS"), 0);
    const std::string longer = std::string(55, 'x');
    EXPECT_LT(ComparePaddedCategory(longer + "a", longer + "b"), 0);
    EXPECT_LT(ComparePaddedCategory(std::string(50, 'x'), std::string(50, 'x') + "!"), 0);
    // Either side may be the longer one, inside or beyond the width, with trailing blanks.
    EXPECT_GT(ComparePaddedCategory("A", "A\x1F"), 0);
    EXPECT_EQ(ComparePaddedCategory("a  ", "A"), 0);
    EXPECT_LT(ComparePaddedCategory("ab", "ab c"), 0);
    EXPECT_GT(ComparePaddedCategory(std::string(49, 'x') + " " + "\x01", std::string(49, 'x')), 0);
    EXPECT_LT(ComparePaddedCategory(std::string(48, 'x') + "\x01", std::string(49, 'x')), 0);
}

TEST_F(BankModelTest, KeysCoverEveryEntryButHiddenWorkgroupOnes) {
    Add(Named("a"));
    Add(Named("b", "News"));
    Add(Named("c", Mark + "Team"));
    BuildCategoryKeys(bank);
    ASSERT_EQ(bank.CategoryKeys.size(), 2u);
    EXPECT_EQ(bank.CategoryKeys.begin()->C1, "");
    bank.IsAdministrator = true;
    BuildCategoryKeys(bank);
    EXPECT_EQ(bank.CategoryKeys.size(), 3u);
    EXPECT_EQ(bank.CategoryKeys.rbegin()->C1, Mark + "Team");
}

TEST_F(BankModelTest, ChoiceListsOfferEachLevelsDistinctValues) {
    for (const TEntry& e : {Named("1", "Work", "Projects", "Beta"), Named("2", "Home"),
                            Named("3", "AB", "C", "Y"), Named("4", "work", "Admin"),
                            Named("5", "Work", "Projects", "Alpha"), Named("6", "A", "BC", "X")})
        AddCategoryPath(bank, e);
    EXPECT_EQ(PathTexts(bank), (Strings{"A/BC/X", "AB/C/Y", "Home//", "work/Admin/",
                                        "Work/Projects/Alpha", "Work/Projects/Beta"}));
    EXPECT_EQ(FillCategory1Choices(bank), (Strings{"A", "AB", "Home", "work"}));
    EXPECT_EQ(FillCategory2Choices(bank, "WORK"), (Strings{"Admin", "Projects"}));
    EXPECT_EQ(FillCategory3Choices(bank, "Work", "Projects"), (Strings{"Alpha", "Beta"}));
    EXPECT_EQ(FillCategory3Choices(bank, "AB", "C"), (Strings{"Y"}));  // not A/BC's values
    EXPECT_TRUE(FillCategory2Choices(bank, "").empty());
    EXPECT_TRUE(FillCategory3Choices(bank, "Work", "").empty());
}

TEST_F(BankModelTest, NamesAreFoundExactlyAndFocusedPreferringExactCase) {
    Add(Named("ABC"));
    Add(Named("abc"));
    Add(Named("Other"));
    Add(Named("beyond"));
    bank.EntryHigh = 2;  // slots above EntryHigh are not the bank
    const TNameIndex names(bank);
    EXPECT_TRUE(names.Contains("ABC"));
    EXPECT_FALSE(names.Contains("Abc"));
    EXPECT_FALSE(names.Contains("beyond"));
    EXPECT_EQ(SelectEntryNode(bank, "abc"), 1);
    EXPECT_EQ(SelectEntryNode(bank, "OTHER"), 2);
    EXPECT_EQ(SelectEntryNode(bank, "missing"), -1);
    EXPECT_EQ(bank.FocusedEntry, 2);
    EXPECT_EQ(focused, (std::vector<int>{1, 2}));
    TNameIndex index(bank);
    EXPECT_TRUE(index.Contains("abc"));
    EXPECT_FALSE(index.Contains("aBC") || index.Contains("beyond"));
    EXPECT_TRUE(index.Insert("beyond"));
    EXPECT_FALSE(index.Insert("beyond"));
    bool renamed = false;
    EXPECT_EQ(index.UniqueName("aBC", 0, renamed), "aBC");
    EXPECT_FALSE(renamed);
    EXPECT_EQ(index.UniqueName("abc", 0, renamed), "_abc");
    EXPECT_EQ(index.UniqueName("abc", 0, renamed), "__abc");
    EXPECT_TRUE(renamed);
    // Behind a workgroup marker the "_" goes after it.
    index.Add(Mark + "w");
    EXPECT_EQ(index.UniqueName(Mark + "w", 1, renamed), Mark + "_w");
    // Growing its table keeps every name; the empty name counts like any other.
    for (int i = 0; i < 1000; ++i) EXPECT_TRUE(index.Insert("n" + std::to_string(i)));
    EXPECT_TRUE(index.Contains("n0") && index.Contains("n999") && index.Contains("abc"));
    EXPECT_FALSE(index.Contains("n1000") || index.Contains(""));
    EXPECT_TRUE(index.Insert(""));
    EXPECT_FALSE(index.Insert(""));
    EXPECT_TRUE(TNameIndex().Insert("x"));
    EXPECT_EQ(bank.AppendEntry(Named("new")), 3);
    EXPECT_EQ(Names(bank), (Strings{"ABC", "abc", "Other", "new"}));
}

// Every copy of a name gets "_" in front until it is new, whatever the names taken before it
// look like: names that start with "_" themselves, gaps, markers and long names.
TEST_F(BankModelTest, CopiesOfANameGetTheFirstFreeNumberOfUnderscores) {
    const std::string Long(255, 'n');
    const std::string LongUnderscored = "_" + std::string(254, 'n');
    for (const std::string& name : Strings{"abc", "___abc", "_x", "", Mark + "w", Mark + "__w"})
        Add(Named(name));
    TNameIndex index(bank);
    bool renamed = false;
    Strings given;
    auto unique = [&](const std::string& name, size_t at = 0) {
        given.push_back(index.UniqueName(name, at, renamed));
    };
    for (int i = 0; i < 4; ++i) unique("abc");
    unique("__abc");
    unique("abc");
    EXPECT_EQ(given, (Strings{"_abc", "__abc", "____abc", "_____abc", "______abc", "_______abc"}));
    given.clear();
    unique("_x");
    unique("x");
    unique("x");
    unique("_");
    unique("_");
    unique("");
    EXPECT_EQ(given, (Strings{"__x", "x", "___x", "_", "__", "___"}));
    given.clear();
    unique(Mark + "w", 1);
    unique(Mark + "w", 1);
    unique(Mark + "_w", 1);
    unique(Mark + "w", 0);
    unique(Mark + "w", 0);
    unique(Mark, 1);
    unique(Mark, 1);
    EXPECT_EQ(given, (Strings{Mark + "_w", Mark + "___w", Mark + "____w", "_" + Mark + "w",
                              "__" + Mark + "w", Mark, Mark + "_"}));
    given.clear();
    for (int i = 0; i < 3; ++i) unique(Long);
    unique(LongUnderscored);
    unique(LongUnderscored);
    unique("_" + Long);
    EXPECT_EQ(given, (Strings{Long, "_" + Long, "__" + Long, LongUnderscored, "_" + LongUnderscored,
                              "___" + Long}));
    EXPECT_TRUE(renamed);
    for (const std::string& name : Strings{"____abc", "______abc", "x", "___x", "__" + Mark + "w",
                                           Mark + "____w", "___" + Long, "___"})
        EXPECT_TRUE(index.Contains(name)) << name;
    for (const std::string& name : Strings{"________abc", "____x", "____", Mark + "_____w",
                                           "_" + Mark, "____" + Long, "__" + LongUnderscored})
        EXPECT_FALSE(index.Contains(name)) << name;
    // A new name leaves `renamed` alone.
    renamed = false;
    unique("fresh");
    EXPECT_FALSE(renamed);
}

// Many copies of a name, with and without the marker, and the gaps between the numbers of "_"
// taken, filled in order (bench_app's BM_ImportSameNames shows the time following the names).
TEST_F(BankModelTest, ManyCopiesOfANameAndTheGapsBetweenThem) {
    constexpr size_t Copies = 1000;
    TNameIndex index;
    bool renamed = false;
    for (size_t i = 0; i < Copies; ++i) {
        ASSERT_EQ(index.UniqueName("Same", 0, renamed), std::string(i, '_') + "Same");
        ASSERT_EQ(index.UniqueName(Mark + "W", 1, renamed), Mark + std::string(i, '_') + "W");
        ASSERT_EQ(index.UniqueName("_", 0, renamed), std::string(i + 1, '_'));
    }
    // Gaps between the numbers of "_" taken are filled in order, each found at once too.
    TNameIndex gaps;
    for (size_t i = 0; i < Copies; i += 2) gaps.Add(std::string(i, '_') + "g");
    for (size_t i = 1; i < Copies; i += 2)
        ASSERT_EQ(gaps.UniqueName("g", 0, renamed), std::string(i, '_') + "g");
    EXPECT_EQ(gaps.UniqueName("g", 0, renamed), std::string(Copies, '_') + "g");
}

TEST_F(BankModelTest, GuardsShowTheirTextsAndAnswers) {
    EXPECT_FALSE(CheckBankOpen(bank));
    EXPECT_EQ(messages.LastText(), "No Bank Is Open!\rThis operation cannot be completed.");
    EXPECT_EQ(messages.Shown.back().Type, TMsgDlgType::mtError);
    int newBanks = 0;
    bool made = true;
    seams.NewBank = [&] {
        ++newBanks;
        return made;
    };
    messages.Answer(mrNo);
    EXPECT_FALSE(RequireBank(bank));
    EXPECT_EQ(messages.LastText(),
              "A Bank must be open for this operation!\rDo you want to create a new Bank?");
    messages.Answer(mrYes);
    EXPECT_TRUE(RequireBank(bank));
    EXPECT_EQ(newBanks, 1);
    // Yes, but New was abandoned: the command stops.
    made = false;
    messages.Answer(mrYes);
    EXPECT_FALSE(RequireBank(bank));
    EXPECT_EQ(newBanks, 2);
    const size_t shown = messages.Shown.size();
    bank.NewBank = true;
    EXPECT_TRUE(RequireBank(bank));
    Add(Named("a"));
    EXPECT_TRUE(CheckBankOpen(bank));
    EXPECT_EQ(messages.Shown.size(), shown);
    ShowAdminOnly();
    EXPECT_EQ(messages.LastText(), "This operation can only be done by a Lorvane Administrator");
}

TEST_F(BankModelTest, AddEntryAppendsWhatTheEditorAccepted) {
    int mode = -1;
    seams.RunEntryForm = [&](int m) {
        mode = m;
        bank.EditEntry = Named(Mark + "W", "Cat");
        bank.EditEntry.TreeIndex = 7;
        return int(mrOk);
    };
    Add(Named("local"));
    EXPECT_TRUE(AddEntry(bank, 1));
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(Names(bank), (Strings{"local", Mark + "W"}));
    EXPECT_EQ(bank.Entry(1).TreeIndex, -1);
    EXPECT_TRUE(bank.WorkgroupModified);
    EXPECT_FALSE(bank.BankModified);
    EXPECT_EQ(saveEnabled, std::vector<bool>{true});
    EXPECT_EQ(rebuilds, 1);
    EXPECT_EQ(bank.FocusedEntry, 1);
    seams.RunEntryForm = [](int) { return int(mrCancel); };
    EXPECT_FALSE(AddEntry(bank, 0));
    EXPECT_EQ(bank.EntryHigh, 1);
    EXPECT_EQ(rebuilds, 1);
}

TEST_F(BankModelTest, ABankWithItsOwnSeamsReachesNoGlobalOne) {
    int globalCalls = 0;
    CountEveryCall(Seams(), globalCalls);
    CountEveryCall(ExportSeams(), globalCalls);
    Bank().AppendEntry(Named("program"));

    TAppSeams own;
    std::vector<std::string> calls;
    std::vector<TBankState*> rebuilt;
    TBaseVirtualTree tree;
    own.EnableSave = [&](bool on) { calls.push_back(on ? "save on" : "save off"); };
    own.SetBusy = [&](bool on) { calls.push_back(on ? "busy" : "idle"); };
    own.SetCaption = [&](const std::string& c) { calls.push_back(c); };
    own.EnableSaveAs = [&](bool on) { calls.push_back(on ? "save as on" : "save as off"); };
    own.RebuildTree = [&](TBankState& b) {
        rebuilt.push_back(&b);
        RebuildTree(b, TSettings(), tree);
    };
    TBankState mine;
    mine.Seams = &own;
    mine.BankCaption = "mine";

    mine.AppendEntry(Named("b"));
    mine.MarkModified("b");
    EXPECT_TRUE(mine.BankModified);
    RebuildTree(mine, TSettings(), tree);
    EXPECT_EQ(calls, (Strings{"save on", "busy", "mine    1 Entries", "save as on", "idle"}));

    calls.clear();
    TempDir dir;
    WriteAll(dir.File("a.url"), "[InternetShortcut]\r\nURL=http://a/\r\n");
    EXPECT_EQ(ImportFavoritesFolder(mine, dir.File("")), 1);
    EXPECT_EQ(rebuilt, std::vector<TBankState*>{&mine});
    EXPECT_EQ(Names(mine), (Strings{"a", "b"}));
    EXPECT_TRUE(mine.Entry(0).Node && mine.Entry(1).Node);
    EXPECT_EQ(calls, (Strings{"busy", "mine    2 Entries", "save as on", "idle", "save on"}));

    // The functions handed only the bank: the entry commands with their guards and editor, the
    // password check, the search and the drop.
    calls.clear();
    rebuilt.clear();
    int added = 0;
    own.RebuildTree = [&](TBankState& b) {
        rebuilt.push_back(&b);
        calls.push_back("rebuild");
    };
    own.FocusEntryNode = [&](int index) { calls.push_back("focus " + std::to_string(index)); };
    own.ValidateUser = [&] { calls.push_back("validate"); };
    own.RunEntryForm = [&](int mode) {
        calls.push_back("editor " + std::to_string(mode));
        mine.EditEntry.Name = "n" + std::to_string(++added);
        mine.EditEntry.Category1 = "Cat";
        return int(mrOk);
    };
    own.AskPassword = [&](std::string& typed) {
        calls.push_back("password");
        typed = mine.FilePassword;
        return true;
    };
    own.NewBank = [&] {
        calls.push_back("new");
        return true;
    };
    TSettings settings;
    settings.UserName = "user";  // a workgroup user, validated before an entry is added
    settings.ConfirmDeletes = false;
    EXPECT_TRUE(AddEntryCommand(mine, settings));
    mine.FocusedEntry = 0;
    EXPECT_TRUE(ModifyEntryCommand(mine, settings));
    mine.FocusedEntry = 0;
    EXPECT_TRUE(CopyEntryCommand(mine, settings));
    mine.FocusedEntry = 1;
    EXPECT_TRUE(DeleteEntryCommand(mine, settings));
    EXPECT_TRUE(DropURLCommand(mine, settings, "Dropped", "http://d/"));
    EXPECT_EQ(Names(mine), (Strings{"n2", "n1", "n3", "n4"}));
    mine.FocusedEntry = 0;
    mine.FilePassword = "pw";
    CopyUserIDPasswordToClipboard(mine);
    TFindState find;
    TFindCriteria criteria;
    criteria.Kind = fkName;
    criteria.Text = "n3";
    EXPECT_EQ(RunFind(mine, find, criteria, -1, {}), TFindOutcome::Found);
    EXPECT_EQ(FindNextFrom(mine, find, 2, {}), TFindOutcome::NotFound);
    mine.Entry(3).Category1 = "Other";
    const TTreeNodeData entry{1, nkEntry, false};
    const TTreeNodeData folder{3, nkCategory1, false};
    EXPECT_TRUE(TreeDrop(mine, settings, &entry, &folder));
    EXPECT_EQ(mine.Entry(1).Category1, "Other");
    TBankState none;
    none.Seams = &own;
    messages.Answer(mrYes);  // a new bank
    EXPECT_TRUE(RequireBank(none));
    // A change: the editor (when one opens), Save enabled, the tree rebuilt, the entry focused.
    const auto changed = [](const std::string& editor, int focus) {
        Strings seen{"save on", "rebuild", "focus " + std::to_string(focus)};
        if (!editor.empty()) seen.insert(seen.begin(), "editor " + editor);
        return seen;
    };
    Strings expected{"validate"};
    for (const Strings& step :
         {changed("0", 2), changed("0", 0), changed("1", 3), changed("", 1), changed("1", 3),
          Strings{"password", "focus 2"}, changed("", 1), Strings{"new"}})
        expected.insert(expected.end(), step.begin(), step.end());
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(rebuilt, std::vector<TBankState*>(6, &mine));

    EXPECT_EQ(globalCalls, 0);
    EXPECT_EQ(Names(), Strings{"program"});
    EXPECT_FALSE(Bank().BankModified);
    EXPECT_TRUE(Settings() == TSettings());
}

// A bank's seams stay with it: a copy runs headless, and an assigned bank keeps its own.
TEST_F(BankModelTest, ACopyTakesNoSeamsAndAnAssignedBankKeepsItsOwn) {
    int calls = 0;
    TAppSeams counting;
    CountEveryCall(counting, calls);
    bank.Seams = &counting;
    Add(Named("a"));
    TBankState copy(bank);
    copy.MarkModified("a");
    copy.FocusedEntry = 0;
    EXPECT_FALSE(AddEntry(copy, 0));
    EXPECT_EQ(SelectEntryNode(copy, "a"), 0);
    TBankState moved(std::move(copy));
    moved.MarkModified("a");
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(&moved.SeamsOrHeadless(), &HeadlessSeams());

    TBankState plain;
    plain.AppendEntry(Named("b"));
    bank = plain;
    EXPECT_EQ(Names(bank), Strings{"b"});
    bank.MarkModified("b");
    EXPECT_EQ(calls, 1);
    bank = TBankState();
    EXPECT_EQ(&bank.SeamsOrHeadless(), &counting);
    // The program's bank: assigned a bank, or reset, it keeps the program's seams.
    Bank() = plain;
    Bank().MarkModified("b");
    ResetBank();
    Bank().MarkModified("c");
    EXPECT_EQ(saveEnabled, (std::vector<bool>{true, true}));
}
