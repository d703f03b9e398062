// Building, filling and hit-testing the tree, against QStandardItemModel for the same work:
// once with one data-only item per node holding the node's record (the same information), and
// once with nine text columns per row (what a grid of the main window's columns would hold).
#include "VirtualTrees.h"

#include "BenchPeak.h"

#include <QStandardItemModel>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>

namespace {

constexpr int kColumns = 9;  // the main window's columns

constexpr int kMillion = 1000000;

}  // namespace

struct TTreeNodeData {  // the main window's node record: entry, kind, flag
    int32_t Entry;
    int32_t Kind;
    bool Workgroup;
};
Q_DECLARE_METATYPE(TTreeNodeData)

namespace {

TTreeNodeData Record(int i) {
    return {i, i % 5, i % 7 == 0};
}

QList<QStandardItem*> Row(int entry) {
    QList<QStandardItem*> row;
    row.reserve(kColumns);
    for (int c = 0; c < kColumns; ++c) row.append(new QStandardItem(QString::number(entry + c)));
    return row;
}

// A million nodes, each with its record, added one by one in one update.
void BM_TreeAddChildMillion(benchmark::State& state) {
    for (auto _ : state) {
        const double before = HeapBytes();
        auto tree = std::make_unique<TBaseVirtualTree>();
        tree->SetNodeDataSize(sizeof(TTreeNodeData));
        tree->BeginUpdate();
        for (int i = 0; i < kMillion; ++i) {
            PVirtualNode n = tree->AddChild(nullptr);
            *tree->GetNodeData<TTreeNodeData>(n) = Record(i);
        }
        tree->EndUpdate();
        const double bytes = HeapBytes() - before;
        state.counters["heap_MB"] = bytes / (1024.0 * 1024.0);
        state.counters["bytes_per_node"] = bytes / kMillion;
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
}

void BM_TreeRootNodeCountMillion(benchmark::State& state) {
    for (auto _ : state) {
        const double before = HeapMegabytes();
        auto tree = std::make_unique<TBaseVirtualTree>();
        tree->SetNodeDataSize(sizeof(TTreeNodeData));
        tree->SetRootNodeCount(1000000);
        state.counters["heap_MB"] = HeapMegabytes() - before;
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
}

// The same million records in Qt's item model: one item per node, its data the record.
void BM_QtModelDataItemMillion(benchmark::State& state) {
    for (auto _ : state) {
        const double before = HeapBytes();
        auto model = std::make_unique<QStandardItemModel>();
        QStandardItem* root = model->invisibleRootItem();
        for (int i = 0; i < kMillion; ++i) {
            auto* item = new QStandardItem;
            item->setData(QVariant::fromValue(Record(i)), Qt::UserRole);
            root->appendRow(item);
        }
        const double bytes = HeapBytes() - before;
        state.counters["heap_MB"] = bytes / (1024.0 * 1024.0);
        state.counters["bytes_per_node"] = bytes / kMillion;
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
}

// Nine text columns per row: far more than the tree holds, for scale.
void BM_QtModelAppendRowMillion(benchmark::State& state) {
    for (auto _ : state) {
        const double before = HeapMegabytes();
        auto model = std::make_unique<QStandardItemModel>(0, kColumns);
        for (int i = 0; i < 1000000; ++i) model->appendRow(Row(i));
        state.counters["heap_MB"] = HeapMegabytes() - before;
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
}

// 100,000 entries under 10 x 10 x 10 folders, as the main window's category levels.
void BM_TreeThreeLevels(benchmark::State& state) {
    for (auto _ : state) {
        const double before = HeapMegabytes();
        auto tree = std::make_unique<TBaseVirtualTree>();
        tree->SetNodeDataSize(sizeof(TTreeNodeData));
        tree->BeginUpdate();
        int entry = 0;
        for (int a = 0; a < 10; ++a) {
            PVirtualNode l1 = tree->AddChild(nullptr);
            for (int b = 0; b < 10; ++b) {
                PVirtualNode l2 = tree->AddChild(l1);
                for (int c = 0; c < 10; ++c) {
                    PVirtualNode l3 = tree->AddChild(l2);
                    for (int e = 0; e < 100; ++e)
                        tree->GetNodeData<TTreeNodeData>(tree->AddChild(l3))->Entry = entry++;
                }
            }
        }
        tree->EndUpdate();
        state.counters["heap_MB"] = HeapMegabytes() - before;
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
}

void BM_QtModelThreeLevels(benchmark::State& state) {
    for (auto _ : state) {
        const double before = HeapMegabytes();
        auto model = std::make_unique<QStandardItemModel>(0, kColumns);
        int entry = 0;
        for (int a = 0; a < 10; ++a) {
            QList<QStandardItem*> r1 = Row(a);
            model->appendRow(r1);
            for (int b = 0; b < 10; ++b) {
                QList<QStandardItem*> r2 = Row(b);
                r1.front()->appendRow(r2);
                for (int c = 0; c < 10; ++c) {
                    QList<QStandardItem*> r3 = Row(c);
                    r2.front()->appendRow(r3);
                    for (int e = 0; e < 100; ++e) r3.front()->appendRow(Row(entry++));
                }
            }
        }
        state.counters["heap_MB"] = HeapMegabytes() - before;
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
}

// Every row of a 100,000-row list, found by its y, with the position cache or without it.
void GetNodeAtEveryRow(benchmark::State& state, bool useCache) {
    TBaseVirtualTree tree;
    tree.SetRootNodeCount(100000);
    tree.ValidateCache();
    tree.WaitForCacheValidation(60000);
    if (!useCache) tree.InvalidateCache();
    if (tree.HasTreeState(tsUseCache) != useCache) state.SkipWithError("cache state not reached");
    for (auto _ : state) {
        int top = 0;
        for (int row = 0; row < 100000; ++row)
            benchmark::DoNotOptimize(tree.GetNodeAt(0, row * 18, false, top));
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}

void BM_GetNodeAtWithCache(benchmark::State& state) {
    GetNodeAtEveryRow(state, true);
}
void BM_GetNodeAtWithoutCache(benchmark::State& state) {
    GetNodeAtEveryRow(state, false);
}

// Every 100th row's rectangle, with the cache or without it.
void DisplayRects(benchmark::State& state, bool useCache) {
    TBaseVirtualTree tree;
    tree.SetRootNodeCount(100000);
    tree.ValidateCache();
    tree.WaitForCacheValidation(60000);
    if (!useCache) tree.InvalidateCache();
    std::vector<PVirtualNode> nodes;
    for (PVirtualNode run = tree.GetFirstNoInit(); run; run = run->NextSibling)
        if (run->Index % 100 == 0) nodes.push_back(run);
    for (auto _ : state)
        for (PVirtualNode n : nodes)
            benchmark::DoNotOptimize(tree.GetDisplayRect(n, NoColumn, false));
    state.SetItemsProcessed(state.iterations() * int64_t(nodes.size()));
}

void BM_GetDisplayRectWithCache(benchmark::State& state) {
    DisplayRects(state, true);
}
void BM_GetDisplayRectWithoutCache(benchmark::State& state) {
    DisplayRects(state, false);
}

void BM_FullExpandCollapse(benchmark::State& state) {
    TBaseVirtualTree tree;
    tree.BeginUpdate();
    for (int a = 0; a < 100; ++a) {
        PVirtualNode folder = tree.AddChild(nullptr);
        for (int e = 0; e < int(state.range(0)) / 100; ++e) tree.AddChild(folder);
    }
    tree.EndUpdate();
    for (auto _ : state) {
        tree.FullExpand();
        tree.FullCollapse();
    }
}

}  // namespace

// Qt's model last: its freed gigabytes would otherwise slow the allocations of what follows.
BENCHMARK(BM_TreeAddChildMillion)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeRootNodeCountMillion)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeThreeLevels)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetNodeAtWithCache)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetNodeAtWithoutCache)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetDisplayRectWithCache)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetDisplayRectWithoutCache)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullExpandCollapse)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtModelThreeLevels)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtModelDataItemMillion)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtModelAppendRowMillion)->Iterations(1)->Unit(benchmark::kMillisecond);
