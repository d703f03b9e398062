// Memory figures of the tree benchmarks.
#pragma once

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "VirtualTreesStore.h"

// The bytes in use on the heap plus the tree's node slabs, which are mapped outside the heap:
// what a structure holds once built.
inline double HeapBytes() {
    struct mallinfo2 info = mallinfo2();
    return double(info.uordblks) + double(info.hblkhd) + double(TNodePool::MappedBytes());
}
inline double HeapMegabytes() {
    return HeapBytes() / (1024.0 * 1024.0);
}

// The process's peak resident size (VmHWM) in megabytes: run one case per process
// (--benchmark_filter) to read a case's own peak.
inline double PeakMegabytes() {
    double kb = 0;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::atof(line + 6);
        std::fclose(f);
    }
    return kb / 1024.0;
}
