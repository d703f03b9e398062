// The web page access test over a scripted connector and clock: rows, run, labels, delete.
#include "TestURLRun.h"

#include <deque>

#include "BankFixture.h"

namespace {

class FakeConnector : public TUrlConnector {
public:
    void Start(const std::string& url, TDone done) override {
        started.push_back(url);
        pending = std::move(done);
        if (!immediate.empty()) {
            const bool ok = immediate.front();
            immediate.pop_front();
            Finish(ok);
        }
    }
    void Cancel() override {
        ++cancels;
        kept = std::move(pending);
        pending = nullptr;
    }
    void Finish(bool ok, const std::string& error = "[10061] Connection refused") {
        ASSERT_TRUE(pending);
        TDone done = std::move(pending);
        pending = nullptr;
        done(ok, ok ? std::string() : error);
    }

    Strings started;
    TDone pending;
    TDone kept;                  // a cancelled connect's handler, to prove it is ignored
    std::deque<bool> immediate;  // outcomes given inside Start
    int cancels = 0;
};

// Answers from a script of times, then keeps the last one.
class FakeClock : public TMonotonicClock {
public:
    int64_t NowMs() override {
        if (!script.empty()) {
            now = script.front();
            script.pop_front();
        }
        return now;
    }
    std::deque<int64_t> script;
    int64_t now = 0;
};

class TestURLRun : public BankFixture {
protected:
    TestURLRun() {
        run.OnRunningChanged = [this](bool on) { runningNews.push_back(on); };
        run.OnRowChanged = [this](int row) { changedRows.push_back(row); };
    }
    // Rows for these names, every one selected.
    void Fill(const Strings& names) {
        for (const auto& n : names) Add(Named(n));
        run.Rows() = TestURLRows(Bank());
        for (auto& r : run.Rows()) r.Selected = true;
    }
    Strings RowNames() {
        Strings out;
        for (const auto& r : run.Rows()) out.push_back(r.Name);
        return out;
    }

    FakeConnector connector;
    FakeClock clock;
    TTestURLRun run{connector, clock};
    std::vector<bool> runningNews;
    std::vector<int> changedRows;
};

TEST_F(TestURLRun, RowsAreTheEntriesWhoseURLBeginsWithHttp) {
    const char* urls[] = {"http://a", "HTTPS://b", "www.c.com", "None", "ftp://d", "Http"};
    for (const char* url : urls) {
        TEntry e = Named(std::string("n") + url);
        e.URL = url;
        Add(e);
    }
    TEntry fav = Named("fav");
    fav.Favorite = Mark;
    fav.Category1 = "One";
    Add(fav);
    Add(Named(Mark + "W"));

    auto rows = TestURLRows(Bank());
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].URL, "http://a");
    EXPECT_EQ(rows[1].URL, "HTTPS://b");
    EXPECT_EQ(rows[2].URL, "Http");  // only the four letters count
    EXPECT_EQ(rows[1].EntryIndex, 1);
    EXPECT_EQ(rows[0].Fav, "\xA0");
    EXPECT_EQ(rows[3].Fav, "*");
    EXPECT_EQ(rows[3].Category1, "One");
    EXPECT_EQ(rows[3].ImageIndex, tuUntested);
    EXPECT_TRUE(rows[3].Result.empty());
    EXPECT_FALSE(rows[3].Selected);

    Bank().IsAdministrator = true;
    rows = TestURLRows(Bank());
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[4].Name, Mark + "W");
    EXPECT_EQ(rows[4].EntryIndex, 7);
}

TEST_F(TestURLRun, TestWithNothingSelectedRemovesEveryRow) {
    Fill({"a", "b"});
    for (auto& r : run.Rows()) r.Selected = false;
    run.Start();
    EXPECT_TRUE(run.Rows().empty());
    EXPECT_TRUE(connector.started.empty());
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(run.Labels().Summary, "0 Tests Were Successful!");
}

