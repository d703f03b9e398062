// Operation passwords, the workgroup user file, the user's validation and the workgroup bank.
#include "Security.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

#include "AppSeams.h"
#include "BankCommands.h"
#include "BankFile.h"
#include "BankModel.h"
#include "ProgramState.h"
#include "ResStrings.h"
#include "Settings.h"
#include "StStrS.h"
#include "StStrms.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Messages.h"
#include "platform/Streams.h"
#include "platform/SysUtils.h"

namespace {

constexpr const char* UnableToVerify = "Unable to verify User Status";
constexpr const char* UnableToLoad = "Unable to complete Workgroup Bank Load";

// The protect and ask-each-time settings of an operation; false for an unknown operation.
bool OperationSettings(int operation, bool& protect, bool& each) {
    const TSettings& s = Settings();
    switch (operation) {
        case poShowPassword:
            protect = s.PWordPWord, each = s.PWEachPw;
            return true;
        case poConfidentialNotes:
            protect = s.PWordCNote, each = s.PWEachCNote;
            return true;
        case poPrint:
            protect = s.PWordPrnt, each = s.PWEachPrnt;
            return true;
        case poConfiguration:
            protect = s.PWordCfg, each = s.PWEachCfg;
            return true;
        case poExport:
            protect = s.PWordExp, each = s.PWEachExp;
            return true;
        default:
            return false;
    }
}

// The configured user in the user file; false when not found. Raises when the file cannot be
// read.
bool FindUser(const std::string& userFile, const std::string& userName, std::string& bankFile,
              bool& admin) {
    const std::vector<TWorkgroupUser> records = ReadWorkgroupUserFile(userFile);
    if (records.empty()) return false;
    bankFile = ResolveWorkgroupBankPath(ExtractFilePath(userFile), records[0].Text);
    for (size_t i = 1; i < records.size(); ++i) {
        if (SameText(ScrambleShortStr(records[i].Text, ResKeyText), userName)) {
            admin = records[i].Admin;
            return true;
        }
    }
    return false;
}

void CheckUser() {
    TBankState& bank = Bank();
    const TSettings& s = Settings();
    std::string message;  // shown once the hourglass and the status text are gone
    bool fileError = false;
    {
        TBusyScope busy;
        SetStatusTextSeam("\tValidating User Status");
        ProcessEventsSeam();
        if (s.UserName.empty()) message += "User Name configuration missing.\r";
        if (s.WorkGroupUser.empty()) message += "Workgroup User File configuration missing.\r";
        if (message.empty()) {
            std::string bankFile;
            bool admin = false;
            try {
                if (!FileExists(s.WorkGroupUser)) throw EFOpenError("missing");
                UserValid() = FindUser(s.WorkGroupUser, s.UserName, bankFile, admin);
            } catch (const std::exception&) {
                fileError = true;
            }
            if (!bankFile.empty()) WorkgroupBankFile() = bankFile;
            if (UserValid()) bank.IsAdministrator = admin;
            if (!UserValid() && !fileError) message = "User Name not validated\r";
        }
        ProcessEventsSeam();
    }
    if (fileError)
        ReportUserFileError();
    else if (!message.empty())
        MessageDlg(message + UnableToVerify, TMsgDlgType::mtError, mbOK);
}

}  // namespace

bool& PasswordGiven() {
    return ProgramState().PasswordGiven;
}

bool CheckPassword(int Operation) {
    bool protect = false, each = false;
    if (OperationSettings(Operation, protect, each) && !(protect && (!PasswordGiven() || each)))
        return true;
    const std::string wanted = Trim(Settings().BankPassword);
    for (;;) {
        std::string typed;
        if (!AskPasswordSeam(typed)) return false;
        if (SameText(Trim(typed), wanted)) break;
        MessageDlg("Password failed!\rPlease try again", TMsgDlgType::mtError, mbOK);
    }
    PasswordGiven() = true;
    return true;
}

// ---- The user file ----

std::vector<TWorkgroupUser> ReadWorkgroupUserFile(const std::string& FileName) {
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    TStBufferedStream stream(&file);
    std::vector<TWorkgroupUser> records;
    unsigned char record[WorkgroupUserRecordSize];
    for (;;) {
        const int64_t got = stream.Read(record, int64_t(WorkgroupUserRecordSize));
        if (got < int64_t(WorkgroupUserRecordSize)) break;  // the end, or a short trailing record
        const size_t n = std::min<size_t>(record[0], WorkgroupUserTextSize);
        records.push_back({std::string(reinterpret_cast<const char*>(record) + 1, n),
                           record[WorkgroupUserRecordSize - 1] != 0});
    }
    return records;
}

