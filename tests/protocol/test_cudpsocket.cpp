// The adapter socket and the adapter list without sending anything: sockets
// are opened and bound, never used to send (that happens in the lab tests).

#include "protocol/cudpsocket.h"
#include "protocol/iphelp.h"
#include "tests/common/logcapture.h"
#include "tests/protocol/enginetest.h"

#include <gtest/gtest.h>

#include <QHostAddress>

namespace {

const uint8_t kAdapterMac[6] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
// The window procedure's line: the class, "WndProc()" and 69 letters a.
const QString kWndProcLine =
    QStringLiteral("CUDPSocket::WndProc()") + QString(69, QLatin1Char('a'));

struct ReadReport {
    int message;
    int notice;
    const CUDPSocket* socket;
    bool operator==(const ReadReport&) const = default;
};

class CReadRecorder : public QObject {
public:
    std::vector<ReadReport> Reads;
    bool event(QEvent* e) override {
        if (const auto* message = dynamic_cast<const CSocketReadMessage*>(e)) {
            Reads.push_back({message->Message(), message->Notice(), &message->Socket()});
            return true;
        }
        return QObject::event(e);
    }
};

class CUDPSocketTest : public ::testing::Test {
protected:
    void SetUp() override { TestApp(); }
    CLogCapture Log;
    CReadRecorder Owner;
};

TEST_F(CUDPSocketTest, EmptyAddressAndPortZeroReportWhatWasBound) {
    CUDPSocket socket;
    std::memcpy(socket.AdapterMAC, kAdapterMac, 6);
    ASSERT_TRUE(socket.Open(&Owner, UM_UDP_READ));
    EXPECT_TRUE(socket.Started);
    EXPECT_TRUE(socket.IsOpen());
    EXPECT_EQ(socket.LocalIP, "0.0.0.0");
    EXPECT_NE(socket.Port, 0);
    EXPECT_GT(socket.ReceiveBuffer, 0);
    EXPECT_EQ(socket.OwnerWindow, &Owner);
    EXPECT_EQ(socket.OwnerMessage, UM_UDP_READ);
    EXPECT_EQ(Log.Lines(),
              (QStringList{QStringLiteral("CUDPSocket::CreateSocket() SO_RCVBUF requested=4194304 "
                                          "granted=%1")
                               .arg(socket.ReceiveBuffer),
                           "WSAAsyncSelect() OK"}));
}

TEST_F(CUDPSocketTest, BindsTheGivenAddress) {
    CUDPSocket socket;
    socket.LocalIP = QStringLiteral("127.0.0.1");
    ASSERT_TRUE(socket.Open(&Owner, UM_UDP_READ));
    EXPECT_EQ(socket.LocalIP, "127.0.0.1");
    EXPECT_EQ(QHostAddress(ntohl(socket.BoundAddress.sin_addr.s_addr)).toString(), "127.0.0.1");
    EXPECT_EQ(ntohs(socket.BoundAddress.sin_port), socket.Port);
}

TEST_F(CUDPSocketTest, ReadEventReportsOnceToTheOwner) {
    CUDPSocket socket;
    std::memcpy(socket.AdapterMAC, kAdapterMac, 6);
    ASSERT_TRUE(socket.Open(&Owner, UM_UDP_READ));
    Log.Clear();
    socket.WndProc(UM_SOCKET, socket.Socket, 0x01);
    ASSERT_EQ(Owner.Reads.size(), 1u); // sent, not posted
    EXPECT_EQ(Owner.Reads[0], (ReadReport{UM_UDP_READ, 1, &socket}));
    EXPECT_EQ(
        Log.Lines(),
        (QStringList{QStringLiteral("CUDPSocket::OnUMSocket(02:00:00:00:00:01) %1 1")
                         .arg(socket.Socket, 0, 16),
                     kWndProcLine + QStringLiteral(" 32769, 32769, %1, 1").arg(socket.Socket)}));
}

TEST_F(CUDPSocketTest, ConnectAndCloseEventsReportNothing) {
    CUDPSocket socket;
    ASSERT_TRUE(socket.Open(&Owner, UM_UDP_READ));
    socket.OnUMSocket(socket.Socket, 0x10);
    socket.OnUMSocket(socket.Socket, 0x20);
    EXPECT_TRUE(Owner.Reads.empty());
}

TEST_F(CUDPSocketTest, NotificationForAnotherSocketDoesNotMatch) {
    CUDPSocket socket;
    ASSERT_TRUE(socket.Open(&Owner, UM_UDP_READ));
    Log.Clear();
    socket.OnUMSocket(socket.Socket + 100, 0x01);
    EXPECT_TRUE(Owner.Reads.empty());
    EXPECT_EQ(Log.Lines().value(1), "  socket doesn't match");
}

TEST_F(CUDPSocketTest, OtherMessagesOnlyLogTheWindowLine) {
    CUDPSocket socket;
    Log.Clear();
    socket.WndProc(0x0001, 2, 3);
    EXPECT_EQ(Log.Lines(), QStringList{kWndProcLine + " 32769, 1, 2, 3"});
}

TEST_F(CUDPSocketTest, ClosedSocketSendsAndReadsNothing) {
    CUDPSocket socket;
    uint8_t buffer[4] = {1, 2, 3, 4};
    uint16_t port = 0;
    QString ip;
    EXPECT_FALSE(socket.SendTo(buffer, 4, 5432, QStringLiteral("255.255.255.255")));
    EXPECT_EQ(socket.Recv(buffer, 4, port, ip), 0);
    CUDPSocket::Datagram datagram;
    EXPECT_EQ(socket.RecvInPlace(datagram), 0);
    EXPECT_EQ(datagram.data, nullptr);
    socket.Close();
    socket.Close();
    EXPECT_FALSE(socket.IsOpen());
}

TEST_F(CUDPSocketTest, ClosingTwiceAfterOpenIsSafe) {
    CUDPSocket socket;
    ASSERT_TRUE(socket.Open(&Owner, UM_UDP_READ));
    socket.Close();
    socket.Close();
    EXPECT_EQ(socket.Socket, -1);
}

TEST_F(CUDPSocketTest, UnknownInterfaceFailsToOpen) {
    CUDPSocket socket;
    socket.Interface = QStringLiteral("swpnone9");
    socket.LocalIP = QStringLiteral("10.91.9.1");
    EXPECT_FALSE(socket.Open(&Owner, UM_UDP_READ));
    EXPECT_FALSE(socket.IsOpen());
    ASSERT_EQ(Log.Lines().size(), 1);
    EXPECT_TRUE(Log.Lines()[0].startsWith("CUDPSocket::CreateSocket() SO_BINDTODEVICE swpnone9 "
                                          "failed: "));
}

TEST_F(CUDPSocketTest, EmptyReadOfAnOpenSocketIsAnError) {
    CUDPSocket socket;
    ASSERT_TRUE(socket.Open(&Owner, UM_UDP_READ));
    uint8_t buffer[16];
    uint16_t port = 0;
    QString ip;
    EXPECT_EQ(socket.Recv(buffer, sizeof buffer, port, ip), -1); // nothing waiting
    CUDPSocket::Datagram datagram;
    EXPECT_EQ(socket.RecvInPlace(datagram), -1);
    EXPECT_EQ(datagram.data, nullptr);
}

TEST(CIPHelpTest, AdaptersAreBroadcastCapableWithIPv4) {
    CIPHelp ipHelp;
    const auto adapters = ipHelp.GetAdaptersList();
    ASSERT_TRUE(adapters.has_value());
    for (const AdapterInfo& adapter : *adapters) {
        EXPECT_NE(adapter.Name, "lo");
        EXPECT_FALSE(adapter.Name.isEmpty());
        EXPECT_FALSE(adapter.Addresses.empty());
        for (const AdapterAddress& address : adapter.Addresses) {
            EXPECT_EQ(QHostAddress(address.IP).protocol(), QAbstractSocket::IPv4Protocol);
            EXPECT_EQ(QHostAddress(address.Mask).protocol(), QAbstractSocket::IPv4Protocol);
        }
    }
}

TEST(CIPHelpTest, ArpCacheIsLeftAlone) {
    CLogCapture log;
    CIPHelp().ClearArpCache();
    EXPECT_EQ(log.Lines(), QStringList{"CIPHelp::ClearArpCache() \"arp -d *\" and \"arp -d\" not "
                                       "run: the ARP cache needs privileges on Linux and is left "
                                       "to the system"});
}

} // namespace
