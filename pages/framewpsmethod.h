#pragma once
// The WPS method page: pairs the device by Wi-Fi Protected Setup, by push
// button or by PIN. An access point is the registrar (the user types the
// client's PIN); a wireless bridge joins an access point (the page shows the
// device's own PIN and asks for the access point's SSID, typed or picked from
// the WPS survey dialog). "Connect" runs the request and follows the device's
// status events under the progress dialog.

#include "framework/framebase.h"
#include "requests/requestrunner.h"

#include <memory>

namespace Ui {
class TFrameWPSMethod;
}
class TFormProgress;
class TFormWPSSurvey;

class TFrameWPSMethod : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameWPSMethod(QWidget* parent = nullptr);
    ~TFrameWPSMethod() override;

    void FrameInit() override;
    bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param) override;
    bool WndProc(const CUdpMessage& message) override;

    void BtnNextClick() override; // "Connect"
    void BtnSelectClick();
    // The enabling rule of the PIN part and of "Connect".
    void updateinfo();

    // The open WPS survey dialog, only while BtnSelect is served.
    TFormWPSSurvey* SurveyDialog() const { return m_Survey; }

private:
    std::unique_ptr<Ui::TFrameWPSMethod> ui;

    bool IsAP() const;
    void SetModeTexts();
    void LayoutPinPart();
    bool RunWPS();

    // Sends the request and follows the device's status events.
    CRequestRunner m_Runner;
    TFormProgress* m_Progress = nullptr;
    TFormWPSSurvey* m_Survey = nullptr;
};
