#include "pages/framewlprofwep.h"

#include "pages/framewlprofile.h"
#include "settings/globalvar.h"
#include "settings/messagebox.h"
#include "settings/textutil.h"
#include "settings/utility.h"
#include "settings/wirelessrules.h"
#include "settingsui/uiutil.h"
#include "ui_framewlprofwep.h"

TFrameWlProfWEP::TFrameWlProfWEP(QWidget* parent)
    : TFrameBase(parent), ui(new Ui::TFrameWlProfWEP) {
    ui->setupUi(this);
    WireButtons();
    // Only a choice the user makes runs CmbWEPSelect, not a selection made in code.
    connect(ui->CmbWEP, &QComboBox::activated, this, [this] { CmbWEPSelect(); });
}

TFrameWlProfWEP::~TFrameWlProfWEP() = default;

void TFrameWlProfWEP::FrameInit() {
    SetCommonLook();
    ui->CmbWEP->clear();
    ui->CmbWEP->addItem(g_Var.WEP64, 0);
    ui->CmbWEP->addItem(g_Var.WEP128, 1);
    TFrameBase::FrameInit();
}

bool TFrameWlProfWEP::FrameEnter(TFrameBase* current, Direction direction, intptr_t param) {
    TFrameBase::FrameEnter(current, direction, param);
    if (direction != Direction::Forward)
        return true;
    const bool ap = g_Var.DeviceMode == DEVICE_AP;
    const WirelessProfile& wl = g_Var.NewWl;
    ui->CmbAuthen->clear();
    ui->CmbAuthen->addItem(g_Var.AuthenOpen, 0);
    ui->CmbAuthen->addItem(g_Var.AuthenShared, 1);
    if (ap)
        ui->CmbAuthen->addItem(g_Var.AuthenAuto, 2);
    if (!SelectComboValue(ui->CmbWEP, wl.WepKeyLen))
        SelectComboValue(ui->CmbWEP, 0);
    CmbWEPSelect();
    ui->EdtKey1->setText(ProfileFieldText(wl.WepKey, sizeof wl.WepKey));
    if (!ap || !SelectComboValue(ui->CmbAuthen, wl.Auth))
        SelectComboValue(ui->CmbAuthen, ap ? 2 : 0);
    return true;
}

void TFrameWlProfWEP::FrameShow(TFrameBase* previous, Direction direction, intptr_t param) {
    TFrameBase::FrameShow(previous, direction, param);
    FocusEdit(ui->EdtKey1);
}

int TFrameWlProfWEP::SelectedLength() const {
    return ui->CmbWEP->currentIndex() < 0 ? 0 : ui->CmbWEP->currentData().toInt();
}

void TFrameWlProfWEP::CmbWEPSelect() {
    ui->EdtKey1->setMaxLength(wirelessrules::WepHexDigits(SelectedLength()));
    ui->EdtKey1->clear();
}

void TFrameWlProfWEP::BtnNextClick() {
    const int v = SelectedLength();
    const QString key = ui->EdtKey1->text();
    const wirelessrules::WepKeyFormat format = wirelessrules::CheckWepKey(key, v);
    if (format == wirelessrules::WepKeyFormat::Invalid) {
        const QString message =
            wirelessrules::WepKeyMessage(v, key.size() == wirelessrules::WepHexDigits(v));
        FocusEdit(ui->EdtKey1);
        ShowMessage(message);
        return;
    }
    WirelessProfile& wl = g_Var.NewWl;
    wl.WepKeyLen = v;
    CopyBounded(wl.WepKey, sizeof wl.WepKey, wirelessrules::WepKeyAsSent(key, format));
    wl.Auth = ui->CmbAuthen->currentIndex() < 0 ? 2 : ui->CmbAuthen->currentData().toInt();
    PostNext();
}
