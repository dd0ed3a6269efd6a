#include "diagnosis/diagnosis.h"

#include "diagnosis/nftruleset.h"
#include "protocol/formudp.h"
#include "protocol/packet.h"
#include "settings/debug.h"
#include "settings/textutil.h"
#include "settings/timing.h"
#include "settings/winmessage.h"

#include <QFile>
#include <QHostAddress>
#include <QJsonDocument>
#include <QNetworkInterface>
#include <algorithm>
#include <arpa/inet.h>
#include <bit>
#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

namespace diag {

namespace {

const uint16_t kPort = swp::kHostPort;

// A kernel counter the check compares before and after the search could not be
// read: the finding says so and gives the command that reads it.
Finding CounterNotRead(const QString& summary, const QString& command) {
    Finding finding;
    finding.cause = Cause::NotChecked;
    finding.severity = Severity::NotChecked;
    finding.summary = summary;
    finding.AddFix(QStringLiteral("shell"), QStringLiteral("read it yourself"), command);
    return finding;
}

QString Dotted(uint32_t address) {
    return QHostAddress(address).toString();
}

QString Subnet(uint32_t address, uint32_t mask) {
    return QStringLiteral("%1/%2").arg(Dotted(address & mask)).arg(std::popcount(mask));
}

// Point-to-point links and tunnels (VPNs): /sys tells what a device is.
bool IsTunnel(const QNetworkInterface& iface) {
    if (iface.flags().testFlag(QNetworkInterface::IsPointToPoint) ||
        iface.type() == QNetworkInterface::Ppp)
        return true;
    const QString sys = QStringLiteral("/sys/class/net/") + iface.name();
    if (QFile::exists(sys + QStringLiteral("/tun_flags")))
        return true;
    QFile type(sys + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly))
        return false;
    const int arpType = type.readAll().trimmed().toInt();
    // ARPHRD_NONE (wireguard, tun), the IP-in-IP and GRE families
    return arpType == 65534 || (arpType >= 768 && arpType <= 778) || arpType == 823;
}

// Why binding port 5433 on this interface fails, as the system says it.
QString BindError(const QString& interface) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    QString error;
    const QByteArray name = interface.toLocal8Bit();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(kPort);
    if (::setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, name.constData(),
                     static_cast<socklen_t>(name.size())) != 0 ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        error = QString::fromLocal8Bit(std::strerror(errno));
    ::close(fd);
    return error;
}

const char kPersistRp[] = "printf 'net.ipv4.conf.all.rp_filter=2\\n' | sudo tee "
                          "/etc/sysctl.d/60-device-discovery.conf";

} // namespace

CDiagnosis::CDiagnosis(TFormUDP& engine, QObject* parent) : QObject(parent), m_Engine(engine) {
    m_Deadline.setSingleShot(true);
    m_Deadline.setTimerType(Qt::PreciseTimer);
    connect(&m_Deadline, &QTimer::timeout, this, [this] {
        DebugLog("CDiagnosis: checks given up at the deadline");
        if (!m_SearchEnded)
            ReadAfterSearch();
        Complete();
    });
}

CDiagnosis::~CDiagnosis() {
    if (m_Running && m_Engine.Target() == this)
        m_Engine.SetTarget(m_PreviousTarget);
}

void CDiagnosis::Start(int discoverWaitMs) {
    DebugLog("CDiagnosis::Start(%d)", discoverWaitMs);
    m_Report = Report{};
    m_Report.waitMs = discoverWaitMs;
    m_Report.privileged = ::geteuid() == 0;
    m_Running = true;
    m_SearchEnded = false;
    m_RulesetJson = Command{};
    m_RulesetText = Command{};
    m_LegacySave = Command{};

    m_RcvbufBefore = m_Facts.UdpReceiveBufferErrors();
    m_RpBefore = m_Facts.ReversePathDrops();
    m_Deadline.start(Timing::Interval(discoverWaitMs) + GraceMs);
    m_ChecksDeadline.setRemainingTime(Timing::Interval(discoverWaitMs) + GraceMs, Qt::PreciseTimer);

    m_PreviousTarget = m_Engine.Target();
    m_Engine.SetTarget(this);
    m_Report.discoveryStarted = m_Engine.SendDiscover(discoverWaitMs, true);

    m_NftPath = SystemProgram(QStringLiteral("nft"));
    if (!m_NftPath.isEmpty()) {
        StartCommand(m_RulesetJson, m_NftPath,
                     {QStringLiteral("-j"), QStringLiteral("list"), QStringLiteral("ruleset")});
        StartCommand(m_RulesetText, m_NftPath,
                     {QStringLiteral("-a"), QStringLiteral("list"), QStringLiteral("ruleset")});
    } else {
        m_RulesetJson.done = m_RulesetText.done = true;
    }
    // The legacy tables are listed only when some exist here: listing them
    // would otherwise load the kernel's legacy modules.
    const QString legacy = SystemProgram(QStringLiteral("iptables-legacy-save"));
    if (m_Report.privileged && !legacy.isEmpty() &&
        !m_Facts.Read(QStringLiteral("net/ip_tables_names")).trimmed().isEmpty())
        StartCommand(m_LegacySave, legacy, {});
    else
        m_LegacySave.done = true;
    if (!m_Report.discoveryStarted)
        SearchEnded();
}

