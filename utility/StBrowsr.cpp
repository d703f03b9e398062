// The folder picker component over the platform's folder picker.
#include "StBrowsr.h"

#include <platform/FolderPicker.h>

#include "StConst.h"

namespace {

bool IsDelimiter(char c) {
    return c == '\\' || c == '/';
}

std::string LastName(const std::string& path) {
    size_t end = path.size();
    while (end > 1 && IsDelimiter(path[end - 1])) --end;
    size_t start = path.find_last_of("\\/", end - 1);
    std::string name = path.substr(start == std::string::npos ? 0 : start + 1, end - (start + 1));
    return name.empty() ? path : name;
}

}  // namespace

int SpecialFolderId(TStSpecialRootFolder folder) {
    using enum TStSpecialRootFolder;
    switch (folder) {
        case sfAltStartup:
            return 29;
        case sfAppData:
            return 26;
        case sfBitBucket:
            return 10;
        case sfCommonAltStartup:
            return 30;
        case sfCommonDesktopDir:
            return 25;
        case sfCommonFavorites:
            return 31;
        case sfCommonPrograms:
            return 23;
        case sfCommonStartMenu:
            return 22;
        case sfCommonStartup:
            return 24;
        case sfConnections:
            return 49;
        case sfControls:
            return 3;
        case sfCookies:
            return 33;
        case sfDesktop:
            return 0;
        case sfDesktopDir:
            return 16;
        case sfDrives:
            return 17;
        case sfFavorites:
            return 6;
        case sfFonts:
            return 20;
        case sfHistory:
            return 34;
        case sfInternet:
            return 1;
        case sfInternetCache:
            return 32;
        case sfNetHood:
            return 19;
        case sfNetwork:
            return 18;
        case sfNone:
            return 0;
        case sfPersonal:
            return 5;
        case sfPrinters:
            return 4;
        case sfPrintHood:
            return 27;
        case sfPrograms:
            return 2;
        case sfRecentFiles:
            return 8;
        case sfSendTo:
            return 9;
        case sfStartMenu:
            return 11;
        case sfStartup:
            return 7;
        case sfTemplates:
            return 21;
    }
    return 0;
}

std::string NormalizeSelectedFolder(const std::string& path) {
    if (path.size() <= 1 || !IsDelimiter(path.back())) return path;
    std::string p = path.substr(0, path.size() - 1);
    if (p.size() == 2 && p[1] == ':') p += '\\';
    return p;
}

void TStCustomBrowser::SetSpecialRootFolder(TStSpecialRootFolder folder) {
    specialRootFolder_ = folder;
}

uint32_t TStCustomBrowser::BrowseFlags() const {
    return Options | (StatusText.empty() ? 0 : StBrowseStatusTextFlag);
}

bool TStCustomBrowser::Execute() {
    TFolderPickRequest request;
    request.Title = AdditionalText;
    request.Caption = Caption;
    request.StartFolder = selectedFolder_;
    if (specialRootFolder_ == TStSpecialRootFolder::sfNone)
        request.RootFolder = RootFolder;
    else
        request.SpecialRoot = SpecialRootFolderID();
    request.CenterOnScreen = Position == TStBrowsePosition::bpScreenCenter;
    request.ShowFiles = HasOption(Options, TStBrowseOptions::boShowFiles);
    request.StatusText = StatusText;
    request.OnShown = [this] {
        if (OnShow) OnShow(this);
    };
    request.OnSelectionChanged = [this](const std::string& folder) {
        SetSelectedFolder(folder);
        if (OnSelChanged) OnSelChanged(this);
    };
    std::string chosen;
    if (!PickFolder(request, chosen)) {
        displayName_.clear();
        imageIndex_ = 0;
        return false;
    }
    SetSelectedFolder(chosen);
    fullPath_ = chosen;
    displayName_ = LastName(chosen);
    imageIndex_ = 0;
    return true;
}
