// What a test sets in the headless backend's stand-in for a desktop: the mouse, the modifier
// keys that controls ask for, and the clock.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Graphics.h"
#include "platform/KeyCodes.h"

// The headless clock (TickCount, platform/EventLoop.h) is virtual: it moves only here and in
// ProcessMessagesUntil. AdvanceTime walks it `milliseconds` on without waiting: every timer
// that falls due in the span fires at its instant, in due order (a 10 ms timer advanced 35 ms
// fires at 10, 20 and 30), and what the handlers post runs before the clock moves on.
// Descriptors are looked at, never waited for.
void AdvanceTime(int milliseconds);

// The mouse position in screen coordinates; (-1, -1) at first, outside every control.
void SetHeadlessMousePosition(TPoint screen);
// The modifier keys and buttons that TCustomControl::KeyboardState reports; none at first.
void SetHeadlessKeyboardState(TShiftState state);
// Whether GlobalCursorSet (platform/Cursors.h) answers true; false at first.
void SetHeadlessGlobalCursor(bool set);
// The screen's device pixels per logical pixel (1 unless set).
void SetHeadlessScreenPixelRatio(double ratio);

// The help contexts ShowHelpContext was asked to show (non-zero only), oldest first.
const std::vector<int>& HeadlessHelpRequests();
void ClearHeadlessHelpRequests();

// The mouse moved or the left button was released at a screen point: a running in-process drag
// follows it (platform/FormDrag.h). Escape is CancelFormDrag.
void HeadlessMouseMove(TPoint screen);
void HeadlessMouseUp(TPoint screen);
// Whether the drag cursor shows that the control under it accepts the drag.
bool HeadlessFormDragCursorAccepts();

// How many bytes of text every canvas has measured and drawn so far: tests of long texts
// count the work done rather than time it.
uint64_t HeadlessTextBytesMeasured();
uint64_t HeadlessTextBytesDrawn();