void CDiagnosis::StartCommand(Command& command, const QString& program,
                              const QStringList& arguments) {
    command.process = std::make_unique<QProcess>();
    QProcess* process = command.process.get();
    connect(process, &QProcess::finished, this, [this, &command](int exitCode) {
        command.output = command.process->readAllStandardOutput();
        command.error = command.process->readAllStandardError();
        command.exitCode = exitCode;
        command.done = true;
        MaybeComplete();
    });
    connect(process, &QProcess::errorOccurred, this,
            [this, &command](QProcess::ProcessError error) {
                if (error != QProcess::FailedToStart)
                    return;
                command.error = command.process->errorString().toLocal8Bit();
                command.done = true;
                MaybeComplete();
            });
    command.started = true;
    process->start(program, arguments);
}

bool CDiagnosis::event(QEvent* e) {
    if (static_cast<int>(e->type()) != UM_UDP_TIMEOUT &&
        static_cast<int>(e->type()) != UM_UDP_RESULT && static_cast<int>(e->type()) != UM_UDP_EVENT)
        return QObject::event(e);
    const auto* message = dynamic_cast<const CUdpMessage*>(e);
    if (message && message->IsTimeout() && message->Code() == WAIT_DISCOVER && m_Running &&
        !m_SearchEnded)
        SearchEnded();
    return true;
}

void CDiagnosis::SearchEnded() {
    ReadAfterSearch();
    MaybeComplete();
}

void CDiagnosis::ReadAfterSearch() {
    m_SearchEnded = true;
    m_RcvbufAfter = m_Facts.UdpReceiveBufferErrors();
    m_RpAfter = m_Facts.ReversePathDrops();
    m_Report.devices.clear();
    m_Engine.GetDeviceList(m_Report.devices);
    m_GrantedBuffer = 0;
    for (const auto& socket : m_Engine.Sockets())
        if (m_GrantedBuffer == 0 || socket->ReceiveBuffer < m_GrantedBuffer)
            m_GrantedBuffer = socket->ReceiveBuffer;
    ListAdapters();
}

void CDiagnosis::MaybeComplete() {
    if (m_Running && m_SearchEnded && m_RulesetJson.done && m_RulesetText.done && m_LegacySave.done)
        Complete();
}

void CDiagnosis::Complete() {
    if (!m_Running)
        return;
    m_Running = false;
    m_Deadline.stop();
    if (m_Engine.Target() == this)
        m_Engine.SetTarget(m_PreviousTarget);
    if (m_Report.adapters.empty())
        ListAdapters();

    CheckAdapters();
    CheckPort();
    CheckFirewall();
    CheckReversePath();
    CheckReceiveBuffer();
    CheckAddresses();
    CheckAnswered();
    MakePrintable(m_Report);
    for (Command* command : {&m_RulesetJson, &m_RulesetText, &m_LegacySave})
        if (command->process && command->process->state() != QProcess::NotRunning) {
            command->process->disconnect(this);
            command->process->kill();
            command->process->waitForFinished(100);
        }
    DebugLog("CDiagnosis: %d device(s), %d finding(s), exit code %d",
             static_cast<int>(m_Report.devices.size()), static_cast<int>(m_Report.findings.size()),
             m_Report.ExitCode());
    emit Finished();
}

void CDiagnosis::ListAdapters() {
    m_Report.adapters.clear();
    QStringList searched;
    for (const auto& socket : m_Engine.Sockets())
        searched.append(socket->Interface);
    for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
        AdapterState state;
        state.name = iface.name();
        const auto flags = iface.flags();
        state.up = flags.testFlag(QNetworkInterface::IsUp);
        state.carrier = flags.testFlag(QNetworkInterface::IsRunning);
        state.loopback = flags.testFlag(QNetworkInterface::IsLoopBack);
        state.tunnel = !state.loopback && IsTunnel(iface);
        for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            state.address = entry.ip().toString();
            state.prefix = entry.prefixLength();
            break;
        }
        state.searched = searched.contains(state.name);
        m_Report.adapters.push_back(state);
    }
}

QStringList CDiagnosis::SearchedAdapters() const {
    QStringList names;
    for (const AdapterState& adapter : m_Report.adapters)
        if (adapter.searched)
            names.append(adapter.name);
    return names;
}

QString CDiagnosis::AddressOf(const QString& interface) const {
    for (const AdapterState& adapter : m_Report.adapters)
        if (adapter.name == interface)
            return adapter.address;
    return QString();
}

