// The simulator over real datagrams in the namespace lab: a devsim runs in a
// device namespace, this test in swp-host talks to it through the adapters.

#include "protocol/packet.h"
#include "protocol/rc4encry.h"
#include "tests/common/labsim.h"
#include "tests/tools/labsocket.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <map>

using namespace swp;

namespace {

constexpr int kReplyWaitMs = 5000; // bound on waiting for a datagram that must come

const uint8_t kHostMac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
const uint8_t kDevMac[6] = {0x02, 0x5A, 0x00, 0x00, 0x00, 0x01};

std::map<uint8_t, std::vector<uint8_t>> TlvsOf(std::vector<uint8_t> bytes, const char* password) {
    std::map<uint8_t, std::vector<uint8_t>> tlvs;
    PacketHeader header{};
    if (!ParseHeader(bytes.data(), bytes.size(), header))
        return tlvs;
    if (header.opcode != OP_DISCOVER)
        CryptPayload(bytes.data(), bytes.size(), PasswordKey(QString::fromUtf8(password)));
    WalkTLVs(bytes.data() + kHeaderSize, header.payloadLength, [&](const Tlv& tlv) {
        tlvs[tlv.type] = std::vector<uint8_t>(tlv.value, tlv.value + tlv.length);
    });
    return tlvs;
}

std::vector<uint8_t> Enciphered(const CPacketBuilder& packet, const char* password = "tosca") {
    std::vector<uint8_t> bytes = packet.Bytes();
    CryptPayload(bytes.data(), bytes.size(), PasswordKey(QString::fromUtf8(password)));
    return bytes;
}

int Count(const QList<QJsonObject>& journal, const char* dir, const char* kind) {
    int count = 0;
    for (const QJsonObject& line : journal)
        if (line["dir"].toString() == QLatin1String(dir) &&
            line["kind"].toString() == QLatin1String(kind))
            ++count;
    return count;
}

TEST(DevsimLab, DiscoveryBroadcastOutOfOneAdapterIsAnswered) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    ASSERT_TRUE(device.Start("dev1", R"({"name": "Lab-AP", "mac": "02:5A:00:00:00:01"})"))
        << device.Error().toStdString();
    CLabSocket socket;
    ASSERT_EQ("", socket.Open("swpa0"));
    ASSERT_TRUE(socket.Broadcast(BuildDiscover(kHostMac).Bytes()));

    const std::optional<LabDatagram> reply = socket.Receive(kReplyWaitMs);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ("10.91.1.2", reply->fromAddress);
    EXPECT_EQ(5432, reply->fromPort);
    PacketHeader header{};
    ASSERT_TRUE(ParseHeader(reply->bytes.data(), reply->bytes.size(), header));
    EXPECT_EQ(0, std::memcmp(header.mac, kDevMac, 6));
    const auto tlvs = TlvsOf(reply->bytes, "");
    ASSERT_TRUE(tlvs.count(DEVICE_NAME));
    EXPECT_EQ("Lab-AP", std::string(tlvs.at(DEVICE_NAME).begin(), tlvs.at(DEVICE_NAME).end()));

    QList<QJsonObject> journal;
    EXPECT_TRUE(device.WaitForJournal(
        [](const QList<QJsonObject>& lines) { return Count(lines, "tx", "discover") == 1; },
        kReplyWaitMs, &journal));
    EXPECT_EQ(1, Count(journal, "rx", "discover"));
    EXPECT_EQ("10.91.1.1:5433", journal.front()["from"].toString());

    device.Stop(); // SIGTERM ends it cleanly
    EXPECT_EQ(0, device.ExitCode()) << device.Output().toStdString();
}

TEST(DevsimLab, GarbageOverTheWireGetsNoReplyAndDoesNotStopIt) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    ASSERT_TRUE(device.Start("dev1", R"({"name": "Sturdy", "mac": "02:5A:00:00:00:01"})"))
        << device.Error().toStdString();
    CLabSocket socket;
    ASSERT_EQ("", socket.Open("swpa0"));
    std::vector<uint8_t> discover = BuildDiscover(kHostMac).Bytes();
    ASSERT_TRUE(socket.Broadcast({}));                                // empty
    ASSERT_TRUE(socket.Broadcast({'S', 'W', 'P'}));                   // short
    ASSERT_TRUE(socket.Broadcast(std::vector<uint8_t>(60000, 0xA5))); // big garbage
    std::vector<uint8_t> lying = discover;
    lying[kLengthOffset + 1] = 40; // announces a payload it does not carry
    ASSERT_TRUE(socket.Broadcast(lying));
    ASSERT_TRUE(socket.Broadcast(discover));

    const std::optional<LabDatagram> reply = socket.Receive(kReplyWaitMs);
    ASSERT_TRUE(reply.has_value());
    const auto name = TlvsOf(reply->bytes, "")[DEVICE_NAME];
    EXPECT_EQ("Sturdy", std::string(name.begin(), name.end())); // the first and only reply
    QList<QJsonObject> journal;
    EXPECT_TRUE(device.WaitForJournal(
        [](const QList<QJsonObject>& lines) { return lines.size() == 6; }, kReplyWaitMs, &journal));
    EXPECT_EQ(1, Count(journal, "tx", "discover"));
    EXPECT_TRUE(device.Running());
}

