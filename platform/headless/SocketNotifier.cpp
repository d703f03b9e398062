// Descriptor readiness over the headless event queue, which polls the descriptor at each pass.
#include "platform/SocketNotifier.h"

#include <poll.h>

#include "HeadlessLoop.h"

struct TSocketNotifier::Impl {
    int loopId = 0;
    int descriptor = -1;
    TSocketNotifierType type = TSocketNotifierType::sntRead;
    TActivated onActivated;
    // Points at the running callback's flag while it runs (see ~TSocketNotifier).
    bool* destroyed = nullptr;
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
            // Nested pumps inside the callback must not run it again for the same news.
            if (impl->destroyed || !impl->onActivated) return;
            TActivated callback = impl->onActivated;
            bool destroyed = false;
            impl->destroyed = &destroyed;
            headless::Guarded([&] { callback(impl->descriptor); });
            if (!destroyed) impl->destroyed = nullptr;
        });
}

TSocketNotifier::~TSocketNotifier() {
    // Unwatching forgets the descriptor at once, so it may be closed right after.
    headless::Loop::Instance().Unwatch(impl_->loopId);
    if (impl_->destroyed) *impl_->destroyed = true;
}

int TSocketNotifier::Descriptor() const {
    return impl_->descriptor;
}
TSocketNotifierType TSocketNotifier::Type() const {
    return impl_->type;
}
bool TSocketNotifier::Enabled() const {
    return headless::Loop::Instance().WatchEnabled(impl_->loopId);
}
void TSocketNotifier::SetEnabled(bool enabled) {
    headless::Loop::Instance().SetWatchEnabled(impl_->loopId, enabled);
}
