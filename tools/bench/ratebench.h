#pragma once
// How fast the engine takes get-configuration replies off its socket
// (read, validated, deciphered, dispatched, stored and reported), against a
// bare recvfrom loop on a socket made the same way, on the same queue of
// datagrams: a device-side sender fills the socket's receive queue with a
// batch while nobody reads, then the reader under test drains it.
//
// The engine completes a pending get-configuration request with the first
// reply; to have every reply handled in full, the read filter sets the
// pending code again before each read (no request is sent).

#include "protocol/formudp.h"
#include "protocol/stepcounters.h"
#include "tools/bench/enginehooks.h"
#include "tools/bench/nsprocess.h"

#include <QString>
#include <cstdint>

namespace bench {

struct DrainResult {
    uint64_t handled = 0;     // datagrams read (bare) or replies reported (engine)
    double seconds = 0;       // wall time of the drain
    double cpuSeconds = 0;    // CPU time of this thread during the drain (user and system)
    uint64_t bufferDrops = 0; // the batch did not fit the receive queue
    bool complete = false;
    int drains = 1; // drains added up in this result
#ifdef SWP_STEP_COUNTERS
    swp::steps::Totals steps; // of a counted engine drain
#endif
    // Adds another drain of the same reader (a round is several drains).
    void Add(const DrainResult& other);
    double Rate() const {
        return seconds > 0 ? static_cast<double>(handled) / seconds : 0;
    }
    // Per second of CPU time: what other programs on a busy machine take away
    // from the wall time does not count.
    double CpuRate() const {
        return cpuSeconds > 0 ? static_cast<double>(handled) / cpuSeconds : 0;
    }
};

class CRateBench {
public:
    // adapter: the host adapter's address; its interface takes the socket.
    CRateBench(TFormUDP& engine, CMessageTarget& target, CNsProcess& sender, QString adapter);

    // A recvfrom loop; with pollEachRead a poll() before each recvfrom, as an
    // event loop does (to tell the event loop's share from the engine's).
    DrainResult Bare(int batch, bool pollEachRead = false);
    // counted: the engine's step counters run during the drain (a build
    // with SETUP_BENCH_COUNTERS); such a drain is not one of the timed ones.
    DrainResult Engine(int batch, bool counted = false);
    QString Error() const { return m_Error; }

private:
    bool Fill(int batch);
    QString InterfaceName() const;

    TFormUDP& m_Engine;
    CMessageTarget& m_Target;
    CNsProcess& m_Sender;
    QString m_Adapter;
    QString m_Error;
    uint64_t m_LastSent = 0; // datagrams the sender reported for the last batch
};

} // namespace bench
