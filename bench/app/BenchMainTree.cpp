// Rebuilding the main tree from a bank, against Qt's item model building the same rows.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <QStandardItemModel>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "AppSeams.h"
#include "MainTree.h"
#include "Settings.h"
#include "VirtualTrees.h"

namespace {

double HeapMegabytes() {
    return double(mallinfo2().uordblks) / (1024.0 * 1024.0);
}

// 100,000 entries in random order over 50 x 10 x 10 categories: 5,550 folders.
std::vector<TEntry> Generate() {
    std::mt19937 rng(15);
    std::uniform_int_distribution<int> c1(0, 49), c2(0, 9), c3(0, 9);
    std::vector<TEntry> entries(100000);
    for (size_t i = 0; i < entries.size(); ++i) {
        TEntry& e = entries[i];
        e.Name = "Entry " + std::to_string(i * 7919 % 100003);
        e.URL = "http://host" + std::to_string(i) + ".example/";
        e.Description = "Description of " + e.Name;
        e.AccessCount = int32_t(i % 1000);
        e.LastAccess = 40000 + double(i % 3000);
        e.Category1 = "Area " + std::to_string(c1(rng));
        e.Category2 = "Topic " + std::to_string(c2(rng));
        e.Category3 = "Part " + std::to_string(c3(rng));
    }
    return entries;
}

void Load(const std::vector<TEntry>& entries) {
    ResetBank();
    Bank().Entries = entries;
    Bank().EntryHigh = int32_t(entries.size()) - 1;
    Bank().BankCaption = "Lorvane     [bench.bnk]";
}

void BM_RebuildTree(benchmark::State& state) {
    ResetSeams();
    const std::vector<TEntry> entries = Generate();
    TBaseVirtualTree tree;
    for (auto _ : state) {
        state.PauseTiming();
        tree.Clear();
        Load(entries);
        const double before = HeapMegabytes();
        state.ResumeTiming();
        RebuildTree(Bank(), Settings(), tree);
        state.counters["heap_MB"] = HeapMegabytes() - before;
        state.counters["nodes"] = double(tree.TotalCount());
    }
}

// The same folders and entries, each row with its nine cell texts, as a model would hold.
void BM_QtModelSameRows(benchmark::State& state) {
    ResetSeams();
    const std::vector<TEntry> entries = Generate();
    for (auto _ : state) {
        state.PauseTiming();
        Load(entries);
        const double before = HeapMegabytes();
        state.ResumeTiming();
        auto& bank = Bank();
        SortEntries(bank, Settings().Interleave);
        auto model = std::make_unique<QStandardItemModel>(0, ColumnCount);
        auto row = [](const TEntry& e, const TTreeNodeData& d) {
            QList<QStandardItem*> items;
            for (int c = 0; c < ColumnCount; ++c) {
                std::string text;
                MainTreeGetText(Bank(), Settings(), d, c, text);
                items.append(
                    new QStandardItem(QString::fromLatin1(text.data(), qsizetype(text.size()))));
            }
            (void)e;
            return items;
        };
        QStandardItem *f1 = nullptr, *f2 = nullptr, *f3 = nullptr;
        std::string l1, l2, l3;
        for (int i = 0; i <= bank.EntryHigh; ++i) {
            const TEntry& e = bank.Entries[size_t(i)];
            if (!f1 || e.Category1 != l1) {
                l1 = e.Category1;
                l2.clear();
                model->appendRow(row(e, {i, nkCategory1, false}));
                f1 = model->item(model->rowCount() - 1);
            }
            if (!f2 || e.Category2 != l2) {
                l2 = e.Category2;
                l3.clear();
                f1->appendRow(row(e, {i, nkCategory2, false}));
                f2 = f1->child(f1->rowCount() - 1);
            }
            if (!f3 || e.Category3 != l3) {
                l3 = e.Category3;
                f2->appendRow(row(e, {i, nkCategory3, false}));
                f3 = f2->child(f2->rowCount() - 1);
            }
            f3->appendRow(row(e, {i, nkEntry, false}));
        }
        state.counters["heap_MB"] = HeapMegabytes() - before;
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(BM_RebuildTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtModelSameRows)->Unit(benchmark::kMillisecond);
