#pragma once
// What a diagnosis found: one Finding per cause, with the evidence read from
// the machine and the fix, and the report that gathers them with the devices
// that answered. Text for a terminal and JSON for scripts come from here too.

#include "settings/records.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace diag {

// In the order a main finding is chosen among findings of equal severity.
enum class Cause {
    NoAdapter,       // no adapter that is up with an IPv4 address
    PortInUse,       // another program holds port 5433 on an adapter
    DiscoveryFailed, // an adapter could not be opened for another reason
    Firewall,        // a local firewall drops or rejects UDP to port 5433
    ReversePath,     // the reverse-path filter dropped replies
    ReceiveBuffer,   // replies lost to a full receive buffer
    AdapterDown,
    NoCarrier,
    NoIPv4,
    ForeignAddress,  // a device answered from outside the adapter's subnet
    NotChecked,      // something that could not be looked at
    NothingAnswered, // everything checked is fine and still no answer
    AdapterExcluded, // point-to-point and tunnel adapters, left out on purpose
    SmallReceiveBuffer,
};

enum class Severity {
    Error,      // replies are dropped or cannot be received
    Warning,    // a device may be hidden, or is set up wrongly
    NotChecked, // could not be checked: never counts as fine
    Info,
};

// "firewall", "reverse-path-filter" ...: the JSON name of a cause.
const char* CauseName(Cause cause);
const char* SeverityName(Severity severity);
// The exit code of swpctl doctor when this cause is the main finding.
int CauseExitCode(Cause cause);

struct Evidence {
    QString key;   // JSON key
    QString label; // shown to people
    QString value;
};

struct Fix {
    QString tool;    // "nftables", "ufw", "firewalld", "sysctl", "ip", "wizard", ...
    QString text;    // what to do, in words
    QString command; // the command to run, when there is one
};

struct Finding {
    Cause cause = Cause::NothingAnswered;
    Severity severity = Severity::Info;
    QString adapter; // interface name, when the finding concerns one
    QString summary; // one line
    QString detail;  // plain explanation
    QList<Evidence> evidence;
    QList<Fix> fixes;

    Finding& Add(const QString& key, const QString& label, const QString& value);
    Finding& AddFix(const QString& tool, const QString& text, const QString& command = QString());
};

// One network interface as the diagnosis saw it.
struct AdapterState {
    QString name;
    QString address; // first IPv4 address, dotted; empty when none
    int prefix = 0;
    bool up = false;
    bool carrier = false;
    bool loopback = false;
    bool tunnel = false;   // point-to-point or tunnel: left out of the search
    bool searched = false; // the engine opened a socket on it
};

struct Report {
    std::vector<DeviceRecord> devices;
    std::vector<AdapterState> adapters;
    std::vector<Finding> findings;
    QStringList checked; // what was looked at
    bool discoveryStarted = false;
    int waitMs = 0;
    bool privileged = false;

    // The finding that decides the exit code: the most severe error or
    // warning, the first cause in Cause order among equals; when there is
    // none and no device answered, the first finding that could not be
    // checked, else the no-answer one; null when none.
    const Finding* MainFinding() const;
    // 0 when a device answered and nothing is wrong, else the main cause's.
    int ExitCode() const;
    // The findings as shown: the main one first, then by severity.
    std::vector<const Finding*> Ordered() const;
    // No device answered and something could not be checked for want of
    // administrator rights.
    bool NeedsAdministrator() const;
};

// Every text of the report that came from the machine or the network made
// printable (PrintableText): process names, interface names, rule texts,
// error texts. The diagnosis does this once, when it completes, so the
// terminal, the JSON and the dialog only ever see the printable form.
void MakePrintable(Report& report);
// A device's name as the report shows it: printable.
QString DeviceName(const DeviceRecord& device);

// For people: a headline, then each finding with evidence and fixes.
QString ReportText(const Report& report);
QJsonObject ReportJson(const Report& report);
// A finding alone, as the wizard's dialog and the text report show it.
QString FindingText(const Finding& finding);
// How to check as administrator what this user could not check.
QString AdministratorHint();
// The commands of the fixes, one a line (what "Copy" puts on the clipboard).
QString FixCommands(const Finding& finding);

} // namespace diag
