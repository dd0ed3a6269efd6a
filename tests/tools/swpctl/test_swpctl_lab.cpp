// swpctl against simulated devices in the namespace lab: each test starts
// devsim in a device namespace, runs the swpctl binary in swp-host as a
// script would, and checks its output, its exit code and what the device's
// journal recorded. Waits run five times faster (--speedup 5).

#include "tests/tools/swpctl/toolrun.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kRunLimitMs = 120000; // bound on one swpctl run

const char kAp[] = R"({
    "name": "Lab-AP", "mac": "02:5A:00:00:00:01", "mode": 1,
    "ip": {"ip": "192.168.0.50", "mask": "255.255.255.0", "gateway": "192.168.0.1"},
    "wireless": {"ssid": "office", "std_ch": 6, "security": 2, "wpa_mode": 1, "cipher": 1,
                 "wps_pin": 12345670},
    "client_pin": "87654325",
    "survey": [
        {"ssid": "weak", "bssid": "02:AA:00:00:00:01", "signal": 20, "channel": 1,
         "encryption": 3, "authentication": 3, "wps": true},
        {"ssid": "strong", "bssid": "02:AA:00:00:00:02", "signal": 90, "channel": 11},
        {"ssid": "middle", "bssid": "02:AA:00:00:00:03", "signal": 55, "channel": 6,
         "encryption": 1, "kind": 1}
    ],
    "wps_status": [[200, 3], [300, 10], [300, 34]]})";

const char kBridge[] = R"({
    "name": "Lab-Client", "mac": "02:5A:00:00:00:02", "mode": 2,
    "ip": {"dhcp": true},
    "client_pin": "87654325",
    "wps_status": [[200, 3], [300, 34]]})";

ToolRun Swpctl(QStringList args, const QString& cacheHome = QString()) {
    args << QStringLiteral("--speedup") << QStringLiteral("5");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!cacheHome.isEmpty())
        env.insert(QStringLiteral("XDG_CACHE_HOME"), cacheHome);
    return RunTool(QStringLiteral(SWPCTL_BINARY), args, env, kRunLimitMs);
}

QStringList Order(const QJsonObject& line) {
    QStringList names;
    for (const QJsonValue& name : line["order"].toArray())
        names.append(name.toString());
    return names;
}

QJsonObject Json(const QString& text) {
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

TEST(SwpctlLab, DiscoverListsTheDevicesOfBothAdapters) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    CLabDevice bridge;
    START(ap, "dev1", kAp);
    START(bridge, "dev2", kBridge);

    const ToolRun table = Swpctl({QStringLiteral("discover")});
    EXPECT_RUN(table, 0);
    EXPECT_TRUE(table.out.contains(
        QRegularExpression(QStringLiteral("Lab-AP +02:5A:00:00:00:01 +10.91.1.2 +10.91.1.1\n"))))
        << table.out.toStdString();
    EXPECT_TRUE(table.out.contains(QRegularExpression(
        QStringLiteral("Lab-Client +02:5A:00:00:00:02 +10.91.2.2 +10.91.2.1\n"))))
        << table.out.toStdString();

    const ToolRun json = Swpctl({QStringLiteral("discover"), QStringLiteral("--json")});
    EXPECT_RUN(json, 0);
    const QJsonArray devices = QJsonDocument::fromJson(json.out.toUtf8()).array();
    ASSERT_EQ(2, devices.size()) << json.out.toStdString();
    for (const QJsonValue& device : devices) {
        const QJsonObject d = device.toObject();
        if (d["mac"].toString() == QLatin1String("02:5A:00:00:00:01")) {
            EXPECT_EQ("Lab-AP", d["name"].toString());
            EXPECT_EQ("10.91.1.2", d["ip"].toString());
            EXPECT_EQ("10.91.1.1", d["adapter"].toString());
        } else {
            EXPECT_EQ("02:5A:00:00:00:02", d["mac"].toString());
            EXPECT_EQ("10.91.2.1", d["adapter"].toString());
        }
    }
}

TEST(SwpctlLab, DiscoveryRemembersTheMacsForTheShellCompletion) {
    SWP_REQUIRE_LAB();
    QTemporaryDir cache;
    const QString devices = cache.filePath(QStringLiteral("swpctl/devices"));
    auto content = [&devices] {
        QFile file(devices);
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    };
    CLabDevice ap;
    CLabDevice bridge;
    START(ap, "dev1", kAp);
    START(bridge, "dev2", kBridge);
    EXPECT_RUN(Swpctl({QStringLiteral("discover")}, cache.path()), 0);
    QStringList macs = content().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    macs.sort();
    EXPECT_EQ(
        QStringList({QStringLiteral("02:5A:00:00:00:01"), QStringLiteral("02:5A:00:00:00:02")}),
        macs);

    // Any command's discovery counts, here one limited to the first adapter.
    EXPECT_RUN(
        Swpctl({QStringLiteral("show"), QStringLiteral("--adapter"), QStringLiteral("10.91.1.1")},
               cache.path()),
        0);
    EXPECT_EQ(QStringLiteral("02:5A:00:00:00:01\n"), content());
}