void CDiagnosis::CheckAdapters() {
    m_Report.checked.append(QStringLiteral("adapters"));
    const QString filter = m_Engine.AdapterFilter();
    // An adapter with a problem only hides devices when none answered.
    const Severity hiding = Answered() ? Severity::Info : Severity::Warning;
    int usable = 0;
    QStringList seen;
    for (const AdapterState& adapter : m_Report.adapters) {
        if (adapter.loopback)
            continue;
        seen.append(QStringLiteral("%1 (%2)").arg(
            adapter.name,
            adapter.address.isEmpty() ? QStringLiteral("no IPv4 address") : adapter.address));
        if (!filter.isEmpty() && adapter.address != filter)
            continue;
        Finding finding;
        finding.adapter = adapter.name;
        finding.Add(QStringLiteral("adapter"), QStringLiteral("adapter"), adapter.name);
        if (adapter.tunnel) {
            finding.cause = Cause::AdapterExcluded;
            finding.severity = Severity::Info;
            finding.summary =
                QStringLiteral("%1 is a point-to-point or tunnel adapter (such as a VPN) "
                               "and is left out of the search")
                    .arg(adapter.name);
            finding.detail = QStringLiteral("Devices answer a broadcast only on the local network; "
                                            "a tunnel carries no broadcast. If the VPN is in the "
                                            "way, disconnect it while you set up the device.");
            if (!adapter.address.isEmpty())
                finding.Add(QStringLiteral("address"), QStringLiteral("address"), adapter.address);
            m_Report.findings.push_back(finding);
            continue;
        }
        if (!adapter.up) {
            finding.cause = Cause::AdapterDown;
            finding.severity = hiding;
            finding.summary = QStringLiteral("Adapter %1 is switched off (down)").arg(adapter.name);
            finding.detail = QStringLiteral("Nothing is sent or received on an adapter that is "
                                            "down; a device cabled to it cannot be found.");
            finding.Add(QStringLiteral("state"), QStringLiteral("state"), QStringLiteral("down"));
            finding.AddFix(QStringLiteral("ip"), QStringLiteral("switch the adapter on"),
                           QStringLiteral("sudo ip link set %1 up").arg(adapter.name));
            finding.AddFix(QStringLiteral("NetworkManager"), QStringLiteral("or connect it"),
                           QStringLiteral("nmcli device connect %1").arg(adapter.name));
        } else if (!adapter.carrier) {
            finding.cause = Cause::NoCarrier;
            finding.severity = hiding;
            finding.summary =
                QStringLiteral("Adapter %1 has no link (no cable or the other end is off)")
                    .arg(adapter.name);
            finding.detail = QStringLiteral("The adapter is on but sees no carrier: check the "
                                            "cable and that the device is powered.");
            finding.Add(QStringLiteral("state"), QStringLiteral("state"),
                        QStringLiteral("up, no carrier"));
            finding.AddFix(QStringLiteral("device"),
                           QStringLiteral("plug the device's LAN port into this "
                                          "adapter and power it; the link "
                                          "light must come on"),
                           QStringLiteral("ip link show %1").arg(adapter.name));
        } else if (adapter.address.isEmpty()) {
            finding.cause = Cause::NoIPv4;
            finding.severity = hiding;
            finding.summary = QStringLiteral("Adapter %1 has no IPv4 address and is not searched")
                                  .arg(adapter.name);
            finding.detail =
                QStringLiteral("The search needs an IPv4 address on the adapter. Give it "
                               "one in the device's subnet (a free one; the example "
                               "uses the factory subnet 192.168.0.0/24).");
            finding.Add(QStringLiteral("state"), QStringLiteral("state"),
                        QStringLiteral("up, link, no IPv4 address"));
            finding.AddFix(
                QStringLiteral("ip"), QStringLiteral("give the adapter an address"),
                QStringLiteral("sudo ip addr add 192.168.0.100/24 dev %1").arg(adapter.name));
            finding.AddFix(
                QStringLiteral("NetworkManager"), QStringLiteral("or a link-local address"),
                QStringLiteral("nmcli connection modify CONNECTION ipv4.method link-local"));
        } else {
            ++usable;
            continue;
        }
        m_Report.findings.push_back(finding);
    }
    if (usable > 0)
        return;
    Finding none;
    none.cause = Cause::NoAdapter;
    none.severity = Severity::Error;
    if (!filter.isEmpty())
        none.summary = QStringLiteral("No usable network adapter has the address %1").arg(filter);
    else if (seen.isEmpty())
        none.summary = QStringLiteral("There is no network adapter but the loopback");
    else
        none.summary = QStringLiteral("No network adapter is usable for the search");
    none.detail = QStringLiteral("The search needs an adapter that is up, has a link and an IPv4 "
                                 "address, and is not a tunnel.");
    none.Add(QStringLiteral("adapters"), QStringLiteral("adapters"),
             seen.isEmpty() ? QStringLiteral("lo only") : seen.join(QStringLiteral(", ")));
    none.AddFix(QStringLiteral("device"),
                QStringLiteral("connect the device by cable to an Ethernet "
                               "adapter of this computer and see the "
                               "adapter findings"));
    m_Report.findings.push_back(none);
}

