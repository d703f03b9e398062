// Highlighting: keyword records, start/stop ranges across paragraphs, nesting bounds,
// background formatting, lines added in one update, and edits against a fresh load.
#include <gtest/gtest.h>

#include <random>

#include "MemoTestSupport.h"

namespace {

// A memo on a window that formats at once, as the highlighting tests want it.
struct ShownMemo {
    TestWindow window;
    TMarkMemo memo;
    ShownMemo() {
        memo.SetUpdateMode(umImmediate);
        window.Attach(memo);
    }
};

std::vector<TAttributeRec> KeywordRecords(const TParagraphRec& par) {
    std::vector<TAttributeRec> out;
    for (const TAttributeRec& a : par.Attrs)
        if (a.IsKeywordRecord()) out.push_back(a);
    return out;
}

void Replace(TMarkMemo& memo, int32_t from, int32_t to, const std::string& text) {
    memo.SetSelStart(from);
    memo.SetSelLength(to - from);
    memo.SetSelTextBuf(text);
}

// Field names with their values after them; "Long Name Tag:" holds "Name:" but comes first.
const char* const kFieldNames[] = {
    "Size:", "Colour:", "Long Name Tag:", "Name:", "Weight:", "Shape:"};

void AddFieldKeywords(TMarkMemo& memo) {
    for (const char* name : kFieldNames) memo.Keywords().AddKeyWord(name, 1, 16, 1, 0, 0, 0);
}

}  // namespace

TEST(MarkMemoKeywords, ListKeepsItsLookup) {
    TKeywordList list;
    EXPECT_EQ(list.AddKeyWord("\xE9"
                              "cole",
                              0, 1, 1, 0, 0, 0),
              0);
    EXPECT_EQ(list.AddKeyWord("Longer", 1, 1, 1, 0, 0, 0), 1);
    EXPECT_EQ(list.Longest(), 6);
    EXPECT_TRUE(list.AnyCaseInsensitive());
    EXPECT_EQ(list.MatchCopy(0),
              "\xE9"
              "COLE");
    list.SetUpperCaseType(pmuAnsi);
    EXPECT_EQ(list.MatchCopy(0),
              "\xC9"
              "COLE");
    EXPECT_EQ(list.MatchCopy(1), "Longer");  // case-sensitive keywords stay as given
    EXPECT_EQ(list.Record(1).Length, 6);
    // A replaced record's options take effect: case-insensitive, it is matched upper-cased.
    TKeywordRec rec = list.Record(1);
    rec.Options = 0;
    list.SetRecord(1, rec);
    EXPECT_EQ(list.MatchCopy(1), "LONGER");
    rec.Options = koCaseSensitive;
    list.SetRecord(1, rec);
    list.Delete(0);
    EXPECT_FALSE(list.AnyCaseInsensitive());
    EXPECT_THROW(list.Record(3), ERangeError);
    TKeywordList copy;
    copy.Assign(list);
    EXPECT_EQ(copy.Keyword(0), "Longer");
}

TEST(MarkMemoKeywords, ContextZeroNeverMatches) {
    ShownMemo s;
    s.memo.Keywords().AddKeyWord("URL:", 1, 16, 0, 0, 0, 0);
    s.memo.SetTextBuf("xURL:y");
    EXPECT_EQ(s.memo.Paragraph(0).AttrCount(), 0);
}

TEST(MarkMemoKeywords, SwitchedOffKeywordsAndRangesMarkNothing) {
    ShownMemo s;
    s.memo.SetApplyKeyWords(false);
    s.memo.SetApplyStartStopKeys(false);
    s.memo.Keywords().AddKeyWord("URL:", 1, 16, 1, 0, 0, 0);
    s.memo.StartStopKeys().AddStartStopKey("/*", "*/", 0, 1, 0, 0, 0, 0, false);
    s.memo.SetTextBuf("xURL:y /* z */");
    EXPECT_EQ(s.memo.Paragraph(0).AttrCount(), 0);
    s.memo.SetApplyKeyWords(true);
    s.memo.SetTextBuf("xURL:y");
    EXPECT_EQ(s.memo.Paragraph(0).AttrCount(), 2);
}