TEST(SwpctlLab, AdapterOptionUsesThatAdapterOnly) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);
    EXPECT_RUN(Swpctl({QStringLiteral("discover"), QStringLiteral("--adapter"),
                       QStringLiteral("10.91.1.1")}),
               0);
    const ToolRun other =
        Swpctl({QStringLiteral("show"), QStringLiteral("--adapter"), QStringLiteral("10.91.2.1")});
    EXPECT_RUN(other, 3);
    EXPECT_TRUE(other.err.contains(QStringLiteral("no device found (swpctl doctor looks")));
    const ToolRun none = Swpctl(
        {QStringLiteral("discover"), QStringLiteral("--adapter"), QStringLiteral("10.9.9.9")});
    EXPECT_RUN(none, 1);
    EXPECT_TRUE(none.err.contains(QStringLiteral("no network adapter has the address 10.9.9.9")));
}

TEST(SwpctlLab, ShowDecodesEveryField) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);

    const ToolRun text = Swpctl({QStringLiteral("show")});
    EXPECT_RUN(text, 0);
    for (const char* line :
         {"Device mode:      ap\n", "IP mode:          Static\n",
          "IP address:       192.168.0.50\n", "Subnet mask:      255.255.255.0\n",
          "Gateway:          192.168.0.1\n", "SSID:             office\n", "Channel:          6\n",
          "Channel list:     1 2 3 4 5 6 7 8 9 10 11\n", "Security:         WPA-PSK\n",
          "WPA mode:         WPA2 Only\n", "Cipher:           AES\n",
          "WPS PIN:          12345670\n"})
        EXPECT_TRUE(text.out.contains(QLatin1String(line))) << line << "\n"
                                                            << text.out.toStdString();

    const ToolRun json = Swpctl({QStringLiteral("show"), QStringLiteral("--json")});
    EXPECT_RUN(json, 0);
    const QJsonObject config = Json(json.out);
    EXPECT_EQ(1, config["device_mode"].toObject()["code"].toInt());
    EXPECT_EQ("static", config["ip"].toObject()["mode"].toString());
    EXPECT_EQ("192.168.0.50", config["ip"].toObject()["address"].toString());
    const QJsonObject wl = config["wireless"].toObject();
    EXPECT_EQ("office", wl["ssid"].toString());
    EXPECT_EQ(11, wl["channels"].toArray().size());
    EXPECT_EQ("WPA-PSK", wl["security"].toObject()["text"].toString());
    EXPECT_EQ("12345670", wl["wps_pin"].toString());

    const QList<QJsonObject> journal = JournalAfterRun(ap);
    EXPECT_EQ(2, Received(journal, "login").size());
    EXPECT_EQ(2, Received(journal, "get_config").size());
}

TEST(SwpctlLab, StaticAddressIsSetThenReadBack) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);

    const ToolRun set =
        Swpctl({QStringLiteral("set-ip"), QStringLiteral("static"), QStringLiteral("172.16.5.20"),
                QStringLiteral("255.255.0.0"), QStringLiteral("172.16.0.1")});
    EXPECT_RUN(set, 0);
    EXPECT_TRUE(set.out.contains(QStringLiteral("address 192.168.0.50 → 172.16.5.20")))
        << set.out.toStdString();
    QList<QJsonObject> journal = JournalAfterRun(ap);
    const QList<QJsonObject> sets = Received(journal, "set_ip");
    ASSERT_EQ(1, sets.size());
    const QJsonObject tlvs = sets.front()["tlvs"].toObject();
    EXPECT_EQ(0, tlvs["IP_MODE"].toInt());
    EXPECT_EQ("172.16.5.20", tlvs["LAN_IP"].toString());
    EXPECT_EQ("255.255.0.0", tlvs["LAN_NETMASK"].toString());
    EXPECT_EQ("172.16.0.1", tlvs["LAN_GATEWAY"].toString());
    // The configuration is read again after the change.
    EXPECT_EQ(2, Received(journal, "get_config").size());

    const ToolRun show = Swpctl({QStringLiteral("show"), QStringLiteral("--json")});
    EXPECT_RUN(show, 0);
    EXPECT_EQ("172.16.5.20", Json(show.out)["ip"].toObject()["address"].toString());

    // The same address again changes nothing and sends nothing.
    const ToolRun again =
        Swpctl({QStringLiteral("set-ip"), QStringLiteral("static"), QStringLiteral("172.16.5.20"),
                QStringLiteral("255.255.0.0"), QStringLiteral("172.16.0.1")});
    EXPECT_RUN(again, 0);
    EXPECT_TRUE(again.out.contains(QLatin1String("unchanged")));
    journal = JournalAfterRun(ap);
    EXPECT_EQ(1, Received(journal, "set_ip").size());
}

TEST(SwpctlLab, DhcpIsSwitchedOn) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);
    const ToolRun run = Swpctl({QStringLiteral("set-ip"), QStringLiteral("dhcp")});
    EXPECT_RUN(run, 0);
    EXPECT_TRUE(run.out.contains(QStringLiteral("changed ip static → dhcp")))
        << run.out.toStdString();
    QList<QJsonObject> journal = JournalAfterRun(ap);
    const QList<QJsonObject> sets = Received(journal, "set_ip");
    ASSERT_EQ(1, sets.size());
    EXPECT_EQ(QStringList{QStringLiteral("IP_MODE")}, Order(sets.front()));
    EXPECT_EQ(1, sets.front()["tlvs"].toObject()["IP_MODE"].toInt());

    // Already DHCP: nothing is sent.
    const ToolRun again = Swpctl({QStringLiteral("set-ip"), QStringLiteral("dhcp")});
    EXPECT_RUN(again, 0);
    journal = JournalAfterRun(ap);
    EXPECT_EQ(1, Received(journal, "set_ip").size());
}

