#pragma once
// The IP setting request of the setup method and IP settings pages: it sends
// g_Var.NewIP under the progress dialog, logging in first when the engine is
// not logged in, logging in again once when the device does not answer, and
// reading the configuration again after the device accepted the setting.

#include "settings/winmessage.h"

#include <memory>

class QWidget;
class TFormProgress;

class CIPSettingRequest {
public:
    // The fixed waits of the sequence, in milliseconds.
    static constexpr int IPSettingWait = 32000;
    static constexpr int LoginWait = 5000;
    static constexpr int GetConfigWait = 15000;
    static constexpr int SettleWait = 3000; // after the device accepted the setting

    // Runs the whole sequence over page; true when the device accepted the
    // setting and its configuration was read again.
    bool Run(QWidget* page);
    // The page's window procedure passes the protocol messages here; true when
    // the message drove the open dialog. Without an open dialog it does nothing.
    bool WndProc(const CWinMessage& message);
    bool Running() const { return m_Progress != nullptr; }

private:
    // The work step: the setting when logged in, otherwise the one login.
    void WorkStep();
    void End(int result);
    bool StillOpen() const;

    TFormProgress* m_Progress = nullptr; // the open dialog, only while Run runs
    bool RetryLogin = false;             // one login allowed per run
};
