#pragma once
// One discovery through the engine, answered by many simulated devices at
// once: how many replies were sent, reached the engine, and were listed.

#include "protocol/formudp.h"
#include "tools/bench/enginehooks.h"

#include <QString>
#include <cstdint>

namespace bench {

struct DiscoveryResult {
    bool completed = false;   // the engine reported the end of the 4000 ms wait
    uint64_t sent = 0;        // datagrams the device namespace sent (kernel counter)
    uint64_t received = 0;    // device replies the engine read from its sockets
    uint64_t echoes = 0;      // our own broadcasts read back (dropped by the engine)
    uint64_t listed = 0;      // devices in the engine's list
    uint64_t lost = 0;        // sent - listed
    uint64_t bufferDrops = 0; // host datagrams the kernel dropped, receive buffer full
    int receiveBuffer = 0;    // SO_RCVBUF of the engine's socket, as the system reports it
};

class CDiscoveryBench {
public:
    CDiscoveryBench(TFormUDP& engine, CMessageTarget& target, QString deviceNamespace);

    // shrinkTo > 0: the sockets get this SO_RCVBUF before the request goes
    // out (to compare with the system's default buffer).
    DiscoveryResult Run(int shrinkTo = 0);

private:
    TFormUDP& m_Engine;
    CMessageTarget& m_Target;
    QString m_Namespace;
};

} // namespace bench
