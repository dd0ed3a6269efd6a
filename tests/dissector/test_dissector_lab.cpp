// Captures of real exchanges in the namespace lab: swpctl runs each command
// against devsim with --capture and --log while tcpdump captures the adapter
// in swp-host. tshark with the dissector must show, on both captures, every
// datagram of the engine's own trace with the same opcode, TLV names and
// values. A capture is also made without root, as nobody.

#include "protocol/catalogue.h"
#include "protocol/packet.h"
#include "tests/dissector/tsharkrun.h"
#include "tests/tools/swpctl/toolrun.h"

#include <QFile>
#include <QRegularExpression>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kRunLimitMs = 120000;
constexpr int kCaptureWaitMs = 10000;
const QString kAdapter = QStringLiteral("10.91.1.1");

const char kAp[] = R"({
    "name": "Lab-AP", "mac": "02:5A:00:00:00:01", "mode": 1,
    "ip": {"ip": "192.168.0.50", "mask": "255.255.255.0", "gateway": "192.168.0.1"},
    "wireless": {"ssid": "office", "std_ch": 6, "security": 2, "wpa_mode": 1, "cipher": 1,
                 "wps_pin": 12345670},
    "client_pin": "87654325",
    "survey": [
        {"ssid": "weak", "bssid": "02:AA:00:00:00:01", "signal": 20, "channel": 1,
         "encryption": 3, "authentication": 3, "wps": true},
        {"ssid": "strong", "bssid": "02:AA:00:00:00:02", "signal": 90, "channel": 11}
    ],
    "wps_status": [[200, 3], [300, 10], [300, 34]]})";

bool IsKey(const QString& name) {
    return name == QLatin1String("WL_WEPKEY") || name == QLatin1String("WL_WPA_PSK") ||
           name == QLatin1String("WL_WPS_PIN");
}

// One datagram as a line: direction, opcode name, then each TLV's name and
// value in hex (a key or a WPS PIN by its length only: the trace masks it), or each
// survey record's SSID, signal and channel.
QString TlvText(const QString& name, const QString& hex, int length) {
    return QStringLiteral(" %1=%2").arg(name,
                                        IsKey(name) ? QStringLiteral("(%1)").arg(length) : hex);
}

QString OpName(int opcode) {
    const char* name = swp::OpcodeName(static_cast<uint8_t>(opcode));
    return name ? QLatin1String(name) : QStringLiteral("OP_%1").arg(opcode);
}

QString LineOfPlain(bool sent, const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    swp::PacketHeader header{};
    if (!swp::ParseHeader(data, static_cast<size_t>(bytes.size()), header))
        return QStringLiteral("short");
    QString line = QStringLiteral("%1 %2").arg(sent ? "Tx" : "Rx", OpName(header.opcode));
    const uint8_t* payload = data + swp::kHeaderSize;
    const int size =
        std::min<int>(header.payloadLength, static_cast<int>(bytes.size()) - swp::kHeaderSize);
    if (header.opcode == swp::OP_SITE_SURVEY && !sent) {
        for (const _tag_AP_ROFIILE& ap : swp::ParseSurvey(payload, static_cast<size_t>(size)))
            line += QStringLiteral(" %1/%2/%3")
                        .arg(QLatin1String(ap.SSID))
                        .arg(ap.Signal)
                        .arg(ap.Channel);
        return line;
    }
    swp::WalkTLVs(payload, static_cast<uint16_t>(size), [&](const swp::Tlv& tlv) {
        const char* name = swp::TlvTypeName(tlv.type);
        const QByteArray value(reinterpret_cast<const char*>(tlv.value), tlv.length);
        line += TlvText(name ? QLatin1String(name)
                             : QStringLiteral("0x%1").arg(tlv.type, 2, 16, QLatin1Char('0')),
                        QString::fromLatin1(value.toHex()), tlv.length);
    });
    return line;
}

