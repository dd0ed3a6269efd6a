// Datagrams into the protocol engine's receive path (ProcRecvData and the
// reply handlers), with the engine waiting for one of its requests: login,
// logout, discovery, configuration get, the settings, site survey, station
// configuration, WPS. They reach the engine as from an adapter's socket: a
// socket that hands out the datagrams it was given stands in for it.
//
// Input: a byte choosing the request the engine waits for, a byte of flags,
// then datagrams, each a 2-byte big-endian length and that many bytes. With
// kFrame the harness writes the header (magic, version, sender MAC, the
// datagram's first byte as opcode, the payload length) and enciphers the
// payload with the known password, as a device would, so that the search is
// spent in the TLVs, survey records and events rather than in the header.

#include "protocol/formudp.h"
#include "protocol/packet.h"
#include "protocol/rc4encry.h"
#include "settings/debug.h"
#include "settings/globalvar.h"
#include "settings/textutil.h"
#include "settings/winmessage.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

enum Flags : uint8_t {
    kFrame = 0x01,      // the harness writes the header
    kEncipher = 0x02,   // and enciphers the payload with the known password
    kFromDevice = 0x04, // sent by the device logged in to (else the MAC is in the input)
    kLoggedIn = 0x08,   // the engine is logged in already
    kTrace = 0x10,      // the trace is on (packet dumps, every value logged)
};

