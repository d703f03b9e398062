// Launching through the desktop seams, and the start-up step.
#include "Launch.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <string_view>

#include "AppSeams.h"
#include "BankCommands.h"
#include "BankModel.h"
#include "ProgramState.h"
#include "Security.h"
#include "Settings.h"
#include "StStrS.h"
#include "platform/Codec.h"
#include "platform/DateTime.h"
#include "platform/EventLoop.h"
#include "platform/Exceptions.h"
#include "platform/FileUtils.h"
#include "platform/Messages.h"
#include "platform/SocketNotifier.h"
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

void AppendEscape(std::string& out, unsigned char c) {
    static const char hex[] = "0123456789ABCDEF";
    out += '%';
    out += hex[c >> 4];
    out += hex[c & 15];
}

std::string PercentEncode(std::string_view utf8, std::string_view keep) {
    std::string out;
    for (const char ch : utf8) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~';
        if (unreserved || keep.find(ch) != std::string_view::npos)
            out += ch;
        else
            AppendEscape(out, c);
    }
    return out;
}

bool IsHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// A mail link's text after "mailto:": what such a link cannot hold is escaped, its
// separators and escapes stay.
std::string EncodeMailLink(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const bool escape =
            c <= 0x20 || c >= 0x7F ||
            std::string_view("\"<>\\^`{|}#").find(char(c)) != std::string_view::npos ||
            (c == '%' &&
             !(i + 2 < utf8.size() && IsHexDigit(utf8[i + 1]) && IsHexDigit(utf8[i + 2])));
        if (escape)
            AppendEscape(out, c);
        else
            out += char(c);
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

// The field codes that stand for the URL.
bool IsUrlCode(char code) {
    return code == 'u' || code == 'U' || code == 'f' || code == 'F';
}

// A word's field codes ("%" and a letter) replaced by what `expand` gives for the letter.
template <class Expand>
std::string ExpandFieldCodes(const std::string& word, Expand expand) {
    std::string out;
    for (size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%' || i + 1 == word.size())
            out += word[i];
        else
            out += expand(word[++i]);
    }
    return out;
}

std::string EscapePercent(std::string_view text) {
    return StringReplaceAll(std::string(text), "%", "%%");
}

// The program a command's first word names: itself when it holds a "/", else the first
// executable file of that name in PATH; empty when there is none.
std::string FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    const char* path = std::getenv("PATH");
    std::string_view dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const size_t colon = dirs.find(':');
        std::string dir(dirs.substr(0, colon));
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string_view::npos) return std::string();
        dirs.remove_prefix(colon + 1);
    }
}

// What the child processes of a start report through their pipe.
struct StartReport {
    char Kind;  // 'E' exec failed (Value: errno), 'F' fork failed (errno), 'X' ended (status)
    int Value;
};

void Report(int fd, char kind, int value) {
    const StartReport report{kind, value};
    ssize_t ignored = ::write(fd, &report, sizeof report);
    (void)ignored;
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
        return "mailto:" + EncodeMailLink(AnsiToUtf8(target.substr(7)));
    if (HasScheme(target)) return AnsiToUtf8(target);
    return "file://" + PercentEncode(AnsiToUtf8(AbsolutePath(target)), "/");
}

std::string BrowserArgument(const std::string& url) {
    if (HasScheme(url) || StartsWithText(url, "www.")) return url;
    return AbsolutePath(url);
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (true) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i == line.size()) return words;
        std::string word;
        bool quoted = false;
        for (; i < line.size(); ++i) {
            const char c = line[i];
            if (quoted && c == '\\' && i + 1 < line.size()) {
                word += line[++i];
            } else if (c == '"') {
                quoted = !quoted;
            } else if ((c == ' ' || c == '\t') && !quoted) {
                break;
            } else {
                word += c;
            }
        }
        words.push_back(std::move(word));
    }
}

std::string JoinCommandLine(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) line += ' ';
        if (!word.empty() && word.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string::npos) {
            line += word;
            continue;
        }
        line += '"';
        for (const char c : word) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') line += '\\';
            line += c;
        }
        line += '"';
    }
    return line;
}

