// Finding, logging in and setting the address of simulated devices in the
// network lab (scripts/lab), through the whole wizard: the pages are driven by
// their buttons as a user presses them, the engine talks to devsim over the
// lab's adapters (swpa0 10.91.1.1/24 to dev1, swpb0 10.91.2.1/24 to dev2) and
// the devices' journals show what reached them. The fixed waits run five times
// faster through the timing seam.

#include "app/formmain.h"
#include "pages/framedevipcfg.h"
#include "pages/framedevlist.h"
#include "pages/frameipeditrect.h"
#include "pages/framepassword.h"
#include "pages/framesetupmethod.h"
#include "protocol/formudp.h"
#include "settings/textutil.h"
#include "settings/timing.h"
#include "tests/app/wizardfixture.h"
#include "tests/common/labsim.h"

#include <QApplication>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <memory>

namespace {

const QByteArray kSkipIntro = "[Setting]\nSkipLicense=1\nSkipTutorial=1\n";
constexpr int kSpeedup = 5;
// Bounds of the waits below: guards against a hang, never expected to run out.
constexpr int kPageBound = 30000;

const char kMacA[] = "02:5A:00:05:01:01";
const char kMacB[] = "02:5A:00:05:02:01";

// A device as devsim takes it; extra holds further members.
QByteArray DeviceJson(const char* mac, const char* name, const QByteArray& extra = {}) {
    QByteArray json = QByteArray("{\"mac\": \"") + mac + "\", \"name\": \"" + name +
                      "\", \"password\": \"tosca\"";
    if (!extra.isEmpty())
        json += ", " + extra;
    return json + "}";
}

const QByteArray kStaticA = "\"ip\": {\"dhcp\": false, \"ip\": \"10.91.1.2\", \"mask\": "
                            "\"255.255.255.0\", \"gateway\": \"10.91.1.254\"}";
const QByteArray kDynamicA = "\"ip\": {\"dhcp\": true, \"ip\": \"10.91.1.2\", \"mask\": "
                             "\"255.255.255.0\", \"gateway\": \"10.91.1.254\"}";

QList<QJsonObject> Lines(const QList<QJsonObject>& journal, const char* dir, const QString& kind) {
    QList<QJsonObject> lines;
    for (const QJsonObject& line : journal)
        if (line.value("dir").toString() == QLatin1String(dir) &&
            (kind.isEmpty() || line.value("kind").toString() == kind))
            lines << line;
    return lines;
}
QList<QJsonObject> Sent(const QList<QJsonObject>& journal, const QString& kind = {}) {
    return Lines(journal, "tx", kind);
}
// The kinds of the requests the device received, in order.
QStringList Requests(const QList<QJsonObject>& journal) {
    QStringList kinds;
    for (const QJsonObject& line : Received(journal))
        kinds << line.value("kind").toString();
    return kinds;
}

} // namespace

class PagesLab : public WizardFixture {
protected:
    void SetUp() override { Timing::SetSpeedup(kSpeedup); }
    void TearDown() override {
        FormUDP = nullptr;
        Engine.reset();
        WizardFixture::TearDown();
        Timing::SetSpeedup(1);
    }

    void StartDevice(CLabDevice& device, const char* ns, const QByteArray& json) {
        ASSERT_TRUE(device.Start(ns, json)) << qPrintable(device.Error());
    }
    // The wizard as the program builds it, with the engine reporting to it; it
    // opens on the device list, whose forward entry starts the first search.
    void StartWizard(const QByteArray& settings = {}) {
        CreateWizard(kSkipIntro + settings);
        Engine = std::make_unique<TFormUDP>(Form.get());
        FormUDP = Engine.get();
        Form->show();
        Form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
        Settle();
        ASSERT_EQ(Current(), "FrameDevList1");
    }

