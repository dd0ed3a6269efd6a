// Setup: start-up and shut-down of the wizard.

#include "app/programwindows.h"
#include "framework/guimessagebox.h"
#include "platform/instancelock.h"
#include "platform/program.h"
#include "protocol/capturefile.h"
#include "settings/debug.h"
#include "settings/globalvar.h"
#include "setupversion.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QMessageBox>
#include <cstdio>
#include <cstring>
#include <exception>

namespace {

// The layouts are drawn for Tahoma 8 pt. Where the desktop has no Tahoma, the
// Tahoma-compatible faces shipped with Wine's fonts keep their metrics.
void UseTahoma() {
    if (!QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
        for (const char* file :
             {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
            if (QFile::exists(QString::fromLatin1(file)))
                QFontDatabase::addApplicationFont(QString::fromLatin1(file));
    }
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    QApplication::setFont(font);
}

int RunWizard(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(g_Var.AppTitle);
    QApplication::setApplicationDisplayName(g_Var.AppTitle);
    UseTahoma();
    CGuiMessageBox boxes;
    SetMessageBoxes(&boxes);

    int result = 0;
    try {
        CProgramWindows windows;
        windows.Autorun.show();
        result = app.exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, g_Var.AppTitle, QString::fromLocal8Bit(error.what()));
    }
    SetMessageBoxes(nullptr);
    return result;
}

const char kUsage[] =
    "usage: swp-setup [--trace] [Qt options]\n"
    "       swp-setup --help | --version\n"
    "\n"
    "The setup wizard of the wireless access points and bridges: it finds the\n"
    "devices on the local network, logs in and sets a device's IP address, its\n"
    "wireless profile (SSID, security, key), its operating mode, or pairs it by\n"
    "WPS.\n"
    "\n"
    "  --trace    write the debug trace (Setup.Log) and a capture of every\n"
    "             datagram (Setup.pcapng) into the trace folder, see swp-setup(1);\n"
    "             the capture lets anyone who has it recover a wireless key the\n"
    "             wizard sends, with or without the device password\n"
    "  --help     this text\n"
    "  --version  the version\n"
    "Qt options such as -platform offscreen are passed on to Qt.\n"
    "See swp-setup(1) and swpctl(1), the command-line client.\n";

// --help and --version print and end before anything of the wizard starts;
// -1 when neither is given.
int PrintedInformation(int argc, char* argv[]) {
    for (int n = 1; n < argc; ++n) {
        if (std::strcmp(argv[n], "--help") == 0 || std::strcmp(argv[n], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[n], "--version") == 0) {
            std::printf("swp-setup %s\n", SETUP_VERSION);
            return 0;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (const int printed = PrintedInformation(argc, argv); printed >= 0)
        return printed;
    // Program initialisation: the debug log, then the shared state reads the
    // product settings beside the program.
    CDebug debug(ProgramFilePath());
    CDebug::SetInstance(&debug);
    g_Var.Load();

    CInstanceLock instance(g_Var.MutexName);
    if (instance.State() == CInstanceLock::Failed) {
        DebugLog("FAIL CreateMutex()");
        return 0;
    }
    if (instance.State() == CInstanceLock::AlreadyRunning) {
        DebugLog("FAIL another instance is running");
        return 0;
    }
    // With the trace on, the datagrams go into a capture beside it too.
    const auto capture = swp::OpenCaptureBesideTrace(&debug);
    const int result = RunWizard(argc, argv);
    CDebug::SetInstance(nullptr);
    return result;
}
