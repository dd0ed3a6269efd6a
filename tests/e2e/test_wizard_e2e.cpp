// The whole wizard, end to end, as a user sees it: the program's windows as
// app/main.cpp builds them (the launcher as the application's main window and
// the engine's target, the wizard shown modally from it) with the sample
// product folder, against the simulated access point and client of
// scripts/demo in the network lab. Everything is done through the controls:
// the launcher's Setup Wizard button, the license box, the device list, the
// password box, the choices, the drop-down lists and Next.
//
// One sitting configures both devices: the access point gets a static address
// and a WPA-PSK profile; then, from the success page, the client joins a WEP
// network picked from its site survey ("Connect"). Each device's final
// configuration is checked in its journal and by a fresh configuration read.

#include "app/formmain.h"
#include "app/programwindows.h"
#include "framework/framebase.h"
#include "pages/frameipeditrect.h"
#include "pages/framewlprofile.h"
#include "protocol/formudp.h"
#include "settings/globalvar.h"
#include "settings/timing.h"
#include "settings/winmessage.h"
#include "tests/app/programrun.h"
#include "tests/common/globalvarstate.h"
#include "tests/common/labsim.h"
#include "tests/common/logcapture.h"
#include "tests/common/printers.h"
#include "tests/common/screenreader.h"
#include "tests/common/scriptedboxes.h"
#include "tests/e2e/desktopcheck.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace {

constexpr int kSpeedup = 5;
constexpr int kStepBound = 30000; // a guard against a hang only
constexpr int kGetConfigWait = 15000;

const QString kAccessPoint = QStringLiteral("ZOLA-4410 Lobby");
const QString kClient = QStringLiteral("ZOLA-4410 Bridge");
const QString kApSSID = QStringLiteral("Lobby-Guest");
const QString kApPassphrase = QStringLiteral("welcome to the lobby");
const QString kJoinedSSID = QStringLiteral("Lab-Legacy");
const QString kWepKey = QStringLiteral("legacy-key-13"); // 13 characters: 128-bit ASCII

QString Dotted(uint32_t address) {
    return QHostAddress(address).toString();
}

// The requests of one kind a device received and answered.
QList<QJsonObject> Received(const CLabDevice& device, const QString& kind) {
    QList<QJsonObject> lines;
    for (const QJsonObject& line : device.Journal())
        if (line.value("dir").toString() == "rx" && line.value("kind").toString() == kind &&
            line.value("action").toString() == "answer")
            lines << line;
    return lines;
}

// The access point's journal: one static address 10.91.1.20, one WPA2
// profile, nothing else.
void ExpectStaticAddressAndWpa2(const CLabDevice& accessPoint) {
    const QList<QJsonObject> ipSets = Received(accessPoint, "set_ip");
    ASSERT_EQ(ipSets.size(), 1);
    const QJsonObject ip = ipSets[0].value("tlvs").toObject();
    EXPECT_EQ(ip.value("IP_MODE").toInt(), 0);
    EXPECT_EQ(ip.value("LAN_IP").toString(), "10.91.1.20");
    EXPECT_EQ(ip.value("LAN_NETMASK").toString(), "255.255.255.0");
    EXPECT_EQ(ip.value("LAN_GATEWAY").toString(), "10.91.1.254");
    const QList<QJsonObject> wlSets = Received(accessPoint, "set_wireless");
    ASSERT_EQ(wlSets.size(), 1);
    const QJsonObject wl = wlSets[0].value("tlvs").toObject();
    EXPECT_EQ(wl.value("WL_SSID").toString(), kApSSID);
    EXPECT_EQ(wl.value("WL_WIRELESS_MODE").toInt(), 9);
    EXPECT_EQ(wl.value("WL_SECURITY_MODE").toInt(), 2);
    EXPECT_EQ(wl.value("WL_WPA_MODE").toInt(), 1);
    EXPECT_EQ(wl.value("WL_WPA_CIPHER").toInt(), 1);
    EXPECT_EQ(wl.value("WL_WPA_PSK").toString(), kApPassphrase);
    for (const char* kind : {"set_station", "set_mode", "wps_pbc", "wps_pin"})
        EXPECT_TRUE(Received(accessPoint, kind).isEmpty()) << kind;
}

class WizardE2E : public ::testing::Test {
protected:
    void TearDown() override {
        Timing::SetSpeedup(1);
        ResetGlobalVarState();
    }

