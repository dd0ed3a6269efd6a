#include "diagnosis/finding.h"

#include "diagnosis/hostfacts.h"
#include "settings/textutil.h"

#include <QHostAddress>
#include <QJsonArray>
#include <algorithm>

namespace diag {

namespace {

struct CauseInfo {
    Cause cause;
    const char* name;
    int exitCode;
};

// The exit codes of swpctl doctor; 3 is swpctl's "no device found".
const CauseInfo kCauses[] = {
    {Cause::NoAdapter, "no-adapter", 10},
    {Cause::PortInUse, "port-in-use", 11},
    {Cause::DiscoveryFailed, "adapter-not-opened", 10},
    {Cause::Firewall, "firewall", 12},
    {Cause::ReversePath, "reverse-path-filter", 13},
    {Cause::ReceiveBuffer, "receive-buffer", 14},
    {Cause::AdapterDown, "adapter-down", 16},
    {Cause::NoCarrier, "no-carrier", 16},
    {Cause::NoIPv4, "no-ipv4-address", 16},
    {Cause::ForeignAddress, "foreign-address", 15},
    {Cause::NotChecked, "not-checked", 3},
    {Cause::NothingAnswered, "no-answer", 3},
    {Cause::AdapterExcluded, "adapter-excluded", 0},
    {Cause::SmallReceiveBuffer, "small-receive-buffer", 0},
};

const CauseInfo& Info(Cause cause) {
    for (const CauseInfo& info : kCauses)
        if (info.cause == cause)
            return info;
    return kCauses[0];
}

bool Wrong(const Finding& finding) {
    return finding.severity == Severity::Error || finding.severity == Severity::Warning;
}

QString DeviceAddress(uint32_t address) {
    return QHostAddress(address).toString();
}

} // namespace

const char* CauseName(Cause cause) {
    return Info(cause).name;
}

const char* SeverityName(Severity severity) {
    switch (severity) {
    case Severity::Error:
        return "error";
    case Severity::Warning:
        return "warning";
    case Severity::NotChecked:
        return "not-checked";
    case Severity::Info:
        break;
    }
    return "info";
}

int CauseExitCode(Cause cause) {
    return Info(cause).exitCode;
}

Finding& Finding::Add(const QString& key, const QString& label, const QString& value) {
    evidence.append({key, label, value});
    return *this;
}

Finding& Finding::AddFix(const QString& tool, const QString& text, const QString& command) {
    fixes.append({tool, text, command});
    return *this;
}

const Finding* Report::MainFinding() const {
    const Finding* main = nullptr;
    for (const Finding& finding : findings) {
        if (!Wrong(finding))
            continue;
        if (!main || static_cast<int>(finding.severity) < static_cast<int>(main->severity) ||
            (finding.severity == main->severity &&
             static_cast<int>(finding.cause) < static_cast<int>(main->cause)))
            main = &finding;
    }
    if (main || !devices.empty())
        return main;
    // Nothing found wrong and no answer: what could not be checked leads,
    // before the advice about the device.
    for (const Finding& finding : findings)
        if (finding.severity == Severity::NotChecked)
            return &finding;
    for (const Finding& finding : findings)
        if (finding.cause == Cause::NothingAnswered)
            return &finding;
    return nullptr;
}

std::vector<const Finding*> Report::Ordered() const {
    const Finding* main = MainFinding();
    std::vector<const Finding*> order;
    for (const Finding& finding : findings)
        order.push_back(&finding);
    const auto rank = [main](const Finding* finding) {
        return finding == main ? -1 : static_cast<int>(finding->severity);
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](const Finding* a, const Finding* b) { return rank(a) < rank(b); });
    return order;
}

bool Report::NeedsAdministrator() const {
    return !privileged && devices.empty() &&
           std::any_of(findings.begin(), findings.end(),
                       [](const Finding& f) { return f.severity == Severity::NotChecked; });
}

int Report::ExitCode() const {
    const Finding* main = MainFinding();
    if (!main)
        return devices.empty() ? CauseExitCode(Cause::NothingAnswered) : 0;
    return CauseExitCode(main->cause);
}

void MakePrintable(Report& report) {
    for (AdapterState& adapter : report.adapters) {
        adapter.name = PrintableText(adapter.name);
        adapter.address = PrintableText(adapter.address);
    }
    for (Finding& finding : report.findings) {
        for (QString* text : {&finding.adapter, &finding.summary, &finding.detail})
            *text = PrintableText(*text);
        for (Evidence& item : finding.evidence)
            for (QString* text : {&item.key, &item.label, &item.value})
                *text = PrintableText(*text);
        for (Fix& fix : finding.fixes)
            for (QString* text : {&fix.tool, &fix.text, &fix.command})
                *text = PrintableText(*text);
    }
    for (QString& text : report.checked)
        text = PrintableText(text);
}

QString DeviceName(const DeviceRecord& device) {
    return PrintableText(FromWindows1252(device.Name, qstrnlen(device.Name, sizeof device.Name)));
}

