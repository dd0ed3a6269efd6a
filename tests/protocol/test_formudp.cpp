// The protocol engine without a network: datagrams are handed to ProcRecvData
// through a socket that is never opened (its adapter MAC stands for the
// adapter), requests go nowhere because no socket is open, and the messages the
// engine posts are collected by a recording target.

#include "protocol/formudp.h"
#include "settings/globalvar.h"
#include "settings/messagebox.h"
#include "settings/textutil.h"
#include "settings/timing.h"
#include "tests/common/globalvarstate.h"
#include "tests/common/logcapture.h"
#include "tests/common/scriptedboxes.h"
#include "tests/protocol/enginetest.h"

#include <gtest/gtest.h>

#include <QFile>
#include <algorithm>
#include <memory>

namespace {

const uint8_t kHostMac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const uint8_t kAdapterMac[6] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
const uint8_t kDevice1[6] = {0x00, 0x0E, 0x8E, 0x12, 0x34, 0x56};
const uint8_t kDevice2[6] = {0x00, 0x0E, 0x8E, 0xAB, 0xCD, 0xEF};
const QString kDeviceIP = QStringLiteral("10.91.1.2");

// Adapters as a test wants them.
class CFakeIPHelp : public CIPHelp {
public:
    std::optional<std::vector<AdapterInfo>> List;
    std::optional<std::vector<AdapterInfo>> GetAdaptersList() const override { return List; }
};

class FormUDPTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        Timing::SetSpeedup(1);
        ResetGlobalVarState();
        g_Var.Password = QStringLiteral("tosca");
        std::memcpy(g_Var.Device.MAC, kDevice1, 6);

        Engine = std::make_unique<TFormUDP>(&Target);
        std::memcpy(Engine->HostMAC, kHostMac, 6);
        auto socket = std::make_unique<CUDPSocket>();
        std::memcpy(socket->AdapterMAC, kAdapterMac, 6);
        socket->LocalIP = QStringLiteral("10.91.1.1");
        socket->Netmask = QStringLiteral("255.255.255.0");
        Socket = socket.get();
        Engine->AdoptSocket(std::move(socket));
        Log = std::make_unique<CLogCapture>();
    }

    void TearDown() override {
        Engine.reset();
        Log.reset();
        SetMessageBoxes(nullptr);
        Timing::SetSpeedup(1);
    }

    void Inject(Bytes bytes, const QString& ip = kDeviceIP, uint16_t port = 5432) {
        Engine->ProcRecvData(bytes.data(), static_cast<int>(bytes.size()), Socket, port, ip);
    }
    void Reply(const uint8_t mac[6], uint8_t opcode, const Bytes& payload) {
        Inject(DeviceDatagram(mac, opcode, payload, "tosca"));
    }
    // The trace lines of one received datagram: title and dump of the plain bytes.
    static QStringList RxLines(const uint8_t mac[6], uint8_t opcode, const Bytes& payload,
                               const QString& ip = kDeviceIP, int port = 5432) {
        const Bytes plain = PlainDatagram(mac, opcode, payload);
        QStringList lines;
        lines << QStringLiteral("[Rx] %1:%2 size=%3").arg(ip).arg(port).arg(plain.size());
        lines << DumpLines(plain);
        return lines;
    }
    void LogIn(const uint8_t mac[6] = kDevice1) {
        Engine->SendLogin(5000);
        Reply(mac, 1, {0x91, 0x01, 0x01});
        ASSERT_TRUE(Engine->LoggedIn);
        Target.Take();
        Log->Clear();
    }

    CMessageTarget Target;
    std::unique_ptr<TFormUDP> Engine;
    CUDPSocket* Socket = nullptr;
    std::unique_ptr<CLogCapture> Log;
};

// ---------------------------------------------------------------------------
// Validation of received datagrams, in order

TEST_F(FormUDPTest, SeventeenBytesFailLength) {
    Engine->SendGetConfig(15000);
    Log->Clear();
    Bytes bytes = {0x53, 0x57, 0x50, 0x31, 0x32, 0x33, 0x34, 0x35, 0x02,
                   0x00, 0x0E, 0x8E, 0x12, 0x34, 0x56, 0x03, 0x00};
    Inject(bytes);
    EXPECT_EQ(Log->Lines(), QStringList{"TFormUDP::ProcRecvData() FAIL length"});
    EXPECT_TRUE(Target.Take().empty());
    EXPECT_EQ(Engine->PendingRequest, WAIT_GET_CONFIG);
}

TEST_F(FormUDPTest, BadMagicFailsBeforeVersion) {
    Engine->SendGetConfig(15000);
    Log->Clear();
    // "SWP12346" and version 3: the magic word is checked first.
    Inject({0x53, 0x57, 0x50, 0x31, 0x32, 0x33, 0x34, 0x36, 0x03, 0x00, 0x0E, 0x8E, 0x12, 0x34,
            0x56, 0x03, 0x00, 0x00});
    EXPECT_EQ(Log->Lines(), QStringList{"TFormUDP::ProcRecvData() FAIL magic word"});
}

TEST_F(FormUDPTest, WrongVersionFails) {
    Engine->SendGetConfig(15000);
    Log->Clear();
    Inject({0x53, 0x57, 0x50, 0x31, 0x32, 0x33, 0x34, 0x35, 0x01, 0x00, 0x0E, 0x8E, 0x12, 0x34,
            0x56, 0x03, 0x00, 0x00});
    EXPECT_EQ(Log->Lines(), QStringList{"TFormUDP::ProcRecvData() FAIL version"});
}

TEST_F(FormUDPTest, EchoOfAnAdapterMacIsARequest) {
    Engine->SendDiscover(4000, false);
    Log->Clear();
    Inject(PlainDatagram(kAdapterMac, 0, {}), QStringLiteral("10.91.1.1"), 5433);
    EXPECT_EQ(Log->Lines(), QStringList{"TFormUDP::ProcRecvData() FAIL received a request"});
    std::vector<DeviceRecord> devices;
    Engine->GetDeviceList(devices);
    EXPECT_TRUE(devices.empty());
}

TEST_F(FormUDPTest, HostMacIsARequest) {
    Engine->SendDiscover(4000, false);
    Log->Clear();
    Inject(PlainDatagram(kHostMac, 0, {0x01, 0x01, 0x41}));
    EXPECT_EQ(Log->Lines(), QStringList{"TFormUDP::ProcRecvData() FAIL received a request"});
}