    // The page on screen; on the profile host, its sub-page.
    QWidget* Page() const {
        TFrameBase* frame = Wizard ? Wizard->CurrentFrame : nullptr;
        if (auto* host = qobject_cast<TFrameWlProfile*>(frame))
            return host->CurrentSubPage() ? host->CurrentSubPage() : host;
        return frame;
    }
    QString Where() const { return Page() ? Page()->objectName() : QStringLiteral("none"); }
    ::testing::AssertionResult WaitForPage(const QString& name) {
        if (QTest::qWaitFor([&] { return Where() == name; }, kStepBound))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "waited for " << qPrintable(name) << ", on " << qPrintable(Where())
               << "; boxes: " << qPrintable(Boxes.Shown.join(" | "));
    }
    template <class T = QWidget> T* Control(const char* name) const {
        QWidget* page = Page();
        T* control = page ? page->findChild<T*>(QString::fromLatin1(name)) : nullptr;
        EXPECT_NE(control, nullptr) << qPrintable(Where()) << "." << name;
        return control;
    }
    // Brings the wizard back to the front, as a window manager does after a
    // dialog over it has closed.
    void Reactivate() {
        if (Wizard->isVisible() && !Wizard->isActiveWindow()) {
            Wizard->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(Wizard));
        }
    }
    // A left click on a control of the page on screen (on the mark of a radio
    // button or check box). A click that opens the progress dialog returns
    // when the dialog has closed.
    void Press(const char* name) {
        QWidget* control = Control(name);
        ASSERT_TRUE(control && control->isVisible() && control->isEnabled())
            << qPrintable(Where()) << "." << name;
        const bool mark = qobject_cast<QRadioButton*>(control) || qobject_cast<QCheckBox*>(control);
        const QPoint at = mark ? QPoint(8, control->height() / 2) : control->rect().center();
        QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, at);
        Reactivate();
        if (mark) {
            EXPECT_TRUE(static_cast<QAbstractButton*>(control)->isChecked()) << name;
        }
    }
    // Replaces the text of an edit by typing.
    void Type(const char* name, const QString& text) {
        auto* edit = Control<QLineEdit>(name);
        ASSERT_TRUE(edit && edit->isVisible() && edit->isEnabled()) << name;
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
        EXPECT_EQ(edit->text(), text) << name;
    }
    // Opens a drop-down list with a click and picks the entry with the keys.
    void Choose(const char* name, const QString& text) {
        auto* combo = Control<QComboBox>(name);
        ASSERT_TRUE(combo && combo->isVisible() && combo->isEnabled()) << name;
        const int target = combo->findText(text);
        ASSERT_GE(target, 0) << name << " has no entry " << qPrintable(text);
        QTest::mouseClick(combo, Qt::LeftButton);
        QAbstractItemView* list = combo->view();
        ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }, kStepBound)) << name;
        for (int at = combo->currentIndex(); at < target; ++at)
            QTest::keyClick(list, Qt::Key_Down);
        for (int at = combo->currentIndex(); at > target; --at)
            QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !list->isVisible(); }, kStepBound)) << name;
        Reactivate();
        EXPECT_EQ(combo->currentText(), text) << name;
    }
    // Clicks the row of a list that shows text in column.
    void ClickRow(const char* listName, int column, const QString& text) {
        auto* list = Control<QTreeWidget>(listName);
        ASSERT_NE(list, nullptr);
        QTreeWidgetItem* row = nullptr;
        for (int i = 0; i < list->topLevelItemCount() && !row; ++i)
            if (list->topLevelItem(i)->text(column) == text)
                row = list->topLevelItem(i);
        ASSERT_NE(row, nullptr) << listName << " has no row " << qPrintable(text);
        list->scrollToItem(row);
        const QRect cell =
            list->visualRect(list->model()->index(list->indexOfTopLevelItem(row), column));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        EXPECT_TRUE(row->isSelected()) << qPrintable(text);
    }
    // The selected row is drawn on the palette's highlight colour, give or
    // take the style's shading (looked at right of its text, in the first
    // column).
    void ExpectSelectionShown(const char* listName) {
        auto* list = Control<QTreeWidget>(listName);
        ASSERT_TRUE(list && !list->selectedItems().isEmpty()) << listName;
        const QRect cell = list->visualItemRect(list->selectedItems().first());
        const QImage shown = list->viewport()->grab().toImage();
        const QPoint probe(list->columnWidth(0) - 6, cell.center().y());
        const QColor fill = shown.pixelColor(probe * shown.devicePixelRatio());
        const QColor highlight = list->palette().color(QPalette::Highlight);
        const int distance = std::abs(fill.red() - highlight.red()) +
                             std::abs(fill.green() - highlight.green()) +
                             std::abs(fill.blue() - highlight.blue());
        EXPECT_LE(distance, 24) << listName << ": the selected row is drawn on "
                                << qPrintable(fill.name()) << ", the highlight is "
                                << qPrintable(highlight.name());
    }
    QStringList Rows(const char* listName, int column) const {
        QStringList texts;
        if (auto* list = Control<QTreeWidget>(listName))
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                texts << list->topLevelItem(i)->text(column);
        return texts;
    }
    QString Text(const char* label) const {
        auto* control = Control<QLabel>(label);
        return control ? control->text() : QString();
    }

    // The keyboard: every key goes to the wizard's focus widget, as a user's.
    QWidget* Focus() const { return Wizard->focusWidget(); }
    QString FocusName() const { return Focus() ? Focus()->objectName() : QStringLiteral("none"); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* focus = Focus();
        ASSERT_NE(focus, nullptr) << qPrintable(Where());
        QTest::keyClick(focus, key, modifiers);
        Reactivate();
    }
    void TabTo(const std::function<bool(QWidget*)>& wanted, const char* what) {
        for (int i = 0; i < 30 && !(Focus() && wanted(Focus())); ++i)
            ASSERT_NO_FATAL_FAILURE(Key(Qt::Key_Tab));
        ASSERT_TRUE(Focus() && wanted(Focus())) << qPrintable(Where()) << ": Tab never reached "
                                                << what << ", stays on " << qPrintable(FocusName());
    }
    void TabTo(QWidget* widget) {
        ASSERT_NE(widget, nullptr);
        TabTo([widget](QWidget* focus) { return focus == widget; },
              qPrintable(widget->objectName()));
    }
    // Tab to a button and press Return on it.
    void KeyPress(const char* name) {
        ASSERT_NO_FATAL_FAILURE(TabTo(Control(name)));
        Key(Qt::Key_Return);
    }
    void KeyType(const char* name, const QString& text) {
        auto* edit = Control<QLineEdit>(name);
        ASSERT_NO_FATAL_FAILURE(TabTo(edit));
        Key(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(Focus(), text);
        EXPECT_EQ(edit->text(), text) << name;
    }
    // A drop-down list steps through its entries with the arrows.
    void KeyChoose(const char* name, const QString& text) {
        auto* combo = Control<QComboBox>(name);
        ASSERT_NO_FATAL_FAILURE(TabTo(combo));
        const int target = combo->findText(text);
        ASSERT_GE(target, 0) << name << " has no entry " << qPrintable(text);
        while (combo->currentIndex() != target)
            ASSERT_NO_FATAL_FAILURE(
                Key(combo->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up));
    }
    // Tab into the radio group, then the arrows until the choice is checked.
    void KeyCheck(const char* name) {
        auto* radio = Control<QRadioButton>(name);
        ASSERT_NE(radio, nullptr);
        ASSERT_NO_FATAL_FAILURE(TabTo(
            [radio](QWidget* focus) {
                return qobject_cast<QRadioButton*>(focus) &&
                       focus->parentWidget() == radio->parentWidget();
            },
            name));
        for (Qt::Key arrow : {Qt::Key_Down, Qt::Key_Up})
            for (int i = 0; i < 5 && !radio->isChecked(); ++i)
                ASSERT_NO_FATAL_FAILURE(Key(arrow));
        EXPECT_TRUE(radio->isChecked()) << name;
    }

    // The device list, found anew, shows both devices; the one named is
    // chosen, the password typed and the login made.
    void LogInTo(const QString& device) {
        auto* refresh = Control("BtnRefresh");
        ASSERT_NE(refresh, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return refresh->isEnabled(); }, kStepBound));
        QStringList names = Rows("LvDevList", 0);
        names.sort();
        EXPECT_EQ(names, (QStringList{kClient, kAccessPoint}));
        ASSERT_NO_FATAL_FAILURE(
            DesktopCheck("device-list", {"tree:Search for device on the network",
                                         "table cell:" + device, "push button:Configure"}));
        ASSERT_NO_FATAL_FAILURE(ClickRow("LvDevList", 0, device));
        ExpectSelectionShown("LvDevList");
        Press("BtnCfg");
        ASSERT_TRUE(WaitForPage("FramePassword1"));
        ASSERT_NO_FATAL_FAILURE(Type("EdtPassword", "tosca"));
        Press("BtnLogin");
        ASSERT_TRUE(WaitForPage("FrameSetupMethod1"));
    }

    // A configuration read through the engine, outside the pages (the one on
    // screen ignores its result). false when the device did not answer.
    bool ReadBack(IPConfig& ip, WirelessProfile& wl) {
        std::memset(&g_Var.CurIP, 0, sizeof g_Var.CurIP);
        std::memset(&g_Var.CurWl, 0, sizeof g_Var.CurWl);
        if (!FormUDP->LoggedIn || !FormUDP->SendGetConfig(kGetConfigWait))
            return false;
        if (!QTest::qWaitFor([] { return FormUDP->PendingRequest == WAIT_NONE; }, kStepBound))
            return false;
        ip = g_Var.CurIP;
        wl = g_Var.CurWl;
        return ip.IP != 0;
    }

    // The access point: static address 10.91.1.20, then a WPA2 profile.
    void PassIntroduction() {
        ASSERT_TRUE(QTest::qWaitForWindowActive(Wizard));
        ASSERT_EQ(Where(), "FrameLicense1");
        ASSERT_NO_FATAL_FAILURE(
            DesktopCheck("license", {"check box:I accept the terms in the License Agreement.",
                                     "push button:Next"}));
        Press("ChkAccept");
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameTutorial1"));
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameTutorial21"));
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameDevList1"));
    }
    void WalkAccessPoint() {
        ASSERT_NO_FATAL_FAILURE(PassIntroduction());
        ASSERT_NO_FATAL_FAILURE(LogInTo(kAccessPoint));

        EXPECT_EQ(Text("LblIP"), "10.91.1.2");
        Press("RBtnSetIP");
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameDevIPCfg1"));
        auto* address = Control<TFrameIPEditRect>("IPEditIP");
        ASSERT_NE(address, nullptr);
        EXPECT_EQ(address->GetAddress(), "10.91.1.2");
        ASSERT_NO_FATAL_FAILURE(DesktopCheck(
            "ip-settings", {"frame:IP Address", "text:IP Address, field 1 of 4",
                            "text:Subnet, field 4 of 4", "text:Gateway, field 2 of 4"}));
        // The last box: the caret to its end, its digits erased, new ones typed.
        QTest::mouseClick(address->Box(4), Qt::LeftButton);
        QTest::keyClick(address->Box(4), Qt::Key_End);
        for (qsizetype i = address->Box(4)->text().size(); i > 0; --i)
            QTest::keyClick(address->Box(4), Qt::Key_Backspace);
        QTest::keyClicks(address->Box(4), "20");
        EXPECT_EQ(address->GetAddress(), "10.91.1.20");
        Press("BtnNext"); // the address is set, then read back
        ASSERT_TRUE(WaitForPage("FrameSetWlMethod1"));

        Press("RBtnManual");
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameWlProfSSID1"));
        EXPECT_EQ(Control<QLineEdit>("EdtSSID")->text(), "wireless"); // the product's preset
        ASSERT_NO_FATAL_FAILURE(Type("EdtSSID", kApSSID));
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameWlProfWlMode1"));
        EXPECT_EQ(Control<QComboBox>("CmbMode")->currentText(), g_Var.WirlessMode_BGN);
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameWlProfSecurity1"));
        ASSERT_NO_FATAL_FAILURE(Choose("CmbSecurity", "WPA-PSK"));
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameWlProfPSK1"));
        ASSERT_NO_FATAL_FAILURE(Choose("CmbWPAMode", "WPA2 Only"));
        ASSERT_NO_FATAL_FAILURE(Type("EdtPassphrase", kApPassphrase));
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameWlProfConfirm1"));

        EXPECT_EQ(Text("LblIP"), "10.91.1.20");
        EXPECT_EQ(Text("LblSSID"), kApSSID);
        EXPECT_EQ(Text("LblSecurity"), "WPA-PSK");
        EXPECT_EQ(Text("LblInfo1"), "WPA2 Only");
        EXPECT_EQ(Text("LblInfo3"), kApPassphrase);
        EXPECT_EQ(Control<QAbstractButton>("BtnNext")->text(), "Configure");
        Press("BtnNext"); // the profile is written, then read back
        ASSERT_TRUE(WaitForPage("FrameSuccess1"));
        EXPECT_TRUE(Control("LbSuccess1")->isVisible());
        EXPECT_EQ(Text("LbSuccess1"), "Congratulations!");
        ApReachedSuccess = true;
        ApReadBack = ReadBack(ApIP, ApWl);
    }

    // The client, from the success page: back to the device list, log in;
    // after the setup method page a client's wireless steps start with its
    // site survey; a WEP network is chosen and joined.
    void WalkClient() {
        Press("BtnBack");
        ASSERT_TRUE(WaitForPage("FrameDevList1"));
        Press("BtnRefresh");
        ASSERT_NO_FATAL_FAILURE(LogInTo(kClient));

        EXPECT_EQ(Text("LblIP"), "10.91.2.2");
        Press("RBtnSetIPDHCP"); // the device uses DHCP already: nothing is sent
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameSiteSurvey1"));

        auto* refresh = Control("BtnRefresh");
        ASSERT_NE(refresh, nullptr);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return refresh->isEnabled() && Rows("SurveyList", 1).size() == 5; }, kStepBound))
            << qPrintable(Rows("SurveyList", 1).join(", "));
        EXPECT_EQ(Rows("SurveyList", 1).first(), "Office-5F"); // the strongest first
        ASSERT_NO_FATAL_FAILURE(DesktopCheck(
            "site-survey", {"tree:Site Survey", "table cell:Lab-Legacy",
                            "table cell:Access point, secured", "push button:Connect"}));
        ASSERT_NO_FATAL_FAILURE(ClickRow("SurveyList", 1, kJoinedSSID));
        Press("BtnNext"); // "Connect"
        ASSERT_TRUE(WaitForPage("FrameWlProfSSID1"));
        EXPECT_EQ(Control<QLineEdit>("EdtSSID")->text(), kJoinedSSID);
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameWlProfWlMode1"));
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameWlProfSecurity1"));
        EXPECT_EQ(Control<QComboBox>("CmbSecurity")->currentText(), "WEP"); // from the survey
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameWlProfWEP1"));
        ASSERT_NO_FATAL_FAILURE(Choose("CmbWEP", "128 bit"));
        ASSERT_NO_FATAL_FAILURE(Choose("CmbAuthen", "Shared"));
        ASSERT_NO_FATAL_FAILURE(Type("EdtKey1", kWepKey));
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameWlProfConfirm1"));

        EXPECT_FALSE(Control("LblIP")->isVisible()); // joined from the survey: no network block
        EXPECT_EQ(Text("LblSSID"), kJoinedSSID);
        EXPECT_EQ(Text("LblSecurity"), "WEP");
        EXPECT_EQ(Text("LblInfo1"), "128 bit");
        EXPECT_EQ(Text("LblInfo2"), "Shared");
        EXPECT_EQ(Text("LblInfo3"), kWepKey);
        EXPECT_EQ(Control<QAbstractButton>("BtnNext")->text(), "Connect");
        Press("BtnNext"); // the station profile is written, then read back
        ASSERT_TRUE(WaitForPage("FrameSuccess1"));
        EXPECT_EQ(Text("LbSuccess1"), "Congratulations!");
        ClientReachedSuccess = true;
        ClientReadBack = ReadBack(ClientIP, ClientWl);

        Boxes.Answers = {true};
        Press("BtnExit");
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Wizard->isVisible(); }, kStepBound));
    }

    // The access point by the keyboard alone: static address 10.91.1.20, then
    // a WPA2 profile. After each switch the keys start on the page shown.
    void KeyboardWalkAccessPoint() {
        ASSERT_TRUE(QTest::qWaitForWindowActive(Wizard));
        ASSERT_EQ(Where(), "FrameLicense1");
        ASSERT_NO_FATAL_FAILURE(TabTo(Control("ChkAccept")));
        Key(Qt::Key_Space);
        KeyPress("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameTutorial1"));
        KeyPress("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameTutorial21"));
        KeyPress("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameDevList1"));

        auto* refresh = Control("BtnRefresh");
        ASSERT_TRUE(QTest::qWaitFor([&] { return refresh->isEnabled(); }, kStepBound));
        auto* devices = Control<QTreeWidget>("LvDevList");
        ASSERT_NO_FATAL_FAILURE(TabTo(devices));
        auto chosen = [devices] {
            const QList<QTreeWidgetItem*> rows = devices->selectedItems();
            return rows.isEmpty() ? QString() : rows.first()->text(0);
        };
        for (int i = 0; i < 3 && chosen() != kAccessPoint; ++i)
            ASSERT_NO_FATAL_FAILURE(Key(Qt::Key_Down));
        ASSERT_EQ(chosen(), kAccessPoint);
        KeyPress("BtnCfg");
        ASSERT_TRUE(WaitForPage("FramePassword1"));
        EXPECT_EQ(FocusName(), "EdtPassword");
        QTest::keyClicks(Focus(), "tosca");
        KeyPress("BtnLogin");
        ASSERT_TRUE(WaitForPage("FrameSetupMethod1"));

        ASSERT_NO_FATAL_FAILURE(KeyCheck("RBtnSetIP"));
        KeyPress("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameDevIPCfg1"));
        auto* address = Control<TFrameIPEditRect>("IPEditIP");
        ASSERT_NO_FATAL_FAILURE(TabTo(address->Box(4)));
        Key(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(Focus(), "20");
        EXPECT_EQ(address->GetAddress(), "10.91.1.20");
        KeyPress("BtnNext"); // "Configure": the address is set, then read back
        ASSERT_TRUE(WaitForPage("FrameSetWlMethod1"));
        // Return with the focus on a choice presses the Next of the page now
        // shown, never the hidden IP page's Configure.
        ASSERT_NO_FATAL_FAILURE(KeyCheck("RBtnManual"));
        Key(Qt::Key_Return);
        ASSERT_TRUE(WaitForPage("FrameWlProfSSID1"));
        ASSERT_NO_FATAL_FAILURE(KeyType("EdtSSID", kApSSID));
        KeyPress("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameWlProfWlMode1"));
        KeyPress("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameWlProfSecurity1"));
        ASSERT_NO_FATAL_FAILURE(KeyChoose("CmbSecurity", "WPA-PSK"));
        KeyPress("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameWlProfPSK1"));
        ASSERT_NO_FATAL_FAILURE(KeyChoose("CmbWPAMode", "WPA2 Only"));
        ASSERT_NO_FATAL_FAILURE(KeyType("EdtPassphrase", kApPassphrase));
        KeyPress("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameWlProfConfirm1"));
        EXPECT_EQ(Text("LblSSID"), kApSSID);
        KeyPress("BtnNext"); // "Configure": the profile is written, then read back
        ASSERT_TRUE(WaitForPage("FrameSuccess1"));
        EXPECT_EQ(Text("LbSuccess1"), "Congratulations!");
        ApReachedSuccess = true;

        Boxes.Answers = {true};
        KeyPress("BtnExit");
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Wizard->isVisible(); }, kStepBound));
    }

    // A screen reader's user: keys go to the window in front, which the test
    // activates itself (no window manager under Xvfb), never to a control.
    void Stroke(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Reactivate();
        ASSERT_TRUE(Wizard->isActiveWindow()) << qPrintable(Where());
        QTest::keyClick(Wizard->windowHandle(), key, modifiers);
    }
    void StrokeText(const QString& text) {
        Reactivate();
        for (const QChar c : text)
            QTest::keyClick(Wizard->windowHandle(), c.toLatin1());
    }
    void StrokeTabTo(const char* name) {
        QWidget* wanted = Control(name);
        for (int i = 0; i < 30 && Focus() != wanted; ++i)
            ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Tab));
        ASSERT_EQ(Focus(), wanted) << qPrintable(Where()) << ": Tab never reached " << name;
    }
    // Arrows on the focused choice or list until wanted holds.
    void StrokeArrowsUntil(const std::function<bool()>& wanted, const char* what) {
        for (Qt::Key arrow : {Qt::Key_Down, Qt::Key_Up})
            for (int i = 0; i < 8 && !wanted(); ++i)
                ASSERT_NO_FATAL_FAILURE(Stroke(arrow));
        ASSERT_TRUE(wanted()) << qPrintable(Where()) << ": the arrows never reached " << what;
    }
    QString Selected(const char* listName) const {
        auto* list = Control<QTreeWidget>(listName);
        const QList<QTreeWidgetItem*> rows =
            list ? list->selectedItems() : QList<QTreeWidgetItem*>{};
        return rows.isEmpty() ? QString() : rows.first()->text(list->columnCount() > 2 ? 1 : 0);
    }
    // The page as a screen reader meets it: the focus on the control named,
    // what is said of it, and (on the accessibility bus, in the a11y test)
    // the same with what else must be on screen.
    void Hear(const QString& point, const char* focus, const QStringList& says,
              const QStringList& onScreen = {}) {
        Reactivate();
        ASSERT_EQ(FocusName(), focus) << qPrintable(Where());
        QStringList expected = onScreen;
        for (const QString& text : says) {
            EXPECT_TRUE(ScreenReaderSays(Focus()).contains(text))
                << qPrintable(point) << ": " << qPrintable(ScreenReaderSays(Focus()));
            expected << "says=" + text;
        }
        ASSERT_NO_FATAL_FAILURE(DesktopCheck(point, expected));
    }

    // The access point's route by a screen reader's user: license,
    // introduction, device list, password, static address, a WPA-PSK
    // profile, success; then from there the client's route: device list,
    // password, site survey, Connect with an open network, success; Escape
    // and Yes end the wizard.
    void ScreenReaderWalk() {
        ASSERT_TRUE(QTest::qWaitForWindowActive(Wizard));
        ASSERT_EQ(Where(), "FrameLicense1");
        ASSERT_NO_FATAL_FAILURE(Hear("sr-license", "REdtLicense", {"License Agreement"},
                                     {"image:Wireless Setup Wizard"}));
        ASSERT_NO_FATAL_FAILURE(StrokeTabTo("ChkAccept"));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Space));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return)); // Next, the default
        ASSERT_TRUE(WaitForPage("FrameTutorial1"));
        ASSERT_NO_FATAL_FAILURE(Hear("sr-tutorial", "BtnNext",
                                     {"Next", "Connect the device to your network"},
                                     {"focus=push button:Next"}));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return));
        ASSERT_TRUE(WaitForPage("FrameTutorial21"));
        ASSERT_NO_FATAL_FAILURE(
            Hear("sr-tutorial2", "BtnNext", {"Power on the device"}, {"focus=push button:Next"}));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return));
        ASSERT_TRUE(WaitForPage("FrameDevList1"));
        ASSERT_NO_FATAL_FAILURE(ScreenReaderLogIn(kAccessPoint));

        ASSERT_NO_FATAL_FAILURE(StrokeArrowsUntil(
            [&] { return Control<QRadioButton>("RBtnSetIP")->isChecked(); }, "RBtnSetIP"));
        ASSERT_NO_FATAL_FAILURE(Hear("sr-setup-method", "RBtnSetIP",
                                     {"Static IP Address", "maintain a specific IP Address"}));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return));
        ASSERT_TRUE(WaitForPage("FrameDevIPCfg1"));
        ASSERT_NO_FATAL_FAILURE(
            Hear("sr-ip-settings", "EdtOctet1", {"IP Address, field 1 of 4", "Note:"}));
        auto* address = Control<TFrameIPEditRect>("IPEditIP");
        for (int i = 0; i < 3; ++i)
            ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Tab));
        ASSERT_EQ(Focus(), address->Box(4));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_A, Qt::ControlModifier));
        ASSERT_NO_FATAL_FAILURE(StrokeText("20"));
        EXPECT_EQ(address->GetAddress(), "10.91.1.20");
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return)); // Configure, under the progress dialog
        ASSERT_TRUE(WaitForPage("FrameSetWlMethod1"));
        ASSERT_NO_FATAL_FAILURE(Hear("sr-wireless-method", "RBtnManual", {"Manual Setup"}));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return));
        ASSERT_TRUE(WaitForPage("FrameWlProfSSID1"));
        ASSERT_NO_FATAL_FAILURE(Hear("sr-ssid", "EdtSSID", {"SSID"}));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_A, Qt::ControlModifier));
        ASSERT_NO_FATAL_FAILURE(StrokeText(kApSSID));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return));
        ASSERT_TRUE(WaitForPage("FrameWlProfWlMode1"));
        ASSERT_NO_FATAL_FAILURE(Hear("sr-wireless-mode", "CmbMode", {"Wireless Mode"}));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return));
        ASSERT_TRUE(WaitForPage("FrameWlProfSecurity1"));
        auto* security = Control<QComboBox>("CmbSecurity");
        ASSERT_NO_FATAL_FAILURE(
            StrokeArrowsUntil([&] { return security->currentText() == "WPA-PSK"; }, "WPA-PSK"));
        ASSERT_NO_FATAL_FAILURE(Hear("sr-security", "CmbSecurity", {"Security Mode", "WPA-PSK"}));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return));
        ASSERT_TRUE(WaitForPage("FrameWlProfPSK1"));
        ASSERT_NO_FATAL_FAILURE(Hear("sr-wpa-psk", "EdtPassphrase", {"Pre-Shared Key"}));
        ASSERT_NO_FATAL_FAILURE(StrokeTabTo("CmbWPAMode"));
        auto* mode = Control<QComboBox>("CmbWPAMode");
        ASSERT_NO_FATAL_FAILURE(
            StrokeArrowsUntil([&] { return mode->currentText() == "WPA2 Only"; }, "WPA2 Only"));
        ASSERT_NO_FATAL_FAILURE(StrokeTabTo("EdtPassphrase"));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_A, Qt::ControlModifier));
        ASSERT_NO_FATAL_FAILURE(StrokeText(kApPassphrase));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return));
        ASSERT_TRUE(WaitForPage("FrameWlProfConfirm1"));
        ASSERT_NO_FATAL_FAILURE(Hear("sr-confirm", "BtnNext", {"Configure"},
                                     {"focus=push button:Configure", "label:" + kApSSID}));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return)); // the profile written, read back
        ASSERT_TRUE(WaitForPage("FrameSuccess1"));
        ApReachedSuccess = true;
        ASSERT_NO_FATAL_FAILURE(ScreenReaderAtSuccess("sr-success"));

        // Back to the device list for the client.
        ASSERT_NO_FATAL_FAILURE(StrokeTabTo("BtnBack"));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return));
        ASSERT_TRUE(WaitForPage("FrameDevList1"));
        ASSERT_NO_FATAL_FAILURE(ScreenReaderLogIn(kClient));
        ASSERT_NO_FATAL_FAILURE(StrokeArrowsUntil(
            [&] { return Control<QRadioButton>("RBtnSetIPDHCP")->isChecked(); }, "DHCP"));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return));
        ASSERT_NO_FATAL_FAILURE(WaitForSurvey());
        ASSERT_NO_FATAL_FAILURE(
            StrokeArrowsUntil([&] { return Selected("SurveyList") == "Guest"; }, "Guest"));
        ASSERT_NO_FATAL_FAILURE(Hear(
            "sr-site-survey", "SurveyList", {"Site Survey"},
            {"table cell:Guest", "table cell:Signal 74 %", "table cell:Access point, secured"}));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return)); // Connect
        ASSERT_TRUE(WaitForPage("FrameWlProfSSID1"));
        EXPECT_EQ(Control<QLineEdit>("EdtSSID")->text(), "Guest");
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return));
        ASSERT_TRUE(WaitForPage("FrameWlProfWlMode1"));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return));
        ASSERT_TRUE(WaitForPage("FrameWlProfSecurity1"));
        ASSERT_NO_FATAL_FAILURE(Hear("sr-client-security", "CmbSecurity", {"None"}));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return));
        ASSERT_TRUE(WaitForPage("FrameWlProfConfirm1"));
        ASSERT_NO_FATAL_FAILURE(Hear("sr-client-confirm", "BtnNext", {"Connect"},
                                     {"focus=push button:Connect", "label:Guest"}));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return)); // the station profile written
        ASSERT_TRUE(WaitForPage("FrameSuccess1"));
        ClientReachedSuccess = true;
        ASSERT_NO_FATAL_FAILURE(ScreenReaderAtSuccess("sr-client-success"));

        Boxes.Answers = {true};
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Escape)); // the exit question, answered Yes
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Wizard->isVisible(); }, kStepBound));
    }
    // The device list, searched anew or not, shows both devices; the arrows
    // choose one, Return configures it, the password is typed, Return logs in.
    void ScreenReaderLogIn(const QString& device) {
        auto* refresh = Control("BtnRefresh");
        ASSERT_TRUE(QTest::qWaitFor([&] { return refresh->isEnabled(); }, kStepBound));
        ASSERT_NO_FATAL_FAILURE(
            StrokeArrowsUntil([&] { return Selected("LvDevList") == device; }, qPrintable(device)));
        ASSERT_NO_FATAL_FAILURE(Hear("sr-device-list", "LvDevList",
                                     {"Search for device on the network"},
                                     {"table cell:" + device}));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return)); // Configure
        ASSERT_TRUE(WaitForPage("FramePassword1"));
        ASSERT_NO_FATAL_FAILURE(
            Hear("sr-password", "EdtPassword", {"Password", "default password", "NOTE"}));
        ASSERT_NO_FATAL_FAILURE(StrokeText("tosca"));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return)); // Login, under the progress dialog
        ASSERT_TRUE(WaitForPage("FrameSetupMethod1"));
    }
    // The success page reads its message; Return alone asks nothing.
    void ScreenReaderAtSuccess(const QString& point) {
        ASSERT_NO_FATAL_FAILURE(Hear(point, "LbSuccess1", {"Congratulations!", "Configured"}));
        ASSERT_NO_FATAL_FAILURE(Stroke(Qt::Key_Return));
        QTest::qWait(50);
        EXPECT_EQ(Where(), "FrameSuccess1");
        EXPECT_TRUE(Boxes.Asked.isEmpty()) << qPrintable(Boxes.Asked.join(" | "));
    }

    // The client's survey, filled.
    void WaitForSurvey() {
        ASSERT_TRUE(WaitForPage("FrameSiteSurvey1"));
        auto* refresh = Control("BtnRefresh");
        ASSERT_NE(refresh, nullptr);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return refresh->isEnabled() && Rows("SurveyList", 1).size() == 5; }, kStepBound))
            << qPrintable(Rows("SurveyList", 1).join(", "));
    }
    // From the success page: back to the device list, log in to device, its
    // current IP settings kept (DHCP on the client, the same static address
    // on the access point).
    void StartOver(const QString& device) {
        Press("BtnBack");
        ASSERT_TRUE(WaitForPage("FrameDevList1"));
        Press("BtnRefresh");
        ASSERT_NO_FATAL_FAILURE(LogInTo(device));
        if (device == kClient) {
            Press("RBtnSetIPDHCP");
            Press("BtnNext");
            return;
        }
        Press("RBtnSetIP");
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameDevIPCfg1"));
        Press("BtnNext");
    }
    // The profile host from its SSID page with no security, to the success page.
    void OpenProfile(const QString& ssid) {
        ASSERT_TRUE(WaitForPage("FrameWlProfSSID1"));
        ASSERT_NO_FATAL_FAILURE(Type("EdtSSID", ssid));
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameWlProfWlMode1"));
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameWlProfSecurity1"));
        ASSERT_NO_FATAL_FAILURE(Choose("CmbSecurity", "None"));
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameWlProfConfirm1"));
        Press("BtnNext");
        ASSERT_TRUE(WaitForPage("FrameSuccess1"));
    }
    // One sitting: the client with Manual, with Connect, with WPS, then the
    // access point; each client walk starts at its survey.
    void WalkRoutes() {
        ASSERT_NO_FATAL_FAILURE(PassIntroduction());
        ASSERT_NO_FATAL_FAILURE(LogInTo(kClient));
        Press("RBtnSetIPDHCP");
        Press("BtnNext");
        ASSERT_NO_FATAL_FAILURE(WaitForSurvey());
        Press("BtnBack"); // to the page the user came from
        ASSERT_TRUE(WaitForPage("FrameSetupMethod1"));
        Press("BtnNext");
        ASSERT_NO_FATAL_FAILURE(WaitForSurvey());
        Press("BtnManual");
        ASSERT_TRUE(WaitForPage("FrameSetupMethod1"));
        Press("BtnNext");
        ASSERT_NO_FATAL_FAILURE(OpenProfile(QStringLiteral("Typed-By-Hand")));

        ASSERT_NO_FATAL_FAILURE(StartOver(kClient));
        ASSERT_NO_FATAL_FAILURE(WaitForSurvey());
        ASSERT_NO_FATAL_FAILURE(ClickRow("SurveyList", 1, "Guest"));
        Press("BtnNext"); // "Connect"
        ASSERT_NO_FATAL_FAILURE(OpenProfile(QStringLiteral("Guest")));

        ASSERT_NO_FATAL_FAILURE(StartOver(kClient));
        ASSERT_NO_FATAL_FAILURE(WaitForSurvey());
        Press("BtnWPS");
        ASSERT_TRUE(WaitForPage("FrameWPSMethod1"));
        Press("BtnBack"); // to the survey, whose own Back still knows the way
        ASSERT_NO_FATAL_FAILURE(WaitForSurvey());
        Press("BtnWPS");
        ASSERT_TRUE(WaitForPage("FrameWPSMethod1"));
        Press("BtnNext"); // "Connect", push button: the run under the progress dialog
        ASSERT_TRUE(WaitForPage("FrameSuccess1"));

        ASSERT_NO_FATAL_FAILURE(StartOver(kAccessPoint));
        ASSERT_TRUE(WaitForPage("FrameSetWlMethod1"));
        Press("BtnNext"); // "Manual Setup"
        ASSERT_NO_FATAL_FAILURE(OpenProfile(QStringLiteral("Route-End")));
        ApReachedSuccess = true;
    }

    void Drive() {
        ASSERT_NO_FATAL_FAILURE(WalkAccessPoint());
        ASSERT_NO_FATAL_FAILURE(WalkClient());
    }

    CScriptedBoxes Boxes;
    TFormMain* Wizard = nullptr;
    bool ApReachedSuccess = false;
    bool ClientReachedSuccess = false;
    bool ApReadBack = false;
    bool ClientReadBack = false;
    IPConfig ApIP{};
    WirelessProfile ApWl{};
    IPConfig ClientIP{};
    WirelessProfile ClientWl{};
};

} // namespace

