// The settings store in registry mode: conversions, missing things, paths, deletion, errors.
#include "StRegIni.h"

#include <filesystem>
#include <fstream>

#include "RegistryFixture.h"
#include "StBase.h"

namespace {

const std::string Scrambled = "\x34\x45\x1b\x4f\x5e\x0f\x34\x06\x1b\x16";

class StRegIniTest : public RegistryFixture {
protected:
    // Runs `body`, which must raise EStRegIniError `code` with exactly `text`.
    template <class F>
    void ExpectError(F body, int code, const std::string& text) {
        try {
            body();
            ADD_FAILURE() << "no error, expected " << code;
        } catch (const EStRegIniError& e) {
            EXPECT_EQ(e.ErrorCode, code);
            EXPECT_EQ(e.Message, text);
        }
    }
};

TEST_F(StRegIniTest, EveryByteRoundTripsThroughTheFile) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += char(c);
    {
        TStRegIni ini("HKEY_CURRENT_USER", false);
        ini.SetCurrentSubKey("Software\\Test");
        ini.WriteString("All", all);
        ini.WriteString("Scr", Scrambled);
        ini.WriteString("Lines", "a\r\nb");
        ini.WriteString("Empty", "");
    }
    Restart();
    TStRegIni ini("HKEY_CURRENT_USER", false);
    ini.SetCurrentSubKey("Software\\Test");
    EXPECT_EQ(ini.ReadString("All", "?"), all);
    EXPECT_EQ(ini.ReadString("Scr", "?"), Scrambled);
    EXPECT_EQ(ini.ReadString("Lines", "?"), "a\r\nb");
    EXPECT_EQ(ini.ReadString("Empty", "?"), "");  // an empty value is a value
}

