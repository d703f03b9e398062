// The calendar library's base: month lengths, its message tables, the attached label's
// placement and the caption label's presets, schemes and settings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "EsBase.h"
#include "EsCal.h"
#include "EsLabel.h"
#include "EsSrMgr.h"
#include "EsUtil.h"
#include "platform/ChildControls.h"
#include "platform/EventLoop.h"

namespace {

// ---- Dates ------------------------------------------------------------------------------

TEST(EsDates, DaysInMonthFollowTheGregorianRule) {
    EXPECT_EQ(EsDaysInMonth(2000, 2), 29);
    EXPECT_EQ(EsDaysInMonth(1900, 2), 28);
    EXPECT_EQ(EsDaysInMonth(2004, 2), 29);
    EXPECT_EQ(EsDaysInMonth(2001, 2), 28);
    EXPECT_EQ(EsDaysInMonth(4000, 2), 29);
    EXPECT_EQ(EsDaysInMonth(2001, 4), 30);
    EXPECT_EQ(EsDaysInMonth(2001, 12), 31);
    EXPECT_EQ(EsDaysInMonth(2001, 13), 0);
    EXPECT_EQ(EsDaysInMonth(2001, 0), 0);
    EXPECT_EQ(EsDaysInMonth(100, 1), 31);
}

TEST(EsDates, YearsBelowOneHundredRaise) {
    try {
        EsDaysInMonth(99, 2);
        FAIL() << "no error";
    } catch (const EEsError& e) {
        EXPECT_EQ(e.Message, "Invalid year \"99\"");
    }
    // The grid's own month length never raises.
    EXPECT_EQ(EsMonthLength(99, 12), 31);
}

TEST(EsDates, ColourBytes) {
    const TEsRGB rgb = EsSplitColor(0x123456);
    EXPECT_EQ(rgb.Red, 0x56);
    EXPECT_EQ(rgb.Green, 0x34);
    EXPECT_EQ(rgb.Blue, 0x12);
    EXPECT_EQ(EsMinInt(3, -2), -2);
    EXPECT_EQ(EsMaxInt(3, -2), 3);
}

// ---- Message tables ---------------------------------------------------------------------

TEST(EsStrings, MessagesByIdAndEmptyForMissingOnes) {
    const TEsStringResource& messages = EsMessageResource();
    EXPECT_EQ(messages.GetString(35), "Invalid year");
    EXPECT_EQ(messages.GetString(39), "Invalid date");
    EXPECT_EQ(messages.GetString(12), "Blue");
    EXPECT_EQ(messages.GetString(30), "No label is attached");
    EXPECT_EQ(messages.GetString(20), "");
}

TEST(EsStrings, AMissingTableIsReportedWithTheLibrarysText) {
    try {
        TEsStringResource reader("NO_SUCH_TABLE");
        FAIL() << "opened";
    } catch (const EStringResourceError& e) {
        EXPECT_EQ(e.Message, "String resource not found: NO_SUCH_TABLE");
    }
    EXPECT_EQ(EsErrorTextResource().GetString(5), "Invalid string resource");
}

// ---- The attached label -----------------------------------------------------------------

TEST(EsLabelPlacement, AboveAndBelowRoundTrip) {
    const TRect control{10, 50, 210, 190};
    TPoint above = EsLabelPosition(control, 20, 3, -2, false);
    EXPECT_EQ(above.X, 13);
    EXPECT_EQ(above.Y, 50 - 2 - 20);
    TPoint below = EsLabelPosition(control, 20, 3, -2, true);
    EXPECT_EQ(below.Y, 190 - 2);
    for (bool isBelow : {false, true}) {
        const TPoint at = isBelow ? below : above;
        int x = 0, y = 0;
        EsLabelOffsets(control, TRect{at.X, at.Y, at.X + 40, at.Y + 20}, isBelow, x, y);
        EXPECT_EQ(x, 3);
        EXPECT_EQ(y, -2);
    }
}

// A site with a window for every label.
struct TakingSite : TEsLabelSite {
    bool Adopt(TEsAttachedLabel&) override { return true; }
};

TEST(EsLabelPlacement, VisibleCreatesTheNamedLabelAboveTheControl) {
    TEsCalendar calendar;
    calendar.Name = "ChgDateACal";
    calendar.SetLabelSite(std::make_unique<TakingSite>());
    calendar.SetBounds(20, 60, 200, 140);
    calendar.EsLabelInfo().SetVisible(true);
    TEsAttachedLabel* label = calendar.EsLabelInfo().Label();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Caption(), "ChgDateACalLabel");
    EXPECT_EQ(label->EsControl(), &calendar);
    EXPECT_EQ(label->Top() + label->Height(), 60);
    EXPECT_EQ(label->Left(), 20);
    EXPECT_EQ(label->ColorScheme(), csText);
    EXPECT_EQ(label->Appearance(), apNone);
    EXPECT_FALSE(label->Transparent());

