// The Export commands' checks before their dialogs.
#include "ExportCommands.h"

#include "BankModel.h"

std::function<bool(int operation)>& OperationPasswordCheck() {
    static std::function<bool(int)> check;
    return check;
}

bool PrepareExport(bool byCategory) {
    if (auto& check = OperationPasswordCheck(); check && !check(ExportPasswordOperation))
        return false;
    if (!CheckBankOpen()) return false;
    if (byCategory) BuildCategoryKeys();
    return true;
}

void EndCategoryExport() {
    Bank().CategoryKeys.clear();
}
