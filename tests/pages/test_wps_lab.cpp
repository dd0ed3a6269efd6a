// The site survey, WPS method and wireless mode selection pages against a
// simulated device in the network lab (scripts/lab). The wizard logs in
// through the engine as the device list and password pages do; from there the
// user works the pages with the buttons, and the device's journal shows what
// reached it.

#include "tests/common/labsim.h"
#include "tests/pages/surveyfixture.h"

#include <QComboBox>
#include <QJsonArray>
#include <QJsonObject>
#include <cstring>
#include <vector>

namespace {

const uint8_t kMac[6] = {0x02, 0x5A, 0x00, 0x00, 0x07, 0x01};

// Fixed waits run ten times faster: a login waits 500 ms, a survey 700 ms,
// the pause after status 34 on an access point 1 s.
constexpr int kSpeedup = 10;
// For the runs that wait out the status window (100 s) or limit (180 s):
// 5 s and 9 s.
constexpr int kLongSpeedup = 20;

const char kSurvey[] = R"("survey": [
    {"ssid": "Guest", "bssid": "00:1C:F0:00:00:05", "signal": 90, "channel": 1,
     "encryption": 0, "authentication": 0, "kind": 0, "wps": false},
    {"ssid": "Office", "bssid": "00:1C:F0:00:00:02", "signal": 70, "channel": 11,
     "encryption": 3, "authentication": 3, "kind": 0, "wps": true},
    {"ssid": "backyard", "bssid": "00:1C:F0:00:00:09", "signal": 35, "channel": 6,
     "encryption": 2, "authentication": 2, "kind": 0, "wps": true},
    {"ssid": "Corporate", "bssid": "00:1C:F0:00:00:01", "signal": 55, "channel": 2,
     "encryption": 4, "authentication": 6, "kind": 0, "wps": true, "highlight": true},
    {"ssid": "Printer", "bssid": "00:1C:F0:00:00:07", "signal": 15, "channel": 6,
     "encryption": 1, "authentication": 1, "kind": 1, "wps": false}])";

QByteArray DeviceJson(int mode, const QByteArray& extra = {}) {
    QByteArray json = "{\"mac\": \"02:5A:00:00:07:01\", \"name\": \"Radio-WPS\", "
                      "\"password\": \"tosca\", \"client_pin\": \"49226874\", \"mode\": " +
                      QByteArray::number(mode) + ", " + kSurvey;
    if (!extra.isEmpty())
        json += ", " + extra;
    return json + "}";
}

int IndexOf(const QList<QJsonObject>& journal, const char* dir, const QString& kind, int from = 0) {
    for (int i = std::max(from, 0); i < journal.size(); ++i)
        if (journal[i].value("dir").toString() == dir &&
            journal[i].value("kind").toString() == kind)
            return i;
    return -1;
}

int Count(const QList<QJsonObject>& journal, const char* dir, const QString& kind) {
    int n = 0;
    for (const QJsonObject& line : journal)
        n += line.value("dir").toString() == dir && line.value("kind").toString() == kind;
    return n;
}

// The WPS status values the device sent, in order.
QList<int> StatusesSent(const QList<QJsonObject>& journal) {
    QList<int> statuses;
    for (const QJsonObject& line : journal)
        if (line.value("dir").toString() == "tx" && line.value("kind").toString() == "wps_status")
            statuses << line.value("tlvs").toObject().value("TLVTYPE_OTHER_WPS_STATUS").toInt();
    return statuses;
}

} // namespace

class WpsLab : public SurveyFixture {
protected:
    void SetUp() override { Timing::SetSpeedup(kSpeedup); }

    // Starts the device, creates the wizard and its engine, logs in and reads
    // the configuration as the password page does, then the copy step.
    void Connect(const QByteArray& deviceJson) {
        ASSERT_TRUE(Device.Start("dev1", deviceJson)) << qPrintable(Device.Error());
        OpenWizard();
        CreateEngine();
        ASSERT_NO_FATAL_FAILURE(LogInThroughEngine(*Engine, kMac));
        Log->Clear();
    }
    bool Idle() {
        return QTest::qWaitFor([this] { return Engine->PendingRequest == WAIT_NONE; }, 30000);
    }
    bool Rows(QWidget* page, int count) {
        return QTest::qWaitFor(
            [page, count] {
                return ListOf(page)->topLevelItemCount() == count &&
                       !page->findChild<QWidget*>("PlSearch")->isVisible();
            },
            20000);
    }
    // The WPS method page entered forward, as from the page before it.
    void EnterWPS() {
        ASSERT_TRUE(Form->ShowFrame(WPS, Direction::Forward, 0));
        Settle();
    }
    // "Connect" on the WPS page: the run under the progress dialog. True when
    // the wizard reached the success page.
    bool Pair() {
        Click(WPS, "BtnNext"); // returns when the run has ended
        return WaitPage(Success, 1000);
    }
    QString ComboText(QWidget* page, const char* name) {
        auto* list = Child<QComboBox>(page, name);
        return list ? list->currentText() : QString();
    }

