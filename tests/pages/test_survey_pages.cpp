// The site survey, WPS method and wireless mode selection pages and the WPS
// survey dialog in the wizard window, without a device: the engine has no
// socket, so what a page sends goes nowhere, and the test hands the engine the
// device's answers as datagrams (enciphered as a device sends them). Fixed
// waits run through the timing seam.

#include "protocol/packet.h"
#include "protocol/rc4encry.h"
#include "tests/pages/surveyfixture.h"

#include <QGroupBox>
#include <QLineEdit>
#include <cstring>

using namespace swp;

namespace {

const uint8_t kDevice[6] = {0x02, 0x5A, 0x00, 0x00, 0x07, 0x01};
const QByteArray kKey = "tosca";
// Engine waits run 20 times faster: a login waits 250 ms, a WPS request
// 500 ms (the test answers within them), the status limit is 9 s and the
// 100 s window of status 1 is 5 s.
constexpr int kSpeedup = 20;

_tag_AP_ROFIILE AP(const char* ssid, int signal, int channel, int encryption, int authentication,
                   uint8_t lastByte, bool wps = true, int kind = 0) {
    _tag_AP_ROFIILE ap{};
    std::strncpy(ap.SSID, ssid, 32);
    const uint8_t bssid[6] = {0x00, 0x1C, 0xF0, 0x11, 0x22, lastByte};
    std::memcpy(ap.BSSID, bssid, 6);
    ap.Signal = signal;
    ap.Channel = channel;
    ap.Encryption = static_cast<uint8_t>(encryption);
    ap.Authentication = static_cast<uint8_t>(authentication);
    ap.NetworkKind = static_cast<uint8_t>(kind);
    ap.WpsCapable = wps;
    return ap;
}

std::vector<_tag_AP_ROFIILE> Neighbourhood() {
    return {AP("Office", 60, 11, 3, 3, 0x03), AP("cafe", 85, 2, 0, 0, 0x01, false),
            AP("Lab", 30, 6, 2, 6, 0x02), AP("Attic", 10, 1, 1, 1, 0x04, true, 1)};
}

bool SameEntry(const _tag_AP_ROFIILE& a, const _tag_AP_ROFIILE& b) {
    return a.Highlighted == b.Highlighted && std::strcmp(a.SSID, b.SSID) == 0 &&
           std::memcmp(a.BSSID, b.BSSID, 6) == 0 && a.Signal == b.Signal &&
           a.Channel == b.Channel && a.Encryption == b.Encryption &&
           a.Authentication == b.Authentication && a.NetworkKind == b.NetworkKind &&
           a.WpsCapable == b.WpsCapable;
}

bool IsZero(const _tag_AP_ROFIILE& ap) {
    static const _tag_AP_ROFIILE zero{};
    return std::memcmp(&ap, &zero, sizeof ap) == 0;
}

} // namespace

class PagesNoDevice : public SurveyFixture {
protected:
    void SetUp() override { Timing::SetSpeedup(kSpeedup); }

    void Start(int mode, const QByteArray& settings = "[Setting]\n") {
        OpenWizard(settings);
        CreateEngine();
        Engine->SetAdapterFilter(QStringLiteral("192.0.2.254")); // no adapter: no socket
        g_Var.Password = QString::fromLatin1(kKey);
        std::memcpy(g_Var.Device.MAC, kDevice, 6);
        g_Var.DeviceMode = mode;
        Engine->LoggedIn = true;
        std::memset(g_Var.ApClientPin, 0, sizeof g_Var.ApClientPin);
    }

    // A device's answer arriving at the engine.
    void Deliver(const CPacketBuilder& packet) {
        std::vector<uint8_t> bytes = packet.Bytes();
        CryptPayload(bytes.data(), bytes.size(), kKey);
        Engine->ProcRecvData(bytes.data(), static_cast<int>(bytes.size()), nullptr, kDevicePort,
                             QStringLiteral("10.91.1.2"));
    }
    void Result(uint8_t opcode, uint8_t result) {
        CPacketBuilder packet(kDevice, opcode);
        packet.AppendByte(TLVTYPE_OTHER_RESULT, result);
        Deliver(packet);
    }
    void SurveyReply(const std::vector<_tag_AP_ROFIILE>& entries) {
        CPacketBuilder packet(kDevice, OP_SITE_SURVEY);
        for (const _tag_AP_ROFIILE& entry : entries) {
            const auto record = EncodeSurveyRecord(entry);
            packet.AppendRaw(record.data(), record.size());
        }
        Deliver(packet);
    }
    void Status(int status) {
        CPacketBuilder packet(kDevice, OP_EVENT);
        packet.AppendU32(TLVTYPE_OTHER_WPS_STATUS, static_cast<uint32_t>(status));
        Deliver(packet);
    }
    void ConfigReply(int mode) {
        CPacketBuilder packet(kDevice, OP_GET_CONFIG);
        packet.AppendByte(DEVICE_MODE, static_cast<uint8_t>(mode));
        Deliver(packet);
    }
    void StationConfigReply(const char* pin) {
        CPacketBuilder packet(kDevice, OP_STA_GET_CONFIG);
        packet.AppendText(WL_WPS_PIN, pin);
        Deliver(packet);
    }
    std::function<bool()> Pending(int code) {
        return [this, code] { return Engine->PendingRequest == code; };
    }

    // The site survey page entered going forward and answered.
    void EnterSurvey(const std::vector<_tag_AP_ROFIILE>& entries) {
        ASSERT_TRUE(Form->ShowFrame(Survey, Direction::Forward, 0));
        Settle();
        ASSERT_EQ(Engine->PendingRequest, WAIT_SITE_SURVEY);
        SurveyReply(entries);
        Settle();
    }
    // The WPS method page entered going forward.
    void EnterWPS() {
        ASSERT_TRUE(Form->ShowFrame(WPS, Direction::Forward, 0));
        Settle();
    }
    int LogCount(const QString& line) const { return Log->Lines().count(line); }
};

// --- Site survey page -------------------------------------------------------

