#include "pages/ipsettingrequest.h"

#include "app/formprogress.h"
#include "protocol/formudp.h"
#include "settings/uiutil.h"

bool CIPSettingRequest::Run(QWidget* page) {
    RetryLogin = true;
    return TFormProgress::Run(page, m_Progress, [this] { WorkStep(); }) == 1;
}

void CIPSettingRequest::WorkStep() {
    if (FormUDP && FormUDP->LoggedIn) {
        FormUDP->SendIPSetting(IPSettingWait);
    } else if (FormUDP && RetryLogin) {
        RetryLogin = false;
        FormUDP->SendLogin(LoginWait);
    } else {
        End(2);
    }
}

void CIPSettingRequest::End(int result) {
    if (m_Progress)
        m_Progress->SetModalResult(result);
}

bool CIPSettingRequest::StillOpen() const {
    return m_Progress && m_Progress->isVisible();
}

bool CIPSettingRequest::WndProc(const CWinMessage& message) {
    if (!m_Progress)
        return false;
    const int code = static_cast<int>(message.WParam);
    if (message.Message() == UM_UDP_RESULT) {
        const bool positive = message.LParam != 0;
        switch (code) {
        case WAIT_IP_SETTING:
            if (!positive) {
                End(2);
                break;
            }
            // The device applies the new address; the wizard keeps running
            // meanwhile and then reads back what the device now reports.
            WaitWithMessages(SettleWait);
            if (StillOpen() && FormUDP)
                FormUDP->SendGetConfig(GetConfigWait);
            break;
        case WAIT_LOGIN:
            if (positive)
                WorkStep();
            else
                End(2);
            break;
        case WAIT_GET_CONFIG:
            End(positive ? 1 : 2);
            break;
        default:
            return false;
        }
        return true;
    }
    if (message.Message() == UM_UDP_TIMEOUT) {
        switch (code) {
        case WAIT_IP_SETTING:
            if (RetryLogin && FormUDP) {
                RetryLogin = false;
                FormUDP->SendLogout(0);
                FormUDP->SendLogin(LoginWait);
            } else {
                End(2);
            }
            break;
        case WAIT_LOGIN:
        case WAIT_GET_CONFIG:
            End(2);
            break;
        default:
            return false;
        }
        return true;
    }
    return false;
}