std::string DesktopEntryCommand(const std::string& desktopEntry, const std::string& entryFile) {
    const std::map<std::string, std::string> keys = DesktopEntryGroup(desktopEntry);
    auto value = [&](const char* key) {
        const auto found = keys.find(key);
        return found == keys.end() ? std::string() : found->second;
    };
    const std::string icon = value("Icon"), name = value("Name");
    std::vector<std::string> words;
    for (const std::string& word : SplitCommandLine(value("Exec"))) {
        if (word == "%i") {
            if (!icon.empty()) words.insert(words.end(), {"--icon", EscapePercent(icon)});
            continue;
        }
        const std::string kept = ExpandFieldCodes(word, [&](char code) {
            if (code == '%' || IsUrlCode(code)) return std::string{'%', code};
            if (code == 'c') return EscapePercent(name);
            if (code == 'k') return EscapePercent(entryFile);
            return std::string();  // obsolete and unknown codes are dropped
        });
        if (!kept.empty() || word.empty()) words.push_back(kept);
    }
    return JoinCommandLine(words);
}

std::vector<std::string> BrowserCommand(const std::string& browser, const std::string& url) {
    const std::string argument = BrowserArgument(url);
    if (FileExists(browser)) return {browser, argument};
    std::vector<std::string> command;
    bool placed = false;
    for (const std::string& word : SplitCommandLine(browser)) {
        const std::string expanded = ExpandFieldCodes(word, [&](char code) {
            if (code == '%') return std::string("%");
            if (!IsUrlCode(code)) return std::string();
            placed = true;
            return argument;
        });
        if (!expanded.empty() || word.empty()) command.push_back(expanded);
    }
    if (command.empty()) return command;
    if (!placed) command.push_back(argument);
    return command;
}

namespace {

// Reads what the watcher of one start reports, from the event loop, and when the watcher has
// left (which it does at once after a report) reaps it, frees itself and tells the outcome.
// Until then the program keeps it.
class TStartReader {
public:
    TStartReader(int descriptor, pid_t watcher, TStartReport report)
        : descriptor_(descriptor),
          watcher_(watcher),
          report_(std::move(report)),
          notifier_(descriptor, TSocketNotifierType::sntRead, [this](int) { Read(); }) {}

private:
    void Read() {
        StartReport report{};
        ssize_t n;
        do n = ::read(descriptor_, &report, sizeof report);
        while (n < 0 && errno == EINTR);
        if (n == ssize_t(sizeof report)) {
            if (outcome_.Error != 0) return;  // an exit after a failed exec says nothing more
            if (report.Kind == 'X') {
                outcome_.Ended = true;
                outcome_.Status = report.Value;
            } else {
                outcome_.Error = report.Value;
            }
            return;
        }
        // The watcher has left (its end of the pipe closed with it): it is reaped at once.
        int status = 0;
        while (::waitpid(watcher_, &status, 0) < 0 && errno == EINTR) {
        }
        ::close(descriptor_);
        const TStartReport tell = std::move(report_);
        const TStartOutcome outcome = outcome_;
        delete this;  // the notifier may be freed from inside its callback
        tell(outcome);
    }

    int descriptor_;
    pid_t watcher_;
    TStartReport report_;
    TStartOutcome outcome_;
    TSocketNotifier notifier_;
};

}  // namespace

int StartDetachedCommand(const std::vector<std::string>& nativeCommand,
                         std::chrono::milliseconds watch, TStartReport report) {
    const std::string program = nativeCommand.empty() || nativeCommand[0].empty()
                                    ? std::string()
                                    : FindProgram(nativeCommand[0]);
    if (program.empty()) return ENOENT;
    // Everything the children use is made before the fork: after it only calls that are safe
    // in a copy of a threaded process follow.
    std::vector<char*> argv;
    for (const std::string& word : nativeCommand) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return errno;
    const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const long long watchNs = std::max<long long>(0, watch.count()) * 1000000LL;
    const pid_t watcher = ::fork();
    if (watcher == 0) {
        // The watcher starts the program and reports on it for the watch; when it leaves,
        // the program is nobody's child here and the system takes it over.
        ::close(fds[0]);
        ::signal(SIGCHLD, SIG_DFL);
        ::signal(SIGPIPE, SIG_IGN);
        const pid_t child = ::fork();
        if (child < 0) {
            Report(fds[1], 'F', errno);
            ::_exit(0);
        }
        if (child == 0) {
            ::setsid();
            ::signal(SIGPIPE, SIG_DFL);
            if (nothing >= 0) ::dup2(nothing, 0);
            ::execv(program.c_str(), argv.data());
            Report(fds[1], 'E', errno);
            ::_exit(127);
        }
        const timespec step{0, 5000000};
        for (long long waited = 0; waited <= watchNs; waited += step.tv_nsec) {
            int status = 0;
            const pid_t done = ::waitpid(child, &status, WNOHANG);
            if (done == child) {
                Report(fds[1], 'X', status);
                break;
            }
            if (done < 0 && errno != EINTR) break;
            ::nanosleep(&step, nullptr);
        }
        ::_exit(0);
    }
    const int forkError = errno;
    ::close(fds[1]);
    if (nothing >= 0) ::close(nothing);
    if (watcher < 0) {
        ::close(fds[0]);
        return forkError;
    }
    new TStartReader(fds[0], watcher, std::move(report));
    return 0;
}

