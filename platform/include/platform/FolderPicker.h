// Asking the user for a folder: the request, the picker that answers it, and special folders.
#pragma once

#include <functional>
#include <string>

struct TFolderPickRequest {
    std::string Title;        // the prompt; also the window title when Caption is empty
    std::string Caption;      // the window title
    std::string StartFolder;  // the folder selected first; empty: the root
    std::string RootFolder;   // where browsing starts when there is no start folder
    int SpecialRoot = -1;     // a special folder (CSIDL) as the root instead; -1: none
    bool CenterOnScreen = true;
    bool ShowFiles = false;  // list files too (only a folder can be chosen)
    std::string StatusText;
    // Called once the dialog is up, and with each folder the user moves to.
    std::function<void()> OnShown;
    std::function<void(const std::string& folder)> OnSelectionChanged;
};

class FolderPicker {
public:
    virtual ~FolderPicker() = default;
    // True with the chosen folder (a Windows-1252 path), false when the user cancelled.
    virtual bool Pick(const TFolderPickRequest& request, std::string& folder) = 0;
};

// The picker in force. Until a program installs one (tests install a scripted one), every
// request is answered as cancelled.
FolderPicker& CurrentFolderPicker();
// Installs a picker (not owned) and returns the previous one; nullptr restores the default.
FolderPicker* SetFolderPicker(FolderPicker* picker);
bool PickFolder(const TFolderPickRequest& request, std::string& folder);

// The desktop's folder dialog. Defined in platform_qt; a program with windows installs it.
FolderPicker& DesktopFolderPicker();

// The shell's special folders by their Windows number (CSIDL): the desktop (0, 16, 25), the
// documents (5), application data (26), templates (21) and fonts (20) map to their desktop
// locations; every other number gives the home folder. Defined in platform_qt.
std::string SpecialFolderPath(int csidl);
