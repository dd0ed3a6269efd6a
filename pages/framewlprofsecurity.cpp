#include "pages/framewlprofsecurity.h"

#include "settings/globalvar.h"
#include "settingsui/uiutil.h"
#include "ui_framewlprofsecurity.h"

TFrameWlProfSecurity::TFrameWlProfSecurity(QWidget* parent)
    : TFrameBase(parent), ui(new Ui::TFrameWlProfSecurity) {
    ui->setupUi(this);
    WireButtons();
}

TFrameWlProfSecurity::~TFrameWlProfSecurity() = default;

void TFrameWlProfSecurity::FrameInit() {
    SetCommonLook();
    ui->CmbSecurity->clear();
    ui->CmbSecurity->addItem(g_Var.SecurityNone, 0);
    ui->CmbSecurity->addItem(g_Var.SecurityWEP, 1);
    ui->CmbSecurity->addItem(g_Var.SecurityWPAPSK, 2);
    TFrameBase::FrameInit();
}

int TFrameWlProfSecurity::SecurityOf(const _tag_AP_ROFIILE& ap) {
    switch (ap.Encryption) {
    case 0:
        return 0;
    case 1:
        return 1;
    default:
        // The pre-shared-key kinds: WPA-PSK, WPA2-PSK and both.
        return ap.Authentication >= 2 && ap.Authentication <= 4 ? 2 : 0;
    }
}

bool TFrameWlProfSecurity::FrameEnter(TFrameBase* current, Direction direction, intptr_t param) {
    TFrameBase::FrameEnter(current, direction, param);
    if (direction == Direction::Forward)
        SelectComboValue(ui->CmbSecurity,
                         g_Var.DeviceMode == DEVICE_AP ? 0 : SecurityOf(g_Var.SelectedAP));
    return true;
}

void TFrameWlProfSecurity::BtnNextClick() {
    WirelessProfile& wl = g_Var.NewWl;
    wl.Security = ui->CmbSecurity->currentIndex() < 0 ? 0 : ui->CmbSecurity->currentData().toInt();
    if (wl.Security == 0)
        wl.ClearSecurity(0);
    PostNext();
}
