#include "pages/framesetwlmethod.h"

#include "ui_framesetwlmethod.h"

TFrameSetWlMethod::TFrameSetWlMethod(QWidget* parent) : TFrameBase(parent), ui(new Ui::TFrameSetWlMethod) {
    ui->setupUi(this);
    WireButtons(QStringLiteral("BtnNext"));
}

TFrameSetWlMethod::~TFrameSetWlMethod() = default;

void TFrameSetWlMethod::FrameInit() {
    SetCommonLook();
    TFrameBase::FrameInit();
}
