#include "pages/framesuccess.h"

#include "ui_framesuccess.h"

namespace {
void SetPixelSize(QWidget* label, int pixels) {
    QFont font = label->font();
    font.setPixelSize(pixels);
    label->setFont(font);
}
} // namespace

TFrameSuccess::TFrameSuccess(QWidget* parent) : TFrameBase(parent), ui(new Ui::TFrameSuccess) {
    ui->setupUi(this);
    SetPixelSize(ui->LbSuccess1, 24);
    SetPixelSize(ui->LbSuccess2, 20);
    WireButtons();
    // Next is hidden in the design: Exit, in its place, ends the wizard.
    SetForwardButtons({QStringLiteral("BtnNext"), QStringLiteral("BtnExit")});
}

TFrameSuccess::~TFrameSuccess() = default;

void TFrameSuccess::FrameInit() {
    SetCommonLook();
    TFrameBase::FrameInit();
}
