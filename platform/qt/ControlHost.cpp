// The QWidget host behind TCustomControl: frame, header strip, scroll bars and client area.
#include "platform/Controls.h"

#include "ControlHostAccess.h"
#include "ControlState.h"
#include "QtCanvas.h"
#include "platform/ChildControls.h"
#include "platform/Codec.h"
#include "platform/Exceptions.h"
#include "platform/qt/Application.h"
#include "platform/qt/ControlHost.h"
#include "platform/qt/Cursors.h"
#include "platform/qt/QtColors.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPointer>
#include <QRegion>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <QWidget>

#include <cstdlib>

// --- The host widgets ----------------------------------------------------------------------------

namespace {
// How deep Qt is inside calls into controls: the destructor learns from it whether Qt is still
// inside one of the control's widgets (a control may be destroyed from its own handler).
int callDepth = 0;
}  // namespace

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState s = 0;
    if (modifiers & Qt::ShiftModifier) s |= ssShift;
    if (modifiers & Qt::ControlModifier) s |= ssCtrl;
    if (modifiers & Qt::AltModifier) s |= ssAlt;
    if (buttons & Qt::LeftButton) s |= ssLeft;
    if (buttons & Qt::RightButton) s |= ssRight;
    if (buttons & Qt::MiddleButton) s |= ssMiddle;
    return s;
}

// An exception ends at the boundary instead of unwinding through Qt.
void GuardedControlCall(void (*call)(void*), void* context) {
    ++callDepth;
    CallGuarded([&] { call(context); });
    --callDepth;
}

namespace {

using A = ControlHostAccess;

const QEvent::Type PostedMessageEvent = QEvent::Type(QEvent::registerEventType());

class PostedEvent : public QEvent {
public:
    PostedEvent(unsigned msg, intptr_t w, intptr_t l)
        : QEvent(PostedMessageEvent), Msg(msg), W(w), L(l) {}
    unsigned Msg;
    intptr_t W, L;
};

// A wheel event's movement for the control: the vertical wheel when it moved, else the
// sideways one, which only controls that scroll sideways take. Returns whether it was used.
bool FeedWheel(TCustomControl& control, const QWheelEvent* e, TPoint at) {
    const QPoint angle = e->angleDelta();
    const TShiftState shift = ShiftStateOf(e->modifiers(), e->buttons());
    if (angle.y() != 0) return A::Wheel(control, shift, angle.y(), at);
    if (angle.x() != 0) return A::HorizontalWheel(control, shift, angle.x(), at);
    return false;
}

bool ButtonOf(Qt::MouseButton b, TMouseButton& out) {
    switch (b) {
        case Qt::LeftButton:
            out = mbLeft;
            return true;
        case Qt::RightButton:
            out = mbRight;
            return true;
        case Qt::MiddleButton:
            out = mbMiddle;
            return true;
        default:
            return false;
    }
}

uint16_t VirtualKeyOf(const QKeyEvent* e) {
    int key = e->key();
    bool keypad = e->modifiers() & Qt::KeypadModifier;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return uint16_t('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return uint16_t(keypad ? VK_NUMPAD0 + (key - Qt::Key_0) : '0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return uint16_t(VK_F1 + (key - Qt::Key_F1));
    switch (key) {
        case Qt::Key_Backspace:
            return VK_BACK;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return VK_TAB;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Shift:
            return VK_SHIFT;
        case Qt::Key_Control:
            return VK_CONTROL;
        case Qt::Key_Alt:
            return VK_MENU;
        case Qt::Key_Pause:
            return VK_PAUSE;
        case Qt::Key_CapsLock:
            return VK_CAPITAL;
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Space:
            return VK_SPACE;
        case Qt::Key_PageUp:
            return VK_PRIOR;
        case Qt::Key_PageDown:
            return VK_NEXT;
        case Qt::Key_End:
            return VK_END;
        case Qt::Key_Home:
            return VK_HOME;
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Down:
            return VK_DOWN;
        case Qt::Key_Print:
            return VK_SNAPSHOT;
        case Qt::Key_Insert:
            return VK_INSERT;
        case Qt::Key_Delete:
            return VK_DELETE;
        case Qt::Key_Help:
            return VK_HELP;
        case Qt::Key_Menu:
            return VK_APPS;
        case Qt::Key_NumLock:
            return VK_NUMLOCK;
        case Qt::Key_ScrollLock:
            return VK_SCROLL;
        case Qt::Key_Asterisk:
            return keypad ? uint16_t(VK_MULTIPLY) : uint16_t('8');
        case Qt::Key_Plus:
            return keypad ? VK_ADD : VK_OEM_PLUS;
        case Qt::Key_Minus:
            return keypad ? VK_SUBTRACT : VK_OEM_MINUS;
        case Qt::Key_Slash:
            return keypad ? VK_DIVIDE : VK_OEM_2;
        case Qt::Key_Period:
            return keypad ? VK_DECIMAL : VK_OEM_PERIOD;
        case Qt::Key_Comma:
            return VK_OEM_COMMA;
        case Qt::Key_Equal:
            return VK_OEM_PLUS;
        case Qt::Key_Semicolon:
            return VK_OEM_1;
        case Qt::Key_QuoteLeft:
            return VK_OEM_3;
        case Qt::Key_BracketLeft:
            return VK_OEM_4;
        case Qt::Key_Backslash:
            return VK_OEM_5;
        case Qt::Key_BracketRight:
            return VK_OEM_6;
        case Qt::Key_Apostrophe:
            return VK_OEM_7;
        default:
            return 0;
    }
}

QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}
TRect FromQRect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

class ControlHostWidget;

class ClientViewport : public QWidget {
public:
    ClientViewport(ControlHostWidget* host, TCustomControl* control);
    TCustomControl* control;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    bool Preview(QMouseEvent* e, TMouseAction action, TMouseMessage& m);
    bool clicked_ = false;
};

}  // namespace

