#include "pages/formautorun.h"
#include "platform/shell.h"
#include "platform/windowfind.h"
#include "settings/globalvar.h"
#include "settings/timing.h"
#include "settings/winmessage.h"
#include "tests/common/fakeshell.h"
#include "tests/common/printers.h"
#include "tests/common/scriptedboxes.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

bool g_InstallerWindow = false;
int g_Searches = 0;
bool FakeFinder(const QString& title) {
    ++g_Searches;
    return g_InstallerWindow && title == "Reader Setup";
}

// Records the messages the launcher relays.
class RecordingWizard : public QDialog {
public:
    QList<std::tuple<int, intptr_t, intptr_t>> received;

protected:
    bool event(QEvent* e) override {
        if (e->type() == static_cast<QEvent::Type>(UM_PAGE_SWITCH)) {
            auto* m = static_cast<CWinMessage*>(e);
            received.append({m->Message(), m->WParam, m->LParam});
            return true;
        }
        if (e->type() == static_cast<QEvent::Type>(UM_UDP_RESULT)) {
            auto* m = static_cast<CUdpMessage*>(e);
            received.append({m->Message(), m->Code(), m->Value()});
            return true;
        }
        return QDialog::event(e);
    }
};

} // namespace

class FormAutorunTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetWindowFinder(&FakeFinder);
        g_InstallerWindow = false;
        g_Searches = 0;
        Timing::SetSpeedup(1000);
    }
    void TearDown() override {
        SetWindowFinder(nullptr);
        Timing::SetSpeedup(1);
    }
    void Load(const QByteArray& settings) {
        QFile file(m_Dir.filePath("Setup.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(settings);
        file.close();
        g_Var.Load(m_Dir.filePath("Setup"));
    }
    void WriteGuide() {
        QFile guide(m_Dir.filePath("Guide.pdf"));
        ASSERT_TRUE(guide.open(QIODevice::WriteOnly));
        guide.write("%PDF-1.4\n");
    }

    QTemporaryDir m_Dir;
    CFakeShell Shell;
    CScriptedBoxes Boxes;
};

TEST_F(FormAutorunTest, UserGuideNotConfigured) {
    Load("");
    TFormAutorun autorun;
    autorun.BtnUG_UGClick();
    EXPECT_EQ(Boxes.Shown, QStringList{"Unable to open the user guide."});
    EXPECT_TRUE(Boxes.Asked.isEmpty());
}

TEST_F(FormAutorunTest, UserGuideOpens) {
    Load("[Product]\nUserGuide=Guide.pdf\n");
    WriteGuide();
    TFormAutorun autorun;
    autorun.BtnUG_UGClick();
    EXPECT_TRUE(Boxes.Shown.isEmpty());
    EXPECT_EQ(Shell.Calls.last(), "open " + g_Var.AppPath + "Guide.pdf");
}

TEST_F(FormAutorunTest, InstallOfferAndInstallerWatch) {
    Load("[Product]\nUserGuide=Guide.pdf\nAcrobatReader=AdbeRdr.exe\n"
         "AcrobatReaderTitle=Reader Setup\n");
    WriteGuide();
    Shell.FindResult = SE_ERR_NOASSOC;
    TFormAutorun autorun;

    Boxes.Answers = {false};
    autorun.BtnUG_UGClick();
    EXPECT_EQ(Boxes.Asked,
              QStringList{"Acrobat Reader is not installed. Would you like to install it now?"});
    EXPECT_FALSE(autorun.TimerInstAcrobat.IsActive());

    Boxes.Answers = {true};
    autorun.BtnUG_UGClick();
    EXPECT_EQ(Shell.Calls.last(), "open " + g_Var.AppPath + "AdbeRdr.exe");
    ASSERT_TRUE(autorun.TimerInstAcrobat.IsActive());
    EXPECT_EQ(autorun.TimerInstAcrobat.Interval(), Timing::Interval(10000));

    // While the installation is watched the entry does nothing more.
    autorun.BtnUG_UGClick();
    EXPECT_EQ(Boxes.Asked.size(), 2);

    // The installer's window is seen: polled every second, misses counted.
    g_InstallerWindow = true;
    autorun.TimerInstAcrobatTimer();
    EXPECT_EQ(autorun.TimerInstAcrobat.Interval(), Timing::Interval(1000));
    g_InstallerWindow = false;
    autorun.TimerInstAcrobatTimer();
    autorun.TimerInstAcrobatTimer();
    g_InstallerWindow = true;
    autorun.TimerInstAcrobatTimer(); // seen again: misses are not reset
    g_InstallerWindow = false;
    autorun.TimerInstAcrobatTimer();
    EXPECT_TRUE(autorun.TimerInstAcrobat.IsActive());
    EXPECT_EQ(autorun.MissCounter(), 3);
    const int callsBefore = Shell.Calls.size();
    autorun.TimerInstAcrobatTimer(); // the fourth miss: the guide is tried again
    EXPECT_FALSE(autorun.TimerInstAcrobat.IsActive());
    EXPECT_EQ(autorun.MissCounter(), 0);
    EXPECT_EQ(Shell.Calls.mid(callsBefore), QStringList{"find " + g_Var.AppPath + "Guide.pdf"});
    EXPECT_EQ(Boxes.Shown.size(), 0);
}

TEST_F(FormAutorunTest, InstallerMissing) {
    Load("[Product]\nUserGuide=Guide.pdf\n");
    WriteGuide();
    Shell.FindResult = SE_ERR_NOASSOC;
    Shell.OpenResult = SE_ERR_FNF;
    TFormAutorun autorun;
    Boxes.Answers = {true};
    autorun.BtnUG_UGClick();
    EXPECT_EQ(Shell.Calls.last(), "open "); // no installer named: an empty path
    EXPECT_EQ(Boxes.Shown, QStringList{"Unable to find Acrobat Reader setup file."});
    EXPECT_FALSE(autorun.TimerInstAcrobat.IsActive());
}

TEST_F(FormAutorunTest, WatchEndsWhenTheInstallerNeverShowsItsWindow) {
    Load("[Product]\nUserGuide=Guide.pdf\nAcrobatReaderTitle=Reader Setup\n");
    WriteGuide();
    Shell.FindResult = SE_ERR_NOASSOC;
    TFormAutorun autorun;
    Boxes.Answers = {true};
    autorun.BtnUG_UGClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !autorun.TimerInstAcrobat.IsActive(); }, 5000));
    EXPECT_EQ(g_Searches, 4);
}

