#include "pages/framewlprofconfirm.h"

#include "framework/formprogress.h"
#include "pages/filedialogs.h"
#include "pages/framewlprofile.h"
#include "protocol/formudp.h"
#include "requests/requestplans.h"
#include "settings/debug.h"
#include "settings/globalvar.h"
#include "settings/messagebox.h"
#include "settings/privatefile.h"
#include "settings/textutil.h"
#include "settings/utility.h"
#include "settingsui/uiutil.h"
#include "ui_framewlprofconfirm.h"

#include <QDir>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

namespace {

const char kSection[] = "TFrameWlProfConfirm";

QString PageText(const char* key, const char* def) {
    return GetText(kSection, key, QString::fromLatin1(def));
}

// Printer coordinates, in device units.
constexpr int PrintHeaderX = 100;
constexpr int PrintDetailX = 200;
constexpr int PrintSectionGap = 100;
constexpr int PrintPointSize = 10;

} // namespace

TFrameWlProfConfirm::TFrameWlProfConfirm(QWidget* parent)
    : TFrameBase(parent), ui(new Ui::TFrameWlProfConfirm) {
    ui->setupUi(this);
    Explain(ui->BtnSave, ui->LbComfirmMsg);
    Explain(ui->BtnPrint, ui->LbComfirmMsg);
    WireButtons();
    connect(ui->BtnSave, &QAbstractButton::clicked, this, [this] { BtnSaveClick(); });
    connect(ui->BtnPrint, &QAbstractButton::clicked, this, [this] { BtnPrintClick(); });
}

TFrameWlProfConfirm::~TFrameWlProfConfirm() = default;

void TFrameWlProfConfirm::FrameInit() {
    // The rows the design and the settings show (their layout came first).
    m_InfoRowShown = {!ui->LbInfo1->isHidden(), !ui->LbInfo2->isHidden(), !ui->LbInfo3->isHidden()};
    SetCommonLook();
    TFrameBase::FrameInit();
}

bool TFrameWlProfConfirm::FrameEnter(TFrameBase* current, Direction direction, intptr_t param) {
    TFrameBase::FrameEnter(current, direction, param);
    if (direction == Direction::Forward)
        Fill();
    return true;
}

void TFrameWlProfConfirm::SetSSIDText(const QString& ssid) {
    // The SSID may be the one the device reported: shown, saved and printed
    // escaped, so that it keeps to its line.
    m_SSID = PrintableText(ssid);
    QLabel* label = ui->LblSSID;
    label->setText(label->fontMetrics().elidedText(m_SSID, Qt::ElideRight, label->width()));
}

void TFrameWlProfConfirm::Fill() {
    const WirelessProfile& wl = g_Var.NewWl;
    const bool ap = g_Var.DeviceMode == DEVICE_AP;
    QLabel* const captions[] = {ui->LbInfo1, ui->LbInfo2, ui->LbInfo3};
    QLabel* const values[] = {ui->LblInfo1, ui->LblInfo2, ui->LblInfo3};
    for (int i = 0; i < 3; ++i) {
        captions[i]->clear();
        values[i]->clear();
    }
    ShowInfoRows(); // none until filled
    ui->LblIP->setText(DottedText(g_Var.NewIP.IP));
    ui->LblMask->setText(DottedText(g_Var.NewIP.Mask));
    ui->LblGateway->setText(DottedText(g_Var.NewIP.Gateway));
    SetSSIDText(ProfileFieldText(wl.SSID, sizeof wl.SSID));
    ui->LblWirelessMode->setText(g_Var.WirelessModeText(wl.WlMode));
    ui->LblSecurity->setText(g_Var.SecurityText(wl.Security));
    switch (wl.Security) {
    case 1:
        captions[0]->setText(PageText("LbWEPMode", "WEP Key Length:"));
        values[0]->setText(g_Var.WepKeyLenText(wl.WepKeyLen));
        captions[1]->setText(PageText("LbAuthen", "Authentication:"));
        values[1]->setText(g_Var.AuthText(wl.Auth));
        captions[2]->setText(PageText("LbKey", "Key:"));
        values[2]->setText(ProfileFieldText(wl.WepKey, sizeof wl.WepKey));
        break;
    case 2:
        captions[0]->setText(PageText("LbWPAMode", "WPA Mode:"));
        values[0]->setText(g_Var.WpaModeText(wl.WpaMode));
        captions[1]->setText(PageText("LbCipher", "Cipher Type:"));
        values[1]->setText(g_Var.WpaCipherText(wl.WpaCipher));
        captions[2]->setText(PageText("LbKey", "Key:"));
        values[2]->setText(ProfileFieldText(wl.WpaKey, sizeof wl.WpaKey));
        break;
    default:
        break;
    }
    ui->BtnNext->setText(ap ? PageText("BtnNext_AP", "Configure")
                            : PageText("BtnNext_BRIDGE", "Connect"));
    ui->LbWirelessInfo->setText(ap ? PageText("LbWirelessInfo_AP", "Wireless Settings")
                                   : PageText("LbWirelessInfo_BRIDGE", "Wireless Profile"));
    m_NetworkShown = ap || g_Var.WlMethod == 2;
    ShowInfoRows();
    PlaceRows();
}