struct TCustomControl::Impl : TControlState {
    QPointer<ControlHostWidget> host;
    ClientViewport* viewport = nullptr;
    QScrollBar* bars[2] = {nullptr, nullptr};
    QRect clientRect;  // in the host's coordinates
    QRegion dirty;
    bool layingOut = false;

    void Layout() override;
    void SyncBar(TScrollBarKind kind);
    void Allocate();
    void FrameChanged() override;
    void QueueStripPaint() override;
    void ScrollBarChanged(TScrollBarKind kind, bool redraw) override;
    int ScrollBarExtent() const override;
    int StartTimer(int id, unsigned milliseconds) override;
    void StopTimer(int qtId) override;
    void CursorChanged() override;
    void TabStopChanged() override;
    void ShapeChanged() override;
    void MouseTransparencyChanged() override;
};

namespace {

class ControlHostWidget : public QWidget {
public:
    explicit ControlHostWidget(TCustomControl::Impl* impl) : impl(impl) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::ClickFocus);
        resize(200, 100);
    }
    ~ControlHostWidget() override {
        // The scroll bars' filters read this widget; they go while it is still whole, so the
        // events of their own teardown (a shown bar hides) find no half-destroyed host.
        impl = nullptr;
        for (QScrollBar* bar : findChildren<QScrollBar*>(Qt::FindDirectChildrenOnly)) delete bar;
    }
    TCustomControl::Impl* impl;  // nullptr once the control is gone

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent*) override {
        if (impl) impl->Layout();
    }
    void showEvent(QShowEvent*) override {
        if (impl && !impl->handleAllocated) impl->Allocate();
    }
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent*) override {
        if (impl) A::Enter(*impl->owner);
    }
    void focusOutEvent(QFocusEvent*) override {
        if (impl) A::Exit(*impl->owner);
    }
    void timerEvent(QTimerEvent* e) override;
    void changeEvent(QEvent* e) override {
        if (impl && (e->type() == QEvent::PaletteChange || e->type() == QEvent::StyleChange)) {
            impl->Layout();
            if (impl) A::Style(*impl->owner);
        }
        QWidget::changeEvent(e);
    }
    void mousePressEvent(QMouseEvent* e) override { StripMouse(e, TMouseAction::Down); }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        StripMouse(e, TMouseAction::DoubleClick);
    }
    void mouseReleaseEvent(QMouseEvent* e) override { StripMouse(e, TMouseAction::Up); }
    void mouseMoveEvent(QMouseEvent* e) override { StripMouse(e, TMouseAction::Move); }

