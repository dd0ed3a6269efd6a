#pragma once
// The one timing seam. Every wait the wizard fixes (4000 ms discovery, 3000 ms
// pauses, 180000 ms WPS limit, progress ticks ...) is written in the code as the
// device and the user see it; timers and tick counts go through here so that
// tests can run the same code faster. Speed-up 1 is real time.

#include <cstdint>

namespace Timing {

// Tests call this once before they start the code under test.
void SetSpeedup(int factor);
int Speedup();

// Real interval in milliseconds for a wait of ms milliseconds (at least 1 when
// ms > 0).
int Interval(int ms);

// Milliseconds since the program started, as the program sees them (real
// elapsed time multiplied by the speed-up). Wraps like a 32-bit tick count.
uint32_t TickCount();

} // namespace Timing
