// The file-backed registry: names, creation, listings, deletion, the file and its damage.
#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "TempDir.h"
#include "platform/FileUtils.h"

namespace {

using namespace std::string_literals;

constexpr auto HKCU = TRegRoot::CurrentUser;

std::string Slurp(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Spit(const std::string& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string AllBytes() {
    std::string s;
    for (int c = 1; c < 256; ++c) s += char(c);
    return s;
}

class RegistryTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string file = dir.File("cfg/Lorvane/registry.reg");

    std::string Read(TRegistryStore& store, const std::string& path, const std::string& name) {
        TRegValue v;
        EXPECT_EQ(store.QueryValue(HKCU, path, name, v), ERROR_SUCCESS) << path << " " << name;
        return v.Data;
    }
};

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
    TRegistryStore reg(file);
    ASSERT_EQ(reg.SetValue(HKCU, "Software\\Acme", TRegValue::String("Name", "one")), 0);
    ASSERT_EQ(reg.SetValue(HKCU, "SOFTWARE\\acme", TRegValue::String("NAME", "two")), 0);
    EXPECT_EQ(Read(reg, "software\\ACME", "name"), "two");

    std::vector<std::string> keys;
    ASSERT_EQ(reg.EnumKeys(HKCU, "", keys), 0);
    EXPECT_EQ(keys, std::vector<std::string>{"Software"});
    std::vector<TRegValue> values;
    ASSERT_EQ(reg.EnumValues(HKCU, "Software\\Acme", values), 0);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].Name, "Name");
    // Doubled and outer separators name the same key.
    EXPECT_TRUE(reg.KeyExists(HKCU, "\\Software\\\\Acme\\"));
}

TEST_F(RegistryTest, ReadsCreateNothingWritesCreateThePath) {
    TRegistryStore reg(file);
    TRegValue v;
    EXPECT_EQ(reg.QueryValue(HKCU, "A\\B", "x", v), ERROR_FILE_NOT_FOUND);
    std::vector<std::string> keys;
    EXPECT_EQ(reg.EnumKeys(HKCU, "A", keys), ERROR_FILE_NOT_FOUND);
    TRegKeyInfo info;
    EXPECT_EQ(reg.QueryInfoKey(HKCU, "A", info), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(reg.KeyExists(HKCU, "A"));
    EXPECT_FALSE(std::filesystem::exists(file));

    ASSERT_EQ(reg.SetValue(HKCU, "A\\B\\C", TRegValue::DWord("x", 7)), 0);
    EXPECT_TRUE(reg.KeyExists(HKCU, "a\\b"));
    EXPECT_FALSE(reg.KeyExists(TRegRoot::LocalMachine, "A"));  // the roots are separate trees
    EXPECT_EQ(reg.QueryValue(HKCU, "A\\B\\C", "y", v), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ListingsKeepCreationOrderAndCounts) {
    TRegistryStore reg(file);
    for (const char* k : {"Zeta", "alpha", "Mid"}) reg.CreateKey(HKCU, std::string("K\\") + k);
    reg.SetValue(HKCU, "K", TRegValue::String("b", "12345"));
    reg.SetValue(HKCU, "K", TRegValue::DWord("a", 1));
    reg.SetValue(HKCU, "K", TRegValue::String("b", "x"));  // replacing keeps the place

    std::vector<std::string> keys;
    reg.EnumKeys(HKCU, "K", keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"Zeta", "alpha", "Mid"}));
    std::vector<TRegValue> values;
    reg.EnumValues(HKCU, "K", values);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].Name, "b");
    EXPECT_EQ(values[1].Name, "a");
    TRegKeyInfo info;
    ASSERT_EQ(reg.QueryInfoKey(HKCU, "K", info), 0);
    EXPECT_EQ(info.SubKeys, 3);
    EXPECT_EQ(info.Values, 2);
    EXPECT_EQ(info.MaxSubKeyLen, 5);
}

