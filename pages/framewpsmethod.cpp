#include "pages/framewpsmethod.h"

#include "framework/formprogress.h"
#include "pages/formwpssurvey.h"
#include "pages/framewpssitesurvey.h"
#include "protocol/formudp.h"
#include "protocol/wpsstatus.h"
#include "requests/requestplans.h"
#include "settings/debug.h"
#include "settings/globalvar.h"
#include "settings/messagebox.h"
#include "settings/textutil.h"
#include "settings/utility.h"
#include "settings/wirelessrules.h"
#include "settingsui/uiutil.h"
#include "ui_framewpsmethod.h"

#include <QRegularExpressionValidator>
#include <cstring>

namespace {

QString StringText(const char* key, const QString& text) {
    return GetText(QStringLiteral("String"), QString::fromLatin1(key), text);
}

// The digits at the start of text (after white space) as an unsigned number;
// it stops at the first other character and never overflows.
uint32_t ReadUnsigned(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    uint64_t value = 0;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i)
        value = std::min<uint64_t>(value * 10 + (text.at(i).unicode() - u'0'), UINT32_MAX);
    return static_cast<uint32_t>(value);
}

} // namespace

TFrameWPSMethod::TFrameWPSMethod(QWidget* parent)
    : TFrameBase(parent), ui(new Ui::TFrameWPSMethod) {
    ui->setupUi(this);
    Explain(ui->RBtnPBC, ui->LbWPSMethodMsg);
    Explain(ui->RBtnPBC, ui->LbPBCInfo);
    Explain(ui->RBtnPIN, ui->LbPINInfo);
    WireButtons(QStringLiteral("BtnNext"));
    ui->EdtPIN->setMaxLength(8);
    ui->EdtPIN->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,8}")), this));
    ui->EdtSSID->setMaxLength(32);
    connect(ui->RBtnPBC, &QAbstractButton::toggled, this, &TFrameWPSMethod::updateinfo);
    connect(ui->RBtnPIN, &QAbstractButton::toggled, this, &TFrameWPSMethod::updateinfo);
    connect(ui->EdtPIN, &QLineEdit::textChanged, this, &TFrameWPSMethod::updateinfo);
    connect(ui->EdtSSID, &QLineEdit::textChanged, this, &TFrameWPSMethod::updateinfo);
    connect(ui->BtnSelect, &QAbstractButton::clicked, this, &TFrameWPSMethod::BtnSelectClick);
    connect(&m_Runner, &CRequestRunner::StatusSeen, this, [](int status) {
        DebugLog("TFrameWPSMethod::RecvWPSStatus %d=%s", status, swp::WpsStatusText(status));
    });
    connect(&m_Runner, &CRequestRunner::Finished, this, [](const RequestResult& result) {
        if (result.outcome == RequestResult::WpsNoFinalStatus)
            DebugLog("TFrameWPSMethod::TimerTimeroutTimer");
    });
}

TFrameWPSMethod::~TFrameWPSMethod() = default;

void TFrameWPSMethod::FrameInit() {
    SetCommonLook();
    ui->RBtnPBC->setChecked(true);
    TFrameBase::FrameInit();
}

bool TFrameWPSMethod::IsAP() const {
    return g_Var.DeviceMode == DEVICE_AP;
}

bool TFrameWPSMethod::FrameEnter(TFrameBase* current, Direction direction, intptr_t param) {
    if (direction == Direction::Forward) {
        if (!IsAP() && FormUDP)
            FormUDP->SendStationGetConfig(Waits::StaGetConfig); // the device's own PIN
        ui->RBtnPBC->setChecked(true);
        updateinfo();
        SetModeTexts();
        LayoutPinPart();
    }
    return TFrameBase::FrameEnter(current, direction, param);
}

void TFrameWPSMethod::SetModeTexts() {
    const bool ap = IsAP();
    ui->LbPBCInfo->setText(
        StringText(ap ? "WPSMethod_AP_MODE_PBC_MSG" : "WPSMethod_BRIDGE_MODE_PBC_MSG", {}));
    ui->LbPINInfo->setText(
        StringText(ap ? "WPSMethod_AP_MODE_PIN_MSG" : "WPSMethod_BRIDGE_MODE_PIN_MSG", {}));
    ui->LbWPSMethodMsg->setText(
        StringText(ap ? "WPSMethod_AP_MODE_MSG" : "WPSMethod_BRIDGE_MODE_MSG", {}));
    ui->LbSSID->setText(
        ap ? StringText("WPSMethod_AP_MODE_SSID", QStringLiteral("Wireless Device SSID:"))
           : StringText("WPSMethod_BRIDGE_MODE_SSID", QStringLiteral("AP SSID:")));
    ui->LbDevPIN->setText(
        ap ? StringText("WPSMethod_AP_MODE_DevPIN", QStringLiteral("Wireless Device PIN:"))
           : StringText("WPSMethod_BRIDGE_MODE_DevPIN", QStringLiteral("Device PIN:")));
    if (ap)
        ui->EdtSSID->clear();
    else
        ui->EdtSSID->setText(QString::fromUtf8(
            g_Var.SelectedAP.SSID,
            static_cast<qsizetype>(strnlen(g_Var.SelectedAP.SSID, sizeof g_Var.SelectedAP.SSID))));
}

