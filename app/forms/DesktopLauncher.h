// Starting programs and opening documents on the desktop, for the application seams.
#pragma once

#include <string>

// Starts a program with one argument, detached and without a shell; raises when it cannot.
void StartDesktopProgram(const std::string& program, const std::string& argument);
// Opens a URL, mail link or file with the desktop's program for it; raises when refused.
void OpenDesktopDocument(const std::string& target);
// The desktop's default web browser: the program of its desktop entry; empty when unknown.
std::string FindDesktopBrowser();
// Fills the launching seams with the three above.
void InstallDesktopLauncher();
