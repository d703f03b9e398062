// The desktop's drag and drop for controls: a control drags a data object to any program, and
// a control registered as a drop target receives what is dragged over it. Over Qt this is the
// window system's drag; the headless backend has no desktop (a drag ends at once with no
// effect, and tests call the drop target's methods themselves).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Controls.h"
#include "platform/DataObject.h"
#include "platform/DropEffects.h"

// The picture that follows the cursor: 0xAARRGGBB pixels (not premultiplied), rows from the
// top, and where the cursor is in it.
struct TDragPicture {
    int Width = 0;
    int Height = 0;
    const uint32_t* Pixels = nullptr;
    TPoint HotSpot;
};

// Drags data from source; allowedEffects are DROPEFFECT_* bits. Returns the effect the drop
// target chose (DROPEFFECT_NONE when cancelled). picture may be nullptr.
int RunDesktopDrag(TCustomControl& source, const PDataObject& data, int allowedEffects,
                   const TDragPicture* picture);
// Replaces the drag by a test's (nullptr: the platform's own again).
using TDesktopDragRunner = std::function<int(TCustomControl& source, const PDataObject& data,
                                             int allowedEffects, const TDragPicture* picture)>;
void SetDesktopDragRunner(TDesktopDragRunner runner);
// The backend's own drag (what RunDesktopDrag uses without a test's runner).
int RunPlatformDrag(TCustomControl& source, const PDataObject& data, int allowedEffects,
                    const TDragPicture* picture);

// What a control does with drags from the desktop. Points are client coordinates; each call
// returns the effect a drop would have (DROPEFFECT_NONE: refused).
class TDesktopDropTarget {
public:
    virtual ~TDesktopDropTarget() = default;
    virtual int DesktopDragEnter(const PDataObject& data, TShiftState keys, TPoint pos,
                                 int allowedEffects) = 0;
    virtual int DesktopDragOver(TShiftState keys, TPoint pos, int allowedEffects) = 0;
    virtual void DesktopDragLeave() = 0;
    virtual int DesktopDrop(const PDataObject& data, TShiftState keys, TPoint pos,
                            int allowedEffects) = 0;
};

// Makes the control a drop target (nullptr: it takes no drops, which then go to the window
// around it).
void SetDesktopDropTarget(TCustomControl& control, TDesktopDropTarget* target);
bool AcceptsDesktopDrops(const TCustomControl& control);
