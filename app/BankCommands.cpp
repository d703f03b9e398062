// New, Open, Save Bank and Save As over the bank reader and writer, and the dialogs that answer
// the reader and writer for the program.
#include "BankCommands.h"

#include <functional>
#include <utility>

#include "AppSeams.h"
#include "BankFile.h"
#include "BankModel.h"
#include "ExportSeams.h"
#include "MainTree.h"
#include "ProgramState.h"
#include "ResStrings.h"
#include "Security.h"
#include "Settings.h"
#include "platform/FileUtils.h"
#include "platform/Messages.h"

namespace {

// Changes of marked entries belong to the workgroup bank only while a workgroup is in use;
// without one they are changes of the local bank.
bool LocalBankChanged() {
    return Bank().BankModified || (!WorkgroupConfigured() && Bank().WorkgroupModified);
}

bool Confirm(const std::string& text) {
    return MessageDlg(text, TMsgDlgType::mtConfirmation, mbYesNo) == mrYes;
}

void NothingToSave() {
    MessageDlg("Nothing to save!", TMsgDlgType::mtInformation, mbOK);
}

void ShowCaption(const std::string& caption) {
    SetCaptionSeam(caption);
}

// A file of one kind written with entries of the other asks first.
bool ConfirmMixedKinds(const std::string& fileName) {
    const TSaveScope& scope = Bank().SaveScope;
    const char* kind = nullptr;
    if (scope.AsLocal() && scope.What == TSaveScope::swWorkgroup) kind = "Workgroup Bank";
    if (scope.AsWorkgroup && scope.What == TSaveScope::swLocal) kind = "Local Bank";
    if (!kind) return true;
    return Confirm(fileName + "\rwill be overwritten with the " + kind +
                   " entries.\rAre you sure you want to overwrite it?");
}

// Where a local bank is proposed: the open bank's own folder, else the user's data folder
// (which stands for the program's). Never where an import last read from.
std::string LocalBankFolder() {
    const std::string& open = Bank().BankFileName;
    return open.empty() ? UserDataFolder() : ExtractFilePath(open);
}

void RememberLocalBank(const std::string& fileName) {
    TBankState& bank = Bank();
    bank.BankFileName = fileName;
    bank.BankCaption = BankFileCaption(fileName);
    bank.NewBank = false;
    ShowCaption(EntriesCaption(bank));
}

bool AskFile(const std::string& initialDir, const std::string& fileName, std::string& chosen) {
    TFileRequest request;
    request.InitialDir = initialDir;
    request.FileName = fileName;
    request.Filter = BankFilter;
    request.DefaultExt = "bnk";
    return ChooseSaveFileSeam(request, chosen);
}

// Loads let events through every this many records at most (and every 50 ms): pumping them
// more often than the screen can show costs a long load much of its time.
constexpr int LoadPumpEvery = 5000;
constexpr int SavePumpEvery = 100;

// The program's answers to the bank reader and writer: its message boxes and password dialog,
// the status bar, and the hourglass for the whole read or write, lifted while a dialog waits.
class TBankFileDialogs : public TBankFileUser {
public:
    explicit TBankFileDialogs(int pumpEvery) : pump_(pumpEvery) {}

    bool AskPassword(std::string& typed) override {
        const TBusyLifted lifted;
        return AskPasswordSeam(typed);
    }
    bool AskYesNo(const std::string& question) override { return Confirm(question); }
    void ShowError(const std::string& text) override {
        MessageDlg(text, TMsgDlgType::mtError, mbOK);
    }
    void ShowInformation(const std::string& text) override {
        MessageDlg(text, TMsgDlgType::mtInformation, mbOK);
    }
    bool IsAdministrator() override {
        ValidateUserSeam();
        return Bank().IsAdministrator;
    }
    void ShowProgress(const std::string& status) override { SetStatusTextSeam(status); }
    void KeepResponsive() override { pump_.Tick(); }

private:
    // Also lifts the hourglass for the messages shown during the read or write.
    TBusyScope busy_;
    TEventPump pump_;
};

}  // namespace

bool LoadBankFile(const std::string& FileName, bool Import, bool Workgroup, bool AllowWorkgroup,
                  int& Count) {
    TBankFileDialogs dialogs(LoadPumpEvery);
    if (!ReadBankFile(Bank(), FileName, {Import, Workgroup, AllowWorkgroup}, dialogs, Count))
        return false;
    RebuildTreeSeam();
    return true;
}