TEST(MarkMemoKeywords, AMatchMakesARecordAndItsRestore) {
    ShownMemo s;
    s.memo.Keywords().AddKeyWord("URL:", 1, 16, 1, 0, 0, 0);
    s.memo.SetTextBuf("xURL:y");
    const auto& attrs = s.memo.Paragraph(0).Attrs;
    ASSERT_EQ(attrs.size(), 2u);
    EXPECT_EQ(attrs[0].Offset, 1);
    EXPECT_EQ(attrs[0].Style, 0xD0);
    EXPECT_EQ(attrs[0].Level, 0);
    EXPECT_EQ(attrs[0].KeyStack[1], 0);
    EXPECT_EQ(attrs[0].Context, 1);
    EXPECT_EQ(attrs[0].KeyRemain, 4);
    EXPECT_EQ(attrs[0].KeyLength, 4);
    EXPECT_EQ(attrs[1].Offset, 5);
    EXPECT_EQ(attrs[1].Style, 0);
    EXPECT_EQ(attrs[1].Level, -1);

    s.memo.SetTextBuf("url:");
    EXPECT_EQ(s.memo.Paragraph(0).AttrCount(), 0);
    s.memo.SetTextBuf("aURL:b");
    EXPECT_EQ(KeywordRecords(s.memo.Paragraph(0)).size(), 1u);
}

TEST(MarkMemoKeywords, EditingAMatchRemovesItsRecords) {
    ShownMemo s;
    s.memo.Keywords().AddKeyWord("URL:", 1, 16, 1, 0, 0, 0);
    s.memo.SetTextBuf("xURL:y");
    Replace(s.memo, 4, 5, "");
    EXPECT_EQ(s.memo.Paragraph(0).AttrCount(), 0);
    Replace(s.memo, 4, 4, ":");
    EXPECT_EQ(s.memo.Paragraph(0).AttrCount(), 2);
    s.memo.Undo();
    EXPECT_EQ(s.memo.Paragraph(0).AttrCount(), 0);
}

TEST(MarkMemoKeywords, RemovingAMatchGivesBackARangeItHadPushed) {
    ShownMemo s;
    s.memo.Keywords().AddKeyWord("URL:", 1, 16, 1, 0, 0, 0);
    s.memo.SetTextBuf("xURL:abc");
    s.memo.ApplyDynStyle(1, 7, msBold, false, 0, 0, 0x0000FFFF, 0);
    Replace(s.memo, 7, 7, "d");  // matching again pushes the bold range behind "URL:"
    ASSERT_EQ(s.memo.Paragraph(0).AttrCount(), 3);
    EXPECT_EQ(s.memo.Paragraph(0).Attrs[1].Offset, 5);
    Replace(s.memo, 4, 5, "");  // no keyword any more: the bold range starts at 1 again
    const auto& attrs = s.memo.Paragraph(0).Attrs;
    ASSERT_EQ(attrs.size(), 2u);
    EXPECT_EQ(attrs[0].Offset, 1);
    EXPECT_EQ(attrs[0].Style, 0x81);
    EXPECT_EQ(attrs[1].Offset, 7);
}

TEST(MarkMemoKeywords, EarlierKeywordsClaimTheirText) {
    ShownMemo s;
    AddFieldKeywords(s.memo);
    s.memo.SetTextBuf("Long Name Tag:x\r\nColour:red");
    auto records = KeywordRecords(s.memo.Paragraph(0));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Offset, 0);
    EXPECT_EQ(records[0].KeyLength, 14);
    EXPECT_EQ(records[0].KeyStack[1], 2);
    records = KeywordRecords(s.memo.Paragraph(1));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].KeyStack[1], 1);
}

