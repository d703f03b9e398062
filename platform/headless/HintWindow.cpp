// The headless hint window: it records what it shows. Without a desktop nothing animates or
// composites (unless a test says so), the work area is unbounded and the screen has 96 DPI.
#include "platform/HintWindow.h"

#include <clocale>

#include "platform/headless/HeadlessHints.h"

namespace {

std::vector<THintWindowData> history;
THintWindowData shown;
bool showing = false;
char separatorOverride = '\0';
int dpiOverride = 0;
int compositingOverride = -1;
bool windowsActive = true;

}  // namespace

void ActivateHintWindow(const THintWindowData& data) {
    shown = data;
    showing = true;
    history.push_back(data);
}

void HideHintWindow(const void* owner) {
    if (owner && shown.Owner != owner) return;
    showing = false;
    shown = THintWindowData();
}

bool HintWindowShowing() {
    return showing;
}
THintWindowData ShownHint() {
    return showing ? shown : THintWindowData();
}
THintAnimation DesktopHintAnimation() {
    return THintAnimation::None;
}

bool ControlWindowActive(TCustomControl&) {
    return windowsActive;
}
void SetHeadlessWindowsActive(bool active) {
    windowsActive = active;
}

bool DesktopCompositing() {
    return compositingOverride > 0;
}
void SetDesktopCompositingOverride(int compositing) {
    compositingOverride = compositing;
}

const std::vector<THintWindowData>& HeadlessHintHistory() {
    return history;
}
void ClearHeadlessHintHistory() {
    history.clear();
}

char ListSeparator() {
    if (separatorOverride) return separatorOverride;
    const std::lconv* conv = std::localeconv();
    return conv && conv->decimal_point && conv->decimal_point[0] == ',' ? ';' : ',';
}
void SetListSeparatorOverride(char separator) {
    separatorOverride = separator;
}
int ScreenPixelsPerInch() {
    return dpiOverride > 0 ? dpiOverride : 96;
}
void SetScreenPixelsPerInchOverride(int dpi) {
    dpiOverride = dpi;
}
