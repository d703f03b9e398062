// Loading, saving and sorting generated banks of realistic entries, each beside its floor in
// the same run: a plain read and split of the same file (and one that keeps every value as its
// own string) for loads, a write, fsync and rename of the same bytes for saves.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "AppSeams.h"
#include "BankFile.h"
#include "BankModel.h"
#include "GeneratedBank.h"
#include "MainTree.h"
#include "Settings.h"
#include "platform/FileUtils.h"

namespace {

void Fill(int count, bool isProtected) {
    ResetBank();
    ResetSeams();
    Settings().ConfirmSaves = false;
    Settings().PWordFile = isProtected;
    Settings().BankPassword = "Secret";
    Seams().AskPassword = [](std::string& typed) {
        typed = "Secret";
        return true;
    };
    for (const TEntry& e : Generate(count)) Bank().AppendEntry(e);
    Bank().SaveScope = {TSaveScope::swAll, false};
}

std::string BenchFile(int count, bool isProtected) {
    return "/tmp/lorvane-bench-" + std::to_string(::getpid()) + "-" + std::to_string(count) +
           (isProtected ? "p" : "") + ".bnk";
}

void Cleanup(const std::string& file) {
    std::remove(file.c_str());
    std::remove(BankBackupName(file).c_str());
}

// A saved bank of `count` generated entries, written once per run and shared by the
// benchmarks that compare against each other.
const std::string& SavedBank(int count, bool isProtected) {
    static std::map<std::pair<int, bool>, std::string> files;
    auto [it, added] = files.try_emplace({count, isProtected}, BenchFile(count, isProtected));
    if (added) {
        Fill(count, isProtected);
        SaveBankFile(it->second);
        ResetBank();
        std::atexit([] {
            for (const auto& [key, name] : files) Cleanup(name);
        });
    }
    return it->second;
}

// The whole file in one read, as a fast reader would take it.
std::string ReadWhole(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    ::fstat(fd, &st);
    std::string bytes(size_t(st.st_size), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += size_t(n);
    }
    ::close(fd);
    bytes.resize(done);
    return bytes;
}

// Lines at CR, LF or CR LF, as views into the bytes.
std::vector<std::string_view> SplitViews(std::string_view bytes) {
    std::vector<std::string_view> lines;
    lines.reserve(bytes.size() / 24);
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    while (p < end) {
        const char* start = p;
        while (p < end && *p != '\r' && *p != '\n') ++p;
        lines.emplace_back(start, size_t(p - start));
        if (p < end && *p == '\r' && p + 1 < end && p[1] == '\n') ++p;
        ++p;
    }
    return lines;
}

// What the heap holds: small blocks and the large ones mapped on their own.
size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void BM_LoadBank(benchmark::State& state) {
    const int count = int(state.range(0));
    const bool isProtected = state.range(1) != 0;
    const std::string& file = SavedBank(count, isProtected);
    Fill(0, isProtected);
    const double fileSize = double(ReadWhole(file).size());
    double memory = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ResetBank();
        const size_t before = HeapInUse();
        state.ResumeTiming();
        int read = 0;
        benchmark::DoNotOptimize(LoadBankFile(file, false, false, false, read));
        if (read != count) state.SkipWithError("wrong count");
        state.PauseTiming();
        memory = double(HeapInUse() - before);
        state.ResumeTiming();
    }
    // The heap the loaded bank holds, per byte of its file.
    state.counters["heap/file"] = memory / fileSize;
    state.SetItemsProcessed(state.iterations() * count);
    ResetBank();
}

