#pragma once
// What the kernel tells any user about its network, read from /proc and /sys:
// UDP sockets and the processes that own them, counters, routes and
// reverse-path settings. The parsers take the file text so they can be fed
// anything; the readers take the folder the files live in (normally /proc).

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace diag {

// One line of /proc/net/udp or /proc/net/udp6 that can receive IPv4: an IPv6
// socket on every address ([::], which takes IPv4 too unless it is set to
// IPv6 only) or on an IPv4-mapped address counts with its IPv4 address; one
// on any other IPv6 address is left out.
struct UdpSocketEntry {
    uint32_t localAddress = 0; // host order; 0 for every address
    uint16_t localPort = 0;
    uint32_t uid = 0;
    uint64_t inode = 0;
    bool ipv6 = false;
};
std::vector<UdpSocketEntry> ParseUdpTable(const QString& text);

// A counter of /proc/net/snmp or /proc/net/netstat: a "Section: names" line
// followed by a "Section: values" line. None when it is not there.
std::optional<uint64_t> ParseCounter(const QString& text, const QString& section,
                                     const QString& name);

// One route of the main table (/proc/net/route).
struct Route {
    QString interface;
    uint32_t destination = 0; // host order
    uint32_t mask = 0;
    uint32_t gateway = 0;
    int metric = 0;
    QString Text() const; // "10.91.1.0/24 dev swpb0", "default via 10.0.0.1 dev wlan0"
};
std::vector<Route> ParseRoutes(const QString& text);
// The route the kernel takes to address (longest prefix, then lowest metric).
std::optional<Route> RouteTo(const std::vector<Route>& routes, uint32_t address);

// The process owning a socket, as far as this user may see it.
struct SocketHolder {
    uint64_t inode = 0;
    uint32_t uid = 0;
    int pid = 0;     // 0 when the owner could not be found (another user's process)
    QString name;    // comm of the process
    QString command; // its command line, arguments joined by spaces
    uint32_t localAddress = 0;
    bool ipv6 = false;
};

class CHostFacts {
public:
    explicit CHostFacts(QString procRoot = QStringLiteral("/proc"));

    QString Read(const QString& relative) const; // empty when it cannot be read

    std::optional<uint64_t> UdpReceiveBufferErrors() const;
    std::optional<uint64_t> ReversePathDrops() const;
    std::vector<Route> Routes() const;
    // net.ipv4.conf.<interface>.rp_filter; none when it cannot be read.
    std::optional<int> ReversePathSetting(const QString& interface) const;
    // The effective setting: the higher of "all" and the interface's.
    int EffectiveReversePath(const QString& interface) const;
    std::optional<int> ReceiveBufferMax() const;

    // The UDP sockets bound to port, other than this process's, with their
    // owners where the process table lets this user see them.
    std::vector<SocketHolder> PortHolders(uint16_t port) const;

private:
    QString m_Proc;
};

// The program name in the first of the system folders (/usr/sbin, /sbin,
// /usr/bin, /bin) that has it, never from PATH; empty when none has.
QString SystemProgram(const QString& name);
// The same, or the bare name when no system folder has it (for a command
// shown to the user).
QString SystemCommand(const QString& name);

// "udp 5433 is held by swpctl (pid 123, ...)" style description of a holder.
QString HolderText(const SocketHolder& holder);
// True when the holder is another copy of the wizard or of swpctl.
bool IsOwnProgram(const SocketHolder& holder);

} // namespace diag
