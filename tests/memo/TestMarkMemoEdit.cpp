// Editing the memo: the splice, undo and redo, attribute ranges, toggles, blocks, and the
// random-edit invariant against a plain string model.
#include <gtest/gtest.h>

#include <random>
#include <type_traits>
#include <utility>

#include "MemoTestSupport.h"

namespace {

using Paragraphs = std::vector<std::string>;

void Insert(TMarkMemo& memo, int32_t at, const std::string& text) {
    memo.SetSelStart(at);
    memo.SetSelTextBuf(text);
}

void Replace(TMarkMemo& memo, int32_t from, int32_t to, const std::string& text) {
    memo.SetSelStart(from);
    memo.SetSelLength(to - from);
    memo.SetSelTextBuf(text);
}

}  // namespace

// A document alone, with no memo to show it: its edits are undone and observed, and what it
// hands out to read cannot be written.
TEST(MarkMemoDocument, EditsAloneThroughReplace) {
    static_assert(std::is_const_v<std::remove_reference_t<
                      decltype(std::declval<const TMarkMemoDocument&>().Paragraph(0))>>);
    static_assert(
        std::is_const_v<
            std::remove_reference_t<decltype(std::declval<const TMarkMemo&>().Paragraph(0))>>);
    struct Seen : TMarkMemoObserver {
        std::vector<TDocumentChange> changes;
        int ended = 0;
        void DocumentChanged(const TDocumentChange& change) override { changes.push_back(change); }
        void EditsEnded() override { ++ended; }
    } seen;
    TMarkMemoDocument doc;
    doc.AddObserver(&seen);
    doc.LoadText("one\r\ntwo", '\0');
    seen.changes.clear();
    EXPECT_EQ(doc.Replace(3, 5, " and "), 8);
    EXPECT_EQ(doc.TextRange(0, doc.CharCount()), "one and two");
    EXPECT_EQ(doc.ParagraphCount(), 1);
    ASSERT_EQ(seen.changes.size(), 1u);
    EXPECT_EQ(seen.changes[0].Pos, 3);
    EXPECT_EQ(seen.changes[0].Length, 5);
    EXPECT_EQ(seen.changes[0].Removed, 2);
    EXPECT_EQ(seen.changes[0].LinesAdded, -1);
    EXPECT_EQ(seen.ended, 1);
    doc.Undo();
    EXPECT_EQ(doc.TextRange(0, doc.CharCount()), "one\r\ntwo");
    EXPECT_EQ(doc.ParagraphCount(), 2);
    EXPECT_NO_THROW(doc.CheckOffsets("test"));
}

TEST(MarkMemoEdit, InsertedTextSplitsAtCarriageReturnsOnly) {
    TMarkMemo memo;
    Insert(memo, 0, "x\ny");
    EXPECT_EQ(ParagraphTexts(memo), (Paragraphs{"x\ny"}));
    memo.Clear();
    Insert(memo, 0, "x\r\ny");
    EXPECT_EQ(ParagraphTexts(memo), (Paragraphs{"x", "y"}));
    memo.Clear();
    Insert(memo, 0, "x\ry");
    EXPECT_EQ(ParagraphTexts(memo), (Paragraphs{"x", "y"}));
    memo.SetTextBuf("ab");
    Insert(memo, 1, "p\r\n");
    EXPECT_EQ(ParagraphTexts(memo), (Paragraphs{"ap", "b"}));
    EXPECT_EQ(memo.SelStart(), 4);
    EXPECT_EQ(StoreProblem(memo), "");
}

TEST(MarkMemoEdit, DeletingAcrossBreaksJoinsParagraphs) {
    TMarkMemo memo;
    memo.SetTextBuf("ab\r\ncd\r\nef");
    Replace(memo, 1, 9, "");
    EXPECT_EQ(ParagraphTexts(memo), (Paragraphs{"af"}));
    memo.SetTextBuf("ab\r\ncd");
    Replace(memo, 2, 4, "");  // the break as a whole
    EXPECT_EQ(ParagraphTexts(memo), (Paragraphs{"abcd"}));
    memo.SetTextBuf("ab\r\ncd");
    Replace(memo, 2, 3, "");  // up to the LF position: the whole break goes
    EXPECT_EQ(ParagraphTexts(memo), (Paragraphs{"abcd"}));
    EXPECT_EQ(StoreProblem(memo), "");
}

