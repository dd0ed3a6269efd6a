#include "app/framebase.h"
#include "pages/framelicense.h"
#include "pages/framesetupmethod.h"
#include "pages/framewlprofile.h"
#include "tests/app/wizardfixture.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QPushButton>
#include <QTextBrowser>
#include <cstring>

namespace {

const QByteArray kSkipIntro = "[Setting]\nSkipLicense=1\nSkipTutorial=1\n";

struct NextRow {
    const char* current;
    int deviceMode;
    int setupMethod;
    int wlMethod;
    bool staticIP;
    const char* expected; // null: stay
};

struct BackRow {
    const char* current;
    int deviceMode;
    int wlMethod;
    bool staticIP;
    TFormMain::BackStep::Kind kind;
    const char* target;
    int direction;
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
        setup->RBtnSetIP()->setChecked(on);
        if (!on)
            setup->findChild<QRadioButton*>("RBtnSetIPDHCP")->setChecked(true);
    }
};

TEST_F(FormMainTest, NextRules) {
    CreateWizard(kSkipIntro);
    const NextRow rows[] = {
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
        {"FrameSetupMethod1", 2, 0, 2, false, "FrameWlProfile1"},
        {"FrameSetupMethod1", 1, 1, 0, true, "FrameSetWlMethod1"},
        {"FrameSetupMethod1", 2, 1, 1, false, "FrameSiteSurvey1"},
        {"FrameSetupMethod1", 2, 1, 2, false, "FrameWlProfile1"},
        {"FrameSetupMethod1", 1, 2, 0, false, nullptr},
        {"FrameDevIPCfg1", 1, 0, 0, true, "FrameSetWlMethod1"},
        {"FrameDevIPCfg1", 2, 0, 0, true, "FrameSiteSurvey1"},
        {"FrameDevIPCfg1", 2, 0, 2, true, "FrameWlProfile1"},
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
    for (const NextRow& row : rows) {
        SCOPED_TRACE(std::string(row.current ? row.current : "none") + " -> " +
                     (row.expected ? row.expected : "stay"));
        Form->CurrentFrame = Page(row.current);
        g_Var.DeviceMode = row.deviceMode;
        g_Var.SetupMethod = row.setupMethod;
        g_Var.WlMethod = row.wlMethod;
        SetStaticIP(row.staticIP);
        // The profile host finishes its chain on its confirmation sub-page.
        if (auto* host = qobject_cast<TFrameWlProfile*>(Form->CurrentFrame))
            host->ShowSubPage(host->findChild<TFrameBase*>("FrameWlProfConfirm1"), 0);
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
    using K = TFormMain::BackStep::Kind;
    const BackRow rows[] = {
        {nullptr, 1, 0, false, K::Nothing, nullptr, 1},
        {"FrameLicense1", 1, 0, false, K::EndWizard, nullptr, 1},
        {"FrameTutorial1", 1, 0, false, K::EndWizard, nullptr, 1},
        {"FrameTutorial21", 1, 0, false, K::Show, "FrameTutorial1", 1},
        {"FrameDevList1", 1, 0, false, K::Show, "FrameTutorial21", 1},
        {"FramePassword1", 1, 0, false, K::Show, "FrameDevList1", 1},
        {"FrameWlModeSel1", 1, 0, false, K::Show, "FrameDevList1", 1},
        {"FrameSetupMethod1", 1, 0, false, K::Show, "FrameDevList1", 1},
        {"FrameDevIPCfg1", 1, 0, false, K::Show, "FrameSetupMethod1", 1},
        {"FrameSetWlMethod1", 1, 0, true, K::Show, "FrameDevIPCfg1", 1},
        {"FrameSetWlMethod1", 1, 0, false, K::Show, "FrameSetupMethod1", 1},
        {"FrameSiteSurvey1", 2, 1, false, K::Show, "FrameWlModeSel1", 1},
        {"FrameWlProfile1", 1, 1, false, K::Show, "FrameSetWlMethod1", 1},
        {"FrameWlProfile1", 2, 1, false, K::Show, "FrameSiteSurvey1", 1},
        {"FrameWlProfile1", 2, 2, true, K::Show, "FrameDevIPCfg1", 1},
        {"FrameWlProfile1", 2, 2, false, K::Show, "FrameSetupMethod1", 1},
        {"FrameWlProfile1", 2, 0, false, K::Nothing, nullptr, 1},
        {"FrameWPSMethod1", 1, 0, false, K::Show, "FrameSetWlMethod1", 0},
        {"FrameWPSMethod1", 2, 0, false, K::Show, "FrameSiteSurvey1", 1},
        {"FrameSuccess1", 1, 0, false, K::Show, "FrameDevList1", 1},
    };
    for (const BackRow& row : rows) {
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
    Form->ShowFrame(license, 1, 0);
    next->click();
    Settle();
    EXPECT_EQ(Current(), "FrameTutorial1");
    Form->ShowFrame(Page("FrameDevList1"), 0, 0);
    Form->ShowFrame(license, 0, 0);
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
    ASSERT_TRUE(Form->ShowFrame(password, 0, 0));
    EXPECT_EQ(password->PrevFrame, devList);
    ASSERT_TRUE(Form->ShowFrame(setup, 0, 0));
    EXPECT_EQ(password->PrevFrame, devList); // left forward: kept
    ASSERT_TRUE(Form->ShowFrame(password, 1, 0));
    EXPECT_EQ(password->PrevFrame, devList); // entered backward: unchanged
    ASSERT_TRUE(Form->ShowFrame(devList, 1, 0));
    EXPECT_EQ(password->PrevFrame, nullptr); // left backward: cleared
    EXPECT_TRUE(devList->isVisible() || !Form->isVisible());
    EXPECT_TRUE(password->isHidden());
}

TEST_F(FormMainTest, ProtocolMessagesReachOnlyThePageOnScreen) {
    CreateWizard(kSkipIntro);
    // No page is current yet: the result is dropped without harm.
    Form->HandleMessage(CWinMessage(UM_UDP_RESULT, WAIT_LOGIN, 1));
    Settle();
    EXPECT_EQ(Current(), "FrameDevList1");
    Form->HandleMessage(CWinMessage(UM_UDP_TIMEOUT, WAIT_DISCOVER, 0));
    EXPECT_EQ(Current(), "FrameDevList1");
}
