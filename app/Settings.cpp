// The application's settings: reading them from and writing them to the registry.
#include "Settings.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <span>
#include <variant>

#include <platform/Messages.h>
#include <platform/SysUtils.h>

#include "ResStrings.h"
#include "StBase.h"
#include "StRegIni.h"
#include "StStrS.h"
#include "VirtualTrees.h"

namespace {

constexpr const char* ProgramKey = "Software\\PellTech\\Lorvane";
constexpr const char* StoreFailedText =
    "Could not open Registry,\rDefault parameters will be used.";

std::string TwoDigits(int i) {
    return (i < 10 ? "0" : "") + IntToStr(i);
}

std::string ColumnValue(int n, const char* what) {
    return "Col" + IntToStr(n) + what;
}

// How a value is kept in the registry.
enum class Form {
    Plain,      // a string, a number (clamped into Low..High on reading) or a Boolean
    Scrambled,  // a Boolean as scrambled text
    Color,      // a colour as eight hexadecimal digits
    Password,   // the bank password as scrambled text
};

using Member = std::variant<std::string TSettings::*, int32_t TSettings::*, bool TSettings::*>;

struct Value {
    const char* Name;
    Member Field;
    Form Kind = Form::Plain;
    int32_t Low = INT32_MIN;
    int32_t High = INT32_MAX;
};

// The values that are read and written alike, each list in the order the sub-key takes them.
const Value FileValues[] = {
    {"Default", &TSettings::Default},
    {"Browser", &TSettings::Browser},
    {"Browser1", &TSettings::Browser1},
    {"Browser1Name", &TSettings::Browser1Name},
    {"Browser2", &TSettings::Browser2},
    {"Browser2Name", &TSettings::Browser2Name},
    {"Browser3", &TSettings::Browser3},
    {"Browser3Name", &TSettings::Browser3Name},
    {"DefaultBrowserNo", &TSettings::DefaultBrowserNo, Form::Plain, 1, 3},
    {"AskForBrowser", &TSettings::AskForBrowser},
};

// "Main" after the fonts, up to the columns.
const Value MainSwitches[] = {
    {"ConfirmDeletes", &TSettings::ConfirmDeletes},
    {"ConfirmSaves", &TSettings::ConfirmSaves},
    {"PWordFile", &TSettings::PWordFile, Form::Scrambled},
    {"PWEachSave", &TSettings::PWEachSave},
    {"PWordPWord", &TSettings::PWordPWord, Form::Scrambled},
    {"PWEachPw", &TSettings::PWEachPw},
    {"PWordCNote", &TSettings::PWordCNote, Form::Scrambled},
    {"PWEachCNote", &TSettings::PWEachCNote},
    {"PWordBank", &TSettings::BankPassword, Form::Password},
    {"PWordPrnt", &TSettings::PWordPrnt, Form::Scrambled},
    {"PWEachPrnt", &TSettings::PWEachPrnt},
    {"PWordCfg", &TSettings::PWordCfg, Form::Scrambled},
    {"PWEachCfg", &TSettings::PWEachCfg},
    {"PWordExp", &TSettings::PWordExp, Form::Scrambled},
    {"PWEachExp", &TSettings::PWEachExp},
    {"BkC1Color", &TSettings::BkC1Color, Form::Color},
    {"BkC2Color", &TSettings::BkC2Color, Form::Color},
    {"BkC3Color", &TSettings::BkC3Color, Form::Color},
    {"BkURLColor", &TSettings::BkURLColor, Form::Color},
    {"WgC1Color", &TSettings::WgC1Color, Form::Color},
    {"WgC2Color", &TSettings::WgC2Color, Form::Color},
    {"WgC3Color", &TSettings::WgC3Color, Form::Color},
    {"WgURLColor", &TSettings::WgURLColor, Form::Color},
};

const Value TreeActionValues[] = {
    {"AutoExpand", &TSettings::AutoExpand},
    {"AutoScroll", &TSettings::AutoScroll},
    {"AutoDropExp", &TSettings::AutoDropExp},
    {"AutoScrollOnExp", &TSettings::AutoScrollOnExp},
    {"AutoExpDelay", &TSettings::AutoExpDelay, Form::Plain, 1, 10000},
    {"AutoScrollDelay", &TSettings::AutoScrollDelay, Form::Plain, 1, 10000},
    {"AutoScrollInt", &TSettings::AutoScrollInt, Form::Plain, 1, 1000},
};

const Value WorkGroupValues[] = {
    {"UserName", &TSettings::UserName},
    {"WorkGroupUser", &TSettings::WorkGroupUser},
    {"AutoLoad", &TSettings::AutoLoad},
    {"Interleave", &TSettings::Interleave},
};

// Reads into a settings record that holds the defaults; a value the store cannot give
// (damaged, of the wrong kind) keeps its default, a number out of range is clamped.
class SettingsReader {
public:
    explicit SettingsReader(TStRegIni& ini) : ini_(ini) {}

