// The wireless profile pages against a simulated device in the network lab
// (scripts/lab): the wizard is logged in through the engine, then the user
// walks the wireless setup method page and the profile sub-pages with the
// buttons; the device's journal shows what was written field by field and what
// the device reports afterwards.

#include "protocol/formudp.h"
#include "settings/timing.h"
#include "tests/common/labsim.h"
#include "tests/common/logcapture.h"
#include "tests/pages/wlprofilefixture.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <memory>
#include <vector>

namespace {

const uint8_t kMac[6] = {0x02, 0x5A, 0x00, 0x00, 0x06, 0x01};

// Fixed waits run five times faster: a discovery takes 800 ms, the pause
// after the profile is written 600 ms.
constexpr int kSpeedup = 5;

QByteArray DeviceJson(const QByteArray& extra = {}) {
    QByteArray json = "{\"mac\": \"02:5A:00:00:06:01\", \"name\": \"Radio-Lab\", "
                      "\"password\": \"tosca\", "
                      "\"ip\": {\"dhcp\": false, \"ip\": \"192.168.0.50\", "
                      "\"mask\": \"255.255.255.0\", \"gateway\": \"192.168.0.1\"}";
    if (!extra.isEmpty())
        json += ", " + extra;
    return json + "}";
}

QList<QJsonObject> Lines(const QList<QJsonObject>& journal, const char* dir, const QString& kind) {
    QList<QJsonObject> lines;
    for (const QJsonObject& line : journal)
        if (line.value("dir").toString() == dir && line.value("kind").toString() == kind)
            lines << line;
    return lines;
}

// Index of the first journal line after `from` matching dir and kind; -1 if none.
int IndexOf(const QList<QJsonObject>& journal, const char* dir, const QString& kind, int from = 0) {
    for (int i = from; i < journal.size(); ++i)
        if (journal[i].value("dir").toString() == dir &&
            journal[i].value("kind").toString() == kind)
            return i;
    return -1;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class WlLab : public WlProfileFixture {
protected:
    void SetUp() override {
        Timing::SetSpeedup(kSpeedup);
        Log = std::make_unique<CLogCapture>();
    }
    void TearDown() override {
        FormUDP = nullptr;
        Engine.reset();
        WlProfileFixture::TearDown();
        Log.reset();
        Timing::SetSpeedup(1);
    }

    // Starts the device, creates the wizard and its engine, and logs in
    // through the engine as the device list and password pages do; then the
    // wizard window's copy step.
    void Connect(const QByteArray& deviceJson, const QByteArray& settings = "[Setting]\n") {
        ASSERT_TRUE(Device.Start("dev1", deviceJson)) << qPrintable(Device.Error());
        Open(settings);
        Engine = std::make_unique<TFormUDP>(Form.get());
        FormUDP = Engine.get();
        ASSERT_NO_FATAL_FAILURE(LogInThroughEngine(*Engine, kMac));
        Log->Clear();
    }
    bool Idle() {
        return QTest::qWaitFor([this] { return Engine->PendingRequest == WAIT_NONE; }, 30000);
    }

    // Access point: the wireless setup method page, "Manual Setup", SSID and
    // wireless mode, up to the security page.
    void ApToSecurity(const QString& ssid) {
        ASSERT_EQ(g_Var.DeviceMode, DEVICE_AP);
        ASSERT_TRUE(Form->ShowFrame(SetWlMethod, Direction::Forward, 0));
        Click(SetWlMethod, "BtnNext");
        ASSERT_EQ(Page(), Host);
        ASSERT_NO_FATAL_FAILURE(WalkToSecurity(ssid));
    }
    // Next on the confirmation page: the send sequence under the progress
    // dialog, then the success page.
    void Send() {
        ASSERT_EQ(SubPage(), Confirm);
        Click(Confirm, "BtnNext");
        ASSERT_TRUE(QTest::qWaitFor([this] { return Page() == Success; }, 5000))
            << "messages: " << Boxes.Shown.join(" | ").toStdString();
        EXPECT_TRUE(Boxes.Shown.isEmpty());
        EXPECT_TRUE(Success->isVisible());
    }

    // The one wireless setting the device received (kind set_wireless or
    // set_station), and the configuration it reported after it.
    struct Written {
        QJsonObject request;
        QJsonObject reported;
    };
    Written Check(const QString& kind) {
        // The reply's journal line may follow the reply itself by a moment.
        QList<QJsonObject> journal;
        Device.WaitForJournal(
            [&kind](const QList<QJsonObject>& j) {
                const int set = IndexOf(j, "rx", kind);
                const int read = set < 0 ? -1 : IndexOf(j, "rx", "get_config", set);
                return read >= 0 && IndexOf(j, "tx", "get_config", read) >= 0;
            },
            5000, &journal);
        Written written;
        const QList<QJsonObject> sets = Lines(journal, "rx", kind);
        EXPECT_EQ(sets.size(), 1);
        const int set = IndexOf(journal, "rx", kind);
        EXPECT_GE(set, 0);
        if (set < 0)
            return written;
        written.request = journal[set].value("tlvs").toObject();
        const int read = IndexOf(journal, "rx", "get_config", set);
        EXPECT_GT(read, set) << "no configuration re-read after the setting";
        const int reply = read < 0 ? -1 : IndexOf(journal, "tx", "get_config", read);
        EXPECT_GT(reply, read);
        if (reply > 0)
            written.reported = journal[reply].value("tlvs").toObject();
        return written;
    }

    CLabDevice Device;
    std::unique_ptr<TFormUDP> Engine;
    std::unique_ptr<CLogCapture> Log;
};

TEST_F(WlLab, AccessPointWithoutSecurity) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson("\"wireless\": {\"ssid\": \"factory\", \"security\": 2, \"wpa_mode\": 1, "
                       "\"cipher\": 1, \"wireless_mode\": 0}"));
    ApToSecurity("LabOpen");
    EXPECT_EQ(Selected(Security, "CmbSecurity"), 0); // an access point opens on "None"
    ChooseSecurity(0);
    EXPECT_EQ(Text(Confirm, "BtnNext"), "Configure");
    EXPECT_EQ(Text(Confirm, "LblIP"), "192.168.0.50");
    Send();
    EXPECT_TRUE(Log->Contains("DEVICE_AP"));