void CDiagnosis::CheckPort() {
    m_Report.checked.append(QStringLiteral("port 5433"));
    const QString filter = m_Engine.AdapterFilter();
    QStringList failed;
    for (const AdapterState& adapter : m_Report.adapters)
        if (!adapter.loopback && !adapter.tunnel && adapter.up && !adapter.address.isEmpty() &&
            !adapter.searched && (filter.isEmpty() || adapter.address == filter))
            failed.append(adapter.name);
    if (failed.isEmpty())
        return;
    const std::vector<SocketHolder> holders = m_Facts.PortHolders(kPort);
    for (const QString& name : failed) {
        const uint32_t address = QHostAddress(AddressOf(name)).toIPv4Address();
        Finding finding;
        finding.adapter = name;
        finding.severity = Severity::Error;
        finding.Add(QStringLiteral("adapter"), QStringLiteral("adapter"), name);
        int shown = 0;
        bool hidden = false;
        for (const SocketHolder& holder : holders) {
            if (holder.localAddress != 0 && holder.localAddress != address)
                continue;
            ++shown;
            finding.Add(QStringLiteral("holder%1").arg(shown), QStringLiteral("held by"),
                        HolderText(holder));
            if (holder.pid == 0) {
                hidden = true;
                continue;
            }
            if (IsOwnProgram(holder))
                finding.AddFix(
                    QStringLiteral("program"),
                    QStringLiteral("another copy of %1 is running: close it (or wait until "
                                   "it ends), then search again")
                        .arg(holder.name),
                    QStringLiteral("kill %1").arg(holder.pid));
            else
                finding.AddFix(QStringLiteral("program"),
                               QStringLiteral("end %1 or set it to another port").arg(holder.name),
                               QStringLiteral("kill %1").arg(holder.pid));
        }
        if (shown > 0) {
            finding.cause = Cause::PortInUse;
            finding.summary =
                QStringLiteral("Another program holds UDP port 5433 on %1, so the search cannot "
                               "listen there")
                    .arg(name);
            finding.detail = QStringLiteral("The devices answer to port 5433; only one program can "
                                            "receive there.");
            if (hidden) {
                finding.detail += QStringLiteral(" Which program it is could not be checked: the "
                                                 "process table of another user needs privileges.");
                finding.AddFix(QStringLiteral("ss"), QStringLiteral("see which program it is"),
                               QStringLiteral("sudo %1 -uanp 'sport = :5433'")
                                   .arg(SystemCommand(QStringLiteral("ss"))));
            }
        } else {
            const QString error = BindError(name);
            finding.cause = Cause::DiscoveryFailed;
            finding.summary =
                QStringLiteral("Adapter %1 could not be opened for the search").arg(name);
            finding.detail = QStringLiteral("Port 5433 could not be bound on this adapter.");
            finding.Add(QStringLiteral("error"), QStringLiteral("error"),
                        error.isEmpty()
                            ? QStringLiteral("none now (it may have been a passing state)")
                            : error);
            finding.AddFix(
                QStringLiteral("ss"), QStringLiteral("see what uses the port"),
                QStringLiteral("%1 -uan 'sport = :5433'").arg(SystemCommand(QStringLiteral("ss"))));
        }
        m_Report.findings.push_back(finding);
    }
}

