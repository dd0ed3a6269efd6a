// Arbitrary bytes as a received datagram: header, payload cipher and the TLV
// walk with every value accessor, as the engine's reply handlers use them.
// Also builds the wireless requests from arbitrary profile bytes (fields
// without terminators) and checks that their own payload walks cleanly.

#include "protocol/packet.h"
#include "protocol/rc4encry.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

volatile uint64_t g_Sink;

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

void UseTlv(const swp::Tlv& tlv) {
    uint64_t sum = tlv.type + tlv.length;
    sum += tlv.U8();
    sum += tlv.U16();
    sum += tlv.U32();
    sum += static_cast<uint32_t>(tlv.I32());
    if (tlv.length > 0)
        sum += tlv.value[tlv.length - 1];

    char one[1];
    char pin[12];
    char name[34];
    char ssid[33];
    Check(tlv.CopyText(one, sizeof(one)) == 0 && one[0] == '\0');
    Check(tlv.CopyText(pin, sizeof(pin)) == std::min<size_t>(tlv.length, 11));
    Check(tlv.CopyText(name, sizeof(name)) == std::min<size_t>(tlv.length, 33));
    Check(tlv.CopyText(ssid, sizeof(ssid)) == std::min<size_t>(tlv.length, 32));
    Check(pin[sizeof(pin) - 1] == '\0' && name[sizeof(name) - 1] == '\0');
    Check(tlv.CopyText(nullptr, 0) == 0);
    sum += static_cast<uint8_t>(pin[0]) + static_cast<uint8_t>(name[0]) +
           static_cast<uint8_t>(ssid[0]);
    g_Sink = g_Sink + sum;
}

void Datagram(const uint8_t* data, size_t size) {
    // An exact-size copy: the cipher writes in place, and any access past the
    // datagram is caught.
    std::vector<uint8_t> packet(data, data + size);
    swp::PacketHeader header{};
    if (!swp::ParseHeader(packet.data(), packet.size(), header))
        return;

    // Discovery replies arrive plain; everything else is deciphered, with the
    // default password or the built-in key of an empty one.
    if (header.opcode != swp::OP_DISCOVER) {
        const QByteArray key = (header.mac[5] & 1) ? QByteArray("tosca") : QByteArray();
        CryptPayload(packet.data(), packet.size(), key);
    }

    const size_t available = packet.size() - swp::kHeaderSize;
    const uint16_t total = static_cast<uint16_t>(std::min<size_t>(header.payloadLength, available));
    const uint8_t* payload = packet.data() + swp::kHeaderSize;
    int count = 0;
    swp::WalkTLVs(payload, total, [&](const swp::Tlv& tlv) {
        Check(tlv.value >= payload && tlv.value + tlv.length <= payload + total);
        UseTlv(tlv);
        ++count;
    });
    Check(count <= total / 2);
}

void Requests(const uint8_t* data, size_t size) {
    if (size < sizeof(WirelessProfile))
        return;
    WirelessProfile wl;
    std::memcpy(&wl, data, sizeof(wl));
    const uint8_t mac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

    for (const swp::CPacketBuilder& packet :
         {swp::BuildWlSetting(mac, wl), swp::BuildWlStationSetting(mac, wl),
          swp::BuildStaWPSPIN(mac, wl), swp::BuildWPSPIN(mac, wl.PinNumber)}) {
        Check(packet.Size() <= swp::kRequestBufferSize);
        const std::vector<uint8_t> bytes = packet.Bytes();
        swp::PacketHeader header{};
        Check(swp::ParseHeader(bytes.data(), bytes.size(), header));
        Check(header.payloadLength == packet.PayloadLength());
        const std::vector<uint8_t> payload(bytes.begin() + swp::kHeaderSize, bytes.end());
        const swp::WalkResult result = swp::WalkTLVs(
            payload.data(), static_cast<uint16_t>(payload.size()), [&](const swp::Tlv& tlv) {
                if (tlv.type == swp::WL_SSID)
                    Check(tlv.length <= 32);
                if (tlv.type == swp::WL_WEPKEY || tlv.type == swp::WL_WPA_PSK)
                    Check(tlv.length <= 127);
                if (tlv.type == swp::WL_WPS_PIN && header.opcode == 4)
                    Check(tlv.length <= 32);
            });
        Check(result == swp::WalkResult::Complete);
    }
    const swp::CPacketBuilder pin = swp::BuildWPSPIN(mac, wl.PinNumber);
    Check(pin.PayloadLength() == 10);
    for (int i = 0; i < 8; ++i)
        Check(pin.Data()[20 + i] >= '0' && pin.Data()[20 + i] <= '9');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Datagram(data, size);
    Requests(data, size);
    return 0;
}
