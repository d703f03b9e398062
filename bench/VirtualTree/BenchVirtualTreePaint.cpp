// Painting a tree of 1,000,000 one-line rows at 1000 x 800 onto an image, against QTreeView over
// a model of the same rows, row height and size: the first paint of a filled tree, and painting
// after scrolling a random row into view. Then the same with nine columns under a visible
// header: the string tree asking for each cell's text, against QTreeView over a model giving the
// same texts. Counters: heap_MB is the heap (and the tree's node slabs) a case added and kept
// while painting; peak_MB is the process's peak resident size so far (run one case per process
// with --benchmark_filter for a per-case peak).
#include "VirtualStringTree.h"
#include "VirtualTrees.h"

#include "BenchPeak.h"
#include "platform/Canvas.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QImage>
#include <QTreeView>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <array>
#include <cstdio>
#include <cstring>
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

// Scrolling a random row to the middle of the view and painting the view. Both paint into one
// image made before the loop, of the same size and format (a TBitmap is a 32-bit RGB image), so
// the time is the trees' own work and not the making of a new image for every paint.
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
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    view.render(&image);
    std::mt19937 random(1);
    for (auto _ : state) {
        view.scrollTo(model.index(int(random() % kRows), 0, QModelIndex()),
                      QAbstractItemView::PositionAtCenter);
        view.render(&image);
    }
    benchmark::DoNotOptimize(image.pixel(1, 1));
}

// --- Nine columns -----------------------------------------------------------------------------

constexpr int kColumns = 9;
constexpr std::array<const char*, kColumns> kCaptions = {
    "Name", "Address", "Login", "Category", "Rating", "Added", "Visited", "Visits", "Notes"};
constexpr std::array<int, kColumns> kWidths = {180, 200, 100, 100, 60, 90, 90, 60, 120};  // 1000

std::string CellText(int row, int column) {
    return std::string(kCaptions[size_t(column)]) + ' ' + std::to_string(row);
}
QString CellQText(int row, int column) {
    return QLatin1String(kCaptions[size_t(column)]) + QLatin1Char(' ') + QString::number(row);
}

class ColumnModel : public QAbstractItemModel {
public:
    QModelIndex index(int row, int column, const QModelIndex& parent) const override {
        return parent.isValid() ? QModelIndex() : createIndex(row, column);
    }
    QModelIndex parent(const QModelIndex&) const override { return {}; }
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : kRows; }
    int columnCount(const QModelIndex&) const override { return kColumns; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole) return CellQText(index.row(), index.column());
        if (role == Qt::SizeHintRole) return QSize(kWidths[size_t(index.column())], kRowHeight);
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return QLatin1String(kCaptions[size_t(section)]);
        return {};
    }
};

// The nine columns under a visible header, texts from the text event, no rows yet.
std::unique_ptr<TVirtualStringTree> ColumnTree() {
    auto tree = std::make_unique<TVirtualStringTree>();
    tree->SetDefaultNodeHeight(kRowHeight);
    for (int c = 0; c < kColumns; ++c) {
        TVirtualTreeColumn* column = tree->Header().Columns().Add();
        column->SetText(kCaptions[size_t(c)]);
        column->SetWidth(kWidths[size_t(c)]);
    }
    TVTHeaderOptions options = tree->Header().Options();
    options.Include(hoVisible);
    tree->Header().SetOptions(options);
    tree->OnGetText = [](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column, TVSTTextType,
                         std::string& text) { text = CellText(int(node->Index), column); };
    return tree;
}

std::unique_ptr<TVirtualStringTree> FilledColumnTree() {
    auto tree = ColumnTree();
    tree->SetRootNodeCount(kRows);
    tree->ValidateCache();
    tree->WaitForCacheValidation(60000);
    return tree;
}

// The header across the top, then the rows from content position top under it.
void PaintColumnTree(TVirtualStringTree& tree, TBitmap& image, int top) {
    const int header = tree.Header().Height();
    tree.Header().PaintHeader(image.Canvas(), {0, 0, kWidth, header}, 0);
    tree.PaintTree(image.Canvas(), {0, top, kWidth, top + kHeight - header}, {0, header},
                   NormalPaintOptions);
}

