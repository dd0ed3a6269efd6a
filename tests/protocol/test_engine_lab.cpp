// The engine against simulated devices over real datagrams, inside the network
// lab (scripts/lab): the desktop namespace has the adapters swpa0 10.91.1.1/24
// and swpb0 10.91.2.1/24, a device namespace hangs on each.
//
// Suite EngineLab runs as root and starts its own simulators; suite
// EngineLabUser runs as an unprivileged user against the simulators the lab
// started (tests/protocol/lab/*.json), as a desktop user would run the wizard.

#include "protocol/formudp.h"
#include "settings/globalvar.h"
#include "settings/messagebox.h"
#include "settings/textutil.h"
#include "settings/timing.h"
#include "tests/common/globalvarstate.h"
#include "tests/common/labsim.h"
#include "tests/common/logcapture.h"
#include "tests/common/scriptedboxes.h"
#include "tests/protocol/enginetest.h"

#include <gtest/gtest.h>

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <arpa/inet.h>
#include <memory>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const uint8_t kMac1[6] = {0x02, 0x5A, 0x00, 0x00, 0x01, 0x01};
const uint8_t kMac2[6] = {0x02, 0x5A, 0x00, 0x00, 0x02, 0x01};
const char kMac1Text[] = "02:5A:00:00:01:01";
const char kMac2Text[] = "02:5A:00:00:02:01";
const QString kAdapterA = QStringLiteral("10.91.1.1");
const QString kAdapterB = QStringLiteral("10.91.2.1");
const QString kDevice1IP = QStringLiteral("10.91.1.2");
const QString kDevice2IP = QStringLiteral("10.91.2.2");

// The devices count their delays in real milliseconds; the engine's own waits
// run five times faster, so a discovery takes 800 ms and a login may take
// 1000 ms, ample for a device in the next namespace even on a loaded machine.
constexpr int kSpeedup = 5;

// One device in JSON; extra holds further members, e.g. "\"reply\": \"broadcast\"".
QByteArray DeviceJson(const char* mac, const char* name, const QByteArray& extra = {}) {
    QByteArray json = QByteArray("{\"mac\": \"") + mac + "\", \"name\": \"" + name +
                      "\", \"password\": \"tosca\"";
    if (!extra.isEmpty())
        json += ", " + extra;
    return json + "}";
}

QString MacOf(const QString& interfaceName) {
    CIPHelp ipHelp;
    const auto adapters = ipHelp.GetAdaptersList();
    if (adapters)
        for (const AdapterInfo& adapter : *adapters)
            if (adapter.Name == interfaceName)
                return FormatMAC(adapter.Address);
    return {};
}

QList<QJsonObject> Sent(const QList<QJsonObject>& journal, const QString& kind = {}) {
    QList<QJsonObject> lines;
    for (const QJsonObject& line : journal)
        if (line.value("dir").toString() == "tx" &&
            (kind.isEmpty() || line.value("kind").toString() == kind))
            lines << line;
    return lines;
}

QStringList Order(const QJsonObject& line) {
    QStringList names;
    for (const QJsonValue& name : line.value("order").toArray())
        names << name.toString();
    return names;
}

// The "Local IP:" line written before each "[Rx]" line of the trace, per
// sender: which adapter sockets received the datagrams of that sender.
QStringList AdaptersThatReceivedFrom(const QStringList& trace, const QString& senderIp) {
    QStringList adapters;
    QString local;
    for (const QString& line : trace) {
        if (line.startsWith("Local IP:"))
            local = line.mid(9);
        else if (line.startsWith("[Rx] " + senderIp + ":"))
            adapters << local;
    }
    return adapters;
}

class LabEngine : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        Timing::SetSpeedup(kSpeedup);
        ResetGlobalVarState();
        g_Var.Password = QStringLiteral("tosca");
        Log = std::make_unique<CLogCapture>();
        Engine = std::make_unique<TFormUDP>(&Target);
    }

    void TearDown() override {
        Engine.reset();
        Timing::SetSpeedup(1);
    }

    // Waits for the next result or time-out of the engine; anything else that
    // arrived meanwhile (events) stays in Other.
    PostedMessage Await(int boundMs = 20000) {
        PostedMessage found{0, -1, 0};
        WaitFor(
            [&] {
                for (const PostedMessage& m : Target.Take()) {
                    if (found.message == 0 &&
                        (m.message == UM_UDP_RESULT || m.message == UM_UDP_TIMEOUT))
                        found = m;
                    else
                        Other.push_back(m);
                }
                return found.message != 0;
            },
            boundMs);
        return found;
    }

    std::vector<DeviceRecord> Discover() {
        EXPECT_TRUE(Engine->SendDiscover(4000, true));
        EXPECT_EQ(Await(), (PostedMessage{UM_UDP_TIMEOUT, WAIT_DISCOVER, 0}));
        std::vector<DeviceRecord> devices;
        Engine->GetDeviceList(devices);
        return devices;
    }

    // Discovery, then a login to the device with this MAC.
    bool DiscoverAndLogIn(const uint8_t mac[6]) {
        for (const DeviceRecord& device : Discover()) {
            if (std::memcmp(device.MAC, mac, 6) == 0) {
                g_Var.Device = device;
                Engine->SendLogin(5000);
                return Await() == PostedMessage{UM_UDP_RESULT, WAIT_LOGIN, 1};
            }
        }
        return false;
    }

    void Start(CLabDevice& device, const char* ns, const QByteArray& json) {
        ASSERT_TRUE(device.Start(ns, json)) << qPrintable(device.Error());
    }

    // Waits until the trace holds line.
    bool WaitForTrace(const QString& line) {
        return WaitFor([&] { return Log->Contains(line); });
    }

    CMessageTarget Target;
    std::vector<PostedMessage> Other;
    CScriptedBoxes Boxes;
    std::unique_ptr<CLogCapture> Log;
    std::unique_ptr<TFormUDP> Engine;
};

// ---------------------------------------------------------------------------
// Sockets and discovery

