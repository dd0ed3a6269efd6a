// swpctl's single commands as desired states, against simulated devices in
// the namespace lab: what is not named is sent as the device reported it, an
// address the rules would rewrite is refused, --check and --json come with
// every such command, show prints what applies, and --device MAC ends the
// search once that device answered. Waits run five times faster.

#include "tests/tools/swpctl/toolrun.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

namespace {

constexpr int kRunLimitMs = 120000;

// Static address with a gateway; WPA2-PSK (AES) on channel 6.
const char kAp[] = R"({
    "name": "Lab-AP", "mac": "02:5A:00:00:00:01", "mode": 1,
    "ip": {"ip": "192.168.0.50", "mask": "255.255.255.0", "gateway": "192.168.0.1"},
    "wireless": {"ssid": "office", "std_ch": 6, "ext_ch": 1, "security": 2, "wpa_mode": 1,
                 "cipher": 1}})";

ToolRun Swpctl(QStringList args, const QString& key = QString()) {
    args << QStringLiteral("--speedup") << QStringLiteral("5");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("SWP_KEY"));
    if (!key.isEmpty())
        env.insert(QStringLiteral("SWP_KEY"), key);
    return RunTool(QStringLiteral(SWPCTL_BINARY), args, env, kRunLimitMs);
}

// One command against a fresh device: what it prints, how it exits, and the
// TLVs of the one setting of kind it sent (empty when it sent none).
struct Case {
    QStringList args;
    QString key; // SWP_KEY, when set
    int code;
    const char* out; // stdout (or stderr when the run fails) holds this
    const char* kind;
    QJsonObject sent; // these TLVs of the setting, when one is expected
};

void RunCases(const QList<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        CLabDevice ap;
        START(ap, "dev1", kAp);
        const ToolRun run = Swpctl(c.args, c.key);
        EXPECT_RUN(run, c.code);
        const QString& text = c.code == 0 || c.code == 17 ? run.out : run.err;
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.out))) << text.toStdString();
        // A run refused before it logged in leaves no logout to wait for.
        const QList<QJsonObject> seen = ap.Journal();
        const QList<QJsonObject> sets =
            Received(Received(seen, "login").isEmpty() ? seen : JournalAfterRun(ap), c.kind);
        if (c.sent.isEmpty()) {
            EXPECT_TRUE(sets.isEmpty());
            continue;
        }
        ASSERT_EQ(1, sets.size());
        const QJsonObject tlvs = sets.front()["tlvs"].toObject();
        for (auto it = c.sent.begin(); it != c.sent.end(); ++it)
            EXPECT_EQ(it.value(), tlvs[it.key()]) << it.key().toStdString();
    }
}

QJsonObject Tlvs(std::initializer_list<std::pair<const char*, QJsonValue>> values) {
    QJsonObject object;
    for (const auto& [name, value] : values)
        object.insert(QLatin1String(name), value);
    return object;
}

TEST(SwpctlStateLab, SetIpChangesOnlyWhatItNames) {
    SWP_REQUIRE_LAB();
    RunCases({
        {{"set-ip", "static", "192.168.0.60", "255.255.255.0"},
         {},
         0,
         "changed address 192.168.0.50 → 192.168.0.60\n",
         "set_ip",
         Tlvs({{"LAN_IP", "192.168.0.60"}, {"LAN_GATEWAY", "192.168.0.1"}})},
        {{"set-ip", "static", "10.77.1.50", "255.255.255.0", "none"},
         {},
         0,
         "gateway 192.168.0.1 → none",
         "set_ip",
         Tlvs({{"LAN_IP", "10.77.1.50"}, {"LAN_GATEWAY", "0.0.0.0"}})},
        {{"set-ip", "static", "10.77.1.50", "255.255.255.0"},
         {},
         2,
         "the device's gateway 192.168.0.1 does not fit",
         "set_ip",
         {}},
        {{"set-ip", "static", "192.168.0.255", "255.255.0.0"},
         {},
         2,
         "give 192.168.0.254",
         "set_ip",
         {}},
        {{"set-ip", "static", "192.168.0.50", "255.255.255.0"}, {}, 0, "unchanged", "set_ip", {}},
        {{"set-ip", "dhcp", "--check"}, {}, 17, "would change ip static → dhcp", "set_ip", {}},
    });
}

TEST(SwpctlStateLab, SetWirelessKeepsWhatItDoesNotName) {
    SWP_REQUIRE_LAB();
    const QString psk = QStringLiteral("a secret passphrase");
    RunCases({
        // The key is never reported: without it nothing is sent.
        {{"set-wireless", "--ssid", "newname"},
         {},
         2,
         "--key-file F or SWP_KEY",
         "set_wireless",
         {}},
        {{"set-wireless", "--ssid", "newname"},
         psk,
         0,
         "changed ssid office → newname",
         "set_wireless",
         Tlvs({{"WL_SSID", "newname"},
               {"WL_STD_CH", 6},
               {"WL_EXT_CH", 1},
               {"WL_SECURITY_MODE", 2},
               {"WL_WPA_MODE", 1},
               {"WL_WPA_CIPHER", 1},
               {"WL_WPA_PSK", psk}})},
        {{"set-wireless", "--ssid", "lab", "--security", "wep"},
         QStringLiteral("12345"),
         0,
         "security wpa-psk → wep",
         "set_wireless",
         Tlvs({{"WL_STD_CH", 6}, {"WL_SECURITY_MODE", 1}, {"WL_AUTH_MODE", 2}})},
        {{"set-wireless", "--channel", "11"},
         psk,
         0,
         "changed channel 6 → 11",
         "set_wireless",
         Tlvs({{"WL_SSID", "office"}, {"WL_STD_CH", 11}, {"WL_EXT_CH", 0}, {"WL_WPA_MODE", 1}})},
        // Named alone, the wireless mode and the key are still sent.
        {{"set-wireless", "--mode", "n"},
         psk,
         0,
         "key and wireless mode sent",
         "set_wireless",
         Tlvs({{"WL_WIRELESS_MODE", 6}, {"WL_SSID", "office"}})},
        {{"set-wireless", "--auth", "shared"},
         {},
         2,
         "the device uses security wpa-psk: name the security too",
         "set_wireless",
         {}},
        {{"set-wireless", "--ssid", "x", "--check"},
         psk,
         17,
         "would change ssid office → x",
         "set_wireless",
         {}},
        {{"set-station", "--ssid", "x"}, psk, 2, "use set-wireless", "set_station", {}},
        {{"set-wireless"}, {}, 2, "names nothing to change", "set_wireless", {}},
    });
}

