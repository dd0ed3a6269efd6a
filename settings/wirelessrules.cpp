#include "settings/wirelessrules.h"

#include "settings/textutil.h"
#include "settings/utility.h"

namespace wirelessrules {

namespace {

QString Message(const char* key, const QString& text) {
    return GetText(QStringLiteral("Message"), QString::fromLatin1(key), text);
}

} // namespace

bool HasNul(QStringView text) {
    return text.contains(QChar(0));
}

QString NulMessage(const QString& field) {
    return Message("ER_NUL", QStringLiteral("The %1 must not contain a NUL character (\\0)."))
        .arg(field);
}

SsidFault CheckSsid(const QByteArray& ssid) {
    if (ssid.isEmpty())
        return SsidFault::Empty;
    if (ssid.contains('\0'))
        return SsidFault::Nul;
    return ssid.size() > 32 ? SsidFault::TooLong : SsidFault::None;
}

QString SsidMessage(SsidFault fault, bool wps) {
    switch (fault) {
    case SsidFault::Empty:
        return wps ? Message("ER_SSID", QStringLiteral("Invaild SSID"))
                   : Message("ER_Empty_SSID", QStringLiteral("No SSID"));
    case SsidFault::TooLong:
        return Message("ER_SSID_Length", QStringLiteral("The SSID is longer than 32 characters."));
    case SsidFault::Nul:
        return NulMessage(QStringLiteral("SSID"));
    case SsidFault::None:
        break;
    }
    return QString();
}

WepKeyFormat CheckWepKey(const QString& key, int keyLength) {
    const int hexDigits = WepHexDigits(keyLength);
    if (HasNul(key))
        return WepKeyFormat::Invalid;
    if (key.size() == hexDigits / 2)
        return WepKeyFormat::Ascii;
    if (key.size() == hexDigits && IsHexText(key))
        return WepKeyFormat::Hex;
    return WepKeyFormat::Invalid;
}

int WepKeyLengthOf(qsizetype characters) {
    for (int keyLength : {0, 1})
        if (characters == WepHexDigits(keyLength) || characters == WepHexDigits(keyLength) / 2)
            return keyLength;
    return -1;
}

QString WepKeyAsSent(const QString& key, WepKeyFormat format) {
    return format == WepKeyFormat::Hex ? key.toUpper() : key;
}

QString WepKeyMessage(int keyLength, bool hexLength) {
    const QString base = Message(
        "ER_WEPKey", QStringLiteral("You have entered an incorrect WEP key. Please try again."));
    switch (keyLength) {
    case 0:
        return Message(hexLength ? "ER_WEP64Hex" : "ER_WEP64", base);
    case 1:
        return Message(hexLength ? "ER_WEP128Hex" : "ER_WEP128", base);
    default:
        return base;
    }
}

PassphraseFault CheckPassphrase(const QString& key) {
    const qsizetype length = key.size();
    if (HasNul(key))
        return PassphraseFault::Nul;
    if (length == 64)
        return IsHexText(key) ? PassphraseFault::None : PassphraseFault::NotHex;
    // The device takes 63 bytes: characters beyond ASCII count for more.
    if (length >= 8 && key.toUtf8().size() <= 63)
        return PassphraseFault::None;
    return PassphraseFault::Length;
}

QString PassphraseMessage(PassphraseFault fault) {
    switch (fault) {
    case PassphraseFault::NotHex:
        return Message("ER_PSKKeyHex", QStringLiteral("Passphrase should be 64 hex digits."));
    case PassphraseFault::Length:
        return Message(
            "ER_PSKKey",
            QStringLiteral("Passphrase should be between 8 to 63 charachers in ASCII format."));
    case PassphraseFault::Nul:
        return NulMessage(QStringLiteral("passphrase"));
    case PassphraseFault::None:
        break;
    }
    return QString();
}

QString EncryptionLabel(int code) {
    static const char* const labels[] = {"Not Use", "WEP", "TKIP", "AES", "TKIP/AES"};
    return code >= 0 && code < 5 ? QString::fromLatin1(labels[code]) : QString();
}

QString AuthenticationLabel(int code, bool wpsOnly) {
    static const char* const labels[] = {"OPEN", "",     "WPA-PSK", "WPA2-PSK", "WPA-PSK/WPA2-PSK",
                                         "WPA",  "WPA2", "WPA/WPA2"};
    const int known = wpsOnly ? 5 : 8;
    return code >= 0 && code < known ? QString::fromLatin1(labels[code]) : QString();
}

bool CheckPin(const QString& text, int& pin) {
    bool digits = text.size() == 8;
    for (QChar c : text)
        digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (digits)
        pin = text.toInt();
    return digits;
}

QString PinMessage() {
    return Message("ER_PIN_Code", QStringLiteral("Invaild PIN Code"));
}

} // namespace wirelessrules