TEST(MarkMemoEdit, NavigatorsStayOnTheirCharacters) {
    TMarkMemo memo;
    memo.SetTextBuf("abcdef");
    TMarkNavigator before(&memo), inside(&memo), after(&memo);
    before.SetPos(1);
    inside.SetPos(3);
    after.SetPos(5);
    Replace(memo, 2, 4, "XYZ\r\nW");
    EXPECT_EQ(before.Pos(), 1);
    EXPECT_EQ(inside.Pos(), 2);
    EXPECT_EQ(after.Pos(), 9);
    EXPECT_EQ(after.Char(), 'f');
}

TEST(MarkMemoEdit, TypingMergesIntoOneUndoRecord) {
    TMarkMemo memo;
    for (const char* c : {"a", "b", "c"}) memo.SetSelText(c);
    EXPECT_EQ(memo.UndoCount(), 1);
    memo.Undo();
    EXPECT_EQ(SavedText(memo), "");
    EXPECT_FALSE(memo.CanUndo());
    memo.Redo();
    EXPECT_EQ(SavedText(memo), "abc");

    TMarkMemo moved;
    moved.SetSelText("a");
    moved.SetSelText("b");
    moved.SetSelStart(1);
    moved.SetSelStart(2);
    moved.SetSelText("c");
    EXPECT_EQ(moved.UndoCount(), 2);
    moved.Undo();
    EXPECT_EQ(SavedText(moved), "ab");
    moved.Undo();
    EXPECT_EQ(SavedText(moved), "");
}

TEST(MarkMemoEdit, UndoOfAPasteRestoresTextAndCaret) {
    TMarkMemo memo;
    memo.SetTextBuf("xy");
    Insert(memo, 1, "1\r\n2");
    EXPECT_EQ(SavedText(memo), "x1\r\n2y");
    memo.Undo();
    EXPECT_EQ(SavedText(memo), "xy");
    EXPECT_EQ(memo.SelStart(), 1);
    EXPECT_EQ(memo.SelLength(), 0);
    EXPECT_TRUE(memo.CanRedo());
    memo.Redo();
    EXPECT_EQ(SavedText(memo), "x1\r\n2y");
    EXPECT_FALSE(memo.CanRedo());
}

TEST(MarkMemoEdit, UndoSpaceLimitDropsEvenTheNewRecord) {
    TMarkMemo memo;
    memo.SetUndoMaxSpace(100);
    memo.SetTextBuf(std::string(200, 'x'));
    memo.SelectAll();
    memo.SetSelText("y");
    EXPECT_EQ(SavedText(memo), "y");
    EXPECT_FALSE(memo.CanUndo());
    memo.Undo();
    EXPECT_EQ(SavedText(memo), "y");
    EXPECT_EQ(memo.UndoSize(), 0);
}

TEST(MarkMemoEdit, UndoLevelTrimsOnlyWhenSet) {
    TMarkMemo memo;
    for (int i = 0; i < 300; ++i) {
        memo.SetSelStart(0);
        memo.SetSelText("x");
    }
    EXPECT_EQ(memo.UndoCount(), 300);
    memo.SetUndoMaxLevel(10);
    int undone = 0;
    while (memo.CanUndo()) {
        memo.Undo();
        ++undone;
    }
    EXPECT_EQ(undone, 10);
    EXPECT_EQ(memo.CharCount(), 290);
}

TEST(MarkMemoEdit, LinkedRecordsAreUndoneTogether) {
    TMarkMemo memo;
    memo.SetTextBuf("abcdef");
    Replace(memo, 0, 3, "");  // a drag-move: delete, then insert, as one step
    Insert(memo, 3, "abc");
    memo.LinkLastUndo();
    EXPECT_EQ(SavedText(memo), "defabc");
    memo.Undo();
    EXPECT_EQ(SavedText(memo), "abcdef");
    memo.Redo();
    EXPECT_EQ(SavedText(memo), "defabc");
}

