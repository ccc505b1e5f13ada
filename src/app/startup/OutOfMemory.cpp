#include "app/startup/OutOfMemory.h"

#include "foundation/Diagnostics.h"
#include "foundation/Memory.h"
#include "platform/SystemMemory.h"

#include <cstdlib>
#include <new>

namespace {

thread_local bool t_bHandling = false;

// Whether `size` bytes can be had in twenty blocks; the probes neither throw nor come back here.
bool AvailableInPieces(uint64_t size)
{
    constexpr int kPieces = 20;
    void *blocks[kPieces] = {};
    bool all = true;
    for (void *&block : blocks) {
        block = std::malloc(size_t(size / kPieces));
        all = all && block;
    }
    for (void *block : blocks)
        std::free(block);
    return all;
}

}  // namespace

QString OutOfMemoryMessage(uint64_t size)
{
    const Platform::MemoryStatus memory = Platform::QueryMemoryStatus();
    QString message = size ? QString::asprintf("Memory allocation for %.2f MB failed.\n", double(size) / 1048576.0)
                           : QStringLiteral("Memory allocation failed.\n");
    if (const char *allocator = General::GetCurrentAllocator())
        message += QString::asprintf(" Allocator: %s\n", allocator);
    // The machine's memory as physical memory, address space (physical and swap) and swap.
    const uint64_t virtualTotal = memory.totalPhysical + memory.totalSwap;
    const uint64_t virtualFree = memory.availablePhysical + memory.freeSwap;
    message += QString::asprintf("\n %lluk / %lluk physical memory\n %lluk / %lluk virtual memory\n %lluk / %lluk page "
                                 "file\n Memory load: %u percent.\n",
                                 (unsigned long long)(memory.availablePhysical / 1024),
                                 (unsigned long long)(memory.totalPhysical / 1024),
                                 (unsigned long long)(virtualFree / 1024), (unsigned long long)(virtualTotal / 1024),
                                 (unsigned long long)(memory.freeSwap / 1024),
                                 (unsigned long long)(memory.totalSwap / 1024), memory.loadPercent);
    if (size && AvailableInPieces(size))
        message += QStringLiteral("Fragmentation problem\n");
    return message;
}

void OutOfMemoryHandler(uint64_t size)
{
    if (!t_bHandling) {
        t_bHandling = true;
        try {
            Log("%s", OutOfMemoryMessage(size).toLocal8Bit().constData());
        } catch (...) {
            // Logging itself ran out of memory: the allocation fails all the same.
        }
        t_bHandling = false;
    }
    throw std::bad_alloc();
}

void InstallOutOfMemoryHandler()
{
    std::set_new_handler([] { OutOfMemoryHandler(0); });
}
