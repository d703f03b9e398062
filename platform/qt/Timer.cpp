// The form library's timer over QTimer.
#include "platform/Timer.h"

#include <QTimer>

#include <algorithm>
#include <climits>

#include "platform/qt/Application.h"

struct TTimer::Impl {
    QTimer* timer = nullptr;
    bool enabled = true;
    unsigned interval = 1000;
    TNotifyEvent onTimer;
    // Points at the running tick's flag while OnTimer runs, so that freeing the timer from
    // inside OnTimer can tell the tick to leave everything alone.
    bool* destroyed = nullptr;
};

TTimer::TTimer(TComponent* owner) : TComponent(owner), impl_(std::make_unique<Impl>()) {
    impl_->timer = new QTimer();
    QObject::connect(impl_->timer, &QTimer::timeout, [this, impl = impl_.get()] {
        // A tick that arrives while OnTimer runs a nested event loop is dropped, so one
        // handler never runs inside itself.
        if (impl->destroyed) return;
        TNotifyEvent handler = impl->onTimer;
        if (!handler) return;
        bool destroyed = false;
        impl->destroyed = &destroyed;
        CallGuarded([&] { handler(this); });
        if (!destroyed) impl->destroyed = nullptr;
    });
}

TTimer::~TTimer() {
    QTimer* timer = impl_->timer;
    timer->stop();
    QObject::disconnect(timer, nullptr, nullptr, nullptr);
    if (impl_->destroyed) {
        // Freed from inside its own tick: Qt is still delivering the QTimer's event.
        *impl_->destroyed = true;
        timer->deleteLater();
    } else {
        delete timer;
    }
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
    return impl_->timer->isActive();
}

void TTimer::UpdateTimer() {
    if (impl_->enabled && impl_->interval > 0 && impl_->onTimer)
        impl_->timer->start(int(std::min<unsigned>(impl_->interval, INT_MAX)));
    else
        impl_->timer->stop();
}
