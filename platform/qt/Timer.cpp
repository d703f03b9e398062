// The form library's timer over QTimer.
#include "platform/Timer.h"

#include <QTimer>

#include <algorithm>
#include <climits>

#include "platform/qt/Application.h"

struct TTimer::Impl {
    QTimer* timer = nullptr;
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
        TNotifyEvent handler = onTimer_;
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

bool TTimer::Active() const {
    return impl_->timer->isActive();
}

void TTimer::UpdateTimer() {
    if (enabled_ && interval_ > 0 && onTimer_)
        impl_->timer->start(int(std::min<unsigned>(interval_, INT_MAX)));
    else
        impl_->timer->stop();
}
