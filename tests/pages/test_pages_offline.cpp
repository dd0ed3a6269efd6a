// The device list, password, setup method and IP settings pages in the wizard
// window, without a device: their controls, entries, captions, the IP rules and
// their messages, and the ways the pages go on without sending anything.
//
// The engine here never has a socket (it would only ever open one for a
// discovery, and its adapter filter names no adapter of this machine), so a
// request that a page starts goes nowhere and times out.

#include "pages/formtroubleshoot.h"
#include "pages/framedevipcfg.h"
#include "pages/framedevlist.h"
#include "pages/frameipeditrect.h"
#include "pages/framepassword.h"
#include "pages/framesetupmethod.h"
#include "platform/shell.h"
#include "protocol/formudp.h"
#include "settings/timing.h"
#include "tests/app/wizardfixture.h"
#include "tests/common/logcapture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>
#include <cstring>
#include <vector>

namespace {

const QByteArray kSkipIntro = "[Setting]\nSkipLicense=1\nSkipTutorial=1\n";
constexpr uint32_t kNone = 0xFFFFFFFFu;

constexpr uint32_t Address(int a, int b, int c, int d) {
    return (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(b) << 16) |
           (static_cast<uint32_t>(c) << 8) | static_cast<uint32_t>(d);
}

// Stands for the application's main window: records the page switches the
// pages ask for instead of carrying them out.
class CSwitchRecorder : public QObject {
public:
    QList<intptr_t> Requests;
    bool event(QEvent* e) override {
        if (e->type() == static_cast<QEvent::Type>(UM_PAGE_SWITCH)) {
            Requests << static_cast<CWinMessage*>(e)->WParam;
            return true;
        }
        return QObject::event(e);
    }
};

class FakeShell : public CShell {
public:
    QStringList Calls;
    int FindExecutable(const QString&, QString&) override { return SE_ERR_NOASSOC; }
    int ShellExecute(const QString& verb, const QString& target) override {
        Calls << verb + " " + target;
        return SHELL_OK;
    }
};

} // namespace

class PagesOffline : public WizardFixture {
protected:
    void TearDown() override {
        FormUDP = nullptr;
        Engine.reset();
        Timing::SetSpeedup(1);
        SetShell(nullptr);
        WizardFixture::TearDown(); // resets g_Var
    }

    // The wizard on the device list; page switches are recorded from then on.
    void Start(const QByteArray& settings = {}) {
        CreateWizard(kSkipIntro + settings);
        Settle();
        ASSERT_EQ(Form->CurrentFrame, Page<TFrameDevList>("FrameDevList1"));
        SetApplicationMainWindow(&Switches);
    }
    // An engine with no socket, reporting to the wizard window.
    void CreateEngine(const QString& lastLocalIP = {}) {
        Engine = std::make_unique<TFormUDP>(Form.get());
        Engine->SetAdapterFilter(QStringLiteral("192.0.2.254"));
        Engine->LastLocalIP = lastLocalIP;
        FormUDP = Engine.get();
    }
    template <class T> T* Page(const char* name) const {
        auto* page = Form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(page, nullptr) << name;
        return page;
    }
    template <class T = QWidget> T* Control(QWidget* page, const char* name) const {
        auto* control = page->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    // The switches asked for since the last call.
    QList<intptr_t> TakeSwitches() {
        QCoreApplication::sendPostedEvents(&Switches);
        QList<intptr_t> out;
        out.swap(Switches.Requests);
        return out;
    }
    void Enter(TFrameBase* page, Direction direction = Direction::Forward) {
        ASSERT_TRUE(Form->ShowFrame(page, direction, 0));
    }

    CSwitchRecorder Switches;
    std::unique_ptr<TFormUDP> Engine;
};

// ---------------------------------------------------------------------------
// IP settings page

class IPPageOffline : public PagesOffline {
protected:
    // A forward entry from the setup method page.
    void EnterIPPage(const IPConfig& current) {
        g_Var.CurIP = current;
        g_Var.NewIP = current;
        Ip = Page<TFrameDevIPCfg>("FrameDevIPCfg1");
        Enter(Page<TFrameSetupMethod>("FrameSetupMethod1"), Direction::Backward);
        Enter(Ip);
    }
    TFrameIPEditRect* Edit(const char* name) const { return Control<TFrameIPEditRect>(Ip, name); }
    void Fill(const QString& ip, const QString& mask, const QString& gateway) {
        Edit("IPEditIP")->SetAddress(ip);
        Edit("IPEditMask")->SetAddress(mask);
        Edit("IPEditGateway")->SetAddress(gateway);
    }
    // Configure pressed as the user presses it.
    void Configure() {
        Control<QPushButton>(Ip, "BtnNext")->click();
        Settle();
    }