TEST_F(FormAutorunTest, WithoutX11TheWatchFollowsTheInstallerProcess) {
    Load("[Product]\nUserGuide=Guide.pdf\nAcrobatReader=AdbeRdr.sh\n");
    WriteGuide();
    SetWindowFinder(nullptr);
    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY"); // a Wayland session
    QProcess installer;
    installer.start("sleep", {"60"});
    installer.waitForStarted();
    Shell.FindResult = SE_ERR_NOASSOC;
    Shell.StartedProcess = installer.processId();
    TFormAutorun autorun;
    Boxes.Answers = {true};
    autorun.BtnUG_UGClick();
    for (int tick = 0; tick < 6; ++tick)
        autorun.TimerInstAcrobatTimer(); // running: polled every second, no miss
    EXPECT_EQ(autorun.TimerInstAcrobat.Interval(), Timing::Interval(1000));
    EXPECT_EQ(autorun.MissCounter(), 0);
    installer.kill();
    installer.waitForFinished();
    for (int tick = 0; tick < 4; ++tick)
        autorun.TimerInstAcrobatTimer();
    EXPECT_FALSE(autorun.TimerInstAcrobat.IsActive());
    EXPECT_EQ(Shell.Calls.last(), "find " + g_Var.AppPath + "Guide.pdf"); // tried again
    if (!display.isNull())
        qputenv("DISPLAY", display);
}

