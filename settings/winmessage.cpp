#include "settings/winmessage.h"

#include <QCoreApplication>

void PostWinMessage(QObject* receiver, int message, intptr_t wParam, intptr_t lParam) {
    if (receiver)
        QCoreApplication::postEvent(receiver, new CWinMessage(message, wParam, lParam));
}

namespace {
QObject* g_MainWindow = nullptr;
}

void SetApplicationMainWindow(QObject* window) {
    g_MainWindow = window;
}

QObject* ApplicationMainWindow() {
    return g_MainWindow;
}

void PostToMainWindow(int message, intptr_t wParam, intptr_t lParam) {
    PostWinMessage(g_MainWindow, message, wParam, lParam);
}
