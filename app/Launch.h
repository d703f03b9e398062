// Handing URLs and mail addresses to other programs, and the program's start-up step.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "AppSeams.h"

// A web address: "HTTP" or "WWW" at the start (any case), or the extension HTM or HTML.
bool IsWebAddress(const std::string& url);
// A target as the desktop opens it, in UTF-8: "www." gets "http://", a local path becomes an
// absolute "file://" URL, other URLs stay. After "MailTo:" only what a mail link cannot hold
// is percent-encoded (blanks and other controls, non-ASCII, quotes, angle brackets, "#", a
// "%" without two hexadecimal digits), so "," between recipients and the "?", "=" and "&" of
// the header fields keep their meaning.
std::string DesktopUrl(const std::string& target);
// A URL as a browser's one argument: a local path is made absolute, so no text a browser
// gets can read as one of its options.
std::string BrowserArgument(const std::string& url);

// Command lines as desktop entries write them: words apart at blanks; double quotes group,
// and inside them a backslash takes the next character as it is.
std::vector<std::string> SplitCommandLine(std::string_view line);
std::string JoinCommandLine(const std::vector<std::string>& words);
// The whole command line of a desktop entry's "Exec" line (in its "[Desktop Entry]" group),
// ready to be kept as a browser setting: the value's escapes read, "%i" (the "--icon" option
// with the entry's icon), "%c" (its name) and "%k" (`entryFile`) expanded, obsolete field
// codes dropped, and the URL's place ("%u", "%U", "%f", "%F") and "%%" kept for
// BrowserCommand. Empty when the entry has no command.
std::string DesktopEntryCommand(const std::string& desktopEntry, const std::string& entryFile);
// The command that opens `url` with a configured browser: a browser naming an existing file
// is that program with the URL as its one argument; anything else is a command line whose
// "%u", "%U", "%f" and "%F" become the URL ("%%" a percent sign, other field codes dropped),
// or that gets the URL as its last word when it has no place for it. The URL is made a
// browser argument first (BrowserArgument). Empty when the browser text holds no program.
std::vector<std::string> BrowserCommand(const std::string& browser, const std::string& url);

// What became of a program started detached.
struct TStartOutcome {
    int Error = 0;       // the system's error number when it could not be started
    bool Ended = false;  // it ended while it was watched
    int Status = 0;      // then its wait status
};
// Hears once, from the event loop, what became of a started program while it was watched: that
// it could not be started (Error), that it ended (Ended, Status), or neither (it still ran when
// the watch ended). Told when the watch is over and has let go of everything it used.
using TStartReport = std::function<void(const TStartOutcome& outcome)>;
// Starts a command (native words; a first word without "/" is looked up in PATH) detached
// from this process, in a session of its own and with no input, and returns at once; what the
// program does within `watch` reaches `report`. The system's error number when it cannot be
// started at once (ENOENT: no such program), else 0.
int StartDetachedCommand(const std::vector<std::string>& nativeCommand,
                         std::chrono::milliseconds watch, TStartReport report);
// How long a started program is watched for an immediate failure.
inline constexpr std::chrono::milliseconds StartWatch{400};

// Why a started program failed, from its report; empty when it did not (it ended well).
std::string StartFailureCause(const std::string& program, const TStartOutcome& outcome);
// Why the desktop's opener failed, from its report, as its exit codes tell; empty when not.
std::string OpenerFailureCause(const TStartOutcome& outcome);

// The watch over one start, from the moment it is made: a report of a failure that arrives
// within `watch` on the user-interface clock (TickCount) reaches `failed` with its cause;
// later reports, a clean end and every report after the first failure say nothing.
class TStartWatch {
public:
    using TCause = std::function<std::string(const TStartOutcome& outcome)>;
    TStartWatch(std::chrono::milliseconds watch, TCause cause, TStartFailed failed);
    void Report(const TStartOutcome& outcome);

private:
    int64_t start_;
    std::chrono::milliseconds watch_;
    TCause cause_;
    TStartFailed failed_;
    bool failedOnce_ = false;
};

// Starts a command (Windows-1252 words) as StartDetachedCommand does; raises with the cause
// when it cannot be started, and tells `failed` when it ends within `watch` with an error.
void StartProgramWatched(const std::vector<std::string>& command, const TStartFailed& failed,
                         std::chrono::milliseconds watch = StartWatch);
// Opens a target with the desktop's opener program ("xdg-open" in PATH), watched as
// above: a failure the opener reports (no program for it, a missing file, ...) reaches
// `failed`. False, having done nothing, when there is no opener program.
bool OpenWithDesktopOpener(const std::string& target, const TStartFailed& failed,
                           std::chrono::milliseconds watch = StartWatch);

// The browser choice that the dialog last confirmed, program-wide: 0, 1 or 2.
int& BrowserChoice();
// Shows the browser choice and returns the path configured for the chosen line.
std::string ChooseBrowser();
// The desktop's default browser; empty when none is known.
std::string FindDefaultBrowser();

// Opens a URL: a web address with the configured (or chosen) browser when one is set, else
// with the desktop. Failures show the messages of the start-up step.
void OpenURL(const std::string& url);
// Go To URL for an entry: counts the access, then opens its URL. Nothing for an index that
// names no entry.
void GoToURL(int entryIndex);
// Send Mail for an entry's address.
void SendMail(int entryIndex);
// Launch Browser with the typed text.
void LaunchBrowser(const std::string& typed);

// The bank opened at start: "Default" when that file exists (a relative name lies in the data
// folder), else "Lorvane.BNK" or "Lorvane.bnk" in the program's or the data folder; empty
// when there is none.
std::string StartupBankFile();
// The start-up step after the main window is shown: the bank, the workgroup and the
// start-up URLs. A "Default" that names a folder is refused with a message first.
void StartUp();

// The about box's version lines from the version record's numbers: "Version: 1.0" from the
// product version's major part, "Build: 1.0.0.0" from the file version, cut before its last
// "." when the build is shown with three levels.
std::string AboutVersionText(uint32_t productVersionMS);
std::string AboutBuildText(uint32_t fileVersionMS, uint32_t fileVersionLS, bool threeLevels);
// The maker's addresses behind the about box's two links.
inline constexpr const char* MakerMailLink = "MailTo:support@pelltech.example";
inline constexpr const char* MakerWebSite = "https://www.pelltech.example/";
