#pragma once
// The survey frame of the WPS survey dialog: the site survey list reduced to
// the access points that offer WPS. The WPS method page re-posts the engine's
// messages to this frame while the dialog is open.

#include "framework/framebase.h"
#include "pages/surveylist.h"

#include <memory>

namespace Ui {
class TFrameWPSSiteSurvey;
}

class TFrameWPSSiteSurvey : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameWPSSiteSurvey(QWidget* parent = nullptr);
    ~TFrameWPSSiteSurvey() override;

    void FrameInit() override;
    void FrameDone() override;
    bool WndProc(const CUdpMessage& message) override;

    void BtnRefreshClick();
    // The SSID of the selected row, empty when none is selected.
    QString GetSelectedSSID() const;

protected:
    bool event(QEvent* event) override;

private:
    std::unique_ptr<Ui::TFrameWPSSiteSurvey> ui;

    void StartSurvey();
    void FillSurveyList();

    std::unique_ptr<SurveyList::CSurveyList> m_List;
};
