// The form library's timer over the headless event queue.
#include "platform/Timer.h"

#include <climits>

#include "HeadlessLoop.h"

struct TTimer::Impl {
    int loopId = 0;  // 0: not scheduled
    bool enabled = true;
    unsigned interval = 1000;
    TNotifyEvent onTimer;
    // Set while OnTimer runs: a tick that arrives inside a nested pump is dropped, and freeing
    // the timer from inside OnTimer tells the tick to leave everything alone.
    bool* destroyed = nullptr;
};

TTimer::TTimer(TComponent* owner) : TComponent(owner), impl_(std::make_unique<Impl>()) {}

TTimer::~TTimer() {
    if (impl_->loopId) headless::Loop::Instance().StopTimer(impl_->loopId);
    if (impl_->destroyed) *impl_->destroyed = true;
}

bool TTimer::Enabled() const {
    return impl_->enabled;
}

void TTimer::SetEnabled(bool value) {
    if (value == impl_->enabled) return;
    impl_->enabled = value;
    UpdateTimer();
}

unsigned TTimer::Interval() const {
    return impl_->interval;
}

void TTimer::SetInterval(unsigned milliseconds) {
    if (milliseconds == impl_->interval) return;
    impl_->interval = milliseconds;
    UpdateTimer();
}

const TNotifyEvent& TTimer::OnTimer() const {
    return impl_->onTimer;
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    impl_->onTimer = std::move(handler);
    UpdateTimer();
}

bool TTimer::Active() const {
    return impl_->loopId != 0;
}

void TTimer::UpdateTimer() {
    headless::Loop& loop = headless::Loop::Instance();
    if (impl_->loopId) loop.StopTimer(impl_->loopId);
    impl_->loopId = 0;
    if (!(impl_->enabled && impl_->interval > 0 && impl_->onTimer)) return;
    impl_->loopId = loop.StartTimer(impl_->interval, [this, impl = impl_.get()] {
        if (impl->destroyed) return;
        TNotifyEvent handler = impl->onTimer;
        if (!handler) return;
        bool destroyed = false;
        impl->destroyed = &destroyed;
        headless::Guarded([&] { handler(this); });
        if (!destroyed) impl->destroyed = nullptr;
    });
}