TEST(MarkMemoKeywords, WholeWordsLookAtTheParagraphsOwnNeighbours) {
    ShownMemo s;
    s.memo.Keywords().AddKeyWord("if", 3, 1, 1, 0, 0, 0);
    for (auto [text, count] :
         {std::pair{"a if b", 1u}, {"if", 1u}, {"xif y", 0u}, {"if(", 0u}, {"if.if", 2u}}) {
        s.memo.SetTextBuf(text);
        EXPECT_EQ(KeywordRecords(s.memo.Paragraph(0)).size(), count) << text;
    }
    s.memo.SetTextBuf("aifx");
    Replace(s.memo, 0, 1, " ");
    EXPECT_EQ(s.memo.Paragraph(0).Text, " ifx");
    EXPECT_EQ(KeywordRecords(s.memo.Paragraph(0)).size(), 0u);
    Replace(s.memo, 3, 4, "");
    EXPECT_EQ(KeywordRecords(s.memo.Paragraph(0)).size(), 1u);
}

TEST(MarkMemoKeywords, CaseInsensitiveMatchingFollowsTheUpperCaseKind) {
    ShownMemo s;
    s.memo.Keywords().AddKeyWord(
        "\xE9"
        "cole",
        0, 1, 1, 0, 0, 0);
    s.memo.SetUpperCaseType(pmuAnsi);
    s.memo.SetTextBuf(
        "\xC9"
        "COLE");
    EXPECT_EQ(KeywordRecords(s.memo.Paragraph(0)).size(), 1u);
    s.memo.SetUpperCaseType(pmuAscii);
    s.memo.SetTextBuf(
        "\xC9"
        "COLE");
    EXPECT_EQ(KeywordRecords(s.memo.Paragraph(0)).size(), 0u);
}

TEST(MarkMemoKeywords, ManyMatchesInOneParagraph) {
    ShownMemo s;
    s.memo.Keywords().AddKeyWord("URL:", 1, 16, 1, 0, 0, 0);
    std::string text;
    for (int i = 0; i < 17; ++i) text += "URL: ";
    s.memo.SetTextBuf(text);
    const auto& attrs = s.memo.Paragraph(0).Attrs;
    ASSERT_EQ(attrs.size(), 34u);
    for (int k = 0; k < 17; ++k) {
        EXPECT_EQ(attrs[size_t(2 * k)].Offset, 5 * k);
        EXPECT_TRUE(attrs[size_t(2 * k)].IsKeywordRecord());
        EXPECT_EQ(attrs[size_t(2 * k + 1)].Offset, 5 * k + 4);
    }
    EXPECT_EQ(StoreProblem(s.memo), "");
}

TEST(MarkMemoKeywords, NestingStaysWithinTheKeyStack) {
    ShownMemo s;
    s.memo.Keywords().KeywordsInRanges = true;
    s.memo.Keywords().AddKeyWord("ab", 1, 1, 1, 0, 0, 0);
    s.memo.SetTextBuf("ab cd");
    for (int i = 0; i < 20; ++i) {
        Replace(s.memo, 2, 2, "x");
        Replace(s.memo, 2, 3, "");
        ASSERT_EQ(StoreProblem(s.memo), "");
    }
    auto records = KeywordRecords(s.memo.Paragraph(0));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Level, 0);
}

TEST(MarkMemoKeywords, MatchesAreSkippedAtTheDeepestLevel) {
    ShownMemo s;
    s.memo.Keywords().AddKeyWord("ab", 1, 1, 1, 0, 0, 0);
    s.memo.SetTextBuf("zz\r\nab");
    // a paragraph whose start state already sits at the deepest level takes no match
    TAttributeRec deep;
    deep.Style = msDynamic;
    deep.Level = MaxNestingLevel;
    StoreRecord(s.memo, 1).StartState = NewStartState(deep);
    s.memo.ReparseAll();
    StoreRecord(s.memo, 1).StartState = NewStartState(deep);
    StoreRecord(s.memo, 1).KeywordsParsed = 0;
    s.memo.FormatRange(1, 1, true);
    EXPECT_EQ(KeywordRecords(s.memo.Paragraph(1)).size(), 0u);
}

