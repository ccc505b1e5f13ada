#pragma once
// Reads a file in blocks of whole lines, parses the blocks on several threads at once and
// hands them, parsed, to the calling thread in file order. What depends on earlier lines
// (running counts, numbering, errors naming a line) stays in the in-order step, so the
// result is the same for any thread count; the parse must touch nothing but its block.
//
// A slot is default-constructible and has `TextBlock text` and `bool failed` (set when
// its parse ran out of memory). At most two blocks per parsing thread are held at a time.
// The slots are the caller's (`pool`), so that a second pass over the file reuses the memory the
// first one grew (on some machines a fresh page costs more than the parse that fills it).

#include "scene/readers/TextReader.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace ParallelBlocks {

// Runs parse(slot) on each block on `threads` threads (none: on the calling thread) and then
// consume(slot) -> bool on the calling thread, in file order, until the blocks end or
// consume returns false (then false). While the next block in order is still parsed
// elsewhere, the calling thread parses one further on. A block whose parse failed reaches
// consume with `failed` set; consume then decides (and may throw).
template <class Slot, class Parse, class Consume>
bool Run(TextReader &reader, unsigned threads, unsigned blockSize, std::vector<Slot> &pool, Parse parse,
         Consume consume)
{
    const auto safeParse = [&](Slot &slot) {
        slot.failed = false;
        try {
            parse(slot);
        } catch (const std::bad_alloc &) {
            slot.failed = true;
        }
    };
    if (threads == 0) {
        if (pool.empty())
            pool.resize(1);
        Slot &slot = pool[0];
        while (reader.ReadBlock(slot.text, blockSize)) {
            safeParse(slot);
            if (!consume(slot))
                return false;
        }
        return true;
    }

    // Two blocks beyond one per thread keep every thread busy; more only raise the peak memory.
    const unsigned ringSize = threads + 2;
    if (pool.size() < ringSize)
        pool.resize(ringSize);
    Slot *const ring = pool.data();
    std::unique_ptr<bool[]> ready(new bool[ringSize]());
    std::mutex lock, readLock;
    std::condition_variable readyChanged, slotFreed;
    uint64_t nextToRead = 0, consumed = 0;
    uint64_t blockCount = ~uint64_t(0);  // known once the reading ended
    bool quit = false;

    // Reads the next block and parses it; false once the reading ended. With `wait` it waits
    // for a free slot; without, it also gives up at once when another thread is reading or
    // no slot is free.
    const auto step = [&](bool wait) {
        // Blocks are read one at a time and in order; the parses then overlap.
        std::unique_lock<std::mutex> reading(readLock, std::defer_lock);
        if (wait)
            reading.lock();
        else if (!reading.try_lock())
            return false;
        uint64_t index;
        {
            std::unique_lock<std::mutex> guard(lock);
            const auto free = [&] { return quit || nextToRead >= blockCount || nextToRead < consumed + ringSize; };
            if (wait)
                slotFreed.wait(guard, free);
            if (quit || nextToRead >= blockCount || !free())
                return false;
            index = nextToRead;
        }
        Slot &slot = ring[index % ringSize];
        const bool got = reader.ReadBlock(slot.text, blockSize);
        const bool last = !got || slot.text.stop != TextBlock::Stop::None;
        {
            const std::lock_guard<std::mutex> guard(lock);
            nextToRead = index + 1;
            if (last)
                blockCount = got ? index + 1 : index;
        }
        reading.unlock();
        if (last) {
            slotFreed.notify_all();
            readyChanged.notify_all();
        }
        if (!got)
            return false;
        safeParse(slot);
        {
            const std::lock_guard<std::mutex> guard(lock);
            ready[index % ringSize] = true;
        }
        readyChanged.notify_all();
        return true;
    };
    const auto work = [&] {
        while (step(true)) {
        }
    };

    std::vector<std::thread> workers;
    // Stops and joins the workers however the consuming ends, a throw included.
    struct Join {
        std::vector<std::thread> &workers;
        std::mutex &lock;
        bool &quit;
        std::condition_variable &slotFreed;
        ~Join()
        {
            {
                const std::lock_guard<std::mutex> guard(lock);
                quit = true;
            }
            slotFreed.notify_all();
            for (std::thread &t : workers)
                t.join();
        }
    } join{workers, lock, quit, slotFreed};
    try {
        for (unsigned i = 0; i < threads; ++i)
            workers.emplace_back(work);
    } catch (const std::system_error &) {
        // Fewer threads than asked for still do the work; none at all leaves it to this one.
    }
    if (workers.empty())
        return Run<Slot>(reader, 0, blockSize, pool, parse, consume);

    for (uint64_t index = 0;; ++index) {
        {
            std::unique_lock<std::mutex> guard(lock);
            while (index < blockCount && !ready[index % ringSize]) {
                // While the block it needs is parsed elsewhere, this thread parses one further on.
                if (nextToRead < blockCount && nextToRead < consumed + ringSize) {
                    guard.unlock();
                    const bool helped = step(false);
                    guard.lock();
                    // Either way the state may have changed meanwhile, unseen by the wait below.
                    if (helped || index >= blockCount || ready[index % ringSize])
                        continue;
                }
                readyChanged.wait(guard);
            }
            if (!ready[index % ringSize])
                return true;
        }
        Slot &slot = ring[index % ringSize];
        if (!consume(slot))
            return false;
        {
            const std::lock_guard<std::mutex> guard(lock);
            ready[index % ringSize] = false;
            consumed = index + 1;
        }
        slotFreed.notify_all();
    }
}

}  // namespace ParallelBlocks
