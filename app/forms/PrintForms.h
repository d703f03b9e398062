// The Print command's dialogs: the entries to print (TPrintSelForm, on the shared entry list)
// and the report to print them in (TReptSelForm). The print dialog owns the printer report
// and stays open for further runs until "Done".
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "PrintReports.h"

class QCheckBox;
class QPushButton;
class TEntryListView;
class TPrintReport;
namespace Ui {
class PrintSelForm;
class ReptSelForm;
}  // namespace Ui

// The choice of report and, for the custom report, of its fields.
class TReptSelForm : public QDialog {
    Q_OBJECT
public:
    explicit TReptSelForm(QWidget* parent = nullptr);
    ~TReptSelForm() override;
    Ui::ReptSelForm& Form() { return *ui_; }

    TReportKind Kind() const;
    void SetKind(TReportKind kind);
    // The fields ticked, in the order they print.
    TPrintFields Fields() const;

private:
    // Choosing "Custom" (not clicking it again) ticks every field.
    void RptNoSelectionClick();

    std::unique_ptr<Ui::ReptSelForm> ui_;
    // The fifteen check boxes in the order the fields print.
    std::vector<QCheckBox*> boxes_;
};

class TPrintSelForm : public QDialog {
    Q_OBJECT
public:
    explicit TPrintSelForm(QWidget* parent = nullptr);
    ~TPrintSelForm() override;
    Ui::PrintSelForm& Form() { return *ui_; }
    TEntryListView& List() const;
    QPushButton* PrintButton() const;
    TPrintReport& Report() { return *report_; }

    // How the run asks: the report choice (a modal result) and the printer set-up (false
    // when cancelled). Tests replace them.
    std::function<int(TReptSelForm&)> ChooseReport;
    std::function<bool()> SetUpPrinter;

    // The Print button: the error when nothing is selected, else the report choice, the
    // printer set-up and the print run.
    void PrintButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::PrintSelForm> ui_;
    std::unique_ptr<TPrintReport> report_;
};

// The printer set-up dialog on the printer that prints; false when cancelled.
bool ShowPrinterSetup(QWidget* parent);
