#include "pages/framewlmodesel.h"

#include "framework/formprogress.h"
#include "protocol/formudp.h"
#include "requests/requestplans.h"
#include "settings/debug.h"
#include "settings/globalvar.h"
#include "settingsui/formres.h"
#include "settingsui/uiutil.h"
#include "ui_framewlmodesel.h"

TFrameWlModeSel::TFrameWlModeSel(QWidget* parent)
    : TFrameBase(parent), ui(new Ui::TFrameWlModeSel) {
    ui->setupUi(this);
    WireButtons(QStringLiteral("BtnNext"));
    Explain(ui->RBtnAPMode, ui->LbAPModeInfo);
    Explain(ui->RBtnWirelessBridge, ui->LbWirelessBridgeInfo);
    connect(&m_Runner, &CRequestRunner::Finished, this, [this](const RequestResult& result) {
        if (result.Ok())
            ShowMode();
    });
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
    NamePicture(ui->Image1, "Access point", "");
    NamePicture(ui->Image2, "Wireless client", "");
    TFrameBase::FrameInit();
}

bool TFrameWlModeSel::FrameEnter(TFrameBase* current, Direction direction, intptr_t param) {
    if (direction == Direction::Forward && FormUDP)
        FormUDP->SendGetMode(Waits::GetMode); // the reply updates g_Var.DeviceMode
    return TFrameBase::FrameEnter(current, direction, param);
}

void TFrameWlModeSel::FrameShow(TFrameBase* previous, Direction direction, intptr_t param) {
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
    const int result = TFormProgress::Run(
        this, m_Progress, m_Runner, [this] { m_Runner.Start(FormUDP, RequestPlans::SetMode()); });
    if (result == 1) {
        PostNext();
        return;
    }
    if (ReportConnectFailure())
        return;
    // The device still runs in its old mode: so that the next Next tries the
    // switch again instead of moving on as if it had happened.
    g_Var.DeviceMode = previous;
}

bool TFrameWlModeSel::WndProc(const CUdpMessage& message) {
    if (m_Runner.Handle(message))
        return true;
    // Outside a switch only the get-mode reply matters.
    if (message.IsResult() && message.Code() == WAIT_GET_CONFIG && !m_Progress) {
        ShowMode();
        return true;
    }
    return false;
}
