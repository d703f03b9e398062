// The visual style over QStyle: header sections, branch indicators, check boxes, radio buttons
// and push-button panels, drawn through the canvas's painter.
#include "platform/ThemeServices.h"

#include "QtCanvas.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOption>

#include <atomic>
#include <cstring>

struct TThemeData {
    int Class;
};

namespace {

enum { HeaderClass, TreeViewClass, ButtonClass };
const TThemeData themeClasses[] = {{HeaderClass}, {TreeViewClass}, {ButtonClass}};
std::atomic<bool> themesDisabled{false};

QStyle* Style() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app ? QApplication::style() : nullptr;
}

QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

// Button states: for check boxes and radio buttons, 4 per check state; within them normal,
// hot, pressed, disabled.
void ApplyButtonState(QStyleOption& option, int state) {
    const int look = (state - 1) % 4;
    option.state = QStyle::State_Active;
    if (look != 3) option.state |= QStyle::State_Enabled;
    if (look == 1) option.state |= QStyle::State_MouseOver;
    if (look == 2) option.state |= QStyle::State_Sunken;
}

}  // namespace

bool ThemesUsable() {
    return !themesDisabled.load() && Style() != nullptr;
}

void SetThemesDisabled(bool disabled) {
    themesDisabled.store(disabled);
}

HTHEME OpenThemeData(const char* className) {
    if (!className || !ThemesUsable()) return nullptr;
    if (std::strcmp(className, "header") == 0) return &themeClasses[HeaderClass];
    if (std::strcmp(className, "treeview") == 0) return &themeClasses[TreeViewClass];
    if (std::strcmp(className, "button") == 0) return &themeClasses[ButtonClass];
    return nullptr;
}

void CloseThemeData(HTHEME) {}

void DrawThemeBackground(HTHEME theme, TCanvas& canvas, int part, int state, const TRect& r) {
    QStyle* style = Style();
    if (!theme || !style || r.IsEmpty()) return;
    QPainter& painter = canvas.Internal().P();
    const QRect rect = ToQRect(r);
    switch (theme->Class) {
        case HeaderClass:
            if (part == HeaderItemPart) {
                QStyleOptionHeader option;
                option.rect = rect;
                option.state =
                    QStyle::State_Enabled | QStyle::State_Horizontal | QStyle::State_Active;
                option.state |= state == 3 ? QStyle::State_Sunken : QStyle::State_Raised;
                if (state == 2) option.state |= QStyle::State_MouseOver;
                option.position = QStyleOptionHeader::Middle;
                style->drawControl(QStyle::CE_HeaderSection, &option, &painter);
            } else if (part == HeaderSortArrowPart) {
                QStyleOptionHeader option;
                option.rect = rect;
                option.state = QStyle::State_Enabled;
                option.sortIndicator =
                    state == 1 ? QStyleOptionHeader::SortUp : QStyleOptionHeader::SortDown;
                style->drawPrimitive(QStyle::PE_IndicatorHeaderArrow, &option, &painter);
            }
            break;
        case TreeViewClass:
            if (part == TreeGlyphPart) {
                QStyleOption option;
                option.rect = rect;
                option.state = QStyle::State_Enabled | QStyle::State_Children;
                if (state == 2) option.state |= QStyle::State_Open;
                style->drawPrimitive(QStyle::PE_IndicatorBranch, &option, &painter);
            }
            break;
        case ButtonClass: {
            QStyleOptionButton option;
            option.rect = rect;
            ApplyButtonState(option, state);
            if (part == PushButtonPart) {
                style->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter);
            } else if (part == RadioButtonPart) {
                option.state |= state >= 5 ? QStyle::State_On : QStyle::State_Off;
                style->drawPrimitive(QStyle::PE_IndicatorRadioButton, &option, &painter);
            } else if (part == CheckBoxPart) {
                option.state |= state >= 9   ? QStyle::State_NoChange
                                : state >= 5 ? QStyle::State_On
                                             : QStyle::State_Off;
                style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter);
            }
            break;
        }
        default:
            break;
    }
}

double ScreenPixelRatio() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (QScreen* screen = QGuiApplication::primaryScreen()) return screen->devicePixelRatio();
    return 1.0;
}

int StartDragDistance() {
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return app->styleHints()->startDragDistance();
    return 10;
}