TEST(SwpctlLab, AddressOfTheComputerItselfIsRefused) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);
    const ToolRun run = Swpctl({QStringLiteral("set-ip"), QStringLiteral("static"),
                                QStringLiteral("10.91.1.1"), QStringLiteral("255.255.255.0")});
    EXPECT_RUN(run, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("The IP Address is the same as local host IP.")));
    EXPECT_TRUE(Received(JournalAfterRun(ap), "set_ip").isEmpty());
}

TEST(SwpctlLab, WirelessProfileWithWpaPskAsTheJournalRecordsIt) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);
    const ToolRun run = Swpctl(
        {QStringLiteral("set-wireless"), QStringLiteral("--ssid"), QStringLiteral("lab-net"),
         QStringLiteral("--channel"), QStringLiteral("11"), QStringLiteral("--security"),
         QStringLiteral("wpa-psk"), QStringLiteral("--key"), QStringLiteral("a secret passphrase"),
         QStringLiteral("--wpa-mode"), QStringLiteral("wpa2")});
    EXPECT_RUN(run, 0);
    EXPECT_TRUE(run.out.contains(QStringLiteral("ssid office → lab-net"))) << run.out.toStdString();
    const QList<QJsonObject> sets = Received(JournalAfterRun(ap), "set_wireless");
    ASSERT_EQ(1, sets.size());
    EXPECT_EQ(4, sets.front()["opcode"].toInt());
    EXPECT_EQ((QStringList{"WL_SSID", "WL_STD_CH", "WL_EXT_CH", "WL_WIRELESS_MODE",
                           "WL_SECURITY_MODE", "WL_WPA_MODE", "WL_WPA_CIPHER", "WL_WPA_PSK"}),
              Order(sets.front()));
    const QJsonObject tlvs = sets.front()["tlvs"].toObject();
    EXPECT_EQ("lab-net", tlvs["WL_SSID"].toString());
    EXPECT_EQ(11, tlvs["WL_STD_CH"].toInt());
    EXPECT_EQ(0, tlvs["WL_EXT_CH"].toInt());
    EXPECT_EQ(9, tlvs["WL_WIRELESS_MODE"].toInt());
    EXPECT_EQ(2, tlvs["WL_SECURITY_MODE"].toInt());
    EXPECT_EQ(1, tlvs["WL_WPA_MODE"].toInt());
    EXPECT_EQ(1, tlvs["WL_WPA_CIPHER"].toInt());
    EXPECT_EQ("a secret passphrase", tlvs["WL_WPA_PSK"].toString());
}

TEST(SwpctlLab, WirelessProfileWithWep) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);
    const ToolRun run =
        Swpctl({QStringLiteral("set-wireless"), QStringLiteral("--ssid"), QStringLiteral("old-net"),
                QStringLiteral("--security"), QStringLiteral("wep"), QStringLiteral("--key"),
                QStringLiteral("0123456789abcdef0123456789"), QStringLiteral("--auth"),
                QStringLiteral("shared"), QStringLiteral("--mode"), QStringLiteral("bg"),
                QStringLiteral("--channel"), QStringLiteral("0")});
    EXPECT_RUN(run, 0);
    EXPECT_TRUE(run.out.contains(QStringLiteral("wep_key_length 64 bit → 128 bit")))
        << run.out.toStdString();
    const QList<QJsonObject> sets = Received(JournalAfterRun(ap), "set_wireless");
    ASSERT_EQ(1, sets.size());
    // Channel 0 (the device chooses) is sent without an extension channel.
    EXPECT_EQ((QStringList{"WL_SSID", "WL_STD_CH", "WL_WIRELESS_MODE", "WL_SECURITY_MODE",
                           "WL_AUTH_MODE", "WL_WEPKEY", "WL_WEPKEY_INDEX"}),
              Order(sets.front()));
    const QJsonObject tlvs = sets.front()["tlvs"].toObject();
    EXPECT_EQ(0, tlvs["WL_STD_CH"].toInt());
    EXPECT_EQ(0, tlvs["WL_WIRELESS_MODE"].toInt());
    EXPECT_EQ(1, tlvs["WL_SECURITY_MODE"].toInt());
    EXPECT_EQ(1, tlvs["WL_AUTH_MODE"].toInt());
    EXPECT_EQ("0123456789ABCDEF0123456789", tlvs["WL_WEPKEY"].toString());
    EXPECT_EQ(0, tlvs["WL_WEPKEY_INDEX"].toInt());
}

TEST(SwpctlLab, ChannelOutsideTheDeviceListIsRefused) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);
    const ToolRun run =
        Swpctl({QStringLiteral("set-wireless"), QStringLiteral("--ssid"), QStringLiteral("x"),
                QStringLiteral("--channel"), QStringLiteral("14"), QStringLiteral("--security"),
                QStringLiteral("none")});
    EXPECT_RUN(run, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("channel 14 is not in the device's list")));
    EXPECT_TRUE(Received(JournalAfterRun(ap), "set_wireless").isEmpty());
}

