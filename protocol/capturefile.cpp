#include "protocol/capturefile.h"

#include "protocol/cudpsocket.h"
#include "settings/debug.h"
#include "settings/privatefile.h"

#include <QHostAddress>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace swp {

std::atomic<CCaptureFile*> CCaptureFile::s_Instance{nullptr};

namespace {

constexpr uint32_t kSectionHeaderBlock = 0x0A0D0D0A;
constexpr uint32_t kInterfaceBlock = 1;
constexpr uint32_t kEnhancedPacketBlock = 6;
constexpr uint32_t kByteOrderMagic = 0x1A2B3C4D;
constexpr uint16_t kLinkTypeIPv4 = 228; // raw IPv4 datagrams
constexpr uint16_t kOptionEnd = 0;
constexpr uint16_t kOptionUserApplication = 4;
constexpr uint16_t kOptionInterfaceName = 2;
constexpr uint16_t kOptionInterfaceAddress = 4;
constexpr uint16_t kOptionTimestampResolution = 9;
constexpr uint16_t kOptionPacketFlags = 2; // epb_flags
// The direction bits of epb_flags.
constexpr uint32_t kFlagsInbound = 1;
constexpr uint32_t kFlagsOutbound = 2;
constexpr int kIpHeaderSize = 20;
constexpr int kUdpHeaderSize = 8;

// A pcapng block under construction, in this machine's byte order (the
// section header's magic tells readers which one that is).
class CBlock {
public:
    explicit CBlock(uint32_t type) {
        U32(type);
        U32(0); // total length, stored by Finish
    }
    void U16(uint16_t value) { Raw(&value, sizeof value); }
    void U32(uint32_t value) { Raw(&value, sizeof value); }
    void Raw(const void* data, size_t length) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        m_Bytes.insert(m_Bytes.end(), bytes, bytes + length);
    }
    void Pad() { m_Bytes.resize((m_Bytes.size() + 3) & ~size_t{3}, 0); }
    void Option(uint16_t code, const void* data, uint16_t length) {
        U16(code);
        U16(length);
        Raw(data, length);
        Pad();
    }
    void EndOptions() {
        U16(kOptionEnd);
        U16(0);
    }
    std::vector<uint8_t> Finish() {
        const auto total = static_cast<uint32_t>(m_Bytes.size() + 4);
        U32(total);
        std::memcpy(m_Bytes.data() + 4, &total, sizeof total);
        return std::move(m_Bytes);
    }

private:
    std::vector<uint8_t> m_Bytes;
};

void PutU16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value);
}

void PutU32(uint8_t* at, uint32_t value) {
    PutU16(at, static_cast<uint16_t>(value >> 16));
    PutU16(at + 2, static_cast<uint16_t>(value));
}

uint16_t HeaderChecksum(const uint8_t* header) {
    uint32_t sum = 0;
    for (int n = 0; n < kIpHeaderSize; n += 2)
        sum += static_cast<uint32_t>((header[n] << 8) | header[n + 1]);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum);
}

int64_t NowMicroseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

uint32_t HostOrder(const QString& text) {
    return text.isEmpty() ? 0 : QHostAddress(text).toIPv4Address();
}

} // namespace

std::unique_ptr<CCaptureFile> CCaptureFile::Create(const QString& path, QString* error) {
    const privatefile::WriteOpen open = privatefile::OpenForWrite(path, O_TRUNC);
    if (!open.Ok()) {
        if (error)
            *error = open.error;
        return nullptr;
    }
    std::unique_ptr<CCaptureFile> capture(new CCaptureFile(open.fd, path));
    CBlock header(kSectionHeaderBlock);
    header.U32(kByteOrderMagic);
    header.U16(1); // version 1.0
    header.U16(0);
    header.U32(0xFFFFFFFF); // section length not given
    header.U32(0xFFFFFFFF);
    static const char kApplication[] = "Setup device protocol engine";
    header.Option(kOptionUserApplication, kApplication, sizeof kApplication - 1);
    header.EndOptions();
    if (!capture->Write(header.Finish())) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return nullptr;
    }
    return capture;
}

CCaptureFile::CCaptureFile(int fd, QString path) : m_File(fd), m_Path(std::move(path)) {}

CCaptureFile::~CCaptureFile() {
    CCaptureFile* self = this;
    s_Instance.compare_exchange_strong(self, nullptr);
    if (m_File >= 0)
        ::close(m_File);
}

void CCaptureFile::SetInstance(CCaptureFile* capture) {
    s_Instance.store(capture, std::memory_order_release);
}

