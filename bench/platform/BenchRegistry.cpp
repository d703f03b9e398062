// The settings store read from a file of n values in one key, and from one of n sibling keys,
// at 20,000 and 80,000 in the same run: at 80,000 a read should take about four times as long.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Registry.h"

namespace {

constexpr auto HKCU = TRegRoot::CurrentUser;

struct TRegistryFiles {
    TRegistryFiles() {
        char pattern[] = "/tmp/lorvane-bench-registry-XXXXXX";
        folder = std::string(mkdtemp(pattern)) + "/";
    }
    ~TRegistryFiles() { std::filesystem::remove_all(folder); }
    std::string folder;
};

TRegistryFiles& Files() {
    static TRegistryFiles files;
    return files;
}

// The file text: n values in the key "Software\Many", or n keys below "Software\Many" each
// holding one value.
std::string RegistryFile(bool keys, int n) {
    std::string text = "LORVANE-REGISTRY 1\n";
    if (!keys) text += "\n[HKEY_CURRENT_USER\\Software\\Many]\n";
    for (int i = 0; i < n; ++i) {
        const std::string number = std::to_string(i);
        if (keys) text += "\n[HKEY_CURRENT_USER\\Software\\Many\\Key" + number + "]\n";
        text += "\"Value" + number + "\"=sz:\"" + number + "\"\n";
    }
    const std::string file = Files().folder + (keys ? "keys" : "values") + std::to_string(n);
    std::ofstream(file, std::ios::binary) << text;
    return file;
}

// A store opened on the file and read whole, as at start-up.
void BM_RegistryRead(benchmark::State& state) {
    const bool keys = state.range(0) != 0;
    const int n = int(state.range(1));
    state.SetLabel(keys ? "sibling keys" : "values in one key");
    const std::string file = RegistryFile(keys, n);
    for (auto _ : state) {
        TRegistryStore store(file);
        TRegKeyInfo info;
        if (store.QueryInfoKey(HKCU, "Software\\Many", info) != ERROR_SUCCESS ||
            (keys ? info.SubKeys : info.Values) != n)
            state.SkipWithError("the file did not read whole");
    }
    state.counters["per_item"] = benchmark::Counter(
        double(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RegistryRead)->ArgsProduct({{0, 1}, {20000, 80000}})->Unit(benchmark::kMillisecond);

}  // namespace
