#pragma once
// The kernel's UDP counters of a network namespace (the "Udp:" lines of
// /proc/net/snmp): what was delivered, sent, and dropped for want of buffer.

#include <QString>
#include <cstdint>

namespace bench {

struct UdpCounters {
    bool valid = false;
    uint64_t inDatagrams = 0;
    uint64_t outDatagrams = 0;
    uint64_t rcvbufErrors = 0;
    uint64_t sndbufErrors = 0;
    uint64_t inErrors = 0;
};

// Parses the text of /proc/net/snmp.
UdpCounters ParseUdpCounters(const QByteArray& snmp);
// The counters of the namespace this process runs in.
UdpCounters ReadUdpCounters();
// The counters of namespace ns (by `ip netns exec`; needs root).
UdpCounters ReadUdpCounters(const QString& ns);

// b - a, field by field.
UdpCounters Delta(const UdpCounters& a, const UdpCounters& b);

} // namespace bench
