#include "pages/framewlprofpsk.h"

#include "pages/framewlprofile.h"
#include "settings/globalvar.h"
#include "settings/messagebox.h"
#include "settings/textutil.h"
#include "settings/utility.h"
#include "settings/wirelessrules.h"
#include "settingsui/uiutil.h"
#include "ui_framewlprofpsk.h"

TFrameWlProfPSK::TFrameWlProfPSK(QWidget* parent)
    : TFrameBase(parent), ui(new Ui::TFrameWlProfPSK) {
    ui->setupUi(this);
    WireButtons();
    connect(ui->CmbWPAMode, &QComboBox::activated, this, [this] { CmbWPAModeSelect(); });
}

TFrameWlProfPSK::~TFrameWlProfPSK() = default;

void TFrameWlProfPSK::FrameInit() {
    SetCommonLook();
    ui->CmbWPAMode->clear();
    ui->CmbWPAMode->addItem(g_Var.WPA_WPA, 0);
    ui->CmbWPAMode->addItem(g_Var.WPA_WPA2, 1);
    ui->CmbWPAMode->addItem(g_Var.WPA_WPAAuto, 2);
    TFrameBase::FrameInit();
}

int TFrameWlProfPSK::WpaModeOf(int authentication) {
    switch (authentication) {
    case 2: // WPA-PSK
        return 0;
    case 3: // WPA2-PSK
        return 1;
    default:
        return 2;
    }
}

int TFrameWlProfPSK::CipherOf(int wpaMode) {
    return wpaMode == 0 || wpaMode == 1 ? wpaMode : 2;
}

bool TFrameWlProfPSK::FrameEnter(TFrameBase* current, Direction direction, intptr_t param) {
    TFrameBase::FrameEnter(current, direction, param);
    if (direction != Direction::Forward)
        return true;
    if (g_Var.DeviceMode == DEVICE_AP) {
        if (!SelectComboValue(ui->CmbWPAMode, g_Var.NewWl.WpaMode))
            SelectComboValue(ui->CmbWPAMode, 2);
    } else {
        SelectComboValue(ui->CmbWPAMode, WpaModeOf(g_Var.SelectedAP.Authentication));
    }
    ui->EdtPassphrase->setText(ProfileFieldText(g_Var.NewWl.WpaKey, sizeof g_Var.NewWl.WpaKey));
    CmbWPAModeSelect();
    return true;
}

void TFrameWlProfPSK::FrameShow(TFrameBase* previous, Direction direction, intptr_t param) {
    TFrameBase::FrameShow(previous, direction, param);
    FocusEdit(ui->EdtPassphrase);
}

int TFrameWlProfPSK::SelectedMode() const {
    return ui->CmbWPAMode->currentIndex() < 0 ? 2 : ui->CmbWPAMode->currentData().toInt();
}

void TFrameWlProfPSK::CmbWPAModeSelect() {
    ui->LbCipherValue->setText(g_Var.WpaCipherText(CipherOf(SelectedMode())));
}

void TFrameWlProfPSK::BtnNextClick() {
    const QString key = ui->EdtPassphrase->text();
    const wirelessrules::PassphraseFault fault = wirelessrules::CheckPassphrase(key);
    if (fault != wirelessrules::PassphraseFault::None) {
        FocusEdit(ui->EdtPassphrase);
        ShowMessage(wirelessrules::PassphraseMessage(fault));
        return;
    }
    WirelessProfile& wl = g_Var.NewWl;
    wl.WpaMode = SelectedMode();
    CopyBounded(wl.WpaKey, sizeof wl.WpaKey, key);
    // The cipher follows from the mode, not from the text shown: two cipher
    // labels with the same text must not change what is written.
    wl.WpaCipher = CipherOf(wl.WpaMode);
    PostNext();
}
