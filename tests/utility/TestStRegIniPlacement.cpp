// Window placement values in the registry, as the form resizer stores them.
#include "StRegIniPlacement.h"

#include <cmath>
#include <cstring>
#include <filesystem>

#include "OtherUser.h"
#include "RegistryFixture.h"
#include "StBase.h"
#include "StRegIni.h"
#include "platform/FileUtils.h"

namespace {

const std::string Base = "Software\\PellTech\\Lorvane";

class StRegIniPlacementTest : public RegistryFixture {};

TEST_F(StRegIniPlacementTest, ValuesRoundTripAcrossARestart) {
    {
        TStRegIniPlacement store(Base);
        EXPECT_FALSE(store.SectionExists("MainForm"));
        store.WriteInteger("MainForm", "Total Controls", 12);
        store.WriteFloat("MainForm", "Left", 0.125);
        store.WriteFloat("MainForm", "Width", 1.0 / 3.0);
        store.WriteBool("MainForm", "Visible 0", false);
        EXPECT_TRUE(store.SectionExists("mainform"));
        EXPECT_FALSE(std::filesystem::exists(RegFile()));  // nothing written before Commit
        store.Commit();
        EXPECT_TRUE(std::filesystem::exists(RegFile()));
    }
    Restart();
    TStRegIniPlacement store(Base);
    EXPECT_EQ(store.ReadInteger("MainForm", "Total Controls", 0), 12);
    EXPECT_EQ(store.ReadFloat("MainForm", "Left", 0), 0.125);
    EXPECT_EQ(store.ReadFloat("MainForm", "Width", 0), 1.0 / 3.0);  // bit for bit
    EXPECT_FALSE(store.ReadBool("MainForm", "Visible 0", true));
    EXPECT_TRUE(store.ReadBool("MainForm", "Visible 1", true));
    EXPECT_EQ(store.ReadFloat("MainForm", "Top", -1), -1);
    EXPECT_EQ(Raw(Base + "\\MainForm", "Left").Type, REG_BINARY);
    EXPECT_EQ(Raw(Base + "\\MainForm", "Total Controls").Type, REG_DWORD);
}

TEST_F(StRegIniPlacementTest, ReadsHandEditedForms) {
    Put(Base + "\\F", TRegValue::String("Text", " 0,25 "));
    Put(Base + "\\F", TRegValue::String("Num", "42"));
    Put(Base + "\\F", TRegValue::String("Junk", "abc"));
    Put(Base + "\\F", TRegValue::DWord("Whole", 3));
    Put(Base + "\\F", TRegValue::Binary("Short", "\x01"));
    TStRegIniPlacement store(Base);
    EXPECT_EQ(store.ReadFloat("F", "Text", 0), 0.25);
    EXPECT_EQ(store.ReadFloat("F", "Whole", 0), 3.0);
    EXPECT_EQ(store.ReadFloat("F", "Short", 9), 9);  // not eight bytes: not a float
    EXPECT_EQ(store.ReadFloat("F", "Junk", 9), 9);
    EXPECT_EQ(store.ReadInteger("F", "Num", 0), 42);
    EXPECT_EQ(store.ReadInteger("F", "Junk", 7), 7);
    EXPECT_EQ(store.ReadInteger("F", "Short", 0), 1);
    EXPECT_FALSE(store.SectionExists(""));
}

TEST_F(StRegIniPlacementTest, FloatsThatAreNoNumberGiveTheFallback) {
    auto bytesOf = [](double d) {
        std::string b(sizeof d, '\0');
        std::memcpy(b.data(), &d, sizeof d);
        return b;
    };
    Put(Base + "\\F", TRegValue::Binary("NaN", bytesOf(std::nan(""))));
    Put(Base + "\\F", TRegValue::Binary("Inf", bytesOf(-HUGE_VAL)));
    Put(Base + "\\F", TRegValue::String("Huge", "1e999"));
    Put(Base + "\\F", TRegValue::String("Text", "nan"));
    TStRegIniPlacement store(Base);
    EXPECT_EQ(store.ReadFloat("F", "NaN", 0.5), 0.5);
    EXPECT_EQ(store.ReadFloat("F", "Inf", 0.5), 0.5);
    EXPECT_EQ(store.ReadFloat("F", "Huge", 0.5), 0.5);
    EXPECT_EQ(store.ReadFloat("F", "Text", 0.5), 0.5);
}

TEST_F(StRegIniPlacementTest, SharesTheStoreWithTheSettings) {
    {
        TStRegIniPlacement placement(Base);
        placement.WriteInteger("MainForm", "Window State", 2);
    }
    TStRegIni ini("HKEY_CURRENT_USER", false);
    ini.SetCurrentSubKey(Base + "\\MainForm");
    EXPECT_EQ(ini.ReadInteger("Window State", 0), 2);
}

TEST_F(StRegIniPlacementTest, ALongLivedStoreHoldsUpNoOtherWriter) {
    TStRegIniPlacement placement(Base);
    placement.WriteInteger("MainForm", "Window State", 0);  // pending until Commit
    {
        TStRegIni ini("HKEY_CURRENT_USER", false);
        ini.SetCurrentSubKey(Base + "\\File");
        ini.WriteString("Default", "x.bnk");
    }
    TRegistryStore file(RegFile());
    EXPECT_TRUE(file.KeyExists(TRegRoot::CurrentUser, Base + "\\File"));
    placement.Commit();
    placement.WriteInteger("MainForm", "Window State", 2);
    EXPECT_EQ(Raw(Base + "\\MainForm", "Window State").AsDWord(), 2u);  // seen in memory at once
}

TEST_F(StRegIniPlacementTest, CommitReportsAFileThatCannotBeWritten) {
    TStRegIniPlacement store(Base);
    store.WriteInteger("F", "v", 1);
    std::filesystem::create_directory(RegFile());
    EXPECT_THROW(store.Commit(), EStRegIniError);
    std::filesystem::remove(RegFile());
}

TEST_F(StRegIniPlacementTest, NeverWritesOverASettingsFileItCouldNotRead) {
    {
        TStRegIni ini("HKEY_CURRENT_USER", false);
        ini.SetCurrentSubKey(Base + "\\Options");
        for (int i = 0; i < 50; ++i) ini.WriteInteger("v" + std::to_string(i), i);
    }
    const std::string saved = RegFile() + ".saved";
    std::filesystem::rename(RegFile(), saved);
    // Unreadable: a folder in the file's place, and a file of no access.
    std::filesystem::create_directory(RegFile());
    Restart();
    {
        TStRegIniPlacement placement(Base);
        EXPECT_THROW(placement.WriteInteger("MainForm", "Window State", 2), EStRegIniError);
        placement.Commit();  // nothing was taken, so nothing is written
    }
    EXPECT_TRUE(std::filesystem::is_directory(RegFile()));
    std::filesystem::remove(RegFile());
    std::filesystem::rename(saved, RegFile());
    // A file of no access to an unprivileged user (root reads any file), in a folder it enters.
    const TempDir reachable(true);
    const std::string closed = reachable.File("registry.reg");
    std::filesystem::copy_file(RegFile(), closed);
    std::filesystem::permissions(closed, std::filesystem::perms::none);
    EXPECT_TRUE(AsUnprivilegedUser([&] {
        SetRegistryFileName(closed);
        TStRegIniPlacement placement(Base);
        try {
            placement.WriteInteger("MainForm", "Window State", 2);
        } catch (const EStRegIniError&) {
            return true;
        }
        return false;
    }));
    std::filesystem::permissions(closed, std::filesystem::perms::owner_read);
    EXPECT_EQ(ReadFileBytes(closed), ReadFileBytes(RegFile()));
    Restart();
    TStRegIni again("HKEY_CURRENT_USER", false);
    again.SetCurrentSubKey(Base + "\\Options");
    EXPECT_EQ(again.ReadInteger("v49", -1), 49);  // every value still there
}

}  // namespace
