#pragma once
// One run of a swpctl command against the protocol engine. The session is the
// engine's target: the engine posts UM_UDP_RESULT, UM_UDP_TIMEOUT and
// UM_UDP_EVENT to it, and each message moves the command's little state
// machine on (discover, pick the device, log in, read, set, re-read ...), with
// the waits, pauses and one re-login the wizard pages use. set-ip,
// set-wireless, set-station and set-mode are the desired state of one device
// with the fields they name, brought about as `apply` does (CStateRun). With
// --device MAC the search ends as soon as that device has answered. It ends
// by emitting Finished with the exit code, once.

#include "settings/waittimer.h"
#include "tools/swpctl/applystate.h"
#include "tools/swpctl/enginetarget.h"
#include "tools/swpctl/inventory.h"
#include "tools/swpctl/options.h"
#include "tools/swpctl/staterun.h"

#include <QJsonObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace swpctl {

// The single commands that bring a device to a desired state.
bool SetsState(Command command);
// The desired state a single command names for device (no ip, profile or
// mode where the command names none).
DesiredDevice DesiredOf(const CtlOptions& options, const DeviceRecord& device);
// Its exit code: 0, kExitDiffers when --check finds a difference, or the failure's.
int ResultExitCode(const DeviceReport& report);
// The JSON of a single command's result, in the shape of `apply --json`:
// {"command", "check", "devices": [the device's report], "exit_code"}.
QJsonObject ResultJson(Command command, bool check, const DeviceReport& report);

class CSession : public CStateRun {
    Q_OBJECT

public:
    explicit CSession(const CtlOptions& options, QObject* parent = nullptr);
    ~CSession() override;

    // Where a key the profile needs and the command line did not give comes
    // from (SWP_KEY, a prompt when mayAsk): the key, or nothing.
    using KeySource = std::function<std::optional<QString>(const QString& question, bool mayAsk)>;
    void SetKeySource(KeySource source) { m_KeySource = std::move(source); }

    // Begins the command; call it from the running event loop.
    void Start();

    // The report of a command that sets a state, once it has ended.
    const std::optional<DeviceReport>& Result() const { return m_Result; }

signals:
    void Finished(int exitCode);

protected:
    void DeviceEnded(const DeviceReport& report) override;
    bool SupplyKey(int mode, bool mayAsk, QString& missing) override;
    QString ModeMismatch(int deviceMode, int profileMode) const override;
    void OtherRunFinished(const RequestResult& result) override;

private:
    using DoneHandler = std::function<void(const RequestResult& result)>;

    void Finish(int exitCode, const QString& message = QString());
    void Finish(const RunFailure& failure) { Finish(failure.exitCode, failure.message); }
    void TimedOut(const QString& what, int waitMs);

    bool CheckAdapter();
    // A device answered the search: with --device MAC, that one ends it.
    void Answered(const DeviceRecord& device);
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

    void RunState();
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
    bool m_Searching = false;
    DesiredDevice m_Desired;
    KeySource m_KeySource;
    std::optional<DeviceReport> m_Result;
};

} // namespace swpctl
