#pragma once
// The wireless profile host: walks its chain of sub-pages (SSID, wireless mode,
// security, key, confirmation).

#include "app/framebase.h"

#include <memory>

namespace Ui {
class TFrameWlProfile;
}

class TFrameWlProfile : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameWlProfile(QWidget* parent = nullptr);
    ~TFrameWlProfile() override;

    void FrameInit() override;
    // true when the host has no further sub-page in that direction and the
    // wizard window moves on.
    bool AdvanceSubPage();
    bool RetreatSubPage();

    std::unique_ptr<Ui::TFrameWlProfile> ui;
};
