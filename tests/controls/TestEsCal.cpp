// The month calendar: its grid, steps and range, layout, colours, and the control's keys,
// wheel, mouse and month menu.
#include <gtest/gtest.h>

#include <cstdlib>

#include "EsCal.h"
#include "EsCalModel.h"

namespace {

TDateTime D(int y, int m, int d) {
    return EncodeDate(y, m, d);
}

TEsCalendarModel At(int y, int m, int d, TEsDayType weekStarts = dtSunday) {
    TEsCalendarModel model;
    model.SetWeekStarts(weekStarts);
    model.SetDate(D(y, m, d));
    return model;
}

// ---- Grid -------------------------------------------------------------------------------

TEST(EsCalGrid, June2025WithMondayAndSundayStarts) {
    const TEsCalGrid monday = EsBuildCalendarGrid(2025, 6, dtMonday);
    EXPECT_EQ(monday.First, 7);
    EXPECT_EQ(monday.Last, 36);
    for (int cell = 1; cell <= 6; ++cell) EXPECT_EQ(monday.Days[size_t(cell - 1)], 25 + cell);
    EXPECT_EQ(monday.Days[6], 1);
    EXPECT_EQ(monday.Days[35], 30);
    for (int cell = 37; cell <= 42; ++cell) EXPECT_EQ(monday.Days[size_t(cell - 1)], cell - 36);

    const TEsCalGrid sunday = EsBuildCalendarGrid(2025, 6, dtSunday);
    EXPECT_EQ(sunday.First, 1);
    EXPECT_EQ(sunday.Last, 30);
    EXPECT_EQ(sunday.Days[30], 1);
}

TEST(EsCalGrid, March2024AndTheFirstYear) {
    EXPECT_EQ(EsBuildCalendarGrid(2024, 3, dtMonday).First, 5);
    const TEsCalGrid sunday = EsBuildCalendarGrid(2024, 3, dtSunday);
    EXPECT_EQ(sunday.First, 6);
    EXPECT_EQ(sunday.Days[0], 25);  // February 2024 has 29 days
    // January of year 100 shows December of year 99 without raising.
    const TEsCalGrid first = EsBuildCalendarGrid(100, 1, dtSunday);
    EXPECT_EQ(first.Days[size_t(first.First - 1)], 1);
    if (first.First > 1) {
        EXPECT_EQ(first.Days[size_t(first.First - 2)], 31);
    }
}

// ---- Steps ------------------------------------------------------------------------------

TEST(EsCalSteps, MonthStepsClampTheDay) {
    const TDateTime today = D(2025, 6, 15);
    auto key = [&](TEsCalendarModel m, uint16_t k, TShiftState s = 0) {
        m.KeyDown(k, s, today);
        return m.Date();
    };
    EXPECT_EQ(key(At(2024, 3, 31), VK_PRIOR), D(2024, 2, 29));
    EXPECT_EQ(key(At(2023, 3, 31), VK_PRIOR), D(2023, 2, 28));
    EXPECT_EQ(key(At(2024, 1, 15), VK_PRIOR), D(2023, 12, 15));
    EXPECT_EQ(key(At(2023, 1, 31), VK_NEXT), D(2023, 2, 28));
    EXPECT_EQ(key(At(2023, 12, 5), VK_NEXT), D(2024, 1, 5));
}

TEST(EsCalSteps, YearStepsAndModifiers) {
    const TDateTime today = D(2025, 6, 15);
    auto key = [&](TEsCalendarModel m, uint16_t k, TShiftState s = 0) {
        m.KeyDown(k, s, today);
        return m.Date();
    };
    EXPECT_EQ(key(At(2000, 2, 29), VK_NEXT, ssCtrl), D(2001, 2, 28));
    EXPECT_EQ(key(At(2004, 2, 29), VK_PRIOR, ssCtrl), D(2003, 2, 28));
    EXPECT_EQ(key(At(2004, 2, 10), VK_PRIOR, ssCtrl | ssShift), D(2003, 2, 10));
    EXPECT_EQ(key(At(2004, 2, 10), VK_PRIOR, ssShift), D(2004, 2, 10));
    EXPECT_EQ(key(At(2004, 2, 10), VK_HOME), D(2004, 2, 1));
    EXPECT_EQ(key(At(2004, 2, 10), VK_END), D(2004, 2, 29));
    EXPECT_EQ(key(At(2004, 2, 29), VK_RIGHT), D(2004, 3, 1));
    EXPECT_EQ(key(At(2004, 3, 1), VK_LEFT), D(2004, 2, 29));
    EXPECT_EQ(key(At(2004, 3, 3), VK_UP), D(2004, 2, 25));
    EXPECT_EQ(key(At(2004, 2, 25), VK_DOWN), D(2004, 3, 3));
    for (uint16_t k : {VK_HOME, VK_END, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN})
        for (TShiftState s : {ssShift, ssCtrl, ssAlt})
            EXPECT_EQ(key(At(2004, 2, 10), k, s), D(2004, 2, 10)) << k << " " << s;
    EXPECT_EQ(key(At(2004, 2, 10), VK_BACK, ssAlt), today);
    EXPECT_EQ(key(At(2004, 2, 10), VK_BACK), D(2004, 2, 10));
}

TEST(EsCalSteps, TheWheelBands) {
    TEsCalendarModel m = At(2024, 3, 15);
    EXPECT_TRUE(m.Wheel(120));
    EXPECT_EQ(m.Date(), D(2024, 2, 15));
    EXPECT_TRUE(m.Wheel(-120));
    EXPECT_EQ(m.Date(), D(2024, 3, 15));
    EXPECT_TRUE(m.Wheel(60));
    EXPECT_EQ(m.Date(), D(2024, 3, 8));
    EXPECT_TRUE(m.Wheel(-15));
    EXPECT_EQ(m.Date(), D(2024, 3, 15));
    EXPECT_TRUE(m.Wheel(240));
    EXPECT_EQ(m.Date(), D(2023, 3, 15));
    EXPECT_TRUE(m.Wheel(-121));
    EXPECT_EQ(m.Date(), D(2024, 3, 15));
    EXPECT_FALSE(m.Wheel(0));
}

TEST(EsCalSteps, NothingLeavesTheRange) {
    TEsCalendarModel m = At(100, 1, 1);
    const TDateTime today = D(2025, 6, 15);
    EXPECT_EQ(m.Date(), EsFirstCalendarDate);
    for (uint16_t k : {VK_LEFT, VK_UP, VK_PRIOR}) EXPECT_FALSE(m.KeyDown(k, 0, today));
    EXPECT_FALSE(m.KeyDown(VK_PRIOR, ssCtrl, today));
    EXPECT_FALSE(m.Wheel(120));
    EXPECT_EQ(m.Date(), EsFirstCalendarDate);
    EXPECT_FALSE(m.SetDate(EsFirstCalendarDate - 1));

    m = At(9999, 12, 31);
    EXPECT_EQ(m.Date(), EsLastCalendarDate);
    for (uint16_t k : {VK_RIGHT, VK_DOWN, VK_NEXT}) EXPECT_FALSE(m.KeyDown(k, 0, today));
    EXPECT_FALSE(m.KeyDown(VK_NEXT, ssCtrl, today));
    EXPECT_FALSE(m.Wheel(-500));
    EXPECT_EQ(m.Date(), EsLastCalendarDate);
    // A step that stays inside still works at the end of the range.
    m = At(9999, 12, 20);
    EXPECT_TRUE(m.KeyDown(VK_END, 0, today));
    EXPECT_EQ(m.Date(), EsLastCalendarDate);
}

TEST(EsCalSteps, MonthMenuWrapsAcrossYears) {
    TEsCalendarModel m = At(2025, 1, 31);
    const auto items = m.MonthMenu();
    ASSERT_EQ(items.size(), 7u);
    const int months[7] = {10, 11, 12, 1, 2, 3, 4};
    const int years[7] = {2024, 2024, 2024, 2025, 2025, 2025, 2025};
    for (size_t k = 0; k < 7; ++k) {
        EXPECT_EQ(items[k].Month, months[k]);
        EXPECT_EQ(items[k].Year, years[k]);
    }
    EXPECT_TRUE(m.ChooseMonth(items[4]));
    EXPECT_EQ(m.Date(), D(2025, 2, 28));

    const auto late = At(2025, 11, 15).MonthMenu();
    EXPECT_EQ(late[5].Month, 1);
    EXPECT_EQ(late[5].Year, 2026);
    EXPECT_EQ(late[0].Year, 2025);
}

// ---- Layout and colours -----------------------------------------------------------------

TEST(EsCalLayout, FromTheTextHeight) {
    const TEsCalLayout a = EsLayoutCalendar(200, 140, 16, 9, true);
    // Columns: 192 div 7 = 27, and 192 mod 7 + 1 = 4 columns one pixel more.
    EXPECT_EQ(a.Cells[0][0], (TRect{4, 4, 32, 27}));
    EXPECT_EQ(a.Cells[2][3], (TRect{88, 52, 116, 66}));
    EXPECT_EQ(a.Cells[2][4], (TRect{116, 52, 143, 66}));
    EXPECT_EQ(a.Cells[1][0], (TRect{4, 27, 32, 52}));  // 24 + 1 of the 3 left over
    EXPECT_EQ(a.Cells[7][6], (TRect{170, 122, 197, 136}));
    EXPECT_EQ(a.LeftArrow, (TRect{4, 4, 28, 23}));
    EXPECT_EQ(a.LeftArrows, (TRect{28, 4, 52, 23}));
    EXPECT_EQ(a.RightArrow, (TRect{172, 4, 196, 23}));
    EXPECT_EQ(a.RightArrows, (TRect{148, 4, 172, 23}));
    EXPECT_EQ(a.TodayButton, (TRect{146, 122, 196, 136}));
    // Halves round to even: 1.3 x 15 = 19.5 gives 20, 1.5 x 15 = 22.5 gives 22.
    const TEsCalLayout b = EsLayoutCalendar(200, 140, 15, 9, false);
    EXPECT_EQ(b.Cells[0][0].Height(), 20);
    EXPECT_EQ(b.Cells[1][0].Height(), 22);
    EXPECT_EQ(b.Cells[2][0].Height(), 15);
    EXPECT_TRUE(b.TodayButton.IsEmpty());
    // Narrow columns still leave room for the glyph.
    EXPECT_EQ(EsLayoutCalendar(50, 140, 15, 9, true).LeftArrow.Width(), 12);
}

TEST(EsCalLayout, HeaderFallsBackToTheShortMonth) {
    auto measure = [](std::string_view s) { return int(s.size()) * 7; };
    const TDateTime date = D(2025, 9, 3);
    EXPECT_EQ(EsCalendarHeaderText(date, dfLong, 98, measure), "September 2025");
    EXPECT_EQ(EsCalendarHeaderText(date, dfLong, 97, measure), "Sep 2025");
    EXPECT_EQ(EsCalendarHeaderText(date, dfShort, 500, measure), "Sep 2025");
}

TEST(EsCalColorsTest, SchemesAndDirectChanges) {
    TEsCalColors colors;
    int changes = 0;
    colors.OnChange = [&] { ++changes; };
    EXPECT_EQ(colors.ColorScheme(), TEsCalColorScheme::csWindows);
    EXPECT_EQ(colors.ActiveDay(), 0x0000FF);
    EXPECT_EQ(colors.MonthAndYear(), 0xFF0000);
    colors.SetColorScheme(TEsCalColorScheme::csOcean);
    EXPECT_EQ(colors.Days(), 0xFFFF00);
    EXPECT_EQ(colors.Weekend(), 0x800000);
    colors.SetColorScheme(TEsCalColorScheme::csGold);
    EXPECT_EQ(colors.Days(), 0x00FFFF);
    colors.SetColorScheme(TEsCalColorScheme::csRose);
    EXPECT_EQ(colors.Days(), 0xFF00FF);
    colors.SetColor(cciDays, 0x010203);
    EXPECT_EQ(colors.ColorScheme(), TEsCalColorScheme::csCustom);
    EXPECT_EQ(colors.Days(), 0x010203);
    EXPECT_EQ(colors.DayNames(), 0x0000FF);  // the rest stays
    colors.SetColorScheme(TEsCalColorScheme::csCustom);
    EXPECT_EQ(colors.Days(), 0x010203);
    EXPECT_EQ(changes, 5);
}

// ---- The control ------------------------------------------------------------------------

class TestCalendar : public TEsCalendar {
public:
    TestCalendar() {
        Today = [] { return D(2025, 6, 15); };
        OnChange = [this](TObject*, TDateTime date) {
            ++changes;
            last = date;
        };
    }
    using TEsCalendar::DoMouseWheel;
    using TEsCalendar::KeyDown;
    using TEsCalendar::KeyPress;
    using TEsCalendar::MouseDown;
    using TEsCalendar::MouseUp;
    void Key(uint16_t k, TShiftState s = 0) { KeyDown(k, s); }
    void Char(char c) { KeyPress(c); }
    TPoint CellCentre(int cell) const {
        const TRect r = Layout().Cells[size_t(2 + (cell - 1) / 7)][size_t((cell - 1) % 7)];
        return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }
    void ClickAt(TPoint p, TMouseButton b = mbLeft) {
        MouseDown(b, 0, p.X, p.Y);
        MouseUp(b, 0, p.X, p.Y);
    }
    int changes = 0;
    TDateTime last = 0;
};

TEST(EsCalendarControl, DefaultsAndToday) {
    TestCalendar cal;
    EXPECT_EQ(cal.Width(), 200);
    EXPECT_EQ(cal.Height(), 140);
    EXPECT_TRUE(cal.TabStop());
    EXPECT_EQ(cal.Version(), "1.07");
    EXPECT_EQ(cal.WeekStarts(), dtSunday);
    EXPECT_EQ(cal.DayNameWidth(), 3);
    EXPECT_EQ(cal.Date(), 0);
    cal.HandleNeeded();
    EXPECT_EQ(cal.Date(), D(2025, 6, 15));
    EXPECT_EQ(cal.changes, 0);
}

TEST(EsCalendarControl, KeysFireOnChangeOncePerChange) {
    TestCalendar cal;
    cal.SetDate(D(2024, 3, 31));
    cal.Key(VK_PRIOR);
    EXPECT_EQ(cal.Date(), D(2024, 2, 29));
    EXPECT_EQ(cal.changes, 1);
    EXPECT_EQ(cal.last, D(2024, 2, 29));
    cal.Key(VK_HOME);
    cal.Key(VK_HOME);  // already on the 1st
    EXPECT_EQ(cal.changes, 2);
    cal.Key(VK_LEFT, ssShift);
    EXPECT_EQ(cal.changes, 2);
    cal.Char('\r');
    cal.Char(' ');
    EXPECT_EQ(cal.changes, 4);
    EXPECT_EQ(cal.last, D(2024, 2, 1));
    cal.Key('Z', ssCtrl);
    EXPECT_EQ(cal.Date(), D(2025, 6, 15));
    EXPECT_EQ(cal.changes, 5);
    cal.Key(VK_BACK, ssAlt);  // already today: nothing changed
    EXPECT_EQ(cal.changes, 5);
    cal.Key(VK_RIGHT);
    cal.Char('\x1A');
    EXPECT_EQ(cal.Date(), D(2025, 6, 15));
    EXPECT_EQ(cal.changes, 7);
}

TEST(EsCalendarControl, WheelAndItsHandler) {
    TestCalendar cal;
    cal.SetDate(D(2024, 3, 15));
    cal.DoMouseWheel(0, 120, {});
    EXPECT_EQ(cal.Date(), D(2024, 2, 15));
    EXPECT_EQ(cal.changes, 1);
    bool handle = true;
    int seen = 0;
    cal.OnMouseWheel = [&](TObject*, TShiftState, int, TPoint, bool& handled) {
        ++seen;
        handled = handle;
    };
    cal.DoMouseWheel(0, -120, {});
    EXPECT_EQ(cal.Date(), D(2024, 2, 15));
    handle = false;
    cal.DoMouseWheel(0, -120, {});
    EXPECT_EQ(cal.Date(), D(2024, 3, 15));
    EXPECT_EQ(seen, 2);
}

TEST(EsCalendarControl, CellPicks) {
    TestCalendar cal;
    cal.SetDate(D(2025, 6, 15));  // Sunday start: 1 June in cell 1, July from cell 31
    cal.ClickAt(cal.CellCentre(33));
    EXPECT_EQ(cal.Date(), D(2025, 6, 15));
    EXPECT_EQ(cal.changes, 0);
    cal.ClickAt(cal.CellCentre(15));  // the selected day again
    EXPECT_EQ(cal.changes, 1);
    cal.ClickAt(cal.CellCentre(20), mbRight);
    EXPECT_EQ(cal.Date(), D(2025, 6, 20));
    EXPECT_EQ(cal.changes, 2);
    cal.SetShowInactive(true);
    cal.ClickAt(cal.CellCentre(33));
    EXPECT_EQ(cal.Date(), D(2025, 7, 3));
    EXPECT_EQ(cal.changes, 3);
}

TEST(EsCalendarControl, ButtonsAndMonthMenu) {
    TestCalendar cal;
    cal.SetDate(D(2025, 1, 31));
    const TEsCalLayout layout = cal.Layout();
    auto centre = [](const TRect& r) {
        return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    };
    cal.ClickAt(centre(layout.RightArrow));
    EXPECT_EQ(cal.Date(), D(2025, 2, 28));
    cal.ClickAt(centre(layout.LeftArrows));
    EXPECT_EQ(cal.Date(), D(2024, 2, 28));
    EXPECT_EQ(cal.changes, 2);
    cal.ClickAt(centre(layout.TodayButton));
    EXPECT_EQ(cal.Date(), D(2025, 6, 15));
    cal.ClickAt(centre(layout.TodayButton));  // fires even when already today
    EXPECT_EQ(cal.changes, 4);

    cal.SetDate(D(2025, 1, 31));
    cal.ClickAt(centre(layout.HeaderText), mbRight);
    TMenuItem& items = cal.MonthMenu().Items();
    ASSERT_EQ(items.Count(), 7);
    if (cal.MonthMenu().IsPoppedUp()) {  // presses wait until the menu closes
        cal.ClickAt(cal.CellCentre(cal.Model().SelectedCell() + 1));
        EXPECT_EQ(cal.Date(), D(2025, 1, 31));
    }
    EXPECT_EQ(items.Items(0)->Caption, "October");
    EXPECT_EQ(items.Items(6)->Caption, "April");
    items.Items(1)->Click();
    cal.MonthMenu().CloseMenu();
    EXPECT_EQ(cal.Date(), D(2024, 11, 30));
    EXPECT_EQ(cal.changes, 5);
}

TEST(EsCalendarControl, PaintsTheSelectedDayInItsColour) {
    TestCalendar cal;
    cal.SetDate(D(2025, 6, 17));  // a Tuesday: not in a weekend column
    cal.Colors().SetColorScheme(TEsCalColorScheme::csWindows);
    cal.HandleNeeded();
    TBitmap bitmap(cal.Width(), cal.Height());
    cal.PaintTo(bitmap);
    if (const char* dir = std::getenv("LORVANE_SCREENSHOT_DIR"))
        bitmap.SaveToFile(std::string(dir) + "/calendar.png");
    const TRect r = cal.Layout().Cells[2 + 16 / 7][16 % 7];
    bool active = false;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x)
            if (bitmap.Pixel(x, y) == 0x0000FF) active = true;
    EXPECT_TRUE(active);
    const TRect next = cal.Layout().Cells[2 + 17 / 7][17 % 7];
    bool red = false;
    for (int y = next.Top; y < next.Bottom; ++y)
        for (int x = next.Left; x < next.Right; ++x)
            if (bitmap.Pixel(x, y) == 0x0000FF) red = true;
    EXPECT_FALSE(red);

