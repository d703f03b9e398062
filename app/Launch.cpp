// The launching commands: Go To URL, Send Mail, Launch Browser, and a URL opened on its own.
#include "Launch.h"

#include <string_view>

#include "AppSeams.h"
#include "BankModel.h"
#include "BrowserChoice.h"
#include "DesktopEntry.h"
#include "Settings.h"
#include "UrlEncoding.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/Messages.h"

namespace {

void ShowError(const std::string& text) {
    MessageDlg(text, TMsgDlgType::mtError, mbOK);
}

// A message and, on its own line, why.
void ShowError(const std::string& text, const std::string& why) {
    ShowError(why.empty() ? text : text + "\r" + why);
}

void ShowError(const std::string& text, const std::exception& cause) {
    ShowError(text, std::string(cause.what()));
}

// The same message for a failure that shows after the start returned.
TStartFailed ShowErrorLater(const std::string& text) {
    return [text](const std::string& why) { ShowError(text, why); };
}

// Opens a target with the desktop's program for it; a failure, at once or told later, shows
// `message` with its cause.
void OpenWithDesktop(const std::string& target, const std::string& message) {
    try {
        OpenDocumentSeam(target, ShowErrorLater(message));
    } catch (const std::exception& e) {
        ShowError(message, e);
        return;
    }
    ProcessEventsSeam();
}

void OpenOnItsOwn(const std::string& url) {
    OpenWithDesktop(url, "Could not open URL\r" + url);
}

void OpenWithBrowser(const std::string& browser, const std::string& argument) {
    try {
        const std::vector<std::string> command = BrowserCommand(browser, argument);
        if (command.empty()) throw Exception("No browser program is configured.");
        StartProgramSeam(command, ShowErrorLater("Could not open Default Browser"));
        ProcessEventsSeam();
    } catch (const std::exception& e) {
        ShowError("Could not open Default Browser", e);
    }
}

}  // namespace

bool HasNoURL(const std::string& url) {
    return url.empty() || url == "None";
}

void OpenURL(const std::string& url) {
    const TSettings& s = Settings();
    if (!IsWebAddress(url)) {
        OpenOnItsOwn(url);
        return;
    }
    if (!s.Browser.empty()) {
        OpenWithBrowser(s.AskForBrowser ? ChooseBrowser() : s.Browser, url);
        return;
    }
    OpenWithDesktop(url, "Could not open Default Browser");
}

void GoToURL(int entryIndex) {
    TBankState& bank = Bank();
    if (entryIndex < 0 || entryIndex > bank.EntryHigh) return;
    TEntry& entry = bank.Entry(entryIndex);
    ++entry.AccessCount;
    entry.LastAccess = Now();
    if (HasNoURL(entry.URL)) {
        ShowError("Entry does not have a URL!");
        return;
    }
    bank.MarkModified(entry.Name);
    // A copy: the launch processes events, and a command run then may change the bank.
    const std::string url = entry.URL;
    OpenURL(url);
}

void SendMail(int entryIndex) {
    TBankState& bank = Bank();
    if (entryIndex < 0 || entryIndex > bank.EntryHigh) return;
    const std::string target = "MailTo:" + bank.Entry(entryIndex).EMail;
    OpenWithDesktop(target, "Error starting EMail client");
}

void LaunchBrowser(const std::string& typed) {
    const TSettings& s = Settings();
    const std::string browser = s.AskForBrowser ? ChooseBrowser() : ConfiguredOrDefaultBrowser();
    if (browser.empty()) {
        // No browser is known by name: the desktop opens the address with its own.
        OpenWithDesktop(typed, "Could not open Default Browser");
        return;
    }
    OpenWithBrowser(browser, typed);
}
