// The web page access test's rows, run, labels and delete.
#include "TestURLRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "BulkMaintenance.h"
#include "ProgramState.h"
#include "Settings.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"

namespace {

const std::string NoBreakSpace(1, '\xA0');

std::string Seconds2(double seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%2.2f", seconds);
    std::string out(text);
    std::replace(out.begin(), out.end(), ',', '.');  // whatever the locale
    return out + " secs";
}

class TSteadyClock : public TMonotonicClock {
public:
    int64_t NowMs() override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

}  // namespace

std::vector<TTestURLRow> TestURLRows(const TBankState& bank) {
    std::vector<TTestURLRow> rows;
    for (int i = 0; i <= bank.EntryHigh; ++i) {
        const TEntry& e = bank.Entry(i);
        if (e.IsWorkgroup() && !bank.IsAdministrator) continue;
        if (e.URL.size() < 4 || !SameText(std::string_view(e.URL).substr(0, 4), "HTTP")) continue;
        TTestURLRow row;
        row.EntryIndex = i;
        row.Name = e.Name;
        row.Fav = e.Favorite.str() == std::string(1, WorkgroupMarker) ? "*" : NoBreakSpace;
        row.Category1 = e.Category1;
        row.Category2 = e.Category2;
        row.Category3 = e.Category3;
        row.URL = e.URL;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string FormatRunTime(int64_t seconds) {
    if (seconds < 0) seconds = 0;
    char text[32];
    if (seconds < 3600)
        std::snprintf(text, sizeof text, "%02d:%02d", int(seconds / 60), int(seconds % 60));
    else
        std::snprintf(text, sizeof text, "%lld:%02d:%02d", static_cast<long long>(seconds / 3600),
                      int(seconds / 60 % 60), int(seconds % 60));
    return text;
}

TMonotonicClock& SteadyClock() {
    std::shared_ptr<TMonotonicClock>& clock = ProgramState().Clock;
    if (!clock) clock = std::make_shared<TSteadyClock>();
    return *clock;
}

// ---- The run ----

TTestURLRun::TTestURLRun(TUrlConnector& connector, TMonotonicClock& clock)
    : connector_(connector), clock_(clock) {}

TTestURLRun::~TTestURLRun() {
    if (running_) connector_.Cancel();
}

void TTestURLRun::Start() {
    if (running_) return;
    labels_.Summary.clear();
    std::erase_if(rows_, [](const TTestURLRow& r) { return !r.Selected; });
    if (OnRowsChanged) OnRowsChanged();
    startMs_ = clock_.NowMs();
    labels_.Elapsed.clear();
    labels_.ToGo.clear();
    labels_.Average.clear();
    labels_.Maximum.clear();
    current_ = 0;
    failures_ = 0;
    sumMs_ = 0;
    maxMs_ = 0;
    running_ = true;
    if (OnLabelsChanged) OnLabelsChanged();
    if (OnRunningChanged) OnRunningChanged(true);
    Next();
}

void TTestURLRun::Stop() {
    if (!running_) return;
    ++serial_;
    connector_.Cancel();
    running_ = false;
    if (OnRunningChanged) OnRunningChanged(false);
}

void TTestURLRun::Next() {
    // An outcome that arrives inside Start is taken here, in the loop, not by recursion.
    while (running_ && current_ < rows_.size() && rows_[current_].Selected) {
        TTestURLRow& row = rows_[current_];
        row.Result.clear();
        if (OnRowStarted) OnRowStarted(int(current_));
        const uint64_t serial = ++serial_;
        rowStartMs_ = clock_.NowMs();
        starting_ = true;
        doneWhileStarting_ = false;
        connector_.Start(row.URL,
                         [this, serial](bool ok, const std::string&) { Finished(serial, ok); });
        starting_ = false;
        if (!doneWhileStarting_) return;  // the outcome comes later
    }
    if (running_) End();
}

void TTestURLRun::Finished(uint64_t serial, bool ok) {
    if (!running_ || serial != serial_ || current_ >= rows_.size()) return;
    ++serial_;  // a second outcome of the same connect is ignored
    const int64_t now = clock_.NowMs();
    TTestURLRow& row = rows_[current_];
    if (ok) {
        row.Result = "S";
        row.ImageIndex = tuAnswered;
    } else {
        ++failures_;
        row.ImageIndex = tuFailed;
    }
    const int64_t i = int64_t(current_);
    const int64_t n = int64_t(rows_.size());
    const int64_t elapsed = (now - startMs_) / 1000;
    labels_.Elapsed = FormatRunTime(elapsed);
    labels_.ToGo = FormatRunTime((elapsed * 100 / (i + 1)) * (n - i - 1) / 100);
    const int64_t d = now - rowStartMs_;
    sumMs_ += d;
    labels_.Average = Seconds2(double(sumMs_) / 1000.0 / double(i + 1));
    if (d > maxMs_) {
        maxMs_ = d;
        labels_.Maximum = Seconds2(double(maxMs_) / 1000.0);
    }
    row.Selected = false;
    ++current_;
    if (OnRowChanged) OnRowChanged(int(i));
    if (OnLabelsChanged) OnLabelsChanged();
    if (starting_)
        doneWhileStarting_ = true;
    else
        Next();
}

void TTestURLRun::End() {
    // Only the rows actually tested count.
    const int tested = int(current_);
    labels_.Summary = failures_ > 0 ? std::to_string(tested - failures_) + " of " +
                                          std::to_string(tested) + " Tests Were Successful!"
                                    : std::to_string(tested) + " Tests Were Successful!";
    running_ = false;
    if (OnLabelsChanged) OnLabelsChanged();
    if (OnRunningChanged) OnRunningChanged(false);
}

// ---- Delete ----

bool DeleteSelectedTestEntries(TBankState& bank, const TSettings& settings,
                               const std::vector<int>& entryIndices) {
    if (settings.ConfirmDeletes && MessageDlg("Do you want to delete the selected entries?",
                                              TMsgDlgType::mtConfirmation, mbYesNo) != mrYes)
        return false;
    if (entryIndices.empty()) {
        MessageDlg("No Entries Selected!\rPlease try again.", TMsgDlgType::mtError, mbOK);
        return false;
    }
    RemoveEntries(bank, entryIndices);
    MessageDlg("Deletes complete.", TMsgDlgType::mtInformation, mbOK);
    return true;
}