private:
    // The frame and the header strip are the control's own: their presses only go to the
    // preview (where the header lives) and give the focus.
    void StripMouse(QMouseEvent* e, TMouseAction action) {
        if (!impl) return;
        TMouseMessage m;
        m.Action = action;
        ButtonOf(e->button(), m.Button);
        m.Shift = ShiftStateOf(e->modifiers(), e->buttons());
        if (action == TMouseAction::DoubleClick) m.Shift |= ssDouble;
        QPoint p = e->position().toPoint() - impl->clientRect.topLeft();
        m.Pos = {p.x(), p.y()};
        m.InHeaderStrip = p.y() < 0 && p.y() >= -impl->headerHeight;
        if (A::Preview(*impl->owner, m) || !impl) return;
        if (action == TMouseAction::Down && impl->owner->CanFocus()) setFocus(Qt::MouseFocusReason);
    }
};

bool ControlHostWidget::event(QEvent* e) {
    if (impl) {
        if (e->type() == PostedMessageEvent) {
            auto* pe = static_cast<PostedEvent*>(e);
            A::Posted(*impl->owner, pe->Msg, pe->W, pe->L);
            return true;
        }
        if (e->type() == QEvent::KeyPress) {
            // Tab goes to the control only when it asks for it; otherwise the form moves on.
            auto* ke = static_cast<QKeyEvent*>(e);
            if ((ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) &&
                !(ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
                if (A::WantKey(*impl->owner, VK_TAB, ShiftStateOf(ke->modifiers())))
                    keyPressEvent(ke);
                else
                    focusNextPrevChild(ke->key() == Qt::Key_Tab &&
                                       !(ke->modifiers() & Qt::ShiftModifier));
                return true;
            }
        }
    }
    return QWidget::event(e);
}

void ControlHostWidget::paintEvent(QPaintEvent* e) {
    if (!impl) return;
    QPainter painter(this);
    const int f = impl->owner->BorderWidth();
    const QRect all = rect();
    DrawControlFrame(all.width(), all.height(), f, impl->ctl3D, [&](const TRect& r, TColor c) {
        painter.fillRect(ToQRect(r), ToQColor(c, &palette()));
    });
    // The corner between two scroll bars.
    QScrollBar* v = impl->bars[sbVertical];
    QScrollBar* h = impl->bars[sbHorizontal];
    if (v->isVisibleTo(this) && h->isVisibleTo(this))
        painter.fillRect(QRect(v->x(), h->y(), v->width(), h->height()),
                         ToQColor(clBtnFace, &palette()));
    if (impl->headerHeight > 0) {
        const QRect strip = ToQRect(impl->StripBounds(all.width()));
        if (e->region().intersects(strip)) {
            painter.save();
            painter.setClipRect(strip);
            painter.translate(strip.topLeft());
            auto canvas = MakePainterCanvas(painter);
            A::PaintStrip(*impl->owner, *canvas, {0, 0, strip.width(), strip.height()});
            canvas.reset();
            painter.restore();
        }
    }
}

void ControlHostWidget::keyPressEvent(QKeyEvent* e) {
    if (!impl) return;
    TShiftState shift = ShiftStateOf(e->modifiers(), QGuiApplication::mouseButtons());
    uint16_t key = VirtualKeyOf(e);
    // The one character the key types, if any.
    const QList<uint> typed = e->text().toUcs4();
    const char32_t ch = typed.size() == 1 ? char32_t(typed.front()) : 0;
    if (key == 0 && ch >= 32 && ch != 127) key = VK_PROCESSKEY;
    bool used = false;
    if (key != 0) {
        A::KeyDown(*impl->owner, key, shift);
        used = key == 0;
    }
    if (!used && impl && ch != 0) {
        char32_t c = ch;
        A::UnicodeKeyPress(*impl->owner, c);
        used = c == 0;
    }
    // A key the control left alone goes on to the form: default buttons, Escape, shortcuts.
    e->setAccepted(used);
}

void ControlHostWidget::keyReleaseEvent(QKeyEvent* e) {
    if (!impl || e->isAutoRepeat()) return;
    uint16_t key = VirtualKeyOf(e);
    if (key == 0) {
        e->ignore();
        return;
    }
    A::KeyUp(*impl->owner, key, ShiftStateOf(e->modifiers(), QGuiApplication::mouseButtons()));
    e->setAccepted(key == 0);
}

void ControlHostWidget::timerEvent(QTimerEvent* e) {
    if (!impl) return;
    for (const auto& [id, qtId] : impl->timers)
        if (qtId == e->timerId()) {
            A::Timer(*impl->owner, id);
            return;
        }
}

ClientViewport::ClientViewport(ControlHostWidget* host, TCustomControl* control)
    : QWidget(host), control(control) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusProxy(host);
    setFocusPolicy(Qt::ClickFocus);
    setAutoFillBackground(false);
}

