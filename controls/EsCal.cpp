// The month calendar control: painter, input handlers and the month menu.
#include "EsCal.h"

#include <algorithm>
#include <cmath>

#include "EsUtil.h"

namespace {

constexpr int GlyphWidth = 9;

void FillRect(TCanvas& canvas, const TRect& r, TColor color) {
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(color);
    canvas.FillRect(r);
}

void CentredText(TCanvas& canvas, const TRect& r, std::string_view text, TColor color) {
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.Font().SetColor(color);
    const int x = r.Left + (r.Width() - canvas.TextWidth(text)) / 2;
    const int y = r.Top + (r.Height() - canvas.TextHeight(text)) / 2;
    canvas.SaveState();
    canvas.IntersectClipRect(r);
    canvas.TextOut(x, y, text);
    canvas.RestoreState();
}

// A 3-D frame: light top and left edges, dark bottom and right ones (swapped when sunken).
void Frame3D(TCanvas& canvas, const TRect& r, bool sunken) {
    const TColor light = sunken ? clBtnShadow : clBtnHighlight;
    const TColor dark = sunken ? clBtnHighlight : clBtnShadow;
    canvas.Pen().SetColor(light);
    canvas.MoveTo(r.Left, r.Bottom - 1);
    canvas.LineTo(r.Left, r.Top);
    canvas.LineTo(r.Right - 1, r.Top);
    canvas.Pen().SetColor(dark);
    canvas.LineTo(r.Right - 1, r.Bottom - 1);
    canvas.LineTo(r.Left - 1, r.Bottom - 1);
}

// A triangle pointing left or right, centred at (cx, cy).
void Arrow(TCanvas& canvas, int cx, int cy, bool left) {
    const int h = 4;
    const int w = 4;
    canvas.Pen().SetColor(clBtnText);
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(clBtnText);
    if (left)
        canvas.Polygon({{cx - w / 2, cy}, {cx + w / 2, cy - h}, {cx + w / 2, cy + h}});
    else
        canvas.Polygon({{cx + w / 2, cy}, {cx - w / 2, cy - h}, {cx - w / 2, cy + h}});
}

void Button(TCanvas& canvas, const TRect& r, TEsCalButton which, bool pressed) {
    if (r.IsEmpty()) return;
    FillRect(canvas, r, clBtnFace);
    Frame3D(canvas, r, pressed);
    const int shift = pressed ? 1 : 0;
    const int cx = (r.Left + r.Right) / 2 + shift;
    const int cy = (r.Top + r.Bottom) / 2 + shift;
    switch (which) {
        case TEsCalButton::LeftArrow:
            Arrow(canvas, cx, cy, true);
            break;
        case TEsCalButton::RightArrow:
            Arrow(canvas, cx, cy, false);
            break;
        case TEsCalButton::LeftArrows:
            Arrow(canvas, cx - 3, cy, true);
            Arrow(canvas, cx + 3, cy, true);
            break;
        case TEsCalButton::RightArrows:
            Arrow(canvas, cx - 3, cy, false);
            Arrow(canvas, cx + 3, cy, false);
            break;
        case TEsCalButton::Today: {
            TRect face = r;
            face.Offset(shift, shift);
            CentredText(canvas, face, "Today", clBtnText);
            break;
        }
        case TEsCalButton::None:
            break;
    }
}

}  // namespace

std::string EsCalendarHeaderText(TDateTime date, TEsDateFormat format, int available,
                                 const std::function<int(std::string_view)>& measure) {
    if (format == dfLong) {
        std::string text = FormatDateTime("mmmm yyyy", date);
        if (measure(text) <= available) return text;
    }
    return FormatDateTime("mmm yyyy", date);
}