    QString Current() const {
        return Form->CurrentFrame ? Form->CurrentFrame->objectName() : QStringLiteral("none");
    }
    bool WaitForPage(const QString& name) {
        return QTest::qWaitFor([&] { return Current() == name; }, kPageBound);
    }
    template <class T> T* Page(const char* name) const {
        return Form->findChild<T*>(QString::fromLatin1(name));
    }
    template <class T = QWidget> T* Control(const char* page, const char* name) const {
        QWidget* owner = Page<QWidget>(page);
        T* control = owner ? owner->findChild<T*>(QString::fromLatin1(name)) : nullptr;
        EXPECT_NE(control, nullptr) << page << "." << name;
        return control;
    }
    // A press of the left mouse button on a control of the page on screen.
    void Press(const char* page, const char* name) {
        QWidget* control = Control(page, name);
        ASSERT_TRUE(control && control->isVisible() && control->isEnabled()) << name;
        // A radio button takes clicks on its mark and caption, at its left.
        const QPoint at = qobject_cast<QRadioButton*>(control) ? QPoint(8, control->height() / 2)
                                                               : control->rect().center();
        QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, at);
        Reactivate();
    }
    // What the window manager does when a modal dialog of the wizard closes:
    // the wizard window is active again (the offscreen platform has no window
    // manager to do it).
    void Reactivate() {
        if (Form && Form->isVisible() && !Form->isActiveWindow()) {
            Form->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
        }
    }
    // The search on the device list has ended.
    bool WaitForSearch() {
        auto* refresh = Control("FrameDevList1", "BtnRefresh");
        auto* panel = Control("FrameDevList1", "PlSearch");
        return QTest::qWaitFor([&] { return refresh->isEnabled() && panel->isHidden(); },
                               kPageBound);
    }
    QTreeWidget* DeviceList() const { return Control<QTreeWidget>("FrameDevList1", "LvDevList"); }
    QStringList Rows() const {
        QStringList rows;
        QTreeWidget* list = DeviceList();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows << list->topLevelItem(i)->text(0) + " " + list->topLevelItem(i)->text(1);
        return rows;
    }
    void SelectRow(int row) {
        QTreeWidget* list = DeviceList();
        const QRect rect = list->visualItemRect(list->topLevelItem(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }
    void TypePassword(const QString& text) {
        auto* box = Control<QLineEdit>("FramePassword1", "EdtPassword");
        box->setFocus(Qt::MouseFocusReason);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }
    // Search, select the first device, Configure, log in with the password.
    void LogIn(const QString& password = QStringLiteral("tosca")) {
        ASSERT_TRUE(WaitForSearch());
        ASSERT_GE(DeviceList()->topLevelItemCount(), 1);
        SelectRow(0);
        Press("FrameDevList1", "BtnCfg");
        ASSERT_TRUE(WaitForPage("FramePassword1"));
        TypePassword(password);
        Press("FramePassword1", "BtnLogin");
        ASSERT_TRUE(WaitForPage("FrameSetupMethod1"));
    }
    TFrameIPEditRect* AddressEdit(const char* name) const {
        return Control<TFrameIPEditRect>("FrameDevIPCfg1", name);
    }
    // From the setup method page to the IP page with the static choice.
    void ChooseStatic() {
        Press("FrameSetupMethod1", "RBtnSetIP");
        Press("FrameSetupMethod1", "BtnNext");
        ASSERT_TRUE(WaitForPage("FrameDevIPCfg1"));
    }
    // Types an address into a control as keys, box by box from the first,
    // after clearing it.
    void TypeAddress(const char* control, const QString& address) {
        TFrameIPEditRect* edit = AddressEdit(control);
        QTest::mouseClick(edit->Box(1), Qt::LeftButton);
        edit->SetAddress(QString());
        for (const QChar c : address)
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
    }

    std::unique_ptr<TFormUDP> Engine;
};

TEST_F(PagesLab, SearchListsTheLabsDevices) {
    SWP_REQUIRE_LAB();
    CLabDevice deviceA;
    CLabDevice deviceB;
    StartDevice(deviceA, "dev1", DeviceJson(kMacA, "Lobby"));
    // The second device of subnet B answers after the discovery wait: not listed.
    StartDevice(deviceB, "dev2",
                "{\"devices\": [" + DeviceJson(kMacB, "Lobby") + ", " +
                    DeviceJson("02:5A:00:05:02:09", "Late",
                               "\"requests\": {\"discover\": {\"delay_ms\": 3000}}") +
                    "]}");
    StartWizard();
    // Searching: the panel is up, Refresh and Configure wait.
    EXPECT_TRUE(Control("FrameDevList1", "PlSearch")->isVisible());
    EXPECT_FALSE(Control("FrameDevList1", "BtnRefresh")->isEnabled());
    EXPECT_FALSE(Control("FrameDevList1", "BtnCfg")->isEnabled());
    ASSERT_TRUE(WaitForSearch());
    QStringList rows = Rows();
    rows.sort();
    // Two devices of one name, told apart by MAC.
    EXPECT_EQ(rows, (QStringList{QString("Lobby ") + kMacA, QString("Lobby ") + kMacB}));
    EXPECT_FALSE(Control("FrameDevList1", "BtnCfg")->isEnabled());

    // A selection enables Configure; a click on the empty area takes it away.
    SelectRow(1);
    EXPECT_TRUE(Control("FrameDevList1", "BtnCfg")->isEnabled());
    QTest::mouseClick(DeviceList()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(20, DeviceList()->viewport()->height() - 5));
    EXPECT_TRUE(DeviceList()->selectedItems().isEmpty());
    EXPECT_FALSE(Control("FrameDevList1", "BtnCfg")->isEnabled());

    // Refresh searches again from an empty list.
    Press("FrameDevList1", "BtnRefresh");
    EXPECT_EQ(DeviceList()->topLevelItemCount(), 0);
    EXPECT_FALSE(Control("FrameDevList1", "BtnRefresh")->isEnabled());
    ASSERT_TRUE(WaitForSearch());
    EXPECT_EQ(DeviceList()->topLevelItemCount(), 2);
    EXPECT_EQ(Received(deviceA.Journal(), "discover").size(), 2);

    // Configure takes the selected device and starts from fresh records.
    SelectRow(1);
    const QString chosen = DeviceList()->topLevelItem(1)->text(1);
    g_Var.CurIP = IPConfig{0, 1, 2, 3, 4, 5};
    Press("FrameDevList1", "BtnCfg");
    ASSERT_TRUE(WaitForPage("FramePassword1"));
    EXPECT_EQ(FormatMAC(g_Var.Device.MAC), chosen);
    EXPECT_EQ(g_Var.CurIP.IpMode, 1);
    EXPECT_EQ(g_Var.CurIP.IP, 0u);
    EXPECT_EQ(g_Var.NewIP.IpMode, 1);
    // Back: the list and its selection as they were, no new search.
    Press("FramePassword1", "BtnBack");
    ASSERT_TRUE(WaitForPage("FrameDevList1"));
    EXPECT_EQ(DeviceList()->topLevelItemCount(), 2);
    ASSERT_EQ(DeviceList()->selectedItems().size(), 1);
    EXPECT_EQ(DeviceList()->selectedItems()[0]->text(1), chosen);
    EXPECT_TRUE(Control("FrameDevList1", "BtnCfg")->isEnabled());
    EXPECT_TRUE(Control("FrameDevList1", "PlSearch")->isHidden());
    EXPECT_EQ(Received(deviceA.Journal(), "discover").size(), 2);
}

TEST_F(PagesLab, WrongPasswordThenTheRightOne) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    StartDevice(device, "dev1", DeviceJson(kMacA, "Lobby", kStaticA));
    StartWizard();
    ASSERT_TRUE(WaitForSearch());
    SelectRow(0);
    Press("FrameDevList1", "BtnCfg");
    ASSERT_TRUE(WaitForPage("FramePassword1"));
    auto* box = Control<QLineEdit>("FramePassword1", "EdtPassword");
    EXPECT_EQ(box->text(), "tosca"); // the default password, as stored
    EXPECT_EQ(Control<QLabel>("FramePassword1", "LbDefPswd")->text(),
              "( default password : tosca )");

    TypePassword("guess");
    Press("FramePassword1", "BtnLogin");
    EXPECT_EQ(Boxes.Shown, QStringList{"Unable to login the deivce."});
    Settle();
    EXPECT_EQ(Current(), "FramePassword1");
    EXPECT_EQ(QApplication::focusWidget(), box);
    EXPECT_EQ(g_Var.Password, "guess");
    EXPECT_FALSE(Engine->LoggedIn);

    TypePassword("tosca");
    Press("FramePassword1", "BtnLogin");
    ASSERT_TRUE(WaitForPage("FrameSetupMethod1"));
    EXPECT_EQ(Boxes.Shown.size(), 1);
    EXPECT_TRUE(Engine->LoggedIn);
    EXPECT_EQ(g_Var.DeviceMode, DEVICE_AP);
    EXPECT_EQ(g_Var.CurIP.IpMode, 0);
    EXPECT_EQ(g_Var.CurIP.IP, 0x0A5B0102u);
    EXPECT_EQ(Control<QLabel>("FrameSetupMethod1", "LblIP")->text(), "10.91.1.2");
    EXPECT_EQ(Control<QLabel>("FrameSetupMethod1", "LblMask")->text(), "255.255.255.0");
    EXPECT_EQ(Control<QLabel>("FrameSetupMethod1", "LblGateway")->text(), "10.91.1.254");

    const QList<QJsonObject> journal = device.Journal();
    EXPECT_EQ(Requests(journal), (QStringList{"discover", "login", "login", "get_config"}));
    const QList<QJsonObject> logins = Received(journal, "login");
    EXPECT_EQ(logins[0].value("action").toString(), "refuse");
    EXPECT_EQ(logins[1].value("action").toString(), "answer");
}