const uint8_t kDeviceMAC[6] = {0x02, 0x5A, 0x00, 0x00, 0x00, 0x42};
const uint8_t kBroadcast[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// The requests the engine can wait for; the first waits for nothing.
const std::function<void(TFormUDP&)> kRequests[] = {
    [](TFormUDP&) {},
    [](TFormUDP& e) { e.SendDiscover(4000, false); },
    [](TFormUDP& e) { e.SendLogin(5000); },
    [](TFormUDP& e) { e.SendLogout(5000); },
    [](TFormUDP& e) { e.SendGetConfig(15000); },
    [](TFormUDP& e) { e.SendGetMode(3000); },
    [](TFormUDP& e) { e.SendSetMode(28000, 2); },
    [](TFormUDP& e) { e.SendIPSetting(32000); },
    [](TFormUDP& e) { e.SendWlSetting(32000); },
    [](TFormUDP& e) { e.SendWlStationSetting(32000); },
    [](TFormUDP& e) { e.SendWPSPBC(10000); },
    [](TFormUDP& e) { e.SendWPSPIN(10000); },
    [](TFormUDP& e) { e.SendStaWPSPBC(10000); },
    [](TFormUDP& e) { e.SendStaWPSPIN(10000); },
    [](TFormUDP& e) { e.SendSiteSurvey(7000); },
    [](TFormUDP& e) { e.SendStationGetConfig(3000); },
};

// Hands out the datagrams it was given, one per read, as from a device.
class CFeedSocket : public CUDPSocket {
public:
    std::deque<std::vector<uint8_t>> Datagrams;

    int RecvInPlace(Datagram& datagram) override {
        if (Datagrams.empty())
            return -1;
        m_Current = std::move(Datagrams.front());
        Datagrams.pop_front();
        // As a socket does: no datagram is larger than the receive buffer.
        constexpr size_t kLargest = swp::kRecvBufferSize;
        if (m_Current.size() > kLargest)
            m_Current.resize(kLargest);
        datagram.data = m_Current.data();
        datagram.length = static_cast<int>(m_Current.size());
        datagram.port = swp::kDevicePort;
        datagram.ip = &m_Sender;
        return datagram.length;
    }

private:
    std::vector<uint8_t> m_Current;
    const QString m_Sender = QStringLiteral("10.91.1.2");
};

// Stands for the main window: the engine reports at most one result, and
// only for the request it waits for.
class CTarget : public QObject {
public:
    int Waiting = WAIT_NONE;
    int Results = 0;

    bool event(QEvent* e) override {
        const auto* message = dynamic_cast<const CUdpMessage*>(e);
        if (!message)
            return QObject::event(e);
        if (message->IsResult()) {
            Check(message->Code() == Waiting);
            Check(++Results == 1);
        }
        return true;
    }
};

bool Terminated(const char* field, size_t size) {
    return std::memchr(field, 0, size) != nullptr;
}

struct Harness {
    Harness() {
        static int argc = 1;
        static char name[] = "fuzz_engine";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
        // The trace is on when "<program>.Log" exists at start: a file in a
        // private folder, taken off the disk once the trace holds it (no file
        // is left behind, even by a crash) and emptied after every input.
        {
            QTemporaryDir folder;
            const QString program = folder.filePath(QStringLiteral("fuzz_engine"));
            QFile(program + QStringLiteral(".Log")).open(QIODevice::WriteOnly);
            trace = std::make_unique<CDebug>(program);
            traceFile.setFileName(trace->LogFileName());
            traceFile.open(QIODevice::ReadWrite);
        }
        g_Var.Password = QStringLiteral("fuzz-password");
        std::memcpy(g_Var.Device.MAC, kDeviceMAC, 6);
        key = PasswordKey(g_Var.Password);
        auto own = std::make_unique<CFeedSocket>();
        socket = own.get();
        socket->LocalIP = QStringLiteral("10.91.1.1");
        socket->Netmask = QStringLiteral("255.255.255.0");
        socket->Interface = QStringLiteral("fuzz0");
        engine.AdoptSocket(std::move(own));
    }
    ~Harness() { CDebug::SetInstance(nullptr); }

    void Reset(uint8_t flags) {
        socket->Datagrams.clear();
        QCoreApplication::removePostedEvents(&target);
        target.Results = 0;
        engine.ClearDevices();
        engine.ClearSurvey();
        engine.LoggedIn = (flags & kLoggedIn) != 0;
        std::memcpy(engine.TargetMAC, (flags & kLoggedIn) ? kDeviceMAC : kBroadcast, 6);
        engine.DestPort = swp::kDevicePort;
        g_Var.CurIP = IPConfig{};
        g_Var.CurWl = WirelessProfile{};
        g_Var.DeviceMode = 0;
        std::memset(g_Var.ApClientPin, 0, sizeof g_Var.ApClientPin);
        CDebug::SetInstance((flags & kTrace) ? trace.get() : nullptr);
    }

    std::vector<uint8_t> Datagram(uint8_t flags, const uint8_t* bytes, size_t length) const {
        if (!(flags & kFrame) || length == 0)
            return std::vector<uint8_t>(bytes, bytes + length);
        const uint8_t opcode = bytes[0];
        const uint8_t* mac = kDeviceMAC;
        size_t used = 1;
        if (!(flags & kFromDevice) && length >= 7) {
            mac = bytes + 1;
            used = 7;
        }
        std::vector<uint8_t> datagram(swp::kMagic, swp::kMagic + sizeof swp::kMagic);
        datagram.push_back(swp::kVersion);
        datagram.insert(datagram.end(), mac, mac + 6);
        datagram.push_back(opcode);
        const size_t payload = length - used;
        datagram.push_back(static_cast<uint8_t>(payload >> 8));
        datagram.push_back(static_cast<uint8_t>(payload & 0xFF));
        datagram.insert(datagram.end(), bytes + used, bytes + length);
        if ((flags & kEncipher) && opcode != swp::OP_DISCOVER)
            CryptPayload(datagram.data(), datagram.size(), key);
        return datagram;
    }

    void Run(const uint8_t* data, size_t size) {
        if (size < 2)
            return;
        const auto& request = kRequests[data[0] % std::size(kRequests)];
        const uint8_t flags = data[1];
        Reset(flags);
        request(engine);
        target.Waiting = engine.PendingRequest;
        size_t datagrams = 0;
        for (size_t at = 2; at + 2 <= size;) {
            const size_t length = std::min<size_t>((data[at] << 8) | data[at + 1], size - at - 2);
            socket->Datagrams.push_back(Datagram(flags, data + at + 2, length));
            at += 2 + length;
            CSocketReadMessage read(UM_UDP_READ, *socket);
            QCoreApplication::sendEvent(&engine, &read);
            ++datagrams;
        }
        QCoreApplication::sendPostedEvents(&target);

        std::vector<DeviceRecord> devices;
        engine.GetDeviceList(devices);
        Check(devices.size() <= datagrams);
        for (const DeviceRecord& device : devices)
            Check(Terminated(device.Name, sizeof device.Name));
        std::vector<_tag_AP_ROFIILE> survey;
        engine.GetSurveyList(survey);
        for (const _tag_AP_ROFIILE& ap : survey)
            Check(Terminated(ap.SSID, sizeof ap.SSID));
        Check(Terminated(g_Var.CurWl.SSID, sizeof g_Var.CurWl.SSID));
        Check(Terminated(g_Var.ApClientPin, sizeof g_Var.ApClientPin));
        if (flags & kTrace) {
            traceFile.seek(0);
            CheckTrace(traceFile.readAll());
            traceFile.resize(0);
        }
    }

    // Whatever the device sent, the trace holds whole lines of printable
    // UTF-8 text: no control character but the CR LF that ends each line.
    static void CheckTrace(QByteArray text) {
        text.replace('\0', QByteArray()); // the hole left where the file was emptied
        text.replace("\r\n", QByteArray());
        Check(std::none_of(text.begin(), text.end(), [](char c) {
            const auto byte = static_cast<uint8_t>(c);
            return byte < 0x20 || byte == 0x7F;
        }));
        QString decoded;
        Check(DecodeUtf8Strictly(text, decoded));
        Check(PrintableText(decoded) == decoded);
    }

    QFile traceFile; // the trace's file, no longer on the disk
    std::unique_ptr<CDebug> trace;
    QByteArray key;
    CTarget target;
    TFormUDP engine{&target};
    CFeedSocket* socket = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Harness harness;
    harness.Run(data, size);
    return 0;
}
