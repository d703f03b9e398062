// The application's settings: first-start defaults, the stored forms, clamping and failures.
#include "Settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <platform/Registry.h>

#include "AppSeams.h"
#include "ProgramState.h"
#include "ScriptedMessages.h"
#include "StBase.h"
#include "StRegIni.h"
#include "TempDir.h"

namespace {

const std::string Key = "Software\\PellTech\\Lorvane\\";

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s += char(b);
    return s;
}

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() {
        SetRegistryFileName(dir.File("registry.reg"));
        Settings() = TSettings();
        ResetProgramState();
    }
    ~SettingsTest() override {
        SetRegistryFileName("");
        Settings() = TSettings();
        ResetProgramState();
    }

    // Forgets the registry held in memory, as a new process starts.
    void Restart() { SetRegistryFileName(dir.File("registry.reg")); }

    TRegValue Raw(const std::string& sub, const std::string& name) {
        TRegValue v;
        EXPECT_EQ(Registry()->QueryValue(TRegRoot::CurrentUser, Key + sub, name, v), 0)
            << sub << "\\" << name;
        return v;
    }
    std::vector<std::string> ValueNames(const std::string& sub) {
        std::vector<TRegValue> values;
        Registry()->EnumValues(TRegRoot::CurrentUser, Key + sub, values);
        std::vector<std::string> names;
        for (const auto& v : values) names.push_back(v.Name);
        return names;
    }
    void Put(const std::string& sub, const TRegValue& v) {
        ASSERT_EQ(Registry()->SetValue(TRegRoot::CurrentUser, Key + sub, v), 0);
    }

    TempDir dir;
    ScriptedMessages messages;
};

TEST_F(SettingsTest, FirstStartGivesEveryDefault) {
    Settings().FontName = "changed";
    LoadSettings();
    const TSettings& s = Settings();
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_EQ(s.Default, "Lorvane.bnk");
    EXPECT_EQ(s.Browser + s.Browser1 + s.Browser2 + s.Browser3, "");
    EXPECT_EQ(s.Browser1Name + s.Browser2Name + s.Browser3Name, "");
    EXPECT_EQ(s.DefaultBrowserNo, 1);
    EXPECT_FALSE(s.AskForBrowser);
    EXPECT_EQ(s.NoOfURLs, 0);
    EXPECT_FALSE(s.PromptOnStartup);
    for (const auto& [name, size, color, style] :
         {std::tuple(s.FontName, s.FontSize, s.FontColor, s.FontStyle),
          std::tuple(s.WgFontName, s.WgFontSize, s.WgFontColor, s.WgFontStyle)}) {
        EXPECT_EQ(name, "Arial");
        EXPECT_EQ(size, 9);
        EXPECT_EQ(color, 0);
        EXPECT_EQ(style, 0);
    }
    EXPECT_TRUE(s.ConfirmDeletes);
    EXPECT_TRUE(s.ConfirmSaves);
    for (bool b : {s.PWordFile, s.PWEachSave, s.PWordPWord, s.PWEachPw, s.PWordCNote, s.PWEachCNote,
                   s.PWordPrnt, s.PWEachPrnt, s.PWordCfg, s.PWEachCfg, s.PWordExp, s.PWEachExp})
        EXPECT_FALSE(b);
    EXPECT_EQ(s.BankPassword, "");
    EXPECT_EQ(s.BkC1Color, RGBColor(255, 255, 0));  // yellow
    EXPECT_EQ(s.BkC2Color, RGBColor(0, 255, 255));  // cyan
    EXPECT_EQ(s.BkC3Color, RGBColor(0, 255, 0));
    EXPECT_EQ(s.BkURLColor, 0xFFFFFF);
    EXPECT_EQ(s.WgC1Color, 0x00C4C4);
    EXPECT_EQ(s.WgC2Color, 0xB3B67E);
    EXPECT_EQ(s.WgC3Color, 0xC0C0C0);
    EXPECT_EQ(s.WgURLColor, 0xFFFFFF);
    const int widths[] = {300, 200, 40, 110, 150, 100, 60, 100, 200};
    for (int n = 0; n < ColumnCount; ++n) {
        EXPECT_EQ(s.ColumnTable[n], (TColumnRec{n, widths[n]}));
        EXPECT_EQ(s.ColumnOrder[n], n);
    }
    EXPECT_FALSE(s.Minimize);
    EXPECT_TRUE(s.AutoExpand);
    EXPECT_FALSE(s.AutoScroll);
    EXPECT_TRUE(s.AutoDropExp);
    EXPECT_TRUE(s.AutoScrollOnExp);
    EXPECT_EQ(s.AutoExpDelay, 1000);
    EXPECT_EQ(s.AutoScrollDelay, 1000);
    EXPECT_EQ(s.AutoScrollInt, 1);
    EXPECT_TRUE(s.CleanUpPhrases.empty());
    EXPECT_EQ(s.UserName + s.WorkGroupUser, "");
    EXPECT_FALSE(s.AutoLoad);
    EXPECT_FALSE(s.Interleave);
    EXPECT_EQ(s, TSettings());
}