TEST_F(WizardE2E, AccessPointThenClientFromTheLauncherToCongratulations) {
    SWP_REQUIRE_LAB();
    CDemoDevices devices;
    ASSERT_NO_FATAL_FAILURE(devices.Start());
    CLabDevice& accessPoint = devices.AccessPoint;
    CLabDevice& client = devices.Client;
    QTemporaryDir folder;
    ASSERT_NO_FATAL_FAILURE(LoadSampleProduct(folder));
    Timing::SetSpeedup(kSpeedup);

    {
        CProgramWindows windows;
        TFormAutorun& autorun = windows.Autorun;
        TFormMain& wizard = windows.Wizard;
        Wizard = &wizard;
        autorun.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&autorun));
        ASSERT_NO_FATAL_FAILURE(
            DesktopCheck("launcher", {"push button:Setup Wizard", "push button:User's Guide",
                                      "push button:Product Registration", "push button:Exit"}));
        RunFromLauncher(windows, [this] { Drive(); });

        EXPECT_EQ(wizard.result(), TFormMain::ResultExit);
        EXPECT_FALSE(autorun.isVisible()); // Exit confirmed: the launcher closed too
    }
    EXPECT_TRUE(Boxes.Shown.isEmpty()) << qPrintable(Boxes.Shown.join(" | "));
    EXPECT_EQ(Boxes.Asked, QStringList{"Do you want to exit the Setup Wizard?"});
    ASSERT_TRUE(ApReachedSuccess);

    ExpectStaticAddressAndWpa2(accessPoint);

    ASSERT_TRUE(ApReadBack) << "the access point did not answer the configuration read";
    EXPECT_EQ(Dotted(ApIP.IP), "10.91.1.20");
    EXPECT_EQ(ApIP.IpMode, 0);
    EXPECT_EQ(Dotted(ApIP.Gateway), "10.91.1.254");
    EXPECT_STREQ(ApWl.SSID, qPrintable(kApSSID));
    EXPECT_EQ(ApWl.Security, 2);
    EXPECT_EQ(ApWl.WpaMode, 1);
    EXPECT_EQ(ApWl.WpaCipher, 1);

    // The client: its address untouched, one station profile for the WEP
    // network it chose.
    ASSERT_TRUE(ClientReachedSuccess);
    for (const char* kind : {"set_ip", "set_wireless", "set_mode", "wps_pbc", "wps_pin"})
        EXPECT_TRUE(Received(client, kind).isEmpty()) << kind;
    EXPECT_FALSE(Received(client, "survey").isEmpty());
    const QList<QJsonObject> stationSets = Received(client, "set_station");
    ASSERT_EQ(stationSets.size(), 1);
    const QJsonObject station = stationSets[0].value("tlvs").toObject();
    EXPECT_EQ(station.value("WL_SSID").toString(), kJoinedSSID);
    EXPECT_EQ(station.value("WL_SECURITY_MODE").toInt(), 1);
    EXPECT_EQ(station.value("WL_WEPKEY").toString(), kWepKey);
    EXPECT_EQ(station.value("WL_AUTH_MODE").toInt(), 1);

    ASSERT_TRUE(ClientReadBack) << "the client did not answer the configuration read";
    EXPECT_EQ(ClientIP.IpMode, 1);
    EXPECT_EQ(Dotted(ClientIP.IP), "10.91.2.2");
    EXPECT_STREQ(ClientWl.SSID, qPrintable(kJoinedSSID));
    EXPECT_EQ(ClientWl.Security, 1);
    EXPECT_EQ(ClientWl.WepKeyLen, 1);
    EXPECT_EQ(ClientWl.Auth, 1);
}