    CLabDevice Device;
};

TEST_F(WpsLab, ClientSurveysSortsAndJoinsAWpa2Network) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson(DEVICE_WBRIDGE));
    ASSERT_EQ(g_Var.DeviceMode, DEVICE_WBRIDGE);
    // The wireless mode page shows the mode the device reports; Next surveys.
    ASSERT_TRUE(Form->ShowFrame(ModeSel, Direction::Forward, 0));
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return Child<QRadioButton>(ModeSel, "RBtnWirelessBridge")->isChecked(); }, 5000));
    Click(ModeSel, "BtnNext");
    ASSERT_EQ(Page(), Survey);
    ASSERT_TRUE(Rows(Survey, 5));
    TSortListView* list = ListOf(Survey);
    EXPECT_EQ(Column(list, 1),
              QStringList({"Guest", "Office", "Corporate", "backyard", "Printer"}));
    EXPECT_EQ(Column(list, 5), QStringList({"OPEN", "WPA2-PSK", "WPA2", "WPA-PSK", ""}));
    EXPECT_FALSE(Enabled(Survey, "BtnNext"));

    ClickHeader(list, 1); // by SSID, still descending
    EXPECT_EQ(Column(list, 1),
              QStringList({"Printer", "Office", "Guest", "Corporate", "backyard"}));
    ClickHeader(list, 1);
    EXPECT_EQ(Column(list, 1),
              QStringList({"backyard", "Corporate", "Guest", "Office", "Printer"}));
    ClickHeader(list, 2); // by channel, ascending
    EXPECT_EQ(Column(list, 2), QStringList({"1", "2", "6", "6", "11"}));

    ASSERT_TRUE(ClickRow(list, 1, "Office"));
    Click(Survey, "BtnNext");
    EXPECT_EQ(g_Var.WlMethod, 1);
    EXPECT_STREQ(g_Var.SelectedAP.SSID, "Office");
    EXPECT_EQ(g_Var.SelectedAP.Authentication, 3);
    EXPECT_EQ(g_Var.SelectedAP.Encryption, 3);
    const uint8_t bssid[6] = {0x00, 0x1C, 0xF0, 0x00, 0x00, 0x02};
    EXPECT_EQ(std::memcmp(g_Var.SelectedAP.BSSID, bssid, 6), 0);

    // The profile pages take the access point's settings.
    ASSERT_EQ(Page(), Host);
    ASSERT_EQ(SubPage(), SSID);
    EXPECT_EQ(Text(SSID, "EdtSSID"), "Office");
    Click(SSID, "BtnNext");
    Click(WlMode, "BtnNext");
    ASSERT_EQ(SubPage(), Security);
    EXPECT_EQ(ComboText(Security, "CmbSecurity"), "WPA-PSK");
    Click(Security, "BtnNext");
    ASSERT_EQ(SubPage(), PSK);
    EXPECT_EQ(ComboText(PSK, "CmbWPAMode"), "WPA2 Only");
    Type(PSK, "EdtPassphrase", "office secret");
    Click(PSK, "BtnNext");
    ASSERT_EQ(SubPage(), Confirm);
    Click(Confirm, "BtnNext");
    ASSERT_TRUE(WaitPage(Success)) << Boxes.Shown.join(" | ").toStdString();
    EXPECT_TRUE(Boxes.Shown.isEmpty());

    // The station profile reached the device.
    const QList<QJsonObject> journal = Device.Journal();
    const int set = IndexOf(journal, "rx", "set_station");
    ASSERT_GE(set, 0);
    const QJsonObject tlvs = journal[set].value("tlvs").toObject();
    EXPECT_EQ(tlvs.value("WL_SSID").toString(), "Office");
    EXPECT_EQ(tlvs.value("WL_SECURITY_MODE").toInt(), 2);
    EXPECT_EQ(tlvs.value("WL_WPA_MODE").toInt(), 1);
    EXPECT_EQ(tlvs.value("WL_WPA_PSK").toString(), "office secret");
    EXPECT_GE(IndexOf(journal, "rx", "survey"), 0);
    EXPECT_LT(IndexOf(journal, "rx", "survey"), set);
}

