// The view state beside the document: what the document reports of its changes, the top line
// that keeps its text in view, the layout width that the window's size sets, and two memos
// showing one document.
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "MemoTestSupport.h"

namespace {

class Recorder : public TMarkMemoObserver {
public:
    void DocumentChanged(const TDocumentChange& change) override { reports.push_back(change); }
    void EditsEnded() override { ++ended; }
    std::vector<TDocumentChange> reports;
    int ended = 0;
};

struct Shown {
    TestWindow window;
    TMarkMemo memo;
    Recorder recorder;
    Shown() {
        memo.SetUpdateMode(umImmediate);
        window.Attach(memo);
        memo.AddObserver(&recorder);
    }
};

std::string Lines(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += "line " + std::to_string(i) + "\r\n";
    return text;
}

}  // namespace

TEST(MarkMemoView, AnEditReportsItsRangeAndTheLinesItAdded) {
    Shown s;
    s.memo.SetTextBuf("aaaa\r\nbbbb\r\ncccc");
    s.recorder.reports.clear();
    s.memo.SetSelStart(7);
    s.memo.SetSelText("x");
    ASSERT_EQ(s.recorder.reports.size(), 1u);
    const TDocumentChange typed = s.recorder.reports[0];
    EXPECT_EQ(typed.Pos, 7);
    EXPECT_EQ(typed.Length, 1);
    EXPECT_EQ(typed.Removed, 0);
    EXPECT_EQ(typed.LinesAdded, 0);
    EXPECT_EQ(s.recorder.ended, 1);

    s.recorder.reports.clear();
    s.memo.SetSelStart(6);
    s.memo.SetSelLength(3);
    s.memo.SetSelText("\r\n");  // "bxb" goes, a new paragraph comes
    ASSERT_EQ(s.recorder.reports.size(), 1u);
    EXPECT_EQ(s.recorder.reports[0].Pos, 6);
    EXPECT_EQ(s.recorder.reports[0].Removed, 3);
    EXPECT_EQ(s.recorder.reports[0].LinesAdded, 1);

    s.recorder.reports.clear();
    s.memo.ApplyDynStyle(0, 2, msBold, false, 0, 0, 0, 0);  // only the look
    ASSERT_EQ(s.recorder.reports.size(), 1u);
    EXPECT_FALSE(s.recorder.reports[0].Text);
    EXPECT_EQ(s.recorder.reports[0].Pos, 0);

    s.recorder.reports.clear();
    s.memo.RemoveObserver(&s.recorder);
    s.memo.SetSelText("y");
    EXPECT_TRUE(s.recorder.reports.empty());
}

TEST(MarkMemoView, LinesAddedAboveTheTopKeepTheTextInView) {
    Shown s;
    s.memo.SetTextBuf(Lines(40));
    const int lh = s.memo.LineHeightPx();
    s.memo.SetVScroll(10 * lh + 3);
    ASSERT_EQ(s.memo.TopLine(), 10);
    // edits by code inside an update lock: the caret is not brought into view
    s.memo.BeginUpdate();
    s.memo.SetSelStart(0);
    s.memo.SetSelText("\r\n\r\n");  // above the top: the same text stays at the top
    s.memo.EndUpdate();
    EXPECT_EQ(s.memo.TopLine(), 12);
    EXPECT_EQ(s.memo.VScroll(), 12 * lh + 3);
    EXPECT_EQ(s.memo.LineText(s.memo.TopLine()), "line 10");

    s.memo.BeginUpdate();
    s.memo.SetSelStart(s.memo.ParagraphStart(30));
    s.memo.SetSelText("\r\n");  // below the top: nothing moves
    s.memo.EndUpdate();
    EXPECT_EQ(s.memo.TopLine(), 12);

    s.memo.SetSelStart(s.memo.ParagraphStart(1));
    s.memo.SetSelLength(s.memo.ParagraphStart(4) - s.memo.ParagraphStart(1));
    s.memo.BeginUpdate();
    s.memo.ClearSelection();  // three lines fewer above the top
    s.memo.EndUpdate();
    EXPECT_EQ(s.memo.TopLine(), 9);
    EXPECT_EQ(s.memo.LineText(s.memo.TopLine()), "line 10");
}

TEST(MarkMemoView, TheClientSizeIsTheLayoutWidth) {
    Shown s;
    s.memo.SetTextBuf("aaaa bbbb cccc");
    EXPECT_EQ(s.memo.View().ClientWidth, 120);
    EXPECT_EQ(s.memo.LineCount(), 2);
    s.memo.SetClientSize(200, 160);
    EXPECT_EQ(s.memo.LineCount(), 1);
    EXPECT_EQ(s.memo.VisibleLines(), 160 / s.memo.LineHeightPx() + 1);
    s.memo.SetClientSize(60, 160);
    EXPECT_EQ(s.memo.LineCount(), 3);
}

TEST(MarkMemoView, SelectionAndLookLiveInTheView) {
    Shown s;
    s.memo.SetTextBuf("abcdef");
    s.memo.SetSelStart(4);
    s.memo.SetSelLength(-3);
    EXPECT_EQ(s.memo.View().SelFirst(), 1);
    EXPECT_EQ(s.memo.View().SelLast(), 4);
    s.memo.SetOverwrite(true);
    s.memo.SetCaretWidth(-2);
    s.memo.SetSelBackColor(clRed);
    EXPECT_TRUE(s.memo.View().Overwrite);
    EXPECT_EQ(s.memo.CaretWidth(), 0);
    EXPECT_EQ(s.memo.View().SelBackColor, clRed);
    s.memo.SetTextBuf("new text");  // a new text: no selection, at the top
    EXPECT_EQ(s.memo.SelStart(), 0);
    EXPECT_EQ(s.memo.SelLength(), 0);
    EXPECT_TRUE(s.memo.Overwrite());
}

