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
    : CEngineTarget(parent), m_Options(options) {
    connect(&m_DeviceLimit, &CWaitTimer::Elapsed, this, [this] {
        DeviceFailed(kExitTimeout,
                     QStringLiteral("gave up after %1 s").arg(Waits::ProgressLimit / 1000));
    });
    connect(&m_Runner, &CRequestRunner::Finished, this, &CApplySession::RunFinished);
}

CApplySession::~CApplySession() = default;

// ---------------------------------------------------------------------------
// The file, the discovery, the order of the devices

bool CApplySession::LoadFile() {
    QStringList errors;
    if (!LoadInventory(m_Options.inventoryFile, m_Inventory, errors)) {
        for (const QString& error : errors)
            std::fprintf(stderr, "%s\n", PrintableText(error).toUtf8().constData());
        SetDocument(QJsonObject{{QStringLiteral("file"), m_Options.inventoryFile},
                                {QStringLiteral("errors"), QJsonArray::fromStringList(errors)}});
        Err(QStringLiteral("%1 is not valid: nothing was sent").arg(m_Options.inventoryFile));
        return false;
    }
    for (const DesiredDevice& device : m_Inventory.devices)
        if (device.ip && !device.ip->dhcp && device.ip->address.rewritten)
            Err(QStringLiteral("%1: the final octet 255 is sent as 254: %2")
                    .arg(device.Label(), device.ip->address.ipText));
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
        if (!entryOf.contains(FormatMAC(record.MAC)))
            m_Unlisted.push_back(record);
    NextDevice();
}

