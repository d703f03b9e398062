// The main window's web page access test command.
#include "AppSeams.h"
#include "BankModel.h"
#include "MainForm.h"
#include "Security.h"
#include "Settings.h"
#include "TestURlForm1.h"

void TMainForm::TestURLs1Click() {
    if (!CheckBankOpen(Bank())) return;
    if (WorkgroupConfigured()) ValidateUserSeam();
    {
        TTestURLForm form(this);
        form.exec();
    }
    RebuildTree();
}
