// The month calendar control: a header with the month and year between arrow buttons, a row
// of day names, six weeks of days and a today button.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <platform/Menus.h>
#include <platform/TextMetrics.h>

#include "EsBase.h"
#include "EsCalModel.h"

using TDateChangeEvent = std::function<void(TObject* sender, TDateTime date)>;

// The header text: "mmmm yyyy" (dfLong) or "mmm yyyy", and the short form whenever the long
// one is wider than `available`.
std::string EsCalendarHeaderText(TDateTime date, TEsDateFormat format, int available,
                                 const std::function<int(std::string_view)>& measure);

enum class TEsCalButton { None, LeftArrow, LeftArrows, RightArrow, RightArrows, Today };

// Everything the painter needs, so that it paints any calendar state on any canvas.
struct TEsCalPaintInfo {
    const TEsCalendarModel* Model = nullptr;
    TEsCalLayout Layout;
    const TEsCalColors* Colors = nullptr;
    TColor Color = clBtnFace;
    TColor FontColor = clWindowText;
    int ClientWidth = 0;
    int ClientHeight = 0;
    int DayNameWidth = 3;
    TEsDateFormat DateFormat = dfLong;
    bool ShowDate = true;
    bool ShowInactive = false;
    bool ShowToday = true;
    bool Ctl3D = true;
    bool SingleBorder = false;
    bool Focused = false;
    TEsCalButton Pressed = TEsCalButton::None;
};
// Paints the whole client area.
void EsPaintCalendar(TCanvas& canvas, const TEsCalPaintInfo& info);

class TEsCustomCalendar : public TEsBase {
public:
    explicit TEsCustomCalendar(TComponent* owner = nullptr);
    ~TEsCustomCalendar() override;

    // The selected date; 0 until the window exists, then today. Setting it fires nothing.
    TDateTime Date() const { return model_.Date(); }
    void SetDate(TDateTime value);
    const TEsCalendarModel& Model() const { return model_; }

    TEsCalColors& Colors() { return colors_; }
    int DayNameWidth() const { return dayNameWidth_; }
    void SetDayNameWidth(int value);
    TEsDateFormat DateFormat() const { return dateFormat_; }
    void SetDateFormat(TEsDateFormat value);
    bool ShowDate() const { return showDate_; }
    void SetShowDate(bool value);
    bool ShowInactive() const { return showInactive_; }
    void SetShowInactive(bool value);
    bool ShowToday() const { return showToday_; }
    void SetShowToday(bool value);
    TEsDayType WeekStarts() const { return model_.WeekStarts(); }
    void SetWeekStarts(TEsDayType value);

    // The layout for the present size and font.
    TEsCalLayout Layout() const;
    // The month menu of the header (filled when it opens).
    TPopupMenu& MonthMenu() { return *monthMenu_; }
    // Where today comes from (the clock unless replaced).
    std::function<TDateTime()> Today;

    TDateChangeEvent OnChange;

protected:
    void CreateWnd() override;
    void Paint(TCanvas& canvas, const TRect& updateRect) override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    bool WantKey(uint16_t key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
    void DoEnter() override;
    void DoExit() override;

private:
    // Selects a date and repaints what changed; true when Date changed.
    bool Select(TDateTime value);
    bool Changed(bool changed);
    void DoChange();
    void ButtonClick(TEsCalButton button);
    TEsCalButton ButtonAt(const TEsCalLayout& layout, TPoint p) const;
    void OpenMonthMenu(int x, int y);
    TDateTime TodayDate() const;

    TEsCalendarModel model_;
    TEsCalColors colors_;
    int dayNameWidth_ = 3;
    TEsDateFormat dateFormat_ = dfLong;
    bool showDate_ = true;
    bool showInactive_ = false;
    bool showToday_ = true;
    bool menuOpen_ = false;
    TEsCalButton pressed_ = TEsCalButton::None;
    std::unique_ptr<TTextMeasurer> measurer_;
    std::unique_ptr<TPopupMenu> monthMenu_;
};

class TEsCalendar : public TEsCustomCalendar {
public:
    using TEsCustomCalendar::TEsCustomCalendar;
};
