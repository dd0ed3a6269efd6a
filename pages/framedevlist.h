#pragma once
// The device list: the devices found on the LAN.

#include "app/framebase.h"

#include <memory>

namespace Ui {
class TFrameDevList;
}

class TFrameDevList : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameDevList(QWidget* parent = nullptr);
    ~TFrameDevList() override;

    void FrameInit() override;

    std::unique_ptr<Ui::TFrameDevList> ui;
};