// The datagrams of the engine's trace: the "[Tx] size=N" and "[Rx] ... size=N"
// dumps, plain (before enciphering, after deciphering).
QStringList TraceLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("no trace at ") + path};
    static const QRegularExpression prefix(QStringLiteral(R"re(^\([^)]*\) )re"));
    static const QRegularExpression dump(QStringLiteral(R"re(^\[(Tx|Rx)\] .*size=(\d+)$)re"));
    QStringList lines;
    QByteArray bytes;
    int want = 0;
    bool sent = false;
    for (QString text : QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"))) {
        text.remove(prefix);
        if (want > 0) {
            bytes += QByteArray::fromHex(text.toLatin1().replace("**", "00")); // masked bytes
            if (bytes.size() >= want) {
                lines << LineOfPlain(sent, bytes.left(want));
                want = 0;
            }
            continue;
        }
        const auto match = dump.match(text);
        if (match.hasMatch()) {
            sent = match.captured(1) == QLatin1String("Tx");
            want = match.captured(2).toInt();
            bytes.clear();
            if (want == 0)
                lines << QStringLiteral("empty");
        }
    }
    return lines;
}

// The datagrams tshark shows with the dissector, as lines of the same form.
QStringList CaptureLines(const TsharkRun& run) {
    QStringList lines;
    for (const QJsonValue& packet : run.packets) {
        const QJsonObject swp = Layer(packet, "swp");
        if (swp.isEmpty())
            continue;
        const bool sent = swp[QStringLiteral("swp.kind")].toString() == QLatin1String("Request");
        QString line = QStringLiteral("%1 %2").arg(
            sent ? "Tx" : "Rx", OpName(swp[QStringLiteral("swp.opcode")].toString().toInt()));
        for (const QJsonValue& survey : Repeated(swp, QStringLiteral("swp.survey")))
            for (const QJsonValue& record :
                 Repeated(survey.toObject(), QStringLiteral("swp.survey.record"))) {
                const QJsonObject r = record.toObject();
                line += QStringLiteral(" %1/%2/%3")
                            .arg(r[QStringLiteral("swp.survey.ssid")].toString(),
                                 r[QStringLiteral("swp.survey.signal")].toString(),
                                 r[QStringLiteral("swp.survey.channel")].toString());
            }
        for (const QJsonValue& tlv : Repeated(swp, QStringLiteral("swp.tlv"))) {
            const QJsonObject t = tlv.toObject();
            line += TlvText(t[QStringLiteral("swp.tlv.name")].toString(),
                            t[QStringLiteral("swp.tlv.value")].toString().remove(QLatin1Char(':')),
                            t[QStringLiteral("swp.tlv.length")].toString().toInt());
        }
        lines << line;
    }
    return lines;
}