TEST_F(SettingsTest, SavedDefaultsHaveTheirStoredForms) {
    SaveSettings();
    EXPECT_TRUE(std::filesystem::exists(dir.File("registry.reg")));
    Restart();
    EXPECT_EQ(Raw("Main", "BkC1Color").Type, REG_SZ);
    EXPECT_EQ(Raw("Main", "BkC1Color").Data, "0000FFFF");
    EXPECT_EQ(Raw("Main", "WgC2Color").Data, "00B3B67E");
    EXPECT_EQ(Raw("Main", "FontBold").Type, REG_DWORD);
    EXPECT_EQ(Raw("Main", "FontBold").AsDWord(), 0u);
    EXPECT_EQ(Raw("Main", "Col0Fld").AsDWord(), 0u);
    EXPECT_EQ(Raw("Main", "Col0Width").AsDWord(), 300u);
    EXPECT_EQ(Raw("Main", "PWordBank").Data, "");
    EXPECT_EQ(Raw("File", "DefaultBrowserNo").AsDWord(), 1u);
    EXPECT_EQ(Raw("File", "Default").Data, "Lorvane.bnk");
    EXPECT_EQ(ValueNames("StartUp"), (std::vector<std::string>{"NoOfURLs", "PromptOnStartup"}));
    EXPECT_EQ(Raw("StartUp", "NoOfURLs").AsDWord(), 0u);
    EXPECT_EQ(ValueNames("URLNamesCleanUp"), std::vector<std::string>{"Count"});
    EXPECT_EQ(Raw("TreeAction", "AutoScrollInt").AsDWord(), 1u);
    EXPECT_EQ(Raw("WorkGroup", "Interleave").AsDWord(), 0u);
}

TEST_F(SettingsTest, ScrambledBooleansAreStoredAsTheseBytes) {
    const std::map<std::string, std::string> falseBytes = {
        {"PWordFile", Bytes({0x34, 0x44, 0x1B, 0x4F, 0x5E, 0x0F, 0x34, 0x06, 0x1B, 0x16})},
        {"PWordPWord", Bytes({0x34, 0x44, 0x1B, 0x4F, 0x5E, 0x0F, 0x22, 0x38, 0x18, 0x01, 0x17})},
        {"PWordCNote", Bytes({0x34, 0x44, 0x1B, 0x4F, 0x5E, 0x0F, 0x31, 0x21, 0x18, 0x07, 0x16})},
        {"PWordPrnt", Bytes({0x34, 0x44, 0x1B, 0x4F, 0x5E, 0x0F, 0x22, 0x1D, 0x19, 0x07})},
        {"PWordCfg", Bytes({0x34, 0x44, 0x1B, 0x4F, 0x5E, 0x0F, 0x31, 0x09, 0x10})},
        {"PWordExp", Bytes({0x34, 0x44, 0x1B, 0x4F, 0x5E, 0x0F, 0x37, 0x17, 0x07})},
    };
    SaveSettings();
    for (const auto& [name, bytes] : falseBytes) EXPECT_EQ(Raw("Main", name).Data, bytes) << name;

    Settings().PWordFile = Settings().PWordCfg = true;
    SaveSettings();
    std::string trueFile = falseBytes.at("PWordFile");
    trueFile[1] = 0x45;
    EXPECT_EQ(Raw("Main", "PWordFile").Data, trueFile);
    EXPECT_EQ(Raw("Main", "PWordCfg").Data[1], 0x45);
    Settings() = TSettings();
    LoadSettings();
    EXPECT_TRUE(Settings().PWordFile);
    EXPECT_TRUE(Settings().PWordCfg);
    EXPECT_FALSE(Settings().PWordExp);
}

