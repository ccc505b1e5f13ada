#pragma once
// Accumulates elapsed ticks over Start/Stop pairs, with a count of items processed.

#include "foundation/Containers.h"

#include <cstdint>

namespace General {

class Timer {
public:
    struct Stat {
        const char *name = nullptr;
        uint64_t ticks = 0;
        unsigned calls = 0;
        bool active = false;
        int parent = -1;
    };

    void Start() { m_iStart = Now(); }
    void Stop(uint64_t count)
    {
        m_iItems += count;
        m_iTicks += Now() - m_iStart;
    }
    uint64_t GetTicks() const { return m_iTicks; }
    uint64_t GetItems() const { return m_iItems; }

    // Clears every statistic and restarts the run clock.
    static void Reset();
    // Monotonic ticks (nanoseconds).
    static uint64_t Now();
    static Store<Stat> &Statistics();
    static uint64_t RunStart();
    static int CurrentStatistic();

private:
    uint64_t m_iTicks = 0;
    uint64_t m_iItems = 0;
    uint64_t m_iStart = 0;
};

}  // namespace General
