#pragma once
// The device protocol's wire format: an 18-byte header ("SWP12345", version 2,
// sender MAC, opcode, big-endian payload length) followed by a payload of TLVs
// (type, length, value) or, for the site survey reply, 49-byte records.
// Functions over bytes; no sockets, no shared state. The one side effect is the
// trace line of a truncated TLV walk.

#include "protocol/stepcounters.h"
#include "settings/records.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

namespace swp {

constexpr char kMagic[8] = {'S', 'W', 'P', '1', '2', '3', '4', '5'};
constexpr uint8_t kVersion = 2;
constexpr int kHeaderSize = 18;
constexpr int kMacOffset = 9;
constexpr int kOpcodeOffset = 15;
constexpr int kLengthOffset = 16;
constexpr int kRequestBufferSize = 1024;
constexpr int kRecvBufferSize = 65536;
constexpr int kSurveyRecordSize = 49;
// The largest UDP payload IPv4 carries, and so the most survey records one
// reply can hold (1336).
constexpr int kMaxDatagramSize = 65507;
constexpr int kMaxSurveyRecords = (kMaxDatagramSize - kHeaderSize) / kSurveyRecordSize;
constexpr uint16_t kDevicePort = 5432; // requests go here (until a login names another)
constexpr uint16_t kHostPort = 5433;   // host sockets are bound here

// The fixed client authentication phrase of the login request (91 characters).
extern const char kAuthPhrase[];
constexpr int kAuthPhraseLength = 91;

enum Opcode : uint8_t {
    OP_DISCOVER = 0,
    OP_LOGIN = 1,
    OP_LOGOUT = 2,
    OP_GET_CONFIG = 3,
    OP_SET_CONFIG = 4,
    OP_EVENT = 6,
    OP_SITE_SURVEY = 7,
    OP_STA_GET_CONFIG = 8,
    OP_STA_SET_CONFIG = 9,
};

enum TlvType : uint8_t {
    DEVICE_MODE = 0x00,
    DEVICE_NAME = 0x01,
    DEVICE_MAC = 0x02,
    IP_MODE = 0x30,
    LAN_IP = 0x31,
    LAN_NETMASK = 0x32,
    LAN_GATEWAY = 0x33,
    WL_SSID = 0x50,
    WL_CH_LIST = 0x51,
    WL_EXT_CH = 0x52,
    WL_STD_CH = 0x53,
    WL_WIRELESS_MODE = 0x54,
    WL_STA_FLAG = 0x59,
    WL_SECURITY_MODE = 0x60,
    WL_AUTH_MODE = 0x61,
    WL_WEPKEY_LEN = 0x62,
    WL_WEPKEY = 0x63,
    WL_WEPKEY_INDEX = 0x67,
    WL_WPA_MODE = 0x68,
    WL_WPA_CIPHER = 0x69,
    WL_WPA_PSK = 0x6A,
    WL_WPS_PBC = 0x6B,
    WL_WPS_PIN = 0x6C,
    TLVTYPE_OTHER_AUTH_PHRASE = 0x90,
    TLVTYPE_OTHER_RESULT = 0x91,
    TLVTYPE_OTHER_PORT = 0x92,
    TLVTYPE_OTHER_GET_ALL = 0x93,
    TLVTYPE_OTHER_CONNECTTIMEOUT = 0x95,
    TLVTYPE_OTHER_WPS_STATUS = 0x96,
};

struct PacketHeader {
    uint8_t mac[6];
    uint8_t opcode;
    uint16_t payloadLength;
};

// Reads the header fields of data (no validation beyond length >= 18).
bool ParseHeader(const uint8_t* data, size_t length, PacketHeader& header);

// Assembles one packet in a zero-filled 1024-byte buffer. The constructor is
// BuildHeader: magic, version 2, the sender MAC, the opcode and payload length
// 0. Appends that would not fit the buffer (or name no value for a non-zero
// length) are refused (false) and change nothing.
class CPacketBuilder {
public:
    explicit CPacketBuilder(const uint8_t senderMac[6], uint8_t opcode = 0);

    void SetOpcode(uint8_t opcode);
    void SetSenderMac(const uint8_t mac[6]);
    bool AppendTLV(uint8_t type, const void* value, uint8_t length);
    bool AppendByte(uint8_t type, uint8_t value);
    bool AppendU16(uint8_t type, uint16_t value); // big-endian
    bool AppendU32(uint8_t type, uint32_t value); // big-endian
    // Text up to its terminator (or maxLength), at most 255 bytes.
    bool AppendText(uint8_t type, const char* text, size_t maxLength = 255);
    // Raw payload bytes without TLV framing (survey records).
    bool AppendRaw(const void* data, size_t length);

