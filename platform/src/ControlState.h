// What every control host keeps for a control the same way: frame, header strip, reading
// order, colour, font, cursor, scroll-bar models, timers by id and the window's shape. Each
// display backend's TCustomControl::Impl derives from it and fills in the hooks for what only
// the backend does (laying out its window, queueing a repaint, driving a toolkit's bars).
#pragma once

#include <map>
#include <vector>

#include "platform/Controls.h"

struct TControlState {
    TControlState() = default;
    TControlState(const TControlState&) = delete;
    TControlState& operator=(const TControlState&) = delete;
    virtual ~TControlState() = default;

    TCustomControl* owner = nullptr;
    bool handleAllocated = false;
    TBorderStyle border = bsNone;
    bool ctl3D = true;
    int headerHeight = 0;
    TBiDiMode bidi = bdLeftToRight;
    TColor color = clBtnFace;
    TFont font;
    TCursor cursor = crDefault;
    bool tabStop = false;
    TScrollBarModel models[2];
    std::map<int, int> timers;  // control's id -> the backend's id
    std::vector<TRect> shape;   // the window's shape; empty: all of it
    bool mouseTransparent = false;

    // Joins the state to its control: a change of font repaints the client area.
    void Attach(TCustomControl* control);
    // The header strip in window coordinates (inside the frame, above the client area).
    TRect StripBounds(int windowWidth) const;
    // Sets a property to value; false when it had that value already.
    template <class T>
    static bool Change(T& property, const T& value) {
        if (value == property) return false;
        property = value;
        return true;
    }

    // --- What the backend does --------------------------------------------------------------
    // Places frame, strip, bars and client area anew from the state.
    virtual void Layout() = 0;
    // The frame changed (style or 3-D look) after the layout: the whole window repaints.
    virtual void FrameChanged() = 0;
    // The header strip needs painting (it is not empty).
    virtual void QueueStripPaint() = 0;
    // A scroll bar's model changed; a bar the toolkit draws shows it (repainted with redraw).
    virtual void ScrollBarChanged(TScrollBarKind, bool /*redraw*/) {}
    virtual int ScrollBarExtent() const = 0;
    // Starts the backend's timer for the control's id; returns its id, 0 when none started.
    virtual int StartTimer(int id, unsigned milliseconds) = 0;
    virtual void StopTimer(int backendId) = 0;
    virtual void CursorChanged() {}
    virtual void TabStopChanged() {}
    virtual void ShapeChanged() = 0;
    virtual void MouseTransparencyChanged() {}
};

// The shared state of a control; each backend defines it over its TCustomControl::Impl.
TControlState& ControlState(const TCustomControl& control);

// Draws a control's frame of the given border width through fill: a sunken edge of two pixels
// for the 3-D look, else one line of that width in the frame colour.
template <class Fill>
void DrawControlFrame(int width, int height, int border, bool ctl3D, Fill&& fill) {
    if (border <= 0) return;
    const int W = width, H = height, f = border;
    if (ctl3D) {
        fill(TRect{0, 0, W, 1}, clBtnShadow);
        fill(TRect{0, 0, 1, H}, clBtnShadow);
        fill(TRect{1, 1, W - 1, 2}, cl3DDkShadow);
        fill(TRect{1, 1, 2, H - 1}, cl3DDkShadow);
        fill(TRect{0, H - 1, W, H}, clBtnHighlight);
        fill(TRect{W - 1, 0, W, H}, clBtnHighlight);
        fill(TRect{1, H - 2, W - 1, H - 1}, cl3DLight);
        fill(TRect{W - 2, 1, W - 1, H - 1}, cl3DLight);
    } else {
        fill(TRect{0, 0, W, f}, clWindowFrame);
        fill(TRect{0, H - f, W, H}, clWindowFrame);
        fill(TRect{0, 0, f, H}, clWindowFrame);
        fill(TRect{W - f, 0, W, H}, clWindowFrame);
    }
}