// A configuration reply without any value is no configuration: the login
// fails. A login reply naming port 0 is taken without the port.
TEST_F(PagesLab, ReplyTakenForNoMoreThanItHolds) {
    SWP_REQUIRE_LAB();
    const struct {
        QByteArray extra;
        const char* page;
        QStringList shown;
    } cases[] = {
        {R"("requests": {"get_config": {"action": "refuse"}})",
         "FramePassword1",
         {"Unable to login the deivce."}},
        {R"("login_port_value": [0, 0])", "FrameSetupMethod1", {}},
    };
    for (const auto& c : cases) {
        Boxes.Shown.clear();
        CLabDevice device;
        StartDevice(device, "dev1", DeviceJson(kMacA, "Odd", kStaticA + ", " + c.extra));
        StartWizard();
        ASSERT_TRUE(WaitForSearch());
        SelectRow(0);
        Press("FrameDevList1", "BtnCfg");
        ASSERT_TRUE(WaitForPage("FramePassword1"));
        Press("FramePassword1", "BtnLogin");
        EXPECT_TRUE(WaitForPage(c.page)) << c.page;
        Settle();
        EXPECT_EQ(Current(), c.page);
        EXPECT_EQ(Boxes.Shown, c.shown);
        EXPECT_EQ(Engine->DestPort, 5432);
        EXPECT_EQ(Requests(device.Journal()), (QStringList{"discover", "login", "get_config"}));
        TearDown();
        SetUp();
    }
}

