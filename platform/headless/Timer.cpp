// The form library's timer over the headless event queue.
#include "platform/Timer.h"

#include <climits>

#include "HeadlessLoop.h"

struct TTimer::Impl {
    int loopId = 0;  // 0: not scheduled
    // Set while OnTimer runs: a tick that arrives inside a nested pump is dropped, and freeing
    // the timer from inside OnTimer tells the tick to leave everything alone.
    bool* destroyed = nullptr;
};

TTimer::TTimer(TComponent* owner) : TComponent(owner), impl_(std::make_unique<Impl>()) {}

TTimer::~TTimer() {
    if (impl_->loopId) headless::Loop::Instance().StopTimer(impl_->loopId);
    if (impl_->destroyed) *impl_->destroyed = true;
}

bool TTimer::Active() const {
    return impl_->loopId != 0;
}

void TTimer::UpdateTimer() {
    headless::Loop& loop = headless::Loop::Instance();
    if (impl_->loopId) loop.StopTimer(impl_->loopId);
    impl_->loopId = 0;
    if (!(enabled_ && interval_ > 0 && onTimer_)) return;
    impl_->loopId = loop.StartTimer(interval_, [this, impl = impl_.get()] {
        if (impl->destroyed) return;
        TNotifyEvent handler = onTimer_;
        if (!handler) return;
        bool destroyed = false;
        impl->destroyed = &destroyed;
        headless::Guarded([&] { handler(this); });
        if (!destroyed) impl->destroyed = nullptr;
    });
}
