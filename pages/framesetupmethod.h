#pragma once
// The setup method: shows the device's current network settings and asks how
// the device gets its address. DHCP is set on the device at once; the static
// choice goes on to the IP settings page. The layout may also show wireless
// configuration, advanced setting and the device's web interface.

#include "framework/framebase.h"
#include "pages/ipsettingrequest.h"

#include <memory>

namespace Ui {
class TFrameSetupMethod;
}

class TFrameSetupMethod : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameSetupMethod(QWidget* parent = nullptr);
    ~TFrameSetupMethod() override;

    void FrameInit() override;
    bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param) override;
    bool WndProc(const CUdpMessage& message) override;
    void BtnNextClick() override;

    // The user chose a static address (RBtnSetIP); the wizard window's rules ask.
    bool StaticAddressChosen() const;

    // The caption of BtnNext for the current choice.
    void ApplyNextCaption();

private:
    std::unique_ptr<Ui::TFrameSetupMethod> ui;

    // Switches the device to DHCP unless it uses DHCP already; true on success.
    bool SwitchToDHCP();
    void OpenWebUI();

    CIPSettingRequest m_Request;
};