TEST(MarkMemoEdit, FormatToggleSurroundsTheSelection) {
    TMarkMemo memo;
    memo.SetTextBuf("word");
    memo.SetSelStart(4);
    memo.SetSelLength(-4);
    memo.ToggleBold();
    EXPECT_EQ(memo.Paragraph(0).Text,
              "\x02"
              "word\x02");
    EXPECT_EQ(memo.SelStart(), 5);
    EXPECT_EQ(memo.SelLength(), -4);

    TMarkMemo empty;
    empty.ToggleBold();
    EXPECT_EQ(empty.Paragraph(0).Text, "\x02\x02");
    EXPECT_EQ(empty.SelStart(), 1);
    empty.SetSelText("b");
    EXPECT_EQ(empty.CurrentStyle(), msBold);

    TMarkMemo plain;
    plain.SetStaticFormat(false);
    plain.ToggleBold();
    EXPECT_EQ(plain.CharCount(), 0);
}

TEST(MarkMemoEdit, ReplacingAnUnpairedCodeAppendsItsReversal) {
    TMarkMemo memo;
    memo.SetTextBuf(
        "a\x02"
        "bc\x02"
        "d");
    Replace(memo, 0, 3, "X");
    EXPECT_EQ(memo.Paragraph(0).Text,
              "X\x02"
              "c\x02"
              "d");
    memo.Undo();
    EXPECT_EQ(memo.Paragraph(0).Text,
              "a\x02"
              "bc\x02"
              "d");
    memo.Redo();
    EXPECT_EQ(memo.Paragraph(0).Text,
              "X\x02"
              "c\x02"
              "d");
    // several codes come back in a fixed order
    memo.SetTextBuf(
        "\x02\x15\x01"
        "x");
    Replace(memo, 0, 3, "");
    EXPECT_EQ(memo.Paragraph(0).Text,
              "\x15\x01\x02"
              "x");
}

TEST(MarkMemoEdit, InsertedCodesRestyleTheFollowingParagraphs) {
    TMarkMemo memo;
    memo.SetTextBuf("a\r\nb\r\nc");
    Insert(memo, 1, "\x02");
    EXPECT_EQ(memo.Paragraph(1).StartStyle, msBold);
    EXPECT_EQ(memo.Paragraph(2).StartStyle, msBold);
    EXPECT_EQ(memo.ParagraphLines(2).Line0.StartStyle, msBold);
    memo.Undo();
    EXPECT_EQ(memo.Paragraph(2).StartStyle, 0);
    EXPECT_EQ(memo.ParagraphLines(2).Line0.StartStyle, 0);
}

TEST(MarkMemoEdit, DynamicStyleKeepsTheTextAfterItsRange) {
    TMarkMemo memo;
    memo.SetTextBuf("abcdefghij");
    memo.ApplyDynStyle(2, 8, msItalic, false, 0, 0, 0x0000FFFF, 0);
    memo.ApplyDynStyle(4, 6, msBold, false, 7, 0, 0x00FF0000, 0);
    const auto& attrs = memo.Paragraph(0).Attrs;
    ASSERT_EQ(attrs.size(), 4u);
    EXPECT_EQ(attrs[1].Offset, 4);
    EXPECT_EQ(attrs[1].Context, 7);
    EXPECT_EQ(attrs[2].Offset, 6);
    EXPECT_EQ(attrs[2].Style, msDynamic | msItalic);  // the outer range goes on
    EXPECT_EQ(attrs[3].Offset, 8);
    EXPECT_EQ(attrs[3].Style, 0);
    // clamped and moved off break positions; an empty range does nothing
    memo.SetTextBuf("ab\r\ncd");
    memo.ApplyDynStyle(-5, 3, msBold, false, 0, 0, 1, 0);
    EXPECT_EQ(memo.Paragraph(0).AttrCount(), 2);
    EXPECT_EQ(memo.Paragraph(0).Attrs[1].Offset, 2);
    memo.ApplyDynStyle(5, 500, msBold, false, 0, 0, 1, 0);
    EXPECT_EQ(memo.Paragraph(1).AttrCount(), 1);  // no restore at the end of the text
    memo.ApplyDynStyle(3, 2, msBold, false, 0, 0, 1, 0);
    EXPECT_EQ(StoreProblem(memo), "");
}

