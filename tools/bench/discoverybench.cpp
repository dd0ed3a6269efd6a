#include "tools/bench/discoverybench.h"

#include "protocol/packet.h"
#include "requests/waits.h"
#include "tools/bench/udpcounters.h"

#include <QEventLoop>
#include <QTimer>
#include <cstring>
#include <sys/socket.h>

namespace bench {

namespace {

constexpr int kSafetyMs = 20000; // bound on one run should the time-out never come

} // namespace

CDiscoveryBench::CDiscoveryBench(TFormUDP& engine, CMessageTarget& target, QString deviceNamespace)
    : m_Engine(engine), m_Target(target), m_Namespace(std::move(deviceNamespace)) {}

DiscoveryResult CDiscoveryBench::Run(int shrinkTo) {
    DiscoveryResult result;
    const UdpCounters hostBefore = ReadUdpCounters();
    const UdpCounters deviceBefore = ReadUdpCounters(m_Namespace);

    // Tell device replies from the echo of our own broadcast by the sender
    // MAC, peeking at the datagram the engine is about to read.
    CReadFilter filter;
    filter.OnRead = [&](CUDPSocket* socket) {
        uint8_t header[swp::kHeaderSize];
        const ssize_t length =
            ::recv(socket->Socket, header, sizeof header, MSG_PEEK | MSG_DONTWAIT);
        if (length < swp::kMacOffset + 6)
            return;
        const uint8_t* mac = header + swp::kMacOffset;
        if (std::memcmp(mac, socket->AdapterMAC, 6) == 0 ||
            std::memcmp(mac, m_Engine.HostMAC, 6) == 0)
            ++result.echoes;
        else
            ++result.received;
    };
    m_Engine.installEventFilter(&filter);

    QEventLoop loop;
    m_Target.OnMessage = [&](const CUdpMessage& message) {
        if (message.IsTimeout() && message.Code() == WAIT_DISCOVER) {
            result.completed = true;
            loop.quit();
        }
    };
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, &loop, &QEventLoop::quit);

    bool sent = false;
    if (shrinkTo > 0) {
        // The reopening discovery, with the buffers cut down before sending.
        m_Engine.CloseInterfaces();
        m_Engine.ClearDevices();
        if (m_Engine.OpenInterfaces()) {
            for (const auto& socket : m_Engine.Sockets())
                ::setsockopt(socket->Socket, SOL_SOCKET, SO_RCVBUF, &shrinkTo, sizeof shrinkTo);
            sent = m_Engine.SendDiscover(Waits::Discover, false);
        }
    } else {
        sent = m_Engine.SendDiscover(Waits::Discover, true);
    }
    if (sent) {
        safety.start(kSafetyMs);
        loop.exec();
    }
    m_Target.OnMessage = nullptr;
    m_Engine.removeEventFilter(&filter);

    if (!m_Engine.Sockets().empty()) {
        int granted = 0;
        socklen_t size = sizeof granted;
        ::getsockopt(m_Engine.Sockets().front()->Socket, SOL_SOCKET, SO_RCVBUF, &granted, &size);
        result.receiveBuffer = granted;
    }
    std::vector<DeviceRecord> devices;
    m_Engine.GetDeviceList(devices);
    result.listed = devices.size();

    const UdpCounters host = Delta(hostBefore, ReadUdpCounters());
    const UdpCounters device = Delta(deviceBefore, ReadUdpCounters(m_Namespace));
    result.sent = device.outDatagrams;
    result.bufferDrops = host.rcvbufErrors;
    result.lost = result.sent > result.listed ? result.sent - result.listed : 0;
    return result;
}

} // namespace bench
