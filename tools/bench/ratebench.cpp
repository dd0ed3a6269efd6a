#include "tools/bench/ratebench.h"

#include "protocol/iphelp.h"
#include "protocol/packet.h"
#include "tools/bench/udpcounters.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <net/if.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace bench {

namespace {

constexpr int kSettleMs = 50; // let the last datagrams of a batch reach the queue
constexpr int kSenderWaitMs = 30000;
constexpr int kDrainLimitMs = 30000;

double ThreadCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

int Pending(int fd) {
    int bytes = 0;
    return ::ioctl(fd, FIONREAD, &bytes) == 0 ? bytes : 0;
}

} // namespace

void DrainResult::Add(const DrainResult& other) {
    complete = (drains == 0 || complete) && other.complete;
    drains += other.drains;
    handled += other.handled;
    seconds += other.seconds;
    cpuSeconds += other.cpuSeconds;
    bufferDrops += other.bufferDrops;
}

CRateBench::CRateBench(TFormUDP& engine, CMessageTarget& target, CNsProcess& sender,
                       QString adapter)
    : m_Engine(engine), m_Target(target), m_Sender(sender), m_Adapter(std::move(adapter)) {}

QString CRateBench::InterfaceName() const {
    const auto adapters = CIPHelp().GetAdaptersList();
    if (adapters)
        for (const AdapterInfo& adapter : *adapters)
            for (const AdapterAddress& address : adapter.Addresses)
                if (address.IP == m_Adapter)
                    return adapter.Name;
    return QString();
}

bool CRateBench::Fill(int batch) {
    if (!m_Sender.WriteLine("send " + QByteArray::number(batch))) {
        m_Error = QStringLiteral("the sender is gone");
        return false;
    }
    const QByteArray answer = m_Sender.ReadLine(kSenderWaitMs);
    const QList<QByteArray> words = answer.split(' ');
    if (words.size() < 2 || words[0] != "sent") {
        m_Error = QStringLiteral("the sender did not send its batch");
        return false;
    }
    m_LastSent = words[1].toULongLong();
    QThread::msleep(kSettleMs);
    return true;
}

DrainResult CRateBench::Bare(int batch, bool pollEachRead) {
    DrainResult result;
    // The socket as the engine makes it: tied to the interface, 0.0.0.0:5433,
    // the same receive buffer.
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
    const QByteArray name = InterfaceName().toLocal8Bit();
    const int on = 1;
    int request = CUDPSocket::ReceiveBufferRequest;
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_port = htons(swp::kHostPort);
    bound.sin_addr.s_addr = htonl(INADDR_ANY);
    if (fd < 0 || name.isEmpty() ||
        ::setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, name.constData(),
                     static_cast<socklen_t>(name.size())) != 0 ||
        ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0) {
        m_Error = QStringLiteral("cannot open the bare socket");
        if (fd >= 0)
            ::close(fd);
        return result;
    }
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &request, sizeof request);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &request, sizeof request);

    const UdpCounters before = ReadUdpCounters();
    if (Fill(batch)) {
        std::vector<uint8_t> buffer(swp::kRecvBufferSize);
        QElapsedTimer clock;
        const double cpuStart = ThreadCpuSeconds();
        clock.start();
        for (;;) {
            if (pollEachRead) {
                pollfd ready{fd, POLLIN, 0};
                if (::poll(&ready, 1, 0) <= 0)
                    break;
            }
            sockaddr_in from{};
            socklen_t fromSize = sizeof from;
            const ssize_t length = ::recvfrom(fd, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                              reinterpret_cast<sockaddr*>(&from), &fromSize);
            if (length < 0)
                break;
            ++result.handled;
        }
        result.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        result.cpuSeconds = ThreadCpuSeconds() - cpuStart;
        result.complete = true;
    }
    result.bufferDrops = Delta(before, ReadUdpCounters()).rcvbufErrors;
    ::close(fd);
    return result;
}

DrainResult CRateBench::Engine(int batch, bool counted) {
    DrainResult result;
    m_Engine.CloseInterfaces();
    // The engine's socket as OpenInterfaces makes it, with the hook.
    auto socket = std::make_unique<CRearmSocket>(m_Engine);
    const auto adapters = CIPHelp().GetAdaptersList();
    if (adapters)
        for (const AdapterInfo& adapter : *adapters)
            for (const AdapterAddress& address : adapter.Addresses)
                if (address.IP == m_Adapter) {
                    std::memcpy(socket->AdapterMAC, adapter.Address, 6);
                    socket->Netmask = address.Mask;
                    socket->Interface = adapter.Name;
                }
    socket->LocalIP = m_Adapter;
    socket->Port = swp::kHostPort;
    if (socket->Interface.isEmpty() || !socket->Open(&m_Engine, UM_UDP_READ)) {
        m_Error = QStringLiteral("the engine's socket could not be opened");
        return result;
    }
    const int fd = socket->Socket;
    m_Engine.AdoptSocket(std::move(socket));

    QEventLoop loop;
    QElapsedTimer clock;
    uint64_t queued = 0;
    double cpuStart = 0;
    m_Target.OnMessage = [&](const CUdpMessage& message) {
        if (!message.IsResult() || message.Code() != WAIT_GET_CONFIG)
            return;
        if (++result.handled == queued) {
            result.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
            result.cpuSeconds = ThreadCpuSeconds() - cpuStart;
            result.complete = true;
            loop.quit();
        }
    };
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);

    const UdpCounters before = ReadUdpCounters();
    // The event loop does not run while the sender fills the queue. What it
    // sent, less what the kernel dropped, waits in the queue.
    if (Fill(batch) && Pending(fd) > 0) {
        const UdpCounters filled = Delta(before, ReadUdpCounters());
        queued = m_LastSent - std::min(m_LastSent, filled.rcvbufErrors + filled.inErrors);
        limit.start(kDrainLimitMs);
#ifdef SWP_STEP_COUNTERS
        swp::steps::SetCounting(counted);
#else
        (void)counted;
#endif
        cpuStart = ThreadCpuSeconds();
        clock.start();
        loop.exec();
        if (!result.complete)
            result.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
#ifdef SWP_STEP_COUNTERS
        if (counted)
            result.steps = swp::steps::Take();
        swp::steps::SetCounting(false);
#endif
    }
    result.bufferDrops = Delta(before, ReadUdpCounters()).rcvbufErrors;
    m_Target.OnMessage = nullptr;
    m_Engine.CloseInterfaces();
    m_Engine.PendingRequest = WAIT_NONE;
    return result;
}

} // namespace bench
