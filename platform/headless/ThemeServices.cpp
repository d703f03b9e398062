// Without a display there is no desktop style: controls take their classic path.
#include "platform/ThemeServices.h"
#include "platform/headless/Headless.h"

bool ThemesUsable() {
    return false;
}
void SetThemesDisabled(bool) {}
HTHEME OpenThemeData(const char*) {
    return nullptr;
}
void CloseThemeData(HTHEME) {}
void DrawThemeBackground(HTHEME, TCanvas&, int, int, const TRect&) {}
int StartDragDistance() {
    return 10;
}

namespace {
double screenPixelRatio = 1.0;
}  // namespace

void SetHeadlessScreenPixelRatio(double ratio) {
    screenPixelRatio = ratio > 0 ? ratio : 1.0;
}
double ScreenPixelRatio() {
    return screenPixelRatio;
}