TEST_F(TestURLRun, FiveRowsWithTwoFailures) {
    Fill({"a", "b", "x", "c", "d", "e"});
    run.Rows()[2].Selected = false;  // removed by Test
    run.Start();
    EXPECT_TRUE(run.Running());
    EXPECT_EQ(runningNews, std::vector<bool>{true});
    EXPECT_EQ(connector.started, Strings{"http://a"});
    run.Start();  // ignored while running
    EXPECT_EQ(connector.started.size(), 1u);
    EXPECT_EQ(run.Rows().size(), 5u);
    for (bool ok : {true, false, true, false, true}) connector.Finish(ok);

    EXPECT_EQ(connector.started,
              (Strings{"http://a", "http://b", "http://c", "http://d", "http://e"}));
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(runningNews, (std::vector<bool>{true, false}));
    EXPECT_EQ(run.Labels().Summary, "3 of 5 Tests Were Successful!");
    const int images[] = {tuAnswered, tuFailed, tuAnswered, tuFailed, tuAnswered};
    for (int i = 0; i < 5; ++i) {
        const TTestURLRow& r = run.Rows()[size_t(i)];
        EXPECT_EQ(r.ImageIndex, images[i]) << i;
        EXPECT_EQ(r.Result, images[i] == tuAnswered ? "S" : "") << i;
        EXPECT_FALSE(r.Selected) << i;
    }
    EXPECT_EQ(changedRows, (std::vector<int>{0, 1, 2, 3, 4}));
    // A second Test without selecting again empties the list.
    run.Start();
    EXPECT_TRUE(run.Rows().empty());
    EXPECT_EQ(run.Labels().Summary, "0 Tests Were Successful!");
}

TEST_F(TestURLRun, LabelFormulas) {
    Fill({"a", "b", "c", "d", "e"});
    // Run start, then each row's start and end.
    clock.script = {0, 0, 500, 9000, 10000};
    run.Start();
    connector.Finish(true);
    EXPECT_EQ(run.Labels().Elapsed, "00:00");
    EXPECT_EQ(run.Labels().Average, "0.50 secs");
    EXPECT_EQ(run.Labels().Maximum, "0.50 secs");
    connector.Finish(false);
    EXPECT_EQ(run.Labels().Elapsed, "00:10");
    EXPECT_EQ(run.Labels().ToGo, "00:15");  // (10 * 100 div 2) * 3 div 100
    EXPECT_EQ(run.Labels().Average, "0.75 secs");
    EXPECT_EQ(run.Labels().Maximum, "1.00 secs");
    // Past the hour: the third row ends 3725 s after the start.
    clock.script = {3725000};
    connector.Finish(true);
    EXPECT_EQ(run.Labels().Elapsed, "1:02:05");
    EXPECT_EQ(run.Labels().ToGo, "41:23");  // (3725 * 100 div 3) * 2 div 100 = 2483 s
    EXPECT_EQ(run.Labels().Maximum, "3715.00 secs");
    run.Stop();
}

TEST_F(TestURLRun, TimesAcrossTheHourAndInstantConnects) {
    EXPECT_EQ(FormatRunTime(0), "00:00");
    EXPECT_EQ(FormatRunTime(3599), "59:59");
    EXPECT_EQ(FormatRunTime(3600), "1:00:00");
    EXPECT_EQ(FormatRunTime(36000 + 61), "10:01:01");
    // Connects that take no time leave the maximum empty; outcomes given inside Start are
    // taken in order.
    Fill({"a", "b", "c"});
    connector.immediate = {true, false, true};
    run.Start();
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(connector.started.size(), 3u);
    EXPECT_EQ(run.Labels().Maximum, "");
    EXPECT_EQ(run.Labels().Average, "0.00 secs");
    EXPECT_EQ(run.Labels().Summary, "2 of 3 Tests Were Successful!");
}

