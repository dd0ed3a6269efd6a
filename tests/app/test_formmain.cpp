#include "framework/framebase.h"
#include "pages/framelicense.h"
#include "pages/framesetupmethod.h"
#include "pages/framewlprofile.h"
#include "tests/app/wizardfixture.h"
#include "tests/common/screenreader.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBrowser>
#include <cstring>
#include <functional>
#include <vector>

namespace {

const QByteArray kSkipIntro = "[Setting]\nSkipLicense=1\nSkipTutorial=1\n";

struct NextRow {
    const char* current;
    int deviceMode;
    int setupMethod;
    int wlMethod;
    bool staticIP;
    const char* expected;     // null: stay
    bool manualRoute = false; // the client came by its survey's "Manual"
};

struct BackRow {
    const char* current;
    int deviceMode;
    int wlMethod;
    bool staticIP;
    TFormMain::BackStep::Kind kind;
    const char* target;
    Direction direction;
};

const NextRow kNextRows[] = {
    {nullptr, 1, 0, 0, false, "FrameLicense1"},
    {"FrameLicense1", 1, 0, 0, false, "FrameTutorial1"},
    {"FrameTutorial1", 1, 0, 0, false, "FrameTutorial21"},
    {"FrameTutorial21", 1, 0, 0, false, "FrameDevList1"},
    {"FrameDevList1", 1, 0, 0, false, "FramePassword1"},
    {"FramePassword1", 2, 0, 0, false, "FrameSetupMethod1"},
    {"FrameWlModeSel1", 1, 0, 0, false, "FrameSetupMethod1"},
    {"FrameWlModeSel1", 2, 0, 0, false, "FrameSiteSurvey1"},
    {"FrameSetupMethod1", 1, 0, 0, true, "FrameDevIPCfg1"},
    {"FrameSetupMethod1", 1, 0, 0, false, "FrameSetWlMethod1"},
    {"FrameSetupMethod1", 2, 0, 0, false, "FrameSiteSurvey1"},
    {"FrameSetupMethod1", 2, 0, 2, false, "FrameWlProfile1", true},
    {"FrameSetupMethod1", 2, 0, 2, false, "FrameSiteSurvey1"},
    {"FrameSetupMethod1", 1, 1, 0, true, "FrameSetWlMethod1"},
    {"FrameSetupMethod1", 2, 1, 1, false, "FrameSiteSurvey1"},
    {"FrameSetupMethod1", 2, 1, 2, false, "FrameWlProfile1", true},
    {"FrameSetupMethod1", 1, 2, 0, false, nullptr},
    {"FrameDevIPCfg1", 1, 0, 0, true, "FrameSetWlMethod1"},
    {"FrameDevIPCfg1", 2, 0, 0, true, "FrameSiteSurvey1"},
    {"FrameDevIPCfg1", 2, 0, 2, true, "FrameWlProfile1", true},
    {"FrameDevIPCfg1", 2, 0, 2, true, "FrameSiteSurvey1"},
    {"FrameSetWlMethod1", 1, 1, 0, false, "FrameWPSMethod1"},
    {"FrameSetWlMethod1", 1, 1, 1, false, "FrameWlProfile1"},
    {"FrameSetWlMethod1", 2, 1, 1, false, "FrameSiteSurvey1"},
    {"FrameSetWlMethod1", 1, 1, 2, false, nullptr},
    {"FrameSiteSurvey1", 2, 1, 1, false, "FrameWlProfile1"},
    {"FrameSiteSurvey1", 2, 1, 0, false, "FrameWPSMethod1"},
    {"FrameSiteSurvey1", 2, 1, 2, false, "FrameSetupMethod1"},
    {"FrameSiteSurvey1", 2, 1, 3, false, nullptr},
    {"FrameWlProfile1", 1, 1, 1, false, "FrameSuccess1"},
    {"FrameWPSMethod1", 1, 1, 0, false, "FrameSuccess1"},
    {"FrameSuccess1", 1, 1, 0, false, "FrameSetupMethod1"},
};

using K = TFormMain::BackStep::Kind;
const BackRow kBackRows[] = {
    {nullptr, 1, 0, false, K::Nothing, nullptr, Direction::Backward},
    {"FrameLicense1", 1, 0, false, K::EndWizard, nullptr, Direction::Backward},
    {"FrameTutorial1", 1, 0, false, K::EndWizard, nullptr, Direction::Backward},
    {"FrameTutorial21", 1, 0, false, K::Show, "FrameTutorial1", Direction::Backward},
    {"FrameDevList1", 1, 0, false, K::Show, "FrameTutorial21", Direction::Backward},
    {"FramePassword1", 1, 0, false, K::Show, "FrameDevList1", Direction::Backward},
    {"FrameWlModeSel1", 1, 0, false, K::Show, "FrameDevList1", Direction::Backward},
    {"FrameSetupMethod1", 1, 0, false, K::Show, "FrameDevList1", Direction::Backward},
    {"FrameDevIPCfg1", 1, 0, false, K::Show, "FrameSetupMethod1", Direction::Backward},
    {"FrameSetWlMethod1", 1, 0, true, K::Show, "FrameDevIPCfg1", Direction::Backward},
    {"FrameSetWlMethod1", 1, 0, false, K::Show, "FrameSetupMethod1", Direction::Backward},
    {"FrameSiteSurvey1", 2, 1, false, K::Show, "FrameWlModeSel1", Direction::Backward},
    {"FrameWlProfile1", 1, 1, false, K::Show, "FrameSetWlMethod1", Direction::Backward},
    {"FrameWlProfile1", 2, 1, false, K::Show, "FrameSiteSurvey1", Direction::Backward},
    {"FrameWlProfile1", 2, 2, true, K::Show, "FrameDevIPCfg1", Direction::Backward},
    {"FrameWlProfile1", 2, 2, false, K::Show, "FrameSetupMethod1", Direction::Backward},
    {"FrameWlProfile1", 2, 0, false, K::Nothing, nullptr, Direction::Backward},
    {"FrameWPSMethod1", 1, 0, false, K::Show, "FrameSetWlMethod1", Direction::Forward},
    {"FrameWPSMethod1", 2, 0, false, K::Show, "FrameSiteSurvey1", Direction::Backward},
    {"FrameSuccess1", 1, 0, false, K::Show, "FrameDevList1", Direction::Backward},
};
} // namespace

