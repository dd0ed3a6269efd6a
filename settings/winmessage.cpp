#include "settings/winmessage.h"

#include <QCoreApplication>

void PostWinMessage(QObject* receiver, int message, intptr_t wParam, intptr_t lParam) {
    if (receiver)
        QCoreApplication::postEvent(receiver, new CWinMessage(message, wParam, lParam));
}

void PostUdpMessage(QObject* receiver, int message, int code, int32_t value) {
    if (receiver)
        QCoreApplication::postEvent(receiver, new CUdpMessage(message, code, value));
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

void PostUdpToMainWindow(int message, int code, int32_t value) {
    PostUdpMessage(g_MainWindow, message, code, value);
}
