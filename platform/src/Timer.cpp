// The timer's settings, the same over every event loop; each display backend schedules the
// ticks (UpdateTimer) and runs OnTimer.
#include "platform/Timer.h"

#include <utility>

bool TTimer::Enabled() const {
    return enabled_;
}

void TTimer::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    UpdateTimer();
}

unsigned TTimer::Interval() const {
    return interval_;
}

void TTimer::SetInterval(unsigned milliseconds) {
    if (milliseconds == interval_) return;
    interval_ = milliseconds;
    UpdateTimer();
}

const TNotifyEvent& TTimer::OnTimer() const {
    return onTimer_;
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    UpdateTimer();
}
