// The one worker thread of the process that builds the position caches of large trees.
#pragma once

#include <cstdint>

class TBaseVirtualTree;

// The cache states kept apart from the tree's other states, in one atomic word.
enum : uint32_t {
    kCacheValidationNeeded = 1u << 0,
    kCacheValidating = 1u << 1,
    kCacheStopValidation = 1u << 2,
    kCacheUseCache = 1u << 3,
    kCacheBusy = 1u << 4,  // queued for the worker or being validated by it
};

class TVirtualTreeWorker {
public:
    // The first reference starts the thread; releasing the last ends and joins it.
    static void AddReference();
    static void ReleaseReference();
    static bool Running();
    // Queues a tree for validation (once) and wakes the worker.
    static void Queue(TBaseVirtualTree* tree);
    // Takes a tree off the queue; when the worker is on it, stops it and waits until it left.
    // Returns whether the worker was on the tree.
    static bool Interrupt(TBaseVirtualTree* tree);
    // Waits until the tree is neither queued nor being validated.
    static bool Wait(TBaseVirtualTree* tree, int timeoutMs);
};
