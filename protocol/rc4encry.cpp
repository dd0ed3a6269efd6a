#include "protocol/rc4encry.h"

#include "protocol/packet.h"

#include <QString>
#include <algorithm>
#include <climits>
#include <utility>

const char kBuiltInKey[] = "qmvbtrpe8820hxcnwzya";
static_assert(sizeof(kBuiltInKey) - 1 == kBuiltInKeyLength);

// A missing or empty key would leave the schedule without key bytes to cycle
// through; it falls back to the built-in key, as Crypt does.
void RC4KeySetup(const uint8_t* key, int keyLength, RC4State& state) {
    if (key == nullptr || keyLength <= 0) {
        key = reinterpret_cast<const uint8_t*>(kBuiltInKey);
        keyLength = kBuiltInKeyLength;
    }
    for (int n = 0; n < 256; ++n)
        state.s[n] = static_cast<uint8_t>(n);
    uint8_t j = 0;
    for (int n = 0; n < 256; ++n) {
        j = static_cast<uint8_t>(j + state.s[n] + key[n % keyLength]);
        std::swap(state.s[n], state.s[j]);
    }
    state.i = 0;
    state.j = 0;
}

void RC4Xor(uint8_t* buffer, size_t length, RC4State& state) {
    if (buffer == nullptr)
        return;
    // The swapped pair stays in registers: the key byte is looked up with
    // them rather than read back from the table just written.
    uint8_t* const s = state.s;
    uint8_t i = state.i;
    uint8_t j = state.j;
    for (size_t n = 0; n < length; ++n) {
        i = static_cast<uint8_t>(i + 1);
        const uint8_t si = s[i];
        j = static_cast<uint8_t>(j + si);
        const uint8_t sj = s[j];
        s[i] = sj;
        s[j] = si;
        buffer[n] ^= s[static_cast<uint8_t>(si + sj)];
    }
    state.i = i;
    state.j = j;
}

void Crypt(const uint8_t* key, int keyLength, uint8_t* buffer, size_t length) {
    RC4State state;
    if (keyLength <= 0)
        RC4KeySetup(reinterpret_cast<const uint8_t*>(kBuiltInKey), kBuiltInKeyLength, state);
    else
        RC4KeySetup(key, keyLength, state);
    RC4Xor(buffer, length, state);
}

QByteArray PasswordKey(const QString& password) {
    return password.toUtf8();
}

void CryptPayload(uint8_t* packet, size_t packetLength, const QByteArray& key) {
    if (packet == nullptr || packetLength < static_cast<size_t>(swp::kHeaderSize))
        return;
    const size_t declared =
        (static_cast<size_t>(packet[swp::kLengthOffset]) << 8) | packet[swp::kLengthOffset + 1];
    const size_t length = std::min(declared, packetLength - swp::kHeaderSize);
    // Only the first 256 key bytes take part in the schedule, so capping the
    // length loses nothing.
    const int keyLength = static_cast<int>(std::min<qsizetype>(key.size(), INT_MAX));
    Crypt(reinterpret_cast<const uint8_t*>(key.constData()), keyLength, packet + swp::kHeaderSize,
          length);
}

void CPayloadCipher::Apply(uint8_t* packet, size_t packetLength, const QByteArray& key) {
    if (packet == nullptr || packetLength < static_cast<size_t>(swp::kHeaderSize))
        return;
    if (!m_Ready || key != m_Key) {
        m_Key = key;
        const int keyLength = static_cast<int>(std::min<qsizetype>(key.size(), INT_MAX));
        RC4KeySetup(reinterpret_cast<const uint8_t*>(key.constData()), keyLength, m_Next);
        m_Stream.clear();
        m_Ready = true;
    }
    const size_t declared =
        (static_cast<size_t>(packet[swp::kLengthOffset]) << 8) | packet[swp::kLengthOffset + 1];
    const size_t length = std::min(declared, packetLength - swp::kHeaderSize);
    if (length > m_Stream.size())
        Extend(length);
    uint8_t* const payload = packet + swp::kHeaderSize;
    const uint8_t* const stream = m_Stream.data();
    for (size_t n = 0; n < length; ++n)
        payload[n] ^= stream[n];
}

// The key stream is what the cipher XORs into zero bytes. It grows in steps of
// at least 1 KiB so that a run of slightly longer packets costs few steps.
void CPayloadCipher::Extend(size_t length) {
    const size_t have = m_Stream.size();
    const size_t want = std::max(length, std::min<size_t>(have + 1024, 0xFFFF));
    m_Stream.resize(want, 0);
    RC4Xor(m_Stream.data() + have, want - have, m_Next);
}