class FormMainTest : public WizardFixture {
protected:
    TFrameBase* Page(const char* name) {
        if (!name)
            return nullptr;
        auto* page = Form->findChild<TFrameBase*>(QString::fromLatin1(name));
        EXPECT_NE(page, nullptr) << name;
        return page;
    }
    QString Current() const {
        return Form->CurrentFrame ? Form->CurrentFrame->objectName() : QStringLiteral("none");
    }
    void SetStaticIP(bool on) {
        auto* setup = Form->findChild<TFrameSetupMethod*>("FrameSetupMethod1");
        setup->findChild<QRadioButton*>("RBtnSetIP")->setChecked(on);
        if (!on)
            setup->findChild<QRadioButton*>("RBtnSetIPDHCP")->setChecked(true);
    }
};

TEST_F(FormMainTest, NextRules) {
    CreateWizard(kSkipIntro);
    for (const NextRow& row : kNextRows) {
        SCOPED_TRACE(std::string(row.current ? row.current : "none") + " -> " +
                     (row.expected ? row.expected : "stay"));
        Form->CurrentFrame = Page(row.current);
        g_Var.DeviceMode = row.deviceMode;
        g_Var.SetupMethod = row.setupMethod;
        g_Var.WlMethod = row.wlMethod;
        SetStaticIP(row.staticIP);
        Form->SetManualRoute(row.manualRoute);
        // The profile host finishes its chain on its confirmation sub-page.
        if (auto* host = qobject_cast<TFrameWlProfile*>(Form->CurrentFrame))
            host->ShowSubPage(host->findChild<TFrameBase*>("FrameWlProfConfirm1"),
                              Direction::Forward);
        EXPECT_EQ(Form->NextTarget(), Page(row.expected));
    }
}

