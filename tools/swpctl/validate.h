#pragma once
// The checks the wizard pages make on what the user typed, for the command
// line: addresses (IP settings page), SSID, WEP key, pre-shared key, WPS PIN
// and password. Each returns false with the page's message in error.

#include "settings/iprules.h"
#include "settings/records.h"
#include "settings/textutil.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace swpctl {

struct StaticAddress {
    StaticAddressEntry entry; // what was given
    IPConfig config{};        // IpMode 0, IP, Mask, Gateway (0 when none given)
    QString ipText;           // the address as given and sent
    bool gatewayGiven = false;
};

// The IP settings page's rules in their order, except the comparison with the
// local address (SameAsLocalHost), which needs the adapter the device answered
// on. gateway may be empty (the device keeps its own) or "none". The page sends an address whose
// final octet is 255 as one ending in 254; here such an address is refused with the one to use, so
// that what is typed is what is sent.
bool ValidateStaticAddress(const QString& ip, const QString& mask, const QString& gateway,
                           StaticAddress& out, QString& error);
// Rule 6: the address must not be the computer's own address on that adapter.
bool CheckNotLocalHost(const StaticAddress& address, const QString& localIP, QString& error);
// The rules again with the gateway the device keeps (none given): false with
// the reason when that gateway does not fit the new address.
bool CheckKeptGateway(const StaticAddress& address, uint32_t gateway, QString& error);

// Not empty, at most 32 bytes.
bool CheckSSID(const QByteArray& ssid, QString& error);
// 5 or 13 characters, or 10 or 26 hex digits. keyLen: 0 for 64 bit, 1 for
// 128 bit; stored: the key as sent (hex in upper case).
bool CheckWEPKey(const QByteArray& key, int& keyLen, QByteArray& stored, QString& error);
// 8 to 63 characters, or exactly 64 hex digits.
bool CheckPassphrase(const QByteArray& key, QString& error);
// Exactly 8 digits.
bool CheckPin(const QString& text, int& pin, QString& error);
// The SSID of the access point a client pairs with by PIN: not empty, at most 32.
bool CheckWpsSSID(const QByteArray& ssid, QString& error);
// At most 16 characters, as the password box takes; no NUL.
bool CheckPassword(const QString& password, QString& error);

} // namespace swpctl