void ClientViewport::paintEvent(QPaintEvent* e) {
    if (!control) return;
    TCustomControl::Impl& impl = control->Internal();
    impl.dirty -= e->region();
    QPainter painter(this);
    auto canvas = MakePainterCanvas(painter);
    canvas->Font().Assign(impl.font);
    A::Paint(*control, *canvas, FromQRect(e->rect()));
}

// The message of a mouse event over the client area; false for buttons the controls ignore
// and for a preview that consumed it.
bool ClientViewport::Preview(QMouseEvent* e, TMouseAction action, TMouseMessage& m) {
    if (!control) return false;
    m.Action = action;
    if (action != TMouseAction::Move && !ButtonOf(e->button(), m.Button)) return false;
    m.Shift = ShiftStateOf(e->modifiers(), e->buttons());
    if (action == TMouseAction::DoubleClick) m.Shift |= ssDouble;
    QPoint p = e->position().toPoint();
    m.Pos = {p.x(), p.y()};
    return !A::Preview(*control, m);
}

void ClientViewport::mousePressEvent(QMouseEvent* e) {
    TMouseMessage m;
    if (!Preview(e, TMouseAction::Down, m)) return;
    clicked_ = m.Button == mbLeft;
    A::MouseDown(*control, m.Button, m.Shift, m.Pos.X, m.Pos.Y);
}

void ClientViewport::mouseDoubleClickEvent(QMouseEvent* e) {
    TMouseMessage m;
    if (!Preview(e, TMouseAction::DoubleClick, m)) return;
    QPointer<ClientViewport> alive(this);
    A::MouseDown(*control, m.Button, m.Shift, m.Pos.X, m.Pos.Y);
    if (alive && control && m.Button == mbLeft) A::DblClick(*control);
}

void ClientViewport::mouseReleaseEvent(QMouseEvent* e) {
    TMouseMessage m;
    if (!Preview(e, TMouseAction::Up, m)) return;
    bool click = clicked_ && m.Button == mbLeft && rect().contains(QPoint(m.Pos.X, m.Pos.Y));
    if (m.Button == mbLeft) clicked_ = false;
    QPointer<ClientViewport> alive(this);
    A::MouseUp(*control, m.Button, m.Shift, m.Pos.X, m.Pos.Y);
    if (click && alive && control) A::Click(*control);
}