TEST_F(PagesNoDevice, SurveyPageLayoutAndCaptions) {
    Start(DEVICE_WBRIDGE);
    EXPECT_EQ(Text(Survey, "BtnNext"), "Connect");
    EXPECT_EQ(Text(Survey, "BtnWPS"), "WPS");
    EXPECT_EQ(Text(Survey, "BtnManual"), "Manual");
    EXPECT_EQ(Text(Survey, "BtnRefresh"), "Refresh");
    EXPECT_EQ(Text(Survey, "PlSearch"), "Searching...");
    auto* box = Child<QGroupBox>(Survey, "GroupBox1");
    EXPECT_EQ(box->title(), " Site Survey ");
    EXPECT_EQ(box->geometry(), QRect(24, 16, 553, 257));
    TSortListView* list = ListOf(Survey);
    EXPECT_EQ(list->headerItem()->text(6), "BSSID");
    EXPECT_EQ(list->SortColunm(), 3);
    EXPECT_FALSE(list->Increase());
    EXPECT_EQ(list->SkipSort1(), 0);
}

TEST_F(PagesNoDevice, SurveyFillsSortedByStrongestSignal) {
    Start(DEVICE_WBRIDGE);
    ASSERT_TRUE(Form->ShowFrame(Survey, Direction::Forward, 0));
    Settle();
    // Surveying: the request is out, the panel shows, the buttons wait.
    EXPECT_EQ(Engine->PendingRequest, WAIT_SITE_SURVEY);
    EXPECT_TRUE(Shown(Survey, "PlSearch"));
    EXPECT_FALSE(Enabled(Survey, "BtnRefresh"));
    EXPECT_FALSE(Enabled(Survey, "BtnNext"));
    EXPECT_FALSE(Enabled(Survey, "BtnWPS"));
    EXPECT_TRUE(Enabled(Survey, "BtnManual"));

    SurveyReply(Neighbourhood());
    Settle();
    TSortListView* list = ListOf(Survey);
    EXPECT_EQ(Column(list, 1), QStringList({"cafe", "Office", "Lab", "Attic"}));
    EXPECT_EQ(Column(list, 3), QStringList({"85%", "60%", "30%", "10%"}));
    EXPECT_EQ(Column(list, 2), QStringList({"2", "11", "6", "1"}));
    EXPECT_EQ(Column(list, 4), QStringList({"Not Use", "AES", "TKIP", "WEP"}));
    EXPECT_EQ(Column(list, 5), QStringList({"OPEN", "WPA2-PSK", "WPA2", ""}));
    EXPECT_EQ(Column(list, 6).first(), "00:1C:F0:11:22:01");
    EXPECT_FALSE(Shown(Survey, "PlSearch"));
    EXPECT_TRUE(Enabled(Survey, "BtnRefresh"));
    EXPECT_TRUE(Enabled(Survey, "BtnWPS"));
    EXPECT_FALSE(Enabled(Survey, "BtnNext")); // until a row is selected

    ASSERT_TRUE(ClickRow(list, 1, "Lab"));
    EXPECT_TRUE(Enabled(Survey, "BtnNext"));
    // A double click does nothing.
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       list->visualItemRect(list->selectedItems().first()).center());
    Settle();
    EXPECT_EQ(Page(), Survey);

    Click(Survey, "BtnNext");
    EXPECT_EQ(g_Var.WlMethod, 1);
    EXPECT_TRUE(SameEntry(g_Var.SelectedAP, Neighbourhood()[2]));
    EXPECT_EQ(Page(), Host);
}

TEST_F(PagesNoDevice, HeaderClicksSortWithTheDirectionInForce) {
    Start(DEVICE_WBRIDGE);
    EnterSurvey(Neighbourhood());
    TSortListView* list = ListOf(Survey);
    ClickHeader(list, 3); // "Signal" again: ascending
    EXPECT_TRUE(list->Increase());
    EXPECT_EQ(Column(list, 3), QStringList({"10%", "30%", "60%", "85%"}));
    ClickHeader(list, 3); // and descending again
    EXPECT_FALSE(list->Increase());
    EXPECT_EQ(Column(list, 3), QStringList({"85%", "60%", "30%", "10%"}));
    ClickHeader(list, 1); // "SSID" in the direction in force
    EXPECT_EQ(list->SortColunm(), 1);
    EXPECT_FALSE(list->Increase());
    EXPECT_EQ(Column(list, 1), QStringList({"Office", "Lab", "cafe", "Attic"}));
    ClickHeader(list, 1);
    EXPECT_EQ(Column(list, 1), QStringList({"Attic", "cafe", "Lab", "Office"}));
    ClickHeader(list, 2); // "Channel", ascending: numbers, not texts
    EXPECT_EQ(Column(list, 2), QStringList({"1", "2", "6", "11"}));
    ClickHeader(list, 4); // "Encryption" by its label
    EXPECT_EQ(Column(list, 4), QStringList({"AES", "Not Use", "TKIP", "WEP"}));
    ClickHeader(list, 6); // "BSSID" byte by byte
    EXPECT_EQ(Column(list, 1), QStringList({"cafe", "Lab", "Office", "Attic"}));
    // The icon column never sorts and changes nothing.
    ClickHeader(list, 0);
    EXPECT_EQ(list->SortColunm(), 6);
    EXPECT_TRUE(list->Increase());
    EXPECT_EQ(Column(list, 1), QStringList({"cafe", "Lab", "Office", "Attic"}));
}

TEST_F(PagesNoDevice, EmptySurveyLeavesWPSAndManual) {
    Start(DEVICE_WBRIDGE);
    EnterSurvey({});
    EXPECT_EQ(ListOf(Survey)->topLevelItemCount(), 0);
    EXPECT_FALSE(Enabled(Survey, "BtnNext"));
    EXPECT_TRUE(Enabled(Survey, "BtnWPS"));
    EXPECT_TRUE(Enabled(Survey, "BtnManual"));
    // "Connect" with nothing selected does nothing.
    Survey->BtnNextClick();
    Settle();
    EXPECT_EQ(Page(), Survey);
    // "WPS" goes on with the zeroed entry.
    g_Var.SelectedAP.Signal = 77; // left over from before the page was entered
    Click(Survey, "BtnWPS");
    EXPECT_EQ(g_Var.WlMethod, 0);
    EXPECT_EQ(Page(), WPS);
}