TEST_F(LabEngine, EachAdapterSocketHearsItsOwnAdapterOnly) {
    SWP_REQUIRE_LAB();
    CLabDevice unicast;
    CLabDevice broadcast;
    Start(unicast, "dev1", DeviceJson(kMac1Text, "Unicast-A"));
    Start(broadcast, "dev2", DeviceJson(kMac2Text, "Broadcast-B", "\"reply\": \"broadcast\""));

    const std::vector<DeviceRecord> devices = Discover();
    ASSERT_EQ(Engine->Sockets().size(), 2u);
    EXPECT_EQ(Engine->Sockets()[0]->LocalIP, kAdapterA);
    EXPECT_EQ(Engine->Sockets()[1]->LocalIP, kAdapterB);
    EXPECT_EQ(Engine->Sockets()[0]->Interface, "swpa0");
    EXPECT_EQ(Engine->Sockets()[1]->Interface, "swpb0");
    ASSERT_EQ(devices.size(), 2u);

    const QStringList trace = Log->Lines();
    // 1. A reply sent to the adapter address is received by that adapter's socket.
    EXPECT_EQ(AdaptersThatReceivedFrom(trace, kDevice1IP), QStringList{kAdapterA});
    // 2. A reply broadcast to port 5433 on an adapter is received by its socket,
    // 3. and not by the socket of the other adapter.
    EXPECT_EQ(AdaptersThatReceivedFrom(trace, kDevice2IP), QStringList{kAdapterB});
    for (const DeviceRecord& device : devices) {
        const bool first = std::memcmp(device.MAC, kMac1, 6) == 0;
        EXPECT_EQ(QHostAddress(device.LocalIP).toString(), first ? kAdapterA : kAdapterB);
        EXPECT_EQ(QHostAddress(device.DeviceIP).toString(), first ? kDevice1IP : kDevice2IP);
        EXPECT_STREQ(device.Name, first ? "Unicast-A" : "Broadcast-B");
    }
    EXPECT_EQ(Sent(broadcast.Journal(), "discover").value(0).value("via").toString(), "broadcast");
    EXPECT_EQ(Sent(unicast.Journal(), "discover").value(0).value("via").toString(), "unicast");

    // 4. Each adapter's broadcast leaves by that adapter only: every device sees
    // one discovery request, from its own subnet's adapter with that adapter's MAC.
    const QList<QJsonObject> seen1 = Received(unicast.Journal());
    const QList<QJsonObject> seen2 = Received(broadcast.Journal());
    ASSERT_EQ(seen1.size(), 1);
    ASSERT_EQ(seen2.size(), 1);
    EXPECT_EQ(seen1[0].value("from").toString(), "10.91.1.1:5433");
    EXPECT_EQ(seen1[0].value("mac").toString(), MacOf("swpa0"));
    EXPECT_EQ(seen2[0].value("from").toString(), "10.91.2.1:5433");
    EXPECT_EQ(seen2[0].value("mac").toString(), MacOf("swpb0"));
    EXPECT_EQ(seen1[0].value("port").toInt(), 5432);
}

TEST_F(LabEngine, DeviceSeenThroughBothAdaptersIsListedOnce) {
    SWP_REQUIRE_LAB();
    // The same device (one MAC) answers on both subnets.
    CLabDevice sideA;
    CLabDevice sideB;
    Start(sideA, "dev1", DeviceJson(kMac1Text, "Twin"));
    Start(sideB, "dev2", DeviceJson(kMac1Text, "Twin"));
    const std::vector<DeviceRecord> devices = Discover();
    ASSERT_EQ(Engine->Sockets().size(), 2u);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_STREQ(devices[0].Name, "Twin");
    const QStringList trace = Log->Lines();
    EXPECT_EQ(trace.count("  already exist"), 1);
    // The record keeps the adapter whose reply came first.
    const QString first = trace.filter(QRegularExpression("^Local IP:")).value(0).mid(9);
    EXPECT_EQ(QHostAddress(devices[0].LocalIP).toString(), first);
    EXPECT_EQ(devices[0].LocalMask, 0xFFFFFF00u);
}

TEST_F(LabEngine, BurstOfRepliesIsListedWhole) {
    SWP_REQUIRE_LAB();
    // Many devices answer one discovery at once on both adapters; the engine
    // reads one datagram per notification and loses none.
    CLabDevice crowd1;
    CLabDevice crowd2;
    Start(crowd1, "dev1", DeviceJson(kMac1Text, "Crowd-A", "\"clones\": 300"));
    Start(crowd2, "dev2", DeviceJson("02:5A:00:10:00:01", "Crowd-B", "\"clones\": 300"));
    const std::vector<DeviceRecord> devices = Discover();
    EXPECT_EQ(devices.size(), 600u);
    EXPECT_EQ(Log->Lines().filter("TFormUDP::RecvDiscover()").size(), 600);
    EXPECT_TRUE(Log->Lines().filter("  already exist").isEmpty());
}

