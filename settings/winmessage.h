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

// Pending-request codes: the code of UM_UDP_RESULT and UM_UDP_TIMEOUT.
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

// The page-switch message: wParam the request code, lParam the param.
class CWinMessage : public QEvent {
public:
    CWinMessage(int message, intptr_t wParam, intptr_t lParam)
        : QEvent(static_cast<QEvent::Type>(message)), WParam(wParam), LParam(lParam) {}
    int Message() const { return static_cast<int>(type()); }

    const intptr_t WParam;
    const intptr_t LParam;
};

// What the engine reports: UM_UDP_RESULT and UM_UDP_TIMEOUT with the
// pending-request code, UM_UDP_EVENT with the event's TLV type. The value is
// the reply's result byte (0 = refused, for a result), the event's signed
// status, or 0 for a time-out.
class CUdpMessage : public QEvent {
public:
    CUdpMessage(int message, int code, int32_t value)
        : QEvent(static_cast<QEvent::Type>(message)), m_Code(code), m_Value(value) {}
    int Message() const { return static_cast<int>(type()); }
    bool IsResult() const { return Message() == UM_UDP_RESULT; }
    bool IsTimeout() const { return Message() == UM_UDP_TIMEOUT; }
    bool IsEvent() const { return Message() == UM_UDP_EVENT; }
    // The pending-request code of a result or time-out; the TLV type of an event.
    int Code() const { return m_Code; }
    int32_t Value() const { return m_Value; }
    // A result the device answered with a non-zero result.
    bool Positive() const { return m_Value != 0; }

private:
    int m_Code;
    int32_t m_Value;
};

// Queues a message for receiver (it runs after the caller has returned).
void PostWinMessage(QObject* receiver, int message, intptr_t wParam, intptr_t lParam);
void PostUdpMessage(QObject* receiver, int message, int code, int32_t value);

// The application's main window (the launcher): pages and the engine post
// their messages to it and it relays them to the wizard window.
void SetApplicationMainWindow(QObject* window);
QObject* ApplicationMainWindow();
// Posts to the application's main window.
void PostToMainWindow(int message, intptr_t wParam, intptr_t lParam);
void PostUdpToMainWindow(int message, int code, int32_t value);
