// The payload cipher: RC4 against published vectors, the key rules and the
// part of a packet that is enciphered.

#include "protocol/packet.h"
#include "protocol/rc4encry.h"

#include <gtest/gtest.h>

#include <QString>
#include <cstring>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

namespace {

Bytes Cipher(const std::string& key, const std::string& text) {
    Bytes buffer(text.begin(), text.end());
    Crypt(reinterpret_cast<const uint8_t*>(key.data()), static_cast<int>(key.size()), buffer.data(),
          buffer.size());
    return buffer;
}

const uint8_t kHostMac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
const uint8_t kDeviceMac[6] = {0x00, 0x0E, 0x8E, 0x12, 0x34, 0x56};

const Bytes kHeader = {0x53, 0x57, 0x50, 0x31, 0x32, 0x33, 0x34, 0x35, 0x02,
                       0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x03, 0x00, 0x03};

} // namespace

TEST(RC4, PublishedVectors) {
    EXPECT_EQ(Cipher("Key", "Plaintext"),
              (Bytes{0xBB, 0xF3, 0x16, 0xE8, 0xD9, 0x40, 0xAF, 0x0A, 0xD3}));
    EXPECT_EQ(Cipher("Wiki", "pedia"), (Bytes{0x10, 0x21, 0xBF, 0x04, 0x20}));
    EXPECT_EQ(Cipher("Secret", "Attack at dawn"),
              (Bytes{0x45, 0xA0, 0x1F, 0x64, 0x5F, 0xC3, 0x5B, 0x38, 0x35, 0x52, 0x54, 0x4B, 0x9B,
                     0xF5}));
}

TEST(RC4, StreamContinuesAcrossXorCalls) {
    RC4State state;
    RC4KeySetup(reinterpret_cast<const uint8_t*>("Key"), 3, state);
    EXPECT_EQ(state.i, 0);
    EXPECT_EQ(state.j, 0);
    Bytes text = {'P', 'l', 'a', 'i', 'n', 't', 'e', 'x', 't'};
    RC4Xor(text.data(), 4, state);
    RC4Xor(text.data() + 4, 5, state);
    EXPECT_EQ(text, (Bytes{0xBB, 0xF3, 0x16, 0xE8, 0xD9, 0x40, 0xAF, 0x0A, 0xD3}));
}

TEST(RC4, EncipherThenDecipherGivesThePlainText) {
    const std::string text = "any payload at all, of some length";
    Bytes buffer = Cipher("tosca", text);
    EXPECT_NE(buffer, Bytes(text.begin(), text.end()));
    Crypt(reinterpret_cast<const uint8_t*>("tosca"), 5, buffer.data(), buffer.size());
    EXPECT_EQ(buffer, Bytes(text.begin(), text.end()));
}

TEST(RC4, EmptyKeySelectsTheBuiltInKey) {
    EXPECT_STREQ(kBuiltInKey, "qmvbtrpe8820hxcnwzya");
    EXPECT_EQ(kBuiltInKeyLength, 20);
    const std::string text = "payload";
    const Bytes withBuiltIn = Cipher("qmvbtrpe8820hxcnwzya", text);
    for (int keyLength : {0, -1}) {
        Bytes buffer(text.begin(), text.end());
        Crypt(reinterpret_cast<const uint8_t*>("ignored"), keyLength, buffer.data(), buffer.size());
        EXPECT_EQ(buffer, withBuiltIn) << keyLength;
    }
    Bytes buffer(text.begin(), text.end());
    Crypt(nullptr, 0, buffer.data(), buffer.size());
    EXPECT_EQ(buffer, withBuiltIn);
}

TEST(RC4, ZeroLengthBufferIsUnchanged) {
    uint8_t byte = 0x5A;
    Crypt(reinterpret_cast<const uint8_t*>("tosca"), 5, &byte, 0);
    EXPECT_EQ(byte, 0x5A);
}

TEST(PasswordKey, IsTheUtf8BytesOfThePassword) {
    EXPECT_EQ(PasswordKey("tosca"), QByteArray("tosca"));
    EXPECT_TRUE(PasswordKey(QString()).isEmpty());
    EXPECT_EQ(PasswordKey(QString::fromUtf8("p\xC3\xA4ss")), QByteArray("p\xC3\xA4ss"));
}

