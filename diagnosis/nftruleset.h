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

#include <QDeadlineTimer>
#include <QJsonDocument>
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

// ruleset: the output of `nft -j list ruleset`. The walk gives up at the
// deadline with a verdict that is not complete.
FirewallVerdict EvaluateRuleset(const QJsonDocument& ruleset, const ReplyPacket& packet,
                                QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));

// The text of the rule with this handle in `nft -a list ruleset` output, without
// the handle comment; empty when not found.
QString RuleText(const QString& listing, const QString& family, const QString& table,
                 const QString& chain, qint64 handle);

} // namespace diag