TEST_F(PagesNoDevice, EntryForgetsTheChoiceAndManualGoesToTheSetupMethod) {
    Start(DEVICE_WBRIDGE);
    g_Var.SelectedAP = AP("Old", 50, 1, 0, 0, 9);
    EnterSurvey(Neighbourhood());
    EXPECT_TRUE(IsZero(g_Var.SelectedAP));
    ASSERT_TRUE(ClickRow(ListOf(Survey), 1, "Office"));
    Click(Survey, "BtnWPS");
    EXPECT_EQ(Page(), WPS);
    EXPECT_STREQ(g_Var.SelectedAP.SSID, "Office");
    // Back from the WPS page (client mode) enters the survey again: a new
    // survey, and the choice is forgotten.
    Click(WPS, "BtnBack");
    EXPECT_EQ(Page(), Survey);
    EXPECT_TRUE(IsZero(g_Var.SelectedAP));
    EXPECT_EQ(ListOf(Survey)->topLevelItemCount(), 0);
    EXPECT_EQ(Engine->PendingRequest, WAIT_SITE_SURVEY);
    SurveyReply(Neighbourhood());
    Settle();
    Click(Survey, "BtnManual");
    EXPECT_EQ(g_Var.WlMethod, 2);
    EXPECT_EQ(Page(), SetupMethod);
}

TEST_F(PagesNoDevice, TimeOutsFillFromTheLastSurveyOnce) {
    Start(DEVICE_WBRIDGE);
    EnterSurvey(Neighbourhood());
    TSortListView* list = ListOf(Survey);
    ASSERT_EQ(list->topLevelItemCount(), 4);
    // The device does not answer the next survey: the time-out fills the list
    // from the engine's list, which is still the last survey's.
    Click(Survey, "BtnRefresh");
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_TRUE(Shown(Survey, "PlSearch"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Shown(Survey, "PlSearch"); }, 10000));
    EXPECT_EQ(Column(list, 1), QStringList({"cafe", "Office", "Lab", "Attic"}));
    EXPECT_TRUE(Enabled(Survey, "BtnRefresh"));
    EXPECT_TRUE(Boxes.Shown.isEmpty());

    // A login that times out fills it too, and never twice over.
    Engine->LoggedIn = false;
    Click(Survey, "BtnRefresh");
    EXPECT_EQ(Engine->PendingRequest, WAIT_LOGIN);
    ASSERT_TRUE(QTest::qWaitFor(Pending(WAIT_NONE), 10000));
    Settle();
    EXPECT_EQ(list->topLevelItemCount(), 4);
}

TEST_F(PagesNoDevice, LoginBeforeTheSurvey) {
    Start(DEVICE_WBRIDGE);
    Engine->LoggedIn = false;
    ASSERT_TRUE(Form->ShowFrame(Survey, Direction::Forward, 0));
    Settle();
    // Logging in: Refresh stays usable, the others wait.
    EXPECT_EQ(Engine->PendingRequest, WAIT_LOGIN);
    EXPECT_TRUE(Enabled(Survey, "BtnRefresh"));
    EXPECT_FALSE(Enabled(Survey, "BtnNext"));
    EXPECT_FALSE(Enabled(Survey, "BtnWPS"));
    // A refused login: nothing more happens.
    Result(OP_LOGIN, 0);
    Settle();
    EXPECT_EQ(Engine->PendingRequest, WAIT_NONE);
    EXPECT_TRUE(Enabled(Survey, "BtnRefresh"));
    EXPECT_TRUE(Boxes.Shown.isEmpty());
    // Refresh logs in again; the accepted login starts the survey.
    Click(Survey, "BtnRefresh");
    EXPECT_EQ(Engine->PendingRequest, WAIT_LOGIN);
    Result(OP_LOGIN, 1);
    Settle();
    EXPECT_EQ(Engine->PendingRequest, WAIT_SITE_SURVEY);
    EXPECT_FALSE(Enabled(Survey, "BtnRefresh"));
    SurveyReply(Neighbourhood());
    Settle();
    EXPECT_EQ(ListOf(Survey)->topLevelItemCount(), 4);
}

TEST_F(PagesNoDevice, TestModeTakesTheFixedEntry) {
    Start(DEVICE_WBRIDGE, "[Setting]\nNonWorking=1\n");
    ASSERT_TRUE(g_Var.NonWorking);
    EnterSurvey({});
    EXPECT_TRUE(Enabled(Survey, "BtnNext"));
    EXPECT_TRUE(Enabled(Survey, "BtnWPS"));
    Click(Survey, "BtnNext");
    EXPECT_EQ(Page(), Host);
    EXPECT_EQ(g_Var.WlMethod, 1);
    const _tag_AP_ROFIILE& ap = g_Var.SelectedAP;
    EXPECT_FALSE(ap.Highlighted);
    EXPECT_STREQ(ap.SSID, "NonWorkingTestMode");
    EXPECT_EQ(std::memcmp(ap.BSSID, "123456", 6), 0);
    EXPECT_EQ(ap.Signal, 80);
    EXPECT_EQ(ap.Channel, 1);
    EXPECT_EQ(ap.Encryption, 0);
    EXPECT_EQ(ap.Authentication, 0);
    EXPECT_EQ(ap.NetworkKind, 1);
    EXPECT_TRUE(ap.WpsCapable);
}

// --- Wireless mode selection page ------------------------------------------

TEST_F(PagesNoDevice, ModePageStartsAsAccessPointAndShowsTheReportedMode) {
    Start(DEVICE_AP);
    EXPECT_EQ(Child<QGroupBox>(ModeSel, "GBoxWlModeSel")->title(), " Wireless Modes ");
    EXPECT_EQ(Text(ModeSel, "RBtnAPMode"), "Access Point");
    EXPECT_EQ(Text(ModeSel, "RBtnWirelessBridge"), "AP Client");
    EXPECT_TRUE(Text(ModeSel, "Label1").startsWith("Note: Additional AP Modes"));
    EXPECT_TRUE(Child<QRadioButton>(ModeSel, "RBtnAPMode")->isChecked());
    ASSERT_TRUE(Form->ShowFrame(ModeSel, Direction::Forward, 0));
    Settle();
    EXPECT_EQ(Engine->PendingRequest, WAIT_GET_CONFIG); // the get-mode request
    EXPECT_TRUE(Log->Contains("TFormUDP::SendGetMode()"));
    EXPECT_TRUE(Log->Contains("g_Var.DeviceMode DEVICE_AP"));
    // The reply after the page was shown updates the buttons.
    ConfigReply(DEVICE_WBRIDGE);
    Settle();
    EXPECT_EQ(g_Var.DeviceMode, DEVICE_WBRIDGE);
    EXPECT_TRUE(Child<QRadioButton>(ModeSel, "RBtnWirelessBridge")->isChecked());
    EXPECT_FALSE(Child<QRadioButton>(ModeSel, "RBtnAPMode")->isChecked());
    EXPECT_TRUE(Log->Contains("g_Var.DeviceMode DEVICE_WBRIDGE"));
    // A mode other than 1 or 2 leaves the buttons as they are.
    Engine->SendGetMode(3000);
    ConfigReply(7);
    Settle();
    EXPECT_TRUE(Log->Contains("g_Var.DeviceMode != DEVICE_AP, DEVICE_WBRIDGE"));
    EXPECT_TRUE(Child<QRadioButton>(ModeSel, "RBtnWirelessBridge")->isChecked());
}

