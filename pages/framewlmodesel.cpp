#include "pages/framewlmodesel.h"

#include "settings/globalvar.h"
#include "ui_framewlmodesel.h"

TFrameWlModeSel::TFrameWlModeSel(QWidget* parent) : TFrameBase(parent), ui(new Ui::TFrameWlModeSel) {
    ui->setupUi(this);
    WireButtons(QStringLiteral("BtnNext"));
}

TFrameWlModeSel::~TFrameWlModeSel() = default;

void TFrameWlModeSel::FrameInit() {
    g_Var.DeviceMode = DEVICE_AP;
    SetCommonLook();
    TFrameBase::FrameInit();
}
