#include "protocol/stepcounters.h"

#include <time.h>
#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace swp::steps {

namespace detail {
bool g_Counting = false;
bool g_Open = false;
uint64_t g_Last = 0;
uint64_t g_Ticks[StepCount] = {};
uint64_t g_Marks[StepCount] = {};
uint64_t g_Datagrams = 0;

// The time stamp counter where there is one: a clock read costs a few
// nanoseconds, not the tens a system clock read takes. Ticks are turned
// into nanoseconds against the monotonic clock over the counting period.
uint64_t Now() {
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
#endif
}
} // namespace detail

namespace {
uint64_t g_StartTicks = 0;
double g_StartNs = 0;
double g_TicksPerMark = 0; // what one mark's clock read adds to its step

double MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}
} // namespace

void SetCounting(bool on) {
    using namespace detail;
    if (on) {
        constexpr int kReads = 1000;
        const uint64_t first = Now();
        uint64_t last = first;
        for (int n = 0; n < kReads; ++n)
            last = Now();
        g_TicksPerMark = static_cast<double>(last - first) / kReads;
        for (uint64_t& ticks : g_Ticks)
            ticks = 0;
        for (uint64_t& marks : g_Marks)
            marks = 0;
        g_Datagrams = 0;
        g_StartTicks = Now();
        g_StartNs = MonotonicNs();
    }
    g_Counting = on;
    g_Open = false;
}

Totals Take() {
    using namespace detail;
    Totals totals;
    const double ns = MonotonicNs() - g_StartNs;
    const uint64_t ticks = Now() - g_StartTicks;
    const double nsPerTick = ticks > 0 ? ns / static_cast<double>(ticks) : 0;
    for (int step = 0; step < StepCount; ++step) {
        const double own = static_cast<double>(g_Ticks[step]) -
                           static_cast<double>(g_Marks[step]) * g_TicksPerMark;
        totals.ns[step] = own > 0 ? own * nsPerTick : 0;
    }
    totals.datagrams = g_Datagrams;
    return totals;
}

} // namespace swp::steps