TEST_F(FormMainTest, CopyStepBeforeTheWirelessSteps) {
    CreateWizard(kSkipIntro);
    g_Var.CurIP = IPConfig{0, 0x0A000001, 0xFFFFFF00, 0x0A0000FE, 0, 0};
    g_Var.NewIP = IPConfig{};
    std::memset(&g_Var.CurWl, 0, sizeof g_Var.CurWl);
    std::strcpy(g_Var.CurWl.SSID, "office");
    g_Var.CurWl.Security = 2;
    std::strcpy(g_Var.NewWl.SSID, "stale");

    Form->CurrentFrame = Page("FrameSetupMethod1");
    g_Var.DeviceMode = DEVICE_AP;
    g_Var.SetupMethod = 0;
    SetStaticIP(false);
    EXPECT_EQ(Form->NextTarget(), Page("FrameSetWlMethod1"));
    EXPECT_EQ(g_Var.SetupMethod, 1);
    EXPECT_EQ(std::memcmp(&g_Var.NewIP, &g_Var.CurIP, sizeof g_Var.NewIP), 0);
    EXPECT_EQ(std::memcmp(&g_Var.NewWl, &g_Var.CurWl, sizeof g_Var.NewWl), 0);

    // With the static-IP choice the IP page comes first and nothing is copied.
    std::strcpy(g_Var.NewWl.SSID, "kept");
    g_Var.SetupMethod = 0;
    SetStaticIP(true);
    EXPECT_EQ(Form->NextTarget(), Page("FrameDevIPCfg1"));
    EXPECT_STREQ(g_Var.NewWl.SSID, "kept");
    EXPECT_EQ(g_Var.SetupMethod, 0);
}

TEST_F(FormMainTest, BackRules) {
    CreateWizard(kSkipIntro);
    for (const BackRow& row : kBackRows) {
        SCOPED_TRACE(std::string(row.current ? row.current : "none") + " back");
        Form->CurrentFrame = Page(row.current);
        g_Var.DeviceMode = row.deviceMode;
        g_Var.WlMethod = row.wlMethod;
        SetStaticIP(row.staticIP);
        const TFormMain::BackStep step = Form->BackTarget();
        EXPECT_EQ(step.kind, row.kind);
        if (row.kind == K::Show) {
            EXPECT_EQ(step.target, Page(row.target));
            EXPECT_EQ(step.direction, row.direction);
        }
    }
}

TEST_F(FormMainTest, StartupMakesTheLicensePageCurrentBeforeTheWizardShows) {
    WriteFile("License.txt", "Terms of use\r\n");
    CreateWizard("[Product]\nLicense=License.txt\n");
    EXPECT_EQ(Form->CurrentFrame, nullptr);
    Settle();
    EXPECT_EQ(Current(), "FrameLicense1");
    EXPECT_FALSE(Form->isVisible());
    auto* license = Form->findChild<TFrameLicense*>("FrameLicense1");
    auto* next = license->findChild<QPushButton*>("BtnNext");
    auto* accept = license->findChild<QCheckBox*>("ChkAccept");
    EXPECT_EQ(license->findChild<QTextBrowser*>("REdtLicense")->toPlainText().trimmed(),
              "Terms of use");
    EXPECT_FALSE(next->isEnabled());

    // Next stays refused until the terms are accepted.
    PostToMainWindow(UM_PAGE_SWITCH, PAGE_NEXT, 0);
    Settle();
    EXPECT_EQ(Current(), "FrameLicense1");
    accept->click();
    EXPECT_TRUE(next->isEnabled());
    next->click();
    Settle();
    EXPECT_EQ(Current(), "FrameTutorial1");
    EXPECT_TRUE(g_Var.LicenseAccepted);

    // Accepted once: a later forward entry passes straight on.
    Form->ShowFrame(license, Direction::Backward, 0);
    next->click();
    Settle();
    EXPECT_EQ(Current(), "FrameTutorial1");
    Form->ShowFrame(Page("FrameDevList1"), Direction::Forward, 0);
    Form->ShowFrame(license, Direction::Forward, 0);
    Settle();
    EXPECT_EQ(Current(), "FrameTutorial1");
}

