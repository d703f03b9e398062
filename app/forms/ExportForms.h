// The export dialogs: by selection of entries (TExpSelForm) and by category (TExpC1Form,
// TExpC12Form, TExpC123Form). Each shows a list of choices and the "Export To" group; Export
// runs the chosen writer over the entries of the selected rows in ascending bank index.
#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "BankModel.h"

class QButtonGroup;
class QGroupBox;
class QPushButton;
class TEntryListView;
namespace Ui {
class ExpSelForm;
class ExpC1Form;
class ExpC12Form;
class ExpC123Form;
}  // namespace Ui

// What the four dialogs share.
class TExportForm : public QDialog {
    Q_OBJECT
public:
    ~TExportForm() override;

    TEntryListView& List() const { return *list_; }
    // The "Export To" index (0 "Clipboard" .. 5 "Bank (Version 2)").
    int ExportTo() const;
    void SetExportTo(int index);
    QPushButton* ExportButton() const { return exportButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }

    // Ends at once with Cancel when the dialog has nothing to offer (no category rows).
    int exec() override;

    // The Export button: the error when nothing is selected, else the export; the dialog
    // closes with OK unless the export's file dialog was cancelled.
    void ExportButtonClick();

protected:
    explicit TExportForm(QWidget* parent);
    // Connects the form's parts; called by each dialog after its form is set up.
    void Init(TEntryListView* list, QGroupBox* exportTo, QPushButton* exportButton,
              QPushButton* cancelButton);
    // The entries the selected rows stand for, in ascending index.
    virtual std::vector<int> SelectedEntries() const = 0;
    void showEvent(QShowEvent* event) override;

    bool closeAtOnce_ = false;

private:
    TEntryListView* list_ = nullptr;
    QButtonGroup* exportTo_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

// One row per entry of the bank; exports exactly the entries of the selected rows.
class TExpSelForm : public TExportForm {
    Q_OBJECT
public:
    explicit TExpSelForm(QWidget* parent = nullptr);
    ~TExpSelForm() override;
    Ui::ExpSelForm& Form() { return *ui_; }

protected:
    std::vector<int> SelectedEntries() const override;

private:
    std::unique_ptr<Ui::ExpSelForm> ui_;
};

// The dialogs over category rows of CategoryKeys, `depth` values per row.
class TExpCategoryForm : public TExportForm {
    Q_OBJECT
protected:
    TExpCategoryForm(QWidget* parent, int depth);
    // Fills the list from CategoryKeys; with no rows, says so and ends the dialog at once.
    void FillCategories(TEntryListView* list, bool sorting);
    std::vector<int> SelectedEntries() const override;

private:
    int depth_;
    std::vector<TCategoryPath> rows_;
};

class TExpC1Form : public TExpCategoryForm {
    Q_OBJECT
public:
    explicit TExpC1Form(QWidget* parent = nullptr);
    ~TExpC1Form() override;
    Ui::ExpC1Form& Form() { return *ui_; }

private:
    std::unique_ptr<Ui::ExpC1Form> ui_;
};

class TExpC12Form : public TExpCategoryForm {
    Q_OBJECT
public:
    explicit TExpC12Form(QWidget* parent = nullptr);
    ~TExpC12Form() override;
    Ui::ExpC12Form& Form() { return *ui_; }

private:
    std::unique_ptr<Ui::ExpC12Form> ui_;
};

class TExpC123Form : public TExpCategoryForm {
    Q_OBJECT
public:
    explicit TExpC123Form(QWidget* parent = nullptr);
    ~TExpC123Form() override;
    Ui::ExpC123Form& Form() { return *ui_; }

private:
    std::unique_ptr<Ui::ExpC123Form> ui_;
};
