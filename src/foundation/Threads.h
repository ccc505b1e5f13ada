#pragma once
// Work spread over the processors that this process may use: the count of them, a loop
// whose ranges several threads take in turn, and a fixed split into numbered parts.

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

// Splits 0..count into `parts` consecutive ranges and runs work(first, end, part) on each,
// the parts on threads of their own. The split depends only on `count` and `parts`, so work
// that writes nothing but its own range gives the same result for any number of threads;
// a thread that cannot be started leaves its range to the calling thread.
// As many parts as processors, but none smaller than `grain` indices: small work stays on
// the calling thread, where starting threads would cost more than it saves.
inline unsigned ParallelParts(uint64_t count, unsigned grain)
{
    const uint64_t most = std::max<uint64_t>(1, count / std::max(1u, grain));
    return unsigned(std::min<uint64_t>(AvailableThreads(), most));
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