TEST_F(FormMainTest, WithoutLicenseFileThePageIsPassedOver) {
    CreateWizard(QByteArray());
    QCoreApplication::sendPostedEvents(); // the first switch only
    EXPECT_EQ(Current(), "FrameLicense1");
    Settle();
    EXPECT_EQ(Current(), "FrameTutorial1");
    EXPECT_FALSE(g_Var.LicenseAccepted);
}

TEST_F(FormMainTest, SkippedIntroductionInBothDirections) {
    CreateWizard(kSkipIntro);
    Settle();
    EXPECT_EQ(Current(), "FrameDevList1");
    EXPECT_TRUE(g_Var.LicenseAccepted); // ticked on the user's behalf

    // Back passes back through both tutorial pages and ends the wizard.
    PostToMainWindow(UM_PAGE_SWITCH, PAGE_BACK, 0);
    Settle();
    EXPECT_EQ(Form->result(), TFormMain::ResultCancel);
    EXPECT_EQ(Current(), "FrameTutorial1");
    EXPECT_TRUE(Boxes.Asked.isEmpty());
}

TEST_F(FormMainTest, SkipSwitchesThatAreNotNumbersCountAsFalse) {
    WriteFile("License.txt", "Terms\n");
    CreateWizard("[Setting]\nSkipLicense=yes\nSkipTutorial=true\n[Product]\nLicense=License.txt\n");
    Settle();
    EXPECT_EQ(Current(), "FrameLicense1");
}

TEST_F(FormMainTest, ExitQuestionAndClosing) {
    CreateWizard(kSkipIntro);
    Settle();
    Form->setResult(0);
    Boxes.Answers = {false};
    PostToMainWindow(UM_PAGE_SWITCH, PAGE_EXIT, 0);
    Settle();
    EXPECT_EQ(Boxes.Asked, QStringList{"Do you want to exit the Setup Wizard?"});
    EXPECT_EQ(Form->result(), 0);
    EXPECT_EQ(Current(), "FrameDevList1");

    Boxes.Answers = {true};
    PostToMainWindow(UM_PAGE_SWITCH, PAGE_EXIT, 0);
    Settle();
    EXPECT_EQ(Form->result(), TFormMain::ResultExit);

    // The platform's close command ends the wizard like Back on the first page.
    Form->setResult(0);
    Form->show();
    Form->close();
    EXPECT_EQ(Form->result(), TFormMain::ResultCancel);
    EXPECT_EQ(Boxes.Asked.size(), 2);

    // Unknown switch codes change nothing.
    PostToMainWindow(UM_PAGE_SWITCH, 7, 0);
    Settle();
    EXPECT_EQ(Current(), "FrameDevList1");
}

TEST_F(FormMainTest, ExitQuestionTextFromTheSettings) {
    CreateWizard(kSkipIntro + "[Message]\nMSG_Exit=Quit now?\n[Product]\nMsgTitle=Wizard\n");
    Settle();
    PostToMainWindow(UM_PAGE_SWITCH, PAGE_EXIT, 0);
    Settle();
    EXPECT_EQ(Boxes.Asked, QStringList{"Quit now?"});
    EXPECT_EQ(Boxes.Captions, QStringList{"Wizard"});
}