    void Key(const char* subKey) { ini_.SetCurrentSubKey(std::string(SettingsKey) + subKey); }

    void Read(const std::string& name, std::string& value) {
        try {
            value = ini_.ReadString(name, value);
        } catch (const Exception&) {
            // a binary value too long to read as text: keep the default
        }
    }
    void Read(const std::string& name, int32_t& value) { value = ini_.ReadInteger(name, value); }
    void Read(const std::string& name, bool& value) { value = ini_.ReadBool(name, value); }

    void Read(const Value& v, TSettings& s) {
        switch (v.Kind) {
            case Form::Plain:
                std::visit([&](auto field) { Read(v.Name, s.*field); }, v.Field);
                if (auto field = std::get_if<int32_t TSettings::*>(&v.Field))
                    s.** field = std::clamp(s.**field, v.Low, v.High);
                break;
            case Form::Scrambled:
                try {
                    s.*std::get<bool TSettings::*>(v.Field) = ReadScrambledBool(ini_, v.Name);
                } catch (const Exception&) {
                    // unreadable as text: the protection stays off, as for a missing value
                }
                break;
            case Form::Color: {
                TColor& color = s.*std::get<int32_t TSettings::*>(v.Field);
                std::string text = ColorToText(color);
                Read(v.Name, text);
                TextToColor(text, color);  // a text that does not convert keeps the default
                break;
            }
            case Form::Password: {
                std::string stored;
                Read(v.Name, stored);
                s.*std::get<std::string TSettings::*>(v.Field) =
                    Trim(ScrambleShortStr(stored, ResKeyText));
                break;
            }
        }
    }
    void Read(std::span<const Value> values, TSettings& s) {
        for (const Value& v : values) Read(v, s);
    }

    void ReadFont(const std::string& prefix, std::string& name, int32_t& size, TColor& color,
                  TFontStyles& style) {
        Read(prefix + "FontName", name);
        Read(prefix + "FontSize", size);
        if (size <= 0) size = 9;
        Read(prefix + "FontColor", color);
        bool bold = false, italic = false;
        Read(prefix + "FontBold", bold);
        Read(prefix + "FontItalic", italic);
        style = TFontStyles((bold ? fsBold : 0) | (italic ? fsItalic : 0));
    }

private:
    TStRegIni& ini_;
};

class SettingsWriter {
public:
    explicit SettingsWriter(TStRegIni& ini) : ini_(ini) {}

    void Key(const char* subKey) { ini_.SetCurrentSubKey(std::string(SettingsKey) + subKey); }
    void Write(const std::string& name, const std::string& value) { ini_.WriteString(name, value); }
    void Write(const std::string& name, int32_t value) { ini_.WriteInteger(name, value); }
    void Write(const std::string& name, bool value) { ini_.WriteBool(name, value); }

    void Write(const Value& v, const TSettings& s) {
        switch (v.Kind) {
            case Form::Plain:
                std::visit([&](auto field) { Write(v.Name, s.*field); }, v.Field);
                break;
            case Form::Scrambled:
                WriteScrambledBool(ini_, s.*std::get<bool TSettings::*>(v.Field), v.Name);
                break;
            case Form::Color:
                Write(v.Name, ColorToText(s.*std::get<int32_t TSettings::*>(v.Field)));
                break;
            case Form::Password:
                Write(v.Name, ScrambleShortStr(Trim(s.*std::get<std::string TSettings::*>(v.Field)),
                                               ResKeyText));
                break;
        }
    }
    void Write(std::span<const Value> values, const TSettings& s) {
        for (const Value& v : values) Write(v, s);
    }

