// The desktop's visual style, as far as the custom controls draw with it: header buttons, tree
// glyphs, check boxes, radio buttons and push buttons, by class, part and state. A switch turns
// the styled drawing off, so controls take their classic path.
#pragma once

#include "platform/Canvas.h"

// Theme classes are opened by name: "header", "treeview", "button".
struct TThemeData;
using HTHEME = const TThemeData*;

// Parts and states of each class.
enum : int {
    // "header"
    HeaderItemPart = 1,       // states: 1 normal, 2 hot, 3 pressed
    HeaderSortArrowPart = 4,  // states: 1 sorted up, 2 sorted down
    // "treeview"
    TreeGlyphPart = 2,  // states: 1 closed, 2 opened
    // "button"
    PushButtonPart = 1,   // states: 1 normal, 2 hot, 3 pressed, 4 disabled
    RadioButtonPart = 2,  // states: 1-4 unchecked normal/hot/pressed/disabled, 5-8 checked
    CheckBoxPart = 3,     // states: 1-4 unchecked, 5-8 checked, 9-12 mixed
};

// Whether the styled drawing is on (it is unless switched off or no style is available).
bool ThemesUsable();
// Forces the classic path (true) or lets the style draw again (false).
void SetThemesDisabled(bool disabled);
// The class's handle, or nullptr when themes are not usable or the class is unknown.
HTHEME OpenThemeData(const char* className);
void CloseThemeData(HTHEME theme);
// Draws a part in a state into r; nothing for a null handle.
void DrawThemeBackground(HTHEME theme, TCanvas& canvas, int part, int state, const TRect& r);

// How far the pointer must move with a button held before a drag starts, in pixels.
int StartDragDistance();
// Device pixels per logical pixel on the primary screen (2 on a screen scaled twice).
double ScreenPixelRatio();