void ClientViewport::mouseMoveEvent(QMouseEvent* e) {
    TMouseMessage m;
    if (Preview(e, TMouseAction::Move, m)) A::MouseMove(*control, m.Shift, m.Pos.X, m.Pos.Y);
}

void ClientViewport::wheelEvent(QWheelEvent* e) {
    if (!control) return;
    QPoint p = e->position().toPoint();
    e->setAccepted(FeedWheel(*control, e, {p.x(), p.y()}));
}

void ClientViewport::leaveEvent(QEvent*) {
    if (control) A::Leave(*control);
}

void ClientViewport::contextMenuEvent(QContextMenuEvent* e) {
    if (!control) return;
    bool handled = false;
    A::Context(*control, {e->pos().x(), e->pos().y()}, handled);
    e->setAccepted(handled);
}

// Scroll bars report as the Windows world does: a code per action and an end-of-scroll.
// It reaches the control through the host, which outlives the control when the control goes
// away inside one of its own scroll messages.
class BarFilter : public QObject {
public:
    BarFilter(ControlHostWidget* host, TScrollBarKind kind, QObject* parent)
        : QObject(parent), host_(host), kind_(kind) {}

    void Dispatch(TScrollCode code, int pos) {
        TCustomControl::Impl* impl = host_->impl;
        if (!impl) return;
        impl->models[kind_].SetTrackPos(pos);
        A::Scroll(*impl->owner, kind_, code, pos);
        // Whatever the control made of it, the bar shows the control's position.
        if (host_->impl) host_->impl->SyncBar(kind_);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        auto* bar = static_cast<QScrollBar*>(watched);
        TCustomControl::Impl* impl = host_->impl;
        if (!impl) return false;
        if (e->type() == QEvent::MouseButtonRelease) {
            if (bar->isSliderDown()) Dispatch(SB_THUMBPOSITION, bar->sliderPosition());
            Dispatch(SB_ENDSCROLL, 0);
        } else if (e->type() == QEvent::Wheel) {
            auto* we = static_cast<QWheelEvent*>(e);
            QPoint global = we->globalPosition().toPoint();
            QPoint p = impl->viewport->mapFromGlobal(global);
            FeedWheel(*impl->owner, we, {p.x(), p.y()});
            return true;
        }
        return false;
    }

private:
    ControlHostWidget* host_;  // the filter's grandparent: it lives as long
    TScrollBarKind kind_;
};

}  // namespace

int TCustomControl::Impl::ScrollBarExtent() const {
    if (!host) return 16;
    return host->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bars[sbVertical]);
}

void TCustomControl::Impl::Layout() {
    if (!host || layingOut) return;
    layingOut = true;
    const int f = owner->BorderWidth();
    const int W = host->width(), H = host->height();
    const int ext = ScrollBarExtent();
    const bool vb = models[sbVertical].Visible(), hb = models[sbHorizontal].Visible();
    const bool rtl = owner->UseRightToLeftScrollBar();
    const TControlLayout parts = LayoutControl(W, H, f, headerHeight, vb, hb, ext, rtl);
    QRect old = clientRect;
    clientRect = ToQRect(parts.Client);
    viewport->setGeometry(clientRect);
    bars[sbVertical]->setGeometry(ToQRect(parts.VerticalBar));
    bars[sbHorizontal]->setGeometry(ToQRect(parts.HorizontalBar));
    bars[sbVertical]->setVisible(vb);
    bars[sbHorizontal]->setVisible(hb);
    layingOut = false;
    if (old.size() != clientRect.size()) {
        host->update();
        if (handleAllocated) A::Resize(*owner);
    } else if (old != clientRect) {
        host->update();
    }
}

void TCustomControl::Impl::SyncBar(TScrollBarKind kind) {
    QScrollBar* bar = bars[kind];
    const TScrollBarModel& m = models[kind];
    TScrollInfo info = m.Get();
    QSignalBlocker block(bar);
    bar->setRange(info.Min, m.MaxPos());
    bar->setPageStep(std::max(1, int(info.Page)));
    bar->setValue(info.Pos);
    bar->setSliderPosition(info.Pos);
    bar->setEnabled(m.Enabled());
}

