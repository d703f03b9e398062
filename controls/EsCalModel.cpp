// The month calendar's model, layout and colours.
#include "EsCalModel.h"

#include <cmath>

#include "EsUtil.h"

TEsCalGrid EsBuildCalendarGrid(int year, int month, TEsDayType weekStarts) {
    TEsCalGrid grid;
    TDateTime first = 0;
    if (!TryEncodeDate(year, month, 1, first)) return grid;
    const int o = (DayOfWeek(first) - 1) - int(weekStarts);
    grid.First = o + 1 < 1 ? o + 8 : o + 1;
    const int length = EsMonthLength(year, month);
    grid.Last = grid.First + length - 1;
    const int previous = month == 1 ? EsMonthLength(year - 1, 12) : EsMonthLength(year, month - 1);
    for (int cell = 1; cell < grid.First; ++cell)
        grid.Days[size_t(cell - 1)] = previous - (grid.First - cell) + 1;
    for (int cell = grid.First; cell <= 42; ++cell) {
        const int n = cell - grid.First;
        grid.Days[size_t(cell - 1)] = n < length ? n + 1 : n - length + 1;
    }
    return grid;
}

void TEsCalendarModel::SetWeekStarts(TEsDayType value) {
    weekStarts_ = value;
    grid_ = EsBuildCalendarGrid(year_, month_, weekStarts_);
}

bool TEsCalendarModel::SetDate(TDateTime value) {
    if (!std::isfinite(value)) return false;
    value = std::trunc(value);  // the day only
    if (value < EsFirstCalendarDate || value > EsLastCalendarDate || value == date_) return false;
    date_ = value;
    DecodeDate(date_, year_, month_, day_);
    grid_ = EsBuildCalendarGrid(year_, month_, weekStarts_);
    return true;
}

bool TEsCalendarModel::SelectYmd(int year, int month, int day) {
    if (year < 100 || year > 9999) return false;
    const int length = EsMonthLength(year, month);
    TDateTime value = 0;
    if (!TryEncodeDate(year, month, day > length ? length : day, value)) return false;
    return SetDate(value);
}

bool TEsCalendarModel::StepMonths(int count) {
    int index = year_ * 12 + (month_ - 1) + count;
    return SelectYmd(index / 12, index % 12 + 1, day_);
}

bool TEsCalendarModel::StepYears(int count) {
    return SelectYmd(year_ + count, month_, day_);
}

bool TEsCalendarModel::StepDays(int count) {
    return SetDate(date_ + count);
}

bool TEsCalendarModel::FirstDayOfMonth() {
    return SelectYmd(year_, month_, 1);
}

bool TEsCalendarModel::LastDayOfMonth() {
    return SelectYmd(year_, month_, EsMonthLength(year_, month_));
}

bool TEsCalendarModel::KeyDown(uint16_t key, TShiftState shift, TDateTime today) {
    const TShiftState mods = shift & (ssShift | ssAlt | ssCtrl);
    switch (key) {
        case VK_BACK:
            return mods == ssAlt && SetDate(today);
        case VK_PRIOR:
            if (mods & ssCtrl) return StepYears(-1);
            return mods == 0 && StepMonths(-1);
        case VK_NEXT:
            if (mods & ssCtrl) return StepYears(1);
            return mods == 0 && StepMonths(1);
        case VK_HOME:
            return mods == 0 && FirstDayOfMonth();
        case VK_END:
            return mods == 0 && LastDayOfMonth();
        case VK_LEFT:
            return mods == 0 && StepDays(-1);
        case VK_RIGHT:
            return mods == 0 && StepDays(1);
        case VK_UP:
            return mods == 0 && StepDays(-7);
        case VK_DOWN:
            return mods == 0 && StepDays(7);
        default:
            return false;
    }
}

bool TEsCalendarModel::Wheel(int delta) {
    if (delta == 0) return false;
    const int size = delta < 0 ? -delta : delta;
    const int direction = delta > 0 ? -1 : 1;
    if (size == 120) return StepMonths(direction);
    if (size < 120) return StepDays(7 * direction);
    return StepYears(direction);
}

