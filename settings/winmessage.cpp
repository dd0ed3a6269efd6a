#include "settings/winmessage.h"

#include <QCoreApplication>

void PostWinMessage(QObject* receiver, int message, intptr_t wParam, intptr_t lParam) {
    if (receiver)
        QCoreApplication::postEvent(receiver, new CWinMessage(message, wParam, lParam));
}