TEST_F(SettingsTest, ScrambledBooleansReadFalseOnlyForTheFalseText) {
    TStRegIni ini("HKEY_CURRENT_USER", false);
    ini.SetCurrentSubKey(Key + "Main");
    EXPECT_FALSE(ReadScrambledBool(ini, "PWordFile"));  // missing
    WriteScrambledBool(ini, true, "PWordFile");
    EXPECT_TRUE(ReadScrambledBool(ini, "PWordFile"));
    WriteScrambledBool(ini, false, "PWordFile");
    EXPECT_FALSE(ReadScrambledBool(ini, "PWordFile"));
    ini.WriteString("PWordFile", "x");  // edited by hand
    EXPECT_TRUE(ReadScrambledBool(ini, "PWordFile"));
    ini.DeleteValue("PWordFile");
    EXPECT_FALSE(ReadScrambledBool(ini, "PWordFile"));
}

TEST_F(SettingsTest, BankPasswordIsScrambledAndTrimmed) {
    Settings().BankPassword = "secret";
    SaveSettings();
    EXPECT_EQ(Raw("Main", "PWordBank").Data, Bytes({0x17, 0x11, 0x2F, 0x52, 0x49, 0x1F}));
    Settings().BankPassword = "  secret ";
    SaveSettings();
    EXPECT_EQ(Raw("Main", "PWordBank").Data, Bytes({0x17, 0x11, 0x2F, 0x52, 0x49, 0x1F}));
    Settings() = TSettings();
    LoadSettings();
    EXPECT_EQ(Settings().BankPassword, "secret");
    // A line feed among the scrambled bytes survives the file.
    Settings().BankPassword = "aaaaaa";
    SaveSettings();
    Restart();
    LoadSettings();
    EXPECT_EQ(Settings().BankPassword, "aaaaaa");
}

TEST_F(SettingsTest, ColoursAreEightUpperCaseDigitsOfTheColorref) {
    EXPECT_EQ(ColorToText(0xB3B67E), "00B3B67E");
    EXPECT_EQ(ColorToText(RGBColor(1, 2, 3)), "00030201");
    TColor c = 5;
    EXPECT_TRUE(TextToColor("00FF0000", c));
    EXPECT_EQ(c, 0xFF0000);
    EXPECT_EQ(GetBValue(c), 255);  // blue sits in the high byte
    EXPECT_TRUE(TextToColor("0000ffff", c));
    EXPECT_EQ(c, 0x00FFFF);
    c = 5;
    EXPECT_FALSE(TextToColor("red", c));
    EXPECT_FALSE(TextToColor("", c));
    EXPECT_EQ(c, 5);

    Put("Main", TRegValue::String("BkC1Color", "00FF0000"));
    Put("Main", TRegValue::String("BkC2Color", "not hex"));  // damaged: the default stays
    Put("Main", TRegValue::DWord("WgC1Color", 0x123456));
    LoadSettings();
    EXPECT_EQ(Settings().BkC1Color, 0xFF0000);
    EXPECT_EQ(Settings().BkC2Color, 0xFFFF00);
    EXPECT_EQ(Settings().WgC1Color, 0x01193046);  // its decimal text, read as hexadecimal
}

