#include "tools/swpctl/apply.h"

#include "requests/requestplans.h"
#include "settings/debug.h"
#include "settings/globalvar.h"
#include "settings/textutil.h"
#include "tools/swpctl/causes.h"
#include "tools/swpctl/devicecache.h"
#include "tools/swpctl/exitcode.h"
#include "tools/swpctl/present.h"
#include "tools/swpctl/profile.h"
#include "tools/swpctl/session.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace swpctl {

CApplySession::CApplySession(const CtlOptions& options, QObject* parent)
    : CStateRun(parent), m_Options(options) {}

CApplySession::~CApplySession() = default;

// ---------------------------------------------------------------------------
// The file, the discovery, the order of the devices

bool CApplySession::LoadFile() {
    if (m_Options.inventoryFile.isEmpty())
        return true; // apply --all alone
    QStringList errors;
    if (!LoadInventory(m_Options.inventoryFile, m_Inventory, errors)) {
        for (const QString& error : errors)
            std::fprintf(stderr, "%s\n", PrintableText(error).toUtf8().constData());
        SetDocument(QJsonObject{{QStringLiteral("file"), m_Options.inventoryFile},
                                {QStringLiteral("errors"), QJsonArray::fromStringList(errors)}});
        Err(QStringLiteral("%1 is not valid: nothing was sent").arg(m_Options.inventoryFile));
        return false;
    }
    // A MAC of --only may also be that of a device a named entry finds:
    // known after the discovery (OnlyNamesKnownDevices).
    for (const QString& item : m_Options.only) {
        uint8_t mac[6] = {};
        const bool listed = ParseMAC(item, mac) ||
                            std::any_of(m_Inventory.devices.begin(), m_Inventory.devices.end(),
                                        [&item](const DesiredDevice& d) { return d.name == item; });
        if (!listed) {
            Err(QStringLiteral("--only: %1 is not in %2").arg(item, m_Options.inventoryFile));
            return false;
        }
    }
    return true;
}

bool CApplySession::OnlyNamesKnownDevices(const QSet<QString>& macs) {
    for (const QString& item : m_Options.only) {
        uint8_t mac[6] = {};
        if (ParseMAC(item, mac) && !macs.contains(item)) {
            Err(QStringLiteral("--only: %1 is neither in %2 nor a device an entry of it names")
                    .arg(item, m_Options.inventoryFile));
            return false;
        }
    }
    return true;
}

bool CApplySession::Chosen(const DesiredDevice& wanted,
                           const std::vector<const DeviceRecord*>& matches) const {
    const QStringList& only = m_Options.only;
    if (only.isEmpty() || (!wanted.name.isEmpty() && only.contains(wanted.name)) ||
        (wanted.hasMac && only.contains(FormatMAC(wanted.mac))))
        return true;
    return std::any_of(matches.begin(), matches.end(), [&only](const DeviceRecord* record) {
        return only.contains(FormatMAC(record->MAC));
    });
}

void CApplySession::Start() {
    DebugLog("swpctl: apply %s", qPrintable(m_Options.inventoryFile));
    if (!LoadFile()) {
        Finish(kExitInvalidArguments);
        return;
    }
    if (!m_Options.adapter.isEmpty() && !AdapterHasAddress(m_Options.adapter)) {
        Err(QStringLiteral("no network adapter has the address %1").arg(m_Options.adapter));
        Finish(kExitOther);
        return;
    }
    m_Engine.SetAdapterFilter(m_Options.adapter);
    if (!m_Engine.SendDiscover(Waits::Discover, true)) {
        Err(AdapterFailureMessage());
        Finish(kExitOther);
        return;
    }
    Await(
        WAIT_DISCOVER, [](bool) {}, [this] { Discovered(); });
}