TEST(CryptPayload, LoginRequestWithTheDefaultPassword) {
    swp::CPacketBuilder packet = swp::BuildLogin(kHostMac, kDeviceMac);
    Bytes bytes = packet.Bytes();
    ASSERT_EQ(bytes.size(), 119u);
    const Bytes header(bytes.begin(), bytes.begin() + 18);
    CryptPayload(bytes.data(), bytes.size(), PasswordKey("tosca"));

    // RC4 keyed by "tosca" over 02 06 <device MAC> 90 5B <phrase>.
    const Bytes cipher = {
        0x2A, 0xA8, 0x48, 0xF3, 0xC5, 0x15, 0x3B, 0x89, 0x2A, 0x79, 0xBA, 0xCC, 0x1D, 0xB1, 0xC9,
        0x75, 0x21, 0x25, 0xB1, 0x74, 0x62, 0x91, 0x9A, 0xEE, 0x19, 0x09, 0x16, 0x87, 0xC4, 0x04,
        0x4C, 0x6F, 0x81, 0x78, 0x65, 0xA8, 0x4E, 0x60, 0x8B, 0x50, 0xC5, 0xA9, 0xD0, 0x3B, 0x6A,
        0xE8, 0x12, 0x72, 0xFF, 0xD4, 0x74, 0xF2, 0x29, 0x81, 0xCD, 0x7D, 0x0B, 0x5F, 0x9B, 0x67,
        0x12, 0x8B, 0xE7, 0x37, 0xC4, 0x00, 0xCD, 0xDD, 0xDF, 0xF9, 0xE3, 0x55, 0xBA, 0xBB, 0xD8,
        0xFE, 0x3C, 0x6B, 0xB0, 0xB5, 0xE2, 0xE1, 0x26, 0x16, 0x8D, 0x9B, 0x7E, 0xD2, 0x56, 0xEF,
        0xF4, 0xE9, 0xD3, 0x63, 0x01, 0x0F, 0x46, 0x42, 0x77, 0xD2, 0x17};
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 18), header);
    EXPECT_EQ(Bytes(bytes.begin() + 18, bytes.end()), cipher);

    // Two identical requests give identical ciphertexts: a fresh state per packet.
    Bytes again = packet.Bytes();
    CryptPayload(again.data(), again.size(), PasswordKey("tosca"));
    EXPECT_EQ(again, bytes);

    // Deciphering gives the plain request back.
    CryptPayload(bytes.data(), bytes.size(), PasswordKey("tosca"));
    EXPECT_EQ(bytes, packet.Bytes());
}

TEST(CryptPayload, EmptyPasswordUsesTheBuiltInKey) {
    Bytes bytes = kHeader;
    bytes.insert(bytes.end(), {0x93, 0x01, 0x00});
    CryptPayload(bytes.data(), bytes.size(), PasswordKey(QString()));
    Bytes expected = kHeader;
    expected.insert(expected.end(), {0x11, 0x8C, 0xA7}); // RC4 "qmvbtrpe8820hxcnwzya"
    EXPECT_EQ(bytes, expected);
}

TEST(CryptPayload, RequestWithoutPayloadIsUnchanged) {
    Bytes bytes = {0x53, 0x57, 0x50, 0x31, 0x32, 0x33, 0x34, 0x35, 0x02,
                   0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x02, 0x00, 0x00};
    const Bytes before = bytes;
    CryptPayload(bytes.data(), bytes.size(), PasswordKey("tosca"));
    EXPECT_EQ(bytes, before);
}

TEST(CryptPayload, OnlyTheDeclaredPayloadIsEnciphered) {
    Bytes bytes = kHeader; // declares 3 payload bytes
    bytes.insert(bytes.end(), {0x93, 0x01, 0x00, 0xAA, 0xBB});
    CryptPayload(bytes.data(), bytes.size(), QByteArray("Key"));
    Bytes expected = kHeader;
    // "Key" keystream: EB 9F 77 (from the published "Plaintext" vector).
    expected.insert(expected.end(), {0x93 ^ 0xEB, 0x01 ^ 0x9F, 0x00 ^ 0x77, 0xAA, 0xBB});
    EXPECT_EQ(bytes, expected);
}

