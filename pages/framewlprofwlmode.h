#pragma once
// The wireless mode sub-page of the wireless profile host.

#include "framework/framebase.h"

#include <memory>

namespace Ui {
class TFrameWlProfWlMode;
}

class TFrameWlProfWlMode : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameWlProfWlMode(QWidget* parent = nullptr);
    ~TFrameWlProfWlMode() override;

    void FrameInit() override;
    bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param) override;
    void BtnNextClick() override;

private:
    std::unique_ptr<Ui::TFrameWlProfWlMode> ui;
};
