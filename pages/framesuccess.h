#pragma once
// The success page that ends every job: the device is configured. Exit leaves
// the wizard, Back starts over with another device, and Next (hidden unless
// the settings show it) configures the same device again.

#include "framework/framebase.h"

#include <memory>

namespace Ui {
class TFrameSuccess;
}

class TFrameSuccess : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameSuccess(QWidget* parent = nullptr);
    ~TFrameSuccess() override;

    void FrameInit() override;

private:
    std::unique_ptr<Ui::TFrameSuccess> ui;
};