// ---- start/stop keys ----

TEST(MarkMemoStartStop, ListDerivesCopiesAndLinks) {
    TStartStopKeyList list;
    list.AddStartStopKey("/*", "*/", 0, 1, 0, 0, 0, 0, false);
    list.AddStartStopKey("rem", "end", 1, 1, 0, 0, 0, 0, true);
    list.AddStartStopKey("/*", "!", 0, 1, 0, 0, 0, 0, false);
    EXPECT_EQ(list.Get(2).SameStart, 0);
    EXPECT_EQ(list.Get(1).SameStart, -1);
    EXPECT_EQ(list.LongestStart(), 3);
    EXPECT_EQ(list.LongestStop(), 3);
    EXPECT_THROW(list.Get(3), ERangeError);
    list.AddStartStopKey("\xE9t\xE9", "x", 0, 1, 0, 0, 0, 0, false);
    list.AddStartStopKey("\xE9t\xE9", "x", 1, 1, 0, 0, 0, 0, false);
    EXPECT_EQ(list.Get(3).StartCopy, "\xE9T\xE9");
    list.SetUpperCaseType(pmuAnsi);
    EXPECT_EQ(list.Get(3).StartCopy, "\xC9T\xC9");  // re-derived
    EXPECT_EQ(list.Get(4).StartCopy, "\xE9t\xE9");  // case-sensitive: kept
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 2);
}

TEST(MarkMemoStartStop, RangeWithinAParagraph) {
    ShownMemo s;
    s.memo.StartStopKeys().AddStartStopKey("/*", "*/", 0, 1, 0, 0, 0, 0, false);
    s.memo.SetTextBuf("a /* b */ c\r\nd\r\ne");
    const auto& attrs = s.memo.Paragraph(0).Attrs;
    ASSERT_EQ(attrs.size(), 2u);
    EXPECT_EQ(attrs[0].Offset, 2);
    EXPECT_EQ(attrs[0].Style, 0xC1);
    EXPECT_EQ(attrs[0].Level, 0);
    EXPECT_EQ(attrs[0].KeyStack[1], 32768);
    EXPECT_EQ(attrs[0].KeyRemain, 2);
    EXPECT_EQ(attrs[0].KeyLength, 2);
    EXPECT_EQ(attrs[1].Offset, 9);
    EXPECT_EQ(attrs[1].Style, 0);
    EXPECT_EQ(attrs[1].Level, -1);
    EXPECT_EQ(s.memo.Paragraph(2).StartAttr().Level, -1);
}

TEST(MarkMemoStartStop, AnOpenRangeRunsOnUntilTheStatesAgree) {
    ShownMemo s;
    s.memo.StartStopKeys().AddStartStopKey("/*", "*/", 0, 1, 0, 0, 0, 0, false);
    s.memo.SetTextBuf("a /* b */ c\r\nd\r\ne");
    Replace(s.memo, 7, 9, "");
    EXPECT_EQ(s.memo.Paragraph(1).StartAttr().KeyStack[1], 32768);
    EXPECT_EQ(s.memo.Paragraph(2).StartAttr().KeyStack[1], 32768);
    EXPECT_EQ(s.memo.Paragraph(0).AttrCount(), 1);
    Replace(s.memo, 7, 7, "*/");
    EXPECT_EQ(s.memo.Paragraph(1).StartAttr().Level, -1);
    EXPECT_EQ(s.memo.Paragraph(2).StartAttr().Level, -1);
    EXPECT_EQ(s.memo.Paragraph(2).StartAttr().KeyStack[1], 0);
    EXPECT_EQ(s.memo.Paragraph(0).AttrCount(), 2);
    EXPECT_EQ(StoreProblem(s.memo), "");
}