// Two memos of different widths show one document: each keeps its own lines, caret and
// selection through the other's edits, undo and redo, and matches a memo laid out afresh.
TEST(MarkMemoView, TwoMemosShowOneDocument) {
    Shown wide;
    TestWindow narrowWindow(60, 160);
    TMarkMemo narrow;
    narrow.SetUpdateMode(umImmediate);
    narrowWindow.Attach(narrow);
    narrow.ShowDocumentOf(wide.memo);
    EXPECT_EQ(&narrow.Document(), &wide.memo.Document());
    wide.memo.Keywords().AddKeyWord("key", 1, msBold, 1, 0, 0, 0);
    wide.memo.SetTextBuf("aaaa bbbb cccc\r\nkey dddd\r\neeee");

    // what a memo of the same width shows when it lays the same text out alone
    auto fresh = [](TMarkMemo& memo, int width) {
        TestWindow window(width, 160);
        TMarkMemo alone;
        alone.SetUpdateMode(umImmediate);
        window.Attach(alone);
        alone.Keywords().AddKeyWord("key", 1, msBold, 1, 0, 0, 0);
        alone.SetTextBuf(SavedText(memo));
        return LineShapes(alone);
    };
    auto consistent = [&](const std::string& step) {
        EXPECT_EQ(StoreProblem(wide.memo), "") << step;
        EXPECT_EQ(StoreProblem(narrow), "") << step;
        EXPECT_EQ(LineShapes(wide.memo), fresh(wide.memo, 120)) << step;
        EXPECT_EQ(LineShapes(narrow), fresh(narrow, 60)) << step;
        EXPECT_NE(wide.memo.LineCount(), narrow.LineCount()) << step;
    };
    consistent("loaded");
    EXPECT_EQ(narrow.LineText(1), "bbbb ");

    narrow.SetSelStart(wide.memo.ParagraphStart(2) + 2);  // in "eeee"
    wide.memo.SetSelStart(5);
    wide.memo.SetSelText("xxxxxxxxxx\r\n");  // typed in one memo...
    consistent("typed");
    EXPECT_EQ(narrow.SelStart(), wide.memo.ParagraphStart(3) + 2);  // ...the other's caret stays
    EXPECT_EQ(narrow.TextRange(narrow.SelStart(), narrow.SelStart() + 2), "ee");

    narrow.SetSelStart(0);
    narrow.SetSelLength(4);
    narrow.ClearSelection();  // edited in the other
    consistent("deleted");
    EXPECT_EQ(SavedText(wide.memo), " xxxxxxxxxx\r\nbbbb cccc\r\nkey dddd\r\neeee");

    wide.memo.Undo();
    consistent("undone");
    narrow.Undo();  // one undo list for both
    consistent("undone twice");
    EXPECT_EQ(SavedText(narrow), "aaaa bbbb cccc\r\nkey dddd\r\neeee");
    EXPECT_TRUE(narrow.Paragraph(1).Attrs.size() > 0);  // the keyword is highlighted again
    narrow.Redo();
    consistent("redone");
    EXPECT_EQ(SavedText(wide.memo), "aaaa xxxxxxxxxx\r\nbbbb cccc\r\nkey dddd\r\neeee");

    // the memo that made a document goes; the document stays with the one that shows it
    auto maker = std::make_unique<TMarkMemo>();
    maker->SetTextBuf("one\r\ntwo");
    TMarkMemo shower;
    shower.ShowDocumentOf(*maker);
    EXPECT_EQ(shower.LineCount(), 2);  // headless: a line a paragraph
    maker.reset();
    shower.SetSelStart(3);
    shower.SetSelText("!");
    EXPECT_EQ(SavedText(shower), "one!\r\ntwo");
    EXPECT_EQ(StoreProblem(shower), "");
}

// A text loaded through one memo starts every view of the document at its top.
TEST(MarkMemoView, ALoadPutsEveryViewAtTheTop) {
    Shown loader;
    Shown other;
    other.memo.ShowDocumentOf(loader.memo);
    const std::vector<std::pair<const char*, std::function<void()>>> loads = {
        {"SetTextBuf", [&] { loader.memo.SetTextBuf("short\r\ntext"); }},
        {"Clear", [&] { loader.memo.Clear(); }},
        {"Lines.SetText", [&] { loader.memo.Lines().SetText("short\r\ntext"); }},
        {"LoadBinary",
         [&] {
             TestWindow window;
             TMarkMemo image;
             image.SetUpdateMode(umImmediate);
             window.Attach(image);
             image.SetTextBuf("short\r\ntext");
             LoadImage(loader.memo, BinaryImage(image));
         }},
    };
    for (const auto& [name, load] : loads) {
        loader.memo.SetTextBuf(Lines(80));
        other.memo.SetVScroll(40 * other.memo.LineHeightPx());
        other.memo.SetSelStart(other.memo.ParagraphStart(41) + 2);
        ASSERT_EQ(other.memo.TopLine(), 40);
        load();
        EXPECT_EQ(other.memo.TopLine(), 0) << name;
        EXPECT_EQ(other.memo.VScroll(), 0) << name;
        EXPECT_EQ(other.memo.SelStart(), 0) << name;
        EXPECT_EQ(other.memo.SelLength(), 0) << name;
    }
}
