// Exporting 100,000 entries to every format and importing the .dat and bookmark files back;
// the HTML pages of many same-named categories at n, 4n and 10n beside plain writes of the
// same files.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

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
        out = folder;
        // A folder in memory, where there is one, for the figures without the disk.
        char memPattern[] = "/dev/shm/lorvane-bench-XXXXXX";
        if (std::filesystem::is_directory("/dev/shm") && mkdtemp(memPattern))
            memFolder = std::string(memPattern) + "/";
        SetMessageService(&quiet);
        ExportSeams().ChooseSaveFile = [this](const TFileRequest& r, std::string& chosen) {
            chosen = out + (r.FileName.empty() ? "out" : r.FileName);
            return true;
        };
        ExportSeams().SetClipboardText = [this](const std::string& text) { clipboard = text; };
    }
    ~TBenchEnv() {
        SetMessageService(nullptr);
        std::filesystem::remove_all(folder);
        if (!memFolder.empty()) std::filesystem::remove_all(memFolder);
    }
    // Empties the folders; the exports write into the one on disk.
    void Clean() {
        for (const std::string& f : {folder, memFolder}) {
            if (f.empty()) continue;
            std::filesystem::remove_all(f);
            std::filesystem::create_directory(f);
        }
        out = folder;
    }
    // A new empty folder for the next export. Nothing is deleted while a benchmark runs: the
    // file system would charge the deletions to the next run's file creations.
    void Fresh(bool inMemory = false) {
        out = (inMemory ? memFolder : folder) + "run" + std::to_string(++runs) + "/";
        std::filesystem::create_directory(out);
    }
    QuietMessages quiet;
    std::string folder;
    std::string memFolder;
    std::string out;  // where the exports write
    int runs = 0;
    std::string clipboard;
};

TBenchEnv& Env() {
    static TBenchEnv env;
    return env;
}

// The export steps' run over the program's bank and seams, with a state of its own.
struct TBenchRun {
    TExportState state;
    const TExportRun run{Bank(), state, ExportSeams()};
};

// One export of the whole bank per iteration: begin, every entry, finish. `fresh` gives every
// iteration a new empty folder (outside the timing) for writers that refuse to overwrite.
template <class Begin, class PerEntry, class Finish>
void RunExport(benchmark::State& state, int count, Begin begin, PerEntry perEntry, Finish finish,
               bool fresh = false, bool inMemory = false) {
    TBenchRun export_;
    const TExportRun& run = export_.run;
    for (auto _ : state) {
        if (fresh) {
            state.PauseTiming();
            Env().Fresh(inMemory);
            state.ResumeTiming();
        }
        begin(run);
        for (int i = 0; i <= Bank().EntryHigh; ++i) perEntry(run, i);
        finish(run);
    }
    state.SetItemsProcessed(state.iterations() * count);
    if (fresh) Env().Clean();
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
        state, Entries, [&](const TExportRun& run) { BeginBankExport(run, version2); },
        [&](const TExportRun& run, int i) { WriteExportBankRecord(run, i, version2); },
        FinishExport);
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

// n entries, each in a category of its own, all of which give one page name ("_"): n pages
// whose names the export must find without searching longer for each.
void FillSameNames(int count) {
    ResetBank();
    for (int i = 0; i < count; ++i) {
        TEntry e;
        e.Name = std::to_string(i);
        e.URL.assign(1, 'u');
        e.Category1.assign(size_t(i / 200 + 1), '!');
        e.Category1.append(std::to_string(i % 200)).insert(0, 1, '\xE9');
        for (char& c : e.Category1)
            if (c >= '0' && c <= '9') c = char(0xC0 + (c - '0'));
        Bank().AppendEntry(e);
    }
}

