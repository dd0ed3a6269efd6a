// The Setup program's windows as app/main.cpp builds them (the launcher as the
// application's main window and the engine's target, the wizard shown modally
// from it, the sample product folder's settings and license), against the
// simulated access point and client of scripts/demo in the network lab: a
// static address given to the access point leads to the wireless setup method
// page, and the setup method page shows the device's new address when it is
// entered again.

#include "app/formmain.h"
#include "app/programwindows.h"
#include "framework/framebase.h"
#include "pages/frameipeditrect.h"
#include "settings/globalvar.h"
#include "settings/timing.h"
#include "settings/winmessage.h"
#include "tests/app/programrun.h"
#include "tests/common/globalvarstate.h"
#include "tests/common/labsim.h"
#include "tests/common/printers.h"
#include "tests/common/scriptedboxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int kSpeedup = 5;
constexpr int kPageBound = 30000; // a guard against a hang only

class SetupLab : public ::testing::Test {
protected:
    void TearDown() override {
        Timing::SetSpeedup(1);
        ResetGlobalVarState();
    }

    QString Current() const {
        return Wizard && Wizard->CurrentFrame ? Wizard->CurrentFrame->objectName()
                                              : QStringLiteral("none");
    }
    bool WaitForPage(const QString& name) {
        return QTest::qWaitFor([&] { return Current() == name; }, kPageBound);
    }
    template <class T = QWidget> T* Control(const char* name) const {
        T* control = Wizard->CurrentFrame
                         ? Wizard->CurrentFrame->findChild<T*>(QString::fromLatin1(name))
                         : nullptr;
        EXPECT_NE(control, nullptr) << qPrintable(Current()) << "." << name;
        return control;
    }
    // A left click on a control of the page on screen; afterwards the wizard
    // window is active again, as a window manager makes it after a dialog.
    void Press(const char* name) {
        QWidget* control = Control(name);
        ASSERT_TRUE(control && control->isVisible() && control->isEnabled())
            << qPrintable(Current()) << "." << name;
        const bool mark = qobject_cast<QRadioButton*>(control) || qobject_cast<QCheckBox*>(control);
        const QPoint at = mark ? QPoint(8, control->height() / 2) : control->rect().center();
        QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, at);
        if (Wizard->isVisible() && !Wizard->isActiveWindow()) {
            Wizard->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(Wizard));
        }
    }

    // What the user does in the wizard, from its first page to Exit.
    void Drive() {
        ASSERT_TRUE(QTest::qWaitForWindowActive(Wizard));
        ASSERT_EQ(Current(), "FrameLicense1");
        Press("ChkAccept");
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameTutorial1"));
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameTutorial21"));
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameDevList1"));

        auto* refresh = Control("BtnRefresh");
        ASSERT_TRUE(QTest::qWaitFor([&] { return refresh->isEnabled(); }, kPageBound));
        auto* list = Control<QTreeWidget>("LvDevList");
        QTreeWidgetItem* lobby = nullptr;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0) == "ZOLA-4410 Lobby")
                lobby = list->topLevelItem(i);
        ASSERT_EQ(list->topLevelItemCount(), 2);
        ASSERT_NE(lobby, nullptr);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(lobby).center());
        Press("BtnCfg");
        ASSERT_TRUE(WaitForPage("FramePassword1"));
        Press("BtnLogin"); // the default password, as the box shows it
        ASSERT_TRUE(WaitForPage("FrameSetupMethod1"));
        EXPECT_EQ(Control<QLabel>("LblIP")->text(), "10.91.1.2");

        Press("RBtnSetIP");
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameDevIPCfg1"));
        auto* address = Control<TFrameIPEditRect>("IPEditIP");
        EXPECT_EQ(address->GetAddress(), "10.91.1.2");
        QTest::mouseClick(address->Box(4), Qt::LeftButton);
        address->Box(4)->selectAll();
        QTest::keyClicks(QApplication::focusWidget(), "20");
        EXPECT_EQ(address->GetAddress(), "10.91.1.20");
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameSetWlMethod1"));
        ReachedWirelessMethod = true;

        Press("BtnBack");
        ASSERT_TRUE(WaitForPage("FrameDevIPCfg1"));
        Press("BtnBack");
        ASSERT_TRUE(WaitForPage("FrameSetupMethod1"));
        ShownAddress = Control<QLabel>("LblIP")->text();

        Boxes.Answers = {true};
        Press("BtnExit");
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Wizard->isVisible(); }, kPageBound));
    }

    CScriptedBoxes Boxes;
    TFormMain* Wizard = nullptr;
    bool ReachedWirelessMethod = false;
    QString ShownAddress;
};

} // namespace

TEST_F(SetupLab, StaticAddressLeadsToTheWirelessMethodPage) {
    SWP_REQUIRE_LAB();
    CDemoDevices devices;
    ASSERT_NO_FATAL_FAILURE(devices.Start());
    CLabDevice& accessPoint = devices.AccessPoint;
    QTemporaryDir folder;
    ASSERT_NO_FATAL_FAILURE(LoadSampleProduct(folder));
    Timing::SetSpeedup(kSpeedup);

    {
        CProgramWindows windows;
        TFormAutorun& autorun = windows.Autorun;
        TFormMain& wizard = windows.Wizard;
        Wizard = &wizard;
        RunFromLauncher(windows, [this] { Drive(); });

        EXPECT_EQ(wizard.result(), TFormMain::ResultExit);
        EXPECT_FALSE(autorun.isVisible()); // Exit confirmed: the launcher closed too
        EXPECT_EQ(Boxes.Asked, QStringList{"Do you want to exit the Setup Wizard?"});
    }

    EXPECT_TRUE(ReachedWirelessMethod);
    EXPECT_EQ(ShownAddress, "10.91.1.20");
    EXPECT_TRUE(Boxes.Shown.isEmpty()) << qPrintable(Boxes.Shown.join(" | "));
    QList<QJsonObject> sets;
    for (const QJsonObject& line : accessPoint.Journal())
        if (line.value("dir").toString() == "rx" && line.value("kind").toString() == "set_ip")
            sets << line;
    ASSERT_EQ(sets.size(), 1);
    const QJsonObject tlvs = sets[0].value("tlvs").toObject();
    EXPECT_EQ(tlvs.value("IP_MODE").toInt(), 0);
    EXPECT_EQ(tlvs.value("LAN_IP").toString(), "10.91.1.20");
    EXPECT_EQ(tlvs.value("LAN_NETMASK").toString(), "255.255.255.0");
    EXPECT_EQ(tlvs.value("LAN_GATEWAY").toString(), "10.91.1.254");
}
