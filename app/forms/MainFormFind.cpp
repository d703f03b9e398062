// The main window's Find and Find Next commands.
#include <QShowEvent>

#include "AppSeams.h"
#include "BankModel.h"
#include "FindEngine.h"
#include "FindForm.h"
#include "MainForm.h"

#include "Security.h"
#include "Settings.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"

namespace {

// The bank password's check of the protected searches (operation 0: passwords, 1:
// confidential notes): with the operation's protection on, the password is asked until it is
// right or the prompt is cancelled.
bool FindPasswordCheck(int operation) {
    return CheckPassword(operation);
}

}  // namespace

TFindForm& TMainForm::FindForm() {
    if (!findForm_) {
        findForm_ = new TFindForm(this);
        findForm_->CheckPassword = FindPasswordCheck;
    }
    return *findForm_;
}

void TMainForm::Find1Click() {
    if (!CheckBankOpen(Bank())) return;
    if (WorkgroupConfigured()) ValidateUserSeam();
    FindForm().exec();
}

void TMainForm::FindNext1Click() {
    if (!CheckBankOpen(Bank())) return;
    FindNextFrom(Bank(), FindState(), Bank().FindIndex, FindPasswordCheck);
}