    void WriteFont(const std::string& prefix, const std::string& name, int32_t size, TColor color,
                   TFontStyles style) {
        Write(prefix + "FontSize", size);
        Write(prefix + "FontName", name);
        Write(prefix + "FontColor", int32_t(color));
        Write(prefix + "FontBold", (style & fsBold) != 0);
        Write(prefix + "FontItalic", (style & fsItalic) != 0);
    }
    // Removes a sub-key of the program's key with everything in it.
    void Remove(const char* subKey) {
        ini_.SetCurrentSubKey(ProgramKey);
        if (ini_.KeyExists(std::string(ProgramKey) + "\\" + subKey)) ini_.DeleteKey(subKey, true);
    }

private:
    TStRegIni& ini_;
};

void ReadAll(SettingsReader& r, TSettings& s) {
    r.Key("File");
    r.Read(FileValues, s);

    r.Key("StartUp");
    r.Read(Value{"NoOfURLs", &TSettings::NoOfURLs, Form::Plain, 0, MaxStartupURLs}, s);
    for (int i = 1; i <= s.NoOfURLs; ++i)
        r.Read("URLNo" + TwoDigits(i), s.StartupURLs[size_t(i - 1)]);
    r.Read("PromptOnStartup", s.PromptOnStartup);

    r.Key("Main");
    r.ReadFont("", s.FontName, s.FontSize, s.FontColor, s.FontStyle);
    r.ReadFont("Wg", s.WgFontName, s.WgFontSize, s.WgFontColor, s.WgFontStyle);
    r.Read(MainSwitches, s);
    // Columns are saved by display position, so they load as the identity order.
    for (int n = 0; n < ColumnCount; ++n) {
        TColumnRec& c = s.ColumnTable[size_t(n)];
        r.Read(ColumnValue(n, "Fld"), c.Field);
        if (c.Field < 0 || c.Field >= ColumnCount) c.Field = n;  // it indexes field tables
        c.Width = FieldDefaultWidths[size_t(c.Field)];
        r.Read(ColumnValue(n, "Width"), c.Width);
        s.ColumnOrder[size_t(n)] = n;
    }
    r.Read("Minimize", s.Minimize);

    r.Key("TreeAction");
    r.Read(TreeActionValues, s);

    r.Key("URLNamesCleanUp");
    int32_t count = 0;
    r.Read("Count", count);
    count = std::clamp(count, 0, MaxCleanUpPhrases);
    for (int i = 0; i < count; ++i) {
        std::string phrase;
        r.Read(TwoDigits(i), phrase);
        // An empty phrase would match every name it is tried on.
        if (!Trim(phrase).empty()) s.CleanUpPhrases.push_back(phrase);
    }

    r.Key("WorkGroup");
    r.Read(WorkGroupValues, s);
}

void WriteAll(SettingsWriter& w, const TSettings& s) {
    w.Key("File");
    w.Write(FileValues, s);

    w.Remove("StartUp");
    w.Key("StartUp");
    int32_t urls = std::clamp(s.NoOfURLs, 0, MaxStartupURLs);
    w.Write("NoOfURLs", urls);
    for (int i = 1; i <= urls; ++i) w.Write("URLNo" + TwoDigits(i), s.StartupURLs[size_t(i - 1)]);
    w.Write("PromptOnStartup", s.PromptOnStartup);

    w.Key("TreeAction");
    w.Write(TreeActionValues, s);

    w.Key("Main");
    w.WriteFont("", s.FontName, s.FontSize, s.FontColor, s.FontStyle);
    w.WriteFont("Wg", s.WgFontName, s.WgFontSize, s.WgFontColor, s.WgFontStyle);
    w.Write(MainSwitches, s);
    for (int n = 0; n < ColumnCount; ++n) {
        int32_t shown = s.ColumnOrder[size_t(n)];
        if (shown < 0 || shown >= ColumnCount) shown = n;
        const TColumnRec& c = s.ColumnTable[size_t(shown)];
        w.Write(ColumnValue(n, "Fld"), c.Field);
        w.Write(ColumnValue(n, "Width"), c.Width);
    }
    w.Write("Minimize", s.Minimize);

    try {
        w.Remove("URLNamesCleanUp");
    } catch (const Exception&) {
        // a list that cannot be removed is overwritten below
    }
    w.Key("URLNamesCleanUp");
    w.Write("Count", int32_t(s.CleanUpPhrases.size()));
    for (size_t i = 0; i < s.CleanUpPhrases.size(); ++i)
        w.Write(TwoDigits(int(i)), s.CleanUpPhrases[i]);

    w.Key("WorkGroup");
    w.Write(WorkGroupValues, s);
}

}  // namespace