std::function<void(const std::string&)>& BankSaveHook() {
    return ProgramState().BankSaveHook;
}

bool SaveBankFile(const std::string& FileName) {
    TSettings& settings = Settings();
    TBankSaveSettings save;
    save.Protected = settings.PWordFile;
    save.AskPasswordEachSave = settings.PWEachSave;
    save.Password = settings.BankPassword;
    save.ConfirmSaves = settings.ConfirmSaves;
    save.WorkgroupInUse = WorkgroupConfigured();
    save.BeforeReplace = BankSaveHook();
    TBankFileDialogs dialogs(SavePumpEvery);
    const bool saved = WriteBankFile(Bank(), FileName, save, dialogs);
    settings.BankPassword = save.Password;
    if (saved && !Bank().BankModified && !Bank().WorkgroupModified) EnableSaveSeam(false);
    return saved;
}

std::string& WorkgroupBankFile() {
    return ProgramState().WorkgroupBankFile;
}

void ResetBankCommands() {
    WorkgroupBankFile().clear();
}

std::string BankFileCaption(const std::string& fileName) {
    return std::string(ResAppTitle) + "     [" + fileName + "]";
}

bool OpenBank(const std::string& FileName) {
    if (FileName.empty() || !FileExists(FileName)) return false;
    TBankState& bank = Bank();
    // Read aside: the open bank is replaced only by a bank read through.
    TBankState read;
    read.FilePassword = bank.FilePassword;
    int count = 0;
    {
        TBankFileDialogs dialogs(LoadPumpEvery);
        if (!ReadBankFile(read, FileName, TBankLoad(), dialogs, count)) return false;
    }
    ClearTreeSeam();
    if (Seams().CloseInfoPanel) Seams().CloseInfoPanel();
    bank.BankFileName = FileName;
    bank.BankCaption = BankFileCaption(FileName);
    ShowCaption(bank.BankCaption);
    bank.Entries = std::move(read.Entries);
    bank.EntryHigh = read.EntryHigh;
    bank.BankFolder = read.BankFolder;
    bank.FilePassword = read.FilePassword;
    bank.FocusedEntry = -1;
    bank.FindIndex = -1;
    bank.BankModified = false;
    bank.WorkgroupModified = false;
    bank.WorkgroupFileTime = 0;
    bank.CategoryPaths.clear();
    RebuildTreeSeam();
    // A bank file without records is an open, empty bank.
    bank.NewBank = bank.EntryHigh == -1;
    if (bank.EntryHigh == -1) ShowCaption(EntriesCaption(bank));
    EnableSaveSeam(false);
    EnableSaveAsSeam(true);
    return true;
}

std::string URLOfEntry(const std::string& Name) {
    const TBankState& bank = Bank();
    for (int i = 0; i <= bank.EntryHigh; ++i)
        if (bank.Entries[size_t(i)].Name == Name) return bank.Entries[size_t(i)].URL;
    return std::string();
}

TSaveScope SaveScopeOfChoice(int what, int how) {
    TSaveScope scope;
    scope.What = what == 1   ? TSaveScope::swWorkgroup
                 : what == 2 ? TSaveScope::swAll
                             : TSaveScope::swLocal;
    scope.AsWorkgroup = how == 1;
    return scope;
}

bool ChooseSaveScope() {
    TBankState& bank = Bank();
    bank.SaveScope = TSaveScope();
    // Without a workgroup nothing tells a marked entry from a local one: all are the bank's.
    if (!WorkgroupConfigured()) {
        bank.SaveScope.What = TSaveScope::swAll;
        return true;
    }
    ValidateUserSeam();
    if (!bank.IsAdministrator) return true;
    return Seams().AskAdminSaveScope && Seams().AskAdminSaveScope(bank.SaveScope);
}

