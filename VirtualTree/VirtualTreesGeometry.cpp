// The geometry's questions (row at y, top of a row) and the position cache: one (node, top)
// entry per 2000 shown nodes, built by the shared worker.
#include "VirtualTrees.h"

#include "VirtualTreesWorker.h"

// --- Geometry --------------------------------------------------------------------------------

bool TVirtualTreeGeometry::UsingCache() const {
    return CacheStates() & kCacheUseCache;
}

// Skips whole subtrees by their heights.
PVirtualNode TVirtualTreeGeometry::NodeAt(int y, int& nodeTop) const {
    if (y < 0) return nullptr;
    const PVirtualNode root = store_.Root();
    uint32_t target = uint32_t(y);
    uint32_t top = 0;
    PVirtualNode run = nullptr;
    if (UsingCache()) run = CacheSearch(target, top);
    if (!run) {
        run = store_.GetFirstVisible();
        top = 0;
    }
    while (run) {
        if (HasState(run, vsVisible)) {
            if (top + run->TotalHeight > target) {
                if (top + run->NodeHeight > target || !run->FirstChild ||
                    !HasState(run, vsExpanded)) {
                    nodeTop = int(top);
                    return run;
                }
                top += run->NodeHeight;
                run = run->FirstChild;
                continue;
            }
            top += run->TotalHeight;
        }
        // On to the next sibling of this node or of the nearest ancestor that has one.
        while (run != root && !run->NextSibling) run = run->Parent;
        run = run == root ? nullptr : run->NextSibling;
    }
    return nullptr;
}

// The heights of all shown rows before the node: from the cache entry at or before it, or else
// each ancestor's row plus the whole subtrees of the earlier siblings on every level.
int TVirtualTreeGeometry::NodeTop(PVirtualNode node) const {
    if (UsingCache()) {
        int lo = 0, hi = int(visibleCacheEntries_) - 1, found = -1;
        while (lo <= hi) {
            int mid = (lo + hi) / 2;
            if (store_.CompareNodePositions(positionCache_[size_t(mid)].Node, node) <= 0) {
                found = mid;
                lo = mid + 1;
            } else {
                hi = mid - 1;
            }
        }
        if (found >= 0) {
            PVirtualNode run = positionCache_[size_t(found)].Node;
            uint32_t top = positionCache_[size_t(found)].AbsoluteTop;
            while (run && run != node) {
                top += run->NodeHeight;
                run = store_.GetNextVisible(run);
            }
            if (run) return int(top);
        }
    }
    const PVirtualNode root = store_.Root();
    uint32_t top = 0;
    for (PVirtualNode run = node; run && run != root; run = run->Parent) {
        for (PVirtualNode sibling = run->PrevSibling; sibling; sibling = sibling->PrevSibling)
            if (HasState(sibling, vsVisible)) top += sibling->TotalHeight;
        if (run->Parent != root && HasState(run->Parent, vsVisible)) top += run->Parent->NodeHeight;
    }
    return int(top);
}

bool TVirtualTreeGeometry::BuildCache(const std::function<bool()>& stopped) {
    visibleCacheEntries_ = 0;
    const uint32_t visible = store_.VisibleCount();
    if (visible <= CacheThreshold) return false;
    const size_t length = (visible + CacheThreshold - 1) / CacheThreshold;
    positionCache_.assign(length, TCacheEntry{nullptr, 0});
    size_t index = 0;
    uint32_t top = 0;
    uint32_t counter = 0;
    PVirtualNode run = store_.GetFirstVisible();
    while (run && !stopped()) {
        if (counter % CacheThreshold == 0) positionCache_[index++] = {run, top};
        ++counter;
        top += run->NodeHeight;
        if (index == length) break;
        run = store_.GetNextVisible(run);
    }
    // Only real nodes are stored; the valid count is what was stored.
    const bool complete = !stopped() && index > 0;
    if (complete)
        visibleCacheEntries_ = uint32_t(index);
    else
        positionCache_.clear();
    return complete;
}

void TVirtualTreeGeometry::DropCache() {
    positionCache_.clear();
    visibleCacheEntries_ = 0;
}

std::vector<TVirtualTreeGeometry::TCacheEntry> TVirtualTreeGeometry::CacheEntries() const {
    if (!UsingCache()) return {};
    return {positionCache_.begin(), positionCache_.begin() + long(visibleCacheEntries_)};
}

PVirtualNode TVirtualTreeGeometry::CacheSearch(uint32_t y, uint32_t& top) const {
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

// --- The tree's cache control ----------------------------------------------------------------

void TBaseVirtualTree::InvalidateCache() {
    std::atomic<uint32_t>& states = geometry_.CacheStates();
    uint32_t s = states.load(std::memory_order_relaxed);
    // While the worker is on the tree its flags are its own: stop it first.
    if (s & kCacheBusy) {
        InterruptValidation();
        s = states.load(std::memory_order_relaxed);
    }
    if ((s & kCacheValidationNeeded) && !(s & kCacheUseCache)) return;
    states.fetch_or(kCacheValidationNeeded, std::memory_order_relaxed);
    states.fetch_and(~kCacheUseCache, std::memory_order_relaxed);
}

void TBaseVirtualTree::ValidateCache() {
    InterruptValidation();
    std::atomic<uint32_t>& states = geometry_.CacheStates();
    if (!(states.load(std::memory_order_relaxed) & kCacheValidationNeeded)) return;
    if (store_.VisibleCount() <= TVirtualTreeGeometry::CacheThreshold) {
        // A small tree keeps no cache: nothing for the worker to do.
        states.fetch_and(~(kCacheValidationNeeded | kCacheUseCache), std::memory_order_relaxed);
        geometry_.DropCache();
        return;
    }
    TVirtualTreeWorker::Queue(this);
}

void TBaseVirtualTree::InterruptValidation() {
    // Only this thread queues trees: a tree that is not busy now stays so meanwhile.
    if (!(geometry_.CacheStates().load(std::memory_order_acquire) & kCacheBusy)) return;
    if (TVirtualTreeWorker::Interrupt(this)) {
        // The worker was stopped part-way: its work is to be done again.
        std::atomic<uint32_t>& states = geometry_.CacheStates();
        states.fetch_and(~(kCacheStopValidation | kCacheValidating), std::memory_order_relaxed);
        states.fetch_or(kCacheValidationNeeded, std::memory_order_relaxed);
    }
}

bool TBaseVirtualTree::WaitForCacheValidation(int timeoutMs) {
    return TVirtualTreeWorker::Wait(this, timeoutMs);
}

bool TBaseVirtualTree::WorkerRunning() {
    return TVirtualTreeWorker::Running();
}

std::vector<TBaseVirtualTree::TCacheEntry> TBaseVirtualTree::PositionCache() const {
    return geometry_.CacheEntries();
}

// Runs on the worker thread while the tree is its current one. It reads the nodes, which the
// interface thread leaves alone until the worker has left, and writes only the cache.
void TBaseVirtualTree::DoValidateCache() {
    std::atomic<uint32_t>& states = geometry_.CacheStates();
    states.fetch_or(kCacheValidating, std::memory_order_relaxed);
    states.fetch_and(~(kCacheUseCache | kCacheValidationNeeded), std::memory_order_relaxed);
    const bool complete = geometry_.BuildCache(
        [&states] { return (states.load(std::memory_order_relaxed) & kCacheStopValidation) != 0; });
    if (complete) states.fetch_or(kCacheUseCache, std::memory_order_release);
    states.fetch_and(~(kCacheStopValidation | kCacheValidating), std::memory_order_release);
}
