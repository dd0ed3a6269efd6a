#pragma once
// Test helper for the namespace lab (scripts/lab): whether a test runs inside
// it, and simulated devices started from a test. Link `testcommon`.
//
// A lab test starts with SWP_REQUIRE_LAB(): outside the lab it fails when CI
// is set and is skipped (with the reason) otherwise.

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

// True when the process runs inside the lab (SWP_LAB set by scripts/lab run).
bool InLab();
// True when the CI variable is set.
bool InCI();

#define SWP_REQUIRE_LAB()                                                                          \
    do {                                                                                           \
        if (!InLab()) {                                                                            \
            if (InCI())                                                                            \
                FAIL() << "this test needs the network lab: run it through scripts/lab run";       \
            GTEST_SKIP() << "not in the network lab (run through ctest or scripts/lab run)";       \
        }                                                                                          \
    } while (0)

// Reads a devsim journal: one JSON object a line. Lines that are not complete
// objects (a line still being written) are left out.
QList<QJsonObject> ReadJournal(const QString& path);
// Polls the journal at path until done(journal) holds or timeoutMs passed;
// returns whether done held, and the journal last read in *journal.
bool WaitForJournal(const QString& path, const std::function<bool(const QList<QJsonObject>&)>& done,
                    int timeoutMs, QList<QJsonObject>* journal = nullptr);

// The request lines of a kind (every kind when empty) that a devsim journal
// says the device received.
QList<QJsonObject> Received(const QList<QJsonObject>& journal, const QString& kind = {});

// One devsim process in a device namespace of the lab. Needs root (it enters
// the namespace with `ip netns exec`) and SWP_DEVSIM.
class CLabDevice {
public:
    CLabDevice();
    ~CLabDevice();
    CLabDevice(const CLabDevice&) = delete;
    CLabDevice& operator=(const CLabDevice&) = delete;

    // Starts devsim in namespace swp-<ns> ("dev1" or "dev2") with this
    // configuration and waits (at most 10 s) for its "devsim: ready" line.
    // On failure Error() tells why.
    bool Start(const QString& ns, const QByteArray& jsonConfig);
    // Ends it with SIGTERM (then SIGKILL after 5 s); its journal stays.
    void Stop();
    bool Running() const;
    // After Stop: devsim's exit code, -1 when it crashed or was killed.
    int ExitCode() const { return m_ExitCode; }

    QList<QJsonObject> Journal() const;
    QString JournalPath() const;
    // Polls the journal until done(journal) is true or timeoutMs passed;
    // returns the last journal read either way, and whether done held.
    bool WaitForJournal(const std::function<bool(const QList<QJsonObject>&)>& done, int timeoutMs,
                        QList<QJsonObject>* journal = nullptr) const;
    QString Error() const { return m_Error; }
    // What devsim wrote on stdout and stderr so far.
    QByteArray Output();

private:
    QTemporaryDir m_Dir;
    std::unique_ptr<QProcess> m_Process;
    QByteArray m_Output;
    QString m_Error;
    int m_ExitCode = -1;
};

// The device's journal once it has seen a client's run end with its logout, or,
// for a run that never logged in, after timeoutMs.
QList<QJsonObject> JournalAfterRun(const CLabDevice& device, int timeoutMs = 5000);
