#pragma once
// The wireless profile settings a user names (set-wireless, set-station, and
// the profiles of an inventory), checked as the profile pages check them.
// Each setting may be left out: what is not named is sent as the device
// reports it. A key named without the security is checked once the device
// has told its security (ProfileToSend).

#include <QByteArray>
#include <QMap>
#include <QString>
#include <functional>
#include <optional>

namespace swpctl {

struct WirelessOptions {
    QByteArray ssid;                // empty: not named
    std::optional<int> channel;     // set-wireless only; 0 lets the device choose
    int wirelessMode = 9;           // the wizard's default: b/g/n mixed
    bool wirelessModeGiven = false; // the devices never report it, so it is never compared
    int security = 0;               // 0 none, 1 WEP, 2 WPA-PSK
    bool securityGiven = false;
    std::optional<int> auth; // WEP: 0 open, 1 shared, 2 auto
    int wepKeyLen = 0;       // WEP: 0 64 bit, 1 128 bit (from the key's length)
    // WEP key (hex in upper case) or pre-shared key; empty: not named. Named
    // without the security, it is the key as given, checked later.
    QByteArray key;
    int wpaMode = 2; // WPA-PSK: 0 WPA, 1 WPA2, 2 either
    bool wpaModeGiven = false;
    std::optional<int> cipher; // WPA-PSK: 0 TKIP, 1 AES, 2 both; default from the mode

    bool NamesNothing() const {
        return ssid.isEmpty() && !channel && !wirelessModeGiven && !securityGiven && !auth &&
               key.isEmpty() && !wpaModeGiven && !cipher;
    }
};

// The profile settings by name ("ssid", "channel", "mode", "security", "auth",
// "key", "wpa-mode", "cipher"), any of them; shown(name) is how the user wrote
// the setting, for the messages. Settings of one security (auth; wpa-mode,
// cipher) next to another named security are refused.
bool CheckWirelessSettings(const QMap<QString, QString>& values, bool station,
                           const std::function<QString(const QString&)>& shown,
                           WirelessOptions& out, QString& error);

// The name of a wireless mode code ("bgn" for 9), or the code.
QString WirelessModeName(int code);

// Security names and codes: none 0, wep 1, wpa-psk 2.
bool SecurityCode(const QString& text, int& code);

} // namespace swpctl