bool CCaptureFile::Write(const std::vector<uint8_t>& block) {
    if (m_File < 0)
        return false;
    size_t done = 0;
    while (done < block.size()) {
        const ssize_t n = ::write(m_File, block.data() + done, block.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(m_File);
            m_File = -1;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

int CCaptureFile::InterfaceOf(const CapturedDatagram& datagram) {
    const QString name = datagram.adapter.isEmpty() ? QHostAddress(datagram.localAddress).toString()
                                                    : datagram.adapter;
    for (size_t n = 0; n < m_Interfaces.size(); ++n)
        if (m_Interfaces[n].name == name && m_Interfaces[n].address == datagram.localAddress)
            return static_cast<int>(n);

    CBlock block(kInterfaceBlock);
    block.U16(kLinkTypeIPv4);
    block.U16(0);
    block.U32(0); // no snapshot limit
    const QByteArray utf8 = name.toUtf8().left(255);
    block.Option(kOptionInterfaceName, utf8.constData(), static_cast<uint16_t>(utf8.size()));
    uint8_t address[8] = {};
    PutU32(address, datagram.localAddress);
    std::memset(address + 4, 0xFF, 4);
    block.Option(kOptionInterfaceAddress, address, sizeof address);
    const uint8_t microseconds = 6;
    block.Option(kOptionTimestampResolution, &microseconds, 1);
    block.EndOptions();
    if (!Write(block.Finish()))
        return -1;
    m_Interfaces.push_back({name, datagram.localAddress});
    return static_cast<int>(m_Interfaces.size() - 1);
}

void CCaptureFile::Record(const CapturedDatagram& datagram) {
    if (m_File < 0 || datagram.length < 0 || (datagram.data == nullptr && datagram.length != 0))
        return;
    const int interface = InterfaceOf(datagram);
    if (interface < 0)
        return;
    const int udpLength = std::min(datagram.length + kUdpHeaderSize, 0xFFFF - kIpHeaderSize);
    const int payload = udpLength - kUdpHeaderSize;
    const int ipLength = udpLength + kIpHeaderSize;

    uint8_t headers[kIpHeaderSize + kUdpHeaderSize] = {};
    uint8_t* ip = headers;
    ip[0] = 0x45; // version 4, 20-byte header
    PutU16(ip + 2, static_cast<uint16_t>(ipLength));
    PutU16(ip + 4, m_NextId++);
    ip[6] = 0x40; // don't fragment
    ip[8] = 64;   // time to live
    ip[9] = 17;   // UDP
    const uint32_t source = datagram.sent ? datagram.localAddress : datagram.remoteAddress;
    const uint32_t destination = datagram.sent ? datagram.remoteAddress : datagram.localAddress;
    PutU32(ip + 12, source);
    PutU32(ip + 16, destination);
    PutU16(ip + 10, HeaderChecksum(ip));
    uint8_t* udp = headers + kIpHeaderSize;
    PutU16(udp, datagram.sent ? datagram.localPort : datagram.remotePort);
    PutU16(udp + 2, datagram.sent ? datagram.remotePort : datagram.localPort);
    PutU16(udp + 4, static_cast<uint16_t>(udpLength));
    // A UDP checksum of 0 means none was computed, which IPv4 allows.

    const int64_t when = datagram.microseconds != 0 ? datagram.microseconds : NowMicroseconds();
    CBlock block(kEnhancedPacketBlock);
    block.U32(static_cast<uint32_t>(interface));
    block.U32(static_cast<uint32_t>(static_cast<uint64_t>(when) >> 32));
    block.U32(static_cast<uint32_t>(static_cast<uint64_t>(when)));
    block.U32(static_cast<uint32_t>(ipLength));
    block.U32(static_cast<uint32_t>(ipLength));
    block.Raw(headers, sizeof headers);
    if (payload > 0)
        block.Raw(datagram.data, static_cast<size_t>(payload));
    block.Pad();
    const uint32_t flags = datagram.sent ? kFlagsOutbound : kFlagsInbound;
    block.Option(kOptionPacketFlags, &flags, sizeof flags);
    block.EndOptions();
    Write(block.Finish());
}

void CCaptureFile::RecordSocket(const CUDPSocket& socket, bool sent, const uint8_t* data,
                                int length, uint16_t remotePort, const QString& remoteIp) {
    CapturedDatagram datagram;
    datagram.adapter = socket.Interface;
    datagram.localAddress = HostOrder(socket.LocalIP);
    datagram.localPort = socket.Port;
    datagram.remoteAddress = HostOrder(remoteIp);
    datagram.remotePort = remotePort;
    datagram.sent = sent;
    datagram.data = data;
    datagram.length = length;
    Record(datagram);
}

QString CaptureNameForTrace(const QString& traceFile) {
    QString name = traceFile;
    if (name.endsWith(QLatin1String(".Log"), Qt::CaseInsensitive))
        name.chop(4);
    return name + QStringLiteral(".pcapng");
}

void CCaptureFile::WarnKeySent() {
    if (m_KeyWarned)
        return;
    m_KeyWarned = true;
    const QByteArray path = m_Path.toLocal8Bit();
    std::fprintf(stderr,
                 "warning: the capture %s lets anyone who has it recover the wireless key "
                 "sent now, with or without the device password\n",
                 path.constData());
    DebugLog("Capture %s holds a wireless key", path.constData());
}

std::unique_ptr<CCaptureFile> OpenCaptureBesideTrace(const CDebug* debug) {
    if (debug == nullptr || !debug->IsOpen())
        return nullptr;
    const QString path = CaptureNameForTrace(debug->LogFileName());
    QString error;
    auto capture = CCaptureFile::Create(path, &error);
    if (!capture) {
        DebugLog("Capture %s: %s", qPrintable(path), qPrintable(error));
        return nullptr;
    }
    DebugLog("Capture %s", qPrintable(path));
    CCaptureFile::SetInstance(capture.get());
    return capture;
}

} // namespace swp
