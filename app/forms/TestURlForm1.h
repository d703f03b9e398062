// The web page access test dialog: the bank's web entries, a connect to each selected one's
// host in turn, the times and the summary, and the delete of the selected entries.
#pragma once

#include <QDialog>
#include <QIcon>
#include <array>
#include <memory>

#include "TestURLRun.h"

namespace Ui {
class TestURLForm;
}
class TEntryListView;

// Hidden columns of the list after the entry columns.
inline constexpr int tuColumnURL = 5;
inline constexpr int tuColumnResult = 6;

class TTestURLForm : public QDialog {
    Q_OBJECT
public:
    // Without a connector the dialog connects with the HTTP client (60 seconds time-out); the
    // clock is the steady one unless given.
    explicit TTestURLForm(QWidget* parent = nullptr, TUrlConnector* connector = nullptr,
                          TMonotonicClock* clock = nullptr);
    ~TTestURLForm() override;

    Ui::TestURLForm& Form() { return *ui_; }
    TEntryListView& TestList();
    TTestURLRun& Run() { return *run_; }

    void TestButtonClick();
    void DeleteButtonClick();
    void CloseButtonClick();
    // Close, Esc and the window's close button end a run first.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormActivate();
    // The list shows the run's rows, in their order.
    void ShowRows();
    void ShowRow(int row);
    void ShowLabels();
    void RunningChanged(bool running);
    // The icon of a row image (22 answered, 23 failed, 24 untested), one per image, shared by
    // the rows.
    const QIcon& StateIcon(int imageIndex) const;

    std::unique_ptr<Ui::TestURLForm> ui_;
    std::unique_ptr<TUrlConnector> ownConnector_;
    std::unique_ptr<TTestURLRun> run_;
    std::array<QIcon, 3> stateIcons_;  // answered, failed, untested
};
