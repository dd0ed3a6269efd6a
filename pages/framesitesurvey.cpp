#include "pages/framesitesurvey.h"

#include "ui_framesitesurvey.h"

TFrameSiteSurvey::TFrameSiteSurvey(QWidget* parent) : TFrameBase(parent), ui(new Ui::TFrameSiteSurvey) {
    ui->setupUi(this);
    WireButtons(QStringLiteral("BtnNext"));
}

TFrameSiteSurvey::~TFrameSiteSurvey() = default;

void TFrameSiteSurvey::FrameInit() {
    SetCommonLook();
    TFrameBase::FrameInit();
}