TEST_F(PagesNoDevice, ModePageNextWithTheReportedModeSendsNothing) {
    Start(DEVICE_WBRIDGE);
    ASSERT_TRUE(
        Form->ShowFrame(ModeSel, Direction::Backward, 0)); // back from the survey: no get-mode
    Settle();
    EXPECT_EQ(Engine->PendingRequest, WAIT_NONE);
    EXPECT_TRUE(Child<QRadioButton>(ModeSel, "RBtnWirelessBridge")->isChecked());
    Log->Clear();
    Click(ModeSel, "BtnNext");
    EXPECT_FALSE(Log->Contains("TFormUDP::SendSetMode()"));
    EXPECT_EQ(Page(), Survey);
}

TEST_F(PagesNoDevice, ModeSwitchSetsReReadsAndMovesOn) {
    Start(DEVICE_AP);
    ASSERT_TRUE(Form->ShowFrame(ModeSel, Direction::Backward, 0));
    Settle();
    ClickRadio(ModeSel, "RBtnWirelessBridge");
    CScript script;
    script.When("set-mode request", Pending(WAIT_SET_MODE), [this] { Result(OP_SET_CONFIG, 1); })
        .When("configuration re-read", Pending(WAIT_GET_CONFIG),
              [this] { ConfigReply(DEVICE_WBRIDGE); });
    Click(ModeSel, "BtnNext");
    EXPECT_TRUE(script.Done()) << qPrintable(script.Waiting());
    EXPECT_TRUE(WaitPage(Survey));
    EXPECT_EQ(g_Var.DeviceMode, DEVICE_WBRIDGE);
    EXPECT_TRUE(Boxes.Shown.isEmpty());
}

TEST_F(PagesNoDevice, ModeSwitchRefusedStaysAndTriesAgain) {
    Start(DEVICE_AP);
    ASSERT_TRUE(Form->ShowFrame(ModeSel, Direction::Backward, 0));
    Settle();
    ClickRadio(ModeSel, "RBtnWirelessBridge");
    {
        CScript script;
        script.When("set-mode request", Pending(WAIT_SET_MODE),
                    [this] { Result(OP_SET_CONFIG, 0); });
        Click(ModeSel, "BtnNext");
        EXPECT_TRUE(script.Done());
    }
    EXPECT_EQ(Boxes.Shown, QStringList({"Unable to connect to the device."}));
    EXPECT_EQ(Page(), ModeSel);
    EXPECT_TRUE(Child<QRadioButton>(ModeSel, "RBtnWirelessBridge")->isChecked());
    // The device is still an access point: the next Next switches again.
    EXPECT_EQ(g_Var.DeviceMode, DEVICE_AP);
    CScript again;
    again.When("set-mode request", Pending(WAIT_SET_MODE), [this] { Result(OP_SET_CONFIG, 1); })
        .When("configuration re-read", Pending(WAIT_GET_CONFIG),
              [this] { ConfigReply(DEVICE_WBRIDGE); });
    Click(ModeSel, "BtnNext");
    EXPECT_TRUE(again.Done()) << qPrintable(again.Waiting());
    EXPECT_TRUE(WaitPage(Survey));
}

TEST_F(PagesNoDevice, ModeSwitchTimeOutLogsInAgainOnce) {
    Start(DEVICE_WBRIDGE);
    ASSERT_TRUE(Form->ShowFrame(ModeSel, Direction::Backward, 0));
    Settle();
    ClickRadio(ModeSel, "RBtnAPMode");
    CScript script;
    // The first set-mode gets no answer; after its time-out a login (without
    // a logout) and the set-mode once more.
    script.When("re-login", Pending(WAIT_LOGIN), [this] { Result(OP_LOGIN, 1); })
        .When("set-mode again", Pending(WAIT_SET_MODE), [this] { Result(OP_SET_CONFIG, 1); })
        .When("configuration re-read", Pending(WAIT_GET_CONFIG),
              [this] { ConfigReply(DEVICE_AP); });
    Click(ModeSel, "BtnNext");
    EXPECT_TRUE(script.Done()) << qPrintable(script.Waiting());
    EXPECT_TRUE(WaitPage(SetupMethod));
    EXPECT_EQ(LogCount("TFormUDP::SendSetMode()"), 2);
    EXPECT_EQ(LogCount("TFormUDP::SendLogout()"), 0);
}

TEST_F(PagesNoDevice, ModeSwitchInTestModeMovesOnAfterTheMessage) {
    Start(DEVICE_AP, "[Setting]\nNonWorking=1\n");
    Engine->LoggedIn = false;
    ASSERT_TRUE(Form->ShowFrame(ModeSel, Direction::Backward, 0));
    Settle();
    ClickRadio(ModeSel, "RBtnWirelessBridge");
    CScript script;
    script.When("login", Pending(WAIT_LOGIN), [this] { Result(OP_LOGIN, 0); });
    Click(ModeSel, "BtnNext");
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(Boxes.Shown, QStringList({"Unable to connect to the device."}));
    EXPECT_TRUE(WaitPage(Survey));
    EXPECT_EQ(g_Var.DeviceMode, DEVICE_WBRIDGE);
}

TEST_F(PagesNoDevice, ModePageBackLogsOut) {
    Start(DEVICE_AP);
    ASSERT_TRUE(Form->ShowFrame(ModeSel, Direction::Backward, 0));
    Settle();
    Click(ModeSel, "BtnBack");
    EXPECT_TRUE(Log->Contains("TFormUDP::SendLogout()"));
    EXPECT_FALSE(Engine->LoggedIn);
    EXPECT_EQ(Page(), Form->findChild<TFrameBase*>("FrameDevList1"));
}

