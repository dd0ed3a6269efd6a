#pragma once
// The setup method: DHCP or a static address, or the wireless setup.

#include "app/framebase.h"

#include <QRadioButton>
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
    // The static-IP choice; the wizard window's rules read it.
    QRadioButton* RBtnSetIP() const;

    std::unique_ptr<Ui::TFrameSetupMethod> ui;
};
