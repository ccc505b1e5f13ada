#pragma once
// Work spread over the processors that this process may use: the count of them, and a
// loop whose ranges several threads take in turn.

#include "platform/Processors.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace General {

// The processors this process may run on (its affinity, not the machine's count).
inline unsigned AvailableThreads() { return Platform::AvailableProcessors(); }

// Runs work(begin, end) over [0, count) in ranges of `grain` items, on `threads` threads
// (0: AvailableThreads()), the calling thread among them. Ranges are taken as threads
// come free, so a thread that the machine slows down takes fewer. Where threads cannot
// be started, those that did (or the calling one alone) do all the work. `work` must not
// throw and must touch nothing that another range writes.
template <class Work>
void ParallelFor(uint64_t count, unsigned threads, uint64_t grain, Work work)
{
    grain = std::max<uint64_t>(grain, 1);
    if (threads == 0)
        threads = AvailableThreads();
    const uint64_t ranges = (count + grain - 1) / grain;
    threads = unsigned(std::min<uint64_t>(threads, ranges));
    if (threads <= 1) {
        if (count)
            work(uint64_t(0), count);
        return;
    }
    std::atomic<uint64_t> next{0};
    const auto run = [&] {
        for (uint64_t r; (r = next.fetch_add(1, std::memory_order_relaxed)) < ranges;)
            work(r * grain, std::min(count, (r + 1) * grain));
    };
    std::vector<std::thread> helpers;
    try {
        helpers.reserve(threads - 1);
        for (unsigned i = 1; i < threads; ++i)
            helpers.emplace_back(run);
    } catch (const std::system_error &) {
    } catch (const std::bad_alloc &) {
    }
    run();
    for (std::thread &t : helpers)
        t.join();
}

}  // namespace General
