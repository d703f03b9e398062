// Exporting 100,000 entries to every format and importing the .dat and bookmark files back.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "AppSeams.h"
#include "BankModel.h"
#include "ExportSeams.h"
#include "ExportWriters.h"
#include "ImportReaders.h"
#include "platform/FileUtils.h"
#include "platform/Messages.h"

namespace {

constexpr int Entries = 100000;

// Messages are counted, not shown.
class QuietMessages : public MessageService {
public:
    int Show(const MessageRequest&) override { return mrOk; }
};

std::string Letters(std::mt19937& rng, size_t length) {
    static const char pool[] = "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ-";
    std::uniform_int_distribution<size_t> pick(0, sizeof pool - 2);
    std::string s(length, 'x');
    for (char& c : s) c = pool[pick(rng)];
    s.front() = 'N';
    return s;
}

// A bank of browser-like entries: 30 top folders, most entries one or two levels deep.
void FillBank(int count) {
    ResetBank();
    std::mt19937 rng(77);
    std::vector<std::string> folders;
    for (int i = 0; i < 30; ++i) folders.push_back(Letters(rng, 6 + size_t(i % 9)));
    TBankState& bank = Bank();
    bank.Entries.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        TEntry e;
        e.Name = Letters(rng, 12 + size_t(i % 30)) + " " + std::to_string(i);
        e.URL = "https://site" + std::to_string(i % 9973) + ".example.org/" + Letters(rng, 20);
        e.Category1 = folders[size_t(i) % folders.size()];
        if (i % 3) e.Category2 = folders[size_t(i / 3) % folders.size()];
        if (i % 7 == 0 && !e.Category2.empty()) e.Category3 = "Deep";
        e.Description = Letters(rng, 40);
        e.Notes = i % 4 ? std::string() : Letters(rng, 90) + "\r\n" + Letters(rng, 30);
        e.Password = i % 5 ? "" : "secret";
        e.ChangeDate = 38000.5 + i % 4000;
        e.AccessCount = i % 50;
        bank.AppendEntry(e);
    }
}

struct TBenchEnv {
    TBenchEnv() {
        char pattern[] = "/tmp/lorvane-bench-XXXXXX";
        folder = std::string(mkdtemp(pattern)) + "/";
        SetMessageService(&quiet);
        ExportSeams().ChooseSaveFile = [this](const TFileRequest& r, std::string& chosen) {
            chosen = folder + (r.FileName.empty() ? "out" : r.FileName);
            return true;
        };
        ExportSeams().SetClipboardText = [this](const std::string& text) { clipboard = text; };
    }
    ~TBenchEnv() {
        SetMessageService(nullptr);
        std::filesystem::remove_all(folder);
    }
    void Clean() {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directory(folder);
    }
    QuietMessages quiet;
    std::string folder;
    std::string clipboard;
};

TBenchEnv& Env() {
    static TBenchEnv env;
    return env;
}

// One export of the whole bank per iteration: begin, every entry, finish. `clean` empties the
// output folder first (outside the timing) for writers that refuse to overwrite.
template <class Begin, class PerEntry, class Finish>
void RunExport(benchmark::State& state, int count, Begin begin, PerEntry perEntry, Finish finish,
               bool clean = false) {
    for (auto _ : state) {
        if (clean) {
            state.PauseTiming();
            Env().Clean();
            state.ResumeTiming();
        }
        begin();
        for (int i = 0; i <= Bank().EntryHigh; ++i) perEntry(i);
        finish();
    }
    state.SetItemsProcessed(state.iterations() * count);
}

void BM_ExportClipboard(benchmark::State& state) {
    Env();
    FillBank(Entries);
    RunExport(state, Entries, BeginClipboardExport, EntryAsText, FinishClipboardExport);
}
BENCHMARK(BM_ExportClipboard)->Unit(benchmark::kMillisecond);

