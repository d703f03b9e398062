// The start-up step: the bank, the workgroup and the start-up URLs.
#include "StartUp.h"

#include <algorithm>

#include "AppSeams.h"
#include "BankCommands.h"
#include "BankModel.h"
#include "Launch.h"
#include "Security.h"
#include "Settings.h"
#include "platform/FileUtils.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"

namespace {

// "Default" as a path: a relative name lies in the data folder.
std::string DefaultBankPath() {
    std::string name = Settings().Default;
    if (!name.empty() && name[0] != '/') name = UserDataFolder() + name;
    return name;
}

}  // namespace

std::string StartupBankFile() {
    const std::string name = DefaultBankPath();
    if (FileExists(name)) return name;
    for (const std::string& folder : {ProgramFolder(), UserDataFolder()})
        for (const char* file : {"Lorvane.BNK", "Lorvane.bnk"})
            if (FileExists(folder + file)) return folder + file;
    return std::string();
}

void StartUp() {
    if (const std::string name = DefaultBankPath(); DirectoryExists(name))
        MessageDlg("Error loading " + name + "\rThis is a folder, not a bank file.",
                   TMsgDlgType::mtError, mbOK);
    const std::string bankFile = StartupBankFile();
    if (!bankFile.empty()) OpenBank(bankFile);
    const TSettings& s = Settings();
    if (WorkgroupConfigured() && s.AutoLoad) {
        ValidateUserSeam();
        if (Seams().LoadWorkgroupBank) Seams().LoadWorkgroupBank();
    }
    if (s.NoOfURLs <= 0 || Bank().EntryHigh == -1) return;
    if (s.PromptOnStartup && MessageDlg("Do you want startup URLs loaded?",
                                        TMsgDlgType::mtConfirmation, mbYesNo) != mrYes)
        return;
    const int count = std::min<int>(s.NoOfURLs, MaxStartupURLs);
    for (int i = 0; i < count; ++i) {
        ProcessEventsSeam();
        const std::string url = URLOfEntry(Settings().StartupURLs[size_t(i)]);
        if (HasNoURL(url)) continue;
        OpenURL(url);
    }
}
