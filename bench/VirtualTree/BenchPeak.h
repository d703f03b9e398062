// The process's peak resident size (VmHWM) in megabytes: run one case per process
// (--benchmark_filter) to read a case's own peak.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

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
