#include "foundation/Timer.h"

#include <chrono>

namespace General {

namespace {
uint64_t s_iRunStart = 0;
int s_iCurrentStatistic = -1;
}  // namespace

uint64_t Timer::Now()
{
    return uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

Store<Timer::Stat> &Timer::Statistics()
{
    static Store<Stat> s_stats("timer stat");
    return s_stats;
}

void Timer::Reset()
{
    for (Stat &stat : Statistics()) {
        stat.ticks = 0;
        stat.calls = 0;
        stat.active = false;
    }
    s_iRunStart = Now();
    s_iCurrentStatistic = -1;
}

uint64_t Timer::RunStart() { return s_iRunStart; }
int Timer::CurrentStatistic() { return s_iCurrentStatistic; }

}  // namespace General