void CDiagnosis::CheckFirewall() {
    FirewallManagers managers = FirewallManagers::Read();
    const bool listed = m_RulesetJson.done && m_RulesetJson.exitCode == 0;
    // nft's own warnings ("table ip filter is managed by iptables-nft") tell
    // who manages a table; they never reach the report as they are.
    const QString nftErrors = QString::fromLocal8Bit(m_RulesetJson.error + m_RulesetText.error);
    const QJsonDocument ruleset =
        listed ? QJsonDocument::fromJson(m_RulesetJson.output) : QJsonDocument();
    const QString listing = WithoutWarnings(QString::fromUtf8(m_RulesetText.output));
    if (listed)
        managers.ReadRuleset(ruleset, nftErrors + QString::fromUtf8(m_RulesetText.output));

    Finding notChecked;
    notChecked.cause = Cause::NotChecked;
    notChecked.severity = Severity::NotChecked;
    if (!listed) {
        QString why;
        if (m_NftPath.isEmpty())
            why = QStringLiteral("nft is not installed");
        else if (!m_RulesetJson.done)
            why = QStringLiteral("nft did not answer in time");
        else
            why = WithoutWarnings(QString::fromLocal8Bit(m_RulesetJson.error))
                      .trimmed()
                      .section(QLatin1Char('\n'), 0, 0);
        if (why.isEmpty())
            why = QStringLiteral("nft ended with code %1").arg(m_RulesetJson.exitCode);
        notChecked.Add(QStringLiteral("reason"), QStringLiteral("reason"), why);
    }
    const bool legacyRead = CheckLegacy(managers, notChecked);

    struct Source {
        QJsonDocument rules;
        QString listing;
        bool legacy = false;
    };
    std::vector<Source> sources;
    if (listed)
        sources.push_back({ruleset, listing, false});
    const QString save = QString::fromUtf8(m_LegacySave.output);
    if (legacyRead)
        sources.push_back({LegacyRuleset(save), QString(), true});

    // One finding per deciding rule, naming every adapter it hits.
    struct Hit {
        FirewallVerdict verdict;
        bool legacy = false;
        QStringList adapters;
    };
    std::vector<Hit> hits;
    bool complete = true;
    const QString filter = m_Engine.AdapterFilter();
    for (const AdapterState& adapter : m_Report.adapters) {
        if (adapter.loopback || adapter.tunnel || adapter.address.isEmpty() ||
            (!filter.isEmpty() && adapter.address != filter))
            continue;
        ReplyPacket packet;
        packet.interface = adapter.name;
        packet.address = QHostAddress(adapter.address).toIPv4Address();
        packet.mask = adapter.prefix <= 0 ? 0 : ~uint32_t(0) << (32 - adapter.prefix);
        for (const Source& source : sources) {
            const FirewallVerdict verdict =
                EvaluateRuleset(source.rules, packet, m_ChecksDeadline, source.listing);
            if (!verdict.complete) {
                complete = false;
                break;
            }
            if (verdict.kind == FirewallVerdict::Accepted)
                continue;
            auto same = std::find_if(hits.begin(), hits.end(), [&](const Hit& hit) {
                const FirewallVerdict& v = hit.verdict;
                return hit.legacy == source.legacy && v.kind == verdict.kind &&
                       v.certain == verdict.certain && v.family == verdict.family &&
                       v.table == verdict.table && v.chain == verdict.chain &&
                       v.handle == verdict.handle && v.baseChain == verdict.baseChain;
            });
            if (same == hits.end())
                hits.push_back({verdict, source.legacy, {adapter.name}});
            else
                same->adapters.append(adapter.name);
            break; // the first table that drops the reply is the one to fix
        }
        if (!complete)
            break;
    }
    const auto lookCommands = [&](Finding& f) {
        if (!m_Report.privileged) {
            f.AddFix(
                QStringLiteral("administrator"),
                QStringLiteral("check the firewall as administrator (asks for the "
                               "administrator password)"),
                QStringLiteral("pkexec %1 doctor").arg(SystemCommand(QStringLiteral("swpctl"))));
            f.AddFix(QStringLiteral("administrator"), QStringLiteral("or with sudo"),
                     QStringLiteral("sudo %1 doctor").arg(SystemCommand(QStringLiteral("swpctl"))));
        }
        if (managers.ufwEnabled)
            f.AddFix(
                QStringLiteral("ufw"), QStringLiteral("see ufw's rules"),
                QStringLiteral("sudo %1 status verbose").arg(SystemCommand(QStringLiteral("ufw"))));
        if (managers.firewalldPid != 0)
            f.AddFix(QStringLiteral("firewalld"), QStringLiteral("see firewalld's zone"),
                     QStringLiteral("sudo %1 --list-all")
                         .arg(SystemCommand(QStringLiteral("firewall-cmd"))));
        f.AddFix(
            QStringLiteral("nftables"),
            QStringLiteral("look for rules on port 5433 and for input chains with policy drop"),
            QStringLiteral("sudo %1 list ruleset").arg(SystemCommand(QStringLiteral("nft"))));
        if (managers.legacyTables)
            f.AddFix(QStringLiteral("iptables"),
                     QStringLiteral("and in the legacy iptables tables"),
                     QStringLiteral("sudo %1").arg(
                         SystemCommand(QStringLiteral("iptables-legacy-save"))));
        const QStringList seen = managers.Seen();
        f.Add(QStringLiteral("front_ends"), QStringLiteral("firewall managers seen"),
              seen.isEmpty() ? QStringLiteral("none") : seen.join(QStringLiteral(", ")));
    };
    if (!notChecked.evidence.isEmpty()) {
        notChecked.summary = listed ? QStringLiteral("the firewall was not fully checked")
                                    : QStringLiteral("the firewall could not be checked");
        notChecked.detail =
            m_Report.privileged
                ? QStringLiteral("A firewall that drops incoming UDP to port 5433 hides every "
                                 "device. Check it as shown.")
                : QStringLiteral("Reading the firewall rules needs administrator rights. A "
                                 "firewall that drops incoming UDP to port 5433 hides every "
                                 "device. Check it as administrator as shown.");
        lookCommands(notChecked);
        m_Report.findings.push_back(notChecked);
    }
    if (!complete) {
        // A ruleset too large to walk in the time the search gives: said,
        // never taken for a firewall that lets the replies in.
        Finding finding;
        finding.cause = Cause::NotChecked;
        finding.severity = Severity::NotChecked;
        finding.summary = QStringLiteral("the firewall was not fully checked");
        finding.detail = QStringLiteral("Walking the firewall rules for the devices' replies did "
                                        "not end within the search's time. A rule that drops "
                                        "incoming UDP to port 5433 would hide every device.");
        finding.Add(QStringLiteral("reason"), QStringLiteral("reason"),
                    QStringLiteral("the ruleset walk reached the deadline"));
        lookCommands(finding);
        m_Report.findings.push_back(finding);
        return;
    }
    if (listed)
        m_Report.checked.append(QStringLiteral("firewall (nftables)"));
    if (legacyRead)
        m_Report.checked.append(QStringLiteral("firewall (iptables-legacy)"));
    for (const Hit& hit : hits) {
        const FirewallVerdict& v = hit.verdict;
        QString text = hit.legacy ? LegacyRuleText(save, v.handle)
                                  : RuleText(listing, v.family, v.table, v.chain, v.handle);
        ReportDrop(v, hit.adapters, text, managers.Of(v.family, v.table, v.chain, hit.legacy),
                   hit.legacy);
    }
}

bool CDiagnosis::CheckLegacy(FirewallManagers& managers, Finding& notChecked) {
    if (!managers.legacyTables)
        return false;
    if (!m_Report.privileged) {
        notChecked.Add(QStringLiteral("legacy"), QStringLiteral("legacy iptables"),
                       QStringLiteral("the kernel's legacy iptables tables are loaded; whether "
                                      "they hold rules needs administrator rights to read"));
        return false;
    }
    if (m_Facts.Read(QStringLiteral("net/ip_tables_names")).trimmed().isEmpty())
        return false; // no legacy table in this network namespace
    if (m_LegacySave.started && m_LegacySave.done && m_LegacySave.exitCode == 0) {
        const QString save = QString::fromUtf8(m_LegacySave.output);
        managers.ufwLegacyChains = save.contains(QLatin1String("\n:ufw-"));
        return true;
    }
    QString why;
    if (!m_LegacySave.started)
        why = QStringLiteral("iptables-legacy-save is not installed");
    else if (!m_LegacySave.done)
        why = QStringLiteral("iptables-legacy-save did not answer in time");
    else
        why = QString::fromLocal8Bit(m_LegacySave.error).trimmed().section(QLatin1Char('\n'), 0, 0);
    notChecked.Add(QStringLiteral("legacy"), QStringLiteral("legacy iptables"),
                   QStringLiteral("the legacy tables %1 could not be read: %2")
                       .arg(m_Facts.Read(QStringLiteral("net/ip_tables_names"))
                                .simplified()
                                .replace(QLatin1Char(' '), QStringLiteral(", ")),
                            why));
    return false;
}

