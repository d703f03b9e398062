// Every call from a control host into the control's handlers passes here, through the
// backend's exception boundary (GuardedControlCall): an exception from a handler ends there.
#pragma once

#include <type_traits>

#include "platform/Controls.h"

// Runs call(context), stopping any exception it throws; each backend defines it.
void GuardedControlCall(void (*call)(void*), void* context);

struct ControlHostAccess {
    template <class F>
    static void Call(F&& action) {
        GuardedControlCall([](void* f) { (*static_cast<std::remove_reference_t<F>*>(f))(); },
                           &action);
    }
    template <class F>
    static bool Ask(F&& question) {
        bool answer = false;
        Call([&] { answer = question(); });
        return answer;
    }

    static void CreateWnd(TCustomControl& c) {
        Call([&] { c.CreateWnd(); });
    }
    static void Paint(TCustomControl& c, TCanvas& canvas, const TRect& r) {
        Call([&] { c.Paint(canvas, r); });
    }
    static void PaintStrip(TCustomControl& c, TCanvas& canvas, const TRect& r) {
        Call([&] { c.PaintHeaderStrip(canvas, r); });
    }
    static void Resize(TCustomControl& c) {
        Call([&] { c.Resize(); });
    }
    static void Scroll(TCustomControl& c, TScrollBarKind k, TScrollCode code, int pos) {
        Call([&] { c.ScrollMessage(k, code, pos); });
    }
    static void Timer(TCustomControl& c, int id) {
        Call([&] { c.TimerEvent(id); });
    }
    static void Posted(TCustomControl& c, unsigned m, intptr_t w, intptr_t l) {
        Call([&] { c.PostedMessage(m, w, l); });
    }
    static bool Preview(TCustomControl& c, const TMouseMessage& m) {
        return Ask([&] { return c.PreviewMouse(m); });
    }
    static void MouseDown(TCustomControl& c, TMouseButton b, TShiftState s, int x, int y) {
        Call([&] { c.MouseDown(b, s, x, y); });
    }
    static void MouseUp(TCustomControl& c, TMouseButton b, TShiftState s, int x, int y) {
        Call([&] { c.MouseUp(b, s, x, y); });
    }
    static void MouseMove(TCustomControl& c, TShiftState s, int x, int y) {
        Call([&] { c.MouseMove(s, x, y); });
    }
    static void Click(TCustomControl& c) {
        Call([&] { c.Click(); });
    }
    static void DblClick(TCustomControl& c) {
        Call([&] { c.DblClick(); });
    }
    static bool Wheel(TCustomControl& c, TShiftState s, int d, TPoint p) {
        return Ask([&] { return c.DoMouseWheel(s, d, p); });
    }
    static bool HorizontalWheel(TCustomControl& c, TShiftState s, int d, TPoint p) {
        return Ask([&] { return c.DoMouseHorizontalWheel(s, d, p); });
    }
    static void Leave(TCustomControl& c) {
        Call([&] { c.MouseLeave(); });
    }
    static void KeyDown(TCustomControl& c, uint16_t& k, TShiftState s) {
        Call([&] { c.KeyDown(k, s); });
    }
    static void KeyUp(TCustomControl& c, uint16_t& k, TShiftState s) {
        Call([&] { c.KeyUp(k, s); });
    }
    static void KeyPress(TCustomControl& c, char& k) {
        Call([&] { c.KeyPress(k); });
    }
    static void UnicodeKeyPress(TCustomControl& c, char32_t& k) {
        Call([&] { c.UnicodeKeyPress(k); });
    }
    static bool WantKey(TCustomControl& c, uint16_t k, TShiftState s) {
        return Ask([&] { return c.WantKey(k, s); });
    }
    static void Enter(TCustomControl& c) {
        Call([&] { c.DoEnter(); });
    }
    static void Exit(TCustomControl& c) {
        Call([&] { c.DoExit(); });
    }
    static void Style(TCustomControl& c) {
        Call([&] { c.StyleChanged(); });
    }
    static void Context(TCustomControl& c, TPoint p, bool& handled) {
        Call([&] { c.DoContextPopup(p, handled); });
    }
};
