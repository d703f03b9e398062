// The form library's in-process drag: a control drags something to another control of the
// program (or to itself) without the desktop's drag and drop, so nothing outside the program
// sees it. The source grabs the mouse; each move asks the control under the cursor whether it
// takes the drag; the release drops on the control that took it last; Escape cancels.
//
// Over Qt the mouse and the keyboard drive it from the window system; the headless backend's
// tests drive it through platform/headless/Headless.h.
#pragma once

#include <functional>
#include <vector>

#include "platform/Classes.h"
#include "platform/Controls.h"

// How a control starts its drags: itself (manual) or on every press (automatic).
enum TDragMode { dmManual, dmAutomatic };

// What a drag over a control is doing: coming in, moving over it, or leaving.
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

// A control that takes in-process drags. Points are the target control's client coordinates.
class TFormDragTarget {
public:
    virtual ~TFormDragTarget() = default;
    // The drag came in, moved or left; accept (false at first) says whether a drop here would
    // be taken.
    virtual void FormDragOver(TObject* source, TPoint pos, TDragState state, bool& accept) = 0;
    // The drag was released here after the last FormDragOver accepted it.
    virtual void FormDragDrop(TObject* source, TPoint pos) = 0;
};

// Which controls take drags: registered ones only. A control that goes away unregisters first;
// a drag it takes part in then forgets it (a drag it started ends without telling it).
void RegisterFormDragTarget(TCustomControl& control, TFormDragTarget& target);
void UnregisterFormDragTarget(TCustomControl& control);

// How a drag ended: the control it was dropped on (nullptr when cancelled or released where
// nothing accepted it) and the point there.
struct TFormDragResult {
    TCustomControl* Target = nullptr;
    TPoint Pos;
    bool Dropped = false;
};
using TFormDragEndEvent = std::function<void(const TFormDragResult& result)>;

// Starts a drag of `dragObject` from `source`, which holds the mouse until the drag ends;
// onEnd is called once at the end, after the drop. False (and nothing happens) while another
// drag runs.
bool BeginFormDrag(TCustomControl& source, TObject* dragObject, TFormDragEndEvent onEnd);
// Whether a drag runs, and from which control.
bool FormDragActive();
TCustomControl* FormDragSource();
// The control the drag is over now and whether it accepts it.
TCustomControl* FormDragTarget();
bool FormDragAccepted();
// Ends a running drag as Escape does.
void CancelFormDrag();

// The backends' side: where the mouse is (screen coordinates) and what it did.
void FormDragMouseMove(TPoint screen);
void FormDragMouseUp(TPoint screen);

// Supplied by the backend: the control at a screen point that takes drags (walking out from
// the innermost control there), nullptr for none; the start and end of a drag (the source's
// mouse grab, the cursor); and the cursor while it drags.
TCustomControl* FormDragControlAt(TPoint screen);
void FormDragStarted(TCustomControl& source);
void FormDragEnded(TCustomControl* source);
void FormDragCursor(bool accepted);
// For the backends: whether a control is registered, and every registered one (oldest first).
bool IsFormDragTarget(const TCustomControl* control);
std::vector<TCustomControl*> FormDragTargets();