void CApplySession::NextDevice() {
    while (!m_Queue.empty()) {
        m_Job = m_Queue.front();
        m_Queue.pop_front();
        if (m_Job.report.found) {
            m_Busy = true;
            m_Sent.clear();
            m_ProfileSent = false;
            m_DeviceLimit.Start(Waits::ProgressLimit);
            Login();
            return;
        }
        m_Reports.push_back(m_Job.report);
        if (!m_Options.json)
            Out(ReportText(m_Job.report));
    }
    if (!m_Options.json && !m_Unlisted.empty()) {
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

// ---------------------------------------------------------------------------
// One device

void CApplySession::Login() {
    const DeviceRecord& device = m_Job.report.record;
    PrepareLogin(m_Engine, device, m_Job.wanted->password);
    m_Engine.SendLogin(Waits::Login);
    Await(
        WAIT_LOGIN,
        [this, device](bool positive) {
            if (!positive)
                DeviceFailed(LoginRefused(device));
            else if (m_Engine.LoginPortIgnored)
                DeviceFailed(LoginPortUnusable(device));
            else
                ReadConfig();
        },
        [this] { DeviceFailed(NoAnswer(QStringLiteral("login"), Waits::Login)); });
}

void CApplySession::ReadConfig() {
    m_Engine.SendGetConfig(Waits::GetConfig);
    Await(
        WAIT_GET_CONFIG,
        [this](bool positive) {
            if (!positive) {
                DeviceFailed(ConfigEmpty(m_Job.report.record));
                return;
            }
            m_Before = ReportedState();
            if (!m_Options.check) {
                StepMode();
                return;
            }
            Predict();
        },
        [this] {
            DeviceFailed(
                NoAnswer(QStringLiteral("request for its configuration"), Waits::GetConfig));
        });
}

// --check: every check the real run makes before it sends, on the state it
// would send over, so that "would change" fails a real run only for a
// reason found on the wire.
void CApplySession::Predict() {
    const DesiredDevice& wanted = *m_Job.wanted;
    const DeviceState next = ModePart(wanted, m_Before).wanted;
    RunFailure refused{};
    if (!AddressAccepted(wanted, next, refused) || !ProfileAccepted(wanted, next, refused)) {
        DeviceFailed(refused);
        return;
    }
    m_Job.report.changes = Differences(wanted, m_Before);
    const bool profileSent =
        !ProfilePart(wanted, next).Differences(next).empty() || ProfileForced(wanted, next.mode);
    NoteUnreported(next.mode, profileSent);
    m_Job.report.status = m_Job.report.changes.empty() && m_Job.report.sentUncompared.isEmpty()
                              ? DeviceReport::Unchanged
                              : DeviceReport::WouldChange;
    EndDevice();
}

bool CApplySession::AddressAccepted(const DesiredDevice& wanted, const DeviceState& now,
                                    RunFailure& refused) const {
    QString error;
    if (AddressPart(wanted, now).Differences(now).empty() || wanted.ip->dhcp ||
        CheckNotLocalHost(wanted.ip->address, m_Engine.LastLocalIP, error))
        return true;
    refused = {kExitInvalidArguments, error};
    return false;
}

bool CApplySession::ProfileAccepted(const DesiredDevice& wanted, const DeviceState& now,
                                    RunFailure& refused) const {
    if (!ProfileFor(wanted, now.mode)) {
        if (wanted.ownProfileMode == 0 || wanted.ownProfileMode == now.mode)
            return true;
        refused = {kExitInvalidArguments,
                   QStringLiteral("the device runs as %1 and the file gives its %2 profile: "
                                  "add \"mode: %3\"")
                       .arg(DeviceModeText(now.mode),
                            wanted.ownProfileMode == DEVICE_AP ? QStringLiteral("access point")
                                                               : QStringLiteral("station"),
                            wanted.ownProfileMode == DEVICE_AP ? QStringLiteral("ap")
                                                               : QStringLiteral("bridge"))};
        return false;
    }
    const Part part = ProfilePart(wanted, now);
    QString error;
    if ((part.Differences(now).empty() && !ProfileForced(wanted, now.mode)) ||
        CheckChannel(part.wanted.wl.StdCh, now.wl, error))
        return true;
    refused = {kExitInvalidArguments, error};
    return false;
}

bool CApplySession::ProfileForced(const DesiredDevice& wanted, int mode) const {
    const WirelessOptions* profile = ProfileFor(wanted, mode);
    return m_Options.sendKeys && profile && !UnreportedFields(*profile).isEmpty();
}

void CApplySession::NoteUnreported(int mode, bool profileSent) {
    const WirelessOptions* profile = ProfileFor(*m_Job.wanted, mode);
    if (!profile)
        return;
    const QStringList fields = UnreportedFields(*profile);
    if (!profileSent)
        m_Job.report.notCompared = fields;
    else if (m_Job.report.changes.empty() ||
             std::none_of(m_Job.report.changes.begin(), m_Job.report.changes.end(),
                          [](const FieldChange& change) { return IsProfileField(change.field); }))
        m_Job.report.sentUncompared = fields; // sent for --send-keys alone
}

void CApplySession::StepMode() {
    const Part part = ModePart(*m_Job.wanted, ReportedState());
    const std::vector<FieldChange> changes = part.Differences(ReportedState());
    if (changes.empty()) {
        StepAddress();
        return;
    }
    g_Var.DeviceMode = part.wanted.mode;
    Send(part, changes, RequestPlans::SetMode(), QStringLiteral("mode switch"),
         [this] { StepAddress(); });
}

void CApplySession::StepAddress() {
    const DesiredDevice& wanted = *m_Job.wanted;
    const Part part = AddressPart(wanted, ReportedState());
    const std::vector<FieldChange> changes = part.Differences(ReportedState());
    if (changes.empty()) {
        StepProfile();
        return;
    }
    RunFailure refused{};
    if (!AddressAccepted(wanted, ReportedState(), refused)) {
        DeviceFailed(refused);
        return;
    }
    g_Var.NewIP = part.wanted.ip;
    Send(part, changes, RequestPlans::IPSetting(), QStringLiteral("IP setting"),
         [this] { StepProfile(); });
}

void CApplySession::StepProfile() {
    const DesiredDevice& wanted = *m_Job.wanted;
    const DeviceState now = ReportedState();
    RunFailure refused{};
    if (!ProfileAccepted(wanted, now, refused)) {
        DeviceFailed(refused);
        return;
    }
    const Part part = ProfilePart(wanted, now);
    const std::vector<FieldChange> changes = part.Differences(now);
    if (!ProfileFor(wanted, now.mode) || (changes.empty() && !ProfileForced(wanted, now.mode))) {
        DeviceDone();
        return;
    }
    m_ProfileSent = true;
    const bool station = now.mode == DEVICE_WBRIDGE;
    g_Var.NewWl = part.wanted.wl;
    Send(part, changes, RequestPlans::WirelessSetting(!station),
         station ? QStringLiteral("station setting") : QStringLiteral("wireless setting"),
         [this] { DeviceDone(); });
}

void CApplySession::Send(const Part& part, const std::vector<FieldChange>& changes,
                         RequestPlan plan, const QString& what, Action then) {
    for (const FieldChange& change : changes)
        m_Sent.push_back(change.field);
    m_RunWhat = what;
    m_RunDone = [this, part, what, then = std::move(then)] {
        // The re-read must show what was sent.
        const DeviceState now = ReportedState();
        for (Field field : part.fields) {
            const QString seen = FieldValue(field, now);
            const QString sent = FieldValue(field, part.wanted);
            if (seen != sent) {
                DeviceFailed(kExitRefused,
                             QStringLiteral("the device accepted the %1 but reports %2 %3, not %4")
                                 .arg(what, FieldName(field), seen, sent));
                return;
            }
        }
        then();
    };
    plan.reloginForReread = true;
    m_Runner.Start(&m_Engine, std::move(plan));
}

void CApplySession::RunFinished(const RequestResult& result) {
    if (!m_Busy)
        return;
    if (m_Engine.LoginPortIgnored) {
        DeviceFailed(LoginPortUnusable(m_Job.report.record));
        return;
    }
    if (result.outcome == RequestResult::Done) {
        m_RunDone();
        return;
    }
    DeviceFailed(DescribeFailure(result, m_RunWhat, kExitRefused, m_Job.report.record));
}

void CApplySession::DeviceDone() {
    const DeviceState after = ReportedState();
    for (Field field : m_Sent)
        m_Job.report.changes.push_back(
            {field, FieldValue(field, m_Before), FieldValue(field, after)});
    NoteUnreported(after.mode, m_ProfileSent);
    m_Job.report.status = m_Sent.empty() && m_Job.report.sentUncompared.isEmpty()
                              ? DeviceReport::Unchanged
                              : DeviceReport::Changed;
    EndDevice();
}

void CApplySession::DeviceFailed(int exitCode, const QString& reason) {
    if (!m_Busy)
        return;
    DebugLog("swpctl: %s failed: %s", qPrintable(m_Job.report.label), qPrintable(reason));
    m_Job.report.status = DeviceReport::Failed;
    m_Job.report.exitCode = exitCode;
    m_Job.report.reason = reason;
    // What was sent before the failure, as far as the device reported it.
    const DeviceState after = ReportedState();
    for (Field field : m_Sent)
        m_Job.report.changes.push_back(
            {field, FieldValue(field, m_Before), FieldValue(field, after)});
    EndDevice();
}

void CApplySession::EndDevice() {
    m_Busy = false;
    m_DeviceLimit.Stop();
    m_Runner.Stop();
    m_Wait.Clear();
    if (m_Engine.LoggedIn)
        m_Engine.SendLogout(0);
    m_Reports.push_back(m_Job.report);
    if (!m_Options.json)
        Out(ReportText(m_Job.report));
    // The next device after this handler has returned.
    QTimer::singleShot(0, this, [this] { NextDevice(); });
}

void CApplySession::Finish(int exitCode) {
    if (Done())
        return;
    StopListening();
    DebugLog("swpctl: exit %d", exitCode);
    emit Finished(exitCode);
}

} // namespace swpctl
