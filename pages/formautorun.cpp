#include "pages/formautorun.h"

#include "controls/gwimage.h"
#include "controls/trifacebtn.h"
#include "framework/windowdrag.h"
#include "platform/program.h"
#include "platform/shell.h"
#include "platform/windowfind.h"
#include "requests/waits.h"
#include "settings/debug.h"
#include "settings/globalvar.h"
#include "settings/messagebox.h"
#include "settings/utility.h"
#include "settings/winmessage.h"
#include "settingsui/formres.h"
#include "settingsui/uiutil.h"
#include "ui_formautorun.h"

#include <QCoreApplication>
#include <QDialog>
#include <QPushButton>
#include <QScopedValueRollback>

TFormAutorun* FormAutorun = nullptr;

namespace {

void SetFaces(TTrifaceBtn* button, const QImage& normal, const QImage& highlighted) {
    button->SetFace(normal);
    button->SetFaceOver(highlighted);
    button->SetFaceDown(highlighted);
    button->SetAutoShape(true);
}

// Product registration and the quick installation guide fail without a word
// to the user; the trace keeps the shell's answer.
void TraceSilentFailure(const char* operation, const QString& target, int result) {
    if (result > 32)
        return;
    DebugLog("%s", operation);
    DebugLog("  %s not opened: Result=%d", qUtf8Printable(target), result);
}

} // namespace

TFormAutorun::TFormAutorun(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), ui(new Ui::FormAutorun) {
    ui->setupUi(this);
    setFixedSize(600, 450);
    setWindowTitle(g_Var.AppTitle);
    if (FormRes) {
        ui->ImgBG->setPixmap(QPixmap::fromImage(FormRes->ImgBGAutorun));
        SetFaces(ui->BtnSetupWizard, FormRes->ImgBtnSetupWizardN, FormRes->ImgBtnSetupWizardD);
        SetFaces(ui->BtnUG, FormRes->ImgBtnUGN, FormRes->ImgBtnUGD);
        SetFaces(ui->BtnProductReg, FormRes->ImgBtnProductRegN, FormRes->ImgBtnProductRegD);
        SetFaces(ui->BtnExit, FormRes->ImgBtnExitN, FormRes->ImgBtnExitD);
        ui->BtnUG_UG->SetImageSource(TGWImage::gsrcImage);
        ui->BtnUG_QIG->SetImageSource(TGWImage::gsrcImage);
        ui->BtnUG_UG->SetImage(0, FormRes->ImgBtnUG_UGN);
        ui->BtnUG_UG->SetImage(1, FormRes->ImgBtnUG_UGD);
        ui->BtnUG_QIG->SetImage(0, FormRes->ImgBtnUG_QIGN);
        ui->BtnUG_QIG->SetImage(1, FormRes->ImgBtnUG_QIGD);
    }
    for (TGWImage* entry : {ui->BtnUG_UG, ui->BtnUG_QIG}) {
        entry->SetMouseOverEffect(true);
        entry->setCursor(Qt::PointingHandCursor);
    }
    // Return presses the focused button as Space does (outside a dialog a
    // push button takes only Space).
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(true);
    ApplyFormSettings(this, QStringLiteral("FormAutorun"));
    new CWindowDrag(ui->ImgBG);
    CenterOnScreen(this);

    connect(ui->BtnSetupWizard, &QPushButton::clicked, this, &TFormAutorun::BtnSetupWizardClick);
    connect(ui->BtnUG, &QPushButton::clicked, this, &TFormAutorun::BtnUGClick);
    connect(ui->BtnUG_UG, &TGWImage::clicked, this, &TFormAutorun::BtnUG_UGClick);
    connect(ui->BtnUG_QIG, &TGWImage::clicked, this, &TFormAutorun::BtnUG_QIGClick);
    connect(ui->BtnProductReg, &QPushButton::clicked, this, &TFormAutorun::BtnProductRegClick);
    connect(ui->BtnExit, &QPushButton::clicked, this, &TFormAutorun::BtnExitClick);
    connect(&TimerInstAcrobat, &CWaitTimer::Elapsed, this, &TFormAutorun::TimerInstAcrobatTimer);
}

