// The view state beside the document: what the document reports of its changes, the top line
// that keeps its text in view, and the layout width that the window's size sets.
#include <gtest/gtest.h>

#include <vector>

#include "MemoTestSupport.h"

namespace {

struct Report {
    int32_t pos, length, linesAdded;
};

class Recorder : public TMarkMemoObserver {
public:
    void DocumentChanged(int32_t pos, int32_t length, int32_t linesAdded) override {
        reports.push_back({pos, length, linesAdded});
    }
    std::vector<Report> reports;
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
    const Report typed = s.recorder.reports[0];
    EXPECT_LE(typed.pos, 7);
    EXPECT_GE(typed.pos + typed.length, 8);
    EXPECT_EQ(typed.linesAdded, 0);

    s.recorder.reports.clear();
    s.memo.SetSelText("\r\n");  // a new paragraph: one display line more
    ASSERT_EQ(s.recorder.reports.size(), 1u);
    EXPECT_EQ(s.recorder.reports[0].pos, 6);
    EXPECT_EQ(s.recorder.reports[0].linesAdded, 1);

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
