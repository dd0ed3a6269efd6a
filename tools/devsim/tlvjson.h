#pragma once
// Journal decoding: a packet payload as JSON, every TLV by its name.

#include <QJsonObject>
#include <QString>
#include <cstdint>

namespace devsim {

// Name of a TLV type ("WL_SSID"), or "0x%02X" for a type without a name.
QString TlvName(uint8_t type);
// Name of an opcode ("OP_LOGIN"), or "OP_%d" for one without a name.
QString OpcodeName(uint8_t opcode);

// Adds to line: "tlvs" (an object: name -> decoded value), "order" (the names
// in the order they came; a type seen twice appears twice, its last value
// wins in "tlvs") and "truncated": true when a TLV ran past the payload.
// WL_WPS_PIN is a text in requests and in the station get-config reply, and a
// number in the get-config reply: pinIsNumber chooses.
void DecodeTlvs(const uint8_t* payload, uint16_t length, bool pinIsNumber, QJsonObject& line);

// Adds "records": the 49-byte survey records, decoded; "remainder" counts
// bytes after the last whole record when there are any.
void DecodeSurvey(const uint8_t* payload, uint16_t length, QJsonObject& line);

// Text of a TLV value: UTF-8 when it is valid UTF-8, otherwise one character
// per byte (Latin-1).
QString ValueText(const uint8_t* value, int length);

} // namespace devsim
