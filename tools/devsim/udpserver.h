#pragma once
// The simulator's sockets and its one poll() loop: datagrams in, the
// simulator's replies and events out, everything into the journal.

#include "tools/devsim/journal.h"
#include "tools/devsim/simulator.h"

#include <QString>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <vector>

namespace devsim {

class CUdpServer {
public:
    CUdpServer(CSimulator& simulator, CJournal& journal);
    ~CUdpServer();
    CUdpServer(const CUdpServer&) = delete;
    CUdpServer& operator=(const CUdpServer&) = delete;

    // Binds every port the simulator listens on to bindAddress (host order;
    // 0 is every address, which is needed to hear broadcasts).
    bool Open(uint32_t bindAddress, QString& error);
    // Serves until *stop becomes non-zero. Signals that set it are blocked
    // outside the wait; waitMask is the mask to wait with (they unblocked).
    void Run(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask);

private:
    struct Socket {
        int fd = -1;
        uint16_t port = 0;
    };

    int64_t Now() const;
    void ReadAll(const Socket& socket);
    void Flush();
    bool SendOne(const Outgoing& out, QString& error);

    CSimulator& m_Simulator;
    CJournal& m_Journal;
    std::vector<Socket> m_Sockets; // the first one (port 5432) sends every reply
    std::vector<uint8_t> m_Buffer;
    std::chrono::steady_clock::time_point m_Start;
};

} // namespace devsim
