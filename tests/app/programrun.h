#pragma once
// Test helper for walks through the whole program in the lab: the demo's
// simulated devices, the sample product folder as the program folder, and the
// wizard opened from the launcher's Setup Wizard button.

#include "app/programwindows.h"
#include "settings/globalvar.h"
#include "tests/common/labsim.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

inline QString SourceDir() {
    return qEnvironmentVariable("SETUP_SOURCE_DIR", QStringLiteral("."));
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The access point (dev1) and the client (dev2) of scripts/demo.
struct CDemoDevices {
    void Start() {
        ASSERT_TRUE(AccessPoint.Start("dev1", ReadFile(SourceDir() + "/scripts/demo.d/ap.json")))
            << qPrintable(AccessPoint.Error());
        ASSERT_TRUE(Client.Start("dev2", ReadFile(SourceDir() + "/scripts/demo.d/client.json")))
            << qPrintable(Client.Error());
    }
    CLabDevice AccessPoint;
    CLabDevice Client;
};

// The sample product's settings and license in a program folder, loaded into
// g_Var as the program loads them.
inline void LoadSampleProduct(const QTemporaryDir& folder) {
    for (const char* name : {"Setup.ini", "License.rtf"})
        ASSERT_TRUE(QFile::copy(SourceDir() + "/resources/product/" + name, folder.filePath(name)))
            << name;
    g_Var.Load(folder.filePath("Setup"));
}

// Shows the launcher, presses Setup Wizard (by the mouse, or with Tab and
// Space) and runs drive inside the wizard's modal showing; should drive fail,
// the wizard is closed so that the launcher gets control back. Returns when the
// modal showing has ended.
inline void RunFromLauncher(CProgramWindows& windows, const std::function<void()>& drive,
                            bool byKeyboard = false) {
    windows.Autorun.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&windows.Autorun));
    QCoreApplication::processEvents(); // the wizard's first Next
    TFormMain& wizard = windows.Wizard;
    QTimer::singleShot(0, &wizard, [&] {
        drive();
        if (wizard.isVisible())
            wizard.done(TFormMain::ResultCancel);
    });
    QWidget* const setupWizard = windows.Autorun.findChild<QWidget*>("BtnSetupWizard");
    if (!byKeyboard) {
        QTest::mouseClick(setupWizard, Qt::LeftButton);
        return;
    }
    for (int i = 0; i < 8 && windows.Autorun.focusWidget() != setupWizard; ++i)
        QTest::keyClick(windows.Autorun.focusWidget() ? windows.Autorun.focusWidget()
                                                      : &windows.Autorun,
                        Qt::Key_Tab);
    ASSERT_EQ(windows.Autorun.focusWidget(), setupWizard);
    QTest::keyClick(setupWizard, Qt::Key_Space);
}
