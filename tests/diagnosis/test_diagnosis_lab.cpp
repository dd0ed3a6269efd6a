// swpctl doctor in the namespace lab: each cause is made for real in turn (an
// adapter down, a second copy holding port 5433, an nftables rule dropping
// UDP 5433, strict reverse-path filtering with the device's subnet routed out
// of the other adapter, a device with a foreign address, a rule that seems to
// drop the replies while the device's answers get in, and nothing wrong),
// diagnosed as root and as the unprivileged user nobody, and undone. What
// needs privileges must show up as not checked for nobody, never as fine.
// Hostile machines are among the causes: a firewall ruleset that fans out, a
// port held by an IPv6 socket of a program whose name is a terminal escape
// sequence, an adapter named so; nothing from the machine reaches the
// terminal or the JSON with a control character in it.

#include "tests/common/labsim.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <functional>
#include <unistd.h>

namespace {

constexpr int kRunLimitMs = 60000;

const char kDevice[] = R"({"name": "Doctor-AP", "mac": "02:5A:00:00:00:11", "reply": "broadcast"})";
// Answers to the sender's address, so it first asks for it by ARP.
const char kUnicast[] = R"({"name": "Doctor-Unicast", "mac": "02:5A:00:00:00:13"})";
const char kSecond[] = R"({"name": "Doctor-Bridge", "mac": "02:5A:00:00:00:12", "mode": 2})";

struct DoctorRun {
    int code = -1;
    QJsonObject json;
    QString err;
    QByteArray out; // as printed
};

// A control character in any text of the JSON, decoded.
bool HasControl(const QJsonValue& value) {
    if (value.isString()) {
        const QString text = value.toString();
        return std::any_of(text.begin(), text.end(), [](QChar c) {
            return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0);
        });
    }
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        return std::any_of(array.begin(), array.end(),
                           [](const QJsonValue& item) { return HasControl(item); });
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            if (HasControl(QJsonValue(it.key())) || HasControl(it.value()))
                return true;
    }
    return false;
}

// 14 chains of 4 jumps each to the next, none deciding, behind an input chain
// that then drops UDP 5433: every path walked anew would take minutes. The
// jumps are for packets to the adapter address: the device here answers by
// broadcast, so the kernel itself never takes them (it walks every path).
QString FanOutRuleset() {
    const int chains = 14;
    QString script = QStringLiteral("add table inet doctorfan\n");
    for (int n = chains; n >= 0; --n)
        script += QStringLiteral("add chain inet doctorfan c%1\n").arg(n);
    for (int n = chains - 1; n >= 0; --n)
        for (int k = 0; k < 4; ++k)
            script += QStringLiteral("add rule inet doctorfan c%1 ip daddr 10.91.1.1 jump c%2\n")
                          .arg(n)
                          .arg(n + 1);
    script += QStringLiteral("add chain inet doctorfan input { type filter hook input priority 0; "
                             "policy accept; }\n"
                             "add rule inet doctorfan input ip daddr 10.91.1.1 jump c0\n"
                             "add rule inet doctorfan input udp dport 5433 drop\n");
    return QStringLiteral("nft -f - <<'EOF'\n") + script + QStringLiteral("EOF");
}

// A program holding [::]:5433 (IPv6, which takes IPv4 too) that calls itself
// by an escape sequence; it ends by itself should the undo not come.
const char kHolderPid[] = "/tmp/swp-doctor-holder.pid";
const QString kHostileHolder =
    QStringLiteral("python3 -c 'import os, socket, time\n"
                   "open(\"/proc/self/comm\", \"w\").write(\"\\x1b[2J\\x1b]0;x\\x07\")\n"
                   "s = socket.socket(socket.AF_INET6, socket.SOCK_DGRAM)\n"
                   "s.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 0)\n"
                   "s.bind((\"::\", 5433))\n"
                   "open(\"%1\", \"w\").write(str(os.getpid()))\n"
                   "time.sleep(120)' >/dev/null 2>&1 &\n"
                   "for i in $(seq 100); do [ -s %1 ] && break; sleep 0.05; done; [ -s %1 ]")
        .arg(QLatin1String(kHolderPid));
const QString kHostileHolderEnd =
    QStringLiteral("kill $(cat %1) && rm -f %1").arg(QLatin1String(kHolderPid));
