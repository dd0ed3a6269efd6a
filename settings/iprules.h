#pragma once
// The rules a static address must pass before it is sent to a device, in the
// order the IP settings page checks them. The page and swpctl both ask here;
// each turns the failed rule into its message (RuleMessage) and shows it its
// own way.

#include <QString>
#include <cstdint>
#include <optional>

// One address as the user gave it: nothing, something incomplete (an empty
// box among filled ones, text that is no dotted quad) or a whole address.
struct AddressEntry {
    enum class State { Empty, Partial, Complete };
    State state = State::Empty;
    uint32_t value = 0;

    static AddressEntry Of(uint32_t address) { return {State::Complete, address}; }
};

struct StaticAddressEntry {
    AddressEntry ip;
    AddressEntry mask;
    AddressEntry gateway; // Empty: no gateway
    // This computer's address on the adapter the device answered on, when known.
    std::optional<uint32_t> localIP;
};

enum class IPRule {
    Accepted,
    AddressIncomplete,      // 1
    AddressNotHost,         // 2: 0, network 0, loopback, multicast and above
    MaskIncomplete,         // 3
    MaskNotContiguous,      // 4: a run of ones from the top, neither none nor all
    AddressNotInSubnet,     // 5: the subnet's network or broadcast address
    SameAsLocalHost,        // 6
    GatewayIncomplete,      // 8 (7: no gateway is fine)
    GatewayOtherSubnet,     // 9
    GatewayNotHostOfSubnet, // 10: the subnet's network or broadcast address
    GatewayNotAHost,        // the device itself, or no address a host can have
};

IPRule CheckStaticAddress(const StaticAddressEntry& entry);

// The text shown for a failed rule: "ErIPAddr", "ErSubnetMask",
// "ErIPSameAsLocahost" or "ErDefaultGateway" of section "Message".
QString RuleMessage(IPRule rule);

// The address the page sends for one whose final octet is 255: 254 there.
uint32_t WithoutBroadcastOctet(uint32_t address);