std::string ResolveWorkgroupBankPath(const std::string& folder, const std::string& text) {
    std::string relative = text;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const bool absolute = !relative.empty() && relative[0] == '/';
    std::string path = absolute ? relative : IncludeTrailingPathDelimiter(folder) + relative;
    if (relative.empty() || FileExists(path)) return path;
    // A name written on a system that ignores case: look for it ignoring case.
    const std::string dir = ExtractFilePath(path);
    const std::string name = ExtractFileName(path);
    std::error_code ec;
    for (const auto& item : std::filesystem::directory_iterator(ToNativePath(dir), ec)) {
        const std::string found = FromNativePath(item.path().filename().string());
        if (SameText(found, name)) return dir + found;
    }
    return path;
}

// ---- Validation ----

bool& UserValid() {
    return ProgramState().UserValid;
}

void ValidateUser() {
    RunValidationOnce(CheckUser);
}

void ResetUserValidationState() {
    ResetUserValidation();
    UserValid() = false;
    Bank().IsAdministrator = false;
}

void ReportUserFileError() {
    MessageDlg("Could not access User File\r" + Settings().WorkGroupUser + "\r" + UnableToVerify,
               TMsgDlgType::mtError, mbOK);
}

bool WorkgroupConfigured(const TSettings& settings) {
    return !settings.UserName.empty() || !settings.WorkGroupUser.empty();
}

bool WorkgroupConfigured() {
    return WorkgroupConfigured(Settings());
}

// ---- The workgroup bank ----

bool LoadWorkgroupBankCommand() {
    TBankState& bank = Bank();
    ValidateUser();
    if (!UserValid()) {
        MessageDlg(std::string("User Name not validated\r") + UnableToLoad, TMsgDlgType::mtError,
                   mbOK);
        return false;
    }
    const std::string file = WorkgroupBankFile();
    if (file.empty() || !FileExists(file)) {
        MessageDlg("Could not access Workgroup Bank\r" + file + "\r" + UnableToLoad,
                   TMsgDlgType::mtError, mbOK);
        return false;
    }
    const int64_t stamp = FileStamp(file);
    if (stamp == bank.WorkgroupFileTime) {
        MessageDlg("You have the latest WorkGroup Bank already loaded.", TMsgDlgType::mtInformation,
                   mbOK);
        return false;
    }
    if (bank.WorkgroupModified && MessageDlg("Workgroup Bank has been modified!\r"
                                             "Do you want to discard the changes and reload it?",
                                             TMsgDlgType::mtConfirmation, mbYesNo) != mrYes)
        return false;
    // A load that does not go through gives the bank back as it was.
    std::vector<TEntry> before(bank.Entries.begin(), bank.Entries.begin() + (bank.EntryHigh + 1));
    const auto restore = [&] {
        bank.Entries = std::move(before);
        bank.EntryHigh = int(bank.Entries.size()) - 1;
        RebuildTreeSeam();
    };
    {
        TBusyScope busy;
        // The workgroup entries go in one pass; the others keep their order.
        const auto first = bank.Entries.begin();
        const auto last = first + (bank.EntryHigh + 1);
        const auto kept =
            std::stable_partition(first, last, [](const TEntry& e) { return !e.IsWorkgroup(); });
        const int removed = int(last - kept);
        std::fill(kept, last, TEntry());
        bank.EntryHigh -= removed;
        bank.FocusedEntry = -1;
        bank.FindIndex = -1;
    }
    int count = 0;
    bool loaded = false;
    try {
        loaded = LoadBankFile(file, true, true, true, count);
    } catch (...) {
        restore();
        throw;
    }
    if (!loaded) {
        restore();
        return false;
    }
    bank.WorkgroupFileTime = stamp;
    // The workgroup entries are now those on disk.
    bank.WorkgroupModified = false;
    return true;
}

bool WorkgroupFileChanged() {
    const std::string& file = WorkgroupBankFile();
    if (file.empty()) return false;
    const int64_t stamp = FileStamp(file);
    return stamp != 0 && stamp != Bank().WorkgroupFileTime;
}
