// Rendering every text format of a tree with nine columns: 10,000 and 100,000 nodes (a hundred
// top-level nodes with their children), to show the cost grows linearly with the text.
#include "VirtualTreesColumns.h"
#include "VirtualTreesExport.h"
#include "VirtualTreesHeader.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int kExportColumns = 9;

void Fill(TBaseVirtualTree& tree, int nodes) {
    for (int c = 0; c < kExportColumns; ++c)
        tree.Header().Columns().Add()->SetText("Column " + std::to_string(c));
    const int perParent = nodes / 100;
    for (int p = 0; p < 100; ++p) {
        PVirtualNode parent = tree.AddChild(nullptr);
        for (int k = 1; k < perParent; ++k) tree.AddChild(parent);
    }
}

std::u16string CellText(PVirtualNode node, TColumnIndex column) {
    std::u16string text = u"Cell \"";
    for (char c : std::to_string(node->Index * 10 + uint32_t(column + 1))) text += char16_t(c);
    return text + u"\", <text> & more";
}

template <class Render>
void RunExport(benchmark::State& state, Render render) {
    TBaseVirtualTree tree;
    Fill(tree, int(state.range(0)));
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string out = render(tree);
        bytes = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["MB"] = double(bytes) / (1024.0 * 1024.0);
}

void BM_ExportText(benchmark::State& state) {
    RunExport(state, [](TBaseVirtualTree& t) {
        return ExportUtf8(ContentToUnicode(t, tstAll, u'\t', CellText));
    });
}
void BM_ExportCSV(benchmark::State& state) {
    RunExport(state, [](TBaseVirtualTree& t) { return ContentToCSV(t, tstAll, u',', CellText); });
}
void BM_ExportHTML(benchmark::State& state) {
    RunExport(state, [](TBaseVirtualTree& t) {
        return HTMLClipboardEnvelope(ContentToHTML(t, tstAll, CellText));
    });
}
void BM_ExportRTF(benchmark::State& state) {
    RunExport(state, [](TBaseVirtualTree& t) { return ContentToRTF(t, tstAll, CellText); });
}

}  // namespace

BENCHMARK(BM_ExportText)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportCSV)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportHTML)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportRTF)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
