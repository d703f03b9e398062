// The points where the bank code reaches the windows: the window code fills them, tests script
// them, and without either the bank runs headless.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/Messages.h"

struct TSaveScope;
struct TBankState;

// Hears why a started program failed when that shows only after its start returned (it ended at
// once with an error): the cause, as an exception's message would give it.
using TStartFailed = std::function<void(const std::string& cause)>;

struct TAppSeams {
    // The password dialog: true with the typed text on OK, false on Cancel.
    std::function<bool(std::string& typed)> AskPassword;
    // The hourglass cursor on (true) or off (false).
    std::function<void(bool busy)> SetBusy;
    // The status bar's text; a leading tab centres it, empty clears it.
    std::function<void(const std::string& text)> SetStatusText;
    // The Save Bank command and the Save tool button.
    std::function<void(bool enabled)> EnableSave;
    // The tree after a change of the entries of the bank handed in (the windows show Bank()).
    std::function<void(TBankState& bank)> RebuildTree;
    // The entry editor over EditEntry; returns the modal result (mrOk when accepted).
    std::function<int(int mode)> RunEntryForm;
    // Focuses and selects the tree node of an entry.
    std::function<void(int entryIndex)> FocusEntryNode;
    // The New command, offered when a command needs a bank: true when it made a new bank.
    std::function<bool()> NewBank;
    // Validates the configured user once per run; sets IsAdministrator.
    std::function<void()> ValidateUser;
    // Processes pending window events, user input excluded.
    std::function<void()> ProcessEvents;

    // The main window's caption.
    std::function<void(const std::string& caption)> SetCaption;
    // Empties the main tree at once (before a bank is replaced).
    std::function<void()> ClearTree;
    // The Save As command.
    std::function<void(bool enabled)> EnableSaveAs;
    // The administrator's save dialog: true on Save with the chosen scope.
    std::function<bool(TSaveScope& scope)> AskAdminSaveScope;
    // The browser choice dialog over the three configured names: sets `choice` to the line
    // (0..2) chosen with OK and leaves it alone when the dialog is closed otherwise.
    std::function<void(int& choice)> ChooseBrowserDialog;
    // The desktop's default web browser (a program path or name); empty when none is known.
    std::function<std::string()> FindDefaultBrowser;
    // Starts a program (the command's first word) with the other words as its arguments,
    // without a shell, and returns at once: raises with the cause when it cannot start, and
    // calls `failed` from the event loop when it ends at once with an error.
    std::function<void(const std::vector<std::string>& command, const TStartFailed& failed)>
        StartProgram;
    // Opens a URL, a mail link or a file with the desktop's program for it; raises on a
    // failure known at once and calls `failed` on one that shows later, as StartProgram.
    std::function<void(const std::string& target, const TStartFailed& failed)> OpenDocument;
    // The Load Workgroup Bank command.
    std::function<void()> LoadWorkgroupBank;
    // Closes the information panel when it is shown.
    std::function<void()> CloseInfoPanel;
};

// The program's seams, for the windows and the commands' entry points; every member may be
// empty, which gives the headless behaviour.
TAppSeams& Seams();
// Seams that are all empty: what a bank without seams of its own reaches.
const TAppSeams& HeadlessSeams();
// Empties every seam and restores the default settings, Settings() (tests).
void ResetSeams();

// Calls to the seams that tolerate an empty seam; those without `seams` call the program's.
bool AskPasswordSeam(const TAppSeams& seams, std::string& typed);  // false (Cancel) when headless
bool AskPasswordSeam(std::string& typed);
void SetStatusTextSeam(const TAppSeams& seams, const std::string& text);
void SetStatusTextSeam(const std::string& text);
void EnableSaveSeam(const TAppSeams& seams, bool enabled);
void EnableSaveSeam(bool enabled);
void RebuildTreeSeam(TBankState& bank);  // through the bank's own seams
void RebuildTreeSeam();                  // the program's bank
void ValidateUserSeam(const TAppSeams& seams);
void ValidateUserSeam();
void ProcessEventsSeam(const TAppSeams& seams);
void ProcessEventsSeam();
void SetCaptionSeam(const TAppSeams& seams, const std::string& caption);
void SetCaptionSeam(const std::string& caption);
void ClearTreeSeam();
void EnableSaveAsSeam(const TAppSeams& seams, bool enabled);
void EnableSaveAsSeam(bool enabled);
// Headless: nothing can be started, so both raise.
void StartProgramSeam(const std::vector<std::string>& command, const TStartFailed& failed);
void OpenDocumentSeam(const std::string& target, const TStartFailed& failed);

// The user is validated once per run: the window runs its check through RunValidationOnce.
// ResetUserValidation (the configuration changed the user or the user file) lets the next
// call check again.
void RunValidationOnce(const std::function<void()>& check);
void ResetUserValidation();
bool UserValidated();

// The hourglass taken off while a dialog waits for the user, and put back after; without
// `seams`, the program's.
class TBusyLifted {
public:
    TBusyLifted();
    explicit TBusyLifted(const TAppSeams& seams);
    ~TBusyLifted();
    TBusyLifted(const TBusyLifted&) = delete;
    TBusyLifted& operator=(const TBusyLifted&) = delete;

private:
    const TAppSeams& seams_;
};

// The hourglass for one scope, and the status text cleared when the scope ends. A message shown
// during the scope waits for the user under the normal cursor. Without `seams`, the program's.
class TBusyScope : private MessageService {
public:
    TBusyScope();
    explicit TBusyScope(const TAppSeams& seams);
    ~TBusyScope() override;
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;

private:
    int Show(const MessageRequest& request) override;
    const TAppSeams& seams_;
    MessageService* previous_;
};

// Processes pending events from a long loop (through the seams given, else the program's), but
// only every `everyCalls` calls or after `interval` has passed, whichever comes first.
class TEventPump {
public:
    explicit TEventPump(int everyCalls = 100,
                        std::chrono::milliseconds interval = std::chrono::milliseconds(50));
    explicit TEventPump(const TAppSeams& seams, int everyCalls = 100,
                        std::chrono::milliseconds interval = std::chrono::milliseconds(50));
    void Tick();
    void Now();  // processes at once

private:
    const TAppSeams& seams_;
    int everyCalls_;
    int calls_ = 0;
    std::chrono::milliseconds interval_;
    std::chrono::steady_clock::time_point last_;
};
