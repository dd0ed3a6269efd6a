#include "pages/framesetupmethod.h"

#include "ui_framesetupmethod.h"

TFrameSetupMethod::TFrameSetupMethod(QWidget* parent) : TFrameBase(parent), ui(new Ui::TFrameSetupMethod) {
    ui->setupUi(this);
    WireButtons(QStringLiteral("BtnNext"));
}

TFrameSetupMethod::~TFrameSetupMethod() = default;

void TFrameSetupMethod::FrameInit() {
    SetCommonLook();
    TFrameBase::FrameInit();
}

QRadioButton* TFrameSetupMethod::RBtnSetIP() const { return ui->RBtnSetIP; }
