#include "pages/framesetwlmethod.h"

#include "settings/globalvar.h"
#include "settings/utility.h"
#include "ui_framesetwlmethod.h"

TFrameSetWlMethod::TFrameSetWlMethod(QWidget* parent)
    : TFrameBase(parent), ui(new Ui::TFrameSetWlMethod) {
    ui->setupUi(this);
    Explain(ui->RBtnManual, ui->LbSetWlMsg);
    Explain(ui->RBtnWPS, ui->LbSetWlMsg);
    WireButtons();
}

TFrameSetWlMethod::~TFrameSetWlMethod() = default;

void TFrameSetWlMethod::FrameInit() {
    SetCommonLook();
    TFrameBase::FrameInit();
}

bool TFrameSetWlMethod::FrameEnter(TFrameBase* current, Direction direction, intptr_t param) {
    TFrameBase::FrameEnter(current, direction, param);
    if (direction == Direction::Forward) {
        ui->RBtnManual->setChecked(true);
        const char* key = g_Var.DeviceMode == DEVICE_AP ? "SetWlMethod_AP_MODE_MSG"
                                                        : "SetWlMethod_BRIDGE_MODE_MSG";
        ui->LbSetWlMsg->setText(GetText("String", key, QString()));
    }
    return true;
}

void TFrameSetWlMethod::BtnNextClick() {
    if (ui->RBtnWPS->isChecked())
        g_Var.WlMethod = 0;
    else if (ui->RBtnManual->isChecked())
        g_Var.WlMethod = 1;
    PostNext();
}