TEST_F(LabEngine, QueuedDatagramsAreHandledOneByOneInArrivalOrder) {
    SWP_REQUIRE_LAB();
    // More datagrams than one wake-up hands out, queued while nobody reads:
    // discovery replies mixed with malformed ones. Each is one read event with
    // its own complete lines, in the order sent, whatever batch it came in.
    Engine->SetAdapterFilter(kAdapterA);
    ASSERT_TRUE(Engine->SendDiscover(60000, true));
    ASSERT_EQ(Engine->Sockets().size(), 1u);
    const int sender = ::socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(sender, 0);
    const int on = 1;
    ::setsockopt(sender, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    ::setsockopt(sender, SOL_SOCKET, SO_BINDTODEVICE, "swpa0", 5);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(5433);
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    constexpr int kCount = 2 * CUDPSocket::ReadsPerWakeUp + CUDPSocket::BatchSize / 2 + 1;
    QStringList expected;
    Log->Clear();
    for (int n = 0; n < kCount; ++n) {
        const uint8_t mac[6] = {
            0x02, 0x5C, 0x00, 0x00, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
        const QByteArray name = "batch-" + QByteArray::number(n);
        Bytes payload = {0x01, static_cast<uint8_t>(name.size())};
        payload.insert(payload.end(), name.begin(), name.end());
        Bytes datagram = PlainDatagram(mac, 0, payload);
        if (n % 5 == 1) {
            datagram.resize(17);
            expected << "TFormUDP::ProcRecvData() FAIL length";
        } else if (n % 5 == 3) {
            datagram[0] = 'X';
            expected << "TFormUDP::ProcRecvData() FAIL magic word";
        } else {
            expected << "  DevName=" + QString::fromLatin1(name);
        }
        ASSERT_EQ(::sendto(sender, datagram.data(), datagram.size(), 0,
                           reinterpret_cast<sockaddr*>(&to), sizeof to),
                  static_cast<ssize_t>(datagram.size()));
    }
    ::close(sender);
    ASSERT_TRUE(WaitForTrace(expected.last()));

    // One block per datagram: the read event's first line to its last.
    QStringList outcomes;
    int blocks = 0;
    bool inBlock = false;
    for (const QString& line : Log->Lines()) {
        if (line.startsWith("CUDPSocket::OnUMSocket(")) {
            EXPECT_FALSE(inBlock) << "read events overlap";
            inBlock = true;
            ++blocks;
        } else if (line.startsWith("CUDPSocket::WndProc()")) {
            inBlock = false;
        } else if (line.startsWith("  DevName=") || line.contains(" FAIL ")) {
            EXPECT_TRUE(inBlock) << qPrintable(line);
            outcomes << line;
        }
    }
    EXPECT_EQ(blocks, kCount);
    EXPECT_EQ(outcomes, expected);
    std::vector<DeviceRecord> devices;
    Engine->GetDeviceList(devices);
    ASSERT_EQ(devices.size(), static_cast<size_t>(expected.filter("DevName=").size()));
    EXPECT_STREQ(devices.front().Name, "batch-0");
    EXPECT_EQ("  DevName=" + QString::fromLatin1(devices.back().Name),
              expected.filter("DevName=").last());
}

TEST_F(LabEngine, EchoOfOurOwnRequestIsDropped) {
    SWP_REQUIRE_LAB();
    Discover();
    ASSERT_EQ(Engine->Sockets().size(), 2u);
    const CUDPSocket& adapterA = *Engine->Sockets()[0];
    // A request as we send it, looped back to our port by the host itself.
    Bytes request = PlainDatagram(adapterA.AdapterMAC, 0, {});
    const int echo = ::socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(echo, 0);
    const int on = 1;
    ::setsockopt(echo, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    ::setsockopt(echo, SOL_SOCKET, SO_BINDTODEVICE, "swpa0", 5);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(5433);
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    Engine->SendDiscover(4000, false);
    Log->Clear();
    ASSERT_EQ(::sendto(echo, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to),
                       sizeof to),
              static_cast<ssize_t>(request.size()));
    ::close(echo);
    ASSERT_TRUE(WaitForTrace("TFormUDP::ProcRecvData() FAIL received a request"));
    const QStringList trace = Log->Lines();
    EXPECT_EQ(trace.value(1), "Local IP:10.91.1.1");
    EXPECT_FALSE(trace.join('\n').contains("RecvDiscover"));
    std::vector<DeviceRecord> devices;
    Engine->GetDeviceList(devices);
    EXPECT_TRUE(devices.empty());
}

// Runs ip with these arguments in the lab's desktop namespace (we are in it).
bool Ip(const QStringList& arguments) {
    QProcess ip;
    ip.setProcessChannelMode(QProcess::MergedChannels);
    ip.start(QStringLiteral("ip"), arguments);
    if (!ip.waitForFinished(10000) || ip.exitStatus() != QProcess::NormalExit ||
        ip.exitCode() != 0) {
        ADD_FAILURE() << "ip " << qPrintable(arguments.join(' ')) << ": "
                      << ip.readAll().toStdString();
        return false;
    }
    return true;
}

const AdapterInfo* FindAdapter(const std::vector<AdapterInfo>& adapters, const QString& name) {
    for (const AdapterInfo& adapter : adapters)
        if (adapter.Name == name)
            return &adapter;
    return nullptr;
}

TEST_F(LabEngine, OnlyInterfacesThatCarryABroadcastAreAdapters) {
    SWP_REQUIRE_LAB();
    // A link that is down, and a point-to-point tunnel that is up.
    ASSERT_TRUE(Ip({"link", "add", "swpx0", "type", "veth", "peer", "name", "swpx1"}));
    Ip({"addr", "add", "10.91.9.1/24", "dev", "swpx0"});
    ASSERT_TRUE(Ip({"tuntap", "add", "dev", "swptun0", "mode", "tun"}));
    Ip({"addr", "add", "10.91.8.1", "peer", "10.91.8.2", "dev", "swptun0"});
    Ip({"link", "set", "swptun0", "up"});

    CIPHelp ipHelp;
    auto adapters = ipHelp.GetAdaptersList();
    ASSERT_TRUE(adapters.has_value());
    EXPECT_EQ(FindAdapter(*adapters, "lo"), nullptr);
    EXPECT_EQ(FindAdapter(*adapters, "swpx0"), nullptr);
    EXPECT_EQ(FindAdapter(*adapters, "swptun0"), nullptr);
    const AdapterInfo* a = FindAdapter(*adapters, "swpa0");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->AddressLength, 6);
    ASSERT_EQ(a->Addresses.size(), 1u);
    EXPECT_EQ(a->Addresses[0].IP, "10.91.1.1");
    EXPECT_EQ(a->Addresses[0].Mask, "255.255.255.0");
    EXPECT_FALSE(a->Description.isEmpty());
    ASSERT_NE(FindAdapter(*adapters, "swpb0"), nullptr);

    // Once up, the link is an adapter.
    Ip({"link", "set", "swpx0", "up"});
    Ip({"link", "set", "swpx1", "up"});
    adapters = ipHelp.GetAdaptersList();
    const AdapterInfo* x = FindAdapter(*adapters, "swpx0");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->Addresses.size(), 1u);
    EXPECT_EQ(FindAdapter(*adapters, "swptun0"), nullptr);

    Ip({"link", "del", "swpx0"});
    Ip({"tuntap", "del", "dev", "swptun0", "mode", "tun"});
}

TEST_F(LabEngine, AdapterWithTwoAddressesGetsOneSocketOnTheFirst) {
    SWP_REQUIRE_LAB();
    ASSERT_TRUE(Ip({"addr", "add", "10.91.1.11/24", "dev", "swpa0"}));
    CLabDevice device;
    Start(device, "dev1", DeviceJson(kMac1Text, "Single"));
    const std::vector<DeviceRecord> devices = Discover();
    Ip({"addr", "del", "10.91.1.11/24", "dev", "swpa0"});
    ASSERT_EQ(Engine->Sockets().size(), 2u);
    EXPECT_EQ(Engine->Sockets()[0]->LocalIP, kAdapterA);
    EXPECT_EQ(Log->Lines().filter("Addr=").size(), 2);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(Received(device.Journal(), "discover").size(), 1);
}

TEST_F(LabEngine, AdapterFilterOpensThatAdapterOnly) {
    SWP_REQUIRE_LAB();
    CLabDevice device1;
    CLabDevice device2;
    Start(device1, "dev1", DeviceJson(kMac1Text, "Left"));
    Start(device2, "dev2", DeviceJson(kMac2Text, "Right"));
    Engine->SetAdapterFilter(kAdapterB);
    const std::vector<DeviceRecord> devices = Discover();
    ASSERT_EQ(Engine->Sockets().size(), 1u);
    EXPECT_EQ(Engine->Sockets()[0]->Interface, "swpb0");
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_STREQ(devices[0].Name, "Right");
    EXPECT_TRUE(Received(device1.Journal()).isEmpty());

    Engine->SetAdapterFilter(QStringLiteral("10.91.3.1")); // no such adapter
    EXPECT_FALSE(Engine->SendDiscover(4000, true));
    EXPECT_TRUE(Boxes.Texts.isEmpty()); // the caller decides what to show
    EXPECT_TRUE(Engine->Sockets().empty());
}

