// Controls inside other controls: a small window that lies over a control's client area (such as
// the tree's wheel-panning picture), optionally shaped and letting the mouse through.
#pragma once

#include <vector>

#include "platform/Controls.h"
#include "platform/Graphics.h"

// Puts `child` into `parent`'s client area (nullptr: a window of its own again). The child's
// Left and Top are then client coordinates of the parent; it is drawn over the parent's
// client area, including when the parent paints itself into a bitmap (PaintTo). A child that
// outlives its parent is left on its own.
void SetParentControl(TCustomControl& child, TCustomControl* parent);
TCustomControl* ParentControl(const TCustomControl& child);

// Limits the window to the union of `shape` (rectangles in window coordinates): only those
// pixels show. An empty list shows the whole window.
void SetControlShape(TCustomControl& control, const std::vector<TRect>& shape);
const std::vector<TRect>& ControlShape(const TCustomControl& control);

// Mouse messages pass through the window to what lies below it.
void SetTransparentForMouse(TCustomControl& control, bool transparent);
bool TransparentForMouse(const TCustomControl& control);
