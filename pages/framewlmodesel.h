#pragma once
// The wireless mode selection: the device runs as an access point or as an
// access-point client (wireless bridge). A choice that differs from the mode
// the device reports is written to the device before the wizard moves on.

#include "framework/framebase.h"
#include "requests/requestrunner.h"

#include <memory>

namespace Ui {
class TFrameWlModeSel;
}
class TFormProgress;

class TFrameWlModeSel : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameWlModeSel(QWidget* parent = nullptr);
    ~TFrameWlModeSel() override;

    void FrameInit() override;
    bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param) override;
    void FrameShow(TFrameBase* previous, Direction direction, intptr_t param) override;
    bool WndProc(const CUdpMessage& message) override;

    void BtnNextClick() override;
    void BtnBackClick() override;

private:
    std::unique_ptr<Ui::TFrameWlModeSel> ui;

    void ShowMode();
    void SwitchMode(int mode);

    CRequestRunner m_Runner;
    TFormProgress* m_Progress = nullptr; // the open dialog, only while switching
};