TEST_F(PagesLab, SilentDeviceEndsTheLoginAfterItsWait) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    StartDevice(device, "dev1", DeviceJson(kMacA, "Quiet", "\"foreign_login\": \"ignore\""));
    StartWizard();
    ASSERT_TRUE(WaitForSearch());
    SelectRow(0);
    Press("FrameDevList1", "BtnCfg");
    ASSERT_TRUE(WaitForPage("FramePassword1"));
    TypePassword("guess");
    Press("FramePassword1", "BtnLogin");
    EXPECT_EQ(Boxes.Shown, QStringList{"Unable to login the deivce."});
    Settle();
    EXPECT_EQ(Current(), "FramePassword1");
    EXPECT_EQ(Received(device.Journal(), "login")[0].value("action").toString(), "ignore");
}

TEST_F(PagesLab, DhcpOnADeviceThatUsesDhcpSendsNothing) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    StartDevice(device, "dev1", DeviceJson(kMacA, "Lobby", kDynamicA));
    StartWizard();
    LogIn();
    EXPECT_TRUE(Control<QRadioButton>("FrameSetupMethod1", "RBtnSetIPDHCP")->isChecked());
    EXPECT_EQ(Control<QPushButton>("FrameSetupMethod1", "BtnNext")->text(), "Configure");
    Press("FrameSetupMethod1", "BtnNext");
    ASSERT_TRUE(WaitForPage("FrameSetWlMethod1"));
    EXPECT_TRUE(Boxes.Shown.isEmpty());
    EXPECT_EQ(Requests(device.Journal()), (QStringList{"discover", "login", "get_config"}));
}