    const Written w = Check("set_wireless");
    EXPECT_EQ(w.request.value("WL_SSID").toString(), "LabOpen");
    EXPECT_EQ(w.request.value("WL_STD_CH").toInt(), 0);
    EXPECT_EQ(w.request.value("WL_WIRELESS_MODE").toInt(), 9);
    EXPECT_EQ(w.request.value("WL_SECURITY_MODE").toInt(), 0);
    EXPECT_FALSE(w.request.contains("WL_WEPKEY"));
    EXPECT_FALSE(w.request.contains("WL_WPA_PSK"));
    EXPECT_EQ(w.reported.value("WL_SSID").toString(), "LabOpen");
    EXPECT_EQ(w.reported.value("WL_SECURITY_MODE").toInt(), 0);
    EXPECT_STREQ(g_Var.CurWl.SSID, "LabOpen");
    EXPECT_EQ(g_Var.CurWl.Security, 0);
}

TEST_F(WlLab, AccessPointWep64HexAfterWalkingBothBranches) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson());
    ApToSecurity("LabWep64");
    // Into the WPA-PSK branch and back, then into the WEP branch.
    ChooseSecurity(2);
    ASSERT_EQ(SubPage(), PSK);
    Click(PSK, "BtnBack");
    ASSERT_EQ(SubPage(), Security);
    ChooseSecurity(1);
    ASSERT_EQ(SubPage(), WEP);
    Choose(WEP, "CmbWEP", 0);
    Type(WEP, "EdtKey1", "0a1b2c3d4e");
    Choose(WEP, "CmbAuthen", 1);
    Click(WEP, "BtnNext");
    ASSERT_EQ(SubPage(), Confirm);
    Click(Confirm, "BtnBack");
    ASSERT_EQ(SubPage(), WEP);
    EXPECT_EQ(Text(WEP, "EdtKey1"), "0a1b2c3d4e"); // kept on the way back
    Click(WEP, "BtnNext");
    ASSERT_EQ(SubPage(), Confirm);
    EXPECT_EQ(Text(Confirm, "LblInfo3"), "0A1B2C3D4E");
    Send();

    const Written w = Check("set_wireless");
    EXPECT_EQ(w.request.value("WL_SSID").toString(), "LabWep64");
    EXPECT_EQ(w.request.value("WL_SECURITY_MODE").toInt(), 1);
    EXPECT_EQ(w.request.value("WL_AUTH_MODE").toInt(), 1);
    EXPECT_EQ(w.request.value("WL_WEPKEY").toString(), "0A1B2C3D4E");
    EXPECT_EQ(w.request.value("WL_WEPKEY_INDEX").toInt(), 0);
    EXPECT_EQ(w.reported.value("WL_SECURITY_MODE").toInt(), 1);
    EXPECT_EQ(w.reported.value("WL_AUTH_MODE").toInt(), 1);
    EXPECT_EQ(w.reported.value("WL_WEPKEY_LEN").toInt(), 0);
    EXPECT_EQ(g_Var.CurWl.Security, 1);
    EXPECT_EQ(g_Var.CurWl.WepKeyLen, 0);
    EXPECT_EQ(g_Var.CurWl.Auth, 1);
}

