#pragma once
// Where the engine's time per received datagram goes, for the benchmark
// (scripts/bench): receive (from the socket's read report to the datagram in
// the engine's hands), decipher, decode (the header checks and the TLV walk)
// and dispatch (choosing the handler, its state change and the posted
// result). Only a build configured with SETUP_BENCH_COUNTERS keeps them, and
// there they count only while switched on; in every other build each mark is
// an empty inline function.

#include <cstdint>

namespace swp::steps {

enum Step { Receive, Decipher, Decode, Dispatch, StepCount };

#ifdef SWP_STEP_COUNTERS

struct Totals {
    double ns[StepCount] = {};
    uint64_t datagrams = 0;
};

// Counting starts from zero when switched on; Take reads the totals so far,
// less what the clock reads of the marks themselves took.
void SetCounting(bool on);
Totals Take();

namespace detail {
extern bool g_Counting;
extern bool g_Open; // a datagram's handling is being counted
extern uint64_t g_Last;
extern uint64_t g_Ticks[StepCount];
extern uint64_t g_Marks[StepCount];
extern uint64_t g_Datagrams;
uint64_t Now();
} // namespace detail

// A datagram's handling starts.
inline void Begin() {
    if (detail::g_Counting) {
        detail::g_Open = true;
        detail::g_Last = detail::Now();
    }
}
// The time since the last mark belongs to step.
inline void Mark(Step step) {
    if (detail::g_Open) {
        const uint64_t now = detail::Now();
        detail::g_Ticks[step] += now - detail::g_Last;
        ++detail::g_Marks[step];
        detail::g_Last = now;
    }
}
// The handling ends: the rest belongs to dispatch.
inline void End() {
    if (detail::g_Open) {
        Mark(Dispatch);
        ++detail::g_Datagrams;
        detail::g_Open = false;
    }
}

#else

inline void Begin() {}
inline void Mark(Step) {}
inline void End() {}

#endif

} // namespace swp::steps