void TCustomControl::Impl::Allocate() {
    if (handleAllocated) return;
    handleAllocated = true;
    Layout();
    A::CreateWnd(*owner);
}

void TCustomControl::Impl::FrameChanged() {
    if (host) host->update();
}

void TCustomControl::Impl::QueueStripPaint() {
    if (host) host->update(ToQRect(StripBounds(host->width())));
}

void TCustomControl::Impl::ScrollBarChanged(TScrollBarKind kind, bool redraw) {
    if (!host) return;
    SyncBar(kind);
    if (redraw) bars[kind]->update();
}

int TCustomControl::Impl::StartTimer(int, unsigned milliseconds) {
    return host ? host->startTimer(int(milliseconds), Qt::PreciseTimer) : 0;
}

void TCustomControl::Impl::StopTimer(int qtId) {
    if (host) host->killTimer(qtId);
}

// The cursor belongs to the whole host, so the header strip above the client area shows it
// too (a column splitter); the scroll bars keep the arrow.
void TCustomControl::Impl::CursorChanged() {
    if (!host) return;
    viewport->unsetCursor();
    if (cursor == crDefault)
        host->unsetCursor();
    else
        host->setCursor(ToQCursor(cursor));
}

void TCustomControl::Impl::TabStopChanged() {
    if (!host) return;
    const Qt::FocusPolicy policy = tabStop ? Qt::StrongFocus : Qt::ClickFocus;
    host->setFocusPolicy(policy);
    viewport->setFocusPolicy(policy);
}

void TCustomControl::Impl::ShapeChanged() {
    if (!host) return;
    if (shape.empty()) {
        host->clearMask();
        return;
    }
    QRegion region;
    for (const TRect& r : shape) region += ToQRect(r);
    host->setMask(region);
}

void TCustomControl::Impl::MouseTransparencyChanged() {
    if (host) host->setAttribute(Qt::WA_TransparentForMouseEvents, mouseTransparent);
}

// --- TCustomControl --------------------------------------------------------------------------

void EnsureGuiApplication() {
    if (QCoreApplication::instance()) {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            throw EInvalidOperation("Controls need the GUI application object");
        return;
    }
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") &&
        !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "lorvane";
    static char* argv[] = {name, nullptr};
    // Kept for the life of the process: controls and their widgets may live until its end.
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

TCustomControl::TCustomControl(TComponent* owner)
    : TComponent(owner), impl_(std::make_unique<Impl>()) {
    EnsureGuiApplication();
    Impl& d = *impl_;
    d.Attach(this);
    d.host = new ControlHostWidget(&d);
    d.viewport = new ClientViewport(d.host, this);
    for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
        auto* bar = new QScrollBar(kind == sbVertical ? Qt::Vertical : Qt::Horizontal, d.host);
        bar->setCursor(Qt::ArrowCursor);
        bar->setFocusPolicy(Qt::NoFocus);
        bar->hide();
        auto* filter = new BarFilter(d.host, kind, bar);
        bar->installEventFilter(filter);
        d.bars[kind] = bar;
        QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [bar, filter](int action) {
            switch (action) {
                case QAbstractSlider::SliderSingleStepAdd:
                    filter->Dispatch(SB_LINEDOWN, 0);
                    break;
                case QAbstractSlider::SliderSingleStepSub:
                    filter->Dispatch(SB_LINEUP, 0);
                    break;
                case QAbstractSlider::SliderPageStepAdd:
                    filter->Dispatch(SB_PAGEDOWN, 0);
                    break;
                case QAbstractSlider::SliderPageStepSub:
                    filter->Dispatch(SB_PAGEUP, 0);
                    break;
                case QAbstractSlider::SliderToMinimum:
                    filter->Dispatch(SB_TOP, 0);
                    break;
                case QAbstractSlider::SliderToMaximum:
                    filter->Dispatch(SB_BOTTOM, 0);
                    break;
                case QAbstractSlider::SliderMove:
                    filter->Dispatch(bar->isSliderDown() ? SB_THUMBTRACK : SB_THUMBPOSITION,
                                     bar->sliderPosition());
                    break;
                default:
                    break;
            }
        });
    }
    d.Layout();
}

