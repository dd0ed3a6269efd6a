#include "tools/devsim/device.h"
#include "settings/textutil.h"

#include "protocol/rc4encry.h"
#include "tools/devsim/tlvjson.h"

#include <QJsonArray>
#include <cstring>
#include <optional>

namespace devsim {

using namespace swp;

namespace {

constexpr int kSsidLimit = 32;

const QString kDevice = QStringLiteral("device");
const QString kKind = QStringLiteral("kind");
const QString kAction = QStringLiteral("action");
const QString kReason = QStringLiteral("reason");

void Note(QJsonObject& line, const char* action, const QString& reason = QString()) {
    line.insert(kAction, QLatin1String(action));
    if (!reason.isEmpty())
        line.insert(kReason, reason);
}

bool IsSetting(RequestKind kind) {
    switch (kind) {
    case RequestKind::Logout:
    case RequestKind::SetIp:
    case RequestKind::SetMode:
    case RequestKind::SetWireless:
    case RequestKind::SetStation:
    case RequestKind::WpsPbc:
    case RequestKind::WpsPin:
        return true;
    default:
        return false;
    }
}

std::string TextOf(const Tlv& tlv) {
    return std::string(reinterpret_cast<const char*>(tlv.value), tlv.length);
}

// A WEP key is 5 or 13 characters, or 10 or 26 hex digits.
int WepKeyLenOf(size_t length, int previous) {
    if (length == 5 || length == 10)
        return 0;
    if (length == 13 || length == 26)
        return 1;
    return previous;
}

} // namespace

// A request deciphered with the device's password.
struct CSimDevice::Decoded {
    PacketHeader header{};
    Mac hostMac{};
    Peer from;
    std::vector<uint8_t> payload; // plain
    std::vector<Tlv> tlvs;        // point into payload
    bool truncated = false;