TEST_F(PagesLab, DhcpSwitchRetriedAfterOneLostRequest) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    StartDevice(device, "dev1",
                DeviceJson(kMacA, "Lobby",
                           kStaticA + ", \"requests\": {\"set_ip\": {\"action\": \"drop\", "
                                      "\"count\": 1}}"));
    StartWizard();
    LogIn();
    Press("FrameSetupMethod1", "BtnNext");
    ASSERT_TRUE(WaitForPage("FrameSetWlMethod1"));
    EXPECT_TRUE(Boxes.Shown.isEmpty());
    EXPECT_EQ(g_Var.CurIP.IpMode, 1); // read back from the device
    const QList<QJsonObject> journal = device.Journal();
    EXPECT_EQ(Requests(journal), (QStringList{"discover", "login", "get_config", "set_ip", "logout",
                                              "login", "set_ip", "get_config"}));
    for (const QJsonObject& set : Received(journal, "set_ip"))
        EXPECT_EQ(set.value("tlvs").toObject().value("IP_MODE").toInt(), 1);
}

TEST_F(PagesLab, DhcpSwitchRefusedStays) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    StartDevice(device, "dev1",
                DeviceJson(kMacA, "Lobby",
                           kStaticA + ", \"requests\": {\"set_ip\": {\"action\": \"refuse\"}}"));
    StartWizard();
    LogIn();
    Press("FrameSetupMethod1", "BtnNext");
    EXPECT_EQ(Boxes.Shown, QStringList{"Unable to connect to the device."});
    Settle();
    EXPECT_EQ(Current(), "FrameSetupMethod1");
    EXPECT_EQ(Received(device.Journal(), "set_ip").size(), 1);
}

TEST_F(PagesLab, StaticAddressWrittenAndReadBack) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    StartDevice(device, "dev1", DeviceJson(kMacA, "Lobby", kStaticA));
    StartWizard();
    LogIn();
    ChooseStatic();
    EXPECT_EQ(AddressEdit("IPEditIP")->GetAddress(), "10.91.1.2");
    EXPECT_EQ(AddressEdit("IPEditMask")->GetAddress(), "255.255.255.0");
    EXPECT_EQ(AddressEdit("IPEditGateway")->GetAddress(), "10.91.1.254");
    TypeAddress("IPEditIP", "10.91.1.50");
    Press("FrameDevIPCfg1", "BtnNext");
    ASSERT_TRUE(WaitForPage("FrameSetWlMethod1"));
    EXPECT_TRUE(Boxes.Shown.isEmpty());

    const QList<QJsonObject> journal = device.Journal();
    EXPECT_EQ(Requests(journal),
              (QStringList{"discover", "login", "get_config", "set_ip", "get_config"}));
    const QList<QJsonObject> set = Received(journal, "set_ip");
    ASSERT_EQ(set.size(), 1);
    const QJsonObject tlvs = set[0].value("tlvs").toObject();
    EXPECT_EQ(tlvs.value("IP_MODE").toInt(), 0);
    EXPECT_EQ(tlvs.value("LAN_IP").toString(), "10.91.1.50");
    EXPECT_EQ(tlvs.value("LAN_NETMASK").toString(), "255.255.255.0");
    EXPECT_EQ(tlvs.value("LAN_GATEWAY").toString(), "10.91.1.254");
    EXPECT_EQ(set[0].value("action").toString(), "answer");
    // The device reports the new address, and the wizard took it. (A reply's
    // journal line may follow the reply itself by a moment.)
    QList<QJsonObject> answered;
    device.WaitForJournal(
        [](const QList<QJsonObject>& j) { return Sent(j, "get_config").size() >= 2; }, 5000,
        &answered);
    const QList<QJsonObject> reads = Sent(answered, "get_config");
    ASSERT_EQ(reads.size(), 2);
    EXPECT_EQ(reads[1].value("tlvs").toObject().value("LAN_IP").toString(), "10.91.1.50");
    EXPECT_EQ(g_Var.CurIP.IP, 0x0A5B0132u);
    EXPECT_EQ(g_Var.NewIP.IP, 0x0A5B0132u); // the copy step before the wireless pages

    // Back to the setup method page: it shows the device's new address.
    Press("FrameSetWlMethod1", "BtnBack");
    ASSERT_TRUE(WaitForPage("FrameDevIPCfg1"));
    Press("FrameDevIPCfg1", "BtnBack");
    ASSERT_TRUE(WaitForPage("FrameSetupMethod1"));
    EXPECT_EQ(Control<QLabel>("FrameSetupMethod1", "LblIP")->text(), "10.91.1.50");
    EXPECT_TRUE(Control<QRadioButton>("FrameSetupMethod1", "RBtnSetIP")->isChecked());
}

