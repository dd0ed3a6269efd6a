#pragma once
// The wireless mode selection: the device runs as an access point or as an
// access-point client (wireless bridge). A choice that differs from the mode
// the device reports is written to the device before the wizard moves on.

#include "app/framebase.h"

#include <memory>

namespace Ui {
class TFrameWlModeSel;
}
class TFormProgress;

class TFrameWlModeSel : public TFrameBase {
    Q_OBJECT
public:
    static constexpr int GetModeWait = 3000;
    static constexpr int SetModeWait = 28000;
    static constexpr int LoginWait = 5000;
    static constexpr int GetConfigWait = 15000;
    static constexpr unsigned SettleWait = 3000; // after the re-read, before moving on

    explicit TFrameWlModeSel(QWidget* parent = nullptr);
    ~TFrameWlModeSel() override;

    void FrameInit() override;
    bool FrameEnter(TFrameBase* current, int direction, intptr_t param) override;
    void FrameShow(TFrameBase* previous, int direction, intptr_t param) override;
    bool WndProc(const CWinMessage& message) override;

    void BtnNextClick() override;
    void BtnBackClick() override;

    std::unique_ptr<Ui::TFrameWlModeSel> ui;

private:
    void ShowMode();
    void SwitchMode(int mode);
    // The progress dialog's work step.
    void SendSetModeRequest();
    void EndSwitch(int result);

    TFormProgress* m_Progress = nullptr; // the open dialog, only while switching
    bool RetryLogin = false;
};
