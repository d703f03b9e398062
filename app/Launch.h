// Handing URLs and mail addresses to other programs, and the program's start-up step.
#pragma once

#include <cstdint>
#include <string>

// A web address: "HTTP" or "WWW" at the start (any case), or the extension HTM or HTML.
bool IsWebAddress(const std::string& url);
// A target as the desktop opens it, in UTF-8: "www." gets "http://", "MailTo:" gets the
// address percent-encoded, a local path becomes an absolute "file://" URL, other URLs stay.
std::string DesktopUrl(const std::string& target);
// A URL as a browser's one argument: a local path is made absolute, so no text a browser
// gets can read as one of its options.
std::string BrowserArgument(const std::string& url);
// The program of a desktop entry's "Exec" line (first word, quotes removed, "env" and its
// assignments skipped); empty when the text has none.
std::string DesktopEntryProgram(const std::string& desktopEntry);

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
// start-up URLs.
void StartUp();

// The about box's version lines from the version record's numbers: "Version: 1.0" from the
// product version's major part, "Build: 1.0.0.0" from the file version, cut before its last
// "." when the build is shown with three levels.
std::string AboutVersionText(uint32_t productVersionMS);
std::string AboutBuildText(uint32_t fileVersionMS, uint32_t fileVersionLS, bool threeLevels);
// The maker's addresses behind the about box's two links.
inline constexpr const char* MakerMailLink = "MailTo:support@pelltech.example";
inline constexpr const char* MakerWebSite = "https://www.pelltech.example/";
