#include "pages/framesuccess.h"

#include "ui_framesuccess.h"

TFrameSuccess::TFrameSuccess(QWidget* parent) : TFrameBase(parent), ui(new Ui::TFrameSuccess) {
    ui->setupUi(this);
    WireButtons(QStringLiteral("BtnNext"));
}

TFrameSuccess::~TFrameSuccess() = default;

void TFrameSuccess::FrameInit() {
    SetCommonLook();
    TFrameBase::FrameInit();
}
