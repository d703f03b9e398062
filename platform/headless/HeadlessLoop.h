// Private to platform_headless: the event queue that stands in for a display's event loop, and
// the boundary that handler exceptions stop at.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Exceptions.h"
#include "platform/Messages.h"

namespace headless {

using Task = std::function<void()>;

// Posted calls, timers and descriptor watches, run by ProcessMessages on the thread that calls
// it. Posting is safe from any thread; everything else belongs to the thread that pumps.
// Each call runs from a copy, so a handler may stop its own timer or watch, or destroy its owner.
class Loop {
public:
    static Loop& Instance();

    // Queues `task`; `owner` tags it so that DropPosts can remove it.
    void Post(const void* owner, Task task);
    void DropPosts(const void* owner);

    // A timer that runs `tick` every `milliseconds` (0: at each pass) while pumped; returns its id.
    int StartTimer(unsigned milliseconds, Task tick);
    void StopTimer(int id);

    // Calls `ready` at each pass while the descriptor is ready for `events` (poll's bits) and the
    // watch is enabled; returns its id.
    int Watch(int descriptor, short events, Task ready);
    void SetWatchEnabled(int id, bool enabled);
    bool WatchEnabled(int id) const;
    void Unwatch(int id);

    // One pass: the posts queued before it, the timers due on the clock, the ready descriptors.
    // Returns whether anything ran.
    bool RunPending();

    // The loop's clock in milliseconds. It is virtual: it stands still until Run moves it.
    int64_t Now() const;

    // Walks the clock `milliseconds` on: at each instant the posts queued, the timers due and
    // the ready descriptors run (posts that handlers make run before the clock moves on), then
    // the clock steps to the next timer due within the span, so timers fire in due order and
    // no wall-clock time passes. Stops early once `done` (if given) answers true.
    // With `realWaits`, descriptors and other threads get real time: while a descriptor is
    // watched the clock keeps pace with real time (a time-out cannot overtake an answer on its
    // way), and when the span has passed on the clock with `done` still false, the loop waits
    // for posts and descriptors until the span has passed in real time too. Everything due at
    // the end runs before it returns. Returns done's last answer.
    bool Run(int milliseconds, bool (*done)(void*), void* context, bool realWaits);

private:
    Loop();
    // The earliest instant after Now() at which a timer falls due; INT64_MAX without timers.
    int64_t NextDue() const;
    void SetNow(int64_t now);
    bool HasPosts() const;
    bool Watching() const;
    // Passes at the current instant while they leave posts queued (bounded, so a handler that
    // posts itself again cannot stop the clock), until `stop` answers true.
    void RunInstant(const std::function<bool()>& stop);
    // Sleeps until a post arrives, a watched descriptor becomes ready or `milliseconds` pass
    // in real time.
    void Wait(int milliseconds);

    struct State;
    State* state_;
};

// Shows an exception that reached a handler's boundary as the program's boundary does: an
// error message with OK; the silent abort shows nothing.
void ShowException(const std::exception* error);

template <class F>
void Guarded(F&& action) {
    try {
        action();
    } catch (const std::exception& e) {
        ShowException(&e);
    } catch (...) {
        ShowException(nullptr);
    }
}

}  // namespace headless
