#include "tools/swpctl/validate.h"

#include "settings/iprules.h"
#include "settings/textutil.h"
#include "settings/utility.h"
#include "settings/wirelessrules.h"

#include <QStringList>

namespace swpctl {

namespace {

AddressEntry TextEntry(const QString& text) {
    uint32_t address = 0;
    if (text.trimmed().isEmpty())
        return {};
    if (!ParseDotted(text, address))
        return {AddressEntry::State::Partial, 0};
    return AddressEntry::Of(address);
}

} // namespace

bool ValidateStaticAddress(const QString& ip, const QString& mask, const QString& gateway,
                           StaticAddress& out, QString& error) {
    out = StaticAddress{};
    StaticAddressEntry& entry = out.entry;
    // "none": no gateway, named as such; left out, the device keeps its own.
    const bool noGateway = gateway.trimmed() == QLatin1String("none");
    entry = {TextEntry(ip), TextEntry(mask), noGateway ? AddressEntry{} : TextEntry(gateway),
             std::nullopt};
    // The page would send a final octet 255 as 254: another address than the one typed.
    if (entry.ip.state == AddressEntry::State::Complete &&
        WithoutBroadcastOctet(entry.ip.value) != entry.ip.value) {
        error =
            QStringLiteral("%1: a final octet 255 would be sent as 254 (the devices' address "
                           "rules), so nothing is sent; give %2 if that is the address meant")
                .arg(DottedText(entry.ip.value), DottedText(WithoutBroadcastOctet(entry.ip.value)));
        return false;
    }
    const IPRule rule = CheckStaticAddress(entry);
    if (rule != IPRule::Accepted) {
        error = RuleMessage(rule);
        return false;
    }
    out.config.IpMode = 0;
    out.config.IP = entry.ip.value;
    out.config.Mask = entry.mask.value;
    out.config.Gateway = entry.gateway.value;
    out.ipText = DottedText(entry.ip.value);
    out.gatewayGiven = noGateway || entry.gateway.state != AddressEntry::State::Empty;
    return true;
}

bool CheckKeptGateway(const StaticAddress& address, uint32_t gateway, QString& error) {
    if (address.gatewayGiven || gateway == 0)
        return true;
    StaticAddressEntry entry = address.entry;
    entry.gateway = AddressEntry::Of(gateway);
    if (CheckStaticAddress(entry) == IPRule::Accepted)
        return true;
    error = QStringLiteral("the device's gateway %1 does not fit the address %2/%3: name the "
                           "gateway too, or none")
                .arg(DottedText(gateway), address.ipText, DottedText(address.config.Mask));
    return false;
}

bool CheckNotLocalHost(const StaticAddress& address, const QString& localIP, QString& error) {
    StaticAddressEntry entry = address.entry;
    uint32_t local = 0;
    if (ParseDotted(localIP, local))
        entry.localIP = local;
    const IPRule rule = CheckStaticAddress(entry);
    if (rule == IPRule::Accepted)
        return true;
    error = RuleMessage(rule);
    return false;
}

bool CheckSSID(const QByteArray& ssid, QString& error) {
    const wirelessrules::SsidFault fault = wirelessrules::CheckSsid(ssid);
    error = wirelessrules::SsidMessage(fault);
    return fault == wirelessrules::SsidFault::None;
}

bool CheckWEPKey(const QByteArray& key, int& keyLen, QByteArray& stored, QString& error) {
    const QString text = QString::fromUtf8(key);
    if (wirelessrules::HasNul(text)) {
        error = wirelessrules::NulMessage(QStringLiteral("WEP key"));
        return false;
    }
    const int length = wirelessrules::WepKeyLengthOf(text.size());
    if (length < 0) {
        error = wirelessrules::WepKeyMessage(-1, false) +
                QStringLiteral(" (5 or 13 characters, or 10 or 26 hexadecimal digits)");
        return false;
    }
    keyLen = length;
    const wirelessrules::WepKeyFormat format = wirelessrules::CheckWepKey(text, length);
    if (format == wirelessrules::WepKeyFormat::Invalid) {
        error =
            wirelessrules::WepKeyMessage(length, true) +
            QStringLiteral(" (a key of %1 characters must be hexadecimal digits)").arg(text.size());
        return false;
    }
    stored = wirelessrules::WepKeyAsSent(text, format).toUtf8();
    return true;
}

bool CheckPassphrase(const QByteArray& key, QString& error) {
    const wirelessrules::PassphraseFault fault =
        wirelessrules::CheckPassphrase(QString::fromUtf8(key));
    error = wirelessrules::PassphraseMessage(fault);
    return fault == wirelessrules::PassphraseFault::None;
}

bool CheckPin(const QString& text, int& pin, QString& error) {
    if (wirelessrules::CheckPin(text, pin))
        return true;
    error = wirelessrules::PinMessage() + QStringLiteral(" (8 digits)");
    return false;
}

bool CheckWpsSSID(const QByteArray& ssid, QString& error) {
    const wirelessrules::SsidFault fault = wirelessrules::CheckSsid(ssid);
    error = wirelessrules::SsidMessage(fault, true);
    return fault == wirelessrules::SsidFault::None;
}

bool CheckPassword(const QString& password, QString& error) {
    if (wirelessrules::HasNul(password)) {
        error = wirelessrules::NulMessage(QStringLiteral("password"));
        return false;
    }
    if (password.size() > 16) {
        error = QStringLiteral("The password is at most 16 characters.");
        return false;
    }
    return true;
}

} // namespace swpctl
