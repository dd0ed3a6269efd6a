#include "tools/devsim/udpserver.h"

#include "protocol/packet.h"

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace devsim {

namespace {

constexpr int kReceiveBuffer = 4 * 1024 * 1024; // a burst of requests from many hosts
constexpr int kSendWaitMs = 1000;               // longest wait for room in the send buffer

QString Errno(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

CUdpServer::CUdpServer(CSimulator& simulator, CJournal& journal)
    : m_Simulator(simulator), m_Journal(journal), m_Buffer(swp::kRecvBufferSize),
      m_Start(std::chrono::steady_clock::now()) {}

CUdpServer::~CUdpServer() {
    for (const Socket& socket : m_Sockets)
        ::close(socket.fd);
}

bool CUdpServer::Open(uint32_t bindAddress, QString& error) {
    for (uint16_t port : m_Simulator.ListenPorts()) {
        Socket socket;
        socket.port = port;
        socket.fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (socket.fd < 0) {
            error = Errno("socket");
            return false;
        }
        m_Sockets.push_back(socket);
        const int on = 1;
        // Several simulators may share a namespace; each hears the broadcasts.
        ::setsockopt(socket.fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        ::setsockopt(socket.fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        ::setsockopt(socket.fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
        ::setsockopt(socket.fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBuffer, sizeof kReceiveBuffer);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(bindAddress);
        if (::bind(socket.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            error = Errno(QStringLiteral("bind port %1").arg(port).toUtf8().constData());
            return false;
        }
    }
    return true;
}

int64_t CUdpServer::Now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 m_Start)
        .count();
}

void CUdpServer::Run(const volatile std::sig_atomic_t& stop, const sigset_t& waitMask) {
    std::vector<pollfd> fds;
    for (const Socket& socket : m_Sockets)
        fds.push_back({socket.fd, POLLIN, 0});
    while (stop == 0) {
        m_Simulator.Advance(Now());
        Flush();
        timespec timeout{};
        timespec* wait = nullptr;
        if (const std::optional<int64_t> due = m_Simulator.NextDue()) {
            const int64_t left = std::max<int64_t>(0, *due - Now());
            timeout.tv_sec = static_cast<time_t>(left / 1000);
            timeout.tv_nsec = static_cast<long>((left % 1000) * 1000000);
            wait = &timeout;
        }
        const int ready = ::ppoll(fds.data(), fds.size(), wait, &waitMask);
        if (ready <= 0)
            continue; // a timer is due, or a signal came
        for (size_t n = 0; n < fds.size(); ++n)
            if (fds[n].revents & POLLIN)
                ReadAll(m_Sockets[n]);
    }
}

void CUdpServer::ReadAll(const Socket& socket) {
    for (;;) {
        sockaddr_in from{};
        iovec io{m_Buffer.data(), m_Buffer.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t length = ::recvmsg(socket.fd, &message, MSG_DONTWAIT | MSG_TRUNC);
        if (length < 0)
            return; // drained (or an error the next poll reports again)
        Peer peer;
        peer.address = ntohl(from.sin_addr.s_addr);
        peer.port = ntohs(from.sin_port);
        peer.localPort = socket.port;
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c))
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO)
                peer.ifindex = reinterpret_cast<const in_pktinfo*>(CMSG_DATA(c))->ipi_ifindex;
        // A datagram larger than the buffer is passed on with its true length
        // cut to what was received; the length check then refuses it.
        const size_t received = std::min<size_t>(static_cast<size_t>(length), m_Buffer.size());
        m_Simulator.Receive(m_Buffer.data(), received, peer, Now());
        Flush();
    }
}

void CUdpServer::Flush() {
    for (const QJsonObject& line : m_Simulator.TakeJournal())
        m_Journal.Write(line);
    for (Outgoing& out : m_Simulator.TakeOutgoing()) {
        QString error;
        if (!SendOne(out, error))
            out.line.insert(QStringLiteral("send_error"), error);
        m_Journal.Write(out.line);
    }
}

bool CUdpServer::SendOne(const Outgoing& out, QString& error) {
    if (m_Sockets.empty()) {
        error = QStringLiteral("no socket");
        return false;
    }
    const int fd = m_Sockets.front().fd;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    iovec io{const_cast<uint8_t*>(out.bytes.data()), out.bytes.size()};
    msghdr message{};
    message.msg_name = &to;
    message.msg_namelen = sizeof to;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    if (out.broadcast) {
        // Out of the interface the request came in by, whatever the routes say.
        to.sin_addr.s_addr = htonl(kBroadcastAddress);
        to.sin_port = htons(swp::kHostPort);
        if (out.to.ifindex != 0) {
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            cmsghdr* c = CMSG_FIRSTHDR(&message);
            c->cmsg_level = IPPROTO_IP;
            c->cmsg_type = IP_PKTINFO;
            c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
            in_pktinfo info{};
            info.ipi_ifindex = out.to.ifindex;
            std::memcpy(CMSG_DATA(c), &info, sizeof info);
        }
    } else {
        to.sin_addr.s_addr = htonl(out.to.address);
        to.sin_port = htons(out.to.port);
    }
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (::sendmsg(fd, &message, 0) >= 0)
            return true;
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != ENOBUFS)
            break;
        // The send buffer is full (a burst of clone replies): wait for room.
        pollfd room{fd, POLLOUT, 0};
        ::poll(&room, 1, kSendWaitMs);
    }
    error = Errno("sendmsg");
    return false;
}

} // namespace devsim
