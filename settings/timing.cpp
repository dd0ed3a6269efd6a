#include "settings/timing.h"

#include <QElapsedTimer>
#include <atomic>

namespace {
std::atomic<int> g_Speedup{1};

QElapsedTimer& Clock() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock;
}
} // namespace

namespace Timing {

void SetSpeedup(int factor) {
    g_Speedup = factor < 1 ? 1 : factor;
}

int Speedup() {
    return g_Speedup;
}

int Interval(int ms) {
    if (ms <= 0)
        return 0;
    const int scaled = ms / g_Speedup;
    return scaled < 1 ? 1 : scaled;
}

uint32_t TickCount() {
    return static_cast<uint32_t>(Clock().elapsed() * static_cast<qint64>(g_Speedup.load()));
}

} // namespace Timing