TEST_F(FormAutorunTest, SubMenuMovesTheButtonsBelowIt) {
    Load("");
    TFormAutorun autorun;
    auto* reg = autorun.findChild<QWidget*>("BtnProductReg");
    auto* exitButton = autorun.findChild<QWidget*>("BtnExit");
    const QPoint regStart = reg->pos(), exitStart = exitButton->pos();
    autorun.BtnUGClick();
    EXPECT_TRUE(autorun.SubMenuOpen());
    EXPECT_FALSE(autorun.findChild<QWidget*>("BtnUG_UG")->isHidden());
    EXPECT_FALSE(autorun.findChild<QWidget*>("BtnUG_QIG")->isHidden());
    EXPECT_EQ(reg->pos(), regStart + QPoint(0, 48));
    EXPECT_EQ(exitButton->pos(), exitStart + QPoint(0, 48));
    autorun.BtnUGClick();
    EXPECT_TRUE(autorun.findChild<QWidget*>("BtnUG_UG")->isHidden());
    EXPECT_EQ(reg->pos(), regStart);
    EXPECT_EQ(exitButton->pos(), exitStart);
}

TEST_F(FormAutorunTest, RegistrationAndQuickGuide) {
    Load("");
    TFormAutorun autorun;
    autorun.BtnProductRegClick();
    EXPECT_TRUE(Shell.Calls.isEmpty()); // nothing configured: nothing happens
    autorun.BtnUG_QIGClick();           // taken from the program folder, not the working directory
    EXPECT_EQ(Shell.Calls, QStringList{"explore " + g_Var.AppPath + "QIG"});

    Load("[Product]\nProductReg=https://example.com/register\nQIG=Docs\\QIG\\\n");
    QDir(m_Dir.path()).mkpath("docs/qig");
    Shell.OpenResult = SE_ERR_FNF; // failures are silent
    autorun.BtnProductRegClick();
    autorun.BtnUG_QIGClick();
    EXPECT_EQ(Shell.Calls.mid(1), QStringList({"open https://example.com/register",
                                               "explore " + g_Var.AppPath + "docs/qig/"}));
    EXPECT_TRUE(Boxes.Shown.isEmpty());
}

TEST_F(FormAutorunTest, RelaysMessagesAndRunsTheWizardModally) {
    Load("");
    TFormAutorun autorun;
    RecordingWizard wizard;
    autorun.SetWizard(&wizard);
    PostWinMessage(&autorun, UM_PAGE_SWITCH, PAGE_NEXT, 0);
    PostUdpMessage(&autorun, UM_UDP_RESULT, WAIT_LOGIN, 1);
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(wizard.received.size(), 2);
    EXPECT_EQ(wizard.received[0],
              std::make_tuple(UM_PAGE_SWITCH, intptr_t(PAGE_NEXT), intptr_t(0)));
    EXPECT_EQ(wizard.received[1],
              std::make_tuple(UM_UDP_RESULT, intptr_t(WAIT_LOGIN), intptr_t(1)));

    autorun.show();
    QTimer::singleShot(0, &wizard, [&] { wizard.done(2); });
    autorun.BtnSetupWizardClick();
    EXPECT_TRUE(autorun.isVisible()); // cancelled: the launcher is back

    QTimer::singleShot(0, &wizard, [&] { wizard.done(1); });
    autorun.BtnSetupWizardClick();
    EXPECT_FALSE(autorun.isVisible()); // exit confirmed: the launcher closes
}

TEST_F(FormAutorunTest, KeysPressTheFocusedButton) {
    Load("");
    TFormAutorun autorun;
    RecordingWizard wizard;
    autorun.SetWizard(&wizard);
    autorun.show();
    autorun.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&autorun));
    auto* setupWizard = autorun.findChild<QWidget*>("BtnSetupWizard");
    auto* exitButton = autorun.findChild<QWidget*>("BtnExit");
    const struct {
        QWidget* button;
        Qt::Key key;
    } presses[] = {{setupWizard, Qt::Key_Space}, {setupWizard, Qt::Key_Return}};
    for (const auto& press : presses) {
        int shown = 0;
        QTimer::singleShot(0, &wizard, [&] {
            shown += wizard.isVisible();
            wizard.done(2);
        });
        press.button->setFocus(Qt::TabFocusReason);
        QTest::keyClick(press.button, press.key);
        EXPECT_EQ(shown, 1) << press.key;
        EXPECT_TRUE(autorun.isVisible());
    }
    exitButton->setFocus(Qt::TabFocusReason);
    QTest::keyClick(exitButton, Qt::Key_Return);
    EXPECT_FALSE(autorun.isVisible());
}
