// Imports that grow with what they read, each at n and 4n in the same run: n copies of one
// name from every source (each copy gets one more "_"), and bookmark files whose lists nest n
// deep. At 4n each should take about four times as long as at n; the copies of one name take
// longer, as the names handed out do (the k-th copy is k bytes longer), at the same time a byte.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "BankModel.h"
#include "ExportWriters.h"
#include "ImportReaders.h"
#include "platform/Messages.h"

namespace fs = std::filesystem;

namespace {

class QuietMessages : public MessageService {
public:
    int Show(const MessageRequest&) override { return mrOk; }
};

// A folder of its own for the files, and messages answered without showing them.
struct TGrowthEnv {
    TGrowthEnv() {
        char pattern[] = "/tmp/lorvane-bench-growth-XXXXXX";
        folder = std::string(mkdtemp(pattern)) + "/";
        SetMessageService(&quiet);
    }
    ~TGrowthEnv() {
        SetMessageService(nullptr);
        fs::remove_all(folder);
    }
    QuietMessages quiet;
    std::string folder;
};

TGrowthEnv& Env() {
    static TGrowthEnv env;
    return env;
}

enum TSource { srBookmarks, srDat, srBank, srFavorites };

void WriteFileBytes(const std::string& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

TEntry SameNamed(int i) {
    TEntry e;
    e.Name = "Same";
    e.URL = "http://x/" + std::to_string(i);
    return e;
}

// n entries of one name in the source's own form: a bookmark file of nameless links (each
// read as "_"), a .dat file, a bank file, or a Favorites tree of n folders holding one
// shortcut each. Returns the file or the folder to import.
std::string SameNamesSource(TSource source, int n) {
    const std::string base =
        Env().folder + "same" + std::to_string(source) + "-" + std::to_string(n);
    std::string text;
    switch (source) {
        case srBookmarks:
            text = "<DL><p>\n";
            for (int i = 0; i < n; ++i)
                text += "    <DT><A HREF=\"http://x/" + std::to_string(i) + "\"></A>\n";
            text += "</DL><p>\n";
            WriteFileBytes(base + ".htm", text);
            return base + ".htm";
        case srDat:
            text = DatHeaderLine() + "\r\n";
            for (int i = 0; i < n; ++i) text += DatRecordLine(SameNamed(i)) + "\r\n";
            WriteFileBytes(base + ".dat", text);
            return base + ".dat";
        case srBank:
            text = "#----F#2.0\r\n";
            for (int i = 0; i < n; ++i) text += ExportBankRecord(SameNamed(i), i + 1, true);
            WriteFileBytes(base + ".bnk", text);
            return base + ".bnk";
        case srFavorites:
            for (int i = 0; i < n; ++i) {
                const fs::path folder = fs::path(base) / std::to_string(i);
                fs::create_directories(folder);
                WriteFileBytes((folder / "Same.url").string(),
                               "[InternetShortcut]\r\nURL=http://x/" + std::to_string(i) + "\r\n");
            }
            return base + "/";
    }
    return base;
}

int ImportSameNames(TSource source, const std::string& from) {
    switch (source) {
        case srBookmarks:
            return ImportBookmarkFile(Bank(), from);
        case srDat:
            return ImportDatFile(Bank(), from);
        case srBank:
            return ImportBankFile(from);
        case srFavorites:
            return ImportFavoritesFolder(Bank(), from);
    }
    return 0;
}

// n copies of one name imported into an empty bank, from each source.
void BM_ImportSameNames(benchmark::State& state) {
    const auto source = TSource(state.range(0));
    const int n = int(state.range(1));
    static const char* const labels[] = {"bookmarks", "dat", "bank", "favorites"};
    state.SetLabel(labels[source]);
    const std::string from = SameNamesSource(source, n);
    for (auto _ : state) {
        state.PauseTiming();
        ResetBank();
        Bank().NewBank = true;
        state.ResumeTiming();
        if (ImportSameNames(source, from) != n) state.SkipWithError("not every copy imported");
    }
    // The names handed out grow with the square of n: per byte of them the time stays flat.
    size_t nameBytes = 0;
    for (int i = 0; i <= Bank().EntryHigh; ++i) nameBytes += Bank().Entry(i).Name.size();
    state.counters["per_copy"] = benchmark::Counter(
        double(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["per_name_byte"] =
        benchmark::Counter(double(nameBytes), benchmark::Counter::kIsIterationInvariantRate |
                                                  benchmark::Counter::kInvert);
}
BENCHMARK(BM_ImportSameNames)
    ->ArgsProduct({{srBookmarks, srDat, srBank, srFavorites}, {1000, 4000}})
    ->Unit(benchmark::kMillisecond);

// A bookmark file whose folders nest n deep, each holding a link and the next folder.
std::string DeepBookmarks(int n) {
    std::string text = "<DL><p>\n";
    for (int i = 0; i < n; ++i) {
        const std::string number = std::to_string(i);
        text += "<DT><H3>F" + number + "</H3>\n<DL><p>\n<DT><A HREF=\"http://x/" + number + "\">L" +
                number + "</A>\n";
    }
    for (int i = 0; i <= n; ++i) text += "</DL><p>\n";
    return text;
}

void BM_ParseDeepBookmarks(benchmark::State& state) {
    const int n = int(state.range(0));
    const std::string bytes = DeepBookmarks(n);
    for (auto _ : state) {
        const std::vector<TBookmarkLink> links = ParseBookmarkFile(bytes);
        if (links.size() != size_t(n)) state.SkipWithError("not every link read");
        benchmark::DoNotOptimize(links.data());
    }
    state.counters["per_link"] = benchmark::Counter(
        double(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ParseDeepBookmarks)->Arg(16000)->Arg(64000)->Unit(benchmark::kMillisecond);

}  // namespace