TEST(SwpctlLab, StationProfileOnAClient) {
    SWP_REQUIRE_LAB();
    CLabDevice bridge;
    START(bridge, "dev1", kBridge);
    const ToolRun run =
        Swpctl({QStringLiteral("set-station"), QStringLiteral("--ssid"), QStringLiteral("office"),
                QStringLiteral("--security"), QStringLiteral("none")});
    EXPECT_RUN(run, 0);
    const QList<QJsonObject> sets = Received(JournalAfterRun(bridge), "set_station");
    ASSERT_EQ(1, sets.size());
    EXPECT_EQ(9, sets.front()["opcode"].toInt());
    EXPECT_EQ((QStringList{"WL_SSID", "WL_STA_FLAG", "WL_WIRELESS_MODE", "WL_SECURITY_MODE"}),
              Order(sets.front()));
    EXPECT_EQ(1, sets.front()["tlvs"].toObject()["WL_STA_FLAG"].toInt());

    // The access-point profile does not fit a client.
    const ToolRun wrong =
        Swpctl({QStringLiteral("set-wireless"), QStringLiteral("--ssid"), QStringLiteral("office"),
                QStringLiteral("--security"), QStringLiteral("none")});
    EXPECT_RUN(wrong, 2);
    EXPECT_TRUE(wrong.err.contains(QStringLiteral("use set-station")));
}

TEST(SwpctlLab, ModeSwitch) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);
    const ToolRun run = Swpctl({QStringLiteral("set-mode"), QStringLiteral("bridge")});
    EXPECT_RUN(run, 0);
    EXPECT_EQ("Lab-AP (02:5A:00:00:00:01): changed mode ap → bridge\n", run.out.toStdString());
    QList<QJsonObject> journal = JournalAfterRun(ap);
    EXPECT_EQ(1, Received(journal, "get_mode").size());
    const QList<QJsonObject> sets = Received(journal, "set_mode");
    ASSERT_EQ(1, sets.size());
    EXPECT_EQ(2, sets.front()["tlvs"].toObject()["DEVICE_MODE"].toInt());

    const ToolRun again = Swpctl({QStringLiteral("set-mode"), QStringLiteral("bridge")});
    EXPECT_RUN(again, 0);
    EXPECT_TRUE(again.out.contains(QLatin1String("unchanged")));
    EXPECT_EQ(1, Received(JournalAfterRun(ap), "set_mode").size());
}

TEST(SwpctlLab, SurveyStrongestFirst) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);
    const ToolRun table = Swpctl({QStringLiteral("survey")});
    EXPECT_RUN(table, 0);
    const QStringList lines = table.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(4, lines.size()) << table.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QLatin1String("SSID")));
    EXPECT_TRUE(lines[1].startsWith(QLatin1String("strong ")));
    EXPECT_TRUE(lines[2].startsWith(QLatin1String("middle ")));
    EXPECT_TRUE(lines[3].startsWith(QLatin1String("weak ")));
    EXPECT_TRUE(lines[3].contains(
        QRegularExpression(QStringLiteral("20% +1 +AES +WPA2-PSK +02:AA:00:00:00:01 +AP +yes"))))
        << lines[3].toStdString();

    const ToolRun json = Swpctl({QStringLiteral("survey"), QStringLiteral("--json")});
    EXPECT_RUN(json, 0);
    const QJsonArray survey = QJsonDocument::fromJson(json.out.toUtf8()).array();
    ASSERT_EQ(3, survey.size());
    EXPECT_EQ(90, survey[0].toObject()["signal"].toInt());
    EXPECT_EQ("station", survey[1].toObject()["kind"].toString());
    EXPECT_EQ("WEP", survey[1].toObject()["encryption"].toObject()["text"].toString());
}

TEST(SwpctlLab, ClientPin) {
    SWP_REQUIRE_LAB();
    CLabDevice bridge;
    START(bridge, "dev1", kBridge);
    const ToolRun run = Swpctl({QStringLiteral("client-pin")});
    EXPECT_RUN(run, 0);
    EXPECT_EQ("87654325\n", run.out.toStdString());
    EXPECT_EQ(1, Received(JournalAfterRun(bridge), "sta_get_config").size());
}

TEST(SwpctlLab, PushButtonFollowsTheStatusToConfigured) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);
    const ToolRun run = Swpctl({QStringLiteral("wps-pbc")});
    EXPECT_RUN(run, 0);
    EXPECT_TRUE(run.out.startsWith(QLatin1String("Configured\n"))) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("WPS status 3: Start WSC Process")));
    EXPECT_TRUE(run.err.contains(QLatin1String("WPS status 34: Configured")));
    const QList<QJsonObject> journal = JournalAfterRun(ap);
    const QList<QJsonObject> requests = Received(journal, "wps_pbc");
    ASSERT_EQ(1, requests.size());
    EXPECT_TRUE(requests.front()["tlvs"].toObject()["WL_WPS_PBC"].toBool());
    // An access point re-reads its configuration after pairing.
    EXPECT_EQ(2, Received(journal, "get_config").size());
}

TEST(SwpctlLab, PinOfTheClientToAdmit) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);
    const ToolRun run = Swpctl({QStringLiteral("wps-pin"), QStringLiteral("01234567")});
    EXPECT_RUN(run, 0);
    const QList<QJsonObject> requests = Received(JournalAfterRun(ap), "wps_pin");
    ASSERT_EQ(1, requests.size());
    EXPECT_EQ("01234567", requests.front()["tlvs"].toObject()["WL_WPS_PIN"].toString());
}

