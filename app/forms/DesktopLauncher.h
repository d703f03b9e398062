// Starting programs and opening documents on the desktop, for the application seams.
#pragma once

#include <string>
#include <vector>

#include "AppSeams.h"

// Starts a command detached and without a shell and returns at once; raises with the cause
// when it cannot start, and tells `failed` from the event loop when it ends at once with an
// error.
void StartDesktopProgram(const std::vector<std::string>& command, const TStartFailed& failed);
// Opens a URL, mail link or file with the desktop's program for it; raises with the cause
// when refused at once, and tells `failed` when the opener reports a failure later.
void OpenDesktopDocument(const std::string& target, const TStartFailed& failed);
// The desktop's default web browser: the whole command line of its desktop entry, the URL's
// place kept; empty when unknown.
std::string FindDesktopBrowser();
// Fills the launching seams with the three above.
void InstallDesktopLauncher();
