#include "pages/framesitesurvey.h"

#include "protocol/formudp.h"
#include "settings/globalvar.h"
#include "settings/textutil.h"
#include "ui_framesitesurvey.h"

#include <cstring>

using SurveyList::AuthLabels;
using SurveyList::CSurveyList;

TFrameSiteSurvey::TFrameSiteSurvey(QWidget* parent)
    : TFrameBase(parent), ui(new Ui::TFrameSiteSurvey) {
    ui->setupUi(this);
    m_List = std::make_unique<CSurveyList>(ui->SurveyList, AuthLabels::Full);
    WireButtons(QStringLiteral("BtnNext"));
    connect(ui->BtnRefresh, &QAbstractButton::clicked, this, &TFrameSiteSurvey::BtnRefreshClick);
    connect(ui->BtnWPS, &QAbstractButton::clicked, this, &TFrameSiteSurvey::BtnWPSClick);
    connect(ui->BtnManual, &QAbstractButton::clicked, this, &TFrameSiteSurvey::BtnManualClick);
    connect(ui->SurveyList, &QTreeWidget::itemSelectionChanged, this,
            &TFrameSiteSurvey::SurveyListSelectItem);
    connect(ui->SurveyList, &TSortListView::ColumnClick, this,
            &TFrameSiteSurvey::SurveyListColumnClick);
}

TFrameSiteSurvey::~TFrameSiteSurvey() = default;

void TFrameSiteSurvey::FrameInit() {
    SetCommonLook();
    m_List->Setup(QString::fromLatin1(metaObject()->className()));
    ClearSurveyList();
    TFrameBase::FrameInit();
}

void TFrameSiteSurvey::FrameDone() {
    ClearSurveyList();
    TFrameBase::FrameDone();
}

bool TFrameSiteSurvey::FrameEnter(TFrameBase* current, Direction direction, intptr_t param) {
    // Every entry forgets the previous choice and surveys anew.
    std::memset(&g_Var.SelectedAP, 0, sizeof g_Var.SelectedAP);
    ClearSurveyList();
    BtnRefreshClick();
    return TFrameBase::FrameEnter(current, direction, param);
}

bool TFrameSiteSurvey::WndProc(const CUdpMessage& message) {
    switch (SurveyList::SurveyStepOf(message)) {
    case SurveyList::SurveyStep::Fill:
        FillSurveyList();
        return true;
    case SurveyList::SurveyStep::Start:
        StartSurvey(); // the survey that waited for the login
        return true;
    case SurveyList::SurveyStep::None:
        break;
    }
    return false;
}

void TFrameSiteSurvey::BtnRefreshClick() {
    ui->SurveyList->clearSelection();
    ui->BtnNext->setEnabled(false);
    ui->BtnWPS->setEnabled(false);
    StartSurvey();
}

void TFrameSiteSurvey::StartSurvey() {
    switch (SurveyList::SendSurveyRequest()) {
    case SurveyList::SurveySent::NoEngine:
        FillSurveyList(); // nothing to ask
        break;
    case SurveyList::SurveySent::Login:
        break;
    case SurveyList::SurveySent::Survey:
        ui->BtnRefresh->setEnabled(false);
        ClearSurveyList();
        ui->PlSearch->show();
        break;
    }
}

void TFrameSiteSurvey::FillSurveyList() {
    std::vector<_tag_AP_ROFIILE> entries;
    if (FormUDP)
        FormUDP->GetSurveyList(entries);
    // The list shows the engine's list exactly once, however often a reply or
    // a time-out fills it.
    ClearSurveyList();
    m_List->Append(entries);
    m_List->Sort();
    ui->BtnRefresh->setEnabled(true);
    ui->BtnWPS->setEnabled(true);
    ui->PlSearch->hide();
    if (g_Var.NonWorking) {
        ui->BtnNext->setEnabled(true);
        ui->BtnWPS->setEnabled(true);
    }
}

void TFrameSiteSurvey::ClearSurveyList() {
    m_List->Clear();
}

void TFrameSiteSurvey::SurveyListSelectItem() {
    ui->BtnNext->setEnabled(true);
}

void TFrameSiteSurvey::SurveyListColumnClick(int column) {
    // The list has already updated its sort state.
    if (column > 0)
        m_List->Sort();
}

void TFrameSiteSurvey::TakeSelection() {
    if (g_Var.NonWorking)
        g_Var.SelectedAP = TestEntry();
    else if (const _tag_AP_ROFIILE* entry = m_List->Selected())
        g_Var.SelectedAP = *entry;
}

void TFrameSiteSurvey::BtnNextClick() {
    g_Var.WlMethod = 1;
    if (!g_Var.NonWorking && !m_List->Selected())
        return;
    TakeSelection();
    PostNext();
}

void TFrameSiteSurvey::BtnWPSClick() {
    g_Var.WlMethod = 0;
    TakeSelection(); // with no selection the zeroed entry of the page's entry stays
    PostNext();
}

void TFrameSiteSurvey::BtnManualClick() {
    g_Var.WlMethod = 2;
    PostNext();
}

_tag_AP_ROFIILE TFrameSiteSurvey::TestEntry() {
    _tag_AP_ROFIILE entry{};
    entry.Highlighted = false;
    CopyBounded(entry.SSID, sizeof entry.SSID, QStringLiteral("NonWorkingTestMode"));
    std::memcpy(entry.BSSID, "123456", sizeof entry.BSSID);
    entry.Signal = 80;
    entry.Channel = 1;
    entry.Encryption = 0;
    entry.Authentication = 0;
    entry.NetworkKind = 1;
    entry.WpsCapable = true;
    return entry;
}
