#include "pages/formwpssurvey.h"

#include "settings/globalvar.h"
#include "ui_formwpssurvey.h"

TFormWPSSurvey* FormWPSSurvey = nullptr;

TFormWPSSurvey::TFormWPSSurvey(QWidget* parent) : QDialog(parent), ui(new Ui::FormWPSSurvey) {
    ui->setupUi(this);
    setWindowTitle(g_Var.AppTitle);
    connect(ui->BtnSelect, &QPushButton::clicked, this, [this] { done(1); });
    connect(ui->BtnCancel, &QPushButton::clicked, this, [this] { done(2); });
}

TFormWPSSurvey::~TFormWPSSurvey() {
    if (FormWPSSurvey == this)
        FormWPSSurvey = nullptr;
}
