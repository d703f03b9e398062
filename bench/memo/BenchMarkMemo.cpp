// Loading and laying out large texts in the memo, set against QPlainTextEdit's wrapped layout,
// and re-laying out after one typed character.
#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>

#include <functional>
#include <memory>
#include <random>
#include <string>

#include "MarkMemo.h"
#include "platform/TextMetrics.h"

namespace {

constexpr int kWidth = 800;
const char* const kFontName = "DejaVu Sans";
constexpr int kFontPixels = 13;

// Lines of about 80 characters; every 64th paragraph is a long one of 50 such lines.
std::string MakeText(size_t bytes) {
    static const char* const words[] = {"the", "memo", "lays", "out", "paragraphs", "into",
                                        "display", "lines", "quickly", "and", "exactly", "as",
                                        "painting", "expects", "with", "tabs", "and", "codes"};
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
    return mib == 1 ? one : ten;
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
    QFont font(kFontName);
    font.setPixelSize(kFontPixels);
    edit.setFont(font);
    edit.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edit.resize(kWidth + 2 * edit.frameWidth() + 30, 600);
    edit.show();
    QCoreApplication::processEvents();
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

void BM_MemoTypeInTheMiddle(benchmark::State& state) {
    BenchWindow window;
    auto memo = NewMemo(window);
    memo->SetTextBuf(Text(10));
    const int32_t middle = memo->CharCount() / 2;
    for (auto _ : state) {
        memo->SetSelStart(middle);
        memo->SetSelText("x");  // splice, undo record, re-layout of the paragraph, renumbering
    }
    benchmark::DoNotOptimize(memo->LineCount());
}
BENCHMARK(BM_MemoTypeInTheMiddle)->Unit(benchmark::kMicrosecond);

void BM_MemoTypeInALongParagraph(benchmark::State& state) {
    BenchWindow window;
    auto memo = NewMemo(window);
    memo->SetTextBuf(Text(10));
    int index = memo->ParagraphCount() / 2;
    while (memo->Paragraph(index).Length() < 1000) ++index;
    const int32_t at = memo->ParagraphStart(index) + memo->Paragraph(index).Length() / 2;
    for (auto _ : state) {
        memo->SetSelStart(at);
        memo->SetSelText("x");
    }
    benchmark::DoNotOptimize(memo->LineCount());
}
BENCHMARK(BM_MemoTypeInALongParagraph)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
