// The folder picker component: asks the user for a folder, starting at a folder or a root.
#pragma once

#include <cstdint>
#include <string>

#include <platform/Classes.h>

#include "StShBase.h"

enum class TStBrowseOptions : uint32_t {
    boBrowseForComputer = 0x1000,
    boBrowseForPrinter = 0x2000,
    boDontGoBelowDomain = 0x0002,
    boReturnOnlyAncestors = 0x0008,
    boReturnOnlyDirs = 0x0001,
    boShowFiles = 0x4000,
    boEditBox = 0x0010,
};
// A set of options, as the flags they stand for.
using TStBrowseOptionSet = uint32_t;
inline constexpr TStBrowseOptionSet operator|(TStBrowseOptions a, TStBrowseOptions b) {
    return uint32_t(a) | uint32_t(b);
}
inline constexpr bool HasOption(TStBrowseOptionSet set, TStBrowseOptions o) {
    return (set & uint32_t(o)) != 0;
}
// The flag the dialog gets for a non-empty status text.
inline constexpr uint32_t StBrowseStatusTextFlag = 0x0004;

enum class TStBrowsePosition { bpDefault, bpScreenCenter };

enum class TStSpecialRootFolder {
    sfAltStartup,
    sfAppData,
    sfBitBucket,
    sfCommonAltStartup,
    sfCommonDesktopDir,
    sfCommonFavorites,
    sfCommonPrograms,
    sfCommonStartMenu,
    sfCommonStartup,
    sfConnections,
    sfControls,
    sfCookies,
    sfDesktop,
    sfDesktopDir,
    sfDrives,
    sfFavorites,
    sfFonts,
    sfHistory,
    sfInternet,
    sfInternetCache,
    sfNetHood,
    sfNetwork,
    sfNone,
    sfPersonal,
    sfPrinters,
    sfPrintHood,
    sfPrograms,
    sfRecentFiles,
    sfSendTo,
    sfStartMenu,
    sfStartup,
    sfTemplates,
};
// The Windows number (CSIDL) of a special folder; sfNone and sfDesktop are both 0.
int SpecialFolderId(TStSpecialRootFolder folder);

// A folder path as the component keeps it: without a trailing delimiter, except for a
// drive root ("C:\") and the file system's root ("/").
std::string NormalizeSelectedFolder(const std::string& path);

class TStCustomBrowser : public TStShellComponent {
public:
    explicit TStCustomBrowser(TComponent* owner = nullptr) : TStShellComponent(owner) {}

    std::string AdditionalText;
    std::string Caption;
    TStBrowseOptionSet Options = uint32_t(TStBrowseOptions::boReturnOnlyDirs);
    TStBrowsePosition Position = TStBrowsePosition::bpScreenCenter;
    std::string RootFolder;
    std::string StatusText;
    TNotifyEvent OnShow;
    TNotifyEvent OnSelChanged;

    const std::string& SelectedFolder() const { return selectedFolder_; }
    void SetSelectedFolder(const std::string& path) {
        selectedFolder_ = NormalizeSelectedFolder(path);
    }
    TStSpecialRootFolder SpecialRootFolder() const { return specialRootFolder_; }
    void SetSpecialRootFolder(TStSpecialRootFolder folder);
    int SpecialRootFolderID() const { return SpecialFolderId(specialRootFolder_); }

    // The dialog's flags for the options and the status text.
    uint32_t BrowseFlags() const;

    // Shows the picker; true when a folder was chosen, which then is SelectedFolder and
    // FullPath. Cancel leaves an empty DisplayName and ImageIndex 0.
    bool Execute();

    const std::string& FullPath() const { return fullPath_; }
    const std::string& DisplayName() const { return displayName_; }
    int ImageIndex() const { return imageIndex_; }

private:
    std::string selectedFolder_;
    TStSpecialRootFolder specialRootFolder_ = TStSpecialRootFolder::sfNone;
    std::string fullPath_;
    std::string displayName_;
    int imageIndex_ = 0;
};

class TStBrowser : public TStCustomBrowser {
public:
    using TStCustomBrowser::TStCustomBrowser;
};