QString FindingText(const Finding& finding) {
    QString text = QStringLiteral("[%1] %2\n")
                       .arg(QLatin1String(SeverityName(finding.severity)), finding.summary);
    if (!finding.detail.isEmpty())
        text += QStringLiteral("  %1\n").arg(finding.detail);
    if (!finding.evidence.isEmpty()) {
        text += QStringLiteral("  evidence:\n");
        for (const Evidence& item : finding.evidence)
            text += QStringLiteral("    %1: %2\n").arg(item.label, item.value);
    }
    if (!finding.fixes.isEmpty()) {
        text += QStringLiteral("  fix:\n");
        for (const Fix& fix : finding.fixes) {
            text += QStringLiteral("    %1%2\n")
                        .arg(fix.tool.isEmpty() ? QString() : fix.tool + QStringLiteral(": "),
                             fix.text);
            if (!fix.command.isEmpty())
                text += QStringLiteral("      %1\n").arg(fix.command);
        }
    }
    return text;
}

QString AdministratorHint() {
    return QStringLiteral("Not everything could be checked without administrator rights. Check "
                          "it as administrator: pkexec %1 doctor (or sudo %1 doctor).")
        .arg(SystemCommand(QStringLiteral("swpctl")));
}

QString FixCommands(const Finding& finding) {
    QStringList lines;
    for (const Fix& fix : finding.fixes)
        if (!fix.command.isEmpty())
            lines.append(fix.command);
    return lines.join(QLatin1Char('\n'));
}

QString ReportText(const Report& report) {
    QStringList searched;
    for (const AdapterState& adapter : report.adapters)
        if (adapter.searched)
            searched.append(
                QStringLiteral("%1 %2/%3").arg(adapter.name, adapter.address).arg(adapter.prefix));
    QString text;
    const QString where =
        searched.isEmpty() ? QStringLiteral("no adapter could be searched")
                           : QStringLiteral("searched %1").arg(searched.join(QStringLiteral(", ")));
    if (report.devices.empty())
        text += QStringLiteral("No device answered (%1).\n").arg(where);
    else
        text +=
            QStringLiteral("%1 device(s) answered (%2):\n").arg(report.devices.size()).arg(where);
    for (const DeviceRecord& device : report.devices)
        text += QStringLiteral("  %1  %2  %3\n")
                    .arg(DeviceName(device), FormatMAC(device.MAC), DeviceAddress(device.DeviceIP));
    if (report.NeedsAdministrator())
        text += QStringLiteral("\n%1\n").arg(AdministratorHint());
    for (const Finding* finding : report.Ordered())
        text += QLatin1Char('\n') + FindingText(*finding);
    if (report.findings.empty())
        text += QStringLiteral("\nNothing wrong found.\n");
    text += QStringLiteral("\nChecked: %1\n").arg(report.checked.join(QStringLiteral(", ")));
    return text;
}

QJsonObject ReportJson(const Report& report) {
    QJsonArray devices;
    for (const DeviceRecord& device : report.devices)
        devices.append(QJsonObject{
            {QStringLiteral("name"), DeviceName(device)},
            {QStringLiteral("mac"), FormatMAC(device.MAC)},
            {QStringLiteral("ip"), DeviceAddress(device.DeviceIP)},
            {QStringLiteral("adapter"), DeviceAddress(device.LocalIP)},
        });
    QJsonArray adapters;
    for (const AdapterState& adapter : report.adapters)
        adapters.append(QJsonObject{
            {QStringLiteral("name"), adapter.name},
            {QStringLiteral("address"), adapter.address},
            {QStringLiteral("prefix"), adapter.prefix},
            {QStringLiteral("up"), adapter.up},
            {QStringLiteral("carrier"), adapter.carrier},
            {QStringLiteral("tunnel"), adapter.tunnel},
            {QStringLiteral("searched"), adapter.searched},
        });
    QJsonArray findings;
    for (const Finding& finding : report.findings) {
        QJsonObject evidence;
        for (const Evidence& item : finding.evidence)
            evidence.insert(item.key, item.value);
        QJsonArray fixes;
        for (const Fix& fix : finding.fixes)
            fixes.append(QJsonObject{{QStringLiteral("tool"), fix.tool},
                                     {QStringLiteral("text"), fix.text},
                                     {QStringLiteral("command"), fix.command}});
        findings.append(QJsonObject{
            {QStringLiteral("cause"), QLatin1String(CauseName(finding.cause))},
            {QStringLiteral("severity"), QLatin1String(SeverityName(finding.severity))},
            {QStringLiteral("exit_code"), CauseExitCode(finding.cause)},
            {QStringLiteral("adapter"), finding.adapter},
            {QStringLiteral("summary"), finding.summary},
            {QStringLiteral("detail"), finding.detail},
            {QStringLiteral("evidence"), evidence},
            {QStringLiteral("fixes"), fixes},
        });
    }
    const Finding* main = report.MainFinding();
    return QJsonObject{
        {QStringLiteral("exit_code"), report.ExitCode()},
        {QStringLiteral("main_cause"),
         main ? QJsonValue(QLatin1String(CauseName(main->cause))) : QJsonValue()},
        {QStringLiteral("discovery_started"), report.discoveryStarted},
        {QStringLiteral("wait_ms"), report.waitMs},
        {QStringLiteral("privileged"), report.privileged},
        {QStringLiteral("devices"), devices},
        {QStringLiteral("adapters"), adapters},
        {QStringLiteral("findings"), findings},
        {QStringLiteral("checked"), QJsonArray::fromStringList(report.checked)},
    };
}

} // namespace diag
