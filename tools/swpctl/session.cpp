#include "tools/swpctl/session.h"

#include "protocol/iphelp.h"
#include "protocol/wpsstatus.h"
#include "requests/requestplans.h"
#include "settings/debug.h"
#include "settings/globalvar.h"
#include "settings/textutil.h"
#include "tools/swpctl/causes.h"
#include "tools/swpctl/devicecache.h"
#include "tools/swpctl/exitcode.h"
#include "tools/swpctl/present.h"
#include "tools/swpctl/profile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>
#include <cstring>

namespace swpctl {

namespace {

QString Seconds(int ms) {
    return QStringLiteral("%1 s").arg(ms / 1000);
}

} // namespace

CSession::CSession(const CtlOptions& options, QObject* parent)
    : CStateRun(parent), m_Options(options) {
    connect(&m_Limit, &CWaitTimer::Elapsed, this, [this] {
        Finish(kExitTimeout, QStringLiteral("gave up after %1").arg(Seconds(Waits::ProgressLimit)));
    });
    connect(&m_Runner, &CRequestRunner::WpsAccepted, this, [] {
        Err(QStringLiteral("WPS started, waiting for the device (at most %1)")
                .arg(Seconds(Waits::WpsStatusLimit)));
    });
    connect(&m_Runner, &CRequestRunner::StatusSeen, this, [](int status) {
        const char* text = swp::WpsStatusText(status);
        DebugLog("swpctl: WPS status %d=%s", status, text);
        Err(QStringLiteral("WPS status %1: %2").arg(status).arg(QLatin1String(text)));
    });
    connect(&m_Engine, &TFormUDP::DeviceFound, this, &CSession::Answered);
}

CSession::~CSession() = default;

void CSession::Finish(int exitCode, const QString& message) {
    if (Done())
        return;
    StopListening();
    m_Limit.Stop();
    // --json: a setting's document is the configuration it read back.
    if (exitCode == kExitOk && JsonOutput() && !HasDocument())
        SetDocument(ConfigJson(m_Device));
    if (!message.isEmpty()) {
        Err(message);
        DebugLog("swpctl: %s", message.toUtf8().constData());
    }
    DebugLog("swpctl: exit %d", exitCode);
    emit Finished(exitCode);
}

void CSession::TimedOut(const QString& what, int waitMs) {
    Finish(NoAnswer(what, waitMs));
}

// ---------------------------------------------------------------------------
// Discovery, choice of the device, login

void CSession::Start() {
    DebugLog("swpctl: %s", CommandName(m_Options.command));
    m_Limit.Start(Waits::ProgressLimit);
    if (SetsState(m_Options.command) && m_Options.command != Command::SetIp &&
        m_Options.command != Command::SetMode && m_Options.wireless.NamesNothing()) {
        Finish(kExitInvalidArguments,
               QStringLiteral("%1 names nothing to change: give --ssid, --security, --key, "
                              "--mode, ... (what is not named stays as the device has it)")
                   .arg(QLatin1String(CommandName(m_Options.command))));
        return;
    }
    if (!CheckAdapter())
        return;
    m_Engine.SetAdapterFilter(m_Options.adapter);
    if (!m_Engine.SendDiscover(Waits::Discover, true)) {
        Finish(kExitOther, AdapterFailureMessage());
        return;
    }
    m_Searching = true;
    Await(
        WAIT_DISCOVER, [](bool) {}, [this] { Discovered(); });
}

void CSession::Answered(const DeviceRecord& device) {
    // A name can repeat, a MAC cannot: only a MAC ends the search early.
    if (!m_Searching || m_Options.command == Command::Discover || !m_Options.hasDevice ||
        std::memcmp(device.MAC, m_Options.deviceMac, 6) != 0)
        return;
    m_Searching = false;
    m_Wait.Clear(); // the search's own time-out is stale now
    DebugLog("swpctl: %s answered, the search ends", qPrintable(FormatMAC(device.MAC)));
    // After the engine has handled the datagram it came in.
    QTimer::singleShot(0, this, [this, device] {
        if (!Done() && ChooseDevice({device}))
            Login();
    });
}

bool CSession::CheckAdapter() {
    if (m_Options.adapter.isEmpty() || AdapterHasAddress(m_Options.adapter))
        return true;
    Finish(kExitOther,
           QStringLiteral("no network adapter has the address %1").arg(m_Options.adapter));
    return false;
}

void CSession::Discovered() {
    m_Searching = false;
    std::vector<DeviceRecord> devices;
    m_Engine.GetDeviceList(devices);
    DebugLog("swpctl: %d device(s) found", static_cast<int>(devices.size()));
    // --check writes nothing but its report.
    if (!m_Options.check && !SaveDeviceCache(DeviceCachePath(), devices))
        DebugLog("  cannot write %s", qPrintable(DeviceCachePath()));
    if (m_Options.command == Command::Discover) {
        if (m_Options.json)
            SetDocument(DevicesJson(devices), QStringLiteral("devices"));
        else if (!devices.empty())
            Out(DeviceTable(devices));
        if (devices.empty())
            Finish(kExitNoDevice, NoDeviceMessage());
        else
            Finish(kExitOk);
        return;
    }
    if (ChooseDevice(devices))
        Login();
}

bool CSession::ChooseDevice(const std::vector<DeviceRecord>& devices) {
    if (devices.empty()) {
        Finish(kExitNoDevice, NoDeviceMessage());
        return false;
    }
    QStringList found;
    for (const DeviceRecord& device : devices)
        found.append(QStringLiteral("%1 (%2)").arg(FormatMAC(device.MAC), DeviceName(device)));
    if (m_Options.hasDevice) {
        for (const DeviceRecord& device : devices) {
            if (std::memcmp(device.MAC, m_Options.deviceMac, 6) == 0) {
                m_Device = device;
                return true;
            }
        }
        Finish(kExitNoDevice,
               QStringLiteral("device %1 not found; found: %2")
                   .arg(FormatMAC(m_Options.deviceMac), found.join(QStringLiteral(", "))));
        return false;
    }
    if (devices.size() > 1) {
        Finish(kExitInvalidArguments,
               QStringLiteral("%1 devices found, choose one with --device: %2")
                   .arg(devices.size())
                   .arg(found.join(QStringLiteral(", "))));
        return false;
    }
    m_Device = devices.front();
    return true;
}

void CSession::Login() {
    QString error;
    if (!AskPassword(m_Options, DeviceLine(m_Device), error)) {
        Finish(kExitInvalidArguments, error);
        return;
    }
    if (SetsState(m_Options.command)) {
        RunState();
        return;
    }
    PrepareLogin(m_Engine, m_Device, m_Options.password);
    m_Engine.SendLogin(Waits::Login);
    Await(
        WAIT_LOGIN,
        [this](bool positive) {
            if (positive) {
                if (LoginPortUsable())
                    AfterLogin();
            } else
                Finish(LoginRefused(m_Device));
        },
        [this] { TimedOut(QStringLiteral("login"), Waits::Login); });
}

void CSession::AfterLogin() {
    switch (m_Options.command) {
    case Command::Survey:
        m_Engine.SendSiteSurvey(Waits::SiteSurvey);
        Await(
            WAIT_SITE_SURVEY, [this](bool) { PrintSurvey(); },
            [this] { TimedOut(QStringLiteral("site survey"), Waits::SiteSurvey); });
        return;
    case Command::ClientPin:
        m_Engine.SendStationGetConfig(Waits::StaGetConfig);
        Await(
            WAIT_STA_GET_CONFIG, [this](bool) { PrintClientPin(); },
            [this] {
                TimedOut(QStringLiteral("request for its client PIN"), Waits::StaGetConfig);
            });
        return;
    default:
        ReadConfig([this] { AfterConfig(); });
        return;
    }
}

void CSession::ReadConfig(Action then) {
    m_Engine.SendGetConfig(Waits::GetConfig);
    Await(WAIT_GET_CONFIG, ConfigRead(std::move(then)),
          [this] { TimedOut(QStringLiteral("request for its configuration"), Waits::GetConfig); });
}

CSession::ResultHandler CSession::ConfigRead(Action then) {
    return [this, then = std::move(then)](bool positive) {
        if (positive)
            then();
        else
            Finish(ConfigEmpty(m_Device));
    };
}

bool CSession::LoginPortUsable() {
    if (!m_Engine.LoginPortIgnored)
        return true;
    Finish(LoginPortUnusable(m_Device));
    return false;
}

void CSession::AfterConfig() {
    switch (m_Options.command) {
    case Command::Show:
        if (m_Options.json)
            SetDocument(ConfigJson(m_Device));
        else
            Out(ConfigText(m_Device));
        Finish(kExitOk);
        return;
    case Command::WpsPbc:
    case Command::WpsPin:
        RunWps();
        return;
    default:
        Finish(kExitOther, QStringLiteral("nothing to do"));
        return;
    }
}

void CSession::PrintSurvey() {
    std::vector<_tag_AP_ROFIILE> survey;
    m_Engine.GetSurveyList(survey);
    survey = SortedBySignal(std::move(survey));
    if (m_Options.json)
        SetDocument(SurveyJson(survey), QStringLiteral("networks"));
    else
        Out(SurveyTable(survey));
    Finish(kExitOk);
}

void CSession::PrintClientPin() {
    const QString pin = QString::fromUtf8(
        g_Var.ApClientPin,
        static_cast<qsizetype>(strnlen(g_Var.ApClientPin, sizeof g_Var.ApClientPin)));
    if (m_Options.json)
        SetDocument(QJsonObject{{QStringLiteral("pin"), pin}});
    else
        Out(PrintableText(pin) + QLatin1Char('\n'));
    Finish(kExitOk);
}

// ---------------------------------------------------------------------------
// Setting requests: send, one re-login after a time-out, pause, re-read

void CSession::RunRequest(RequestPlan plan, const QString& what, int refusedExit,
                          DoneHandler done) {
    m_RunWhat = what;
    m_RunRefusedExit = refusedExit;
    m_RunDone = std::move(done);
    plan.reloginForReread = true;
    m_Runner.Start(&m_Engine, std::move(plan));
}

void CSession::OtherRunFinished(const RequestResult& result) {
    // The one re-login of the run may have named an unusable port.
    if (!LoginPortUsable())
        return;
    if (result.outcome == RequestResult::Done) {
        m_RunDone(result);
        return;
    }
    Finish(DescribeFailure(result, m_RunWhat, m_RunRefusedExit, m_Device));
}

// ---------------------------------------------------------------------------
// Commands that set a state: the desired state of one device

bool SetsState(Command command) {
    return command == Command::SetIp || command == Command::SetWireless ||
           command == Command::SetStation || command == Command::SetMode;
}

DesiredDevice DesiredOf(const CtlOptions& options, const DeviceRecord& device) {
    DesiredDevice wanted;
    wanted.hasMac = true;
    std::memcpy(wanted.mac, device.MAC, sizeof wanted.mac);
    wanted.name = DeviceName(device);
    wanted.password = options.password;
    switch (options.command) {
    case Command::SetIp:
        wanted.ip = DesiredAddress{options.dhcp, options.address};
        break;
    case Command::SetWireless:
        wanted.accessPoint = options.wireless;
        wanted.ownProfileMode = DEVICE_AP;
        break;
    case Command::SetStation:
        wanted.station = options.wireless;
        wanted.ownProfileMode = DEVICE_WBRIDGE;
        break;
    case Command::SetMode:
        wanted.deviceMode = options.deviceMode;
        break;
    default:
        break;
    }
    return wanted;
}

int ResultExitCode(const DeviceReport& report) {
    switch (report.status) {
    case DeviceReport::Unchanged:
    case DeviceReport::Changed:
        return kExitOk;
    case DeviceReport::WouldChange:
        return kExitDiffers;
    case DeviceReport::Failed:
        return report.exitCode;
    case DeviceReport::NotFound:
        return kExitNoDevice;
    }
    return kExitOther;
}

QJsonObject ResultJson(Command command, bool check, const DeviceReport& report) {
    QJsonObject device = ReportJson(report);
    device.remove(QStringLiteral("line")); // no file here
    return QJsonObject{{QStringLiteral("command"), QLatin1String(CommandName(command))},
                       {QStringLiteral("check"), check},
                       {QStringLiteral("devices"), QJsonArray{device}},
                       {QStringLiteral("exit_code"), ResultExitCode(report)}};
}

void CSession::RunState() {
    m_Desired = DesiredOf(m_Options, m_Device);
    DeviceReport report;
    report.label = FormatMAC(m_Device.MAC);
    report.found = true;
    report.record = m_Device;
    // A single command sends what it names, a key or wireless mode too.
    RunDevice(m_Desired, report, m_Options.check, true);
}

void CSession::DeviceEnded(const DeviceReport& report) {
    m_Result = report;
    if (m_Options.json)
        SetDocument(ResultJson(m_Options.command, m_Options.check, report));
    else if (report.status != DeviceReport::Failed)
        Out(QStringLiteral("%1 (%2): %3")
                .arg(PrintableText(DeviceName(m_Device)), FormatMAC(m_Device.MAC),
                     ChangeLine(report)));
    if (report.status == DeviceReport::Failed && !report.changes.empty())
        Err(ChangeLine(report).trimmed());
    Finish(ResultExitCode(report), report.reason);
}

bool CSession::SupplyKey(int mode, bool mayAsk, QString& missing) {
    missing = QStringLiteral("give it with --key-file F or SWP_KEY (or type it when asked on a "
                             "terminal)");
    if (!m_KeySource)
        return false;
    const std::optional<QString> key = m_KeySource(
        QStringLiteral("Wireless key of %1").arg(PrintableText(DeviceName(m_Device))), mayAsk);
    if (!key || key->isEmpty())
        return false;
    auto& profile = mode == DEVICE_WBRIDGE ? m_Desired.station : m_Desired.accessPoint;
    if (!profile)
        return false;
    profile->key = key->toUtf8();
    return true;
}

QString CSession::ModeMismatch(int deviceMode, int profileMode) const {
    const bool ap = profileMode == DEVICE_AP;
    return QStringLiteral("the device runs in %1 mode: use %2, or set-mode %3 first")
        .arg(DeviceModeText(deviceMode),
             ap ? QStringLiteral("set-station") : QStringLiteral("set-wireless"),
             DeviceModeText(profileMode));
}

// ---------------------------------------------------------------------------
// WPS

void CSession::RunWps() {
    const bool ap = g_Var.DeviceMode == DEVICE_AP;
    const bool pbc = m_Options.command == Command::WpsPbc;
    if (!pbc) {
        if (ap && !m_Options.pin) {
            Finish(kExitInvalidArguments,
                   QStringLiteral("the device runs in ap mode: wps-pin needs the 8-digit PIN of "
                                  "the client to pair with"));
            return;
        }
        if (ap && m_Options.wpsSsid) {
            Finish(kExitInvalidArguments,
                   QStringLiteral("the device runs in ap mode: --ssid is for a device in bridge "
                                  "mode"));
            return;
        }
        if (!ap && !m_Options.wpsSsid) {
            Finish(kExitInvalidArguments,
                   QStringLiteral("the device runs in bridge mode: wps-pin needs --ssid of the "
                                  "access point to pair with (the device uses its own PIN)"));
            return;
        }
        if (!ap && m_Options.pin) {
            Finish(kExitInvalidArguments,
                   QStringLiteral("the device runs in bridge mode: it pairs with its own PIN, "
                                  "give --ssid only"));
            return;
        }
    }
    g_Var.WpsMethod = pbc ? 1 : 0;
    if (!pbc && ap) {
        g_Var.NewWl.PinNumber = *m_Options.pin;
    } else if (!pbc) {
        CopyBounded(g_Var.NewWl.SSID, sizeof g_Var.NewWl.SSID, m_Options.wpsSsid->constData(),
                    static_cast<size_t>(m_Options.wpsSsid->size()));
        // The device's own PIN is what the user enters at the access point.
        m_Engine.SendStationGetConfig(Waits::StaGetConfig);
        Await(
            WAIT_STA_GET_CONFIG,
            [this](bool) {
                const QString pin = QString::fromUtf8(
                    g_Var.ApClientPin,
                    static_cast<qsizetype>(strnlen(g_Var.ApClientPin, sizeof g_Var.ApClientPin)));
                g_Var.NewWl.PinNumber = pin.toInt();
                Out(QStringLiteral("Device PIN: %1 (enter it at the access point)\n")
                        .arg(PrintableText(pin)));
                SendWpsRequest();
            },
            [this] {
                TimedOut(QStringLiteral("request for its client PIN"), Waits::StaGetConfig);
            });
        return;
    }
    SendWpsRequest();
}

void CSession::SendWpsRequest() {
    RunRequest(RequestPlans::WPS(g_Var.DeviceMode == DEVICE_AP), QStringLiteral("WPS request"),
               kExitWpsFailed,
               [this](const RequestResult& result) { WpsDone(result.wpsStatus, result.reread); });
}

void CSession::WpsDone(int32_t status, bool reread) {
    if (m_Options.json)
        SetDocument(QJsonObject{
            {QStringLiteral("status"),
             QJsonObject{{QStringLiteral("code"), status},
                         {QStringLiteral("text"), QLatin1String(swp::WpsStatusText(status))}}},
            {QStringLiteral("configuration"),
             reread ? QJsonValue(ConfigJson(m_Device)) : QJsonValue(QJsonValue::Null)}});
    Out(QLatin1String(swp::WpsStatusText(status)) + QLatin1Char('\n'));
    if (reread)
        Out(WirelessText());
    Finish(kExitOk);
}

} // namespace swpctl