// The load floor: one read of the same file and a split into lines, nothing kept.
void BM_LoadFloorReadSplit(benchmark::State& state) {
    const std::string& file = SavedBank(int(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        const std::string bytes = ReadWhole(file);
        benchmark::DoNotOptimize(SplitViews(bytes).size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The floor that keeps every value: the same read and split, each value (after the
// seven-column record number and the tag) copied into its own string. The values of the run
// before are freed with the timing paused, as the load's previous bank is.
void BM_LoadFloorKeepValues(benchmark::State& state) {
    const std::string& file = SavedBank(int(state.range(0)), state.range(1) != 0);
    std::vector<std::string> values;
    for (auto _ : state) {
        state.PauseTiming();
        values = std::vector<std::string>();
        state.ResumeTiming();
        const std::string bytes = ReadWhole(file);
        const std::vector<std::string_view> lines = SplitViews(bytes);
        values.reserve(lines.size());
        for (std::string_view line : lines)
            values.emplace_back(line.size() > 10 ? line.substr(10) : std::string_view());
        benchmark::DoNotOptimize(values.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SaveBank(benchmark::State& state) {
    const int count = int(state.range(0));
    const bool isProtected = state.range(1) != 0;
    Fill(count, isProtected);
    const std::string file = BenchFile(count, isProtected) + ".save";
    for (auto _ : state)
        if (!SaveBankFile(file)) state.SkipWithError("not saved");
    struct stat st {};
    ::stat(file.c_str(), &st);
    state.counters["file_MB"] = double(st.st_size) / (1024.0 * 1024.0);
    state.SetItemsProcessed(state.iterations() * count);
    Cleanup(file);
    ResetBank();
}

// The save floor: the same bytes written to a new file, synced and renamed over the old (and,
// as the bank's save does, the folder synced after the rename).
void SaveFloor(benchmark::State& state, bool syncFolder) {
    const std::string bytes = ReadWhole(SavedBank(int(state.range(0)), state.range(1) != 0));
    const std::string file = BenchFile(int(state.range(0)), state.range(1) != 0) + ".floor";
    const std::string temp = file + ".tmp";
    for (auto _ : state) {
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) break;
            done += size_t(n);
        }
        ::fsync(fd);
        ::close(fd);
        ::rename(temp.c_str(), file.c_str());
        if (syncFolder) {
            const int dir = ::open("/tmp", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::fsync(dir);
            ::close(dir);
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    std::remove(file.c_str());
}

void BM_SaveFloorWriteSyncRename(benchmark::State& state) {
    SaveFloor(state, false);
}
void BM_SaveFloorAndFolderSync(benchmark::State& state) {
    SaveFloor(state, true);
}

// The records alone, formatted into one reused buffer: no file.
void BM_FormatRecords(benchmark::State& state) {
    const int count = int(state.range(0));
    Fill(count, state.range(1) != 0);
    TRecordOptions options;
    options.Protected = state.range(1) != 0;
    std::string out;
    for (auto _ : state) {
        int number = 0;
        for (int i = 0; i < count; ++i) {
            WriteEntryRecord(out, Bank().Entry(i), ++number, options);
            if (out.size() > (1 << 20)) out.clear();
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * count);
    ResetBank();
}

void BM_SortEntries(benchmark::State& state) {
    TBankState bank;
    for (const TEntry& e : Generate(int(state.range(0)))) bank.AppendEntry(e);
    const std::vector<TEntry> entries = bank.Entries;
    for (auto _ : state) {
        state.PauseTiming();
        bank.Entries = entries;
        state.ResumeTiming();
        SortEntries(bank, false);
        benchmark::DoNotOptimize(bank.Entries.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

const std::vector<std::vector<int64_t>> Sizes = {{10000, 100000}, {0, 1}};

// Side by side: each of our own steps right next to its floors on the same file, size by size,
// so a change in the machine's load between them skews the ratios least. For steadier figures
// run with --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true.
const bool Registered = [] {
    const std::pair<const char*, void (*)(benchmark::State&)> group[] = {
        {"BM_LoadBank", BM_LoadBank},
        {"BM_LoadFloorReadSplit", BM_LoadFloorReadSplit},
        {"BM_LoadFloorKeepValues", BM_LoadFloorKeepValues},
        {"BM_SaveBank", BM_SaveBank},
        {"BM_SaveFloorWriteSyncRename", BM_SaveFloorWriteSyncRename},
        {"BM_SaveFloorAndFolderSync", BM_SaveFloorAndFolderSync},
        {"BM_FormatRecords", BM_FormatRecords},
    };
    for (int64_t size : Sizes[0])
        for (int64_t kind : Sizes[1])
            for (const auto& [name, function] : group)
                benchmark::RegisterBenchmark(name, function)
                    ->Args({size, kind})
                    ->Unit(benchmark::kMillisecond);
    // Cold: one operation in a fresh process (run each alone with --benchmark_filter, e.g.
    // 'Cold/BM_LoadBank/100000/0/'), after the file was written in the same way for both.
    for (int64_t kind : Sizes[1])
        for (const auto& [name, function] : {group[0], group[2], group[3], group[4]})
            benchmark::RegisterBenchmark((std::string("Cold/") + name).c_str(), function)
                ->Args({100000, kind})
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace

BENCHMARK(BM_SortEntries)->Arg(100000)->Unit(benchmark::kMillisecond);
