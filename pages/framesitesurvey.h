#pragma once
// The site survey page: a device running as a wireless bridge lists the
// access points around it; the user joins one by a wireless profile
// ("Connect"), by WPS or sets everything by hand ("Manual"). The choice is
// left in g_Var.WlMethod, the access point in g_Var.SelectedAP.

#include "framework/framebase.h"
#include "pages/surveylist.h"

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
    void FrameDone() override;
    bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param) override;
    bool WndProc(const CUdpMessage& message) override;

    void BtnNextClick() override; // "Connect"
    void BtnRefreshClick();
    void BtnWPSClick();
    void BtnManualClick();

    // The entry "Connect" and "WPS" choose in test mode (NonWorking).
    static _tag_AP_ROFIILE TestEntry();

private:
    std::unique_ptr<Ui::TFrameSiteSurvey> ui;

    void SurveyListSelectItem();
    void SurveyListColumnClick(int column);
    void StartSurvey();
    void FillSurveyList();
    void ClearSurveyList();
    // Copies the selected row's entry (or the test entry) into g_Var.SelectedAP.
    void TakeSelection();

    std::unique_ptr<SurveyList::CSurveyList> m_List;
};
