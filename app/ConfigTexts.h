// The configuration dialog's rules: what it shows of the settings, Save's checks and the copy
// back, over the contents of its controls as plain values (the dialog, forms/ConfigAllForm,
// hands them over and shows what comes back).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Settings.h"

// The pages, in order.
enum TConfigPage : int {
    cpStartup = 0,
    cpAppearance,
    cpMaintenance,
    cpSecurity,
    cpBrowser,
    cpWorkgroup,
    cpTreeAction,
};

// A font as the settings keep it.
struct TFontSetting {
    std::string Name;
    int32_t Size = 9;
    TColor Color = 0;
    TFontStyles Style = 0;
    friend bool operator==(const TFontSetting&, const TFontSetting&) = default;
};
// Local and workgroup font settings.
TFontSetting LocalFontSetting(const TSettings& s);
TFontSetting WorkgroupFontSetting(const TSettings& s);
// A font chosen in the font dialog as the settings keep it: bold and italic only.
TFontSetting KeptFont(TFontSetting font);

// A radio group that edits a switch: its name, the setting and the item that means "on".
struct TConfigSwitch {
    const char* Group;
    bool TSettings::*Setting;
    int TrueIndex;
};
inline constexpr int ConfigSwitchCount = 23;
extern const std::array<TConfigSwitch, ConfigSwitchCount> ConfigSwitches;
// The eight colours of the Appearance page: BkC1 .. BkURL, then WgC1 .. WgURL.
extern const std::array<TColor TSettings::*, 8> ConfigColors;

// The three delays of the Tree Action page, in order: auto expand, auto scroll, scroll interval.
struct TDelayRange {
    int32_t Min, Max;
};
inline constexpr std::array<TDelayRange, 3> DelayRanges = {{{1, 10000}, {1, 10000}, {1, 1000}}};

// The dialog's controls.
struct TConfigFormTexts {
    std::string DefaultBank;
    std::vector<std::string> StartupNames;
    std::array<TColor, 8> Colors{};
    std::array<TFontSetting, 2> Fonts{};               // local, workgroup
    std::array<int, ConfigSwitchCount> SwitchItems{};  // the checked item per group (-1 none)
    std::vector<std::string> CleanUpLines;
    std::string BankPassword, BankPassword2;
    std::array<std::string, 3> BrowserPaths, BrowserNames;
    int DefaultBrowserItem = 0;  // "1", "2", "3" are items 0, 1, 2
    std::string UserName, WorkGroupUser;
    std::array<std::string, 3> Delays;
};

// What the dialog shows of the settings. With no browser configured, the first path is
// `defaultBrowser` (the desktop's).
TConfigFormTexts ConfigFormTexts(const TSettings& s, const std::string& defaultBrowser);

// The control Save's check stopped at.
enum TConfigField : int {
    cfAutoExpandDelay = 0,
    cfAutoScrollDelay,
    cfAutoScrollInterval,
    cfBankPassword2,
};
struct TConfigFault {
    TConfigField Field;
    TConfigPage Page;
    std::string Message;
};
// Save's checks in order: each delay a whole number within its range ("Value 0 out of range
// 1..10000"), then the two password fields alike. The first fault, or none.
std::optional<TConfigFault> CheckConfigFormTexts(const TConfigFormTexts& t);
// The controls into the settings; CheckConfigFormTexts must have passed. Texts are kept as
// typed except the password (trimmed, at most 255 characters), the user name and the user
// file (trimmed); at most 25 start-up names; the browser in use follows the default's number.
void CopyConfigFormTexts(const TConfigFormTexts& t, TSettings& s);
// Save in the dialog: the controls into the settings handed in (the window hands in those in
// force). A new user name or user file is validated again by the next workgroup command (the
// program's validation is reset). True when the tree must be rebuilt (the workgroup bank's
// interleaving changed).
bool ApplyConfiguration(TSettings& settings, const TConfigFormTexts& t);
// Then, once the window applied them, the settings written; a store that cannot be written is
// shown as an error (the settings stay in force). False then.
bool SaveConfiguration(const TSettings& settings);
