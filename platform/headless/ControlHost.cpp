// The headless control host: a window that exists only as state. Geometry, scroll bars,
// focus and capture are kept as a desktop would keep them; invalidation paints from the event
// queue into the control's own pixels; timers and posted messages run from the queue.
#include "platform/Controls.h"

#include <algorithm>
#include <vector>

#include "ControlHostAccess.h"
#include "ControlState.h"
#include "HeadlessCanvas.h"
#include "HeadlessFocus.h"
#include "HeadlessLoop.h"
#include "platform/ChildControls.h"
#include "platform/headless/Headless.h"

namespace {

TPoint mousePosition{-1, -1};
TShiftState keyboardState = 0;
TCustomControl* focusedControl = nullptr;
constexpr int kScrollBarExtent = 16;

}  // namespace

void SetHeadlessMousePosition(TPoint screen) {
    mousePosition = screen;
}
void SetHeadlessKeyboardState(TShiftState state) {
    keyboardState = state;
}

// An exception from a handler ends at the boundary.
void GuardedControlCall(void (*call)(void*), void* context) {
    headless::Guarded([&] { call(context); });
}

using A = ControlHostAccess;

struct TCustomControl::Impl : TControlState {
    TRect bounds{0, 0, 200, 100};
    bool hidden = true;             // not shown (a new window is not on screen)
    bool explicitShowHide = false;  // shown or hidden on purpose at least once
    bool enabled = true;
    bool redraw = true;
    bool capture = false;
    TRect client;  // in window coordinates
    TRect dirty;   // in client coordinates
    bool stripDirty = false;
    bool paintQueued = false;
    TBitmap surface;                        // the window's pixels as last painted
    TCustomControl* parent = nullptr;       // the control whose client area holds this one
    std::vector<TCustomControl*> children;  // in the order they came; later ones on top

    void Layout() override;
    void FrameChanged() override {
        stripDirty = true;
        owner->Invalidate();
    }
    void QueueStripPaint() override {
        stripDirty = true;
        QueuePaint();
    }
    int ScrollBarExtent() const override { return kScrollBarExtent; }
    int StartTimer(int id, unsigned milliseconds) override {
        return headless::Loop::Instance().StartTimer(milliseconds,
                                                     [this, id] { A::Timer(*owner, id); });
    }
    void StopTimer(int backendId) override { headless::Loop::Instance().StopTimer(backendId); }
    void ShapeChanged() override { InvalidateInParent(); }
    // The parent repaints where this child lies (its client coordinates).
    void InvalidateInParent();
    // Draws the visible children over the client area (the canvas's origin at its top left).
    void DrawChildren(TCanvas& canvas);
    void Allocate();
    // Paints what is invalid from the queue, as a display's paint cycle does.
    void QueuePaint();
    bool OnScreen() const { return !hidden && redraw; }
    void Render(TCanvas& canvas, const TRect& clientPart, bool strip, bool frame);
};

void TCustomControl::Impl::Layout() {
    const int f = owner->BorderWidth();
    TControlLayout parts = LayoutControl(
        bounds.Width(), bounds.Height(), f, headerHeight, models[sbVertical].Visible(),
        models[sbHorizontal].Visible(), kScrollBarExtent, owner->UseRightToLeftScrollBar());
    TRect old = client;
    client = parts.Client;
    if (old.Width() != client.Width() || old.Height() != client.Height()) {
        owner->Invalidate();
        if (handleAllocated) A::Resize(*owner);
    }
}

void TCustomControl::Impl::Allocate() {
    if (handleAllocated) return;
    handleAllocated = true;
    Layout();
    A::CreateWnd(*owner);
}

void TCustomControl::Impl::QueuePaint() {
    // A window not on screen paints nothing; showing it invalidates it whole.
    if (paintQueued || hidden) return;
    paintQueued = true;
    headless::Loop::Instance().Post(this, [this] {
        paintQueued = false;
        owner->Update();
        if (stripDirty && OnScreen()) {
            stripDirty = false;
            surface.SetSize(bounds.Width(), bounds.Height());
            Render(surface.Canvas(), {}, true, true);
        }
    });
}

