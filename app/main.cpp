// Setup: start-up and shut-down of the wizard.

#include "app/programwindows.h"
#include "framework/guimessagebox.h"
#include "platform/instancelock.h"
#include "platform/program.h"
#include "protocol/capturefile.h"
#include "settings/debug.h"
#include "settings/globalvar.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QMessageBox>
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

} // namespace

int main(int argc, char* argv[]) {
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
