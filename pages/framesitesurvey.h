#pragma once
// The site survey: the access points the device can hear.

#include "app/framebase.h"

#include <memory>

namespace Ui {
class TFrameSiteSurvey;
}

class TFrameSiteSurvey : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameSiteSurvey(QWidget* parent = nullptr);
    ~TFrameSiteSurvey() override;

    void FrameInit() override;

    std::unique_ptr<Ui::TFrameSiteSurvey> ui;
};
