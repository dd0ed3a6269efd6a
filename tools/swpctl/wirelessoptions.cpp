#include "tools/swpctl/wirelessoptions.h"

#include "tools/swpctl/validate.h"

namespace swpctl {

namespace {

bool Choice(const QString& text, std::initializer_list<const char*> names, int& value) {
    int code = 0;
    for (const char* name : names) {
        if (text.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
            value = code;
            return true;
        }
        ++code;
    }
    return false;
}

// Wireless mode names and their codes, in code order.
const char* const kModeNames[] = {"bg", "b", "a", "abg", "g", "abgn", "n", "gn", "an", "bgn"};

bool WirelessModeCode(const QString& text, int& mode) {
    bool number = false;
    const int code = text.toInt(&number);
    if (number) {
        if (code < 0 || code > 9)
            return false;
        mode = code;
        return true;
    }
    QString name = text.toLower();
    name.remove(QLatin1Char('/'));
    for (int n = 0; n < 10; ++n) {
        if (name == QLatin1String(kModeNames[n])) {
            mode = n;
            return true;
        }
    }
    return false;
}

} // namespace

QString WirelessModeName(int code) {
    return code >= 0 && code < 10 ? QLatin1String(kModeNames[code]) : QString::number(code);
}

bool SecurityCode(const QString& text, int& code) {
    return Choice(text, {"none", "wep", "wpa-psk"}, code);
}

bool CheckWirelessSettings(const QMap<QString, QString>& values, bool station,
                           const std::function<QString(const QString&)>& shown, WirelessOptions& wl,
                           QString& error) {
    auto has = [&values](const char* name) { return values.contains(QLatin1String(name)); };
    auto value = [&values](const char* name) { return values.value(QLatin1String(name)); };
    auto n = [&shown](const char* name) { return shown(QLatin1String(name)); };
    auto fail = [&error](const QString& message) {
        error = message;
        return false;
    };
    wl = WirelessOptions{};
    if (has("ssid")) {
        wl.ssid = value("ssid").toUtf8();
        if (!CheckSSID(wl.ssid, error))
            return false;
    }
    if (has("channel")) {
        bool ok = false;
        const int channel = value("channel").toInt(&ok);
        if (!ok || channel < 0 || channel > 255)
            return fail(QStringLiteral("%1: a channel number is expected (0: the device chooses)")
                            .arg(n("channel")));
        wl.channel = channel;
    }
    wl.wirelessModeGiven = has("mode");
    if (has("mode") && !WirelessModeCode(value("mode"), wl.wirelessMode))
        return fail(QStringLiteral("%1: bgn, bg, n (or b, g, a, abg, abgn, gn, an, or the code 0 "
                                   "to 9) is expected")
                        .arg(n("mode")));
    wl.securityGiven = has("security");
    if (wl.securityGiven && !SecurityCode(value("security"), wl.security))
        return fail(QStringLiteral("%1: none, wep or wpa-psk is expected").arg(n("security")));

    if (has("auth")) {
        int auth = 0;
        const bool known = station ? Choice(value("auth"), {"open", "shared"}, auth)
                                   : Choice(value("auth"), {"open", "shared", "auto"}, auth);
        if (!known)
            return fail(
                station ? QStringLiteral("%1: open or shared is expected").arg(n("auth"))
                        : QStringLiteral("%1: open, shared or auto is expected").arg(n("auth")));
        wl.auth = auth;
    }
    wl.wpaModeGiven = has("wpa-mode");
    if (wl.wpaModeGiven && !Choice(value("wpa-mode"), {"wpa", "wpa2", "auto"}, wl.wpaMode))
        return fail(QStringLiteral("%1: wpa, wpa2 or auto is expected").arg(n("wpa-mode")));
    if (has("cipher")) {
        int cipher = 0;
        if (!Choice(value("cipher"), {"tkip", "aes", "auto"}, cipher))
            return fail(QStringLiteral("%1: tkip, aes or auto is expected").arg(n("cipher")));
        wl.cipher = cipher;
    }
    if (has("auth") && (has("wpa-mode") || has("cipher")))
        return fail(QStringLiteral("%1 is for wep, %2 for wpa-psk: not both")
                        .arg(n("auth"), has("wpa-mode") ? n("wpa-mode") : n("cipher")));
    if (has("key") && value("key").isEmpty())
        return fail(QStringLiteral("%1 is empty").arg(n("key")));
    wl.key = value("key").toUtf8();
    if (!wl.securityGiven)
        return true; // the rest is checked against the security the device keeps

    const bool wep = wl.security == 1;
    const bool psk = wl.security == 2;
    if (has("key") && !wep && !psk)
        return fail(QStringLiteral("%1 has no meaning with %2 none").arg(n("key"), n("security")));
    if (has("auth") && !wep)
        return fail(QStringLiteral("%1 is for %2 wep").arg(n("auth"), n("security")));
    if ((has("wpa-mode") || has("cipher")) && !psk)
        return fail(QStringLiteral("%1 is for %2 wpa-psk")
                        .arg(has("wpa-mode") ? n("wpa-mode") : n("cipher"), n("security")));
    if ((wep || psk) && !has("key"))
        return fail(QStringLiteral("%1 is required with %2 %3")
                        .arg(n("key"), n("security"),
                             wep ? QStringLiteral("wep") : QStringLiteral("wpa-psk")));
    if (wep)
        return CheckWEPKey(value("key").toUtf8(), wl.wepKeyLen, wl.key, error);
    if (psk)
        return CheckPassphrase(wl.key, error);
    return true;
}

} // namespace swpctl