TEST_F(SettingsTest, CleanUpPhrasesAreRewrittenWhole) {
    for (int i = 0; i < 5; ++i)
        Put("URLNamesCleanUp", TRegValue::String("0" + std::to_string(i), "old"));
    Put("URLNamesCleanUp", TRegValue::DWord("Count", 5));
    Settings().CleanUpPhrases = {"Home", "Welcome"};
    SaveSettings();
    EXPECT_EQ(ValueNames("URLNamesCleanUp"), (std::vector<std::string>{"Count", "00", "01"}));
    EXPECT_EQ(Raw("URLNamesCleanUp", "Count").AsDWord(), 2u);
    EXPECT_EQ(Raw("URLNamesCleanUp", "00").Data, "Home");
    EXPECT_EQ(Raw("URLNamesCleanUp", "01").Data, "Welcome");

    Put("URLNamesCleanUp", TRegValue::DWord("Count", 4));
    Put("URLNamesCleanUp", TRegValue::String("01", ""));
    Put("URLNamesCleanUp", TRegValue::String("02", "  "));
    Put("URLNamesCleanUp", TRegValue::String("03", "Welcome"));
    LoadSettings();
    EXPECT_EQ(Settings().CleanUpPhrases, (std::vector<std::string>{"Home", "Welcome"}));
}

TEST_F(SettingsTest, StartupListIsRewrittenAndCappedAt25) {
    Settings().NoOfURLs = 5;
    for (int i = 0; i < 5; ++i) Settings().StartupURLs[i] = "Entry " + std::to_string(i);
    SaveSettings();
    Settings().NoOfURLs = 2;
    SaveSettings();
    EXPECT_EQ(ValueNames("StartUp"),
              (std::vector<std::string>{"NoOfURLs", "URLNo01", "URLNo02", "PromptOnStartup"}));
    EXPECT_EQ(Raw("StartUp", "URLNo02").Data, "Entry 1");

    Put("StartUp", TRegValue::DWord("NoOfURLs", 30));
    for (int i = 1; i <= 30; ++i) {
        std::string n = (i < 10 ? "0" : "") + std::to_string(i);
        Put("StartUp", TRegValue::String("URLNo" + n, "Name " + n));
    }
    LoadSettings();
    EXPECT_EQ(Settings().NoOfURLs, 25);
    EXPECT_EQ(Settings().StartupURLs[0], "Name 01");
    EXPECT_EQ(Settings().StartupURLs[24], "Name 25");
}

