#pragma once
// The WPA pre-shared key sub-page of the wireless profile host: WPA mode,
// the cipher it implies, and the key.

#include "framework/framebase.h"

#include <memory>

namespace Ui {
class TFrameWlProfPSK;
}

class TFrameWlProfPSK : public TFrameBase {
    Q_OBJECT
public:
    explicit TFrameWlProfPSK(QWidget* parent = nullptr);
    ~TFrameWlProfPSK() override;

    void FrameInit() override;
    bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param) override;
    void FrameShow(TFrameBase* previous, Direction direction, intptr_t param) override;
    void BtnNextClick() override;
    // The mode chosen: shows the cipher it implies.
    void CmbWPAModeSelect();

    // The cipher a WPA mode implies: 0 TKIP for WPA, 1 AES for WPA2, 2 both.
    static int CipherOf(int wpaMode);
    // The WPA mode that suits the access point chosen on the survey.
    static int WpaModeOf(int authentication);

private:
    std::unique_ptr<Ui::TFrameWlProfPSK> ui;

    int SelectedMode() const;
};
