#pragma once
// The private window messages of the wizard as Qt events. Each keeps the
// numeric value of the message it stands for; "post" is
// QCoreApplication::postEvent, "send" a direct call of the receiver's event().

#include <QEvent>
#include <QObject>
#include <cstdint>

constexpr int UM_SOCKET = 0x8001;
constexpr int UM_PAGE_SWITCH = 0x8064;
constexpr int UM_UDP_READ = 0x8065;
constexpr int UM_UDP_RESULT = 0x8066;
constexpr int UM_UDP_TIMEOUT = 0x8067;
constexpr int UM_UDP_EVENT = 0x8068;

// wParam of UM_PAGE_SWITCH
constexpr int PAGE_EXIT = 1;
constexpr int PAGE_NEXT = 2;
constexpr int PAGE_BACK = 3;

// Pending-request codes: the wParam of UM_UDP_RESULT and UM_UDP_TIMEOUT.
enum WaitCode : int {
    WAIT_NONE = 0,
    WAIT_DISCOVER = 1,
    WAIT_LOGIN = 2,
    WAIT_LOGOUT = 3,
    WAIT_IP_SETTING = 4,
    WAIT_WL_SETTING = 5,
    WAIT_GET_CONFIG = 6,
    WAIT_WPS_PBC = 7,
    WAIT_WPS_PIN = 8,
    WAIT_SITE_SURVEY = 9,
    WAIT_SET_MODE = 10,
    WAIT_WL_STA_SETTING = 11,
    WAIT_STA_GET_CONFIG = 12,
};

class CWinMessage : public QEvent {
public:
    CWinMessage(int message, intptr_t wParam, intptr_t lParam)
        : QEvent(static_cast<QEvent::Type>(message)), WParam(wParam), LParam(lParam) {}
    int Message() const { return static_cast<int>(type()); }

    const intptr_t WParam;
    const intptr_t LParam;
};

// Queues a message for receiver (it runs after the caller has returned).
void PostWinMessage(class QObject* receiver, int message, intptr_t wParam, intptr_t lParam);

// The application's main window (the launcher): pages and the engine post
// their messages to it and it relays them to the wizard window.
void SetApplicationMainWindow(QObject* window);
QObject* ApplicationMainWindow();
// Posts to the application's main window.
void PostToMainWindow(int message, intptr_t wParam, intptr_t lParam);
