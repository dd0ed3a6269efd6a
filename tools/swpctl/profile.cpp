#include "tools/swpctl/profile.h"

#include "settings/textutil.h"
#include "tools/swpctl/validate.h"

#include <QStringList>
#include <cstring>

namespace swpctl {

namespace {

QString SecurityName(int code) {
    switch (code) {
    case 0:
        return QStringLiteral("none");
    case 1:
        return QStringLiteral("wep");
    case 2:
        return QStringLiteral("wpa-psk");
    default:
        return QStringLiteral("unknown (%1)").arg(code);
    }
}

void CopyText(char* field, size_t size, const QByteArray& text) {
    CopyBounded(field, size, text.constData(), static_cast<size_t>(text.size()));
}

} // namespace

bool CheckChannel(int channel, const WirelessProfile& current, QString& error) {
    const size_t count =
        strnlen(reinterpret_cast<const char*>(current.ChList), sizeof current.ChList);
    if (channel == 0 || count == 0 || std::memchr(current.ChList, channel, count))
        return true;
    QStringList list;
    for (size_t n = 0; n < count; ++n)
        list.append(QString::number(current.ChList[n]));
    error = QStringLiteral("channel %1 is not in the device's list: %2")
                .arg(channel)
                .arg(list.join(QLatin1Char(' ')));
    return false;
}

int SecurityAfter(const WirelessOptions& named, const WirelessProfile& current) {
    return named.securityGiven ? named.security : current.Security;
}

bool KeyMissing(const WirelessOptions& named, const WirelessProfile& current) {
    const int security = SecurityAfter(named, current);
    return (security == 1 || security == 2) && named.key.isEmpty();
}

bool ProfileToSend(const WirelessOptions& named, bool station, const WirelessProfile& current,
                   WirelessProfile& wl, QString& error) {
    wl = current;
    const int security = SecurityAfter(named, current);
    const bool kept = security == current.Security;
    const QString device = QStringLiteral("the device uses security %1: name the security too")
                               .arg(SecurityName(current.Security));
    if (!named.securityGiven) {
        if (named.auth && security != 1) {
            error = QStringLiteral("the WEP authentication is named, but ") + device;
            return false;
        }
        if ((named.wpaModeGiven || named.cipher) && security != 2) {
            error = QStringLiteral("the WPA mode or cipher is named, but ") + device;
            return false;
        }
        if (!named.key.isEmpty() && security != 1 && security != 2) {
            error = QStringLiteral("a key is named, but ") + device;
            return false;
        }
    }

    if (!named.ssid.isEmpty())
        CopyText(wl.SSID, sizeof wl.SSID, named.ssid);
    if (station) {
        wl.StdCh = current.StdCh; // a client follows its access point
    } else if (named.channel && *named.channel != current.StdCh) {
        wl.StdCh = static_cast<uint8_t>(*named.channel);
        wl.ExtCh = 0;
    }
    wl.WlMode = named.wirelessMode;
    wl.Security = security;
    if (!kept)
        wl.ClearSecurity(0);
    std::memset(wl.WepKey, 0, sizeof wl.WepKey);
    std::memset(wl.WpaKey, 0, sizeof wl.WpaKey);
    if (security == 1) {
        if (!kept)
            wl.Auth = station ? 0 : 2;
        if (named.auth)
            wl.Auth = *named.auth;
        if (!named.key.isEmpty()) {
            QByteArray stored = named.key;
            int keyLen = named.wepKeyLen;
            if (!named.securityGiven && !CheckWEPKey(named.key, keyLen, stored, error))
                return false;
            wl.WepKeyLen = keyLen;
            CopyText(wl.WepKey, sizeof wl.WepKey, stored);
        }
    } else if (security == 2) {
        if (named.wpaModeGiven || !kept)
            wl.WpaMode = named.wpaMode;
        if (named.cipher)
            wl.WpaCipher = *named.cipher;
        else if (named.wpaModeGiven || !kept)
            wl.WpaCipher = wl.WpaMode; // WPA TKIP, WPA2 AES, either both
        if (!named.key.isEmpty()) {
            if (!named.securityGiven && !CheckPassphrase(named.key, error))
                return false;
            CopyText(wl.WpaKey, sizeof wl.WpaKey, named.key);
        }
    }
    return true;
}

} // namespace swpctl