// --- WPS method page ---------------------------------------------------------

TEST_F(PagesNoDevice, WPSAccessPointTextsAndLayout) {
    Start(DEVICE_AP, "[Setting]\n[String]\nWPSMethod_AP_MODE_PBC_MSG=Press the button.\n"
                     "WPSMethod_BRIDGE_MODE_PBC_MSG=bridge text\n");
    EnterWPS();
    EXPECT_EQ(Engine->PendingRequest, WAIT_NONE); // no PIN to read from an access point
    EXPECT_TRUE(Child<QRadioButton>(WPS, "RBtnPBC")->isChecked());
    EXPECT_EQ(Text(WPS, "BtnNext"), "Connect");
    EXPECT_TRUE(Enabled(WPS, "BtnNext"));
    EXPECT_FALSE(Enabled(WPS, "EdtPIN"));
    EXPECT_EQ(Text(WPS, "LbPBCInfo"), "Press the button.");
    EXPECT_EQ(Text(WPS, "LbPINInfo"), "");
    EXPECT_EQ(Text(WPS, "LbWPSMethodMsg"), "");
    EXPECT_EQ(Text(WPS, "LbSSID"), "Wireless Device SSID:");
    EXPECT_EQ(Text(WPS, "LbDevPIN"), "Wireless Device PIN:");
    const int top = Child<QWidget>(WPS, "RBtnPIN")->y();
    EXPECT_FALSE(Shown(WPS, "LbSSID"));
    EXPECT_FALSE(Shown(WPS, "EdtSSID"));
    EXPECT_FALSE(Shown(WPS, "BtnSelect"));
    EXPECT_FALSE(Shown(WPS, "LbDevPINCode"));
    EXPECT_TRUE(Shown(WPS, "EdtPIN"));
    EXPECT_EQ(Child<QWidget>(WPS, "LbDevPIN")->y(), top + 23);
    EXPECT_EQ(Child<QWidget>(WPS, "EdtPIN")->y(), top + 23);
    EXPECT_EQ(Child<QWidget>(WPS, "LbPINInfo")->y(), top + 46);
    EXPECT_EQ(Text(WPS, "EdtSSID"), "");
}

TEST_F(PagesNoDevice, WPSBridgeTextsLayoutAndTheDevicePIN) {
    Start(DEVICE_WBRIDGE);
    g_Var.SelectedAP = AP("Neighbour", 80, 6, 3, 3, 1);
    EnterWPS();
    EXPECT_EQ(Engine->PendingRequest, WAIT_STA_GET_CONFIG);
    EXPECT_EQ(Text(WPS, "LbSSID"), "AP SSID:");
    EXPECT_EQ(Text(WPS, "LbDevPIN"), "Device PIN:");
    EXPECT_EQ(Text(WPS, "EdtSSID"), "Neighbour");
    EXPECT_EQ(Text(WPS, "LbDevPINCode"), "................");
    const int top = Child<QWidget>(WPS, "RBtnPIN")->y();
    EXPECT_TRUE(Shown(WPS, "LbSSID"));
    EXPECT_TRUE(Shown(WPS, "EdtSSID"));
    EXPECT_TRUE(Shown(WPS, "BtnSelect"));
    EXPECT_EQ(Child<QWidget>(WPS, "LbSSID")->y(), top + 23);
    EXPECT_EQ(Child<QWidget>(WPS, "EdtSSID")->y(), top + 23);
    EXPECT_EQ(Child<QWidget>(WPS, "BtnSelect")->y(), top + 41);
    EXPECT_EQ(Child<QWidget>(WPS, "LbDevPIN")->y(), top + 46);
    EXPECT_EQ(Child<QWidget>(WPS, "LbPINInfo")->y(), top + 69);
    EXPECT_FALSE(Shown(WPS, "EdtPIN"));
    EXPECT_TRUE(Shown(WPS, "LbDevPINCode"));
    EXPECT_EQ(Child<QWidget>(WPS, "LbDevPINCode")->geometry(),
              Child<QWidget>(WPS, "EdtPIN")->geometry());

    // PIN method: Connect waits for the device's PIN.
    ClickRadio(WPS, "RBtnPIN");
    EXPECT_FALSE(Enabled(WPS, "BtnNext"));
    StationConfigReply("49226874");
    Settle();
    EXPECT_EQ(Text(WPS, "LbDevPINCode"), "49226874");
    EXPECT_EQ(Text(WPS, "EdtPIN"), "49226874");
    EXPECT_TRUE(Enabled(WPS, "BtnNext"));
    // ... and for an SSID.
    Type(WPS, "EdtSSID", "");
    EXPECT_FALSE(Enabled(WPS, "BtnNext"));
    Type(WPS, "EdtSSID", "Other");
    EXPECT_TRUE(Enabled(WPS, "BtnNext"));
    // An entry backwards leaves the page as it was.
    Form->ShowFrame(Survey, Direction::Backward, 0);
    Form->ShowFrame(WPS, Direction::Backward, 0);
    EXPECT_EQ(Text(WPS, "EdtSSID"), "Other");
    EXPECT_TRUE(Child<QRadioButton>(WPS, "RBtnPIN")->isChecked());
}

TEST_F(PagesNoDevice, WPSPinRules) {
    Start(DEVICE_AP);
    EnterWPS();
    ClickRadio(WPS, "RBtnPIN");
    EXPECT_TRUE(Enabled(WPS, "EdtPIN"));
    EXPECT_FALSE(Enabled(WPS, "BtnNext"));
    Type(WPS, "EdtPIN", "1234567");
    EXPECT_FALSE(Enabled(WPS, "BtnNext"));
    QTest::keyClicks(Child<QLineEdit>(WPS, "EdtPIN"), "8");
    EXPECT_TRUE(Enabled(WPS, "BtnNext"));
    QTest::keyClicks(Child<QLineEdit>(WPS, "EdtPIN"), "9"); // at most 8
    EXPECT_EQ(Text(WPS, "EdtPIN"), "12345678");
    Type(WPS, "EdtPIN", "12ab 34");
    EXPECT_EQ(Text(WPS, "EdtPIN"), "1234"); // digits only
    EXPECT_FALSE(Enabled(WPS, "BtnNext"));
    // Back to the push button: Connect whatever the fields hold.
    ClickRadio(WPS, "RBtnPBC");
    EXPECT_TRUE(Enabled(WPS, "BtnNext"));
    EXPECT_FALSE(Enabled(WPS, "EdtPIN"));

    // The checks behind Connect (its button is disabled in these states).
    ClickRadio(WPS, "RBtnPIN");
    Type(WPS, "EdtPIN", "");
    WPS->BtnNextClick();
    EXPECT_EQ(Boxes.Shown, QStringList({"Invaild PIN Code"}));
    EXPECT_EQ(Engine->PendingRequest, WAIT_NONE);
}