void ConfigureColumnView(QTreeView& view, ColumnModel& model) {
    view.setUniformRowHeights(true);
    view.setRootIsDecorated(false);
    view.resize(kWidth, kHeight);
    view.setModel(&model);
    for (int c = 0; c < kColumns; ++c) view.setColumnWidth(c, kWidths[size_t(c)]);
}

void BM_ColumnTreeFirstPaint(benchmark::State& state) {
    double heap = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const double before = HeapMegabytes();
        auto tree = FilledColumnTree();
        TBitmap image(kWidth, kHeight);
        state.ResumeTiming();
        PaintColumnTree(*tree, image, 0);
        benchmark::DoNotOptimize(image.Pixel(1, 1));
        state.PauseTiming();
        heap = HeapMegabytes() - before;
        tree.reset();
        state.ResumeTiming();
    }
    state.counters["heap_MB"] = heap;
    state.counters["peak_MB"] = PeakMegabytes();
}

// The model is filled (it answers for every row) before the view is built and painted.
void BM_ColumnQTreeViewFirstPaint(benchmark::State& state) {
    ColumnModel model;
    double heap = 0;
    for (auto _ : state) {
        const double before = HeapMegabytes();
        {
            QTreeView view;
            ConfigureColumnView(view, model);
            QPixmap image = view.grab();
            benchmark::DoNotOptimize(image);
            state.PauseTiming();
            heap = HeapMegabytes() - before;
            state.ResumeTiming();
        }
    }
    state.counters["heap_MB"] = heap;
    state.counters["peak_MB"] = PeakMegabytes();
}

void BM_ColumnTreeScrollAndPaint(benchmark::State& state) {
    auto tree = FilledColumnTree();
    TBitmap image(kWidth, kHeight);
    PaintColumnTree(*tree, image, 0);
    std::mt19937 random(1);
    const int body = kHeight - tree->Header().Height();
    for (auto _ : state) {
        const int row = int(random() % kRows);
        PaintColumnTree(*tree, image, std::max(0, row * kRowHeight - body / 2));
    }
    benchmark::DoNotOptimize(image.Pixel(1, 1));
    state.counters["peak_MB"] = PeakMegabytes();
}

void BM_ColumnQTreeViewScrollAndPaint(benchmark::State& state) {
    ColumnModel model;
    QTreeView view;
    ConfigureColumnView(view, model);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    view.render(&image);
    std::mt19937 random(1);
    for (auto _ : state) {
        view.scrollTo(model.index(int(random() % kRows), 0, QModelIndex()),
                      QAbstractItemView::PositionAtCenter);
        view.render(&image);
    }
    benchmark::DoNotOptimize(image.pixel(1, 1));
    state.counters["peak_MB"] = PeakMegabytes();
}

// --- From nothing to painted ------------------------------------------------------------------
// The tree starts from nothing and ends with the window's pixels: it makes its million rows
// (SetRootNodeCount) and paints, and is freed inside the timing. Its peers are
// BM_QTreeViewFirstPaint and BM_ColumnQTreeViewFirstPaint, which do the same from setModel
// (run them together: --benchmark_filter='FillAndFirstPaint|QTreeViewFirstPaint').

void BM_TreeFillAndFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        auto tree = std::make_unique<TextTree>();
        tree->SetRootNodeCount(kRows);
        TBitmap image(kWidth, kHeight);
        tree->PaintTree(image.Canvas(), {0, 0, kWidth, kHeight}, {0, 0}, NormalPaintOptions);
        benchmark::DoNotOptimize(image.Pixel(1, 1));
    }
}

void BM_ColumnTreeFillAndFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        auto tree = ColumnTree();
        tree->SetRootNodeCount(kRows);
        TBitmap image(kWidth, kHeight);
        PaintColumnTree(*tree, image, 0);
        benchmark::DoNotOptimize(image.Pixel(1, 1));
    }
    state.counters["peak_MB"] = PeakMegabytes();
}

}  // namespace

BENCHMARK(BM_TreeFirstPaint)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QTreeViewFirstPaint)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeScrollAndPaint)->Iterations(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QTreeViewScrollAndPaint)->Iterations(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColumnTreeFirstPaint)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColumnQTreeViewFirstPaint)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColumnTreeScrollAndPaint)->Iterations(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColumnQTreeViewScrollAndPaint)->Iterations(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeFillAndFirstPaint)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColumnTreeFillAndFirstPaint)->Iterations(5)->Unit(benchmark::kMillisecond);
