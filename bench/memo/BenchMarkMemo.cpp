// Loading and laying out large texts in the memo, set against QPlainTextEdit's wrapped layout,
// and typing one character in the middle of 1, 10 and 100 MiB in both, in the same run.
//
// What differs from the Qt editor: the memo holds 8-bit text and measures it from a width table
// per font and style (no shaping, no bidirectional text); QPlainTextEdit holds UTF-16 and shapes
// each changed block. Both wrap at the same width with the same font, and both keep an undo
// record of the typing. Compare ratios within one run, not times across machines.
#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

#include <algorithm>
#include <chrono>

#include <functional>
#include <memory>
#include <random>
#include <string>

#include "MarkMemo.h"
#include "platform/TextMetrics.h"

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

constexpr int kWidth = 800;
const char* const kFontName = "DejaVu Sans";
constexpr int kFontPixels = 13;

// Lines of about 80 characters; every 64th paragraph is a long one of 50 such lines.
std::string MakeText(size_t bytes) {
    static const char* const words[] = {
        "the", "memo",    "lays", "out",      "paragraphs", "into", "display", "lines", "quickly",
        "and", "exactly", "as",   "painting", "expects",    "with", "tabs",    "and",   "codes"};
    std::mt19937 rng(42);
    std::string text;
    text.reserve(bytes + 200);
    int paragraph = 0;
    while (text.size() < bytes) {
        size_t target = (++paragraph % 64 == 0) ? 4000 : 80;
        size_t start = text.size();
        while (text.size() - start < target) {
            text += words[rng() % (sizeof words / sizeof *words)];
            text += ' ';
        }
        text += "\r\n";
    }
    return text;
}

const std::string& Text(int mib) {
    static std::string one = MakeText(1 << 20);
    static std::string ten = MakeText(10 << 20);
    static std::string hundred;
    if (mib == 100 && hundred.empty()) hundred = MakeText(100 << 20);
    return mib == 1 ? one : mib == 10 ? ten : hundred;
}

// A shown window of the benchmark's width, measuring with the screen's fonts.
class BenchWindow : public TMarkMemoHost {
public:
    bool WindowExists() const override { return true; }
    TTextMeasurer* Measurer() override { return measurer_.get(); }
    void Post(std::function<void()> work) override { work(); }

private:
    std::unique_ptr<TTextMeasurer> measurer_ = CreateScreenTextMeasurer();
};

std::unique_ptr<TMarkMemo> NewMemo(BenchWindow& window) {
    auto memo = std::make_unique<TMarkMemo>();
    memo->Font().SetName(kFontName);
    memo->Font().SetHeight(-kFontPixels);
    memo->SetUpdateMode(umImmediate);
    memo->SetClientSize(kWidth, 600);
    memo->SetHost(&window);
    return memo;
}

// The Qt editor shown with the memo's font, wrapping at the memo's width.
void ShowEditor(QPlainTextEdit& edit) {
    QFont font(kFontName);
    font.setPixelSize(kFontPixels);
    edit.setFont(font);
    edit.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edit.resize(kWidth + 2 * edit.frameWidth() + 30, 600);
    edit.show();
    QCoreApplication::processEvents();
}