TEST_F(WizardE2E, KeyboardOnlyStaticAddressAndWpaPskFromTheLauncher) {
    SWP_REQUIRE_LAB();
    CDemoDevices devices;
    ASSERT_NO_FATAL_FAILURE(devices.Start());
    QTemporaryDir folder;
    ASSERT_NO_FATAL_FAILURE(LoadSampleProduct(folder));
    Timing::SetSpeedup(kSpeedup);
    CLogCapture trace;
    {
        CProgramWindows windows;
        Wizard = &windows.Wizard;
        RunFromLauncher(
            windows, [this] { KeyboardWalkAccessPoint(); }, true);
        EXPECT_EQ(windows.Wizard.result(), TFormMain::ResultExit);
    }
    EXPECT_TRUE(Boxes.Shown.isEmpty()) << qPrintable(Boxes.Shown.join(" | "));
    ASSERT_TRUE(ApReachedSuccess);
    ExpectStaticAddressAndWpa2(devices.AccessPoint);
    // The trace of the whole walk holds neither the device password nor the
    // wireless key, in clear or in a packet dump: the key's bytes are stars.
    const QString lines = trace.Lines().join(QString());
    ASSERT_TRUE(lines.contains(QLatin1String("TFormUDP::SendWlSetting()")));
    for (const QString& secret : {kApPassphrase, QStringLiteral("tosca")}) {
        QString hex;
        for (const char byte : secret.toLatin1())
            hex += QString::asprintf("%02X ", static_cast<uint8_t>(byte));
        EXPECT_FALSE(lines.contains(secret)) << qPrintable(secret);
        EXPECT_FALSE(lines.contains(hex)) << qPrintable(secret);
    }
    EXPECT_TRUE(lines.contains(QString(QStringLiteral("** ")).repeated(int(kApPassphrase.size()))));
}