    TFrameDevIPCfg* Ip = nullptr;
};

struct RuleCase {
    const char* ip;
    const char* mask;
    const char* gateway;
    const char* message; // null: accepted
};

TEST_F(IPPageOffline, ValidationRulesRefuseTheirExamplesInOrder) {
    Start();
    CreateEngine(QStringLiteral("10.91.1.1"));
    const char* badIP = "The IP Address entered is invalid.";
    const char* badMask = "The Subnet Mask entered is invalid.";
    const char* local = "The IP Address is the same as local host IP.";
    const char* badGateway = "The Default Gateway entered is invalid.";
    const RuleCase cases[] = {
        // 1: every address box filled
        {"192.168..1", "255.255.255.0", "", badIP},
        {"", "255.255.255.0", "", badIP},
        // 2: not 0, below 224.0.0.0, not 127.x
        {"127.0.0.5", "255.0.0.0", "", badIP},
        {"0.0.0.0", "255.0.0.0", "", badIP},
        {"224.0.0.1", "255.255.255.0", "", badIP},
        {"239.1.2.3", "", "", badIP}, // before the mask is looked at
        // 3: every mask box filled
        {"192.168.1.10", "255.255..0", "", badMask},
        {"192.168.1.10", "", "", badMask},
        // 4: a run of ones from the top
        {"192.168.1.10", "255.0.255.0", "", badMask},
        {"192.168.1.10", "255.255.255.255", "", badMask},
        {"192.168.1.10", "0.0.0.0", "", badMask},
        // 5: neither network nor broadcast address of its subnet
        {"192.168.1.0", "255.255.255.0", "", badIP},
        {"10.0.255.255", "255.255.0.0", "", nullptr}, // .255 becomes .254 first
        {"172.16.3.255", "255.255.254.0", "", nullptr},
        // 6: not this computer's address on the device's network
        {"10.91.1.1", "255.255.255.0", "", local},
        // 7: no gateway is fine
        {"192.168.1.10", "255.255.255.0", "", nullptr},
        // 8: every gateway box filled
        {"192.168.1.10", "255.255.255.0", "192.168..1", badGateway},
        // 9: same subnet
        {"192.168.1.10", "255.255.255.0", "192.168.2.1", badGateway},
        // 10: a host of the subnet
        {"192.168.1.10", "255.255.255.0", "192.168.1.255", badGateway},
        {"192.168.1.10", "255.255.255.0", "192.168.1.0", badGateway},
        {"192.168.1.10", "255.255.255.0", "192.168.1.1", nullptr},
        // Mended: no address on network 0, no gateway that is the device
        // itself or no host address at all.
        {"0.1.2.3", "255.0.0.0", "", badIP},
        {"192.168.1.10", "255.255.255.0", "192.168.1.10", badGateway},
        {"100.0.0.1", "128.0.0.0", "127.0.0.1", badGateway},
        {"200.1.1.1", "128.0.0.0", "230.0.0.1", badGateway},
    };
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(std::string(c.ip) + " / " + c.mask + " / " + c.gateway);
        EnterIPPage(IPConfig{});
        Fill(c.ip, c.mask, c.gateway);
        if (!c.message) {
            // Accepted: with the device already holding these values nothing is
            // sent and the page moves on.
            const QString ip = Edit("IPEditIP")->GetAddress();
            QString expected = ip;
            if (expected.endsWith(".255"))
                expected.replace(expected.size() - 1, 1, "4");
            g_Var.CurIP = IPConfig{0,
                                   TFrameDevIPCfg::AddressValue(expected),
                                   TFrameDevIPCfg::AddressValue(c.mask),
                                   TFrameDevIPCfg::AddressValue(c.gateway),
                                   0,
                                   0};
        }
        Boxes.Shown.clear();
        Configure();
        if (c.message) {
            EXPECT_EQ(Boxes.Shown, QStringList{c.message});
            EXPECT_TRUE(TakeSwitches().isEmpty());
        } else {
            EXPECT_TRUE(Boxes.Shown.isEmpty());
            EXPECT_EQ(TakeSwitches(), QList<intptr_t>{PAGE_NEXT});
        }
        EXPECT_EQ(Engine->PendingRequest, WAIT_NONE);
    }
}