void BM_ExportDat(benchmark::State& state) {
    Env();
    FillBank(Entries);
    RunExport(state, Entries, BeginDatExport, WriteDatRecord, FinishExport);
}
BENCHMARK(BM_ExportDat)->Unit(benchmark::kMillisecond);

void BM_ExportBank(benchmark::State& state) {
    Env();
    FillBank(Entries);
    const bool version2 = state.range(0) == 2;
    RunExport(
        state, Entries, [&] { BeginBankExport(version2); },
        [&](int i) { WriteExportBankRecord(i, version2); }, FinishExport);
}
BENCHMARK(BM_ExportBank)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_ExportBookmark(benchmark::State& state) {
    Env();
    FillBank(Entries);
    RunExport(state, Entries, BeginBookmarkExport, CollectBookmarkEntry, WriteBookmarkEntries);
}
BENCHMARK(BM_ExportBookmark)->Unit(benchmark::kMillisecond);

void BM_ExportHTML(benchmark::State& state) {
    Env();
    FillBank(Entries);
    RunExport(state, Entries, BeginHTMLExport, CollectHTMLEntry, ExportHTML, true);
}
BENCHMARK(BM_ExportHTML)->Unit(benchmark::kMillisecond);

// Categories that all give one page name: the naming must stay linear.
void BM_ExportHTMLSameNames(benchmark::State& state) {
    Env();
    ResetBank();
    for (int i = 0; i < state.range(0); ++i) {
        TEntry e;
        e.Name = std::to_string(i);
        e.URL.assign(1, 'u');
        e.Category1.assign(size_t(i / 200 + 1), '!');
        e.Category1.append(std::to_string(i % 200)).insert(0, 1, '\xE9');
        for (char& c : e.Category1)
            if (c >= '0' && c <= '9') c = char(0xC0 + (c - '0'));
        Bank().AppendEntry(e);
    }
    RunExport(state, int(state.range(0)), BeginHTMLExport, CollectHTMLEntry, ExportHTML, true);
}
BENCHMARK(BM_ExportHTMLSameNames)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_ImportDat(benchmark::State& state) {
    Env().Clean();
    FillBank(Entries);
    BeginDatExport();
    for (int i = 0; i <= Bank().EntryHigh; ++i) WriteDatRecord(i);
    const std::string file = Exporter().ExportFile->FileName();
    FinishExport();
    for (auto _ : state) {
        state.PauseTiming();
        ResetBank();
        state.ResumeTiming();
        benchmark::DoNotOptimize(ImportDatFile(file));
    }
    state.SetItemsProcessed(state.iterations() * Entries);
}
BENCHMARK(BM_ImportDat)->Unit(benchmark::kMillisecond);

std::string BookmarkFile() {
    Env().Clean();
    FillBank(Entries);
    BeginBookmarkExport();
    for (int i = 0; i <= Bank().EntryHigh; ++i) CollectBookmarkEntry(i);
    const std::string file = Exporter().ExportFile->FileName();
    WriteBookmarkEntries();
    return file;
}

void BM_ImportBookmark(benchmark::State& state) {
    const std::string file = BookmarkFile();
    for (auto _ : state) {
        state.PauseTiming();
        ResetBank();
        state.ResumeTiming();
        benchmark::DoNotOptimize(ImportBookmarkFile(file));
    }
    state.SetItemsProcessed(state.iterations() * Entries);
}
BENCHMARK(BM_ImportBookmark)->Unit(benchmark::kMillisecond);

void BM_ParseBookmarkFile(benchmark::State& state) {
    const std::string bytes = ReadFileBytes(BookmarkFile());
    for (auto _ : state) benchmark::DoNotOptimize(ParseBookmarkFile(bytes));
    state.SetBytesProcessed(state.iterations() * int64_t(bytes.size()));
}
BENCHMARK(BM_ParseBookmarkFile)->Unit(benchmark::kMillisecond);

}  // namespace
