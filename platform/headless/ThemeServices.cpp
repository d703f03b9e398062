// Without a display there is no desktop style: controls take their classic path.
#include "platform/ThemeServices.h"

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
