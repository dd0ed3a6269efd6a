#include "pages/formtroubleshoot.h"

#include "diagnosis/diagnosis.h"
#include "diagnosis/hostfacts.h"
#include "platform/shell.h"
#include "protocol/formudp.h"
#include "settings/textutil.h"
#include "settings/utility.h"
#include "settingsui/uiutil.h"
#include "ui_formtroubleshoot.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <algorithm>

namespace {

const QString kSection = QStringLiteral("FormTroubleshoot");

QString Html(const QString& text) {
    return text.toHtmlEscaped();
}

// pkexec's exit codes when it ran nothing: the password prompt was dismissed
// or refused, or no authentication agent could ask.
constexpr int kPkexecRefused = 126;
constexpr int kPkexecFailed = 127;

QString g_AdminClient;

// The client beside the wizard (a build tree), else the system's, the one
// the package's polkit action names.
QString SwpctlProgram() {
    if (!g_AdminClient.isEmpty())
        return g_AdminClient;
    const QFileInfo beside(QCoreApplication::applicationDirPath() + QStringLiteral("/swpctl"));
    if (beside.isFile() && beside.isExecutable())
        return beside.absoluteFilePath();
    return diag::SystemProgram(QStringLiteral("swpctl"));
}

} // namespace

TFormTroubleshoot::TFormTroubleshoot(QWidget* parent)
    : QDialog(parent), ui(new Ui::FormTroubleshoot) {
    ui->setupUi(this);
    setModal(true);
    ApplyFormSettings(this, kSection);
    connect(ui->BtnCopy, &QPushButton::clicked, this, &TFormTroubleshoot::BtnCopyClick);
    connect(ui->BtnSearch, &QPushButton::clicked, this, &TFormTroubleshoot::BtnSearchClick);
    connect(ui->BtnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->BtnAdmin, &QPushButton::clicked, this, &TFormTroubleshoot::BtnAdminClick);
    ui->BtnAdmin->hide();
}

TFormTroubleshoot::~TFormTroubleshoot() = default;

void TFormTroubleshoot::SetAdminClient(const QString& swpctl) {
    g_AdminClient = swpctl;
}

QString TFormTroubleshoot::Text(const char* key, const char* english) const {
    return GetText(kSection, QLatin1String(key), QString::fromUtf8(english));
}

void TFormTroubleshoot::Run(TFormUDP* engine, int discoverWait) {
    m_HasResult = false;
    m_Engine = engine;
    m_AdminReport.clear();
    ui->BtnAdmin->hide();
    ui->LbInfo->setText(Text("MsgChecking", "Searching again and checking this computer..."));
    ui->TxtFindings->clear();
    ui->BtnCopy->setEnabled(false);
    ui->BtnSearch->setEnabled(false);
    open();
    if (!engine) {
        ui->LbInfo->setText(Text("MsgNoEngine", "The search is not available."));
        ui->BtnSearch->setEnabled(true);
        return;
    }
    m_Diagnosis = std::make_unique<diag::CDiagnosis>(*engine);
    connect(m_Diagnosis.get(), &diag::CDiagnosis::Finished, this,
            &TFormTroubleshoot::DiagnosisFinished);
    m_Diagnosis->Start(discoverWait);
}

bool TFormTroubleshoot::Checking() const {
    return m_Diagnosis && m_Diagnosis->Running();
}

const diag::Report* TFormTroubleshoot::Result() const {
    return m_Diagnosis && m_HasResult ? &m_Diagnosis->Result() : nullptr;
}

