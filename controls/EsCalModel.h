// The month calendar without a window: the selected date, the grid of six weeks, the steps of
// keys, wheel and month menu, the cell layout and the colour schemes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <platform/DateTime.h>
#include <platform/Graphics.h>
#include <platform/KeyCodes.h>

enum TEsDayType { dtSunday, dtMonday, dtTuesday, dtWednesday, dtThursday, dtFriday, dtSaturday };
enum TEsDateFormat { dfShort, dfLong };

// The dates a calendar can hold: 1 January 100 to 31 December 9999.
inline constexpr TDateTime EsFirstCalendarDate = -657434.0;
inline constexpr TDateTime EsLastCalendarDate = 2958465.0;

// Six weeks of a month. Cells count 1..42; Days[cell - 1] is the day number shown.
struct TEsCalGrid {
    std::array<int, 42> Days{};
    int First = 1;  // the cell of the 1st
    int Last = 1;   // the cell of the month's last day
};
// Never raises: the neighbouring month's length is taken without the year check.
TEsCalGrid EsBuildCalendarGrid(int year, int month, TEsDayType weekStarts);

// One item of the month menu: its month and the date choosing it selects.
struct TEsMonthMenuItem {
    int Month = 0;
    int Year = 0;
};

class TEsCalendarModel {
public:
    TDateTime Date() const { return date_; }
    int Year() const { return year_; }
    int Month() const { return month_; }
    int Day() const { return day_; }
    const TEsCalGrid& Grid() const { return grid_; }
    TEsDayType WeekStarts() const { return weekStarts_; }
    void SetWeekStarts(TEsDayType value);

    // Selects a date (its day; the time is dropped). False, and nothing changes, when it is
    // the selected date or outside the calendar's range.
    bool SetDate(TDateTime value);
    // Month and year steps keep the day, clamped to the new month's length.
    bool StepMonths(int count);
    bool StepYears(int count);
    bool StepDays(int count);
    bool FirstDayOfMonth();
    bool LastDayOfMonth();

    // The key-down table; true when Date changed.
    bool KeyDown(uint16_t key, TShiftState shift, TDateTime today);
    // A wheel step: exactly 120 a month, less a week, more a year; forward goes back in time.
    bool Wheel(int delta);

    // The cell of the selected day, and the date shown in a cell (1..42).
    int SelectedCell() const { return grid_.First + day_ - 1; }
    TDateTime CellDate(int cell) const { return date_ + (cell - SelectedCell()); }
    bool CellInMonth(int cell) const { return cell >= grid_.First && cell <= grid_.Last; }

    // The seven months around the selected one, from three before to three after.
    std::vector<TEsMonthMenuItem> MonthMenu() const;
    // Selects an item of MonthMenu, keeping the day clamped to its month's length.
    bool ChooseMonth(const TEsMonthMenuItem& item);

private:
    bool SelectYmd(int year, int month, int day);
    TDateTime date_ = 0;
    int year_ = 1899;
    int month_ = 12;
    int day_ = 30;
    TEsDayType weekStarts_ = dtSunday;
    TEsCalGrid grid_ = EsBuildCalendarGrid(1899, 12, dtSunday);
};

// Where everything goes in a client area of a given size; rows 0 header, 1 day names, 2..7
// the weeks; columns 0..6.
struct TEsCalLayout {
    std::array<std::array<TRect, 7>, 8> Cells{};
    TRect LeftArrow, LeftArrows, RightArrow, RightArrows, TodayButton;
    // The header text's room between the double arrows.
    TRect HeaderText;
};
TEsCalLayout EsLayoutCalendar(int clientWidth, int clientHeight, int textHeight, int glyphWidth,
                              bool showToday);

enum class TEsCalColorScheme { csCustom, csWindows, csGold, csOcean, csRose };
enum TEsCalColorIndex {
    cciActiveDay,
    cciDayNames,
    cciDays,
    cciInactiveDays,
    cciMonthAndYear,
    cciWeekend
};

// The six colours of a calendar and the scheme they came from.
class TEsCalColors {
public:
    TEsCalColors();
    TColor Color(int index) const { return colors_.at(size_t(index)); }
    // A direct change switches the scheme to custom.
    void SetColor(int index, TColor value);
    TEsCalColorScheme ColorScheme() const { return scheme_; }
    // A scheme other than custom copies its row.
    void SetColorScheme(TEsCalColorScheme value);
    void Assign(const TEsCalColors& other);

    TColor ActiveDay() const { return Color(cciActiveDay); }
    TColor DayNames() const { return Color(cciDayNames); }
    TColor Days() const { return Color(cciDays); }
    TColor InactiveDays() const { return Color(cciInactiveDays); }
    TColor MonthAndYear() const { return Color(cciMonthAndYear); }
    TColor Weekend() const { return Color(cciWeekend); }

    std::function<void()> OnChange;

private:
    std::array<TColor, 6> colors_{};
    TEsCalColorScheme scheme_ = TEsCalColorScheme::csWindows;
};
