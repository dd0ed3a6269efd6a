#pragma once
// Small text helpers shared by the pages and the protocol layer.

#include <QByteArrayView>
#include <QString>
#include <cstddef>
#include <cstdint>

// "%02X:%02X:%02X:%02X:%02X:%02X" of six bytes, e.g. 00:1A:2B:3C:4D:5E.
QString FormatMAC(const uint8_t mac[6]);

// Six pairs of hex digits separated by ':' or '-', either case; mac is left
// alone when the text is anything else.
bool ParseMAC(const QString& text, uint8_t mac[6]);

// True when every character is one of 0-9, A-F, a-f; the empty text is true.
bool IsHexText(const QString& text);

// Copies at most size - 1 bytes of src (up to its length) into the fixed-size
// field dst and terminates it; the rest of the field is zero-filled. Returns the
// number of bytes copied. Never writes past dst + size.
size_t CopyBounded(char* dst, size_t size, const char* src, size_t srcLen);
size_t CopyBounded(char* dst, size_t size, const QString& text);

// Windows-1252 bytes as text (typographic quotes, dashes and the euro sign
// included; the five unassigned bytes map to the C1 control of that value).
QString FromWindows1252(const char* bytes, size_t length);
// The text as Windows-1252 bytes; false when a character has no byte there.
bool ToWindows1252(const QString& text, QByteArray& bytes);

// Text of a file: UTF-8 (an optional byte order mark dropped), or
// Windows-1252 when the bytes are not valid UTF-8.
QString DecodeText(const QByteArray& bytes);
// The bytes as text when they are valid UTF-8 (no overlong form, no
// surrogate); false, text untouched, for anything else: never replaced.
bool DecodeUtf8Strictly(QByteArrayView bytes, QString& text);

// "a.b.c.d" of an IPv4 address held in host order (a in the top byte).
QString DottedText(uint32_t address);
// Four decimal numbers 0 to 255 of one to three digits, separated by '.'
// (white space around the whole is ignored); false for anything else.
bool ParseDotted(const QString& text, uint32_t& address);

// Text from an untrusted source (another user's process name, an interface
// name, a device's reply) made safe to show on a terminal, in JSON and in a
// window: control characters (C0, DEL, C1) become \xHH and the invisible
// format characters that reorder or hide text (bidirectional overrides and
// isolates, zero-width marks, line and paragraph separators) and lone
// surrogates become \u{HHHH}. Everything else, backslashes included, stays.
// The one escaping of text a device or another user controls: swpctl's
// printers, the trace and the wizard's lists all show text through it.
QString PrintableText(const QString& text);
// The same of bytes as a device sends them (a name, an SSID, a PIN text):
// UTF-8 where they are, and each byte that is no part of a valid UTF-8
// sequence as \xHH, so that nothing is lost or replaced unseen.
QString PrintableText(const char* bytes, size_t length);
