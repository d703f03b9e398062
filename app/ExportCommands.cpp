// The Export commands' checks before their dialogs.
#include "ExportCommands.h"

#include "BankModel.h"
#include "ProgramState.h"
#include "Security.h"

TOperationPasswordCheck& OperationPasswordCheck() {
    return ProgramState().OperationPasswordCheck;
}

bool PrepareExport(TBankState& bank, const TOperationPasswordCheck& check, bool byCategory) {
    if (check && !check(ExportPasswordOperation)) return false;
    if (!CheckBankOpen(bank)) return false;
    if (byCategory) BuildCategoryKeys(bank);
    return true;
}

void EndCategoryExport(TBankState& bank) {
    bank.CategoryKeys.clear();
}