TEST_F(PagesLab, SetIPTimeOutRetriedOnceThenFails) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    StartDevice(device, "dev1",
                DeviceJson(kMacA, "Lobby",
                           kStaticA + ", \"requests\": {\"set_ip\": {\"action\": \"drop\"}}"));
    StartWizard();
    LogIn();
    ChooseStatic();
    TypeAddress("IPEditIP", "10.91.1.60");
    Press("FrameDevIPCfg1", "BtnNext");
    EXPECT_EQ(Boxes.Shown, QStringList{"Unable to connect to the device."});
    Settle();
    EXPECT_EQ(Current(), "FrameDevIPCfg1");
    EXPECT_EQ(AddressEdit("IPEditIP")->GetAddress(), "10.91.1.60"); // the entry stays
    const QList<QJsonObject> journal = device.Journal();
    EXPECT_EQ(Requests(journal), (QStringList{"discover", "login", "get_config", "set_ip", "logout",
                                              "login", "set_ip"}));
    EXPECT_EQ(g_Var.CurIP.IP, 0x0A5B0102u);
}

TEST_F(PagesLab, EveryValidationRuleRefusesItsExample) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    StartDevice(device, "dev1", DeviceJson(kMacA, "Lobby", kStaticA));
    StartWizard();
    LogIn();
    ChooseStatic();
    ASSERT_EQ(Engine->LastLocalIP, "10.91.1.1");
    const char* badIP = "The IP Address entered is invalid.";
    const char* badMask = "The Subnet Mask entered is invalid.";
    const char* badGateway = "The Default Gateway entered is invalid.";
    const struct {
        const char* ip;
        const char* mask;
        const char* gateway;
        const char* message;
    } cases[] = {
        {"127.0.0.5", "255.0.0.0", "", badIP},
        {"0.0.0.0", "255.0.0.0", "", badIP},
        {"224.0.0.1", "255.255.255.0", "", badIP},
        {"192.168.1.0", "255.255.255.0", "", badIP},
        {"192.168.1.10", "255.0.255.0", "", badMask},
        {"192.168.1.10", "255.255.255.255", "", badMask},
        {"10.91.1.1", "255.255.255.0", "", "The IP Address is the same as local host IP."},
        {"192.168.1.10", "255.255.255.0", "192.168.2.1", badGateway},
        {"192.168.1.10", "255.255.255.0", "192.168.1.255", badGateway},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.ip) + " / " + c.mask + " / " + c.gateway);
        AddressEdit("IPEditIP")->SetAddress(c.ip);
        AddressEdit("IPEditMask")->SetAddress(c.mask);
        AddressEdit("IPEditGateway")->SetAddress(c.gateway);
        Boxes.Shown.clear();
        Press("FrameDevIPCfg1", "BtnNext");
        Settle();
        EXPECT_EQ(Boxes.Shown, QStringList{c.message});
        EXPECT_EQ(Current(), "FrameDevIPCfg1");
    }
    // An empty gateway is fine; 192.168.1.255 becomes 192.168.1.254 on the way.
    AddressEdit("IPEditIP")->SetAddress("192.168.1.255");
    AddressEdit("IPEditMask")->SetAddress("255.255.0.0");
    AddressEdit("IPEditGateway")->SetAddress("");
    Boxes.Shown.clear();
    Press("FrameDevIPCfg1", "BtnNext");
    ASSERT_TRUE(WaitForPage("FrameSetWlMethod1"));
    EXPECT_TRUE(Boxes.Shown.isEmpty());
    const QList<QJsonObject> set = Received(device.Journal(), "set_ip");
    ASSERT_EQ(set.size(), 1); // only the accepted entries reached the device
    EXPECT_EQ(set[0].value("tlvs").toObject().value("LAN_IP").toString(), "192.168.1.254");
    EXPECT_EQ(set[0].value("tlvs").toObject().value("LAN_NETMASK").toString(), "255.255.0.0");
    EXPECT_EQ(set[0].value("tlvs").toObject().value("LAN_GATEWAY").toString(), "0.0.0.0");
}

