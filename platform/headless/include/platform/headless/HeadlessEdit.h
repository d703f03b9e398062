// What a test does to an in-place editor in the headless backend: keys and typing as a user
// gives them, and the focus going away to another program.
#pragma once

#include <string>

#include "platform/EditControl.h"

// A key press: the editor's KeyDown, then its own handling of what is left (Left, Right,
// Home, End, Backspace, Delete; Tab goes to the form unless the editor wants it). Returns
// whether the editor used the key.
bool HeadlessEditKey(TEditControl& edit, uint16_t key, TShiftState shift = 0);
// Types the characters one by one: KeyPress, then insertion over the selection.
void HeadlessEditType(TEditControl& edit, const std::string& text);
// The focus leaves every control and editor (another program's window takes it).
void HeadlessFocusElsewhere();
