// The application's help without a display: every request is recorded for the tests, then
// handed to the installed handler.
#include "platform/Help.h"

#include <utility>
#include <vector>

#include "platform/headless/Headless.h"

namespace {
std::function<void(int)>& Handler() {
    static std::function<void(int)> handler;
    return handler;
}
std::vector<int>& Requests() {
    static std::vector<int> requests;
    return requests;
}
}  // namespace

void SetHelpHandler(std::function<void(int context)> handler) {
    Handler() = std::move(handler);
}

bool ShowHelpContext(int context) {
    if (context == 0) return false;
    Requests().push_back(context);
    if (!Handler()) return false;
    Handler()(context);
    return true;
}

const std::vector<int>& HeadlessHelpRequests() {
    return Requests();
}

void ClearHeadlessHelpRequests() {
    Requests().clear();
}