TEST(MarkMemoStartStop, ARangeMayEndWithItsParagraph) {
    ShownMemo s;
    s.memo.StartStopKeys().AddStartStopKey("/*", "*/", 0, 1, 0, 0, 0, 0, true);
    s.memo.SetTextBuf("a /* b\r\nc");
    const auto& attrs = s.memo.Paragraph(0).Attrs;
    ASSERT_EQ(attrs.size(), 2u);
    EXPECT_EQ(attrs[1].Offset, 6);
    EXPECT_EQ(attrs[1].Level, -1);
    EXPECT_EQ(s.memo.Paragraph(1).StartAttr().Level, -1);
}

TEST(MarkMemoStartStop, RangeStopsKeywordsAndStartsInsideThem) {
    ShownMemo s;
    s.memo.Keywords().AddKeyWord("key", 1, 16, 1, 0, 0, 0);
    s.memo.StartStopKeys().AddStartStopKey("'", "'", 0, 2, 0, 0, 0, 0, false);
    s.memo.SetTextBuf("key 'key' key");
    auto records = KeywordRecords(s.memo.Paragraph(0));
    EXPECT_EQ(records.size(), 2u);  // none inside the quoted range
    for (const auto& r : records) EXPECT_TRUE(r.Offset == 0 || r.Offset == 10);
    EXPECT_EQ(StoreProblem(s.memo), "");
}

TEST(MarkMemoStartStop, WholeWordStartKeys) {
    ShownMemo s;
    s.memo.StartStopKeys().AddStartStopKey("rem", "end", 3, 1, 0, 0, 0, 0, true);
    s.memo.SetTextBuf("premise\r\nrem note end x");
    EXPECT_EQ(s.memo.Paragraph(0).AttrCount(), 0);
    const auto& attrs = s.memo.Paragraph(1).Attrs;
    ASSERT_EQ(attrs.size(), 2u);
    EXPECT_EQ(attrs[0].Offset, 0);
    EXPECT_EQ(attrs[0].KeyRemain, 4);  // the key and the separator it needs after it
    EXPECT_EQ(attrs[1].Offset, 12);
}

TEST(MarkMemoStartStop, TheStopKeyIsLookedForAfterTheSeparatorTheStartKeyClaims) {
    ShownMemo s;
    s.memo.StartStopKeys().AddStartStopKey("rem", " end", 3, 1, 0, 0, 0, 0, true);
    s.memo.SetTextBuf("rem end x");  // the blank after "rem" belongs to the start key
    const auto& attrs = s.memo.Paragraph(0).Attrs;
    ASSERT_EQ(attrs.size(), 1u);
    EXPECT_EQ(attrs[0].KeyRemain, 4);
}

// ---- edits against a fresh load ----

namespace {

// The highlighting a memo's records describe, paragraph by paragraph: the start state and each
// record with what it stores (not the in-memory flags).
std::string Highlighting(const TMarkMemo& memo) {
    std::string out;
    auto describe = [&](const TAttributeRec& a) {
        out += " " + std::to_string(a.Style) + "/" + std::to_string(a.Level) + "/" +
               std::to_string(a.Context) + "/" + std::to_string(a.Cursor) + "/" +
               std::to_string(a.BackColor) + "/" + std::to_string(a.TextColor) + "/" +
               std::to_string(a.KeyRemain) + "/" + std::to_string(a.KeyLength) + " keys";
        for (int l = 0; l <= std::min(a.Level + 1, 15); ++l)
            out += " " + std::to_string(a.KeyStack[l]);
        out += "\n";
    };
    for (int i = 0; i < memo.ParagraphCount(); ++i) {
        const TParagraphRec& par = memo.Paragraph(i);
        out += "paragraph " + std::to_string(i) + " \"" + par.Text + "\" starts";
        describe(par.StartAttr());
        for (const TAttributeRec& a : par.Attrs) {
            out += "  at " + std::to_string(a.Offset);
            describe(a);
        }
    }
    return out;
}

void AddHighlights(TMarkMemo& memo) {
    memo.Keywords().AddKeyWord("URL:", 1, 16, 1, 0, 0, 0);
    memo.Keywords().AddKeyWord("key", 0, 2, 3, 0, 0, 0);
    memo.StartStopKeys().AddStartStopKey("/*", "*/", 0, 1, 2, 0, 0, 0, false);
    memo.StartStopKeys().AddStartStopKey("'", "'", 0, 4, 4, 0, 0, 0, true);
}

// What a memo with the same keys shows after loading `memo`'s text.
std::string FreshHighlighting(const TMarkMemo& memo) {
    ShownMemo fresh;
    AddHighlights(fresh.memo);
    fresh.memo.SetTextBuf(memo.TextRange(0, memo.CharCount()));
    return Highlighting(fresh.memo);
}

}  // namespace

