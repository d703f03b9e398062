// The application's help: the handler the main window installs.
#include "platform/Help.h"

#include <utility>

namespace {
std::function<void(int)>& Handler() {
    static std::function<void(int)> handler;
    return handler;
}
}  // namespace

void SetHelpHandler(std::function<void(int context)> handler) {
    Handler() = std::move(handler);
}

bool ShowHelpContext(int context) {
    if (context == 0 || !Handler()) return false;
    Handler()(context);
    return true;
}
