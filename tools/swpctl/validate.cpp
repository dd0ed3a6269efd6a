#include "tools/swpctl/validate.h"

#include "settings/iprules.h"
#include "settings/textutil.h"
#include "settings/utility.h"

#include <QStringList>

namespace swpctl {

namespace {

QString Message(const char* key, const char* text) {
    return GetText(QStringLiteral("Message"), QString::fromLatin1(key), QString::fromUtf8(text));
}

} // namespace

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
    entry = {TextEntry(ip), TextEntry(mask), TextEntry(gateway), std::nullopt};
    // The page rewrites a broadcast final octet on the text before any check.
    if (entry.ip.state == AddressEntry::State::Complete) {
        const uint32_t sent = WithoutBroadcastOctet(entry.ip.value);
        out.rewritten = sent != entry.ip.value;
        entry.ip.value = sent;
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
    return true;
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
    if (ssid.isEmpty()) {
        error = Message("ER_Empty_SSID", "No SSID");
        return false;
    }
    if (ssid.size() > 32) {
        error = QStringLiteral("The SSID is longer than 32 characters.");
        return false;
    }
    return true;
}

bool CheckWEPKey(const QByteArray& key, int& keyLen, QByteArray& stored, QString& error) {
    const QString base =
        Message("ER_WEPKey", "You have entered an incorrect WEP key. Please try again.");
    const qsizetype length = key.size();
    if (length == 5 || length == 13) {
        keyLen = length == 5 ? 0 : 1;
        stored = key;
        return true;
    }
    if (length == 10 || length == 26) {
        keyLen = length == 10 ? 0 : 1;
        if (IsHexText(QString::fromLatin1(key))) {
            stored = key.toUpper();
            return true;
        }
        error =
            GetText(QStringLiteral("Message"),
                    keyLen == 0 ? QStringLiteral("ER_WEP64Hex") : QStringLiteral("ER_WEP128Hex"),
                    base) +
            QStringLiteral(" (a key of %1 characters must be hexadecimal digits)").arg(length);
        return false;
    }
    error = base + QStringLiteral(" (5 or 13 characters, or 10 or 26 hexadecimal digits)");
    return false;
}

bool CheckPassphrase(const QByteArray& key, QString& error) {
    if (key.size() == 64) {
        if (IsHexText(QString::fromLatin1(key)))
            return true;
        error = Message("ER_PSKKeyHex", "Passphrase should be 64 hex digits.");
        return false;
    }
    if (key.size() >= 8 && key.size() <= 63)
        return true;
    error =
        Message("ER_PSKKey", "Passphrase should be between 8 to 63 charachers in ASCII format.");
    return false;
}

bool CheckPin(const QString& text, int& pin, QString& error) {
    bool digits = text.size() == 8;
    for (QChar c : text)
        digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!digits) {
        error = Message("ER_PIN_Code", "Invaild PIN Code") + QStringLiteral(" (8 digits)");
        return false;
    }
    pin = text.toInt();
    return true;
}

bool CheckWpsSSID(const QByteArray& ssid, QString& error) {
    if (ssid.isEmpty()) {
        error = Message("ER_SSID", "Invaild SSID");
        return false;
    }
    if (ssid.size() > 32) {
        error = QStringLiteral("The SSID is longer than 32 characters.");
        return false;
    }
    return true;
}

bool CheckPassword(const QString& password, QString& error) {
    if (password.size() > 16) {
        error = QStringLiteral("The password is at most 16 characters.");
        return false;
    }
    return true;
}

} // namespace swpctl
