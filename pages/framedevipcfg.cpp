#include "pages/framedevipcfg.h"

#include "ui_framedevipcfg.h"

TFrameDevIPCfg::TFrameDevIPCfg(QWidget* parent) : TFrameBase(parent), ui(new Ui::TFrameDevIPCfg) {
    ui->setupUi(this);
    WireButtons(QStringLiteral("BtnNext"));
}

TFrameDevIPCfg::~TFrameDevIPCfg() = default;

void TFrameDevIPCfg::FrameInit() {
    SetCommonLook();
    TFrameBase::FrameInit();
}
