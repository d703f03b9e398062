// The main window's entry commands, the clipboard commands, the user's validation, the
// workgroup bank's load and the check of its file stamp.
#include <QTimer>

#include "AppSeams.h"
#include "BankCommands.h"
#include "BankModel.h"
#include "DropURLTarget.h"
#include "EntryCommands.h"
#include "EntryForm1.h"
#include "ExportSeams.h"
#include "MainForm.h"
#include "Security.h"
#include "Settings.h"
#include "TimeStampForm.h"
#include "platform/Clipboard.h"
#include "platform/qt/Application.h"

void TMainForm::InstallEntryCommands() {
    TAppSeams& s = Seams();
    s.RunEntryForm = [](int mode) { return RunEntryForm(mode); };
    s.ValidateUser = [] { ValidateUser(); };
    s.LoadWorkgroupBank = [this] { LoadWorkgroupBank1Click(); };
    ExportSeams().SetClipboardText = [](const std::string& text) { SetClipboardText(text); };
    connect(fileStampCheck_, &QTimer::timeout, this,
            [this] { CallGuarded([this] { FileStampCheckTimer(); }); });
    dropTarget_->OnDrop = [this](TObject*, TShiftState, TPoint, int&) {
        // The dialogs wait until the drag has ended.
        const std::string title = dropTarget_->Title, url = dropTarget_->URL;
        QTimer::singleShot(
            0, this, [this, title, url] { CallGuarded([&] { DropURLTarget1Drop(title, url); }); });
    };
    UpdateLoadWorkgroup();
}

void TMainForm::AddEntry1Click() {
    AddEntryCommand(Bank(), Settings());
}

void TMainForm::ModifyEntry1Click() {
    ModifyEntryCommand(Bank(), Settings());
}

void TMainForm::CopyEntry1Click() {
    CopyEntryCommand(Bank(), Settings());
}

void TMainForm::DeleteEntry1Click() {
    DeleteEntryCommand(Bank(), Settings());
}

void TMainForm::AddEntryCurrentURL1Click() {
    AddEntryCurrentURLCommand(Bank(), Settings());
}

void TMainForm::CopyURLtoClipboard1Click() {
    CopyURLToClipboard(Bank());
}

void TMainForm::CopyEntryToClipboard1Click() {
    CopyEntryToClipboard(Bank());
}

void TMainForm::CopyUserIDtoClipboard1Click() {
    CopyUserIDToClipboard(Bank());
}

void TMainForm::CopyUserIDpasswordtoClipboard1Click() {
    CopyUserIDPasswordToClipboard(Bank());
}

void TMainForm::DropURLTarget1Drop(const std::string& title, const std::string& url) {
    DropURLCommand(Bank(), Settings(), title, url);
}

void TMainForm::LoadWorkgroupBank1Click() {
    if (LoadWorkgroupBankCommand()) fileStampCheck_->start();
}

void TMainForm::FileStampCheckTimer() {
    if (stampNoticeShown_ || !WorkgroupFileChanged()) return;
    stampNoticeShown_ = true;
    TTimeStampForm notice(this, WorkgroupBankFile());
    notice.exec();
    stampNoticeShown_ = false;
}