void TCustomControl::Impl::Render(TCanvas& canvas, const TRect& clientPart, bool strip,
                                  bool frame) {
    const int f = owner->BorderWidth();
    const int W = bounds.Width(), H = bounds.Height();
    canvas.SaveState();
    if (frame && f > 0) {
        TPen& pen = canvas.Pen();
        pen.SetStyle(TPenStyle::psSolid);
        pen.SetMode(TPenMode::pmCopy);
        pen.SetWidth(1);
        auto fill = [&](const TRect& r, TColor c) {
            canvas.Brush().SetStyle(TBrushStyle::bsSolid);
            canvas.Brush().SetColor(c);
            canvas.FillRect(r);
        };
        DrawControlFrame(W, H, f, ctl3D, fill);
        // The scroll bars: their trough in the bar colour.
        const TControlLayout parts = LayoutControl(
            W, H, f, headerHeight, models[sbVertical].Visible(), models[sbHorizontal].Visible(),
            kScrollBarExtent, owner->UseRightToLeftScrollBar());
        if (models[sbVertical].Visible()) fill(parts.VerticalBar, clScrollBar);
        if (models[sbHorizontal].Visible()) fill(parts.HorizontalBar, clScrollBar);
    }
    if (strip && headerHeight > 0) {
        const TRect s = StripBounds(W);
        canvas.SetOrigin(s.Left, s.Top);
        canvas.SetClipRect({0, 0, s.Width(), s.Height()});
        A::PaintStrip(*owner, canvas, {0, 0, s.Width(), s.Height()});
        canvas.ResetClip();
    }
    if (!clientPart.IsEmpty()) {
        canvas.SetOrigin(client.Left, client.Top);
        canvas.SetClipRect(clientPart);
        canvas.Font().Assign(font);
        A::Paint(*owner, canvas, clientPart);
        DrawChildren(canvas);
    }
    canvas.RestoreState();
}

void TCustomControl::Impl::InvalidateInParent() {
    if (parent) parent->InvalidateRect(bounds);
}

void TCustomControl::Impl::DrawChildren(TCanvas& canvas) {
    for (TCustomControl* child : children) {
        Impl& c = *child->impl_;
        if (c.hidden || c.bounds.IsEmpty()) continue;
        TBitmap pixels;
        child->PaintTo(pixels);
        const std::vector<TRect> whole{{0, 0, c.bounds.Width(), c.bounds.Height()}};
        for (const TRect& run : c.shape.empty() ? whole : c.shape) {
            TRect dest = run;
            dest.Offset(c.bounds.Left, c.bounds.Top);
            canvas.CopyRect(dest, pixels, run);
        }
    }
}

// --- TCustomControl --------------------------------------------------------------------------

void EnsureGuiApplication() {}

TCustomControl::TCustomControl(TComponent* owner)
    : TComponent(owner), impl_(std::make_unique<Impl>()) {
    Impl& d = *impl_;
    d.Attach(this);
    d.Layout();
}

TCustomControl::~TCustomControl() {
    Impl& d = *impl_;
    headless::Loop& loop = headless::Loop::Instance();
    for (const auto& timer : d.timers) loop.StopTimer(timer.second);
    loop.DropPosts(&d);
    loop.DropPosts(this);
    if (focusedControl == this) focusedControl = nullptr;
    SetParentControl(*this, nullptr);
    for (TCustomControl* child : d.children) child->impl_->parent = nullptr;
}

int TCustomControl::Left() const {
    return impl_->bounds.Left;
}
int TCustomControl::Top() const {
    return impl_->bounds.Top;
}
int TCustomControl::Width() const {
    return impl_->bounds.Width();
}
int TCustomControl::Height() const {
    return impl_->bounds.Height();
}

void TCustomControl::SetBounds(int left, int top, int width, int height) {
    impl_->InvalidateInParent();
    impl_->bounds = {left, top, left + std::max(0, width), top + std::max(0, height)};
    impl_->Layout();
    impl_->InvalidateInParent();
}

int TCustomControl::ClientWidth() const {
    return impl_->client.Width();
}
int TCustomControl::ClientHeight() const {
    return impl_->client.Height();
}
TRect TCustomControl::ClientOrigin() const {
    return impl_->client;
}

TPoint TCustomControl::ClientToScreen(TPoint p) const {
    TPoint origin{Left() + impl_->client.Left, Top() + impl_->client.Top};
    if (impl_->parent) origin = impl_->parent->ClientToScreen(origin);
    return {p.X + origin.X, p.Y + origin.Y};
}

TPoint TCustomControl::ScreenToClient(TPoint p) const {
    const TPoint origin = ClientToScreen({0, 0});
    return {p.X - origin.X, p.Y - origin.Y};
}

bool TCustomControl::Visible() const {
    return !(impl_->hidden && impl_->explicitShowHide);
}

void TCustomControl::SetVisible(bool visible) {
    impl_->explicitShowHide = true;
    if (visible == !impl_->hidden) return;
    impl_->hidden = !visible;
    impl_->InvalidateInParent();
    if (visible) {
        impl_->Allocate();
        Invalidate();
        impl_->stripDirty = true;
    } else if (focusedControl == this) {
        focusedControl = nullptr;
        A::Exit(*this);
    }
    if (!visible) impl_->capture = false;
}

