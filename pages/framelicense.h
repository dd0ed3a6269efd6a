#pragma once
// The license agreement: the wizard's first page. It asks for acceptance once
// per run; the settings can skip it.

#include "framework/framebase.h"

#include <memory>

namespace Ui {
class TFrameLicense;
}

class TFrameLicense : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameLicense(QWidget* parent = nullptr);
    ~TFrameLicense() override;

    void FrameInit() override;
    bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param) override;
    void FrameShow(TFrameBase* previous, Direction direction, intptr_t param) override;
    bool FrameLeave(TFrameBase* target, Direction direction, intptr_t param) override;

    void ChkAcceptClick();

private:
    std::unique_ptr<Ui::TFrameLicense> ui;

    bool LoadLicense();
    bool m_Asking = false; // the license is on screen, waiting for acceptance
};