TEST_F(PagesNoDevice, WPSBridgeEmptySSIDMessage) {
    Start(DEVICE_WBRIDGE, "[Setting]\n[Message]\nER_SSID=No access point named\n");
    EnterWPS();
    ClickRadio(WPS, "RBtnPIN");
    StationConfigReply("12345670");
    Settle();
    Type(WPS, "EdtSSID", "");
    WPS->BtnNextClick();
    EXPECT_EQ(Boxes.Shown, QStringList({"No access point named"}));
    EXPECT_EQ(Engine->PendingRequest, WAIT_NONE);
}

TEST_F(PagesNoDevice, WPSPushButtonOnAnAccessPointReadsTheConfigurationBack) {
    Start(DEVICE_AP);
    EnterWPS();
    CScript script;
    script.When("push button request", Pending(WAIT_WPS_PBC), [this] { Result(OP_SET_CONFIG, 1); })
        .When(
            "accepted", [this] { return Engine->PendingRequest == WAIT_NONE; },
            [this] {
                Status(3);
                Status(10);
                Status(34);
            })
        .When("configuration re-read", Pending(WAIT_GET_CONFIG),
              [this] { ConfigReply(DEVICE_AP); });
    Click(WPS, "BtnNext");
    EXPECT_TRUE(script.Done()) << qPrintable(script.Waiting());
    EXPECT_TRUE(WaitPage(Success));
    EXPECT_TRUE(Boxes.Shown.isEmpty());
    EXPECT_EQ(g_Var.WpsMethod, 1);
    EXPECT_TRUE(Log->Contains("TFormUDP::SendWPSPBC()"));
    EXPECT_TRUE(Log->Contains("TFrameWPSMethod::RecvWPSStatus 3=Start WSC Process"));
    EXPECT_TRUE(Log->Contains("TFrameWPSMethod::RecvWPSStatus 10=Send M1"));
    EXPECT_TRUE(Log->Contains("TFrameWPSMethod::RecvWPSStatus 34=Configured"));
    EXPECT_EQ(LogCount("TFormUDP::SendGetConfig()"), 1);
}

TEST_F(PagesNoDevice, WPSPushButtonOnAClientSucceedsAtOnce) {
    Start(DEVICE_WBRIDGE);
    EnterWPS();
    StationConfigReply("12345670");
    Settle();
    CScript script;
    script.When("push button request", Pending(WAIT_WPS_PBC), [this] { Result(OP_SET_CONFIG, 1); })
        .When("accepted", Pending(WAIT_NONE), [this] { Status(34); });
    Click(WPS, "BtnNext");
    EXPECT_TRUE(script.Done()) << qPrintable(script.Waiting());
    EXPECT_TRUE(WaitPage(Success));
    EXPECT_TRUE(Boxes.Shown.isEmpty());
    EXPECT_EQ(LogCount("TFormUDP::SendGetConfig()"), 0);
}

TEST_F(PagesNoDevice, WPSPinOfEightZerosIsTheNumberZero) {
    Start(DEVICE_AP);
    EnterWPS();
    ClickRadio(WPS, "RBtnPIN");
    Type(WPS, "EdtPIN", "00000000");
    CScript script;
    script.When("PIN request", Pending(WAIT_WPS_PIN), [this] { Result(OP_SET_CONFIG, 0); });
    Click(WPS, "BtnNext");
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(g_Var.WpsMethod, 0);
    EXPECT_EQ(g_Var.NewWl.PinNumber, 0);
    EXPECT_TRUE(Log->Contains("TFormUDP::SendWPSPIN()"));
    // Refused: the message, and the page stays.
    EXPECT_EQ(Boxes.Shown, QStringList({"Unable to connect to the device."}));
    EXPECT_EQ(Page(), WPS);
}

TEST_F(PagesNoDevice, WPSStatusBeforeTheAcknowledgementIsIgnoredAndStatus2Fails) {
    Start(DEVICE_AP);
    EnterWPS();
    CScript script;
    script
        .When("push button request", Pending(WAIT_WPS_PBC),
              [this] {
                  Status(34); // before the device accepted: ignored
                  Result(OP_SET_CONFIG, 1);
              })
        .When("accepted", Pending(WAIT_NONE), [this] {
            PostUdpToMainWindow(UM_UDP_EVENT, TLVTYPE_OTHER_CONNECTTIMEOUT, 5); // another event
            Status(2);
        });
    Click(WPS, "BtnNext");
    EXPECT_TRUE(script.Done()) << qPrintable(script.Waiting());
    EXPECT_TRUE(Log->Contains("TFrameWPSMethod::WndProc ignore UM_UDP_EVENT 150, 34"));
    EXPECT_TRUE(Log->Contains("TFrameWPSMethod::WndProc UM_UDP_EVENT, 149, 5"));
    EXPECT_TRUE(Log->Contains(
        "TFrameWPSMethod::RecvWPSStatus 2=WSC Fail(Ignore this if Intel/Marvell registrar used)"));
    EXPECT_FALSE(Log->Contains("TFrameWPSMethod::RecvWPSStatus 34=Configured"));
    EXPECT_EQ(Boxes.Shown, QStringList({"Unable to connect to the device."}));
    EXPECT_EQ(Page(), WPS);
}

TEST_F(PagesNoDevice, WPSIdleWithinTheWindowAfterStartSucceeds) {
    Start(DEVICE_WBRIDGE);
    EnterWPS();
    CScript script;
    script.When("push button request", Pending(WAIT_WPS_PBC), [this] { Result(OP_SET_CONFIG, 1); })
        .When("accepted", Pending(WAIT_NONE),
              [this] {
                  Status(3);
                  Status(1);
                  Status(34); // during the pause after Idle: only logged
              })
        .When("configuration re-read", Pending(WAIT_GET_CONFIG),
              [this] { ConfigReply(DEVICE_WBRIDGE); });
    Click(WPS, "BtnNext");
    EXPECT_TRUE(script.Done()) << qPrintable(script.Waiting());
    EXPECT_TRUE(WaitPage(Success));
    EXPECT_TRUE(Log->Contains("TFrameWPSMethod::WndProc ignore UM_UDP_EVENT 150, 34"));
    EXPECT_TRUE(Boxes.Shown.isEmpty());
}

