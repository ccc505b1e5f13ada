#pragma once
// Memory for large structures that are read at scattered places, such as a search tree
// walked on every mouse move: each read in a new small page costs a page-table walk
// as well as the read itself, so a block of 2 MB or more is aligned to and advised
// for the system's large pages. Smaller blocks come from the ordinary heap.

#include <cstddef>
#include <new>

namespace Platform {

// Null when memory is refused.
void *AllocateLargePages(size_t bytes) noexcept;
// `bytes` as given when allocated.
void FreeLargePages(void *block, size_t bytes) noexcept;

// A standard allocator over the two, for the containers of such structures.
template <class T>
struct LargePageAllocator {
    using value_type = T;
    LargePageAllocator() = default;
    template <class U>
    LargePageAllocator(const LargePageAllocator<U> &) noexcept
    {
    }
    T *allocate(size_t n)
    {
        if (n > size_t(-1) / sizeof(T))
            throw std::bad_alloc();
        if (void *block = AllocateLargePages(n * sizeof(T)))
            return static_cast<T *>(block);
        throw std::bad_alloc();
    }
    void deallocate(T *block, size_t n) noexcept { FreeLargePages(block, n * sizeof(T)); }
    template <class U>
    bool operator==(const LargePageAllocator<U> &) const noexcept
    {
        return true;
    }
};

}  // namespace Platform