TEST(SwpctlLab, ClientPairsByPinWithTheNamedAccessPoint) {
    SWP_REQUIRE_LAB();
    CLabDevice bridge;
    START(bridge, "dev1", kBridge);
    const ToolRun run =
        Swpctl({QStringLiteral("wps-pin"), QStringLiteral("--ssid"), QStringLiteral("office")});
    EXPECT_RUN(run, 0);
    EXPECT_TRUE(run.out.contains(QLatin1String("Device PIN: 87654325")));
    EXPECT_TRUE(run.out.contains(QLatin1String("Configured\n")));
    const QList<QJsonObject> requests = Received(JournalAfterRun(bridge), "wps_pin");
    ASSERT_EQ(1, requests.size());
    EXPECT_EQ("office", requests.front()["tlvs"].toObject()["WL_WPS_PIN"].toString());
}

TEST(SwpctlLab, IdleSoonAfterTheStartIsSuccess) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", R"({"name": "Idle", "mac": "02:5A:00:00:00:01",
        "wps_status": [[100, 3], [100, 1]]})");
    const ToolRun run = Swpctl({QStringLiteral("wps-pbc")});
    EXPECT_RUN(run, 0);
    EXPECT_TRUE(run.out.startsWith(QLatin1String("Idle\n"))) << run.out.toStdString();
    // The configuration is read again after the pause.
    EXPECT_EQ(2, Received(JournalAfterRun(ap), "get_config").size());
}

TEST(SwpctlLab, DroppedLoginIsRenewedOnce) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    // The device ends the login before its (delayed) configuration reply
    // leaves: the IP setting then needs a new login first.
    START(ap, "dev1", R"({"name": "Forgetful", "mac": "02:5A:00:00:00:01",
        "connect_timeout_ms": 1500,
        "requests": {"get_config": {"delay_ms": 1800, "count": 1}}})");
    const ToolRun run = Swpctl({QStringLiteral("set-ip"), QStringLiteral("dhcp")});
    EXPECT_RUN(run, 0);
    const QList<QJsonObject> journal = JournalAfterRun(ap);
    EXPECT_EQ(2, Received(journal, "login").size());
    EXPECT_EQ(1, Received(journal, "set_ip").size());
    int dropped = 0;
    for (const QJsonObject& line : journal)
        dropped += line["dir"].toString() == QLatin1String("tx") &&
                   line["kind"].toString() == QLatin1String("connect_timeout");
    EXPECT_GE(dropped, 1);
}

TEST(SwpctlLab, WpsFailureStatusAndRefusal) {
    SWP_REQUIRE_LAB();
    {
        CLabDevice ap;
        START(ap, "dev1", R"({"name": "Fails", "mac": "02:5A:00:00:00:01",
            "wps_status": [[100, 3], [100, 2]]})");
        const ToolRun run = Swpctl({QStringLiteral("wps-pbc")});
        EXPECT_RUN(run, 7);
        EXPECT_TRUE(run.err.contains(QLatin1String("WPS failed: WSC Fail")));
    }
    {
        CLabDevice ap;
        START(ap, "dev1", R"({"name": "Refuses", "mac": "02:5A:00:00:00:01",
            "requests": {"wps_pbc": {"action": "refuse"}}})");
        EXPECT_RUN(Swpctl({QStringLiteral("wps-pbc")}), 7);
    }
    {
        // Idle without a start in this run is no success.
        CLabDevice ap;
        START(ap, "dev1", R"({"name": "Idle", "mac": "02:5A:00:00:00:01",
            "wps_status": [[100, 1]]})");
        const ToolRun run = Swpctl({QStringLiteral("wps-pbc")});
        EXPECT_RUN(run, 7);
        EXPECT_TRUE(run.err.contains(QLatin1String("without starting")));
    }
}

TEST(SwpctlLab, WrongPasswordIsRefused) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);
    const ToolRun run =
        Swpctl({QStringLiteral("show"), QStringLiteral("--password"), QStringLiteral("not-it")});
    EXPECT_RUN(run, 4);
    EXPECT_TRUE(run.err.contains(QLatin1String("refused the login")));
    EXPECT_TRUE(run.out.isEmpty());
}

TEST(SwpctlLab, AbsentDevice) {
    SWP_REQUIRE_LAB();
    {
        const ToolRun nothing = Swpctl({QStringLiteral("discover")});
        EXPECT_RUN(nothing, 3);
        EXPECT_TRUE(nothing.err.contains(QLatin1String("no device found")));
    }
    CLabDevice ap;
    START(ap, "dev1", kAp);
    const ToolRun run = Swpctl(
        {QStringLiteral("show"), QStringLiteral("--device"), QStringLiteral("02:5A:00:00:00:99")});
    EXPECT_RUN(run, 3);
    EXPECT_TRUE(run.err.contains(
        QLatin1String("device 02:5A:00:00:00:99 not found; found: 02:5A:00:00:00:01 (Lab-AP)")));
}

TEST(SwpctlLab, SeveralDevicesNeedDevice) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    CLabDevice bridge;
    // Every device that hears a login answers it and the first answer counts:
    // the one not logged in to stays silent, as the simulator's notes advise.
    START(ap, "dev1", R"({"name": "Lab-AP", "mac": "02:5A:00:00:00:01",
        "foreign_login": "ignore"})");
    START(bridge, "dev2", kBridge);
    const ToolRun run = Swpctl({QStringLiteral("show")});
    EXPECT_RUN(run, 2);
    EXPECT_TRUE(run.err.contains(QLatin1String("2 devices found, choose one with --device")));
    const ToolRun chosen = Swpctl(
        {QStringLiteral("show"), QStringLiteral("--device"), QStringLiteral("02-5a-00-00-00-02")});
    EXPECT_RUN(chosen, 0);
    EXPECT_TRUE(chosen.out.contains(QLatin1String("Device mode:      bridge\n")));
}

