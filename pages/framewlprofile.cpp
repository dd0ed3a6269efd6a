#include "pages/framewlprofile.h"

#include "pages/framewlprofconfirm.h"
#include "pages/framewlprofpsk.h"
#include "pages/framewlprofsecurity.h"
#include "pages/framewlprofssid.h"
#include "pages/framewlprofwep.h"
#include "pages/framewlprofwlmode.h"
#include "settings/globalvar.h"
#include "ui_framewlprofile.h"

TFrameWlProfile::TFrameWlProfile(QWidget* parent)
    : TFrameBase(parent), ui(new Ui::TFrameWlProfile) {
    ui->setupUi(this);
}

TFrameWlProfile::~TFrameWlProfile() = default;

QList<TFrameBase*> TFrameWlProfile::SubPages() const {
    return {ui->FrameWlProfSSID1, ui->FrameWlProfSecurity1, ui->FrameWlProfWEP1,
            ui->FrameWlProfPSK1,  ui->FrameWlProfConfirm1,  ui->FrameWlProfWlMode1};
}

TFrameWlProfSSID* TFrameWlProfile::SSIDPage() const {
    return ui->FrameWlProfSSID1;
}
TFrameWlProfWlMode* TFrameWlProfile::WlModePage() const {
    return ui->FrameWlProfWlMode1;
}
TFrameWlProfSecurity* TFrameWlProfile::SecurityPage() const {
    return ui->FrameWlProfSecurity1;
}
TFrameWlProfWEP* TFrameWlProfile::WEPPage() const {
    return ui->FrameWlProfWEP1;
}
TFrameWlProfPSK* TFrameWlProfile::PSKPage() const {
    return ui->FrameWlProfPSK1;
}
TFrameWlProfConfirm* TFrameWlProfile::ConfirmPage() const {
    return ui->FrameWlProfConfirm1;
}

void TFrameWlProfile::FrameInit() {
    for (TFrameBase* page : SubPages()) {
        page->FrameInit();
        page->hide();
    }
    TFrameBase::FrameInit();
}

void TFrameWlProfile::FrameDone() {
    for (TFrameBase* page : SubPages())
        page->FrameDone();
}

void TFrameWlProfile::FrameShow(TFrameBase* previous, Direction direction, intptr_t param) {
    TFrameBase::FrameShow(previous, direction, param);
    if (direction == Direction::Forward)
        ShowSubPage(ui->FrameWlProfSSID1, Direction::Forward);
}

bool TFrameWlProfile::WndProc(const CUdpMessage& message) {
    if (m_Current)
        m_Current->WndProc(message);
    return TFrameBase::WndProc(message);
}

bool TFrameWlProfile::ShowSubPage(TFrameBase* target, Direction direction) {
    if (!target)
        return false;
    // Entering the page that is already current (a new run starting on the
    // SSID page) re-initialises it without naming itself as its predecessor.
    TFrameBase* const current = m_Current == target ? nullptr : m_Current;
    if (!target->FrameEnter(current, direction, 0))
        return false;
    if (m_Current) {
        m_Current->hide();
        m_Current->FrameHide(target, direction, 0);
    }
    target->show();
    target->repaint();
    target->FrameShow(current, direction, 0);
    target->TakeKeyboard(current);
    m_Current = target;
    return true;
}

TFrameBase* TFrameWlProfile::Successor(TFrameBase* current) const {
    if (current == ui->FrameWlProfSSID1)
        return ui->FrameWlProfWlMode1;
    if (current == ui->FrameWlProfWlMode1)
        return ui->FrameWlProfSecurity1;
    if (current == ui->FrameWlProfSecurity1) {
        switch (g_Var.NewWl.Security) {
        case 0:
            return ui->FrameWlProfConfirm1;
        case 1:
            return ui->FrameWlProfWEP1;
        case 2:
            return ui->FrameWlProfPSK1;
        default:
            return nullptr;
        }
    }
    if (current == ui->FrameWlProfWEP1 || current == ui->FrameWlProfPSK1)
        return ui->FrameWlProfConfirm1;
    return nullptr;
}

bool TFrameWlProfile::AdvanceSubPage() {
    if (!m_Current)
        return false;
    TFrameBase* const successor = Successor(m_Current);
    if (!m_Current->FrameLeave(successor, Direction::Forward, 0))
        return false;
    if (m_Current == ui->FrameWlProfConfirm1)
        return true;
    if (!successor)
        return false;
    ShowSubPage(successor, Direction::Forward);
    return false;
}

bool TFrameWlProfile::RetreatSubPage() {
    if (!m_Current)
        return true;
    TFrameBase* const previous = m_Current->PrevFrame;
    if (!m_Current->FrameLeave(previous, Direction::Backward, 0))
        return false;
    if (!previous || m_Current == ui->FrameWlProfSSID1)
        return true;
    ShowSubPage(previous, Direction::Backward);
    return false;
}
