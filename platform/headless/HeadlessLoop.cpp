// The headless event queue and the event-processing helpers over it.
#include "HeadlessLoop.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/headless/Headless.h"

namespace headless {

namespace {

using RealClock = std::chrono::steady_clock;

int64_t RealMsSince(RealClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(RealClock::now() - start).count();
}

// Passes at one instant before the clock moves on regardless.
constexpr int kMaxPassesPerInstant = 1000;

}  // namespace

struct Loop::State {
    struct Post {
        const void* owner;
        Task task;
    };
    struct Timer {
        int64_t period;
        int64_t due;
        Task tick;
    };
    struct WatchEntry {
        int descriptor;
        short events;
        bool enabled;
        Task ready;
    };
    mutable std::mutex mutex;
    std::deque<Post> posts;
    std::map<int, Timer> timers;
    std::map<int, WatchEntry> watches;
    int nextId = 1;
    int wake = -1;  // an eventfd that a post from another thread makes readable
    std::atomic<int64_t> now{0};
};

Loop::Loop() : state_(new State) {
    state_->wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

Loop& Loop::Instance() {
    // Kept for the life of the process: controls and timers may live until its end.
    static Loop* loop = new Loop;
    return *loop;
}

void Loop::Post(const void* owner, Task task) {
    {
        std::lock_guard lock(state_->mutex);
        state_->posts.push_back({owner, std::move(task)});
    }
    if (state_->wake >= 0) {
        uint64_t one = 1;
        (void)!write(state_->wake, &one, sizeof one);
    }
}

void Loop::DropPosts(const void* owner) {
    std::lock_guard lock(state_->mutex);
    auto& posts = state_->posts;
    posts.erase(std::remove_if(posts.begin(), posts.end(),
                               [owner](const State::Post& p) { return p.owner == owner; }),
                posts.end());
}

int Loop::StartTimer(unsigned milliseconds, Task tick) {
    std::lock_guard lock(state_->mutex);
    int id = state_->nextId++;
    state_->timers[id] = {int64_t(milliseconds), state_->now + int64_t(milliseconds),
                          std::move(tick)};
    return id;
}

void Loop::StopTimer(int id) {
    std::lock_guard lock(state_->mutex);
    state_->timers.erase(id);
}

int Loop::Watch(int descriptor, short events, Task ready) {
    std::lock_guard lock(state_->mutex);
    int id = state_->nextId++;
    state_->watches[id] = {descriptor, events, true, std::move(ready)};
    return id;
}

void Loop::SetWatchEnabled(int id, bool enabled) {
    std::lock_guard lock(state_->mutex);
    auto it = state_->watches.find(id);
    if (it != state_->watches.end()) it->second.enabled = enabled;
}

bool Loop::WatchEnabled(int id) const {
    std::lock_guard lock(state_->mutex);
    auto it = state_->watches.find(id);
    return it != state_->watches.end() && it->second.enabled;
}

void Loop::Unwatch(int id) {
    std::lock_guard lock(state_->mutex);
    state_->watches.erase(id);
}

bool Loop::RunPending() {
    bool ran = false;
    // The posts queued so far; what their handlers post waits for the next pass.
    size_t count;
    {
        std::lock_guard lock(state_->mutex);
        count = state_->posts.size();
        uint64_t drained;
        if (state_->wake >= 0) (void)!read(state_->wake, &drained, sizeof drained);
    }
    for (size_t i = 0; i < count; ++i) {
        Task task;
        {
            std::lock_guard lock(state_->mutex);
            if (state_->posts.empty()) break;
            task = std::move(state_->posts.front().task);
            state_->posts.pop_front();
        }
        task();
        ran = true;
    }
    // The timers due now, each once; a timer stopped by an earlier handler does not run.
    std::vector<int> due;
    {
        std::lock_guard lock(state_->mutex);
        for (const auto& [id, timer] : state_->timers)
            if (timer.due <= state_->now) due.push_back(id);
    }
    for (int id : due) {
        Task tick;
        {
            std::lock_guard lock(state_->mutex);
            auto it = state_->timers.find(id);
            if (it == state_->timers.end()) continue;
            it->second.due = state_->now + it->second.period;
            tick = it->second.tick;
        }
        tick();
        ran = true;
    }
    // The descriptors ready now.
    std::vector<int> ids;
    std::vector<pollfd> fds;
    {
        std::lock_guard lock(state_->mutex);
        for (const auto& [id, watch] : state_->watches)
            if (watch.enabled) {
                ids.push_back(id);
                fds.push_back({watch.descriptor, watch.events, 0});
            }
    }
    if (!fds.empty() && poll(fds.data(), fds.size(), 0) > 0) {
        for (size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            Task ready;
            {
                std::lock_guard lock(state_->mutex);
                auto it = state_->watches.find(ids[i]);
                if (it == state_->watches.end() || !it->second.enabled) continue;
                ready = it->second.ready;
            }
            ready();
            ran = true;
        }
    }
    return ran;
}

int64_t Loop::Now() const {
    return state_->now;
}

void Loop::SetNow(int64_t now) {
    std::lock_guard lock(state_->mutex);
    if (now > state_->now) state_->now = now;
}

int64_t Loop::NextDue() const {
    std::lock_guard lock(state_->mutex);
    int64_t next = INT64_MAX;
    // A timer of period 0 runs at each pass: its next chance is the next instant.
    for (const auto& [id, timer] : state_->timers)
        next = std::min(next, std::max(timer.due, state_->now + 1));
    return next;
}

bool Loop::HasPosts() const {
    std::lock_guard lock(state_->mutex);
    return !state_->posts.empty();
}

bool Loop::Watching() const {
    std::lock_guard lock(state_->mutex);
    return std::any_of(state_->watches.begin(), state_->watches.end(),
                       [](const auto& entry) { return entry.second.enabled; });
}

void Loop::RunInstant(const std::function<bool()>& stop) {
    for (int pass = 0; pass < kMaxPassesPerInstant && !stop(); ++pass)
        if (!RunPending() || !HasPosts()) break;
}

void Loop::Wait(int milliseconds) {
    std::vector<pollfd> fds;
    {
        std::lock_guard lock(state_->mutex);
        if (!state_->posts.empty()) return;
        for (const auto& [id, watch] : state_->watches)
            if (watch.enabled) fds.push_back({watch.descriptor, watch.events, 0});
    }
    if (state_->wake >= 0) fds.push_back({state_->wake, POLLIN, 0});
    if (milliseconds > 0) (void)poll(fds.data(), fds.size(), std::min(milliseconds, 1000));
}

bool Loop::Run(int milliseconds, bool (*done)(void*), void* context, bool realWaits) {
    const std::function<bool()> isDone = [&] { return done && done(context); };
    const int64_t end = Now() + std::max(0, milliseconds);
    const RealClock::time_point realStart = RealClock::now();
    // Where the clock and real time last agreed, for keeping pace while descriptors are watched.
    int64_t paceClock = Now();
    RealClock::time_point paceReal = realStart;
    for (;;) {
        RunInstant(isDone);
        if (isDone()) return true;
        if (Now() >= end) {
            // The span has passed on the clock; what a caller waits for may still come from
            // another thread or a descriptor, for as long as the span lasts in real time.
            if (!realWaits || !done) break;
            const int64_t left = milliseconds - RealMsSince(realStart);
            if (left <= 0) break;
            Wait(int(std::min<int64_t>(left, 50)));
            continue;
        }
        const int64_t next = std::min(NextDue(), end);
        if (realWaits && Watching()) {
            int64_t paced = paceClock + RealMsSince(paceReal);
            if (paced < next) {
                Wait(int(next - paced));
                paced = paceClock + RealMsSince(paceReal);
            }
            SetNow(std::min(paced, next));
        } else {
            SetNow(next);
            paceClock = next;
            paceReal = RealClock::now();
        }
    }
    return isDone();
}

void ShowException(const std::exception* error) {
    if (dynamic_cast<const EAbort*>(error)) return;
    std::string text = error ? error->what() : "Unknown error";
    MessageDlg(text, TMsgDlgType::mtError, mbOK);
}

}  // namespace headless

// --- Event processing ---------------------------------------------------------------------------

bool HasEventLoop() {
    return true;
}

void ProcessMessages(bool) {
    headless::Loop::Instance().RunPending();
}

bool ProcessMessagesUntil(int milliseconds, bool (*done)(void*), void* context) {
    return headless::Loop::Instance().Run(milliseconds, done, context, true);
}

int64_t TickCount() {
    return headless::Loop::Instance().Now();
}

void AdvanceTime(int milliseconds) {
    headless::Loop::Instance().Run(milliseconds, nullptr, nullptr, false);
}
