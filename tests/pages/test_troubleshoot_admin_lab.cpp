// Troubleshoot as a desktop user runs it, without root (scripts/lab run
// --user nobody, no device): the firewall cannot be read, so the dialog leads
// with that and offers "Check as administrator". That check runs swpctl
// doctor through pkexec, by the shell seam here, and shows its report; when
// pkexec runs nothing (the password prompt dismissed) the dialog says so and
// the check can be tried again. Only that check would run as root.

#include "app/formmain.h"
#include "diagnosis/diagnosis.h"
#include "diagnosis/hostfacts.h"
#include "pages/formtroubleshoot.h"
#include "pages/framedevlist.h"
#include "protocol/formudp.h"
#include "settings/timing.h"
#include "tests/app/wizardfixture.h"
#include "tests/common/fakeshell.h"
#include "tests/common/labsim.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <memory>
#include <unistd.h>

namespace {

const QByteArray kSkipIntro = "[Setting]\nSkipLicense=1\nSkipTutorial=1\n";
constexpr int kBound = 30000; // guards against a hang, never expected to run out
const char kClient[] = "/opt/swp/bin/swpctl";
const QByteArray kRootReport =
    "No device answered (searched swpa0 10.91.1.1/24).\n\n"
    "[error] The firewall of this computer drops the devices' replies (UDP to port 5433) on "
    "swpa0\n  fix:\n    ufw: let the replies in (ufw keeps the rule)\n"
    "      sudo /usr/sbin/ufw allow in on swpa0 proto udp from any port 5432 to any port 5433\n";

class TroubleshootAdminLab : public WizardFixture {
protected:
    void SetUp() override {
        Timing::SetSpeedup(5);
        TFormTroubleshoot::SetAdminClient(QString::fromLatin1(kClient));
    }
    void TearDown() override {
        TFormTroubleshoot::SetAdminClient(QString());
        FormUDP = nullptr;
        Engine.reset();
        WizardFixture::TearDown();
        Timing::SetSpeedup(1);
    }
    std::unique_ptr<TFormUDP> Engine;
};

TEST_F(TroubleshootAdminLab, CheckAsAdministratorRunsThroughPkexecAndShowsItsReport) {
    SWP_REQUIRE_LAB();
    ASSERT_NE(0u, ::geteuid()) << "this test is meant to run as an unprivileged user";
    CFakeShell shell;
    CreateWizard(kSkipIntro);
    Engine = std::make_unique<TFormUDP>(Form.get());
    FormUDP = Engine.get();
    Form->show();
    Settle();
    auto* page = Form->findChild<TFrameDevList*>(QStringLiteral("FrameDevList1"));
    ASSERT_NE(nullptr, page);
    page->BtnRefreshClick();
    auto* troubleshoot = page->findChild<QPushButton*>(QStringLiteral("BtnTroubleshoot"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return troubleshoot->isVisible(); }, kBound));
    QTest::mouseClick(troubleshoot, Qt::LeftButton);
    TFormTroubleshoot* dialog = page->Troubleshoot();
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->Result() != nullptr; }, kBound));
    auto* findings = dialog->findChild<QTextBrowser*>(QStringLiteral("TxtFindings"));
    auto* info = dialog->findChild<QLabel*>(QStringLiteral("LbInfo"));
    auto* admin = dialog->findChild<QPushButton*>(QStringLiteral("BtnAdmin"));
    const QString shown = findings->toPlainText();
    // What could not be checked leads; no device reset while it is unchecked.
    EXPECT_TRUE(shown.startsWith("Not everything could be checked")) << shown.toStdString();
    EXPECT_LT(shown.indexOf("the firewall could not be checked"), shown.indexOf("device side"))
        << shown.toStdString();
    EXPECT_FALSE(shown.contains("factory settings")) << shown.toStdString();
    ASSERT_TRUE(admin->isVisible());

    const QString pkexec = diag::SystemProgram(QStringLiteral("pkexec"));
    ASSERT_FALSE(pkexec.isEmpty()) << "scripts/deps installs pkexec";
    const struct {
        const char* name;
        int result;
        QByteArray output;
        QByteArray error;
        const char* says;  // in the label
        const char* shows; // in the findings
        bool again;        // the button can be clicked again
    } cases[] = {
        {"password prompt dismissed", 126, "",
         "Error executing command as another user: Not "
         "authorized",
         "did not run (Error executing command as another user: Not authorized)",
         "the firewall could not be checked", true},
        {"no agent to ask", 127, "", "", "did not run (not authorized)",
         "the firewall could not be checked", true},
        {"the report as root", 12, kRootReport, "", "Checked as administrator. This is what",
         "sudo /usr/sbin/ufw allow in on swpa0", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        shell.Calls.clear();
        shell.RunResult = c.result;
        shell.RunOutput = c.output;
        shell.RunError = c.error;
        ASSERT_TRUE(admin->isEnabled());
        admin->click();
        EXPECT_EQ(QStringList{"run " + pkexec + " " + kClient + " doctor"}, shell.Calls);
        EXPECT_TRUE(info->text().contains(QLatin1String(c.says))) << info->text().toStdString();
        EXPECT_TRUE(findings->toPlainText().contains(QLatin1String(c.shows)))
            << findings->toPlainText().toStdString();
        EXPECT_EQ(c.again, admin->isEnabled());
    }
    // The wizard's sockets were closed for the check; "Search again" opens them.
    EXPECT_TRUE(Engine->Sockets().empty());
    dialog->findChild<QPushButton*>(QStringLiteral("BtnSearch"))->click();
    EXPECT_FALSE(Engine->Sockets().empty());
}

} // namespace
