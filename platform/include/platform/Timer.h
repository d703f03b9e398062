// The form library's timer: calls OnTimer every Interval milliseconds from the event loop.
#pragma once

#include <memory>

#include "platform/Classes.h"

// Ticks only while Enabled, Interval > 0 and OnTimer is assigned. Changing Interval or OnTimer
// of a running timer starts its period again; enabling an already enabled timer does not.
// An exception escaping OnTimer goes to the application's exception boundary. The timer may be
// destroyed from inside its own OnTimer. Ticks need the event loop of the creating thread.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner = nullptr);
    ~TTimer() override;

    bool Enabled() const;
    void SetEnabled(bool value);
    unsigned Interval() const;
    void SetInterval(unsigned milliseconds);
    const TNotifyEvent& OnTimer() const;
    void SetOnTimer(TNotifyEvent handler);
    // Whether ticks are scheduled now.
    bool Active() const;

    struct Impl;

private:
    void UpdateTimer();
    bool enabled_ = true;
    unsigned interval_ = 1000;
    TNotifyEvent onTimer_;
    std::unique_ptr<Impl> impl_;
};