TEST(SwpctlLab, DroppedRepliesTimeOut) {
    SWP_REQUIRE_LAB();
    {
        CLabDevice ap;
        START(ap, "dev1", R"({"name": "Mute", "mac": "02:5A:00:00:00:01",
            "requests": {"login": {"action": "drop"}}})");
        const ToolRun run = Swpctl({QStringLiteral("show")});
        EXPECT_RUN(run, 5);
        EXPECT_TRUE(run.err.contains(QLatin1String("did not answer the login within 5 s")));
    }
    {
        CLabDevice ap;
        START(ap, "dev1", R"({"name": "Mute", "mac": "02:5A:00:00:00:01",
            "requests": {"survey": {"action": "drop"}}})");
        EXPECT_RUN(Swpctl({QStringLiteral("survey")}), 5);
    }
}

// Replies that cannot be used end the run with their own code and message.
TEST(SwpctlLab, UnusableRepliesAreReportedAsSuch) {
    SWP_REQUIRE_LAB();
    const struct {
        const char* extra;
        const char* command;
        const char* message;
    } cases[] = {
        {R"("requests": {"get_config": {"action": "refuse"}})", "show",
         "configuration reply of Odd (02:5A:00:00:00:01) at 10.91.1.2 holds no value"},
        {R"("requests": {"get_mode": {"action": "refuse"}})", "set-mode",
         "configuration reply of Odd (02:5A:00:00:00:01) at 10.91.1.2 holds no value"},
        {R"("login_port_value": [0, 0])", "show", "accepted the login but named an unusable port"},
        {R"("login_port_value": [21])", "survey", "accepted the login but named an unusable port"},
    };
    for (const auto& c : cases) {
        CLabDevice ap;
        START(ap, "dev1",
              QByteArray(R"({"name": "Odd", "mac": "02:5A:00:00:00:01", )") + c.extra + "}");
        QStringList args{QString::fromLatin1(c.command)};
        if (args[0] == QLatin1String("set-mode"))
            args << QStringLiteral("bridge");
        const ToolRun run = Swpctl(args);
        EXPECT_RUN(run, 8);
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
}

TEST(SwpctlLab, SettingTimeOutLogsInAgainOnce) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", R"({"name": "Slow", "mac": "02:5A:00:00:00:01",
        "requests": {"set_ip": {"action": "drop", "count": 1}}})");
    const ToolRun run = Swpctl({QStringLiteral("set-ip"), QStringLiteral("dhcp")});
    EXPECT_RUN(run, 0);
    const QList<QJsonObject> journal = JournalAfterRun(ap);
    EXPECT_EQ(2, Received(journal, "set_ip").size());
    EXPECT_EQ(2, Received(journal, "login").size()); // the first and the one after the time-out
}

TEST(SwpctlLab, SettingRefusedByTheDevice) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", R"({"name": "Stubborn", "mac": "02:5A:00:00:00:01",
        "requests": {"set_ip": {"action": "refuse"}}})");
    const ToolRun run = Swpctl({QStringLiteral("set-ip"), QStringLiteral("dhcp")});
    EXPECT_RUN(run, 6);
    EXPECT_TRUE(run.err.contains(QLatin1String("the device refused the IP setting")));
}

TEST(SwpctlLab, InvalidArguments) {
    SWP_REQUIRE_LAB();
    const QList<std::pair<QStringList, const char*>> cases = {
        {{"frobnicate"}, "unknown command"},
        {{"set-ip", "static", "127.0.0.5", "255.0.0.0"}, "The IP Address entered is invalid."},
        {{"set-ip", "static", "192.168.1.10", "255.0.255.0"},
         "The Subnet Mask entered is invalid."},
        {{"set-ip", "static", "192.168.1.0", "255.255.255.0"},
         "The IP Address entered is invalid."},
        {{"set-ip", "static", "192.168.1.10", "255.255.255.0", "192.168.2.1"},
         "The Default Gateway entered is invalid."},
        {{"set-wireless", "--ssid", "x", "--security", "wep", "--key", "abcd"},
         "incorrect WEP key"},
        {{"set-wireless", "--ssid", "x", "--security", "wpa-psk", "--key", "short"},
         "between 8 to 63"},
        {{"set-wireless", "--ssid", QString(33, QLatin1Char('s')), "--security", "none"},
         "longer than 32"},
        {{"set-station", "--ssid", "x", "--channel", "6", "--security", "none"},
         "--channel is not an option of set-station"},
        {{"wps-pin", "1234567"}, "Invaild PIN Code"},
        {{"show", "--device", "nonsense"}, "--device"},
        {{"show", "--password", QString(17, QLatin1Char('p'))}, "at most 16"},
    };
    for (const auto& [args, message] : cases) {
        const ToolRun run = Swpctl(args);
        EXPECT_RUN(run, 2);
        EXPECT_TRUE(run.err.contains(QLatin1String(message)))
            << args.join(' ').toStdString() << ": " << run.err.toStdString();
    }
    EXPECT_RUN(Swpctl({QStringLiteral("--help")}), 0);
}