void CDiagnosis::ReportDrop(const FirewallVerdict& verdict, const QStringList& adapters,
                            const QString& ruleText, Manager manager, bool legacy) {
    // A device that answered on an adapter shows its replies get in there.
    QStringList dropped;
    QStringList answered;
    for (const QString& name : adapters) {
        const uint32_t address = QHostAddress(AddressOf(name)).toIPv4Address();
        const bool heard =
            std::any_of(m_Report.devices.begin(), m_Report.devices.end(),
                        [&](const DeviceRecord& device) { return device.LocalIP == address; });
        (heard ? answered : dropped).append(name);
    }
    const QString action = verdict.kind == FirewallVerdict::Dropped ? QStringLiteral("drops")
                                                                    : QStringLiteral("rejects");
    const auto evidence = [&](Finding& f, const QStringList& names) {
        f.Add(QStringLiteral("adapters"), QStringLiteral("adapters"),
              names.join(QStringLiteral(", ")));
        f.Add(QStringLiteral("manager"), QStringLiteral("managed by"),
              QLatin1String(ManagerName(manager)));
        f.Add(QStringLiteral("table"), QStringLiteral("table"),
              (legacy ? QStringLiteral("iptables-legacy") : verdict.family) + QLatin1Char(' ') +
                  verdict.table);
        f.Add(QStringLiteral("chain"), QStringLiteral("chain"), verdict.chain);
        if (verdict.byPolicy)
            f.Add(QStringLiteral("rule"), QStringLiteral("rule"),
                  QStringLiteral("the chain's policy %1 (no rule accepts the reply)")
                      .arg(verdict.kind == FirewallVerdict::Dropped ? QStringLiteral("drop")
                                                                    : QStringLiteral("reject")));
        else
            f.Add(QStringLiteral("rule"), QStringLiteral("rule"),
                  QStringLiteral("%1 (%2 %3)")
                      .arg(ruleText.isEmpty() ? QStringLiteral("?") : ruleText,
                           legacy ? QStringLiteral("line") : QStringLiteral("handle"))
                      .arg(verdict.handle));
    };
    if (!answered.isEmpty()) {
        Finding f;
        f.cause = Cause::Firewall;
        f.severity = Severity::Info;
        f.adapter = answered.first();
        f.summary = QStringLiteral("Devices answered on %1, although the firewall rules seemed to "
                                   "stop their replies there: nothing to change")
                        .arg(answered.join(QStringLiteral(", ")));
        evidence(f, answered);
        m_Report.findings.push_back(f);
    }
    if (dropped.isEmpty())
        return;
    Finding f;
    f.adapter = dropped.first();
    if (verdict.certain) {
        f.cause = Cause::Firewall;
        f.severity = Severity::Error;
        f.summary = QStringLiteral("The firewall of this computer %1 the devices' replies "
                                   "(UDP to port 5433) on %2")
                        .arg(action, dropped.join(QStringLiteral(", ")));
        f.detail = verdict.byPolicy
                       ? QStringLiteral("No rule lets the replies in. A reply to a broadcast "
                                        "search is not seen by connection tracking as part of "
                                        "the search (its state is \"new\"), so "
                                        "\"established, related\" rules do not let it in.")
                       : QStringLiteral("The rule below stops UDP to port 5433, the port the "
                                        "devices answer to.");
    } else {
        f.cause = Cause::NotChecked;
        f.severity = Severity::NotChecked;
        f.summary = QStringLiteral("the firewall was not fully checked: on %1 a rule it could not "
                                   "read comes before the rule or policy that %2 the replies")
                        .arg(dropped.join(QStringLiteral(", ")), action);
        f.detail = QStringLiteral("Whether the replies get in depends on a match this check "
                                  "does not understand. If no device is found, let them in as "
                                  "shown.");
    }
    evidence(f, dropped);
    AddFirewallFixes(f, manager, verdict, dropped);
    m_Report.findings.push_back(f);
}

