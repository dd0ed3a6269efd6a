#pragma once
// Would the local nftables ruleset let a device's reply in? The reply is
// modelled as it reaches the host: UDP from port 5432 of an address in the
// adapter's subnet to port 5433 of the adapter address, arriving on the
// adapter, connection tracking state "new" (a reply to a broadcast never
// matches the request's tracking entry). The input and prerouting base chains
// of the ip and inet tables are walked in hook and priority order; a match on
// something the model does not know (a named set it cannot read, marks ...)
// counts as "does not match" and makes the verdict uncertain. Each chain is
// walked once for the packet: its verdict is remembered for every later jump
// to it, so a ruleset that fans out takes time in its size, not in its paths.
// Tables that iptables-nft (and so ufw) writes hold xtables matches whose
// JSON form says only their name ("addrtype", "conntrack"); the text listing
// says what they match ("fib daddr type local", "ct state invalid"), and
// that is where the walk reads them.

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QList>
#include <QString>
#include <cstdint>

namespace diag {

struct ReplyPacket {
    QString interface;
    uint32_t address = 0; // adapter address, host order
    uint32_t mask = 0;    // its netmask
    uint16_t sourcePort = 5432;
    uint16_t port = 5433;
};

struct FirewallVerdict {
    enum Kind { Accepted, Dropped, Rejected };
    Kind kind = Accepted;
    bool certain = true;
    bool byPolicy = false; // the chain's policy decided, no rule
    QString family;        // of the table whose chain decided
    QString table;
    QString baseChain;    // the base chain being walked
    QString chain;        // the chain of the deciding rule (a jump target, or the base chain)
    qint64 handle = -1;   // the deciding rule's handle; -1 for a policy
    bool complete = true; // false: the deadline came before the walk ended
};

// ruleset: the output of `nft -j list ruleset`; listing, that of
// `nft -a list ruleset`, for the xtables matches. The walk gives up at the
// deadline with a verdict that is not complete.
FirewallVerdict EvaluateRuleset(const QJsonDocument& ruleset, const ReplyPacket& packet,
                                QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever),
                                const QString& listing = QString());

// The legacy iptables tables as `iptables-legacy-save` prints them, in the
// form of `nft -j list ruleset` (family "ip", the base chains at the hooks
// and priorities of iptables), so the same walk reads them. Each rule's
// handle is its line number in save; an option the walk does not know
// becomes a match it cannot decide.
QJsonDocument LegacyRuleset(const QString& save);
// The line of save with that number, "-A INPUT ..." ; empty when none.
QString LegacyRuleText(const QString& save, qint64 handle);

// The tables nft says another program manages ("# Warning: table ip filter
// is managed by iptables-nft, do not touch!"), as "ip filter", with the
// program's name; and the text without those lines.
struct ManagedTable {
    QString table; // "family name"
    QString manager;
};
QList<ManagedTable> ManagedTables(const QString& nftOutput);
QString WithoutWarnings(const QString& nftOutput);

// The text of the rule with this handle in `nft -a list ruleset` output, without
// the handle comment; empty when not found.
QString RuleText(const QString& listing, const QString& family, const QString& table,
                 const QString& chain, qint64 handle);

} // namespace diag