TEST_F(WizardE2E, ClientByManualConnectAndWpsThenAnAccessPointInOneSitting) {
    SWP_REQUIRE_LAB();
    CDemoDevices devices;
    ASSERT_NO_FATAL_FAILURE(devices.Start());
    QTemporaryDir folder;
    ASSERT_NO_FATAL_FAILURE(LoadSampleProduct(folder));
    Timing::SetSpeedup(kSpeedup);
    {
        CProgramWindows windows;
        Wizard = &windows.Wizard;
        RunFromLauncher(windows, [this] { WalkRoutes(); });
    }
    EXPECT_TRUE(Boxes.Shown.isEmpty()) << qPrintable(Boxes.Shown.join(" | "));
    ASSERT_TRUE(ApReachedSuccess);

    QStringList joined;
    for (const QJsonObject& line : Received(devices.Client, "set_station"))
        joined << line.value("tlvs").toObject().value("WL_SSID").toString();
    EXPECT_EQ(joined, (QStringList{"Typed-By-Hand", "Guest"}));
    EXPECT_EQ(Received(devices.Client, "wps_pbc").size(), 1);
    const QList<QJsonObject> wlSets = Received(devices.AccessPoint, "set_wireless");
    ASSERT_EQ(wlSets.size(), 1);
    EXPECT_EQ(wlSets[0].value("tlvs").toObject().value("WL_SSID").toString(), "Route-End");
    EXPECT_TRUE(Received(devices.AccessPoint, "survey").isEmpty());
}

