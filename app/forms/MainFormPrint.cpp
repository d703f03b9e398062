// The main window's Print command.
#include "AppSeams.h"
#include "BankModel.h"
#include "ExportCommands.h"
#include "MainForm.h"
#include "PrintForms.h"
#include "PrintReports.h"

void TMainForm::Print1Click() {
    // The print password first, then a bank.
    if (auto& check = OperationPasswordCheck(); check && !check(PrintPasswordOperation)) return;
    if (!RequireBank(Bank())) return;
    TPrintSelForm form(this);
    form.exec();
}