// What the engine's trace says of each datagram's pair, in the dissector's
// terms: a reply belongs to the latest request of its opcode (a set reply to a
// set request of either opcode); a request sent again unchanged while unanswered
// is a retransmission, answered with it (an unanswered exchange is marked on
// its first request, a logout never: none awaits its reply); events have no
// pair.
QStringList TracePairing(const QStringList& traced) {
    const auto opcodeOf = [&](qsizetype n) { return traced[n].section(QLatin1Char(' '), 1, 1); };
    const auto sameKind = [](const QString& a, const QString& b) {
        const QStringList sets{QStringLiteral("OP_SET_CONFIG"),
                               QStringLiteral("OP_STA_SET_CONFIG")};
        return a == b || (sets.contains(a) && sets.contains(b));
    };
    QList<QStringList> fields(traced.size());
    QList<qsizetype> reply(traced.size(), -1);    // a request's own first reply
    QList<qsizetype> answer(traced.size(), -1);   // an exchange's first reply, at its first request
    QList<qsizetype> exchange(traced.size(), -1); // a request's exchange: its first request
    for (qsizetype n = 0; n < traced.size(); ++n) {
        if (traced[n].startsWith(QLatin1String("Tx"))) {
            exchange[n] = n;
            for (qsizetype k = n - 1; k >= 0; --k)
                if (traced[k].startsWith(QLatin1String("Tx")) && opcodeOf(k) == opcodeOf(n)) {
                    if (traced[k].mid(2) == traced[n].mid(2) && answer[exchange[k]] < 0) {
                        exchange[n] = exchange[k];
                        fields[n] << QStringLiteral("retransmission_of=%1").arg(k + 1);
                    }
                    break;
                }
            continue;
        }
        if (opcodeOf(n) == QLatin1String("OP_EVENT"))
            continue;
        qsizetype request = -1;
        for (qsizetype k = n - 1; k >= 0 && request < 0; --k)
            if (traced[k].startsWith(QLatin1String("Tx")) && sameKind(opcodeOf(k), opcodeOf(n)))
                request = k;
        if (request < 0) {
            fields[n] << QStringLiteral("unpaired");
            continue;
        }
        fields[n] << QStringLiteral("request_in=%1").arg(request + 1);
        if (reply[request] < 0)
            reply[request] = n;
        if (answer[exchange[request]] < 0)
            answer[exchange[request]] = n;
    }
    QStringList lines;
    for (qsizetype n = 0; n < traced.size(); ++n) {
        if (traced[n].startsWith(QLatin1String("Tx"))) {
            if (reply[n] >= 0)
                fields[n] << QStringLiteral("response_in=%1").arg(reply[n] + 1);
            else if (answer[exchange[n]] >= 0)
                fields[n] << QStringLiteral("answered_in=%1").arg(answer[exchange[n]] + 1);
            else if (exchange[n] == n && opcodeOf(n) != QLatin1String("OP_LOGOUT"))
                fields[n] << QStringLiteral("unanswered");
        }
        lines << fields[n].join(QLatin1Char(' '));
    }
    return lines;
}

const QStringList kPairingNames{"retransmission_of", "request_in", "response_in",
                                "answered_in",       "unanswered", "unpaired"};

TsharkRun PairingFields(const CTshark& tshark, const QString& capture) {
    return tshark.Fields(capture, {"swp.retransmission_of", "swp.request_in", "swp.response_in",
                                   "swp.answered_in", "swp.unanswered", "swp.unpaired"});
}

// The lines tshark -z swp,stat must print for the engine's trace: a row per
// request kind (exchanges sent, answered), the device and the counts.
QStringList TraceStatistics(const QStringList& traced, const QStringList& pairing,
                            const QString& traceText) {
    std::map<QString, std::pair<int, int>> rows; // opcode -> sent, answered
    int unanswered = 0;
    for (qsizetype n = 0; n < traced.size(); ++n) {
        if (!traced[n].startsWith(QLatin1String("Tx")) ||
            pairing[n].contains(QLatin1String("retransmission_of")))
            continue;
        auto& row = rows[traced[n].section(QLatin1Char(' '), 1, 1)];
        ++row.first;
        row.second += pairing[n].contains(QLatin1String("response_in")) ||
                              pairing[n].contains(QLatin1String("answered_in"))
                          ? 1
                          : 0;
        unanswered += pairing[n].contains(QLatin1String("unanswered")) ? 1 : 0;
    }
    QStringList patterns;
    for (const auto& [opcode, row] : rows)
        patterns << QStringLiteral("^  %1 +%2 +%3 ").arg(opcode).arg(row.first).arg(row.second);
    patterns << QStringLiteral("^Unanswered requests: %1\\b").arg(unanswered)
             << QStringLiteral("^Replies without a request: %1\\b")
                    .arg(pairing.filter(QStringLiteral("unpaired")).size());
    static const QRegularExpression name(QStringLiteral("  DevName=([^\r\n]*)"));
    static const QRegularExpression mode(QStringLiteral("  DEVICE_MODE=0x0(\\d)"));
    QString device = QStringLiteral("^  02:5A:00:00:00:01  10\\.91\\.1\\.2 +");
    QString lastMode;
    for (auto it = mode.globalMatch(traceText); it.hasNext();)
        lastMode = it.next().captured(1);
    device += lastMode == QLatin1String("1")   ? QStringLiteral("DEVICE_AP +")
              : lastMode == QLatin1String("2") ? QStringLiteral("DEVICE_WBRIDGE +")
                                               : QStringLiteral("\\S+ +");
    const auto named = name.match(traceText);
    device += named.hasMatch() ? QRegularExpression::escape(named.captured(1)) + QLatin1Char('$')
                               : QStringLiteral("\\S+$");
    if (!traced.filter(QRegularExpression(QStringLiteral("^Rx "))).isEmpty())
        patterns << device;
    return patterns;
}

