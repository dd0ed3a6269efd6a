// What swpctl sends for the settings a user names over what the device
// reported: the profile (ProfileToSend) and the static address (the gateway
// kept when not named). No network.

#include "settings/textutil.h"
#include "tools/swpctl/applystate.h"
#include "tools/swpctl/inventory.h"
#include "tools/swpctl/profile.h"
#include "tools/swpctl/validate.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace swpctl;

namespace {

// WPA2-PSK with AES on channel 6 (extension channel 1).
WirelessProfile Reported(int security) {
    WirelessProfile wl{};
    CopyBounded(wl.SSID, sizeof wl.SSID, "office", 6);
    wl.StdCh = 6;
    wl.ExtCh = 1;
    wl.Security = security;
    wl.Auth = 1;
    wl.WepKeyLen = 1;
    wl.WpaMode = 1;
    wl.WpaCipher = 1;
    return wl;
}

WirelessOptions Named(const QMap<QString, QString>& values, bool station = false) {
    WirelessOptions options;
    QString error;
    EXPECT_TRUE(CheckWirelessSettings(
        values, station, [](const QString& n) { return n; }, options, error))
        << error.toStdString();
    return options;
}

TEST(SwpctlState, TheProfileKeepsWhatIsNotNamed) {
    const struct {
        const char* what;
        QMap<QString, QString> named;
        int security; // the device's
        bool station;
        // What goes out: SSID, channel, extension channel, security, auth,
        // WEP key length, WPA mode, cipher; and whether a key is still missing.
        const char* ssid;
        int channel, extCh, sent, auth, wepKeyLen, wpaMode, cipher;
        bool keyMissing;
    } cases[] = {
        {"ssid alone", {{"ssid", "lab"}}, 2, false, "lab", 6, 1, 2, 1, 1, 1, 1, true},
        {"another channel", {{"channel", "11"}}, 0, false, "office", 11, 0, 0, 1, 1, 1, 1, false},
        {"a client keeps its channel", {{"ssid", "x"}}, 0, true, "x", 6, 1, 0, 1, 1, 1, 1, false},
        {"to WEP: the wizard's auth",
         {{"security", "wep"}, {"key", "12345"}},
         2,
         false,
         "office",
         6,
         1,
         1,
         2,
         0,
         2,
         2,
         false},
        {"to WEP on a client",
         {{"security", "wep"}, {"key", "12345"}},
         0,
         true,
         "office",
         6,
         1,
         1,
         0,
         0,
         2,
         2,
         false},
        {"WEP kept: its auth too",
         {{"key", "0123456789"}},
         1,
         false,
         "office",
         6,
         1,
         1,
         1,
         0,
         1,
         1,
         false},
        {"WPA mode named: the cipher follows",
         {{"wpa-mode", "wpa"}},
         2,
         false,
         "office",
         6,
         1,
         2,
         1,
         1,
         0,
         0,
         true},
        {"cipher alone", {{"cipher", "auto"}}, 2, false, "office", 6, 1, 2, 1, 1, 1, 2, true},
        {"to WPA-PSK: the wizard's defaults",
         {{"security", "wpa-psk"}, {"key", "12345678"}},
         0,
         false,
         "office",
         6,
         1,
         2,
         0,
         0,
         2,
         2,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const WirelessOptions named = Named(c.named, c.station);
        const WirelessProfile current = Reported(c.security);
        WirelessProfile sent{};
        QString error;
        ASSERT_TRUE(ProfileToSend(named, c.station, current, sent, error)) << error.toStdString();
        EXPECT_STREQ(c.ssid, sent.SSID);
        EXPECT_EQ(c.channel, sent.StdCh);
        EXPECT_EQ(c.extCh, sent.ExtCh);
        EXPECT_EQ(c.sent, sent.Security);
        EXPECT_EQ(c.auth, sent.Auth);
        EXPECT_EQ(c.wepKeyLen, sent.WepKeyLen);
        EXPECT_EQ(c.wpaMode, sent.WpaMode);
        EXPECT_EQ(c.cipher, sent.WpaCipher);
        EXPECT_EQ(9, sent.WlMode); // never reported: b/g/n unless named
        EXPECT_EQ(c.keyMissing, KeyMissing(named, current));
    }
}

TEST(SwpctlState, SettingsThatDoNotFitTheSecurityKept) {
    const struct {
        QMap<QString, QString> named;
        int security;
        const char* error;
    } cases[] = {
        {{{"auth", "shared"}}, 2, "the device uses security wpa-psk: name the security too"},
        {{{"wpa-mode", "wpa2"}}, 1, "the device uses security wep"},
        {{{"key", "12345678"}}, 0, "a key is named, but the device uses security none"},
        {{{"key", "1234"}}, 1, "incorrect WEP key"},
        {{{"key", "short"}}, 2, "between 8 to 63"},
    };
    for (const auto& c : cases) {
        WirelessProfile sent{};
        QString error;
        EXPECT_FALSE(ProfileToSend(Named(c.named), false, Reported(c.security), sent, error));
        EXPECT_TRUE(error.contains(QLatin1String(c.error))) << error.toStdString();
    }
}

TEST(SwpctlState, TheGatewayStaysUnlessNamed) {
    DeviceState current;
    current.ip = {0, 0xC0A80032u, 0xFFFFFF00u, 0xC0A80001u, 0, 0}; // 192.168.0.50/24 via .1
    const struct {
        const char* ip;
        const char* gateway;
        uint32_t sent; // the gateway sent
        bool fits;     // the kept gateway fits the new address
    } cases[] = {
        {"192.168.0.60", "", 0xC0A80001u, true},
        {"192.168.0.60", "192.168.0.254", 0xC0A800FEu, true},
        {"192.168.0.60", "none", 0, true},
        {"10.77.1.50", "", 0xC0A80001u, false},
        {"10.77.1.50", "none", 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.ip) + " " + c.gateway);
        DesiredDevice wanted;
        DesiredAddress address;
        QString error;
        ASSERT_TRUE(ValidateStaticAddress(c.ip, "255.255.255.0", c.gateway, address.address, error))
            << error.toStdString();
        wanted.ip = address;
        EXPECT_EQ(c.sent, AddressPart(wanted, current).wanted.ip.Gateway);
        EXPECT_EQ(c.fits, CheckKeptGateway(address.address, current.ip.Gateway, error));
    }
}

TEST(SwpctlState, AnInventoryProfileMayNameOneSetting) {
    Inventory inventory;
    QStringList errors;
    ASSERT_TRUE(ParseInventory("devices:\n  - mac: 02:5A:00:00:00:01\n    access_point: {channel: "
                               "11}\n",
                               false, "site.yml", ".", inventory, errors))
        << errors.join('\n').toStdString();
    const WirelessOptions& named = *inventory.devices.front().accessPoint;
    EXPECT_EQ(11, named.channel.value_or(-1));
    EXPECT_FALSE(named.securityGiven);
    EXPECT_TRUE(named.ssid.isEmpty());
}

} // namespace