void TFormTroubleshoot::DiagnosisFinished() {
    using diag::Severity;
    m_HasResult = true;
    const diag::Report& report = m_Diagnosis->Result();
    if (!report.devices.empty())
        ui->LbInfo->setText(
            Text("MsgFound", "%1 device(s) answered now. Click \"Search again\" to list them.")
                .arg(report.devices.size()));
    else
        ui->LbInfo->setText(Text("MsgNotFound", "No device answered. This is what was found, "
                                                "with what to do about it:"));

    QString html;
    if (report.NeedsAdministrator())
        html += QStringLiteral("<p><b>%1</b></p>")
                    .arg(Html(Text("MsgNeedsAdmin",
                                   "Not everything could be checked without administrator "
                                   "rights: click \"Check as administrator\" to check it.")));
    for (const diag::Finding* finding : report.Ordered()) {
        QString kind;
        switch (finding->severity) {
        case Severity::Error:
            kind = Text("KindProblem", "Problem");
            break;
        case Severity::Warning:
            kind = Text("KindWarning", "Check");
            break;
        case Severity::NotChecked:
            kind = Text("KindNotChecked", "Not checked");
            break;
        case Severity::Info:
            kind = Text("KindNote", "Note");
            break;
        }
        html += QStringLiteral("<p><b>%1: %2</b></p>").arg(Html(kind), Html(finding->summary));
        if (!finding->detail.isEmpty())
            html += QStringLiteral("<p>%1</p>").arg(Html(finding->detail));
        if (!finding->fixes.isEmpty()) {
            html += QStringLiteral("<p>%1</p><ul>").arg(Html(Text("WhatToDo", "What to do:")));
            for (const diag::Fix& fix : finding->fixes) {
                QString text = fix.text;
                if (!text.isEmpty())
                    text[0] = text[0].toUpper();
                html += QStringLiteral("<li>%1").arg(Html(text));
                if (!fix.command.isEmpty())
                    html += QStringLiteral("<br><code>%1</code>").arg(Html(fix.command));
                html += QStringLiteral("</li>");
            }
            html += QStringLiteral("</ul>");
        }
        if (!finding->evidence.isEmpty()) {
            QStringList items;
            for (const diag::Evidence& item : finding->evidence)
                items.append(Html(item.label + QStringLiteral(": ") + item.value));
            html += QStringLiteral("<p style=\"color:#606060\">%1</p>")
                        .arg(items.join(QStringLiteral("<br>")));
        }
    }
    ui->TxtFindings->setHtml(html);
    ui->BtnCopy->setEnabled(true);
    ui->BtnSearch->setEnabled(true);
    ui->BtnAdmin->setVisible(report.NeedsAdministrator());
    ui->BtnAdmin->setEnabled(true);
}

void TFormTroubleshoot::BtnCopyClick() {
    if (!m_AdminReport.isEmpty())
        QGuiApplication::clipboard()->setText(m_AdminReport);
    else if (const diag::Report* report = Result())
        QGuiApplication::clipboard()->setText(diag::ReportText(*report));
}

void TFormTroubleshoot::BtnAdminClick() {
    const QString pkexec = diag::SystemProgram(QStringLiteral("pkexec"));
    const QString swpctl = SwpctlProgram();
    if (pkexec.isEmpty() || swpctl.isEmpty()) {
        ui->LbInfo->setText(
            Text("MsgNoAdminCheck", "The check as administrator needs %1, which is not installed.")
                .arg(pkexec.isEmpty() ? QStringLiteral("pkexec") : QStringLiteral("swpctl")));
        return;
    }
    // The port the devices answer to is the wizard's while its sockets are
    // open: the check as administrator searches on it. "Search again" opens
    // them anew.
    if (m_Engine)
        m_Engine->CloseInterfaces();
    ui->BtnAdmin->setEnabled(false);
    ui->BtnSearch->setEnabled(false);
    ui->LbInfo->setText(Text("MsgAdminChecking", "Checking as administrator (the system asks for "
                                                 "the administrator password)..."));
    QByteArray output;
    QByteArray error;
    const int code =
        Shell().RunProgram(pkexec, {swpctl, QStringLiteral("doctor")}, output, error, AdminLimitMs);
    ui->BtnSearch->setEnabled(true);
    if (output.isEmpty() || code == kPkexecRefused || code == kPkexecFailed || code < 0) {
        ui->BtnAdmin->setEnabled(true);
        const QString why =
            PrintableText(QString::fromLocal8Bit(error).trimmed().section(QLatin1Char('\n'), 0, 0));
        ui->LbInfo->setText(
            Text("MsgAdminNotRun", "The check as administrator did not run (%1).")
                .arg(why.isEmpty() ? Text("MsgAdminRefused", "not authorized") : why));
        return;
    }
    QStringList lines = QString::fromUtf8(output).split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = PrintableText(line);
    m_AdminReport = lines.join(QLatin1Char('\n'));
    ui->LbInfo->setText(code == 0 ? Text("MsgAdminFine", "Checked as administrator: nothing "
                                                         "wrong found on this computer.")
                                  : Text("MsgAdminFound", "Checked as administrator. This is "
                                                          "what was found, with what to do "
                                                          "about it:"));
    ui->TxtFindings->setHtml(QStringLiteral("<pre>%1</pre>").arg(Html(m_AdminReport)));
}

void TFormTroubleshoot::BtnSearchClick() {
    accept();
    emit SearchAgain();
}