std::vector<TEsMonthMenuItem> TEsCalendarModel::MonthMenu() const {
    std::vector<TEsMonthMenuItem> items;
    for (int k = 0; k < 7; ++k) {
        const int month = (month_ - 1 + k - 3 + 12) % 12 + 1;
        int year = year_;
        if (k < 3 && month > month_)
            --year;
        else if (k > 3 && month < month_)
            ++year;
        items.push_back({month, year});
    }
    return items;
}

bool TEsCalendarModel::ChooseMonth(const TEsMonthMenuItem& item) {
    return SelectYmd(item.Year, item.Month, day_);
}

TEsCalLayout EsLayoutCalendar(int clientWidth, int clientHeight, int textHeight, int glyphWidth,
                              bool showToday) {
    TEsCalLayout layout;
    // Column widths: every column (width - 8) div 7, and the first (width - 8) mod 7 + 1 one
    // pixel more.
    const int space = clientWidth - 8;
    std::array<int, 7> widths{};
    for (int c = 0; c < 7; ++c) widths[size_t(c)] = space / 7 + (c < space % 7 + 1 ? 1 : 0);
    int header = int(std::nearbyint(1.3 * textHeight));
    int dayNames = int(std::nearbyint(1.5 * textHeight));
    const int week = (clientHeight - 8 - header - dayNames) / 6;
    const int left = clientHeight - 8 - header - dayNames - 6 * week;
    dayNames += left / 2;
    header += left - left / 2;
    std::array<int, 8> heights{header, dayNames, week, week, week, week, week, week};
    int top = 4;
    for (int r = 0; r < 8; ++r) {
        int x = 4;
        for (int c = 0; c < 7; ++c) {
            layout.Cells[size_t(r)][size_t(c)] =
                TRect{x, top, x + widths[size_t(c)], top + heights[size_t(r)]};
            x += widths[size_t(c)];
        }
        top += heights[size_t(r)];
    }
    const int buttonWidth = EsMaxInt(widths[0] - 4, glyphWidth + 3);
    const int buttonBottom = 4 + header - 4;
    layout.LeftArrow = TRect{4, 4, 4 + buttonWidth, buttonBottom};
    layout.LeftArrows =
        TRect{layout.LeftArrow.Right, 4, layout.LeftArrow.Right + buttonWidth, buttonBottom};
    layout.RightArrow = TRect{clientWidth - 4 - buttonWidth, 4, clientWidth - 4, buttonBottom};
    layout.RightArrows =
        TRect{layout.RightArrow.Left - buttonWidth, 4, layout.RightArrow.Left, buttonBottom};
    layout.HeaderText = TRect{layout.LeftArrows.Right, 4, layout.RightArrows.Left, 4 + header};
    if (showToday) {
        const int todayWidth = widths[5] + widths[6] - 4;
        layout.TodayButton = TRect{clientWidth - 4 - todayWidth, clientHeight - 4 - week,
                                   clientWidth - 4, clientHeight - 4};
    }
    return layout;
}

namespace {

constexpr std::array<std::array<TColor, 6>, 5> SchemeRows = {{
    {0x0000FF, 0x000080, 0x000000, 0x808080, 0xFF0000, 0x0000FF},  // custom starts as Windows
    {0x0000FF, 0x000080, 0x000000, 0x808080, 0xFF0000, 0x0000FF},
    {0x000000, 0x000000, 0x00FFFF, 0x808080, 0x000000, 0x808000},
    {0x000000, 0x000000, 0xFFFF00, 0x808080, 0x000000, 0x800000},
    {0x0000FF, 0x0000FF, 0xFF00FF, 0x808080, 0xFF0000, 0x808000},
}};

}  // namespace

TEsCalColors::TEsCalColors() : colors_(SchemeRows[size_t(TEsCalColorScheme::csWindows)]) {}

void TEsCalColors::SetColor(int index, TColor value) {
    colors_.at(size_t(index)) = value;
    scheme_ = TEsCalColorScheme::csCustom;
    if (OnChange) OnChange();
}

void TEsCalColors::SetColorScheme(TEsCalColorScheme value) {
    scheme_ = value;
    if (value != TEsCalColorScheme::csCustom) colors_ = SchemeRows[size_t(value)];
    if (OnChange) OnChange();
}

void TEsCalColors::Assign(const TEsCalColors& other) {
    colors_ = other.colors_;
    scheme_ = other.scheme_;
    if (OnChange) OnChange();
}
