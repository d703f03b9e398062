// The notifier's part that both display backends share.
#include "SocketNotifierState.h"

void TSocketNotifierState::Activate(
    const std::function<void(const std::function<void()>&)>& guard) {
    if (destroyed_ || !onActivated) return;
    const TSocketNotifier::TActivated callback = onActivated;
    const int fd = descriptor;
    bool destroyed = false;
    destroyed_ = &destroyed;
    guard([&] { callback(fd); });
    // After the notifier was destroyed, `this` is gone too.
    if (!destroyed) destroyed_ = nullptr;
}

bool TSocketNotifierState::Release() {
    if (!destroyed_) return false;
    *destroyed_ = true;
    return true;
}

int TSocketNotifier::Descriptor() const {
    return SocketNotifierState(*this).descriptor;
}

TSocketNotifierType TSocketNotifier::Type() const {
    return SocketNotifierState(*this).type;
}