void EsPaintCalendar(TCanvas& canvas, const TEsCalPaintInfo& info) {
    const TEsCalendarModel& model = *info.Model;
    const TEsCalColors& colors = *info.Colors;
    const TEsCalLayout& layout = info.Layout;
    FillRect(canvas, TRect{0, 0, info.ClientWidth, info.ClientHeight}, info.Color);
    if (info.ShowDate) {
        const TRect& room = layout.HeaderText;
        const std::string text =
            EsCalendarHeaderText(model.Date(), info.DateFormat, room.Width(),
                                 [&](std::string_view s) { return canvas.TextWidth(s); });
        CentredText(canvas, room, text, colors.MonthAndYear());
    }
    const int weekStarts = int(model.WeekStarts());
    const int nameWidth = std::clamp(info.DayNameWidth, 1, 3);
    for (int c = 0; c < 7; ++c) {
        const std::string name = ShortDayName((weekStarts + c) % 7 + 1);
        CentredText(canvas, layout.Cells[1][size_t(c)], name.substr(0, size_t(nameWidth)),
                    colors.DayNames());
    }
    const int dividerY = layout.Cells[1][0].Bottom - 2;
    const int dividerLeft = layout.Cells[1][0].Left;
    const int dividerRight = layout.Cells[1][6].Right;
    if (info.Ctl3D) {
        canvas.Pen().SetColor(clBtnHighlight);
        canvas.MoveTo(dividerLeft, dividerY);
        canvas.LineTo(dividerRight, dividerY);
        canvas.Pen().SetColor(clBtnShadow);
        canvas.MoveTo(dividerLeft, dividerY + 1);
        canvas.LineTo(dividerRight, dividerY + 1);
    } else if (info.SingleBorder) {
        canvas.Pen().SetColor(info.FontColor);
        canvas.MoveTo(dividerLeft, dividerY);
        canvas.LineTo(dividerRight, dividerY);
    }
    const TEsCalGrid& grid = model.Grid();
    for (int cell = 1; cell <= 42; ++cell) {
        const int row = 2 + (cell - 1) / 7;
        const int column = (cell - 1) % 7;
        const bool inMonth = model.CellInMonth(cell);
        if (!inMonth && !info.ShowInactive) continue;
        const int weekday = (weekStarts + column) % 7;
        const TColor color = !inMonth                         ? colors.InactiveDays()
                             : (weekday == 0 || weekday == 6) ? colors.Weekend()
                                                              : colors.Days();
        CentredText(canvas, layout.Cells[size_t(row)][size_t(column)],
                    std::to_string(grid.Days[size_t(cell - 1)]), color);
    }
    const int selected = model.SelectedCell();
    if (selected >= 1 && selected <= 42) {
        const TRect& r = layout.Cells[size_t(2 + (selected - 1) / 7)][size_t((selected - 1) % 7)];
        FillRect(canvas, r, info.Color);
        CentredText(canvas, r, std::to_string(model.Day()), colors.ActiveDay());
        Frame3D(canvas, r, info.Focused);
    }
    Button(canvas, layout.LeftArrow, TEsCalButton::LeftArrow,
           info.Pressed == TEsCalButton::LeftArrow);
    Button(canvas, layout.LeftArrows, TEsCalButton::LeftArrows,
           info.Pressed == TEsCalButton::LeftArrows);
    Button(canvas, layout.RightArrows, TEsCalButton::RightArrows,
           info.Pressed == TEsCalButton::RightArrows);
    Button(canvas, layout.RightArrow, TEsCalButton::RightArrow,
           info.Pressed == TEsCalButton::RightArrow);
    if (info.ShowToday)
        Button(canvas, layout.TodayButton, TEsCalButton::Today,
               info.Pressed == TEsCalButton::Today);
}

TEsCustomCalendar::TEsCustomCalendar(TComponent* owner)
    : TEsBase(owner), monthMenu_(std::make_unique<TPopupMenu>()) {
    SetBounds(0, 0, 200, 140);
    SetTabStop(true);
    SetColor(clBtnFace);
    SetBorderStyle(bsNone);
    SetOpaque(true);
    colors_.OnChange = [this] { Invalidate(); };
}

TEsCustomCalendar::~TEsCustomCalendar() = default;