TEST_F(FormUDPTest, AfterLoginOtherDeviceIsDropped) {
    LogIn();
    Engine->SendGetConfig(15000);
    Log->Clear();
    Reply(kDevice2, 3, {0x00, 0x01, 0x02});
    EXPECT_EQ(Log->Lines(),
              QStringList{"TFormUDP::ProcRecvData() FAIL destination address doesn't match"});
    EXPECT_EQ(Engine->PendingRequest, WAIT_GET_CONFIG);
    EXPECT_EQ(g_Var.DeviceMode, 0);
    // The logged-in device still gets through.
    Reply(kDevice1, 3, {0x00, 0x01, 0x02});
    EXPECT_EQ(g_Var.DeviceMode, DEVICE_WBRIDGE);
}

TEST_F(FormUDPTest, BeforeLoginAnyDevicePasses) {
    Engine->SendGetConfig(15000);
    Reply(kDevice2, 3, {0x00, 0x01, 0x01});
    EXPECT_EQ(g_Var.DeviceMode, DEVICE_AP);
}

TEST_F(FormUDPTest, TwentyBytesAnnouncingOneFailTotalLength) {
    Engine->SendGetConfig(15000);
    Log->Clear();
    Inject({0x53, 0x57, 0x50, 0x31, 0x32, 0x33, 0x34, 0x35, 0x02, 0x00,
            0x0E, 0x8E, 0x12, 0x34, 0x56, 0x03, 0x00, 0x01, 0xAA, 0xBB});
    EXPECT_EQ(Log->Lines(), QStringList{"TFormUDP::ProcRecvData() FAIL total length"});
    EXPECT_TRUE(Target.Take().empty());
}

TEST_F(FormUDPTest, PayloadLongerThanTheDatagramFailsTotalLength) {
    Engine->SendGetConfig(15000);
    Log->Clear();
    // Announces 0x0100 payload bytes but carries 2: never read past what came.
    Inject({0x53, 0x57, 0x50, 0x31, 0x32, 0x33, 0x34, 0x35, 0x02, 0x00,
            0x0E, 0x8E, 0x12, 0x34, 0x56, 0x03, 0x01, 0x00, 0x00, 0x01});
    EXPECT_EQ(Log->Lines(), QStringList{"TFormUDP::ProcRecvData() FAIL total length"});
}

TEST_F(FormUDPTest, OpcodeFiveIsDumpedAndDropped) {
    Engine->SendGetConfig(15000);
    Log->Clear();
    Inject(Enciphered({0x53, 0x57, 0x50, 0x31, 0x32, 0x33, 0x34, 0x35, 0x02, 0x00,
                       0x0E, 0x8E, 0x12, 0x34, 0x56, 0x05, 0x00, 0x02, 0xAA, 0xBB},
                      "tosca"));
    EXPECT_EQ(Log->Lines(),
              (QStringList{"[Rx] 10.91.1.2:5432 size=20",
                           "53 57 50 31 32 33 34 35 02 00 0E 8E 12 34 56 05 ", "00 02 AA BB "}));
    EXPECT_TRUE(Target.Take().empty());
    EXPECT_EQ(Engine->PendingRequest, WAIT_GET_CONFIG);
    EXPECT_TRUE(Engine->IsWaiting());
}

TEST_F(FormUDPTest, OpcodeAboveNineIsDropped) {
    Engine->SendGetConfig(15000);
    Log->Clear();
    Reply(kDevice1, 10, {0x91, 0x01, 0x01});
    EXPECT_EQ(Log->Lines(), RxLines(kDevice1, 10, {0x91, 0x01, 0x01}));
    EXPECT_TRUE(Target.Take().empty());
}

// ---------------------------------------------------------------------------
// Requests and their trace

TEST_F(FormUDPTest, GetConfigRequestIsDumpedPlain) {
    Engine->SendGetConfig(15000);
    EXPECT_EQ(Log->Lines(),
              (QStringList{"TFormUDP::SendGetConfig()", "[Tx] size=21",
                           "53 57 50 31 32 33 34 35 02 00 11 22 33 44 55 03 ", "00 03 93 01 00 "}));
    EXPECT_EQ(Engine->PendingRequest, WAIT_GET_CONFIG);
    EXPECT_TRUE(Engine->IsWaiting());
}

// The wireless keys never reach the trace: the request before it is
// enciphered and the device's reply after it is deciphered show their bytes as
// stars, with the lines as long as the packet's.
TEST_F(FormUDPTest, WirelessKeysAreStarredInTheTrace) {
    LogIn();
    g_Var.NewWl.Security = 2;
    std::strcpy(g_Var.NewWl.WpaKey, "secret12");
    Engine->SendWlSetting(32000);
    const Bytes wep = {0x60, 0x01, 0x01, 0x63, 0x05, 'a', 'b', 'c', 'd', 'e'};
    Engine->SendGetConfig(15000);
    Reply(kDevice1, 3, wep);
    const QStringList lines = Log->Lines();
    const QString dumps = lines.join(QString());
    EXPECT_FALSE(dumps.contains("73 65 63 72 65 74 31 32")); // "secret12"
    EXPECT_FALSE(dumps.contains("61 62 63 64 65"));          // "abcde"
    EXPECT_EQ(dumps.count("** "), 8 + 5);
    EXPECT_TRUE(dumps.contains("6A 08 ** ** ** ** ** ** ** ** ")) << dumps.toStdString();
    const QStringList rx = RxLines(kDevice1, 3, wep);
    const int at = static_cast<int>(lines.indexOf(rx[0]));
    ASSERT_GE(at, 0);
    EXPECT_EQ(lines.mid(at + 1, 2), (QStringList{rx[1], "00 0A 60 01 01 63 05 ** ** ** ** ** "}));
    EXPECT_FALSE(dumps.contains(QLatin1String("tosca")));
}

TEST_F(FormUDPTest, StationRoleWpsRequestsLogTheAccessPointLines) {
    Engine->SendStaWPSPBC(10000);
    EXPECT_EQ(Engine->PendingRequest, WAIT_WPS_PBC);
    std::strcpy(g_Var.NewWl.SSID, "Home");
    Engine->SendStaWPSPIN(10000);
    EXPECT_EQ(Engine->PendingRequest, WAIT_WPS_PIN);
    const QStringList lines = Log->Lines();
    EXPECT_EQ(lines.value(0), "TFormUDP::SendWPSPBC()");
    EXPECT_EQ(lines.value(1), "[Tx] size=20");
    EXPECT_EQ(lines.value(2), "53 57 50 31 32 33 34 35 02 00 11 22 33 44 55 04 ");
    EXPECT_EQ(lines.value(3), "00 02 6B 00 ");
    EXPECT_EQ(lines.value(4), "TFormUDP::SendWPSPIN()");
    EXPECT_EQ(lines.value(5), "[Tx] size=24");
    EXPECT_EQ(lines.value(7), "00 06 6C 04 ** ** ** ** ");
}

