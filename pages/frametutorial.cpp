#include "pages/frametutorial.h"

#include "settings/globalvar.h"
#include "settingsui/formres.h"
#include "ui_frametutorial.h"
#include "ui_frametutorial2.h"

bool TFrameTutorialBase::FrameEnter(TFrameBase* current, Direction direction, intptr_t param) {
    TFrameBase::FrameEnter(current, direction, param);
    if (g_Var.Ini && g_Var.Ini->ReadBool("Setting", "SkipTutorial", false)) {
        if (direction == Direction::Backward)
            BtnBackClick();
        else
            BtnNextClick();
    }
    return true;
}

TFrameTutorial::TFrameTutorial(QWidget* parent)
    : TFrameTutorialBase(parent), ui(new Ui::TFrameTutorial) {
    ui->setupUi(this);
    WireButtons();
}

TFrameTutorial::~TFrameTutorial() = default;

void TFrameTutorial::FrameInit() {
    SetCommonLook();
    if (FormRes)
        ui->ImgTutorial->setPixmap(QPixmap::fromImage(FormRes->ImgTutorial));
    TFrameBase::FrameInit();
}

TFrameTutorial2::TFrameTutorial2(QWidget* parent)
    : TFrameTutorialBase(parent), ui(new Ui::TFrameTutorial2) {
    ui->setupUi(this);
    WireButtons();
}

TFrameTutorial2::~TFrameTutorial2() = default;

void TFrameTutorial2::FrameInit() {
    SetCommonLook();
    if (FormRes)
        ui->ImgTutorial2->setPixmap(QPixmap::fromImage(FormRes->ImgTutorial2));
    TFrameBase::FrameInit();
}