TEST(DevsimLab, BroadcastReplyArrivesOnTheRequestingAdapterOnly) {
    SWP_REQUIRE_LAB();
    CLabDevice one;
    CLabDevice two;
    ASSERT_TRUE(
        one.Start("dev1", R"({"name": "One", "mac": "02:5A:00:00:00:01", "reply": "broadcast"})"))
        << one.Error().toStdString();
    ASSERT_TRUE(
        two.Start("dev2", R"({"name": "Two", "mac": "02:5A:00:00:00:02", "reply": "broadcast"})"))
        << two.Error().toStdString();
    CLabSocket a;
    CLabSocket b;
    ASSERT_EQ("", a.Open("swpa0"));
    ASSERT_EQ("", b.Open("swpb0"));

    ASSERT_TRUE(a.Broadcast(BuildDiscover(kHostMac).Bytes()));
    const std::optional<LabDatagram> first = a.Receive(kReplyWaitMs);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ("One", [&] {
        const auto name = TlvsOf(first->bytes, "")[DEVICE_NAME];
        return std::string(name.begin(), name.end());
    }());
    // Then the other adapter: it receives its own device's reply, and nothing
    // of the first exchange came before it.
    ASSERT_TRUE(b.Broadcast(BuildDiscover(kHostMac).Bytes()));
    const std::optional<LabDatagram> second = b.Receive(kReplyWaitMs);
    ASSERT_TRUE(second.has_value());
    const auto name = TlvsOf(second->bytes, "")[DEVICE_NAME];
    EXPECT_EQ("Two", std::string(name.begin(), name.end()));
    EXPECT_FALSE(a.Receive(0).has_value());
    EXPECT_FALSE(b.Receive(0).has_value());

    const QList<QJsonObject> journal = one.Journal();
    EXPECT_EQ(1, Count(journal, "rx", "discover")); // the second broadcast never reached dev1
}

TEST(DevsimLab, LoginPortCarriesTheFollowingRequests) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    ASSERT_TRUE(device.Start("dev1", R"({"name": "Ported", "mac": "02:5A:00:00:00:01",
        "login_port": 5440, "ip": {"ip": "10.91.1.2", "mask": "255.255.255.0"}})"))
        << device.Error().toStdString();
    CLabSocket socket;
    ASSERT_EQ("", socket.Open("swpa0"));

    ASSERT_TRUE(socket.Broadcast(Enciphered(BuildLogin(kHostMac, kDevMac))));
    std::optional<LabDatagram> reply = socket.Receive(kReplyWaitMs);
    ASSERT_TRUE(reply.has_value());
    auto tlvs = TlvsOf(reply->bytes, "tosca");
    ASSERT_TRUE(tlvs.count(TLVTYPE_OTHER_RESULT));
    EXPECT_EQ(1, tlvs[TLVTYPE_OTHER_RESULT][0]);
    const std::vector<uint8_t> port = {0x15, 0x40};
    EXPECT_EQ(port, tlvs[TLVTYPE_OTHER_PORT]);

    ASSERT_TRUE(socket.Broadcast(Enciphered(BuildGetConfig(kHostMac)), 5440));
    reply = socket.Receive(kReplyWaitMs);
    ASSERT_TRUE(reply.has_value());
    tlvs = TlvsOf(reply->bytes, "tosca");
    const std::vector<uint8_t> ip = {10, 91, 1, 2};
    EXPECT_EQ(ip, tlvs[LAN_IP]);

    QList<QJsonObject> journal;
    EXPECT_TRUE(device.WaitForJournal(
        [](const QList<QJsonObject>& lines) { return Count(lines, "tx", "get_config") == 1; },
        kReplyWaitMs, &journal));
    for (const QJsonObject& line : journal) {
        if (line["dir"].toString() == "rx" && line["kind"].toString() == "get_config") {
            EXPECT_EQ(5440, line["port"].toInt());
        }
    }
}

} // namespace