TEST_F(FormUDPTest, AccessPointWpsPinIsEightDigits) {
    g_Var.NewWl.PinNumber = 1234567;
    Engine->SendWPSPIN(10000);
    EXPECT_EQ(Log->Lines(), (QStringList{"TFormUDP::SendWPSPIN()", "[Tx] size=28",
                                         "53 57 50 31 32 33 34 35 02 00 11 22 33 44 55 04 ",
                                         "00 0A 6C 08 ** ** ** ** ** ** ** ** "}));
}

TEST_F(FormUDPTest, EveryRequestSetsItsPendingCode) {
    struct Case {
        std::function<bool()> send;
        int code;
        const char* line;
    };
    const std::vector<Case> cases = {
        {[&] { return Engine->SendLogin(5000); }, WAIT_LOGIN, "TFormUDP::SendLogin()"},
        {[&] { return Engine->SendLogout(3000); }, WAIT_LOGOUT, "TFormUDP::SendLogout()"},
        {[&] { return Engine->SendGetConfig(15000); }, WAIT_GET_CONFIG,
         "TFormUDP::SendGetConfig()"},
        {[&] { return Engine->SendGetMode(3000); }, WAIT_GET_CONFIG, "TFormUDP::SendGetMode()"},
        {[&] { return Engine->SendSetMode(28000, 2); }, WAIT_SET_MODE, "TFormUDP::SendSetMode()"},
        {[&] { return Engine->SendIPSetting(32000); }, WAIT_IP_SETTING,
         "TFormUDP::SendIPSetting()"},
        {[&] { return Engine->SendWlSetting(32000); }, WAIT_WL_SETTING,
         "TFormUDP::SendWlSetting()"},
        {[&] { return Engine->SendWlStationSetting(32000); }, WAIT_WL_STA_SETTING,
         "TFormUDP::SendWlStationSetting()"},
        {[&] { return Engine->SendWPSPBC(10000); }, WAIT_WPS_PBC, "TFormUDP::SendWPSPBC()"},
        {[&] { return Engine->SendWPSPIN(10000); }, WAIT_WPS_PIN, "TFormUDP::SendWPSPIN()"},
        {[&] { return Engine->SendSiteSurvey(7000); }, WAIT_SITE_SURVEY,
         "TFormUDP::SendSiteSurvey()"},
        {[&] { return Engine->SendStationGetConfig(3000); }, WAIT_STA_GET_CONFIG,
         "TFormUDP::SendStationGetConfig()"},
        {[&] { return Engine->SendDiscover(4000, false); }, WAIT_DISCOVER,
         "TFormUDP::SendDiscover()"},
    };
    for (const Case& c : cases) {
        Log->Clear();
        EXPECT_TRUE(c.send());
        EXPECT_EQ(Engine->PendingRequest, c.code) << c.line;
        EXPECT_EQ(Log->Lines().value(0), c.line);
        EXPECT_TRUE(Engine->IsWaiting());
    }
}

TEST_F(FormUDPTest, WaitZeroClearsThePendingCodeAndIgnoresTheReply) {
    Engine->SendGetConfig(0);
    EXPECT_EQ(Engine->PendingRequest, WAIT_NONE);
    EXPECT_FALSE(Engine->IsWaiting());
    Log->Clear();
    Reply(kDevice1, 3, {0x00, 0x01, 0x01});
    EXPECT_EQ(Log->Lines().mid(3), (QStringList{"TFormUDP::RecvGetConfig()", "  ignore data"}));
    EXPECT_EQ(g_Var.DeviceMode, 0);
}

TEST_F(FormUDPTest, LogoutWithoutWaitEndsTheLogin) {
    LogIn();
    Engine->SendLogout(0);
    EXPECT_FALSE(Engine->LoggedIn);
    EXPECT_EQ(Engine->PendingRequest, WAIT_NONE);
}

// ---------------------------------------------------------------------------
// One pending request

TEST_F(FormUDPTest, ReplyForAnotherRequestIsIgnoredAndTheWaitGoesOn) {
    Engine->SendSiteSurvey(7000);
    Log->Clear();
    Reply(kDevice1, 3, {0x00, 0x01, 0x01});
    QStringList expected = RxLines(kDevice1, 3, {0x00, 0x01, 0x01});
    expected << "TFormUDP::RecvGetConfig()"
             << "  ignore data";
    EXPECT_EQ(Log->Lines(), expected);
    EXPECT_EQ(Engine->PendingRequest, WAIT_SITE_SURVEY);
    EXPECT_TRUE(Engine->IsWaiting());
    EXPECT_TRUE(Target.Take().empty());
    EXPECT_EQ(g_Var.DeviceMode, 0);
}

TEST_F(FormUDPTest, SecondRequestReplacesTheFirst) {
    Engine->SendGetConfig(15000);
    Engine->SendSiteSurvey(7000);
    Reply(kDevice1, 3, {0x00, 0x01, 0x01});
    EXPECT_TRUE(Log->Contains("  ignore data"));
    Reply(kDevice1, 7, {});
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_SITE_SURVEY, 0}}));
}

TEST_F(FormUDPTest, OnlyTheSecondRequestTimesOut) {
    Timing::SetSpeedup(100);
    Engine->SendGetConfig(1000);  // 10 ms
    Engine->SendSiteSurvey(3000); // 30 ms: the first one's time has passed when it fires
    ASSERT_TRUE(WaitFor([&] { return !Target.Messages.empty(); }));
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_TIMEOUT, WAIT_SITE_SURVEY, 0}}));
    EXPECT_EQ(Engine->PendingRequest, WAIT_NONE);
    EXPECT_FALSE(Engine->IsWaiting());
}

TEST_F(FormUDPTest, TimeOutPostsThePendingCode) {
    Timing::SetSpeedup(1000);
    Engine->SendGetConfig(15000);
    Log->Clear();
    ASSERT_TRUE(WaitFor([&] { return !Target.Messages.empty(); }));
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_TIMEOUT, WAIT_GET_CONFIG, 0}}));
    EXPECT_EQ(Log->Lines(), QStringList{"TFormUDP::TimerWaitTimer() 6"});
    EXPECT_EQ(Engine->PendingRequest, WAIT_NONE);
}

TEST_F(FormUDPTest, LateReplyAfterTheTimeOutIsIgnored) {
    Timing::SetSpeedup(1000);
    Engine->SendLogin(5000);
    ASSERT_TRUE(WaitFor([&] { return !Target.Messages.empty(); }));
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_TIMEOUT, WAIT_LOGIN, 0}}));
    Log->Clear();
    Reply(kDevice1, 1, {0x91, 0x01, 0x01});
    EXPECT_EQ(Log->Lines().mid(3), (QStringList{"TFormUDP::RecvLogin()", "  ignore data"}));
    EXPECT_FALSE(Engine->LoggedIn);
    EXPECT_TRUE(Target.Take().empty());
}

