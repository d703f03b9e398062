// Opening the duplicate URLs dialog and the web page access test dialog on generated banks, at
// two sizes in the same run: each dialog is built, shown and painted offscreen; closing it is not
// timed.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "AppSeams.h"
#include "DupForm.h"
#include "GeneratedBank.h"
#include "TestURlForm1.h"

namespace {

// Generated entries over one host for every eight entries, a quarter of them on a shared page:
// every entry is in a group on the major domain, a quarter of them on the full URL.
std::vector<TEntry> WithSharedHosts(int count) {
    std::vector<TEntry> entries = Generate(count);
    std::mt19937 rng(7);
    std::vector<std::string> hosts;
    for (int i = 0; i < std::max(count / 8, 1); ++i) hosts.push_back(Word(rng, 5, 15));
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string& host = hosts[i * 7919 % hosts.size()];
        entries[i].URL = "https://www." + host + ".com/" +
                         (i % 4 == 0 ? std::string("index.html") : Word(rng, 5, 40));
    }
    return entries;
}

void Load(const std::vector<TEntry>& entries) {
    ResetBank();
    Bank().Entries = entries;
    Bank().EntryHigh = int32_t(entries.size()) - 1;
}

class NoConnector : public TUrlConnector {
public:
    void Start(const std::string&, TDone) override {}
    void Cancel() override {}
};

// Arguments: entries, major domain (1) or full URL (0).
void BM_DupFormOpen(benchmark::State& state) {
    ResetSeams();
    Load(WithSharedHosts(int(state.range(0))));
    for (auto _ : state) {
        auto form = std::make_unique<TDupForm>(state.range(1) != 0);
        form->resize(760, 420);
        form->show();
        QApplication::processEvents();
        state.PauseTiming();
        form.reset();  // closing is not timed
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DupFormOpen)
    ->Args({25000, 1})
    ->Args({100000, 1})
    ->Args({25000, 0})
    ->Args({100000, 0})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// A resize of the open dialog, repainted.
void BM_DupFormResize(benchmark::State& state) {
    ResetSeams();
    Load(WithSharedHosts(int(state.range(0))));
    TDupForm form(true);
    form.resize(760, 420);
    form.show();
    QApplication::processEvents();
    int step = 0;
    for (auto _ : state) {
        form.resize(760 + (++step % 2) * 100, 420);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_DupFormResize)->Arg(25000)->Arg(100000)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_TestURLFormOpen(benchmark::State& state) {
    ResetSeams();
    Load(WithSharedHosts(int(state.range(0))));
    NoConnector connector;
    for (auto _ : state) {
        auto form = std::make_unique<TTestURLForm>(nullptr, &connector);
        form->show();
        QApplication::processEvents();
        state.PauseTiming();
        form.reset();  // closing is not timed
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TestURLFormOpen)
    ->Arg(25000)
    ->Arg(100000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