TEST(MarkMemoEdit, TypingAtARecordBoundaryTakesTheLeftState) {
    TMarkMemo memo;
    memo.SetTextBuf("abcdef");
    memo.ApplyDynStyle(2, 4, msBold, false, 0, 0, 1, 0);
    Insert(memo, 4, "X");  // at the end of the bold range: bold
    Insert(memo, 2, "Y");  // at its start: plain
    const auto& attrs = memo.Paragraph(0).Attrs;
    ASSERT_EQ(attrs.size(), 2u);
    EXPECT_EQ(attrs[0].Offset, 3);
    EXPECT_EQ(attrs[1].Offset, 6);
    // deleting the record's start keeps the rest of its range
    Replace(memo, 2, 4, "");
    ASSERT_EQ(attrs.size(), 2u);
    EXPECT_EQ(attrs[0].Offset, 2);
    EXPECT_EQ(attrs[0].Style, 0x81);
    EXPECT_EQ(attrs[1].Offset, 4);
}

TEST(MarkMemoEdit, SplittingAParagraphCarriesADynamicRange) {
    TMarkMemo memo;
    memo.SetTextBuf("abcdefgh");
    memo.ApplyDynStyle(2, 6, msBold, false, 0, 0, 1, 0);
    Insert(memo, 4, "\r\n");
    EXPECT_EQ(memo.Paragraph(1).StartAttr().Style, 0x81);
    ASSERT_EQ(memo.Paragraph(1).AttrCount(), 1);
    EXPECT_EQ(memo.Paragraph(1).Attrs[0].Offset, 2);
    EXPECT_EQ(StoreProblem(memo), "");
}

TEST(MarkMemoEdit, ColumnBlocks) {
    TMarkMemo memo;
    memo.SetTextBuf("abcdefgh");
    memo.SetSelStart(4);
    memo.PasteBlock("11\r\n22\r\n33\r\n");
    EXPECT_EQ(ParagraphTexts(memo), (Paragraphs{"abcd11efgh", "    22", "    33"}));
    memo.SetBlockSelection(4, 24, 4, 6);
    EXPECT_EQ(memo.BlockText(), "11\r\n22\r\n33\r\n");
    memo.ClearSelection();
    EXPECT_EQ(ParagraphTexts(memo), (Paragraphs{"abcdefgh", "    ", "    "}));
    EXPECT_EQ(StoreProblem(memo), "");
    // a column inside a tab: after the tab
    memo.SetTextBuf("a\tb\r\nx");
    memo.SetSelStart(2);
    memo.PasteBlock("Q");
    EXPECT_EQ(memo.Paragraph(0).Text, "a\tQb");
}

TEST(MarkMemoEdit, BeforeChangeMayReplaceTheText) {
    TMarkMemo memo;
    memo.OnBeforeChange = [](TObject*, std::string& text) {
        if (text == "a") text = "A!";
    };
    memo.SetSelText("a");
    EXPECT_EQ(SavedText(memo), "A!");
}

TEST(MarkMemoEdit, ConsistencyCheckNamesTheFault) {
    TMarkMemo memo;
    memo.SetTextBuf("ab\r\ncd");
    EXPECT_NO_THROW(memo.CheckLines());
    memo.ParagraphLines(1).Line0.EndOffset = 1;
    try {
        memo.CheckLines();
        FAIL();
    } catch (const EMarkMemoError& e) {
        EXPECT_EQ(e.Message, "Error 4 in " + memo.Version());
    }
    memo.ParagraphLines(1).Line0.EndOffset = 2;
    // a paragraph that grew without telling its list: the next one's offset is stale
    StoreRecord(memo, 0).Text += "xyz";
    memo.ParagraphLines(0).Line0.EndOffset = 5;
    try {
        memo.CheckLines();
        FAIL();
    } catch (const EMarkMemoError& e) {
        EXPECT_EQ(e.Message, "Error 2 in " + memo.Version());
    }
}

