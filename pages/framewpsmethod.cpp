#include "pages/framewpsmethod.h"

#include "app/formprogress.h"
#include "pages/formwpssurvey.h"
#include "pages/framewpssitesurvey.h"
#include "protocol/formudp.h"
#include "protocol/packet.h"
#include "settings/debug.h"
#include "settings/globalvar.h"
#include "settings/messagebox.h"
#include "settings/textutil.h"
#include "settings/timing.h"
#include "settings/uiutil.h"
#include "settings/utility.h"
#include "ui_framewpsmethod.h"

#include <QRegularExpressionValidator>
#include <cstring>

namespace {

struct StatusName {
    int status;
    const char* text;
};

const StatusName kStatusNames[] = {
    {0, "Not used"},
    {1, "Idle"},
    {2, "WSC Fail(Ignore this if Intel/Marvell registrar used)"},
    {3, "Start WSC Process"},
    {4, "Received EAPOL-Start"},
    {5, "Sending EAP-Req(ID)"},
    {6, "Receive EAP-Rsp(ID)"},
    {7, "Receive EAP-Req with wrong WSC SMI Vendor Id"},
    {8, "Receive EAPReq with wrong WSC Vendor Type"},
    {9, "Sending EAP-Req(WSC_START)"},
    {10, "Send M1"},
    {11, "Received M1"},
    {12, "Send M2"},
    {13, "Received M2"},
    {14, "Received M2D"},
    {15, "Send M3"},
    {16, "Received M3"},
    {17, "Send M4"},
    {18, "Received M4"},
    {19, "Send M5"},
    {20, "Received M5"},
    {21, "Send M6"},
    {22, "Received M6"},
    {23, "Send M7"},
    {24, "Received M7"},
    {25, "Send M8"},
    {26, "Received M8"},
    {27, "Processing EAP Response (ACK)"},
    {28, "Processing EAP Request (Done)"},
    {29, "Processing EAP Response (Done)"},
    {30, "Sending EAP-Fail"},
    {31, "WSC_ERROR_HASH_FAIL"},
    {32, "WSC_ERROR_HMAC_FAIL"},
    {33, "WSC_ERROR_DEV_PWD_AUTH_FAIL"},
    {34, "Configured"},
    {35, "SCAN AP"},
    {36, "EAPOL START SENT"},
    {37, "WSC_EAP_RSP_DONE_SENT"},
    {38, "WAIT PINCODE"},
    {257, "PBC:TOO MANY AP"},
    {258, "PBC:NO AP"},
    {259, "EAP_FAIL_RECEIVED"},
    {260, "EAP_NONCE_MISMATCH"},
    {261, "EAP_INVALID_DATA"},
    {262, "PASSWORD_MISMATCH"},
    {263, "EAP_REQ_WRONG_SMI"},
    {264, "EAP_REQ_WRONG_VENDOR_TYPE"},
};

constexpr int StatusIdle = 1;
constexpr int StatusFail = 2;
constexpr int StatusStart = 3;
constexpr int StatusConfigured = 34;

QString MessageText(const char* key, const char* text) {
    return GetText(QStringLiteral("Message"), QString::fromLatin1(key), QString::fromLatin1(text));
}

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
    connect(&TimerTimerout, &QTimer::timeout, this, &TFrameWPSMethod::TimerTimeroutTimer);
}

TFrameWPSMethod::~TFrameWPSMethod() = default;

void TFrameWPSMethod::FrameInit() {
    SetCommonLook();
    TimerTimerout.stop();
    ui->RBtnPBC->setChecked(true);
    TFrameBase::FrameInit();
}

bool TFrameWPSMethod::IsAP() const {
    return g_Var.DeviceMode == DEVICE_AP;
}

bool TFrameWPSMethod::FrameEnter(TFrameBase* current, int direction, intptr_t param) {
    if (direction == 0) {
        if (!IsAP() && FormUDP)
            FormUDP->SendStationGetConfig(StaGetConfigWait); // the device's own PIN
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
    const bool pinComplete = ui->EdtPIN->text().size() == 8;
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
            ShowMessage(MessageText("ER_PIN_Code", "Invaild PIN Code"));
            return;
        }
        if (!IsAP() && ui->EdtSSID->text().isEmpty()) {
            ShowMessage(MessageText("ER_SSID", "Invaild SSID"));
            return;
        }
        g_Var.WpsMethod = 0;
        g_Var.NewWl.PinNumber = static_cast<int>(ReadUnsigned(ui->EdtPIN->text()));
        if (!IsAP())
            CopyBounded(g_Var.NewWl.SSID, sizeof g_Var.NewWl.SSID, ui->EdtSSID->text());
    }
    if (RunWPS()) {
        PostNext();
    } else {
        ShowMessage(MessageText("ER_CONNECT", "Unable to connect to the device."));
        if (g_Var.NonWorking)
            PostNext();
    }
    TimerTimerout.stop();
}

bool TFrameWPSMethod::RunWPS() {
    RetryLogin = true;
    WaitingForStatus = false;
    m_WpsStarted = false;
    const int result = TFormProgress::Run(this, m_Progress, [this] { SendWPSRequest(); });
    WaitingForStatus = false;
    return result == 1;
}

bool TFrameWPSMethod::Running() const {
    return m_Progress && m_Progress->isVisible();
}