TEST_F(SettingsTest, ColumnsAreSavedByDisplayPosition) {
    Settings().ColumnOrder = {0, 3, 1, 2, 4, 5, 6, 7, 8};  // column 3 dragged to position 1
    SaveSettings();
    EXPECT_EQ(Raw("Main", "Col1Fld").AsDWord(), 3u);
    EXPECT_EQ(Raw("Main", "Col1Width").AsDWord(), 110u);
    EXPECT_EQ(Raw("Main", "Col2Fld").AsDWord(), 1u);
    EXPECT_EQ(Raw("Main", "Col2Width").AsDWord(), 200u);
    EXPECT_EQ(Raw("Main", "Col3Fld").AsDWord(), 2u);
    EXPECT_EQ(Raw("Main", "Col3Width").AsDWord(), 40u);
    EXPECT_EQ(Raw("Main", "Col4Fld").AsDWord(), 4u);
    Restart();
    LoadSettings();
    EXPECT_EQ(Settings().ColumnTable[1], (TColumnRec{3, 110}));
    EXPECT_EQ(Settings().ColumnTable[2], (TColumnRec{1, 200}));
    EXPECT_EQ(Settings().ColumnTable[3], (TColumnRec{2, 40}));
    EXPECT_EQ(Settings().ColumnOrder, (std::array<int32_t, 9>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(SettingsTest, NumbersFromTheStoreAreClamped) {
    Put("Main", TRegValue::DWord("Col1Fld", 12));
    Put("Main", TRegValue::DWord("Col2Fld", uint32_t(-1)));
    Put("Main", TRegValue::DWord("Col4Fld", 7));  // a valid field takes its own default width
    Put("Main", TRegValue::DWord("FontSize", 0));
    Put("Main", TRegValue::DWord("WgFontSize", uint32_t(-3)));
    Put("File", TRegValue::DWord("DefaultBrowserNo", 7));
    Put("StartUp", TRegValue::DWord("NoOfURLs", uint32_t(-4)));
    Put("TreeAction", TRegValue::DWord("AutoExpDelay", 0));
    Put("TreeAction", TRegValue::DWord("AutoScrollDelay", 20000));
    Put("TreeAction", TRegValue::DWord("AutoScrollInt", 5000));
    Put("URLNamesCleanUp", TRegValue::DWord("Count", uint32_t(-5)));
    LoadSettings();
    const TSettings& s = Settings();
    EXPECT_EQ(s.ColumnTable[1], (TColumnRec{1, 200}));
    EXPECT_EQ(s.ColumnTable[2], (TColumnRec{2, 40}));
    EXPECT_EQ(s.ColumnTable[4], (TColumnRec{7, 100}));
    EXPECT_EQ(s.FontSize, 9);
    EXPECT_EQ(s.WgFontSize, 9);
    EXPECT_EQ(s.DefaultBrowserNo, 3);
    EXPECT_EQ(s.NoOfURLs, 0);
    EXPECT_EQ(s.AutoExpDelay, 1);
    EXPECT_EQ(s.AutoScrollDelay, 10000);
    EXPECT_EQ(s.AutoScrollInt, 1000);
    EXPECT_TRUE(s.CleanUpPhrases.empty());

    Put("File", TRegValue::DWord("DefaultBrowserNo", 0));
    Put("URLNamesCleanUp", TRegValue::DWord("Count", 0x7FFFFFFF));  // no endless reading
    LoadSettings();
    EXPECT_EQ(Settings().DefaultBrowserNo, 1);
    EXPECT_TRUE(Settings().CleanUpPhrases.empty());
}

TEST_F(SettingsTest, ValuesOfTheWrongKindReadAsDefaults) {
    Put("File", TRegValue::Binary("Default", std::string(200, 'x')));  // too long to be text
    Put("Main", TRegValue::Binary("PWordFile", std::string(200, 'x')));
    Put("Main", TRegValue::String("FontSize", "big"));
    Put("WorkGroup", TRegValue{"UserName", REG_MULTI_SZ, "bob"});
    LoadSettings();
    EXPECT_EQ(Settings(), TSettings());
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(SettingsTest, EverySettingSurvivesANewProcess) {
    TSettings& s = Settings();
    s.Default = "/home/u/My Bank.bnk";
    s.Browser = s.Browser2 = "/usr/bin/browser";
    s.Browser1 = "/usr/bin/other";
    s.Browser1Name = "Other \xE9";
    s.Browser2Name = "Browser";
    s.Browser3 = "/opt/third";
    s.Browser3Name = "Third";
    s.DefaultBrowserNo = 2;
    s.AskForBrowser = true;
    s.NoOfURLs = 3;
    s.StartupURLs[0] = "News";
    s.StartupURLs[1] = "\xBBShared";
    s.StartupURLs[2] = "Mail";
    s.PromptOnStartup = true;
    s.FontName = "DejaVu Sans";
    s.FontSize = 11;
    s.FontColor = 0x112233;
    s.FontStyle = fsBold | fsItalic;
    s.WgFontName = "Liberation Serif";
    s.WgFontSize = 8;
    s.WgFontColor = clRed;
    s.WgFontStyle = fsItalic;
    s.ConfirmDeletes = s.ConfirmSaves = false;
    s.PWordFile = s.PWEachSave = s.PWordPWord = s.PWEachPw = s.PWordCNote = s.PWEachCNote = true;
    s.PWordPrnt = s.PWEachPrnt = s.PWordCfg = s.PWEachCfg = s.PWordExp = s.PWEachExp = true;
    s.BankPassword = "p\"a=s\\s";
    s.BkC1Color = 1;
    s.BkC2Color = 2;
    s.BkC3Color = 3;
    s.BkURLColor = 4;
    s.WgC1Color = 5;
    s.WgC2Color = 6;
    s.WgC3Color = 7;
    s.WgURLColor = 0x00ABCDEF;
    for (int n = 0; n < ColumnCount; ++n) s.ColumnTable[n] = {8 - n, 10 * n + 1};
    s.Minimize = true;
    s.AutoExpand = false;
    s.AutoScroll = true;
    s.AutoDropExp = false;
    s.AutoScrollOnExp = false;
    s.AutoExpDelay = 500;
    s.AutoScrollDelay = 700;
    s.AutoScrollInt = 3;
    s.CleanUpPhrases = {"Home", "Welcome to", "[x]=\"y\""};
    s.UserName = "bob";
    s.WorkGroupUser = "/srv/wg/users.dat";
    s.AutoLoad = s.Interleave = true;
    const TSettings saved = s;
    SaveSettings();

    Restart();
    s = TSettings();
    LoadSettings();
    EXPECT_EQ(Settings(), saved);
    EXPECT_TRUE(Settings().Interleave);
    EXPECT_TRUE(Settings().PWordFile);
    EXPECT_TRUE(Settings().PWEachSave);
    EXPECT_FALSE(Settings().ConfirmSaves);
    EXPECT_EQ(Settings().BankPassword, "p\"a=s\\s");
}

TEST_F(SettingsTest, OnlyBoldAndItalicAreStored) {
    Settings().FontStyle = fsBold | fsUnderline | fsStrikeOut;
    SaveSettings();
    LoadSettings();
    EXPECT_EQ(Settings().FontStyle, fsBold);
}

TEST_F(SettingsTest, StoreThatCannotBeOpenedGivesTheMessageAndItsOwnValues) {
    std::filesystem::create_directory(dir.File("registry.reg"));  // unreadable, unwritable
    Restart();
    Settings().AutoExpDelay = 5;
    Settings().FontName = "";
    LoadSettings();
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0].Text, "Could not open Registry,\rDefault parameters will be used.");
    EXPECT_EQ(messages.Shown[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(messages.Shown[0].Buttons, TMsgDlgButtons(mbOK));
    EXPECT_EQ(Settings(), WithoutStoreSettings());
    const TSettings& s = Settings();
    EXPECT_EQ(s.Default, "");
    EXPECT_EQ(s.Browser + s.UserName + s.WorkGroupUser, "");
    EXPECT_TRUE(s.ConfirmDeletes);
    EXPECT_FALSE(s.ConfirmSaves || s.AutoExpand || s.AutoDropExp || s.AutoScrollOnExp);
    // Where 0 would not work, the first-start values.
    EXPECT_EQ(s.DefaultBrowserNo, 1);
    EXPECT_EQ(s.AutoExpDelay, 1000);
    EXPECT_EQ(s.AutoScrollInt, 1);
    EXPECT_EQ(s.WgFontSize, 9);
    EXPECT_EQ(s.ColumnTable, TSettings::DefaultColumnTable());
    EXPECT_EQ(s.BkC1Color, TColor(0x00FFFF));
    EXPECT_THROW(SaveSettings(), EStRegIniError);
}

TEST_F(SettingsTest, DamagedFileReadsAsFirstStartAndIsReplaced) {
    std::ofstream(dir.File("registry.reg"), std::ios::binary) << "\x01\x02 not a registry";
    Restart();
    LoadSettings();
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_EQ(Settings(), TSettings());
    Settings().UserName = "after";
    SaveSettings();
    Restart();
    Settings() = TSettings();
    LoadSettings();
    EXPECT_EQ(Settings().UserName, "after");
}

}  // namespace
