// Finding entries: text pages and their case option, Find Next, the URL, count, category and
// date pages, refused password pages and the category pick lists.
#include "FindEngine.h"

#include "BankFixture.h"
#include "platform/Exceptions.h"

namespace {

class FindEngineTest : public BankFixture {
protected:
    FindEngineTest() {
        bank.Seams = &seams;
        seams.FocusEntryNode = [this](int index) { focused.push_back(index); };
    }
    void Add(const TEntry& e) { bank.AppendEntry(e); }
    static TFindCriteria Text(TFindKind kind, const std::string& text, bool caseSensitive = false) {
        TFindCriteria c;
        c.Kind = kind;
        c.Text = text;
        c.CaseSensitive = caseSensitive;
        return c;
    }
    static TFindCriteria Dates(TFindKind kind, TFindCompare compare, TDateTime a, TDateTime b = 0) {
        TFindCriteria c;
        c.Kind = kind;
        c.Compare = compare;
        c.DateA = a;
        c.DateB = b;
        return c;
    }
    static TFindCriteria Categories(const std::string& c1, const std::string& c2,
                                    const std::string& c3) {
        TFindCriteria c;
        c.Kind = fkCategory;
        c.C1 = c1;
        c.C2 = c2;
        c.C3 = c3;
        return c;
    }
    int Find(const TFindCriteria& c, int from = -1) const { return FindEntryFrom(bank, c, from); }
    TFindOutcome Run(const TFindCriteria& c, const TFindPasswordCheck& check = {}) {
        return RunFind(bank, find, c, -1, check);
    }
    TFindOutcome Next(int from) { return FindNextFrom(bank, find, from, {}); }