// An adapter named by an escape sequence (Linux takes any byte but '/', ':'
// and white space), one end of a pair whose other end is down.
const QString kHostileAdapter =
    QStringLiteral("ip link add \"$(printf '\\033[2J')\" type veth peer name swpesc0 && "
                   "ip link set \"$(printf '\\033[2J')\" up");
const QString kHostileAdapterEnd = QStringLiteral("ip link del \"$(printf '\\033[2J')\"");

// Runs a shell command as root in the host namespace; its output on failure.
QString Sh(const QString& command) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    if (!process.waitForFinished(kRunLimitMs) || process.exitCode() != 0)
        return command + QStringLiteral(": ") + QString::fromLocal8Bit(process.readAll());
    return QString();
}

// The client copied where nobody can run it (a checkout under /root is not).
class CDoctor {
public:
    CDoctor() {
        QFile::setPermissions(m_Dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                QFile::ReadOther | QFile::ExeOther |
                                                QFile::ReadGroup | QFile::ExeGroup);
        m_Program = m_Dir.filePath(QStringLiteral("swpctl"));
        QFile::copy(QStringLiteral(SWPCTL_BINARY), m_Program);
    }

    QString Program() const { return m_Program; }

    // As nobody when unprivileged; waits speedup times faster.
    QProcess* Start(const QStringList& args, bool unprivileged, int speedup = 5) {
        auto* process = new QProcess;
        QStringList command;
        if (unprivileged)
            command << QStringLiteral("setpriv") << QStringLiteral("--reuid=65534")
                    << QStringLiteral("--regid=65534") << QStringLiteral("--clear-groups");
        command << m_Program << args << QStringLiteral("--speedup") << QString::number(speedup);
        process->start(command.takeFirst(), command);
        return process;
    }

    DoctorRun Diagnose(bool unprivileged, bool json = true) {
        QStringList args{QStringLiteral("doctor")};
        if (json)
            args << QStringLiteral("--json");
        std::unique_ptr<QProcess> process(Start(args, unprivileged));
        DoctorRun run;
        if (!process->waitForFinished(kRunLimitMs)) {
            process->kill();
            process->waitForFinished();
            run.err = QStringLiteral("swpctl doctor did not finish");
            return run;
        }
        run.code = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -2;
        run.out = process->readAllStandardOutput();
        run.json = QJsonDocument::fromJson(run.out).object();
        run.err = QString::fromUtf8(process->readAllStandardError());
        return run;
    }

private:
    QTemporaryDir m_Dir;
    QString m_Program;
};

QJsonObject FindingOf(const DoctorRun& run, const QString& cause) {
    for (const QJsonValue& finding : run.json[QStringLiteral("findings")].toArray())
        if (finding[QStringLiteral("cause")].toString() == cause)
            return finding.toObject();
    return QJsonObject();
}

bool Checked(const DoctorRun& run, const char* what) {
    return run.json[QStringLiteral("checked")].toArray().contains(QLatin1String(what));
}

// Each cause runs with a device on swpa0 (dev1); the clean lab has a second
// one on swpb0 (dev2).
struct Cause {
    const char* name;
    QStringList setUp; // shell commands, as root
    QStringList undo;
    // expected for root, then for nobody
    int code[2];
    const char* cause[2];
    // an evidence value of the main finding, and text it holds (root, nobody)
    const char* evidence;
    const char* holds[2];
    // the exit code once the main finding's first fix (as root) has run; -1: not tried
    int afterFix = -1;
    const char* device = kDevice; // the configuration of the device on swpa0
};

const QString kForeign =
    QStringLiteral("ip -n swp-dev1 addr flush dev eth0 && "
                   "ip -n swp-dev1 addr add 192.168.77.20/24 broadcast 192.168.77.255 dev eth0");
const QString kHome =
    QStringLiteral("ip -n swp-dev1 addr flush dev eth0 && "
                   "ip -n swp-dev1 addr add 10.91.1.2/24 broadcast 10.91.1.255 dev eth0");
const QString kLoose =
    QStringLiteral("sysctl -qw net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.swpa0.rp_filter=0 "
                   "net.ipv4.conf.swpb0.rp_filter=0");

