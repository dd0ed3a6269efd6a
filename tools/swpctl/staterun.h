#pragma once
// One device brought to a desired state, the one code path of `swpctl apply`
// and of the single commands set-ip, set-wireless, set-station and set-mode
// (a single command is the desired state of one device with the fields it
// names): log in, read (the mode alone when only the mode is named), compare,
// and send only the parts that differ (mode, address, wireless profile), each
// through the request runner with the pause and the re-read the wizard uses,
// then log out. --check logs in and reads but sends nothing. The run ends
// with a DeviceReport handed to DeviceEnded.

#include "tools/swpctl/applystate.h"
#include "tools/swpctl/enginetarget.h"
#include "tools/swpctl/inventory.h"

#include <functional>
#include <vector>

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

class CStateRun : public CEngineTarget {
    Q_OBJECT

public:
    explicit CStateRun(QObject* parent = nullptr);
    ~CStateRun() override;

protected:
    // Brings the device of report.record to wanted, which must outlive the
    // run. sendKeys: a profile that names a key or a wireless mode (never
    // reported) is sent for them alone.
    void RunDevice(const DesiredDevice& wanted, DeviceReport report, bool check, bool sendKeys);
    virtual void DeviceEnded(const DeviceReport& report) = 0;
    // A profile is to be sent over a WEP or WPA-PSK security and names no
    // key: put one into the profile of wanted for that mode and return true,
    // or return false with what the user must give. mayAsk: the user may be
    // asked (not for --check).
    virtual bool SupplyKey(int mode, bool mayAsk, QString& missing);
    // Why the profile given for profileMode is not sent to a device in deviceMode.
    virtual QString ModeMismatch(int deviceMode, int profileMode) const;
    // The runner's report of a run that is not a device's.
    virtual void OtherRunFinished(const RequestResult&) {}
    bool DeviceBusy() const { return m_Busy; }

private:
    void Login();
    void ReadConfig();
    void Predict();
    // The checks made before sending the address and the profile over the state now.
    bool AddressAccepted(const DeviceState& now, RunFailure& refused) const;
    bool ProfileAccepted(const DeviceState& now, bool asking, RunFailure& refused);
    // The profile goes out for its key or wireless mode alone.
    bool ProfileForced(int mode) const;
    bool ProfileSent(const DeviceState& now) const;
    // The write-only fields of the profile for mode, not compared or sent unseen.
    void NoteUnreported(int mode, bool profileSent);
    void StepMode();
    void StepAddress();
    void StepProfile();
    // Sends part, which differs from the device in changes, with plan; then goes on.
    void Send(const Part& part, const std::vector<FieldChange>& changes, RequestPlan plan,
              const QString& what, CReplyWait::Action then);
    void DeviceDone();
    void DeviceFailed(int exitCode, const QString& reason);
    void DeviceFailed(const RunFailure& failure) {
        DeviceFailed(failure.exitCode, failure.message);
    }
    void EndDevice();
    void RunFinished(const RequestResult& result);

    const DesiredDevice* m_Wanted = nullptr;
    DeviceReport m_Report;
    bool m_Check = false;
    bool m_SendKeys = false;
    bool m_Busy = false;
    DeviceState m_Before;
    std::vector<Field> m_Sent;
    bool m_ProfileSent = false;

    QString m_RunWhat;
    std::function<void()> m_RunDone;

    CWaitTimer m_DeviceLimit; // each device, like the progress dialog's own limit
};

} // namespace swpctl