// Values and keys keep the order in which the file first names them, through changes and a
// write; names match ignoring the case of ASCII letters only. A value the file names twice
// takes the later line in the first one's place, a key named twice gathers both sections.
TEST_F(RegistryTest, AFileReadAndWrittenKeepsItsOrderAndNames) {
    std::filesystem::create_directories(dir.Path() / "cfg/Lorvane");
    Spit(file,
         "LORVANE-REGISTRY 1\n"
         "[HKEY_CURRENT_USER\\K]\n"
         "\"b\"=sz:\"1\"\n"
         "\"A\"=sz:\"2\"\n"
         "\"\xC9\"=sz:\"3\"\n"
         "\"\xE9\"=sz:\"4\"\n"
         "\"B\"=sz:\"5\"\n"
         "@=sz:\"6\"\n"
         "[HKEY_CURRENT_USER\\K\\Zeta]\n"
         "[HKEY_CURRENT_USER\\K\\alpha]\n"
         "\"x\"=dword:00000001\n"
         "[HKEY_CURRENT_USER\\K\\ZETA\\deep]\n"
         "[HKEY_CURRENT_USER\\k\\Mid]\n"
         "[HKEY_CURRENT_USER\\K\\ALPHA]\n"
         "\"y\"=dword:00000002\n"
         "\"X\"=dword:00000003\n"
         "[HKEY_CURRENT_USER\\K\\%c9]\n"
         "[HKEY_CURRENT_USER\\K\\\xE9]\n");
    TRegistryStore reg(file);
    std::vector<TRegValue> values;
    ASSERT_EQ(reg.EnumValues(HKCU, "K", values), 0);
    std::vector<std::string> names;
    for (const TRegValue& v : values) names.push_back(v.Name + "=" + v.Data);
    EXPECT_EQ(names, (std::vector<std::string>{"B=5", "A=2", "\xC9=3", "\xE9=4", "=6"}));
    EXPECT_EQ(Read(reg, "k", "a"), "2");
    EXPECT_EQ(Read(reg, "K", "\xE9"), "4");
    EXPECT_EQ(Read(reg, "K\\Alpha", "x"), "\x03\0\0\0"s);
    std::vector<std::string> keys;
    ASSERT_EQ(reg.EnumKeys(HKCU, "K", keys), 0);
    EXPECT_EQ(keys, (std::vector<std::string>{"Zeta", "alpha", "Mid", "\xC9", "\xE9"}));
    EXPECT_TRUE(reg.KeyExists(HKCU, "K\\zeta\\DEEP"));
    EXPECT_FALSE(reg.KeyExists(HKCU, "K\\\xC9\\x"));

    // Changes: a value replaced keeps its place and spelling, one deleted and set again goes
    // last, and so does a key; what follows a deleted one is still found.
    ASSERT_EQ(reg.SetValue(HKCU, "K", TRegValue::String("a", "7")), 0);
    ASSERT_EQ(reg.DeleteValue(HKCU, "K", "b"), 0);
    EXPECT_EQ(Read(reg, "K", "\xE9"), "4");
    EXPECT_EQ(Read(reg, "K", ""), "6");
    ASSERT_EQ(reg.SetValue(HKCU, "K", TRegValue::String("b", "8")), 0);
    ASSERT_EQ(reg.DeleteKey(HKCU, "K\\Zeta\\Deep"), 0);
    ASSERT_EQ(reg.DeleteKey(HKCU, "K\\zeta"), 0);
    EXPECT_TRUE(reg.KeyExists(HKCU, "K\\MID"));
    EXPECT_TRUE(reg.KeyExists(HKCU, "K\\\xE9"));
    ASSERT_EQ(reg.CreateKey(HKCU, "K\\ZETA"), 0);
    ASSERT_EQ(reg.SetValue(HKCU, "K\\mid", TRegValue::DWord("z", 9)), 0);
    EXPECT_EQ(Slurp(file),
              "LORVANE-REGISTRY 1\n"
              "\n[HKEY_CURRENT_USER\\K]\n"
              "\"A\"=sz:\"7\"\n\"\\xc9\"=sz:\"3\"\n\"\\xe9\"=sz:\"4\"\n@=sz:\"6\"\n\"b\"=sz:\"8\"\n"
              "\n[HKEY_CURRENT_USER\\K\\alpha]\n"
              "\"X\"=dword:00000003\n\"y\"=dword:00000002\n"
              "\n[HKEY_CURRENT_USER\\K\\Mid]\n"
              "\"z\"=dword:00000009\n"
              "\n[HKEY_CURRENT_USER\\K\\%c9]\n"
              "\n[HKEY_CURRENT_USER\\K\\%e9]\n"
              "\n[HKEY_CURRENT_USER\\K\\ZETA]\n");
}