TEST_F(FormUDPTest, RequestWithoutWaitLeavesTheEarlierTimerRunning) {
    Timing::SetSpeedup(1000);
    Engine->SendGetConfig(15000);
    Engine->SendLogout(0);
    EXPECT_TRUE(Engine->IsWaiting());
    ASSERT_TRUE(WaitFor([&] { return !Target.Messages.empty(); }));
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_TIMEOUT, WAIT_NONE, 0}}));
}

TEST_F(FormUDPTest, ResultsArriveAfterTheCallAndInOrder) {
    Engine->SendGetConfig(15000);
    Reply(kDevice1, 6, {0x96, 0x04, 0x00, 0x00, 0x00, 0x03});
    Reply(kDevice1, 3, {0x00, 0x01, 0x01});
    EXPECT_TRUE(Target.Messages.empty()); // posted, not sent
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_EVENT, 0x96, 3},
                                                         {UM_UDP_RESULT, WAIT_GET_CONFIG, 1}}));
}

// ---------------------------------------------------------------------------
// Discovery

TEST_F(FormUDPTest, DiscoveryCollectsOneRecordPerDevice) {
    Engine->SendDiscover(4000, false);
    Log->Clear();
    QStringList found; // DeviceFound: each new device once, as it joins the list
    QObject::connect(Engine.get(), &TFormUDP::DeviceFound,
                     [&found](const DeviceRecord& device) { found.append(FormatMAC(device.MAC)); });
    const Bytes name = {0x01, 0x05, 'A', 'P', '-', '0', '1'};
    Inject(PlainDatagram(kDevice1, 0, name));
    Inject(PlainDatagram(kDevice1, 0, {0x01, 0x02, 'X', 'Y'}), QStringLiteral("10.91.2.2"));
    Inject(PlainDatagram(kDevice2, 0, {0x01, 0x00}));
    QStringList expected = RxLines(kDevice1, 0, name);
    expected << "TFormUDP::RecvDiscover()"
             << "  DevName=AP-01";
    expected << RxLines(kDevice1, 0, {0x01, 0x02, 'X', 'Y'}, QStringLiteral("10.91.2.2"));
    expected << "TFormUDP::RecvDiscover()"
             << "  already exist";
    expected << RxLines(kDevice2, 0, {0x01, 0x00});
    expected << "TFormUDP::RecvDiscover()"
             << "  DevName=";
    EXPECT_EQ(Log->Lines(), expected);

    std::vector<DeviceRecord> devices;
    Engine->GetDeviceList(devices);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_STREQ(devices[0].Name, "AP-01");
    EXPECT_EQ(devices[0].LocalIP, 0x0A5B0101u);
    EXPECT_EQ(devices[0].LocalMask, 0xFFFFFF00u);
    EXPECT_EQ(devices[0].DeviceIP, 0x0A5B0102u);
    EXPECT_EQ(std::memcmp(devices[0].MAC, kDevice1, 6), 0);
    EXPECT_STREQ(devices[1].Name, "");
    EXPECT_EQ(found, QStringList({FormatMAC(kDevice1), FormatMAC(kDevice2)}));
    // Discovery goes on until the wait elapses.
    EXPECT_TRUE(Target.Take().empty());
    EXPECT_EQ(Engine->PendingRequest, WAIT_DISCOVER);
}

TEST_F(FormUDPTest, DiscoveryReplyWithoutTlvAddsNoDevice) {
    Engine->SendDiscover(4000, false);
    Inject(PlainDatagram(kDevice1, 0, {}));
    Inject(PlainDatagram(kDevice2, 0, {0x01, 0x09, 'A'}));
    EXPECT_TRUE(Log->Contains("  not enough bytes in buffer"));
    std::vector<DeviceRecord> devices;
    Engine->GetDeviceList(devices);
    EXPECT_TRUE(devices.empty());
}

TEST_F(FormUDPTest, LongDeviceNameIsCutToItsField) {
    Engine->SendDiscover(4000, false);
    Bytes payload = {0x01, 40};
    for (int i = 0; i < 40; ++i)
        payload.push_back(static_cast<uint8_t>('a' + i % 26));
    Inject(PlainDatagram(kDevice1, 0, payload));
    std::vector<DeviceRecord> devices;
    Engine->GetDeviceList(devices);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(std::strlen(devices[0].Name), 33u);
    EXPECT_EQ(std::string(devices[0].Name), "abcdefghijklmnopqrstuvwxyzabcdefg");
    EXPECT_TRUE(Log->Contains("  DevName=abcdefghijklmnopqrstuvwxyzabcdefg"));
}

TEST_F(FormUDPTest, DiscoveryWithoutWaitIgnoresReplies) {
    Engine->SendDiscover(0, false);
    Inject(PlainDatagram(kDevice1, 0, {0x01, 0x01, 'A'}));
    EXPECT_TRUE(Log->Contains("  ignore data"));
    std::vector<DeviceRecord> devices;
    Engine->GetDeviceList(devices);
    EXPECT_TRUE(devices.empty());
}

TEST_F(FormUDPTest, DiscoveryResetsTargetAndPort) {
    LogIn();
    Engine->DestPort = 5440;
    Engine->SendDiscover(4000, false);
    EXPECT_EQ(Engine->DestPort, 5432);
    Reply(kDevice2, 0, {0x01, 0x01, 'B'}); // discovery replies are plain
    std::vector<DeviceRecord> devices;
    Engine->GetDeviceList(devices);
    EXPECT_EQ(devices.size(), 1u);
}

TEST_F(FormUDPTest, DiscoveryRepliesAreReadWhateverThePassword) {
    g_Var.Password = QStringLiteral("other");
    Engine->SendDiscover(4000, false);
    Inject(PlainDatagram(kDevice1, 0, {0x01, 0x01, 'A'}));
    EXPECT_TRUE(Log->Contains("  DevName=A"));
}

TEST_F(FormUDPTest, NoAdapterIsReportedAndLeftToTheCaller) {
    CScriptedBoxes boxes;
    CFakeIPHelp ipHelp;
    ipHelp.List = std::vector<AdapterInfo>{};
    Engine->SetIPHelp(&ipHelp);
    EXPECT_FALSE(Engine->SendDiscover(4000, true));
    EXPECT_TRUE(boxes.Texts.isEmpty());
    EXPECT_EQ(TFormUDP::AdapterFailureText(), "Unable to initialize adapter interface.");
    const QStringList lines = Log->Lines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "TFormUDP::SendDiscover()");
    EXPECT_TRUE(lines[1].startsWith("CIPHelp::ClearArpCache()"));
    EXPECT_EQ(lines[2], "TFormUDP::SendDiscover() FAIL init interface");
    EXPECT_TRUE(Engine->Sockets().empty());
    EXPECT_EQ(Engine->PendingRequest, WAIT_NONE);
    EXPECT_FALSE(Engine->IsWaiting());
}

