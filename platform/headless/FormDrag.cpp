// The in-process drag without a display: the control under a point is the last registered one
// on screen whose client area holds it; the tests move the mouse through Headless.h.
#include "platform/FormDrag.h"

#include "platform/headless/Headless.h"

namespace {
bool accepted = false;
}  // namespace

TCustomControl* FormDragControlAt(TPoint screen) {
    const std::vector<TCustomControl*> targets = FormDragTargets();
    for (auto it = targets.rbegin(); it != targets.rend(); ++it) {
        TCustomControl* control = *it;
        if (!control->Visible() || !control->HandleAllocated()) continue;
        const TPoint p = control->ScreenToClient(screen);
        if (control->ClientRect().Contains(p)) return control;
    }
    return nullptr;
}

void FormDragStarted(TCustomControl& source) {
    source.SetMouseCapture(true);
}

void FormDragEnded(TCustomControl* source) {
    if (source) source->SetMouseCapture(false);
    accepted = false;
}

void FormDragCursor(bool accept) {
    accepted = accept;
}

bool HeadlessFormDragCursorAccepts() {
    return accepted;
}

void HeadlessMouseMove(TPoint screen) {
    SetHeadlessMousePosition(screen);
    FormDragMouseMove(screen);
}

void HeadlessMouseUp(TPoint screen) {
    SetHeadlessMousePosition(screen);
    FormDragMouseUp(screen);
}
