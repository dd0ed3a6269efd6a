#pragma once
// One run of a swpctl command against the protocol engine. The session is the
// engine's target: the engine posts UM_UDP_RESULT, UM_UDP_TIMEOUT and
// UM_UDP_EVENT to it, and each message moves the command's little state
// machine on (discover, pick the device, log in, read, set, re-read ...), with
// the waits, pauses and one re-login the wizard pages use. It ends by emitting
// Finished with the exit code, once.

#include "protocol/formudp.h"
#include "tools/swpctl/options.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>

namespace swpctl {

class CSession : public QObject {
    Q_OBJECT

public:
    explicit CSession(const CtlOptions& options, QObject* parent = nullptr);
    ~CSession() override;

    // Begins the command; call it from the running event loop.
    void Start();
    TFormUDP& Engine() { return m_Engine; }

signals:
    void Finished(int exitCode);

protected:
    bool event(QEvent* e) override;

private:
    using ResultHandler = std::function<void(intptr_t result)>;
    using Action = std::function<void()>;

    // A setting request with its re-login rule, as the pages' progress
    // dialogs run it.
    struct SettingRun {
        QString what;            // for messages: "IP setting"
        int code = 0;            // the pending-request code of its reply
        int waitMs = 0;          // for messages
        Action send;             // sends the request with its wait
        bool logoutFirst = true; // re-login after a time-out: log out first
        int refusedExit = 0;
        Action accepted;
    };

    // Expect the result of the request with this code next; any other result
    // or time-out is stale and ignored.
    void Await(int code, ResultHandler onResult, Action onTimeout);
    void OnResult(int code, intptr_t result);
    void OnTimeout(int code);
    void OnEvent(intptr_t type, intptr_t value);
    void Finish(int exitCode, const QString& message = QString());
    void Pause(int ms, Action then);
    void TimedOut(const QString& what, int waitMs);

    bool CheckAdapter();
    void Discovered();
    bool ChooseDevice(const std::vector<DeviceRecord>& devices);
    void Login();
    void AfterLogin();
    void ReadConfig(Action then);
    // The follow-up of a configuration reply: then, or the end when it held
    // no value.
    ResultHandler ConfigRead(Action then);
    // After a positive login: false (and the end) when the reply named a port
    // that could not be taken.
    bool LoginPortUsable();
    void AfterConfig();

    void RunSetting(SettingRun run);
    void SettingStep();
    void Relogin(bool logoutFirst, Action then);
    void Reread(Action then);

    void RunSetIp();
    void RunWireless();
    void RunSetMode();
    void RunWps();
    void SendWpsRequest();
    void WpsAccepted();
    void WpsStatus(int32_t status);
    void WpsDone(int32_t status, bool reread);

    void PrintSurvey();
    void PrintClientPin();

    CtlOptions m_Options;
    TFormUDP m_Engine;
    DeviceRecord m_Device{};

    int m_Expect = WAIT_NONE;
    ResultHandler m_OnResult;
    Action m_OnTimeout;

    SettingRun m_Run;
    bool m_RetryLogin = false; // one (re-)login left in the running sequence
    bool m_Done = false;

    // WPS: status events are followed only after the device accepted the
    // request; the start tick counts only when status 3 came in this run.
    bool m_WaitingForStatus = false;
    bool m_WpsStarted = false;
    uint32_t m_WpsStartTick = 0;
    QTimer m_WpsLimit;
    QTimer m_Limit; // the whole command, like the progress dialog's own limit
    QTimer m_Pause;
};

} // namespace swpctl