// ---------------------------------------------------------------------------
// Login

TEST_F(LabEngine, AfterLoginASecondDevicesReplyIsDropped) {
    SWP_REQUIRE_LAB();
    CLabDevice device1;
    CLabDevice device2;
    Start(device1, "dev1", DeviceJson(kMac1Text, "First"));
    // Answers without a login, so it replies to what we send to the first; it
    // leaves the login for the first alone.
    Start(
        device2, "dev2",
        DeviceJson(kMac2Text, "Second", "\"require_login\": false, \"foreign_login\": \"ignore\""));
    ASSERT_TRUE(DiscoverAndLogIn(kMac1));
    EXPECT_TRUE(Engine->LoggedIn);
    EXPECT_EQ(std::memcmp(Engine->TargetMAC, kMac1, 6), 0);
    Engine->SendGetConfig(15000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_GET_CONFIG, 1}));
    ASSERT_TRUE(device2.WaitForJournal(
        [](const QList<QJsonObject>& j) { return !Sent(j, "get_config").isEmpty(); }, 5000));
    ASSERT_TRUE(WaitForTrace("TFormUDP::ProcRecvData() FAIL destination address doesn't match"));
    EXPECT_EQ(AdaptersThatReceivedFrom(Log->Lines(), kDevice2IP).size(), 1); // its discovery reply
}

TEST_F(LabEngine, WrongPasswordIsRefused) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    Start(device, "dev1", DeviceJson(kMac1Text, "Locked"));
    const std::vector<DeviceRecord> devices = Discover(); // discovery works whatever the password
    ASSERT_EQ(devices.size(), 1u);
    g_Var.Device = devices[0];
    g_Var.Password = QStringLiteral("guess");
    Engine->SendLogin(5000);
    const PostedMessage reply = Await();
    EXPECT_EQ(reply.message, UM_UDP_RESULT);
    EXPECT_EQ(reply.code, WAIT_LOGIN);
    EXPECT_EQ(reply.value, 0);
    EXPECT_FALSE(Engine->LoggedIn);
    const QList<QJsonObject> logins = Received(device.Journal(), "login");
    ASSERT_EQ(logins.size(), 1);
    EXPECT_EQ(logins[0].value("action").toString(), "refuse");
}

TEST_F(LabEngine, LoginReplyWithPortMovesLaterRequests) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    Start(device, "dev1", DeviceJson(kMac1Text, "Ported", "\"login_port\": 5440"));
    ASSERT_TRUE(DiscoverAndLogIn(kMac1));
    EXPECT_EQ(Engine->DestPort, 5440);
    EXPECT_TRUE(Log->Contains("  Port=5440"));
    Engine->SendGetConfig(15000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_GET_CONFIG, 1}));
    Engine->SendLogin(5000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_LOGIN, 1}));
    const QList<QJsonObject> journal = device.Journal();
    ASSERT_EQ(Received(journal, "get_config").size(), 1);
    EXPECT_EQ(Received(journal, "get_config")[0].value("port").toInt(), 5440);
    ASSERT_EQ(Received(journal, "login").size(), 2);
    EXPECT_EQ(Received(journal, "login")[0].value("port").toInt(), 5432);
    EXPECT_EQ(Received(journal, "login")[1].value("port").toInt(), 5432);
}

TEST_F(LabEngine, ConnectionTimeOutEventClearsTheLogin) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    Start(device, "dev1", DeviceJson(kMac1Text, "Short", "\"connect_timeout_ms\": 300"));
    ASSERT_TRUE(DiscoverAndLogIn(kMac1));
    ASSERT_TRUE(WaitFor([&] { return !Engine->LoggedIn; }));
    EXPECT_TRUE(Log->Contains("  TLVTYPE_OTHER_CONNECTTIMEOUT"));
    EXPECT_TRUE(Target.Take().empty()); // no message to the page
    EXPECT_EQ(Sent(device.Journal(), "connect_timeout").size(), 1);
}

// ---------------------------------------------------------------------------
// Configuration

TEST_F(LabEngine, StaticAddressIsSetThenReadBack) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    Start(device, "dev1",
          DeviceJson(kMac1Text, "Static",
                     "\"ip\": {\"dhcp\": true, \"ip\": \"192.168.0.50\", \"mask\": "
                     "\"255.255.255.0\", \"gateway\": \"192.168.0.1\"}"));
    ASSERT_TRUE(DiscoverAndLogIn(kMac1));
    g_Var.NewIP = {0, 0x0A5B0132, 0xFFFFFF00, 0x0A5B01FE, 0, 0};
    Engine->SendIPSetting(32000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_IP_SETTING, 1}));
    Engine->SendGetConfig(15000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_GET_CONFIG, 1}));
    EXPECT_EQ(g_Var.CurIP.IpMode, 0);
    EXPECT_EQ(g_Var.CurIP.IP, 0x0A5B0132u);
    EXPECT_EQ(g_Var.CurIP.Mask, 0xFFFFFF00u);
    EXPECT_EQ(g_Var.CurIP.Gateway, 0x0A5B01FEu);
    EXPECT_TRUE(Log->Contains("  LAN_IP=A5B0132"));

    const QList<QJsonObject> set = Received(device.Journal(), "set_ip");
    ASSERT_EQ(set.size(), 1);
    EXPECT_EQ(Order(set[0]), (QStringList{"IP_MODE", "LAN_IP", "LAN_NETMASK", "LAN_GATEWAY"}));
    const QJsonObject tlvs = set[0].value("tlvs").toObject();
    EXPECT_EQ(tlvs.value("IP_MODE").toInt(), 0);
    EXPECT_EQ(tlvs.value("LAN_IP").toString(), "10.91.1.50");
    EXPECT_EQ(tlvs.value("LAN_NETMASK").toString(), "255.255.255.0");
    EXPECT_EQ(tlvs.value("LAN_GATEWAY").toString(), "10.91.1.254");
    EXPECT_EQ(set[0].value("length").toInt(), 18 + 21);
}

