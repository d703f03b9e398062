// Private to platform_headless: the event queue that stands in for a display's event loop, and
// the boundary that handler exceptions stop at.
#pragma once

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

    // One pass: the posts queued before it, the timers due, the ready descriptors. Returns
    // whether anything ran.
    bool RunPending();
    // Sleeps until a post arrives, a timer falls due, a descriptor becomes ready or
    // `milliseconds` pass.
    void Wait(int milliseconds);

private:
    Loop();
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
