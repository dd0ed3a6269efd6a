// Troubleshooting in the network lab, as a user meets it: a firewall rule on
// this computer drops the devices' replies, the search on the device list
// finds nothing, Troubleshoot names the rule and the command that lets the
// replies in; once that command has run, "Search again" lists the device.
// With SWP_SCREENSHOT_DIR set, the dialog is saved there as troubleshoot.png.

#include "app/formmain.h"
#include "diagnosis/hostfacts.h"
#include "pages/formtroubleshoot.h"
#include "pages/framedevlist.h"
#include "protocol/formudp.h"
#include "settings/timing.h"
#include "tests/app/wizardfixture.h"
#include "tests/common/labsim.h"

#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>
#include <memory>

namespace {

const QByteArray kSkipIntro = "[Setting]\nSkipLicense=1\nSkipTutorial=1\n";
constexpr int kSpeedup = 5;
constexpr int kBound = 30000; // guards against a hang, never expected to run out

const char kDevice[] = R"({"name": "Lobby AP", "mac": "02:5A:00:07:01:01"})";
const char kDropRule[] = "nft add table inet office && nft add chain inet office input "
                         "'{ type filter hook input priority 0; policy accept; }' && "
                         "nft add rule inet office input udp dport 5433 drop";

bool Sh(const QString& command) {
    return QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command}) == 0;
}

class TroubleshootLab : public WizardFixture {
protected:
    void SetUp() override { Timing::SetSpeedup(kSpeedup); }
    void TearDown() override {
        Sh(QStringLiteral("nft delete table inet office 2>/dev/null"));
        FormUDP = nullptr;
        Engine.reset();
        WizardFixture::TearDown();
        Timing::SetSpeedup(1);
    }
    template <class T = QWidget> T* Control(QWidget* owner, const char* name) const {
        T* control = owner->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    std::unique_ptr<TFormUDP> Engine;
};

TEST_F(TroubleshootLab, FirewallRuleNamedAndSearchAgainAfterTheFix) {
    SWP_REQUIRE_LAB();
    CLabDevice device;
    ASSERT_TRUE(device.Start(QStringLiteral("dev1"), kDevice)) << device.Error().toStdString();
    ASSERT_TRUE(Sh(QString::fromLatin1(kDropRule)));

    CreateWizard(kSkipIntro);
    Engine = std::make_unique<TFormUDP>(Form.get());
    FormUDP = Engine.get();
    Form->show();
    Settle();
    auto* page = Form->findChild<TFrameDevList*>(QStringLiteral("FrameDevList1"));
    ASSERT_NE(nullptr, page);
    page->BtnRefreshClick();
    auto* list = Control<QTreeWidget>(page, "LvDevList");
    auto* troubleshoot = Control<QPushButton>(page, "BtnTroubleshoot");
    ASSERT_TRUE(QTest::qWaitFor([&] { return troubleshoot->isVisible(); }, kBound));
    EXPECT_EQ(0, list->topLevelItemCount());

    QTest::mouseClick(troubleshoot, Qt::LeftButton);
    TFormTroubleshoot* dialog = page->Troubleshoot();
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->Result() != nullptr; }, kBound));
    const QString shown = Control<QTextBrowser>(dialog, "TxtFindings")->toPlainText();
    EXPECT_TRUE(shown.contains("udp dport 5433 drop")) << shown.toStdString();
    const QString command = QStringLiteral("sudo %1 insert rule inet office input iifname { "
                                           "\"swpa0\", \"swpb0\" } udp dport 5433 accept")
                                .arg(diag::SystemCommand(QStringLiteral("nft")));
    ASSERT_TRUE(shown.contains(command)) << shown.toStdString();
    const QString folder = qEnvironmentVariable("SWP_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(dialog->grab().save(QDir(folder).filePath("troubleshoot.png")));
    }

    // The fix as the dialog gives it (run as root here, so without sudo).
    ASSERT_TRUE(Sh(command.mid(5)));
    Control<QPushButton>(dialog, "BtnSearch")->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(troubleshoot->isHidden());
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->topLevelItemCount() == 1; }, kBound));
    EXPECT_EQ("Lobby AP", list->topLevelItem(0)->text(0));
    EXPECT_TRUE(troubleshoot->isHidden());
}

} // namespace