TEST(SwpctlStateLab, SetModeAndTheResultAsJson) {
    SWP_REQUIRE_LAB();
    RunCases({
        {{"set-mode", "ap"}, {}, 0, "unchanged", "set_mode", {}},
        {{"set-mode", "bridge"},
         {},
         0,
         "changed mode ap → bridge",
         "set_mode",
         Tlvs({{"DEVICE_MODE", 2}})},
        {{"set-mode", "bridge", "--check"},
         {},
         17,
         "would change mode ap → bridge",
         "set_mode",
         {}},
    });

    CLabDevice ap;
    START(ap, "dev1", kAp);
    const ToolRun run = Swpctl({"set-ip", "static", "192.168.0.60", "255.255.255.0", "--json"});
    EXPECT_RUN(run, 0);
    const QJsonObject result = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ("set-ip", result["command"].toString());
    EXPECT_FALSE(result["check"].toBool());
    EXPECT_EQ(0, result["exit_code"].toInt());
    const QJsonObject device = result["devices"].toArray().first().toObject();
    EXPECT_EQ("changed", device["status"].toString());
    EXPECT_EQ("02:5A:00:00:00:01", device["mac"].toString());
    const QJsonArray changes = device["changes"].toArray();
    ASSERT_EQ(1, changes.size()) << run.out.toStdString();
    EXPECT_EQ("address", changes[0].toObject()["field"].toString());
    EXPECT_EQ("192.168.0.60", changes[0].toObject()["after"].toString());
}

// Only the rows that apply to the mode and security; device texts printable
// on the terminal and exact in JSON.
TEST(SwpctlStateLab, ShowPrintsWhatApplies) {
    SWP_REQUIRE_LAB();
    const struct {
        const char* config;
        QStringList present;
        QStringList absent;
    } cases[] = {
        {kAp,
         {"Device mode:      ap\n", "WPA mode:", "Cipher:", "Channel list:", "WPS PIN:"},
         {"Authentication:", "WEP key length:"}},
        {R"({"name": "Wep", "mac": "02:5A:00:00:00:01", "wireless": {"security": 1, "auth": 1}})",
         {"Authentication:", "WEP key length:"},
         {"WPA mode:", "Cipher:"}},
        {R"({"name": "Open", "mac": "02:5A:00:00:00:01", "wireless": {"security": 0}})",
         {"Security:"},
         {"Authentication:", "WEP key length:", "WPA mode:", "Cipher:"}},
        {R"({"name": "Client", "mac": "02:5A:00:00:00:01", "mode": 2})",
         {"Device mode:      bridge\n", "Channel:"},
         {"Channel list:", "WPS PIN:"}},
        {R"({"name": "Bell\u0007\u001b[2J", "mac": "02:5A:00:00:00:01",
             "wireless": {"ssid": "net\u001b]0;x"}})",
         {"Device:           Bell\\x07\\x1b[2J (02:5A", "SSID:             net\\x1b]0;x\n"},
         {"\x1b", "\x07"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.config);
        CLabDevice device;
        START(device, "dev1", c.config);
        const ToolRun run = Swpctl({"show"});
        EXPECT_RUN(run, 0);
        for (const QString& row : c.present)
            EXPECT_TRUE(run.out.contains(row)) << row.toStdString() << "\n"
                                               << run.out.toStdString();
        for (const QString& row : c.absent)
            EXPECT_FALSE(run.out.contains(row)) << row.toStdString() << "\n"
                                                << run.out.toStdString();
    }
    CLabDevice device;
    START(device, "dev1", R"({"name": "Bell\u0007", "mac": "02:5A:00:00:00:01"})");
    const ToolRun table = Swpctl({"discover"});
    EXPECT_TRUE(table.out.contains("Bell\\x07 ")) << table.out.toStdString();
    const ToolRun json = Swpctl({"discover", "--json"});
    EXPECT_EQ(QStringLiteral("Bell\x07"),
              QJsonDocument::fromJson(json.out.toUtf8()).array().first()["name"].toString());
}

// With --device MAC the search ends as soon as that device answered (the
// trace says so); without it, and for discover, the full search stays.
TEST(SwpctlStateLab, TheNamedDeviceEndsTheSearch) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);
    QTemporaryDir dir;
    const struct {
        QStringList args;
        bool early;
    } cases[] = {
        {{"show", "--device", "02:5A:00:00:00:01"}, true},
        {{"set-mode", "ap", "--device", "02-5a-00-00-00-01"}, true},
        {{"show"}, false},
        {{"discover"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const QString log = dir.filePath(c.args.join('_') + ".txt");
        EXPECT_RUN(Swpctl(c.args + QStringList{"--log", log}), 0);
        QFile file(log);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(c.early, file.readAll().contains("answered, the search ends"));
    }
}

} // namespace
