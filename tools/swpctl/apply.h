#pragma once
// `swpctl apply`: one discovery, then device by device of the inventory
// brought to the state the file describes (CStateRun). A device that fails is
// reported and the next one follows. --check logs in and reads but sends no
// setting. It ends by emitting Finished with the exit code, once.

#include "tools/swpctl/applystate.h"
#include "tools/swpctl/inventory.h"
#include "tools/swpctl/options.h"
#include "tools/swpctl/staterun.h"

#include <QSet>
#include <deque>
#include <vector>

namespace swpctl {

class CApplySession : public CStateRun {
    Q_OBJECT

public:
    explicit CApplySession(const CtlOptions& options, QObject* parent = nullptr);
    ~CApplySession() override;

    // Reads the file and begins; call it from the running event loop.
    void Start();

signals:
    void Finished(int exitCode);

protected:
    void DeviceEnded(const DeviceReport& report) override;

private:
    struct Job {
        const DesiredDevice* wanted;
        DeviceReport report;
    };

    bool LoadFile();
    bool OnlyNamesKnownDevices(const QSet<QString>& macs);
    bool Chosen(const DesiredDevice& wanted, const std::vector<const DeviceRecord*>& matches) const;
    void Discovered();
    void AddUnfiled(const DeviceRecord& record);
    void NextDevice();
    void Finish(int exitCode);

    CtlOptions m_Options;
    Inventory m_Inventory;

    std::deque<Job> m_Queue;
    std::vector<DeviceReport> m_Reports;
    std::vector<DeviceRecord> m_Unlisted;
    std::deque<DesiredDevice> m_Unfiled; // --all: an entry of its MAC alone per unlisted device
};

} // namespace swpctl
