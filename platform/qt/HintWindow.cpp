// The hint window over Qt: a frameless tool-tip window shown without activation, kept inside
// the work area of its screen. It fades in where the desktop animates tooltips with fading
// (the opacity needs a compositor; without one it simply shows).
#include "platform/HintWindow.h"

#include "QtCanvas.h"
#include "platform/qt/QtColors.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QPointer>
#include <QPropertyAnimation>
#include <QScreen>
#include <QWidget>

namespace {

char separatorOverride = '\0';
int dpiOverride = 0;

class HintWidget : public QWidget {
public:
    HintWidget()
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput) {
        // The mouse passes through: a hint over the cell it explains must not make the tree
        // lose the mouse and hide it again.
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_DeleteOnClose, false);
        setFocusPolicy(Qt::NoFocus);
    }
    THintWindowData data;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), ToQColor(data.Color, &palette()));
        if (!data.InPlace) {
            painter.setPen(ToQColor(clInfoText, &palette()));
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
        }
        painter.setFont(ToQFont(data.Font));
        painter.setPen(ToQColor(data.Font.Color(), &palette()));
        const QString text = AnsiToQString(data.Text);
        const QStringList lines =
            QString(text).replace("\r\n", "\n").replace('\r', '\n').split('\n');
        const QFontMetrics metrics(painter.font());
        const int lineHeight = metrics.height();
        int top = data.InPlace ? (height() - lineHeight * int(lines.size())) / 2 : 1;
        for (const QString& line : lines) {
            painter.drawText(QRect(data.TextMargin, top, width() - data.TextMargin, lineHeight),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line);
            top += lineHeight;
        }
    }
};

QPointer<HintWidget> window;

HintWidget& Window() {
    if (!window) {
        window = new HintWidget;
        // The window goes with the application object, not after it.
        qAddPostRoutine([] { delete window.data(); });
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
    w.setGeometry(InsideWorkArea(QRect(b.Left, b.Top, b.Width(), b.Height())));
    if (data.Animation == THintAnimation::Fade && !wasShowing) {
        w.setWindowOpacity(0.0);
        auto* fade = new QPropertyAnimation(&w, "windowOpacity", &w);
        fade->setDuration(150);
        fade->setStartValue(0.0);
        fade->setEndValue(1.0);
        fade->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        w.setWindowOpacity(1.0);
    }
    w.show();
    w.update();
}

void HideHintWindow(const void* owner) {
    if (!window || (owner && window->data.Owner != owner)) return;
    window->hide();
    window->data = THintWindowData();
}

bool HintWindowShowing() {
    return window && window->isVisible();
}

THintWindowData ShownHint() {
    return HintWindowShowing() ? window->data : THintWindowData();
}

THintAnimation DesktopHintAnimation() {
    if (!QApplication::isEffectEnabled(Qt::UI_AnimateTooltip)) return THintAnimation::None;
    return QApplication::isEffectEnabled(Qt::UI_FadeTooltip) ? THintAnimation::Fade
                                                             : THintAnimation::Slide;
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
