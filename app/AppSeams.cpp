// The seams between the bank code and the windows, with their headless behaviour.
#include "AppSeams.h"

#include "ProgramState.h"
#include "Settings.h"
#include "platform/Exceptions.h"

TAppSeams& Seams() {
    return ProgramState().Seams;
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

void SetStatusTextSeam(const std::string& text) {
    if (Seams().SetStatusText) Seams().SetStatusText(text);
}

void EnableSaveSeam(bool enabled) {
    if (Seams().EnableSave) Seams().EnableSave(enabled);
}

void RebuildTreeSeam(const TAppSeams& seams) {
    if (seams.RebuildTree) seams.RebuildTree();
}

void RebuildTreeSeam() {
    RebuildTreeSeam(Seams());
}

void ValidateUserSeam(const TAppSeams& seams) {
    if (seams.ValidateUser) seams.ValidateUser();
}

void ValidateUserSeam() {
    ValidateUserSeam(Seams());
}

void ProcessEventsSeam() {
    if (Seams().ProcessEvents) Seams().ProcessEvents();
}

void SetCaptionSeam(const std::string& caption) {
    if (Seams().SetCaption) Seams().SetCaption(caption);
}

void ClearTreeSeam() {
    if (Seams().ClearTree) Seams().ClearTree();
}

void EnableSaveAsSeam(bool enabled) {
    if (Seams().EnableSaveAs) Seams().EnableSaveAs(enabled);
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

TBusyLifted::TBusyLifted() {
    if (Seams().SetBusy) Seams().SetBusy(false);
}

TBusyLifted::~TBusyLifted() {
    try {
        if (Seams().SetBusy) Seams().SetBusy(true);
    } catch (...) {
    }
}

TBusyScope::TBusyScope() : previous_(SetMessageService(this)) {
    if (Seams().SetBusy) Seams().SetBusy(true);
}

// Runs on every way out of a long operation, so neither the hourglass nor a stale
// "Loading" text can outlive it.
TBusyScope::~TBusyScope() {
    SetMessageService(previous_);
    try {
        if (Seams().SetBusy) Seams().SetBusy(false);
        SetStatusTextSeam(std::string());
    } catch (...) {
    }
}

// The message goes on to the service the scope found, which lifts an enclosing scope's hourglass.
int TBusyScope::Show(const MessageRequest& request) {
    const TBusyLifted lifted;
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
    : everyCalls_(everyCalls > 0 ? everyCalls : 1),
      interval_(interval),
      last_(std::chrono::steady_clock::now()) {}

void TEventPump::Tick() {
    if (!Seams().ProcessEvents) return;
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
    if (Seams().ProcessEvents) Seams().ProcessEvents();
}
