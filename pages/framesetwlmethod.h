#pragma once
// The wireless setup method: by hand ("Manual Setup") or by Wi-Fi Protected
// Setup. The choice goes to g_Var.WlMethod; the wizard window decides where
// Next leads.

#include "framework/framebase.h"

#include <memory>

namespace Ui {
class TFrameSetWlMethod;
}

class TFrameSetWlMethod : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameSetWlMethod(QWidget* parent = nullptr);
    ~TFrameSetWlMethod() override;

    void FrameInit() override;
    bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param) override;
    void BtnNextClick() override;

private:
    std::unique_ptr<Ui::TFrameSetWlMethod> ui;
};