    uint8_t* Data() { return m_Buffer.data(); }
    const uint8_t* Data() const { return m_Buffer.data(); }
    uint16_t PayloadLength() const { return m_Offset; }
    int Size() const { return kHeaderSize + m_Offset; } // header + payload
    std::vector<uint8_t> Bytes() const;

private:
    void StoreLength();
    std::array<uint8_t, kRequestBufferSize> m_Buffer{};
    uint16_t m_Offset = 0; // payload bytes written
};

// Requests of the host. hostMac goes into the header; the engine overwrites it
// per socket with that adapter's MAC before sending.
CPacketBuilder BuildDiscover(const uint8_t hostMac[6]);
CPacketBuilder BuildLogin(const uint8_t hostMac[6], const uint8_t deviceMac[6]);
CPacketBuilder BuildLogout(const uint8_t hostMac[6]);
CPacketBuilder BuildGetConfig(const uint8_t hostMac[6]);
CPacketBuilder BuildGetMode(const uint8_t hostMac[6]);
CPacketBuilder BuildIPSetting(const uint8_t hostMac[6], const IPConfig& ip);
CPacketBuilder BuildSetMode(const uint8_t hostMac[6], int mode);
CPacketBuilder BuildWlSetting(const uint8_t hostMac[6], const WirelessProfile& wl);
CPacketBuilder BuildWlStationSetting(const uint8_t hostMac[6], const WirelessProfile& wl);
CPacketBuilder BuildWPSPBC(const uint8_t hostMac[6]);
CPacketBuilder BuildWPSPIN(const uint8_t hostMac[6], int pinNumber);                // "%08d"
CPacketBuilder BuildStaWPSPIN(const uint8_t hostMac[6], const WirelessProfile& wl); // SSID text
CPacketBuilder BuildSiteSurvey(const uint8_t hostMac[6]);
CPacketBuilder BuildStationGetConfig(const uint8_t hostMac[6]);

struct Tlv {
    uint8_t type;
    uint8_t length;
    const uint8_t* value; // points into the walked payload; length bytes are valid

    // Fixed-size reads from the start of the value. A value shorter than the
    // size never reads past it: missing bytes count as zero.
    uint8_t U8() const { return Byte(0); }
    uint16_t U16() const { return static_cast<uint16_t>((Byte(0) << 8) | Byte(1)); } // big-endian
    uint32_t U32() const {                                                           // big-endian
        return (static_cast<uint32_t>(Byte(0)) << 24) | (static_cast<uint32_t>(Byte(1)) << 16) |
               (static_cast<uint32_t>(Byte(2)) << 8) | static_cast<uint32_t>(Byte(3));
    }
    int32_t I32() const { return static_cast<int32_t>(U32()); }
    // Copies the value as text into a fixed-size field (cut to fit, terminated).
    size_t CopyText(char* dst, size_t size) const;

private:
    // The byte at index, zero past the value's end.
    uint8_t Byte(int index) const { return value != nullptr && index < length ? value[index] : 0; }
};

enum class WalkResult { Complete, Truncated };

// memcpy of a few bytes, as a call of the library's: a copy whose length the
// compiler knows to be small (a TLV's is at most 255) is otherwise made inline
// with "rep movs", which takes far longer to start than such a copy takes.
void CopyBytes(void* dst, const void* src, size_t count);

// The log line of a walk cut short.
void NoteTruncatedTlv();

// The TLV walk of every reply handler: hands each well-formed TLV to handler
// (any callable taking a Tlv, or nullptr) in order. A TLV whose length runs
// past total ends the walk with the log line "  not enough bytes in buffer"
// (TLVs before it stay handled). A single trailing byte is ignored silently.
// Never reads outside payload[0, total). Inline, so that a reply's walk costs
// no call per TLV.
template <class F> WalkResult WalkTLVs(const uint8_t* payload, uint16_t total, F&& handler) {
    if (payload == nullptr)
        total = 0;
    int offset = 0;
    while (total - offset >= 2) {
        const uint8_t type = payload[offset];
        const uint8_t length = payload[offset + 1];
        if (offset + length + 2 > total) {
            NoteTruncatedTlv();
            return WalkResult::Truncated;
        }
        if constexpr (!std::is_null_pointer_v<std::decay_t<F>>)
            handler(Tlv{type, length, payload + offset + 2});
        offset += length + 2;
        if (offset == total)
            break;
    }
    steps::Mark(steps::Decode);
    return WalkResult::Complete;
}

// Which bytes of a whole packet (header included) hold a wireless key or a
// WPS PIN (which gives access to the network as well): the values of
// WL_WEPKEY, WL_WPA_PSK and WL_WPS_PIN, also of a TLV cut short by the end of
// the packet. One flag per byte, for the trace to hide them; empty when the
// packet holds no key. Survey replies carry records, not TLVs, and no key.
std::vector<bool> SecretBytes(const uint8_t* packet, size_t length);

// C-style decimal conversion of a fixed field that need not be terminated:
// leading blanks skipped, an optional sign, reading stops at the first
// non-digit; no digits gives 0, a value beyond the range of int saturates.
int DecimalField(const uint8_t* field, size_t size);

// The signal of a survey record as it is shown and compared: the device's
// percentage held to 0..100 (the record keeps what the device sent).
int SignalPercent(int signal);

// One 49-byte survey record into its in-memory form.
_tag_AP_ROFIILE ParseSurveyRecord(const uint8_t* record);
// Every whole record of a survey payload; a remainder under 49 bytes is ignored.
std::vector<_tag_AP_ROFIILE> ParseSurvey(const uint8_t* payload, size_t length);
// The wire form of a survey record (used by the device simulator).
std::array<uint8_t, kSurveyRecordSize> EncodeSurveyRecord(const _tag_AP_ROFIILE& ap);

} // namespace swp