TEST_F(FormMainTest, PrevFrameRecordsTheForwardEntry) {
    CreateWizard(kSkipIntro);
    Settle();
    TFrameBase* devList = Page("FrameDevList1");
    TFrameBase* password = Page("FramePassword1");
    TFrameBase* setup = Page("FrameSetupMethod1");
    ASSERT_TRUE(Form->ShowFrame(password, Direction::Forward, 0));
    EXPECT_EQ(password->PrevFrame, devList);
    ASSERT_TRUE(Form->ShowFrame(setup, Direction::Forward, 0));
    EXPECT_EQ(password->PrevFrame, devList); // left forward: kept
    ASSERT_TRUE(Form->ShowFrame(password, Direction::Backward, 0));
    EXPECT_EQ(password->PrevFrame, devList); // entered backward: unchanged
    ASSERT_TRUE(Form->ShowFrame(devList, Direction::Backward, 0));
    EXPECT_EQ(password->PrevFrame, nullptr); // left backward: cleared
    EXPECT_TRUE(devList->isVisible() || !Form->isVisible());
    EXPECT_TRUE(password->isHidden());
}

TEST_F(FormMainTest, ProtocolMessagesReachOnlyThePageOnScreen) {
    CreateWizard(kSkipIntro);
    // No page is current yet: the result is dropped without harm.
    Form->HandleMessage(CUdpMessage(UM_UDP_RESULT, WAIT_LOGIN, 1));
    Settle();
    EXPECT_EQ(Current(), "FrameDevList1");
    Form->HandleMessage(CUdpMessage(UM_UDP_TIMEOUT, WAIT_DISCOVER, 0));
    EXPECT_EQ(Current(), "FrameDevList1");
}

namespace {

// Notes the widgets that Return, Space and Escape reach first, and stops them
// there (a click would run the page's work).
class CKeyCatcher : public QObject {
public:
    CKeyCatcher() { qApp->installEventFilter(this); }
    ~CKeyCatcher() override { qApp->removeEventFilter(this); }
    QList<QObject*> Receivers;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
            return false; // the window hands the key on to its focus widget
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Space && key != Qt::Key_Escape)
            return false;
        Receivers << watched;
        return true;
    }
};

} // namespace

class FormMainKeysTest : public FormMainTest {
protected:
    // The page the user sees: on the profile host, its sub-page.
    static QWidget* Shown(TFrameBase* page) {
        auto* host = qobject_cast<TFrameWlProfile*>(page);
        return host && host->CurrentSubPage() ? host->CurrentSubPage() : page;
    }
    // The user clicked the button that asks for this switch, so it has the
    // focus (and in a dialog the default role) as the switch begins.
    static void FocusSwitchButton(QWidget* page, Direction direction) {
        // (The success page shows no Next in the design.)
        const QStringList names = direction == Direction::Forward
                                      ? QStringList{"BtnNext", "BtnCfg", "BtnLogin", "BtnBack"}
                                      : QStringList{"BtnBack"};
        for (const QString& name : names)
            if (auto* button = page->findChild<QPushButton*>(name); button && button->isVisible()) {
                button->setEnabled(true);
                button->setFocus(Qt::MouseFocusReason);
                ASSERT_EQ(QApplication::focusWidget(), button) << qPrintable(name);
                return;
            }
        FAIL() << qPrintable(page->objectName()) << " has no switch button";
    }
    // One switch as the user asks for it, then the three keys.
    void SwitchAndPressKeys(const std::function<void()>& doSwitch, QWidget* from,
                            Direction direction, const std::function<QWidget*()>& shown) {
        ASSERT_NO_FATAL_FAILURE(FocusSwitchButton(from, direction));
        doSwitch();
        Settle();
        QWidget* page = shown();
        SCOPED_TRACE(qPrintable(from->objectName() + " -> " + page->objectName()));
        CKeyCatcher catcher;
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Escape})
            QTest::keyClick(Form->windowHandle(), key);
        ASSERT_EQ(catcher.Receivers.size(), 3);
        for (QObject* receiver : catcher.Receivers) {
            auto* widget = qobject_cast<QWidget*>(receiver);
            EXPECT_TRUE(widget && widget->isVisible() && page->isAncestorOf(widget))
                << (widget ? qPrintable(widget->parentWidget()->objectName() + "." +
                                        widget->objectName())
                           : "not a widget");
        }
    }
    // No page passes itself over: every switch is the test's own.
    void ShowWizard() {
        WriteFile("License.txt", "Terms\n");
        // A picture's text equivalent comes from the product's settings.
        CreateWizard("[Product]\nLicense=License.txt\n"
                     "[TFrameTutorial2]\nImgTutorial2_Name=Power on (the product's words)\n");
        Settle();
        Form->show();
        Form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
        Form->findChild<QCheckBox*>("ChkAccept")->setChecked(true);
    }
};

