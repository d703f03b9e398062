// The browser a web address opens with when the user is asked, and the desktop's default.
#pragma once

#include <string>

// The browser choice that the dialog last confirmed, program-wide: 0, 1 or 2.
int& BrowserChoice();
// Shows the browser choice and returns the path configured for the chosen line.
std::string ChooseBrowser();
// The desktop's default browser; empty when none is known.
std::string FindDefaultBrowser();
// The configured browser, else the desktop's default; empty when neither is known.
std::string ConfiguredOrDefaultBrowser();
