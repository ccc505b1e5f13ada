#pragma once
#include <cstdint>

namespace Platform {

// A snapshot of the machine's memory, in bytes.
struct MemoryStatus {
    uint64_t totalPhysical = 0;
    uint64_t availablePhysical = 0;
    uint64_t totalSwap = 0;
    uint64_t freeSwap = 0;
    unsigned loadPercent = 0;  // share of physical memory in use
};

// Reads /proc/meminfo (MemAvailable counts reclaimable cache as free, which is
// what a "can I allocate this" question wants); falls back to sysinfo().
MemoryStatus QueryMemoryStatus();

}  // namespace Platform
