// Launching through the desktop seams, and the start-up step.
#include "Launch.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <string_view>

#include "AppSeams.h"
#include "BankCommands.h"
#include "BankModel.h"
#include "ProgramState.h"
#include "Settings.h"
#include "StStrS.h"
#include "platform/Codec.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"

namespace {

bool StartsWithText(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

// "scheme:" with a scheme of letters, digits, "+", "-" and "." after a letter; single
// letters are left out so that "C:" paths are not taken for one.
bool HasScheme(std::string_view s) {
    const size_t colon = s.find(':');
    if (colon == std::string_view::npos || colon < 2) return false;
    if (!std::isalpha(static_cast<unsigned char>(s[0]))) return false;
    for (size_t i = 1; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

std::string PercentEncode(std::string_view utf8, std::string_view keep) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : utf8) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' ||
            keep.find(ch) != std::string_view::npos) {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char buffer[PATH_MAX];
    std::string dir = ::getcwd(buffer, sizeof buffer) ? FromNativePath(buffer) : std::string("/");
    return IncludeTrailingPathDelimiter(dir) + path;
}

bool HasNoURL(const std::string& url) {
    return url.empty() || url == "None";
}

void ShowError(const std::string& text) {
    MessageDlg(text, TMsgDlgType::mtError, mbOK);
}

void OpenOnItsOwn(const std::string& url) {
    try {
        OpenDocumentSeam(url);
    } catch (const std::exception&) {
        ShowError("Could not open URL\r" + url);
        return;
    }
    ProcessEventsSeam();
}

void OpenWithBrowser(const std::string& browser, const std::string& argument) {
    try {
        StartProgramSeam(browser, BrowserArgument(argument));
        ProcessEventsSeam();
    } catch (const std::exception&) {
        ShowError("Could not open Default Browser");
    }
}

}  // namespace

bool IsWebAddress(const std::string& url) {
    if (StartsWithText(url, "HTTP") || StartsWithText(url, "WWW")) return true;
    const std::string ext = PathExtension(url);
    return SameText(ext, "HTM") || SameText(ext, "HTML");
}

std::string DesktopUrl(const std::string& target) {
    if (StartsWithText(target, "www.")) return AnsiToUtf8("http://" + target);
    if (StartsWithText(target, "mailto:"))
        return "mailto:" + PercentEncode(AnsiToUtf8(target.substr(7)), "@");
    if (HasScheme(target)) return AnsiToUtf8(target);
    return "file://" + PercentEncode(AnsiToUtf8(AbsolutePath(target)), "/");
}

std::string BrowserArgument(const std::string& url) {
    if (HasScheme(url) || StartsWithText(url, "www.")) return url;
    return AbsolutePath(url);
}

std::string DesktopEntryProgram(const std::string& desktopEntry) {
    std::string exec;
    bool inEntry = false;
    for (const std::string& line : SplitLines(desktopEntry)) {
        const std::string text = Trim(line);
        if (!text.empty() && text[0] == '[') {
            inEntry = text == "[Desktop Entry]";
            continue;
        }
        if (inEntry && text.rfind("Exec", 0) == 0) {
            const size_t eq = text.find('=');
            if (eq != std::string::npos && Trim(text.substr(4, eq - 4)).empty()) {
                exec = Trim(text.substr(eq + 1));
                break;
            }
        }
    }
    // Words, with double quotes grouping and backslash escaping inside them.
    size_t i = 0;
    auto nextWord = [&]() {
        while (i < exec.size() && exec[i] == ' ') ++i;
        std::string word;
        bool quoted = false;
        for (; i < exec.size(); ++i) {
            const char c = exec[i];
            if (quoted && c == '\\' && i + 1 < exec.size()) {
                word += exec[++i];
            } else if (c == '"') {
                quoted = !quoted;
            } else if (c == ' ' && !quoted) {
                break;
            } else {
                word += c;
            }
        }
        return word;
    };
    std::string program = nextWord();
    if (program == "env") {
        do program = nextWord();
        while (!program.empty() && program.find('=') != std::string::npos);
    }
    return program;
}

int& BrowserChoice() {
    return ProgramState().BrowserChoice;
}

std::string ChooseBrowser() {
    if (Seams().ChooseBrowserDialog) Seams().ChooseBrowserDialog(BrowserChoice());
    const TSettings& s = Settings();
    switch (BrowserChoice()) {
        case 1:
            return s.Browser2;
        case 2:
            return s.Browser3;
        default:
            return s.Browser1;
    }
}

std::string FindDefaultBrowser() {
    return Seams().FindDefaultBrowser ? Seams().FindDefaultBrowser() : std::string();
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
    try {
        OpenDocumentSeam(url);
        ProcessEventsSeam();
    } catch (const std::exception&) {
        ShowError("Could not open Default Browser");
    }
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
    EnableSaveSeam(true);
    bank.MarkModified(entry.Name);
    // A copy: the launch processes events, and a command run then may change the bank.
    const std::string url = entry.URL;
    OpenURL(url);
}

void SendMail(int entryIndex) {
    TBankState& bank = Bank();
    if (entryIndex < 0 || entryIndex > bank.EntryHigh) return;
    const std::string target = "MailTo:" + bank.Entry(entryIndex).EMail;
    try {
        OpenDocumentSeam(target);
    } catch (const std::exception&) {
        ShowError("Error starting EMail client");
        return;
    }
    ProcessEventsSeam();
}

void LaunchBrowser(const std::string& typed) {
    const TSettings& s = Settings();
    std::string browser = s.Browser.empty() ? FindDefaultBrowser() : s.Browser;
    if (s.AskForBrowser) browser = ChooseBrowser();
    if (browser.empty()) {
        // No browser is known by name: the desktop opens the address with its own.
        try {
            OpenDocumentSeam(typed);
            ProcessEventsSeam();
        } catch (const std::exception&) {
            ShowError("Could not open Default Browser");
        }
        return;
    }
    OpenWithBrowser(browser, typed);
}

std::string StartupBankFile() {
    std::string name = Settings().Default;
    if (!name.empty()) {
        if (name[0] != '/') name = UserDataFolder() + name;
        if (FileExists(name)) return name;
    }
    for (const std::string& folder : {ProgramFolder(), UserDataFolder()})
        for (const char* file : {"Lorvane.BNK", "Lorvane.bnk"})
            if (FileExists(folder + file)) return folder + file;
    return std::string();
}

void StartUp() {
    const std::string bankFile = StartupBankFile();
    if (!bankFile.empty()) OpenBank(bankFile);
    const TSettings& s = Settings();
    if ((!s.UserName.empty() || !s.WorkGroupUser.empty()) && s.AutoLoad) {
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

std::string AboutVersionText(uint32_t productVersionMS) {
    return "Version: " + IntToStr(productVersionMS >> 16) + "." +
           IntToStr(productVersionMS & 0xFFFF);
}

std::string AboutBuildText(uint32_t fileVersionMS, uint32_t fileVersionLS, bool threeLevels) {
    std::string text = "Build: " + IntToStr(fileVersionMS >> 16) + "." +
                       IntToStr(fileVersionMS & 0xFFFF) + "." + IntToStr(fileVersionLS >> 16) +
                       "." + IntToStr(fileVersionLS & 0xFFFF);
    if (threeLevels) text.erase(text.rfind('.'));
    return text;
}
