#include "platform/LargePages.h"

#include <sys/mman.h>

#include <cstdlib>

namespace Platform {

namespace {

constexpr size_t kLargePage = size_t(2) << 20;

size_t Rounded(size_t bytes) { return (bytes + kLargePage - 1) / kLargePage * kLargePage; }

}  // namespace

void *AllocateLargePages(size_t bytes) noexcept
{
    if (bytes < kLargePage)
        return ::operator new(bytes ? bytes : 1, std::nothrow);
    if (bytes > size_t(-1) - kLargePage)
        return nullptr;
    void *block = std::aligned_alloc(kLargePage, Rounded(bytes));
    // Only advice: where large pages are not to be had, the block works as it is.
    if (block)
        madvise(block, Rounded(bytes), MADV_HUGEPAGE);
    return block;
}

void FreeLargePages(void *block, size_t bytes) noexcept
{
    if (bytes < kLargePage)
        ::operator delete(block);
    else
        std::free(block);
}

}  // namespace Platform