TCustomControl::~TCustomControl() {
    Impl& d = *impl_;
    if (d.host) {
        // No handler of ours may run while the widget goes away.
        d.host->impl = nullptr;
        d.viewport->control = nullptr;
        for (const auto& timer : d.timers) d.host->killTimer(timer.second);
        QCoreApplication::removePostedEvents(d.host, PostedMessageEvent);
        if (callDepth > 0) {
            // Destroyed from one of its own handlers: Qt is still inside the widgets and returns
            // into them, so they go once that dispatch is over.
            d.host->hide();
            d.host->deleteLater();
        } else {
            delete d.host.data();
        }
    }
}

int TCustomControl::Left() const {
    return impl_->host ? impl_->host->x() : 0;
}
int TCustomControl::Top() const {
    return impl_->host ? impl_->host->y() : 0;
}
int TCustomControl::Width() const {
    return impl_->host ? impl_->host->width() : 0;
}
int TCustomControl::Height() const {
    return impl_->host ? impl_->host->height() : 0;
}

void TCustomControl::SetBounds(int left, int top, int width, int height) {
    if (!impl_->host) return;
    impl_->host->setGeometry(left, top, std::max(0, width), std::max(0, height));
    impl_->Layout();  // at once, also while hidden: the client size is needed now
}

int TCustomControl::ClientWidth() const {
    return impl_->clientRect.width();
}
int TCustomControl::ClientHeight() const {
    return impl_->clientRect.height();
}

TRect TCustomControl::ClientOrigin() const {
    return FromQRect(impl_->clientRect);
}

TPoint TCustomControl::ClientToScreen(TPoint p) const {
    if (!impl_->host) return p;
    QPoint g = impl_->viewport->mapToGlobal(QPoint(p.X, p.Y));
    return {g.x(), g.y()};
}

TPoint TCustomControl::ScreenToClient(TPoint p) const {
    if (!impl_->host) return p;
    QPoint c = impl_->viewport->mapFromGlobal(QPoint(p.X, p.Y));
    return {c.x(), c.y()};
}

bool TCustomControl::Visible() const {
    if (!impl_->host) return false;
    return !(impl_->host->isHidden() && impl_->host->testAttribute(Qt::WA_WState_ExplicitShowHide));
}

void TCustomControl::SetVisible(bool visible) {
    if (impl_->host) impl_->host->setVisible(visible);
}

bool TCustomControl::Enabled() const {
    return impl_->host && impl_->host->isEnabled();
}
void TCustomControl::SetEnabled(bool enabled) {
    if (impl_->host) impl_->host->setEnabled(enabled);
}

bool TCustomControl::HandleAllocated() const {
    return impl_->handleAllocated && impl_->host;
}

void TCustomControl::HandleNeeded() {
    if (impl_->host) impl_->Allocate();
}

void TCustomControl::ScrollClientArea(int dx, int dy, const TRect* clip) {
    if (!impl_->host || (dx == 0 && dy == 0)) return;
    QWidget* vp = impl_->viewport;
    if (!vp->isVisible() || !vp->updatesEnabled()) {
        vp->update();
        return;
    }
    QRect r = clip ? ToQRect(*clip) : vp->rect();
    // What is already waiting to be painted moves with the content.
    impl_->dirty.translate(dx, dy);
    vp->scroll(dx, dy, r);
}

void TCustomControl::Invalidate() {
    if (!impl_->host) return;
    impl_->dirty = QRegion(impl_->viewport->rect());
    impl_->viewport->update();
}

