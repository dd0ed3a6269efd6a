#pragma once
// The IP settings: a static address, subnet mask and gateway for the device.
// Configure checks them, and when anything changed sends them to the device
// and reads its configuration back.

#include "framework/framebase.h"
#include "pages/ipsettingrequest.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace Ui {
class TFrameDevIPCfg;
}
class TFrameIPEditRect;

class TFrameDevIPCfg : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameDevIPCfg(QWidget* parent = nullptr);
    ~TFrameDevIPCfg() override;

    void FrameInit() override;
    bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param) override;
    bool WndProc(const CUdpMessage& message) override;
    void BtnNextClick() override;

    // Each address control is enabled exactly when the static choice is.
    void RBtnDHCPClick();
    // Entering the empty mask control proposes the mask of the address class.
    void IPEditMaskEnter();
    // The entries against the rules in order; the first failing rule shows its
    // message. True when they pass.
    bool ValidateIPSettings();

    // Dotted text of an address in host order; "" for 0.
    static QString AddressText(uint32_t address);
    // Host-order value of dotted text; 0 for "".
    static uint32_t AddressValue(const QString& text);

private:
    std::unique_ptr<Ui::TFrameDevIPCfg> ui;

    QList<TFrameIPEditRect*> AddressControls() const;
    // A final octet 255 of the address becomes 254.
    void RewriteBroadcastOctet();
    // The entries into g_Var.NewIP.
    void StoreEntries();

    CIPSettingRequest m_Request;
};
