#pragma once
// One run of a swpctl command against the protocol engine. The session is the
// engine's target: the engine posts UM_UDP_RESULT, UM_UDP_TIMEOUT and
// UM_UDP_EVENT to it, and each message moves the command's little state
// machine on (discover, pick the device, log in, read, set, re-read ...), with
// the waits, pauses and one re-login the wizard pages use. It ends by emitting
// Finished with the exit code, once.

#include "settings/waittimer.h"
#include "tools/swpctl/enginetarget.h"
#include "tools/swpctl/options.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace swpctl {

// How a request run that did not end Done ends the command: its exit code
// and message. what names the request, refusedExit is the code of a refusal.
struct RunFailure {
    int exitCode;
    QString message;
};
RunFailure DescribeFailure(const RequestResult& result, const QString& what, int refusedExit,
                           const DeviceRecord& device);
// The failures of a login and of a configuration read, worded once for every command.
RunFailure LoginRefused(const DeviceRecord& device);
RunFailure LoginPortUnusable(const DeviceRecord& device);
RunFailure ConfigEmpty(const DeviceRecord& device);
// what: the request the device did not answer ("login", ...); waitMs: how long it had.
RunFailure NoAnswer(const QString& what, int waitMs);

// Readies g_Var and the engine to log in to device with password, as the
// device list page does before the password page logs in.
void PrepareLogin(TFormUDP& engine, const DeviceRecord& device, const QString& password);

// Whether a local adapter has this IPv4 address (for --adapter).
bool AdapterHasAddress(const QString& address);

class CSession : public CEngineTarget {
    Q_OBJECT

public:
    explicit CSession(const CtlOptions& options, QObject* parent = nullptr);
    ~CSession() override;

    // Begins the command; call it from the running event loop.
    void Start();

signals:
    void Finished(int exitCode);

private:
    using DoneHandler = std::function<void(const RequestResult& result)>;

    void Finish(int exitCode, const QString& message = QString());
    void Finish(const RunFailure& failure) { Finish(failure.exitCode, failure.message); }
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

    // Runs plan as the pages' progress dialogs do; what names the request in
    // messages, done takes the run's success.
    void RunRequest(RequestPlan plan, const QString& what, int refusedExit, DoneHandler done);
    void RequestFinished(const RequestResult& result);

    void RunSetIp();
    void RunWireless();
    void RunSetMode();
    void RunWps();
    void SendWpsRequest();
    void WpsDone(int32_t status, bool reread);

    void PrintSurvey();
    void PrintClientPin();

    CtlOptions m_Options;
    DeviceRecord m_Device{};

    QString m_RunWhat;
    int m_RunRefusedExit = 0;
    DoneHandler m_RunDone;

    CWaitTimer m_Limit; // the whole command, like the progress dialog's own limit
};

} // namespace swpctl
