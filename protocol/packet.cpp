#include "protocol/packet.h"

#include "settings/debug.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace swp {

const char kAuthPhrase[] = "ZOLA-4420 Client handshake is accepted. Greeting text by Corvanta "
                           "Networks. Phrase is sent.";
static_assert(sizeof(kAuthPhrase) - 1 == kAuthPhraseLength);

namespace {

constexpr size_t kMaxPayload = kRequestBufferSize - kHeaderSize;
constexpr size_t kSsidField = sizeof(WirelessProfile::SSID);
constexpr size_t kKeyField = sizeof(WirelessProfile::WepKey);
static_assert(sizeof(WirelessProfile::WpaKey) == kKeyField);

constexpr int kSsidOffset = 1;
constexpr int kSsidSize = 32;
constexpr int kBssidOffset = 33;
constexpr int kSignalOffset = 39;
constexpr int kChannelOffset = 42;
constexpr int kNumberSize = 3;
constexpr int kEncryptionOffset = 45;
constexpr int kAuthenticationOffset = 46;
constexpr int kKindOffset = 47;
constexpr int kWpsOffset = 48;

uint8_t LowByte(int value) {
    return static_cast<uint8_t>(value & 0xFF);
}

bool IsBlank(uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void AppendSecurity(CPacketBuilder& packet, const WirelessProfile& wl) {
    switch (wl.Security) {
    case 1: // WEP
        packet.AppendByte(WL_AUTH_MODE, LowByte(wl.Auth));
        packet.AppendText(WL_WEPKEY, wl.WepKey, kKeyField - 1);
        packet.AppendByte(WL_WEPKEY_INDEX, 0);
        break;
    case 2: // WPA-PSK
        packet.AppendByte(WL_WPA_MODE, LowByte(wl.WpaMode));
        packet.AppendByte(WL_WPA_CIPHER, LowByte(wl.WpaCipher));
        packet.AppendText(WL_WPA_PSK, wl.WpaKey, kKeyField - 1);
        break;
    default:
        break;
    }
}

// Three characters right-aligned and blank-padded, like "%3d" of a value
// already clamped to 0..999.
void EncodeNumber(uint8_t* field, int value) {
    value = std::clamp(value, 0, 999);
    for (int i = kNumberSize - 1; i >= 0; --i) {
        if (value > 0 || i == kNumberSize - 1) {
            field[i] = static_cast<uint8_t>('0' + value % 10);
            value /= 10;
        } else {
            field[i] = ' ';
        }
    }
}

} // namespace

bool ParseHeader(const uint8_t* data, size_t length, PacketHeader& header) {
    if (data == nullptr || length < static_cast<size_t>(kHeaderSize))
        return false;
    std::memcpy(header.mac, data + kMacOffset, sizeof(header.mac));
    header.opcode = data[kOpcodeOffset];
    header.payloadLength =
        static_cast<uint16_t>((data[kLengthOffset] << 8) | data[kLengthOffset + 1]);
    return true;
}

// ---------------------------------------------------------------------------
// CPacketBuilder

CPacketBuilder::CPacketBuilder(const uint8_t senderMac[6], uint8_t opcode) {
    std::memcpy(m_Buffer.data(), kMagic, sizeof(kMagic));
    m_Buffer[sizeof(kMagic)] = kVersion;
    SetSenderMac(senderMac);
    SetOpcode(opcode);
    StoreLength();
}

void CPacketBuilder::SetOpcode(uint8_t opcode) {
    m_Buffer[kOpcodeOffset] = opcode;
}

void CPacketBuilder::SetSenderMac(const uint8_t mac[6]) {
    if (mac != nullptr)
        std::memcpy(m_Buffer.data() + kMacOffset, mac, 6);
    else
        std::memset(m_Buffer.data() + kMacOffset, 0, 6);
}

bool CPacketBuilder::AppendTLV(uint8_t type, const void* value, uint8_t length) {
    if (value == nullptr && length != 0)
        return false;
    if (kMaxPayload - m_Offset < 2u + length)
        return false;
    uint8_t* at = m_Buffer.data() + kHeaderSize + m_Offset;
    at[0] = type;
    at[1] = length;
    if (length != 0)
        std::memcpy(at + 2, value, length);
    m_Offset = static_cast<uint16_t>(m_Offset + 2 + length);
    StoreLength();
    return true;
}

bool CPacketBuilder::AppendByte(uint8_t type, uint8_t value) {
    return AppendTLV(type, &value, 1);
}

bool CPacketBuilder::AppendU16(uint8_t type, uint16_t value) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    return AppendTLV(type, bytes, sizeof(bytes));
}

bool CPacketBuilder::AppendU32(uint8_t type, uint32_t value) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                              static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    return AppendTLV(type, bytes, sizeof(bytes));
}

bool CPacketBuilder::AppendText(uint8_t type, const char* text, size_t maxLength) {
    const size_t cap = std::min<size_t>(maxLength, 255);
    const size_t length = text != nullptr ? strnlen(text, cap) : 0;
    return AppendTLV(type, text, static_cast<uint8_t>(length));
}