TEST_F(StRegIniTest, ReadsConvertByType) {
    const std::string key = "Software\\Conv";
    Put(key, TRegValue::String("f1", "false"));
    Put(key, TRegValue::String("f2", "FALSE"));
    Put(key, TRegValue::String("any", "anything"));
    Put(key, TRegValue::String("zero", "0"));
    Put(key, TRegValue::String("twelve", "12"));
    Put(key, TRegValue::String("hex", " $1F"));
    Put(key, TRegValue::String("bad", "12x"));
    Put(key, TRegValue::String("huge", "99999999999"));
    Put(key, TRegValue::String("nul", std::string("ab\0cd", 5)));
    Put(key, TRegValue::DWord("dw", 0xFFFFFFFFu));
    Put(key, TRegValue::Binary("bin", std::string("\x0a\xff\x00", 3)));
    Put(key, TRegValue::Binary("short", std::string("\x01\x00", 2)));
    Put(key, TRegValue::Binary("b127", std::string(127, '\x01')));
    Put(key, TRegValue::Binary("b128", std::string(128, '\x01')));
    Put(key, TRegValue{"multi", REG_MULTI_SZ, "x"});

    TStRegIni ini("HKEY_CURRENT_USER", false);
    ini.SetCurrentSubKey(key);
    EXPECT_FALSE(ini.ReadBool("f1", true));
    EXPECT_FALSE(ini.ReadBool("f2", true));
    EXPECT_TRUE(ini.ReadBool("any", false));
    EXPECT_TRUE(ini.ReadBool("zero", false));  // only the FALSE text is false
    EXPECT_EQ(ini.ReadInteger("twelve", -1), 12);
    EXPECT_EQ(ini.ReadInteger("hex", -1), 31);
    EXPECT_EQ(ini.ReadInteger("bad", -1), -1);
    EXPECT_EQ(ini.ReadInteger("huge", -1), -1);
    EXPECT_EQ(ini.ReadString("nul", ""), "ab");
    EXPECT_EQ(ini.ReadString("dw", ""), "4294967295");
    EXPECT_TRUE(ini.ReadBool("dw", false));
    EXPECT_EQ(ini.ReadInteger("dw", 0), -1);
    EXPECT_EQ(ini.ReadString("bin", ""), "0AFF00");
    EXPECT_EQ(ini.ReadInteger("bin", 0), 0xFF0A);  // three bytes, zero-extended
    EXPECT_EQ(ini.ReadInteger("short", 0), 1);
    EXPECT_TRUE(ini.ReadBool("short", false));
    EXPECT_EQ(ini.ReadString("b127", "").size(), 254u);
    ExpectError([&] { ini.ReadString("b128", ""); }, 38, "Size of byte array exceeds limit");
    EXPECT_EQ(ini.ReadString("multi", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadInteger("multi", 5), 5);
    EXPECT_TRUE(ini.ReadBool("multi", true));
}

TEST_F(StRegIniTest, MissingThingsGiveDefaultsAndCreateNothing) {
    TStRegIni ini("HKEY_CURRENT_USER", false);
    ini.SetCurrentSubKey("Software\\Nowhere\\Deep");
    EXPECT_EQ(ini.ReadString("x", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadInteger("x", 42), 42);
    EXPECT_TRUE(ini.ReadBool("x", true));
    EXPECT_FALSE(ini.KeyExists("Software\\Nowhere"));
    ini.WriteInteger("there", 1);
    EXPECT_EQ(ini.ReadString("missing", "dflt"), "dflt");
}

TEST_F(StRegIniTest, WritesCreatePathsAndKeyExistsStartsAtTheRoot) {
    TStRegIni ini("HKEY_CURRENT_USER", false);
    ini.SetCurrentSubKey("Software\\A\\B\\C");
    ini.WriteString("v", "1");
    ini.WriteBool("b", true);
    ini.WriteInteger("i", -2);
    ini.SetCurrentSubKey("Elsewhere");
    EXPECT_TRUE(ini.KeyExists("software\\a\\b"));
    EXPECT_FALSE(ini.KeyExists("A\\B"));
    EXPECT_EQ(Raw("Software\\A\\B\\C", "b").Type, REG_DWORD);
    EXPECT_EQ(Raw("Software\\A\\B\\C", "b").AsDWord(), 1u);
    EXPECT_EQ(Raw("Software\\A\\B\\C", "i").AsDWord(), 0xFFFFFFFEu);
    EXPECT_EQ(Raw("Software\\A\\B\\C", "v").Type, REG_SZ);
}

TEST_F(StRegIniTest, DeleteKeyNeedsPermissionForContents) {
    TStRegIni ini("HKEY_CURRENT_USER", false);
    ini.SetCurrentSubKey("Software\\P\\Vals");
    ini.WriteString("a", "1");
    ini.WriteString("b=c", "2");  // a name holding "=" is deleted like any other
    ini.SetCurrentSubKey("Software\\P\\Keys\\One");
    ini.WriteString("a", "1");
    ini.SetCurrentSubKey("Software\\P\\Keys\\Two\\Deeper");
    ini.WriteString("Default", "kept until the key goes");

    ini.SetCurrentSubKey("Software\\P");
    ExpectError([&] { ini.DeleteKey("Vals", false); }, 14,
                "Can not delete key which has subkeys (0)");
    ExpectError([&] { ini.DeleteKey("Keys", false); }, 14,
                "Can not delete key which has subkeys (2)");
    ini.DeleteKey("Keys", true);
    ini.DeleteKey("vals", true);
    EXPECT_FALSE(ini.KeyExists("Software\\P\\Keys"));
    EXPECT_FALSE(ini.KeyExists("Software\\P\\Vals"));
    EXPECT_EQ(ini.CurrentSubKey(), "Software\\P");
    ini.DeleteKey("Missing", false);  // nothing to delete is no error
    ini.DeleteKey("Missing", true);
    ini.DeleteKey("", true);  // names no key: the current one stays
    EXPECT_TRUE(ini.KeyExists("Software\\P"));
    EXPECT_FALSE(ini.KeyExists("Software\\P\\Missing"));
}

TEST_F(StRegIniTest, DeleteKeyTakesLongPathsWhole) {
    // A cut path would name a different key: the whole name counts, however long.
    std::string longName(300, 'k');
    TStRegIni ini("HKEY_CURRENT_USER", false);
    ini.SetCurrentSubKey("Software\\" + longName);
    ini.WriteString("v", "1");
    ini.SetCurrentSubKey("Software\\" + longName.substr(0, 240));
    ini.WriteString("other", "stays");
    ini.SetCurrentSubKey("Software");
    ini.DeleteKey(longName, true);
    EXPECT_FALSE(ini.KeyExists("Software\\" + longName));
    EXPECT_TRUE(ini.KeyExists("Software\\" + longName.substr(0, 240)));
}

TEST_F(StRegIniTest, DeleteValueOfAMissingValueRaises17) {
    TStRegIni ini("HKEY_CURRENT_USER", false);
    ini.SetCurrentSubKey("Software\\V");
    ini.WriteString("here", "1");
    ini.DeleteValue("HERE");
    EXPECT_EQ(ini.ReadString("here", "gone"), "gone");
    ExpectError([&] { ini.DeleteValue("here"); }, 17,
                "Unable to delete value from key\\nError Code: 2");
}

TEST_F(StRegIniTest, ListingsTagTheirLinesAndMissingKeysRaise6) {
    Put("Software\\L", TRegValue::String("", "unnamed"));
    Put("Software\\L", TRegValue::DWord("dw", 0xFFFFFFFFu));
    Put("Software\\L", TRegValue::Binary("bin", std::string("\x0a\xff\x00", 3)));
    Put("Software\\L", TRegValue{"multi", REG_MULTI_SZ, "x"});
    Put("Software\\L", TRegValue::String("text", "t", REG_EXPAND_SZ));
    Put("Software\\L\\Sub1", TRegValue::DWord("x", 1));
    Registry()->CreateKey(TRegRoot::CurrentUser, "Software\\L\\Sub2");

    TStRegIni ini("HKEY_CURRENT_USER", false);
    ini.SetCurrentSubKey("Software\\L");
    TStringList values;
    values.Add("stale");
    ini.GetValues(values);
    ASSERT_EQ(values.Count(), 4);
    EXPECT_EQ(values[0], "Default=unnamed");
    EXPECT_EQ(values[1], "dw=-1");
    EXPECT_EQ(values[2], "bin=0AFF00");
    EXPECT_EQ(values[3], "text=t");
    EXPECT_EQ(ValueKindOf(values, 0), TStValueKind::Text);
    EXPECT_EQ(ValueKindOf(values, 1), TStValueKind::Binary);
    EXPECT_EQ(ValueKindOf(values, 2), TStValueKind::Binary);
    EXPECT_EQ(ValueKindOf(values, 3), TStValueKind::Text);
    TStringList keys;
    ini.GetSubKeys(keys);
    EXPECT_EQ(keys.ToVector(), (std::vector<std::string>{"Sub1", "Sub2"}));

    ini.SetCurrentSubKey("Software\\Nope");
    ExpectError([&] { ini.GetValues(values); }, 6, "Failed to open key\\nError Code: 2");
    ExpectError([&] { ini.GetSubKeys(keys); }, 6, "Failed to open key\\nError Code: 2");
    EXPECT_TRUE(keys.Empty());
}

TEST_F(StRegIniTest, RootNamesSelectTrees) {
    ExpectError([] { TStRegIni("", false); }, 2, "No Ini File or Primary Key specified");
    EXPECT_EQ(TStRegIni("HKEY_CURRENT_USER", false).RootKey(), TRegRoot::CurrentUser);
    EXPECT_EQ(TStRegIni("c_users", false).RootKey(), TRegRoot::CurrentUser);
    EXPECT_EQ(TStRegIni("Users", false).RootKey(), TRegRoot::Users);
    EXPECT_EQ(TStRegIni("root", false).RootKey(), TRegRoot::ClassesRoot);
    TStRegIni machine("machine", false);
    EXPECT_EQ(machine.RootKey(), TRegRoot::LocalMachine);
    machine.SetCurrentSubKey("Software\\M");
    machine.WriteInteger("v", 1);
    EXPECT_FALSE(TStRegIni("HKEY_CURRENT_USER", false).KeyExists("Software\\M"));
    EXPECT_TRUE(machine.KeyExists("Software\\M"));
}

TEST_F(StRegIniTest, OneStoreIsOneFileWrite) {
    auto ini = std::make_unique<TStRegIni>("HKEY_CURRENT_USER", false);
    ini->SetCurrentSubKey("Software\\W");
    ini->WriteInteger("a", 1);
    ini->WriteInteger("b", 2);
    EXPECT_FALSE(std::filesystem::exists(RegFile()));
    ini->Commit();
    EXPECT_TRUE(std::filesystem::exists(RegFile()));
    ini->WriteInteger("c", 3);
    ini.reset();  // the rest goes when the store is freed
    Restart();
    TStRegIni again("HKEY_CURRENT_USER", false);
    again.SetCurrentSubKey("Software\\W");
    EXPECT_EQ(again.ReadInteger("c", 0), 3);
}

TEST_F(StRegIniTest, DamagedFileReadsDefaultsAndIsReplaced) {
    std::ofstream(RegFile(), std::ios::binary)
        << "LORVANE-REGISTRY 1\n[HKEY_CURRENT_USER\\K]\nrubbish\n";
    {
        TStRegIni ini("HKEY_CURRENT_USER", false);
        ini.SetCurrentSubKey("K");
        EXPECT_EQ(ini.ReadString("rubbish", "dflt"), "dflt");
        ini.WriteString("v", "new");
        ini.Commit();
    }
    Restart();
    EXPECT_FALSE(Registry()->Damaged());
    EXPECT_EQ(Raw("K", "v").Data, "new");
}

TEST_F(StRegIniTest, StoreThatCannotBeReadOrWrittenRaises) {
    {
        TStRegIni ini("HKEY_CURRENT_USER", false);
        ini.SetCurrentSubKey("K");
        ini.WriteString("v", "x");
        std::filesystem::create_directory(RegFile());  // the file's place is taken
        ExpectError([&] { ini.Commit(); }, 8, "Failed to write value to Registry\\nError Code: 5");
    }
    Restart();
    ExpectError([] { TStRegIni("HKEY_CURRENT_USER", false); }, 6,
                "Failed to open key\\nError Code: 5");
    std::filesystem::remove(RegFile());
}

TEST_F(StRegIniTest, DeletingKeysWithSpelledBackslashesEnds) {
    std::ofstream(RegFile(), std::ios::binary)
        << "LORVANE-REGISTRY 1\n"
           "[HKEY_CURRENT_USER\\Software\\A%5C]\n\"v\"=sz:\"1\"\n"
           "[HKEY_CURRENT_USER\\Software\\A%5C\\B%5C%5C]\n\"w\"=sz:\"2\"\n"
           "[HKEY_CURRENT_USER\\Software\\A\\%5CC]\n@=sz:\"3\"\n"
           "[HKEY_CURRENT_USER\\Software\\Kept]\n\"k\"=sz:\"4\"\n";
    Restart();
    {
        TStRegIni ini("HKEY_CURRENT_USER", false);
        ini.SetCurrentSubKey("Software");
        TStringList keys;
        ini.GetSubKeys(keys);
        EXPECT_EQ(keys.Count(), 2);  // A (spelled three ways) and Kept
        ini.SetCurrentSubKey("Software\\A");
        ini.GetSubKeys(keys);
        ASSERT_EQ(keys.Count(), 2);
        EXPECT_EQ(keys[0], "B");
        EXPECT_EQ(keys[1], "C");
        ini.SetCurrentSubKey("Software");
        ini.DeleteKey("A", true);
        EXPECT_FALSE(ini.KeyExists("Software\\A"));
        ini.Commit();
    }
    Restart();
    EXPECT_FALSE(Registry()->Damaged());
    EXPECT_FALSE(Registry()->KeyExists(TRegRoot::CurrentUser, "Software\\A"));
    EXPECT_EQ(Raw("Software\\Kept", "k").Data, "4");
}

}  // namespace
