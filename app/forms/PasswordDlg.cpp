// The password prompt; created once and reused, emptied on every showing.
#include "PasswordDlg.h"

#include <QPushButton>

#include "ElastFrmQt.h"
#include "FormUtils.h"
#include "platform/qt/Application.h"
#include "ui_PasswordDlg.h"

TPasswordDlg::TPasswordDlg(QWidget* parent) : QDialog(parent), ui_(new Ui::PasswordDlg) {
    ui_->setupUi(this);
    QPushButton* ok = ui_->Buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("OKBtn");
    ok->setDefault(true);
    QPushButton* cancel = ui_->Buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    cancel->setObjectName("CancelBtn");
    connect(ui_->Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui_->Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    new TElasticFormQt(this);
}

TPasswordDlg::~TPasswordDlg() = default;

bool TPasswordDlg::Ask(std::string& typed) {
    ui_->Password->clear();
    const bool ok = exec() == QDialog::Accepted;
    typed = ok ? FromQString(ui_->Password->text()) : std::string();
    ui_->Password->clear();
    return ok;
}

void TPasswordDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui_->Password->clear();
    ui_->Password->setFocus();
    CenterOverForm(this, parentWidget() ? parentWidget()->window() : MainWindowWidget());
}