std::string StartFailureCause(const std::string& program, const TStartOutcome& outcome) {
    if (outcome.Error == ENOENT) return "The program \"" + program + "\" was not found.";
    if (outcome.Error != 0)
        return "Cannot start \"" + program + "\": " + Utf8ToAnsi(std::strerror(outcome.Error));
    if (!outcome.Ended) return std::string();
    if (WIFEXITED(outcome.Status) && WEXITSTATUS(outcome.Status) != 0)
        return "\"" + program + "\" ended at once with exit code " +
               IntToStr(WEXITSTATUS(outcome.Status)) + ".";
    if (WIFSIGNALED(outcome.Status))
        return "\"" + program + "\" ended at once on signal " + IntToStr(WTERMSIG(outcome.Status)) +
               ".";
    return std::string();
}

std::string OpenerFailureCause(const TStartOutcome& outcome) {
    if (outcome.Error != 0)
        return "Cannot start the desktop's opener: " + Utf8ToAnsi(std::strerror(outcome.Error));
    if (!outcome.Ended || (WIFEXITED(outcome.Status) && WEXITSTATUS(outcome.Status) == 0))
        return std::string();
    if (!WIFEXITED(outcome.Status))
        return "The desktop's opener ended on signal " + IntToStr(WTERMSIG(outcome.Status)) + ".";
    // The opener's documented exit codes.
    switch (WEXITSTATUS(outcome.Status)) {
        case 1:
            return "The desktop's opener did not understand the address.";
        case 2:
            return "The file does not exist.";
        case 3:
            return "No program to open it was found.";
        case 4:
            return "The program that opens it failed.";
        default:
            return "The desktop's opener ended with exit code " +
                   IntToStr(WEXITSTATUS(outcome.Status)) + ".";
    }
}

TStartWatch::TStartWatch(std::chrono::milliseconds watch, TCause cause, TStartFailed failed)
    : start_(TickCount()), watch_(watch), cause_(std::move(cause)), failed_(std::move(failed)) {}

void TStartWatch::Report(const TStartOutcome& outcome) {
    if (failedOnce_ || TickCount() - start_ > watch_.count()) return;
    const std::string cause = cause_(outcome);
    if (cause.empty()) return;
    failedOnce_ = true;
    if (failed_) failed_(cause);
}

namespace {

// Starts a native command watched: immediate failures raise with `cause`'s text, later ones
// reach `failed`.
void StartWatched(const std::vector<std::string>& nativeCommand, std::chrono::milliseconds watch,
                  const TStartWatch::TCause& cause, const TStartFailed& failed) {
    auto watching = std::make_shared<TStartWatch>(watch, cause, failed);
    TStartOutcome outcome;
    outcome.Error = StartDetachedCommand(
        nativeCommand, watch,
        [watching](const TStartOutcome& reported) { watching->Report(reported); });
    if (outcome.Error != 0) throw Exception(cause(outcome));
}

}  // namespace

void StartProgramWatched(const std::vector<std::string>& command, const TStartFailed& failed,
                         std::chrono::milliseconds watch) {
    std::vector<std::string> native;
    for (const std::string& word : command) native.push_back(ToNativePath(word));
    const std::string program = command.empty() ? std::string() : command[0];
    StartWatched(
        native, watch,
        [program](const TStartOutcome& outcome) { return StartFailureCause(program, outcome); },
        failed);
}

bool OpenWithDesktopOpener(const std::string& target, const TStartFailed& failed,
                           std::chrono::milliseconds watch) {
    const std::string opener = FindProgram("xdg-open");
    if (opener.empty()) return false;
    StartWatched({opener, DesktopUrl(target)}, watch, OpenerFailureCause, failed);
    return true;
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
    std::string browser = s.Browser.empty() ? FindDefaultBrowser() : s.Browser;
    if (s.AskForBrowser) browser = ChooseBrowser();
    if (browser.empty()) {
        // No browser is known by name: the desktop opens the address with its own.
        OpenWithDesktop(typed, "Could not open Default Browser");
        return;
    }
    OpenWithBrowser(browser, typed);
}

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
        ShowError("Error loading " + name + "\rThis is a folder, not a bank file.");
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
