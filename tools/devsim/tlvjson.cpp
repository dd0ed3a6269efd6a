#include "tools/devsim/tlvjson.h"
#include "settings/textutil.h"

#include "protocol/catalogue.h"
#include "protocol/packet.h"
#include "tools/devsim/config.h"

#include <QJsonArray>
#include <QStringDecoder>
#include <cstring>

namespace devsim {

using namespace swp;

namespace {

QString Hex(const uint8_t* value, int length) {
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(value), length).toHex(' ').toUpper());
}

QJsonValue DecodeValue(const Tlv& tlv, bool pinIsNumber) {
    switch (tlv.type) {
    case DEVICE_MODE:
    case IP_MODE:
    case WL_EXT_CH:
    case WL_STD_CH:
    case WL_WIRELESS_MODE:
    case WL_STA_FLAG:
    case WL_SECURITY_MODE:
    case WL_AUTH_MODE:
    case WL_WEPKEY_LEN:
    case WL_WEPKEY_INDEX:
    case WL_WPA_MODE:
    case WL_WPA_CIPHER:
    case TLVTYPE_OTHER_RESULT:
    case TLVTYPE_OTHER_GET_ALL:
        return tlv.length == 1 ? QJsonValue(tlv.U8()) : QJsonValue(Hex(tlv.value, tlv.length));
    case LAN_IP:
    case LAN_NETMASK:
    case LAN_GATEWAY:
        return tlv.length == 4 ? QJsonValue(DottedText(tlv.U32()))
                               : QJsonValue(Hex(tlv.value, tlv.length));
    case DEVICE_MAC:
        return tlv.length == 6 ? QJsonValue(FormatMAC(tlv.value))
                               : QJsonValue(Hex(tlv.value, tlv.length));
    case TLVTYPE_OTHER_PORT:
        return tlv.length == 2 ? QJsonValue(tlv.U16()) : QJsonValue(Hex(tlv.value, tlv.length));
    case TLVTYPE_OTHER_WPS_STATUS:
        return tlv.length == 4 ? QJsonValue(tlv.I32()) : QJsonValue(Hex(tlv.value, tlv.length));
    case WL_CH_LIST: {
        QJsonArray channels;
        for (int n = 0; n < tlv.length; ++n)
            channels.append(tlv.value[n]);
        return channels;
    }
    case WL_WPS_PBC:
        return tlv.length == 0 ? QJsonValue(true) : QJsonValue(Hex(tlv.value, tlv.length));
    case WL_WPS_PIN:
        if (pinIsNumber)
            return tlv.length == 4 ? QJsonValue(static_cast<qint64>(tlv.U32()))
                                   : QJsonValue(Hex(tlv.value, tlv.length));
        return ValueText(tlv.value, tlv.length);
    case DEVICE_NAME:
    case WL_SSID:
    case WL_WEPKEY:
    case WL_WPA_PSK:
    case TLVTYPE_OTHER_AUTH_PHRASE:
        return ValueText(tlv.value, tlv.length);
    default:
        return Hex(tlv.value, tlv.length);
    }
}

} // namespace

QString TlvName(uint8_t type) {
    if (const char* name = TlvTypeName(type))
        return QLatin1String(name);
    return QString::asprintf("0x%02X", type);
}

QString OpcodeName(uint8_t opcode) {
    if (const char* name = swp::OpcodeName(opcode))
        return QLatin1String(name);
    return QString::asprintf("OP_%d", opcode);
}

QString ValueText(const uint8_t* value, int length) {
    const QByteArray bytes(reinterpret_cast<const char*>(value), length);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (!decoder.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

void DecodeTlvs(const uint8_t* payload, uint16_t length, bool pinIsNumber, QJsonObject& line) {
    QJsonObject tlvs;
    QJsonArray order;
    const WalkResult walk = WalkTLVs(payload, length, [&](const Tlv& tlv) {
        const QString name = TlvName(tlv.type);
        tlvs.insert(name, DecodeValue(tlv, pinIsNumber));
        order.append(name);
    });
    line.insert(QStringLiteral("tlvs"), tlvs);
    line.insert(QStringLiteral("order"), order);
    if (walk == WalkResult::Truncated)
        line.insert(QStringLiteral("truncated"), true);
}

void DecodeSurvey(const uint8_t* payload, uint16_t length, QJsonObject& line) {
    QJsonArray records;
    for (const _tag_AP_ROFIILE& ap : ParseSurvey(payload, length)) {
        QJsonObject record;
        record.insert(QStringLiteral("ssid"), ValueText(reinterpret_cast<const uint8_t*>(ap.SSID),
                                                        static_cast<int>(strnlen(ap.SSID, 32))));
        record.insert(QStringLiteral("bssid"), FormatMAC(ap.BSSID));
        record.insert(QStringLiteral("signal"), ap.Signal);
        record.insert(QStringLiteral("channel"), ap.Channel);
        record.insert(QStringLiteral("encryption"), ap.Encryption);
        record.insert(QStringLiteral("authentication"), ap.Authentication);
        record.insert(QStringLiteral("kind"), ap.NetworkKind);
        record.insert(QStringLiteral("wps"), ap.WpsCapable);
        record.insert(QStringLiteral("highlight"), ap.Highlighted);
        records.append(record);
    }
    line.insert(QStringLiteral("records"), records);
    if (length % kSurveyRecordSize != 0)
        line.insert(QStringLiteral("remainder"), length % kSurveyRecordSize);
}

} // namespace devsim