// A screen reader's user, by the keyboard alone, sets up the access point
// (static address, WPA-PSK) and then joins the client to an open network
// picked from its site survey; each page's focus and what is said of it are
// checked (over AT-SPI in the a11y test), and the simulators got the settings.
TEST_F(WizardE2E, ScreenReaderSetsUpAnAccessPointThenAClientByKeyboard) {
    SWP_REQUIRE_LAB();
    CDemoDevices devices;
    ASSERT_NO_FATAL_FAILURE(devices.Start());
    QTemporaryDir folder;
    ASSERT_NO_FATAL_FAILURE(LoadSampleProduct(folder));
    Timing::SetSpeedup(kSpeedup);
    {
        CProgramWindows windows;
        Wizard = &windows.Wizard;
        RunFromLauncher(
            windows, [this] { ScreenReaderWalk(); }, true);
        EXPECT_EQ(windows.Wizard.result(), TFormMain::ResultExit);
    }
    EXPECT_TRUE(Boxes.Shown.isEmpty()) << qPrintable(Boxes.Shown.join(" | "));
    EXPECT_EQ(Boxes.Asked, QStringList{"Do you want to exit the Setup Wizard?"});
    ASSERT_TRUE(ApReachedSuccess);
    ExpectStaticAddressAndWpa2(devices.AccessPoint);
    ASSERT_TRUE(ClientReachedSuccess);
    const QList<QJsonObject> stationSets = Received(devices.Client, "set_station");
    ASSERT_EQ(stationSets.size(), 1);
    const QJsonObject station = stationSets[0].value("tlvs").toObject();
    EXPECT_EQ(station.value("WL_SSID").toString(), "Guest");
    EXPECT_EQ(station.value("WL_SECURITY_MODE").toInt(), 0);
    for (const char* kind : {"set_ip", "set_wireless", "wps_pbc", "wps_pin"})
        EXPECT_TRUE(Received(devices.Client, kind).isEmpty()) << kind;
}
