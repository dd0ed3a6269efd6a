#pragma once
// The wireless mode selection: access point or wireless bridge.

#include "app/framebase.h"

#include <memory>

namespace Ui {
class TFrameWlModeSel;
}

class TFrameWlModeSel : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameWlModeSel(QWidget* parent = nullptr);
    ~TFrameWlModeSel() override;

    void FrameInit() override;

    std::unique_ptr<Ui::TFrameWlModeSel> ui;
};
