#include "pages/framewpsmethod.h"

#include "ui_framewpsmethod.h"

TFrameWPSMethod::TFrameWPSMethod(QWidget* parent) : TFrameBase(parent), ui(new Ui::TFrameWPSMethod) {
    ui->setupUi(this);
    WireButtons(QStringLiteral("BtnNext"));
}

TFrameWPSMethod::~TFrameWPSMethod() = default;

void TFrameWPSMethod::FrameInit() {
    SetCommonLook();
    TFrameBase::FrameInit();
}