TEST_F(WpsLab, AccessPointPushButtonSucceedsAfterTheConfigurationReRead) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson(DEVICE_AP, "\"wps_status\": [[100, 3], [200, 10], [200, 34]]"));
    EnterWPS();
    ASSERT_TRUE(Pair()) << Boxes.Shown.join(" | ").toStdString();
    EXPECT_TRUE(Boxes.Shown.isEmpty());
    const QList<QJsonObject> journal = Device.Journal();
    const int request = IndexOf(journal, "rx", "wps_pbc");
    ASSERT_GE(request, 0);
    EXPECT_EQ(StatusesSent(journal), QList<int>({3, 10, 34}));
    int configured = -1;
    for (int i = request; i < journal.size(); ++i)
        if (journal[i].value("kind").toString() == "wps_status" &&
            journal[i].value("tlvs").toObject().value("TLVTYPE_OTHER_WPS_STATUS").toInt() == 34)
            configured = i;
    ASSERT_GT(configured, request);
    EXPECT_GT(IndexOf(journal, "rx", "get_config", configured), configured)
        << "no configuration re-read after status 34";
    EXPECT_TRUE(Log->Contains("TFrameWPSMethod::RecvWPSStatus 34=Configured"));
}

TEST_F(WpsLab, ClientPushButtonSucceedsAtOnce) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson(DEVICE_WBRIDGE, "\"wps_status\": [[100, 3], [200, 34]]"));
    EnterWPS();
    ASSERT_TRUE(QTest::qWaitFor([this] { return Text(WPS, "LbDevPINCode") == "49226874"; }, 5000));
    ASSERT_TRUE(Pair()) << Boxes.Shown.join(" | ").toStdString();
    // The device writes its journal line of an event after sending it.
    QList<QJsonObject> journal;
    Device.WaitForJournal([](const QList<QJsonObject>& j) { return StatusesSent(j).size() == 2; },
                          5000, &journal);
    const int request = IndexOf(journal, "rx", "wps_pbc");
    ASSERT_GE(request, 0);
    EXPECT_EQ(IndexOf(journal, "rx", "get_config", request), -1); // success without a re-read
    EXPECT_EQ(StatusesSent(journal), QList<int>({3, 34}));
}

TEST_F(WpsLab, ClientPinWithTheAccessPointFromTheWPSSurveyDialog) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson(DEVICE_WBRIDGE, "\"wps_status\": [[100, 3], [200, 34]]"));
    EnterWPS();
    ASSERT_TRUE(QTest::qWaitFor([this] { return Text(WPS, "EdtPIN") == "49226874"; }, 5000));
    ClickRadio(WPS, "RBtnPIN");
    EXPECT_FALSE(Enabled(WPS, "BtnNext")); // no access point yet

    QStringList listed, auths;
    CScript script;
    script.When(
        "the dialog's survey",
        [this] {
            TFormWPSSurvey* dialog = OpenSurveyDialog();
            return dialog && ListOf(dialog->Frame())->topLevelItemCount() == 3 &&
                   !dialog->Frame()->findChild<QWidget*>("PlSearch")->isVisible();
        },
        [&] {
            TFormWPSSurvey* dialog = OpenSurveyDialog();
            listed = Column(ListOf(dialog->Frame()), 1);
            auths = Column(ListOf(dialog->Frame()), 5);
            ClickRow(ListOf(dialog->Frame()), 1, "Office");
            QTest::mouseClick(dialog->findChild<QAbstractButton*>("BtnSelect"), Qt::LeftButton);
        });
    Click(WPS, "BtnSelect");
    ASSERT_TRUE(script.Done()) << qPrintable(script.Waiting());
    EXPECT_EQ(listed, QStringList({"Office", "Corporate", "backyard"}));
    EXPECT_EQ(auths, QStringList({"WPA2-PSK", "", "WPA-PSK"}));
    EXPECT_EQ(Text(WPS, "EdtSSID"), "Office");
    ASSERT_TRUE(Enabled(WPS, "BtnNext"));

    ASSERT_TRUE(Pair()) << Boxes.Shown.join(" | ").toStdString();
    EXPECT_EQ(g_Var.WpsMethod, 0);
    const QList<QJsonObject> journal = Device.Journal();
    const int request = IndexOf(journal, "rx", "wps_pin");
    ASSERT_GE(request, 0);
    EXPECT_EQ(journal[request].value("tlvs").toObject().value("WL_WPS_PIN").toString(), "Office");
    EXPECT_GT(IndexOf(journal, "rx", "survey"), IndexOf(journal, "rx", "sta_get_config"));
    // The device joined the access point it was paired with.
    Engine->SendGetConfig(15000);
    ASSERT_TRUE(Idle());
    EXPECT_STREQ(g_Var.CurWl.SSID, "Office");
}

