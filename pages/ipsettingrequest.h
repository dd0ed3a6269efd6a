#pragma once
// The IP setting request of the setup method and IP settings pages: it sends
// g_Var.NewIP under the progress dialog, logging in first when the engine is
// not logged in, logging in again once when the device does not answer, and
// reading the configuration again after the device accepted the setting.

#include "requests/requestrunner.h"
#include "settings/winmessage.h"

class QWidget;
class TFormProgress;

class CIPSettingRequest {
public:
    // Runs the whole sequence over page; true when the device accepted the
    // setting and its configuration was read again.
    bool Run(QWidget* page);
    // The page's window procedure passes the protocol messages here; true when
    // the message belonged to the running sequence.
    bool WndProc(const CUdpMessage& message);

private:
    CRequestRunner m_Runner;
    TFormProgress* m_Progress = nullptr; // the open dialog, only while Run runs
};