TEST_F(LabEngine, DhcpIsSetThenReadBack) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    Start(device, "dev1", DeviceJson(kMac1Text, "Dynamic"));
    ASSERT_TRUE(DiscoverAndLogIn(kMac1));
    Engine->SendGetConfig(15000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_GET_CONFIG, 1}));
    EXPECT_EQ(g_Var.CurIP.IpMode, 0);
    g_Var.NewIP.IpMode = 1;
    Engine->SendIPSetting(32000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_IP_SETTING, 1}));
    Engine->SendGetConfig(15000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_GET_CONFIG, 1}));
    EXPECT_EQ(g_Var.CurIP.IpMode, 1);
    const QList<QJsonObject> set = Received(device.Journal(), "set_ip");
    ASSERT_EQ(set.size(), 1);
    EXPECT_EQ(Order(set[0]), QStringList{"IP_MODE"});
    EXPECT_EQ(set[0].value("tlvs").toObject().value("IP_MODE").toInt(), 1);
}

struct WirelessCase {
    const char* name;
    bool station;
    int security;
    QStringList order;
};

class LabWireless : public LabEngine, public ::testing::WithParamInterface<WirelessCase> {};

TEST_P(LabWireless, SettingIsRecordedAsSentAndReadBack) {
    SWP_REQUIRE_LAB();
    const WirelessCase& c = GetParam();
    CLabDevice device;
    Start(device, "dev1", DeviceJson(kMac1Text, "Radio", c.station ? "\"mode\": 2" : QByteArray()));
    ASSERT_TRUE(DiscoverAndLogIn(kMac1));
    WirelessProfile& wl = g_Var.NewWl;
    std::strcpy(wl.SSID, "LabNet");
    wl.StdCh = c.security == 1 ? 0 : 11;
    wl.ExtCh = 1;
    wl.WlMode = 9;
    wl.Security = c.security;
    wl.Auth = 1;
    std::strcpy(wl.WepKey, "abcde");
    wl.WpaMode = 1;
    wl.WpaCipher = 2;
    std::strcpy(wl.WpaKey, "lab passphrase");
    if (c.station)
        Engine->SendWlStationSetting(32000);
    else
        Engine->SendWlSetting(32000);
    EXPECT_EQ(Await(),
              (PostedMessage{UM_UDP_RESULT, c.station ? WAIT_WL_STA_SETTING : WAIT_WL_SETTING, 1}));

    const QList<QJsonObject> set =
        Received(device.Journal(), c.station ? "set_station" : "set_wireless");
    ASSERT_EQ(set.size(), 1);
    EXPECT_EQ(set[0].value("opcode").toInt(), c.station ? 9 : 4);
    EXPECT_EQ(Order(set[0]), c.order);
    const QJsonObject tlvs = set[0].value("tlvs").toObject();
    EXPECT_EQ(tlvs.value("WL_SSID").toString(), "LabNet");
    EXPECT_EQ(tlvs.value("WL_WIRELESS_MODE").toInt(), 9);
    EXPECT_EQ(tlvs.value("WL_SECURITY_MODE").toInt(), c.security);
    if (c.station)
        EXPECT_EQ(tlvs.value("WL_STA_FLAG").toInt(), 1);
    else
        EXPECT_EQ(tlvs.value("WL_STD_CH").toInt(), wl.StdCh);
    if (c.security == 1) {
        EXPECT_EQ(tlvs.value("WL_AUTH_MODE").toInt(), 1);
        EXPECT_EQ(tlvs.value("WL_WEPKEY").toString(), "abcde");
        EXPECT_EQ(tlvs.value("WL_WEPKEY_INDEX").toInt(), 0);
    }
    if (c.security == 2) {
        EXPECT_EQ(tlvs.value("WL_WPA_MODE").toInt(), 1);
        EXPECT_EQ(tlvs.value("WL_WPA_CIPHER").toInt(), 2);
        EXPECT_EQ(tlvs.value("WL_WPA_PSK").toString(), "lab passphrase");
    }

    Engine->SendGetConfig(15000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_GET_CONFIG, 1}));
    EXPECT_STREQ(g_Var.CurWl.SSID, "LabNet");
    EXPECT_EQ(g_Var.CurWl.Security, c.security);
    if (c.security == 1) {
        EXPECT_EQ(g_Var.CurWl.Auth, 1);
        EXPECT_EQ(g_Var.CurWl.WepKeyLen, 0); // five characters: 64-bit
    }
    if (c.security == 2) {
        EXPECT_EQ(g_Var.CurWl.WpaMode, 1);
        EXPECT_EQ(g_Var.CurWl.WpaCipher, 2);
    }
}

const QStringList kApHead = {"WL_SSID", "WL_STD_CH", "WL_EXT_CH", "WL_WIRELESS_MODE",
                             "WL_SECURITY_MODE"};
const QStringList kApHeadNoExt = {"WL_SSID", "WL_STD_CH", "WL_WIRELESS_MODE", "WL_SECURITY_MODE"};
const QStringList kStaHead = {"WL_SSID", "WL_STA_FLAG", "WL_WIRELESS_MODE", "WL_SECURITY_MODE"};
const QStringList kWep = {"WL_AUTH_MODE", "WL_WEPKEY", "WL_WEPKEY_INDEX"};
const QStringList kWpa = {"WL_WPA_MODE", "WL_WPA_CIPHER", "WL_WPA_PSK"};

INSTANTIATE_TEST_SUITE_P(
    Security, LabWireless,
    ::testing::Values(WirelessCase{"AccessPointNone", false, 0, kApHead},
                      WirelessCase{"AccessPointWep", false, 1, kApHeadNoExt + kWep},
                      WirelessCase{"AccessPointWpaPsk", false, 2, kApHead + kWpa},
                      WirelessCase{"StationNone", true, 0, kStaHead},
                      WirelessCase{"StationWep", true, 1, kStaHead + kWep},
                      WirelessCase{"StationWpaPsk", true, 2, kStaHead + kWpa}),
    [](const ::testing::TestParamInfo<WirelessCase>& info) {
        return std::string(info.param.name);
    });

TEST_F(LabEngine, SetModeThenGetMode) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    Start(device, "dev1", DeviceJson(kMac1Text, "Moded", "\"mode\": 1"));
    ASSERT_TRUE(DiscoverAndLogIn(kMac1));
    Engine->SendSetMode(28000, DEVICE_WBRIDGE);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_SET_MODE, 1}));
    Engine->SendGetMode(3000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_GET_CONFIG, 1}));
    EXPECT_EQ(g_Var.DeviceMode, DEVICE_WBRIDGE);
    const QList<QJsonObject> set = Received(device.Journal(), "set_mode");
    ASSERT_EQ(set.size(), 1);
    EXPECT_EQ(set[0].value("tlvs").toObject().value("DEVICE_MODE").toInt(), 2);
    EXPECT_EQ(Received(device.Journal(), "get_mode").size(), 1);
}