void TFrameWlProfConfirm::ShowInfoRows() {
    // An empty row shows nothing, but a screen reader would read each of its
    // labels by the group's title: it is hidden (unless the settings hide it
    // anyway).
    QLabel* const captions[] = {ui->LbInfo1, ui->LbInfo2, ui->LbInfo3};
    QLabel* const values[] = {ui->LblInfo1, ui->LblInfo2, ui->LblInfo3};
    for (int i = 0; i < 3; ++i) {
        const bool shown = m_InfoRowShown[i] && !captions[i]->text().isEmpty();
        captions[i]->setVisible(shown);
        values[i]->setVisible(shown);
    }
}

void TFrameWlProfConfirm::PlaceRows() {
    QWidget* const network[] = {ui->LbNetworkInfo, ui->LbIP,      ui->LblIP,     ui->LbMask,
                                ui->LblMask,       ui->LbGateway, ui->LblGateway};
    for (QWidget* control : network)
        control->setVisible(m_NetworkShown);
    const int t = ui->LbNetworkInfo->y();
    const int shift = m_NetworkShown ? 73 : 0;
    auto place = [](QWidget* control, int top) { control->move(control->x(), top); };
    place(ui->LbWirelessInfo, t + shift);
    const std::pair<QWidget*, QWidget*> rows[] = {
        {ui->LbSSID, ui->LblSSID},         {ui->LbWirelessMode, ui->LblWirelessMode},
        {ui->LbSecurity, ui->LblSecurity}, {ui->LbInfo1, ui->LblInfo1},
        {ui->LbInfo2, ui->LblInfo2},       {ui->LbInfo3, ui->LblInfo3}};
    // The SSID row sits 19 pixels below the header, each further row 18 below
    // the one before.
    int top = t + shift + 19;
    for (const auto& [caption, value] : rows) {
        place(caption, top);
        place(value, top);
        top += 18;
    }
}

QList<TFrameWlProfConfirm::SummaryLine> TFrameWlProfConfirm::Summary() const {
    QList<SummaryLine> lines;
    auto detail = [&lines](const QLabel* caption, const QString& value) {
        lines.append({false, caption->text() + QLatin1Char(' ') + value});
    };
    if (m_NetworkShown) {
        lines.append({true, ui->LbNetworkInfo->text()});
        detail(ui->LbIP, ui->LblIP->text());
        detail(ui->LbMask, ui->LblMask->text());
        detail(ui->LbGateway, ui->LblGateway->text());
    }
    lines.append({true, ui->LbWirelessInfo->text()});
    detail(ui->LbSSID, m_SSID);
    detail(ui->LbWirelessMode, ui->LblWirelessMode->text());
    detail(ui->LbSecurity, ui->LblSecurity->text());
    const std::pair<const QLabel*, const QLabel*> rows[] = {
        {ui->LbInfo1, ui->LblInfo1}, {ui->LbInfo2, ui->LblInfo2}, {ui->LbInfo3, ui->LblInfo3}};
    for (const auto& [caption, value] : rows)
        if (!caption->text().isEmpty())
            detail(caption, value->text());
    return lines;
}

QByteArray TFrameWlProfConfirm::SummaryFileBytes() const {
    QByteArray bytes;
    for (const SummaryLine& line : Summary()) {
        if (!line.Header)
            bytes += '\t';
        bytes += line.Text.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

void TFrameWlProfConfirm::BtnSaveClick() {
    const QString fileName = FileDialogs().GetSaveFileName(this, QStringLiteral("Text File(*.txt)"),
                                                           QStringLiteral("txt"));
    if (fileName.isEmpty())
        return;
    // The file holds the wireless key: its owner alone may read it, and it is
    // either written whole or not replaced at all.
    QString error;
    if (privatefile::Save(fileName, SummaryFileBytes(), &error))
        return;
    DebugLog("TFrameWlProfConfirm::BtnSaveClick() %s: %s", qPrintable(fileName), qPrintable(error));
    ShowMessage(GetText("Message", "ER_SAVE", QStringLiteral("Unable to save the file.")) +
                QStringLiteral("\n%1\n%2").arg(QDir::toNativeSeparators(fileName), error));
}

bool TFrameWlProfConfirm::PrintSummary(QPagedPaintDevice& device) const {
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    QFont font = painter.font();
    font.setPointSize(PrintPointSize);
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    int y = 0;
    for (const SummaryLine& line : Summary()) {
        if (line.Header)
            y += PrintSectionGap;
        // Lines are placed by their top, as on the printer canvas.
        painter.drawText(line.Header ? PrintHeaderX : PrintDetailX, y + metrics.ascent(),
                         line.Text);
        y += metrics.height();
    }
    return painter.end();
}

void TFrameWlProfConfirm::BtnPrintClick() {
    QPrinter printer(QPrinter::HighResolution);
    if (!FileDialogs().ExecPrintDialog(this, printer))
        return;
    PrintSummary(printer);
}

void TFrameWlProfConfirm::BtnNextClick() {
    if (m_Progress)
        return; // a send sequence is running
    const int result = TFormProgress::Run(this, m_Progress, m_Runner, [this] {
        m_Runner.Start(FormUDP, RequestPlans::WirelessSetting(g_Var.DeviceMode == DEVICE_AP));
    });
    if (result == 1) {
        PostNext();
        return;
    }
    ReportConnectFailure();
}

bool TFrameWlProfConfirm::WndProc(const CUdpMessage& message) {
    if (m_Runner.Handle(message))
        return true;
    return m_Progress ? false : TFrameBase::WndProc(message);
}