TEST_F(WlLab, AccessPointWep128Ascii) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson());
    ApToSecurity("LabWep128");
    ChooseSecurity(1);
    ASSERT_EQ(SubPage(), WEP);
    Choose(WEP, "CmbWEP", 1);
    Type(WEP, "EdtKey1", "Lab128Secret!");
    Choose(WEP, "CmbAuthen", 2);
    Click(WEP, "BtnNext");
    ASSERT_EQ(SubPage(), Confirm);
    EXPECT_EQ(Text(Confirm, "LblInfo1"), "128 bit");
    EXPECT_EQ(Text(Confirm, "LblInfo2"), "Auto");
    Send();

    const Written w = Check("set_wireless");
    EXPECT_EQ(w.request.value("WL_SECURITY_MODE").toInt(), 1);
    EXPECT_EQ(w.request.value("WL_AUTH_MODE").toInt(), 2);
    EXPECT_EQ(w.request.value("WL_WEPKEY").toString(), "Lab128Secret!");
    EXPECT_EQ(w.reported.value("WL_WEPKEY_LEN").toInt(), 1);
    EXPECT_EQ(w.reported.value("WL_AUTH_MODE").toInt(), 2);
    EXPECT_EQ(g_Var.CurWl.WepKeyLen, 1);
}

TEST_F(WlLab, AccessPointWpaPskSavedPrintedAndWritten) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson());
    ApToSecurity("LabWPA");
    ChooseSecurity(2);
    ASSERT_EQ(SubPage(), PSK);
    Choose(PSK, "CmbWPAMode", 1);
    EXPECT_EQ(Text(PSK, "LbCipherValue"), "AES");
    Type(PSK, "EdtPassphrase", "lab passphrase");
    Click(PSK, "BtnNext");
    ASSERT_EQ(SubPage(), Confirm);

    const QString file = m_Dir.filePath("ap-wpa.txt");
    FileDialogs().SetNextFileName(file);
    Click(Confirm, "BtnSave");
    EXPECT_EQ(ReadAll(file), QByteArray("Network Settings\r\n"
                                        "\tIP Address: 192.168.0.50\r\n"
                                        "\tSubnet: 255.255.255.0\r\n"
                                        "\tGateway: 192.168.0.1\r\n"
                                        "Wireless Settings\r\n"
                                        "\tSSID LabWPA\r\n"
                                        "\tWireless Mode: 2.4GHz 802.11 b/g/n mixed mode\r\n"
                                        "\tSecurity Mode: WPA-PSK\r\n"
                                        "\tWPA Mode: WPA2 Only\r\n"
                                        "\tCipher Type: AES\r\n"
                                        "\tKey: lab passphrase\r\n"));

    const QString pdf = m_Dir.filePath("ap-wpa.pdf");
    FileDialogs().SetNextPrintFile(pdf);
    Click(Confirm, "BtnPrint");
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    QStringList lines;
    for (const QString& line : QString::fromUtf8(text.readAllStandardOutput()).split('\n'))
        if (!line.simplified().isEmpty())
            lines << line.simplified();
    EXPECT_EQ(lines, (QStringList{
                         "Network Settings", "IP Address: 192.168.0.50", "Subnet: 255.255.255.0",
                         "Gateway: 192.168.0.1", "Wireless Settings", "SSID LabWPA",
                         "Wireless Mode: 2.4GHz 802.11 b/g/n mixed mode", "Security Mode: WPA-PSK",
                         "WPA Mode: WPA2 Only", "Cipher Type: AES", "Key: lab passphrase"}));

    Send();
    const Written w = Check("set_wireless");
    EXPECT_EQ(w.request.value("WL_SSID").toString(), "LabWPA");
    EXPECT_EQ(w.request.value("WL_SECURITY_MODE").toInt(), 2);
    EXPECT_EQ(w.request.value("WL_WPA_MODE").toInt(), 1);
    EXPECT_EQ(w.request.value("WL_WPA_CIPHER").toInt(), 1);
    EXPECT_EQ(w.request.value("WL_WPA_PSK").toString(), "lab passphrase");
    EXPECT_EQ(w.reported.value("WL_WPA_MODE").toInt(), 1);
    EXPECT_EQ(w.reported.value("WL_WPA_CIPHER").toInt(), 1);
    EXPECT_EQ(g_Var.CurWl.Security, 2);
    EXPECT_EQ(g_Var.CurWl.WpaMode, 1);
    EXPECT_EQ(g_Var.CurWl.WpaCipher, 1);
}

