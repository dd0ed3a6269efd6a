#include "pages/formtroubleshoot.h"

#include "diagnosis/diagnosis.h"
#include "protocol/formudp.h"
#include "settings/utility.h"
#include "settingsui/uiutil.h"
#include "ui_formtroubleshoot.h"

#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>

namespace {

const QString kSection = QStringLiteral("FormTroubleshoot");

QString Html(const QString& text) {
    return text.toHtmlEscaped();
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
}

TFormTroubleshoot::~TFormTroubleshoot() = default;

QString TFormTroubleshoot::Text(const char* key, const char* english) const {
    return GetText(kSection, QLatin1String(key), QString::fromUtf8(english));
}

void TFormTroubleshoot::Run(TFormUDP* engine, int discoverWait) {
    m_HasResult = false;
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

    std::vector<const diag::Finding*> order;
    for (const diag::Finding& finding : report.findings)
        order.push_back(&finding);
    std::stable_sort(order.begin(), order.end(), [](const auto* a, const auto* b) {
        return static_cast<int>(a->severity) < static_cast<int>(b->severity);
    });
    QString html;
    for (const diag::Finding* finding : order) {
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
}

void TFormTroubleshoot::BtnCopyClick() {
    if (const diag::Report* report = Result())
        QGuiApplication::clipboard()->setText(diag::ReportText(*report));
}

void TFormTroubleshoot::BtnSearchClick() {
    accept();
    emit SearchAgain();
}
