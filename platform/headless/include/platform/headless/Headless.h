// What a test sets in the headless backend's stand-in for a desktop: the mouse and the
// modifier keys that controls ask for.
#pragma once

#include <vector>

#include "platform/Graphics.h"
#include "platform/KeyCodes.h"

// The mouse position in screen coordinates; (-1, -1) at first, outside every control.
void SetHeadlessMousePosition(TPoint screen);
// The modifier keys and buttons that TCustomControl::KeyboardState reports; none at first.
void SetHeadlessKeyboardState(TShiftState state);
// Whether GlobalCursorSet (platform/Cursors.h) answers true; false at first.
void SetHeadlessGlobalCursor(bool set);

// The help contexts ShowHelpContext was asked to show (non-zero only), oldest first.
const std::vector<int>& HeadlessHelpRequests();
void ClearHeadlessHelpRequests();