// Keys of many values and sub-keys: every name is found in any case, and deleting and adding
// keep the order of listings and of the file as with a few.
TEST_F(RegistryTest, ManyValuesAndKeysKeepTheirOrderAndAreFoundInAnyCase) {
    constexpr int Count = 100;
    std::filesystem::create_directories(dir.Path() / "cfg/Lorvane");
    std::string text = "LORVANE-REGISTRY 1\n[HKEY_CURRENT_USER\\K]\n";
    for (int i = 0; i < Count; ++i)
        text += "\"Value" + std::to_string(i) + "\"=sz:\"" + std::to_string(i) + "\"\n";
    text += "\"VALUE7\"=sz:\"again\"\n";
    for (int i = 0; i < Count; ++i)
        text += "[HKEY_CURRENT_USER\\K\\Key" + std::to_string(i) + "]\n";
    Spit(file, text);
    TRegistryStore reg(file);
    for (int i = 0; i < Count; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_EQ(Read(reg, "k", "vALUE" + n), i == 7 ? "again" : n);
        EXPECT_TRUE(reg.KeyExists(HKCU, "K\\KEY" + n)) << n;
    }
    TRegValue v;
    EXPECT_EQ(reg.QueryValue(HKCU, "K", "Value100", v), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(reg.KeyExists(HKCU, "K\\Key100"));

    // Deleting from the middle and the start, then adding back: those go last.
    for (int i : {50, 0, 99}) {
        const std::string n = std::to_string(i);
        ASSERT_EQ(reg.DeleteValue(HKCU, "K", "value" + n), 0);
        ASSERT_EQ(reg.DeleteKey(HKCU, "K\\key" + n), 0);
        EXPECT_EQ(reg.QueryValue(HKCU, "K", "Value" + n, v), ERROR_FILE_NOT_FOUND);
        EXPECT_FALSE(reg.KeyExists(HKCU, "K\\Key" + n));
    }
    for (int i = 1; i < Count - 1; ++i) {
        const std::string n = std::to_string(i);
        if (i == 50) continue;
        EXPECT_EQ(Read(reg, "K", "VALUE" + n), i == 7 ? "again" : n);
    }
    ASSERT_EQ(reg.SetValue(HKCU, "K", TRegValue::String("value50", "back")), 0);
    ASSERT_EQ(reg.CreateKey(HKCU, "K\\KEY50"), 0);
    ASSERT_EQ(reg.SetValue(HKCU, "K", TRegValue::String("vALUE51", "changed")), 0);
    EXPECT_EQ(Read(reg, "K", "Value50"), "back");
    EXPECT_EQ(Read(reg, "K", "Value51"), "changed");

    std::vector<std::string> expectedKeys, keys;
    std::string expected = "LORVANE-REGISTRY 1\n\n[HKEY_CURRENT_USER\\K]\n";
    for (int i = 1; i < Count - 1; ++i) {
        if (i == 50) continue;
        const std::string n = std::to_string(i);
        expected += "\"" + std::string(i == 7 ? "VALUE" : "Value") + n + "\"=sz:\"" +
                    (i == 7    ? "again"
                     : i == 51 ? "changed"
                               : n) +
                    "\"\n";
        expectedKeys.push_back("Key" + n);
    }
    expected += "\"value50\"=sz:\"back\"\n";
    expectedKeys.push_back("KEY50");
    for (const std::string& key : expectedKeys)
        expected += "\n[HKEY_CURRENT_USER\\K\\" + key + "]\n";
    ASSERT_EQ(reg.EnumKeys(HKCU, "K", keys), 0);
    EXPECT_EQ(keys, expectedKeys);
    EXPECT_EQ(Slurp(file), expected);
}

TEST_F(RegistryTest, DeletionRules) {
    TRegistryStore reg(file);
    reg.SetValue(HKCU, "P\\Child\\Grand", TRegValue::DWord("v", 1));
    EXPECT_EQ(reg.DeleteKey(HKCU, "P\\Child"), ERROR_ACCESS_DENIED);   // still has a sub-key
    EXPECT_EQ(reg.DeleteKey(HKCU, "p\\child\\grand"), ERROR_SUCCESS);  // values go with it
    EXPECT_FALSE(reg.KeyExists(HKCU, "P\\Child\\Grand"));
    EXPECT_EQ(reg.DeleteKey(HKCU, "P\\Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg.DeleteKey(HKCU, ""), ERROR_ACCESS_DENIED);  // not the root
    EXPECT_EQ(reg.DeleteValue(HKCU, "P", "none"), ERROR_FILE_NOT_FOUND);
    reg.SetValue(HKCU, "P", TRegValue::String("", "unnamed"));
    EXPECT_EQ(reg.DeleteValue(HKCU, "P", ""), ERROR_SUCCESS);
}

TEST_F(RegistryTest, EveryByteAndTypeSurvivesTheFile) {
    const std::string binary("\x00\x0a\xff\x00", 4);
    {
        TRegistryStore reg(file);
        reg.SetValue(HKCU, "S", TRegValue::String("all", AllBytes()));
        reg.SetValue(HKCU, "S",
                     TRegValue::String("scr", "\x34\x45\x1b\x4f\x5e\x0f\x34\x06\x1b\x16"));
        reg.SetValue(HKCU, "S", TRegValue::String("crlf", "a\r\nb"));
        reg.SetValue(HKCU, "S", TRegValue::String("exp", "%HOME%", REG_EXPAND_SZ));
        reg.SetValue(HKCU, "S", TRegValue::String("", "the unnamed value"));
        reg.SetValue(HKCU, "S", TRegValue::String("a=\"b\"\\c", "name with specials"));
        reg.SetValue(HKCU, "S", TRegValue::DWord("d", 0xFFFFFFFFu));
        reg.SetValue(HKCU, "S", TRegValue::Binary("bin", binary));
        reg.SetValue(HKCU, "S", TRegValue::Binary("none", ""));
        reg.SetValue(HKCU, "S", TRegValue{"multi", REG_MULTI_SZ, std::string("a\0b\0", 4)});
        reg.CreateKey(HKCU, "S\\[odd] 100%\xE9");
        reg.CreateKey(TRegRoot::Users, "Empty");
        reg.SetValue(TRegRoot::ClassesRoot, "", TRegValue::DWord("top", 3));
    }
    TRegistryStore again(file);
    EXPECT_EQ(Read(again, "S", "all"), AllBytes());
    EXPECT_EQ(Read(again, "S", "scr"), "\x34\x45\x1b\x4f\x5e\x0f\x34\x06\x1b\x16");
    EXPECT_EQ(Read(again, "S", "crlf"), "a\r\nb");
    EXPECT_EQ(Read(again, "S", ""), "the unnamed value");
    EXPECT_EQ(Read(again, "S", "A=\"B\"\\C"), "name with specials");
    EXPECT_EQ(Read(again, "S", "bin"), binary);
    EXPECT_EQ(Read(again, "S", "none"), "");
    TRegValue v;
    again.QueryValue(HKCU, "S", "d", v);
    EXPECT_EQ(v.Type, REG_DWORD);
    EXPECT_EQ(v.AsDWord(), 0xFFFFFFFFu);
    again.QueryValue(HKCU, "S", "exp", v);
    EXPECT_EQ(v.Type, REG_EXPAND_SZ);
    again.QueryValue(HKCU, "S", "multi", v);
    EXPECT_EQ(v.Type, REG_MULTI_SZ);
    EXPECT_EQ(v.Data, std::string("a\0b\0", 4));
    EXPECT_TRUE(again.KeyExists(HKCU, "S\\[ODD] 100%\xE9"));
    EXPECT_TRUE(again.KeyExists(TRegRoot::Users, "Empty"));
    again.QueryValue(TRegRoot::ClassesRoot, "", "top", v);
    EXPECT_EQ(v.AsDWord(), 3u);
    EXPECT_FALSE(again.Damaged());
    // The text form is line-safe: no raw control bytes reach the file.
    for (char c : Slurp(file)) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20);
}

TEST_F(RegistryTest, FileIsPrivateAndReplacedWhole) {
    TRegistryStore reg(file);
    reg.SetValue(HKCU, "K", TRegValue::String("v", "1"));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ino_t first = st.st_ino;
    reg.SetValue(HKCU, "K", TRegValue::String("v", "2"));
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_NE(st.st_ino, first);  // a new file renamed over the old one, never rewritten in place
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    for (const auto& e : std::filesystem::directory_iterator(dir.Path() / "cfg/Lorvane"))
        EXPECT_EQ(e.path().filename(), "registry.reg");  // no temporary left behind
}

TEST_F(RegistryTest, UpdatesWriteOnceAtTheEnd) {
    TRegistryStore reg(file);
    reg.BeginUpdate();
    reg.BeginUpdate();
    reg.SetValue(HKCU, "K", TRegValue::DWord("a", 1));
    EXPECT_EQ(reg.EndUpdate(), 0);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(reg.EndUpdate(), 0);
    EXPECT_TRUE(TRegistryStore(file).KeyExists(HKCU, "K"));
}

TEST_F(RegistryTest, SeesChangesMadeByAnotherStore) {
    TRegistryStore a(file), b(file);
    a.SetValue(HKCU, "K", TRegValue::String("v", "from a"));
    EXPECT_EQ(Read(b, "K", "v"), "from a");
    b.SetValue(HKCU, "K", TRegValue::String("w", "from b with a longer text"));
    EXPECT_EQ(Read(a, "K", "w"), "from b with a longer text");
}

TEST_F(RegistryTest, DamagedFilesReadEmptyAndAreReplaced) {
    const std::string good = "LORVANE-REGISTRY 1\n[HKEY_CURRENT_USER\\K]\n\"v\"=sz:\"ok\"\n";
    const char* broken[] = {
        "garbage",
        "LORVANE-REGISTRY 1\n\"v\"=sz:\"value before any key\"\n",
        "LORVANE-REGISTRY 1\n[HKEY_NOWHERE\\K]\n",
        "LORVANE-REGISTRY 1\n[HKEY_CURRENT_USER\\K]\n\"v\"=sz:\"no end\n",
        "LORVANE-REGISTRY 1\n[HKEY_CURRENT_USER\\K]\n\"v\"=sz:\"bad \\q escape\"\n",
        "LORVANE-REGISTRY 1\n[HKEY_CURRENT_USER\\K]\n\"v\"=dword:123\n",
        "LORVANE-REGISTRY 1\n[HKEY_CURRENT_USER\\K]\n\"v\"=hex:0g\n",
        "LORVANE-REGISTRY 1\n[HKEY_CURRENT_USER\\K]\n\"v\"=hex(99999999999):00\n",
        "LORVANE-REGISTRY 1\n[HKEY_CURRENT_USER\\\\K]\n",
        "LORVANE-REGISTRY 1\n[HKEY_CURRENT_USER\\K%zz]\n",
        "LORVANE-REGISTRY 1\n[HKEY_CURRENT_USER\\K]\n\"v\"=sz:\"ok\" trailing\n",
    };
    std::filesystem::create_directories(dir.Path() / "cfg/Lorvane");
    Spit(file, good);
    EXPECT_EQ(Read(*std::make_unique<TRegistryStore>(file), "K", "v"), "ok");
    for (std::string text : broken) {
        // A good start does not save a bad end: nothing half-applies.
        size_t body = text.find("\n[");
        if (body != std::string::npos) text = good + text.substr(body + 1);
        Spit(file, text);
        TRegistryStore reg(file);
        EXPECT_TRUE(reg.Damaged()) << text;
        EXPECT_FALSE(reg.KeyExists(HKCU, "K")) << text;
        EXPECT_EQ(reg.Status(), ERROR_SUCCESS);
        ASSERT_EQ(reg.SetValue(HKCU, "New", TRegValue::DWord("n", 1)), 0);
        TRegistryStore again(file);
        EXPECT_FALSE(again.Damaged());
        EXPECT_TRUE(again.KeyExists(HKCU, "New"));
    }
    Spit(file, "");  // an empty file is just an empty registry
    EXPECT_FALSE(TRegistryStore(file).Damaged());
}

TEST_F(RegistryTest, AFileThatCannotBeReadIsNeverWrittenOver) {
    std::filesystem::create_directories(file);  // a folder where the file should be
    std::filesystem::create_directories(file + "/inside");
    TRegistryStore reg(file);
    EXPECT_EQ(reg.Status(), ERROR_ACCESS_DENIED);
    // Writing what we hold (nothing) would replace whatever the file holds.
    EXPECT_EQ(reg.SetValue(HKCU, "K", TRegValue::DWord("v", 1)), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.CreateKey(HKCU, "K"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.DeleteKey(HKCU, "K"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.DeleteValue(HKCU, "", "v"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.Flush(), ERROR_SUCCESS);  // nothing was taken
    EXPECT_TRUE(std::filesystem::is_directory(file + "/inside"));
    reg.BeginUpdate();
    EXPECT_EQ(reg.SetValue(HKCU, "K", TRegValue::DWord("v", 1)), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.EndUpdate(), ERROR_SUCCESS);
    // Once the file reads again, changes are taken and written.
    std::filesystem::remove_all(file);
    EXPECT_EQ(reg.Status(), ERROR_SUCCESS);
    ASSERT_EQ(reg.SetValue(HKCU, "K", TRegValue::DWord("v", 1)), ERROR_SUCCESS);
    EXPECT_TRUE(TRegistryStore(file).KeyExists(HKCU, "K"));
}

TEST_F(RegistryTest, ADamagedFileIsKeptBesideTheNewOne) {
    std::filesystem::create_directories(dir.Path() / "cfg/Lorvane");
    const std::string damaged = "LORVANE-REGISTRY 1\n[HKEY_CURRENT_USER\\K]\nrubbish\n";
    Spit(file, damaged);
    TRegistryStore reg(file);
    EXPECT_TRUE(reg.Damaged());
    EXPECT_FALSE(std::filesystem::exists(file + ".damaged"));  // reading keeps it as it is
    ASSERT_EQ(reg.SetValue(HKCU, "New", TRegValue::DWord("n", 1)), ERROR_SUCCESS);
    EXPECT_EQ(Slurp(file + ".damaged"), damaged);
    TRegistryStore again(file);
    EXPECT_FALSE(again.Damaged());
    EXPECT_TRUE(again.KeyExists(HKCU, "New"));
    // A later good write leaves the kept copy alone.
    ASSERT_EQ(again.SetValue(HKCU, "Two", TRegValue::DWord("n", 2)), ERROR_SUCCESS);
    EXPECT_EQ(Slurp(file + ".damaged"), damaged);
}

TEST_F(RegistryTest, TheDamagedCopyEndsUnderItsNameWhereverASaveIsKilled) {
    const std::string damaged = "LORVANE-REGISTRY 1\n[HKEY_CURRENT_USER\\K]\nrubbish\n";
    const TSafeWriteStep steps[] = {TSafeWriteStep::Create,     TSafeWriteStep::Lock,
                                    TSafeWriteStep::Write,      TSafeWriteStep::Sync,
                                    TSafeWriteStep::Backup,     TSafeWriteStep::Replace,
                                    TSafeWriteStep::KeepBackup, TSafeWriteStep::SyncFolder};
    for (TSafeWriteStep stop : steps) {
        SCOPED_TRACE(int(stop));
        std::filesystem::remove_all(dir.Path() / "cfg");
        std::filesystem::create_directories(dir.Path() / "cfg/Lorvane");
        Spit(file, damaged);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SafeWriteFaultSeam() = [stop](TSafeWriteStep step) {
                if (step == stop) ::_exit(0);
                return 0;
            };
            TRegistryStore(file).SetValue(HKCU, "New", TRegValue::DWord("n", 1));
            ::_exit(1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        // The next save, whatever the file reads as now, leaves the damaged bytes in their copy.
        ASSERT_EQ(TRegistryStore(file).SetValue(HKCU, "Next", TRegValue::DWord("n", 2)), 0);
        EXPECT_EQ(Slurp(file + ".damaged"), damaged);
        EXPECT_TRUE(TRegistryStore(file).KeyExists(HKCU, "Next"));
        for (const auto& e : std::filesystem::directory_iterator(dir.Path() / "cfg/Lorvane"))
            EXPECT_EQ(e.path().string().find(".saving"), std::string::npos) << e.path();
    }
}

TEST_F(RegistryTest, AFolderThatCannotBeSyncedFailsTheWriteAndKeepsItPending) {
    TRegistryStore reg(file);
    SafeWriteFaultSeam() = [](TSafeWriteStep step) {
        return step == TSafeWriteStep::SyncFolder ? EIO : 0;
    };
    EXPECT_NE(reg.SetValue(HKCU, "K", TRegValue::DWord("v", 1)), ERROR_SUCCESS);
    SafeWriteFaultSeam() = nullptr;
    EXPECT_EQ(reg.Flush(), ERROR_SUCCESS);  // still pending, so written again
    EXPECT_TRUE(TRegistryStore(file).KeyExists(HKCU, "K"));
}

TEST_F(RegistryTest, TheFileIsPrivateAndALinkToItStaysALink) {
    std::filesystem::create_directories(dir.Path() / "real");
    std::filesystem::create_directories(dir.Path() / "cfg/Lorvane");
    const std::string real = dir.File("real/settings.reg");
    Spit(real, "LORVANE-REGISTRY 1\n[HKEY_CURRENT_USER\\Old]\n\"v\"=dword:00000001\n");
    ::chmod(real.c_str(), 0644);
    std::filesystem::create_symlink(real, file);
    TRegistryStore reg(file);
    ASSERT_EQ(reg.SetValue(HKCU, "New", TRegValue::DWord("n", 1)), ERROR_SUCCESS);
    EXPECT_TRUE(std::filesystem::is_symlink(file));
    EXPECT_TRUE(TRegistryStore(real).KeyExists(HKCU, "Old"));
    EXPECT_TRUE(TRegistryStore(real).KeyExists(HKCU, "New"));
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path() / "cfg/Lorvane"),
                            std::filesystem::directory_iterator()),
              1);  // no temporary file left beside the link
}

TEST(RegistryLocation, DefaultsBelowTheConfigFolderAndCanBeMoved) {
    TempDir dir;
    const char* was = std::getenv("XDG_CONFIG_HOME");
    std::string saved = was ? was : "";
    ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    EXPECT_EQ(DefaultRegistryFileName(), dir.File("Lorvane/registry.reg"));
    SetRegistryFileName("");
    EXPECT_EQ(RegistryFileName(), DefaultRegistryFileName());
    auto first = Registry();
    SetRegistryFileName(dir.File("other.reg"));
    auto second = Registry();
    EXPECT_NE(first, second);
    EXPECT_EQ(second->FileName(), dir.File("other.reg"));
    second->SetValue(HKCU, "K", TRegValue::DWord("v", 1));
    EXPECT_TRUE(std::filesystem::exists(dir.File("other.reg")));
    SetRegistryFileName("");
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}

TEST(RegistryValue, DWordsAreLittleEndianAndShortDataZeroExtends) {
    EXPECT_EQ(TRegValue::DWord("", 0x01020304).Data, std::string("\x04\x03\x02\x01"));
    EXPECT_EQ(TRegValue::Binary("", std::string("\x01\x00", 2)).AsDWord(), 1u);
    EXPECT_EQ(TRegValue::Binary("", "").AsDWord(), 0u);
    EXPECT_STREQ(RegRootName(TRegRoot::LocalMachine), "HKEY_LOCAL_MACHINE");
}

TEST_F(RegistryTest, AbsurdlyDeepKeysInTheFileAreDamageNotACrash) {
    std::filesystem::create_directories(dir.Path() / "cfg/Lorvane");
    std::string header = "[HKEY_CURRENT_USER";
    for (int i = 0; i < 200000; ++i) header += "\\k";
    Spit(file, "LORVANE-REGISTRY 1\n" + header + "]\n\"v\"=dword:00000001\n");
    TRegistryStore reg(file);
    EXPECT_TRUE(reg.Damaged());
    EXPECT_FALSE(reg.KeyExists(HKCU, "k"));

    // What the file may hold, the store may write, and no deeper: a deeper key would make
    // the whole file read as damaged the next time.
    std::string deepest;
    for (int i = 0; i < 512; ++i) deepest += "\\d";
    ASSERT_EQ(reg.SetValue(HKCU, deepest, TRegValue::DWord("v", 7)), ERROR_SUCCESS);
    EXPECT_EQ(reg.SetValue(HKCU, deepest + "\\e", TRegValue::DWord("v", 1)), ERROR_BADKEY);
    EXPECT_EQ(reg.CreateKey(HKCU, deepest + "\\e"), ERROR_BADKEY);
    TRegistryStore again(file);
    EXPECT_FALSE(again.Damaged());
    EXPECT_EQ(Read(again, deepest, "v"), std::string("\x07\0\0\0", 4));
}

// The whole current-user tree as text: keys, values and types, in listing order.
std::string Dump(TRegistryStore& reg, const std::string& path = "", int depth = 0) {
    std::string out;
    std::vector<TRegValue> values;
    reg.EnumValues(HKCU, path, values);
    for (const auto& v : values)
        out += path + "|" + v.Name + "=" + std::to_string(v.Type) + ":" + v.Data + "\n";
    std::vector<std::string> keys;
    reg.EnumKeys(HKCU, path, keys);
    for (const auto& k : keys) {
        EXPECT_EQ(k.find('\\'), std::string::npos) << k;
        if (depth < 16)
            out += "[" + path + "\\" + k + "]\n" + Dump(reg, path + "\\" + k, depth + 1);
    }
    return out;
}

TEST_F(RegistryTest, ASpelledBackslashInAKeyNameSeparatesKeysAndSurvivesARewrite) {
    std::filesystem::create_directories(dir.Path() / "cfg/Lorvane");
    const std::string head = "LORVANE-REGISTRY 1\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[HKEY_CURRENT_USER\\A%5CB]\n\"v\"=dword:00000001\n", "[\\A]\n[\\A\\B]\n"},
        {"[HKEY_CURRENT_USER\\A%5c]\n\"w\"=sz:\"x\"\n", "[\\A]\n"},
        {"[HKEY_CURRENT_USER\\%5C%5CC%5C%5C\\D]\n", "[\\C]\n[\\C\\D]\n"},
        {"[HKEY_CURRENT_USER\\A\\B%5C]\n[HKEY_CURRENT_USER\\A\\b]\n\"n\"=dword:00000002\n",
         "[\\A]\n[\\A\\B]\n"},
        {"[HKEY_CURRENT_USER\\%5C]\n\"r\"=sz:\"root\"\n", ""},
    };
    for (const auto& [body, keys] : cases) {
        SCOPED_TRACE(body);
        Spit(file, head + body);
        std::string before;
        {
            TRegistryStore reg(file);
            ASSERT_FALSE(reg.Damaged());
            before = Dump(reg);
            std::string names;
            for (size_t at = 0; (at = before.find('[', at)) != std::string::npos; ++at)
                names += before.substr(at, before.find('\n', at) - at + 1);
            EXPECT_EQ(names, keys);
            ASSERT_EQ(reg.SetValue(HKCU, "Written", TRegValue::DWord("n", 1)), ERROR_SUCCESS);
            ASSERT_EQ(reg.DeleteKey(HKCU, "Written"), ERROR_SUCCESS);
        }
        // Read, written, read again: the same tree, and no key name with a backslash.
        TRegistryStore again(file);
        EXPECT_FALSE(again.Damaged());
        EXPECT_EQ(Dump(again), before);
        EXPECT_EQ(Slurp(file).find("%5C"), std::string::npos);
    }
    // Spelled separators count towards the depth a file may hold.
    std::string deep = "[HKEY_CURRENT_USER\\k";
    for (int i = 0; i < 600; ++i) deep += "%5Ck";
    Spit(file, head + deep + "]\n");
    EXPECT_TRUE(TRegistryStore(file).Damaged());
}

}  // namespace