TEST_F(WlLab, ClientStationProfileFromTheSurvey) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson("\"mode\": 2"));
    ASSERT_EQ(g_Var.DeviceMode, DEVICE_WBRIDGE);
    ChooseAP("Neighbour", 3, 3); // AES, WPA2-PSK
    g_Var.WlMethod = 1;
    ASSERT_TRUE(Form->ShowFrame(Host, Direction::Forward, 0)); // Next from the site survey page
    Settle();
    ASSERT_EQ(SubPage(), SSID);
    EXPECT_EQ(Text(SSID, "EdtSSID"), "Neighbour");
    Click(SSID, "BtnNext");
    Click(WlMode, "BtnNext");
    EXPECT_EQ(Selected(Security, "CmbSecurity"), 2);
    Click(Security, "BtnNext");
    ASSERT_EQ(SubPage(), PSK);
    EXPECT_EQ(Selected(PSK, "CmbWPAMode"), 1);
    Type(PSK, "EdtPassphrase", "neighbour key");
    Click(PSK, "BtnNext");
    ASSERT_EQ(SubPage(), Confirm);
    EXPECT_EQ(Text(Confirm, "BtnNext"), "Connect");
    EXPECT_EQ(Text(Confirm, "LbWirelessInfo"), "Wireless Profile");
    EXPECT_FALSE(Confirm->NetworkBlockShown());
    Send();
    EXPECT_TRUE(Log->Contains("not DEVICE_AP"));

    const QList<QJsonObject> journal = Device.Journal();
    EXPECT_TRUE(Lines(journal, "rx", "set_wireless").isEmpty());
    const Written w = Check("set_station");
    const int set = IndexOf(journal, "rx", "set_station");
    ASSERT_GE(set, 0);
    EXPECT_EQ(journal[set].value("opcode").toInt(), 9);
    EXPECT_EQ(w.request.value("WL_SSID").toString(), "Neighbour");
    EXPECT_EQ(w.request.value("WL_STA_FLAG").toInt(), 1);
    EXPECT_EQ(w.request.value("WL_WIRELESS_MODE").toInt(), 9);
    EXPECT_EQ(w.request.value("WL_SECURITY_MODE").toInt(), 2);
    EXPECT_EQ(w.request.value("WL_WPA_MODE").toInt(), 1);
    EXPECT_EQ(w.request.value("WL_WPA_CIPHER").toInt(), 1);
    EXPECT_EQ(w.request.value("WL_WPA_PSK").toString(), "neighbour key");
    EXPECT_EQ(w.reported.value("WL_SSID").toString(), "Neighbour");
    EXPECT_STREQ(g_Var.CurWl.SSID, "Neighbour");
    EXPECT_EQ(g_Var.CurWl.Security, 2);
}