class DiagnosisLab : public ::testing::Test {
protected:
    void SetUp() override {
        SWP_REQUIRE_LAB();
        ASSERT_EQ(0u, ::geteuid()) << "the lab test sets up each cause as root";
        ASSERT_EQ("", Sh(kLoose).toStdString());
    }
    CDoctor m_Doctor;
};

TEST_F(DiagnosisLab, EachCauseIsFoundAsRootAndAsNobody) {
    const Cause causes[] = {
        {"clean", {}, {}, {0, 0}, {"", ""}, nullptr, {nullptr, nullptr}},
        {"adapter down",
         {QStringLiteral("ip link set swpa0 down")},
         {QStringLiteral("ip link set swpa0 up")},
         {16, 16},
         {"adapter-down", "adapter-down"},
         "adapter",
         {"swpa0", "swpa0"}},
        {"nftables drops UDP 5433",
         {QStringLiteral("nft add table inet doctorlab && nft add chain inet doctorlab input "
                         "'{ type filter hook input priority 0; policy accept; }' && "
                         "nft add rule inet doctorlab input udp dport 5433 drop")},
         {QStringLiteral("nft delete table inet doctorlab")},
         {12, 3},
         {"firewall", "not-checked"},
         "rule",
         {"udp dport 5433 drop", nullptr},
         0},
        {"strict rp_filter, device subnet routed out of the other adapter",
         {kForeign, QStringLiteral("ip route add 192.168.77.0/24 dev swpb0"),
          QStringLiteral(
              "sysctl -qw net.ipv4.conf.all.rp_filter=1 net.ipv4.conf.swpa0.rp_filter=1")},
         {kLoose, QStringLiteral("ip route del 192.168.77.0/24 dev swpb0"), kHome},
         {13, 13},
         {"reverse-path-filter", "reverse-path-filter"},
         "routes_not_swpa0",
         {"192.168.77.0/24 dev swpb0", "192.168.77.0/24 dev swpb0"},
         15},
        {"strict rp_filter, a device answering to the sender drops out at its ARP question",
         {kForeign, QStringLiteral("ip -n swp-dev1 route add 10.91.1.0/24 dev eth0"),
          QStringLiteral("ip route add 192.168.77.0/24 dev swpb0"),
          QStringLiteral("sysctl -qw net.ipv4.conf.all.rp_filter=1")},
         {kLoose, QStringLiteral("ip route del 192.168.77.0/24 dev swpb0"),
          QStringLiteral("ip -n swp-dev1 route del 10.91.1.0/24 dev eth0"), kHome},
         {13, 13},
         {"reverse-path-filter", "reverse-path-filter"},
         "strict_adapters",
         {"swpa0", "swpa0"},
         15,
         kUnicast},
        {"device with a foreign address",
         {kForeign},
         {kHome},
         {15, 15},
         {"foreign-address", "foreign-address"},
         "device_ip",
         {"192.168.77.20", "192.168.77.20"}},
        {"a firewall ruleset that fans out",
         {FanOutRuleset()},
         {QStringLiteral("nft delete table inet doctorfan")},
         {12, 3},
         {"firewall", "not-checked"},
         "rule",
         {"udp dport 5433 drop", nullptr},
         0},
        {"a drop for replies to the adapter's address, while the device answers by broadcast",
         {QStringLiteral(
             "nft add table inet doctorbc && nft add chain inet doctorbc input "
             "'{ type filter hook input priority 0; policy accept; }' && "
             "nft add rule inet doctorbc input ip daddr 10.91.1.1 udp dport 5433 drop")},
         {QStringLiteral("nft delete table inet doctorbc")},
         {0, 0},
         {"", ""},
         nullptr,
         {nullptr, nullptr}},
        {"[::]:5433 held by a program named by an escape sequence",
         {kHostileHolder},
         {kHostileHolderEnd},
         {11, 11},
         {"port-in-use", "port-in-use"},
         "holder1",
         {"\\x1b[2J\\x1b]0;x\\x07 (pid", "needs privileges"}},
        {"an adapter named by an escape sequence",
         {kHostileAdapter},
         {kHostileAdapterEnd},
         {0, 0},
         {"", ""},
         nullptr,
         {nullptr, nullptr}},
    };
    for (const Cause& cause : causes) {
        SCOPED_TRACE(cause.name);
        CLabDevice device;
        CLabDevice second;
        ASSERT_TRUE(device.Start(QStringLiteral("dev1"), cause.device))
            << device.Error().toStdString();
        if (cause.code[0] == 0) {
            ASSERT_TRUE(second.Start(QStringLiteral("dev2"), kSecond))
                << second.Error().toStdString();
        }
        for (const QString& command : cause.setUp)
            ASSERT_EQ("", Sh(command).toStdString());
        for (const bool nobody : {false, true}) {
            SCOPED_TRACE(nobody ? "as nobody" : "as root");
            const DoctorRun run = m_Doctor.Diagnose(nobody);
            const QString shown = QString::fromUtf8(QJsonDocument(run.json).toJson()) + run.err;
            EXPECT_EQ(cause.code[nobody], run.code) << shown.toStdString();
            const QString main = run.json[QStringLiteral("main_cause")].toString();
            EXPECT_EQ(cause.cause[nobody], main.toStdString()) << shown.toStdString();
            if (cause.evidence && cause.holds[nobody]) {
                EXPECT_TRUE(
                    FindingOf(run, main)[QStringLiteral("evidence")][QLatin1String(cause.evidence)]
                        .toString()
                        .contains(QLatin1String(cause.holds[nobody])))
                    << shown.toStdString();
            }
            EXPECT_FALSE(HasControl(run.json)) << shown.toStdString();
            const QByteArray printed = m_Doctor.Diagnose(nobody, false).out;
            EXPECT_FALSE(std::any_of(printed.begin(), printed.end(), [](char c) {
                return c != '\n' && uint8_t(c) < 0x20;
            })) << printed.toStdString();
            // What needs privileges: checked as root, reported as not checked for nobody.
            EXPECT_EQ(!nobody, Checked(run, "firewall (nftables)")) << shown.toStdString();
            EXPECT_EQ(nobody, !FindingOf(run, QStringLiteral("not-checked")).isEmpty())
                << shown.toStdString();
        }
        if (cause.afterFix >= 0) {
            const DoctorRun before = m_Doctor.Diagnose(false);
            const QJsonObject main = FindingOf(before, before.json["main_cause"].toString());
            QString fix = main["fixes"][0]["command"].toString();
            fix.remove(QRegularExpression(QStringLiteral("^sudo ")));
            ASSERT_EQ("", Sh(fix).toStdString());
            // The device retries an unanswered ARP question only every second:
            // longer than the sped-up search. It starts afresh here.
            ASSERT_EQ("", Sh(QStringLiteral("ip -n swp-dev1 neigh flush all")).toStdString());
            const DoctorRun after = m_Doctor.Diagnose(false);
            EXPECT_EQ(cause.afterFix, after.code)
                << QJsonDocument(after.json).toJson().toStdString();
        }
        for (const QString& command : cause.undo)
            EXPECT_EQ("", Sh(command).toStdString());
    }
}