TEST_F(PagesNoDevice, WPSIdleWithoutStartInThisRunFails) {
    Start(DEVICE_AP);
    EnterWPS();
    CScript script;
    script.When("push button request", Pending(WAIT_WPS_PBC), [this] { Result(OP_SET_CONFIG, 1); })
        .When("accepted", Pending(WAIT_NONE), [this] { Status(1); });
    Click(WPS, "BtnNext");
    EXPECT_TRUE(script.Done()) << qPrintable(script.Waiting());
    EXPECT_TRUE(Log->Contains("TFrameWPSMethod::RecvWPSStatus 1=Idle"));
    EXPECT_EQ(LogCount("TFormUDP::SendGetConfig()"), 0);
    EXPECT_EQ(Boxes.Shown, QStringList({"Unable to connect to the device."}));
    EXPECT_EQ(Page(), WPS);

    // A start seen in an earlier run does not count for the next one either.
    CScript second;
    second.When("push button request", Pending(WAIT_WPS_PBC), [this] { Result(OP_SET_CONFIG, 1); })
        .When("accepted", Pending(WAIT_NONE), [this] {
            Status(3);
            Status(2);
        });
    Click(WPS, "BtnNext");
    EXPECT_TRUE(second.Done());
    CScript third;
    third.When("push button request", Pending(WAIT_WPS_PBC), [this] { Result(OP_SET_CONFIG, 1); })
        .When("accepted", Pending(WAIT_NONE), [this] { Status(1); });
    Click(WPS, "BtnNext");
    EXPECT_TRUE(third.Done());
    EXPECT_EQ(LogCount("TFormUDP::SendGetConfig()"), 0);
    EXPECT_EQ(Boxes.Shown.size(), 3);
}

TEST_F(PagesNoDevice, WPSIdleMoreThan100sAfterStartFails) {
    Start(DEVICE_AP);
    EnterWPS();
    uint32_t started = 0;
    CScript script;
    script.When("push button request", Pending(WAIT_WPS_PBC), [this] { Result(OP_SET_CONFIG, 1); })
        .When("accepted", Pending(WAIT_NONE),
              [this, &started] {
                  Status(3);
                  started = Timing::TickCount();
              })
        .When(
            "100 s later", [&started] { return Timing::TickCount() - started > 110000; },
            [this] { Status(1); });
    Click(WPS, "BtnNext");
    EXPECT_TRUE(script.Done()) << qPrintable(script.Waiting());
    EXPECT_TRUE(Log->Contains("TFrameWPSMethod::RecvWPSStatus 1=Idle"));
    EXPECT_FALSE(Log->Contains("TFrameWPSMethod::TimerTimeroutTimer"));
    EXPECT_EQ(LogCount("TFormUDP::SendGetConfig()"), 0);
    EXPECT_EQ(Boxes.Shown, QStringList({"Unable to connect to the device."}));
}

TEST_F(PagesNoDevice, WPSWithoutAFinalStatusFailsAfterThreeMinutes) {
    Start(DEVICE_AP);
    EnterWPS();
    CScript script;
    script.When("push button request", Pending(WAIT_WPS_PBC), [this] { Result(OP_SET_CONFIG, 1); })
        .When("accepted", Pending(WAIT_NONE), [this] { Status(3); });
    Click(WPS, "BtnNext");
    EXPECT_TRUE(script.Done()) << qPrintable(script.Waiting());
    EXPECT_TRUE(Log->Contains("TFrameWPSMethod::TimerTimeroutTimer"));
    EXPECT_EQ(Boxes.Shown, QStringList({"Unable to connect to the device."}));
    EXPECT_EQ(Page(), WPS);
}

TEST_F(PagesNoDevice, WPSRequestTimeOutLogsOutAndInOnceThenFails) {
    Start(DEVICE_AP);
    EnterWPS();
    CScript script;
    // No answer to the request; after its time-out a logout and a login.
    script.When("re-login", Pending(WAIT_LOGIN), [this] { Result(OP_LOGIN, 1); })
        .When("the request again", Pending(WAIT_WPS_PBC), [] {});
    Click(WPS, "BtnNext");
    EXPECT_TRUE(script.Done()) << qPrintable(script.Waiting());
    EXPECT_EQ(LogCount("TFormUDP::SendWPSPBC()"), 2);
    EXPECT_EQ(LogCount("TFormUDP::SendLogout()"), 1);
    EXPECT_EQ(LogCount("TFormUDP::SendLogin()"), 1);
    EXPECT_EQ(Boxes.Shown, QStringList({"Unable to connect to the device."}));
}

TEST_F(PagesNoDevice, WPSLogsInFirstWhenNotLoggedIn) {
    Start(DEVICE_WBRIDGE);
    EnterWPS();
    Engine->LoggedIn = false;
    CScript script;
    script.When("login", Pending(WAIT_LOGIN), [this] { Result(OP_LOGIN, 1); })
        .When("push button request", Pending(WAIT_WPS_PBC), [this] { Result(OP_SET_CONFIG, 1); })
        .When("accepted", Pending(WAIT_NONE), [this] { Status(34); });
    Click(WPS, "BtnNext");
    EXPECT_TRUE(script.Done()) << qPrintable(script.Waiting());
    EXPECT_TRUE(WaitPage(Success));
}

TEST_F(PagesNoDevice, WPSFailureInTestModeStillMovesOn) {
    Start(DEVICE_AP, "[Setting]\nNonWorking=1\n");
    EnterWPS();
    CScript script;
    script.When("push button request", Pending(WAIT_WPS_PBC), [this] { Result(OP_SET_CONFIG, 0); });
    Click(WPS, "BtnNext");
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(Boxes.Shown, QStringList({"Unable to connect to the device."}));
    EXPECT_TRUE(WaitPage(Success));
}

// --- WPS survey dialog ---------------------------------------------------------

