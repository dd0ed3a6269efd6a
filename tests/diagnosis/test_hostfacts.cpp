// The kernel's tables as /proc prints them, read into numbers.

#include "diagnosis/hostfacts.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTemporaryDir>

using namespace diag;

namespace {

uint32_t Ip(const char* text) {
    return QHostAddress(QString::fromLatin1(text)).toIPv4Address();
}

const char kUdp[] =
    "   sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout "
    "inode ref pointer drops\n"
    "  101: 00000000:1539 00000000:0000 07 00000000:00000000 00:00000000 00000000  1000        0 "
    "4711 2 0000000000000000 0\n"
    "  102: 01015B0A:1539 00000000:0000 07 00000000:00000000 00:00000000 00000000     0        0 "
    "4712 2 0000000000000000 0\n"
    "  103: 0100007F:0035 00000000:0000 07 00000000:00000000 00:00000000 00000000   101        0 "
    "99 2 0000000000000000 0\n"
    "  garbage line\n";

TEST(HostFacts, UdpTableGivesAddressPortOwnerAndInode) {
    const std::vector<UdpSocketEntry> entries = ParseUdpTable(QString::fromLatin1(kUdp));
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ(0u, entries[0].localAddress);
    EXPECT_EQ(5433, entries[0].localPort);
    EXPECT_EQ(1000u, entries[0].uid);
    EXPECT_EQ(4711u, entries[0].inode);
    EXPECT_EQ(Ip("10.91.1.1"), entries[1].localAddress);
    EXPECT_EQ(Ip("127.0.0.1"), entries[2].localAddress);
    EXPECT_EQ(53, entries[2].localPort);
}

TEST(HostFacts, CountersAreFoundByNameInTheirSection) {
    const QString snmp = QStringLiteral(
        "Ip: Forwarding DefaultTTL\nIp: 1 64\n"
        "Udp: InDatagrams NoPorts InErrors OutDatagrams RcvbufErrors SndbufErrors\n"
        "Udp: 10 2 7 5 7 0\n"
        "UdpLite: InDatagrams NoPorts InErrors OutDatagrams RcvbufErrors SndbufErrors\n"
        "UdpLite: 0 0 0 0 99 0\n");
    const struct {
        const char* section;
        const char* name;
        std::optional<uint64_t> value;
    } cases[] = {
        {"Udp", "RcvbufErrors", 7},
        {"UdpLite", "RcvbufErrors", 99},
        {"Udp", "NoSuchCounter", std::nullopt},
        {"Tcp", "RcvbufErrors", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.value, ParseCounter(snmp, QLatin1String(c.section), QLatin1String(c.name)))
            << c.section << " " << c.name;
}

TEST(HostFacts, RoutesAndTheOneTakenToAnAddress) {
    const QString table = QStringLiteral(
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
        "wlan0\t00000000\t0102A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
        "eth0\t00015B0A\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
        "wlan0\t004DA8C0\t00000000\t0001\t0\t0\t600\t00FFFFFF\t0\t0\t0\n"
        "down0\t00004DC0\t00000000\t0000\t0\t0\t0\t0000FFFF\t0\t0\t0\n");
    const std::vector<Route> routes = ParseRoutes(table);
    ASSERT_EQ(3u, routes.size()); // the route that is not up is left out
    EXPECT_EQ("default via 192.168.2.1 dev wlan0", routes[0].Text().toStdString());
    EXPECT_EQ("10.91.1.0/24 dev eth0", routes[1].Text().toStdString());
    const struct {
        const char* to;
        const char* interface;
    } cases[] = {{"10.91.1.7", "eth0"}, {"192.168.77.20", "wlan0"}, {"8.8.8.8", "wlan0"}};
    for (const auto& c : cases) {
        const std::optional<Route> route = RouteTo(routes, Ip(c.to));
        ASSERT_TRUE(route.has_value()) << c.to;
        EXPECT_EQ(c.interface, route->interface.toStdString()) << c.to;
    }
    EXPECT_FALSE(RouteTo({}, Ip("10.0.0.1")).has_value());
}

// A /proc of our own making: two processes hold port 5433, one of them with
// its fd folder unreadable as another user's is.
// An IPv6 socket on [::] or on an IPv4-mapped address takes IPv4 too; one on
// another IPv6 address does not.
const char kUdp6[] =
    "  sl  local_address                         remote_address                        st "
    "tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode ref pointer drops\n"
    "  201: 00000000000000000000000000000000:1539 00000000000000000000000000000000:0000 07 "
    "00000000:00000000 00:00000000 00000000  1001        0 4811 2 0000000000000000 0\n"
    "  202: 0000000000000000FFFF000001015B0A:1539 00000000000000000000000000000000:0000 07 "
    "00000000:00000000 00:00000000 00000000  1002        0 4812 2 0000000000000000 0\n"
    "  203: 000080FE00000000FF00000201000000:1539 00000000000000000000000000000000:0000 07 "
    "00000000:00000000 00:00000000 00000000  1003        0 4813 2 0000000000000000 0\n";

TEST(HostFacts, Udp6SocketsThatTakeIPv4Count) {
    const std::vector<UdpSocketEntry> entries = ParseUdpTable(QString::fromLatin1(kUdp6));
    ASSERT_EQ(2u, entries.size());
    EXPECT_TRUE(entries[0].ipv6);
    EXPECT_EQ(0u, entries[0].localAddress);
    EXPECT_EQ(5433, entries[0].localPort);
    EXPECT_EQ(4811u, entries[0].inode);
    EXPECT_EQ(Ip("10.91.1.1"), entries[1].localAddress);
}

TEST(HostFacts, PortHoldersNameTheProcessesTheySee) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QDir dir(root.path());
    const auto write = [&](const QString& name, const QByteArray& data) {
        dir.mkpath(QFileInfo(dir.filePath(name)).path());
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    };
    write(QStringLiteral("net/udp"), kUdp);
    write(QStringLiteral("net/udp6"), kUdp6);
    write(QStringLiteral("321/comm"), "swpctl\n");
    write(QStringLiteral("321/cmdline"), QByteArray("/usr/bin/swpctl\0discover\0", 25));
    dir.mkpath(QStringLiteral("321/fd"));
    ASSERT_TRUE(
        QFile::link(QStringLiteral("socket:[4711]"), dir.filePath(QStringLiteral("321/fd/5"))));
    dir.mkpath(QStringLiteral("self/fd"));
    dir.mkpath(QStringLiteral("400/fd")); // owner of 4712, hidden: nothing to read there

    const std::vector<SocketHolder> holders = CHostFacts(root.path()).PortHolders(5433);
    ASSERT_EQ(4u, holders.size());
    EXPECT_TRUE(holders[2].ipv6);
    EXPECT_TRUE(HolderText(holders[2]).contains(QStringLiteral("[::]")));
    EXPECT_EQ(321, holders[0].pid);
    EXPECT_EQ("swpctl", holders[0].name.toStdString());
    EXPECT_TRUE(IsOwnProgram(holders[0]));
    EXPECT_TRUE(HolderText(holders[0]).contains(QStringLiteral("swpctl (pid 321")));
    EXPECT_EQ(0, holders[1].pid);
    EXPECT_EQ(0u, holders[1].uid);
    EXPECT_TRUE(HolderText(holders[1]).contains(QStringLiteral("needs privileges")));
}

TEST(HostFacts, MissingFilesGiveNothingRatherThanZero) {
    QTemporaryDir root;
    const CHostFacts facts(root.path());
    EXPECT_FALSE(facts.UdpReceiveBufferErrors().has_value());
    EXPECT_FALSE(facts.ReversePathDrops().has_value());
    EXPECT_FALSE(facts.ReceiveBufferMax().has_value());
    EXPECT_TRUE(facts.Routes().empty());
    EXPECT_TRUE(facts.PortHolders(5433).empty());
}

} // namespace
