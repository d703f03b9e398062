// The paragraph list's derived offsets and a layout's line numbers against a plain reference,
// over random edit scripts large enough to split blocks: lookups by index, offset and line after
// each edit. The two lists take the same edits, as a view's layout follows its document.
#include <gtest/gtest.h>

#include <random>

#include "MemoTestSupport.h"

namespace {

// A plain list of (length, line count) with offsets summed on demand.
struct Reference {
    std::vector<std::pair<int32_t, int32_t>> sizes;
    std::vector<int64_t> starts, firstLines;
    void Sum() {
        starts.assign(sizes.size() + 1, 0);
        firstLines.assign(sizes.size() + 1, 0);
        for (size_t i = 0; i < sizes.size(); ++i) {
            starts[i + 1] = starts[i] + sizes[i].first + 2;
            firstLines[i + 1] = firstLines[i] + sizes[i].second;
        }
    }
    int IndexOf(const std::vector<int64_t>& bounds, int64_t value) const {
        auto it = std::upper_bound(bounds.begin(), bounds.end() - 1, value);
        return std::max(0, int(it - bounds.begin()) - 1);
    }
};

// A paragraph and its entry in the layout.
struct Pieces {
    std::vector<std::unique_ptr<TParagraphRec>> pars;
    std::vector<std::unique_ptr<TParagraphLines>> lines;
};

void AddPiece(Pieces& pieces, std::mt19937& rng, std::pair<int32_t, int32_t>* size) {
    auto par = std::make_unique<TParagraphRec>();
    par->Text.assign(size_t(rng() % 30), 'x');
    auto lines = std::make_unique<TParagraphLines>();
    lines->SetLineCount(1 + int(rng() % 4));
    *size = {par->Length(), lines->LineCount()};
    pieces.pars.push_back(std::move(par));
    pieces.lines.push_back(std::move(lines));
}

struct Lists {
    TParagraphsList pars;
    TLayoutLines lines;
    void Replace(int at, int count, Pieces& with) {
        pars.Replace(at, count, with.pars);
        lines.Replace(at, count, with.lines);
    }
};

void ExpectSame(const Lists& lists, Reference& ref, std::mt19937& rng, const std::string& step) {
    const TParagraphsList& list = lists.pars;
    ref.Sum();
    const int n = int(ref.sizes.size());
    ASSERT_EQ(list.Count(), n) << step;
    ASSERT_EQ(lists.lines.Count(), n) << step;
    ASSERT_EQ(list.TotalChars(), ref.starts[size_t(n)]) << step;
    ASSERT_EQ(lists.lines.TotalLines(), ref.firstLines[size_t(n)]) << step;
    auto check = [&](int i) {
        const TParagraphRec& par = list.Get(i);
        const TParagraphLines& lines = lists.lines.Get(i);
        ASSERT_EQ(par.Length(), ref.sizes[size_t(i)].first) << step << " at " << i;
        ASSERT_EQ(par.StartOffset(), ref.starts[size_t(i)]) << step << " at " << i;
        ASSERT_EQ(lines.FirstLine(), ref.firstLines[size_t(i)]) << step << " at " << i;
        ASSERT_EQ(list.IndexOf(par), i) << step;
        ASSERT_EQ(lists.lines.IndexOf(lines), i) << step;
    };
    // every paragraph in order (the sequential path), then random ones (the lookups)
    for (int i = 0; i < n; ++i) check(i);
    for (int k = 0; k < 200 && n > 0; ++k) {
        check(int(rng() % uint32_t(n)));
        const int64_t pos = int64_t(rng() % uint64_t(ref.starts[size_t(n)] + 5));
        ASSERT_EQ(list.IndexOfOffset(int32_t(pos)), std::min(n - 1, ref.IndexOf(ref.starts, pos)))
            << step << " offset " << pos;
        const int64_t line = int64_t(rng() % uint64_t(ref.firstLines[size_t(n)] + 3));
        ASSERT_EQ(lists.lines.IndexOfLine(int32_t(line)),
                  std::min(n - 1, ref.IndexOf(ref.firstLines, line)))
            << step << " line " << line;
    }
}

}  // namespace

