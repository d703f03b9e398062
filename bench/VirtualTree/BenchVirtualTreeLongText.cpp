// Painting one row whose name is 1, 10 or 30 MB long in a 300-pixel column (repainted, and
// with its width measured afresh), beside the copy of the name its text event makes, against
// QTreeView with its styled item delegate drawing the same elided text in a column as wide.
#include "VirtualStringTree.h"
#include "VirtualTrees.h"

#include "platform/Canvas.h"

#include <QAbstractItemModel>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr int kNameWidth = 300, kRestWidth = 700, kRowHeight = 18;

std::string LongName(int megabytes) {
    std::string name;
    name.reserve(size_t(megabytes) << 20);
    while (name.size() < (size_t(megabytes) << 20)) name += "a long name, ";
    return name;
}

class LongNameModel : public QAbstractItemModel {
public:
    explicit LongNameModel(const std::string& name) : name_(QString::fromLatin1(name)) {}
    QModelIndex index(int row, int column, const QModelIndex& parent) const override {
        return parent.isValid() ? QModelIndex() : createIndex(row, column);
    }
    QModelIndex parent(const QModelIndex&) const override { return {}; }
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 1; }
    int columnCount(const QModelIndex&) const override { return 2; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole) return index.column() == 0 ? name_ : QString();
        if (role == Qt::SizeHintRole) return QSize(kNameWidth, kRowHeight);
        return {};
    }

private:
    QString name_;
};

std::unique_ptr<TVirtualStringTree> LongNameTree(const std::string& name) {
    auto tree = std::make_unique<TVirtualStringTree>();
    tree->SetDefaultNodeHeight(kRowHeight);
    tree->Header().Columns().Add()->SetWidth(kNameWidth);
    tree->Header().Columns().Add()->SetWidth(kRestWidth);
    tree->Header().SetMainColumn(0);
    tree->OnGetText = [&name](TBaseVirtualTree*, PVirtualNode, TColumnIndex column, TVSTTextType,
                              std::string& text) {
        if (column == 0)
            text = name;  // as the main window's handler: into the text's own memory
        else
            text.clear();
    };
    tree->AddChild(nullptr);
    return tree;
}

// A repaint (scrolling, focusing): the width is cached, the text event copies the name once.
// With forget, the width is measured afresh each time as well (as after the node changed).
void PaintLongNameRow(benchmark::State& state, bool forget) {
    const std::string name = LongName(int(state.range(0)));
    auto tree = LongNameTree(name);
    TBitmap image(kNameWidth + kRestWidth, kRowHeight);
    const TRect row{0, 0, kNameWidth + kRestWidth, kRowHeight};
    tree->PaintTree(image.Canvas(), row, {0, 0}, NormalPaintOptions);
    for (auto _ : state) {
        if (forget) tree->InvalidateNode(tree->GetFirst());
        tree->PaintTree(image.Canvas(), row, {0, 0}, NormalPaintOptions);
        benchmark::DoNotOptimize(image.Pixel(1, 1));
    }
}

void BM_LongTextRowPaint(benchmark::State& state) {
    PaintLongNameRow(state, false);
}

void BM_LongTextRowFirstPaint(benchmark::State& state) {
    PaintLongNameRow(state, true);
}

// The floor of the repaint: the one copy of the name that the text event makes.
void BM_LongTextCopy(benchmark::State& state) {
    const std::string name = LongName(int(state.range(0)));
    std::string text = name;
    for (auto _ : state) {
        text = name;
        benchmark::DoNotOptimize(text.data());
    }
}

void BM_LongTextQTreeViewRowPaint(benchmark::State& state) {
    LongNameModel model(LongName(int(state.range(0))));
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setRootIsDecorated(false);
    view.setHeaderHidden(true);
    view.setTextElideMode(Qt::ElideRight);
    view.resize(kNameWidth + kRestWidth, kRowHeight + 4);
    view.setModel(&model);
    view.setColumnWidth(0, kNameWidth);
    view.setColumnWidth(1, kRestWidth);
    for (auto _ : state) benchmark::DoNotOptimize(view.grab());
}

}  // namespace

BENCHMARK(BM_LongTextRowPaint)
    ->Arg(1)
    ->Arg(10)
    ->Arg(30)
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongTextRowFirstPaint)
    ->Arg(1)
    ->Arg(10)
    ->Arg(30)
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongTextCopy)->Arg(1)->Arg(10)->Arg(30)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongTextQTreeViewRowPaint)
    ->Arg(1)
    ->Arg(10)
    ->Arg(30)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
