// The main window's Configuration commands and the bulk maintenance commands.
#include "AppSeams.h"
#include "BankModel.h"
#include "BulkForms.h"
#include "ConfigAllForm.h"
#include "DupForm.h"
#include "ExportCommands.h"
#include "MainForm.h"
#include "Security.h"
#include "Settings.h"
#include "VirtualTrees.h"
#include "platform/Messages.h"

namespace {

// The operation number of the configuration's password.
constexpr int ConfigurationPasswordOperation = 3;

}  // namespace

void TMainForm::RunConfiguration(int page) {
    if (auto& check = OperationPasswordCheck(); check && !check(ConfigurationPasswordOperation))
        return;
    TConfigAllForm form(page, this);
    if (form.exec() != QDialog::Accepted) return;
    // Everything confirmed takes effect before the settings are written, so a store that
    // cannot be written leaves nothing half applied.
    const bool rebuild = ApplyConfiguration(Settings(), form.Texts());
    UpdateLoadWorkgroup();
    ApplyTreeOptions(*vst_);
    vst_->Invalidate();
    SaveConfiguration(Settings());
    if (rebuild) RebuildTree();
}

void TMainForm::Startup1Click() {
    RunConfiguration(cpStartup);
}
void TMainForm::Appearance1Click() {
    RunConfiguration(cpAppearance);
}
void TMainForm::Maintenance1Click() {
    RunConfiguration(cpMaintenance);
}
void TMainForm::Security1Click() {
    RunConfiguration(cpSecurity);
}
void TMainForm::Browser1Click() {
    RunConfiguration(cpBrowser);
}
void TMainForm::Workgroup1Click() {
    RunConfiguration(cpWorkgroup);
}
void TMainForm::TreeAction1Click() {
    RunConfiguration(cpTreeAction);
}

// ---- Bulk maintenance ----

namespace {

// The user is validated when a user or a user file is configured.
void ValidateConfiguredUser() {
    if (WorkgroupConfigured()) ValidateUserSeam();
}

// After a change of many entries the tree shows the bank; the changed entries marked their
// bank modified, which offers saving.
void AfterBulkChange() {
    RebuildTreeSeam();
}

template <class Form>
void RunBulkForm(QWidget* owner) {
    Form form(owner);
    if (form.exec() == QDialog::Accepted) AfterBulkChange();
}

}  // namespace

void TMainForm::CategoryChange1Click() {
    if (!RequireBank(Bank())) return;
    RunBulkForm<TCatChgSelForm>(this);
}

void TMainForm::DeleteBySelection1Click() {
    if (!RequireBank(Bank())) return;
    ValidateConfiguredUser();
    RunBulkForm<TDelSelForm>(this);
}

void TMainForm::UpdateFavoritesByAccessCount1Click() {
    if (!RequireBank(Bank())) return;
    ValidateConfiguredUser();
    RunBulkForm<TFavUpdateForm>(this);
}

void TMainForm::ClearAccessCounts1Click() {
    if (!RequireBank(Bank())) return;
    ValidateConfiguredUser();
    if (MessageDlg("Do you want to set all Access Counts to 0 (zero)?", TMsgDlgType::mtConfirmation,
                   mbYesNo) != mrYes)
        return;
    ClearAccessCounts(Bank(), Now());
    AfterBulkChange();
}

void TMainForm::DuplicateURLsDomain1Click() {
    if (!RequireBank(Bank())) return;
    TDupForm form(true, this);
    if (form.exec() == QDialog::Accepted) AfterBulkChange();
}

void TMainForm::DuplicateURLsCompleteAddress1Click() {
    if (!RequireBank(Bank())) return;
    TDupForm form(false, this);
    if (form.exec() == QDialog::Accepted) AfterBulkChange();
}