TEST_F(FormUDPTest, UnreadableAdapterListOrOnlyZeroAddressesFailDiscovery) {
    CFakeIPHelp ipHelp;
    Engine->SetIPHelp(&ipHelp);
    EXPECT_FALSE(Engine->SendDiscover(4000, true)); // no list at all
    AdapterInfo adapter;
    adapter.Name = QStringLiteral("eth9");
    adapter.Description = QStringLiteral("eth9");
    adapter.Addresses = {{QStringLiteral("0.0.0.0"), QStringLiteral("0.0.0.0")}};
    ipHelp.List = std::vector<AdapterInfo>{adapter};
    EXPECT_FALSE(Engine->SendDiscover(4000, true));
    EXPECT_TRUE(Engine->Sockets().empty());
    EXPECT_FALSE(Log->Lines().join('\n').contains("Addr="));
}

TEST_F(FormUDPTest, ReopeningDiscoveryLogsOutFirst) {
    LogIn();
    CScriptedBoxes boxes;
    CFakeIPHelp ipHelp;
    ipHelp.List = std::vector<AdapterInfo>{};
    Engine->SetIPHelp(&ipHelp);
    Engine->SendDiscover(4000, true);
    const QStringList lines = Log->Lines();
    EXPECT_EQ(lines.value(1), "TFormUDP::SendLogout()");
    EXPECT_EQ(lines.value(2), "[Tx] size=18");
    EXPECT_FALSE(Engine->LoggedIn);
}

// ---------------------------------------------------------------------------
// Login and logout

TEST_F(FormUDPTest, LoginReplyWithPortMovesLaterRequests) {
    Engine->SendLogin(5000);
    Log->Clear();
    const Bytes payload = {0x91, 0x01, 0x01, 0x92, 0x02, 0x15, 0x40};
    Reply(kDevice1, 1, payload);
    QStringList expected = RxLines(kDevice1, 1, payload);
    expected << "TFormUDP::RecvLogin()"
             << "  Result=1"
             << "  Port=5440";
    EXPECT_EQ(Log->Lines(), expected);
    EXPECT_TRUE(Engine->LoggedIn);
    EXPECT_EQ(Engine->DestPort, 5440);
    EXPECT_EQ(std::memcmp(Engine->TargetMAC, kDevice1, 6), 0);
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_LOGIN, 1}}));
    Engine->SendGetConfig(15000);
    EXPECT_EQ(Engine->DestPort, 5440);
    Engine->SendLogin(5000); // a login request goes to 5432 again
    EXPECT_EQ(Engine->DestPort, 5432);
}

TEST_F(FormUDPTest, RefusedLoginKeepsTargetButTakesThePort) {
    Engine->SendLogin(5000);
    Reply(kDevice1, 1, {0x91, 0x01, 0x00, 0x92, 0x02, 0x15, 0x40});
    EXPECT_FALSE(Engine->LoggedIn);
    EXPECT_EQ(Engine->DestPort, 5440);
    const uint8_t broadcast[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(std::memcmp(Engine->TargetMAC, broadcast, 6), 0);
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_LOGIN, 0}}));
}

// A port of another size, or port 0, would send every later request nowhere.
TEST_F(FormUDPTest, UnusablePortOfALoginReplyIsNotTaken) {
    struct Case {
        Bytes port;
        uint16_t destPort;
        const char* line;
    };
    const Case cases[] = {
        {{0x00, 0x00}, 5432, "  Port ignored: 0"},
        {{0x15}, 5432, "  Port ignored: length 1"},
        {{0x15, 0x40, 0x00}, 5432, "  Port ignored: length 3"},
        {{}, 5432, "  Port ignored: length 0"},
        {{0x15, 0x40}, 5440, "  Port=5440"},
    };
    for (const Case& c : cases) {
        Engine->SendLogin(5000);
        Log->Clear();
        Bytes payload = {0x91, 0x01, 0x01, 0x92, static_cast<uint8_t>(c.port.size())};
        payload.insert(payload.end(), c.port.begin(), c.port.end());
        Reply(kDevice1, 1, payload);
        EXPECT_EQ(Engine->DestPort, c.destPort) << c.line;
        EXPECT_EQ(Log->Lines().mid(Log->Lines().size() - 2), (QStringList{"  Result=1", c.line}));
        EXPECT_EQ(Engine->LoginPortIgnored, c.destPort == 5432) << c.line;
        EXPECT_TRUE(Engine->LoggedIn) << c.line;
        EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_LOGIN, 1}}));
    }
}

TEST_F(FormUDPTest, LoginReplyInAnotherKeyFails) {
    Engine->SendLogin(5000);
    Inject(DeviceDatagram(kDevice1, 1, {0x91, 0x01, 0x01}, "secret"));
    EXPECT_FALSE(Engine->LoggedIn);
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_LOGIN, 0}}));
}

TEST_F(FormUDPTest, OtherDevicesRefusingTheLoginAreIgnored) {
    // Every device hears the login broadcast; the others answer with a refusal.
    Engine->SendLogin(5000);
    Reply(kDevice2, 1, {0x91, 0x01, 0x00});
    EXPECT_TRUE(Target.Take().empty());
    EXPECT_EQ(Engine->PendingRequest, WAIT_LOGIN);
    EXPECT_TRUE(Log->Lines().endsWith("  ignore data"));
    Reply(kDevice1, 1, {0x91, 0x01, 0x01});
    EXPECT_TRUE(Engine->LoggedIn);
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_LOGIN, 1}}));
}

TEST_F(FormUDPTest, LogoutReplyEndsTheLogin) {
    LogIn();
    Engine->SendLogout(3000);
    Reply(kDevice1, 2, {0x91, 0x01, 0x01});
    EXPECT_FALSE(Engine->LoggedIn);
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_LOGOUT, 1}}));
    Engine->SendLogout(3000);
    Reply(kDevice1, 2, {0x91, 0x01, 0x00});
    EXPECT_TRUE(Engine->LoggedIn); // a refused logout keeps it
}

// ---------------------------------------------------------------------------
// Configuration

