// Starting programs and opening documents on the desktop, for the application seams.
#pragma once

#include <string>
#include <vector>

// Starts a command detached and without a shell; raises with the cause when it cannot start
// or ends at once with an error.
void StartDesktopProgram(const std::vector<std::string>& command);
// Opens a URL, mail link or file with the desktop's program for it; raises with the cause
// when refused.
void OpenDesktopDocument(const std::string& target);
// The desktop's default web browser: the whole command line of its desktop entry, the URL's
// place kept; empty when unknown.
std::string FindDesktopBrowser();
// Fills the launching seams with the three above.
void InstallDesktopLauncher();
