#pragma once
// A capture of the datagrams the engine sends and receives, written as a
// pcapng file that Wireshark and tshark read: one interface block per adapter,
// then one packet block per datagram with its IPv4 and UDP headers (real
// local and remote addresses and ports), the time it was sent or read and its
// direction (epb_flags: outbound when sent, inbound when received).
// Datagrams are written as they travel, payloads enciphered; every block goes
// to the file at once, so a capture cut short stays readable. The file is
// private to its owner (settings/privatefile).
//
// The engine records into the capture of the program (Instance) when there is
// one; swpctl --capture and the wizard's trace make it.

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class CUDPSocket;
class CDebug;

namespace swp {

// One datagram as it travelled. Addresses are host-order IPv4 numbers.
struct CapturedDatagram {
    QString adapter; // the interface name ("eth0"); the interface block's name
    uint32_t localAddress = 0;
    uint16_t localPort = 0;
    uint32_t remoteAddress = 0;
    uint16_t remotePort = 0;
    bool sent = false; // sent by this host (else received)
    const uint8_t* data = nullptr;
    int length = 0;
    int64_t microseconds = 0; // since the epoch; 0 takes the time now
};

class CCaptureFile {
public:
    // Creates (or empties) path as a private file and writes the section
    // header. Null with *error set when that fails.
    static std::unique_ptr<CCaptureFile> Create(const QString& path, QString* error = nullptr);
    ~CCaptureFile();
    CCaptureFile(const CCaptureFile&) = delete;
    CCaptureFile& operator=(const CCaptureFile&) = delete;

    const QString& Path() const { return m_Path; }
    // Appends one datagram (a failed write ends the capture quietly).
    void Record(const CapturedDatagram& datagram);
    // A datagram sent by or received on an engine socket.
    void RecordSocket(const CUDPSocket& socket, bool sent, const uint8_t* data, int length,
                      uint16_t remotePort, const QString& remoteIp);

    // Before a datagram that carries a wireless key: a one-line warning on
    // standard error (once per capture). Every payload of a login is
    // enciphered with the same key stream and the login request's payload is
    // known, so the capture gives the key away with or without the password.
    void WarnKeySent();

    // The capture of the program, or null: the engine records into it.
    static CCaptureFile* Instance() { return s_Instance.load(std::memory_order_acquire); }
    static void SetInstance(CCaptureFile* capture);

private:
    explicit CCaptureFile(int fd, QString path);
    int InterfaceOf(const CapturedDatagram& datagram);
    bool Write(const std::vector<uint8_t>& block);

    int m_File = -1;
    QString m_Path;
    struct Interface {
        QString name;
        uint32_t address;
    };
    std::vector<Interface> m_Interfaces;
    uint16_t m_NextId = 1; // the IPv4 identification of the next datagram
    bool m_KeyWarned = false;
    static std::atomic<CCaptureFile*> s_Instance;
};

// The capture beside a trace file: its name with the extension ".pcapng"
// instead of ".Log" (Setup.Log -> Setup.pcapng).
QString CaptureNameForTrace(const QString& traceFile);

// The capture that goes with the trace of the program, when the trace is on:
// created beside it and made the program's capture. Null when the trace is
// off or the file cannot be made (that is then written to the trace).
std::unique_ptr<CCaptureFile> OpenCaptureBesideTrace(const CDebug* debug);

} // namespace swp