TEST(CryptPayload, NeverPastThePacket) {
    // The header claims 0x0100 payload bytes but only 2 arrived; the buffer
    // holds exactly the packet so a read or write past it would be caught.
    Bytes bytes = kHeader;
    bytes[16] = 0x01;
    bytes[17] = 0x00;
    bytes.insert(bytes.end(), {0x00, 0x00});
    CryptPayload(bytes.data(), bytes.size(), QByteArray("Key"));
    EXPECT_EQ(bytes[18], 0xEB);
    EXPECT_EQ(bytes[19], 0x9F);
    EXPECT_EQ(bytes.size(), 20u);
}

TEST(CryptPayload, ShortPacketIsLeftAlone) {
    Bytes bytes(17, 0x42);
    const Bytes before = bytes;
    CryptPayload(bytes.data(), bytes.size(), QByteArray("Key"));
    EXPECT_EQ(bytes, before);
    CryptPayload(nullptr, 100, QByteArray("Key"));
}

TEST(CryptPayload, LargestPayloadIsProcessedWhole) {
    std::vector<uint8_t> bytes(18 + 65535, 0);
    std::memcpy(bytes.data(), kHeader.data(), 16);
    bytes[16] = 0xFF;
    bytes[17] = 0xFF;
    CryptPayload(bytes.data(), bytes.size(), QByteArray("Key"));
    std::vector<uint8_t> keystream(65535, 0);
    Crypt(reinterpret_cast<const uint8_t*>("Key"), 3, keystream.data(), keystream.size());
    EXPECT_TRUE(std::equal(keystream.begin(), keystream.end(), bytes.begin() + 18));
}

TEST(PayloadCipher, KeptScheduleGivesTheSameBytesAsAFreshSetup) {
    // Two identical packets, then a key change, then the empty (built-in) key.
    std::vector<uint8_t> packet(18 + 40, 0);
    packet[17] = 40;
    for (size_t i = 0; i < 40; ++i)
        packet[18 + i] = static_cast<uint8_t>(i * 7);
    CPayloadCipher cipher;
    for (const QByteArray& key :
         {QByteArray("tosca"), QByteArray("tosca"), QByteArray("other"), QByteArray()}) {
        std::vector<uint8_t> expected = packet, actual = packet;
        CryptPayload(expected.data(), expected.size(), key);
        cipher.Apply(actual.data(), actual.size(), key);
        EXPECT_EQ(actual, expected) << key.constData();
    }
    std::vector<uint8_t> shortPacket(10, 0x55);
    cipher.Apply(shortPacket.data(), shortPacket.size(), "tosca");
    EXPECT_EQ(shortPacket, std::vector<uint8_t>(10, 0x55)); // no header: left alone
}

TEST(PayloadCipher, PacketsOfEveryLengthMatchAFreshSetup) {
    // Short and long in turn (the longest a datagram holds among them), the
    // key changing in between; a packet shorter than its announced payload.
    CPayloadCipher cipher;
    const size_t lengths[] = {1, 100, 5, 3000, 2999, 65489, 7, 65489, 1200};
    int round = 0;
    for (const size_t length : lengths) {
        const QByteArray key = round++ % 4 == 3 ? QByteArray("other") : QByteArray("tosca");
        std::vector<uint8_t> packet(18 + length);
        packet[16] = static_cast<uint8_t>(length >> 8);
        packet[17] = static_cast<uint8_t>(length);
        for (size_t i = 18; i < packet.size(); ++i)
            packet[i] = static_cast<uint8_t>(i * 31);
        std::vector<uint8_t> expected = packet, actual = packet;
        CryptPayload(expected.data(), expected.size(), key);
        cipher.Apply(actual.data(), actual.size(), key);
        EXPECT_EQ(actual, expected) << length;
    }
    std::vector<uint8_t> cut(18 + 4, 0x11);
    cut[16] = 0x01; // announces 256 payload bytes, holds 4
    cut[17] = 0x00;
    std::vector<uint8_t> expected = cut;
    CryptPayload(expected.data(), expected.size(), "tosca");
    cipher.Apply(cut.data(), cut.size(), "tosca");
    EXPECT_EQ(cut, expected);
}
