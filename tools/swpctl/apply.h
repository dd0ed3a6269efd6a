#pragma once
// `swpctl apply`: one discovery, then device by device of the inventory: log
// in, read, compare with the file, and send only the parts that differ (mode,
// address, wireless profile), each through the request runner with the pause
// and the re-read the wizard uses, then log out. A device that fails is
// reported and the next one follows. --check logs in and reads but sends
// no setting. It ends by emitting Finished with the exit code, once.

#include "tools/swpctl/applystate.h"
#include "tools/swpctl/enginetarget.h"
#include "tools/swpctl/inventory.h"
#include "tools/swpctl/options.h"
#include "tools/swpctl/session.h"

#include <QJsonArray>
#include <QSet>
#include <QTimer>
#include <deque>
#include <functional>
#include <vector>

namespace swpctl {

class CApplySession : public CEngineTarget {
    Q_OBJECT

public:
    explicit CApplySession(const CtlOptions& options, QObject* parent = nullptr);
    ~CApplySession() override;

    // Reads the file and begins; call it from the running event loop.
    void Start();

signals:
    void Finished(int exitCode);

private:
    struct Job {
        const DesiredDevice* wanted;
        DeviceReport report;
    };

    bool LoadFile();
    bool OnlyNamesKnownDevices(const QSet<QString>& macs);
    bool Chosen(const DesiredDevice& wanted, const std::vector<const DeviceRecord*>& matches) const;
    // The checks made before sending the address and the profile over the state now.
    bool AddressAccepted(const DesiredDevice& wanted, const DeviceState& now,
                         RunFailure& refused) const;
    bool ProfileAccepted(const DesiredDevice& wanted, const DeviceState& now,
                         RunFailure& refused) const;
    // --send-keys: the profile goes out for its key or wireless mode alone.
    bool ProfileForced(const DesiredDevice& wanted, int mode) const;
    // The write-only fields of the profile for mode, not compared or sent unseen.
    void NoteUnreported(int mode, bool profileSent);
    void Discovered();
    void AddUnfiled(const DeviceRecord& record);
    void NextDevice();
    void Login();
    void ReadConfig();
    void Predict();
    void StepMode();
    void StepAddress();
    void StepProfile();
    // Sends part, which differs from the device in changes, with plan; then goes on.
    void Send(const Part& part, const std::vector<FieldChange>& changes, RequestPlan plan,
              const QString& what, Action then);
    void DeviceDone();
    void DeviceFailed(int exitCode, const QString& reason);
    void DeviceFailed(const RunFailure& failure) {
        DeviceFailed(failure.exitCode, failure.message);
    }
    void EndDevice();
    void Finish(int exitCode);

    void RunFinished(const RequestResult& result);

    CtlOptions m_Options;
    Inventory m_Inventory;

    std::deque<Job> m_Queue;
    Job m_Job{};
    bool m_Busy = false;
    DeviceState m_Before;
    std::vector<Field> m_Sent;
    bool m_ProfileSent = false;
    std::vector<DeviceReport> m_Reports;
    std::vector<DeviceRecord> m_Unlisted;
    std::deque<DesiredDevice> m_Unfiled; // --all: an entry of its MAC alone per unlisted device

    QString m_RunWhat;
    std::function<void()> m_RunDone;

    CWaitTimer m_DeviceLimit; // each device, like the progress dialog's own limit
};

} // namespace swpctl