QString FileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

// Whole packet records in a pcap file (tcpdump -w).
int PcapRecords(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray data = file.readAll();
    int count = 0;
    for (qsizetype at = 24; at + 16 <= data.size(); ++count) {
        uint32_t included = 0;
        std::memcpy(&included, data.constData() + at + 8, sizeof included);
        if (static_cast<uint64_t>(at) + 16 + included > static_cast<uint64_t>(data.size()))
            break;
        at += 16 + included;
    }
    return count;
}

// tcpdump on the lab adapter of swp-host, from its "listening" line on.
class CPacketCapture {
public:
    bool Start(const QString& path) {
        m_Path = path;
        m_Process.start(QStringLiteral("tcpdump"),
                        {QStringLiteral("-i"), QStringLiteral("swpa0"), QStringLiteral("-n"),
                         QStringLiteral("-U"), QStringLiteral("--immediate-mode"),
                         QStringLiteral("-Z"), QStringLiteral("root"), QStringLiteral("-w"), path,
                         QStringLiteral("udp")});
        m_Process.setReadChannel(QProcess::StandardError);
        QByteArray err;
        while (m_Process.waitForReadyRead(kCaptureWaitMs)) {
            err += m_Process.readAllStandardError();
            if (err.contains("listening on"))
                return true;
        }
        return false;
    }
    // Stops once the file holds at least `count` datagrams (or after a bound).
    void StopAfter(int count) {
        for (int waited = 0; PcapRecords(m_Path) < count && waited < kCaptureWaitMs; waited += 50)
            m_Process.waitForFinished(50);
        m_Process.terminate();
        m_Process.waitForFinished(kCaptureWaitMs);
    }

private:
    QString m_Path;
    QProcess m_Process;
};

struct Exchange {
    const char* name;
    QStringList args;
};

TEST(DissectorLab, BothCapturesShowWhatTheEngineTraced) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);
    CTshark tshark("not-this-one,tosca", true);
    ASSERT_TRUE(tshark.Ready());
    QTemporaryDir dir;

    const Exchange exchanges[] = {
        {"discover", {"discover"}},
        {"show", {"show"}},
        {"set-ip", {"set-ip", "static", "192.168.0.60", "255.255.255.0", "192.168.0.1"}},
        {"set-wireless",
         {"set-wireless", "--ssid", "lab-net", "--channel", "6", "--security", "none"}},
        {"survey", {"survey"}},
        {"wps-pbc", {"wps-pbc"}},
        {"set-mode", {"set-mode", "bridge"}},
        {"client-pin", {"client-pin"}},
    };
    for (const Exchange& exchange : exchanges) {
        SCOPED_TRACE(exchange.name);
        const QString base = dir.filePath(QLatin1String(exchange.name));
        CPacketCapture tcpdump;
        ASSERT_TRUE(tcpdump.Start(base + QStringLiteral(".pcap")));
        const ToolRun run =
            RunTool(QStringLiteral(SWPCTL_BINARY),
                    exchange.args + QStringList{"--adapter", kAdapter, "--speedup", "5", "--log",
                                                base + QStringLiteral(".Log"), "--capture",
                                                base + QStringLiteral(".pcapng")},
                    QProcessEnvironment::systemEnvironment(), kRunLimitMs);
        EXPECT_RUN(run, 0);
        const QStringList traced = TraceLines(base + QStringLiteral(".Log"));
        EXPECT_GE(traced.size(), 2);
        tcpdump.StopAfter(static_cast<int>(traced.size()));

        const TsharkRun own = tshark.Json(base + QStringLiteral(".pcapng"));
        EXPECT_EQ(traced, CaptureLines(own)) << own.err.toStdString();
        const TsharkRun wire = tshark.Json(base + QStringLiteral(".pcap"));
        // tcpdump may also have seen the reply to the last logout, which the
        // engine no longer read.
        EXPECT_EQ(traced, CaptureLines(wire).mid(0, traced.size())) << wire.err.toStdString();
        for (const TsharkRun* read : {&own, &wire})
            EXPECT_FALSE(read->err.contains(QLatin1String("Lua Error")) ||
                         read->out.contains("Lua Error"));

        // Requests and replies paired as the engine paired them, and the
        // statistics counting them so.
        const QStringList pairing = TracePairing(traced);
        EXPECT_EQ(
            pairing.join(QLatin1Char('\n')).toStdString(),
            PairingLines(PairingFields(tshark, base + QStringLiteral(".pcapng")), kPairingNames)
                .join(QLatin1Char('\n'))
                .toStdString());
        // The reply to the last logout, which the engine no longer read, may
        // answer it on the wire.
        QStringList onWire =
            PairingLines(PairingFields(tshark, base + QStringLiteral(".pcap")), kPairingNames)
                .mid(0, traced.size());
        if (!onWire.isEmpty() && traced.last().startsWith(QLatin1String("Tx OP_LOGOUT")))
            onWire.last().remove(QRegularExpression(QStringLiteral("^response_in=\\d+$")));
        EXPECT_EQ(pairing.join(QLatin1Char('\n')).toStdString(),
                  onWire.join(QLatin1Char('\n')).toStdString());
        const QString statistics =
            QString::fromUtf8(tshark.Statistics(base + QStringLiteral(".pcapng")).out);
        for (const QString& pattern :
             TraceStatistics(traced, pairing, FileText(base + QStringLiteral(".Log"))))
            EXPECT_TRUE(statistics.contains(
                QRegularExpression(pattern, QRegularExpression::MultilineOption)))
                << pattern.toStdString() << "\n"
                << statistics.toStdString();
    }
}