TEST(ParagraphsList, RandomEditScriptsMatchAPlainList) {
    std::mt19937 rng(2024);
    Lists lists;
    Reference ref;
    for (int step = 0; step < 400; ++step) {
        const int n = lists.pars.Count();
        const int action = int(rng() % 6);
        std::string name = "step " + std::to_string(step) + " action " + std::to_string(action);
        if (action == 0 || n == 0) {  // a batch inserted, sometimes large enough to split
            const int at = n ? int(rng() % uint32_t(n + 1)) : 0;
            const int count = rng() % 8 == 0 ? 1500 + int(rng() % 1500) : 1 + int(rng() % 20);
            Pieces items;
            std::vector<std::pair<int32_t, int32_t>> sizes(size_t(count), {0, 0});
            for (int i = 0; i < count; ++i) AddPiece(items, rng, &sizes[size_t(i)]);
            lists.Replace(at, 0, items);
            ref.sizes.insert(ref.sizes.begin() + at, sizes.begin(), sizes.end());
        } else if (action == 1) {  // a range removed, sometimes across blocks
            const int at = int(rng() % uint32_t(n));
            const int count = std::min(n - at, rng() % 6 == 0 ? int(rng() % 3000) : int(rng() % 5));
            Pieces none;
            lists.Replace(at, count, none);
            ref.sizes.erase(ref.sizes.begin() + at, ref.sizes.begin() + at + count);
        } else if (action == 2) {  // a range replaced by a few
            const int at = int(rng() % uint32_t(n));
            const int count = std::min(n - at, int(rng() % 4));
            Pieces items;
            std::vector<std::pair<int32_t, int32_t>> sizes(rng() % 4, {0, 0});
            for (auto& size : sizes) AddPiece(items, rng, &size);
            lists.Replace(at, count, items);
            ref.sizes.erase(ref.sizes.begin() + at, ref.sizes.begin() + at + count);
            ref.sizes.insert(ref.sizes.begin() + at, sizes.begin(), sizes.end());
        } else if (action == 3) {  // paragraphs typed into and laid out again
            for (int k = 0; k < 10; ++k) {
                const int i = int(rng() % uint32_t(n));
                TParagraphRec& par = lists.pars.Get(i);
                TParagraphLines& lines = lists.lines.Get(i);
                par.Text.resize(size_t(rng() % 50), 'y');
                lines.SetLineCount(1 + int(rng() % 5));
                par.Resized();
                lines.Resized();
                ref.sizes[size_t(i)] = {par.Length(), lines.LineCount()};
            }
        } else if (action == 4) {  // appended one by one
            for (int k = 0, m = 1 + int(rng() % 700); k < m; ++k) {
                Pieces one;
                ref.sizes.emplace_back();
                AddPiece(one, rng, &ref.sizes.back());
                lists.pars.Add(std::move(*one.pars[0]));
                lists.lines.Add(std::move(*one.lines[0]));
            }
        } else {  // a copy put over a paragraph keeps its place
            const int i = int(rng() % uint32_t(n));
            TParagraphRec copy;
            copy.Text = "put";
            TParagraphLines lines;
            lines.SetLineCount(2);
            lists.pars.Put(i, copy);
            lists.lines.Put(i, lines);
            TParagraphRec back;
            lists.pars.GetCopy(i, back);
            ASSERT_EQ(back.Text, "put");
            ref.sizes[size_t(i)] = {3, 2};
        }
        ExpectSame(lists, ref, rng, name);
        if (HasFatalFailure()) return;
    }
    // a moved list answers for its paragraphs; the source is empty
    Lists moved;
    moved.pars = std::move(lists.pars);
    moved.lines = std::move(lists.lines);
    ExpectSame(moved, ref, rng, "moved");
    TParagraphsList& list = lists.pars;
    EXPECT_EQ(list.Count(), 0);  // NOLINT(bugprone-use-after-move): a moved list is empty
    list.SetCount(3);
    EXPECT_EQ(list.TotalChars(), 6);
    EXPECT_EQ(list.Get(2).StartOffset(), 4);
}

// Random edits through the memo, laid out with a measurer, checked after each edit against
// the plain text: paragraph starts and first lines, and navigator positions both ways.
TEST(ParagraphsList, MemoEditsKeepEveryPositionExact) {
    std::mt19937 rng(99);
    TestWindow window(90);
    TMarkMemo memo;
    memo.SetUpdateMode(umImmediate);
    window.Attach(memo);
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += std::string(rng() % 25, 'a') + (rng() % 4 ? " b" : "") + "\r\n";
    memo.SetTextBuf(text);
    static const char* const pieces[] = {"x",         "yy ", "\r\n", "a b c d e f g h i j k",
                                         "\r\nz\r\n", ""};
    TMarkNavigator nav(&memo);
    for (int step = 0; step < 300; ++step) {
        const int32_t at = int32_t(rng() % uint32_t(memo.CharCount() + 1));
        const int32_t length = rng() % 3 == 0 ? int32_t(rng() % 40) : 0;
        memo.SetSelStart(at);
        memo.SetSelLength(length);
        memo.SetSelText(pieces[rng() % 6]);
        ASSERT_EQ(StoreProblem(memo), "") << step;
        // the reference: offsets and lines summed from the paragraphs themselves
        int32_t offset = 0, line = 0;
        std::vector<int32_t> starts, lines;
        for (int i = 0; i < memo.ParagraphCount(); ++i) {
            const TParagraphRec& par = memo.Paragraph(i);
            starts.push_back(offset);
            lines.push_back(line);
            ASSERT_EQ(memo.ParagraphStart(i), offset) << step;
            offset += par.Length() + 2;
            line += memo.ParagraphLines(i).LineCount();
        }
        ASSERT_EQ(memo.CharCount(), offset - 2) << step;
        ASSERT_EQ(memo.LineCount(), line) << step;
        for (int k = 0; k < 20; ++k) {
            const int32_t pos = int32_t(rng() % uint32_t(memo.CharCount() + 2));
            nav.Reset();
            nav.SetPos(pos);
            const int p =
                int(std::upper_bound(starts.begin(), starts.end(), pos) - starts.begin()) - 1;
            ASSERT_EQ(nav.GetParNb(), p) << step << " pos " << pos;
            ASSERT_EQ(nav.GetOffset(), pos - starts[size_t(p)]) << step;
            const int32_t absLine = int32_t(rng() % uint32_t(memo.LineCount()));
            nav.SetAbsLine(absLine);
            const int q =
                int(std::upper_bound(lines.begin(), lines.end(), absLine) - lines.begin()) - 1;
            ASSERT_EQ(nav.GetParNb(), q) << step << " line " << absLine;
            const TParagraphLines& par = memo.ParagraphLines(q);
            ASSERT_EQ(nav.Pos(),
                      starts[size_t(q)] + par.Line(absLine - lines[size_t(q)]).StartOffset)
                << step << " line " << absLine;
            ASSERT_EQ(nav.GetAbsLine(), absLine) << step;
        }
    }
    // undoing everything gives the text back, with the same positions
    while (memo.CanUndo()) memo.Undo();
    EXPECT_EQ(StoreProblem(memo), "");
}
