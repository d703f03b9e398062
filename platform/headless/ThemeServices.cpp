// Visual styles without a display: none are usable, so every control paints its classic look.
#include "platform/ThemeServices.h"

namespace {
bool themesDisabled = false;
}

bool ThemesUsable() { return false; }
void SetThemesDisabled(bool disabled) { themesDisabled = disabled; }
HTHEME OpenThemeData(const char*) { return nullptr; }
void CloseThemeData(HTHEME) {}
void DrawThemeBackground(HTHEME, TCanvas&, int, int, const TRect&) {}
// The drag threshold of a desktop's default settings, in pixels.
int StartDragDistance() { return 10; }
