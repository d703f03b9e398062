// The hint window: one small frameless window of the process that shows a text over the
// desktop without taking the focus (a node's hint, or a cell's whole text in place). And the
// two desktop settings texts near it depend on: the list separator and the screen's DPI.
#pragma once

#include <string>

#include "platform/Graphics.h"

enum class THintAnimation { None, Fade, Slide };

// What a hint shows: the text (lines end at CR, LF or CR LF) drawn in Font on Color, inside
// Bounds (screen coordinates; kept within the desktop's work area). TextMargin is the room
// left of the text; Owner tells whose hint it is.
struct THintWindowData {
    std::string Text;
    TRect Bounds;
    TFont Font;
    TColor Color = clInfoBk;
    int TextMargin = 2;
    bool InPlace = false;  // the text sits exactly where the cell shows it
    THintAnimation Animation = THintAnimation::None;
    const void* Owner = nullptr;
};

// Shows (or moves and redraws) the hint window with data; it never takes the focus.
void ActivateHintWindow(const THintWindowData& data);
// Hides the hint window when owner's hint is up (nullptr: whoever's).
void HideHintWindow(const void* owner = nullptr);
bool HintWindowShowing();
// The data of the hint shown now (empty when none).
THintWindowData ShownHint();
// Whether the desktop animates tooltips, and how (None when it does not).
THintAnimation DesktopHintAnimation();

// The list separator of the user's locale: ";" where the decimal point is ",", else ",".
// A value set for tests wins ('\0': the locale's again).
char ListSeparator();
void SetListSeparatorOverride(char separator);
// Logical dots per inch of the screen (96 offscreen and headless); a value set for tests wins
// (0: the screen's again).
int ScreenPixelsPerInch();
void SetScreenPixelsPerInchOverride(int dpi);
