#include "shell/Clock.h"

#include <atomic>

namespace
{

Clock g_realClock;
std::atomic<Clock*> g_clock { nullptr };

} // namespace

Clock* Clock::instance()
{
    Clock* clock = g_clock.load(std::memory_order_acquire);
    return clock ? clock : &g_realClock;
}

void Clock::setInstance(Clock* clock)
{
    g_clock.store(clock, std::memory_order_release);
}
