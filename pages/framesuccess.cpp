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
}

TFrameSuccess::~TFrameSuccess() = default;

void TFrameSuccess::FrameInit() {
    SetCommonLook();
    TFrameBase::FrameInit();
}
