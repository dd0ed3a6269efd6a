#include "diagnosis/hostfacts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>
#include <QSet>
#include <QtEndian>
#include <algorithm>
#include <bit>

namespace diag {

namespace {

// The kernel prints addresses of these tables as the 32-bit value in memory
// (network order) read as a native number.
uint32_t TableAddress(const QString& hex, bool* ok) {
    const uint32_t raw = hex.toUInt(ok, 16);
    return qFromBigEndian(qToLittleEndian(raw)); // little-endian machines
}

QString Dotted(uint32_t address) {
    return QHostAddress(address).toString();
}

int PrefixLength(uint32_t mask) {
    return std::popcount(mask);
}

} // namespace

std::vector<UdpSocketEntry> ParseUdpTable(const QString& text) {
    std::vector<UdpSocketEntry> entries;
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QStringList f = line.simplified().split(QLatin1Char(' '));
        // sl local rem st queues tr retrnsmt uid timeout inode ...
        if (f.size() < 10 || !f[0].endsWith(QLatin1Char(':')))
            continue;
        const QStringList local = f[1].split(QLatin1Char(':'));
        if (local.size() != 2)
            continue;
        bool okAddress = false;
        bool okPort = false;
        bool okUid = false;
        bool okInode = false;
        UdpSocketEntry entry;
        entry.ipv6 = local[0].size() == 32;
        if (!entry.ipv6) {
            entry.localAddress = TableAddress(local[0], &okAddress);
        } else if (local[0].startsWith(QLatin1String("0000000000000000"))) {
            // Four 32-bit words, each as a native number: [::] or ::ffff:a.b.c.d.
            const QString mark = local[0].mid(16, 8);
            const uint32_t last = TableAddress(local[0].mid(24), &okAddress);
            if (mark == QLatin1String("00000000") && last == 0)
                entry.localAddress = 0;
            else if (mark == QLatin1String("FFFF0000") || mark == QLatin1String("ffff0000"))
                entry.localAddress = last;
            else
                okAddress = false;
        }
        entry.localPort = static_cast<uint16_t>(local[1].toUInt(&okPort, 16));
        entry.uid = f[7].toUInt(&okUid);
        entry.inode = f[9].toULongLong(&okInode);
        if (okAddress && okPort && okUid && okInode)
            entries.push_back(entry);
    }
    return entries;
}

std::optional<uint64_t> ParseCounter(const QString& text, const QString& section,
                                     const QString& name) {
    const QString prefix = section + QLatin1Char(':');
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (int n = 0; n + 1 < lines.size(); ++n) {
        if (!lines[n].startsWith(prefix) || !lines[n + 1].startsWith(prefix))
            continue;
        const QStringList names = lines[n].simplified().split(QLatin1Char(' '));
        const QStringList values = lines[n + 1].simplified().split(QLatin1Char(' '));
        const qsizetype at = names.indexOf(name);
        if (at <= 0 || at >= values.size())
            return std::nullopt;
        bool ok = false;
        const uint64_t value = values[at].toULongLong(&ok);
        return ok ? std::optional<uint64_t>(value) : std::nullopt;
    }
    return std::nullopt;
}

QString Route::Text() const {
    QString text = mask == 0
                       ? QStringLiteral("default")
                       : QStringLiteral("%1/%2").arg(Dotted(destination)).arg(PrefixLength(mask));
    if (gateway != 0)
        text += QStringLiteral(" via ") + Dotted(gateway);
    return text + QStringLiteral(" dev ") + interface;
}

std::vector<Route> ParseRoutes(const QString& text) {
    std::vector<Route> routes;
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QStringList f = line.simplified().split(QLatin1Char(' '));
        // Iface Destination Gateway Flags RefCnt Use Metric Mask ...
        if (f.size() < 8 || f[0] == QLatin1String("Iface"))
            continue;
        bool ok[5] = {};
        Route route;
        route.interface = f[0];
        route.destination = TableAddress(f[1], &ok[0]);
        route.gateway = TableAddress(f[2], &ok[1]);
        const uint flags = f[3].toUInt(&ok[2], 16);
        route.metric = f[6].toInt(&ok[3]);
        route.mask = TableAddress(f[7], &ok[4]);
        const bool up = (flags & 0x1) != 0;
        if (std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }) && up)
            routes.push_back(route);
    }
    return routes;
}

std::optional<Route> RouteTo(const std::vector<Route>& routes, uint32_t address) {
    std::optional<Route> best;
    for (const Route& route : routes) {
        if ((address & route.mask) != (route.destination & route.mask))
            continue;
        if (!best || PrefixLength(route.mask) > PrefixLength(best->mask) ||
            (route.mask == best->mask && route.metric < best->metric))
            best = route;
    }
    return best;
}

CHostFacts::CHostFacts(QString procRoot) : m_Proc(std::move(procRoot)) {}

QString CHostFacts::Read(const QString& relative) const {
    QFile file(m_Proc + QLatin1Char('/') + relative);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    // Files of /proc report size 0: read until the end.
    return QString::fromLatin1(file.readAll());
}

