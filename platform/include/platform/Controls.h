// The control host: a window-like custom control that painting, input, focus, timers and scroll
// bars reach as the Windows world has them, behind which a Qt widget does the work.
#pragma once

#include "platform/Canvas.h"
#include "platform/Classes.h"
#include "platform/Graphics.h"
#include "platform/KeyCodes.h"

#include <cstdint>
#include <functional>
#include <memory>

enum TScrollBarKind { sbHorizontal, sbVertical };

// Which scroll bars a control may show.
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// Scroll-bar notification codes; the horizontal bar uses the same values (left = up).
enum TScrollCode {
    SB_LINEUP = 0,
    SB_LINEDOWN = 1,
    SB_PAGEUP = 2,
    SB_PAGEDOWN = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_TOP = 6,
    SB_BOTTOM = 7,
    SB_ENDSCROLL = 8,
    SB_LINELEFT = 0,
    SB_LINERIGHT = 1,
    SB_PAGELEFT = 2,
    SB_PAGERIGHT = 3,
    SB_LEFT = 6,
    SB_RIGHT = 7,
};

enum : unsigned {
    SIF_RANGE = 1,
    SIF_PAGE = 2,
    SIF_POS = 4,
    SIF_DISABLENOSCROLL = 8,
    SIF_TRACKPOS = 16,
    SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS,
};

// A scroll bar's state: positions run from Min to Max - Page + 1 (to Max when Page is 0).
struct TScrollInfo {
    unsigned Mask = SIF_ALL;
    int Min = 0;
    int Max = 0;
    unsigned Page = 0;
    int Pos = 0;
    int TrackPos = 0;
};

// The Windows scroll-bar arithmetic, without any display: a bar is needed when its page is
// smaller than its range; it shows when needed, or disabled with SIF_DISABLENOSCROLL.
class TScrollBarModel {
public:
    // Applies the fields named by info.Mask; returns whether visibility or enabling changed.
    bool Set(const TScrollInfo& info);
    TScrollInfo Get() const { return info_; }
    int MaxPos() const;
    bool Needed() const;
    bool Visible() const { return visible_; }
    bool Enabled() const { return enabled_; }
    void SetVisible(bool visible) { visible_ = visible; }
    void SetTrackPos(int pos) { info_.TrackPos = pos; }

private:
    TScrollInfo info_;
    bool visible_ = false;
    bool enabled_ = true;
};

// Where the parts of a control's window go, in window coordinates: the client area below the
// frame and the header strip, the vertical bar beside it (left when right to left), the
// horizontal bar below it. Hidden bars take no room.
struct TControlLayout {
    TRect Client;
    TRect VerticalBar;
    TRect HorizontalBar;
};
TControlLayout LayoutControl(int width, int height, int border, int headerHeight, bool verticalBar,
                             bool horizontalBar, int extent, bool rightToLeft);

enum TBorderStyle { bsNone, bsSingle };

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

enum TCursor : int {
    crDefault = 0,
    crNone = -1,
    crArrow = -2,
    crCross = -3,
    crIBeam = -4,
    crSize = -22,
    crSizeNESW = -6,
    crSizeNS = -7,
    crSizeNWSE = -8,
    crSizeWE = -9,
    crUpArrow = -10,
    crHourGlass = -11,
    crDrag = -12,
    crNoDrop = -13,
    crHSplit = -14,
    crVSplit = -15,
    crMultiDrag = -16,
    crSQLWait = -17,
    crNo = -18,
    crAppStart = -19,
    crHelp = -20,
    crHandPoint = -21,
    crSizeAll = -22,
};

enum class TMouseAction { Down, Up, Move, DoubleClick };

// A mouse message before the control's own handling; Pos is in client coordinates (negative Y
// over the header strip).
struct TMouseMessage {
    TMouseAction Action = TMouseAction::Move;
    TMouseButton Button = mbLeft;
    TShiftState Shift = 0;
    TPoint Pos;
    bool InHeaderStrip = false;
};