TEST_F(FormUDPTest, GetConfigStoresEveryValue) {
    Engine->SendGetConfig(15000);
    Log->Clear();
    const Bytes payload = {
        0x00, 0x01, 0x01,                   // DEVICE_MODE
        0x30, 0x01, 0x00,                   // IP_MODE static
        0x31, 0x04, 0x0A, 0x5B, 0x01, 0x02, // LAN_IP 10.91.1.2
        0x32, 0x04, 0xFF, 0xFF, 0xFF, 0x00, // LAN_NETMASK
        0x33, 0x04, 0x0A, 0x5B, 0x01, 0xFE, // LAN_GATEWAY
        0x50, 0x04, 'H',  'o',  'm',  'e',  // WL_SSID
        0x51, 0x03, 0x01, 0x06, 0x0B,       // WL_CH_LIST
        0x52, 0x01, 0x02,                   // WL_EXT_CH
        0x53, 0x01, 0x06,                   // WL_STD_CH
        0x60, 0x01, 0x02,                   // WL_SECURITY_MODE
        0x61, 0x01, 0x02,                   // WL_AUTH_MODE
        0x62, 0x01, 0x01,                   // WL_WEPKEY_LEN
        0x67, 0x01, 0x03,                   // WL_WEPKEY_INDEX
        0x68, 0x01, 0x01,                   // WL_WPA_MODE
        0x69, 0x01, 0x02,                   // WL_WPA_CIPHER
        0x6C, 0x04, 0x01, 0x2D, 0x68, 0x7F, // WL_WPS_PIN
        0x54, 0x01, 0x09,                   // not stored
    };
    Reply(kDevice1, 3, payload);
    QStringList expected = RxLines(kDevice1, 3, payload);
    expected << "TFormUDP::RecvGetConfig()"
             << "  DEVICE_MODE=0x01"
             << "  IP_MODE=0"
             << "  LAN_IP=A5B0102"
             << "  LAN_NETMASK=FFFFFF00"
             << "  LAN_GATEWAY=A5B01FE"
             << "  WL_SSID=Home"
             << "  WL_CH_LIST=(3)  1 6 11"
             << "  WL_EXT_CH=2"
             << "  WL_STD_CH=6"
             << "  WL_SECURITY_MODE=2"
             << "  WL_AUTH_MODE=2"
             << "  WL_WEPKEY_LEN=1"
             << "  WL_WEPKEY_INDEX=3"
             << "  WL_WPA_MODE=1"
             << "  WL_WPA_CIPHER=2"
             << "  WL_WPS_PIN=0x********"
             << "  TLV=0x54";
    EXPECT_EQ(Log->Lines(), expected);

    EXPECT_EQ(g_Var.DeviceMode, DEVICE_AP);
    EXPECT_EQ(g_Var.CurIP.IpMode, 0);
    EXPECT_EQ(g_Var.CurIP.IP, 0x0A5B0102u);
    EXPECT_EQ(g_Var.CurIP.Mask, 0xFFFFFF00u);
    EXPECT_EQ(g_Var.CurIP.Gateway, 0x0A5B01FEu);
    EXPECT_STREQ(g_Var.CurWl.SSID, "Home");
    EXPECT_EQ(g_Var.CurWl.ChList[0], 1);
    EXPECT_EQ(g_Var.CurWl.ChList[1], 6);
    EXPECT_EQ(g_Var.CurWl.ChList[2], 11);
    EXPECT_EQ(g_Var.CurWl.ChList[3], 0);
    EXPECT_EQ(g_Var.CurWl.ExtCh, 2);
    EXPECT_EQ(g_Var.CurWl.StdCh, 6);
    EXPECT_EQ(g_Var.CurWl.Security, 2);
    EXPECT_EQ(g_Var.CurWl.Auth, 2);
    EXPECT_EQ(g_Var.CurWl.WepKeyLen, 1);
    EXPECT_EQ(g_Var.CurWl.WpaMode, 1);
    EXPECT_EQ(g_Var.CurWl.WpaCipher, 2);
    EXPECT_EQ(g_Var.CurWl.WpsPin, 19753087u);
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_GET_CONFIG, 1}}));
    EXPECT_EQ(Engine->PendingRequest, WAIT_NONE);
    EXPECT_FALSE(Engine->IsWaiting());
}

TEST_F(FormUDPTest, IpModeFiveMeansDhcp) {
    Engine->SendGetConfig(15000);
    Reply(kDevice1, 3, {0x30, 0x01, 0x05});
    EXPECT_EQ(g_Var.CurIP.IpMode, 1);
    EXPECT_TRUE(Log->Contains("  IP_MODE=1"));
}

TEST_F(FormUDPTest, GetModeReplySetsTheMode) {
    Engine->SendGetMode(3000);
    Reply(kDevice1, 3, {0x00, 0x01, 0x02});
    EXPECT_EQ(g_Var.DeviceMode, DEVICE_WBRIDGE);
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_GET_CONFIG, 1}}));
}

TEST_F(FormUDPTest, TruncatedGetConfigKeepsWhatCameBefore) {
    g_Var.CurIP.Mask = 0x12345678;
    Engine->SendGetConfig(15000);
    Log->Clear();
    const Bytes payload = {0x31, 0x04, 0x0A, 0x5B, 0x01, 0x02, 0x32, 0x04, 0xFF, 0xFF};
    Reply(kDevice1, 3, payload);
    QStringList expected = RxLines(kDevice1, 3, payload);
    expected << "TFormUDP::RecvGetConfig()"
             << "  LAN_IP=A5B0102"
             << "  not enough bytes in buffer";
    EXPECT_EQ(Log->Lines(), expected);
    EXPECT_EQ(g_Var.CurIP.IP, 0x0A5B0102u);
    EXPECT_EQ(g_Var.CurIP.Mask, 0x12345678u);
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_GET_CONFIG, 1}}));
}

// Nothing the device reports could be read: no configuration, a failure.
TEST_F(FormUDPTest, ConfigurationReplyWithoutAnyValueFails) {
    const Bytes config = {0x00, 0x01, 0x01, 0x30, 0x01, 0x00, 0x31, 0x04, 0x0A,
                          0x5B, 0x01, 0x02, 0x50, 0x04, 'H',  'o',  'm',  'e'};
    struct Case {
        const char* name;
        Bytes payload;
        const char* key;
    };
    const Case cases[] = {
        {"empty", {}, "tosca"},
        {"another key", config, "not the key"},
        {"no known type", {0x54, 0x01, 0x09}, "tosca"},
        {"cut before any value", {0x31, 0x04, 0x0A}, "tosca"},
    };
    for (const Case& c : cases) {
        g_Var.CurIP = {};
        g_Var.DeviceMode = 0;
        Engine->SendGetConfig(15000);
        Log->Clear();
        Inject(DeviceDatagram(kDevice1, 3, c.payload, c.key));
        EXPECT_EQ(Log->Lines().last(), "  no configuration value") << c.name;
        EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_GET_CONFIG, 0}}))
            << c.name;
        EXPECT_EQ(g_Var.CurIP.IP, 0u) << c.name;
        EXPECT_EQ(Engine->PendingRequest, WAIT_NONE) << c.name;
    }
}