TEST(MarkMemoEdits, TextTypedAfterAKeywordAtTheEndIsPlain) {
    ShownMemo s;
    AddHighlights(s.memo);
    s.memo.SetTextBuf("see URL:");
    Replace(s.memo, 8, 8, "\r\n");
    Replace(s.memo, 10, 10, "plain");
    EXPECT_EQ(Highlighting(s.memo), FreshHighlighting(s.memo));
    EXPECT_EQ(s.memo.Paragraph(1).StartAttr().Context, 0);  // no keyword's context there
    s.memo.SetSelStart(12);
    EXPECT_EQ(s.memo.CurrentStyle(), 0);  // nor its style
    // a range opened after the keyword closes at its stop key
    s.memo.SetTextBuf("see URL:");
    for (const char* typed : {"/", "*", " a ", "*", "/", " b"})
        Replace(s.memo, s.memo.CharCount(), s.memo.CharCount(), typed);
    EXPECT_EQ(Highlighting(s.memo), FreshHighlighting(s.memo));
    EXPECT_EQ(s.memo.Paragraph(0).Attrs.back().Level, -1);
}

TEST(MarkMemoEdits, RecordsAfterRandomEditsMatchAFreshLoad) {
    const char* const pieces[] = {"URL:", "URL",  ":", "key",  "KEY",   "/*", "*/",
                                  "'",    "\r\n", " ", "see ", "plain", "x"};
    for (uint32_t seed = 1; seed <= 120; ++seed) {
        std::mt19937 random(seed);
        auto below = [&](uint32_t n) { return int32_t(random() % n); };
        ShownMemo s;
        AddHighlights(s.memo);
        s.memo.SetTextBuf("see URL:");
        for (int step = 0; step < 80; ++step) {
            const int32_t length = s.memo.CharCount();
            const int kind = below(10);
            const bool locked = seed % 2 == 0;  // every other run edits in a lock
            if (locked) s.memo.BeginUpdate();
            if (kind < 6) {  // mostly typing at the end, right after what was typed last
                const int32_t at = kind < 4 ? length : below(uint32_t(length) + 1);
                Replace(s.memo, at, at, pieces[below(std::size(pieces))]);
            } else if (kind < 9 && length > 0) {
                const int32_t from = below(uint32_t(length));
                Replace(s.memo, from, std::min(length, from + 1 + below(6)), "");
            } else {
                s.memo.Undo();
            }
            if (locked) s.memo.EndUpdate();
            ASSERT_EQ(Highlighting(s.memo), FreshHighlighting(s.memo))
                << "seed " << seed << ", step " << step;
        }
    }
}

// ---- background formatting ----

