// The headless event queue and the event-processing helpers over it.
#include "HeadlessLoop.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

#include "platform/EventLoop.h"

namespace headless {

using Clock = std::chrono::steady_clock;

struct Loop::State {
    struct Post {
        const void* owner;
        Task task;
    };
    struct Timer {
        std::chrono::milliseconds period;
        Clock::time_point due;
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
    std::chrono::milliseconds period(milliseconds);
    state_->timers[id] = {period, Clock::now() + period, std::move(tick)};
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
        Clock::time_point now = Clock::now();
        for (const auto& [id, timer] : state_->timers)
            if (timer.due <= now) due.push_back(id);
    }
    for (int id : due) {
        Task tick;
        {
            std::lock_guard lock(state_->mutex);
            auto it = state_->timers.find(id);
            if (it == state_->timers.end()) continue;
            it->second.due = Clock::now() + it->second.period;
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

void Loop::Wait(int milliseconds) {
    std::vector<pollfd> fds;
    Clock::time_point until = Clock::now() + std::chrono::milliseconds(std::max(0, milliseconds));
    {
        std::lock_guard lock(state_->mutex);
        if (!state_->posts.empty()) return;
        for (const auto& [id, timer] : state_->timers) until = std::min(until, timer.due);
        for (const auto& [id, watch] : state_->watches)
            if (watch.enabled) fds.push_back({watch.descriptor, watch.events, 0});
    }
    if (state_->wake >= 0) fds.push_back({state_->wake, POLLIN, 0});
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    if (left <= 0) return;
    (void)poll(fds.data(), fds.size(), int(std::min<long long>(left, 1000)));
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
    using namespace std::chrono;
    auto start = steady_clock::now();
    headless::Loop& loop = headless::Loop::Instance();
    while (!(done && done(context))) {
        auto left = milliseconds -
                    duration_cast<std::chrono::milliseconds>(steady_clock::now() - start).count();
        if (left <= 0) break;
        if (!loop.RunPending()) loop.Wait(int(std::min<long long>(left, 50)));
    }
    return done && done(context);
}
