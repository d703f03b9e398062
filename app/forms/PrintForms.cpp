// The Print command's dialogs.
#include "PrintForms.h"

#include <QCheckBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

#include "BankModel.h"
#include "EntryListView.h"
#include "FormUtils.h"
#include "RPrinter.h"
#include "SelectionCommands.h"
#include "platform/Messages.h"
#include "platform/qt/Application.h"
#include "platform/qt/QtPrinter.h"
#include "ui_PrintSelForm.h"
#include "ui_ReptSelForm.h"

// ---- The report choice ----

TReptSelForm::TReptSelForm(QWidget* parent) : QDialog(parent), ui_(new Ui::ReptSelForm) {
    ui_->setupUi(this);
    Ui::ReptSelForm& f = *ui_;
    boxes_ = {f.NameChkBox,       f.DescChkBox,   f.RatingChkBox, f.DateChkBox,  f.AccessCntChkBox,
              f.LastAccessChkBox, f.Cat1ChkBox,   f.Cat2ChkBox,   f.Cat3ChkBox,  f.URLChkBox,
              f.EMailChkBox,      f.UserIDChkBox, f.PasswdChkBox, f.NotesChkBox, f.CNoteChkBox};
    SetKind(rkUserIdPassword);
    // A change of choice only: a click on the item already chosen leaves the boxes alone.
    connect(f.RptNoItem1, &QRadioButton::toggled, this, [this] { RptNoSelectionClick(); });
    connect(f.PrintButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(f.CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(size());
}

TReptSelForm::~TReptSelForm() = default;

TReportKind TReptSelForm::Kind() const {
    return ui_->RptNoItem1->isChecked() ? rkCustom : rkUserIdPassword;
}

void TReptSelForm::SetKind(TReportKind kind) {
    (kind == rkCustom ? ui_->RptNoItem1 : ui_->RptNoItem0)->setChecked(true);
}

TPrintFields TReptSelForm::Fields() const {
    TPrintFields fields{};
    for (size_t n = 0; n < boxes_.size(); ++n) fields[n] = boxes_[n]->isChecked();
    return fields;
}

void TReptSelForm::RptNoSelectionClick() {
    if (Kind() != rkCustom) return;
    for (QCheckBox* box : boxes_) box->setChecked(true);
    ui_->GroupBox1->update();
}

// ---- The print dialog ----

TPrintSelForm::TPrintSelForm(QWidget* parent)
    : QDialog(parent), ui_(new Ui::PrintSelForm), report_(std::make_unique<TPrintReport>()) {
    ui_->setupUi(this);
    ChooseReport = [](TReptSelForm& form) { return form.exec(); };
    SetUpPrinter = [this] { return ShowPrinterSetup(this); };
    ui_->EntryList->FillEntries(Bank());
    connect(ui_->PrintButton, &QPushButton::clicked, this,
            [this] { CallGuarded([&] { PrintButtonClick(); }); });
    connect(ui_->DoneButton, &QPushButton::clicked, this, &QDialog::accept);
}

TPrintSelForm::~TPrintSelForm() = default;

TEntryListView& TPrintSelForm::List() const {
    return *ui_->EntryList;
}

QPushButton* TPrintSelForm::PrintButton() const {
    return ui_->PrintButton;
}

void TPrintSelForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    CenterOverForm(this, parentWidget() ? parentWidget()->window() : MainWindowWidget());
    TEntryListView& list = List();
    list.setFocus();
    if (list.rowCount() > 0)
        list.selectionModel()->setCurrentIndex(list.model()->index(0, 0),
                                               QItemSelectionModel::NoUpdate);
}

void TPrintSelForm::PrintButtonClick() {
    TEntryListView& list = List();
    if (!list.selectionModel()->hasSelection()) {
        MessageDlg(NoEntriesSelectedText, TMsgDlgType::mtError, mbOK);
        return;
    }
    TReptSelForm choice(this);
    if (ChooseReport(choice) != QDialog::Accepted) return;
    TPrintRequest request;
    request.Kind = choice.Kind();
    request.Fields = choice.Fields();
    request.Today = Date();
    // The entries of the selected rows, in the order shown.
    for (size_t row : list.SelectedRows())
        if (int index = list.Rows()[row].EntryIndex; index >= 0) request.Entries.push_back(index);
    if (!SetUpPrinter()) return;
    TEntryReport printer(Bank(), std::move(request));
    printer.Print(*report_);
}

bool ShowPrinterSetup(QWidget* parent) {
    TRPPrinterDevice* device = GlobalPrinterDevice();
    QPrinter* printer = device && device->Printer() ? QtPrinterOf(*device->Printer()) : nullptr;
    // Another device (or none): the job finds out for itself whether it can print.
    if (!printer) return true;
    QPrintDialog dialog(printer, parent);
    FollowPrintDialog(dialog, *device->Printer());
    if (dialog.exec() != QDialog::Accepted) return false;
    device->PrinterSetupChanged();
    return true;
}
