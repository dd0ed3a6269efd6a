#pragma once
// The password page: stores the password (the key of every later packet),
// logs in to the chosen device and reads its whole configuration, both under
// the progress dialog.

#include "framework/framebase.h"

#include <memory>

namespace Ui {
class TFramePassword;
}
class TFormProgress;

class TFramePassword : public TFrameBase {
    Q_OBJECT
public:
    static constexpr const char* DefaultPassword = "tosca";

    explicit TFramePassword(QWidget* parent = nullptr);
    ~TFramePassword() override;

    void FrameInit() override;
    bool FrameEnter(TFrameBase* current, Direction direction, intptr_t param) override;
    void FrameShow(TFrameBase* previous, Direction direction, intptr_t param) override;
    bool WndProc(const CUdpMessage& message) override;
    void BtnNextClick() override { BtnLoginClick(); }

    void BtnLoginClick();

private:
    std::unique_ptr<Ui::TFramePassword> ui;

    // The progress dialog's start routine: the login request.
    void FormProgressProc();

    TFormProgress* m_Progress = nullptr; // the open dialog, only while logging in
};
