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
    Explain(ui->BtnNext, ui->ImgTutorial); // the picture is all the page says
}

TFrameTutorial::~TFrameTutorial() = default;

void TFrameTutorial::FrameInit() {
    SetCommonLook();
    if (FormRes)
        ui->ImgTutorial->setPixmap(QPixmap::fromImage(FormRes->ImgTutorial));
    NamePicture(ui->ImgTutorial, "Connect the device to your network",
                "Use the supplied Ethernet cable to connect a LAN port of your router to the LAN "
                "port of the device.");
    TFrameBase::FrameInit();
}

TFrameTutorial2::TFrameTutorial2(QWidget* parent)
    : TFrameTutorialBase(parent), ui(new Ui::TFrameTutorial2) {
    ui->setupUi(this);
    WireButtons();
    Explain(ui->BtnNext, ui->ImgTutorial2);
}

TFrameTutorial2::~TFrameTutorial2() = default;

void TFrameTutorial2::FrameInit() {
    SetCommonLook();
    if (FormRes)
        ui->ImgTutorial2->setPixmap(QPixmap::fromImage(FormRes->ImgTutorial2));
    NamePicture(ui->ImgTutorial2, "Power on the device",
                "Plug the power adapter into a power outlet and into the DC IN jack of the device, "
                "then set the power switch to ON.");
    TFrameBase::FrameInit();
}
