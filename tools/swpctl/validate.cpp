#include "tools/swpctl/validate.h"

#include "settings/textutil.h"
#include "settings/utility.h"

#include <QStringList>

namespace swpctl {

namespace {

QString Message(const char* key, const char* text) {
    return GetText(QStringLiteral("Message"), QString::fromLatin1(key), QString::fromUtf8(text));
}

QString IPAddressError() {
    return Message("ErIPAddr", "The IP Address entered is invalid.");
}
QString MaskError() {
    return Message("ErSubnetMask", "The Subnet Mask entered is invalid.");
}
QString GatewayError() {
    return Message("ErDefaultGateway", "The Default Gateway entered is invalid.");
}

// Not 0, below 224.0.0.0 and not 127.x.x.x.
bool UsableAddress(uint32_t ip) {
    return ip != 0 && ip < 0xE0000000u && (ip >> 24) != 127;
}

// A run of one-bits from the top followed only by zero-bits, neither 0 nor all ones.
bool ContiguousMask(uint32_t mask) {
    return mask != 0 && mask != 0xFFFFFFFFu && (0u - mask) == (mask & (0u - mask));
}

} // namespace

bool ParseDotted(const QString& text, uint32_t& value) {
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    uint32_t result = 0;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return false;
        for (QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        const uint number = part.toUInt();
        if (number > 255)
            return false;
        result = (result << 8) | number;
    }
    value = result;
    return true;
}

QString DottedText(uint32_t value) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(value >> 24)
        .arg((value >> 16) & 0xFF)
        .arg((value >> 8) & 0xFF)
        .arg(value & 0xFF);
}

bool ParseMacText(const QString& text, uint8_t mac[6]) {
    if (text.size() != 17)
        return false;
    uint8_t value[6];
    for (int n = 0; n < 6; ++n) {
        if (n > 0 && text[n * 3 - 1] != QLatin1Char(':') && text[n * 3 - 1] != QLatin1Char('-'))
            return false;
        const QString pair = text.mid(n * 3, 2);
        if (!IsHexText(pair))
            return false;
        value[n] = static_cast<uint8_t>(pair.toUInt(nullptr, 16));
    }
    std::copy(value, value + 6, mac);
    return true;
}

bool ValidateStaticAddress(const QString& ip, const QString& mask, const QString& gateway,
                           StaticAddress& out, QString& error) {
    out = StaticAddress{};
    // Rule 1, then the silent rewrite of a broadcast final octet: the page
    // does it on the text before any check.
    uint32_t address = 0;
    if (!ParseDotted(ip, address)) {
        error = IPAddressError();
        return false;
    }
    if ((address & 0xFF) == 255) {
        address = (address & ~0xFFu) | 254;
        out.rewritten = true;
    }
    if (!UsableAddress(address)) { // rule 2
        error = IPAddressError();
        return false;
    }
    uint32_t netmask = 0;
    if (!ParseDotted(mask, netmask) || !ContiguousMask(netmask)) { // rules 3 and 4
        error = MaskError();
        return false;
    }
    const uint32_t host = address & ~netmask;
    if (host == 0 || host == (~netmask)) { // rule 5
        error = IPAddressError();
        return false;
    }
    uint32_t router = 0;
    if (!gateway.trimmed().isEmpty()) {                  // rule 7: an empty gateway is accepted
        if (!ParseDotted(gateway, router) ||             // rule 8
            (router & netmask) != (address & netmask) || // rule 9
            (router & ~netmask) == 0 || (router | netmask) == ~0u) { // rule 10
            error = GatewayError();
            return false;
        }
    }
    out.config.IpMode = 0;
    out.config.IP = address;
    out.config.Mask = netmask;
    out.config.Gateway = router;
    out.ipText = DottedText(address);
    return true;
}

bool CheckNotLocalHost(const QString& ipText, const QString& localIP, QString& error) {
    if (ipText == localIP) {
        error = Message("ErIPSameAsLocahost", "The IP Address is the same as local host IP.");
        return false;
    }
    return true;
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