TEST_F(LabEngine, SurveyOfSeveralNetworks) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    Start(device, "dev1",
          DeviceJson(kMac1Text, "Scanner",
                     "\"survey\": ["
                     "{\"ssid\": \"Office\", \"bssid\": \"00:0E:8E:00:00:01\", \"signal\": 85, "
                     "\"channel\": 6, \"encryption\": 3, \"authentication\": 3, \"wps\": true},"
                     "{\"ssid\": \"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345\", \"bssid\": "
                     "\"00:0E:8E:00:00:02\", \"signal\": 40, \"channel\": 11, \"highlight\": true},"
                     "{\"ssid\": \"Guest\", \"bssid\": \"00:0E:8E:00:00:03\", \"signal\": 7, "
                     "\"channel\": 1, \"encryption\": 1, \"kind\": 1, \"wps\": true}]"));
    ASSERT_TRUE(DiscoverAndLogIn(kMac1));
    Engine->SendSiteSurvey(7000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_SITE_SURVEY, 0}));
    std::vector<_tag_AP_ROFIILE> list;
    Engine->GetSurveyList(list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_STREQ(list[0].SSID, "Office");
    EXPECT_EQ(list[0].Signal, 85);
    EXPECT_EQ(list[0].Channel, 6);
    EXPECT_EQ(list[0].Encryption, 3);
    EXPECT_EQ(list[0].Authentication, 3);
    EXPECT_TRUE(list[0].WpsCapable);
    EXPECT_STREQ(list[1].SSID, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
    EXPECT_TRUE(list[1].Highlighted);
    EXPECT_FALSE(list[1].WpsCapable);
    EXPECT_EQ(list[2].NetworkKind, 1);
    const uint8_t bssid[6] = {0x00, 0x0E, 0x8E, 0x00, 0x00, 0x03};
    EXPECT_EQ(std::memcmp(list[2].BSSID, bssid, 6), 0);
    std::vector<_tag_AP_ROFIILE> wps;
    Engine->GetWPSSurveyList(wps);
    ASSERT_EQ(wps.size(), 2u);
    EXPECT_STREQ(wps[1].SSID, "Guest");
}

TEST_F(LabEngine, StationPinCode) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    Start(device, "dev1",
          DeviceJson(kMac1Text, "Client", "\"mode\": 2, \"client_pin\": \"24681357\""));
    ASSERT_TRUE(DiscoverAndLogIn(kMac1));
    Engine->SendStationGetConfig(3000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_STA_GET_CONFIG, 1}));
    EXPECT_STREQ(g_Var.ApClientPin, "24681357");
    EXPECT_TRUE(Log->Contains("  AP Client PIN Code = ********"));
}

// ---------------------------------------------------------------------------
// WPS and the one pending request

TEST_F(LabEngine, WpsPushButtonReportsItsStatusWhileAnotherRequestWaits) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    // The configuration read after the push button answers late, so both
    // status events arrive while it is pending.
    Start(device, "dev1",
          DeviceJson(kMac1Text, "Pairing",
                     "\"wps_status\": [[100, 3], [200, 34]], "
                     "\"requests\": {\"get_config\": {\"delay_ms\": 1000}}"));
    ASSERT_TRUE(DiscoverAndLogIn(kMac1));
    Engine->SendWPSPBC(10000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_WPS_PBC, 1}));
    Engine->SendGetConfig(15000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_GET_CONFIG, 1}));
    EXPECT_EQ(Other,
              (std::vector<PostedMessage>{{UM_UDP_EVENT, 0x96, 3}, {UM_UDP_EVENT, 0x96, 34}}));
    const QStringList trace = Log->Lines();
    const int first = trace.indexOf("  TLVTYPE_OTHER_WPS_STATUS 3");
    const int second = trace.indexOf("  TLVTYPE_OTHER_WPS_STATUS 34");
    const int config = trace.indexOf("TFormUDP::RecvGetConfig()");
    const int request = trace.indexOf("TFormUDP::SendGetConfig()");
    EXPECT_LT(request, first);
    EXPECT_LT(first, second);
    EXPECT_LT(second, config);
    const QList<QJsonObject> pbc = Received(device.Journal(), "wps_pbc");
    ASSERT_EQ(pbc.size(), 1);
    EXPECT_EQ(pbc[0].value("tlvs").toObject().value("WL_WPS_PBC").toBool(), true);
}

TEST_F(LabEngine, StationWpsPinNamesTheNetwork) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    Start(device, "dev1",
          DeviceJson(kMac1Text, "Joiner", "\"mode\": 2, \"wps_status\": [[50, 34]]"));
    ASSERT_TRUE(DiscoverAndLogIn(kMac1));
    std::strcpy(g_Var.NewWl.SSID, "Office");
    Engine->SendStaWPSPIN(10000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_WPS_PIN, 1}));
    ASSERT_TRUE(WaitFor([&] {
        for (const PostedMessage& m : Target.Take())
            Other.push_back(m);
        return !Other.empty();
    }));
    EXPECT_EQ(Other, (std::vector<PostedMessage>{{UM_UDP_EVENT, 0x96, 34}}));
    const QList<QJsonObject> pin = Received(device.Journal(), "wps_pin");
    ASSERT_EQ(pin.size(), 1);
    EXPECT_EQ(pin[0].value("tlvs").toObject().value("WL_WPS_PIN").toString(), "Office");
}

TEST_F(LabEngine, LateReplyIsIgnored) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    Start(device, "dev1",
          DeviceJson(kMac1Text, "Slow", "\"requests\": {\"get_config\": {\"delay_ms\": 1500}}"));
    ASSERT_TRUE(DiscoverAndLogIn(kMac1));
    Engine->SendGetConfig(3000); // 600 ms here
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_TIMEOUT, WAIT_GET_CONFIG, 0}));
    Log->Clear();
    ASSERT_TRUE(WaitForTrace("TFormUDP::RecvGetConfig()"));
    const QStringList trace = Log->Lines();
    EXPECT_EQ(trace.value(trace.indexOf("TFormUDP::RecvGetConfig()") + 1), "  ignore data");
    EXPECT_TRUE(Target.Take().empty());
    EXPECT_EQ(g_Var.DeviceMode, 0);
}

TEST_F(LabEngine, SecondRequestReplacesTheFirst) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    Start(device, "dev1",
          DeviceJson(kMac1Text, "Busy",
                     "\"requests\": {\"get_config\": {\"delay_ms\": 300}}, \"survey\": []"));
    ASSERT_TRUE(DiscoverAndLogIn(kMac1));
    Engine->SendGetConfig(15000);
    Engine->SendSiteSurvey(7000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_SITE_SURVEY, 0}));
    ASSERT_TRUE(WaitForTrace("TFormUDP::RecvGetConfig()"));
    const QStringList trace = Log->Lines();
    EXPECT_EQ(trace.value(trace.indexOf("TFormUDP::RecvGetConfig()") + 1), "  ignore data");
    EXPECT_TRUE(Target.Take().empty());
}

