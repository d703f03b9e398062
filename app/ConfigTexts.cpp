// The configuration dialog's rules.
#include "ConfigTexts.h"

#include <algorithm>

#include "BulkMaintenance.h"
#include "Security.h"
#include "StBase.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"

const std::array<TConfigSwitch, ConfigSwitchCount> ConfigSwitches = {{
    {"rgPromptBeforeOpen", &TSettings::PromptOnStartup, 1},
    {"rgMinimize", &TSettings::Minimize, 0},
    {"rgInterleave", &TSettings::Interleave, 1},
    {"rgConfirmDelete", &TSettings::ConfirmDeletes, 0},
    {"rgConfirmSaves", &TSettings::ConfirmSaves, 0},
    {"PasswdReq", &TSettings::PWordFile, 0},
    {"PasswdOnEachSave", &TSettings::PWEachSave, 1},
    {"PasswdOnPassword", &TSettings::PWordPWord, 0},
    {"EnterOnEachPasswordAccess", &TSettings::PWEachPw, 1},
    {"PasswdOnCNote", &TSettings::PWordCNote, 0},
    {"EnterOnEachCNoteAccess", &TSettings::PWEachCNote, 1},
    {"PasswdOnPrinting", &TSettings::PWordPrnt, 0},
    {"EnterOnEachPrint", &TSettings::PWEachPrnt, 1},
    {"PasswdOnConfiguration", &TSettings::PWordCfg, 0},
    {"EnterOnEachConfigure", &TSettings::PWEachCfg, 1},
    {"PasswdOnExport", &TSettings::PWordExp, 0},
    {"EnterOnEachExport", &TSettings::PWEachExp, 1},
    {"rgSelectBrowser", &TSettings::AskForBrowser, 1},
    {"WrkGrpAutoLoad", &TSettings::AutoLoad, 1},
    {"rgAutoExpand", &TSettings::AutoExpand, 0},
    {"rgAutoExpandOnDrop", &TSettings::AutoDropExp, 0},
    {"rgAutoScroll", &TSettings::AutoScroll, 0},
    {"rgAutoScrollOnExpand", &TSettings::AutoScrollOnExp, 0},
}};

const std::array<TColor TSettings::*, 8> ConfigColors = {
    &TSettings::BkC1Color, &TSettings::BkC2Color, &TSettings::BkC3Color, &TSettings::BkURLColor,
    &TSettings::WgC1Color, &TSettings::WgC2Color, &TSettings::WgC3Color, &TSettings::WgURLColor,
};

namespace {

constexpr int32_t TSettings::*DelaySettings[3] = {
    &TSettings::AutoExpDelay, &TSettings::AutoScrollDelay, &TSettings::AutoScrollInt};

// A delay as typed: a whole number within its range, or the message that refuses it.
std::optional<int32_t> DelayValue(const std::string& text, const TDelayRange& range,
                                  std::string* message) {
    int32_t value = 0;
    if (!Trim(text).empty() && !TryStrToInt(text, value)) {
        if (message) *message = "\"" + text + "\" is not a valid integer number";
        return std::nullopt;
    }
    if (Trim(text).empty() || value < range.Min || value > range.Max) {
        if (message)
            *message = FormatMsg("Value %s out of range %s..%s",
                                 {text, std::to_string(range.Min), std::to_string(range.Max)});
        return std::nullopt;
    }
    return value;
}

}  // namespace

TFontSetting LocalFontSetting(const TSettings& s) {
    return KeptFont({s.FontName, s.FontSize, s.FontColor, s.FontStyle});
}

TFontSetting WorkgroupFontSetting(const TSettings& s) {
    return KeptFont({s.WgFontName, s.WgFontSize, s.WgFontColor, s.WgFontStyle});
}

TFontSetting KeptFont(TFontSetting font) {
    font.Style &= TFontStyles(fsBold | fsItalic);
    return font;
}

