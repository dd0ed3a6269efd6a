#include "pages/framepassword.h"

#include "ui_framepassword.h"

TFramePassword::TFramePassword(QWidget* parent) : TFrameBase(parent), ui(new Ui::TFramePassword) {
    ui->setupUi(this);
    WireButtons(QStringLiteral("BtnLogin"));
}

TFramePassword::~TFramePassword() = default;

void TFramePassword::FrameInit() {
    SetCommonLook();
    TFrameBase::FrameInit();
}