TEST_F(WpsLab, Status2Fails) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson(DEVICE_AP, "\"wps_status\": [[100, 3], [200, 2]]"));
    EnterWPS();
    EXPECT_FALSE(Pair());
    EXPECT_EQ(Boxes.Shown, QStringList({"Unable to connect to the device."}));
    EXPECT_EQ(Page(), WPS);
    EXPECT_EQ(
        IndexOf(Device.Journal(), "rx", "get_config", IndexOf(Device.Journal(), "rx", "wps_pbc")),
        -1);
}

TEST_F(WpsLab, IdleWithin100sOfTheStartSucceedsAfterThePause) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson(DEVICE_AP, "\"wps_status\": [[100, 3], [300, 1]]"));
    EnterWPS();
    ASSERT_TRUE(Pair()) << Boxes.Shown.join(" | ").toStdString();
    const QList<QJsonObject> journal = Device.Journal();
    EXPECT_GT(IndexOf(journal, "rx", "get_config", IndexOf(journal, "rx", "wps_pbc")), 0);
}

TEST_F(WpsLab, IdleMoreThan100sAfterTheStartFails) {
    SWP_REQUIRE_LAB();
    Timing::SetSpeedup(kLongSpeedup);
    // Status 1 comes 112 s (program time) after status 3.
    Connect(DeviceJson(DEVICE_AP, "\"wps_status\": [[100, 3], [5600, 1]]"));
    EnterWPS();
    EXPECT_FALSE(Pair());
    EXPECT_EQ(StatusesSent(Device.Journal()), QList<int>({3, 1}));
    EXPECT_TRUE(Log->Contains("TFrameWPSMethod::RecvWPSStatus 1=Idle"));
    EXPECT_FALSE(Log->Contains("TFrameWPSMethod::TimerTimeroutTimer"));
    EXPECT_EQ(Boxes.Shown, QStringList({"Unable to connect to the device."}));
    const QList<QJsonObject> journal = Device.Journal();
    EXPECT_EQ(IndexOf(journal, "rx", "get_config", IndexOf(journal, "rx", "wps_pbc")), -1);
}

TEST_F(WpsLab, NoFinalStatusFailsAfterThreeMinutes) {
    SWP_REQUIRE_LAB();
    Timing::SetSpeedup(kLongSpeedup);
    Connect(DeviceJson(DEVICE_WBRIDGE, "\"wps_status\": [[100, 3], [200, 36]]"));
    EnterWPS();
    EXPECT_FALSE(Pair());
    EXPECT_TRUE(Log->Contains("TFrameWPSMethod::RecvWPSStatus 36=EAPOL START SENT"));
    EXPECT_TRUE(Log->Contains("TFrameWPSMethod::TimerTimeroutTimer"));
    EXPECT_EQ(Boxes.Shown, QStringList({"Unable to connect to the device."}));
    EXPECT_EQ(Page(), WPS);
}

TEST_F(WpsLab, SurveyTimeOutFillsTheListFromThePreviousSurvey) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson(DEVICE_WBRIDGE));
    ASSERT_TRUE(Form->ShowFrame(Survey, Direction::Forward, 0));
    ASSERT_TRUE(Rows(Survey, 5));
    const QStringList before = Column(ListOf(Survey), 1);
    // The device stops answering surveys.
    ASSERT_TRUE(Device.Start(
        "dev1", DeviceJson(DEVICE_WBRIDGE, "\"require_login\": false, "
                                           "\"requests\": {\"survey\": {\"action\": \"drop\"}}")))
        << qPrintable(Device.Error());
    Click(Survey, "BtnRefresh");
    EXPECT_EQ(ListOf(Survey)->topLevelItemCount(), 0);
    EXPECT_TRUE(Shown(Survey, "PlSearch"));
    ASSERT_TRUE(Rows(Survey, 5));
    EXPECT_EQ(Column(ListOf(Survey), 1), before);
    EXPECT_TRUE(Log->Contains("TFormUDP::TimerWaitTimer() 9"));
    EXPECT_TRUE(Enabled(Survey, "BtnRefresh"));
    EXPECT_TRUE(Enabled(Survey, "BtnWPS"));
    EXPECT_TRUE(Boxes.Shown.isEmpty());
    const QList<QJsonObject> journal = Device.Journal();
    const int survey = IndexOf(journal, "rx", "survey");
    ASSERT_GE(survey, 0);
    EXPECT_EQ(journal[survey].value("action").toString(), "drop");
}

