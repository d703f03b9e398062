// The replaceable desktop drag.
#include "platform/DesktopDrag.h"

namespace {
TDesktopDragRunner& Runner() {
    static TDesktopDragRunner runner;
    return runner;
}
}  // namespace

void SetDesktopDragRunner(TDesktopDragRunner runner) {
    Runner() = std::move(runner);
}

int RunDesktopDrag(TCustomControl& source, const PDataObject& data, int allowedEffects,
                   const TDragPicture* picture) {
    if (Runner()) return Runner()(source, data, allowedEffects, picture);
    return RunPlatformDrag(source, data, allowedEffects, picture);
}
