#include "tools/bench/udpcounters.h"

#include "tools/bench/nsprocess.h"

#include <QFile>
#include <QList>
#include <QProcess>

namespace bench {

UdpCounters ParseUdpCounters(const QByteArray& snmp) {
    UdpCounters counters;
    QList<QByteArray> names;
    for (const QByteArray& line : snmp.split('\n')) {
        if (!line.startsWith("Udp: "))
            continue;
        const QList<QByteArray> fields = line.mid(5).simplified().split(' ');
        if (names.isEmpty()) {
            names = fields;
            continue;
        }
        for (qsizetype n = 0; n < fields.size() && n < names.size(); ++n) {
            const uint64_t value = fields[n].toULongLong();
            if (names[n] == "InDatagrams")
                counters.inDatagrams = value;
            else if (names[n] == "OutDatagrams")
                counters.outDatagrams = value;
            else if (names[n] == "RcvbufErrors")
                counters.rcvbufErrors = value;
            else if (names[n] == "SndbufErrors")
                counters.sndbufErrors = value;
            else if (names[n] == "InErrors")
                counters.inErrors = value;
        }
        counters.valid = true;
        break;
    }
    return counters;
}

UdpCounters ReadUdpCounters() {
    QFile file(QStringLiteral("/proc/net/snmp"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return ParseUdpCounters(file.readAll());
}

UdpCounters ReadUdpCounters(const QString& ns) {
    QProcess cat;
    cat.start(IpCommand(), {QStringLiteral("netns"), QStringLiteral("exec"), ns,
                            QStringLiteral("cat"), QStringLiteral("/proc/net/snmp")});
    if (!cat.waitForFinished(5000) || cat.exitCode() != 0)
        return {};
    return ParseUdpCounters(cat.readAllStandardOutput());
}

UdpCounters Delta(const UdpCounters& a, const UdpCounters& b) {
    UdpCounters d;
    d.valid = a.valid && b.valid;
    d.inDatagrams = b.inDatagrams - a.inDatagrams;
    d.outDatagrams = b.outDatagrams - a.outDatagrams;
    d.rcvbufErrors = b.rcvbufErrors - a.rcvbufErrors;
    d.sndbufErrors = b.sndbufErrors - a.sndbufErrors;
    d.inErrors = b.inErrors - a.inErrors;
    return d;
}

} // namespace bench