using TKeyEvent = std::function<void(TObject* sender, uint16_t& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;
using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TMouseWheelEvent = std::function<void(TObject* sender, TShiftState shift, int wheelDelta,
                                            TPoint mousePos, bool& handled)>;
using TContextPopupEvent = std::function<void(TObject* sender, TPoint mousePos, bool& handled)>;

// The base of every custom-drawn control. Its window rectangle holds a frame (BorderStyle), a
// header strip of HeaderStripHeight pixels at the top, the scroll bars, and the client area that
// Paint draws; client coordinates start at the client area's top-left corner.
//
// The window "exists" (HandleAllocated) from the first Show or HandleNeeded on; CreateWnd runs
// then. Qt is never visible through this class: the application reaches the widget through
// platform/qt/ControlHost.h to place it in a layout.
//
// Over Qt, a control needs the process's GUI application object; when none exists yet, an
// offscreen one is made at the first control (for tools and tests). The headless backend keeps
// the window as state and paints it from its event queue.
class TCustomControl : public TComponent {
public:
    explicit TCustomControl(TComponent* owner = nullptr);
    ~TCustomControl() override;

    // --- Placement -------------------------------------------------------------------------
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    // Virtual, so that a control whose move carries something along (a label it placed) hears
    // every move made through this class too.
    virtual void SetBounds(int left, int top, int width, int height);
    void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
    void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
    TRect ClientRect() const { return {0, 0, ClientWidth(), ClientHeight()}; }
    int ClientWidth() const;
    int ClientHeight() const;
    // The client area's place within the control's window rectangle.
    TRect ClientOrigin() const;
    TPoint ClientToScreen(TPoint p) const;
    TPoint ScreenToClient(TPoint p) const;

    bool Visible() const;
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const;
    void SetEnabled(bool enabled);
    bool HandleAllocated() const;
    // Makes the window exist without showing it.
    void HandleNeeded();

    // --- Frame and header strip ------------------------------------------------------------
    TBorderStyle BorderStyle() const;
    void SetBorderStyle(TBorderStyle style);
    bool Ctl3D() const;
    void SetCtl3D(bool value);
    int BorderWidth() const;  // of the frame, per side
    int HeaderStripHeight() const;
    void SetHeaderStripHeight(int height);
    // The strip in client coordinates (above the client area, so its top is negative).
    TRect HeaderStripRect() const;
    void InvalidateHeaderStrip();
    TBiDiMode BiDiMode() const;
    void SetBiDiMode(TBiDiMode mode);
    bool UseRightToLeftScrollBar() const { return BiDiMode() != bdLeftToRight; }

    TColor Color() const;
    void SetColor(TColor color);
    TFont& Font();

    // --- Scroll bars -----------------------------------------------------------------------
    void SetScrollInfo(TScrollBarKind kind, const TScrollInfo& info, bool redraw);
    TScrollInfo GetScrollInfo(TScrollBarKind kind) const;
    void ShowScrollBar(TScrollBarKind kind, bool show);
    bool ScrollBarVisible(TScrollBarKind kind) const;
    bool ScrollBarEnabled(TScrollBarKind kind) const;
    // The thickness of a scroll bar (the width of the vertical one).
    int ScrollBarExtent() const;
    // Moves the client area's pixels by (dx, dy) within clip (nullptr: the client area) and
    // invalidates what is uncovered.
    void ScrollClientArea(int dx, int dy, const TRect* clip = nullptr);

    // --- Painting --------------------------------------------------------------------------
    void Invalidate();
    void InvalidateRect(const TRect& r);
    // Paints what is invalid now.
    void Update();
    void Repaint() {
        Invalidate();
        Update();
    }
    // Redrawing off: invalidation is remembered but nothing paints until it is on again.
    void SetRedraw(bool on);
    bool RedrawEnabled() const;
    // Whether painting covers the whole client area each time (no erase needed).
    void SetOpaque(bool opaque);
    // Paints the control into a bitmap of the window's size, the way it shows on screen.
    void PaintTo(TBitmap& bitmap);

    // --- Timers and posted messages --------------------------------------------------------
    // Starts timer id; restarting a running id replaces it. TimerEvent(id) fires each period.
    void SetTimer(int id, unsigned milliseconds);
    void KillTimer(int id);
    bool TimerActive(int id) const;
    // Queues PostedMessage(msg, wParam, lParam) for the event loop; dropped with the control.
    void PostMessage(unsigned msg, intptr_t wParam = 0, intptr_t lParam = 0);

    // --- Focus, capture, cursor ------------------------------------------------------------
    void SetFocus();
    bool Focused() const;
    bool CanFocus() const;
    bool TabStop() const;
    void SetTabStop(bool value);
    void SetMouseCapture(bool capture);
    bool MouseCapture() const;
    TCursor Cursor() const;
    void SetCursor(TCursor cursor);
    // The help topic of the control; 0 for none (the parent controls' then apply).
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int value) { helpContext_ = value; }
    // The modifier keys held now.
    static TShiftState KeyboardState();
    // The mouse position in client coordinates.
    TPoint MousePosition() const;

    // --- Events ----------------------------------------------------------------------------
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TNotifyEvent OnResize;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TMouseWheelEvent OnMouseWheel;
    TContextPopupEvent OnContextPopup;

    struct Impl;
    Impl& Internal() const { return *impl_; }

protected:
    // The window comes to exist (first show or HandleNeeded), before the first paint.
    virtual void CreateWnd() {}
    // Paints the client area; updateRect is what needs painting (client coordinates). The
    // default fills it with Color.
    virtual void Paint(TCanvas& canvas, const TRect& updateRect);
    // Paints the header strip; the canvas origin is the strip's top-left corner.
    virtual void PaintHeaderStrip(TCanvas& canvas, const TRect& strip);
    // The client size changed while the window exists. Fires OnResize.
    virtual void Resize();
    virtual void ScrollMessage(TScrollBarKind kind, TScrollCode code, int pos);
    virtual void TimerEvent(int id);
    virtual void PostedMessage(unsigned msg, intptr_t wParam, intptr_t lParam);
    // Sees every mouse message first; true consumes it.
    virtual bool PreviewMouse(const TMouseMessage& message);
    // Mouse handlers fire the matching events. A double click arrives as MouseDown with
    // ssDouble, followed by DblClick; Click follows a left press and release.
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void Click();
    virtual void DblClick();
    // The vertical wheel (positive away from the user). Returns whether it was used; the
    // default fires OnMouseWheel.
    virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos);
    // The sideways wheel, a tilt or a sideways swipe (positive to the left); the host feeds it
    // only when there is no vertical movement. Returns whether it was used; the default uses
    // none, so it goes on to the window around the control. Controls that scroll sideways
    // take it.
    virtual bool DoMouseHorizontalWheel(TShiftState shift, int wheelDelta, TPoint mousePos);
    virtual void MouseLeave() {}
    // Key handlers fire the matching events first. A key left non-zero by KeyDown and KeyPress
    // was not used and goes on to the form (default buttons, shortcuts).
    virtual void KeyDown(uint16_t& key, TShiftState shift);
    virtual void KeyUp(uint16_t& key, TShiftState shift);
    virtual void KeyPress(char& key);
    // A typed character as a Unicode code point, before KeyPress; a key left non-zero was not
    // used. The default hands a character that has a Windows-1252 byte on to KeyPress; one
    // without goes no further.
    virtual void UnicodeKeyPress(char32_t& key);
    // Whether the control takes a navigation key (Tab, arrows) instead of the form.
    virtual bool WantKey(uint16_t key, TShiftState shift);
    virtual void DoEnter();
    virtual void DoExit();
    // The desktop's colours or style changed.
    virtual void StyleChanged() {}
    virtual void DoContextPopup(TPoint mousePos, bool& handled);

private:
    friend struct ControlHostAccess;  // the host widget calls the handlers above
    std::unique_ptr<Impl> impl_;
    int helpContext_ = 0;
};

// Creates the GUI application object when the process has none (offscreen when no display is
// configured). The program normally creates its own first. Nothing to do without Qt.
void EnsureGuiApplication();
