#pragma once
// The devices of one simulator process, without sockets: a received datagram
// goes in, journal lines and datagrams to send come out. Time is given by the
// caller (milliseconds of a monotonic clock), so tests drive it by hand.

#include "tools/devsim/config.h"
#include "tools/devsim/device.h"
#include "tools/devsim/outgoing.h"

#include <QJsonObject>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace devsim {

class CSimulator : public IDeviceHost {
public:
    explicit CSimulator(const SimConfig& config);

    // One datagram as it arrived. Bad or foreign datagrams only leave a
    // journal line.
    void Receive(const uint8_t* data, size_t length, const Peer& from, int64_t now);
    // Runs every timer due at now (delayed replies, events).
    void Advance(int64_t now);
    // When the next timer is due, if any.
    std::optional<int64_t> NextDue() const;

    // Datagrams ready to leave now, in order; each carries its journal line.
    std::vector<Outgoing> TakeOutgoing();
    // Journal lines of received datagrams, in order.
    std::vector<QJsonObject> TakeJournal();

    // The UDP ports to listen on: 5432 and every device's login port.
    std::vector<uint16_t> ListenPorts() const;
    const std::vector<std::unique_ptr<CSimDevice>>& Devices() const { return m_Devices; }

    // IDeviceHost
    int64_t Now() const override { return m_Now; }
    void Send(Outgoing out, int delayMs) override;
    void After(int delayMs, std::function<void()> action) override;

private:
    std::vector<std::unique_ptr<CSimDevice>> m_Devices;
    std::set<Mac> m_OwnMacs;
    std::multimap<int64_t, std::function<void()>> m_Timers; // equal times run in order added
    std::vector<Outgoing> m_Ready;
    std::vector<QJsonObject> m_Journal;
    int64_t m_Now = 0;
};

} // namespace devsim
