#include "platform/WriteAhead.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14; an older kernel refuses it
#endif

namespace Platform {

void PrepareForWriting(void *block, size_t bytes)
{
    static const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    if (!block || bytes < kWriteAheadMinimum || !page)
        return;
    const uintptr_t start = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(page - 1);
    if (end > start)
        madvise(reinterpret_cast<void *>(start), end - start, MADV_POPULATE_WRITE);
}

}  // namespace Platform
