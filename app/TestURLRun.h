// The web page access test without its window: the rows, the run over a connector and a
// clock, the labels and the delete of the selected rows' entries.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "BankModel.h"

struct TSettings;

// Row images, indices into the tool bar's image list.
inline constexpr int tuAnswered = 22;
inline constexpr int tuFailed = 23;
inline constexpr int tuUntested = 24;

// One row of the test list.
struct TTestURLRow {
    int EntryIndex = -1;
    std::string Name;
    std::string Fav;  // "*" for a favourite, else the no-break space 0xA0
    std::string Category1;
    std::string Category2;
    std::string Category3;
    std::string URL;
    std::string Result;  // "S" once the host has answered
    int ImageIndex = tuUntested;
    bool Selected = false;
};

// The rows of the bank's web entries in bank order: entries whose URL begins with "HTTP"
// (ASCII case ignored); entries with a marked name only for administrators.
std::vector<TTestURLRow> TestURLRows(const TBankState& bank);

// A count of seconds as "mm:ss", and as "h:mm:ss" from one hour on.
std::string FormatRunTime(int64_t seconds);

// Connects to the host of a URL, one at a time.
class TUrlConnector {
public:
    // ok, or the client's error text.
    using TDone = std::function<void(bool ok, const std::string& error)>;
    virtual ~TUrlConnector() = default;
    // Starts a connect; `done` is called once with its outcome (it may be called before Start
    // returns) unless Cancel comes first.
    virtual void Start(const std::string& url, TDone done) = 0;
    // Drops the connect under way at once; its `done` is never called.
    virtual void Cancel() = 0;
};

// Milliseconds of a clock that never goes back.
class TMonotonicClock {
public:
    virtual ~TMonotonicClock() = default;
    virtual int64_t NowMs() = 0;
};
// The system's steady clock.
TMonotonicClock& SteadyClock();

// The dialog's labels that a run writes.
struct TTestURLLabels {
    std::string Elapsed;  // Label3
    std::string ToGo;     // Label4
    std::string Average;  // Label8
    std::string Maximum;  // Label10
    std::string Summary;  // Label6
};

// The test run: the selected rows are tested one after another, each when the previous one's
// outcome arrives, so the window's events keep flowing between them.
class TTestURLRun {
public:
    TTestURLRun(TUrlConnector& connector, TMonotonicClock& clock);
    ~TTestURLRun();
    TTestURLRun(const TTestURLRun&) = delete;
    TTestURLRun& operator=(const TTestURLRun&) = delete;

    std::vector<TTestURLRow>& Rows() { return rows_; }
    const TTestURLLabels& Labels() const { return labels_; }
    bool Running() const { return running_; }

    // Test: the unselected rows are removed, then the others are tested in order. Ignored
    // while a run is active.
    void Start();
    // Ends a run at once: the pending connect is cancelled and nothing more is started.
    void Stop();

    std::function<void()> OnRowsChanged;        // rows removed
    std::function<void(int row)> OnRowStarted;  // its connect is starting
    std::function<void(int row)> OnRowChanged;  // image, result or selection changed
    std::function<void()> OnLabelsChanged;
    std::function<void(bool running)> OnRunningChanged;

private:
    void Next();
    void Finished(uint64_t serial, bool ok);
    void End();

    TUrlConnector& connector_;
    TMonotonicClock& clock_;
    std::vector<TTestURLRow> rows_;
    TTestURLLabels labels_;
    bool running_ = false;
    bool starting_ = false;  // inside the connector's Start
    bool doneWhileStarting_ = false;
    uint64_t serial_ = 0;  // of the connect under way; older outcomes are ignored
    size_t current_ = 0;
    int failures_ = 0;
    int64_t startMs_ = 0;
    int64_t rowStartMs_ = 0;
    int64_t sumMs_ = 0;
    int64_t maxMs_ = 0;
};

// The Delete button over the entry indices of the selected rows, on the bank and settings
// handed in (the dialog hands in the program's): with ConfirmDeletes the
// question "Do you want to delete the selected entries?" (No ends it); with no row selected
// "No Entries Selected!"; otherwise those entries are removed by index, each removal setting
// the modified flag of its name's marker, and "Deletes complete." is shown. True when entries
// were deleted (the dialog then closes).
bool DeleteSelectedTestEntries(TBankState& bank, const TSettings& settings,
                               const std::vector<int>& entryIndices);
