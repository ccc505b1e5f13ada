#include "platform/Processors.h"

#include <sched.h>

namespace Platform {

unsigned AvailableProcessors()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return 1;
    const int count = CPU_COUNT(&set);
    return count > 0 ? unsigned(count) : 1u;
}

}  // namespace Platform
