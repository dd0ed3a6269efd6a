#include "pages/framewlprofssid.h"

#include "pages/framewlprofile.h"
#include "settings/globalvar.h"
#include "settings/messagebox.h"
#include "settings/textutil.h"
#include "settings/utility.h"
#include "settings/wirelessrules.h"
#include "settingsui/uiutil.h"
#include "ui_framewlprofssid.h"

TFrameWlProfSSID::TFrameWlProfSSID(QWidget* parent)
    : TFrameBase(parent), ui(new Ui::TFrameWlProfSSID) {
    ui->setupUi(this);
    WireButtons();
}

TFrameWlProfSSID::~TFrameWlProfSSID() = default;

void TFrameWlProfSSID::FrameInit() {
    SetCommonLook();
    TFrameBase::FrameInit();
}

bool TFrameWlProfSSID::FrameEnter(TFrameBase* current, Direction direction, intptr_t param) {
    TFrameBase::FrameEnter(current, direction, param);
    if (direction == Direction::Forward) {
        // A settings file that names an SSID presets it for an access point.
        const QString preset =
            GetText("Setting", "SSID", ProfileFieldText(g_Var.NewWl.SSID, sizeof g_Var.NewWl.SSID));
        if (g_Var.DeviceMode == DEVICE_WBRIDGE)
            ui->EdtSSID->setText(
                ProfileFieldText(g_Var.SelectedAP.SSID, sizeof g_Var.SelectedAP.SSID));
        else
            ui->EdtSSID->setText(preset);
    }
    return true;
}

void TFrameWlProfSSID::FrameShow(TFrameBase* previous, Direction direction, intptr_t param) {
    TFrameBase::FrameShow(previous, direction, param);
    FocusEdit(ui->EdtSSID);
}

void TFrameWlProfSSID::BtnNextClick() {
    const QString ssid = ui->EdtSSID->text();
    const wirelessrules::SsidFault fault = wirelessrules::CheckSsid(ssid.toUtf8());
    if (fault != wirelessrules::SsidFault::None) {
        ShowMessage(wirelessrules::SsidMessage(fault));
        FocusEdit(ui->EdtSSID);
        return;
    }
    CopyBounded(g_Var.NewWl.SSID, sizeof g_Var.NewWl.SSID, ssid);
    g_Var.NewWl.StdCh = 0;
    g_Var.NewWl.ExtCh = 0;
    PostNext();
}
