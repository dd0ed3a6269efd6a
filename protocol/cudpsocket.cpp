#include "protocol/cudpsocket.h"

#include "protocol/packet.h"
#include "protocol/stepcounters.h"
#include "settings/debug.h"
#include "settings/textutil.h"
#include "settings/winmessage.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <exception>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Network events of a socket notification (low 16 bits of lParam).
constexpr intptr_t FD_READ = 0x01;

// A batch slot holds the largest datagram there is. The slots lie a few cache
// lines more than that apart, so the starts of the datagrams (all that a
// reply mostly is) do not all fall into the same cache set.
constexpr size_t kSlotSize = swp::kRecvBufferSize;
constexpr size_t kSlotStride = kSlotSize + 2 * 64;

bool Tracing() {
    const CDebug* debug = CDebug::Instance();
    return debug && debug->IsOpen();
}

// Dotted quad to a network-order address; an empty text is 0.0.0.0.
bool ToAddress(const QString& text, in_addr& address) {
    if (text.isEmpty()) {
        address.s_addr = htonl(INADDR_ANY);
        return true;
    }
    return inet_pton(AF_INET, text.toLatin1().constData(), &address) == 1;
}

QString ToText(const in_addr& address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return QString::fromLatin1(text);
}

} // namespace

CUDPSocket::CUDPSocket() = default;

CUDPSocket::~CUDPSocket() {
    Close();
    // Linux has no socket layer to stop: Started only records that Open ran.
    Started = false;
}

bool CUDPSocket::Open(QObject* ownerWindow, int ownerMessage) {
    Started = true;
    OwnerWindow = ownerWindow;
    OwnerMessage = ownerMessage;
    return CreateSocket();
}