bool CPacketBuilder::AppendRaw(const void* data, size_t length) {
    if (data == nullptr && length != 0)
        return false;
    if (length > kMaxPayload - m_Offset)
        return false;
    if (length != 0)
        std::memcpy(m_Buffer.data() + kHeaderSize + m_Offset, data, length);
    m_Offset = static_cast<uint16_t>(m_Offset + length);
    StoreLength();
    return true;
}

std::vector<uint8_t> CPacketBuilder::Bytes() const {
    return std::vector<uint8_t>(m_Buffer.begin(), m_Buffer.begin() + Size());
}

void CPacketBuilder::StoreLength() {
    m_Buffer[kLengthOffset] = static_cast<uint8_t>(m_Offset >> 8);
    m_Buffer[kLengthOffset + 1] = static_cast<uint8_t>(m_Offset);
}

// ---------------------------------------------------------------------------
// Requests

CPacketBuilder BuildDiscover(const uint8_t hostMac[6]) {
    return CPacketBuilder(hostMac, OP_DISCOVER);
}

CPacketBuilder BuildLogin(const uint8_t hostMac[6], const uint8_t deviceMac[6]) {
    CPacketBuilder packet(hostMac, OP_LOGIN);
    const uint8_t none[6] = {};
    packet.AppendTLV(DEVICE_MAC, deviceMac != nullptr ? deviceMac : none, 6);
    packet.AppendTLV(TLVTYPE_OTHER_AUTH_PHRASE, kAuthPhrase, kAuthPhraseLength);
    return packet;
}

CPacketBuilder BuildLogout(const uint8_t hostMac[6]) {
    return CPacketBuilder(hostMac, OP_LOGOUT);
}

CPacketBuilder BuildGetConfig(const uint8_t hostMac[6]) {
    CPacketBuilder packet(hostMac, OP_GET_CONFIG);
    packet.AppendByte(TLVTYPE_OTHER_GET_ALL, 0);
    return packet;
}

CPacketBuilder BuildGetMode(const uint8_t hostMac[6]) {
    CPacketBuilder packet(hostMac, OP_GET_CONFIG);
    packet.AppendByte(DEVICE_MODE, 0);
    return packet;
}

CPacketBuilder BuildIPSetting(const uint8_t hostMac[6], const IPConfig& ip) {
    CPacketBuilder packet(hostMac, OP_SET_CONFIG);
    if (ip.IpMode != 0) {
        packet.AppendByte(IP_MODE, 1);
    } else {
        packet.AppendByte(IP_MODE, 0);
        packet.AppendU32(LAN_IP, ip.IP);
        packet.AppendU32(LAN_NETMASK, ip.Mask);
        packet.AppendU32(LAN_GATEWAY, ip.Gateway);
    }
    return packet;
}

CPacketBuilder BuildSetMode(const uint8_t hostMac[6], int mode) {
    CPacketBuilder packet(hostMac, OP_SET_CONFIG);
    packet.AppendByte(DEVICE_MODE, LowByte(mode));
    return packet;
}

CPacketBuilder BuildWlSetting(const uint8_t hostMac[6], const WirelessProfile& wl) {
    CPacketBuilder packet(hostMac, OP_SET_CONFIG);
    packet.AppendText(WL_SSID, wl.SSID, kSsidField - 1);
    packet.AppendByte(WL_STD_CH, wl.StdCh);
    if (wl.StdCh != 0)
        packet.AppendByte(WL_EXT_CH, wl.ExtCh);
    packet.AppendByte(WL_WIRELESS_MODE, LowByte(wl.WlMode));
    packet.AppendByte(WL_SECURITY_MODE, LowByte(wl.Security));
    AppendSecurity(packet, wl);
    return packet;
}

CPacketBuilder BuildWlStationSetting(const uint8_t hostMac[6], const WirelessProfile& wl) {
    CPacketBuilder packet(hostMac, OP_STA_SET_CONFIG);
    packet.AppendText(WL_SSID, wl.SSID, kSsidField - 1);
    packet.AppendByte(WL_STA_FLAG, 1);
    packet.AppendByte(WL_WIRELESS_MODE, LowByte(wl.WlMode));
    packet.AppendByte(WL_SECURITY_MODE, LowByte(wl.Security));
    AppendSecurity(packet, wl);
    return packet;
}

CPacketBuilder BuildWPSPBC(const uint8_t hostMac[6]) {
    CPacketBuilder packet(hostMac, OP_SET_CONFIG);
    packet.AppendTLV(WL_WPS_PBC, nullptr, 0);
    return packet;
}

// Always eight ASCII digits, as "%08d" prints a PIN of 0..99999999. A number
// outside that range (negative, or more than eight digits) is sent as the last
// eight digits of its magnitude instead of a sign or a ninth character.
CPacketBuilder BuildWPSPIN(const uint8_t hostMac[6], int pinNumber) {
    CPacketBuilder packet(hostMac, OP_SET_CONFIG);
    long long magnitude = pinNumber;
    if (magnitude < 0)
        magnitude = -magnitude;
    magnitude %= 100000000LL;
    char digits[8];
    for (int i = 7; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    }
    packet.AppendTLV(WL_WPS_PIN, digits, sizeof(digits));
    return packet;
}

