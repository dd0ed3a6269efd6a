#include "pages/framesetupmethod.h"

#include "platform/shell.h"
#include "settings/globalvar.h"
#include "settings/utility.h"
#include "ui_framesetupmethod.h"

#include <QHostAddress>

namespace {

QString Dotted(uint32_t address) {
    return QHostAddress(address).toString();
}

} // namespace

TFrameSetupMethod::TFrameSetupMethod(QWidget* parent)
    : TFrameBase(parent), ui(new Ui::TFrameSetupMethod) {
    ui->setupUi(this);
    Explain(ui->RBtnSetIPDHCP, ui->LbDHCPInfo);
    Explain(ui->RBtnSetIP, ui->LbSetIPInfo);
    WireButtons(QStringLiteral("BtnNext"));
    for (QRadioButton* choice :
         {ui->RBtnSetIPDHCP, ui->RBtnSetIP, ui->RBtnSetWireless, ui->RBtnWebUI, ui->RBtnSetAdvance})
        connect(choice, &QRadioButton::clicked, this, &TFrameSetupMethod::ApplyNextCaption);
}

TFrameSetupMethod::~TFrameSetupMethod() = default;

void TFrameSetupMethod::FrameInit() {
    SetCommonLook();
    ui->RBtnSetIPDHCP->setChecked(true);
    TFrameBase::FrameInit();
}

bool TFrameSetupMethod::StaticAddressChosen() const {
    return ui->RBtnSetIP->isChecked();
}

bool TFrameSetupMethod::FrameEnter(TFrameBase* current, Direction direction, intptr_t param) {
    const IPConfig& ip = g_Var.CurIP;
    ui->LblIP->setText(Dotted(ip.IP));
    ui->LblMask->setText(Dotted(ip.Mask));
    ui->LblGateway->setText(ip.Gateway == 0 || ip.Gateway == 0xFFFFFFFFu ? QString()
                                                                         : Dotted(ip.Gateway));
    if (direction == Direction::Forward)
        ui->RBtnSetIPDHCP->setChecked(true);
    ApplyNextCaption();
    return TFrameBase::FrameEnter(current, direction, param);
}

void TFrameSetupMethod::ApplyNextCaption() {
    const QString section = QStringLiteral("TFrameSetupMethod");
    ui->BtnNext->setText(
        ui->RBtnSetIPDHCP->isChecked()
            ? GetText(section, QStringLiteral("BtnNext_DHCP"), QStringLiteral("Configure"))
            : GetText(section, QStringLiteral("BtnNext_STATIC"), QStringLiteral("Next")));
}

void TFrameSetupMethod::BtnNextClick() {
    if (ui->RBtnSetIPDHCP->isChecked()) {
        g_Var.SetupMethod = 0;
        g_Var.NewIP = g_Var.CurIP;
        if (SwitchToDHCP()) {
            PostNext();
            return;
        }
        ReportConnectFailure();
    } else if (ui->RBtnSetIP->isChecked()) {
        g_Var.SetupMethod = 0;
        g_Var.NewIP = g_Var.CurIP;
        PostNext();
    } else if (ui->RBtnSetWireless->isChecked()) {
        g_Var.SetupMethod = 1;
        g_Var.NewIP = g_Var.CurIP;
        g_Var.NewWl = g_Var.CurWl;
        PostNext();
    } else if (ui->RBtnSetAdvance->isChecked()) {
        g_Var.SetupMethod = 2;
        PostNext();
    } else if (ui->RBtnWebUI->isChecked()) {
        OpenWebUI();
    }
}

bool TFrameSetupMethod::SwitchToDHCP() {
    if (g_Var.NewIP.IpMode != 0)
        return true; // the device uses DHCP already: nothing to send
    g_Var.NewIP.IpMode = 1;
    return m_Request.Run(this);
}

void TFrameSetupMethod::OpenWebUI() {
    // No address read from a device: there is no web interface to open (the
    // zero address would reach this computer instead).
    if (g_Var.CurIP.IP == 0)
        return;
    Shell().ShellExecute(QStringLiteral("open"),
                         QStringLiteral("http://") + Dotted(g_Var.CurIP.IP) + QStringLiteral("/"));
}

bool TFrameSetupMethod::WndProc(const CUdpMessage& message) {
    return m_Request.WndProc(message);
}
