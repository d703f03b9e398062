// Rendering every text format of a tree with nine columns: 10,000 and 100,000 nodes (a hundred
// top-level nodes with their children), to show the cost grows linearly with the text. First the
// exporters over a cell-text callback, then the string tree's clipboard object rendering each
// format of a copied tree (texts from OnGetText, cell fonts from OnPaintText).
#include "BenchPeak.h"
#include "VirtualStringTree.h"
#include "VirtualTreesClipboard.h"
#include "VirtualTreesColumns.h"
#include "VirtualTreesExport.h"
#include "VirtualTreesHeader.h"

#include "platform/Clipboard.h"

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

// Format index: 0 plain text, 1 CSV, 2 HTML, 3 rich text, 4 rich text without objects.
TClipFormat TextFormat(int64_t index) {
    switch (index) {
        case 0:
            return StandardFormatUnicodeText;
        case 1:
            return CSVClipFormat();
        case 2:
            return HTMLClipFormat();
        case 3:
            return RTFClipFormat();
        default:
            return RTFNoObjectsClipFormat();
    }
}

void BM_ClipboardFormat(benchmark::State& state) {
    std::unique_ptr<TClipboardStore> clipboard = CreateMemoryClipboard();
    SetClipboardStore(clipboard.get());
    TVirtualStringTree tree;
    TVTSelectionOptions selection = tree.TreeOptions().SelectionOptions();
    selection.Include(toMultiSelect);
    tree.TreeOptions().SetSelectionOptions(selection);
    tree.OnGetText = [](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column, TVSTTextType,
                        std::string& text) {
        text = "Cell \"" + std::to_string(node->Index * 10 + uint32_t(column + 1)) +
               "\", <text> & more";
    };
    tree.OnPaintText = [](TBaseVirtualTree*, TCanvas& canvas, PVirtualNode node, TColumnIndex,
                          TVSTTextType) {
        if (node->Index % 7 == 0) canvas.Font().SetStyle(fsBold);
    };
    Fill(tree, int(state.range(0)));
    tree.FullExpand();
    tree.SelectAll(false);
    tree.CopyToClipboard();
    const PDataObject data = ClipboardDataObject();
    const TClipFormat format = TextFormat(state.range(1));
    size_t bytes = 0;
    for (auto _ : state) {
        const std::optional<std::string> out = data->GetData(format);
        bytes = out ? out->size() : 0;
        benchmark::DoNotOptimize(out);
    }
    state.counters["MB"] = double(bytes) / (1024.0 * 1024.0);
    state.counters["peak_MB"] = PeakMegabytes();
    state.counters["ns_per_node"] =
        benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
    tree.Clear();
    SetClipboardStore(nullptr);
}

}  // namespace

// The rich text and HTML of a million nodes: the cost per node against 100,000, and the peak.
BENCHMARK(BM_ClipboardFormat)
    ->ArgsProduct({{10000, 100000, 1000000}, {0, 1, 2, 3, 4}})
    ->ArgNames({"nodes", "format"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportText)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportCSV)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportHTML)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportRTF)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
