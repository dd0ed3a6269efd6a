#include "pages/framedevlist.h"

#include "ui_framedevlist.h"

TFrameDevList::TFrameDevList(QWidget* parent) : TFrameBase(parent), ui(new Ui::TFrameDevList) {
    ui->setupUi(this);
    WireButtons(QStringLiteral("BtnCfg"));
}

TFrameDevList::~TFrameDevList() = default;

void TFrameDevList::FrameInit() {
    SetCommonLook();
    TFrameBase::FrameInit();
}
