#pragma once
// The IP settings: a static address, mask and gateway.

#include "app/framebase.h"

#include <memory>

namespace Ui {
class TFrameDevIPCfg;
}

class TFrameDevIPCfg : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameDevIPCfg(QWidget* parent = nullptr);
    ~TFrameDevIPCfg() override;

    void FrameInit() override;

    std::unique_ptr<Ui::TFrameDevIPCfg> ui;
};