// The HTML pages of same-named categories at n, 4n and 10n, on disk and in memory. Beside
// them, BM_WriteSamePages writes the very files of the export with plain calls: the floor the
// file system sets. The export is linear when its ratio to that floor stays the same.
void BM_ExportHTMLSameNames(benchmark::State& state) {
    Env();
    FillSameNames(int(state.range(0)));
    const bool inMemory = state.range(1) != 0;
    if (inMemory && Env().memFolder.empty()) {
        state.SkipWithError("no folder in memory");
        return;
    }
    state.SetLabel(inMemory ? "in memory" : "on disk");
    RunExport(state, int(state.range(0)), BeginHTMLExport, CollectHTMLEntry, ExportHTML, true,
              inMemory);
}
BENCHMARK(BM_ExportHTMLSameNames)
    ->ArgsProduct({{500, 2000, 5000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

void BM_WriteSamePages(benchmark::State& state) {
    Env();
    FillSameNames(int(state.range(0)));
    const bool inMemory = state.range(1) != 0;
    if (inMemory && Env().memFolder.empty()) {
        state.SkipWithError("no folder in memory");
        return;
    }
    state.SetLabel(inMemory ? "in memory" : "on disk");
    // The files one export writes, names and bytes.
    Env().Fresh(inMemory);
    TBenchRun pages;
    BeginHTMLExport(pages.run);
    for (int i = 0; i <= Bank().EntryHigh; ++i) CollectHTMLEntry(pages.run, i);
    ExportHTML(pages.run);
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& f : std::filesystem::directory_iterator(Env().out))
        files.emplace_back(f.path().filename().string(), ReadFileBytes(f.path().string()));
    for (auto _ : state) {
        state.PauseTiming();
        Env().Fresh(inMemory);
        state.ResumeTiming();
        for (const auto& [name, bytes] : files) {
            const int fd = ::open((Env().out + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
                state.SkipWithError("cannot write");
            if (fd >= 0) ::close(fd);
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    Env().Clean();
}
BENCHMARK(BM_WriteSamePages)
    ->ArgsProduct({{500, 2000, 5000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

void BM_ImportDat(benchmark::State& state) {
    Env().Clean();
    FillBank(Entries);
    TBenchRun dat;
    BeginDatExport(dat.run);
    for (int i = 0; i <= Bank().EntryHigh; ++i) WriteDatRecord(dat.run, i);
    const std::string file = dat.state.ExportFile->FileName();
    FinishExport(dat.run);
    for (auto _ : state) {
        state.PauseTiming();
        ResetBank();
        state.ResumeTiming();
        benchmark::DoNotOptimize(ImportDatFile(Bank(), file));
    }
    state.SetItemsProcessed(state.iterations() * Entries);
}
BENCHMARK(BM_ImportDat)->Unit(benchmark::kMillisecond);

std::string BookmarkFile(int count = Entries) {
    Env().Clean();
    FillBank(count);
    TBenchRun bookmarks;
    BeginBookmarkExport(bookmarks.run);
    for (int i = 0; i <= Bank().EntryHigh; ++i) CollectBookmarkEntry(bookmarks.run, i);
    const std::string file = bookmarks.state.ExportFile->FileName();
    WriteBookmarkEntries(bookmarks.run);
    return file;
}

// A bookmark file of n links imported into an empty bank, at 10,000, 100,000 and 1,000,000
// links: the time per link should not grow with n. The tree's rebuild is not part of it (the
// seam is empty here).
// With LORVANE_BOOKMARK_COPY set, the file imported is also copied there (for the script that
// imports it into another bookmark manager, bench/app/import-vs-buku.sh).
void BM_ImportBookmark(benchmark::State& state) {
    const int count = int(state.range(0));
    const std::string file = BookmarkFile(count);
    if (const char* copy = std::getenv("LORVANE_BOOKMARK_COPY"))
        std::filesystem::copy_file(file, copy, std::filesystem::copy_options::overwrite_existing);
    for (auto _ : state) {
        state.PauseTiming();
        ResetBank();
        state.ResumeTiming();
        benchmark::DoNotOptimize(ImportBookmarkFile(Bank(), file));
    }
    state.counters["per_link"] = benchmark::Counter(
        double(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ImportBookmark)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_ParseBookmarkFile(benchmark::State& state) {
    const std::string bytes = ReadFileBytes(BookmarkFile());
    for (auto _ : state) benchmark::DoNotOptimize(ParseBookmarkFile(bytes));
    state.SetBytesProcessed(state.iterations() * int64_t(bytes.size()));
}
BENCHMARK(BM_ParseBookmarkFile)->Unit(benchmark::kMillisecond);

}  // namespace
