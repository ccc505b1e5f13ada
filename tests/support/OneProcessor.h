#pragma once
// Runs work on the first processor this process may use, alone: code that spreads its work over
// the processors then takes its one-processor road.
#include <gtest/gtest.h>

#include <sched.h>

template <class Work>
void OnOneProcessor(Work work)
{
    cpu_set_t all, one;
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &all)) {
            CPU_SET(cpu, &one);
            break;
        }
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    work();
    ASSERT_EQ(sched_setaffinity(0, sizeof all, &all), 0);
}
