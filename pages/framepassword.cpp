#include "pages/framepassword.h"

#include "framework/formprogress.h"
#include "protocol/formudp.h"
#include "requests/waits.h"
#include "settings/globalvar.h"
#include "settings/messagebox.h"
#include "settings/utility.h"
#include "settingsui/uiutil.h"
#include "ui_framepassword.h"

TFramePassword::TFramePassword(QWidget* parent) : TFrameBase(parent), ui(new Ui::TFramePassword) {
    ui->setupUi(this);
    Explain(ui->EdtPassword, ui->LbDefPswd);
    Explain(ui->EdtPassword, ui->LbInfo1);
    WireButtons(QStringLiteral("BtnLogin"));
    ui->EdtPassword->setMaxLength(16);
    ui->EdtPassword->setEchoMode(QLineEdit::Password);
}

TFramePassword::~TFramePassword() = default;

void TFramePassword::FrameInit() {
    SetCommonLook();
    TFrameBase::FrameInit();
}

bool TFramePassword::FrameEnter(TFrameBase* current, Direction direction, intptr_t param) {
    if (direction == Direction::Forward)
        ui->EdtPassword->setText(g_Var.Password);
    ui->LbDefPswd->setText(QStringLiteral("( default password : ") +
                           QString::fromLatin1(DefaultPassword) + QStringLiteral(" )"));
    return TFrameBase::FrameEnter(current, direction, param);
}

void TFramePassword::FrameShow(TFrameBase* previous, Direction direction, intptr_t param) {
    TFrameBase::FrameShow(previous, direction, param);
    FocusEdit(ui->EdtPassword);
}

void TFramePassword::BtnLoginClick() {
    g_Var.Password = ui->EdtPassword->text();
    const int result = TFormProgress::Run(this, m_Progress, [this] { FormProgressProc(); });
    if (result == 1) {
        PostNext();
        return;
    }
    ShowMessage(GetText(QStringLiteral("Message"), QStringLiteral("ER_LOGIN"),
                        QStringLiteral("Unable to login the deivce.")));
    FocusEdit(ui->EdtPassword);
    if (g_Var.NonWorking)
        PostNext();
}

void TFramePassword::FormProgressProc() {
    if (!FormUDP || !FormUDP->SendLogin(Waits::Login))
        m_Progress->SetModalResult(2);
}

bool TFramePassword::WndProc(const CUdpMessage& message) {
    if (!message.IsResult() && !message.IsTimeout())
        return false;
    if (!m_Progress)
        return true; // outside a login these mean nothing here: dropped
    const int code = message.Code();
    if (message.IsResult()) {
        if (code == WAIT_LOGIN) {
            if (message.Positive() && FormUDP)
                FormUDP->SendGetConfig(Waits::GetConfig);
            else
                m_Progress->SetModalResult(2);
        } else if (code == WAIT_GET_CONFIG) {
            m_Progress->SetModalResult(message.Positive() ? 1 : 2);
        }
    } else if (code == WAIT_LOGIN || code == WAIT_GET_CONFIG) {
        m_Progress->SetModalResult(2);
    }
    return true;
}
