#include "settings/waittimer.h"

#include "settings/timing.h"

namespace {
constexpr qint64 kNsPerMs = 1000000;
}

CWaitTimer::CWaitTimer(QObject* parent) : QObject(parent) {
    m_Timer.setSingleShot(true);
    m_Timer.setTimerType(Qt::PreciseTimer);
    connect(&m_Timer, &QTimer::timeout, this, &CWaitTimer::Woken);
}

void CWaitTimer::Start(int ms) {
    m_Wait = ms;
    const int interval = Timing::Interval(ms);
    m_Clock.start();
    m_DueNs = interval * kNsPerMs;
    m_Timer.start(interval);
}

int CWaitTimer::Interval() const {
    return Timing::Interval(m_Wait);
}

void CWaitTimer::Stop() {
    // A reply that ends no running wait costs one test.
    if (m_Timer.isActive())
        m_Timer.stop();
}

void CWaitTimer::Woken() {
    const qint64 early = m_DueNs - m_Clock.nsecsElapsed();
    if (early > 0) {
        m_Timer.start(static_cast<int>((early + kNsPerMs - 1) / kNsPerMs));
        return;
    }
    emit Elapsed();
}
