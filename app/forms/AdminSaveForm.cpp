// The administrator's save dialog: created once and reused; opens on its last choices.
#include "AdminSaveForm.h"

#include <QPushButton>

#include "ElastFrmQt.h"
#include "FormUtils.h"
#include "ui_AdminSaveForm.h"

TAdminSaveForm::TAdminSaveForm(QWidget* parent) : QDialog(parent), ui_(new Ui::AdminSaveForm) {
    ui_->setupUi(this);
    QPushButton* save = ui_->Buttons->addButton("&Save", QDialogButtonBox::AcceptRole);
    save->setObjectName("OKButton");
    save->setDefault(true);
    QPushButton* cancel = ui_->Buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
    cancel->setObjectName("CancelButton");
    connect(ui_->Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui_->Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setProperty("HelpContext", 92);
    SetWhatToSave(0);
    SetHowToSave(0);
    new TElasticFormQt(this);
}

TAdminSaveForm::~TAdminSaveForm() = default;

int TAdminSaveForm::WhatToSave() const {
    if (ui_->WhatWorkgroup->isChecked()) return 1;
    if (ui_->WhatCombined->isChecked()) return 2;
    return 0;
}

int TAdminSaveForm::HowToSave() const {
    return ui_->HowWorkgroup->isChecked() ? 1 : 0;
}

void TAdminSaveForm::SetWhatToSave(int index) {
    (index == 1   ? ui_->WhatWorkgroup
     : index == 2 ? ui_->WhatCombined
                  : ui_->WhatLocal)
        ->setChecked(true);
}

void TAdminSaveForm::SetHowToSave(int index) {
    (index == 1 ? ui_->HowWorkgroup : ui_->HowLocal)->setChecked(true);
}

bool TAdminSaveForm::Choose(int& what, int& how) {
    if (exec() != QDialog::Accepted) return false;
    what = WhatToSave();
    how = HowToSave();
    return true;
}

void TAdminSaveForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CenterOverForm(this, parentWidget() ? parentWidget()->window() : MainWindowWidget());
}