std::array<TColumnRec, ColumnCount> TSettings::DefaultColumnTable() {
    std::array<TColumnRec, ColumnCount> table;
    for (int n = 0; n < ColumnCount; ++n) table[size_t(n)] = {n, FieldDefaultWidths[size_t(n)]};
    return table;
}

TSettings WithoutStoreSettings() {
    TSettings s;
    // No bank, browser or workgroup is known; the switches that start true are off. Numbers
    // and fonts keep their first-start values: a delay, browser number, font size or column of
    // 0 would not work.
    s.Default.clear();
    s.ConfirmSaves = false;
    s.AutoExpand = false;
    s.AutoDropExp = false;
    s.AutoScrollOnExp = false;
    return s;
}

TSettings& Settings() {
    static TSettings settings;
    return settings;
}

void LoadSettings() {
    std::unique_ptr<TStRegIni> ini;
    try {
        ini = std::make_unique<TStRegIni>("HKEY_CURRENT_USER", false);
    } catch (const Exception&) {
        MessageDlg(StoreFailedText, TMsgDlgType::mtError, mbOK);
        Settings() = WithoutStoreSettings();
        return;
    }
    TSettings loaded;
    SettingsReader reader(*ini);
    ReadAll(reader, loaded);
    Settings() = std::move(loaded);
}

void SaveSettings(const TSettings& settings) {
    TStRegIni ini("HKEY_CURRENT_USER", false);
    SettingsWriter writer(ini);
    WriteAll(writer, settings);
    ini.Commit();
}

void SaveSettings() {
    SaveSettings(Settings());
}

namespace {

std::string PlainBoolText(const std::string& name, bool value) {
    return name.substr(0, 1) + (value ? "1" : "0") + (name.empty() ? "" : name.substr(1));
}

}  // namespace

std::string ScrambledBoolText(const std::string& name, bool value) {
    return ScrambleShortStr(PlainBoolText(name, value), ResKeyText);
}

bool ReadScrambledBool(TStRegIni& store, const std::string& name) {
    std::string stored = store.ReadString(name, ScrambledBoolText(name, false));
    return ScrambleShortStr(stored, ResKeyText) != PlainBoolText(name, false);
}

void WriteScrambledBool(TStRegIni& store, bool value, const std::string& name) {
    store.WriteString(name, ScrambledBoolText(name, value));
}

std::string ColorToText(TColor color) {
    return HexLong(uint32_t(color));
}

bool TextToColor(const std::string& text, TColor& color) {
    int32_t value;
    if (!StrToLong("$" + text, value)) return false;
    color = TColor(value);
    return true;
}

void ApplyTreeOptions(TBaseVirtualTree& tree) {
    const TSettings& s = Settings();
    TVTAutoOptions options{toAutoDropExpand, toAutoScrollOnExpand, toAutoTristateTracking,
                           toAutoDeleteMovedNodes};
    if (s.AutoExpand) options.Include(toAutoExpand);
    if (s.AutoScroll) options.Include(toAutoScroll);
    if (!s.AutoDropExp) options.Exclude(toAutoDropExpand);
    if (!s.AutoScrollOnExp) options.Exclude(toAutoScrollOnExpand);
    tree.TreeOptions().SetAutoOptions(options);
    tree.SetAutoExpandDelay(uint32_t(s.AutoExpDelay));
    tree.SetAutoScrollDelay(uint32_t(s.AutoScrollDelay));
    tree.SetAutoScrollInterval(uint32_t(s.AutoScrollInt));
}
