// Writing, loading and sorting generated banks of realistic entries.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "AppSeams.h"
#include "BankFile.h"
#include "BankModel.h"
#include "Settings.h"
#include "StSort.h"
#include "platform/FileUtils.h"

namespace {

std::string Word(std::mt19937& rng, size_t minLen, size_t maxLen) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ";
    std::uniform_int_distribution<size_t> len(minLen, maxLen), pick(0, sizeof letters - 2);
    std::string out(len(rng), ' ');
    for (char& c : out) c = letters[pick(rng)];
    out.front() = 'k';
    out.back() = 'z';
    return out;
}

std::vector<TEntry> Generate(int count) {
    std::mt19937 rng(20240611);
    std::vector<std::string> c1, c2, c3;
    for (int i = 0; i < 20; ++i) c1.push_back(Word(rng, 4, 16));
    for (int i = 0; i < 60; ++i) c2.push_back(Word(rng, 4, 20));
    for (int i = 0; i < 120; ++i) c3.push_back(Word(rng, 4, 20));
    std::uniform_int_distribution<int> percent(0, 99);
    std::vector<TEntry> entries(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        TEntry& e = entries[size_t(i)];
        e.Name = Word(rng, 10, 40) + std::to_string(i);
        e.URL = "https://www." + Word(rng, 5, 15) + ".com/" + Word(rng, 5, 40);
        if (percent(rng) < 5) e.Favorite = "\xBB";
        e.Category1 = c1[size_t(percent(rng)) % c1.size()];
        if (percent(rng) < 70) e.Category2 = c2[size_t(percent(rng)) % c2.size()];
        if (!e.Category2.empty() && percent(rng) < 40) e.Category3 = c3[size_t(percent(rng)) % c3.size()];
        e.Description = Word(rng, 20, 80);
        if (percent(rng) < 50) e.Rating = "4";
        if (percent(rng) < 30) {
            e.UserID = Word(rng, 4, 12);
            e.Password = Word(rng, 6, 12);
            e.EMail = Word(rng, 4, 10) + "@example.org";
        }
        if (percent(rng) < 33) e.Notes = Word(rng, 30, 120) + "\r\n" + Word(rng, 10, 60);
        if (percent(rng) < 10) e.ConfNotes = Word(rng, 10, 40);
        e.ChangeDate = 38000 + i % 5000 + 0.25;
        e.LastAccess = 39000 + i % 3000 + 0.5;
        e.AccessCount = i % 97;
    }
    return entries;
}

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
    Bank().SaveAll = Bank().AsLocal = true;
}

std::string BenchFile(int count, bool isProtected) {
    return "/tmp/lorvane-bench-" + std::to_string(::getpid()) + "-" + std::to_string(count) +
           (isProtected ? "p" : "") + ".bnk";
}

void Cleanup(const std::string& file) {
    std::remove(file.c_str());
    std::remove(BankBackupName(file).c_str());
}

void BM_SaveBank(benchmark::State& state) {
    const int count = int(state.range(0));
    const bool isProtected = state.range(1) != 0;
    Fill(count, isProtected);
    const std::string file = BenchFile(count, isProtected);
    for (auto _ : state) benchmark::DoNotOptimize(SaveBankFile(file));
    state.SetItemsProcessed(state.iterations() * count);
    Cleanup(file);
}

void BM_LoadBank(benchmark::State& state) {
    const int count = int(state.range(0));
    const bool isProtected = state.range(1) != 0;
    Fill(count, isProtected);
    const std::string file = BenchFile(count, isProtected);
    SaveBankFile(file);
    for (auto _ : state) {
        ResetBank();
        int read = 0;
        benchmark::DoNotOptimize(LoadBankFile(file, false, false, false, read));
        if (read != count) state.SkipWithError("wrong count");
    }
    state.SetItemsProcessed(state.iterations() * count);
    Cleanup(file);
}

// The floor for loading: reading the file and splitting it into lines.
void BM_ReadAndSplit(benchmark::State& state) {
    const int count = int(state.range(0));
    const bool isProtected = state.range(1) != 0;
    Fill(count, isProtected);
    const std::string file = BenchFile(count, isProtected);
    SaveBankFile(file);
    for (auto _ : state) benchmark::DoNotOptimize(SplitLines(ReadFileBytes(file)));
    state.SetItemsProcessed(state.iterations() * count);
    Cleanup(file);
}

void BM_SortEntries(benchmark::State& state) {
    const std::vector<TEntry> entries = Generate(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<TEntry> copy = entries;
        state.ResumeTiming();
        SortArray(copy.begin(), copy.end(),
                  [](const TEntry& a, const TEntry& b) { return CompareEntries(a, b, false); });
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

const std::vector<std::vector<int64_t>> Sizes = {{10000, 100000}, {0, 1}};

}  // namespace

BENCHMARK(BM_SaveBank)->ArgsProduct(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBank)->ArgsProduct(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndSplit)->ArgsProduct(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortEntries)->Arg(100000)->Unit(benchmark::kMillisecond);