TEST(MarkMemoBackground, FormatsInSlicesAndReportsProgress) {
    TestWindow window;
    TMarkMemo memo;
    window.Attach(memo);
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "word word word word\r\n";
    std::vector<int> reported;
    memo.OnProgress = [&](TObject*) { reported.push_back(memo.Progress()); };
    memo.SetTextBuf(text);
    EXPECT_LT(memo.Progress(), 100);
    reported.clear();
    EXPECT_GE(window.RunPosted(), 1);
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported.back(), 100);
    EXPECT_EQ(std::count(reported.begin(), reported.end(), 100), 1);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_EQ(memo.LineCount(), 20001 + 20000);  // every paragraph broke into two lines
    EXPECT_EQ(StoreProblem(memo), "");
}

TEST(MarkMemoBackground, ImmediateModeFinishesTheRest) {
    TestWindow window;
    TMarkMemo memo;
    window.Attach(memo);
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "word word word word\r\n";
    memo.SetTextBuf(text);
    memo.SetUpdateMode(umImmediate);
    EXPECT_EQ(memo.Progress(), 100);
    EXPECT_EQ(memo.LineCount(), 4001);
    window.RunPosted();  // a slice posted before is harmless
    EXPECT_EQ(memo.LineCount(), 4001);
}

TEST(MarkMemoBackground, PendingSlicesOfADeletedMemoDoNothing) {
    TestWindow window;
    auto memo = std::make_unique<TMarkMemo>();
    window.Attach(*memo);
    memo->SetTextBuf("a\r\nb\r\nc");
    ASSERT_FALSE(window.posted.empty());
    memo.reset();
    EXPECT_EQ(window.RunPosted(), 1);
}

TEST(MarkMemoBackground, NothingIsFormattedWhileLocked) {
    TestWindow window;
    TMarkMemo memo;
    window.Attach(memo);
    memo.SetTextBuf("aaaa bbbb cccc");
    memo.BeginUpdate();
    window.RunPosted();
    EXPECT_FALSE(memo.ParagraphLines(0).Formatted);
    memo.EndUpdate();
    window.RunPosted();
    EXPECT_TRUE(memo.ParagraphLines(0).Formatted);
    EXPECT_EQ(memo.LineCount(), 2);
}

// ---- lines added in one update ----

namespace {

// Field lines added inside one update, with a bold name on yellow among them.
void FillFields(TMarkMemo& memo) {
    AddFieldKeywords(memo);
    memo.Clear();
    memo.Lines().BeginUpdate();
    memo.Lines().Add("");
    int32_t n = memo.CharCount();
    EXPECT_EQ(n, 2);  // the name range is [2, 9)
    std::string name = "Example";
    memo.Lines().Add(name);
    memo.ApplyDynStyle(n, n + int32_t(name.size()), 1, false, 0, 0, 0x0000FFFF, 0);
    for (const char* line : {"", "Size:Large", "", "Colour:5", "Long Name Tag:1,234", "",
                             "Name:", "http://x", "", "Weight:", "", "Shape:", ""})
        memo.Lines().Add(line);
    memo.Lines().EndUpdate();
}

void CheckFields(TMarkMemo& memo) {
    EXPECT_EQ(memo.Lines().Text(),
              "\r\nExample\r\n\r\nSize:Large\r\n\r\nColour:5\r\nLong Name Tag:1,234\r\n"
              "\r\nName:\r\nhttp://x\r\n\r\nWeight:\r\n\r\nShape:\r\n\r\n");
    EXPECT_EQ(memo.ParagraphCount(), 16);
    EXPECT_EQ(memo.Paragraphs().Count(), 15);
    const auto& name = memo.Paragraph(1).Attrs;
    ASSERT_EQ(name.size(), 2u);
    EXPECT_EQ(name[0].Offset, 0);
    EXPECT_EQ(name[0].Style, 0x81);
    EXPECT_EQ(name[0].Level, -1);
    EXPECT_EQ(name[0].BackColor, 0x0000FFFF);
    EXPECT_EQ(name[0].TextColor, 0);
    EXPECT_EQ(name[0].Context, 0);
    EXPECT_EQ(name[1].Offset, 7);
    EXPECT_EQ(name[1].Style, 0);  // the restore record
    EXPECT_EQ(name[1].Level, -1);
    struct Label {
        int par;
        int length;
        int key;
    };
    for (Label l : {Label{3, 5, 0}, {5, 7, 1}, {6, 14, 2}, {8, 5, 3}, {11, 7, 4}, {13, 6, 5}}) {
        const auto& attrs = memo.Paragraph(l.par).Attrs;
        ASSERT_EQ(attrs.size(), 2u) << l.par;
        EXPECT_EQ(attrs[0].Offset, 0);
        EXPECT_EQ(attrs[0].Style, 0xD0);
        EXPECT_EQ(attrs[0].Level, 0);
        EXPECT_EQ(attrs[0].Context, 1);
        EXPECT_EQ(attrs[0].KeyLength, l.length);
        EXPECT_EQ(attrs[0].KeyStack[1], l.key) << l.par;  // the keyword's place in the list
        EXPECT_EQ(attrs[1].Offset, l.length);
        EXPECT_EQ(attrs[1].Style, 0);
        EXPECT_EQ(attrs[1].Level, -1);
    }
    for (int p : {0, 1, 2, 4, 7, 9, 10, 12, 14, 15})
        EXPECT_TRUE(KeywordRecords(memo.Paragraph(p)).empty()) << p;
    EXPECT_EQ(StoreProblem(memo), "");
}

}  // namespace

