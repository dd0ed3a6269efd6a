#include "protocol/formudp.h"

#include "protocol/capturefile.h"
#include "protocol/rc4encry.h"
#include "protocol/stepcounters.h"
#include "settings/debug.h"
#include "settings/globalvar.h"
#include "settings/textutil.h"
#include "settings/utility.h"

#include <QDateTime>
#include <QHostAddress>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

TFormUDP* FormUDP = nullptr;

using namespace swp;

namespace {

const uint8_t kBroadcastMAC[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const QString kBroadcastIP = QStringLiteral("255.255.255.255");

bool Tracing() {
    const CDebug* debug = CDebug::Instance();
    return debug && debug->IsOpen();
}

bool SameMAC(const uint8_t* a, const uint8_t* b) {
    return std::memcmp(a, b, 6) == 0;
}

// A dotted quad as a host-order number (0 when it is not one).
uint32_t HostOrder(const QString& text) {
    return QHostAddress(text).toIPv4Address();
}

} // namespace

TFormUDP::TFormUDP(QObject* target, QObject* parent) : QObject(parent), m_Target(target) {
    connect(&TimerWait, &CWaitTimer::Elapsed, this, [this] { TimerWaitTimer(); });

    if (!IPHelp().GetLocalAddress(HostMAC)) {
        QRandomGenerator random(static_cast<quint32>(QDateTime::currentMSecsSinceEpoch()));
        for (uint8_t& byte : HostMAC)
            byte = static_cast<uint8_t>(random.bounded(256));
    }
}

TFormUDP::~TFormUDP() {
    CloseInterfaces();
    ClearDevices();
    ClearSurvey();
}

// ---------------------------------------------------------------------------
// Interfaces

bool TFormUDP::OpenInterfaces() {
    const auto adapters = IPHelp().GetAdaptersList();
    if (!adapters)
        return false;
    bool opened = false;
    for (const AdapterInfo& adapter : *adapters) {
        for (const AdapterAddress& address : adapter.Addresses) {
            if (HostOrder(address.IP) == 0)
                continue;
            if (!m_AdapterFilter.isEmpty() && address.IP != m_AdapterFilter)
                continue;
            DebugLog("Addr=%s, IP=%s, Iface=%s", qPrintable(FormatMAC(adapter.Address)),
                     qPrintable(address.IP), qPrintable(adapter.Description));
            auto socket = std::make_unique<CUDPSocket>();
            std::memcpy(socket->AdapterMAC, adapter.Address, 6);
            socket->LocalIP = address.IP;
            socket->Netmask = address.Mask;
            socket->Port = kHostPort;
            socket->Interface = adapter.Name;
            if (socket->Open(this, UM_UDP_READ)) {
                m_Sockets.push_back(std::move(socket));
                opened = true;
                break; // the adapter's other addresses are not used
            }
        }
    }
    return opened;
}

void TFormUDP::CloseInterfaces() {
    if (LoggedIn) {
        SendLogout(0);
        PendingRequest = WAIT_NONE;
        LoggedIn = false;
    }
    m_Sockets.clear();
}

void TFormUDP::AdoptSocket(std::unique_ptr<CUDPSocket> socket) {
    if (socket)
        m_Sockets.push_back(std::move(socket));
}

void TFormUDP::ClearDevices() {
    m_Devices.clear();
}

void TFormUDP::ClearSurvey() {
    m_Survey.clear();
}

void TFormUDP::GetDeviceList(std::vector<DeviceRecord>& list) const {
    list.insert(list.end(), m_Devices.begin(), m_Devices.end());
}

void TFormUDP::GetSurveyList(std::vector<_tag_AP_ROFIILE>& list) const {
    list.insert(list.end(), m_Survey.begin(), m_Survey.end());
}

void TFormUDP::GetWPSSurveyList(std::vector<_tag_AP_ROFIILE>& list) const {
    std::copy_if(m_Survey.begin(), m_Survey.end(), std::back_inserter(list),
                 [](const _tag_AP_ROFIILE& ap) { return ap.WpsCapable; });
}

// ---------------------------------------------------------------------------
// Requests

bool TFormUDP::SendRequest(const char* name, CPacketBuilder packet, int code, int wait) {
    if (name)
        DebugLog("TFormUDP::%s()", name);
    PendingRequest = code;
    SendPacket(packet.Data(), packet.Size());
    if (wait > 0)
        ArmWait(wait);
    else
        PendingRequest = WAIT_NONE;
    return true;
}

QString TFormUDP::AdapterFailureText() {
    return GetText(QStringLiteral("Message"), QStringLiteral("ER_Ethr_Interface"),
                   QStringLiteral("Unable to initialize adapter interface."));
}

bool TFormUDP::SendDiscover(int wait, bool reopen) {
    DebugLog("TFormUDP::SendDiscover()");
    if (reopen) {
        CloseInterfaces();
        ClearDevices();
        IPHelp().ClearArpCache();
        if (!OpenInterfaces()) {
            DebugLog("TFormUDP::SendDiscover() FAIL init interface");
            return false;
        }
    }
    std::memcpy(TargetMAC, kBroadcastMAC, 6);
    DestPort = kDevicePort;
    return SendRequest(nullptr, BuildDiscover(HostMAC), WAIT_DISCOVER, wait);
}

bool TFormUDP::SendLogin(int wait) {
    DebugLog("TFormUDP::SendLogin()");
    DestPort = kDevicePort;
    return SendRequest(nullptr, BuildLogin(HostMAC, g_Var.Device.MAC), WAIT_LOGIN, wait);
}

bool TFormUDP::SendLogout(int wait) {
    SendRequest("SendLogout", BuildLogout(HostMAC), WAIT_LOGOUT, wait);
    if (wait <= 0)
        LoggedIn = false;
    return true;
}

bool TFormUDP::SendGetConfig(int wait) {
    return SendRequest("SendGetConfig", BuildGetConfig(HostMAC), WAIT_GET_CONFIG, wait);
}

bool TFormUDP::SendGetMode(int wait) {
    return SendRequest("SendGetMode", BuildGetMode(HostMAC), WAIT_GET_CONFIG, wait);
}

bool TFormUDP::SendSetMode(int wait, int mode) {
    return SendRequest("SendSetMode", BuildSetMode(HostMAC, mode), WAIT_SET_MODE, wait);
}

bool TFormUDP::SendIPSetting(int wait) {
    return SendRequest("SendIPSetting", BuildIPSetting(HostMAC, g_Var.NewIP), WAIT_IP_SETTING,
                       wait);
}

void TFormUDP::WarnIfCapturingKey() {
    CCaptureFile* capture = CCaptureFile::Instance();
    if (capture && g_Var.NewWl.Security != 0)
        capture->WarnKeySent();
}

bool TFormUDP::SendWlSetting(int wait) {
    WarnIfCapturingKey();
    return SendRequest("SendWlSetting", BuildWlSetting(HostMAC, g_Var.NewWl), WAIT_WL_SETTING,
                       wait);
}

bool TFormUDP::SendWlStationSetting(int wait) {
    WarnIfCapturingKey();
    return SendRequest("SendWlStationSetting", BuildWlStationSetting(HostMAC, g_Var.NewWl),
                       WAIT_WL_STA_SETTING, wait);
}

bool TFormUDP::SendWPSPBC(int wait) {
    return SendRequest("SendWPSPBC", BuildWPSPBC(HostMAC), WAIT_WPS_PBC, wait);
}

bool TFormUDP::SendWPSPIN(int wait) {
    return SendRequest("SendWPSPIN", BuildWPSPIN(HostMAC, g_Var.NewWl.PinNumber), WAIT_WPS_PIN,
                       wait);
}

// The station role logs the same lines as the access-point role.
bool TFormUDP::SendStaWPSPBC(int wait) {
    return SendRequest("SendWPSPBC", BuildWPSPBC(HostMAC), WAIT_WPS_PBC, wait);
}

bool TFormUDP::SendStaWPSPIN(int wait) {
    return SendRequest("SendWPSPIN", BuildStaWPSPIN(HostMAC, g_Var.NewWl), WAIT_WPS_PIN, wait);
}

bool TFormUDP::SendSiteSurvey(int wait) {
    return SendRequest("SendSiteSurvey", BuildSiteSurvey(HostMAC), WAIT_SITE_SURVEY, wait);
}

bool TFormUDP::SendStationGetConfig(int wait) {
    return SendRequest("SendStationGetConfig", BuildStationGetConfig(HostMAC), WAIT_STA_GET_CONFIG,
                       wait);
}

void TFormUDP::SendPacket(uint8_t* buffer, int length) {
    DumpPacket("[Tx]", buffer, length, 0, QString());
    m_Cipher.Apply(buffer, static_cast<size_t>(length), CipherKey());
    for (const auto& socket : m_Sockets) {
        std::memcpy(buffer + kMacOffset, socket->AdapterMAC, 6);
        // A failed send is ignored; one that left goes into the capture.
        CCaptureFile* capture = CCaptureFile::Instance();
        if (socket->SendTo(buffer, length, DestPort, kBroadcastIP) && capture)
            capture->RecordSocket(*socket, true, buffer, length, DestPort, kBroadcastIP);
    }
}

void TFormUDP::DumpPacket(const char* direction, const uint8_t* buffer, int length, uint16_t port,
                          const QString& ip) const {
    if (!Tracing())
        return;
    char title[128];
    if (std::strcmp(direction, "[Tx]") == 0)
        std::snprintf(title, sizeof title, "[Tx] size=%d", length);
    else
        std::snprintf(title, sizeof title, "%s %s:%d size=%d", direction, qPrintable(ip), port,
                      length);
    const size_t size = static_cast<size_t>(std::max(length, 0));
    DebugDump(title, buffer, size, SecretBytes(buffer, size));
}

// The password is read at every packet; its key bytes are made again only when
// it changed.
const QByteArray& TFormUDP::CipherKey() {
    if (g_Var.Password != m_KeyPassword || m_Key.isNull()) {
        m_KeyPassword = g_Var.Password;
        m_Key = PasswordKey(m_KeyPassword);
    }
    return m_Key;
}

void TFormUDP::ArmWait(int wait) {
    TimerWait.Start(wait);
}

void TFormUDP::StopWait() {
    TimerWait.Stop();
}

void TFormUDP::Post(int message, int code, int32_t value) {
    m_Poster.Post(m_Target, message, code, value);
}

void TFormUDP::TimerWaitTimer() {
    StopWait();
    DebugLog("TFormUDP::TimerWaitTimer() %d", PendingRequest);
    Post(UM_UDP_TIMEOUT, PendingRequest, 0);
    PendingRequest = WAIT_NONE;
}

// ---------------------------------------------------------------------------
// Receiving

bool TFormUDP::event(QEvent* e) {
    if (e->type() == static_cast<QEvent::Type>(UM_UDP_READ)) {
        const auto* message = dynamic_cast<const CSocketReadMessage*>(e);
        if (message && message->DatagramWaiting()) {
            UDPSocketRead(&message->Socket());
            return true;
        }
    }
    return QObject::event(e);
}

void TFormUDP::UDPSocketRead(CUDPSocket* socket) {
    // Only our own sockets report here; anything else is not a socket to read.
    const bool ours = std::any_of(m_Sockets.begin(), m_Sockets.end(),
                                  [socket](const auto& own) { return own.get() == socket; });
    if (!ours)
        return;
    if (Tracing())
        DebugLog("Local IP:%s", qPrintable(socket->LocalIP));
    // Mostly the same socket as before: its text is already shared.
    if (LastLocalIP.constData() != socket->LocalIP.constData() ||
        LastLocalIP.size() != socket->LocalIP.size())
        LastLocalIP = socket->LocalIP;

    // The datagram is handled where the socket received it: the engine
    // deciphers it in place and keeps nothing of it.
    CUDPSocket::Datagram datagram;
    const int length = socket->RecvInPlace(datagram);
    if (length <= 0) {
        DebugLog("TFormUDP::UDPSocketRead() %d", length);
        return;
    }
    static const QString kUnknownSender;
    const QString& ip = datagram.ip ? *datagram.ip : kUnknownSender;
    if (CCaptureFile* capture = CCaptureFile::Instance())
        capture->RecordSocket(*socket, false, datagram.data, length, datagram.port, ip);
    steps::Mark(steps::Receive);
    ProcRecvData(datagram.data, length, socket, datagram.port, ip);
    steps::End();
}

void TFormUDP::ProcRecvData(uint8_t* buffer, int length, CUDPSocket* socket, uint16_t port,
                            const QString& ip) {
    if (buffer == nullptr || length < kHeaderSize) {
        DebugLog("TFormUDP::ProcRecvData() FAIL length");
        return;
    }
    if (std::memcmp(buffer, kMagic, sizeof kMagic) != 0) {
        DebugLog("TFormUDP::ProcRecvData() FAIL magic word");
        return;
    }
    if (buffer[8] != kVersion) {
        DebugLog("TFormUDP::ProcRecvData() FAIL version");
        return;
    }
    PacketHeader header{};
    ParseHeader(buffer, static_cast<size_t>(length), header);
    for (const auto& own : m_Sockets) {
        if (SameMAC(header.mac, own->AdapterMAC)) {
            DebugLog("TFormUDP::ProcRecvData() FAIL received a request");
            return;
        }
    }
    if (SameMAC(header.mac, HostMAC)) {
        DebugLog("TFormUDP::ProcRecvData() FAIL received a request");
        return;
    }
    if (!SameMAC(TargetMAC, kBroadcastMAC) && !SameMAC(header.mac, TargetMAC)) {
        DebugLog("TFormUDP::ProcRecvData() FAIL destination address doesn't match");
        return;
    }
    if (kHeaderSize + header.payloadLength != length) {
        DebugLog("TFormUDP::ProcRecvData() FAIL total length");
        return;
    }

    steps::Mark(steps::Decode);
    if (header.opcode != OP_DISCOVER)
        m_Cipher.Apply(buffer, static_cast<size_t>(length), CipherKey());
    steps::Mark(steps::Decipher);
    DumpPacket("[Rx]", buffer, length, port, ip);

    const Received packet{buffer, length, header, buffer + kHeaderSize, socket, port, &ip};
    switch (header.opcode) {
    case OP_DISCOVER:
        RecvDiscover(packet);
        break;
    case OP_LOGIN:
        RecvLogin(packet);
        break;
    case OP_LOGOUT:
        RecvLogout(packet);
        break;
    case OP_GET_CONFIG:
        RecvGetConfig(packet);
        break;
    case OP_SET_CONFIG:
    case OP_STA_SET_CONFIG:
        RecvSetConfig(packet);
        break;
    case OP_EVENT:
        RecvEvent(packet);
        break;
    case OP_SITE_SURVEY:
        RecvSiteSurvey(packet);
        break;
    case OP_STA_GET_CONFIG:
        RecvStationGetConfig(packet);
        break;
    default: // 5 and everything above 9
        break;
    }
}

// ---------------------------------------------------------------------------
// Reply handlers

void TFormUDP::RecvDiscover(const Received& packet) {
    DebugLog("TFormUDP::RecvDiscover()");
    if (PendingRequest != WAIT_DISCOVER) {
        DebugLog("  ignore data");
        return;
    }
    const bool known = std::any_of(m_Devices.begin(), m_Devices.end(), [&](const DeviceRecord& d) {
        return SameMAC(d.MAC, packet.header.mac);
    });
    if (known) {
        DebugLog("  already exist");
        return;
    }
    DeviceRecord record{};
    bool valid = false;
    WalkTLVs(packet.payload, packet.header.payloadLength, [&](const Tlv& tlv) {
        valid = true;
        if (tlv.type == DEVICE_NAME) {
            tlv.CopyText(record.Name, sizeof record.Name);
            DebugLog("  DevName=%s", record.Name);
        }
    });
    if (!valid)
        return;
    if (packet.socket) {
        record.LocalIP = HostOrder(packet.socket->LocalIP);
        record.LocalMask = HostOrder(packet.socket->Netmask);
    }
    record.DeviceIP = HostOrder(*packet.ip);
    std::memcpy(record.MAC, packet.header.mac, 6);
    m_Devices.push_back(record);
    emit DeviceFound(record);
}

void TFormUDP::RecvLogin(const Received& packet) {
    DebugLog("TFormUDP::RecvLogin()");
    // Every device on the LAN hears the login broadcast and the others refuse
    // it: only the answer of the device being logged in to counts.
    if (!TakeReply(SameMAC(packet.header.mac, g_Var.Device.MAC) ? WAIT_LOGIN : WAIT_NONE))
        return;
    int result = 0;
    LoginPortIgnored = false;
    WalkTLVs(packet.payload, packet.header.payloadLength, [&](const Tlv& tlv) {
        if (tlv.type == TLVTYPE_OTHER_RESULT) {
            result = tlv.U8();
            DebugLog("  Result=%d", result);
        } else if (tlv.type == TLVTYPE_OTHER_PORT) {
            TakeLoginPort(tlv);
        }
    });
    LoggedIn = result != 0;
    if (LoggedIn)
        std::memcpy(TargetMAC, packet.header.mac, 6);
    Post(UM_UDP_RESULT, WAIT_LOGIN, result);
}

// A port of another size, or port 0, would send every later request nowhere:
// such a value is not taken and the requests keep their port.
void TFormUDP::TakeLoginPort(const Tlv& tlv) {
    if (tlv.length != 2) {
        DebugLog("  Port ignored: length %d", tlv.length);
        LoginPortIgnored = true;
    } else if (tlv.U16() == 0) {
        DebugLog("  Port ignored: 0");
        LoginPortIgnored = true;
    } else {
        DestPort = tlv.U16();
        DebugLog("  Port=%d", DestPort);
    }
}

// The common start of a reply handler: a reply to the pending request ends its
// wait; any other reply is ignored and the wait goes on.
bool TFormUDP::TakeReply(int code) {
    if (code == WAIT_NONE || PendingRequest != code) {
        DebugLog("  ignore data");
        return false;
    }
    StopWait();
    PendingRequest = WAIT_NONE;
    return true;
}

// The TLVTYPE_OTHER_RESULT byte of a reply; 0 when it has none.
int TFormUDP::ReadResult(const Received& packet) const {
    int result = 0;
    WalkTLVs(packet.payload, packet.header.payloadLength, [&](const Tlv& tlv) {
        if (tlv.type == TLVTYPE_OTHER_RESULT) {
            result = tlv.U8();
            DebugLog("  Result=%d", result);
        }
    });
    return result;
}

void TFormUDP::RecvLogout(const Received& packet) {
    DebugLog("TFormUDP::RecvLogout()");
    if (!TakeReply(WAIT_LOGOUT))
        return;
    const int result = ReadResult(packet);
    LoggedIn = result == 0;
    Post(UM_UDP_RESULT, WAIT_LOGOUT, result);
}

void TFormUDP::RecvGetConfig(const Received& packet) {
    DebugLog("TFormUDP::RecvGetConfig()");
    if (!TakeReply(WAIT_GET_CONFIG))
        return;
    IPConfig& ip = g_Var.CurIP;
    WirelessProfile& wl = g_Var.CurWl;
    // An empty reply, or one enciphered with another key, holds no value
    // the device reports: it is no configuration.
    bool read = false;
    WalkTLVs(packet.payload, packet.header.payloadLength, [&](const Tlv& tlv) {
        switch (tlv.type) {
        case DEVICE_MODE:
            g_Var.DeviceMode = tlv.U8();
            DebugLog("  DEVICE_MODE=0x%02X", g_Var.DeviceMode);
            break;
        case IP_MODE:
            ip.IpMode = tlv.U8() != 0 ? 1 : 0;
            DebugLog("  IP_MODE=%d", ip.IpMode);
            break;
        case LAN_IP:
            ip.IP = tlv.U32();
            DebugLog("  LAN_IP=%X", ip.IP);
            break;
        case LAN_NETMASK:
            ip.Mask = tlv.U32();
            DebugLog("  LAN_NETMASK=%X", ip.Mask);
            break;
        case LAN_GATEWAY:
            ip.Gateway = tlv.U32();
            DebugLog("  LAN_GATEWAY=%X", ip.Gateway);
            break;
        case WL_SSID:
            tlv.CopyText(wl.SSID, sizeof wl.SSID);
            DebugLog("  WL_SSID=%s", wl.SSID);
            break;
        case WL_CH_LIST: {
            // At most 255 channel bytes: they always fit the 256-byte list.
            CopyBytes(wl.ChList, tlv.value, tlv.length);
            wl.ChList[tlv.length] = 0;
            if (Tracing()) {
                std::string channels;
                char one[8];
                for (int i = 0; i < tlv.length; ++i) {
                    std::snprintf(one, sizeof one, " %d", tlv.value[i]);
                    channels += one;
                }
                DebugLog("  WL_CH_LIST=(%d) %s", tlv.length, channels.c_str());
            }
            break;
        }
        case WL_EXT_CH:
            wl.ExtCh = tlv.U8();
            DebugLog("  WL_EXT_CH=%d", wl.ExtCh);
            break;
        case WL_STD_CH:
            wl.StdCh = tlv.U8();
            DebugLog("  WL_STD_CH=%d", wl.StdCh);
            break;
        case WL_SECURITY_MODE:
            wl.Security = tlv.U8();
            DebugLog("  WL_SECURITY_MODE=%d", wl.Security);
            break;
        case WL_AUTH_MODE:
            wl.Auth = tlv.U8();
            DebugLog("  WL_AUTH_MODE=%d", wl.Auth);
            break;
        case WL_WEPKEY_LEN:
            wl.WepKeyLen = tlv.U8();
            DebugLog("  WL_WEPKEY_LEN=%d", wl.WepKeyLen);
            break;
        case WL_WEPKEY_INDEX:
            DebugLog("  WL_WEPKEY_INDEX=%d", tlv.U8());
            break;
        case WL_WPA_MODE:
            wl.WpaMode = tlv.U8();
            DebugLog("  WL_WPA_MODE=%d", wl.WpaMode);
            break;
        case WL_WPA_CIPHER:
            wl.WpaCipher = tlv.U8();
            DebugLog("  WL_WPA_CIPHER=%d", wl.WpaCipher);
            break;
        case WL_WPS_PIN:
            wl.WpsPin = tlv.U32();
            DebugLog("  WL_WPS_PIN=0x********"); // the PIN gives access to the network
            break;
        default:
            DebugLog("  TLV=0x%X", tlv.type);
            return;
        }
        read = true;
    });
    if (!read)
        DebugLog("  no configuration value");
    Post(UM_UDP_RESULT, WAIT_GET_CONFIG, read ? 1 : 0);
}

void TFormUDP::RecvSetConfig(const Received& packet) {
    DebugLog("TFormUDP::RecvSetConfig()");
    switch (PendingRequest) {
    case WAIT_IP_SETTING:
    case WAIT_WL_SETTING:
    case WAIT_WPS_PBC:
    case WAIT_WPS_PIN:
    case WAIT_SET_MODE:
    case WAIT_WL_STA_SETTING:
        break;
    default:
        DebugLog("  ignore data");
        return;
    }
    const int result = ReadResult(packet);
    Post(UM_UDP_RESULT, PendingRequest, result);
    StopWait();
    PendingRequest = WAIT_NONE;
}

void TFormUDP::RecvEvent(const Received& packet) {
    DebugLog("TFormUDP::RecvEvent()");
    WalkTLVs(packet.payload, packet.header.payloadLength, [&](const Tlv& tlv) {
        if (tlv.type == TLVTYPE_OTHER_CONNECTTIMEOUT) {
            LoggedIn = false;
            DebugLog("  TLVTYPE_OTHER_CONNECTTIMEOUT");
        } else if (tlv.type == TLVTYPE_OTHER_WPS_STATUS) {
            const int32_t status = tlv.I32();
            DebugLog("  TLVTYPE_OTHER_WPS_STATUS %d", status);
            Post(UM_UDP_EVENT, TLVTYPE_OTHER_WPS_STATUS, status);
        } else {
            DebugLog("  TLV=0x%X", tlv.type);
        }
    });
}

void TFormUDP::RecvSiteSurvey(const Received& packet) {
    DebugLog("TFormUDP::RecvSiteSurvey()");
    if (!TakeReply(WAIT_SITE_SURVEY))
        return;
    ClearSurvey();
    m_Survey = ParseSurvey(packet.payload, packet.header.payloadLength);
    Post(UM_UDP_RESULT, WAIT_SITE_SURVEY, 0);
}

void TFormUDP::RecvStationGetConfig(const Received& packet) {
    DebugLog("TFormUDP::RecvStationGetConfig()");
    if (!TakeReply(WAIT_STA_GET_CONFIG))
        return;
    WalkTLVs(packet.payload, packet.header.payloadLength, [&](const Tlv& tlv) {
        if (tlv.type == WL_WPS_PIN) {
            // Cut to the 11 characters the PIN field holds.
            tlv.CopyText(g_Var.ApClientPin, sizeof g_Var.ApClientPin);
            DebugLog(
                "  AP Client PIN Code = %s",
                std::string(strnlen(g_Var.ApClientPin, sizeof g_Var.ApClientPin), '*').c_str());
        } else {
            DebugLog("  TLV=0x%X", tlv.type);
        }
    });
    Post(UM_UDP_RESULT, WAIT_STA_GET_CONFIG, 1);
}