TEST_F(TestURLRun, StopCancelsThePendingConnectAndStartsNoOther) {
    Fill({"a", "b", "c"});
    run.Start();
    connector.Finish(true);
    ASSERT_TRUE(connector.pending);
    run.Stop();
    EXPECT_EQ(connector.cancels, 1);
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(runningNews, (std::vector<bool>{true, false}));
    connector.kept(false, "late");  // a late outcome changes nothing
    EXPECT_EQ(connector.started.size(), 2u);
    EXPECT_EQ(run.Rows()[1].ImageIndex, tuUntested);
    EXPECT_TRUE(run.Labels().Summary.empty());
    run.Stop();  // nothing under way
    EXPECT_EQ(connector.cancels, 1);
}

TEST_F(TestURLRun, FreeingTheRunCancelsItsConnect) {
    Fill({"a"});
    {
        TTestURLRun other(connector, clock);
        other.Rows() = run.Rows();
        other.Start();
    }
    EXPECT_EQ(connector.cancels, 1);
}

// ---- Delete ----

class TestURLDelete : public BankFixture {
protected:
    TestURLDelete() {
        bank.Seams = &Seams();  // the fixture's
        bank.IsAdministrator = true;
        for (const auto& n : {"Alpha", "alpha", "Beta", "ALPHA"}) bank.AppendEntry(Named(n));
        bank.AppendEntry(Named(Mark + "Gamma"));
        TEntry ftp = Named("alpha");
        ftp.URL = "ftp://alpha";
        bank.AppendEntry(ftp);
        rows = TestURLRows(bank);
    }
    // The entry indices of the rows with these names, as the list reports its selection.
    std::vector<int> Select(const Strings& names) {
        std::vector<int> indices;
        for (const auto& r : rows)
            if (std::find(names.begin(), names.end(), r.Name) != names.end())
                indices.push_back(r.EntryIndex);
        return indices;
    }
    TBankState bank;
    TSettings settings;
    std::vector<TTestURLRow> rows;
};

TEST_F(TestURLDelete, RemovesExactlyTheSelectedRowsByIndexWithFlagsByMarker) {
    messages.Answer(mrYes);
    EXPECT_TRUE(DeleteSelectedTestEntries(bank, settings, Select({"alpha", Mark + "Gamma"})));
    EXPECT_EQ(Names(bank), (Strings{"Alpha", "Beta", "ALPHA", "alpha"}));
    EXPECT_TRUE(bank.BankModified);
    EXPECT_TRUE(bank.WorkgroupModified);
    EXPECT_EQ(messages.Texts(),
              (Strings{"Do you want to delete the selected entries?", "Deletes complete."}));
    EXPECT_EQ(messages.Shown[0].Type, TMsgDlgType::mtConfirmation);
}

TEST_F(TestURLDelete, OnlyTheMarkersFlag) {
    settings.ConfirmDeletes = false;
    EXPECT_TRUE(DeleteSelectedTestEntries(bank, settings, Select({"Beta"})));
    EXPECT_EQ(Names(bank), (Strings{"Alpha", "alpha", "ALPHA", Mark + "Gamma", "alpha"}));
    EXPECT_TRUE(bank.BankModified);
    EXPECT_FALSE(bank.WorkgroupModified);
    EXPECT_EQ(saveEnabled, std::vector<bool>{true});  // the deletion can be saved
    EXPECT_EQ(messages.Texts(), Strings{"Deletes complete."});
}

TEST_F(TestURLDelete, NoAndNothingSelectedDeleteNothing) {
    messages.Answer(mrNo);
    EXPECT_FALSE(DeleteSelectedTestEntries(bank, settings, Select({"Beta"})));
    messages.Answer(mrYes);  // the question comes before the selection is looked at
    EXPECT_FALSE(DeleteSelectedTestEntries(bank, settings, {}));
    EXPECT_EQ(bank.Count(), 6);
    EXPECT_FALSE(bank.BankModified);
    ASSERT_EQ(messages.Shown.size(), 3u);
    EXPECT_EQ(messages.Shown[2].Text, "No Entries Selected!\rPlease try again.");
    EXPECT_EQ(messages.Shown[2].Type, TMsgDlgType::mtError);
}

}  // namespace