TEST_F(WpsLab, RefreshAfterTheConnectionTimeOutLogsInAgainThenSurveys) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson(DEVICE_WBRIDGE, "\"connect_timeout_ms\": 1500"));
    ASSERT_TRUE(Form->ShowFrame(Survey, Direction::Forward, 0));
    ASSERT_TRUE(Rows(Survey, 5));
    // The device drops the login and says so; the page is not told.
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Engine->LoggedIn; }, 10000));
    EXPECT_TRUE(Log->Contains("  TLVTYPE_OTHER_CONNECTTIMEOUT"));
    EXPECT_EQ(ListOf(Survey)->topLevelItemCount(), 5);
    Log->Clear();
    Click(Survey, "BtnRefresh");
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return Log->Contains("TFormUDP::SendSiteSurvey()"); }, 10000));
    ASSERT_TRUE(Rows(Survey, 5));
    const QStringList trace = Log->Lines();
    EXPECT_LT(trace.indexOf("TFormUDP::SendLogin()"), trace.indexOf("TFormUDP::SendSiteSurvey()"));
    const QList<QJsonObject> journal = Device.Journal();
    const int dropped = IndexOf(journal, "tx", "connect_timeout");
    ASSERT_GE(dropped, 0);
    const int login = IndexOf(journal, "rx", "login", dropped);
    ASSERT_GT(login, dropped);
    const int survey = IndexOf(journal, "rx", "survey", login);
    ASSERT_GT(survey, login);
    EXPECT_EQ(journal[survey].value("action").toString(), "answer");
}

TEST_F(WpsLab, SwitchingAnAccessPointToClientAndBack) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson(DEVICE_AP));
    ASSERT_TRUE(Form->ShowFrame(ModeSel, Direction::Forward, 0));
    ASSERT_TRUE(Idle()); // the get-mode reply
    Settle();
    EXPECT_TRUE(Child<QRadioButton>(ModeSel, "RBtnAPMode")->isChecked());
    ClickRadio(ModeSel, "RBtnWirelessBridge");
    Click(ModeSel, "BtnNext");
    ASSERT_TRUE(WaitPage(Survey)) << Boxes.Shown.join(" | ").toStdString();
    EXPECT_EQ(g_Var.DeviceMode, DEVICE_WBRIDGE);
    ASSERT_TRUE(Rows(Survey, 5));

    Click(Survey, "BtnBack");
    ASSERT_EQ(Page(), ModeSel);
    EXPECT_TRUE(Child<QRadioButton>(ModeSel, "RBtnWirelessBridge")->isChecked());
    ClickRadio(ModeSel, "RBtnAPMode");
    Click(ModeSel, "BtnNext");
    ASSERT_TRUE(WaitPage(SetupMethod)) << Boxes.Shown.join(" | ").toStdString();
    EXPECT_EQ(g_Var.DeviceMode, DEVICE_AP);
    EXPECT_TRUE(Boxes.Shown.isEmpty());

    const QList<QJsonObject> journal = Device.Journal();
    EXPECT_EQ(Count(journal, "rx", "get_mode"), 1);
    const int first = IndexOf(journal, "rx", "set_mode");
    ASSERT_GE(first, 0);
    EXPECT_EQ(journal[first].value("tlvs").toObject().value("DEVICE_MODE").toInt(), 2);
    const int reread = IndexOf(journal, "rx", "get_config", first);
    EXPECT_GT(reread, first);
    const int second = IndexOf(journal, "rx", "set_mode", first + 1);
    ASSERT_GT(second, reread);
    EXPECT_EQ(journal[second].value("tlvs").toObject().value("DEVICE_MODE").toInt(), 1);
    EXPECT_GT(IndexOf(journal, "rx", "get_config", second), second);
}
