#pragma once
// The memory floor of a piece of work: the time a plain copy takes to read and write the
// same number of bytes, from places spread over a buffer larger than the caches, measured
// in the same run as the work it is set against.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace bench {

// Median microseconds to copy `bytes` from a random 64-byte-aligned place of a 256 MB
// buffer, over `runs` copies.
inline double PlainCopyMicroseconds(size_t bytes, int runs = 31)
{
    constexpr size_t kSource = size_t(256) << 20;
    static std::vector<char> source(kSource, 1);
    bytes = std::min(bytes, kSource / 2);
    std::vector<char> target(bytes ? bytes : 1);
    std::mt19937_64 random(7);
    std::vector<double> us;
    for (int r = 0; r < runs; ++r) {
        const size_t at = (random() % (kSource - bytes)) & ~size_t(63);
        const auto start = std::chrono::steady_clock::now();
        std::memcpy(target.data(), source.data() + at, bytes);
        const auto end = std::chrono::steady_clock::now();
        asm volatile("" : : "r"(target.data()) : "memory");
        us.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(us.begin(), us.end());
    return us[us.size() / 2];
}

}  // namespace bench