TEST(SwpctlLab, LogOptionWritesTheEngineTrace) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString log = dir.filePath(QStringLiteral("trace.txt"));
    const mode_t umaskBefore = ::umask(0);
    EXPECT_RUN(Swpctl({QStringLiteral("show"), QStringLiteral("--log"), log}), 0);
    const QString key = QStringLiteral("a secret passphrase");
    EXPECT_RUN(
        Swpctl({QStringLiteral("set-wireless"), QStringLiteral("--ssid"), QStringLiteral("lab-net"),
                QStringLiteral("--security"), QStringLiteral("wpa-psk"), QStringLiteral("--key"),
                key, QStringLiteral("--log"), log}),
        0);
    ::umask(umaskBefore);
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QString trace = QString::fromUtf8(file.readAll());
    for (const char* line :
         {") == START LOG ==\r\n", ") TFormUDP::SendDiscover()\r\n",
          ") TFormUDP::RecvDiscover()\r\n", ")   DevName=Lab-AP\r\n", ") TFormUDP::RecvLogin()\r\n",
          ")   Result=1\r\n", ") TFormUDP::RecvGetConfig()\r\n", ")   WL_SSID=office\r\n",
          ") TFormUDP::SendWlSetting()\r\n"})
        EXPECT_TRUE(trace.contains(QLatin1String(line))) << line;
    // Neither the key nor the device password, in clear or in hex, even where
    // a dump runs on over several lines: the key's bytes show as stars.
    QString dumps;
    static const QRegularExpression dumpLine(QStringLiteral(R"(\) ((?:[0-9A-F*]{2} )+)\r$)"),
                                             QRegularExpression::MultilineOption);
    for (auto match = dumpLine.globalMatch(trace); match.hasNext();)
        dumps += match.next().captured(1);
    for (const QString& secret : {key, QStringLiteral("tosca")}) {
        EXPECT_FALSE(trace.contains(secret)) << qPrintable(secret);
        QString hex;
        for (const char byte : secret.toLatin1())
            hex += QString::asprintf("%02X ", static_cast<uint8_t>(byte));
        EXPECT_FALSE(dumps.contains(hex)) << qPrintable(secret);
    }
    EXPECT_TRUE(dumps.contains(QString(QStringLiteral("** ")).repeated(int(key.size()))));

    // A link in the log's place is refused, and what it points to stays.
    const QString victim = dir.filePath(QStringLiteral("victim"));
    QFile(victim).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(victim, dir.filePath(QStringLiteral("link.txt"))));
    const ToolRun linked = Swpctl({QStringLiteral("show"), QStringLiteral("--log"),
                                   dir.filePath(QStringLiteral("link.txt"))});
    EXPECT_RUN(linked, 1);
    EXPECT_TRUE(linked.err.contains(QLatin1String("is a symbolic link")))
        << linked.err.toStdString();
    EXPECT_EQ(QFileInfo(victim).size(), 0);
}

TEST(SwpctlLab, ExampleConfigurationsOfTheReadme) {
    SWP_REQUIRE_LAB();
    const QString examples = QStringLiteral(SWPCTL_EXAMPLES "/");
    for (const char* name : {"ap.json", "bridge.json", "two-devices.json"}) {
        QFile file(examples + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        CLabDevice device;
        START(device, "dev1", file.readAll());
        EXPECT_RUN(Swpctl({QStringLiteral("discover")}), 0);
    }
}

// --json on every command: one document on standard output and nothing
// else, also on failure, where it holds error {code, name, message}. Each
// device is reached by its adapter's interface name, so it hears only its
// own logins.
TEST(SwpctlLab, JsonOnEveryCommandAlsoOnFailure) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    CLabDevice bridge;
    START(ap, "dev1", kAp);
    START(bridge, "dev2", kBridge);
    QTemporaryDir dir;
    QFile invalid(dir.filePath(QStringLiteral("invalid.yml")));
    ASSERT_TRUE(invalid.open(QIODevice::WriteOnly) &&
                invalid.write("devices:\n  - mac: 02:5A:00:00:00:0Z\n") > 0);
    invalid.close();

    const struct {
        QStringList args;
        int code;
        const char* name; // of the error; empty when it succeeds
        const char* key;  // a member of the document; empty: a list
    } cases[] = {
        {{"discover", "-j"}, 0, "", ""},
        {{"show", "-a", "swpa0", "-j"}, 0, "", "wireless"},
        {{"survey", "-a", "swpa0", "--json"}, 0, "", ""},
        {{"client-pin", "-a", "swpb0", "-j"}, 0, "", "pin"},
        {{"set-mode", "ap", "-a", "swpa0", "-j"}, 0, "", "devices"},
        {{"show", "-a", "swpb0", "-j", "--password", "wrong"}, 4, "login-refused", ""},
        {{"show", "-j"}, 2, "invalid-arguments", ""},
        {{"show", "-d", "02:5A:00:00:00:09", "-j"}, 3, "no-device", ""},
        {{"set-wireless", "--ssid", "x", "--security", "none", "-a", "swpb0", "-j"},
         2,
         "invalid-arguments",
         ""},
        {{"wps-pin", "--ssid", "office", "-a", "swpa0", "-j"}, 2, "invalid-arguments", ""},
        {{"set-ip", "static", "10.91.1.1", "255.255.255.0", "-a", "swpa0", "-j"},
         2,
         "invalid-arguments",
         ""},
        {{"apply", invalid.fileName(), "-j"}, 2, "invalid-arguments", "errors"},
        {{"show", "--bogus", "-j"}, 2, "invalid-arguments", ""},
        {{"show", "-a", "swpa0", "-j", "--timeout", "0.3"}, 18, "deadline", ""},
    };
    for (const auto& c : cases) {
        const std::string args = c.args.join(' ').toStdString();
        const ToolRun run = Swpctl(c.args);
        EXPECT_RUN(run, c.code) << args;
        QJsonParseError parsed{};
        const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8(), &parsed);
        EXPECT_EQ(QJsonParseError::NoError, parsed.error) << args << ": " << run.out.toStdString();
        const QJsonObject error = document.object()["error"].toObject();
        EXPECT_EQ(c.name, error["name"].toString().toStdString()) << args;
        if (*c.name) {
            EXPECT_EQ(c.code, error["code"].toInt()) << args;
            EXPECT_TRUE(run.err.contains(error["message"].toString())) << args;
        }
        if (*c.key) {
            EXPECT_TRUE(document.object().contains(QLatin1String(c.key))) << args;
        } else if (!*c.name) {
            EXPECT_TRUE(document.isArray()) << args;
        }
    }
}

