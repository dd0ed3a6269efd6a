#pragma once
// What travels between the simulated devices and the process that owns the
// sockets: where a request came from, and a datagram ready to leave.

#include <QJsonObject>
#include <cstdint>
#include <functional>
#include <vector>

namespace devsim {

constexpr uint32_t kBroadcastAddress = 0xFFFFFFFF;

// Where a request came from and where it arrived.
struct Peer {
    uint32_t address = 0;   // sender address, host order
    uint16_t port = 0;      // sender port
    int ifindex = 0;        // interface it arrived on (0: unknown)
    uint16_t localPort = 0; // port it was sent to
};

// One datagram to send, already enciphered where the protocol wants it.
struct Outgoing {
    std::vector<uint8_t> bytes;
    bool broadcast = false; // 255.255.255.255:5433 out of to.ifindex; else unicast
    Peer to;                // for unicast: to.address:to.port
    QJsonObject line;       // the journal line describing it (plain payload)
};

// What a device needs from its owner: the clock, sending and timers. Delays
// are in the device's milliseconds (the owner scales them through Timing).
class IDeviceHost {
public:
    virtual ~IDeviceHost() = default;
    virtual int64_t Now() const = 0;
    virtual void Send(Outgoing out, int delayMs) = 0;
    virtual void After(int delayMs, std::function<void()> action) = 0;
};

} // namespace devsim
