#include "pages/framewlprofile.h"

#include "ui_framewlprofile.h"

TFrameWlProfile::TFrameWlProfile(QWidget* parent)
    : TFrameBase(parent), ui(new Ui::TFrameWlProfile) {
    ui->setupUi(this);
    WireButtons();
}

TFrameWlProfile::~TFrameWlProfile() = default;

void TFrameWlProfile::FrameInit() {
    SetCommonLook();
    TFrameBase::FrameInit();
}

bool TFrameWlProfile::AdvanceSubPage() { return true; }

bool TFrameWlProfile::RetreatSubPage() { return true; }