// The replies a misbehaving device gives the engine (the reliability cases of
// the simulator), captured by swpctl: each is marked as the dissector should,
// and none makes it fail.
TEST(DissectorLab, HostileRepliesAreMarkedWithoutLuaErrors) {
    SWP_REQUIRE_LAB();
    const struct {
        const char* name;
        const char* config; // the device's settings beside its name, MAC and mode
        int exitCode;
        const char* expert; // expected on some datagram of the capture; "" none
    } cases[] = {
        {"one-byte login port", R"("login_port_value": [21])", 8, "swp.tlv_size"},
        {"port zero", R"("login_port_value": [0, 0])", 8, ""},
        {"another password", R"("password": "other")", 4, "swp.undeciphered"},
        {"empty configuration", R"("requests": {"get_config": {"action": "refuse"}})", 8, ""},
        {"refused login", R"("requests": {"login": {"action": "refuse"}})", 4, "swp.failed"},
    };
    CTshark tshark("tosca", false);
    ASSERT_TRUE(tshark.Ready());
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CLabDevice device;
        const QByteArray config = QByteArray(R"({"name": "Odd", "mac": "02:5A:00:00:00:07", )"
                                             R"("mode": 1, )") +
                                  c.config + "}";
        START(device, "dev1", config.constData());
        const QString capture = dir.filePath(QLatin1String(c.name) + QStringLiteral(".pcapng"));
        const ToolRun run =
            RunTool(QStringLiteral(SWPCTL_BINARY),
                    {"show", "--adapter", kAdapter, "--speedup", "5", "--capture", capture},
                    QProcessEnvironment::systemEnvironment(), kRunLimitMs);
        EXPECT_RUN(run, c.exitCode);
        const TsharkRun read = tshark.Json(capture);
        EXPECT_EQ(read.code, 0) << read.err.toStdString();
        EXPECT_GE(read.packets.size(), 4);
        QStringList experts;
        for (const QJsonValue& packet : read.packets)
            experts += ExpertNames(packet);
        EXPECT_FALSE(experts.contains(QStringLiteral("_ws.lua.error")) ||
                     experts.contains(QStringLiteral("swp.dissector_error")))
            << experts.join(' ').toStdString();
        EXPECT_FALSE(read.err.contains(QLatin1String("Lua Error")) ||
                     read.out.contains("Lua Error"));
        if (*c.expert) {
            EXPECT_TRUE(experts.contains(QLatin1String(c.expert)))
                << experts.join(' ').toStdString();
        }
    }
}

