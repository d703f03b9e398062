// The export dialogs.
#include "ExportForms.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

#include "ElastFrmQt.h"
#include "EntryListView.h"
#include "ExportSeams.h"
#include "ExportSelection.h"
#include "FormUtils.h"
#include "platform/Messages.h"
#include "platform/qt/Application.h"
#include "ui_ExpC123Form.h"
#include "ui_ExpC12Form.h"
#include "ui_ExpC1Form.h"
#include "ui_ExpSelForm.h"

// ---- What the four dialogs share ----

TExportForm::TExportForm(QWidget* parent) : QDialog(parent) {
    setProperty("HelpContext", 170);
}

TExportForm::~TExportForm() = default;

void TExportForm::Init(TEntryListView* list, QGroupBox* exportTo, QPushButton* exportButton,
                       QPushButton* cancelButton) {
    list_ = list;
    exportButton_ = exportButton;
    cancelButton_ = cancelButton;
    exportTo_ = new QButtonGroup(this);
    for (int i = 0; i < 6; ++i)
        if (auto* item = exportTo->findChild<QRadioButton*>(QString("ExportToItem%1").arg(i)))
            exportTo_->addButton(item, i);
    SetExportTo(0);
    connect(exportButton_, &QPushButton::clicked, this,
            [this] { CallGuarded([&] { ExportButtonClick(); }); });
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    new TElasticFormQt(this);
}

int TExportForm::ExportTo() const {
    return exportTo_ ? exportTo_->checkedId() : 0;
}

void TExportForm::SetExportTo(int index) {
    if (QAbstractButton* item = exportTo_ ? exportTo_->button(index) : nullptr)
        item->setChecked(true);
}

int TExportForm::exec() {
    if (closeAtOnce_) {
        setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

void TExportForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    // Placed over the main window's centre once per showing; the list takes the focus.
    CenterOverForm(this, parentWidget() ? parentWidget()->window() : MainWindowWidget());
    list_->setFocus();
}

void TExportForm::ExportButtonClick() {
    if (!list_->selectionModel()->hasSelection()) {
        MessageDlg("Nothing Selected!\rPlease try again.", TMsgDlgType::mtError, mbOK);
        return;
    }
    if (!RunExport({Bank(), Exporter(), ExportSeams()}, ExportTo(), SelectedEntries())) return;
    accept();
}

// ---- By selection ----

TExpSelForm::TExpSelForm(QWidget* parent) : TExportForm(parent), ui_(new Ui::ExpSelForm) {
    ui_->setupUi(this);
    Init(ui_->EntryList, ui_->ExportTo, ui_->ExportButton, ui_->CancelButton);
    ui_->EntryList->FillEntries(Bank());
}

TExpSelForm::~TExpSelForm() = default;

std::vector<int> TExpSelForm::SelectedEntries() const {
    return List().selectedIndices();
}

// ---- By category ----

TExpCategoryForm::TExpCategoryForm(QWidget* parent, int depth)
    : TExportForm(parent), depth_(depth) {}

void TExpCategoryForm::FillCategories(TEntryListView* list, bool sorting) {
    static const std::vector<std::string> captions = {"Category 1", "Category 2", "Category 3"};
    list->SetCaptions(std::vector<std::string>(captions.begin(), captions.begin() + depth_));
    if (sorting) {
        const int depth = depth_;
        list->SetSortChains([depth](int column) { return CategorySortChain(depth, column); });
    }
    rows_ = ::CategoryRows(Bank().CategoryKeys, depth_);
    std::vector<TEntryListRow> rows;
    rows.reserve(rows_.size());
    for (const TCategoryPath& path : rows_) {
        TEntryListRow row;
        const std::string* values[] = {&path.C1, &path.C2, &path.C3};
        for (int n = 0; n < depth_; ++n) row.Texts.push_back(*values[n]);
        rows.push_back(std::move(row));
    }
    list->SetRows(std::move(rows));
    if (rows_.empty()) {
        MessageDlg("No categories assigned, operation cannot be completed", TMsgDlgType::mtError,
                   mbOK);
        closeAtOnce_ = true;
    }
}

std::vector<int> TExpCategoryForm::SelectedEntries() const {
    std::vector<TCategoryPath> selected;
    for (size_t row : List().SelectedRows()) selected.push_back(rows_.at(row));
    return EntriesInCategories(Bank(), selected, depth_);
}

TExpC1Form::TExpC1Form(QWidget* parent) : TExpCategoryForm(parent, 1), ui_(new Ui::ExpC1Form) {
    ui_->setupUi(this);
    Init(ui_->CatList, ui_->ExportTo, ui_->ExportButton, ui_->CancelButton);
    FillCategories(ui_->CatList, false);
}

TExpC1Form::~TExpC1Form() = default;

TExpC12Form::TExpC12Form(QWidget* parent) : TExpCategoryForm(parent, 2), ui_(new Ui::ExpC12Form) {
    ui_->setupUi(this);
    Init(ui_->C12List, ui_->ExportTo, ui_->ExportButton, ui_->CancelButton);
    FillCategories(ui_->C12List, true);
}

TExpC12Form::~TExpC12Form() = default;

TExpC123Form::TExpC123Form(QWidget* parent)
    : TExpCategoryForm(parent, 3), ui_(new Ui::ExpC123Form) {
    ui_->setupUi(this);
    Init(ui_->C123List, ui_->ExportTo, ui_->ExportButton, ui_->CancelButton);
    FillCategories(ui_->C123List, true);
}

TExpC123Form::~TExpC123Form() = default;
