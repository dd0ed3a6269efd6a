// Troubleshooting in the network lab, as a user meets it: a firewall on this
// computer drops the devices' replies (a rule of a plain nftables table, or
// ufw enabled with its defaults), the search on the device list finds
// nothing, Troubleshoot names the rule and, first, the command of the
// firewall's own manager that lets the replies in; once that command has run,
// "Search again" lists the device. ufw's files are private copies: the test
// runs through tests/common/private-firewall-files. With SWP_SCREENSHOT_DIR
// set, the dialog of the ufw case is saved there as troubleshoot.png.

#include "app/formmain.h"
#include "diagnosis/diagnosis.h"
#include "diagnosis/hostfacts.h"
#include "pages/formtroubleshoot.h"
#include "pages/framedevlist.h"
#include "protocol/formudp.h"
#include "settings/timing.h"
#include "tests/app/wizardfixture.h"
#include "tests/common/labsim.h"

#include <QDir>
#include <QFile>
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
const char kUfwOn[] = "/usr/sbin/ufw --force enable >/dev/null";
const char kUndo[] = "/usr/sbin/ufw --force disable >/dev/null 2>&1; nft flush ruleset";

// ufw writes its files: only ever to private copies of them.
bool FirewallFilesPrivate() {
    QFile mounts(QStringLiteral("/proc/self/mountinfo"));
    return qEnvironmentVariable("SWP_PRIVATE_FIREWALL_FILES") == QLatin1String("1") &&
           mounts.open(QIODevice::ReadOnly) &&
           mounts.readAll().contains(" /etc/ufw ") /* a mount of its own */;
}

bool Sh(const QString& command) {
    return QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command}) == 0;
}

class TroubleshootLab : public WizardFixture {
protected:
    void SetUp() override { Timing::SetSpeedup(kSpeedup); }
    void TearDown() override {
        Sh(QString::fromLatin1(kUndo));
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

TEST_F(TroubleshootLab, FirewallRuleNamedAndSearchAgainAfterTheManagersFix) {
    SWP_REQUIRE_LAB();
    ASSERT_TRUE(FirewallFilesPrivate()) << "run through tests/common/private-firewall-files";
    CLabDevice device;
    ASSERT_TRUE(device.Start(QStringLiteral("dev1"), kDevice)) << device.Error().toStdString();
    const struct {
        const char* name;
        const char* setUp;
        const char* rule; // shown as the deciding rule
        QString fix;      // the first command shown
        bool picture;
    } cases[] = {
        {"plain nftables", kDropRule, "udp dport 5433 drop",
         QStringLiteral("sudo %1 insert rule inet office input iifname { \"swpa0\", \"swpb0\" } "
                        "udp dport 5433 accept")
             .arg(diag::SystemCommand(QStringLiteral("nft"))),
         false},
        {"ufw", kUfwOn, "the chain's policy drop",
         QStringLiteral("sudo /usr/sbin/ufw allow proto udp from any port 5432 to any port 5433"),
         true},
    };
    CreateWizard(kSkipIntro);
    Engine = std::make_unique<TFormUDP>(Form.get());
    FormUDP = Engine.get();
    Form->show();
    Settle();
    auto* page = Form->findChild<TFrameDevList*>(QStringLiteral("FrameDevList1"));
    ASSERT_NE(nullptr, page);
    auto* list = Control<QTreeWidget>(page, "LvDevList");
    auto* troubleshoot = Control<QPushButton>(page, "BtnTroubleshoot");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Sh(QString::fromLatin1(c.setUp)));
        page->BtnRefreshClick();
        ASSERT_TRUE(QTest::qWaitFor([&] { return troubleshoot->isVisible(); }, kBound));
        EXPECT_EQ(0, list->topLevelItemCount());

        QTest::mouseClick(troubleshoot, Qt::LeftButton);
        TFormTroubleshoot* dialog = page->Troubleshoot();
        ASSERT_NE(nullptr, dialog);
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->Result() != nullptr; }, kBound));
        const QString shown = Control<QTextBrowser>(dialog, "TxtFindings")->toPlainText();
        EXPECT_TRUE(shown.contains(QLatin1String(c.rule))) << shown.toStdString();
        const diag::Finding* main = dialog->Result()->MainFinding();
        ASSERT_NE(nullptr, main);
        ASSERT_FALSE(main->fixes.isEmpty());
        EXPECT_EQ(c.fix.toStdString(), main->fixes.first().command.toStdString());
        ASSERT_TRUE(shown.contains(c.fix)) << shown.toStdString();
        EXPECT_FALSE(shown.contains(QLatin1String("Warning"))) << shown.toStdString();
        const QString folder = qEnvironmentVariable("SWP_SCREENSHOT_DIR");
        if (c.picture && !folder.isEmpty()) {
            EXPECT_TRUE(dialog->grab().save(QDir(folder).filePath("troubleshoot.png")));
        }

        // The fix as the dialog gives it (run as root here, so without sudo).
        ASSERT_TRUE(Sh(c.fix.mid(5) + QStringLiteral(" >/dev/null")));
        Control<QPushButton>(dialog, "BtnSearch")->click();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_TRUE(troubleshoot->isHidden());
        ASSERT_TRUE(QTest::qWaitFor([&] { return list->topLevelItemCount() == 1; }, kBound));
        EXPECT_EQ("Lobby AP", list->topLevelItem(0)->text(0));
        EXPECT_TRUE(troubleshoot->isHidden());
        ASSERT_TRUE(Sh(QString::fromLatin1(kUndo)));
    }
}

} // namespace