// Without --adapter every request leaves both adapters of swp-host, and the
// second reaches no device: its copies are answered with the first's, so no
// request is unanswered (nor the last logout, whose reply the engine and so
// its capture no longer read: no logout awaits its reply).
TEST(DissectorLab, AnAdapterThatReachesNoDeviceAddsNoUnansweredRequest) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);
    QTemporaryDir dir;
    const QString capture = dir.filePath(QStringLiteral("both.pcapng"));
    const ToolRun run =
        RunTool(QStringLiteral(SWPCTL_BINARY), {"show", "--speedup", "5", "--capture", capture},
                QProcessEnvironment::systemEnvironment(), kRunLimitMs);
    EXPECT_RUN(run, 0);
    CTshark tshark("tosca", false);
    ASSERT_TRUE(tshark.Ready());
    const TsharkRun fields = tshark.Fields(
        capture, {"ip.src", "swp.opcode", "swp.copy_of", "swp.response_in", "swp.unanswered"});
    const QStringList lines =
        PairingLines(fields, {"src", "opcode", "copy_of", "response_in", "unanswered"});
    EXPECT_EQ(
        lines.filter(QStringLiteral("src=10.91.2.1")).size(),
        lines.filter(QRegularExpression(QStringLiteral("^src=10\\.91\\.2\\.1 .*copy_of="))).size())
        << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(lines.filter(QStringLiteral("src=10.91.2.1")).isEmpty());
    EXPECT_TRUE(lines.filter(QStringLiteral("unanswered")).isEmpty())
        << lines.join(QLatin1Char('\n')).toStdString();
    const QString statistics = QString::fromUtf8(tshark.Statistics(capture).out);
    EXPECT_TRUE(statistics.contains(QRegularExpression(QStringLiteral("^Unanswered requests: 0$"),
                                                       QRegularExpression::MultilineOption)))
        << statistics.toStdString();
}

TEST(DissectorLab, AUserWithoutRootCaptures) {
    SWP_REQUIRE_LAB();
    CLabDevice ap;
    START(ap, "dev1", kAp);
    QTemporaryDir dir;
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nullptr, nobody);
    // The user's own folder: a capture is never written where others could
    // change the folder.
    ASSERT_EQ(0,
              ::chown(QFile::encodeName(dir.path()).constData(), nobody->pw_uid, nobody->pw_gid));
    const QString capture = dir.filePath(QStringLiteral("user.pcapng"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CACHE_HOME"), dir.filePath(QStringLiteral("cache")));
    const ToolRun run =
        RunTool(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                 QStringLiteral("--clear-groups"), QStringLiteral("--inh-caps=-all"),
                 QStringLiteral(SWPCTL_BINARY), QStringLiteral("discover"),
                 QStringLiteral("--adapter"), kAdapter, QStringLiteral("--capture"), capture},
                env, kRunLimitMs);
    EXPECT_RUN(run, 0);
    struct stat info {};
    ASSERT_EQ(0, ::stat(QFile::encodeName(capture).constData(), &info));
    EXPECT_EQ(nobody->pw_uid, info.st_uid);
    EXPECT_EQ(0600u, info.st_mode & 0777u);

    CTshark tshark("tosca", false);
    ASSERT_TRUE(tshark.Ready());
    const TsharkRun read = tshark.Json(capture);
    ASSERT_EQ(2, read.packets.size()) << read.out.toStdString() << read.err.toStdString();
    EXPECT_EQ("Lab-AP",
              Layer(read.packets[1], "swp")["swp.tlv"].toObject()["swp.device_name"].toString());
    EXPECT_EQ("10.91.1.2", Layer(read.packets[1], "ip")["ip.src"].toString());
}

} // namespace
