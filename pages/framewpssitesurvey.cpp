#include "pages/framewpssitesurvey.h"

#include "protocol/formudp.h"
#include "settings/debug.h"
#include "ui_framewpssitesurvey.h"

using SurveyList::AuthLabels;
using SurveyList::CSurveyList;

TFrameWPSSiteSurvey::TFrameWPSSiteSurvey(QWidget* parent)
    : TFrameBase(parent), ui(new Ui::TFrameWPSSiteSurvey) {
    ui->setupUi(this);
    m_List = std::make_unique<CSurveyList>(ui->SurveyList, AuthLabels::WpsOnly);
    connect(ui->BtnRefresh, &QAbstractButton::clicked, this, &TFrameWPSSiteSurvey::BtnRefreshClick);
    connect(ui->SurveyList, &TSortListView::ColumnClick, this, [this](int column) {
        if (column > 0)
            m_List->Sort();
    });
}

TFrameWPSSiteSurvey::~TFrameWPSSiteSurvey() = default;

void TFrameWPSSiteSurvey::FrameInit() {
    SetCommonLook();
    m_List->Setup(QString::fromLatin1(metaObject()->className()));
    m_List->Clear();
    TFrameBase::FrameInit();
}

void TFrameWPSSiteSurvey::FrameDone() {
    m_List->Clear();
    TFrameBase::FrameDone();
}

bool TFrameWPSSiteSurvey::event(QEvent* event) {
    if (const auto* message = dynamic_cast<const CUdpMessage*>(event)) {
        WndProc(*message);
        return true;
    }
    return TFrameBase::event(event);
}

bool TFrameWPSSiteSurvey::WndProc(const CUdpMessage& message) {
    switch (SurveyList::SurveyStepOf(message)) {
    case SurveyList::SurveyStep::Fill:
        FillSurveyList();
        return true;
    case SurveyList::SurveyStep::Start:
        StartSurvey();
        return true;
    case SurveyList::SurveyStep::None:
        break;
    }
    return false;
}

void TFrameWPSSiteSurvey::BtnRefreshClick() {
    DebugLog("TFrameWPSSiteSurvey::BtnRefreshClick(TObject *Sender)");
    StartSurvey();
}

void TFrameWPSSiteSurvey::StartSurvey() {
    switch (SurveyList::SendSurveyRequest()) {
    case SurveyList::SurveySent::NoEngine:
        FillSurveyList();
        break;
    case SurveyList::SurveySent::Login:
        break;
    case SurveyList::SurveySent::Survey:
        ui->BtnRefresh->setEnabled(false);
        m_List->Clear();
        ui->PlSearch->show();
        break;
    }
}

void TFrameWPSSiteSurvey::FillSurveyList() {
    std::vector<_tag_AP_ROFIILE> entries;
    if (FormUDP)
        FormUDP->GetWPSSurveyList(entries);
    m_List->Clear(); // shown once, however often a reply or time-out fills it
    m_List->Append(entries);
    m_List->Sort();
    ui->BtnRefresh->setEnabled(true);
    ui->PlSearch->hide();
}

QString TFrameWPSSiteSurvey::GetSelectedSSID() const {
    const _tag_AP_ROFIILE* entry = m_List->Selected();
    return entry ? SurveyList::SSIDText(*entry) : QString();
}