TEST_F(PagesLab, UnchangedStaticEntriesSendNothing) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    StartDevice(device, "dev1", DeviceJson(kMacA, "Lobby", kStaticA));
    StartWizard();
    LogIn();
    ChooseStatic();
    Press("FrameDevIPCfg1", "BtnNext");
    ASSERT_TRUE(WaitForPage("FrameSetWlMethod1"));
    EXPECT_EQ(Requests(device.Journal()), (QStringList{"discover", "login", "get_config"}));
}

TEST_F(PagesLab, NonWorkingWalksOnAfterFailures) {
    SWP_REQUIRE_LAB();
    // A device that is found but takes no login: another password, silent.
    CLabDevice device;
    StartDevice(
        device, "dev1",
        DeviceJson(kMacA, "Locked", "\"password\": \"other\", \"foreign_login\": \"ignore\""));
    StartWizard("NonWorking=1\n");
    ASSERT_TRUE(g_Var.NonWorking);
    ASSERT_TRUE(WaitForSearch());
    EXPECT_EQ(DeviceList()->topLevelItemCount(), 1);
    // Configure is open without a selection.
    EXPECT_TRUE(DeviceList()->selectedItems().isEmpty());
    EXPECT_TRUE(Control("FrameDevList1", "BtnCfg")->isEnabled());
    Press("FrameDevList1", "BtnCfg");
    ASSERT_TRUE(WaitForPage("FramePassword1"));
    Press("FramePassword1", "BtnLogin");
    ASSERT_TRUE(WaitForPage("FrameSetupMethod1"));
    EXPECT_EQ(Boxes.Shown, QStringList{"Unable to login the deivce."});
    ChooseStatic();
    TypeAddress("IPEditIP", "10.91.1.70");
    // Entering the empty mask proposes the one of the address class.
    QTest::mouseClick(AddressEdit("IPEditMask")->Box(2), Qt::LeftButton);
    EXPECT_EQ(AddressEdit("IPEditMask")->GetAddress(), "255.0.0.0");
    Press("FrameDevIPCfg1", "BtnNext");
    // No device mode was read: the wizard's starting mode (access point) picks
    // the wireless method page.
    EXPECT_EQ(g_Var.DeviceMode, DEVICE_AP);
    ASSERT_TRUE(WaitForPage("FrameSetWlMethod1"))
        << qPrintable(Current()) << ": " << qPrintable(Boxes.Shown.join(" | "));
    EXPECT_EQ(Boxes.Shown,
              (QStringList{"Unable to login the deivce.", "Unable to connect to the device."}));
    const QList<QJsonObject> journal = device.Journal();
    EXPECT_EQ(Requests(journal), (QStringList{"discover", "login", "login"}));
    EXPECT_TRUE(Received(journal, "set_ip").isEmpty());
}