// A name, SSID or PIN from the network reaches the terminal with its
// control characters escaped, in tables and in errors; JSON keeps it exact.
TEST(SwpctlLab, DeviceTextIsEscapedOnTheTerminalAndExactInJson) {
    SWP_REQUIRE_LAB();
    const QString name = QStringLiteral("EV\x1b]0;pwned\x07\x1b[31mIL\r\nFAKE-LINE");
    CLabDevice evil;
    START(evil, "dev1", R"({"name": "EV\u001b]0;pwned\u0007\u001b[31mIL\r\nFAKE-LINE",
        "mac": "02:5A:00:00:00:01"})");
    const struct {
        QStringList args;
        int code;
        bool onStdout; // where the name is shown
    } cases[] = {
        {{"discover"}, 0, true},
        {{"show", "-d", "02:5A:00:00:00:09"}, 3, false},
    };
    for (const auto& c : cases) {
        const ToolRun run = Swpctl(c.args);
        EXPECT_RUN(run, c.code);
        const QString shown = c.onStdout ? run.out : run.err;
        EXPECT_TRUE(shown.contains(QLatin1String("EV\\x1b]0;pwned\\x07\\x1b[31mIL\\x0d")))
            << shown.toStdString();
        for (const QChar control : {QChar(0x1b), QChar(0x07), QChar(0x0d)})
            EXPECT_FALSE((run.out + run.err).contains(control)) << shown.toStdString();
    }
    const ToolRun json = Swpctl({QStringLiteral("discover"), QStringLiteral("-j")});
    EXPECT_EQ(
        name,
        QJsonDocument::fromJson(json.out.toUtf8()).array().at(0).toObject()["name"].toString());
}

// Another program on UDP 5433: the message names it as doctor does.
TEST(SwpctlLab, AHeldPortNamesItsHolder) {
    SWP_REQUIRE_LAB();
    const int held = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0); // not swpctl's own
    ASSERT_GE(held, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(5433);
    address.sin_addr.s_addr = inet_addr("10.91.1.1");
    ASSERT_EQ(0, ::bind(held, reinterpret_cast<sockaddr*>(&address), sizeof address));
    const ToolRun run = Swpctl({QStringLiteral("discover"), QStringLiteral("-a"),
                                QStringLiteral("swpa0"), QStringLiteral("-j")});
    ::close(held);
    EXPECT_RUN(run, 1);
    const QString holder =
        QStringLiteral("UDP port 5433 is held by test_swpctl_lab (pid %1").arg(::getpid());
    EXPECT_TRUE(run.err.contains(holder) && run.err.contains(QLatin1String("swpctl doctor")))
        << run.err.toStdString();
    EXPECT_TRUE(
        QJsonDocument::fromJson(run.out.toUtf8())["error"]["message"].toString().contains(holder));
}

// A capture lets anyone recover a key sent in it, password or not: a run
// that sends one says so, once; one that sends none does not.
TEST(SwpctlLab, ACaptureThatHoldsAKeyIsWarnedOf) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);
    QTemporaryDir dir;
    const QString capture = dir.filePath(QStringLiteral("run.pcapng"));
    const QString warning = QStringLiteral("warning: the capture %1 lets anyone who has it recover "
                                           "the wireless key sent now, with or without the device "
                                           "password\n")
                                .arg(capture);
    const struct {
        QStringList args;
        bool warned;
    } cases[] = {
        {{"set-wireless", "--ssid", "lab", "--security", "wpa-psk", "--key", "welcome-guests"},
         true},
        {{"set-wireless", "--ssid", "lab", "--security", "none"}, false},
        {{"show"}, false},
    };
    for (const auto& c : cases) {
        const ToolRun run = Swpctl(c.args + QStringList{QStringLiteral("--capture"), capture});
        EXPECT_RUN(run, 0);
        EXPECT_EQ(c.warned ? 1 : 0, run.err.count(warning))
            << c.args.join(' ').toStdString() << ": " << run.err.toStdString();
    }
}

} // namespace
