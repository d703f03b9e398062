// The main window's web page access test command.
#include "AppSeams.h"
#include "BankModel.h"
#include "MainForm.h"
#include "Settings.h"
#include "TestURlForm1.h"

void TMainForm::TestURLs1Click() {
    if (!CheckBankOpen()) return;
    if (!Settings().UserName.empty() || !Settings().WorkGroupUser.empty()) ValidateUserSeam();
    {
        TTestURLForm form(this);
        form.exec();
    }
    RebuildTree();
}
