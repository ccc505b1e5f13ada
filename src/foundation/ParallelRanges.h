#pragma once
// Splits the indices 0..count into consecutive ranges and runs work(first, end, part) on
// each, the parts on threads of their own. The split depends only on `count` and `parts`,
// so work that writes nothing but its own range gives the same result for any number of
// threads; a thread that cannot be started leaves its range to the calling thread.

#include <sched.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace General {

// The processors this process may run on.
inline unsigned AvailableProcessors()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return 1;
    const int count = CPU_COUNT(&set);
    return count > 0 ? unsigned(count) : 1u;
}

// As many parts as processors, but none smaller than `grain` indices: small work stays on
// the calling thread, where starting threads would cost more than it saves.
inline unsigned ParallelParts(uint64_t count, unsigned grain)
{
    const uint64_t most = std::max<uint64_t>(1, count / std::max(1u, grain));
    return unsigned(std::min<uint64_t>(AvailableProcessors(), most));
}

template <class Work>
void ParallelRanges(unsigned count, unsigned parts, Work &&work)
{
    parts = std::max(1u, std::min(parts, std::max(count, 1u)));
    auto first = [&](unsigned part) { return unsigned(uint64_t(count) * part / parts); };
    std::vector<std::thread> threads;
    std::vector<unsigned> leftOver;
    try {
        threads.reserve(parts);
        leftOver.reserve(parts);
    } catch (const std::bad_alloc &) {
        for (unsigned part = 0; part < parts; ++part)
            work(first(part), first(part + 1), part);
        return;
    }
    for (unsigned part = 1; part < parts; ++part) {
        try {
            threads.emplace_back([&work, a = first(part), b = first(part + 1), part] { work(a, b, part); });
        } catch (const std::system_error &) {
            leftOver.push_back(part);
        } catch (const std::bad_alloc &) {
            leftOver.push_back(part);
        }
    }
    work(first(0), first(1), 0u);
    for (unsigned part : leftOver)
        work(first(part), first(part + 1), part);
    for (std::thread &thread : threads)
        thread.join();
}

}  // namespace General
