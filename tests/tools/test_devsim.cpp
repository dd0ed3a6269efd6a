// The simulated device without sockets: requests are built with the codec,
// enciphered with the host's password, handed to the simulator with a clock
// driven by hand, and the datagrams it would send are deciphered and read.

#include "protocol/packet.h"
#include "protocol/rc4encry.h"
#include "tools/devsim/config.h"
#include "tools/devsim/simulator.h"
#include "tools/devsim/tlvjson.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <cstring>
#include <map>
#include <memory>
#include <random>

using namespace devsim;
using namespace swp;

namespace {

const uint8_t kHostMac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
const uint8_t kDevMac[6] = {0x02, 0x5A, 0x00, 0x00, 0x00, 0x01};
const uint8_t kOtherMac[6] = {0x02, 0x5A, 0x00, 0x00, 0x00, 0x77};

const char kBaseConfig[] = R"({
  "name": "AP-One", "mac": "02:5A:00:00:00:01", "password": "tosca", "mode": 1,
  "ip": {"dhcp": false, "ip": "10.91.1.2", "mask": "255.255.255.0", "gateway": "10.91.1.254"},
  "wireless": {"ssid": "office", "std_ch": 6, "ext_ch": 1, "channels": [1, 6, 11],
               "wireless_mode": 9, "security": 2, "auth": 0, "wep_key_len": 1,
               "wpa_mode": 1, "cipher": 2, "wps_pin": 12345670},
  "client_pin": "87654321",
  "survey": [
    {"ssid": "Neighbour", "bssid": "00:11:22:33:44:55", "signal": 85, "channel": 6,
     "encryption": 3, "authentication": 3, "kind": 0, "wps": true, "highlight": true},
    {"ssid": "Cafe", "bssid": "00:11:22:33:44:66", "signal": 40, "channel": 11}
  ],
  "wps_status": [[500, 3], [1500, 34]]
})";

// A decoded datagram as the host would see it.
struct Reply {
    PacketHeader header{};
    std::vector<uint8_t> payload; // deciphered
    std::map<uint8_t, std::vector<uint8_t>> tlvs;
    bool broadcast = false;
    Peer to;

    bool Has(uint8_t type) const { return tlvs.count(type) != 0; }
    uint8_t Byte(uint8_t type) const { return tlvs.at(type).at(0); }
    uint32_t U32(uint8_t type) const {
        const auto& v = tlvs.at(type);
        return (uint32_t(v.at(0)) << 24) | (uint32_t(v.at(1)) << 16) | (uint32_t(v.at(2)) << 8) |
               v.at(3);
    }
    std::string Text(uint8_t type) const {
        const auto& v = tlvs.at(type);
        return std::string(v.begin(), v.end());
    }
};

class DevsimTest : public testing::Test {
protected:
    void Load(const std::string& json) {
        SimConfig config;
        QString error;
        ASSERT_TRUE(ParseConfig(QByteArray::fromStdString(json), config, error))
            << error.toStdString();
        m_Sim = std::make_unique<CSimulator>(config);
    }

    Peer From() const {
        Peer from;
        from.address = 0x0A5B0101; // 10.91.1.1
        from.port = kHostPort;
        from.ifindex = 7;
        from.localPort = kDevicePort;
        return from;
    }

    void SendRaw(const std::vector<uint8_t>& bytes) {
        m_Sim->Receive(bytes.data(), bytes.size(), From(), m_Now);
    }

    // Enciphers the payload with password (as the host does) and delivers it.
    void Send(const CPacketBuilder& packet, const char* password = "tosca") {
        std::vector<uint8_t> bytes = packet.Bytes();
        CryptPayload(bytes.data(), bytes.size(), PasswordKey(QString::fromUtf8(password)));
        SendRaw(bytes);
    }

    void Login(const char* password = "tosca", const uint8_t* mac = kDevMac) {
        Send(BuildLogin(kHostMac, mac), password);
    }

    std::vector<Reply> Replies(const char* password = "tosca") {
        std::vector<Reply> replies;
        for (const Outgoing& out : m_Sim->TakeOutgoing()) {
            Reply reply;
            reply.broadcast = out.broadcast;
            reply.to = out.to;
            std::vector<uint8_t> bytes = out.bytes;
            EXPECT_GE(bytes.size(), size_t(kHeaderSize));
            EXPECT_EQ(0, std::memcmp(bytes.data(), "SWP12345", 8));
            EXPECT_EQ(2, bytes[8]);
            ParseHeader(bytes.data(), bytes.size(), reply.header);
            EXPECT_EQ(bytes.size(), size_t(kHeaderSize) + reply.header.payloadLength);
            if (reply.header.opcode != OP_DISCOVER)
                CryptPayload(bytes.data(), bytes.size(), PasswordKey(QString::fromUtf8(password)));
            reply.payload.assign(bytes.begin() + kHeaderSize, bytes.end());
            if (reply.header.opcode != OP_SITE_SURVEY)
                WalkTLVs(reply.payload.data(), static_cast<uint16_t>(reply.payload.size()),
                         [&](const Tlv& tlv) {
                             reply.tlvs[tlv.type] =
                                 std::vector<uint8_t>(tlv.value, tlv.value + tlv.length);
                         });
            replies.push_back(reply);
        }
        return replies;
    }

