#pragma once
// The WPS method page: pairs the device by Wi-Fi Protected Setup, by push
// button or by PIN. An access point is the registrar (the user types the
// client's PIN); a wireless bridge joins an access point (the page shows the
// device's own PIN and asks for the access point's SSID, typed or picked from
// the WPS survey dialog). "Connect" runs the request and follows the device's
// status events under the progress dialog.

#include "app/framebase.h"

#include <QTimer>
#include <cstdint>
#include <memory>

namespace Ui {
class TFrameWPSMethod;
}
class TFormProgress;
class TFormWPSSurvey;

class TFrameWPSMethod : public TFrameBase {
    Q_OBJECT
public:
    static constexpr int StaGetConfigWait = 3000;
    static constexpr int LoginWait = 5000;
    static constexpr int WPSWait = 10000;
    static constexpr int GetConfigWait = 15000;
    static constexpr int StatusLimit = 180000;          // TimerTimerout
    static constexpr uint32_t IdleWindow = 100000;      // status 1 counts this long after status 3
    static constexpr unsigned IdleSettle = 25000;       // after status 1, before the re-read
    static constexpr unsigned ConfiguredSettle = 10000; // after status 34 on an access point

    explicit TFrameWPSMethod(QWidget* parent = nullptr);
    ~TFrameWPSMethod() override;

    void FrameInit() override;
    bool FrameEnter(TFrameBase* current, int direction, intptr_t param) override;
    bool WndProc(const CWinMessage& message) override;

    void BtnNextClick() override; // "Connect"
    void BtnSelectClick();
    // The enabling rule of the PIN part and of "Connect".
    void updateinfo();

    // Log text of a WPS status value ("Unknown" for values without one).
    static const char* WpsStatusText(int status);

    std::unique_ptr<Ui::TFrameWPSMethod> ui;
    // The open WPS survey dialog, only while BtnSelect is served.
    TFormWPSSurvey* SurveyDialog() const { return m_Survey; }

private:
    bool IsAP() const;
    void SetModeTexts();
    void LayoutPinPart();
    bool RunWPS();
    // The progress dialog's work step.
    void SendWPSRequest();
    void RecvWPSStatus(int status);
    void TimerTimeroutTimer();
    bool Running() const;
    void EndRun(int result);
    void StopWaiting();

    QTimer TimerTimerout;
    TFormProgress* m_Progress = nullptr;
    TFormWPSSurvey* m_Survey = nullptr;
    bool RetryLogin = false;
    bool WaitingForStatus = false;
    // When status 3 ("Start WSC Process") last came; kept from run to run.
    uint32_t WpsStartTick = 0;
    // Whether status 3 came in the current run.
    bool m_WpsStarted = false;
};