TEST_F(LabEngine, BroadcastReplyModeWorksLikeUnicast) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    Start(device, "dev2",
          DeviceJson(kMac2Text, "Shouter",
                     "\"reply\": \"broadcast\", \"wireless\": {\"ssid\": \"Loud\"}"));
    ASSERT_TRUE(DiscoverAndLogIn(kMac2));
    Engine->SendGetConfig(15000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_GET_CONFIG, 1}));
    EXPECT_STREQ(g_Var.CurWl.SSID, "Loud");
    EXPECT_EQ(Engine->LastLocalIP, kAdapterB);
    for (const QJsonObject& line : Sent(device.Journal())) {
        EXPECT_EQ(line.value("via").toString(), "broadcast");
        EXPECT_EQ(line.value("to").toString(), "255.255.255.255:5433");
    }
    EXPECT_EQ(AdaptersThatReceivedFrom(Log->Lines(), kDevice2IP),
              (QStringList{kAdapterB, kAdapterB, kAdapterB}));
}

// ---------------------------------------------------------------------------
// Whole traces

// The trace of one datagram read from a socket: the notification, the read,
// then handler lines, then the window procedure's line.
QStringList ReadTrace(const CUDPSocket& socket, const QString& from, const Bytes& plain,
                      const QStringList& handler) {
    QStringList lines;
    lines << QStringLiteral("CUDPSocket::OnUMSocket(%1) %2 1")
                 .arg(FormatMAC(socket.AdapterMAC))
                 .arg(socket.Socket, 0, 16);
    lines << "Local IP:" + socket.LocalIP;
    lines << QStringLiteral("[Rx] %1 size=%2").arg(from).arg(plain.size());
    lines << DumpLines(plain);
    lines << handler;
    lines << QStringLiteral("CUDPSocket::WndProc()") + QString(69, QLatin1Char('a')) +
                 QStringLiteral(" 32769, 32769, %1, 1").arg(socket.Socket);
    return lines;
}

QStringList TxTrace(const char* operation, const Bytes& plain) {
    QStringList lines;
    lines << operation;
    lines << QStringLiteral("[Tx] size=%1").arg(plain.size());
    lines << DumpLines(plain);
    return lines;
}

TEST_F(LabEngine, WholeTraceOfDiscoveryLoginAndConfiguration) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    Start(
        device, "dev1",
        DeviceJson(kMac1Text, "Lab-AP",
                   "\"ip\": {\"dhcp\": false, \"ip\": \"10.91.1.2\", \"mask\": "
                   "\"255.255.255.0\", \"gateway\": \"10.91.1.254\"}, "
                   "\"wireless\": {\"ssid\": \"Lab\", \"std_ch\": 6, \"ext_ch\": 0, "
                   "\"channels\": [1, 6, 11], \"security\": 2, \"auth\": 0, \"wep_key_len\": 0, "
                   "\"wep_key_index\": 0, \"wpa_mode\": 1, \"cipher\": 1, \"wps_pin\": 12345670}"));

    // Discovery.
    EXPECT_TRUE(Engine->SendDiscover(4000, true));
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_TIMEOUT, WAIT_DISCOVER, 0}));
    ASSERT_EQ(Engine->Sockets().size(), 2u);
    const CUDPSocket& a = *Engine->Sockets()[0];
    const CUDPSocket& b = *Engine->Sockets()[1];
    EXPECT_EQ(std::memcmp(Engine->HostMAC, a.AdapterMAC, 6), 0); // the first adapter's
    QStringList expected;
    expected << "TFormUDP::SendDiscover()"
             << "CIPHelp::ClearArpCache() \"arp -d *\" and \"arp -d\" not run: the ARP cache needs "
                "privileges on Linux and is left to the system";
    for (const CUDPSocket* s : {&a, &b}) {
        expected << QStringLiteral("Addr=%1, IP=%2, Iface=%3")
                        .arg(FormatMAC(s->AdapterMAC), s->LocalIP, s->Interface)
                 << QStringLiteral(
                        "CUDPSocket::CreateSocket() SO_RCVBUF requested=4194304 granted=%1")
                        .arg(s->ReceiveBuffer)
                 << "WSAAsyncSelect() OK";
    }
    expected << TxTrace("TFormUDP::SendDiscover()", PlainDatagram(a.AdapterMAC, 0, {})).mid(1);
    const Bytes discoverReply = PlainDatagram(kMac1, 0, {0x01, 0x06, 'L', 'a', 'b', '-', 'A', 'P'});
    expected << ReadTrace(a, "10.91.1.2:5432", discoverReply,
                          {"TFormUDP::RecvDiscover()", "  DevName=Lab-AP"});
    expected << "TFormUDP::TimerWaitTimer() 1";
    EXPECT_EQ(Log->Lines(), expected);

    // Login.
    std::vector<DeviceRecord> devices;
    Engine->GetDeviceList(devices);
    ASSERT_EQ(devices.size(), 1u);
    g_Var.Device = devices[0];
    Log->Clear();
    Engine->SendLogin(5000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_LOGIN, 1}));
    Bytes login = {0x02, 0x06};
    login.insert(login.end(), kMac1, kMac1 + 6);
    login.push_back(0x90);
    login.push_back(91);
    const char* phrase = "ZOLA-4420 Client handshake is accepted. Greeting text by Corvanta "
                         "Networks. Phrase is sent.";
    login.insert(login.end(), phrase, phrase + 91);
    expected = TxTrace("TFormUDP::SendLogin()", PlainDatagram(a.AdapterMAC, 1, login));
    expected << ReadTrace(a, "10.91.1.2:5432", PlainDatagram(kMac1, 1, {0x91, 0x01, 0x01}),
                          {"TFormUDP::RecvLogin()", "  Result=1"});
    EXPECT_EQ(Log->Lines(), expected);

    // Configuration.
    Log->Clear();
    Engine->SendGetConfig(15000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_GET_CONFIG, 1}));
    const Bytes config = {
        0x00, 0x01, 0x01,                   // DEVICE_MODE
        0x30, 0x01, 0x00,                   // IP_MODE
        0x31, 0x04, 0x0A, 0x5B, 0x01, 0x02, // LAN_IP
        0x32, 0x04, 0xFF, 0xFF, 0xFF, 0x00, // LAN_NETMASK
        0x33, 0x04, 0x0A, 0x5B, 0x01, 0xFE, // LAN_GATEWAY
        0x50, 0x03, 'L',  'a',  'b',        // WL_SSID
        0x51, 0x03, 0x01, 0x06, 0x0B,       // WL_CH_LIST
        0x52, 0x01, 0x00,                   // WL_EXT_CH
        0x53, 0x01, 0x06,                   // WL_STD_CH
        0x60, 0x01, 0x02,                   // WL_SECURITY_MODE
        0x61, 0x01, 0x00,                   // WL_AUTH_MODE
        0x62, 0x01, 0x00,                   // WL_WEPKEY_LEN
        0x67, 0x01, 0x00,                   // WL_WEPKEY_INDEX
        0x68, 0x01, 0x01,                   // WL_WPA_MODE
        0x69, 0x01, 0x01,                   // WL_WPA_CIPHER
        0x6C, 0x04, 0x00, 0xBC, 0x61, 0x46, // WL_WPS_PIN 12345670
    };
    expected =
        TxTrace("TFormUDP::SendGetConfig()", PlainDatagram(a.AdapterMAC, 3, {0x93, 0x01, 0x00}));
    expected << ReadTrace(a, "10.91.1.2:5432", PlainDatagram(kMac1, 3, config),
                          {"TFormUDP::RecvGetConfig()", "  DEVICE_MODE=0x01", "  IP_MODE=0",
                           "  LAN_IP=A5B0102", "  LAN_NETMASK=FFFFFF00", "  LAN_GATEWAY=A5B01FE",
                           "  WL_SSID=Lab", "  WL_CH_LIST=(3)  1 6 11", "  WL_EXT_CH=0",
                           "  WL_STD_CH=6", "  WL_SECURITY_MODE=2", "  WL_AUTH_MODE=0",
                           "  WL_WEPKEY_LEN=0", "  WL_WEPKEY_INDEX=0", "  WL_WPA_MODE=1",
                           "  WL_WPA_CIPHER=1", "  WL_WPS_PIN=0x********"});
    EXPECT_EQ(Log->Lines(), expected);

    // Reopening discovery logs out first; the logout goes out before the sockets close.
    uint8_t hostMac[6];
    std::memcpy(hostMac, Engine->HostMAC, 6);
    Log->Clear();
    Engine->SendDiscover(4000, true);
    expected = QStringList{"TFormUDP::SendDiscover()"};
    expected << TxTrace("TFormUDP::SendLogout()", PlainDatagram(hostMac, 2, {}));
    EXPECT_EQ(Log->Lines().mid(0, expected.size()), expected);
    EXPECT_FALSE(Engine->LoggedIn);
    ASSERT_TRUE(device.WaitForJournal(
        [](const QList<QJsonObject>& j) { return !Received(j, "logout").isEmpty(); }, 5000));
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_TIMEOUT, WAIT_DISCOVER, 0}));
}