    TBankState bank;
    TFindState find;
    TAppSeams seams;
};

TEST_F(FindEngineTest, TextPagesAndTheCaseOption) {
    Add(Named("Other"));
    Add(Named("My BANK page"));
    EXPECT_EQ(Find(Text(fkName, "bank")), 1);
    EXPECT_EQ(Find(Text(fkName, "bank", true)), 2);  // none: EntryHigh + 1
    EXPECT_EQ(Find(Text(fkName, "BANK", true)), 1);
    EXPECT_EQ(Find(Text(fkName, "")), 2);  // an empty text matches nothing

    TEntry e = Named("Fields");
    e.Description = "a Description";
    e.Rating = "A+";
    e.UserID = "joe";
    e.Password = "Secret";
    e.EMail = "joe@example.org";
    e.ConfNotes = "pin 1234";
    e.Notes = "some Notes";
    e.URL = "http://Example.org/Path";
    Add(e);
    EXPECT_EQ(Find(Text(fkDescription, "DESCR")), 2);
    EXPECT_EQ(Find(Text(fkRating, "a+")), 2);
    EXPECT_EQ(Find(Text(fkUserID, "JOE")), 2);
    EXPECT_EQ(Find(Text(fkPassword, "cret")), 2);
    EXPECT_EQ(Find(Text(fkEMail, "EXAMPLE")), 2);
    EXPECT_EQ(Find(Text(fkConfNotes, "1234")), 2);
    EXPECT_EQ(Find(Text(fkNotes, "notes", true)), 3);
    // The URL page always ignores case.
    EXPECT_EQ(Find(Text(fkURL, "example.ORG/path", true)), 2);
}

TEST_F(FindEngineTest, FindNextCyclesThroughTheHitsAndStartsOver) {
    Add(Named("alpha"));
    Add(Named("beta"));
    Add(Named("alphabet"));
    EXPECT_EQ(Run(Text(fkName, "alpha")), TFindOutcome::Found);
    EXPECT_EQ(bank.FindIndex, 0);
    EXPECT_EQ(Next(bank.FindIndex), TFindOutcome::Found);
    EXPECT_EQ(bank.FindIndex, 2);
    EXPECT_EQ(Next(bank.FindIndex), TFindOutcome::NotFound);
    EXPECT_EQ(bank.FindIndex, -1);
    EXPECT_EQ(messages.LastText(), " Find was not successful! ");
    EXPECT_EQ(Next(bank.FindIndex), TFindOutcome::Found);
    EXPECT_EQ(bank.FindIndex, 0);
    EXPECT_EQ(focused, (std::vector<int>{0, 2, 0}));
}

TEST_F(FindEngineTest, FindNextBeforeAnySearchDoesNothing) {
    Add(Named("alpha"));
    EXPECT_EQ(Next(-1), TFindOutcome::Refused);
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_TRUE(focused.empty());
}

TEST_F(FindEngineTest, RefusedPasswordPagesEndSilently) {
    TEntry e = Named("x");
    e.Password = "pw";
    e.ConfNotes = "note";
    Add(e);
    std::vector<int> asked;
    auto refuse = [&](int op) {
        asked.push_back(op);
        return false;
    };
    EXPECT_EQ(Run(Text(fkPassword, "pw"), refuse), TFindOutcome::Refused);
    EXPECT_EQ(Run(Text(fkConfNotes, "note"), refuse), TFindOutcome::Refused);
    EXPECT_EQ(asked, (std::vector<int>{0, 1}));
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_EQ(find.Last.Kind, fkNone);  // Find Next has nothing to repeat
    EXPECT_EQ(Run(Text(fkName, "x"), refuse), TFindOutcome::Found);  // not asked
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(Run(Text(fkPassword, "pw"), [](int) { return true; }), TFindOutcome::Found);
}

TEST_F(FindEngineTest, AccessCountsAndTheirConversionError) {
    for (int count : {5, 0, 9}) {
        TEntry e = Named("n" + std::to_string(count));
        e.AccessCount = count;
        Add(e);
    }
    TFindCriteria c;
    c.Kind = fkAccessCount;
    EXPECT_EQ(Find(c), 1);  // an empty box is 0
    c.CountA = "6";
    c.Compare = fcLess;
    EXPECT_EQ(Find(c), 0);
    c.Compare = fcMore;
    EXPECT_EQ(Find(c), 2);
    c.Compare = fcBetween;
    c.CountA = " 4";
    c.CountB = "9";
    EXPECT_EQ(Find(c), 0);
    c.CountA = "5";
    EXPECT_EQ(Find(c), 3);
    c.CountB = "ten";
    EXPECT_THROW(Find(c), EConvertError);
}

TEST_F(FindEngineTest, CategoriesTrimIgnoreCaseAndCompareTheLevelsTheSelectionNames) {
    Add(Named("a", "Work", "Mail", ""));
    Add(Named("b", "Work", "Web", "Old"));
    Add(Named("c", " home ", "Web", "Old"));
    Add(Named("d", "Home", "", ""));
    EXPECT_EQ(Find(Categories("HOME", "", "")), 2);
    EXPECT_EQ(Find(Categories("work", "web", "")), 1);
    EXPECT_EQ(Find(Categories("", "Web", "old")), 1);
    EXPECT_EQ(Find(Categories("", "web", "")), 1);
    EXPECT_EQ(Find(Categories("Work", "", "Old")), 0);  // a first level alone: the third ignored
    EXPECT_EQ(Find(Categories("Work", "Web", "Old")), 1);
    EXPECT_EQ(Find(Categories("", "", "")), 0);  // the first entry without a third level
    EXPECT_EQ(Find(Categories("", "", ""), 0), 3);
    EXPECT_EQ(Find(Categories("Garden", "", "")), 4);
}

TEST_F(FindEngineTest, WorkgroupMarkersMatchOnlyForNonAdministrators) {
    Add(Named(Mark + "w", Mark + "Team", Mark + "Docs", ""));
    bank.IsAdministrator = false;
    EXPECT_EQ(Find(Categories("Team", "Docs", "")), 0);
    EXPECT_EQ(Find(Categories("team", "", "")), 0);
    bank.IsAdministrator = true;
    EXPECT_EQ(Find(Categories("Team", "", "")), 1);
    EXPECT_EQ(Find(Categories(Mark + "Team", "", "")), 0);
}

TEST_F(FindEngineTest, DatesCompareWithTheMidnightsOfThePickedDays) {
    TEntry noDate = Named("none");
    Add(noDate);
    TEntry e = Named("may");
    e.ChangeDate = EncodeDate(2024, 5, 4) + 10.0 / 24;
    e.LastAccess = EncodeDate(2024, 6, 1);
    Add(e);
    const TDateTime may4 = EncodeDate(2024, 5, 4);
    const TDateTime may5 = EncodeDate(2024, 5, 5);
    EXPECT_EQ(Find(Dates(fkChangeDate, fcEqual, may4)), 1);
    EXPECT_EQ(Find(Dates(fkChangeDate, fcEqual, may5)), 1);  // less than a day before A
    EXPECT_EQ(Find(Dates(fkChangeDate, fcEqual, may5 + 1)), 2);
    EXPECT_EQ(Find(Dates(fkChangeDate, fcLess, may5)), 1);
    EXPECT_EQ(Find(Dates(fkChangeDate, fcLess, may4)), 2);
    EXPECT_EQ(Find(Dates(fkChangeDate, fcMore, may4)), 1);
    EXPECT_EQ(Find(Dates(fkChangeDate, fcMore, may5)), 2);
    EXPECT_EQ(Find(Dates(fkChangeDate, fcMore, may4 - 1)), 1);
    EXPECT_EQ(Find(Dates(fkChangeDate, fcBetween, may4 - 1, may5)), 1);
    EXPECT_EQ(Find(Dates(fkChangeDate, fcBetween, may4, may5)), 1);
    EXPECT_EQ(Find(Dates(fkChangeDate, fcBetween, may5, may5 + 1)), 2);  // strictly between
    EXPECT_EQ(Find(Dates(fkChangeDate, fcBetween, may5, may4 - 1)), 2);  // B before A
    EXPECT_EQ(Find(Dates(fkLastAccess, fcEqual, EncodeDate(2024, 6, 1))), 1);
    // An entry without a date never matches, even "Less than A".
    EXPECT_EQ(Find(Dates(fkLastAccess, fcLess, EncodeDate(2030, 1, 1))), 1);
    EXPECT_EQ(Find(Dates(fkLastAccess, fcLess, EncodeDate(2030, 1, 1)), 1), 2);
}

TEST_F(FindEngineTest, AnUnsetDateFindsNothing) {
    TEntry e = Named("old");
    e.LastAccess = EncodeDate(2024, 1, 1);
    Add(e);
    EXPECT_EQ(Run(Dates(fkLastAccess, fcMore, 0)), TFindOutcome::NotFound);
    EXPECT_EQ(messages.LastText(), " Find was not successful! ");
    EXPECT_EQ(Find(Dates(fkLastAccess, fcBetween, EncodeDate(2023, 1, 1), 0)), 1);
    EXPECT_EQ(Find(Dates(fkLastAccess, fcBetween, EncodeDate(2023, 1, 1), EncodeDate(2025, 1, 1))),
              0);
}

TEST(FindPickLists, LevelsOnceIgnoringCaseThenAnEmptyItem) {
    TCategoryList paths;
    paths.insert({"Work", "web", "b"});
    paths.insert({"work", "Mail", ""});
    paths.insert({"Home", "Web", "A"});
    paths.insert({"Garden", "", ""});
    const TFindPickLists lists = BuildFindPickLists(paths);
    EXPECT_EQ(lists.C1, (Strings{"Garden", "Home", "work", ""}));  // the first of a kind
    EXPECT_EQ(lists.C2, (Strings{"Mail", "Web", ""}));
    EXPECT_EQ(lists.C3, (Strings{"A", "b", ""}));
    EXPECT_EQ(BuildFindPickLists({}).C1, (Strings{""}));
}

}  // namespace
