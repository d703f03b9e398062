// Reading Chromium session files of many commands, each shape at n and 4n: navigations and as
// many prunes of one tab, empty windows beside tabs without entries, tabs made and closed. The
// time of 4n should be about four times that of n. And the memory a file of six million tabs
// near the size cap takes to read, beyond the process's before.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "BrowserSessions.h"
#include "tests/app/ChromiumSessionWriter.h"

namespace {

void Read(benchmark::State& state, const std::string& bytes) {
    for (auto _ : state) {
        auto page = ReadChromiumSession(bytes);
        if (!page) state.SkipWithError("no page");
        benchmark::DoNotOptimize(page);
    }
    state.counters["KB"] = double(bytes.size()) / 1024;
}

// n entries of one tab, then n prunes of its second entry: the first is left.
void BM_ChromiumPrunes(benchmark::State& state) {
    const auto n = int32_t(state.range(0));
    SessionWriter s;
    s.Ints(0, 1, 1);
    for (int32_t i = 0; i < n; ++i)
        s.Navigation(1, i, "http://example.com/" + std::to_string(i), u"");
    for (int32_t i = 0; i < n; ++i) s.Command(24, LE32(1) + LE32(1) + LE32(1));
    Read(state, s.Bytes);
}
BENCHMARK(BM_ChromiumPrunes)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

// n windows without tabs, n tabs without entries outside them, and one tab with an entry in a
// window of its own, named last.
void BM_ChromiumEmptyWindows(benchmark::State& state) {
    const auto n = int32_t(state.range(0));
    SessionWriter s;
    for (int32_t i = 0; i < n; ++i) s.Ints(8, 1000000 + i, 0);
    for (int32_t i = 0; i < n; ++i) s.Ints(2, i, 0);
    s.Ints(0, 7, -1);
    s.Navigation(-1, 0, "http://example.com/", u"");
    Read(state, s.Bytes);
}
BENCHMARK(BM_ChromiumEmptyWindows)->Arg(11250)->Arg(45000)->Unit(benchmark::kMillisecond);

// n tabs, then each closed in the order they were made, and one tab with an entry.
void BM_ChromiumClosedTabs(benchmark::State& state) {
    const auto n = int32_t(state.range(0));
    SessionWriter s;
    for (int32_t i = 0; i < n; ++i) s.Ints(0, 1, i);
    for (int32_t i = 0; i < n; ++i) s.Command(16, LE32(uint32_t(i)) + std::string(12, '\0'));
    s.Ints(0, 1, -1);
    s.Navigation(-1, 0, "http://example.com/", u"");
    Read(state, s.Bytes);
}
BENCHMARK(BM_ChromiumClosedTabs)->Arg(25000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The peak resident memory, in megabytes, of reading a file of six million tabs (66 MB) from
// disk, beyond what the process held before; once, since the peak is the process's.
void BM_ChromiumSixMillionTabsPeak(benchmark::State& state) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("lorvane-bench-session-" + std::to_string(::getpid()));
    {
        SessionWriter s;
        s.Bytes.reserve(66u << 20);
        for (int32_t i = 0; i < 6000000; ++i) s.Ints(0, 1, i);
        s.Navigation(5999999, 0, "http://example.com/", u"");
        std::ofstream(path, std::ios::binary) << s.Bytes;
    }
    const auto statusKB = [](const std::string& field) {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind(field + ":", 0) == 0) return std::stod(line.substr(field.size() + 1));
        return 0.0;
    };
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts anew
    const double before = statusKB("VmRSS");
    for (auto _ : state) {
        auto page = ReadBrowserSessionFile({TBrowserFamily::Chromium, path, {}, false});
        if (!page) state.SkipWithError("no page");
        benchmark::DoNotOptimize(page);
    }
    state.counters["peak_MB"] = (statusKB("VmHWM") - before) / 1024;
    state.counters["file_MB"] = double(std::filesystem::file_size(path)) / (1 << 20);
    std::filesystem::remove(path);
}
BENCHMARK(BM_ChromiumSixMillionTabsPeak)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
