#include "foundation/Memory.h"

#include "foundation/Containers.h"
#include "foundation/ShellServices.h"
#include "platform/SystemMemory.h"

#include <cinttypes>
#include <cstdio>
#include <vector>

namespace General {

namespace {
uint64_t s_iCounted = 0;
uint64_t s_iLimit = ~uint64_t(0);
const char *s_sCurrentAllocator = nullptr;

constexpr uint64_t kK = 1024, kM = 0x100000, kG = 0x40000000;

struct BlockDesc {
    const Block *block = nullptr;
};

// One line "<prefix>%.2f<unit>" for the largest unit the count is above; nothing up to 1024 bytes.
void LogSize(const char *prefix, uint64_t bytes)
{
    if (bytes > kG)
        Log("%s%.2fG\n", prefix, double(bytes) / double(kG));
    else if (bytes > kM)
        Log("%s%.2fM\n", prefix, double(bytes) / double(kM));
    else if (bytes > kK)
        Log("%s%.2fK\n", prefix, double(bytes) / double(kK));
}
// The label shows the total to two decimals of its unit, so it is set again only when that
// figure may have changed: counted allocations are many and mostly small.
void UpdateMemoryLabel(uint64_t total)
{
    static uint64_t s_shownUnit = ~uint64_t(0);
    static int64_t s_shownStep = -1;
    const uint64_t unit = total > kG ? kG : total > kM ? kM : total > kK ? kK : 0;
    // Steps of half a hundredth: within one the rounded figure stays the same.
    const int64_t step = unit ? int64_t(double(total) * 200.0 / double(unit)) : 0;
    if (unit == s_shownUnit && step == s_shownStep)
        return;
    s_shownUnit = unit;
    s_shownStep = step;
    char text[32];
    Shell().SetMemoryLabel(QString::fromLatin1(FormatMemorySize(total, text, sizeof text)));
}
}  // namespace

const char *FormatMemorySize(uint64_t bytes, char *buffer, unsigned size)
{
    buffer[0] = '\0';
    if (bytes > kG)
        std::snprintf(buffer, size, "%.2fG", double(bytes) / double(kG));
    else if (bytes > kM)
        std::snprintf(buffer, size, "%.2fM", double(bytes) / double(kM));
    else if (bytes > kK)
        std::snprintf(buffer, size, "%.2fK", double(bytes) / double(kK));
    return buffer;
}

bool AddMemoryBlock(int64_t delta)
{
    const uint64_t total = s_iCounted + uint64_t(delta);
    if (delta > 0 && total > s_iLimit)
        return false;
    s_iCounted = total;
    UpdateMemoryLabel(total);
    return true;
}

uint64_t GetCountedMemory() { return s_iCounted; }
void SetMemoryLimit(uint64_t limit) { s_iLimit = limit; }
uint64_t GetMemoryLimit() { return s_iLimit; }

uint64_t GetAvailableMemory()
{
    const uint64_t physical = Platform::QueryMemoryStatus().availablePhysical;
    const uint64_t left = s_iLimit > s_iCounted ? s_iLimit - s_iCounted : 0;
    return physical < left ? physical : left;
}

void WriteMemoryBlockReport()
{
    Log("==== Memory Blocks Begin ====\n");
    // The list is uncounted scratch: a counted store here would be refused under the
    // very limit that triggered the report, and report again without end.
    std::vector<BlockDesc> blocks;
    for (const Block *b = Block::Head(); b; b = b->GetNext())
        if (b->GetBlockSize() != 0)
            blocks.push_back(BlockDesc{b});
    std::sort(blocks.begin(), blocks.end(), [](const BlockDesc &a, const BlockDesc &b) {
        return uintptr_t(a.block->GetBufferAddress()) < uintptr_t(b.block->GetBufferAddress());
    });
    uint64_t total = 0;
    for (size_t i = blocks.size(); i-- > 0;) {
        const Block *b = blocks[i].block;
        Log("Block size:%llu (%u), name: %s, at 0x%08" PRIxPTR "\n", (unsigned long long)b->GetBlockSize(),
            b->GetItemSize(), b->GetID(), uintptr_t(b->GetBufferAddress()));
        total += b->GetBlockSize();
    }
    LogSize("Total: ", total);
    LogSize("Free: ", GetAvailableMemory());
    Log("==== Memory Blocks End ====\n");
}

void SetCurrentAllocator(const char *id) { s_sCurrentAllocator = id; }
const char *GetCurrentAllocator() { return s_sCurrentAllocator; }

}  // namespace General
