// The wire format of requests, the TLV walk of replies and the survey records.
// Expected bytes are written out by hand from the packet layout, never taken
// from the codec itself.

#include "protocol/packet.h"
#include "tests/common/logcapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

using namespace swp;
using Bytes = std::vector<uint8_t>;

namespace {

const uint8_t kHostMac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
const uint8_t kDeviceMac[6] = {0x00, 0x0E, 0x8E, 0x12, 0x34, 0x56};

// "SWP12345", version 2, host MAC, opcode, payload length (big-endian), payload.
Bytes Packet(uint8_t opcode, const Bytes& payload) {
    Bytes bytes = {0x53, 0x57, 0x50, 0x31, 0x32, 0x33, 0x34, 0x35,
                   0x02, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, opcode};
    bytes.push_back(static_cast<uint8_t>(payload.size() >> 8));
    bytes.push_back(static_cast<uint8_t>(payload.size() & 0xFF));
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

Bytes Text(const char* text) {
    return Bytes(text, text + std::strlen(text));
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

WirelessProfile Profile() {
    WirelessProfile wl{};
    std::strcpy(wl.SSID, "Home");
    wl.StdCh = 6;
    wl.ExtCh = 1;
    wl.WlMode = 9;
    wl.Security = 0;
    return wl;
}

struct Seen {
    uint8_t type;
    Bytes value;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> Walk(const Bytes& payload, WalkResult* result = nullptr) {
    std::vector<Seen> seen;
    // A heap copy of exactly the payload, so that any read past it is caught
    // by the address sanitizer.
    std::vector<uint8_t> exact(payload);
    const WalkResult r =
        WalkTLVs(exact.empty() ? nullptr : exact.data(), static_cast<uint16_t>(exact.size()),
                 [&](const Tlv& tlv) {
                     seen.push_back({tlv.type, Bytes(tlv.value, tlv.value + tlv.length)});
                 });
    if (result != nullptr)
        *result = r;
    return seen;
}

} // namespace

// ---------------------------------------------------------------------------
// Header and builder

TEST(PacketHeader, DiscoveryRequestIsEighteenBytes) {
    const Bytes expected = {0x53, 0x57, 0x50, 0x31, 0x32, 0x33, 0x34, 0x35, 0x02,
                            0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x00, 0x00, 0x00};
    const CPacketBuilder packet = BuildDiscover(kHostMac);
    EXPECT_EQ(packet.Size(), 18);
    EXPECT_EQ(packet.PayloadLength(), 0);
    EXPECT_EQ(packet.Bytes(), expected);
}

TEST(PacketHeader, ParseReadsMacOpcodeAndLength) {
    const Bytes bytes = {0x53, 0x57, 0x50, 0x31, 0x32, 0x33, 0x34, 0x35, 0x02, 0x00,
                         0x0E, 0x8E, 0x12, 0x34, 0x56, 0x06, 0x01, 0x02, 0xAA};
    PacketHeader header{};
    ASSERT_TRUE(ParseHeader(bytes.data(), bytes.size(), header));
    EXPECT_EQ(0, std::memcmp(header.mac, kDeviceMac, 6));
    EXPECT_EQ(header.opcode, 6);
    EXPECT_EQ(header.payloadLength, 0x0102);
}

TEST(PacketHeader, ParseRefusesShortData) {
    const Bytes bytes(17, 0);
    PacketHeader header{};
    EXPECT_FALSE(ParseHeader(bytes.data(), bytes.size(), header));
    EXPECT_FALSE(ParseHeader(nullptr, 18, header));
}

TEST(PacketBuilder, SenderMacAndOpcodeCanBeReplaced) {
    CPacketBuilder packet(kHostMac, OP_LOGOUT);
    packet.SetSenderMac(kDeviceMac);
    packet.SetOpcode(OP_SITE_SURVEY);
    const Bytes expected = {0x53, 0x57, 0x50, 0x31, 0x32, 0x33, 0x34, 0x35, 0x02,
                            0x00, 0x0E, 0x8E, 0x12, 0x34, 0x56, 0x07, 0x00, 0x00};
    EXPECT_EQ(packet.Bytes(), expected);
}

TEST(PacketBuilder, EveryAppendKeepsTheLengthUpToDate) {
    CPacketBuilder packet(kHostMac);
    EXPECT_TRUE(packet.AppendByte(0x30, 0x01));
    EXPECT_EQ(packet.Data()[16], 0x00);
    EXPECT_EQ(packet.Data()[17], 0x03);
    EXPECT_TRUE(packet.AppendU16(0x92, 0x1538));
    EXPECT_TRUE(packet.AppendU32(0x31, 0xC0A8010A));
    EXPECT_TRUE(packet.AppendText(0x01, "AB"));
    EXPECT_TRUE(packet.AppendRaw("\x01\x02", 2));
    EXPECT_EQ(packet.PayloadLength(), 3 + 4 + 6 + 4 + 2);
    EXPECT_EQ(packet.Bytes(),
              Packet(0x00, {0x30, 0x01, 0x01, 0x92, 0x02, 0x15, 0x38, 0x31, 0x04, 0xC0, 0xA8, 0x01,
                            0x0A, 0x01, 0x02, 'A', 'B', 0x01, 0x02}));
}

TEST(PacketBuilder, AppendThatDoesNotFitIsRefusedAndChangesNothing) {
    CPacketBuilder packet(kHostMac);
    const std::string big(255, 'x');
    // 1024 - 18 = 1006 payload bytes: three TLVs of 257 bytes take 771.
    for (int n = 0; n < 3; ++n)
        ASSERT_TRUE(packet.AppendTLV(0x01, big.data(), 255));
    const std::vector<uint8_t> before(packet.Data(), packet.Data() + kRequestBufferSize);
    EXPECT_FALSE(packet.AppendTLV(0x01, big.data(), 255));
    EXPECT_FALSE(packet.AppendRaw(big.data(), 236));
    EXPECT_EQ(std::vector<uint8_t>(packet.Data(), packet.Data() + kRequestBufferSize), before);
    EXPECT_EQ(packet.PayloadLength(), 771);

    // 235 bytes are left: a TLV of 2 + 233 fills the buffer exactly.
    EXPECT_TRUE(packet.AppendTLV(0x02, big.data(), 233));
    EXPECT_EQ(packet.PayloadLength(), 1006);
    EXPECT_EQ(packet.Size(), kRequestBufferSize);
    EXPECT_EQ(packet.Data()[16], 0x03);
    EXPECT_EQ(packet.Data()[17], 0xEE);
    EXPECT_FALSE(packet.AppendTLV(0x6B, nullptr, 0));
    EXPECT_FALSE(packet.AppendByte(0x30, 1));
    EXPECT_TRUE(packet.AppendRaw(nullptr, 0));
    EXPECT_EQ(packet.PayloadLength(), 1006);
}

TEST(PacketBuilder, MissingValueWithLengthIsRefused) {
    CPacketBuilder packet(kHostMac);
    EXPECT_FALSE(packet.AppendTLV(0x01, nullptr, 4));
    EXPECT_FALSE(packet.AppendRaw(nullptr, 4));
    EXPECT_EQ(packet.PayloadLength(), 0);
}

TEST(PacketBuilder, TextStopsAtTerminatorOrCap) {
    CPacketBuilder packet(kHostMac);
    EXPECT_TRUE(packet.AppendText(0x50, "abc\0def", 255));
    EXPECT_TRUE(packet.AppendText(0x50, "abcdef", 2));
    EXPECT_TRUE(packet.AppendText(0x50, nullptr));
    EXPECT_EQ(packet.Bytes(),
              Packet(0x00, {0x50, 0x03, 'a', 'b', 'c', 0x50, 0x02, 'a', 'b', 0x50, 0x00}));

    CPacketBuilder longText(kHostMac);
    const std::string text(300, 'z');
    EXPECT_TRUE(longText.AppendText(0x63, text.c_str(), 1000));
    EXPECT_EQ(longText.PayloadLength(), 2 + 255);
    EXPECT_EQ(longText.Data()[19], 0xFF);
}

// ---------------------------------------------------------------------------
// Requests

TEST(Requests, AuthPhraseIsTheFixedNinetyOneCharacters) {
    const char* phrase = "ZOLA-4420 Client handshake is accepted. Greeting text by Corvanta "
                         "Networks. Phrase is sent.";
    EXPECT_EQ(std::strlen(phrase), 91u);
    EXPECT_STREQ(kAuthPhrase, phrase);
}

TEST(Requests, Login) {
    const Bytes expected = Concat({
        {0x53, 0x57, 0x50, 0x31, 0x32, 0x33, 0x34, 0x35, 0x02, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E,
         0x01, 0x00, 0x65},
        {0x02, 0x06, 0x00, 0x0E, 0x8E, 0x12, 0x34, 0x56},
        {0x90, 0x5B},
        Text("ZOLA-4420 Client handshake is accepted. Greeting text by Corvanta Networks. "
             "Phrase is sent."),
    });
    const CPacketBuilder packet = BuildLogin(kHostMac, kDeviceMac);
    EXPECT_EQ(packet.PayloadLength(), 101);
    EXPECT_EQ(packet.Size(), 119);
    EXPECT_EQ(packet.Bytes(), expected);
}

TEST(Requests, LogoutIsHeaderOnly) {
    EXPECT_EQ(BuildLogout(kHostMac).Bytes(), Packet(0x02, {}));
}

TEST(Requests, GetConfigurationIsTwentyOneBytes) {
    const Bytes expected = {0x53, 0x57, 0x50, 0x31, 0x32, 0x33, 0x34, 0x35, 0x02, 0x00, 0x1A,
                            0x2B, 0x3C, 0x4D, 0x5E, 0x03, 0x00, 0x03, 0x93, 0x01, 0x00};
    EXPECT_EQ(BuildGetConfig(kHostMac).Bytes(), expected);
}

TEST(Requests, GetMode) {
    EXPECT_EQ(BuildGetMode(kHostMac).Bytes(), Packet(0x03, {0x00, 0x01, 0x00}));
}

TEST(Requests, SetModeSendsTheLowByte) {
    EXPECT_EQ(BuildSetMode(kHostMac, 2).Bytes(), Packet(0x04, {0x00, 0x01, 0x02}));
    EXPECT_EQ(BuildSetMode(kHostMac, 0x101).Bytes(), Packet(0x04, {0x00, 0x01, 0x01}));
}

TEST(Requests, StaticIpSetting) {
    IPConfig ip{};
    ip.IpMode = 0;
    ip.IP = 0xC0A8010A;      // 192.168.1.10
    ip.Mask = 0xFFFFFF00;    // 255.255.255.0
    ip.Gateway = 0xC0A80101; // 192.168.1.1
    ip.DNS1 = 0x08080808;
    const Bytes expected = {0x53, 0x57, 0x50, 0x31, 0x32, 0x33, 0x34, 0x35, 0x02, 0x00,
                            0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x04, 0x00, 0x15, 0x30, 0x01,
                            0x00, 0x31, 0x04, 0xC0, 0xA8, 0x01, 0x0A, 0x32, 0x04, 0xFF,
                            0xFF, 0xFF, 0x00, 0x33, 0x04, 0xC0, 0xA8, 0x01, 0x01};
    const CPacketBuilder packet = BuildIPSetting(kHostMac, ip);
    EXPECT_EQ(packet.PayloadLength(), 21);
    EXPECT_EQ(packet.Bytes(), expected);
}

TEST(Requests, DhcpIpSettingCarriesOnlyTheMode) {
    IPConfig ip{};
    ip.IpMode = 1;
    ip.IP = 0xC0A8010A;
    const CPacketBuilder packet = BuildIPSetting(kHostMac, ip);
    EXPECT_EQ(packet.PayloadLength(), 3);
    EXPECT_EQ(packet.Bytes(), Packet(0x04, {0x30, 0x01, 0x01}));

    ip.IpMode = 7; // any non-zero mode is DHCP
    EXPECT_EQ(BuildIPSetting(kHostMac, ip).Bytes(), Packet(0x04, {0x30, 0x01, 0x01}));
}

TEST(Requests, WirelessSettingWithChannelAndNoSecurity) {
    const WirelessProfile wl = Profile();
    EXPECT_EQ(BuildWlSetting(kHostMac, wl).Bytes(),
              Packet(0x04, {0x50, 0x04, 'H', 'o', 'm', 'e', 0x53, 0x01, 0x06, 0x52, 0x01, 0x01,
                            0x54, 0x01, 0x09, 0x60, 0x01, 0x00}));
}

TEST(Requests, WirelessSettingWithChannelZeroOmitsExtensionChannel) {
    WirelessProfile wl = Profile();
    wl.StdCh = 0;
    wl.ExtCh = 3;
    EXPECT_EQ(BuildWlSetting(kHostMac, wl).Bytes(),
              Packet(0x04, {0x50, 0x04, 'H', 'o', 'm', 'e', 0x53, 0x01, 0x00, 0x54, 0x01, 0x09,
                            0x60, 0x01, 0x00}));
}

TEST(Requests, WirelessSettingWithWep) {
    WirelessProfile wl = Profile();
    wl.Security = 1;
    wl.Auth = 2;
    wl.WepKeyLen = 1;
    wl.WepKeySlot = 1;
    std::strcpy(wl.WepKey, "12345");
    wl.WpaMode = 1;
    std::strcpy(wl.WpaKey, "ignored");
    EXPECT_EQ(BuildWlSetting(kHostMac, wl).Bytes(),
              Packet(0x04, {0x50, 0x04, 'H',  'o',  'm',  'e',  0x53, 0x01, 0x06, 0x52, 0x01,
                            0x01, 0x54, 0x01, 0x09, 0x60, 0x01, 0x01, 0x61, 0x01, 0x02, 0x63,
                            0x05, '1',  '2',  '3',  '4',  '5',  0x67, 0x01, 0x00}));
}

TEST(Requests, WirelessSettingWithWpaPsk) {
    WirelessProfile wl = Profile();
    wl.StdCh = 11;
    wl.ExtCh = 0;
    wl.WlMode = 7;
    wl.Security = 2;
    wl.WpaMode = 2;
    wl.WpaCipher = 1;
    std::strcpy(wl.WpaKey, "secret12");
    std::strcpy(wl.WepKey, "ignored");
    EXPECT_EQ(BuildWlSetting(kHostMac, wl).Bytes(),
              Packet(0x04, {0x50, 0x04, 'H',  'o',  'm',  'e',  0x53, 0x01, 0x0B, 0x52, 0x01, 0x00,
                            0x54, 0x01, 0x07, 0x60, 0x01, 0x02, 0x68, 0x01, 0x02, 0x69, 0x01, 0x01,
                            0x6A, 0x08, 's',  'e',  'c',  'r',  'e',  't',  '1',  '2'}));
}

TEST(Requests, OtherSecurityValuesSendNoKeys) {
    WirelessProfile wl = Profile();
    wl.StdCh = 0;
    wl.Security = 3;
    std::strcpy(wl.WpaKey, "secret12");
    EXPECT_EQ(BuildWlSetting(kHostMac, wl).Bytes(),
              Packet(0x04, {0x50, 0x04, 'H', 'o', 'm', 'e', 0x53, 0x01, 0x00, 0x54, 0x01, 0x09,
                            0x60, 0x01, 0x03}));

    // The whole integer chooses: 0x102 has low byte 2 but is not WPA-PSK.
    wl.Security = 0x102;
    EXPECT_EQ(BuildWlSetting(kHostMac, wl).Bytes(),
              Packet(0x04, {0x50, 0x04, 'H', 'o', 'm', 'e', 0x53, 0x01, 0x00, 0x54, 0x01, 0x09,
                            0x60, 0x01, 0x02}));
}

TEST(Requests, StationSetting) {
    WirelessProfile wl = Profile();
    wl.WlMode = 0;
    wl.Security = 2;
    wl.WpaMode = 0;
    wl.WpaCipher = 2;
    std::strcpy(wl.WpaKey, "pass1234");
    EXPECT_EQ(BuildWlStationSetting(kHostMac, wl).Bytes(),
              Packet(0x09, {0x50, 0x04, 'H',  'o',  'm',  'e',  0x59, 0x01, 0x01, 0x54, 0x01,
                            0x00, 0x60, 0x01, 0x02, 0x68, 0x01, 0x00, 0x69, 0x01, 0x02, 0x6A,
                            0x08, 'p',  'a',  's',  's',  '1',  '2',  '3',  '4'}));
}

TEST(Requests, StationSettingWithWep) {
    WirelessProfile wl = Profile();
    wl.Security = 1;
    wl.Auth = 0;
    std::strcpy(wl.WepKey, "A1B2C3D4E5");
    EXPECT_EQ(BuildWlStationSetting(kHostMac, wl).Bytes(),
              Packet(0x09, {0x50, 0x04, 'H',  'o',  'm',  'e',  0x59, 0x01, 0x01, 0x54, 0x01,
                            0x09, 0x60, 0x01, 0x01, 0x61, 0x01, 0x00, 0x63, 0x0A, 'A',  '1',
                            'B',  '2',  'C',  '3',  'D',  '4',  'E',  '5',  0x67, 0x01, 0x00}));
}

TEST(Requests, SsidOfThirtyTwoCharactersHasNoTerminator) {
    WirelessProfile wl = Profile();
    std::memset(wl.SSID, 'S', 32);
    wl.SSID[32] = '\0';
    const CPacketBuilder packet = BuildWlSetting(kHostMac, wl);
    EXPECT_EQ(packet.Data()[18], 0x50);
    EXPECT_EQ(packet.Data()[19], 32);
    EXPECT_EQ(packet.Data()[20 + 31], 'S');
    EXPECT_EQ(packet.Data()[20 + 32], 0x53); // WL_STD_CH follows at once
}

TEST(Requests, UnterminatedFieldsAreCutToTheirSize) {
    WirelessProfile wl = Profile();
    std::memset(wl.SSID, 'S', sizeof(wl.SSID));
    std::memset(wl.ChList, 'C', sizeof(wl.ChList));
    wl.Security = 1;
    std::memset(wl.WepKey, 'K', sizeof(wl.WepKey));

    const CPacketBuilder packet = BuildWlSetting(kHostMac, wl);
    EXPECT_EQ(packet.Data()[19], 32);
    const uint8_t* wepKey = packet.Data() + 18 + 34 + 3 + 3 + 3 + 3 + 3;
    EXPECT_EQ(wepKey[0], 0x63);
    EXPECT_EQ(wepKey[1], 127);

    const CPacketBuilder station = BuildStaWPSPIN(kHostMac, wl);
    EXPECT_EQ(station.Data()[18], 0x6C);
    EXPECT_EQ(station.Data()[19], 32);
    EXPECT_EQ(station.PayloadLength(), 34);
}

TEST(Requests, EmptySsid) {
    WirelessProfile wl = Profile();
    wl.SSID[0] = '\0';
    wl.StdCh = 0;
    EXPECT_EQ(BuildWlSetting(kHostMac, wl).Bytes(),
              Packet(0x04, {0x50, 0x00, 0x53, 0x01, 0x00, 0x54, 0x01, 0x09, 0x60, 0x01, 0x00}));
    EXPECT_EQ(BuildStaWPSPIN(kHostMac, wl).Bytes(), Packet(0x04, {0x6C, 0x00}));
}

TEST(Requests, WpsPushButton) {
    const CPacketBuilder packet = BuildWPSPBC(kHostMac);
    EXPECT_EQ(packet.PayloadLength(), 2);
    EXPECT_EQ(packet.Bytes(), Packet(0x04, {0x6B, 0x00}));
}

TEST(Requests, AccessPointWpsPinIsEightZeroPaddedDigits) {
    EXPECT_EQ(BuildWPSPIN(kHostMac, 1234).Bytes(),
              Packet(0x04, {0x6C, 0x08, '0', '0', '0', '0', '1', '2', '3', '4'}));
    EXPECT_EQ(BuildWPSPIN(kHostMac, 12345670).Bytes(),
              Packet(0x04, {0x6C, 0x08, '1', '2', '3', '4', '5', '6', '7', '0'}));
    EXPECT_EQ(BuildWPSPIN(kHostMac, 0).Bytes(),
              Packet(0x04, {0x6C, 0x08, '0', '0', '0', '0', '0', '0', '0', '0'}));
    EXPECT_EQ(BuildWPSPIN(kHostMac, 99999999).Bytes(),
              Packet(0x04, {0x6C, 0x08, '9', '9', '9', '9', '9', '9', '9', '9'}));
}

TEST(Requests, WpsPinOutOfRangeStaysEightDigits) {
    // The last eight digits of the magnitude: never a sign, never a ninth byte.
    EXPECT_EQ(BuildWPSPIN(kHostMac, -1234).Bytes(),
              Packet(0x04, {0x6C, 0x08, '0', '0', '0', '0', '1', '2', '3', '4'}));
    EXPECT_EQ(BuildWPSPIN(kHostMac, 123456789).Bytes(),
              Packet(0x04, {0x6C, 0x08, '2', '3', '4', '5', '6', '7', '8', '9'}));
    EXPECT_EQ(BuildWPSPIN(kHostMac, INT_MAX).Bytes(),
              Packet(0x04, {0x6C, 0x08, '4', '7', '4', '8', '3', '6', '4', '7'}));
    EXPECT_EQ(BuildWPSPIN(kHostMac, INT_MIN).Bytes(),
              Packet(0x04, {0x6C, 0x08, '4', '7', '4', '8', '3', '6', '4', '8'}));
}

TEST(Requests, StationWpsPinCarriesTheSsidText) {
    WirelessProfile wl = Profile();
    std::strcpy(wl.SSID, "Office AP");
    wl.PinNumber = 1234;
    EXPECT_EQ(BuildStaWPSPIN(kHostMac, wl).Bytes(),
              Packet(0x04, {0x6C, 0x09, 'O', 'f', 'f', 'i', 'c', 'e', ' ', 'A', 'P'}));
}

TEST(Requests, SiteSurveyAndStationGetConfigurationAreHeaderOnly) {
    EXPECT_EQ(BuildSiteSurvey(kHostMac).Bytes(), Packet(0x07, {}));
    EXPECT_EQ(BuildStationGetConfig(kHostMac).Bytes(), Packet(0x08, {}));
}

// ---------------------------------------------------------------------------
// TLV walk

TEST(TlvWalk, HandsEveryTlvInOrderUpToTheExactEnd) {
    CLogCapture log;
    WalkResult result{};
    const auto seen = Walk({0x91, 0x01, 0x01, 0x6B, 0x00, 0x92, 0x02, 0x15, 0x40}, &result);
    EXPECT_EQ(result, WalkResult::Complete);
    const std::vector<Seen> expected = {{0x91, {0x01}}, {0x6B, {}}, {0x92, {0x15, 0x40}}};
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(log.Lines().isEmpty());
}

TEST(TlvWalk, OverrunStopsAndKeepsEarlierTlvs) {
    CLogCapture log;
    WalkResult result{};
    const auto seen = Walk({0x91, 0x01, 0x01, 0x92, 0x05, 0x15}, &result);
    EXPECT_EQ(result, WalkResult::Truncated);
    const std::vector<Seen> expected = {{0x91, {0x01}}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(log.Lines(), QStringList{"  not enough bytes in buffer"});
}

TEST(TlvWalk, OverrunByOneByte) {
    CLogCapture log;
    WalkResult result{};
    const auto seen = Walk({0x91, 0x01, 0x01, 0x6C, 0x04, 0x31, 0x32, 0x33}, &result);
    EXPECT_EQ(result, WalkResult::Truncated);
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(log.Lines(), QStringList{"  not enough bytes in buffer"});
}

TEST(TlvWalk, LengthOfTwoHundredFiftyFiveNearTheEnd) {
    CLogCapture log;
    WalkResult result{};
    EXPECT_TRUE(Walk({0x01, 0xFF}, &result).empty());
    EXPECT_EQ(result, WalkResult::Truncated);
    EXPECT_EQ(log.Lines(), QStringList{"  not enough bytes in buffer"});
}

TEST(TlvWalk, SingleByteIsNoTlv) {
    CLogCapture log;
    WalkResult result{};
    EXPECT_TRUE(Walk({0x91}, &result).empty());
    EXPECT_EQ(result, WalkResult::Complete);
    EXPECT_TRUE(log.Lines().isEmpty());
}

TEST(TlvWalk, TrailingByteIsIgnored) {
    CLogCapture log;
    WalkResult result{};
    const auto seen = Walk({0x91, 0x01, 0x01, 0x95}, &result);
    EXPECT_EQ(result, WalkResult::Complete);
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_TRUE(log.Lines().isEmpty());
}

TEST(TlvWalk, EmptyPayload) {
    CLogCapture log;
    WalkResult result{};
    EXPECT_TRUE(Walk({}, &result).empty());
    EXPECT_EQ(result, WalkResult::Complete);
    EXPECT_TRUE(log.Lines().isEmpty());
}

TEST(TlvWalk, ReadsOnlyTheGivenTotal) {
    // The declared total is shorter than the bytes at hand: the rest is not read.
    const Bytes bytes = {0x91, 0x01, 0x01, 0x92, 0x02, 0x15, 0x40};
    int count = 0;
    EXPECT_EQ(WalkTLVs(bytes.data(), 3, [&](const Tlv&) { ++count; }), WalkResult::Complete);
    EXPECT_EQ(count, 1);
}

TEST(TlvValue, FixedSizeReads) {
    const uint8_t value[4] = {0xFF, 0xFF, 0xFF, 0xFE};
    const Tlv tlv{0x96, 4, value};
    EXPECT_EQ(tlv.U8(), 0xFF);
    EXPECT_EQ(tlv.U16(), 0xFFFF);
    EXPECT_EQ(tlv.U32(), 0xFFFFFFFEu);
    EXPECT_EQ(tlv.I32(), -2);
}

TEST(TlvValue, ShortValueCountsMissingBytesAsZero) {
    // Heap copies of exactly the value bytes: reading past them would be caught.
    const std::vector<uint8_t> two = {0x12, 0x34};
    const Tlv tlv2{0x96, 2, two.data()};
    EXPECT_EQ(tlv2.U32(), 0x12340000u);
    EXPECT_EQ(tlv2.U16(), 0x1234);

    const std::vector<uint8_t> one = {0x15};
    const Tlv tlv1{0x92, 1, one.data()};
    EXPECT_EQ(tlv1.U16(), 0x1500);
    EXPECT_EQ(tlv1.U8(), 0x15);

    const Tlv empty{0x91, 0, nullptr};
    EXPECT_EQ(empty.U8(), 0);
    EXPECT_EQ(empty.U16(), 0);
    EXPECT_EQ(empty.U32(), 0u);
}

TEST(TlvValue, LongerValueReadsItsFirstBytes) {
    const uint8_t value[6] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    const Tlv tlv{0x31, 6, value};
    EXPECT_EQ(tlv.U8(), 0x01);
    EXPECT_EQ(tlv.U16(), 0x0102);
    EXPECT_EQ(tlv.U32(), 0x01020304u);
}

TEST(TlvValue, CopyTextCutsAndTerminates) {
    const std::vector<uint8_t> value = {'A', 'B', 'C', 'D', 'E', 'F'};
    const Tlv tlv{0x01, 6, value.data()};

    char small[4];
    std::memset(small, 'x', sizeof(small));
    EXPECT_EQ(tlv.CopyText(small, sizeof(small)), 3u);
    EXPECT_STREQ(small, "ABC");

    char exact[7];
    EXPECT_EQ(tlv.CopyText(exact, sizeof(exact)), 6u);
    EXPECT_STREQ(exact, "ABCDEF");

    char one[1] = {'x'};
    EXPECT_EQ(tlv.CopyText(one, 1), 0u);
    EXPECT_EQ(one[0], '\0');

    char untouched = 'x';
    EXPECT_EQ(tlv.CopyText(&untouched, 0), 0u);
    EXPECT_EQ(untouched, 'x');

    char field[12];
    std::memset(field, 'x', sizeof(field));
    EXPECT_EQ((Tlv{0x6C, 0, nullptr}).CopyText(field, sizeof(field)), 0u);
    EXPECT_STREQ(field, "");
}

// ---------------------------------------------------------------------------
// Survey

namespace {

// One record written field by field from the survey layout; signal and
// channel are up to three characters, NUL-padded.
Bytes Record(uint8_t highlight, const char* ssid, const std::string& signal,
             const std::string& channel, uint8_t encryption, uint8_t authentication, uint8_t kind,
             uint8_t wps) {
    Bytes record(49, 0);
    record[0] = highlight;
    std::memcpy(record.data() + 1, ssid, std::min<size_t>(std::strlen(ssid), 32));
    const uint8_t bssid[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    std::memcpy(record.data() + 33, bssid, 6);
    std::memcpy(record.data() + 39, signal.data(), std::min<size_t>(signal.size(), 3));
    std::memcpy(record.data() + 42, channel.data(), std::min<size_t>(channel.size(), 3));
    record[45] = encryption;
    record[46] = authentication;
    record[47] = kind;
    record[48] = wps;
    return record;
}

int Decimal(const char* text, size_t size) {
    return DecimalField(reinterpret_cast<const uint8_t*>(text), size);
}

} // namespace

TEST(Survey, RecordFields) {
    const Bytes record = Record(1, "Cafe", " 85", "  6", 3, 2, 0, 1);
    const _tag_AP_ROFIILE ap = ParseSurveyRecord(record.data());
    EXPECT_TRUE(ap.Highlighted);
    EXPECT_STREQ(ap.SSID, "Cafe");
    const uint8_t bssid[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    EXPECT_EQ(0, std::memcmp(ap.BSSID, bssid, 6));
    EXPECT_EQ(ap.Signal, 85);
    EXPECT_EQ(ap.Channel, 6);
    EXPECT_EQ(ap.Encryption, 3);
    EXPECT_EQ(ap.Authentication, 2);
    EXPECT_EQ(ap.NetworkKind, 0);
    EXPECT_TRUE(ap.WpsCapable);

    const _tag_AP_ROFIILE plain =
        ParseSurveyRecord(Record(0, "x", "100", "165", 0, 0, 7, 0).data());
    EXPECT_FALSE(plain.Highlighted);
    EXPECT_FALSE(plain.WpsCapable);
    EXPECT_EQ(plain.NetworkKind, 7);
    EXPECT_EQ(plain.Signal, 100);
    EXPECT_EQ(plain.Channel, 165);
}

TEST(Survey, HighlightAndWpsAreAnyNonZeroByte) {
    const _tag_AP_ROFIILE ap = ParseSurveyRecord(Record(0x80, "x", "1", "1", 0, 0, 0, 0xFF).data());
    EXPECT_TRUE(ap.Highlighted);
    EXPECT_TRUE(ap.WpsCapable);
}

TEST(Survey, SsidFillingAllThirtyTwoBytes) {
    const std::string ssid(32, 'W');
    Bytes record = Record(0, ssid.c_str(), "50", "11", 0, 0, 0, 0);
    const _tag_AP_ROFIILE ap = ParseSurveyRecord(record.data());
    EXPECT_EQ(std::strlen(ap.SSID), 32u);
    EXPECT_EQ(std::string(ap.SSID), ssid);
}

TEST(Survey, SsidStopsAtFirstNul) {
    Bytes record = Record(0, "abc", "50", "11", 0, 0, 0, 0);
    record[5] = 'z'; // after the NUL at 4
    EXPECT_STREQ(ParseSurveyRecord(record.data()).SSID, "abc");
}

TEST(Survey, SignalFollowedByNul) {
    const Bytes record = Record(0, "x", std::string("85\0", 3), "1", 0, 0, 0, 0);
    EXPECT_EQ(record[41], 0x00);
    EXPECT_EQ(ParseSurveyRecord(record.data()).Signal, 85);
}

TEST(Survey, WholeRecordsOnly) {
    const Bytes two = Concat(
        {Record(0, "one", " 10", "  1", 0, 0, 0, 0), Record(0, "two", " 20", "  2", 1, 0, 0, 1)});
    ASSERT_EQ(two.size(), 98u);
    const std::vector<uint8_t> exact98(two);
    const auto list = ParseSurvey(exact98.data(), exact98.size());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_STREQ(list[0].SSID, "one");
    EXPECT_STREQ(list[1].SSID, "two");
    EXPECT_EQ(list[1].Signal, 20);

    const std::vector<uint8_t> exact97(two.begin(), two.end() - 1);
    const auto shorter = ParseSurvey(exact97.data(), exact97.size());
    ASSERT_EQ(shorter.size(), 1u);
    EXPECT_STREQ(shorter[0].SSID, "one");

    EXPECT_TRUE(ParseSurvey(exact97.data(), 48).empty());
    EXPECT_TRUE(ParseSurvey(exact97.data(), 0).empty());
    EXPECT_TRUE(ParseSurvey(nullptr, 0).empty());
}

TEST(DecimalField, LikeTheCLibrary) {
    EXPECT_EQ(Decimal("85\0", 3), 85);
    EXPECT_EQ(Decimal(" 85", 3), 85);
    EXPECT_EQ(Decimal("  6", 3), 6);
    EXPECT_EQ(Decimal("\t\n7", 3), 7);
    EXPECT_EQ(Decimal("\v\f\r", 3), 0);
    EXPECT_EQ(Decimal("100", 3), 100);
    EXPECT_EQ(Decimal("007", 3), 7);
    EXPECT_EQ(Decimal("-5 ", 3), -5);
    EXPECT_EQ(Decimal("+42", 3), 42);
    EXPECT_EQ(Decimal("12a", 3), 12);
    EXPECT_EQ(Decimal("1 2", 3), 1);
    EXPECT_EQ(Decimal("abc", 3), 0);
    EXPECT_EQ(Decimal("\0\0\0", 3), 0);
    EXPECT_EQ(Decimal("---", 3), 0);
    EXPECT_EQ(Decimal("- 5", 3), 0);
    EXPECT_EQ(Decimal("   ", 3), 0);
}

TEST(DecimalField, ReadsOnlyItsSize) {
    EXPECT_EQ(Decimal("123456", 3), 123);
    EXPECT_EQ(Decimal("9", 0), 0);
    EXPECT_EQ(DecimalField(nullptr, 3), 0);
}

TEST(DecimalField, SaturatesInsteadOfOverflowing) {
    EXPECT_EQ(Decimal("2147483647", 10), INT_MAX);
    EXPECT_EQ(Decimal("99999999999999999999999", 23), INT_MAX);
    EXPECT_EQ(Decimal("-2147483648", 11), INT_MIN);
    EXPECT_EQ(Decimal("-99999999999999999999999", 24), INT_MIN);
}

TEST(Survey, EncodeWritesTheWireLayout) {
    _tag_AP_ROFIILE ap{};
    ap.Highlighted = true;
    std::strcpy(ap.SSID, "Cafe");
    const uint8_t bssid[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    std::memcpy(ap.BSSID, bssid, 6);
    ap.Signal = 85;
    ap.Channel = 6;
    ap.Encryption = 3;
    ap.Authentication = 2;
    ap.NetworkKind = 0;
    ap.WpsCapable = true;
    const auto record = EncodeSurveyRecord(ap);
    const Bytes expected = Record(1, "Cafe", " 85", "  6", 3, 2, 0, 1);
    EXPECT_EQ(Bytes(record.begin(), record.end()), expected);
}

TEST(Survey, EncodeThenParseRoundTrip) {
    _tag_AP_ROFIILE ap{};
    std::memset(ap.SSID, 'Q', 32);
    ap.Signal = 0;
    ap.Channel = 165;
    ap.Encryption = 4;
    ap.Authentication = 7;
    ap.NetworkKind = 1;
    const auto record = EncodeSurveyRecord(ap);
    const _tag_AP_ROFIILE back = ParseSurveyRecord(record.data());
    EXPECT_EQ(std::string(back.SSID), std::string(32, 'Q'));
    EXPECT_EQ(back.Signal, 0);
    EXPECT_EQ(back.Channel, 165);
    EXPECT_EQ(back.Encryption, 4);
    EXPECT_EQ(back.Authentication, 7);
    EXPECT_EQ(back.NetworkKind, 1);
    EXPECT_FALSE(back.Highlighted);
    EXPECT_FALSE(back.WpsCapable);
}

TEST(Survey, EncodeClampsNumbersToThreeCharacters) {
    _tag_AP_ROFIILE ap{};
    std::memset(ap.SSID, 'Z', sizeof(ap.SSID)); // no terminator: 32 bytes sent
    ap.Signal = 1500;
    ap.Channel = -3;
    const auto record = EncodeSurveyRecord(ap);
    EXPECT_EQ(record[32], 'Z');
    EXPECT_EQ(record[33], 0x00); // BSSID starts after 32 SSID bytes
    EXPECT_EQ(Bytes(record.begin() + 39, record.begin() + 45),
              (Bytes{'9', '9', '9', ' ', ' ', '0'}));
    const _tag_AP_ROFIILE back = ParseSurveyRecord(record.data());
    EXPECT_EQ(back.Signal, 999);
    EXPECT_EQ(back.Channel, 0);
}

namespace {

// The secret flags of a packet's payload as text: '*' hidden, '.' shown.
std::string PayloadSecrets(uint8_t opcode, const Bytes& payload) {
    const Bytes packet = Packet(opcode, payload);
    const std::vector<bool> secret = SecretBytes(packet.data(), packet.size());
    if (secret.empty())
        return std::string(payload.size(), '.');
    EXPECT_EQ(secret.size(), packet.size());
    EXPECT_EQ(std::count(secret.begin(), secret.begin() + kHeaderSize, true), 0);
    std::string flags;
    for (size_t i = kHeaderSize; i < secret.size(); ++i)
        flags += secret[i] ? '*' : '.';
    return flags;
}

} // namespace

TEST(SecretBytes, OnlyTheValuesOfTheKeysAreHidden) {
    const struct {
        const char* name;
        uint8_t opcode;
        Bytes payload;
        const char* flags;
    } cases[] = {
        {"WEP key after the SSID",
         OP_SET_CONFIG,
         {0x50, 0x02, 'A', 'B', 0x63, 0x03, 'k', 'e', 'y'},
         "......***"},
        {"WPA key before the mode",
         OP_STA_SET_CONFIG,
         {0x6A, 0x02, 'p', 'w', 0x60, 0x01, 0x02},
         "..**..."},
        {"key in a configuration reply",
         OP_GET_CONFIG,
         {0x91, 0x01, 0x01, 0x6A, 0x01, 'z'},
         ".....*"},
        {"key cut short by the end", OP_SET_CONFIG, {0x6A, 0x09, 'a', 'b'}, "..**"},
        {"WPS PIN of a request", OP_SET_CONFIG, {0x6C, 0x03, '1', '2', '3'}, "..***"},
        {"PIN text of a client", OP_STA_GET_CONFIG, {0x59, 0x01, 0x01, 0x6C, 0x01, '7'}, ".....*"},
        {"empty key, then a key", OP_SET_CONFIG, {0x63, 0x00, 0x6A, 0x01, 'z'}, "....*"},
        {"one trailing byte", OP_SET_CONFIG, {0x63, 0x01, 'k', 0x6A}, "..*."},
        {"a key type as a value", OP_SET_CONFIG, {0x50, 0x02, 0x63, 0x6A}, "...."},
        {"survey records are not TLVs", OP_SITE_SURVEY, {0x63, 0x02, 'x', 'y'}, "...."},
        {"no payload", OP_LOGOUT, {}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PayloadSecrets(c.opcode, c.payload), c.flags) << c.name;
    EXPECT_TRUE(SecretBytes(nullptr, 40).empty());
    const Bytes header = Packet(OP_SET_CONFIG, {});
    EXPECT_TRUE(SecretBytes(header.data(), 10).empty());
}
