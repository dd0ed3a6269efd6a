#include "pages/framedevipcfg.h"

#include "pages/frameipeditrect.h"
#include "protocol/formudp.h"
#include "settings/globalvar.h"
#include "settings/messagebox.h"
#include "settings/utility.h"
#include "ui_framedevipcfg.h"

#include <QStringList>

namespace {

constexpr uint32_t kAllOnes = 0xFFFFFFFFu;

struct Refusal {
    const char* key;
    const char* text;
};
const Refusal kBadAddress{"ErIPAddr", "The IP Address entered is invalid."};
const Refusal kBadMask{"ErSubnetMask", "The Subnet Mask entered is invalid."};
const Refusal kLocalAddress{"ErIPSameAsLocahost", "The IP Address is the same as local host IP."};
const Refusal kBadGateway{"ErDefaultGateway", "The Default Gateway entered is invalid."};

bool Refuse(const Refusal& refusal) {
    ShowMessage(GetText(QStringLiteral("Message"), QString::fromLatin1(refusal.key),
                        QString::fromLatin1(refusal.text)));
    return false;
}

bool BoxesFilled(const TFrameIPEditRect* control) {
    for (int n = 1; n <= TFrameIPEditRect::OctetCount; ++n)
        if (control->GetOctet(n).trimmed().isEmpty())
            return false;
    return true;
}

// Octet 1 in the top byte through octet 4 in the low byte.
uint32_t BoxesValue(const TFrameIPEditRect* control) {
    uint32_t value = 0;
    for (int n = 1; n <= TFrameIPEditRect::OctetCount; ++n)
        value = (value << 8) |
                static_cast<uint32_t>(TFrameIPEditRect::OctetValue(control->GetOctet(n).trimmed()));
    return value;
}

// An address a device can have: not 0, below the multicast range, not on the
// loopback network and not on network 0 ("this network").
bool IsHostAddress(uint32_t address) {
    const uint32_t first = address >> 24;
    return address != 0 && address < 0xE0000000u && first != 127 && first != 0;
}

// A run of one-bits from the top followed only by zero-bits, neither none nor all.
bool IsMask(uint32_t mask) {
    return mask != 0 && mask != kAllOnes && (0u - mask) == (mask & (0u - mask));
}

bool SameConfig(const IPConfig& a, const IPConfig& b) {
    return a.IpMode == b.IpMode && a.IP == b.IP && a.Mask == b.Mask && a.Gateway == b.Gateway &&
           a.DNS1 == b.DNS1 && a.DNS2 == b.DNS2;
}

} // namespace

TFrameDevIPCfg::TFrameDevIPCfg(QWidget* parent) : TFrameBase(parent), ui(new Ui::TFrameDevIPCfg) {
    ui->setupUi(this);
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
    if (address == 0)
        return QString();
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
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

bool TFrameDevIPCfg::FrameEnter(TFrameBase* current, int direction, intptr_t param) {
    if (direction == 0) {
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
    QString text = ui->IPEditIP->GetAddress().left(15);
    const qsizetype point = text.lastIndexOf(u'.');
    if (point < 0 || text.mid(point + 1) != QLatin1String("255"))
        return;
    text[text.size() - 1] = u'4';
    ui->IPEditIP->SetAddress(text);
}

bool TFrameDevIPCfg::ValidateIPSettings() {
    TFrameIPEditRect* const ipEdit = ui->IPEditIP;
    TFrameIPEditRect* const maskEdit = ui->IPEditMask;
    TFrameIPEditRect* const gatewayEdit = ui->IPEditGateway;

    if (!BoxesFilled(ipEdit))
        return Refuse(kBadAddress); // 1
    const uint32_t ip = BoxesValue(ipEdit);
    if (!IsHostAddress(ip))
        return Refuse(kBadAddress); // 2
    if (!BoxesFilled(maskEdit))
        return Refuse(kBadMask); // 3
    const uint32_t mask = BoxesValue(maskEdit);
    if (!IsMask(mask))
        return Refuse(kBadMask); // 4
    const uint32_t host = ip & ~mask;
    if (!IsHostAddress(ip) || host == 0 || host == ~mask)
        return Refuse(kBadAddress); // 5
    if (FormUDP && ipEdit->GetAddress() == FormUDP->LastLocalIP)
        return Refuse(kLocalAddress); // 6
    if (gatewayEdit->GetAddress().isEmpty())
        return true; // 7: no gateway
    if (!BoxesFilled(gatewayEdit))
        return Refuse(kBadGateway); // 8
    const uint32_t gateway = BoxesValue(gatewayEdit);
    if ((gateway & mask) != (ip & mask))
        return Refuse(kBadGateway); // 9
    if ((gateway & ~mask) == 0 || (gateway | mask) == kAllOnes)
        return Refuse(kBadGateway); // 10
    // A gateway is another host of the subnet: not the device itself, and an
    // address a host can have.
    if (gateway == ip || !IsHostAddress(gateway))
        return Refuse(kBadGateway);
    return true;
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
    if (SameConfig(g_Var.NewIP, g_Var.CurIP)) {
        PostNext();
        return;
    }
    if (m_Request.Run(this)) {
        PostNext();
        return;
    }
    ShowMessage(GetText(QStringLiteral("Message"), QStringLiteral("ER_CONNECT"),
                        QStringLiteral("Unable to connect to the device.")));
    if (g_Var.NonWorking)
        PostNext();
}

bool TFrameDevIPCfg::WndProc(const CWinMessage& message) {
    return m_Request.WndProc(message);
}
