// The configuration dialog's rules: filling, Save's checks and the copy back.
#include <gtest/gtest.h>

#include <filesystem>

#include "BankFixture.h"
#include "ConfigTexts.h"
#include "Security.h"
#include "TempDir.h"
#include "platform/Registry.h"

namespace {

TEST(ConfigTexts, SettingsRoundTripAndTheDesktopBrowserFillsOnlyAnEmptyFirstPath) {
    TSettings s;
    for (const TConfigSwitch& sw : ConfigSwitches) s.*sw.Setting = !(s.*sw.Setting);
    s.NoOfURLs = 1;
    s.StartupURLs[0] = "a";
    s.Browser2 = s.Browser = "/usr/bin/two";
    s.DefaultBrowserNo = 2;
    s.WgFontColor = 0x123456;
    s.AutoScrollInt = 7;
    TConfigFormTexts t = ConfigFormTexts(s, "/usr/bin/web");
    EXPECT_EQ(t.BrowserPaths[0], "");
    EXPECT_EQ(t.Delays[2], "7");
    TSettings back;
    CopyConfigFormTexts(t, back);
    EXPECT_EQ(back, s);

    t = ConfigFormTexts(TSettings(), "/usr/bin/web");
    CopyConfigFormTexts(t, back);
    EXPECT_EQ(back.Browser1, "/usr/bin/web");
    EXPECT_EQ(back.Browser, "/usr/bin/web");
}

TEST(ConfigTexts, SaveStopsAtTheFirstBadDelayThenAtDifferentPasswords) {
    TConfigFormTexts t = ConfigFormTexts(TSettings(), "");
    EXPECT_FALSE(CheckConfigFormTexts(t));
    const std::pair<size_t, std::string> bad[] = {
        {0, "0"}, {1, "10001"}, {1, ""}, {2, "1001"}, {0, "12x"}};
    const char* messages[] = {"Value 0 out of range 1..10000", "Value 10001 out of range 1..10000",
                              "Value  out of range 1..10000", "Value 1001 out of range 1..1000",
                              "\"12x\" is not a valid integer number"};
    for (size_t i = 0; i < std::size(bad); ++i) {
        TConfigFormTexts d = t;
        d.Delays[bad[i].first] = bad[i].second;
        d.BankPassword = "other";  // the delays come first
        const auto fault = CheckConfigFormTexts(d);
        ASSERT_TRUE(fault) << i;
        EXPECT_EQ(fault->Field, TConfigField(cfAutoExpandDelay + int(bad[i].first)));
        EXPECT_EQ(fault->Page, cpTreeAction);
        EXPECT_EQ(fault->Message, messages[i]);
    }
    t.BankPassword = "one";
    t.BankPassword2 = "two";
    const auto fault = CheckConfigFormTexts(t);
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->Field, cfBankPassword2);
    EXPECT_EQ(fault->Page, cpSecurity);
    EXPECT_EQ(fault->Message, "The PassWord entries are not the same.\rPlease try again.");
}

TEST(ConfigTexts, CopyTrimsCutsAndLimits) {
    TConfigFormTexts t = ConfigFormTexts(TSettings(), "");
    t.BankPassword = t.BankPassword2 = "  " + std::string(300, 'p') + " ";
    t.UserName = " me ";
    t.WorkGroupUser = " /w/users.wbu\t";
    for (int i = 0; i < 30; ++i) t.StartupNames.push_back("n" + std::to_string(i));
    t.CleanUpLines = {" Home ", "", "Welcome"};
    t.Fonts[1] = {"Courier", 12, 0xFF, TFontStyles(fsItalic | fsUnderline)};
    t.BrowserPaths = {"/one", "/two", "/three"};
    t.DefaultBrowserItem = -1;  // no item checked
    TSettings s;
    CopyConfigFormTexts(t, s);
    EXPECT_EQ(s.BankPassword, std::string(255, 'p'));
    EXPECT_EQ(s.UserName, "me");
    EXPECT_EQ(s.WorkGroupUser, "/w/users.wbu");
    EXPECT_EQ(s.NoOfURLs, MaxStartupURLs);
    EXPECT_EQ(s.StartupURLs.back(), "n24");
    EXPECT_EQ(s.CleanUpPhrases, (std::vector<std::string>{"Home", "Welcome"}));
    EXPECT_EQ(s.WgFontStyle, fsItalic);
    EXPECT_EQ(s.DefaultBrowserNo, 1);
    EXPECT_EQ(s.Browser, "/one");
}

class ConfigSave : public BankFixture {
protected:
    ConfigSave() { SetRegistryFileName(dir.File("registry.reg")); }
    ~ConfigSave() override { SetRegistryFileName(""); }
    TempDir dir;
};

TEST_F(ConfigSave, SavesAndAsksForValidationAndRebuildOnlyWhenNeeded) {
    ProgramState().UserValidated = UserValid() = true;
    TSettings settings;
    TConfigFormTexts t = ConfigFormTexts(settings, "");
    t.CleanUpLines = {"Home"};
    EXPECT_FALSE(ApplyConfiguration(settings, t));
    EXPECT_TRUE(SaveConfiguration(settings));
    EXPECT_TRUE(UserValidated());
    LoadSettings();
    EXPECT_EQ(Settings().CleanUpPhrases, std::vector<std::string>{"Home"});
    // A new user is validated again; interleaving the workgroup bank rebuilds the tree.
    t.UserName = "someone";
    t.SwitchItems[2] = 1;  // rgInterleave "Yes"
    EXPECT_TRUE(ApplyConfiguration(settings, t));
    EXPECT_FALSE(UserValidated());
    EXPECT_FALSE(UserValid());
}

TEST_F(ConfigSave, AStoreThatCannotBeWrittenIsReportedAndTheSettingsStay) {
    std::filesystem::create_directory(dir.File("blocked.reg"));
    SetRegistryFileName(dir.File("blocked.reg"));
    TSettings settings;
    TConfigFormTexts t = ConfigFormTexts(settings, "");
    t.UserName = "someone";
    ApplyConfiguration(settings, t);
    EXPECT_FALSE(SaveConfiguration(settings));
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(settings.UserName, "someone");
}

}  // namespace
