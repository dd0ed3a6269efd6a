#pragma once
// The password page: logs in to the chosen device.

#include "app/framebase.h"

#include <memory>

namespace Ui {
class TFramePassword;
}

class TFramePassword : public TFrameBase {
    Q_OBJECT
public:
    explicit TFramePassword(QWidget* parent = nullptr);
    ~TFramePassword() override;

    void FrameInit() override;

    std::unique_ptr<Ui::TFramePassword> ui;
};