bool NewBankCommand() {
    TBankState& bank = Bank();
    if (LocalBankChanged() && Confirm("Bank has been modified!\rDo you want to save?") &&
        !SaveAsCommand())
        return false;
    // Only an administrator saves the workgroup bank: anyone else's Save As writes local entries.
    if (bank.WorkgroupModified && bank.IsAdministrator && WorkgroupConfigured() &&
        Confirm("WorkGroup Bank has been modified!\rDo you want to save?") && !SaveAsCommand())
        return false;
    ClearTreeSeam();
    if (Seams().CloseInfoPanel) Seams().CloseInfoPanel();
    bank.BankCaption = std::string(ResAppTitle) + "    [New]";
    ShowCaption(bank.BankCaption);
    bank.EntryHigh = -1;
    bank.FocusedEntry = -1;
    bank.FindIndex = -1;
    bank.CategoryPaths.clear();
    bank.BankModified = false;
    bank.WorkgroupModified = false;
    bank.WorkgroupFileTime = 0;
    if (WorkgroupConfigured()) ValidateUserSeam();
    bank.BankFileName.clear();
    bank.NewBank = true;
    EnableSaveSeam(false);
    RepaintMainSeam();
    return true;
}

bool OpenBankCommand() {
    if (!AskSaveIfModified()) return false;
    TFileRequest request;
    request.InitialDir = LocalBankFolder();
    request.FileName = "Lorvane.bnk";
    request.Filter = BankFilter;
    request.DefaultExt = "bnk";
    std::string chosen;
    if (!ChooseOpenFileSeam(request, chosen)) return false;
    return OpenBank(chosen);
}

bool SaveAsCommand() {
    TBankState& bank = Bank();
    if (bank.EntryHigh == -1) {
        NothingToSave();
        return false;
    }
    if (!ChooseSaveScope()) return false;
    RepaintMainSeam();
    std::string chosen;
    const std::string folder =
        bank.SaveScope.AsLocal() ? LocalBankFolder() : ExtractFilePath(WorkgroupBankFile());
    if (!AskFile(folder, "*.bnk", chosen)) return false;
    RepaintMainSeam();
    if (!SaveBankFile(chosen)) return false;
    if (bank.SaveScope.AsWorkgroup)
        WorkgroupBankFile() = chosen;
    else
        RememberLocalBank(chosen);
    return true;
}

bool SaveBankCommand() {
    TBankState& bank = Bank();
    if (WorkgroupConfigured()) ValidateUserSeam();
    if (!LocalBankChanged() && (!bank.IsAdministrator || !bank.WorkgroupModified)) {
        NothingToSave();
        return false;
    }
    if (!ChooseSaveScope()) return false;
    RepaintMainSeam();
    if (bank.SaveScope.AsLocal()) {
        if (!bank.BankFileName.empty()) {
            if (!ConfirmMixedKinds(bank.BankFileName)) return false;
            return SaveBankFile(bank.BankFileName);
        }
        std::string chosen;
        if (!AskFile(LocalBankFolder(), std::string(), chosen)) return false;
        RepaintMainSeam();
        if (!SaveBankFile(chosen)) return false;
        RememberLocalBank(chosen);
        return true;
    }
    if (!WorkgroupBankFile().empty()) {
        const std::string& file = WorkgroupBankFile();
        if (!ConfirmMixedKinds(file)) return false;
        if (FileStamp(file) != bank.WorkgroupFileTime &&
            !Confirm(file + "\rhas been updated since you loaded it!\rAre you sure you want "
                            "to overwrite it?"))
            return false;
        return SaveBankFile(file);
    }
    std::string chosen;
    if (!AskFile(std::string(), std::string(), chosen)) return false;
    RepaintMainSeam();
    if (!SaveBankFile(chosen)) return false;
    WorkgroupBankFile() = chosen;
    return true;
}

bool AskSaveIfModified() {
    TBankState& bank = Bank();
    if (LocalBankChanged()) {
        if (!bank.BankFileName.empty()) {
            if (Confirm(bank.BankFileName + "\rhas been modified!\rDo you want to save?") &&
                !SaveBankCommand())
                return false;
        } else if (Confirm("Bank has been modified!\rDo you want to save?") && !SaveAsCommand()) {
            return false;
        }
    }
    if (bank.WorkgroupModified && bank.IsAdministrator && WorkgroupConfigured()) {
        if (!WorkgroupBankFile().empty()) {
            if (Confirm(WorkgroupBankFile() + "\rhas been modified!\rDo you want to save?") &&
                !SaveBankCommand())
                return false;
        } else if (Confirm("Workgroup Bank has been modified!\rDo you want to save?") &&
                   !SaveAsCommand()) {
            return false;
        }
    }
    return true;
}
