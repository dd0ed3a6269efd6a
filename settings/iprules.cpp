#include "settings/iprules.h"

#include "settings/utility.h"

namespace {

constexpr uint32_t kAllOnes = 0xFFFFFFFFu;

// An address a device can have: not 0, below the multicast range, not on the
// loopback network and not on network 0 ("this network").
bool IsHostAddress(uint32_t address) {
    const uint32_t first = address >> 24;
    return address != 0 && address < 0xE0000000u && first != 127 && first != 0;
}

bool IsMask(uint32_t mask) {
    return mask != 0 && mask != kAllOnes && (0u - mask) == (mask & (0u - mask));
}

bool Complete(const AddressEntry& entry) {
    return entry.state == AddressEntry::State::Complete;
}

QString Message(const char* key, const char* text) {
    return GetText(QStringLiteral("Message"), QString::fromLatin1(key), QString::fromLatin1(text));
}

} // namespace

IPRule CheckStaticAddress(const StaticAddressEntry& entry) {
    if (!Complete(entry.ip))
        return IPRule::AddressIncomplete;
    const uint32_t ip = entry.ip.value;
    if (!IsHostAddress(ip))
        return IPRule::AddressNotHost;
    if (!Complete(entry.mask))
        return IPRule::MaskIncomplete;
    const uint32_t mask = entry.mask.value;
    if (!IsMask(mask))
        return IPRule::MaskNotContiguous;
    const uint32_t host = ip & ~mask;
    if (host == 0 || host == ~mask)
        return IPRule::AddressNotInSubnet;
    if (entry.localIP && *entry.localIP == ip)
        return IPRule::SameAsLocalHost;
    if (entry.gateway.state == AddressEntry::State::Empty)
        return IPRule::Accepted;
    if (!Complete(entry.gateway))
        return IPRule::GatewayIncomplete;
    const uint32_t gateway = entry.gateway.value;
    if ((gateway & mask) != (ip & mask))
        return IPRule::GatewayOtherSubnet;
    if ((gateway & ~mask) == 0 || (gateway | mask) == kAllOnes)
        return IPRule::GatewayNotHostOfSubnet;
    // A gateway is another host of the subnet.
    if (gateway == ip || !IsHostAddress(gateway))
        return IPRule::GatewayNotAHost;
    return IPRule::Accepted;
}

QString RuleMessage(IPRule rule) {
    switch (rule) {
    case IPRule::Accepted:
        return QString();
    case IPRule::AddressIncomplete:
    case IPRule::AddressNotHost:
    case IPRule::AddressNotInSubnet:
        return Message("ErIPAddr", "The IP Address entered is invalid.");
    case IPRule::MaskIncomplete:
    case IPRule::MaskNotContiguous:
        return Message("ErSubnetMask", "The Subnet Mask entered is invalid.");
    case IPRule::SameAsLocalHost:
        return Message("ErIPSameAsLocahost", "The IP Address is the same as local host IP.");
    case IPRule::GatewayIncomplete:
    case IPRule::GatewayOtherSubnet:
    case IPRule::GatewayNotHostOfSubnet:
    case IPRule::GatewayNotAHost:
        return Message("ErDefaultGateway", "The Default Gateway entered is invalid.");
    }
    return QString();
}

uint32_t WithoutBroadcastOctet(uint32_t address) {
    return (address & 0xFF) == 0xFF ? (address & ~0xFFu) | 0xFE : address;
}
