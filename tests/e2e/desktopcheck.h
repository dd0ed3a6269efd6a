#pragma once
// Checks of the program on a real desktop, made from outside the program at
// points of a walk: a screen reader's reading over AT-SPI, a screenshot taken
// by the Wayland compositor. The command named by SETUP_DESKTOP_CHECK runs
// with the program's process id, the point's name and what must be seen there
// ("role:name" items); the walk keeps the event loop running meanwhile, so
// the program answers the reader. Without SETUP_DESKTOP_CHECK nothing happens.
// SETUP_DESKTOP_PLATFORM, when set, is the Qt platform the walk must run on;
// SETUP_DESKTOP_SCALE the screen's scale, which the windows and the built-in
// pictures follow.

#include "settingsui/formres.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

inline QWidget* FrontWindow() {
    QWidget* front = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && (!front || window->isModal()))
            front = window;
    return front;
}

// The window in front in its device pixels: at scale 2 twice its size, with
// the double-resolution pictures. With SETUP_GRAB_DIR set it is saved there
// as <point>.png.
inline void CheckFrontWindow(const QString& point) {
    const QString folder = qEnvironmentVariable("SETUP_GRAB_DIR");
    const int scale = qEnvironmentVariableIntValue("SETUP_DESKTOP_SCALE");
    if (folder.isEmpty() && scale == 0)
        return;
    QWidget* front = FrontWindow();
    ASSERT_NE(front, nullptr) << qPrintable(point);
    const QImage picture = front->grab().toImage();
    if (scale != 0) {
        EXPECT_EQ(picture.size(), front->size() * scale) << qPrintable(point);
        ASSERT_NE(FormRes, nullptr);
        EXPECT_EQ(FormRes->Scale(), scale);
    }
    if (!folder.isEmpty()) {
        EXPECT_TRUE(picture.save(folder + u'/' + point + QStringLiteral(".png")));
    }
}

inline void DesktopCheck(const QString& point, const QStringList& expected = {}) {
    CheckFrontWindow(point);
    const QString command = qEnvironmentVariable("SETUP_DESKTOP_CHECK");
    if (command.isEmpty())
        return;
    const QString platform = qEnvironmentVariable("SETUP_DESKTOP_PLATFORM");
    if (!platform.isEmpty()) {
        EXPECT_EQ(QGuiApplication::platformName(), platform);
    }
    // What is on screen now is drawn and handed to the window system first.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible())
            window->repaint();
    QCoreApplication::processEvents();
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(command,
                QStringList{QString::number(QCoreApplication::applicationPid()), point} + expected);
    ASSERT_TRUE(check.waitForStarted()) << qPrintable(command);
    // The program answers the reader's questions while the check runs.
    const bool ended =
        QTest::qWaitFor([&] { return check.state() == QProcess::NotRunning; }, 90000);
    const QString output = QString::fromLocal8Bit(check.readAll());
    ASSERT_TRUE(ended) << qPrintable(point) << ": the check did not end\n" << qPrintable(output);
    EXPECT_EQ(check.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(check.exitCode(), 0) << qPrintable(point) << "\n" << qPrintable(output);
    std::printf("%s", qPrintable(output));
}