TConfigFormTexts ConfigFormTexts(const TSettings& s, const std::string& defaultBrowser) {
    TConfigFormTexts t;
    t.DefaultBank = s.Default;
    for (int i = 0; i < std::min(s.NoOfURLs, MaxStartupURLs); ++i)
        t.StartupNames.push_back(s.StartupURLs[size_t(i)]);
    for (size_t i = 0; i < ConfigColors.size(); ++i) t.Colors[i] = s.*ConfigColors[i];
    t.Fonts = {LocalFontSetting(s), WorkgroupFontSetting(s)};
    for (size_t i = 0; i < ConfigSwitches.size(); ++i) {
        const TConfigSwitch& sw = ConfigSwitches[i];
        t.SwitchItems[i] = s.*sw.Setting ? sw.TrueIndex : 1 - sw.TrueIndex;
    }
    t.CleanUpLines = s.CleanUpPhrases;
    t.BankPassword = t.BankPassword2 = s.BankPassword;
    t.BrowserPaths = {s.Browser1, s.Browser2, s.Browser3};
    if (s.Browser1.empty() && s.Browser2.empty() && s.Browser3.empty())
        t.BrowserPaths[0] = defaultBrowser;
    t.BrowserNames = {s.Browser1Name, s.Browser2Name, s.Browser3Name};
    t.DefaultBrowserItem = std::clamp(s.DefaultBrowserNo, 1, 3) - 1;
    t.UserName = s.UserName;
    t.WorkGroupUser = s.WorkGroupUser;
    for (size_t i = 0; i < t.Delays.size(); ++i) t.Delays[i] = std::to_string(s.*DelaySettings[i]);
    return t;
}

std::optional<TConfigFault> CheckConfigFormTexts(const TConfigFormTexts& t) {
    for (size_t i = 0; i < t.Delays.size(); ++i) {
        std::string message;
        if (!DelayValue(t.Delays[i], DelayRanges[i], &message))
            return TConfigFault{TConfigField(cfAutoExpandDelay + int(i)), cpTreeAction, message};
    }
    if (t.BankPassword != t.BankPassword2)
        return TConfigFault{cfBankPassword2, cpSecurity,
                            "The PassWord entries are not the same.\rPlease try again."};
    return std::nullopt;
}

void CopyConfigFormTexts(const TConfigFormTexts& t, TSettings& s) {
    s.Default = t.DefaultBank;
    s.StartupURLs = {};
    s.NoOfURLs = int32_t(std::min(t.StartupNames.size(), size_t(MaxStartupURLs)));
    for (int i = 0; i < s.NoOfURLs; ++i) s.StartupURLs[size_t(i)] = t.StartupNames[size_t(i)];
    for (size_t i = 0; i < ConfigColors.size(); ++i) s.*ConfigColors[i] = t.Colors[i];
    const TFontSetting local = KeptFont(t.Fonts[0]), workgroup = KeptFont(t.Fonts[1]);
    s.FontName = local.Name;
    s.FontSize = local.Size;
    s.FontColor = local.Color;
    s.FontStyle = local.Style;
    s.WgFontName = workgroup.Name;
    s.WgFontSize = workgroup.Size;
    s.WgFontColor = workgroup.Color;
    s.WgFontStyle = workgroup.Style;
    for (size_t i = 0; i < ConfigSwitches.size(); ++i)
        s.*ConfigSwitches[i].Setting = t.SwitchItems[i] == ConfigSwitches[i].TrueIndex;
    s.CleanUpPhrases = CleanUpPhrasesFromLines(t.CleanUpLines);
    s.BankPassword = Trim(t.BankPassword).substr(0, 255);
    s.Browser1 = t.BrowserPaths[0];
    s.Browser2 = t.BrowserPaths[1];
    s.Browser3 = t.BrowserPaths[2];
    s.Browser1Name = t.BrowserNames[0];
    s.Browser2Name = t.BrowserNames[1];
    s.Browser3Name = t.BrowserNames[2];
    s.DefaultBrowserNo = std::clamp(t.DefaultBrowserItem + 1, 1, 3);
    s.Browser = t.BrowserPaths[size_t(s.DefaultBrowserNo - 1)];
    s.UserName = Trim(t.UserName);
    s.WorkGroupUser = Trim(t.WorkGroupUser);
    // A delay that does not pass keeps the value in force.
    for (size_t i = 0; i < t.Delays.size(); ++i)
        if (auto value = DelayValue(t.Delays[i], DelayRanges[i], nullptr))
            s.*DelaySettings[i] = *value;
}

bool ApplyConfiguration(TSettings& s, const TConfigFormTexts& t) {
    const TSettings before = s;
    CopyConfigFormTexts(t, s);
    if (s.UserName != before.UserName || s.WorkGroupUser != before.WorkGroupUser)
        ResetUserValidationState();
    return s.Interleave != before.Interleave;
}

bool SaveConfiguration(const TSettings& settings) {
    try {
        SaveSettings(settings);
        return true;
    } catch (const EStRegIniError& e) {
        MessageDlg(e.Message, TMsgDlgType::mtError, mbOK);
        return false;
    }
}
