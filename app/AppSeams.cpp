// The seams between the bank code and the windows, with their headless behaviour.
#include "AppSeams.h"

#include "BankModel.h"
#include "ProgramState.h"
#include "Settings.h"
#include "platform/Exceptions.h"

TAppSeams& Seams() {
    return ProgramState().Seams;
}

const TAppSeams& HeadlessSeams() {
    static const TAppSeams none;
    return none;
}

void ResetSeams() {
    Seams() = TAppSeams();
    ProgramState().UserValidated = false;
    Settings() = TSettings();
}

bool AskPasswordSeam(const TAppSeams& seams, std::string& typed) {
    typed.clear();
    return seams.AskPassword && seams.AskPassword(typed);
}

bool AskPasswordSeam(std::string& typed) {
    return AskPasswordSeam(Seams(), typed);
}

void SetStatusTextSeam(const TAppSeams& seams, const std::string& text) {
    if (seams.SetStatusText) seams.SetStatusText(text);
}

void SetStatusTextSeam(const std::string& text) {
    SetStatusTextSeam(Seams(), text);
}

void EnableSaveSeam(const TAppSeams& seams, bool enabled) {
    if (seams.EnableSave) seams.EnableSave(enabled);
}

void EnableSaveSeam(bool enabled) {
    EnableSaveSeam(Seams(), enabled);
}

void RebuildTreeSeam(TBankState& bank) {
    const TAppSeams& seams = bank.SeamsOrHeadless();
    if (seams.RebuildTree) seams.RebuildTree(bank);
}

void RebuildTreeSeam() {
    RebuildTreeSeam(Bank());
}

void ValidateUserSeam(const TAppSeams& seams) {
    if (seams.ValidateUser) seams.ValidateUser();
}

void ValidateUserSeam() {
    ValidateUserSeam(Seams());
}

void ProcessEventsSeam(const TAppSeams& seams) {
    if (seams.ProcessEvents) seams.ProcessEvents();
}

void ProcessEventsSeam() {
    ProcessEventsSeam(Seams());
}

void SetCaptionSeam(const TAppSeams& seams, const std::string& caption) {
    if (seams.SetCaption) seams.SetCaption(caption);
}

void SetCaptionSeam(const std::string& caption) {
    SetCaptionSeam(Seams(), caption);
}

void ClearTreeSeam() {
    if (Seams().ClearTree) Seams().ClearTree();
}

void EnableSaveAsSeam(const TAppSeams& seams, bool enabled) {
    if (seams.EnableSaveAs) seams.EnableSaveAs(enabled);
}

void EnableSaveAsSeam(bool enabled) {
    EnableSaveAsSeam(Seams(), enabled);
}

void StartProgramSeam(const std::vector<std::string>& command, const TStartFailed& failed) {
    if (!Seams().StartProgram)
        throw Exception("Cannot start \"" + (command.empty() ? "" : command[0]) + "\".");
    Seams().StartProgram(command, failed);
}

void OpenDocumentSeam(const std::string& target, const TStartFailed& failed) {
    if (!Seams().OpenDocument) throw Exception("Cannot open \"" + target + "\".");
    Seams().OpenDocument(target, failed);
}

void RunValidationOnce(const std::function<void()>& check) {
    bool& validated = ProgramState().UserValidated;
    if (validated) return;
    // Set first: the check may itself reach code that asks for validation.
    validated = true;
    if (check) check();
}

void ResetUserValidation() {
    ProgramState().UserValidated = false;
}

bool UserValidated() {
    return ProgramState().UserValidated;
}

TBusyLifted::TBusyLifted() : TBusyLifted(Seams()) {}

TBusyLifted::TBusyLifted(const TAppSeams& seams) : seams_(seams) {
    if (seams_.SetBusy) seams_.SetBusy(false);
}

TBusyLifted::~TBusyLifted() {
    try {
        if (seams_.SetBusy) seams_.SetBusy(true);
    } catch (...) {
    }
}

TBusyScope::TBusyScope() : TBusyScope(Seams()) {}

TBusyScope::TBusyScope(const TAppSeams& seams) : seams_(seams), previous_(SetMessageService(this)) {
    if (seams_.SetBusy) seams_.SetBusy(true);
}

// Runs on every way out of a long operation, so neither the hourglass nor a stale
// "Loading" text can outlive it.
TBusyScope::~TBusyScope() {
    SetMessageService(previous_);
    try {
        if (seams_.SetBusy) seams_.SetBusy(false);
        SetStatusTextSeam(seams_, std::string());
    } catch (...) {
    }
}

// The message goes on to the service the scope found, which lifts an enclosing scope's hourglass.
int TBusyScope::Show(const MessageRequest& request) {
    const TBusyLifted lifted(seams_);
    SetMessageService(previous_);
    try {
        const int result = Messages().Show(request);
        SetMessageService(this);
        return result;
    } catch (...) {
        SetMessageService(this);
        throw;
    }
}

TEventPump::TEventPump(int everyCalls, std::chrono::milliseconds interval)
    : TEventPump(Seams(), everyCalls, interval) {}

TEventPump::TEventPump(const TAppSeams& seams, int everyCalls, std::chrono::milliseconds interval)
    : seams_(seams),
      everyCalls_(everyCalls > 0 ? everyCalls : 1),
      interval_(interval),
      last_(std::chrono::steady_clock::now()) {}

void TEventPump::Tick() {
    if (!seams_.ProcessEvents) return;
    ++calls_;
    // The clock is read only every few calls: a load calls this once per line.
    if (calls_ < everyCalls_ &&
        (calls_ % 16 != 0 || std::chrono::steady_clock::now() - last_ < interval_))
        return;
    Now();
}

void TEventPump::Now() {
    calls_ = 0;
    last_ = std::chrono::steady_clock::now();
    ProcessEventsSeam(seams_);
}
