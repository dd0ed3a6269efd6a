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
    // Next is hidden in the design, and Exit is no forward button: Return
    // alone never asks the exit question. The keyboard starts on the message,
    // which a screen reader reads; Tab leads on to Back and Exit.
    ui->LbSuccess1->setFocusPolicy(Qt::TabFocus);
    // A label draws no focus frame of its own: without this one a keyboard
    // user could not see where the focus is. The frame is always there, only
    // its colour changes, so the text does not move.
    ui->LbSuccess1->setStyleSheet(QStringLiteral("QLabel { border: 1px dotted transparent; } "
                                                 "QLabel:focus { border-color: palette(text); }"));
    Explain(ui->LbSuccess1, ui->LbSuccess2);
}

TFrameSuccess::~TFrameSuccess() = default;

void TFrameSuccess::FrameInit() {
    SetCommonLook();
    TFrameBase::FrameInit();
}