void CApplySession::Discovered() {
    std::vector<DeviceRecord> found;
    m_Engine.GetDeviceList(found);
    DebugLog("swpctl: %d device(s) found", static_cast<int>(found.size()));
    // --check writes nothing but its report.
    if (!m_Options.check && !SaveDeviceCache(DeviceCachePath(), found))
        DebugLog("  cannot write %s", qPrintable(DeviceCachePath()));

    // Which entry finds which device; two entries for one device (by MAC and
    // by name, or two names) are an error before anything is sent to any.
    QHash<QString, int> entryOf; // MAC: the line of the first entry that finds it
    QStringList twice;
    std::vector<std::vector<const DeviceRecord*>> matchesOf;
    for (const DesiredDevice& wanted : m_Inventory.devices) {
        std::vector<const DeviceRecord*> matches;
        for (const DeviceRecord& record : found)
            if (wanted.hasMac ? std::memcmp(record.MAC, wanted.mac, 6) == 0
                              : DeviceName(record) == wanted.name)
                matches.push_back(&record);
        for (const DeviceRecord* record : matches) {
            const QString mac = FormatMAC(record->MAC);
            if (!entryOf.contains(mac))
                entryOf.insert(mac, wanted.line);
            else
                twice.append(QStringLiteral("%1:%2: the entry of line %3 names the same device "
                                            "%4")
                                 .arg(m_Options.inventoryFile, QString::number(wanted.line),
                                      QString::number(entryOf.value(mac)), mac));
        }
        matchesOf.push_back(std::move(matches));
    }
    if (!twice.isEmpty()) {
        for (const QString& error : twice)
            std::fprintf(stderr, "%s\n", error.toUtf8().constData());
        Err(QStringLiteral("%1 names a device twice: nothing was sent")
                .arg(m_Options.inventoryFile));
        Finish(kExitInvalidArguments);
        return;
    }
    QSet<QString> known(entryOf.keyBegin(), entryOf.keyEnd());
    for (const DesiredDevice& wanted : m_Inventory.devices)
        if (wanted.hasMac)
            known.insert(FormatMAC(wanted.mac));
    if (!OnlyNamesKnownDevices(known)) {
        Finish(kExitInvalidArguments);
        return;
    }

    for (size_t n = 0; n < m_Inventory.devices.size(); ++n) {
        const DesiredDevice& wanted = m_Inventory.devices[n];
        const std::vector<const DeviceRecord*>& matches = matchesOf[n];
        Job job{&wanted, {}};
        job.report.label = wanted.Label();
        job.report.line = wanted.line;
        if (!Chosen(wanted, matches))
            continue;
        if (matches.size() == 1) {
            job.report.found = true;
            job.report.record = *matches.front();
        } else if (matches.empty()) {
            job.report.status = DeviceReport::NotFound;
        } else {
            job.report.status = DeviceReport::Failed;
            job.report.exitCode = kExitInvalidArguments;
            job.report.reason = QStringLiteral("%1 devices are named \"%2\": give its mac")
                                    .arg(matches.size())
                                    .arg(wanted.name);
        }
        m_Queue.push_back(job);
    }
    for (const DeviceRecord& record : found)
        if (!entryOf.contains(FormatMAC(record.MAC))) {
            m_Unlisted.push_back(record);
            if (m_Options.all)
                AddUnfiled(record);
        }
    NextDevice();
}

void CApplySession::AddUnfiled(const DeviceRecord& record) {
    DesiredDevice& wanted = m_Unfiled.emplace_back();
    wanted.hasMac = true;
    std::memcpy(wanted.mac, record.MAC, sizeof wanted.mac);
    wanted.password = m_Options.password;
    if (!Chosen(wanted, {&record}))
        return;
    Job job{&wanted, {}};
    job.report.label = FormatMAC(record.MAC);
    job.report.found = true;
    job.report.record = record;
    m_Queue.push_back(job);
}

void CApplySession::NextDevice() {
    while (!m_Queue.empty()) {
        const Job job = m_Queue.front();
        m_Queue.pop_front();
        if (job.report.found) {
            RunDevice(*job.wanted, job.report, m_Options.check, m_Options.sendKeys);
            return;
        }
        m_Reports.push_back(job.report);
        if (!m_Options.json)
            Out(ReportText(job.report));
    }
    if (!m_Options.json && !m_Unlisted.empty() && !m_Options.all) {
        Out(QStringLiteral("Found but not in %1:\n").arg(m_Options.inventoryFile));
        for (const DeviceRecord& record : m_Unlisted)
            Out(QStringLiteral("  %1\n").arg(DeviceLine(record)));
    }
    bool failed = false;
    bool differs = false;
    for (const DeviceReport& report : m_Reports) {
        failed = failed || report.status == DeviceReport::Failed ||
                 report.status == DeviceReport::NotFound;
        differs = differs || report.status == DeviceReport::WouldChange;
    }
    const int code = failed ? kExitSomeFailed : differs ? kExitDiffers : kExitOk;
    if (m_Options.json) {
        QJsonArray devices;
        for (const DeviceReport& report : m_Reports)
            devices.append(ReportJson(report));
        const QJsonObject json{{QStringLiteral("file"), m_Options.inventoryFile},
                               {QStringLiteral("check"), m_Options.check},
                               {QStringLiteral("devices"), devices},
                               {QStringLiteral("unlisted"), DevicesJson(m_Unlisted)},
                               {QStringLiteral("exit_code"), code}};
        SetDocument(json);
    }
    if (code != kExitOk)
        NoteFailure(
            failed ? QStringLiteral("a device failed or was not found")
                   : QStringLiteral("some devices differ from %1").arg(m_Options.inventoryFile));
    Finish(code);
}

void CApplySession::DeviceEnded(const DeviceReport& report) {
    m_Reports.push_back(report);
    if (!m_Options.json)
        Out(ReportText(report));
    NextDevice();
}

void CApplySession::Finish(int exitCode) {
    if (Done())
        return;
    StopListening();
    DebugLog("swpctl: exit %d", exitCode);
    emit Finished(exitCode);
}

} // namespace swpctl