void TFrameWPSMethod::LayoutPinPart() {
    const int top = ui->RBtnPIN->y();
    auto place = [](QWidget* control, int y) { control->move(control->x(), y); };
    if (IsAP()) {
        ui->LbSSID->hide();
        ui->EdtSSID->hide();
        ui->BtnSelect->hide();
        place(ui->LbDevPIN, top + 23);
        place(ui->EdtPIN, top + 23);
        place(ui->LbPINInfo, top + 46);
        ui->EdtPIN->show();
        ui->LbDevPINCode->hide();
    } else {
        place(ui->LbSSID, top + 23);
        place(ui->EdtSSID, top + 23);
        place(ui->BtnSelect, top + 41);
        ui->LbSSID->show();
        ui->EdtSSID->show();
        ui->BtnSelect->show();
        place(ui->LbDevPIN, top + 46);
        place(ui->EdtPIN, top + 46);
        place(ui->LbPINInfo, top + 69);
        ui->LbDevPINCode->setGeometry(ui->EdtPIN->geometry());
        ui->LbDevPINCode->show();
        ui->EdtPIN->hide();
    }
}

void TFrameWPSMethod::updateinfo() {
    const bool pin = ui->RBtnPIN->isChecked();
    ui->EdtPIN->setEnabled(pin);
    ui->EdtSSID->setEnabled(pin);
    ui->BtnSelect->setEnabled(pin);
    int pinNumber = 0;
    const bool pinComplete = wirelessrules::CheckPin(ui->EdtPIN->text(), pinNumber);
    bool next = false;
    if (ui->RBtnPBC->isChecked())
        next = true;
    else if (pin && IsAP())
        next = pinComplete;
    else if (pin)
        next = !ui->EdtSSID->text().isEmpty() && pinComplete;
    ui->BtnNext->setEnabled(next);
}

void TFrameWPSMethod::BtnSelectClick() {
    // The application's survey dialog (it starts afresh at every showing); a
    // page without the program's windows around it makes one of its own.
    std::unique_ptr<TFormWPSSurvey> own;
    TFormWPSSurvey* dialog = FormWPSSurvey;
    if (!dialog) {
        own = std::make_unique<TFormWPSSurvey>(window());
        dialog = own.get();
    }
    m_Survey = dialog;
    const int result = dialog->Execute(this);
    m_Survey = nullptr;
    if (result == TFormWPSSurvey::ResultSelect)
        ui->EdtSSID->setText(dialog->GetSelectedSSID());
}

void TFrameWPSMethod::BtnNextClick() {
    if (ui->RBtnPBC->isChecked()) {
        g_Var.WpsMethod = 1;
    } else {
        if (ui->EdtPIN->text().isEmpty()) {
            ShowMessage(wirelessrules::PinMessage());
            return;
        }
        const wirelessrules::SsidFault ssid =
            wirelessrules::CheckSsid(ui->EdtSSID->text().toUtf8());
        if (!IsAP() && ssid != wirelessrules::SsidFault::None) {
            ShowMessage(wirelessrules::SsidMessage(ssid, true));
            return;
        }
        g_Var.WpsMethod = 0;
        g_Var.NewWl.PinNumber = static_cast<int>(ReadUnsigned(ui->EdtPIN->text()));
        if (!IsAP())
            CopyBounded(g_Var.NewWl.SSID, sizeof g_Var.NewWl.SSID, ui->EdtSSID->text());
    }
    if (RunWPS())
        PostNext();
    else
        ReportConnectFailure();
}

bool TFrameWPSMethod::RunWPS() {
    return TFormProgress::Run(this, m_Progress, m_Runner,
                              [this] { m_Runner.Start(FormUDP, RequestPlans::WPS(IsAP())); }) == 1;
}

bool TFrameWPSMethod::WndProc(const CUdpMessage& message) {
    if (m_Survey) {
        // The dialog's survey frame gets the engine's messages while it is open.
        PostUdpMessage(m_Survey->Frame(), message.Message(), message.Code(), message.Value());
        return true;
    }
    if (m_Runner.Handle(message))
        return true;
    if (message.IsEvent()) {
        if (!m_Runner.FollowingStatus())
            DebugLog("TFrameWPSMethod::WndProc ignore UM_UDP_EVENT %d, %d", message.Code(),
                     message.Value());
        else
            DebugLog("TFrameWPSMethod::WndProc UM_UDP_EVENT, %d, %d", message.Code(),
                     message.Value());
        return true;
    }
    // Outside a run only the device's PIN matters; every other result is dropped.
    if (message.IsResult() && message.Code() == WAIT_STA_GET_CONFIG && !m_Progress) {
        const QString pin = QString::fromLatin1(
            g_Var.ApClientPin,
            static_cast<qsizetype>(strnlen(g_Var.ApClientPin, sizeof g_Var.ApClientPin)));
        ui->LbDevPINCode->setText(PrintableText(pin));
        ui->EdtPIN->setText(pin); // runs updateinfo
        return true;
    }
    return message.IsResult() || message.IsTimeout();
}