TEST_F(WlLab, ClientWepProfileSavedThenWritten) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson("\"mode\": 2"));
    ChooseAP("OldRouter", 1, 0);
    g_Var.WlMethod = 1;
    ASSERT_TRUE(Form->ShowFrame(Host, Direction::Forward, 0));
    Settle();
    Click(SSID, "BtnNext");
    Click(WlMode, "BtnNext");
    ASSERT_EQ(Selected(Security, "CmbSecurity"), 1);
    Click(Security, "BtnNext");
    ASSERT_EQ(SubPage(), WEP);
    EXPECT_EQ(Items(WEP, "CmbAuthen"), (QStringList{"Open", "Shared"}));
    Type(WEP, "EdtKey1", "abcde");
    Click(WEP, "BtnNext");
    // Back through the WEP branch to the SSID page and forward again.
    Click(Confirm, "BtnBack");
    Click(WEP, "BtnBack");
    Click(Security, "BtnBack");
    Click(WlMode, "BtnBack");
    ASSERT_EQ(SubPage(), SSID);
    EXPECT_EQ(Text(SSID, "EdtSSID"), "OldRouter");
    Click(SSID, "BtnNext");
    Click(WlMode, "BtnNext");
    Click(Security, "BtnNext");
    Click(WEP, "BtnNext");
    ASSERT_EQ(SubPage(), Confirm);

    const QString file = m_Dir.filePath("client-wep.txt");
    FileDialogs().SetNextFileName(file);
    Click(Confirm, "BtnSave");
    EXPECT_EQ(ReadAll(file), QByteArray("Wireless Profile\r\n"
                                        "\tSSID OldRouter\r\n"
                                        "\tWireless Mode: 2.4GHz 802.11 b/g/n mixed mode\r\n"
                                        "\tSecurity Mode: WEP\r\n"
                                        "\tWEP Key Length: 64 bit\r\n"
                                        "\tAuthentication: Open\r\n"
                                        "\tKey: abcde\r\n"));
    Send();
    const Written w = Check("set_station");
    EXPECT_EQ(w.request.value("WL_SSID").toString(), "OldRouter");
    EXPECT_EQ(w.request.value("WL_SECURITY_MODE").toInt(), 1);
    EXPECT_EQ(w.request.value("WL_AUTH_MODE").toInt(), 0);
    EXPECT_EQ(w.request.value("WL_WEPKEY").toString(), "abcde");
    EXPECT_EQ(w.reported.value("WL_WEPKEY_LEN").toInt(), 0);
}

TEST_F(WlLab, RefusedSettingFailsAtOnceWithoutReLogin) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson("\"requests\": {\"set_wireless\": {\"action\": \"refuse\"}}"));
    ApToSecurity("Refused");
    ChooseSecurity(0);
    Click(Confirm, "BtnNext");
    EXPECT_EQ(Boxes.Shown, QStringList{"Unable to connect to the device."});
    EXPECT_EQ(Page(), Host);
    EXPECT_EQ(SubPage(), Confirm);

    const QList<QJsonObject> journal = Device.Journal();
    EXPECT_EQ(Lines(journal, "rx", "set_wireless").size(), 1);
    const int set = IndexOf(journal, "rx", "set_wireless");
    ASSERT_GE(set, 0);
    EXPECT_EQ(IndexOf(journal, "rx", "login", set), -1);
    EXPECT_EQ(IndexOf(journal, "rx", "logout", set), -1);
    EXPECT_EQ(IndexOf(journal, "rx", "get_config", set), -1);
}

TEST_F(WlLab, NoReplyGetsOneReLogin) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson("\"requests\": {\"set_wireless\": {\"action\": \"drop\", \"count\": 1}}"));
    ApToSecurity("Retried");
    ChooseSecurity(0);
    Send();
    const QList<QJsonObject> journal = Device.Journal();
    EXPECT_EQ(Lines(journal, "rx", "set_wireless").size(), 2);
    const int first = IndexOf(journal, "rx", "set_wireless");
    const int logout = IndexOf(journal, "rx", "logout", first);
    const int login = IndexOf(journal, "rx", "login", first);
    const int second = IndexOf(journal, "rx", "set_wireless", first + 1);
    EXPECT_GT(logout, first);
    EXPECT_GT(login, logout);
    EXPECT_GT(second, login);
    EXPECT_GT(IndexOf(journal, "rx", "get_config", second), second);
    EXPECT_STREQ(g_Var.CurWl.SSID, "Retried");
}

TEST_F(WlLab, NoReplyAfterTheReLoginFails) {
    SWP_REQUIRE_LAB();
    Connect(DeviceJson("\"requests\": {\"set_wireless\": {\"action\": \"drop\"}}"));
    ApToSecurity("Silent");
    ChooseSecurity(0);
    Click(Confirm, "BtnNext");
    EXPECT_EQ(Boxes.Shown, QStringList{"Unable to connect to the device."});
    EXPECT_EQ(SubPage(), Confirm);
    const QList<QJsonObject> journal = Device.Journal();
    EXPECT_EQ(Lines(journal, "rx", "set_wireless").size(), 2);
    EXPECT_EQ(Lines(journal, "rx", "logout").size(), 1);
}