    std::optional<Tlv> Find(uint8_t type) const {
        for (const Tlv& tlv : tlvs)
            if (tlv.type == type)
                return tlv;
        return std::nullopt;
    }
};

CSimDevice::CSimDevice(const DeviceConfig& config, IDeviceHost& host)
    : m_Config(config), m_Host(host), m_Key(PasswordKey(QString::fromStdString(config.password))),
      m_Mode(config.mode), m_Ip(config.ip), m_Wl(config.wireless) {}

void CSimDevice::Handle(const uint8_t* data, size_t length, const PacketHeader& header,
                        const Peer& from, QJsonObject& line) {
    line.insert(kDevice, QString::fromStdString(m_Config.name));
    if (header.opcode == OP_DISCOVER) {
        line.insert(kKind, QLatin1String(KindName(RequestKind::Discover)));
        DecodeTlvs(data + kHeaderSize, header.payloadLength, false, line);
        HandleDiscover(from, NextBehaviour(RequestKind::Discover), line);
        return;
    }

    Decoded request;
    request.header = header;
    std::memcpy(request.hostMac.data(), header.mac, 6);
    request.from = from;
    std::vector<uint8_t> packet(data, data + length);
    CryptPayload(packet.data(), packet.size(), m_Key);
    request.payload.assign(packet.begin() + kHeaderSize, packet.end());
    const uint16_t size = static_cast<uint16_t>(request.payload.size());
    DecodeTlvs(request.payload.data(), size, false, line);
    request.truncated = WalkTLVs(request.payload.data(), size, [&](const Tlv& tlv) {
                            request.tlvs.push_back(tlv);
                        }) == WalkResult::Truncated;

    const RequestKind kind = KindOf(request);
    if (static_cast<int>(kind) < 0) {
        const bool handled =
            header.opcode <= OP_STA_SET_CONFIG && header.opcode != 5 && header.opcode != OP_EVENT;
        Note(line, "ignore",
             !handled            ? QStringLiteral("opcode not handled")
             : request.truncated ? QStringLiteral("undecipherable")
                                 : QStringLiteral("no request the device knows"));
        return;
    }
    line.insert(kKind, QLatin1String(KindName(kind)));
    if (kind == RequestKind::Login) {
        HandleLogin(request, NextBehaviour(kind), line);
        return;
    }
    if (m_Config.requireLogin && !LoggedIn(request.hostMac)) {
        if (IsSetting(kind)) {
            Note(line, "refuse", QStringLiteral("not logged in"));
            ReplyTo(kind, request, Behaviour{}, true);
        } else {
            Note(line, "ignore", QStringLiteral("not logged in"));
        }
        return;
    }
    const Behaviour behaviour = NextBehaviour(kind);
    switch (behaviour.action) {
    case Action::Drop:
        Note(line, "drop", QStringLiteral("configured"));
        return;
    case Action::Refuse:
        Note(line, "refuse", QStringLiteral("configured"));
        ReplyTo(kind, request, behaviour, true);
        return;
    case Action::Answer:
        break;
    }
    const bool applied = Apply(kind, request, line);
    if (applied)
        Note(line, "answer");
    ReplyTo(kind, request, behaviour, !applied);
    if (applied && (kind == RequestKind::WpsPbc || kind == RequestKind::WpsPin))
        StartWps(request, behaviour.delayMs);
}

void CSimDevice::HandleDiscover(const Peer& from, const Behaviour& behaviour, QJsonObject& line) {
    if (behaviour.action == Action::Drop) {
        Note(line, "drop", QStringLiteral("configured"));
        return;
    }
    const bool refused = behaviour.action == Action::Refuse;
    Note(line, refused ? "refuse" : "answer", refused ? QStringLiteral("configured") : QString());
    for (int n = 0; n < m_Config.clones; ++n) {
        const Mac mac = CloneMac(m_Config.mac, n);
        CPacketBuilder packet(mac.data(), OP_DISCOVER);
        if (!refused) {
            const std::string name = CloneName(m_Config.name, n, m_Config.clones);
            packet.AppendTLV(DEVICE_NAME, name.data(), static_cast<uint8_t>(name.size()));
        }
        m_Host.Send(Compose(packet, from, KindName(RequestKind::Discover), true),
                    behaviour.delayMs);
    }
}

void CSimDevice::HandleLogin(const Decoded& request, const Behaviour& behaviour,
                             QJsonObject& line) {
    if (behaviour.action == Action::Drop) {
        Note(line, "drop", QStringLiteral("configured"));
        return;
    }
    const std::optional<Tlv> mac = request.Find(DEVICE_MAC);
    const std::optional<Tlv> phrase = request.Find(TLVTYPE_OTHER_AUTH_PHRASE);
    const bool ownMac =
        mac && mac->length == 6 && std::memcmp(mac->value, m_Config.mac.data(), 6) == 0;
    const bool phraseOk = phrase && phrase->length == kAuthPhraseLength &&
                          std::memcmp(phrase->value, kAuthPhrase, kAuthPhraseLength) == 0;
    bool accepted = false;
    if (behaviour.action == Action::Refuse) {
        Note(line, "refuse", QStringLiteral("configured"));
    } else if (ownMac && phraseOk) {
        accepted = true;
        Note(line, "answer");
    } else if (!ownMac && m_Config.foreignLogin == ForeignLogin::Ignore) {
        Note(line, "ignore", QStringLiteral("login for another device"));
        return;
    } else {
        Note(line, "refuse",
             ownMac ? QStringLiteral("wrong phrase") : QStringLiteral("wrong MAC or password"));
    }

    if (accepted) {
        const uint64_t generation = ++m_Generation;
        m_Logins[request.hostMac] = Login{request.from, generation};
        if (m_Config.connectTimeoutMs > 0) {
            const Mac host = request.hostMac;
            m_Host.After(m_Config.connectTimeoutMs, [this, host, generation] {
                const auto login = m_Logins.find(host);
                if (login == m_Logins.end() || login->second.generation != generation)
                    return;
                const Peer peer = login->second.peer;
                m_Logins.erase(login);
                CPacketBuilder event(m_Config.mac.data(), OP_EVENT);
                event.AppendTLV(TLVTYPE_OTHER_CONNECTTIMEOUT, nullptr, 0);
                SendEvent(event, peer, "connect_timeout");
            });
        }
    }
    CPacketBuilder reply(m_Config.mac.data(), OP_LOGIN);
    reply.AppendByte(TLVTYPE_OTHER_RESULT, accepted ? 1 : 0);
    if (accepted && m_Config.loginPortValue)
        reply.AppendTLV(TLVTYPE_OTHER_PORT, m_Config.loginPortValue->data(),
                        static_cast<uint8_t>(m_Config.loginPortValue->size()));
    else if (accepted && m_Config.loginPort != 0)
        reply.AppendU16(TLVTYPE_OTHER_PORT, m_Config.loginPort);
    m_Host.Send(Compose(reply, request.from, KindName(RequestKind::Login), false),
                behaviour.delayMs);
}

RequestKind CSimDevice::KindOf(const Decoded& request) const {
    const auto none = static_cast<RequestKind>(-1);
    switch (request.header.opcode) {
    case OP_LOGIN:
        return RequestKind::Login;
    case OP_LOGOUT:
        return RequestKind::Logout;
    case OP_GET_CONFIG:
        if (request.tlvs.empty())
            return none;
        if (request.tlvs.front().type == TLVTYPE_OTHER_GET_ALL)
            return RequestKind::GetConfig;
        if (request.tlvs.front().type == DEVICE_MODE)
            return RequestKind::GetMode;
        return none;
    case OP_SET_CONFIG:
        if (request.Find(WL_WPS_PBC))
            return RequestKind::WpsPbc;
        if (request.Find(WL_WPS_PIN))
            return RequestKind::WpsPin;
        if (request.Find(IP_MODE))
            return RequestKind::SetIp;
        if (request.Find(DEVICE_MODE))
            return RequestKind::SetMode;
        if (request.Find(WL_SSID))
            return RequestKind::SetWireless;
        return none;
    case OP_SITE_SURVEY:
        return RequestKind::Survey;
    case OP_STA_GET_CONFIG:
        return RequestKind::StaGetConfig;
    case OP_STA_SET_CONFIG:
        return request.Find(WL_SSID) ? RequestKind::SetStation : none;
    default:
        return none;
    }
}

Behaviour CSimDevice::NextBehaviour(RequestKind kind) {
    const int seen = m_Seen[kind]++;
    const auto configured = m_Config.requests.find(kind);
    if (configured == m_Config.requests.end())
        return Behaviour{};
    if (configured->second.count >= 0 && seen >= configured->second.count)
        return Behaviour{};
    return configured->second;
}

bool CSimDevice::Apply(RequestKind kind, const Decoded& request, QJsonObject& line) {
    switch (kind) {
    case RequestKind::Logout:
        m_Logins.erase(request.hostMac);
        return true;
    case RequestKind::SetIp: {
        const std::optional<Tlv> mode = request.Find(IP_MODE);
        if (mode->U8() != 0) {
            m_Ip.dhcp = true;
            return true;
        }
        const std::optional<Tlv> ip = request.Find(LAN_IP);
        const std::optional<Tlv> mask = request.Find(LAN_NETMASK);
        const std::optional<Tlv> gateway = request.Find(LAN_GATEWAY);
        if (!ip || !mask || !gateway || ip->length != 4 || mask->length != 4 ||
            gateway->length != 4) {
            Note(line, "refuse", QStringLiteral("incomplete static address"));
            return false;
        }
        m_Ip.dhcp = false;
        m_Ip.ip = ip->U32();
        m_Ip.mask = mask->U32();
        m_Ip.gateway = gateway->U32();
        return true;
    }
    case RequestKind::SetMode: {
        const uint8_t mode = request.Find(DEVICE_MODE)->U8();
        if (mode != DEVICE_AP && mode != DEVICE_WBRIDGE) {
            Note(line, "refuse", QStringLiteral("unknown device mode"));
            return false;
        }
        m_Mode = mode;
        return true;
    }
    case RequestKind::SetWireless:
    case RequestKind::SetStation: {
        if (request.Find(WL_SSID)->length > kSsidLimit) {
            Note(line, "refuse", QStringLiteral("SSID longer than 32"));
            return false;
        }
        for (const Tlv& tlv : request.tlvs) {
            switch (tlv.type) {
            case WL_SSID:
                m_Wl.ssid = TextOf(tlv);
                break;
            case WL_STD_CH:
                m_Wl.stdCh = tlv.U8();
                break;
            case WL_EXT_CH:
                m_Wl.extCh = tlv.U8();
                break;
            case WL_WIRELESS_MODE:
                m_Wl.wirelessMode = tlv.U8();
                break;
            case WL_SECURITY_MODE:
                m_Wl.security = tlv.U8();
                break;
            case WL_AUTH_MODE:
                m_Wl.auth = tlv.U8();
                break;
            case WL_WEPKEY:
                m_Wl.wepKey = TextOf(tlv);
                m_Wl.wepKeyLen = WepKeyLenOf(m_Wl.wepKey.size(), m_Wl.wepKeyLen);
                break;
            case WL_WEPKEY_INDEX:
                m_Wl.wepKeyIndex = tlv.U8();
                break;
            case WL_WPA_MODE:
                m_Wl.wpaMode = tlv.U8();
                break;
            case WL_WPA_CIPHER:
                m_Wl.cipher = tlv.U8();
                break;
            case WL_WPA_PSK:
                m_Wl.wpaKey = TextOf(tlv);
                break;
            default:
                break;
            }
        }
        return true;
    }
    default: // reads and WPS starts change nothing here
        return true;
    }
}

void CSimDevice::ReplyTo(RequestKind kind, const Decoded& request, const Behaviour& behaviour,
                         bool refused) {
    const uint8_t opcode = request.header.opcode;
    if (kind == RequestKind::Survey) {
        // Built by hand: a long survey exceeds the request-sized buffer.
        CPacketBuilder header(m_Config.mac.data(), OP_SITE_SURVEY);
        std::vector<uint8_t> bytes(header.Data(), header.Data() + kHeaderSize);
        // As many records as one datagram holds; the rest are left out.
        const size_t limit = static_cast<size_t>(kMaxSurveyRecords) * kSurveyRecordSize;
        const std::vector<SurveyEntry> none;
        for (const SurveyEntry& entry : refused ? none : m_Config.survey) {
            if (bytes.size() - kHeaderSize + kSurveyRecordSize > limit)
                break;
            _tag_AP_ROFIILE ap{};
            ap.Highlighted = entry.highlight;
            std::memcpy(ap.SSID, entry.ssid.data(), std::min<size_t>(entry.ssid.size(), 32));
            std::memcpy(ap.BSSID, entry.bssid.data(), 6);
            ap.Signal = entry.signal;
            ap.Channel = entry.channel;
            ap.Encryption = static_cast<uint8_t>(entry.encryption);
            ap.Authentication = static_cast<uint8_t>(entry.authentication);
            ap.NetworkKind = static_cast<uint8_t>(entry.kind);
            ap.WpsCapable = entry.wps;
            const auto record = EncodeSurveyRecord(ap);
            bytes.insert(bytes.end(), record.begin(), record.end());
        }
        const size_t payload = bytes.size() - kHeaderSize;
        bytes[kLengthOffset] = static_cast<uint8_t>(payload >> 8);
        bytes[kLengthOffset + 1] = static_cast<uint8_t>(payload & 0xFF);
        m_Host.Send(Compose(std::move(bytes), request.from, KindName(kind), false),
                    behaviour.delayMs);
        return;
    }

    CPacketBuilder reply(m_Config.mac.data(), opcode);
    if (IsSetting(kind)) {
        reply.AppendByte(TLVTYPE_OTHER_RESULT, refused ? 0 : 1);
    } else if (!refused) {
        switch (kind) {
        case RequestKind::GetConfig:
            AppendConfig(reply);
            break;
        case RequestKind::GetMode:
            reply.AppendByte(DEVICE_MODE, static_cast<uint8_t>(m_Mode));
            break;
        case RequestKind::StaGetConfig:
            reply.AppendTLV(WL_WPS_PIN, m_Config.clientPin.data(),
                            static_cast<uint8_t>(m_Config.clientPin.size()));
            break;
        default:
            break;
        }
    }
    m_Host.Send(Compose(reply, request.from, KindName(kind), false), behaviour.delayMs);
}

void CSimDevice::AppendConfig(CPacketBuilder& packet) const {
    packet.AppendByte(DEVICE_MODE, static_cast<uint8_t>(m_Mode));
    packet.AppendByte(IP_MODE, m_Ip.dhcp ? 1 : 0);
    packet.AppendU32(LAN_IP, m_Ip.ip);
    packet.AppendU32(LAN_NETMASK, m_Ip.mask);
    packet.AppendU32(LAN_GATEWAY, m_Ip.gateway);
    packet.AppendTLV(WL_SSID, m_Wl.ssid.data(), static_cast<uint8_t>(m_Wl.ssid.size()));
    packet.AppendTLV(WL_CH_LIST, m_Wl.channels.data(), static_cast<uint8_t>(m_Wl.channels.size()));
    packet.AppendByte(WL_EXT_CH, static_cast<uint8_t>(m_Wl.extCh));
    packet.AppendByte(WL_STD_CH, static_cast<uint8_t>(m_Wl.stdCh));
    packet.AppendByte(WL_SECURITY_MODE, static_cast<uint8_t>(m_Wl.security));
    packet.AppendByte(WL_AUTH_MODE, static_cast<uint8_t>(m_Wl.auth));
    packet.AppendByte(WL_WEPKEY_LEN, static_cast<uint8_t>(m_Wl.wepKeyLen));
    packet.AppendByte(WL_WEPKEY_INDEX, static_cast<uint8_t>(m_Wl.wepKeyIndex));
    packet.AppendByte(WL_WPA_MODE, static_cast<uint8_t>(m_Wl.wpaMode));
    packet.AppendByte(WL_WPA_CIPHER, static_cast<uint8_t>(m_Wl.cipher));
    packet.AppendU32(WL_WPS_PIN, m_Wl.wpsPin);
}

void CSimDevice::StartWps(const Decoded& request, int offsetMs) {
    const uint64_t run = ++m_WpsRun;
    const Peer peer = request.from;
    // A station pairing by PIN names the access point to join; once configured
    // the device reports that network as its own.
    std::string joined;
    const std::optional<Tlv> pin = request.Find(WL_WPS_PIN);
    if (m_Mode == DEVICE_WBRIDGE && pin)
        joined = TextOf(*pin);
    int at = offsetMs;
    for (const WpsStep& step : m_Config.wpsStatus) {
        at += step.delayMs;
        m_Host.After(at, [this, run, step, peer, joined] {
            if (run != m_WpsRun)
                return;
            CPacketBuilder event(m_Config.mac.data(), OP_EVENT);
            event.AppendU32(TLVTYPE_OTHER_WPS_STATUS, static_cast<uint32_t>(step.status));
            SendEvent(event, peer, "wps_status");
            if (step.status == 34 && !joined.empty())
                m_Wl.ssid = joined.substr(0, kSsidLimit);
        });
    }
}

void CSimDevice::SendEvent(const CPacketBuilder& packet, const Peer& peer, const char* kind) {
    m_Host.Send(Compose(packet, peer, kind, false), 0);
}

Outgoing CSimDevice::Compose(const CPacketBuilder& packet, const Peer& to, const char* kind,
                             bool plain) const {
    return Compose(packet.Bytes(), to, kind, plain);
}

Outgoing CSimDevice::Compose(std::vector<uint8_t> bytes, const Peer& to, const char* kind,
                             bool plain) const {
    Outgoing out;
    out.broadcast = m_Config.reply == ReplyMode::Broadcast;
    out.to = to;
    const uint8_t opcode = bytes[kOpcodeOffset];
    const uint16_t payload = static_cast<uint16_t>(bytes.size() - kHeaderSize);
    QJsonObject& line = out.line;
    line.insert(QStringLiteral("dir"), QStringLiteral("tx"));
    line.insert(kDevice, QString::fromStdString(m_Config.name));
    line.insert(kKind, QLatin1String(kind));
    line.insert(QStringLiteral("mac"), FormatMAC(bytes.data() + kMacOffset));
    line.insert(QStringLiteral("opcode"), opcode);
    line.insert(QStringLiteral("op"), OpcodeName(opcode));
    line.insert(QStringLiteral("to"),
                out.broadcast ? QStringLiteral("255.255.255.255:%1").arg(kHostPort)
                              : QStringLiteral("%1:%2").arg(DottedText(to.address)).arg(to.port));
    line.insert(QStringLiteral("via"),
                out.broadcast ? QStringLiteral("broadcast") : QStringLiteral("unicast"));
    line.insert(QStringLiteral("length"), static_cast<int>(bytes.size()));
    if (opcode == OP_SITE_SURVEY)
        DecodeSurvey(bytes.data() + kHeaderSize, payload, line);
    else
        DecodeTlvs(bytes.data() + kHeaderSize, payload, opcode == OP_GET_CONFIG, line);
    if (!plain)
        CryptPayload(bytes.data(), bytes.size(), m_Key);
    out.bytes = std::move(bytes);
    return out;
}

} // namespace devsim