TEST_F(FormUDPTest, ShortFixedSizeValuesReadMissingBytesAsZero) {
    Engine->SendGetConfig(15000);
    // LAN_IP with two bytes, then a mode without a value byte.
    Reply(kDevice1, 3, {0x31, 0x02, 0x0A, 0x5B, 0x00, 0x00});
    EXPECT_EQ(g_Var.CurIP.IP, 0x0A5B0000u);
    EXPECT_EQ(g_Var.DeviceMode, 0);
    EXPECT_TRUE(Log->Contains("  DEVICE_MODE=0x00"));
}

TEST_F(FormUDPTest, LongSsidIsCutToItsField) {
    Engine->SendGetConfig(15000);
    Bytes payload = {0x50, 40};
    for (int i = 0; i < 40; ++i)
        payload.push_back(static_cast<uint8_t>('A' + i % 26));
    Reply(kDevice1, 3, payload);
    EXPECT_EQ(std::strlen(g_Var.CurWl.SSID), 32u);
    EXPECT_EQ(std::string(g_Var.CurWl.SSID), "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEF");
}

TEST_F(FormUDPTest, LongChannelListFitsTheList) {
    Engine->SendGetConfig(15000);
    Bytes payload = {0x51, 255};
    for (int i = 0; i < 255; ++i)
        payload.push_back(static_cast<uint8_t>(1 + i % 200));
    Reply(kDevice1, 3, payload);
    EXPECT_EQ(g_Var.CurWl.ChList[254], 1 + 254 % 200);
    EXPECT_EQ(g_Var.CurWl.ChList[255], 0);
}

TEST_F(FormUDPTest, SetConfigReplyWithoutResultIsAFailure) {
    Engine->SendIPSetting(32000);
    Log->Clear();
    Reply(kDevice1, 4, {0x30, 0x01, 0x01});
    QStringList expected = RxLines(kDevice1, 4, {0x30, 0x01, 0x01});
    expected << "TFormUDP::RecvSetConfig()";
    EXPECT_EQ(Log->Lines(), expected);
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_IP_SETTING, 0}}));
    EXPECT_EQ(Engine->PendingRequest, WAIT_NONE);
    EXPECT_FALSE(Engine->IsWaiting());
}

TEST_F(FormUDPTest, SetConfigReplyCompletesWhateverSetIsPending) {
    Engine->SendWlSetting(32000);
    Reply(kDevice1, 9, {0x91, 0x01, 0x01}); // station opcode, access-point request
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_WL_SETTING, 1}}));
    Engine->SendWlStationSetting(32000);
    Reply(kDevice1, 4, {0x91, 0x01, 0x07});
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_WL_STA_SETTING, 7}}));
    Engine->SendGetConfig(15000);
    Log->Clear();
    Reply(kDevice1, 4, {0x91, 0x01, 0x01});
    EXPECT_EQ(Log->Lines().mid(3), (QStringList{"TFormUDP::RecvSetConfig()", "  ignore data"}));
}

// ---------------------------------------------------------------------------
// Survey, station configuration, WPS and events

Bytes SurveyRecord(const char* ssid, uint8_t wps) {
    Bytes record(49, 0);
    record[0] = 1;
    std::memcpy(record.data() + 1, ssid, std::strlen(ssid));
    const uint8_t bssid[6] = {0x00, 0x0E, 0x8E, 0x00, 0x00, 0x01};
    std::memcpy(record.data() + 33, bssid, 6);
    std::memcpy(record.data() + 39, "85\0", 3);
    std::memcpy(record.data() + 42, "  6", 3);
    record[45] = 3;
    record[46] = 3;
    record[47] = 0;
    record[48] = wps;
    return record;
}

TEST_F(FormUDPTest, SurveyOf98BytesGivesTwoEntriesAnd97One) {
    Engine->SendSiteSurvey(7000);
    Bytes payload = SurveyRecord("Office", 1);
    const Bytes second = SurveyRecord("Lab", 0);
    payload.insert(payload.end(), second.begin(), second.end());
    Log->Clear();
    Reply(kDevice1, 7, payload);
    QStringList expected = RxLines(kDevice1, 7, payload);
    expected << "TFormUDP::RecvSiteSurvey()";
    EXPECT_EQ(Log->Lines(), expected);
    std::vector<_tag_AP_ROFIILE> list;
    Engine->GetSurveyList(list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_STREQ(list[0].SSID, "Office");
    EXPECT_EQ(list[0].Signal, 85);
    EXPECT_EQ(list[0].Channel, 6);
    EXPECT_TRUE(list[0].Highlighted);
    EXPECT_STREQ(list[1].SSID, "Lab");
    std::vector<_tag_AP_ROFIILE> wps;
    Engine->GetWPSSurveyList(wps);
    ASSERT_EQ(wps.size(), 1u);
    EXPECT_STREQ(wps[0].SSID, "Office");
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_SITE_SURVEY, 0}}));

    Engine->SendSiteSurvey(7000);
    payload.pop_back();
    Reply(kDevice1, 7, payload);
    list.clear();
    Engine->GetSurveyList(list);
    EXPECT_EQ(list.size(), 1u);
}

// Every text field a device sends, holding what would drive a terminal or
// forge a line: the trace writes it escaped on its own line, and the text the
// lists show (PrintableText of the field) holds no control character either.
TEST_F(FormUDPTest, DeviceTextsAreTracedAndShownEscaped) {
    const std::string hostile = "EV\x1b]0;pwned\x07\x1b[31mIL\r\nFAKE\xff";
    const QString shown = "EV\\x1b]0;pwned\\x07\\x1b[31mIL\\x0d\\x0aFAKE\\xff";
    const auto tlv = [&hostile](uint8_t type) {
        Bytes bytes = {type, static_cast<uint8_t>(hostile.size())};
        bytes.insert(bytes.end(), hostile.begin(), hostile.end());
        return bytes;
    };
    const struct {
        const char* field;
        std::function<QByteArray()> receive; // the field as the engine keeps it
        QString line;                        // its value line in the trace
        QString shown;
    } cases[] = {
        {"device name",
         [&] {
             Engine->SendDiscover(4000, false);
             Inject(PlainDatagram(kDevice1, 0, tlv(0x01)));
             std::vector<DeviceRecord> devices;
             Engine->GetDeviceList(devices);
             return QByteArray(devices.at(0).Name);
         },
         "  DevName=" + shown, shown},
        {"SSID",
         [&] {
             Engine->SendGetConfig(15000);
             Reply(kDevice1, 3, tlv(0x50));
             return QByteArray(g_Var.CurWl.SSID);
         },
         "  WL_SSID=" + shown, shown},
        {"survey SSID",
         [&] {
             Engine->SendSiteSurvey(7000);
             Reply(kDevice1, 7, SurveyRecord(hostile.c_str(), 1));
             std::vector<_tag_AP_ROFIILE> list;
             Engine->GetSurveyList(list);
             return QByteArray(list.at(0).SSID);
         },
         "TFormUDP::RecvSiteSurvey()", shown},
        {"client PIN text (cut to 11)",
         [&] {
             Engine->SendStationGetConfig(3000);
             Reply(kDevice1, 8, tlv(0x6C));
             return QByteArray(g_Var.ApClientPin);
         },
         "  AP Client PIN Code = ***********", "EV\\x1b]0;pwned"},
    };
    for (const auto& c : cases) {
        Log->Clear();
        const QByteArray field = c.receive();
        EXPECT_EQ(PrintableText(field.constData(), static_cast<size_t>(field.size())), c.shown)
            << c.field;
        EXPECT_TRUE(Log->Contains(c.line)) << c.field << "\n"
                                           << Log->Lines().join('\n').toStdString();
        QFile trace(Log->LogFileName());
        ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
        const QByteArray bytes = trace.readAll();
        QByteArray lineEnds = bytes;
        lineEnds.replace("\r\n", "");
        EXPECT_FALSE(std::any_of(lineEnds.begin(), lineEnds.end(), [](char b) {
            return static_cast<uint8_t>(b) < 0x20;
        })) << c.field;
        EXPECT_FALSE(bytes.contains("\xff")) << c.field;
    }
}