void CDiagnosis::CheckReversePath() {
    if (!m_RpBefore || !m_RpAfter) {
        m_Report.findings.push_back(
            CounterNotRead(QStringLiteral("the reverse-path filter counter could not be read"),
                           QStringLiteral("nstat -az TcpExtIPReversePathFilter")));
        return;
    }
    m_Report.checked.append(QStringLiteral("reverse-path filter"));
    const uint64_t dropped = *m_RpAfter - std::min(*m_RpAfter, *m_RpBefore);
    const std::vector<Route> routes = m_Facts.Routes();
    const QStringList searched = SearchedAdapters();
    Finding finding;
    finding.cause = Cause::ReversePath;
    // A route that covers only another searched adapter's own subnet sends
    // no device of this adapter elsewhere: those are left out.
    const auto connected = [this](const Route& route) {
        for (const AdapterState& adapter : m_Report.adapters)
            if (adapter.searched && adapter.name == route.interface && route.gateway == 0 &&
                route.destination == (QHostAddress(adapter.address).toIPv4Address() & route.mask))
                return true;
        return false;
    };
    QStringList strict;
    bool leadsAway = false;
    for (const QString& name : searched) {
        if (m_Facts.EffectiveReversePath(name) != 1)
            continue;
        strict.append(name);
        QStringList elsewhere;
        for (const Route& route : routes)
            if (route.interface != name && route.interface != QLatin1String("lo") &&
                !connected(route))
                elsewhere.append(route.Text());
        if (!elsewhere.isEmpty()) {
            leadsAway = true;
            finding.Add(QStringLiteral("routes_not_%1").arg(name),
                        QStringLiteral("routes that take addresses away from %1").arg(name),
                        elsewhere.join(QStringLiteral("; ")));
        }
    }
    if (dropped > 0) {
        finding.severity = Severity::Error;
        finding.summary = QStringLiteral("The reverse-path filter dropped %1 packet(s) during the "
                                         "search: a device's replies arrive on one adapter while "
                                         "the routes send its address out of another")
                              .arg(dropped);
    } else if (!Answered() && leadsAway) {
        // A device that answers to this computer's address first asks for it
        // by ARP; strict filtering drops that question, and no counter shows it.
        finding.severity = Severity::Warning;
        finding.summary = QStringLiteral("Strict reverse-path filtering may keep a device with an "
                                         "address from another subnet from answering");
    } else {
        return;
    }
    finding.detail = QStringLiteral("With strict reverse-path filtering (rp_filter 1) the system "
                                    "drops a packet whose sender it would reach through another "
                                    "adapter, as with a laptop on Wi-Fi and the device on the "
                                    "Ethernet port, or a device that still has an address from "
                                    "another subnet (its address question, ARP, is dropped too). "
                                    "Loose filtering (2) lets the replies in.");
    finding.evidence.prepend({QStringLiteral("counter"),
                              QStringLiteral("IPReversePathFilter during the search"),
                              QStringLiteral("%1 -> %2").arg(*m_RpBefore).arg(*m_RpAfter)});
    finding.evidence.insert(
        1, {QStringLiteral("rp_filter_all"), QStringLiteral("net.ipv4.conf.all.rp_filter"),
            QString::number(m_Facts.ReversePathSetting(QStringLiteral("all")).value_or(-1))});
    finding.Add(QStringLiteral("strict_adapters"), QStringLiteral("strict filtering (1) on"),
                strict.isEmpty() ? QStringLiteral("none (loose filtering found no route back)")
                                 : strict.join(QStringLiteral(", ")));
    if (!strict.isEmpty())
        finding.adapter = strict.first();
    // The effective setting is the higher of "all" and the adapter's: "all"
    // at 2 makes every adapter loose.
    finding.AddFix(QStringLiteral("sysctl"),
                   QStringLiteral("switch to loose reverse-path filtering (should replies still "
                                  "be dropped, 0 switches the filter off)"),
                   QStringLiteral("sudo sysctl -w net.ipv4.conf.all.rp_filter=2"));
    finding.AddFix(QStringLiteral("sysctl"), QStringLiteral("keep it after a restart"),
                   QString::fromLatin1(kPersistRp));
    finding.AddFix(QStringLiteral("wizard"),
                   QStringLiteral("or, once found, give the device an address in the subnet of "
                                  "the adapter it is cabled to"));
    m_Report.findings.push_back(finding);
}

void CDiagnosis::CheckReceiveBuffer() {
    const int asked = CUDPSocket::ReceiveBufferRequest;
    const std::optional<int> limit = m_Facts.ReceiveBufferMax();
    if (!m_RcvbufBefore || !m_RcvbufAfter) {
        m_Report.findings.push_back(
            CounterNotRead(QStringLiteral("the UDP receive-buffer error counter could not be read"),
                           QStringLiteral("nstat -az UdpRcvbufErrors")));
        return;
    }
    m_Report.checked.append(QStringLiteral("receive buffer"));
    const uint64_t lost = *m_RcvbufAfter - std::min(*m_RcvbufAfter, *m_RcvbufBefore);
    const auto evidence = [&](Finding& f) {
        f.Add(QStringLiteral("asked"), QStringLiteral("receive buffer asked for"),
              QString::number(asked));
        f.Add(QStringLiteral("granted"), QStringLiteral("receive buffer granted"),
              QString::number(m_GrantedBuffer));
        f.Add(QStringLiteral("rmem_max"), QStringLiteral("net.core.rmem_max"),
              limit ? QString::number(*limit) : QStringLiteral("not readable"));
        f.AddFix(QStringLiteral("sysctl"), QStringLiteral("allow a larger receive buffer"),
                 QStringLiteral("sudo sysctl -w net.core.rmem_max=%1").arg(2 * asked));
        f.AddFix(QStringLiteral("sysctl"), QStringLiteral("keep it after a restart"),
                 QStringLiteral("printf 'net.core.rmem_max=%1\\n' | sudo tee "
                                "/etc/sysctl.d/60-device-discovery-buffer.conf")
                     .arg(2 * asked));
    };
    if (lost > 0) {
        Finding finding;
        finding.cause = Cause::ReceiveBuffer;
        finding.severity = Severity::Error;
        finding.summary = QStringLiteral("%1 UDP datagram(s) were lost to a full receive buffer "
                                         "during the search")
                              .arg(lost);
        finding.detail = QStringLiteral("Many devices answer at once; what does not fit in the "
                                        "receive buffer is dropped by the system (the counter "
                                        "counts every program's losses).");
        finding.Add(QStringLiteral("counter"), QStringLiteral("Udp RcvbufErrors during the search"),
                    QStringLiteral("%1 -> %2").arg(*m_RcvbufBefore).arg(*m_RcvbufAfter));
        evidence(finding);
        m_Report.findings.push_back(finding);
    } else if (m_GrantedBuffer > 0 && m_GrantedBuffer < asked) {
        Finding finding;
        finding.cause = Cause::SmallReceiveBuffer;
        finding.severity = Severity::Info;
        finding.summary = QStringLiteral("The receive buffer is smaller than asked for; with many "
                                         "devices some replies may be lost");
        evidence(finding);
        m_Report.findings.push_back(finding);
    }
}

