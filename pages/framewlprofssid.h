#pragma once
// The SSID sub-page of the wireless profile host: the network name of the
// profile (at most 32 characters).

#include "framework/framebase.h"

#include <memory>

namespace Ui {
class TFrameWlProfSSID;
}

class TFrameWlProfSSID : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameWlProfSSID(QWidget* parent = nullptr);
    ~TFrameWlProfSSID() override;

    void FrameInit() override;
    bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param) override;
    void FrameShow(TFrameBase* previous, Direction direction, intptr_t param) override;
    void BtnNextClick() override;

private:
    std::unique_ptr<Ui::TFrameWlProfSSID> ui;
};
