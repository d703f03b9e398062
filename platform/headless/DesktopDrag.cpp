// No desktop: drags end at once, and drop targets are only remembered.
#include "platform/DesktopDrag.h"

#include <map>

namespace {
std::map<const TCustomControl*, TDesktopDropTarget*>& Targets() {
    static std::map<const TCustomControl*, TDesktopDropTarget*> targets;
    return targets;
}
}  // namespace

int RunPlatformDrag(TCustomControl&, const PDataObject&, int, const TDragPicture*) {
    return DROPEFFECT_NONE;
}

void SetDesktopDropTarget(TCustomControl& control, TDesktopDropTarget* target) {
    if (target)
        Targets()[&control] = target;
    else
        Targets().erase(&control);
}

bool AcceptsDesktopDrops(const TCustomControl& control) {
    return Targets().count(&control) != 0;
}