TDateTime TEsCustomCalendar::TodayDate() const {
    return Today ? Today() : ::Date();
}

void TEsCustomCalendar::SetDate(TDateTime value) {
    Select(value);
}

void TEsCustomCalendar::SetDayNameWidth(int value) {
    dayNameWidth_ = std::clamp(value, 1, 3);
    Invalidate();
}

void TEsCustomCalendar::SetDateFormat(TEsDateFormat value) {
    dateFormat_ = value;
    Invalidate();
}

void TEsCustomCalendar::SetShowDate(bool value) {
    showDate_ = value;
    Invalidate();
}

void TEsCustomCalendar::SetShowInactive(bool value) {
    showInactive_ = value;
    Invalidate();
}

void TEsCustomCalendar::SetShowToday(bool value) {
    showToday_ = value;
    Invalidate();
}

void TEsCustomCalendar::SetWeekStarts(TEsDayType value) {
    model_.SetWeekStarts(value);
    Invalidate();
}

TEsCalLayout TEsCustomCalendar::Layout() const {
    auto& self = const_cast<TEsCustomCalendar&>(*this);
    if (!self.measurer_) self.measurer_ = CreateScreenTextMeasurer();
    const int textHeight = self.measurer_->Font(self.Font(), self.Font().Style())->Metric().Height;
    return EsLayoutCalendar(ClientWidth(), ClientHeight(), textHeight, GlyphWidth, showToday_);
}

void TEsCustomCalendar::CreateWnd() {
    if (model_.Date() == 0) model_.SetDate(TodayDate());
}

void TEsCustomCalendar::Paint(TCanvas& canvas, const TRect&) {
    canvas.Font().Assign(Font());
    TEsCalPaintInfo info;
    info.Model = &model_;
    info.Colors = &colors_;
    info.Layout = EsLayoutCalendar(ClientWidth(), ClientHeight(), canvas.TextHeight("Yy"),
                                   GlyphWidth, showToday_);
    info.Color = Color();
    info.FontColor = Font().Color();
    info.ClientWidth = ClientWidth();
    info.ClientHeight = ClientHeight();
    info.DayNameWidth = dayNameWidth_;
    info.DateFormat = dateFormat_;
    info.ShowDate = showDate_;
    info.ShowInactive = showInactive_;
    info.ShowToday = showToday_;
    info.Ctl3D = Ctl3D();
    info.SingleBorder = BorderStyle() == bsSingle;
    info.Focused = Focused();
    info.Pressed = pressed_;
    EsPaintCalendar(canvas, info);
}

bool TEsCustomCalendar::Select(TDateTime value) {
    if (!model_.SetDate(value)) return false;
    Invalidate();
    return true;
}

bool TEsCustomCalendar::Changed(bool changed) {
    if (changed) {
        Invalidate();
        DoChange();
    }
    return changed;
}

void TEsCustomCalendar::DoChange() {
    if (OnChange) OnChange(this, model_.Date());
}

void TEsCustomCalendar::KeyDown(uint16_t& key, TShiftState shift) {
    TEsBase::KeyDown(key, shift);
    const TShiftState mods = shift & (ssShift | ssAlt | ssCtrl);
    switch (key) {
        case VK_BACK:
            if (mods != ssAlt) return;
            break;
        case 'Z':
            if (mods != ssCtrl) return;
            Changed(Select(TodayDate()));
            key = 0;
            return;
        case VK_PRIOR:
        case VK_NEXT:
        case VK_HOME:
        case VK_END:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            break;
        default:
            return;
    }
    Changed(model_.KeyDown(key, shift, TodayDate()));
    key = 0;
}

void TEsCustomCalendar::KeyPress(char& key) {
    TEsBase::KeyPress(key);
    if (key == '\r' || key == ' ') {
        DoChange();
        key = 0;
    } else if (key == '\x1A') {
        Changed(Select(TodayDate()));
        key = 0;
    }
}