TEST_F(PagesNoDevice, WPSSurveyDialogListsWPSEntriesAndSelects) {
    Start(DEVICE_WBRIDGE);
    EnterWPS();
    ClickRadio(WPS, "RBtnPIN");
    StationConfigReply("12345670");
    Settle();
    CScript script;
    TFormWPSSurvey* seen = nullptr;
    QStringList ssids, auths;
    QString caption;
    script
        .When(
            "dialog surveys",
            [this] { return OpenSurveyDialog() && Engine->PendingRequest == WAIT_SITE_SURVEY; },
            [&] {
                seen = OpenSurveyDialog();
                caption = seen->windowTitle();
                EXPECT_TRUE(seen->Frame()->findChild<QWidget*>("PlSearch")->isVisible());
                std::vector<_tag_AP_ROFIILE> entries = Neighbourhood();
                entries[1].Authentication = 6; // "cafe" offers no WPS anyway
                SurveyReply(entries);
            })
        .When(
            "rows", [&] { return ListOf(seen->Frame())->topLevelItemCount() > 0; },
            [&] {
                TSortListView* list = ListOf(seen->Frame());
                ssids = Column(list, 1);
                auths = Column(list, 5);
                EXPECT_FALSE(seen->Frame()->findChild<QWidget*>("PlSearch")->isVisible());
                EXPECT_TRUE(ClickRow(list, 1, "Lab"));
                QTest::mouseClick(seen->findChild<QAbstractButton*>("BtnSelect"), Qt::LeftButton);
            });
    Click(WPS, "BtnSelect");
    EXPECT_TRUE(script.Done()) << qPrintable(script.Waiting());
    EXPECT_EQ(caption, "WPS AP site survey");
    EXPECT_EQ(ssids, QStringList({"Office", "Lab", "Attic"})); // WPS-capable only
    // Authentication code 6 ("WPA2" on the survey page) has no label here.
    EXPECT_EQ(auths, QStringList({"WPA2-PSK", "", ""}));
    EXPECT_EQ(Text(WPS, "EdtSSID"), "Lab");
    EXPECT_EQ(WPS->SurveyDialog(), nullptr);
    EXPECT_TRUE(Log->Contains("TFrameWPSSiteSurvey::BtnRefreshClick(TObject *Sender)"));
    EXPECT_TRUE(Enabled(WPS, "BtnNext"));

    // Then the PIN run for the chosen access point.
    CScript run;
    run.When("PIN request", Pending(WAIT_WPS_PIN), [this] { Result(OP_SET_CONFIG, 1); })
        .When("accepted", Pending(WAIT_NONE), [this] { Status(34); });
    Click(WPS, "BtnNext");
    EXPECT_TRUE(run.Done()) << qPrintable(run.Waiting());
    EXPECT_STREQ(g_Var.NewWl.SSID, "Lab");
    EXPECT_EQ(g_Var.WpsMethod, 0);
    EXPECT_TRUE(WaitPage(Success));
}

TEST_F(PagesNoDevice, WPSSurveyDialogCancelCloseAndEmptySelect) {
    Start(DEVICE_WBRIDGE);
    g_Var.SelectedAP = AP("Keep", 80, 6, 3, 3, 1);
    EnterWPS();
    ClickRadio(WPS, "RBtnPIN");
    auto answerSurvey = [this](CScript& script, std::function<void(TFormWPSSurvey*)> then) {
        script
            .When(
                "dialog surveys",
                [this] { return OpenSurveyDialog() && Engine->PendingRequest == WAIT_SITE_SURVEY; },
                [this] { SurveyReply(Neighbourhood()); })
            .When(
                "rows",
                [] {
                    return OpenSurveyDialog() &&
                           ListOf(OpenSurveyDialog()->Frame())->topLevelItemCount() == 3;
                },
                [then] { then(OpenSurveyDialog()); });
    };
    {
        CScript script;
        answerSurvey(script, [](TFormWPSSurvey* dialog) {
            ClickRow(ListOf(dialog->Frame()), 1, "Lab");
            QTest::mouseClick(dialog->findChild<QAbstractButton*>("BtnCancel"), Qt::LeftButton);
        });
        Click(WPS, "BtnSelect");
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(Text(WPS, "EdtSSID"), "Keep");
    }
    {
        CScript script;
        answerSurvey(script, [](TFormWPSSurvey* dialog) {
            ClickRow(ListOf(dialog->Frame()), 1, "Lab");
            dialog->close(); // the window's close control
        });
        Click(WPS, "BtnSelect");
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(Text(WPS, "EdtSSID"), "Keep");
    }
    {
        CScript script;
        answerSurvey(script, [](TFormWPSSurvey* dialog) {
            QTest::mouseClick(dialog->findChild<QAbstractButton*>("BtnSelect"), Qt::LeftButton);
        });
        Click(WPS, "BtnSelect");
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(Text(WPS, "EdtSSID"), ""); // Select without a row empties it
    }
    {
        // A survey time-out fills the dialog from the engine's last survey.
        CScript script;
        script
            .When(
                "dialog surveys",
                [this] { return OpenSurveyDialog() && Engine->PendingRequest == WAIT_SITE_SURVEY; },
                [] {})
            .When(
                "filled by the time-out",
                [] {
                    return OpenSurveyDialog() &&
                           ListOf(OpenSurveyDialog()->Frame())->topLevelItemCount() == 3;
                },
                [] { OpenSurveyDialog()->reject(); });
        Click(WPS, "BtnSelect");
        EXPECT_TRUE(script.Done()) << qPrintable(script.Waiting());
    }
}

TEST_F(PagesNoDevice, WPSSurveyDialogIsCentredOverTheWizard) {
    Start(DEVICE_WBRIDGE);
    TFormWPSSurvey dialog(Form.get());
    CScript script;
    script.When(
        "shown", [&dialog] { return dialog.isVisible(); }, [&dialog] { dialog.reject(); });
    EXPECT_EQ(dialog.Execute(WPS), TFormWPSSurvey::ResultCancel);
    const QRect outer = Form->frameGeometry();
    EXPECT_EQ(dialog.pos(), QPoint(outer.left() + (outer.width() - dialog.width()) / 2,
                                   outer.top() + (outer.height() - dialog.height()) / 2));
    EXPECT_EQ(dialog.Frame()->findChild<QGroupBox*>("GroupBox1")->title(), " WPS AP List ");
}
