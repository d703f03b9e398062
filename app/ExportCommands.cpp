// The Export commands' checks before their dialogs.
#include "ExportCommands.h"

#include "BankModel.h"
#include "ProgramState.h"
#include "Security.h"

std::function<bool(int operation)>& OperationPasswordCheck() {
    return ProgramState().OperationPasswordCheck;
}

bool PrepareExport(bool byCategory) {
    if (auto& check = OperationPasswordCheck(); check && !check(ExportPasswordOperation))
        return false;
    if (!CheckBankOpen(Bank())) return false;
    if (byCategory) BuildCategoryKeys(Bank());
    return true;
}

void EndCategoryExport() {
    Bank().CategoryKeys.clear();
}
