// The hint window: one small frameless window of the process that shows a text over the
// desktop without taking the focus (a node's hint, or a cell's whole text in place). And the
// two desktop settings texts near it depend on: the list separator and the screen's DPI.
#pragma once

#include <functional>
#include <string>

#include "platform/Graphics.h"

class TCanvas;
class TCustomControl;
struct TPixelBuffer;

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
    // Draws the hint (background, frame and text) on canvas over client, the window's body
    // (0, 0, width, height of Bounds). Without it the window draws Text itself.
    std::function<void(TCanvas& canvas, const TRect& client)> Paint;
};

// Shows (or moves and redraws) the hint window with data; it never takes the focus.
void ActivateHintWindow(const THintWindowData& data);
// Hides the hint window when owner's hint is up (nullptr: whoever's).
void HideHintWindow(const void* owner = nullptr);
bool HintWindowShowing();
// The data of the hint shown now (empty when none).
THintWindowData ShownHint();
// Whether the window that holds control is the active window (hints show only over it).
bool ControlWindowActive(TCustomControl& control);
// Whether the desktop animates tooltips, and how (None when it does not).
THintAnimation DesktopHintAnimation();
// The same from the two desktop settings: animated tooltips fade when fading is on and slide
// otherwise; without animation they show at once.
THintAnimation DesktopHintAnimationFrom(bool animateTooltips, bool fadeTooltips);
// The animation a hint window really runs: fading needs a compositor (without one the hint
// shows at once); sliding uncovers the window and needs none.
THintAnimation EffectiveHintAnimation(THintAnimation wanted, bool compositing);

// An animation runs HintAnimationSteps steps, one every HintAnimationStepMs. A step is skipped
// (and the animation ends) once the hint window is hidden or shows another hint.
inline constexpr int HintAnimationSteps = 10;
inline constexpr int HintAnimationStepMs = 20;
// How many rows of a window height rows high a slide shows after step (1..steps) of steps.
int HintSlideRows(int height, int step, int steps = HintAnimationSteps);

// Whether a compositor blends the desktop's windows: only then can the hint window be
// translucent (its shadow) and fade. A value set for tests wins (-1: the desktop's again).
bool DesktopCompositing();
void SetDesktopCompositingOverride(int compositing);

// The hint's shadow: with a compositor the window is HintShadowSize pixels wider and higher
// than its body, and the strips below and right of the body darken what lies under them.
inline constexpr int HintShadowSize = 5;
// Blends the five one-pixel shadow strips of body into pixels (premultiplied, as a
// translucent window's are): strip k (0 the innermost) runs down the column body.Right + k
// from row body.Top + k + 1 to body.Bottom + k, and along the row body.Bottom + k from column
// body.Left + k + 1 up to the column strip; each pixel is covered once with black at the
// constant alpha 50, 35, 20, 10 and 5 (of 256) from the inside out. Parts outside pixels are
// cut off.
void PaintHintShadow(TPixelBuffer& pixels, const TRect& body);

// The list separator of the user's locale: ";" where the decimal point is ",", else ",".
// A value set for tests wins ('\0': the locale's again).
char ListSeparator();
void SetListSeparatorOverride(char separator);
// Logical dots per inch of the screen (96 offscreen and headless); a value set for tests wins
// (0: the screen's again).
int ScreenPixelsPerInch();
void SetScreenPixelsPerInchOverride(int dpi);