void TFrameWPSMethod::EndRun(int result) {
    if (Running())
        m_Progress->SetModalResult(result);
}

void TFrameWPSMethod::StopWaiting() {
    WaitingForStatus = false;
    TimerTimerout.stop();
}

void TFrameWPSMethod::SendWPSRequest() {
    if (!Running())
        return;
    if (FormUDP && FormUDP->LoggedIn) {
        const bool pbc = g_Var.WpsMethod == 1;
        if (IsAP())
            pbc ? FormUDP->SendWPSPBC(WPSWait) : FormUDP->SendWPSPIN(WPSWait);
        else
            pbc ? FormUDP->SendStaWPSPBC(WPSWait) : FormUDP->SendStaWPSPIN(WPSWait);
    } else if (FormUDP && RetryLogin) {
        RetryLogin = false;
        FormUDP->SendLogin(LoginWait); // the login result continues the run
    } else {
        EndRun(2);
    }
}

bool TFrameWPSMethod::WndProc(const CWinMessage& message) {
    if (m_Survey) {
        // The dialog's survey frame gets the engine's messages while it is open.
        PostWinMessage(m_Survey->Frame(), message.Message(), message.WParam, message.LParam);
        return true;
    }
    const int type = message.Message();
    const int code = static_cast<int>(message.WParam);
    if (type == UM_UDP_EVENT) {
        if (!WaitingForStatus || !Running())
            DebugLog("TFrameWPSMethod::WndProc ignore UM_UDP_EVENT %d, %d", code,
                     static_cast<int>(message.LParam));
        else if (code == swp::TLVTYPE_OTHER_WPS_STATUS)
            RecvWPSStatus(static_cast<int32_t>(message.LParam));
        else
            DebugLog("TFrameWPSMethod::WndProc UM_UDP_EVENT, %d, %d", code,
                     static_cast<int>(message.LParam));
        return true;
    }
    if (!Running()) {
        // Outside a run only the device's PIN matters.
        if (type == UM_UDP_RESULT && code == WAIT_STA_GET_CONFIG && !m_Progress) {
            const QString pin = QString::fromLatin1(
                g_Var.ApClientPin,
                static_cast<qsizetype>(strnlen(g_Var.ApClientPin, sizeof g_Var.ApClientPin)));
            ui->LbDevPINCode->setText(pin);
            ui->EdtPIN->setText(pin); // runs updateinfo
            return true;
        }
        return type == UM_UDP_RESULT || type == UM_UDP_TIMEOUT;
    }
    if (type == UM_UDP_RESULT) {
        switch (code) {
        case WAIT_WPS_PBC:
        case WAIT_WPS_PIN:
            if (message.LParam != 0) {
                WaitingForStatus = true;
                TimerTimerout.start(Timing::Interval(StatusLimit));
            } else {
                EndRun(2);
            }
            return true;
        case WAIT_LOGIN:
            if (message.LParam != 0)
                SendWPSRequest();
            else
                EndRun(2);
            return true;
        case WAIT_GET_CONFIG:
            EndRun(message.LParam != 0 ? 1 : 2);
            return true;
        default:
            return true;
        }
    }
    if (type == UM_UDP_TIMEOUT) {
        switch (code) {
        case WAIT_WPS_PBC:
        case WAIT_WPS_PIN:
            if (RetryLogin && FormUDP) {
                RetryLogin = false;
                FormUDP->SendLogout(0);
                FormUDP->SendLogin(LoginWait); // the login result resends the request
            } else {
                EndRun(2);
            }
            return true;
        case WAIT_LOGIN:
        case WAIT_GET_CONFIG:
            EndRun(2);
            return true;
        default:
            return true;
        }
    }
    return false;
}

void TFrameWPSMethod::RecvWPSStatus(int status) {
    DebugLog("TFrameWPSMethod::RecvWPSStatus %d=%s", status, WpsStatusText(status));
    switch (status) {
    case StatusIdle:
        StopWaiting();
        // Idle counts as the end of a pairing only when this run saw it start,
        // and not too long ago.
        if (m_WpsStarted && Timing::TickCount() - WpsStartTick <= IdleWindow) {
            WaitWithMessages(IdleSettle);
            if (Running() && FormUDP)
                FormUDP->SendGetConfig(GetConfigWait); // its result ends the run
            else
                EndRun(2);
        } else {
            EndRun(2);
        }
        break;
    case StatusFail:
        StopWaiting();
        EndRun(2);
        break;
    case StatusStart:
        WpsStartTick = Timing::TickCount();
        m_WpsStarted = true;
        break;
    case StatusConfigured:
        StopWaiting();
        if (IsAP()) {
            WaitWithMessages(ConfiguredSettle);
            if (Running() && FormUDP)
                FormUDP->SendGetConfig(GetConfigWait);
            else
                EndRun(2);
        } else {
            EndRun(1);
        }
        break;
    default:
        break;
    }
}

void TFrameWPSMethod::TimerTimeroutTimer() {
    DebugLog("TFrameWPSMethod::TimerTimeroutTimer");
    StopWaiting();
    EndRun(2);
}

const char* TFrameWPSMethod::WpsStatusText(int status) {
    for (const StatusName& name : kStatusNames)
        if (name.status == status)
            return name.text;
    return "Unknown";
}
