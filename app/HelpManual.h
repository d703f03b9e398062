// The program's help: one HTML manual with a section per window and dialog, each at the
// anchor of that window's help context, opened in the desktop's browser.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// A window (by its class name) and the help context its section in the manual answers.
struct THelpTopic {
    const char* Window;
    int Context;
};

// Every window and dialog of the program with its help context.
const std::vector<THelpTopic>& HelpTopics();
// The help context of a window's class; 0 for a class without one.
int WindowHelpContext(std::string_view windowClass);
// The manual's anchor for a help context: "context-<n>" for a window's context, "contents" for
// any other number (the top of the manual).
std::string HelpAnchor(int context);

// The manual's file name; it is installed in share/lorvane beside the program's bin folder,
// and a build puts a copy beside the program.
inline constexpr const char* HelpManualName = "lorvane.html";
// The manual for a program folder (with its trailing "/"): beside the program, else in
// "../share/lorvane/"; empty when neither exists.
std::string FindHelpManual(const std::string& programFolder);
// The file URL of the manual at a context's anchor.
std::string HelpManualURL(const std::string& manual, int context);
// Opens the manual found for a program folder at a context's anchor: with the configured
// browser, else the desktop's default browser, else the desktop's opener; "Help is not
// available." when there is no manual, an error message when it cannot be opened. Never raises.
void ShowHelp(int context, const std::string& programFolder);
// The same for this program's folder.
void ShowHelp(int context);
