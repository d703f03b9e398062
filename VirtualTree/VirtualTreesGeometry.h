// The tree's vertical geometry: row heights, the scroll offsets and horizontal range, the
// position cache, and the two questions everything else asks of them: which row is at y, and
// where does a row start. It reads the node store and changes no node.
#pragma once

#include "VirtualTreesStore.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

class TVirtualTreeGeometry {
public:
    struct TCacheEntry {
        PVirtualNode Node;
        uint32_t AbsoluteTop;
    };
    // One cache entry per this many shown nodes; smaller trees keep no cache.
    static constexpr uint32_t CacheThreshold = 2000;

    explicit TVirtualTreeGeometry(const TVirtualNodeStore& store) : store_(store) {}
    TVirtualTreeGeometry(const TVirtualTreeGeometry&) = delete;
    TVirtualTreeGeometry& operator=(const TVirtualTreeGeometry&) = delete;

    uint32_t DefaultNodeHeight() const { return defaultNodeHeight_; }
    void SetDefaultNodeHeight(uint32_t value) { defaultNodeHeight_ = value; }

    int OffsetX() const { return offsetX_; }
    int OffsetY() const { return offsetY_; }
    void SetOffsets(int x, int y) {
        offsetX_ = x;
        offsetY_ = y;
    }
    int RangeX() const { return rangeX_; }
    void SetRangeX(int value) { rangeX_ = value; }
    // The content height below the hidden root's own row.
    int RangeY() const { return int(store_.Root()->TotalHeight) - int(store_.Root()->NodeHeight); }

    // The shown node whose row holds content coordinate y (its top in nodeTop), or nullptr.
    PVirtualNode NodeAt(int y, int& nodeTop) const;
    // The content top of a shown node.
    int NodeTop(PVirtualNode node) const;

    // --- Position cache ---
    // The cache states (kCache* flags), shared with the worker thread.
    std::atomic<uint32_t>& CacheStates() { return cacheStates_; }
    uint32_t CacheStates() const { return cacheStates_.load(std::memory_order_acquire); }
    bool UsingCache() const;
    // Builds the cache from the store; stops early (and keeps nothing) when stopped() says so.
    // Returns whether a usable cache was built.
    bool BuildCache(const std::function<bool()>& stopped);
    void DropCache();
    std::vector<TCacheEntry> CacheEntries() const;
    // The last cache entry whose top is at most y.
    PVirtualNode CacheSearch(uint32_t y, uint32_t& top) const;

private:
    const TVirtualNodeStore& store_;
    uint32_t defaultNodeHeight_ = 18;
    int offsetX_ = 0;
    int offsetY_ = 0;
    int rangeX_ = 0;
    std::atomic<uint32_t> cacheStates_{0};
    // Written by the worker while it owns the tree, read only while the cache is in use.
    std::vector<TCacheEntry> positionCache_;
    uint32_t visibleCacheEntries_ = 0;
};
