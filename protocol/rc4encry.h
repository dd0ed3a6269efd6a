#pragma once
// The payload cipher: RC4 exactly as published, keyed by the device password,
// with a fresh state for every packet. Enciphering and deciphering are the same
// operation.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

struct RC4State {
    uint8_t s[256];
    uint8_t i;
    uint8_t j;
};

// The key used when the password is empty.
extern const char kBuiltInKey[]; // "qmvbtrpe8820hxcnwzya"
constexpr int kBuiltInKeyLength = 20;

void RC4KeySetup(const uint8_t* key, int keyLength, RC4State& state);
void RC4Xor(uint8_t* buffer, size_t length, RC4State& state);
// keyLength <= 0 selects the built-in key.
void Crypt(const uint8_t* key, int keyLength, uint8_t* buffer, size_t length);

// The password as cipher key bytes (UTF-8 of the text).
QByteArray PasswordKey(const QString& password);
// Enciphers (or deciphers) the payload of a packet in place; the 18-byte
// header stays plain. Uses the payload length given, never past length.
void CryptPayload(uint8_t* packet, size_t packetLength, const QByteArray& key);

// The cipher of one program. Every packet starts from a fresh state of the
// same key, so every packet is XORed with the same key stream: it is made once
// per key, as long as the longest packet so far, and then only read.
class CPayloadCipher {
public:
    // CryptPayload with key.
    void Apply(uint8_t* packet, size_t packetLength, const QByteArray& key);

private:
    void Extend(size_t length);

    QByteArray m_Key;
    bool m_Ready = false;
    RC4State m_Next{}; // the state after the last byte of m_Stream
    std::vector<uint8_t> m_Stream;
};
