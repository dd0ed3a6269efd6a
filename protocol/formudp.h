#pragma once
// TFormUDP: the single protocol engine. It owns one socket per local adapter,
// the one wait timer, the list of discovered devices and the last site survey.
// Pages call the Send operations; the engine broadcasts the request, remembers
// the one pending request and reports its outcome by posting UM_UDP_RESULT or
// UM_UDP_TIMEOUT (a CUdpMessage with the pending-request code) to its target; device
// events arrive as UM_UDP_EVENT. Posting means a result always arrives after
// the call that caused it has returned, in the order things happened (the
// results of one burst of replies travel together: protocol/messagebatch.h). The
// engine never retries: every retry is the caller's decision.

#include "protocol/cudpsocket.h"
#include "protocol/iphelp.h"
#include "protocol/messagebatch.h"
#include "protocol/packet.h"
#include "protocol/rc4encry.h"
#include "settings/records.h"
#include "settings/waittimer.h"
#include "settings/winmessage.h"

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TFormUDP : public QObject {
    Q_OBJECT

public:
    // target receives the posted results (the application's main window).
    explicit TFormUDP(QObject* target = nullptr, QObject* parent = nullptr);
    ~TFormUDP() override;

    void SetTarget(QObject* target) { m_Target = target; }
    QObject* Target() const { return m_Target; }
    // Opens only the adapter that has this IPv4 address (empty: every adapter).
    void SetAdapterFilter(const QString& address) { m_AdapterFilter = address; }
    QString AdapterFilter() const { return m_AdapterFilter; }
    // Where the adapters come from; null goes back to the engine's own.
    // The engine does not own it.
    void SetIPHelp(const CIPHelp* ipHelp) { m_ExternalIPHelp = ipHelp; }

    // Requests. wait is in milliseconds; 0 means no reply is awaited.
    // False when reopen found no adapter socket to open: nothing was sent, and
    // the caller tells the user (AdapterFailureText).
    bool SendDiscover(int wait, bool reopen);
    static QString AdapterFailureText();
    bool SendLogin(int wait);
    bool SendLogout(int wait);
    bool SendGetConfig(int wait);
    bool SendGetMode(int wait);
    bool SendSetMode(int wait, int mode);
    bool SendIPSetting(int wait);
    bool SendWlSetting(int wait);
    bool SendWlStationSetting(int wait);
    bool SendWPSPBC(int wait);
    bool SendWPSPIN(int wait);
    bool SendStaWPSPBC(int wait);
    bool SendStaWPSPIN(int wait);
    bool SendSiteSurvey(int wait);
    bool SendStationGetConfig(int wait);

    // Append copies, in discovery / reply order; the caller owns them.
    void GetDeviceList(std::vector<DeviceRecord>& list) const;
    void GetSurveyList(std::vector<_tag_AP_ROFIILE>& list) const;
    void GetWPSSurveyList(std::vector<_tag_AP_ROFIILE>& list) const;

    bool OpenInterfaces();
    void CloseInterfaces();
    void ClearDevices();
    void ClearSurvey();

    // The sockets in the order opened.
    const std::vector<std::unique_ptr<CUDPSocket>>& Sockets() const { return m_Sockets; }
    // Appends a socket opened elsewhere (or a closed one, e.g. to stand for an
    // adapter in tests); the engine owns it from now on.
    void AdoptSocket(std::unique_ptr<CUDPSocket> socket);

    bool IsWaiting() const { return TimerWait.IsActive(); }

    // Received datagram handling. ProcRecvData validates, deciphers in place,
    // dumps and dispatches one datagram that arrived on socket from ip:port;
    // it never reads outside buffer[0, length).
    void UDPSocketRead(CUDPSocket* socket);
    void ProcRecvData(uint8_t* buffer, int length, CUDPSocket* socket, uint16_t port,
                      const QString& ip);

    // State read by the pages (and tests).
    int PendingRequest = WAIT_NONE;
    uint8_t HostMAC[6] = {};
    uint8_t TargetMAC[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    uint16_t DestPort = swp::kDevicePort;
    bool LoggedIn = false;
    // The last login reply named a port that was not taken (not 2 bytes, or 0).
    bool LoginPortIgnored = false;
    QString LastLocalIP;

signals:
    // A device answered the discovery and joined the list (not for a repeat).
    void DeviceFound(const DeviceRecord& device);

protected:
    bool event(QEvent* e) override;

private:
    struct Received {
        const uint8_t* data; // whole datagram
        int length;
        swp::PacketHeader header;
        const uint8_t* payload;
        CUDPSocket* socket;
        uint16_t port;
        const QString* ip;
    };

    const CIPHelp& IPHelp() const { return m_ExternalIPHelp ? *m_ExternalIPHelp : m_IPHelp; }
    // The request steps: log, pending code, send, arm the timer or clear the code.
    bool TakeReply(int code);
    int ReadResult(const Received& packet) const;
    void TakeLoginPort(const swp::Tlv& tlv);
    bool SendRequest(const char* name, swp::CPacketBuilder packet, int code, int wait);
    void SendPacket(uint8_t* buffer, int length);
    // A wireless setting with a key is about to go into the capture: warn.
    void WarnIfCapturingKey();
    void DumpPacket(const char* direction, const uint8_t* buffer, int length, uint16_t port,
                    const QString& ip) const;
    void TimerWaitTimer();
    const QByteArray& CipherKey();
    void ArmWait(int wait);
    void StopWait();
    void Post(int message, int code, int32_t value);

    void RecvDiscover(const Received& packet);
    void RecvLogin(const Received& packet);
    void RecvLogout(const Received& packet);
    void RecvGetConfig(const Received& packet);
    void RecvSetConfig(const Received& packet);
    void RecvEvent(const Received& packet);
    void RecvSiteSurvey(const Received& packet);
    void RecvStationGetConfig(const Received& packet);

    CWaitTimer TimerWait;
    QObject* m_Target = nullptr;
    CUdpMessagePoster m_Poster;
    QString m_AdapterFilter;
    CIPHelp m_IPHelp;
    const CIPHelp* m_ExternalIPHelp = nullptr;
    std::vector<std::unique_ptr<CUDPSocket>> m_Sockets;
    std::vector<DeviceRecord> m_Devices;
    std::vector<_tag_AP_ROFIILE> m_Survey;
    QString m_KeyPassword;
    QByteArray m_Key;
    CPayloadCipher m_Cipher;
};

// The engine of the application (it creates it at start-up); null before.
extern TFormUDP* FormUDP;