std::optional<uint64_t> CHostFacts::UdpReceiveBufferErrors() const {
    return ParseCounter(Read(QStringLiteral("net/snmp")), QStringLiteral("Udp"),
                        QStringLiteral("RcvbufErrors"));
}

std::optional<uint64_t> CHostFacts::ReversePathDrops() const {
    return ParseCounter(Read(QStringLiteral("net/netstat")), QStringLiteral("TcpExt"),
                        QStringLiteral("IPReversePathFilter"));
}

std::vector<Route> CHostFacts::Routes() const {
    return ParseRoutes(Read(QStringLiteral("net/route")));
}

std::optional<int> CHostFacts::ReversePathSetting(const QString& interface) const {
    bool ok = false;
    const int value =
        Read(QStringLiteral("sys/net/ipv4/conf/%1/rp_filter").arg(interface)).trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

int CHostFacts::EffectiveReversePath(const QString& interface) const {
    return std::max(ReversePathSetting(QStringLiteral("all")).value_or(0),
                    ReversePathSetting(interface).value_or(0));
}

std::optional<int> CHostFacts::ReceiveBufferMax() const {
    bool ok = false;
    const int value = Read(QStringLiteral("sys/net/core/rmem_max")).trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::vector<SocketHolder> CHostFacts::PortHolders(uint16_t port) const {
    static const QRegularExpression kSocketLink(QStringLiteral("^socket:\\[(\\d+)\\]$"));
    const auto socketInodes = [&](const QString& fdFolder) {
        QSet<uint64_t> inodes;
        const QDir dir(fdFolder);
        for (const QString& fd : dir.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            const QRegularExpressionMatch match = kSocketLink.match(
                QFile::symLinkTarget(dir.filePath(fd)).section(QLatin1Char('/'), -1));
            if (match.hasMatch())
                inodes.insert(match.captured(1).toULongLong());
        }
        return inodes;
    };
    // symLinkTarget makes the target absolute; the socket name is its last part.
    const QSet<uint64_t> own = socketInodes(m_Proc + QStringLiteral("/self/fd"));

    std::vector<SocketHolder> holders;
    const QString tables =
        Read(QStringLiteral("net/udp")) + QLatin1Char('\n') + Read(QStringLiteral("net/udp6"));
    for (const UdpSocketEntry& entry : ParseUdpTable(tables)) {
        if (entry.localPort != port || own.contains(entry.inode) || entry.inode == 0)
            continue;
        SocketHolder holder;
        holder.inode = entry.inode;
        holder.uid = entry.uid;
        holder.localAddress = entry.localAddress;
        holder.ipv6 = entry.ipv6;
        holders.push_back(holder);
    }
    if (holders.empty())
        return holders;

    const QDir proc(m_Proc);
    static const QRegularExpression kPid(QStringLiteral("^\\d+$"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!kPid.match(pid).hasMatch())
            continue;
        const QSet<uint64_t> inodes = socketInodes(proc.filePath(pid + QStringLiteral("/fd")));
        for (SocketHolder& holder : holders) {
            if (holder.pid != 0 || !inodes.contains(holder.inode))
                continue;
            holder.pid = pid.toInt();
            holder.name = Read(pid + QStringLiteral("/comm")).trimmed();
            QString command = Read(pid + QStringLiteral("/cmdline"));
            command.replace(QChar(0), QLatin1Char(' '));
            holder.command = command.trimmed();
        }
    }
    return holders;
}

QString SystemProgram(const QString& name) {
    for (const char* folder : {"/usr/sbin", "/sbin", "/usr/bin", "/bin"}) {
        const QFileInfo program(QLatin1String(folder) + QLatin1Char('/') + name);
        if (program.isFile() && program.isExecutable())
            return program.filePath();
    }
    return QString();
}

QString SystemCommand(const QString& name) {
    const QString path = SystemProgram(name);
    return path.isEmpty() ? name : path;
}

QString HolderText(const SocketHolder& holder) {
    QString address =
        holder.localAddress == 0 ? QStringLiteral("all addresses") : Dotted(holder.localAddress);
    if (holder.ipv6)
        address += holder.localAddress == 0 ? QStringLiteral(" (IPv6 socket [::])")
                                            : QStringLiteral(" (IPv6 socket)");
    if (holder.pid == 0)
        return QStringLiteral("a program of user id %1 (its name needs privileges to read), "
                              "socket inode %2, on %3")
            .arg(holder.uid)
            .arg(holder.inode)
            .arg(address);
    return QStringLiteral("%1 (pid %2, user id %3) on %4")
        .arg(holder.name)
        .arg(holder.pid)
        .arg(holder.uid)
        .arg(address);
}

bool IsOwnProgram(const SocketHolder& holder) {
    const QString program = QFileInfo(holder.command.section(QLatin1Char(' '), 0, 0)).fileName();
    return holder.name == QLatin1String("swpctl") || holder.name == QLatin1String("Setup") ||
           program == QLatin1String("swpctl") || program == QLatin1String("Setup");
}

} // namespace diag
