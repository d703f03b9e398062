// Descriptor readiness over the headless event queue, which polls the descriptor at each pass.
#include "platform/SocketNotifier.h"

#include <poll.h>

#include "HeadlessLoop.h"
#include "SocketNotifierState.h"

struct TSocketNotifier::Impl : TSocketNotifierState {
    int loopId = 0;
};

namespace {

short PollEvents(TSocketNotifierType type) {
    switch (type) {
        case TSocketNotifierType::sntRead:
            return POLLIN;
        case TSocketNotifierType::sntWrite:
            return POLLOUT;
        case TSocketNotifierType::sntException:
            return POLLPRI;
    }
    return POLLIN;
}

}  // namespace

TSocketNotifier::TSocketNotifier(int descriptor, TSocketNotifierType type, TActivated onActivated)
    : impl_(std::make_unique<Impl>()) {
    impl_->descriptor = descriptor;
    impl_->type = type;
    impl_->onActivated = std::move(onActivated);
    impl_->loopId =
        headless::Loop::Instance().Watch(descriptor, PollEvents(type), [impl = impl_.get()] {
            impl->Activate([](const std::function<void()>& call) { headless::Guarded(call); });
        });
}

TSocketNotifier::~TSocketNotifier() {
    // Unwatching forgets the descriptor at once, so it may be closed right after.
    headless::Loop::Instance().Unwatch(impl_->loopId);
    impl_->Release();
}

TSocketNotifierState& SocketNotifierState(const TSocketNotifier& notifier) {
    return *notifier.impl_;
}
bool TSocketNotifier::Enabled() const {
    return headless::Loop::Instance().WatchEnabled(impl_->loopId);
}
void TSocketNotifier::SetEnabled(bool enabled) {
    headless::Loop::Instance().SetWatchEnabled(impl_->loopId, enabled);
}
