#include "platform/SystemMemory.h"

#include <sys/sysinfo.h>

#include <cstdio>
#include <cstring>

namespace Platform {

MemoryStatus QueryMemoryStatus()
{
    MemoryStatus status;
    struct sysinfo info {};
    if (sysinfo(&info) == 0) {
        const uint64_t unit = info.mem_unit ? info.mem_unit : 1;
        status.totalPhysical = uint64_t(info.totalram) * unit;
        status.availablePhysical = uint64_t(info.freeram + info.bufferram) * unit;
        status.totalSwap = uint64_t(info.totalswap) * unit;
        status.freeSwap = uint64_t(info.freeswap) * unit;
    }
    if (FILE* f = std::fopen("/proc/meminfo", "r")) {
        char key[64];
        unsigned long long kib = 0;
        while (std::fscanf(f, "%63s %llu kB\n", key, &kib) == 2) {
            if (std::strcmp(key, "MemAvailable:") == 0) {
                status.availablePhysical = uint64_t(kib) * 1024;
                break;
            }
        }
        std::fclose(f);
    }
    if (status.totalPhysical > 0 && status.availablePhysical <= status.totalPhysical)
        status.loadPercent = unsigned(100 - status.availablePhysical * 100 / status.totalPhysical);
    return status;
}

}  // namespace Platform
