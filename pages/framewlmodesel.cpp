#include "pages/framewlmodesel.h"

#include "app/formprogress.h"
#include "protocol/formudp.h"
#include "settings/debug.h"
#include "settings/formres.h"
#include "settings/globalvar.h"
#include "settings/messagebox.h"
#include "settings/uiutil.h"
#include "settings/utility.h"
#include "ui_framewlmodesel.h"

TFrameWlModeSel::TFrameWlModeSel(QWidget* parent)
    : TFrameBase(parent), ui(new Ui::TFrameWlModeSel) {
    ui->setupUi(this);
    WireButtons(QStringLiteral("BtnNext"));
}

TFrameWlModeSel::~TFrameWlModeSel() = default;

void TFrameWlModeSel::FrameInit() {
    SetCommonLook();
    // The shared device mode starts here.
    g_Var.DeviceMode = DEVICE_AP;
    ui->RBtnAPMode->setChecked(true);
    if (FormRes && FormRes->ImgsType.size() >= 2) {
        const QSize size = ui->Image1->size();
        ui->Image1->setPixmap(QPixmap::fromImage(
            FormRes->ImgsType.at(0).scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        ui->Image2->setPixmap(QPixmap::fromImage(
            FormRes->ImgsType.at(1).scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    TFrameBase::FrameInit();
}

bool TFrameWlModeSel::FrameEnter(TFrameBase* current, int direction, intptr_t param) {
    if (direction == 0 && FormUDP)
        FormUDP->SendGetMode(GetModeWait); // the reply updates g_Var.DeviceMode
    return TFrameBase::FrameEnter(current, direction, param);
}

void TFrameWlModeSel::FrameShow(TFrameBase* previous, int direction, intptr_t param) {
    TFrameBase::FrameShow(previous, direction, param);
    ShowMode();
}

void TFrameWlModeSel::ShowMode() {
    if (g_Var.DeviceMode == DEVICE_AP) {
        DebugLog("g_Var.DeviceMode DEVICE_AP");
        ui->RBtnAPMode->setChecked(true);
        ui->RBtnWirelessBridge->setChecked(false);
    } else if (g_Var.DeviceMode == DEVICE_WBRIDGE) {
        DebugLog("g_Var.DeviceMode DEVICE_WBRIDGE");
        ui->RBtnAPMode->setChecked(false);
        ui->RBtnWirelessBridge->setChecked(true);
    } else {
        DebugLog("g_Var.DeviceMode != DEVICE_AP, DEVICE_WBRIDGE");
    }
}

void TFrameWlModeSel::BtnNextClick() {
    if (ui->RBtnAPMode->isChecked() && g_Var.DeviceMode != DEVICE_AP)
        SwitchMode(DEVICE_AP);
    else if (ui->RBtnWirelessBridge->isChecked() && g_Var.DeviceMode != DEVICE_WBRIDGE)
        SwitchMode(DEVICE_WBRIDGE);
    else
        PostNext();
}

void TFrameWlModeSel::BtnBackClick() {
    if (FormUDP)
        FormUDP->SendLogout(0);
    PostBack();
}

void TFrameWlModeSel::SwitchMode(int mode) {
    const int previous = g_Var.DeviceMode;
    g_Var.DeviceMode = mode;
    RetryLogin = true;
    const int result = TFormProgress::Run(this, m_Progress, [this] { SendSetModeRequest(); });
    if (result == 1) {
        PostNext();
        return;
    }
    ShowMessage(GetText(QStringLiteral("Message"), QStringLiteral("ER_CONNECT"),
                        QStringLiteral("Unable to connect to the device.")));
    if (g_Var.NonWorking) {
        PostNext();
        return;
    }
    // The device still runs in its old mode: so that the next Next tries the
    // switch again instead of moving on as if it had happened.
    g_Var.DeviceMode = previous;
}

void TFrameWlModeSel::SendSetModeRequest() {
    if (!m_Progress)
        return;
    if (FormUDP && FormUDP->LoggedIn) {
        FormUDP->SendSetMode(SetModeWait, g_Var.DeviceMode);
    } else if (FormUDP && RetryLogin) {
        RetryLogin = false;
        FormUDP->SendLogin(LoginWait);
    } else {
        EndSwitch(2);
    }
}

void TFrameWlModeSel::EndSwitch(int result) {
    if (m_Progress && m_Progress->isVisible())
        m_Progress->SetModalResult(result);
}

bool TFrameWlModeSel::WndProc(const CWinMessage& message) {
    const int type = message.Message();
    const int code = static_cast<int>(message.WParam);
    if (!m_Progress || !m_Progress->isVisible()) {
        // Outside a switch only the get-mode reply matters.
        if (type == UM_UDP_RESULT && code == WAIT_GET_CONFIG && !m_Progress) {
            ShowMode();
            return true;
        }
        return false;
    }
    if (type == UM_UDP_RESULT) {
        switch (code) {
        case WAIT_LOGIN:
            if (message.LParam != 0 && FormUDP)
                FormUDP->SendSetMode(SetModeWait, g_Var.DeviceMode);
            else
                EndSwitch(2);
            return true;
        case WAIT_SET_MODE:
            if (message.LParam != 0 && FormUDP)
                FormUDP->SendGetConfig(GetConfigWait);
            else
                EndSwitch(2);
            return true;
        case WAIT_GET_CONFIG:
            if (message.LParam == 0) {
                EndSwitch(2);
                return true;
            }
            WaitWithMessages(SettleWait);
            ShowMode();
            EndSwitch(1);
            return true;
        default:
            return false;
        }
    }
    if (type == UM_UDP_TIMEOUT) {
        switch (code) {
        case WAIT_SET_MODE:
            if (RetryLogin && FormUDP) {
                RetryLogin = false;
                FormUDP->SendLogin(LoginWait); // no logout first
            } else {
                EndSwitch(2);
            }
            return true;
        case WAIT_LOGIN:
        case WAIT_GET_CONFIG:
            EndSwitch(2);
            return true;
        default:
            return false;
        }
    }
    return false;
}