TEST_F(FormMainKeysTest, KeysReachOnlyThePageShownAfterEverySwitch) {
    ASSERT_NO_FATAL_FAILURE(ShowWizard());
    auto walk = [&](const char* current, const char* target, Direction direction) {
        if (!current || !target)
            return;
        SCOPED_TRACE(std::string(current) + " -> " + target);
        TFrameBase* from = Page(current);
        TFrameBase* to = Page(target);
        ASSERT_TRUE(Form->ShowFrame(from, Direction::Forward, 0));
        SwitchAndPressKeys([&] { ASSERT_TRUE(Form->ShowFrame(to, direction, 0)); }, Shown(from),
                           direction, [&] { return Shown(to); });
    };
    for (const NextRow& row : kNextRows) {
        g_Var.DeviceMode = row.deviceMode;
        ASSERT_NO_FATAL_FAILURE(walk(row.current, row.expected, Direction::Forward));
    }
    for (const BackRow& row : kBackRows) {
        g_Var.DeviceMode = row.deviceMode;
        ASSERT_NO_FATAL_FAILURE(walk(row.current, row.target, row.direction));
    }
}

TEST_F(FormMainKeysTest, KeysReachOnlyTheSubPageShown) {
    ASSERT_NO_FATAL_FAILURE(ShowWizard());
    auto* host = Form->findChild<TFrameWlProfile*>("FrameWlProfile1");
    ASSERT_TRUE(Form->ShowFrame(host, Direction::Forward, 0));
    const struct {
        const char* target;
        Direction direction;
    } steps[] = {
        {"FrameWlProfWlMode1", Direction::Forward},  {"FrameWlProfSecurity1", Direction::Forward},
        {"FrameWlProfPSK1", Direction::Forward},     {"FrameWlProfConfirm1", Direction::Forward},
        {"FrameWlProfWEP1", Direction::Backward},    {"FrameWlProfSecurity1", Direction::Backward},
        {"FrameWlProfWlMode1", Direction::Backward}, {"FrameWlProfSSID1", Direction::Backward}};
    for (const auto& step : steps) {
        auto* to = host->findChild<TFrameBase*>(step.target);
        SwitchAndPressKeys([&] { ASSERT_TRUE(host->ShowSubPage(to, step.direction)); },
                           host->CurrentSubPage(), step.direction, [&] { return to; });
    }
}

TEST_F(FormMainTest, BackFromTheSurveyReturnsWhereTheUserCameFrom) {
    CreateWizard(kSkipIntro);
    Settle();
    g_Var.DeviceMode = DEVICE_WBRIDGE;
    TFrameBase* survey = Page("FrameSiteSurvey1");
    for (const char* from : {"FrameSetupMethod1", "FrameDevIPCfg1", "FrameWlModeSel1"}) {
        SCOPED_TRACE(from);
        ASSERT_TRUE(Form->ShowFrame(Page(from), Direction::Forward, 0));
        ASSERT_TRUE(Form->ShowFrame(survey, Direction::Forward, 0));
        // A look at WPS and back keeps the record.
        ASSERT_TRUE(Form->ShowFrame(Page("FrameWPSMethod1"), Direction::Forward, 0));
        ASSERT_TRUE(Form->ShowFrame(survey, Direction::Backward, 0));
        EXPECT_EQ(Form->BackTarget().target, Page(from));
    }
}

