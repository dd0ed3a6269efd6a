#pragma once
// Fixture for the wireless pages: the wizard as the program creates it, placed
// by the test on the wireless setup method page or the profile host, and
// helpers that use the pages as a user does (buttons, typing, list choices).

#include "pages/filedialogs.h"
#include "pages/framesetwlmethod.h"
#include "pages/framesuccess.h"
#include "pages/framewlprofconfirm.h"
#include "pages/framewlprofile.h"
#include "pages/framewlprofpsk.h"
#include "pages/framewlprofsecurity.h"
#include "pages/framewlprofssid.h"
#include "pages/framewlprofwep.h"
#include "pages/framewlprofwlmode.h"
#include "protocol/formudp.h"
#include "settings/textutil.h"
#include "tests/app/wizardfixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <cstring>
#include <vector>

class WlProfileFixture : public WizardFixture {
protected:
    // From the SSID sub-page, with this SSID, to the security sub-page.
    void WalkToSecurity(const QString& ssid = QStringLiteral("HomeNet")) {
        ASSERT_EQ(SubPage(), SSID);
        Type(SSID, "EdtSSID", ssid);
        Click(SSID, "BtnNext");
        ASSERT_EQ(SubPage(), WlMode);
        Click(WlMode, "BtnNext");
        ASSERT_EQ(SubPage(), Security);
    }
    // Chooses the security code on the security sub-page and goes on.
    void ChooseSecurity(int security) {
        Choose(Security, "CmbSecurity", security);
        Click(Security, "BtnNext");
    }
    // Finds the device with this MAC, logs in to it through the engine and
    // reads its configuration, as the device list and password pages do; then
    // the wizard window's copy step before the wireless pages.
    static void LogInThroughEngine(TFormUDP& engine, const uint8_t mac[6]) {
        auto idle = [&engine] {
            return QTest::qWaitFor([&engine] { return engine.PendingRequest == WAIT_NONE; }, 30000);
        };
        g_Var.Password = QStringLiteral("tosca");
        ASSERT_TRUE(engine.SendDiscover(4000, true));
        ASSERT_TRUE(idle());
        std::vector<DeviceRecord> devices;
        engine.GetDeviceList(devices);
        bool found = false;
        for (const DeviceRecord& device : devices)
            if (std::memcmp(device.MAC, mac, 6) == 0) {
                g_Var.Device = device;
                found = true;
            }
        ASSERT_TRUE(found) << "the device did not answer the discovery";
        engine.SendLogin(5000);
        ASSERT_TRUE(idle());
        ASSERT_TRUE(engine.LoggedIn);
        engine.SendGetConfig(15000);
        ASSERT_TRUE(idle());
        g_Var.SetupMethod = 1;
        g_Var.NewIP = g_Var.CurIP;
        g_Var.NewWl = g_Var.CurWl;
    }

    // Creates the wizard with these settings. The walk from the license page
    // is not part of these tests: the first Next is taken back and the test
    // shows the page it starts on.
    void Open(const QByteArray& settings = QByteArray("[Setting]\n")) {
        // Labels read by an earlier test go back to their built-in texts.
        for (const CGlobalVar::Label& label : CGlobalVar::Labels)
            g_Var.*label.field = QString::fromUtf8(label.builtIn);
        CreateWizard(settings);
        QCoreApplication::removePostedEvents(Form.get(), UM_PAGE_SWITCH);
        Form->show();
        ResetState();
        Host = Form->findChild<TFrameWlProfile*>("FrameWlProfile1");
        SetWlMethod = Form->findChild<TFrameSetWlMethod*>("FrameSetWlMethod1");
        Success = Form->findChild<TFrameSuccess*>("FrameSuccess1");
        ASSERT_TRUE(Host && SetWlMethod && Success);
        SSID = Host->SSIDPage();
        WlMode = Host->WlModePage();
        Security = Host->SecurityPage();
        WEP = Host->WEPPage();
        PSK = Host->PSKPage();
        Confirm = Host->ConfirmPage();
    }

