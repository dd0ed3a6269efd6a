#include "protocol/iphelp.h"

#include "settings/debug.h"

#include <QHostAddress>
#include <QNetworkInterface>

namespace {

// "AA:BB:CC:DD:EE:FF" into bytes; the number of bytes read.
int ParseHardwareAddress(const QString& text, uint8_t mac[6]) {
    const QStringList parts = text.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (parts.size() < 6)
        return 0;
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        const uint value = parts[i].toUInt(&ok, 16);
        if (!ok || value > 0xFF)
            return 0;
        mac[i] = static_cast<uint8_t>(value);
    }
    return 6;
}

bool IsAdapter(const QNetworkInterface& iface) {
    const auto flags = iface.flags();
    if (!flags.testFlag(QNetworkInterface::IsUp))
        return false;
    if (flags.testFlag(QNetworkInterface::IsLoopBack))
        return false;
    if (flags.testFlag(QNetworkInterface::IsPointToPoint) &&
        !flags.testFlag(QNetworkInterface::CanBroadcast))
        return false;
    return true;
}

} // namespace

CIPHelp::CIPHelp() = default;
CIPHelp::~CIPHelp() = default;

std::optional<std::vector<AdapterInfo>> CIPHelp::GetAdaptersList() const {
    std::vector<AdapterInfo> adapters;
    for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
        if (!iface.isValid() || !IsAdapter(iface))
            continue;
        AdapterInfo info;
        info.Name = iface.name();
        info.Description = iface.humanReadableName();
        info.AddressLength = ParseHardwareAddress(iface.hardwareAddress(), info.Address);
        for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            info.Addresses.push_back({entry.ip().toString(), entry.netmask().toString()});
        }
        if (!info.Addresses.empty())
            adapters.push_back(std::move(info));
    }
    return adapters;
}

bool CIPHelp::GetLocalAddress(uint8_t mac[6], QString* mask, QString* gateway) const {
    const auto adapters = GetAdaptersList();
    if (!adapters)
        return false;
    for (const AdapterInfo& adapter : *adapters) {
        for (const AdapterAddress& address : adapter.Addresses) {
            if (QHostAddress(address.IP).toIPv4Address() == 0)
                continue;
            for (int i = 0; i < 6; ++i)
                mac[i] = adapter.Address[i];
            if (mask)
                *mask = address.Mask;
            if (gateway)
                *gateway = adapter.Gateway;
            return true;
        }
    }
    return false;
}

void CIPHelp::ClearArpCache() const {
    DebugLog("CIPHelp::ClearArpCache() \"arp -d *\" and \"arp -d\" not run: the ARP cache "
             "needs privileges on Linux and is left to the system");
}
