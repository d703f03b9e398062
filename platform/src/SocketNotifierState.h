// What both display backends keep for a descriptor notifier, and how its callback runs. Each
// backend's TSocketNotifier::Impl derives from it and watches the descriptor its own way.
#pragma once

#include <functional>

#include "platform/SocketNotifier.h"

struct TSocketNotifierState {
    int descriptor = -1;
    TSocketNotifierType type = TSocketNotifierType::sntRead;
    TSocketNotifier::TActivated onActivated;

    // Runs the callback inside `guard`, the backend's exception boundary. Event loops nested
    // inside the callback do not run it again for the same news, and the callback may destroy
    // the notifier.
    void Activate(const std::function<void(const std::function<void()>&)>& guard);
    // The notifier is going: a callback running now learns it. True when one is running.
    bool Release();

private:
    // Points at the running callback's flag while it runs.
    bool* destroyed_ = nullptr;
};

// The backend's state of a notifier.
TSocketNotifierState& SocketNotifierState(const TSocketNotifier& notifier);
