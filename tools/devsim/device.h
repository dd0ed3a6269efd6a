#pragma once
// One simulated device: its live configuration, the hosts logged in to it,
// and the answer to each request. Knows nothing of sockets; replies and events
// leave through its IDeviceHost.

#include "protocol/packet.h"
#include "tools/devsim/config.h"
#include "tools/devsim/outgoing.h"

#include <QByteArray>
#include <QJsonObject>
#include <map>

namespace devsim {

class CSimDevice {
public:
    CSimDevice(const DeviceConfig& config, IDeviceHost& host);

    const DeviceConfig& Config() const { return m_Config; }
    int Mode() const { return m_Mode; }
    const IpSettings& Ip() const { return m_Ip; }
    const WirelessSettings& Wireless() const { return m_Wl; }
    bool LoggedIn(const Mac& hostMac) const { return m_Logins.count(hostMac) != 0; }

    // Handles one valid datagram (header checked by the caller). line holds
    // the journal fields common to every device; Handle adds its own ("device",
    // "kind", "tlvs", "action", "reason") for the caller to write.
    void Handle(const uint8_t* data, size_t length, const swp::PacketHeader& header,
                const Peer& from, QJsonObject& line);

private:
    struct Login {
        Peer peer;
        uint64_t generation = 0;
    };
    struct Decoded; // a deciphered request

    void HandleDiscover(const Peer& from, const Behaviour& behaviour, QJsonObject& line);
    void HandleLogin(const Decoded& request, const Behaviour& behaviour, QJsonObject& line);
    bool Apply(RequestKind kind, const Decoded& request, QJsonObject& line);
    void ReplyTo(RequestKind kind, const Decoded& request, const Behaviour& behaviour,
                 bool refused);
    void StartWps(const Decoded& request, int offsetMs);
    void SendEvent(const swp::CPacketBuilder& packet, const Peer& peer, const char* kind);

    RequestKind KindOf(const Decoded& request) const;
    Behaviour NextBehaviour(RequestKind kind);
    Outgoing Compose(const swp::CPacketBuilder& packet, const Peer& to, const char* kind,
                     bool plain) const;
    Outgoing Compose(std::vector<uint8_t> bytes, const Peer& to, const char* kind,
                     bool plain) const;
    void AppendConfig(swp::CPacketBuilder& packet) const;

    DeviceConfig m_Config;
    IDeviceHost& m_Host;
    QByteArray m_Key;
    int m_Mode;
    IpSettings m_Ip;
    WirelessSettings m_Wl;
    std::map<Mac, Login> m_Logins;
    std::map<RequestKind, int> m_Seen; // requests of each kind so far
    uint64_t m_Generation = 0;         // login and WPS runs; a newer one cancels timers
    uint64_t m_WpsRun = 0;
};

} // namespace devsim
