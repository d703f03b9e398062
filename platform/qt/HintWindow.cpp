// The hint window over Qt: a frameless tool-tip window shown without activation, kept inside
// the work area of its screen. Where a compositor blends the desktop it is translucent, draws
// its shadow and may fade in; it may slide open anywhere.
#include "platform/HintWindow.h"

#include "QtCanvas.h"
#include "platform/Pixels.h"
#include "platform/qt/ControlHost.h"
#include "platform/qt/QtColors.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>

#if defined(LORVANE_HAVE_XCB) && QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace {

char separatorOverride = '\0';
int dpiOverride = 0;
int compositingOverride = -1;

// Whether an X11 compositor holds its manager selection.
bool XCompositing() {
#if defined(LORVANE_HAVE_XCB) && QT_CONFIG(xcb)
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return false;
    static const char name[] = "_NET_WM_CM_S0";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, sizeof name - 1, name), nullptr);
    bool owned = false;
    if (atom && atom->atom != XCB_ATOM_NONE) {
        xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
        owned = owner && owner->owner != XCB_NONE;
        std::free(owner);
    }
    std::free(atom);
    return owned;
#else
    return false;
#endif
}

class HintWidget : public QWidget {
public:
    explicit HintWidget(bool translucent)
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput),
          translucent(translucent) {
        // The mouse passes through: a hint over the cell it explains must not make the tree
        // lose the mouse and hide it again.
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_DeleteOnClose, false);
        if (translucent) setAttribute(Qt::WA_TranslucentBackground);
        setFocusPolicy(Qt::NoFocus);
        stepper.setInterval(HintAnimationStepMs);
        QObject::connect(&stepper, &QTimer::timeout, [this] { Step(); });
    }
    // Made translucent (with a shadow) because a compositor ran when it was made.
    const bool translucent;
    THintWindowData data;

    // The body's rectangle: all of the window but its shadow.
    QRect Body() const {
        return translucent ? rect().adjusted(0, 0, -HintShadowSize, -HintShadowSize) : rect();
    }

    // Runs animation from its first state (set before the window showed).
    void Animate(THintAnimation animation) {
        animation_ = animation;
        step_ = 0;
        if (animation != THintAnimation::None) stepper.start();
    }
    // Ends an animation where it is: the window shows whole.
    void StopAnimation() {
        stepper.stop();
        animation_ = THintAnimation::None;
        clearMask();
        setWindowOpacity(1.0);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect body = Body();
        if (translucent) {
            QImage strips(size(), QImage::Format_ARGB32_Premultiplied);
            strips.fill(Qt::transparent);
            TPixelBuffer pixels;
            pixels.Bits = strips.bits();
            pixels.Width = strips.width();
            pixels.Height = strips.height();
            pixels.BytesPerLine = int(strips.bytesPerLine());
            PaintHintShadow(pixels, {0, 0, body.width(), body.height()});
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(0, 0, strips);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
        painter.setClipRect(body);
        if (data.Paint) {
            std::unique_ptr<TCanvas> canvas = MakePainterCanvas(painter);
            data.Paint(*canvas, {0, 0, body.width(), body.height()});
            return;
        }
        painter.fillRect(body, ToQColor(data.Color, &palette()));
        if (!data.InPlace) {
            painter.setPen(ToQColor(clInfoText, &palette()));
            painter.drawRect(body.adjusted(0, 0, -1, -1));
        }
        painter.setFont(ToQFont(data.Font));
        painter.setPen(ToQColor(data.Font.Color(), &palette()));
        const QString text = AnsiToQString(data.Text);
        const QStringList lines =
            QString(text).replace("\r\n", "\n").replace('\r', '\n').split('\n');
        const QFontMetrics metrics(painter.font());
        const int lineHeight = metrics.height();
        int top = data.InPlace ? (body.height() - lineHeight * int(lines.size())) / 2 : 1;
        for (const QString& line : lines) {
            painter.drawText(
                QRect(data.TextMargin, top, body.width() - data.TextMargin, lineHeight),
                Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
            top += lineHeight;
        }
    }

private:
    // One step of the running animation; none once the window is hidden or the animation was
    // stopped (another hint came, or this one went).
    void Step() {
        if (animation_ == THintAnimation::None || !isVisible()) {
            stepper.stop();
            return;
        }
        ++step_;
        if (step_ >= HintAnimationSteps) {
            StopAnimation();
            return;
        }
        if (animation_ == THintAnimation::Fade) {
            setWindowOpacity(double(step_) / HintAnimationSteps);
        } else {
            // An empty mask would be no mask: at least one row shows.
            const int rows = std::max(HintSlideRows(height(), step_), 1);
            setMask(QRegion(0, 0, width(), rows));
        }
    }

    QTimer stepper;
    THintAnimation animation_ = THintAnimation::None;
    int step_ = 0;
};

QPointer<HintWidget> window;

// The hint window, made again when the compositor came or went since it was made.
HintWidget& Window() {
    const bool compositing = DesktopCompositing();
    if (window && window->translucent != compositing) {
        window->hide();
        delete window.data();
    }
    if (!window) {
        window = new HintWidget(compositing);
        static bool routineAdded = false;
        if (!routineAdded) {
            routineAdded = true;
            // The window goes with the application object, not after it.
            qAddPostRoutine([] { delete window.data(); });
        }
    }
    return *window;
}

// The rectangle moved (not shrunk, unless it is larger) into the work area of its screen.
QRect InsideWorkArea(QRect r) {
    QScreen* screen = QGuiApplication::screenAt(r.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return r;
    const QRect area = screen->availableGeometry();
    if (r.right() > area.right()) r.moveRight(area.right());
    if (r.bottom() > area.bottom()) r.moveBottom(area.bottom());
    if (r.left() < area.left()) r.moveLeft(area.left());
    if (r.top() < area.top()) r.moveTop(area.top());
    return r;
}

}  // namespace

void ActivateHintWindow(const THintWindowData& data) {
    HintWidget& w = Window();
    const bool wasShowing = w.isVisible();
    w.data = data;
    const TRect& b = data.Bounds;
    const int shadow = w.translucent ? HintShadowSize : 0;
    w.setGeometry(InsideWorkArea(QRect(b.Left, b.Top, b.Width() + shadow, b.Height() + shadow)));
    // A hint that replaces another shows at once, stopping the other's animation.
    const THintAnimation animation =
        wasShowing ? THintAnimation::None : EffectiveHintAnimation(data.Animation, w.translucent);
    w.StopAnimation();
    if (animation == THintAnimation::Fade) w.setWindowOpacity(0.0);
    if (animation == THintAnimation::Slide) w.setMask(QRegion(0, 0, w.width(), 1));
    w.show();
    w.update();
    w.Animate(animation);
}

void HideHintWindow(const void* owner) {
    if (!window || (owner && window->data.Owner != owner)) return;
    window->hide();
    window->StopAnimation();
    window->data = THintWindowData();
}

bool HintWindowShowing() {
    return window && window->isVisible();
}

THintWindowData ShownHint() {
    return HintWindowShowing() ? window->data : THintWindowData();
}

bool ControlWindowActive(TCustomControl& control) {
    QWidget* widget = HostWidget(control);
    return widget && widget->isActiveWindow();
}

THintAnimation DesktopHintAnimation() {
    return DesktopHintAnimationFrom(QApplication::isEffectEnabled(Qt::UI_AnimateTooltip),
                                    QApplication::isEffectEnabled(Qt::UI_FadeTooltip));
}

bool DesktopCompositing() {
    if (compositingOverride >= 0) return compositingOverride > 0;
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QStringLiteral("wayland"))) return true;
    if (platform == QStringLiteral("xcb")) return XCompositing();
    return false;  // offscreen, minimal, a frame buffer: nothing blends
}
void SetDesktopCompositingOverride(int compositing) {
    compositingOverride = compositing;
}

char ListSeparator() {
    if (separatorOverride) return separatorOverride;
    return QLocale().decimalPoint() == QStringLiteral(",") ? ';' : ',';
}
void SetListSeparatorOverride(char separator) {
    separatorOverride = separator;
}

int ScreenPixelsPerInch() {
    if (dpiOverride > 0) return dpiOverride;
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? int(screen->logicalDotsPerInchX() + 0.5) : 96;
}
void SetScreenPixelsPerInchOverride(int dpi) {
    dpiOverride = dpi;
}
