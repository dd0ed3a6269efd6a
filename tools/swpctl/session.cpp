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

#include <QJsonDocument>
#include <cstring>

namespace swpctl {

namespace {

QString Seconds(int ms) {
    return QStringLiteral("%1 s").arg(ms / 1000);
}

} // namespace

CSession::CSession(const CtlOptions& options, QObject* parent)
    : CEngineTarget(parent), m_Options(options) {
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
    connect(&m_Runner, &CRequestRunner::Finished, this, &CSession::RequestFinished);
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
    if (!CheckAdapter())
        return;
    m_Engine.SetAdapterFilter(m_Options.adapter);
    if (!m_Engine.SendDiscover(Waits::Discover, true)) {
        Finish(kExitOther, AdapterFailureMessage());
        return;
    }
    Await(
        WAIT_DISCOVER, [](bool) {}, [this] { Discovered(); });
}

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

bool CSession::CheckAdapter() {
    if (m_Options.adapter.isEmpty() || AdapterHasAddress(m_Options.adapter))
        return true;
    Finish(kExitOther,
           QStringLiteral("no network adapter has the address %1").arg(m_Options.adapter));
    return false;
}

void CSession::Discovered() {
    std::vector<DeviceRecord> devices;
    m_Engine.GetDeviceList(devices);
    DebugLog("swpctl: %d device(s) found", static_cast<int>(devices.size()));
    if (!SaveDeviceCache(DeviceCachePath(), devices))
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

void CSession::Login() {
    QString error;
    if (!AskPassword(m_Options, DeviceLine(m_Device), error)) {
        Finish(kExitInvalidArguments, error);
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
    case Command::SetMode:
        m_Engine.SendGetMode(Waits::GetMode);
        Await(WAIT_GET_CONFIG, ConfigRead([this] { AfterConfig(); }),
              [this] { TimedOut(QStringLiteral("request for its mode"), Waits::GetMode); });
        return;
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
    case Command::SetIp:
        RunSetIp();
        return;
    case Command::SetWireless:
    case Command::SetStation:
        RunWireless();
        return;
    case Command::SetMode:
        RunSetMode();
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
        Out(pin + QLatin1Char('\n'));
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

void CSession::RequestFinished(const RequestResult& result) {
    // The one re-login of the run may have named an unusable port.
    if (!LoginPortUsable())
        return;
    if (result.outcome == RequestResult::Done) {
        m_RunDone(result);
        return;
    }
    Finish(DescribeFailure(result, m_RunWhat, m_RunRefusedExit, m_Device));
}

void CSession::RunSetIp() {
    IPConfig wanted = g_Var.CurIP;
    if (m_Options.dhcp) {
        if (g_Var.CurIP.IpMode != 0) {
            Out(QStringLiteral("The device already takes its address by DHCP.\n") + AddressText());
            Finish(kExitOk);
            return;
        }
        wanted.IpMode = 1;
    } else {
        QString error;
        if (!CheckNotLocalHost(m_Options.address, m_Engine.LastLocalIP, error)) {
            Finish(kExitInvalidArguments, error);
            return;
        }
        wanted.IpMode = 0;
        wanted.IP = m_Options.address.config.IP;
        wanted.Mask = m_Options.address.config.Mask;
        wanted.Gateway = m_Options.address.config.Gateway;
        if (wanted == g_Var.CurIP) {
            Out(QStringLiteral("The device already has this address.\n") + AddressText());
            Finish(kExitOk);
            return;
        }
    }
    g_Var.NewIP = wanted;
    RunRequest(RequestPlans::IPSetting(), QStringLiteral("IP setting"), kExitRefused,
               [this](const RequestResult&) {
                   const IPConfig& now = g_Var.CurIP;
                   const IPConfig& sent = g_Var.NewIP;
                   const bool applied = sent.IpMode != 0 ? now.IpMode != 0
                                                         : now.IpMode == 0 && now.IP == sent.IP &&
                                                               now.Mask == sent.Mask &&
                                                               now.Gateway == sent.Gateway;
                   Out(AddressText());
                   if (applied)
                       Finish(kExitOk);
                   else
                       Finish(kExitRefused, QStringLiteral("the device accepted the IP setting "
                                                           "but reports another address"));
               });
}

void CSession::RunWireless() {
    const bool station = m_Options.command == Command::SetStation;
    const int mode = station ? DEVICE_WBRIDGE : DEVICE_AP;
    if (g_Var.DeviceMode != mode) {
        Finish(kExitInvalidArguments,
               QStringLiteral("the device runs as %1: use %2, or set-mode %3 first")
                   .arg(DeviceModeText(g_Var.DeviceMode),
                        station ? QStringLiteral("set-wireless") : QStringLiteral("set-station"),
                        station ? QStringLiteral("bridge") : QStringLiteral("ap")));
        return;
    }
    const WirelessOptions& options = m_Options.wireless;
    QString error;
    if (!CheckChannel(options.channel.value_or(0), g_Var.CurWl, error)) {
        Finish(kExitInvalidArguments, error);
        return;
    }
    g_Var.NewWl = ProfileToSend(options, station, g_Var.CurWl);

    RunRequest(RequestPlans::WirelessSetting(!station),
               station ? QStringLiteral("station setting") : QStringLiteral("wireless setting"),
               kExitRefused, [this](const RequestResult&) {
                   const WirelessProfile& now = g_Var.CurWl;
                   const WirelessProfile& sent = g_Var.NewWl;
                   Out(WirelessText());
                   if (std::strcmp(now.SSID, sent.SSID) == 0 && now.Security == sent.Security)
                       Finish(kExitOk);
                   else
                       Finish(kExitRefused, QStringLiteral("the device accepted the wireless "
                                                           "setting but reports another profile"));
               });
}

void CSession::RunSetMode() {
    const int mode = m_Options.deviceMode;
    if (g_Var.DeviceMode == mode) {
        Out(QStringLiteral("The device already runs as %1.\n").arg(DeviceModeText(mode)));
        Finish(kExitOk);
        return;
    }
    g_Var.DeviceMode = mode;
    RunRequest(RequestPlans::SetMode(), QStringLiteral("mode switch"), kExitRefused,
               [this, mode](const RequestResult&) {
                   Out(QStringLiteral("Device mode: %1\n").arg(DeviceModeText(g_Var.DeviceMode)));
                   if (g_Var.DeviceMode == mode)
                       Finish(kExitOk);
                   else
                       Finish(kExitRefused,
                              QStringLiteral("the device accepted the mode switch but reports %1")
                                  .arg(DeviceModeText(g_Var.DeviceMode)));
               });
}

// ---------------------------------------------------------------------------
// WPS

void CSession::RunWps() {
    const bool ap = g_Var.DeviceMode == DEVICE_AP;
    const bool pbc = m_Options.command == Command::WpsPbc;
    if (!pbc) {
        if (ap && !m_Options.pin) {
            Finish(kExitInvalidArguments,
                   QStringLiteral("the device is an access point: wps-pin needs the 8-digit PIN "
                                  "of the client to pair with"));
            return;
        }
        if (ap && m_Options.wpsSsid) {
            Finish(kExitInvalidArguments,
                   QStringLiteral("the device is an access point: --ssid is for a device in AP "
                                  "client mode"));
            return;
        }
        if (!ap && !m_Options.wpsSsid) {
            Finish(kExitInvalidArguments,
                   QStringLiteral("the device is an AP client: wps-pin needs --ssid of the access "
                                  "point to pair with (the device uses its own PIN)"));
            return;
        }
        if (!ap && m_Options.pin) {
            Finish(kExitInvalidArguments,
                   QStringLiteral("the device is an AP client: it pairs with its own PIN, give "
                                  "--ssid only"));
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
                Out(QStringLiteral("Device PIN: %1 (enter it at the access point)\n").arg(pin));
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
