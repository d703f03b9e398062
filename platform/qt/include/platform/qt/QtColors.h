// Colours of the Windows world as Qt colours: COLORREF values and system colours by palette role.
#pragma once

#include "platform/Graphics.h"

#include <QColor>
#include <QPalette>

// A COLORREF as a QColor; a system colour resolved through the palette (the application's when
// none is given); clNone becomes transparent and clDefault the window colour.
QColor ToQColor(TColor color, const QPalette* palette = nullptr);
// The COLORREF of an opaque QColor.
TColor FromQColor(const QColor& color);
// The palette group and role that stand for a system colour; false for other colours.
bool SystemColorRole(TColor color, QPalette::ColorGroup& group, QPalette::ColorRole& role);
