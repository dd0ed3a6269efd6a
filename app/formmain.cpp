#include "app/formmain.h"

#include "framework/framebase.h"
#include "framework/windowdrag.h"
#include "pages/framedevipcfg.h"
#include "pages/framedevlist.h"
#include "pages/framelicense.h"
#include "pages/framepassword.h"
#include "pages/framesetupmethod.h"
#include "pages/framesetwlmethod.h"
#include "pages/framesitesurvey.h"
#include "pages/framesuccess.h"
#include "pages/frametutorial.h"
#include "pages/framewlmodesel.h"
#include "pages/framewlprofile.h"
#include "pages/framewpsmethod.h"
#include "settings/globalvar.h"
#include "settings/messagebox.h"
#include "settings/utility.h"
#include "settingsui/formres.h"
#include "settingsui/uiutil.h"
#include "ui_formmain.h"

#include <QCloseEvent>
#include <QKeyEvent>

TFormMain* FormMain = nullptr;

TFormMain::TFormMain(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ui(new Ui::FormMain) {
    ui->setupUi(this);
    setFixedSize(600, 450);
    setModal(true);

    // Creation: caption and texts, background and layout, then every page's
    // FrameInit; the first Next is posted so that the first page is current
    // before the wizard is ever shown.
    setWindowTitle(g_Var.AppTitle);
    ApplyTextsLocked(this, QStringLiteral("FormMain"));
    if (FormRes)
        ui->ImgBG->setPixmap(QPixmap::fromImage(FormRes->ImgBGMain));
    // The banner's title, for screen readers.
    ui->ImgBG->setAccessibleName(
        GetText("FormMain", "ImgBG_Name", QStringLiteral("Wireless Setup Wizard")));
    ui->ImgBG->setAccessibleDescription(
        GetText("FormMain", "ImgBG_Description",
                QStringLiteral("Set up your access point or client bridge in a few easy steps")));
    new CWindowDrag(ui->ImgBG);
    ApplyLayoutLocked(this, QStringLiteral("FormMain"));
    for (TFrameBase* frame : Frames()) {
        frame->FrameInit();
        frame->hide();
    }
    CurrentFrame = nullptr;
    PostWinMessage(this, UM_PAGE_SWITCH, PAGE_NEXT, 0);
}

TFormMain::~TFormMain() {
    for (TFrameBase* frame : Frames())
        frame->FrameDone();
    if (FormMain == this)
        FormMain = nullptr;
}

QList<TFrameBase*> TFormMain::Frames() const {
    return {ui->FrameLicense1,     ui->FrameTutorial1,   ui->FrameTutorial21,   ui->FrameDevList1,
            ui->FramePassword1,    ui->FrameWlModeSel1,  ui->FrameSetupMethod1, ui->FrameDevIPCfg1,
            ui->FrameSetWlMethod1, ui->FrameSiteSurvey1, ui->FrameWlProfile1,   ui->FrameWPSMethod1,
            ui->FrameSuccess1};
}

bool TFormMain::ShowFrame(TFrameBase* target, Direction direction, intptr_t param) {
    if (target == CurrentFrame)
        return true;
    if (CurrentFrame && !CurrentFrame->FrameLeave(target, direction, param))
        return false;
    if (target && !target->FrameEnter(CurrentFrame, direction, param))
        return false;
    TFrameBase* previous = CurrentFrame;
    if (previous) {
        previous->hide();
        previous->FrameHide(target, direction, param);
    }
    if (target) {
        target->show();
        target->FrameShow(previous, direction, param);
        target->TakeKeyboard(previous);
    }
    CurrentFrame = target;
    NoteRoute(previous, target, direction);
    return true;
}

void TFormMain::NoteRoute(TFrameBase* previous, TFrameBase* target, Direction direction) {
    if (target == ui->FrameWlProfile1)
        m_ManualRoute = false;
    else if (target == ui->FrameSetupMethod1 && direction == Direction::Forward)
        m_ManualRoute = previous == ui->FrameSiteSurvey1 && g_Var.WlMethod == 2;
}

void TFormMain::CopyStep() {
    g_Var.SetupMethod = 1;
    g_Var.NewIP = g_Var.CurIP;
    g_Var.NewWl = g_Var.CurWl;
}

// Where the wireless steps begin after the IP steps: the wireless setup method
// page of an access point. A client joins an access point, so its steps begin
// with the site survey every time, unless the user has just chosen there to
// enter the profile by hand ("Manual"). (Going straight to the profile host
// left a client with no way to its site survey or to WPS: the survey is
// otherwise reached only from pages that are themselves reached only from it.)
TFrameBase* TFormMain::WirelessStart() const {
    if (g_Var.DeviceMode == DEVICE_AP)
        return ui->FrameSetWlMethod1;
    if (m_ManualRoute)
        return ui->FrameWlProfile1;
    return ui->FrameSiteSurvey1;
}

TFrameBase* TFormMain::NextTarget() {
    const bool ap = g_Var.DeviceMode == DEVICE_AP;
    TFrameBase* const current = CurrentFrame;
    if (!current)
        return ui->FrameLicense1;
    if (current == ui->FrameLicense1)
        return ui->FrameTutorial1;
    if (current == ui->FrameTutorial1)
        return ui->FrameTutorial21;
    if (current == ui->FrameTutorial21)
        return ui->FrameDevList1;
    if (current == ui->FrameDevList1)
        return ui->FramePassword1;
    if (current == ui->FramePassword1)
        return ui->FrameSetupMethod1;
    if (current == ui->FrameWlModeSel1)
        return ap ? static_cast<TFrameBase*>(ui->FrameSetupMethod1) : ui->FrameSiteSurvey1;
    if (current == ui->FrameSetupMethod1) {
        if (g_Var.SetupMethod == 0) {
            if (ui->FrameSetupMethod1->StaticAddressChosen())
                return ui->FrameDevIPCfg1;
            CopyStep();
        }
        if (g_Var.SetupMethod == 1)
            return WirelessStart();
        return nullptr;
    }
    if (current == ui->FrameDevIPCfg1) {
        CopyStep();
        return WirelessStart();
    }
    if (current == ui->FrameSetWlMethod1) {
        if (g_Var.WlMethod == 0)
            return ui->FrameWPSMethod1;
        if (g_Var.WlMethod == 1)
            return ap ? static_cast<TFrameBase*>(ui->FrameWlProfile1) : ui->FrameSiteSurvey1;
        return nullptr;
    }
    if (current == ui->FrameSiteSurvey1) {
        switch (g_Var.WlMethod) {
        case 0:
            return ui->FrameWPSMethod1;
        case 1:
            return ui->FrameWlProfile1;
        case 2:
            return ui->FrameSetupMethod1;
        default:
            return nullptr;
        }
    }
    if (current == ui->FrameWlProfile1)
        return ui->FrameWlProfile1->AdvanceSubPage() ? ui->FrameSuccess1 : nullptr;
    if (current == ui->FrameWPSMethod1)
        return ui->FrameSuccess1;
    if (current == ui->FrameSuccess1)
        return ui->FrameSetupMethod1;
    return nullptr;
}

TFormMain::BackStep TFormMain::BackTarget() {
    using Kind = BackStep::Kind;
    const bool ap = g_Var.DeviceMode == DEVICE_AP;
    const bool staticIP = ui->FrameSetupMethod1->StaticAddressChosen();
    TFrameBase* const current = CurrentFrame;
    auto show = [](TFrameBase* target, Direction direction = Direction::Backward) {
        return BackStep{Kind::Show, target, direction};
    };
    if (!current)
        return {};
    if (current == ui->FrameLicense1 || current == ui->FrameTutorial1)
        return BackStep{Kind::EndWizard};
    if (current == ui->FrameTutorial21)
        return show(ui->FrameTutorial1);
    if (current == ui->FrameDevList1)
        return show(ui->FrameTutorial21);
    if (current == ui->FramePassword1 || current == ui->FrameWlModeSel1 ||
        current == ui->FrameSetupMethod1 || current == ui->FrameSuccess1)
        return show(ui->FrameDevList1);
    if (current == ui->FrameDevIPCfg1)
        return show(ui->FrameSetupMethod1);
    if (current == ui->FrameSetWlMethod1)
        return show(staticIP ? static_cast<TFrameBase*>(ui->FrameDevIPCfg1)
                             : ui->FrameSetupMethod1);
    if (current == ui->FrameSiteSurvey1) {
        // Back to the page the user came from: the survey notes it on its
        // forward entry (the wireless mode page only when it has none).
        TFrameBase* const cameFrom = ui->FrameSiteSurvey1->PrevFrame;
        return show(cameFrom ? cameFrom : ui->FrameWlModeSel1);
    }
    if (current == ui->FrameWlProfile1) {
        if (!ui->FrameWlProfile1->RetreatSubPage())
            return {};
        if (ap)
            return show(ui->FrameSetWlMethod1);
        if (g_Var.WlMethod == 1)
            return show(ui->FrameSiteSurvey1);
        if (g_Var.WlMethod == 2)
            return show(staticIP ? static_cast<TFrameBase*>(ui->FrameDevIPCfg1)
                                 : ui->FrameSetupMethod1);
        return {};
    }
    if (current == ui->FrameWPSMethod1)
        return ap ? show(ui->FrameSetWlMethod1, Direction::Forward) : show(ui->FrameSiteSurvey1);
    return {};
}

void TFormMain::GoNext(intptr_t param) {
    if (TFrameBase* target = NextTarget())
        ShowFrame(target, Direction::Forward, param);
}

void TFormMain::GoBack(intptr_t param) {
    const BackStep step = BackTarget();
    switch (step.kind) {
    case BackStep::EndWizard:
        done(ResultCancel);
        break;
    case BackStep::Show:
        ShowFrame(step.target, step.direction, param);
        break;
    case BackStep::Nothing:
        break;
    }
}

void TFormMain::AskExit() {
    const QString text =
        GetText("Message", "MSG_Exit", QStringLiteral("Do you want to exit the Setup Wizard?"));
    if (AskQuestion(text))
        done(ResultExit);
}

void TFormMain::OnPageSwitch(intptr_t code, intptr_t param) {
    switch (code) {
    case PAGE_EXIT:
        AskExit();
        break;
    case PAGE_NEXT:
        GoNext(param);
        break;
    case PAGE_BACK:
        GoBack(param);
        break;
    default:
        break;
    }
}

void TFormMain::HandleMessage(const CWinMessage& message) {
    if (message.Message() == UM_PAGE_SWITCH)
        OnPageSwitch(message.WParam, message.LParam);
}

void TFormMain::HandleMessage(const CUdpMessage& message) {
    if (CurrentFrame)
        CurrentFrame->WndProc(message);
}

bool TFormMain::event(QEvent* event) {
    if (const auto* message = dynamic_cast<const CWinMessage*>(event);
        message && message->Message() == UM_PAGE_SWITCH) {
        HandleMessage(*message);
        return true;
    }
    if (const auto* message = dynamic_cast<const CUdpMessage*>(event)) {
        HandleMessage(*message);
        return true;
    }
    return QDialog::event(event);
}

void TFormMain::showEvent(QShowEvent* event) {
    if (!m_Placed) {
        CenterOnScreen(this);
        m_Placed = true;
    }
    QDialog::showEvent(event);
}

void TFormMain::closeEvent(QCloseEvent* event) {
    // The platform's close command ends the wizard like Back on the first
    // page, without the exit question.
    event->accept();
    done(ResultCancel);
}

void TFormMain::setVisible(bool visible) {
    QDialog::setVisible(visible);
    // A dialog being shown makes its first auto-default button the default
    // when it has none (the success page): the page on screen takes the
    // keyboard again.
    if (visible && CurrentFrame)
        CurrentFrame->TakeKeyboard(nullptr);
}

void TFormMain::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // No Cancel button: Escape asks the exit question, as Exit does.
        event->accept();
        if (CurrentFrame)
            CurrentFrame->BtnExitClick();
        return;
    }
    QDialog::keyPressEvent(event);
}
