#include "tools/swpctl/profile.h"

#include "settings/textutil.h"

#include <QStringList>
#include <cstring>

namespace swpctl {

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

WirelessProfile ProfileToSend(const WirelessOptions& options, bool station,
                              const WirelessProfile& current) {
    WirelessProfile wl = current;
    CopyBounded(wl.SSID, sizeof wl.SSID, options.ssid.constData(),
                static_cast<size_t>(options.ssid.size()));
    wl.StdCh = static_cast<uint8_t>(options.channel.value_or(0));
    wl.ExtCh = 0;
    wl.WlMode = options.wirelessMode;
    wl.Security = options.security;
    wl.ClearSecurity(0);
    if (options.security == 1) {
        wl.WepKeyLen = options.wepKeyLen;
        CopyBounded(wl.WepKey, sizeof wl.WepKey, options.key.constData(),
                    static_cast<size_t>(options.key.size()));
        wl.Auth = options.auth.value_or(station ? 0 : 2);
    } else if (options.security == 2) {
        wl.WpaMode = options.wpaMode;
        wl.WpaCipher = options.cipher.value_or(options.wpaMode); // WPA TKIP, WPA2 AES, auto both
        CopyBounded(wl.WpaKey, sizeof wl.WpaKey, options.key.constData(),
                    static_cast<size_t>(options.key.size()));
    }
    return wl;
}

} // namespace swpctl