    // The next month's days show only with ShowInactive, in the InactiveDays colour.
    const TRect july = cal.Layout().Cells[2 + 32 / 7][32 % 7];
    auto grey = [&] {
        TBitmap shot(cal.Width(), cal.Height());
        cal.PaintTo(shot);
        for (int y = july.Top; y < july.Bottom; ++y)
            for (int x = july.Left; x < july.Right; ++x)
                if (shot.Pixel(x, y) == 0x808080) return true;
        return false;
    };
    EXPECT_FALSE(grey());
    cal.SetShowInactive(true);
    EXPECT_TRUE(grey());
}

TEST(EsCalendarControl, HeaderDayNamesAndTodayButtonFollowTheirProperties) {
    TestCalendar cal;
    cal.SetDate(D(2025, 6, 17));
    cal.HandleNeeded();
    auto shot = [&] {
        TBitmap bitmap(cal.Width(), cal.Height());
        cal.PaintTo(bitmap);
        return bitmap;
    };
    auto differ = [](const TBitmap& a, const TBitmap& b, const TRect& r) {
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                if (a.Pixel(x, y) != b.Pixel(x, y)) return true;
        return false;
    };
    const TEsCalLayout layout = cal.Layout();
    const TBitmap full = shot();
    cal.SetDateFormat(dfShort);  // "Jun 2025" for "June 2025"
    EXPECT_TRUE(differ(full, shot(), layout.HeaderText));
    cal.SetShowDate(false);
    const TBitmap noHeader = shot();
    cal.SetShowDate(true);
    EXPECT_TRUE(differ(noHeader, shot(), layout.HeaderText));
    cal.SetDayNameWidth(0);
    EXPECT_EQ(cal.DayNameWidth(), 1);
    EXPECT_TRUE(differ(full, shot(), layout.Cells[1][1]));
    cal.SetDayNameWidth(9);
    EXPECT_EQ(cal.DayNameWidth(), 3);
    ASSERT_FALSE(layout.TodayButton.IsEmpty());
    cal.SetShowToday(false);
    EXPECT_TRUE(cal.Layout().TodayButton.IsEmpty());
    EXPECT_TRUE(differ(full, shot(), layout.TodayButton));
}

}  // namespace