TEST(MarkMemoFields, RecordsOfLinesAddedInOneUpdate) {
    TMarkMemo headless;
    FillFields(headless);
    CheckFields(headless);

    ShownMemo shown;
    shown.memo.EnableHotKeys = false;
    FillFields(shown.memo);
    CheckFields(shown.memo);
    EXPECT_EQ(shown.memo.TopLine(), 0);  // filled inside the lock: it opens at the top
}

TEST(MarkMemoFields, LaterLinesGetTheirKeywordsToo) {
    ShownMemo s;
    FillFields(s.memo);
    s.memo.Lines().Add("Long Name Tag:secret");
    s.memo.Lines().Add("");
    auto records = KeywordRecords(s.memo.Paragraph(15));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].KeyLength, 14);
    EXPECT_EQ(StoreProblem(s.memo), "");
}

TEST(MarkMemoFields, NameStyleLeavesLaterKeywordRecordsAlone) {
    ShownMemo s;
    FillFields(s.memo);
    std::string before = BinaryImage(s.memo);
    s.memo.ApplyDynStyle(2, 9, 1, false, 0, 0, 0x0000FFFF, 0);
    std::string after = BinaryImage(s.memo);
    // everything from paragraph 2 on is byte for byte the same
    size_t from = 16 + 20 + 36 + 2;  // header, paragraph 0 (one line, no records)
    EXPECT_EQ(before.substr(from + 20 + 36 + 2 * 56 + 7),
              after.substr(from + 20 + 36 + 2 * 56 + 7));
}

TEST(MarkMemoHighlighter, HooksAreCalledAndTheLinkIsUndoneEitherWay) {
    struct Counting : TMarkHighlighter {
        int before = 0;
        void BeforeKeywords(TMarkMemo&, int count) override { before += count; }
    };
    ShownMemo s;
    auto highlighter = std::make_unique<Counting>();
    s.memo.SetHighlighter(highlighter.get());
    EXPECT_EQ(highlighter->Memos().size(), 1u);
    s.memo.Keywords().AddKeyWord("k", 1, 1, 1, 0, 0, 0);
    s.memo.SetTextBuf("k\r\nk");
    EXPECT_GE(highlighter->before, 2);
    highlighter.reset();
    EXPECT_EQ(s.memo.Highlighter(), nullptr);
    auto other = std::make_unique<Counting>();
    {
        TMarkMemo memo;
        memo.SetHighlighter(other.get());
    }
    EXPECT_TRUE(other->Memos().empty());
}