// A second copy of swpctl holds port 5433 on both adapters while the
// diagnosis runs. Root sees its name and process id; nobody may not look
// into root's process and says so.
TEST_F(DiagnosisLab, PortHeldByASecondCopyIsNamed) {
    for (const bool nobody : {false, true}) {
        SCOPED_TRACE(nobody ? "as nobody" : "as root");
        // Its search holds the port for the whole discovery wait (4 s).
        std::unique_ptr<QProcess> copy(m_Doctor.Start({QStringLiteral("discover")}, false, 1));
        ASSERT_TRUE(copy->waitForStarted());
        for (int n = 0; n < 200 && !Sh(QStringLiteral("grep -q ':1539 ' /proc/net/udp")).isEmpty();
             ++n)
            QThread::msleep(10);
        const DoctorRun run = m_Doctor.Diagnose(nobody);
        const QString shown = QString::fromUtf8(QJsonDocument(run.json).toJson()) + run.err;
        EXPECT_EQ(11, run.code) << shown.toStdString();
        const QJsonObject held = FindingOf(run, QStringLiteral("port-in-use"));
        const QString holder =
            held[QStringLiteral("evidence")][QStringLiteral("holder1")].toString();
        const QString expected = nobody ? QStringLiteral("needs privileges")
                                        : QStringLiteral("swpctl (pid %1").arg(copy->processId());
        EXPECT_TRUE(holder.contains(expected)) << shown.toStdString();
        copy->waitForFinished(kRunLimitMs);
    }
}

} // namespace