void BM_MemoLoadAndLayout(benchmark::State& state) {
    const std::string& text = Text(int(state.range(0)));
    BenchWindow window;
    for (auto _ : state) {
        auto memo = NewMemo(window);
        memo->SetTextBuf(text);  // loads and lays out every paragraph at once
        benchmark::DoNotOptimize(memo->LineCount());
        state.PauseTiming();
        memo.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_MemoLoadAndLayout)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_PlainTextEditLayout(benchmark::State& state) {
    const QString text = QString::fromLatin1(Text(int(state.range(0))).c_str());
    QPlainTextEdit edit;
    ShowEditor(edit);
    for (auto _ : state) {
        edit.setPlainText(text);
        // lay out every block, as the memo does, rather than only what is on screen
        auto* layout = edit.document()->documentLayout();
        qreal height = 0;
        for (QTextBlock block = edit.document()->begin(); block.isValid(); block = block.next())
            height += layout->blockBoundingRect(block).height();
        benchmark::DoNotOptimize(height);
        state.PauseTiming();
        edit.clear();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_PlainTextEditLayout)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// The middle of the text, moved to the start of the second word of a short paragraph (about 80
// characters) or, with `longParagraph`, of a long one (about 4,000), so that both editors type
// into the same place. The time of a keystroke depends on the length of its paragraph.
int32_t Middle(const std::string& text, bool longParagraph = false) {
    size_t at = text.find("\r\n", text.size() / 2);
    auto length = [&] { return text.find("\r\n", at + 2) - at; };
    while (longParagraph ? length() < 1000 : length() > 200) at = text.find("\r\n", at + 2);
    return int32_t(text.find(' ', at + 2) + 1);
}

void BM_MemoTypeInTheMiddle(benchmark::State& state) {
    const std::string& text = Text(int(state.range(0)));
    BenchWindow window;
    auto memo = NewMemo(window);
    memo->SetTextBuf(text);
    const int32_t middle = Middle(text, state.range(1) != 0);
    for (auto _ : state) {
        memo->SetSelStart(middle);
        const auto start = Clock::now();
        memo->SetSelText("x");  // splice, undo record, re-layout of the paragraph, sums
        state.SetIterationTime(Seconds(Clock::now() - start));
        memo->SetSelLength(-1);  // erased again, untimed, so that the text stays the same
        memo->ClearSelection();
    }
    benchmark::DoNotOptimize(memo->LineCount());
    state.counters["paragraphs"] = memo->ParagraphCount();
}
// Text of 1, 10 and 100 MiB; typing into a short paragraph (0) and into a long one (1).
BENCHMARK(BM_MemoTypeInTheMiddle)
    ->ArgsProduct({{1, 10, 100}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// A paragraph break typed in the middle: the paragraph list gains an entry.
void BM_MemoBreakInTheMiddle(benchmark::State& state) {
    const std::string& text = Text(int(state.range(0)));
    BenchWindow window;
    auto memo = NewMemo(window);
    memo->SetTextBuf(text);
    const int32_t middle = Middle(text);
    for (auto _ : state) {
        memo->SetSelStart(middle);
        const auto start = Clock::now();
        memo->SetSelText("\r\n");
        state.SetIterationTime(Seconds(Clock::now() - start));
        memo->SetSelLength(-2);  // joined again, untimed
        memo->ClearSelection();
    }
    state.counters["paragraphs"] = memo->ParagraphCount();
}
BENCHMARK(BM_MemoBreakInTheMiddle)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

void BM_PlainTextEditTypeInTheMiddle(benchmark::State& state) {
    const std::string& text = Text(int(state.range(0)));
    QPlainTextEdit edit;
    ShowEditor(edit);
    edit.setPlainText(QString::fromLatin1(text.data(), qsizetype(text.size())));
    QCoreApplication::processEvents();
    // QPlainTextEdit's positions count a paragraph break as one character
    const std::string_view before(text.data(), size_t(Middle(text, state.range(1) != 0)));
    const auto breaks = std::count(before.begin(), before.end(), '\n');
    QTextCursor cursor(edit.document());
    cursor.setPosition(int(before.size() - size_t(breaks)));
    edit.setTextCursor(cursor);
    const int position = cursor.position();
    for (auto _ : state) {
        const auto start = Clock::now();
        cursor.insertText(QStringLiteral("x"));
        state.SetIterationTime(Seconds(Clock::now() - start));
        cursor.setPosition(position + 1);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    benchmark::DoNotOptimize(edit.document()->blockCount());
    state.counters["paragraphs"] = edit.document()->blockCount();
}
BENCHMARK(BM_PlainTextEditTypeInTheMiddle)
    ->ArgsProduct({{1, 10, 100}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// One paragraph of 1, 10 or 30 MB without a blank (a huge value shown in the information
// panel), added as the panel adds its lines and laid out at once; the Qt editor lays out the
// same text as one block.
std::string LongValue(int mb) {
    std::string text(size_t(mb) << 20, ' ');
    for (size_t i = 0; i < text.size(); ++i) text[i] = char('a' + i * 7 % 26);
    return text;
}

void BM_MemoLongParagraph(benchmark::State& state) {
    const std::string text = LongValue(int(state.range(0)));
    BenchWindow window;
    for (auto _ : state) {
        auto memo = NewMemo(window);
        memo->Lines().BeginUpdate();
        memo->Lines().Add(text);
        memo->Lines().EndUpdate();
        benchmark::DoNotOptimize(memo->LineCount());
        state.counters["lines"] = memo->LineCount();
        state.PauseTiming();
        memo.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_MemoLongParagraph)
    ->Arg(1)
    ->Arg(10)
    ->Arg(30)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

void BM_PlainTextEditLongParagraph(benchmark::State& state) {
    const std::string value = LongValue(int(state.range(0)));
    const QString text = QString::fromLatin1(value.data(), qsizetype(value.size()));
    QPlainTextEdit edit;
    ShowEditor(edit);
    for (auto _ : state) {
        edit.setPlainText(text);
        auto* layout = edit.document()->documentLayout();
        const QTextBlock block = edit.document()->begin();
        benchmark::DoNotOptimize(layout->blockBoundingRect(block).height());
        state.counters["lines"] = block.layout() ? block.layout()->lineCount() : 0;
        state.PauseTiming();
        edit.clear();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(value.size()));
}
// Qt's editor takes seconds for 1 MB in one block and grows faster than the text: one pass.
BENCHMARK(BM_PlainTextEditLongParagraph)
    ->Arg(1)
    ->Arg(10)
    ->Arg(30)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