TEST_F(LabEngine, WholeTraceOfASetting) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    Start(device, "dev1", DeviceJson(kMac1Text, "Lab-AP"));
    ASSERT_TRUE(DiscoverAndLogIn(kMac1));
    const CUDPSocket& a = *Engine->Sockets()[0];
    g_Var.NewIP.IpMode = 1;
    Log->Clear();
    Engine->SendIPSetting(32000);
    EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_IP_SETTING, 1}));
    QStringList expected =
        TxTrace("TFormUDP::SendIPSetting()", PlainDatagram(a.AdapterMAC, 4, {0x30, 0x01, 0x01}));
    expected << ReadTrace(a, "10.91.1.2:5432", PlainDatagram(kMac1, 4, {0x91, 0x01, 0x01}),
                          {"TFormUDP::RecvSetConfig()", "  Result=1"});
    EXPECT_EQ(Log->Lines(), expected);
}

// ---------------------------------------------------------------------------
// As an unprivileged user, against the simulators the lab started
// (tests/protocol/lab/user-dev1.json and user-dev2.json).

class EngineLabUser : public LabEngine {
protected:
    static QList<QJsonObject> LabJournal(const char* ns) {
        return ReadJournal(qEnvironmentVariable("SWP_LAB_DIR") + "/journal-" + ns + ".jsonl");
    }
};

TEST_F(EngineLabUser, RunsWithoutPrivileges) {
    SWP_REQUIRE_LAB();
    EXPECT_NE(::geteuid(), 0u) << "this suite is meant to run as an unprivileged user";
}

TEST_F(EngineLabUser, SocketsHearTheirOwnAdapterOnly) {
    SWP_REQUIRE_LAB();
    const std::vector<DeviceRecord> devices = Discover();
    ASSERT_EQ(Engine->Sockets().size(), 2u) << qPrintable(Log->Lines().join('\n'));
    EXPECT_GE(Engine->Sockets()[0]->ReceiveBuffer, 4 * 1024 * 1024);
    ASSERT_EQ(devices.size(), 2u);
    const QStringList trace = Log->Lines();
    EXPECT_EQ(AdaptersThatReceivedFrom(trace, kDevice1IP), QStringList{kAdapterA}); // unicast
    EXPECT_EQ(AdaptersThatReceivedFrom(trace, kDevice2IP), QStringList{kAdapterB}); // broadcast
    for (const QJsonObject& line : Received(LabJournal("dev1"))) {
        EXPECT_EQ(line.value("from").toString(), "10.91.1.1:5433");
        EXPECT_EQ(line.value("mac").toString(), MacOf("swpa0"));
    }
    for (const QJsonObject& line : Received(LabJournal("dev2"))) {
        EXPECT_EQ(line.value("from").toString(), "10.91.2.1:5433");
        EXPECT_EQ(line.value("mac").toString(), MacOf("swpb0"));
    }
    EXPECT_FALSE(Received(LabJournal("dev1"), "discover").isEmpty());
    EXPECT_FALSE(Received(LabJournal("dev2"), "discover").isEmpty());
}

TEST_F(EngineLabUser, LogInConfigureAndReadBack) {
    SWP_REQUIRE_LAB();
    for (const uint8_t* mac : {kMac1, kMac2}) {
        ASSERT_TRUE(DiscoverAndLogIn(mac)) << qPrintable(Log->Lines().join('\n'));
        g_Var.NewIP = {0, 0x0A5B0163, 0xFFFFFF00, 0x0A5B0101, 0, 0};
        Engine->SendIPSetting(32000);
        EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_IP_SETTING, 1}));
        Engine->SendGetConfig(15000);
        EXPECT_EQ(Await(), (PostedMessage{UM_UDP_RESULT, WAIT_GET_CONFIG, 1}));
        EXPECT_EQ(g_Var.CurIP.IP, 0x0A5B0163u);
        EXPECT_EQ(g_Var.CurIP.IpMode, 0);
    }
}

} // namespace