    Reply Only(const char* password = "tosca") {
        std::vector<Reply> replies = Replies(password);
        EXPECT_EQ(1u, replies.size());
        return replies.empty() ? Reply{} : replies.front();
    }

    std::vector<QJsonObject> Journal() { return m_Sim->TakeJournal(); }

    void Advance(int ms) {
        m_Now += ms;
        m_Sim->Advance(m_Now);
    }

    std::unique_ptr<CSimulator> m_Sim;
    int64_t m_Now = 1000;
};

QJsonValue TlvOf(const QJsonObject& line, const char* name) {
    return line.value(QStringLiteral("tlvs")).toObject().value(QLatin1String(name));
}

std::string WithKey(const std::string& key, const std::string& value) {
    // The base configuration with key set to value (a JSON text).
    QJsonObject config = QJsonDocument::fromJson(kBaseConfig).object();
    const QJsonDocument wrapped =
        QJsonDocument::fromJson(QByteArray::fromStdString("[" + value + "]"));
    config.insert(QString::fromStdString(key), wrapped.array().at(0));
    return QJsonDocument(config).toJson().toStdString();
}

TEST_F(DevsimTest, DiscoveryReplyIsPlainWithNameAndOwnMac) {
    Load(kBaseConfig);
    SendRaw(BuildDiscover(kHostMac).Bytes());
    const Reply reply = Only();
    EXPECT_EQ(OP_DISCOVER, reply.header.opcode);
    EXPECT_EQ(0, std::memcmp(reply.header.mac, kDevMac, 6));
    EXPECT_EQ("AP-One", reply.Text(DEVICE_NAME));
    EXPECT_FALSE(reply.broadcast);
    EXPECT_EQ(0x0A5B0101u, reply.to.address);
    EXPECT_EQ(kHostPort, reply.to.port);
    // Plain: the bytes on the wire hold the name as it is.
    const std::vector<uint8_t> expected = {0x01, 0x06, 'A', 'P', '-', 'O', 'n', 'e'};
    EXPECT_EQ(expected, reply.payload);
}

TEST_F(DevsimTest, DiscoveryIsAnsweredWhateverThePassword) {
    Load(WithKey("password", "\"secret\""));
    SendRaw(BuildDiscover(kHostMac).Bytes());
    EXPECT_EQ("AP-One", Only().Text(DEVICE_NAME));
}