// ---- the random-edit invariant ----

namespace {

// The plain text with the memo's edit rules: a lone CR becomes a break, unpaired codes in
// replaced text get their reversal (with static format), toggles surround.
class ReferenceText {
public:
    explicit ReferenceText(bool staticFormat) : static_(staticFormat) {}
    std::string text;

    // Moves a position off an LF that belongs to a break.
    int32_t Snap(int32_t pos, bool up) const {
        if (pos > 0 && pos < int32_t(text.size()) && text[size_t(pos)] == '\n' &&
            text[size_t(pos - 1)] == '\r')
            return up ? pos + 1 : pos - 1;
        return pos;
    }
    int32_t Replace(int32_t a, int32_t b, std::string t, bool reverse = true) {
        std::string replaced = text.substr(size_t(a), size_t(b - a));
        if (static_ && reverse) {
            uint8_t changed = AdvanceStaticStyle(0, replaced);
            for (unsigned char code : {fcUnderline, fcItalic, fcBold, fcHighlight, fcAltFont})
                if (changed & FormatCodeBit(code)) t += char(code);
        }
        std::string normal;
        for (size_t i = 0; i < t.size(); ++i) {
            normal += t[i];
            if (t[i] == '\r' && (i + 1 >= t.size() || t[i + 1] != '\n')) normal += '\n';
        }
        text.replace(size_t(a), size_t(b - a), normal);
        return a + int32_t(normal.size());
    }

private:
    bool static_;
};

std::string RawText(const TMarkMemo& memo) {
    std::string out;
    for (int i = 0; i < memo.ParagraphCount(); ++i) {
        if (i) out += "\r\n";
        out += memo.Paragraph(i).Text;
    }
    return out;
}

void RunRandomEdits(bool staticFormat, bool withWindow, unsigned seed, int steps) {
    std::mt19937 rng(seed);
    TMarkMemo memo;
    TestWindow window;
    memo.SetStaticFormat(staticFormat);
    memo.SetUndoMaxSpace(1 << 30);
    memo.SetUpdateMode(umImmediate);
    if (withWindow) {
        window.Attach(memo);
        memo.Keywords().AddKeyWord("ab", 1, msBold, 1, 0, 0, 0);
        memo.Keywords().AddKeyWord("c d", 3, msItalic, 2, 0, 0, 0);
    }
    ReferenceText ref(staticFormat);
    std::vector<std::pair<std::string, std::string>> history;  // text before and after a record
    auto pick = [&](int n) { return int(rng() % uint32_t(n)); };
    int undos = 0, redos = 0;
    auto randomText = [&] {
        static const char* const bits[] = {"a",    "b",  "c",   " ",    "d",    "\t",
                                           "\r\n", "\r", "ab ", "\x02", "\x01", "xyz"};
        std::string t;
        int n = 1 + pick(4);
        for (int i = 0; i < n; ++i) t += bits[pick(staticFormat ? 12 : 9)];
        return t;
    };
    for (int step = 0; step < steps; ++step) {
        const int32_t size = int32_t(ref.text.size());
        const std::string before = ref.text;
        const int position = memo.UndoPosition();
        int op = pick(12);
        std::string what;
        if (op <= 3) {  // insert, or type at the caret
            int32_t at = ref.Snap(pick(size + 1), false);
            std::string t = op == 0 ? std::string(1, "abc "[pick(4)]) : randomText();
            if (op == 0 && pick(2)) at = ref.Snap(memo.SelStart(), false);
            memo.SetSelStart(at);
            memo.SetSelTextBuf(t);
            ref.Replace(at, at, t);
            what = "insert";
        } else if (op <= 5) {  // delete or replace a range
            int32_t a = ref.Snap(pick(size + 1), false);
            int32_t b = ref.Snap(std::min(size, a + pick(12)), true);
            std::string t = op == 5 ? randomText() : "";
            memo.SetSelStart(a);
            memo.SetSelLength(b - a);
            if (b > a || !t.empty()) {
                memo.SetSelTextBuf(t);
                ref.Replace(a, b, t);
            }
            what = "replace";
        } else if (op == 6) {
            int32_t a = pick(size + 2), b = pick(size + 2);
            memo.ApplyDynStyle(a, b, uint8_t(pick(64)), pick(2), int16_t(pick(3)), 0, 0x0000FFFF,
                               0);
            what = "style";
        } else if (op == 7) {
            int32_t a = ref.Snap(pick(size + 1), false);
            int32_t b = ref.Snap(std::min(size, a + pick(6)), true);
            memo.SetSelStart(a);
            memo.SetSelLength(b - a);
            const char code = "\x01\x02\x03\x04\x15"[pick(5)];
            memo.ToggleFormat((unsigned char)code);
            if (staticFormat) {
                std::string inner = ref.text.substr(size_t(a), size_t(b - a));
                ref.Replace(a, b, code + inner + code, false);
            }
            what = "toggle";
        } else if (op <= 9) {
            if (memo.CanUndo()) {
                int p = memo.UndoPosition();
                memo.Undo();
                ++undos;
                ASSERT_EQ(memo.UndoPosition(), p - 1);
                ref.text = history[size_t(p - 1)].first;
            }
            what = "undo";
        } else {
            if (memo.CanRedo()) {
                int p = memo.UndoPosition();
                memo.Redo();
                ++redos;
                ref.text = history[size_t(p)].second;
            }
            what = "redo";
        }
        if (what != "undo" && what != "redo") {
            if (memo.UndoPosition() == position + 1) {
                history.resize(size_t(position));
                history.emplace_back(before, ref.text);
            } else if (memo.UndoPosition() == position && position > 0 && ref.text != before) {
                history[size_t(position - 1)].second = ref.text;  // merged typing
            }
        }
        ASSERT_EQ(StoreProblem(memo), "") << "step " << step << " " << what;
        if (staticFormat)
            ASSERT_EQ(RawText(memo), ref.text) << "step " << step << " " << what;
        else
            ASSERT_EQ(SavedText(memo), ref.text) << "step " << step << " " << what;
        ASSERT_EQ(memo.CharCount(), int32_t(ref.text.size()));
    }
    // the sequence really exercised the undo list and built up text
    EXPECT_GT(undos, 10);
    EXPECT_GT(redos, 5);
    EXPECT_GT(memo.ParagraphCount(), 3);
}

}  // namespace

TEST(MarkMemoInvariant, RandomEditsHeadless) {
    for (unsigned seed : {1u, 2u, 3u}) RunRandomEdits(false, false, seed, 2000);
}

TEST(MarkMemoInvariant, RandomEditsWithStaticCodes) {
    for (unsigned seed : {4u, 5u}) RunRandomEdits(true, false, seed, 2000);
}

TEST(MarkMemoInvariant, RandomEditsLaidOutAndHighlighted) {
    for (unsigned seed : {6u, 7u}) RunRandomEdits(true, true, seed, 2000);
}

TEST(MarkMemoEdit, DiscardingTrailingBlanks) {
    TMarkMemo memo;
    memo.SetOptions(memo.Options() | pmoDiscardTrailingSpaces);
    memo.SetTextBuf("ab  \r\ncd");
    EXPECT_EQ(memo.Paragraph(0).Text, "ab");
    memo.SetSelStart(2);
    memo.SetSelText("  ");  // blanks at a paragraph's end do not stay
    EXPECT_EQ(memo.Paragraph(0).Text, "ab");
    memo.SetSelText("x \r\ny");
    EXPECT_EQ(ParagraphTexts(memo), (Paragraphs{"abx", "y", "cd"}));
}
