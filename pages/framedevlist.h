#pragma once
// The device list: entering it forward searches the LAN; the devices found are
// listed by name and MAC, and Configure goes on with the one selected.

#include "framework/framebase.h"
#include "settings/records.h"
#include "settings/waittimer.h"

#include <memory>
#include <vector>

namespace Ui {
class TFrameDevList;
}
class TFormTroubleshoot;

class TFrameDevList : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameDevList(QWidget* parent = nullptr);
    ~TFrameDevList() override;

    void FrameInit() override;
    void FrameDone() override;
    bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param) override;
    bool WndProc(const CUdpMessage& message) override;
    void BtnNextClick() override { BtnCfgClick(); }

    void BtnRefreshClick();
    void TimerSearchTimer();
    void LvDevListSelectItem();
    void BtnCfgClick();
    // Shown when a search ends with no device (unless the settings hide it).
    void BtnTroubleshootClick();
    TFormTroubleshoot* Troubleshoot() const { return m_Troubleshoot.get(); }

    // The record of each row, in row order.
    const std::vector<DeviceRecord>& Records() const { return m_Records; }

    CWaitTimer TimerSearch;

private:
    std::unique_ptr<Ui::TFrameDevList> ui;

    void ClearList();
    void OfferTroubleshooting();
    // Frees the engine from a device it was logged in to other than g_Var.Device.
    void ReleaseOtherDevice();

    std::vector<DeviceRecord> m_Records;
    bool m_TroubleshootAllowed = true; // the settings' visibility of BtnTroubleshoot
    std::unique_ptr<TFormTroubleshoot> m_Troubleshoot;
};
