// The control's properties that every control host keeps alike; what a change means for the
// window on screen is the backend's hook.
#include "ControlState.h"

#include <algorithm>

#include "platform/ChildControls.h"

void TControlState::Attach(TCustomControl* control) {
    owner = control;
    font.OnChange = [control](TFont*) { control->Invalidate(); };
}

TRect TControlState::StripBounds(int windowWidth) const {
    const int f = owner->BorderWidth();
    return {f, f, f + std::max(0, windowWidth - 2 * f), f + headerHeight};
}

// --- Frame and header strip ------------------------------------------------------------------

TBorderStyle TCustomControl::BorderStyle() const {
    return ControlState(*this).border;
}
void TCustomControl::SetBorderStyle(TBorderStyle style) {
    TControlState& s = ControlState(*this);
    if (!s.Change(s.border, style)) return;
    s.Layout();
    s.FrameChanged();
}

bool TCustomControl::Ctl3D() const {
    return ControlState(*this).ctl3D;
}
void TCustomControl::SetCtl3D(bool value) {
    TControlState& s = ControlState(*this);
    if (!s.Change(s.ctl3D, value)) return;
    s.Layout();
    s.FrameChanged();
}

int TCustomControl::BorderWidth() const {
    const TControlState& s = ControlState(*this);
    return s.border == bsNone ? 0 : s.ctl3D ? 2 : 1;
}

int TCustomControl::HeaderStripHeight() const {
    return ControlState(*this).headerHeight;
}
void TCustomControl::SetHeaderStripHeight(int height) {
    TControlState& s = ControlState(*this);
    if (!s.Change(s.headerHeight, std::max(0, height))) return;
    s.Layout();
    InvalidateHeaderStrip();
}

TRect TCustomControl::HeaderStripRect() const {
    const int f = BorderWidth();
    const int left = f - ClientOrigin().Left;
    return {left, -ControlState(*this).headerHeight, left + std::max(0, Width() - 2 * f), 0};
}

void TCustomControl::InvalidateHeaderStrip() {
    TControlState& s = ControlState(*this);
    if (s.headerHeight == 0) return;
    s.QueueStripPaint();
}

TBiDiMode TCustomControl::BiDiMode() const {
    return ControlState(*this).bidi;
}
void TCustomControl::SetBiDiMode(TBiDiMode mode) {
    TControlState& s = ControlState(*this);
    if (!s.Change(s.bidi, mode)) return;
    s.Layout();
    Invalidate();
}

TColor TCustomControl::Color() const {
    return ControlState(*this).color;
}
void TCustomControl::SetColor(TColor color) {
    TControlState& s = ControlState(*this);
    if (s.Change(s.color, color)) Invalidate();
}

TFont& TCustomControl::Font() {
    return ControlState(*this).font;
}

// --- Scroll bars -----------------------------------------------------------------------------

void TCustomControl::SetScrollInfo(TScrollBarKind kind, const TScrollInfo& info, bool redraw) {
    TControlState& s = ControlState(*this);
    const bool shown = s.models[kind].Set(info);
    s.ScrollBarChanged(kind, redraw);
    if (shown) s.Layout();
}

TScrollInfo TCustomControl::GetScrollInfo(TScrollBarKind kind) const {
    return ControlState(*this).models[kind].Get();
}

void TCustomControl::ShowScrollBar(TScrollBarKind kind, bool show) {
    TControlState& s = ControlState(*this);
    if (s.models[kind].Visible() == show) return;
    s.models[kind].SetVisible(show);
    s.Layout();
}

bool TCustomControl::ScrollBarVisible(TScrollBarKind kind) const {
    return ControlState(*this).models[kind].Visible();
}

bool TCustomControl::ScrollBarEnabled(TScrollBarKind kind) const {
    return ControlState(*this).models[kind].Enabled();
}

int TCustomControl::ScrollBarExtent() const {
    return ControlState(*this).ScrollBarExtent();
}

// --- Timers ----------------------------------------------------------------------------------

void TCustomControl::SetTimer(int id, unsigned milliseconds) {
    KillTimer(id);
    TControlState& s = ControlState(*this);
    const int backendId = s.StartTimer(id, milliseconds);
    if (backendId != 0) s.timers[id] = backendId;
}

void TCustomControl::KillTimer(int id) {
    TControlState& s = ControlState(*this);
    auto it = s.timers.find(id);
    if (it == s.timers.end()) return;
    s.StopTimer(it->second);
    s.timers.erase(it);
}

bool TCustomControl::TimerActive(int id) const {
    return ControlState(*this).timers.count(id) != 0;
}

// --- Focus order and cursor ------------------------------------------------------------------

bool TCustomControl::TabStop() const {
    return ControlState(*this).tabStop;
}
void TCustomControl::SetTabStop(bool value) {
    TControlState& s = ControlState(*this);
    s.tabStop = value;
    s.TabStopChanged();
}

TCursor TCustomControl::Cursor() const {
    return ControlState(*this).cursor;
}
void TCustomControl::SetCursor(TCursor cursor) {
    TControlState& s = ControlState(*this);
    s.cursor = cursor;
    s.CursorChanged();
}

// --- Shape and mouse transparency ------------------------------------------------------------

void SetControlShape(TCustomControl& control, const std::vector<TRect>& shape) {
    TControlState& s = ControlState(control);
    s.shape = shape;
    s.ShapeChanged();
}

const std::vector<TRect>& ControlShape(const TCustomControl& control) {
    return ControlState(control).shape;
}

void SetTransparentForMouse(TCustomControl& control, bool transparent) {
    TControlState& s = ControlState(control);
    s.mouseTransparent = transparent;
    s.MouseTransparencyChanged();
}

bool TransparentForMouse(const TCustomControl& control) {
    return ControlState(control).mouseTransparent;
}
