// What a control does with its messages unless it handles them itself: the same behind every
// control host.
#include "platform/Codec.h"
#include "platform/Controls.h"

void TCustomControl::Paint(TCanvas& canvas, const TRect& updateRect) {
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(Color());
    canvas.FillRect(updateRect);
}

void TCustomControl::PaintHeaderStrip(TCanvas& canvas, const TRect& strip) {
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(clBtnFace);
    canvas.FillRect(strip);
}

void TCustomControl::Resize() {
    if (OnResize) OnResize(this);
}

void TCustomControl::ScrollMessage(TScrollBarKind, TScrollCode, int) {}
void TCustomControl::TimerEvent(int) {}
void TCustomControl::PostedMessage(unsigned, intptr_t, intptr_t) {}
bool TCustomControl::PreviewMouse(const TMouseMessage&) {
    return false;
}

void TCustomControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TCustomControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TCustomControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TCustomControl::Click() {
    if (OnClick) OnClick(this);
}

void TCustomControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

bool TCustomControl::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
    return handled;
}

bool TCustomControl::DoMouseHorizontalWheel(TShiftState, int, TPoint) {
    return false;
}

void TCustomControl::KeyDown(uint16_t& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TCustomControl::KeyUp(uint16_t& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TCustomControl::KeyPress(char& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

void TCustomControl::UnicodeKeyPress(char32_t& key) {
    const unsigned char ansi = UnicodeToAnsiChar(key);
    if (ansi == '?' && key != U'?') return;
    char c = char(ansi);
    KeyPress(c);
    if (c == 0) key = 0;
}

bool TCustomControl::WantKey(uint16_t, TShiftState) {
    return false;
}

void TCustomControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TCustomControl::DoExit() {
    if (OnExit) OnExit(this);
}

void TCustomControl::DoContextPopup(TPoint mousePos, bool& handled) {
    if (OnContextPopup) OnContextPopup(this, mousePos, handled);
}
