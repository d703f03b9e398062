// The application's settings: one member per registry value, loaded at start and saved on change.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <platform/Graphics.h>

class TStRegIni;

// The registry key all settings lie below (sub-keys "File", "StartUp", "Main", "TreeAction",
// "URLNamesCleanUp" and "WorkGroup").
inline constexpr const char* SettingsKey = "Software\\PellTech\\Lorvane\\";

inline constexpr int ColumnCount = 9;
inline constexpr int MaxStartupURLs = 25;
// Clean-up phrases read from the registry at most; a larger count is damage.
inline constexpr int MaxCleanUpPhrases = 10000;

// The default width of each field the main tree can show, by field number.
inline constexpr std::array<int32_t, ColumnCount> FieldDefaultWidths = {300, 200, 40,  110, 150,
                                                                        100, 60,  100, 200};

// One tree column: the field it shows and its width.
struct TColumnRec {
    int32_t Field = 0;
    int32_t Width = 0;
    friend bool operator==(const TColumnRec&, const TColumnRec&) = default;
};

// Every member starts at the value a first start (an empty registry) gives it.
struct TSettings {
    // "File"
    std::string Default = "Lorvane.bnk";  // bare name: read before the program's folder is known
    std::string Browser;                  // a copy of Browser1..3 as DefaultBrowserNo picks
    std::string Browser1, Browser2, Browser3;
    std::string Browser1Name, Browser2Name, Browser3Name;
    int32_t DefaultBrowserNo = 1;  // 1..3
    bool AskForBrowser = false;

    // "StartUp": the names of the entries whose URLs open at start.
    int32_t NoOfURLs = 0;  // 0..25
    std::array<std::string, MaxStartupURLs> StartupURLs;
    bool PromptOnStartup = false;

    // "Main"
    std::string FontName = "Arial";
    int32_t FontSize = 9;
    TColor FontColor = 0;
    TFontStyles FontStyle = 0;  // only bold and italic are stored
    std::string WgFontName = "Arial";
    int32_t WgFontSize = 9;
    TColor WgFontColor = 0;
    TFontStyles WgFontStyle = 0;
    bool ConfirmDeletes = true;
    bool ConfirmSaves = true;
    bool PWordFile = false;  // the six PWord* switches are stored scrambled
    bool PWEachSave = false;
    bool PWordPWord = false;
    bool PWEachPw = false;
    bool PWordCNote = false;
    bool PWEachCNote = false;
    std::string BankPassword;  // "PWordBank", stored scrambled; kept trimmed, at most 255 bytes
    bool PWordPrnt = false;
    bool PWEachPrnt = false;
    bool PWordCfg = false;
    bool PWEachCfg = false;
    bool PWordExp = false;
    bool PWEachExp = false;
    // Tree backgrounds by category level and for entries, as COLORREF ($00BBGGRR).
    TColor BkC1Color = 0x00FFFF;
    TColor BkC2Color = 0xFFFF00;
    TColor BkC3Color = 0x00FF00;
    TColor BkURLColor = 0xFFFFFF;
    TColor WgC1Color = 0x00C4C4;
    TColor WgC2Color = 0xB3B67E;
    TColor WgC3Color = 0xC0C0C0;
    TColor WgURLColor = 0xFFFFFF;
    // Column n of the tree shows ColumnTable[n]; ColumnOrder[p] is the column shown at
    // display position p.
    std::array<TColumnRec, ColumnCount> ColumnTable = DefaultColumnTable();
    std::array<int32_t, ColumnCount> ColumnOrder = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    bool Minimize = false;

    // "TreeAction"
    bool AutoExpand = true;
    bool AutoScroll = false;
    bool AutoDropExp = true;
    bool AutoScrollOnExp = true;
    int32_t AutoExpDelay = 1000;     // ms, 1..10000
    int32_t AutoScrollDelay = 1000;  // ms, 1..10000
    int32_t AutoScrollInt = 1;       // ms, 1..1000

    // "URLNamesCleanUp": phrases offered for removal from page titles; none is empty.
    std::vector<std::string> CleanUpPhrases;

    // "WorkGroup"
    std::string UserName;
    std::string WorkGroupUser;  // path of the workgroup user file
    bool AutoLoad = false;
    bool Interleave = false;

    static std::array<TColumnRec, ColumnCount> DefaultColumnTable();
    friend bool operator==(const TSettings&, const TSettings&) = default;
};

// The settings in force.
TSettings& Settings();

// The settings when there is no registry: no start-up bank, browser or workgroup, the
// switches that start true off (but confirmed deletes), the first-start numbers and fonts.
TSettings WithoutStoreSettings();

// Reads every setting from the registry. A store that cannot be opened shows "Could not open
// Registry,\rDefault parameters will be used." and sets WithoutStoreSettings(); values
// that are missing, damaged or out of range read as their defaults (numbers are clamped).
// Settings change only once everything has been read.
void LoadSettings();
// Writes every setting in one file write; columns go by display position (ColumnOrder), and
// the "StartUp" and "URLNamesCleanUp" keys are rewritten whole. Raises EStRegIniError when
// the registry cannot be written (then nothing is written). Without `settings`, those in force.
void SaveSettings(const TSettings& settings);
void SaveSettings();

// A Boolean kept as the scrambled text of Name's first character, "0" or "1" and the rest of
// Name. A missing value reads false; any text but the false one reads true.
bool ReadScrambledBool(TStRegIni& store, const std::string& name);
void WriteScrambledBool(TStRegIni& store, bool value, const std::string& name);
// The text a scrambled Boolean is stored as.
std::string ScrambledBoolText(const std::string& name, bool value);

// Colours as text: eight upper-case hexadecimal digits of the COLORREF.
std::string ColorToText(TColor color);
// False when the text is not hexadecimal (color is then left alone).
bool TextToColor(const std::string& text, TColor& color);

class TBaseVirtualTree;
// The main tree's automatic options and delays from the "TreeAction" settings.
void ApplyTreeOptions(TBaseVirtualTree& tree);
