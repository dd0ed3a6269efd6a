#include "pages/formwpssurvey.h"

#include "controls/trifacebtn.h"
#include "framework/windowdrag.h"
#include "pages/framewpssitesurvey.h"
#include "settingsui/formres.h"
#include "settingsui/uiutil.h"
#include "ui_formwpssurvey.h"

#include <QShowEvent>

TFormWPSSurvey* FormWPSSurvey = nullptr;

TFormWPSSurvey::TFormWPSSurvey(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), ui(new Ui::FormWPSSurvey) {
    ui->setupUi(this);
    setFixedSize(size());
    setModal(true);
    ApplyTextsLocked(this, QStringLiteral("FormWPSSurvey"));
    if (FormRes) {
        for (TTrifaceBtn* button : {ui->BtnSelect, ui->BtnCancel}) {
            button->SetFace(FormRes->ImgBtnN);
            button->SetFaceOver(FormRes->ImgBtnH);
            button->SetFaceDown(FormRes->ImgBtnD);
            button->SetAutoShape(true);
        }
    }
    connect(ui->BtnSelect, &QAbstractButton::clicked, this, [this] { done(ResultSelect); });
    connect(ui->BtnCancel, &QAbstractButton::clicked, this, [this] { done(ResultCancel); });
}

TFormWPSSurvey::~TFormWPSSurvey() {
    ui->FrameWPSSiteSurvey1->FrameDone();
    if (FormWPSSurvey == this)
        FormWPSSurvey = nullptr;
}

TFrameWPSSiteSurvey* TFormWPSSurvey::Frame() const {
    return ui->FrameWPSSiteSurvey1;
}

int TFormWPSSurvey::Execute(QWidget* page) {
    CenterOverPage(this, page);
    return exec();
}

QString TFormWPSSurvey::GetSelectedSSID() const {
    return ui->FrameWPSSiteSurvey1->GetSelectedSSID();
}

void TFormWPSSurvey::reject() {
    done(ResultCancel);
}

void TFormWPSSurvey::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return; // the window system showing it again (restore), not our show
    ui->FrameWPSSiteSurvey1->FrameInit();
    ui->FrameWPSSiteSurvey1->BtnRefreshClick();
}