TEST_F(IPPageOffline, RuleMessagesComeFromTheSettings) {
    Start("[Product]\nMsgTitle=Halvorn Setup\n[Message]\nErIPAddr=Bad address\n"
          "ErSubnetMask=Bad mask\nErIPSameAsLocahost=That is you\nErDefaultGateway=Bad gateway\n");
    CreateEngine(QStringLiteral("192.168.1.20"));
    const struct {
        const char* ip;
        const char* mask;
        const char* gateway;
        const char* message;
    } cases[] = {
        {"127.0.0.1", "255.0.0.0", "", "Bad address"},
        {"192.168.1.10", "255.0.255.0", "", "Bad mask"},
        {"192.168.1.20", "255.255.255.0", "", "That is you"},
        {"192.168.1.10", "255.255.255.0", "10.0.0.1", "Bad gateway"},
    };
    for (const auto& c : cases) {
        EnterIPPage(IPConfig{});
        Fill(c.ip, c.mask, c.gateway);
        Boxes.Shown.clear();
        Boxes.Captions.clear();
        Configure();
        EXPECT_EQ(Boxes.Shown, QStringList{c.message});
        EXPECT_EQ(Boxes.Captions, QStringList{"Halvorn Setup"});
    }
}

TEST_F(IPPageOffline, EntriesFromTheNewRecordAndKeptWhenEnteredBackwards) {
    Start();
    EnterIPPage(IPConfig{0, Address(192, 168, 0, 50), Address(255, 255, 255, 0), kNone,
                         Address(192, 168, 0, 1), 0});
    EXPECT_EQ(Edit("IPEditIP")->GetAddress(), "192.168.0.50");
    EXPECT_EQ(Edit("IPEditMask")->GetAddress(), "255.255.255.0");
    EXPECT_EQ(Edit("IPEditGateway")->GetAddress(), ""); // 255.255.255.255: none
    EXPECT_EQ(Edit("IPEditDNS1")->GetAddress(), "192.168.0.1");
    EXPECT_EQ(Edit("IPEditDNS2")->GetAddress(), "");
    EXPECT_TRUE(Control<QRadioButton>(Ip, "RBtnStatic")->isChecked());
    EXPECT_TRUE(Edit("IPEditIP")->isEnabled());
    // Hidden by the layout.
    EXPECT_TRUE(Edit("IPEditDNS1")->isHidden());
    EXPECT_TRUE(Control(Ip, "LbDNS2")->isHidden());
    EXPECT_TRUE(Control(Ip, "RBtnDHCP")->isHidden());
    EXPECT_EQ(Control<QPushButton>(Ip, "BtnNext")->text(), "Configure");

    g_Var.NewIP.Gateway = 0;
    Enter(Page<TFrameSetupMethod>("FrameSetupMethod1"), Direction::Backward);
    EXPECT_EQ(Edit("IPEditGateway")->GetAddress(), "");
    Edit("IPEditIP")->SetAddress("192.168.0.77");
    g_Var.NewIP.IP = Address(10, 0, 0, 1);
    Enter(Ip, Direction::Backward);
    EXPECT_EQ(Edit("IPEditIP")->GetAddress(), "192.168.0.77");
    Enter(Page<TFrameSetupMethod>("FrameSetupMethod1"), Direction::Backward);
    Enter(Ip, Direction::Forward);
    EXPECT_EQ(Edit("IPEditIP")->GetAddress(), "10.0.0.1");
}

