// The commands of the dialogs that act on chosen entries.
#include "SelectionCommands.h"

#include "BankModel.h"
#include "Settings.h"
#include "platform/Messages.h"

bool DeleteEntriesConfirmed(TBankState& bank, const TSettings& settings,
                            const std::vector<int>& indices) {
    if (indices.empty()) {
        MessageDlg(NoEntriesSelectedText, TMsgDlgType::mtError, mbOK);
        return false;
    }
    if (settings.ConfirmDeletes && MessageDlg("Do you want to delete these entries?",
                                              TMsgDlgType::mtConfirmation, mbYesNo) != mrYes)
        return false;
    RemoveEntries(bank, indices);
    return true;
}

bool ChangeCategoriesOfSelection(TBankState& bank, const std::vector<int>& indices,
                                 const std::array<std::string, 3>& texts,
                                 const std::array<bool, 3>& keep, TDateTime now) {
    if (indices.empty()) {
        MessageDlg(NoEntriesSelectedText, TMsgDlgType::mtError, mbOK);
        return false;
    }
    ChangeCategories(bank, indices, texts, keep, now);
    return true;
}

const std::string& DuplicateCellText(const TBankState& bank,
                                     const std::vector<TDuplicateGroup>& groups, int group,
                                     int entryIndex, int column) {
    static const std::string none;
    if (group < 0 || size_t(group) >= groups.size()) return none;
    if (entryIndex < 0) return column == dcURL ? groups[size_t(group)].Key : none;
    if (entryIndex > bank.EntryHigh) return none;
    const TEntry& e = bank.Entry(entryIndex);
    switch (column) {
        case dcURL:
            return e.URL;
        case dcName:
            return e.Name;
        case dcCategory1:
            return e.Category1;
        case dcCategory2:
            return e.Category2;
        case dcCategory3:
            return e.Category3;
        default:
            return none;
    }
}