TEST_F(FormMainTest, ManualOnTheSurveyLeadsToTheProfileHostOnce) {
    CreateWizard(kSkipIntro);
    Settle();
    g_Var.DeviceMode = DEVICE_WBRIDGE;
    g_Var.SetupMethod = 1;
    SetStaticIP(false);
    ASSERT_TRUE(Form->ShowFrame(Page("FrameSiteSurvey1"), Direction::Forward, 0));
    g_Var.WlMethod = 2;
    Form->GoNext(0);
    ASSERT_EQ(Current(), "FrameSetupMethod1");
    Form->GoNext(0);
    ASSERT_EQ(Current(), "FrameWlProfile1");
    Form->GoBack(0); // from the SSID sub-page: out of the host
    ASSERT_EQ(Current(), "FrameSetupMethod1");
    Form->GoNext(0);
    EXPECT_EQ(Current(), "FrameSiteSurvey1");
}

// The keyboard on every page shown: the focus starts on the first control the
// user acts on there, or on the forward button (Next, Configure, Login,
// Connect) when there is none, never on Exit, Back or Save; Return presses
// the forward button whatever control has the focus, unless the focus is on
// another push button, which Return then presses; the success page has no
// forward button, so Return alone never asks the exit question there; Escape
// asks it on every page, as Exit does. The buttons only note their presses
// here: no page does its work.
TEST_F(FormMainKeysTest, ReturnPressesTheForwardButtonOfThePageShown) {
    ASSERT_NO_FATAL_FAILURE(ShowWizard());
    QList<QPushButton*> pressed;
    for (QPushButton* button : Form->findChildren<QPushButton*>()) {
        QObject::disconnect(button, &QAbstractButton::clicked, nullptr, nullptr);
        QObject::connect(button, &QAbstractButton::clicked, button,
                         [&pressed, button] { pressed << button; });
    }
    auto* host = Form->findChild<TFrameWlProfile*>("FrameWlProfile1");
    const struct {
        const char* page;
        const char* forward; // null: none, Return presses nothing
        const char* focus;   // where the keyboard starts
        const char* reads;   // what a screen reader reads there (name, description)
    } rows[] = {
        {"FrameLicense1", "BtnNext", "REdtLicense", "License Agreement"},
        {"FrameTutorial1", "BtnNext", "BtnNext",
         "Next Connect the device to your network Use the supplied Ethernet cable"},
        {"FrameTutorial21", "BtnNext", "BtnNext", "Next Power on (the product's words)"},
        {"FrameDevList1", "BtnCfg", "LvDevList", "Search for device on the network"},
        {"FramePassword1", "BtnLogin", "EdtPassword", "Password ( default password : tosca ) NOTE"},
        {"FrameWlModeSel1", "BtnNext", "RBtnAPMode", "Access Point Select this option"},
        {"FrameSetupMethod1", "BtnNext", "RBtnSetIPDHCP",
         "‘Dynamic IP Address’ Configuration With this setting the Halvorn will attain an IP "
         "address automatically."},
        {"FrameDevIPCfg1", "BtnNext", "EdtOctet1", "IP Address, field 1 of 4 Note: Please refer"},
        {"FrameSetWlMethod1", "BtnNext", "RBtnManual", "Manual Setup"},
        {"FrameSiteSurvey1", "BtnNext", "SurveyList", "Site Survey"},
        {"FrameWPSMethod1", "BtnNext", "RBtnPBC", "Push Button Method"},
        {"FrameSuccess1", nullptr, "LbSuccess1", "Congratulations! Your Halvorn is Now Configured"},
        {"FrameWlProfSSID1", "BtnNext", "EdtSSID", "SSID"},
        {"FrameWlProfWlMode1", "BtnNext", "CmbMode", "Wireless Mode 2.4GHz"},
        {"FrameWlProfSecurity1", "BtnNext", "CmbSecurity", "Security Mode: Wireless Security None"},
        {"FrameWlProfWEP1", "BtnNext", "EdtKey1", "WEP Key"},
        {"FrameWlProfPSK1", "BtnNext", "EdtPassphrase", "Pre-Shared Key"},
        {"FrameWlProfConfirm1", "BtnNext", "BtnNext", "Configure"},
    };
    const QString exitQuestion = QStringLiteral("Do you want to exit the Setup Wizard?");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.page);
        auto* page = Form->findChild<TFrameBase*>(row.page);
        ASSERT_NE(page, nullptr);
        if (host->isAncestorOf(page)) {
            ASSERT_TRUE(Form->ShowFrame(host, Direction::Forward, 0));
            ASSERT_TRUE(host->ShowSubPage(page, Direction::Forward));
        } else {
            ASSERT_TRUE(Form->ShowFrame(page, Direction::Forward, 0));
        }
        Settle();
        auto name = [&](QWidget* widget) {
            return widget ? QStringLiteral("%1.%2").arg(widget->parentWidget()->objectName(),
                                                        widget->objectName())
                          : QStringLiteral("none");
        };
        QWidget* const focus = QApplication::focusWidget();
        ASSERT_TRUE(focus && page->isAncestorOf(focus) && focus->objectName() == row.focus)
            << "the focus starts on " << qPrintable(name(focus));
        // Where the focus is can be seen by a user who moves it with the keyboard.
        // Not yet round a scroll area: the style draws no focus frame there, and an
        // empty list has no current row to mark.
        Form->window()->setAttribute(Qt::WA_KeyboardFocusChange);
        const QImage focused = focus->grab().toImage();
        focus->clearFocus();
        const QImage unfocused = focus->grab().toImage();
        focus->setFocus(Qt::TabFocusReason);
        if (!qobject_cast<QAbstractScrollArea*>(focus)) {
            EXPECT_NE(focused, unfocused) << "no focus indication on " << qPrintable(name(focus));
        }
        const QString heard = ScreenReaderSays(focus);
        EXPECT_TRUE(heard.contains(QString::fromUtf8(row.reads))) << qPrintable(heard);
        auto* forward = row.forward ? page->findChild<QPushButton*>(row.forward) : nullptr;
        ASSERT_TRUE(!row.forward || (forward && forward->isVisible()));
        if (forward)
            forward->setEnabled(true); // some wait for the user's input
        // Every control the keyboard reaches, the buttons last.
        QList<QWidget*> controls;
        for (QWidget* widget : page->findChildren<QWidget*>())
            if (widget->isVisible() && widget->isEnabled() &&
                (widget->focusPolicy() & Qt::TabFocus))
                (qobject_cast<QPushButton*>(widget) ? controls.append(widget)
                                                    : controls.prepend(widget));
        for (QWidget* control : controls) {
            control->setFocus(Qt::TabFocusReason);
            ASSERT_EQ(QApplication::focusWidget(), control) << qPrintable(name(control));
            pressed.clear();
            QTest::keyClick(Form->windowHandle(), Qt::Key_Return);
            Settle();
            auto* button = qobject_cast<QPushButton*>(control);
            const QList<QPushButton*> expected =
                button ? QList<QPushButton*>{button}
                       : (forward ? QList<QPushButton*>{forward} : QList<QPushButton*>{});
            // As vectors: Qt compares two empty lists with memcmp on no data.
            EXPECT_EQ(std::vector<QPushButton*>(pressed.begin(), pressed.end()),
                      std::vector<QPushButton*>(expected.begin(), expected.end()))
                << qPrintable(name(control)) << " pressed "
                << (pressed.isEmpty() ? "nothing" : qPrintable(pressed[0]->objectName()));
        }
        focus->setFocus(Qt::TabFocusReason);
        Boxes.Asked.clear();
        QTest::keyClick(Form->windowHandle(), Qt::Key_Escape);
        Settle();
        EXPECT_EQ(Boxes.Asked, QStringList{exitQuestion}) << "Escape";
        EXPECT_EQ(Form->result(), 0); // answered No: the wizard stays
    }
}
