#pragma once
// One UDP socket of one local adapter. The engine owns one per adapter and
// broadcasts every request through all of them. A waiting datagram is reported
// to the owner object with UM_UDP_READ (a CSocketReadMessage sent
// synchronously, notice 1, naming this socket); the owner reads exactly one datagram per report
// (RecvInPlace, or Recv for a copy). When several datagrams are queued the report comes again on
// the next turn of the event loop, so nothing queued is lost and other sockets get their turn.
//
// Within one wake-up the socket takes the waiting datagrams off the system in
// batches (recvmmsg) and hands them out one per report, in arrival order; a
// Recv outside a report takes a single datagram, so nothing stays held back.
//
// On Linux a socket bound to a unicast address never sees a datagram broadcast
// to its port, so an adapter socket is tied to its interface (SO_BINDTODEVICE)
// and bound to 0.0.0.0: it then receives what is sent to the adapter address
// and what is broadcast on that adapter, nothing from other adapters, and its
// broadcasts leave by its own adapter only. Its LocalIP text stays the adapter
// address. Without an Interface the socket binds to LocalIP itself.

#include <QEvent>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>

class QObject;
class QSocketNotifier;

class CUDPSocket {
public:
    CUDPSocket();
    virtual ~CUDPSocket();

    CUDPSocket(const CUDPSocket&) = delete;
    CUDPSocket& operator=(const CUDPSocket&) = delete;

    // Stores the owner and the message it wants, then CreateSocket.
    bool Open(QObject* ownerWindow, int ownerMessage);
    bool CreateSocket();
    // Safe when already closed.
    void Close();
    bool IsOpen() const { return Socket >= 0; }

    // An empty ip stands for 0.0.0.0.
    bool SendTo(const void* data, int length, uint16_t port, const QString& ip);
    // A datagram where it lies in the socket's own buffer: valid until the
    // socket's next read or Close; the reader may change its bytes.
    struct Datagram {
        uint8_t* data = nullptr;
        int length = 0;
        uint16_t port = 0;           // the sender's
        const QString* ip = nullptr; // the sender's address text
    };
    // The next datagram, without a copy: its length, 0 when closed, -1 on a
    // socket error or when none waits. The receive seam: a socket that hands
    // out datagrams it was given (the engine's fuzz target) stands in by
    // overriding it.
    virtual int RecvInPlace(Datagram& datagram);
    // The next datagram copied into buffer, at most capacity bytes: its
    // length as RecvInPlace's. port and ip receive the sender.
    int Recv(void* buffer, int capacity, uint16_t& port, QString& ip);

    // The notification entry: message UM_SOCKET with wParam the socket handle
    // and lParam the network event (low 16 bits) and error (high 16 bits).
    intptr_t WndProc(int message, intptr_t wParam, intptr_t lParam);
    void OnUMSocket(intptr_t wParam, intptr_t lParam);

    // Fields, in the order of the wizard's socket record.
    bool Started = false;
    int Socket = -1; // descriptor; -1 when closed
    sockaddr_in BoundAddress{};
    QObject* OwnerWindow = nullptr;
    int OwnerMessage = 0;
    uint8_t AdapterMAC[6] = {};
    QString LocalIP;
    QString Netmask;
    uint16_t Port = 0;
    // Linux: the interface this adapter socket is tied to (e.g. "eth0").
    QString Interface;
    // Linux: the receive buffer the system granted, as it reports it.
    int ReceiveBuffer = 0;

    // The receive buffer asked for: a burst of replies from many devices must
    // fit while the engine handles them one at a time.
    static constexpr int ReceiveBufferRequest = 4 * 1024 * 1024;

    // Datagrams read from the system at once, at most, and per wake-up.
    static constexpr int BatchSize = 16;
    static constexpr int ReadsPerWakeUp = 64;

private:
    void OnActivated();
    // Whether a datagram waits; an empty batch is filled with up to budget.
    bool DatagramWaiting(int budget);
    // Reads up to most datagrams into the batch; recvmmsg's result.
    int FillBatch(int most);
    void DropBatch();
    const QString& SenderText(const sockaddr_in& from);

    std::unique_ptr<QSocketNotifier> m_Notifier;
    in_addr m_LastSender{};
    QString m_LastSenderText;

    // The batch: one slot of a whole datagram's size each, allocated at the
    // first read (pages the system never writes stay untouched).
    std::unique_ptr<uint8_t[]> m_BatchData;
    std::array<mmsghdr, BatchSize> m_BatchHeaders{};
    std::array<iovec, BatchSize> m_BatchVectors{};
    std::array<sockaddr_in, BatchSize> m_BatchSenders{};
    int m_BatchCount = 0;   // datagrams in the batch
    int m_BatchNext = 0;    // the next one to hand out
    int m_ReadBudget = 1;   // datagrams one read may take off the system
    bool m_Drained = false; // the last read found the system's queue empty
};

// A socket's report to its owner (message UM_UDP_READ): the notice (1: a
// datagram waits; the owner ignores any other) and the socket to read.
class CSocketReadMessage : public QEvent {
public:
    static constexpr int DatagramWaitingNotice = 1;

    CSocketReadMessage(int message, CUDPSocket& socket, int notice = DatagramWaitingNotice)
        : QEvent(static_cast<QEvent::Type>(message)), m_Socket(socket), m_Notice(notice) {}
    int Message() const { return static_cast<int>(type()); }
    int Notice() const { return m_Notice; }
    bool DatagramWaiting() const { return m_Notice == DatagramWaitingNotice; }
    CUDPSocket& Socket() const { return m_Socket; }

private:
    CUDPSocket& m_Socket;
    int m_Notice;
};
