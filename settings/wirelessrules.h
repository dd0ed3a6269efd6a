#pragma once
// The rules a wireless profile's texts must pass before they are sent: the
// SSID, the WEP key, the WPA pre-shared key and the WPS PIN. The profile
// pages, the WPS page and swpctl (its single commands and the inventory of
// apply) all ask here; the messages are the pages' own, from section
// "Message".

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace wirelessrules {

// The device reads every text up to its first NUL character: a text holding
// one would be sent cut short while it passed the checks at full length, so
// each rule below refuses it.
bool HasNul(QStringView text);
// "ER_NUL": the field ("SSID", "passphrase", "WEP key", "password"...) named.
QString NulMessage(const QString& field);

enum class SsidFault { None, Empty, TooLong, Nul };
// Not empty, at most 32 bytes as sent, no NUL.
SsidFault CheckSsid(const QByteArray& ssid);
// "ER_Empty_SSID" for an empty SSID; the WPS page names the access point to
// pair with and says "ER_SSID" instead (wps).
QString SsidMessage(SsidFault fault, bool wps = false);

// WEP: keyLength 0 is 64 bit (5 characters or 10 hex digits), 1 is 128 bit
// (13 characters or 26 hex digits). A key holding a NUL is Invalid.
enum class WepKeyFormat { Invalid, Ascii, Hex };
constexpr int WepHexDigits(int keyLength) {
    return keyLength == 1 ? 26 : 10;
}
WepKeyFormat CheckWepKey(const QString& key, int keyLength);
// The key length whose key has this many characters, or -1.
int WepKeyLengthOf(qsizetype characters);
// The key as sent: hex digits in upper case.
QString WepKeyAsSent(const QString& key, WepKeyFormat format);
// "ER_WEP64", "ER_WEP128" (hexLength: "ER_WEP64Hex", "ER_WEP128Hex"), each
// defaulting to "ER_WEPKey".
QString WepKeyMessage(int keyLength, bool hexLength);

// WPA-PSK: 8 to 63 characters, or exactly 64 hex digits; no NUL.
enum class PassphraseFault { None, NotHex, Length, Nul };
PassphraseFault CheckPassphrase(const QString& key);
QString PassphraseMessage(PassphraseFault fault); // "ER_PSKKeyHex", "ER_PSKKey"

// The labels of a survey entry's codes, as the survey lists and swpctl show
// them: encryption 0 to 4, authentication 0 to 7 (the WPS survey dialog knows
// 0 to 4 only: wpsOnly); empty for a code without a label.
QString EncryptionLabel(int code);
QString AuthenticationLabel(int code, bool wpsOnly = false);

// WPS: exactly 8 digits.
bool CheckPin(const QString& text, int& pin);
QString PinMessage(); // "ER_PIN_Code"

} // namespace wirelessrules