void TCustomControl::InvalidateRect(const TRect& r) {
    if (!impl_->host || r.IsEmpty()) return;
    QRect q = ToQRect(r).intersected(impl_->viewport->rect());
    if (q.isEmpty()) return;
    impl_->dirty += q;
    impl_->viewport->update(q);
}

void TCustomControl::Update() {
    if (!impl_->host || impl_->dirty.isEmpty()) return;
    QWidget* vp = impl_->viewport;
    if (!vp->isVisible() || !vp->updatesEnabled()) return;
    QRegion region = impl_->dirty;
    impl_->dirty = QRegion();
    vp->repaint(region);
}

void TCustomControl::SetRedraw(bool on) {
    if (impl_->host) impl_->host->setUpdatesEnabled(on);
}

bool TCustomControl::RedrawEnabled() const {
    return impl_->host && impl_->host->updatesEnabled();
}

void TCustomControl::SetOpaque(bool opaque) {
    if (impl_->host) impl_->viewport->setAttribute(Qt::WA_OpaquePaintEvent, opaque);
}

void TCustomControl::PaintTo(TBitmap& bitmap) {
    if (!impl_->host) return;
    bitmap.SetSize(Width(), Height());
    QImage& image = MutableBitmapImage(bitmap);
    impl_->host->render(&image);
}

void TCustomControl::PostMessage(unsigned msg, intptr_t wParam, intptr_t lParam) {
    if (impl_->host) QCoreApplication::postEvent(impl_->host, new PostedEvent(msg, wParam, lParam));
}

void TCustomControl::SetFocus() {
    if (impl_->host) impl_->host->setFocus(Qt::OtherFocusReason);
}

bool TCustomControl::Focused() const {
    return impl_->host && impl_->host->hasFocus();
}

bool TCustomControl::CanFocus() const {
    return impl_->host && impl_->host->isVisible() && impl_->host->isEnabled() &&
           impl_->host->focusPolicy() != Qt::NoFocus;
}

void TCustomControl::SetMouseCapture(bool capture) {
    if (!impl_->host || !impl_->viewport->isVisible()) return;
    if (capture)
        impl_->viewport->grabMouse();
    else if (QWidget::mouseGrabber() == impl_->viewport)
        impl_->viewport->releaseMouse();
}

bool TCustomControl::MouseCapture() const {
    return impl_->host && QWidget::mouseGrabber() == impl_->viewport;
}

TShiftState TCustomControl::KeyboardState() {
    return ShiftStateOf(QGuiApplication::queryKeyboardModifiers(), QGuiApplication::mouseButtons());
}

TPoint TCustomControl::MousePosition() const {
    if (!impl_->host) return {};
    QPoint p = impl_->viewport->mapFromGlobal(QCursor::pos());
    return {p.x(), p.y()};
}

// --- The bridge ------------------------------------------------------------------------------

QWidget* HostWidget(TCustomControl& control) {
    return control.Internal().host.data();
}

TCustomControl* ControlOfWidget(const QWidget* widget) {
    auto* host = dynamic_cast<const ControlHostWidget*>(widget);
    if (!host || !host->impl) return nullptr;
    return host->impl->owner;
}

// --- Child controls ------------------------------------------------------------------------

void SetParentControl(TCustomControl& child, TCustomControl* parent) {
    TCustomControl::Impl& d = child.Internal();
    if (!d.host) return;
    // Qt hides a widget that changes parents; the child keeps what it was.
    const bool shown = !d.host->isHidden();
    QWidget* inside = parent && parent->Internal().host ? parent->Internal().viewport : nullptr;
    d.host->setParent(inside);
    if (shown) d.host->show();
}

TCustomControl* ParentControl(const TCustomControl& child) {
    const TCustomControl::Impl& d = child.Internal();
    if (!d.host) return nullptr;
    auto* viewport = dynamic_cast<ClientViewport*>(d.host->parentWidget());
    return viewport ? viewport->control : nullptr;
}

TControlState& ControlState(const TCustomControl& control) {
    return control.Internal();
}
