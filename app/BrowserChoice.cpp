// The browser a web address opens with when the user is asked, and the desktop's default.
#include "BrowserChoice.h"

#include "AppSeams.h"
#include "ProgramState.h"
#include "Settings.h"

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

std::string ConfiguredOrDefaultBrowser() {
    const std::string& configured = Settings().Browser;
    return configured.empty() ? FindDefaultBrowser() : configured;
}