    calendar.EsLabelInfo().SetOffsetX(5);
    EXPECT_EQ(label->Left(), 25);
    calendar.SetLabelBelow(true);
    EXPECT_EQ(label->Top(), 200);
    label->SetBounds(40, 210, label->Width(), label->Height());
    calendar.LabelMoved();
    EXPECT_EQ(calendar.EsLabelInfo().OffsetX(), 20);
    EXPECT_EQ(calendar.EsLabelInfo().OffsetY(), 10);

    calendar.EsLabelInfo().SetVisible(false);
    EXPECT_EQ(calendar.EsLabelInfo().Label(), nullptr);
}

TEST(EsLabelPlacement, WithoutASiteTheLabelJoinsTheParentControl) {
    TEsCalendar calendar;
    calendar.EsLabelInfo().SetVisible(true);
    EXPECT_EQ(calendar.EsLabelInfo().Label(), nullptr) << "no parent";
    TEsCalendar form;
    SetParentControl(calendar, &form);
    calendar.SetBounds(20, 60, 200, 140);
    calendar.EsLabelInfo().SetVisible(true);
    TEsAttachedLabel* label = calendar.EsLabelInfo().Label();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(ParentControl(*label), &form);
    EXPECT_EQ(label->Top() + label->Height(), 60);
    SetParentControl(calendar, nullptr);
}

TEST(EsLabelPlacement, ALabelInTheParentControlFollowsTheControl) {
    TEsCalendar form;
    TEsCalendar calendar;
    SetParentControl(calendar, &form);
    calendar.SetBounds(20, 60, 200, 140);
    calendar.EsLabelInfo().SetVisible(true);
    calendar.SetLabelBelow(true);
    calendar.EsLabelInfo().SetOffsetX(5);
    TEsAttachedLabel* label = calendar.EsLabelInfo().Label();
    ASSERT_NE(label, nullptr);
    TCustomControl& control = calendar;  // a move made through the plain control
    control.SetBounds(30, 10, 200, 100);
    ProcessMessages(false);
    EXPECT_EQ(label->Left(), 35);
    EXPECT_EQ(label->Top(), 110);
    calendar.SetHeight(120);  // a change of size moves a label below the control too
    ProcessMessages(false);
    EXPECT_EQ(label->Top(), 130);
    SetParentControl(calendar, nullptr);
}

// ---- The caption label ------------------------------------------------------------------

TEST(EsCaptionLabel, NewLabelDefaults) {
    TEsCustomLabel label;
    EXPECT_EQ(label.Appearance(), apRaised);
    EXPECT_EQ(label.ColorScheme(), csWindows);
    EXPECT_EQ(label.Width(), 150);
    EXPECT_EQ(label.Height(), 35);
    EXPECT_TRUE(label.Transparent());
    EXPECT_TRUE(label.WordWrap());
    EXPECT_EQ(label.Font().Name(), "Times New Roman");
    EXPECT_EQ(label.Font().Size(), 20);
    EXPECT_EQ(label.Font().Color(), 0x808080);
}

TEST(EsCaptionLabel, AppearancePresets) {
    TEsCustomLabel label;
    TEsCustomSettings& s = label.CustomSettings();
    label.SetColorScheme(csGold);
    label.SetAppearance(apFlying);
    EXPECT_EQ(s.HighlightDirection(), sdDownRight);
    EXPECT_EQ(s.HighlightDepth(), 1);
    EXPECT_EQ(s.ShadowDirection(), sdDownRight);
    EXPECT_EQ(s.ShadowDepth(), 5);
    EXPECT_EQ(s.HighlightColor(), 0x000000);  // the scheme's shadow colour
    label.SetAppearance(apRaised);
    EXPECT_EQ(s.HighlightColor(), 0x00FFFF);
    EXPECT_EQ(s.HighlightDirection(), sdUpLeft);
    EXPECT_EQ(s.ShadowDirection(), sdDownRight);
    label.SetAppearance(apSunken);
    EXPECT_EQ(s.HighlightDirection(), sdDownRight);
    EXPECT_EQ(s.ShadowDirection(), sdUpLeft);
    EXPECT_EQ(s.ShadowDepth(), 1);
    label.SetAppearance(apShadow);
    EXPECT_EQ(s.HighlightDirection(), sdNone);
    EXPECT_EQ(s.HighlightDepth(), 0);
    EXPECT_EQ(s.ShadowDepth(), 2);
    label.SetAppearance(apNone);
    EXPECT_EQ(s.ShadowDirection(), sdNone);
    EXPECT_EQ(s.ShadowDepth(), 0);
    // apCustom keeps what the user set, the highlight colour included.
    s.SetHighlightColor(0x123456);
    s.SetShadowDepth(4);
    label.SetAppearance(apCustom);
    EXPECT_EQ(s.HighlightColor(), 0x123456);
    EXPECT_EQ(s.ShadowDepth(), 4);
    EXPECT_EQ(label.Appearance(), apCustom);
    // Through the setters nothing switches to custom.
    label.SetColorScheme(csSteel);
    label.SetAppearance(apRaised);
    EXPECT_EQ(label.ColorScheme(), csSteel);
    EXPECT_EQ(label.Appearance(), apRaised);
}