TEST_F(DevsimTest, LoginWithPasswordAndOwnMacIsAccepted) {
    Load(kBaseConfig);
    Login();
    const Reply reply = Only();
    EXPECT_EQ(OP_LOGIN, reply.header.opcode);
    EXPECT_EQ(1, reply.Byte(TLVTYPE_OTHER_RESULT));
    EXPECT_FALSE(reply.Has(TLVTYPE_OTHER_PORT));
    EXPECT_TRUE(m_Sim->Devices()[0]->LoggedIn({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
}

TEST_F(DevsimTest, LoginReplyNamesTheLoginPort) {
    Load(WithKey("login_port", "5440"));
    Login();
    const Reply reply = Only();
    EXPECT_EQ(1, reply.Byte(TLVTYPE_OTHER_RESULT));
    const std::vector<uint8_t> port = {0x15, 0x40};
    EXPECT_EQ(port, reply.tlvs.at(TLVTYPE_OTHER_PORT));
    const std::vector<uint16_t> ports = {5432, 5440};
    EXPECT_EQ(ports, m_Sim->ListenPorts());
}

TEST_F(DevsimTest, LoginWithWrongPasswordIsRefused) {
    Load(kBaseConfig);
    Login("wrong");
    const Reply reply = Only("tosca");
    EXPECT_EQ(0, reply.Byte(TLVTYPE_OTHER_RESULT));
    EXPECT_FALSE(m_Sim->Devices()[0]->LoggedIn({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
    const std::vector<QJsonObject> journal = Journal();
    ASSERT_EQ(1u, journal.size());
    EXPECT_EQ("refuse", journal[0]["action"].toString());
}

TEST_F(DevsimTest, LoginForAnotherMacIsRefusedOrIgnoredAsConfigured) {
    Load(kBaseConfig);
    Login("tosca", kOtherMac);
    EXPECT_EQ(0, Only().Byte(TLVTYPE_OTHER_RESULT));

    Load(WithKey("foreign_login", "\"ignore\""));
    Login("tosca", kOtherMac);
    EXPECT_TRUE(Replies().empty());
    Login("tosca", kDevMac);
    EXPECT_EQ(1, Only().Byte(TLVTYPE_OTHER_RESULT));
}

TEST_F(DevsimTest, LoginWithAnotherPhraseIsRefused) {
    Load(kBaseConfig);
    CPacketBuilder packet(kHostMac, OP_LOGIN);
    packet.AppendTLV(DEVICE_MAC, kDevMac, 6);
    const char phrase[] = "Some other client says hello.";
    packet.AppendTLV(TLVTYPE_OTHER_AUTH_PHRASE, phrase, sizeof phrase - 1);
    Send(packet);
    EXPECT_EQ(0, Only().Byte(TLVTYPE_OTHER_RESULT));
}

TEST_F(DevsimTest, GetConfigReportsTheConfiguration) {
    Load(kBaseConfig);
    Login();
    Replies();
    Send(BuildGetConfig(kHostMac));
    const Reply reply = Only();
    EXPECT_EQ(OP_GET_CONFIG, reply.header.opcode);
    EXPECT_EQ(1, reply.Byte(DEVICE_MODE));
    EXPECT_EQ(0, reply.Byte(IP_MODE));
    EXPECT_EQ(0x0A5B0102u, reply.U32(LAN_IP));
    EXPECT_EQ(0xFFFFFF00u, reply.U32(LAN_NETMASK));
    EXPECT_EQ(0x0A5B01FEu, reply.U32(LAN_GATEWAY));
    EXPECT_EQ("office", reply.Text(WL_SSID));
    const std::vector<uint8_t> channels = {1, 6, 11};
    EXPECT_EQ(channels, reply.tlvs.at(WL_CH_LIST));
    EXPECT_EQ(1, reply.Byte(WL_EXT_CH));
    EXPECT_EQ(6, reply.Byte(WL_STD_CH));
    EXPECT_EQ(2, reply.Byte(WL_SECURITY_MODE));
    EXPECT_EQ(0, reply.Byte(WL_AUTH_MODE));
    EXPECT_EQ(1, reply.Byte(WL_WEPKEY_LEN));
    EXPECT_EQ(1, reply.Byte(WL_WPA_MODE));
    EXPECT_EQ(2, reply.Byte(WL_WPA_CIPHER));
    EXPECT_EQ(12345670u, reply.U32(WL_WPS_PIN));
}

TEST_F(DevsimTest, GetModeReportsOnlyTheMode) {
    Load(WithKey("mode", "2"));
    Login();
    Replies();
    Send(BuildGetMode(kHostMac));
    const Reply reply = Only();
    ASSERT_EQ(1u, reply.tlvs.size());
    EXPECT_EQ(2, reply.Byte(DEVICE_MODE));
}

TEST_F(DevsimTest, WithoutLoginReadsAreIgnoredAndSettingsRefused) {
    Load(kBaseConfig);
    Send(BuildGetConfig(kHostMac));
    EXPECT_TRUE(Replies().empty());
    IPConfig ip{0, 0x0A5B0132, 0xFFFFFF00, 0x0A5B01FE, 0, 0};
    Send(BuildIPSetting(kHostMac, ip));
    const Reply reply = Only();
    EXPECT_EQ(OP_SET_CONFIG, reply.header.opcode);
    EXPECT_EQ(0, reply.Byte(TLVTYPE_OTHER_RESULT));
    EXPECT_EQ(0x0A5B0102u, m_Sim->Devices()[0]->Ip().ip);
}

TEST_F(DevsimTest, WithoutRequiredLoginEverythingIsAnswered) {
    Load(WithKey("require_login", "false"));
    Send(BuildGetConfig(kHostMac));
    EXPECT_EQ("office", Only().Text(WL_SSID));
}

TEST_F(DevsimTest, StaticAddressIsAppliedAndReported) {
    Load(kBaseConfig);
    Login();
    Replies();
    IPConfig ip{0, 0x0A5B0132, 0xFFFF0000, 0x0A5B0101, 0, 0};
    Send(BuildIPSetting(kHostMac, ip));
    EXPECT_EQ(1, Only().Byte(TLVTYPE_OTHER_RESULT));
    Send(BuildGetConfig(kHostMac));
    const Reply reply = Only();
    EXPECT_EQ(0, reply.Byte(IP_MODE));
    EXPECT_EQ(0x0A5B0132u, reply.U32(LAN_IP));
    EXPECT_EQ(0xFFFF0000u, reply.U32(LAN_NETMASK));
    EXPECT_EQ(0x0A5B0101u, reply.U32(LAN_GATEWAY));

    // The journal shows the request decoded by name.
    const std::vector<QJsonObject> journal = Journal();
    ASSERT_EQ(3u, journal.size()); // login, set-ip, get-config
    const QJsonObject setIp = journal[1];
    EXPECT_EQ("rx", setIp["dir"].toString());
    EXPECT_EQ("set_ip", setIp["kind"].toString());
    EXPECT_EQ(0, TlvOf(setIp, "IP_MODE").toInt());
    EXPECT_EQ("10.91.1.50", TlvOf(setIp, "LAN_IP").toString());
    EXPECT_EQ("255.255.0.0", TlvOf(setIp, "LAN_NETMASK").toString());
}

TEST_F(DevsimTest, DhcpSetsIpMode) {
    Load(kBaseConfig);
    Login();
    Replies();
    IPConfig ip{1, 0, 0, 0, 0, 0};
    Send(BuildIPSetting(kHostMac, ip));
    EXPECT_EQ(1, Only().Byte(TLVTYPE_OTHER_RESULT));
    Send(BuildGetConfig(kHostMac));
    EXPECT_EQ(1, Only().Byte(IP_MODE));
}

TEST_F(DevsimTest, WirelessSettingIsStoredAndJournalled) {
    Load(kBaseConfig);
    Login();
    Replies();
    WirelessProfile wl{};
    std::strcpy(wl.SSID, "lab-net");
    wl.StdCh = 11;
    wl.ExtCh = 0;
    wl.WlMode = 7;
    wl.Security = 1;
    wl.Auth = 1;
    std::strcpy(wl.WepKey, "abcde");
    Send(BuildWlSetting(kHostMac, wl));
    EXPECT_EQ(1, Only().Byte(TLVTYPE_OTHER_RESULT));
    const WirelessSettings& stored = m_Sim->Devices()[0]->Wireless();
    EXPECT_EQ("lab-net", stored.ssid);
    EXPECT_EQ(11, stored.stdCh);
    EXPECT_EQ(7, stored.wirelessMode);
    EXPECT_EQ(1, stored.security);
    EXPECT_EQ(1, stored.auth);
    EXPECT_EQ("abcde", stored.wepKey);
    EXPECT_EQ(0, stored.wepKeyLen);

    const QJsonObject line = Journal().back();
    EXPECT_EQ("set_wireless", line["kind"].toString());
    EXPECT_EQ("lab-net", TlvOf(line, "WL_SSID").toString());
    EXPECT_EQ("abcde", TlvOf(line, "WL_WEPKEY").toString());
    EXPECT_EQ(0, TlvOf(line, "WL_WEPKEY_INDEX").toInt());
    // SSID, channels, mode, security, then the WEP part.
    const QJsonArray order = line["order"].toArray();
    ASSERT_EQ(8, order.size());
    EXPECT_EQ("WL_SSID", order[0].toString());
    EXPECT_EQ("WL_WEPKEY_INDEX", order[7].toString());

    Send(BuildGetConfig(kHostMac));
    const Reply reply = Only();
    EXPECT_EQ("lab-net", reply.Text(WL_SSID));
    EXPECT_EQ(1, reply.Byte(WL_SECURITY_MODE));
    EXPECT_FALSE(reply.Has(WL_WEPKEY)); // keys are never read back
}

TEST_F(DevsimTest, StationSettingIsAnsweredWithItsOpcode) {
    Load(WithKey("mode", "2"));
    Login();
    Replies();
    WirelessProfile wl{};
    std::strcpy(wl.SSID, "upstream");
    wl.WlMode = 9;
    wl.Security = 2;
    wl.WpaMode = 2;
    wl.WpaCipher = 1;
    std::strcpy(wl.WpaKey, "passphrase123");
    Send(BuildWlStationSetting(kHostMac, wl));
    const Reply reply = Only();
    EXPECT_EQ(OP_STA_SET_CONFIG, reply.header.opcode);
    EXPECT_EQ(1, reply.Byte(TLVTYPE_OTHER_RESULT));
    EXPECT_EQ("upstream", m_Sim->Devices()[0]->Wireless().ssid);
    EXPECT_EQ("passphrase123", m_Sim->Devices()[0]->Wireless().wpaKey);
    const QJsonObject line = Journal().back();
    EXPECT_EQ("passphrase123", TlvOf(line, "WL_WPA_PSK").toString());
    EXPECT_EQ(1, TlvOf(line, "WL_STA_FLAG").toInt());
}

TEST_F(DevsimTest, SetModeChangesTheMode) {
    Load(kBaseConfig);
    Login();
    Replies();
    Send(BuildSetMode(kHostMac, 2));
    EXPECT_EQ(1, Only().Byte(TLVTYPE_OTHER_RESULT));
    Send(BuildGetMode(kHostMac));
    EXPECT_EQ(2, Only().Byte(DEVICE_MODE));
    Send(BuildSetMode(kHostMac, 7));
    EXPECT_EQ(0, Only().Byte(TLVTYPE_OTHER_RESULT));
    EXPECT_EQ(2, m_Sim->Devices()[0]->Mode());
}

TEST_F(DevsimTest, SurveyReturnsTheRecords) {
    Load(kBaseConfig);
    Login();
    Replies();
    Send(BuildSiteSurvey(kHostMac));
    const Reply reply = Only();
    EXPECT_EQ(OP_SITE_SURVEY, reply.header.opcode);
    ASSERT_EQ(98u, reply.payload.size());
    const std::vector<_tag_AP_ROFIILE> aps = ParseSurvey(reply.payload.data(), 98);
    ASSERT_EQ(2u, aps.size());
    EXPECT_STREQ("Neighbour", aps[0].SSID);
    const uint8_t bssid[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    EXPECT_EQ(0, std::memcmp(bssid, aps[0].BSSID, 6));
    EXPECT_EQ(85, aps[0].Signal);
    EXPECT_EQ(6, aps[0].Channel);
    EXPECT_EQ(3, aps[0].Encryption);
    EXPECT_EQ(3, aps[0].Authentication);
    EXPECT_TRUE(aps[0].WpsCapable);
    EXPECT_TRUE(aps[0].Highlighted);
    EXPECT_STREQ("Cafe", aps[1].SSID);
    EXPECT_FALSE(aps[1].WpsCapable);
}

TEST_F(DevsimTest, LongSurveyIsSentWhole) {
    std::string entries;
    for (int n = 0; n < 30; ++n)
        entries += std::string(n ? "," : "") + R"({"ssid": "net)" + std::to_string(n) +
                   R"(", "bssid": "00:11:22:33:44:55", "signal": )" + std::to_string(n) + "}";
    Load(WithKey("survey", "[" + entries + "]"));
    Login();
    Replies();
    Send(BuildSiteSurvey(kHostMac));
    const Reply reply = Only();
    ASSERT_EQ(30u * kSurveyRecordSize, reply.payload.size());
    const std::vector<_tag_AP_ROFIILE> aps =
        ParseSurvey(reply.payload.data(), reply.payload.size());
    ASSERT_EQ(30u, aps.size());
    EXPECT_STREQ("net29", aps[29].SSID);
    EXPECT_EQ(29, aps[29].Signal);
}

TEST_F(DevsimTest, SurveyLongerThanOneDatagramIsCutToWhatFits) {
    std::string entries;
    for (int n = 0; n < kMaxSurveyRecords + 10; ++n)
        entries += std::string(n ? "," : "") + R"({"ssid": "net)" + std::to_string(n) +
                   R"(", "bssid": "00:11:22:33:44:55"})";
    Load(WithKey("survey", "[" + entries + "]"));
    Login();
    Replies();
    Send(BuildSiteSurvey(kHostMac));
    const Reply reply = Only();
    ASSERT_EQ(size_t{kMaxSurveyRecords} * kSurveyRecordSize, reply.payload.size());
    EXPECT_LE(kHeaderSize + reply.payload.size(), size_t{kMaxDatagramSize});
    const std::vector<_tag_AP_ROFIILE> aps =
        ParseSurvey(reply.payload.data(), reply.payload.size());
    ASSERT_EQ(1336u, aps.size());
    EXPECT_STREQ("net1335", aps.back().SSID);
}

TEST_F(DevsimTest, StationGetConfigReturnsTheClientPin) {
    Load(kBaseConfig);
    Login();
    Replies();
    Send(BuildStationGetConfig(kHostMac));
    const Reply reply = Only();
    EXPECT_EQ(OP_STA_GET_CONFIG, reply.header.opcode);
    EXPECT_EQ("87654321", reply.Text(WL_WPS_PIN));
}

TEST_F(DevsimTest, AcceptedWpsRequestIsFollowedByTheStatusSequence) {
    Load(kBaseConfig);
    Login();
    Replies();
    Send(BuildWPSPBC(kHostMac));
    EXPECT_EQ(1, Only().Byte(TLVTYPE_OTHER_RESULT));
    Advance(499);
    EXPECT_TRUE(Replies().empty());
    Advance(1);
    Reply status = Only();
    EXPECT_EQ(OP_EVENT, status.header.opcode);
    EXPECT_EQ(3u, status.U32(TLVTYPE_OTHER_WPS_STATUS));
    Advance(1499);
    EXPECT_TRUE(Replies().empty());
    Advance(1);
    EXPECT_EQ(34u, Only().U32(TLVTYPE_OTHER_WPS_STATUS));
    EXPECT_FALSE(m_Sim->NextDue().has_value());
}

TEST_F(DevsimTest, RefusedWpsRequestSendsNoStatus) {
    Load(WithKey("requests", R"({"wps_pin": {"action": "refuse"}})"));
    Login();
    Replies();
    Send(BuildWPSPIN(kHostMac, 1234567));
    EXPECT_EQ(0, Only().Byte(TLVTYPE_OTHER_RESULT));
    EXPECT_FALSE(m_Sim->NextDue().has_value());
    EXPECT_EQ("01234567", TlvOf(Journal().back(), "WL_WPS_PIN").toString().toStdString());
}

TEST_F(DevsimTest, ConnectionTimesOutAfterTheLogin) {
    Load(WithKey("connect_timeout_ms", "3000"));
    Login();
    Replies();
    Advance(2999);
    EXPECT_TRUE(Replies().empty());
    Advance(1);
    const Reply event = Only();
    EXPECT_EQ(OP_EVENT, event.header.opcode);
    EXPECT_TRUE(event.Has(TLVTYPE_OTHER_CONNECTTIMEOUT));
    // The login is gone: reads are not answered any more.
    Send(BuildGetConfig(kHostMac));
    EXPECT_TRUE(Replies().empty());
}

TEST_F(DevsimTest, LogoutCancelsTheConnectionTimeOut) {
    Load(WithKey("connect_timeout_ms", "3000"));
    Login();
    Replies();
    Send(BuildLogout(kHostMac));
    EXPECT_EQ(1, Only().Byte(TLVTYPE_OTHER_RESULT));
    Advance(5000);
    EXPECT_TRUE(Replies().empty());
}

TEST_F(DevsimTest, DropRefuseDelayAndCountPerRequestKind) {
    Load(WithKey("requests", R"({"get_config": {"action": "drop", "count": 1},
                                 "set_mode": {"action": "refuse"},
                                 "survey": {"delay_ms": 700}})"));
    Login();
    Replies();
    Send(BuildGetConfig(kHostMac));
    EXPECT_TRUE(Replies().empty());
    EXPECT_EQ("drop", Journal().back()["action"].toString());
    Send(BuildGetConfig(kHostMac)); // the count is used up: answered again
    EXPECT_EQ(1u, Replies().size());
    Send(BuildSetMode(kHostMac, 2));
    EXPECT_EQ(0, Only().Byte(TLVTYPE_OTHER_RESULT));
    EXPECT_EQ(1, m_Sim->Devices()[0]->Mode());
    Send(BuildSiteSurvey(kHostMac));
    EXPECT_TRUE(Replies().empty());
    Advance(699);
    EXPECT_TRUE(Replies().empty());
    Advance(1);
    EXPECT_EQ(OP_SITE_SURVEY, Only().header.opcode);
}

TEST_F(DevsimTest, RefusedDiscoveryHasNoNameAndDroppedLoginNoReply) {
    Load(WithKey("requests", R"({"discover": {"action": "refuse"}, "login": {"action": "drop"}})"));
    SendRaw(BuildDiscover(kHostMac).Bytes());
    const Reply reply = Only();
    EXPECT_EQ(OP_DISCOVER, reply.header.opcode);
    EXPECT_TRUE(reply.payload.empty());
    Login();
    EXPECT_TRUE(Replies().empty());
    EXPECT_FALSE(m_Sim->Devices()[0]->LoggedIn({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
}

TEST_F(DevsimTest, BroadcastModeRepliesOutOfTheReceivingInterface) {
    Load(WithKey("reply", "\"broadcast\""));
    SendRaw(BuildDiscover(kHostMac).Bytes());
    std::vector<Outgoing> out = m_Sim->TakeOutgoing();
    ASSERT_EQ(1u, out.size());
    EXPECT_TRUE(out[0].broadcast);
    EXPECT_EQ(7, out[0].to.ifindex);
    EXPECT_EQ("255.255.255.255:5433", out[0].line["to"].toString());
    EXPECT_EQ("broadcast", out[0].line["via"].toString());
}

TEST_F(DevsimTest, ClonesAnswerOneDiscoveryAsManyDevices) {
    Load(WithKey("clones", "1000"));
    SendRaw(BuildDiscover(kHostMac).Bytes());
    const std::vector<Reply> replies = Replies();
    ASSERT_EQ(1000u, replies.size());
    EXPECT_EQ("AP-One", replies[0].Text(DEVICE_NAME));
    EXPECT_EQ("AP-One-001", replies[1].Text(DEVICE_NAME));
    EXPECT_EQ("AP-One-999", replies[999].Text(DEVICE_NAME));
    const uint8_t last[6] = {0x02, 0x5A, 0x00, 0x00, 0x03, 0xE8}; // 0x01 + 999
    EXPECT_EQ(0, std::memcmp(last, replies[999].header.mac, 6));
}

TEST_F(DevsimTest, BadDatagramsGetNoReply) {
    Load(kBaseConfig);
    std::vector<uint8_t> discover = BuildDiscover(kHostMac).Bytes();

    std::vector<uint8_t> shortOne(discover.begin(), discover.begin() + 17);
    SendRaw(shortOne);
    std::vector<uint8_t> magic = discover;
    magic[0] = 'X';
    SendRaw(magic);
    std::vector<uint8_t> version = discover;
    version[8] = 3;
    SendRaw(version);
    std::vector<uint8_t> longer = discover;
    longer.push_back(0); // payload length still says 0
    SendRaw(longer);
    std::vector<uint8_t> own = discover;
    std::memcpy(own.data() + kMacOffset, kDevMac, 6);
    SendRaw(own);
    EXPECT_TRUE(Replies().empty());
    const std::vector<QJsonObject> journal = Journal();
    ASSERT_EQ(5u, journal.size());
    EXPECT_EQ("short", journal[0]["reason"].toString());
    EXPECT_EQ("bad magic", journal[1]["reason"].toString());
    EXPECT_EQ("bad version", journal[2]["reason"].toString());
    EXPECT_EQ("length does not match", journal[3]["reason"].toString());
    EXPECT_EQ("sent by a simulated device", journal[4]["reason"].toString());
}

TEST_F(DevsimTest, TruncatedTlvsAndUnknownOpcodesGetNoReply) {
    Load(WithKey("require_login", "false"));
    CPacketBuilder truncated(kHostMac, OP_GET_CONFIG);
    const uint8_t run[] = {0x93, 0x05, 0x00}; // says 5 bytes, has 1
    truncated.AppendRaw(run, sizeof run);
    Send(truncated);
    CPacketBuilder five(kHostMac, 5);
    Send(five);
    CPacketBuilder event(kHostMac, OP_EVENT);
    event.AppendByte(TLVTYPE_OTHER_RESULT, 1);
    Send(event);
    EXPECT_TRUE(Replies().empty());
    const std::vector<QJsonObject> journal = Journal();
    ASSERT_EQ(3u, journal.size());
    EXPECT_EQ("undecipherable", journal[0]["reason"].toString());
    EXPECT_TRUE(journal[0]["truncated"].toBool());
    EXPECT_EQ("opcode not handled", journal[1]["reason"].toString());
    EXPECT_EQ("opcode not handled", journal[2]["reason"].toString());
}

TEST_F(DevsimTest, GarbageNeverStopsTheDevice) {
    Load(WithKey("require_login", "false"));
    std::mt19937 random(42);
    for (int n = 0; n < 2000; ++n) {
        std::vector<uint8_t> bytes(random() % 80);
        for (uint8_t& byte : bytes)
            byte = static_cast<uint8_t>(random());
        if (n % 2 == 0 && bytes.size() >= size_t(kHeaderSize)) {
            // A valid header over random payload bytes.
            std::memcpy(bytes.data(), "SWP12345\x02", 9);
            std::memcpy(bytes.data() + kMacOffset, kHostMac, 6);
            bytes[kOpcodeOffset] = static_cast<uint8_t>(n % 12);
            const size_t payload = bytes.size() - kHeaderSize;
            bytes[kLengthOffset] = static_cast<uint8_t>(payload >> 8);
            bytes[kLengthOffset + 1] = static_cast<uint8_t>(payload & 0xFF);
        }
        SendRaw(bytes);
        m_Sim->TakeOutgoing();
        Journal();
    }
    SendRaw(BuildDiscover(kHostMac).Bytes());
    EXPECT_EQ("AP-One", Only().Text(DEVICE_NAME));
}

TEST_F(DevsimTest, SeveralDevicesAnswerInConfigurationOrder) {
    Load(R"({"devices": [
        {"name": "First", "mac": "02:5A:00:00:00:01"},
        {"name": "Second", "mac": "02:5A:00:00:00:02", "password": "other"}]})");
    SendRaw(BuildDiscover(kHostMac).Bytes());
    const std::vector<Reply> replies = Replies();
    ASSERT_EQ(2u, replies.size());
    EXPECT_EQ("First", replies[0].Text(DEVICE_NAME));
    EXPECT_EQ("Second", replies[1].Text(DEVICE_NAME));
    // A login for the second: the first refuses (its key deciphers garbage).
    const uint8_t second[6] = {0x02, 0x5A, 0x00, 0x00, 0x00, 0x02};
    Send(BuildLogin(kHostMac, second), "other");
    const std::vector<Outgoing> out = m_Sim->TakeOutgoing();
    ASSERT_EQ(2u, out.size());
    EXPECT_EQ("First", out[0].line["device"].toString());
    EXPECT_EQ(0, TlvOf(out[0].line, "TLVTYPE_OTHER_RESULT").toInt());
    EXPECT_EQ("Second", out[1].line["device"].toString());
    EXPECT_EQ(1, TlvOf(out[1].line, "TLVTYPE_OTHER_RESULT").toInt());
}

TEST(DevsimConfig, UnknownKeysAndBadValuesAreErrors) {
    SimConfig config;
    QString error;
    EXPECT_FALSE(ParseConfig(R"({"mac": "02:00:00:00:00:01", "sssid": "x"})", config, error));
    EXPECT_TRUE(error.contains("sssid"));
    EXPECT_FALSE(ParseConfig(R"({"mac": "02:00:00:00:00"})", config, error));
    EXPECT_FALSE(ParseConfig(R"({"name": "no mac"})", config, error));
    EXPECT_FALSE(ParseConfig(R"({"mac": "02:00:00:00:00:01", "mode": 3})", config, error));
    EXPECT_FALSE(
        ParseConfig(R"({"mac": "02:00:00:00:00:01", "wps_status": [[500]]})", config, error));
    EXPECT_FALSE(
        ParseConfig(R"({"mac": "02:00:00:00:00:01", "requests": {"login": {"action": "maybe"}}})",
                    config, error));
    EXPECT_FALSE(ParseConfig(R"({"devices": [{"mac": "02:00:00:00:00:01"},
                                             {"mac": "02:00:00:00:00:01"}]})",
                             config, error));
    EXPECT_TRUE(error.contains("used twice"));
    EXPECT_FALSE(ParseConfig("not json", config, error));
    EXPECT_FALSE(ParseConfig(R"({"mac": "02:00:00:00:00:01", "mode": 1e300})", config, error));
    EXPECT_FALSE(
        ParseConfig(R"({"mac": "02:00:00:00:00:01", "wps_status": [[1e300, 3]]})", config, error));
    EXPECT_FALSE(ParseConfig(R"({"mac": "02:00:00:00:00:01", "clones": 1.5})", config, error));
    EXPECT_TRUE(ParseConfig(R"({"mac": "02-00-00-00-00-01"})", config, error))
        << error.toStdString();
    ASSERT_EQ(1u, config.devices.size());
    EXPECT_EQ("tosca", config.devices[0].password);
    EXPECT_EQ(2u, config.devices[0].wpsStatus.size());
}

TEST(DevsimJournal, TlvValuesAreDecodedByName) {
    CPacketBuilder packet(kHostMac, OP_SET_CONFIG);
    packet.AppendByte(IP_MODE, 0);
    packet.AppendU32(LAN_IP, 0x0A5B0132);
    packet.AppendTLV(WL_SSID, "net", 3);
    const uint8_t channels[] = {1, 6, 11};
    packet.AppendTLV(WL_CH_LIST, channels, 3);
    packet.AppendTLV(0x77, "\x01\x02", 2);
    QJsonObject line;
    DecodeTlvs(packet.Data() + kHeaderSize, packet.PayloadLength(), false, line);
    const QJsonObject tlvs = line["tlvs"].toObject();
    EXPECT_EQ(0, tlvs["IP_MODE"].toInt());
    EXPECT_EQ("10.91.1.50", tlvs["LAN_IP"].toString());
    EXPECT_EQ("net", tlvs["WL_SSID"].toString());
    EXPECT_EQ(3, tlvs["WL_CH_LIST"].toArray().size());
    EXPECT_EQ("01 02", tlvs["0x77"].toString());
    EXPECT_FALSE(line.contains("truncated"));
}

} // namespace
