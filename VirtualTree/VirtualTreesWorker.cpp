// The shared worker thread: a queue of trees, drained on every wake-up.
#include "VirtualTreesWorker.h"

#include "VirtualTrees.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class TVirtualTreeWorkerState {
public:
    std::mutex mutex;
    std::condition_variable wake;  // work queued or termination asked
    std::condition_variable left;  // the worker left a tree
    std::deque<TBaseVirtualTree*> waiting;
    TBaseVirtualTree* current = nullptr;
    bool terminated = false;
    std::thread thread;
    std::mutex referenceMutex;
    int references = 0;

    void Execute();
};

namespace {
// Lives for the whole process: a tree may outlive the static objects of other units.
TVirtualTreeWorkerState& State() {
    static auto* state = new TVirtualTreeWorkerState;
    return *state;
}
}  // namespace

void TVirtualTreeWorkerState::Execute() {
    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return terminated || !waiting.empty(); });
        if (terminated) break;
        // Every queued tree is served now: two trees queued before the wake-up both get done.
        while (!waiting.empty() && !terminated) {
            TBaseVirtualTree* tree = waiting.front();
            waiting.pop_front();
            current = tree;
            lock.unlock();
            tree->DoValidateCache();
            lock.lock();
            current = nullptr;
            tree->geometry_.CacheStates().fetch_and(~kCacheBusy, std::memory_order_release);
            left.notify_all();
        }
    }
}

void TVirtualTreeWorker::AddReference() {
    TVirtualTreeWorkerState& s = State();
    std::lock_guard guard(s.referenceMutex);
    if (s.references++ == 0) {
        {
            std::lock_guard lock(s.mutex);
            s.terminated = false;
        }
        s.thread = std::thread([&s] { s.Execute(); });
    }
}

void TVirtualTreeWorker::ReleaseReference() {
    TVirtualTreeWorkerState& s = State();
    std::lock_guard guard(s.referenceMutex);
    if (s.references == 0 || --s.references > 0) return;
    {
        std::lock_guard lock(s.mutex);
        s.terminated = true;
    }
    s.wake.notify_all();
    if (s.thread.joinable()) s.thread.join();
    std::lock_guard lock(s.mutex);
    s.waiting.clear();
}

bool TVirtualTreeWorker::Running() {
    TVirtualTreeWorkerState& s = State();
    std::lock_guard guard(s.referenceMutex);
    return s.thread.joinable() && s.references > 0;
}

void TVirtualTreeWorker::Queue(TBaseVirtualTree* tree) {
    TVirtualTreeWorkerState& s = State();
    {
        std::lock_guard lock(s.mutex);
        if (std::find(s.waiting.begin(), s.waiting.end(), tree) == s.waiting.end())
            s.waiting.push_back(tree);
        tree->geometry_.CacheStates().fetch_or(kCacheBusy, std::memory_order_relaxed);
    }
    s.wake.notify_one();
}

bool TVirtualTreeWorker::Interrupt(TBaseVirtualTree* tree) {
    // Only this thread queues trees, so a tree that is not busy cannot become busy meanwhile.
    if (!(tree->geometry_.CacheStates().load(std::memory_order_acquire) & kCacheBusy)) return false;
    TVirtualTreeWorkerState& s = State();
    std::unique_lock lock(s.mutex);
    s.waiting.erase(std::remove(s.waiting.begin(), s.waiting.end(), tree), s.waiting.end());
    bool wasCurrent = s.current == tree;
    if (wasCurrent) {
        tree->geometry_.CacheStates().fetch_or(kCacheStopValidation, std::memory_order_relaxed);
        s.left.wait(lock, [&] { return s.current != tree; });
    }
    tree->geometry_.CacheStates().fetch_and(~kCacheBusy, std::memory_order_acquire);
    return wasCurrent;
}

bool TVirtualTreeWorker::Wait(TBaseVirtualTree* tree, int timeoutMs) {
    TVirtualTreeWorkerState& s = State();
    std::unique_lock lock(s.mutex);
    return s.left.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return s.current != tree &&
               std::find(s.waiting.begin(), s.waiting.end(), tree) == s.waiting.end();
    });
}