void CDiagnosis::CheckAddresses() {
    m_Report.checked.append(QStringLiteral("device addresses"));
    for (const DeviceRecord& device : m_Report.devices) {
        if ((device.DeviceIP & device.LocalMask) == (device.LocalIP & device.LocalMask))
            continue;
        const QString name = DeviceName(device);
        const QString subnet = Subnet(device.LocalIP, device.LocalMask);
        Finding finding;
        finding.cause = Cause::ForeignAddress;
        finding.severity = Severity::Warning;
        for (const AdapterState& adapter : m_Report.adapters)
            if (adapter.address == Dotted(device.LocalIP))
                finding.adapter = adapter.name;
        finding.summary = QStringLiteral("%1 (%2) answered from %3, outside the subnet %4 of the "
                                         "adapter it was found on")
                              .arg(name, FormatMAC(device.MAC), Dotted(device.DeviceIP), subnet);
        finding.detail = QStringLiteral("It still works with the setup wizard, which can set its "
                                        "address: choose it in the device list and give it a "
                                        "free address in %1 (or DHCP). Until then its web page "
                                        "cannot be reached.")
                             .arg(subnet);
        finding.Add(QStringLiteral("device"), QStringLiteral("device"), FormatMAC(device.MAC));
        finding.Add(QStringLiteral("device_ip"), QStringLiteral("device address"),
                    Dotted(device.DeviceIP));
        finding.Add(QStringLiteral("adapter_ip"), QStringLiteral("adapter address"),
                    QStringLiteral("%1/%2")
                        .arg(Dotted(device.LocalIP))
                        .arg(std::popcount(device.LocalMask)));
        finding.AddFix(QStringLiteral("wizard"),
                       QStringLiteral("select the device, Configure, then a static address in %1")
                           .arg(subnet));
        finding.AddFix(
            QStringLiteral("swpctl"),
            QStringLiteral("or from a shell, ADDRESS being a free address in %1").arg(subnet),
            QStringLiteral("swpctl --device %1 --adapter %2 set-ip static ADDRESS %3")
                .arg(FormatMAC(device.MAC), Dotted(device.LocalIP), Dotted(device.LocalMask)));
        m_Report.findings.push_back(finding);
    }
}

void CDiagnosis::CheckAnswered() {
    if (Answered())
        return;
    QStringList notChecked;
    for (const Finding& finding : m_Report.findings) {
        if (finding.severity == Severity::Error || finding.severity == Severity::Warning)
            return;
        if (finding.severity == Severity::NotChecked)
            notChecked.append(finding.summary);
    }
    Finding finding;
    finding.cause = Cause::NothingAnswered;
    finding.Add(QStringLiteral("searched"), QStringLiteral("adapters searched"),
                SearchedAdapters().join(QStringLiteral(", ")));
    if (!notChecked.isEmpty()) {
        // What was not checked comes first: resetting a device is no answer
        // to a firewall nobody has looked at.
        finding.severity = Severity::Info;
        finding.summary = QStringLiteral("No device answered; what was checked on this computer "
                                         "does not explain it, but not everything was checked");
        finding.detail = QStringLiteral("First check what could not be checked: %1. Then the "
                                        "device side.")
                             .arg(notChecked.join(QStringLiteral("; ")));
    } else {
        finding.severity = Severity::Warning;
        finding.summary = QStringLiteral("No device answered, and nothing checked on this "
                                         "computer explains it");
        finding.detail = QStringLiteral("Everything on this computer was checked. Check the "
                                        "device side.");
    }
    finding.AddFix(QStringLiteral("device"),
                   QStringLiteral("the device is powered and has finished "
                                  "starting (about a minute)"));
    finding.AddFix(QStringLiteral("device"), QStringLiteral("its LAN port is cabled to one of the "
                                                            "adapters searched, directly or "
                                                            "through a switch, not a router: "
                                                            "the search does not cross routers"));
    finding.AddFix(QStringLiteral("device"), QStringLiteral("the link light of that port is on"));
    if (notChecked.isEmpty())
        finding.AddFix(QStringLiteral("device"),
                       QStringLiteral("if it still does not answer, reset it to factory settings "
                                      "(hold its reset button about 10 s) and search again"));
    m_Report.findings.push_back(finding);
}

} // namespace diag
