// Painting a tree of 1,000,000 one-line rows at 1000 x 800 onto an image, against QTreeView over
// a model of the same rows, row height and size: the first paint of a filled tree, and painting
// after scrolling a random row into view.
#include "VirtualTrees.h"

#include "platform/Canvas.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>

namespace {

constexpr int kRows = 1000000;
constexpr int kWidth = 1000, kHeight = 800, kRowHeight = 18;

// A tree that writes each row's text, as the string tree would.
class TextTree : public TBaseVirtualTree {
protected:
    void DoPaintNode(TCanvas& canvas, PVirtualNode node, TColumnIndex, const TRect& r) override {
        canvas.Brush().SetStyle(TBrushStyle::bsClear);
        canvas.TextOut(r.Left + 2, r.Top + 2, "Row " + std::to_string(node->Index));
    }
    int DoGetNodeWidth(PVirtualNode, TColumnIndex) override { return 80; }
};

class RowModel : public QAbstractItemModel {
public:
    QModelIndex index(int row, int column, const QModelIndex& parent) const override {
        return parent.isValid() ? QModelIndex() : createIndex(row, column);
    }
    QModelIndex parent(const QModelIndex&) const override { return {}; }
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : kRows; }
    int columnCount(const QModelIndex&) const override { return 1; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole) return QStringLiteral("Row %1").arg(index.row());
        if (role == Qt::SizeHintRole) return QSize(80, kRowHeight);
        return {};
    }
};

std::unique_ptr<TextTree> FilledTree() {
    auto tree = std::make_unique<TextTree>();
    tree->SetRootNodeCount(kRows);
    tree->ValidateCache();
    tree->WaitForCacheValidation(60000);
    return tree;
}

void BM_TreeFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = FilledTree();
        TBitmap image(kWidth, kHeight);
        state.ResumeTiming();
        tree->PaintTree(image.Canvas(), {0, 0, kWidth, kHeight}, {0, 0}, NormalPaintOptions);
        benchmark::DoNotOptimize(image.Pixel(1, 1));
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
}

void BM_QTreeViewFirstPaint(benchmark::State& state) {
    RowModel model;
    for (auto _ : state) {
        QTreeView view;
        view.setUniformRowHeights(true);
        view.setHeaderHidden(true);
        view.resize(kWidth, kHeight);
        view.setModel(&model);
        benchmark::DoNotOptimize(view.grab());
    }
}

// Scrolling a random row to the middle of the view and painting the view.
void BM_TreeScrollAndPaint(benchmark::State& state) {
    auto tree = FilledTree();
    TBitmap image(kWidth, kHeight);
    std::mt19937 random(1);
    for (auto _ : state) {
        const int row = int(random() % kRows);
        const int top = std::max(0, row * kRowHeight - kHeight / 2);
        tree->PaintTree(image.Canvas(), {0, top, kWidth, top + kHeight}, {0, 0},
                        NormalPaintOptions);
    }
    benchmark::DoNotOptimize(image.Pixel(1, 1));
}

void BM_QTreeViewScrollAndPaint(benchmark::State& state) {
    RowModel model;
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setHeaderHidden(true);
    view.resize(kWidth, kHeight);
    view.setModel(&model);
    view.grab();
    std::mt19937 random(1);
    for (auto _ : state) {
        view.scrollTo(model.index(int(random() % kRows), 0, QModelIndex()),
                      QAbstractItemView::PositionAtCenter);
        benchmark::DoNotOptimize(view.grab());
    }
}

}  // namespace

BENCHMARK(BM_TreeFirstPaint)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QTreeViewFirstPaint)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeScrollAndPaint)->Iterations(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QTreeViewScrollAndPaint)->Iterations(100)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
