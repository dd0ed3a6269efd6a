#pragma once
// The security sub-page of the wireless profile host: none, WEP or WPA-PSK.
// The host branches on the choice.

#include "framework/framebase.h"

#include <memory>

namespace Ui {
class TFrameWlProfSecurity;
}
struct _tag_AP_ROFIILE;

class TFrameWlProfSecurity : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameWlProfSecurity(QWidget* parent = nullptr);
    ~TFrameWlProfSecurity() override;

    void FrameInit() override;
    bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param) override;
    void BtnNextClick() override;

    // The security type that suits the access point chosen on the survey.
    static int SecurityOf(const _tag_AP_ROFIILE& ap);

private:
    std::unique_ptr<Ui::TFrameWlProfSecurity> ui;
};
