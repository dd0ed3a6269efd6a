#pragma once
// The host's network adapters as the engine needs them: per adapter, in the
// system's order, its hardware address, a description, the interface name and
// its IPv4 address / netmask pairs. Loopback, interfaces that are down and
// point-to-point links that cannot broadcast are not adapters: no device can
// answer a broadcast through them.

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

struct AdapterAddress {
    QString IP;   // dotted quad
    QString Mask; // dotted quad
};

struct AdapterInfo {
    QString Name;        // interface name, e.g. "eth0"
    QString Description; // human-readable name
    uint8_t Address[6] = {};
    int AddressLength = 0; // bytes of hardware address known (0 when none)
    std::vector<AdapterAddress> Addresses;
    QString Gateway; // not known on Linux: empty
};

class CIPHelp {
public:
    CIPHelp();
    virtual ~CIPHelp();

    // The adapter list, or none when it cannot be read.
    virtual std::optional<std::vector<AdapterInfo>> GetAdaptersList() const;

    // The first adapter, in order, with an IPv4 address that is not 0.0.0.0:
    // its MAC, that address's mask and the gateway. False when there is none.
    bool GetLocalAddress(uint8_t mac[6], QString* mask = nullptr, QString* gateway = nullptr) const;

    // Clearing the address-resolution cache needs privileges on Linux, so it is
    // left to the system; this writes a trace line saying so.
    void ClearArpCache() const;
};