TEST_F(PagesLab, NonWorkingGoesOnWithoutAnyDevice) {
    SWP_REQUIRE_LAB();
    StartWizard("NonWorking=1\n");
    ASSERT_TRUE(WaitForSearch());
    EXPECT_EQ(DeviceList()->topLevelItemCount(), 0);
    EXPECT_TRUE(Control("FrameDevList1", "BtnCfg")->isEnabled());
    Press("FrameDevList1", "BtnCfg");
    ASSERT_TRUE(WaitForPage("FramePassword1"));
    Press("FramePassword1", "BtnLogin");
    ASSERT_TRUE(WaitForPage("FrameSetupMethod1"));
    EXPECT_EQ(Boxes.Shown, QStringList{"Unable to login the deivce."});
    // Without a device the DHCP choice has nothing to change.
    Press("FrameSetupMethod1", "BtnNext");
    Settle();
    EXPECT_NE(Current(), "FrameSetupMethod1");
    EXPECT_EQ(Boxes.Shown.size(), 1);
}

TEST_F(PagesLab, AnotherDeviceChosenAfterGoingBackLogsIn) {
    SWP_REQUIRE_LAB();
    CLabDevice deviceA;
    CLabDevice deviceB;
    // Each leaves the other's logins alone, as the devices do.
    StartDevice(deviceA, "dev1",
                DeviceJson(kMacA, "First", kStaticA + ", \"foreign_login\": \"ignore\""));
    StartDevice(
        deviceB, "dev2",
        DeviceJson(kMacB, "Second",
                   "\"foreign_login\": \"ignore\", \"ip\": {\"dhcp\": false, \"ip\": "
                   "\"10.91.2.2\", \"mask\": \"255.255.255.0\", \"gateway\": \"0.0.0.0\"}"));
    StartWizard();
    ASSERT_TRUE(WaitForSearch());
    auto rowOf = [&](const char* mac) {
        for (int i = 0; i < DeviceList()->topLevelItemCount(); ++i)
            if (DeviceList()->topLevelItem(i)->text(1) == QLatin1String(mac))
                return i;
        return -1;
    };
    ASSERT_EQ(DeviceList()->topLevelItemCount(), 2);
    SelectRow(rowOf(kMacA));
    Press("FrameDevList1", "BtnCfg");
    ASSERT_TRUE(WaitForPage("FramePassword1"));
    Press("FramePassword1", "BtnLogin");
    ASSERT_TRUE(WaitForPage("FrameSetupMethod1"));
    EXPECT_EQ(Control<QLabel>("FrameSetupMethod1", "LblIP")->text(), "10.91.1.2");

    // Back to the list as it was, and on with the other device.
    Press("FrameSetupMethod1", "BtnBack");
    ASSERT_TRUE(WaitForPage("FrameDevList1"));
    SelectRow(rowOf(kMacB));
    Press("FrameDevList1", "BtnCfg");
    ASSERT_TRUE(WaitForPage("FramePassword1"));
    Press("FramePassword1", "BtnLogin");
    ASSERT_TRUE(WaitForPage("FrameSetupMethod1")) << qPrintable(Boxes.Shown.join(" | "));
    EXPECT_TRUE(Boxes.Shown.isEmpty());
    EXPECT_EQ(Control<QLabel>("FrameSetupMethod1", "LblIP")->text(), "10.91.2.2");
    EXPECT_EQ(FormatMAC(Engine->TargetMAC), kMacB);
    // (Requests go to every device; a device answers only its own host's.)
    const QStringList first = Requests(deviceA.Journal());
    EXPECT_EQ(first.mid(0, 4), (QStringList{"discover", "login", "get_config", "logout"}));
    const QList<QJsonObject> logins = Received(deviceB.Journal(), "login");
    ASSERT_EQ(logins.size(), 2);
    EXPECT_EQ(logins[0].value("action").toString(), "ignore"); // the first device's
    EXPECT_EQ(logins[1].value("action").toString(), "answer");
}
