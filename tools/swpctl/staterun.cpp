#include "tools/swpctl/staterun.h"

#include "protocol/iphelp.h"
#include "protocol/wpsstatus.h"
#include "requests/requestplans.h"
#include "settings/debug.h"
#include "settings/globalvar.h"
#include "tools/swpctl/exitcode.h"
#include "tools/swpctl/present.h"
#include "tools/swpctl/profile.h"

#include <QTimer>
#include <algorithm>
#include <cstring>

namespace swpctl {

namespace {

// Only the mode is named: the narrow read of the wireless mode page will do.
bool NamesOnlyTheMode(const DesiredDevice& wanted) {
    return wanted.deviceMode && !wanted.ip && !wanted.accessPoint && !wanted.station;
}

QString Seconds(int ms) {
    return QStringLiteral("%1 s").arg(ms / 1000);
}

} // namespace

bool AdapterHasAddress(const QString& address) {
    const auto adapters = CIPHelp().GetAdaptersList();
    if (adapters) {
        for (const AdapterInfo& adapter : *adapters)
            for (const AdapterAddress& own : adapter.Addresses)
                if (own.IP == address)
                    return true;
    }
    return false;
}

void PrepareLogin(TFormUDP& engine, const DeviceRecord& device, const QString& password) {
    // As the device list page does before the password page logs in.
    g_Var.Device = device;
    g_Var.ResetIPConfig(g_Var.CurIP);
    g_Var.ResetIPConfig(g_Var.NewIP);
    g_Var.ResetProfile(g_Var.CurWl);
    g_Var.ResetProfile(g_Var.NewWl);
    g_Var.CurWl.WlMode = -1; // the configuration reply does not carry it
    g_Var.Password = password;
    // After a login the engine hears only that device; the next may be another.
    std::memset(engine.TargetMAC, 0xFF, sizeof engine.TargetMAC);
    engine.LoggedIn = false;
}

RunFailure LoginRefused(const DeviceRecord& device) {
    return {kExitLoginRefused,
            QStringLiteral("%1 refused the login (wrong password?)").arg(DeviceLine(device))};
}

RunFailure LoginPortUnusable(const DeviceRecord& device) {
    return {kExitBadReply,
            QStringLiteral("%1 accepted the login but named an unusable port (0, or not 2 bytes)")
                .arg(DeviceLine(device))};
}

RunFailure ConfigEmpty(const DeviceRecord& device) {
    return {kExitBadReply, QStringLiteral("the configuration reply of %1 holds no value (empty, or "
                                          "enciphered with another password)")
                               .arg(DeviceLine(device))};
}

RunFailure NoAnswer(const QString& what, int waitMs) {
    return {
        kExitTimeout,
        QStringLiteral("the device did not answer the %1 within %2").arg(what, Seconds(waitMs))};
}

RunFailure DescribeFailure(const RequestResult& result, const QString& what, int refusedExit,
                           const DeviceRecord& device) {
    switch (result.outcome) {
    case RequestResult::Done:
        break;
    case RequestResult::Refused:
        return {refusedExit, QStringLiteral("the device refused the %1").arg(what)};
    case RequestResult::TimedOut: {
        const QString request = result.code == WAIT_LOGIN ? QStringLiteral("login")
                                : result.code == WAIT_GET_CONFIG
                                    ? QStringLiteral("request for its configuration")
                                    : what;
        return NoAnswer(request, result.wait);
    }
    case RequestResult::LoginRefused:
        return {kExitLoginRefused, QStringLiteral("the device refused the login again")};
    case RequestResult::LoginLost:
    case RequestResult::NoEngine:
        return {kExitTimeout, QStringLiteral("the device ended the login")};
    case RequestResult::Unusable:
        return ConfigEmpty(device);
    case RequestResult::WpsFailed:
        return {kExitWpsFailed, QStringLiteral("WPS failed: %1")
                                    .arg(QLatin1String(swp::WpsStatusText(swp::WPS_STATUS_FAIL)))};
    case RequestResult::WpsIdleLate:
        return {kExitWpsFailed,
                QStringLiteral("WPS failed: the device went idle more than %1 after the start")
                    .arg(Seconds(Waits::WpsIdleWindow))};
    case RequestResult::WpsIdleUnstarted:
        return {kExitWpsFailed,
                QStringLiteral("WPS failed: the device went idle without starting")};
    case RequestResult::WpsNoFinalStatus:
        DebugLog("swpctl: no final WPS status within %d ms", Waits::WpsStatusLimit);
        return {kExitWpsFailed, QStringLiteral("WPS failed: no final status within %1")
                                    .arg(Seconds(Waits::WpsStatusLimit))};
    }
    return {kExitOk, QString()};
}

CStateRun::CStateRun(QObject* parent) : CEngineTarget(parent) {
    connect(&m_DeviceLimit, &CWaitTimer::Elapsed, this, [this] {
        DeviceFailed(kExitTimeout,
                     QStringLiteral("gave up after %1 s").arg(Waits::ProgressLimit / 1000));
    });
    connect(&m_Runner, &CRequestRunner::Finished, this, &CStateRun::RunFinished);
}

CStateRun::~CStateRun() = default;

QString CStateRun::ModeMismatch(int deviceMode, int profileMode) const {
    return QStringLiteral("the device runs in %1 mode and the file gives its %2 profile: add "
                          "\"mode: %3\"")
        .arg(DeviceModeText(deviceMode),
             profileMode == DEVICE_AP ? QStringLiteral("access point") : QStringLiteral("station"),
             DeviceModeText(profileMode));
}

bool CStateRun::SupplyKey(int, bool, QString& missing) {
    missing = QStringLiteral("give \"key\" in the file");
    return false;
}

void CStateRun::RunDevice(const DesiredDevice& wanted, DeviceReport report, bool check,
                          bool sendKeys) {
    m_Wanted = &wanted;
    m_Report = std::move(report);
    m_Check = check;
    m_SendKeys = sendKeys;
    m_Busy = true;
    m_Sent.clear();
    m_ProfileSent = false;
    m_DeviceLimit.Start(Waits::ProgressLimit);
    Login();
}

void CStateRun::Login() {
    const DeviceRecord& device = m_Report.record;
    PrepareLogin(m_Engine, device, m_Wanted->password);
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

void CStateRun::ReadConfig() {
    const bool modeOnly = NamesOnlyTheMode(*m_Wanted);
    const int wait = modeOnly ? Waits::GetMode : Waits::GetConfig;
    if (modeOnly)
        m_Engine.SendGetMode(wait);
    else
        m_Engine.SendGetConfig(wait);
    Await(
        WAIT_GET_CONFIG,
        [this, modeOnly](bool positive) {
            if (!positive) {
                DeviceFailed(ConfigEmpty(m_Report.record));
                return;
            }
            m_Before = ReportedState();
            if (!modeOnly)
                m_Report.config = ConfigJson(m_Report.record);
            if (!m_Check) {
                StepMode();
                return;
            }
            Predict();
        },
        [this, modeOnly, wait] {
            DeviceFailed(NoAnswer(modeOnly ? QStringLiteral("request for its mode")
                                           : QStringLiteral("request for its configuration"),
                                  wait));
        });
}

// --check: every check the real run makes before it sends, on the state it
// would send over, so that "would change" fails a real run only for a
// reason found on the wire.
void CStateRun::Predict() {
    const DeviceState next = ModePart(*m_Wanted, m_Before).wanted;
    RunFailure refused{};
    if (!AddressAccepted(next, refused) || !ProfileAccepted(next, false, refused)) {
        DeviceFailed(refused);
        return;
    }
    m_Report.changes = Differences(*m_Wanted, m_Before);
    NoteUnreported(next.mode, ProfileSent(next));
    m_Report.status = m_Report.changes.empty() && m_Report.sentUncompared.isEmpty()
                          ? DeviceReport::Unchanged
                          : DeviceReport::WouldChange;
    EndDevice();
}

bool CStateRun::AddressAccepted(const DeviceState& now, RunFailure& refused) const {
    const DesiredDevice& wanted = *m_Wanted;
    QString error;
    if (AddressPart(wanted, now).Differences(now).empty() || wanted.ip->dhcp ||
        (CheckNotLocalHost(wanted.ip->address, m_Engine.LastLocalIP, error) &&
         CheckKeptGateway(wanted.ip->address, now.ip.Gateway, error)))
        return true;
    refused = {kExitInvalidArguments, error};
    return false;
}

bool CStateRun::ProfileSent(const DeviceState& now) const {
    const Part part = ProfilePart(*m_Wanted, now);
    return part.refused.isEmpty() && (!part.Differences(now).empty() || ProfileForced(now.mode));
}

bool CStateRun::ProfileAccepted(const DeviceState& now, bool asking, RunFailure& refused) {
    const DesiredDevice& wanted = *m_Wanted;
    const WirelessOptions* profile = ProfileFor(wanted, now.mode);
    if (!profile) {
        if (wanted.ownProfileMode == 0 || wanted.ownProfileMode == now.mode)
            return true;
        refused = {kExitInvalidArguments, ModeMismatch(now.mode, wanted.ownProfileMode)};
        return false;
    }
    Part part = ProfilePart(wanted, now);
    if (!part.refused.isEmpty()) {
        refused = {kExitInvalidArguments, part.refused};
        return false;
    }
    if (!ProfileSent(now))
        return true;
    QString error;
    if (!CheckChannel(part.wanted.wl.StdCh, now.wl, error)) {
        refused = {kExitInvalidArguments, error};
        return false;
    }
    if (!KeyMissing(*profile, now.wl))
        return true;
    const QString security = FieldValue(Field::Security, part.wanted);
    QString missing;
    if (!SupplyKey(now.mode, asking, missing)) {
        if (!asking) {
            m_Report.notes.append(
                QStringLiteral("the profile needs the %1 key to be sent (the device does not "
                               "report it)")
                    .arg(security));
            return true;
        }
        refused = {kExitInvalidArguments,
                   QStringLiteral("the profile goes out with security %1, whose key the device "
                                  "never reports: %2")
                       .arg(security, missing)};
        return false;
    }
    part = ProfilePart(wanted, now);
    if (part.refused.isEmpty())
        return true;
    refused = {kExitInvalidArguments, part.refused};
    return false;
}

bool CStateRun::ProfileForced(int mode) const {
    const WirelessOptions* profile = ProfileFor(*m_Wanted, mode);
    return m_SendKeys && profile && !UnreportedFields(*profile).isEmpty();
}

void CStateRun::NoteUnreported(int mode, bool profileSent) {
    const WirelessOptions* profile = ProfileFor(*m_Wanted, mode);
    if (!profile)
        return;
    const QStringList fields = UnreportedFields(*profile);
    if (!profileSent)
        m_Report.notCompared = fields;
    else if (m_Report.changes.empty() ||
             std::none_of(m_Report.changes.begin(), m_Report.changes.end(),
                          [](const FieldChange& change) { return IsProfileField(change.field); }))
        m_Report.sentUncompared = fields; // sent for the key or wireless mode alone
    if (profileSent && !profile->wirelessModeGiven)
        m_Report.notes.append(
            QStringLiteral("wireless mode %1 %2 (the device never reports "
                           "it; name the mode to send another)")
                .arg(WirelessModeName(profile->wirelessMode),
                     m_Check ? QStringLiteral("would be sent") : QStringLiteral("sent")));
}

void CStateRun::StepMode() {
    const Part part = ModePart(*m_Wanted, ReportedState());
    const std::vector<FieldChange> changes = part.Differences(ReportedState());
    if (changes.empty()) {
        StepAddress();
        return;
    }
    g_Var.DeviceMode = part.wanted.mode;
    Send(part, changes, RequestPlans::SetMode(), QStringLiteral("mode switch"),
         [this] { StepAddress(); });
}

void CStateRun::StepAddress() {
    const Part part = AddressPart(*m_Wanted, ReportedState());
    const std::vector<FieldChange> changes = part.Differences(ReportedState());
    if (changes.empty()) {
        StepProfile();
        return;
    }
    RunFailure refused{};
    if (!AddressAccepted(ReportedState(), refused)) {
        DeviceFailed(refused);
        return;
    }
    g_Var.NewIP = part.wanted.ip;
    Send(part, changes, RequestPlans::IPSetting(), QStringLiteral("IP setting"),
         [this] { StepProfile(); });
}

void CStateRun::StepProfile() {
    const DeviceState now = ReportedState();
    RunFailure refused{};
    if (!ProfileAccepted(now, true, refused)) {
        DeviceFailed(refused);
        return;
    }
    if (!ProfileFor(*m_Wanted, now.mode) || !ProfileSent(now)) {
        DeviceDone();
        return;
    }
    const Part part = ProfilePart(*m_Wanted, now);
    m_ProfileSent = true;
    const bool station = now.mode == DEVICE_WBRIDGE;
    g_Var.NewWl = part.wanted.wl;
    Send(part, part.Differences(now), RequestPlans::WirelessSetting(!station),
         station ? QStringLiteral("station setting") : QStringLiteral("wireless setting"),
         [this] { DeviceDone(); });
}

void CStateRun::Send(const Part& part, const std::vector<FieldChange>& changes, RequestPlan plan,
                     const QString& what, CReplyWait::Action then) {
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

void CStateRun::RunFinished(const RequestResult& result) {
    if (!m_Busy) {
        OtherRunFinished(result);
        return;
    }
    if (m_Engine.LoginPortIgnored) {
        DeviceFailed(LoginPortUnusable(m_Report.record));
        return;
    }
    if (result.outcome == RequestResult::Done) {
        m_RunDone();
        return;
    }
    DeviceFailed(DescribeFailure(result, m_RunWhat, kExitRefused, m_Report.record));
}

void CStateRun::DeviceDone() {
    const DeviceState after = ReportedState();
    for (Field field : m_Sent)
        m_Report.changes.push_back({field, FieldValue(field, m_Before), FieldValue(field, after)});
    NoteUnreported(after.mode, m_ProfileSent);
    m_Report.status = m_Sent.empty() && m_Report.sentUncompared.isEmpty() ? DeviceReport::Unchanged
                                                                          : DeviceReport::Changed;
    EndDevice();
}

void CStateRun::DeviceFailed(int exitCode, const QString& reason) {
    if (!m_Busy)
        return;
    DebugLog("swpctl: %s failed: %s", qPrintable(m_Report.label), qPrintable(reason));
    m_Report.status = DeviceReport::Failed;
    m_Report.exitCode = exitCode;
    m_Report.reason = reason;
    // What was sent before the failure, as far as the device reported it.
    const DeviceState after = ReportedState();
    for (Field field : m_Sent)
        m_Report.changes.push_back({field, FieldValue(field, m_Before), FieldValue(field, after)});
    EndDevice();
}

void CStateRun::EndDevice() {
    m_Busy = false;
    m_DeviceLimit.Stop();
    m_Runner.Stop();
    m_Wait.Clear();
    if (m_Engine.LoggedIn)
        m_Engine.SendLogout(0);
    const DeviceReport report = m_Report;
    // The next step after this handler has returned.
    QTimer::singleShot(0, this, [this, report] { DeviceEnded(report); });
}

} // namespace swpctl