TEST_F(FormUDPTest, ShortSurveyEmptiesTheList) {
    Engine->SendSiteSurvey(7000);
    Reply(kDevice1, 7, SurveyRecord("Office", 1));
    Engine->SendSiteSurvey(7000);
    Reply(kDevice1, 7, Bytes(10, 0));
    std::vector<_tag_AP_ROFIILE> list;
    Engine->GetSurveyList(list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(Target.Take().size(), 2u);
}

TEST_F(FormUDPTest, StationPinCode) {
    Engine->SendStationGetConfig(3000);
    Log->Clear();
    const Bytes payload = {0x6C, 0x08, '1', '2', '3', '4', '5', '6', '7', '0', 0x59, 0x01, 0x01};
    Reply(kDevice1, 8, payload);
    QStringList expected = RxLines(kDevice1, 8, payload);
    expected << "TFormUDP::RecvStationGetConfig()"
             << "  AP Client PIN Code = ********"
             << "  TLV=0x59";
    EXPECT_EQ(Log->Lines(), expected);
    EXPECT_STREQ(g_Var.ApClientPin, "12345670");
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_STA_GET_CONFIG, 1}}));
}

TEST_F(FormUDPTest, LongStationPinIsCutToElevenCharacters) {
    Engine->SendStationGetConfig(3000);
    Reply(kDevice1, 8,
          {0x6C, 0x10, '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', 'A', 'B', 'C', 'D', 'E',
           'F'});
    EXPECT_STREQ(g_Var.ApClientPin, "1234567890A");
    EXPECT_TRUE(Log->Contains("  AP Client PIN Code = ***********"));
}

TEST_F(FormUDPTest, StationReplyWithoutPinKeepsThePin) {
    std::strcpy(g_Var.ApClientPin, "11112222");
    Engine->SendStationGetConfig(3000);
    Reply(kDevice1, 8, {});
    EXPECT_STREQ(g_Var.ApClientPin, "11112222");
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_STA_GET_CONFIG, 1}}));
}

TEST_F(FormUDPTest, WpsStatusEventDuringAGetConfigWait) {
    LogIn();
    Engine->SendGetConfig(15000);
    Log->Clear();
    const Bytes payload = {0x96, 0x04, 0x00, 0x00, 0x00, 0x03, 0x96,
                           0x04, 0xFF, 0xFF, 0xFF, 0xFE, 0x77, 0x00};
    Reply(kDevice1, 6, payload);
    QStringList expected = RxLines(kDevice1, 6, payload);
    expected << "TFormUDP::RecvEvent()"
             << "  TLVTYPE_OTHER_WPS_STATUS 3"
             << "  TLVTYPE_OTHER_WPS_STATUS -2"
             << "  TLV=0x77";
    EXPECT_EQ(Log->Lines(), expected);
    EXPECT_EQ(Target.Take(),
              (std::vector<PostedMessage>{{UM_UDP_EVENT, 0x96, 3}, {UM_UDP_EVENT, 0x96, -2}}));
    EXPECT_EQ(Engine->PendingRequest, WAIT_GET_CONFIG);
    EXPECT_TRUE(Engine->IsWaiting());
}

TEST_F(FormUDPTest, ConnectionTimeOutEventEndsTheLogin) {
    LogIn();
    Reply(kDevice1, 6, {0x95, 0x00});
    EXPECT_FALSE(Engine->LoggedIn);
    EXPECT_TRUE(Log->Contains("  TLVTYPE_OTHER_CONNECTTIMEOUT"));
    EXPECT_TRUE(Target.Take().empty());
}

TEST_F(FormUDPTest, WpsPushButtonResult) {
    Engine->SendWPSPBC(10000);
    Reply(kDevice1, 4, {0x91, 0x01, 0x01});
    EXPECT_EQ(Target.Take(), (std::vector<PostedMessage>{{UM_UDP_RESULT, WAIT_WPS_PBC, 1}}));
}

// ---------------------------------------------------------------------------
// Reading from sockets

TEST_F(FormUDPTest, ReadReportFromAForeignSocketIsIgnored) {
    CUDPSocket foreign;
    CSocketReadMessage read(UM_UDP_READ, foreign);
    QCoreApplication::sendEvent(Engine.get(), &read);
    EXPECT_TRUE(Log->Lines().isEmpty());
}

TEST_F(FormUDPTest, ReadReportOnAClosedSocketLogsTheLength) {
    CSocketReadMessage read(UM_UDP_READ, *Socket);
    QCoreApplication::sendEvent(Engine.get(), &read);
    EXPECT_EQ(Log->Lines(), (QStringList{"Local IP:10.91.1.1", "TFormUDP::UDPSocketRead() 0"}));
    EXPECT_EQ(Engine->LastLocalIP, "10.91.1.1");
    CSocketReadMessage other(UM_UDP_READ, *Socket, 2);
    Log->Clear();
    QCoreApplication::sendEvent(Engine.get(), &other);
    EXPECT_TRUE(Log->Lines().isEmpty());
}

TEST_F(FormUDPTest, HostMacComesFromTheFirstAdapterOrIsRandom) {
    TFormUDP engine;
    uint8_t mac[6] = {};
    CIPHelp ipHelp;
    if (ipHelp.GetLocalAddress(mac)) {
        EXPECT_EQ(std::memcmp(engine.HostMAC, mac, 6), 0);
    }
    EXPECT_EQ(engine.PendingRequest, WAIT_NONE);
    EXPECT_FALSE(engine.LoggedIn);
    EXPECT_EQ(engine.DestPort, 5432);
    EXPECT_TRUE(engine.Sockets().empty());
}

} // namespace