CPacketBuilder BuildStaWPSPIN(const uint8_t hostMac[6], const WirelessProfile& wl) {
    CPacketBuilder packet(hostMac, OP_SET_CONFIG);
    packet.AppendText(WL_WPS_PIN, wl.SSID, kSsidField - 1);
    return packet;
}

CPacketBuilder BuildSiteSurvey(const uint8_t hostMac[6]) {
    return CPacketBuilder(hostMac, OP_SITE_SURVEY);
}

CPacketBuilder BuildStationGetConfig(const uint8_t hostMac[6]) {
    return CPacketBuilder(hostMac, OP_STA_GET_CONFIG);
}

// ---------------------------------------------------------------------------
// Replies

size_t Tlv::CopyText(char* dst, size_t size) const {
    if (dst == nullptr || size == 0)
        return 0;
    const size_t count = value != nullptr ? std::min<size_t>(length, size - 1) : 0;
    if (count != 0)
        CopyBytes(dst, value, count);
    std::memset(dst + count, 0, size - count);
    return count;
}

[[gnu::noinline]] void CopyBytes(void* dst, const void* src, size_t count) {
    std::memcpy(dst, src, count);
}

void NoteTruncatedTlv() {
    DebugLog("  not enough bytes in buffer");
}

std::vector<bool> SecretBytes(const uint8_t* packet, size_t length) {
    std::vector<bool> secret;
    if (packet == nullptr || length <= kHeaderSize || packet[kOpcodeOffset] == OP_SITE_SURVEY)
        return secret;
    // The packet's own length, not the header's, bounds the walk: a header
    // that claims less must not leave a key in view.
    for (size_t offset = kHeaderSize; offset + 2 <= length;) {
        const uint8_t type = packet[offset];
        const size_t end = std::min(length, offset + 2 + packet[offset + 1]);
        if (type == WL_WEPKEY || type == WL_WPA_PSK || type == WL_WPS_PIN) {
            secret.resize(length, false);
            std::fill(secret.begin() + static_cast<std::ptrdiff_t>(offset + 2),
                      secret.begin() + static_cast<std::ptrdiff_t>(end), true);
        }
        offset = end;
    }
    return secret;
}

// ---------------------------------------------------------------------------
// Survey

// Like atoi over a field that need not be terminated, but a value beyond the
// range of int saturates instead of overflowing.
int DecimalField(const uint8_t* field, size_t size) {
    if (field == nullptr)
        return 0;
    size_t i = 0;
    while (i < size && IsBlank(field[i]))
        ++i;
    bool negative = false;
    if (i < size && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < size && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

int SignalPercent(int signal) {
    return std::clamp(signal, 0, 100);
}

_tag_AP_ROFIILE ParseSurveyRecord(const uint8_t* record) {
    _tag_AP_ROFIILE ap{};
    if (record == nullptr)
        return ap;
    ap.Highlighted = record[0] != 0;
    const uint8_t* ssid = record + kSsidOffset;
    const size_t ssidLength = std::find(ssid, ssid + kSsidSize, 0) - ssid;
    std::memcpy(ap.SSID, ssid, ssidLength);
    std::memcpy(ap.BSSID, record + kBssidOffset, sizeof(ap.BSSID));
    ap.Signal = DecimalField(record + kSignalOffset, kNumberSize);
    ap.Channel = DecimalField(record + kChannelOffset, kNumberSize);
    ap.Encryption = record[kEncryptionOffset];
    ap.Authentication = record[kAuthenticationOffset];
    ap.NetworkKind = record[kKindOffset];
    ap.WpsCapable = record[kWpsOffset] != 0;
    return ap;
}

std::vector<_tag_AP_ROFIILE> ParseSurvey(const uint8_t* payload, size_t length) {
    std::vector<_tag_AP_ROFIILE> list;
    if (payload == nullptr)
        return list;
    for (size_t offset = 0; length - offset >= static_cast<size_t>(kSurveyRecordSize);
         offset += kSurveyRecordSize)
        list.push_back(ParseSurveyRecord(payload + offset));
    return list;
}

std::array<uint8_t, kSurveyRecordSize> EncodeSurveyRecord(const _tag_AP_ROFIILE& ap) {
    std::array<uint8_t, kSurveyRecordSize> record{};
    record[0] = ap.Highlighted ? 1 : 0;
    std::memcpy(record.data() + kSsidOffset, ap.SSID, strnlen(ap.SSID, kSsidSize));
    std::memcpy(record.data() + kBssidOffset, ap.BSSID, sizeof(ap.BSSID));
    EncodeNumber(record.data() + kSignalOffset, ap.Signal);
    EncodeNumber(record.data() + kChannelOffset, ap.Channel);
    record[kEncryptionOffset] = ap.Encryption;
    record[kAuthenticationOffset] = ap.Authentication;
    record[kKindOffset] = ap.NetworkKind;
    record[kWpsOffset] = ap.WpsCapable ? 1 : 0;
    return record;
}

} // namespace swp