bool CUDPSocket::CreateSocket() {
    Socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
    if (Socket < 0) {
        Socket = -1;
        return false;
    }

    const int on = 1;
    if (::setsockopt(Socket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        Close();
        return false;
    }

    if (!Interface.isEmpty()) {
        const QByteArray name = Interface.toLocal8Bit();
        if (name.size() >= IFNAMSIZ ||
            ::setsockopt(Socket, SOL_SOCKET, SO_BINDTODEVICE, name.constData(),
                         static_cast<socklen_t>(name.size())) != 0) {
            DebugLog("CUDPSocket::CreateSocket() SO_BINDTODEVICE %s failed: %s", name.constData(),
                     std::strerror(errno));
            Close();
            return false;
        }
    }

    int request = ReceiveBufferRequest;
    ::setsockopt(Socket, SOL_SOCKET, SO_RCVBUF, &request, sizeof request);
    int granted = 0;
    socklen_t size = sizeof granted;
    ::getsockopt(Socket, SOL_SOCKET, SO_RCVBUF, &granted, &size);
    if (granted < request) {
        // Above the system limit only a privileged user may go; try quietly.
        ::setsockopt(Socket, SOL_SOCKET, SO_RCVBUFFORCE, &request, sizeof request);
        size = sizeof granted;
        ::getsockopt(Socket, SOL_SOCKET, SO_RCVBUF, &granted, &size);
    }
    ReceiveBuffer = granted;
    DebugLog("CUDPSocket::CreateSocket() SO_RCVBUF requested=%d granted=%d", request, granted);

    std::memset(&BoundAddress, 0, sizeof BoundAddress);
    BoundAddress.sin_family = AF_INET;
    BoundAddress.sin_port = htons(Port);
    const bool tied = !Interface.isEmpty();
    if (tied)
        BoundAddress.sin_addr.s_addr = htonl(INADDR_ANY);
    else if (!ToAddress(LocalIP, BoundAddress.sin_addr)) {
        Close();
        return false;
    }
    if (::bind(Socket, reinterpret_cast<const sockaddr*>(&BoundAddress), sizeof BoundAddress) !=
        0) {
        Close();
        return false;
    }

    sockaddr_in bound{};
    socklen_t boundSize = sizeof bound;
    if (::getsockname(Socket, reinterpret_cast<sockaddr*>(&bound), &boundSize) == 0) {
        BoundAddress = bound;
        // A socket tied to its interface is bound to 0.0.0.0; it keeps the
        // adapter address as its local IP, which is what the pages compare.
        if (!tied)
            LocalIP = ToText(bound.sin_addr);
        Port = ntohs(bound.sin_port);
    }

    m_Notifier = std::make_unique<QSocketNotifier>(Socket, QSocketNotifier::Read);
    QObject::connect(m_Notifier.get(), &QSocketNotifier::activated, m_Notifier.get(),
                     [this] { OnActivated(); });
    if (m_Notifier->isEnabled()) {
        DebugLog("WSAAsyncSelect() OK");
        return true;
    }
    DebugLog("WSAAsyncSelect() failed.");
    Close();
    return false;
}

void CUDPSocket::Close() {
    DropBatch(); // what the system still held goes with the socket, so does this
    if (Socket < 0)
        return;
    if (m_Notifier) {
        m_Notifier->setEnabled(false);
        m_Notifier.reset();
    }
    ::close(Socket);
    Socket = -1;
}

bool CUDPSocket::SendTo(const void* data, int length, uint16_t port, const QString& ip) {
    if (Socket < 0 || length < 0)
        return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    if (!ToAddress(ip, to.sin_addr))
        return false;
    const ssize_t sent = ::sendto(Socket, data, static_cast<size_t>(length), 0,
                                  reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent >= 0;
}

int CUDPSocket::RecvInPlace(Datagram& datagram) {
    if (Socket < 0)
        return 0;
    try {
        if (m_BatchNext >= m_BatchCount && FillBatch(m_ReadBudget) <= 0)
            return -1;
        const int slot = m_BatchNext++;
        datagram.data = static_cast<uint8_t*>(m_BatchVectors[slot].iov_base);
        datagram.length = static_cast<int>(m_BatchHeaders[slot].msg_len);
        datagram.port = ntohs(m_BatchSenders[slot].sin_port);
        datagram.ip = &SenderText(m_BatchSenders[slot]);
        return datagram.length;
    } catch (const std::exception&) {
        DebugLog("CUDPSocket::Recv() exception");
    }
    return -1;
}

int CUDPSocket::Recv(void* buffer, int capacity, uint16_t& port, QString& ip) {
    Datagram datagram;
    const int length = RecvInPlace(datagram);
    if (length <= 0)
        return length;
    // As recvfrom does: what does not fit the buffer is cut off.
    const int received = std::min(length, std::max(capacity, 0));
    if (received > 0)
        std::memcpy(buffer, datagram.data, static_cast<size_t>(received));
    port = datagram.port;
    ip = datagram.ip ? *datagram.ip : QString();
    return received;
}

int CUDPSocket::FillBatch(int most) {
    m_BatchCount = 0;
    m_BatchNext = 0;
    most = std::clamp(most, 1, BatchSize);
    if (!m_BatchData)
        m_BatchData.reset(new uint8_t[kSlotStride * BatchSize]);
    for (int n = 0; n < most; ++n) {
        m_BatchVectors[n] = {m_BatchData.get() + kSlotStride * static_cast<size_t>(n), kSlotSize};
        msghdr& header = m_BatchHeaders[n].msg_hdr;
        header = {};
        header.msg_name = &m_BatchSenders[n];
        header.msg_namelen = sizeof m_BatchSenders[n];
        header.msg_iov = &m_BatchVectors[n];
        header.msg_iovlen = 1;
        m_BatchHeaders[n].msg_len = 0;
    }
    const int got = ::recvmmsg(Socket, m_BatchHeaders.data(), static_cast<unsigned>(most),
                               MSG_DONTWAIT, nullptr);
    m_Drained = got < most;
    if (got > 0)
        m_BatchCount = got;
    return got;
}

void CUDPSocket::DropBatch() {
    m_BatchCount = 0;
    m_BatchNext = 0;
}

const QString& CUDPSocket::SenderText(const sockaddr_in& from) {
    // Replies mostly come from the same device: keep its text.
    if (m_LastSenderText.isEmpty() || from.sin_addr.s_addr != m_LastSender.s_addr) {
        m_LastSender = from.sin_addr;
        m_LastSenderText = ToText(from.sin_addr);
    }
    return m_LastSenderText;
}

void CUDPSocket::OnActivated() {
    // The socket notifier stands for the notification window: it reports a
    // readable socket as the read event of UM_SOCKET. As the socket layer
    // reports a read event again after each receive while datagrams wait, every
    // waiting datagram is one read event of its own, handled in arrival order;
    // after a bounded number the rest of the program gets its turn. The reads
    // of one wake-up take the datagrams off the system in batches, never more
    // than the wake-up hands out.
    m_Drained = false;
    swp::steps::Begin();
    for (int reads = 0; reads < ReadsPerWakeUp && Socket >= 0; ++reads) {
        m_ReadBudget = ReadsPerWakeUp - reads;
        WndProc(UM_SOCKET, Socket, FD_READ);
        m_ReadBudget = 1;
        const int left = ReadsPerWakeUp - reads - 1;
        if (left == 0)
            break;
        swp::steps::Begin();
        if (!DatagramWaiting(left))
            break;
    }
    // An owner that did not read leaves datagrams in the batch, which the
    // system no longer reports: their read events come on the next turn.
    if (Socket >= 0 && m_BatchNext < m_BatchCount)
        QTimer::singleShot(0, m_Notifier.get(), [this] { OnActivated(); });
}

bool CUDPSocket::DatagramWaiting(int budget) {
    if (Socket < 0)
        return false;
    if (m_BatchNext < m_BatchCount)
        return true;
    // The last batch came up short: the queue was empty then, and whatever
    // arrived since is reported again by the notifier.
    if (m_Drained)
        return false;
    // Whether more wait is learnt by taking them: the reads that follow in
    // this wake-up hand them out, and no call asks the system only to count.
    return FillBatch(budget) > 0;
}

intptr_t CUDPSocket::WndProc(int message, intptr_t wParam, intptr_t lParam) {
    if (message == UM_SOCKET)
        OnUMSocket(wParam, lParam);
    DebugLog("CUDPSocket::WndProc()"
             "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa %d, %d, %d, %d",
             UM_SOCKET, message, static_cast<int>(wParam), static_cast<int>(lParam));
    return 0;
}

void CUDPSocket::OnUMSocket(intptr_t wParam, intptr_t lParam) {
    if (Tracing())
        DebugLog("CUDPSocket::OnUMSocket(%s) %x %x", qPrintable(FormatMAC(AdapterMAC)),
                 static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
    if (Socket < 0 || wParam != Socket) {
        DebugLog("  socket doesn't match");
        return;
    }
    if ((lParam & 0xFFFF) == FD_READ && OwnerWindow) {
        CSocketReadMessage read(OwnerMessage, *this);
        QCoreApplication::sendEvent(OwnerWindow, &read);
    }
}
