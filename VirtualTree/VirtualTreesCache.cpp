// The position cache: one (node, top) entry per 2000 shown nodes, built by the shared worker.
#include "VirtualTrees.h"

#include "VirtualTreesWorker.h"

void TBaseVirtualTree::InvalidateCache() {
    uint32_t s = cacheStates_.load(std::memory_order_relaxed);
    // While the worker is on the tree its flags are its own: stop it first.
    if (s & kCacheBusy) {
        InterruptValidation();
        s = cacheStates_.load(std::memory_order_relaxed);
    }
    if ((s & kCacheValidationNeeded) && !(s & kCacheUseCache)) return;
    cacheStates_.fetch_or(kCacheValidationNeeded, std::memory_order_relaxed);
    cacheStates_.fetch_and(~kCacheUseCache, std::memory_order_relaxed);
}

void TBaseVirtualTree::ValidateCache() {
    InterruptValidation();
    if (!(cacheStates_.load(std::memory_order_relaxed) & kCacheValidationNeeded)) return;
    if (visibleCount_ <= kCacheThreshold) {
        // A small tree keeps no cache: nothing for the worker to do.
        cacheStates_.fetch_and(~(kCacheValidationNeeded | kCacheUseCache), std::memory_order_relaxed);
        positionCache_.clear();
        visibleCacheEntries_ = 0;
        return;
    }
    TVirtualTreeWorker::Queue(this);
}

void TBaseVirtualTree::InterruptValidation() {
    if (TVirtualTreeWorker::Interrupt(this)) {
        // The worker was stopped part-way: its work is to be done again.
        cacheStates_.fetch_and(~(kCacheStopValidation | kCacheValidating), std::memory_order_relaxed);
        cacheStates_.fetch_or(kCacheValidationNeeded, std::memory_order_relaxed);
    }
}

bool TBaseVirtualTree::WaitForCacheValidation(int timeoutMs) {
    return TVirtualTreeWorker::Wait(this, timeoutMs);
}

bool TBaseVirtualTree::WorkerRunning() { return TVirtualTreeWorker::Running(); }

std::vector<TBaseVirtualTree::TCacheEntry> TBaseVirtualTree::PositionCache() const {
    if (!(cacheStates_.load(std::memory_order_acquire) & kCacheUseCache)) return {};
    return {positionCache_.begin(), positionCache_.begin() + long(visibleCacheEntries_)};
}

// Runs on the worker thread while the tree is its current one. It reads the nodes, which the
// interface thread leaves alone until the worker has left, and writes only the cache.
void TBaseVirtualTree::DoValidateCache() {
    cacheStates_.fetch_or(kCacheValidating, std::memory_order_relaxed);
    cacheStates_.fetch_and(~(kCacheUseCache | kCacheValidationNeeded), std::memory_order_relaxed);
    auto stopped = [this] {
        return (cacheStates_.load(std::memory_order_relaxed) & kCacheStopValidation) != 0;
    };
    visibleCacheEntries_ = 0;
    bool complete = false;
    if (visibleCount_ > kCacheThreshold) {
        const size_t length = (visibleCount_ + kCacheThreshold - 1) / kCacheThreshold;
        positionCache_.assign(length, TCacheEntry{nullptr, 0});
        size_t index = 0;
        uint32_t top = 0;
        uint32_t counter = 0;
        PVirtualNode run = GetFirstVisibleNoInit();
        while (run && !stopped()) {
            if (counter % kCacheThreshold == 0) positionCache_[index++] = {run, top};
            ++counter;
            top += run->NodeHeight;
            if (index == length) break;
            run = GetNextVisibleNoInit(run);
        }
        // Only real nodes are stored; the valid count is what was stored.
        complete = !stopped() && index > 0;
        if (complete)
            visibleCacheEntries_ = uint32_t(index);
        else
            positionCache_.clear();
    }
    if (complete) cacheStates_.fetch_or(kCacheUseCache, std::memory_order_release);
    cacheStates_.fetch_and(~(kCacheStopValidation | kCacheValidating), std::memory_order_release);
}

// The last cache entry whose top is at most y.
PVirtualNode TBaseVirtualTree::CacheSearch(uint32_t y, uint32_t& top) const {
    int lo = 0, hi = int(visibleCacheEntries_) - 1, found = -1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        if (positionCache_[size_t(mid)].AbsoluteTop <= y) {
            found = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    if (found < 0) return nullptr;
    top = positionCache_[size_t(found)].AbsoluteTop;
    return positionCache_[size_t(found)].Node;
}