TEST(EsCaptionLabel, SchemesAndDirectChanges) {
    TEsCustomLabel label;
    label.SetColorScheme(csGold);
    EXPECT_EQ(label.CustomSettings().HighlightColor(), 0x00FFFF);
    EXPECT_EQ(label.CustomSettings().ShadowColor(), 0x000000);
    EXPECT_EQ(label.Font().Color(), 0x008080);
    const TEsSchemeColors custom = label.SchemeColors(csCustom);
    EXPECT_EQ(custom.Highlight, 0x00FFFF);
    EXPECT_EQ(custom.Font, 0x008080);

    label.CustomSettings().SetShadowColor(0x0000FF);
    EXPECT_EQ(label.ColorScheme(), csCustom);
    EXPECT_EQ(label.Appearance(), apRaised);
    label.CustomSettings().SetShadowDepth(3);
    EXPECT_EQ(label.Appearance(), apCustom);
}

TEST(EsCaptionLabel, SettingsBatchAndAssign) {
    TEsCustomSettings a;
    int notifications = 0;
    unsigned seen = 0;
    a.OnChange = [&](unsigned what) {
        ++notifications;
        seen |= what;
    };
    a.BeginUpdate();
    a.SetShadowDepth(3);
    a.SetHighlightColor(0x00FF00);
    a.SetGraduateStyle(gsVertical);
    EXPECT_EQ(notifications, 0);
    a.EndUpdate();
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(seen, unsigned(esColorsChanged | esOtherChanged));

    TEsCustomSettings b;
    b.SetGraduateFromColor(1);
    b.SetGraduateStyle(gsHorizontal);
    b.SetHighlightColor(2);
    b.SetHighlightDepth(3);
    b.SetHighlightDirection(sdLeft);
    b.SetHighlightStyle(ssExtrude);
    b.SetShadowColor(4);
    b.SetShadowDepth(5);
    b.SetShadowDirection(sdUp);
    b.SetShadowStyle(ssGraduated);
    notifications = 0;
    a.Assign(b);
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(a.GraduateFromColor(), 1);
    EXPECT_EQ(a.GraduateStyle(), gsHorizontal);
    EXPECT_EQ(a.HighlightColor(), 2);
    EXPECT_EQ(a.HighlightDepth(), 3);
    EXPECT_EQ(a.HighlightDirection(), sdLeft);
    EXPECT_EQ(a.HighlightStyle(), ssExtrude);
    EXPECT_EQ(a.ShadowColor(), 4);
    EXPECT_EQ(a.ShadowDepth(), 5);
    EXPECT_EQ(a.ShadowDirection(), sdUp);
    EXPECT_EQ(a.ShadowStyle(), ssGraduated);
}

TEST(EsCaptionLabel, PaintsHighlightShadowAndFace) {
    TEsCustomLabel label;
    label.SetCaption("Lorvane");
    label.SetTransparent(false);
    label.SetColor(clWhite);
    label.SetColorScheme(csGold);
    label.SetAppearance(apRaised);
    label.HandleNeeded();
    TBitmap bitmap(label.Width(), label.Height());
    label.PaintTo(bitmap);
    if (const char* dir = std::getenv("LORVANE_PNG_DIR"))
        bitmap.SaveToFile(std::string(dir) + "/label.png");
    bool face = false, shadow = false;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            face = face || bitmap.Pixel(x, y) == 0x008080;
            shadow = shadow || bitmap.Pixel(x, y) == 0x000000;
        }
    EXPECT_TRUE(face);
    EXPECT_TRUE(shadow);
}

TEST(EsCaptionLabel, WrapsByWords) {
    auto measure = [](std::string_view s) { return int(s.size()) * 10; };
    EXPECT_EQ(EsWrapCaption("one two three", 75, measure),
              (std::vector<std::string>{"one two", "three"}));
    EXPECT_EQ(EsWrapCaption("a\nb", 100, measure), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(EsWrapCaption("", 100, measure), (std::vector<std::string>{""}));
}

}  // namespace
