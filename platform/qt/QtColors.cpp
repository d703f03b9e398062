// System colours resolved through QPalette, and COLORREF conversions.
#include "platform/qt/QtColors.h"

#include "platform/Canvas.h"

#include <QGuiApplication>

namespace {

struct RoleOf {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The palette role that plays each Windows system colour's part, by its index.
bool RoleForIndex(int index, RoleOf& out) {
    using P = QPalette;
    static const RoleOf roles[] = {
        {P::Active, P::Button},           // 0 scroll bar
        {P::Active, P::Window},           // 1 desktop
        {P::Active, P::Highlight},        // 2 active caption
        {P::Inactive, P::Mid},            // 3 inactive caption
        {P::Active, P::Window},           // 4 menu
        {P::Active, P::Base},             // 5 window
        {P::Active, P::Shadow},           // 6 window frame
        {P::Active, P::WindowText},       // 7 menu text
        {P::Active, P::Text},             // 8 window text
        {P::Active, P::HighlightedText},  // 9 caption text
        {P::Active, P::Window},           // 10 active border
        {P::Inactive, P::Window},         // 11 inactive border
        {P::Active, P::Dark},             // 12 application workspace
        {P::Active, P::Highlight},        // 13 highlight
        {P::Active, P::HighlightedText},  // 14 highlight text
        {P::Active, P::Button},           // 15 button face
        {P::Active, P::Dark},             // 16 button shadow
        {P::Disabled, P::Text},           // 17 grey text
        {P::Active, P::ButtonText},       // 18 button text
        {P::Inactive, P::WindowText},     // 19 inactive caption text
        {P::Active, P::Light},            // 20 button highlight
        {P::Active, P::Shadow},           // 21 3-D dark shadow
        {P::Active, P::Midlight},         // 22 3-D light
        {P::Active, P::ToolTipText},      // 23 info text
        {P::Active, P::ToolTipBase},      // 24 info background
        {P::Active, P::Button},           // 25 (unused)
        {P::Active, P::Link},             // 26 hot light
        {P::Active, P::Highlight},        // 27 gradient active caption
        {P::Inactive, P::Mid},            // 28 gradient inactive caption
        {P::Active, P::Highlight},        // 29 menu highlight
        {P::Active, P::Window},           // 30 menu bar
    };
    if (index < 0 || index >= int(std::size(roles))) return false;
    out = roles[index];
    return true;
}

}  // namespace

bool SystemColorRole(TColor color, QPalette::ColorGroup& group, QPalette::ColorRole& role) {
    if (!IsSystemColor(color) || color == clNone || color == clDefault) return false;
    RoleOf r;
    if (!RoleForIndex(int(uint32_t(color) & 0xFFFFFFu), r)) return false;
    group = r.group;
    role = r.role;
    return true;
}

QColor ToQColor(TColor color, const QPalette* palette) {
    if (color == clNone) return QColor(Qt::transparent);
    if (color == clDefault) color = clWindow;
    if (IsSystemColor(color)) {
        QPalette::ColorGroup group;
        QPalette::ColorRole role;
        if (!SystemColorRole(color, group, role)) return QColor(Qt::black);
        if (palette) return palette->color(group, role);
        if (qGuiApp) return QGuiApplication::palette().color(group, role);
        TColor c = ClassicSystemColor(int(uint32_t(color) & 0xFFFFFFu));
        return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
    }
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

TColor FromQColor(const QColor& color) {
    return RGBColor(color.red(), color.green(), color.blue());
}

TColor ColorToRGB(TColor color) {
    if (color == clNone) return clNone;
    if (!IsSystemColor(color) && color != clDefault) return color;
    return FromQColor(ToQColor(color));
}
