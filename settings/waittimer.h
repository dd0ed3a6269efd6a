#pragma once
// A single-shot timer for a wait the protocol or the wizard fixes (the reply
// waits, the pauses after a setting, the WPS and installer waits). It never
// ends before its time: a precise timer, and the monotonic clock checked when
// it fires; should the system wake it early, it waits out the rest. The wait is
// given as written; the timing seam (Timing::Interval) makes it real time.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class CWaitTimer : public QObject {
    Q_OBJECT

public:
    explicit CWaitTimer(QObject* parent = nullptr);

    // Starts (or starts again) a wait of ms milliseconds as written.
    void Start(int ms);
    // Starts again the last wait given.
    void Restart() { Start(m_Wait); }
    void Stop();
    bool IsActive() const { return m_Timer.isActive(); }
    // The real interval of the last wait given, in milliseconds.
    int Interval() const;

signals:
    void Elapsed();

private:
    void Woken();

    QTimer m_Timer;
    int m_Wait = 0; // as written
    QElapsedTimer m_Clock;
    qint64 m_DueNs = 0; // on m_Clock
};
