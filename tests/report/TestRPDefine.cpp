#include <gtest/gtest.h>

#include "RPDefine.h"

TEST(ShadeColor, LightensTowardsWhite) {
    EXPECT_EQ(ShadeColor(RGBColor(0, 0, 0), 50), RGBColor(127, 127, 127));
    EXPECT_EQ(ShadeColor(RGBColor(0, 0, 0), 100), RGBColor(0, 0, 0));
    EXPECT_EQ(ShadeColor(RGBColor(0, 0, 0), 150), RGBColor(0, 0, 0));
    EXPECT_EQ(ShadeColor(RGBColor(0, 0, 0), 0), RGBColor(255, 255, 255));
    EXPECT_EQ(ShadeColor(RGBColor(200, 100, 0), 50), RGBColor(227, 177, 127));
}

TEST(ReportDefinitions, HookTranslatesRaisedMessagesAndVersionIsFixed) {
    TranslateHook = [](const std::string& s) { return "<" + s + ">"; };
    try {
        RaiseError(Trans(SDeviceNotPrinting));
        FAIL();
    } catch (const EPrintReport& e) {
        EXPECT_STREQ(e.what(), "<Invalid method call.  Device is not printing.>");
    }
    TranslateHook = DefaultTranslate;
    TRPComponent c;
    c.SetVersion("9");
    EXPECT_EQ(c.Version(), "4.05 (FRM5)");
}