TEST_F(IPPageOffline, MaskProposedWhenEnteringAnEmptyMask) {
    Start();
    Form->show();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    EnterIPPage(IPConfig{});
    auto enterMask = [&] {
        Edit("IPEditIP")->Box(4)->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
        Edit("IPEditMask")->Box(2)->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
        return Edit("IPEditMask")->GetAddress();
    };
    const struct {
        const char* typed;
        const char* proposed;
    } cases[] = {
        {"10.0.0.1", "255.0.0.0"},      {"127.1.1.1", "255.0.0.0"},
        {"128.1.1.1", "255.255.0.0"},   {"172.16.0.1", "255.255.0.0"},
        {"191.1.1.1", "255.255.0.0"},   {"192.1.1.1", "255.255.255.0"},
        {"200.1.1.1", "255.255.255.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        Edit("IPEditMask")->SetAddress("");
        Edit("IPEditIP")->SetAddress("");
        Edit("IPEditIP")->Box(1)->setFocus(Qt::MouseFocusReason);
        for (const char* key = c.typed; *key; ++key)
            QTest::keyClick(QApplication::focusWidget(), *key);
        EXPECT_EQ(Edit("IPEditIP")->GetAddress(), c.typed);
        EXPECT_EQ(enterMask(), c.proposed);
    }
    // A mask that is not empty is never replaced.
    Edit("IPEditMask")->SetAddress("255.255.255.128");
    Edit("IPEditIP")->SetAddress("10.0.0.1");
    EXPECT_EQ(enterMask(), "255.255.255.128");
    // No address, or no first octet: nothing to go by.
    Edit("IPEditMask")->SetAddress("");
    Edit("IPEditIP")->SetAddress("");
    EXPECT_EQ(enterMask(), "");
    // (Leaving the address control writes 0 into its empty boxes, so an empty
    // first box is only met when the focus comes from elsewhere.)
    Edit("IPEditGateway")->Box(1)->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    Edit("IPEditIP")->SetAddress(".1.2.3");
    Edit("IPEditMask")->Box(1)->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    EXPECT_EQ(Edit("IPEditMask")->GetAddress(), "");
}

TEST_F(IPPageOffline, BroadcastOctetBecomes254Silently) {
    Start();
    CreateEngine();
    EnterIPPage(IPConfig{});
    g_Var.CurIP = IPConfig{0, Address(192, 168, 1, 254), Address(255, 255, 0, 0), 0, 0, 0};
    Fill("192.168.1.255", "255.255.0.0", "");
    Configure();
    EXPECT_TRUE(Boxes.Shown.isEmpty());
    EXPECT_EQ(Edit("IPEditIP")->GetAddress(), "192.168.1.254");
    EXPECT_EQ(g_Var.NewIP.IP, Address(192, 168, 1, 254));
    EXPECT_EQ(TakeSwitches(), QList<intptr_t>{PAGE_NEXT});
}

TEST_F(IPPageOffline, NothingChangedSendsNothing) {
    Start();
    CreateEngine();
    CLogCapture log;
    const IPConfig current{0, Address(10, 0, 0, 5), Address(255, 0, 0, 0), Address(10, 0, 0, 1), 0,
                           0};
    EnterIPPage(current);
    Configure();
    EXPECT_TRUE(Boxes.Shown.isEmpty());
    EXPECT_EQ(TakeSwitches(), QList<intptr_t>{PAGE_NEXT});
    EXPECT_EQ(std::memcmp(&g_Var.NewIP, &current, sizeof current), 0);
    EXPECT_TRUE(log.Lines().filter("TFormUDP::").isEmpty()) << log.Lines().join('\n').toStdString();

    // A device that reports "no gateway" as 255.255.255.255 and an empty
    // gateway box: still unchanged.
    EnterIPPage(IPConfig{0, Address(10, 0, 0, 5), Address(255, 0, 0, 0), kNone, 0, 0});
    Configure();
    EXPECT_EQ(TakeSwitches(), QList<intptr_t>{PAGE_NEXT});
    EXPECT_TRUE(log.Lines().filter("TFormUDP::").isEmpty());

    // The same values on a device that uses DHCP: a change (to static).
    Timing::SetSpeedup(100);
    EnterIPPage(
        IPConfig{1, Address(10, 0, 0, 5), Address(255, 0, 0, 0), Address(10, 0, 0, 1), 0, 0});
    Configure();
    EXPECT_TRUE(log.Contains("TFormUDP::SendLogin()"));
    EXPECT_EQ(g_Var.NewIP.IpMode, 0);
}

TEST_F(IPPageOffline, FailedRequestIsReportedAndTheWalkThroughGoesOn) {
    Start();
    CreateEngine();
    Timing::SetSpeedup(100);
    CLogCapture log;
    EnterIPPage(IPConfig{1, 0, 0, 0, 0, 0});
    Fill("192.168.5.5", "255.255.255.0", "192.168.5.1");
    Configure();
    // Not logged in: one login, which no device answers.
    EXPECT_EQ(log.Lines().filter("TFormUDP::SendLogin()").size(), 1);
    EXPECT_TRUE(log.Lines().filter("TFormUDP::SendIPSetting()").isEmpty());
    EXPECT_EQ(Boxes.Shown, QStringList{"Unable to connect to the device."});
    EXPECT_TRUE(TakeSwitches().isEmpty());
    EXPECT_EQ(g_Var.NewIP.IP, Address(192, 168, 5, 5));
    EXPECT_EQ(g_Var.NewIP.Gateway, Address(192, 168, 5, 1));

    g_Var.NonWorking = true;
    Boxes.Shown.clear();
    Configure();
    EXPECT_EQ(Boxes.Shown, QStringList{"Unable to connect to the device."});
    EXPECT_EQ(TakeSwitches(), QList<intptr_t>{PAGE_NEXT});
}

TEST_F(IPPageOffline, ShownDhcpChoiceLeavesTheAddressBoxesAlone) {
    Start("[FormMain_FrameDevIPCfg1_Visible]\nRBtnDHCP=1\nRBtnStatic=1\n");
    CreateEngine();
    EnterIPPage(IPConfig{1, Address(10, 0, 0, 5), Address(255, 0, 0, 0), 0, 0, 0});
    auto* dhcp = Control<QRadioButton>(Ip, "RBtnDHCP");
    ASSERT_TRUE(dhcp->isVisibleTo(Ip));
    dhcp->click();
    EXPECT_FALSE(Edit("IPEditIP")->isEnabled());
    EXPECT_FALSE(Edit("IPEditGateway")->isEnabled());
    Edit("IPEditIP")->SetAddress(""); // whatever the disabled boxes hold
    Configure();
    EXPECT_TRUE(Boxes.Shown.isEmpty());
    EXPECT_EQ(TakeSwitches(), QList<intptr_t>{PAGE_NEXT}); // already on DHCP: nothing sent
    EXPECT_EQ(g_Var.NewIP.IpMode, 1);
    EXPECT_EQ(g_Var.NewIP.IP, Address(10, 0, 0, 5));
    Control<QRadioButton>(Ip, "RBtnStatic")->click();
    EXPECT_TRUE(Edit("IPEditIP")->isEnabled());
}

// ---------------------------------------------------------------------------
// Setup method page

class SetupMethodOffline : public PagesOffline {
protected:
    // Entered from the device list (forward) or from the IP page (backward).
    void EnterSetup(const IPConfig& current, Direction direction = Direction::Forward) {
        g_Var.CurIP = current;
        Setup = Page<TFrameSetupMethod>("FrameSetupMethod1");
        if (direction == Direction::Forward)
            Enter(Page<TFrameDevList>("FrameDevList1"), Direction::Backward);
        else
            Enter(Page<TFrameDevIPCfg>("FrameDevIPCfg1"), Direction::Forward);
        Enter(Setup, direction);
    }
    QString Value(const char* name) { return Control<QLabel>(Setup, name)->text(); }
    QRadioButton* Choice(const char* name) { return Control<QRadioButton>(Setup, name); }
    QPushButton* Next() { return Control<QPushButton>(Setup, "BtnNext"); }

    TFrameSetupMethod* Setup = nullptr;
};

TEST_F(SetupMethodOffline, CurrentNetworkInformation) {
    Start();
    EnterSetup(IPConfig{0, Address(192, 168, 0, 50), Address(255, 255, 255, 0),
                        Address(192, 168, 0, 1), 0, 0});
    EXPECT_EQ(Value("LblIP"), "192.168.0.50");
    EXPECT_EQ(Value("LblMask"), "255.255.255.0");
    EXPECT_EQ(Value("LblGateway"), "192.168.0.1");
    EnterSetup(IPConfig{1, 0, 0, 0, 0, 0}, Direction::Backward);
    EXPECT_EQ(Value("LblIP"), "0.0.0.0");
    EXPECT_EQ(Value("LblMask"), "0.0.0.0");
    EXPECT_EQ(Value("LblGateway"), "");
    EnterSetup(IPConfig{1, Address(10, 1, 1, 1), Address(255, 0, 0, 0), kNone, 0, 0},
               Direction::Backward);
    EXPECT_EQ(Value("LblGateway"), "");
    EXPECT_TRUE(Control<QLabel>(Setup, "LblIP")->font().bold());
    EXPECT_EQ(Choice("RBtnSetIPDHCP")->text(),
              QString::fromUtf8("‘Dynamic IP Address’ Configuration"));
    EXPECT_EQ(Choice("RBtnSetIP")->text(), QString::fromUtf8("‘Static IP Address’ Configuration"));
}

TEST_F(SetupMethodOffline, NextCaptionFollowsTheChoice) {
    Start();
    EnterSetup(IPConfig{});
    EXPECT_TRUE(Choice("RBtnSetIPDHCP")->isChecked());
    EXPECT_EQ(Next()->text(), "Configure");
    Choice("RBtnSetIP")->click();
    EXPECT_EQ(Next()->text(), "Next");
    Choice("RBtnSetIPDHCP")->click();
    EXPECT_EQ(Next()->text(), "Configure");
    Choice("RBtnSetIP")->click();
    // Back from a later page keeps the choice and its caption.
    Enter(Page<TFrameDevIPCfg>("FrameDevIPCfg1"));
    Enter(Setup, Direction::Backward);
    EXPECT_TRUE(Choice("RBtnSetIP")->isChecked());
    EXPECT_EQ(Next()->text(), "Next");
    // A forward entry starts from DHCP again.
    Enter(Page<TFrameDevList>("FrameDevList1"), Direction::Backward);
    Enter(Setup, Direction::Forward);
    EXPECT_TRUE(Choice("RBtnSetIPDHCP")->isChecked());
    EXPECT_EQ(Next()->text(), "Configure");
}

TEST_F(SetupMethodOffline, NextCaptionsFromTheSettings) {
    Start("[TFrameSetupMethod]\nBtnNext_DHCP=Apply\nBtnNext_STATIC=Continue\n");
    EnterSetup(IPConfig{});
    EXPECT_EQ(Next()->text(), "Apply");
    Choice("RBtnSetIP")->click();
    EXPECT_EQ(Next()->text(), "Continue");
}

TEST_F(SetupMethodOffline, DhcpOnADeviceOnDhcpAndStaticSendNothing) {
    Start();
    CreateEngine();
    CLogCapture log;
    const IPConfig dynamic{1, Address(10, 0, 0, 9), Address(255, 0, 0, 0), 0, 0, 0};
    EnterSetup(dynamic);
    g_Var.SetupMethod = 5;
    Next()->click();
    EXPECT_EQ(TakeSwitches(), QList<intptr_t>{PAGE_NEXT});
    EXPECT_EQ(g_Var.SetupMethod, 0);
    EXPECT_EQ(std::memcmp(&g_Var.NewIP, &dynamic, sizeof dynamic), 0);

    const IPConfig fixed{0, Address(10, 0, 0, 9), Address(255, 0, 0, 0), 0, 0, 0};
    EnterSetup(fixed);
    Choice("RBtnSetIP")->click();
    g_Var.SetupMethod = 5;
    Next()->click();
    EXPECT_EQ(TakeSwitches(), QList<intptr_t>{PAGE_NEXT});
    EXPECT_EQ(g_Var.SetupMethod, 0);
    EXPECT_EQ(std::memcmp(&g_Var.NewIP, &fixed, sizeof fixed), 0);
    EXPECT_TRUE(log.Lines().filter("TFormUDP::").isEmpty());
    EXPECT_TRUE(Boxes.Shown.isEmpty());
}

TEST_F(SetupMethodOffline, DhcpSwitchThatFailsIsReported) {
    Start();
    CreateEngine();
    Timing::SetSpeedup(100);
    CLogCapture log;
    EnterSetup(IPConfig{0, Address(10, 0, 0, 9), Address(255, 0, 0, 0), 0, 0, 0});
    Next()->click();
    EXPECT_EQ(Boxes.Shown, QStringList{"Unable to connect to the device."});
    EXPECT_EQ(log.Lines().filter("TFormUDP::SendLogin()").size(), 1);
    EXPECT_TRUE(TakeSwitches().isEmpty());
    EXPECT_EQ(g_Var.NewIP.IpMode, 1);

    g_Var.NonWorking = true;
    Boxes.Shown.clear();
    EnterSetup(g_Var.CurIP, Direction::Backward);
    Next()->click();
    EXPECT_EQ(Boxes.Shown, QStringList{"Unable to connect to the device."});
    EXPECT_EQ(TakeSwitches(), QList<intptr_t>{PAGE_NEXT});
}

TEST_F(SetupMethodOffline, HiddenChoicesWorkWhenTheSettingsShowThem) {
    Start("[FormMain_FrameSetupMethod1_Visible]\nRBtnSetWireless=1\nRBtnWebUI=1\n"
          "RBtnSetAdvance=1\n");
    FakeShell shell;
    SetShell(&shell);
    std::memset(&g_Var.CurWl, 0, sizeof g_Var.CurWl);
    std::strcpy(g_Var.CurWl.SSID, "office");
    std::strcpy(g_Var.NewWl.SSID, "stale");
    const IPConfig current{0, Address(192, 168, 0, 50), Address(255, 255, 255, 0), 0, 0, 0};
    EnterSetup(current);
    for (const char* name : {"RBtnSetWireless", "RBtnWebUI", "RBtnSetAdvance"})
        EXPECT_TRUE(Choice(name)->isVisibleTo(Setup)) << name;

    Choice("RBtnSetWireless")->click();
    EXPECT_EQ(Next()->text(), "Next");
    Next()->click();
    EXPECT_EQ(TakeSwitches(), QList<intptr_t>{PAGE_NEXT});
    EXPECT_EQ(g_Var.SetupMethod, 1);
    EXPECT_EQ(std::memcmp(&g_Var.NewIP, &current, sizeof current), 0);
    EXPECT_EQ(std::memcmp(&g_Var.NewWl, &g_Var.CurWl, sizeof g_Var.NewWl), 0);

    Choice("RBtnSetAdvance")->click();
    Next()->click();
    EXPECT_EQ(TakeSwitches(), QList<intptr_t>{PAGE_NEXT});
    EXPECT_EQ(g_Var.SetupMethod, 2);

    Choice("RBtnWebUI")->click();
    Next()->click();
    EXPECT_TRUE(TakeSwitches().isEmpty());
    EXPECT_EQ(shell.Calls, QStringList{"open http://192.168.0.50/"});

    // Without an address read from a device there is nothing to open.
    EnterSetup(IPConfig{1, 0, 0, 0, 0, 0}, Direction::Backward);
    Next()->click();
    EXPECT_EQ(shell.Calls.size(), 1);
    EXPECT_TRUE(Boxes.Shown.isEmpty());
}

TEST_F(SetupMethodOffline, HiddenChoicesAreHiddenByDefault) {
    Start();
    Setup = Page<TFrameSetupMethod>("FrameSetupMethod1");
    for (const char* name : {"RBtnSetWireless", "RBtnWebUI", "RBtnSetAdvance"})
        EXPECT_TRUE(Choice(name)->isHidden()) << name;
}

// ---------------------------------------------------------------------------
// Password page

TEST_F(PagesOffline, PasswordBoxAndHint) {
    Start();
    auto* page = Page<TFramePassword>("FramePassword1");
    auto* box = Control<QLineEdit>(page, "EdtPassword");
    auto* hint = Control<QLabel>(page, "LbDefPswd");
    EXPECT_EQ(box->maxLength(), 16);
    EXPECT_EQ(box->echoMode(), QLineEdit::Password);
    EXPECT_EQ(page->height(), 323);

    g_Var.Password = QStringLiteral("secret");
    Enter(page);
    EXPECT_EQ(box->text(), "secret");
    EXPECT_EQ(hint->text(), "( default password : tosca )");
    box->setText("typed");
    Enter(Page<TFrameSetupMethod>("FrameSetupMethod1"));
    Enter(page, Direction::Backward);
    EXPECT_EQ(box->text(), "typed"); // backwards: as the user left it
    EXPECT_EQ(hint->text(), "( default password : tosca )");
    box->setText(QString(20, 'x'));
    EXPECT_EQ(box->text().size(), 16);
}

TEST_F(PagesOffline, PasswordWithoutAnEngineFailsWithTheLoginMessage) {
    Start("[Product]\nMsgTitle=Halvorn\n");
    auto* page = Page<TFramePassword>("FramePassword1");
    Enter(page);
    auto* box = Control<QLineEdit>(page, "EdtPassword");
    box->setText("");
    Control<QPushButton>(page, "BtnLogin")->click();
    EXPECT_EQ(g_Var.Password, ""); // an empty password is taken as it is
    EXPECT_EQ(Boxes.Shown, QStringList{"Unable to login the deivce."});
    EXPECT_EQ(Boxes.Captions, QStringList{"Halvorn"});
    EXPECT_TRUE(TakeSwitches().isEmpty());

    g_Var.NonWorking = true;
    Control<QPushButton>(page, "BtnLogin")->click();
    EXPECT_EQ(Boxes.Shown.size(), 2);
    EXPECT_EQ(TakeSwitches(), QList<intptr_t>{PAGE_NEXT});
}

TEST_F(PagesOffline, PasswordPageDropsResultsOutsideALogin) {
    Start();
    auto* page = Page<TFramePassword>("FramePassword1");
    Enter(page);
    Form->HandleMessage(CUdpMessage(UM_UDP_RESULT, WAIT_LOGIN, 1));
    Form->HandleMessage(CUdpMessage(UM_UDP_TIMEOUT, WAIT_GET_CONFIG, 0));
    Settle();
    EXPECT_TRUE(TakeSwitches().isEmpty());
    EXPECT_TRUE(Boxes.Shown.isEmpty());
}

// ---------------------------------------------------------------------------
// Device list page

TEST_F(PagesOffline, DeviceListWithoutAnAdapter) {
    Start("[TFrameDevList]\nLvDevList_Col1=MAC\n");
    auto* page = Page<TFrameDevList>("FrameDevList1");
    auto* list = Control<QTreeWidget>(page, "LvDevList");
    ASSERT_EQ(list->columnCount(), 2);
    EXPECT_EQ(list->headerItem()->text(0), "Name");
    EXPECT_EQ(list->headerItem()->text(1), "MAC");
    EXPECT_EQ(list->columnWidth(0), 300);
    EXPECT_EQ(list->columnWidth(1), 168);
    EXPECT_EQ(list->topLevelItemCount(), 0);
    // No engine, so no search: nothing runs and Refresh stays usable.
    EXPECT_TRUE(Control(page, "BtnRefresh")->isEnabled());
    EXPECT_TRUE(Control(page, "PlSearch")->isHidden());
    EXPECT_FALSE(Control(page, "BtnCfg")->isEnabled());
    EXPECT_FALSE(page->TimerSearch.IsActive());
    EXPECT_EQ(Control<QLabel>(page, "PlSearch")->text(), "Searching...");

    // Configure without a selection does nothing unless walking through.
    page->BtnCfgClick();
    EXPECT_TRUE(TakeSwitches().isEmpty());
    g_Var.NonWorking = true;
    g_Var.CurIP = IPConfig{0, 1, 2, 3, 4, 5};
    std::strcpy(g_Var.NewWl.SSID, "stale");
    page->BtnCfgClick();
    EXPECT_EQ(TakeSwitches(), QList<intptr_t>{PAGE_NEXT});
    EXPECT_EQ(g_Var.CurIP.IpMode, 1);
    EXPECT_EQ(g_Var.CurIP.IP, 0u);
    EXPECT_STREQ(g_Var.NewWl.SSID, "wireless");
}

// No adapter opens (the engine's filter names none of this machine's): the
// search cannot start, Troubleshoot is offered with the text and place the
// settings give it, and its dialog says why; "Search again" searches again.
TEST_F(PagesOffline, TroubleshootSaysWhyTheSearchFoundNothing) {
    Start("[TFrameDevList]\nBtnTroubleshoot=Why not?\n"
          "[FormMain_FrameDevList1_CtrlPos]\nBtnTroubleshoot=20,226\n");
    CreateEngine();
    auto* page = Page<TFrameDevList>("FrameDevList1");
    auto* button = Control<QPushButton>(page, "BtnTroubleshoot");
    EXPECT_TRUE(button->isHidden());
    page->BtnRefreshClick();
    ASSERT_FALSE(button->isHidden());
    EXPECT_EQ("Why not?", button->text());
    EXPECT_EQ(20, button->x());

    page->BtnTroubleshootClick();
    TFormTroubleshoot* dialog = page->Troubleshoot();
    ASSERT_NE(nullptr, dialog);
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->Checking(); }, 10000));
    ASSERT_NE(nullptr, dialog->Result());
    const QString shown = Control<QTextBrowser>(dialog, "TxtFindings")->toPlainText();
    EXPECT_TRUE(shown.contains("No usable network adapter has the address 192.0.2.254"))
        << shown.toStdString();
    auto* search = Control<QPushButton>(dialog, "BtnSearch");
    ASSERT_TRUE(search->isEnabled());

    const qsizetype searches = Boxes.Shown.count("Unable to initialize adapter interface.");
    search->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(searches + 1, Boxes.Shown.count("Unable to initialize adapter interface."));
    EXPECT_FALSE(button->isHidden());
}

TEST_F(PagesOffline, TroubleshootHiddenByTheSettingsStaysHidden) {
    Start("[FormMain_FrameDevList1_Visible]\nBtnTroubleshoot=0\n");
    CreateEngine();
    auto* page = Page<TFrameDevList>("FrameDevList1");
    page->BtnRefreshClick();
    EXPECT_TRUE(Control(page, "BtnTroubleshoot")->isHidden());
}

TEST_F(SetupMethodOffline, StaticAddressChosenFollowsTheRadioButtons) {
    Start();
    EnterSetup(IPConfig{});
    EXPECT_FALSE(Setup->StaticAddressChosen()); // DHCP is checked on a forward entry
    Choice("RBtnSetIP")->setChecked(true);
    EXPECT_TRUE(Setup->StaticAddressChosen());
    Choice("RBtnSetIPDHCP")->setChecked(true);
    EXPECT_FALSE(Setup->StaticAddressChosen());
}
