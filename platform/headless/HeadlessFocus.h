// Private to platform_headless: the focus between controls and in-place editors, which hold
// the focus without being controls.
#pragma once

class TCustomControl;

namespace headless {

// The focused control (if any) loses the focus to something that is not a control.
void FocusAwayFromControls();
// A control is about to take the focus: an editor holding it loses it first.
void EditorFocusLeaves(TCustomControl* next);

}  // namespace headless