bool TCustomControl::Enabled() const {
    return impl_->enabled;
}
void TCustomControl::SetEnabled(bool enabled) {
    if (enabled == impl_->enabled) return;
    impl_->enabled = enabled;
    if (!enabled && focusedControl == this) {
        focusedControl = nullptr;
        A::Exit(*this);
    }
    Invalidate();
}

bool TCustomControl::HandleAllocated() const {
    return impl_->handleAllocated;
}
void TCustomControl::HandleNeeded() {
    impl_->Allocate();
}

// The pixels are not moved: what the scroll uncovers and what it moves are painted anew.
void TCustomControl::ScrollClientArea(int dx, int dy, const TRect* clip) {
    if (dx == 0 && dy == 0) return;
    InvalidateRect(clip ? *clip : ClientRect());
}

void TCustomControl::Invalidate() {
    InvalidateRect(ClientRect());
}

void TCustomControl::InvalidateRect(const TRect& r) {
    TRect part;
    if (r.IsEmpty() || !IntersectRect(part, r, ClientRect())) return;
    impl_->dirty = UnionRect(impl_->dirty, part);
    impl_->QueuePaint();
    if (impl_->parent && !impl_->hidden) {
        part.Offset(impl_->client.Left + Left(), impl_->client.Top + Top());
        impl_->parent->InvalidateRect(part);
    }
}

void TCustomControl::Update() {
    if (impl_->dirty.IsEmpty() || !impl_->OnScreen()) return;
    TRect part;
    bool inside = IntersectRect(part, impl_->dirty, ClientRect());  // the window may have shrunk
    impl_->dirty = {};
    if (!inside) return;
    impl_->surface.SetSize(Width(), Height());
    impl_->Render(impl_->surface.Canvas(), part, false, false);
}

void TCustomControl::SetRedraw(bool on) {
    if (on == impl_->redraw) return;
    impl_->redraw = on;
    // Turning drawing on repaints the whole window, as the desktop does.
    if (on) {
        impl_->stripDirty = true;
        Invalidate();
    }
}

bool TCustomControl::RedrawEnabled() const {
    return impl_->redraw;
}
void TCustomControl::SetOpaque(bool) {}

void TCustomControl::PaintTo(TBitmap& bitmap) {
    bitmap.SetSize(Width(), Height());
    if (bitmap.Empty()) return;
    impl_->Render(bitmap.Canvas(), ClientRect(), true, true);
}

void TCustomControl::PostMessage(unsigned msg, intptr_t wParam, intptr_t lParam) {
    headless::Loop::Instance().Post(
        this, [this, msg, wParam, lParam] { A::Posted(*this, msg, wParam, lParam); });
}

void headless::FocusAwayFromControls() {
    TCustomControl* previous = focusedControl;
    focusedControl = nullptr;
    if (previous) A::Exit(*previous);
}

void TCustomControl::SetFocus() {
    if (!CanFocus() || focusedControl == this) return;
    headless::EditorFocusLeaves(this);
    if (focusedControl == this) return;  // the editor's handler gave it already
    TCustomControl* previous = focusedControl;
    focusedControl = this;
    if (previous) A::Exit(*previous);
    if (focusedControl == this) A::Enter(*this);
}

bool TCustomControl::Focused() const {
    return focusedControl == this;
}
bool TCustomControl::CanFocus() const {
    return !impl_->hidden && impl_->enabled;
}

void TCustomControl::SetMouseCapture(bool capture) {
    if (impl_->hidden) return;
    impl_->capture = capture;
}

bool TCustomControl::MouseCapture() const {
    return impl_->capture;
}

TShiftState TCustomControl::KeyboardState() {
    return keyboardState;
}

TPoint TCustomControl::MousePosition() const {
    return ScreenToClient(mousePosition);
}

// --- Child controls ------------------------------------------------------------------------

void SetParentControl(TCustomControl& child, TCustomControl* parent) {
    TCustomControl::Impl& d = child.Internal();
    if (d.parent == parent) return;
    d.InvalidateInParent();
    if (d.parent) std::erase(d.parent->Internal().children, &child);
    d.parent = parent;
    if (parent) parent->Internal().children.push_back(&child);
    d.InvalidateInParent();
}

TCustomControl* ParentControl(const TCustomControl& child) {
    return child.Internal().parent;
}

TControlState& ControlState(const TCustomControl& control) {
    return control.Internal();
}