    static void ResetState() {
        g_Var.ResetIPConfig(g_Var.CurIP);
        g_Var.ResetIPConfig(g_Var.NewIP);
        g_Var.ResetProfile(g_Var.CurWl);
        g_Var.ResetProfile(g_Var.NewWl);
        g_Var.SelectedAP = {};
        g_Var.DeviceMode = DEVICE_AP;
        g_Var.WlMethod = 0;
        g_Var.SetupMethod = 1;
    }

    // The access point chosen on the site survey page.
    static void ChooseAP(const char* ssid, int encryption, int authentication) {
        g_Var.SelectedAP = {};
        CopyBounded(g_Var.SelectedAP.SSID, sizeof g_Var.SelectedAP.SSID, QString::fromUtf8(ssid));
        g_Var.SelectedAP.Encryption = static_cast<uint8_t>(encryption);
        g_Var.SelectedAP.Authentication = static_cast<uint8_t>(authentication);
    }

    // The profile host entered going forward, as Next from the page before it.
    void EnterHost() {
        ASSERT_TRUE(Form->ShowFrame(Host, Direction::Forward, 0));
        Settle();
    }

    TFrameBase* Page() const { return Form->CurrentFrame; }
    TFrameBase* SubPage() const { return Host->CurrentSubPage(); }

    template <class T> static T* Child(QWidget* page, const char* name) {
        T* child = page->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    // Clicks a button of page with the mouse and runs what it posted.
    void Click(QWidget* page, const char* name) {
        auto* button = Child<QAbstractButton>(page, name);
        ASSERT_TRUE(button);
        ASSERT_TRUE(button->isVisible()) << name;
        QTest::mouseClick(button, Qt::LeftButton);
        Settle();
    }
    // Replaces the text of an edit by typing.
    static void Type(QWidget* page, const char* name, const QString& text) {
        auto* edit = Child<QLineEdit>(page, name);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    // The edit has the focus of its window (the offscreen window is never active).
    static bool HasFocus(QWidget* page, const char* name) {
        QWidget* edit = Child<QWidget>(page, name);
        return edit && edit->window()->focusWidget() == edit;
    }
    static QString Text(QWidget* page, const char* name) {
        if (auto* edit = page->findChild<QLineEdit*>(QString::fromLatin1(name)))
            return edit->text();
        if (auto* label = page->findChild<QLabel*>(QString::fromLatin1(name)))
            return label->text();
        if (auto* button = page->findChild<QAbstractButton*>(QString::fromLatin1(name)))
            return button->text();
        ADD_FAILURE() << "no control " << name;
        return {};
    }
    // Chooses the item with this value from the keyboard, as a user does.
    static void Choose(QWidget* page, const char* name, int value) {
        auto* list = Child<QComboBox>(page, name);
        const int index = list->findData(value);
        ASSERT_GE(index, 0) << name << " has no value " << value;
        QTest::keyClick(list, Qt::Key_Home);
        for (int i = 0; i < index; ++i)
            QTest::keyClick(list, Qt::Key_Down);
        ASSERT_EQ(list->currentIndex(), index);
    }
    static int Selected(QWidget* page, const char* name) {
        auto* list = Child<QComboBox>(page, name);
        return list->currentIndex() < 0 ? -1 : list->currentData().toInt();
    }
    static QStringList Items(QWidget* page, const char* name) {
        auto* list = Child<QComboBox>(page, name);
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        return items;
    }

    TFrameWlProfile* Host = nullptr;
    TFrameSetWlMethod* SetWlMethod = nullptr;
    TFrameSuccess* Success = nullptr;
    TFrameWlProfSSID* SSID = nullptr;
    TFrameWlProfWlMode* WlMode = nullptr;
    TFrameWlProfSecurity* Security = nullptr;
    TFrameWlProfWEP* WEP = nullptr;
    TFrameWlProfPSK* PSK = nullptr;
    TFrameWlProfConfirm* Confirm = nullptr;
};