TFormAutorun::~TFormAutorun() {
    if (FormAutorun == this)
        FormAutorun = nullptr;
}

void TFormAutorun::BtnSetupWizardClick() {
    if (!m_Wizard)
        return;
    hide();
    const int result = m_Wizard->exec();
    if (result == 1)
        close();
    else
        show();
}

void TFormAutorun::BtnUGClick() {
    m_SubMenuOpen = !m_SubMenuOpen;
    const int shift = m_SubMenuOpen ? SubMenuShift : -SubMenuShift;
    ui->BtnUG_UG->setVisible(m_SubMenuOpen);
    ui->BtnUG_QIG->setVisible(m_SubMenuOpen);
    ui->BtnProductReg->move(ui->BtnProductReg->pos() + QPoint(0, shift));
    ui->BtnExit->move(ui->BtnExit->pos() + QPoint(0, shift));
}

void TFormAutorun::BtnUG_UGClick() {
    if (m_Opening)
        return;
    const QScopedValueRollback<bool> opening(m_Opening, true);
    switch (g_Var.OpenUserGuide()) {
    case 2:
        ShowMessage(GetText("Message", "ER_FILE_UG", "Unable to open the user guide."));
        break;
    case 3:
        if (TimerInstAcrobat.IsActive())
            break; // an installation is being watched
        if (AskQuestion(GetText("Message", "MSG_InstAcrobat",
                                "Acrobat Reader is not installed. Would you like to install it "
                                "now?"))) {
            if (Shell().ShellStart(QStringLiteral("open"), g_Var.AcrobatReader, m_Installer) > 32) {
                TimerInstAcrobat.Start(Waits::InstallerFirstLook);
            } else {
                ShowMessage(GetText("Message", "ER_FILE_Acrobat",
                                    "Unable to find Acrobat Reader setup file."));
            }
        }
        break;
    default:
        break;
    }
}

bool TFormAutorun::InstallerPresent() const {
    if (WindowSearchAvailable())
        return TopLevelWindowExists(g_Var.AcrobatReaderTitle);
    return ProcessRunning(m_Installer);
}

void TFormAutorun::TimerInstAcrobatTimer() {
    if (InstallerPresent()) {
        TimerInstAcrobat.Start(Waits::InstallerPoll);
        return;
    }
    const int misses = m_Misses++;
    if (misses >= 3) {
        TimerInstAcrobat.Stop();
        m_Misses = 0;
        g_Var.OpenUserGuide(); // the result is neither shown nor acted on
        return;
    }
    TimerInstAcrobat.Restart();
}

void TFormAutorun::BtnUG_QIGClick() {
    if (m_Opening)
        return;
    const QScopedValueRollback<bool> opening(m_Opening, true);
    const QString qig = g_Var.ProductFile(QStringLiteral("QIG"), QStringLiteral("QIG"));
    TraceSilentFailure("TFormAutorun::BtnUG_QIGClick()", qig,
                       Shell().ShellExecute(QStringLiteral("explore"), qig));
}

void TFormAutorun::BtnProductRegClick() {
    if (m_Opening)
        return;
    const QScopedValueRollback<bool> opening(m_Opening, true);
    const QString address = g_Var.ProductFile(QStringLiteral("ProductReg"));
    if (!address.isEmpty())
        TraceSilentFailure("TFormAutorun::BtnProductRegClick()", address,
                           Shell().ShellExecute(QStringLiteral("open"), address));
}

void TFormAutorun::BtnExitClick() {
    close();
}

bool TFormAutorun::event(QEvent* event) {
    if (const auto* message = dynamic_cast<const CWinMessage*>(event);
        message && message->Message() == UM_PAGE_SWITCH) {
        if (m_Wizard) {
            CWinMessage relayed(message->Message(), message->WParam, message->LParam);
            QCoreApplication::sendEvent(m_Wizard, &relayed);
        }
        return true;
    }
    if (const auto* message = dynamic_cast<const CUdpMessage*>(event)) {
        if (m_Wizard) {
            CUdpMessage relayed(message->Message(), message->Code(), message->Value());
            QCoreApplication::sendEvent(m_Wizard, &relayed);
        }
        return true;
    }
    return QWidget::event(event);
}
