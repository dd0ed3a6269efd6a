#include "pages/framedevipcfg.h"

#include "pages/frameipeditrect.h"
#include "protocol/formudp.h"
#include "settings/globalvar.h"
#include "settings/iprules.h"
#include "settings/messagebox.h"
#include "settings/textutil.h"
#include "ui_framedevipcfg.h"

#include <QStringList>

namespace {

constexpr uint32_t kAllOnes = 0xFFFFFFFFu;

// What the four boxes of an address control hold.
AddressEntry BoxesEntry(const TFrameIPEditRect* control) {
    int filled = 0;
    uint32_t value = 0;
    for (int n = 1; n <= TFrameIPEditRect::OctetCount; ++n) {
        const QString octet = control->GetOctet(n).trimmed();
        filled += octet.isEmpty() ? 0 : 1;
        value = (value << 8) | static_cast<uint32_t>(TFrameIPEditRect::OctetValue(octet));
    }
    if (filled == TFrameIPEditRect::OctetCount)
        return AddressEntry::Of(value);
    return {control->GetAddress().isEmpty() ? AddressEntry::State::Empty
                                            : AddressEntry::State::Partial,
            0};
}

} // namespace

TFrameDevIPCfg::TFrameDevIPCfg(QWidget* parent) : TFrameBase(parent), ui(new Ui::TFrameDevIPCfg) {
    ui->setupUi(this);
    Explain(ui->IPEditIP->Box(1), ui->LbStaticIPInfo);
    WireButtons(QStringLiteral("BtnNext"));
    connect(ui->RBtnDHCP, &QRadioButton::clicked, this, &TFrameDevIPCfg::RBtnDHCPClick);
    connect(ui->RBtnStatic, &QRadioButton::clicked, this, &TFrameDevIPCfg::RBtnDHCPClick);
    connect(ui->IPEditMask, &TFrameIPEditRect::Entered, this, &TFrameDevIPCfg::IPEditMaskEnter);
}

TFrameDevIPCfg::~TFrameDevIPCfg() = default;

void TFrameDevIPCfg::FrameInit() {
    SetCommonLook();
    ui->RBtnStatic->setChecked(true);
    TFrameBase::FrameInit();
}

QList<TFrameIPEditRect*> TFrameDevIPCfg::AddressControls() const {
    return {ui->IPEditIP, ui->IPEditMask, ui->IPEditGateway, ui->IPEditDNS1, ui->IPEditDNS2};
}

QString TFrameDevIPCfg::AddressText(uint32_t address) {
    return address == 0 ? QString() : DottedText(address);
}

uint32_t TFrameDevIPCfg::AddressValue(const QString& text) {
    if (text.isEmpty())
        return 0;
    const QStringList parts = text.split(u'.');
    uint32_t value = 0;
    for (int i = 0; i < TFrameIPEditRect::OctetCount; ++i)
        value = (value << 8) |
                static_cast<uint32_t>(TFrameIPEditRect::OctetValue(parts.value(i).trimmed()));
    return value;
}

bool TFrameDevIPCfg::FrameEnter(TFrameBase* current, Direction direction, intptr_t param) {
    if (direction == Direction::Forward) {
        const IPConfig& ip = g_Var.NewIP;
        ui->RBtnStatic->setChecked(true);
        ui->IPEditIP->SetAddress(AddressText(ip.IP));
        ui->IPEditMask->SetAddress(AddressText(ip.Mask));
        ui->IPEditGateway->SetAddress(ip.Gateway == kAllOnes ? QString() : AddressText(ip.Gateway));
        ui->IPEditDNS1->SetAddress(AddressText(ip.DNS1));
        ui->IPEditDNS2->SetAddress(AddressText(ip.DNS2));
        RBtnDHCPClick();
    }
    return TFrameBase::FrameEnter(current, direction, param);
}

void TFrameDevIPCfg::RBtnDHCPClick() {
    const bool enabled = ui->RBtnStatic->isChecked();
    for (TFrameIPEditRect* control : AddressControls())
        control->SetEnabled(enabled);
}

void TFrameDevIPCfg::IPEditMaskEnter() {
    if (!ui->IPEditMask->GetAddress().isEmpty() || ui->IPEditIP->GetAddress().isEmpty())
        return;
    // Without a first octet there is no address class to go by.
    const QString first = ui->IPEditIP->GetOctet(1).trimmed();
    if (first.isEmpty())
        return;
    const int value = TFrameIPEditRect::OctetValue(first);
    ui->IPEditMask->SetAddress(value < 128   ? QStringLiteral("255.0.0.0")
                               : value < 192 ? QStringLiteral("255.255.0.0")
                                             : QStringLiteral("255.255.255.0"));
}

void TFrameDevIPCfg::RewriteBroadcastOctet() {
    const QString text = ui->IPEditIP->GetAddress();
    if (text.isEmpty())
        return;
    const uint32_t address = AddressValue(text);
    const uint32_t rewritten = WithoutBroadcastOctet(address);
    if (rewritten != address)
        ui->IPEditIP->SetAddress(DottedText(rewritten));
}

bool TFrameDevIPCfg::ValidateIPSettings() {
    StaticAddressEntry entry{BoxesEntry(ui->IPEditIP), BoxesEntry(ui->IPEditMask),
                             BoxesEntry(ui->IPEditGateway), std::nullopt};
    uint32_t local = 0;
    if (FormUDP && ParseDotted(FormUDP->LastLocalIP, local))
        entry.localIP = local;
    const IPRule rule = CheckStaticAddress(entry);
    if (rule == IPRule::Accepted)
        return true;
    ShowMessage(RuleMessage(rule));
    return false;
}

void TFrameDevIPCfg::StoreEntries() {
    IPConfig& ip = g_Var.NewIP;
    ip.IP = AddressValue(ui->IPEditIP->GetAddress());
    ip.Mask = AddressValue(ui->IPEditMask->GetAddress());
    // No gateway: 0, or the "none" the device itself reports, so that an
    // unchanged page still compares equal.
    ip.Gateway = AddressValue(ui->IPEditGateway->GetAddress());
    if (ui->IPEditGateway->GetAddress().isEmpty() && g_Var.CurIP.Gateway == kAllOnes)
        ip.Gateway = kAllOnes;
    ip.DNS1 = AddressValue(ui->IPEditDNS1->GetAddress());
    ip.DNS2 = AddressValue(ui->IPEditDNS2->GetAddress());
}

void TFrameDevIPCfg::BtnNextClick() {
    if (ui->RBtnDHCP->isChecked()) {
        // The address boxes are disabled and not used: DHCP keeps the device's
        // current values and is sent only to a device that is not on DHCP.
        g_Var.NewIP = g_Var.CurIP;
        g_Var.NewIP.IpMode = 1;
    } else {
        g_Var.NewIP.IpMode = 0;
        RewriteBroadcastOctet();
        if (!ValidateIPSettings())
            return;
        StoreEntries();
    }
    if (g_Var.NewIP == g_Var.CurIP) {
        PostNext();
        return;
    }
    if (m_Request.Run(this)) {
        PostNext();
        return;
    }
    ReportConnectFailure();
}

bool TFrameDevIPCfg::WndProc(const CUdpMessage& message) {
    return m_Request.WndProc(message);
}