bool TEsCustomCalendar::WantKey(uint16_t key, TShiftState shift) {
    if (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) return true;
    return TEsBase::WantKey(key, shift);
}

TEsCalButton TEsCustomCalendar::ButtonAt(const TEsCalLayout& layout, TPoint p) const {
    if (layout.LeftArrow.Contains(p)) return TEsCalButton::LeftArrow;
    if (layout.LeftArrows.Contains(p)) return TEsCalButton::LeftArrows;
    if (layout.RightArrow.Contains(p)) return TEsCalButton::RightArrow;
    if (layout.RightArrows.Contains(p)) return TEsCalButton::RightArrows;
    if (showToday_ && layout.TodayButton.Contains(p)) return TEsCalButton::Today;
    return TEsCalButton::None;
}

void TEsCustomCalendar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TEsBase::MouseDown(button, shift, x, y);
    if (menuOpen_ || monthMenu_->IsPoppedUp()) return;
    if (CanFocus()) SetFocus();
    const TEsCalLayout layout = Layout();
    const TPoint p{x, y};
    if (const TEsCalButton b = ButtonAt(layout, p); b != TEsCalButton::None) {
        if (button == mbLeft) {
            pressed_ = b;
            Invalidate();
        }
        return;
    }
    for (int row = 2; row < 8; ++row)
        for (int column = 0; column < 7; ++column) {
            if (!layout.Cells[size_t(row)][size_t(column)].Contains(p)) continue;
            const int cell = (row - 2) * 7 + column + 1;
            if (!model_.CellInMonth(cell) && !showInactive_) return;
            Select(model_.CellDate(cell));
            DoChange();
            return;
        }
}

void TEsCustomCalendar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TEsBase::MouseUp(button, shift, x, y);
    const TEsCalLayout layout = Layout();
    const TPoint p{x, y};
    if (button == mbLeft && pressed_ != TEsCalButton::None) {
        const TEsCalButton b = pressed_;
        pressed_ = TEsCalButton::None;
        Invalidate();
        if (ButtonAt(layout, p) == b) ButtonClick(b);
        return;
    }
    if (button == mbRight && y >= layout.Cells[0][0].Top && y < layout.Cells[0][0].Bottom &&
        x >= layout.LeftArrows.Right && x < layout.RightArrow.Left &&
        ButtonAt(layout, p) == TEsCalButton::None)
        OpenMonthMenu(x, layout.Cells[0][0].Bottom);
}

void TEsCustomCalendar::ButtonClick(TEsCalButton button) {
    switch (button) {
        case TEsCalButton::LeftArrow:
            Changed(model_.StepMonths(-1));
            break;
        case TEsCalButton::RightArrow:
            Changed(model_.StepMonths(1));
            break;
        case TEsCalButton::LeftArrows:
            Changed(model_.StepYears(-1));
            break;
        case TEsCalButton::RightArrows:
            Changed(model_.StepYears(1));
            break;
        case TEsCalButton::Today:
            Select(TodayDate());
            DoChange();
            break;
        case TEsCalButton::None:
            break;
    }
}

void TEsCustomCalendar::OpenMonthMenu(int x, int y) {
    TMenuItem& items = monthMenu_->Items();
    items.Clear();
    for (const TEsMonthMenuItem& item : model_.MonthMenu())
        items.Add(LongMonthName(item.Month), [this, item](TObject*) {
            model_.ChooseMonth(item);
            Invalidate();
            DoChange();
        });
    const TPoint at = ClientToScreen({x, y});
    menuOpen_ = true;
    monthMenu_->Popup(at.X, at.Y);
    menuOpen_ = false;
}

bool TEsCustomCalendar::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    if (TEsBase::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
    Changed(model_.Wheel(wheelDelta));
    return true;
}

void TEsCustomCalendar::DoEnter() {
    TEsBase::DoEnter();
    Invalidate();
}

void TEsCustomCalendar::DoExit() {
    TEsBase::DoExit();
    Invalidate();
}
